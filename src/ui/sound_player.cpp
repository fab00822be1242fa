// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sound_player.h"

#include <soundtouch/SoundTouch.h>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace kvelmor::ui {

// Hands the song's frames to the sink from a song frame on, through
// SoundTouch when slower than real time, and counts the song frames used.
class SoundPlayer::Source : public QIODevice {
public:
    Source(std::shared_ptr<const media::SongSound> sound, int64_t fromFrame, double speed)
        : m_sound(std::move(sound)), m_next(fromFrame), m_speed(speed) {
        m_stretch.setSampleRate(static_cast<unsigned>(m_sound->sampleRate));
        m_stretch.setChannels(static_cast<unsigned>(m_sound->channels));
        m_stretch.setTempo(speed);
        open(QIODevice::ReadOnly);
    }
    // Song frames handed out so far, less those SoundTouch still holds.
    double songFrame() const { return m_songFrame.load(); }
    double speed() const { return m_speed; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

protected:
    qint64 readData(char* data, qint64 maxBytes) override {
        const int ch = m_sound->channels;
        const int64_t frameBytes = static_cast<int64_t>(ch) * static_cast<int64_t>(sizeof(float));
        const int64_t want = maxBytes / frameBytes;
        auto* out = reinterpret_cast<float*>(data);
        const int64_t total = m_sound->frameCount();
        int64_t made = 0;
        if (m_speed >= 0.999) {
            made = std::clamp<int64_t>(total - m_next, 0, want);
            std::memcpy(out, m_sound->samples.data() + m_next * ch, static_cast<size_t>(made * frameBytes));
            m_next += made;
        } else {
            while (made < want) {
                made += m_stretch.receiveSamples(out + made * ch, static_cast<unsigned>(want - made));
                if (made >= want) break;
                if (m_next >= total) {
                    m_stretch.flush();
                    made += m_stretch.receiveSamples(out + made * ch, static_cast<unsigned>(want - made));
                    break;
                }
                const int64_t feed = std::min<int64_t>(2048, total - m_next);
                m_stretch.putSamples(m_sound->samples.data() + m_next * ch, static_cast<unsigned>(feed));
                m_next += feed;
            }
        }
        // Silence past the end, so that the sink keeps time.
        std::fill(out + made * ch, out + want * ch, 0.0f);
        const double held = m_speed >= 0.999 ? 0.0
                                              : m_stretch.numUnprocessedSamples() + m_stretch.numSamples() * m_speed;
        m_songFrame.store(static_cast<double>(m_next) - held);
        return want * frameBytes;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<const media::SongSound> m_sound;
    int64_t m_next;  // the next song frame to hand out
    double m_speed;
    soundtouch::SoundTouch m_stretch;
    std::atomic<double> m_songFrame{0};
};

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

SoundPlayer::~SoundPlayer() { stopSink(); }

void SoundPlayer::setSound(std::shared_ptr<const media::SongSound> sound) {
    const qint64 at = position();
    const bool playing = m_playing;
    pause();
    m_sound = std::move(sound);
    m_pausedAt = at;
    if (playing) play(at);
}

void SoundPlayer::stopSink() {
    if (m_sink) {
        m_sink->stop();
        delete m_sink;
        m_sink = nullptr;
    }
    delete m_source;
    m_source = nullptr;
}

qint64 SoundPlayer::position() const {
    if (!m_playing) return m_pausedAt;
    if (m_sink && m_source && m_sound) {
        // Frames handed to the sink less those still in its buffer, each of
        // which holds `speed` song frames.
        const int frameBytes = m_sound->channels * static_cast<int>(sizeof(float));
        const double buffered = static_cast<double>(m_sink->bufferSize() - m_sink->bytesFree()) / frameBytes;
        const double frame = m_source->songFrame() - buffered * m_source->speed();
        const qint64 played = std::max<qint64>(m_from, static_cast<qint64>(frame * 1000.0 / m_sound->sampleRate));
        // What the sink reports moves in blocks; the clock runs smoothly between them.
        return m_songClock.read(played, m_elapsed.elapsed(), m_speed);
    }
    return m_from + static_cast<qint64>(static_cast<double>(m_elapsed.elapsed()) * m_speed);
}

void SoundPlayer::play(qint64 fromMs) {
    stopSink();
    m_from = std::max<qint64>(0, fromMs);
    m_playing = true;
    m_elapsed.start();
    m_songClock.restart(m_from);
    if (!m_sound || m_sound->sampleRate <= 0) return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    format.setSampleRate(m_sound->sampleRate);
    format.setChannelCount(m_sound->channels);
    format.setSampleFormat(QAudioFormat::Float);
    if (device.isNull() || !device.isFormatSupported(format)) return;  // silent, by the clock
    m_source = new Source(m_sound, m_from * m_sound->sampleRate / 1000, m_speed);
    m_sink = new QAudioSink(device, format);
    m_sink->start(m_source);
    if (m_sink->error() != QAudio::NoError) stopSink();
}

void SoundPlayer::pause() {
    if (!m_playing) return;
    m_pausedAt = position();
    m_playing = false;
    stopSink();
}

void SoundPlayer::setSpeed(double speed) {
    speed = std::clamp(speed, 0.5, 1.0);
    if (speed == m_speed) return;
    const bool playing = m_playing;
    const qint64 at = position();
    pause();
    m_speed = speed;
    m_pausedAt = at;
    if (playing) play(at);
}

}  // namespace kvelmor::ui
