// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/conversion_settings.h"

#include <gtest/gtest.h>

#include "measure/fixed_measurer.h"

using namespace kvelmor;
using namespace kvelmor::settings;
using I = kvelmor::settings::Invalidates;

TEST(ConversionSettings, NumbersOutsideTheirRangeAreRefusedAndChangeNothing) {
    struct Case { const char *field, *value, *why; };
    for (const Case& c : {Case{"dispWidth", "16385", "wider than any frame"},
                          Case{"dispWidth", "abc", "replaced by 0, which is no frame width"},
                          Case{"mojiScaleY", "1e308", "a scale of 1e308"},
                          Case{"mojiScaleX", "x", "replaced by 0 when left, which is no scale"},
                          Case{"MarginL", "99999", "beyond any frame; MarginR is not copied either"},
                          Case{"preTime", "-99999999999", "a lead-in of a thousand days"},
                          Case{"titleFontSize1", "0", "no font size"},
                          Case{"wipe", "1e300", "no int holds it"},
                          Case{"TagSample", "-1e300", "below any list"},
                          Case{"backAlpha", "1e300", "no level"},
                          Case{"PrimaryColor", "1e300", "no colour"}}) {
        ConversionSettings s;
        const ConversionSettings before = s;
        Change ch = s.setAsUser(c.field, c.value);
        EXPECT_FALSE(ch.ok) << c.field << "=" << c.value << ": " << c.why;
        EXPECT_NE(ch.error.find(c.field), std::string::npos) << ch.error;
        EXPECT_EQ(s, before) << c.why;
    }
}

TEST(SettingTable, EveryOptionGroupHasExactlyOneMemberSelected) {
    ConversionSettings s;
    const std::map<std::string, std::string> expected{
        {"AlignmentUp", "Optionalign1"}, {"AlignmentMiddle", "Optionalign5"}, {"AlignmentDown", "Optionalign9"},
        {"Oneline", "Oneline2"},         {"DisplayType", "DisplayType1"},     {"OptionBorder", "OptionBorder1"}};
    ASSERT_EQ(optionGroups().size(), expected.size());
    for (const auto& g : optionGroups()) {
        int on = 0;
        for (const auto& m : g.members) on += s.isOn(m);
        EXPECT_EQ(on, 1) << g.name;
        EXPECT_EQ(s.selectedMemberName(g.name), expected.at(g.name));
    }
    s.selectMember("Optionalign3");
    EXPECT_FALSE(s.isOn("Optionalign1"));
    EXPECT_EQ(s.selectedMember("AlignmentUp"), 2);
    EXPECT_FALSE(s.setAsUser("Optionalign3", "0").ok);  // an option cannot be cleared, only another selected
    EXPECT_EQ(s.selectedMember("AlignmentUp"), 2);
}

TEST(ConversionSettings, DefaultsThatFollowAnotherSetting) {
    ConversionSettings s;
    EXPECT_EQ(s.colour("PrimaryColor"), 65535u);
    EXPECT_EQ(s.colour("Command9"), 65535u);
    EXPECT_EQ(s.colour("thirdSecondaryColor"), 16711680u);
    EXPECT_EQ(s.colour("titleShadowColor"), 0u);
    EXPECT_EQ(s.text("Command6"), "MS UI Gothic");
    EXPECT_EQ(s.index("backAlpha"), 5);
    EXPECT_EQ(s.index("LineNumber"), 1);
    EXPECT_EQ(s.text("titleStartM"), "00");
}

TEST(ConversionSettings, ValidationOnEnterAndOnLeaving) {
    struct Case {
        const char* field;
        const char* typed;
        bool enter;  // false: the field is left
        const char* result;
        Invalidates refresh;
        const char* why;
    };
    const Case cases[] = {
        {"dispWidth", "abc", false, "0", I::FrameSize, "pasted letters become 0"},
        {"dispHeight", "720", true, "720", I::FrameSize, "a number stays"},
        {"outLine", "x", true, "0", I::Nothing, "Enter replaces without refreshing"},
        {"outLine", "x", false, "0", I::Styles, "leaving refreshes the styles"},
        {"mojiScaleX", "x", true, "1", I::Nothing, "Enter gives 1"},
        {"mojiScaleX", "x", false, "0", I::Nothing, "leaving gives 0"},
        {"mojiScaleY", "1.5", true, "1.5", I::LineSpacing, "a number runs placement"},
        {"mojiScaleY", "x", true, "1", I::Nothing, "a replaced text runs nothing"},
        {"rubyLeft", "x", false, "0", I::Nothing, "leaving replaces, no refresh"},
        {"rubyLeft", "-4", true, "-4", I::RubyOffset, "Enter refreshes"},
        {"DelayTime", "", false, "10", I::Nothing, "DelayTime falls back to 10"},
        {"titleStartM", "5", false, "05", I::Nothing, "one digit gets a leading zero"},
        {"titleStartS", "", false, "00", I::Nothing, "empty becomes 00"},
        {"endM", "x", false, "0", I::Nothing, "end minutes fall back to 0"},
        {"endS", "7", false, "07", I::Nothing, "end seconds padded"},
        {"spaceTimePre", "abc", false, "abc", I::Nothing, "no replacement rule: the text passes on"},
        {"StyleNumber", "2", false, "2", I::StyleSet,
         "style number renews the line styles and their display windows"},
        {"upTime", "-30", false, "-30", I::TagShift, "upTime takes a sign"},
        {"preTime", "100", true, "100", I::LeadInOut, "preTime"},
        {"DelayTime", "", true, "10", I::Nothing, "Enter without a rule of its own applies as leaving"},
        {"StyleNumber", "3", true, "3", I::StyleSet,
         "Enter in the style number renews the styles as leaving does"},
    };
    for (const auto& c : cases) {
        ConversionSettings s;
        s.setText(c.field, c.typed);
        Change ch = c.enter ? s.pressEnter(c.field) : s.leaveField(c.field);
        EXPECT_TRUE(ch.ok) << c.why;
        EXPECT_EQ(s.text(c.field), c.result) << c.why;
        EXPECT_EQ(ch.refresh, c.refresh) << c.why;
    }
}

TEST(ConversionSettings, ReactionsThatTouchOtherFields) {
    ConversionSettings s;
    s.setText("MarginL", "-12");
    s.leaveField("MarginL");
    EXPECT_EQ(s.text("MarginR"), "-12");  // copied although MarginR refuses "-"
    s.setText("MarginR", "40");
    s.leaveField("MarginR");
    EXPECT_EQ(s.text("MarginL"), "-12");

    s.setText("preTime", "90");
    s.pressEnter("preTime");
    EXPECT_EQ(s.text("FadeIn"), "900");
    s.setText("aftTime", "25");
    s.leaveField("aftTime");
    EXPECT_EQ(s.text("FadeOut"), "250");

    s.setText("fadeInCheck", "1");
    s.setText("FadeIn", "x");
    s.leaveField("FadeIn");
    EXPECT_EQ(s.text("fadeInCheck"), "0");
}

TEST(ConversionSettings, SizeFieldsRestoreThePresetValue) {
    ConversionSettings s;
    s.setText("ssaFontSize", "0");
    s.leaveField("ssaFontSize");
    EXPECT_EQ(s.text("ssaFontSize"), "36");  // no preset value: the default
    s.storedPresetValue = [](std::string_view name) -> std::optional<std::string> {
        if (name == "rubyFontSize") return "18";
        return std::nullopt;
    };
    s.setText("rubyFontSize", "abc");
    Change c = s.leaveField("rubyFontSize");
    EXPECT_EQ(s.text("rubyFontSize"), "18");
    EXPECT_EQ(c.refresh, I::StyleLayout);
}

TEST(ConversionSettings, KeystrokeFilters) {
    ConversionSettings s;
    EXPECT_TRUE(s.acceptsKey("dispWidth", U'7'));
    EXPECT_FALSE(s.acceptsKey("dispWidth", U'a'));
    EXPECT_FALSE(s.acceptsKey("MarginR", U'-'));
    EXPECT_TRUE(s.acceptsKey("MarginL", U'-'));
    EXPECT_TRUE(s.acceptsKey("mojiScaleY", U'.'));
    EXPECT_FALSE(s.acceptsKey("preTime", U'.'));
    EXPECT_TRUE(s.acceptsKey("rubyScale", U'x'));
    EXPECT_TRUE(s.acceptsKey("dispWidth", U'\b'));
}

TEST(ConversionSettings, SetAsUserByKind) {
    ConversionSettings s;
    EXPECT_EQ(s.setAsUser("DisplayType2", "1").refresh, I::DisplayType);
    EXPECT_EQ(s.selectedMember("DisplayType"), 1);
    EXPECT_TRUE(s.setAsUser("wipe", "3").ok);
    EXPECT_EQ(s.index("wipe"), 3);
    EXPECT_FALSE(s.setAsUser("wipe", "8").ok);
    EXPECT_FALSE(s.setAsUser("LineNumber", "10").ok);
    EXPECT_FALSE(s.setAsUser("PrimaryAlpha", "11").ok);
    EXPECT_FALSE(s.setAsUser("kaigyo", "yes").ok);
    EXPECT_FALSE(s.setAsUser("PrimaryColor", "red").ok);
    // A colour as web pages write it is kept as the settings file keeps colours.
    struct Colour {
        const char* typed;
        bool ok;
        uint32_t held;
    };
    for (const Colour& c : {Colour{"#0000FF", true, 0xFF0000u}, Colour{"#12aB3c", true, 0x3CAB12u},
                            Colour{"#12aB3", false, 0x3CAB12u}, Colour{"#12aB3g", false, 0x3CAB12u},
                            Colour{"FF0000", false, 0x3CAB12u}, Colour{"255", true, 255u}}) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(s.setAsUser("PrimaryColor", c.typed).ok, c.ok);
        EXPECT_EQ(s.colour("PrimaryColor"), c.held);
    }
    EXPECT_FALSE(s.setAsUser("tagFontPixcel", "3").ok);
    EXPECT_FALSE(s.setAsUser("noSuchField", "1").ok);
    EXPECT_EQ(s.setAsUser("LowerCheck", "0").refresh, I::LineText);
    EXPECT_TRUE(s.setAsUser("Command2.Bold", "1").ok);
    EXPECT_TRUE(s.font("Command2").bold);
}

TEST(ConversionSettings, ColoursFollowIntoSongInformationByTitleInfo) {
    ConversionSettings s;
    s.setAsUser("secondPrimaryColor", "255");
    EXPECT_EQ(s.colour("titlePrimaryColor"), 65535u);  // titleInfo 0 follows the standard style
    s.setAsUser("titleInfo", "1");
    s.setAsUser("secondPrimaryColor", "255");
    EXPECT_EQ(s.colour("titlePrimaryColor"), 255u);
    s.setAsUser("secondShadowColor", "7");
    EXPECT_EQ(s.colour("titleShadowColor"), 7u);
    EXPECT_EQ(s.setAsUser("Command11", "1").refresh, I::ExtendedColour);
    EXPECT_EQ(s.setAsUser("teritaryColor2", "1").refresh, I::Nothing);
}

TEST(ConversionSettings, FontChoicesAndPixelHeights) {
    measure::FixedMeasurer m({10, 20, 30});
    ConversionSettings s;
    s.setMeasurer(&m);
    s.setText("MarginN", "20");
    Change c = s.chooseFont("Command2", {"IPAGothic", true, false, false, false}, 40);
    EXPECT_EQ(c.refresh, I::StyleLayout);
    EXPECT_EQ(s.text("Command6"), "IPAGothic");  // the main face goes to all three
    EXPECT_EQ(s.text("Command8"), "IPAGothic");
    EXPECT_EQ(s.text("ssaFontSize"), "40");
    EXPECT_EQ(s.text("tagFontPixcel"), "30");
    EXPECT_EQ(s.text("MarginN"), "30");  // kept at least the ruby height

    s.chooseFont("Command6", {"Other", false, false, false, false}, 14);
    EXPECT_EQ(s.text("Command2"), "IPAGothic");  // a ruby face changes only the ruby face

    s.setText("MarginN", "10");
    s.setText("mojiScaleY", "1.5");
    s.chooseFont("Command6", {"Other", false, false, false, false}, 14);
    EXPECT_EQ(s.text("MarginN"), "45");  // 30 x 1.5

    s.setText("titleFontSize1", "60");
    s.setText("titleFontPixcel1", "0");
    s.leaveField("titleFontSize1");
    EXPECT_EQ(s.text("titleFontPixcel1"), "30");
}

// A size set without the dialog (typed, --set) is measured at once, in any
// order with the face: the pixel height is what the dialog would give.
TEST(ConversionSettings, TypedSizesAreMeasuredAsTheDialogMeasuresThem) {
    struct Case {
        const char* size;
        const char* pixel;
        const char* face;
    };
    const Case cases[] = {{"ssaFontSize", "tagFontPixcel", "Command2"},
                          {"rubyFontSize", "Label19", "Command6"},
                          {"titleFontSize", "titleFontPixcel", "Command8"},
                          {"titleFontSize1", "titleFontPixcel1", "Command8"},
                          {"titleFontSize2", "titleFontPixcel2", "Command8"}};
    for (const Case& c : cases) {
        measure::FixedMeasurer m({10, 20, 30});
        ConversionSettings s;
        s.setMeasurer(&m);
        s.setText(c.pixel, "0");
        ASSERT_TRUE(s.setAsUser(c.face, "IPAGothic").ok) << c.size;
        s.setText(c.pixel, "0");
        ASSERT_TRUE(s.setAsUser(c.size, "54").ok) << c.size;
        EXPECT_EQ(s.text(c.pixel), "30") << c.size;
        ASSERT_FALSE(m.requests().empty()) << c.size;
        EXPECT_EQ(m.requests().back(), (measure::FixedMeasurer::Request{"IPAGothic", 54, ""})) << c.size;
    }
    // A ruby that grows keeps the gap between rows at least its height.
    measure::FixedMeasurer m({10, 20, 30});
    ConversionSettings s;
    s.setMeasurer(&m);
    s.setText("MarginN", "20");
    ASSERT_TRUE(s.setAsUser("rubyFontSize", "40").ok);
    EXPECT_EQ(s.text("MarginN"), "30");
}

TEST(ConversionSettings, ClosestNamesForTypos) {
    auto near = closestSettingNames("dispwidht");
    ASSERT_FALSE(near.empty());
    EXPECT_EQ(near.front(), "dispWidth");
}
