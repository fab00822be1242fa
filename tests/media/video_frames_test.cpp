// Video frames for the preview: the picture shown at a time, found by seeking
// backwards and forwards and by decoding on, scaled to the size asked for.

#include <gtest/gtest.h>

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
