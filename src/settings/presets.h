// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Style presets: named sections of the settings file, each a complete copy of
// the conversion settings. "default" always exists; "info" and "tag" are
// reserved for the application state and the effect samples.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/reporter.h"
#include "settings/conversion_settings.h"
#include "settings/ini_store.h"

namespace kvelmor::settings {

inline constexpr const char* kDefaultPreset = "default";
inline constexpr const char* kInfoSection = "info";
inline constexpr const char* kTagSection = "tag";

inline constexpr const char* kInfoNameRefused = "「info」の名称は使えません";
inline constexpr const char* kTagNameRefused = "「tag」の名称は使えません";
// A section header is one line between "[" and "]": a name holding a line
// break or a bracket would not read back as that name (or at all).
inline constexpr const char* kPresetNameCharsRefused = "設定名称に改行・「[」・「]」は使えません";

// Why `name` cannot name a preset, as the message the user sees: a section
// the file keeps for other data ("info", "tag"), or characters a section
// name cannot hold. Empty when it can.
std::string refusedPresetName(std::string_view name);
inline constexpr const char* kDefaultNotDeletable = "defaultは削除出来ません";

// One key of a preset section, derived from the schema's rows.
struct PresetKey {
    std::string key;      // the INI key
    std::string setting;  // setting name; the group for OptionIndex; the field prefix for JoinedTime
    PresetForm form;
    std::string defaultValue;    // as stored, used when the key is missing
    std::string followsSetting;  // when set: the default is this setting's value just loaded
};

// The keys in the order a preset is written.
const std::vector<PresetKey>& presetKeys();
// The same keys in the order a preset is applied when loaded.
const std::vector<std::string>& presetLoadOrder();

// What loading a preset asks of the rest of the program.
struct PresetLoadHooks {
    // Selecting an effect sample fills the templates (the preset's own
    // templates are applied after it).
    std::function<void(int sampleIndex)> applySample;
    // Where a stored value that is not taken (out of range, not a number) is
    // reported, with the settings file, section and key; none: not reported.
    Reporter* reporter = nullptr;
};

// The text of one preset key from the settings.
std::string presetValueText(const PresetKey& k, const ConversionSettings& s);

// The fields a stored text of key `k` goes to, each with the text the field
// takes when set as the user would: a flag's "True"/"False" as "1"/"0", the
// 1-based member of a group as its option button with "1", a joined time as
// its hour, minute and second fields; other forms as they are (the field
// checks them). Nothing when a flag, member or time does not convert.
std::optional<std::vector<std::pair<std::string, std::string>>> presetKeyFieldTexts(const PresetKey& k,
                                                                                    std::string_view value);

// Writes all keys into section `name` (in memory; Save writes the file).
// All or nothing: false, with the store unchanged, when a value cannot be
// stored (reported by the store, naming the key).
bool savePresetSettings(IniFile& ini, const std::string& name, ConversionSettings& s);

// Applies section `name` (missing keys and a missing section give the
// defaults). A value that cannot be converted or lies outside its setting's
// range fails only its own setting, which takes its default; it is reported
// through hooks.reporter.
void loadPresetSettings(const IniFile& ini, const std::string& name, ConversionSettings& s,
                        const PresetLoadHooks& hooks = {});

// Every section name except "info" and "tag", in file order.
std::vector<std::string> listPresets(const IniFile& ini);

// The preset box and its commands.
class PresetManager {
public:
    explicit PresetManager(IniFile& ini) : m_ini(ini) {}

    const std::string& currentName() const { return m_current; }
    // Makes `name` current without loading it (undo puts back a state that
    // had it current, its settings with it).
    void setCurrentName(std::string name) { m_current = std::move(name); }
    const std::vector<std::string>& list() const { return m_list; }
    void setList(std::vector<std::string> names) { m_list = std::move(names); }
    bool contains(std::string_view name) const;
    // Whether deleting `name` deletes a stored preset: it is listed and is not "default".
    bool canRemove(std::string_view name) const { return name != kDefaultPreset && contains(name); }

    // Start-up: the list from the store, "default" current, its settings
    // loaded and saved back (in memory) and listed. The application state is loaded by
    // the caller first, through `beforeLoad`.
    void startUp(ConversionSettings& s, const PresetLoadHooks& hooks, const std::function<void()>& beforeLoad);

    // Selecting a listed name makes it current and loads it; other names load nothing.
    bool select(const std::string& name, ConversionSettings& s, const PresetLoadHooks& hooks);

    // Saves the settings as `name` and writes the file. A name
    // refusedPresetName refuses is reported, and nothing is stored or written.
    bool save(const std::string& name, ConversionSettings& s, Reporter& r);

    // Deletes `name` and writes the file, then makes the first listed
    // preset current and loads it. "default" is refused. The settings are
    // kept in the current preset first only when it is not the deleted one,
    // so a deleted preset stays deleted.
    bool remove(const std::string& name, ConversionSettings& s, const PresetLoadHooks& hooks, Reporter& r);

    // Shut-down: the settings go into the preset named `comboText` (the
    // current one when that name is refused), without writing the file.
    void saveOnClose(const std::string& comboText, ConversionSettings& s);

    // The stored text of a setting in the current preset (for the size
    // fields' "restore" rule).
    std::optional<std::string> storedValueOf(std::string_view settingName) const;

private:
    IniFile& m_ini;
    std::string m_current = kDefaultPreset;
    std::vector<std::string> m_list;
};

}  // namespace kvelmor::settings
