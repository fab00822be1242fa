// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The standard dialogs the windows open, behind one replaceable set of
// functions: the program uses Qt's dialogs, tests answer in their place.

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QPushButton;
class QSlider;
class QWidget;

namespace kvelmor::ui {

struct Dialogs {
    // A colour picked starting from `initial`; nothing when cancelled.
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> colour;
    // A font picked starting from `initial` (face, point size, bold, italic); nothing when cancelled.
    std::function<std::optional<QFont>(QWidget* parent, const QFont& initial)> font;
    // A file to open; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& folder, const QString& filter)> openFile;
    // A file to save to, starting at `path` (a folder and a suggested name);
    // empty when cancelled. The caller asks before a file is replaced.
    std::function<QString(QWidget* parent, const QString& title, const QString& path, const QString& filter)> saveFile;
    // A folder; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& folder)> folder;
    // A message the user acknowledges. Many lines scroll.
    std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)> message;
    // Yes or no to something that cannot be undone; no when the box is closed.
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> confirm;
    // Yes or no to restoring work that a run which did not end kept in a
    // recovery file. Yes is the default button: restoring loses nothing,
    // while no drops that work for good. No when the box is closed.
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> restore;
    // 保存 (Save), 破棄 (Discard) or キャンセル (Cancel) for changes not yet kept; Cancel when the box is closed.
    std::function<QMessageBox::StandardButton(QWidget* parent, const QString& title, const QString& text)> unsaved;
    // A file that could not be written: 再試行 (Retry, the default), 別の場所に保存 (Save, to another
    // place) or 保存しない (Discard); Retry when the box is closed, so nothing is given up unasked.
    std::function<QMessageBox::StandardButton(QWidget* parent, const QString& title, const QString& text)> writeFailed;
    // Hands a file or web address to the desktop; false when nothing could open it.
    std::function<bool(const QString& target)> openExternally;

    static Dialogs standard();
};

// An editor's question before its edits are dropped (Esc, キャンセル):
// 破棄する or 編集を続ける, the latter the default. True: drop them.
bool askDiscardEdits(QWidget* editor, const QString& title, const QString& text);

// The time a recovery file was kept (seconds since 1970), in local time,
// as "2026-12-08 13:05:09".
QString keptTimeText(int64_t secondsSince1970);

// Places `dialog` over `owner`: centred where the owner is at least as large
// in that direction, aligned with the owner's top or left edge otherwise.
void placeOver(QWidget* dialog, const QWidget* owner);

// The widgets colours and transparency levels are edited with, in the main and the credit window.
QPushButton* newColourButton(QWidget* parent);
void showColour(QPushButton* button, const std::string& decimal);
QSlider* newLevelSlider(QWidget* parent);  // 0..10

// A colour held as 0x00BBGGRR in decimal, and back.
QColor colourFromSetting(const std::string& decimal);
std::string settingFromColour(const QColor& c);

}  // namespace kvelmor::ui
