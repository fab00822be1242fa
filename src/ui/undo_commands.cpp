// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/undo_commands.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace kvelmor::ui {

SessionChange::SessionChange(app::Session& session, app::SessionState before, app::SessionState after,
                             std::vector<int> stages, std::function<void()> shown, const QString& text)
    : QUndoCommand(text),
      m_session(session),
      m_before(std::move(before)),
      m_after(std::move(after)),
      m_stages(std::move(stages)),
      m_shown(std::move(shown)) {}

void SessionChange::undo() {
    app::restoreState(m_session, m_before, m_stages);
    m_shown();
}

void SessionChange::redo() {
    if (m_made) {
        m_made = false;
        return;
    }
    app::restoreState(m_session, m_after, m_stages);
    m_shown();
}

bool UndoKeysToWindow::isUndoOrRedo(const QKeyEvent* key) {
    const QKeyCombination pressed = key->keyCombination();
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
           pressed == QKeyCombination(Qt::CTRL | Qt::Key_Y) ||
           pressed == QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

bool UndoKeysToWindow::eventFilter(QObject* watched, QEvent* event) {
    // Left unaccepted, the key goes on to the window's shortcut.
    if (event->type() == QEvent::ShortcutOverride && isUndoOrRedo(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kvelmor::ui
