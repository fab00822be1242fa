// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/frame_conversion.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace kvelmor::media {

// Pixels: the largest side swscale is asked to make. Far above any video
// frame, low enough that width × height × 4 stays well inside an int.
constexpr int kMaxSide = 16384;

void FrameConverter::ScalerFreer::operator()(SwsContext* s) const { sws_freeContext(s); }
void FrameConverter::FrameFreer::operator()(AVFrame* f) const { av_frame_free(&f); }

FrameConverter::FrameConverter() = default;
FrameConverter::~FrameConverter() = default;

bool FrameConverter::convert(const AVFrame& source, int width, int height, uint8_t* rgba) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || source.width <= 0 ||
        source.height <= 0)
        return false;
    const auto format = static_cast<AVPixelFormat>(source.format);
    // Hardware surfaces and formats swscale does not read are refused here;
    // it would otherwise be handed planes it cannot interpret.
    if (av_pix_fmt_desc_get(format) == nullptr || !sws_isSupportedInput(format)) return false;

    if (!m_scaled || m_scaled->width != width || m_scaled->height != height) {
        m_scaled.reset(av_frame_alloc());
        if (!m_scaled) return false;
        m_scaled->format = AV_PIX_FMT_RGBA;
        m_scaled->width = width;
        m_scaled->height = height;
        // Alignment 0: FFmpeg picks the one its vector code needs and adds
        // the slack after the last row.
        if (av_frame_get_buffer(m_scaled.get(), 0) < 0) {
            m_scaled.reset();
            return false;
        }
    }
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), source.width, source.height, format, width, height,
                                        AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!m_scaler) return false;
    if (sws_scale(m_scaler.get(), source.data, source.linesize, 0, source.height, m_scaled->data,
                  m_scaled->linesize) != height)
        return false;
    const size_t row = static_cast<size_t>(width) * 4;
    const uint8_t* from = m_scaled->data[0];
    for (int y = 0; y < height; ++y, from += m_scaled->linesize[0])
        std::memcpy(rgba + static_cast<size_t>(y) * row, from, row);
    return true;
}

}  // namespace kvelmor::media
