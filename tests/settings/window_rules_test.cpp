// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/window_rules.h"

#include <gtest/gtest.h>

#include <map>

using namespace kvelmor::settings;

namespace {

std::map<std::string, bool> enabledAfter(const std::vector<std::pair<std::string, std::string>>& changes) {
    ConversionSettings s;
    for (const auto& [name, value] : changes) EXPECT_TRUE(s.setAsUser(name, value).ok) << name;
    std::map<std::string, bool> out;
    for (const auto& f : governedFields(s)) {
        EXPECT_TRUE(findSetting(f.name)) << f.name;
        EXPECT_EQ(out.count(f.name), 0u) << f.name << " listed twice";
        out[f.name] = f.enabled;
    }
    return out;
}

}  // namespace

TEST(WindowRules, GoverningSettingsSwitchTheirFields) {
    struct Case {
        const char* why;
        std::vector<std::pair<std::string, std::string>> changes;
        std::map<std::string, bool> expected;
    };
    const Case cases[] = {
        {"defaults: no song information, two lines, group display with gaps, no fades",
         {},
         {{"titleFontSize1", false}, {"CheckDouRetu", false}, {"songInfoX", false}, {"endS", false},
          {"Optionalign1", true}, {"Optionalign5", false}, {"Optionalign9", true}, {"spaceTime", true},
          {"spaceTimePre", true}, {"FadeIn", false}, {"FadeOut", false}}},
        {"song information before the song", {{"songInfoPreCheck", "1"}},
         {{"titleFontSize1", true}, {"titleDispType", true}, {"titleEndS", true}, {"songInfoY", false}}},
        {"song information at the top, two fixed lines", {{"songInfoCheck", "1"}},
         {{"songInfoX", true}, {"songInfoY", true}, {"InfoMode", true}, {"titleStartH", false}}},
        // a scrolling line starts at the right edge, so its position across is not used
        {"one scrolling line", {{"songInfoCheck", "1"}, {"InfoMode", "1"}}, {{"songInfoX", false}, {"songInfoY", true}}},
        {"one line shown", {{"LineNumber", "0"}},
         {{"Optionalign1", false}, {"Optionalign5", false}, {"Optionalign9", false}}},
        {"three lines shown", {{"LineNumber", "2"}}, {{"Optionalign4", true}, {"Optionalign6", true}}},
        {"one after another", {{"DisplayType2", "1"}},
         {{"spaceTime", false}, {"spaceTimePre", false}, {"spaceTimeAft", false}}},
        {"group display without gaps", {{"spaceTime", "0"}}, {{"spaceTime", true}, {"spaceTimeAft", false}}},
        {"fades ticked", {{"fadeInCheck", "1"}, {"fadeOutCheck", "1"}}, {{"FadeIn", true}, {"FadeOut", true}}},
        {"karaoke wipe: no templates, no border colour before the wipe", {{"wipe", "0"}},
         {{"commandLine", false}, {"commandChar", false}, {"TagSample", false}, {"KaraokeWipe", false},
          {"posNo", false}, {"OriginalColor", false}, {"DelayTime", false}, {"ClipWipe", false},
          {"teritaryColor2", false}}},
        {"edge wipe", {{"wipe", "3"}},
         {{"commandChar", false}, {"ClipWipe", true}, {"thirdTeritaryColor2", true}, {"DelayTime", false}}},
        {"free setting", {{"wipe", "4"}},
         {{"commandLine", true}, {"commandChar", true}, {"TagSample", true}, {"KaraokeWipe", true},
          {"posNo", true}, {"OriginalColorAlpha", true}, {"DelayTime", false}, {"secondTeritaryColor2", false}}},
        {"wipe emphasis", {{"wipe", "5"}},
         {{"commandChar", true}, {"KaraokeWipe", false}, {"DelayTime", true}, {"ClipWipe", false}}},
        {"per space", {{"wipe", "7"}}, {{"commandLine", true}, {"KaraokeWipe", true}, {"DelayTime", false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto got = enabledAfter(c.changes);
        for (const auto& [name, on] : c.expected) {
            ASSERT_EQ(got.count(name), 1u) << name;
            EXPECT_EQ(got[name], on) << name;
        }
    }
}

TEST(WindowRules, TheEdgeWipeSwitchesOffTheMarkColoursItCannotReplace) {
    for (int wipe = 0; wipe < 8; ++wipe) {
        ConversionSettings s;
        ASSERT_TRUE(s.setAsUser("wipe", std::to_string(wipe)).ok);
        std::map<int, bool> got;
        for (const auto& c : governedChoices(s)) {
            EXPECT_EQ(c.name, "ExColor");
            got[c.index] = c.enabled;
        }
        EXPECT_EQ(got, (std::map<int, bool>{{3, wipe != 3}, {4, wipe != 3}})) << "wipe " << wipe;
    }
}

TEST(WindowRules, TickingAFadeFillsItsDurationAndTheTitleRowLabelFollowsItsBox) {
    ConversionSettings s;
    s.setAsUser("preTime", "7");
    s.setText("FadeIn", "123");
    s.setAsUser("fadeInCheck", "1");
    EXPECT_EQ(s.text("FadeIn"), "70");  // 10 ms units to ms
    s.setAsUser("fadeOutCheck", "1");
    EXPECT_EQ(s.text("FadeOut"), "200");
    s.setText("FadeIn", "55");
    s.setAsUser("fadeInCheck", "0");
    EXPECT_EQ(s.text("FadeIn"), "55");  // clearing keeps the value

    EXPECT_EQ(titleRowCaption(s), "上部");
    s.setAsUser("CheckDouRetu", "1");
    EXPECT_EQ(titleRowCaption(s), "下部");
}

TEST(WindowRules, ColourShortcutsCopyTheStandardStyle) {
    ConversionSettings s;
    const char* standard[] = {"PrimaryColor", "secondaryColor", "TeritaryColor", "ShadowColor", "Command9", "teritaryColor2"};
    for (int i = 0; i < 6; ++i) s.setText(standard[i], std::to_string(101 + i));
    s.setText("titleInfo", "2");
    const std::string titleBefore = s.text("titlePrimaryColor");

    copyColoursToSpareStyle(s, 1);
    const char* sub1[] = {"secondPrimaryColor", "secondSecondaryColor", "secondTeritaryColor", "secondShadowColor",
                          "Command11", "secondTeritaryColor2"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.text(sub1[i]), std::to_string(101 + i)) << sub1[i];
    EXPECT_EQ(s.text("titlePrimaryColor"), titleBefore);  // the song information follows Sub2
    EXPECT_EQ(s.text("thirdPrimaryColor"), "65535");

    copyColoursToSpareStyle(s, 2);
    EXPECT_EQ(s.text("Command12"), "105");
    EXPECT_EQ(s.text("titlePrimaryColor"), "101");
    EXPECT_EQ(s.text("titleTeritaryColor"), "103");
    EXPECT_EQ(s.text("titleShadowColor"), "104");

    s.setText("secondPrimaryColor", "7");
    s.setText("thirdPrimaryColor", "8");
    copyExtendedColours(s);
    EXPECT_EQ(s.text("Command9"), "101");
    EXPECT_EQ(s.text("Command11"), "7");
    EXPECT_EQ(s.text("Command12"), "8");
}
