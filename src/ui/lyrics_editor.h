// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics text editor ("歌詞編集"): the song's header lines and
// its timed lines, one a line, readings inline once there are any, to correct
// by hand. OK (or Ctrl+Enter) or closing the window
// applies the text (app::applyLyricsEdit); Cancel or Esc leaves the song exactly as it was,
// after asking whether the lines typed are to be dropped.
// A text that cannot be taken (more than 299 lines, a line of more than 300
// slots) is shown with its reason and the editor stays open, the text intact.

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace kvelmor::app {
class Session;
}

namespace kvelmor::ui {

class LyricsEditor : public QDialog {
    Q_OBJECT
public:
    LyricsEditor(app::Session& session, QWidget* parent);

    // The text is applied; the editor closes with Accepted when the song
    // changed (an unchanged text changes nothing, so the ruby, marks and
    // styles given in the ruby editor are kept).
    void accept() override;
    // Asks before edited lines are dropped; closes when they are (or there are none).
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the text was taken (or was unchanged).
    bool apply();

    app::Session& m_session;
    std::string m_opened;  // the text as the editor opened
    QLabel* m_notice = nullptr;
    QPlainTextEdit* m_text = nullptr;  // Text
    bool m_changed = false;
};

}  // namespace kvelmor::ui
