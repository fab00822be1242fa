// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor burn as users call it: a video with sound and a sound file with a
// picture become karaoke videos, equal to ffmpeg burning the written script,
// and failures leave nothing behind.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "cli/cli_test_support.h"
#include "media/media_files.h"
#include "render/frame_renderer.h"

using namespace kvelmor;
using kvelmor::test::CliRun;
namespace fs = std::filesystem;

namespace {

struct BurnCommand : kvelmor::test::CliTest {
    void SetUp() override {
        CliTest::SetUp();
        copyExample();
    }
    std::string burn(const std::string& args) {
        return "burn --settings " + settings + " " + (dir / "song.txt").string() + " " + args;
    }
    // stdout of a shell command.
    static std::string output(const std::string& cmd) {
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
        return out;
    }
    // "codec_type=codec_name=widthxheight" of every stream, one a line, as ffprobe reads them.
    static std::string streams(const std::string& file) {
        return output("ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -of "
                      "csv=p=0:nk=1 '" + file + "'");
    }
    static double seconds(const std::string& file) {
        return std::atof(output("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + file + "'").c_str());
    }
    // The picture shown at `time` (seconds), decoded by ffmpeg as RGB, 3 bytes a pixel.
    std::string frameAt(const std::string& file, const std::string& time) {
        const std::string raw = (dir / "frame.rgb").string();
        fs::remove(raw);
        std::system(("ffmpeg -nostdin -v error -y -ss " + time + " -i '" + file +
                     "' -frames:v 1 -f rawvideo -pix_fmt rgb24 '" + raw + "'")
                        .c_str());
        std::string bytes;
        readFileBytes(raw, bytes);
        return bytes;
    }
};

// Pixels (of 3 bytes) where some channel of two frames differs by more than `tolerance`.
double shareDiffering(const std::string& a, const std::string& b, int tolerance) {
    size_t n = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            if (std::abs(static_cast<unsigned char>(a[i + c]) - static_cast<unsigned char>(b[i + c])) > tolerance) {
                ++n;
                break;
            }
    return static_cast<double>(n) / static_cast<double>(a.size() / 3);
}

TEST_F(BurnCommand, AVideoWithSoundAndASoundFileWithAPictureBecomeVideos) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder media{"burn_media"};
    const std::string clip = media.make("clip.mp4", test::testVideo("640x480", "4") +
                                                        " -f lavfi -i sine=frequency=440:duration=4 -pix_fmt yuv420p "
                                                        "-c:v libx264 -c:a aac -shortest");
    const std::string cover = media.make("cover.png", "-f lavfi -i testsrc2=size=300x200 -frames:v 1");
    const std::string mp3 = media.make("song.mp3", "-f lavfi -i sine=frequency=300:duration=3 -i '" + cover +
                                                       "' -map 0 -map 1 -c:a libmp3lame -c:v png "
                                                       "-disposition:v attached_pic");
    const std::string plainMp3 = media.make("plain.mp3", "-f lavfi -i sine=duration=3 -c:a libmp3lame");
    const std::string wav = media.make("sound.wav", "-f lavfi -i sine=duration=3");
    ASSERT_FALSE(clip.empty() || cover.empty() || mp3.empty() || plainMp3.empty() || wav.empty());
    struct Case {
        std::string args;
        std::string output;
        std::string streams;  // as streams() prints them
        double seconds;
        const char* why;
    };
    const std::vector<Case> cases{
        {"--media " + clip, "song.mp4", "h264,video,640,480\naac,audio\n", 4,
         "the video's size; its AAC copied; FILE.mp4 by default"},
        {"--media " + mp3 + " -o " + (dir / "cover.mp4").string(), "cover.mp4", "h264,video,640,480\nmp3,audio\n", 3,
         "sound only: dispWidth x dispHeight over the cover picture, the MP3 copied"},
        {"--media " + plainMp3 + " --background " + cover + " -o " + (dir / "picture.mkv").string(), "picture.mkv",
         "h264,video,640,480\nmp3,audio\n", 3, "sound only with --background IMAGE, into Matroska"},
        {"--media " + wav + " --background '#203060' -o " + (dir / "wav.mp4").string(), "wav.mp4",
         "h264,video,640,480\naac,audio\n", 3, "PCM does not go into MP4: encoded as AAC"},
        {"--media " + clip + " --quality 40 -o " + (dir / "small.webm").string(), "small.webm",
         "vp9,video,640,480\nopus,audio\n", 4, "WebM: VP9 and Opus"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        CliRun r = kvelmor(burn(c.args));
        EXPECT_EQ(r.code, 0) << stderrText();
        const std::string out = (dir / c.output).string();
        EXPECT_EQ(r.out, "wrote " + out + "\n");
        EXPECT_EQ(streams(out), c.streams);
        EXPECT_NEAR(seconds(out), c.seconds, 0.2);
    }
    // The picture behind the lyrics is the cover, scaled to fit between black
    // bars, and the colour given for the WAV.
    const std::string coverFrame = frameAt((dir / "cover.mp4").string(), "1"), wavFrame = frameAt((dir / "wav.mp4").string(), "1");
    ASSERT_EQ(coverFrame.size(), 640u * 480 * 3);
    ASSERT_EQ(wavFrame.size(), 640u * 480 * 3);
    auto pixel = [](const std::string& f, int x, int y) {
        const size_t i = (static_cast<size_t>(y) * 640 + x) * 3;
        return render::Colour{static_cast<uint8_t>(f[i]), static_cast<uint8_t>(f[i + 1]), static_cast<uint8_t>(f[i + 2])};
    };
    EXPECT_LT(pixel(coverFrame, 320, 5).r + pixel(coverFrame, 320, 5).g + pixel(coverFrame, 320, 5).b, 30)
        << "a black bar above the 3:2 picture";
    EXPECT_GT(pixel(coverFrame, 320, 240).r + pixel(coverFrame, 320, 240).g + pixel(coverFrame, 320, 240).b, 60);
    const render::Colour bg = pixel(wavFrame, 20, 20);
    EXPECT_NEAR(bg.r, 0x20, 4);
    EXPECT_NEAR(bg.g, 0x30, 4);
    EXPECT_NEAR(bg.b, 0x60, 4);
}

// The written video and ffmpeg's subtitles filter drawing the written script
// over the same clip, encoded with the same settings, differ by encoding
// noise only, at times with lines coming in, being wiped and going out.
TEST_F(BurnCommand, EqualsFfmpegBurningTheScript) {
    KVELMOR_NEED_FFMPEG();
    // A calm picture, so that the encoder's noise stays small beside what a
    // frame drawn 40 ms early or late changes.
    const std::string clip = test::makeMedia(dir / "clip.mp4", "-f lavfi -i color=c=0x305070:s=640x480:r=25:d=12"
                                                               " -f lavfi -i sine=duration=12 -pix_fmt yuv420p "
                                                               "-c:v libx264 -c:a aac -shortest");
    ASSERT_FALSE(clip.empty());
    const std::string ours = (dir / "ours.mp4").string(), theirs = (dir / "theirs.mp4").string();
    const std::string plain = (dir / "plain.mp4").string(), ass = (dir / "song.ass").string();
    ASSERT_EQ(kvelmor(burn("--media " + clip + " -o " + ours)).code, 0) << stderrText();
    ASSERT_EQ(kvelmor("convert --settings " + settings + " " + (dir / "song.txt").string() + " --media " + clip).code, 0);
    // ffmpeg with the fonts this program picks (the face-name aliases).
    const std::string conf = (dir / "fonts.conf").string();
    ASSERT_TRUE(writeFileAtomically(conf, render::fontconfigConfiguration(
                                              {fs::path(KVELMOR_SOURCE_DIR) / "data/fontconfig/60-kvelmor-ms-aliases.conf"}))
                    .ok);
    const std::string encode = " -c:v libx264 -crf 20 -pix_fmt yuv420p -c:a copy ";
    ASSERT_EQ(std::system(("FONTCONFIG_FILE='" + conf + "' ffmpeg -nostdin -v error -y -i '" + clip +
                           "' -vf \"subtitles=filename='" + ass + "'\"" + encode + "'" + theirs + "'")
                              .c_str()),
              0);
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -i '" + clip + "'" + encode + "'" + plain + "'").c_str()), 0);
    for (const char* time : {"5.5", "6.3", "8.04", "9.9", "11.5"}) {
        SCOPED_TRACE(time);
        const std::string a = frameAt(ours, time), b = frameAt(theirs, time), none = frameAt(plain, time);
        ASSERT_EQ(a.size(), 640u * 480 * 3);
        ASSERT_EQ(b.size(), a.size());
        ASSERT_EQ(none.size(), a.size());
        // Encoding noise reaches past 24 levels at a dozen pixels of the
        // 307200 at most; the same frame drawn 40 ms late differs at 30 to 200.
        const double noise = shareDiffering(a, b, 24);
        std::printf("at %s s: %.4f%% of pixels differ from ffmpeg's by more than 24 levels, %.2f%% from the clip\n",
                    time, noise * 100, shareDiffering(a, none, 24) * 100);
        EXPECT_LE(noise * 640 * 480, 20);
        EXPECT_GT(shareDiffering(a, none, 24), 0.02) << "the lyrics are drawn";
    }
}

TEST_F(BurnCommand, FailuresExitTwoNamingTheCauseAndLeaveNothing) {
    KVELMOR_NEED_FFMPEG();
    const std::string clip = test::makeMedia(dir / "clip.mp4", test::testVideo("320x240", "4") +
                                                                   " -f lavfi -i sine=duration=4 -pix_fmt yuv420p "
                                                                   "-c:v libx264 -c:a aac -shortest");
    const std::string mp3 = test::makeMedia(dir / "sound.mp3", "-f lavfi -i sine=duration=4 -c:a libmp3lame");
    const std::string longClip = test::makeMedia(dir / "long.mp4", test::testVideo("640x480", "60") +
                                                                        " -c:v libx264 -preset ultrafast");
    ASSERT_FALSE(clip.empty() || mp3.empty() || longClip.empty());
    const std::string junk = (dir / "junk.png").string(), junkVideo = (dir / "junk.mp4").string();
    ASSERT_TRUE(writeFileAtomically(junk, "not a picture").ok);
    ASSERT_TRUE(writeFileAtomically(junkVideo, "not a video").ok);
    const std::string out = (dir / "out.mp4").string();
    struct Case {
        std::string args;
        std::string shellPrefix;
        std::string message;  // a part of what stderr says
    };
    const std::vector<Case> cases{
        {"--media " + junkVideo + " -o " + out, "", junkVideo + ": cannot be read as a media file"},
        {"--media " + clip + " -o " + clip, "", "would replace " + clip},
        {"--media " + clip + " -o " + (dir / "song.txt").string(), "", "would replace " + (dir / "song.txt").string()},
        {"--media " + mp3 + " --background " + junk + " -o " + out, "", junk + ": holds no picture"},
        {"--media " + clip + " -o " + (dir / "no" / "folder.mp4").string(), "",
         (dir / "no" / "folder.mp4").string() + ": cannot be written"},
        {"--media " + clip + " -o " + (dir / "out.avi2").string(), "", "names no kind of video file"},
        {"-o " + out, "", "burn needs --media MEDIA"},
        {"--media " + clip + " --quality 52 -o " + out, "", "--quality \"52\" is not a quality"},
        // A file size limit stops the write midway, as a full disk does.
        {"--media " + clip + " -o " + out, "ulimit -f 40; exec ", out + ": cannot be written (File too large)"},
        // Ctrl+C midway, and the terminal closed midway.
        {"--media " + longClip + " -o " + out, "timeout --preserve-status -s INT 3 ", out + ": interrupted; nothing was written"},
        {"--media " + longClip + " -o " + out, "timeout --preserve-status -s HUP 3 ", out + ": interrupted; nothing was written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        CliRun r = kvelmor(burn(c.args), c.shellPrefix);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(stderrText().find(c.message), std::string::npos) << stderrText();
        EXPECT_FALSE(fs::exists(out));
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_NE(e.path().extension(), ".tmp") << e.path() << " was left behind";
    }
    // A read-only video is not replaced.
    const std::string kept = (dir / "kept.mp4").string();
    ASSERT_TRUE(writeFileAtomically(kept, "an older video").ok);
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (::access(kept.c_str(), W_OK) != 0) {  // root writes any file
        CliRun r = kvelmor(burn("--media " + clip + " -o " + kept));
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(stderrText().find(kept + ": cannot be written (Permission denied)"), std::string::npos) << stderrText();
        std::string bytes;
        readFileBytes(kept, bytes);
        EXPECT_EQ(bytes, "an older video");
    }
}

// An output that is a pipe, a socket or a device is refused and stays what
// it is; a burn removes what killed burns of the same output left behind.
TEST_F(BurnCommand, OutputsThatAreNotFilesAreRefusedAndLeftoversOfKilledBurnsGo) {
    KVELMOR_NEED_FFMPEG();
    const std::string clip = test::makeMedia(dir / "clip.mp4", test::testVideo("640x480", "2") +
                                                                   " -f lavfi -i sine=duration=2 -pix_fmt yuv420p "
                                                                   "-c:v libx264 -c:a aac -shortest");
    ASSERT_FALSE(clip.empty());
    struct Case {
        std::string name;
        std::function<bool(const fs::path&)> make;  // false: this machine cannot make one
        std::function<bool(const fs::path&)> still;
        std::string reason;
    };
    const std::vector<Case> cases{
        {"pipe.mp4", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0644) == 0; },
         [](const fs::path& p) { return fs::is_fifo(p); }, "not a regular file but a pipe (FIFO)"},
        {"socket.mp4",
         [](const fs::path& p) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             if (p.string().size() >= sizeof address.sun_path) return false;
             std::strcpy(address.sun_path, p.c_str());
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
             ::close(fd);
             return bound;
         },
         [](const fs::path& p) { return fs::is_socket(p); }, "not a regular file but a socket"},
        {"device.mp4", [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         [](const fs::path& p) { return fs::is_character_file(p); }, "not a regular file but a device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = dir / c.name;
        if (!c.make(out)) continue;  // device nodes need privileges
        CliRun r = kvelmor(burn("--media " + clip + " -o " + out.string()), "exec timeout 60 ");
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(stderrText().find(out.string() + ": cannot be written: " + c.reason + "; nothing was written"),
                  std::string::npos)
            << stderrText();
        EXPECT_TRUE(c.still(out));
    }
    // Refused before any work: the media is not even read.
    const fs::path early = dir / "early.mp4", junk = dir / "junk.mp4";
    ASSERT_EQ(::mkfifo(early.c_str(), 0644), 0);
    ASSERT_TRUE(writeFileAtomically(junk.string(), "not a video").ok);
    EXPECT_EQ(kvelmor(burn("--media " + junk.string() + " -o " + early.string()), "exec timeout 60 ").code, 2);
    EXPECT_NE(stderrText().find(early.string() + ": cannot be written: not a regular file but a pipe"),
              std::string::npos)
        << stderrText();
    // A pipe made where the video goes while it is being made is not replaced either.
    const std::string longClip = test::makeMedia(dir / "long.mp4", test::testVideo("640x480", "30") +
                                                                        " -c:v libx264 -preset ultrafast");
    ASSERT_FALSE(longClip.empty());
    const fs::path late = dir / "late.mp4";
    CliRun r = kvelmor(burn("--media " + longClip + " -o " + late.string()),
                       "(sleep 0.5; mkfifo '" + late.string() + "') & exec timeout 120 ");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(stderrText().find(late.string() + ": cannot be written: not a regular file but a pipe"),
              std::string::npos)
        << stderrText();
    EXPECT_TRUE(fs::is_fifo(late));
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_NE(e.path().extension(), ".tmp") << e.path() << " was left behind";

    // A process id above the kernel's largest never runs; this test's own does.
    const std::string out = (dir / "song.mp4").string();
    const std::string gone = temporaryPathFor(out, 99999999), running = temporaryPathFor(out, getpid());
    ASSERT_TRUE(writeFileAtomically(gone, "half a video").ok);
    ASSERT_TRUE(writeFileAtomically(running, "a video being made").ok);
    EXPECT_EQ(kvelmor(burn("--media " + clip)).code, 0) << stderrText();
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(running));
}

}  // namespace
