// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one clock of the timing window: taps, the waveform's play line and the
// preview all read the song time from it. The player plays the song's sound
// through Qt Multimedia's QAudioSink, fed by Kvelmor, so that its time is
// exact (frames handed to the sink less those still in its buffer); without
// a sound device, or before the sound is decoded, it runs silently by the
// elapsed time. Slower playback keeps the pitch (SoundTouch); the time is
// always song time, whatever the speed.

#include <QElapsedTimer>
#include <QObject>
#include <memory>

#include "media/song_sound.h"
#include "timing/song_clock.h"

class QAudioSink;

namespace kvelmor::ui {

class TimingClock {
public:
    virtual ~TimingClock() = default;
    // Milliseconds of song time.
    virtual qint64 position() const = 0;
    virtual bool isPlaying() const = 0;
    virtual void play(qint64 fromMs) = 0;
    virtual void pause() = 0;
    // Song time a second of real time: 0.5 .. 1.
    virtual void setSpeed(double speed) = 0;
    virtual double speed() const = 0;
};

// A clock moved by hand: tests and benchmarks set the song time a key
// arrives at. play() jumps to the time asked for and stays there.
class ManualClock : public TimingClock {
public:
    qint64 position() const override { return m_at; }
    bool isPlaying() const override { return m_playing; }
    void play(qint64 fromMs) override {
        m_at = fromMs;
        m_playing = true;
    }
    void pause() override { m_playing = false; }
    void setSpeed(double speed) override { m_speed = speed; }
    double speed() const override { return m_speed; }
    void set(qint64 ms) { m_at = ms; }

private:
    qint64 m_at = 0;
    bool m_playing = false;
    double m_speed = 1;
};

class SoundPlayer : public QObject, public TimingClock {
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;

    void setSound(std::shared_ptr<const media::SongSound> sound);
    bool hasSound() const { return m_sound != nullptr; }
    // Whether the sound is heard (a device took the format), else the clock runs silently.
    bool audible() const { return m_sink != nullptr; }

    qint64 position() const override;
    bool isPlaying() const override { return m_playing; }
    void play(qint64 fromMs) override;
    void pause() override;
    void setSpeed(double speed) override;
    double speed() const override { return m_speed; }

private:
    class Source;
    void stopSink();

    std::shared_ptr<const media::SongSound> m_sound;
    QAudioSink* m_sink = nullptr;
    Source* m_source = nullptr;
    bool m_playing = false;
    double m_speed = 1.0;
    qint64 m_from = 0;  // milliseconds: where play() started (silent clock)
    QElapsedTimer m_elapsed;
    mutable timing::SongClock m_songClock;  // the sink's reports, smoothed
    qint64 m_pausedAt = 0;
};

}  // namespace kvelmor::ui
