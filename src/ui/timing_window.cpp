// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/timing_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "common/encoding.h"
#include "common/file_io.h"
#include "lyrics/reader.h"
#include "measure/fixed_measurer.h"
#include "measure/freetype_measurer.h"
#include "media/song_sound.h"
#include "timing/event_delay.h"
#include "timing/onsets.h"
#include "ui/preview_pane.h"
#include "ui/language.h"
#include "ui/qt_text.h"
#include "ui/sound_player.h"

namespace kvelmor::ui {

using timing::Millis;

namespace {

QString syllableText(const timing::Syllable& s) { return qs(toUtf8(timing::shownText(s))); }

const QColor kTapped(40, 110, 200);
const QColor kToTap(255, 170, 40);
const QColor kSelected(220, 40, 40);

// Milliseconds around the moment shown whose lines the preview's first,
// quick script holds: the frame there, and playing on for a while, are drawn
// from it until the whole script follows.
constexpr qint64 kPreviewBeforeMs = 5000;
constexpr qint64 kPreviewAfterMs = 30000;
// How long the marks must pause before the whole song's script is written.
constexpr std::chrono::milliseconds kWholeScriptPause{250};

}  // namespace

// The decoding of a song on a thread of its own; the window may close first.
struct TimingWindow::Decoding {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool ok = false;
};

// The thread that lays out the preview's song: the newest timed text asked
// for is read into a session of its own (only the lines a mark changed are
// parsed again) and laid out; what the pane needs is handed to the window.
struct TimingWindow::PreviewBuilder {
    std::mutex mutex;
    std::condition_variable wake;
    struct Job {
        uint64_t number = 0;
        std::string text;  // timed lyrics
        std::string name;  // the lyrics file, for messages
        qint64 position = 0;  // milliseconds: the moment the preview shows
    };
    std::optional<Job> pending;
    std::atomic<bool> newerJob{false};  // a job waits: the one at hand may stop
    bool held = false;                  // takes no job (tests: a builder kept busy)
    std::atomic<uint64_t> built{0};     // songs laid out
    bool quit = false;
    std::thread thread;

    void ask(Job job) {
        {
            std::lock_guard lock(mutex);
            pending = std::move(job);
            newerJob = true;
        }
        wake.notify_one();
    }
    void stop() {
        {
            std::lock_guard lock(mutex);
            quit = true;
            newerJob = true;
        }
        wake.notify_one();
        if (thread.joinable()) thread.join();
    }
};

// ---------------------------------------------------------------------------
// The lyrics, one row per line, the syllable to tap highlighted; the cursor's
// line is kept a third down the view.
class TimingWindow::LyricsView : public QWidget {
public:
    explicit LyricsView(TimingWindow& w) : QWidget(&w), m_w(w) {
        setObjectName("timingLyrics");
        setMinimumSize(420, 240);
        setFocusPolicy(Qt::StrongFocus);
        QFont f = font();
        f.setPointSize(f.pointSize() + 4);
        setFont(f);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        m_boxes.clear();  // where each syllable is drawn now, for clicks
        const auto& doc = m_w.m_doc;
        const QFontMetrics fm(font());
        QFont small = font();
        small.setPointSize(std::max(6, font().pointSize() / 2));
        const QFontMetrics sm(small);
        const int rowHeight = fm.height() + sm.height() + 10;
        const timing::Position cur = doc.cursor();
        const int curLine = std::min(cur.line, doc.lineCount() - 1);
        int y = height() / 3 - curLine * rowHeight;
        for (int li = 0; li < doc.lineCount(); ++li, y += rowHeight) {
            if (y + rowHeight < 0 || y > height()) continue;
            const timing::TimingLine& line = doc.line(li);
            const int base = y + sm.height() + fm.ascent() + 4;
            if (!line.lyric) {
                p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
                p.drawText(8, base, qs(line.text));
                continue;
            }
            // A line wider than the view slides left on the cursor's line,
            // keeping the syllable to tap two thirds across so that the ones
            // after it are seen coming; only what shows is drawn.
            int x = 8;
            if (li == cur.line) {
                int cursorRight = x + 20;  // the line's end mark
                for (int i = 0; i < line.count() && i <= cur.syllable; ++i)
                    cursorRight += advance(fm, line.syllables[static_cast<size_t>(i)]) + 6;
                x -= std::max(0, cursorRight - width() * 2 / 3);
            }
            int rubyStart = -1;
            for (int i = 0; i < line.count(); ++i) {
                const timing::Syllable& s = line.syllables[static_cast<size_t>(i)];
                const int w = advance(fm, s) + 6;
                if (x + w < 0 && (s.ruby < 0 || (i + 1 < line.count() &&
                                                 line.syllables[static_cast<size_t>(i + 1)].ruby == s.ruby))) {
                    if (s.ruby >= 0 && (i == 0 || line.syllables[static_cast<size_t>(i - 1)].ruby != s.ruby))
                        rubyStart = x;
                    x += w;
                    continue;
                }
                if (x > width()) break;
                const QString text = syllableText(s);
                const QRect box(x, y + sm.height() + 2, w, fm.height() + 4);
                const bool isCursor = li == cur.line && i == cur.syllable;
                if (isCursor) p.fillRect(box, kToTap);
                else if (s.start) p.fillRect(box, kTapped.lighter(170));
                if (m_w.m_selected && m_w.m_selected->line == li && m_w.m_selected->syllable == i)
                    p.setPen(QPen(kSelected, 2)), p.drawRect(box.adjusted(1, 1, -1, -1));
                p.setPen(s.start ? kTapped.darker(130) : palette().color(QPalette::Text));
                p.drawText(x + 3, base, text);
                if (s.ruby >= 0 && (i == 0 || line.syllables[static_cast<size_t>(i - 1)].ruby != s.ruby)) rubyStart = x;
                const bool rubyEnds = s.ruby >= 0 && (i + 1 == line.count() ||
                                                      line.syllables[static_cast<size_t>(i + 1)].ruby != s.ruby);
                if (rubyEnds) {
                    // The base over the syllables of its reading.
                    p.setFont(small);
                    p.setPen(palette().color(QPalette::Text));
                    p.drawText(QRect(rubyStart, y, x + w - rubyStart, sm.height() + 2), Qt::AlignCenter,
                               qs(toUtf8(line.rubies[static_cast<size_t>(s.ruby)].base)));
                    p.drawLine(rubyStart + 2, y + sm.height() + 1, x + w - 2, y + sm.height() + 1);
                    p.setFont(font());
                }
                p.setPen(palette().color(QPalette::Mid));
                p.drawLine(x + w, box.top() + 4, x + w, box.bottom() - 4);
                m_boxes.push_back({box, li, i});
                x += w;
            }
            if (x > width()) continue;
            // The line's end, to be marked after its last syllable.
            const QRect endBox(x + 2, y + sm.height() + 2, 14, fm.height() + 4);
            if (li == cur.line && cur.syllable == line.count()) p.fillRect(endBox, kToTap);
            p.setPen(palette().color(QPalette::Text));
            p.drawText(endBox, Qt::AlignCenter, QStringLiteral("⏎"));
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        // Taps go on from the syllable clicked.
        for (const Box& b : m_boxes)
            if (b.rect.contains(e->position().toPoint())) {
                m_w.m_doc.setCursor({b.line, b.syllable});
                m_w.changed();
                return;
            }
    }

    void resizeEvent(QResizeEvent*) override { m_boxes.clear(); }
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::FontChange) m_advances.clear();
        QWidget::changeEvent(e);
    }

public:
    void refresh() {
        m_boxes.clear();
        update();
    }

private:
    struct Box {
        QRect rect;
        int line;
        int syllable;
    };
    // The width of a syllable's text: shaping it again at every redraw took
    // milliseconds per key on long lines, and the same syllables recur.
    int advance(const QFontMetrics& fm, const timing::Syllable& s) {
        std::u32string key = timing::shownText(s);
        auto it = m_advances.find(key);
        if (it == m_advances.end()) it = m_advances.emplace(std::move(key), fm.horizontalAdvance(syllableText(s))).first;
        return it->second;
    }

    TimingWindow& m_w;
    std::vector<Box> m_boxes;
    std::unordered_map<std::u32string, int> m_advances;
};

// ---------------------------------------------------------------------------
// The waveform strip: the song's peaks, every mark a line labelled with its
// syllable, the play line. Wheel scrolls, Ctrl+wheel zooms, marks are dragged.
class TimingWindow::WaveformView : public QWidget {
public:
    explicit WaveformView(TimingWindow& w) : QWidget(&w), m_w(w) {
        setObjectName("timingWaveform");
        setMinimumHeight(140);
        setMouseTracking(true);
    }

    // Milliseconds per pixel.
    double zoom() const { return m_zoom; }
    qint64 viewStart() const { return m_start; }
    // Keeps the play line in view: a third in from the left while it moves.
    void follow(qint64 ms) {
        if (m_dragging) return;
        const qint64 span = static_cast<qint64>(width() * m_zoom);
        if (ms < m_start || ms > m_start + span * 9 / 10) m_start = std::max<qint64>(0, ms - span / 3);
        update();
    }
    int xOf(qint64 ms) const { return static_cast<int>(std::lround((ms - m_start) / m_zoom)); }
    qint64 msOf(int x) const { return m_start + static_cast<qint64>(x * m_zoom); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(24, 28, 36));
        const int mid = height() / 2;
        if (m_w.m_showSpectrum->isChecked() && m_w.m_spectrum) {
            // Low bands at the bottom; quiet dark blue, loud yellow.
            QImage image(width(), media::Spectrogram::kBands, QImage::Format_RGB32);
            image.fill(QColor(24, 28, 36));
            for (int x = 0; x < width(); ++x) {
                const uint8_t* levels = m_w.m_spectrum->at(msOf(x));
                if (!levels) continue;
                for (int b = 0; b < media::Spectrogram::kBands; ++b) {
                    const int v = levels[b];
                    image.setPixel(x, media::Spectrogram::kBands - 1 - b, qRgb(v, v * v / 255, 80 + (255 - v) * 60 / 255));
                }
            }
            p.drawImage(QRect(0, 14, width(), height() - 14), image);
        } else if (m_w.m_waveform) {
            const auto cols = m_w.m_waveform->columns(m_start, msOf(width()), width());
            p.setPen(QColor(90, 200, 140));
            for (int x = 0; x < width(); ++x) {
                const media::Peak& pk = cols[static_cast<size_t>(x)];
                p.drawLine(x, mid - static_cast<int>(pk.high * (mid - 4)), x, mid - static_cast<int>(pk.low * (mid - 4)));
            }
        } else {
            p.setPen(QColor(160, 160, 160));
            p.drawText(rect(), Qt::AlignCenter,
                       m_w.m_soundPath.isEmpty() ? tr("曲が開かれていません") : tr("波形を作成中…"));
        }
        // Seconds along the top.
        p.setPen(QColor(120, 120, 130));
        const qint64 step = m_zoom > 40 ? 10000 : m_zoom > 8 ? 1000 : 100;
        for (qint64 t = (m_start / step) * step; t < msOf(width()); t += step) {
            const int x = xOf(t);
            p.drawLine(x, 0, x, 4);
            if (t % (step * 5) == 0) p.drawText(x + 2, 12, QString::number(t / 1000.0, 'f', step < 1000 ? 1 : 0));
        }
        // Read in place rather than through marks(), which copies every
        // syllable's text: the longest song has some 90 000 marks, and
        // copying them took milliseconds of every key's drawing.
        const auto& doc = m_w.m_doc;
        auto drawMark = [&](const timing::MarkRef& ref, qint64 t, const std::u32string& label) {
            if (m_dragging && ref == m_dragged) t = m_dragTo;
            const int x = xOf(t);
            if (x < -50 || x > width() + 50) return;
            const bool selected = m_w.m_selected && *m_w.m_selected == ref;
            p.setPen(QPen(selected ? kSelected : (ref.end ? QColor(200, 200, 90) : QColor(120, 170, 255)), selected ? 2 : 1));
            p.drawLine(x, 14, x, height());
            if (!ref.end) p.drawText(x + 3, height() - 6, qs(toUtf8(label)));
        };
        static const std::u32string noLabel;
        const qint64 viewFrom = msOf(-50), viewTo = msOf(width() + 50);
        for (int li = 0; li < doc.lineCount(); ++li) {
            const auto span = doc.markSpan(li);
            const bool dragged = m_dragging && m_dragged.line == li;
            if (!dragged && (!span || span->second < viewFrom || span->first > viewTo)) continue;
            const timing::TimingLine& l = doc.line(li);
            for (int i = 0; i < l.count(); ++i) {
                const timing::Syllable& syl = l.syllables[static_cast<size_t>(i)];
                if (syl.start) drawMark({li, i, false}, *syl.start, syl.text);
                if (syl.end) drawMark({li, i, true}, *syl.end, noLabel);
            }
        }
        const int play = xOf(m_w.m_clock->position());
        p.setPen(QPen(QColor(255, 255, 255), 1));
        p.drawLine(play, 0, play, height());
    }

    void mousePressEvent(QMouseEvent* e) override {
        const int x = static_cast<int>(e->position().x());
        // The nearest mark within 5 pixels is taken; elsewhere a click moves the play line.
        std::optional<timing::Mark> nearest;
        for (const timing::Mark& m : m_w.m_doc.marks())
            if (std::abs(xOf(m.time) - x) <= 5 && (!nearest || std::abs(xOf(m.time) - x) < std::abs(xOf(nearest->time) - x)))
                nearest = m;
        if (nearest) {
            m_w.m_selected = nearest->ref;
            m_dragging = true;
            m_dragged = nearest->ref;
            m_dragTo = nearest->time;
        } else {
            const bool playing = m_w.m_clock->isPlaying();
            m_w.m_clock->play(msOf(x));
            if (!playing) m_w.m_clock->pause();
        }
        m_w.changed();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!m_dragging) return;
        m_dragTo = msOf(static_cast<int>(e->position().x()));
        update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (!m_dragging) return;
        m_dragging = false;
        m_w.m_doc.moveMark(m_dragged, msOf(static_cast<int>(e->position().x())));
        m_w.changed();
    }
    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 120;
        if (e->modifiers() & Qt::ControlModifier) {
            const qint64 at = msOf(static_cast<int>(e->position().x()));
            m_zoom = std::clamp(m_zoom * std::pow(0.8, steps), 0.5, 500.0);
            m_start = std::max<qint64>(0, at - static_cast<qint64>(e->position().x() * m_zoom));
        } else {
            m_start = std::max<qint64>(0, m_start - static_cast<qint64>(steps * width() * m_zoom / 8));
        }
        update();
    }

private:
    TimingWindow& m_w;
    double m_zoom = 10.0;
    qint64 m_start = 0;
    bool m_dragging = false;
    timing::MarkRef m_dragged;
    qint64 m_dragTo = 0;
};

// ---------------------------------------------------------------------------

TimingWindow::TimingWindow(app::Session& mainSession, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_mainSession(mainSession),
      m_dialogs(dialogs),
      m_previewSession(m_previewReports, mainSession.measurer()),
      m_hyphenator(timing::Hyphenator::defaultDictionary()),
      m_player(new SoundPlayer(this)),
      m_clock(m_player) {
    setObjectName("timingWindow");
    setWindowTitle(tr("タイミング[*]"));
    m_previewSession.settings = mainSession.settings;
    const auto stored = mainSession.ini.findValue("timing", "latencyMs");
    m_latency = stored ? std::clamp<qint64>(std::atoll(stored->c_str()), -500, 500) : 0;

    auto* bar = new QHBoxLayout;
    auto* play = new QPushButton(tr("再生/停止 (P)"), this);
    play->setObjectName("timingPlay");
    connect(play, &QPushButton::clicked, this, &TimingWindow::togglePlay);
    m_speed = new QComboBox(this);
    m_speed->setObjectName("timingSpeed");
    for (int percent : {100, 90, 75, 60, 50}) m_speed->addItem(QStringLiteral("%1 %").arg(percent), percent);
    connect(m_speed, &QComboBox::currentIndexChanged, this,
            [this](int) { setSpeedPercent(m_speed->currentData().toInt()); });
    m_joinSmall = new QCheckBox(tr("っ・んを前と結合"), this);
    m_joinSmall->setObjectName("timingJoinSmall");
    m_latin = new QComboBox(this);
    m_latin->setObjectName("timingLatinSplit");
    m_latin->addItem(tr("英語: 音節で分割"));
    m_latin->addItem(tr("英語: 単語で分割"));
    auto* resplit = new QPushButton(tr("音節を分け直す"), this);
    resplit->setObjectName("timingResplit");
    connect(resplit, &QPushButton::clicked, this, [this] {
        if (!m_lyricsPath.isEmpty() && !m_doc.modified()) openLyrics(m_lyricsPath);
    });
    auto* saveButton = new QPushButton(tr("保存 (Ctrl+S)"), this);
    saveButton->setObjectName("timingSave");
    connect(saveButton, &QPushButton::clicked, this, &TimingWindow::save);
    m_snap = new QCheckBox(tr("オンセットに吸着"), this);
    m_snap->setObjectName("timingSnap");
    m_latencyBox = new QSpinBox(this);
    m_latencyBox->setObjectName("timingLatency");
    m_latencyBox->setRange(-500, 500);
    m_latencyBox->setSuffix(QStringLiteral(" ms"));
    m_latencyBox->setToolTip(tr("打鍵と音声出力の遅れ: 各打鍵から差し引きます"));
    m_showSpectrum = new QCheckBox(tr("スペクトログラム"), this);
    m_showSpectrum->setObjectName("timingSpectrogram");
    connect(m_showSpectrum, &QCheckBox::toggled, this, [this] { m_wave->update(); });
    auto* calibrate = new QPushButton(tr("遅延測定"), this);
    calibrate->setObjectName("timingCalibrate");
    calibrate->setToolTip(tr("クリック音に合わせて Space を押すと、遅延補正を測ります"));
    connect(calibrate, &QPushButton::clicked, this, &TimingWindow::startCalibration);
    // Two rows, so that the window fits a 1024-pixel screen: playing and
    // saving first, then how the lyrics are split and the song is shown.
    bar->addWidget(play);
    bar->addWidget(new QLabel(tr("速度"), this));
    bar->addWidget(m_speed);
    bar->addWidget(new QLabel(tr("遅延補正"), this));
    bar->addWidget(m_latencyBox);
    bar->addWidget(calibrate);
    bar->addStretch();
    bar->addWidget(saveButton);
    auto* splitBar = new QHBoxLayout;
    splitBar->addWidget(m_joinSmall);
    splitBar->addWidget(m_latin);
    splitBar->addWidget(resplit);
    splitBar->addWidget(m_snap);
    splitBar->addWidget(m_showSpectrum);
    splitBar->addStretch();

    m_lyrics = new LyricsView(*this);
    m_preview = new PreviewPane(m_previewSession, this);
    m_preview->setObjectName("timingPreview");
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_lyrics);
    split->addWidget(m_preview);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    m_wave = new WaveformView(*this);
    m_status = new QLabel(this);
    m_status->setObjectName("timingStatus");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(splitBar);
    layout->addWidget(split, 1);
    layout->addWidget(m_wave);
    layout->addWidget(m_status);
    // As large as it was designed, but never larger than the screen.
    QSize size(1100, 700);
    if (const QScreen* sc = screen()) size = size.boundedTo(sc->availableGeometry().size());
    resize(size);

    // Buttons are clicked with the mouse; keys belong to tapping.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w != m_lyrics && qobject_cast<QPushButton*>(w)) w->setFocusPolicy(Qt::NoFocus);
        w->installEventFilter(this);
    }
    installEventFilter(this);
    m_lyrics->setFocus();

    m_ticker = new QTimer(this);
    m_ticker->setInterval(16);  // a frame at 60 Hz
    connect(m_ticker, &QTimer::timeout, this, &TimingWindow::tick);
    m_ticker->start();
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setObjectName("recoveryTimer");
    m_recoveryTimer->setInterval(kRecoveryKeepMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, &TimingWindow::keepRecovery);
    m_recoveryTimer->start();
    // The builder's session measures as the main one does (made-up widths in tests).
    m_builder = std::make_shared<PreviewBuilder>();
    const bool fixedWidths = dynamic_cast<measure::FixedMeasurer*>(&mainSession.measurer()) != nullptr;
    QPointer<TimingWindow> self(this);
    m_builder->thread = std::thread([builder = m_builder, settings = mainSession.settings, fixedWidths, self] {
        std::unique_ptr<measure::TextMeasurer> measurer;
        if (fixedWidths) measurer = std::make_unique<measure::FixedMeasurer>();
        else measurer = std::make_unique<measure::FreeTypeMeasurer>();
        CollectingReporter reports;
        app::Session session(reports, *measurer);
        session.settings = settings;
        lyrics::LyricsReloader reader;
        for (;;) {
            PreviewBuilder::Job job;
            {
                std::unique_lock lock(builder->mutex);
                builder->wake.wait(lock, [&] { return builder->quit || (builder->pending && !builder->held); });
                if (builder->quit) return;
                job = std::move(*builder->pending);
                builder->pending.reset();
                builder->newerJob = false;
            }
            reports.reports.clear();
            reader.load(session.song, std::move(job.text), job.name, session.settings, *measurer, reports);
            session.runFullRefresh();
            ++builder->built;
            auto lines = std::make_shared<const PreviewPane::SongLines>(PreviewPane::linesOf(session.song));
            auto header = std::make_shared<const script::ScriptHeader>(session.header);
            // First the lines shown around the moment on screen, so that its
            // frame is drawn at once; a long song's whole script takes many
            // times longer to write.
            const qint64 from = job.position - kPreviewBeforeMs, to = job.position + kPreviewAfterMs;
            auto near = std::make_shared<const std::string>(
                session.scriptText([&](int i) { return session.lineShowsWithin(i, from, to); }));
            QMetaObject::invokeMethod(
                self.data(),
                [self, lines, header, near, number = job.number] {
                    if (!self) return;
                    self->m_previewSession.header = *header;
                    self->m_preview->songChanged(near, *lines);
                    self->m_preview->setPosition(self->m_clock->position());
                    self->m_previewShown = number;
                },
                Qt::QueuedConnection);
            // Then the whole song, for playing on, once the marks pause: while
            // they come quickly the frames are drawn from the quick script,
            // and writing the whole would only slow the next mark down.
            {
                std::unique_lock lock(builder->mutex);
                if (builder->wake.wait_for(lock, kWholeScriptPause, [&] { return builder->quit || builder->pending; }))
                    continue;
            }
            bool overtaken = false;
            auto whole = std::make_shared<const std::string>(session.scriptText([&](int) {
                overtaken = overtaken || builder->newerJob;
                return !overtaken;
            }));
            if (overtaken) continue;
            QMetaObject::invokeMethod(
                self.data(),
                [self, whole, number = job.number] {
                    if (!self) return;
                    self->m_preview->replaceScript(whole);
                    self->m_previewWhole = number;
                },
                Qt::QueuedConnection);
        }
    });
    m_latencyBox->setValue(static_cast<int>(m_latency));
    connect(m_latencyBox, &QSpinBox::valueChanged, this, [this](int ms) { setLatency(ms); });
    showStatus();
}

void TimingWindow::setLatency(qint64 ms) {
    m_latency = std::clamp<qint64>(ms, -500, 500);
    if (m_latencyBox->value() != m_latency) m_latencyBox->setValue(static_cast<int>(m_latency));
    m_mainSession.ini.setValue("timing", "latencyMs", std::to_string(m_latency));
}

void TimingWindow::setSnapToOnsets(bool on) { m_snap->setChecked(on); }

TimingWindow::~TimingWindow() {
    if (m_decoding) m_decoding->cancel = true;
    m_builder->stop();
}

void TimingWindow::setClock(TimingClock* clock) {
    m_clock = clock ? clock : m_player;
    changed();
}

timing::ParseOptions TimingWindow::parseOptions() const {
    timing::ParseOptions o;
    o.split.joinSokuonAndHatsuon = m_joinSmall->isChecked();
    o.split.latin = m_latin->currentIndex() == 0 ? timing::LatinSplit::ByHyphenation : timing::LatinSplit::ByWord;
    o.split.hyphenator = m_hyphenator.ok() ? &m_hyphenator : nullptr;
    o.correctUnmarkedTimes = m_mainSession.options().timing.correction;
    return o;
}

bool TimingWindow::openLyrics(const QString& path) {
    std::string bytes;
    if (auto r = readFileBytes(ss(path), bytes, kMaxTextFileBytes); !r.ok) {
        m_dialogs.message(this, QMessageBox::Warning, windowTitle(),
                          tr("歌詞を読み込めません: %1\n%2").arg(path, qs(r.error)));
        return false;
    }
    timing::TimingDocument doc(timing::readLyrics(decodeText(bytes).utf8, parseOptions()));
    if (!doc.hasSyllables()) {
        m_dialogs.message(this, QMessageBox::Warning, windowTitle(),
                          tr("タイミングを付ける音節がありません: %1").arg(path));
        return false;
    }
    m_doc = std::move(doc);
    m_lyricsPath = path;
    m_restored = false;
    m_selected.reset();
    setWindowTitle(tr("タイミング - %1[*]").arg(QFileInfo(path).fileName()));
    offerRecovery();
    changed();
    return true;
}

void TimingWindow::openSound(const QString& path) {
    if (m_decoding) m_decoding->cancel = true;
    m_soundPath = path;
    m_waveform.reset();
    m_player->setSound(nullptr);
    auto decoding = std::make_shared<Decoding>();
    m_decoding = decoding;
    QPointer<TimingWindow> self(this);
    std::thread([decoding, self, file = ss(path)] {
        CollectingReporter reports;
        // The waveform grows as the song is decoded: shown as soon as it
        // fills the strip (11 s at its first zoom), then every 100 ms.
        const media::SoundRequest request;
        media::WaveformSummary growing(request.sampleRate, request.channels);
        QElapsedTimer sinceShown;
        sinceShown.start();
        int64_t decoded = 0;
        bool shown = false;
        auto progress = [&](const float* samples, int64_t frames) {
            growing.append(samples, frames);
            decoded += frames;
            const bool stripFull = !shown && decoded >= 11 * static_cast<int64_t>(request.sampleRate);
            if ((!stripFull && sinceShown.elapsed() < 100) || !self) return;
            shown = true;
            sinceShown.start();
            auto soFar = std::make_shared<const media::WaveformSummary>(growing);
            QMetaObject::invokeMethod(
                self.data(),
                [self, decoding, soFar] {
                    if (!self || self->m_decoding != decoding || self->m_player->hasSound()) return;
                    self->m_waveform = soFar;
                    self->m_wave->update();
                },
                Qt::QueuedConnection);
        };
        auto sound = media::decodeSongSound(file, request, reports, &decoding->cancel, progress);
        std::shared_ptr<const media::SongSound> shared;
        std::shared_ptr<const media::WaveformSummary> wave;
        std::vector<timing::Millis> onsets;
        std::shared_ptr<const media::Spectrogram> spectrum;
        if (sound) {
            shared = std::make_shared<const media::SongSound>(std::move(*sound));
            wave = std::make_shared<const media::WaveformSummary>(std::move(growing));
            onsets = timing::detectOnsets(shared->samples.data(), shared->frameCount(), shared->channels,
                                          shared->sampleRate);
            spectrum = std::make_shared<const media::Spectrogram>(*shared);
        }
        QString failure;
        for (const Report& r : reports.reports) failure += qs(r.file) + ": " + messageText(r.text) + "\n";
        const bool cancelled = decoding->cancel.load();
        if (!cancelled && self) {
            QMetaObject::invokeMethod(
                self.data(),
                [self, decoding, shared, wave, failure, spectrum, onsets = std::move(onsets)] {
                    if (!self || self->m_decoding != decoding) return;
                    if (shared) {
                        self->m_song = shared;
                        if (!self->m_calibrating) self->m_player->setSound(shared);
                        self->m_waveform = wave;
                        self->m_onsets = onsets;
                        self->m_spectrum = spectrum;
                        self->offerRecovery();
                    } else {
                        self->m_dialogs.message(self, QMessageBox::Warning, self->windowTitle(),
                                                tr("曲を読み込めません\n%1").arg(failure));
                    }
                    self->showStatus();
                    self->m_wave->update();
                    {
                        std::lock_guard lock(decoding->mutex);
                        decoding->finished = true;
                        decoding->ok = shared != nullptr;
                    }
                    decoding->done.notify_all();
                },
                Qt::QueuedConnection);
        } else {
            std::lock_guard lock(decoding->mutex);
            decoding->finished = true;
            decoding->done.notify_all();
        }
    }).detach();
    showStatus();
}

bool TimingWindow::waitForSound(int timeoutMs) {
    if (!m_decoding) return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        {
            std::lock_guard lock(m_decoding->mutex);
            if (m_decoding->finished) return m_decoding->ok;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return false;
}

qint64 TimingWindow::pressedAt(const QKeyEvent* key) {
    // The steady time and the song time are read as a pair. A thread put
    // aside between the two reads (a busy machine) would see the song time
    // that much later than the steady time the key's delay is counted to, and
    // the tap would be late by it; a pair read across such a pause is read again.
    using std::chrono::steady_clock;
    steady_clock::time_point now;
    qint64 position = 0;
    for (int tries = 0; tries < 3; ++tries) {
        now = steady_clock::now();
        position = m_clock->position();
        if (steady_clock::now() - now < std::chrono::milliseconds(1)) break;
    }
    const timing::Millis late = m_keyDelay.delay(
        key->timestamp(), std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count());
    // Song time runs at the playing speed.
    return m_clock->isPlaying() ? position - std::llround(static_cast<double>(late) * m_clock->speed()) : position;
}

qint64 TimingWindow::tapTime(const QKeyEvent* key) {
    const qint64 t = std::max<qint64>(0, pressedAt(key) - m_latency);
    // 60 ms: a tap that far off is felt as late or early, one nearer is not.
    return m_snap->isChecked() ? timing::snapToOnset(m_onsets, t, 60) : t;
}

bool TimingWindow::handleKey(QKeyEvent* key, bool press) {
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    if (key->key() == Qt::Key_Space && !ctrl) {
        if (key->isAutoRepeat()) return true;  // a held key repeats; it is one tap
        if (m_calibrating) {
            if (press) m_calibrationTaps.push_back(pressedAt(key));
            if (m_calibrationTaps.size() >= m_clicks.size()) finishCalibration();
            return true;
        }
        if (press) m_doc.tap(tapTime(key));
        else if (!m_doc.release(tapTime(key))) return true;  // a quick tap's release changes nothing
        changed();
        return true;
    }
    if (!press) return false;
    const timing::Position cur = m_doc.cursor();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_doc.endLine(tapTime(key));
        break;
    case Qt::Key_Backspace: {
        const qint64 back = m_doc.undoTapTime().value_or(m_clock->position());
        if (!m_doc.undo()) return true;
        playFrom(std::max<qint64>(0, back - 2000));
        break;
    }
    case Qt::Key_Z:
        if (!ctrl) return false;
        shift ? m_doc.redo() : m_doc.undo();
        break;
    case Qt::Key_Y:
        if (!ctrl) return false;
        m_doc.redo();
        break;
    case Qt::Key_S:
        if (!ctrl) return false;
        save();
        return true;
    case Qt::Key_P:
        if (ctrl) return false;
        if (shift) {  // the selected mark's syllable alone
            if (!m_selected) return true;
            const timing::TimingLine& l = m_doc.line(m_selected->line);
            const auto& syl = l.syllables[static_cast<size_t>(m_selected->syllable)];
            if (syl.start) playFrom(*syl.start, l.endOf(m_selected->syllable));
            return true;
        }
        togglePlay();
        return true;
    case Qt::Key_F5: {
        // From the cursor's line: its first mark, else where the clock is.
        const auto start = cur.line < m_doc.lineCount() && m_doc.line(cur.line).count() > 0
                               ? m_doc.line(cur.line).syllables[0].start
                               : std::nullopt;
        playFrom(start.value_or(m_clock->position()));
        return true;
    }
    case Qt::Key_F6:
    case Qt::Key_F7:  // from two seconds before the selected mark, or from the mark itself
        if (m_selected)
            playFrom(std::max<qint64>(0, m_doc.markTime(*m_selected).value_or(0) - (key->key() == Qt::Key_F6 ? 2000 : 0)));
        return true;
    case Qt::Key_L: {
        if (!ctrl || cur.line >= m_doc.lineCount()) return false;
        const timing::TimingLine& l = m_doc.line(cur.line);
        if (l.count() > 0 && l.syllables[0].start) playFrom(*l.syllables[0].start, l.endOf(l.count() - 1));
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = key->key() == Qt::Key_Left ? -1 : 1;
        if (shift && m_selected) m_doc.nudgeMark(*m_selected, step * 10);
        else selectMark(step);
        break;
    }
    case Qt::Key_Down:
        m_doc.setCursor({cur.line + 1, 0});  // lines without syllables are passed over
        break;
    case Qt::Key_Up:
        for (int l = std::min(cur.line, m_doc.lineCount()) - 1; l >= 0; --l) {
            if (m_doc.line(l).lyric && m_doc.line(l).count() > 0) {
                m_doc.setCursor({l, 0});
                break;
            }
        }
        break;
    case Qt::Key_W:  // waveform or spectrogram
        if (ctrl) return false;
        m_showSpectrum->toggle();
        return true;
    case Qt::Key_J:
        if (!ctrl) return false;
        m_doc.merge(cur.line, cur.syllable);
        break;
    case Qt::Key_K:
        if (!ctrl) return false;
        m_doc.split(cur.line, cur.syllable, 1);
        break;
    default:
        return false;
    }
    changed();
    return true;
}

bool TimingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        // Keys typed into the speed and split boxes stay theirs.
        if (qobject_cast<QComboBox*>(watched) && static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
            return QWidget::eventFilter(watched, event);
        if (handleKey(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress)) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TimingWindow::selectMark(int step) {
    const auto marks = m_doc.marks();
    if (marks.empty()) return;
    int at = -1;
    for (size_t i = 0; i < marks.size(); ++i)
        if (m_selected && marks[i].ref == *m_selected) at = static_cast<int>(i);
    if (at < 0) {
        // Nothing selected yet: the mark nearest the play line.
        const qint64 now = m_clock->position();
        at = 0;
        for (size_t i = 1; i < marks.size(); ++i)
            if (std::abs(marks[i].time - now) < std::abs(marks[static_cast<size_t>(at)].time - now)) at = static_cast<int>(i);
    } else {
        at = std::clamp(at + step, 0, static_cast<int>(marks.size()) - 1);
    }
    m_selected = marks[static_cast<size_t>(at)].ref;
}

void TimingWindow::changed() {
    ++m_changes;
    m_lyrics->refresh();
    m_wave->update();
    setWindowModified(m_doc.modified() || m_restored);
    // Only the timed text is taken here (each line's is kept until an edit
    // touches it); the song is laid out and its script written on the
    // builder's thread, while this one draws the marks, and drawn on the
    // pane's; the newest request supersedes older ones, so a key never waits
    // for the preview, playing or not.
    rebuildPreview();
    showStatus();
    emit documentChanged();
}

void TimingWindow::rebuildPreview() {
    m_builder->ask({++m_previewAsked, m_doc.timedText(), ss(m_lyricsPath), m_clock->position()});
}

std::shared_ptr<const std::string> TimingWindow::previewScript() const { return m_preview->script(); }

void TimingWindow::holdPreview(bool held) {
    {
        std::lock_guard lock(m_builder->mutex);
        m_builder->held = held;
    }
    m_builder->wake.notify_one();
}

uint64_t TimingWindow::previewsBuilt() const { return m_builder->built; }

void TimingWindow::waitForPreview(bool wholeSong) {
    // The builder's answers arrive as events, which wake the loop.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(30000);
    while ((wholeSong ? m_previewWhole : m_previewShown) < m_previewAsked && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TimingWindow::startCalibration() {
    if (m_calibrating) return;
    // Sixteen 10-ms clicks (2 kHz) every 500 ms from 1 s on.
    constexpr int kRate = 44100;
    auto track = std::make_shared<media::SongSound>();
    track->sampleRate = kRate;
    track->channels = 2;
    track->samples.assign(static_cast<size_t>(kRate) * 10 * 2, 0.0f);
    m_clicks.clear();
    for (int i = 0; i < 16; ++i) {
        const timing::Millis at = 1000 + 500 * i;
        m_clicks.push_back(at);
        const int64_t first = at * kRate / 1000;
        for (int64_t f = first; f < first + kRate / 100; ++f) {
            const auto v = static_cast<float>(0.6 * std::sin(2 * M_PI * 2000.0 * static_cast<double>(f - first) / kRate));
            track->samples[static_cast<size_t>(f) * 2] = track->samples[static_cast<size_t>(f) * 2 + 1] = v;
        }
    }
    m_calibrationFrom = m_clock->position();
    m_calibrationTaps.clear();
    m_calibrating = true;
    m_clock->pause();
    m_clock->setSpeed(1.0);
    m_player->setSound(track);
    m_clock->play(0);
    m_note = tr("遅延測定中: クリック音に合わせて Space を押してください");
    showStatus();
}

void TimingWindow::finishCalibration() {
    m_calibrating = false;
    m_clock->pause();
    m_player->setSound(m_song);
    m_clock->play(m_calibrationFrom);
    m_clock->pause();
    setSpeedPercent(m_speed->currentData().toInt());
    const auto found = timing::latencyFromTaps(m_calibrationTaps, m_clicks);
    if (found) setLatency(*found);
    m_note = found ? tr("遅延 %1 ms を補正します").arg(*found)
                   : tr("遅延を測れませんでした: クリック音に合わせた打鍵が足りません");
    showStatus();
}

void TimingWindow::tick() {
    if (m_calibrating) {
        if (m_clock->position() > m_clicks.back() + 1000) finishCalibration();
        return;
    }
    const qint64 now = m_clock->position();
    if (m_stopAt && m_clock->isPlaying() && now >= *m_stopAt) {
        m_clock->pause();
        m_stopAt.reset();
    }
    if (m_clock->isPlaying() || now != m_preview->position()) {
        m_wave->follow(now);
        m_preview->setPosition(now);
        showStatus();
    }
}

void TimingWindow::playFrom(qint64 ms, std::optional<qint64> stopAt) {
    m_stopAt = stopAt;
    m_clock->play(ms);
    m_wave->follow(ms);
}

void TimingWindow::togglePlay() {
    m_stopAt.reset();
    if (m_clock->isPlaying()) m_clock->pause();
    else m_clock->play(m_clock->position());
    showStatus();
}

void TimingWindow::setSpeedPercent(int percent) {
    m_clock->setSpeed(percent / 100.0);
    const int index = m_speed->findData(percent);
    if (index >= 0 && index != m_speed->currentIndex()) m_speed->setCurrentIndex(index);
    showStatus();
}

void TimingWindow::showStatus() {
    const qint64 t = m_clock->position();
    QString text = QStringLiteral("%1:%2.%3")
                       .arg(t / 60000)
                       .arg(t / 1000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(t / 10 % 100, 2, 10, QLatin1Char('0'));
    text += tr("  速度 %1 %").arg(qRound(m_clock->speed() * 100));
    const timing::Position cur = m_doc.cursor();
    if (m_doc.finished()) text += tr("  すべての音節にタイミングがあります");
    else text += tr("  %1 行目").arg(cur.line + 1);
    if (m_clock == m_player && !m_player->audible() && m_player->isPlaying())
        text += tr("  (音声出力なし: 無音で再生中)");
    if (!m_note.isEmpty()) text += QStringLiteral("  ") + m_note;
    m_status->setText(text);
}

bool TimingWindow::saveTo(const QString& path) {
    CollectingReporter reports;
    const bool kra = QFileInfo(path).suffix().compare("kra", Qt::CaseInsensitive) == 0;
    const bool ok = kra ? timing::writeTimedKra(m_doc, ss(path), reports) : timing::writeTimedText(m_doc, ss(path), reports);
    if (!ok) {
        QString text;
        for (const Report& r : reports.reports) text += qs(r.file) + ": " + messageText(r.text) + "\n";
        m_dialogs.message(this, QMessageBox::Warning, windowTitle(), tr("保存できません\n%1").arg(text));
        return false;
    }
    if (!reports.reports.empty()) {  // written, with something to know
        QString text;
        for (const Report& r : reports.reports) text += qs(r.file) + ": " + messageText(r.text) + "\n";
        m_dialogs.message(this, QMessageBox::Information, windowTitle(), text);
    }
    m_savePath = path;
    // Saved under another name, the window holds that file from now on.
    setWindowTitle(tr("タイミング - %1[*]").arg(QFileInfo(path).fileName()));
    m_doc.markSaved();
    m_restored = false;
    if (auto key = recoveryKey()) removeRecoveryFile(*key);
    m_recoveredChanges = m_changes;
    setWindowModified(false);
    emit saved(path);
    return true;
}

void TimingWindow::save() {
    QString path = m_savePath;
    if (path.isEmpty()) {
        path = m_dialogs.saveFile(this, tr("タイミングを保存"), m_lyricsPath,
                                  tr("テキストファイル (*.txt);;カラオケタグファイル (*.kra)"));
        if (path.isEmpty() || !mayReplace(path)) return;
    }
    saveTo(path);
}

bool TimingWindow::mayReplace(const QString& path) {
    if (!QFileInfo::exists(path)) return true;
    const QString name = QFileInfo(path).fileName();
    // Fewer lines than the file holds (marks restored from an older state of
    // the lyrics, or other lyrics) would lose the rest of its lines.
    const auto held = timing::lyricLinesInFile(ss(path), parseOptions());
    const int saving = m_doc.lyricLineCount();
    if (held && *held > saving)
        return m_dialogs.confirm(this, windowTitle(),
                                 tr("「%1」には歌詞が %2 行ありますが、保存するタイミングは %3 行です。"
                                    "上書きすると %4 行が失われます。上書きしますか?")
                                     .arg(name)
                                     .arg(*held)
                                     .arg(saving)
                                     .arg(*held - saving));
    return m_dialogs.confirm(this, windowTitle(), tr("「%1」は既にあります。上書きしますか?").arg(name));
}

std::optional<RecoveryKey> TimingWindow::recoveryKey() const {
    if (m_soundPath.isEmpty() || m_lyricsPath.isEmpty()) return std::nullopt;
    return timing::timingRecoveryKey(ss(m_lyricsPath), ss(m_soundPath));
}

void TimingWindow::keepRecovery() {
    const auto key = recoveryKey();
    if (!key || m_changes == m_recoveredChanges || !(m_doc.modified() || m_restored)) return;
    CollectingReporter reports;
    if (!timing::writeRecovery(m_doc, *key, reports) && !reports.reports.empty()) {
        m_note = tr("復元用ファイルを書けません (%1): %2")
                     .arg(qs(reports.reports[0].file), messageText(reports.reports[0].text));
    } else if (m_keptIn != *key) {
        // Once for each file: where the marks are kept until they are saved.
        m_note = tr("未保存のマークの保管先: %1").arg(qs(recoveryPath(*key)));
        m_keptIn = *key;
    }
    m_recoveredChanges = m_changes;
    showStatus();
}

void TimingWindow::offerRecovery() {
    const auto key = recoveryKey();
    // Offered once: the file stays until the marks restored are saved.
    if (!key || (m_restored && m_keptIn == *key)) return;
    timing::Recovery recovery = timing::readRecovery(*key);
    if (recovery.state == RecoveryState::Missing) return;
    if (recovery.state == RecoveryState::Cut) {
        // Never restored as if whole: a cut file would give back some of the
        // lines only. Moved aside, so that the next keep does not replace it.
        const std::string aside = setRecoveryFileAside(recovery.path);
        m_dialogs.message(this, QMessageBox::Warning, windowTitle(),
                          tr("復元用ファイルが壊れているため (%1)、タイミングを復元しません。\n"
                             "ファイルは %2 に残してあります。")
                              .arg(messageText(recovery.problem), qs(aside)));
        return;
    }
    const bool restore = m_dialogs.restore(
        this, windowTitle(),
        tr("保存されていないタイミングが残っています。\n歌詞: %1\n曲: %2\n最後に保管した時刻: %3\n"
           "復元用ファイル: %4\n\n復元しますか?")
            .arg(qs(key->files[0]), qs(key->files[1]), keptTimeText(recovery.keptAt), qs(recovery.path)));
    if (restore) {
        m_doc = timing::restoredDocument(std::move(recovery.marks));
        m_restored = true;
        m_keptIn = *key;
        changed();
    } else {
        removeRecoveryFile(*key);
    }
}

void TimingWindow::closeEvent(QCloseEvent* event) {
    if (m_doc.modified() || m_restored) {
        const auto answer = m_dialogs.unsaved(this, windowTitle(), tr("タイミングが保存されていません。保存しますか?"));
        if (answer == QMessageBox::Cancel) {
            event->ignore();
            return;
        }
        if (answer == QMessageBox::Save) {
            save();
            if (m_doc.modified() || m_restored) {
                event->ignore();
                return;
            }
        } else if (auto key = recoveryKey()) {
            removeRecoveryFile(*key);
        }
    }
    m_clock->pause();
    // Opened next time where the user left it.
    m_mainSession.appState.window.timingGeometry = saveGeometry().toBase64().toStdString();
    event->accept();
}

}  // namespace kvelmor::ui
