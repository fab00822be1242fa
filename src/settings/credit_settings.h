// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credit window's fields: the text, tags, position, time
// window, fades, font, colours and character set of the credit line. The
// values are kept as the window holds them (texts as typed, "0"/"1" for
// boxes and font flags, colours as decimal 0x00BBGGRR) and live in the
// "info" section of the settings file (see app_state.h for the keys).

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/conversion_settings.h"

namespace kvelmor::settings {

// The prefix --set and `kvelmor fields` give the credit's fields: the
// meaningful one, and the window's name that earlier settings used.
inline constexpr std::string_view kCreditPrefix = "credit.";
inline constexpr std::string_view kCreditWindowPrefix = "Form7.";

class CreditSettings {
public:
    CreditSettings();  // every field at its default

    // Raw access by field name (or meaningful name); unknown names throw std::out_of_range.
    const std::string& text(std::string_view field) const;
    void setText(std::string_view field, std::string value);
    bool has(std::string_view field) const;
    const std::vector<std::pair<std::string, std::string>>& values() const { return m_values; }

    // Whether a field takes this key while typing. The time, position, fade
    // and size fields take the digits 0-9 and backspace only; the end time
    // fields and the size filter like the start fields, since all of them
    // are read as whole numbers. The text fields take any printable key but
    // no control characters (a line break would split the script line).
    // Fields that are not typed into take every key; unknown fields none.
    bool acceptsKey(std::string_view field, char32_t key) const;

    // The field loses focus: the hours of both times become "0" and their
    // minutes and seconds "00" unless they hold a number, and a one-digit
    // minute or second gets its leading "0"; a size that is not a number
    // becomes "0". The credit's pixel height is measured from the face and
    // size whenever the script is written, so it is never stale.
    Change leaveField(std::string_view field);

    // A field set as the user would set it (the command line's
    // --set Form7.<field>=VALUE): a typed field takes only keys it accepts
    // and is then left; boxes and flags take 0 or 1, colours 0..16777215,
    // levels 0..10, the character set 0..2, the face any non-empty name.
    // A refused value changes nothing; the error starts with the field name.
    Change setAsUser(std::string_view field, std::string_view value);

    // The frame changed from oldWidth × oldHeight to newWidth × newHeight
    // pixels: a posX still at its default for the old frame (8/10 of its
    // width, 512 of 640) becomes the new frame's default, and so does a posY
    // still at a tenth of its height (48 of 480), so the credit keeps its
    // place. A position the user typed stays.
    void followFrame(int64_t oldWidth, int64_t oldHeight, int64_t newWidth, int64_t newHeight);

    bool operator==(const CreditSettings&) const = default;

private:
    std::vector<std::pair<std::string, std::string>> m_values;  // field names, parallel to creditFieldTable()
};

}  // namespace kvelmor::settings
