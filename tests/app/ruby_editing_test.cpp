// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ruby_editing.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/encoding.h"
#include "layout/spans.h"
#include "support/loaded_session.h"

using namespace kvelmor;
using app::CellMove;
using app::RubyEditing;
using test_support::LoadedSession;

namespace {

// 春 の 風 with a tag between each: character slots 2, 4 and 6.
constexpr const char* kSpring = "[00:01:00]春[00:01:50]の[00:02:00]風[00:03:00]\n";

void moveTo(RubyEditing& e, int slot) {
    e.cellPosition(CellMove::First);
    for (int i = 0; i < 10 && e.cursorSlot() != slot; ++i) e.cellPosition(CellMove::Next);
    ASSERT_EQ(e.cursorSlot(), slot);
}

void setCellWidth(RubyEditing& e, int width) {
    while (e.cellWidth() > 1) e.narrowCell();
    while (e.cellWidth() < width) e.widenCell();
}

// (ruby, rubySpan) of each character of the line, in order.
std::vector<std::pair<std::string, int>> charRubies(const lyrics::LyricLine& line) {
    std::vector<std::pair<std::string, int>> out;
    for (int k = 1; k <= line.unitCount; ++k)
        if (line.unit(k).isChar) out.emplace_back(line.unit(k).rubyFields().ruby, line.unit(k).rubyFields().rubySpan);
    return out;
}

}  // namespace

TEST(RubyEditing, CellPositionSkipsTagsWrapsAndStaysOnALineWithoutCharacters) {
    LoadedSession s("cell_position");
    s.load(std::string(kSpring) + "[00:04:00][00:05:00]\n");
    RubyEditing e(s.session);
    ASSERT_EQ(e.cursorSlot(), 2);
    const int32_t x = e.line().posX;
    struct Step {
        CellMove move;
        int slot;
        int32_t offset;  // pixels right of posX
    };
    const std::vector<Step> steps = {
        {CellMove::Previous, 6, 40},  // before the first character: wraps to the last
        {CellMove::Next, 2, 0},       // after the last: wraps to the first
        {CellMove::Next, 4, 20},      // the tag between is skipped
        {CellMove::Next, 6, 40},
        {CellMove::Previous, 4, 20},
        {CellMove::First, 2, 0},
        {CellMove::Last, 6, 40},
    };
    for (const Step& st : steps) {
        EXPECT_EQ(e.cellPosition(st.move), x + st.offset);
        EXPECT_EQ(e.cursorSlot(), st.slot);
    }
    // Up from the first line wraps to the last; Down from the last to the first.
    e.previousLine();
    EXPECT_EQ(e.currentLine(), 2);
    EXPECT_EQ(e.cursorSlot(), 0);  // a line of tags only has no cell
    EXPECT_EQ(e.cellPosition(CellMove::Next), 0);
    EXPECT_EQ(e.cursorSlot(), 0);
    e.storeCursorRuby("x");
    EXPECT_FALSE(e.changed());
    e.nextLine();
    EXPECT_EQ(e.currentLine(), 1);
    EXPECT_EQ(e.cursorSlot(), 2);
}

TEST(RubyEditing, CellWidthStaysBetweenOneAndTheLongestLine) {
    LoadedSession s("cell_width");
    s.load(kSpring);
    RubyEditing e(s.session);
    e.narrowCell();
    EXPECT_EQ(e.cellWidth(), 1);
    EXPECT_EQ(e.cursorWidth(), 20);
    moveTo(e, 4);
    for (int i = 0; i < 400; ++i) e.widenCell();
    EXPECT_EQ(e.cellWidth(), lyrics::kMaxSlots);
    EXPECT_EQ(e.cursorWidth(), 40);  // the box ends with the line
    EXPECT_EQ(e.cursorLeft(), layout::cellLeft(e.line(), 4));
}

// The cell a reading is typed into covers the word the dictionary sees
// (明日 as one, so あした over it times the word as one), a reading already
// there its own characters, anything else one character; Shift+arrows still
// change it.
TEST(RubyEditing, TheCellFitsTheWordTheCursorEnters) {
    LoadedSession s("cell_word");
    s.load("[00:01:00]明[00:01:50]日[00:02:00]へ[00:02:50]と[00:03:00]続[00:03:50]く[00:04:00]東[00:04:50]京[00:05:"
           "00]都[00:05:50]\n");
    RubyEditing e(s.session);
    struct Step {
        int slot;
        int cellWidth;
        const char* why;
    };
    const Step steps[] = {
        {2, 2, "明日 is one word"}, {4, 1, "日 on from the word's second kanji"}, {6, 1, "kana"},
        {10, 1, "続く: the kanji of the word only"}, {14, 2, "東京 of 東京都"}, {18, 1, "都 of 東京都"},
    };
    for (const Step& st : steps) {
        moveTo(e, st.slot);
        EXPECT_EQ(e.cellWidth(), st.cellWidth) << st.why;
    }
    moveTo(e, 2);
    e.storeCursorRuby("あした");
    EXPECT_EQ(e.line().unit(2).rubyFields().rubySpan, 2);
    e.narrowCell();
    e.storeCursorRuby("あ");
    EXPECT_EQ(e.line().unit(2).rubyFields().rubySpan, 1) << "Shift+Left narrows the cell";
    moveTo(e, 4);
    moveTo(e, 2);
    EXPECT_EQ(e.cellWidth(), 1) << "a reading there keeps its own characters";
}

// Each case types rubies in order, closes the editor, and checks the rubies
// of the characters, then that the .kra written gives them back.
TEST(RubyEditing, TypedRubyIsStoredAndSurvivesTheTagFile) {
    struct Typed {
        int slot, cellWidth;
        std::string text;
    };
    struct Case {
        const char* why;
        std::vector<Typed> typed;
        std::vector<std::pair<std::string, int>> expected;
        const char* lyrics = kSpring;
    };
    const std::vector<Case> cases = {
        {"two characters, line breaks taken out", {{2, 2, "は\r\nる"}}, {{"はる", 2}, {"", 0}, {"", 0}}},
        {"a cell wider than the characters left covers those", {{4, 5, "のかぜ"}}, {{"", 0}, {"のかぜ", 2}, {"", 0}}},
        {"an empty text removes the ruby, span and all", {{2, 2, "はる"}, {2, 2, ""}}, {{"", 0}, {"", 0}, {"", 0}}},
        {"a ruby inside an earlier one's run shortens it",
         {{2, 3, "はるのかぜ"}, {6, 1, "かぜ"}},
         {{"はるのかぜ", 2}, {"", 0}, {"かぜ", 1}}},
        // A span left on a slot without ruby would write a stray ")" into the tag file.
        {"a removed ruby inside a syllable leaves no span behind",
         {{2, 1, "はる"}, {3, 2, "のか"}, {3, 2, ""}},
         {{"はる", 1}, {"", 0}, {"", 0}},
         "[00:01:00]春の風[00:03:00]\n"},
        {"a reading spelling a time tag is refused", {{2, 1, "[00:01:00]"}}, {{"", 0}, {"", 0}, {"", 0}}},
        {"a ruby over a later one replaces it", {{6, 1, "かぜ"}, {2, 3, "はるのかぜ"}}, {{"はるのかぜ", 3}, {"", 0}, {"", 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        LoadedSession s("store_ruby");
        s.load(c.lyrics);
        RubyEditing e(s.session);
        for (const Typed& t : c.typed) {
            moveTo(e, t.slot);
            setCellWidth(e, t.cellWidth);
            e.storeCursorRuby(t.text);
        }
        e.finish();
        EXPECT_TRUE(e.changed());
        EXPECT_EQ(charRubies(e.line()), c.expected);
        const lyrics::SlotRuby& first = e.line().unit(2).rubyFields();
        if (!first.ruby.empty()) {
            EXPECT_EQ(first.rubyWidth, 20 * static_cast<int32_t>(utf8Length(first.ruby)));
            EXPECT_GT(first.rubyY, 0);  // placed when the editor closed
        }

        LoadedSession back("store_ruby_back");
        back.load(s.kra());
        ASSERT_EQ(back.session.song.lineCount(), 1);
        EXPECT_EQ(charRubies(back.session.song.workLines[1]), c.expected);
    }
}

TEST(RubyEditing, RubyCopyReachesLaterLinesOfTheSameText) {
    // Lines 1 to 3 read 春の風, line 4 春の風よ; `rubies` are those of 春.
    auto song = [](const std::vector<std::string>& rubies) {
        std::string text;
        for (size_t i = 0; i < rubies.size(); ++i) {
            const std::string t = "[00:0" + std::to_string(i + 1) + ":00]";
            text += t + "春";
            if (!rubies[i].empty()) text += t + "(" + t + rubies[i] + "[00:0" + std::to_string(i + 1) + ":50])";
            text += "[00:0" + std::to_string(i + 1) + ":50]の風" + (i == 3 ? "よ" : "") + "[00:0" +
                    std::to_string(i + 1) + ":90]\n";
        }
        return text;
    };
    struct Case {
        const char* why;
        int source;
        std::vector<std::string> before, after;
    };
    const std::vector<Case> cases = {
        {"an earlier line without ruby is left; later lines take the source's", 2,
         {"", "はる", "しゅん", "ハル"}, {"", "はる", "はる", "ハル"}},
        {"an earlier line with ruby starts the copy there", 3, {"しゅん", "", "はる", "ハル"},
         {"はる", "はる", "はる", "ハル"}},
        {"a source without ruby gives nothing", 1, {"", "はる", "しゅん", "ハル"}, {"", "はる", "しゅん", "ハル"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        LoadedSession s("ruby_copy");
        s.load(song(c.before));
        auto& table = s.session.song.workLines;
        ASSERT_EQ(table.count(), 4);
        const bool changed = c.before != c.after;
        EXPECT_EQ(app::rubyCopy(table, c.source), changed);
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(table[i].unit(2).rubyFields().ruby, c.after[i - 1]) << "line " << i;
    }

    // The editor copies before it leaves a line.
    LoadedSession s("ruby_copy_editor");
    s.load(song({"", "はる", "しゅん", "ハル"}));
    RubyEditing e(s.session);
    e.nextLine();  // line 1 has no ruby to give
    EXPECT_EQ(s.session.song.workLines[3].unit(2).rubyFields().ruby, "しゅん");
    e.nextLine();
    EXPECT_EQ(s.session.song.workLines[3].unit(2).rubyFields().ruby, "はる");
    EXPECT_TRUE(e.changed());
}

TEST(RubyEditing, MarksAndStyleCycle) {
    LoadedSession s("marks_style");
    s.session.settings.setText("StyleNumber", "2");
    s.load(kSpring);
    RubyEditing e(s.session);
    auto marks = [&] {
        std::string m;
        for (int k = 1; k <= e.line().unitCount; ++k) m += e.line().unit(k).cellMark ? '1' : '0';
        return m;
    };
    moveTo(e, 4);
    e.toggleCursorMark();
    EXPECT_EQ(marks(), "0001000");
    e.toggleLineMarks();  // a half-marked line is cleared
    EXPECT_EQ(marks(), "0000000");
    e.toggleLineMarks();  // every character, no tag
    EXPECT_EQ(marks(), "0101010");
    e.toggleLineMarks();
    EXPECT_EQ(marks(), "0000000");

    const std::vector<std::string> styles = {"substyle1", "substyle2", "Kanji2"};
    for (const std::string& style : styles) {
        e.cycleStyle();
        EXPECT_EQ(e.line().kanjiStyle, style);
    }
    e.cycleStyle();
    EXPECT_EQ(s.session.song.rubyState, lyrics::kNoRuby);
    e.finish();
    EXPECT_EQ(e.line().rubyStyle, "substyleRuby1");
    EXPECT_EQ(s.session.song.rubyState, lyrics::kRubyAssigned);
}
