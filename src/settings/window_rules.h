// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rules of the main window that are decided by the settings alone: which
// fields take input while others are switched off, the label that follows
// a box, and the colour copying shortcuts. The window asks here and shows
// the answer, so every rule is tested without a screen.

#include <string>
#include <vector>

#include "settings/conversion_options.h"
#include "settings/conversion_settings.h"

namespace kvelmor::settings {

struct FieldEnabled {
    std::string name;  // a setting's field name (the widget's objectName)
    bool enabled = true;
};

// The enabled state of every field whose use depends on another setting:
// the song information before the song (songInfoPreCheck), at the top of
// the screen (songInfoCheck, InfoMode), the alignment rows (LineNumber),
// the group gaps (DisplayType1/2, spaceTime), the fade durations and the
// wipe panel (wipe: templates, samples and their boxes only for the styles
// that expand templates, the delay for the emphasis, the edge adjustment and
// before-wipe border colours for the edge wipe).
// Fields not listed are always enabled. A disabled field keeps its value.
std::vector<FieldEnabled> governedFields(const ConversionSettings& s);

// One entry of a list that can be switched off on its own.
struct ChoiceEnabled {
    std::string name;  // the list's setting
    int index = 0;
    bool enabled = true;
};
// ExColor's "固定色" (3) and "ワイプ後" (4) are switched off for the edge wipe.
std::vector<ChoiceEnabled> governedChoices(const ConversionSettings& s);

// The caption beside TitleY: "下部" while CheckDouRetu is ticked, else "上部"
// ("Bottom" and "Top" in English).
std::string titleRowCaption(const ConversionSettings& s, bool inEnglish = false);

// The standard style's six colours (PrimaryColor, secondaryColor,
// TeritaryColor, ShadowColor, Command9, teritaryColor2) copied into spare
// style 1 (Sub1) or 2 (Sub2); while titleInfo names that spare style, its
// fill, outline and shadow colours go to the song information as well.
// No refresh stage follows.
void copyColoursToSpareStyle(ConversionSettings& s, int spareStyle);

// Command9, Command11 and Command12 take the fill colours of the standard
// style, Sub1 and Sub2. No refresh stage follows.
void copyExtendedColours(ConversionSettings& s);

}  // namespace kvelmor::settings
