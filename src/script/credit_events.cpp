#include "script/credit_events.h"

#include <algorithm>

#include "common/number_text.h"
#include "script/line_output.h"

namespace kvelmor::script {

TimeWindow creditWindow(const settings::CreditSettings& c) {
    const lyrics::Centiseconds start =
        timeFromFields(c.text("titleStartH"), c.text("titleStartM"), c.text("titleStartS"));
    const lyrics::Centiseconds end = timeFromFields(c.text("titleEndH"), c.text("titleEndM"), c.text("titleEndS"));
    return {start, std::max(start, end)};
}

std::string creditPlacement(const settings::CreditSettings& c, const settings::ConversionSettings& s) {
    const std::string& tag = c.text("CreditTag");
    // The user's own move tag places the credit; a position tag beside it
    // would make renderers ignore one of the two.
    if (tag.find("\\move") != std::string::npos) return "{\\q2}" + tag;
    const int64_t posX = toWholeNumber(c.text("posX"));
    const int64_t posY = toWholeNumber(c.text("posY"));
    const int64_t x = toWholeNumber(c.text("xRight")) != 0 ? s.wholeNumber("dispWidth") - posX : posX;
    return "{\\q2}" + posTag(x, posY) + tag;
}

std::vector<std::string> creditProblems(const settings::CreditSettings& c, const settings::ConversionSettings& s,
                                        measure::TextMeasurer& measurer) {
    std::vector<std::string> problems;
    if (!s.isOn("menuCreditOn")) return problems;
    const lyrics::Centiseconds start =
        timeFromFields(c.text("titleStartH"), c.text("titleStartM"), c.text("titleStartS"));
    const lyrics::Centiseconds end = timeFromFields(c.text("titleEndH"), c.text("titleEndM"), c.text("titleEndS"));
    if (end <= start)
        problems.push_back("the credit is switched on but its end (" + lyrics::formatScriptTime(end) +
                           ") is not after its start (" + lyrics::formatScriptTime(start) +
                           "), so it is never shown: set a later end in Form7.titleEndH, Form7.titleEndM and "
                           "Form7.titleEndS (or an earlier start in Form7.titleStartH/M/S)");
    if (c.text("CreditTag").find("\\move") != std::string::npos) return problems;

    // Pixels of the frame; the credit is drawn bottom-left aligned at (x, y).
    const int64_t width = s.wholeNumber("dispWidth");
    const int64_t height = s.wholeNumber("dispHeight");
    const int64_t posX = toWholeNumber(c.text("posX"));
    const int64_t x = toWholeNumber(c.text("xRight")) != 0 ? width - posX : posX;
    const int64_t y = toWholeNumber(c.text("posY"));
    const int32_t size = static_cast<int32_t>(std::clamp<int64_t>(toWholeNumber(c.text("CreditFontSize")), 0, 32767));
    const int64_t textWidth =
        size > 0 ? measure::TextWidth(measurer, c.text("Command1"), size, c.text("Credit"), s.real("mojiScaleX")) : 0;
    const int64_t textHeight = size > 0 ? measure::TextHeight(measurer, c.text("Command1"), size, "あ") : 0;
    if (textWidth > 0 && (x < 0 || x + textWidth > width))
        problems.push_back("the credit text is " + std::to_string(textWidth) + " pixels wide at x " +
                           std::to_string(x) + " and runs past the " + (x < 0 ? "left" : "right") + " edge of the " +
                           std::to_string(width) + "-pixel frame: move it with Form7.posX (Form7.xRight counts x "
                           "from the right edge), or shorten Form7.Credit or lower Form7.CreditFontSize");
    if (textWidth > 0 && (y > height || y - textHeight < 0))
        problems.push_back("the credit text stands at y " + std::to_string(y) + " with a height of " +
                           std::to_string(textHeight) + " pixels and runs past the " + (y > height ? "bottom" : "top") +
                           " edge of the " + std::to_string(height) + "-pixel frame: move it with Form7.posY");
    return problems;
}

std::optional<InfoEvent> creditEvent(const settings::CreditSettings& c, const settings::ConversionSettings& s) {
    if (!s.isOn("menuCreditOn")) return std::nullopt;
    const TimeWindow window = creditWindow(c);
    return InfoEvent{lyrics::formatScriptTime(window.start), lyrics::formatScriptTime(window.end), "songInfo3",
                     creditPlacement(c, s) + "{\\fad(" + std::to_string(toWholeNumber(c.text("FadeIn"))) + "," +
                         std::to_string(toWholeNumber(c.text("FadeOut"))) + ")}" + c.text("Credit")};
}

}  // namespace kvelmor::script
