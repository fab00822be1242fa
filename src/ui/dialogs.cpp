// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QColorDialog>
#include <QDateTime>
#include <QDesktopServices>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "common/number_text.h"

namespace kvelmor::ui {
namespace {

// Messages longer than this many lines are shown in a scrolling list.
constexpr int kLinesInABox = 12;

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    const QStringList lines = text.split('\n');
    if (lines.size() <= kLinesInABox) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // a path or address in it can be copied
        box.exec();
        return;
    }
    QDialog d(parent);
    d.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(new QLabel(QCoreApplication::translate("kvelmor::ui::Dialogs", "%1 件のメッセージ").arg(lines.size()), &d));
    auto* list = new QPlainTextEdit(text, &d);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setMinimumSize(560, 320);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    layout->addWidget(buttons);
    d.exec();
}

// Milliseconds the desktop's opener is given to say that nothing could open
// the target; an opener still running then has started a program for it.
constexpr int kOpenerVerdictMs = 2500;

bool openWithTheDesktop(const QString& target) {
    const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
    // xdg-open says by its exit code whether a program took the target (it
    // ends with 3 or 4 where no browser is installed); Qt's own call only
    // says whether xdg-open could be started.
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);
    auto* p = new QProcess(qApp);
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    p->start(opener, {url.toString()});
    if (!p->waitForStarted(kOpenerVerdictMs)) {
        p->deleteLater();
        return false;
    }
    if (!p->waitForFinished(kOpenerVerdictMs)) return true;  // left running; it deletes itself when it ends
    return p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
}

bool askYesOrNo(QWidget* parent, const QString& title, const QString& text, QMessageBox::StandardButton byDefault,
                const char* name) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(name);
    box.setDefaultButton(byDefault);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

namespace {

struct Choice {
    QMessageBox::StandardButton button;
    const char* caption;  // Japanese, translated in the Dialogs context
};

// A question answered with one of `choices`, each button captioned in the window's language.
QMessageBox::StandardButton askWithCaptions(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                            const QString& text, std::initializer_list<Choice> choices,
                                            QMessageBox::StandardButton byDefault,
                                            QMessageBox::StandardButton onEscape) {
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    for (const Choice& c : choices)
        box.addButton(c.button)->setText(QCoreApplication::translate("kvelmor::ui::Dialogs", c.caption));
    box.setDefaultButton(byDefault);
    box.setEscapeButton(onEscape);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QString keptTimeText(int64_t secondsSince1970) {
    return QDateTime::fromSecsSinceEpoch(secondsSince1970).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Dialogs Dialogs::standard() {
    Dialogs d;
    d.colour = [](QWidget* parent, const QColor& initial) -> std::optional<QColor> {
        QColor c = QColorDialog::getColor(initial, parent);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    d.font = [](QWidget* parent, const QFont& initial) -> std::optional<QFont> {
        // A face this system lacks (a Windows face a preset names) is not in
        // the list: the face it is drawn with is selected instead (the IPA
        // Gothic the font aliases map it to, not the list's first entry), and
        // unless the user picks another face, the face named stays.
        QFont shown = initial;
        if (const QString drawnWith = QFontInfo(initial).family(); !drawnWith.isEmpty()) shown.setFamily(drawnWith);
        QFontDialog dialog(shown, parent);
        const QString standIn = dialog.currentFont().family();
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        QFont f = dialog.selectedFont();
        if (f.family() == standIn && standIn != initial.family()) f.setFamily(initial.family());
        return f;
    };
    d.openFile = [](QWidget* parent, const QString& title, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, folder, filter);
    };
    d.saveFile = [](QWidget* parent, const QString& title, const QString& path, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, title, path, filter, nullptr, QFileDialog::DontConfirmOverwrite);
    };
    d.folder = [](QWidget* parent, const QString& title, const QString& folder) {
        return QFileDialog::getExistingDirectory(parent, title, folder);
    };
    d.message = showMessage;
    d.confirm = [](QWidget* parent, const QString& title, const QString& text) {
        return askYesOrNo(parent, title, text, QMessageBox::No, "confirmQuestion");
    };
    d.restore = [](QWidget* parent, const QString& title, const QString& text) {
        return askYesOrNo(parent, title, text, QMessageBox::Yes, "restoreQuestion");
    };
    d.unsaved = [](QWidget* parent, const QString& title, const QString& text) {
        return askWithCaptions(parent, QMessageBox::Warning, title, text,
                               {{QMessageBox::Save, QT_TRANSLATE_NOOP("kvelmor::ui::Dialogs", "保存")},
                                {QMessageBox::Discard, QT_TRANSLATE_NOOP("kvelmor::ui::Dialogs", "破棄")},
                                {QMessageBox::Cancel, QT_TRANSLATE_NOOP("kvelmor::ui::Dialogs", "キャンセル")}},
                               QMessageBox::Save, QMessageBox::Cancel);
    };
    d.writeFailed = [](QWidget* parent, const QString& title, const QString& text) {
        return askWithCaptions(parent, QMessageBox::Critical, title, text,
                               {{QMessageBox::Retry, QT_TRANSLATE_NOOP("kvelmor::ui::Dialogs", "再試行")},
                                {QMessageBox::Save, QT_TRANSLATE_NOOP("kvelmor::ui::Dialogs", "別の場所に保存...")},
                                {QMessageBox::Discard, QT_TRANSLATE_NOOP("kvelmor::ui::Dialogs", "保存しない")}},
                               QMessageBox::Retry, QMessageBox::Retry);
    };
    d.openExternally = openWithTheDesktop;
    return d;
}

bool askDiscardEdits(QWidget* editor, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Discard | QMessageBox::Cancel, editor);
    box.setObjectName("discardQuestion");
    box.button(QMessageBox::Discard)->setText(QCoreApplication::translate("kvelmor::ui::Dialogs", "破棄する"));
    box.button(QMessageBox::Cancel)->setText(QCoreApplication::translate("kvelmor::ui::Dialogs", "編集を続ける"));
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Discard;
}

void placeOver(QWidget* dialog, const QWidget* owner) {
    if (!owner) return;
    const QRect o = owner->frameGeometry();
    const QSize own = dialog->frameGeometry().size().isValid() ? dialog->frameGeometry().size() : dialog->sizeHint();
    const int x = o.width() >= own.width() ? o.left() + (o.width() - own.width()) / 2 : o.left();
    const int y = o.height() >= own.height() ? o.top() + (o.height() - own.height()) / 2 : o.top();
    dialog->move(x, y);
}

QPushButton* newColourButton(QWidget* parent) {
    auto* b = new QPushButton(parent);
    b->setFixedSize(48, 22);
    return b;
}

void showColour(QPushButton* button, const std::string& decimal) {
    const QColor c = colourFromSetting(decimal);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid #606060; }").arg(c.name()));
    button->setToolTip(c.name());
}

QSlider* newLevelSlider(QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(0, 10);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setMinimumWidth(64);
    return s;
}

QColor colourFromSetting(const std::string& decimal) {
    auto v = parseNumber(decimal);
    auto bgr = static_cast<uint32_t>(v && *v > 0 ? *v : 0);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

std::string settingFromColour(const QColor& c) {
    const uint32_t bgr = static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
                         (static_cast<uint32_t>(c.blue()) << 16);
    return std::to_string(bgr);
}

}  // namespace kvelmor::ui
