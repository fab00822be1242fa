// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/video_export_dialog.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <chrono>
#include <filesystem>

#include "measure/freetype_measurer.h"
#include "render/video_burn.h"
#include "ui/dialogs.h"
#include "ui/language.h"
#include "ui/qt_text.h"

namespace kvelmor::ui {

struct VideoExportDialog::Progress {
    render::BurnProgress burn;
};

namespace {

// Milliseconds between two progress updates sent to the window: smooth to
// the eye, and a few hundred events over a long video rather than one a frame.
constexpr int kProgressIntervalMs = 100;

QString clockText(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    return s >= 3600 ? QString("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'))
                     : QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}

// A line edit with a 参照... button after it.
QLineEdit* pathField(QWidget* parent, QFormLayout* form, const QString& label, const char* name,
                     const std::function<void(QLineEdit*)>& browse) {
    auto* row = new QHBoxLayout;
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(360);
    auto* button = new QPushButton(VideoExportDialog::tr("参照..."), parent);
    button->setObjectName(QString(name) + "Browse");
    QObject::connect(button, &QPushButton::clicked, parent, [edit, browse] { browse(edit); });
    row->addWidget(edit, 1);
    row->addWidget(button);
    form->addRow(label, row);
    return edit;
}

}  // namespace

VideoExportDialog::VideoExportDialog(app::Session& session, Dialogs& dialogs, const QString& media, QWidget* parent)
    : QDialog(parent), m_session(session), m_dialogs(dialogs) {
    setObjectName("videoExportDialog");
    setWindowTitle(tr("動画を書き出す"));
    auto* form = new QFormLayout;
    const QString lyrics = qs(session.song.lyricsPath);
    auto* song = new QLabel(lyrics.isEmpty() ? QString(tr("(歌詞ファイルが読み込まれていません)")) : QFileInfo(lyrics).fileName(), this);
    form->addRow(tr("歌詞:"), song);
    m_media = pathField(this, form, tr("メディア:"), "exportMedia", [this](QLineEdit* e) {
        const QString path = m_dialogs.openFile(this, tr("メディアファイル"), QFileInfo(e->text()).path(),
                                                tr("メディアファイル (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a "
                                                "*.mp3 *.flac *.wav *.ogg);;すべてのファイル (*)"));
        if (!path.isEmpty()) e->setText(path);
    });
    m_media->setText(media);
    m_background = pathField(this, form, tr("背景:"), "exportBackground", [this](QLineEdit* e) {
        const QString path = m_dialogs.openFile(this, tr("背景の画像"), QFileInfo(e->text()).path(),
                                                tr("画像 (*.png *.jpg *.jpeg *.bmp *.webp);;すべてのファイル (*)"));
        if (!path.isEmpty()) e->setText(path);
    });
    m_background->setPlaceholderText(tr("音声だけのとき: 画像か #RRGGBB (空: カバー画像か黒)"));
    m_output = pathField(this, form, tr("出力先:"), "exportOutput", [this](QLineEdit* e) {
        const QString path = QFileDialog::getSaveFileName(this, tr("動画を書き出す"), e->text(),
                                                          "MP4 (*.mp4);;Matroska (*.mkv);;WebM (*.webm)");
        if (!path.isEmpty()) e->setText(path);
    });
    if (!lyrics.isEmpty())
        m_output->setText(qs(std::filesystem::path(session.song.lyricsPath).replace_extension(".mp4").string()));
    m_quality = new QSpinBox(this);
    m_quality->setObjectName("exportQuality");
    m_quality->setRange(0, 51);
    m_quality->setValue(render::kDefaultVideoQuality);
    m_quality->setToolTip(tr("小さいほど高画質で大きなファイルになります (18 で元の映像とほぼ同じ)"));
    form->addRow(tr("画質 (CRF):"), m_quality);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName("exportProgress");
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_status = new QLabel(this);
    m_status->setObjectName("exportStatus");
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_start = new QPushButton(tr("書き出し"), this);
    m_start->setObjectName("exportStart");
    m_start->setDefault(true);
    m_cancel = new QPushButton(tr("中止"), this);
    m_cancel->setObjectName("exportCancel");
    m_cancel->setEnabled(false);
    auto* close = new QPushButton(tr("閉じる"), this);
    close->setObjectName("exportClose");
    connect(m_start, &QPushButton::clicked, this, &VideoExportDialog::start);
    connect(m_cancel, &QPushButton::clicked, this, &VideoExportDialog::cancel);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
}

VideoExportDialog::~VideoExportDialog() { stopWorker(); }

void VideoExportDialog::stopWorker() {
    m_cancelled = true;
    if (m_worker.joinable()) m_worker.join();
}

void VideoExportDialog::closeEvent(QCloseEvent* e) {
    // A video being made is given up with its dialog, leaving nothing behind.
    stopWorker();
    QDialog::closeEvent(e);
}

void VideoExportDialog::cancel() {
    m_cancelled = true;
    m_cancel->setEnabled(false);
    m_status->setText(tr("中止しています..."));
}

void VideoExportDialog::start() {
    if (isRunning()) return;
    auto refuse = [this](const QString& why) {
        m_status->setText(why);
        return;
    };
    if (m_session.song.lyricsPath.empty() || m_session.song.rawLineCount() == 0)
        return refuse(tr("歌詞ファイルを読み込んでから書き出してください。"));
    if (m_media->text().trimmed().isEmpty()) return refuse(tr("映像か音声のメディアファイルを指定してください。"));
    if (m_output->text().trimmed().isEmpty()) return refuse(tr("出力先の動画ファイル名を指定してください。"));

    render::BurnRequest request;
    request.script = m_session.scriptText();
    if (auto* ft = dynamic_cast<measure::FreeTypeMeasurer*>(&m_session.measurer()))
        request.fontconfigFiles = ft->loadedConfigFiles();
    else
        request.fontconfigFiles = measure::FreeTypeMeasurer::defaultConfigFiles();
    request.media = m_media->text().trimmed().toStdString();
    request.output = m_output->text().trimmed().toStdString();
    request.quality = m_quality->value();
    request.otherInputs = {m_session.song.lyricsPath, m_session.ini.path()};
    const QString background = m_background->text().trimmed();
    if (!background.isEmpty()) {
        if (auto colour = render::parseColour(background.toStdString()); colour && !QFileInfo::exists(background))
            request.background = *colour;
        else
            request.backgroundImage = background.toStdString();
    }

    m_cancelled = false;
    m_progress->setValue(0);
    m_status->setText(tr("書き出しています..."));
    m_start->setEnabled(false);
    m_cancel->setEnabled(true);
    m_worker = std::thread([this, request = std::move(request)] {
        CollectingReporter reporter;
        auto last = std::chrono::steady_clock::now() - std::chrono::hours(1);
        const render::BurnResult result = render::burnVideo(request, reporter, [&](const render::BurnProgress& p) {
            const auto now = std::chrono::steady_clock::now();
            if (now - last >= std::chrono::milliseconds(kProgressIntervalMs)) {
                last = now;
                Progress copy{p};
                QMetaObject::invokeMethod(this, [this, copy] { showProgress(copy); }, Qt::QueuedConnection);
            }
            return !m_cancelled.load();
        });
        QString messages;
        for (const Report& r : reporter.reports) messages += reportText(r) + "\n";
        QMetaObject::invokeMethod(
            this, [this, result, messages] { ended(static_cast<int>(result), messages.trimmed()); },
            Qt::QueuedConnection);
    });
}

void VideoExportDialog::showProgress(const Progress& p) {
    if (!isRunning() || m_cancelled) return;
    const render::BurnProgress& b = p.burn;
    if (b.total > 0) m_progress->setValue(static_cast<int>(std::min<int64_t>(1000, b.done * 1000 / b.total)));
    QString text = QString(tr("書き出しています... %1 fps")).arg(b.framesPerSecond, 0, 'f', 1);
    if (b.secondsLeft >= 0) text += QString(tr("、残り %1")).arg(clockText(b.secondsLeft));
    m_status->setText(text);
}

void VideoExportDialog::ended(int result, const QString& messages) {
    if (m_worker.joinable()) m_worker.join();
    m_start->setEnabled(true);
    m_cancel->setEnabled(false);
    const auto r = static_cast<render::BurnResult>(result);
    if (r == render::BurnResult::Written) {
        m_progress->setValue(m_progress->maximum());
        m_status->setText(tr("書き出しました: ") + m_output->text().trimmed() + (messages.isEmpty() ? "" : "\n" + messages));
    } else if (r == render::BurnResult::Cancelled) {
        m_progress->setValue(0);
        m_status->setText(tr("中止しました。ファイルは作られていません。"));
    } else {
        m_progress->setValue(0);
        m_status->setText(tr("書き出せませんでした:\n") + messages);
    }
    emit exportEnded(r == render::BurnResult::Written);
}

void showVideoExportDialog(QWidget* owner, app::Session& session, Dialogs& dialogs, const QString& media) {
    // One at a time: a second 動画を書き出す shows the one already open.
    auto* dialog = owner->findChild<VideoExportDialog*>();
    if (dialog == nullptr) {
        dialog = new VideoExportDialog(session, dialogs, media, owner);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        placeOver(dialog, owner);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace kvelmor::ui
