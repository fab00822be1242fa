#include "script/ruby_events.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "layout/placement.h"
#include "script/line_output.h"

namespace kvelmor::script {

using lyrics::LyricLine;

namespace {

constexpr int64_t kUpperLayer = 10;

// Pixels: the ruby's x, rubyScale × (rubyX − posX) rounded toward minus
// infinity, + rubyLeft + posX. A scale that would carry the ruby beyond any
// frame is held at ±10^15 pixels so the sum stays exact.
int64_t rubyPositionX(double rubyScale, int32_t rubyX, int32_t posX, int32_t rubyLeft) {
    constexpr double kLimit = 1e15;
    double offset = std::floor(rubyScale * static_cast<double>(static_cast<int64_t>(rubyX) - posX));
    if (std::isnan(offset)) offset = 0;
    offset = std::clamp(offset, -kLimit, kLimit);
    return static_cast<int64_t>(offset) + rubyLeft + posX;
}

}  // namespace

void appendRubyEvents(std::string& out, const LyricLine& line, int16_t rubyState,
                      const settings::ConversionSettings& s, const EventTexts& texts) {
    if (rubyState != lyrics::kRubyAssigned) return;
    const WipeMode mode = wipeMode(s);
    const bool edge = mode == WipeMode::EdgeWipe;
    const bool withPos = edge || !s.isOn("posNo");  // the edge wipe always places its ruby
    const bool spread = edge && s.isOn("kintouCheck");
    const double rubyScale = s.real("rubyScale");
    const int32_t rubyLeft = s.wholeNumber("rubyLeft");
    const int64_t lower = line.lineKind;
    const int64_t upper = lower + kUpperLayer;

    // RubySpacing moves rubyX; it works on a copy so the table stays as it is.
    std::optional<LyricLine> spreadLine;

    for (int k = 1, slots = slotCount(line); k <= slots; ++k) {
        const auto& u = line.unit(k);
        if (!u.isChar || u.ruby.empty()) continue;

        int32_t rubyX = u.rubyX;
        std::string spacingTag;
        if (spread) {
            if (!spreadLine) spreadLine = line;
            int32_t spacing = layout::RubySpacing(*spreadLine, k);
            rubyX = spreadLine->unit(k).rubyX;
            if (spacing != 0) spacingTag = "{\\fsp" + std::to_string(spacing) + "}";
        }
        std::string head;  // position tag + fade tag + vertical-scale prefix
        if (withPos) head = posTag(rubyPositionX(rubyScale, rubyX, line.posX, rubyLeft), u.rubyY);
        head += texts.fadeTag;
        head += texts.verticalScalePrefix;

        // Centiseconds from the line's display start to the ruby's start, and
        // from the ruby's end to the line's display end.
        const int64_t rubyLead = static_cast<int64_t>(u.rubyStartTime) - line.startTime;
        const std::string tail = karaokeTag(static_cast<int64_t>(line.endTime) - u.rubyEndTime);
        std::string timed = head;
        timed += line.texts(k).rubyText2;
        timed += u.ruby;
        timed += tail;

        switch (mode) {
        case WipeMode::EdgeWipe:
            appendDialogue(out, line, lower, line.rubyStyle, "{\\q2}" + head + spacingTag + u.ruby);
            appendDialogue(out, line, upper, line.rubyStyle, "{\\q2}" + timed);
            break;
        case WipeMode::WipeEmphasis:
            appendDialogue(out, line, lower, line.rubyStyle, "{\\q2}" + karaokeTag(rubyLead) + timed);
            appendDialogue(out, line, upper, "substyleRuby1",
                           "{\\q2}" + karaokeTag(s.wholeNumber("DelayTime") + rubyLead) + timed);
            break;
        case WipeMode::NoWipe:
            appendDialogue(out, line, lower, line.rubyStyle, "{\\q2}" + timed);
            break;
        case WipeMode::Karaoke:
        case WipeMode::PerCharacter:
        case WipeMode::FreeSetting:
        case WipeMode::PerCharacterSetting:
        case WipeMode::PerWord:
            appendDialogue(out, line, lower, line.rubyStyle, "{\\q2}" + karaokeTag(rubyLead) + timed);
            break;
        }
    }
}

}  // namespace kvelmor::script
