// SPDX-License-Identifier: GPL-3.0-or-later
// The pipeline on the largest song the tables hold: 299 lines of 300 slots
// each (tags, characters and the inline ruby notation counted as the reader
// counts them), kanji and kana mixed, ruby on every line. Measured in wipe
// modes 0 (karaoke), 3 (border wipe) and 6 (one event per syllable):
//
//   FullRefresh  the full refresh of a loaded song, as every load and every
//                change of a layout setting runs it;
//   Conversion   the write command: template expansion, the script text and
//                the file written (UTF-16, as saved by default), reported as
//                bytes of script written per second;
//   RefreshStage each stage of the refresh alone (wipe mode 0), to see where
//                a full refresh spends its time.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "largest_song.h"

using namespace kvelmor;
using kvelmor::bench::LoadedSong;
namespace fs = std::filesystem;

namespace {

void FullRefresh(benchmark::State& state) {
    LoadedSong song(state.range(0));
    if (!song.loaded()) {
        state.SkipWithError("the song was not read whole");
        return;
    }
    for (auto _ : state) song.session.runFullRefresh();
    state.counters["lines"] = song.session.song.lineCount();
}

// Stage 12 runs only while LowerCheck is ticked, as it is by default.
void RefreshStage(benchmark::State& state) {
    LoadedSong song(0);
    if (!song.loaded()) {
        state.SkipWithError("the song was not read whole");
        return;
    }
    const std::vector<int> stage{static_cast<int>(state.range(0))};
    for (auto _ : state) song.session.runStages(stage);
}

void Conversion(benchmark::State& state) {
    LoadedSong song(state.range(0));
    const std::string out = song.scriptPath();
    if (!song.loaded() || !song.session.writeScript(out)) {
        state.SkipWithError("the song was not read whole, or its script not written");
        return;
    }
    const auto bytes = static_cast<int64_t>(fs::file_size(out));
    for (auto _ : state) {
        if (!song.session.writeScript(out)) {
            state.SkipWithError("the script was not written");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["script_bytes"] = static_cast<double>(bytes);
}

}  // namespace

BENCHMARK(FullRefresh)->ArgName("wipe")->Arg(0)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);
BENCHMARK(RefreshStage)->ArgName("stage")->DenseRange(1, app::kStageCount)->Unit(benchmark::kMillisecond);
BENCHMARK(Conversion)->ArgName("wipe")->Arg(0)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
