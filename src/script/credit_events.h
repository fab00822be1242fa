#pragma once
// The credit: one free text (who made the subtitles, say) shown once in its
// own style songInfo3, at the time window and position of the credit
// window's fields. It follows the song information and precedes the lyrics.

#include <optional>
#include <string>
#include <vector>

#include "measure/text_measure.h"

#include "script/song_info_events.h"
#include "settings/conversion_settings.h"
#include "settings/credit_settings.h"

namespace kvelmor::script {

// The credit's display window, titleStartH/M/S to titleEndH/M/S of the
// credit fields, each time read field by field (timeFromFields); an end
// before the start is raised to it.
TimeWindow creditWindow(const settings::CreditSettings& credit);

// The text before the credit: "{\q2}" and, unless CreditTag holds a "\move"
// of its own, the position (posX counted from the right edge of the frame
// when xRight is ticked), then CreditTag.
std::string creditPlacement(const settings::CreditSettings& credit, const settings::ConversionSettings& s);

// What would keep the credit from being seen whole while menuCreditOn is
// checked, one message each, naming the credit fields to change: an end
// time not after its start (the credit is never shown), and a text that runs
// past an edge of the frame (measured in the credit's face at its size; not
// checked when CreditTag moves the credit itself). Empty when all is well or
// the credit is off.
std::vector<std::string> creditProblems(const settings::CreditSettings& credit, const settings::ConversionSettings& s,
                                        measure::TextMeasurer& measurer);

// The credit event while menuCreditOn is checked: placement, the fade tag
// "{\fad(FadeIn,FadeOut)}" (milliseconds), then the Credit text, empty or not.
std::optional<InfoEvent> creditEvent(const settings::CreditSettings& credit, const settings::ConversionSettings& s);

}  // namespace kvelmor::script
