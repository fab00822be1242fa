// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/lyrics_editor.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/lyrics_editing.h"
#include "app/session.h"
#include "ui/dialogs.h"
#include "ui/qt_text.h"
#include "ui/language.h"

namespace kvelmor::ui {

LyricsEditor::LyricsEditor(app::Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_opened(app::lyricsEditText(session.song)) {
    setObjectName("Form5");
    setWindowTitle(tr("歌詞編集"));
    setModal(true);

    m_notice = new QLabel(tr("この画面で歌詞の編集をしても元のテキストファイルには反映されません"
                                         "(ass/kraファイルに反映されます)"),
                          this);
    m_notice->setObjectName("Label1");
    m_notice->setWordWrap(true);
    // How the edit reaches a lyrics file, and how the readings are written.
    QString hint = tr("歌詞ファイルに残すには、OKの後に ファイル → 歌詞を保存 (Ctrl+Shift+S)。");
    if (app::hasReadings(session.song))
        hint += tr("ルビは 漢字[開始]([開始]よみ[終了])[終了] の形で行の中に書かれています。");
    auto* saving = new QLabel(hint, this);
    saving->setObjectName("savingHint");
    saving->setWordWrap(true);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName("Text");
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Time tags line up best in a font whose full-width and half-width
    // characters keep fixed pitches.
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(12);
    m_text->setFont(font);
    m_text->setPlainText(qs(m_opened));
    m_text->installEventFilter(this);  // Ctrl+Enter is OK

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &LyricsEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LyricsEditor::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_notice);
    layout->addWidget(saving);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);
    resize(760, 520);
    m_text->setFocus();
}

bool LyricsEditor::apply() {
    const std::string text = ss(m_text->toPlainText());
    if (text == m_opened) return true;
    // The lines are laid out again from the text, which holds the readings
    // but not the marks and spare styles given in the ruby editor: those go,
    // so only when the user agrees.
    if (app::hasMarksOrStyles(m_session.song)) {
        QMessageBox box(QMessageBox::Question, windowTitle(),
                        tr("ルビ作成で付けたマークとスタイルは、歌詞を書き換えると消えます。書き換えますか?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes) return false;
    }
    // The refusal is shown here, over the editor that stays open; the
    // reports of a text taken go on to the session's reporter, as a load's do.
    CollectingReporter reports;
    Reporter& previous = m_session.swapReporter(reports);
    const bool taken = app::applyLyricsEdit(m_session, text);
    m_session.swapReporter(previous);
    if (!taken) {
        QStringList lines;
        for (const Report& r : reports.reports) lines << reportText(r);
        QMessageBox::warning(this, windowTitle(), lines.join('\n'));
        return false;
    }
    for (const Report& r : reports.reports) previous.report(r);
    m_opened = text;
    m_changed = true;
    return true;
}

void LyricsEditor::accept() {
    if (!apply()) return;
    done(m_changed ? Accepted : Rejected);
}

bool LyricsEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() & Qt::ControlModifier) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LyricsEditor::reject() {
    // Esc is easily pressed in passing: lines typed are only dropped on purpose.
    if (ss(m_text->toPlainText()) != m_opened &&
        !askDiscardEdits(this, windowTitle(), tr("編集した歌詞を破棄しますか?")))
        return;
    QDialog::reject();
}

void LyricsEditor::closeEvent(QCloseEvent* event) {
    if (!apply()) {
        event->ignore();
        return;
    }
    event->accept();
    done(m_changed ? Accepted : Rejected);
}

}  // namespace kvelmor::ui
