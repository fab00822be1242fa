// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spectrogram drawn instead of the waveform, where sung vowels are easier
// to see: the song's level in bands of frequency over time, kept small (one
// byte a band a step) so that a whole song is drawn at any zoom.

#include <cstdint>
#include <vector>

#include "media/song_sound.h"

namespace kvelmor::media {

class Spectrogram {
public:
    static constexpr int kStepFrames = 1024;  // 23 ms at 44.1 kHz
    static constexpr int kWindowFrames = 2048;
    static constexpr int kBands = 96;         // 60 Hz .. 8 kHz, equal steps of pitch
    static constexpr double kLowHz = 60.0;
    static constexpr double kHighHz = 8000.0;

    Spectrogram() = default;
    // The channels mixed to one; a Hann window of kWindowFrames every kStepFrames.
    explicit Spectrogram(const SongSound& sound);

    int64_t stepCount() const { return static_cast<int64_t>(m_levels.size()) / kBands; }
    // kBands levels (0 silence .. 255 full scale, 80 dB between), lowest band
    // first, of the step at song time `ms`; nullptr outside the song.
    const uint8_t* at(int64_t ms) const;
    // The band a frequency falls in.
    static int bandOf(double hz);

private:
    int m_sampleRate = 0;
    std::vector<uint8_t> m_levels;
};

}  // namespace kvelmor::media
