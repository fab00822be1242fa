// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/credit_events.h"

#include <gtest/gtest.h>

#include "measure/fixed_measurer.h"
#include "script/script_writer.h"
#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;

namespace {

TEST(CreditEvents, Placement) {
    struct Case {
        const char* tag;
        const char* xRight;
        const char* posX;
        const char* expected;
        const char* why;
    };
    const Case cases[] = {
        {"", "0", "120", "{\\q2}{\\pos(120,48)}", "x from the left"},
        {"", "1", "120", "{\\q2}{\\pos(520,48)}", "x from the right: 640 − 120"},
        {"{\\be1}", "1", "120", "{\\q2}{\\pos(520,48)}{\\be1}", "the user's tags follow the position"},
        {"{\\move(0,0,100,100)}", "1", "120", "{\\q2}{\\move(0,0,100,100)}", "a move tag replaces the position"},
        {"{\\be1\\move(0,0,9,9)}", "0", "120", "{\\q2}{\\be1\\move(0,0,9,9)}", "\\move anywhere in the tags"},
        {"", "0", "", "{\\q2}{\\pos(0,48)}", "an empty position is 0"},
        {"", "1", "99999999999", "{\\q2}{\\pos(-2147483007,48)}", "no overflow past the 32-bit range"},
    };
    settings::ConversionSettings s;
    measure::FixedMeasurer m;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        settings::CreditSettings credit;
        credit.setText("CreditTag", c.tag);
        credit.setText("xRight", c.xRight);
        credit.setText("posX", c.posX);
        EXPECT_EQ(creditPlacement(settings::CreditOptions(credit), settings::ConversionOptions(s), m, {}), c.expected);
    }
}

TEST(CreditEvents, Window) {
    struct Case {
        const char *sh, *sm, *ss, *eh, *em, *es;
        TimeWindow expected;
        const char* why;
    };
    const Case cases[] = {
        {"0", "01", "30", "0", "02", "00", {9000, 12000}, "padded fields"},
        {"0", "01", "30", "0", "2", "5", {9000, 12500}, "one-digit end fields read as they are"},
        {"0", "1", "5", "0", "01", "05", {6500, 6500}, "one-digit start fields too"},
        {"0", "01", "30", "0", "01", "00", {9000, 9000}, "an end before the start: no length"},
        {"1", "00", "00", "", "", "", {360000, 360000}, "empty end fields are 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        settings::CreditSettings credit;
        for (auto [field, value] : {std::pair{"titleStartH", c.sh}, {"titleStartM", c.sm}, {"titleStartS", c.ss},
                                    {"titleEndH", c.eh}, {"titleEndM", c.em}, {"titleEndS", c.es}})
            credit.setText(field, value);
        EXPECT_EQ(creditWindow(settings::CreditOptions(credit)), c.expected);
    }
}

TEST(CreditEvents, EventLine) {
    settings::ConversionSettings s;
    measure::FixedMeasurer m;
    settings::CreditSettings credit;
    credit.setText("Credit", "字幕:誰か");  // 90 pixels: 512 + 90 is inside the right margin
    credit.setText("titleStartM", "01");
    credit.setText("titleStartS", "30");
    credit.setText("titleEndM", "01");
    credit.setText("FadeIn", "250");
    credit.setText("FadeOut", "");
    EXPECT_FALSE(creditEvent(settings::CreditOptions(credit), settings::ConversionOptions(s), m, {}).has_value())
        << "only while menuCreditOn is checked";

    s.setText("menuCreditOn", "1");
    std::string out;
    appendInfoEvent(out, creditEvent(settings::CreditOptions(credit), settings::ConversionOptions(s), m, {}).value());
    EXPECT_EQ(out,
              "Dialogue: 0,0:01:30.00,0:01:30.00,songInfo3,,0000,0000,0000,Karaoke,"
              "{\\q2}{\\pos(512,48)}{\\fad(250,0)}字幕:誰か\r\n");

    credit.setText("Credit", "");
    EXPECT_EQ(creditEvent(settings::CreditOptions(credit), settings::ConversionOptions(s), m, {})->text,
              "{\\q2}{\\pos(512,48)}{\\fad(250,0)}")
        << "an empty text still shows";
}

// The credit stays inside the frame and off the top song information, and
// keeps its place in any frame: the written position for each case.
TEST(CreditEvents, TheCreditStaysInsideTheFrameWhateverItsSize) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> credit;  // credit fields
        std::vector<std::pair<const char*, const char*>> fields;  // main settings
        const char* placement;
        const char* why;
    };
    // "歌詞データ: ミナト": 8 full-width and 2 narrow characters, 180 pixels.
    const char* readme = "歌詞データ: ミナト";
    const Case cases[] = {
        {{{"Credit", readme}}, {}, "{\\q2}{\\pos(430,48)}", "ends at the right margin: 640 − 30 − 180"},
        {{{"Credit", readme}, {"xRight", "1"}, {"posX", "20"}}, {}, "{\\q2}{\\pos(430,48)}",
         "x counted from the right leaves no text outside"},
        {{{"Credit", "字幕"}, {"xRight", "1"}, {"posX", "120"}}, {}, "{\\q2}{\\pos(520,48)}", "fits: as set"},
        {{{"Credit", "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめも"}},
         {},
         "{\\q2}{\\pos(30,48)}{\\fscx82\\fscy82}",
         "700 pixels, wider than the 580 between the margins: shrunk to fill them"},
        {{{"Credit", "字幕"}, {"posY", "30"}}, {{"songInfoCheck", "1"}, {"songInfoX", "500"}},
         "{\\q2}{\\pos(512,54)}",
         "moved below the song information at the top: its band ends at 14 + 10 + 6, the credit is 24 high"},
        {{{"Credit", "字幕"}, {"posY", "30"}}, {{"songInfoCheck", "1"}}, "{\\q2}{\\pos(512,30)}",
         "song information elsewhere on the top edge: as set"},
    };
    for (const Case& c : cases) {
        settings::ConversionSettings s;
        for (const auto& [field, value] : c.fields) s.setText(field, value);
        measure::FixedMeasurer m;
        settings::CreditSettings credit;
        for (const auto& [field, value] : c.credit) credit.setText(field, value);
        lyrics::SongInfo info;
        info.title = "星";
        lyrics::Song song;
        song.songInfo = info;
        EXPECT_EQ(
            creditPlacement(settings::CreditOptions(credit), settings::ConversionOptions(s), m,
                            creditAvoids(settings::CreditOptions(credit), song, settings::ConversionOptions(s), m, {})),
            c.placement)
            << c.why;
    }

    // The default place follows the frame; a typed one stays.
    settings::CreditSettings credit;
    credit.followFrame(640, 480, 1920, 1080);
    EXPECT_EQ(credit.text("posX"), "1536");
    EXPECT_EQ(credit.text("posY"), "108");
    credit.setText("posX", "300");
    credit.followFrame(1920, 1080, 1280, 720);
    EXPECT_EQ(credit.text("posX"), "300");
    EXPECT_EQ(credit.text("posY"), "72");
}

// The credit's style line and its event come and go together with the menu
// entry, and the event sits after the song information and before the lyrics.
TEST(CreditEvents, InTheScriptOnlyWithTheMenuEntry) {
    lyrics::Song song;
    auto& l = song.workLines.appendLine();
    l = builtLine(100, 400);
    addSlots(l, {tagSlot(100), charSlot("夜", 20, "", "{\\K50}"), tagSlot(150)});
    settings::ConversionSettings s;
    s.setText("songInfoCheck", "1");
    settings::CreditSettings credit;
    credit.setText("Command1", "Credit Face");
    credit.setText("Credit", "by me");
    measure::FixedMeasurer measurer({10, 20, 27});
    ScriptHeader header;
    refreshScriptInfo(header, song, settings::ConversionOptions(s), "default");
    refreshStyles(header, settings::ConversionOptions(s));

    // The lines starting with `prefix`, each cut to `length` characters.
    auto linesStarting = [&](const char* prefix, size_t length = 30) {
        std::vector<std::string> found;
        for (const auto& line : scriptLines(scriptText(song, settings::ConversionOptions(s), header,
                                                       settings::CreditOptions(credit), SongInfoLabels{}, measurer)))
            if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(0, length));
        return found;
    };
    EXPECT_EQ(linesStarting("Style: songInfo3"), std::vector<std::string>{});
    EXPECT_EQ(linesStarting("Dialogue: "),
              (std::vector<std::string>{"Dialogue: 0,0:00:01.00,0:00:04", "Dialogue: 0,0:00:01.00,0:00:04",
                                        "Dialogue: 110,0:00:01.00,0:00:"}));

    s.setText("menuCreditOn", "1");
    EXPECT_EQ(linesStarting("Style: songInfo3", 32),
              std::vector<std::string>{"Style: songInfo3,Credit Face,27,"})
        << "the credit font's pixel height, measured at write time";
    EXPECT_EQ(linesStarting("Dialogue: "),
              (std::vector<std::string>{"Dialogue: 0,0:00:01.00,0:00:04", "Dialogue: 0,0:00:01.00,0:00:04",
                                        "Dialogue: 0,0:00:00.00,0:00:00", "Dialogue: 110,0:00:01.00,0:00:"}));
}

// A credit switched on but not seen whole is said so when writing, naming
// the fields to change; a credit that shows whole, or is off, is not.
TEST(CreditEvents, ProblemsThatKeepTheCreditFromBeingSeen) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> fields;  // credit fields
        std::vector<std::string> starts;                          // the start of each message
        const char* why;
    };
    const std::vector<std::pair<const char*, const char*>> shown = {{"titleEndS", "05"}, {"Credit", "Sub"}};
    auto with = [&](std::vector<std::pair<const char*, const char*>> more) {
        auto f = shown;
        f.insert(f.end(), more.begin(), more.end());
        return f;
    };
    const Case cases[] = {
        {{}, {"the credit is switched on but its end (0:00:00.00) is not after its start"}, "the defaults"},
        {shown, {}, "five seconds of a short text at x 512: 512 + 30 <= 640"},
        {with({{"Credit", "Subtitles by me"}}), {"the credit text is 150 pixels wide and at x 512, y 48 would run past the right margin"},
         "512 + 150 > 640"},
        {with({{"Credit", "Subtitles by me"}, {"xRight", "1"}, {"posX", "200"}}), {}, "x 440 from the right: fits"},
        {with({{"Credit", "Subtitles by me"}, {"xRight", "1"}, {"posX", "700"}}),
         {"the credit text is 150 pixels wide at x -60 and runs past the left"}, "left of the frame"},
        {with({{"posY", "10"}}), {"the credit text stands at y 10 with a height of 24 pixels and runs past the top"},
         "its cell reaches above the frame"},
        {with({{"Credit", "Subtitles by me"}, {"CreditTag", "{\\move(0,0,9,9)}"}}), {}, "a credit that moves itself"},
    };
    settings::ConversionSettings s;
    s.setText("menuCreditOn", "1");
    measure::FixedMeasurer m;
    for (const auto& c : cases) {
        settings::CreditSettings credit;
        for (const auto& [field, value] : c.fields) credit.setText(field, value);
        const std::vector<std::string> problems =
            creditProblems(settings::CreditOptions(credit), settings::ConversionOptions(s), m, {});
        ASSERT_EQ(problems.size(), c.starts.size()) << c.why;
        for (size_t i = 0; i < problems.size(); ++i) EXPECT_EQ(problems[i].rfind(c.starts[i], 0), 0u) << problems[i];
    }
    settings::CreditSettings credit;
    s.setText("menuCreditOn", "0");
    EXPECT_EQ(creditProblems(settings::CreditOptions(credit), settings::ConversionOptions(s), m, {}),
              std::vector<std::string>{})
        << "a credit switched off";
}

}  // namespace
