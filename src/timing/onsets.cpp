// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/onsets.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace kvelmor::timing {

std::vector<Millis> detectOnsets(const float* samples, int64_t frames, int channels, int sampleRate) {
    std::vector<Millis> out;
    if (!samples || frames <= 0 || channels <= 0 || sampleRate <= 0) return out;
    // 1024-frame windows every 256 frames (5.8 ms at 44.1 kHz): finer than a tap.
    constexpr uint_t kWindow = 1024, kHop = 256;
    std::unique_ptr<aubio_onset_t, decltype(&del_aubio_onset)> onset(
        new_aubio_onset("default", kWindow, kHop, static_cast<uint_t>(sampleRate)), &del_aubio_onset);
    std::unique_ptr<fvec_t, decltype(&del_fvec)> in(new_fvec(kHop), &del_fvec);
    std::unique_ptr<fvec_t, decltype(&del_fvec)> found(new_fvec(1), &del_fvec);
    if (!onset || !in || !found) return out;
    // aubio's adaptive threshold finds nothing after digital silence (a
    // generated track, a song's silent start), so a noise floor at -60 dB,
    // far below anything sung, is added for the detection only.
    uint32_t noise = 12345;
    for (int64_t at = 0; at < frames; at += kHop) {
        for (uint_t i = 0; i < kHop; ++i) {
            float v = 0;
            if (at + i < frames)
                for (int c = 0; c < channels; ++c) v += samples[(at + i) * channels + c];
            noise = noise * 1664525u + 1013904223u;
            const float floor = (static_cast<float>(noise >> 8) / static_cast<float>(1u << 24) - 0.5f) * 0.002f;
            in->data[i] = v / static_cast<float>(channels) + floor;
        }
        aubio_onset_do(onset.get(), in.get(), found.get());
        if (found->data[0] != 0) out.push_back(std::llround(aubio_onset_get_last_ms(onset.get())));
    }
    return out;
}

Millis snapToOnset(const std::vector<Millis>& onsets, Millis t, Millis window) {
    const auto after = std::lower_bound(onsets.begin(), onsets.end(), t);
    Millis best = t;
    Millis distance = window + 1;
    if (after != onsets.end() && *after - t < distance) best = *after, distance = *after - t;
    if (after != onsets.begin() && t - *(after - 1) < distance) best = *(after - 1);
    return best;
}

std::optional<Millis> latencyFromTaps(const std::vector<Millis>& taps, const std::vector<Millis>& clicks) {
    std::vector<Millis> offsets;
    for (Millis tap : taps) {
        const Millis nearest = snapToOnset(clicks, tap, 250);
        if (nearest != tap || std::ranges::find(clicks, tap) != clicks.end()) offsets.push_back(tap - nearest);
    }
    if (offsets.size() < 4) return std::nullopt;
    std::ranges::sort(offsets);
    const size_t mid = offsets.size() / 2;
    return offsets.size() % 2 ? offsets[mid] : (offsets[mid - 1] + offsets[mid]) / 2;
}

}  // namespace kvelmor::timing
