// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/numbers.h"

#include <array>

namespace kvelmor::readings {
namespace {

// What a number ends with, which is what the counter after it hears.
enum class Tail { One, Two, Three, Four, Five, Six, Seven, Eight, Nine, Ten, Hundred, Thousand, Large, What, Zero };

int digitValue(char32_t c) {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'０' && c <= U'９') return static_cast<int>(c - U'０');
    return -1;
}

int kanjiDigit(char32_t c) {
    static constexpr std::u32string_view kDigits = U"〇一二三四五六七八九";
    const size_t at = kDigits.find(c);
    return at == std::u32string_view::npos ? -1 : static_cast<int>(at);
}

std::u32string digitReading(int d) {
    static const std::array<std::u32string, 10> kReadings = {U"れい", U"いち", U"に", U"さん", U"よん",
                                                             U"ご",   U"ろく", U"なな", U"はち", U"きゅう"};
    return kReadings[static_cast<size_t>(d)];
}

// How the counter changes and how it changes the number's last reading.
struct CounterForm {
    std::u32string tailReading;  // replaces the number's last reading when not empty
    std::u32string counter;      // the counter's reading
    bool whole = false;          // one reading over number and counter (ふたり, みっか)
};

// The change of counters starting in h (本 ほん): っ + p after 1, 6, 8, 10,
// 100; b (or p: 分 歩 泊 発) after 3, 何 and 千 and 万.
CounterForm hCounter(Tail tail, std::u32string_view base, bool pAfterN, bool pAfterFour) {
    const std::u32string b = *voicedForm(base);
    const std::u32string p = *voicedForm(base, true);
    switch (tail) {
    case Tail::One: return {U"いっ", p};
    case Tail::Six: return {U"ろっ", p};
    case Tail::Eight: return {U"はっ", p};
    case Tail::Ten: return {U"じゅっ", p};
    case Tail::Hundred: return {U"ひゃっ", p};
    case Tail::Three:
    case Tail::What:
    case Tail::Thousand:
    case Tail::Large: return {U"", pAfterN ? p : b};
    case Tail::Four: return {U"", pAfterFour ? p : std::u32string(base)};
    default: return {U"", std::u32string(base)};
    }
}

// Counters starting in k, s, t or ch: the number before them ends in っ
// after 1, 8, 10 and 100 (and after 6 for those in k); some are voiced after 3 and 何.
CounterForm kCounter(Tail tail, std::u32string_view base, bool voicedAfterN) {
    const bool k = base[0] >= U'か' && base[0] <= U'ご';
    switch (tail) {
    case Tail::One: return {U"いっ", std::u32string(base)};
    case Tail::Six: return {k ? U"ろっ" : U"", std::u32string(base)};
    case Tail::Eight: return {U"はっ", std::u32string(base)};
    case Tail::Ten: return {U"じゅっ", std::u32string(base)};
    case Tail::Hundred: return {k ? U"ひゃっ" : U"", std::u32string(base)};
    case Tail::Three:
    case Tail::What: return {U"", voicedAfterN ? *voicedForm(base) : std::u32string(base)};
    default: return {U"", std::u32string(base)};
    }
}

// Counters whose sound never changes, except for the reading of 4, 7 and 9 before them.
CounterForm plainCounter(Tail tail, std::u32string_view base, std::u32string_view four, std::u32string_view seven,
                         std::u32string_view nine) {
    CounterForm f{U"", std::u32string(base)};
    if (tail == Tail::Four && !four.empty()) f.tailReading = four;
    if (tail == Tail::Seven && !seven.empty()) f.tailReading = seven;
    if (tail == Tail::Nine && !nine.empty()) f.tailReading = nine;
    return f;
}

std::optional<CounterForm> counterForm(std::u32string_view counter, Tail tail, int value) {
    if (counter == U"本") return hCounter(tail, U"ほん", false, false);
    if (counter == U"匹") return hCounter(tail, U"ひき", false, false);
    if (counter == U"杯") return hCounter(tail, U"はい", false, false);
    if (counter == U"分") return hCounter(tail, U"ふん", true, true);
    if (counter == U"分間") return hCounter(tail, U"ふんかん", true, true);
    if (counter == U"歩") return hCounter(tail, U"ほ", true, false);
    if (counter == U"泊") return hCounter(tail, U"はく", true, true);
    if (counter == U"発") return hCounter(tail, U"はつ", true, false);
    if (counter == U"回") return kCounter(tail, U"かい", false);
    if (counter == U"階") return kCounter(tail, U"かい", true);
    if (counter == U"個") return kCounter(tail, U"こ", false);
    if (counter == U"曲") return kCounter(tail, U"きょく", false);
    if (counter == U"軒") return kCounter(tail, U"けん", true);
    if (counter == U"件") return kCounter(tail, U"けん", false);
    if (counter == U"冊") return kCounter(tail, U"さつ", false);
    if ((counter == U"歳" || counter == U"才") && value == 20) return CounterForm{U"", U"はたち", true};
    if (counter == U"歳" || counter == U"才") return kCounter(tail, U"さい", false);
    if (counter == U"足") return kCounter(tail, U"そく", true);
    if (counter == U"通") return kCounter(tail, U"つう", false);
    if (counter == U"頭") return kCounter(tail, U"とう", false);
    if (counter == U"点") return kCounter(tail, U"てん", false);
    if (counter == U"週") return kCounter(tail, U"しゅう", false);
    if (counter == U"着") return kCounter(tail, U"ちゃく", false);
    if (counter == U"秒") return plainCounter(tail, U"びょう", U"", U"", U"");
    if (counter == U"度") return plainCounter(tail, U"ど", U"", U"", U"");
    if (counter == U"番") return plainCounter(tail, U"ばん", U"", U"", U"");
    if (counter == U"枚") return plainCounter(tail, U"まい", U"", U"", U"");
    if (counter == U"倍") return plainCounter(tail, U"ばい", U"", U"", U"");
    if (counter == U"億") return plainCounter(tail, U"おく", U"", U"", U"");
    if (counter == U"年") return plainCounter(tail, U"ねん", U"よ", U"", U"");
    if (counter == U"円") return plainCounter(tail, U"えん", U"よ", U"", U"");
    if (counter == U"時") return plainCounter(tail, U"じ", U"よ", U"しち", U"く");
    if (counter == U"時間") return plainCounter(tail, U"じかん", U"よ", U"しち", U"く");
    if (counter == U"月") return plainCounter(tail, U"がつ", U"し", U"しち", U"く");
    if (counter == U"人") {
        if (value == 1) return CounterForm{U"", U"ひとり", true};
        if (value == 2) return CounterForm{U"", U"ふたり", true};
        return plainCounter(tail, U"にん", U"よ", U"", U"");
    }
    if (counter == U"日") {
        // The days of a month and the counts of days: 二日 ふつか .. 十日 とおか, 二十日 はつか.
        static const std::array<std::u32string_view, 11> kDays = {U"",       U"",       U"ふつか", U"みっか",
                                                                   U"よっか", U"いつか", U"むいか", U"なのか",
                                                                   U"ようか", U"ここのか", U"とおか"};
        if (value >= 2 && value <= 10) return CounterForm{U"", std::u32string(kDays[static_cast<size_t>(value)]), true};
        if (value == 20) return CounterForm{U"", U"はつか", true};
        if (value == 1) return std::nullopt;  // いちにち or ついたち: only the sense tells
        if (tail == Tail::Four) return CounterForm{U"", U"よっか"};
        return plainCounter(tail, U"にち", U"", U"", U"");
    }
    return std::nullopt;
}

}  // namespace

bool isNumeralChar(char32_t c) {
    return digitValue(c) >= 0 || kanjiDigit(c) >= 0 || c == U'十' || c == U'百' || c == U'千' || c == U'万' ||
           c == U'億' || c == U'何';
}

bool isKnownCounter(std::u32string_view text) { return counterForm(text, Tail::Two, 2).has_value() || text == U"日"; }

std::optional<std::vector<Piece>> readNumber(std::u32string_view number, std::u32string_view counter) {
    if (number.empty()) return std::nullopt;
    const bool digits = digitValue(number[0]) >= 0;
    std::vector<Piece> pieces;
    Tail tail = Tail::Zero;
    int value = 0;  // the value of the number, where it matters (up to 9999), else -1
    if (digits) {
        for (char32_t c : number) {
            const int d = digitValue(c);
            if (d < 0) return std::nullopt;
            value = (value < 0 || value > 100000) ? -1 : value * 10 + d;
        }
        // Read as spoken: the last non-zero place decides what the counter hears.
        const int v = value;
        if (v < 0 || v == 0) tail = Tail::Zero;
        else if (v % 1000 == 0) tail = v % 10000 == 0 ? Tail::Large : Tail::Thousand;
        else if (v % 100 == 0) tail = Tail::Hundred;
        else if (v % 10 == 0) tail = Tail::Ten;
        else tail = static_cast<Tail>(v % 10 - 1);
    } else {
        int section = 0;  // value below the current 万
        int digit = -1;   // the digit waiting for its place
        for (size_t i = 0; i < number.size(); ++i) {
            const char32_t c = number[i];
            if (digitValue(c) >= 0) return std::nullopt;
            const int d = kanjiDigit(c);
            std::u32string reading;
            if (c == U'何') {
                if (number.size() != 1) return std::nullopt;
                reading = U"なん";
                tail = Tail::What;
                value = -1;
            } else if (d > 0) {
                if (digit >= 0) return std::nullopt;  // 二三: a list of digits, not a number
                digit = d;
                reading = digitReading(d);
                tail = static_cast<Tail>(d - 1);
            } else if (c == U'十' || c == U'百' || c == U'千') {
                const int place = c == U'十' ? 10 : c == U'百' ? 100 : 1000;
                const int times = digit > 0 ? digit : 1;
                section += times * place;
                reading = c == U'十' ? U"じゅう" : c == U'百' ? U"ひゃく" : U"せん";
                if (c == U'百') {
                    if (digit == 3) reading = U"びゃく";
                    if (digit == 6 || digit == 8) reading = U"ぴゃく";
                } else if (c == U'千') {
                    if (digit == 3) reading = U"ぜん";
                }
                if (!pieces.empty() && digit > 0 && (c == U'百' || c == U'千')) {
                    // 六百 ろっぴゃく, 八百 はっぴゃく, 八千 はっせん.
                    if (digit == 6 && c == U'百') pieces.back().reading = U"ろっ";
                    if (digit == 8) pieces.back().reading = U"はっ";
                }
                digit = -1;
                tail = c == U'十' ? Tail::Ten : c == U'百' ? Tail::Hundred : Tail::Thousand;
            } else if (c == U'万' || c == U'億') {
                if (digit > 0) section += digit;
                if (section == 0 && digit < 0) return std::nullopt;
                reading = c == U'万' ? U"まん" : U"おく";
                value = -1;
                section = 0;
                digit = -1;
                tail = Tail::Large;
            } else {
                return std::nullopt;  // 〇 and anything else
            }
            pieces.push_back({i, 1, reading});
        }
        if (digit > 0) section += digit;
        if (value >= 0) value = section;
    }
    if (counter.empty()) return pieces;
    // 二十歳 is はたち; 20歳 leaves the digits bare, and a bare さい reads better over 歳 than ち.
    if (digits && value == 20) value = -1;
    const std::optional<CounterForm> form = counterForm(counter, tail, value);
    if (!form) return std::nullopt;
    if (form->whole) {
        if (digits) {
            // 2人 ふたり, 3日 みっか: the digits keep none, the counter its last kana.
            return std::vector<Piece>{{number.size(), counter.size(), form->counter.substr(form->counter.size() - 1)}};
        }
        return std::vector<Piece>{{0, number.size() + counter.size(), form->counter}};
    }
    if (!form->tailReading.empty() && !pieces.empty()) {
        std::u32string& last = pieces.back().reading;
        // 百 keeps the voicing the digit before it gave: 三百本 さんびゃっぽん.
        if (tail == Tail::Hundred && last.size() == 3 && last.back() == U'く') last.back() = U'っ';
        else last = form->tailReading;
    }
    pieces.push_back({number.size(), counter.size(), form->counter});
    return pieces;
}

}  // namespace kvelmor::readings
