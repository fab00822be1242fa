// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "measure/fixed_measurer.h"
#include "settings/conversion_settings.h"

using namespace kvelmor;
using namespace kvelmor::lyrics;
namespace fs = std::filesystem;

namespace {

struct ReaderFixture : ::testing::Test {
    settings::ConversionSettings settings;
    measure::FixedMeasurer measurer;
    CollectingReporter reporter;
    Song song;

    LoadResult load(const std::string& text, const std::string& name = "song.txt") {
        return loadLyricsText(song, text, name, settings, measurer, reporter);
    }
    fs::path writeFile(const std::string& name, const std::string& bytes) {
        fs::path dir = fs::temp_directory_path() / ("kvelmor_reader_" + std::to_string(getpid()));
        fs::create_directories(dir);
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
};

std::string manyLines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "[00:00:00]あ[00:00:50]\n";
    return s;
}

}  // namespace

TEST(Reader, TimedLineTest) {
    struct Case {
        const char* line;
        bool timed;
        const char* why;
    };
    const Case cases[] = {
        {"[00:00:00]a", true, "one tag and one character: 11 characters"},
        {"[00:00:00]", false, "a tag alone is 10 characters"},
        {"あいう[00:01:00]", true, "the tag may stand anywhere"},
        {"@title=[00:00:00]x", false, "header lines are never timed"},
        {"no tags in this line at all", false, "no tag"},
        {"[0a:00:00]xxxx", false, "a malformed tag is not a tag"},
        {"漢字漢字漢字漢字漢字[00:00:00]", true, "characters are counted, not bytes"},
    };
    for (const auto& c : cases) EXPECT_EQ(isTimedLine(std::string_view(c.line)), c.timed) << c.why;
}

TEST(Reader, HeaderKeys) {
    SongInfo info;
    std::optional<bool> correction;
    EXPECT_TRUE(readHeaderLine(info, correction, "@TITLE= 桜の道 "));
    EXPECT_EQ(info.title, " 桜の道 ");  // the value is not trimmed
    EXPECT_TRUE(readHeaderLine(info, correction, "@title=later"));
    EXPECT_EQ(info.title, "later");  // the later line wins
    EXPECT_TRUE(readHeaderLine(info, correction, "@Artist=A"));
    EXPECT_TRUE(readHeaderLine(info, correction, "@subtitle=S"));
    EXPECT_TRUE(readHeaderLine(info, correction, "@year=1999"));
    EXPECT_EQ(info.artist, "A");
    EXPECT_EQ(info.subtitle, "S");
    EXPECT_EQ(info.year, "1999");
    EXPECT_FALSE(readHeaderLine(info, correction, "@taggedby=me"));
    EXPECT_FALSE(readHeaderLine(info, correction, "title=x"));
    EXPECT_EQ(correction, std::nullopt);  // no time ratio line yet

    EXPECT_TRUE(readHeaderLine(info, correction, "@timeratio=1.0"));  // not exactly "1": nothing said
    EXPECT_EQ(correction, std::nullopt);
    EXPECT_TRUE(readHeaderLine(info, correction, "@timeratio=0.9953125"));
    EXPECT_EQ(correction, true);
    readHeaderLine(info, correction, "@timeratio=1");
    EXPECT_EQ(correction, false);
}

TEST_F(ReaderFixture, SlotsOfALine) {
    settings.setText("WinAMPTime", "0");
    measurer.setWidth(U'a', 7);
    ASSERT_TRUE(load("[00:01:00]aあ[00:01:50][00:02:00]b\n").ok);
    ASSERT_EQ(song.rawLineCount(), 1);
    const LyricLine& l = song.readLines[1];
    EXPECT_EQ(l.rawText, "[00:01:00]aあ[00:01:50][00:02:00]b");
    ASSERT_EQ(l.unitCount, 6);
    EXPECT_FALSE(l.unit(1).isChar);
    EXPECT_EQ(l.unit(1).time, 100);
    EXPECT_EQ(timeText(l.unit(1)), "0:00:01.00");
    EXPECT_TRUE(l.unit(2).isChar);
    EXPECT_EQ(l.unit(2).text, "a");
    EXPECT_EQ(l.unit(2).width, 7);
    EXPECT_EQ(l.unit(3).text, "あ");
    EXPECT_EQ(l.unit(3).width, 20);
    EXPECT_FALSE(l.unit(4).isChar);  // two adjacent tags: an empty syllable
    EXPECT_FALSE(l.unit(5).isChar);
    EXPECT_EQ(l.unit(6).text, "b");
    EXPECT_EQ(measurer.requests().front().face, "MS UI Gothic");
    EXPECT_EQ(measurer.requests().front().pointSize, 36);
}

// The file's time ratio is the song's own: the settings (the preset's
// WinAMPTime) are never written by a read.
TEST_F(ReaderFixture, TimeRatioAnywhereInTheFileGovernsEveryLine) {
    settings.setText("WinAMPTime", "0");
    ASSERT_TRUE(load("[01:00:00]あ[01:00:50]\n@timeratio=0.9953125\n").ok);
    EXPECT_EQ(song.timeCorrection, true);
    EXPECT_FALSE(settings.isOn("WinAMPTime"));
    // The raw time is kept; the working times are recomputed by the rebuild.
    EXPECT_EQ(song.readLines[1].unit(1).rawTime, 6000);
    ASSERT_TRUE(load("@timeratio=0.9953125\n[01:00:00]あ[01:00:50]\n").ok);
    EXPECT_EQ(song.readLines[1].unit(1).time, 6028);
    // A file without the line leaves the correction to the settings.
    settings.setText("WinAMPTime", "1");
    ASSERT_TRUE(load("[01:00:00]あ[01:00:50]\n").ok);
    EXPECT_EQ(song.timeCorrection, std::nullopt);
    ASSERT_TRUE(load("@timeratio=1\n[01:00:00]あ[01:00:50]\n").ok);
    EXPECT_EQ(song.timeCorrection, false);
    EXPECT_TRUE(settings.isOn("WinAMPTime"));
}

// Plain lyrics are lines to sing without a time tag: the timing window's
// input, nothing the converter can lay out.
TEST(Reader, PlainLyricsAreLinesToSingWithoutATimeTag) {
    struct Case {
        std::string_view text;
        bool plain;
        const char* why;
    };
    const Case cases[] = {
        {"さくら さくら\nやよいの空は\n", true, "lines to sing"},
        {"@title=歌\n\nHello world\r\n", true, "header and blank lines aside"},
        {"", false, "nothing at all"},
        {"@title=only\n \t\n\n", false, "headers and blanks only"},
        {"さくら\n[00:01:00]あ[00:02:00]\n", false, "one timed line makes timed lyrics"},
        {std::string_view("さく\0ら\n", 11), false, "binary data"},
        {"さく\xEF\xBF\xBDら\n", false, "bytes that did not decode"},
    };
    for (const Case& c : cases) EXPECT_EQ(isPlainLyricsText(c.text), c.plain) << c.why;
}

TEST_F(ReaderFixture, MalformedTagsAreLyricText) {
    ASSERT_TRUE(load("[00:00:00][0a:00:00]x\n").ok);
    const LyricLine& l = song.readLines[1];
    EXPECT_EQ(l.unitCount, 12);  // one tag and eleven characters
    EXPECT_EQ(l.unit(2).text, "[");
}

TEST_F(ReaderFixture, EachLoadStartsWithEmptySongInformation) {
    ASSERT_TRUE(load("@subtitle=first\n@year=2001\n@title=t\n[00:00:00]a\n").ok);
    EXPECT_EQ(song.songInfo.subtitle, "first");
    ASSERT_TRUE(load("@title=second\n[00:00:00]a\n").ok);
    EXPECT_EQ(song.songInfo.subtitle, "");
    EXPECT_EQ(song.songInfo.year, "");
    EXPECT_EQ(song.songInfo.title, "second");
}

TEST_F(ReaderFixture, LineLimit299AcceptedAnd300Refused) {
    ASSERT_TRUE(load(manyLines(299)).ok);
    EXPECT_EQ(song.rawLineCount(), 299);
    EXPECT_TRUE(reporter.reports.empty());

    ASSERT_TRUE(load("@title=kept\n[00:00:00]kept\n").ok);
    settings.setText("WinAMPTime", "1");
    LoadResult r = load("@timeratio=1\n" + manyLines(300));
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].text, "読み込める行数を超えています");
    EXPECT_EQ(reporter.reports[0].line, 301);
    // Nothing of the refused file was taken: the song and the settings are as they were.
    EXPECT_EQ(song.rawLineCount(), 1);
    EXPECT_EQ(song.songInfo.title, "kept");
    EXPECT_TRUE(settings.isOn("WinAMPTime"));
}

TEST_F(ReaderFixture, SlotLimit300AcceptedAnd301Refused) {
    std::string ok = "[00:00:00]" + std::string(299, 'a');  // 300 slots
    std::string over = "[00:00:00]" + std::string(300, 'a');  // 301 slots
    LoadResult r = load(ok + "\n" + over + "\n[00:00:00]z\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.skippedLines, 1);
    ASSERT_EQ(song.rawLineCount(), 2);
    EXPECT_EQ(song.readLines[1].unitCount, 300);
    EXPECT_EQ(song.readLines[2].rawText, "[00:00:00]z");
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 2);
    EXPECT_EQ(reporter.reports[0].file, "song.txt");
}

TEST_F(ReaderFixture, UntimedFileGivesAnEmptyTable) {
    ASSERT_TRUE(load("just text\n\n@title=x\n").ok);
    EXPECT_EQ(song.rawLineCount(), 0);
}

TEST_F(ReaderFixture, FilesInEveryEncoding) {
    const std::string text = "@title=桜\r\n[00:00:00]桜～[00:01:00]\r\n";
    const std::string cp932 = *encodeCp932(text);
    const std::string files[] = {
        text,                                  // UTF-8
        "\xEF\xBB\xBF" + text,                 // UTF-8 with its mark
        encodeUtf16le(text, true),             // UTF-16LE with its mark
        cp932,                                 // Shift-JIS (CP932)
    };
    for (size_t i = 0; i < std::size(files); ++i) {
        auto path = writeFile("enc" + std::to_string(i) + ".txt", files[i]);
        ASSERT_TRUE(loadLyricsFile(song, path.string(), settings, measurer, reporter).ok) << i;
        EXPECT_EQ(song.songInfo.title, "桜") << i;
        ASSERT_EQ(song.rawLineCount(), 1) << i;
        EXPECT_EQ(song.readLines[1].unit(3).text, "～") << i;
        EXPECT_EQ(song.lyricsPath, path.string());
    }
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(ReaderFixture, BadBytesAreReportedWithTheirLine) {
    auto path = writeFile("bad.txt", "[00:00:00]\x82\xA0\n[00:00:00]x\xFF\n");
    ASSERT_TRUE(loadLyricsFile(song, path.string(), settings, measurer, reporter).ok);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 2);
    EXPECT_EQ(reporter.reports[0].file, path.string());
    EXPECT_EQ(song.rawLineCount(), 2);
}

TEST_F(ReaderFixture, RefusedFilesChangeNothing) {
    ASSERT_TRUE(load("[00:00:00]kept\n").ok);
    auto wrongExt = writeFile("song.lrc", "[00:00:00]x\n");
    EXPECT_FALSE(loadLyricsFile(song, wrongExt.string(), settings, measurer, reporter).ok);
    EXPECT_FALSE(loadLyricsFile(song, "/nonexistent/a.txt", settings, measurer, reporter).ok);
    auto upper = writeFile("UPPER.KRA", "[00:00:00]k\n");
    EXPECT_EQ(reporter.reports.size(), 2u);
    EXPECT_EQ(song.readLines[1].rawText, "[00:00:00]kept");
    EXPECT_TRUE(loadLyricsFile(song, upper.string(), settings, measurer, reporter).ok);  // extension in any case
}
