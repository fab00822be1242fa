// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversion of one decoded picture, of any size and pixel format a
// decoder gives, into tightly packed 8-bit RGBA of the size asked for. Part
// of the media module: it sees FFmpeg's types.
//
// libswscale writes whole blocks of pixels at a time and so may write past
// the end of a row or of the picture; it must be handed a picture laid out
// by FFmpeg itself (rows padded to the alignment its vector code uses, slack
// after the last row). The caller's buffer has neither, so the picture is
// scaled into such a buffer and only the pixels asked for are copied out.

#include <cstdint>
#include <memory>

struct AVFrame;
struct SwsContext;

namespace kvelmor::media {

class FrameConverter {
public:
    FrameConverter();
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // Writes `source` scaled to `width` × `height` pixels into `rgba`
    // (width × height × 4 bytes, rows without padding). False, with `rgba`
    // untouched, when the sizes are not positive, the pixel format cannot
    // be converted or memory runs out.
    bool convert(const AVFrame& source, int width, int height, uint8_t* rgba);

private:
    struct ScalerFreer {
        void operator()(SwsContext* s) const;
    };
    struct FrameFreer {
        void operator()(AVFrame* f) const;
    };
    std::unique_ptr<SwsContext, ScalerFreer> m_scaler;
    std::unique_ptr<AVFrame, FrameFreer> m_scaled;  // RGBA, allocated by FFmpeg; kept while the size stays
};

}  // namespace kvelmor::media
