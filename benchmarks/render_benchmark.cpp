// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the preview: libass frames of the laid-out song.
//
//   Frame            one frame of the example song mid-song over a solid
//                    background, at 640x480 and 1920x1080; the times move on
//                    by 40 ms a frame as playback moves them;
//   SettingsChange   a layout field changed (MarginL) to the new frame: its
//                    refresh stages, the script text, the events handed to
//                    libass, the frame drawn; the example song and the
//                    largest song the tables hold (299 lines of 300 slots);
//   Overlay          playback at 1280x720: each frame of a 25 fps video
//                    decoded and scaled, the subtitles drawn over it;
//                    items_per_second is frames drawn per second.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "largest_song.h"
#include "media/video_frames.h"
#include "render/frame_renderer.h"

using namespace kvelmor;
using kvelmor::bench::LoadedSong;

namespace {

const std::string kExampleSong = std::string(KVELMOR_EXAMPLES) + "/sakura_no_michi.txt";
constexpr render::Colour kBackground{48, 48, 48};
constexpr int64_t kMidSong = 14'000;  // milliseconds: lines being sung, others waiting
constexpr int64_t kFrameStep = 40;    // milliseconds: 25 frames per second

void Frame(benchmark::State& state) {
    LoadedSong song(0, kExampleSong);
    render::FrameRenderer renderer(song.measurer.loadedConfigFiles());
    renderer.setScript(song.session.scriptText());
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    render::Image frame(w, h);
    int64_t t = kMidSong;
    for (auto _ : state) {
        frame.fill(kBackground);
        renderer.drawOver(frame, t);
        benchmark::DoNotOptimize(frame.rgba.data());
        t = t + kFrameStep < kMidSong + 4'000 ? t + kFrameStep : kMidSong;
    }
}

void SettingsChange(benchmark::State& state) {
    LoadedSong song(0, state.range(0) == 0 ? kExampleSong : std::string());
    if (!song.loaded()) {
        state.SkipWithError("the song was not loaded");
        return;
    }
    render::FrameRenderer renderer(song.measurer.loadedConfigFiles());
    // Mid-song: the middle of the first line's start and the last line's end.
    const auto& table = song.session.song.workLines;
    const int64_t t = (table[1].startTime + table[song.session.song.lineCount()].endTime) * 5;
    render::Image frame(640, 480);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        song.session.setField("MarginL", wide ? "40" : "30");
        renderer.setScript(song.session.scriptText());
        frame.fill(kBackground);
        renderer.drawOver(frame, t);
        benchmark::DoNotOptimize(frame.rgba.data());
    }
    state.counters["script_bytes"] = static_cast<double>(renderer.script().size());
}

void Overlay(benchmark::State& state) {
    LoadedSong song(0, kExampleSong);
    const std::string video = (song.dir() / "video.mkv").string();
    const std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=1280x720:rate=25:duration=12 "
                            "-c:v libx264 -preset veryfast -pix_fmt yuv420p '" + video + "'";
    NullReporter reporter;
    std::unique_ptr<media::VideoFrames> frames;
    if (std::system(cmd.c_str()) != 0 || !(frames = media::VideoFrames::open(video, reporter))) {
        state.SkipWithError("the video could not be made with ffmpeg or opened");
        return;
    }
    render::FrameRenderer renderer(song.measurer.loadedConfigFiles());
    renderer.setScript(song.session.scriptText());
    render::Image frame(1280, 720);
    const int64_t first = 10'000, last = 22'000;  // milliseconds of the song, over the video's 0 to 12 s
    int64_t t = first;
    for (auto _ : state) {
        frames->frameAt((t - first) * 1000, frame.width, frame.height, frame.rgba.data());
        renderer.drawOver(frame, t);
        benchmark::DoNotOptimize(frame.rgba.data());
        t = t + kFrameStep < last ? t + kFrameStep : first;
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(Frame)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SettingsChange)->ArgName("largest")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Overlay)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
