// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/spectrogram.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace kvelmor::media {
namespace {

// In place, radix 2; the size is a power of two.
void fft(std::vector<std::complex<float>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * M_PI / static_cast<double>(len);
        const std::complex<float> step(static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)));
        for (size_t i = 0; i < n; i += len) {
            std::complex<float> w(1);
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

}  // namespace

int Spectrogram::bandOf(double hz) {
    const double at = std::log(hz / kLowHz) / std::log(kHighHz / kLowHz) * kBands;
    return std::clamp(static_cast<int>(at), 0, kBands - 1);
}

Spectrogram::Spectrogram(const SongSound& sound) : m_sampleRate(sound.sampleRate) {
    const int64_t frames = sound.frameCount();
    const int ch = sound.channels;
    if (ch <= 0 || m_sampleRate <= 0) return;
    const int64_t steps = (frames + kStepFrames - 1) / kStepFrames;
    m_levels.assign(static_cast<size_t>(steps) * kBands, 0);
    std::vector<float> hann(kWindowFrames);
    for (int i = 0; i < kWindowFrames; ++i)
        hann[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * i / (kWindowFrames - 1)));
    // Which band each frequency bin adds to (-1: outside 60 Hz .. 8 kHz).
    std::vector<int> bandOfBin(kWindowFrames / 2);
    for (int b = 0; b < kWindowFrames / 2; ++b) {
        const double hz = static_cast<double>(b) * m_sampleRate / kWindowFrames;
        bandOfBin[static_cast<size_t>(b)] = hz < kLowHz || hz >= kHighHz ? -1 : bandOf(hz);
    }
    std::vector<std::complex<float>> buf(kWindowFrames);
    std::vector<float> peak(kBands);
    // Full scale: a sine of amplitude 1 gives a bin of a quarter of the window's length.
    const float fullScale = kWindowFrames / 4.0f;
    for (int64_t s = 0; s < steps; ++s) {
        const int64_t first = s * kStepFrames + kStepFrames / 2 - kWindowFrames / 2;  // centred on the step
        for (int i = 0; i < kWindowFrames; ++i) {
            const int64_t f = first + i;
            float v = 0;
            if (f >= 0 && f < frames)
                for (int c = 0; c < ch; ++c) v += sound.samples[static_cast<size_t>(f * ch + c)];
            buf[static_cast<size_t>(i)] = v / static_cast<float>(ch) * hann[static_cast<size_t>(i)];
        }
        fft(buf);
        std::fill(peak.begin(), peak.end(), 0.0f);
        for (int b = 0; b < kWindowFrames / 2; ++b) {
            const int band = bandOfBin[static_cast<size_t>(b)];
            if (band >= 0) peak[static_cast<size_t>(band)] = std::max(peak[static_cast<size_t>(band)], std::abs(buf[static_cast<size_t>(b)]));
        }
        for (int band = 0; band < kBands; ++band) {
            const float db = 20.0f * std::log10(std::max(peak[static_cast<size_t>(band)] / fullScale, 1e-6f));
            m_levels[static_cast<size_t>(s * kBands + band)] = static_cast<uint8_t>(std::clamp((db + 80.0f) / 80.0f * 255.0f, 0.0f, 255.0f));
        }
    }
    // Bands no bin falls in (the lowest ones, narrower than a bin) take the band above.
    for (int band = kBands - 2; band >= 0; --band) {
        if (std::ranges::find(bandOfBin, band) != bandOfBin.end()) continue;
        for (int64_t s = 0; s < steps; ++s)
            m_levels[static_cast<size_t>(s * kBands + band)] = m_levels[static_cast<size_t>(s * kBands + band + 1)];
    }
}

const uint8_t* Spectrogram::at(int64_t ms) const {
    if (m_sampleRate <= 0 || ms < 0) return nullptr;
    const int64_t step = ms * m_sampleRate / 1000 / kStepFrames;
    if (step >= stepCount()) return nullptr;
    return m_levels.data() + step * kBands;
}

}  // namespace kvelmor::media
