// SPDX-License-Identifier: GPL-3.0-or-later
// The preview shows what players will show: frames drawn from the script
// text in memory equal ffmpeg's subtitles filter drawing the written file,
// and the karaoke wipe stands where the time says.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/session.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/freetype_measurer.h"
#include "media/media_files.h"
#include "render/frame_renderer.h"

using namespace kvelmor;
using render::Colour;
using render::Image;

namespace {

const std::string kExampleSong = std::string(KVELMOR_EXAMPLES) + "/sakura_no_michi.txt";
constexpr Colour kBackground{48, 48, 48};

class Preview : public ::testing::Test {
protected:
    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};
    test::MediaFolder dir{"preview"};

    void SetUp() override {
        session.startUp(dir.file("Kvelmor.ini"));
        ASSERT_TRUE(session.loadLyrics(kExampleSong));
    }

    // ffmpeg drawing the script file at `ms` over the background, with the
    // fonts this program picks: `filter` is "subtitles" (ffmpeg's demuxer
    // hands the events to libass) or "ass" (libass reads the file; UTF-8 only)
    // with its options. The frames stay RGBA throughout, as ours do, so no
    // YUV conversion rounds either of them.
    Image ffmpegFrame(const std::string& filter, const std::string& assPath, int64_t ms) {
        const std::string conf = dir.write("fonts.conf", render::fontconfigConfiguration(measurer.loadedConfigFiles()));
        const std::string raw = dir.file("frame.rgba");
        char colour[16];
        std::snprintf(colour, sizeof colour, "0x%02X%02X%02X", kBackground.r, kBackground.g, kBackground.b);
        // The colour source makes RGBA itself (through YUV its grey would come
        // out a level darker) and starts at 0; its first frame is moved to
        // `ms` + 0.5 in half-milliseconds, since the filter truncates the
        // frame's time in milliseconds, computed in floating point, to whole ones.
        const std::string cmd = "FONTCONFIG_FILE='" + conf + "' ffmpeg -nostdin -v error -y -f lavfi -i \"color=c=" +
                                colour + ":s=640x480:r=2000,format=rgba\" -vf \"setpts=PTS+" +
                                std::to_string(2 * ms + 1) + "," + filter +
                                (filter.find('=') == std::string::npos ? "=" : ":") + "filename='" + assPath +
                                "'\" -frames:v 1 -f rawvideo -pix_fmt rgba '" + raw + "'";
        Image out(640, 480);
        std::string bytes;
        if (std::system(cmd.c_str()) != 0 || !readFileBytes(raw, bytes).ok || bytes.size() != out.rgba.size()) {
            ADD_FAILURE() << "ffmpeg did not draw the frame: " << cmd;
            return out;
        }
        std::copy(bytes.begin(), bytes.end(), out.rgba.begin());
        return out;
    }
};

bool near(Colour a, Colour b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

Colour colourOfSetting(const settings::ConversionSettings& s, const char* field) {
    const uint32_t bgr = s.colour(field);
    return {static_cast<uint8_t>(bgr & 0xFF), static_cast<uint8_t>((bgr >> 8) & 0xFF),
            static_cast<uint8_t>((bgr >> 16) & 0xFF)};
}

// Pixels of two frames that differ by more than `tolerance` in a channel.
int differing(const Image& a, const Image& b, int tolerance) {
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) n += near(a.at(x, y), b.at(x, y), tolerance) ? 0 : 1;
    return n;
}

// Three times more than the event window apart, the first after the last, so
// that each frame is drawn from events handed to libass afresh.
//
// ffmpeg's subtitles filter, as users burn the script into a video, shapes
// text the simple way (no kerning); so does libass reading the file itself
// (the ass filter) when told to. Both draw our pixels but for rounding. With
// libass's default complex shaping kerned glyphs stood a fraction of a pixel
// aside: 900 to 1,700 edge pixels differed by up to 72 levels. A syllable in
// the wrong colour differs over hundreds of pixels, as the frame 0.4 s later
// shows.
TEST_F(Preview, EqualsFfmpegDrawingTheWrittenScript) {
    KVELMOR_NEED_FFMPEG();
    const std::string assPath = dir.file("song.ass");
    ASSERT_TRUE(session.writeScript(assPath));
    std::string bytes;
    ASSERT_TRUE(readFileBytes(assPath, bytes).ok);
    const std::string utf8Path = dir.write("song-utf8.ass", decodeText(bytes).utf8);
    render::FrameRenderer renderer(measurer.loadedConfigFiles());
    renderer.setScript(session.scriptText());
    ASSERT_EQ(renderer.playResX(), 640);
    ASSERT_EQ(renderer.playResY(), 480);
    for (int64_t ms : {25'300, 6'300, 16'150}) {
        SCOPED_TRACE(std::to_string(ms) + " ms");
        const Image ours = renderer.render(640, 480, ms, kBackground);
        int inked = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) inked += near(ours.at(x, y), kBackground, 24) ? 0 : 1;
        EXPECT_GT(inked, 5000) << "the frame shows lyrics";
        // ffmpeg blends with rounding of its own: up to 2 levels.
        EXPECT_EQ(differing(ours, ffmpegFrame("subtitles", assPath, ms), 2), 0);
        EXPECT_EQ(differing(ours, ffmpegFrame("ass=shaping=simple", utf8Path, ms), 2), 0);
        EXPECT_GT(differing(ours, ffmpegFrame("subtitles", assPath, ms + 400), 2), 300);
    }
    EXPECT_EQ(renderer.takeComplaints(), std::vector<std::string>{});
}

// In the middle of a syllable the sung colour stands left of the unsung one
// on the line being sung, and the edge between them lies inside that syllable.
TEST_F(Preview, MidSyllableShowsSungThenUnsungColour) {
    const Colour sung = colourOfSetting(session.settings, "PrimaryColor");
    const Colour unsung = colourOfSetting(session.settings, "secondaryColor");
    render::FrameRenderer renderer(measurer.loadedConfigFiles());
    renderer.setScript(session.scriptText());
    const auto& line = session.song.workLines[1];
    // The syllable of the first line that starts at the fourth tag.
    int x = line.posX, tags = 0, x0 = 0, x1 = 0;
    lyrics::Centiseconds start = 0, end = 0;
    for (int k = 1; k <= line.unitCount && end == 0; ++k) {
        const auto& u = line.unit(k);
        if (u.isChar) {
            x += u.width;
            continue;
        }
        if (++tags == 4) {
            start = u.time;
            x0 = x;
        } else if (tags > 4 && x > x0) {
            end = u.time;
            x1 = x;
        }
    }
    ASSERT_GT(end, start);
    const Image f = renderer.render(640, 480, (start + end) * 5, kBackground);
    int sungRight = -1, unsungLeft = 1 << 30, sungCount = 0, unsungCount = 0;
    for (int y = std::max(0, line.posY - line.lineHeight); y <= line.posY && y < 480; ++y)
        for (int px = 0; px < 640; ++px) {
            if (near(f.at(px, y), sung, 40)) sungRight = std::max(sungRight, px), ++sungCount;
            if (near(f.at(px, y), unsung, 40)) unsungLeft = std::min(unsungLeft, px), ++unsungCount;
        }
    EXPECT_GT(sungCount, 100);
    EXPECT_GT(unsungCount, 100);
    EXPECT_LT(sungRight, unsungLeft);
    EXPECT_GT(sungRight, x0);
    EXPECT_LT(unsungLeft, x1);
}

}  // namespace
