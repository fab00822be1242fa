#pragma once
// The credit settings window ("Form7", "作成クレジット設定"): edits a copy
// of the credit settings; OK stores it in the session, Cancel drops it.

#include <QDialog>
#include <map>
#include <string>

#include "app/session.h"
#include "settings/credit_settings.h"
#include "ui/dialogs.h"

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
    QWidget* bind(const std::string& name, QWidget* parent);
    void show(const std::string& name);
    void showAll();
    void showPixelHeight();

    app::Session& m_session;
    Dialogs& m_dialogs;
    settings::CreditSettings m_credit;
    std::map<std::string, QWidget*> m_fields;
    QLabel* m_pixel = nullptr;
};

}  // namespace kvelmor::ui
