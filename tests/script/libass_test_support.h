// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libass, the renderer the scripts are made for, as the tests drive it: a
// script read while its complaints are collected, and frames drawn into an
// RGBA picture that the tests look at.

#include <ass/ass.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace kvelmor::script::testing {

inline constexpr int kLibassWarningLevel = 2;  // libass: 0 fatal, 1 error, 2 warning, 4 info, 6 verbose, 7 debug
inline constexpr int kLibassInfoLevel = 4;

using TrackPtr = std::unique_ptr<ASS_Track, void (*)(ASS_Track*)>;
using RendererPtr = std::unique_ptr<ASS_Renderer, void (*)(ASS_Renderer*)>;

struct Libass {
    ASS_Library* library = ass_library_init();
    std::vector<std::string> complaints;  // warnings and worse
    std::vector<std::string> notes;       // information, such as the font chosen for a face

    Libass() {
        ass_set_message_cb(
            library,
            [](int level, const char* fmt, va_list args, void* data) {
                if (level > kLibassInfoLevel) return;
                char buf[1024];
                std::vsnprintf(buf, sizeof buf, fmt, args);
                auto* self = static_cast<Libass*>(data);
                (level <= kLibassWarningLevel ? self->complaints : self->notes).push_back(buf);
            },
            this);
    }
    ~Libass() { ass_library_done(library); }
    Libass(const Libass&) = delete;
    Libass& operator=(const Libass&) = delete;

    // `codepage` as iconv names it ("CP932"); none for UTF-8.
    TrackPtr read(std::string text, const char* codepage = nullptr) {
        return {ass_read_memory(library, text.data(), text.size(), const_cast<char*>(codepage)), ass_free_track};
    }
};

// 8-bit straight (not premultiplied) RGBA; a = 0 is nothing drawn.
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// A colour as scripts and settings hold it (0x00BBGGRR), opaque.
inline Rgba rgbaOfBgr(uint32_t bgr) {
    return {static_cast<uint8_t>(bgr & 0xFF), static_cast<uint8_t>((bgr >> 8) & 0xFF),
            static_cast<uint8_t>((bgr >> 16) & 0xFF), 255};
}

// Inclusive pixel rectangle; empty while right < left.
struct PixelBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < left; }
    void add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

// One video frame with the images of ass_render_frame composited over a
// transparent background, in the order libass returns them (back to front).
class Frame {
public:
    Frame(int width, int height) : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width * height)) {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    const Rgba& at(int x, int y) const { return m_pixels[static_cast<size_t>(y * m_width + x)]; }

    void blend(const ASS_Image* image) {
        for (; image; image = image->next) {
            // color is 0xRRGGBBAA with AA the transparency (0 opaque).
            const double r = (image->color >> 24) & 0xFF;
            const double g = (image->color >> 16) & 0xFF;
            const double b = (image->color >> 8) & 0xFF;
            const double opacity = (255 - (image->color & 0xFF)) / 255.0;
            for (int y = 0; y < image->h; ++y) {
                const int fy = image->dst_y + y;
                if (fy < 0 || fy >= m_height) continue;
                for (int x = 0; x < image->w; ++x) {
                    const int fx = image->dst_x + x;
                    if (fx < 0 || fx >= m_width) continue;
                    const double a = image->bitmap[y * image->stride + x] / 255.0 * opacity;
                    if (a <= 0) continue;
                    Rgba& d = m_pixels[static_cast<size_t>(fy * m_width + fx)];
                    const double da = d.a / 255.0;
                    const double outA = a + da * (1 - a);
                    auto mix = [&](double src, uint8_t dst) {
                        return static_cast<uint8_t>((src * a + dst * da * (1 - a)) / outA + 0.5);
                    };
                    d = {mix(r, d.r), mix(g, d.g), mix(b, d.b), static_cast<uint8_t>(outA * 255 + 0.5)};
                }
            }
        }
    }

    // Pixels at least half covered, inside the columns [x0, x1) and rows [y0, y1).
    template <typename Test>
    int count(Test test, int x0 = 0, int x1 = 1 << 30, int y0 = 0, int y1 = 1 << 30) const {
        int n = 0;
        forEachInked(x0, x1, y0, y1, [&](int x, int y) { n += test(at(x, y)) ? 1 : 0; });
        return n;
    }
    PixelBox ink(int x0 = 0, int x1 = 1 << 30, int y0 = 0, int y1 = 1 << 30) const {
        PixelBox box;
        forEachInked(x0, x1, y0, y1, [&](int x, int y) { box.add(x, y); });
        return box;
    }
    template <typename Test>
    PixelBox boxOf(Test test, int x0 = 0, int x1 = 1 << 30, int y0 = 0, int y1 = 1 << 30) const {
        PixelBox box;
        forEachInked(x0, x1, y0, y1, [&](int x, int y) {
            if (test(at(x, y))) box.add(x, y);
        });
        return box;
    }

private:
    template <typename Visit>
    void forEachInked(int x0, int x1, int y0, int y1, Visit visit) const {
        for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, m_width); ++x)
                if (at(x, y).a >= 128) visit(x, y);
    }

    int m_width;
    int m_height;
    std::vector<Rgba> m_pixels;
};

// Whether a pixel shows a colour, allowing for anti-aliasing inside the fill.
inline bool looksLike(const Rgba& p, const Rgba& c, int tolerance = 40) {
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
}

inline Frame renderFrame(ASS_Renderer* renderer, ASS_Track* track, long long ms, int width, int height) {
    Frame f(width, height);
    f.blend(ass_render_frame(renderer, track, ms, nullptr));
    return f;
}

}  // namespace kvelmor::script::testing
