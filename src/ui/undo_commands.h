// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undo and redo in the main window: every change of the settings, a
// preset's selection and the two editors' applied edits is one step on a
// QUndoStack, held as the session's state before and after it
// (app::SessionState); the window only records and shows.

#include <QObject>
#include <QUndoCommand>
#include <functional>
#include <vector>

class QKeyEvent;

#include "app/session_state.h"

namespace kvelmor::ui {

// One step: the session from `before` to `after`. The step is recorded
// after it was made, so the first redo (the push) changes nothing.
class SessionChange : public QUndoCommand {
public:
    SessionChange(app::Session& session, app::SessionState before, app::SessionState after, std::vector<int> stages,
                  std::function<void()> shown, const QString& text);
    void undo() override;
    void redo() override;

private:
    app::Session& m_session;
    app::SessionState m_before, m_after;
    std::vector<int> m_stages;      // the change's refresh stages, run again on a state without its song
    std::function<void()> m_shown;  // the window shows the state it returned to
    bool m_made = true;             // the step was made before it was recorded
};

// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y typed in one of the window's text fields
// go to the window's undo and redo, which take back the field's typing too,
// not to the field's own undo of its text.
class UndoKeysToWindow : public QObject {
public:
    using QObject::QObject;
    static bool isUndoOrRedo(const QKeyEvent* key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kvelmor::ui
