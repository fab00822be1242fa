// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ruby editor ("ルビ"): one working line at a time, drawn as it
// will be on screen, with a cursor box over the cells a new ruby covers.
// Keys move the cursor, widen the cell, type a ruby, copy ruby to the
// repeats of a line, mark characters and switch the line's style; the work
// itself is app::RubyEditing's.
//
// While the cells are browsed the editor takes no input-method events, so a
// Japanese input method (fcitx, ibus) leaves the arrow and letter keys to it;
// while a ruby is typed in its field the input method works as usual. The
// setting belongs to the editor's own widgets, so whatever the user had
// elsewhere is as it was when the editor closes.

#include <QColor>
#include <QDialog>
#include <memory>

#include "app/reading_suggestions.h"
#include "app/ruby_editing.h"

class QLabel;
class QLineEdit;
class QScrollArea;

namespace kvelmor::app {
class Session;
}

namespace kvelmor::ui {

class RubyLineView;

class RubyEditor : public QDialog {
    Q_OBJECT
public:
    RubyEditor(app::Session& session, QWidget* parent);
    ~RubyEditor() override;

    // Shows the editor modally over `parent` at working line `startLine`
    // (1-based; others open it at line 1); a song without working lines
    // is reported through the session's reporter instead. Returns Accepted
    // when the song changed.
    static int open(app::Session& session, QWidget* parent, int startLine = 1);

    // Rejected at once when the song has no working lines.
    int exec() override;
    // OK, Ctrl+Enter or the window's close: the ruby being typed is dropped,
    // ruby placement and timing run, and the result is Accepted when the
    // song changed.
    void done(int result) override;
    // キャンセル or Esc: asks before changes are dropped; when they are (or
    // there are none) the song is as it was when the editor opened.
    void reject() override;
    // Shows working line `line` (1-based), the cursor on its first character.
    void showLineNumber(int line);

    const app::RubyEditing& editing() const { return m_editing; }
    const app::RubySuggestions& suggestions() const { return m_suggestions; }
    // Whether a ruby is being typed.
    bool typing() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window keeps the changes, as OK does (and as the lyrics editor does).
    void closeEvent(QCloseEvent* event) override;

private:
    friend class RubyLineView;
    // A click at `x` pixels of the view: the cursor to the character there.
    void clickAt(int x);
    // A key while the cells are browsed; false when it is not the editor's.
    bool browseKey(int key, Qt::KeyboardModifiers modifiers);
    void startInput();
    void endInput(bool store);
    void showLine();
    void showCursor();

    // 読み候補 (ruby_suggestions.cpp): R suggests readings for this line,
    // Shift+R for every line, A accepts them all; Enter accepts the one under
    // the cursor, Space accepts it and edits it as any reading. Pending ones
    // are drawn in another colour and taken out when the editor closes.
    bool suggestionKey(int key, Qt::KeyboardModifiers modifiers);
    void setUpSuggestions();
    void showSuggestionState();
    QColor rubyColour(int slot) const;

    app::Session& m_session;
    app::RubyEditing m_editing;
    app::RubySuggestions m_suggestions{m_session};
    QLabel* m_suggestionHelp = nullptr;
    QString m_nothingSuggested;  // said when R found nothing to suggest
    RubyLineView* m_view = nullptr;
    QScrollArea* m_area = nullptr;
    QLineEdit* m_input = nullptr;  // where a ruby is typed
    QLabel* m_help = nullptr;      // the keys, under the line
    QLabel* m_style = nullptr;     // the style name
    QLabel* m_keys = nullptr;      // the other keys, and how to close
    bool m_finished = false;
};

}  // namespace kvelmor::ui
