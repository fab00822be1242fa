// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How late an input event is handled. A key is stamped by the window system
// when it is pressed; on a busy machine it may reach the timing window
// milliseconds later, and a tap read from the song's clock only then would
// be that much late. The stamp's clock has an origin of its own, so the
// offset between the two clocks is learnt: the smallest offset seen is an
// event handled at once, and any event's offset beyond it is its delay.

#include <cstdint>

#include "timing/syllables.h"

namespace kvelmor::timing {

class EventDelay {
public:
    // The delay of an event stamped `stamp` (the window system's
    // milliseconds) and handled at `now` (a steady clock's milliseconds).
    // 0 for an event without a stamp (0), for the first event, and after
    // a jump of either clock.
    Millis delay(uint64_t stamp, Millis now);

    // Longer than this is no delay but a clock that jumped (a stamp that
    // wrapped around, a machine woken from sleep): the offset is learnt again.
    static constexpr Millis kLongest = 1000;
    // The smallest offset is forgotten after this long, so that clocks
    // drifting apart are followed.
    static constexpr Millis kRemembered = 60000;

private:
    bool m_known = false;
    int64_t m_offset = 0;   // the smallest now − stamp seen
    Millis m_offsetAt = 0;  // when it was seen
};

}  // namespace kvelmor::timing
