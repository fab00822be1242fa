#pragma once
// Rules of the main window that are decided by the settings alone: which
// fields take input while others are switched off, the label that follows
// a box, and the colour copying shortcuts. The window asks here and shows
// the answer, so every rule is tested without a screen.

#include <string>
#include <vector>

#include "settings/conversion_settings.h"

namespace kvelmor::settings {

struct FieldEnabled {
    std::string name;  // a setting's name
    bool enabled = true;
};

// The enabled state of every field whose use depends on another setting:
// the song information before the song (songInfoPreCheck), at the top of
// the screen (songInfoCheck, InfoMode), the alignment rows (LineNumber),
// the group gaps (DisplayType1/2, spaceTime) and the fade durations.
// Fields not listed are always enabled. A disabled field keeps its value.
std::vector<FieldEnabled> governedFields(const ConversionSettings& s);

// The caption beside TitleY: "下部" while CheckDouRetu is ticked, else "上部".
std::string titleRowCaption(const ConversionSettings& s);

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
