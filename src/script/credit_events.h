// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credit: one free text (who made the subtitles, say) shown once in its
// own style songInfo3, at the time window and position of the credit
// window's fields. It follows the song information and precedes the lyrics.

#include <optional>
#include <string>
#include <vector>

#include "measure/text_measure.h"

#include "script/song_info_events.h"
#include "settings/conversion_options.h"

namespace kvelmor::script {

// The credit's display window, titleStartH/M/S to titleEndH/M/S of the
// credit fields, each time read field by field (timeFromFields); an end
// before the start is raised to it.
TimeWindow creditWindow(const settings::CreditOptions& credit);

// Where the credit is drawn, pixels: its bottom-left corner as set
// (posX counted from the right edge of the frame when xRight is ticked,
// posY), then kept inside the frame: a text that would run past the right
// margin (MarginR) is moved left to end at it, or, wider than the room
// between the margins, starts at MarginL shrunk to fill it; a text that
// would lie over the song information shown with it (`avoid`: the top
// song information, the before-song lines whose time meets the credit's)
// is moved down just below it. A credit whose CreditTag holds a "\move"
// stays as set.
struct CreditPlace {
    struct Point {
        int64_t x = 0, y = 0;
    } asSet;                // from the credit fields
    int64_t x = 0, y = 0;   // where it is drawn
    int64_t percent = 100;  // its scale both ways
    int64_t width = 0;      // pixels as drawn; 0 when its size is 0
    int64_t height = 0;     // pixels at 100 %
};
CreditPlace placeCredit(const settings::CreditOptions& credit, const settings::ConversionOptions& o,
                        measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid);

// The text before the credit: "{\q2}" and, unless CreditTag holds a "\move"
// of its own, the position of placeCredit with its scale when it shrank,
// then CreditTag.
std::string creditPlacement(const settings::CreditOptions& credit, const settings::ConversionOptions& o,
                            measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid);

// What keeps the credit from being seen as set while menuCreditOn is
// checked, one message each, naming the credit fields to change: an end
// time not after its start (the credit is never shown), a text that
// placeCredit moved or shrank, and one still past an edge of the frame (not
// checked when CreditTag moves the credit itself). Empty when all is well
// or the credit is off.
std::vector<std::string> creditProblems(const settings::CreditOptions& credit, const settings::ConversionOptions& o,
                                        measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid);

// The credit event while menuCreditOn is checked: placement, the fade tag
// "{\fad(FadeIn,FadeOut)}" (milliseconds), then the Credit text, empty or not.
std::optional<InfoEvent> creditEvent(const settings::CreditOptions& credit, const settings::ConversionOptions& o,
                                     measure::TextMeasurer& measurer, const std::vector<InfoArea>& avoid);

// What the credit keeps off: the top song information while songInfoCheck
// shows it, and the before-song lines (`beforeSong`, their areas) while
// their window meets the credit's.
std::vector<InfoArea> creditAvoids(const settings::CreditOptions& credit, const lyrics::Song& song,
                                   const settings::ConversionOptions& o, measure::TextMeasurer& measurer,
                                   const std::vector<InfoArea>& beforeSong);

}  // namespace kvelmor::script
