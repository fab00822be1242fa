// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/recovery_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/scoped_environment.h"

using namespace kvelmor;
using test_support::ScopedCurrentFolder;
using test_support::ScopedStateFolder;
using test_support::ScopedVariable;
namespace fs = std::filesystem;

namespace {

fs::path freshDir(const std::string& name) {
    fs::path d = fs::temp_directory_path() / ("kvelmor_recovery_" + name + "_" + std::to_string(getpid()));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

std::string bytesOf(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(path, bytes).ok) << path;
    return bytes;
}

}  // namespace

TEST(RecoveryFile, KeptInTheUsersStateFolder) {
    {
        ScopedVariable state("XDG_STATE_HOME", "/state/here");
        EXPECT_EQ(recoveryFolder(), "/state/here/Kvelmor/recovery");
    }
    {
        // Without XDG_STATE_HOME, its default under the home folder.
        ScopedVariable state("XDG_STATE_HOME", std::nullopt);
        ScopedVariable home("HOME", "/home/someone");
        EXPECT_EQ(recoveryFolder(), "/home/someone/.local/state/Kvelmor/recovery");
    }
    // Never beside the files it belongs to (their folder may be read-only).
    const fs::path dir = freshDir("where");
    ScopedStateFolder state(dir / "state");
    const RecoveryKey key = recoveryKey("timing", {(dir / "lyrics.txt").string(), (dir / "song.flac").string()});
    EXPECT_EQ(fs::path(recoveryPath(key)).parent_path(), state.dir / "Kvelmor" / "recovery");
    ASSERT_TRUE(keepRecoveryFile(key, "body\n").ok);  // the folder made on the way
    EXPECT_TRUE(fs::exists(recoveryPath(key)));
    fs::remove_all(dir);
}

TEST(RecoveryFile, OneFileForEachSetOfFilesWhateverPathNamesThem) {
    const fs::path dir = freshDir("keys");
    ScopedStateFolder state(dir / "state");
    fs::create_directories(dir / "songs" / "sub");
    std::ofstream(dir / "songs" / "lyr.txt") << "x";
    std::ofstream(dir / "songs" / "song.flac") << "x";
    fs::create_directory_symlink(dir / "songs", dir / "link");
    RecoveryKey typedHere;
    {
        ScopedCurrentFolder here(dir / "songs");
        typedHere = recoveryKey("timing", {"lyr.txt", "song.flac"});
    }
    // Absolute and canonical, so that the same files give the same key.
    EXPECT_EQ(typedHere.files, (std::vector<std::string>{(dir / "songs" / "lyr.txt").string(),
                                                          (dir / "songs" / "song.flac").string()}));
    const struct {
        const char* why;
        fs::path cwd;
        std::vector<std::string> paths;
        bool same;
    } cases[] = {
        {"typed from a folder below", dir / "songs" / "sub", {"../lyr.txt", "../song.flac"}, true},
        {"through a link to the folder", dir, {"link/lyr.txt", "link/./song.flac"}, true},
        {"other lyrics with the same song", dir / "songs", {"other.txt", "song.flac"}, false},
        {"the same files the other way round", dir / "songs", {"song.flac", "lyr.txt"}, false},
    };
    for (const auto& c : cases) {
        ScopedCurrentFolder cwd(c.cwd);
        const RecoveryKey key = recoveryKey("timing", c.paths);
        EXPECT_EQ(key == typedHere, c.same) << c.why;
        EXPECT_EQ(recoveryPath(key) == recoveryPath(typedHere), c.same) << c.why;
    }
    EXPECT_NE(recoveryPath(recoveryKey("lyrics", {"lyr.txt"})), recoveryPath(recoveryKey("timing", {"lyr.txt"})));
    fs::remove_all(dir);
}

TEST(RecoveryFile, AFileReadsBackOnlyWhole) {
    const fs::path dir = freshDir("whole");
    ScopedStateFolder state(dir / "state");
    // Paths with the characters the header escapes come back as they were.
    const RecoveryKey key{"timing", {"/a/100%\nlyrics.txt", "/b/song\r.flac"}};
    const std::string body = "C\x1F" "0\x1F" "1\nL\x1E" "a\x1F\x1F\x1F-1\x1F" "700\x1F\n@end=0\n";
    ASSERT_TRUE(keepRecoveryFile(key, body).ok);
    const RecoveryRead read = readRecoveryFile(key);
    ASSERT_EQ(read.state, RecoveryState::Whole) << read.problem;
    EXPECT_EQ(read.file.key, key);
    EXPECT_EQ(read.file.body, body);
    EXPECT_EQ(read.file.writer, getpid());
    EXPECT_NEAR(static_cast<double>(read.file.keptAt), static_cast<double>(std::time(nullptr)), 5);
    EXPECT_EQ(read.path, recoveryPath(key));
    // Other files: none, although the name is the same.
    fs::copy_file(recoveryPath(key), recoveryPath({"timing", {"/other"}}));
    EXPECT_EQ(readRecoveryFile({"timing", {"/other"}}).state, RecoveryState::Missing);
    EXPECT_EQ(readRecoveryFile({"timing", {"/nothing/kept"}}).state, RecoveryState::Missing);

    // Cut anywhere, at a line's end or inside one, it is refused, never read
    // as if whole; so is a byte changed.
    const std::string whole = bytesOf(recoveryPath(key));
    std::vector<size_t> cuts;
    for (size_t i = 0; i < whole.size() - 1; ++i)
        if (whole[i] == '\n') cuts.push_back(i + 1);  // every line end, the header's alone included
    for (size_t at : {size_t{0}, size_t{5}, whole.size() / 2, whole.size() - 3, whole.size() - 1}) cuts.push_back(at);
    for (size_t at : cuts) {
        std::ofstream(recoveryPath(key), std::ios::binary | std::ios::trunc) << whole.substr(0, at);
        const RecoveryRead cut = readRecoveryFile(key);
        EXPECT_EQ(cut.state, RecoveryState::Cut) << "cut after " << at << " of " << whole.size() << " bytes";
        EXPECT_FALSE(cut.problem.empty());
        EXPECT_TRUE(cut.file.body.empty());
    }
    std::string changed = whole;
    changed[whole.find("700")] = '8';
    std::ofstream(recoveryPath(key), std::ios::binary | std::ios::trunc) << changed;
    EXPECT_EQ(readRecoveryFile(key).state, RecoveryState::Cut);

    // A cut file set aside stays whole for the user to look at.
    const std::string aside = setRecoveryFileAside(recoveryPath(key));
    EXPECT_EQ(aside, recoveryPath(key) + ".cut");
    EXPECT_EQ(bytesOf(aside), changed);
    EXPECT_EQ(readRecoveryFile(key).state, RecoveryState::Missing);
    removeRecoveryFile({"timing", {"/other"}});
    EXPECT_FALSE(fs::exists(recoveryPath({"timing", {"/other"}})));
    fs::remove_all(dir);
}

TEST(RecoveryFile, FilesOfAKindAreListedNewestFirstLeavingThoseOfRunningPrograms) {
    const fs::path dir = freshDir("list");
    ScopedStateFolder state(dir / "state");
    const fs::path folder = recoveryFolder();
    fs::create_directories(folder);
    auto write = [&](const RecoveryKey& key, int64_t keptAt, pid_t writer) {
        std::ofstream(recoveryPath(key), std::ios::binary) << recoveryFileText({key, keptAt, writer, "text\n"});
    };
    write({"lyrics", {"/old.txt"}}, 1000, getpid());
    write({"lyrics", {"/new.txt"}}, 2000, getpid());
    write({"lyrics", {"/busy.txt"}}, 3000, getppid());  // its program still runs
    write({"timing", {"/t.txt", "/s.flac"}}, 4000, getpid());
    std::ofstream(recoveryPath({"lyrics", {"/cut.txt"}}), std::ios::binary) << "@kvelmor-recovery=1\n@kind=lyrics\n";
    std::vector<std::string> listed;
    for (const RecoveryRead& r : recoveryFilesOf("lyrics"))
        listed.push_back(r.state == RecoveryState::Whole ? r.file.key.files.at(0) : "cut");
    EXPECT_EQ(listed, (std::vector<std::string>{"/new.txt", "/old.txt", "cut"}));
    fs::remove_all(dir);
}
