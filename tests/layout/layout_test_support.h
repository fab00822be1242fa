// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Working lines for the layout tests, built by hand so that the layout is
// tested without segmentation.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/encoding.h"
#include "measure/fixed_measurer.h"
#include "lyrics/lyrics_table.h"
#include "lyrics/time_value.h"

namespace kvelmor::layout::testing {

// "[mm:ss:cc]" of a time in centiseconds.
inline std::string tag(int cs) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d]", cs / 6000, cs / 100 % 60, cs % 100);
    return buf;
}

// A working line as built: "[mm:ss:cc]" tags become tag slots (time as
// written), other characters character slots, measured by `m` when given.
inline lyrics::LyricLine lineFromTags(std::string_view text, const measure::FixedMeasurer* m = nullptr) {
    lyrics::LyricLine l;
    l.kanjiStyle = "Kanji1";
    const std::u32string u = toU32(text);
    for (size_t p = 0; p < u.size();) {
        lyrics::LyricUnit x;
        if (auto t = lyrics::timeTagAt(u, p)) {
            x.time = x.rawTime = *t;
            p += 10;
        } else {
            x.isChar = true;
            if (m) x.width = m->charWidth(u[p]);
            x.text = toUtf8(u[p++]);
        }
        l.appendUnit(std::move(x));
    }
    return l;
}

inline lyrics::Song songOf(const std::vector<lyrics::LyricLine>& lines) {
    lyrics::Song song;
    for (const auto& l : lines) song.workLines.append(l);
    return song;
}

}  // namespace kvelmor::layout::testing
