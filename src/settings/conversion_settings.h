#pragma once
// The conversion settings: every value that decides how a song is laid out
// and written, named after the main-window field that edits it. One table
// (conversion_settings.cpp) describes every setting; reading, writing,
// validation, presets, --set and the window's bindings all go through it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvelmor::measure {
class TextMeasurer;
}

namespace kvelmor::settings {

enum class Kind {
    NumberText,   // digits typed into a field; read as a whole number or a real
    Text,         // free text (templates)
    Box,          // "0" or "1"
    OptionMember, // one option button of a group; "1" when selected
    Choice,       // index of the selected member of an option group kept as one value
    ListIndex,    // index into a fixed list
    Colour,       // 0x00BBGGRR in decimal
    Level,        // transparency 0..10
    FontFace,     // a face name
    FontFlag,     // Bold/Italic/Underline/Strikethrough of a font: "0" or "1"
    PixelHeight,  // derived: height of "あ" in a font at a size; not editable
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
    ClearBox,     // the text stays; the field's box (`box`) is cleared
};

enum class Storage { Preset, Info, NotStored };

// The values a number field may hold, whoever sets it (the window, --set, a
// preset, the settings file): a number outside is refused and the field
// keeps its value.
struct NumberRange {
    double min = 0;
    double max = 0;
    bool aboveMin = false;  // min itself is outside (scale factors are above 0)
    bool contains(double v) const { return (aboveMin ? v > min : v >= min) && v <= max; }
};

// Fields the layout and the script read whose window names say nothing of
// what they hold (the names stay: presets and --set use them).
inline constexpr std::string_view kSongInfoFontField = "Command8";  // face of the song information
inline constexpr std::string_view kRubyFontField = "Command6";      // face of the readings
inline constexpr std::string_view kRubyPixelsField = "Label19";     // pixel height of the readings

// The longest time any time field may hold, in centiseconds: a day. Tag
// times, shifts and durations stay far inside the 32-bit range when added.
inline constexpr double kMaxTimeCs = 24.0 * 60 * 60 * 100;

// The reaction of a number field to Enter or to being left.
struct FieldReaction {
    bool reacts = false;           // false: nothing happens
    Replace replace = Replace::None;
    std::vector<int> stages;       // refresh stages run afterwards, in this order
    bool stagesOnlyWhenNumeric = false;  // a replaced text runs no stage
    bool padOneDigit = false;      // a one-character number gets a leading "0"
};

struct SettingDef {
    std::string name;           // the main-window field's name
    Kind kind = Kind::NumberText;
    std::string defaultValue;   // as held (decimal for colours, "0"/"1" for boxes)
    std::string followsDefault; // when set: the default is this setting's value
    Storage storage = Storage::Preset;
    Accepts accepts = Accepts::AnyKey;
    FieldReaction onEnter;
    FieldReaction onLeave;
    std::vector<int> changeStages;  // boxes, options, lists, colours, levels, fonts
    std::string group;              // OptionMember: the group's name; FontFlag: its font
    int memberIndex = 0;            // OptionMember: position in the group
    int choiceCount = 0;            // Choice and ListIndex: number of entries
    std::string caption;            // what the window shows beside it
    std::optional<NumberRange> range;  // NumberText: the numbers it may hold
};

// What a number field takes, in words ("digits: a whole number from 1 to
// 16384"), for messages and listings; empty for other kinds.
std::string takesText(const SettingDef& d);
// Why `value` is refused where a whole value is given at once (--set): a
// character the field's keys refuse ("abc", a "-" where the field takes
// none), or a number outside its range; empty when it is taken. Choices,
// lists, levels and colours are checked by setAsUser.
std::string refusedValue(const SettingDef& d, std::string_view value);
// Why a value stored for this setting (a preset, the settings file) is not
// taken: a number outside its range, or text where the field holds a number
// it replaces non-numbers with; empty when it is taken.
std::string refusedStoredValue(const SettingDef& d, std::string_view value);

const std::vector<SettingDef>& settingTable();
const SettingDef* findSetting(std::string_view name);
// Known names closest to `name`, best first (for "unknown setting" messages).
std::vector<std::string> closestSettingNames(std::string_view name, size_t count = 3);

// The option groups, each with its members in order.
struct OptionGroup {
    std::string name;
    std::vector<std::string> members;
};
const std::vector<OptionGroup>& optionGroups();

struct FontValue {
    std::string face;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
};

// The result of a change made as the user would make it.
struct Change {
    bool ok = true;
    std::string error;        // why it was refused, when !ok
    std::vector<int> stages;  // refresh stages to run, in order
};

class ConversionSettings {
public:
    ConversionSettings();  // every setting at its default

    // Raw access by field name; unknown names throw std::out_of_range.
    const std::string& text(std::string_view name) const;
    void setText(std::string_view name, std::string value);

    int32_t wholeNumber(std::string_view name) const;  // half to even; 0 when not a number
    double real(std::string_view name) const;          // the leading number of the text
    bool isOn(std::string_view name) const;            // boxes and option members
    int32_t index(std::string_view name) const;        // choices, lists, levels
    uint32_t colour(std::string_view name) const;
    FontValue font(std::string_view fontName) const;   // "Command2", "Command6", "Command8"
    void setFont(std::string_view fontName, const FontValue& f);

    // Option groups: the selected member's position and name; selecting one
    // member clears the others, so exactly one is always selected.
    int selectedMember(std::string_view group) const;
    const std::string& selectedMemberName(std::string_view group) const;
    void selectMember(std::string_view memberName);

    // The user's actions, each followed by the refresh stages it returns.
    // Enter runs the field's Enter rule, or its leaving rule where it has none.
    Change pressEnter(std::string_view name);
    // Whether Enter in this field runs the leaving rule (it has no Enter rule of its own).
    bool enterActsAsLeaving(std::string_view name) const;
    Change leaveField(std::string_view name);
    // Any field set as the user would: typed and left, clicked, picked in a
    // dialog. A number outside the field's range, also one that the field's
    // replacement rule makes, is refused and every setting keeps its value. Option members take "1"; choices and lists an index; colours a
    // decimal value; levels 0..10; boxes 0 or 1; fonts a face name (its size
    // unchanged); font flags "<font>.Bold" etc. 0 or 1.
    Change setAsUser(std::string_view name, std::string_view value);
    // The font dialog's result for a font button.
    Change chooseFont(std::string_view fontName, const FontValue& f, int32_t pointSize);

    // Whether a field takes this key while typing.
    bool acceptsKey(std::string_view name, char32_t key) const;

    // Pixel heights of "あ" in each font at its size, measured again whenever
    // a font or a size changes (the dialogs, a typed size, a preset). Without
    // a measurer they stay as they are.
    void setMeasurer(measure::TextMeasurer* m) { m_measurer = m; }
    measure::TextMeasurer* measurer() const { return m_measurer; }
    void recomputePixelHeight(std::string_view pixelName);
    void recomputeAllPixelHeights();

    // Where the "restore the preset's value" rule looks; returns the stored
    // text of a setting in the current preset, or nothing.
    std::function<std::optional<std::string>(std::string_view name)> storedPresetValue;

    bool operator==(const ConversionSettings& o) const { return m_values == o.m_values; }

private:
    size_t indexOf(std::string_view name) const;
    Change react(const SettingDef& def, const FieldReaction& r);
    std::string replacementFor(const SettingDef& def, Replace r) const;
    // MarginN, the gap between rows, is kept at least the ruby's pixel height.
    void keepRowGapAboveRuby();

    std::vector<std::string> m_values;  // parallel to settingTable()
    measure::TextMeasurer* m_measurer = nullptr;
};

// The pixel-height field that belongs to a size field ("ssaFontSize" -> "tagFontPixcel").
struct PixelHeightSource {
    std::string pixelName;
    std::string fontName;
    std::string sizeName;
};
const std::vector<PixelHeightSource>& pixelHeightSources();

// The full refresh and the stage ranges used by many reactions.
std::vector<int> stageRange(int first, int last);

}  // namespace kvelmor::settings
