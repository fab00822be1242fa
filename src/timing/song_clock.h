// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The song time while a sound device plays it, smooth to the millisecond.
//
// What the device reports it has played moves in steps: it takes the sound
// in blocks and tells how far it got only now and then, so the report
// stands still for tens of milliseconds, jumps, and wavers by as much. A tap
// read from it would be off by up to a block. The clock therefore runs on a
// steady clock at the playing speed and is drawn slowly towards the reports
// (a constant offset left is the device's latency, which the calibration
// measures with everything else). While the device stops (it fills its
// buffer before it starts, or ran out of sound) the clock stops too, and it
// waits for a device that fell behind: it never runs backwards, so taps stay
// in order.

#include "timing/syllables.h"

namespace kvelmor::timing {

class SongClock {
public:
    // Playing starts from song time `from`; the device has not yet played anything.
    void restart(Millis from);
    // The song time now: `reported` is what the device says it has played
    // (song time), `now` a steady clock's milliseconds, `speed` song time a
    // second of real time.
    Millis read(Millis reported, Millis now, double speed);

    // A report unchanged for longer is a device that stopped.
    static constexpr Millis kStopped = 150;
    // A report further ahead is taken at once (the device caught up after
    // a stop); one further behind stops the clock until it catches up.
    static constexpr Millis kFarAhead = 150;
    static constexpr Millis kFarBehind = 100;
    // How quickly the clock is drawn to the reports: the time over which a
    // difference is made up, and the most it may run fast or slow.
    static constexpr double kSmoothingMs = 1000;
    static constexpr double kMostCorrection = 0.05;

private:
    void hold(Millis now);

    bool m_waiting = true;  // for the device to begin, or to move again
    double m_anchorSong = 0;  // the clock runs on from here...
    Millis m_anchorSteady = 0;  // ...at this steady time
    Millis m_lastReport = 0;
    Millis m_reportChanged = 0;  // when the report last moved
    Millis m_lastRead = 0;
    Millis m_shown = 0;  // the time read last
};

}  // namespace kvelmor::timing
