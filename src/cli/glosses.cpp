#include <array>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "lyrics/checks.h"
#include "lyrics/reader.h"
#include "settings/presets.h"

namespace kvelmor::cli {
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

// "12行目 ..." (an entry naming line 12 of the lyrics file) gives
// " (line 12)"; "ほか40行" gives " (and 40 more lines)".
std::string entryGloss(std::string_view line) {
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    const std::string_view mark = lyrics::kLineNumberMark;
    if (digits > 0 && line.substr(digits, mark.size()) == mark)
        return std::string(" (line ") + std::string(line.substr(0, digits)) + ")";
    const std::string_view more = lyrics::kMoreLinesMark;
    if (line.substr(0, more.size()) == more) {
        std::string_view rest = line.substr(more.size());
        size_t n = 0;
        while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') ++n;
        if (n > 0) return " (and " + std::string(rest.substr(0, n)) + " more lines)";
    }
    return {};
}

}  // namespace

std::string withEnglishGlosses(std::string_view text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        out += line;
        out += entryGloss(line);
        for (const Gloss& g : kGlosses)
            if (line.substr(0, g.head.size()) == g.head) {
                out += " (";
                out += g.english;
                out += ")";
                break;
            }
        if (end == text.size()) break;
        out += text[end];
        start = end + 1;
    }
    return out;
}

}  // namespace kvelmor::cli
