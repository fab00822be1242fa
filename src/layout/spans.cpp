// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/spans.h"

#include <algorithm>
#include <limits>

namespace kvelmor::layout {

namespace {

int32_t saturate32(int64_t v) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

int usedSlots(const lyrics::LyricLine& line) {
    const int held = static_cast<int>(line.units.size()) - 1;  // slot 0 is not a slot
    return std::max(0, std::min(line.unitCount, held));
}

int32_t cellLeft(const lyrics::LyricLine& line, int k) {
    const int last = usedSlots(line);
    if (k > last) return 0;
    // Sums are formed in 64 bits: 300 slots of any stored width cannot overflow them.
    int64_t x = line.posX;
    for (int i = 1; i < k; ++i)
        if (line.unit(i).isChar) x += line.unit(i).width;
    return saturate32(x);
}

int32_t runWidth(const lyrics::LyricLine& line, int n, int start) {
    const int last = usedSlots(line);
    int64_t sum = 0;
    int counted = 0;
    for (int i = std::max(start, 1); i <= last && counted < n; ++i) {
        if (!line.unit(i).isChar) continue;
        sum += line.unit(i).width;
        ++counted;
    }
    return saturate32(sum);
}

}  // namespace kvelmor::layout
