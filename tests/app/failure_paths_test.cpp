// SPDX-License-Identifier: GPL-3.0-or-later
// What goes wrong on a user's disk, and what the program does about it: every
// failure is reported naming the file, every file already there stays as it
// was, and the session goes on.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/session.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/fixed_measurer.h"

using namespace kvelmor;
using namespace kvelmor::app;
using namespace std::string_view_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSong =
    "@title=夜空\n"
    "[00:01:00]夜[00:01:50]空[00:02:00]([00:02:00]よぞら[00:02:80])[00:02:80]の[00:03:00]星[00:03:40]\n"
    "[00:04:00]ひ[00:04:30]か[00:04:60]り[00:05:00]\n";

std::string bytesOf(const fs::path& p) {
    std::string bytes;
    readFileBytes(p.string(), bytes);
    return bytes;
}

void writeBytes(const fs::path& p, std::string_view bytes) { ASSERT_TRUE(writeFileAtomically(p.string(), bytes).ok); }

// Every regular file under `dir` with its bytes: equal snapshots mean no file
// changed, none was added (a temporary file left behind) and none went away.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = bytesOf(e.path());
    return files;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Files stop growing at `bytes` while this lives, as they do on a disk that
// fills up; the signal a process gets for it is ignored so write() fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_handler = signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_handler;
};

struct FailurePaths : ::testing::Test {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    Session session{reporter, measurer};
    fs::path dir;
    fs::path lyrics;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_failure_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        lyrics = dir / "song.txt";
        writeBytes(lyrics, kSong);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // The reports so far, each "file:line: text", for failure messages.
    std::string reportList() const {
        std::string s;
        for (const Report& r : reporter.reports) s += formatReport(r) + "\n";
        return s;
    }
};

}  // namespace

// A path under a regular file fails for root too (ENOTDIR), and so does /proc,
// which takes no new files; permission bits alone would not stop root.
TEST_F(FailurePaths, AFolderThatCannotTakeTheFileIsReportedAndNothingIsLeftBehind) {
    ASSERT_TRUE(session.loadLyrics(lyrics.string()));
    const auto before = snapshot(dir);
    struct Case {
        std::string path;
        const char* why;
    };
    const Case cases[] = {
        {(dir / "missing" / "song.ass").string(), "the folder does not exist"},
        {(dir / "song.txt" / "song.ass").string(), "the folder is a regular file"},
        {"/proc/kvelmor_failure_test.ass", "/proc takes no new files"},
    };
    for (const Case& c : cases) {
        reporter.reports.clear();
        EXPECT_FALSE(session.writeScript(c.path)) << c.why;
        EXPECT_FALSE(session.writeKra(c.path + ".kra")) << c.why;
        ASSERT_EQ(reporter.reports.size(), 2u) << c.why << "\n" << reportList();
        EXPECT_EQ(reporter.reports[0].file, c.path) << c.why;
        EXPECT_EQ(reporter.reports[1].file, c.path + ".kra") << c.why;
        for (const Report& r : reporter.reports) {
            EXPECT_EQ(r.severity, Severity::Error) << c.why;
            EXPECT_TRUE(contains(r.text, "cannot write")) << r.text;
        }
        EXPECT_EQ(snapshot(dir), before) << c.why;
    }
    EXPECT_FALSE(fs::exists("/proc/kvelmor_failure_test.ass"));
}

TEST_F(FailurePaths, ADiskThatFillsUpIsReportedAndKeepsTheOldFiles) {
    ASSERT_TRUE(session.loadLyrics(lyrics.string()));

    // /dev/full is always full; being a device it is written in place.
    EXPECT_FALSE(session.writeScript("/dev/full"));
    EXPECT_FALSE(session.writeKra("/dev/full"));
    ASSERT_EQ(reporter.reports.size(), 2u) << reportList();
    for (const Report& r : reporter.reports) {
        EXPECT_EQ(r.file, "/dev/full");
        EXPECT_TRUE(contains(r.text, std::strerror(ENOSPC))) << r.text;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    // A regular file that stops growing part way: the temporary file is
    // removed and the script and tag file already there stay whole.
    writeBytes(dir / "song.ass", "the script written yesterday");
    writeBytes(dir / "song.kra", "the tag file written yesterday");
    const auto before = snapshot(dir);
    reporter.reports.clear();
    bool scriptWritten = true;
    bool kraWritten = true;
    {
        FileSizeLimit full(64);
        scriptWritten = session.writeScript();
        kraWritten = session.writeKra();
    }
    EXPECT_FALSE(scriptWritten);
    EXPECT_FALSE(kraWritten);
    EXPECT_EQ(snapshot(dir), before);
    ASSERT_EQ(reporter.reports.size(), 2u) << reportList();
    EXPECT_EQ(reporter.reports[0].file, (dir / "song.ass").string());
    EXPECT_EQ(reporter.reports[1].file, (dir / "song.kra").string());
    EXPECT_TRUE(contains(reporter.reports[0].text, std::strerror(EFBIG))) << reporter.reports[0].text;

    // With room again, both are written.
    EXPECT_TRUE(session.writeScript());
    EXPECT_TRUE(session.writeKra());
}

TEST_F(FailurePaths, ASettingsFileThatIsAFolderIsReportedAndLeftAlone) {
    const fs::path settings = dir / "Kvelmor.ini";
    fs::create_directories(settings / "inside");
    session.startUp(settings.string());
    ASSERT_EQ(reporter.reports.size(), 1u) << reportList();
    EXPECT_EQ(reporter.reports[0].file, settings.string());
    EXPECT_EQ(reporter.reports[0].severity, Severity::Error);
    EXPECT_EQ(session.settings.text("dispWidth"), settings::ConversionSettings().text("dispWidth"));

    // The session goes on with the defaults.
    EXPECT_TRUE(session.loadLyrics(lyrics.string()));
    EXPECT_TRUE(session.writeScript());
    reporter.reports.clear();
    EXPECT_FALSE(session.shutDown());
    ASSERT_EQ(reporter.reports.size(), 1u) << reportList();
    EXPECT_EQ(reporter.reports[0].file, settings.string());
    EXPECT_TRUE(fs::is_directory(settings / "inside"));
    // song.txt, song.ass and the folder: no temporary file
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

// Saving replaces the file by a rename, which the folder allows whatever the
// file's own permissions; a file marked read-only is still refused. Root
// writes any file, as with every other program (chattr +i is what stops root,
// and containers do not offer it).
TEST_F(FailurePaths, AReadOnlySettingsFileIsNotReplaced) {
    const fs::path settings = dir / "Kvelmor.ini";
    session.startUp(settings.string());
    ASSERT_TRUE(session.shutDown());
    constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(settings, kReadOnly);
    fs::permissions(dir, fs::perms::all);  // anyone may add, rename and remove files here
    const std::string before = bytesOf(settings);

    EXPECT_EXIT(
        {
            if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(9);
            CollectingReporter r;
            measure::FixedMeasurer m;
            Session other(r, m);
            other.startUp(settings.string());
            other.setField("dispWidth", "1280");
            const bool saved = other.shutDown();
            for (const Report& x : r.reports) std::fprintf(stderr, "%s\n", formatReport(x).c_str());
            std::_Exit(saved ? 0 : 3);
        },
        ::testing::ExitedWithCode(3), "Kvelmor.ini: cannot save the settings file: Permission denied");
    EXPECT_EQ(bytesOf(settings), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);  // song.txt, Kvelmor.ini, its lock file

    if (::getuid() == 0) {
        session.setField("dispWidth", "1280");
        EXPECT_TRUE(session.shutDown());
        EXPECT_NE(bytesOf(settings), before);
        EXPECT_EQ(fs::status(settings).permissions(), kReadOnly);  // and stays read-only
    }
}

TEST_F(FailurePaths, ASettingsFileCutOffInsideALineIsReportedAndReadAsFarAsItGoes) {
    const fs::path settings = dir / "Kvelmor.ini";
    session.startUp(settings.string());
    session.setField("dispWidth", "1280");
    session.setField("Command2", "ＭＳ ゴシック");
    ASSERT_TRUE(session.shutDown());
    const std::string whole = bytesOf(settings);
    ASSERT_EQ(whole.find("\xEF\xBB\xBF"), std::string::npos);  // CP932, so "Ｍ" is two bytes

    struct Case {
        std::string cutAfter;
        size_t extra;              // bytes kept after `cutAfter`
        const char* dispWidth;     // as read
        std::vector<Severity> reports;
        const char* why;
    };
    const Case cases[] = {
        {"SizeWidth=12", 0, "12", {Severity::Warning}, "inside a value: read as it stands"},
        {"\r\n[inf", 0, "1280", {Severity::Warning}, "inside a section header"},
        {"fontName=", 1, "640", {Severity::Warning, Severity::Warning}, "inside a two-byte character"},
    };
    for (const Case& c : cases) {
        const size_t at = whole.find(c.cutAfter);
        ASSERT_NE(at, std::string::npos) << c.why;
        const std::string cut = whole.substr(0, at + c.cutAfter.size() + c.extra);
        writeBytes(settings, cut);
        const int lines = static_cast<int>(splitLines(decodeText(cut).utf8).size());

        CollectingReporter r;
        Session next(r, measurer);
        next.startUp(settings.string());
        std::vector<Severity> severities;
        for (const Report& x : r.reports) {
            severities.push_back(x.severity);
            EXPECT_EQ(x.file, settings.string()) << c.why;
            EXPECT_EQ(x.line, lines) << c.why << ": " << x.text;
        }
        EXPECT_EQ(severities, c.reports) << c.why;
        EXPECT_EQ(next.settings.text("dispWidth"), c.dispWidth) << c.why;
        EXPECT_EQ(bytesOf(settings), cut) << c.why;  // reading never writes
    }
}

TEST_F(FailurePaths, LyricsFilesThatHoldNoLyricsReplaceNoScriptOrTagFile) {
    std::string binary(256 * 1024, '\0');
    uint32_t x = 12345;
    for (char& b : binary) {
        x = x * 1103515245u + 12345u;
        b = static_cast<char>(x >> 23);
    }
    const std::string oneLine = "[00:01:00]" + std::string(15 * 1024 * 1024, 'a') + "[00:02:00]\n";
    struct Case {
        std::string name;
        std::string bytes;
        std::string firstReport;  // part of it
        const char* why;
    };
    const Case cases[] = {
        {"empty", "", "no timed lines", "an empty file"},
        {"binary", binary, "bytes that are not valid", "random bytes, NUL bytes among them"},
        {"one_line", oneLine, "more than 300 slots", "15 MB in one line"},
        {"headers", "@title=only a title\n\n", "no timed lines", "song information without lyrics"},
    };
    for (const Case& c : cases) {
        const fs::path path = dir / (c.name + ".txt");
        writeBytes(path, c.bytes);
        writeBytes(dir / (c.name + ".ass"), "the script of the song before");
        writeBytes(dir / (c.name + ".kra"), "the tag file of the song before");
        const auto before = snapshot(dir);
        reporter.reports.clear();

        ASSERT_TRUE(session.loadLyrics(path.string())) << c.why;  // read, as a song without lines
        EXPECT_EQ(session.song.lineCount(), 0) << c.why;
        EXPECT_FALSE(session.writeScript()) << c.why;
        EXPECT_FALSE(session.writeKra()) << c.why;
        EXPECT_EQ(snapshot(dir), before) << c.why;

        ASSERT_GE(reporter.reports.size(), 3u) << c.why;
        EXPECT_LE(reporter.reports.size(), 16u) << c.why << ": a kind of problem is reported ten times at most\n"
                                                << reportList();
        EXPECT_TRUE(contains(reporter.reports.front().text, c.firstReport)) << c.why << "\n" << reportList();
        for (const Report& r : reporter.reports) EXPECT_EQ(r.file, path.string()) << c.why << ": " << r.text;
        const size_t n = reporter.reports.size();
        EXPECT_TRUE(contains(reporter.reports[n - 3].text, "no timed lines")) << c.why << "\n" << reportList();
        EXPECT_TRUE(contains(reporter.reports[n - 2].text, "nothing was written")) << reporter.reports[n - 2].text;
        EXPECT_TRUE(contains(reporter.reports[n - 1].text, "nothing was written")) << reporter.reports[n - 1].text;
    }
}

TEST_F(FailurePaths, ANulByteInALyricsLineIsLeftOutAndReported) {
    const fs::path path = dir / "nul.txt";
    writeBytes(path, "[00:01:00]a\0b[00:02:00]\n[00:03:00]c\0\0[00:04:00]\n"sv);
    ASSERT_TRUE(session.loadLyrics(path.string()));
    ASSERT_EQ(reporter.reports.size(), 1u) << reportList();
    EXPECT_EQ(reporter.reports[0].file, path.string());
    EXPECT_EQ(reporter.reports[0].line, 1);
    EXPECT_TRUE(contains(reporter.reports[0].text, "NUL")) << reporter.reports[0].text;
    ASSERT_EQ(session.song.lineCount(), 2);
    EXPECT_EQ(session.song.workLines[1].plainText, "ab");
    EXPECT_EQ(session.song.workLines[2].plainText, "c");

    ASSERT_TRUE(session.writeScript());
    ASSERT_TRUE(session.writeKra());
    EXPECT_FALSE(contains(decodeText(bytesOf(dir / "nul.ass")).utf8, "\0"sv));
    EXPECT_FALSE(contains(bytesOf(dir / "nul.kra"), "\0"sv));
}
