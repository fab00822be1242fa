// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program-wide state that the command line and the window both drive:
// the settings, the settings file, the presets, the application state and
// the open song, with the operations a user performs on them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/refresh.h"
#include "common/reporter.h"
#include "effects/samples.h"
#include "lyrics/lyrics_table.h"
#include "script/script_header.h"
#include "settings/app_state.h"
#include "settings/conversion_options.h"
#include "settings/conversion_settings.h"
#include "settings/ini_store.h"
#include "settings/presets.h"

namespace kvelmor::measure {
class TextMeasurer;
}

namespace kvelmor::app {

// $XDG_CONFIG_HOME/Kvelmor/Kvelmor.ini, or ~/.config/Kvelmor/Kvelmor.ini
// (the home folder from $HOME, else from the user database).
std::string defaultSettingsPath();
// When neither XDG_CONFIG_HOME nor HOME is set: a sentence saying where the
// settings are kept, for the user to be told; else empty.
std::string settingsPathNote();
// The folder that stands in for the program's own folder where a stored folder is gone: the home folder.
std::string fallbackFolder();

class Session {
public:
    Session(Reporter& reporter, measure::TextMeasurer& measurer);
    // A session of its own for work on another thread (a batch): the
    // settings, the settings store, the application state, the song, the
    // effect samples, the script header and the stage table of `other`,
    // reporting to `reporter` and measuring with `measurer`, neither shared
    // with `other`. The preset list is not carried over.
    Session(const Session& other, Reporter& reporter, measure::TextMeasurer& measurer);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Reporter& reporter() { return *m_reporter; }
    // Sends the session's messages (the settings file's included) to `r`
    // from now on; returns the reporter used until now, to be put back.
    Reporter& swapReporter(Reporter& r);
    measure::TextMeasurer& measurer() { return m_measurer; }

    // Start-up: read the settings file (missing is a first start), fill the
    // preset list and the effect samples, load the application state and
    // the "default" preset, and keep it as "default" in memory.
    void startUp(const std::string& settingsPath);
    // The same with the bytes of a settings file given instead of read
    // (fuzzing); `settingsPath` names it in messages and is where a save goes.
    void startUpFromText(const std::string& settingsPath, std::string_view settingsText);
    // Shut-down: the effect template into its sample, the application state,
    // the settings into the preset named by `comboText`, the samples, then
    // the file is saved. Returns whether the save succeeded.
    bool shutDown();

    // Runs the listed stages in order; 12 only while LowerCheck is ticked.
    void runStages(const std::vector<int>& stages);
    // Runs the stages a change that made `what` stale calls for.
    void runStages(settings::Invalidates what) { runStages(stagesFor(what)); }
    void runFullRefresh() { runStages(fullRefresh()); }
    // Replaces the stage functions (tests observe the order with it).
    void setStageTable(StageTable table) { m_stages = std::move(table); }

    // A field set as the user would set it, followed by its stages.
    settings::Change setField(const std::string& name, const std::string& value);

    // Loads a lyrics file and runs the full refresh; the song is not edited.
    // False (and nothing changed) when the file could not be read.
    bool loadLyrics(const std::string& path);
    // The same without the refresh, and leaving lyricsEdited as it is (the
    // batch reads its songs so and then puts the open song back).
    bool readLyrics(const std::string& path);
    // Opening a song in the window: loadLyrics for a file that holds lyrics.
    // A file that cannot be read, or holds no line with a time tag (a video,
    // a binary file, any other text), is refused with one error naming the
    // file and why, and the song and settings stay exactly as they were;
    // the reports of a file taken are passed on as loadLyrics passes them.
    bool openLyrics(const std::string& path);
    // The same for the text of a lyrics file kept elsewhere (a recovery
    // file): read as the file `path` would be, messages naming it, and
    // opened as that file edited and not yet saved.
    bool openEditedLyrics(const std::string& path, std::string_view utf8);

    // The preset commands; selecting runs the refresh a selection runs.
    bool selectPreset(const std::string& name);
    bool savePreset(const std::string& name);
    bool deletePreset(const std::string& name);

    settings::PresetLoadHooks presetHooks();

    // Whether the settings differ from the current preset as it is stored:
    // a field, colour or font changed, a video's frame size read, since the
    // preset was loaded or saved. Selecting a preset (the same one again
    // too) drops such changes, so the window asks first. Only the preset's
    // own keys count; the application state (folders, the credit) does not.
    bool presetChanged();

    // The preset box's text typed by the user. While the song has no title
    // of its own, the text becomes its title, which the script then shows
    // like a title read from the file; a title the file gave stays.
    void typeComboText(const std::string& text);

    // The write command: the rows settled again (stage 13), the effect
    // templates expanded, then the script to `outPath` (empty: beside the
    // lyrics file). Returns whether the script was written.
    // Neither write happens for a song without timed lines (reported), so an
    // empty or damaged lyrics file never replaces a script or tag file, nor
    // over the lyrics file itself. A script whose templates would expand
    // beyond kMaxScriptBytes is refused before it is made.
    bool writeScript(const std::string& outPath = {});
    // The tag file of the laid-out song to `outPath` (empty: beside the lyrics file).
    bool writeKra(const std::string& outPath = {});
    // Saves the song as a lyrics file that reads back as it is now: the
    // tag file's text (every working line with its readings inline, then the
    // header lines) and the time correction in force ("@timeratio="). A path ending in ".txt" (any letter case) is written as
    // UTF-8 with a byte-order mark; any other as the tag file is (the
    // Japanese code page where every character has a form in it, else
    // UTF-8 with the mark). The file is written whole or not at all, over the
    // lyrics file too: the caller asks before it replaces a file. From then on
    // the song is that file (the script goes beside it, named after it) and
    // is no longer edited. Refused, with a report, for a song without timed
    // lines or with a line too long to read back whole.
    bool saveLyrics(const std::string& path);
    // The text saveLyrics writes (before its encoding): the tag file's text
    // and the "@timeratio=" line.
    std::string lyricsFileText() const;
    // The script writeScript writes, as UTF-8 text in memory, with the same
    // steps run first (new line priority, template expansion).
    std::string scriptText();
    // The same with only the events of the working lines `wanted(i)` says yes
    // to (the head is whole): a preview drawing one moment needs only the
    // lines shown near it, and a writer told to stop says no to the rest.
    std::string scriptText(const std::function<bool(int)>& wanted);
    // Whether the events of working line i show at any time in [fromMs, toMs).
    bool lineShowsWithin(int i, int64_t fromMs, int64_t toMs) const;
    // Where writeScript puts the script when no path is given.
    std::string defaultScriptPath() const;
    // Whether the laid-out song fits a tag file that reads back: the automatic
    // line break can make more lines than a song may have. Reported when not.
    bool kraFits();
    // Whether the files one song makes may be written, checked before any of
    // them is. Refused (reported naming the file, nothing written) when one
    // would replace a file the command reads (links followed): the lyrics
    // files `lyricsFiles`, the song's own first (none given: the song's own
    // alone), the settings file or the media file probed; or when two of
    // them are one file.
    bool mayWrite(const std::vector<std::string>& outputs, const std::vector<std::string>& lyricsFiles = {});

    // Whether the open song's own time correction (its file's "@timeratio=")
    // is another than the preset's WinAMPTime, which it stands in for.
    bool songCorrectionDiffers() const;

    // The settings and the credit fields as typed options: a snapshot built
    // again whenever either changed since it was last built, so every stage
    // and every write reads the values in force.
    const settings::ConversionOptions& options() const;

    // The settings as the window and the settings file hold them. The
    // layout, the script and the checks read them only as options().
    settings::ConversionSettings settings;
    settings::IniFile ini;
    settings::PresetManager presets{ini};
    settings::AppState appState;
    lyrics::Song song;
    effects::EffectSamples samples;
    script::ScriptHeader header;  // kept up to date by stages 4 and 5
    std::string comboText = settings::kDefaultPreset;  // the text of the preset box
    // The lyrics editor or the ruby editor changed the song since it was
    // read or saved: the change is in no lyrics file yet.
    bool lyricsEdited = false;
    std::string mediaFile;  // the media file last probed, as given; never written over

private:
    // The settings measure with this session's measurer and restore from its presets.
    void bindSettings();
    // Start-up once the settings file is in the store.
    void startUpWithTheStore();
    bool hasLinesToWrite(const std::string& path);
    // openLyrics, from `utf8` when given instead of from the file.
    bool openLyricsFrom(const std::string& path, const std::string_view* utf8);
    // The credit keeps its place when a change made the frame (pixels) other
    // than oldWidth × oldHeight (CreditSettings::followFrame).
    void creditFollowsFrame(int64_t oldWidth, int64_t oldHeight);

    // The preset keys' texts of the current preset as stored, which
    // presetChanged compares with; set where a preset is loaded or saved,
    // read from the store when the current preset changed otherwise (undo).
    void keepPresetReference();
    std::string m_referenceName;
    std::vector<std::string> m_referenceTexts;

    // What options() last built, and the values it was built from.
    mutable settings::ConversionOptions m_options;
    mutable settings::ConversionSettings m_optionsSettings;
    mutable settings::CreditSettings m_optionsCredit;
    mutable std::optional<bool> m_optionsSongCorrection;
    mutable bool m_optionsBuilt = false;

    Reporter* m_reporter;
    measure::TextMeasurer& m_measurer;
    std::string m_titleFromBox;  // the title last taken from the preset box
    StageTable m_stages;
};

}  // namespace kvelmor::app
