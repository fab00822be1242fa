// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/song_clock.h"

#include <algorithm>
#include <cmath>

namespace kvelmor::timing {

void SongClock::restart(Millis from) {
    m_waiting = true;
    m_shown = from;
}

void SongClock::hold(Millis now) {
    m_anchorSong = static_cast<double>(m_shown);
    m_anchorSteady = now;
}

Millis SongClock::read(Millis reported, Millis now, double speed) {
    if (reported != m_lastReport) {
        m_lastReport = reported;
        m_reportChanged = now;
    }
    const Millis sinceRead = now - m_lastRead;
    m_lastRead = now;
    if (m_waiting) {
        // Not begun, or stopped: the clock runs again from the report that
        // passes it, at once in step.
        if (reported <= m_shown || now - m_reportChanged > kStopped) {
            hold(now);
            return m_shown;
        }
        m_waiting = false;
        m_shown = reported;
        hold(now);
        return m_shown;
    }
    if (now - m_reportChanged > kStopped) {
        m_waiting = true;
        hold(now);
        return m_shown;
    }
    const auto running = [&] { return m_anchorSong + static_cast<double>(now - m_anchorSteady) * speed; };
    const double difference = static_cast<double>(reported) - running();
    if (difference > kFarAhead) {
        m_shown = reported;
        hold(now);
        return m_shown;
    }
    if (difference < -kFarBehind) {
        hold(now);
        return m_shown;
    }
    const double most = static_cast<double>(sinceRead) * kMostCorrection;
    m_anchorSong += std::clamp(difference * std::min(1.0, static_cast<double>(sinceRead) / kSmoothingMs), -most, most);
    m_shown = std::max(m_shown, static_cast<Millis>(std::llround(running())));
    return m_shown;
}

}  // namespace kvelmor::timing
