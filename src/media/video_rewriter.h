// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A new video made from a media file: every picture of the file (or, for a
// file of sound only, a still picture for the length of the sound) is handed
// out in turn to be drawn over, then encoded; the sound goes along copied
// unchanged where the container takes it, else encoded again. The container
// is the one FFmpeg has for the output name's extension; the video is H.264
// wherever it takes it, else its own codec (.webm: VP9), and sound encoded
// again is the container's own (AAC for .mp4 and .mkv, Opus for .webm).
// FFmpeg stays behind this header.
//
// Pictures are 8-bit YUV 4:2:0 (BT.601, limited range), the form they are
// encoded in, so nothing is converted to RGB and back. Only the picture
// being drawn is held: memory does not grow with the length of the video.
//
// Not thread-safe: one instance is used by one thread at a time.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "common/reporter.h"

namespace kvelmor::media {

// One picture: the Y plane at full size, U and V at half width and half
// height (rounded up).
struct Picture420 {
    int width = 0;   // pixels
    int height = 0;  // pixels
    uint8_t* planes[3] = {nullptr, nullptr, nullptr};
    int strides[3] = {0, 0, 0};  // bytes from one row to the next
    bool bt709 = false;          // the colours are BT.709's (the file says so), else BT.601's
};

// A colour as the three values of a 4:2:0 picture.
struct Yuv {
    uint8_t y = 16, u = 128, v = 128;
};

// A colour given as red, green and blue, with Y in 16-235 and U, V in
// 16-240, in the colours of BT.601 (what players assume for a file that does
// not say otherwise, and what ffmpeg's subtitles filter draws in), or of
// BT.709 for pictures marked so. Coefficients scaled by 2^16.
inline Yuv limitedRangeYuv(uint8_t r, uint8_t g, uint8_t b, bool bt709 = false) {
    const int64_t R = r, G = g, B = b;
    const int64_t y = bt709 ? 11'966 * R + 40'255 * G + 4'064 * B : 16'829 * R + 33'039 * G + 6'416 * B;
    const int64_t u = bt709 ? -6'596 * R - 22'189 * G + 28'784 * B : -9'713 * R - 19'071 * G + 28'784 * B;
    const int64_t v = bt709 ? 28'784 * R - 26'145 * G - 2'639 * B : 28'784 * R - 24'103 * G - 4'681 * B;
    auto level = [](int64_t x, int64_t offset) {
        return static_cast<uint8_t>(std::clamp<int64_t>((x + (offset << 16) + (1 << 15)) >> 16, 0, 255));
    };
    return {level(y, 16), level(u, 128), level(v, 128)};
}

struct RewriteRequest {
    std::string media;     // the sound and, when it has video, the pictures
    std::string output;    // the name whose extension chooses container and codecs; named in messages
    std::string writeTo;   // the file actually written (a temporary beside `output`)
    // Media of sound only: the picture shown for its whole length, scaled to
    // fit a frame of stillWidth × stillHeight, on black. Empty: the file's
    // own cover picture when it has one, else stillColour.
    std::string stillImage;
    uint8_t stillColour[3] = {0, 0, 0};  // red, green, blue
    int stillWidth = 0;   // pixels
    int stillHeight = 0;  // pixels
    // Constant rate factor of the video encoder: 0 (best, largest) to 51
    // (H.264) or 63 (VP9); about 18 looks like the source, 28 is small.
    int quality = 20;
};

// Frames a second of the video made for media of sound only: enough for a
// smooth wipe, and no more, since every frame costs encoding time.
inline constexpr int kStillFramesPerSecond = 30;

class VideoRewriter {
public:
    // Opens the media, chooses the codecs and starts the file `writeTo`.
    // Nothing, with the reason reported naming the file at fault, when the
    // media or the still image cannot be read, the output's extension names
    // no container FFmpeg can write, or `writeTo` cannot be created.
    static std::unique_ptr<VideoRewriter> open(const RewriteRequest& request, Reporter& reporter);
    virtual ~VideoRewriter() = default;
    VideoRewriter(const VideoRewriter&) = delete;
    VideoRewriter& operator=(const VideoRewriter&) = delete;

    virtual int width() const = 0;   // pixels of every picture
    virtual int height() const = 0;  // pixels
    // Microseconds of the video to be made; 0 when the file does not tell.
    virtual int64_t duration() const = 0;

    // The next picture to draw over and its time in microseconds from the
    // start. False at the end of the media, and on a failure (reported;
    // failed() then tells).
    virtual bool next(Picture420& picture, int64_t& microseconds) = 0;
    // Encodes the picture last handed out by next(), as drawn over.
    virtual bool write() = 0;
    // Encodes what the encoders still hold, writes the rest of the sound and
    // closes the file. False on a failure (reported).
    virtual bool finish() = 0;
    virtual bool failed() const = 0;

protected:
    // Made only by the media module (see media_module.h).
    VideoRewriter() = default;
};

}  // namespace kvelmor::media
