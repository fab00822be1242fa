// SPDX-License-Identifier: GPL-3.0-or-later
// ファイル > 読み候補を付ける: the whole song's missing readings in one step.

#include <QStatusBar>

#include "app/reading_suggestions.h"
#include "app/session.h"
#include "app/session_state.h"
#include "ui/main_window.h"

namespace kvelmor::ui {

void MainWindow::fillReadings() {
    if (m_session.song.lyricsPath.empty()) return;
    // A missing dictionary and the words it could not read are reported and shown by afterChange().
    app::SessionState before = app::captureState(m_session, true);
    const app::SongReadingsResult r = app::fillSongReadings(m_session);
    if (r.available) {
        statusBar()->showMessage(tr("読み候補を%1件付けました").arg(r.added));
        if (r.added > 0) recordUndo(tr("読み候補を付ける"), std::move(before));
    }
    afterChange();
}

}  // namespace kvelmor::ui
