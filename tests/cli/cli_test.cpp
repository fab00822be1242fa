// The command line as users call it: exit codes, what it writes and where.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

TEST_F(CliTest, CheckPrintsReportsAndSetsTheExitCode) {
    fs::path song = copyExample();
    CliRun clean = kvelmor("check --settings " + settings + " " + song.string());
    EXPECT_EQ(clean.code, 0) << clean.out << stderrText();
    EXPECT_EQ(clean.out, "no reports\n");
    CliRun narrow = kvelmor("check --settings " + settings + " --set dispWidth=300 " + song.string());
    EXPECT_EQ(narrow.code, 1);
    EXPECT_FALSE(narrow.out.empty());
    EXPECT_EQ(kvelmor("check --settings " + settings + " " + (dir / "nope.txt").string()).code, 2);
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

TEST_F(CliTest, FieldsExplainsEveryFieldAndSetTakesTheirKeys) {
    CliRun all = kvelmor("fields");
    EXPECT_EQ(all.code, 0);
    size_t listed = 0;  // a field's block starts with its name at the start of a line
    for (size_t at = 0; at < all.out.size(); at = all.out.find('\n', at) + 1)
        if (all.out[at] != ' ' && all.out[at] != '\n') ++listed;
    EXPECT_EQ(listed, kvelmor::settings::settingTable().size() + kvelmor::settings::creditFieldTable().size());

    CliRun wipe = kvelmor("fields wipe");  // a field's own name shows that field alone
    EXPECT_EQ(wipe.code, 0);
    EXPECT_EQ(wipe.out.rfind("wipe  \"ワイプ設定\"\n", 0), 0u) << wipe.out;
    for (const char* part : {"INI key: wipeType", "\n      0 \"カラオケ\"", "\n      7 \"空白区切毎\""})
        EXPECT_NE(wipe.out.find(part), std::string::npos) << part;
    EXPECT_EQ(std::count(wipe.out.begin(), wipe.out.end(), '\n'), 12) << wipe.out;  // 4 lines and 8 indexes
    EXPECT_NE(kvelmor("fields 'form7.credit*'").out.find("Form7.CreditTag"), std::string::npos);
    EXPECT_NE(kvelmor("fields tagfontsize").out.find("ssaFontSize"), std::string::npos);  // by its key
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
                            song.string());
    EXPECT_EQ(credit.code, 0) << stderrText();
    std::string bytes;
    ASSERT_TRUE(kvelmor::readFileBytes((dir / "song.ass").string(), bytes).ok);
    EXPECT_NE(kvelmor::decodeText(bytes).utf8.find("Made by me"), std::string::npos);
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
              "dispWidth=720\ndispHeight=480\nmojiScaleX=1.1851851851851851\n"
              "Form7.titleEndH=0\nForm7.titleEndM=00\nForm7.titleEndS=02\n");
    EXPECT_FALSE(fs::exists(settings));  // only --save writes it

    // MediaTimeCheck from --set counts for the probe; a --set of a field the probe writes wins.
    r = kvelmor("probe " + media + " --settings " + settings + " --set MediaTimeCheck=1 --set dispWidth=1000");
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_NE(r.out.find("\ndispWidth=1000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\ntitleEndS=02\ntitleStartH=0\ntitleStartM=00\ntitleStartS=00\n"), std::string::npos)
        << r.out;

    std::string wav = kvelmor::test::makeMedia(dir / "tone.wav", "-f lavfi -i sine=duration=3");
    ASSERT_FALSE(wav.empty());
    r = kvelmor("probe " + wav + " --settings " + settings);
    EXPECT_EQ(r.code, 0) << stderrText();
    EXPECT_EQ(r.out,
              "duration: 0:00:03.00\nframe size: none (no video; the frame size is left as it is)\n"
              "mojiScaleX=1\nForm7.titleEndH=0\nForm7.titleEndM=00\nForm7.titleEndS=03\n");
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
    EXPECT_EQ(kvelmor("kra " + opts + (dir / "empty.txt").string()).code, 2);
    EXPECT_TRUE(inStderr("nothing was written to " + (dir / "empty.kra").string())) << stderrText();
    EXPECT_EQ(kvelmor("convert " + opts + (dir / "binary.txt").string()).code, 2);
    const std::string said = stderrText();
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 16) << said;  // not a report for every line
    EXPECT_EQ(files(), before);

    write(dir / "nul.txt", std::string_view("[00:01:00]a\0b[00:02:00]\n", 24));
    EXPECT_EQ(kvelmor("convert " + opts + (dir / "nul.txt").string()).code, 1);
    EXPECT_TRUE(inStderr((dir / "nul.txt").string() + ":1: binary data (NUL bytes) was left out")) << stderrText();
    EXPECT_TRUE(fs::exists(dir / "nul.ass"));
}
