// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/time_value.h"

#include <gtest/gtest.h>

using namespace kvelmor::lyrics;

TEST(TimeValue, ScriptAndTagFormsAtTheirBoundaries) {
    struct Case {
        Centiseconds t;
        const char* script;
        const char* tag;
        const char* why;
    };
    const Case cases[] = {
        {0, "0:00:00.00", "00:00:00", "zero"},
        {5, "0:00:00.05", "00:00:05", "one-digit hundredths get a leading zero"},
        {10, "0:00:00.10", "00:00:10", "two-digit hundredths as they are"},
        {5999, "0:00:59.99", "00:59:99", "last centisecond of the first minute"},
        {6000, "0:01:00.00", "01:00:00", "one minute"},
        {359999, "0:59:59.99", "59:59:99", "last centisecond of the first hour"},
        {360000, "1:00:00.00", "00:00:00", "an hour rolls over; the tag form drops hours"},
        {366000, "1:01:00.00", "01:00:00", "61 minutes is minute 01 in a tag"},
        {3600000, "10:00:00.00", "00:00:00", "hours are written without leading zeros"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatScriptTime(c.t), c.script) << c.why;
        EXPECT_EQ(formatTagTime(c.t), c.tag) << c.why;
    }
}

TEST(TimeValue, ParseScriptTimeRoundTripsBelowTenHours) {
    for (Centiseconds t : {0, 5, 99, 6000, 359999, 360000, 366001, 3599999})
        EXPECT_EQ(parseScriptTime(formatScriptTime(t)), t) << t;
    EXPECT_EQ(parseScriptTime("0:0x:00.00"), 0);  // a field that is not digits reads as 0
}

TEST(TimeValue, CorrectionDividesBy637Over640HalvesToEven) {
    EXPECT_EQ(correctTime(0), 0);
    EXPECT_EQ(correctTime(6000), 6028);  // 6028.257...
    EXPECT_EQ(correctTime(637), 640);    // exact
    // 637 * k / 2 / 640 * 640 ... find exact halves: t * 640 / 637 = n + 0.5 when 2*t*640 = (2n+1)*637.
    // t = 637 * (2n+1) / 1280 is never whole, so check rounding on both sides instead.
    EXPECT_EQ(correctTime(1), 1);        // 1.0047
    EXPECT_EQ(correctTime(100), 100);    // 100.47
    EXPECT_EQ(correctTime(200), 201);    // 200.94
    EXPECT_EQ(correctTime(-6000), -6028);
}

TEST(TimeValue, TagRecognition) {
    auto tag = [](std::u32string s) { return timeTagAt(s, 0); };
    EXPECT_EQ(tag(U"[01:02:03]"), 6203);
    EXPECT_EQ(tag(U"[00:75:00]"), 7500);  // seconds above 59 are added as they are
    EXPECT_EQ(tag(U"[0a:00:00]"), std::nullopt);  // a letter in the minutes: lyric text
    EXPECT_EQ(tag(U"[00:00:00"), std::nullopt);   // nine characters
    EXPECT_EQ(tag(U"(00:00:00)"), std::nullopt);
    EXPECT_EQ(tag(U"[00-00-00]"), std::nullopt);
    EXPECT_EQ(tag(U"[９９:00:00]"), std::nullopt);  // full-width digits are not digits here
}
