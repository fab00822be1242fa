#include "common/number_text.h"

#include <gtest/gtest.h>

using namespace kvelmor;

TEST(NumberText, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(31.5), 32);
    EXPECT_EQ(roundHalfEven(28.5), 28);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
}

TEST(NumberText, NumericTexts) {
    for (const char* yes : {"0", "12", "-3", "+4", "1.5", ".5", "5.", " 7 ", "1e3"}) EXPECT_TRUE(isNumeric(yes)) << yes;
    for (const char* no : {"", " ", "abc", "1a", "-", ".", "1.2.3", "1e"}) EXPECT_FALSE(isNumeric(no)) << no;
}

TEST(NumberText, WholeNumbersAndLeadingNumbers) {
    EXPECT_EQ(toWholeNumber("2.5"), 2);
    EXPECT_EQ(toWholeNumber("3.5"), 4);
    EXPECT_EQ(toWholeNumber("abc"), 0);
    EXPECT_EQ(toWholeNumber("99999999999"), INT32_MAX);  // clamped, never overflows
    EXPECT_DOUBLE_EQ(leadingNumber("1.5abc"), 1.5);
    EXPECT_DOUBLE_EQ(leadingNumber("abc"), 0.0);
    EXPECT_EQ(realToText(32.0 / 27.0), "1.1851851851851851");
    EXPECT_EQ(realToText(1.0), "1");
    EXPECT_EQ(realToText(620.0), "620");  // never in exponent form
    EXPECT_EQ(realToText(-0.5), "-0.5");
}
