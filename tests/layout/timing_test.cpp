// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/timing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "layout_test_support.h"

using namespace kvelmor;
using namespace kvelmor::layout;
using lyrics::Centiseconds;
using lyrics::LyricLine;
using lyrics::Song;

namespace {

using namespace kvelmor::layout::testing;

constexpr Centiseconds kMaxTime = std::numeric_limits<Centiseconds>::max();

LyricLine makeLine(std::string_view text) { return lineFromTags(text); }

// A line that is only a display window and a row, drawn at the row's height.
LyricLine window(Centiseconds start, Centiseconds end, int32_t row = 0) {
    LyricLine l;
    l.posY = 100 * row;
    l.startTime = start;
    l.endTime = end;
    l.startText = lyrics::formatScriptTime(start);
    l.endText = lyrics::formatScriptTime(end);
    l.rowNumber = row;
    return l;
}

settings::ConversionSettings plain() {
    settings::ConversionSettings s;
    s.setText("WinAMPTime", "0");
    s.setText("upTime", "0");
    s.setText("preTime", "80");
    s.setText("aftTime", "20");
    s.setText("spaceTime", "1");
    s.setText("spaceTimePre", "20");
    s.setText("spaceTimeAft", "30");
    s.setText("LyricsDispTime", "10");
    s.selectMember("DisplayType1");
    return s;
}

// Stages 2, 6, 7, 8.
void timeLines(Song& song, const settings::ConversionSettings& s) {
    computeTagExtremes(song);
    correctTimes(song, settings::ConversionOptions(s));
    computeSyllableDurations(song);
    applyLeadInOut(song, settings::ConversionOptions(s));
}

struct Window {
    Centiseconds start, end, advance;
};

void expectWindows(const Song& song, const std::vector<Window>& expected, const std::string& why) {
    ASSERT_EQ(song.lineCount(), static_cast<int>(expected.size())) << why;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& l = song.workLines[i];
        const Window& e = expected[static_cast<size_t>(i - 1)];
        EXPECT_EQ(l.startTime, e.start) << why << ", line " << i;
        EXPECT_EQ(l.endTime, e.end) << why << ", line " << i;
        EXPECT_EQ(l.advanceTime, e.advance) << why << ", line " << i;
        EXPECT_EQ(l.startText, lyrics::formatScriptTime(l.startTime)) << why << ", line " << i;
        EXPECT_EQ(l.endText, lyrics::formatScriptTime(l.endTime)) << why << ", line " << i;
    }
}

}  // namespace

TEST(Timing, TimeCorrectionDividesShiftsAndStopsAtZero) {
    struct Case {
        const char* winamp;
        const char* upTime;
        Centiseconds raw, expected;
        const char* why;
    };
    const Case cases[] = {
        {"1", "0", 1000, 1005, "1000 / 0.9953125 = 1004.71..."},
        {"1", "-5", 1000, 1000, "corrected, then shifted"},
        {"0", "-2000", 1000, 0, "a shift before the song starts stops at 0"},
        {"0", "2147483647", 1000, kMaxTime, "past the 32-bit range: held at the largest time"},
        {"0", "-99999999999", 1000, 0, "the most negative shift, without overflow"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = plain();
        s.setText("WinAMPTime", c.winamp);
        s.setText("upTime", c.upTime);
        s.setText("Command9", "255");
        Song song = songOf({makeLine(tag(c.raw) + "あい" + tag(c.raw))});
        LyricLine& line = song.workLines[1];
        line.preTimeUsed = line.aftTimeUsed = line.advanceTime = 9;
        line.unit(2).cellMark = true;
        line.markColour = "stale";
        computeTagExtremes(song);
        correctTimes(song, settings::ConversionOptions(s));
        EXPECT_EQ(line.unit(1).time, c.expected) << c.why;
        EXPECT_EQ(line.unit(4).time, c.expected) << c.why;
        expectWindows(song, {{c.expected, c.expected, 0}}, c.why);
        EXPECT_EQ(line.preTimeUsed + line.aftTimeUsed, 0) << c.why;
        EXPECT_EQ(lyrics::markColorText(line, 2), "255") << "a marked character takes Command9's colour";
        EXPECT_EQ(lyrics::markColorText(line, 3), "") << "an unmarked character has none";
    }
}

TEST(Timing, SyllableDurationsShareEachSyllableAmongItsCharacters) {
    struct Case {
        std::string line;
        std::vector<Centiseconds> durations;  // slots 1..unitCount
        const char* why;
    };
    const Case cases[] = {
        {tag(100) + "あい" + tag(111), {11, 6, 6, 0}, "round(1 + 5.5) = 6 and round(5.5) = 6: halves to even"},
        {tag(100) + "あいう" + tag(110), {10, 4, 3, 3, 0}, "the remainder goes to the first character"},
        {tag(100) + "あ" + tag(100) + "い" + tag(150), {0, 0, 50, 50, 0}, "equal tags: no length, no share"},
        {tag(200) + "あ" + tag(150) + "い" + tag(300), {0, 0, 150, 150, 0}, "an out-of-order tag: no length"},
        {"あ" + tag(100) + "い" + tag(140) + "う", {0, 40, 40, 0, 0}, "nothing outside the tags"},
    };
    for (const Case& c : cases) {
        Song song = songOf({makeLine(c.line)});
        LyricLine& line = song.workLines[1];
        for (int k = 1; k <= line.unitCount; ++k) line.unit(k).duration = 12345;  // an earlier run's
        timeLines(song, plain());
        std::vector<Centiseconds> got;
        for (int k = 1; k <= line.unitCount; ++k) got.push_back(line.unit(k).duration);
        EXPECT_EQ(got, c.durations) << c.why;
    }
    // A tag beyond every later line ("[99:59:99]") takes the time of the
    // tag before it: its syllable lasts no time, and the line ends soon after
    // it is sung instead of a hundred minutes later.
    {
        Song song = songOf({makeLine(tag(100) + "あ" + tag(150) + "い" + tag(599999)),
                            makeLine(tag(900) + "か" + tag(950))});
        timeLines(song, plain());
        const LyricLine& line = song.workLines[1];
        std::vector<Centiseconds> got;
        for (int k = 1; k <= line.unitCount; ++k) got.push_back(line.unit(k).duration);
        EXPECT_EQ(got, (std::vector<Centiseconds>{50, 50, 0, 0, 0}));
        EXPECT_EQ(line.endTime, 150 + 20);
        // A late tag within the later lines is kept: a singer may hold on
        // while other rows are sung.
        Song held = songOf({makeLine(tag(100) + "あ" + tag(960)), makeLine(tag(200) + "か" + tag(300)),
                            makeLine(tag(900) + "か" + tag(990))});
        timeLines(held, plain());
        EXPECT_EQ(held.workLines[1].unit(1).duration, 860);
    }
    // The out-of-order tag takes the next tag's time and text.
    Song song = songOf({makeLine(tag(200) + "あ" + tag(150) + "い" + tag(300))});
    timeLines(song, plain());
    EXPECT_EQ(song.workLines[1].unit(1).time, 150);
    EXPECT_EQ(lyrics::timeText(song.workLines[1].unit(1)), "0:00:01.50");
}

TEST(Timing, LeadInAndLeadOut) {
    struct Case {
        const char* preTime;
        const char* aftTime;
        const char* upTime;
        Centiseconds first, last;
        Centiseconds start, end, preUsed, aftUsed;
        const char* why;
    };
    const Case cases[] = {
        {"80", "20", "0", 200, 500, 120, 520, 80, 20, "ordinary"},
        {"80", "20", "0", 50, 500, 0, 520, 50, 20, "first tag at 0.50: from 0, lead-in 50"},
        {"80", "20", "-150", 100, 500, 0, 370, 0, 20, "shifted before the start: tag at 0, no lead-in"},
        {"99999999", "20", "0", 200, 500, 0, 520, 200, 20, "a huge lead-in is what there is"},
        {"80", "2147483647", "0", 200, 500, 120, kMaxTime, 80, kMaxTime, "a lead-out past the range is held"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = plain();
        s.setText("preTime", c.preTime);
        s.setText("aftTime", c.aftTime);
        s.setText("upTime", c.upTime);
        Song song = songOf({makeLine(tag(c.first) + "あ" + tag(c.last))});
        timeLines(song, s);
        expectWindows(song, {{c.start, c.end, 0}}, c.why);
        EXPECT_EQ(song.workLines[1].preTimeUsed, c.preUsed) << c.why;
        EXPECT_EQ(song.workLines[1].aftTimeUsed, c.aftUsed) << c.why;
    }
}

TEST(Timing, RowAssignment) {
    struct Case {
        const char* lineNumber;  // rows - 1
        std::vector<std::pair<Centiseconds, Centiseconds>> windows;
        std::vector<int32_t> rows;
        const char* why;
    };
    const Case cases[] = {
        {"1", {{0, 100}, {50, 150}, {120, 200}}, {1, 2, 1}, "overlap goes below; no free row starts over"},
        {"2", {{0, 500}, {10, 20}, {30, 40}, {501, 600}}, {1, 2, 3, 1}, "a screen lasts as long as its longest line"},
        {"2", {{0, 100}, {100, 200}}, {1, 2}, "starting as another ends is an overlap"},
        {"0", {{0, 100}, {50, 150}}, {1, 1}, "one row"},
        {"99999999999", {{0, 100}, {1, 100}}, {1, 2}, "at most ten rows, without overflow"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s;
        s.setText("LineNumber", c.lineNumber);
        s.setText("StyleNumber", "2");
        std::vector<LyricLine> lines;
        for (auto [start, end] : c.windows) lines.push_back(window(start, end));
        lines[0].kanjiStyle = "substyle1";
        Song song = songOf(lines);
        assignRows(song, settings::ConversionOptions(s));
        std::vector<int32_t> got;
        for (int i = 1; i <= song.lineCount(); ++i) got.push_back(song.workLines[i].rowNumber);
        EXPECT_EQ(got, c.rows) << c.why;
        EXPECT_EQ(song.workLines[1].kanjiStyle, "substyle1") << "a spare style stays";
        EXPECT_EQ(song.workLines[2].kanjiStyle, "Kanji2") << "the standard style follows StyleNumber";
    }
}

TEST(Timing, BatchDisplay) {
    struct Case {
        const char* lineNumber;
        const char* spaceTime;
        std::vector<LyricLine> lines;
        std::vector<Window> expected;
        const char* why;
    };
    const Case cases[] = {
        {"1", "1", {window(100, 300, 1), window(250, 500, 2), window(450, 700, 1), window(650, 900, 2)},
         {{100, 420, 0}, {100, 500, 150}, {450, 900, 0}, {520, 900, 130}},
         "rows come up 0.20 after the previous screen sang them; lines leave 0.30 before their row is reused; "
         "a screen's lines come up with its first and stay until the screen is sung"},
        {"1", "0", {window(100, 300, 1), window(250, 500, 2), window(450, 700, 1), window(650, 900, 2)},
         {{100, 450, 0}, {100, 500, 150}, {450, 900, 0}, {500, 900, 150}},
         "without spaceTime rows are handed over without a gap"},
        {"1", "1", {window(100, 300, 1), window(250, 500, 2), window(450, 700, 1), window(510, 900, 2)},
         {{100, 420, 0}, {100, 500, 150}, {450, 900, 0}, {510, 900, 0}},
         "a row needed within spaceTimePre of being sung is not moved"},
        {"2", "1",
         {window(0, 100, 1), window(50, 200, 2), window(300, 400, 1), window(350, 500, 2), window(450, 600, 3)},
         {{0, 200, 0}, {0, 200, 50}, {300, 600, 0}, {300, 600, 50}, {300, 600, 150}},
         "the previous screen is sung before the next is due: the next comes up whole"},
        {"0", "1", {window(100, 300, 1), window(250, 500, 1), window(450, 700, 1)},
         {{100, 300, 0}, {250, 500, 0}, {450, 700, 0}}, "one row: every line its own screen, no change"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = plain();
        s.setText("LineNumber", c.lineNumber);
        s.setText("spaceTime", c.spaceTime);
        Song song = songOf(c.lines);
        applyBatchDisplay(song, settings::ConversionOptions(s));
        expectWindows(song, c.expected, c.why);

        s.selectMember("DisplayType2");
        Song sequential = songOf(c.lines);
        applyBatchDisplay(sequential, settings::ConversionOptions(s));
        EXPECT_EQ(sequential.workLines[1].startTime, c.lines[0].startTime) << "one after another: unchanged";
        EXPECT_EQ(sequential.workLines[1].endTime, c.lines[0].endTime) << "one after another: unchanged";
    }
}

namespace {
// New line priority with the lead LyricsDispTime over `lines`: the end each
// line is given, and the first line's end text to match.
void expectPriorityEnds(const char* lead, const std::vector<LyricLine>& lines, const std::vector<Centiseconds>& ends,
                        const char* why) {
    settings::ConversionSettings s;
    s.setText("LyricsDispTime", lead);
    Song song = songOf(lines);
    applyNewLinePriority(song, settings::ConversionOptions(s));
    std::vector<Centiseconds> got;
    for (int i = 1; i <= song.lineCount(); ++i) got.push_back(song.workLines[i].endTime);
    EXPECT_EQ(got, ends) << why;
    EXPECT_EQ(song.workLines[1].endText, lyrics::formatScriptTime(ends[0])) << why;
}
}  // namespace

TEST(Timing, NewLinePriorityEndsTheLineWhoseRowIsNeeded) {
    struct Case {
        const char* lead;  // LyricsDispTime
        std::vector<LyricLine> lines;
        std::vector<Centiseconds> ends;
        const char* why;
    };
    const Case cases[] = {
        {"10", {window(0, 500, 1), window(100, 300, 2), window(400, 600, 1)}, {390, 300, 600}, "0.10 before"},
        {"99999999", {window(0, 500, 1), window(400, 600, 1)}, {0, 600}, "never before 0"},
        {"10", {window(0, 500, 1), window(400, 450, 1), window(440, 600, 1)}, {390, 430, 600},
         "each line is cut by the next in its row"},
        {"10", {window(0, 500, 0), window(100, 600, 0)}, {500, 600}, "lines without a row are left alone"},
    };
    for (const Case& c : cases) expectPriorityEnds(c.lead, c.lines, c.ends, c.why);
}

TEST(Timing, StagesInRefreshOrderInBothDisplayModes) {
    // Two rows; the third line needs row 1 at 3.20 while the first is shown
    // until 5.20.
    settings::ConversionSettings s = plain();
    s.setText("LineNumber", "1");
    auto run = [&](const char* mode) {
        s.selectMember(mode);
        Song song = songOf({makeLine(tag(100) + "あ" + tag(500)), makeLine(tag(200) + "い" + tag(300)),
                            makeLine(tag(400) + "う" + tag(600))});
        timeLines(song, s);
        assignRows(song, settings::ConversionOptions(s));
        applyBatchDisplay(song, settings::ConversionOptions(s));
        for (int i = 1; i <= song.lineCount(); ++i) song.workLines[i].posY = 100 * song.workLines[i].rowNumber;
        applyNewLinePriority(song, settings::ConversionOptions(s));
        return song;
    };
    // The first line is sung until 5.00, the third from 4.00: the third
    // comes up at its first tag, without lead-in, and the first leaves then.
    expectWindows(run("DisplayType2"), {{20, 400, 0}, {120, 320, 0}, {400, 620, 0}}, "one line after another");
    expectWindows(run("DisplayType1"), {{20, 400, 0}, {20, 320, 100}, {400, 620, 0}},
                  "group display: the second line comes up with the first");
}

// A line that starts less than LyricsDispTime before the next line of its row
// (or after it) would be cut to end before it starts, which renderers reject.
TEST(Timing, NewLinePriorityNeverEndsALineBeforeItStarts) {
    struct Case {
        std::vector<LyricLine> lines;
        std::vector<Centiseconds> ends;
        const char* why;
    };
    const Case cases[] = {
        {{window(100, 500, 1), window(105, 600, 1)}, {100, 600}, "0.05 apart with a lead of 0.10"},
        {{window(100, 500, 1), window(100, 600, 1)}, {100, 600}, "both start together"},
        {{window(300, 500, 1), window(200, 600, 1)}, {300, 600}, "the later line in the file starts first"},
    };
    for (const Case& c : cases) expectPriorityEnds("10", c.lines, c.ends, c.why);
}

// A lead-out below minus the lead-in (aftTime is only digits in the window,
// but --set and the settings file take "-100") would end a line before it is
// shown.
TEST(Timing, NegativeLeadOutNeverEndsALineBeforeItStarts) {
    settings::ConversionSettings s = plain();
    s.setText("aftTime", "-100");
    Song song = songOf({makeLine(tag(1000) + "あ" + tag(1000)), makeLine(tag(2000) + "い" + tag(2500))});
    timeLines(song, s);
    expectWindows(song, {{920, 920, 0}, {1920, 2400, 0}}, "held at the start; cut by 1.00 when there is room");
}

// Batch display brings a screen up with its first row and takes it down with
// its last; when a later row is sung before the first (lines out of order)
// that would end lines before they start.
TEST(Timing, BatchDisplayOfLinesOutOfOrderNeverEndsALineBeforeItStarts) {
    settings::ConversionSettings s = plain();
    s.setText("LineNumber", "2");
    Song song = songOf({makeLine(tag(1000) + "あ" + tag(1100)), makeLine(tag(1050) + "い" + tag(1200)),
                        makeLine(tag(120) + "う" + tag(200))});
    timeLines(song, s);
    assignRows(song, settings::ConversionOptions(s));
    ASSERT_EQ(song.workLines[3].rowNumber, 3);
    applyBatchDisplay(song, settings::ConversionOptions(s));
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& l = song.workLines[i];
        EXPECT_GE(l.endTime, l.startTime) << "line " << i;
        EXPECT_EQ(l.endText, lyrics::formatScriptTime(l.endTime)) << "line " << i;
    }
}

// Changing StyleNumber runs only stages 5 and 6, so the windows time
// correction leaves are written as they are; a line whose tags run backwards
// must not end before it starts even then.
TEST(Timing, TimeCorrectionOfTagsOutOfOrderNeverEndsBeforeTheStart) {
    settings::ConversionSettings s = plain();
    Song song = songOf({makeLine(tag(500) + "あ" + tag(300)), makeLine(tag(600) + "い" + tag(700))});
    computeTagExtremes(song);
    correctTimes(song, settings::ConversionOptions(s));
    expectWindows(song, {{500, 500, 0}, {600, 700, 0}}, "the first line's tags run backwards");
}
