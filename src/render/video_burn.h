// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The finished karaoke video: the script drawn over every picture of a media
// file (or over a still picture for a file of sound only) by the same
// renderer as the preview, encoded with the file's sound into a new video.
// The video is written to a temporary file beside the output and renamed
// into place at the end, so a failure or a cancel leaves no part of a file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "render/image.h"

namespace kvelmor::render {

// Lower is better and larger (see media::RewriteRequest::quality).
inline constexpr int kDefaultVideoQuality = 20;

struct BurnRequest {
    std::string script;  // the script as text (UTF-8), as the writer makes it
    std::vector<std::filesystem::path> fontconfigFiles;  // as FrameRenderer takes them
    std::string media;   // the video, or the sound, the video is made from
    std::string output;  // .mp4, .mkv or .webm
    // For media of sound only, the picture behind the lyrics, scaled to fit
    // the script's frame; empty for the media's own cover picture, or else
    // `background` over the whole frame.
    std::string backgroundImage;
    Colour background{0, 0, 0};
    int quality = kDefaultVideoQuality;
    // Further files the video was made from (the lyrics, the settings): like
    // the media and the picture, never written over.
    std::vector<std::string> otherInputs;
};

struct BurnProgress {
    int64_t done = 0;            // microseconds of the video made so far
    int64_t total = 0;           // microseconds of the whole video; 0 when not known
    int64_t frames = 0;          // pictures made so far
    double framesPerSecond = 0;  // pictures made per second of work so far
    double secondsLeft = -1;     // estimated; -1 when not known yet
};

enum class BurnResult { Written, Failed, Cancelled };

// Why no video can be written at `output` (links followed), for a message
// naming it; empty when one can. A pipe, a socket or a device stands there:
// renaming the video over it would put a file in its place, and a video is
// no stream of bytes to be written into one (its index is written last, at
// its start).
std::string videoOutputRefusal(const std::string& output);

// Makes the video. `progress` is called after every picture; when it returns
// false the work stops and nothing is left behind (Cancelled). Failures are
// reported through `reporter` naming the file at fault.
BurnResult burnVideo(const BurnRequest& request, Reporter& reporter,
                     const std::function<bool(const BurnProgress&)>& progress);

}  // namespace kvelmor::render
