// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace kvelmor::render {

Image::Image(int w, int h, Colour c) : width(std::max(w, 0)), height(std::max(h, 0)) {
    rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    fill(c);
}

void Image::fill(Colour c) {
    const uint8_t px[4] = {c.r, c.g, c.b, 255};
    uint32_t word;
    std::memcpy(&word, px, 4);
    const size_t n = rgba.size() / 4;
    auto* out = reinterpret_cast<uint32_t*>(rgba.data());
    std::fill(out, out + n, word);
}

void Image::paste(const Image& src, int x, int y) {
    const int x0 = std::max(0, x), x1 = std::min(width, x + src.width);
    if (x1 <= x0) return;
    for (int sy = std::max(0, -y); sy < src.height && y + sy < height; ++sy)
        std::memcpy(row(y + sy) + static_cast<size_t>(x0) * 4, src.row(sy) + static_cast<size_t>(x0 - x) * 4,
                    static_cast<size_t>(x1 - x0) * 4);
}

std::optional<Colour> parseColour(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, Colour>, 6> kNames{{
        {"black", {0, 0, 0}},
        {"white", {255, 255, 255}},
        {"grey", {128, 128, 128}},
        {"red", {255, 0, 0}},
        {"green", {0, 128, 0}},
        {"blue", {0, 0, 255}},
    }};
    for (const auto& [name, c] : kNames)
        if (text == name) return c;
    if (text.starts_with('#')) text.remove_prefix(1);
    if (text.size() != 6) return std::nullopt;
    uint8_t v[3];
    for (int i = 0; i < 3; ++i) {
        int byte = 0;
        for (char ch : text.substr(static_cast<size_t>(i) * 2, 2)) {
            int digit = ch >= '0' && ch <= '9'   ? ch - '0'
                        : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                        : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                                 : -1;
            if (digit < 0) return std::nullopt;
            byte = byte * 16 + digit;
        }
        v[i] = static_cast<uint8_t>(byte);
    }
    return Colour{v[0], v[1], v[2]};
}

}  // namespace kvelmor::render
