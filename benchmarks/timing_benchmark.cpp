// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the timing window: the waveform of a 5-minute song, a frame of the
// waveform strip, a key press to the mark drawn and the preview redrawn on a
// 299-line song, and how far a tap lies from the song time its key arrived at.
// Run offscreen: QT_QPA_PLATFORM=offscreen build/benchmarks/timing_benchmark

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cmath>
#include <ctime>
#include <chrono>
#include <fstream>

#include "largest_song.h"
#include "media/song_sound.h"
#include "media/waveform.h"
#include "ui/dialogs.h"
#include "ui/preview_pane.h"
#include "ui/sound_player.h"
#include "ui/timing_window.h"

using namespace kvelmor;

namespace {

// A 5-minute song (stereo mp3 of a tone with clicks), made once.
const std::string& fiveMinuteSong() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "kvelmor_bench_5min.mp3").string();
        if (!std::filesystem::exists(p))
            std::system(("ffmpeg -nostdin -v error -y -f lavfi -i \"aevalsrc='0.3*sin(2*PI*330*t)+"
                         "if(lt(mod(t\\,0.5)\\,0.01)\\,0.5\\,0)|0.3*sin(2*PI*440*t)':s=44100:d=300\" -b:a 192k '" +
                         p + "'")
                            .c_str());
        return p;
    }();
    return path;
}

// The same, decoded once.
std::shared_ptr<const media::SongSound> fiveMinuteSound() {
    static const std::shared_ptr<const media::SongSound> sound = []() -> std::shared_ptr<const media::SongSound> {
        NullReporter r;
        auto decoded = media::decodeSongSound(fiveMinuteSong(), {}, r);
        if (!decoded) return nullptr;
        return std::make_shared<const media::SongSound>(std::move(*decoded));
    }();
    return sound;
}

// Opening a song: decoded whole, then its peaks (the window does both on a worker).
void WaveformOfFiveMinutes(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        NullReporter r;
        auto sound = media::decodeSongSound(fiveMinuteSong(), {}, r);
        if (!sound) {
            state.SkipWithError("the song could not be decoded");
            return;
        }
        media::WaveformSummary wave(*sound);
        bytes = sound->samples.size() * sizeof(float);
        benchmark::DoNotOptimize(wave);
    }
    state.counters["sound_MB"] = static_cast<double>(bytes) / (1 << 20);
}

// Opening a song until the waveform of its first 11 seconds (the strip's
// width at its first zoom, 10 ms a pixel) can be drawn: the window shows the
// waveform as it grows.
void WaveformFirstShown(benchmark::State& state) {
    for (auto _ : state) {
        NullReporter r;
        std::atomic<bool> enough{false};
        media::WaveformSummary wave(44100, 2);
        int64_t decoded = 0;
        media::decodeSongSound(fiveMinuteSong(), {}, r, &enough, [&](const float* samples, int64_t frames) {
            wave.append(samples, frames);
            decoded += frames;
            if (decoded >= 11 * 44100) enough = true;  // stops the decoding: the strip is full
        });
        benchmark::DoNotOptimize(wave);
    }
}

// One frame of the strip, 1100 pixels wide, at a zoom (milliseconds a pixel).
void WaveformFrame(benchmark::State& state) {
    NullReporter r;
    static const auto sound = media::decodeSongSound(fiveMinuteSong(), {}, r);
    static const media::WaveformSummary wave(*sound);
    const double zoom = static_cast<double>(state.range(0));
    int64_t start = 0;
    for (auto _ : state) {
        auto cols = wave.columns(start, start + static_cast<int64_t>(1100 * zoom), 1100);
        benchmark::DoNotOptimize(cols);
        start = (start + 16) % 200000;  // scrolling with playback
    }
}

struct TimingSetup {
    explicit TimingSetup(const std::string& lyricsFile = {}) : song(0, lyricsFile) {
        window.setClock(&clock);
        window.resize(1100, 700);
        window.show();
    }
    bench::LoadedSong song;
    ui::Dialogs dialogs = ui::Dialogs::standard();
    ui::TimingWindow window{song.session, dialogs};
    ui::ManualClock clock;
};

// Processor time of the calling thread, milliseconds.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A steady clock's milliseconds, as X11's server time stamps keys.
quint64 stampNow() {
    return static_cast<quint64>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// A key as the window system sends it, stamped with the moment it was pressed.
void keyTo(QWidget* w, Qt::Key key, bool press, quint64 stamp = stampNow()) {
    QKeyEvent e(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier);
    e.setTimestamp(stamp);
    QApplication::sendEvent(w, &e);
}

// Space pressed and let go, then the lyrics, waveform and preview redrawn,
// on the example song (0) or the largest song (1: 299 lines of 300 slots),
// retimed from the first syllable on, the song paused.
void KeyToRedraw(benchmark::State& state) {
    const std::string example = KVELMOR_EXAMPLES "/sakura_no_michi.txt";
    TimingSetup s(state.range(0) == 0 ? example : std::string());
    const std::string lyrics = state.range(0) == 0 ? example : (s.song.dir() / "largest.txt").string();
    if (!s.window.openLyrics(QString::fromStdString(lyrics))) {
        state.SkipWithError("the largest song could not be opened");
        return;
    }
    QWidget* keys = s.window.focusWidget() ? s.window.focusWidget() : &s.window;
    QWidget* lyricsView = s.window.findChild<QWidget*>("timingLyrics");
    QWidget* waveView = s.window.findChild<QWidget*>("timingWaveform");
    ui::PreviewPane* pane = s.window.preview();
    qint64 t = 1000;
    // Milliseconds, summed: from the key to the mark and the syllable to tap
    // drawn (the key handled, the lyrics and the waveform painted); from the
    // key to the preview showing the new mark (laid out and written on a
    // thread, drawn by libass on another, painted); and the processor time
    // the window's own thread spent on all of it, which a key arriving
    // meanwhile could have to wait for.
    double markMs = 0, previewMs = 0, busyMs = 0;
    QElapsedTimer sinceKey;
    for (auto _ : state) {
        s.clock.set(t += 100);
        const double busyBefore = threadCpuMs();
        sinceKey.start();
        keyTo(keys, Qt::Key_Space, true);
        keyTo(keys, Qt::Key_Space, false);
        lyricsView->repaint();
        waveView->repaint();
        markMs += static_cast<double>(sinceKey.nsecsElapsed()) / 1e6;
        // The frame at the new time (or the song's end), drawn from the song with the new mark.
        s.window.waitForPreview(false);
        while (pane->framePosition() != pane->position()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        pane->repaint();
        previewMs += static_cast<double>(sinceKey.nsecsElapsed()) / 1e6;
        busyMs += threadCpuMs() - busyBefore;
        if (s.window.document().finished()) s.window.document().setCursor({0, 0});
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["mark_ms"] = markMs / n;
    state.counters["preview_ms"] = previewMs / n;
    state.counters["window_thread_ms"] = busyMs / n;
}

// The real clock playing at a speed, silent or playing the five-minute song
// (to a sound device when there is one, scripts/sound-device.sh); a
// Space sent at a known song time; how far the stored mark lies from the
// clock read as the key is stamped (error_ms, the worst), and how long the
// key took to handle, the mark drawn and the preview asked for (key_ms, the
// worst). A key whose stamping was itself held up (the clock read before and
// after it differ by more than a millisecond) is not sent: that would
// measure the benchmark, not the window; such keys are counted (disturbed).
void TapAccuracy(benchmark::State& state) {
    TimingSetup s;
    std::ofstream(s.song.dir() / "kana.txt") << [] {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "らららららららららら\n";
        return text;
    }();
    ui::SoundPlayer player;
    const bool played = state.range(1) != 0;
    if (played) player.setSound(fiveMinuteSound());
    s.window.setClock(&player);
    s.window.openLyrics(QString::fromStdString((s.song.dir() / "kana.txt").string()));
    player.setSpeed(static_cast<double>(state.range(0)) / 100.0);
    player.play(0);
    // A device begins once its buffer is full.
    QElapsedTimer begun;
    begun.start();
    while (played && begun.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    state.counters["audible"] = player.audible() ? 1 : 0;
    QWidget* keys = s.window.focusWidget() ? s.window.focusWidget() : &s.window;
    double worstError = 0, worstKey = 0, disturbed = 0;
    for (auto _ : state) {
        if (played) QCoreApplication::processEvents();  // the device is fed by the event loop
        const timing::Position at = s.window.document().cursor();
        const qint64 before = player.position();
        const quint64 stamp = stampNow();
        if (player.position() - before > 1) {
            ++disturbed;
            continue;
        }
        keyTo(keys, Qt::Key_Space, true, stamp);
        const qint64 after = player.position();
        keyTo(keys, Qt::Key_Space, false);
        // The mark this tap made: the syllable at the cursor before it, or
        // at a line's end the line's end.
        const timing::TimingLine& line = s.window.document().line(at.line);
        const auto stored = at.syllable < line.count()
                                ? s.window.document().markTime({at.line, at.syllable, false})
                                : s.window.document().markTime({at.line, line.count() - 1, true});
        if (!stored) continue;
        worstError = std::max(worstError, std::abs(static_cast<double>(*stored - before)));
        worstKey = std::max(worstKey, static_cast<double>(after - before));
        if (s.window.document().finished()) s.window.document().setCursor({0, 0});
    }
    state.counters["error_ms"] = worstError;
    state.counters["key_ms"] = worstKey;
    state.counters["disturbed"] = disturbed;
}

// The song's clock while a sound device plays it (set one up without
// hardware with scripts/sound-device.sh): read every millisecond from 3 s
// after play() (the device has filled its buffer and begun) to 8 s, against
// a steady clock. jitter_ms is how far the song time strays either way from
// the straight line that fits it best, rate that line's song time a second
// at the speed (the device's own clock against the steady one), step_ms the
// largest jump from one reading to the next beyond the steady time between
// them, start_ms when the song time
// first moved; audible says whether a device took the sound (without one
// the clock runs silently by the steady clock).
void SoundClock(benchmark::State& state) {
    const auto sound = fiveMinuteSound();
    if (!sound) {
        state.SkipWithError("the song could not be decoded");
        return;
    }
    const double speed = static_cast<double>(state.range(0)) / 100.0;
    double jitter = 0, step = 0, start = -1, rate = 0;
    bool audible = false;
    for (auto _ : state) {
        ui::SoundPlayer player;
        player.setSound(sound);
        player.setSpeed(speed);
        player.play(10000);
        audible = player.audible();
        QElapsedTimer steady;
        steady.start();
        while (steady.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            // Read as the window reads it, many times a second.
            if (player.position() > 10000 && start < 0) start = static_cast<double>(steady.elapsed());
        }
        std::vector<std::pair<double, double>> readings;  // steady ms, song ms
        while (steady.elapsed() < 8000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            readings.emplace_back(static_cast<double>(steady.nsecsElapsed()) / 1e6, static_cast<double>(player.position()));
        }
        player.pause();
        // The least-squares line through the readings.
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        const auto n = static_cast<double>(readings.size());
        for (const auto& [x, y] : readings) sx += x, sy += y, sxx += x * x, sxy += x * y;
        const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), offset = (sy - slope * sx) / n;
        for (size_t i = 0; i < readings.size(); ++i) {
            const auto& [x, y] = readings[i];
            jitter = std::max(jitter, std::abs(y - (offset + slope * x)));
            if (i > 0) step = std::max(step, std::abs((y - readings[i - 1].second) - (x - readings[i - 1].first) * speed));
        }
        rate = slope / speed;
    }
    state.counters["audible"] = audible ? 1 : 0;
    state.counters["start_ms"] = start;
    state.counters["jitter_ms"] = jitter;
    state.counters["rate"] = rate;
    state.counters["step_ms"] = step;
}

}  // namespace

BENCHMARK(WaveformOfFiveMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(WaveformFirstShown)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WaveformFrame)->ArgName("ms_per_px")->Arg(1)->Arg(10)->Arg(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeyToRedraw)->ArgName("largest")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SoundClock)->ArgName("speed_percent")->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(TapAccuracy)
    ->ArgNames({"speed_percent", "sound"})
    ->Args({100, 0})
    ->Args({50, 0})
    ->Args({100, 1})
    ->Args({50, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
