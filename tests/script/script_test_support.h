// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hand-built lyric lines as layout and template expansion leave them.

#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_table.h"
#include "lyrics/time_value.h"

namespace kvelmor::script::testing {

// A slot with the override texts template expansion would give it.
struct TestSlot {
    lyrics::LyricUnit unit;
    std::string preText, postText;
};

inline TestSlot tagSlot(lyrics::Centiseconds t) {
    TestSlot s;
    s.unit.time = t;
    s.unit.rawTime = t;
    return s;
}

// A slot with the duration the syllable stage gives it (centiseconds).
inline TestSlot timed(TestSlot s, lyrics::Centiseconds duration) {
    s.unit.duration = duration;
    return s;
}

inline TestSlot charSlot(std::string text, int32_t width, std::string preText = {}, std::string postText = {}) {
    TestSlot s;
    s.unit.isChar = true;
    s.unit.text = std::move(text);
    s.unit.width = width;
    s.preText = std::move(preText);
    s.postText = std::move(postText);
    return s;
}

// A line as built, shown from `start` to `end` (centiseconds) at (posX, posY).
inline lyrics::LyricLine builtLine(lyrics::Centiseconds start, lyrics::Centiseconds end, int32_t posX = 30,
                                   int32_t posY = 430) {
    lyrics::LyricLine l;
    l.lineKind = 10;
    l.startTime = start;
    l.endTime = end;
    l.startText = lyrics::formatScriptTime(start);
    l.endText = lyrics::formatScriptTime(end);
    l.kanjiStyle = "Kanji1";
    l.rubyStyle = "Ruby1";
    l.marginLText = l.marginRText = l.marginVText = "0000";
    l.posX = posX;
    l.posY = posY;
    return l;
}

inline void addSlots(lyrics::LyricLine& l, const std::vector<TestSlot>& slots) {
    for (const auto& s : slots) {
        if (!l.appendUnit(s.unit)) continue;
        l.setPreText(l.unitCount, s.preText);
        l.setPostText(l.unitCount, s.postText);
        if (s.unit.isChar) l.plainText += s.unit.text;
    }
}

// The lines of a script text; every line must end with CR LF.
inline std::vector<std::string> scriptLines(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            out.emplace_back(std::string(text.substr(start)) + "<no CR LF>");
            break;
        }
        out.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

inline std::string joinLines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

}  // namespace kvelmor::script::testing
