#include "script/credit_events.h"

#include <algorithm>

#include "common/number_text.h"
#include "lyrics/checks.h"
#include "script/line_output.h"

namespace kvelmor::script {

TimeWindow creditWindow(const settings::CreditSettings& c) {
    const lyrics::Centiseconds start =
        timeFromFields(c.text("titleStartH"), c.text("titleStartM"), c.text("titleStartS"));
    const lyrics::Centiseconds end = timeFromFields(c.text("titleEndH"), c.text("titleEndM"), c.text("titleEndS"));
    return {start, std::max(start, end)};
}

namespace {

// The credit's font: the credit window's face at CreditFontSize, scaled by
// mojiScaleX as every measured width is.
struct CreditSize {
    int64_t width = 0;   // pixels
    int64_t height = 0;  // pixels
};
CreditSize measureCredit(const settings::CreditSettings& c, const settings::ConversionSettings& s,
                         measure::TextMeasurer& measurer) {
    const int32_t size = static_cast<int32_t>(std::clamp<int64_t>(toWholeNumber(c.text("CreditFontSize")), 0, 32767));
    if (size <= 0) return {};
    return {measure::TextWidth(measurer, c.text(settings::kCreditFontField), size, c.text("Credit"), s.real("mojiScaleX")),
            measure::TextHeight(measurer, c.text(settings::kCreditFontField), size, "あ")};
}

bool movesItself(const settings::CreditSettings& c) { return c.text("CreditTag").find("\\move") != std::string::npos; }

}  // namespace

CreditPlace placeCredit(const settings::CreditSettings& c, const settings::ConversionSettings& s,
                        measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    CreditPlace p;
    const int64_t frameWidth = s.wholeNumber("dispWidth");
    const int64_t posX = toWholeNumber(c.text("posX"));
    p.asSet.x = p.x = toWholeNumber(c.text("xRight")) != 0 ? frameWidth - posX : posX;
    p.asSet.y = p.y = toWholeNumber(c.text("posY"));
    if (movesItself(c)) return p;
    const CreditSize size = measureCredit(c, s, measurer);
    p.width = size.width;
    p.height = size.height;
    if (size.width <= 0) return p;

    // Past the right margin: moved left to end at it; wider than the room
    // between the margins: shrunk to fill it.
    const int64_t marginL = s.wholeNumber("MarginL");
    const int64_t right = frameWidth - s.wholeNumber("MarginR");
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

std::vector<InfoArea> creditAvoids(const settings::CreditSettings& c, const lyrics::Song& song,
                                   const settings::ConversionSettings& s, measure::TextMeasurer& measurer,
                                   const std::vector<InfoArea>& beforeSong) {
    std::vector<InfoArea> avoid;
    // The top line is up from the first line to the last, nearly always
    // while the credit is.
    if (const auto band = lyrics::topSongInfoBand(song.songInfo, s, &measurer))
        avoid.push_back({band->left, 0, band->right, band->bottom});
    const TimeWindow credit = creditWindow(c);
    const TimeWindow block = beforeSongWindow(song, s);
    if (credit.start < block.end && block.start < credit.end)
        avoid.insert(avoid.end(), beforeSong.begin(), beforeSong.end());
    return avoid;
}

std::string creditPlacement(const settings::CreditSettings& c, const settings::ConversionSettings& s,
                            measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    const std::string& tag = c.text("CreditTag");
    // The user's own move tag places the credit; a position tag beside it
    // would make renderers ignore one of the two.
    if (movesItself(c)) return "{\\q2}" + tag;
    const CreditPlace p = placeCredit(c, s, measurer, avoid);
    std::string scale;
    if (p.percent != 100)
        scale = "{\\fscx" + std::to_string(p.percent) + "\\fscy" + std::to_string(p.percent) + "}";
    return "{\\q2}" + posTag(p.x, p.y) + scale + tag;
}

std::vector<std::string> creditProblems(const settings::CreditSettings& c, const settings::ConversionSettings& s,
                                        measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    std::vector<std::string> problems;
    if (!s.isOn("menuCreditOn")) return problems;
    const lyrics::Centiseconds start =
        timeFromFields(c.text("titleStartH"), c.text("titleStartM"), c.text("titleStartS"));
    const lyrics::Centiseconds end = timeFromFields(c.text("titleEndH"), c.text("titleEndM"), c.text("titleEndS"));
    if (end <= start)
        problems.push_back("the credit is switched on but its end (" + lyrics::formatScriptTime(end) +
                           ") is not after its start (" + lyrics::formatScriptTime(start) +
                           "), so it is never shown: set a later end in credit.titleEndH, credit.titleEndM and "
                           "credit.titleEndS (or an earlier start in credit.titleStartH/M/S)");
    if (movesItself(c)) return problems;

    // Pixels of the frame; the credit is drawn bottom-left aligned at (x, y).
    const int64_t width = s.wholeNumber("dispWidth");
    const int64_t height = s.wholeNumber("dispHeight");
    const CreditPlace p = placeCredit(c, s, measurer, avoid);
    const std::string where = "x " + std::to_string(p.asSet.x) + ", y " + std::to_string(p.asSet.y);
    if (p.width > 0 && p.asSet.x < 0 && p.x < 0)
        problems.push_back("the credit text is " + std::to_string(p.width) + " pixels wide at x " +
                           std::to_string(p.x) + " and runs past the left edge of the " + std::to_string(width) +
                           "-pixel frame: move it with credit.posX (credit.xRight counts x from the right edge)");
    if (p.percent != 100)
        problems.push_back("the credit text is " + std::to_string(p.width * 100 / p.percent) +
                           " pixels wide, more than the frame holds between its margins, so it is drawn at " +
                           std::to_string(p.percent) + " % of its size from x " + std::to_string(p.x) +
                           ": shorten credit.Credit or lower credit.CreditFontSize");
    else if (p.x != p.asSet.x)
        problems.push_back("the credit text is " + std::to_string(p.width) + " pixels wide and at " + where +
                           " would run past the right margin of the " + std::to_string(width) +
                           "-pixel frame, so it is drawn at x " + std::to_string(p.x) +
                           " to end at the margin: set credit.posX (credit.xRight counts x from the right edge), "
                           "or shorten credit.Credit or lower credit.CreditFontSize");
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

std::optional<InfoEvent> creditEvent(const settings::CreditSettings& c, const settings::ConversionSettings& s,
                                     measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid) {
    if (!s.isOn("menuCreditOn")) return std::nullopt;
    const TimeWindow window = creditWindow(c);
    return InfoEvent{lyrics::formatScriptTime(window.start), lyrics::formatScriptTime(window.end), "songInfo3",
                     creditPlacement(c, s, measurer, avoid) + "{\\fad(" + std::to_string(toWholeNumber(c.text("FadeIn"))) +
                         "," + std::to_string(toWholeNumber(c.text("FadeOut"))) + ")}" + c.text("Credit")};
}

}  // namespace kvelmor::script
