// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings schema: every setting described once, by one row. A row holds
// the setting's meaningful name ("frame.width"), the window's field name
// ("dispWidth", also the widget's objectName) and its settings-file key(s),
// its kind, default, range and choices, its Japanese caption with an English
// description, how typing in it reacts, what a change makes stale, and the
// rules that carry a change on to other settings. The conversion settings
// and the credit's settings are two groups of the same schema.
//
// Meaningful names are dotted: the area first ("frame", "lyricsFont",
// "rubyFont", "songInfoFont", "colour", "sub1Colour", "sub2Colour", "alpha",
// "border", "margin", "rows", "align", "ruby", "scale", "timing", "display",
// "fade", "wipe", "songInfo", "titles", "style", "output", "credit"), then
// what it holds in lower camel case ("lyricsFont.size", "credit.posX").
// Everything read from or written to files, the window and other programs
// uses the field names and keys, which stay as they are.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvelmor::settings {

// What a change of a setting makes stale. The refresh pipeline (app) runs
// the stages each of these needs, in the order it needs them.
enum class Invalidates {
    Nothing,
    FrameSize,       // the script's resolution, and with it every placement and fit check
    StyleLayout,     // a style's look that moves the lines: fonts, margins, shadow
    Styles,          // a style's look alone: colours, transparency, border
    StyleSet,        // the number of styles or rows: everything from the styles on
    LineSpacing,     // the vertical scale of the rows: placement until the rows settle
    ExtendedColour,  // the extended colours, written into the timed events
    Alignment,       // line alignment: from the tag extremes until the rows settle
    LineText,        // how the lines are read and broken: from the lines read on
    RubyGaps,        // the gaps around ruby: placement, ruby and fit checks
    RubyOffset,      // ruby's horizontal offset: placement and ruby
    RubyPositions,   // ruby positions alone
    LeadInOut,       // the lead-in and lead-out: display windows, rows and ruby timing
    TagShift,        // the shift of every tag time: times, lead-in and ruby timing
    DisplayType,     // group or one-by-one display: from the lines read on, with ruby
    Everything,      // the song information shown or not: every stage
};

enum class Group { Conversion, Credit };

enum class Kind {
    NumberText,    // digits typed into a field; read as a whole number or a real
    Text,          // free text (templates, the credit's text)
    Box,           // "0" or "1"
    OptionMember,  // one option button of a group; "1" when selected
    Choice,        // index of the selected member of an option group kept as one value
    ListIndex,     // index into a fixed list
    Colour,        // 0x00BBGGRR in decimal
    Level,         // transparency 0..10
    FontFace,      // a face name
    FontFlag,      // Bold/Italic/Underline/Strikethrough of a font: "0" or "1"
    PixelHeight,   // derived: height of "あ" in a font at a size; not editable
};

// Keys a number field accepts while typing.
enum class Accepts { Digits, DigitsMinus, DigitsPoint, AnyKey };

// What replaces a text that is not a number when a field is validated.
enum class Replace {
    None,         // the text passes on as typed
    Zero,         // "0"
    One,          // "1"
    Ten,          // "10"
    DoubleZero,   // "00"
    PresetValue,  // the value stored in the current preset (or the default)
    ClearBox,     // the text stays; the field's box is cleared
};

// Where a setting is kept: every preset section, the "info" section, nowhere.
enum class Storage { Preset, Info, NotStored };

// How a setting is written as text in the settings file.
enum class PresetForm {
    AsTyped,      // the field's text
    Flag,         // "True"/"False" (font flags, selected option buttons)
    Box,          // "0"/"1"
    Decimal,      // a whole number (colours, levels, list and choice indexes)
    FaceName,     // a font face name
    OptionIndex,  // "1", "2" or "3": the selected member of an option group
    JoinedTime,   // hour, minute and second fields joined by ":"
};

// The values a number field may hold, whoever sets it (the window, --set, a
// preset, the settings file): a number outside is refused and the field
// keeps its value.
struct NumberRange {
    double min = 0;
    double max = 0;
    bool aboveMin = false;  // min itself is outside (scale factors are above 0)
    bool contains(double v) const { return (aboveMin ? v > min : v >= min) && v <= max; }
};

// The longest time any time field may hold, in centiseconds: a day. Tag
// times, shifts and durations stay far inside the 32-bit range when added.
inline constexpr double kMaxTimeCs = 24.0 * 60 * 60 * 100;

// The reaction of a number field to Enter or to being left.
struct FieldReaction {
    bool reacts = false;  // false: nothing happens
    Replace replace = Replace::None;
    Invalidates refresh = Invalidates::Nothing;
    bool refreshOnlyWhenNumeric = false;  // a replaced text makes nothing stale
    bool padOneDigit = false;             // a one-character number gets a leading "0"
};

// A rule that carries a change of one setting on to others. The rules run
// after the setting has taken its new value, in the order its row lists them.
struct FollowRule {
    enum class Does {
        CopyTo,                       // `target` takes the value
        TenTimesTo,                   // `target` takes ten times the whole number (centiseconds to ms)
        ClearOther,                   // `target` is cleared to "0"
        MeasurePixelHeight,           // `target`, a pixel height, is measured from its font and size
        KeepRowGapAboveRuby,          // the row gap stays at least the ruby's height times the vertical scale
        KeepRowGapAboveRubyUnscaled,  // the row gap stays at least the ruby's height
        FaceToAllFonts,               // the face goes to the ruby and song-information fonts too
        SongInfoColour,               // `target` takes the colour while titleInfo names this style (`source`)
        FillFromTenTimes,             // `target` takes ten times `source` (a fade from its lead time)
    } does;
    std::string target;  // a field name
    std::string source;  // FillFromTenTimes: the field read; SongInfoColour: the style's titleInfo index
    enum class When {
        Always,
        Numeric,         // the field holds a number
        NotNumeric,      // the field holds something else
        NumericOnLeave,  // a number, and the field was left (not Enter)
        Ticked,          // the box was ticked
    } when = When::Always;
};

struct ChoiceEntry {
    std::string caption;  // as the window shows it
    std::string meaning;  // short English; the window's entry in English
};

struct SettingDef {
    Group group = Group::Conversion;
    std::string name;   // the meaningful name ("frame.width")
    std::string field;  // the window's field name and the widget's objectName ("dispWidth")
    Kind kind = Kind::NumberText;
    std::string defaultValue;    // as held (decimal for colours, "0"/"1" for boxes)
    std::string followsDefault;  // when set: the default is this setting's value
    Storage storage = Storage::Preset;
    std::string key;        // the settings-file key (several fields may share a group's or a time's key)
    std::string secondKey;  // a preset key the value is written to a second time
    PresetForm form = PresetForm::AsTyped;
    Accepts accepts = Accepts::AnyKey;
    FieldReaction onEnter;
    FieldReaction onLeave;
    Invalidates onChange = Invalidates::Nothing;  // boxes, options, lists, colours, levels, fonts
    std::string optionGroup;                      // OptionMember: the group's name; FontFlag: its font's field
    int memberIndex = 0;                          // OptionMember: position in the group
    int choiceCount = 0;               // Choice and ListIndex: number of entries (0: as many as there are samples)
    std::optional<NumberRange> range;  // NumberText: the numbers it may hold
    std::string measuredFrom;          // PixelHeight: the size field (its font is `optionGroup`)
    std::string caption;      // Japanese, as the window shows it beside the field (boxes and options: their text)
    std::string captionEn;    // the same caption in English: short, as the window in English shows it
    std::string description;  // English: what it does, with its unit
    // Where the window shows it: the frame's objectName ("commands": beside
    // the command buttons; "menu": a menu item; empty: nowhere of its own,
    // as font flags, edited through their font's button). The window lays
    // the frames out on its tabs; within a frame the fields follow the rows' order.
    std::string frame;
    std::string rowLabel;              // boxes and options that start a row of their frame: the label before them
    std::string rowLabelEn;            // the same label in English
    std::string toolTip;               // Japanese
    std::string toolTipEn;             // the same tooltip in English
    bool newRow = false;               // starts a new row of its frame
    std::vector<std::string> offered;  // number fields: values offered beside it
    std::vector<ChoiceEntry> choices;  // Choice and ListIndex: one per index, from 0
    std::vector<FollowRule> rules;     // what a change carries on to other settings
};

// The main window's tabs and the frames on them, where the rows' `frame` places them.
struct WindowFrame {
    std::string name;       // objectName
    std::string caption;    // Japanese ("&&" shows one "&")
    std::string captionEn;  // English
    int columns = 1;        // fields per row
};
struct WindowTab {
    std::string caption;
    std::string captionEn;
    std::vector<std::vector<WindowFrame>> columns;  // frames stacked in side-by-side columns
};
const std::vector<WindowTab>& windowTabs();
// Places that are not frames of the tabs: beside the command buttons, the menu.
inline constexpr std::string_view kCommandArea = "commands";
inline constexpr std::string_view kMenu = "menu";
const WindowFrame* findFrame(std::string_view name);

// The conversion settings' rows, and the credit's, each in their order.
const std::vector<SettingDef>& settingTable();
const std::vector<SettingDef>& creditFieldTable();

// A conversion setting by its meaningful name or its field name.
const SettingDef* findSetting(std::string_view name);
// A credit setting by its meaningful name ("credit.posX") or its field name ("posX").
const SettingDef* findCreditField(std::string_view name);

// The option groups, each with its members' field names in order.
struct OptionGroup {
    std::string name;
    std::vector<std::string> members;
};
const std::vector<OptionGroup>& optionGroups();

// How messages name a setting: its meaningful name, with the name users of
// the window and older settings know in parentheses where it differs
// ("frame.width (dispWidth)", "credit.fontSize (Form7.CreditFontSize)").
std::string shownName(const SettingDef& d);

// The pixel-height field that belongs to a size field ("ssaFontSize" -> "tagFontPixcel").
struct PixelHeightSource {
    std::string pixelName;
    std::string fontName;
    std::string sizeName;
};
const std::vector<PixelHeightSource>& pixelHeightSources();

// The font and size fields of a font button's field ("Command2" -> "ssaFontSize").
std::string fontSizeField(std::string_view fontField);

// Fields the layout and the script read whose window names say nothing of
// what they hold (the names stay: presets and --set use them).
inline constexpr std::string_view kSongInfoFontField = "songInfoFont.face";
inline constexpr std::string_view kRubyFontField = "rubyFont.face";
inline constexpr std::string_view kRubyPixelsField = "rubyFont.pixelHeight";

}  // namespace kvelmor::settings
