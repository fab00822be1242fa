// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "measure/fixed_measurer.h"
#include "lyrics/reader.h"
#include "lyrics/segmentation.h"
#include "settings/conversion_settings.h"

using namespace kvelmor;
using namespace kvelmor::lyrics;

namespace {

struct ChecksFixture : ::testing::Test {
    settings::ConversionSettings settings;
    measure::FixedMeasurer measurer;
    CollectingReporter reporter;
    Song song;

    ChecksFixture() { settings.setText("WinAMPTime", "0"); }

    // Working lines built from the text (no line break), then repaired.
    int buildAndRepair(const std::string& text) {
        EXPECT_TRUE(loadLyricsText(song, text, "song.txt", settings, measurer, reporter).ok);
        rebuildWorkLines(song, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
        reporter.reports.clear();
        return repairLineTags(song, kvelmor::settings::ConversionOptions(settings), reporter);
    }

    LyricLine& addLine() { return song.workLines.appendLine(); }
};

std::vector<std::string> slots(const LyricLine& l) {
    std::vector<std::string> out;
    for (int i = 1; i <= l.unitCount; ++i)
        out.push_back(l.unit(i).isChar ? l.unit(i).text : "t" + std::to_string(l.unit(i).time));
    return out;
}

using Slots = std::vector<std::string>;

}  // namespace

// ---------------------------------------------------------------- tag repair

TEST_F(ChecksFixture, NothingMissingNothingReported) {
    EXPECT_EQ(buildAndRepair("[00:01:00]あ[00:02:00]\n[00:02:00]い[00:03:00]\n"), 0);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(ChecksFixture, AMissingFirstTagTakesTheTimeOfTheLinesFirstTag) {
    EXPECT_EQ(buildAndRepair("あい[00:01:00]う[00:02:00]\n"), 1);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(slots(l), (Slots{"t100", "あ", "い", "t100", "う", "t200"}));
    EXPECT_EQ(l.unit(1).rawTime, 100);
    EXPECT_EQ(timeText(l.unit(1)), "0:00:01.00");
    EXPECT_EQ(l.startTime, 100);
    EXPECT_EQ(l.startText, "0:00:01.00");
    EXPECT_EQ(l.firstTagTime, 100);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "開始終了のタグが欠落している行が1行あります\n\r1行目 [時間なし]");
    EXPECT_EQ(reporter.reports[0].severity, Severity::Warning);
}

TEST_F(ChecksFixture, TheFirstTagCarriesTheCorrectedTimeAndTheTimeAsWritten) {
    settings.setText("WinAMPTime", "1");
    buildAndRepair("あ[01:00:00]い[01:01:00]\n");
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(l.unit(1).time, 6028);
    EXPECT_EQ(l.unit(1).rawTime, 6000);
    EXPECT_EQ(l.startTime, 6028);
    EXPECT_EQ(l.firstTagTime, 6000);
}

TEST_F(ChecksFixture, TheLastTagOfTheLastLineIsEstimated) {
    // A tag at 1000, three characters, a tag at 1200, two characters:
    // 1200 + 2 * 200 / 3 = 1333.
    EXPECT_EQ(buildAndRepair("[00:10:00]あいう[00:12:00]えお\n"), 1);
    const LyricLine& l = song.workLines[1];
    ASSERT_EQ(l.unitCount, 8);
    const LyricUnit& end = l.unit(8);
    EXPECT_FALSE(end.isChar);
    EXPECT_EQ(end.time, 1333);
    EXPECT_EQ(end.rawTime, 1333);
    EXPECT_EQ(end.duration, 133);
    EXPECT_EQ(timeText(end), "0:00:13.33");
    EXPECT_EQ(l.endTime, 1333);
    EXPECT_EQ(l.endText, "0:00:13.33");
    EXPECT_EQ(l.lastTagTime, 1333);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "開始終了のタグが欠落している行が1行あります\n\r1行目 [0:00:10.00]");
}

TEST_F(ChecksFixture, TheEstimateCountsEveryCharacterBeforeTheLastTag) {
    // b counts the characters of all syllables before the last tag (5 + 3),
    // the step is the last syllable's (100): 200 + 2 * 100 / 8 = 225.
    settings.setText("WinAMPTime", "1");
    buildAndRepair("[00:00:00]あいうえお[00:01:00]かきく[00:02:00]けこ\n");
    const LyricUnit& end = song.workLines[1].unit(song.workLines[1].unitCount);
    EXPECT_EQ(end.rawTime, 225);
    // The duration is taken from the corrected times, 100 -> 100 (100.47) and
    // 200 -> 201 (200.94): 2 * 101 / 8 = 25.25.
    EXPECT_EQ(end.duration, 25);
    // The time is the corrected time as written, 225 / 0.9953125 = 226.06.
    EXPECT_EQ(end.time, 226);
}

TEST_F(ChecksFixture, TheEstimatedTimeIsTheCorrectedTimeAsWritten) {
    // q + k (q - p) / b in corrected times would give 2659; the tag written as
    // 2646 reads back as 2646 / 0.9953125 = 2658.46 -> 2658.
    settings.setText("WinAMPTime", "1");
    buildAndRepair("[00:20:85]ー1カ [00:22:89]bカ é「ーー\n");
    const LyricUnit& end = song.workLines[1].unit(song.workLines[1].unitCount);
    EXPECT_EQ(end.rawTime, 2646);
    EXPECT_EQ(end.time, 2658);
    EXPECT_EQ(timeText(end), "0:00:26.58");
    EXPECT_EQ(song.workLines[1].endTime, 2658);
}

TEST_F(ChecksFixture, AMissingLastTagInTheMiddleTakesTheNextLinesFirstTag) {
    EXPECT_EQ(buildAndRepair("[00:01:00]あい\nう[00:03:00]え[00:04:00]\n"), 2);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(slots(l), (Slots{"t100", "あ", "い", "t300"}));
    EXPECT_EQ(l.endTime, 300);
    EXPECT_EQ(l.endText, "0:00:03.00");
    EXPECT_EQ(l.lastTagTime, 300);
    EXPECT_EQ(slots(song.workLines[2]), (Slots{"t300", "う", "t300", "え", "t400"}));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "開始終了のタグが欠落している行が2行あります\n\r1行目 [0:00:01.00]\n2行目 [時間なし]");
}

TEST_F(ChecksFixture, ANextLineWithoutATagGivesTheBlankTag) {
    LyricLine& a = addLine();
    LyricUnit t;
    t.time = t.rawTime = 100;
    a.appendUnit(t);
    LyricUnit c;
    c.isChar = true;
    c.text = "あ";
    a.appendUnit(c);
    addLine().appendUnit(c);  // no tag at all
    EXPECT_EQ(repairLineTags(song, kvelmor::settings::ConversionOptions(settings), reporter), 3);
    EXPECT_EQ(slots(song.workLines[1]), (Slots{"t100", "あ", "t0"}));
    EXPECT_EQ(song.workLines[1].endText, "");
    // The tagless last line: first tag 0 with no text, then the estimate.
    EXPECT_EQ(slots(song.workLines[2]), (Slots{"t0", "あ", "t0"}));
    EXPECT_EQ(reporter.reports.back().text, "開始終了のタグが欠落している行が3行あります\n\r[0:00:01.00]\n[時間なし][]");
}

TEST_F(ChecksFixture, ALineLackingBothTagsCountsTwice) {
    EXPECT_EQ(buildAndRepair("あ[00:01:00]い\n"), 2);
    EXPECT_EQ(slots(song.workLines[1]), (Slots{"t100", "あ", "t100", "い", "t100"}));
    EXPECT_EQ(reporter.reports[0].text, "開始終了のタグが欠落している行が2行あります\n\r1行目 [時間なし][0:00:01.00]");
}

TEST_F(ChecksFixture, AnEmptyLineIsNeitherRepairedNorReported) {
    addLine();
    EXPECT_EQ(repairLineTags(song, kvelmor::settings::ConversionOptions(settings), reporter), 0);
    EXPECT_EQ(song.workLines[1].unitCount, 0);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(ChecksFixture, AFullLineIsNotMadeLonger) {
    LyricLine& l = addLine();
    LyricUnit c;
    c.isChar = true;
    c.text = "a";
    for (int i = 0; i < kMaxSlots; ++i) l.appendUnit(c);
    std::string entries;
    LineRepair done = repairLine(l, nullptr, entries, false);
    EXPECT_EQ(done.missing, 2);
    EXPECT_EQ(done.notSupplied, 2);
    EXPECT_EQ(l.unitCount, kMaxSlots);
    EXPECT_EQ(entries, "[時間なし][]");

    EXPECT_EQ(repairLineTags(song, kvelmor::settings::ConversionOptions(settings), reporter), 2);
    ASSERT_EQ(reporter.reports.size(), 2u);
    EXPECT_EQ(reporter.reports[0].text, "開始終了のタグが欠落している行が2行あります\n\r[時間なし][]");
    EXPECT_EQ(song.workLines[1].unitCount, kMaxSlots);
}

// ---------------------------------------------------------------- time order

TEST_F(ChecksFixture, OverlappingLinesInTheSameRowAreReported) {
    auto add = [this](int row, Centiseconds start, Centiseconds end, Centiseconds firstTag) {
        LyricLine& l = addLine();
        l.rowNumber = row;
        l.plannedStart = start;
        l.plannedEnd = end;
        l.firstTagTime = firstTag;
    };
    add(1, 100, 500, 180);
    add(2, 200, 600, 280);   // another row: fine
    add(1, 450, 900, 530);   // starts before row 1's line ended
    add(2, 600, 700, 680);   // starts exactly at the end: fine
    add(1, 950, 1000, 12345);
    EXPECT_EQ(checkTimeOrder(song, kvelmor::settings::ConversionOptions(settings), reporter), 1);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "時間が前後している行が1行あります\n\r[0:00:05.30]");

    add(2, 650, 800, 366000);
    add(1, 10, 20, 5);
    reporter.reports.clear();
    EXPECT_EQ(checkTimeOrder(song, kvelmor::settings::ConversionOptions(settings), reporter), 3);
    EXPECT_EQ(reporter.reports[0].text, "時間が前後している行が3行あります\n\r[0:00:05.30]\n[1:01:00.00]\n[0:00:00.05]");
}

// A tag written earlier than the tag before it, or later than every later
// line, is reported with its line, once per line, whatever the rows do.
TEST_F(ChecksFixture, TagsOutOfOrderAreReportedWithTheirLine) {
    struct Case {
        const char* lyrics;
        const char* report;  // empty: none
        const char* why;
    };
    const Case cases[] = {
        {"[00:01:00]あ[00:01:50]い[00:02:00]\n[00:03:00]か[00:03:50]\n", "", "in order"},
        {"[00:01:00]あ[00:03:00]い[00:02:00]\n[00:05:00]か[00:05:50]\n",
         "時間が前後している行が1行あります\n\r1行目 [0:00:01.00]", "a tag earlier than the one before"},
        {"[00:01:00]あ[00:01:50]い[99:99:99]\n[00:09:00]か[00:09:50]\n",
         "時間が前後している行が1行あります\n\r1行目 [0:00:01.00]", "a tag beyond every later line"},
        {"[00:01:00]あ[00:01:50]い[00:09:20]\n[00:09:00]か[00:09:50]\n", "",
         "a last syllable that runs into the next line is the singer's choice"},
    };
    for (const Case& c : cases) {
        song = Song();
        buildAndRepair(c.lyrics);
        for (int i = 1; i <= song.lineCount(); ++i) {
            LyricLine& l = song.workLines[i];
            l.rowNumber = i;  // rows never clash
            l.firstTagTime = l.unit(1).rawTime;
            l.endTime = 1 << 30;  // shown for the whole song
        }
        checkTimeOrder(song, kvelmor::settings::ConversionOptions(settings), reporter);
        EXPECT_EQ(reporter.reports.empty() ? std::string() : reporter.reports[0].text, c.report) << c.why;
        reporter.reports.clear();
    }
}

TEST_F(ChecksFixture, InOrderLinesAreNotReported) {
    for (int i = 0; i < 3; ++i) {
        LyricLine& l = addLine();
        l.rowNumber = 1;
        l.startTime = i * 100;
        l.endTime = i * 100 + 100;
    }
    EXPECT_EQ(checkTimeOrder(song, kvelmor::settings::ConversionOptions(settings), reporter), 0);
    EXPECT_TRUE(reporter.reports.empty());
}

// ---------------------------------------------------------------- fit

TEST_F(ChecksFixture, FitCountsOverflowAndMargins) {
    // dispWidth 640, margins 30.
    auto add = [this](int32_t x, int32_t w) {
        LyricLine& l = addLine();
        l.posX = x;
        l.lineWidth = w;
    };
    add(40, 560);  // fits: 600 + 30 <= 640
    add(40, 580);  // beyond the right margin only
    EXPECT_EQ(checkLineFit(song, kvelmor::settings::ConversionOptions(settings), reporter).margin, 1);
    EXPECT_TRUE(reporter.reports.empty());  // no overflow: no message, whatever m is

    add(50, 600);  // right edge 650 >= 640: overflow and margin
    add(0, 100);   // starts at 0: overflow and left of the margin
    FitCount f = checkLineFit(song, kvelmor::settings::ConversionOptions(settings), reporter);
    EXPECT_EQ(f.overflow, 2);
    EXPECT_EQ(f.margin, 3);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "1行に収まらない行が2行\n\r指定範囲に収まらない行が3行あります\n\r"
                                        "[0:00:00.00]\n[0:00:00.00]\n[0:00:00.00]");
}

TEST_F(ChecksFixture, FitOverflowWithoutMargins) {
    settings.setText("MarginL", "0");
    settings.setText("MarginR", "0");
    LyricLine& a = addLine();
    a.posX = 0;  // a narrow line at 0 is an overflow
    a.lineWidth = 10;
    LyricLine& b = addLine();
    b.posX = 40;
    b.lineWidth = 600;  // exactly reaches 640
    FitCount f = checkLineFit(song, kvelmor::settings::ConversionOptions(settings), reporter);
    EXPECT_EQ(f.overflow, 2);
    EXPECT_EQ(f.margin, 0);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "1行に収まらない行が2行あります\n\r[0:00:00.00]\n[0:00:00.00]");
}

// A line wider than the frame runs off both edges, and past both margins: it
// is one line that does not fit in each count, so a song of 299 such lines
// never reports more lines than it has.
TEST_F(ChecksFixture, FitCountsALineOffBothEdgesOnce) {
    for (int i = 0; i < 299; ++i) {
        LyricLine& l = addLine();
        l.posX = -20;
        l.lineWidth = 700;
    }
    FitCount f = checkLineFit(song, kvelmor::settings::ConversionOptions(settings), reporter);
    EXPECT_EQ(f.overflow, 299);
    EXPECT_EQ(f.margin, 299);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_THAT(reporter.reports[0].text, ::testing::StartsWith("1行に収まらない行が299行\n\r指定範囲に収まらない行が299行あります\n\r"));
    // 30 entries, then the number left.
    EXPECT_THAT(reporter.reports[0].text, ::testing::EndsWith("[0:00:00.00]\nほか269行"));
}
