// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics of the open song: the raw table (lines as read) and the working
// table built from it. Both hold `LyricLine` records; index 0 of a table is a
// blank record that is never used for lyrics, lines are 1-based, and so are
// the slots of a line.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lyrics/time_value.h"

namespace kvelmor::lyrics {

inline constexpr int kMaxSlots = 300;     // usable slots of a line (tags and characters)
inline constexpr int kMaxRawLines = 299;  // lines a song may have

// A time tag written inside a reading ("きょ[00:13:50]う"): from it on, the
// rest of the reading is sung.
struct RubyBeat {
    uint32_t offset = 0;        // bytes into the reading where its next piece starts
    Centiseconds rawTime = 0;   // as written
    Centiseconds time = 0;      // corrected and shifted, as a tag slot's time
    bool operator==(const RubyBeat&) const = default;
};

// The ruby fields of a slot: the reading over the run of characters that
// starts at the slot, and where and when it is shown.
struct SlotRuby {
    std::string ruby;       // reading of the run of characters that starts here
    std::vector<RubyBeat> beats;  // tags inside the reading, in order; offsets inside it
    int32_t rubyWidth = 0;  // pixels: width of `ruby` in the ruby font
    int32_t rubyHeight = 0; // pixels: height of the ruby font
    int32_t rubySpan = 0;   // character slots the ruby covers, starting here; 0 if none
    Centiseconds rubyStartTime = 0;
    Centiseconds rubyEndTime = 0;
    Centiseconds rubyDuration = 0;
    int32_t rubyX = 0;  // pixels: left edge of the ruby
    int32_t rubyY = 0;  // pixels: bottom edge of the ruby
    int32_t rubyScaleX = 100;  // percent: drawn this wide, to keep clear of its neighbours

    bool operator==(const SlotRuby&) const = default;
};

// Holds a slot's SlotRuby, by value: copies copy it, and a holder that has
// none reads as blank fields. Only a few slots of a line start a ruby, so
// the others keep a null pointer rather than the fields themselves, which
// keeps the slot record at 64 bytes for the stages that walk every slot.
class RubyHolder {
public:
    RubyHolder() = default;
    RubyHolder(const RubyHolder& other)
        : m_fields(other.m_fields ? std::make_unique<SlotRuby>(*other.m_fields) : nullptr) {}
    RubyHolder(RubyHolder&&) noexcept = default;
    RubyHolder& operator=(const RubyHolder& other) {
        if (this == &other) return *this;
        if (!other.m_fields) clear();
        else if (m_fields) *m_fields = *other.m_fields;
        else m_fields = std::make_unique<SlotRuby>(*other.m_fields);
        return *this;
    }
    RubyHolder& operator=(RubyHolder&&) noexcept = default;
    ~RubyHolder() = default;

    const SlotRuby& get() const { return m_fields ? *m_fields : blank(); }
    SlotRuby& edit() {
        if (!m_fields) m_fields = std::make_unique<SlotRuby>();
        return *m_fields;
    }
    // Blank fields again; storage already made is kept for the next ruby.
    void clear() {
        if (!m_fields) return;
        SlotRuby& f = *m_fields;
        f.ruby.clear();
        f.beats.clear();
        f.rubyWidth = f.rubyHeight = f.rubySpan = 0;
        f.rubyStartTime = f.rubyEndTime = f.rubyDuration = 0;
        f.rubyX = f.rubyY = 0;
        f.rubyScaleX = 100;
        struct KnownFields {
            std::string ruby;
            std::vector<RubyBeat> beats;
            int32_t numbers[9];
        };
        static_assert(sizeof(SlotRuby) == sizeof(KnownFields), "SlotRuby changed: clear its new fields here");
    }
    bool operator==(const RubyHolder& other) const { return get() == other.get(); }

private:
    static const SlotRuby& blank() {
        static const SlotRuby kBlank;
        return kBlank;
    }
    std::unique_ptr<SlotRuby> m_fields;
};

// One slot of a line: one character or one time tag.
struct LyricUnit {
    std::string text;           // the character of a character slot (UTF-8), empty for a tag
    int32_t width = 0;          // pixels: measured width of the character
    Centiseconds time = 0;      // tag: time after the time-ratio correction
    Centiseconds rawTime = 0;   // tag: time exactly as written
    Centiseconds duration = 0;  // to the next tag, or a character's share of it
    RubyHolder rubyHolder;      // see rubyFields()
    bool isChar = false;        // true: one character; false: a time tag
    bool cellMark = false;      // the character is marked in the ruby editor

    // The slot's ruby fields, blank when no ruby starts here.
    const SlotRuby& rubyFields() const { return rubyHolder.get(); }
    // The same for writing.
    SlotRuby& editRuby() { return rubyHolder.edit(); }

    bool operator==(const LyricUnit&) const = default;
};

// A tag slot's `time` as script time text.
inline std::string timeText(const LyricUnit& u) { return formatScriptTime(u.time); }

// The override texts template expansion makes for one slot. They are kept
// beside the slots rather than in them (only the writer reads them, and a
// slot record without them is small enough for the refresh to walk quickly),
// all in one text per line, which the slots point into.
struct SlotTexts {
    std::string_view preText;    // override text placed before the slot
    std::string_view postText;   // second override text of the slot
    std::string_view rubyText2;  // text written with the ruby events
};

// Where one slot text lies in its line's store.
struct TextSpan {
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct LyricLine {
    int32_t unitCount = 0;       // slots 1..unitCount are in use
    std::string dialoguePrefix;  // written right after "Dialogue: "
    int32_t lineKind = 0;        // layer base of the line's events (10 when built)
    Centiseconds startTime = 0;  // first tag, later the display start
    Centiseconds endTime = 0;    // last tag, later the display end
    Centiseconds firstTagTime = 0;  // as written, before correction
    Centiseconds lastTagTime = 0;
    std::string startText;  // startTime as script time text
    std::string endText;
    std::string kanjiStyle;  // "Kanji<n>", or "substyle1"/"substyle2"
    std::string rubyStyle;   // "Ruby<n>"
    std::string styleExtra;  // Actor field of the line's events
    std::string marginLText;
    std::string marginRText;
    std::string marginVText;
    std::string pieceList;  // ";"-separated piece names, "Karaoke" when built
    Centiseconds preTimeUsed = 0;  // lead-in applied before the first tag
    Centiseconds aftTimeUsed = 0;  // lead-out applied after the last tag
    Centiseconds advanceTime = 0;  // how much earlier than its own start the line is shown
    int32_t layoutValue = 0;       // working value of the line timing
    std::string rawText;    // raw table: the line as read; working table: template output
    std::string plainText;  // the characters of all character slots, in order
    int32_t posX = 0;       // pixels: left edge written into \pos
    int32_t posY = 0;       // pixels: bottom edge written into \pos
    int32_t lineWidth = 0;  // pixels
    int32_t lineHeight = 0; // pixels
    int32_t rowNumber = 0;  // screen row, 1..10
    int32_t sourceLine = 0;  // line of the lyrics file (or edited text) it comes from; 0 when unknown
    int32_t readLine = 0;    // working table: the raw line (1-based) it was built from; 0 when unknown
    // The display window the line's rows gave it (centiseconds), before
    // lines were cut or held back so that no two share a row at once.
    Centiseconds plannedStart = 0;
    Centiseconds plannedEnd = 0;
    std::string markColour;  // colour text of the marked characters (the mark colour), see markColorText()
    // Slot 0 is never used; slots 1..unitCount follow. At most kMaxSlots + 1 entries.
    std::vector<LyricUnit> units = std::vector<LyricUnit>(1);

    LyricUnit& unit(int k) { return units[static_cast<size_t>(k)]; }
    const LyricUnit& unit(int k) const { return units[static_cast<size_t>(k)]; }

    // Template expansion output. The texts of slot k, empty for a slot it has
    // not reached or a line never expanded; valid until the texts change.
    SlotTexts texts(int k) const;
    // Empties the texts of every slot.
    void clearTexts();
    // Sets a text of slot k to the parts given, one after the other.
    void setPreText(int k, std::string_view part1, std::string_view part2 = {});
    void setPostText(int k, std::string_view part1, std::string_view part2 = {});
    void setRubyText2(int k, std::string_view text);
    // Appends a slot; returns false (and appends nothing) when the line is full.
    bool appendUnit(LyricUnit u);

private:
    struct SlotTextSpans {
        TextSpan pre, post, ruby2;
    };
    SlotTextSpans& spans(int k);
    TextSpan store(std::string_view part1, std::string_view part2);

    std::string m_textStore;                 // every slot text of the line
    std::vector<SlotTextSpans> m_textSpans;  // by slot number
};

// The colour text of slot k when it is a marked character, else empty.
inline std::string markColorText(const LyricLine& line, int k) {
    return line.unit(k).cellMark ? line.markColour : std::string();
}

// Gives the slot the values of a new LyricUnit; its strings keep their storage.
void blankUnit(LyricUnit& u);

// Builds a slot list in storage that may still hold the slots of an earlier
// line, overwriting them instead of destroying and constructing them again.
// Slot 0 and every slot next() hands out have the values of a new LyricUnit;
// take() drops the old slots that were not reused.
class UnitListBuilder {
public:
    explicit UnitListBuilder(std::vector<LyricUnit> storage);
    LyricUnit& next();
    std::vector<LyricUnit> take();

private:
    std::vector<LyricUnit> m_units;
    size_t m_used = 1;  // slots handed out, slot 0 included
};

// A table of lines: index 0 is the blank template record, lines are 1-based.
class LineTable {
public:
    LineTable() : m_lines(1) {}

    int count() const { return static_cast<int>(m_lines.size()) - 1; }
    LyricLine& line(int i) { return m_lines[static_cast<size_t>(i)]; }
    const LyricLine& line(int i) const { return m_lines[static_cast<size_t>(i)]; }
    LyricLine& operator[](int i) { return line(i); }
    const LyricLine& operator[](int i) const { return line(i); }

    // Grows the table by one record, a fresh copy of the blank record
    // whatever that index held before; returns the new line.
    LyricLine& appendLine();
    void append(LyricLine l) { m_lines.push_back(std::move(l)); }
    // Back to the blank record only.
    void reset() { m_lines.resize(1); m_lines[0] = LyricLine{}; }
    // As reset(), but the slot lists of the lines are kept for takeSpareUnits():
    // a refresh rebuilds the whole working table, and destroying and
    // allocating its slots again each time cost more than building them.
    void recycle();
    // A slot list kept by recycle(), still holding the old slots, or an empty
    // list when none is left. Meant for a UnitListBuilder.
    std::vector<LyricUnit> takeSpareUnits();

private:
    std::vector<LyricLine> m_lines;
    std::vector<std::vector<LyricUnit>> m_spareUnits;
};

struct SongInfo {
    std::string title;
    std::string subtitle;
    std::string artist;
    std::string album;
    std::string lyrics;   // lyricist
    std::string compose;  // composer
    std::string arrange;  // arranger
    std::string year;
    bool operator==(const SongInfo&) const = default;
};

enum RubyState : int16_t { kNoRuby = 1, kRubyAssigned = 2 };

// The song as the program holds it.
struct Song {
    LineTable readLines;
    LineTable workLines;
    int16_t rubyState = kNoRuby;
    SongInfo songInfo;
    std::string lyricsPath;
    // The song's own time correction, from its file's "@timeratio=" line:
    // while set it stands in for the preset's WinAMPTime for this song only.
    std::optional<bool> timeCorrection;

    int rawLineCount() const { return readLines.count(); }
    int lineCount() const { return workLines.count(); }
    // Empties both tables and the song information; ruby not assigned.
    void reset();
};

}  // namespace kvelmor::lyrics
