// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/time_value.h"

#include <charconv>
#include <cstdlib>
#include <type_traits>

namespace kvelmor::lyrics {
namespace {

std::string twoDigits(int64_t v) {
    std::string s = std::to_string(v);
    return v < 10 ? "0" + s : s;
}

int fieldValue(std::string_view s, size_t pos, size_t len) {
    int v = 0;
    for (size_t i = pos; i < pos + len && i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// What tagField gives for a field that does not read as a number; no field
// reads as anything below -9.
constexpr int kNotANumber = -1000;

// A two-character tag field "reads as a number" as the whole-number
// conversion of its text does: digits, or a sign followed by a digit, or a
// digit with a trailing decimal point. Leading blanks are allowed.
// A plain int rather than an optional: this runs for every tag of every line
// on each refresh, and the optional went through memory.
inline int tagField(char32_t a, char32_t b) {
    auto digit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    if (digit(a) && digit(b)) return static_cast<int>((a - U'0') * 10 + (b - U'0'));
    if ((a == U' ' || a == U'+') && digit(b)) return static_cast<int>(b - U'0');
    if (a == U'-' && digit(b)) return -static_cast<int>(b - U'0');
    if (digit(a) && b == U'.') return static_cast<int>(a - U'0');
    if (digit(a) && b == U' ') return static_cast<int>(a - U'0');
    return kNotANumber;
}

}  // namespace

namespace {

// formatScriptTime's text into buf (room for 32 characters); returns its end.
char* putScriptTime(char* buf, Centiseconds t) {
    char* p = buf;
    if (t < 0) {
        *p++ = '-';
        t = -static_cast<int64_t>(t) > INT32_MAX ? INT32_MAX : -t;
    }
    const int64_t v = t;
    const int64_t minutes = (v / 100 / 60) % 60;
    const int64_t seconds = (v / 100) % 60;
    const int64_t hundredths = v % 100;
    auto digit = [](int64_t d) { return static_cast<char>('0' + d); };
    p = std::to_chars(p, p + 20, v / 100 / 3600).ptr;
    // One character at a time: the characters gathered in a list first were
    // read back as one word before their single-byte stores had landed, and
    // that stall was most of this function's time.
    *p++ = ':';
    *p++ = digit(minutes / 10);
    *p++ = digit(minutes % 10);
    *p++ = ':';
    *p++ = digit(seconds / 10);
    *p++ = digit(seconds % 10);
    *p++ = '.';
    *p++ = digit(hundredths / 10);
    *p++ = digit(hundredths % 10);
    return p;
}

}  // namespace

// Built in one buffer: every tag of every line passes through here on each refresh.
std::string formatScriptTime(Centiseconds t) {
    char buf[32];
    return std::string(buf, putScriptTime(buf, t));
}

std::string formatTagTime(Centiseconds t) {
    if (t < 0) t = 0;
    int64_t v = t;
    return twoDigits((v / 100 / 60) % 60) + ":" + twoDigits((v / 100) % 60) + ":" + twoDigits(v % 100);
}

Centiseconds parseScriptTime(std::string_view s) {
    int64_t hours = fieldValue(s, 0, 1);
    int64_t minutes = fieldValue(s, 2, 2);
    int64_t seconds = fieldValue(s, 5, 2);
    int64_t hundredths = fieldValue(s, 8, 2);
    return static_cast<Centiseconds>(((hours * 60 + minutes) * 60 + seconds) * 100 + hundredths);
}

namespace {

// Code points or bytes: every character of a tag is ASCII, and a byte of a
// longer UTF-8 sequence (0x80 and up) matches none of them.
template <class Char>
int64_t bracketTag(std::basic_string_view<Char> line, size_t pos) {
    if (pos + 10 > line.size()) return detail::kNoTimeTag;
    auto s = line.substr(pos, 10);
    auto at = [&s](size_t i) { return static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(s[i])); };
    if (at(0) != U'[' || at(3) != U':' || at(6) != U':' || at(9) != U']') return detail::kNoTimeTag;
    const int mm = tagField(at(1), at(2));
    const int ss = tagField(at(4), at(5));
    const int cc = tagField(at(7), at(8));
    if (mm == kNotANumber || ss == kNotANumber || cc == kNotANumber) return detail::kNoTimeTag;
    return mm * 6000 + ss * 100 + cc;
}

}  // namespace

int64_t detail::bracketTimeTag(std::u32string_view line, size_t pos) { return bracketTag(line, pos); }
int64_t detail::bracketTimeTag(std::string_view utf8, size_t pos) { return bracketTag(utf8, pos); }

bool holdsTimeTag(std::string_view utf8) {
    // A tag is ASCII, and no byte of a longer UTF-8 character is "[", so
    // every byte can be tried as the start of one.
    for (size_t p = utf8.find('['); p != std::string_view::npos; p = utf8.find('[', p + 1))
        if (timeTagAt(utf8, p)) return true;
    return false;
}

}  // namespace kvelmor::lyrics
