// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's recovery file: edits of the song not yet saved kept
// every few seconds, and offered back at the next start.

#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>

#include "app/recovery.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/qt_text.h"

namespace kvelmor::ui {

void MainWindow::startKeepingEdits() {
    m_editKeeper = std::make_unique<app::EditedLyricsKeeper>(m_session);
    auto* timer = new QTimer(this);
    timer->setObjectName("recoveryTimer");
    timer->setInterval(kRecoveryKeepMs);
    connect(timer, &QTimer::timeout, this, &MainWindow::keepEdits);
    timer->start();
}

void MainWindow::keepEdits() {
    CollectingReporter reports;
    if (m_editKeeper->keep(reports)) {
        // Said once per file: where the edits wait until they are saved.
        const QString path = qs(m_editKeeper->keptPath());
        if (path != m_editsKeptIn) statusBar()->showMessage(tr("未保存の変更の保管先: %1").arg(path));
        m_editsKeptIn = path;
    }
    for (const Report& r : reports.reports)
        statusBar()->showMessage(tr("復元用ファイルを書けません (%1): %2").arg(qs(r.file), messageText(r.text)));
}

void MainWindow::dropKeptEdits() {
    if (m_editKeeper) m_editKeeper->drop();
}

bool MainWindow::offerRecovery() {
    for (const RecoveryRead& file : app::editedLyricsFiles()) {
        if (file.state != RecoveryState::Whole) {
            // Never restored as if whole; moved aside, so that nothing in it is written over.
            const std::string aside = setRecoveryFileAside(file.path);
            m_dialogs.message(this, QMessageBox::Warning, "Kvelmor",
                              tr("復元用ファイルが壊れているため (%1)、変更を復元しません。\nファイルは %2 に残してあります。")
                                  .arg(messageText(file.problem), qs(aside)));
            continue;
        }
        const QString lyrics = qs(file.file.key.files.empty() ? std::string() : file.file.key.files.front());
        const bool restore = m_dialogs.restore(
            this, "Kvelmor",
            tr("「%1」の歌詞とルビの変更が、保存されないまま残っています。\n歌詞ファイル: %2\n最後に保管した時刻: %3\n"
               "復元用ファイル: %4\n\n復元しますか?")
                .arg(QFileInfo(lyrics).fileName(), lyrics, keptTimeText(file.file.keptAt), qs(file.path)));
        if (!restore) {
            removeRecoveryFile(file.file.key);
            continue;
        }
        if (!unwrittenWorkSettled()) return false;
        const bool restored = app::restoreEditedLyrics(m_session, file);
        if (restored) {
            // Steps made on another song would bring that song back.
            m_undoStack->clear();
            m_undoBaseline.reset();
            m_actionNotes.clear();
            keepEdits();  // the file is this run's now: dropped when the edits are saved or let go
            statusBar()->showMessage(tr("保存されていない変更を復元しました: %1").arg(lyrics));
        }
        afterChange();
        if (restored && m_preview) m_preview->showFirstLine();
        return restored;
    }
    return false;
}

}  // namespace kvelmor::ui
