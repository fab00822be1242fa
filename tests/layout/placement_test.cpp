// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/placement.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "layout_test_support.h"
#include "measure/fixed_measurer.h"
#include "layout/spans.h"
#include "layout/timing.h"

using namespace kvelmor;
using namespace kvelmor::layout;
using lyrics::Centiseconds;
using lyrics::LyricLine;
using lyrics::Song;

namespace {

using namespace kvelmor::layout::testing;

constexpr int32_t kMinPos = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxPos = std::numeric_limits<int32_t>::max();

// A working line: "[mm:ss:cc]" tags become tag slots, other characters
// character slots with the measurer's widths (あ 20, b 10).
LyricLine makeLine(std::string_view text, int32_t row = 0, Centiseconds start = 0, Centiseconds end = 0) {
    const measure::FixedMeasurer m;
    LyricLine l = lineFromTags(text, &m);
    l.rowNumber = row;
    l.startTime = start;
    l.endTime = end;
    return l;
}

// 1280 x 720, margins 30 (room 1220), three rows 55 apart (24 + MarginN 20 +
// shadow 3 + rubyUp 5 + rubyDown 3), the bottom row at 670.
settings::ConversionSettings frame() {
    settings::ConversionSettings s;
    const std::pair<const char*, const char*> values[] = {
        {"dispWidth", "1280"}, {"dispHeight", "720"}, {"MarginL", "30"},      {"MarginR", "30"},
        {"MarginV", "50"},     {"MarginN", "20"},     {"shadowDepth", "3"},   {"rubyUp", "5"},
        {"rubyDown", "3"},     {"tagFontPixcel", "24"}, {"Label19", "19"},    {"mojiScaleX", "1"},
        {"mojiScaleY", "1"},   {"rubyScale", "1"},    {"setXpositon", "0"},   {"oneLineCheck", "0"},
        {"LineNumber", "2"},   {"StyleNumber", "1"}};
    for (auto [name, value] : values) s.setText(name, value);
    s.selectMember("Optionalign1");  // top row left
    s.selectMember("Optionalign9");  // bottom row right
    return s;
}

}  // namespace

TEST(Spans, CellLeftAndRunWidthAddStoredWidthsSkippingTags) {
    // Slots: tag, あ, b, tag, c, い, tag; posX 100.
    LyricLine line = makeLine(tag(0) + "あb" + tag(10) + "cい" + tag(20));
    line.posX = 100;
    std::vector<int32_t> lefts;
    for (int k = 0; k <= 8; ++k) lefts.push_back(cellLeft(line, k));
    // Tags add nothing; slot 8 is past the last slot.
    EXPECT_EQ(lefts, (std::vector<int32_t>{100, 100, 100, 120, 130, 130, 140, 160, 0}));

    EXPECT_EQ(runWidth(line, 2, 3), 20) << "b and c: the tag between is skipped and not counted";
    EXPECT_EQ(runWidth(line, 3, 1), 40) << "a run may start on a tag";
    EXPECT_EQ(runWidth(line, 5, 5), 30) << "a run that runs out of slots sums what it found";
    EXPECT_EQ(runWidth(line, -1, 2), 0);
    line.unitCount = 300;  // a damaged count must not read past the slots held
    EXPECT_EQ(runWidth(line, 300, 1), 60);
}

TEST(Placement, HorizontalPositionForEveryCode) {
    struct Case {
        LineAlign code;
        int32_t width;
        const char* setX;
        const char* rubyScale;
        int32_t x, storedWidth;
        const char* why;
    };
    const Case cases[] = {
        {LineAlign::Centre, 300, "0", "1", 490, 300, "610 - 150 + 30"},
        {LineAlign::Centre, 303, "0", "1", 488, 303, "488.5 rounds to the even 488"},
        {LineAlign::Left, 300, "1", "1", 287, 300, "narrow: centred in the left third, round(256.67) + 30"},
        {LineAlign::Right, 300, "0", "1", 950, 300, "ends at dispWidth - MarginR"},
        {LineAlign::Right, 813, "1", "1", 437, 813, "half of 813 is below a third: narrow, round(406.83) + 30"},
        {LineAlign::Right, 814, "1", "1", 436, 814, "half of 814 reaches a third: wide"},
        {LineAlign::Centre, 300, "0", "1.1", 475, 330, "rubyScale widens the line, and the width is kept"},
        {LineAlign::Right, 700, "1", "1.1", 480, 770, "the wide test scales the scaled width once more"},
        {static_cast<LineAlign>(4), 300, "0", "1", 0, 300, "unknown alignment: 0"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = frame();
        s.setText("setXpositon", c.setX);
        s.setText("rubyScale", c.rubyScale);
        int32_t w = c.width;
        EXPECT_EQ(horizontalPosition(w, c.code, settings::ConversionOptions(s)), c.x) << c.why;
        EXPECT_EQ(w, c.storedWidth) << c.why;
    }
    settings::ConversionSettings s = frame();
    s.setText("dispWidth", "99999999999");
    s.setText("MarginR", "-99999999999");
    int32_t w = 300;
    EXPECT_EQ(horizontalPosition(w, LineAlign::Right, settings::ConversionOptions(s)), kMaxPos)
        << "held inside the range, not wrapped";
}

TEST(Placement, PlaceLinesMeasuresInTheLyricFontAndPlacesRows) {
    struct Case {
        const char* lineNumber;
        int32_t row;
        const char* scaleY;
        int32_t y, height;
        const char* why;
    };
    const Case cases[] = {
        {"2", 3, "1", 670, 24, "the bottom row is MarginV above the edge"},
        {"2", 1, "1", 560, 24, "two pitches of 55 higher"},
        {"2", 1, "1.5", 536, 36, "the font height scales: pitch 36 + 31"},
        {"2", 2, "1.234", 609, 30, "scale taken to two decimals: 670 - (29.52 + 31); height 29.6 rounded"},
        {"2", 2, "1.1875", 610, 28, "scale 1.19: 670 - (28.56 + 31); height 28.5 rounds to the even 28"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = frame();
        s.setText("LineNumber", c.lineNumber);
        s.setText("mojiScaleY", c.scaleY);
        s.setText("mojiScaleX", "1.5");
        s.setText("Command2", "LyricFace");
        s.setText("ssaFontSize", "40");
        measure::FixedMeasurer m;
        Song song = songOf({makeLine(tag(0) + "あb" + tag(10), c.row)});
        placeLines(song, settings::ConversionOptions(s), m);
        const LyricLine& line = song.workLines[1];
        EXPECT_EQ(line.posY, c.y) << c.why;
        EXPECT_EQ(line.lineHeight, c.height) << c.why;
        EXPECT_EQ(line.unit(2).width, 30);
        EXPECT_EQ(line.unit(3).width, 15);
        EXPECT_EQ(line.lineWidth, 45);
        ASSERT_EQ(m.requests().size(), 2u) << "tags are not measured";
        EXPECT_EQ(m.requests()[0], (measure::FixedMeasurer::Request{"LyricFace", 40, "あ"}));
    }
}

TEST(Placement, PlaceLinesChoosesTheAlignmentOfEachRowKind) {
    // With only one group selected, the lines it places move to MarginL and
    // the others keep their posX.
    struct Case {
        const char* lineNumber;
        const char* oneLineCheck;
        std::vector<int32_t> rows;
        std::vector<std::string> groups;
        const char* why;
    };
    const Case cases[] = {
        {"2", "0", {1, 2, 3}, {"top", "bottom", "bottom"}, "three rows: row 2 after row 1 is aligned as the bottom"},
        {"3", "0", {1, 2, 3, 4}, {"top", "bottom", "middle", "bottom"}, "four rows: row 3 after row 2 is middle"},
        {"2", "1", {1, 1, 2, 1, 2, 3}, {"single", "single", "bottom", "top", "bottom", "bottom"},
         "single-line alignment for a first-row line after a first-row line (or first in the song)"},
        {"2", "0", {0, 5}, {"bottom", "middle"}, "rows out of range are placed without a crash"},
        {"2", "0", {1}, {""}, "no option selected: posX stays"},
    };
    const std::pair<const char*, const char*> groups[] = {
        {"top", "Optionalign1"}, {"middle", "Optionalign4"}, {"bottom", "Optionalign7"}, {"single", "Oneline1"}};
    for (const Case& c : cases) {
        std::vector<std::string> used(c.rows.size());
        for (auto [group, member] : groups) {
            settings::ConversionSettings s = frame();
            s.setText("LineNumber", c.lineNumber);
            s.setText("oneLineCheck", c.oneLineCheck);
            s.setText("rubyScale", "2");
            for (const char* name : {"Optionalign1", "Optionalign2", "Optionalign3", "Optionalign4", "Optionalign5",
                                     "Optionalign6", "Optionalign7", "Optionalign8", "Optionalign9", "Oneline1",
                                     "Oneline2", "Oneline3"})
                s.setText(name, "0");
            if (!c.groups[0].empty()) s.setText(member, "1");
            std::vector<LyricLine> lines;
            for (int32_t r : c.rows) lines.push_back(makeLine("あ", r));
            for (auto& l : lines) l.posX = -7;
            Song song = songOf(lines);
            measure::FixedMeasurer m;
            placeLines(song, settings::ConversionOptions(s), m);
            for (size_t i = 0; i < c.rows.size(); ++i) {
                const LyricLine& l = song.workLines[static_cast<int>(i) + 1];
                if (l.posX == 30) used[i] += group;
                if (l.posX != -7) continue;
                EXPECT_EQ(l.lineWidth, 20) << "an unplaced line is not scaled";
            }
        }
        EXPECT_EQ(used, c.groups) << c.why;
    }
}

TEST(Placement, BottomAlignMovesShortScreensWhoseRowsAreFree) {
    struct Case {
        const char* scaleY;
        std::vector<LyricLine> lines;
        std::vector<std::pair<int32_t, int32_t>> positions;  // posX, posY after
        const char* why;
    };
    const Case cases[] = {
        {"1",
         {makeLine("あああ", 1, 10, 100), makeLine("あああ", 2, 50, 200), makeLine("あああ", 1, 300, 400)},
         {{30, 615}, {1190, 670}, {610, 670}},
         "two lines move to the bottom two rows; a single line also moves and is centred"},
        {"1.5", {makeLine("あ", 1, 10, 100), makeLine("あ", 2, 50, 200)}, {{30, 603}, {1230, 670}},
         "moved rows keep the scaled pitch (67), landing on rows 2 and 3"},
        {"1", {makeLine("あ", 1, 0, 100), makeLine("あ", 2, 50, 200)}, {{30, 560}, {1230, 615}},
         "the first screen starting at 0 is not after the rows came free at 0"},
        {"1",
         {makeLine("あ", 1, 0, 100), makeLine("あ", 2, 50, 200), makeLine("あ", 3, 60, 500),
          makeLine("あ", 1, 400, 600)},
         {{30, 560}, {1230, 615}, {1230, 670}, {30, 560}},
         "a full screen stays, and the bottom row is still in use when the next screen comes"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = frame();
        s.setText("mojiScaleY", c.scaleY);
        Song song = songOf(c.lines);
        measure::FixedMeasurer m;
        placeLines(song, settings::ConversionOptions(s), m);
        bottomAlign(song, settings::ConversionOptions(s));
        std::vector<std::pair<int32_t, int32_t>> got;
        for (int i = 1; i <= song.lineCount(); ++i) got.emplace_back(song.workLines[i].posX, song.workLines[i].posY);
        EXPECT_EQ(got, c.positions) << c.why;
    }
    // Centring uses the measured width: rubyScale is applied once, not again.
    settings::ConversionSettings s = frame();
    s.setText("rubyScale", "1.1");
    Song song = songOf({makeLine("あああ", 1, 10, 100)});
    measure::FixedMeasurer m;
    placeLines(song, settings::ConversionOptions(s), m);
    bottomAlign(song, settings::ConversionOptions(s));
    bottomAlign(song, settings::ConversionOptions(s));
    EXPECT_EQ(song.workLines[1].lineWidth, 66);
    EXPECT_EQ(song.workLines[1].posX, 607) << "610 - 33 + 30";
}

TEST(Placement, PlaceRubyCentresEachRubyOverItsCharacters) {
    struct Case {
        int slot;
        std::string ruby;
        int32_t span, rubyWidth, x;
        const char* why;
    };
    // Slots: tag, 漢 at 100, 字 at 120, tag, か at 140, tag; x is 7 pixels wide.
    const Case cases[] = {
        {2, "かんじ", 2, 60, 90, "wider than its characters: starts left of them"},
        {2, "x", 1, 7, 106, "106.5 rounds down"},
        {2, "xxx", 1, 21, 99, "99.5 rounds down too, to the left"},
        {3, "xxxx", 2, 28, 126, "over 字 and か, across the tag"},
    };
    const std::pair<const char*, const char*> styles[] = {
        {"Kanji1", "Ruby3"}, {"substyle1", "substyleRuby1"}, {"substyle2", "substyleRuby2"}};
    for (const Case& c : cases) {
        for (auto [kanji, rubyStyle] : styles) {
            settings::ConversionSettings s = frame();
            s.setText("Command6", "RubyFace");
            s.setText("rubyFontSize", "14");
            s.setText("StyleNumber", "3");
            s.setText("mojiScaleY", "1.234");
            measure::FixedMeasurer m;
            m.setWidth("x", 7);
            LyricLine line = makeLine(tag(100) + "漢字" + tag(150) + "か" + tag(200));
            line.kanjiStyle = kanji;
            line.posX = 100;
            line.posY = 600;
            line.unit(c.slot).editRuby().ruby = c.ruby;
            line.unit(c.slot).editRuby().rubySpan = c.span;
            Song song = songOf({line});
            placeRuby(song, settings::ConversionOptions(s), m);
            const lyrics::LyricUnit& u = song.workLines[1].unit(c.slot);
            EXPECT_EQ(u.rubyFields().rubyWidth, c.rubyWidth) << c.why;
            EXPECT_EQ(u.rubyFields().rubyX, c.x) << c.why;
            EXPECT_EQ(u.rubyFields().rubyY, 564) << "600 - 29.52 (scale to two decimals) - shadow 3 - rubyDown 3";
            EXPECT_EQ(u.rubyFields().rubyHeight, 19);
            EXPECT_EQ(song.workLines[1].rubyStyle, rubyStyle);
            EXPECT_EQ(m.requests(), (std::vector<measure::FixedMeasurer::Request>{{"RubyFace", 14, c.ruby}}));
        }
    }
}

// Readings of different kanji keep a gap of a quarter of the ruby font's
// height (19 / 4: 5 pixels) and stay over their kanji: one wider than its
// kanji that would come nearer a neighbour is drawn narrower first (down to
// half its width, the room shared in proportion to the widths; a reading no
// wider than its kanji, or spread over them, keeps its width), and only
// readings still too close move apart, by the least amount.
TEST(Placement, CrowdedReadingsNarrowBeforeTheyMove) {
    struct Case {
        std::vector<std::pair<int, std::string>> rubies;  // slot, reading
        const char* kintou;
        std::vector<int32_t> x;      // rubyX of each, in order
        std::vector<int32_t> scale;  // rubyScaleX of each
        const char* why;
    };
    // Slots: tag, 四 at 100, tag, 行 at 120, tag, 目 at 140, tag; kana are 20
    // pixels wide, x 7.
    const Case cases[] = {
        {{{2, "よ"}, {4, "ぎ"}}, "0", {97, 122}, {100, 100}, "as wide as their kanji: they keep it and move 5 apart"},
        {{{2, "よん"}, {6, "め"}}, "0", {90, 140}, {100, 100}, "5 pixels apart: centred as ever"},
        {{{2, "よん"}, {4, "ぎょう"}}, "0", {95, 120}, {50, 50},
         "[90,130) and [100,160): halved to 20 and 30, then 5 apart around their centres"},
        {{{2, "よん"}, {4, "ぎょう"}, {6, "めめ"}}, "0", {90, 115, 150}, {50, 50, 50}, "three in a row"},
        {{{2, "よんよん"}, {4, "xx"}}, "1", {76, 123}, {50, 100}, "xx, spread from 121, stays: よんよん halves and moves"},
        {{{2, "よんよん"}, {4, "xx"}}, "0", {84, 129}, {50, 100},
         "xx is no wider than 行: よんよん halves, and both move a little"},
        {{{2, "よんよ"}, {6, "め"}}, "0", {85, 140}, {83, 100},
         "[80,140) and [140,160): drawn at 83 %, 49 pixels, it fits over its kanji without moving"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s = frame();
        s.setText("kintouCheck", c.kintou);
        measure::FixedMeasurer m;
        m.setWidth("x", 7);
        LyricLine line = makeLine(tag(100) + "四" + tag(150) + "行" + tag(200) + "目" + tag(250));
        line.posX = 100;
        line.posY = 600;
        for (const auto& [slot, ruby] : c.rubies) {
            line.unit(slot).editRuby().ruby = ruby;
            line.unit(slot).editRuby().rubySpan = 1;
        }
        Song song = songOf({line});
        placeRuby(song, settings::ConversionOptions(s), m);
        std::vector<int32_t> x, scale;
        for (const auto& [slot, ruby] : c.rubies) {
            x.push_back(song.workLines[1].unit(slot).rubyFields().rubyX);
            scale.push_back(song.workLines[1].unit(slot).rubyFields().rubyScaleX);
        }
        EXPECT_EQ(x, c.x) << c.why;
        EXPECT_EQ(scale, c.scale) << c.why;
    }
}

TEST(Placement, TimeRubyLastsWhileItsCharactersAreSung) {
    struct Case {
        int slot;
        int32_t span;
        Centiseconds start, end;
        const char* why;
    };
    // Tag 1.00, 漢 0.30, 字 0.20, tag 1.50, か 0.50, tag 2.00.
    const Case cases[] = {
        {2, 2, 100, 150, "over a whole syllable"},
        {3, 1, 130, 150, "after the earlier characters of its syllable"},
        {2, 3, 100, 200, "across a tag, which adds nothing"},
        {5, 5, 150, 200, "a span longer than the line stops at its end"},
    };
    for (const Case& c : cases) {
        LyricLine line = makeLine(tag(100) + "漢字" + tag(150) + "か" + tag(200));
        line.unit(2).duration = 30;
        line.unit(3).duration = 20;
        line.unit(5).duration = 50;
        line.unit(c.slot).editRuby().ruby = "r";
        line.unit(c.slot).editRuby().rubySpan = c.span;
        Song song = songOf({line});
        timeRuby(song);
        const lyrics::LyricUnit& u = song.workLines[1].unit(c.slot);
        EXPECT_EQ(u.rubyFields().rubyStartTime, c.start) << c.why;
        EXPECT_EQ(u.rubyFields().rubyEndTime, c.end) << c.why;
        EXPECT_EQ(u.rubyFields().rubyDuration, c.end - c.start) << c.why;
    }
}

TEST(Placement, RubySpacingSpreadsANarrowRubyOverItsCharacters) {
    struct Case {
        std::string ruby;
        int32_t rubyWidth, span, spacing;
        int32_t x;  // rubyX afterwards; -1 when left alone
        const char* why;
    };
    // 漢字 at 100, 40 pixels together.
    const Case cases[] = {
        {"ab", 20, 2, 10, 105, "20 spare pixels over two letters; half a spacing at the left"},
        {"abc", 30, 2, 3, 101, "10 over three is 3; half of 3 rounds down to 1"},
        {"ab", 25, 2, 8, 104, "7.5 rounds to the even 8"},
        {"かな", 20, 2, 10, 105, "letters are characters, not bytes"},
        {"かな", 40, 2, 0, -1, "no room to spread"},
        {"a", 10, 2, 0, -1, "one letter is never spread"},
    };
    for (const Case& c : cases) {
        LyricLine line = makeLine(tag(100) + "漢字" + tag(150));
        line.posX = 100;
        lyrics::LyricUnit& u = line.unit(2);
        u.editRuby().ruby = c.ruby;
        u.editRuby().rubyWidth = c.rubyWidth;
        u.editRuby().rubySpan = c.span;
        u.editRuby().rubyX = -1;
        EXPECT_EQ(rubySpacing(line, 2), c.spacing) << c.why;
        EXPECT_EQ(line.unit(2).rubyFields().rubyX, c.x) << c.why;
    }
    LyricLine line = makeLine("あ");
    EXPECT_EQ(rubySpacing(line, 2), 0) << "past the last slot";
}

TEST(Placement, EveryStageCopesWithExtremeSettings) {
    // Every number field at both ends of its range and beyond: no stage may
    // crash or overflow (the sanitizer build checks the arithmetic), and
    // positions past the range are held at its ends.
    const char* const numbers[] = {
        "preTime", "aftTime", "upTime", "spaceTimePre", "spaceTimeAft", "LyricsDispTime", "dispWidth",
        "dispHeight", "MarginL", "MarginR", "MarginV", "MarginN", "shadowDepth", "rubyUp", "rubyDown",
        "tagFontPixcel", "Label19", "mojiScaleX", "mojiScaleY", "rubyScale", "LineNumber", "ssaFontSize",
        "rubyFontSize"};
    for (const char* value : {"99999999999", "-99999999999", "1e999", "-1e999", "0", "99999"}) {
        settings::ConversionSettings s = frame();
        s.setText("setXpositon", "1");
        for (const char* name : numbers) s.setText(name, value);
        std::vector<LyricLine> lines;
        for (int i = 0; i < 4; ++i) {
            lines.push_back(makeLine(tag(100 * i) + "漢字" + tag(100 * i + 50) + "か" + tag(100 * i + 300)));
            lines.back().unit(2).editRuby().ruby = "かんじ";
            lines.back().unit(2).editRuby().rubySpan = 3;
        }
        Song song = songOf(lines);
        measure::FixedMeasurer m;
        computeTagExtremes(song);
        correctTimes(song, settings::ConversionOptions(s));
        computeSyllableDurations(song);
        applyLeadInOut(song, settings::ConversionOptions(s));
        assignRows(song, settings::ConversionOptions(s));
        applyBatchDisplay(song, settings::ConversionOptions(s));
        placeLines(song, settings::ConversionOptions(s), m);
        bottomAlign(song, settings::ConversionOptions(s));
        applyNewLinePriority(song, settings::ConversionOptions(s));
        placeRuby(song, settings::ConversionOptions(s), m);
        timeRuby(song);
        for (int i = 1; i <= song.lineCount(); ++i) {
            EXPECT_EQ(song.workLines[i].startText, lyrics::formatScriptTime(song.workLines[i].startTime));
            rubySpacing(song.workLines[i], 2);
        }
    }
    settings::ConversionSettings s = frame();
    s.setText("LineNumber", "9");
    s.setText("MarginN", "99999999999");
    Song song = songOf({makeLine("あ", 1)});
    measure::FixedMeasurer m;
    placeLines(song, settings::ConversionOptions(s), m);
    EXPECT_EQ(song.workLines[1].posY, kMinPos) << "nine huge pitches above the bottom row";
}
