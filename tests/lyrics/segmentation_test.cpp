// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/segmentation.h"

#include <gtest/gtest.h>

#include "measure/fixed_measurer.h"
#include "lyrics/reader.h"
#include "settings/conversion_settings.h"

using namespace kvelmor;
using namespace kvelmor::lyrics;

namespace {

// FixedMeasurer: narrow characters 10 px, full-width ones 20 px. The display
// is made 200 px wide (dispWidth 260 less two margins of 30).
struct SegmentationFixture : ::testing::Test {
    settings::ConversionSettings settings;
    measure::FixedMeasurer measurer;
    CollectingReporter reporter;
    Song song;

    SegmentationFixture() {
        settings.setText("WinAMPTime", "0");
        settings.setText("dispWidth", "260");
        settings.setText("MarginL", "30");
        settings.setText("MarginR", "30");
    }

    // Loads the text and rebuilds the working table.
    void build(const std::string& text, bool lineBreak) {
        settings.setText("kaigyo", lineBreak ? "1" : "0");
        ASSERT_TRUE(loadLyricsText(song, text, "song.txt", settings, measurer, reporter).ok);
        rebuildWorkLines(song, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    }

    // One line as the raw parser makes it (with widths).
    LyricLine rawLine(const std::string& text) {
        LineTable raw;
        EXPECT_EQ(appendRawLine(raw, text, LineParser{kvelmor::settings::ConversionOptions(settings), measurer, false}),
                  AppendResult::Appended);
        return raw[1];
    }

    // Every piece takeNextPiece cuts off the line, at the fixture's width.
    std::vector<std::string> pieces(const std::string& text) {
        LyricLine l = rawLine(text);
        std::vector<std::string> out;
        for (int guard = 0; guard < 100; ++guard) {
            std::string p = takeNextPiece(l, availableWidth(kvelmor::settings::ConversionOptions(settings)));
            if (p.empty()) break;
            out.push_back(p);
        }
        return out;
    }

    std::vector<std::string> plainTexts() const {
        std::vector<std::string> out;
        for (int i = 1; i <= song.lineCount(); ++i) out.push_back(song.workLines[i].plainText);
        return out;
    }
};

// Slots as "t<rawTime>" for tags and the character itself for characters.
std::vector<std::string> slots(const LyricLine& l) {
    std::vector<std::string> out;
    for (int i = 1; i <= l.unitCount; ++i)
        out.push_back(l.unit(i).isChar ? l.unit(i).text : "t" + std::to_string(l.unit(i).rawTime));
    return out;
}

using Slots = std::vector<std::string>;
using Texts = std::vector<std::string>;

}  // namespace

// ---------------------------------------------------------------- building

TEST_F(SegmentationFixture, BuildWorkLineSetsTheBuildValues) {
    settings.setText("StyleNumber", "3");
    build("[00:01:00]あい[00:02:00]う[00:03:00]", false);
    ASSERT_EQ(song.lineCount(), 1);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(slots(l), (Slots{"t100", "あ", "い", "t200", "う", "t300"}));
    EXPECT_EQ(l.plainText, "あいう");
    EXPECT_EQ(l.lineKind, 10);
    EXPECT_EQ(l.kanjiStyle, "Kanji3");
    EXPECT_EQ(l.rubyStyle, "Ruby3");
    EXPECT_EQ(l.marginLText, "0000");
    EXPECT_EQ(l.marginRText, "0000");
    EXPECT_EQ(l.marginVText, "0000");
    EXPECT_EQ(l.pieceList, "Karaoke");
    EXPECT_EQ(l.rawText, "");
    EXPECT_EQ(l.startTime, 0);
    EXPECT_EQ(l.unit(2).width, 0);  // no width is measured
    EXPECT_EQ(timeText(l.unit(1)), "0:00:01.00");
    EXPECT_EQ(song.rubyState, kNoRuby);
}

TEST_F(SegmentationFixture, TimeCorrectionAppliesToWorkingTimes) {
    settings.setText("WinAMPTime", "1");
    build("[01:00:00]あ[01:00:50]", false);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(l.unit(1).rawTime, 6000);
    EXPECT_EQ(l.unit(1).time, 6028);
    EXPECT_EQ(timeText(l.unit(1)), "0:01:00.28");
}

TEST_F(SegmentationFixture, FullWidthSpacesNarrowedWhenMojiSizeIsOn) {
    settings.setText("MojiSize", "1");
    build("[00:00:00]あ　い[00:01:00]", false);
    EXPECT_EQ(song.workLines[1].unit(3).text, " ");
    EXPECT_EQ(song.workLines[1].plainText, "あ い");

    settings.setText("MojiSize", "0");
    rebuildWorkLines(song, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    EXPECT_EQ(song.workLines[1].plainText, "あ　い");
}

TEST_F(SegmentationFixture, RebuildStartsAfresh) {
    build("[00:00:00]あ[00:01:00]\n[00:01:00]い[00:02:00]", false);
    EXPECT_EQ(song.lineCount(), 2);
    song.workLines[1].posX = 99;
    rebuildWorkLines(song, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    EXPECT_EQ(song.lineCount(), 2);
    EXPECT_EQ(song.workLines[1].posX, 0);
    EXPECT_EQ(song.readLines[1].rawText, "[00:00:00]あ[00:01:00]");  // the raw table is untouched
}

TEST_F(SegmentationFixture, RebuildOverUsedSlotsGivesWhatAFirstBuildGives) {
    // A rebuild writes its slots over those of the previous build.
    build("[00:00:00]漢[00:00:00]([00:00:00]かん[00:00:50])[00:00:50]字[00:01:00]\n[00:01:00]い[00:02:00]", false);
    const LineTable first = song.workLines;
    for (int i = 1; i <= song.lineCount(); ++i) {
        for (LyricUnit& u : song.workLines[i].units) {
            u.width = 9;
            u.editRuby().rubyX = 3;
        }
    }
    rebuildWorkLines(song, kvelmor::settings::ConversionOptions(settings), measurer, reporter);
    ASSERT_EQ(song.lineCount(), first.count());
    for (int i = 1; i <= first.count(); ++i) {
        ASSERT_EQ(song.workLines[i].units.size(), first[i].units.size()) << i;
        for (size_t k = 0; k < first[i].units.size(); ++k)
            EXPECT_TRUE(song.workLines[i].units[k] == first[i].units[k]) << i << " " << k;
    }
    EXPECT_EQ(song.workLines[1].unit(2).rubyFields().ruby, "かん");  // the notation was folded
}

TEST_F(SegmentationFixture, MoreThan300SlotsContinueInAFurtherLine) {
    std::string text = "[00:00:00]" + std::string(300, 'a');  // 301 slots
    EXPECT_EQ(buildWorkLine(song, text, kvelmor::settings::ConversionOptions(settings), reporter), 2);
    ASSERT_EQ(song.lineCount(), 2);
    EXPECT_EQ(song.workLines[1].unitCount, 300);
    EXPECT_EQ(slots(song.workLines[2]), (Slots{"t0", "a"}));  // opened with the last tag
    EXPECT_EQ(song.workLines[1].plainText + song.workLines[2].plainText, std::string(300, 'a'));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].severity, Severity::Warning);

    reporter.reports.clear();
    EXPECT_EQ(buildWorkLine(song, "[00:00:00]" + std::string(299, 'a'), kvelmor::settings::ConversionOptions(settings),
                            reporter),
              1);
    EXPECT_EQ(song.workLines[3].unitCount, 300);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(SegmentationFixture, EmptyTextBuildsAnEmptyLine) {
    EXPECT_EQ(buildWorkLine(song, "", kvelmor::settings::ConversionOptions(settings), reporter), 1);
    EXPECT_EQ(song.workLines[1].unitCount, 0);
    EXPECT_EQ(song.workLines[1].plainText, "");
}

// ---------------------------------------------------------------- inline ruby

TEST_F(SegmentationFixture, RubyOverTwoKanjiIsFolded) {
    build("[00:01:00]漢字[00:01:00]([00:01:00]かんじ[00:02:00])[00:02:00]です[00:03:00]", false);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(slots(l), (Slots{"t100", "漢", "字", "t200", "で", "す", "t300"}));
    EXPECT_EQ(l.unit(2).rubyFields().ruby, "かんじ");
    EXPECT_EQ(l.unit(2).rubyFields().rubySpan, 2);
    EXPECT_EQ(l.unit(3).rubyFields().ruby, "");
    EXPECT_EQ(l.unit(3).rubyFields().rubySpan, 0);
    EXPECT_EQ(l.plainText, "漢字です");
    EXPECT_EQ(song.rubyState, kRubyAssigned);
}

TEST_F(SegmentationFixture, TagsInsideTheReadingAreIgnoredAndSeveralNotationsFold) {
    build("[00:01:00]空[00:01:00]([00:01:00]そ[00:01:50]ら[00:02:00])[00:02:00]と"
          "[00:03:00]海[00:03:00]([00:03:00]うみ[00:04:00])[00:04:00]",
          false);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(slots(l), (Slots{"t100", "空", "t200", "と", "t300", "海", "t400"}));
    EXPECT_EQ(l.unit(2).rubyFields().ruby, "そら");
    EXPECT_EQ(l.unit(2).rubyFields().rubySpan, 1);
    EXPECT_EQ(l.unit(6).rubyFields().ruby, "うみ");
    EXPECT_EQ(l.plainText, "空と海");
}

TEST_F(SegmentationFixture, ParenthesesNotFramedAsNotationAreLyrics) {
    // Tags of different times beside "(": not a notation.
    build("[00:01:00]あ[00:01:00]([00:01:10]い[00:02:00])[00:02:00]", false);
    EXPECT_EQ(song.workLines[1].plainText, "あ(い)");
    // Plain parentheses without tags.
    build("[00:01:00]あ(い)[00:02:00]", false);
    EXPECT_EQ(song.workLines[1].plainText, "あ(い)");
    EXPECT_EQ(song.rubyState, kNoRuby);
}

TEST_F(SegmentationFixture, AParenthesisCanBeARubyBase) {
    // Written this way by the tag file writer for a reading over "(": the
    // second "(" opens the notation, the first is the base.
    build("[00:08:00]吹[00:08:00]([00:08:00]([00:08:00]さくら[00:10:50])[00:10:50]の[00:11:00]", false);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(l.plainText, "吹(の");
    EXPECT_EQ(slots(l), (Slots{"t800", "吹", "t800", "(", "t1050", "の", "t1100"}));
    EXPECT_EQ(l.unit(4).rubyFields().ruby, "さくら");
    EXPECT_EQ(l.unit(2).rubyFields().ruby, "");
}

TEST_F(SegmentationFixture, AnUnclosedNotationStaysLyricTextAndLeavesTheNextAlone) {
    LyricLine l = rawLine("[00:01:00]あ[00:01:00]([00:01:00]いう[00:02:00]");
    EXPECT_EQ(foldRubyNotation(l), 0);
    EXPECT_EQ(l.unitCount, 8);

    EXPECT_EQ(l.plainText, "");  // raw records have no plain text; nothing was rebuilt

    // After a notation, an unclosed one stays text.
    build("[00:01:00]空[00:01:00]([00:01:00]そら[00:02:00])[00:02:00]あ[00:03:00]([00:03:00]x[00:04:00]", false);
    const LyricLine& w = song.workLines[1];
    EXPECT_EQ(w.plainText, "空あ(x");
    EXPECT_EQ(w.unit(2).rubyFields().ruby, "そら");
    EXPECT_EQ(w.unit(2).rubyFields().rubySpan, 1);
}

TEST_F(SegmentationFixture, ANotationWithoutABaseIsLyricText) {
    LyricLine l = rawLine("[00:01:00]([00:01:00]よみ[00:02:00])[00:02:00]");
    EXPECT_EQ(foldRubyNotation(l), 0);
    EXPECT_EQ(l.unitCount, 8);
}

// ---------------------------------------------------------------- line break

TEST_F(SegmentationFixture, AvailableWidthIsTheDisplayLessTheMargins) {
    EXPECT_EQ(availableWidth(kvelmor::settings::ConversionOptions(settings)), 200);
}

TEST_F(SegmentationFixture, ALineThatFitsStaysWholeWithTheLineBreakOn) {
    build("[00:00:00]ああああああああああ[00:10:00]", true);  // 200 px: A >= T
    EXPECT_EQ(plainTexts(), (Texts{"ああああああああああ"}));
}

TEST_F(SegmentationFixture, TheLineBreakOffNeverCuts) {
    build("[00:00:00]ああああカカカカカ漢漢漢漢漢漢[00:15:00]", false);
    EXPECT_EQ(song.lineCount(), 1);
}

TEST_F(SegmentationFixture, ChangesOfClassAreStrongCandidates) {
    // 15 wide characters (300 px) at 200 px: two pieces aimed at 150 px each.
    // The change from hiragana into katakana is the only candidate in reach.
    EXPECT_EQ(pieces("[00:00:00]ああああカカカカカ漢漢漢漢漢漢[00:15:00]"),
              (Texts{"[00:00:00]ああああ[00:04:00]", "[00:04:00]カカカカカ[00:09:00]", "[00:09:00]漢漢漢漢漢漢[00:15:00]"}));
    build("[00:00:00]ああああカカカカカ漢漢漢漢漢漢[00:15:00]", true);
    EXPECT_EQ(plainTexts(), (Texts{"ああああ", "カカカカカ", "漢漢漢漢漢漢"}));
    EXPECT_EQ(slots(song.workLines[2]), (Slots{"t400", "カ", "カ", "カ", "カ", "カ", "t900"}));
}

TEST_F(SegmentationFixture, StrongCandidatesWinOverNearerWeakOnes) {
    // Okurigana (kanji into hiragana) at 120 px is nearer to the target of
    // 110 px, but the change into kanji at 60 px is strong.
    EXPECT_EQ(pieces("[00:00:00]ああ漢漢漢ああああああ[00:11:00]").front(), "[00:00:00]ああ[00:02:00]");
}

TEST_F(SegmentationFixture, OkuriganaIsAWeakCandidateUsedWhenNoStrongOneExists) {
    EXPECT_EQ(pieces("[00:00:00]漢漢漢漢漢ああああああ[00:11:00]"),
              (Texts{"[00:00:00]漢漢漢漢漢[00:05:00]", "[00:05:00]ああああああ[00:11:00]"}));
}

TEST_F(SegmentationFixture, WithoutCandidatesTheCutIsAtTheTarget) {
    // All kanji: no candidate; the last character below 150 px is the 7th,
    // and the cut comes before it.
    EXPECT_EQ(pieces("[00:00:00]漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢[00:15:00]"),
              (Texts{"[00:00:00]漢漢漢漢漢漢[00:06:00]", "[00:06:00]漢漢漢漢漢漢漢漢漢[00:15:00]"}));
}

TEST_F(SegmentationFixture, NumberOfPiecesDropsAFractionBelowOnePercent) {
    // 20 kanji of 20 px after one narrow character: the cut lies before the
    // last character below the target T / P (no candidates).
    auto cut = [this](int32_t firstWidth) {
        measurer.setWidth(U'丁', firstWidth);
        LyricLine l = rawLine("[00:00:00]丁漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢[00:21:00]");
        return chooseBreak(l, totalCharWidth(l), 200);
    };
    EXPECT_EQ(cut(1), 11);  // T = 401, 2.005 widths: P = 2, target 200.5
    EXPECT_EQ(cut(4), 8);   // T = 404, 2.02 widths: P = 3, target 134.7
    // 1.5 widths: P = 2, target 150.
    LyricLine l = rawLine("[00:00:00]漢漢漢漢漢漢漢漢漢漢漢漢漢漢漢[00:15:00]");
    EXPECT_EQ(chooseBreak(l, 300, 200), 8);
}

TEST_F(SegmentationFixture, ASpaceAtTheCutGoesIntoNeitherPiece) {
    EXPECT_EQ(pieces("[00:00:00]ABCDEFGHIJ  KLMNOPQRST[00:22:00]"),
              (Texts{"[00:00:00]ABCDEFGHIJ[00:10:00]", "[00:12:00]KLMNOPQRST[00:22:00]"}));
    build("[00:00:00]ABCDEFGHIJ　　KLMNOPQRST[00:22:00]", true);  // full-width spaces too
    EXPECT_EQ(plainTexts(), (Texts{"ABCDEFGHIJ", "KLMNOPQRST"}));
}

TEST_F(SegmentationFixture, TiesKeepTheEarlierCandidate) {
    // Spaces at 100 px and 120 px, target 110 px.
    EXPECT_EQ(pieces("[00:00:00]ABCDEFGHI J KLMNOPQRST[00:22:00]").front(), "[00:00:00]ABCDEFGHI[00:09:00]");
}

TEST_F(SegmentationFixture, ACutInsideASyllableGetsInterpolatedTags) {
    // The syllable ああカナ runs from 100 to 200; the cut before カ falls after
    // its second character, 50 after its start.
    EXPECT_EQ(pieces("[00:00:00]ああああああ[00:01:00]ああカナ[00:02:00]ああああああ[00:03:00]"),
              (Texts{"[00:00:00]ああああああ[00:01:00]ああ[00:01:50]",
                     "[00:01:50]カナ[00:02:00]ああああああ[00:03:00]"}));
}

TEST_F(SegmentationFixture, ACutAtATagAfterATagKeepsTheTimes) {
    // Two adjacent tags are a strong candidate: the piece ends with the first, the rest starts at the second.
    EXPECT_EQ(pieces("[00:00:00]漢漢漢漢漢[00:05:00][00:06:00]漢漢漢漢漢漢[00:12:00]"),
              (Texts{"[00:00:00]漢漢漢漢漢[00:05:00]", "[00:06:00]漢漢漢漢漢漢[00:12:00]"}));
}

TEST_F(SegmentationFixture, ACutAtSlotOneNeverEmptiesThePieceOrLosesText) {
    // The full-width space at slot 1 is the candidate nearest the target; a
    // cut there would leave an empty first piece. It is not considered.
    LyricLine l = rawLine("　AAAAAAAAAAAAAAAA BB[00:21:00]");
    EXPECT_EQ(chooseBreak(l, totalCharWidth(l), 200), 18);
    settings.setText("kaigyo", "1");
    build("　AAAAAAAAAAAAAAAA BB[00:21:00]", true);
    EXPECT_EQ(plainTexts(), (Texts{"　AAAAAAAAAAAAAAAA", "BB"}));

    // A space directly after the first tag: no character before it, no cut there.
    l = rawLine("[00:00:00] AAAAAAAAAAAAAAAA BB[00:21:00]");
    EXPECT_GT(chooseBreak(l, totalCharWidth(l), 200), 3);
}

TEST_F(SegmentationFixture, EveryPieceTakesACharacter) {
    // One character wider than the display: it cannot be cut.
    measurer.setWidth(U'巨', 500);
    EXPECT_EQ(pieces("[00:00:00]巨[00:01:00]"), (Texts{"[00:00:00]巨[00:01:00]"}));
    // No character is below the target: the cut falls before the last slot,
    // here a character without a tag after it. It is kept as a piece of its own.
    EXPECT_EQ(pieces("[00:00:00]巨巨巨"), (Texts{"[00:00:00]巨巨", "[00:00:00]巨"}));
}

TEST_F(SegmentationFixture, ARubyBaseIsNotCut) {
    // Without the ruby the cut would fall inside 漢字 (all kanji, target 150 px).
    build("[00:00:00]漢漢漢漢漢[00:05:00]漢字[00:05:00]([00:05:00]かんじ[00:08:00])[00:08:00]漢漢漢漢漢漢漢漢[00:15:00]",
          true);
    EXPECT_EQ(plainTexts(), (Texts{"漢漢漢漢漢", "漢字漢漢漢漢漢漢漢漢"}));
    ASSERT_GE(song.lineCount(), 2);
    bool found = false;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& l = song.workLines[i];
        for (int k = 1; k <= l.unitCount; ++k) {
            if (l.unit(k).rubyFields().ruby.empty()) continue;
            found = true;
            EXPECT_EQ(l.unit(k).rubyFields().ruby, "かんじ");
            EXPECT_EQ(l.unit(k).rubyFields().rubySpan, 2);
            ASSERT_LT(k + 1, l.unitCount);
            EXPECT_EQ(l.unit(k).text + l.unit(k + 1).text, "漢字");
        }
    }
    EXPECT_TRUE(found);
    std::string all;
    for (const auto& t : plainTexts()) all += t;
    EXPECT_EQ(all, "漢漢漢漢漢漢字漢漢漢漢漢漢漢漢");
    EXPECT_EQ(song.rubyState, kRubyAssigned);
}

TEST_F(SegmentationFixture, InlineRubySurvivesTheLineBreak) {
    build("[00:00:00]ああああ[00:04:00]空[00:04:00]([00:04:00]そら[00:05:00])[00:05:00]カカカカ漢漢漢漢漢漢[00:15:00]",
          true);
    // Candidates: into 空 at 100 px, into カ at 120 px; the target is 150 px.
    EXPECT_EQ(plainTexts(), (Texts{"ああああ空", "カカカカ漢漢漢漢漢漢"}));
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(slots(l), (Slots{"t0", "あ", "あ", "あ", "あ", "t400", "空", "t500"}));
    EXPECT_EQ(l.unit(7).rubyFields().ruby, "そら");
    EXPECT_EQ(l.unit(7).rubyFields().rubySpan, 1);
    EXPECT_EQ(slots(song.workLines[2]).front(), "t500");
}

TEST_F(SegmentationFixture, SplitLinesNeverExceed300Slots) {
    std::string text = "[00:00:00]";
    for (int i = 0; i < 149; ++i) text += "あ[00:00:" + std::string(i % 100 < 10 ? "0" : "") + std::to_string(i % 100) + "]";
    text += "あ";  // 300 slots
    build(text, true);
    int chars = 0;
    for (int i = 1; i <= song.lineCount(); ++i) {
        EXPECT_LE(song.workLines[i].unitCount, kMaxSlots);
        chars += static_cast<int>(song.workLines[i].plainText.size()) / 3;
    }
    EXPECT_GT(song.lineCount(), 1);
    EXPECT_EQ(chars, 150);
}

TEST_F(SegmentationFixture, WidthsAreMeasuredInTheCurrentFont) {
    // Loaded with wide characters of 20 px (fits in one line at 580 px)...
    settings.setText("dispWidth", "640");
    build("[00:00:00]ああああああああああ[00:10:00]", true);
    EXPECT_EQ(song.lineCount(), 1);
    // ... the same raw line, measured again at 100 px a character, is cut.
    measure::FixedMeasurer wide(measure::FixedMeasurer::Metrics{10, 100, 24});
    rebuildWorkLines(song, kvelmor::settings::ConversionOptions(settings), wide, reporter);
    EXPECT_GT(song.lineCount(), 1);
}

// The reading's characters joined around a tag inside it can spell a time tag
// of their own; written into a tag file that text reads back as a tag, so
// such a notation is not folded.
TEST_F(SegmentationFixture, ANotationWhoseReadingWouldSpellATagIsLyricText) {
    const std::string text = "[00:01:00]空[00:01:00]([00:01:00][00:0[00:01:50]5:60][00:02:00])[00:02:00]";
    LyricLine l = rawLine(text);
    EXPECT_EQ(foldRubyNotation(l), 0);
    build(text, false);
    EXPECT_EQ(song.workLines[1].plainText, "空([00:05:60])");
    EXPECT_EQ(song.rubyState, kNoRuby);
    // One tag less inside and the same reading folds.
    build("[00:01:00]空[00:01:00]([00:01:00][00:05:60[00:02:00])[00:02:00]", false);
    EXPECT_EQ(song.workLines[1].unit(2).rubyFields().ruby, "[00:05:60");
}

// An empty reading is no ruby: its span would cover characters that a tag
// file writes without any notation.
TEST_F(SegmentationFixture, ANotationWithAnEmptyReadingGivesNoRuby) {
    build("[00:01:00]空海[00:01:00]([00:01:00][00:02:00])[00:02:00]と[00:03:00]", false);
    const LyricLine& l = song.workLines[1];
    EXPECT_EQ(l.plainText, "空海と");
    ASSERT_EQ(l.unitCount, 6);
    EXPECT_EQ(l.unit(2).rubyFields().ruby, "");
    EXPECT_EQ(l.unit(2).rubyFields().rubySpan, 0);
}
