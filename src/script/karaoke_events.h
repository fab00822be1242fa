// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The `[Events]` header and the karaoke events: the events that show each
// lyric line with its karaoke timing. When and where a line shows (its times,
// \pos coordinates) and its override texts (pieceList, rawText, preText,
// postText) are prepared before; this only assembles them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::script {

// Texts built once per write and put into every event.
struct EventTexts {
    std::string verticalScalePrefix;  // empty or "{\fscy<percent>}"
    std::string fadeTag;              // empty or "{\fad(<in>,<out>)}", milliseconds
};
EventTexts eventTexts(const settings::ConversionOptions& o);

// Pieces: several texts hold ";"-separated pieces, one per output pass. A
// text without ";" has one piece, an empty text one empty piece.
std::vector<std::string_view> splitPieces(std::string_view text);
// Piece n (1-based) of the pieces; past the last piece, the last one.
std::string_view pieceAt(const std::vector<std::string_view>& pieces, size_t n);

// "[Events]" and its Format line.
void appendEventsHeader(std::string& out);

// The karaoke events of one line for the selected wipe style: the pass form
// (karaoke, per character, no wipe, free setting), two layers per pass, the
// second delayed (emphasis), plain text under karaoke text (border wipe), one
// event per pass and syllable (per-character setting) or per word. Layers are the
// line's `lineKind` + 100 (+ 110 for the upper layer of the border wipe and emphasis), in
// 64-bit arithmetic, so any `lineKind` gives a plain number.
void appendKaraokeEvents(std::string& out, const lyrics::LyricLine& line, const settings::ConversionOptions& o,
                         const EventTexts& texts);

}  // namespace kvelmor::script
