// SPDX-License-Identifier: GPL-3.0-or-later
// The options are the settings parsed once: each value must come out as the
// readers of the text always took it, or scripts would change.

#include "settings/conversion_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace kvelmor::settings {
namespace {

struct Case {
    const char* field;  // a setting's field name
    const char* value;  // its text as stored
    std::function<double(const ConversionOptions&)> read;
    double expected;
    const char* why;
};

TEST(ConversionOptions, EachFieldIsParsedAsItsReadersParseIt) {
    using O = ConversionOptions;
    const Case cases[] = {
        {"preTime", "2.5", [](const O& o) { return o.timing.leadIn; }, 2, "whole numbers round half to even"},
        {"preTime", "3.5", [](const O& o) { return o.timing.leadIn; }, 4, "whole numbers round half to even"},
        {"upTime", "-2.5", [](const O& o) { return o.timing.shift; }, -2, "negative halves go to even too"},
        {"dispWidth", "abc", [](const O& o) { return o.frame.width; }, 0, "a text that is no number is 0"},
        {"dispWidth", "1e12", [](const O& o) { return o.frame.width; }, 2147483647, "held inside 32 bits"},
        {"mojiScaleX", "1.5abc", [](const O& o) { return o.scale.x; }, 1.5, "reals take the leading number"},
        {"rubyScale", "x", [](const O& o) { return o.ruby.scale; }, 0, "a real without a number is 0"},
        {"ClipWipe", "1e999", [](const O& o) { return o.templates.clipWipe; }, 0, "an infinite pixel amount is 0"},
        {"outLine", "2.5", [](const O& o) { return o.border.outlinePixels; }, 2.5, "the clip takes the real"},
        {"PrimaryColor", "-5", [](const O& o) { return o.colours.standard.primary; }, 0, "a negative colour is 0"},
        {"PrimaryColor", "1e11", [](const O& o) { return o.colours.standard.primary; }, 4294967295.0,
         "a colour is clamped to 32 bits"},
        {"Command11", "255", [](const O& o) { return o.colours.second.mark; }, 255, "the second set's mark colour"},
        {"thirdTeritaryColor2", "7", [](const O& o) { return o.colours.third.outline2; }, 7, "the third set"},
        {"wipe", "3", [](const O& o) { return static_cast<int>(o.wipe); }, static_cast<int>(Wipe::Border), "a style"},
        {"wipe", "9", [](const O& o) { return static_cast<int>(o.wipe); }, static_cast<int>(Wipe::Karaoke),
         "a style past the list is the karaoke wipe"},
        {"ExColor", "-1", [](const O& o) { return static_cast<int>(o.colours.markColour); },
         static_cast<int>(MarkColour::BeforeWipe), "a mark colour outside the list is the before-wipe one"},
        {"InfoMode", "2", [](const O& o) { return static_cast<int>(o.songInfo.mode); },
         static_cast<int>(SongInfoMode::TwoFixedLines), "only 1 scrolls"},
        {"titleDispType", "1", [](const O& o) { return static_cast<int>(o.songInfo.window); },
         static_cast<int>(TitleWindow::BetweenTimes), "1 shows between the two times"},
        {"DisplayType2", "1", [](const O& o) { return static_cast<int>(o.timing.display); },
         static_cast<int>(DisplayType::OneByOne), "the second display type"},
        {"LineNumber", "2147483647", [](const O& o) { return static_cast<double>(o.rows.chosen); }, 2147483648.0,
         "the row count does not wrap; the layout keeps it in range"},
        {"endM", "07", [](const O& o) { return o.songInfo.songEnd.minutes; }, 7, "clock fields read one by one"},
        {"Label19", "19", [](const O& o) { return o.rubyFont.size.pixels; }, 19, "the ruby font's pixel height"},
        {"Command8.Italic", "1", [](const O& o) { return o.songInfo.font.italic; }, 1, "the song information font"},
        {"DelayTime", "25", [](const O& o) { return o.templates.delay; }, 25, "the emphasis delay"},
    };
    for (const Case& c : cases) {
        ConversionSettings s;
        s.setText(c.field, c.value);
        EXPECT_DOUBLE_EQ(c.read(ConversionOptions(s)), c.expected) << c.field << "=" << c.value << ": " << c.why;
    }
}

TEST(ConversionOptions, TextsStayAsTypedAndAlignmentsFollowTheirGroups) {
    ConversionSettings s;
    s.setText("tagFontPixcel", "30");
    s.setText("mojiScaleY", "1.0");
    s.setText("StyleNumber", "03");
    s.selectMember("Optionalign2");
    s.selectMember("OptionBorder2");
    for (const char* m : {"Optionalign7", "Optionalign8", "Optionalign9"}) s.setText(m, "0");
    const ConversionOptions o(s);
    EXPECT_EQ(o.lyricsFont.size.pixelsText, "30");
    EXPECT_FALSE(o.scale.yIsOne) << "only the text \"1\" leaves the vertical scale out";
    EXPECT_EQ(o.styleNumber, "03");
    EXPECT_EQ(o.rows.top, Align::Centre);
    EXPECT_EQ(o.border.style, BorderStyle::OpaqueBox);
    EXPECT_FALSE(o.rows.bottom.has_value()) << "a group with no member selected places no line";
    EXPECT_TRUE(ConversionOptions(ConversionSettings{}).scale.yIsOne);
}

TEST(ConversionOptions, CreditFieldsAreReadAsTheScriptTakesThem) {
    CreditSettings c;
    c.setText("Command1.Bold", "1");
    c.setText("PrimaryColor", "16777216");  // past 0xFFFFFF
    c.setText("posX", "12.5");
    c.setText("titleStartM", "x");
    c.setText("titleEndS", "09");
    c.setText("xRight", "1");
    const CreditOptions o(c);
    EXPECT_TRUE(o.font.bold);
    EXPECT_EQ(o.primary, 0u) << "a credit colour past 0xFFFFFF is 0";
    EXPECT_EQ(o.x, 12) << "12.5 rounds to the even 12";
    EXPECT_EQ(o.start.minutes, 0);
    EXPECT_EQ(o.end.seconds, 9);
    EXPECT_TRUE(o.fromRight);
    EXPECT_EQ(o.backLevel, 5);
}

}  // namespace
}  // namespace kvelmor::settings
