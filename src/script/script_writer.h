// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The whole script: `[Script Info]`, `[V4+ Styles]` and `[Events]` built in
// memory, and the file written beside the lyrics file.
//
// Before a write the caller runs what the write command runs first: the step
// that settles the rows (new line priority) again, and the expansion of the
// effect templates (pieceList, rawText, preText, postText, rubyText2).

#include <string>
#include <string_view>

#include "common/reporter.h"
#include "measure/text_measure.h"
#include "lyrics/lyrics_table.h"
#include "script/karaoke_events.h"
#include "script/script_header.h"
#include "script/song_info_events.h"
#include "settings/app_state.h"
#include "settings/conversion_options.h"

namespace kvelmor::script {

// The credit style's look from the credit window's fields; its Fontsize is
// the pixel height of "あ" in the credit font at CreditFontSize.
CreditStyleSource creditStyleSource(const settings::CreditOptions& credit, measure::TextMeasurer& measurer);

// The script as UTF-8 text, every line ending with CR LF. The events come in
// this order: song information before the song, song information at the top,
// the credit, then for every line its karaoke events followed by its ruby
// events. `credit` is the credit window's fields (its style line and event
// appear only while menuCreditOn is checked), `labels` the song information
// labels kept in the settings file; `measurer` measures the song information
// widths and the credit font's pixel height.
std::string scriptText(const lyrics::Song& song, const settings::ConversionOptions& o, const ScriptHeader& header,
                       const settings::CreditOptions& credit, const SongInfoLabels& labels,
                       measure::TextMeasurer& measurer);

// scriptText in two parts: everything before the events of the lyric lines
// (with room reserved for the whole script), and the events of line i, its
// karaoke events followed by its ruby events.
std::string scriptHead(const lyrics::Song& song, const settings::ConversionOptions& o, const ScriptHeader& header,
                       const settings::CreditOptions& credit, const SongInfoLabels& labels,
                       measure::TextMeasurer& measurer);
void appendLineEvents(std::string& out, const lyrics::Song& song, int i, const settings::ConversionOptions& o,
                      const EventTexts& texts);

// Writes the script to scriptPathFor(song.lyricsPath). Nothing happens
// without a lyrics path. Returns whether the file was written; every failure
// is reported.
bool writeScript(const lyrics::Song& song, const settings::ConversionOptions& o, const ScriptHeader& header,
                 const settings::CreditOptions& credit, const SongInfoLabels& labels, measure::TextMeasurer& measurer,
                 Reporter& reporter);

// Writes script text to `path`: with `unicode` as UTF-16 little-endian with a
// byte-order mark, without it in CP932. A character CP932 cannot hold is never
// replaced: each script line holding one is reported with those characters,
// and nothing is written. The file is written whole or not at all (a
// temporary file in the same folder renamed into place), so a failed write
// leaves whatever was there before.
bool writeScriptFile(const std::string& path, std::string_view text, bool unicode, Reporter& reporter);

}  // namespace kvelmor::script
