// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview pane: the song as it will look at one time, with the current
// settings, drawn by libass over a solid colour or the chosen video; a time
// slider, play/pause, previous/next line and the list of lines.
//
// The pane forwards and shows: the session decides the layout, the pane asks
// it for the script text when told that the song or the settings changed and
// draws frames of that text. Frames are drawn on a thread of the pane's own,
// so neither a long song nor a large frame holds up typing; only the newest
// request is drawn when requests come faster than frames.
//
// Playback: the frames move on by the clock, each drawn over the video's
// picture at its time (decoded by the pane's thread). With a video and an
// audio device, Qt Multimedia plays the video's sound and its position leads
// the clock; without either, the pane plays silently by the clock.

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "app/session.h"
#include "ui/dialogs.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QMediaPlayer;
class QAudioOutput;
class QPushButton;
class QSlider;
class QTimer;

namespace kvelmor::ui {

class PreviewPane : public QWidget {
    Q_OBJECT
public:
    PreviewPane(app::Session& session, QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Milliseconds from the start of the song.
    qint64 position() const { return m_position; }
    bool isPlaying() const { return m_playing; }
    // The frame shown last, at the script's own frame size (dispWidth × dispHeight),
    // and the time it shows (milliseconds; -1 before the first).
    QImage frame() const;
    qint64 framePosition() const { return m_framePosition; }
    // The video drawn behind the subtitles and played with its sound; empty
    // for none. A file that cannot be shown is refused at once with one
    // message naming it, and the video before stays.
    void setMedia(const QString& path);
    // The dialogs the pane asks and tells through (the window's); Qt's own without.
    void setDialogs(Dialogs* dialogs) { m_dialogs = dialogs; }
    QString media() const { return m_media; }
    // The working line (1-based) selected in the list of lines: the one
    // shown at the position, or the one clicked; 0 for none.
    int selectedLine() const;
    // Milliseconds: where a jump to each line goes (its first tag less its lead-in), in table order.
    const std::vector<qint64>& lineStarts() const { return m_lineStarts; }

    // What the list of lines and the jumps need of a laid-out song; made
    // where the song is (any thread), so that a song laid out on a thread of
    // its own never has to be handed over.
    struct SongLines {
        struct Line {
            qint64 jumpTo = 0;  // milliseconds: the first tag less the line's lead-in
            QString time;       // when the first tag is sung, as the list shows it
            QString text;
        };
        std::vector<Line> lines;
        qint64 firstSung = 0;  // milliseconds: the first tag of the first line
        qint64 end = 0;        // milliseconds: the end of the last event
        std::string lyricsPath;
    };
    static SongLines linesOf(const lyrics::Song& song);
    // The script the frames are drawn from now.
    std::shared_ptr<const std::string> script() const;

public slots:
    // Builds the script text again from the session and draws the frame.
    void songOrSettingsChanged();
    // A song laid out and written elsewhere (on a thread of the caller's):
    // the script is taken as it is, so that the pane spends no time writing
    // it again. It may hold only the lines shown near the position, with the
    // whole script following through replaceScript.
    void songChanged(std::shared_ptr<const std::string> script, const SongLines& lines);
    // The same song's script, whole: the frames are drawn from it from now on.
    void replaceScript(std::shared_ptr<const std::string> script);
    void setPosition(qint64 ms);
    void play();
    void pause();
    void togglePlay();
    void previousLine();
    void nextLine();
    // Goes to where the first line is sung: shown whole, before its wipe.
    void showFirstLine();

signals:
    // A newly drawn frame is on screen.
    void frameShown();
    void positionChanged(qint64 ms);

private:
    struct Worker;
    class FrameView;

    void requestFrame();
    void showFrame(const QImage& image, qint64 ms);
    void tick();
    void chooseMedia();
    void updateControls();
    qint64 length() const;

    app::Session& m_session;
    std::shared_ptr<Worker> m_worker;

    FrameView* m_view;
    QSlider* m_slider;
    QLabel* m_time;
    QPushButton* m_play;
    QPushButton* m_previous;
    QPushButton* m_next;
    QPushButton* m_mediaButton;
    QListWidget* m_lines;
    QTimer* m_clock;

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;

    std::vector<qint64> m_lineStarts;  // milliseconds
    qint64 m_songEnd = 0;              // milliseconds: the end of the last event
    qint64 m_firstSung = 0;            // milliseconds: the first tag of the first line
    qint64 m_mediaLength = 0;          // milliseconds
    qint64 m_position = 0;             // milliseconds
    qint64 m_framePosition = -1;       // milliseconds: the time of the frame on screen
    bool m_playing = false;
    QElapsedTimer m_playClock;         // since play(), for playback by the clock
    qint64 m_playFrom = 0;             // milliseconds: the position play() started at
    QString m_media;
    Dialogs* m_dialogs = nullptr;
    int m_frameWidth = 0, m_frameHeight = 0;  // pixels: dispWidth × dispHeight
    double m_pixelShape = 1;                 // mojiScaleX while a video is shown
};

}  // namespace kvelmor::ui
