// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A song being timed: its lines of syllables, where the next tap goes, the
// marks already made, and their undo history. Every change made by a key or
// the mouse goes through here, so that it can be tested without a window.
//
// Tapping, all times in milliseconds of song time:
// - tap (Space pressed) starts the syllable at the cursor and so ends the one
//   before; at a line's end (every syllable tapped) it ends the line and
//   starts the next line's first syllable at the same time;
// - release (Space let go) after a hold of at least kHoldMillis ends the
//   syllable held, leaving a gap before the next tap;
// - endLine (Enter) ends the last syllable tapped; when that was the line's
//   last the cursor moves on to the next line.
// Retiming: marks not tapped again keep the times they were read with.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/recovery_file.h"
#include "common/reporter.h"
#include "timing/syllables.h"

namespace kvelmor::timing {

// A key held at least this long marks the end of its syllable when let go.
inline constexpr Millis kHoldMillis = 250;

// A place in the song: a syllable, or (syllable == its line's count) the line's end.
struct Position {
    int line = 0;
    int syllable = 0;
    bool operator==(const Position&) const = default;
};

// One mark: a syllable's start, or its end where that is a time of its own.
struct MarkRef {
    int line = 0;
    int syllable = 0;
    bool end = false;
    bool operator==(const MarkRef&) const = default;
};

struct Mark {
    MarkRef ref;
    Millis time = 0;
    std::u32string label;  // the syllable's text ("" for an end)
};

class TimingDocument {
public:
    TimingDocument() = default;
    explicit TimingDocument(std::vector<TimingLine> lines);

    const std::vector<TimingLine>& lines() const { return m_lines; }
    const TimingLine& line(int i) const { return m_lines[static_cast<size_t>(i)]; }
    int lineCount() const { return static_cast<int>(m_lines.size()); }
    // Whether any line has a syllable to tap.
    bool hasSyllables() const;
    // How many lines are lyrics (not header, blank or other lines).
    int lyricLineCount() const;

    // Where the next tap goes; past the last line when everything is tapped.
    Position cursor() const { return m_cursor; }
    bool finished() const { return m_cursor.line >= lineCount(); }
    // Moves the cursor (to the next line with syllables when `p` has none).
    void setCursor(Position p);

    void tap(Millis t);
    // Returns whether it marked an end (a quick tap's release marks none).
    bool release(Millis t);
    void endLine(Millis t);

    // Every mark in song order within each line, lines in order.
    std::vector<Mark> marks() const;
    std::optional<Millis> markTime(const MarkRef& ref) const;
    // Sets a mark's time (a drag), kept between the marks beside it in its
    // line; false when the mark does not exist.
    bool moveMark(const MarkRef& ref, Millis t);
    bool nudgeMark(const MarkRef& ref, Millis delta);

    // Joins syllable i with the one after it (same line, same reading or both
    // outside readings); false when they cannot be joined.
    bool merge(int line, int syllable);
    // Splits syllable i before its character `at` (1 .. its length - 1); the
    // new second part is not timed yet.
    bool split(int line, int syllable, int at);

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_history.size(); }
    bool undo();
    bool redo();
    // The song time of the tap or line end that undo() would take back.
    std::optional<Millis> undoTapTime() const;

    // Whether there are changes since markSaved().
    bool modified() const { return m_done != m_savedAt; }
    void markSaved() { m_savedAt = m_done; }

    // The timed lyrics file (UTF-8): header and blank lines as read, each
    // lyric line with its tags and readings inline, untimed lines in the
    // untimed notation, after "@timeratio=1" on the first line (taps are in
    // real time, and the converter applies the line to the lines after it).
    std::string timedText() const;
    // The earliest and the latest mark of line i (milliseconds); none for a
    // line without marks. Kept until an edit changes the line, so that a
    // view can pass over the lines it does not show.
    std::optional<std::pair<Millis, Millis>> markSpan(int i) const;

private:
    struct Edit {
        std::vector<std::pair<int, TimingLine>> before;  // lines as they were
        std::vector<std::pair<int, TimingLine>> after;
        Position cursorBefore, cursorAfter;
        std::optional<Millis> tapTime;
    };
    // Starts an edit: the lines it changes must be touched first.
    class Change;
    Syllable* syllableAt(const MarkRef& ref);
    void skipEmptyLines();
    void record(Edit edit);
    void apply(const std::vector<std::pair<int, TimingLine>>& lines, Position cursor);
    TimingLine& changeLine(int i);

    std::vector<TimingLine> m_lines;
    // Each line's text in the timed file, kept until an edit changes the
    // line: the preview writes the whole song after every mark, and a mark
    // changes one line.
    mutable std::vector<std::string> m_lineTexts;
    mutable std::vector<bool> m_lineTextKnown;
    mutable std::vector<std::optional<std::pair<Millis, Millis>>> m_markSpans;
    mutable std::vector<bool> m_markSpanKnown;
    Position m_cursor;
    std::vector<Edit> m_history;
    size_t m_done = 0;
    size_t m_savedAt = 0;
    std::optional<MarkRef> m_held;  // the syllable started by the last tap, until release
    Millis m_heldSince = 0;
};

// The tag text of a time: "[mm:ss:cc]", rounded to the nearest centisecond;
// negative times are 0 and minutes stop at 99.
std::string tagText(Millis t);

// Writes the timed lyrics as a karaoke tag file (.kra) through the tag file
// writer, atomically; failures are reported naming the file, and so are
// lyric lines left out for having no times yet (a warning).
bool writeTimedKra(const TimingDocument& doc, const std::string& path, Reporter& reporter);
// Writes the timed lyrics as UTF-8 text, atomically.
bool writeTimedText(const TimingDocument& doc, const std::string& path, Reporter& reporter);
// The lyric lines of the lyrics file at `path`, read as the timing window
// reads lyrics; none when there is no such file or it cannot be read. A save
// over a file that holds more lyric lines than the document is asked about first.
std::optional<int> lyricLinesInFile(const std::string& path, const ParseOptions& options);

// The recovery file of the marks being made, in the user's state folder
// (common/recovery_file.h), one per lyrics file and song. Its body holds
// where the next tap goes ("C", line, syllable), then every line with every
// syllable as it is, timed or not, so that restoring gives back exactly what
// was there.
RecoveryKey timingRecoveryKey(const std::string& lyricsPath, const std::string& songPath);
// False, with a warning naming the recovery file, when it cannot be written.
bool writeRecovery(const TimingDocument& doc, const RecoveryKey& key, Reporter& reporter);

struct RecoveredMarks {
    std::vector<TimingLine> lines;
    Position cursor;
};
struct Recovery {
    RecoveryState state = RecoveryState::Missing;
    RecoveredMarks marks;  // when Whole
    int64_t keptAt = 0;    // seconds since 1970, UTC
    std::string path;      // the recovery file
    std::string problem;   // why a Cut file cannot be restored
};
// The recovery file of `key`: Whole only when the file is whole and its body
// reads whole; a body that does not read is Cut too.
Recovery readRecovery(const RecoveryKey& key);
// The body, and reading it back (none unless it reads whole).
std::string recoveryText(const TimingDocument& doc);
std::optional<RecoveredMarks> readRecoveryText(std::string_view body);
// A document of the marks restored, the cursor where it was.
TimingDocument restoredDocument(RecoveredMarks marks);

}  // namespace kvelmor::timing
