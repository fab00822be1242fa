// SPDX-License-Identifier: GPL-3.0-or-later
#include "effects/templates.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace kvelmor;
using effects::expandTemplates;
using lyrics::LyricLine;
using lyrics::LyricUnit;
using settings::ConversionSettings;

namespace {

LyricUnit tag(int32_t duration) {
    LyricUnit u;
    u.duration = duration;
    return u;
}

LyricUnit chr(const char* text, int32_t width) {
    LyricUnit u;
    u.isChar = true;
    u.text = text;
    u.width = width;
    return u;
}

// A line as built and laid out: the syllables "AB" (30 cs) and "C" (45 cs)
// between three tags, shown from 0.20 s with a lead-in of 80 to 1.95 s, at
// (490, 670). The characters are slots 2, 3 and 5.
LyricLine sampleLine() {
    LyricLine l;
    l.lineKind = 10;
    l.kanjiStyle = "Kanji1";
    l.rubyStyle = "Ruby1";
    l.marginLText = l.marginRText = l.marginVText = "0000";
    l.pieceList = "Karaoke";
    for (auto u : {tag(30), chr("A", 20), chr("B", 22), tag(45), chr("C", 24), tag(0)}) l.appendUnit(u);
    // Sung from 1.00 s (the lead-in of 80 after 0.20 s) to 1.75 s.
    l.unit(1).time = 100;
    l.unit(4).time = 130;
    l.unit(6).time = 175;
    l.startTime = 20;
    l.endTime = 195;
    l.preTimeUsed = 80;
    l.posX = 490;
    l.posY = 670;
    l.lineWidth = 66;
    l.lineHeight = 48;
    return l;
}

ConversionSettings settingsFor(int wipe) {
    ConversionSettings s;
    s.setText("wipe", std::to_string(wipe));
    s.setText("tagFontPixcel", "48");
    return s;
}

LyricLine expanded(const ConversionSettings& s, LyricLine l = sampleLine()) {
    effects::expandLineTemplates(l, settings::ConversionOptions(s));
    return l;
}

}  // namespace

TEST(expandTemplates, KaraokeTagStyles) {
    struct Case {
        int wipe;
        const char* rawText;
        const char* postA;
        const char* postC;
        const char* why;
    };
    for (const Case& c : {
             Case{0, "{\\K30}AB{\\K45}C", "{\\K30}", "{\\K45}", "sweep per syllable; the closing tag writes nothing"},
             Case{1, "{\\k30}AB{\\k45}C", "{\\k30}", "{\\k45}", "per-character fill"},
             Case{2, "ABC", "", "", "no wipe: no tags at all"},
         }) {
        const LyricLine l = expanded(settingsFor(c.wipe));
        EXPECT_EQ(l.rawText, c.rawText) << c.why;
        EXPECT_EQ(l.pieceList, "") << c.why;
        EXPECT_EQ(l.texts(2).postText, c.postA) << c.why;
        EXPECT_EQ(l.texts(3).postText, "") << "the tags are carried to the first character only: " << c.why;
        EXPECT_EQ(l.texts(5).postText, c.postC) << c.why;
        for (int k : {2, 3, 5}) EXPECT_EQ(l.texts(k).preText, "") << c.why;
    }
}

TEST(expandTemplates, BorderWipeColoursAndClip) {
    LyricLine pause = sampleLine();  // a pause tag before the closing tag: "C" is still the last character
    pause.units.insert(pause.units.begin() + 6, tag(15));
    ++pause.unitCount;
    struct Case {
        LyricLine line;
        const char* outLine;
        const char* clipWipe;
        const char* text;
        const char* why;
    };
    for (const Case& c : {
             // Clip 490-3, 670-48-3, 490+66+3, 670+3+3; "AB" uncovers up to 490+42-3+3,
             // the last syllable to 490+66-3 plus ClipWipe instead of the shadow.
             Case{sampleLine(), "3", "0",
                  "{\\clip(487,619,559,676)}{\\t(800,1100,\\clip(532,619,559,676))}AB"
                  "{\\t(1100,1550,\\clip(553,619,559,676))}C",
                  "whole pixels"},
             Case{sampleLine(), "2", "1.5",
                  "{\\clip(488,620,558,675)}{\\t(800,1100,\\clip(533,620,558,675))}AB"
                  "{\\t(1100,1550,\\clip(555.5,620,558,675))}C",
                  "a fractional correction is written in plain decimal"},
             Case{pause, "3", "10",
                  "{\\clip(487,619,559,676)}{\\t(800,1100,\\clip(532,619,559,676))}AB"
                  "{\\t(1100,1550,\\clip(563,619,559,676))}C",
                  "the correction goes to the syllable of the last character"},
         }) {
        ConversionSettings s = settingsFor(3);
        s.setText("teritaryColor2", std::to_string(0x00AA00));
        s.setText("outLine", c.outLine);
        s.setText("ClipWipe", c.clipWipe);
        s.setText("commandLine", "{\\pos(%X,%Y)}");  // kept out of the border wipe's karaoke text
        const LyricLine l = expanded(s, c.line);
        EXPECT_EQ(l.rawText, std::string("{\\1c&HFF0000&}{\\3c&HAA00&}") + c.text) << c.why;
        EXPECT_EQ(l.pieceList, "{\\pos(490,670)}") << c.why;
    }
}

TEST(expandTemplates, EveryPlaceholder) {
    ConversionSettings s = settingsFor(4);
    s.setText("commandLine", "%S,%E,%A,%X,%Y,%W,%L,%H,%C,%F,%B,%D|%s,%Q,%%");
    s.setText("commandChar", "{%s,%S,%E,%R,%e,%t|%x,%y,%h,%w,%f,%C,%A,%N,%n,%X,%Y,%W,%L,%B,%D|%H,%Q}");
    s.setText("OriginalColor", std::to_string(0x123456));
    s.setText("OriginalColorAlpha", "5");
    s.setText("dispWidth", "1280");
    const LyricLine l = expanded(s);

    // %S and %E: the first and last tags, (100 - 20) * 10 and (175 - 20) * 10
    // after the event start; the character table has no %H.
    const std::string line = "800,1550,200,490,670,1280,66,48,&H123456&,48,3,3|%s,%Q,%%";
    const std::string a = "{800,800,1550,200,1100,300|490,670,48,42,48,&H123456&,&H80&,3,1,490,670,1280,66,3,3|%H,%Q}";
    const std::string c = "{1100,800,1550,200,1550,450|532,670,48,24,48,&H123456&,&H80&,3,3,490,670,1280,66,3,3|%H,%Q}";
    EXPECT_EQ(l.pieceList, line);
    EXPECT_EQ(l.rawText, line + "{\\K30}" + a + "AB{\\K45}" + c + "C");
    EXPECT_EQ(l.texts(2).preText, a);
    EXPECT_EQ(l.texts(3).preText, "") << "the template goes to the first character of a syllable";
    EXPECT_EQ(l.texts(5).preText, c);

    LyricLine early = sampleLine();
    early.advanceTime = 40;  // shown 40 earlier in batch display: syllables start later in the event
    s.setText("commandChar", "%s-%e-%t");
    EXPECT_EQ(expanded(s, early).texts(2).preText, "1200-1500-300");

    s.setText("dispWidth", "%X");  // a setting's text holding a placeholder is not replaced again
    s.setText("commandLine", "%W/%X");
    EXPECT_EQ(expanded(s).pieceList, "%X/490");
}

TEST(expandTemplates, TemplateStyles) {
    ConversionSettings s;
    s.setText("commandLine", "{\\pos(%X,%Y)};{\\move(%X,%Y,[%X+100],%Y)}");
    s.setText("commandChar", "<%n>;<%x>");  // pieces of a character template stay together in preText
    struct Case {
        int wipe;
        bool karaokeWipe;
        const char* postA;
        const char* postC;
        const char* sweepA;
        const char* sweepC;
        const char* why;
    };
    for (const Case& c : {
             Case{4, true, "{\\K30}", "{\\K45}", "{\\K30}", "{\\K45}", "free setting"},
             Case{5, true, "{\\K30}", "{\\K45}", "{\\K30}", "{\\K45}", "wipe emphasis"},
             Case{7, true, "{\\K30}", "{\\K45}", "{\\K30}", "{\\K45}", "per word"},
             Case{6, true, "{\\K80}{\\K30}", "{\\K110}{\\K45}", "{\\K30}", "{\\K45}",
                  "per syllable events carry their wait from the event start"},
             Case{4, false, "", "", "", "", "without KaraokeWipe only the templates"},
             Case{6, false, "", "", "", "", "without KaraokeWipe only the templates"},
         }) {
        s.setText("wipe", std::to_string(c.wipe));
        s.setText("KaraokeWipe", c.karaokeWipe ? "1" : "0");
        const LyricLine l = expanded(s);
        const std::string pieces = "{\\pos(490,670)};{\\move(490,670,590,670)}";
        EXPECT_EQ(l.pieceList, pieces) << c.why;
        EXPECT_EQ(l.rawText, pieces + c.sweepA + "<1>;<490>AB" + c.sweepC + "<3>;<532>C") << c.why;
        EXPECT_EQ(l.texts(2).postText, c.postA) << c.why;
        EXPECT_EQ(l.texts(5).postText, c.postC) << c.why;
        EXPECT_EQ(l.texts(2).preText, "<1>;<490>") << c.why;
        EXPECT_EQ(l.texts(5).preText, "<3>;<532>") << c.why;
    }
}

TEST(expandTemplates, MarkColourPrefixes) {
    LyricLine marked = sampleLine();
    marked.unit(2).cellMark = true;  // "A" and "B" marked, "C" not
    marked.unit(3).cellMark = true;
    struct Case {
        int wipe;
        int exColour;
        const char* kanjiStyle;
        const char* start;
        const char* end;
        const char* why;
    };
    for (const Case& c : {
             Case{2, 0, "Kanji1", "{\\2c&H123456&}", "{\\2c&HFF0000&}", "before wipe: back to secondaryColor"},
             Case{2, 1, "Kanji1", "{\\3c&H123456&}", "{\\3c&HAA&}", "border: back to TeritaryColor"},
             Case{2, 2, "Kanji1", "{\\4c&H123456&}", "{\\4c&HBB00&}", "shadow: back to ShadowColor"},
             Case{2, 3, "Kanji1", "{\\1c&H123456&,\\2c&H123456&}", "{\\1c&HFFFF&,\\2c&HFF0000&}", "fixed colour"},
             Case{2, 4, "Kanji1", "{\\c&H123456&}", "{\\c&HFFFF&}", "after wipe: back to PrimaryColor"},
             Case{2, 0, "substyle1", "{\\2c&H2&}", "{\\2c&HFF0000&}", "substyle1 marks with Command11"},
             Case{2, 0, "substyle2", "{\\2c&H3&}", "{\\2c&HFF0000&}", "substyle2 marks with Command12"},
             Case{3, 1, "Kanji1", "{\\1c&HFF0000&,\\3c&H123456&,\\4c&HBB00&}",
                  "{\\1c&HFF0000&,\\3c&HAA00&,\\4c&HBB00&}", "border wipe: the upper event's three colours"},
         }) {
        ConversionSettings s = settingsFor(c.wipe);
        s.setText("ExColor", std::to_string(c.exColour));
        s.setText("Command9", std::to_string(0x123456));
        s.setText("Command11", "2");
        s.setText("Command12", "3");
        s.setText("TeritaryColor", std::to_string(0xAA));
        s.setText("ShadowColor", std::to_string(0xBB00));
        s.setText("teritaryColor2", std::to_string(0xAA00));
        marked.kanjiStyle = c.kanjiStyle;
        const LyricLine l = expanded(s, marked);
        EXPECT_NE(l.rawText.find(std::string(c.start) + "A"), std::string::npos) << c.why;
        EXPECT_NE(l.rawText.find(std::string(c.end) + "C"), std::string::npos) << c.why;
        EXPECT_EQ(l.texts(2).postText, c.start) << c.why;
        EXPECT_EQ(l.texts(3).postText, "") << "only where the mark changes: " << c.why;
        EXPECT_EQ(l.texts(5).postText, c.end) << c.why;
    }
}

TEST(expandTemplates, RubyKaraokeText) {
    struct Case {
        int slot;
        const char* ruby;
        int32_t rubySpan;
        int32_t rubyWidth;
        bool kintou;
        const char* text;
        int32_t rubyX;
        const char* why;
    };
    for (const Case& c : {
             // 42 - 20 = 22 pixels over 2 letters: spacing 11, shifted 5 right of 490.
             Case{2, "ab", 2, 20, true, "{\\fsp11}{\\K75}", 495, "spread over its characters"},
             Case{2, "ab", 2, 20, false, "{\\K75}", 501, "not spread without kintouCheck"},
             Case{2, "abc", 2, 42, true, "{\\K75}", 501, "no room to spread"},
             Case{2, "abcd", 2, 50, true, "{\\K75}", 501, "wider than its characters"},
             Case{2, "あい", 2, 21, true, "{\\fsp10}{\\K75}", 495, "letters, not bytes: 21 / 2 to even"},
             Case{3, "b", 1, 10, true, "{\\2c&HFFFF&}{\\K75}", 501,
                  "over a marked character the ruby takes the mark colour, also where the mark began earlier"},
         }) {
        LyricLine l = sampleLine();
        l.unit(3).cellMark = c.slot == 3;
        l.unit(2).cellMark = c.slot == 3;
        LyricUnit& u = l.unit(c.slot);
        u.editRuby().ruby = c.ruby;
        u.editRuby().rubySpan = c.rubySpan;
        u.editRuby().rubyWidth = c.rubyWidth;
        u.editRuby().rubyDuration = 75;
        u.editRuby().rubyX = 501;
        ConversionSettings s = settingsFor(0);
        s.setText("kintouCheck", c.kintou ? "1" : "0");
        l = expanded(s, l);
        EXPECT_EQ(l.texts(c.slot).rubyText2, c.text) << c.why;
        EXPECT_EQ(l.unit(c.slot).rubyFields().rubyX, c.rubyX) << c.why;
        EXPECT_EQ(l.texts(5).rubyText2, "") << c.why;
    }
}

TEST(expandTemplates, WholeTableAndRerun) {
    lyrics::Song song;
    song.workLines.append(sampleLine());
    song.workLines.append(LyricLine{});  // a blank line of the lyrics editor
    ConversionSettings s = settingsFor(4);
    s.setText("commandChar", "<%n>");
    expandTemplates(song, settings::ConversionOptions(s));
    EXPECT_EQ(song.workLines[1].texts(2).preText, "<1>");
    EXPECT_EQ(song.workLines[2].rawText, "");
    EXPECT_EQ(song.workLines[0].rawText, "") << "the blank template record is never touched";

    s.setText("wipe", "0");
    expandTemplates(song, settings::ConversionOptions(s));
    EXPECT_EQ(song.workLines[1].texts(2).preText, "") << "a new run replaces the old texts";
    EXPECT_EQ(song.workLines[1].pieceList, "");
}

TEST(expandTemplates, ArbitraryInputNeverBreaks) {
    std::mt19937 rng(20240611);
    const std::string alphabet = "%[]+-*/.0123456789;|{}\\sSeEtRxXyYhHwWfFnNCALBD \xE3\x81\x82";
    auto randomText = [&](size_t n) {
        std::string t;
        for (size_t i = 0; i < n; ++i) t += alphabet[rng() % alphabet.size()];
        return t;
    };
    for (int round = 0; round < 300; ++round) {
        LyricLine l = sampleLine();
        l.posX = static_cast<int32_t>(rng());
        l.endTime = static_cast<int32_t>(rng());
        l.unit(1).duration = static_cast<int32_t>(rng());
        l.unit(2).width = static_cast<int32_t>(rng());
        l.unit(2).editRuby().ruby = randomText(3);
        l.unit(2).editRuby().rubySpan = static_cast<int32_t>(rng());
        l.unit(3).cellMark = rng() % 2 == 0;
        if (round % 7 == 0) l.unitCount = 300;  // more slots claimed than held
        ConversionSettings s = settingsFor(static_cast<int>(rng() % 10) - 1);
        s.setText("commandLine", randomText(rng() % 40));
        s.setText("commandChar", randomText(rng() % 40));
        s.setText("ExColor", std::to_string(static_cast<int>(rng() % 7) - 1));
        s.setText("OriginalColorAlpha", std::to_string(static_cast<int32_t>(rng())));
        s.setText("kintouCheck", "1");
        s.setText("ClipWipe", round % 3 == 0 ? "1e400" : randomText(4));  // infinite, or any text
        effects::expandLineTemplates(l, settings::ConversionOptions(s));
    }
    SUCCEED();
}
