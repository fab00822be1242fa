#include "script/script_writer.h"

#include <algorithm>
#include <cstdio>

#include "common/encoding.h"
#include "common/file_io.h"
#include "common/number_text.h"
#include "script/credit_events.h"
#include "script/karaoke_events.h"
#include "script/line_output.h"
#include "script/ruby_events.h"

namespace kvelmor::script {

using settings::ConversionSettings;

namespace {

// Event groups written before the lyric lines, in this order.
// Returns the areas of the lines written, for the credit to keep off.
std::vector<InfoArea> appendSongInfoBeforeSongEvents(std::string& out, const lyrics::Song& song,
                                                     const ConversionSettings& s, const SongInfoLabels& labels,
                                                     measure::TextMeasurer& measurer) {
    std::vector<InfoArea> areas;
    for (const auto& e : songInfoBeforeSongEvents(song, s, labels, measurer, &areas)) appendInfoEvent(out, e);
    return areas;
}
void appendSongInfoTopEvents(std::string& out, const lyrics::Song& song, const ConversionSettings& s,
                             measure::TextMeasurer& measurer) {
    for (const auto& e : songInfoTopEvents(song, s, measurer)) appendInfoEvent(out, e);
}
void appendCreditEvents(std::string& out, const lyrics::Song& song, const settings::CreditSettings& credit,
                        const ConversionSettings& s, measure::TextMeasurer& measurer,
                        const std::vector<InfoArea>& beforeSong) {
    if (auto e = creditEvent(credit, s, measurer, creditAvoids(credit, song, s, measurer, beforeSong)))
        appendInfoEvent(out, *e);
}

std::string codePointText(std::string_view ch) {
    std::u32string cps = toU32(ch);
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", cps.empty() ? 0u : static_cast<unsigned>(cps[0]));
    return buf;
}

// Reports every line of the text holding characters CP932 has no code for;
// returns how many lines did.
int reportCharsOutsideCp932(std::string_view text, const std::string& path, Reporter& reporter) {
    int lines = 0;
    int lineNo = 0;
    for (std::string_view line : splitLines(text)) {
        ++lineNo;
        std::vector<std::string> bad = charsOutsideCp932(line);
        if (bad.empty()) continue;
        ++lines;
        std::string list;
        std::vector<std::string> seen;
        for (const auto& ch : bad) {
            if (std::find(seen.begin(), seen.end(), ch) != seen.end()) continue;
            seen.push_back(ch);
            if (!list.empty()) list += ", ";
            list += "\"" + ch + "\" (" + codePointText(ch) + ")";
        }
        reporter.error("characters that CP932 cannot hold: " + list, path, lineNo);
    }
    return lines;
}

}  // namespace

CreditStyleSource creditStyleSource(const settings::CreditSettings& credit, measure::TextMeasurer& measurer) {
    auto colour = [&](const char* field) -> uint32_t {
        auto v = parseNumber(credit.text(field));
        if (!v || *v < 0 || *v > 0xFFFFFF) return 0;
        return static_cast<uint32_t>(*v);
    };
    auto whole = [&](const char* field) { return toWholeNumber(credit.text(field)); };
    CreditStyleSource c;
    c.font.face = credit.text("Command1");
    c.font.bold = whole("Command1.Bold") != 0;
    c.font.italic = whole("Command1.Italic") != 0;
    c.font.underline = whole("Command1.Underline") != 0;
    c.font.strikethrough = whole("Command1.Strikethrough") != 0;
    int32_t size = whole("CreditFontSize");
    c.FontSize = size;
    c.FontPixcel = std::to_string(size > 0 ? measure::TextHeight(measurer, c.font.face, size, "あ") : 0);
    c.PrimaryColor = colour("PrimaryColor");
    c.TeritaryColor = colour("TeritaryColor");
    c.ShadowColor = colour("ShadowColor");
    c.PrimaryAlpha = whole("PrimaryAlpha");
    c.TeritaryAlpha = whole("TeritaryAlpha");
    c.BackAplha = whole("BackAplha");
    c.Combo1 = whole("Combo1");
    return c;
}

std::string scriptHead(const lyrics::Song& song, const ConversionSettings& s, const ScriptHeader& header,
                       const settings::CreditSettings& credit, const SongInfoLabels& labels,
                       measure::TextMeasurer& measurer) {
    // The credit font is measured only when its style line is written.
    const CreditStyleSource creditStyle =
        s.isOn("menuCreditOn") ? creditStyleSource(credit, measurer) : CreditStyleSource{};
    std::string out;
    // Room for a typical script at once, rather than growing a text of
    // megabytes step by step: about a hundred bytes a slot.
    size_t slots = 0;
    for (int i = 1; i <= song.LyricsTable.count(); ++i) slots += song.LyricsTable[i].units.size();
    out.reserve(16384 + 96 * slots);
    appendScriptInfo(out, header.info, song.songInfo);
    std::vector<StyleRecord> styles = scriptStyles(header, song, s, creditStyle);
    for (auto& style : styles) style.Fontsize = renderedFontSize(style, measurer);
    appendStyles(out, styles, s);

    appendEventsHeader(out);
    const std::vector<InfoArea> beforeSong = appendSongInfoBeforeSongEvents(out, song, s, labels, measurer);
    appendSongInfoTopEvents(out, song, s, measurer);
    appendCreditEvents(out, song, credit, s, measurer, beforeSong);
    return out;
}

void appendLineEvents(std::string& out, const lyrics::Song& song, int i, const ConversionSettings& s,
                      const EventTexts& texts) {
    appendKaraokeEvents(out, song.LyricsTable[i], s, texts);
    appendRubyEvents(out, song.LyricsTable[i], song.rubyState, s, texts);
}

std::string scriptText(const lyrics::Song& song, const ConversionSettings& s, const ScriptHeader& header,
                       const settings::CreditSettings& credit, const SongInfoLabels& labels,
                       measure::TextMeasurer& measurer) {
    std::string out = scriptHead(song, s, header, credit, labels, measurer);
    const EventTexts texts = eventTexts(s);
    for (int i = 1; i <= song.LyricsTable.count(); ++i) appendLineEvents(out, song, i, s, texts);
    return out;
}

bool writeScriptFile(const std::string& path, std::string_view text, bool unicode, Reporter& reporter) {
    std::string bytes;
    if (unicode) {
        bytes = encodeUtf16le(text, true);
    } else if (auto cp932 = encodeCp932(text)) {
        bytes = std::move(*cp932);
    } else {
        int lines = reportCharsOutsideCp932(text, path, reporter);
        reporter.error("the script was not written: " + std::to_string(lines) +
                           (lines == 1 ? " line holds" : " lines hold") +
                           " characters that CP932 cannot hold; tick unicode to save it as UTF-16",
                       path);
        return false;
    }
    FileResult r = writeFileAtomically(path, bytes);
    if (!r.ok) {
        reporter.error("cannot write the script: " + r.error, path);
        return false;
    }
    return true;
}

bool writeScript(const lyrics::Song& song, const ConversionSettings& s, const ScriptHeader& header,
                 const settings::CreditSettings& credit, const SongInfoLabels& labels, measure::TextMeasurer& measurer,
                 Reporter& reporter) {
    if (song.lyricsPath.empty()) return false;
    return writeScriptFile(scriptPathFor(song.lyricsPath), scriptText(song, s, header, credit, labels, measurer),
                           s.isOn("unicode"), reporter);
}

}  // namespace kvelmor::script
