// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The waveform drawn under the lyrics: the lowest and highest sample of each
// bucket of frames, kept at one fine level and summed up for coarser zooms.

#include <cstdint>
#include <vector>

#include "media/song_sound.h"

namespace kvelmor::media {

struct Peak {
    float low = 0;
    float high = 0;
};

class WaveformSummary {
public:
    WaveformSummary() = default;
    // Frames per bucket of the fine level: 256 frames is 5.8 ms at 44.1 kHz,
    // finer than a tap.
    static constexpr int kBucketFrames = 256;
    // The channels mixed to one.
    explicit WaveformSummary(const SongSound& sound);
    // An empty summary that sound is appended to as it is decoded.
    WaveformSummary(int sampleRate, int channels) : m_sampleRate(sampleRate), m_channels(channels) {}
    // Interleaved frames following those appended before.
    void append(const float* samples, int64_t frames);

    int sampleRate() const { return m_sampleRate; }
    int64_t bucketCount() const { return static_cast<int64_t>(m_peaks.size()); }
    // The peaks between two song times (milliseconds) cut into `columns`
    // equal parts: one peak per column, silence outside the song.
    std::vector<Peak> columns(int64_t fromMillis, int64_t toMillis, int columns) const;

private:
    int m_sampleRate = 0;
    int m_channels = 0;
    std::vector<Peak> m_peaks;
    int m_inLast = kBucketFrames;  // frames already in the last bucket
};

}  // namespace kvelmor::media
