#pragma once
// Every time in Kvelmor is a whole number of centiseconds from the start of
// the song. These are its text forms.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvelmor::lyrics {

using Centiseconds = int32_t;

// Players that ran at this fraction of real time produced tags that are
// corrected by dividing by it (exactly 637/640).
inline constexpr double kTimeCorrectionFactor = 0.9953125;

// "H:MM:SS.CC"; hours without leading zeros ("0:00:00.00", "1:01:00.00").
// A negative time is written with a leading "-".
std::string formatScriptTime(Centiseconds t);

// "MM:SS:CC" (inside a tag's brackets). Hours are dropped: 61 minutes is "01".
std::string formatTagTime(Centiseconds t);

// Reads "H:MM:SS.CC" by position: hour at character 1, minutes at 3-4,
// seconds at 6-7, hundredths at 9-10. Fields that are not digits read as 0.
Centiseconds parseScriptTime(std::string_view s);

// t / 0.9953125, to the nearest whole number, halves to even.
Centiseconds correctTime(Centiseconds t);

namespace detail {
// timeTagAt for a position that holds "[": the value, or kNoTimeTag. A plain
// number, because an optional returned from a call that is not inlined goes
// through memory, and this is asked at every character of every line.
inline constexpr int64_t kNoTimeTag = INT64_MIN;
int64_t bracketTimeTag(std::u32string_view line, size_t pos);
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

}  // namespace kvelmor::lyrics
