// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Note onsets of a song's sound (aubio's onset detection), so that a tap a
// little off the beat can be moved onto the note it was meant for.

#include <cstdint>
#include <optional>
#include <vector>

#include "timing/syllables.h"

namespace kvelmor::timing {

// The onsets of interleaved float samples, in milliseconds, in order.
std::vector<Millis> detectOnsets(const float* samples, int64_t frames, int channels, int sampleRate);

// The onset nearest to `t` when one lies within `window` milliseconds of
// it, else `t` itself.
Millis snapToOnset(const std::vector<Millis>& onsets, Millis t, Millis window);

// The delay of taps made along with clicks (the user's and the sound
// device's together): the median of each tap's distance from its nearest
// click, taps more than 250 ms from any click left out (a slip, not a
// delay). Nothing when fewer than four taps count.
std::optional<Millis> latencyFromTaps(const std::vector<Millis>& taps, const std::vector<Millis>& clicks);

}  // namespace kvelmor::timing
