// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_renderer.h"

#include <ass/ass.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace kvelmor::render {
namespace {

// libass message levels: 0 fatal, 1 error, 2 warning, 4 info and above.
constexpr int kLibassWarningLevel = 2;
// Complaints kept between two takeComplaints(); a broken script repeats itself.
constexpr size_t kMaxComplaints = 100;
// Milliseconds of events handed to libass at once after the time asked for:
// playback and small seeks forward draw from the same track.
constexpr int64_t kEventWindowMs = 10000;

struct TrackDeleter {
    void operator()(ASS_Track* t) const { ass_free_track(t); }
};
using TrackPtr = std::unique_ptr<ASS_Track, TrackDeleter>;

// One event of the script as players hand it to libass: the fields after
// its times, with the times apart.
struct EventLine {
    std::string_view layer;  // the Layer field
    std::string_view tail;   // Style, Actor, margins, Effect and Text: the fields after End
    int64_t start = 0;       // milliseconds
    int64_t end = 0;         // milliseconds, exclusive
};

// Index of `name` among the comma-separated fields of a Format line.
int fieldIndex(std::string_view format, std::string_view name) {
    int index = 0;
    size_t pos = 0;
    while (pos <= format.size()) {
        size_t comma = format.find(',', pos);
        std::string_view f = format.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
        while (!f.empty() && (f.back() == ' ' || f.back() == '\r')) f.remove_suffix(1);
        if (f == name) return index;
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
        ++index;
    }
    return -1;
}

std::string_view field(std::string_view fields, int index) {
    size_t pos = 0;
    for (int i = 0; i < index; ++i) {
        pos = fields.find(',', pos);
        if (pos == std::string_view::npos) return {};
        ++pos;
    }
    size_t comma = fields.find(',', pos);
    std::string_view f = fields.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    return f;
}

}  // namespace

std::string fontconfigConfiguration(const std::vector<std::filesystem::path>& extra) {
    std::string conf = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
    // The system's configuration by its path, as fontconfig itself finds it.
    const char* system = std::getenv("FONTCONFIG_FILE");
    conf += std::string("  <include ignore_missing=\"yes\">") + (system && *system ? system : "/etc/fonts/fonts.conf") +
            "</include>\n";
    for (const auto& f : extra)
        conf += "  <include ignore_missing=\"yes\">" + std::filesystem::absolute(f).string() + "</include>\n";
    conf += "</fontconfig>\n";
    return conf;
}

namespace {

// The subtitle images blended over the frame, back to front. Straight alpha;
// the frame stays opaque.
void blend(Image& frame, const ASS_Image* image) {
    for (; image; image = image->next) {
        // color is 0xRRGGBBAA with AA the transparency (0 opaque).
        const int r = static_cast<int>((image->color >> 24) & 0xFF);
        const int g = static_cast<int>((image->color >> 16) & 0xFF);
        const int b = static_cast<int>((image->color >> 8) & 0xFF);
        const int opacity = 255 - static_cast<int>(image->color & 0xFF);
        if (opacity == 0) continue;
        const int x0 = std::max(0, image->dst_x), x1 = std::min(frame.width, image->dst_x + image->w);
        const int y0 = std::max(0, image->dst_y), y1 = std::min(frame.height, image->dst_y + image->h);
        for (int y = y0; y < y1; ++y) {
            const unsigned char* mask = image->bitmap + (y - image->dst_y) * image->stride - image->dst_x;
            uint8_t* p = frame.row(y);
            for (int x = x0; x < x1; ++x) {
                const int m = mask[x];
                if (m == 0) continue;
                const int a = (m * opacity + 127) / 255;
                uint8_t* d = p + static_cast<size_t>(x) * 4;
                d[0] = static_cast<uint8_t>((d[0] * (255 - a) + r * a + 127) / 255);
                d[1] = static_cast<uint8_t>((d[1] * (255 - a) + g * a + 127) / 255);
                d[2] = static_cast<uint8_t>((d[2] * (255 - a) + b * a + 127) / 255);
            }
        }
    }
}

// The same over a 4:2:0 picture, in its own colours: each chroma value
// covers two by two pixels and takes the mean cover of the four (a pixel
// outside the subtitle image counts as uncovered), as encoders subsample.
void blend(media::Picture420& frame, const ASS_Image* image) {
    constexpr int kFull = 255 * 255;  // mask × opacity of a fully covered pixel
    for (; image; image = image->next) {
        const int opacity = 255 - static_cast<int>(image->color & 0xFF);
        if (opacity == 0 || image->w <= 0 || image->h <= 0) continue;
        const media::Yuv c = media::limitedRangeYuv(static_cast<uint8_t>(image->color >> 24),
                                                    static_cast<uint8_t>(image->color >> 16),
                                                    static_cast<uint8_t>(image->color >> 8), frame.bt709);
        const int x0 = std::max(0, image->dst_x), x1 = std::min(frame.width, image->dst_x + image->w);
        const int y0 = std::max(0, image->dst_y), y1 = std::min(frame.height, image->dst_y + image->h);
        if (x0 >= x1 || y0 >= y1) continue;
        auto cover = [&](int x, int y) {  // mask × opacity at a frame pixel; 0 outside the image
            if (x < x0 || x >= x1 || y < y0 || y >= y1) return 0;
            return image->bitmap[(y - image->dst_y) * image->stride + (x - image->dst_x)] * opacity;
        };
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = frame.planes[0] + static_cast<ptrdiff_t>(y) * frame.strides[0];
            for (int x = x0; x < x1; ++x) {
                const int a = cover(x, y);
                if (a != 0) p[x] = static_cast<uint8_t>((p[x] * (kFull - a) + c.y * a + kFull / 2) / kFull);
            }
        }
        for (int cy = y0 / 2; cy <= (y1 - 1) / 2; ++cy) {
            uint8_t* u = frame.planes[1] + static_cast<ptrdiff_t>(cy) * frame.strides[1];
            uint8_t* v = frame.planes[2] + static_cast<ptrdiff_t>(cy) * frame.strides[2];
            for (int cx = x0 / 2; cx <= (x1 - 1) / 2; ++cx) {
                const int64_t a = cover(2 * cx, 2 * cy) + cover(2 * cx + 1, 2 * cy) + cover(2 * cx, 2 * cy + 1) +
                                  cover(2 * cx + 1, 2 * cy + 1);
                if (a == 0) continue;
                constexpr int64_t kFull4 = 4LL * kFull;
                u[cx] = static_cast<uint8_t>((u[cx] * (kFull4 - a) + c.u * a + kFull4 / 2) / kFull4);
                v[cx] = static_cast<uint8_t>((v[cx] * (kFull4 - a) + c.v * a + kFull4 / 2) / kFull4);
            }
        }
    }
}

}  // namespace

int64_t scriptTimeMs(std::string_view t) {
    // H:MM:SS.CC; libass also takes more digits of hours and fewer of the rest.
    int64_t h = 0, m = 0, s = 0, cs = 0;
    int parts[4] = {0, 0, 0, 0};
    int64_t* out[4] = {&h, &m, &s, &cs};
    int part = 0;
    for (char c : t) {
        if (c >= '0' && c <= '9') {
            *out[part] = *out[part] * 10 + (c - '0');
            if (++parts[part] > 9) return -1;
        } else if ((c == ':' && part < 2) || (c == '.' && part == 2)) {
            ++part;
        } else {
            return -1;
        }
    }
    if (part != 3 || parts[0] == 0 || parts[1] == 0 || parts[2] == 0 || parts[3] == 0) return -1;
    return ((h * 60 + m) * 60 + s) * 1000 + cs * 10;
}

struct FrameRenderer::Impl {
    ASS_Library* library = nullptr;
    ASS_Renderer* renderer = nullptr;
    std::vector<std::string> complaints;

    std::string text;               // the script
    std::vector<EventLine> events;  // in script order; the index is the event's ReadOrder
    int playResX = 0, playResY = 0;
    int64_t lastEnd = 0;

    // The header and styles, with the events of [trackFrom, trackFrom + kEventWindowMs].
    TrackPtr track;
    int64_t trackFrom = -1;  // -1: no events handed over yet
    std::string chunk;       // reused buffer

    // Splits the script into the header (up to the events' Format line) and
    // the events, and hands libass the header as players do with a script
    // they stream: once, as the track's "codec private" data.
    void split() {
        events.clear();
        lastEnd = 0;
        trackFrom = -1;
        const std::string_view all = text;
        size_t headEnd = std::string_view::npos;
        int layerField = -1, startField = -1, endField = -1;
        bool inEvents = false;
        size_t pos = 0;
        while (pos < all.size()) {
            size_t nl = all.find('\n', pos);
            const size_t next = nl == std::string_view::npos ? all.size() : nl + 1;
            std::string_view line = all.substr(pos, next - pos);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
            if (headEnd == std::string_view::npos) {
                if (line.starts_with('[')) inEvents = line == "[Events]";
                else if (inEvents && line.starts_with("Format:")) {
                    const std::string_view format = line.substr(7);
                    layerField = fieldIndex(format, "Layer");
                    startField = fieldIndex(format, "Start");
                    endField = fieldIndex(format, "End");
                    headEnd = next;
                }
            } else if (line.starts_with("Dialogue:")) {
                const std::string_view fields = line.substr(9);
                const int64_t s = scriptTimeMs(field(fields, startField));
                const int64_t e = scriptTimeMs(field(fields, endField));
                // The fields after End: skip End + 1 commas.
                size_t tail = 0;
                for (int i = 0; i <= endField && tail != std::string_view::npos; ++i) {
                    tail = fields.find(',', tail);
                    if (tail != std::string_view::npos) ++tail;
                }
                // An event that cannot be timed or cut is left out, as libass leaves it out.
                if (s < 0 || e < 0 || tail == std::string_view::npos) continue;
                events.push_back({field(fields, layerField), fields.substr(tail), s, e});
                lastEnd = std::max(lastEnd, e);
            }
            pos = next;
        }
        std::string head(all.substr(0, headEnd));
        track.reset(ass_new_track(library));
        if (!track) return;
        ass_process_codec_private(track.get(), head.data(), static_cast<int>(head.size()));
        playResX = track->PlayResX;
        playResY = track->PlayResY;
    }

    // What libass draws at `ms` over a frame of width × height pixels.
    const ASS_Image* imagesAt(int width, int height, int64_t ms);

    ASS_Track* trackFor(int64_t ms) {
        if (!track) return nullptr;
        if (trackFrom >= 0 && ms >= trackFrom && ms <= trackFrom + kEventWindowMs) return track.get();
        ass_flush_events(track.get());
        trackFrom = ms;
        for (size_t i = 0; i < events.size(); ++i) {
            const EventLine& e = events[i];
            if (e.end <= trackFrom || e.start > trackFrom + kEventWindowMs) continue;
            // ReadOrder, Layer, Style, Name, MarginL, MarginR, MarginV, Effect, Text.
            chunk.assign(std::to_string(i));
            chunk += ',';
            chunk += e.layer;
            chunk += ',';
            chunk += e.tail;
            ass_process_chunk(track.get(), chunk.data(), static_cast<int>(chunk.size()), e.start, e.end - e.start);
        }
        return track.get();
    }
};
FrameRenderer::FrameRenderer(const std::vector<std::filesystem::path>& extraFontconfigFiles)
    : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.library = ass_library_init();
    if (!d.library) throw std::runtime_error("libass could not be initialised");
    ass_set_message_cb(
        d.library,
        [](int level, const char* fmt, va_list args, void* data) {
            if (level > kLibassWarningLevel) return;
            auto& list = *static_cast<std::vector<std::string>*>(data);
            if (list.size() >= kMaxComplaints) return;
            char buf[1024];
            std::vsnprintf(buf, sizeof buf, fmt, args);
            list.emplace_back(buf);
        },
        &d.complaints);
    d.renderer = ass_renderer_init(d.library);
    if (!d.renderer) {
        ass_library_done(d.library);
        throw std::runtime_error("libass could not start its renderer");
    }
    // fontconfig reads the configuration while the fonts are set, so the file
    // lives only for this call.
    std::filesystem::path conf;
    if (!extraFontconfigFiles.empty()) {
        static std::atomic<int> serial{0};
        conf = std::filesystem::temp_directory_path() /
               ("kvelmor_fonts_" + std::to_string(getpid()) + "_" + std::to_string(serial++) + ".conf");
        std::ofstream out(conf, std::ios::binary);
        out << fontconfigConfiguration(extraFontconfigFiles);
        out.close();
        // Without a temporary folder to write to, the system's configuration alone.
        if (!out) conf.clear();
    }
    // Simple shaping, as ffmpeg's subtitles filter draws (it never calls for
    // HarfBuzz): glyphs advance by their own widths without kerning, which is
    // also how the layout measured them. Complex shaping moves kerned glyphs
    // by fractions of a pixel against a burnt-in video.
    ass_set_shaper(d.renderer, ASS_SHAPING_SIMPLE);
    ass_set_fonts(d.renderer, nullptr, "sans-serif", ASS_FONTPROVIDER_FONTCONFIG,
                  conf.empty() ? nullptr : conf.c_str(), 1);
    if (!conf.empty()) {
        std::error_code ec;
        std::filesystem::remove(conf, ec);
    }
}

FrameRenderer::~FrameRenderer() {
    m_impl->track.reset();
    ass_renderer_done(m_impl->renderer);
    ass_library_done(m_impl->library);
}

void FrameRenderer::setScript(std::string text) {
    m_impl->text = std::move(text);
    m_impl->split();
}

const std::string& FrameRenderer::script() const { return m_impl->text; }
int FrameRenderer::playResX() const { return m_impl->playResX; }
int FrameRenderer::playResY() const { return m_impl->playResY; }
int64_t FrameRenderer::lastEventEnd() const { return m_impl->lastEnd; }

const ASS_Image* FrameRenderer::Impl::imagesAt(int width, int height, int64_t ms) {
    if (width <= 0 || height <= 0 || text.empty()) return nullptr;
    ASS_Track* t = trackFor(ms);
    if (!t) return nullptr;
    // The storage size is the frame's, as players set it for a video they
    // show at its own size: borders and blurs scale with it.
    ass_set_frame_size(renderer, width, height);
    ass_set_storage_size(renderer, width, height);
    return ass_render_frame(renderer, t, ms, nullptr);
}

void FrameRenderer::drawOver(Image& frame, int64_t ms) { blend(frame, m_impl->imagesAt(frame.width, frame.height, ms)); }

void FrameRenderer::drawOver(media::Picture420& frame, int64_t ms) {
    blend(frame, m_impl->imagesAt(frame.width, frame.height, ms));
}

Image FrameRenderer::render(int width, int height, int64_t ms, Colour background) {
    Image frame(width, height, background);
    drawOver(frame, ms);
    return frame;
}

std::vector<std::string> FrameRenderer::takeComplaints() { return std::exchange(m_impl->complaints, {}); }

}  // namespace kvelmor::render
