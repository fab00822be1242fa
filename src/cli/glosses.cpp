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

constexpr std::array<Gloss, 9> kGlosses{{
    {lyrics::kTooManyLinesMessage, "more lines than can be read: a song holds at most 299"},
    {lyrics::kMissingTagsHead, "lines lacking their first or last time tag; the tags were added"},
    {lyrics::kTimeOrderHead, "lines that start before the previous line of their row has ended"},
    {lyrics::kOverflowHead, "lines too wide for the frame"},
    {lyrics::kMarginHead, "lines outside the margins"},
    {settings::kInfoNameRefused, "the name \"info\" cannot be used"},
    {settings::kTagNameRefused, "the name \"tag\" cannot be used: it holds the effect samples"},
    {settings::kPresetNameCharsRefused, "a preset name cannot hold a line break, \"[\" or \"]\""},
    {settings::kDefaultNotDeletable, "\"default\" cannot be deleted"},
}};

}  // namespace

std::string withEnglishGlosses(std::string_view text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        out += line;
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
