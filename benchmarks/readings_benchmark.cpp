// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the suggested readings: opening MeCab with its dictionary, and
// the readings of a whole song of 299 lines once it is open.

#include <benchmark/benchmark.h>

#include <fstream>
#include <regex>

#include "common/encoding.h"
#include "largest_song.h"
#include "readings/analyzer.h"
#include "readings/song_readings.h"
#include "readings/suggest.h"

namespace {

using namespace kvelmor;

// 299 lines of song-like text: the readings corpus's lines, without their
// readings, over and over.
std::vector<std::u32string> corpusSong() {
    std::vector<std::u32string> lines;
    std::ifstream in(KVELMOR_READINGS_CORPUS);
    std::string text;
    while (std::getline(in, text))
        if (!text.empty() && text[0] != '#') {
            std::erase(text, '*');
            lines.push_back(readings::parseUntimedNotation(toU32(text)).plain);
        }
    std::vector<std::u32string> song;
    for (size_t i = 0; !lines.empty() && song.size() < lyrics::kMaxRawLines; ++i) song.push_back(lines[i % lines.size()]);
    return song;
}

std::unique_ptr<readings::Analyzer> openAnalyzer(benchmark::State& state) {
    std::string failure;
    auto analyzer = readings::Analyzer::open(failure);
    if (!analyzer) state.SkipWithError(failure.c_str());
    return analyzer;
}

// MeCab's tagger over the IPA dictionary (the library itself is opened by the first run only).
void BM_OpenDictionary(benchmark::State& state) {
    for (auto _ : state) {
        auto analyzer = openAnalyzer(state);
        if (!analyzer) break;
        benchmark::DoNotOptimize(analyzer.get());
    }
}
BENCHMARK(BM_OpenDictionary)->Unit(benchmark::kMillisecond);

// Every line of a 299-line song, each iteration with a fresh analyzer's
// list of single-kanji readings (as the first suggestion after opening has).
void BM_Suggest299Lines(benchmark::State& state) {
    const std::vector<std::u32string> song = corpusSong();
    size_t readingsFound = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto analyzer = openAnalyzer(state);
        state.ResumeTiming();
        if (!analyzer) break;
        for (const std::u32string& line : song) readingsFound += readings::suggestReadings(*analyzer, line).readings.size();
    }
    state.counters["lines"] = static_cast<double>(song.size());
    benchmark::DoNotOptimize(readingsFound);
}
BENCHMARK(BM_Suggest299Lines)->Unit(benchmark::kMillisecond);

// The whole file filled in: the largest song the tables hold (299 lines of
// 300 slots), its inline readings taken out first, parsed, read, written back.
void BM_FillLargestSong(benchmark::State& state) {
    const std::string bare = std::regex_replace(
        bench::largestSong(), std::regex(R"(\[\d\d:\d\d:\d\d\]\(\[\d\d:\d\d:\d\d\][^)]*\[\d\d:\d\d:\d\d\]\))"), "");
    auto analyzer = openAnalyzer(state);
    if (!analyzer) return;
    int added = 0;
    for (auto _ : state) added = readings::fillSongText(*analyzer, bare).added;
    state.counters["readings"] = added;
}
BENCHMARK(BM_FillLargestSong)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
