// SPDX-License-Identifier: GPL-3.0-or-later
// The media module's half of video_rewriter.h: demuxing, decoding, scaling,
// encoding and muxing with FFmpeg.

#include "media/video_rewriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>

#include "media/ffmpeg_handles.h"
#include "media/media_module.h"

namespace kvelmor::media {
namespace {

// Bits a second of sound that has to be encoded again: transparent for AAC
// and Opus in stereo.
constexpr int64_t kAudioBitRate = 192'000;

using ffmpeg::CodecPtr;
using ffmpeg::errorText;
using ffmpeg::FramePtr;
using ffmpeg::InputPtr;
using ffmpeg::OutputPtr;
using ffmpeg::PacketPtr;
using ffmpeg::ResamplerFreer;
using ffmpeg::ScalerFreer;
struct FifoFreer {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

// A local file opened for reading, its streams read.
int openInput(const std::string& path, InputPtr& out) {
    int rc = ffmpeg::openLocalFile(path, out);
    if (rc >= 0) rc = avformat_find_stream_info(out.get(), nullptr);
    return rc;
}

// A decoder for one stream, started; nothing when there is none.
CodecPtr openDecoder(const AVStream& st) {
    const AVCodec* decoder = avcodec_find_decoder(st.codecpar->codec_id);
    if (decoder == nullptr) return nullptr;
    CodecPtr c(avcodec_alloc_context3(decoder));
    if (!c || avcodec_parameters_to_context(c.get(), st.codecpar) < 0) return nullptr;
    c->pkt_timebase = st.time_base;
    // As many threads as there are processors, as the ffmpeg program decodes.
    c->thread_count = 0;
    if (avcodec_open2(c.get(), decoder, nullptr) < 0) return nullptr;
    return c;
}

// The first picture of a packet (a cover picture) or of a file (an image).
FramePtr decodeOnePicture(AVCodecContext& decoder, AVFormatContext* file, int stream, const AVPacket* packet) {
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    if (!frame || !pkt) return nullptr;
    if (packet != nullptr) {
        avcodec_send_packet(&decoder, packet);
        avcodec_send_packet(&decoder, nullptr);
        return avcodec_receive_frame(&decoder, frame.get()) == 0 ? std::move(frame) : nullptr;
    }
    while (av_read_frame(file, pkt.get()) >= 0) {
        if (pkt->stream_index == stream) avcodec_send_packet(&decoder, pkt.get());
        av_packet_unref(pkt.get());
        if (avcodec_receive_frame(&decoder, frame.get()) == 0) return frame;
    }
    avcodec_send_packet(&decoder, nullptr);
    return avcodec_receive_frame(&decoder, frame.get()) == 0 ? std::move(frame) : nullptr;
}

// A YUV 4:2:0 frame of the given size with its own buffers.
FramePtr newPicture(int width, int height) {
    FramePtr f(av_frame_alloc());
    if (!f) return nullptr;
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    if (av_frame_get_buffer(f.get(), 0) < 0) return nullptr;
    return f;
}

void fillPicture(AVFrame& f, const Yuv& c) {
    for (int y = 0; y < f.height; ++y) std::memset(f.data[0] + static_cast<ptrdiff_t>(y) * f.linesize[0], c.y, f.width);
    for (int y = 0; y < (f.height + 1) / 2; ++y) {
        std::memset(f.data[1] + static_cast<ptrdiff_t>(y) * f.linesize[1], c.u, (f.width + 1) / 2);
        std::memset(f.data[2] + static_cast<ptrdiff_t>(y) * f.linesize[2], c.v, (f.width + 1) / 2);
    }
}

// The sound encoded again: decoded, resampled to what the encoder takes and
// cut into the encoder's frame size.
struct AudioRecoder {
    CodecPtr decoder, encoder;
    std::unique_ptr<SwrContext, ResamplerFreer> resampler;
    std::unique_ptr<AVAudioFifo, FifoFreer> fifo;
    FramePtr decoded{av_frame_alloc()};
    FramePtr chunk{av_frame_alloc()};
    int64_t samplesOut = 0;  // samples handed to the encoder: the next frame's time
};

class FfmpegVideoRewriter final : public VideoRewriter {
public:
    FfmpegVideoRewriter(const RewriteRequest& r, Reporter& reporter) : m_request(r), m_reporter(reporter) {}
    bool start();

    int width() const override { return m_encoder->width; }
    int height() const override { return m_encoder->height; }
    int64_t duration() const override { return m_duration; }
    bool next(Picture420& picture, int64_t& microseconds) override;
    bool write() override;
    bool finish() override;
    bool failed() const override { return m_failed; }

private:
    bool fail(const std::string& message, const std::string& file) {
        m_reporter.error(message, file);
        m_failed = true;
        return false;
    }
    bool writeFailed(int rc) { return fail("cannot be written (" + errorText(rc) + ")", m_request.output); }

    bool openMedia();
    bool makeStill();
    bool openVideoEncoder(const AVOutputFormat& format);
    bool openAudio(const AVOutputFormat& format);
    bool nextDecoded(int64_t& microseconds);
    bool takePicture(AVFrame& decoded);
    // Sends what the encoder has ready to the file.
    bool drainEncoder(AVCodecContext& encoder, AVStream& stream);
    bool writeAudioPacket(AVPacket& packet);
    // Decodes, resamples and encodes one packet of sound; null at the end.
    bool recode(const AVPacket* packet);
    bool encodeAudio(const AVFrame* frame);
    bool flushAudioFifo(bool all);
    // Media of sound only: reads and writes the sound up to `microseconds`.
    bool passSoundUntil(int64_t microseconds);

    RewriteRequest m_request;
    Reporter& m_reporter;
    bool m_failed = false;

    InputPtr m_in;
    int m_videoIn = -1;
    int m_audioIn = -1;
    CodecPtr m_decoder;
    int64_t m_startTime = 0;  // microseconds: the file's first time, which becomes 0
    int64_t m_duration = 0;   // microseconds

    OutputPtr m_out;
    CodecPtr m_encoder;
    AVStream* m_videoOut = nullptr;
    AVStream* m_audioOut = nullptr;
    std::unique_ptr<AudioRecoder> m_recoder;  // null when the sound is copied

    PacketPtr m_packet{av_packet_alloc()};
    PacketPtr m_encoded{av_packet_alloc()};
    FramePtr m_decoded{av_frame_alloc()};
    FramePtr m_picture{av_frame_alloc()};  // the picture handed out
    std::unique_ptr<SwsContext, ScalerFreer> m_scaler;
    int64_t m_lastPts = INT64_MIN;
    bool m_draining = false;

    // Media of sound only.
    FramePtr m_still;
    int64_t m_stillIndex = 0;
    int64_t m_stillCount = 0;
    int64_t m_soundReadTo = -1;  // microseconds: the time of the last sound packet read
    bool m_soundEnded = false;
};

bool FfmpegVideoRewriter::openMedia() {
    const std::string& path = m_request.media;
    if (int rc = openInput(path, m_in); rc < 0)
        return fail("cannot be read as a media file (" + errorText(rc) + ")", path);
    AVFormatContext& in = *m_in;
    if (in.start_time != AV_NOPTS_VALUE) m_startTime = in.start_time;
    if (in.duration != AV_NOPTS_VALUE && in.duration > 0) m_duration = in.duration;
    int video = av_find_best_stream(&in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    // A cover picture is a one-picture video stream; the file is still sound only.
    if (video >= 0 && !(in.streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC)) m_videoIn = video;
    m_audioIn = av_find_best_stream(&in, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_audioIn < 0) m_audioIn = -1;
    if (m_videoIn < 0 && m_audioIn < 0) return fail("holds neither video nor sound", path);
    for (unsigned i = 0; i < in.nb_streams; ++i)
        if (static_cast<int>(i) != m_videoIn && static_cast<int>(i) != m_audioIn) in.streams[i]->discard = AVDISCARD_ALL;
    if (m_videoIn >= 0) {
        m_decoder = openDecoder(*in.streams[m_videoIn]);
        if (!m_decoder) return fail("no decoder for the video of this file is installed", path);
        if (m_decoder->width <= 0 || m_decoder->height <= 0) return fail("the video has no frame size", path);
        return true;
    }
    if (m_duration <= 0) return fail("the length of the sound cannot be read", path);
    return makeStill();
}

// The picture behind the lyrics for media of sound only: the still image (or
// the file's cover picture) scaled to fit, centred on black; or the colour.
bool FfmpegVideoRewriter::makeStill() {
    const int width = m_request.stillWidth, height = m_request.stillHeight;
    if (width <= 0 || height <= 0)
        return fail("the frame size " + std::to_string(width) + "x" + std::to_string(height) + " cannot be drawn",
                    m_request.media);
    m_still = newPicture(width, height);
    if (!m_still) return fail("no memory for a picture of " + std::to_string(width) + "x" + std::to_string(height),
                              m_request.media);
    const uint8_t* c = m_request.stillColour;
    fillPicture(*m_still, limitedRangeYuv(c[0], c[1], c[2]));
    m_stillCount = (m_duration * kStillFramesPerSecond + 999'999) / 1'000'000;

    FramePtr image;
    const std::string& imagePath = m_request.stillImage;
    if (!imagePath.empty()) {
        InputPtr file;
        if (int rc = openInput(imagePath, file); rc < 0)
            return fail("cannot be read as a picture (" + errorText(rc) + ")", imagePath);
        const int stream = av_find_best_stream(file.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        CodecPtr decoder = stream >= 0 ? openDecoder(*file->streams[stream]) : nullptr;
        if (decoder) image = decodeOnePicture(*decoder, file.get(), stream, nullptr);
        if (!image) return fail("holds no picture that can be read", imagePath);
    } else {
        for (unsigned i = 0; i < m_in->nb_streams && !image; ++i) {
            const AVStream& st = *m_in->streams[i];
            if (!(st.disposition & AV_DISPOSITION_ATTACHED_PIC) || st.attached_pic.size <= 0) continue;
            if (CodecPtr decoder = openDecoder(st)) image = decodeOnePicture(*decoder, nullptr, -1, &st.attached_pic);
        }
    }
    if (!image) return true;
    // Scaled to fit, both sides even so that the chroma lines up.
    const double scale = std::min(static_cast<double>(width) / image->width, static_cast<double>(height) / image->height);
    const int w = std::max(2, static_cast<int>(image->width * scale) & ~1);
    const int h = std::max(2, static_cast<int>(image->height * scale) & ~1);
    const int x = (width - w) / 2 & ~1, y = (height - h) / 2 & ~1;
    fillPicture(*m_still, limitedRangeYuv(0, 0, 0));
    std::unique_ptr<SwsContext, ScalerFreer> scaler(
        sws_getContext(image->width, image->height, static_cast<AVPixelFormat>(image->format), w, h,
                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler) return fail("the picture cannot be scaled", imagePath.empty() ? m_request.media : imagePath);
    uint8_t* planes[4] = {m_still->data[0] + static_cast<ptrdiff_t>(y) * m_still->linesize[0] + x,
                          m_still->data[1] + static_cast<ptrdiff_t>(y / 2) * m_still->linesize[1] + x / 2,
                          m_still->data[2] + static_cast<ptrdiff_t>(y / 2) * m_still->linesize[2] + x / 2, nullptr};
    sws_scale(scaler.get(), image->data, image->linesize, 0, image->height, planes, m_still->linesize);
    return true;
}

bool FfmpegVideoRewriter::openVideoEncoder(const AVOutputFormat& format) {
    const std::string& out = m_request.output;
    // H.264 wherever the container takes it (MP4, Matroska, MPEG-TS, AVI ...):
    // the codec every player plays; else the container's own (VP9 for WebM).
    const AVCodec* codec = avformat_query_codec(&format, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL) == 1
                               ? avcodec_find_encoder(AV_CODEC_ID_H264)
                               : nullptr;
    if (codec == nullptr && format.video_codec != AV_CODEC_ID_NONE) codec = avcodec_find_encoder(format.video_codec);
    if (codec == nullptr) return fail("FFmpeg has no video encoder for this kind of file", out);
    m_encoder.reset(avcodec_alloc_context3(codec));
    if (!m_encoder) return fail("no memory to encode the video", out);
    AVCodecContext& e = *m_encoder;
    e.pix_fmt = AV_PIX_FMT_YUV420P;
    e.thread_count = 0;
    if (m_videoIn >= 0) {
        const AVStream& st = *m_in->streams[m_videoIn];
        e.width = m_decoder->width;
        e.height = m_decoder->height;
        e.time_base = st.time_base;
        e.framerate = av_guess_frame_rate(m_in.get(), const_cast<AVStream*>(&st), nullptr);
        e.sample_aspect_ratio = av_guess_sample_aspect_ratio(m_in.get(), const_cast<AVStream*>(&st), nullptr);
        // The colours mean what they meant in the source.
        e.color_range = m_decoder->color_range == AVCOL_RANGE_JPEG ? AVCOL_RANGE_MPEG : m_decoder->color_range;
        e.colorspace = m_decoder->colorspace;
        e.color_primaries = m_decoder->color_primaries;
        e.color_trc = m_decoder->color_trc;
    } else {
        e.width = m_still->width;
        e.height = m_still->height;
        e.time_base = AVRational{1, kStillFramesPerSecond};
        e.framerate = AVRational{kStillFramesPerSecond, 1};
        // The picture was made in BT.601's colours (libswscale's and
        // limitedRangeYuv's); said so, players do not take an HD frame for BT.709.
        e.color_range = AVCOL_RANGE_MPEG;
        e.colorspace = AVCOL_SPC_SMPTE170M;
        e.color_primaries = AVCOL_PRI_SMPTE170M;
        e.color_trc = AVCOL_TRC_SMPTE170M;
    }
    if ((e.width | e.height) & 1)
        return fail("the frame size " + std::to_string(e.width) + "x" + std::to_string(e.height) +
                        " is odd; H.264 and VP9 in 4:2:0 need even sides",
                    m_videoIn >= 0 ? m_request.media : out);
    if (format.flags & AVFMT_GLOBALHEADER) e.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "crf", m_request.quality, 0);
    e.bit_rate = 0;  // quality alone decides the size (VP9's constant quality mode)
    int rc = avcodec_open2(&e, codec, &options);
    av_dict_free(&options);
    if (rc < 0) return fail("the video encoder " + std::string(codec->name) + " cannot start (" + errorText(rc) + ")", out);
    m_videoOut = avformat_new_stream(m_out.get(), nullptr);
    if (m_videoOut == nullptr || avcodec_parameters_from_context(m_videoOut->codecpar, &e) < 0)
        return fail("no memory to encode the video", out);
    m_videoOut->time_base = e.time_base;
    m_videoOut->sample_aspect_ratio = e.sample_aspect_ratio;
    m_videoOut->avg_frame_rate = e.framerate;
    return true;
}

bool FfmpegVideoRewriter::openAudio(const AVOutputFormat& format) {
    if (m_audioIn < 0) return true;
    const std::string& out = m_request.output;
    const AVStream& in = *m_in->streams[m_audioIn];
    m_audioOut = avformat_new_stream(m_out.get(), nullptr);
    if (m_audioOut == nullptr) return fail("no memory to write the sound", out);
    if (avformat_query_codec(&format, in.codecpar->codec_id, FF_COMPLIANCE_NORMAL) == 1) {
        if (avcodec_parameters_copy(m_audioOut->codecpar, in.codecpar) < 0) return fail("no memory to write the sound", out);
        m_audioOut->codecpar->codec_tag = 0;
        m_audioOut->time_base = in.time_base;
        return true;
    }
    // The container does not take the sound as it is: encoded again.
    auto r = std::make_unique<AudioRecoder>();
    r->decoder = openDecoder(in);
    if (!r->decoder) return fail("no decoder for the sound of this file is installed", m_request.media);
    const AVCodec* codec = format.audio_codec != AV_CODEC_ID_NONE ? avcodec_find_encoder(format.audio_codec) : nullptr;
    if (codec == nullptr) return fail("FFmpeg has no sound encoder for this kind of file", out);
    r->encoder.reset(avcodec_alloc_context3(codec));
    if (!r->encoder || !r->decoded || !r->chunk) return fail("no memory to encode the sound", out);
    AVCodecContext& e = *r->encoder;
    AVCodecContext& d = *r->decoder;
    e.sample_rate = d.sample_rate;
    if (codec->supported_samplerates != nullptr) {
        // The rate of the source when the encoder takes it, else the nearest it takes.
        int best = codec->supported_samplerates[0];
        for (const int* s = codec->supported_samplerates; *s != 0; ++s)
            if (std::abs(*s - d.sample_rate) < std::abs(best - d.sample_rate)) best = *s;
        e.sample_rate = best;
    }
    e.sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : d.sample_fmt;
    av_channel_layout_default(&e.ch_layout, std::min(d.ch_layout.nb_channels, 2));
    e.bit_rate = kAudioBitRate;
    e.time_base = AVRational{1, e.sample_rate};
    if (format.flags & AVFMT_GLOBALHEADER) e.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int rc = avcodec_open2(&e, codec, nullptr); rc < 0)
        return fail("the sound encoder " + std::string(codec->name) + " cannot start (" + errorText(rc) + ")", out);
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &e.ch_layout, e.sample_fmt, e.sample_rate, &d.ch_layout, d.sample_fmt, d.sample_rate,
                            0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        return fail("the sound cannot be resampled", m_request.media);
    }
    r->resampler.reset(swr);
    r->fifo.reset(av_audio_fifo_alloc(e.sample_fmt, e.ch_layout.nb_channels, 1));
    if (!r->fifo || avcodec_parameters_from_context(m_audioOut->codecpar, &e) < 0)
        return fail("no memory to encode the sound", out);
    m_audioOut->time_base = e.time_base;
    m_recoder = std::move(r);
    return true;
}

bool FfmpegVideoRewriter::start() {
    if (!m_packet || !m_encoded || !m_decoded || !m_picture) return fail("no memory to make the video", m_request.output);
    if (!openMedia()) return false;
    const std::string& out = m_request.output;
    const AVOutputFormat* format = av_guess_format(nullptr, out.c_str(), nullptr);
    if (format == nullptr || (format->flags & AVFMT_NOFILE) || format->video_codec == AV_CODEC_ID_NONE)
        return fail("names no kind of video file FFmpeg can write; end the name in .mp4, .mkv or .webm", out);
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, format, nullptr, nullptr) < 0 || raw == nullptr)
        return fail("no memory to write the video", out);
    m_out.reset(raw);
    if (!openVideoEncoder(*format) || !openAudio(*format)) return false;
    const std::string url = "file:" + m_request.writeTo;
    if (int rc = avio_open(&m_out->pb, url.c_str(), AVIO_FLAG_WRITE); rc < 0) return writeFailed(rc);
    if (int rc = avformat_write_header(m_out.get(), nullptr); rc < 0) return writeFailed(rc);
    return true;
}

bool FfmpegVideoRewriter::drainEncoder(AVCodecContext& encoder, AVStream& stream) {
    for (;;) {
        int rc = avcodec_receive_packet(&encoder, m_encoded.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return fail("the encoder failed (" + errorText(rc) + ")", m_request.output);
        m_encoded->stream_index = stream.index;
        av_packet_rescale_ts(m_encoded.get(), encoder.time_base, stream.time_base);
        rc = av_interleaved_write_frame(m_out.get(), m_encoded.get());
        if (rc < 0) return writeFailed(rc);
    }
}

bool FfmpegVideoRewriter::encodeAudio(const AVFrame* frame) {
    AudioRecoder& r = *m_recoder;
    if (int rc = avcodec_send_frame(r.encoder.get(), frame); rc < 0 && rc != AVERROR_EOF)
        return fail("the sound cannot be encoded (" + errorText(rc) + ")", m_request.media);
    return drainEncoder(*r.encoder, *m_audioOut);
}

// Encodes whole encoder frames from the queue; with `all`, the last part too.
bool FfmpegVideoRewriter::flushAudioFifo(bool all) {
    AudioRecoder& r = *m_recoder;
    AVCodecContext& e = *r.encoder;
    const int frameSize = e.frame_size > 0 ? e.frame_size : 1024;
    while (av_audio_fifo_size(r.fifo.get()) >= frameSize || (all && av_audio_fifo_size(r.fifo.get()) > 0)) {
        const int n = std::min(frameSize, av_audio_fifo_size(r.fifo.get()));
        AVFrame& c = *r.chunk;
        av_frame_unref(&c);
        c.nb_samples = n;
        c.format = e.sample_fmt;
        c.sample_rate = e.sample_rate;
        if (av_channel_layout_copy(&c.ch_layout, &e.ch_layout) < 0 || av_frame_get_buffer(&c, 0) < 0)
            return fail("no memory to encode the sound", m_request.output);
        av_audio_fifo_read(r.fifo.get(), reinterpret_cast<void**>(c.data), n);
        c.pts = r.samplesOut;
        r.samplesOut += n;
        if (!encodeAudio(&c)) return false;
    }
    return true;
}

bool FfmpegVideoRewriter::writeAudioPacket(AVPacket& p) {
    const AVStream& in = *m_in->streams[m_audioIn];
    if (!m_recoder) {
        const int64_t start = av_rescale_q(m_startTime, AV_TIME_BASE_Q, in.time_base);
        if (p.pts != AV_NOPTS_VALUE) p.pts -= start;
        if (p.dts != AV_NOPTS_VALUE) p.dts -= start;
        av_packet_rescale_ts(&p, in.time_base, m_audioOut->time_base);
        p.stream_index = m_audioOut->index;
        p.pos = -1;
        const int rc = av_interleaved_write_frame(m_out.get(), &p);
        av_packet_unref(&p);
        return rc < 0 ? writeFailed(rc) : true;
    }
    const bool ok = recode(&p);
    av_packet_unref(&p);
    return ok;
}

bool FfmpegVideoRewriter::recode(const AVPacket* p) {
    AudioRecoder& r = *m_recoder;
    avcodec_send_packet(r.decoder.get(), p);  // a damaged packet is left out, as players leave it out
    for (;;) {
        const bool draining = avcodec_receive_frame(r.decoder.get(), r.decoded.get()) < 0;
        // At the end (p null) the resampler gives what it still holds.
        if (draining && p != nullptr) return true;
        const int in = draining ? 0 : r.decoded->nb_samples;
        const int room = std::max(swr_get_out_samples(r.resampler.get(), in), 1);
        uint8_t** out = nullptr;
        if (av_samples_alloc_array_and_samples(&out, nullptr, r.encoder->ch_layout.nb_channels, room,
                                               r.encoder->sample_fmt, 0) < 0)
            return fail("no memory to encode the sound", m_request.output);
        const int got = swr_convert(r.resampler.get(), out, room,
                                    draining ? nullptr : const_cast<const uint8_t**>(r.decoded->extended_data), in);
        if (got > 0) av_audio_fifo_write(r.fifo.get(), reinterpret_cast<void**>(out), got);
        av_freep(&out[0]);
        av_freep(&out);
        av_frame_unref(r.decoded.get());
        if (!flushAudioFifo(false)) return false;
        if (draining && got <= 0) return true;
    }
}

bool FfmpegVideoRewriter::takePicture(AVFrame& decoded) {
    AVFrame& p = *m_picture;
    if (decoded.format == AV_PIX_FMT_YUV420P && decoded.width == m_encoder->width &&
        decoded.height == m_encoder->height) {
        av_frame_unref(&p);
        av_frame_move_ref(&p, &decoded);
        // The decoder may still hold the picture as a reference for the next ones.
        if (av_frame_make_writable(&p) < 0) return fail("no memory for a picture", m_request.media);
        return true;
    }
    if (p.format != AV_PIX_FMT_YUV420P || p.width != m_encoder->width || p.height != m_encoder->height) {
        av_frame_unref(&p);
        p.format = AV_PIX_FMT_YUV420P;
        p.width = m_encoder->width;
        p.height = m_encoder->height;
        if (av_frame_get_buffer(&p, 0) < 0) return fail("no memory for a picture", m_request.media);
    }
    if (av_frame_make_writable(&p) < 0) return fail("no memory for a picture", m_request.media);
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), decoded.width, decoded.height,
                                        static_cast<AVPixelFormat>(decoded.format), p.width, p.height,
                                        AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_scaler) return fail("the video's pictures cannot be converted", m_request.media);
    sws_scale(m_scaler.get(), decoded.data, decoded.linesize, 0, decoded.height, p.data, p.linesize);
    p.pts = decoded.best_effort_timestamp;
    av_frame_unref(&decoded);
    return true;
}

bool FfmpegVideoRewriter::nextDecoded(int64_t& microseconds) {
    const AVStream& st = *m_in->streams[m_videoIn];
    for (;;) {
        int rc = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
        if (rc == 0) {
            int64_t pts = m_decoded->best_effort_timestamp;
            if (!takePicture(*m_decoded)) return false;
            const int64_t start = av_rescale_q(m_startTime, AV_TIME_BASE_Q, st.time_base);
            pts = pts == AV_NOPTS_VALUE ? m_lastPts + 1 : pts - start;
            // Each picture after the one before, as the encoder needs them.
            if (m_lastPts != INT64_MIN && pts <= m_lastPts) pts = m_lastPts + 1;
            m_lastPts = pts;
            m_picture->pts = pts;
            microseconds = av_rescale_q(pts, st.time_base, AV_TIME_BASE_Q);
            return true;
        }
        if (rc == AVERROR_EOF) return false;
        if (rc != AVERROR(EAGAIN)) return fail("the video cannot be decoded (" + errorText(rc) + ")", m_request.media);
        rc = av_read_frame(m_in.get(), m_packet.get());
        if (rc < 0) {
            if (rc != AVERROR_EOF && rc != AVERROR(EIO)) return fail("cannot be read to its end (" + errorText(rc) + ")", m_request.media);
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        if (m_packet->stream_index == m_videoIn) {
            avcodec_send_packet(m_decoder.get(), m_packet.get());  // a damaged packet is skipped, as players skip it
            av_packet_unref(m_packet.get());
        } else if (m_packet->stream_index == m_audioIn) {
            if (!writeAudioPacket(*m_packet)) return false;
        } else {
            av_packet_unref(m_packet.get());
        }
    }
}

bool FfmpegVideoRewriter::passSoundUntil(int64_t microseconds) {
    const AVStream& in = *m_in->streams[m_audioIn];
    while (!m_soundEnded && m_soundReadTo < microseconds) {
        const int rc = av_read_frame(m_in.get(), m_packet.get());
        if (rc < 0) {
            m_soundEnded = true;
            break;
        }
        if (m_packet->stream_index != m_audioIn) {
            av_packet_unref(m_packet.get());
            continue;
        }
        if (m_packet->pts != AV_NOPTS_VALUE)
            m_soundReadTo = av_rescale_q(m_packet->pts, in.time_base, AV_TIME_BASE_Q) - m_startTime;
        if (!writeAudioPacket(*m_packet)) return false;
    }
    return true;
}

bool FfmpegVideoRewriter::next(Picture420& picture, int64_t& microseconds) {
    if (m_failed) return false;
    if (m_videoIn >= 0) {
        if (!nextDecoded(microseconds)) return false;
    } else {
        if (m_stillIndex >= m_stillCount) return false;
        microseconds = m_stillIndex * 1'000'000 / kStillFramesPerSecond;
        if (!passSoundUntil(microseconds)) return false;
        AVFrame& p = *m_picture;
        if (!p.buf[0]) {
            p.format = AV_PIX_FMT_YUV420P;
            p.width = m_still->width;
            p.height = m_still->height;
            if (av_frame_get_buffer(&p, 0) < 0) return fail("no memory for a picture", m_request.media);
        }
        if (av_frame_make_writable(&p) < 0) return fail("no memory for a picture", m_request.media);
        av_frame_copy(&p, m_still.get());
        p.pts = m_stillIndex++;
    }
    AVFrame& p = *m_picture;
    picture.width = p.width;
    picture.height = p.height;
    for (int i = 0; i < 3; ++i) {
        picture.planes[i] = p.data[i];
        picture.strides[i] = p.linesize[i];
    }
    picture.bt709 = m_encoder->colorspace == AVCOL_SPC_BT709;
    return true;
}

bool FfmpegVideoRewriter::write() {
    if (m_failed) return false;
    AVFrame& p = *m_picture;
    // Key frames are the encoder's choice, not the source's.
    p.pict_type = AV_PICTURE_TYPE_NONE;
    if (int rc = avcodec_send_frame(m_encoder.get(), &p); rc < 0)
        return fail("the video cannot be encoded (" + errorText(rc) + ")", m_request.output);
    return drainEncoder(*m_encoder, *m_videoOut);
}

bool FfmpegVideoRewriter::finish() {
    if (m_failed) return false;
    if (m_videoIn < 0 && m_audioIn >= 0 && !passSoundUntil(INT64_MAX)) return false;
    if (avcodec_send_frame(m_encoder.get(), nullptr) < 0 || !drainEncoder(*m_encoder, *m_videoOut)) return false;
    if (m_recoder) {
        if (!recode(nullptr)) return false;
        if (!flushAudioFifo(true) || !encodeAudio(nullptr)) return false;
    }
    if (int rc = av_write_trailer(m_out.get()); rc < 0) return writeFailed(rc);
    if (int rc = avio_closep(&m_out->pb); rc < 0) return writeFailed(rc);
    return true;
}

}  // namespace

std::unique_ptr<VideoRewriter> module::openVideoRewriter(const RewriteRequest& request, Reporter& reporter) {
    av_log_set_level(AV_LOG_QUIET);  // what the user must know is reported instead
    auto rewriter = std::make_unique<FfmpegVideoRewriter>(request, reporter);
    if (!rewriter->start()) return nullptr;
    return rewriter;
}

}  // namespace kvelmor::media
