// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture in memory: 8-bit RGBA, rows top to bottom, no padding.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvelmor::render {

// An opaque colour.
struct Colour {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

struct Image {
    Image() = default;
    Image(int w, int h, Colour fill = {});

    int width = 0;   // pixels
    int height = 0;  // pixels
    std::vector<uint8_t> rgba;  // width × height × 4 bytes, straight (not premultiplied) alpha

    bool empty() const { return width <= 0 || height <= 0; }
    uint8_t* row(int y) { return rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4; }
    const uint8_t* row(int y) const { return rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4; }
    Colour at(int x, int y) const {
        const uint8_t* p = row(y) + static_cast<size_t>(x) * 4;
        return {p[0], p[1], p[2]};
    }
    void fill(Colour c);
    // Copies `src` with its top left corner at (x, y), cut to this image.
    void paste(const Image& src, int x, int y);
};

}  // namespace kvelmor::render

#include <optional>
#include <string_view>

namespace kvelmor::render {

// "#RRGGBB" or "RRGGBB" (hexadecimal), or one of the names black, white,
// grey, red, green, blue; nothing for anything else.
std::optional<Colour> parseColour(std::string_view text);

}  // namespace kvelmor::render
