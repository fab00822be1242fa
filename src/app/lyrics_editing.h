#pragma once
// The lyrics text editor's work on the open song: the text it opens with
// (the timed lines as read) and the replacement of those lines by the
// edited text.

#include <string>
#include <string_view>

#include "lyrics/lyrics_table.h"

namespace kvelmor::app {

class Session;

// Every line of the raw table as read, each followed by a line feed.
// Header lines are not part of it.
std::string lyricsEditText(const lyrics::Song& song);

// The name messages about the edited text give as their file: its line
// numbers are the editor's, not the lyrics file's.
inline constexpr const char* kLyricsEditName = "歌詞編集";

// Replaces the raw table by the lines of `text` (split at CR LF, LF or CR; a
// last line without a line break is a line too; every line is taken, empty
// or not, without the timed-line test, so "@title=..." is a line of
// characters here) and runs the full refresh, whose reports go to the
// session's reporter as a load's do. The song information, the lyrics path
// and the settings are not touched. A text of more than 299 lines, or a line
// of more than 300 slots, is refused with a report naming its line, and the
// song stays exactly as it was. Returns whether the text was applied.
bool applyLyricsEdit(Session& session, std::string_view text);

}  // namespace kvelmor::app
