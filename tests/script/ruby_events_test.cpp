// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/ruby_events.h"

#include <gtest/gtest.h>

#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;

namespace {

struct RubyEventsFixture : ::testing::Test {
    settings::ConversionSettings s;
    lyrics::LyricLine line = builtLine(1000, 1600, 100, 430);
    int16_t rubyState = lyrics::kRubyAssigned;

    // Line shown 10.00 s to 16.00 s; 夜空 (two characters of 20 px at x 100
    // and 120) read よぞら, sung 11.20 s to 12.00 s.
    RubyEventsFixture() {
        s.setText("kintouCheck", "0");  // spreading has a test of its own
        addSlots(line, {tagSlot(1100), charSlot("夜", 20), charSlot("空", 20), tagSlot(1200)});
        line.unit(2).editRuby() = {.ruby = "よぞら", .rubyWidth = 30, .rubySpan = 2, .rubyStartTime = 1120,
                                   .rubyEndTime = 1200, .rubyX = 105, .rubyY = 395};
        line.setRubyText2(2, "{\\K80}");
    }
    std::string events() {
        std::string out;
        appendRubyEvents(out, line, rubyState, settings::ConversionOptions(s),
                         eventTexts(settings::ConversionOptions(s)));
        return joinLines(scriptLines(out));
    }
};

TEST_F(RubyEventsFixture, NoRubyEventsUntilRubyIsAssigned) {
    rubyState = lyrics::kNoRuby;
    EXPECT_EQ(events(), "");
}

TEST_F(RubyEventsFixture, EventsPerWipeMode) {
    const std::string f = "Dialogue: 10,0:00:10.00,0:00:16.00,Ruby1,,0000,0000,0000,Karaoke,";
    const std::string upper = "Dialogue: 20,0:00:10.00,0:00:16.00,Ruby1,,0000,0000,0000,Karaoke,";
    // Lead-in 120 (display start to ruby start), tail 400 (ruby end to display end).
    const std::string timed = "{\\q2}{\\K120}{\\pos(105,395)}{\\K80}よぞら{\\K400}\n";
    struct Case {
        const char* wipe;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {"0", f + timed, "karaoke"},
        {"1", f + timed, "per character"},
        {"4", f + timed, "free setting"},
        {"6", f + timed, "per-character setting"},
        {"7", f + timed, "per word"},
        {"2", f + "{\\q2}{\\pos(105,395)}{\\K80}よぞら\n", "no wipe: neither lead-in nor tail"},
        {"3", f + "{\\q2}{\\pos(105,395)}よぞら\n" + upper + timed,
         "edge wipe: the still ruby, then the timed one, which waits for its characters too"},
        {"5",
         f + timed + "Dialogue: 20,0:00:10.00,0:00:16.00,substyleRuby1,,0000,0000,0000,Karaoke," +
             "{\\q2}{\\K130}{\\pos(105,395)}{\\K80}よぞら{\\K400}\n",
         "wipe emphasis: the second layer DelayTime (10) later"},
    };
    for (const auto& c : cases) {
        s.setText("wipe", c.wipe);
        EXPECT_EQ(events(), c.expected) << c.why;
    }
}

TEST_F(RubyEventsFixture, PositionScaleShiftAndNoPositionOption) {
    struct Case {
        const char* rubyScale;
        const char* rubyLeft;
        int32_t rubyX;
        const char* pos;
        const char* why;
    };
    const Case cases[] = {
        {"1", "0", 105, "{\\pos(105,395)}", "scale 1, no shift: rubyX"},
        {"1.5", "0", 200, "{\\pos(250,395)}", "100 + 1.5 × 100"},
        {"0", "7", 180, "{\\pos(107,395)}", "scale 0: every ruby at posX + rubyLeft"},
        {"0.5", "0", 97, "{\\pos(98,395)}", "0.5 × -3 = -1.5, rounded down to -2"},
        {"1", "-4", 105, "{\\pos(101,395)}", "rubyLeft shifts left"},
        {"1e300", "0", 105, "{\\pos(1000000000000100,395)}", "a huge scale is held, not overflowed"},
    };
    s.setText("wipe", "2");
    for (const auto& c : cases) {
        s.setText("rubyScale", c.rubyScale);
        s.setText("rubyLeft", c.rubyLeft);
        line.unit(2).editRuby().rubyX = c.rubyX;
        EXPECT_NE(events().find(c.pos), std::string::npos) << c.why << "\n" << events();
    }

    line.unit(2).editRuby().rubyX = 105;
    s.setText("rubyScale", "1");
    s.setText("rubyLeft", "0");
    s.setText("posNo", "1");
    s.setText("wipe", "0");
    EXPECT_EQ(events().find("\\pos"), std::string::npos) << "posNo: no position in the karaoke modes";
    s.setText("wipe", "3");
    EXPECT_NE(events().find("{\\pos(105,395)}"), std::string::npos) << "the edge wipe always places its ruby";
}

TEST_F(RubyEventsFixture, EdgeWipeSpreadsRubyEvenly) {
    s.setText("wipe", "3");
    s.setText("kintouCheck", "1");
    line.unit(2).editRuby().ruby = "よぞ";  // 2 letters, 30 px over 40 px: 10 px room, spacing 5
    const std::string lower = "Dialogue: 10,0:00:10.00,0:00:16.00,Ruby1,,0000,0000,0000,Karaoke,";
    // The spread ruby starts at the characters' left edge plus half a spacing (rounded down).
    std::string out = events();
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), lower + "{\\q2}{\\pos(102,395)}{\\fsp5}よぞ\n");
    EXPECT_EQ(line.unit(2).rubyFields().rubyX, 105) << "the table is left as it was";

    line.unit(2).editRuby().rubyWidth = 50;  // wider than its characters: not spread, not moved
    out = events();
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), lower + "{\\q2}{\\pos(105,395)}よぞ\n");

    s.setText("kintouCheck", "0");
    line.unit(2).editRuby().rubyWidth = 30;
    out = events();
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), lower + "{\\q2}{\\pos(105,395)}よぞ\n");
}

}  // namespace
