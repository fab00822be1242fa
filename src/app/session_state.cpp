// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session_state.h"

#include "app/session.h"

namespace kvelmor::app {

bool SessionState::sameSettings(const Session& session) const {
    return settings == session.settings && presetName == session.presets.currentName();
}

SessionState captureState(Session& session, bool withSong) {
    SessionState s{session.settings, session.presets.currentName(), session.comboText, std::nullopt};
    if (withSong) s.song = SessionState::SongState{session.song, session.header, session.lyricsEdited};
    return s;
}

void restoreState(Session& session, const SessionState& state, const std::vector<int>& stages) {
    session.settings = state.settings;
    if (session.presets.contains(state.presetName)) session.presets.setCurrentName(state.presetName);
    session.comboText = state.comboText;
    if (state.song) {
        session.song = state.song->song;
        session.header = state.song->header;
        session.lyricsEdited = state.song->lyricsEdited;
        return;
    }
    session.runStages(stages);
}

}  // namespace kvelmor::app
