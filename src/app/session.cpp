#include "app/session.h"

#include <cstdlib>
#include <filesystem>

#include "effects/templates.h"
#include "layout/timing.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "script/script_writer.h"

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

Session::Session(Reporter& reporter, measure::TextMeasurer& measurer)
    : ini(reporter), m_reporter(&reporter), m_measurer(measurer), m_stages(standardStages()) {
    settings.setMeasurer(&measurer);
    settings.storedPresetValue = [this](std::string_view name) { return presets.storedValueOf(name); };
}

Reporter& Session::swapReporter(Reporter& r) {
    Reporter& previous = *m_reporter;
    m_reporter = &r;
    ini.setReporter(r);
    return previous;
}

settings::PresetLoadHooks Session::presetHooks() {
    return {[this](int index) { samples.ApplySample(index, settings); }};
}

void Session::startUp(const std::string& settingsPath) {
    ini.SetPath(settingsPath);
    ini.SetMode(false);
    if (ini.Read() && ini.unendedLastLine() > 0)
        m_reporter->warning("the settings file ends inside a line, so it may be cut off; that line is read as it "
                           "stands",
                           settingsPath, ini.unendedLastLine());
    samples.LoadSamples(ini);
    settings.recomputeAllPixelHeights();
    presets.startUp(settings, presetHooks(), [this] { settings::loadAppState(ini, appState, settings, fallbackFolder()); });
    comboText = settings::kDefaultPreset;
}

bool Session::shutDown() {
    settings::saveAppState(ini, appState, settings);
    presets.saveOnClose(comboText, settings);
    samples.SaveSamples(ini);
    return ini.Save();
}

std::string Session::defaultScriptPath() const { return script::scriptPathFor(song.lyricsPath); }

bool Session::writeScript(const std::string& outPath) {
    if (settings.isOn("LyricsDisp")) layout::applyNewLinePriority(song, settings);
    std::string path = outPath.empty() ? defaultScriptPath() : outPath;
    if (path.empty() || !hasLinesToWrite(path)) {
        // The templates are still expanded, as a write expands them whatever becomes of the file.
        effects::ExpandTemplates(song, settings);
        if (path.empty()) m_reporter->error("no lyrics file is loaded, so there is nothing to write");
        return false;
    }
    // Each line is written as soon as its templates are expanded, while its
    // slots are still in the cache; the text is what scriptText gives.
    std::string text = script::scriptHead(song, settings, header, appState.credit, script::readSongInfoLabels(ini),
                                          m_measurer);
    const script::EventTexts texts = script::eventTexts(settings);
    effects::ExpandTemplates(song, settings, [&](int i) { script::appendLineEvents(text, song, i, settings, texts); });
    return script::writeScriptFile(path, text, settings.isOn("unicode"), *m_reporter);
}

bool Session::writeKra(const std::string& outPath) {
    if (outPath.empty()) {
        if (song.lyricsPath.empty()) return false;
        if (!hasLinesToWrite(lyrics::kraPathFor(song.lyricsPath))) return false;
        return lyrics::writeKraFile(song, *m_reporter).written;
    }
    if (!hasLinesToWrite(outPath)) return false;
    return lyrics::writeKraFile(song, outPath, *m_reporter).written;
}

// A song without lines (an empty, cut or binary lyrics file) is not written:
// it would replace a script or tag file already there with one that holds
// no lyrics.
bool Session::hasLinesToWrite(const std::string& path) {
    if (song.lineCount() > 0) return true;
    m_reporter->error("the song has no timed lines, so nothing was written to " + path, song.lyricsPath);
    return false;
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

bool Session::readLyrics(const std::string& path) {
    auto r = lyrics::loadLyricsFile(song, path, settings, m_measurer, *m_reporter);
    if (!r.ok) return false;
    appState.textPath = std::filesystem::absolute(path).parent_path().string();
    return true;
}

bool Session::loadLyrics(const std::string& path) {
    if (!readLyrics(path)) return false;
    runFullRefresh();
    return true;
}

namespace {
// What a newly loaded preset runs: the full refresh with the placement of
// bottom alignment and new line priority after the ruby.
const std::vector<int> kPresetStages{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 12, 13, 16, 17};
}  // namespace

bool Session::selectPreset(const std::string& name) {
    comboText = name;
    presets.select(name, settings, presetHooks());
    runStages(kPresetStages);
    return true;
}

bool Session::savePreset(const std::string& name) {
    comboText = name;
    return presets.save(name, settings, *m_reporter);
}

void Session::typeComboText(const std::string& text) {
    comboText = text;
    // Each keystroke changes the text, so a title taken from the box keeps
    // following it; a title read from the song file is never replaced.
    std::string& title = song.songInfo.title;
    if (title.empty() || (!m_titleFromBox.empty() && title == m_titleFromBox)) {
        title = text;
        m_titleFromBox = text;
    }
}

bool Session::deletePreset(const std::string& name) {
    bool ok = presets.remove(name, settings, presetHooks(), *m_reporter);
    comboText = presets.currentName();
    // The preset now current was loaded, so the song is laid out with it.
    if (ok) runStages(kPresetStages);
    return ok;
}

}  // namespace kvelmor::app
