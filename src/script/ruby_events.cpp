// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/ruby_events.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "layout/placement.h"
#include "layout/timing.h"
#include "script/line_output.h"

namespace kvelmor::script {

using lyrics::LyricLine;

namespace {

constexpr int64_t kUpperLayer = 10;
constexpr std::string_view kNoWrap = "{\\q2}";

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

// The reading; one with tags inside it gets, at each of them, the karaoke
// tag of the piece that follows (\k when it switches at once, else \K),
// the first piece's tag being in rubyText2 already.
void appendTimedReading(std::string& out, const lyrics::SlotRuby& r, bool switchesAtOnce) {
    if (r.beats.empty()) {
        out += r.ruby;
        return;
    }
    const std::vector<int32_t> pieces = layout::rubyPieceDurations(r);
    size_t from = 0;
    for (size_t i = 0; i < r.beats.size(); ++i) {
        const size_t at = std::clamp<size_t>(r.beats[i].offset, from, r.ruby.size());
        out.append(r.ruby, from, at - from);
        out += switchesAtOnce ? "{\\k" : "{\\K";
        out += std::to_string(pieces[i + 1]);
        out += '}';
        from = at;
    }
    out.append(r.ruby, from);
}

}  // namespace

void appendRubyEvents(std::string& out, const LyricLine& line, int16_t rubyState,
                      const settings::ConversionOptions& o, const EventTexts& texts) {
    if (rubyState != lyrics::kRubyAssigned) return;
    using settings::Wipe;
    const Wipe mode = o.wipe;
    const bool edge = mode == Wipe::Border;
    const bool withPos = edge || !o.templates.noPosition;  // the border wipe always places its ruby
    const bool spread = edge && o.ruby.spread;
    const bool sweeps = layout::karaokeSweeps(o);
    const double rubyScale = o.ruby.scale;
    const int32_t rubyLeft = o.ruby.left;
    const int64_t lower = line.lineKind;
    const int64_t upper = lower + kUpperLayer;

    // rubySpacing moves rubyX; it works on a copy so the table stays as it is.
    std::optional<LyricLine> spreadLine;
    std::string head;

    for (int k = 1, slots = slotCount(line); k <= slots; ++k) {
        const auto& u = line.unit(k);
        const lyrics::SlotRuby& r = u.rubyFields();
        if (!u.isChar || r.ruby.empty()) continue;

        int32_t rubyX = r.rubyX;
        std::string spacingTag;
        if (spread) {
            if (!spreadLine) spreadLine = line;
            int32_t spacing = layout::rubySpacing(*spreadLine, k);
            rubyX = spreadLine->unit(k).rubyFields().rubyX;
            if (spacing != 0) spacingTag = "{\\fsp" + std::to_string(spacing) + "}";
        }
        head.clear();  // position tag + fade tag + vertical-scale prefix
        if (withPos) appendPosTag(head, rubyPositionX(rubyScale, rubyX, line.posX, rubyLeft), r.rubyY);
        // A reading drawn narrower to keep clear of its neighbours.
        if (r.rubyScaleX != 100) head += "{\\fscx" + std::to_string(r.rubyScaleX) + "}";
        head += texts.fadeTag;
        head += texts.verticalScalePrefix;

        // Centiseconds from the line's display start to the ruby's start, and
        // from the ruby's end to the line's display end; neither is ever
        // negative, whatever the tags. A ruby that does not sweep has neither.
        // The events are written straight into the script.
        const int64_t rubyLead = std::max<int64_t>(0, static_cast<int64_t>(r.rubyStartTime) - line.startTime);
        const int64_t rubyTail = std::max<int64_t>(0, static_cast<int64_t>(line.endTime) - r.rubyEndTime);
        auto event = [&](int64_t layer, std::string_view style, std::optional<int64_t> lead) {
            appendDialogueStart(out, line, layer, style);
            out += kNoWrap;
            if (lead && sweeps) appendKaraokeTag(out, *lead);
            out += head;
            out += line.texts(k).rubyText2;
            if (sweeps) appendTimedReading(out, r, mode == Wipe::PerCharacter);
            else out += r.ruby;
            if (sweeps) appendKaraokeTag(out, rubyTail);
            out += kLineEnd;
        };

        switch (mode) {
        case Wipe::Border:
            appendDialogueStart(out, line, lower, line.rubyStyle);
            out += kNoWrap;
            out += head;
            out += spacingTag;
            out += r.ruby;
            out += kLineEnd;
            // The karaoke layer waits for the ruby's characters, as the
            // line's own clip does.
            event(upper, line.rubyStyle, rubyLead);
            break;
        case Wipe::Emphasis:
            event(lower, line.rubyStyle, rubyLead);
            event(upper, "substyleRuby1", o.templates.delay + rubyLead);
            break;
        case Wipe::NoWipe:
            event(lower, line.rubyStyle, std::nullopt);
            break;
        case Wipe::Karaoke:
        case Wipe::PerCharacter:
        case Wipe::FreeSetting:
        case Wipe::PerCharacterSetting:
        case Wipe::PerWord:
            event(lower, line.rubyStyle, rubyLead);
            break;
        }
    }
}

}  // namespace kvelmor::script
