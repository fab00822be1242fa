// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's form: tabs, their frames, and the settings each frame
// edits in the order shown. Where a setting is shown, with its caption, is a
// column of its row in the settings schema (settings/schema.h); this file
// lays the frames out on the tabs. The widgets are bound by the setting's
// kind, so a new setting is one row of the schema.

#include <functional>
#include <string>
#include <vector>

#include "settings/schema.h"

class QButtonGroup;
class QWidget;

namespace kvelmor::ui {

class FieldEdit;

struct FormField {
    std::string name;     // the setting's field name; the widget's objectName
    std::string caption;  // number fields and lists: the label before it; boxes and options: their text
    std::string rowLabel; // boxes and options: a label before them (an option row's name)
    std::vector<std::string> items;  // choices and lists: the entries, in index order; number fields: values offered
    std::string toolTip;
    bool newRow = false;  // starts a new row of its frame
};

struct FormGroup {
    std::string name;     // objectName of the frame
    std::string caption;  // the frame caption ("&&" shows one "&")
    int columns = 1;      // fields per row
    std::vector<FormField> fields;
};

struct FormTab {
    std::string caption;
    std::vector<std::vector<FormGroup>> columns;  // groups stacked in side-by-side columns
};

// The tabs and the command row's fields with their captions in the language
// the windows speak (ui/language.h), as it is when they are asked for.
std::vector<FormTab> formTabs();
// The settings edited outside the tabs, beside the command buttons.
std::vector<FormField> commandAreaFields();
// A text of the schema as the windows show it: its English form while the
// windows speak English, else (and where the schema gives none) the Japanese.
const std::string& inShownLanguage(const std::string& japanese, const std::string& english);
// Settings the window has no field for (no frame, and no font button that
// edits them): carried through presets unchanged.
bool hasNoField(const std::string& name);

// How a widget bound to a setting reaches the value it edits. The window
// gives these; the binder of the setting's kind makes the widget and wires them.
struct FieldAccess {
    std::function<std::string(const std::string& field)> text;  // the value held
    // A click, a list entry, a slider step: the value set as the user would.
    std::function<void(const std::string& field, const std::string& value)> set;
    // Typed fields: each edit kept as typed, the keys they take, Enter and leaving.
    std::function<void(const std::string& field, const std::string& text)> type;
    std::function<bool(const std::string& field, char32_t key)> accepts;
    std::function<void(const std::string& field, FieldEdit& edit)> enter;  // none: Enter acts as leaving
    std::function<void(const std::string& field)> leave;
    // Colour and font buttons: the dialog that picks the value.
    std::function<void(const std::string& field)> pick;
    // Option buttons: the group that keeps one of them selected.
    std::function<QButtonGroup*(const std::string& group)> buttonGroup;
    int textWidth = 260;  // free-text fields: their least width in pixels
};

struct BoundField {
    QWidget* widget = nullptr;   // its objectName is the setting's field name
    std::function<void()> show;  // shows the value held, without signalling an edit
};

// The widget for a setting, made by the binder of its kind (font flags have
// none: their font's button edits them).
BoundField bindField(const settings::SettingDef& d, QWidget* parent, const FieldAccess& access);

}  // namespace kvelmor::ui
