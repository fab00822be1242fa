// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Template expansion: turns every line of the working table into the
// override-tag texts the script writer copies into its events: karaoke tags
// per syllable, the colour and clip tags of the chosen wipe style, and the
// user's line and character templates with their placeholders filled in and
// their bracket arithmetic worked out.
//
// Outputs (working table only):
//   line rawText    the line's karaoke text; the border wipe writes it as its
//                   upper event, the other styles keep it for reference
//   line pieceList  the expanded line template (usesLineTemplate), else empty;
//                   ";" separates pieces, one event per piece
//   slot preText    transform prefix + expanded character template
//   slot postText   karaoke tags carried to the slot + its mark colour prefix
//   slot rubyText2  mark colour + letter spacing + "{\K" rubyDuration "}" of a
//                   slot with ruby ("{\k" in the per-character style; no
//                   karaoke tag in a style that does not sweep)
// Tag durations are centiseconds; placeholder times are milliseconds.
//
// Wipe styles (setting `wipe`):
//   0 karaoke          "{\K" d "}" per syllable
//   1 per character    "{\k" d "}" per syllable
//   2 no wipe          nothing
//   3 border wipe      colour pair, clip, and one clip transform per syllable
//   4 free setting, 5 wipe emphasis, 6 per-character setting, 7 per word:
//                      line template, syllable/character template, and
//                      "{\K" d "}" per syllable when KaraokeWipe is ticked
//
// Line template placeholders: %S when the line's singing starts (its first
// tag) and %E when it ends (its last tag), ms from the event start, %A and
// %R aftTime ms, %X posX, %Y posY, %W
// dispWidth, %L lineWidth, %H lineHeight, %C OriginalColor, %F tagFontPixcel,
// %B outLine, %D shadowDepth.
// Syllable placeholders (at each tag): %s syllable start ms from the event
// start, %S and %E as above, %R aftTime ms, %e syllable end ms, %t
// syllable duration ms.
// Character placeholders (at the first character after each tag): %x left
// edge of the character, %y posY, %h lineHeight, %w width up to the next tag,
// %f tagFontPixcel, %C OriginalColor, %A OriginalColorAlpha as alpha, %N
// characters in the line, %n number of this character, and %X %Y %W %L %B %D
// as in the line template.
// Any other "%" code stays as written.

#include <cstdint>
#include <functional>
#include <string>

#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::effects {

// Fills rawText, pieceList and every slot's preText, postText and rubyText2
// of every line of song.workLines from the settings; runs after layout, just
// before the script is written. Spreading a ruby evenly (kintouCheck) also
// moves that ruby's rubyX half a letter spacing to the right of its
// characters' left edge, so the spread ruby stays centred.
void expandTemplates(lyrics::Song& song, const settings::ConversionOptions& o);
// The same, calling afterLine(i) as soon as line i is expanded: a writer that
// writes each line there reads its slots while they are still in the cache.
void expandTemplates(lyrics::Song& song, const settings::ConversionOptions& o,
                     const std::function<void(int)>& afterLine);
// The same for the lines `wanted(i)` says yes to; the others are left as they are.
void expandTemplates(lyrics::Song& song, const settings::ConversionOptions& o,
                     const std::function<bool(int)>& wanted, const std::function<void(int)>& afterLine);

// The most a script may grow to through its templates: a template repeated
// over every character of the largest song must not fill the machine.
inline constexpr uint64_t kMaxScriptBytes = 256ull << 20;

// An upper estimate of the script's size once the templates are expanded, in
// bytes, worked out from the templates' lengths without expanding them, and
// the template setting ("commandLine" or "commandChar") that makes most of
// it ("" when no template is used).
struct ScriptSizeEstimate {
    uint64_t bytes = 0;
    std::string setting;
};
ScriptSizeEstimate estimateScriptSize(const lyrics::Song& song, const settings::ConversionOptions& o);

// The same for one line.
void expandLineTemplates(lyrics::LyricLine& line, const settings::ConversionOptions& o);

// "&H" + upper-case hexadecimal without leading zeros + "&" (0x0000FFFF -> "&HFFFF&").
std::string colourText(uint32_t colour);

// Transparency level 0..10 as an alpha text: "&H" + hex of round(level * 255 / 10),
// halves to even, + "&" (10 -> "&HFF&", 5 -> "&H80&", 0 -> "&H0&").
std::string alphaText(int32_t level);

}  // namespace kvelmor::effects
