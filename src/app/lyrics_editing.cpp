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
    if (song.timeCorrection) text += lyrics::timeRatioLine(*song.timeCorrection) + '\n';
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

namespace {

// Appends one working line's text to the text of its raw line: a cut by the
// automatic line break ends one piece and starts the next with the same tag.
void appendPiece(std::string& text, const std::string& piece) {
    constexpr size_t kTag = 10;  // "[mm:ss:cc]"
    if (text.size() >= kTag && piece.size() >= kTag && lyrics::timeTagAt(text, text.size() - kTag) &&
        text.compare(text.size() - kTag, kTag, piece, 0, kTag) == 0) {
        text.append(piece, kTag);
        return;
    }
    text += piece;
}

}  // namespace

bool keepReadingsInReadLines(Session& session) {
    lyrics::Song& song = session.song;
    const settings::ConversionOptions& options = session.options();
    const lyrics::LineParser parser{options, session.measurer(), options.timing.correction};
    lyrics::LineTable raw;
    std::vector<int> tooLong;
    int w = 1;
    for (int r = 1; r <= song.rawLineCount(); ++r) {
        const lyrics::LyricLine& read = song.readLines[r];
        std::string text;
        for (; w <= song.lineCount() && song.workLines[w].readLine == r; ++w)
            appendPiece(text, lyrics::serializeLine(song.workLines[w]));
        if (text.empty()) text = read.rawText;  // nothing of it was laid out: kept as read
        if (lyrics::appendRawLine(raw, text, parser, read.sourceLine) == lyrics::AppendResult::Appended) continue;
        tooLong.push_back(read.sourceLine);
        raw.append(read);
    }
    // Working lines the raw lines do not account for: the table is left alone.
    if (w <= song.lineCount()) return false;
    song.readLines = std::move(raw);
    for (int line : tooLong)
        session.reporter().warning(
            "with its readings this line needs more than 300 slots; the readings last only until the lines are "
            "laid out again",
            song.lyricsPath, line);
    return tooLong.empty();
}

bool applyLyricsEdit(Session& session, std::string_view text) {
    // Read into a fresh table; the song's is replaced only when every line was taken.
    lyrics::LineTable raw;
    lyrics::SongInfo info;
    const settings::ConversionOptions& options = session.options();
    lyrics::LineParser parser{options, session.measurer(), options.timing.correction};
    // The text's "@timeratio=" line is the song's own correction, as in a
    // file; without one the preset's holds.
    std::optional<bool> timeCorrection;
    int lineNo = 0;
    for (std::string_view line : splitLines(text)) {
        ++lineNo;
        if (lyrics::readHeaderLine(info, timeCorrection, line)) {
            if (timeCorrection) parser.timeCorrection = *timeCorrection;
            continue;
        }
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
    session.song.timeCorrection = timeCorrection;
    session.lyricsEdited = true;
    session.runFullRefresh();
    return true;
}

}  // namespace kvelmor::app
