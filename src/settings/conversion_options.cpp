// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/conversion_options.h"

#include <cmath>

#include "common/number_text.h"

namespace kvelmor::settings {

namespace {

// A real typed into a pixel field; a text that reads as infinite counts as 0.
double finitePixels(const ConversionSettings& s, std::string_view name) {
    const double v = s.real(name);
    return std::isfinite(v) ? v : 0.0;
}

FontSize fontSize(const ConversionSettings& s, std::string_view sizeName, std::string_view pixelName) {
    return {s.wholeNumber(sizeName), s.wholeNumber(pixelName), s.text(pixelName)};
}

// A clock time kept in three fields: `prefix` + Hour, Minute and Second.
ClockTime clock(const ConversionSettings& s, const std::string& prefix) {
    return {s.wholeNumber(prefix + "Hour"), s.wholeNumber(prefix + "Minute"), s.wholeNumber(prefix + "Second")};
}

// The first selected member of an alignment group, read left, centre, right.
std::optional<Align> selectedAlign(const ConversionSettings& s, const char* first, const char* centre,
                                   const char* right) {
    if (s.isOn(first)) return Align::Left;
    if (s.isOn(centre)) return Align::Centre;
    if (s.isOn(right)) return Align::Right;
    return std::nullopt;
}

// The colours of one style ("colour", "sub1Colour", "sub2Colour").
ColourSet colourSet(const ConversionSettings& s, const std::string& style) {
    return {s.colour(style + ".afterWipe"), s.colour(style + ".beforeWipe"), s.colour(style + ".outline"),
            s.colour(style + ".shadow"),    s.colour(style + ".extended"),   s.colour(style + ".outlineBeforeWipe")};
}

template <typename E>
E choice(int32_t index, int32_t count, E outside) {
    return index >= 0 && index < count ? static_cast<E>(index) : outside;
}

// A credit colour: 0x00BBGGRR, any other value 0.
uint32_t creditColour(const CreditSettings& c, std::string_view field) {
    auto v = parseNumber(c.text(field));
    if (!v || *v < 0 || *v > 0xFFFFFF) return 0;
    return static_cast<uint32_t>(*v);
}

ClockTime creditClock(const CreditSettings& c, const std::string& prefix) {
    return {toWholeNumber(c.text(prefix + "Hour")), toWholeNumber(c.text(prefix + "Minute")),
            toWholeNumber(c.text(prefix + "Second"))};
}

}  // namespace

Wipe wipeStyle(const ConversionSettings& s) { return choice(s.index("wipe.style"), kWipeCount, Wipe::Karaoke); }

CreditOptions::CreditOptions(const CreditSettings& c) {
    auto whole = [&](std::string_view field) { return toWholeNumber(c.text(field)); };
    font = {c.text("credit.font.face"), whole("credit.font.bold") != 0, whole("credit.font.italic") != 0,
            whole("credit.font.underline") != 0, whole("credit.font.strikethrough") != 0};
    size = whole("credit.fontSize");
    primary = creditColour(c, "credit.colour");
    outline = creditColour(c, "credit.outlineColour");
    shadow = creditColour(c, "credit.shadowColour");
    primaryLevel = whole("credit.alpha");
    outlineLevel = whole("credit.outlineAlpha");
    backLevel = whole("credit.shadowAlpha");
    x = whole("credit.posX");
    y = whole("credit.posY");
    fromRight = whole("credit.fromRight") != 0;
    text = c.text("credit.text");
    tag = c.text("credit.tag");
    fadeIn = whole("credit.fadeIn");
    fadeOut = whole("credit.fadeOut");
    start = creditClock(c, "credit.start");
    end = creditClock(c, "credit.end");
    characterSet = whole("credit.charset");
}

ConversionOptions::ConversionOptions(const ConversionSettings& s, const CreditSettings& c) : credit(c) {
    frame = {s.wholeNumber("frame.width"), s.wholeNumber("frame.height"), s.text("frame.width")};
    lyricsFont = {s.font("lyricsFont.face"), fontSize(s, "lyricsFont.size", "lyricsFont.pixelHeight")};
    rubyFont = {s.font("rubyFont.face"), fontSize(s, "rubyFont.size", "rubyFont.pixelHeight")};
    characterSet = s.index("style.charset");
    styleNumber = s.text("style.number");
    scale = {s.real("scale.x"), s.real("scale.y"), s.text("scale.y") == "1"};

    colours.standard = colourSet(s, "colour");
    colours.second = colourSet(s, "sub1Colour");
    colours.third = colourSet(s, "sub2Colour");
    colours.levels = {s.index("alpha.afterWipe"), s.index("alpha.beforeWipe"), s.index("alpha.outline"),
                      s.index("alpha.shadow")};
    // A position outside the list is taken as the first entry.
    colours.markColour = choice(s.index("colour.extendedTarget"), 5, MarkColour::BeforeWipe);
    colours.original = s.colour("wipe.freeColour");
    colours.originalLevel = s.index("wipe.freeAlpha");
    colours.hex = s.isOn("output.hexColours");

    border.style = s.isOn("border.boxed") ? BorderStyle::OpaqueBox : BorderStyle::OutlineAndShadow;
    border.outline = s.wholeNumber("border.outline");
    border.shadow = s.wholeNumber("border.shadow");
    border.outlineText = s.text("border.outline");
    border.shadowText = s.text("border.shadow");
    border.outlinePixels = finitePixels(s, "border.outline");
    border.shadowPixels = finitePixels(s, "border.shadow");

    margins = {s.wholeNumber("margin.left"), s.wholeNumber("margin.right"), s.wholeNumber("margin.bottom"), s.wholeNumber("margin.rowGap")};

    rows.chosen = static_cast<int64_t>(s.index("rows.count")) + 1;
    rows.top = selectedAlign(s, "align.upperLeft", "align.upperCentre", "align.upperRight");
    rows.middle = selectedAlign(s, "align.middleLeft", "align.middleCentre", "align.middleRight");
    rows.bottom = selectedAlign(s, "align.lowerLeft", "align.lowerCentre", "align.lowerRight");
    rows.singleLine = selectedAlign(s, "align.aloneLeft", "align.aloneCentre", "align.aloneRight");
    rows.detectSingleLine = s.isOn("align.detectAlone");
    rows.fineCentring = s.isOn("align.fineCentring");
    rows.bottomAlign = s.isOn("rows.bottomAligned");
    rows.lineBreak = s.isOn("rows.autoBreak");
    rows.narrowSpaces = s.isOn("text.halfWidthSpaces");

    ruby = {s.wholeNumber("ruby.gapAbove"), s.wholeNumber("ruby.gapBelow"), s.wholeNumber("ruby.offsetX"), s.real("ruby.positionScale"),
            s.isOn("ruby.spread")};

    timing.leadIn = s.wholeNumber("timing.leadIn");
    timing.leadOut = s.wholeNumber("timing.leadOut");
    timing.shift = s.wholeNumber("timing.shift");
    timing.correction = s.isOn(kTimeCorrectionField);
    timing.display = s.isOn("display.oneByOne") ? DisplayType::OneByOne : DisplayType::Grouped;
    timing.groupGaps = s.isOn("display.groupGaps");
    timing.gapBefore = s.wholeNumber("display.gapBefore");
    timing.gapAfter = s.wholeNumber("display.gapAfter");
    timing.newLineFirst = s.isOn("display.newLineFirst");
    timing.newLineLead = s.wholeNumber("display.newLineGap");
    timing.fadeIn = {s.isOn("fade.in"), s.wholeNumber("fade.inMs")};
    timing.fadeOut = {s.isOn("fade.out"), s.wholeNumber("fade.outMs")};

    wipe = wipeStyle(s);
    templates.line = s.text("wipe.lineTemplate");
    templates.character = s.text("wipe.charTemplate");
    templates.karaokeWipe = s.isOn("wipe.sweep");
    templates.noPosition = s.isOn("wipe.noPosition");
    templates.sample = s.index(kEffectSampleField);
    templates.delay = s.wholeNumber("wipe.delay");
    templates.clipWipe = finitePixels(s, "wipe.outlineClip");

    SongInfoOptions& i = songInfo;
    i.top = s.isOn("songInfo.show");
    i.mode = s.index("songInfo.mode") == 1 ? SongInfoMode::OneScrollingLine : SongInfoMode::TwoFixedLines;
    i.x = s.wholeNumber("songInfo.x");
    i.y = s.wholeNumber("songInfo.y");
    i.font = s.font("songInfoFont.face");
    i.topSize = fontSize(s, "songInfoFont.size", "songInfoFont.pixelHeight");
    i.firstTitleSize = fontSize(s, "titles.titleSize", "titles.titlePixelHeight");
    i.secondTitleSize = fontSize(s, "titles.otherSize", "titles.otherPixelHeight");
    i.primary = s.colour("songInfo.colour");
    i.outline = s.colour("songInfo.outlineColour");
    i.shadow = s.colour("songInfo.shadowColour");
    i.primaryLevel = s.index("songInfo.alpha");
    i.outlineLevel = s.index("songInfo.outlineAlpha");
    i.backLevel = s.index("songInfo.shadowAlpha");
    i.beforeSong = s.isOn("titles.show");
    i.window = s.index("titles.timing") == 1 ? TitleWindow::BetweenTimes : TitleWindow::UntilSinging;
    i.start = clock(s, "titles.start");
    i.end = clock(s, "titles.end");
    i.untilSinging = s.wholeNumber("titles.endBeforeSinging");
    i.titleY = s.wholeNumber("titles.y");
    i.spacer = s.wholeNumber("titles.spacing");
    i.sameColumn = s.isOn("titles.oneRow");
    i.fadeIn = s.wholeNumber("titles.fadeIn");
    i.fadeOut = s.wholeNumber("titles.fadeOut");
    i.songEnd = clock(s, "songInfo.end");

    output = {s.isOn("output.kra"), s.isOn("output.unicode"), s.isOn("output.mediaTimes")};
    creditOn = s.isOn("output.credit");
}

}  // namespace kvelmor::settings
