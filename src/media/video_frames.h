// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pictures of a video file, one at a time, for drawing subtitles over
// them: the frame shown at a time, scaled to the size asked for as 8-bit
// RGBA. Seeks when the time jumps, decodes straight on when it moves forward
// a little (playback). FFmpeg stays behind this header.
//
// Not thread-safe: one instance is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <string>

#include "common/reporter.h"

namespace kvelmor::media {

class VideoFrames {
public:
    // Opens the video of the file at `path` (a local file only). Nothing, with
    // the reason reported naming the file, when it cannot be read or holds no
    // video (an audio file's cover picture is not a video), or when the media
    // module cannot be loaded.
    static std::unique_ptr<VideoFrames> open(const std::string& path, Reporter& reporter);
    virtual ~VideoFrames() = default;
    VideoFrames(const VideoFrames&) = delete;
    VideoFrames& operator=(const VideoFrames&) = delete;

    virtual int width() const = 0;   // pixels of the stored frame
    virtual int height() const = 0;  // pixels
    // Microseconds; 0 when the file does not tell.
    virtual int64_t duration() const = 0;

    // Writes the frame shown at `microseconds` from the start of the file
    // into `rgba` (width × height × 4 bytes, rows without padding), scaled
    // with libswscale. Before the first frame the first is shown, after the
    // last the last. False, with `rgba` untouched, when no frame can be
    // decoded.
    virtual bool frameAt(int64_t microseconds, int width, int height, uint8_t* rgba) = 0;

protected:
    // Made only by the media module (see media_module.h), which decodes with FFmpeg.
    VideoFrames() = default;
};

}  // namespace kvelmor::media
