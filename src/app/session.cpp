// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "common/encoding.h"
#include "common/file_io.h"
#include "effects/templates.h"
#include "layout/timing.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "script/credit_events.h"
#include "script/script_writer.h"

namespace kvelmor::app {

namespace {

bool isSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// The user's home folder from the user database, for a process started
// without HOME (cron, some service managers).
std::string homeFromUserDatabase() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return {};
}

}  // namespace

std::string defaultSettingsPath() {
    namespace fs = std::filesystem;
    fs::path base;
    if (isSet("XDG_CONFIG_HOME")) base = std::getenv("XDG_CONFIG_HOME");
    else if (isSet("HOME")) base = fs::path(std::getenv("HOME")) / ".config";
    else if (std::string home = homeFromUserDatabase(); !home.empty()) base = fs::path(home) / ".config";
    else {
        std::error_code ec;
        base = fs::current_path(ec);
    }
    return (base / "Kvelmor" / "Kvelmor.ini").string();
}

std::string settingsPathNote() {
    if (isSet("XDG_CONFIG_HOME") || isSet("HOME")) return {};
    return "neither XDG_CONFIG_HOME nor HOME is set, so the settings are kept in " + defaultSettingsPath() +
           " (choose another file with --settings)";
}

std::string fallbackFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    return "/";
}

Session::Session(Reporter& reporter, measure::TextMeasurer& measurer)
    : ini(reporter), m_reporter(&reporter), m_measurer(measurer), m_stages(standardStages()) {
    bindSettings();
}

Session::Session(const Session& other, Reporter& reporter, measure::TextMeasurer& measurer)
    : settings(other.settings),
      ini(other.ini),
      appState(other.appState),
      song(other.song),
      samples(other.samples),
      header(other.header),
      comboText(other.comboText),
      m_reporter(&reporter),
      m_measurer(measurer),
      m_titleFromBox(other.m_titleFromBox),
      m_stages(other.m_stages) {
    ini.setReporter(reporter);
    bindSettings();
}

const settings::ConversionOptions& Session::options() const {
    // Comparing the stored texts costs far less than parsing them again, and
    // the refresh asks at every stage.
    if (!m_optionsBuilt || !(settings == m_optionsSettings) || !(appState.credit == m_optionsCredit) ||
        song.timeCorrection != m_optionsSongCorrection) {
        m_options = settings::ConversionOptions(settings, appState.credit);
        lyrics::applySongTimeCorrection(m_options, song);
        m_optionsSettings = settings;
        m_optionsCredit = appState.credit;
        m_optionsSongCorrection = song.timeCorrection;
        m_optionsBuilt = true;
    }
    return m_options;
}

bool Session::songCorrectionDiffers() const {
    return song.timeCorrection && *song.timeCorrection != settings.isOn(settings::kTimeCorrectionField);
}

void Session::bindSettings() {
    settings.setMeasurer(&m_measurer);
    settings.storedPresetValue = [this](std::string_view name) { return presets.storedValueOf(name); };
}

Reporter& Session::swapReporter(Reporter& r) {
    Reporter& previous = *m_reporter;
    m_reporter = &r;
    ini.setReporter(r);
    return previous;
}

settings::PresetLoadHooks Session::presetHooks() {
    return {[this](int index) { samples.applySample(index, settings); }, m_reporter};
}

void Session::startUp(const std::string& settingsPath) {
    ini.setPath(settingsPath);
    ini.setWritesThrough(false);
    if (ini.read() && !ini.unreadable() && ini.unendedLastLine() > 0)
        m_reporter->warning("the settings file ends inside a line, so it may be cut off; that line is read as it "
                           "stands",
                           settingsPath, ini.unendedLastLine());
    startUpWithTheStore();
}

void Session::startUpFromText(const std::string& settingsPath, std::string_view settingsText) {
    ini.setPath(settingsPath);
    ini.setWritesThrough(false);
    ini.loadFromText(settingsText);
    startUpWithTheStore();
}

void Session::startUpWithTheStore() {
    samples.loadSamples(ini);
    settings.recomputeAllPixelHeights();
    presets.startUp(settings, presetHooks(), [this] { settings::loadAppState(ini, appState, settings, fallbackFolder()); });
    comboText = settings::kDefaultPreset;
    keepPresetReference();
}

bool Session::shutDown() {
    settings::saveAppState(ini, appState, settings);
    presets.saveOnClose(comboText, settings);
    samples.saveSamples(ini);
    return ini.save();
}

std::string Session::defaultScriptPath() const { return script::scriptPathFor(song.lyricsPath); }

bool Session::writeScript(const std::string& outPath) {
    std::string path = outPath.empty() ? defaultScriptPath() : outPath;
    if (!path.empty() && !mayWrite({path})) return false;
    if (path.empty() || !hasLinesToWrite(path)) {
        // The templates are still expanded, as a write expands them whatever becomes of the file.
        layout::applyNewLinePriority(song, options());
        effects::expandTemplates(song, options());
        if (path.empty()) m_reporter->error("no lyrics file is loaded, so there is nothing to write");
        return false;
    }
    // A template that would make a script beyond any use is refused before
    // anything is expanded: repeated over every character it could fill the
    // machine's memory and disk.
    if (auto size = effects::estimateScriptSize(song, options()); size.bytes > effects::kMaxScriptBytes) {
        m_reporter->error("the effect template " + size.setting + " would make a script of about " +
                              std::to_string(size.bytes >> 20) + " MB, more than the " +
                              std::to_string(effects::kMaxScriptBytes >> 20) +
                              " MB a script may have; shorten it. Nothing was written to " + path,
                          song.lyricsPath);
        return false;
    }
    // A credit nobody would see whole is written as asked, and said so.
    const settings::ConversionOptions& o = options();
    std::vector<script::InfoArea> beforeSong;
    script::songInfoBeforeSongEvents(song, o, script::readSongInfoLabels(ini), m_measurer, &beforeSong);
    const auto avoid = script::creditAvoids(o.credit, song, o, m_measurer, beforeSong);
    for (const std::string& problem : script::creditProblems(o.credit, o, m_measurer, avoid))
        m_reporter->warning(problem, path);
    return script::writeScriptFile(path, scriptText(), o.output.unicode, *m_reporter);
}

std::string Session::scriptText() { return scriptText({}); }

std::string Session::scriptText(const std::function<bool(int)>& wanted) {
    const settings::ConversionOptions& o = options();
    layout::applyNewLinePriority(song, o);
    // Each line is written as soon as its templates are expanded, while its
    // slots are still in the cache; the text is what script::scriptText gives.
    std::string text = script::scriptHead(song, o, header, o.credit, script::readSongInfoLabels(ini), m_measurer);
    const script::EventTexts texts = script::eventTexts(o);
    effects::expandTemplates(song, o, wanted, [&](int i) { script::appendLineEvents(text, song, i, o, texts); });
    return text;
}

bool Session::lineShowsWithin(int i, int64_t fromMs, int64_t toMs) const {
    // Every event of a line runs from the line's start to its end.
    const lyrics::LyricLine& line = song.workLines[i];
    return int64_t{line.startTime} * 10 < toMs && int64_t{line.endTime} * 10 > fromMs;
}

bool Session::writeKra(const std::string& outPath) {
    if (outPath.empty()) {
        if (song.lyricsPath.empty()) return false;
        const std::string path = lyrics::kraPathFor(song.lyricsPath);
        if (!hasLinesToWrite(path) || !kraFits() || !mayWrite({path})) return false;
        return lyrics::writeKraFile(song, *m_reporter).written;
    }
    if (!hasLinesToWrite(outPath) || !kraFits() || !mayWrite({outPath})) return false;
    return lyrics::writeKraFile(song, outPath, *m_reporter).written;
}

std::string Session::lyricsFileText() const {
    // The time correction the song is laid out with goes with it, so that
    // the file reads back timed as it is now whatever the preset then says.
    return lyrics::kraFileText(song) + lyrics::timeRatioLine(options().timing.correction) + "\r\n";
}

bool Session::saveLyrics(const std::string& path) {
    if (!hasLinesToWrite(path) || !kraFits()) return false;
    const std::string text = lyricsFileText();
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string bytes = ext == ".txt" ? "\xEF\xBB\xBF" + text : encodeForReadBack(text);
    if (FileResult w = writeFileAtomically(path, bytes); !w.ok) {
        m_reporter->error("cannot write the lyrics file " + path + ": " + w.error, path);
        return false;
    }
    song.lyricsPath = path;
    appState.textPath = std::filesystem::absolute(path).parent_path().string();
    lyricsEdited = false;
    return true;
}

bool Session::kraFits() {
    if (const int over = lyrics::firstKraLineOverSlots(lyrics::kraFileText(song)); over != 0) {
        m_reporter->error("line " + std::to_string(over) + " of the tag file would hold more than " +
                              std::to_string(lyrics::kMaxSlots) +
                              " characters and tags with its readings written inline, and could not be read "
                              "back whole; nothing was written",
                          song.lyricsPath);
        return false;
    }
    if (song.lineCount() <= lyrics::kMaxRawLines) return true;
    m_reporter->error(std::string(lyrics::kTooManyLinesMessage) + "\nthe automatic line break made " +
                          std::to_string(song.lineCount()) + " lines, and a tag file of more than " +
                          std::to_string(lyrics::kMaxRawLines) + " cannot be read back; nothing was written",
                      song.lyricsPath);
    return false;
}

bool Session::mayWrite(const std::vector<std::string>& outputs, const std::vector<std::string>& lyricsFiles) {
    const std::string lyrics = lyricsFiles.empty() ? song.lyricsPath : lyricsFiles.front();
    std::vector<std::pair<std::string, const char*>> inputs{{lyrics, "the lyrics file it is made from"}};
    for (size_t i = 1; i < lyricsFiles.size(); ++i) inputs.emplace_back(lyricsFiles[i], "a lyrics file it reads");
    inputs.emplace_back(ini.path(), "the settings file it reads");
    inputs.emplace_back(mediaFile, "the media file it reads");
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::string& out = outputs[i];
        for (const auto& [input, what] : inputs)
            if (!input.empty() && sameFile(out, input)) {
                m_reporter->error("writing " + out + " would replace " + what + "; nothing was written", input);
                return false;
            }
        for (size_t j = 0; j < i; ++j)
            if (sameFile(out, outputs[j])) {
                m_reporter->error("two of its files would both be written to " + out + "; nothing was written",
                                  lyrics);
                return false;
            }
    }
    return true;
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
        if (s == kBottomAlignStage && !options().rows.bottomAlign) continue;
        m_stages[static_cast<size_t>(s)](*this);
    }
}

namespace {

// The frame's size in pixels.
struct Frame {
    int64_t width, height;
};
Frame frameOf(const settings::ConversionOptions& o) { return {o.frame.width, o.frame.height}; }

}  // namespace

void Session::creditFollowsFrame(int64_t oldWidth, int64_t oldHeight) {
    const Frame now = frameOf(options());
    appState.credit.followFrame(oldWidth, oldHeight, now.width, now.height);
}

settings::Change Session::setField(const std::string& name, const std::string& value) {
    // A refused sample puts every setting back as it was.
    const settings::SettingDef* def = settings::findSetting(name);
    const bool choosesSample = def && def->name == settings::kEffectSampleField;
    const std::optional<settings::ConversionSettings> before =
        choosesSample ? std::optional(settings) : std::nullopt;
    const Frame frame = frameOf(options());
    settings::Change c = settings.setAsUser(name, value);
    if (!c.ok) return c;
    creditFollowsFrame(frame.width, frame.height);
    // Choosing an effect sample fills the templates and the two wipe boxes
    // from it, as a click on the list does; a position past the list's end
    // changes nothing.
    if (choosesSample && !samples.applySample(options().templates.sample, settings)) {
        settings = *before;
        return {false,
                settings::shownName(*def) + ": the effect sample list has no position " + std::string(value) + " (it holds 0 to " +
                    std::to_string(samples.count() - 1) + ")",
                {}};
    }
    runStages(c.refresh);
    return c;
}

bool Session::readLyrics(const std::string& path) {
    auto r = lyrics::loadLyricsFile(song, path, settings, m_measurer, *m_reporter);
    if (!r.ok) return false;
    appState.textPath = std::filesystem::absolute(path).parent_path().string();
    return true;
}

bool Session::openLyrics(const std::string& path) { return openLyricsFrom(path, nullptr); }

bool Session::openEditedLyrics(const std::string& path, std::string_view utf8) {
    if (!openLyricsFrom(path, &utf8)) return false;
    lyricsEdited = true;  // what the text holds is in no lyrics file yet
    return true;
}

bool Session::openLyricsFrom(const std::string& path, const std::string_view* utf8) {
    // Read into a song of its own, so that a refused file changes nothing.
    CollectingReporter trial;
    lyrics::Song candidate;
    const bool read = (utf8 ? lyrics::loadLyricsText(candidate, *utf8, path, settings, m_measurer, trial)
                            : lyrics::loadLyricsFile(candidate, path, settings, m_measurer, trial)).ok;
    if (!read) {
        // The first error says why; what follows it is about the same failure.
        for (const Report& r : trial.reports)
            if (r.severity == Severity::Error) {
                m_reporter->report(r);
                break;
            }
        return false;
    }
    if (candidate.readLines.count() == 0) {
        std::string bytes(utf8 ? *utf8 : std::string_view());
        if (!utf8) readFileBytes(path, bytes, kMaxTextFileBytes);
        const bool binary = bytes.find('\0') != std::string::npos || !decodeText(bytes).badLines.empty();
        m_reporter->error(binary ? "not a lyrics file: it holds data that is not text and no line with a "
                                   "\"[mm:ss:cc]\" time tag, so it was not opened"
                                 : "not a lyrics file: no line holds a \"[mm:ss:cc]\" time tag, so it was not opened",
                          path);
        return false;
    }
    song = std::move(candidate);
    appState.textPath = std::filesystem::absolute(path).parent_path().string();
    for (const Report& r : trial.reports) m_reporter->report(r);
    lyricsEdited = false;  // a new song
    runFullRefresh();
    return true;
}

bool Session::loadLyrics(const std::string& path) {
    if (!readLyrics(path)) return false;
    // A new song; the batch reads its songs with readLyrics and puts the
    // edited one back, still edited.
    lyricsEdited = false;
    runFullRefresh();
    return true;
}

bool Session::selectPreset(const std::string& name) {
    comboText = name;
    const Frame frame = frameOf(options());
    if (presets.select(name, settings, presetHooks())) keepPresetReference();
    creditFollowsFrame(frame.width, frame.height);
    runStages(presetRefresh());
    return true;
}

bool Session::savePreset(const std::string& name) {
    comboText = name;
    const bool saved = presets.save(name, settings, *m_reporter);
    if (presets.currentName() == name) keepPresetReference();
    return saved;
}

namespace {
std::vector<std::string> presetTexts(const settings::ConversionSettings& s) {
    std::vector<std::string> texts;
    for (const settings::PresetKey& k : settings::presetKeys()) texts.push_back(settings::presetValueText(k, s));
    return texts;
}
}  // namespace

void Session::keepPresetReference() {
    m_referenceName = presets.currentName();
    m_referenceTexts = presetTexts(settings);
}

bool Session::presetChanged() {
    if (m_referenceName != presets.currentName()) {
        // The stored preset loaded into a copy, as a selection would load it.
        settings::ConversionSettings stored = settings;
        settings::loadPresetSettings(ini, presets.currentName(), stored,
                                     {[this, &stored](int index) { samples.applySample(index, stored); }, nullptr});
        m_referenceName = presets.currentName();
        m_referenceTexts = presetTexts(stored);
    }
    return presetTexts(settings) != m_referenceTexts;
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
    const Frame frame = frameOf(options());
    bool ok = presets.remove(name, settings, presetHooks(), *m_reporter);
    creditFollowsFrame(frame.width, frame.height);
    comboText = presets.currentName();
    if (name != settings::kDefaultPreset) keepPresetReference();  // the first preset was loaded
    // The preset now current was loaded, so the song is laid out with it.
    if (ok) runStages(presetRefresh());
    return ok;
}

}  // namespace kvelmor::app
