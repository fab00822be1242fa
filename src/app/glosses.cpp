// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/glosses.h"

#include <array>
#include <string>
#include <string_view>

#include "lyrics/checks.h"
#include "lyrics/reader.h"
#include "settings/presets.h"

namespace kvelmor::app {
namespace {

struct Gloss {
    std::string_view head;     // how the Japanese message (or one of its lines) starts
    std::string_view english;  // a short gloss for users who do not read Japanese
};

constexpr std::array<Gloss, 13> kGlosses{{
    {lyrics::kTooManyLinesMessage, "more lines than can be read: a song holds at most 299"},
    {lyrics::kMissingTagsHead, "lines lacking their first or last time tag; the tags were added"},
    {lyrics::kTimeOrderHead, "lines that start before the previous line of their row has ended"},
    {lyrics::kCutWhileSungHead, "lines taken off the screen while still being sung, with the seconds lost"},
    {lyrics::kNoSungTimeHead, "lines whose tags are all equal or run backwards, so nothing of them is sung"},
    {lyrics::kOverflowHead, "lines too wide for the frame"},
    {lyrics::kMarginHead, "lines outside the margins"},
    {lyrics::kOutsideFrameHead, "lines or readings drawn above or below the frame"},
    {lyrics::kUnderSongInfoHead, "lines or readings drawn under the song information at the top"},
    {settings::kInfoNameRefused, "the name \"info\" cannot be used"},
    {settings::kTagNameRefused, "the name \"tag\" cannot be used: it holds the effect samples"},
    {settings::kPresetNameCharsRefused, "a preset name cannot hold a line break, \"[\" or \"]\""},
    {settings::kDefaultNotDeletable, "\"default\" cannot be deleted"},
}};

// The number at the front of `s` and its length in bytes (0 when none).
std::string_view leadingNumber(std::string_view s) {
    size_t n = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
    return s.substr(0, n);
}

// An entry of a report: "12行目 ..." (naming line 12 of the lyrics file) and
// "ほか40行", with the number and the rest of the line after the mark.
struct Entry {
    enum Kind { None, Line, More } kind = None;
    std::string_view number;
    std::string_view rest;
};

Entry entryOf(std::string_view line) {
    const std::string_view digits = leadingNumber(line);
    const std::string_view mark = lyrics::kLineNumberMark;
    if (!digits.empty() && line.substr(digits.size(), mark.size()) == mark)
        return {Entry::Line, digits, line.substr(digits.size() + mark.size())};
    const std::string_view more = lyrics::kMoreLinesMark;
    if (line.substr(0, more.size()) == more) {
        const std::string_view n = leadingNumber(line.substr(more.size()));
        if (!n.empty()) return {Entry::More, n, {}};
    }
    return {};
}

const Gloss* glossOf(std::string_view line) {
    for (const Gloss& g : kGlosses)
        if (line.substr(0, g.head.size()) == g.head) return &g;
    return nullptr;
}

// Each line of `text` through `f`, the line breaks kept as they are.
template <typename F>
std::string eachLine(std::string_view text, F f) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        out += f(text.substr(start, end - start));
        if (end == text.size()) break;
        out += text[end];
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string withEnglishGlosses(std::string_view text) {
    return eachLine(text, [](std::string_view line) {
        std::string out(line);
        const Entry e = entryOf(line);
        if (e.kind == Entry::Line) out += " (line " + std::string(e.number) + ")";
        if (e.kind == Entry::More) out += " (and " + std::string(e.number) + " more lines)";
        if (const Gloss* g = glossOf(line)) out += " (" + std::string(g->english) + ")";
        return out;
    });
}

std::string inEnglish(std::string_view text) {
    return eachLine(text, [](std::string_view line) {
        const Entry e = entryOf(line);
        if (e.kind == Entry::Line) {
            // Some entries end with the seconds lost, as the checks write them: "4.21秒".
            std::string rest(e.rest);
            constexpr std::string_view seconds = "秒";
            if (rest.ends_with(seconds)) rest.replace(rest.size() - seconds.size(), seconds.size(), " s");
            return "line " + std::string(e.number) + rest;
        }
        if (e.kind == Entry::More) return "and " + std::string(e.number) + " more lines";
        const Gloss* g = glossOf(line);
        if (!g) return std::string(line);
        std::string out(g->english);
        if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
        // The count after a head: "3行あります" or "3行".
        if (const std::string_view n = leadingNumber(line.substr(g->head.size())); !n.empty()) out += ": " + std::string(n);
        return out;
    });
}

}  // namespace kvelmor::app
