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
