// SPDX-License-Identifier: GPL-3.0-or-later
#include "effects/expression.h"

#include <gtest/gtest.h>

#include <string>

using kvelmor::effects::evaluateExpression;
using kvelmor::effects::expandBrackets;

namespace {

struct Case {
    const char* in;
    const char* out;
    const char* why;
};

void expectAll(std::initializer_list<Case> cases) {
    for (const auto& c : cases) EXPECT_EQ(expandBrackets(c.in), c.out) << c.in << ": " << c.why;
}

}  // namespace

TEST(ExpressionBrackets, LeftToRightWithoutPrecedence) {
    expectAll({
        {"x[10+5]y[3*4]z", "x15y12z", "every group is replaced, the text around it stays"},
        {"[1+2*3]", "9", "no precedence: (1+2)*3"},
        {"[2*3+1]", "7", "left to right"},
        {"[-3-2]", "-5", "only the leftmost operand may carry a sign"},
        {"[10-20]", "-10", "negative results get a leading minus"},
        {"[-5+3]", "-2", "a signed leftmost operand"},
        {"[0-24/2+670]", "658", "as a template writes a negative offset: ((0-24)/2)+670"},
        {"[]", "", "an empty group disappears"},
        {"[42]", "42", "a lone number is its own value"},
    });
}

TEST(ExpressionBrackets, WholeNumbersHalvesToEven) {
    expectAll({
        {"[7/2]", "4", "3.5 rounds to the even 4"},
        {"[5/2]", "2", "2.5 rounds to the even 2"},
        {"[7/2*2]", "8", "every intermediate result is whole: 4*2"},
        {"[1/3*3]", "0", "1/3 is already 0 before the product"},
        {"[-5/2]", "-2", "-2.5 rounds to the even -2"},
        {"[-7/2]", "-4", "-3.5 rounds to the even -4"},
        {"[1.5*2]", "3", "the leftmost operand may have a decimal point"},
        {"[0.5*5]", "2", "exactly 2.5, to even"},
        {"[0.3*5]", "2", "exactly 1.5, to even; a binary 0.3 would give 1.4999..."},
        {"[2.5000000000000001*1]", "3", "decided on the exact decimal, just above the half"},
        {"[1.0000000001/2]", "1", "just above one half"},
        {"[2.5+0]", "2", "a sum rounds each operand first"},
        {"[-0.4*1]", "0", "no negative zero"},
        {"[1.5e1*1]", "15", "the numeric test takes an exponent on the leftmost operand"},
    });
}

TEST(ExpressionBrackets, TextThatIsNoCalculation) {
    expectAll({
        {"[2*1.5]", "2*1.5", "a right-hand operand must be plain digits"},
        {"[1 + 2]", "1 + 2", "a space stops evaluation; the brackets still go"},
        {"[5 and 5]", "5 and 5", "words stay"},
        {"[5+]", "5+", "an operator without a right operand"},
        {"[a+1]", "", "a left part that cannot be worked out gives the empty text"},
        {"[+5]", "", "a leading sign is an operator with an empty left part"},
        {"[%H+1]", "", "an unreplaced placeholder on the left"},
        {"[1+%H]", "1+%H", "an unreplaced placeholder on the right"},
    });
}

TEST(ExpressionBrackets, MalformedBrackets) {
    expectAll({
        {"[[1+2]*3]", "*3]", "groups do not nest: [1+2 gives the empty text"},
        {"a[1+2", "a[1+2", "no closing bracket: the rest is untouched"},
        {"x[1+1]y[2+2", "x2y[2+2", "a later open group is untouched"},
        {"a]b[1+1]", "a]b2", "a closing bracket before any opening one is text"},
        {"[1+1]]", "2]", "the first closing bracket ends the group"},
        {"\\t([800-200],[800+1250])", "\\t(600,2050)", "as in a transform tag"},
    });
}

TEST(ExpressionBrackets, FaultsLeaveTheCalculationAsWritten) {
    expectAll({
        {"[5/0]", "5/0", "division by zero"},
        {"[5/0+1]", "5/0+1", "division by zero inside a longer calculation"},
        {"a[1/0]b[2+2]", "a1/0b4", "the next group is still worked out"},
        {"[2147483647+0]", "2147483647", "the largest 32-bit value"},
        {"[-2147483648+0]", "-2147483648", "the smallest 32-bit value"},
        {"[2147483647+1]", "2147483647+1", "a result beyond 32 bits"},
        {"[65536*65536]", "65536*65536", "a product beyond 32 bits"},
        {"[99999999999*0]", "99999999999*0", "an operand beyond 32 bits"},
        {"[1*99999999999999999999999]", "1*99999999999999999999999", "a right operand beyond 32 bits"},
        {"[1e999999999999*1]", "1e999999999999*1", "an absurd exponent"},
        {"[1e-999999999999*1]", "0", "a vanishing operand"},
    });
}

TEST(ExpressionEvaluate, LongChainsDoNotExhaustTheStack) {
    std::string e = "0";
    for (int i = 0; i < 200000; ++i) e += "+1";
    EXPECT_EQ(evaluateExpression(e), "200000");
    EXPECT_EQ(evaluateExpression("x" + e), "");  // the leftmost part cannot be worked out
    std::string brackets;
    for (int i = 0; i < 100000; ++i) brackets += "[1+1]";
    EXPECT_EQ(expandBrackets(brackets), std::string(100000, '2'));
}
