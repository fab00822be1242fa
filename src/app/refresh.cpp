// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/refresh.h"

#include "app/session.h"
#include "layout/placement.h"
#include "layout/timing.h"
#include "lyrics/checks.h"
#include "lyrics/segmentation.h"
#include "script/script_header.h"

namespace kvelmor::app {

std::vector<int> fullRefresh() {
    std::vector<int> s;
    for (int i = 1; i <= kStageCount; ++i) s.push_back(i);
    return s;
}

namespace {

std::vector<int> stageRange(int first, int last) {
    std::vector<int> s;
    for (int i = first; i <= last; ++i) s.push_back(i);
    return s;
}

}  // namespace

std::vector<int> presetRefresh() { return fullRefresh(); }

std::vector<int> stagesFor(settings::Invalidates what) {
    using I = settings::Invalidates;
    switch (what) {
    case I::Nothing: return {};
    // Every placement ends with the fit and height checks (17).
    case I::FrameSize: return {4, 11, 12, 14, 17};
    case I::StyleLayout: return {5, 11, 12, 14, 17};
    case I::Styles: return {5};
    // New style names reach the lines with the rows (9), and the time
    // correction (6) starts the display windows again from the tags. The
    // readings are placed (14) once the lines have settled on their rows
    // (11 to 13): bottom alignment moves lines, not their readings.
    case I::StyleSet: return stageRange(5, kStageCount);
    case I::LineSpacing: return {11, 12, 13};
    case I::ExtendedColour: return stageRange(6, 13);
    case I::Alignment: return stageRange(2, 13);
    case I::LineText: return stageRange(1, 12);
    case I::RubyGaps: return {11, 12, 14, 17};
    case I::RubyOffset: return {11, 12, 14};
    case I::RubyPositions: return {14};
    // Ruby timing (15) follows the new display windows before the rows are placed again.
    case I::LeadInOut: return {8, 15, 9, 10, 11, 12, 14};
    case I::TagShift: return {6, 7, 8, 15, 10};
    case I::DisplayType: {
        std::vector<int> s = stageRange(1, 12);
        s.push_back(14);
        return s;
    }
    case I::Everything: return fullRefresh();
    }
    return {};
}

const StageTable& standardStages() {
    static const StageTable table{
        [](Session&) {},
        [](Session& s) { lyrics::rebuildWorkLines(s.song, s.options(), s.measurer(), s.reporter()); },
        [](Session& s) { layout::computeTagExtremes(s.song); },
        [](Session& s) { lyrics::repairLineTags(s.song, s.options(), s.reporter()); },
        [](Session& s) { script::refreshScriptInfo(s.header, s.song, s.options(), s.comboText); },
        [](Session& s) { script::refreshStyles(s.header, s.options()); },
        [](Session& s) { layout::correctTimes(s.song, s.options()); },
        [](Session& s) { layout::computeSyllableDurations(s.song); },
        [](Session& s) { layout::applyLeadInOut(s.song, s.options()); },
        [](Session& s) { layout::assignRows(s.song, s.options()); },
        [](Session& s) { layout::applyBatchDisplay(s.song, s.options()); },
        [](Session& s) { layout::placeLines(s.song, s.options(), s.measurer()); },
        [](Session& s) { layout::bottomAlign(s.song, s.options()); },
        [](Session& s) { layout::applyNewLinePriority(s.song, s.options()); },
        [](Session& s) { layout::placeRuby(s.song, s.options(), s.measurer()); },
        [](Session& s) { layout::timeRuby(s.song); },
        [](Session& s) { lyrics::checkTimeOrder(s.song, s.options(), s.reporter()); },
        [](Session& s) {
            lyrics::checkLineFit(s.song, s.options(), s.reporter());
            lyrics::checkLineHeights(s.song, s.options(), &s.measurer(), s.reporter());
        },
    };
    return table;
}

}  // namespace kvelmor::app
