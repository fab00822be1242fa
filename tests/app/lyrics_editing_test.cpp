// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lyrics_editing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/ruby_editing.h"
#include "common/file_io.h"
#include "lyrics/checks.h"
#include "lyrics/reader.h"
#include "support/loaded_session.h"

using namespace kvelmor;
using test_support::LoadedSession;

namespace {

std::string exampleSong() {
    std::ifstream in(KVELMOR_EXAMPLES "/sakura_no_michi.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool reported(const CollectingReporter& r, const std::string& head) {
    for (const Report& rep : r.reports)
        if (rep.text.rfind(head, 0) == 0) return true;
    return false;
}

}  // namespace

// The editor's text applied unchanged lays the song out exactly as the load
// did, ruby placed and timed included.
TEST(LyricsEditing, UnchangedTextGivesTheSameSong) {
    LoadedSession s("edit_unchanged");
    s.load(exampleSong());
    ASSERT_EQ(s.session.song.rawLineCount(), 6);
    const std::string script = s.script();
    const std::string kra = s.kra();
    const std::string text = app::lyricsEditText(s.session.song);
    EXPECT_EQ(text.rfind("@title=桜の道\n", 0), 0u) << text;  // the header lines lead
    ASSERT_TRUE(app::applyLyricsEdit(s.session, text));
    EXPECT_EQ(s.script(), script);
    EXPECT_EQ(s.kra(), kra);
    EXPECT_EQ(s.session.song.songInfo.title, "桜の道");
}

TEST(LyricsEditing, EveryLineOfTheTextBecomesARawLine) {
    const std::string a = "[00:01:00]あ[00:02:00]";
    const std::string b = "[00:03:00]い[00:04:00]";
    struct Case {
        const char* why;
        std::string text;
        bool kaigyo;
        int rawLines, workLines;
        bool missingTags;  // the tag repair reports a line
        int secondLineSlots;
        std::string title = "桜の道";
    };
    const std::vector<Case> cases = {
        {"an empty line is a working line without slots", a + "\n\n" + b + "\n", false, 3, 3, false, 0},
        {"with the line break on it gives no working line", a + "\n\n" + b + "\n", true, 3, 2, false, 3},
        {"a last line without a line break is kept", a + "\n" + b, false, 2, 2, false, 3},
        {"CR LF, LF and CR all end a line", a + "\r\n" + b + "\r" + a, false, 3, 3, false, 3},
        {"a line of characters without tags is reported", "別の歌\n" + a + "\n", false, 2, 2, true, 3},
        {"a header line sets its song text", a + "\n" + b + "\n", false, 2, 2, false, 3, "別の歌"},
        {"a header line taken out empties its song text", a + "\n" + b + "\n", false, 2, 2, false, 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        LoadedSession s("edit_lines");
        s.session.settings.setText("kaigyo", c.kaigyo ? "1" : "0");
        s.load("@title=桜の道\n" + a + "\n");
        s.reporter.reports.clear();
        // The header line as the editor shows it, unless the case takes it out.
        ASSERT_TRUE(app::applyLyricsEdit(s.session, (c.title.empty() ? "" : "@title=" + c.title + "\n") + c.text));
        EXPECT_EQ(s.session.song.rawLineCount(), c.rawLines);
        EXPECT_EQ(s.session.song.lineCount(), c.workLines);
        EXPECT_EQ(reported(s.reporter, lyrics::kMissingTagsHead), c.missingTags);
        EXPECT_EQ(s.session.song.songInfo.title, c.title);
        EXPECT_EQ(s.session.song.workLines[2].unitCount, c.secondLineSlots);
    }
}

TEST(LyricsEditing, TooManyLinesLeaveTheSongAsItWas) {
    std::string lines;
    for (int i = 0; i < 299; ++i) lines += "[00:01:00]あ[00:02:00]\n";
    LoadedSession s("edit_too_many");
    s.load("[00:05:00]元[00:06:00]\n");
    const std::string script = s.script();

    EXPECT_FALSE(app::applyLyricsEdit(s.session, lines + "[00:01:00]い[00:02:00]"));
    ASSERT_FALSE(s.reporter.reports.empty());
    const Report& r = s.reporter.reports.back();
    EXPECT_EQ(r.text, lyrics::kTooManyLinesMessage);
    EXPECT_EQ(r.line, 300);
    EXPECT_EQ(s.session.song.rawLineCount(), 1);
    EXPECT_EQ(s.script(), script);

    EXPECT_TRUE(app::applyLyricsEdit(s.session, lines));  // 299 lines are taken
    EXPECT_EQ(s.session.song.rawLineCount(), 299);
}

// Readings given in the ruby editor are in the editor's text, so a word
// changed on another line keeps them, and saving the song as a lyrics file
// keeps the lines, the readings and the header lines for the next load.
TEST(LyricsEditing, ReadingsSurviveAnEditAndASavedLyricsFile) {
    LoadedSession s("edit_readings");
    s.load("@title=桜の道\n@artist=歌い手\n[00:01:00]桜[00:02:00]の[00:03:00]\n[00:04:00]道[00:05:00]\n");
    app::RubyEditing editing(s.session);
    editing.storeCursorRuby("さくら");
    editing.finish();
    EXPECT_TRUE(s.session.lyricsEdited);
    const std::string text = app::lyricsEditText(s.session.song);
    EXPECT_EQ(text, "@title=桜の道\n@artist=歌い手\n"
                    "[00:01:00]桜[00:01:00]([00:01:00]さくら[00:02:00])[00:02:00]の[00:03:00]\n"
                    "[00:04:00]道[00:05:00]\n");
    std::string edited = text;
    edited.replace(edited.rfind("道"), std::string("道").size(), "町");
    ASSERT_TRUE(app::applyLyricsEdit(s.session, edited));
    EXPECT_EQ(s.session.song.workLines[1].unit(2).rubyFields().ruby, "さくら");
    EXPECT_EQ(s.session.song.workLines[2].plainText, "町");
    EXPECT_NE(decodeText(s.script()).utf8.find("さくら"), std::string::npos);

    // Saved without time correction, read back without it whatever the settings say then.
    for (const char* name : {"saved.kra", "saved.txt"}) {
        SCOPED_TRACE(name);
        s.session.settings.setText("WinAMPTime", "0");
        const std::string path = (s.dir / name).string();
        ASSERT_TRUE(s.session.saveLyrics(path));
        EXPECT_FALSE(s.session.lyricsEdited);
        EXPECT_EQ(s.session.song.lyricsPath, path);
        s.session.settings.setText("WinAMPTime", "1");
        ASSERT_TRUE(s.session.loadLyrics(path));
        EXPECT_FALSE(s.session.options().timing.correction);
        EXPECT_TRUE(s.session.settings.isOn("WinAMPTime"));  // the preset keeps its own
        EXPECT_EQ(s.session.song.songInfo.artist, "歌い手");
        // The editor shows the song's own correction with the header lines.
        std::string withRatio = edited;
        withRatio.insert(withRatio.find('['), "@timeratio=1\n");
        EXPECT_EQ(app::lyricsEditText(s.session.song), withRatio);
        s.session.lyricsEdited = true;  // as if edited again
    }
    std::string bytes;
    ASSERT_TRUE(readFileBytes((s.dir / "saved.txt").string(), bytes).ok);
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF[00:01:00]桜", 0), 0u) << "UTF-8 text, marked as such";
}

namespace {
// The working line and slot of the first character `c` of the song; {0, 0} when none.
std::pair<int, int> findChar(const lyrics::Song& song, const std::string& c) {
    for (int i = 1; i <= song.lineCount(); ++i)
        for (int k = 1; k <= song.workLines[i].unitCount; ++k)
            if (song.workLines[i].unit(k).isChar && song.workLines[i].unit(k).text == c) return {i, k};
    return {0, 0};
}
}  // namespace

// What the ruby editor gives the song outlasts every change that builds the
// working lines again from the lines read: the readings always (the cut
// made by the automatic line break joined again or moved), the marks and the
// spare style wherever the line keeps its characters.
TEST(LyricsEditing, TheRubyEditorsWorkOutlastsARebuildOfTheLines) {
    struct Case {
        const char* field;
        const char* value;
        bool sameLines;  // the rebuilt line holds the same characters
    };
    const Case cases[] = {
        {"kaigyo", "0", false},     // the pieces joined into one line
        {"WinAMPTime", "0", true},  // the lines read again as they were
        {"LowerCheck", "0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        LoadedSession s("editor_rebuild");
        s.session.settings.setText("kaigyo", "1");
        s.load("[00:01:00]春[00:02:00]\n"
               "[00:03:00]あいうえおかきくけこさしすせそたちつてとなにぬねの[00:04:00]はひふへほ道[00:05:00]まみむめも"
               "[00:06:00]\n");
        ASSERT_EQ(s.session.song.lineCount(), 3) << "the long line is cut in two";
        auto [line, slot] = findChar(s.session.song, "道");
        app::RubyEditing editing(s.session);
        editing.showLine(line);
        editing.setCursorSlot(slot);
        editing.storeCursorRuby("みち");
        editing.toggleCursorMark();
        editing.cycleStyle();
        editing.finish();

        ASSERT_TRUE(s.session.setField(c.field, c.value).ok);
        std::tie(line, slot) = findChar(s.session.song, "道");
        ASSERT_NE(line, 0);
        const lyrics::LyricLine& rebuilt = s.session.song.workLines[line];
        EXPECT_EQ(rebuilt.unit(slot).rubyFields().ruby, "みち");
        EXPECT_EQ(rebuilt.unit(slot).cellMark, c.sameLines);
        EXPECT_EQ(rebuilt.kanjiStyle == "substyle1", c.sameLines);
        // The line read is the line as a saved song holds it: the reading
        // framed by the tags of its sung time, the cut timed where it was made.
        EXPECT_EQ(s.session.song.readLines[2].rawText,
                  "[00:03:00]あいうえおかきくけこさしすせそた[00:03:64]ちつてとなにぬねの[00:04:00]はひふへほ[00:04:85]"
                  "道[00:04:85]([00:04:85]みち[00:05:00])[00:05:00]まみむめも[00:06:00]");
    }
}

// A song's "@timeratio=" is its own: it outlasts a change of the settings'
// WinAMPTime, which holds only for songs whose file has none.
TEST(LyricsEditing, TheSongsOwnTimeCorrectionStandsInForTheSettings) {
    struct Case {
        const char* header;
        const char* winamp;
        int firstTag;  // centiseconds, as the script shows it
    };
    const Case cases[] = {
        {"", "1", 6028}, {"", "0", 6000}, {"@timeratio=1\n", "1", 6000}, {"@timeratio=0.9953125\n", "0", 6028},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.header) + c.winamp);
        LoadedSession s("own_correction");
        s.load(std::string(c.header) + "[01:00:00]あ[01:00:50]\n");
        ASSERT_TRUE(s.session.setField("WinAMPTime", c.winamp).ok);
        EXPECT_EQ(s.session.song.workLines[1].unit(1).time, c.firstTag);
        EXPECT_EQ(s.session.songCorrectionDiffers(),
                  *c.header != '\0' && (c.firstTag == 6028) != (std::string(c.winamp) == "1"));
    }
}
