// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch window ("一括変換"): converts every .txt file of a
// folder on a thread of its own, over its own copy of the session, so that
// the window repaints and takes the cancel button whatever a file costs; it
// can be stopped after the current file, and lists at the end the files it
// could not convert. The session the window was opened over is not changed.

#include <QDialog>
#include <QThread>
#include <atomic>
#include <memory>

#include "app/batch.h"
#include "app/session.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kvelmor::ui {

class BatchWindow : public QDialog {
    Q_OBJECT
public:
    BatchWindow(app::Session& session, const QString& folder, QWidget* parent = nullptr);
    ~BatchWindow() override;

    const app::BatchResult& result() const { return m_result; }
    // Starts the batch (once); started by the first showing of the window.
    void run();
    bool isRunning() const { return m_running; }

signals:
    // The batch has ended and its result is shown.
    void finished();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;  // Escape and the close button wait for the end

private:
    void fileStarting(int index, int total, const QString& path);
    void fileFinished(int done);
    void showResult(const app::BatchResult& result, const std::vector<Report>& sessionReports);

    app::Session& m_session;
    QString m_folder;
    app::BatchResult m_result;
    bool m_started = false;
    bool m_running = false;
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
    QThread* m_thread = nullptr;
    QLabel* m_folderLabel;
    QLabel* m_countLabel;
    QLabel* m_doneLabel;
    QLabel* m_stateLabel;
    QProgressBar* m_progress;
    QPlainTextEdit* m_problems;
    QPushButton* m_cancelButton;
    QPushButton* m_finish;
};

}  // namespace kvelmor::ui
