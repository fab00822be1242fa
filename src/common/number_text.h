#pragma once
// The conversions of the number texts held by settings fields.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvelmor {

// Nearest whole number, halves to the even neighbour (1.5 -> 2, 2.5 -> 2).
int64_t roundHalfEven(double v);

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

// Shortest decimal text of a real ("1", "1.185185185185185").
std::string realToText(double v);

}  // namespace kvelmor
