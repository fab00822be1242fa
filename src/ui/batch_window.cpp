// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/batch_window.h"

#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QPointer>
#include <QVBoxLayout>
#include <filesystem>

#include "measure/freetype_measurer.h"
#include "ui/qt_text.h"
#include "ui/language.h"

namespace kvelmor::ui {

BatchWindow::BatchWindow(app::Session& session, const QString& folder, QWidget* parent)
    : QDialog(parent), m_session(session), m_folder(folder) {
    setObjectName("Form6");
    setWindowTitle(tr("一括変換"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_folderLabel = new QLabel(QDir::toNativeSeparators(QDir(folder).absolutePath() + "/"), this);
    m_folderLabel->setObjectName("Label1");
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folderLabel->setWordWrap(true);
    m_countLabel = new QLabel("0", this);
    m_countLabel->setObjectName("Label4");
    m_doneLabel = new QLabel("0", this);
    m_doneLabel->setObjectName("Label2");
    m_stateLabel = new QLabel(tr("開始を待っています"), this);
    m_stateLabel->setObjectName("currentFile");
    form->addRow(tr("フォルダ"), m_folderLabel);
    form->addRow(tr("ファイル数"), m_countLabel);
    form->addRow(tr("変換済み"), m_doneLabel);
    form->addRow(tr("状態"), m_stateLabel);
    layout->addLayout(form);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("ProgressBar1");
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_problems = new QPlainTextEdit(this);
    m_problems->setObjectName("problemList");
    m_problems->setReadOnly(true);
    // A reason names a file and its folder: long lines wrap to the window's width.
    m_problems->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_problems->setVisible(false);
    m_problems->setMinimumHeight(140);
    layout->addWidget(m_problems, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancelButton = new QPushButton(tr("中止"), this);
    m_cancelButton->setObjectName("cancelButton");
    m_cancelButton->setToolTip(tr("今のファイルの後で止めます"));
    m_cancelButton->setAutoDefault(false);  // Enter must not stop a batch
    m_finish = new QPushButton(tr("処理終了"), this);
    m_finish->setObjectName("Command1");
    m_finish->setVisible(false);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_finish);
    layout->addLayout(buttons);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        m_cancel->store(true);
        m_cancelButton->setEnabled(false);
        m_stateLabel->setText(tr("中止しています (今のファイルの後で止まります)"));
    });
    connect(m_finish, &QPushButton::clicked, this, &QDialog::accept);
    setMinimumWidth(560);
}

BatchWindow::~BatchWindow() {
    if (m_thread) {
        m_cancel->store(true);
        m_thread->wait();
    }
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
    if (m_running || m_thread) return;
    m_running = true;
    m_stateLabel->setText(tr("処理中"));
    // The worker's own session, copied here before the worker starts: the
    // batch reads every file into it, and the song open in the window, with
    // its edits, is never touched. It measures with a measurer of its own
    // (the same fonts), since text measurement keeps state between calls.
    std::vector<std::filesystem::path> fontFiles = measure::FreeTypeMeasurer::defaultConfigFiles();
    if (auto* ft = dynamic_cast<measure::FreeTypeMeasurer*>(&m_session.measurer())) fontFiles = ft->loadedConfigFiles();
    struct Worker {
        CollectingReporter reports;
        measure::FreeTypeMeasurer measurer;
        app::Session session;
        Worker(const app::Session& from, const std::vector<std::filesystem::path>& fonts)
            : measurer(fonts), session(from, reports, measurer) {}
    };
    auto worker = std::make_shared<Worker>(m_session, fontFiles);
    QPointer<BatchWindow> self(this);
    app::BatchProgress progress;
    progress.starting = [self](int index, int total, const std::string& path) {
        QMetaObject::invokeMethod(
            self, [self, index, total, p = qs(path)] { if (self) self->fileStarting(index, total, p); },
            Qt::QueuedConnection);
    };
    progress.finished = [self](const app::BatchFileResult&, int done, int) {
        QMetaObject::invokeMethod(self, [self, done] { if (self) self->fileFinished(done); }, Qt::QueuedConnection);
    };
    progress.cancelled = [cancel = m_cancel] { return cancel->load(); };
    m_thread = QThread::create([worker, progress, self, folder = ss(m_folder)] {
        app::BatchResult result = app::runBatch(worker->session, folder, progress);
        QMetaObject::invokeMethod(
            self, [self, result = std::move(result), reports = worker->reports.reports] {
                if (self) self->showResult(result, reports);
            },
            Qt::QueuedConnection);
    });
    m_thread->setParent(this);
    m_thread->setObjectName("batch");
    m_thread->start();
}

void BatchWindow::fileStarting(int index, int total, const QString& path) {
    m_countLabel->setText(QString::number(total));
    m_progress->setRange(0, total);
    m_progress->setValue(index);
    if (!m_cancel->load()) m_stateLabel->setText(tr("処理中: %1").arg(QFileInfo(path).fileName()));
}

void BatchWindow::fileFinished(int done) {
    m_doneLabel->setText(QString::number(done));
    m_progress->setValue(done);
}

void BatchWindow::showResult(const app::BatchResult& result, const std::vector<Report>& sessionReports) {
    m_thread->wait();
    m_result = result;
    QStringList problems;
    for (const auto& f : m_result.files) {
        if (!f.converted) problems << QStringLiteral("%1: %2").arg(qs(f.path), messageText(f.reason));
        else if (f.hasReports())
            for (const Report& r : f.reports)
                if (r.severity != Severity::Info) problems << reportText(r);
    }
    if (m_result.status == app::BatchStatus::FolderError || m_result.files.empty())
        for (const Report& r : sessionReports) problems << reportText(r);
    if (m_result.cancelled) problems.prepend(tr("中止しました。残りのファイルは変換していません。"));
    m_doneLabel->setText(QString::number(m_result.convertedCount()));
    if (m_result.skippedCount() > 0)
        problems.prepend(tr("変換できなかったファイル: %1").arg(m_result.skippedCount()));
    m_stateLabel->setText(m_result.cancelled ? tr("中止しました") : tr("完了"));
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
    emit finished();
}

}  // namespace kvelmor::ui
