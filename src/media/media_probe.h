// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a script has to know about the video it will be shown over: the
// length, the frame size and the shape of the pixels. The file is opened,
// read and closed again within one call; nothing is decoded for display.

#include <cstdint>
#include <optional>
#include <string>

#include "common/reporter.h"

namespace kvelmor::media {

struct MediaInfo {
    // Microseconds; nothing when the file does not tell its length.
    std::optional<int64_t> duration;
    // A video stream with a known frame size. Cover art in an audio file is
    // a still picture, not a video, and does not count.
    bool hasVideo = false;
    int32_t width = 0;   // pixels of the stored frame; 0 without video
    int32_t height = 0;  // pixels
    // The preferred display aspect ratio, width × sample aspect : height, in
    // lowest terms (720 × 480 with 32:27 pixels gives 16:9). Both 0 when the
    // pixel shape is unknown or there is no video.
    int64_t aspectX = 0;
    int64_t aspectY = 0;
};

// Reads the file at `path`. Nothing, with an error naming the file, when it
// cannot be opened or holds neither video nor audio. Only local files are
// read: a path is never taken for a network address or another protocol.
std::optional<MediaInfo> readMediaInfo(const std::string& path, Reporter& reporter);

}  // namespace kvelmor::media
