// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A line edit that forwards the three things a typed field reacts to: each
// key (through a filter the core decides), Enter, and losing the focus.
// Qt's editingFinished fires on both of the last two, which the settings
// tell apart, so it is not used.

#include <QLineEdit>
#include <QValidator>
#include <functional>
#include <optional>

namespace kvelmor::ui {

// Drops every character the filter refuses among those a key or a paste
// puts in; what the field held before stays as it was.
class KeyFilter : public QValidator {
public:
    KeyFilter(std::function<bool(char32_t)> accepts, QObject* parent)
        : QValidator(parent), m_accepts(std::move(accepts)) {}
    State validate(QString& input, int& pos) const override;

private:
    std::function<bool(char32_t)> m_accepts;
};

class FieldEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FieldEdit(QWidget* parent = nullptr);
    void setKeyFilter(std::function<bool(char32_t)> accepts);
    // Shows a text the program decided on; the key filter does not apply to it.
    void showText(const QString& text);
    bool showingText() const { return m_showing; }
    // The text as it was before the edit being checked.
    const QString& previousText() const { return m_previous; }

    // Enter runs onEnter, or onLeave where there is no onEnter. Leaving the
    // field right after a value was applied that way, unchanged since, does
    // not apply it a second time.
    std::function<void()> onEnter;
    std::function<void()> onLeave;
    // The text shown now was applied as leaving the field applies it.
    void markApplied();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    bool m_showing = false;
    QString m_previous;
    std::optional<QString> m_applied;  // the text Enter applied as leaving would
};

// Stops the fields under `root` from reacting: a window calls it as it is
// destroyed, since a field losing the focus then must not reach the window.
void detachFieldEdits(QWidget* root);

}  // namespace kvelmor::ui
