// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text measurement in the fonts a script will name. Every horizontal position
// Kvelmor writes comes from widths measured here, so they must agree with what
// renderers draw.

#include <cstdint>
#include <string>
#include <string_view>

namespace kvelmor::measure {

// Measures text in a face (a family name, as a script style names it) at a
// point size. A point size P is an em of round(P * 96 / 72) pixels.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // Sum of the whole-pixel horizontal advances of the characters, without
    // kerning. Unscaled.
    virtual int32_t advanceWidth(const std::string& face, int32_t pointSize, std::string_view utf8) = 0;
    // Cell height: the face's Windows ascent plus descent scaled to the em,
    // each rounded. The text does not change it.
    virtual int32_t cellHeight(const std::string& face, int32_t pointSize) = 0;
    // The same cell before rounding: the height a renderer that sizes a
    // font by its cell needs to draw the face at exactly this point size's em.
    virtual double exactCellHeight(const std::string& face, int32_t pointSize) {
        return cellHeight(face, pointSize);
    }
};

// Width of the text in pixels times mojiScaleX, rounded half to even.
int32_t textWidth(TextMeasurer& m, const std::string& face, int32_t pointSize, std::string_view utf8,
                  double mojiScaleX);

// Height of the text's cell in pixels (unscaled).
int32_t textHeight(TextMeasurer& m, const std::string& face, int32_t pointSize, std::string_view utf8);

// Pixels per em at a point size on a 96 dpi screen: pointSize * 96 / 72,
// rounded half to even (36 pt -> 48 px, 14 pt -> 19 px). 0 for sizes below 1.
int32_t emPixels(int32_t pointSize);

}  // namespace kvelmor::measure
