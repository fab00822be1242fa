// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_pane.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPainter>
#include <QPushButton>
#include <QProxyStyle>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "ui/language.h"
#include "lyrics/time_value.h"
#include "measure/freetype_measurer.h"
#include "media/video_frames.h"
#include "render/frame_renderer.h"

namespace kvelmor::ui {
namespace {

constexpr render::Colour kBackground{48, 48, 48};  // behind the subtitles without a video
constexpr int kClockTickMs = 40;                     // a frame at 25 per second while playing by the clock
// Milliseconds: "previous line" from within this much after a line's start
// goes to the line before it, so that pressing it twice steps back twice.
constexpr qint64 kPreviousLineGrace = 500;
constexpr int kMaxFrameSide = 4096;  // pixels: larger frame sizes are drawn at this size
// Milliseconds: how far the player's position may drift from the clock before
// the clock follows it (the player reports its position in steps).
constexpr qint64 kPlayerDrift = 80;

QString timeText(qint64 ms) {
    return QString::fromStdString(lyrics::formatScriptTime(static_cast<lyrics::Centiseconds>(ms / 10)));
}

constexpr int kTimeRole = Qt::UserRole + 1;  // a line's time, drawn in a column of its own
constexpr int kTextRole = Qt::UserRole + 2;  // the line's text

// Draws a line of the list as its time, in a column of its own, and its
// text. Drawn as one string, the time's digits took the Japanese font of
// the text after them on some rows and not on others, so the times did not
// line up.
class LineItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        initStyleOption(&o, index);
        o.text.clear();
        const QWidget* w = o.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
        const QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &o, w);
        const int timeWidth = o.fontMetrics.horizontalAdvance(QStringLiteral("0:00:00.00  "));
        p->save();
        p->setFont(o.font);
        p->setPen(o.palette.color(o.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
                                  o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(r.adjusted(0, 0, -(r.width() - timeWidth), 0), Qt::AlignLeft | Qt::AlignVCenter,
                    index.data(kTimeRole).toString());
        p->drawText(r.adjusted(timeWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                    o.fontMetrics.elidedText(index.data(kTextRole).toString(), Qt::ElideRight, r.width() - timeWidth));
        p->restore();
    }
};

class JumpingSliderStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

std::vector<std::filesystem::path> fontconfigFiles(measure::TextMeasurer& measurer) {
    if (auto* ft = dynamic_cast<measure::FreeTypeMeasurer*>(&measurer)) return ft->loadedConfigFiles();
    return measure::FreeTypeMeasurer::defaultConfigFiles();
}

}  // namespace

// The drawing thread and the newest request handed to it. The pane writes
// the request under the mutex; the thread takes it, so requests that came
// while a frame was being drawn collapse into the newest one.
struct PreviewPane::Worker {
    QThread thread;
    QObject* context = nullptr;  // lives in `thread`; work is posted to it
    std::vector<std::filesystem::path> fontFiles;

    std::mutex mutex;
    std::shared_ptr<const std::string> script;
    quint64 scriptVersion = 0;
    qint64 ms = 0;
    int width = 0, height = 0;
    QString media;  // the video behind the subtitles; empty for none
    bool queued = false;

    // Used on `thread` only.
    std::unique_ptr<render::FrameRenderer> renderer;
    quint64 drawnScriptVersion = 0;
    std::unique_ptr<media::VideoFrames> video;
    QString videoPath;

    void drawNewest(QPointer<PreviewPane> pane) {
        std::shared_ptr<const std::string> s;
        quint64 version;
        qint64 t;
        int w, h;
        QString path;
        {
            std::lock_guard lock(mutex);
            s = script;
            version = scriptVersion;
            t = ms;
            w = width;
            h = height;
            path = media;
            queued = false;
        }
        if (!renderer) renderer = std::make_unique<render::FrameRenderer>(fontFiles);
        if (version != drawnScriptVersion && s) {
            renderer->setScript(*s);
            drawnScriptVersion = version;
        }
        render::Image frame(w, h, kBackground);
        if (!path.isEmpty()) {
            if (path != videoPath) {
                NullReporter quiet;  // the pane reported it when the file was chosen
                video = media::VideoFrames::open(path.toStdString(), quiet);
                videoPath = path;
            }
            if (video) video->frameAt(t * 1000, w, h, frame.rgba.data());
        }
        renderer->drawOver(frame, t);
        QImage image = QImage(frame.rgba.data(), w, h, w * 4, QImage::Format_RGBA8888).copy();
        if (!pane) return;
        QMetaObject::invokeMethod(
            pane.data(), [pane, image, t] { if (pane) pane->showFrame(image, t); }, Qt::QueuedConnection);
    }
};

// The frame scaled to the widget keeping the picture's shape, centred on black.
class PreviewPane::FrameView : public QWidget {
public:
    explicit FrameView(QWidget* parent) : QWidget(parent) {
        setMinimumSize(160, 120);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    void setImage(const QImage& image) {
        m_image = image;
        update();
    }
    const QImage& image() const { return m_image; }
    // Said over the picture while there is nothing to show; empty for none.
    void setHint(const QString& hint) {
        if (hint == m_hint) return;
        m_hint = hint;
        update();
    }
    // Width over height of the picture as shown.
    void setAspect(double aspect) {
        m_aspect = aspect > 0 ? aspect : 4.0 / 3.0;
        update();
    }
    QRect pictureRect() const {
        const double w = width(), h = height();
        const double pw = std::min(w, h * m_aspect), ph = pw / m_aspect;
        return QRect(static_cast<int>((w - pw) / 2), static_cast<int>((h - ph) / 2), static_cast<int>(pw),
                     static_cast<int>(ph));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        if (!m_image.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(pictureRect(), m_image);
        }
        if (!m_hint.isEmpty()) {
            p.setPen(QColor(220, 220, 220));
            p.drawText(pictureRect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, m_hint);
        }
    }

private:
    QImage m_image;
    QString m_hint;
    double m_aspect = 4.0 / 3.0;
};

PreviewPane::PreviewPane(app::Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_worker(std::make_shared<Worker>()) {
    setObjectName("previewPane");
    m_view = new FrameView(this);
    m_view->setObjectName("previewView");
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName("previewSlider");
    m_slider->setSingleStep(100);
    // A click on the groove goes to that time, not a page towards it.
    auto* jumping = new JumpingSliderStyle;
    jumping->setParent(m_slider);
    m_slider->setStyle(jumping);
    m_slider->setPageStep(5000);
    m_time = new QLabel(this);
    m_time->setObjectName("previewTime");
    // Alt and the underlined letter work from anywhere in the window.
    m_previous = new QPushButton(tr("前の行(&B)"), this);
    m_previous->setObjectName("previewPreviousLine");
    m_play = new QPushButton(this);
    m_play->setObjectName("previewPlay");
    m_next = new QPushButton(tr("次の行(&N)"), this);
    m_next->setObjectName("previewNextLine");
    m_mediaButton = new QPushButton(tr("プレビュー動画"), this);
    m_mediaButton->setObjectName("previewMedia");
    m_lines = new QListWidget(this);
    m_lines->setObjectName("previewLines");
    m_lines->setMaximumHeight(140);
    m_lines->setItemDelegate(new LineItemDelegate(m_lines));
    m_clock = new QTimer(this);
    m_clock->setInterval(kClockTickMs);

    // The time slider with the time beside it, the buttons a row below, the
    // video's button under the time: the pane stays narrow enough to leave
    // the settings their width on a small screen.
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_slider, 1);
    timeRow->addWidget(m_time);
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_previous);
    controls->addWidget(m_play);
    controls->addWidget(m_next);
    controls->addStretch(1);
    auto* mediaRow = new QHBoxLayout;
    mediaRow->addStretch(1);
    mediaRow->addWidget(m_mediaButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(timeRow);
    layout->addLayout(controls);
    layout->addLayout(mediaRow);
    layout->addWidget(m_lines);

    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        if (v != m_position) setPosition(v);
    });
    connect(m_play, &QPushButton::clicked, this, &PreviewPane::togglePlay);
    connect(m_previous, &QPushButton::clicked, this, &PreviewPane::previousLine);
    connect(m_next, &QPushButton::clicked, this, &PreviewPane::nextLine);
    connect(m_mediaButton, &QPushButton::clicked, this, &PreviewPane::chooseMedia);
    // A click, or the arrow keys in the list, go to that line.
    auto jumpToRow = [this](int row) {
        if (row >= 0 && static_cast<size_t>(row) < m_lineStarts.size()) setPosition(m_lineStarts[static_cast<size_t>(row)]);
    };
    connect(m_lines, &QListWidget::itemClicked, this,
            [this, jumpToRow](QListWidgetItem* item) { jumpToRow(m_lines->row(item)); });
    connect(m_lines, &QListWidget::currentRowChanged, this, jumpToRow);
    connect(m_clock, &QTimer::timeout, this, &PreviewPane::tick);

    m_worker->fontFiles = fontconfigFiles(session.measurer());
    m_worker->context = new QObject;
    m_worker->context->moveToThread(&m_worker->thread);
    connect(&m_worker->thread, &QThread::finished, m_worker->context, &QObject::deleteLater);
    m_worker->thread.setObjectName("preview frames");
    m_worker->thread.start();

    updateControls();
    songOrSettingsChanged();
}

PreviewPane::~PreviewPane() {
    if (m_player) m_player->stop();
    m_worker->thread.quit();
    m_worker->thread.wait();
}

QImage PreviewPane::frame() const { return m_view->image(); }

qint64 PreviewPane::length() const { return std::max(m_songEnd, m_mediaLength); }

void PreviewPane::songOrSettingsChanged() {
    songChanged(std::make_shared<const std::string>(m_session.scriptText()), linesOf(m_session.song));
}

PreviewPane::SongLines PreviewPane::linesOf(const lyrics::Song& song) {
    SongLines out;
    out.lyricsPath = song.lyricsPath;
    out.lines.reserve(static_cast<size_t>(song.lineCount()));
    for (int i = 1; i <= song.lineCount(); ++i) {
        const auto& l = song.workLines[i];
        // The first tag is sung preTimeUsed + advanceTime after the line
        // appears; a jump goes its own lead-in (preTimeUsed) before it, so
        // that lines shown together are still reached one by one.
        const qint64 sung = static_cast<qint64>(l.startTime + l.preTimeUsed + l.advanceTime) * 10;
        out.lines.push_back({std::max<qint64>(sung - static_cast<qint64>(l.preTimeUsed) * 10, 0), timeText(sung),
                             QString::fromStdString(l.plainText)});
        if (i == 1) out.firstSung = sung;
        out.end = std::max(out.end, static_cast<qint64>(l.endTime) * 10);
    }
    return out;
}

std::shared_ptr<const std::string> PreviewPane::script() const {
    std::lock_guard lock(m_worker->mutex);
    return m_worker->script;
}

void PreviewPane::replaceScript(std::shared_ptr<const std::string> script) {
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->script = std::move(script);
        ++m_worker->scriptVersion;
    }
    requestFrame();
}

void PreviewPane::songChanged(std::shared_ptr<const std::string> script, const SongLines& song) {
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->script = std::move(script);
        ++m_worker->scriptVersion;
    }
    const settings::ConversionOptions& s = m_session.options();
    const auto& info = m_session.header.info;
    m_frameWidth = std::clamp(info.PlayResX > 0 ? info.PlayResX : s.frame.width, 16, kMaxFrameSide);
    m_frameHeight = std::clamp(info.PlayResY > 0 ? info.PlayResY : s.frame.height, 16, kMaxFrameSide);
    // Over a video the frame is stretched by the pixel shape the script was made for.
    m_pixelShape = m_media.isEmpty() ? 1.0 : s.scale.x;
    if (m_pixelShape <= 0) m_pixelShape = 1.0;
    m_view->setAspect(m_frameWidth * m_pixelShape / m_frameHeight);

    // The lines: where each starts showing, and its text.
    m_lineStarts.clear();
    m_songEnd = song.end;
    m_firstSung = song.firstSung;
    // The rows are kept and rewritten: a new mark changes one or two of them,
    // and making 300 rows again took milliseconds on every mark.
    const QSignalBlocker quietRows(m_lines);  // a row moved to by the rewriting is no jump
    const int count = static_cast<int>(song.lines.size());
    while (m_lines->count() > count) delete m_lines->takeItem(m_lines->count() - 1);
    for (int i = 0; i < count; ++i) {
        const SongLines::Line& l = song.lines[static_cast<size_t>(i)];
        m_lineStarts.push_back(l.jumpTo);
        QListWidgetItem* item = i < m_lines->count() ? m_lines->item(i) : new QListWidgetItem(m_lines);
        if (item->data(kTimeRole).toString() == l.time && item->data(kTextRole).toString() == l.text) continue;
        item->setText(l.time + "  " + l.text);
        item->setData(kTimeRole, l.time);
        item->setData(kTextRole, l.text);
    }
    if (count > 0) m_view->setHint({});
    else if (song.lyricsPath.empty()) m_view->setHint(tr("テキスト読込 (Ctrl+O) で歌詞を読み込むと、ここに表示されます"));
    else m_view->setHint(tr("%1 には表示できる歌詞の行がありません").arg(QFileInfo(QString::fromStdString(song.lyricsPath)).fileName()));
    // A shorter song (or none) leaves no position past its end.
    m_position = std::min(m_position, length());
    updateControls();
    requestFrame();
}

void PreviewPane::setPosition(qint64 ms) {
    ms = std::clamp<qint64>(ms, 0, std::max<qint64>(length(), 0));
    m_position = ms;
    if (m_playing) {
        m_playFrom = ms;
        m_playClock.restart();
        if (m_player) m_player->setPosition(ms);
    }
    updateControls();
    emit positionChanged(ms);
    requestFrame();
}

void PreviewPane::play() {
    if (m_playing) return;
    if (m_position >= length()) m_position = 0;
    m_playing = true;
    m_playFrom = m_position;
    m_playClock.start();
    if (m_player) {
        m_player->setPosition(m_position);
        m_player->play();
    }
    m_clock->start();
    updateControls();
}

void PreviewPane::pause() {
    if (!m_playing) return;
    m_playing = false;
    m_clock->stop();
    if (m_player) m_player->pause();
    updateControls();
    requestFrame();
}

void PreviewPane::togglePlay() { m_playing ? pause() : play(); }

void PreviewPane::previousLine() {
    qint64 target = 0;
    for (qint64 s : m_lineStarts)
        if (s + kPreviousLineGrace < m_position) target = std::max(target, s);
    setPosition(target);
}

void PreviewPane::showFirstLine() {
    if (!m_lineStarts.empty()) setPosition(m_firstSung);
}

void PreviewPane::nextLine() {
    qint64 target = -1;
    for (qint64 s : m_lineStarts)
        if (s > m_position && (target < 0 || s < target)) target = s;
    if (target >= 0) setPosition(target);
}

// Playback: the position follows the time since play() (or since the
// player last told its position), and each tick draws a frame.
void PreviewPane::tick() {
    if (!m_playing) return;
    m_position = m_playFrom + m_playClock.elapsed();
    if (m_position >= length()) {
        m_position = length();
        pause();
        return;
    }
    updateControls();
    emit positionChanged(m_position);
    requestFrame();
}

void PreviewPane::requestFrame() {
    Worker& w = *m_worker;
    {
        std::lock_guard lock(w.mutex);
        w.ms = m_position;
        w.width = m_frameWidth;
        w.height = m_frameHeight;
        w.media = m_media;
        if (w.queued) return;
        w.queued = true;
    }
    QMetaObject::invokeMethod(
        w.context, [worker = m_worker, pane = QPointer<PreviewPane>(this)] { worker->drawNewest(pane); },
        Qt::QueuedConnection);
}

void PreviewPane::showFrame(const QImage& image, qint64 ms) {
    m_view->setImage(image);
    m_framePosition = ms;
    emit frameShown();
}

void PreviewPane::setMedia(const QString& path) {
    if (path == m_media) return;
    pause();
    m_mediaLength = 0;
    delete m_player;  // its audio output goes with it
    m_player = nullptr;
    m_audio = nullptr;
    if (!path.isEmpty()) {
        CollectingReporter refused;
        auto video = media::VideoFrames::open(path.toStdString(), refused);
        if (!video) {
            // The first reason says it; the previous video stays.
            QString why = tr("%1 はプレビュー動画として使えません。").arg(path);
            for (const Report& r : refused.reports)
                if (r.severity == Severity::Error) {
                    why = reportText(r);
                    break;
                }
            const Dialogs fallback = Dialogs::standard();
            (m_dialogs ? *m_dialogs : fallback).message(this, QMessageBox::Warning, tr("プレビュー動画"), why);
            return;
        }
        m_mediaLength = video->duration() / 1000;
    }
    m_media = path;
    // The player plays the sound, and its position leads the clock. The
    // pictures are decoded by the drawing thread, as for a still frame, so
    // that they look the same playing or not. Without an audio device there
    // is no player (Qt's FFmpeg backend cannot play without one): the pane
    // plays silently by the clock.
    if (!path.isEmpty() && !QMediaDevices::audioOutputs().isEmpty()) {
        // Qt's FFmpeg backend decodes with the FFmpeg the rest of the program
        // uses; the GStreamer one would need a second set of codecs. Chosen
        // when the first player is made, unless the user chose otherwise.
        if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
        m_player = new QMediaPlayer(this);
        m_audio = new QAudioOutput(m_player);
        m_player->setAudioOutput(m_audio);
        m_player->setSource(QUrl::fromLocalFile(path));
        connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
            const qint64 clock = m_playFrom + m_playClock.elapsed();
            if (!m_playing || std::abs(ms - clock) <= kPlayerDrift) return;
            m_playFrom = ms;
            m_playClock.restart();
        });
        connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 d) {
            m_mediaLength = std::max(m_mediaLength, d);
            updateControls();
        });
        connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState s) {
            if (s == QMediaPlayer::StoppedState && m_playing) pause();
        });
    }
    songOrSettingsChanged();
}

void PreviewPane::chooseMedia() {
    const QString filter = tr("動画 (*.mp4 *.mkv *.avi *.mov *.webm *.wmv *.mpg *.ts);;すべて (*)");
    // Where the last video was found, by this button or by the media probe.
    const QString start = m_media.isEmpty() ? QString::fromStdString(m_session.appState.mediaPath) : m_media;
    const QString path = m_dialogs ? m_dialogs->openFile(this, tr("プレビュー動画"), start, filter)
                                   : QFileDialog::getOpenFileName(this, tr("プレビュー動画"), start, filter);
    if (path.isEmpty()) return;
    setMedia(path);
    if (m_media == path) m_session.appState.mediaPath = QFileInfo(path).absolutePath().toStdString();
}

int PreviewPane::selectedLine() const { return m_lines->currentRow() + 1; }

void PreviewPane::updateControls() {
    const QSignalBlocker block(m_slider);
    m_slider->setRange(0, static_cast<int>(std::min<qint64>(length(), INT32_MAX)));
    m_slider->setValue(static_cast<int>(std::min<qint64>(m_position, INT32_MAX)));
    m_time->setText(timeText(m_position) + " / " + timeText(length()));
    m_play->setText(m_playing ? tr("一時停止(&P)") : tr("再生(&P)"));
    m_play->setEnabled(length() > 0);  // nothing to play before a song or video
    m_previous->setEnabled(!m_lineStarts.empty());
    m_next->setEnabled(!m_lineStarts.empty());
    // The line being shown (the last one started) is selected in the list.
    int current = -1;
    for (size_t i = 0; i < m_lineStarts.size(); ++i)
        if (m_lineStarts[i] <= m_position) current = static_cast<int>(i);
    const QSignalBlocker blockLines(m_lines);
    if (current >= 0 && current < m_lines->count()) m_lines->setCurrentRow(current);
    else m_lines->clearSelection();
}

}  // namespace kvelmor::ui
