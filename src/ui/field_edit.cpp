#include "ui/field_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace kvelmor::ui {

QValidator::State KeyFilter::validate(QString& input, int& pos) const {
    // The text before the edit passed the filter already (or was put there
    // by the program), so every refused character is a new one.
    QString kept;
    int keptBeforeCursor = 0;
    int index = 0;
    for (char32_t c : input.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (m_accepts(c)) {
            kept += one;
            if (index < pos) keptBeforeCursor += static_cast<int>(one.size());
        }
        index += static_cast<int>(one.size());
    }
    input = kept;
    pos = keptBeforeCursor;
    return Acceptable;
}

FieldEdit::FieldEdit(QWidget* parent) : QLineEdit(parent) {}

void FieldEdit::setKeyFilter(std::function<bool(char32_t)> accepts) {
    setValidator(new KeyFilter(std::move(accepts), this));
}

void FieldEdit::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (onEnter) onEnter();
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void FieldEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Switching to another window or opening a menu leaves the focus where it was.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    if (onLeave) onLeave();
}

}  // namespace kvelmor::ui
