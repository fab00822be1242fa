// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/waveform.h"

#include <algorithm>

namespace kvelmor::media {

WaveformSummary::WaveformSummary(const SongSound& sound) : WaveformSummary(sound.sampleRate, sound.channels) {
    append(sound.samples.data(), sound.frameCount());
}

void WaveformSummary::append(const float* s, int64_t frames) {
    const int ch = m_channels;
    if (ch <= 0) return;
    for (int64_t f = 0; f < frames; ++f) {
        if (m_inLast == kBucketFrames) {
            m_peaks.push_back({});
            m_inLast = 0;
        }
        float v = 0;
        for (int c = 0; c < ch; ++c) v += s[f * ch + c];
        v /= static_cast<float>(ch);
        Peak& p = m_peaks.back();
        p.low = std::min(p.low, v);
        p.high = std::max(p.high, v);
        ++m_inLast;
    }
}

std::vector<Peak> WaveformSummary::columns(int64_t fromMillis, int64_t toMillis, int count) const {
    std::vector<Peak> out(static_cast<size_t>(std::max(count, 0)));
    if (count <= 0 || toMillis <= fromMillis || m_sampleRate <= 0) return out;
    // Buckets as real numbers, so that a zoom finer than one bucket a column
    // still shows the bucket under each column.
    const double bucketMillis = 1000.0 * kBucketFrames / m_sampleRate;
    const double step = static_cast<double>(toMillis - fromMillis) / count / bucketMillis;
    double at = static_cast<double>(fromMillis) / bucketMillis;
    const auto n = static_cast<int64_t>(m_peaks.size());
    for (int c = 0; c < count; ++c, at += step) {
        auto first = static_cast<int64_t>(at);
        auto last = std::max(first + 1, static_cast<int64_t>(at + step));
        first = std::clamp<int64_t>(first, 0, n);
        last = std::clamp<int64_t>(last, 0, n);
        Peak p;
        for (int64_t b = first; b < last; ++b) {
            p.low = std::min(p.low, m_peaks[static_cast<size_t>(b)].low);
            p.high = std::max(p.high, m_peaks[static_cast<size_t>(b)].high);
        }
        out[static_cast<size_t>(c)] = p;
    }
    return out;
}

}  // namespace kvelmor::media
