// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The head of a written script: the `[Script Info]` values and the
// `[V4+ Styles]` lines, with the colour values they carry.
//
// Two refresh stages keep the stored part up to date while the user edits:
// refreshScriptInfo (stage 4) and refreshStyles (stage 5). The other style
// lines (song information, credit, sub-styles) are built from the current
// settings when the script is written.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "measure/text_measure.h"
#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::script {

inline constexpr const char* kHomePage = "https://kvelmor.org";

// The `[Script Info]` values, named after the script's own keys.
struct ScriptInfo {
    std::string Title;           // the song's title, else the preset name
    std::string OriginalScript;  // the login name of the user
    std::string ScriptType = "v4.00+";
    std::string Collisions;      // empty: the line is left out
    int32_t PlayResX = 0;        // pixels: dispWidth
    int32_t PlayResY = 0;        // pixels: dispHeight
    std::string PlayDepth;       // empty: the line is left out
    std::string Timer = "100.0000";
    int32_t WrapStyle = 2;
    bool operator==(const ScriptInfo&) const = default;
};

// One style line. Field names and order are those of the Format line.
// Colours are colour values: the alpha byte times 2^24 plus the colour
// 0x00BBGGRR, as a signed 32-bit number (alpha 128 and up is negative).
struct StyleRecord {
    std::string Name;
    std::string Fontname;
    std::string Fontsize;  // script pixels, written as the pixel-height field holds it
    // The font and point size that pixel height was measured in. The writer
    // adds back what rounding the cell height dropped, so a renderer (which
    // sizes a font by its cell) draws the em the widths were measured at.
    std::string sizeFace;
    int32_t sizePoints = 0;
    int32_t PrimaryColour = 0;
    int32_t SecondaryColour = 0;
    int32_t OutlineColour = 0;
    int32_t BackColour = 0;
    bool Bold = false;  // written -1 when set, 0 when not
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int32_t ScaleX = 100;  // percent
    int32_t ScaleY = 100;  // percent
    int32_t Spacing = 0;   // pixels
    int32_t Angle = 0;     // degrees
    int32_t BorderStyle = 1;  // 1 outline and drop shadow, 3 opaque box
    int32_t Outline = 0;      // pixels
    int32_t Shadow = 0;       // pixels
    int32_t Alignment = 1;    // bottom left: every lyric event places itself with \pos
    int32_t MarginL = 0;      // pixels
    int32_t MarginR = 0;
    int32_t MarginV = 0;
    int32_t Encoding = 128;   // character-set number
    bool operator==(const StyleRecord&) const = default;
};

// The state the refresh stages keep between edits.
struct ScriptHeader {
    ScriptInfo info;
    StyleRecord lyricsStyle;  // "Kanji" + StyleNumber
    StyleRecord rubyStyle;    // "Ruby" + StyleNumber
};

// What the credit style line (songInfo3) takes from the credit settings.
// Defaults are those of a settings file that holds no credit keys; the
// credit settings model fills it from its own fields.
struct CreditStyleSource {
    settings::FontValue font{"MS UI Gothic"};  // the credit window's font
    std::string pixelsText = "0";              // pixel height of that font at its size, as text
    int32_t points = 0;                        // the size pixelsText was measured at
    uint32_t primary = 65535;                  // 0x00BBGGRR
    uint32_t outline = 0;
    uint32_t shadow = 0;
    int32_t primaryLevel = 0;  // transparency levels 0..10
    int32_t outlineLevel = 0;
    int32_t backLevel = 5;
    int32_t characterSet = 0;  // position in the character-set list
};

// --- Colour values ---------------------------------------------------------

// A transparency level 0..10 as an alpha byte: level × 255 / 10 rounded half
// to even (1 -> 26, 2 -> 51, 5 -> 128, 10 -> 255). Levels outside 0..10 are
// taken as the nearest end.
int32_t alphaByte(int32_t level);

// Alpha byte × 2^24 plus the colour, wrapped into a signed 32-bit value.
// Only the low 24 bits of the colour count.
int32_t colourValue(uint32_t colour, int32_t level);

// The colour with the transparent mask &hFF000000 added (fully transparent).
int32_t transparentColourValue(uint32_t colour);

// Signed decimal ("16777215", "-16777216"), or with `hex` "&H" and upper-case
// hexadecimal digits without leading zeros ("&HFFFFFF", "&HFF000000", "&H0").
std::string colourText(int32_t value, bool hex);

// Item data of an entry of the character-set list (SHIFT JIS 128, ANSI 0,
// CHINESE BIG5 136). A position outside the list counts as the first entry.
int32_t characterSetNumber(int32_t listIndex);

// --- Texts built per write ---------------------------------------------------

// The script's path: the lyrics path with its extension replaced by "ass"
// (song.txt and song.kra give song.ass; a.b.txt gives a.b.ass). A file name
// without an extension gets ".ass" appended; dots in folder names are never
// taken for an extension.
std::string scriptPathFor(std::string_view lyricsPath);

// Empty when the vertical scale (mojiScaleY) reads exactly "1"; otherwise "{\fscy" + the scale in
// percent + "}" (1.5 -> "{\fscy150}"). The percentage is written with at most
// 15 significant digits, so 1.15 gives 115 and not 114.99999999999999.
std::string verticalScalePrefix(const settings::ConversionOptions& o);

// "{\fad(in,out)}" in milliseconds, each 0 unless its box is ticked; empty
// when both are 0.
std::string fadeTag(const settings::ConversionOptions& o);

// The login name of the user running the program, at most 255 bytes; empty
// when the system names none.
std::string currentUserName();

// --- Refresh stages ------------------------------------------------------------

// Stage 4: the `[Script Info]` values. `presetName` is the text of the preset
// box, the title used when the song has none.
void refreshScriptInfo(ScriptHeader& header, const lyrics::Song& song, const settings::ConversionOptions& o,
                       std::string_view presetName);

// Stage 5: the lyrics style and the ruby style from the main window's font,
// colour, transparency, border, margin and character-set fields.
void refreshStyles(ScriptHeader& header, const settings::ConversionOptions& o);

// --- Writing ---------------------------------------------------------------------

// The style lines of the script, in order: songInfo1, songInfo2 (information
// before the song), songInfo (at the top), songInfo3 (credit), the lyrics
// style, substyle1, substyle2, the ruby style, substyleRuby1, substyleRuby2,
// each only when it is used.
std::vector<StyleRecord> scriptStyles(const ScriptHeader& header, const lyrics::Song& song,
                                      const settings::ConversionOptions& o, const CreditStyleSource& credit);

// "Style: " and the 23 fields joined by "," (no line end).
// The Fontsize a style line carries: its pixel height with the fraction that
// rounding the cell height dropped added back (51 becomes 51.633 for a cell
// of 51.6328 pixels), so the renderer draws the em the widths were measured
// at. A height the measurer does not reproduce (a pixel-height field left
// from another size) is scaled by the same ratio.
std::string renderedFontSize(const StyleRecord& style, measure::TextMeasurer& measurer);

std::string styleLine(const StyleRecord& style, bool colourHex);

// Appends `[Script Info]` up to its closing empty line. Lines end with CR LF.
void appendScriptInfo(std::string& out, const ScriptInfo& info, const lyrics::SongInfo& songInfo);

// Appends `[V4+ Styles]`, its Format line, the style lines and the closing
// empty line. Colours take the "&H" form when ColorHex is ticked.
void appendStyles(std::string& out, const std::vector<StyleRecord>& styles, const settings::ConversionOptions& o);

}  // namespace kvelmor::script
