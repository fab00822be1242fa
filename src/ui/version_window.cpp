// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/version_window.h"

#include "ui/language.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "script/script_header.h"

namespace kvelmor::ui {

QString versionText() { return QStringLiteral(KVELMOR_VERSION_TEXT); }

QString helpFilePath() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString page = currentLanguage() == Language::Japanese ? "Kvelmor.html" : "Kvelmor_en.html";
    const QString installed = QFileInfo(dir + "/../share/kvelmor/" + page).absoluteFilePath();
    for (const QString& p : {dir + "/" + page, installed})
        if (QFileInfo::exists(p)) return QFileInfo(p).absoluteFilePath();
    return installed;
}

void openInDesktop(Dialogs& dialogs, QWidget* parent, const QString& target) {
    const bool isFile = !target.contains("://");
    QString reason;
    if (isFile && !QFileInfo::exists(target))
        reason = QCoreApplication::translate("kvelmor::ui::VersionWindow", "指定されたファイルが見つかりませんでした。");
    else if (!dialogs.openExternally(target))
        reason = isFile ? QCoreApplication::translate("kvelmor::ui::VersionWindow",
                                                      "ブラウザを起動できませんでした。次のファイルをブラウザで開いてください。")
                        : QCoreApplication::translate("kvelmor::ui::VersionWindow",
                                                      "ブラウザを起動できませんでした。次のアドレスをブラウザで開いてください。");
    else return;
    dialogs.message(parent, QMessageBox::Warning, "Kvelmor",
                    QCoreApplication::translate("kvelmor::ui::VersionWindow", "失敗しました。") + "\n" + reason + "\n" + target);
}

VersionWindow::VersionWindow(Dialogs& dialogs, QWidget* parent) : QDialog(parent) {
    setObjectName("Form2");
    setWindowTitle(tr("バージョン情報"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel("Kvelmor", this);
    name->setObjectName("Label1");
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(versionText(), this);
    version->setObjectName("version");
    auto* credit = new QLabel(tr("カラオケ字幕 (ASS) 作成ツール — Kvelmor の開発者たち"), this);
    credit->setObjectName("Label2");
    const QString home = QString::fromUtf8(script::kHomePage);
    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(home), this);
    link->setObjectName("Label3");
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this,
            [this, &dialogs](const QString& url) { openInDesktop(dialogs, this, url); });
    for (QLabel* l : {name, version, credit, link}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* close = new QPushButton(tr("閉じる"), this);
    close->setObjectName("Command1");
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(close);
    row->addStretch(1);
    layout->addLayout(row);
    setMinimumWidth(360);
}

}  // namespace kvelmor::ui
