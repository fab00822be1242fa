#include "app/session.h"

#include <cstdlib>
#include <filesystem>

#include "lyrics/reader.h"

namespace kvelmor::app {

std::string defaultSettingsPath() {
    namespace fs = std::filesystem;
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".config";
    else base = ".";
    return (base / "Kvelmor" / "Kvelmor.ini").string();
}

std::string fallbackFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    return "/";
}

Session::Session(Reporter& reporter, layout::TextMeasurer& measurer)
    : ini(reporter), m_reporter(reporter), m_measurer(measurer), m_stages(standardStages()) {
    settings.setMeasurer(&measurer);
    settings.storedPresetValue = [this](std::string_view name) { return presets.storedValueOf(name); };
}

settings::PresetLoadHooks Session::presetHooks() { return {}; }

void Session::startUp(const std::string& settingsPath) {
    ini.SetPath(settingsPath);
    ini.SetMode(false);
    ini.Read();
    settings.recomputeAllPixelHeights();
    presets.startUp(settings, presetHooks(), [this] { settings::loadAppState(ini, appState, settings, fallbackFolder()); });
    comboText = settings::kDefaultPreset;
}

bool Session::shutDown() {
    settings::saveAppState(ini, appState, settings);
    presets.saveOnClose(comboText, settings);
    return ini.Save();
}

void Session::runStages(const std::vector<int>& stages) {
    for (int s : stages) {
        if (s < 1 || s > kStageCount) continue;
        if (s == 12 && !settings.isOn("LowerCheck")) continue;
        if (s == 13 && !settings.isOn("LyricsDisp")) continue;
        m_stages[static_cast<size_t>(s)](*this);
    }
}

settings::Change Session::setField(const std::string& name, const std::string& value) {
    settings::Change c = settings.setAsUser(name, value);
    if (c.ok) runStages(c.stages);
    return c;
}

bool Session::loadLyrics(const std::string& path) {
    auto r = lyrics::loadLyricsFile(song, path, settings, m_measurer, m_reporter);
    if (!r.ok) return false;
    appState.textPath = std::filesystem::path(path).parent_path().string();
    runFullRefresh();
    return true;
}

bool Session::selectPreset(const std::string& name) {
    comboText = name;
    presets.select(name, settings, presetHooks());
    runStages({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 12, 13, 16, 17});
    return true;
}

bool Session::savePreset(const std::string& name) {
    comboText = name;
    return presets.save(name, settings, m_reporter);
}

bool Session::deletePreset(const std::string& name) {
    bool ok = presets.remove(name, settings, presetHooks(), m_reporter);
    comboText = presets.currentName();
    return ok;
}

}  // namespace kvelmor::app
