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

// One event line of the script with the span of time it is shown.
struct EventLine {
    std::string_view text;  // the whole line, without its line end
    int64_t start = 0;      // milliseconds
    int64_t end = 0;        // milliseconds, exclusive
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

std::string fontconfigFileText(const std::vector<std::filesystem::path>& extra) {
    std::string conf = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
    // The system's configuration by its path, as fontconfig itself finds it.
    const char* system = std::getenv("FONTCONFIG_FILE");
    conf += std::string("  <include ignore_missing=\"yes\">") + (system && *system ? system : "/etc/fonts/fonts.conf") +
            "</include>\n";
    for (const auto& f : extra) conf += "  <include ignore_missing=\"yes\">" + std::filesystem::absolute(f).string() + "</include>\n";
    conf += "</fontconfig>\n";
    return conf;
}

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
    std::string_view head;          // everything up to the events' Format line, with its line end
    std::vector<EventLine> events;  // in script order
    int playResX = 0, playResY = 0;
    int64_t lastEnd = 0;

    TrackPtr track;                 // the head with the events of [trackFrom, trackFrom + kEventWindowMs]
    int64_t trackFrom = 0;
    std::string trackText;          // reused buffer

    void split() {
        head = {};
        events.clear();
        lastEnd = 0;
        const std::string_view all = text;
        int startField = -1, endField = -1;
        bool inEvents = false;
        size_t pos = 0;
        while (pos < all.size()) {
            size_t nl = all.find('\n', pos);
            const size_t next = nl == std::string_view::npos ? all.size() : nl + 1;
            std::string_view line = all.substr(pos, next - pos);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
            if (head.empty()) {
                if (line.starts_with('[')) inEvents = line == "[Events]";
                else if (inEvents && line.starts_with("Format:")) {
                    std::string_view format = line.substr(7);
                    startField = fieldIndex(format, "Start");
                    endField = fieldIndex(format, "End");
                    head = all.substr(0, next);
                }
            } else if (line.starts_with("Dialogue:")) {
                const std::string_view fields = line.substr(9);
                const int64_t s = scriptTimeMs(field(fields, startField));
                const int64_t e = scriptTimeMs(field(fields, endField));
                // An event libass cannot time is handed over always, so that
                // its complaint is seen.
                events.push_back({line, s < 0 ? 0 : s, e < 0 ? INT64_MAX : e});
                if (e > lastEnd) lastEnd = e;
            }
            pos = next;
        }
        // A script without an events section is handed over whole.
        if (head.empty()) head = all;
        track.reset();
        // The frame size the script was made for, from the header alone.
        // (libass may write into the text it reads, so it reads a copy.)
        std::string copy(head);
        TrackPtr h(ass_read_memory(library, copy.data(), copy.size(), nullptr));
        playResX = h ? h->PlayResX : 0;
        playResY = h ? h->PlayResY : 0;
    }

    ASS_Track* trackFor(int64_t ms) {
        if (track && ms >= trackFrom && ms <= trackFrom + kEventWindowMs) return track.get();
        track.reset();
        trackFrom = ms;
        trackText.assign(head);
        if (!trackText.empty() && trackText.back() != '\n') trackText += "\r\n";
        for (const auto& e : events) {
            if (e.end <= trackFrom || e.start > trackFrom + kEventWindowMs) continue;
            trackText += e.text;
            trackText += "\r\n";
        }
        track.reset(ass_read_memory(library, trackText.data(), trackText.size(), nullptr));
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
        std::ofstream(conf, std::ios::binary) << fontconfigFileText(extraFontconfigFiles);
    }
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

void FrameRenderer::drawOver(Image& frame, int64_t ms) {
    if (frame.empty() || m_impl->text.empty()) return;
    ASS_Track* track = m_impl->trackFor(ms);
    if (!track) return;
    ass_set_frame_size(m_impl->renderer, frame.width, frame.height);
    blend(frame, ass_render_frame(m_impl->renderer, track, ms, nullptr));
}

Image FrameRenderer::render(int width, int height, int64_t ms, Colour background) {
    Image frame(width, height, background);
    drawOver(frame, ms);
    return frame;
}

std::vector<std::string> FrameRenderer::takeComplaints() { return std::exchange(m_impl->complaints, {}); }

}  // namespace kvelmor::render
