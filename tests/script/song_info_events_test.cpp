// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/song_info_events.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/encoding.h"
#include "measure/fixed_measurer.h"
#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;

namespace {

// Widths with the fixed measurer: 10 px for a narrow character, 20 px for a
// full-width one, so every default label ("歌　：" ...) is 60 px.
struct SongInfoFixture : ::testing::Test {
    settings::ConversionSettings s;
    lyrics::Song song;
    measure::FixedMeasurer measurer;

    SongInfoFixture() {
        // 640 × 480, outline 3 + shadow 3, TitleY 100, sizes 50 and 20 pt.
        s.setText("songInfoPreCheck", "1");
        s.setText("titleFontPixcel1", "40");
        s.setText("titleFontPixcel2", "20");
        s.setFont("Command8", {"Info Face"});
        addLine(2000, 2500);
        addLine(2600, 3000);
    }
    void addLine(lyrics::Centiseconds start, lyrics::Centiseconds end) {
        song.workLines.appendLine() = builtLine(start, end);
    }
    std::vector<InfoEvent> before(const SongInfoLabels& labels = {}) {
        return songInfoBeforeSongEvents(song, settings::ConversionOptions(s), labels, measurer);
    }
    std::vector<InfoEvent> top() { return songInfoTopEvents(song, settings::ConversionOptions(s), measurer); }
};

InfoEvent ev(const char* style, const std::string& text, const char* start = "0:00:00.00",
             const char* end = "0:00:19.00") {
    return {start, end, style, text};
}

TEST(SongInfoTime, FieldsReadAsNumbers) {
    struct Case {
        const char *h, *m, *s;
        lyrics::Centiseconds expected;
        const char* why;
    };
    const Case cases[] = {
        {"1", "02", "03", 372300, "two-digit fields"},
        {"0", "1", "5", 6500, "one-digit minute and second mean what they say"},
        {"0", "75", "0", 450000, "minutes above 59 are added as they are"},
        {"x", "", "5", 500, "fields that are not numbers count as 0"},
        {"-3", "0", "5", 500, "a negative field counts as 0"},
        {"99999999999", "0", "0", std::numeric_limits<lyrics::Centiseconds>::max(), "held at the largest time"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(timeFromFields(c.h, c.m, c.s), c.expected);
    }
}

TEST_F(SongInfoFixture, BeforeSongWindow) {
    struct Case {
        const char* dispType;
        lyrics::Centiseconds firstStart;  // -1: no lines
        const char* endTime;
        const char *sh, *sm, *ss, *eh, *em, *es;
        TimeWindow expected;
        const char* why;
    };
    const Case cases[] = {
        {"0", 5000, "3000", "", "", "", "", "", "", {0, 2000}, "titleEndTime before the first line"},
        {"0", 2000, "3000", "", "", "", "", "", "", {0, 1900}, "negative: one second before the first line"},
        {"0", 50, "3000", "", "", "", "", "", "", {0, 0}, "but never before 0"},
        {"0", -1, "3000", "", "", "", "", "", "", {0, 0}, "a song without lines"},
        {"1", 0, "", "0", "01", "05", "0", "01", "30", {6500, 9000}, "the set window"},
        {"1", 0, "", "0", "1", "5", "0", "1", "30", {6500, 9000}, "one-digit fields read the same"},
        {"1", 0, "", "0", "02", "00", "0", "01", "00", {12000, 12000}, "an end before the start is raised"},
        {"1", 0, "", "a", "b", "c", "", "", "", {0, 0}, "fields that are not numbers"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        song.workLines.reset();
        if (c.firstStart >= 0) addLine(c.firstStart, c.firstStart + 100);
        s.setText("titleDispType", c.dispType);
        s.setText("titleEndTime", c.endTime);
        s.setText("titleStartH", c.sh);
        s.setText("titleStartM", c.sm);
        s.setText("titleStartS", c.ss);
        s.setText("titleEndH", c.eh);
        s.setText("titleEndM", c.em);
        s.setText("titleEndS", c.es);
        EXPECT_EQ(beforeSongWindow(song, settings::ConversionOptions(s)), c.expected);
    }
}

TEST_F(SongInfoFixture, ColumnAndCentredLines) {
    song.songInfo = {"Song", "Sub", "Singer", "Album", "Ly", "", "Arr", "2024"};
    // Column: widest "歌　：Singer" 120 px; x = 640 − 120 − 2 × 6 = 508;
    // y from 480 − 6 − 100 = 374 up in steps of 20 + 6. The empty composer
    // has no line and takes no step.
    // Centred from y = 20 (titleFontSize2): album + TitleY, title + 40 + 12,
    // subtitle + 20 + 12; x = 320 − width / 2.
    const std::string fade = "{\\fad(500,500)}";
    EXPECT_EQ(before(), (std::vector<InfoEvent>{
                            ev("songInfo2", "{\\q2}{\\pos(508,374)}" + fade + "2024"),
                            ev("songInfo2", "{\\q2}{\\pos(508,348)}" + fade + "編曲：Arr"),
                            ev("songInfo2", "{\\q2}{\\pos(508,322)}" + fade + "作詞：Ly"),
                            ev("songInfo2", "{\\q2}{\\pos(508,296)}" + fade + "歌　：Singer"),
                            ev("songInfo2", "{\\q2}{\\pos(295,120)}" + fade + "Album"),
                            ev("songInfo1", "{\\q2}{\\pos(300,172)}" + fade + "Song"),
                            ev("songInfo2", "{\\q2}{\\pos(305,204)}" + fade + "Sub"),
                        }));
    // The title alone is measured at titleFontSize1, every other text at
    // titleFontSize2, all in the Command8 face.
    for (const auto& r : measurer.requests()) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(r.face, "Info Face");
        EXPECT_EQ(r.pointSize, r.text == "Song" ? 50 : 20);
    }
}

TEST_F(SongInfoFixture, CentredPositionsRoundHalfToEven) {
    s.setText("dispWidth", "641");
    song.songInfo.album = "Album";  // 320.5 − 25 = 295.5 -> 296
    song.songInfo.title = "Song";   // 320.5 − 20 = 300.5 -> 300
    auto events = before();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text.substr(0, 21), "{\\q2}{\\pos(296,120)}{");
    EXPECT_EQ(events[1].text.substr(0, 21), "{\\q2}{\\pos(300,172)}{");
}

TEST_F(SongInfoFixture, OnlyATitleGivesOneCentredLine) {
    song.songInfo.title = "Song";
    // No album: its TitleY step is not taken either (20 + 40 + 12).
    EXPECT_EQ(before(), std::vector<InfoEvent>{ev("songInfo1", "{\\q2}{\\pos(300,72)}{\\fad(500,500)}Song")});
}

TEST_F(SongInfoFixture, SameColumnStacksEverything) {
    s.setText("CheckDouRetu", "1");
    s.setText("titleFadeIn", "0");
    s.setText("titleFadeOut", "250");
    song.songInfo = {"A Very Long Title", "Sub", "Singer", "Album", "", "", "", "2024"};
    // The title (170 px) is now the widest: x = 640 − 170 − 12 = 458; the
    // column starts at 480 − 6 without TitleY; the title's step is 40 + 6.
    const std::string fade = "{\\fad(0,250)}";
    EXPECT_EQ(before(), (std::vector<InfoEvent>{
                            ev("songInfo2", "{\\q2}{\\pos(458,474)}" + fade + "2024"),
                            ev("songInfo2", "{\\q2}{\\pos(458,448)}" + fade + "歌　：Singer"),
                            ev("songInfo2", "{\\q2}{\\pos(458,422)}" + fade + "Sub"),
                            ev("songInfo1", "{\\q2}{\\pos(458,396)}" + fade + "A Very Long Title"),
                            ev("songInfo2", "{\\q2}{\\pos(458,350)}" + fade + "Album"),
                        }));
}

// A line wider than the frame shrinks, both ways and to whole percent, to
// fit inside its outline and shadow (6 px a side) instead of running off
// both edges; lines that fit keep their place and size. Frame 200 px wide;
// the 22-character title is 220 px.
TEST_F(SongInfoFixture, TooWideLinesShrinkToFit) {
    s.setText("dispWidth", "200");
    s.setText("songInfoCheck", "1");
    s.setText("titleFontPixcel", "19");
    song.songInfo = {"A Very Long Title Text", "", "Singer", "Prog", "", "", "", ""};
    const std::string fade = "{\\fad(500,500)}";
    // Centred: room 188, 188 / 220 -> 85 %, 187 px wide: x = 100 − 93.5 -> 6.
    EXPECT_EQ(before(), (std::vector<InfoEvent>{
                            ev("songInfo2", "{\\q2}{\\pos(68,374)}" + fade + "歌　：Singer"),
                            ev("songInfo2", "{\\q2}{\\pos(80,120)}" + fade + "Prog"),
                            ev("songInfo1", "{\\q2}{\\pos(6,172)}" + fade + "{\\fscx85\\fscy85}A Very Long Title Text"),
                        }));
    // One column: it starts one border (6 px) in; only the title, wider than
    // the 182 px left, shrinks (82 %).
    s.setText("CheckDouRetu", "1");
    EXPECT_EQ(before(), (std::vector<InfoEvent>{
                            ev("songInfo2", "{\\q2}{\\pos(6,474)}" + fade + "歌　：Singer"),
                            ev("songInfo1", "{\\q2}{\\pos(6,448)}" + fade + "{\\fscx82\\fscy82}A Very Long Title Text"),
                            ev("songInfo2", "{\\q2}{\\pos(6,402)}" + fade + "Prog"),
                        }));
    // At the top from x = 10: room 184 for "A Very Long Title Text / Singer" (310 px): 59 %.
    const auto events = top();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, "{\\q2}{\\fad(800,800)}{\\pos(10,24)}Prog");
    EXPECT_EQ(events[1].text,
              "{\\q2}{\\fad(800,800)}{\\pos(10,47)}{\\fscx59\\fscy59}A Very Long Title Text / Singer");
}

TEST_F(SongInfoFixture, SpacerAndLabels) {
    struct Case {
        const char* spacer;
        SongInfoLabels labels;
        std::vector<std::string> expected;  // lyricist's, then singer's text
        const char* why;
    };
    const Case cases[] = {
        // "作詞：Ly" (80 px) is the widest: x = 640 − 80 − 12.
        {"0", {}, {"{\\q2}{\\pos(548,374)}{\\fad(500,500)}作詞：Ly", "{\\q2}{\\pos(548,348)}{\\fad(500,500)}歌　：S"},
         "lines pixel size + outline + shadow apart"},
        {"10", {}, {"{\\q2}{\\pos(548,374)}{\\fad(500,500)}作詞：Ly", "{\\q2}{\\pos(548,358)}{\\fad(500,500)}歌　：S"},
         "a positive spacer brings them closer"},
        {"-4", {}, {"{\\q2}{\\pos(548,374)}{\\fad(500,500)}作詞：Ly", "{\\q2}{\\pos(548,344)}{\\fad(500,500)}歌　：S"},
         "a negative one moves them apart"},
        // "Vocalist: S" (110 px) is the widest: x = 640 − 110 − 12.
        {"0", {"Vocalist: ", "W: ", "C: ", "A: "},
         {"{\\q2}{\\pos(518,374)}{\\fad(500,500)}W: Ly", "{\\q2}{\\pos(518,348)}{\\fad(500,500)}Vocalist: S"},
         "edited labels are measured and written"},
    };
    song.songInfo.lyrics = "Ly";
    song.songInfo.artist = "S";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        s.setText("spacer", c.spacer);
        std::vector<std::string> texts;
        for (const auto& e : before(c.labels)) texts.push_back(e.text);
        EXPECT_EQ(texts, c.expected);
    }
}

TEST(SongInfoLabelsTest, ReadFromTheInfoSection) {
    settings::IniFile ini;
    EXPECT_EQ(readSongInfoLabels(ini), SongInfoLabels{}) << "the shipped labels when the file has none";
    ini.setPath("/nonexistent/kvelmor.ini");
    ini.setValue("info", "songInfo1", "Vo:");
    ini.setValue("info", "songInfo4", "");
    SongInfoLabels l = readSongInfoLabels(ini);
    EXPECT_EQ(l.singer, "Vo:");
    EXPECT_EQ(l.lyricist, "作詞：");
    EXPECT_EQ(l.arranger, "") << "an empty stored label stays empty";
}

TEST_F(SongInfoFixture, NothingWhileTheBoxesAreClear) {
    song.songInfo.title = "Song";
    s.setText("songInfoPreCheck", "0");
    EXPECT_EQ(before(), std::vector<InfoEvent>{});
    EXPECT_EQ(top(), std::vector<InfoEvent>{});
}

TEST_F(SongInfoFixture, TopTwoFixedLines) {
    s.setText("songInfoCheck", "1");
    s.setText("titleFontPixcel", "19");
    // Y = titleFontSize 14 + songInfoY 10; Y2 = 24 + 19 + 19 / 4.
    struct Case {
        const char *title, *artist, *second;
        const char* why;
    };
    const Case cases[] = {
        {"A", "", "A", "a title alone, without \" / \""},
        {"", "B", "B", "an artist alone"},
        {"A", "B", "A / B", "both"},
        {"", "", "", "written even when empty"},
    };
    song.songInfo.album = "Prog";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        song.songInfo.title = c.title;
        song.songInfo.artist = c.artist;
        EXPECT_EQ(top(), (std::vector<InfoEvent>{
                             ev("songInfo", "{\\q2}{\\fad(800,800)}{\\pos(10,24)}Prog", "0:00:20.00", "0:00:30.00"),
                             ev("songInfo", std::string("{\\q2}{\\fad(800,800)}{\\pos(10,47)}") + c.second,
                                "0:00:20.00", "0:00:30.00"),
                         }));
    }
}

TEST_F(SongInfoFixture, TopWindowEnd) {
    s.setText("songInfoCheck", "1");
    struct Case {
        const char *h, *m, *sec;
        const char* end;
        const char* why;
    };
    const Case cases[] = {
        {"0", "0", "0", "0:00:30.00", "all 0: the last line's end"},
        {"0", "00", "00", "0:00:30.00", "padded zeros are 0 too"},
        {"0", "1", "5", "0:01:05.00", "one-digit minute and second"},
        {"0", "0", "10", "0:00:20.00", "before the first line: raised to its start"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        s.setText("endH", c.h);
        s.setText("endM", c.m);
        s.setText("endS", c.sec);
        auto events = top();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].start, "0:00:20.00");
        EXPECT_EQ(events[0].end, c.end);
    }
}

TEST_F(SongInfoFixture, TopScrollingLine) {
    s.setText("songInfoCheck", "1");
    s.setText("InfoMode", "1");
    song.workLines.reset();
    addLine(0, 500);
    s.setText("endM", "1");
    // 30 narrow characters: W = 300 px over a 60 s window: 6000 / 1525 = 3,
    // so four passes 15.25 s apart, each 5 × (640 + 300) cs long.
    song.songInfo.title = std::string(30, 't');
    const std::string move = "{\\q2}{\\move(640,24,-300,24)}" + song.songInfo.title;
    EXPECT_EQ(top(), (std::vector<InfoEvent>{
                         ev("songInfo", move, "0:00:00.00", "0:00:47.00"),
                         ev("songInfo", move, "0:00:15.25", "0:01:02.25"),
                         ev("songInfo", move, "0:00:30.50", "0:01:17.50"),
                         ev("songInfo", move, "0:00:45.75", "0:01:32.75"),
                     }));
}

TEST_F(SongInfoFixture, TopScrollingText) {
    s.setText("songInfoCheck", "1");
    s.setText("InfoMode", "1");
    struct Case {
        lyrics::SongInfo info;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {{"T", "", "Ar", "Al", "", "", "", ""}, "Al / T / Ar", "album, title, artist"},
        {{"T", "", "", "Al", "", "", "", ""}, "Al / T", "empty ones are left out"},
        {{"", "", "", "", "", "", "", ""}, "", "nothing known: an empty line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        song.songInfo = c.info;
        auto events = top();
        ASSERT_FALSE(events.empty());
        const int32_t w = measure::FixedMeasurer().advanceWidth("", 0, c.text);
        EXPECT_EQ(events[0].text, "{\\q2}{\\move(640,24," + std::to_string(-w) + ",24)}" + c.text);
    }
}

TEST_F(SongInfoFixture, TopScrollingPassesKeepTheirLength) {
    s.setText("songInfoCheck", "1");
    s.setText("InfoMode", "1");
    s.setText("endH", "1");  // an hour of an empty text: a pass every 25 cs
    auto events = top();
    ASSERT_EQ(events.size(), static_cast<size_t>((360000 - 2000) / 25 + 1));
    for (size_t k = 0; k < events.size(); k += 997) {
        SCOPED_TRACE(k);
        EXPECT_EQ(lyrics::parseScriptTime(events[k].end) - lyrics::parseScriptTime(events[k].start), 5 * 640);
    }
    EXPECT_EQ(events.back().start, "1:00:00.00") << "the last pass starts no later than the window's end";

    s.setText("endH", "99999");
    EXPECT_EQ(static_cast<int64_t>(top().size()), kMaxScrollPasses) << "a mistyped end hour is held in bounds";
}

}  // namespace

namespace {

// The box a before-song event takes, pixels, with its outline and shadow
// (6 px) around it: from its \pos, its text width at its scale and its
// style's pixel height.
struct Drawn {
    int64_t left, top, right, bottom;
};
Drawn drawn(const InfoEvent& e) {
    int64_t x = 0, y = 0, percent = 100;
    std::sscanf(e.text.c_str(), "{\\q2}{\\pos(%ld,%ld)}", &x, &y);
    if (auto at = e.text.find("\\fscx"); at != std::string::npos) percent = std::stol(e.text.substr(at + 5));
    const std::string text = e.text.substr(e.text.rfind('}') + 1);
    int64_t width = 0;
    for (char32_t c : kvelmor::toU32(text)) width += c < 0x80 ? 10 : 20;
    const int64_t height = e.style == "songInfo1" ? 67 : 27;
    return {x - 6, y - height - 6, x + width * percent / 100 + 6, y + 6};
}

}  // namespace

// The centred title lines and the singer column never meet, and the block
// keeps its places in a larger frame: its distances from the edges grow
// with it.
TEST_F(SongInfoFixture, TheBlockNeverDrawsOverItselfAndFollowsTheFrame) {
    // Pixel heights of 50 and 20 points; the column is "歌　：ミナト" wide
    // (120 px) and its five lines reach from y 374 up to 209.
    s.setText("titleFontPixcel1", "67");
    s.setText("titleFontPixcel2", "27");
    struct Case {
        const char* width;
        const char* height;
        const char* titleY;
        const char* subtitle;
        const char* firstColumnLine;  // the year's position: the column's bottom line
        const char* why;
    };
    const Case cases[] = {
        {"640", "480", "100", "OP", "{\\q2}{\\pos(508,374)}", "a short subtitle: the places as they always were"},
        {"640", "480", "100", "TVアニメ「星の物語」オープニング主題歌", "{\\q2}{\\pos(508,409)}",
         "a subtitle reaching the column: the column moves down below it"},
        {"640", "480", "180", "TVアニメ「星の物語」オープニング主題歌", "{\\q2}{\\pos(508,474)}",
         "no room below: the column goes to the bottom and the subtitle shrinks beside it"},
        {"1920", "1080", "100", "TVアニメ「星の物語」オープニング主題歌", "{\\q2}{\\pos(1764,841)}",
         "1920 × 1080: 36 px from the right edge, 14 + 225 from the bottom"},
    };
    song.songInfo = {"星降る夜に", "", "ミナト", "はじまりの歌", "ミナト", "ミナト", "ミナト", "2026"};
    for (const Case& c : cases) {
        s.setText("dispWidth", c.width);
        s.setText("dispHeight", c.height);
        s.setText("TitleY", c.titleY);
        song.songInfo.subtitle = c.subtitle;
        const std::vector<InfoEvent> events = before();
        ASSERT_EQ(events.size(), 8u) << c.why;
        EXPECT_EQ(events[0].text.substr(0, events[0].text.find(")}") + 2), c.firstColumnLine) << c.why;
        for (size_t i = 0; i < events.size(); ++i)
            for (size_t j = i + 1; j < events.size(); ++j) {
                const Drawn a = drawn(events[i]), b = drawn(events[j]);
                const bool meet = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
                // The five column lines touch each other by their outlines;
                // no other two meet.
                if (j >= 5) EXPECT_FALSE(meet) << c.why << ": " << events[i].text << " / " << events[j].text;
            }
    }
}
