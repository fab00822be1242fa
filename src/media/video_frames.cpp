// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/frame_conversion.h"
#include "media/ffmpeg_handles.h"
#include "media/media_module.h"
#include "media/video_frames.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <utility>

namespace kvelmor::media {
namespace {

// Microseconds: how far ahead of the current frame a time may lie and still
// be reached by decoding on rather than by a seek (a seek lands on a key
// frame before it and decodes from there anyway).
constexpr int64_t kDecodeOnLimit = 2'000'000;

using ffmpeg::CodecFreer;
using ffmpeg::FramePtr;
using ffmpeg::PacketFreer;

std::string ffmpegError(int code) { return ffmpeg::errorText(code); }

}  // namespace

struct Decoder {
    ffmpeg::InputPtr format;
    std::unique_ptr<AVCodecContext, CodecFreer> codec;
    std::unique_ptr<AVPacket, PacketFreer> packet{av_packet_alloc()};
    FrameConverter converter;
    int stream = -1;
    AVRational timeBase{1, 1};
    int64_t startTime = 0;  // microseconds: the file's first time, which counts as 0
    int64_t frameStep = 40'000;  // microseconds: one frame at the stream's rate, for frames without a time

    FramePtr current{av_frame_alloc()};  // the frame shown at the last time asked for
    FramePtr next{av_frame_alloc()};     // the one decoded after it
    int64_t currentTime = -1;            // microseconds; -1 while there is no current frame
    int64_t nextTime = -1;               // microseconds; -1 at the end of the stream
    bool draining = false;               // the end of the file was reached and the decoder is being emptied

    int64_t timeOf(const AVFrame& f, int64_t previous) const {
        const int64_t pts = f.best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) return previous < 0 ? 0 : previous + frameStep;
        return av_rescale_q(pts, timeBase, AV_TIME_BASE_Q) - startTime;
    }

    // Decodes the next picture into `next`; false at the end or on an error.
    bool decodeNext() {
        av_frame_unref(next.get());
        for (;;) {
            int rc = avcodec_receive_frame(codec.get(), next.get());
            if (rc == 0) {
                nextTime = timeOf(*next, currentTime);
                return true;
            }
            if (rc != AVERROR(EAGAIN) || draining) break;
            rc = av_read_frame(format.get(), packet.get());
            if (rc < 0) {
                draining = true;
                avcodec_send_packet(codec.get(), nullptr);
                continue;
            }
            if (packet->stream_index == stream) avcodec_send_packet(codec.get(), packet.get());
            av_packet_unref(packet.get());
        }
        nextTime = -1;
        return false;
    }

    // Moves on until `current` is the frame shown at `t`.
    void decodeOnTo(int64_t t) {
        while (nextTime >= 0 && nextTime <= t) {
            std::swap(current, next);
            currentTime = nextTime;
            decodeNext();
        }
    }

    bool seekTo(int64_t t) {
        const int64_t ts = av_rescale_q(t + startTime, AV_TIME_BASE_Q, timeBase);
        if (av_seek_frame(format.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
            av_seek_frame(format.get(), stream, 0, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(codec.get());
        draining = false;
        currentTime = -1;
        if (!decodeNext()) return false;
        // The first frame decoded stands for every time before it.
        std::swap(current, next);
        currentTime = nextTime;
        decodeNext();
        decodeOnTo(t);
        return true;
    }

    bool moveTo(int64_t t) {
        if (currentTime >= 0 && t >= currentTime && (nextTime < 0 || t < nextTime)) return true;
        if (currentTime >= 0 && t > currentTime && t - currentTime <= kDecodeOnLimit) {
            decodeOnTo(t);
            return true;
        }
        return seekTo(t);
    }
};

namespace {

class FfmpegVideoFrames final : public VideoFrames {
public:
    explicit FfmpegVideoFrames(std::unique_ptr<Decoder> d) : m_d(std::move(d)) {}
    int width() const override { return m_d->codec->width; }
    int height() const override { return m_d->codec->height; }
    int64_t duration() const override {
        const int64_t d = m_d->format->duration;
        return d == AV_NOPTS_VALUE || d < 0 ? 0 : d;
    }
    bool frameAt(int64_t microseconds, int width, int height, uint8_t* rgba) override;

private:
    std::unique_ptr<Decoder> m_d;
};

bool FfmpegVideoFrames::frameAt(int64_t microseconds, int width, int height, uint8_t* rgba) {
    Decoder& d = *m_d;
    if (width <= 0 || height <= 0 || !d.moveTo(microseconds < 0 ? 0 : microseconds) || d.currentTime < 0) return false;
    return d.converter.convert(*d.current, width, height, rgba);
}

}  // namespace

std::unique_ptr<VideoFrames> module::openVideoFrames(const std::string& path, Reporter& reporter) {
    av_log_set_level(AV_LOG_QUIET);  // what the user must know is reported here instead
    auto d = std::make_unique<Decoder>();
    if (!d->packet || !d->current || !d->next) {
        reporter.error("no memory to decode the video", path);
        return nullptr;
    }
    int rc = ffmpeg::openLocalFile(path, d->format);
    AVFormatContext* raw = d->format.get();
    if (rc < 0) {
        reporter.error("cannot be read as a media file (" + ffmpegError(rc) + ")", path);
        return nullptr;
    }
    rc = avformat_find_stream_info(raw, nullptr);
    if (rc < 0) {
        reporter.error("the streams of the media file cannot be read (" + ffmpegError(rc) + ")", path);
        return nullptr;
    }
    const AVCodec* decoder = nullptr;
    d->stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (d->stream < 0 || (raw->streams[d->stream]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        reporter.error(d->stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for the video of this file is installed"
                                                              : "holds no video to show",
                       path);
        return nullptr;
    }
    AVStream* st = raw->streams[d->stream];
    d->timeBase = st->time_base;
    if (raw->start_time != AV_NOPTS_VALUE) d->startTime = raw->start_time;
    if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
        d->frameStep = av_rescale_q(1, av_inv_q(st->avg_frame_rate), AV_TIME_BASE_Q);
    d->codec.reset(avcodec_alloc_context3(decoder));
    if (!d->codec || avcodec_parameters_to_context(d->codec.get(), st->codecpar) < 0 ||
        (rc = avcodec_open2(d->codec.get(), decoder, nullptr)) < 0) {
        reporter.error("the video decoder cannot start", path);
        return nullptr;
    }
    // Only the chosen stream is read.
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != d->stream) raw->streams[i]->discard = AVDISCARD_ALL;
    return std::make_unique<FfmpegVideoFrames>(std::move(d));
}

}  // namespace kvelmor::media
