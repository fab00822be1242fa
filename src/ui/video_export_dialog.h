// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 動画を書き出す: the finished karaoke video made from the window. The
// dialog takes the output path, the media, a background for media of sound
// only and the quality, and shows the progress with the time left and 中止.
//
// The video is made on a thread of the dialog's own from what the session
// was when 書き出し was pressed: the script text and the fonts it was laid out
// with are copied, and nothing else of the session is read, so the window
// stays usable (editing, the preview) while it runs, and what is edited
// meanwhile goes into the next video, not this one. Closing the dialog
// cancels; a cancelled or failed video leaves no file behind.

#include <QDialog>
#include <QString>
#include <atomic>
#include <thread>

#include "app/session.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace kvelmor::ui {

struct Dialogs;

class VideoExportDialog : public QDialog {
    Q_OBJECT
public:
    // `media` is the video (or sound) shown in the preview, if any.
    VideoExportDialog(app::Session& session, Dialogs& dialogs, const QString& media, QWidget* parent = nullptr);
    ~VideoExportDialog() override;

    bool isRunning() const { return m_worker.joinable(); }

public slots:
    // 書き出し: checks the fields and starts the worker.
    void start();
    // 中止: the worker stops after the picture it is making.
    void cancel();

signals:
    // The worker has ended: written, failed (the reasons shown) or cancelled.
    void exportEnded(bool written);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    struct Progress;
    void showProgress(const Progress& p);
    void ended(int result, const QString& messages);
    void stopWorker();

    app::Session& m_session;
    Dialogs& m_dialogs;
    QLineEdit* m_output = nullptr;
    QLineEdit* m_media = nullptr;
    QLineEdit* m_background = nullptr;
    QSpinBox* m_quality = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;

    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
};

}  // namespace kvelmor::ui

namespace kvelmor::ui {

// Opens the dialog over `owner` (the main window), or shows it again when it
// is open. Non-modal: the owner stays usable.
void showVideoExportDialog(QWidget* owner, app::Session& session, Dialogs& dialogs, const QString& media);

}  // namespace kvelmor::ui
