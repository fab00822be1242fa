// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes a window's command shortcuts win over the keys its fields bind for
// themselves: a line edit takes Ctrl+E as "end of line", a spin box or a
// slider takes Ctrl+PgDown as a step, and the window's command would never
// see the key while such a field has the focus.

#include <QObject>

class QWidget;

namespace kvelmor::ui {

class CommandKeysFirst : public QObject {
public:
    // Watches every key sent to a widget of `window` while the window lives.
    explicit CommandKeysFirst(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* m_window;
};

}  // namespace kvelmor::ui
