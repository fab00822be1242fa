#include "lyrics/lyrics_table.h"

#include <gtest/gtest.h>

using namespace kvelmor::lyrics;

TEST(LyricsTable, BlankRecordAtZeroAndOneBasedLines) {
    LineTable t;
    EXPECT_EQ(t.count(), 0);
    t.appendLine().plainText = "one";
    t.appendLine().plainText = "two";
    EXPECT_EQ(t.count(), 2);
    EXPECT_EQ(t[1].plainText, "one");
    EXPECT_EQ(t[2].plainText, "two");
    EXPECT_EQ(t[0].plainText, "");
}

TEST(LyricsTable, FreshRecordsAreEmptyWhateverTheIndexHeldBefore) {
    LineTable t;
    LyricLine& l = t.appendLine();
    l.posX = 99;
    l.kanjiStyle = "Kanji1";
    LyricUnit u;
    u.isChar = true;
    u.text = "あ";
    l.appendUnit(u);
    t.reset();
    LyricLine& again = t.appendLine();
    EXPECT_EQ(again.posX, 0);
    EXPECT_EQ(again.kanjiStyle, "");
    EXPECT_EQ(again.unitCount, 0);
    EXPECT_EQ(again.units.size(), 1u);
}

TEST(LyricsTable, ALineHoldsThreeHundredSlotsAndNoMore) {
    LyricLine l;
    for (int i = 0; i < kMaxSlots; ++i) ASSERT_TRUE(l.appendUnit(LyricUnit{})) << i;
    EXPECT_EQ(l.unitCount, 300);
    EXPECT_FALSE(l.appendUnit(LyricUnit{}));
    EXPECT_EQ(l.unitCount, 300);
    EXPECT_EQ(l.units.size(), 301u);
}
