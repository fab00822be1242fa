// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/ffmpeg_handles.h"
#include "media/media_module.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/rational.h>
}

#include <climits>
#include <memory>
#include <mutex>

namespace kvelmor::media {
namespace {

static_assert(AV_TIME_BASE == 1000000, "MediaInfo::duration is in microseconds");

using ffmpeg::errorText;

// FFmpeg would print its own notes to stderr; what the user has to know is
// reported through the Reporter instead.
void silenceFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

bool hasStreamOf(const AVFormatContext& ctx, AVMediaType type) {
    for (unsigned i = 0; i < ctx.nb_streams; ++i)
        if (ctx.streams[i]->codecpar->codec_type == type) return true;
    return false;
}

void readVideo(AVFormatContext& ctx, MediaInfo& info) {
    int index = av_find_best_stream(&ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return;
    AVStream* st = ctx.streams[index];
    // Cover art is stored as a one-picture video stream; the file is still audio only.
    if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) return;
    const AVCodecParameters* par = st->codecpar;
    if (par->width <= 0 || par->height <= 0) return;
    info.hasVideo = true;
    info.width = par->width;
    info.height = par->height;
    AVRational sar = av_guess_sample_aspect_ratio(&ctx, st, nullptr);
    if (sar.num <= 0 || sar.den <= 0) return;  // {0, 1}: the pixel shape is not known
    int x = 0;
    int y = 0;
    av_reduce(&x, &y, static_cast<int64_t>(par->width) * sar.num, static_cast<int64_t>(par->height) * sar.den,
              INT_MAX);
    if (x > 0 && y > 0) {
        info.aspectX = x;
        info.aspectY = y;
    }
}

}  // namespace

namespace module {

std::optional<MediaInfo> readMediaInfo(const std::string& path, Reporter& reporter) {
    silenceFfmpegLog();
    ffmpeg::InputPtr ctx;
    int rc = ffmpeg::openLocalFile(path, ctx);
    if (rc < 0) {
        reporter.error("cannot be read as a media file (" + errorText(rc) + ")", path);
        return std::nullopt;
    }
    rc = avformat_find_stream_info(ctx.get(), nullptr);
    if (rc < 0) {
        reporter.error("the streams of the media file cannot be read (" + errorText(rc) + ")", path);
        return std::nullopt;
    }
    if (!hasStreamOf(*ctx, AVMEDIA_TYPE_VIDEO) && !hasStreamOf(*ctx, AVMEDIA_TYPE_AUDIO)) {
        reporter.error("holds neither video nor audio", path);
        return std::nullopt;
    }

    MediaInfo info;
    // The container's length: FFmpeg fills it from the streams, or from the
    // bit rate, when the container itself does not store one.
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration >= 0) info.duration = ctx->duration;
    readVideo(*ctx, info);
    return info;
}

}  // namespace module
}  // namespace kvelmor::media
