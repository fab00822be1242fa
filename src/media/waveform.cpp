#include "media/waveform.h"

#include <algorithm>

namespace kvelmor::media {

WaveformSummary::WaveformSummary(const SongSound& sound) : m_sampleRate(sound.sampleRate) {
    const int64_t frames = sound.frameCount();
    const int ch = sound.channels;
    if (ch <= 0) return;
    m_peaks.resize(static_cast<size_t>((frames + kBucketFrames - 1) / kBucketFrames));
    const float* s = sound.samples.data();
    for (size_t b = 0; b < m_peaks.size(); ++b) {
        const int64_t end = std::min<int64_t>(frames, static_cast<int64_t>(b + 1) * kBucketFrames);
        float low = 0, high = 0;
        for (int64_t f = static_cast<int64_t>(b) * kBucketFrames; f < end; ++f) {
            float v = 0;
            for (int c = 0; c < ch; ++c) v += s[f * ch + c];
            v /= static_cast<float>(ch);
            low = std::min(low, v);
            high = std::max(high, v);
        }
        m_peaks[b] = {low, high};
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
