// SPDX-License-Identifier: GPL-3.0-or-later
// Sound decoded with libavformat, libavcodec and libswresample (module side).

#include "media/ffmpeg_handles.h"
#include "media/media_module.h"
#include "media/song_sound.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace kvelmor::media::module {
namespace {

using ffmpeg::CodecFreer;
using ffmpeg::errorText;
using ffmpeg::FrameFreer;
using ffmpeg::PacketFreer;
using ffmpeg::ResamplerFreer;

}  // namespace

std::optional<SongSound> decodeSongSound(const std::string& path, const SoundRequest& request, Reporter& reporter,
                                         const std::atomic<bool>* cancel, const SoundProgress& progress) {
    auto fail = [&](const std::string& why) -> std::optional<SongSound> {
        reporter.error("cannot decode the sound: " + why, path);
        return std::nullopt;
    };
    av_log_set_level(AV_LOG_QUIET);  // what the user must know is reported here instead
    ffmpeg::InputPtr format;
    if (int rc = ffmpeg::openLocalFile(path, format); rc < 0) return fail(errorText(rc));
    if (int rc = avformat_find_stream_info(format.get(), nullptr); rc < 0) return fail(errorText(rc));
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || codec == nullptr) return fail("the file holds no sound");
    std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder) return fail("out of memory");
    if (int rc = avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar); rc < 0)
        return fail(errorText(rc));
    if (int rc = avcodec_open2(decoder.get(), codec, nullptr); rc < 0) return fail(errorText(rc));
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&decoder->ch_layout, decoder->ch_layout.nb_channels);

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, request.channels);
    SwrContext* swrRaw = nullptr;
    if (int rc = swr_alloc_set_opts2(&swrRaw, &outLayout, AV_SAMPLE_FMT_FLT, request.sampleRate, &decoder->ch_layout,
                                     decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
        rc < 0)
        return fail(errorText(rc));
    std::unique_ptr<SwrContext, ResamplerFreer> resampler(swrRaw);
    if (int rc = swr_init(resampler.get()); rc < 0) return fail(errorText(rc));

    SongSound sound;
    sound.sampleRate = request.sampleRate;
    sound.channels = request.channels;
    const int64_t maxFrames = request.maxSeconds * request.sampleRate;
    // The length the file states, so that the samples are not copied as they grow.
    if (format->duration > 0) {
        const int64_t stated = av_rescale(format->duration, request.sampleRate, AV_TIME_BASE);
        if (stated > maxFrames)
            return fail("the sound lasts more than " + std::to_string(request.maxSeconds / 60) +
                        " minutes, longer than the timing window holds");
        sound.samples.reserve(static_cast<size_t>((stated + request.sampleRate) * request.channels));
    }

    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    auto convert = [&](const AVFrame* f) -> bool {
        const int in = f ? f->nb_samples : 0;
        const int room = swr_get_out_samples(resampler.get(), in);
        if (room <= 0) return true;
        const size_t at = sound.samples.size();
        sound.samples.resize(at + static_cast<size_t>(room) * static_cast<size_t>(request.channels));
        auto* out = reinterpret_cast<uint8_t*>(sound.samples.data() + at);
        const int made = swr_convert(resampler.get(), &out, room, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr, in);
        if (made < 0) return false;
        sound.samples.resize(at + static_cast<size_t>(made) * static_cast<size_t>(request.channels));
        if (progress && made > 0) progress(sound.samples.data() + at, made);
        return true;
    };
    auto drain = [&]() -> int {
        for (;;) {
            const int rc = avcodec_receive_frame(decoder.get(), frame.get());
            if (rc < 0) return rc;
            const bool ok = convert(frame.get());
            av_frame_unref(frame.get());
            if (!ok) return AVERROR(EINVAL);
        }
    };
    int badPackets = 0;
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (cancel && cancel->load()) return std::nullopt;
        if (packet->stream_index == stream) {
            // A damaged packet is skipped; a file of nothing but is refused below.
            if (avcodec_send_packet(decoder.get(), packet.get()) < 0) ++badPackets;
            else if (int rc = drain(); rc != AVERROR(EAGAIN) && rc != AVERROR_EOF && rc < 0) ++badPackets;
        }
        av_packet_unref(packet.get());
        if (sound.frameCount() > maxFrames)
            return fail("the sound lasts more than " + std::to_string(request.maxSeconds / 60) +
                        " minutes, longer than the timing window holds");
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    convert(nullptr);
    if (sound.samples.empty())
        return fail(badPackets > 0 ? "no packet of the sound could be decoded" : "the sound is empty");
    sound.samples.shrink_to_fit();
    return sound;
}

}  // namespace kvelmor::media::module
