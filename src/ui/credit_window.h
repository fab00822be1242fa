// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credit settings window ("作成クレジット設定"): edits a copy
// of the credit settings; OK stores it in the session, Cancel drops it.

#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "app/session.h"
#include "settings/credit_settings.h"
#include "ui/dialogs.h"
#include "ui/form_table.h"

class QLabel;

namespace kvelmor::ui {

class CreditWindow : public QDialog {
    Q_OBJECT
public:
    CreditWindow(app::Session& session, Dialogs& dialogs, QWidget* parent = nullptr);
    ~CreditWindow() override;

    const settings::CreditSettings& edited() const { return m_credit; }

protected:
    void accept() override;

private:
    // The field's widget, bound by its kind to the copy being edited.
    QWidget* bind(const settings::SettingDef& def, QWidget* parent);
    void pickColour(const std::string& field);
    void pickFont();
    void showAll();
    void showPixelHeight();

    app::Session& m_session;
    Dialogs& m_dialogs;
    settings::CreditSettings m_credit;
    std::map<std::string, std::function<void()>> m_shows;  // by field name
    QLabel* m_pixel = nullptr;
};

}  // namespace kvelmor::ui
