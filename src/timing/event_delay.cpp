// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/event_delay.h"

namespace kvelmor::timing {

Millis EventDelay::delay(uint64_t stamp, Millis now) {
    if (stamp == 0) return 0;
    const int64_t offset = now - static_cast<int64_t>(stamp);
    const int64_t late = offset - m_offset;
    if (!m_known || late < 0 || late > kLongest || now - m_offsetAt > kRemembered) {
        m_known = true;
        m_offset = offset;
        m_offsetAt = now;
        return 0;
    }
    return late;
}

}  // namespace kvelmor::timing
