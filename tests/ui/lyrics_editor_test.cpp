// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/lyrics_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/loaded_session.h"

using namespace kvelmor;
using test_support::LoadedSession;
using ui::LyricsEditor;

namespace {

const std::string kSong = "@title=空の歌\n[00:01:00]空[00:01:50]の[00:02:00]歌[00:03:00]\n";

QPlainTextEdit* text(LyricsEditor& e) { return e.findChild<QPlainTextEdit*>("Text"); }

QPushButton* button(LyricsEditor& e, QDialogButtonBox::StandardButton which) {
    return e.findChild<QDialogButtonBox*>("buttons")->button(which);
}

// Types the text key by key (QTest's keyClicks takes ASCII only).
void typeText(QWidget* w, const QString& typed) {
    for (QChar c : typed) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &down);
    }
}

// Runs the editor modally with `drive` acting once it is up.
int runModal(LyricsEditor& e, const std::function<void()>& drive) {
    QTimer::singleShot(0, &e, drive);
    return e.exec();
}

}  // namespace

// Each way of leaving the editor: what exec() says and what the song becomes.
TEST(LyricsEditorWindow, CancelKeepsTheSongAndOkOrClosingApplies) {
    enum class Leave { CancelButton, Esc, OkButton, CtrlEnter, CloseWindow };
    struct Case {
        const char* why;
        Leave leave;
        // The answer to the question asked ("drop the lines typed?" or "lose
        // the readings of the ruby editor?"); NoButton: none is asked.
        QMessageBox::StandardButton dropAnswer;
        int result;
        bool applied;
        bool marked = false;  // a character was marked in the ruby editor
    };
    const auto none = QMessageBox::NoButton;
    const std::vector<Case> cases = {
        {"Cancel discards the edit once that is confirmed", Leave::CancelButton, QMessageBox::Discard,
         QDialog::Rejected, false},
        {"Esc discards the edit once that is confirmed", Leave::Esc, QMessageBox::Discard, QDialog::Rejected, false},
        {"Esc answered with go on editing keeps the editor open; then OK", Leave::Esc, QMessageBox::Cancel,
         QDialog::Accepted, true},
        {"OK applies it", Leave::OkButton, none, QDialog::Accepted, true},
        {"Ctrl+Enter is OK", Leave::CtrlEnter, none, QDialog::Accepted, true},
        {"OK asks before the ruby editor's marks go; yes applies", Leave::OkButton, QMessageBox::Yes,
         QDialog::Accepted, true, true},
        {"closing the window applies it", Leave::CloseWindow, none, QDialog::Accepted, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        LoadedSession s("ui_lyrics_leave");
        s.load(kSong);
        const std::string script = s.script();
        const std::string kra = s.kra();

        s.session.song.workLines[1].unit(2).cellMark = c.marked;
        LyricsEditor e(s.session, nullptr);
        QMessageBox::StandardButtons asked = QMessageBox::NoButton;
        EXPECT_EQ(e.windowTitle(), QStringLiteral("歌詞編集"));
        EXPECT_EQ(text(e)->toPlainText(),
                  QStringLiteral("@title=空の歌\n[00:01:00]空[00:01:50]の[00:02:00]歌[00:03:00]\n"));
        const int result = runModal(e, [&] {
            text(e)->moveCursor(QTextCursor::End);
            typeText(text(e), QStringLiteral("\n[00:04:00]雲[00:05:00]"));  // no line break after it
            QTimer::singleShot(0, &e, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = box ? box->standardButtons() : QMessageBox::NoButton;
                if (box) box->button(c.dropAnswer)->click();
            });
            switch (c.leave) {
            case Leave::CancelButton: QTest::mouseClick(button(e, QDialogButtonBox::Cancel), Qt::LeftButton); break;
            case Leave::Esc: QTest::keyClick(text(e), Qt::Key_Escape); break;
            case Leave::OkButton: QTest::mouseClick(button(e, QDialogButtonBox::Ok), Qt::LeftButton); break;
            case Leave::CtrlEnter: QTest::keyClick(text(e), Qt::Key_Return, Qt::ControlModifier); break;
            case Leave::CloseWindow: e.close(); break;
            }
            if (e.isVisible()) QTest::mouseClick(button(e, QDialogButtonBox::Ok), Qt::LeftButton);
        });
        EXPECT_EQ(asked != QMessageBox::NoButton, c.dropAnswer != none);
        EXPECT_EQ(result, c.result);
        if (c.applied) {
            EXPECT_EQ(s.session.song.rawLineCount(), 2);
            EXPECT_EQ(s.session.song.workLines[2].plainText, "雲");
            EXPECT_EQ(s.session.song.songInfo.title, "空の歌");
        } else {
            EXPECT_EQ(s.script(), script);  // byte for byte
            EXPECT_EQ(s.kra(), kra);
        }
    }
}

// 300 lines are refused with the message, the editor stays open with the
// text as typed, and the song is untouched.
TEST(LyricsEditorWindow, TooManyLinesKeepTheEditorOpen) {
    LoadedSession s("ui_lyrics_300");
    s.load(kSong);
    const std::string script = s.script();
    QString lines;
    for (int i = 0; i < 300; ++i) lines += QStringLiteral("[00:01:00]あ[00:02:00]\n");

    LyricsEditor e(s.session, nullptr);
    QString shown;
    bool stillOpen = false;
    runModal(e, [&] {
        text(e)->setPlainText(lines);
        // The message box is modal too: read it and close it once it is up.
        QTimer::singleShot(0, &e, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        QTest::mouseClick(button(e, QDialogButtonBox::Ok), Qt::LeftButton);
        stillOpen = e.isVisible();
        EXPECT_EQ(text(e)->toPlainText(), lines);
        e.done(QDialog::Rejected);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(shown.contains(QStringLiteral("読み込める行数を超えています"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("(300行目)"))) << shown.toStdString();
    EXPECT_EQ(s.session.song.rawLineCount(), 1);
    EXPECT_EQ(s.script(), script);
}
