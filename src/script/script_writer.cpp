// SPDX-License-Identifier: GPL-3.0-or-later
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

using settings::ConversionOptions;

namespace {

// Event groups written before the lyric lines, in this order.
// Returns the areas of the lines written, for the credit to keep off.
std::vector<InfoArea> appendSongInfoBeforeSongEvents(std::string& out, const lyrics::Song& song,
                                                     const ConversionOptions& o, const SongInfoLabels& labels,
                                                     measure::TextMeasurer& measurer) {
    std::vector<InfoArea> areas;
    for (const auto& e : songInfoBeforeSongEvents(song, o, labels, measurer, &areas)) appendInfoEvent(out, e);
    return areas;
}
void appendSongInfoTopEvents(std::string& out, const lyrics::Song& song, const ConversionOptions& o,
                             measure::TextMeasurer& measurer) {
    for (const auto& e : songInfoTopEvents(song, o, measurer)) appendInfoEvent(out, e);
}
void appendCreditEvents(std::string& out, const lyrics::Song& song, const settings::CreditOptions& credit,
                        const ConversionOptions& o, measure::TextMeasurer& measurer,
                        const std::vector<InfoArea>& beforeSong) {
    if (auto e = creditEvent(credit, o, measurer, creditAvoids(credit, song, o, measurer, beforeSong)))
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

CreditStyleSource creditStyleSource(const settings::CreditOptions& credit, measure::TextMeasurer& measurer) {
    CreditStyleSource c;
    c.font = credit.font;
    const int32_t size = credit.size;
    c.points = size;
    c.pixelsText = std::to_string(size > 0 ? measure::textHeight(measurer, c.font.face, size, "あ") : 0);
    c.primary = credit.primary;
    c.outline = credit.outline;
    c.shadow = credit.shadow;
    c.primaryLevel = credit.primaryLevel;
    c.outlineLevel = credit.outlineLevel;
    c.backLevel = credit.backLevel;
    c.characterSet = credit.characterSet;
    return c;
}

std::string scriptHead(const lyrics::Song& song, const ConversionOptions& o, const ScriptHeader& header,
                       const settings::CreditOptions& credit, const SongInfoLabels& labels,
                       measure::TextMeasurer& measurer) {
    // The credit font is measured only when its style line is written.
    const CreditStyleSource creditStyle =
        o.creditOn ? creditStyleSource(credit, measurer) : CreditStyleSource{};
    std::string out;
    // Room for a typical script at once, rather than growing a text of
    // megabytes step by step: about a hundred bytes a slot.
    size_t slots = 0;
    for (int i = 1; i <= song.workLines.count(); ++i) slots += song.workLines[i].units.size();
    out.reserve(16384 + 96 * slots);
    appendScriptInfo(out, header.info, song.songInfo);
    std::vector<StyleRecord> styles = scriptStyles(header, song, o, creditStyle);
    for (auto& style : styles) style.Fontsize = renderedFontSize(style, measurer);
    appendStyles(out, styles, o);

    appendEventsHeader(out);
    const std::vector<InfoArea> beforeSong = appendSongInfoBeforeSongEvents(out, song, o, labels, measurer);
    appendSongInfoTopEvents(out, song, o, measurer);
    appendCreditEvents(out, song, credit, o, measurer, beforeSong);
    return out;
}

void appendLineEvents(std::string& out, const lyrics::Song& song, int i, const ConversionOptions& o,
                      const EventTexts& texts) {
    appendKaraokeEvents(out, song.workLines[i], o, texts);
    appendRubyEvents(out, song.workLines[i], song.rubyState, o, texts);
}

std::string scriptText(const lyrics::Song& song, const ConversionOptions& o, const ScriptHeader& header,
                       const settings::CreditOptions& credit, const SongInfoLabels& labels,
                       measure::TextMeasurer& measurer) {
    std::string out = scriptHead(song, o, header, credit, labels, measurer);
    const EventTexts texts = eventTexts(o);
    for (int i = 1; i <= song.workLines.count(); ++i) appendLineEvents(out, song, i, o, texts);
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

bool writeScript(const lyrics::Song& song, const ConversionOptions& o, const ScriptHeader& header,
                 const settings::CreditOptions& credit, const SongInfoLabels& labels, measure::TextMeasurer& measurer,
                 Reporter& reporter) {
    if (song.lyricsPath.empty()) return false;
    return writeScriptFile(scriptPathFor(song.lyricsPath), scriptText(song, o, header, credit, labels, measurer),
                           o.output.unicode, reporter);
}

}  // namespace kvelmor::script
