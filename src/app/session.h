#pragma once
// The program-wide state that the command line and the window both drive:
// the settings, the settings file, the presets, the application state and
// the open song, with the operations a user performs on them.

#include <string>
#include <vector>

#include "app/refresh.h"
#include "common/reporter.h"
#include "effects/samples.h"
#include "lyrics/lyrics_table.h"
#include "script/script_header.h"
#include "settings/app_state.h"
#include "settings/conversion_settings.h"
#include "settings/ini_store.h"
#include "settings/presets.h"

namespace kvelmor::measure {
class TextMeasurer;
}

namespace kvelmor::app {

// $XDG_CONFIG_HOME/Kvelmor/Kvelmor.ini, or ~/.config/Kvelmor/Kvelmor.ini.
std::string defaultSettingsPath();
// The folder that stands in for the program's own folder where a stored folder is gone: the home folder.
std::string fallbackFolder();

class Session {
public:
    Session(Reporter& reporter, measure::TextMeasurer& measurer);

    Reporter& reporter() { return *m_reporter; }
    // Sends the session's messages (the settings file's included) to `r`
    // from now on; returns the reporter used until now, to be put back.
    Reporter& swapReporter(Reporter& r);
    measure::TextMeasurer& measurer() { return m_measurer; }

    // Start-up: read the settings file (missing is a first start), fill the
    // preset list and the effect samples, load the application state and
    // the "default" preset, and keep it as "default" in memory.
    void startUp(const std::string& settingsPath);
    // Shut-down: the effect template into its sample, the application state,
    // the settings into the preset named by `comboText`, the samples, then
    // the file is saved. Returns whether the save succeeded.
    bool shutDown();

    // Runs the listed stages in order; 12 and 13 only while their boxes are ticked.
    void runStages(const std::vector<int>& stages);
    void runFullRefresh() { runStages(fullRefresh()); }
    // Replaces the stage functions (tests observe the order with it).
    void setStageTable(StageTable table) { m_stages = std::move(table); }

    // A field set as the user would set it, followed by its stages.
    settings::Change setField(const std::string& name, const std::string& value);

    // Loads a lyrics file and runs the full refresh. False (and nothing
    // changed) when the file could not be read.
    bool loadLyrics(const std::string& path);
    // The same without the refresh.
    bool readLyrics(const std::string& path);

    // The preset commands; selecting runs the refresh a selection runs.
    bool selectPreset(const std::string& name);
    bool savePreset(const std::string& name);
    bool deletePreset(const std::string& name);

    settings::PresetLoadHooks presetHooks();

    // The preset box's text typed by the user. While the song has no title
    // of its own, the text becomes its title, which the script then shows
    // like a title read from the file; a title the file gave stays.
    void typeComboText(const std::string& text);

    // The write command: new line priority again when it is on, the effect
    // templates expanded, then the script to `outPath` (empty: beside the
    // lyrics file). Returns whether the script was written.
    // Neither write happens for a song without timed lines (reported), so an
    // empty or damaged lyrics file never replaces a script or tag file.
    bool writeScript(const std::string& outPath = {});
    // The tag file of the laid-out song to `outPath` (empty: beside the lyrics file).
    bool writeKra(const std::string& outPath = {});
    // Where writeScript puts the script when no path is given.
    std::string defaultScriptPath() const;

    settings::ConversionSettings settings;
    settings::Cls_Ini ini;
    settings::PresetManager presets{ini};
    settings::AppState appState;
    lyrics::Song song;
    effects::EffectSamples samples;
    script::ScriptHeader header;  // kept up to date by stages 4 and 5
    std::string comboText = settings::kDefaultPreset;  // the text of the preset box

private:
    bool hasLinesToWrite(const std::string& path);

    Reporter* m_reporter;
    measure::TextMeasurer& m_measurer;
    std::string m_titleFromBox;  // the title last taken from the preset box
    StageTable m_stages;
};

}  // namespace kvelmor::app
