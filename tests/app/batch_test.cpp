// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/batch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/session.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/fixed_measurer.h"
#include "lyrics/reader.h"

using namespace kvelmor;
using namespace kvelmor::app;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::string readScript(const fs::path& p) {
    std::string bytes;
    if (!readFileBytes(p.string(), bytes).ok) return {};
    return decodeText(bytes).utf8;
}

std::vector<std::string> dialogueLines(const std::string& script) {
    std::vector<std::string> out;
    for (std::string_view line : splitLines(script))
        if (line.rfind("Dialogue: ", 0) == 0) out.emplace_back(line);
    return out;
}

// Two screens: a line with inline ruby alone on its screen (which bottom
// alignment moves and centres), then two lines.
std::string song(const std::string& headers, const std::string& a, const std::string& b) {
    return headers +
           "[00:01:00]" + a + "[00:01:50]([00:01:50]よみ[00:02:00])[00:02:00]" + a + "[00:02:50]\n"
           "[00:10:00]" + b + "[00:10:50]" + b + "[00:11:00]\n"
           "[00:11:50]" + a + "[00:12:00]" + b + "[00:12:50]\n";
}

std::string tooLong() {
    std::string s = "@title=Too long\n";
    for (int i = 0; i <= lyrics::kMaxRawLines; ++i) s += "[00:01:00]ら[00:01:50]\n";
    return s;
}

struct BatchFixture : ::testing::Test {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    Session session{reporter, measurer};
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_batch_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The script a single load and write of `lyrics` gives in a fresh session.
    std::string singleConversion(const fs::path& lyrics) {
        NullReporter quiet;
        Session single{quiet, measurer};
        EXPECT_TRUE(single.loadLyrics(lyrics.string()));
        fs::path out = dir / "single" / (lyrics.stem().string() + ".ass");
        fs::create_directories(out.parent_path());
        EXPECT_TRUE(single.writeScript(out.string()));
        return readScript(out);
    }
};

}  // namespace

// The folder mixes good songs, a song with too many lines, a link to nothing,
// an upper-case extension, files of other kinds and a subfolder.
TEST_F(BatchFixture, ConvertsEachTextFileOnItsOwnInNameOrder) {
    writeText(dir / "a_first.txt",
              song("@title=First\n@subtitle=First sub\n@artist=Ann\n@timeratio=1\n", "あ", "か"));
    writeText(dir / "b_toolong.txt", tooLong());
    writeText(dir / "c_second.txt", song("@title=Second\n@artist=Ben\n", "い", "き"));
    writeText(dir / "D_upper.TXT", song("@title=Upper\n", "う", "く"));
    fs::create_symlink(dir / "nowhere.txt", dir / "e_missing.txt");
    writeText(dir / "notes.md", song("@title=Notes\n", "え", "け"));
    writeText(dir / "old.kra", song("@title=Tag file\n", "お", "こ"));
    fs::create_directories(dir / "sub");
    writeText(dir / "sub" / "inner.txt", song("@title=Inner\n", "な", "に"));
    fs::create_directories(dir / "folder.txt");  // a folder, whatever its name

    std::vector<std::string> started;
    std::vector<int> done;
    int reportsAnnounced = 0;
    BatchProgress progress;
    progress.starting = [&](int index, int total, const std::string& path) {
        EXPECT_EQ(index, static_cast<int>(started.size()));
        EXPECT_EQ(total, 5);
        started.push_back(fs::path(path).filename().string());
    };
    progress.finished = [&](const BatchFileResult&, int d, int total) {
        done.push_back(d);
        EXPECT_EQ(total, 5);
    };
    // Announced before the report arrives, so a progress line can step aside.
    progress.reporting = [&] { EXPECT_EQ(static_cast<int>(reporter.reports.size()), reportsAnnounced++); };

    BatchResult r = runBatch(session, dir.string(), progress);

    ASSERT_EQ(r.status, BatchStatus::Done);
    // Byte order of the names: upper-case letters before lower-case ones.
    const std::vector<std::string> order{"D_upper.TXT", "a_first.txt", "b_toolong.txt", "c_second.txt",
                                         "e_missing.txt"};
    EXPECT_EQ(started, order);
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(r.files.size(), 5u);
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(r.files[i].path, (dir / order[i]).string());
    EXPECT_EQ(r.convertedCount(), 3);
    EXPECT_EQ(r.skippedCount(), 2);
    EXPECT_EQ(reportsAnnounced, static_cast<int>(reporter.reports.size()));

    // The skipped files give their reasons; the files after them are still converted.
    EXPECT_FALSE(r.files[2].converted);
    EXPECT_EQ(r.files[2].reason, lyrics::kTooManyLinesMessage);
    EXPECT_FALSE(fs::exists(dir / "b_toolong.ass"));
    EXPECT_FALSE(r.files[4].converted);
    EXPECT_NE(r.files[4].reason.find("cannot read"), std::string::npos) << r.files[4].reason;
    for (const auto& f : r.files) {
        for (const auto& rep : f.reports) EXPECT_EQ(rep.file, f.path) << rep.text;
    }

    // Each song's information is its own: the subtitle of the first does not reach the second.
    EXPECT_EQ(r.files[1].songInfo.subtitle, "First sub");
    EXPECT_EQ(r.files[3].songInfo.title, "Second");
    EXPECT_EQ(r.files[3].songInfo.subtitle, "");
    EXPECT_EQ(r.files[0].songInfo.artist, "");

    struct Expect {
        const char* script;
        const char* title;
        const char* artist;
        const char* own;
        std::vector<const char*> others;
    };
    const std::vector<Expect> expects{
        {"D_upper.ass", "Upper", "", "う", {"あ", "い", "え", "お", "な"}},
        {"a_first.ass", "First", "Ann", "あ", {"い", "う", "え", "お", "な"}},
        {"c_second.ass", "Second", "Ben", "い", {"あ", "う", "え", "お", "な"}},
    };
    for (const auto& e : expects) {
        SCOPED_TRACE(e.script);
        std::string text = readScript(dir / e.script);
        EXPECT_NE(text.find(std::string("\r\nTitle: ") + e.title + "\r\n"), std::string::npos);
        EXPECT_NE(text.find(std::string("\r\n; Artist: ") + e.artist + "\r\n"), std::string::npos);
        std::vector<std::string> dialogue = dialogueLines(text);
        EXPECT_GE(dialogue.size(), 4u);  // three lines and a ruby
        for (const auto& d : dialogue) {
            for (const char* other : e.others) EXPECT_EQ(d.find(other), std::string::npos) << d;
        }
        EXPECT_NE(text.find(e.own), std::string::npos);
    }
    EXPECT_EQ(r.files[0].scriptPath, (dir / "D_upper.ass").string());
    for (const char* absent : {"notes.ass", "old.ass", "folder.ass", "e_missing.ass", "a_first.kra"})
        EXPECT_FALSE(fs::exists(dir / absent)) << absent;
    EXPECT_FALSE(fs::exists(dir / "sub" / "inner.ass"));

    // The session holds the last file read, as a load leaves it.
    EXPECT_EQ(session.song.lyricsPath, (dir / "c_second.txt").string());
    EXPECT_EQ(session.song.songInfo.title, "Second");
    EXPECT_EQ(session.song.songInfo.subtitle, "");
    EXPECT_EQ(session.header.info.Title, "Second");
}

// A batch script is the script a single conversion of that file writes,
// whatever the files before it held. The first file switches the time
// correction off, the second relies on the setting; both have ruby on a screen
// that bottom alignment moves, so the ruby must be placed after the move.
TEST_F(BatchFixture, EachScriptEqualsASingleConversionOfItsFile) {
    writeText(dir / "1.txt", song("@title=One\n@subtitle=Sub one\n@year=1999\n@timeratio=1\n", "春", "夏"));
    writeText(dir / "2.txt", song("@title=Two\n", "秋", "冬"));
    ASSERT_EQ(session.settings.text("LowerCheck"), "1");
    ASSERT_EQ(session.settings.text("WinAMPTime"), "1");

    BatchResult r = runBatch(session, dir.string());
    ASSERT_EQ(r.convertedCount(), 2);
    for (const char* name : {"1", "2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readScript(dir / (std::string(name) + ".ass")), singleConversion(dir / (std::string(name) + ".txt")));
    }
    EXPECT_EQ(session.settings.text("WinAMPTime"), "1");  // a file's "@timeratio=" is its own, never the settings'
    EXPECT_EQ(session.song.songInfo.year, "");
}

// A cancel asked for while a file is handled stops before the next file.
TEST_F(BatchFixture, ACancelStopsBeforeTheNextFile) {
    for (const char* name : {"1", "2", "3"}) writeText(dir / (std::string(name) + ".txt"), song("", "あ", "か"));
    bool stop = false;
    BatchProgress progress;
    progress.finished = [&](const BatchFileResult&, int done, int) { stop = done == 1; };
    progress.cancelled = [&] { return stop; };

    BatchResult r = runBatch(session, dir.string(), progress);
    EXPECT_TRUE(r.cancelled);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_TRUE(r.files[0].converted);
    EXPECT_TRUE(fs::exists(dir / "1.ass"));
    EXPECT_FALSE(fs::exists(dir / "2.ass"));
    EXPECT_FALSE(fs::exists(dir / "3.ass"));
}

TEST_F(BatchFixture, ScriptsThatCannotBeWrittenAreSkippedWithTheirReason) {
    writeText(dir / "a.txt", song("", "あ", "か"));
    fs::create_directories(dir / "a.ass");  // the script's place is taken by a folder
    writeText(dir / "b.TXT", song("", "い", "き"));
    writeText(dir / "b.txt", song("", "う", "く"));  // would overwrite b.TXT's script
    writeText(dir / "c.txt", song("", "え", "け"));

    BatchResult r = runBatch(session, dir.string());
    ASSERT_EQ(r.files.size(), 4u);
    EXPECT_FALSE(r.files[0].converted);
    EXPECT_FALSE(r.files[0].reason.empty());
    EXPECT_TRUE(fs::is_directory(dir / "a.ass"));
    EXPECT_TRUE(r.files[1].converted);
    EXPECT_FALSE(r.files[2].converted);
    EXPECT_NE(r.files[2].reason.find((dir / "b.ass").string()), std::string::npos) << r.files[2].reason;
    EXPECT_NE(readScript(dir / "b.ass").find("い"), std::string::npos);  // b.TXT's script stays
    EXPECT_TRUE(r.files[3].converted);
    EXPECT_TRUE(fs::exists(dir / "c.ass"));
}

TEST_F(BatchFixture, AFolderWithoutTextFilesConvertsNothing) {
    writeText(dir / "readme.md", "@title=x\n[00:01:00]あ[00:02:00]\n");
    fs::create_directories(dir / "sub");
    writeText(dir / "sub" / "inner.txt", song("", "あ", "か"));

    BatchResult r = runBatch(session, dir.string());
    EXPECT_EQ(r.status, BatchStatus::Done);
    EXPECT_TRUE(r.files.empty());
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].severity, Severity::Warning);
    EXPECT_EQ(reporter.reports[0].file, dir.string());
    EXPECT_FALSE(fs::exists(dir / "sub" / "inner.ass"));
    EXPECT_EQ(session.song.lyricsPath, "");
}

TEST_F(BatchFixture, AMissingFolderOrAFileIsAFolderError) {
    for (const fs::path& p : {dir / "missing", dir / "file.txt"}) {
        SCOPED_TRACE(p.string());
        if (p.filename() == "file.txt") writeText(p, song("", "あ", "か"));
        reporter.reports.clear();
        BatchResult r = runBatch(session, p.string());
        EXPECT_EQ(r.status, BatchStatus::FolderError);
        EXPECT_TRUE(r.files.empty());
        ASSERT_EQ(reporter.reports.size(), 1u);
        EXPECT_EQ(reporter.reports[0].severity, Severity::Error);
        EXPECT_EQ(reporter.reports[0].file, p.string());
    }
    EXPECT_FALSE(fs::exists(dir / "file.ass"));
}
