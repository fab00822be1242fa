// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversion options: one immutable snapshot of every setting the
// layout, the script writer, the effect templates and the lyrics reader
// use, as plain typed fields with meaningful names. The value stores
// (ConversionSettings, CreditSettings) keep the settings as the window and
// the settings file hold them, by their field names; conversionOptions()
// reads them once, parses each value as it is used (whole numbers rounded
// half to even, reals from their leading number, colours clamped), and is
// the only place outside the settings folder's own tables that names them.
// The session builds a new snapshot whenever the settings changed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/conversion_settings.h"
#include "settings/credit_settings.h"

namespace kvelmor::settings {

// How the karaoke colour change is drawn (setting `wipe`, by position).
enum class Wipe : int32_t {
    Karaoke = 0,              // "カラオケ": each syllable swept in its time
    PerCharacter = 1,         // "1文字毎": each syllable switched at its start
    NoWipe = 2,               // "ワイプなし": no colour change
    Border = 3,               // "縁ワイプ": the border swept over plain text under it
    FreeSetting = 4,          // "自由設定": the effect templates, in the karaoke events
    Emphasis = 5,             // "ワイプ強調": a second, delayed layer per pass
    PerCharacterSetting = 6,  // "文字毎設定": one event per pass and syllable
    PerWord = 7,              // "空白区切毎": one event per space-separated word
};
inline constexpr int32_t kWipeCount = 8;

// The selected wipe style; a position outside the list is taken as Karaoke.
Wipe wipeStyle(const ConversionSettings& s);

// The character template is filled in these styles.
constexpr bool usesCharacterTemplate(Wipe w) { return w >= Wipe::FreeSetting; }
// The line template is filled in these styles.
constexpr bool usesLineTemplate(Wipe w) { return w >= Wipe::Border; }

// Which colour of a character marked in the ruby editor takes the mark
// colour (setting `ExColor`).
enum class MarkColour : int32_t { BeforeWipe = 0, Border = 1, Shadow = 2, Fixed = 3, AfterWipe = 4 };

// The style lines' border (option group `OptionBorder`).
enum class BorderStyle { OutlineAndShadow, OpaqueBox };

// Horizontal alignment of a line.
enum class Align : int32_t { Left = 1, Centre = 2, Right = 3 };

// How the rows of a screen come up (option group `DisplayType`).
enum class DisplayType { Grouped, OneByOne };

// How the top-of-screen song information is shown (`InfoMode`).
enum class SongInfoMode { TwoFixedLines, OneScrollingLine };

// When the titles before the song are shown (`titleDispType`).
enum class TitleWindow { UntilSinging, BetweenTimes };

// A clock time typed as hours, minutes and seconds, each as a whole number.
struct ClockTime {
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
    bool isZero() const { return hours == 0 && minutes == 0 && seconds == 0; }
};

// A font size and the pixel height of "あ" measured in it.
struct FontSize {
    int32_t points = 0;
    int32_t pixels = 0;
    std::string pixelsText;  // as the pixel-height field holds it: a style line's Fontsize
};

// A face with its flags, at a size.
struct SizedFont {
    FontValue font;
    FontSize size;
};

// The six colours of one style group, 0x00BBGGRR.
struct ColourSet {
    uint32_t primary = 0;    // after the wipe (\1c)
    uint32_t secondary = 0;  // before the wipe (\2c)
    uint32_t outline = 0;    // border (\3c)
    uint32_t shadow = 0;     // shadow (\4c)
    uint32_t mark = 0;       // characters marked in the ruby editor
    uint32_t outline2 = 0;   // border before the border wipe has passed
};

// Transparency levels 0 (opaque) .. 10 (invisible).
struct Levels {
    int32_t primary = 0;
    int32_t secondary = 0;
    int32_t outline = 0;
    int32_t back = 0;
};

struct ColourOptions {
    ColourSet standard;  // the lyrics and ruby styles
    ColourSet second;    // substyle1
    ColourSet third;     // substyle2
    Levels levels;       // shared by the three sets
    MarkColour markColour = MarkColour::BeforeWipe;
    uint32_t original = 0;       // %C of the templates
    int32_t originalLevel = 10;  // %A of the character template
    bool hex = false;            // style colours written "&H..." instead of decimal
};

struct BorderOptions {
    BorderStyle style = BorderStyle::OutlineAndShadow;
    int32_t outline = 0;  // pixels
    int32_t shadow = 0;   // pixels
    // The fields as typed (%B, %D of the templates) and as reals, infinite
    // read as 0 (the border wipe's clip).
    std::string outlineText, shadowText;
    double outlinePixels = 0, shadowPixels = 0;
};

struct MarginOptions {
    int32_t left = 0;      // pixels
    int32_t right = 0;     // pixels
    int32_t vertical = 0;  // pixels above the bottom edge
    int32_t rowGap = 0;    // pixels between rows
};

struct RowOptions {
    int64_t chosen = 2;  // rows per screen as chosen (list position + 1); the layout keeps it in range
    // The selected alignment of each kind of row; none when no member of
    // its group is selected (such a line keeps its position).
    std::optional<Align> top, middle, bottom, singleLine;
    bool detectSingleLine = true;  // a first-row line after a first-row line takes singleLine
    bool fineCentring = true;      // narrow lines centred in the outer thirds
    bool bottomAlign = true;       // short screens moved down onto the bottom rows
    bool lineBreak = false;        // the automatic line break
    bool narrowSpaces = false;     // spaces measured half wide
};

struct RubyOptions {
    int32_t up = 0;     // pixels above the ruby
    int32_t down = 0;   // pixels between ruby and characters
    int32_t left = 0;   // pixels the ruby moves right
    double scale = 1;   // horizontal scale of lines and ruby
    bool spread = true; // readings spread over their characters
};

struct Fade {
    bool on = false;
    int32_t ms = 0;
};

struct TimingOptions {
    int32_t leadIn = 0;   // centiseconds a line shows before it is sung
    int32_t leadOut = 0;  // centiseconds it stays after
    int32_t shift = 0;    // centiseconds added to every tag
    bool correction = true;  // tag times corrected for the player's clock
    DisplayType display = DisplayType::Grouped;
    bool groupGaps = true;    // the two gaps below in grouped display
    int32_t gapBefore = 0;    // centiseconds
    int32_t gapAfter = 0;     // centiseconds
    bool newLineFirst = true;  // a new line waits for no earlier line of its row
    int32_t newLineLead = 0;   // centiseconds
    Fade fadeIn, fadeOut;      // milliseconds
};

struct TemplateOptions {
    std::string line;       // the line template
    std::string character;  // the character template
    bool karaokeWipe = true;  // the templated styles still sweep
    bool noPosition = false;  // events placed by their template, not by \pos
    int32_t sample = 0;       // position of the chosen effect sample
    int32_t delay = 0;        // centiseconds the emphasis layer waits
    double clipWipe = 0;      // pixels replacing the shadow on the last syllable
};

struct SongInfoOptions {
    bool top = false;  // the information at the top of the screen
    SongInfoMode mode = SongInfoMode::TwoFixedLines;
    int32_t x = 0, y = 0;  // pixels
    FontValue font;
    FontSize topSize, firstTitleSize, secondTitleSize;
    uint32_t primary = 0, outline = 0, shadow = 0;  // 0x00BBGGRR
    int32_t primaryLevel = 0, outlineLevel = 0, backLevel = 0;
    bool beforeSong = false;  // the titles before the song
    TitleWindow window = TitleWindow::UntilSinging;
    ClockTime start, end;       // BetweenTimes
    int32_t untilSinging = 0;   // centiseconds before the singing starts (UntilSinging)
    int32_t titleY = 0;         // pixels, at the design frame's size
    int32_t spacer = 0;         // pixels between the two titles
    bool sameColumn = false;    // both titles in one column
    int32_t fadeIn = 0, fadeOut = 0;  // milliseconds
    ClockTime songEnd;          // the song's length; zero: the last line's end
};

// The credit window's fields, read as the script uses them.
struct CreditOptions {
    CreditOptions() = default;
    explicit CreditOptions(const CreditSettings& c);

    FontValue font{"MS UI Gothic"};
    int32_t size = 0;  // points
    // 0x00BBGGRR; a value outside 0 .. 0xFFFFFF reads as 0.
    uint32_t primary = 65535, outline = 0, shadow = 0;
    int32_t primaryLevel = 0, outlineLevel = 0, backLevel = 5;
    int32_t x = 0, y = 0;    // pixels: the bottom-left corner
    bool fromRight = false;  // x counted from the right edge
    std::string text, tag;
    int32_t fadeIn = 0, fadeOut = 0;  // milliseconds
    ClockTime start, end;
    int32_t characterSet = 0;  // position in the character-set list
};

struct ConversionOptions {
    ConversionOptions() = default;
    // The snapshot of the value stores. Explicit, since each build parses
    // every setting: the session keeps one and builds it again only after a
    // change (Session::options).
    explicit ConversionOptions(const ConversionSettings& s, const CreditSettings& c = {});

    struct Frame {
        int32_t width = 0, height = 0;  // pixels: the script's PlayResX and PlayResY
        std::string widthText;          // as typed (%W of the templates)
    } frame;
    SizedFont lyricsFont;
    SizedFont rubyFont;
    int32_t characterSet = 0;  // position in the character-set list
    std::string styleNumber;   // appended to the style names ("Kanji1")
    struct Scale {
        double x = 1, y = 1;  // horizontal and vertical scale of the lyrics
        bool yIsOne = true;   // the vertical scale typed exactly "1": no \fscy
    } scale;
    ColourOptions colours;
    BorderOptions border;
    MarginOptions margins;
    RowOptions rows;
    RubyOptions ruby;
    TimingOptions timing;
    Wipe wipe = Wipe::Karaoke;
    TemplateOptions templates;
    SongInfoOptions songInfo;
    struct Output {
        bool kra = false;        // the tag file written with the script
        bool unicode = true;     // the script written UTF-16 rather than CP932
        bool mediaTime = false;  // the song's length taken from a probed media file
    } output;
    bool creditOn = false;
    CreditOptions credit;
};

// The fields that code outside the settings folder writes (the reader's
// time correction, the effect sample, the templates a sample fills).
inline constexpr std::string_view kTimeCorrectionField = "timing.winampStretch";
inline constexpr std::string_view kEffectSampleField = "wipe.sample";

}  // namespace kvelmor::settings
