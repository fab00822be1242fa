// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/script_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/fixed_measurer.h"
#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;
namespace fs = std::filesystem;

namespace {

struct ScriptWriterFixture : ::testing::Test {
    settings::ConversionSettings s;
    lyrics::Song song;
    ScriptHeader header;
    settings::CreditSettings credit;
    measure::FixedMeasurer measurer;
    CollectingReporter reporter;
    fs::path dir;

    ScriptWriterFixture() {
        dir = fs::temp_directory_path() /
              ("kvelmor_script_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        s.setText("tagFontPixcel", "30");
        s.setText("Label19", "12");
        song.lyricsPath = (dir / "song.txt").string();
        song.songInfo.title = "Song";
        song.rubyState = lyrics::kRubyAssigned;
        auto& a = song.workLines.appendLine();
        a = builtLine(100, 400, 30, 430);
        addSlots(a, {tagSlot(180), charSlot("夜", 20, "", "{\\K40}"), charSlot("空", 20, "", "{\\K60}"), tagSlot(280)});
        a.unit(2).editRuby().ruby = "よぞら";
        a.unit(2).editRuby().rubyX = 35;
        a.unit(2).editRuby().rubyY = 395;
        a.unit(2).editRuby().rubyStartTime = 180;
        a.unit(2).editRuby().rubyEndTime = 280;
        a.setRubyText2(2, "{\\K100}");
        a.preTimeUsed = 80;
        auto& b = song.workLines.appendLine();
        b = builtLine(300, 600, 30, 470);
        addSlots(b, {tagSlot(380), charSlot("星", 20, "", "{\\K50}"), tagSlot(430)});
        b.preTimeUsed = 80;
        refreshScriptInfo(header, song, settings::ConversionOptions(s), "default");
        header.info.OriginalScript = "someone";
        refreshStyles(header, settings::ConversionOptions(s));
    }
    ~ScriptWriterFixture() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string text() {
        return scriptText(song, settings::ConversionOptions(s), header, settings::CreditOptions(credit),
                          SongInfoLabels{}, measurer);
    }
    bool write() {
        return writeScript(song, settings::ConversionOptions(s), header, settings::CreditOptions(credit),
                           SongInfoLabels{}, measurer, reporter);
    }
    std::string scriptBytes() {
        std::string bytes;
        EXPECT_TRUE(readFileBytes((dir / "song.ass").string(), bytes).ok);
        return bytes;
    }
    std::vector<std::string> folderContents(const fs::path& p) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(p)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ScriptWriterFixture, WholeScriptInOrder) {
    const std::string t = text();
    EXPECT_EQ(t.find('\n'), t.find("\r\n") + 1) << "lines end with CR LF";
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), std::count(t.begin(), t.end(), '\r'));
    EXPECT_EQ(joinLines(scriptLines(t)), R"([Script Info]
; This is a Sub Station Alpha v4+ script.
; This script made by Kvelmor 2.0.19
; For Kvelmor info and downloads,
; go to https://kvelmor.org
; [Song Info]
; Artist: 
; Lyrics: 
; Compose: 
; Arrange: 
; Year: 
; Album: 
Title: Song
Original Script: someone
ScriptType: v4.00+
PlayResX: 640
PlayResY: 480
Timer: 100.0000
WrapStyle: 2

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Kanji1,MS UI Gothic,30,65535,16711680,0,-2147483648,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128
Style: Ruby1,MS UI Gothic,12,65535,16711680,0,-2147483648,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128

[Events]
Format: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 110,0:00:01.00,0:00:04.00,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}{\K80}{\K40}夜{\K60}空
Dialogue: 10,0:00:01.00,0:00:04.00,Ruby1,,0000,0000,0000,Karaoke,{\q2}{\K80}{\pos(35,395)}{\K100}よぞら{\K120}
Dialogue: 110,0:00:03.00,0:00:06.00,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,470)}{\K80}{\K50}星
)");
}

TEST_F(ScriptWriterFixture, Utf16WithByteOrderMark) {
    s.setText("unicode", "1");
    ASSERT_TRUE(write());
    EXPECT_TRUE(reporter.reports.empty());
    const std::string bytes = scriptBytes();
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes, encodeUtf16le(text(), true));
    EXPECT_EQ(folderContents(dir), (std::vector<std::string>{"song.ass"})) << "no temporary file left";
}

TEST_F(ScriptWriterFixture, Cp932WithoutUnicode) {
    s.setText("unicode", "0");
    ASSERT_TRUE(write());
    const std::string bytes = scriptBytes();
    EXPECT_EQ(bytes, encodeCp932(text()).value());
    EXPECT_NE(bytes.find("{\\q2}{\\pos(30,430)}"), std::string::npos) << "backslashes stay 0x5C";
    EXPECT_NE(bytes.find("\x96\xe9"), std::string::npos) << "夜 in CP932";
}

TEST_F(ScriptWriterFixture, Cp932RefusesCharactersItCannotHold) {
    s.setText("unicode", "0");
    std::ofstream(dir / "song.ass", std::ios::binary) << "old script";
    song.songInfo.artist = "가수";                 // line 7
    song.workLines[2].unit(2).text = "😀";       // the last event line
    ASSERT_FALSE(write());
    EXPECT_EQ(scriptBytes(), "old script") << "nothing replaced, nothing half-written";

    const int lastLine = static_cast<int>(scriptLines(text()).size());
    ASSERT_EQ(reporter.reports.size(), 3u);
    const std::string path = (dir / "song.ass").string();
    EXPECT_EQ(reporter.reports[0].line, 7);
    EXPECT_EQ(reporter.reports[0].file, path);
    EXPECT_EQ(reporter.reports[0].text, "characters that CP932 cannot hold: \"가\" (U+AC00), \"수\" (U+C218)");
    EXPECT_EQ(reporter.reports[1].line, lastLine);
    EXPECT_EQ(reporter.reports[1].text, "characters that CP932 cannot hold: \"😀\" (U+1F600)");
    EXPECT_EQ(reporter.reports[2].line, 0);
    EXPECT_EQ(reporter.reports[2].severity, Severity::Error);

    reporter.reports.clear();
    s.setText("unicode", "1");
    EXPECT_TRUE(write()) << "UTF-16 holds them";
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(ScriptWriterFixture, UnwritableTargetsAreReported) {
    fs::create_directories(dir / "song.ass");  // a folder where the script goes
    struct Case {
        std::string lyricsPath;
        std::string reason;
        const char* why;
    };
    const Case cases[] = {
        {(dir / "missing" / "song.txt").string(), "No such file or directory", "the folder does not exist"},
        {(dir / "song.txt").string(), "Is a directory", "the target is a folder"},
        {"/proc/kvelmor-song.txt", "", "a file system that takes no new files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        reporter.reports.clear();
        song.lyricsPath = c.lyricsPath;
        EXPECT_FALSE(write());
        ASSERT_EQ(reporter.reports.size(), 1u);
        EXPECT_EQ(reporter.reports[0].file, scriptPathFor(c.lyricsPath));
        EXPECT_EQ(reporter.reports[0].text.rfind("cannot write the script: ", 0), 0u) << reporter.reports[0].text;
        if (!c.reason.empty()) {
            EXPECT_NE(reporter.reports[0].text.find(c.reason), std::string::npos);
        }
    }
    EXPECT_EQ(folderContents(dir), (std::vector<std::string>{"song.ass"})) << "no temporary file left";
    EXPECT_TRUE(fs::is_directory(dir / "song.ass"));
}

TEST_F(ScriptWriterFixture, NoLyricsFileWritesNothing) {
    song.lyricsPath.clear();
    EXPECT_FALSE(write());
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_TRUE(folderContents(dir).empty());
}

// Whatever the tables and settings hold, the script is whole lines of text:
// no crash, no arithmetic overflow (run under the sanitizers), every line
// ended, one line per event.
TEST(ScriptWriterRobustness, OddTablesInEveryMode) {
    std::mt19937 rng(20240607);
    auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
    const int32_t extremes[] = {0, 1, -1, 32767, -32768, std::numeric_limits<int32_t>::max(),
                                std::numeric_limits<int32_t>::min()};
    auto number = [&] { return pick(0, 3) == 0 ? extremes[pick(0, 6)] : pick(-500, 5000); };
    const char* const texts[] = {"", ";", "a;b;c", "{\\K10}", ";;", "\u3000", " ", "夜", "{\\t(0,[%s+1],\\fs10)};x"};
    auto text = [&] { return std::string(texts[pick(0, 8)]); };

    for (int round = 0; round < 300; ++round) {
        lyrics::Song song;
        song.rubyState = static_cast<int16_t>(pick(0, 3));
        for (int i = pick(0, 4); i > 0; --i) {
            auto& l = song.workLines.appendLine();
            l = builtLine(number(), number(), number(), number());
            l.lineKind = number();
            l.preTimeUsed = number();
            l.advanceTime = number();
            l.pieceList = text();
            l.kanjiStyle = pick(0, 1) ? "substyle1" : "Kanji1";
            for (int k = pick(0, 12); k > 0; --k) {
                TestSlot slot = pick(0, 2) ? charSlot(text(), number(), text(), text()) : tagSlot(number());
                lyrics::LyricUnit& u = slot.unit;
                if (u.isChar && pick(0, 1)) {
                    u.editRuby().ruby = text();
                    u.editRuby().rubySpan = number();
                    u.editRuby().rubyWidth = number();
                    u.editRuby().rubyX = number();
                    u.editRuby().rubyStartTime = number();
                    u.editRuby().rubyEndTime = number();
                }
                addSlots(l, {slot});
            }
            if (pick(0, 5) == 0) l.unitCount = number();  // a count that does not match the slots
        }
        settings::ConversionSettings s;
        s.setText("wipe", std::to_string(pick(-1, 8)));
        s.setText("posNo", std::to_string(pick(0, 1)));
        s.setText("kintouCheck", std::to_string(pick(0, 1)));
        s.setText("rubyScale", pick(0, 1) ? "1e308" : "-2.5");
        s.setText("rubyLeft", std::to_string(number()));
        s.setText("DelayTime", std::to_string(number()));
        s.setText("PrimaryAlpha", std::to_string(number()));
        s.setText("PrimaryColor", std::to_string(number()));
        // Song information and the credit with odd fields of their own.
        for (const char* box : {"songInfoCheck", "songInfoPreCheck", "menuCreditOn", "CheckDouRetu"})
            s.setText(box, std::to_string(pick(0, 1)));
        for (const char* field : {"InfoMode", "titleDispType", "titleEndTime", "titleStartH", "titleEndM", "endH",
                                  "endS", "TitleY", "spacer", "titleFontPixcel", "titleFontSize", "dispWidth"})
            s.setText(field, std::to_string(number()));
        song.songInfo.title = text();
        song.songInfo.artist = text();
        song.songInfo.album = text();
        settings::CreditSettings credit;
        for (const char* field : {"titleStartH", "titleStartS", "titleEndH", "titleEndM", "posX", "posY", "FadeIn",
                                  "CreditFontSize", "xRight"})
            credit.setText(field, std::to_string(number()));
        credit.setText("CreditTag", text());
        credit.setText("Credit", text());
        measure::FixedMeasurer measurer({pick(-50, 500), pick(-50, 500), pick(-50, 500)});
        ScriptHeader header;
        refreshScriptInfo(header, song, settings::ConversionOptions(s), "p");
        refreshStyles(header, settings::ConversionOptions(s));
        const std::string t = scriptText(song, settings::ConversionOptions(s), header, settings::CreditOptions(credit),
                                         SongInfoLabels{}, measurer);
        ASSERT_EQ(t.substr(t.size() - 2), "\r\n");
        EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), std::count(t.begin(), t.end(), '\r'));
    }
}

}  // namespace
