// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bracket arithmetic of the effect templates. After the placeholders of a
// template have been replaced by numbers, every "[...]" group is replaced by
// the value of the calculation inside it:
//
//   {\move(%X,%Y,[%X+100],%Y)}  ->  {\move(490,670,[490+100],670)}  ->  {\move(490,670,590,670)}
//
// The arithmetic is deliberately small and exactly as templates written for
// earlier versions expect it:
// - strictly left to right, no precedence: 1+2*3 is 9;
// - every intermediate result is a whole number, halves round to the even
//   neighbour: 7/2 is 4, 5/2 is 2, 7/2*2 is 8;
// - only the leftmost operand may carry a sign or a decimal point; every
//   right-hand operand is plain digits (2*1.5 stays as written);
// - groups do not nest: the first "]" after the first "[" closes the group.
// Results are 32-bit whole numbers written as plain decimal digits with a
// leading "-" when negative.

#include <string>
#include <string_view>

namespace kvelmor::effects {

// Replaces each "[" ... "]" group of `text` by evaluateExpression of its
// contents; the brackets go in any case. Text after a "[" without a closing
// "]" is left as it is.
std::string expandBrackets(std::string_view text);

// The value of one group's contents, as text:
// - a calculation gives its result ("10-20" -> "-10");
// - text that is not a calculation comes back unchanged ("1 + 2", "42", "");
// - a calculation whose left part cannot be worked out gives the empty text
//   ("[1+2" -> "", "+5" -> "");
// - a calculation that cannot be finished, a division by zero or a value
//   outside the 32-bit range on the way, comes back unchanged ("5/0+1"), so
//   the fault stays visible in the written script.
std::string evaluateExpression(std::string_view expression);

}  // namespace kvelmor::effects
