// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor readings, run as users run it.

#include <regex>

#include "cli_test_support.h"
#include "common/encoding.h"

namespace kvelmor::test {
namespace {

std::string fileText(const fs::path& p) {
    std::string bytes;
    readFileBytes(p.string(), bytes);
    return decodeText(bytes).utf8;
}

void writeText(const fs::path& p, const std::string& text) { ASSERT_TRUE(writeFileAtomically(p.string(), text).ok); }

TEST_F(CliTest, ReadingsGiveTheExampleSongItsReadingsBack) {
    const fs::path song = copyExample();
    const std::string withReadings = fileText(song);
    // The example without its readings: base, tag "(" tag reading tag ")" tag -> base, tag.
    const std::string bare =
        std::regex_replace(withReadings, std::regex(R"(\[\d\d:\d\d:\d\d\]\(\[\d\d:\d\d:\d\d\][^)]*\[\d\d:\d\d:\d\d\]\))"), "");
    ASSERT_EQ(bare.find("はる"), std::string::npos);
    const fs::path input = dir / "bare.txt";
    writeText(input, bare);

    CliRun r = kvelmor("readings " + input.string() + " -o " + (dir / "back.txt").string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(fileText(dir / "back.txt"), withReadings);
    EXPECT_EQ(fileText(input), bare);  // the input is never written

    // A tag file by the output's name; the converter reads it with every reading.
    r = kvelmor("readings " + input.string() + " -o " + (dir / "back.kra").string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_NE(fileText(dir / "back.kra").find("明日[00:24:00]([00:24:00]あした[00:25:00])[00:25:00]"), std::string::npos);
    r = kvelmor("check --settings " + settings + " " + (dir / "back.kra").string());
    EXPECT_EQ(r.code, 0) << r.out << stderrText();
}

TEST_F(CliTest, ReadingsOfPlainLyricsKeepTheUsersOwnAndListTheWordsNotRead) {
    const fs::path input = dir / "plain.txt";
    writeText(input, "@title=題\n空(くう)を見上げて颯太と歩く\n\nla la la\n");
    CliRun r = kvelmor("readings " + input.string());
    EXPECT_EQ(r.code, 1) << stderrText();
    EXPECT_NE(r.out.find("plain.txt:2: no reading for 颯太"), std::string::npos) << r.out;
    EXPECT_EQ(fileText(dir / "plain.readings.txt"), "@title=題\n空(くう)を見上(みあ)げて颯太と歩(ある)く\n\nla la la\n");

    // Never over the input, whatever the output is called.
    const std::string before = fileText(input);
    r = kvelmor("readings " + input.string() + " -o " + (dir / "." / "plain.txt").string());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(fileText(input), before);
}

// The song is written back in the encoding it was read in, and what became
// of bytes that were not text is said as it was done.
TEST_F(CliTest, ReadingsWriteTheSongInTheEncodingItWasReadIn) {
    const std::string text = "@title=題\n見上げて歩く\n", filled = "@title=題\n見上(みあ)げて歩(ある)く\n";
    const std::string cp932 = *encodeCp932(text), cp932Filled = *encodeCp932(filled);
    std::string damagedUtf8 = text, damagedCp932 = cp932;
    damagedUtf8.insert(damagedUtf8.size() - 1, "\xFF");
    damagedCp932.insert(damagedCp932.size() - 1, "\x80");
    const std::string cp932Damaged = cp932Filled.substr(0, cp932Filled.size() - 1) + "\x80\n";
    struct Case {
        std::string input, output;
        std::string said;  // what stderr says, the output's name after it
        const char* why;
    };
    const Case cases[] = {
        {text, filled, "", "UTF-8 stays UTF-8, though CP932 holds every character"},
        {"\xEF\xBB\xBF" + text, "\xEF\xBB\xBF" + filled, "", "the byte-order mark stays"},
        {cp932, cp932Filled, "", "CP932 stays CP932"},
        {encodeUtf16le(text, true), encodeUtf16le(filled, true), "", "UTF-16"},
        {damagedUtf8, filled, "in.txt:2: bytes that are not valid UTF-8 were left out of ", "a stray byte in UTF-8"},
        {damagedCp932, cp932Damaged, "in.txt:2: bytes that are not valid CP932 were copied unchanged into ",
         "a byte that is not CP932 is kept as it was"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        writeText(dir / "in.txt", c.input);
        const fs::path out = dir / "out.txt";
        CliRun r = kvelmor("readings " + (dir / "in.txt").string() + " -o " + out.string());
        EXPECT_EQ(r.code, c.said.empty() ? 0 : 1) << stderrText();
        std::string bytes;
        readFileBytes(out.string(), bytes);
        EXPECT_EQ(bytes, c.output);
        if (c.said.empty())
            EXPECT_EQ(stderrText(), "");
        else
            EXPECT_NE(stderrText().find(c.said + out.string() + "\n"), std::string::npos) << stderrText();
    }
}

TEST_F(CliTest, ReadingsThatWouldTakeALinePastItsSlotsAreLeftOutAndTheLineStillReadsBack) {
    // 100 kanji, one a syllable: 201 slots, and each reading's notation adds 7 more.
    std::string line = "[00:01:00]";
    for (int i = 0; i < 100; ++i) line += "空[00:" + std::string(i < 50 ? "02" : "03") + ":" + (i % 50 < 5 ? "0" : "") +
                                          std::to_string(i % 50 * 2) + "]";
    const fs::path input = dir / "long.txt";
    writeText(input, line + "\n");
    CliRun r = kvelmor("readings " + input.string());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("long.txt:1: the line would hold more than 300 slots"), std::string::npos) << r.out;
    const std::string out = fileText(dir / "long.readings.txt");
    EXPECT_EQ(out.rfind("[00:01:00]空[00:01:00]([00:01:00]", 0), 0u) << out;  // the first readings kept
    r = kvelmor("check --settings " + settings + " " + (dir / "long.readings.txt").string());
    EXPECT_EQ(stderrText().find("300"), std::string::npos) << stderrText();
}

TEST_F(CliTest, ReadingsWithoutTheDictionaryNameThePackageAndOnlyTheyLoadMecab) {
    const fs::path song = copyExample();
    CliRun r = kvelmor("readings " + song.string(), "KVELMOR_MECAB_DICDIR=" + (dir / "none").string() + " exec ");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(stderrText().find("mecab-ipadic-utf8"), std::string::npos) << stderrText();
    EXPECT_FALSE(fs::exists(dir / "song.readings.txt"));

    // The dynamic loader's list of the libraries each run opens.
    r = kvelmor("convert --settings " + settings + " " + song.string(), "LD_DEBUG=libs exec ");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(stderrText().find("libmecab"), std::string::npos);
    r = kvelmor("readings " + song.string(), "LD_DEBUG=libs exec ");
    EXPECT_NE(stderrText().find("libmecab"), std::string::npos);
}

}  // namespace
}  // namespace kvelmor::test
