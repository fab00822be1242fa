// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/text_measure.h"

#include <limits>

#include "common/number_text.h"

namespace kvelmor::measure {

namespace {

int32_t clampToInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

}  // namespace

int32_t textWidth(TextMeasurer& m, const std::string& face, int32_t pointSize, std::string_view utf8,
                  double mojiScaleX) {
    // The product is formed in double and rounded half to even, so 21 px at
    // 1.5 is 32 and 19 px at 1.5 is 28.
    const double scaled = static_cast<double>(m.advanceWidth(face, pointSize, utf8)) * mojiScaleX;
    return clampToInt32(roundHalfEven(scaled));
}

int32_t textHeight(TextMeasurer& m, const std::string& face, int32_t pointSize, std::string_view /*utf8*/) {
    // The cell height belongs to the face and size; the characters do not
    // change it.
    return m.cellHeight(face, pointSize);
}

int32_t emPixels(int32_t pointSize) {
    if (pointSize < 1) return 0;
    return clampToInt32(roundHalfEven(static_cast<double>(pointSize) * 96.0 / 72.0));
}

}  // namespace kvelmor::measure
