// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/command_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kvelmor::ui {

CommandKeysFirst::CommandKeysFirst(QWidget* window) : QObject(window), m_window(window) {
    qApp->installEventFilter(this);
}

bool CommandKeysFirst::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::ShortcutOverride) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != m_window) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* a : m_window->findChildren<QAction*>()) {
        if (!a->isEnabled()) continue;
        for (const QKeySequence& s : a->shortcuts())
            if (s.matches(pressed) == QKeySequence::ExactMatch) {
                // Left unaccepted, the override lets the shortcut run instead of the field's binding.
                e->ignore();
                return true;
            }
    }
    return false;
}

}  // namespace kvelmor::ui
