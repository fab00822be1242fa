// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's way into the timing window.

#include <QFileInfo>

#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/timing_window.h"

namespace kvelmor::ui {

TimingWindow* MainWindow::openTimingWindow(const QString& lyricsPath, const QString& soundPath) {
    QString lyrics = lyricsPath;
    const QString folder = QFileInfo(qs(m_session.song.lyricsPath)).absolutePath();
    if (lyrics.isEmpty())
        lyrics = m_dialogs.openFile(this, tr("タイミング: 歌詞を開く"), folder,
                                    tr("歌詞ファイル (*.txt *.kra);;すべてのファイル (*)"));
    if (lyrics.isEmpty()) return nullptr;
    QString sound = soundPath;
    if (sound.isEmpty())
        sound = m_dialogs.openFile(this, tr("タイミング: 曲を開く"), QFileInfo(lyrics).absolutePath(),
                                   tr("曲 (*.mp3 *.m4a *.flac *.wav *.ogg *.opus *.mp4 *.mkv *.webm);;"
                                                  "すべてのファイル (*)"));
    if (sound.isEmpty()) return nullptr;
    auto* window = new TimingWindow(m_session, m_dialogs, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Where the user last had it, else over this window's centre (not at the screen's corner).
    const std::string& kept = m_session.appState.window.timingGeometry;
    if (kept.empty() || !window->restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(kept))))
        placeOver(window, this);
    connect(window, &TimingWindow::saved, this, [this](const QString& path) { loadSong(path); });
    if (!window->openLyrics(lyrics)) {
        delete window;
        return nullptr;
    }
    window->openSound(sound);
    window->show();
    window->raise();
    return window;
}

void MainWindow::openTimingFromMenu() { openTimingWindow(); }

}  // namespace kvelmor::ui
