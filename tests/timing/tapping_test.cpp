// SPDX-License-Identifier: GPL-3.0-or-later
// Syllable splitting, tapping and writing timed lyrics, without a window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <variant>

#include "common/encoding.h"
#include "common/file_io.h"
#include "lyrics/reader.h"
#include "measure/fixed_measurer.h"
#include "settings/conversion_settings.h"
#include "timing/event_delay.h"
#include "timing/hyphenation.h"
#include "timing/onsets.h"
#include "timing/song_clock.h"
#include "timing/timing_document.h"
#include "support/scoped_environment.h"

namespace kvelmor::timing {
namespace {

// Syllables as "shown/shown", a reading's first syllable after "base=".
std::string syllablesOf(const TimingLine& l) {
    std::u32string out;
    for (int i = 0; i < l.count(); ++i) {
        const Syllable& s = l.syllables[static_cast<size_t>(i)];
        if (i > 0) out += U"/";
        if (s.ruby >= 0 && (i == 0 || l.syllables[static_cast<size_t>(i - 1)].ruby != s.ruby))
            out += l.rubies[static_cast<size_t>(s.ruby)].base + U"=";
        out += shownText(s);
    }
    return toUtf8(out);
}

TEST(Syllables, PlainLinesSplitIntoSungBeats) {
    static const Hyphenator hyphenator(Hyphenator::defaultDictionary());
    ASSERT_TRUE(hyphenator.ok()) << "hyphen-en-us is needed for these tests";
    struct Case {
        const char* line;
        bool joinSmallTsuAndN;
        LatinSplit latin;
        const char* expected;
    };
    const Case cases[] = {
        {"きょうはっきりしたんだ", false, LatinSplit::ByWord, "きょ/う/は/っ/き/り/し/た/ん/だ"},
        {"きょうはっきりしたんだ", true, LatinSplit::ByWord, "きょ/う/はっ/き/り/し/たん/だ"},
        {"ラーメン、食(た)べよう！", false, LatinSplit::ByWord, "ラー/メ/ン、/食=た/べ/よ/う！"},
        {"「夢」を見た", false, LatinSplit::ByWord, "「夢」/を/見/た"},
        {"春(はる)の風(かぜ)が吹(ふ)く", false, LatinSplit::ByWord, "春=は/る/の/風=か/ぜ/が/吹=ふ/く"},
        {"今|日(ひ)は|Hello(はろー)!", false, LatinSplit::ByWord, "今/日=ひ/は/Hello=は/ろー!"},
        {"学校(がっこう)", false, LatinSplit::ByWord, "学校=が/っ/こ/う"},
        {"学校(がっこう)", true, LatinSplit::ByWord, "学校=がっ/こ/う"},
        {"Singing in the rain", false, LatinSplit::ByWord, "Singing /in /the /rain"},
        {"Beautiful rain", false, LatinSplit::ByHyphenation, "Beau/ti/ful /rain"},
        {"don't forget", false, LatinSplit::ByHyphenation, "don't /for/get"},
        // Words the hyphenation patterns leave whole are split by their vowels.
        {"Hello baby, only over the sky", false, LatinSplit::ByHyphenation, "Hel/lo /ba/by, /on/ly /o/ver /the /sky"},
        {"forever lonely, little wishes danced away", false, LatinSplit::ByHyphenation,
         "for/ev/er /lone/ly, /lit/tle /wi/shes /danced /a/way"},
        {"mother wanted rocket singer's exit", false, LatinSplit::ByHyphenation,
         "mo/ther /wan/ted /rock/et /sing/er's /ex/it"},
        {"(笑)と()", false, LatinSplit::ByWord, "(笑)/と()"},
        {"「愛(・・・)」して", false, LatinSplit::ByWord, "愛=「・・・」/し/て"},  // a reading with no mora
        {"ラ|ラ", false, LatinSplit::ByWord, "ラ|/ラ"},  // read as the readings write it: no reading, text
        {"  ♪ ラララ", false, LatinSplit::ByWord, "  ♪ ラ/ラ/ラ"},
    };
    for (const Case& c : cases) {
        SplitOptions options;
        options.joinSokuonAndHatsuon = c.joinSmallTsuAndN;
        options.latin = c.latin;
        options.hyphenator = &hyphenator;
        EXPECT_EQ(syllablesOf(splitPlainLine(toU32(c.line), options)), c.expected) << c.line;
    }
}

TEST(Syllables, TimedLinesKeepTheirSyllablesAndWriteBackAsRead) {
    const std::string lines[] = {
        "[00:05:00]春[00:05:00]([00:05:00]はる[00:05:60])[00:05:60]の[00:05:90]風[00:05:90]([00:05:90]かぜ[00:06:"
        "70])[00:06:70]が[00:07:10] [00:07:20]そっ[00:07:60]と[00:08:00]",
        "[00:15:00]Hel[00:15:40]lo[00:15:90] [00:16:00]き[00:16:30]み[00:16:60]",
        // A gap (two tags in a row), a reading timed per mora, punctuation after a reading.
        // The last also holds a gap between two mora of a reading.
        "[01:00:00]あ[01:00:50][01:01:00]夢[01:01:00]([01:01:00]ゆ[01:01:20][01:01:30]め[01:01:80])[01:01:80]、[01:01:"
        "80]",
    };
    for (const std::string& line : lines) {
        ParseOptions options;
        options.correctUnmarkedTimes = false;
        const TimingDocument doc(readLyrics("@timeratio=1\n" + line + "\n", options));
        EXPECT_EQ(doc.timedText(), "@timeratio=1\n" + line + "\n");
    }
    const TimingLine read = readTimedLine(toU32(lines[2]));
    EXPECT_EQ(syllablesOf(read), "あ/夢=ゆ/め、");
    EXPECT_EQ(read.syllables[0].end, 60500);
    EXPECT_EQ(read.syllables[1].end, 61200);
    EXPECT_EQ(read.syllables[2].start, 61300);
    EXPECT_EQ(read.syllables[2].end, 61800);
}

// Lyrics saved part of the way through, and readings holding more than mora:
// opened again they must give the same syllables and save the same text.
TEST(Syllables, SavedLyricsOpenAgainAsTheyWere) {
    struct Case {
        const char* line;
        const char* syllables;
    };
    const Case cases[] = {
        {"「愛(・・・)」して", "愛=「・・・」/し/て"},
        {"空(・そ・ら、)です", "空=・そ・/ら、/で/す"},
        {"Hel[00:01:00]lo [00:01:50]baby, only over", "Hel/lo /ba/by, /on/ly /o/ver"},
        {"春(はる)の[00:01:00]風[00:01:00]([00:01:00]か[00:01:50]ぜ[00:01:80])[00:01:80]がそっと",
         "春=は/る/の/風=か/ぜ/が/そ/っ/と"},
        {"あ[00:18:20]", "あ"},
        {"♪[00:18:20]", "♪"},
        {"|Hello(はろー)、[00:18:20]", "Hello=は/ろー、"},
        {"[00:01:00]さ[00:01:50]「[00:01:50]春[00:01:50]([00:01:50]は[00:01:70]る[00:02:00])[00:02:00]」、[00:02:00]と[00:"
         "02:30]",
         "さ/春=「は/る」、/と"},
        {"[00:01:00]春[00:01:00]([00:01:00]はる[00:01:50])[00:01:50]、[00:01:50]！[00:01:50]と[00:02:00]",
         "春=はる、/！/と"},
        {"[00:01:00]春[00:01:00]([00:01:00]はる[00:01:50])[00:01:50]、", "春=はる/、"},
    };
    for (const Case& c : cases) {
        ParseOptions options;
        options.correctUnmarkedTimes = false;
        const TimingDocument doc(readLyrics(std::string(c.line) + "\n", options));
        ASSERT_EQ(doc.lineCount(), 1) << c.line;
        EXPECT_EQ(syllablesOf(doc.line(0)), c.syllables) << c.line;
        EXPECT_EQ(doc.timedText(), "@timeratio=1\n" + std::string(c.line) + "\n");
    }
}

// One step of a tapping session.
struct Tap { Millis t; };
struct Release { Millis t; };
struct Enter { Millis t; };
struct Undo {};
struct Redo {};
using Step = std::variant<Tap, Release, Enter, Undo, Redo>;

std::string afterSteps(const std::string& lyrics, const std::vector<Step>& steps) {
    TimingDocument doc(readLyrics(lyrics, {}));
    for (const Step& step : steps) {
        std::visit([&](const auto& s) {
            using S = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<S, Tap>) doc.tap(s.t);
            else if constexpr (std::is_same_v<S, Release>) doc.release(s.t);
            else if constexpr (std::is_same_v<S, Enter>) doc.endLine(s.t);
            else if constexpr (std::is_same_v<S, Undo>) doc.undo();
            else doc.redo();
        }, step);
    }
    return doc.timedText();
}

TEST(Tapping, KeysMakeTheTagsOfTheSyllables) {
    struct Case {
        const char* name;
        std::string lyrics;
        std::vector<Step> steps;
        std::string expected;
    };
    const Case cases[] = {
        {"taps, a line's end that starts the next line, Enter",
         "@title=歌\nさくら\n\nはな\n",
         {Tap{1000}, Release{1080}, Tap{1500}, Tap{2000}, Tap{2500}, Tap{3000}, Enter{3500}},
         "@timeratio=1\n@title=歌\n[00:01:00]さ[00:01:50]く[00:02:00]ら[00:02:50]\n\n[00:02:50]は[00:03:00]な[00:03:"
         "50]\n"},
        {"a hold leaves a gap, a short press does not",
         "さくら\n",
         {Tap{1000}, Release{1400}, Tap{2000}, Release{2100}, Tap{2500}, Release{3000}},
         "@timeratio=1\n[00:01:00]さ[00:01:40][00:02:00]く[00:02:50]ら[00:03:00]\n"},
        {"a hold let go within the hundredth of the next tap leaves no gap",
         "さくら\n",
         {Tap{1000}, Release{1396}, Tap{1400}, Tap{2000}, Enter{2500}},
         "@timeratio=1\n[00:01:00]さ[00:01:40]く[00:02:00]ら[00:02:50]\n"},
        {"undo takes the last mark back, redo makes it again",
         "さくら\n",
         {Tap{1000}, Tap{1500}, Undo{}, Tap{1600}, Tap{2000}, Undo{}, Redo{}, Enter{2400}},
         "@timeratio=1\n[00:01:00]さ[00:01:60]く[00:02:00]ら[00:02:40]\n"},
        {"a reading is timed mora by mora under its base",
         "春(はる)だ\n",
         {Tap{1000}, Tap{1300}, Tap{1800}, Enter{2000}},
         "@timeratio=1\n[00:01:00]春[00:01:00]([00:01:00]は[00:01:30]る[00:01:80])[00:01:80]だ[00:02:00]\n"},
        {"a partly tapped line keeps the rest as text, a line not tapped keeps its notation",
         "さくら\n春(はる)\n",
         {Tap{1000}},
         "@timeratio=1\n[00:01:00]さくら\n春(はる)\n"},
        {"retiming keeps every time not tapped again",
         "@timeratio=1\n[00:01:00]さ[00:01:50]く[00:02:00]ら[00:02:50]\n",
         {Tap{1100}},
         "@timeratio=1\n[00:01:10]さ[00:01:50]く[00:02:00]ら[00:02:50]\n"},
        {"times of a file read with the 640/637 correction are kept in real time",
         "@timeratio=0.9953125\n[00:06:37]さ[00:12:74]く\n",
         {},
         "@timeratio=1\n[00:06:40]さ[00:12:80]く\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(afterSteps(c.lyrics, c.steps), c.expected) << c.name;
}

// A key's delay is its clocks' offset beyond the smallest seen; a stamp
// that jumps, none at all, or an offset learnt too long ago gives none.
TEST(Tapping, KeysHandledLateAreTakenWhenTheyWerePressed) {
    struct Key {
        uint64_t stamp;
        Millis handled;
        Millis delay;
        const char* why;
    };
    const Key keys[] = {
        {5000, 105000, 0, "the first key teaches the offset"},
        {5400, 105430, 30, "handled 30 ms after the quickest"},
        {5600, 105590, 0, "quicker still: a new offset"},
        {5700, 105700, 10, "measured from the new offset"},
        {0, 106000, 0, "no stamp"},
        {9000, 115000, 0, "a jump of more than a second is a clock that jumped"},
        {9100, 115120, 20, "learnt again from the jump"},
        {73950, 180000, 0, "50 ms late, but the offset was seen over a minute ago: learnt again"},
        {74000, 180060, 10, "from the offset learnt last"},
    };
    timing::EventDelay delay;
    for (const Key& k : keys) EXPECT_EQ(delay.delay(k.stamp, k.handled), k.delay) << k.why;
}

// A device that plays from 0, takes the sound in 40 ms blocks and reports
// them wavering by up to 20 ms, stops from 1.2 s to 1.5 s (it ran out), and
// waits 300 ms before it begins: the song clock read every 5 ms never runs
// backwards, stands still while the device does, and once settled keeps
// within ±10 ms of the sound (less a constant, the device's latency, which
// the calibration takes off), where the reports stray by ±40 ms.
TEST(Tapping, TheSongClockRunsSmoothlyOverADeviceThatReportsInSteps) {
    auto played = [](Millis t) -> Millis {
        if (t < 300) return 0;
        if (t < 1200) return t - 300;
        if (t < 1500) return 900;
        return t - 600;
    };
    timing::SongClock clock;
    clock.restart(0);
    Millis last = 0;
    std::vector<double> settled;  // clock − sound, once settled after the stop
    for (Millis t = 0; t <= 5000; t += 5) {
        const Millis block = t / 40 * 40;
        const Millis waver = (block * 7919) % 41 - 20;  // the same for the whole block
        const Millis reported = std::max<Millis>(0, played(block) + (played(block) > 0 ? waver : 0));
        const Millis now = clock.read(reported, t, 1.0);
        ASSERT_GE(now, last) << "backwards at " << t;
        last = now;
        if (t > 300 && t < 1200) EXPECT_LE(now, played(t) + timing::SongClock::kFarAhead) << t;
        if (t >= 1200 + timing::SongClock::kStopped + 40 && t < 1500) EXPECT_EQ(now, clock.read(reported, t, 1.0));
        if (t >= 3000) settled.push_back(static_cast<double>(now - played(t)));
    }
    const auto [low, high] = std::minmax_element(settled.begin(), settled.end());
    EXPECT_LE(*high - *low, 20.0);  // the reports themselves stray over 80 ms
}

TEST(Marks, DragNudgeMergeAndSplitStayInOrderAndUndo) {
    TimingDocument doc(readLyrics("さくらさく\n", {}));
    for (Millis t : {1000, 1500, 2000, 2500, 3000}) doc.tap(t);
    doc.endLine(3500);
    EXPECT_TRUE(doc.moveMark({0, 1, false}, 5000));  // held back by the next mark
    EXPECT_EQ(doc.markTime({0, 1, false}), 2000);
    EXPECT_TRUE(doc.nudgeMark({0, 1, false}, -10));
    EXPECT_EQ(doc.markTime({0, 1, false}), 1990);
    EXPECT_FALSE(doc.moveMark({0, 1, true}, 1000));  // no such mark
    EXPECT_TRUE(doc.merge(0, 1));
    EXPECT_EQ(syllablesOf(doc.line(0)), "さ/くら/さ/く");
    EXPECT_TRUE(doc.split(0, 1, 1));
    EXPECT_EQ(doc.timedText(), "@timeratio=1\n[00:01:00]さ[00:01:99]くら[00:02:50]さ[00:03:00]く[00:03:50]\n");
    EXPECT_FALSE(doc.split(0, 0, 1));  // one character
    ASSERT_TRUE(doc.undo());
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(syllablesOf(doc.line(0)), "さ/く/ら/さ/く");
    EXPECT_EQ(doc.markTime({0, 1, false}), 1990);
    EXPECT_TRUE(doc.modified());
    doc.markSaved();
    EXPECT_FALSE(doc.modified());
    doc.undo();
    EXPECT_TRUE(doc.modified());

    TimingDocument ruby(readLyrics("春(はる)だ\n", {}));
    EXPECT_FALSE(ruby.merge(0, 1));  // a reading's mora and lyric text
    EXPECT_TRUE(ruby.merge(0, 0));
    EXPECT_EQ(syllablesOf(ruby.line(0)), "春=はる/だ");
}

// The timed text is kept line by line between edits; after every kind of
// edit it must be what a document holding the same lines writes afresh.
TEST(TimedFiles, TheTextKeptBetweenEditsFollowsEveryEdit) {
    TimingDocument doc(readLyrics("@title=歌\n春(はる)の\n\nさくら\nla la\n", {}));
    const std::vector<std::pair<const char*, std::function<void()>>> edits{
        {"tap", [&] { doc.tap(1000); }},
        {"tap in a reading", [&] { doc.tap(1200); }},
        {"held tap", [&] { doc.tap(1400); doc.release(1900); }},
        {"line end", [&] { doc.endLine(2100); }},
        {"next line", [&] { doc.tap(3000); doc.tap(3300); }},
        {"move", [&] { doc.moveMark({1, 0, false}, 950); }},
        {"nudge", [&] { doc.nudgeMark({3, 1, false}, 10); }},
        {"merge", [&] { doc.merge(3, 1); }},
        {"split", [&] { doc.split(3, 1, 1); }},
        {"undo", [&] { doc.undo(); }},
        {"undo again", [&] { doc.undo(); }},
        {"redo", [&] { doc.redo(); }},
        {"last line", [&] { doc.setCursor({4, 0}); doc.tap(5000); doc.tap(5400); doc.endLine(5900); }},
    };
    for (const auto& [name, edit] : edits) {
        doc.timedText();  // kept from before the edit
        edit();
        EXPECT_EQ(doc.timedText(), TimingDocument(doc.lines()).timedText()) << name;
    }
    EXPECT_NE(doc.timedText().find("[00:05:00]"), std::string::npos);
}

TEST(TimedFiles, WrittenTimesAreTheTimesTheConverterReads) {
    const auto dir = std::filesystem::temp_directory_path() / ("kvelmor_timing_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    TimingDocument doc(readLyrics("@title=歌\n春(はる)の風(かぜ)\nLa la\n", {}));
    Millis t = 61230;  // past a minute, not on a centisecond
    while (!doc.finished()) {
        doc.tap(t);
        t += 417;
        if (doc.cursor().syllable == doc.line(doc.cursor().line).count()) doc.endLine(t += 417);
    }
    CollectingReporter reports;
    const std::string txt = (dir / "song.txt").string();
    const std::string kra = (dir / "song.kra").string();
    ASSERT_TRUE(writeTimedText(doc, txt, reports));
    ASSERT_TRUE(writeTimedKra(doc, kra, reports));
    for (const std::string& path : {txt, kra}) {
        settings::ConversionSettings settings;  // `WinAMPTime` on, as by default
        measure::FixedMeasurer measurer;
        lyrics::Song song;
        ASSERT_TRUE(lyrics::loadLyricsFile(song, path, settings, measurer, reports).ok) << path;
        ASSERT_EQ(song.rawLineCount(), 2) << path;
        EXPECT_EQ(song.songInfo.title, "歌");
        const lyrics::LyricLine& first = song.readLines[1];
        EXPECT_EQ(first.unit(1).time, 6123) << path;  // first tag, uncorrected
        EXPECT_EQ(song.readLines[2].unit(song.readLines[2].unitCount).time, (t + 5) / 10) << path;
    }
    EXPECT_TRUE(reports.reports.empty());
    // A line not yet tapped cannot go into a tag file: said, not lost silently.
    TimingDocument partly(readLyrics("さくら\nはな\n", {}));
    partly.tap(1000);
    partly.endLine(1500);
    ASSERT_TRUE(writeTimedKra(partly, kra, reports));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].severity, Severity::Warning);
    EXPECT_NE(reports.reports[0].text.find("1 lyric line has no times"), std::string::npos);
    EXPECT_FALSE(writeTimedText(doc, (dir / "missing" / "x.txt").string(), reports));
    EXPECT_EQ(reports.reports.back().file, (dir / "missing" / "x.txt").string());

    std::filesystem::remove_all(dir);
}

TEST(TimingRecovery, MarksComeBackWithTheCursorForTheirLyricsAndSongAlone) {
    const auto dir = std::filesystem::temp_directory_path() / ("kvelmor_timing_recovery_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    test_support::ScopedStateFolder state(dir / "state");
    const std::string lyrics = (dir / "song.txt").string(), other = (dir / "other.txt").string();
    const std::string song = (dir / "song.flac").string();
    // A line half tapped keeps the syllables not yet tapped, and a time read
    // from before the song stays as it was read.
    TimingDocument half(readLyrics("春(はる)のかぜ\n[-1:00:00]あ\nそら\n", {}));
    half.tap(1000);
    half.tap(1300);
    CollectingReporter reports;
    ASSERT_TRUE(writeRecovery(half, timingRecoveryKey(lyrics, song), reports));
    EXPECT_TRUE(reports.reports.empty());
    Recovery kept = readRecovery(timingRecoveryKey(lyrics, song));
    ASSERT_EQ(kept.state, RecoveryState::Whole) << kept.problem;
    EXPECT_EQ(kept.marks.lines, half.lines());
    EXPECT_EQ(kept.path, recoveryPath(timingRecoveryKey(lyrics, song)));
    // The next tap goes where it went before: after the last mark kept.
    const TimingDocument restored = restoredDocument(kept.marks);
    EXPECT_EQ(restored.cursor(), (Position{0, 2}));
    EXPECT_EQ(restored.lines(), half.lines());
    // Other lyrics timed to the same song keep a file of their own.
    TimingDocument second(readLyrics("ほし\n", {}));
    second.tap(500);
    ASSERT_TRUE(writeRecovery(second, timingRecoveryKey(other, song), reports));
    EXPECT_EQ(readRecovery(timingRecoveryKey(lyrics, song)).marks.lines, half.lines());
    EXPECT_EQ(readRecovery(timingRecoveryKey(other, song)).marks.lines, second.lines());
    removeRecoveryFile(timingRecoveryKey(lyrics, song));
    EXPECT_EQ(readRecovery(timingRecoveryKey(lyrics, song)).state, RecoveryState::Missing);
    EXPECT_EQ(readRecovery(timingRecoveryKey(other, song)).state, RecoveryState::Whole);

    // A whole file whose lines do not read, or lack the cursor, is damaged: never restored.
    for (const std::string body : {std::string("C\x1F" "0\x1F" "0\nL\x1E" "a\x1F\x1F\x1F" "7\x1F\x1F\n"),
                                   std::string("L\x1E" "a\x1F\x1F\x1F-1\x1F\x1F\n"), std::string()}) {
        ASSERT_TRUE(keepRecoveryFile(timingRecoveryKey(lyrics, song), body).ok);
        const Recovery damaged = readRecovery(timingRecoveryKey(lyrics, song));
        EXPECT_EQ(damaged.state, RecoveryState::Cut) << body;
        EXPECT_TRUE(damaged.marks.lines.empty());
    }
    // A failure to keep names the file.
    std::filesystem::remove_all(state.dir);
    std::ofstream(state.dir) << "a file where the folder should be";
    EXPECT_FALSE(writeRecovery(half, timingRecoveryKey(lyrics, song), reports));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].file, recoveryPath(timingRecoveryKey(lyrics, song)));
    std::filesystem::remove(state.dir);
    std::filesystem::remove_all(dir);
}

TEST(TimingRecovery, TheLyricLinesOfAFileAreCountedAsTheWindowReadsThem) {
    const auto dir = std::filesystem::temp_directory_path() / ("kvelmor_timing_count_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const struct {
        const char* text;
        std::optional<int> lines;
    } cases[] = {
        {"@title=歌\nさくら\n\nはな\n[00:01:00]そ[00:02:00]ら[00:03:00]\n", 3},  // header and blank lines are no lyrics
        {"", 0},
        {nullptr, std::nullopt},  // no file
    };
    for (const auto& c : cases) {
        const std::string path = (dir / "lyrics.txt").string();
        std::filesystem::remove(path);
        if (c.text) std::ofstream(path, std::ios::binary) << c.text;
        EXPECT_EQ(lyricLinesInFile(path, {}), c.lines) << (c.text ? c.text : "(none)");
        if (c.text) EXPECT_EQ(TimingDocument(readLyrics(c.text, {})).lyricLineCount(), c.lines.value_or(-1));
    }
    std::filesystem::remove_all(dir);
}

TEST(Onsets, ClicksAreFoundAndTapsNearThemSnapOntoThem) {
    // Stereo at 44.1 kHz: digital silence with a 10 ms click every 500 ms from 1 s on.
    constexpr int kRate = 44100;
    std::vector<float> samples(static_cast<size_t>(kRate * 4) * 2);
    for (size_t f = 0; f < samples.size() / 2; ++f) {
        const double t = static_cast<double>(f) / kRate;
        const bool click = t >= 1.0 && std::fmod(t, 0.5) < 0.01;
        const auto v = static_cast<float>(click ? 0.8 * std::sin(2 * M_PI * 2000 * t) : 0);
        samples[2 * f] = samples[2 * f + 1] = v;
    }
    const auto onsets = detectOnsets(samples.data(), static_cast<int64_t>(samples.size() / 2), 2, kRate);
    const Millis clicks[] = {0, 1000, 1500, 2000, 2500, 3000, 3500};  // and the start
    ASSERT_EQ(onsets.size(), std::size(clicks));
    for (size_t i = 0; i < onsets.size(); ++i) EXPECT_NEAR(onsets[i], clicks[i], 15) << i;
    struct Case {
        Millis tap, window, expected;
    };
    const Case cases[] = {
        {onsets[2] + 40, 50, onsets[2]},       // late, within the window
        {onsets[2] - 30, 50, onsets[2]},       // early
        {onsets[2] + 80, 50, onsets[2] + 80},  // too far: as tapped
        {onsets[2] + 260, 300, onsets[3]},     // the nearer of two
        {5000, 50, 5000},                      // after the last
    };
    for (const Case& c : cases) EXPECT_EQ(snapToOnset(onsets, c.tap, c.window), c.expected) << c.tap;
}

TEST(Onsets, LatencyIsTheMedianDistanceOfTapsFromTheClicks) {
    const std::vector<Millis> clicks{1000, 1500, 2000, 2500, 3000, 3500};
    struct Case {
        const char* name;
        std::vector<Millis> taps;
        std::optional<Millis> expected;
    };
    const Case cases[] = {
        {"steady late taps", {1040, 1540, 2040, 2540, 3040}, 40},
        {"a slip left out, taps far off outvoted", {1030, 1540, 1800, 2050, 2540, 3200}, 40},
        {"early taps", {980, 1480, 1975, 2480}, -20},
        {"too few taps", {1040, 1540, 2040}, std::nullopt},
        {"taps on the clicks", {1000, 1500, 2000, 2500}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(latencyFromTaps(c.taps, clicks), c.expected) << c.name;
}

}  // namespace
}  // namespace kvelmor::timing
