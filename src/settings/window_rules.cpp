// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/window_rules.h"

namespace kvelmor::settings {

std::vector<FieldEnabled> governedFields(const ConversionSettings& s) {
    std::vector<FieldEnabled> out;
    // Each named by its meaningful name here, and by its field name (the
    // widget's objectName) in what the window is given.
    auto set = [&](std::initializer_list<const char*> names, bool on) {
        for (const char* n : names) out.push_back({findSetting(n)->field, on});
    };

    const bool before = s.isOn("titles.show");
    set({"titles.titleSize", "titles.titlePixelHeight", "titles.otherSize", "titles.otherPixelHeight",
         "titles.endBeforeSinging", "titles.fadeIn", "titles.fadeOut", "titles.y", "titles.timing", "titles.startHour",
         "titles.startMinute", "titles.startSecond", "titles.endHour", "titles.endMinute", "titles.endSecond",
         "titles.spacing", "titles.oneRow"},
        before);

    // The position across only means something for the two fixed lines; a
    // scrolling line starts at the right edge whatever it says.
    const bool top = s.isOn("songInfo.show");
    set({"songInfoFont.size", "songInfoFont.pixelHeight", "songInfo.y", "songInfo.mode", "songInfo.endHour",
         "songInfo.endMinute", "songInfo.endSecond"},
        top);
    set({"songInfo.x"}, top && s.index("songInfo.mode") == 0);

    const int lines = s.index("rows.count");  // 0 is one line
    set({"align.upperLeft", "align.upperCentre", "align.upperRight", "align.lowerLeft", "align.lowerCentre",
         "align.lowerRight"},
        lines >= 1);
    set({"align.middleLeft", "align.middleCentre", "align.middleRight"}, lines >= 2);

    const bool group = s.isOn("display.allAtOnce");
    set({"display.groupGaps"}, group);
    set({"display.gapBefore", "display.gapAfter"}, group && s.isOn("display.groupGaps"));

    set({"fade.inMs"}, s.isOn("fade.in"));
    set({"fade.outMs"}, s.isOn("fade.out"));

    // The wipe panel: the templates, the sample list and the boxes serve only
    // the styles that expand templates; the edge wipe has its own fine
    // adjustment and is the one style that wipes the border colour.
    const Wipe wipe = wipeStyle(s);
    const bool templates = usesCharacterTemplate(wipe);
    set({"wipe.lineTemplate", "wipe.charTemplate", "wipe.sample", "wipe.noPosition", "wipe.freeColour",
         "wipe.freeAlpha"},
        templates);
    set({"wipe.sweep"}, templates && wipe != Wipe::Emphasis);
    set({"wipe.delay"}, wipe == Wipe::Emphasis);
    set({"wipe.outlineClip", "colour.outlineBeforeWipe", "sub1Colour.outlineBeforeWipe",
         "sub2Colour.outlineBeforeWipe"},
        wipe == Wipe::Border);
    return out;
}

std::vector<ChoiceEnabled> governedChoices(const ConversionSettings& s) {
    // The edge wipe colours the border itself, so a marked character's
    // fixed or after-wipe colour has nothing left to replace.
    const bool edge = wipeStyle(s) == Wipe::Border;
    const std::string& list = findSetting("colour.extendedTarget")->field;
    return {{list, 3, !edge}, {list, 4, !edge}};
}

std::string titleRowCaption(const ConversionSettings& s, bool inEnglish) {
    const bool bottom = s.isOn("titles.oneRow");
    if (inEnglish) return bottom ? "Bottom" : "Top";
    return bottom ? "下部" : "上部";
}

void copyColoursToSpareStyle(ConversionSettings& s, int spareStyle) {
    if (spareStyle != 1 && spareStyle != 2) return;
    const std::string spare = spareStyle == 1 ? "sub1Colour." : "sub2Colour.";
    for (const char* c : {"afterWipe", "beforeWipe", "outline", "shadow", "extended", "outlineBeforeWipe"})
        s.setText(spare + c, s.text(std::string("colour.") + c));
    if (s.index("songInfo.coloursFrom") == spareStyle) {
        s.setText("songInfo.colour", s.text("colour.afterWipe"));
        s.setText("songInfo.outlineColour", s.text("colour.outline"));
        s.setText("songInfo.shadowColour", s.text("colour.shadow"));
    }
}

void copyExtendedColours(ConversionSettings& s) {
    for (const char* style : {"colour.", "sub1Colour.", "sub2Colour."})
        s.setText(std::string(style) + "extended", s.text(std::string(style) + "afterWipe"));
}

}  // namespace kvelmor::settings
