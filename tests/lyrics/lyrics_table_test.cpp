// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/lyrics_table.h"

#include <gtest/gtest.h>

using namespace kvelmor::lyrics;

TEST(workLines, BlankRecordAtZeroAndOneBasedLines) {
    LineTable t;
    EXPECT_EQ(t.count(), 0);
    t.appendLine().plainText = "one";
    t.appendLine().plainText = "two";
    EXPECT_EQ(t.count(), 2);
    EXPECT_EQ(t[1].plainText, "one");
    EXPECT_EQ(t[2].plainText, "two");
    EXPECT_EQ(t[0].plainText, "");
}

TEST(workLines, FreshRecordsAreEmptyWhateverTheIndexHeldBefore) {
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

TEST(workLines, ALineHoldsThreeHundredSlotsAndNoMore) {
    LyricLine l;
    for (int i = 0; i < kMaxSlots; ++i) ASSERT_TRUE(l.appendUnit(LyricUnit{})) << i;
    EXPECT_EQ(l.unitCount, 300);
    EXPECT_FALSE(l.appendUnit(LyricUnit{}));
    EXPECT_EQ(l.unitCount, 300);
    EXPECT_EQ(l.units.size(), 301u);
}

namespace {
LyricUnit filledUnit() {
    LyricUnit u;
    u.isChar = true;
    u.text = "漢";
    u.width = 40;
    u.time = 12;
    u.rawTime = 11;
    u.duration = 7;
    u.cellMark = true;
    u.editRuby() = {.ruby = "かん", .rubyWidth = 30, .rubyHeight = 20, .rubySpan = 1, .rubyStartTime = 1,
                    .rubyEndTime = 2, .rubyDuration = 3, .rubyX = 4, .rubyY = 5};
    return u;
}
}  // namespace

TEST(workLines, BlankUnitGivesTheValuesOfANewSlot) {
    LyricUnit u = filledUnit();
    ASSERT_FALSE(u == LyricUnit{});
    blankUnit(u);
    EXPECT_TRUE(u == LyricUnit{});
}

// A slot's ruby fields live outside the slot record; copies of the slot
// must still own their own fields, and blank fields must read as none.
TEST(workLines, RubyFieldsCopyWithTheirSlot) {
    const LyricUnit original = filledUnit();
    LyricUnit copy = original;
    copy.editRuby().ruby = "じ";
    copy.editRuby().rubyX = 40;
    EXPECT_EQ(original.rubyFields().ruby, "かん") << "a copy does not share the original's fields";
    EXPECT_EQ(original.rubyFields().rubyX, 4);

    LyricUnit withRuby = filledUnit();
    withRuby = LyricUnit{};  // assigning a slot without ruby takes its fields away
    EXPECT_TRUE(withRuby == LyricUnit{});
    EXPECT_EQ(withRuby.rubyFields().ruby, "");
    EXPECT_EQ(withRuby.rubyFields().rubySpan, 0);

    LyricUnit none;
    none.editRuby();  // fields made but left blank read as a slot without ruby
    EXPECT_TRUE(none == LyricUnit{});

    LyricLine line;
    line.appendUnit(original);
    std::vector<LyricUnit> moved = std::move(line.units);
    EXPECT_EQ(moved[1].rubyFields().ruby, "かん") << "moving the slots moves their fields";
}

TEST(workLines, SlotsBuiltOverOldOnesAreBlank) {
    std::vector<LyricUnit> old(5, filledUnit());
    UnitListBuilder b(std::move(old));
    b.next().width = 1;
    LyricUnit& second = b.next();
    EXPECT_TRUE(second == LyricUnit{});
    const std::vector<LyricUnit> units = b.take();
    ASSERT_EQ(units.size(), 3u);  // slot 0 and the two handed out; the old ones beyond are dropped
    EXPECT_TRUE(units[0] == LyricUnit{});
    EXPECT_EQ(units[1].width, 1);
    EXPECT_EQ(units[1].text, "");
    EXPECT_TRUE(units[2] == LyricUnit{});
}

TEST(workLines, SlotsBuiltPastTheOldOnesAreBlankToo) {
    UnitListBuilder b(std::vector<LyricUnit>(2, filledUnit()));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(b.next() == LyricUnit{}) << i;
    EXPECT_EQ(b.take().size(), 5u);
    UnitListBuilder empty({});
    EXPECT_EQ(empty.take().size(), 1u);
}

TEST(workLines, RecycledSlotListsComeBackWithTheirOldSlots) {
    LineTable t;
    LyricLine& l = t.appendLine();
    for (int i = 0; i < 3; ++i) l.appendUnit(filledUnit());
    t.recycle();
    EXPECT_EQ(t.count(), 0);
    LyricLine& again = t.appendLine();
    EXPECT_EQ(again.unitCount, 0);
    EXPECT_EQ(again.units.size(), 1u);
    EXPECT_TRUE(again.units[0] == LyricUnit{});
    UnitListBuilder b(t.takeSpareUnits());
    EXPECT_TRUE(b.next() == LyricUnit{});
    EXPECT_EQ(b.take().size(), 2u);
    EXPECT_TRUE(t.takeSpareUnits().empty());
}
