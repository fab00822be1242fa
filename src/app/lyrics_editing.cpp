// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lyrics_editing.h"

#include "app/session.h"
#include "common/encoding.h"
#include "layout/spans.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"

namespace kvelmor::app {

namespace {

// The header lines in the order the tag file writes them.
std::string headerLines(const lyrics::SongInfo& info) {
    const std::pair<const char*, const std::string*> headers[] = {
        {"@title=", &info.title},     {"@subtitle=", &info.subtitle}, {"@album=", &info.album},
        {"@artist=", &info.artist},   {"@lyrics=", &info.lyrics},     {"@compose=", &info.compose},
        {"@arrange=", &info.arrange}, {"@year=", &info.year},
    };
    std::string text;
    for (const auto& [key, value] : headers)
        if (!value->empty()) text += key + *value + '\n';
    return text;
}

template <typename Test>
bool anyCharSlot(const lyrics::Song& song, Test test) {
    for (int i = 1; i <= song.lineCount(); ++i) {
        const lyrics::LyricLine& line = song.workLines[i];
        for (int k = 1; k <= layout::usedSlots(line); ++k)
            if (line.unit(k).isChar && test(line, line.unit(k))) return true;
    }
    return false;
}

}  // namespace

bool hasReadings(const lyrics::Song& song) {
    return anyCharSlot(song, [](const lyrics::LyricLine&, const lyrics::LyricUnit& u) {
        return !u.rubyFields().ruby.empty();
    });
}

bool hasMarksOrStyles(const lyrics::Song& song) {
    return anyCharSlot(song, [](const lyrics::LyricLine& line, const lyrics::LyricUnit& u) {
        return u.cellMark || line.kanjiStyle == "substyle1" || line.kanjiStyle == "substyle2";
    });
}

std::string lyricsEditText(const lyrics::Song& song) {
    std::string text = headerLines(song.songInfo);
    if (hasReadings(song)) {
        for (int i = 1; i <= song.lineCount(); ++i) text += lyrics::serializeLine(song.workLines[i]) + '\n';
        return text;
    }
    for (int i = 1; i <= song.rawLineCount(); ++i) {
        text += song.readLines[i].rawText;
        text += '\n';
    }
    return text;
}

bool applyLyricsEdit(Session& session, std::string_view text) {
    // Read into a fresh table; the song's is replaced only when every line was taken.
    lyrics::LineTable raw;
    lyrics::SongInfo info;
    const settings::ConversionOptions& options = session.options();
    lyrics::LineParser parser{options, session.measurer(), options.timing.correction};
    int lineNo = 0;
    for (std::string_view line : splitLines(text)) {
        ++lineNo;
        if (lyrics::readHeaderLine(info, parser.timeCorrection, line)) continue;
        switch (lyrics::appendRawLine(raw, line, parser, lineNo)) {
        case lyrics::AppendResult::Appended: break;
        case lyrics::AppendResult::TooManyLines:
            session.reporter().error(lyrics::kTooManyLinesMessage, kLyricsEditName, lineNo);
            return false;
        case lyrics::AppendResult::TooManySlots:
            session.reporter().error(
                "this line needs more than 300 slots (characters and time tags together); the edit was not applied",
                kLyricsEditName, lineNo);
            return false;
        }
    }
    session.song.readLines = std::move(raw);
    session.song.songInfo = std::move(info);
    // The text's "@timeratio=" line is its own time correction setting.
    session.settings.setText(settings::kTimeCorrectionField, parser.timeCorrection ? "1" : "0");
    session.lyricsEdited = true;
    session.runFullRefresh();
    return true;
}

}  // namespace kvelmor::app
