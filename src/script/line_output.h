// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Line assembly shared by the parts of the script writer. Every line of a
// script ends with CR LF; nothing in a field is escaped (the Text field may
// hold commas of its own).

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "lyrics/lyrics_table.h"

namespace kvelmor::script {

inline constexpr std::string_view kLineEnd = "\r\n";

inline void appendLine(std::string& out, std::string_view line) {
    out += line;
    out += kLineEnd;
}

// The slots a writer may read: 1..unitCount, never past the stored slots.
inline int slotCount(const lyrics::LyricLine& line) {
    int stored = static_cast<int>(std::min<size_t>(line.units.size(), static_cast<size_t>(lyrics::kMaxSlots) + 1)) - 1;
    return std::clamp(line.unitCount, 0, std::max(stored, 0));
}

inline void appendNumber(std::string& out, int64_t v) {
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

inline void appendPosTag(std::string& out, int64_t x, int64_t y) {
    out += "{\\pos(";
    appendNumber(out, x);
    out += ',';
    appendNumber(out, y);
    out += ")}";
}

inline void appendKaraokeTag(std::string& out, int64_t centiseconds) {
    out += "{\\K";
    appendNumber(out, centiseconds);
    out += '}';
}

inline std::string posTag(int64_t x, int64_t y) {
    std::string t;
    appendPosTag(t, x, y);
    return t;
}

inline std::string karaokeTag(int64_t centiseconds) {
    std::string t;
    appendKaraokeTag(t, centiseconds);
    return t;
}

// One event of a lyric line: "Dialogue: " + Layer, Start, End, Style, Actor,
// MarginL, MarginR, MarginV, Effect, Text. The Layer field is the line's
// `dialoguePrefix` directly followed by `layer`; Start, End, Actor and the
// margins are the line's own; the Effect is always "Karaoke".
// appendDialogueStart writes the event up to its Text field, which the
// caller appends in place, ending the line with kLineEnd.
inline void appendDialogueStart(std::string& out, const lyrics::LyricLine& line, int64_t layer,
                                std::string_view style) {
    out += "Dialogue: ";
    out += line.dialoguePrefix;
    appendNumber(out, layer);
    for (std::string_view field : {std::string_view(line.startText), std::string_view(line.endText), style,
                                   std::string_view(line.styleExtra), std::string_view(line.marginLText),
                                   std::string_view(line.marginRText), std::string_view(line.marginVText),
                                   std::string_view("Karaoke")}) {
        out += ',';
        out += field;
    }
    out += ',';
}

inline void appendDialogue(std::string& out, const lyrics::LyricLine& line, int64_t layer, std::string_view style,
                           std::string_view text) {
    appendDialogueStart(out, line, layer, style);
    out += text;
    out += kLineEnd;
}

}  // namespace kvelmor::script
