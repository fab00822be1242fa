// SPDX-License-Identifier: GPL-3.0-or-later
// The rules renderers hold a script to, checked over whole scripts as the
// write command writes them: events that end before they start, negative
// times, override blocks left open and negative karaoke durations; and, over
// generated songs, rows that never show two lines at once.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/session.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "effects/samples.h"
#include "measure/fixed_measurer.h"
#include "support/script_rules.h"

using namespace kvelmor;
using kvelmor::testing::ScriptViolation;
using kvelmor::testing::scriptViolations;
namespace fs = std::filesystem;

namespace {

constexpr const char* kEvents =
    "[Events]\r\nFormat: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text\r\n";

std::vector<std::string> whatIsWrong(const std::string& line, bool braces = true) {
    std::vector<std::string> out;
    for (const ScriptViolation& v : scriptViolations(kEvents + line + "\r\n", braces)) out.push_back(v.what);
    return out;
}

}  // namespace

TEST(ScriptRules, TheCheckerFindsWhatRenderersReject) {
    struct Case {
        std::string line;
        std::vector<std::string> wrong;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"Dialogue: 110,0:00:01.00,0:00:02.50,Kanji1,,0000,0000,0000,Karaoke,{\\q2}{\\pos(30,430)}あ,い", {}, "fine"},
        {"Dialogue: 110,0:00:01.00,0:00:01.00,Kanji1,,0000,0000,0000,Karaoke,x", {}, "an empty event is fine"},
        {"Dialogue: 110,12:00:01.00,12:00:01.01,Kanji1,,0,0,0,Karaoke,x", {}, "hours have any number of digits"},
        {"Dialogue: 110,0:00:02.00,0:00:01.99,Kanji1,,0,0,0,Karaoke,x", {"End before Start"}, "backwards"},
        {"Dialogue: 110,-0:00:00.10,0:00:01.00,Kanji1,,0,0,0,Karaoke,x", {"negative Start"}, "before the song"},
        {"Dialogue: 110,-0:00:02.00,-0:00:01.00,Kanji1,,0,0,0,Karaoke,x", {"negative Start", "negative End"},
         "both negative, in order"},
        {"Dialogue: 110,0:00:1.00,0:00:01.00,Kanji1,,0,0,0,Karaoke,x", {"unreadable Start \"0:00:1.00\""},
         "one digit of seconds"},
        {"Dialogue: 110,0:60:00.00,,Kanji1,,0,0,0,Karaoke,x",
         {"unreadable Start \"0:60:00.00\"", "unreadable End \"\""}, "sixty minutes; no End"},
        {"Dialogue: 110,0:00:01.00,0:00:02.00,Kanji1", {"fewer than ten fields"}, "cut short"},
        {"Dialogue: 110,0:00:01.00,0:00:02.00,Kanji1,,0,0,0,Karaoke,{\\pos(1,2)}{\\K10",
         {"\"{\" at text offset 11 is never closed"}, "an override block left open"},
        {"Dialogue: 110,0:00:01.00,0:00:02.00,Kanji1,,0,0,0,Karaoke,a}b{c}", {}, "a lone \"}\" is only text"},
        {"Comment: 110,0:00:02.00,0:00:01.00,Kanji1,,0,0,0,Karaoke,{", {}, "comments are not shown"},
        {"Dialogue: 10,0:00:01.00,0:00:02.00,Ruby1,,0,0,0,Karaoke,{\\q2}{\\K80}そら{\\K-50}",
         {"negative karaoke duration"}, "a ruby cut before it is sung"},
        {"Dialogue: 10,0:00:01.00,0:00:02.00,Ruby1,,0,0,0,Karaoke,{\\kf-1}a", {"negative karaoke duration"}, "\\kf too"},
        {"Dialogue: 10,0:00:01.00,0:00:02.00,Ruby1,,0,0,0,Karaoke,\\K-5{\\K5}", {}, "outside a block it is text"},
    };
    for (const Case& c : cases) EXPECT_EQ(whatIsWrong(c.line), c.wrong) << c.why;
    EXPECT_EQ(whatIsWrong("Dialogue: 1,0:00:01.00,0:00:02.00,K,,0,0,0,Karaoke,{\\K10", false),
              std::vector<std::string>{})
        << "braces left to the caller";
    const auto unended =
        scriptViolations(std::string(kEvents) + "Dialogue: 1,0:00:02.00,0:00:01.00,K,,0,0,0,Karaoke,x");
    ASSERT_EQ(unended.size(), 1u) << "a last line without CR LF is checked too";
    EXPECT_EQ(unended[0].line, 3);
}

namespace {

struct ScriptRulesFixture : ::testing::Test {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    app::Session session{reporter, measurer};
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_rules_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void load(std::string_view lyrics) {
        const fs::path path = dir / "song.txt";
        ASSERT_TRUE(writeFileAtomically(path.string(), lyrics).ok);
        ASSERT_TRUE(session.loadLyrics(path.string()));
    }
    // What the write command writes, checked.
    std::string written() {
        const fs::path path = dir / "song.ass";
        EXPECT_TRUE(session.writeScript(path.string()));
        std::string bytes;
        readFileBytes(path.string(), bytes);
        return decodeText(bytes).utf8;
    }
};

std::string exampleSong() {
    std::string bytes;
    readFileBytes(KVELMOR_EXAMPLES "/sakura_no_michi.txt", bytes);
    return bytes;
}

}  // namespace

// Two lines in the same row that start less than LyricsDispTime apart: new
// line priority cut the first to end before it started.
TEST_F(ScriptRulesFixture, NewLinePriorityOfLinesStartingTogether) {
    session.setField("DisplayType2", "1");
    session.setField("LineNumber", "0");
    session.setField("LyricsDispTime", "10");
    load("[00:01:00]あ[00:02:00]\n[00:01:05]い[00:03:00]\n");
    const std::string script = written();
    EXPECT_EQ(kvelmor::testing::describe(scriptViolations(script)), "");
    // The second line is sung from 1.05 s, while the first still is: the
    // first stays until then, the second comes up at its first tag.
    EXPECT_NE(script.find("Dialogue: 110,0:00:00.20,0:00:01.05,"), std::string::npos) << script;
    EXPECT_NE(script.find("Dialogue: 110,0:00:01.05,0:00:03.21,"), std::string::npos) << script;
    EXPECT_NE(script.find(")}{\\K0}{\\K196}い"), std::string::npos) << "no lead-in left: " << script;
}

// Settings the window does not let one type, but --set and a settings file
// do, and a song whose lines are out of time order.
TEST_F(ScriptRulesFixture, SettingsAndSongsThatPushTimesAround) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> fields;
        const char* lyrics;
        const char* why;
    };
    const Case cases[] = {
        {{{"aftTime", "-300"}}, "[00:01:00]あ[00:01:50]\n[00:05:00]い[00:05:40]\n", "a negative lead-out"},
        {{{"upTime", "-500"}}, "[00:01:00]あ[00:01:50]\n[00:05:00]い[00:05:40]\n", "shifted before the song"},
        {{{"LineNumber", "2"}},
         "[00:10:00]一[00:11:00]\n[00:10:50]二[00:12:00]\n[00:01:20]三[00:02:00]\n[00:20:00]四[00:21:00]\n",
         "a later row sung before the first, in group display"},
        {{{"LineNumber", "2"}, {"aftTime", "-120"}, {"LyricsDispTime", "500"}},
         "[00:10:00]一[00:11:00]\n[00:10:50]二[00:12:00]\n[00:10:60]三[00:12:00]\n[00:10:70]四[00:21:00]\n",
         "everything at once"},
        {{{"LineNumber", "0"}},
         "[00:01:00]あ[00:01:50]空[00:01:50]([00:01:50]そら[99:99:99])[99:99:99]\n[00:09:00]か[00:09:50]\n",
         "a last tag beyond the next line under a ruby"},
        {{}, "[00:01:00]空[00:01:00]([00:01:00]そら[00:03:00])[00:03:00]を[00:00:50]\n[00:04:00]か[00:04:50]\n",
         "a last tag earlier than the ones before it"},
    };
    for (const Case& c : cases) {
        for (const auto& [field, value] : c.fields) ASSERT_TRUE(session.setField(field, value).ok) << c.why;
        load(c.lyrics);
        EXPECT_EQ(kvelmor::testing::describe(scriptViolations(written())), "") << c.why;
        session.setField("aftTime", "20");
        session.setField("upTime", "0");
        session.setField("LineNumber", "1");
        session.setField("LyricsDispTime", "10");
    }
}

// A change after the load runs only the stages it lists: StyleNumber runs the
// styles and the time correction, which leaves each line's raw tag times.
TEST_F(ScriptRulesFixture, StyleNumberChangedAfterALineWithTagsRunningBackwards) {
    load("[00:05:00]あ[00:03:00]い[00:04:00]\n[00:06:00]う[00:07:00]\n");
    ASSERT_TRUE(session.setField("StyleNumber", "2").ok);
    EXPECT_EQ(kvelmor::testing::describe(scriptViolations(written())), "");
}

// Every wipe style with every built-in effect sample over the example song:
// the braces of every override block the program writes are closed.
TEST_F(ScriptRulesFixture, EveryWipeStyleWithEveryBuiltInSample) {
    load(exampleSong());
    for (int sample = 0; sample < effects::kBuiltInSampleCount; ++sample) {
        ASSERT_TRUE(session.samples.applySample(sample, session.settings));
        for (int wipe = 0; wipe <= 7; ++wipe) {
            session.setField("wipe", std::to_string(wipe));
            EXPECT_EQ(kvelmor::testing::describe(scriptViolations(written())), "")
                << "sample " << sample << ", wipe " << wipe;
        }
    }
}

namespace {

// "[mm:ss:cc]" of a time in centiseconds.
std::string tagText(int cs) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d]", cs / 6000, cs / 100 % 60, cs % 100);
    return buf;
}

// A song of short lines in time order, some a breath apart and some with no
// gap at all, kana with inline ruby over kanji here and there.
std::string generatedSong(unsigned seed) {
    std::mt19937 random(seed);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const char* const kana[] = {"あ", "い", "う", "か", "き", "さ", "た", "な", "ら", "ん"};
    const std::pair<const char*, const char*> kanji[] = {{"空", "そら"}, {"四", "よん"}, {"明日", "あした"}};
    std::string song;
    int now = 300;
    for (int line = between(8, 12); line > 0; --line) {
        for (int syllable = between(2, 7); syllable > 0; --syllable) {
            const int d = between(10, 60);
            if (between(0, 3) == 0) {
                const auto& [base, reading] = kanji[between(0, 2)];
                song += tagText(now) + base + tagText(now) + "(" + tagText(now) + reading + tagText(now + d) + ")";
            } else {
                song += tagText(now) + kana[between(0, 9)];
            }
            now += d;
        }
        song += tagText(now) + "\n";
        now += between(0, 200);
    }
    return song;
}

}  // namespace

// In every arrangement of rows (one to five), both display types, with and
// without bottom alignment and new line priority: no two lines drawn at the
// same height are up at the same time, a line stays until its last syllable
// is sung, every line's lead-in still brings its first syllable to its tag,
// and no karaoke tag of the script has a negative duration.
TEST_F(ScriptRulesFixture, RowsNeverOverlapAndLinesStayUntilSung) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::string song = generatedSong(seed);
        for (int lineNumber = 0; lineNumber <= 4; ++lineNumber)
            for (const char* display : {"DisplayType1", "DisplayType2"})
                for (const char* lower : {"0", "1"})
                    for (const char* priority : {"0", "1"}) {
                        const std::string why = "song " + std::to_string(seed) + ", LineNumber " +
                                                std::to_string(lineNumber) + ", " + display + ", LowerCheck " +
                                                lower + ", LyricsDisp " + priority;
                        ASSERT_TRUE(session.setField("LineNumber", std::to_string(lineNumber)).ok);
                        ASSERT_TRUE(session.setField(display, "1").ok);
                        ASSERT_TRUE(session.setField("LowerCheck", lower).ok);
                        ASSERT_TRUE(session.setField("LyricsDisp", priority).ok);
                        load(song);
                        EXPECT_EQ(kvelmor::testing::describe(scriptViolations(written())), "") << why;

                        const auto& table = session.song.workLines;
                        for (int i = 1; i <= table.count(); ++i) {
                            const auto& line = table[i];
                            int first = 0, last = 0;
                            for (int k = 1; k <= line.unitCount; ++k)
                                if (!line.unit(k).isChar) {
                                    if (first == 0) first = k;
                                    last = k;
                                }
                            ASSERT_NE(first, 0) << why;
                            EXPECT_GE(line.endTime, line.unit(last).time) << why << ": line " << i << " cut while sung";
                            EXPECT_EQ(line.startTime + line.preTimeUsed + line.advanceTime, line.unit(first).time)
                                << why << ": line " << i << "'s lead-in";
                            for (int j = 1; j < i; ++j) {
                                const auto& earlier = table[j];
                                if (earlier.posY != line.posY) continue;
                                EXPECT_TRUE(earlier.endTime <= line.startTime || line.endTime <= earlier.startTime)
                                    << why << ": lines " << j << " (" << earlier.startText << "-" << earlier.endText
                                    << ") and " << i << " (" << line.startText << "-" << line.endText
                                    << ") at the same height";
                            }
                        }
                    }
    }
}
