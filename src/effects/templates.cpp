// SPDX-License-Identifier: GPL-3.0-or-later
#include "effects/templates.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "common/encoding.h"
#include "common/number_text.h"
#include "effects/expression.h"
#include "layout/placement.h"
#include "layout/spans.h"
#include "layout/timing.h"

namespace kvelmor::effects {

using lyrics::LyricLine;
using lyrics::LyricUnit;
using settings::ConversionOptions;
using settings::Wipe;

namespace {

using settings::MarkColour;

// The six colours of the style group a line is written in.
using ColourGroup = settings::ColourSet;

const ColourGroup& colourGroup(const std::string& kanjiStyle, const ConversionOptions& o) {
    if (kanjiStyle == "substyle1") return o.colours.second;
    if (kanjiStyle == "substyle2") return o.colours.third;
    return o.colours.standard;
}

// Reals of the border wipe's clip in plain decimal, the shortest form that
// reads back as the same value ("27", "148.5"); never in exponent form,
// which renderers do not read in override tags.
std::string coordinate(double v) {
    char buf[400];  // the longest fixed form of a finite double fits
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

// The settings one expansion reads, taken once.
struct Context {
    Wipe wipe = Wipe::Karaoke;
    std::string lineTemplate;
    std::string charTemplate;
    bool karaokeWipe = false;
    bool sweeps = false;               // karaoke tags are written at all
    MarkColour markColour = MarkColour::BeforeWipe;
    bool spreadRuby = false;           // readings spread over their characters
    int64_t preTime = 0;               // centiseconds
    int64_t aftTime = 0;               // centiseconds
    double outline = 0;                // pixels
    double shadow = 0;                 // pixels
    double clipWipe = 0;               // pixels, replaces the shadow on the last syllable
    std::string dispWidthText;         // %W
    std::string fontPixelText;         // %F, %f
    std::string outlineText;           // %B
    std::string shadowText;            // %D
    std::string originalColour;        // %C
    std::string originalAlpha;         // %A (character template)
};

Context readContext(const ConversionOptions& o) {
    Context c;
    c.wipe = o.wipe;
    c.lineTemplate = o.templates.line;
    c.charTemplate = o.templates.character;
    c.karaokeWipe = o.templates.karaokeWipe;
    c.sweeps = layout::karaokeSweeps(o);
    c.markColour = o.colours.markColour;
    c.spreadRuby = o.ruby.spread;
    c.preTime = o.timing.leadIn;
    c.aftTime = o.timing.leadOut;
    c.outline = o.border.outlinePixels;
    c.shadow = o.border.shadowPixels;
    c.clipWipe = o.templates.clipWipe;
    c.dispWidthText = o.frame.widthText;
    c.fontPixelText = o.lyricsFont.size.pixelsText;
    c.outlineText = o.border.outlineText;
    c.shadowText = o.border.shadowText;
    c.originalColour = colourText(o.colours.original);
    c.originalAlpha = alphaText(o.colours.originalLevel);
    return c;
}

// Placeholder values by their letter; a letter without a value is not a
// placeholder of the template being filled.
// A template has a dozen or so placeholders and is filled at every syllable
// and character, so they are kept in a short list rather than a table by letter.
class Values {
public:
    void set(char code, std::string value) {
        for (auto& [c, v] : m_entries)
            if (c == code) {
                v = std::move(value);
                return;
            }
        m_entries.emplace_back(code, std::move(value));
    }
    const std::string* find(char code) const {
        for (const auto& [c, v] : m_entries)
            if (c == code) return &v;
        return nullptr;
    }

private:
    std::vector<std::pair<char, std::string>> m_entries;
};

void set(Values& v, char code, std::string value) { v.set(code, std::move(value)); }

// Every "%" + letter with a value is replaced by that value, in one pass: a
// value is never scanned again, so "%" inside a value (a setting's text) can
// never become a placeholder of its own. Unknown codes stay as written.
std::string fill(std::string_view tmpl, const Values& values) {
    std::string out;
    out.reserve(tmpl.size());
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] == '%' && i + 1 < tmpl.size()) {
            if (const std::string* value = values.find(tmpl[i + 1])) {
                out += *value;
                ++i;
                continue;
            }
        }
        out += tmpl[i];
    }
    return out;
}

// Milliseconds of a centisecond count; 64-bit, so no sum of slot durations overflows.
std::string ms(int64_t centiseconds) { return std::to_string(centiseconds * 10); }

// Values shared by the line template and the character template.
void setLineValues(Values& v, const LyricLine& line, const Context& c) {
    set(v, 'X', std::to_string(line.posX));
    set(v, 'Y', std::to_string(line.posY));
    set(v, 'W', c.dispWidthText);
    set(v, 'L', std::to_string(line.lineWidth));
    set(v, 'B', c.outlineText);
    set(v, 'D', c.shadowText);
    set(v, 'C', c.originalColour);
}

// When, from the event's start (centiseconds), the line's singing starts
// (%S) and ends (%E): at its first and its last tag. Every template that
// starts a movement at %S or %E (the lead-in ends, the line has been sung)
// then moves when the line is sung, however long the line was shown before
// (batch display, the song's start) and however long it stays after. A line
// without tags: preTime, and its window less preTime and aftTime.
struct SungTimes {
    int64_t start = 0;
    int64_t end = 0;
};
SungTimes sungTimes(const LyricLine& line, const Context& c) {
    int first = 0, last = 0;
    for (int k = 1, slots = layout::usedSlots(line); k <= slots; ++k)
        if (!line.unit(k).isChar) {
            if (first == 0) first = k;
            last = k;
        }
    if (first == 0)
        return {c.preTime, static_cast<int64_t>(line.endTime) - line.startTime - c.preTime - c.aftTime};
    const int64_t start = std::max<int64_t>(0, int64_t{line.unit(first).time} - line.startTime);
    return {start, std::max<int64_t>(start, int64_t{line.unit(last).time} - line.startTime)};
}

Values lineTemplateValues(const LyricLine& line, const Context& c) {
    Values v;
    setLineValues(v, line, c);
    const SungTimes sung = sungTimes(line, c);
    set(v, 'S', ms(sung.start));
    set(v, 'E', ms(sung.end));
    set(v, 'A', ms(c.aftTime));
    // The lead-out under its syllable-template name too: the built-in
    // "スライドイン/アウト" ends its line template's last movement at
    // [%E+%R], which would otherwise be written as it stands.
    set(v, 'R', ms(c.aftTime));
    set(v, 'H', std::to_string(line.lineHeight));
    set(v, 'F', c.fontPixelText);
    return v;
}

// `sung` is sungTimes of the line, the same for all its syllables.
Values syllableValues(const SungTimes& sung, const Context& c, int64_t start, int64_t duration) {
    Values v;
    set(v, 's', ms(start));
    set(v, 'S', ms(sung.start));
    set(v, 'E', ms(sung.end));
    set(v, 'R', ms(c.aftTime));
    set(v, 'e', ms(start + duration));
    set(v, 't', ms(duration));
    return v;
}

// The colour prefix written where a mark starts (`marked`) or ends.
std::string markPrefix(bool marked, Wipe wipe, MarkColour markColour, const ColourGroup& g) {
    if (wipe == Wipe::Border) {
        // The border wipe's upper event shows the before-wipe fill, the
        // before-wipe border and the shadow; a mark can recolour only those.
        // Fixed and after-wipe colours live in the plain lower event, which
        // carries no tags, so they give no prefix.
        if (markColour == MarkColour::Fixed || markColour == MarkColour::AfterWipe) return {};
        const uint32_t fillColour = marked && markColour == MarkColour::BeforeWipe ? g.mark : g.secondary;
        const uint32_t borderColour = marked && markColour == MarkColour::Border ? g.mark : g.outline2;
        const uint32_t shadowColour = marked && markColour == MarkColour::Shadow ? g.mark : g.shadow;
        return "{\\1c" + colourText(fillColour) + ",\\3c" + colourText(borderColour) + ",\\4c" +
               colourText(shadowColour) + "}";
    }
    switch (markColour) {
    case MarkColour::Border: return "{\\3c" + colourText(marked ? g.mark : g.outline) + "}";
    case MarkColour::Shadow: return "{\\4c" + colourText(marked ? g.mark : g.shadow) + "}";
    // The comma between the two tags is kept as earlier versions wrote it;
    // renderers skip it.
    case MarkColour::Fixed:
        return "{\\1c" + colourText(marked ? g.mark : g.primary) + ",\\2c" +
               colourText(marked ? g.mark : g.secondary) + "}";
    case MarkColour::AfterWipe: return "{\\c" + colourText(marked ? g.mark : g.primary) + "}";
    case MarkColour::BeforeWipe: break;
    }
    return "{\\2c" + colourText(marked ? g.mark : g.secondary) + "}";
}

// Pixels: the width of the character at k and the characters after it up to
// the next tag slot; `lastChar` receives the index of the last of them.
int64_t widthToNextTag(const LyricLine& line, int k, int slots, int& lastChar) {
    int64_t w = 0;
    lastChar = k;
    for (int i = k; i <= slots && line.unit(i).isChar; ++i) {
        w += line.unit(i).width;
        lastChar = i;
    }
    return w;
}

}  // namespace

ScriptSizeEstimate estimateScriptSize(const lyrics::Song& song, const ConversionOptions& o) {
    const Context c = readContext(o);
    // Bytes of an event without its text, and of a slot's own tags and
    // character in every pass: karaoke tag, mark colours, ruby tags.
    constexpr double kPerEvent = 256;
    constexpr double kPerSlot = 96;
    // A placeholder becomes a number (at most 20 characters) or a setting's text.
    size_t longestValue = 20;
    for (const std::string* t : {&c.dispWidthText, &c.fontPixelText, &c.outlineText, &c.shadowText,
                                 &c.originalColour, &c.originalAlpha})
        longestValue = std::max(longestValue, t->size());
    // Bracket groups never come out longer than written, so the filled
    // length bounds the expanded one.
    auto filled = [&](const std::string& tmpl) -> uint64_t {
        return tmpl.size() + static_cast<uint64_t>(std::count(tmpl.begin(), tmpl.end(), '%')) * longestValue;
    };
    auto pieces = [](const std::string& t) -> uint64_t { return static_cast<uint64_t>(std::count(t.begin(), t.end(), ';')) + 1; };
    const uint64_t lineTemplate = usesLineTemplate(c.wipe) ? filled(c.lineTemplate) : 0;
    const uint64_t charTemplate = usesCharacterTemplate(c.wipe) ? filled(c.charTemplate) : 0;
    const uint64_t passes = std::max(usesLineTemplate(c.wipe) ? pieces(c.lineTemplate) : 1,
                                     usesCharacterTemplate(c.wipe) ? pieces(c.charTemplate) : 1);
    // Summed as reals: a template of millions of ";" over every line is far
    // beyond any integer, and only its comparison with a limit counts.
    double linePart = 0, charPart = 0, rest = 0;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const double slots = std::max(song.workLines[i].unitCount, 0);
        // Every pass of a line repeats the line template (per word: every
        // word's event), and each slot's own text; a slot's character
        // template is spread over the passes.
        linePart += double(passes) * double(lineTemplate) * (c.wipe == Wipe::PerWord ? slots : 1);
        rest += double(passes) * (kPerEvent + slots * kPerSlot);
        charPart += slots * double(charTemplate) * (c.wipe == Wipe::PerWord ? 2 : 1);
    }
    ScriptSizeEstimate e;
    const double total = linePart + charPart + rest + 64 * 1024;  // the header and styles
    e.bytes = total >= 1e18 ? uint64_t(1e18) : static_cast<uint64_t>(total);
    if (lineTemplate > 0 || charTemplate > 0) e.setting = charPart >= linePart ? "commandChar" : "commandLine";
    return e;
}

std::string colourText(uint32_t colour) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X&", static_cast<unsigned>(colour));
    return buf;
}

std::string alphaText(int32_t level) {
    // The slider runs from 0 (opaque) to 10 (invisible).
    const int32_t clamped = std::clamp(level, 0, 10);
    return colourText(static_cast<uint32_t>(roundHalfEven(clamped * 255 / 10.0)));
}

namespace {

void expandLine(LyricLine& line, const ConversionOptions& o, const Context& c) {
    const Wipe wipe = c.wipe;
    const ColourGroup& group = colourGroup(line.kanjiStyle, o);
    const int slots = layout::usedSlots(line);

    line.clearTexts();

    // The line template, and where the karaoke text starts.
    line.pieceList.clear();
    line.rawText.clear();
    if (usesLineTemplate(wipe)) {
        line.pieceList = expandBrackets(fill(c.lineTemplate, lineTemplateValues(line, c)));
        // The border wipe's karaoke text is its upper event, which starts with
        // its own colours and clip; a line template there would move or turn
        // only the upper half of the effect.
        if (wipe != Wipe::Border) line.rawText = line.pieceList;
    }

    // Border wipe: the upper event shows the before-wipe colours inside a clip
    // whose left edge moves right syllable by syllable. Coordinates are reals
    // (pixels) because ClipWipe may hold a fraction.
    const double clipTop = static_cast<double>(line.posY) - line.lineHeight - c.outline;
    const double clipRight = static_cast<double>(line.posX) + line.lineWidth + c.outline;
    const double clipBottom = static_cast<double>(line.posY) + c.outline + c.shadow;
    const std::string clipTail = "," + coordinate(clipTop) + "," + coordinate(clipRight) + "," + coordinate(clipBottom);
    if (wipe == Wipe::Border) {
        line.rawText += "{\\1c" + colourText(group.secondary) + "}{\\3c" + colourText(group.outline2) + "}";
        line.rawText += "{\\clip(" + coordinate(static_cast<double>(line.posX) - c.outline) + clipTail + ")}";
    }

    // %N counts the characters; the last one decides the border wipe's last syllable.
    int characters = 0;
    int lastCharSlot = 0;
    for (int k = 1; k <= slots; ++k)
        if (line.unit(k).isChar) {
            ++characters;
            lastCharSlot = k;
        }

    // The walk. t0 is the syllable start in centiseconds from the event
    // start; the running X is the left edge of the next character. The four
    // working texts are handed to the next character and emptied there.
    int64_t t0 = static_cast<int64_t>(line.preTimeUsed) + line.advanceTime;
    int64_t runningX = line.posX;
    int charNumber = 1;
    bool previousMarked = false;
    bool afterTag = false;
    std::string templateText, colourPrefix, carriedTags, transformPrefix, sweep;
    // When the line's singing starts and ends: every syllable's %S and %E.
    const SungTimes sung = sungTimes(line, c);

    Values charValues;
    setLineValues(charValues, line, c);
    set(charValues, 'y', std::to_string(line.posY));
    set(charValues, 'h', std::to_string(line.lineHeight));
    set(charValues, 'f', c.fontPixelText);
    set(charValues, 'A', c.originalAlpha);
    set(charValues, 'N', std::to_string(characters));

    for (int k = 1; k <= slots; ++k) {
        LyricUnit& u = line.unit(k);
        if (!u.isChar) {
            // A tag opens a syllable, except the closing tag of the line.
            if (k == slots) continue;
            afterTag = true;
            const int64_t d = u.duration;
            sweep.assign("{\\K").append(std::to_string(d)).append("}");
            switch (wipe) {
            case Wipe::Karaoke:
                line.rawText += sweep;
                carriedTags += sweep;
                break;
            case Wipe::PerCharacter: {
                const std::string tag = "{\\k" + std::to_string(d) + "}";
                line.rawText += tag;
                carriedTags += tag;
                break;
            }
            case Wipe::Border:
                transformPrefix = "\\t(" + ms(t0) + "," + ms(t0 + d) + ",";
                t0 += d;
                break;
            case Wipe::PerCharacterSetting:
                // Every syllable is an event of its own, so its tags carry the
                // wait from the event start as well.
                if (c.karaokeWipe) {
                    line.rawText += sweep;
                    // A line shown only after its syllable began waits no time.
                    carriedTags = "{\\K" + std::to_string(std::max<int64_t>(0, t0)) + "}" + sweep;
                }
                templateText = fill(c.charTemplate, syllableValues(sung, c, t0, d));
                t0 += d;
                break;
            case Wipe::FreeSetting:
            case Wipe::Emphasis:
            case Wipe::PerWord:
                if (c.karaokeWipe) {
                    line.rawText += sweep;
                    carriedTags += sweep;
                }
                templateText = fill(c.charTemplate, syllableValues(sung, c, t0, d));
                t0 += d;
                break;
            case Wipe::NoWipe: break;
            }
            continue;
        }

        // A character: the template (only after a tag is it non-empty), the
        // colour prefix where a mark starts or ends, the carried tags.
        if (u.cellMark != previousMarked) {
            colourPrefix = markPrefix(u.cellMark, wipe, c.markColour, group);
            previousMarked = u.cellMark;
        }
        int lastOfSyllable = k;
        const int64_t syllableWidth = widthToNextTag(line, k, slots, lastOfSyllable);
        // Only the first character of a syllable has a template to fill.
        if (usesCharacterTemplate(wipe) && !templateText.empty()) {
            set(charValues, 'x', std::to_string(runningX));
            set(charValues, 'w', std::to_string(syllableWidth));
            set(charValues, 'n', std::to_string(charNumber));
            templateText = fill(templateText, charValues);
        }
        if (templateText.find('[') != std::string::npos) templateText = expandBrackets(templateText);

        // Border wipe: at the first character of each syllable the clip's left
        // edge moves, during the syllable, to the end of the syllable less the
        // border plus the shadow. The line's last syllable uses ClipWipe in
        // place of the shadow, a correction for a last character that is not
        // fully uncovered. Characters before the first tag have no syllable time.
        if (wipe == Wipe::Border && afterTag) {
            const double shift = lastOfSyllable >= lastCharSlot ? c.clipWipe : c.shadow;
            const double x = static_cast<double>(runningX + syllableWidth) - c.outline + shift;
            line.rawText += "{" + transformPrefix + "\\clip(" + coordinate(x) + clipTail + "))}";
        }

        line.rawText += colourPrefix;
        line.rawText += templateText;
        line.rawText += u.text;
        line.setPostText(k, carriedTags, colourPrefix);
        line.setPreText(k, transformPrefix, templateText);
        templateText.clear();
        colourPrefix.clear();
        carriedTags.clear();
        transformPrefix.clear();
        afterTag = false;
        runningX += u.width;
        ++charNumber;
    }

    // The ruby's karaoke text. A ruby over marked characters takes the mark
    // colour too, whichever of the marked characters it starts at.
    for (int k = 1; k <= slots; ++k) {
        LyricUnit& u = line.unit(k);
        const lyrics::SlotRuby& r = u.rubyFields();
        if (!u.isChar || r.ruby.empty()) continue;
        std::string text = u.cellMark ? markPrefix(true, wipe, c.markColour, group) : std::string();
        if (c.spreadRuby) {
            const int32_t spacing = layout::rubySpacing(line, k);
            if (spacing != 0) text += "{\\fsp" + std::to_string(spacing) + "}";
        }
        // The ruby changes colour as its characters do: switched at once in
        // the per-character style, swept in the others, not at all without
        // a wipe.
        // A reading with tags inside it sweeps piece by piece: this is its
        // first piece, the writer puts the others' tags into the reading.
        if (c.sweeps)
            text += (wipe == Wipe::PerCharacter ? "{\\k" : "{\\K") +
                    std::to_string(r.beats.empty() ? r.rubyDuration : layout::rubyPieceDurations(r).front()) + "}";
        line.setRubyText2(k, text);
    }
}

}  // namespace

void expandLineTemplates(LyricLine& line, const ConversionOptions& o) { expandLine(line, o, readContext(o)); }

void expandTemplates(lyrics::Song& song, const ConversionOptions& o) { expandTemplates(song, o, {}); }

void expandTemplates(lyrics::Song& song, const ConversionOptions& o, const std::function<void(int)>& afterLine) {
    expandTemplates(song, o, {}, afterLine);
}

void expandTemplates(lyrics::Song& song, const ConversionOptions& o, const std::function<bool(int)>& wanted,
                     const std::function<void(int)>& afterLine) {
    const Context c = readContext(o);
    for (int i = 1; i <= song.workLines.count(); ++i) {
        if (wanted && !wanted(i)) continue;
        expandLine(song.workLines.line(i), o, c);
        if (afterLine) afterLine(i);
    }
}

}  // namespace kvelmor::effects
