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
#include "settings/conversion_settings.h"

namespace kvelmor::script {

// The wipe modes of the `wipe` option group, by index.
enum class WipeMode : int32_t {
    Karaoke = 0,              // "カラオケ": pass form
    PerCharacter = 1,         // "1文字毎": pass form
    NoWipe = 2,               // "ワイプなし": pass form
    EdgeWipe = 3,             // "縁ワイプ": plain text under karaoke text
    FreeSetting = 4,          // "自由設定": pass form
    WipeEmphasis = 5,         // "ワイプ強調": two layers per pass, the second delayed
    PerCharacterSetting = 6,  // "文字毎設定": one event per pass and syllable
    PerWord = 7,              // "空白区切毎": one event per space-separated word
};

// The selected wipe mode; an index outside the group is taken as Karaoke.
WipeMode wipeMode(const settings::ConversionSettings& s);

// Texts built once per write and put into every event.
struct EventTexts {
    std::string verticalScalePrefix;  // empty or "{\fscy<percent>}"
    std::string fadeTag;              // empty or "{\fad(<in>,<out>)}", milliseconds
};
EventTexts eventTexts(const settings::ConversionSettings& s);

// Pieces: several texts hold ";"-separated pieces, one per output pass. A
// text without ";" has one piece, an empty text one empty piece.
std::vector<std::string_view> splitPieces(std::string_view text);
// Piece n (1-based) of the pieces; past the last piece, the last one.
std::string_view pieceAt(const std::vector<std::string_view>& pieces, size_t n);

// "[Events]" and its Format line.
void appendEventsHeader(std::string& out);

// The karaoke events of one line for the selected wipe mode. Layers are the
// line's `lineKind` + 100 (+ 110 for the upper layer of modes 3 and 5), in
// 64-bit arithmetic, so any `lineKind` gives a plain number.
void appendKaraokeEvents(std::string& out, const lyrics::LyricLine& line, const settings::ConversionSettings& s,
                         const EventTexts& texts);

}  // namespace kvelmor::script
