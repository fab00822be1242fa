// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics text editor's work on the open song: the text it opens with
// (the header lines and the timed lines, with their readings) and the
// replacement of the song's lines and header texts by the edited text.

#include <string>
#include <string_view>

#include "lyrics/lyrics_table.h"

namespace kvelmor::app {

class Session;

// The header lines that have a value ("@title=..." in the order the tag
// file writes them), then the lines, each followed by a line feed. While no
// line carries a reading the lines are those of the raw table as read (or
// typed); once one does they are the working lines in the tag file's
// notation, readings inline ("[tb]base[tb]([tb]reading[te])[te]"), so that an
// edit keeps the readings typed in the ruby editor.
std::string lyricsEditText(const lyrics::Song& song);

// Whether any working line carries a reading.
bool hasReadings(const lyrics::Song& song);
// Whether the ruby editor marked a character or gave a line a spare style:
// the editor's text cannot hold either, so a changed text drops them.
bool hasMarksOrStyles(const lyrics::Song& song);

// Writes the readings the working lines carry back into the raw lines they
// were built from, so that a rebuild of the working table (a preset
// selected, a setting that changes the lines' text) gives them back: each raw
// line becomes its working lines in the tag file's notation, joined again
// (the tag repeated where the automatic line break cut the line written
// once). A raw line whose text would then need more than 300 slots keeps its
// text, and the lines are reported. Returns whether every line was taken.
bool keepReadingsInReadLines(Session& session);

// The name messages about the edited text give as their file: its line
// numbers are the editor's, not the lyrics file's.
inline constexpr const char* kLyricsEditName = "歌詞編集";

// Replaces the raw table by the lines of `text` (split at CR LF, LF or CR; a
// last line without a line break is a line too) and runs the full refresh,
// whose reports go to the session's reporter as a load's do. A header line
// ("@title=", "@artist=" ... in any letter case) sets its song text and
// "@timeratio=" the time correction, as in a lyrics file; the song texts
// not given are emptied. Every other line is taken, empty or not, without
// the timed-line test. The lyrics path is not touched; the song counts as
// edited (Session::lyricsEdited). A text of more than 299 lines, or a line of
// more than 300 slots, is refused with a report naming its line, and the
// song stays exactly as it was. Returns whether the text was applied.
bool applyLyricsEdit(Session& session, std::string_view text);

}  // namespace kvelmor::app
