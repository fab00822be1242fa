// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor render: a PNG of the frame size, contact sheets, pictures over a
// video, and failures that leave nothing behind.

#include <gtest/gtest.h>

#include "cli/cli_test_support.h"
#include "media/media_files.h"
#include "render/png_file.h"

using namespace kvelmor;
using kvelmor::test::CliRun;
namespace fs = std::filesystem;

namespace {

struct RenderCommand : kvelmor::test::CliTest {
    std::optional<render::Image> png(const fs::path& path) {
        std::string bytes;
        if (!readFileBytes(path.string(), bytes).ok) return std::nullopt;
        return render::decodePng(bytes);
    }
    std::string run(const std::string& args) {
        if (!fs::exists(dir / "song.txt")) copyExample();
        return "render --settings " + settings + " " + (dir / "song.txt").string() + " " + args;
    }
};

TEST_F(RenderCommand, WritesAFrameOrAContactSheetOfTheFrameSize) {
    struct Case {
        std::string args;
        int width, height;
        const char* why;
        int code = 0;  // 1: the lines that do not fit a tiny frame are reported
    };
    const std::vector<Case> cases{
        {"--at 6.3", 640, 480, "one frame of dispWidth x dispHeight"},
        {"--at 0:06.30 --set dispWidth=1280 --set dispHeight=720", 1280, 720, "the --set frame size"},
        // Three frames in one row, 8 pixels around each, 40 pixels of caption under them.
        {"--at 6.3 --at 0:16.15 --at 25.3", 3 * 640 + 4 * 8, 480 + 40 + 2 * 8, "three frames side by side"},
        // The most a sheet holds: 400 frames in 20 rows of 20.
        {"--set dispWidth=32 --set dispHeight=32" + [] {
             std::string args;
             for (int i = 0; i < 400; ++i) args += " --at " + std::to_string(i % 30);
             return args;
         }(),
         20 * 32 + 21 * 8, 20 * (32 + 24) + 21 * 8, "four hundred frames", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove(dir / "song.png");
        CliRun r = kvelmor(run(c.args));
        EXPECT_EQ(r.code, c.code) << stderrText();
        EXPECT_EQ(r.out, "wrote " + (dir / "song.png").string() + "\n");
        auto image = png(dir / "song.png");
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
    }
}

// The video's picture stands behind the subtitles, at the time asked for.
TEST_F(RenderCommand, DrawsOverTheVideoFrameAtTheTime) {
    KVELMOR_NEED_FFMPEG();
    const std::string video =
        test::makeMedia(dir / "video.mkv", test::colourVideo("640x480", {{"red", 10}, {"blue", 10}}, 50));
    ASSERT_FALSE(video.empty());
    // --media also takes the video's frame size.
    CliRun r = kvelmor(run("--media " + video + " --at 16.15 --at 6.3 -o " + (dir / "over.png").string()));
    ASSERT_EQ(r.code, 0) << stderrText();
    auto sheet = png(dir / "over.png");
    ASSERT_TRUE(sheet.has_value());
    EXPECT_EQ(sheet->width, 2 * 640 + 3 * 8);
    const render::Colour left = sheet->at(8 + 10, 8 + 10), right = sheet->at(8 + 640 + 8 + 10, 8 + 10);
    EXPECT_GT(left.b, 200) << "blue after ten seconds";
    EXPECT_LT(left.r, 60);
    EXPECT_GT(right.r, 200) << "red before";
    EXPECT_LT(right.b, 60);
}

// Videos a few pixels across take their frame size too: the picture is
// drawn whole and nothing around it is overwritten (which used to abort).
TEST_F(RenderCommand, DrawsOverVideosOfAFewPixels) {
    KVELMOR_NEED_FFMPEG();
    for (const char* size : {"8x8", "2x2", "10x10", "200x2", "2x64", "2x320"}) {
        SCOPED_TRACE(size);
        const std::string video = test::makeMedia(
            dir / (std::string(size) + ".mp4"), std::string("-f lavfi -i color=c=red:s=") + size + ":d=8 -pix_fmt yuv420p");
        ASSERT_FALSE(video.empty());
        const fs::path out = dir / (std::string(size) + ".png");
        CliRun r = kvelmor(run("--media " + video + " --at 6 -o " + out.string()));
        EXPECT_LE(r.code, 1) << stderrText();  // lines that do not fit such a frame are reported
        auto image = png(out);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(std::to_string(image->width) + "x" + std::to_string(image->height), size);
        EXPECT_GT(image->at(0, 0).r, 200);
    }
}

TEST_F(RenderCommand, FailuresExitTwoNamingTheCauseAndWriteNothing) {
    struct Case {
        std::string args;
        std::string message;  // a part of what stderr says
    };
    const std::string out = (dir / "out.png").string();
    auto times = [](int n) {
        std::string args;
        for (int i = 0; i < n; ++i) args += " --at " + std::to_string(i % 30);
        return args;
    };
    const std::vector<Case> cases{
        {times(401) + " -o " + out, "a contact sheet holds at most 400 frames and 256 megapixels; 401 frames of 640x480"},
        {times(3000) + " -o " + out, "3000 frames of 640x480"},
        {"--at 1 --at 2 --set dispWidth=16384 --set dispHeight=9000 -o " + out, "2 frames of 16384x9000 would make"},
        {"--at 1:75 -o " + out, "--at \"1:75\" is not a time"},
        {"--at soon -o " + out, "--at \"soon\" is not a time"},
        {"-o " + out, "render needs at least one --at TIME"},
        {"--at 5 --background mauve -o " + out, "--background \"mauve\" is not a colour"},
        {"--at 5 --media " + (dir / "missing.mp4").string() + " -o " + out, (dir / "missing.mp4").string()},
        {"--at 5 -o " + (dir / "no" / "such" / "folder.png").string(), (dir / "no" / "such" / "folder.png").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        CliRun r = kvelmor(run(c.args));
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(stderrText().find(c.message), std::string::npos) << stderrText();
        EXPECT_FALSE(fs::exists(out));
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_NE(e.path().extension(), ".png") << e.path() << " was left behind";
    }
    // Without its render program kvelmor says what is missing and where it looked.
    CliRun r = kvelmor(run("--at 5 -o " + out), "KVELMOR_RENDER_PROGRAM=" + (dir / "gone").string() + " exec ");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(stderrText().find("render needs the program kvelmor-render, which was not found (looked for " +
                                (dir / "gone").string()),
              std::string::npos)
        << stderrText();
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
