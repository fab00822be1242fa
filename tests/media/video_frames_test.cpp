// SPDX-License-Identifier: GPL-3.0-or-later
// Video frames for the preview: the picture shown at a time, found by seeking
// backwards and forwards and by decoding on, scaled to the size asked for.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "media_files.h"
#include "media/video_frames.h"

using namespace kvelmor;

namespace {

struct Rgb {
    int r, g, b;
};

Rgb centre(const std::vector<uint8_t>& rgba, int w, int h) {
    const size_t i = (static_cast<size_t>(h / 2) * static_cast<size_t>(w) + static_cast<size_t>(w / 2)) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

TEST(VideoFrames, ShowsThePictureOfEachTimeInAnyOrder) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder dir("video_frames");
    // Red for the first two seconds, green for the next two, blue for the
    // last two; a key frame every 1.6 seconds, so a seek lands before the
    // time and decodes on to it.
    const std::string video =
        dir.make("rgb.mkv", test::colourVideo("160x120", {{"red", 2}, {"lime", 2}, {"blue", 2}}, 40));
    ASSERT_FALSE(video.empty());
    CollectingReporter reporter;
    auto frames = media::VideoFrames::open(video, reporter);
    ASSERT_NE(frames, nullptr) << reporter.texts().front();
    EXPECT_EQ(frames->width(), 160);
    EXPECT_EQ(frames->height(), 120);
    EXPECT_NEAR(static_cast<double>(frames->duration()), 6e6, 1e5);

    struct Case {
        int64_t us;
        char colour;  // r, g or b
        const char* why;
    };
    const std::vector<Case> cases{
        {4'500'000, 'b', "a seek forward"},     {1'000'000, 'r', "a seek back"},
        {1'960'000, 'r', "the last red frame"}, {2'000'000, 'g', "decoded on to the first green one"},
        {3'900'000, 'g', "decoded on"},         {9'000'000, 'b', "after the end: the last frame"},
        {-500, 'r', "before the start: the first frame"},
    };
    const int w = 320, h = 200;  // scaled up, and not in the video's shape
    std::vector<uint8_t> rgba(static_cast<size_t>(w * h * 4));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(frames->frameAt(c.us, w, h, rgba.data()));
        const Rgb p = centre(rgba, w, h);
        EXPECT_EQ(p.r > 200, c.colour == 'r') << p.r << "," << p.g << "," << p.b;
        EXPECT_EQ(p.g > 200, c.colour == 'g') << p.r << "," << p.g << "," << p.b;
        EXPECT_EQ(p.b > 200, c.colour == 'b') << p.r << "," << p.g << "," << p.b;
    }
}

// Videos a few pixels wide or high, in pixel formats of every layout
// (planar, packed, semi-planar, paletted, one bit, ten bits), scaled to their
// own size as the render command asks and to sizes of other shapes: every
// pixel lands in the buffer and not one byte around it is touched.
TEST(VideoFrames, TinyFramesOfAnyPixelFormatStayInsideTheBuffer) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder dir("video_frames_tiny");
    struct Case {
        const char* size;
        const char* pixelFormat;
    };
    const std::vector<Case> cases{
        {"8x8", "yuv420p"},   {"2x2", "yuv420p"},     {"10x10", "yuv420p"}, {"200x2", "yuv420p"},
        {"2x64", "yuv420p"},  {"2x320", "yuv420p"},   {"7x5", "yuv444p"},   {"3x3", "rgb24"},
        {"5x7", "gray"},      {"9x3", "yuv420p10le"}, {"6x4", "nv12"},      {"7x5", "pal8"},
        {"3x9", "yuva420p"},  {"1x1", "bgr0"},        {"11x2", "gbrp"},     {"6x6", "yuyv422"},
        {"9x9", "monob"},
    };
    constexpr size_t kGuard = 4096;
    constexpr uint8_t kUntouched = 0xA5;
    for (const auto& c : cases) {
        const std::string name = std::string(c.size) + "_" + c.pixelFormat;
        SCOPED_TRACE(name);
        const std::string video = dir.make(name + ".nut", std::string("-f lavfi -i color=c=red:s=16x16:d=1:r=5 -s ") + c.size +
                                                              " -c:v rawvideo -pix_fmt " + c.pixelFormat);
        ASSERT_FALSE(video.empty());
        CollectingReporter reporter;
        auto frames = media::VideoFrames::open(video, reporter);
        ASSERT_NE(frames, nullptr);
        const int w0 = frames->width(), h0 = frames->height();
        for (const auto& [w, h] : {std::pair{w0, h0}, std::pair{1, 1}, std::pair{w0 + 1, 3}, std::pair{33, h0 * 2}}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
            std::vector<uint8_t> buffer(kGuard + bytes + kGuard, kUntouched);
            ASSERT_TRUE(frames->frameAt(500'000, w, h, buffer.data() + kGuard));
            EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + kGuard, kUntouched), static_cast<long>(kGuard))
                << "written before the picture";
            EXPECT_EQ(std::count(buffer.end() - kGuard, buffer.end(), kUntouched), static_cast<long>(kGuard))
                << "written past the picture";
            if (std::string(c.pixelFormat) == "monob" || std::string(c.pixelFormat) == "gray") continue;
            const std::vector<uint8_t> picture(buffer.begin() + kGuard, buffer.end() - kGuard);
            const Rgb p = centre(picture, w, h);
            EXPECT_GT(p.r, 200) << p.r << "," << p.g << "," << p.b;
            EXPECT_LT(p.g, 60) << p.r << "," << p.g << "," << p.b;
        }
    }
}

TEST(VideoFrames, RefusesFilesWithoutVideoNamingThem) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder dir("video_frames_bad");
    const std::vector<std::string> files{
        dir.make("tone.wav", "-f lavfi -i sine=d=1"),
        dir.write("text.mp4", "not a video"),
        dir.file("missing.mp4"),
    };
    for (const auto& f : files) {
        ASSERT_FALSE(f.empty());
        CollectingReporter reporter;
        EXPECT_EQ(media::VideoFrames::open(f, reporter), nullptr) << f;
        ASSERT_EQ(reporter.reports.size(), 1u) << f;
        EXPECT_EQ(reporter.reports[0].file, f);
    }
}

}  // namespace
