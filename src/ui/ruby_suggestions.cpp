// SPDX-License-Identifier: GPL-3.0-or-later
// The ruby editor's 読み候補: readings suggested by the dictionary, shown in
// another colour until the user accepts them.

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "app/session.h"
#include "ui/qt_text.h"
#include "ui/ruby_editor.h"

namespace kvelmor::ui {
namespace {

// Pending suggestions: a green that reads as "proposed" beside the black of the readings given.
const QColor kSuggestionColour(0, 140, 70);

}  // namespace

void RubyEditor::setUpSuggestions() {
    m_suggestionHelp = new QLabel(this);
    m_suggestionHelp->setObjectName("suggestionHelp");
    m_suggestionHelp->setWordWrap(true);
    m_suggestionHelp->setContentsMargins(20, 0, 20, 0);  // pixels: in line with the key help above it
    if (auto* box = qobject_cast<QVBoxLayout*>(layout())) box->insertWidget(2, m_suggestionHelp);
    showSuggestionState();
}

void RubyEditor::showSuggestionState() {
    QString text = tr("R：読み候補（この行）  SHIFT+R：読み候補（全行）");
    const int pending = m_suggestions.pendingCount();
    if (pending > 0)
        text += tr("\n緑の読みは候補です（%1件）。ENTER：確定  SPACE：修正  A：すべて確定"
                               "（確定しない候補は閉じると消えます）")
                    .arg(pending);
    if (!m_suggestions.notice().empty()) text += "\n" + qs(m_suggestions.notice());
    if (!m_nothingSuggested.isEmpty()) text += "\n" + m_nothingSuggested;
    m_suggestionHelp->setText(text);
}

QColor RubyEditor::rubyColour(int slot) const {
    return m_suggestions.isPending(m_editing.currentLine(), slot) ? kSuggestionColour : QColor(Qt::black);
}

bool RubyEditor::suggestionKey(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    const int line = m_editing.currentLine();
    const int cursor = m_editing.cursorSlot();
    if (!m_nothingSuggested.isEmpty()) {  // said for the key before
        m_nothingSuggested.clear();
        showSuggestionState();
    }
    if (key == Qt::Key_R && (held == Qt::NoModifier || held == Qt::ShiftModifier)) {
        const int before = m_suggestions.pendingCount();
        const bool looked = held == Qt::ShiftModifier ? m_suggestions.suggestAll() : m_suggestions.suggestLine(line);
        // Said, so that a key that seems to do nothing is explained.
        if (looked && m_suggestions.pendingCount() == before && m_suggestions.notice().empty())
            m_nothingSuggested = held == Qt::ShiftModifier
                                     ? tr("読み候補はありません（どの行の漢字にも読みがあります）")
                                     : tr("読み候補はありません（この行の漢字にはすべて読みがあるか、漢字がありません）");
        showLine();  // the line may grow with its readings
    } else if (key == Qt::Key_A && held == Qt::NoModifier) {
        if (m_suggestions.acceptAll() > 0) m_editing.markChanged();
    } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && held == Qt::NoModifier) {
        if (!m_suggestions.accept(line, cursor)) return false;  // no suggestion here: the input starts as ever
        m_editing.markChanged();
    } else if (key == Qt::Key_Space && held == Qt::NoModifier) {
        if (m_suggestions.accept(line, cursor)) {
            m_editing.markChanged();
            showSuggestionState();
        }
        return false;  // and the input starts with it, as for any reading
    } else {
        return false;
    }
    showSuggestionState();
    showCursor();
    return true;
}

}  // namespace kvelmor::ui
