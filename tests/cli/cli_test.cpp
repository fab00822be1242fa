// SPDX-License-Identifier: GPL-3.0-or-later
// The command line as users call it: exit codes, what it writes and where.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/file_io.h"
#include "settings/conversion_settings.h"
#include "settings/credit_settings.h"

#include "cli_test_support.h"

namespace fs = std::filesystem;
using kvelmor::test::CliRun;
using kvelmor::test::CliTest;

namespace {
// What check says first about a song without "@timeratio=" under the default settings.
constexpr const char* kStretchedBySetting = "time correction: the tag times are stretched by 640/637 (WinAMPTime)\n";

std::string readFile(const fs::path& p) {
    std::string bytes;
    EXPECT_TRUE(kvelmor::readFileBytes(p.string(), bytes).ok) << p;
    return bytes;
}
}  // namespace

TEST_F(CliTest, VersionAndHelp) {
    EXPECT_EQ(kvelmor("--version").out, "Kvelmor 2.0.19\n");
    CliRun help = kvelmor("--help");
    EXPECT_EQ(help.code, 0);
    for (const char* word : {"convert", "check", "kra", "presets", "--set", "--settings", "--preset"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_EQ(kvelmor("frobnicate").code, 2);
}

TEST_F(CliTest, ConvertWritesTheScriptBesideTheLyricsAndNeverTheSettings) {
    fs::path song = copyExample();
    CliRun r = kvelmor("convert --settings " + settings + " " + song.string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(r.out, "wrote " + (dir / "song.ass").string() + "\n");
    std::string bytes;
    ASSERT_TRUE(kvelmor::readFileBytes((dir / "song.ass").string(), bytes).ok);
    std::string text = kvelmor::decodeText(bytes).utf8;
    EXPECT_EQ(text.rfind("[Script Info]", 0), 0u);
    EXPECT_NE(text.find("Title: 桜の道"), std::string::npos);
    EXPECT_NE(text.find("Dialogue: "), std::string::npos);
    EXPECT_FALSE(fs::exists(settings));
    EXPECT_FALSE(fs::exists(dir / "song.kra"));

    r = kvelmor("convert --kra --settings " + settings + " --set unicode=0 -o " + (dir / "out.ass").string() + " " +
                song.string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_TRUE(fs::exists(dir / "out.ass"));
    EXPECT_TRUE(fs::exists(dir / "song.kra"));
}

TEST_F(CliTest, ConvertGoesOnAfterAFileThatCannotBeRead) {
    fs::path song = copyExample();
    CliRun r = kvelmor("convert --settings " + settings + " " + (dir / "missing.txt").string() + " " + song.string());
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(fs::exists(dir / "song.ass"));
    EXPECT_NE(stderrText().find("missing.txt"), std::string::npos);
}

// The time correction in force is said first, in one line that is no finding.
TEST_F(CliTest, CheckPrintsReportsAndSetsTheExitCode) {
    fs::path song = copyExample();
    const std::string example = readFile(song);
    struct Case {
        std::string header;  // put before the example's lines
        std::string sets;
        std::string out;
    };
    const Case cases[] = {
        {"", "", std::string(kStretchedBySetting) + "no reports\n"},
        {"", "--set WinAMPTime=0", "no reports\n"},
        {"@timeratio=1\n", "--set WinAMPTime=1", "no reports\n"},
        {"@timeratio=0.9953125\n", "--set WinAMPTime=0",
         "time correction: the tag times are stretched by 640/637 (the file's \"@timeratio=0.9953125\")\nno reports\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header + c.sets);
        ASSERT_TRUE(kvelmor::writeFileAtomically(song.string(), c.header + example).ok);
        CliRun clean = kvelmor("check --settings " + settings + " " + c.sets + " " + song.string());
        EXPECT_EQ(clean.code, 0) << clean.out << stderrText();
        EXPECT_EQ(clean.out, c.out);
    }
    CliRun narrow = kvelmor("check --settings " + settings + " --set dispWidth=300 " + song.string());
    EXPECT_EQ(narrow.code, 1);
    EXPECT_FALSE(narrow.out.empty());
    EXPECT_EQ(kvelmor("check --settings " + settings + " " + (dir / "nope.txt").string()).code, 2);
}

// What the screen will do, told by check with the lines of the lyrics file:
// a duet whose lines need each other's rows, lines drawn outside the frame
// or under the song information, a song that is never sung.
TEST_F(CliTest, CheckNamesTheLinesTheScreenWillNotShowAsSung) {
    const std::string duet =
        "@timeratio=1\n"
        "[00:05:00]君[00:05:00]([00:05:00]きみ[00:05:60])[00:05:60]と[00:06:00]歩[00:06:00]([00:06:00]ある[00:06:60])"
        "[00:06:60]く[00:07:00]道[00:07:00]([00:07:00]みち[00:08:00])[00:08:00]\n"
        "[00:06:50]ずっ[00:07:00]と[00:07:50]一[00:07:50]([00:07:50]いっ[00:08:00])[00:08:00]緒[00:08:00]([00:08:00]しょ"
        "[00:08:50])[00:08:50]に[00:09:00]\n"
        "[00:07:00]ら[00:07:40]ら[00:07:80]ら[00:08:20]\n";
    std::string sakura;
    ASSERT_TRUE(kvelmor::readFileBytes(std::string(KVELMOR_EXAMPLES) + "/sakura_no_michi.txt", sakura).ok);
    struct Case {
        std::string lyrics;
        std::string sets;
        std::string out;  // the whole of stdout
        const char* why;
    };
    const Case cases[] = {
        {duet, "--set LineNumber=2", "no reports\n", "three rows: every voice keeps its row until it is sung"},
        {duet, "--set LineNumber=1",
         "時間が前後している行が1行あります (lines that start before the previous line of their row has ended)\n"
         "4行目 [0:00:07.00] (line 4)\n"
         "歌い終わる前に消える行が1行あります (lines taken off the screen while still being sung, with the seconds "
         "lost)\n"
         "2行目 [0:00:05.00] 1.00秒 (line 2)\n",
         "two rows: the third voice takes the first one's row before 道 is sung"},
        {duet, "--set LineNumber=0",
         "時間が前後している行が2行あります (lines that start before the previous line of their row has ended)\n"
         "3行目 [0:00:06.50] (line 3)\n4行目 [0:00:07.00] (line 4)\n"
         "歌い終わる前に消える行が2行あります (lines taken off the screen while still being sung, with the seconds "
         "lost)\n"
         "2行目 [0:00:05.00] 1.50秒 (line 2)\n3行目 [0:00:06.50] 2.00秒 (line 3)\n",
         "one row: ずっと一緒に is up for half a second"},
        {"[00:00:00]あ[00:00:00]\n\n[00:00:00]い[00:00:00]\n", "--set WinAMPTime=0",
         "歌う時間のない行が2行あります (lines whose tags are all equal or run backwards, so nothing of them is "
         "sung)\n1行目 [0:00:00.00] (line 1)\n3行目 [0:00:00.00] (line 3)\n",
         "tags all equal"},
        {"[00:01:00]あ[00:02:00]\n[00:03:00]い\n", "--set WinAMPTime=0",
         "開始終了のタグが欠落している行が1行あります (lines lacking their first or last time tag; the tags were "
         "added)\n2行目 [0:00:03.00] (line 2)\n",
         "a missing last tag"},
        {"[00:01:00]あいうえおかきくけこさしすせそ[00:02:00]\n", "--set WinAMPTime=0 --set dispWidth=300",
         "1行に収まらない行が1行 (lines too wide for the frame)\n指定範囲に収まらない行が1行あります (lines "
         "outside the margins)\n1行目 [0:00:01.00] (line 1)\n",
         "too wide"},
        {sakura, "--set ssaFontSize=60 --set LineNumber=3 --set kaigyo=1",
         std::string(kStretchedBySetting) + "画面の上下にはみ出す行が3行あります (lines or readings drawn above or below the frame)\n"
         "10行目 [0:00:05.00] (line 10)\n12行目 [0:00:15.00] (line 12)\n14行目 [0:00:24.00] (line 14)\n",
         "the top row and its readings above the frame"},
        {sakura, "--set songInfoCheck=1 --set LineNumber=4",
         std::string(kStretchedBySetting) + "画面上部の曲情報と重なる行が2行あります (lines or readings drawn under the song information at the "
         "top)\n10行目 [0:00:05.00] (line 10)\n15行目 [0:00:27.60] (line 15)\n",
         "readings under the song information"},
    };
    for (const Case& c : cases) {
        const fs::path song = dir / "song.txt";
        ASSERT_TRUE(kvelmor::writeFileAtomically(song.string(), c.lyrics).ok);
        CliRun r = kvelmor("check --settings " + settings + " " + c.sets + " " + song.string());
        EXPECT_EQ(r.out, c.out) << c.why;
        EXPECT_EQ(r.code, c.out.ends_with("no reports\n") ? 0 : 1) << c.why;
    }
}

// Tags written inside a reading time its pieces: きょ sweeps from 13.00 to
// 13.50 and う from 13.50 to 14.00 while 今日 keeps the whole second; the
// tag file keeps the tags, so it converts to the same script.
TEST_F(CliTest, TagsInsideAReadingTimeItsPieces) {
    const fs::path song = dir / "song.txt";
    ASSERT_TRUE(kvelmor::writeFileAtomically(
                    song.string(), "@timeratio=1\n[00:12:50]あ[00:13:00]今日[00:13:00]([00:13:00]きょ[00:13:50]う"
                                   "[00:14:00])[00:14:00]は[00:14:50]\n")
                    .ok);
    auto script = [&](const fs::path& from, const std::string& sets) {
        const fs::path out = dir / "song.ass";
        EXPECT_EQ(kvelmor("convert --settings " + settings + " " + sets + " -o " + out.string() + " " + from.string())
                      .code,
                  0);
        std::string bytes;
        kvelmor::readFileBytes(out.string(), bytes);
        return kvelmor::decodeText(bytes).utf8;
    };
    struct Case {
        const char* sets;
        std::vector<const char*> expected;  // parts of the script, each once
        const char* why;
    };
    const Case cases[] = {
        {"", {"{\\K100}今日{\\K50}は", "{\\K130}{\\pos(", "{\\K50}きょ{\\K50}う{\\K70}\r\n"}, "swept piece by piece"},
        {"--set wipe=1", {"{\\k50}きょ{\\k50}う{\\K70}\r\n"}, "each piece switches at its tag"},
        {"--set wipe=2", {"}きょう\r\n"}, "no wipe: the reading stands whole"},
        {"--set wipe=3", {"}きょう\r\n", "{\\K50}きょ{\\K50}う{\\K70}\r\n"}, "edge wipe: plain, then swept"},
        {"--set upTime=-50", {"{\\K50}きょ{\\K50}う{\\K70}\r\n"}, "shifted with the other tags"},
    };
    for (const Case& c : cases) {
        const std::string text = script(song, c.sets);
        for (const char* part : c.expected) EXPECT_NE(text.find(part), std::string::npos) << c.why << ": " << part << "\n" << text;
    }
    ASSERT_EQ(kvelmor("kra --settings " + settings + " -o " + (dir / "song.kra").string() + " " + song.string()).code, 0);
    std::string kra;
    kvelmor::readFileBytes((dir / "song.kra").string(), kra);
    EXPECT_NE(kvelmor::decodeText(kra).utf8.find("([00:13:00]きょ[00:13:50]う[00:14:00])"), std::string::npos);
    // The tag file has no @timeratio line: its times are read as they are written.
    EXPECT_EQ(script(dir / "song.kra", "--set WinAMPTime=0"), script(song, ""));
}

// The built-in effect samples move the line when it is sung: the lead-in
// movements end at its first tag and the leaving ones start at its last,
// however long batch display shows it before. The example's second line
// comes up at 4.22 with the first; its tags run from 9.65 to 14.07.
TEST_F(CliTest, EffectSamplesMoveWhenTheLineIsSung) {
    const fs::path song = copyExample();
    struct Case {
        const char* sets;
        const char* expected;  // part of the second line's event
        const char* why;
    };
    const Case cases[] = {
        {"--set TagSample=5", "{\\fsp-200\\t(0,5430,\\fsp0)}{\\t(9850,10050,\\fsp200)}",
         "伸縮: together at 9.65, apart from 14.07"},
        {"--set TagSample=5 --set DisplayType2=1",
         "0:00:08.85,0:00:14.27,Kanji1,,0000,0000,0000,Karaoke,{\\q2}{\\pos(232,430)}{\\fsp-200\\t(0,800,\\fsp0)}"
         "{\\t(5220,5420,\\fsp200)}",
         "伸縮 one line after another: 14.07 is 5.22 s after 8.85"},
        {"--set TagSample=6", "{\\fr-2\\t(0,5430,\\fr0\\fsp0)\\t(9850,10050,\\fr2\\fsp30)}",
         "スライドイン/アウト: out over the lead-out (%R), not the text \"%R\""},
        {"--set TagSample=7", "{\\frx90\\t(0,5430,\\frx0)}", "起きあがり"},
        {"--set TagSample=8", "{\\move(640,430,232,430,0,5430)}{\\fsp200\\t(0,5430,\\fsp0)}", "スパイラルIN"},
        {"--set TagSample=11", "\\move(232,430,-408,430,9850,10250)", "○←、←○: leaves when sung"},
    };
    for (const Case& c : cases) {
        const fs::path out = dir / "song.ass";
        ASSERT_EQ(kvelmor("convert --settings " + settings + " --set wipe=4 " + c.sets + " -o " + out.string() + " " +
                          song.string())
                      .code,
                  0)
            << c.why << stderrText();
        std::string bytes;
        kvelmor::readFileBytes(out.string(), bytes);
        const std::string text = kvelmor::decodeText(bytes).utf8;
        EXPECT_NE(text.find(c.expected), std::string::npos) << c.why << "\n" << text;
    }
}

TEST_F(CliTest, SetAndPresetErrorsNameWhatIsWrong) {
    fs::path song = copyExample();
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --set dispwidht=3 " + song.string()).code, 2);
    EXPECT_NE(stderrText().find("dispWidth"), std::string::npos);  // the closest known name
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --set wipe=99 " + song.string()).code, 2);
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --preset nope " + song.string()).code, 2);
    EXPECT_FALSE(fs::exists(dir / "song.ass"));
}

TEST_F(CliTest, PresetsSaveShowListDelete) {
    CliRun saved = kvelmor("presets save wide --settings " + settings + " --set dispWidth=1280 --set DisplayType2=1");
    EXPECT_EQ(saved.code, 0) << stderrText();
    EXPECT_EQ(saved.out, "saved preset \"wide\" in " + settings + "\n");
    EXPECT_EQ(kvelmor("presets list --settings " + settings).out, "default\nwide\n");
    CliRun show = kvelmor("presets show wide --settings " + settings);
    EXPECT_NE(show.out.find("\nSizeWidth=1280\n"), std::string::npos);
    EXPECT_NE(show.out.find("\nDisplayType2=True\n"), std::string::npos);
    EXPECT_EQ(std::count(show.out.begin(), show.out.end(), '\n'), 120);
    EXPECT_EQ(kvelmor("presets save info --settings " + settings).code, 2);
    EXPECT_NE(stderrText().find("「info」の名称は使えません"), std::string::npos);
    EXPECT_EQ(kvelmor("presets delete default --settings " + settings).code, 2);
    CliRun deleted = kvelmor("presets delete wide --settings " + settings);
    EXPECT_EQ(deleted.code, 0);
    EXPECT_EQ(deleted.out, "deleted preset \"wide\" from " + settings + "\n");
    EXPECT_EQ(kvelmor("presets list --settings " + settings).out, "default\n");
}

// "--" ends the options: files named like options are files after it.
TEST_F(CliTest, DoubleDashEndsTheOptions) {
    fs::path song = copyExample();
    fs::copy_file(song, dir / "-song.txt");
    fs::copy_file(song, dir / "--kra.txt");
    fs::create_directories(dir / "-songs");
    fs::copy_file(song, dir / "-songs" / "a.txt");
    const std::string opts = "--settings " + settings + " ";
    struct Case { std::string args, out; fs::path written; };
    std::vector<Case> cases{
        {"convert " + opts + "-- -song.txt", "wrote -song.ass\n", "-song.ass"},
        {"convert " + opts + "-- --kra.txt", "wrote --kra.ass\n", "--kra.ass"},
        {"kra " + opts + "-- -song.txt", "wrote -song.kra\n", "-song.kra"},
        {"check " + opts + "-- -song.txt", std::string(kStretchedBySetting) + "no reports\n", ""},
        {"render --at 6 " + opts + "-- -song.txt", "wrote -song.png\n", "-song.png"},
        {"batch " + opts + "-- -songs", "converted 1 of 1 file\n", "-songs/a.ass"},
        {"presets save " + opts + "-- -mine", "saved preset \"-mine\" in " + settings + "\n", settings},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        CliRun r = kvelmor(c.args, "cd " + dir.string() + " && exec ");
        EXPECT_EQ(r.out, c.out) << stderrText();
        EXPECT_EQ(stderrText().find("unknown option"), std::string::npos) << stderrText();
        if (!c.written.empty()) {
            EXPECT_TRUE(fs::exists(dir / c.written));
        }
    }
    EXPECT_FALSE(fs::exists(dir / "--kra.kra"));  // "--kra.txt" named a file, not the option
    EXPECT_EQ(kvelmor("presets list " + opts).out, "default\n-mine\n");
    EXPECT_EQ(kvelmor("fields -- -no-such-field").code, 1);
    EXPECT_NE(stderrText().find("no field matches \"-no-such-field\""), std::string::npos) << stderrText();
}

TEST_F(CliTest, FieldsExplainsEveryFieldAndSetTakesTheirKeys) {
    CliRun all = kvelmor("fields");
    EXPECT_EQ(all.code, 0);
    size_t listed = 0;  // a field's block starts with its name at the start of a line
    for (size_t at = 0; at < all.out.size(); at = all.out.find('\n', at) + 1)
        if (all.out[at] != ' ' && all.out[at] != '\n') ++listed;
    EXPECT_EQ(listed, kvelmor::settings::settingTable().size() + kvelmor::settings::creditFieldTable().size());

    CliRun wipe = kvelmor("fields wipe");  // a field's own name shows that field alone
    EXPECT_EQ(wipe.code, 0);
    EXPECT_EQ(wipe.out.rfind("wipe.style (wipe)  \"ワイプ設定 / ワイプ\" (\"Wipe / Style\")\n", 0), 0u) << wipe.out;
    EXPECT_EQ(kvelmor("fields wipe.style").out, wipe.out);  // and so does its meaningful name
    for (const char* part : {"INI key: wipeType", "\n      0 \"カラオケ\"", "\n      7 \"空白区切毎\""})
        EXPECT_NE(wipe.out.find(part), std::string::npos) << part;
    EXPECT_EQ(std::count(wipe.out.begin(), wipe.out.end(), '\n'), 12) << wipe.out;  // 4 lines and 8 indexes
    // The effect samples by index, with their names in both languages.
    const std::string samples = kvelmor("fields wipe.sample").out;
    for (const char* part : {"\n      0 \"ステップ\"", "  Step\n", "\n      14 \"文字：音符\"", "  Characters: notes\n"})
        EXPECT_NE(samples.find(part), std::string::npos) << part << "\n" << samples;
    EXPECT_NE(kvelmor("fields 'form7.credit*'").out.find("Form7.CreditTag"), std::string::npos);
    EXPECT_NE(kvelmor("fields tagfontsize").out.find("ssaFontSize"), std::string::npos);  // by its key
    EXPECT_NE(kvelmor("fields 'sung colour'").out.find("PrimaryColor"), std::string::npos);  // by its English caption
    EXPECT_EQ(kvelmor("fields no-such-words").code, 1);
    EXPECT_NE(kvelmor("--help").out.find("fields [PATTERN]"), std::string::npos);

    // Keys with the values "presets show" prints; the credit's keys too.
    fs::path song = copyExample();
    CliRun saved = kvelmor("presets save keys --settings " + settings +
                           " --set tagfontSize=40 --set AlignmentUp=2 --set Bold=True --set titleLength=0:01:30");
    EXPECT_EQ(saved.code, 0) << stderrText();
    CliRun shown = kvelmor("presets show keys --settings " + settings);
    for (const char* line : {"\ntagfontSize=40\n", "\nAlignmentUp=2\n", "\nBold=True\n", "\ntitleLength=0:01:30\n"})
        EXPECT_NE(shown.out.find(line), std::string::npos) << line;
    CliRun credit = kvelmor("convert --settings " + settings + " --set CleditOn=True --set 'CreditText=Made by me' " +
                            "--set Form7.titleEndM=01 --set credit.posX=10 " +  // the window's name, or credit.
                            song.string());
    EXPECT_EQ(credit.code, 0) << stderrText();
    std::string bytes;
    ASSERT_TRUE(kvelmor::readFileBytes((dir / "song.ass").string(), bytes).ok);
    EXPECT_NE(kvelmor::decodeText(bytes).utf8.find("Made by me"), std::string::npos);
    EXPECT_NE(kvelmor::decodeText(bytes).utf8.find("\\pos(10,"), std::string::npos);
    EXPECT_EQ(kvelmor("convert --settings " + settings + " --set AlignmentUp=4 " + song.string()).code, 2);
    EXPECT_NE(stderrText().find("AlignmentUp: \"4\" is not a member from 1 to 3"), std::string::npos) << stderrText();
}

// The media probe. The media are made by ffmpeg as the tests run.

#include "../media/media_files.h"

namespace {

std::string makeTestMedia(const fs::path& dir) {
    return kvelmor::test::makeMedia(dir / "ntsc.mp4",
                                    kvelmor::test::testVideo("720x480", "2") + " -vf setsar=32/27 -c:v mpeg4");
}

}  // namespace

TEST_F(CliTest, ProbePrintsWhatItReadAndEveryFieldItSets) {
    KVELMOR_NEED_FFMPEG();
    std::string media = makeTestMedia(dir);
    ASSERT_FALSE(media.empty());
    CliRun r = kvelmor("probe " + media + " --settings " + settings);
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(r.out,
              "duration: 0:00:02.00\nframe size: 720x480\naspect ratio: 16:9\n"
              "frame.width=720\nframe.height=480\nscale.x=1.1851851851851851\n"
              "credit.endHour=0\ncredit.endMinute=00\ncredit.endSecond=02\n");
    EXPECT_FALSE(fs::exists(settings));  // only --save writes it

    // MediaTimeCheck from --set counts for the probe; a --set of a field the probe writes wins.
    r = kvelmor("probe " + media + " --settings " + settings + " --set MediaTimeCheck=1 --set dispWidth=1000");
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_NE(r.out.find("\nframe.width=1000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\ntitles.endSecond=02\ntitles.startHour=0\ntitles.startMinute=00\ntitles.startSecond=00\n"),
              std::string::npos)
        << r.out;

    std::string wav = kvelmor::test::makeMedia(dir / "tone.wav", "-f lavfi -i sine=duration=3");
    ASSERT_FALSE(wav.empty());
    r = kvelmor("probe " + wav + " --settings " + settings);
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(r.out,
              "duration: 0:00:03.00\nframe size: none (no video; the frame size is left as it is)\n"
              "scale.x=1\ncredit.endHour=0\ncredit.endMinute=00\ncredit.endSecond=03\n");
}

TEST_F(CliTest, ProbeSaveKeepsTheValuesInThePresetAndInfo) {
    KVELMOR_NEED_FFMPEG();
    std::string media = makeTestMedia(dir);
    ASSERT_FALSE(media.empty());
    ASSERT_EQ(kvelmor("presets save wide --settings " + settings).code, 0) << stderrText();
    CliRun r = kvelmor("probe " + media + " --settings " + settings + " --preset wide --set MediaTimeCheck=1 --save");
    EXPECT_EQ(r.code, 0) << stderrText();
    CliRun wide = kvelmor("presets show wide --settings " + settings);
    EXPECT_NE(wide.out.find("\nSizeWidth=720\nSizeHeight=480\n"), std::string::npos) << wide.out;
    EXPECT_NE(wide.out.find("\ntitleLengthStart=0:00:00\ntitleLength=0:00:02\n"), std::string::npos) << wide.out;
    CliRun def = kvelmor("presets show default --settings " + settings);
    EXPECT_NE(def.out.find("\nSizeWidth=640\n"), std::string::npos);  // only the preset in use
    std::string ini;
    ASSERT_TRUE(kvelmor::readFileBytes(settings, ini).ok);
    EXPECT_NE(ini.find("mediaPath=" + dir.string() + "\r\n"), std::string::npos);
    EXPECT_NE(ini.find("CreditTimeEndHH=0\r\nCreditTimeEndMM=00\r\nCreditTimeEndSS=02\r\n"), std::string::npos);
    EXPECT_NE(ini.find("MediaTimeCheck=1\r\n"), std::string::npos);
}

TEST_F(CliTest, ProbeOfWhatIsNotMediaFailsAndWritesNothing) {
    KVELMOR_NEED_FFMPEG();
    fs::path fake = dir / "song.mp4";
    std::ofstream(fake) << "[00:01:00]あ\n";
    EXPECT_EQ(kvelmor("probe " + fake.string() + " --settings " + settings + " --save").code, 2);
    EXPECT_NE(stderrText().find(fake.string()), std::string::npos);
    EXPECT_FALSE(fs::exists(settings));
    EXPECT_EQ(kvelmor("probe --settings " + settings).code, 2);  // no MEDIA
    EXPECT_EQ(kvelmor("probe " + fake.string() + " --media " + fake.string()).code, 2);
}

TEST_F(CliTest, MediaModuleIsLoadedOnlyForMediaAndItsAbsenceIsExplained) {
    KVELMOR_NEED_FFMPEG();
    std::string media = makeTestMedia(dir);
    ASSERT_FALSE(media.empty());
    fs::path song = copyExample();
    const std::string missing = (dir / "nowhere" / "kvelmor_media.so").string();
    const std::string notAModule = song.string();  // a text file where the module should be
    for (const std::string& module : {missing, notAModule}) {
        SCOPED_TRACE(module);
        const std::string env = "KVELMOR_MEDIA_MODULE=" + module + " exec ";
        // Converting never opens the module.
        EXPECT_EQ(kvelmor("convert --settings " + settings + " " + song.string(), env).code, 0) << stderrText();
        CliRun r = kvelmor("probe " + media + " --settings " + settings, env);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        const std::string said = stderrText();
        EXPECT_NE(said.find(media + ": "), std::string::npos) << said;
        EXPECT_NE(said.find("media module"), std::string::npos) << said;
        EXPECT_NE(said.find(module), std::string::npos) << said;
        EXPECT_EQ(kvelmor("convert --settings " + settings + " --media " + media + " " + song.string(), env).code, 2);
    }
    EXPECT_NE(stderrText().find("could not be loaded"), std::string::npos) << stderrText();

    // Installed as cmake --install lays it out, the program looks beside
    // itself first (PREFIX/bin/kvelmor, PREFIX/lib/kvelmor/), before the
    // build tree it came from.
    const fs::path prefix = dir / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / KVELMOR_MODULE_DIR);
    fs::copy_file(KVELMOR_BINARY, prefix / "bin" / "kvelmor");
    const fs::path installed = prefix / KVELMOR_MODULE_DIR / "kvelmor_media.so";
    fs::copy_file(song, installed);  // not a module: proves which one is opened
    const std::string probe = "probe " + media + " --settings " + settings;
    const std::string installedKvelmor = (prefix / "bin" / "kvelmor").string();
    EXPECT_EQ(kvelmor(probe, {}, installedKvelmor).code, 2);
    EXPECT_NE(stderrText().find(installed.string()), std::string::npos) << stderrText();
    fs::copy_file(KVELMOR_MEDIA_MODULE_FILE, installed, fs::copy_options::overwrite_existing);
    CliRun r = kvelmor(probe, {}, installedKvelmor);
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_NE(r.out.find("frame size: 720x480"), std::string::npos) << r.out;
}

// Why the module could not be loaded is the loader's own reason; a hint
// follows only where the reason points to one.
TEST_F(CliTest, AMediaModuleThatCannotBeLoadedIsExplainedInTheLoadersWords) {
    KVELMOR_NEED_FFMPEG();
    std::string media = makeTestMedia(dir);
    ASSERT_FALSE(media.empty());
    fs::path song = copyExample();
    struct Case { std::string environment, reason, hint; };
    std::vector<Case> cases{
        {"KVELMOR_MEDIA_MODULE=" + song.string() + " exec ", song.string() + ": invalid ELF header", ""},
    };
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVELMOR_TEST_UNDER_ASAN
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(KVELMOR_TEST_UNDER_ASAN)
    // 100 MB of address space runs kvelmor but cannot hold FFmpeg's libraries.
    // (AddressSanitizer reserves far more than that before main.)
    cases.push_back({"ulimit -v 100000; exec ", "failed to map segment from shared object",
                     "there was not enough memory to load FFmpeg's libraries"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        CliRun r = kvelmor("probe " + media + " --settings " + settings, c.environment);
        EXPECT_EQ(r.code, 2);
        const std::string said = stderrText();
        EXPECT_NE(said.find("could not be loaded: "), std::string::npos) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        EXPECT_EQ(said.find("are FFmpeg's libraries"), std::string::npos) << said;
        if (!c.hint.empty()) {
            EXPECT_NE(said.find(c.hint), std::string::npos) << said;
        }
    }
}

TEST_F(CliTest, ConvertWithMediaMatchesTheScriptToTheVideo) {
    KVELMOR_NEED_FFMPEG();
    std::string media = makeTestMedia(dir);
    ASSERT_FALSE(media.empty());
    fs::path song = copyExample();
    auto script = [&] {
        std::string bytes;
        kvelmor::readFileBytes((dir / "song.ass").string(), bytes);
        return kvelmor::decodeText(bytes).utf8;
    };
    CliRun r = kvelmor("convert --settings " + settings + " --media " + media + " " + song.string());
    EXPECT_LE(r.code, 1) << stderrText();
    EXPECT_NE(script().find("PlayResX: 720\r\nPlayResY: 480\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(settings));

    // --set wins over the probe wherever it stands on the line.
    r = kvelmor("convert --settings " + settings + " --set dispWidth=1000 --media " + media + " " + song.string());
    EXPECT_LE(r.code, 1) << stderrText();
    EXPECT_NE(script().find("PlayResX: 1000\r\nPlayResY: 480\r\n"), std::string::npos);

    fs::remove(dir / "song.ass");
    r = kvelmor("convert --settings " + settings + " --media " + (dir / "missing.mp4").string() + " " + song.string());
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(stderrText().find("missing.mp4"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "song.ass"));
}

TEST_F(CliTest, BatchConvertsAFolderInNameOrderAndSummarises) {
    fs::path songs = dir / "songs";
    fs::create_directories(songs / "sub");
    fs::path example = fs::path(KVELMOR_EXAMPLES) / "sakura_no_michi.txt";
    fs::copy_file(example, songs / "a.txt");
    fs::copy_file(example, songs / "B.TXT");
    fs::copy_file(example, songs / "notes.md");
    fs::copy_file(example, songs / "sub" / "inner.txt");

    // Not on a terminal: one plain progress line per file on stderr; no .kra even when KraCheck is on.
    CliRun r = kvelmor("batch --settings " + settings + " --set KraCheck=1 " + songs.string());
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(r.out, "converted 2 of 2 files\n");
    EXPECT_EQ(stderrText(), "[1/2] wrote " + (songs / "B.ass").string() + "\n[2/2] wrote " +
                                (songs / "a.ass").string() + "\n");
    EXPECT_FALSE(fs::exists(songs / "a.kra"));
    EXPECT_FALSE(fs::exists(songs / "notes.ass"));
    EXPECT_FALSE(fs::exists(songs / "sub" / "inner.ass"));
    EXPECT_FALSE(fs::exists(settings));

    // A line without its closing tag is repaired and reported: written with reports.
    {
        std::ofstream(songs / "c.txt") << "@title=c\n[00:01:00]あ[00:01:50]い\n";
    }
    r = kvelmor("batch --settings " + settings + " " + songs.string());
    EXPECT_EQ(r.code, 1) << stderrText();
    EXPECT_EQ(r.out, "converted 3 of 3 files (1 with reports)\n");

    // A file with more lines than a song may have is skipped; the others are still written.
    {
        std::ofstream big(songs / "b_big.txt");
        for (int i = 0; i < 300; ++i) big << "[00:01:00]ら[00:01:50]\n";
    }
    fs::remove(songs / "a.ass");
    r = kvelmor("batch --settings " + settings + " " + songs.string());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "converted 3 of 4 files (1 with reports)\nskipped 1:\n  " + (songs / "b_big.txt").string() +
                         ": 読み込める行数を超えています\n");
    EXPECT_TRUE(fs::exists(songs / "a.ass"));
    EXPECT_TRUE(fs::exists(songs / "c.ass"));
    EXPECT_FALSE(fs::exists(songs / "b_big.ass"));
    EXPECT_FALSE(fs::exists(settings));
}

TEST_F(CliTest, BatchFolderAndUsageErrors) {
    CliRun r = kvelmor("batch --settings " + settings + " " + (dir / "missing").string());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(stderrText().find((dir / "missing").string() + ": the folder does not exist"), std::string::npos);

    fs::create_directories(dir / "empty");
    r = kvelmor("batch --settings " + settings + " " + (dir / "empty").string());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "converted 0 of 0 files\n");
    EXPECT_NE(stderrText().find("no .txt files"), std::string::npos);

    EXPECT_EQ(kvelmor("batch --settings " + settings).code, 2);
    EXPECT_EQ(kvelmor("batch --settings " + settings + " -o x.ass " + dir.string()).code, 2);
    EXPECT_EQ(kvelmor("batch --settings " + settings + " --kra " + dir.string()).code, 2);
    EXPECT_NE(kvelmor("--help").out.find("batch FOLDER"), std::string::npos);
}

// What goes wrong on the user's disk: each failure names the file and its
// reason, leaves the files already there as they were, and the exit code
// says how it went (0 done, 1 done with reports, 2 failed).
namespace {

struct CliFailureTest : CliTest {
    // kvelmor with files limited to `blocks` of 512 bytes, as on a disk that
    // fills up while it writes (the signal for it ignored, so write() fails).
    CliRun kvelmorOnAFullDisk(int blocks, const std::string& args) {
        return kvelmor(args, "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec ");
    }
    // The files of the test folder (but the captured stderr) with their bytes.
    std::vector<std::pair<std::string, std::string>> files() {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            if (!e.is_regular_file() || e.path().filename() == "stderr.txt") continue;
            std::string bytes;
            kvelmor::readFileBytes(e.path().string(), bytes);
            out.emplace_back(fs::relative(e.path(), dir).string(), bytes);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    void write(const fs::path& p, std::string_view bytes) {
        ASSERT_TRUE(kvelmor::writeFileAtomically(p.string(), bytes).ok);
    }
    bool inStderr(const std::string& part) { return stderrText().find(part) != std::string::npos; }
};

}  // namespace

TEST_F(CliFailureTest, WritesThatFailNameTheFileAndExitTwo) {
    fs::path song = copyExample();
    const std::string opts = "--settings " + settings + " ";
    write(dir / "song.ass", "the script of yesterday");
    write(dir / "song.kra", "the tag file of yesterday");
    const auto before = files();

    const std::string underAFile = (song / "out.ass").string();  // fails for root as well
    EXPECT_EQ(kvelmor("convert " + opts + "-o " + underAFile + " " + song.string()).code, 2);
    EXPECT_TRUE(inStderr(underAFile + ": cannot write the script: Not a directory")) << stderrText();
    EXPECT_EQ(kvelmor("convert " + opts + "-o /dev/full " + song.string()).code, 2);
    EXPECT_TRUE(inStderr("/dev/full: cannot write the script: No space left on device")) << stderrText();
    EXPECT_EQ(kvelmor("kra " + opts + "-o /dev/full " + song.string()).code, 2);
    EXPECT_TRUE(inStderr("No space left on device")) << stderrText();
    EXPECT_EQ(kvelmorOnAFullDisk(1, "convert --kra " + opts + song.string()).code, 2);
    EXPECT_TRUE(inStderr((dir / "song.ass").string() + ": cannot write the script: File too large")) << stderrText();
    EXPECT_EQ(files(), before);  // no temporary file either

    // The next file is converted after one that cannot be written.
    fs::create_directories(dir / "first" / "song.ass");  // a folder where its script would go
    fs::copy_file(song, dir / "first" / "song.txt");
    CliRun r = kvelmor("convert " + opts + (dir / "first" / "song.txt").string() + " " + song.string());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "wrote " + (dir / "song.ass").string() + "\n");
    EXPECT_TRUE(inStderr((dir / "first" / "song.ass").string() + ": cannot write the script")) << stderrText();
    EXPECT_TRUE(fs::is_directory(dir / "first" / "song.ass"));
}

// Under a file size limit (ulimit -f) a write fails like any other: the
// signal the kernel sends for it does not end the program unannounced.
TEST_F(CliFailureTest, AFileSizeLimitIsAWriteErrorNamingTheFile) {
    fs::path song = copyExample();
    const std::string opts = " --settings " + settings + " ";
    write(settings, "[default]\r\nSizeWidth=640\r\n");
    write(settings + ".lock", "");  // the lock file a save makes and keeps
    const auto before = files();
    // The writes above ignored the signal in this process, and kvelmor would
    // inherit that; it must ignore the signal itself.
    std::signal(SIGXFSZ, SIG_DFL);
    struct Case { std::string args; fs::path file; };
    for (const Case& c : {Case{"convert" + opts + song.string(), dir / "song.ass"},
                          Case{"kra" + opts + song.string(), dir / "song.kra"},
                          Case{"render --at 6" + opts + song.string(), dir / "song.png"},
                          Case{"presets save A" + opts, settings}}) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(kvelmor(c.args, "ulimit -f 1; exec ").code, 2);  // not killed by the signal
        EXPECT_TRUE(inStderr(c.file.string() + ": ")) << stderrText();
        EXPECT_TRUE(inStderr("File too large")) << stderrText();
        EXPECT_EQ(files(), before);  // no temporary file is left
    }
}

TEST_F(CliFailureTest, SettingsFilesThatCannotBeReadAreReportedAndConvertGoesOn) {
    fs::path song = copyExample();
    fs::create_directories(dir / "folder.ini");
    CliRun r = kvelmor("convert --settings " + (dir / "folder.ini").string() + " " + song.string());
    EXPECT_EQ(r.code, 1) << stderrText();
    EXPECT_TRUE(inStderr((dir / "folder.ini").string() + ": cannot read the settings file: Is a directory"))
        << stderrText();
    EXPECT_TRUE(fs::exists(dir / "song.ass"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.ini"));
    // The presets of such a file are not known, and nothing is saved over it.
    EXPECT_EQ(kvelmor("presets list --settings " + (dir / "folder.ini").string()).code, 2);
    EXPECT_TRUE(inStderr("cannot read the settings file")) << stderrText();
    EXPECT_EQ(kvelmor("presets save mine --settings " + (dir / "folder.ini").string()).code, 2);
    EXPECT_TRUE(fs::is_directory(dir / "folder.ini"));

    ASSERT_EQ(kvelmor("presets save default --settings " + settings + " --set dispWidth=1280").code, 0);
    std::string whole;
    kvelmor::readFileBytes(settings, whole);
    const std::string cut = whole.substr(0, whole.find("SizeWidth=12") + 12);
    write(settings, cut);
    r = kvelmor("convert --settings " + settings + " " + song.string());
    EXPECT_EQ(r.code, 1) << stderrText();
    EXPECT_TRUE(inStderr(settings + ":")) << stderrText();
    EXPECT_TRUE(inStderr("may be cut off")) << stderrText();
    std::string after;
    kvelmor::readFileBytes(settings, after);
    EXPECT_EQ(after, cut);
}

TEST_F(CliFailureTest, LyricsFilesWithoutLyricsReplaceNothing) {
    const std::string opts = "--settings " + settings + " ";
    write(dir / "empty.txt", "");
    write(dir / "empty.ass", "the script of the song before");
    write(dir / "empty.kra", "the tag file of the song before");
    std::string binary;
    for (int i = 0; i < 100000; ++i) binary += static_cast<char>((i * 7919) % 251);
    write(dir / "binary.txt", binary);
    const auto before = files();

    EXPECT_EQ(kvelmor("convert " + opts + (dir / "empty.txt").string()).code, 2);
    EXPECT_TRUE(inStderr((dir / "empty.txt").string() + ": no timed lines")) << stderrText();
    // A script is no lyrics file, and is told so.
    write(dir / "empty.ass", "[Script Info]\n");
    EXPECT_EQ(kvelmor("check " + opts + (dir / "empty.ass").string()).code, 2);
    EXPECT_TRUE(inStderr((dir / "empty.ass").string() + ": this is a subtitle script")) << stderrText();
    write(dir / "empty.ass", "the script of the song before");
    // Plain lyrics are told where they are timed.
    write(dir / "plain.txt", "さくら さくら\nやよいの空は\n");
    for (const char* command : {"convert ", "check "}) {
        EXPECT_EQ(kvelmor(command + opts + (dir / "plain.txt").string()).code, command[1] == 'o' ? 2 : 1) << command;
        EXPECT_TRUE(inStderr((dir / "plain.txt").string() + ": plain lyrics: no line holds a")) << stderrText();
        EXPECT_TRUE(inStderr("kvelmor-gui --timing FILE --audio SONG")) << stderrText();
    }
    EXPECT_FALSE(fs::exists(dir / "plain.ass"));
    EXPECT_EQ(kvelmor("kra " + opts + (dir / "empty.txt").string()).code, 2);
    EXPECT_TRUE(inStderr("nothing was written to " + (dir / "empty.kra").string())) << stderrText();
    EXPECT_EQ(kvelmor("convert " + opts + (dir / "binary.txt").string()).code, 2);
    const std::string said = stderrText();
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 16) << said;  // not a report for every line
    fs::remove(dir / "plain.txt");
    EXPECT_EQ(files(), before);

    write(dir / "nul.txt", std::string_view("[00:01:00]a\0b[00:02:00]\n", 24));
    EXPECT_EQ(kvelmor("convert " + opts + (dir / "nul.txt").string()).code, 1);
    EXPECT_TRUE(inStderr((dir / "nul.txt").string() + ":1: binary data (NUL bytes) was left out")) << stderrText();
    EXPECT_TRUE(fs::exists(dir / "nul.ass"));
}

// Nothing a user gives kvelmor destroys a file, hangs it or exhausts the
// machine. Grouped by family: files that must never be destroyed, special
// files and limits, number ranges, encodings.
namespace {

struct DestroyedFiles : CliFailureTest {};
struct SpecialFilesAndLimits : CliFailureTest {
    // A song of `lines` timed lines, each of `chars` characters.
    fs::path longSong(int lines, int chars) {
        std::string text;
        for (int i = 0; i < lines; ++i) {
            char tag[16];
            std::snprintf(tag, sizeof tag, "[%02d:%02d:00]", i / 60, i % 60);
            text += tag + std::string(static_cast<size_t>(chars), 'a') + "[59:59:99]\n";
        }
        fs::path p = dir / "long.txt";
        write(p, text);
        return p;
    }
};
struct Ranges : CliFailureTest {};
struct Encodings : CliFailureTest {};
struct NoFalseSuccess : CliFailureTest {};

}  // namespace

TEST_F(DestroyedFiles, FilesThatAreNotSettingsFilesAreNeverSavedOver) {
    fs::path song = copyExample();
    std::string video = "\x1A\x45\xDF\xA3";
    for (int i = 0; i < 4000; ++i) video += static_cast<char>((i * 7919) % 256);
    const std::pair<const char*, std::string> notSettings[] = {
        {"video.mkv", video},
        {"lyrics.txt", std::string("@title=t\r\n[00:01:00]あ[00:02:00]\r\n")},
        {"kra_last.kra", std::string("[00:01:00]あ[00:02:00]\r\n@title=t\r\n@taggedby=Kvelmor\r\n")},
        {"notes.txt", std::string("shopping list\r\nmilk\r\n")},
    };
    for (const auto& [name, bytes] : notSettings) {
        const fs::path p = dir / name;
        write(p, bytes);
        for (const char* cmd : {"presets save A", "presets delete A"}) {
            EXPECT_EQ(kvelmor(std::string(cmd) + " --settings " + p.string()).code, 2) << name << ": " << cmd;
            EXPECT_TRUE(inStderr(p.string() + ": this is not a settings file")) << stderrText();
            std::string now;
            kvelmor::readFileBytes(p.string(), now);
            EXPECT_EQ(now, bytes) << name << ": " << cmd;
        }
        EXPECT_FALSE(fs::exists(p.string() + ".lock")) << name;
    }
    // The video itself named as the settings file of its own probe.
    if (kvelmor::test::haveFfmpeg()) {
        const std::string media = makeTestMedia(dir);
        std::string before;
        kvelmor::readFileBytes(media, before);
        EXPECT_EQ(kvelmor("probe " + media + " --save --settings " + media).code, 2);
        std::string after;
        kvelmor::readFileBytes(media, after);
        EXPECT_EQ(after, before);
    }
    // Missing and empty files are settings files yet to be written.
    write(dir / "empty.ini", "");
    for (const char* name : {"empty.ini", "new.ini"})
        EXPECT_EQ(kvelmor("presets save A --settings " + (dir / name).string()).code, 0) << name << stderrText();
}

// A settings file stays one that the next command can read: a value longer
// than any setting is neither used nor copied into a preset, nor stored.
TEST_F(DestroyedFiles, PresetsNeverMakeTheSettingsFileTooLargeToRead) {
    const std::string huge(10u << 20, 'x');
    write(settings, "[default]\r\nCommandLine=" + huge + "\r\nSizeWidth=800\r\n");
    const std::string opts = " --settings " + settings;
    EXPECT_EQ(kvelmor("presets save A" + opts).code, 0) << stderrText();
    EXPECT_TRUE(inStderr(settings + ":2: a value of more than 64 KB, which no setting holds: not used"))
        << stderrText().substr(0, 500);
    EXPECT_LT(fs::file_size(settings), 11u << 20);
    CliRun list = kvelmor("presets list" + opts);
    EXPECT_EQ(list.code, 0) << stderrText().substr(0, 500);
    EXPECT_EQ(list.out, "default\nA\n");
    CliRun shown = kvelmor("presets show A" + opts);
    EXPECT_NE(shown.out.find("\nSizeWidth=800\n"), std::string::npos);
    EXPECT_NE(shown.out.find("\nCommandLine=\n"), std::string::npos);

    // A value given on the command line that long is refused naming its key; nothing is written.
    const auto before = files();
    const std::string longTemplate(70000, 'y');
    for (const char* command : {"presets save A", "presets save B"}) {
        EXPECT_EQ(kvelmor(std::string(command) + opts + " --set commandLine=" + longTemplate).code, 2) << command;
        EXPECT_TRUE(inStderr("cannot store key \"CommandLine\" of section [")) << stderrText().substr(0, 500);
        EXPECT_TRUE(inStderr("the value is 69 KB, more than the 64 KB a setting may hold"))
            << stderrText().substr(0, 500);
        EXPECT_EQ(files(), before) << command;
    }
}

TEST_F(DestroyedFiles, RacingSavesLoseNoPreset) {
    // Pairs of saves started together; every one reads the file again under
    // the lock and adds its own section to what the other wrote.
    constexpr int kPairs = 20;
    const std::string k = std::string(KVELMOR_BINARY) + " presets save ";
    std::string script = "for i in $(seq " + std::to_string(kPairs) + "); do " + k + "A$i --settings " + settings +
                         " & " + k + "B$i --settings " + settings + " & wait; done";
    ASSERT_EQ(std::system(("sh -c '" + script + "' 2>" + (dir / "stderr.txt").string()).c_str()), 0);
    CliRun list = kvelmor("presets list --settings " + settings);
    for (int i = 1; i <= kPairs; ++i)
        for (const char* p : {"A", "B"})
            EXPECT_NE(list.out.find("\n" + std::string(p) + std::to_string(i) + "\n"), std::string::npos)
                << p << i << " lost:\n" << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2 * kPairs + 1);  // and "default"
}

TEST_F(DestroyedFiles, AWriteNeverReplacesItsOwnInput) {
    fs::path song = copyExample();
    const std::string opts = "--settings " + settings + " ";
    ASSERT_EQ(kvelmor("kra " + opts + song.string()).code, 0) << stderrText();
    ASSERT_EQ(kvelmor("presets save mine " + opts).code, 0) << stderrText();
    fs::create_symlink(song, dir / "link.ass");
    const std::string kraFile = (dir / "song.kra").string();
    struct Case { std::string args, why; };
    std::vector<Case> cases{
        {"convert -o " + song.string() + " " + song.string(), "the script over the lyrics"},
        {"kra " + kraFile, "the tag file over the .kra it read"},
        {"convert --kra -o " + kraFile + " " + song.string(), "the script, then the tag file, on one path"},
        {"convert -o " + (dir / "link.ass").string() + " " + song.string(), "through a link to the lyrics"},
        {"convert --kra " + song.string() + " " + kraFile, "the tag file over another lyrics file it reads"},
        {"render --at 6 -o " + song.string() + " " + song.string(), "a picture over the lyrics"},
        {"render --at 6 -o " + kraFile + " " + kraFile, "a picture over the .kra"},
        {"render --at 6 -o " + (dir / "link.ass").string() + " " + song.string(), "a picture through a link"},
        {"convert -o " + settings + " " + song.string(), "the script over the settings file"},
        {"kra -o " + settings + " " + song.string(), "the tag file over the settings file"},
        {"render --at 6 -o " + settings + " " + song.string(), "a picture over the settings file"},
    };
    if (kvelmor::test::haveFfmpeg()) {
        const std::string media = makeTestMedia(dir);
        for (const char* command : {"convert", "kra", "render --at 1"})
            cases.push_back({std::string(command) + " --media " + media + " -o " + media + " " + song.string(),
                             std::string(command) + " over the video it reads"});
    }
    const auto before = files();
    for (const Case& c : cases) {
        EXPECT_EQ(kvelmor(c.args + " " + opts).code, 2) << c.why;
        EXPECT_TRUE(inStderr("nothing was written")) << c.why << ": " << stderrText();
        EXPECT_EQ(files(), before) << c.why;
    }
}

// An output that exists as a pipe, socket or disk device is refused naming
// it, at once: opening a FIFO nobody reads would wait forever. Devices that
// take bytes at once (/dev/null) are still written.
TEST_F(SpecialFilesAndLimits, OutputsThatAreNotFilesAreRefusedAndABatchGoesOn) {
    fs::path song = copyExample();
    const std::string opts = "--settings " + settings + " ";
    const std::string limit = "exec timeout 20 ";  // a hang is exit 124
    const fs::path fifo = dir / "out.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    struct Case { std::string args; fs::path refused; };
    for (const Case& c : {Case{"convert -o " + fifo.string(), fifo}, Case{"kra -o " + fifo.string(), fifo},
                          Case{"render --at 6 -o " + fifo.string(), fifo}, Case{"convert", dir / "song.ass"},
                          Case{"convert --kra", dir / "song.kra"}, Case{"kra", dir / "song.kra"},
                          Case{"render --at 6", dir / "song.png"}}) {
        SCOPED_TRACE(c.args);
        for (const char* name : {"song.ass", "song.kra", "song.png"}) fs::remove(dir / name);
        if (c.refused != fifo) {
            ASSERT_EQ(mkfifo(c.refused.c_str(), 0644), 0);
        }
        EXPECT_EQ(kvelmor(c.args + " " + opts + song.string(), limit).code, 2);
        EXPECT_TRUE(inStderr(c.refused.string() + ": ")) << stderrText();
        EXPECT_TRUE(inStderr("not a regular file but a pipe (FIFO)")) << stderrText();
        EXPECT_TRUE(fs::is_fifo(c.refused));
    }
    for (const char* name : {"song.ass", "song.kra", "song.png"}) fs::remove(dir / name);
    EXPECT_EQ(kvelmor("convert -o /dev/null " + opts + song.string(), limit).code, 0) << stderrText();

    // A batch skips the song whose script is a pipe, says why, and converts the rest.
    fs::create_directories(dir / "songs");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) fs::copy_file(song, dir / "songs" / name);
    ASSERT_EQ(mkfifo((dir / "songs" / "b.ass").c_str(), 0644), 0);
    CliRun r = kvelmor("batch " + opts + (dir / "songs").string(), limit);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "converted 2 of 3 files\nskipped 1:\n  " + (dir / "songs" / "b.txt").string() +
                         ": cannot write the script: not a regular file but a pipe (FIFO)\n")
        << stderrText();
    EXPECT_TRUE(fs::exists(dir / "songs" / "c.ass"));
}

TEST_F(DestroyedFiles, LeftoverTemporaryFilesGoAndLongNamesStillConvert) {
    fs::path song = copyExample();
    const std::string script = (dir / "song.ass").string();
    // A process id above the kernel's largest never runs; this test's own does.
    const std::string gone = kvelmor::temporaryPathFor(script, 99999999);
    const std::string running = kvelmor::temporaryPathFor(script, getpid());
    write(gone, "half a script");
    write(running, "a script being written");
    EXPECT_EQ(kvelmor("convert --settings " + settings + " " + song.string()).code, 0) << stderrText();
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(running));

    const fs::path longName = dir / (std::string(251, 'x') + ".txt");  // 255 bytes, the longest a name may be
    fs::copy_file(song, longName);
    EXPECT_EQ(kvelmor("convert --settings " + settings + " " + longName.string()).code, 0) << stderrText();
    EXPECT_TRUE(fs::exists(dir / (std::string(251, 'x') + ".ass")));
}

TEST_F(SpecialFilesAndLimits, PipesDevicesAndHugeFilesAreRefusedAtOnce) {
    fs::path song = copyExample();
    ASSERT_EQ(mkfifo((dir / "fifo.txt").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", dir / "zero.txt");
    fs::create_symlink("/dev/zero", dir / "zero.ini");
    ASSERT_EQ(mkfifo((dir / "fifo.ini").c_str(), 0644), 0);
    for (const char* big : {"big.txt", "big.ini"}) {
        std::ofstream(dir / big) << "[00:01:00]a[00:02:00]\n";
        fs::resize_file(dir / big, 17u << 20);
    }
    // `timeout` ends a run that hangs (exit 124), so a hang fails the test.
    const std::string limit = "exec timeout 20 ";
    struct Case { std::string args; int code; std::string message; };
    for (const Case& c : {Case{(dir / "fifo.txt").string(), 2, "fifo.txt: cannot read the file: not a regular file"},
                          Case{(dir / "zero.txt").string(), 2, "zero.txt: cannot read the file: not a regular file"},
                          Case{(dir / "big.txt").string(), 2, "big.txt: cannot read the file: the file is larger than 16 MB"},
                          Case{"--settings " + (dir / "fifo.ini").string() + " " + song.string(), 1, "fifo.ini: cannot read the settings file: not a regular file"},
                          Case{"--settings " + (dir / "zero.ini").string() + " " + song.string(), 1, "zero.ini: cannot read the settings file: not a regular file"},
                          Case{"--settings " + (dir / "big.ini").string() + " " + song.string(), 1, "big.ini: cannot read the settings file: the file is larger than 16 MB"}}) {
        const std::string args = c.args.rfind("--settings", 0) == 0 ? c.args : "--settings " + settings + " " + c.args;
        EXPECT_EQ(kvelmor("convert " + args, limit).code, c.code) << c.args << stderrText();
        EXPECT_TRUE(inStderr(c.message)) << stderrText();
    }
    EXPECT_EQ(kvelmor("probe " + (dir / "fifo.txt").string(), limit).code, 2);
    EXPECT_TRUE(inStderr("not a regular file")) << stderrText();
}

TEST_F(SpecialFilesAndLimits, TemplatesThatWouldFillTheMachineAreRefusedBeforeExpanding) {
    fs::path song = longSong(299, 60);
    // 30 000 characters over each of 17 940 characters: some 540 MB of script.
    for (const char* tmpl : {"commandChar", "commandLine"}) {
        const std::string big(std::string(tmpl) == "commandChar" ? 30000 : 400, '[');
        const std::string pieces = std::string(tmpl) == "commandLine" ? std::string(20000, ';') : "";
        CliRun r = kvelmor("convert --settings " + settings + " --set wipe=6 --set '" + tmpl + "=" + big + pieces +
                           "' " + song.string());
        EXPECT_EQ(r.code, 2) << tmpl;
        EXPECT_TRUE(inStderr("the effect template " + std::string(tmpl) + " would make a script of about")) << stderrText();
        EXPECT_FALSE(fs::exists(dir / "long.ass")) << tmpl;
    }
}

TEST_F(SpecialFilesAndLimits, ATagFileThatWouldNotReadBackIsRefused) {
    // The automatic line break cuts each of 299 long lines in two.
    fs::path song = longSong(299, 80);
    CliRun r = kvelmor("kra --settings " + settings + " --set kaigyo=1 --set dispWidth=640 " + song.string());
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(inStderr("読み込める行数を超えています (more lines than can be read")) << stderrText();
    EXPECT_TRUE(inStderr("the automatic line break made ")) << stderrText();
    EXPECT_FALSE(fs::exists(dir / "long.kra"));
    EXPECT_EQ(kvelmor("convert --kra --settings " + settings + " --set kaigyo=1 " + song.string()).code, 2);
    EXPECT_FALSE(fs::exists(dir / "long.ass"));
    EXPECT_FALSE(fs::exists(dir / "long.kra"));
}

TEST_F(SpecialFilesAndLimits, MessagesSayWhereSettingsAreKeptAndGlossTheJapanese) {
    CliRun r = kvelmor("presets list", "cd " + dir.string() + " && exec env -u HOME -u XDG_CONFIG_HOME ");
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_TRUE(inStderr("neither XDG_CONFIG_HOME nor HOME is set, so the settings are kept in ")) << stderrText();
    EXPECT_EQ(kvelmor("presets delete default --settings " + settings).code, 2);
    EXPECT_TRUE(inStderr("defaultは削除出来ません (\"default\" cannot be deleted)")) << stderrText();
}

// A preset name that would not come back as a preset of its own is refused
// before anything is stored: it exits 2, says why and leaves the file as it was.
TEST_F(NoFalseSuccess, PresetNamesThatAreNotPresetsAreRefused) {
    const std::string opts = " --settings " + settings;
    ASSERT_EQ(kvelmor("presets save mine" + opts).code, 0) << stderrText();
    const auto before = files();
    struct Case { std::string name, message; };
    for (const Case& c : {Case{"info", "「info」の名称は使えません (the name \"info\" cannot be used)"},
                          Case{"tag", "「tag」の名称は使えません (the name \"tag\" cannot be used"},
                          Case{"'two\nlines'", "設定名称に改行・「[」・「]」は使えません (a preset name cannot hold"},
                          Case{"'cr\r'", "設定名称に改行"},
                          Case{"'[x]'", "設定名称に改行"},
                          Case{"'a]'", "設定名称に改行"},
                          Case{"'b['", "設定名称に改行"}}) {
        CliRun r = kvelmor("presets save " + c.name + opts);
        EXPECT_EQ(r.code, 2) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        const std::string said = stderrText();
        EXPECT_NE(said.find(c.message), std::string::npos) << c.name << ": " << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;  // one message, not one per key
        EXPECT_EQ(files(), before) << c.name;
    }
    EXPECT_EQ(kvelmor("presets list" + opts).out, "default\nmine\n");
}

TEST_F(Ranges, SetRefusesNumbersOutOfRangeAndTextTheKeysRefuse) {
    fs::path song = copyExample();
    struct Case { const char *set, *message; };
    for (const Case& c : {Case{"dispWidth=abc", "frame.width (dispWidth) takes digits: a whole number from 1 to 16384, not \"abc\""},
                          Case{"dispWidth=-640", "frame.width (dispWidth) takes digits"},
                          Case{"dispWidth=0", "frame.width (dispWidth) takes digits: a whole number from 1 to 16384"},
                          Case{"dispHeight=99999", "frame.height (dispHeight) takes digits: a whole number from 1 to 16384"},
                          Case{"mojiScaleY=1e308", "scale.y (mojiScaleY) takes digits and \".\": a number above 0"},
                          Case{"mojiScaleY=0", "scale.y (mojiScaleY) takes digits and \".\": a number above 0 and at most 100"},
                          Case{"preTime=-99999999999", "timing.leadIn (preTime) takes digits"},
                          Case{"upTime=99999999999", "timing.shift (upTime) takes digits and \"-\": a whole number from -8640000 to 8640000"},
                          Case{"ssaFontSize=5000", "lyricsFont.size (ssaFontSize) takes digits: a whole number from 1 to 1000"},
                          Case{"wipe=1e300", "wipe.style (wipe): takes an index from 0 to 7"},
                          Case{"LineNumber=-1e300", "rows.count (LineNumber): takes an index from 0 to 9"},
                          Case{"PrimaryAlpha=1e300", "alpha.afterWipe (PrimaryAlpha): takes a level from 0 to 10"},
                          Case{"PrimaryColor=1e300", "colour.afterWipe (PrimaryColor): takes a colour"},
                          // Texts a number field would read as 0.
                          Case{"ClipWipe=nan", "wipe.outlineClip (ClipWipe) takes a number: a number from -16384 to 16384, not \"nan\""},
                          Case{"ClipWipe=inf", "wipe.outlineClip (ClipWipe) takes a number: a number from -16384 to 16384, not \"inf\""},
                          Case{"ClipWipe=0x10", "wipe.outlineClip (ClipWipe) takes a number: a number from -16384 to 16384, not \"0x10\""},
                          Case{"ClipWipe=-", "wipe.outlineClip (ClipWipe) takes a number"},
                          Case{"spacer=1-2", "titles.spacing (spacer) takes digits and \"-\": a whole number from -16384 to 16384, not \"1-2\""},
                          Case{"mojiScaleY=1.2.3", "scale.y (mojiScaleY) takes digits and \".\": a number above 0"}}) {
        EXPECT_EQ(kvelmor("convert --settings " + settings + " --set " + c.set + " " + song.string()).code, 2) << c.set;
        EXPECT_TRUE(inStderr(c.message)) << c.set << ": " << stderrText();
        EXPECT_FALSE(fs::exists(dir / "song.ass")) << c.set;
    }
}

TEST_F(Ranges, StoredNumbersOutOfRangeAreReportedAndTakeTheirDefault) {
    fs::path song = copyExample();
    write(settings, "[default]\r\nwipeType=99\r\ntagfontSize=-36\r\nmojiScaleY=1e308\r\npreTime=-99999999999\r\n"
                    "SizeWidth=abc\r\nprimaryAlpha=1e300\r\n");
    CliRun r = kvelmor("convert --settings " + settings + " " + song.string());
    EXPECT_EQ(r.code, 1) << stderrText();
    for (const char* key : {"wipeType=99", "tagfontSize=-36", "mojiScaleY=1e308", "preTime=-99999999999",
                            "SizeWidth=abc", "primaryAlpha=1e300"})
        EXPECT_TRUE(inStderr(settings + ": [default] " + key + " is not used")) << key << ": " << stderrText();
    // Every refused value took its default: the script is the defaults' script.
    EXPECT_EQ(kvelmor("convert --settings " + (dir / "none.ini").string() + " -o " + (dir / "defaults.ass").string() +
                      " " + song.string())
                  .code,
              0);
    auto text = [&](const char* name) {
        std::string bytes;
        kvelmor::readFileBytes((dir / name).string(), bytes);
        return kvelmor::decodeText(bytes).utf8;
    };
    EXPECT_EQ(text("song.ass"), text("defaults.ass"));
}

// A song mostly in UTF-8 is read line by line: one line saved in CP932, or
// one Latin-1 byte before a tag, changes that line alone (read as CP932, or
// the byte left out), never takes the "[" of a tag, and is named in a report.
TEST_F(Encodings, ALineInAnotherEncodingChangesThatLineAlone) {
    fs::path song = copyExample();
    std::string example;
    kvelmor::readFileBytes(song.string(), example);
    auto lineStart = [&](int n) {  // byte offset of 1-based line n
        size_t at = 0;
        for (int i = 1; i < n; ++i) at = example.find('\n', at) + 1;
        return at;
    };
    const size_t start = lineStart(11), end = lineStart(12);
    const std::string exampleWithCp932Line =
        example.substr(0, start) + *kvelmor::encodeCp932(example.substr(start, end - start)) + example.substr(end);
    const std::string shortSong = "@title=桜\r\n[00:01:00]桜の[00:02:00]道[00:03:00]\r\n";
    const std::string cp932Line = "[00:04:00]春の風が[00:05:00]吹く[00:06:00]ラーメン[00:07:00]\r\n";
    struct Case { std::string damaged, clean, report; };
    for (const Case& c : {Case{exampleWithCp932Line, example, "song.txt:11: read as CP932"},
                          Case{shortSong + *kvelmor::encodeCp932(cp932Line), shortSong + cp932Line,
                               "song.txt:3: read as CP932"},
                          Case{"@title=cafe\n[00:01:00]caf\xE9[00:02:00]au lait[00:03:00]\n",
                               "@title=cafe\n[00:01:00]caf[00:02:00]au lait[00:03:00]\n",
                               "song.txt:2: bytes that are not valid UTF-8 were left out"}}) {
        SCOPED_TRACE(c.report);
        auto script = [&](const std::string& bytes, int code) {
            write(song, bytes);
            fs::remove(dir / "song.ass");
            EXPECT_EQ(kvelmor("convert --settings " + settings + " " + song.string()).code, code) << stderrText();
            std::string out;
            kvelmor::readFileBytes((dir / "song.ass").string(), out);
            return kvelmor::decodeText(out).utf8;
        };
        const std::string expected = script(c.clean, 0);
        const std::string got = script(c.damaged, 1);
        const std::string said = stderrText();
        EXPECT_NE(said.find(c.report), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;  // no other line is blamed
        EXPECT_EQ(got, expected);
        EXPECT_NE(got.find("Dialogue: "), std::string::npos);
    }
}

TEST_F(Encodings, AFewBadBytesKeepUtf8AndUtf16IsFoundWithoutItsMark) {
    fs::path song = copyExample();
    std::string utf8;
    kvelmor::readFileBytes(song.string(), utf8);
    auto scriptTitle = [&] {
        std::string bytes;
        kvelmor::readFileBytes((dir / "song.ass").string(), bytes);
        return kvelmor::decodeText(bytes).utf8.find("Title: 桜の道") != std::string::npos;
    };
    std::string damaged = utf8;
    damaged.insert(damaged.find("\n", damaged.find("\n") + 1) + 1, "\xFF");  // line 3 starts with a bad byte
    write(song, damaged);
    EXPECT_EQ(kvelmor("convert --settings " + settings + " " + song.string()).code, 1);
    EXPECT_TRUE(inStderr("song.txt:3: bytes that are not valid UTF-8 were left out")) << stderrText();
    EXPECT_TRUE(scriptTitle());

    std::string le = kvelmor::encodeUtf16le(utf8, false), be = le;
    for (size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
    for (const auto& [bytes, name] : {std::pair{le, "UTF-16LE"}, std::pair{be, "UTF-16BE"}}) {
        write(song, bytes);
        fs::remove(dir / "song.ass");
        EXPECT_EQ(kvelmor("convert --settings " + settings + " " + song.string()).code, 0) << name << stderrText();
        EXPECT_TRUE(inStderr(std::string("read as ") + name + ": the file has no byte-order mark")) << stderrText();
        EXPECT_TRUE(scriptTitle()) << name;
    }
}

// "kvelmor CMD --help" is the help of that command, on stdout; "--help" as
// the value of an option or after "--" is no request for help.
TEST_F(CliTest, EveryCommandPrintsItsOwnHelp) {
    struct Case {
        std::string args;
        std::string entry;  // the line of the command in the help
    };
    const Case cases[] = {
        {"convert --help", "  convert FILE...  "},   {"check -h", "  check FILE  "},
        {"kra --help", "  kra FILE  "},              {"batch --help", "  batch FOLDER  "},
        {"probe --help", "  probe MEDIA  "},         {"render --help", "  render FILE --at TIME...  "},
        {"readings --help", "  readings FILE  "},    {"burn --help", "  burn FILE --media MEDIA  "},
        {"fields --help", "  fields [PATTERN]  "},   {"version --help", "  version  "},
        {"presets save NAME --set dispWidth=1 --help", "  presets save NAME  "},
        {"convert --preset mine song.txt -h", "  convert FILE...  "},
    };
    const std::string allEntries[] = {"  convert FILE", "  check FILE", "  kra FILE", "  batch FOLDER",
                                      "  probe MEDIA", "  render FILE", "  readings FILE", "  burn FILE",
                                      "  presets list", "  fields [PATTERN]", "  version  "};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        CliRun r = kvelmor(c.args);
        EXPECT_EQ(r.code, 0) << stderrText();
        const std::string command = c.args.substr(0, c.args.find(' '));
        EXPECT_EQ(r.out.rfind("Usage: kvelmor " + command + " [OPTIONS]\n", 0), 0u) << r.out;
        EXPECT_NE(r.out.find(c.entry), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\n  --settings FILE "), std::string::npos) << "the options follow";
        for (const std::string& other : allEntries) {
            if (other.rfind("  " + command, 0) == 0) continue;
            EXPECT_EQ(r.out.find(other), std::string::npos) << other;
        }
        EXPECT_EQ(stderrText(), "");
    }
    // Every form of presets is its help.
    const CliRun presets = kvelmor("presets --help");
    for (const char* form : {"presets list", "presets show NAME", "presets save NAME", "presets delete NAME"})
        EXPECT_NE(presets.out.find(form), std::string::npos) << form;

    // A preset called "--help", a file called "--help", a command that is none.
    for (const char* args : {"convert --preset --help song.txt", "convert -- --help", "frobnicate --help"}) {
        SCOPED_TRACE(args);
        const CliRun r = kvelmor(std::string(args) + " --settings " + settings);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out.find("Usage:"), std::string::npos) << r.out;
    }
}

// A save waits for another process's save, says so naming the file, and
// gives up after a bounded wait, leaving the file as it was.
TEST_F(CliTest, PresetsSaveWaitsForTheSettingsLockABoundedTime) {
    ASSERT_EQ(kvelmor("presets save mine --settings " + settings).code, 0) << stderrText();
    std::string before;
    kvelmor::readFileBytes(settings, before);
    const std::string lockFile = settings + ".lock";
    const std::string waiting = settings + ": waiting for another process to finish saving it (it holds " + lockFile + ")";
    // flock(1) holds the lock for `seconds` while kvelmor waits at most `wait` seconds.
    auto saveWhileLocked = [&](const char* seconds, const char* wait) {
        return kvelmor("presets save other --settings " + settings,
                       "flock " + lockFile + " sleep " + seconds + " & sleep 0.2; KVELMOR_SETTINGS_LOCK_WAIT=" + wait +
                           " exec timeout 20 ");
    };
    CliRun r = saveWhileLocked("5", "0.5");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(stderrText().find(waiting), std::string::npos) << stderrText();
    EXPECT_NE(stderrText().find(settings + ": the settings were not saved: another process held its lock " + lockFile +
                                " for all of 0.5 s; the file was left as it was"),
              std::string::npos)
        << stderrText();
    std::string after;
    kvelmor::readFileBytes(settings, after);
    EXPECT_EQ(after, before);

    r = saveWhileLocked("1", "10");
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_NE(stderrText().find(waiting), std::string::npos) << stderrText();
    EXPECT_EQ(kvelmor("presets list --settings " + settings).out, "default\nmine\nother\n");
}

// An unrelated save keeps the bytes of a CP932 settings file that did not
// decode, and every character around them.
TEST_F(CliTest, PresetsSaveKeepsWhatItCouldNotDecodeInTheSettingsFile) {
    const std::string line = "fontName=IPA\x82\xA0\x82";  // あ, then a lead byte cut off
    ASSERT_TRUE(kvelmor::writeFileAtomically(settings, "[default]\r\n" + line + "\r\n").ok);
    const CliRun shown = kvelmor("presets show default --settings " + settings);
    EXPECT_EQ(shown.out.rfind("fontName=IPAあ\xEF\xBF\xBD\n", 0), 0u) << shown.out;
    EXPECT_EQ(kvelmor("presets save other --settings " + settings).code, 0) << stderrText();
    std::string bytes;
    kvelmor::readFileBytes(settings, bytes);
    EXPECT_EQ(bytes.rfind("[default]\r\n" + line + "\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("\r\n[other]\r\n" + line + "\r\n"), std::string::npos) << bytes;
    // The fonts that follow the lyrics font took the value, and its bytes with it.
    EXPECT_NE(bytes.find("\r\ntitlefontName=IPA\x82\xA0\x82\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\xEF\xBF\xBD"), std::string::npos) << "no U+FFFD written";
}
