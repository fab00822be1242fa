// The command line as users call it: exit codes, what it writes and where.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/file_io.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int code = -1;
    std::string out;
};

struct CliTest : ::testing::Test {
    fs::path dir;
    std::string settings;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_cli_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        settings = (dir / "Kvelmor.ini").string();
    }
    // Runs kvelmor with the arguments (shell-quoted by the caller); stdout is captured.
    CliRun kvelmor(const std::string& args) {
        std::string cmd = std::string(KVELMOR_BINARY) + " " + args + " 2>" + (dir / "stderr.txt").string();
        CliRun r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    std::string stderrText() {
        std::string s;
        kvelmor::readFileBytes((dir / "stderr.txt").string(), s);
        return s;
    }
    fs::path copyExample() {
        fs::path song = dir / "song.txt";
        fs::copy_file(fs::path(KVELMOR_EXAMPLES) / "sakura_no_michi.txt", song);
        return song;
    }
};

}  // namespace

TEST_F(CliTest, VersionAndHelp) {
    EXPECT_EQ(kvelmor("--version").out, "Kvelmor 2.0.19\n");
    CliRun help = kvelmor("--help");
    EXPECT_EQ(help.code, 0);
    for (const char* word : {"convert", "check", "kra", "presets", "--set", "--settings", "--preset"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_EQ(kvelmor("frobnicate").code, 2);
}

TEST_F(CliTest, ConvertWritesTheScriptBesideTheLyricsAndNeverTheSettings) {
    fs::path song = copyExample();
    CliRun r = kvelmor("convert --settings " + settings + " " + song.string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(r.out, "wrote " + (dir / "song.ass").string() + "\n");
    std::string bytes;
    ASSERT_TRUE(kvelmor::readFileBytes((dir / "song.ass").string(), bytes).ok);
    std::string text = kvelmor::decodeText(bytes).utf8;
    EXPECT_EQ(text.rfind("[Script Info]", 0), 0u);
    EXPECT_NE(text.find("Title: 桜の道"), std::string::npos);
    EXPECT_NE(text.find("Dialogue: "), std::string::npos);
    EXPECT_FALSE(fs::exists(settings));
    EXPECT_FALSE(fs::exists(dir / "song.kra"));

    r = kvelmor("convert --kra --settings " + settings + " --set unicode=0 -o " + (dir / "out.ass").string() + " " +
                song.string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_TRUE(fs::exists(dir / "out.ass"));
    EXPECT_TRUE(fs::exists(dir / "song.kra"));
}

TEST_F(CliTest, ConvertGoesOnAfterAFileThatCannotBeRead) {
    fs::path song = copyExample();
    CliRun r = kvelmor("convert --settings " + settings + " " + (dir / "missing.txt").string() + " " + song.string());
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(fs::exists(dir / "song.ass"));
    EXPECT_NE(stderrText().find("missing.txt"), std::string::npos);
}

TEST_F(CliTest, CheckPrintsReportsAndSetsTheExitCode) {
    fs::path song = copyExample();
    CliRun clean = kvelmor("check --settings " + settings + " " + song.string());
    EXPECT_EQ(clean.code, 0) << clean.out << stderrText();
    EXPECT_EQ(clean.out, "");
    CliRun narrow = kvelmor("check --settings " + settings + " --set dispWidth=300 " + song.string());
    EXPECT_EQ(narrow.code, 1);
    EXPECT_FALSE(narrow.out.empty());
    EXPECT_EQ(kvelmor("check --settings " + settings + " " + (dir / "nope.txt").string()).code, 2);
}

TEST_F(CliTest, SetAndPresetErrorsNameWhatIsWrong) {
    fs::path song = copyExample();
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --set dispwidht=3 " + song.string()).code, 2);
    EXPECT_NE(stderrText().find("dispWidth"), std::string::npos);  // the closest known name
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --set wipe=99 " + song.string()).code, 2);
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --preset nope " + song.string()).code, 2);
    EXPECT_FALSE(fs::exists(dir / "song.ass"));
}

TEST_F(CliTest, PresetsSaveShowListDelete) {
    EXPECT_EQ(kvelmor("presets save wide --settings " + settings + " --set dispWidth=1280 --set DisplayType2=1").code,
              0)
        << stderrText();
    EXPECT_EQ(kvelmor("presets list --settings " + settings).out, "default\nwide\n");
    CliRun show = kvelmor("presets show wide --settings " + settings);
    EXPECT_NE(show.out.find("\nSizeWidth=1280\n"), std::string::npos);
    EXPECT_NE(show.out.find("\nDisplayType2=True\n"), std::string::npos);
    EXPECT_EQ(std::count(show.out.begin(), show.out.end(), '\n'), 120);
    EXPECT_EQ(kvelmor("presets save info --settings " + settings).code, 2);
    EXPECT_NE(stderrText().find("「info」の名称は使えません"), std::string::npos);
    EXPECT_EQ(kvelmor("presets delete default --settings " + settings).code, 2);
    EXPECT_EQ(kvelmor("presets delete wide --settings " + settings).code, 0);
    EXPECT_EQ(kvelmor("presets list --settings " + settings).out, "default\n");
}
