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
#include "ui/qt_text.h"

namespace kvelmor::ui {

using settings::Kind;

CreditWindow::CreditWindow(app::Session& session, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_session(session), m_dialogs(dialogs), m_credit(session.appState.credit) {
    setObjectName("Form7");
    setWindowTitle("作成クレジット設定");
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    // Rows of (caption, field) pairs inside one frame.
    auto frame = [&](const char* caption, std::initializer_list<std::pair<const char*, const char*>> rows, int columns) {
        auto* box = new QGroupBox(caption, this);
        auto* grid = new QGridLayout(box);
        int i = 0;
        for (const auto& [label, name] : rows) {
            QWidget* w = bind(name, box);
            const int row = i / columns, col = (i % columns) * 2;
            if (*label) grid->addWidget(new QLabel(label, box), row, col);
            grid->addWidget(w, row, col + 1);
            ++i;
        }
        grid->setColumnStretch(columns * 2, 1);
        layout->addWidget(box);
        return grid;
    };
    QGridLayout* font = frame("フォント", {{"フォント", "Command1"}, {"サイズ", "CreditFontSize"}}, 2);
    m_pixel = new QLabel(this);
    m_pixel->setObjectName("FontPixcel");
    font->addWidget(new QLabel("ピクセル", this), 0, 4);
    font->addWidget(m_pixel, 0, 5);
    font->setColumnStretch(4, 0);
    font->setColumnStretch(6, 1);
    frame("クレジット", {{"テキスト", "Credit"}, {"タグ", "CreditTag"}}, 1);
    frame("表示位置", {{"X", "posX"}, {"Y", "posY"}, {"", "xRight"}}, 3);
    frame("表示時間",
          {{"開始　時", "titleStartH"}, {"分", "titleStartM"}, {"秒", "titleStartS"},
           {"終了　時", "titleEndH"}, {"分", "titleEndM"}, {"秒", "titleEndS"}},
          3);
    frame("フェード(ms)", {{"イン", "FadeIn"}, {"アウト", "FadeOut"}}, 2);
    frame("色&&透明度",
          {{"色", "PrimaryColor"}, {"透明度", "PrimaryAlpha"}, {"縁", "TeritaryColor"}, {"透明度", "TeritaryAlpha"},
           {"影", "ShadowColor"}, {"透明度", "BackAplha"}},
          2);
    frame("文字コード", {{"", "Combo1"}}, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command2");
    ok->setDefault(true);
    auto* cancel = new QPushButton("キャンセル", this);
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

QWidget* CreditWindow::bind(const std::string& name, QWidget* parent) {
    const settings::SettingDef* def = settings::findCreditField(name);
    if (!def) qFatal("unknown credit field: %s", name.c_str());
    QWidget* w = nullptr;
    switch (def->kind) {
    case Kind::NumberText:
    case Kind::Text: {
        auto* e = new FieldEdit(parent);
        e->setKeyFilter([this, name](char32_t c) { return m_credit.acceptsKey(name, c); });
        connect(e, &QLineEdit::textEdited, this, [this, name](const QString& t) { m_credit.setText(name, ss(t)); });
        e->onLeave = [this, name] {
            m_credit.leaveField(name);
            show(name);
            if (name == "CreditFontSize" && isNumeric(m_credit.text(name))) showPixelHeight();
        };
        if (def->kind == Kind::Text) e->setMinimumWidth(320);
        else e->setFixedWidth(72);
        w = e;
        break;
    }
    case Kind::FontFace: {
        auto* b = new QPushButton(parent);
        b->setMinimumWidth(140);
        connect(b, &QPushButton::clicked, this, [this] {
            QFont initial(qs(m_credit.text("Command1")));
            initial.setPointSize(std::max(1, static_cast<int>(toWholeNumber(m_credit.text("CreditFontSize")))));
            initial.setBold(m_credit.text("Command1.Bold") == "1");
            initial.setItalic(m_credit.text("Command1.Italic") == "1");
            auto f = m_dialogs.font(this, initial);
            if (!f) return;
            m_credit.setAsUser("Command1", ss(f->family()));
            m_credit.setAsUser("Command1.Bold", f->bold() ? "1" : "0");
            m_credit.setAsUser("Command1.Italic", f->italic() ? "1" : "0");
            // The pixel height follows when the size field is left.
            m_credit.setText("CreditFontSize", std::to_string(f->pointSize()));
            showAll();
        });
        w = b;
        break;
    }
    case Kind::Colour: {
        auto* b = newColourButton(parent);
        connect(b, &QPushButton::clicked, this, [this, name] {
            auto c = m_dialogs.colour(this, colourFromSetting(m_credit.text(name)));
            if (!c) return;
            m_credit.setAsUser(name, settingFromColour(*c));
            show(name);
        });
        w = b;
        break;
    }
    case Kind::Level: {
        auto* s = newLevelSlider(parent);
        connect(s, &QSlider::valueChanged, this, [this, name](int v) { m_credit.setAsUser(name, std::to_string(v)); });
        w = s;
        break;
    }
    case Kind::ListIndex: {
        auto* c = new QComboBox(parent);
        c->addItems({"SHIFT JIS(128)", "ANSI (0)", "CHINESE BIG5 (136)"});
        connect(c, &QComboBox::activated, this, [this, name](int i) { m_credit.setAsUser(name, std::to_string(i)); });
        w = c;
        break;
    }
    case Kind::Box: {
        auto* b = new QCheckBox("X軸右から", parent);
        b->setToolTip("X軸の指定を右側からのマージン指定とする");
        connect(b, &QCheckBox::clicked, this, [this, name](bool on) { m_credit.setAsUser(name, on ? "1" : "0"); });
        w = b;
        break;
    }
    default:
        qFatal("font flags are set through the font button: %s", name.c_str());
    }
    w->setObjectName(qs(name));
    m_fields[name] = w;
    return w;
}

void CreditWindow::show(const std::string& name) {
    QWidget* w = m_fields.at(name);
    const std::string& value = m_credit.text(name);
    QSignalBlocker block(w);
    switch (settings::findCreditField(name)->kind) {
    case Kind::NumberText:
    case Kind::Text:
        if (ss(static_cast<FieldEdit*>(w)->text()) != value) static_cast<FieldEdit*>(w)->showText(qs(value));
        break;
    case Kind::FontFace: {
        auto* b = static_cast<QPushButton*>(w);
        b->setText(qs(value));
        QFont f = b->font();
        f.setBold(m_credit.text(name + ".Bold") == "1");
        f.setItalic(m_credit.text(name + ".Italic") == "1");
        b->setFont(f);
        break;
    }
    case Kind::Colour: showColour(static_cast<QPushButton*>(w), value); break;
    case Kind::Level: static_cast<QSlider*>(w)->setValue(static_cast<int>(toWholeNumber(value))); break;
    case Kind::ListIndex: static_cast<QComboBox*>(w)->setCurrentIndex(static_cast<int>(toWholeNumber(value))); break;
    case Kind::Box: static_cast<QCheckBox*>(w)->setChecked(value == "1"); break;
    default: break;
    }
}

void CreditWindow::showAll() {
    for (const auto& [name, w] : m_fields) show(name);
}

void CreditWindow::showPixelHeight() {
    const int32_t size = toWholeNumber(m_credit.text("CreditFontSize"));
    const int32_t h = size > 0 ? measure::TextHeight(m_session.measurer(), m_credit.text("Command1"), size, "あ") : 0;
    m_pixel->setText(QString::number(h));
}

void CreditWindow::accept() {
    m_session.appState.credit = m_credit;
    QDialog::accept();
}

}  // namespace kvelmor::ui
