// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The version window ("バージョン情報"), the help page and the one
// way the program hands a file or web address to the desktop.

#include <QDialog>

#include "ui/dialogs.h"

namespace kvelmor::ui {

class VersionWindow : public QDialog {
    Q_OBJECT
public:
    VersionWindow(Dialogs& dialogs, QWidget* parent = nullptr);
};

// The program's version as its three parts joined by "." ("2.0.19").
QString versionText();

// The help page in the windows' language (Kvelmor.html, Kvelmor_en.html): beside the
// program in a build tree, in share/kvelmor when installed.
QString helpFilePath();

// Opens a file or web address with the desktop's program for it. A failure
// shows "失敗しました。", the reason and the target on three lines under the
// title "Kvelmor".
void openInDesktop(Dialogs& dialogs, QWidget* parent, const QString& target);

}  // namespace kvelmor::ui
