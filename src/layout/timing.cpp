// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/timing.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "common/number_text.h"
#include "layout/spans.h"
#include "lyrics/time_value.h"

namespace kvelmor::layout {

using lyrics::Centiseconds;
using lyrics::LyricLine;

namespace {

// Times are worked out in 64 bits and stored held inside the 32-bit range:
// a typed setting such as preTime 99999999 or upTime -2147483648 can push a
// sum past it, and such a time is kept at the end of the range rather than
// wrapped.
Centiseconds toTime(int64_t v) {
    return static_cast<Centiseconds>(std::clamp<int64_t>(v, std::numeric_limits<Centiseconds>::min(),
                                                         std::numeric_limits<Centiseconds>::max()));
}

void setStart(LyricLine& line, int64_t t) {
    line.startTime = toTime(t);
    line.startText = lyrics::formatScriptTime(line.startTime);
}

void setEnd(LyricLine& line, int64_t t) {
    line.endTime = toTime(t);
    line.endText = lyrics::formatScriptTime(line.endTime);
}

// The first and the last tag slot of a line, 0 when the line has none.
int firstTag(const LyricLine& line) {
    const int last = usedSlots(line);
    for (int k = 1; k <= last; ++k)
        if (!line.unit(k).isChar) return k;
    return 0;
}

int lastTag(const LyricLine& line) {
    for (int k = usedSlots(line); k >= 1; --k)
        if (!line.unit(k).isChar) return k;
    return 0;
}

// One row of a screen while batch display works on it.
struct ScreenRow {
    int line = 0;  // index of the line in this row; 0 when no line holds it
    int64_t start = 0;
    int64_t end = 0;
    bool started = false;
    bool ended = false;
};

struct Screen {
    std::vector<int> lines;  // in table order
    int rowCount = 0;        // rowNumber of the screen's last line
    std::vector<ScreenRow> rows = std::vector<ScreenRow>(1);  // 1-based

    ScreenRow& row(int r) { return rows[static_cast<size_t>(r)]; }
};

std::vector<Screen> buildScreens(const lyrics::LineTable& table) {
    std::vector<Screen> screens;
    for (auto& group : groupScreens(table)) {
        Screen sc;
        sc.lines = std::move(group);
        for (int i : sc.lines) {
            const LyricLine& l = table[i];
            sc.rowCount = l.rowNumber;
            if (l.rowNumber < 1) continue;  // no row to enter it in (rows are not assigned yet)
            if (sc.rows.size() <= static_cast<size_t>(l.rowNumber))
                sc.rows.resize(static_cast<size_t>(l.rowNumber) + 1);
            sc.row(l.rowNumber) = {i, l.startTime, l.endTime, false, false};
        }
        screens.push_back(std::move(sc));
    }
    return screens;
}

}  // namespace

bool karaokeSweeps(const settings::ConversionOptions& o) {
    using settings::Wipe;
    switch (o.wipe) {
    case Wipe::NoWipe: return false;
    case Wipe::FreeSetting:
    case Wipe::Emphasis:
    case Wipe::PerCharacterSetting:
    case Wipe::PerWord: return o.templates.karaokeWipe;
    case Wipe::Karaoke:
    case Wipe::PerCharacter:
    case Wipe::Border: return true;
    }
    return true;
}

int32_t rowCount(const settings::ConversionOptions& o) {
    const int64_t r = o.rows.chosen;
    return static_cast<int32_t>(std::clamp<int64_t>(r, 1, kMaxRows));
}

std::vector<std::vector<int>> groupScreens(const lyrics::LineTable& lines) {
    std::vector<std::vector<int>> screens;
    for (int i = 1; i <= lines.count(); ++i) {
        if (i == 1 || lines[i].rowNumber <= lines[i - 1].rowNumber) screens.emplace_back();
        screens.back().push_back(i);
    }
    return screens;
}

void computeTagExtremes(lyrics::Song& song) {
    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        const int f = firstTag(line);
        const int l = lastTag(line);
        line.firstTagTime = f ? line.unit(f).rawTime : 0;
        line.lastTagTime = l ? line.unit(l).rawTime : 0;
    }
}

void correctTimes(lyrics::Song& song, const settings::ConversionOptions& o) {
    const int64_t shift = o.timing.shift;
    const bool corrected = o.timing.correction;
    const std::string markColour = std::to_string(o.colours.standard.mark);
    // The corrected time is rounded half to even before the whole-number
    // shift is added, which is the same as rounding the sum.
    auto shifted = [&](Centiseconds written) -> int64_t {
        return (corrected ? lyrics::correctTime(written) : written) + shift;
    };

    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        line.preTimeUsed = 0;
        line.aftTimeUsed = 0;
        line.advanceTime = 0;
        // A negative shift can move a time before the song starts; like the
        // tags, the line times stop at 0 (a script cannot show a line
        // earlier). Lines with tags get their final start and end from the
        // lead-in stage anyway.
        // A line whose last tag comes before its first ends where it starts;
        // the syllable stage puts such tags in order, but a refresh that
        // stops here (StyleNumber runs stages 5 and 6) writes these times.
        setStart(line, std::max<int64_t>(0, shifted(line.firstTagTime)));
        setEnd(line, std::max<int64_t>(line.startTime, shifted(line.lastTagTime)));

        const int last = usedSlots(line);
        line.markColour = markColour;
        for (int k = 1; k <= last; ++k) {
            lyrics::LyricUnit& u = line.unit(k);
            if (u.isChar) {
                // The tags inside a reading are tags too.
                if (!u.rubyFields().beats.empty())
                    for (lyrics::RubyBeat& b : u.editRuby().beats) b.time = toTime(std::max<int64_t>(0, shifted(b.rawTime)));
                continue;
            }
            u.time = toTime(std::max<int64_t>(0, shifted(u.rawTime)));
        }
    }
}

void computeSyllableDurations(lyrics::Song& song) {
    auto& table = song.workLines;
    // For each line, the latest tag time of the lines after it (none for the
    // last line, or when no later line has tags).
    std::vector<std::optional<Centiseconds>> latestLater(static_cast<size_t>(table.count()) + 2);
    for (int i = table.count() - 1; i >= 1; --i) {
        std::optional<Centiseconds> latest = latestLater[static_cast<size_t>(i + 1)];
        if (const int l = lastTag(table[i + 1]); l != 0)
            latest = std::max(latest.value_or(table[i + 1].unit(l).time), table[i + 1].unit(l).time);
        latestLater[static_cast<size_t>(i)] = latest;
    }
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        const int last = usedSlots(line);
        // Slots that no syllable covers (characters before the first or after
        // the last tag, and the last tag itself) keep a duration of 0 rather
        // than one left by an earlier run.
        for (int k = 1; k <= last; ++k) line.unit(k).duration = 0;

        // A tag far later than every tag of the lines after it ("[99:99:99]"
        // typed for "[00:09:99]") is out of range: it takes the time of the
        // tag before it, so its syllable lasts no time instead of minutes,
        // and the line is not kept up long after it was sung.
        if (const std::optional<Centiseconds> limit = latestLater[static_cast<size_t>(i)]) {
            int previous = 0;
            for (int k = 1; k <= last; ++k) {
                lyrics::LyricUnit& u = line.unit(k);
                if (u.isChar) continue;
                if (previous != 0 && u.time > int64_t{*limit} + lyrics::kMistypedTagSlack)
                    u.time = line.unit(previous).time;
                previous = k;
            }
        }

        int next = last;  // the most recently visited tag slot, walking down
        for (int k = last; k >= 1; --k) {
            lyrics::LyricUnit& tag = line.unit(k);
            if (tag.isChar) continue;
            const lyrics::LyricUnit& nextTag = line.unit(next);
            if (!nextTag.isChar) {
                const int64_t diff = static_cast<int64_t>(nextTag.time) - tag.time;
                if (diff < 1) {
                    // Equal or out-of-order tags: a syllable of no length that
                    // ends where the next one starts.
                    tag.duration = 0;
                    tag.time = nextTag.time;
                } else {
                    tag.duration = toTime(diff);
                }
                // The characters between share the syllable. Each share is
                // d / n rounded half to even, and the first one also takes the
                // remainder d mod n; with halves the shares can add up to a
                // little more than d (11 over 2 gives 6 and 6). Kept so that
                // wipes and ruby timing match the scripts users already have.
                const int n = next - k - 1;
                if (n > 0) {
                    const double share = static_cast<double>(tag.duration) / n;
                    const int64_t rem = tag.duration % n;
                    line.unit(k + 1).duration = toTime(roundHalfEven(static_cast<double>(rem) + share));
                    for (int c = k + 2; c < next; ++c) line.unit(c).duration = toTime(roundHalfEven(share));
                }
            }
            next = k;
        }
    }
}

void applyLeadInOut(lyrics::Song& song, const settings::ConversionOptions& o) {
    const int64_t preTime = o.timing.leadIn;
    const int64_t aftTime = o.timing.leadOut;
    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        const int f = firstTag(line);
        if (f == 0) continue;  // without tags the corrected times stay
        const int l = lastTag(line);

        const Centiseconds first = line.unit(f).time;
        line.preTimeUsed = toTime(preTime);
        if (first - preTime < 0) {
            // Not before the song starts: the lead-in is what there is.
            line.preTimeUsed = first;
            setStart(line, 0);
        } else {
            setStart(line, first - preTime);
        }
        line.aftTimeUsed = toTime(aftTime);
        // A negative aftTime (typed with --set or into the settings file) is
        // held where it would end the line before it starts.
        setEnd(line, std::max<int64_t>(line.unit(l).time + aftTime, line.startTime));
    }
}

void assignRows(lyrics::Song& song, const settings::ConversionOptions& o) {
    const int32_t rows = rowCount(o);
    const std::string kanjiStyle = "Kanji" + o.styleNumber;
    int32_t row = 1;
    // End of the lines on the current screen; the first line always opens
    // a screen, whatever its start.
    int64_t lastEnd = std::numeric_limits<int64_t>::min();
    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        if (lastEnd >= line.startTime && row < rows) {
            ++row;
            lastEnd = std::max<int64_t>(lastEnd, line.endTime);
        } else {
            row = 1;
            lastEnd = line.endTime;
        }
        line.rowNumber = row;
        if (line.kanjiStyle != "substyle1" && line.kanjiStyle != "substyle2") line.kanjiStyle = kanjiStyle;
    }
}

namespace {

// The display windows as the rows planned them, kept for the time-order
// check: the later stages cut or hold back lines that would share a row.
void keepPlannedWindows(lyrics::LineTable& table) {
    for (int i = 1; i <= table.count(); ++i) {
        table[i].plannedStart = table[i].startTime;
        table[i].plannedEnd = table[i].endTime;
    }
}

}  // namespace

namespace {

// The end a line of a screen takes when the screen ends with its last row:
// that row's end, unless the line itself is still sung then (a duet's
// other voice that holds on past the last row); such a line keeps its own
// end instead of vanishing mid-syllable.
int64_t screenEnd(const LyricLine& line, int64_t rowEnd) {
    const int l = lastTag(line);
    if (l != 0 && rowEnd < line.unit(l).time) return std::max<int64_t>(rowEnd, line.endTime);
    return rowEnd;
}

}  // namespace

void applyBatchDisplay(lyrics::Song& song, const settings::ConversionOptions& o) {
    auto& table = song.workLines;
    if (o.timing.display == settings::DisplayType::OneByOne || table.count() < 2) {
        keepPlannedWindows(table);
        return;
    }

    const bool spaced = o.timing.groupGaps;
    const int64_t spacePre = o.timing.gapBefore;
    const int64_t spaceAft = o.timing.gapAfter;
    std::vector<Screen> screens = buildScreens(table);

    // Moves the line of row k of a screen to start at newStart; advanceTime
    // records how much earlier than its own lead-in start that is.
    auto moveStart = [&](ScreenRow& row, int64_t newStart) {
        LyricLine& l = table[row.line];
        l.advanceTime = toTime(row.start - newStart);
        setStart(l, newStart);
        row.start = l.startTime;
    };

    // The first screen comes up with its first line.
    if (Screen& first = screens.front(); first.rowCount >= 1) {
        const int64_t base = first.row(1).start;
        for (int k = 1; k <= first.rowCount; ++k) {
            ScreenRow& row = first.row(k);
            if (row.line == 0) continue;
            moveStart(row, base);
            row.started = true;
        }
    }

    for (size_t si = 1; si < screens.size(); ++si) {
        Screen& prev = screens[si - 1];
        Screen& cur = screens[si];
        for (int r = 1; r <= cur.rowCount; ++r) {
            for (int e = prev.rowCount; e >= r; --e) {
                const int64_t prevEnd = prev.row(e).end;
                if (!(prevEnd < cur.row(r).start)) continue;
                // Row e of the previous screen is sung before row r is needed.
                const bool lastRow = e == prev.rowCount;
                const int affectedTo = lastRow ? cur.rowCount : e;

                for (int k = r; k <= std::min(affectedTo, cur.rowCount); ++k) {
                    ScreenRow& row = cur.row(k);
                    if (row.started || row.line == 0) continue;
                    if (r == 1) {
                        moveStart(row, cur.row(1).start);
                    } else if (table[row.line].startTime - prevEnd > spacePre) {
                        moveStart(row, spaced ? prevEnd + spacePre : prevEnd);
                    } else {
                        setStart(table[row.line], table[row.line].startTime);
                    }
                    row.started = true;
                }

                const int64_t rowStart = cur.row(r).start;  // as moved just above
                for (int k = r; k <= std::min(affectedTo, prev.rowCount); ++k) {
                    ScreenRow& row = prev.row(k);
                    if (row.ended || row.line == 0) continue;
                    LyricLine& m = table[row.line];
                    if (lastRow) {
                        // The whole previous screen stays until it is sung.
                        setEnd(m, screenEnd(m, prevEnd));
                        row.end = m.endTime;
                        row.ended = true;
                    } else if (rowStart - m.endTime > spaceAft) {
                        // The row is needed again: leave a little before.
                        setEnd(m, spaced ? rowStart - spaceAft : rowStart);
                        row.end = m.endTime;
                        row.ended = true;
                    }
                }
            }
        }
    }

    // The last screen stays until its last row is sung.
    if (Screen& last = screens.back(); last.rowCount >= 1 && last.row(last.rowCount).line != 0) {
        const int64_t end = last.row(last.rowCount).end;
        for (int i : last.lines) setEnd(table[i], screenEnd(table[i], end));
    }

    // Lines out of time order (a later row sung before an earlier one) can be
    // moved to start after the end the screen gives them; such a line ends
    // where it starts (an empty event) rather than before it.
    for (int i = 1; i <= table.count(); ++i)
        if (table[i].endTime < table[i].startTime) setEnd(table[i], table[i].startTime);
    keepPlannedWindows(table);
}

namespace {

// The time of a line's first tag: the latest a line may come up and still
// have its lead-in; its start when it has no tags.
int64_t firstSungTime(const LyricLine& line) {
    const int f = firstTag(line);
    return f ? std::max<int64_t>(line.unit(f).time, line.startTime) : line.startTime;
}

// The time of a line's last tag: until then it is being sung.
int64_t lastSungTime(const LyricLine& line) {
    const int l = lastTag(line);
    return l ? std::max<int64_t>(line.unit(l).time, line.startTime) : line.startTime;
}

// Shows the line later, at `t` (never after its first tag): its lead-in
// shortens by as much, first the part batch display added, so that its first
// syllable still sweeps at its tag.
void showFrom(LyricLine& line, int64_t t) {
    // Never past its own end: a line whose tags go backwards may end before
    // its first sung time, and an event may not end before it starts.
    const int64_t delay = std::min<int64_t>({t, firstSungTime(line), line.endTime}) - line.startTime;
    if (delay <= 0) return;
    const int64_t fromAdvance = std::clamp<int64_t>(delay, 0, std::max<int64_t>(0, line.advanceTime));
    line.advanceTime = toTime(line.advanceTime - fromAdvance);
    line.preTimeUsed = toTime(std::max<int64_t>(0, line.preTimeUsed - (delay - fromAdvance)));
    setStart(line, line.startTime + delay);
}

// Line `shown` holds a row or a screen position that line `next` takes while
// `shown` is still up. With new line priority the shown line leaves `lead`
// before the next one comes up; otherwise the next one waits until the shown
// one has gone. Either way a line stays until its last syllable is sung,
// unless the next line is sung before that (its first tag is the latest it
// can come up), and the next line never comes up after its first tag.
void settleRow(LyricLine& shown, LyricLine& next, bool newLineFirst, int64_t lead) {
    if (!(next.startTime < shown.endTime)) return;
    const int64_t keep = std::min(lastSungTime(shown), firstSungTime(next));
    if (newLineFirst) {
        const int64_t cut = next.startTime - lead;
        if (cut >= keep) {
            // An event may be empty, but it may not end before it starts.
            setEnd(shown, std::max<int64_t>({0, cut, shown.startTime}));
            return;
        }
        setEnd(shown, std::max<int64_t>(keep, shown.startTime));
        showFrom(next, shown.endTime + lead);
    } else {
        showFrom(next, shown.endTime);
    }
    if (shown.endTime > next.startTime) setEnd(shown, std::max<int64_t>(next.startTime, shown.startTime));
}

}  // namespace

void applyNewLinePriority(lyrics::Song& song, const settings::ConversionOptions& o) {
    const bool newLineFirst = o.timing.newLineFirst;
    const int64_t lead = o.timing.newLineLead;
    // The line last placed in each row, indexed by rowNumber; rows outside
    // 1..kMaxRows are not tracked. 0: the row has held no line yet.
    std::vector<int> rows(kMaxRows + 1, 0);
    auto& table = song.workLines;
    auto hasRow = [](const LyricLine& l) { return l.rowNumber >= 1 && l.rowNumber <= kMaxRows; };
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        if (!hasRow(line)) continue;
        // With new line priority a line takes its row from the line before it
        // in that row, wherever bottom alignment put either of them.
        if (newLineFirst) {
            int& occupant = rows[static_cast<size_t>(line.rowNumber)];
            if (occupant != 0) settleRow(table[occupant], line, true, lead);
            occupant = i;
        }
        // Lines drawn at the same height are never up together, whatever
        // their rows (bottom alignment moves screens onto other rows).
        for (int j = 1; j < i; ++j)
            if (hasRow(table[j]) && table[j].posY == line.posY) settleRow(table[j], line, newLineFirst, lead);
    }
}

}  // namespace kvelmor::layout
