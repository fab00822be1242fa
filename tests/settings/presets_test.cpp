// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/presets.h"

#include <gtest/gtest.h>

#include <set>

#include "measure/fixed_measurer.h"

using namespace kvelmor;
using namespace kvelmor::settings;

namespace {

IniFile storeWithPath() {
    IniFile ini;
    ini.setPath("/nonexistent/kvelmor-test.ini");  // never saved; SetValue needs a path
    return ini;
}

}  // namespace

TEST(Presets, APresetWithoutKeysGivesExactlyTheDefaults) {
    IniFile ini = storeWithPath();
    ConversionSettings loaded;
    loaded.setText("PrimaryColor", "1");
    loaded.setText("wipe", "5");
    loaded.selectMember("Optionalign3");
    loadPresetSettings(ini, "missing", loaded);
    const ConversionSettings defaults;
    for (const auto& d : settingTable()) EXPECT_EQ(loaded.text(d.field), defaults.text(d.field)) << d.field;
}

TEST(Presets, FollowingDefaultsTakeTheLoadedColourAndFace) {
    IniFile ini = storeWithPath();
    ini.setValue("p", "primaryColor", "255");
    ini.setValue("p", "fontName", "IPAGothic");
    ConversionSettings s;
    loadPresetSettings(ini, "p", s);
    EXPECT_EQ(s.colour("secondPrimaryColor"), 255u);
    EXPECT_EQ(s.colour("titlePrimaryColor"), 255u);
    EXPECT_EQ(s.colour("Command9"), 255u);
    EXPECT_EQ(s.colour("Command12"), 255u);
    EXPECT_EQ(s.text("Command6"), "IPAGothic");
    EXPECT_EQ(s.text("Command8"), "IPAGothic");
}

TEST(Presets, SavedAndLoadedBackEqualFieldByField) {
    measure::FixedMeasurer m;
    IniFile ini = storeWithPath();
    ConversionSettings s;
    s.setMeasurer(&m);
    s.setText("dispWidth", "1280");
    s.setText("PrimaryColor", "123456");
    s.setText("secondShadowColor", "77");
    s.setText("Command2.Italic", "1");
    s.setText("Command6", "IPAGothic");
    s.selectMember("Optionalign2");
    s.selectMember("OptionBorder2");
    s.selectMember("DisplayType2");
    s.setText("wipe", "6");
    s.setText("backAlpha", "9");
    s.setText("commandLine", "{\\fad(100,100)}|x");
    s.setText("titleStartM", "07");
    s.setText("endH", "1");
    s.setText("endM", "05");
    s.setText("kaigyo", "1");
    s.setText("AlphaLevel", "3");
    s.recomputeAllPixelHeights();
    savePresetSettings(ini, "mine", s);

    ConversionSettings back;
    back.setMeasurer(&m);
    loadPresetSettings(ini, "mine", back);
    for (const auto& d : settingTable()) {
        if (d.storage != Storage::Preset) continue;
        EXPECT_EQ(back.text(d.field), s.text(d.field)) << d.field;
    }
    EXPECT_EQ(ini.keysOf("mine").size(), 120u);
    EXPECT_EQ(ini.value("mine", "BorderStyle1", ""), "False");
    EXPECT_EQ(ini.value("mine", "AlignmentUp", ""), "2");
    EXPECT_EQ(ini.value("mine", "songLength", ""), "1:05:00");
}

TEST(Presets, LaterAlphaKeysDecideAndBadValuesFailOnlyTheirSetting) {
    IniFile ini = storeWithPath();
    ini.setValue("p", "primaryAlphaLevel", "3");
    ini.setValue("p", "primaryAlpha", "7");
    ini.setValue("p", "secondaryColor", "blue");   // letters in a colour
    ini.setValue("p", "LineNumber", "42");         // out of the list
    ini.setValue("p", "AlignmentDown", "9");       // no such member
    ini.setValue("p", "BorderStyle1", "False");    // never leaves the group empty
    ini.setValue("p", "preTime", "95");
    ConversionSettings s;
    loadPresetSettings(ini, "p", s);
    EXPECT_EQ(s.index("PrimaryAlpha"), 7);
    EXPECT_EQ(s.colour("secondaryColor"), 16711680u);
    EXPECT_EQ(s.index("LineNumber"), 1);
    EXPECT_EQ(s.selectedMember("AlignmentDown"), 2);
    EXPECT_EQ(s.selectedMember("OptionBorder"), 0);
    EXPECT_EQ(s.text("preTime"), "95");
}

// The joined times are written "h:mm:ss" and read at their separators, so
// the short form earlier versions wrote ("0:5:7", "0:0:0") reads as meant.
TEST(Presets, JoinedTimesAreWrittenHMmSsAndReadAtTheirSeparators) {
    IniFile ini = storeWithPath();
    ini.setValue("p", "titleLengthStart", "12:34:56");  // a two-digit hour survives
    ini.setValue("p", "titleLength", "0:5:7");
    ini.setValue("p", "songLength", "0:0:0");
    ConversionSettings s;
    loadPresetSettings(ini, "p", s);
    EXPECT_EQ(s.text("titleStartH"), "12");
    EXPECT_EQ(s.text("titleStartM"), "34");
    EXPECT_EQ(s.text("titleStartS"), "56");
    EXPECT_EQ(s.text("titleEndM"), "5");
    EXPECT_EQ(s.text("titleEndS"), "7");
    EXPECT_EQ(s.wholeNumber("endM"), 0);

    ConversionSettings fresh;
    savePresetSettings(ini, "q", fresh);
    for (const char* key : {"titleLengthStart", "titleLength", "songLength"})
        EXPECT_EQ(ini.value("q", key, ""), "0:00:00") << key;
    s.setText("endM", "5");
    s.setText("endS", "3");
    savePresetSettings(ini, "q", s);
    EXPECT_EQ(ini.value("q", "songLength", ""), "0:05:03");
    EXPECT_EQ(ini.value("q", "titleLength", ""), "0:05:07");
}

TEST(Presets, TagSampleIsAppliedBeforeThePresetsOwnTemplates) {
    IniFile ini = storeWithPath();
    ini.setValue("p", "TagSample", "2");
    ini.setValue("p", "CommandLine", "mine");
    ConversionSettings s;
    std::vector<int> applied;
    PresetLoadHooks hooks{[&](int i) {
        applied.push_back(i);
        s.setText("commandLine", "from sample");
        s.setText("commandChar", "from sample");
    }};
    loadPresetSettings(ini, "p", s, hooks);
    EXPECT_EQ(applied, (std::vector<int>{2}));
    EXPECT_EQ(s.text("commandLine"), "mine");
    EXPECT_EQ(s.text("commandChar"), "");
}

TEST(PresetManager, SaveDeleteAndTheReservedNames) {
    IniFile ini = storeWithPath();
    PresetManager pm(ini);
    ConversionSettings s;
    CollectingReporter r;
    pm.startUp(s, {}, {});
    EXPECT_EQ(pm.currentName(), "default");
    EXPECT_EQ(pm.list(), std::vector<std::string>{"default"});  // listed on a first start too

    EXPECT_FALSE(pm.save("info", s, r));
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"「info」の名称は使えません"}));
    EXPECT_FALSE(pm.remove("default", s, {}, r));
    EXPECT_EQ(r.texts().back(), "defaultは削除出来ません");

    pm.save("Big", s, r);  // fails to write (no such folder) but the preset is kept in memory
    pm.save("big", s, r);  // another letter case is another preset
    EXPECT_EQ(pm.list(), (std::vector<std::string>{"default", "Big", "big"}));

    s.setText("dispWidth", "999");
    pm.remove("big", s, {}, r);  // the current preset: it must stay deleted
    EXPECT_EQ(pm.list(), (std::vector<std::string>{"default", "Big"}));
    EXPECT_EQ(pm.currentName(), "default");
    EXPECT_EQ(ini.findValue("big", "fontName"), std::nullopt);
    EXPECT_EQ(s.text("dispWidth"), "640");  // the first listed preset was loaded
}

TEST(PresetManager, CloseSavesIntoTheTypedNameButNeverIntoInfo) {
    IniFile ini = storeWithPath();
    PresetManager pm(ini);
    ConversionSettings s;
    pm.startUp(s, {}, {});
    s.setText("dispWidth", "800");
    pm.saveOnClose("info", s);
    EXPECT_EQ(ini.value("default", "SizeWidth", ""), "800");
    EXPECT_EQ(ini.findValue("info", "SizeWidth"), std::nullopt);
    pm.saveOnClose("new one", s);
    EXPECT_EQ(ini.value("new one", "SizeWidth", ""), "800");
}
