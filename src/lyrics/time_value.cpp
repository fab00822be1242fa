#include "lyrics/time_value.h"

#include <charconv>
#include <cstdlib>
#include <initializer_list>

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

// A two-character tag field "reads as a number" as the whole-number
// conversion of its text does: digits, or a sign followed by a digit, or a
// digit with a trailing decimal point. Leading blanks are allowed.
std::optional<int> tagField(char32_t a, char32_t b) {
    auto digit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    if (digit(a) && digit(b)) return static_cast<int>((a - U'0') * 10 + (b - U'0'));
    if ((a == U' ' || a == U'+') && digit(b)) return static_cast<int>(b - U'0');
    if (a == U'-' && digit(b)) return -static_cast<int>(b - U'0');
    if (digit(a) && b == U'.') return static_cast<int>(a - U'0');
    if (digit(a) && b == U' ') return static_cast<int>(a - U'0');
    return std::nullopt;
}

}  // namespace

std::string formatScriptTime(Centiseconds t) {
    if (t < 0) return "-" + formatScriptTime(-static_cast<int64_t>(t) > INT32_MAX ? INT32_MAX : -t);
    const int64_t v = t;
    const int64_t minutes = (v / 100 / 60) % 60;
    const int64_t seconds = (v / 100) % 60;
    const int64_t hundredths = v % 100;
    // Built in one buffer: every tag of every line passes through here on each refresh.
    auto digit = [](int64_t d) { return static_cast<char>('0' + d); };
    char buf[32];
    char* p = std::to_chars(buf, buf + 20, v / 100 / 3600).ptr;
    for (char c : {':', digit(minutes / 10), digit(minutes % 10), ':', digit(seconds / 10), digit(seconds % 10), '.',
                   digit(hundredths / 10), digit(hundredths % 10)})
        *p++ = c;
    return std::string(buf, p);
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

Centiseconds correctTime(Centiseconds t) {
    // t / (637/640) = t * 640 / 637, rounded half to even in exact integers.
    int64_t num = static_cast<int64_t>(t) * 640;
    const int64_t den = 637;
    int64_t q = num / den;
    int64_t r = num % den;
    if (r < 0) { r += den; q -= 1; }  // floor division
    if (2 * r > den || (2 * r == den && (q & 1))) q += 1;
    if (q > INT32_MAX) return INT32_MAX;
    if (q < INT32_MIN) return INT32_MIN;
    return static_cast<Centiseconds>(q);
}

std::optional<Centiseconds> timeTagAt(std::u32string_view line, size_t pos) {
    if (pos + 10 > line.size()) return std::nullopt;
    auto s = line.substr(pos, 10);
    if (s[0] != U'[' || s[3] != U':' || s[6] != U':' || s[9] != U']') return std::nullopt;
    auto mm = tagField(s[1], s[2]);
    auto ss = tagField(s[4], s[5]);
    auto cc = tagField(s[7], s[8]);
    if (!mm || !ss || !cc) return std::nullopt;
    return *mm * 6000 + *ss * 100 + *cc;
}

}  // namespace kvelmor::lyrics
