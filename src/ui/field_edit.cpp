// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/field_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace kvelmor::ui {

QValidator::State KeyFilter::validate(QString& input, int& pos) const {
    auto* edit = qobject_cast<const FieldEdit*>(parent());
    if (!edit || edit->showingText()) return Acceptable;
    // The new characters are those between the parts the text shares with
    // what the field held before (a key or a paste inserts in one place).
    const QString& before = edit->previousText();
    qsizetype head = 0;
    while (head < before.size() && head < input.size() && before[head] == input[head]) ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < input.size() - head &&
           before[before.size() - 1 - tail] == input[input.size() - 1 - tail])
        ++tail;
    const QString inserted = input.mid(head, input.size() - head - tail);
    QString kept;
    for (char32_t c : inserted.toUcs4())
        if (m_accepts(c)) kept += QString::fromUcs4(&c, 1);
    if (kept.size() == inserted.size()) return Acceptable;
    input = input.left(head) + kept + input.right(tail);
    pos = static_cast<int>(head + kept.size());
    return Acceptable;
}

FieldEdit::FieldEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) { m_previous = t; });
}

void FieldEdit::setKeyFilter(std::function<bool(char32_t)> accepts) {
    setValidator(new KeyFilter(std::move(accepts), this));
}

void FieldEdit::showText(const QString& text) {
    m_showing = true;
    setText(text);
    // A long text the program put here (an effect template) shows its start.
    if (!hasFocus()) setCursorPosition(0);
    m_showing = false;
}

void FieldEdit::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (onEnter) {
            onEnter();
        } else if (onLeave) {
            onLeave();
            markApplied();
        }
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void FieldEdit::markApplied() { m_applied = text(); }

void FieldEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    m_applied.reset();
}

void FieldEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Switching to another window or opening a menu leaves the focus where it was.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    const bool alreadyApplied = m_applied && *m_applied == text();
    m_applied.reset();
    if (onLeave && !alreadyApplied) onLeave();
}

void detachFieldEdits(QWidget* root) {
    for (FieldEdit* e : root->findChildren<FieldEdit*>()) {
        e->onEnter = nullptr;
        e->onLeave = nullptr;
    }
}

}  // namespace kvelmor::ui
