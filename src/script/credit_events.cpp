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

std::optional<InfoEvent> creditEvent(const settings::CreditSettings& c, const settings::ConversionSettings& s) {
    if (!s.isOn("menuCreditOn")) return std::nullopt;
    const TimeWindow window = creditWindow(c);
    return InfoEvent{lyrics::formatScriptTime(window.start), lyrics::formatScriptTime(window.end), "songInfo3",
                     creditPlacement(c, s) + "{\\fad(" + std::to_string(toWholeNumber(c.text("FadeIn"))) + "," +
                         std::to_string(toWholeNumber(c.text("FadeOut"))) + ")}" + c.text("Credit")};
}

}  // namespace kvelmor::script
