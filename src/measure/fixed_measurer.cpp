// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/fixed_measurer.h"

#include <utility>

#include "common/encoding.h"

namespace kvelmor::measure {

FixedMeasurer::FixedMeasurer() = default;

FixedMeasurer::FixedMeasurer(Metrics metrics) : m_metrics(metrics) {}

void FixedMeasurer::setWidth(char32_t c, int32_t width) { m_overrides[c] = width; }

void FixedMeasurer::setWidth(std::string_view utf8Char, int32_t width) {
    const std::u32string chars = toU32(utf8Char);
    if (!chars.empty()) setWidth(chars.front(), width);
}

int32_t FixedMeasurer::charWidth(char32_t c) const {
    if (auto it = m_overrides.find(c); it != m_overrides.end()) return it->second;
    return isWide(c) ? m_metrics.wideWidth : m_metrics.narrowWidth;
}

int32_t FixedMeasurer::advanceWidth(const std::string& face, int32_t pointSize, std::string_view utf8) {
    m_requests.push_back({face, pointSize, std::string(utf8)});
    int32_t sum = 0;
    for (char32_t c : toU32(utf8)) sum += charWidth(c);
    return sum;
}

int32_t FixedMeasurer::cellHeight(const std::string& face, int32_t pointSize) {
    m_requests.push_back({face, pointSize, {}});
    return m_metrics.cellHeight;
}

bool FixedMeasurer::isWide(char32_t c) {
    static constexpr std::pair<char32_t, char32_t> kWideRanges[] = {
        {0x1100, 0x115F},    // Hangul Jamo leading consonants
        {0x2E80, 0x303E},    // CJK radicals, ideographic description, CJK symbols and punctuation
        {0x3041, 0x33FF},    // kana, bopomofo, Hangul compatibility Jamo, enclosed CJK, CJK compatibility
        {0x3400, 0x4DBF},    // CJK extension A
        {0x4E00, 0x9FFF},    // CJK unified ideographs
        {0xA000, 0xA4CF},    // Yi
        {0xAC00, 0xD7A3},    // Hangul syllables
        {0xF900, 0xFAFF},    // CJK compatibility ideographs
        {0xFE30, 0xFE4F},    // CJK compatibility forms
        {0xFF00, 0xFF60},    // full-width forms
        {0xFFE0, 0xFFE6},    // full-width signs
        {0x20000, 0x3FFFD},  // supplementary ideographic planes
    };
    for (const auto& [first, last] : kWideRanges)
        if (c >= first && c <= last) return true;
    return false;
}

}  // namespace kvelmor::measure
