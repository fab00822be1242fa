// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ruby editor's work on the working table: walking the character slots
// of a line, the cell a new ruby covers, storing a typed ruby, copying a
// line's ruby to the other lines of the same text, marks and the line's
// style. The window only forwards its keys here and draws what the table
// then holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_table.h"

namespace kvelmor::app {

class Session;

// The name messages about the editor's lines give as their file: the line
// numbers are those of the working lines it shows.
inline constexpr const char* kRubyEditorName = "ルビ";

// Cursor moves over a line's character slots; tag slots are skipped.
enum class CellMove { Previous = 1, Next = 2, First = 3, Last = 4 };

// The character slot a move from slot `from` lands on: the previous one
// (the last when there is none before), the next one (the first when there is
// none after), the first or the last. 0 when the line has no character slot.
int findCellSlot(const lyrics::LyricLine& line, int from, CellMove move);

// Gives the lines of the same text as line `source` (`plainText` equal) the
// source's ruby, character by character (`ruby`, `rubyWidth`, `rubySpan`; an
// empty ruby of the source removes the one there). Lines are taken in table
// order and a line is changed only once some line of that text, it included,
// has carried ruby: lines before the first such line keep theirs. A source
// line without any ruby copies nothing, so walking past a line never wipes
// the readings given to its repeats. Returns whether any slot changed.
bool rubyCopy(lyrics::LineTable& table, int source);

// Stores `typed` (carriage returns and line feeds removed) as the ruby of
// character slot `slot`, covering `span` characters from it (no more than the
// line has left), `width` pixels wide. A ruby that would overlap another one
// takes its place: an earlier ruby whose characters reach `slot` ends before
// it, and rubies that start under the new one are removed. An empty text
// removes the slot's ruby (all its fields blank again). A text holding a
// time tag is not stored: the tag file would read it back as lyrics. Returns
// whether the line changed; a slot that is not a character slot is left alone.
bool storeRuby(lyrics::LyricLine& line, int slot, std::string_view typed, int span, int32_t width);

// Whole line: when any character is marked every mark is cleared, else every
// character is marked.
void toggleLineMarks(lyrics::LyricLine& line);

enum class LineStyle { Standard, Sub1, Sub2 };
LineStyle lineStyle(const lyrics::LyricLine& line);
// Standard -> "substyle1" -> "substyle2" -> "Kanji" + `styleNumber`.
void cycleStyle(lyrics::LyricLine& line, const std::string& styleNumber);

// The editor's state over the open song: the line shown (1-based), the
// cursor's character slot and the width of the cell in characters.
class RubyEditing {
public:
    // Line 1, cell width 1, the cursor on its first character.
    explicit RubyEditing(Session& session);

    int lineCount() const;
    int currentLine() const { return m_line; }
    const lyrics::LyricLine& line() const;
    // 0 while the line has no character slot.
    int cursorSlot() const { return m_cursor; }
    int cellWidth() const { return m_cellWidth; }

    // Moves the cursor; returns its left edge, cellLeft of the new slot
    // (pixels), or 0 when the line has no character (the cursor stays).
    int32_t cellPosition(CellMove move);
    // Every move of the cursor fits the cell to what a reading typed there
    // would cover: a reading already there, its characters; on a kanji, the
    // kanji of the word the dictionary sees from the cursor on (明日 as one
    // cell, so that あした over it times the word as one); else the one
    // character. Without the dictionary a kanji's cell is the one character.
    // Shift+Right / Shift+Left: one character more or less, never below 1.
    // No line has more than 300 slots, so the width stops there.
    void widenCell();
    void narrowCell();
    // Pixels: the cursor box, cellLeft of the cursor and the width of the
    // `cellWidth` characters from it (fewer at the line's end).
    int32_t cursorLeft() const;
    int32_t cursorWidth() const;

    // Up / Down: the line's ruby copied to the lines of its text, then the
    // previous / next line, wrapping between the first and the last; the
    // cursor goes to its first character.
    void previousLine() { changeLine(-1); }
    void nextLine() { changeLine(+1); }

    // The ruby of the cursor's slot (what the input starts with).
    std::string cursorRuby() const;
    // The typed ruby stored on the cursor's slot over `cellWidth` characters,
    // measured in the ruby font; a text holding a time tag is reported instead.
    void storeCursorRuby(std::string_view typed);
    void toggleLineMarks();
    void toggleCursorMark();
    void cycleStyle();

    // Closing: ruby placement and ruby timing over every line, and ruby
    // assigned, so the script gets its ruby events.
    void finish();
    // Whether anything of the song changed since the editor opened.
    bool changed() const { return m_changed; }
    // Something else changed the song while the editor was open (suggested readings accepted).
    void markChanged() { m_changed = true; }
    // Back to the song as it was when the editor opened (Cancel).
    void cancel();
    // Moves the cursor to character slot `slot` of the current line (a
    // click on it); other slots leave it where it is.
    void setCursorSlot(int slot);
    // Shows working line `line` (1-based; others are ignored), the cursor on its first character.
    void showLine(int line);

private:
    lyrics::LyricLine& editLine();
    void changeLine(int delta);
    void fitCellToWord();

    // The dictionary's words of the line shown, looked up once per line:
    // for each character, where its word ends (characters into the line).
    int m_wordsOfLine = 0;
    std::vector<int> m_wordEnds;

    Session& m_session;
    lyrics::Song m_opened;  // the song as it was when the editor opened
    bool m_editedBefore = false;  // Session::lyricsEdited when the editor opened
    int m_line = 1;
    int m_cursor = 0;
    int m_cellWidth = 1;
    bool m_changed = false;
};

}  // namespace kvelmor::app
