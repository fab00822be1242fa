// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/karaoke_events.h"

#include <gtest/gtest.h>

#include <limits>

#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;

namespace {

const char* const kHead = "Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,";

struct KaraokeEventsFixture : ::testing::Test {
    settings::ConversionSettings s;
    lyrics::LyricLine line = builtLine(5920, 6520);

    KaraokeEventsFixture() { line.preTimeUsed = 80; }
    std::string events() {
        std::string out;
        appendKaraokeEvents(out, line, settings::ConversionOptions(s), eventTexts(settings::ConversionOptions(s)));
        return joinLines(scriptLines(out));
    }
    // Tag, 夜 and の with their karaoke tags carried, tag.
    void addNightLine(const std::string& pre1 = {}, const std::string& pre2 = {}) {
        addSlots(line, {tagSlot(6000), charSlot("夜", 20, pre1, "{\\K40}"), charSlot("の", 20, pre2, "{\\K30}"),
                        tagSlot(6070)});
    }
};

TEST(KaraokeEventsPieces, SplitAndPick) {
    struct Case {
        const char* text;
        size_t n;
        const char* piece;
        const char* why;
    };
    const Case cases[] = {
        {"", 1, "", "an empty text has one empty piece"},
        {"A", 1, "A", "no separator: one piece"},
        {"A;B", 2, "B", "second piece"},
        {"A;B", 5, "B", "past the last piece: the last one"},
        {"A;;C", 2, "", "an empty piece between separators"},
        {"{\\1c&H0&};{\\t(0,100,\\fscx120)}", 2, "{\\t(0,100,\\fscx120)}", "tags keep their commas"},
    };
    for (const auto& c : cases) EXPECT_EQ(pieceAt(splitPieces(c.text), c.n), c.piece) << c.why;
    EXPECT_EQ(splitPieces("A;B;;").size(), 4u);
}

TEST_F(KaraokeEventsFixture, PassFormOneEventPerPiece) {
    line.pieceList = "A;B";
    addNightLine("a;b", "x;y;z");  // the last character's three pieces decide the count
    EXPECT_EQ(events(), std::string(kHead) + "{\\q2}{\\pos(30,430)}A{\\K80}{\\K40}a夜{\\K30}xの\n" + kHead +
                            "{\\q2}{\\pos(30,430)}B{\\K80}{\\K40}b夜{\\K30}yの\n" + kHead +
                            "{\\q2}{\\pos(30,430)}B{\\K80}{\\K40}b夜{\\K30}zの\n");
}

TEST_F(KaraokeEventsFixture, PassFormOptions) {
    addNightLine();
    s.setText("posNo", "1");
    s.setText("KaraokeWipe", "0");
    s.setText("fadeOutCheck", "1");
    s.setText("FadeOut", "300");
    s.setText("mojiScaleY", "1.5");
    s.setText("wipe", "2");
    EXPECT_EQ(events(), std::string(kHead) + "{\\q2}{\\fad(0,300)}{\\fscy150}{\\K40}夜{\\K30}の\n");
}

TEST_F(KaraokeEventsFixture, LineWithoutCharacters) {
    addSlots(line, {tagSlot(6000), tagSlot(6070)});
    EXPECT_EQ(events(), std::string(kHead) + "{\\q2}{\\pos(30,430)}{\\K80}\n") << "pass form: one event";
    s.setText("wipe", "6");
    EXPECT_EQ(events(), "") << "per syllable: nothing to show";
    s.setText("wipe", "7");
    EXPECT_EQ(events(), "") << "per word: nothing to show";
}

TEST_F(KaraokeEventsFixture, EdgeWipeTwoLayersAlwaysPlaced) {
    addNightLine();
    line.rawText = "{\\1c&HFF0000&}{\\clip(0,0,10,10)}夜の";
    s.setText("wipe", "3");
    s.setText("posNo", "1");
    s.setText("fadeInCheck", "1");
    s.setText("FadeIn", "800");
    EXPECT_EQ(events(), R"(Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}{\fad(800,0)}夜の
Dialogue: 120,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}{\fad(800,0)}{\1c&HFF0000&}{\clip(0,0,10,10)}夜の
)");
}

TEST_F(KaraokeEventsFixture, WipeEmphasisTwoLayersPerPass) {
    addNightLine();
    line.pieceList = "A;B";
    line.advanceTime = 20;
    s.setText("wipe", "5");
    s.setText("DelayTime", "15");
    EXPECT_EQ(events(), R"(Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}A{\K100}{\K40}夜{\K30}の
Dialogue: 120,0:00:59.20,0:01:05.20,substyle1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}A{\K115}{\K40}夜{\K30}の
Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}B{\K100}{\K40}夜{\K30}の
Dialogue: 120,0:00:59.20,0:01:05.20,substyle1,,0000,0000,0000,Karaoke,{\q2}{\pos(30,430)}B{\K115}{\K40}夜{\K30}の
)");
}

TEST_F(KaraokeEventsFixture, PerCharacterSettingOneEventPerSyllableAndPass) {
    line.posX = 100;
    addSlots(line, {tagSlot(6000), charSlot("a", 10, "x1;y1", "{\\K0}{\\K20}"), charSlot("b", 12, "x2;y2"),
                    tagSlot(6020), charSlot("c", 20, "z", "{\\K20}{\\K30}"), tagSlot(6050),
                    charSlot("d", 5, "w")});  // after the last tag: no event
    s.setText("wipe", "6");
    // Each slot contributes piece n of its own preText.
    EXPECT_EQ(events(), R"(Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(100,430)}{\K0}{\K20}x1x2ab
Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(100,430)}{\K0}{\K20}y1y2ab
Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(122,430)}{\K20}{\K30}zc
)");
}

TEST_F(KaraokeEventsFixture, PerWordPlacesEachWordAtItsFirstCharacter) {
    line.posX = 0;
    line.pieceList = "L;M";  // written whole: this mode has no passes
    addSlots(line, {timed(tagSlot(6000), 10), charSlot("h", 10, "P", "{\\K10}"), charSlot("i", 10), charSlot(" ", 5),
                    timed(tagSlot(6010), 20), charSlot("y", 10, "Q", "{\\K20}"), charSlot("o", 10),
                    timed(tagSlot(6030), 30), charSlot("u", 10, "R", "{\\K30}"), tagSlot(6060)});
    s.setText("wipe", "7");
    // "you" spans two syllables and ends the line without a space: it is
    // still written, at the x of its "y". Each word waits from the event's
    // start (lead-in 80) until its first syllable, then sweeps syllable by
    // syllable, each with its own template.
    EXPECT_EQ(events(), R"(Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(0,430)}L;M{\K80}{\K10}Phi 
Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\q2}{\pos(25,430)}L;M{\K90}{\K20}Qyo{\K30}Ru
)");
}

TEST_F(KaraokeEventsFixture, PerWordSplitsAtAFullWidthSpaceInsideASyllable) {
    line.posX = 0;
    addSlots(line, {timed(tagSlot(6000), 50), timed(charSlot("あ", 20, "", "{\\K50}"), 20),
                    timed(charSlot("\u3000", 20), 20), timed(charSlot("い", 20), 10), tagSlot(6050)});
    s.setText("wipe", "7");
    // い starts 40 into the syllable: its word waits 80 + 40 and sweeps the remaining 10.
    EXPECT_EQ(events(), "Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\\q2}{\\pos(0,430)}{\\K80}{\\K50}あ\u3000\n"
                        "Dialogue: 110,0:00:59.20,0:01:05.20,Kanji1,,0000,0000,0000,Karaoke,{\\q2}{\\pos(40,430)}{\\K120}{\\K10}い\n");
}

TEST_F(KaraokeEventsFixture, LayerFieldAtTheExtremes) {
    addNightLine();
    line.lineKind = std::numeric_limits<int32_t>::max();
    line.dialoguePrefix = "9";
    std::string out;
    appendKaraokeEvents(out, line, settings::ConversionOptions(s), eventTexts(settings::ConversionOptions(s)));
    EXPECT_EQ(out.substr(0, 24), "Dialogue: 92147483747,0:") << "prefix, then lineKind + 100 without overflow";

    line.unitCount = 250;  // more than the stored slots: only those are read
    out.clear();
    appendKaraokeEvents(out, line, settings::ConversionOptions(s), eventTexts(settings::ConversionOptions(s)));
    EXPECT_NE(out.find("夜{\\K30}の\r\n"), std::string::npos);
}

}  // namespace
