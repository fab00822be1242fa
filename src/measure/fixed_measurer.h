// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A measurer with made-up metrics, so layout can be tested without fonts:
// every character has a fixed width chosen by whether it is full-width, unless
// it has a width of its own, and every face has the same cell height. Face
// names and point sizes do not change the answers; they are recorded so tests
// can check which font a caller asked for.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "measure/text_measure.h"

namespace kvelmor::measure {

class FixedMeasurer final : public TextMeasurer {
public:
    struct Metrics {
        int32_t narrowWidth = 10;  // pixels: characters that are not full-width
        int32_t wideWidth = 20;    // pixels: full-width characters (see isWide)
        int32_t cellHeight = 24;   // pixels
    };

    // One measurement asked of this measurer.
    struct Request {
        std::string face;
        int32_t pointSize = 0;
        std::string text;  // UTF-8; empty for a cell height request
        bool operator==(const Request&) const = default;
    };

    FixedMeasurer();
    explicit FixedMeasurer(Metrics metrics);

    // Gives one character a width of its own (pixels), overriding the class
    // width.
    void setWidth(char32_t c, int32_t width);
    // The same for the first character of a UTF-8 text; an empty text does
    // nothing.
    void setWidth(std::string_view utf8Char, int32_t width);

    int32_t advanceWidth(const std::string& face, int32_t pointSize, std::string_view utf8) override;
    int32_t cellHeight(const std::string& face, int32_t pointSize) override;

    // The width one character gets, without recording a request.
    int32_t charWidth(char32_t c) const;

    const std::vector<Request>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

    // Full-width (East Asian wide) characters: Hangul Jamo, CJK symbols and
    // punctuation, kana, CJK ideographs, Hangul syllables, compatibility
    // ideographs, full-width forms. Half-width katakana are narrow.
    static bool isWide(char32_t c);

private:
    Metrics m_metrics;
    std::unordered_map<char32_t, int32_t> m_overrides;  // pixels
    std::vector<Request> m_requests;
};

}  // namespace kvelmor::measure
