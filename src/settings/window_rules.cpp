#include "settings/window_rules.h"

namespace kvelmor::settings {

std::vector<FieldEnabled> governedFields(const ConversionSettings& s) {
    std::vector<FieldEnabled> out;
    auto set = [&](std::initializer_list<const char*> names, bool on) {
        for (const char* n : names) out.push_back({n, on});
    };

    const bool before = s.isOn("songInfoPreCheck");
    set({"titleFontSize1", "titleFontPixcel1", "titleFontSize2", "titleFontPixcel2", "titleEndTime", "titleFadeIn",
         "titleFadeOut", "TitleY", "titleDispType", "titleStartH", "titleStartM", "titleStartS", "titleEndH",
         "titleEndM", "titleEndS", "spacer", "CheckDouRetu"},
        before);

    // The position across only means something for the two fixed lines; a
    // scrolling line starts at the right edge whatever it says.
    const bool top = s.isOn("songInfoCheck");
    set({"titleFontSize", "titleFontPixcel", "songInfoY", "InfoMode", "endH", "endM", "endS"}, top);
    set({"songInfoX"}, top && s.index("InfoMode") == 0);

    const int lines = s.index("LineNumber");  // 0 is one line
    set({"Optionalign1", "Optionalign2", "Optionalign3", "Optionalign7", "Optionalign8", "Optionalign9"}, lines >= 1);
    set({"Optionalign4", "Optionalign5", "Optionalign6"}, lines >= 2);

    const bool group = s.isOn("DisplayType1");
    set({"spaceTime"}, group);
    set({"spaceTimePre", "spaceTimeAft"}, group && s.isOn("spaceTime"));

    set({"FadeIn"}, s.isOn("fadeInCheck"));
    set({"FadeOut"}, s.isOn("fadeOutCheck"));

    // The wipe panel: the templates, the sample list and the boxes serve only
    // the styles that expand templates; the edge wipe has its own fine
    // adjustment and is the one style that wipes the border colour.
    const Wipe wipe = wipeStyle(s);
    const bool templates = usesCharacterTemplate(wipe);
    set({"commandLine", "commandChar", "TagSample", "posNo", "OriginalColor", "OriginalColorAlpha"}, templates);
    set({"KaraokeWipe"}, templates && wipe != Wipe::Emphasis);
    set({"DelayTime"}, wipe == Wipe::Emphasis);
    set({"ClipWipe", "teritaryColor2", "secondTeritaryColor2", "thirdTeritaryColor2"}, wipe == Wipe::Border);
    return out;
}

std::vector<ChoiceEnabled> governedChoices(const ConversionSettings& s) {
    // The edge wipe colours the border itself, so a marked character's
    // fixed or after-wipe colour has nothing left to replace.
    const bool edge = wipeStyle(s) == Wipe::Border;
    return {{"ExColor", 3, !edge}, {"ExColor", 4, !edge}};
}

std::string titleRowCaption(const ConversionSettings& s) { return s.isOn("CheckDouRetu") ? "下部" : "上部"; }

void copyColoursToSpareStyle(ConversionSettings& s, int spareStyle) {
    if (spareStyle != 1 && spareStyle != 2) return;
    const std::string p = spareStyle == 1 ? "second" : "third";
    const std::pair<const char*, std::string> pairs[] = {
        {"PrimaryColor", p + "PrimaryColor"},
        {"secondaryColor", p + "SecondaryColor"},
        {"TeritaryColor", p + "TeritaryColor"},
        {"ShadowColor", p + "ShadowColor"},
        {"Command9", spareStyle == 1 ? "Command11" : "Command12"},
        {"teritaryColor2", p + "TeritaryColor2"},
    };
    for (const auto& [from, to] : pairs) s.setText(to, s.text(from));
    if (s.index("titleInfo") == spareStyle)
        for (const char* c : {"PrimaryColor", "TeritaryColor", "ShadowColor"})
            s.setText(std::string("title") + c, s.text(c));
}

void copyExtendedColours(ConversionSettings& s) {
    s.setText("Command9", s.text("PrimaryColor"));
    s.setText("Command11", s.text("secondPrimaryColor"));
    s.setText("Command12", s.text("thirdPrimaryColor"));
}

}  // namespace kvelmor::settings
