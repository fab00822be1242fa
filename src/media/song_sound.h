// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A song's sound decoded whole to float PCM, for playing it while timing and
// drawing its waveform. FFmpeg stays behind this header (media module).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/reporter.h"

namespace kvelmor::media {

struct SongSound {
    int sampleRate = 0;          // frames a second
    int channels = 0;            // 1 or 2
    std::vector<float> samples;  // interleaved, -1 .. 1

    int64_t frameCount() const { return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0; }
    // Milliseconds.
    int64_t durationMillis() const { return sampleRate > 0 ? frameCount() * 1000 / sampleRate : 0; }
};

struct SoundRequest {
    int sampleRate = 44100;
    int channels = 2;
    // The most sound kept: a song longer than this is refused with a message
    // rather than filling memory (at 44.1 kHz stereo, 20 minutes is 423 MB).
    int64_t maxSeconds = 20 * 60;
};

// Called on the decoding thread with each piece of sound as it is decoded
// (interleaved frames, in order), so that a waveform can be drawn before the
// whole song is.
using SoundProgress = std::function<void(const float* samples, int64_t frames)>;

// Decodes the best sound stream of any file FFmpeg reads (a song, or a
// video's sound), resampled to the rate and channels asked for. Nothing, with
// the reason reported naming the file, when it cannot be read, holds no
// sound, is too long, or when `cancel` becomes true.
std::optional<SongSound> decodeSongSound(const std::string& path, const SoundRequest& request, Reporter& reporter,
                                         const std::atomic<bool>* cancel = nullptr,
                                         const SoundProgress& progress = {});

}  // namespace kvelmor::media
