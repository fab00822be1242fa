// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timing window (タイミング): plain or timed lyrics and a song, tapped
// along with the music syllable by syllable. The lyrics with the syllable to
// tap highlighted, the waveform with every mark, and the karaoke as it will
// look, all at the time of one clock. The marks themselves live in the core
// (timing::TimingDocument); this window draws them and takes the keys.
//
// Keys: Space tap (hold and let go: the syllable's end), Enter the line's
// end, Backspace take the last mark back and jump back two seconds; P play
// or pause, F5 play from the cursor's line, F6 from two seconds before the
// selected mark, F7 from the selected mark, Ctrl+L the cursor's line alone,
// Shift+P the selected mark's syllable alone; Left/Right select a mark,
// Shift+Left/Right move it by 10 ms; Up/Down the line to tap; Ctrl+J join
// the syllable to tap with the next, Ctrl+K split it after its first
// character; Ctrl+Z / Ctrl+Y undo and redo; Ctrl+S save; W the spectrogram
// instead of the waveform and back.

#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>

#include "app/session.h"
#include "common/reporter.h"
#include "media/spectrogram.h"
#include "media/waveform.h"
#include "timing/event_delay.h"
#include "timing/hyphenation.h"
#include "timing/timing_document.h"
#include "ui/dialogs.h"

class QComboBox;
class QCheckBox;
class QLabel;
class QKeyEvent;
class QSpinBox;
class QTimer;

namespace kvelmor::ui {

class PreviewPane;
class SoundPlayer;
class TimingClock;

class TimingWindow : public QWidget {
    Q_OBJECT
public:
    // `mainSession` gives the settings the preview draws with and the measurer.
    TimingWindow(app::Session& mainSession, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TimingWindow() override;

    // Reads plain or timed lyrics; false, with a message naming the file, when
    // they cannot be read or hold no syllable.
    bool openLyrics(const QString& path);
    // Decodes the song on a worker; the waveform appears when it is done.
    void openSound(const QString& path);
    // Waits (tests, benchmarks) until the song opened is decoded; false when it failed.
    bool waitForSound(int timeoutMs = 30000);

    // Replaces the clock (tests inject one they move by hand).
    void setClock(TimingClock* clock);
    TimingClock& clock() const { return *m_clock; }

    // Writes the timed lyrics (.kra by the name, else UTF-8 text); false,
    // with a message naming the file, when they cannot be written.
    bool saveTo(const QString& path);
    void setSavePath(const QString& path) { m_savePath = path; }

    timing::TimingDocument& document() { return m_doc; }
    PreviewPane* preview() const { return m_preview; }
    std::optional<timing::MarkRef> selectedMark() const { return m_selected; }
    // The script the preview draws from (tests).
    std::shared_ptr<const std::string> previewScript() const;
    // Waits (tests, benchmarks) until the preview shows the marks as they
    // are now: the moment on screen, and with `wholeSong` the script of the
    // whole song too.
    void waitForPreview(bool wholeSong = true);
    // Tests: the preview's builder takes no new song while held, as if a
    // long song kept it busy; how many songs it has laid out.
    void holdPreview(bool held);
    uint64_t previewsBuilt() const;

    // Milliseconds subtracted from every tap: the delay of the user and the
    // sound device. Kept in the settings file ([timing] latencyMs).
    void setLatency(qint64 ms);
    qint64 latency() const { return m_latency; }
    // Taps moved onto the nearest note onset within 60 ms (when the song is decoded).
    void setSnapToOnsets(bool on);
    const std::vector<timing::Millis>& onsets() const { return m_onsets; }
    // Latency calibration: a click track plays and Space is tapped along
    // with it; after the clicks the delay found becomes the latency.
    void startCalibration();
    bool calibrating() const { return m_calibrating; }

public slots:
    void save();
    void togglePlay();
    void setSpeedPercent(int percent);

signals:
    // Timed lyrics were written to `path` (the main window loads them).
    void saved(const QString& path);
    // Marks, syllables or the cursor changed.
    void documentChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class LyricsView;
    class WaveformView;
    friend class LyricsView;
    friend class WaveformView;

    bool handleKey(QKeyEvent* key, bool press);
    // The song time a key was pressed at: the clock now, less how late the
    // key is handled (from its stamp).
    qint64 pressedAt(const QKeyEvent* key);
    // The time a tap by `key` marks: pressedAt less the latency, snapped to
    // a note onset when asked.
    qint64 tapTime(const QKeyEvent* key);
    void changed();
    void rebuildPreview();
    void tick();
    void playFrom(qint64 ms, std::optional<qint64> stopAt = std::nullopt);
    void selectMark(int step);
    // The recovery file of the lyrics and song open; none until both are.
    std::optional<RecoveryKey> recoveryKey() const;
    void keepRecovery();
    // Before a save from the dialog replaces a file: asked, saying how many
    // lyric lines would be lost when the file holds more than are saved.
    bool mayReplace(const QString& path);
    void finishCalibration();
    void offerRecovery();
    void showStatus();
    timing::ParseOptions parseOptions() const;

    app::Session& m_mainSession;
    Dialogs& m_dialogs;
    CollectingReporter m_previewReports;
    app::Session m_previewSession;
    // The preview's song is laid out on a thread of its own, so that a key
    // never waits for it; the pane then draws it.
    struct PreviewBuilder;
    std::shared_ptr<PreviewBuilder> m_builder;
    uint64_t m_previewAsked = 0;  // rebuilds asked for
    uint64_t m_previewShown = 0;  // the newest of them shown
    uint64_t m_previewWhole = 0;  // the newest of them written whole
    timing::Hyphenator m_hyphenator;
    timing::TimingDocument m_doc;
    QString m_lyricsPath;
    QString m_soundPath;
    QString m_savePath;

    SoundPlayer* m_player;
    TimingClock* m_clock;
    struct Decoding;
    std::shared_ptr<Decoding> m_decoding;
    std::shared_ptr<const media::WaveformSummary> m_waveform;
    std::vector<timing::Millis> m_onsets;  // of the song, in order
    std::shared_ptr<const media::Spectrogram> m_spectrum;
    std::shared_ptr<const media::SongSound> m_song;  // the song decoded
    bool m_calibrating = false;
    std::vector<timing::Millis> m_clicks;            // of the calibration track
    std::vector<timing::Millis> m_calibrationTaps;
    qint64 m_calibrationFrom = 0;                    // where the song was

    LyricsView* m_lyrics;
    WaveformView* m_wave;
    PreviewPane* m_preview;
    QLabel* m_status;
    QComboBox* m_speed;
    QCheckBox* m_joinSmall;
    QComboBox* m_latin;
    QCheckBox* m_snap;
    QCheckBox* m_showSpectrum;
    QSpinBox* m_latencyBox;
    QTimer* m_ticker;
    QTimer* m_recoveryTimer;

    std::optional<timing::MarkRef> m_selected;
    std::optional<qint64> m_stopAt;  // milliseconds: playback of a line or syllable alone stops here
    QString m_note;  // said after the time in the status line until the next note
    qint64 m_latency = 0;
    timing::EventDelay m_keyDelay;  // how late keys are handled
    size_t m_changes = 0;            // changes made, for the recovery file
    size_t m_recoveredChanges = 0;   // changes already in the recovery file
    bool m_restored = false;         // marks taken from a recovery file, not yet saved
    RecoveryKey m_keptIn;            // the recovery file the status line last named
};

}  // namespace kvelmor::ui
