// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every time in Kvelmor is a whole number of centiseconds from the start of
// the song. These are its text forms.

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvelmor::lyrics {

using Centiseconds = int32_t;

// Players that ran at this fraction of real time produced tags that are
// corrected by dividing by it (exactly 637/640).
inline constexpr double kTimeCorrectionFactor = 0.9953125;

// A tag later than every tag of the lines after it by more than this
// (centiseconds) is taken as mistyped ("[99:99:99]" for "[00:09:99]"): its
// syllable is timed as sung for no time. Anything closer is a singer who
// holds a note while another line (a duet's other voice) has already ended.
inline constexpr Centiseconds kMistypedTagSlack = 1000;

// "H:MM:SS.CC"; hours without leading zeros ("0:00:00.00", "1:01:00.00").
// A negative time is written with a leading "-".
std::string formatScriptTime(Centiseconds t);

// "MM:SS:CC" (inside a tag's brackets). Hours are dropped: 61 minutes is "01".
std::string formatTagTime(Centiseconds t);

// Reads "H:MM:SS.CC" by position: hour at character 1, minutes at 3-4,
// seconds at 6-7, hundredths at 9-10. Fields that are not digits read as 0.
Centiseconds parseScriptTime(std::string_view s);

// t / 0.9953125, to the nearest whole number, halves to even. Inline: every
// tag of a song passes through here on each refresh.
inline Centiseconds correctTime(Centiseconds t) {
    // t / (637/640) = t * 640 / 637, rounded half to even in exact integers.
    const int64_t num = static_cast<int64_t>(t) * 640;
    constexpr int64_t den = 637;
    int64_t q = num / den;
    int64_t r = num % den;
    if (r < 0) {  // floor division
        r += den;
        q -= 1;
    }
    if (2 * r > den || (2 * r == den && (q & 1))) q += 1;
    if (q > INT32_MAX) return INT32_MAX;
    if (q < INT32_MIN) return INT32_MIN;
    return static_cast<Centiseconds>(q);
}

namespace detail {
// timeTagAt for a position that holds "[": the value, or kNoTimeTag. A plain
// number, because an optional returned from a call that is not inlined goes
// through memory, and this is asked at every character of every line.
inline constexpr int64_t kNoTimeTag = INT64_MIN;
int64_t bracketTimeTag(std::u32string_view line, size_t pos);
int64_t bracketTimeTag(std::string_view utf8, size_t pos);
}  // namespace detail

// Whether a ten-character time tag "[mm:ss:cc]" starts at `pos` of the line
// (the line given as code points), and its value in centiseconds. Each field
// must read as a number; seconds above 59 are added as they are.
// Inline so that the usual answer (no "[" here) costs a compare.
inline std::optional<Centiseconds> timeTagAt(std::u32string_view line, size_t pos) {
    if (pos >= line.size() || line[pos] != U'[') return std::nullopt;
    const int64_t v = detail::bracketTimeTag(line, pos);
    if (v == detail::kNoTimeTag) return std::nullopt;
    return static_cast<Centiseconds>(v);
}

// The same on UTF-8 text, `pos` being a byte offset at the start of a
// character. A tag is ten ASCII characters, so it is the same ten bytes.
inline std::optional<Centiseconds> timeTagAt(std::string_view utf8, size_t pos) {
    if (pos >= utf8.size() || utf8[pos] != '[') return std::nullopt;
    const int64_t v = detail::bracketTimeTag(utf8, pos);
    if (v == detail::kNoTimeTag) return std::nullopt;
    return static_cast<Centiseconds>(v);
}

// Whether a time tag's ten characters stand anywhere in the UTF-8 text.
bool holdsTimeTag(std::string_view utf8);

}  // namespace kvelmor::lyrics
