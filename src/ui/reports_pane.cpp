// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/reports_pane.h"

#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/qt_text.h"
#include "ui/language.h"

namespace kvelmor::ui {
namespace {
constexpr int kLineRole = Qt::UserRole + 1;  // the entry's working line; 0 for none
}

ReportsPane::ReportsPane(QWidget* parent) : QWidget(parent) {
    setObjectName("reportsPane");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_heading = new QLabel(this);
    m_heading->setObjectName("reportsHeading");
    m_list = new QListWidget(this);
    m_list->setObjectName("reportsList");
    m_list->setWordWrap(true);
    m_list->setMinimumHeight(48);
    layout->addWidget(m_heading);
    layout->addWidget(m_list, 1);
    auto choose = [this](QListWidgetItem* item) {
        if (const int line = item ? item->data(kLineRole).toInt() : 0; line > 0) emit lineChosen(line);
    };
    connect(m_list, &QListWidget::itemClicked, this, choose);
    connect(m_list, &QListWidget::itemActivated, this, choose);
    showReports({}, {});
}

void ReportsPane::showReports(const std::vector<app::LineReport>& lines, const std::vector<Report>& others) {
    m_list->clear();
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QIcon note = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    for (const auto& l : lines) {
        const QString text = qs(currentLanguage() == Language::Japanese ? l.text : l.english);
        auto* item = new QListWidgetItem(warning, text, m_list);
        item->setData(kLineRole, l.line);
        item->setToolTip(text + "\n" + tr("クリックでプレビューをこの行へ移動"));
    }
    for (const Report& r : others) {
        auto* item = new QListWidgetItem(r.severity == Severity::Info ? note : warning,
                                         reportText(r).remove(QChar(u'\r')), m_list);
        item->setToolTip(item->text());
    }
    m_heading->setText(count() == 0 ? tr("チェック結果: 問題はありません")
                                    : tr("チェック結果: %1件").arg(count()));
}

int ReportsPane::count() const { return m_list->count(); }

}  // namespace kvelmor::ui
