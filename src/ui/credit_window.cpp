// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/credit_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "common/number_text.h"
#include "measure/text_measure.h"
#include "ui/field_edit.h"
#include "ui/form_table.h"
#include "ui/qt_text.h"

namespace kvelmor::ui {

using settings::Kind;

CreditWindow::CreditWindow(app::Session& session, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_session(session), m_dialogs(dialogs), m_credit(session.appState.credit) {
    setObjectName("Form7");
    setWindowTitle(tr("作成クレジット設定"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    // The fields of one frame, `columns` to a row, each after its caption.
    auto frame = [&](const QString& caption, std::initializer_list<const char*> fields, int columns) {
        auto* box = new QGroupBox(caption, this);
        auto* grid = new QGridLayout(box);
        int i = 0;
        for (const char* name : fields) {
            const settings::SettingDef* def = settings::findCreditField(name);
            QWidget* w = bind(*def, box);
            const int row = i / columns, col = (i % columns) * 2;
            const bool captionOnWidget = def->kind == Kind::Box;
            const std::string& caption = inShownLanguage(def->caption, def->captionEn);
            if (!captionOnWidget && !caption.empty()) grid->addWidget(new QLabel(qs(caption), box), row, col);
            grid->addWidget(w, row, col + 1);
            ++i;
        }
        grid->setColumnStretch(columns * 2, 1);
        layout->addWidget(box);
        return grid;
    };
    QGridLayout* font = frame(tr("フォント"), {"Command1", "CreditFontSize"}, 2);
    m_pixel = new QLabel(this);
    m_pixel->setObjectName("FontPixcel");
    font->addWidget(new QLabel(tr("ピクセル"), this), 0, 4);
    font->addWidget(m_pixel, 0, 5);
    font->setColumnStretch(4, 0);
    font->setColumnStretch(6, 1);
    frame(tr("クレジット"), {"Credit", "CreditTag"}, 1);
    frame(tr("表示位置"), {"posX", "posY", "xRight"}, 3);
    frame(tr("表示時間"), {"titleStartH", "titleStartM", "titleStartS", "titleEndH", "titleEndM", "titleEndS"}, 3);
    frame(tr("フェード(ms)"), {"FadeIn", "FadeOut"}, 2);
    frame(tr("色&&透明度"), {"PrimaryColor", "PrimaryAlpha", "TeritaryColor", "TeritaryAlpha", "ShadowColor", "BackAplha"},
          2);
    frame(tr("文字コード"), {"Combo1"}, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command2");
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("キャンセル"), this);
    cancel->setObjectName("Command3");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    showAll();
    showPixelHeight();
    adjustSize();
    // Centred on the main window.
    if (parent) {
        const QRect o = parent->frameGeometry();
        move(o.left() + o.width() / 2 - width() / 2, o.top() + o.height() / 2 - height() / 2);
    }
}

CreditWindow::~CreditWindow() { detachFieldEdits(this); }

QWidget* CreditWindow::bind(const settings::SettingDef& def, QWidget* parent) {
    FieldAccess access;
    access.text = [this](const std::string& field) { return m_credit.text(field); };
    access.set = [this](const std::string& field, const std::string& value) { m_credit.setAsUser(field, value); };
    access.type = [this](const std::string& field, const std::string& text) { m_credit.setText(field, text); };
    access.accepts = [this](const std::string& field, char32_t c) { return m_credit.acceptsKey(field, c); };
    access.leave = [this](const std::string& field) {
        m_credit.leaveField(field);
        m_shows.at(field)();
        if (field == "CreditFontSize" && isNumeric(m_credit.text(field))) showPixelHeight();
    };
    access.pick = [this](const std::string& field) {
        if (settings::findCreditField(field)->kind == Kind::FontFace) pickFont();
        else pickColour(field);
    };
    access.textWidth = 320;
    BoundField bound = bindField(def, parent, access);
    m_shows[def.field] = bound.show;
    return bound.widget;
}

void CreditWindow::pickColour(const std::string& field) {
    auto c = m_dialogs.colour(this, colourFromSetting(m_credit.text(field)));
    if (!c) return;
    m_credit.setAsUser(field, settingFromColour(*c));
    m_shows.at(field)();
}

void CreditWindow::pickFont() {
    QFont initial(qs(m_credit.text("credit.font.face")));
    initial.setPointSize(std::max(1, static_cast<int>(toWholeNumber(m_credit.text("credit.fontSize")))));
    initial.setBold(m_credit.text("credit.font.bold") == "1");
    initial.setItalic(m_credit.text("credit.font.italic") == "1");
    auto f = m_dialogs.font(this, initial);
    if (!f) return;
    m_credit.setAsUser("credit.font.face", ss(f->family()));
    m_credit.setAsUser("credit.font.bold", f->bold() ? "1" : "0");
    m_credit.setAsUser("credit.font.italic", f->italic() ? "1" : "0");
    // The pixel height follows when the size field is left.
    m_credit.setText("CreditFontSize", std::to_string(f->pointSize()));
    showAll();
}

void CreditWindow::showAll() {
    for (const auto& [field, show] : m_shows) show();
}

void CreditWindow::showPixelHeight() {
    const int32_t size = toWholeNumber(m_credit.text("CreditFontSize"));
    const int32_t h = size > 0 ? measure::textHeight(m_session.measurer(), m_credit.text("Command1"), size, "あ") : 0;
    m_pixel->setText(QString::number(h));
}

void CreditWindow::accept() {
    m_session.appState.credit = m_credit;
    QDialog::accept();
}

}  // namespace kvelmor::ui
