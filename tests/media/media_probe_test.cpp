// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/media_probe.h"

#include <gtest/gtest.h>

#include "media_files.h"

using namespace kvelmor;
using kvelmor::test::MediaFolder;
using kvelmor::test::testVideo;

namespace {

std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

}  // namespace

TEST(MediaProbe, FrameSizeAspectAndLengthOfVideos) {
    KVELMOR_NEED_FFMPEG();
    MediaFolder dir("media_" + testName());
    struct Case {
        const char* file;
        std::string args;
        int32_t width, height;
        int64_t aspectX, aspectY;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"ntsc.mp4", testVideo("720x480", "2") + " -vf setsar=32/27 -c:v mpeg4", 720, 480, 16, 9,
         "wide pixels: 720 × 32 : 480 × 27"},
        {"pal.avi", testVideo("720x576", "2") + " -vf setsar=16/15 -c:v mpeg4", 720, 576, 4, 3,
         "another container, another pixel shape"},
        {"hd.mp4", testVideo("1280x720", "2") + " -c:v mpeg4", 1280, 720, 16, 9, "square pixels"},
        {"stream.mkv", testVideo("320x240", "2") + " -c:v mpeg4", 320, 240, 4, 3,
         "Matroska keeps no length per stream; the container's counts"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.why);
        std::string path = dir.make(c.file, c.args);
        ASSERT_FALSE(path.empty());
        CollectingReporter r;
        auto info = media::readMediaInfo(path, r);
        ASSERT_TRUE(info.has_value());
        EXPECT_TRUE(r.reports.empty());
        EXPECT_TRUE(info->hasVideo);
        EXPECT_EQ(info->width, c.width);
        EXPECT_EQ(info->height, c.height);
        EXPECT_EQ(info->aspectX, c.aspectX);
        EXPECT_EQ(info->aspectY, c.aspectY);
        EXPECT_EQ(info->duration, std::optional<int64_t>(2000000));
    }
}

TEST(MediaProbe, UnknownPixelShapeAndUnknownLength) {
    KVELMOR_NEED_FFMPEG();
    MediaFolder dir("media_" + testName());
    CollectingReporter r;
    // YUV4MPEG with "A0:0" says nothing about the pixels.
    std::string y4m = dir.make("plain.y4m", testVideo("64x48", "1") + " -vf setsar=0 -pix_fmt yuv420p");
    ASSERT_FALSE(y4m.empty());
    auto info = media::readMediaInfo(y4m, r);
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->hasVideo);
    EXPECT_EQ(info->width, 64);
    EXPECT_EQ(info->aspectX, 0);
    EXPECT_EQ(info->aspectY, 0);
    EXPECT_EQ(info->duration, std::optional<int64_t>(1000000));

    // A bare H.264 stream has no container to tell its length.
    std::string raw = dir.make("bare.h264", testVideo("64x48", "1") + " -c:v libx264 -f h264");
    ASSERT_FALSE(raw.empty());
    info = media::readMediaInfo(raw, r);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->duration, std::nullopt);
    EXPECT_EQ(info->width, 64);
    EXPECT_EQ(info->height, 48);
    EXPECT_TRUE(r.reports.empty());
}

TEST(MediaProbe, AudioOnlyHasLengthButNoFrame) {
    KVELMOR_NEED_FFMPEG();
    MediaFolder dir("media_" + testName());
    std::string wav = dir.make("tone.wav", "-f lavfi -i sine=duration=3");
    ASSERT_FALSE(wav.empty());
    CollectingReporter r;
    auto info = media::readMediaInfo(wav, r);
    ASSERT_TRUE(info.has_value());
    EXPECT_FALSE(info->hasVideo);
    EXPECT_EQ(info->width, 0);
    EXPECT_EQ(info->height, 0);
    EXPECT_EQ(info->aspectX, 0);
    EXPECT_EQ(info->duration, std::optional<int64_t>(3000000));

    // Cover art comes as a one-picture video stream; the song is still audio only.
    std::string mp3 = dir.make("cover.mp3", "-f lavfi -i sine=duration=3 " + testVideo("64x64", "1") +
                                                " -map 0:a -map 1:v -frames:v 1 -c:v mjpeg -disposition:v attached_pic");
    ASSERT_FALSE(mp3.empty());
    info = media::readMediaInfo(mp3, r);
    ASSERT_TRUE(info.has_value());
    EXPECT_FALSE(info->hasVideo);
    EXPECT_EQ(info->width, 0);
    ASSERT_TRUE(info->duration.has_value());
    EXPECT_GE(*info->duration, 3000000);
    EXPECT_TRUE(r.reports.empty());
}

TEST(MediaProbe, FilesThatAreNotMediaAreReportedByName) {
    KVELMOR_NEED_FFMPEG();
    MediaFolder dir("media_" + testName());
    std::filesystem::create_directories(dir.path() / "folder.mp4");
    const std::vector<std::pair<std::string, const char*>> cases = {
        {dir.write("lyrics.mp4", "[00:01:00]さ[00:02:00]く[00:03:00]ら\r\n"), "text under a video's name"},
        {dir.write("empty.mp4", ""), "an empty file"},
        {dir.file("missing.mp4"), "no such file"},
        {dir.file("folder.mp4"), "a folder"},
        {dir.write("words.srt", "1\n00:00:01,000 --> 00:00:02,000\nhello\n"), "subtitles: neither video nor audio"},
    };
    for (const auto& [path, why] : cases) {
        SCOPED_TRACE(why);
        CollectingReporter r;
        EXPECT_EQ(media::readMediaInfo(path, r).has_value(), false);
        ASSERT_EQ(r.reports.size(), 1u);
        EXPECT_EQ(r.reports[0].severity, Severity::Error);
        EXPECT_EQ(r.reports[0].file, path);
        EXPECT_FALSE(r.reports[0].text.empty());
    }
}

TEST(MediaProbe, FfmpegPrintsNothingOfItsOwn) {
    KVELMOR_NEED_FFMPEG();
    MediaFolder dir("media_" + testName());
    // The mp4 reader complains of the missing "moov" atom unless told to keep quiet.
    std::string path = dir.write("lyrics.mp4", "not a movie\n");
    CollectingReporter r;
    ::testing::internal::CaptureStderr();
    auto info = media::readMediaInfo(path, r);
    std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(info.has_value(), false);
    EXPECT_EQ(printed, "");
}

TEST(MediaProbe, AColonInTheNameIsNotAProtocol) {
    KVELMOR_NEED_FFMPEG();
    MediaFolder dir("media_" + testName());
    ASSERT_FALSE(dir.make("take:2.mp4", testVideo("320x240", "1") + " -c:v mpeg4").empty());
    // Given from its own folder, the name starts like "take:" would start an address.
    struct WorkIn {
        std::filesystem::path before = std::filesystem::current_path();
        explicit WorkIn(const std::filesystem::path& p) { std::filesystem::current_path(p); }
        ~WorkIn() { std::filesystem::current_path(before); }
    } workIn(dir.path());
    CollectingReporter r;
    auto info = media::readMediaInfo("take:2.mp4", r);
    ASSERT_TRUE(info.has_value()) << (r.reports.empty() ? "" : r.reports[0].text);
    EXPECT_EQ(info->width, 320);
}
