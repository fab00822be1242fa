// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/kra_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/fixed_measurer.h"
#include "lyrics/checks.h"
#include "lyrics/reader.h"
#include "lyrics/segmentation.h"
#include "settings/conversion_settings.h"

using namespace kvelmor;
using namespace kvelmor::lyrics;
namespace fs = std::filesystem;

namespace {

LyricUnit tag(Centiseconds t) {
    LyricUnit u;
    u.isChar = false;
    u.rawTime = t;
    u.time = t;
    return u;
}

LyricUnit ch(const std::string& text, const std::string& ruby = {}, int span = 0) {
    LyricUnit u;
    u.isChar = true;
    u.text = text;
    u.editRuby().ruby = ruby;
    u.editRuby().rubySpan = span;
    return u;
}

LyricLine lineOf(std::initializer_list<LyricUnit> units) {
    LyricLine l;
    for (const auto& u : units) EXPECT_TRUE(l.appendUnit(u));
    return l;
}

fs::path tempDir() {
    fs::path dir = fs::temp_directory_path() / ("kvelmor_kra_" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

std::string readBytes(const fs::path& p) {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(p.string(), bytes).ok) << p;
    return bytes;
}

}  // namespace

// ---------------------------------------------------------------- interpolateTime

TEST(KraWriter, InterpolateTimeInsideASyllable) {
    // Four characters from 1000 to 1100: 25 each.
    LyricLine l = lineOf({tag(1000), ch("あ"), ch("い"), ch("う"), ch("え"), tag(1100)});
    EXPECT_EQ(interpolateTime(l, 2), 1000);
    EXPECT_EQ(interpolateTime(l, 3), 1025);
    EXPECT_EQ(interpolateTime(l, 4), 1050);
    EXPECT_EQ(interpolateTime(l, 5), 1075);
}

TEST(KraWriter, InterpolateTimeRoundsTheStepHalfToEven) {
    // 100 over 8 characters: 12.5 -> 12; 60 over 8: 7.5 -> 8.
    LyricLine l = lineOf({tag(0), ch("a"), ch("b"), ch("c"), ch("d"), ch("e"), ch("f"), ch("g"), ch("h"), tag(100)});
    EXPECT_EQ(interpolateTime(l, 4), 24);
    l = lineOf({tag(0), ch("a"), ch("b"), ch("c"), ch("d"), ch("e"), ch("f"), ch("g"), ch("h"), tag(60)});
    EXPECT_EQ(interpolateTime(l, 4), 16);
}

TEST(KraWriter, InterpolateTimeWithoutTagsAround) {
    // No tag before: the characters before the first tag take its time.
    LyricLine l = lineOf({ch("あ"), ch("い"), tag(500), ch("う")});
    EXPECT_EQ(interpolateTime(l, 2), 500);
    // No tag after: the time of the tag before.
    EXPECT_EQ(interpolateTime(l, 4), 500);
    l = lineOf({ch("あ"), ch("い")});
    EXPECT_EQ(interpolateTime(l, 2), 0);
}

// ---------------------------------------------------------------- serializeLine

TEST(KraWriter, ALineWithoutRubyIsItsTagsAndCharacters) {
    LyricLine l = lineOf({tag(1000), ch("あ"), ch("い"), tag(1050), tag(1100), ch("う"), tag(1200)});
    EXPECT_EQ(serializeLine(l), "[00:10:00]あい[00:10:50][00:11:00]う[00:12:00]");
    EXPECT_EQ(serializeLine(LyricLine{}), "");
}

TEST(KraWriter, TagsAreWrittenFromTheTimeAsWritten) {
    LyricUnit t = tag(6000);
    t.time = 6028;  // corrected
    LyricLine l = lineOf({t, ch("a"), tag(366000)});
    // One hour and one minute is written as minute 01.
    EXPECT_EQ(serializeLine(l), "[01:00:00]a[01:00:00]");
}

TEST(KraWriter, RubyOverAWholeSyllable) {
    LyricLine l = lineOf({tag(1000), ch("漢", "かんじ", 2), ch("字"), tag(1100)});
    EXPECT_EQ(serializeLine(l), "[00:10:00]漢字[00:10:00]([00:10:00]かんじ[00:11:00])[00:11:00]");
}

TEST(KraWriter, RubyEndingInsideASyllableGetsAnInterpolatedClosingTag) {
    LyricLine l = lineOf({tag(1000), ch("漢", "かんじ", 2), ch("字"), ch("を"), tag(1300)});
    EXPECT_EQ(serializeLine(l), "[00:10:00]漢字[00:10:00]([00:10:00]かんじ[00:12:00])[00:12:00]を[00:13:00]");
}

TEST(KraWriter, RubyStartingInsideASyllableGetsATagWhereTheBaseStarts) {
    LyricLine l = lineOf({tag(1000), ch("お"), ch("空", "そら", 1), tag(1200)});
    EXPECT_EQ(serializeLine(l), "[00:10:00]お[00:11:00]空[00:11:00]([00:11:00]そら[00:12:00])[00:12:00]");
}

TEST(KraWriter, TagsInsideARubyBaseAreDropped) {
    LyricLine l = lineOf({tag(1000), ch("漢", "かんじ", 2), tag(1050), ch("字"), tag(1100)});
    EXPECT_EQ(serializeLine(l), "[00:10:00]漢字[00:10:00]([00:10:00]かんじ[00:11:00])[00:11:00]");
}

TEST(KraWriter, RubyAtTheStartOfALineWithoutATagIsStillFramed) {
    LyricLine l = lineOf({ch("空", "そら", 1), tag(1200), ch("へ"), tag(1300)});
    EXPECT_EQ(serializeLine(l), "[00:12:00]空[00:12:00]([00:12:00]そら[00:12:00])[00:12:00]へ[00:13:00]");
}

// ---------------------------------------------------------------- paths and file text

TEST(KraWriter, KraPath) {
    EXPECT_EQ(kraPathFor("/songs/a.txt"), "/songs/a.kra");
    EXPECT_EQ(kraPathFor("/songs/a.kra"), "/songs/a.kra");
    EXPECT_EQ(kraPathFor("/songs/a.b.TXT"), "/songs/a.b.kra");
    EXPECT_EQ(kraPathFor("/songs/a"), "/songs/a.kra");
    EXPECT_EQ(kraPathFor("/so.ngs/a"), "/so.ngs/a.kra");
    EXPECT_EQ(kraPathFor("a."), "a.kra");
}

TEST(KraWriter, FileTextIsTheLinesThenTheNineHeaderLines) {
    Song song;
    song.workLines.append(lineOf({tag(100), ch("あ"), tag(200)}));
    song.workLines.append(lineOf({tag(200), ch("い"), tag(300)}));
    song.songInfo.title = "T";
    song.songInfo.subtitle = "S";
    song.songInfo.album = "Al";
    song.songInfo.artist = "Ar";
    song.songInfo.lyrics = "L";
    song.songInfo.compose = "C";
    song.songInfo.arrange = "";
    song.songInfo.year = "1999";
    EXPECT_EQ(kraFileText(song),
              "[00:01:00]あ[00:02:00]\r\n"
              "[00:02:00]い[00:03:00]\r\n"
              "@title=T\r\n@subtitle=S\r\n@album=Al\r\n@artist=Ar\r\n@lyrics=L\r\n@compose=C\r\n"
              "@arrange=\r\n@year=1999\r\n@taggedby=Kvelmor\r\n");
}

// ---------------------------------------------------------------- writing

TEST(KraWriter, NothingIsWrittenWithoutALyricsPath) {
    Song song;
    CollectingReporter reporter;
    KraWriteResult r = writeKraFile(song, reporter);
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST(KraWriter, WrittenInCp932WhenEveryCharacterFits) {
    Song song;
    song.lyricsPath = (tempDir() / "cp932.txt").string();
    song.workLines.append(lineOf({tag(100), ch("桜"), ch("　"), ch("ｶ"), tag(200)}));
    song.songInfo.title = "歌";
    CollectingReporter reporter;
    KraWriteResult r = writeKraFile(song, reporter);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.path, (tempDir() / "cp932.kra").string());
    EXPECT_EQ(r.encoding, TextEncoding::Cp932);
    std::string bytes = readBytes(r.path);
    EXPECT_EQ(bytes, *encodeCp932(kraFileText(song)));
    EXPECT_EQ(decodeText(bytes).encoding, TextEncoding::Cp932);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST(KraWriter, WrittenInUtf8WithAByteOrderMarkOtherwise) {
    Song song;
    song.lyricsPath = (tempDir() / "utf8").string();  // no "." at all
    song.workLines.append(lineOf({tag(100), ch("é"), ch("桜"), tag(200)}));
    CollectingReporter reporter;
    KraWriteResult r = writeKraFile(song, reporter);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.path, (tempDir() / "utf8.kra").string());
    EXPECT_EQ(r.encoding, TextEncoding::Utf8Bom);
    std::string bytes = readBytes(r.path);
    EXPECT_EQ(bytes, "\xEF\xBB\xBF" + kraFileText(song));
    DecodedText d = decodeText(bytes);
    EXPECT_EQ(d.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(d.utf8, kraFileText(song));
}

TEST(KraWriter, AFailureToWriteIsReportedWithTheFileAndTheReason) {
    Song song;
    song.lyricsPath = (tempDir() / "no_such_folder" / "song.txt").string();
    song.workLines.append(lineOf({tag(100), ch("a"), tag(200)}));
    CollectingReporter reporter;
    KraWriteResult r = writeKraFile(song, reporter);
    EXPECT_FALSE(r.written);
    ASSERT_EQ(reporter.reports.size(), 1u);
    const Report& rep = reporter.reports[0];
    EXPECT_EQ(rep.severity, Severity::Error);
    EXPECT_EQ(rep.file, r.path);
    EXPECT_NE(rep.text.find(r.path), std::string::npos);
    EXPECT_NE(rep.text.find("No such file or directory"), std::string::npos) << rep.text;
}

// ---------------------------------------------------------------- round trip

namespace {

struct KraRoundTrip : ::testing::Test {
    settings::ConversionSettings settings;
    measure::FixedMeasurer measurer;
    CollectingReporter reporter;

    KraRoundTrip() {
        settings.setText("dispWidth", "260");  // 200 px for the text
        settings.setText("MarginL", "30");
        settings.setText("MarginR", "30");
        settings.setText("MojiSize", "1");
    }

    void expectSameWorkingLines(const Song& a, const Song& b) {
        ASSERT_EQ(a.lineCount(), b.lineCount());
        for (int i = 1; i <= a.lineCount(); ++i) {
            const LyricLine& x = a.workLines[i];
            const LyricLine& y = b.workLines[i];
            EXPECT_EQ(x.plainText, y.plainText) << "line " << i;
            ASSERT_EQ(x.unitCount, y.unitCount) << "line " << i << ": " << x.plainText;
            for (int k = 1; k <= x.unitCount; ++k) {
                const LyricUnit& u = x.unit(k);
                const LyricUnit& v = y.unit(k);
                EXPECT_EQ(u.isChar, v.isChar) << i << "/" << k;
                EXPECT_EQ(u.text, v.text) << i << "/" << k;
                EXPECT_EQ(u.rawTime, v.rawTime) << i << "/" << k;
                EXPECT_EQ(u.time, v.time) << i << "/" << k;
                EXPECT_EQ(u.rubyFields().ruby, v.rubyFields().ruby) << i << "/" << k;
                EXPECT_EQ(u.rubyFields().rubySpan, v.rubyFields().rubySpan) << i << "/" << k;
            }
            EXPECT_EQ(x.kanjiStyle, y.kanjiStyle);
        }
    }
};

}  // namespace

TEST_F(KraRoundTrip, AKraWrittenWithTheLineBreakOnReadsBackAsTheSameWorkingLines) {
    const fs::path dir = tempDir();
    const std::string text =
        "@title=さくら\n"
        "@artist=Someone\n"
        // Cut at a change of class, inside a syllable, with ruby in the pieces.
        "[00:01:00]ああああ[00:02:00]空[00:02:00]([00:02:00]そら[00:03:00])[00:03:00]カカカカ漢漢漢漢漢漢[00:15:00]\n"
        // Cut at a full-width space (narrowed by MojiSize).
        "[00:16:00]ABCDEFGHIJ　　KLMNOPQRST[00:22:00]\n"
        // Fits; lacks its last tag: repaired with the next line's first tag.
        "[00:23:00]短い行\n"
        // Needs no cut; ruby ending inside a syllable.
        "[00:25:00]星[00:25:00]([00:25:00]ほし[00:26:00])[00:26:00]を[00:27:00]\n"
        // Lacks its first tag; cut with no candidate; the last line: estimated end.
        "漢漢漢漢漢漢漢漢漢漢[00:30:00]漢漢漢漢漢\n";

    Song first;
    settings.setText("kaigyo", "1");
    ASSERT_TRUE(loadLyricsText(first, text, (dir / "round.txt").string(), settings, measurer, reporter).ok);
    rebuildWorkLines(first, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    repairLineTags(first, kvelmor::settings::ConversionOptions(settings), reporter);
    ASSERT_GT(first.lineCount(), first.rawLineCount());  // lines were cut
    KraWriteResult w = writeKraFile(first, reporter);
    ASSERT_TRUE(w.written);
    EXPECT_EQ(w.path, (dir / "round.kra").string());
    EXPECT_EQ(w.encoding, TextEncoding::Cp932);

    Song second;
    settings.setText("kaigyo", "0");
    reporter.reports.clear();
    ASSERT_TRUE(loadLyricsFile(second, w.path, settings, measurer, reporter).ok);
    rebuildWorkLines(second, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    EXPECT_TRUE(reporter.reports.empty()) << formatReport(reporter.reports.front());
    EXPECT_EQ(repairLineTags(second, kvelmor::settings::ConversionOptions(settings), reporter),
              0);  // nothing left to repair

    expectSameWorkingLines(first, second);
    EXPECT_EQ(second.songInfo.title, "さくら");
    EXPECT_EQ(second.songInfo.artist, "Someone");
    EXPECT_EQ(second.rubyState, kRubyAssigned);
    EXPECT_EQ(first.rubyState, kRubyAssigned);
}

TEST_F(KraRoundTrip, ASongWithCharactersOutsideCp932RoundTripsThroughUtf8) {
    const fs::path dir = tempDir();
    const std::string text =
        "[00:01:00]Café au lait, s'il vous plaît[00:05:00]\n"
        "[00:06:00]😀[00:06:00]([00:06:00]えがお[00:07:00])[00:07:00]ですね、ええ、そうですとも[00:12:00]\n";
    Song first;
    settings.setText("kaigyo", "1");
    ASSERT_TRUE(loadLyricsText(first, text, (dir / "utf.txt").string(), settings, measurer, reporter).ok);
    rebuildWorkLines(first, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    repairLineTags(first, kvelmor::settings::ConversionOptions(settings), reporter);
    ASSERT_GT(first.lineCount(), 2);
    KraWriteResult w = writeKraFile(first, reporter);
    ASSERT_TRUE(w.written);
    EXPECT_EQ(w.encoding, TextEncoding::Utf8Bom);

    Song second;
    settings.setText("kaigyo", "0");
    ASSERT_TRUE(loadLyricsFile(second, w.path, settings, measurer, reporter).ok);
    rebuildWorkLines(second, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    expectSameWorkingLines(first, second);
}

// Characters joined around a tag inside a reading can spell a tag; written
// inline, that text would read back as a tag and the reading would change.
// A ")" in a reading whose kept tags both hold one time would read back as
// the notation's end, a "(" opening a reading as a ruby over a "(": readings
// holding either stay lyric text, as does a ruby over a lone ")", which the
// file writes framed by one time twice. An empty reading is written as no
// notation at all, and reads back as none; a notation it stood inside is read
// as a whole one.
TEST_F(KraRoundTrip, ReadingsThatWouldNotComeBackAsTheyWere) {
    const std::string text = "[00:01:00]空[00:01:00]([00:01:00][00:0[00:01:50]5:60][00:02:00])[00:02:00]海[00:03:00]\n"
                             "[00:04:00]空海[00:04:00]([00:04:00][00:05:00])[00:05:00]と[00:06:00]\n"
                             "[00:07:00]空[00:07:00]([00:07:00]そ[00:07:50])[00:09:00][00:07:50]ら[00:08:00])[00:08:00]\n"
                             "[00:10:00]空[00:10:50]([00:10:50]([00:10:00]そら[00:11:00])[00:11:00]\n"
                             "[00:12:00]吹[00:12:00]([00:12:00]ふ[00:12:40])[00:13:00]([00:13:00]つづ[00:14:00])[00:14:00]く\n"
                             "[00:20:00]空[00:20:00]([00:20:00]そ[00:21:00]海[00:21:00]([00:21:00][00:22:00])[00:22:00]ら[00:23:00])[00:23:00]\n";
    Song first;
    ASSERT_TRUE(loadLyricsText(first, text, "spell.txt", settings, measurer, reporter).ok);
    rebuildWorkLines(first, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    Song second;
    ASSERT_TRUE(loadLyricsText(second, kraFileText(first), "spell.kra", settings, measurer, reporter).ok);
    rebuildWorkLines(second, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    expectSameWorkingLines(first, second);
}

// A tag file line must read back whole: at most 300 slots, tags and
// characters alike, counted line by line.
TEST(KraWriter, LinesOverTheSlotLimitAreFound) {
    const std::string tag = "[00:01:00]";
    auto line = [&](int tags, int chars) {
        std::string s;
        for (int i = 0; i < tags; ++i) s += tag;
        for (int i = 0; i < chars; ++i) s += "あ";
        return s + "\r\n";
    };
    struct Case {
        std::string text;
        int expected;
    };
    const std::vector<Case> cases{
        {line(150, 150), 0},                       // exactly 300
        {line(150, 151), 1},                       // one character more
        {line(1, 10) + line(301, 0), 2},           // the second line, tags only
        {"@title=" + std::string(400, 'x') + "\r\n", 0},  // a header line holds no slots
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(kvelmor::lyrics::firstKraLineOverSlots(c.text), c.expected) << c.text.size();
}
