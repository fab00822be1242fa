// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A state of the session that undo and redo return to: the settings, the
// current preset and the preset box's text, and, where a change rebuilds or
// edits the lines, the song as it was laid out.

#include <optional>
#include <string>
#include <vector>

#include "lyrics/lyrics_table.h"
#include "script/script_header.h"
#include "settings/conversion_settings.h"

namespace kvelmor::app {

class Session;

struct SessionState {
    settings::ConversionSettings settings;
    std::string presetName;
    std::string comboText;
    // The song, the header it was laid out with and whether it was edited;
    // kept only for changes that rebuild the lines from the lines read
    // (stage 1, which drops the ruby editor's work) or edit them.
    struct SongState {
        lyrics::Song song;
        script::ScriptHeader header;
        bool lyricsEdited = false;
    };
    std::optional<SongState> song;

    // The same settings and current preset (the song and the text typed in
    // the preset box are not compared).
    bool sameSettings(const Session& session) const;
};

SessionState captureState(Session& session, bool withSong);

// Back to `state`. A state with its song takes the song back as it was;
// without, the song is laid out again by `stages` (the stages of the change
// undone or redone: the lines then look as that change left them, and the
// ruby editor's work stays). A preset deleted since is not made current again.
void restoreState(Session& session, const SessionState& state, const std::vector<int>& stages);

}  // namespace kvelmor::app
