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

const StageTable& standardStages() {
    static const StageTable table{
        [](Session&) {},
        [](Session& s) { lyrics::rebuildLyricsTable(s.song, s.options(), s.measurer(), s.reporter()); },
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
