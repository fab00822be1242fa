// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The largest song the tables hold, for the benchmarks: 299 lines of 300
// slots each (tags, characters and the inline ruby notation counted as the
// reader counts them), kanji and kana mixed, ruby on every line.

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/session.h"
#include "common/reporter.h"
#include "lyrics/lyrics_table.h"
#include "measure/freetype_measurer.h"

namespace kvelmor::bench {

namespace fs = std::filesystem;

inline std::string tag(int centiseconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d]", centiseconds / 6000, centiseconds / 100 % 60,
                  centiseconds % 100);
    return buf;
}

// One line of exactly kMaxSlots slots: an opening tag, then 15 kanji each
// with a two-kana reading in inline notation (base, T1 "(" T1, reading,
// T2 ")" T2: 9 slots) and 82 kana of one slot and a tag each, a ruby after
// every five kana or so. Kana take 10 centiseconds, a kanji 20.
inline std::string largestLine(int& time) {
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

inline std::string largestSong() {
    std::string song = "@title=Largest\r\n";
    int time = 100;
    for (int i = 0; i < lyrics::kMaxRawLines; ++i) {
        song += largestLine(time) + "\r\n";
        time += 50;  // a short pause between lines
    }
    return song;
}

// A session started with its own settings file, in wipe mode `mode`, with the
// largest song loaded (or the lyrics file `lyricsFile`).
class LoadedSong {
public:
    explicit LoadedSong(int64_t mode, const std::string& lyricsFile = {})
        : m_dir(fs::temp_directory_path() / ("kvelmor_bench_" + std::to_string(getpid()) + "_" +
                                             std::to_string(serial()++))) {
        fs::create_directories(m_dir);
        session.startUp((m_dir / "Kvelmor.ini").string());
        session.setField("wipe", std::to_string(mode));
        if (!lyricsFile.empty()) {
            m_loaded = session.loadLyrics(lyricsFile) && session.song.lineCount() > 0;
            return;
        }
        const fs::path lyrics = m_dir / "largest.txt";
        std::ofstream(lyrics, std::ios::binary) << largestSong();
        m_loaded = session.loadLyrics(lyrics.string()) && session.song.rawLineCount() == lyrics::kMaxRawLines;
        for (int i = 1; m_loaded && i <= session.song.rawLineCount(); ++i)
            m_loaded = session.song.readLines[i].unitCount == lyrics::kMaxSlots;
    }
    ~LoadedSong() { fs::remove_all(m_dir); }

    // Whether every line was read with all its slots (a lyrics file: whether it has lines).
    bool loaded() const { return m_loaded; }
    std::string scriptPath() const { return (m_dir / "largest.ass").string(); }
    const fs::path& dir() const { return m_dir; }

    NullReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};

private:
    static int& serial() {
        static int n = 0;
        return n;
    }
    fs::path m_dir;
    bool m_loaded = false;
};

}  // namespace kvelmor::bench
