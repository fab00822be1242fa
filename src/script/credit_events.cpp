// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/credit_events.h"

#include <algorithm>

#include "common/number_text.h"
#include "lyrics/checks.h"
#include "script/line_output.h"

namespace kvelmor::script {

TimeWindow creditWindow(const settings::CreditOptions& c) {
    const lyrics::Centiseconds start = timeFromClock(c.start);
    const lyrics::Centiseconds end = timeFromClock(c.end);
    return {start, std::max(start, end)};
}

namespace {

// The credit's font: the credit window's face at CreditFontSize, scaled by
// mojiScaleX as every measured width is.
struct CreditSize {
    int64_t width = 0;   // pixels
    int64_t height = 0;  // pixels
};
CreditSize measureCredit(const settings::CreditOptions& c, const settings::ConversionOptions& o,
                         measure::TextMeasurer& measurer) {
    const int32_t size = static_cast<int32_t>(std::clamp<int64_t>(c.size, 0, 32767));
    if (size <= 0) return {};
    return {measure::textWidth(measurer, c.font.face, size, c.text, o.scale.x),
            measure::textHeight(measurer, c.font.face, size, "あ")};
}

bool movesItself(const settings::CreditOptions& c) { return c.tag.find("\\move") != std::string::npos; }

}  // namespace

CreditPlace placeCredit(const settings::CreditOptions& c, const settings::ConversionOptions& o,
                        measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    CreditPlace p;
    const int64_t frameWidth = o.frame.width;
    const int64_t posX = c.x;
    p.asSet.x = p.x = c.fromRight ? frameWidth - posX : posX;
    p.asSet.y = p.y = c.y;
    if (movesItself(c)) return p;
    const CreditSize size = measureCredit(c, o, measurer);
    p.width = size.width;
    p.height = size.height;
    if (size.width <= 0) return p;

    // Past the right margin: moved left to end at it; wider than the room
    // between the margins: shrunk to fill it.
    const int64_t marginL = o.margins.left;
    const int64_t right = frameWidth - o.margins.right;
    if (p.x + size.width > right) {
        if (size.width <= right - marginL) {
            p.x = right - size.width;
        } else {
            p.x = marginL;
            p.percent = std::max<int64_t>((right - marginL) * 100 / size.width, 1);
            p.width = size.width * p.percent / 100;
        }
    }
    // Over song information: moved down just below it, and again below
    // any other it then meets.
    const int64_t height = p.height * p.percent / 100;
    for (size_t moves = 0; moves <= avoid.size(); ++moves) {
        const InfoArea* met = nullptr;
        for (const InfoArea& a : avoid)
            if (p.y - height < a.bottom && a.top < p.y && p.x < a.right && a.left < p.x + p.width) met = &a;
        if (!met) break;
        p.y = met->bottom + height;
    }
    return p;
}

std::vector<InfoArea> creditAvoids(const settings::CreditOptions& c, const lyrics::Song& song,
                                   const settings::ConversionOptions& o, measure::TextMeasurer& measurer,
                                   const std::vector<InfoArea>& beforeSong) {
    std::vector<InfoArea> avoid;
    // The top line is up from the first line to the last, nearly always
    // while the credit is.
    if (const auto band = lyrics::topSongInfoBand(song.songInfo, o, &measurer))
        avoid.push_back({band->left, 0, band->right, band->bottom});
    const TimeWindow credit = creditWindow(c);
    const TimeWindow block = beforeSongWindow(song, o);
    if (credit.start < block.end && block.start < credit.end)
        avoid.insert(avoid.end(), beforeSong.begin(), beforeSong.end());
    return avoid;
}

std::string creditPlacement(const settings::CreditOptions& c, const settings::ConversionOptions& o,
                            measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    const std::string& tag = c.tag;
    // The user's own move tag places the credit; a position tag beside it
    // would make renderers ignore one of the two.
    if (movesItself(c)) return "{\\q2}" + tag;
    const CreditPlace p = placeCredit(c, o, measurer, avoid);
    std::string scale;
    if (p.percent != 100)
        scale = "{\\fscx" + std::to_string(p.percent) + "\\fscy" + std::to_string(p.percent) + "}";
    return "{\\q2}" + posTag(p.x, p.y) + scale + tag;
}

std::vector<std::string> creditProblems(const settings::CreditOptions& c, const settings::ConversionOptions& o,
                                        measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    std::vector<std::string> problems;
    if (!o.creditOn) return problems;
    const lyrics::Centiseconds start = timeFromClock(c.start);
    const lyrics::Centiseconds end = timeFromClock(c.end);
    if (end <= start)
        problems.push_back("the credit is switched on but its end (" + lyrics::formatScriptTime(end) +
                           ") is not after its start (" + lyrics::formatScriptTime(start) +
                           "), so it is never shown: set a later end in credit.endHour, credit.endMinute and "
                           "credit.endSecond (or an earlier start in credit.startHour, credit.startMinute and credit.startSecond)");
    if (movesItself(c)) return problems;

    // Pixels of the frame; the credit is drawn bottom-left aligned at (x, y).
    const int64_t width = o.frame.width;
    const int64_t height = o.frame.height;
    const CreditPlace p = placeCredit(c, o, measurer, avoid);
    const std::string where = "x " + std::to_string(p.asSet.x) + ", y " + std::to_string(p.asSet.y);
    if (p.width > 0 && p.asSet.x < 0 && p.x < 0)
        problems.push_back("the credit text is " + std::to_string(p.width) + " pixels wide at x " +
                           std::to_string(p.x) + " and runs past the left edge of the " + std::to_string(width) +
                           "-pixel frame: move it with credit.posX (credit.fromRight counts x from the right edge)");
    if (p.percent != 100)
        problems.push_back("the credit text is " + std::to_string(p.width * 100 / p.percent) +
                           " pixels wide, more than the frame holds between its margins, so it is drawn at " +
                           std::to_string(p.percent) + " % of its size from x " + std::to_string(p.x) +
                           ": shorten credit.text or lower credit.fontSize");
    else if (p.x != p.asSet.x)
        problems.push_back("the credit text is " + std::to_string(p.width) + " pixels wide and at " + where +
                           " would run past the right margin of the " + std::to_string(width) +
                           "-pixel frame, so it is drawn at x " + std::to_string(p.x) +
                           " to end at the margin: set credit.posX (credit.fromRight counts x from the right edge), "
                           "or shorten credit.text or lower credit.fontSize");
    if (p.y != p.asSet.y)
        problems.push_back("the credit at " + where +
                           " would lie over the song information at the top of the screen, so it is drawn at y " +
                           std::to_string(p.y) + " below it: move it with credit.posY");
    if (p.width > 0 && (p.y > height || p.y - p.height < 0))
        problems.push_back("the credit text stands at y " + std::to_string(p.y) + " with a height of " +
                           std::to_string(p.height) + " pixels and runs past the " + (p.y > height ? "bottom" : "top") +
                           " edge of the " + std::to_string(height) + "-pixel frame: move it with credit.posY");
    return problems;
}

std::optional<InfoEvent> creditEvent(const settings::CreditOptions& c, const settings::ConversionOptions& o,
                                     measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    if (!o.creditOn) return std::nullopt;
    const TimeWindow window = creditWindow(c);
    return InfoEvent{lyrics::formatScriptTime(window.start), lyrics::formatScriptTime(window.end), "songInfo3",
                     creditPlacement(c, o, measurer, avoid) + "{\\fad(" + std::to_string(c.fadeIn) + "," +
                         std::to_string(c.fadeOut) + ")}" + c.text};
}

}  // namespace kvelmor::script
