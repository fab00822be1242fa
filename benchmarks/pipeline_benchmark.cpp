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

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "common/reporter.h"
#include "measure/freetype_measurer.h"
#include "lyrics/lyrics_table.h"

using namespace kvelmor;
namespace fs = std::filesystem;

namespace {

std::string tag(int centiseconds) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d]", centiseconds / 6000, centiseconds / 100 % 60,
                  centiseconds % 100);
    return buf;
}

// One line of exactly kMaxSlots slots: an opening tag, then 15 kanji each
// with a two-kana reading in inline notation (base, T1 "(" T1, reading,
// T2 ")" T2: 9 slots) and 82 kana of one slot and a tag each, a ruby after
// every five kana or so. Kana take 10 centiseconds, a kanji 20.
std::string largestLine(int& time) {
    struct Kanji {
        const char* base;
        const char* reading;
    };
    static constexpr std::array<Kanji, 15> kKanji{{{"春", "はる"}, {"風", "かぜ"}, {"空", "そら"}, {"道", "みち"},
                                                  {"歌", "うた"}, {"夢", "ゆめ"}, {"星", "ほし"}, {"夜", "よる"},
                                                  {"花", "はな"}, {"光", "ひか"}, {"海", "うみ"}, {"声", "こえ"},
                                                  {"雪", "ゆき"}, {"朝", "あさ"}, {"心", "ここ"}}};
    static constexpr std::array<const char*, 10> kKana{"の", "が", "を", "に", "と", "て", "ラ", "ル", "き", "み"};
    constexpr int kRubyCount = 15;
    constexpr int kKanaCount = 82;
    static_assert(1 + kRubyCount * 9 + kKanaCount * 2 == lyrics::kMaxSlots);

    std::string line = tag(time);
    int kana = 0;
    for (int r = 0; r < kRubyCount; ++r) {
        const std::string t1 = tag(time);
        time += 20;
        const std::string t2 = tag(time);
        line += std::string(kKanji[r].base) + t1 + "(" + t1 + kKanji[r].reading + t2 + ")" + t2;
        // 82 kana over 15 rubies: 5 after each, and the twelve left after the last.
        const int kanaHere = r + 1 < kRubyCount ? 5 : kKanaCount - 5 * (kRubyCount - 1);
        for (int k = 0; k < kanaHere; ++k, ++kana) {
            time += 10;
            line += std::string(kKana[static_cast<size_t>(kana) % kKana.size()]) + tag(time);
        }
    }
    return line;
}

std::string largestSong() {
    std::string song = "@title=Largest\r\n";
    int time = 100;
    for (int i = 0; i < lyrics::kMaxRawLines; ++i) {
        song += largestLine(time) + "\r\n";
        time += 50;  // a short pause between lines
    }
    return song;
}

// A session started with its own settings file, in wipe mode `mode`, with the
// largest song loaded.
class LoadedSong {
public:
    explicit LoadedSong(int64_t mode)
        : m_dir(fs::temp_directory_path() / ("kvelmor_bench_" + std::to_string(getpid()))) {
        fs::create_directories(m_dir);
        session.startUp((m_dir / "Kvelmor.ini").string());
        session.setField("wipe", std::to_string(mode));
        const fs::path lyrics = m_dir / "largest.txt";
        std::ofstream(lyrics, std::ios::binary) << largestSong();
        m_loaded = session.loadLyrics(lyrics.string()) && session.song.rawLineCount() == lyrics::kMaxRawLines;
        for (int i = 1; m_loaded && i <= session.song.rawLineCount(); ++i)
            m_loaded = session.song.RawLyricsTable[i].unitCount == lyrics::kMaxSlots;
    }
    ~LoadedSong() { fs::remove_all(m_dir); }

    // Whether every line was read with all its slots.
    bool loaded() const { return m_loaded; }
    std::string scriptPath() const { return (m_dir / "largest.ass").string(); }

    NullReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};

private:
    fs::path m_dir;
    bool m_loaded = false;
};

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
