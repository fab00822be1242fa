#pragma once
// The batch window ("Form6", "一括変換"): converts every .txt file of a
// folder, file by file, while the window repaints; it can be stopped after
// the current file, and lists at the end the files it could not convert.

#include <QDialog>

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

    const app::BatchResult& result() const { return m_result; }
    // Runs the batch (once); started by the first showing of the window.
    void run();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;  // Escape and the close button wait for the end

private:
    app::Session& m_session;
    QString m_folder;
    app::BatchResult m_result;
    bool m_started = false;
    bool m_running = false;
    bool m_cancel = false;
    QLabel* m_folderLabel;
    QLabel* m_countLabel;
    QLabel* m_doneLabel;
    QLabel* m_currentLabel;
    QProgressBar* m_progress;
    QPlainTextEdit* m_problems;
    QPushButton* m_cancelButton;
    QPushButton* m_finish;
};

}  // namespace kvelmor::ui
