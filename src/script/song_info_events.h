// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Song information events: a block of lines shown before the singing starts
// (songInfoPreCheck, styles songInfo1 and songInfo2) and a line or two at the
// top of the screen during the song (songInfoCheck, style songInfo). They
// come first in `[Events]`.
//
// Every event has Layer 0, an empty Actor, the margins "0000" and the Effect
// "Karaoke". Positions are the bottom-left corner of a line in script pixels
// (every style is bottom-left aligned); widths are measured in the song
// information font, scaled horizontally (mojiScaleX) like every measured width.

#include <string>
#include <string_view>
#include <vector>

#include "measure/text_measure.h"
#include "lyrics/lyrics_table.h"
#include "lyrics/time_value.h"
#include "settings/conversion_options.h"
#include "settings/ini_store.h"

namespace kvelmor::script {

// The labels in front of the singer, lyricist, composer and arranger, kept
// in the "info" section under songInfo1..songInfo4 (the program never writes
// them). The column is measured and written with the same labels, so an
// edited label still lines up with the right edge.
struct SongInfoLabels {
    std::string singer = "歌　：";
    std::string lyricist = "作詞：";
    std::string composer = "作曲：";
    std::string arranger = "編曲：";
    bool operator==(const SongInfoLabels&) const = default;
};
SongInfoLabels readSongInfoLabels(const settings::IniFile& ini);

// One song information or credit event.
struct InfoEvent {
    std::string start;  // "H:MM:SS.CC"
    std::string end;
    std::string style;
    std::string text;
    bool operator==(const InfoEvent&) const = default;
};

// "Dialogue: 0," + start + "," + end + "," + style + ",,0000,0000,0000,Karaoke," + text, ending with CR LF.
void appendInfoEvent(std::string& out, const InfoEvent& e);

// A time typed as hour, minute and second fields. Each field is read as a
// whole number on its own (not by character positions), so "0", "5", "07"
// all mean what they say: a one-digit minute or second never shifts the
// time. A field that is not a number, or is negative, counts as 0; minutes
// and seconds above 59 are added as they are. Centiseconds, at most the
// largest 32-bit time.
lyrics::Centiseconds timeFromFields(std::string_view hours, std::string_view minutes, std::string_view seconds);
// The same for a clock time whose fields are read already.
lyrics::Centiseconds timeFromClock(const settings::ClockTime& t);

struct TimeWindow {
    lyrics::Centiseconds start = 0;  // centiseconds
    lyrics::Centiseconds end = 0;    // never before start
    bool operator==(const TimeWindow&) const = default;
};

// The before-song block's display window. titleDispType 0: from 0 until
// titleEndTime centiseconds before the first line starts; when that is
// before 0, until one second before the first line, but not before 0.
// titleDispType 1: titleStartH/M/S to titleEndH/M/S. An end before the
// start is raised to the start.
TimeWindow beforeSongWindow(const lyrics::Song& song, const settings::ConversionOptions& o);

// Song information and the credit keep the places they have in a frame of
// this size (pixels) in any other: their distances from the frame's edges
// grow or shrink with it. Their text keeps its size.
inline constexpr int64_t kDesignWidth = 640;
inline constexpr int64_t kDesignHeight = 480;
struct FrameScale {
    double x = 1;  // dispWidth / kDesignWidth
    double y = 1;  // dispHeight / kDesignHeight
    // A distance of the 640 × 480 design in this frame, rounded half to even.
    int64_t alongX(int64_t pixels) const;
    int64_t alongY(int64_t pixels) const;
};
FrameScale frameScale(const settings::ConversionOptions& o);

// The before-song block (empty unless songInfoPreCheck is ticked): a
// right-aligned column of year, arranger, composer, lyricist and singer from
// the bottom up, and the album, title and subtitle centred from the top
// down; with CheckDouRetu the subtitle, title and album join the column
// instead. Empty values have no line. The distances from the frame's edges
// (the outline and shadow right of and below the column, TitleY, the first
// line's titleFontSize2 from the top) follow the frame (FrameScale). Where
// a centred line would meet the column, the column moves down below it as
// far as the frame allows, and a line that still meets it shrinks into the
// room left of it.
// Pixels a line of song information covers, its outline and shadow included.
struct InfoArea {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const InfoArea&) const = default;
};
// `areas`, when given, receives the area of every line written.
std::vector<InfoEvent> songInfoBeforeSongEvents(const lyrics::Song& song, const settings::ConversionOptions& o,
                                                const SongInfoLabels& labels, measure::TextMeasurer& measurer,
                                                std::vector<InfoArea>* areas = nullptr);

// At most this many passes of the scrolling line are written, so that a
// mistyped end time cannot make the script grow without bound (even an empty
// text, one pass per 25 centiseconds, fills almost seven hours).
inline constexpr int64_t kMaxScrollPasses = 100000;

// The top-of-screen information (empty unless songInfoCheck is ticked), from
// the first line's start to endH:endM:endS when any of them is not 0, else
// to the last line's end (an end before the start is raised to it).
// InfoMode 0: two fixed lines, the album and then "title / artist".
// InfoMode 1: "album / title / artist" (the non-empty ones) crossing the
// screen from the right edge (PlayResX) to just past the left edge at
// 5 centiseconds per pixel, so every pass lasts 5 × (PlayResX + width)
// centiseconds; a new pass starts every 5 × width + 25 centiseconds, the
// last one no later than the window's end.
std::vector<InfoEvent> songInfoTopEvents(const lyrics::Song& song, const settings::ConversionOptions& o,
                                         measure::TextMeasurer& measurer);

}  // namespace kvelmor::script
