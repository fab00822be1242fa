// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversions of the number texts held by settings fields.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvelmor {

// Nearest whole number, halves to the even neighbour (1.5 -> 2, 2.5 -> 2);
// NaN gives 0 and values beyond the 64-bit range its ends. Inline and without
// a library call: layout rounds every character's width and share with it.
inline int64_t roundHalfEven(double v) {
    if (!(v > -9.2e18 && v < 9.2e18)) return v >= 9.2e18 ? INT64_MAX : v <= -9.2e18 ? INT64_MIN : 0;
    int64_t t = static_cast<int64_t>(v);             // toward zero
    const double frac = v - static_cast<double>(t);  // exact: both are within a factor 2
    if (frac > 0.5 || (frac == 0.5 && (t & 1) != 0)) ++t;
    else if (frac < -0.5 || (frac == -0.5 && (t & 1) != 0)) --t;
    return t;
}

// Whether the whole text (surrounding blanks aside) reads as a number:
// optional sign, digits with at most one decimal point, optional exponent.
bool isNumeric(std::string_view text);

// The number the whole text reads as, or nothing.
std::optional<double> parseNumber(std::string_view text);

// The leading number of the text ("1.5abc" -> 1.5, "abc" -> 0); blanks are
// skipped first. Used for the scale factors.
double leadingNumber(std::string_view text);

// Whole-number conversion of a number text: the number rounded half to even,
// clamped to the 32-bit range; 0 for a text that is not a number.
int32_t toWholeNumber(std::string_view text);

// A colour written "#RRGGBB", as web pages and colour pickers write it
// (hexadecimal digits in either case), as a colour setting holds it:
// 0x00BBGGRR, red in the low byte. Nothing for any other text.
std::optional<int64_t> hexColourValue(std::string_view text);

// Shortest decimal text of a real ("1", "1.185185185185185").
std::string realToText(double v);

}  // namespace kvelmor
