// SPDX-License-Identifier: GPL-3.0-or-later
// How readings are laid over words, numbers, lines of slots and plain text.
// The dictionary's own choices are measured by the corpus (corpus_test.cpp);
// these cases use a small made-up list of kanji readings.

#include <gtest/gtest.h>

#include <map>

#include "common/encoding.h"
#include "lyrics/kra_writer.h"
#include "readings/numbers.h"
#include "readings/song_readings.h"
#include "readings/word_split.h"

namespace kvelmor::readings {
namespace {

// Pieces as "base:reading" joined by spaces, over the characters of `text`.
std::string shown(std::u32string_view text, const std::vector<Piece>& pieces) {
    std::string out;
    for (const Piece& p : pieces)
        out += (out.empty() ? "" : " ") + toUtf8(text.substr(p.begin, p.length)) + ":" + toUtf8(p.reading);
    return out;
}

TEST(Okurigana, KanaOfTheWordKeepNoRubyAndAnUnclearShareGivesNone) {
    const struct {
        std::u32string surface, reading;
        std::string expected;  // "" when nothing
    } cases[] = {
        {U"歩いて", U"アルイテ", "歩:ある"},
        {U"美しい", U"うつくしい", "美:うつく"},
        {U"取り戻す", U"とりもどす", "取:と 戻:もど"},
        {U"見上げる", U"みあげる", "見上:みあ"},
        {U"真っ白", U"まっしろ", "真:ま 白:しろ"},
        {U"ラ行く", U"らいく", "行:い"},
        {U"歩いて", U"あるきて", ""},  // the reading does not hold the written い
        {U"日の日", U"ひのひのひ", ""},  // の could stand at two places
    };
    for (const auto& c : cases) {
        const auto pieces = alignOkurigana(c.surface, c.reading);
        EXPECT_EQ(pieces ? shown(c.surface, *pieces) : "", c.expected) << toUtf8(c.surface);
    }
}

TEST(KanjiSplit, EachKanjiGetsItsShareOnlyWhereOneCutFitsItsReadings) {
    const std::map<char32_t, std::vector<std::u32string>> dictionary = {
        {U'学', {U"がく", U"まな"}}, {U'校', {U"こう"}},  {U'今', {U"いま", U"こん"}}, {U'日', {U"ひ", U"にち", U"か"}},
        {U'大', {U"だい", U"おお"}}, {U'人', {U"ひと", U"にん", U"じん"}}, {U'青', {U"あお", U"せい"}},
        {U'空', {U"そら", U"くう"}}, {U'一', {U"いち"}},  {U'本', {U"ほん"}}, {U'時', {U"とき", U"じ"}},
        {U'生', {U"い", U"せい", U"う"}}, {U'命', {U"いのち", U"めい"}},
    };
    static const std::vector<std::u32string> kNone;
    const KanjiReadings readings = [&](char32_t k) -> const std::vector<std::u32string>& {
        auto f = dictionary.find(k);
        return f == dictionary.end() ? kNone : f->second;
    };
    const struct {
        std::u32string run, reading;
        std::string expected;
    } cases[] = {
        {U"学校", U"がっこう", "学:がっ 校:こう"},     // っ before the next kanji
        {U"青空", U"あおぞら", "青:あお 空:ぞら"},     // voiced after the first kanji
        {U"一本", U"いっぽん", "一:いっ 本:ぽん"},     // っ and half-voiced
        {U"今日", U"きょう", "今日:きょう"},           // no cut fits: one reading over both
        {U"大人", U"おとな", "大人:おとな"},
        {U"人々", U"ひとびと", "人々:ひとびと"},       // 々 goes with its kanji
        {U"時々人", U"ときどきひと", "時々:ときどき 人:ひと"},
        {U"生命", U"せいめい", "生:せい 命:めい"},
        {U"学日", U"がくにち", "学:がく 日:にち"},
        {U"校", U"こう", "校:こう"},
        {U"未知", U"みち", "未知:みち"},               // kanji the list does not know
    };
    for (const auto& c : cases) EXPECT_EQ(shown(c.run, splitPerKanji(c.run, c.reading, readings)), c.expected);
}

TEST(Numbers, NumbersAndCountersAreReadAsSpoken) {
    const struct {
        std::u32string number, counter;
        std::string expected;  // "" when the number is left to the dictionary
    } cases[] = {
        {U"三百", U"", "三:さん 百:びゃく"},
        {U"六百", U"", "六:ろっ 百:ぴゃく"},
        {U"八千", U"", "八:はっ 千:せん"},
        {U"三千", U"", "三:さん 千:ぜん"},
        {U"二十三", U"", "二:に 十:じゅう 三:さん"},
        {U"一万", U"", "一:いち 万:まん"},
        {U"一", U"本", "一:いっ 本:ぽん"},
        {U"三", U"本", "三:さん 本:ぼん"},
        {U"三百", U"本", "三:さん 百:びゃっ 本:ぽん"},
        {U"何", U"本", "何:なん 本:ぼん"},
        {U"十", U"回", "十:じゅっ 回:かい"},
        {U"六", U"回", "六:ろっ 回:かい"},
        {U"三", U"階", "三:さん 階:がい"},
        {U"三", U"分", "三:さん 分:ぷん"},
        {U"四", U"人", "四:よ 人:にん"},
        {U"二", U"人", "二人:ふたり"},
        {U"三", U"日", "三日:みっか"},
        {U"二十", U"日", "二十日:はつか"},
        {U"二十", U"歳", "二十歳:はたち"},
        {U"九", U"時", "九:く 時:じ"},
        {U"3", U"本", "本:ぼん"},  // digits take no ruby, but the counter hears them
        {U"2", U"人", "人:り"},
        {U"一", U"日", ""},        // いちにち or ついたち
        {U"二三", U"", ""},        // a list of digits, not a number
    };
    for (const auto& c : cases) {
        const std::u32string whole = c.number + c.counter;
        const auto pieces = readNumber(c.number, c.counter);
        EXPECT_EQ(pieces ? shown(whole, *pieces) : "", c.expected) << toUtf8(whole);
    }
}

TEST(UntimedNotation, WrittenReadingsReadBackAndOtherParenthesesStayText) {
    const struct {
        std::u32string text;
        std::string plain;
        std::string rubies;  // first+count:reading
    } cases[] = {
        {U"春(はる)の風(かぜ)", "春の風", "0+1:はる 2+1:かぜ"},
        {U"学(がっ)校(こう)へ", "学校へ", "0+1:がっ 1+1:こう"},
        {U"今日(きょう)", "今日", "0+2:きょう"},
        {U"今|日(ひ)", "今日", "1+1:ひ"},
        {U"|Hello(はろー)!", "Hello!", "0+5:はろー"},
        {U"(笑)と(ほほえみ)", "(笑)と(ほほえみ)", ""},  // nothing to read before "("
        {U"空(", "空(", ""},
        {U"ラ|ラ|", "ラ|ラ|", ""},  // a bar with no reading after it is lyric text
    };
    for (const auto& c : cases) {
        const AnnotatedLine a = parseUntimedNotation(c.text);
        std::string rubies;
        for (const Suggestion& s : a.rubies)
            rubies += (rubies.empty() ? "" : " ") + std::to_string(s.first) + "+" + std::to_string(s.count) + ":" +
                      s.reading;
        EXPECT_EQ(toUtf8(a.plain), c.plain) << toUtf8(c.text);
        EXPECT_EQ(rubies, c.rubies) << toUtf8(c.text);
        if (!a.rubies.empty()) EXPECT_EQ(writeUntimedNotation(a), c.text);
    }
}

TEST(TimedLine, ReadingsTakeTheTagsOfTheirKanjiSpreadOverSyllablesAndKeepTheUsersOwn) {
    // 今|日 are two syllables, 吹く one; 空 already has the user's reading.
    const std::u32string text =
        U"[00:01:00]今[00:01:50]日[00:02:00]吹く[00:03:00]空[00:03:00]([00:03:00]くう[00:04:00])[00:04:00]";
    lyrics::LyricLine line = lineFromTimedText(text);
    ASSERT_EQ(line.plainText, "今日吹く空");
    LineSuggestions s;
    s.readings = {{0, 2, "きょう"}, {2, 1, "ふ"}, {4, 1, "そら"}};
    const std::vector<RubyPlacement> placed = placeSuggestions(line, s);
    applyPlacements(line, placed);
    EXPECT_EQ(lyrics::serializeLine(line),
              "[00:01:00]今[00:01:00]([00:01:00]きょ[00:01:50])[00:01:50]日[00:01:50]([00:01:50]う[00:02:00])"
              "[00:02:00]吹[00:02:00]([00:02:00]ふ[00:02:50])[00:02:50]く[00:03:00]"
              "空[00:03:00]([00:03:00]くう[00:04:00])[00:04:00]");
}

}  // namespace
}  // namespace kvelmor::readings
