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

ClockTime clock(const ConversionSettings& s, const std::string& prefix) {
    return {s.wholeNumber(prefix + "H"), s.wholeNumber(prefix + "M"), s.wholeNumber(prefix + "S")};
}

// The first selected member of an alignment group, read left, centre, right.
std::optional<Align> selectedAlign(const ConversionSettings& s, const char* first, const char* centre,
                                   const char* right) {
    if (s.isOn(first)) return Align::Left;
    if (s.isOn(centre)) return Align::Centre;
    if (s.isOn(right)) return Align::Right;
    return std::nullopt;
}

// The colour group whose fields start with `prefix` ("", "second", "third");
// the standard group spells two of its names in lower case.
ColourSet colourSet(const ConversionSettings& s, const std::string& prefix, std::string_view mark) {
    if (prefix.empty())
        return {s.colour("PrimaryColor"), s.colour("secondaryColor"), s.colour("TeritaryColor"),
                s.colour("ShadowColor"),  s.colour(mark),             s.colour("teritaryColor2")};
    return {s.colour(prefix + "PrimaryColor"), s.colour(prefix + "SecondaryColor"), s.colour(prefix + "TeritaryColor"),
            s.colour(prefix + "ShadowColor"),  s.colour(mark),                      s.colour(prefix + "TeritaryColor2")};
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
    return {toWholeNumber(c.text(prefix + "H")), toWholeNumber(c.text(prefix + "M")),
            toWholeNumber(c.text(prefix + "S"))};
}

}  // namespace

Wipe wipeStyle(const ConversionSettings& s) { return choice(s.index("wipe"), kWipeCount, Wipe::Karaoke); }

CreditOptions::CreditOptions(const CreditSettings& c) {
    auto whole = [&](std::string_view field) { return toWholeNumber(c.text(field)); };
    const std::string f(kCreditFontField);
    font = {c.text(f), whole(f + ".Bold") != 0, whole(f + ".Italic") != 0, whole(f + ".Underline") != 0,
            whole(f + ".Strikethrough") != 0};
    size = whole("CreditFontSize");
    primary = creditColour(c, "PrimaryColor");
    outline = creditColour(c, "TeritaryColor");
    shadow = creditColour(c, "ShadowColor");
    primaryLevel = whole("PrimaryAlpha");
    outlineLevel = whole("TeritaryAlpha");
    backLevel = whole("BackAplha");
    x = whole("posX");
    y = whole("posY");
    fromRight = whole("xRight") != 0;
    text = c.text("Credit");
    tag = c.text("CreditTag");
    fadeIn = whole("FadeIn");
    fadeOut = whole("FadeOut");
    start = creditClock(c, "titleStart");
    end = creditClock(c, "titleEnd");
    characterSet = whole("Combo1");
}

ConversionOptions::ConversionOptions(const ConversionSettings& s, const CreditSettings& c) : credit(c) {
    frame = {s.wholeNumber("dispWidth"), s.wholeNumber("dispHeight"), s.text("dispWidth")};
    lyricsFont = {s.font("Command2"), fontSize(s, "ssaFontSize", "tagFontPixcel")};
    rubyFont = {s.font(kRubyFontField), fontSize(s, "rubyFontSize", kRubyPixelsField)};
    characterSet = s.index("Combo1");
    styleNumber = s.text("StyleNumber");
    scale = {s.real("mojiScaleX"), s.real("mojiScaleY"), s.text("mojiScaleY") == "1"};

    colours.standard = colourSet(s, "", "Command9");
    colours.second = colourSet(s, "second", "Command11");
    colours.third = colourSet(s, "third", "Command12");
    colours.levels = {s.index("PrimaryAlpha"), s.index("secondaryAlpha"), s.index("TeritaryAlpha"),
                      s.index("backAlpha")};
    // A position outside the list is taken as the first entry.
    colours.markColour = choice(s.index("ExColor"), 5, MarkColour::BeforeWipe);
    colours.original = s.colour("OriginalColor");
    colours.originalLevel = s.index("OriginalColorAlpha");
    colours.hex = s.isOn("ColorHex");

    border.style = s.selectedMember("OptionBorder") == 1 ? BorderStyle::OpaqueBox : BorderStyle::OutlineAndShadow;
    border.outline = s.wholeNumber("outLine");
    border.shadow = s.wholeNumber("shadowDepth");
    border.outlineText = s.text("outLine");
    border.shadowText = s.text("shadowDepth");
    border.outlinePixels = finitePixels(s, "outLine");
    border.shadowPixels = finitePixels(s, "shadowDepth");

    margins = {s.wholeNumber("MarginL"), s.wholeNumber("MarginR"), s.wholeNumber("MarginV"), s.wholeNumber("MarginN")};

    rows.chosen = static_cast<int64_t>(s.index("LineNumber")) + 1;
    rows.top = selectedAlign(s, "Optionalign1", "Optionalign2", "Optionalign3");
    rows.middle = selectedAlign(s, "Optionalign4", "Optionalign5", "Optionalign6");
    rows.bottom = selectedAlign(s, "Optionalign7", "Optionalign8", "Optionalign9");
    rows.singleLine = selectedAlign(s, "Oneline1", "Oneline2", "Oneline3");
    rows.detectSingleLine = s.isOn("oneLineCheck");
    rows.fineCentring = s.isOn("setXpositon");
    rows.bottomAlign = s.isOn("LowerCheck");
    rows.lineBreak = s.isOn("kaigyo");
    rows.narrowSpaces = s.isOn("MojiSize");

    ruby = {s.wholeNumber("rubyUp"), s.wholeNumber("rubyDown"), s.wholeNumber("rubyLeft"), s.real("rubyScale"),
            s.isOn("kintouCheck")};

    timing.leadIn = s.wholeNumber("preTime");
    timing.leadOut = s.wholeNumber("aftTime");
    timing.shift = s.wholeNumber("upTime");
    timing.correction = s.isOn(kTimeCorrectionField);
    timing.display = s.isOn("DisplayType2") ? DisplayType::OneByOne : DisplayType::Grouped;
    timing.groupGaps = s.isOn("spaceTime");
    timing.gapBefore = s.wholeNumber("spaceTimePre");
    timing.gapAfter = s.wholeNumber("spaceTimeAft");
    timing.newLineFirst = s.isOn("LyricsDisp");
    timing.newLineLead = s.wholeNumber("LyricsDispTime");
    timing.fadeIn = {s.isOn("fadeInCheck"), s.wholeNumber("FadeIn")};
    timing.fadeOut = {s.isOn("fadeOutCheck"), s.wholeNumber("FadeOut")};

    wipe = wipeStyle(s);
    templates.line = s.text("commandLine");
    templates.character = s.text("commandChar");
    templates.karaokeWipe = s.isOn("KaraokeWipe");
    templates.noPosition = s.isOn("posNo");
    templates.sample = s.index(kEffectSampleField);
    templates.delay = s.wholeNumber("DelayTime");
    templates.clipWipe = finitePixels(s, "ClipWipe");

    SongInfoOptions& i = songInfo;
    i.top = s.isOn("songInfoCheck");
    i.mode = s.index("InfoMode") == 1 ? SongInfoMode::OneScrollingLine : SongInfoMode::TwoFixedLines;
    i.x = s.wholeNumber("songInfoX");
    i.y = s.wholeNumber("songInfoY");
    i.font = s.font(kSongInfoFontField);
    i.topSize = fontSize(s, "titleFontSize", "titleFontPixcel");
    i.firstTitleSize = fontSize(s, "titleFontSize1", "titleFontPixcel1");
    i.secondTitleSize = fontSize(s, "titleFontSize2", "titleFontPixcel2");
    i.primary = s.colour("titlePrimaryColor");
    i.outline = s.colour("titleTeritaryColor");
    i.shadow = s.colour("titleShadowColor");
    i.primaryLevel = s.index("titlePrimaryAlpha");
    i.outlineLevel = s.index("titleTeritaryAlpha");
    i.backLevel = s.index("titleBackAplha");
    i.beforeSong = s.isOn("songInfoPreCheck");
    i.window = s.index("titleDispType") == 1 ? TitleWindow::BetweenTimes : TitleWindow::UntilSinging;
    i.start = clock(s, "titleStart");
    i.end = clock(s, "titleEnd");
    i.untilSinging = s.wholeNumber("titleEndTime");
    i.titleY = s.wholeNumber("TitleY");
    i.spacer = s.wholeNumber("spacer");
    i.sameColumn = s.isOn("CheckDouRetu");
    i.fadeIn = s.wholeNumber("titleFadeIn");
    i.fadeOut = s.wholeNumber("titleFadeOut");
    i.songEnd = clock(s, "end");

    output = {s.isOn("KraCheck"), s.isOn("unicode"), s.isOn("MediaTimeCheck")};
    creditOn = s.isOn("menuCreditOn");
}

}  // namespace kvelmor::settings
