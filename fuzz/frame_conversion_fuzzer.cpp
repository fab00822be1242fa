// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion of decoded pictures into the RGBA the subtitles are drawn
// over, for pictures of every pixel format a decoder may give (swscale reads
// them or the converter refuses them), of 1 to 64 pixels a side, scaled to 1
// to 96 pixels a side, twice in a row as a player asks. The picture must land
// in exactly width × height × 4 bytes: the bytes around the buffer are
// checked as well, since swscale itself is not instrumented and the
// sanitizers would not see it write past the end. A refused picture leaves
// the buffer untouched.
//
// Input: one byte choosing the pixel format, four bytes of sizes (source
// width and height, then the first size asked for; the second is the first
// turned on its side), then the bytes of the picture's planes, repeated as
// far as they go.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include "fuzz_input.h"
#include "media/frame_conversion.h"

using namespace kvelmor;

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

// Every software pixel format FFmpeg knows, whether swscale reads it or not.
const std::vector<AVPixelFormat>& pixelFormats() {
    static const std::vector<AVPixelFormat> formats = [] {
        std::vector<AVPixelFormat> out;
        for (const AVPixFmtDescriptor* d = av_pix_fmt_desc_next(nullptr); d; d = av_pix_fmt_desc_next(d))
            if (!(d->flags & AV_PIX_FMT_FLAG_HWACCEL)) out.push_back(av_pix_fmt_desc_get_id(d));
        return out;
    }();
    return formats;
}

struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

constexpr size_t kGuard = 256;
constexpr uint8_t kUntouched = 0xA5;

// Converts into a buffer with guard bytes on both sides and checks them.
void convertAndCheck(media::FrameConverter& converter, const AVFrame& source, int width, int height) {
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    std::vector<uint8_t> buffer(kGuard + bytes + kGuard, kUntouched);
    const bool converted = converter.convert(source, width, height, buffer.data() + kGuard);
    const std::string what = std::string(av_get_pix_fmt_name(static_cast<AVPixelFormat>(source.format))) + " " +
                             std::to_string(source.width) + "x" + std::to_string(source.height) + " to " +
                             std::to_string(width) + "x" + std::to_string(height);
    for (size_t i = 0; i < buffer.size(); ++i) {
        const bool inPicture = i >= kGuard && i < kGuard + bytes;
        if (!inPicture && buffer[i] != kUntouched)
            fail(what + ": byte " + std::to_string(static_cast<long>(i) - static_cast<long>(kGuard)) +
                 " outside the picture was written");
        if (inPicture && !converted && buffer[i] != kUntouched) fail(what + ": refused, yet the buffer was written");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const auto& formats = pixelFormats();
    const AVPixelFormat format = formats[in.byte() % formats.size()];
    const int sourceWidth = 1 + in.byte() % 64, sourceHeight = 1 + in.byte() % 64;
    const int width = 1 + in.byte() % 96, height = 1 + in.byte() % 96;

    std::unique_ptr<AVFrame, FrameFreer> source(av_frame_alloc());
    if (!source) return 0;
    source->format = format;
    source->width = sourceWidth;
    source->height = sourceHeight;
    // As a decoder lays a picture out; formats FFmpeg cannot lay out are no
    // decoder's output.
    if (av_frame_get_buffer(source.get(), 0) < 0) return 0;
    const std::string_view bytes = in.rest();
    for (AVBufferRef* buf : source->buf) {
        if (buf == nullptr) continue;
        for (size_t i = 0; i < buf->size; ++i)
            buf->data[i] = bytes.empty() ? static_cast<uint8_t>(i * 37) : static_cast<uint8_t>(bytes[i % bytes.size()]);
    }

    media::FrameConverter converter;
    convertAndCheck(converter, *source, width, height);
    convertAndCheck(converter, *source, height, width);
    return 0;
}
