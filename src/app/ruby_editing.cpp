// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ruby_editing.h"

#include <algorithm>

#include "app/lyrics_editing.h"
#include "app/session.h"
#include "layout/placement.h"
#include "layout/spans.h"

namespace kvelmor::app {

using lyrics::LyricLine;
using lyrics::LyricUnit;

namespace {

bool hasRuby(const LyricLine& line) {
    const int last = layout::usedSlots(line);
    for (int k = 1; k <= last; ++k)
        if (line.unit(k).isChar && !line.unit(k).rubyFields().ruby.empty()) return true;
    return false;
}

bool isCharSlot(const LyricLine& line, int k) { return k >= 1 && k <= layout::usedSlots(line) && line.unit(k).isChar; }

// The character slot `count` characters on from `k` (k itself counts as the
// first), or the line's last character slot when it has fewer.
int lastCovered(const LyricLine& line, int k, int count) {
    const int last = layout::usedSlots(line);
    int end = k;
    for (int i = k, seen = 0; i <= last && seen < count; ++i) {
        if (!line.unit(i).isChar) continue;
        end = i;
        ++seen;
    }
    return end;
}

// Characters from slot `from` up to slot `to`, both included.
int charsBetween(const LyricLine& line, int from, int to) {
    int n = 0;
    for (int i = from; i <= to; ++i)
        if (line.unit(i).isChar) ++n;
    return n;
}

}  // namespace

int findCellSlot(const LyricLine& line, int from, CellMove move) {
    const int last = layout::usedSlots(line);
    int first = 0;
    int lastChar = 0;
    for (int k = 1; k <= last; ++k) {
        if (!line.unit(k).isChar) continue;
        if (!first) first = k;
        lastChar = k;
    }
    switch (move) {
    case CellMove::First: return first;
    case CellMove::Last: return lastChar;
    case CellMove::Previous:
        for (int k = std::min(from, last + 1) - 1; k >= 1; --k)
            if (line.unit(k).isChar) return k;
        return lastChar;
    case CellMove::Next:
        for (int k = std::max(from, 0) + 1; k <= last; ++k)
            if (line.unit(k).isChar) return k;
        return first;
    }
    return 0;
}

bool rubyCopy(lyrics::LineTable& table, int source) {
    if (source < 1 || source > table.count()) return false;
    const LyricLine& from = table[source];
    if (!hasRuby(from)) return false;
    const int fromLast = layout::usedSlots(from);
    bool reached = false;  // a line of this text with ruby was passed
    bool changed = false;
    for (int b = 1; b <= table.count(); ++b) {
        if (b == source) {
            reached = true;
            continue;
        }
        LyricLine& line = table[b];
        if (line.plainText != from.plainText) continue;
        reached = reached || hasRuby(line);
        if (!reached) continue;
        // Each character of the line takes the ruby of the next slot of the
        // source with the same text; the texts are equal, so that is the
        // character in the same place.
        int p = 0;
        const int last = layout::usedSlots(line);
        for (int g = 1; g <= last; ++g) {
            LyricUnit& u = line.unit(g);
            if (!u.isChar) continue;
            do ++p;
            while (p < fromLast && from.unit(p).text != u.text);
            if (p > fromLast || !from.unit(p).isChar || from.unit(p).text != u.text) continue;
            const lyrics::SlotRuby& r = from.unit(p).rubyFields();
            const lyrics::SlotRuby& old = u.rubyFields();
            if (r.ruby == old.ruby && r.rubyWidth == old.rubyWidth && r.rubySpan == old.rubySpan) continue;
            lyrics::SlotRuby& to = u.editRuby();
            to.ruby = r.ruby;
            // The tags inside a reading time it in its own line only.
            to.beats.clear();
            to.rubyWidth = r.rubyWidth;
            to.rubySpan = r.rubySpan;
            changed = true;
        }
    }
    return changed;
}

bool storeRuby(LyricLine& line, int slot, std::string_view typed, int span, int32_t width) {
    if (!isCharSlot(line, slot)) return false;
    std::string text(typed);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    if (lyrics::holdsTimeTag(text)) return false;
    LyricUnit& u = line.unit(slot);
    const lyrics::SlotRuby before = u.rubyFields();
    if (text.empty()) {
        u.rubyHolder.clear();
        return !(before == u.rubyFields());
    }
    const int end = lastCovered(line, slot, std::max(span, 1));
    // An earlier ruby reaching this slot now ends before it.
    for (int k = slot - 1; k >= 1; --k) {
        LyricUnit& e = line.unit(k);
        if (!e.isChar || e.rubyFields().ruby.empty()) continue;
        const int reach = charsBetween(line, k, slot - 1);
        if (e.rubyFields().rubySpan > reach) e.editRuby().rubySpan = reach;
        break;
    }
    for (int k = slot + 1; k <= end; ++k) line.unit(k).rubyHolder.clear();
    lyrics::SlotRuby& r = u.editRuby();
    // The tags inside a reading belong to its text; a new text has none.
    if (r.ruby != text) r.beats.clear();
    r.ruby = std::move(text);
    r.rubyWidth = width;
    r.rubySpan = charsBetween(line, slot, end);
    return true;
}

void toggleLineMarks(LyricLine& line) {
    const int last = layout::usedSlots(line);
    bool anyMarked = false;
    for (int k = 1; k <= last; ++k) anyMarked = anyMarked || (line.unit(k).isChar && line.unit(k).cellMark);
    for (int k = 1; k <= last; ++k)
        if (line.unit(k).isChar) line.unit(k).cellMark = !anyMarked;
}

LineStyle lineStyle(const LyricLine& line) {
    if (line.kanjiStyle == "substyle1") return LineStyle::Sub1;
    if (line.kanjiStyle == "substyle2") return LineStyle::Sub2;
    return LineStyle::Standard;
}

void cycleStyle(LyricLine& line, const std::string& styleNumber) {
    switch (lineStyle(line)) {
    case LineStyle::Standard: line.kanjiStyle = "substyle1"; break;
    case LineStyle::Sub1: line.kanjiStyle = "substyle2"; break;
    case LineStyle::Sub2: line.kanjiStyle = "Kanji" + styleNumber; break;
    }
}

RubyEditing::RubyEditing(Session& session)
    : m_session(session), m_opened(session.song), m_editedBefore(session.lyricsEdited) {
    if (lineCount() > 0) m_cursor = findCellSlot(line(), 0, CellMove::First);
}

void RubyEditing::cancel() {
    m_session.song = m_opened;
    m_session.lyricsEdited = m_editedBefore;
    m_changed = false;
}

void RubyEditing::setCursorSlot(int slot) {
    if (isCharSlot(line(), slot)) m_cursor = slot;
}

void RubyEditing::showLine(int lineNo) {
    if (lineNo < 1 || lineNo > lineCount()) return;
    m_line = lineNo;
    m_cursor = findCellSlot(line(), 0, CellMove::First);
}

int RubyEditing::lineCount() const { return m_session.song.lineCount(); }

const LyricLine& RubyEditing::line() const { return m_session.song.workLines[lineCount() > 0 ? m_line : 0]; }

LyricLine& RubyEditing::editLine() { return m_session.song.workLines[lineCount() > 0 ? m_line : 0]; }

int32_t RubyEditing::cellPosition(CellMove move) {
    const int k = findCellSlot(line(), m_cursor, move);
    if (k == 0) return 0;
    m_cursor = k;
    return layout::cellLeft(line(), k);
}

void RubyEditing::widenCell() { m_cellWidth = std::min(m_cellWidth + 1, lyrics::kMaxSlots); }

void RubyEditing::narrowCell() { m_cellWidth = std::max(m_cellWidth - 1, 1); }

int32_t RubyEditing::cursorLeft() const { return m_cursor ? layout::cellLeft(line(), m_cursor) : line().posX; }

int32_t RubyEditing::cursorWidth() const { return m_cursor ? layout::runWidth(line(), m_cellWidth, m_cursor) : 0; }

void RubyEditing::changeLine(int delta) {
    const int n = lineCount();
    if (n == 0) return;
    m_changed = rubyCopy(m_session.song.workLines, m_line) || m_changed;
    m_line = (m_line - 1 + delta + n) % n + 1;
    m_cursor = findCellSlot(line(), 0, CellMove::First);
}

std::string RubyEditing::cursorRuby() const {
    return isCharSlot(line(), m_cursor) ? line().unit(m_cursor).rubyFields().ruby : std::string();
}

void RubyEditing::storeCursorRuby(std::string_view typed) {
    if (!isCharSlot(line(), m_cursor)) return;
    if (lyrics::holdsTimeTag(typed)) {
        m_session.reporter().error("a reading cannot hold a time tag (\"[mm:ss:cc]\"): the tag file would read it "
                                   "back as lyrics, so it was not stored",
                                   kRubyEditorName, m_line);
        return;
    }
    const int32_t width = layout::rubyTextWidth(m_session.measurer(), layout::rubyFont(m_session.options()), typed);
    m_changed = storeRuby(editLine(), m_cursor, typed, m_cellWidth, width) || m_changed;
}

void RubyEditing::toggleLineMarks() {
    if (!m_cursor) return;
    app::toggleLineMarks(editLine());
    m_changed = true;
}

void RubyEditing::toggleCursorMark() {
    if (!isCharSlot(line(), m_cursor)) return;
    LyricUnit& u = editLine().unit(m_cursor);
    u.cellMark = !u.cellMark;
    m_changed = true;
}

void RubyEditing::cycleStyle() {
    if (lineCount() == 0) return;
    app::cycleStyle(editLine(), m_session.options().styleNumber);
    m_changed = true;
}

void RubyEditing::finish() {
    if (m_changed) {
        m_session.lyricsEdited = true;
        keepReadingsInReadLines(m_session);
    }
    m_session.runStages({14, 15});
    if (m_session.song.rubyState != lyrics::kRubyAssigned) m_changed = true;
    m_session.song.rubyState = lyrics::kRubyAssigned;
}

}  // namespace kvelmor::app
