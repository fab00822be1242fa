// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace kvelmor;

TEST(NumberText, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(31.5), 32);
    EXPECT_EQ(roundHalfEven(28.5), 28);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
}

// The rounding is done by hand; it must agree with the floating-point unit's
// own round-to-nearest-even everywhere in range, and saturate beyond it.
TEST(NumberText, RoundingAgreesWithTheFpuAndSaturates) {
    std::mt19937_64 rng(12345);
    std::vector<double> values{0.0, -0.0, 0.49999999999999994, -0.49999999999999994, 0.5, -0.5, 1.5, -1.5,
                               4503599627370495.5, -4503599627370495.5, 4503599627370497.0, 9007199254740993.0,
                               -9.1e18, 9.1e18, 1e-300, -1e-300};
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::ldexp(1.0, static_cast<int>(rng() % 62));
        values.push_back((static_cast<double>(rng() % 2000001) / 1000000.0 - 1.0) * magnitude);
        values.push_back(static_cast<double>(static_cast<int64_t>(rng() % 200001) - 100000) / 2.0);  // halves
    }
    for (double v : values) EXPECT_EQ(roundHalfEven(v), static_cast<int64_t>(std::nearbyint(v))) << v;
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);
    EXPECT_EQ(roundHalfEven(1e19), INT64_MAX);
    EXPECT_EQ(roundHalfEven(-1e300), INT64_MIN);
    EXPECT_EQ(roundHalfEven(INFINITY), INT64_MAX);
    EXPECT_EQ(roundHalfEven(-INFINITY), INT64_MIN);
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
