// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/line_reports.h"

#include <algorithm>

#include "app/session.h"
#include "lyrics/checks.h"
#include "lyrics/time_value.h"

namespace kvelmor::app {
namespace {

// The start of the line's text, so the line is found at a glance.
std::string shownText(const lyrics::Song& song, int i) {
    constexpr size_t kShownChars = 12;  // characters of the line's text
    const std::string& text = song.workLines[i].plainText;
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
    return shown;
}

// A finding in Japanese and in English: the line's number and text, then what is wrong.
LineReport finding(const lyrics::Song& song, int i, const std::string& japanese, const std::string& english) {
    const std::string shown = shownText(song, i);
    return {i, std::to_string(i) + "行目「" + shown + "」: " + japanese,
            "line " + std::to_string(i) + " \"" + shown + "\": " + english};
}

}  // namespace

std::vector<LineReport> lineReports(const Session& session) {
    const lyrics::Song& song = session.song;
    std::vector<LineReport> out;
    for (int i : lyrics::linesOutOfOrder(song)) {
        const std::string at = " (" + lyrics::formatScriptTime(song.workLines[i].firstTagTime) + ")";
        out.push_back(finding(song, i, "時間が前後しています" + at, "times out of order" + at));
    }
    const auto fits = lyrics::linesNotFitting(song, session.options());
    const bool anyOverflow = std::any_of(fits.begin(), fits.end(), [](const auto& f) { return f.overflow; });
    if (!anyOverflow) return out;
    const std::string width = session.options().frame.widthText;
    for (const auto& f : fits) {
        const auto& line = song.workLines[f.line];
        const std::string x = std::to_string(line.posX), w = std::to_string(line.lineWidth);
        const std::string where = " (左端 " + x + " px、幅 " + w + " px、画面の幅 " + width + " px)";
        const std::string whereEnglish = " (left edge " + x + " px, width " + w + " px, screen width " + width + " px)";
        out.push_back(f.overflow ? finding(song, f.line, "1行に収まりません" + where, "too wide for the screen" + whereEnglish)
                                 : finding(song, f.line, "指定範囲 (左右の余白) に収まりません" + where,
                                           "outside the left and right margins" + whereEnglish));
    }
    return out;
}

bool isLineCheckSummary(const Report& r) {
    return r.text.starts_with(lyrics::kTimeOrderHead) || r.text.starts_with(lyrics::kOverflowHead);
}

}  // namespace kvelmor::app
