// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/field_guide.h"

#include <gtest/gtest.h>

#include "settings/app_state.h"
#include "settings/credit_settings.h"
#include "settings/presets.h"

using namespace kvelmor::settings;

// Every preset key, given the text a preset holds, sets its fields so that
// the preset would hold that same text again: --set KEY=VALUE takes what
// "presets show" prints.
TEST(FieldGuide, EveryPresetKeyTakesTheTextAPresetHolds) {
    ConversionSettings from;
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"Command2", "IPAGothic"}, {"Command2.Bold", "1"}, {"ssaFontSize", "40"}, {"dispWidth", "1280"},
             {"Optionalign3", "1"}, {"Oneline1", "1"}, {"DisplayType2", "1"}, {"OptionBorder2", "1"},
             {"PrimaryColor", "255"}, {"thirdShadowColor", "4660"}, {"backAlpha", "9"}, {"wipe", "7"},
             {"LineNumber", "3"}, {"WinAMPTime", "0"}, {"titleStartM", "7"}, {"titleEndH", "1"}, {"endM", "4"}, {"endS", "9"},
             {"MarginL", "12"}, {"MarginR", "40"}, {"commandLine", "{\\be1}"}, {"mojiScaleY", "1.5"}}) {
        ASSERT_TRUE(from.setAsUser(name, value).ok) << name;
    }
    ConversionSettings to;
    for (const auto& keyName : presetLoadOrder()) {
        const auto it = std::find_if(presetKeys().begin(), presetKeys().end(),
                                     [&](const PresetKey& k) { return k.key == keyName; });
        const std::string text = presetValueText(*it, from);
        auto byKey = fieldsForKey(keyName, text);
        ASSERT_TRUE(byKey.has_value()) << keyName;
        ASSERT_EQ(byKey->error, "") << keyName;
        for (const auto& f : byKey->fields) {
            EXPECT_FALSE(f.credit);
            EXPECT_TRUE(to.setAsUser(f.field, f.value).ok) << keyName << " " << f.field << "=" << f.value;
        }
    }
    for (const auto& k : presetKeys()) EXPECT_EQ(presetValueText(k, to), presetValueText(k, from)) << k.key;
}

TEST(FieldGuide, KeysOfTheInfoSectionAndRefusedValues) {
    struct Case {
        std::string key, value;
        std::vector<FieldText> fields;
        std::string error;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"CleditOn", "True", {{"menuCreditOn", "1", false}}, "", "a flag of the main window kept in info"},
        {"CreditText", "Made by me", {{"Credit", "Made by me", true}}, "", "a credit field"},
        {"CreditItalic", "false", {{"Command1.Italic", "0", true}}, "", "flags in any case"},
        {"tagfontSize", "40", {{"ssaFontSize", "40", false}}, "", "a preset key named unlike its field"},
        {"songLength", "0:3:05", {{"endH", "0", false}, {"endM", "3", false}, {"endS", "05", false}}, "",
         "a joined time splits into its three fields"},
        {"AlignmentDown", "1", {{"Optionalign7", "1", false}}, "", "a group's member, counted from 1"},
        {"DisplayType1", "False", {{"DisplayType2", "1", false}}, "", "a member of a pair cleared selects the other"},
        {"AlignmentDown", "4", {}, "AlignmentDown: \"4\" is not a member from 1 to 3", "past the group's end"},
        {"titleLength", "90", {}, "titleLength: \"90\" is not a time H:MM:SS", "a time without separators"},
        {"BorderStyle1", "yes", {}, "BorderStyle1: \"yes\" is not True or False", "not a flag"},
        {"CreditEncoding", "SJIS", {}, "CreditEncoding: \"SJIS\" is not a number", "not a list position"},
        {"mediaPath", "/tmp", {}, "mediaPath is the folder last used, not a setting", "remembered, not set"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto got = fieldsForKey(c.key, c.value);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->error, c.error);
        ASSERT_EQ(got->fields.size(), c.fields.size());
        for (size_t i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(got->fields[i].field, c.fields[i].field);
            EXPECT_EQ(got->fields[i].value, c.fields[i].value);
            EXPECT_EQ(got->fields[i].credit, c.fields[i].credit);
        }
    }
    EXPECT_FALSE(fieldsForKey("SizeWidht", "640").has_value());  // no such key: a field name is looked for instead
    EXPECT_FALSE(fieldsForKey("dispWidth", "640").has_value());   // a field's name is not a key
}
