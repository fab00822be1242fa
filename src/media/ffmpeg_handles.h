// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owners of FFmpeg's objects and its error texts, shared by the media
// module's sources (never included outside the module).

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace kvelmor::media::ffmpeg {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
// An output file: its written stream closed, then the context freed.
struct OutputFreer {
    void operator()(AVFormatContext* c) const {
        if (c->pb != nullptr) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct ScalerFreer {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResamplerFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using InputPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFreer>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

inline std::string errorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, buf, sizeof buf) < 0) return "error " + std::to_string(code);
    return buf;
}

// Opens `path` as a local file only (FFmpeg's return code; `out` holds the
// context when it is not negative). "file:" keeps a colon in the name from
// being read as a protocol ("take:2.mp4"); the whitelist keeps playlists
// and references inside the file from reaching anything but local files.
inline int openLocalFile(const std::string& path, InputPtr& out) {
    const std::string url = "file:" + path;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;  // freed by avformat_open_input itself on failure
    const int rc = avformat_open_input(&raw, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    out.reset(raw);
    return rc;
}

}  // namespace kvelmor::media::ffmpeg
