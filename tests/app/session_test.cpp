// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "measure/fixed_measurer.h"

using namespace kvelmor;
using namespace kvelmor::app;
namespace fs = std::filesystem;

namespace {

struct SessionFixture : ::testing::Test {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    Session session{reporter, measurer};
    std::vector<int> ran;
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kvelmor_session_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        StageTable t;
        for (int i = 0; i <= kStageCount; ++i) t[static_cast<size_t>(i)] = [this, i](Session&) { ran.push_back(i); };
        session.setStageTable(t);
    }
    std::vector<int> stagesOf(const std::function<void()>& change) {
        ran.clear();
        change();
        return ran;
    }
};

std::vector<int> range(int a, int b) {
    std::vector<int> v;
    for (int i = a; i <= b; ++i) v.push_back(i);
    return v;
}

}  // namespace

// Each change below runs exactly these stages, in this order, with LowerCheck
// and LyricsDisp ticked (their defaults).
TEST_F(SessionFixture, EverySettingChangeRunsItsStagesInOrder) {
    struct Case {
        const char* field;
        const char* value;
        std::vector<int> stages;
    };
    const std::vector<Case> cases = {
        {"dispWidth", "800", {4, 11, 12, 14, 17}},
        {"dispHeight", "600", {4, 11, 12, 14, 17}},
        {"MarginL", "10", {5, 11, 12, 14, 17}},
        {"MarginR", "10", {5, 11, 12, 14, 17}},
        {"MarginN", "10", {5, 11, 12, 14, 17}},
        {"MarginV", "10", {5, 11, 12, 14, 17}},
        {"shadowDepth", "2", {5, 11, 12, 14, 17}},
        {"outLine", "2", {5}},
        {"ssaFontSize", "30", {5, 11, 12, 14, 17}},
        {"rubyFontSize", "12", {5, 11, 12, 14, 17}},
        {"rubyUp", "4", {11, 12, 14, 17}},
        {"rubyDown", "4", {11, 12, 14, 17}},
        {"rubyScale", "1", {14}},
        {"preTime", "70", {8, 15, 9, 10, 11, 12, 14}},
        {"aftTime", "30", {8, 15, 9, 10, 11, 12, 14}},
        {"upTime", "-10", {6, 7, 8, 15, 10}},
        {"mojiScaleX", "1.2", {}},
        {"StyleNumber", "2", {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
        {"titleFontSize", "16", {}},
        {"DelayTime", "12", {}},
        {"kaigyo", "1", range(1, 12)},
        {"LowerCheck", "1", range(1, 12)},
        {"WinAMPTime", "0", range(1, 12)},
        {"spaceTime", "0", range(1, 12)},
        {"DisplayType2", "1", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14}},
        {"DisplayType1", "1", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14}},
        {"songInfoCheck", "1", range(1, 17)},
        {"songInfoPreCheck", "1", range(1, 17)},
        {"Optionalign2", "1", range(2, 13)},
        {"Optionalign6", "1", range(2, 13)},
        {"Optionalign7", "1", range(2, 13)},
        {"Oneline3", "1", range(2, 13)},
        {"setXpositon", "0", range(2, 13)},
        {"LineNumber", "2", {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
        {"Combo1", "1", {5}},
        {"OptionBorder2", "1", {5}},
        {"InfoMode", "1", {}},
        {"CheckDouRetu", "1", {}},
        {"fadeInCheck", "1", {}},
        {"PrimaryColor", "255", {5}},
        {"secondaryColor", "255", {5}},
        {"thirdShadowColor", "255", {5}},
        {"Command9", "255", range(6, 13)},
        {"Command12", "255", range(6, 13)},
        {"teritaryColor2", "255", {}},
        {"OriginalColor", "255", {}},
        {"titlePrimaryColor", "255", {}},
        {"PrimaryAlpha", "3", {5}},
        {"backAlpha", "3", {5}},
        {"titleBackAplha", "3", {}},
        {"Command2", "IPAGothic", {5, 11, 12, 14, 17}},
        {"Command6", "IPAGothic", {5, 11, 12, 14, 17}},
        {"Command8", "IPAGothic", {}},
    };
    for (const auto& c : cases) {
        session.settings.setText("LowerCheck", "1");
        session.settings.setText("LyricsDisp", "1");
        EXPECT_EQ(stagesOf([&] { ASSERT_TRUE(session.setField(c.field, c.value).ok) << c.field; }), c.stages)
            << c.field;
    }
}

TEST_F(SessionFixture, EnterAndLeavingDifferWhereTheFieldSaysSo) {
    auto& s = session.settings;
    s.setText("outLine", "x");
    EXPECT_EQ(stagesOf([&] { session.runStages(s.pressEnter("outLine").refresh); }), std::vector<int>{});
    EXPECT_EQ(s.text("outLine"), "0");
    EXPECT_EQ(stagesOf([&] { session.runStages(s.leaveField("outLine").refresh); }), std::vector<int>{5});
    s.setText("rubyLeft", "3");
    EXPECT_EQ(stagesOf([&] { session.runStages(s.pressEnter("rubyLeft").refresh); }), (std::vector<int>{11, 12, 14}));
    EXPECT_EQ(stagesOf([&] { session.runStages(s.leaveField("rubyLeft").refresh); }), std::vector<int>{});
}

// Stage 13 settles the rows with and without new line priority, so it runs
// whatever LyricsDisp says.
TEST_F(SessionFixture, StageTwelveOnlyWhileItsBoxIsTicked) {
    session.settings.setText("LowerCheck", "0");
    session.settings.setText("LyricsDisp", "0");
    EXPECT_EQ(stagesOf([&] { session.runFullRefresh(); }),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17}));
    EXPECT_EQ(stagesOf([&] { session.setField("Optionalign2", "1"); }),
              (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}));
    session.settings.setText("LyricsDisp", "1");
    EXPECT_EQ(stagesOf([&] { session.setField("mojiScaleY", "2"); }), std::vector<int>{});  // leaving: no refresh
    session.settings.setText("mojiScaleY", "2");
    EXPECT_EQ(stagesOf([&] { session.runStages(session.settings.pressEnter("mojiScaleY").refresh); }),
              (std::vector<int>{11, 13}));
}

TEST_F(SessionFixture, LoadingAFileEndsWithTheFullRefresh) {
    fs::create_directories(dir);
    std::ofstream(dir / "a.txt") << "[00:00:00]あ[00:01:00]\n";
    EXPECT_EQ(stagesOf([&] { EXPECT_TRUE(session.loadLyrics((dir / "a.txt").string())); }), range(1, 17));
    EXPECT_EQ(session.appState.textPath, fs::absolute(dir).string());
    EXPECT_EQ(stagesOf([&] { EXPECT_FALSE(session.loadLyrics((dir / "none.txt").string())); }), std::vector<int>{});
}

TEST_F(SessionFixture, FirstStartWritesDefaultInfoAndTagInThatOrder) {
    std::string path = (dir / "sub" / "Kvelmor.ini").string();
    session.startUp(path);
    EXPECT_EQ(session.presets.list(), std::vector<std::string>{"default"});
    EXPECT_EQ(session.comboText, "default");
    EXPECT_TRUE(session.shutDown());
    settings::IniFile back;
    back.setPath(path);
    ASSERT_TRUE(back.read());
    auto sections = back.sectionNames();
    ASSERT_GE(sections.size(), 2u);
    EXPECT_EQ(sections[0], "default");
    EXPECT_EQ(sections[1], "info");
    EXPECT_EQ(back.keysOf("default").size(), 120u);

    // The next start lists "default" and loads what was saved.
    CollectingReporter r2;
    Session next(r2, measurer);
    next.startUp(path);
    EXPECT_EQ(next.presets.list(), std::vector<std::string>{"default"});
    EXPECT_EQ(next.settings, session.settings);
}

TEST_F(SessionFixture, TheWindowsShutDownKeepsAPresetSavedWhileItWasOpen) {
    fs::create_directories(dir);
    const std::string path = (dir / "Kvelmor.ini").string();
    session.startUp(path);  // the window opens
    CollectingReporter otherReports;
    Session command(otherReports, measurer);
    command.startUp(path);
    command.setField("dispWidth", "1280");
    ASSERT_TRUE(command.savePreset("wide"));
    ASSERT_TRUE(session.shutDown());  // the window closes
    Session next(reporter, measurer);
    next.startUp(path);
    EXPECT_EQ(next.presets.list(), (std::vector<std::string>{"default", "wide"}));
    ASSERT_TRUE(next.selectPreset("wide"));
    EXPECT_EQ(next.settings.text("dispWidth"), "1280");
    EXPECT_TRUE(reporter.reports.empty() && otherReports.reports.empty());
}

TEST_F(SessionFixture, ASaveInterruptedBeforeTheRenameLeavesTheOldFile) {
    fs::create_directories(dir);
    std::string path = (dir / "Kvelmor.ini").string();
    session.startUp(path);
    ASSERT_TRUE(session.shutDown());
    std::ifstream in(path, std::ios::binary);
    std::string before((std::istreambuf_iterator<char>(in)), {});
    // A folder where the file should be renamed to makes the rename fail.
    fs::path blocked = dir / "blocked.ini";
    fs::create_directories(blocked / "x");
    session.ini.setPath(blocked.string());
    EXPECT_FALSE(session.ini.save());
    EXPECT_FALSE(reporter.reports.empty());
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
    size_t files = 0;
    for (auto& e : fs::directory_iterator(dir)) files += e.is_regular_file() && e.path().extension() != ".lock";
    EXPECT_EQ(files, 1u);  // no temporary file left behind
}

// A new style number reaches every line of an already laid-out song, and
// the display windows keep their lead-in.
// Deleting the current preset loads the first one, and the song follows it.
TEST_F(SessionFixture, DeletingAPresetLaysTheSongOutWithTheOneLoaded) {
    session.startUp((dir / "Kvelmor.ini").string());
    session.settings.setText("dispWidth", "800");
    ASSERT_TRUE(session.savePreset("wide"));
    EXPECT_EQ(stagesOf([&] { EXPECT_TRUE(session.deletePreset("wide")); }),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(session.comboText, "default");
    EXPECT_EQ(session.settings.text("dispWidth"), "640");
}

// Typing into the preset box names a song that has no title of its own.
TEST_F(SessionFixture, TypingAPresetNameTitlesAnUntitledSong) {
    session.typeComboText("m");
    session.typeComboText("my preset");  // each keystroke is a change; the whole text wins
    EXPECT_EQ(session.comboText, "my preset");
    EXPECT_EQ(session.song.songInfo.title, "my preset");
    session.song.songInfo.title = "From the file";
    session.typeComboText("other");
    EXPECT_EQ(session.song.songInfo.title, "From the file");
}

TEST(SessionStyleNumber, ANewStyleNumberRenamesTheLinesAndKeepsTheirWindows) {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    Session session(reporter, measurer);
    fs::path dir = fs::temp_directory_path() / ("kvelmor_stylenumber_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "a.txt") << "[00:10:00]あ[00:11:00]\n";
    ASSERT_TRUE(session.loadLyrics((dir / "a.txt").string()));
    const auto before = session.song.workLines[1].startTime;
    ASSERT_TRUE(session.setField("StyleNumber", "2").ok);
    EXPECT_EQ(session.song.workLines[1].kanjiStyle, "Kanji2");
    EXPECT_EQ(session.header.lyricsStyle.Name, "Kanji2");
    EXPECT_EQ(session.song.workLines[1].startTime, before);  // lead-in kept
}

namespace {

// Choosing an effect sample fills the templates and both wipe boxes from it,
// as a click on the list does; choosing a wipe style first clears "no
// position". In either order of the fields, what the last choice says holds.
TEST_F(SessionFixture, ChoosingASampleOrAWipeStyleReactsAsTheListAndOptionsDo) {
    const effects::BuiltInSample& spin = effects::builtInSamples()[9];  // "回転IN": posNo ticked
    struct Case {
        std::vector<std::pair<const char*, const char*>> fields;
        const char* posNo;
        bool templatesFromSample;
        const char* why;
    };
    const Case cases[] = {
        {{{"wipe", "4"}, {"TagSample", "9"}}, "1", true, "the sample ticks posNo"},
        {{{"TagSample", "9"}, {"wipe", "6"}}, "0", true, "a wipe style chosen afterwards clears it"},
        {{{"posNo", "1"}, {"wipe", "4"}}, "0", false, "posNo then wipe: cleared"},
        {{{"wipe", "4"}, {"posNo", "1"}}, "1", false, "wipe then posNo: kept"},
        {{{"wipe.style", "4"}, {"wipe.sample", "9"}}, "1", true, "the meaningful names choose the sample too"},
    };
    for (const Case& c : cases) {
        session.settings = settings::ConversionSettings();
        session.settings.setText("KaraokeWipe", "0");
        for (const auto& [field, value] : c.fields) ASSERT_TRUE(session.setField(field, value).ok) << c.why;
        EXPECT_EQ(session.settings.text("posNo"), c.posNo) << c.why;
        EXPECT_EQ(session.settings.text("commandLine"), c.templatesFromSample ? spin.commandLine : "") << c.why;
        EXPECT_EQ(session.settings.text("commandChar"), c.templatesFromSample ? spin.commandChar : "") << c.why;
        EXPECT_EQ(session.settings.text("KaraokeWipe"), c.templatesFromSample ? "1" : "0") << c.why;
    }
    // A position past the list's end is refused and changes nothing.
    session.settings = settings::ConversionSettings();
    const auto refused = session.setField("TagSample", "15");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "wipe.sample (TagSample): the effect sample list has no position 15 (it holds 0 to 14)");
    EXPECT_EQ(session.settings, settings::ConversionSettings());
}

}  // namespace

// The settings file the window leaves behind when it closes, byte for byte:
// presets saved and selected, info keys (folders, output boxes, the credit,
// the window's own keys) after changes made as the user makes them. The
// expected file lives with the conversion corpus (tests/corpus); set
// KVELMOR_RECORD_CORPUS=1 to write it again after a deliberate change.
TEST_F(SessionFixture, TheShutDownWritesTheSameSettingsFileByteForByte) {
    fs::create_directories(dir);
    const std::string path = (dir / "Kvelmor.ini").string();
    session.startUp(path);
    const std::vector<std::pair<std::string, std::string>> firstPreset{
        {"dispWidth", "1280"}, {"dispHeight", "720"}, {"wipe", "3"},        {"LineNumber", "3"},
        {"Optionalign2", "1"}, {"Oneline3", "1"},     {"PrimaryColor", "255"}, {"backAlpha", "7"},
        {"preTime", "120"},    {"upTime", "-15"},     {"DisplayType2", "1"}, {"songInfoCheck", "1"},
        {"titleInfo", "2"},    {"ssaFontSize", "40"}, {"rubyFontSize", "16"}, {"Command2.Bold", "1"},
        {"MarginL", "12"},     {"kaigyo", "1"},       {"OptionBorder2", "1"}, {"commandLine", "{\\fad(100,100)}"},
        {"unicode", "0"},      {"menuCreditOn", "1"}, {"KraCheck", "1"},     {"titleStartM", "1"}};
    for (const auto& [name, value] : firstPreset) ASSERT_TRUE(session.setField(name, value).ok) << name;
    ASSERT_TRUE(session.savePreset("corpus"));
    ASSERT_TRUE(session.setField("wipe", "6").ok);
    ASSERT_TRUE(session.setField("TagSample", "6").ok);
    ASSERT_TRUE(session.savePreset("corpus second"));
    for (const auto& [field, value] : std::vector<std::pair<std::string, std::string>>{
             {"Credit", "Made with Kvelmor"}, {"posX", "33"}, {"xRight", "1"}, {"CreditTag", "\\blur1"},
             {"Command1.Italic", "1"}, {"PrimaryColor", "65280"}, {"titleEndS", "7"}})
        ASSERT_TRUE(session.appState.credit.setAsUser(field, value).ok) << field;
    session.appState.textPath = "/songs/lyrics";
    session.appState.mediaPath = "/songs/video";
    session.appState.window.geometry = "AdnQywADAAAAAAAA";
    session.appState.window.splitterSizes = "600,400";
    session.appState.window.lastSong = "/songs/lyrics/a.txt";
    session.appState.window.recentFiles = {"/songs/lyrics/a.txt", "/songs/lyrics/b.txt"};
    ASSERT_TRUE(session.selectPreset("corpus"));
    ASSERT_TRUE(session.shutDown());

    std::ifstream in(path, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    const fs::path expected = fs::path(KVELMOR_CORPUS) / "shutdown.ini";
    if (std::getenv("KVELMOR_RECORD_CORPUS")) {
        std::ofstream(expected, std::ios::binary) << written;
        GTEST_SKIP() << "recorded " << expected;
    }
    std::ifstream want(expected, std::ios::binary);
    ASSERT_TRUE(want) << expected;
    EXPECT_EQ(written, std::string(std::istreambuf_iterator<char>(want), {}));
}
