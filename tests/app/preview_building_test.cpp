// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts the timing editor's preview takes after every mark: reading
// again only the lines that changed, and writing first only the lines shown
// around the moment on screen. Each must give what the long way gives.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/session.h"
#include "lyrics/reader.h"
#include "measure/fixed_measurer.h"

using namespace kvelmor;

namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct Converter {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    app::Session session{reporter, measurer};
};

// Milliseconds of a script time "H:MM:SS.CC".
int64_t scriptMs(const std::string& t) {
    int h = 0, m = 0, s = 0, cs = 0;
    std::sscanf(t.c_str(), "%d:%d:%d.%d", &h, &m, &s, &cs);
    return ((h * 60 + m) * 60 + s) * 1000 + cs * 10;
}

// The script's text before its events, and its events showing at some
// time in [from, to), in script order.
std::pair<std::string, std::vector<std::string>> eventsWithin(const std::string& script, int64_t from, int64_t to) {
    std::pair<std::string, std::vector<std::string>> out{script.substr(0, script.find("[Events]")), {}};
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("Dialogue: ")) continue;
        std::vector<std::string> fields;
        std::istringstream f(line);
        for (std::string field; fields.size() < 3 && std::getline(f, field, ',');) fields.push_back(field);
        if (scriptMs(fields[1]) < to && scriptMs(fields[2]) > from) out.second.push_back(line);
    }
    return out;
}

}  // namespace

// The reloader leaves the song, the settings and so the script exactly as
// reading the whole text again does, whatever the edit; it parses alone only
// the timed lines that changed and nothing else.
TEST(PreviewBuilding, ReadingOnlyTheChangedLinesGivesWhatAWholeReadGives) {
    const std::string song = fileText(KVELMOR_CORPUS "/songs/duet.txt");
    std::string tooLong = "[00:59:00]";
    for (int i = 0; i < 151; ++i) tooLong += "ら[00:59:00]";
    // A NUL byte, which a read leaves out, made this line a header line;
    // taking it out of the text makes it a timed line.
    const std::string nulHeader = std::string(1, '\0') + "@title=[00:02:00]あ[00:03:00]\n";
    struct Case {
        const char* edit;
        std::string text;
        int parsedAlone;  // -1: read whole
        const std::string* before = nullptr;  // the text read first, else the song
    };
    const Case cases[] = {
        {"nothing", song, 0},
        {"a tag moved", replaced(song, "[00:08:50]", "[00:08:60]"), 1},
        {"a tag inside a reading moved", replaced(song, "[00:03:50]", "[00:03:60]"), 1},
        {"two lines retimed", replaced(replaced(song, "[00:08:50]", "[00:08:60]"), "[00:12:00]", "[00:12:10]"), 2},
        {"a syllable split", replaced(song, "[00:20:00]ラ[00:20:40]", "[00:20:00]ラ[00:20:20][00:20:40]"), 1},
        {"a header changed", replaced(song, "@title=ふたりの夜明け", "@title=夜明け"), -1},
        {"the time ratio set at the end", song + "@timeratio=0.9953125\n", -1},
        {"a line added", song + "[01:30:00]お[01:30:50]わ[01:31:00]り[01:31:50]\n", -1},
        {"a timed line made plain", replaced(song, "[01:12:00]さ[01:12:50]よ[01:13:00]な[01:13:50]ら[01:30:00]", "さよなら"), -1},
        {"a line too long for the tables", song + tooLong + "\n", -1},
        {"a NUL taken out", "x@title=[00:02:00]あ[00:03:00]\n", -1, &nulHeader},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        Converter quick, whole;
        lyrics::LyricsReloader reader;
        for (const std::string* text : {c.before ? c.before : &song, &c.text}) {
            reader.load(quick.session.song, *text, "duet.txt", quick.session.settings, quick.measurer,
                        quick.reporter);
            lyrics::loadLyricsText(whole.session.song, *text, "duet.txt", whole.session.settings, whole.measurer,
                                   whole.reporter);
        }
        EXPECT_EQ(reader.linesParsed(),
                  c.parsedAlone >= 0 ? c.parsedAlone : whole.session.song.rawLineCount());
        EXPECT_TRUE(quick.session.settings == whole.session.settings);
        quick.session.runFullRefresh();
        whole.session.runFullRefresh();
        EXPECT_EQ(quick.session.scriptText(), whole.session.scriptText());
    }

    // Other settings between two reads: the text is read whole.
    Converter c;
    lyrics::LyricsReloader reader;
    reader.load(c.session.song, song, "duet.txt", c.session.settings, c.measurer, c.reporter);
    c.session.setField("ssaFontSize", "30");
    reader.load(c.session.song, song, "duet.txt", c.session.settings, c.measurer, c.reporter);
    EXPECT_EQ(reader.linesParsed(), c.session.song.rawLineCount());
}

// A script of the lines shown around a moment holds, for half a minute on,
// the events the whole script holds, in the same order, after the same head:
// a player draws the same frames from it. The wipes with templates and
// moving rows are among the settings tried.
TEST(PreviewBuilding, TheScriptAroundAMomentShowsWhatTheWholeScriptShows) {
    struct Setting {
        const char* name;
        const char* value;
    };
    const std::vector<std::vector<Setting>> settings = {
        {},
        {{"wipe", "4"}, {"TagSample", "3"}},
        {{"wipe", "6"}, {"TagSample", "6"}},
        {{"LineNumber", "3"}, {"preTime", "150"}},
    };
    for (const auto& changes : settings) {
        Converter c;
        for (const Setting& s : changes) c.session.setField(s.name, s.value);
        ASSERT_TRUE(c.session.loadLyrics(KVELMOR_CORPUS "/songs/long.txt"));
        const std::string whole = c.session.scriptText();
        for (int64_t t : {0, 5000, 31000, 62000, 100000, 600000}) {
            SCOPED_TRACE(::testing::Message() << (changes.empty() ? "default" : changes[0].value) << " at " << t);
            const std::string near = c.session.scriptText(
                [&](int i) { return c.session.lineShowsWithin(i, t - 5000, t + 30000); });
            EXPECT_LT(near.size(), whole.size());
            const auto a = eventsWithin(whole, t, t + 30000), b = eventsWithin(near, t, t + 30000);
            EXPECT_EQ(b.first, a.first);
            EXPECT_EQ(b.second, a.second);
        }
    }
}
