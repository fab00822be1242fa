#include "ui/batch_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/qt_text.h"
#include "common/japanese_text.h"

namespace kvelmor::ui {

BatchWindow::BatchWindow(app::Session& session, const QString& folder, QWidget* parent)
    : QDialog(parent), m_session(session), m_folder(folder) {
    setObjectName("Form6");
    setWindowTitle("一括変換");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_folderLabel = new QLabel(QDir::toNativeSeparators(QDir(folder).absolutePath() + "/"), this);
    m_folderLabel->setObjectName("Label1");
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_countLabel = new QLabel("0", this);
    m_countLabel->setObjectName("Label4");
    m_doneLabel = new QLabel("0", this);
    m_doneLabel->setObjectName("Label2");
    m_currentLabel = new QLabel(this);
    m_currentLabel->setObjectName("currentFile");
    form->addRow("フォルダ", m_folderLabel);
    form->addRow("ファイル数", m_countLabel);
    form->addRow("変換済み", m_doneLabel);
    form->addRow("処理中", m_currentLabel);
    layout->addLayout(form);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("ProgressBar1");
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_problems = new QPlainTextEdit(this);
    m_problems->setObjectName("problemList");
    m_problems->setReadOnly(true);
    m_problems->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_problems->setVisible(false);
    m_problems->setMinimumHeight(140);
    layout->addWidget(m_problems, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancelButton = new QPushButton("中止", this);
    m_cancelButton->setObjectName("cancelButton");
    m_cancelButton->setToolTip("今のファイルの後で止めます");
    m_cancelButton->setAutoDefault(false);  // Enter must not stop a batch
    m_finish = new QPushButton("処理終了", this);
    m_finish->setObjectName("Command1");
    m_finish->setVisible(false);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_finish);
    layout->addLayout(buttons);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        m_cancel = true;
        m_cancelButton->setEnabled(false);
    });
    connect(m_finish, &QPushButton::clicked, this, &QDialog::accept);
    setMinimumWidth(520);
}

void BatchWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!m_started) {
        m_started = true;
        // After the window has been drawn once.
        QTimer::singleShot(0, this, &BatchWindow::run);
    }
}

void BatchWindow::reject() {
    if (m_running) return;
    QDialog::reject();
}

void BatchWindow::run() {
    m_started = true;
    if (m_running) return;
    m_running = true;
    // The reports about each file are listed here, not shown one box at a time.
    CollectingReporter quiet;
    Reporter& previous = m_session.swapReporter(quiet);

    app::BatchProgress progress;
    progress.starting = [this](int index, int total, const std::string& path) {
        m_countLabel->setText(QString::number(total));
        m_progress->setRange(0, total);
        m_progress->setValue(index);
        m_currentLabel->setText(QFileInfo(qs(path)).fileName());
        // Let the window repaint and take a click on the cancel button.
        QApplication::processEvents();
    };
    progress.finished = [this](const app::BatchFileResult&, int done, int) {
        m_doneLabel->setText(QString::number(done));
        m_progress->setValue(done);
        QApplication::processEvents();
    };
    progress.cancelled = [this] { return m_cancel; };
    m_result = app::runBatch(m_session, ss(m_folder), progress);
    m_session.swapReporter(previous);

    QStringList problems;
    for (const auto& f : m_result.files) {
        if (!f.converted) problems << QStringLiteral("%1: %2").arg(qs(f.path), qs(japaneseText(f.reason)));
        else if (f.hasReports())
            for (const Report& r : f.reports)
                if (r.severity != Severity::Info) problems << qs(formatReportInJapanese(r));
    }
    if (m_result.status == app::BatchStatus::FolderError || m_result.files.empty())
        for (const Report& r : quiet.reports) problems << qs(formatReportInJapanese(r));
    if (m_result.cancelled) problems.prepend("中止しました。残りのファイルは変換していません。");
    m_doneLabel->setText(QString::number(m_result.convertedCount()));
    if (m_result.skippedCount() > 0)
        problems.prepend(QStringLiteral("変換できなかったファイル: %1").arg(m_result.skippedCount()));
    m_currentLabel->clear();
    if (!problems.isEmpty()) {
        m_problems->setPlainText(problems.join('\n'));
        m_problems->setVisible(true);
    }
    if (m_result.files.empty()) {
        m_progress->setRange(0, 1);
        m_progress->setValue(1);
    }
    m_cancelButton->setVisible(false);
    m_finish->setVisible(true);
    m_finish->setFocus();
    m_running = false;
}

}  // namespace kvelmor::ui
