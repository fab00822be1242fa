// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "common/file_io.h"

namespace kvelmor::settings {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

NullReporter g_silent;

IniFile loaded(std::string_view text, Reporter& reporter = g_silent) {
    IniFile ini(reporter);
    ini.setPath("settings.ini");
    ini.loadFromText(text);
    return ini;
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("kvelmor_ini_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string pathOf(const std::string& name) const { return (m_dir / name).string(); }
    static std::string bytesOf(const std::string& path) {
        std::string bytes;
        readFileBytes(path, bytes);
        return bytes;
    }

    fs::path m_dir;
    CollectingReporter m_reports;
};

TEST(IniStore, ReadsHeadersKeysAndComments) {
    IniFile ini = loaded("k0=before any header\r\n[a]\r\n"
                         "x=1=2\r\n"       // the value is everything after the first "="
                         "=empty key\r\n"  // the key may be empty
                         " y = 3 \r\n"     // nothing is trimmed
                         ";z=4\r\n"        // a comment even though it holds "="
                         " [b]\r\n"        // no header after a blank, and without "=" a comment
                         "[a=b]\r\n"       // a header even though it holds "="
                         "[A]\r\nw=5\r\n");  // letter case makes another section
    EXPECT_EQ(ini.sectionNames(), (Lines{"a", "a=b", "A"}));
    EXPECT_EQ(ini.keysOf("a"), (Lines{"x", "", " y "}));
    EXPECT_EQ(ini.value("a", "x", "-"), "1=2");
    EXPECT_EQ(ini.value("a", " y ", "-"), " 3 ");
    EXPECT_EQ(ini.value("a", "w", "-"), "-");
    EXPECT_EQ(ini.keyCount(-1, ""), 4);  // k0 belongs to no section
}

TEST(IniStore, DuplicateSectionsAndKeys) {
    IniFile ini = loaded("[p]\r\nk=1\r\nk=2\r\n[q]\r\n[p]\r\nonly=second\r\n");
    EXPECT_EQ(ini.value("p", "k", "-"), "1");          // the first line wins
    EXPECT_EQ(ini.value("p", "only", "-"), "second");  // later sections are searched
    EXPECT_EQ(ini.keyName("p", 2), "");                    // GetKey looks at the first only
    EXPECT_EQ(ini.findValue("q", "k"), std::nullopt);
    EXPECT_EQ(ini.keyCount(3, "p"), 0);   // index past the end
    EXPECT_EQ(ini.keyCount(-1, "p"), 2);  // the first section of the name
    EXPECT_EQ(ini.keyCount(-1, ""), 3);   // all sections
}

TEST(IniStore, SaveRebuildsAroundHeaderPositions) {
    struct Case { const char* why; std::string in, out; };
    for (const Case& c : {
             Case{"only comments: one empty line", "; c\r\n\r\nplain\r\n", "\r\n"},
             Case{"keys before the first header vanish", "k=1\r\n;c\r\n[a]\r\n", ";c\r\n[a]\r\n"},
             Case{"comments move after the keys", "[a]\r\nx=1\r\n;c\r\ny=2\r\n[b]\r\n",
                  "[a]\r\nx=1\r\ny=2\r\n;c\r\n\r\n[b]\r\n"},
             Case{"nothing after the last header position", "[a]\r\nx=1\r\n;c\r\n", "[a]\r\nx=1\r\n"},
             Case{"an empty line before later sections, never two", "[a]\r\n[b]\r\n\r\n[c]\r\n",
                  "[a]\r\n\r\n[b]\r\n\r\n[c]\r\n"},
             Case{"bare LF and CR end lines too", "[a]\nx=1\r[b]", "[a]\r\nx=1\r\n\r\n[b]\r\n"},
         }) {
        EXPECT_EQ(loaded(c.in).toText(), c.out) << c.why;
        EXPECT_EQ(loaded(c.out).toText(), c.out) << c.why << " (stable)";
    }
}

TEST(IniStore, DeletedSectionsMoveLaterOnesUp) {
    IniFile three = loaded("[one]\r\n;1\r\n[two]\r\n;2\r\n[three]\r\nc=3\r\n;3\r\n");
    EXPECT_TRUE(three.remove("two", ""));
    EXPECT_EQ(three.toText(), "[one]\r\n;1\r\n\r\n[three]\r\nc=3\r\n");
    EXPECT_FALSE(three.remove("two", ""));
    // Comments keep their place among the header positions, not their section.
    IniFile four = loaded("[1]\r\n;a\r\n[2]\r\n;b\r\n[3]\r\n;c\r\n[4]\r\n;d\r\n");
    EXPECT_TRUE(four.remove("2", ""));
    EXPECT_EQ(four.toText(), "[1]\r\n;a\r\n\r\n[3]\r\n;b\r\n\r\n[4]\r\n");
}

TEST(IniStore, DeleteKeyFromEverySectionOfTheName) {
    IniFile ini = loaded("[p]\r\n[p]\r\nk=1\r\nj=0\r\nk=2\r\n[P]\r\nk=3\r\n");
    EXPECT_TRUE(ini.remove("p", "k"));  // the empty first [p] does not end the search
    EXPECT_EQ(ini.value("p", "k", "-"), "-");
    EXPECT_EQ(ini.value("P", "k", "-"), "3");
    EXPECT_FALSE(ini.remove("p", "k"));
}

TEST(IniStore, SetValue) {
    IniFile ini = loaded("[a]\r\nx=1\r\nx=2\r\n[empty]\r\n;c\r\n");
    EXPECT_TRUE(ini.setValue("a", "x", "9"));
    EXPECT_TRUE(ini.setValue("a", "y", "new"));
    EXPECT_TRUE(ini.setValue("empty", "k", "v"));  // an empty section gets a twin at the end
    EXPECT_EQ(ini.toText(), "[a]\r\nx=9\r\nx=2\r\ny=new\r\n\r\n[empty]\r\n;c\r\n\r\n[empty]\r\nk=v\r\n");
    EXPECT_FALSE(IniFile().setValue("a", "x", "1"));  // no path yet
}

TEST(IniStore, SetValueRefusesLinesThatWouldNotReadBack) {
    CollectingReporter reports;
    IniFile ini = loaded("[a]\r\nk=1\r\n", reports);
    struct Case { const char *section, *key, *value; };
    for (const Case& c : {Case{"a", "k", "1\r\n[b]"}, Case{"a\nb", "k", "1"}, Case{"a", "k=x", "1"},
                          Case{"a", ";k", "1"}, Case{"a", "[k", "1]"}, Case{"a", "k", "\xFF"}})
        EXPECT_FALSE(ini.setValue(c.section, c.key, c.value)) << c.section << "|" << c.key << "|" << c.value;
    EXPECT_EQ(reports.reports.size(), 6u);
    EXPECT_EQ(ini.toText(), "[a]\r\nk=1\r\n");
}

TEST_F(IniFileTest, NewStoreWritesExactLines) {
    IniFile ini(m_reports);
    ini.setPath(pathOf("sub/dir/Kvelmor.ini"));  // the folder is created
    EXPECT_FALSE(ini.read());
    ini.setValue("info", "unicode", "1");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(bytesOf(ini.path()), "[info]\r\nunicode=1\r\n");
    ini.setValue("tag", "t", "2");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(bytesOf(ini.path()), "[info]\r\nunicode=1\r\n\r\n[tag]\r\nt=2\r\n");
    EXPECT_TRUE(m_reports.reports.empty());
}

TEST_F(IniFileTest, SavedTwiceIsByteIdentical) {
    const std::string path = pathOf("a.ini");
    writeFileAtomically(path, "; top\n[default]\nfont=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e\n;c\n[info]\n");
    IniFile ini;
    ini.setPath(path);
    ASSERT_TRUE(ini.read());
    EXPECT_EQ(ini.value("default", "font", ""), "ＭＳ ゴシック");
    ini.setValue("新規", "名前", "値");
    ASSERT_TRUE(ini.save());
    const std::string first = bytesOf(path);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(bytesOf(path), first);
    IniFile again;
    again.setPath(path);
    ASSERT_TRUE(again.read());
    ASSERT_TRUE(again.save());
    EXPECT_EQ(bytesOf(path), first);
}

TEST_F(IniFileTest, WritesCp932OnlyWhenTheTextComesBackUnchanged) {
    struct Case { const char *value, *start, *why; };
    for (const Case& c : {Case{"設定", "[s]\r\nk=\x90\xDD\x92\xE8", "fits CP932"},
                          Case{"café", "\xEF\xBB\xBF[s]", "no CP932 form"},
                          Case{"ﾃｽ", "\xEF\xBB\xBF[s]", "its CP932 bytes C3 BD would read as UTF-8"},
                          Case{"〜", "\xEF\xBB\xBF[s]", "CP932 would make the wave dash a full-width tilde"}}) {
        IniFile ini;
        ini.setPath(pathOf("e.ini"));
        ini.setValue("s", "k", c.value);
        ASSERT_TRUE(ini.save()) << c.why;
        EXPECT_EQ(bytesOf(ini.path()).rfind(c.start, 0), 0u) << c.why;
        IniFile back;
        back.setPath(ini.path());
        ASSERT_TRUE(back.read());
        EXPECT_EQ(back.value("s", "k", ""), c.value) << c.why;
    }
}

TEST_F(IniFileTest, MissingEmptyOrDirectoryKeepsTheStore) {
    IniFile ini = loaded("[a]\r\nk=1\r\n", m_reports);
    writeFileAtomically(pathOf("empty.ini"), "");
    fs::create_directory(pathOf("dir.ini"));
    for (const char* name : {"missing.ini", "empty.ini", "dir.ini"}) {
        ini.setPath(pathOf(name));
        EXPECT_FALSE(ini.read()) << name;
        EXPECT_EQ(ini.value("a", "k", "-"), "1") << name;
    }
    ASSERT_EQ(m_reports.reports.size(), 1u);  // a missing or empty file is a first start
    EXPECT_EQ(m_reports.reports[0].file, pathOf("dir.ini"));
}

TEST_F(IniFileTest, AFileThatCouldNotBeReadIsNeverSavedOver) {
    fs::create_directory(pathOf("later.ini"));
    IniFile ini(m_reports);
    ini.setPath(pathOf("later.ini"));
    EXPECT_FALSE(ini.read());
    EXPECT_TRUE(ini.unreadable());
    // Even once the path could be written, what was not read is not replaced.
    fs::remove(pathOf("later.ini"));
    ini.setValue("default", "k", "1");
    EXPECT_FALSE(ini.save());
    EXPECT_FALSE(fs::exists(pathOf("later.ini")));
    EXPECT_EQ(m_reports.reports.back().file, pathOf("later.ini"));

    // A later read that succeeds (here: no file, a first start) lifts the guard.
    EXPECT_FALSE(ini.read());
    EXPECT_FALSE(ini.unreadable());
    EXPECT_TRUE(ini.save());
}

TEST_F(IniFileTest, BadBytesAreReportedByLineAndTheRestLoads) {
    struct Case { std::string bytes; std::vector<int> lines; const char* why; };
    for (const Case& c : {Case{"[a]\r\nk=\x90\xDD\r\nbad=\x80\r\n[b]\r\nj=2\r\n", {3}, "undecodable byte"},
                          Case{"[a]\r\nbad=\x80\r\n[b]\r\nj=2\r\nk=\x90", {2, 5}, "cut inside a character"},
                          Case{"[a]\r\n\x00\x01\r\n[b]\r\nj=2\r\nk="s, {0}, "binary: one report that it is not a settings file"}}) {
        const std::string path = pathOf("bad.ini");
        writeFileAtomically(path, c.bytes);
        m_reports.reports.clear();
        IniFile ini(m_reports);
        ini.setPath(path);
        EXPECT_TRUE(ini.read()) << c.why;
        EXPECT_EQ(ini.value("b", "j", "-"), "2") << c.why;
        std::vector<int> lines;
        for (const Report& r : m_reports.reports) {
            EXPECT_EQ(r.file, path) << c.why;
            lines.push_back(r.line);
        }
        EXPECT_EQ(lines, c.lines) << c.why;
    }
}

TEST_F(IniFileTest, FailedSaveIsReportedAndLeavesTheOldFile) {
    writeFileAtomically(pathOf("blocker"), "a file where the folder should be");
    IniFile blocked(m_reports);
    blocked.setPath(pathOf("blocker/Kvelmor.ini"));
    blocked.setValue("a", "k", "1");
    EXPECT_FALSE(blocked.save());
    ASSERT_EQ(m_reports.reports.size(), 1u);
    EXPECT_EQ(m_reports.reports[0].file, blocked.path());

    // A write that fails part way (at the file size limit) keeps the old file whole.
    const std::string path = pathOf("old.ini");
    writeFileAtomically(path, "[old]\r\nk=1\r\n");
    IniFile ini(m_reports);
    ini.setPath(path);
    ASSERT_TRUE(ini.read());
    ini.setValue("old", "long", std::string(4096, 'x'));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = ini.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(m_reports.reports.size(), 2u);
    EXPECT_EQ(bytesOf(path), "[old]\r\nk=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 3);  // no temp file; the lock file
}

TEST_F(IniFileTest, ASaveKeepsWhatAnotherProcessSavedMeanwhile) {
    const std::string path = pathOf("shared.ini");
    writeFileAtomically(path, "; mine\r\n[default]\r\nk=0\r\n[gone]\r\nk=1\r\n");
    IniFile window(m_reports), command(m_reports);
    for (IniFile* ini : {&window, &command}) {
        ini->setPath(path);
        ASSERT_TRUE(ini->read());
    }
    command.setValue("A", "k", "a");
    command.remove("gone", "");
    ASSERT_TRUE(command.save());
    // The window read the file before the command saved; its own change
    // replaces only its own section.
    window.setValue("default", "k", "2");
    ASSERT_TRUE(window.save());
    EXPECT_EQ(bytesOf(path), "; mine\r\n[default]\r\nk=2\r\n\r\n[A]\r\nk=a\r\n");
    EXPECT_EQ(window.value("A", "k", "-"), "a");
    EXPECT_TRUE(m_reports.reports.empty());
}

// A CP932 file with a byte that does not decode inside a value keeps the
// characters around it, and its very bytes while the line is written back
// unchanged; a line that changed is written as it now reads.
TEST_F(IniFileTest, UndecodableBytesOfACp932FileStayWhileTheirLineIsUnchanged) {
    struct Case {
        std::string before, after;  // the lines before and after the damaged one
        const char* why;
    };
    const Case cases[] = {
        {"[default]\r\n", "bold=True\r\n", "the rest of the file is ASCII"},
        {"; \x90\xDD\x92\xE8\r\n[default]\r\n", "\r\n[\x8F\x74]\r\nk=1\r\n", "beside lines of whole CP932"},
    };
    const std::string damaged = "fontName=IPA\x82\xA0\x82\r\n";  // あ, then a lead byte cut off
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string path = pathOf("cp932.ini"), original = c.before + damaged + c.after;
        ASSERT_TRUE(writeFileAtomically(path, original).ok);
        IniFile ini(m_reports);
        ini.setPath(path);
        ASSERT_TRUE(ini.read());
        EXPECT_EQ(ini.value("default", "fontName", "-"), "IPAあ\xEF\xBF\xBD");
        ASSERT_TRUE(ini.setValue("other", "k", "2"));
        ASSERT_TRUE(ini.save());
        EXPECT_EQ(bytesOf(path), original + "\r\n[other]\r\nk=2\r\n");
        // What was saved reads back the same and is saved again unchanged.
        IniFile again;
        again.setPath(path);
        ASSERT_TRUE(again.read());
        EXPECT_EQ(again.value("default", "fontName", "-"), "IPAあ\xEF\xBF\xBD");
        EXPECT_EQ(again.toFileBytes(), bytesOf(path));

        ASSERT_TRUE(ini.setValue("default", "fontName", "IPAあ"));
        ASSERT_TRUE(ini.save());
        EXPECT_EQ(bytesOf(path), c.before + "fontName=IPA\x82\xA0\r\n" + c.after + "\r\n[other]\r\nk=2\r\n");
    }
}

TEST_F(IniFileTest, WriteThroughSavesEachChange) {
    IniFile ini;
    ini.setPath(pathOf("w.ini"));
    ini.setWritesThrough(true);
    EXPECT_TRUE(ini.setValue("a", "k", "1"));
    EXPECT_EQ(bytesOf(ini.path()), "[a]\r\nk=1\r\n");
    EXPECT_TRUE(ini.remove("a", "k"));
    EXPECT_EQ(bytesOf(ini.path()), "[a]\r\n");
    ini.setPath(m_dir.string());  // a folder cannot be written over
    EXPECT_FALSE(ini.setValue("a", "k", "2"));
}

}  // namespace
}  // namespace kvelmor::settings
