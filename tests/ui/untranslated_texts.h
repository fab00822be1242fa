// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts a window shows that still hold Japanese: what a window in
// English has left untranslated. Read from every widget and action under
// the window: window titles, labels, buttons, group boxes, tabs, menus and
// their actions, tooltips, placeholders. Texts shown as written in either
// language (ui::kShownAsWritten: a language's own name, lyrics, sample
// text) are passed over, and so are the areas of kNotYetInEnglish.
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QWidget>

#include "ui/language.h"

namespace kvelmor::test {

// Areas not yet in English, each the object name of the area's widget or a
// property set on its widgets. Every window is in English now: none.
inline const QStringList kNotYetInEnglish{};

inline bool passedOver(const QObject* o) {
    for (; o; o = o->parent()) {
        if (o->property(ui::kShownAsWritten).toBool()) return true;
        for (const QString& area : kNotYetInEnglish)
            if (o->objectName() == area || o->property(area.toUtf8().constData()).toBool()) return true;
    }
    return false;
}

// Kana, kanji and half-width katakana.
inline bool holdsJapanese(const QString& text) {
    static const QRegularExpression japanese(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{3400}-\\x{9FFF}\\x{FF66}-\\x{FF9F}]"));
    return japanese.match(text).hasMatch();
}

// "objectName: text" for each text under `top` that holds Japanese.
inline QStringList untranslatedTexts(QWidget* top) {
    QStringList found;
    auto note = [&](const QObject* o, const QString& what, const QString& text) {
        if (holdsJapanese(text) && !passedOver(o))
            found << QStringLiteral("%1 (%2 %3): %4").arg(o->objectName(), o->metaObject()->className(), what, text);
    };
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
        note(w, "title", w->windowTitle());
        note(w, "tooltip", w->toolTip());
        if (auto* l = qobject_cast<QLabel*>(w)) note(w, "text", l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) note(w, "text", b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w)) note(w, "title", g->title());
        if (auto* e = qobject_cast<QLineEdit*>(w)) note(w, "placeholder", e->placeholderText());
        if (auto* m = qobject_cast<QMenu*>(w)) note(w, "menu", m->title());
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i) {
                note(w, "tab", t->tabText(i));
                note(w, "tab tooltip", t->tabToolTip(i));
            }
    }
    for (QAction* a : top->findChildren<QAction*>()) {
        note(a, "action", a->text());
        note(a, "action tooltip", a->toolTip());
    }
    return found;
}

}  // namespace kvelmor::test
