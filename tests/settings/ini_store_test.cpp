#include "settings/ini_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/file_io.h"

namespace kvelmor::settings {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

Cls_Ini loaded(std::string_view text, Reporter& reporter) {
    Cls_Ini ini(reporter);
    ini.SetPath("settings.ini");
    ini.loadFromText(text);
    return ini;
}

Cls_Ini loaded(std::string_view text) {
    static NullReporter silent;
    return loaded(text, silent);
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kvelmor_ini_" + std::to_string(::getpid()) + "_" +
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
    static void writeBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path m_dir;
    CollectingReporter m_reports;
};

TEST(IniStore, ReadsHeadersKeysAndComments) {
    Cls_Ini ini = loaded(
        "k0=before any header\r\n"
        "[a]\r\n"
        "x=1=2\r\n"         // the value is everything after the first "="
        "=empty key\r\n"    // the key may be empty
        " y = 3 \r\n"       // nothing is trimmed
        ";z=4\r\n"          // a comment even though it holds "="
        " [b]\r\n"          // a blank before "[" makes it no header, and without "=" a comment
        "[a=b]\r\n"         // a header even though it holds "="
        "[A]\r\n"           // letter case makes another section
        "w=5\r\n");
    EXPECT_EQ(ini.sectionNames(), (Lines{"a", "a=b", "A"}));
    EXPECT_EQ(ini.keysOf("a"), (Lines{"x", "", " y "}));
    EXPECT_EQ(ini.GetValue("a", "x", "-"), "1=2");
    EXPECT_EQ(ini.GetValue("a", "", "-"), "empty key");
    EXPECT_EQ(ini.GetValue("a", " y ", "-"), " 3 ");
    EXPECT_EQ(ini.GetValue("a", "y", "-"), "-");
    EXPECT_EQ(ini.GetValue("a", ";z", "-"), "-");
    EXPECT_EQ(ini.GetValue("a", "w", "-"), "-");
    EXPECT_EQ(ini.GetValue("A", "w", "-"), "5");
    EXPECT_EQ(ini.KeyCount(-1, ""), 4);  // k0 belongs to no section
}

TEST(IniStore, DuplicateSectionsAndKeys) {
    Cls_Ini ini = loaded("[p]\r\nk=1\r\nk=2\r\n[q]\r\n[p]\r\nonly=second\r\n");
    EXPECT_EQ(ini.GetValue("p", "k", "-"), "1");             // first line wins
    EXPECT_EQ(ini.GetValue("p", "only", "-"), "second");     // later sections are searched
    EXPECT_EQ(ini.GetKey("p", 0), "k");
    EXPECT_EQ(ini.GetKey("p", 2), "");                       // GetKey looks at the first only
    EXPECT_EQ(ini.GetKey("p", -1), "");
    EXPECT_EQ(ini.findValue("q", "k"), std::nullopt);

    struct Case { int index; const char* name; int expected; const char* why; };
    for (const Case& c : std::initializer_list<Case>{
             {0, "", 2, "by index"},
             {1, "", 0, "an empty section"},
             {3, "p", 0, "index past the end"},
             {-1, "p", 2, "first section of the name"},
             {-1, "none", 0, "no such section"},
             {-1, "", 3, "all sections together"},
         })
        EXPECT_EQ(ini.KeyCount(c.index, c.name), c.expected) << c.why;
    EXPECT_EQ(ini.GetSect(2), "p");
    EXPECT_EQ(ini.GetSect(3), "");
    EXPECT_EQ(ini.GetSect(-1), "");
}

TEST(IniStore, SaveRebuildsAroundHeaderPositions) {
    struct Case { const char* why; std::string in; std::string out; };
    const Case cases[] = {
        {"only comments: no sections, one empty line", "; c\r\n\r\nplain\r\n", "\r\n"},
        {"keys before the first header vanish", "k=1\r\n;c\r\n[a]\r\nx=1\r\n", ";c\r\n[a]\r\nx=1\r\n"},
        {"comments inside a section move after its keys", "[a]\r\nx=1\r\n;c\r\ny=2\r\n[b]\r\n",
         "[a]\r\nx=1\r\ny=2\r\n;c\r\n\r\n[b]\r\n"},
        {"comments after the last header position are dropped", "[a]\r\nx=1\r\n;c\r\n", "[a]\r\nx=1\r\n"},
        {"one empty line before every later section", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n",
         "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"},
        {"an existing empty line is not doubled", "[a]\r\n\r\n[b]\r\n", "[a]\r\n\r\n[b]\r\n"},
        {"bare LF and CR end lines too", "[a]\nx=1\r[b]\ny=2", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"},
    };
    for (const Case& c : cases) {
        Cls_Ini ini = loaded(c.in);
        EXPECT_EQ(ini.toText(), c.out) << c.why;
        EXPECT_EQ(loaded(c.out).toText(), c.out) << c.why << " (stable)";
    }
}

TEST(IniStore, DeleteMiddleSectionShiftsLaterOnesUp) {
    Cls_Ini three = loaded("[one]\r\na=1\r\n;1\r\n[two]\r\nb=2\r\n;2\r\n[three]\r\nc=3\r\n;3\r\n");
    EXPECT_TRUE(three.Delete("two", ""));
    // "three" takes the header position of "two"; nothing after it survives.
    EXPECT_EQ(three.toText(), "[one]\r\na=1\r\n;1\r\n\r\n[three]\r\nc=3\r\n");
    EXPECT_FALSE(three.Delete("two", ""));

    Cls_Ini four = loaded("[1]\r\n;a\r\n[2]\r\n;b\r\n[3]\r\n;c\r\n[4]\r\n;d\r\n");
    EXPECT_TRUE(four.Delete("2", ""));
    // Comments keep their place among the header positions, not their section.
    EXPECT_EQ(four.toText(), "[1]\r\n;a\r\n\r\n[3]\r\n;b\r\n\r\n[4]\r\n");
    EXPECT_FALSE(Cls_Ini().Delete("1", ""));
}

TEST(IniStore, DeleteKeyFromEverySectionOfTheName) {
    Cls_Ini ini = loaded("[p]\r\n[p]\r\nk=1\r\nj=0\r\nk=2\r\n[P]\r\nk=3\r\n");
    ASSERT_EQ(ini.GetValue("p", "k", "-"), "1");
    EXPECT_TRUE(ini.Delete("p", "k"));  // the empty first [p] does not stop the search
    EXPECT_EQ(ini.GetValue("p", "k", "-"), "-");
    EXPECT_EQ(ini.GetValue("P", "k", "-"), "3");
    EXPECT_EQ(ini.KeyCount(1, ""), 1);
    EXPECT_FALSE(ini.Delete("p", "k"));
}

TEST(IniStore, SetValue) {
    Cls_Ini ini = loaded("[a]\r\nx=1\r\nx=2\r\n[empty]\r\n;c\r\n");
    EXPECT_TRUE(ini.SetValue("a", "x", "9"));
    EXPECT_TRUE(ini.SetValue("a", "y", "new"));
    // A section that holds no key is passed over: a second one is added at the end.
    EXPECT_TRUE(ini.SetValue("empty", "k", "v"));
    EXPECT_EQ(ini.toText(), "[a]\r\nx=9\r\nx=2\r\ny=new\r\n\r\n[empty]\r\n;c\r\n\r\n[empty]\r\nk=v\r\n");

    Cls_Ini noPath;
    EXPECT_FALSE(noPath.SetValue("a", "x", "1"));
    EXPECT_EQ(noPath.SectCount(), 0);
}

TEST(IniStore, SetValueRefusesLinesThatWouldNotReadBack) {
    CollectingReporter reports;
    Cls_Ini ini = loaded("[a]\r\nk=1\r\n", reports);
    const std::string before = ini.toText();
    struct Case { const char* section; const char* key; const char* value; const char* why; };
    for (const Case& c : std::initializer_list<Case>{
             {"a", "k", "1\r\n[b]", "a line break would start a section"},
             {"a\nb", "k", "1", "line break in the name"},
             {"a", "k\r", "1", "line break in the key"},
             {"a", "k=x", "1", "the key would end at the first ="},
             {"a", ";k", "1", "would read as a comment"},
             {"a", "[k", "1]", "would read as a header"},
             {"a", "k", "\xFF", "not UTF-8"},
         }) {
        reports.reports.clear();
        EXPECT_FALSE(ini.SetValue(c.section, c.key, c.value)) << c.why;
        EXPECT_EQ(reports.reports.size(), 1u) << c.why;
    }
    EXPECT_EQ(ini.toText(), before);
}

TEST(IniStore, ReleaseEmptiesAll) {
    Cls_Ini ini = loaded("[a]\r\nk=1\r\n");
    ini.SetMode(true);
    ini.Release();
    EXPECT_EQ(ini.Path(), "");
    EXPECT_FALSE(ini.Mode());
    EXPECT_EQ(ini.SectCount(), 0);
    ini.SetPath("x.ini");
    ini.SetValue("b", "k", "1");
    EXPECT_EQ(ini.toText(), "[b]\r\nk=1\r\n");  // no old lines survive
}

TEST_F(IniFileTest, NewStoreWritesExactLines) {
    Cls_Ini ini(m_reports);
    ini.SetPath(pathOf("sub/dir/Kvelmor.ini"));  // the folder is created
    EXPECT_FALSE(ini.Read());
    ini.SetValue("info", "unicode", "1");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(bytesOf(ini.Path()), "[info]\r\nunicode=1\r\n");
    ini.SetValue("tag", "t", "2");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(bytesOf(ini.Path()), "[info]\r\nunicode=1\r\n\r\n[tag]\r\nt=2\r\n");
    EXPECT_TRUE(m_reports.reports.empty());
}

TEST_F(IniFileTest, SavedTwiceIsByteIdentical) {
    const std::string path = pathOf("a.ini");
    writeBytes(path, "; top\n[default]\nfont=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e\n;c\n[info]\nk=1\n");
    Cls_Ini ini;
    ini.SetPath(path);
    ASSERT_TRUE(ini.Read());
    EXPECT_EQ(ini.GetValue("default", "font", ""), "ＭＳ ゴシック");
    ini.SetValue("新規", "名前", "値");
    ASSERT_TRUE(ini.Save());
    const std::string first = bytesOf(path);
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(bytesOf(path), first);

    Cls_Ini again;
    again.SetPath(path);
    ASSERT_TRUE(again.Read());
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(bytesOf(path), first);
    EXPECT_EQ(again.GetValue("新規", "名前", ""), "値");
}

TEST_F(IniFileTest, WritesCp932OnlyWhenTheTextComesBackUnchanged) {
    struct Case { const char* value; const char* expectedStart; const char* why; };
    const Case cases[] = {
        {"設定", "[s]\r\nk=\x90\xDD\x92\xE8", "fits CP932"},
        {"café", "\xEF\xBB\xBF[s]", "no CP932 form"},
        {"ﾃｽ", "\xEF\xBB\xBF[s]", "its CP932 bytes C3 BD would read as UTF-8"},
        {"〜", "\xEF\xBB\xBF[s]", "CP932 would turn the wave dash into a full-width tilde"},
    };
    for (const Case& c : cases) {
        Cls_Ini ini;
        ini.SetPath(pathOf("e.ini"));
        ini.SetValue("s", "k", c.value);
        ASSERT_TRUE(ini.Save()) << c.why;
        EXPECT_EQ(bytesOf(ini.Path()).rfind(c.expectedStart, 0), 0u) << c.why;
        Cls_Ini back;
        back.SetPath(ini.Path());
        ASSERT_TRUE(back.Read());
        EXPECT_EQ(back.GetValue("s", "k", ""), c.value) << c.why;
    }
}

TEST_F(IniFileTest, MissingEmptyOrDirectoryKeepsTheStore) {
    Cls_Ini ini = loaded("[a]\r\nk=1\r\n", m_reports);
    writeBytes(pathOf("empty.ini"), "");
    fs::create_directory(pathOf("dir.ini"));
    for (const char* name : {"missing.ini", "empty.ini", "dir.ini"}) {
        ini.SetPath(pathOf(name));
        EXPECT_FALSE(ini.Read()) << name;
        EXPECT_EQ(ini.GetValue("a", "k", "-"), "1") << name;
    }
    ASSERT_EQ(m_reports.reports.size(), 1u);  // only the directory is a fault
    EXPECT_EQ(m_reports.reports[0].file, pathOf("dir.ini"));
}

TEST_F(IniFileTest, BadBytesAreReportedByLineAndTheRestLoads) {
    struct Case { std::string bytes; std::vector<int> reportedLines; const char* why; };
    const Case cases[] = {
        {"[a]\r\nk=\x90\xDD\r\nbad=\x80\r\n[b]\r\nj=2\r\n", {3}, "undecodable CP932 byte"},
        {"[a]\r\nbad=\x80\r\n[b]\r\nj=2\r\nk=\x90", {2, 5}, "cut off inside a character"},
        {"[a]\r\nk=1\r\n\x00\x01\x02\r\n[b]\r\nj=2\r\nk="s, {3}, "binary data; cut off after the ="},
    };
    for (const Case& c : cases) {
        const std::string path = pathOf("bad.ini");
        writeBytes(path, c.bytes);
        m_reports.reports.clear();
        Cls_Ini ini(m_reports);
        ini.SetPath(path);
        EXPECT_TRUE(ini.Read()) << c.why;
        EXPECT_EQ(ini.GetValue("b", "j", "-"), "2") << c.why;
        std::vector<int> lines;
        for (const Report& r : m_reports.reports) {
            EXPECT_EQ(r.file, path) << c.why;
            lines.push_back(r.line);
        }
        EXPECT_EQ(lines, c.reportedLines) << c.why;
    }
}

TEST_F(IniFileTest, FailedSaveIsReportedAndLeavesTheOldFile) {
    writeBytes(pathOf("blocker"), "not a folder");
    Cls_Ini blocked(m_reports);
    blocked.SetPath(pathOf("blocker/Kvelmor.ini"));
    blocked.SetValue("a", "k", "1");
    EXPECT_FALSE(blocked.Save());
    ASSERT_EQ(m_reports.reports.size(), 1u);
    EXPECT_EQ(m_reports.reports[0].file, blocked.Path());

    // A write that fails part way (the file size limit) must not truncate the old file.
    const std::string path = pathOf("old.ini");
    writeBytes(path, "[old]\r\nk=1\r\n");
    Cls_Ini ini(m_reports);
    ini.SetPath(path);
    ASSERT_TRUE(ini.Read());
    ini.SetValue("old", "long", std::string(4096, 'x'));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = ini.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(m_reports.reports.size(), 2u);
    EXPECT_EQ(bytesOf(path), "[old]\r\nk=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2);  // no temp file left
}

TEST_F(IniFileTest, WriteThroughSavesEachChange) {
    Cls_Ini ini;
    ini.SetPath(pathOf("w.ini"));
    ini.SetMode(true);
    EXPECT_TRUE(ini.SetValue("a", "k", "1"));
    EXPECT_EQ(bytesOf(ini.Path()), "[a]\r\nk=1\r\n");
    EXPECT_TRUE(ini.Delete("a", "k"));
    EXPECT_EQ(bytesOf(ini.Path()), "[a]\r\n");
    EXPECT_FALSE(ini.Delete("a", "k"));  // nothing removed, nothing saved

    ini.SetPath(m_dir.string());  // a folder cannot be written over
    EXPECT_FALSE(ini.SetValue("a", "k", "2"));
}

}  // namespace
}  // namespace kvelmor::settings
