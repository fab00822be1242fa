// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application state: the "info" section of the settings file, the same
// whatever preset is selected (last folders, output switches, the credit).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/conversion_settings.h"
#include "settings/credit_settings.h"
#include "settings/ini_store.h"
#include "settings/window_state.h"

namespace kvelmor::settings {

struct AppState {
    std::string textPath;   // folder of the last lyrics file opened
    std::string mediaPath;  // folder of the last media file opened
    CreditSettings credit;
    WindowState window;  // kept after the keys below
};

// One key of the "info" section, in the order it is written: the folders,
// then the schema's rows kept in "info", conversion settings before the credit's.
struct InfoKey {
    std::string key;
    enum class Target { TextPath, MediaPath, Setting, Credit } target;
    std::string field;  // the setting or credit field
    PresetForm form;    // AsTyped, Box, Flag or Decimal
    std::string defaultValue;  // empty for the credit position, which depends on the frame
};
const std::vector<InfoKey>& infoKeys();

// A stored text of key `k` in the form its field holds ("0"/"1" for flags
// and boxes, a whole number for decimals); nothing when it does not convert.
std::optional<std::string> infoValueAsHeld(const InfoKey& k, const std::string& stored);

// A stored folder turned into one that exists now: empty gives `fallback`;
// an existing folder is kept; otherwise the nearest existing parent. "/"
// always exists, so the walk always ends.
std::string ExistingFolder(const std::string& path, const std::string& fallback);

// Reads every "info" key with its default. The credit position defaults come
// from the frame size in force (dispWidth × 8 / 10, dispHeight / 10).
void loadAppState(const IniFile& ini, AppState& state, ConversionSettings& s, const std::string& fallbackFolder);

// Writes every "info" key in order (in memory), then the window's keys.
void saveAppState(IniFile& ini, const AppState& state, const ConversionSettings& s);

}  // namespace kvelmor::settings
