// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What renderers reject in a written script, checked over its text: every
// "Dialogue:" event must have readable, non-negative Start and End times with
// End not before Start, every "{" that opens an override block must be
// closed by a "}" on the same line, and no karaoke tag inside a block may
// have a negative duration (libass reads "{\K-50}" as a syllable that ends
// before it starts, and every later syllable comes early). Used by the tests and by the fuzzing
// harness of the whole pipeline.
//
// The brace and karaoke rules hold for what the program writes itself; a
// lyric line or a user's template may carry an unbalanced "{" of its own, so
// callers that feed such text leave `checkBraces` off or keep braces out of it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvelmor::testing {

struct ScriptViolation {
    int line = 0;      // 1-based line of the script
    std::string what;  // the rule broken
    std::string text;  // the line itself
    bool operator==(const ScriptViolation&) const = default;
};

// "H:MM:SS.CC" (any number of hour digits) in centiseconds; a leading "-"
// gives a negative time. Nothing when the text is not a time.
inline std::optional<int64_t> readScriptTime(std::string_view t) {
    bool negative = false;
    if (!t.empty() && t.front() == '-') {
        negative = true;
        t.remove_prefix(1);
    }
    auto digits = [](std::string_view s) {
        if (s.empty()) return false;
        for (char c : s)
            if (c < '0' || c > '9') return false;
        return true;
    };
    auto value = [](std::string_view s) {
        int64_t v = 0;
        for (char c : s) v = v * 10 + (c - '0');
        return v;
    };
    const size_t colon = t.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 12) return std::nullopt;
    std::string_view hours = t.substr(0, colon);
    std::string_view rest = t.substr(colon + 1);  // "MM:SS.CC"
    if (rest.size() != 8 || rest[2] != ':' || rest[5] != '.') return std::nullopt;
    std::string_view mm = rest.substr(0, 2), ss = rest.substr(3, 2), cc = rest.substr(6, 2);
    if (!digits(hours) || !digits(mm) || !digits(ss) || !digits(cc)) return std::nullopt;
    if (value(mm) > 59 || value(ss) > 59) return std::nullopt;
    const int64_t v = ((value(hours) * 60 + value(mm)) * 60 + value(ss)) * 100 + value(cc);
    return negative ? -v : v;
}

// Every rule the script text breaks, in line order; empty when none.
inline std::vector<ScriptViolation> scriptViolations(std::string_view script, bool checkBraces = true) {
    std::vector<ScriptViolation> out;
    int number = 0;
    size_t pos = 0;
    while (pos < script.size()) {
        size_t end = script.find('\n', pos);
        if (end == std::string_view::npos) end = script.size();
        std::string_view line = script.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        constexpr std::string_view kDialogue = "Dialogue: ";
        if (line.substr(0, kDialogue.size()) != kDialogue) continue;
        auto fail = [&](std::string what) { out.push_back({number, std::move(what), std::string(line)}); };

        // Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text.
        std::vector<std::string_view> fields;
        std::string_view rest = line.substr(kDialogue.size());
        while (fields.size() < 9) {
            const size_t comma = rest.find(',');
            if (comma == std::string_view::npos) break;
            fields.push_back(rest.substr(0, comma));
            rest.remove_prefix(comma + 1);
        }
        if (fields.size() < 9) {
            fail("fewer than ten fields");
            continue;
        }
        const std::string_view text = rest;
        const auto start = readScriptTime(fields[1]);
        const auto stop = readScriptTime(fields[2]);
        if (!start) fail("unreadable Start \"" + std::string(fields[1]) + "\"");
        if (!stop) fail("unreadable End \"" + std::string(fields[2]) + "\"");
        if (start && *start < 0) fail("negative Start");
        if (stop && *stop < 0) fail("negative End");
        if (start && stop && *stop < *start) fail("End before Start");

        if (!checkBraces) continue;
        size_t open = std::string_view::npos;
        bool negativeKaraoke = false;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '{' && open == std::string_view::npos) open = i;
            else if (text[i] == '}') open = std::string_view::npos;
            // Inside a block: \k, \K, \kf or \ko with a negative duration.
            if (open != std::string_view::npos && text[i] == '\\' && i + 1 < text.size() &&
                (text[i + 1] == 'k' || text[i + 1] == 'K')) {
                size_t d = i + 2;
                if (d < text.size() && (text[d] == 'f' || text[d] == 'o')) ++d;
                if (d < text.size() && text[d] == '-') negativeKaraoke = true;
            }
        }
        if (open != std::string_view::npos) fail("\"{\" at text offset " + std::to_string(open) + " is never closed");
        if (negativeKaraoke) fail("negative karaoke duration");
    }
    return out;
}

// The violations as lines of text, for a test's failure message or a crash report.
inline std::string describe(const std::vector<ScriptViolation>& violations) {
    std::string s;
    for (const auto& v : violations) s += "line " + std::to_string(v.line) + ": " + v.what + ": " + v.text + "\n";
    return s;
}

}  // namespace kvelmor::testing
