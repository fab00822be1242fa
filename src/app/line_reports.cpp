#include "app/line_reports.h"

#include <algorithm>

#include "app/session.h"
#include "lyrics/checks.h"
#include "lyrics/time_value.h"

namespace kvelmor::app {
namespace {

// The line's number and the start of its text, so it is found at a glance.
std::string lineName(const lyrics::Song& song, int i) {
    constexpr size_t kShownChars = 12;  // characters of the line's text
    const std::string& text = song.LyricsTable[i].plainText;
    std::string shown;
    size_t chars = 0, k = 0;
    while (k < text.size() && chars < kShownChars) {
        size_t len = 1;
        const auto c = static_cast<unsigned char>(text[k]);
        if (c >= 0xF0) len = 4;
        else if (c >= 0xE0) len = 3;
        else if (c >= 0xC0) len = 2;
        shown += text.substr(k, len);
        k += len;
        ++chars;
    }
    if (k < text.size()) shown += "…";
    return std::to_string(i) + "行目「" + shown + "」";
}

}  // namespace

std::vector<LineReport> lineReports(const Session& session) {
    const lyrics::Song& song = session.song;
    std::vector<LineReport> out;
    for (int i : lyrics::linesOutOfOrder(song))
        out.push_back({i, lineName(song, i) + ": 時間が前後しています (" +
                              lyrics::formatScriptTime(song.LyricsTable[i].firstTagTime) + ")"});
    const auto fits = lyrics::linesNotFitting(song, session.options());
    const bool anyOverflow = std::any_of(fits.begin(), fits.end(), [](const auto& f) { return f.overflow; });
    if (!anyOverflow) return out;
    const std::string width = session.options().frame.widthText;
    for (const auto& f : fits) {
        const auto& line = song.LyricsTable[f.line];
        const std::string where = "左端 " + std::to_string(line.posX) + " px、幅 " + std::to_string(line.lineWidth) +
                                  " px、画面の幅 " + width + " px";
        out.push_back({f.line, lineName(song, f.line) +
                                   (f.overflow ? ": 1行に収まりません (" : ": 指定範囲 (左右の余白) に収まりません (") +
                                   where + ")"});
    }
    return out;
}

bool isLineCheckSummary(const Report& r) {
    return r.text.starts_with(lyrics::kTimeOrderHead) || r.text.starts_with(lyrics::kOverflowHead);
}

}  // namespace kvelmor::app
