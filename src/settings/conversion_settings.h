// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversion settings: every value that decides how a song is laid out
// and written, held as the main-window field that edits it holds it. The
// schema (schema.h) describes every setting; reading, writing, validation,
// presets, --set and the window's bindings all go through it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/schema.h"

namespace kvelmor::measure {
class TextMeasurer;
}

namespace kvelmor::settings {

// What a number field takes, in words ("digits: a whole number from 1 to
// 16384"), for messages and listings; empty for other kinds.
std::string takesText(const SettingDef& d);
// Why a colour setting refuses a value.
inline constexpr const char* kColourRefusal =
    "takes a colour as #RRGGBB or as a decimal number from 0 to 16777215 (0x00BBGGRR)";

// Why `value` is refused where a whole value is given at once (--set): a
// character the field's keys refuse ("abc", a "-" where the field takes
// none), or a number outside its range; empty when it is taken. Choices,
// lists, levels and colours are checked by setAsUser.
std::string refusedValue(const SettingDef& d, std::string_view value);
// Why a value stored for this setting (a preset, the settings file) is not
// taken: a number outside its range, or text where the field holds a number
// it replaces non-numbers with; empty when it is taken.
std::string refusedStoredValue(const SettingDef& d, std::string_view value);

// Known names closest to `name`, best first (for "unknown setting" messages).
std::vector<std::string> closestSettingNames(std::string_view name, size_t count = 3);

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
    Invalidates refresh = Invalidates::Nothing;  // what the change made stale
};

class ConversionSettings {
public:
    ConversionSettings();  // every setting at its default

    // Raw access by field name (or meaningful name); unknown names throw std::out_of_range.
    const std::string& text(std::string_view name) const;
    void setText(std::string_view name, std::string value);

    int32_t wholeNumber(std::string_view name) const;  // half to even; 0 when not a number
    double real(std::string_view name) const;          // the leading number of the text
    bool isOn(std::string_view name) const;            // boxes and option members
    int32_t index(std::string_view name) const;        // choices, lists, levels
    uint32_t colour(std::string_view name) const;
    FontValue font(std::string_view fontName) const;   // "lyricsFont.face" (Command2), rubyFont, songInfoFont
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
    Change react(const SettingDef& def, const FieldReaction& r, bool leaving);
    // The rules of `def`'s row whose condition holds, in their order.
    void followRules(const SettingDef& def, bool numeric, bool leaving, bool ticked);
    std::string replacementFor(const SettingDef& def, Replace r) const;
    // MarginN, the gap between rows, is kept at least the ruby's pixel height.
    void keepRowGapAboveRuby(bool byVerticalScale);

    std::vector<std::string> m_values;  // parallel to settingTable()
    measure::TextMeasurer* m_measurer = nullptr;
};

}  // namespace kvelmor::settings
