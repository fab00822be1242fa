// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/script_header.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "common/number_text.h"
#include "script/karaoke_events.h"
#include "script/line_output.h"

#ifndef KVELMOR_VERSION_TEXT
#define KVELMOR_VERSION_TEXT "0.0.0"
#endif

namespace kvelmor::script {

using settings::ConversionOptions;

namespace {

// The user name as scripts have always carried it: up to the first NUL and
// at most 255 bytes, without cutting a multi-byte character in half.
std::string limitName(std::string name) {
    constexpr size_t kMaxBytes = 255;
    if (auto nul = name.find('\0'); nul != std::string::npos) name.resize(nul);
    if (name.size() <= kMaxBytes) return name;
    size_t cut = kMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    return name;
}

StyleRecord withFont(StyleRecord r, const settings::FontValue& f) {
    r.Fontname = f.face;
    r.Bold = f.bold;
    r.Italic = f.italic;
    r.Underline = f.underline;
    r.StrikeOut = f.strikethrough;
    return r;
}

bool someLineHasStyle(const lyrics::Song& song, std::string_view style) {
    const auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i)
        if (table[i].kanjiStyle == style) return true;
    return false;
}

// The song-information look on top of the lyrics style's geometry.
StyleRecord songInfoStyle(const StyleRecord& lyrics, const settings::SongInfoOptions& info, std::string name,
                          const settings::FontSize& size) {
    StyleRecord r = withFont(lyrics, info.font);
    r.Name = std::move(name);
    r.Fontsize = size.pixelsText;
    r.sizeFace = info.font.face;
    r.sizePoints = size.points;
    r.PrimaryColour = colourValue(info.primary, info.primaryLevel);
    r.SecondaryColour = 0;
    r.OutlineColour = colourValue(info.outline, info.outlineLevel);
    r.BackColour = colourValue(info.shadow, info.backLevel);
    return r;
}

// A sub-style: `base` (lyrics or ruby style) with the colours of the second
// or third colour set.
StyleRecord subStyle(const StyleRecord& base, const ConversionOptions& o, std::string name,
                     const settings::ColourSet& set, bool fillOnly) {
    StyleRecord r = base;
    r.Name = std::move(name);
    const uint32_t primary = set.primary;
    const uint32_t secondary = set.secondary;
    const uint32_t outline = set.outline;
    const uint32_t back = set.shadow;
    if (fillOnly) {
        r.PrimaryColour = colourValue(primary, 0);
        r.SecondaryColour = transparentColourValue(secondary);
        r.OutlineColour = transparentColourValue(outline);
        r.BackColour = transparentColourValue(back);
    } else {
        const settings::Levels& levels = o.colours.levels;
        r.PrimaryColour = colourValue(primary, levels.primary);
        r.SecondaryColour = colourValue(secondary, levels.secondary);
        r.OutlineColour = colourValue(outline, levels.outline);
        r.BackColour = colourValue(back, levels.back);
    }
    return r;
}

std::string flagText(bool on) { return on ? "-1" : "0"; }

}  // namespace

int32_t alphaByte(int32_t level) {
    level = std::clamp(level, 0, 10);
    return static_cast<int32_t>(roundHalfEven(static_cast<double>(level) * 255.0 / 10.0));
}

int32_t colourValue(uint32_t colour, int32_t level) {
    uint32_t bits = (static_cast<uint32_t>(alphaByte(level)) << 24) | (colour & 0xFFFFFFu);
    return static_cast<int32_t>(bits);  // two's complement wrap (defined since C++20)
}

int32_t transparentColourValue(uint32_t colour) { return static_cast<int32_t>(0xFF000000u | (colour & 0xFFFFFFu)); }

std::string colourText(int32_t value, bool hex) {
    if (!hex) return std::to_string(value);
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X", static_cast<unsigned>(static_cast<uint32_t>(value)));
    return buf;
}

int32_t characterSetNumber(int32_t listIndex) {
    static constexpr int32_t kSets[3] = {128, 0, 136};
    if (listIndex < 0 || listIndex > 2) listIndex = 0;
    return kSets[listIndex];
}

std::string scriptPathFor(std::string_view lyricsPath) {
    size_t slash = lyricsPath.find_last_of('/');
    size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    size_t dot = lyricsPath.find_last_of('.');
    if (dot == std::string_view::npos || dot < nameStart) return std::string(lyricsPath) + ".ass";
    return std::string(lyricsPath.substr(0, dot + 1)) + "ass";
}

std::string verticalScalePrefix(const ConversionOptions& o) {
    if (o.scale.yIsOne) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", o.scale.y * 100.0);
    return std::string("{\\fscy") + buf + "}";
}

std::string fadeTag(const ConversionOptions& o) {
    // Both as whole numbers: the fade-in text is digits only when it is valid,
    // and a number keeps the tag readable when it is not.
    int32_t in = o.timing.fadeIn.on ? o.timing.fadeIn.ms : 0;
    int32_t out = o.timing.fadeOut.on ? o.timing.fadeOut.ms : 0;
    if (in == 0 && out == 0) return {};
    return "{\\fad(" + std::to_string(in) + "," + std::to_string(out) + ")}";
}

std::string currentUserName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name) return limitName(pw->pw_name);
    if (const char* login = ::getlogin(); login && *login) return limitName(login);
    if (const char* user = std::getenv("USER"); user && *user) return limitName(user);
    return {};
}

void refreshScriptInfo(ScriptHeader& header, const lyrics::Song& song, const ConversionOptions& o,
                       std::string_view presetName) {
    ScriptInfo info;
    info.Title = song.songInfo.title.empty() ? std::string(presetName) : song.songInfo.title;
    info.OriginalScript = currentUserName();
    info.PlayResX = o.frame.width;
    info.PlayResY = o.frame.height;
    header.info = std::move(info);
}

void refreshStyles(ScriptHeader& header, const ConversionOptions& o) {
    const std::string& number = o.styleNumber;
    const settings::ColourSet& colours = o.colours.standard;
    const settings::Levels& levels = o.colours.levels;
    StyleRecord k = withFont(StyleRecord{}, o.lyricsFont.font);
    k.Name = "Kanji" + number;
    k.Fontsize = o.lyricsFont.size.pixelsText;
    k.sizeFace = o.lyricsFont.font.face;
    k.sizePoints = o.lyricsFont.size.points;
    k.PrimaryColour = colourValue(colours.primary, levels.primary);
    k.SecondaryColour = colourValue(colours.secondary, levels.secondary);
    k.OutlineColour = colourValue(colours.outline, levels.outline);
    k.BackColour = colourValue(colours.shadow, levels.back);
    k.BorderStyle = o.border.style == settings::BorderStyle::OpaqueBox ? 3 : 1;
    k.Outline = o.border.outline;
    k.Shadow = o.border.shadow;
    k.MarginL = o.margins.left;
    k.MarginR = o.margins.right;
    k.MarginV = o.margins.vertical;
    k.Encoding = characterSetNumber(o.characterSet);

    StyleRecord r = withFont(k, o.rubyFont.font);
    r.Name = "Ruby" + number;
    r.Fontsize = o.rubyFont.size.pixelsText;
    r.sizeFace = o.rubyFont.font.face;
    r.sizePoints = o.rubyFont.size.points;

    header.lyricsStyle = std::move(k);
    header.rubyStyle = std::move(r);
}

std::string renderedFontSize(const StyleRecord& style, measure::TextMeasurer& measurer) {
    const auto label = parseNumber(style.Fontsize);
    if (!label || *label <= 0 || style.sizeFace.empty() || style.sizePoints <= 0) return style.Fontsize;
    const int32_t rounded = measurer.cellHeight(style.sizeFace, style.sizePoints);
    const double exact = measurer.exactCellHeight(style.sizeFace, style.sizePoints);
    if (rounded <= 0 || exact <= 0 || exact == rounded) return style.Fontsize;
    // Three decimals: the em then differs from the measured one by under 0.002 %.
    const double size = static_cast<double>(roundHalfEven(*label * exact / rounded * 1000)) / 1000;
    return realToText(size);
}

std::vector<StyleRecord> scriptStyles(const ScriptHeader& header, const lyrics::Song& song, const ConversionOptions& o,
                                      const CreditStyleSource& credit) {
    const StyleRecord& kanji = header.lyricsStyle;
    const StyleRecord& ruby = header.rubyStyle;
    // Wipe emphasis draws its second layer in substyle1, whose colour set
    // then shows the fill only.
    bool emphasis = o.wipe == settings::Wipe::Emphasis;
    bool sub1 = emphasis || someLineHasStyle(song, "substyle1");
    bool sub2 = someLineHasStyle(song, "substyle2");
    bool withRuby = song.rubyState == lyrics::kRubyAssigned;

    std::vector<StyleRecord> rows;
    const settings::SongInfoOptions& info = o.songInfo;
    if (info.beforeSong) {
        rows.push_back(songInfoStyle(kanji, info, "songInfo1", info.firstTitleSize));
        rows.push_back(songInfoStyle(kanji, info, "songInfo2", info.secondTitleSize));
    }
    if (info.top) {
        StyleRecord r = songInfoStyle(kanji, info, "songInfo", info.topSize);
        r.Outline = 1;
        r.Shadow = 1;
        rows.push_back(std::move(r));
    }
    if (o.creditOn) {
        StyleRecord r = withFont(kanji, credit.font);
        r.Name = "songInfo3";
        r.Fontsize = credit.pixelsText;
        r.sizeFace = credit.font.face;
        r.sizePoints = credit.points;
        r.PrimaryColour = colourValue(credit.primary, credit.primaryLevel);
        r.SecondaryColour = 0;
        r.OutlineColour = colourValue(credit.outline, credit.outlineLevel);
        r.BackColour = colourValue(credit.shadow, credit.backLevel);
        r.Outline = 1;
        r.Shadow = 1;
        r.Encoding = characterSetNumber(credit.characterSet);
        rows.push_back(std::move(r));
    }
    rows.push_back(kanji);
    if (sub1) rows.push_back(subStyle(kanji, o, "substyle1", o.colours.second, emphasis));
    if (sub2) rows.push_back(subStyle(kanji, o, "substyle2", o.colours.third, false));
    if (withRuby) {
        rows.push_back(ruby);
        if (sub1) rows.push_back(subStyle(ruby, o, "substyleRuby1", o.colours.second, emphasis));
        if (sub2) rows.push_back(subStyle(ruby, o, "substyleRuby2", o.colours.third, false));
    }
    return rows;
}

std::string styleLine(const StyleRecord& r, bool colourHex) {
    auto n = [](int32_t v) { return std::to_string(v); };
    std::string line = "Style: ";
    bool first = true;
    for (const std::string& field :
         {r.Name, r.Fontname, r.Fontsize, colourText(r.PrimaryColour, colourHex),
          colourText(r.SecondaryColour, colourHex), colourText(r.OutlineColour, colourHex),
          colourText(r.BackColour, colourHex), flagText(r.Bold), flagText(r.Italic), flagText(r.Underline),
          flagText(r.StrikeOut), n(r.ScaleX), n(r.ScaleY), n(r.Spacing), n(r.Angle), n(r.BorderStyle), n(r.Outline),
          n(r.Shadow), n(r.Alignment), n(r.MarginL), n(r.MarginR), n(r.MarginV), n(r.Encoding)}) {
        if (!first) line += ',';
        line += field;
        first = false;
    }
    return line;
}

void appendScriptInfo(std::string& out, const ScriptInfo& info, const lyrics::SongInfo& song) {
    appendLine(out, "[Script Info]");
    appendLine(out, "; This is a Sub Station Alpha v4+ script.");
    appendLine(out, "; This script made by Kvelmor " KVELMOR_VERSION_TEXT);
    appendLine(out, "; For Kvelmor info and downloads,");
    appendLine(out, std::string("; go to ") + kHomePage);
    appendLine(out, "; [Song Info]");
    appendLine(out, "; Artist: " + song.artist);
    appendLine(out, "; Lyrics: " + song.lyrics);
    appendLine(out, "; Compose: " + song.compose);
    appendLine(out, "; Arrange: " + song.arrange);
    appendLine(out, "; Year: " + song.year);
    appendLine(out, "; Album: " + song.album);
    appendLine(out, "Title: " + info.Title);
    appendLine(out, "Original Script: " + info.OriginalScript);
    appendLine(out, "ScriptType: " + info.ScriptType);
    if (!info.Collisions.empty()) appendLine(out, "Collisions: " + info.Collisions);
    appendLine(out, "PlayResX: " + std::to_string(info.PlayResX));
    appendLine(out, "PlayResY: " + std::to_string(info.PlayResY));
    if (!info.PlayDepth.empty()) appendLine(out, "PlayDepth: " + info.PlayDepth);
    if (!info.Timer.empty()) appendLine(out, "Timer: " + info.Timer);
    appendLine(out, "WrapStyle: " + std::to_string(info.WrapStyle));
    appendLine(out, "");
}

void appendStyles(std::string& out, const std::vector<StyleRecord>& styles, const ConversionOptions& o) {
    // The form is that of ColorHex now, for every line alike: the box runs no
    // refresh of its own, so the stored styles cannot hold a form of their own.
    bool hex = o.colours.hex;
    appendLine(out, "[V4+ Styles]");
    appendLine(out,
               "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
               "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
               "Alignment, MarginL, MarginR, MarginV, Encoding");
    for (const auto& style : styles) appendLine(out, styleLine(style, hex));
    appendLine(out, "");
}

}  // namespace kvelmor::script
