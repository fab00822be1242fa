#pragma once
// The main window's form as one table: tabs, their groups (frame captions)
// and the settings each group edits, in the order shown. The widgets are
// built from it and bound by the setting's kind, so a new setting is one row
// here; a test checks that every setting of the settings table is edited by
// exactly one widget.

#include <string>
#include <vector>

namespace kvelmor::ui {

struct FormField {
    std::string name;     // the setting's name; the widget's objectName
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

const std::vector<FormTab>& formTabs();
// The settings edited outside the tabs, beside the command buttons.
const std::vector<FormField>& commandAreaFields();
// Settings the window has no field for: carried through presets unchanged.
bool hasNoField(const std::string& name);

}  // namespace kvelmor::ui
