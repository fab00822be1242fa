// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using namespace kvelmor;
namespace fs = std::filesystem;

namespace {
fs::path freshDir(const char* name) {
    fs::path d = fs::temp_directory_path() / (std::string("kvelmor_fileio_") + name + "_" + std::to_string(getpid()));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}
size_t entries(const fs::path& d) { return static_cast<size_t>(std::distance(fs::directory_iterator(d), {})); }
}  // namespace

TEST(FileIo, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
    auto d = freshDir("replace");
    auto f = (d / "a.txt").string();
    ASSERT_TRUE(writeFileAtomically(f, "old").ok);
    ASSERT_TRUE(writeFileAtomically(f, "new content").ok);
    std::string bytes;
    ASSERT_TRUE(readFileBytes(f, bytes).ok);
    EXPECT_EQ(bytes, "new content");
    EXPECT_EQ(entries(d), 1u);
}

TEST(FileIo, FailedWritesLeaveTheOldFileAndReportWhy) {
    auto d = freshDir("fail");
    auto missing = (d / "no" / "such" / "x.txt").string();
    auto r = writeFileAtomically(missing, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());

    auto asDir = d / "dir.ass";
    fs::create_directories(asDir);
    EXPECT_FALSE(writeFileAtomically(asDir.string(), "x").ok);

    if (getuid() != 0) {  // root writes anywhere
        auto ro = d / "ro";
        fs::create_directories(ro);
        fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(writeFileAtomically((ro / "x").string(), "x").ok);
        fs::permissions(ro, fs::perms::owner_all);
    }
    EXPECT_EQ(entries(d), 1u);  // only the directory made above
}

TEST(FileIo, WritingThroughASymbolicLinkReplacesItsTarget) {
    auto d = freshDir("link");
    fs::create_directories(d / "real");
    const fs::path target = d / "real" / "Kvelmor.ini";
    ASSERT_TRUE(writeFileAtomically(target.string(), "old").ok);
    fs::create_symlink(fs::path("real") / "Kvelmor.ini", d / "relative.ini");  // relative to the link's folder
    fs::create_symlink(d / "relative.ini", d / "chained.ini");                  // a link to a link

    ASSERT_TRUE(writeFileAtomically((d / "chained.ini").string(), "new").ok);
    EXPECT_TRUE(fs::is_symlink(d / "chained.ini"));
    EXPECT_TRUE(fs::is_symlink(d / "relative.ini"));
    std::string bytes;
    ASSERT_TRUE(readFileBytes(target.string(), bytes).ok);
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(entries(d / "real"), 1u) << "no temporary file left beside the target";

    fs::create_symlink(d / "real" / "new.ass", d / "dangling.ass");  // the target is made
    ASSERT_TRUE(writeFileAtomically((d / "dangling.ass").string(), "made").ok);
    EXPECT_TRUE(fs::is_symlink(d / "dangling.ass"));
    ASSERT_TRUE(readFileBytes((d / "real" / "new.ass").string(), bytes).ok);
    EXPECT_EQ(bytes, "made");
}

TEST(FileIo, ReadingMissingOrDirectoryFails) {
    auto d = freshDir("read");
    std::string bytes = "keep";
    EXPECT_FALSE(readFileBytes((d / "none").string(), bytes).ok);
    EXPECT_FALSE(readFileBytes(d.string(), bytes).ok);
    EXPECT_EQ(bytes, "keep");
}

TEST(FileIo, DevicesAreWrittenInPlaceAndAFullDiskIsReported) {
    auto r = writeFileAtomically("/dev/full", "some bytes");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));  // still the device
    EXPECT_TRUE(writeFileAtomically("/dev/null", "x").ok);
}
