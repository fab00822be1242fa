// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form_table.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <map>

#include "common/number_text.h"
#include "settings/schema.h"
#include "ui/dialogs.h"
#include "ui/field_edit.h"
#include "ui/language.h"
#include "ui/qt_text.h"

namespace kvelmor::ui {
namespace {

// Choices and lists show their entries' captions, in index order; in English their meanings.
std::vector<std::string> itemsOf(const settings::SettingDef& d) {
    std::vector<std::string> items;
    for (const auto& c : d.choices) items.push_back(inShownLanguage(c.caption, c.meaning));
    return items;
}

FormField fieldOf(const settings::SettingDef& d) {
    FormField f{d.field,     inShownLanguage(d.caption, d.captionEn), inShownLanguage(d.rowLabel, d.rowLabelEn),
                d.offered,   inShownLanguage(d.toolTip, d.toolTipEn), d.newRow};
    if (!d.choices.empty()) f.items = itemsOf(d);
    return f;
}

std::vector<FormField> fieldsIn(std::string_view frame) {
    std::vector<FormField> out;
    for (const auto& d : settings::settingTable())
        if (d.frame == frame) out.push_back(fieldOf(d));
    return out;
}

std::vector<FormTab> buildTabs() {
    std::vector<FormTab> tabs;
    for (const settings::WindowTab& t : settings::windowTabs()) {
        FormTab tab{inShownLanguage(t.caption, t.captionEn), {}};
        for (const auto& column : t.columns) {
            tab.columns.emplace_back();
            for (const settings::WindowFrame& f : column) {
                tab.columns.back().push_back(
                    {f.name, inShownLanguage(f.caption, f.captionEn), f.columns, fieldsIn(f.name)});
            }
        }
        tabs.push_back(std::move(tab));
    }
    return tabs;
}

// One binder per kind: each makes its widget, wires its edits to the access
// and shows the value held through the widget's own type.
using Binder = BoundField (*)(const settings::SettingDef&, QWidget*, const FieldAccess&);

int wholeOf(const std::string& text) { return static_cast<int>(toWholeNumber(text)); }

BoundField bindTyped(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* e = new FieldEdit(parent);
    const std::string field = d.field;
    e->setKeyFilter([a, field](char32_t c) { return a.accepts(field, c); });
    QObject::connect(e, &QLineEdit::textEdited, e, [a, field](const QString& t) { a.type(field, ss(t)); });
    // Without an Enter rule of the window's own, Enter acts as leaving.
    if (a.enter) e->onEnter = [a, field, e] { a.enter(field, *e); };
    e->onLeave = [a, field] { a.leave(field); };
    if (d.kind == settings::Kind::Text)
        e->setMinimumWidth(a.textWidth);
    else
        e->setFixedWidth(72);
    return {e, [a, field, e] {
                const std::string value = a.text(field);
                if (ss(e->text()) != value) e->showText(qs(value));
            }};
}

BoundField bindBox(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* b = new QCheckBox(qs(inShownLanguage(d.caption, d.captionEn)), parent);
    const std::string field = d.field;
    QObject::connect(b, &QCheckBox::clicked, b, [a, field](bool on) { a.set(field, on ? "1" : "0"); });
    return {b, [a, field, b] { b->setChecked(wholeOf(a.text(field)) != 0); }};
}

BoundField bindOption(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* b = new QRadioButton(qs(inShownLanguage(d.caption, d.captionEn)), parent);
    a.buttonGroup(d.optionGroup)->addButton(b);
    const std::string field = d.field;
    QObject::connect(b, &QRadioButton::clicked, b, [a, field](bool on) {
        if (on) a.set(field, "1");
    });
    return {b, [a, field, b] { b->setChecked(wholeOf(a.text(field)) != 0); }};
}

BoundField bindList(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* c = new QComboBox(parent);
    for (const auto& entry : itemsOf(d)) c->addItem(qs(entry));
    const std::string field = d.field;
    QObject::connect(c, &QComboBox::activated, c, [a, field](int i) { a.set(field, std::to_string(i)); });
    return {c, [a, field, c] {
                const int i = wholeOf(a.text(field));
                c->setCurrentIndex(i < c->count() ? i : -1);
            }};
}

BoundField bindColour(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* b = newColourButton(parent);
    const std::string field = d.field;
    QObject::connect(b, &QPushButton::clicked, b, [a, field] { a.pick(field); });
    return {b, [a, field, b] { showColour(b, a.text(field)); }};
}

BoundField bindLevel(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* s = newLevelSlider(parent);
    const std::string field = d.field;
    QObject::connect(s, &QSlider::valueChanged, s, [a, field](int v) { a.set(field, std::to_string(v)); });
    return {s, [a, field, s] { s->setValue(wholeOf(a.text(field))); }};
}

BoundField bindFont(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* b = new QPushButton(parent);
    b->setMinimumWidth(140);
    const std::string field = d.field;
    QObject::connect(b, &QPushButton::clicked, b, [a, field] { a.pick(field); });
    return {b, [a, field, b] {
                b->setText(qs(a.text(field)));
                QFont f = b->font();
                f.setBold(wholeOf(a.text(field + ".Bold")) != 0);
                f.setItalic(wholeOf(a.text(field + ".Italic")) != 0);
                b->setFont(f);
            }};
}

BoundField bindPixelHeight(const settings::SettingDef& d, QWidget* parent, const FieldAccess& a) {
    auto* l = new QLabel(parent);
    const std::string field = d.field;
    return {l, [a, field, l] { l->setText(qs(a.text(field))); }};
}

const std::map<settings::Kind, Binder>& binders() {
    using K = settings::Kind;
    static const std::map<K, Binder> table{
        {K::NumberText, bindTyped},        {K::Text, bindTyped},  {K::Box, bindBox},
        {K::OptionMember, bindOption},     {K::Choice, bindList}, {K::ListIndex, bindList},
        {K::Colour, bindColour},           {K::Level, bindLevel}, {K::FontFace, bindFont},
        {K::PixelHeight, bindPixelHeight},
    };
    return table;
}

}  // namespace

BoundField bindField(const settings::SettingDef& d, QWidget* parent, const FieldAccess& access) {
    auto it = binders().find(d.kind);
    if (it == binders().end()) return {};
    BoundField bound = it->second(d, parent, access);
    bound.widget->setObjectName(qs(d.field));
    if (!d.toolTip.empty()) bound.widget->setToolTip(qs(inShownLanguage(d.toolTip, d.toolTipEn)));
    // Shown without signalling: a value shown is no edit.
    bound.show = [show = bound.show, w = bound.widget] {
        QSignalBlocker block(w);
        show();
    };
    return bound;
}

std::vector<FormTab> formTabs() { return buildTabs(); }

std::vector<FormField> commandAreaFields() { return fieldsIn(settings::kCommandArea); }

const std::string& inShownLanguage(const std::string& japanese, const std::string& english) {
    return currentLanguage() == Language::English && !english.empty() ? english : japanese;
}

bool hasNoField(const std::string& name) {
    const settings::SettingDef* d = settings::findSetting(name);
    return d && d->frame.empty() && d->kind != settings::Kind::FontFlag;
}

}  // namespace kvelmor::ui
