// SPDX-License-Identifier: GPL-3.0-or-later
#include "effects/samples.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kvelmor;
using effects::EffectSamples;
using effects::SampleEntry;
using effects::SampleRecord;
using settings::ConversionSettings;

namespace {

struct Expected {
    const char* name;
    const char* commandLine;
    const char* commandChar;
    const char* posNo;
};

// The built-in samples as users of earlier versions know them.
const Expected kBuiltIn[] = {
    {"ステップ", R"({\org(3500,0)})", R"({\bord3\fr0\t(%s,%s,\bord5\fr0.1)\t(%s,%e,\bord3\fr0)})", "0"},
    {"うねり", "", R"({\fs%f,\t(%s,%s,\fs[%f+10])\t(%s,%e,\fs%f)})", "0"},
    {"回転(縦)", R"({\org([%W/2],%Y)})",
     R"({\r\bord3\frx0\t([%s-200],[%s-100],\bord5\frx-360)\t([%s+100],[%e+200],\bord3\1a&Hff&\3a&Hff&\4a&Hff&)})", "0"},
    {"残像", "", R"({\r\t([%s+100],[%e+200],\1a%A\3a%A\4a%A)})", "0"},
    {"焼き付け", "", R"({\r\t([%s+200],[%e+200],\1c%C)})", "0"},
    {"伸縮", R"({\fsp-200\t(0,%S,\fsp0)}{\t(%E,[%E+200],\fsp200)})", "", "0"},
    {"スライドイン/アウト", R"({\org([%W/2],[%Y*100])\fsp100}{\fr-2\t(0,%S,\fr0\fsp0)\t(%E,[%E+%R],\fr2\fsp30)})", "",
     "0"},
    {"起きあがり", R"({\frx90\t(0,%S,\frx0)})", "", "0"},
    {"スパイラルIN",
     R"({\org(%X,[0-%H/2+%Y])}{\move(%W,%Y,%X,%Y,0,%S)}{\fsp200\t(0,%S,\fsp0)}{\frx0\t(0,%S,\frx1800)})", "", "1"},
    {"回転IN", R"({\org([%X*2],%Y)}{\move(%W,%Y,%X,%Y,0,%S)})", R"({\fr0\t(0,[%S/%N*%n],\fr720)})", "1"},
    {"伸び", "", R"({\r\t(%s,[%t/2+%s],\fscy130)\t([%t/2+%s],%e,\fscy100)})", "0"},
    {"○←、←○", "",
     R"({\move(%W,%Y,%X,%Y,0,[%S-200])\t(%S,%S,\1a&Hff&\2a&Hff&\3a&Hff&\4a&Hff&)};{\1a&Hff&\2a&Hff&\3a&Hff&\4a&Hff&\t(%S,%S,\1a&H0&\2a&H0&\3a&H0&\4a&H0&)\move(%X,%Y,[%X-%W],%Y,%E,[%E+400])})",
     "1"},
    {"影付ステップIN", R"({\org(3500,0)};{\org(-3500,0)})",
     R"({\bord3\fr0\t(%s,%s,\bord5\fr0.1)\t(%s,%e,\bord3\fr0\1a%A\2a%A\3a%A\4a%A)};{\bord3\fr0\t(%s,%s,\bord5\fr0.1)\t(%s,%e,\bord3\fr0)})",
     "0"},
    {"文字:集合", "", R"({\move([%x-%X*%W/%L],-%h,%x,%y,0,%S)})", "1"},
    {"文字：音符", "",
     R"({\r\t(%s,%s,\1a%A\2a%A\3a%A\4a%A)\move(%x,%y,%x,[%y+10],[%s-100],%s)};{\r\1a%A\2a%A\3a%A\4a%A\t(%s,%s,\1a&H0&\2a&H0&\3a&H0&\4a&H0&)\t([%s+200],[%s+200],\1a%A\2a%A\3a%A\4a%A)\bord2\t(%s,[%s+50],\bord5)\t([%s+50],[%s+100],\bord2)\fry0\t(%s,[%s+200],\fry360)}\move(%x,[%y+10],%x,[%y-10],%s,[%s+200]);{\r\1a%A\2a%A\3a%A\4a%A\t([%s+200],[%s+200],\1a&H0&\2a&H0&\3a&H0&\4a&H0&)\move(%x,[%y-10],%x,%y,[%s+200],[%s+300])})",
     "1"},
};

settings::IniFile storeWith(const std::string& text) {
    settings::IniFile ini;
    ini.setPath("/nonexistent/kvelmor-samples-test.ini");  // never saved; SetValue needs a path
    ini.loadFromText(text);
    return ini;
}

}  // namespace

TEST(EffectSamples, FifteenBuiltInSamplesExactly) {
    EffectSamples samples;
    ASSERT_EQ(samples.count(), 15);
    ConversionSettings s;
    for (int i = 0; i < 15; ++i) {
        const Expected& e = kBuiltIn[i];
        EXPECT_EQ(samples.entry(i).name, e.name) << i;
        EXPECT_EQ(samples.entry(i).record, SampleRecord{}) << "records start empty: " << i;
        s.setText("KaraokeWipe", "0");
        s.setText("posNo", "0");
        ASSERT_TRUE(samples.applySample(i, s));
        EXPECT_EQ(s.text("commandLine"), e.commandLine) << e.name;
        EXPECT_EQ(s.text("commandChar"), e.commandChar) << e.name;
        EXPECT_EQ(s.text("KaraokeWipe"), "1") << e.name;
        EXPECT_EQ(s.text("posNo"), e.posNo) << e.name;
        EXPECT_EQ(s.text("TagSample"), std::to_string(i));
    }
}

TEST(EffectSamples, StoringByName) {
    EffectSamples samples;
    ConversionSettings s;
    s.setText("commandLine", "L1");
    s.setText("commandChar", "C1");
    s.setText("posNo", "1");
    s.setText("TagSample", "15");
    EXPECT_EQ(samples.storeSample("mine", settings::ConversionOptions(s)), 15) << "a new name is appended";
    s.setText("commandChar", "C2");
    EXPECT_EQ(samples.storeSample("mine", settings::ConversionOptions(s)), 15) << "the same name updates its entry";
    EXPECT_EQ(samples.count(), 16);
    EXPECT_EQ(samples.entry(15).record, (SampleRecord{"L1", "C2", 1, 1}));
    EXPECT_EQ(samples.storeSample("Mine", settings::ConversionOptions(s)), 16) << "names compare exactly";

    for (const char* bad : {"", "a|b", "a\nb"}) {
        EXPECT_EQ(samples.storeSample(bad, settings::ConversionOptions(s)), -1)
            << "the tag section could not give back: " << bad;
    }
    EXPECT_EQ(samples.count(), 17);

    ConversionSettings other;
    ASSERT_TRUE(samples.applySample(15, other));
    EXPECT_EQ(other, s) << "all four fields come back, and the list selection";

    EXPECT_FALSE(samples.applySample(17, other));
    EXPECT_FALSE(samples.applySample(-1, other));
    EXPECT_EQ(other, s) << "a refused position changes nothing";
}

TEST(EffectSamples, BuiltInPositionsAlwaysApplyTheirOwnTexts) {
    EffectSamples samples;
    ConversionSettings s;
    s.setText("commandChar", "edited");
    EXPECT_EQ(samples.storeSample("ステップ", settings::ConversionOptions(s)), 0);
    EXPECT_EQ(samples.entry(0).record.charTemplate, "edited") << "an edited built-in entry is stored";
    samples.applySample(0, s);
    EXPECT_EQ(s.text("commandChar"), kBuiltIn[0].commandChar) << "but choosing it restores its texts";

    samples.loadSamples(storeWith("[tag]\r\n0=renamed00|own|own\r\n"));
    samples.applySample(0, s);
    EXPECT_EQ(s.text("commandLine"), kBuiltIn[0].commandLine) << "by position, whatever the entry's name";
}

TEST(EffectSamples, TagEntryFormat) {
    struct Case {
        const char* value;
        SampleEntry entry;
        const char* why;
    };
    for (const Case& c : {
             Case{"mine10|L|C", {"mine", {"L", "C", 1, 0}}, "name, two flags, two templates"},
             Case{"mine01|{\\a|b}|C", {"mine", {"{\\a|b}", "C", 0, 1}}, "a line template keeps its \"|\""},
             Case{"名前11||", {"名前", {"", "", 1, 1}}, "empty templates"},
             Case{"x00|only", {"x", {"", "only", 0, 0}}, "one \"|\": no line template"},
             Case{"NONE", {"NONE", {}}, "no \"|\" at all: all name"},
             Case{"あい|L|C", {"", {"L", "C", 0, 0}}, "damaged flags are characters, never half of one"},
             Case{"1|L|C", {"", {"L", "C", 0, 1}}, "too short: the one character before \"|\" is posNo"},
         }) {
        EXPECT_EQ(effects::parseSampleEntry(c.value), c.entry) << c.why;
    }
    EXPECT_EQ(effects::formatSampleEntry({"mine", {"L|M", "C", 1, 0}}), "mine10|L|M|C");
}

TEST(EffectSamples, SaveAndLoadThroughTheSettingsFile) {
    EffectSamples samples;
    ConversionSettings s;
    s.setText("commandLine", "{\\a|b}");
    s.setText("commandChar", "x|y");
    s.setText("KaraokeWipe", "0");
    samples.storeSample("pipes", settings::ConversionOptions(s));
    s.setText("commandChar", "plain");
    s.setText("KaraokeWipe", "1");
    s.setText("posNo", "1");
    samples.storeSample("flags", settings::ConversionOptions(s));

    settings::IniFile ini = storeWith("[default]\r\nx=1\r\n");
    ASSERT_TRUE(samples.saveSamples(ini));
    EXPECT_EQ(ini.value("tag", "0", ""), "ステップ00||");
    EXPECT_EQ(ini.value("tag", "15", ""), "pipes00|{\\a|b}|x|y");
    EXPECT_EQ(ini.value("tag", "16", ""), "flags11|{\\a|b}|plain");

    EffectSamples loaded;
    loaded.loadSamples(storeWith(ini.toText()));
    ASSERT_EQ(loaded.count(), 17);
    EXPECT_EQ(loaded.names(), samples.names());
    EXPECT_EQ(loaded.entry(15).record, (SampleRecord{"{\\a|b}|x", "y", 0, 0}))
        << "a character template comes back cut at its last \"|\"";
    EXPECT_EQ(loaded.entry(16).record, (SampleRecord{"{\\a|b}", "plain", 1, 1}))
        << "each entry keeps its own flags";
}

TEST(EffectSamples, LoadingRules) {
    struct Case {
        const char* file;
        std::vector<std::string> names;
        const char* why;
    };
    const std::vector<std::string> builtInNames = EffectSamples().names();
    for (const Case& c : {
             Case{"[default]\r\na=1\r\n", builtInNames, "no tag section: the built-in list stays"},
             Case{"[tag]\r\n1=b00||\r\n", {}, "no key 0: the list is empty"},
             Case{"[tag]\r\n", {}, "an empty tag section also empties the list"},
             Case{"[tag]\r\n0=a00||\r\n1=b00||\r\n3=d00||\r\n", {"a", "b"}, "up to the first missing key"},
             Case{"[tag]\r\n1=b00||\r\n0=a00||\r\n", {"a", "b"}, "keys are looked up by number, not by order"},
         }) {
        EffectSamples samples;
        samples.loadSamples(storeWith(c.file));
        EXPECT_EQ(samples.names(), c.names) << c.why;
    }
}
