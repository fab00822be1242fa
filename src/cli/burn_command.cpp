// SPDX-License-Identifier: GPL-3.0-or-later
// `kvelmor burn`: the finished karaoke video, the laid-out song drawn over
// every picture of the media and encoded with its sound.

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "cli/options.h"
#include "render/video_burn.h"

namespace kvelmor::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

constexpr int kStoppingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// "1:05" or "1:02:05" for whole seconds.
std::string clockText(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600) std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

// The line that updates on a terminal: "burn: 42% 61.3 fps 1:05 left".
class ProgressLine {
public:
    bool operator()(const render::BurnProgress& p) {
        if (g_interrupted) return false;
        if (!m_terminal) return true;
        const auto now = std::chrono::steady_clock::now();
        // Four updates a second are enough to read and cost nothing.
        if (m_shown && now - m_last < std::chrono::milliseconds(250)) return true;
        m_last = now;
        m_shown = true;
        std::string line = "burn: ";
        if (p.total > 0) line += std::to_string(std::min<int64_t>(100, p.done * 100 / p.total)) + "% ";
        char fps[32];
        std::snprintf(fps, sizeof fps, "%.1f fps", p.framesPerSecond);
        line += fps;
        if (p.secondsLeft >= 0) line += " " + clockText(p.secondsLeft) + " left";
        std::cerr << "\r" << line << "\033[K" << std::flush;
        return true;
    }
    void end() {
        if (m_shown) std::cerr << "\r\033[K" << std::flush;
    }

private:
    bool m_terminal = ::isatty(STDERR_FILENO) == 1;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_last;
};

std::string defaultOutput(const std::string& lyricsPath) {
    return std::filesystem::path(lyricsPath).replace_extension(".mp4").string();
}

}  // namespace

int burnCommand(const std::vector<std::string>& args) {
    // --background and --quality are burn's own; the rest are convert's options.
    std::vector<std::string> rest;
    std::string background;
    int quality = render::kDefaultVideoQuality;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--background" && args[i] != "--quality") {
            rest.push_back(args[i]);
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
        const std::string& value = args[++i];
        if (args[i - 1] == "--background") {
            background = value;
        } else {
            if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(value) > 51)
                throw UsageError{"--quality \"" + value + "\" is not a quality: give 0 (best) to 51, 20 by default"};
            quality = std::stoi(value);
        }
    }
    Options o = parseOptions(rest, 0);
    if (o.positional.size() != 1) throw UsageError{"burn takes one FILE"};
    if (o.media.empty()) throw UsageError{"burn needs --media MEDIA: the video or the sound to burn the song into"};
    if (o.kra) throw UsageError{"--kra belongs to convert"};

    render::BurnRequest request;
    request.media = o.media;
    request.output = o.output.empty() ? defaultOutput(o.positional[0]) : o.output;
    request.quality = quality;
    // An existing file is a picture; anything else must be a colour.
    if (!background.empty()) {
        std::error_code ec;
        if (std::filesystem::exists(background, ec)) {
            request.backgroundImage = background;
        } else if (auto colour = render::parseColour(background)) {
            request.background = *colour;
        } else {
            throw UsageError{"--background \"" + background +
                             "\" is neither a picture file nor a colour: give IMAGE, #RRGGBB or black, white, grey"};
        }
    }
    request.otherInputs = {o.positional[0], o.settingsPath};

    Converter c;
    // Before the media is read: the command is refused at once.
    if (std::string why = render::videoOutputRefusal(request.output); !why.empty()) {
        c.reporter.error(why, request.output);
        return 2;
    }
    std::optional<app::MediaProbeResult> probe;
    if (!prepare(c, o, probe)) return 2;
    if (!c.session.loadLyrics(o.positional[0])) return 2;
    if (probe && probe->info.hasVideo && !background.empty())
        c.reporter.warning("has its own pictures; --background is used only for media of sound only", o.media);
    request.script = c.session.scriptText();
    request.fontconfigFiles = c.measurer.loadedConfigFiles();

    g_interrupted = 0;
    // A file size limit reached midway fails the write (EFBIG) instead of
    // ending the process, so the temporary file is removed like on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    // Ctrl+C, kill, and a closed terminal all stop the work the same way:
    // the temporary file goes and the output stays as it was.
    for (int signal : kStoppingSignals) std::signal(signal, [](int) { g_interrupted = 1; });
    ProgressLine line;
    const render::BurnResult result =
        render::burnVideo(request, c.reporter, [&](const render::BurnProgress& p) { return line(p); });
    line.end();
    for (int signal : kStoppingSignals) std::signal(signal, SIG_DFL);
    if (result == render::BurnResult::Cancelled) {
        std::cerr << "kvelmor: " << request.output << ": interrupted; nothing was written\n";
        return 2;
    }
    if (result == render::BurnResult::Failed) return 2;
    std::cout << "wrote " << request.output << "\n";
    return c.reporter.count > 0 ? 1 : 0;
}

}  // namespace kvelmor::cli
