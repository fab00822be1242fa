// SPDX-License-Identifier: GPL-3.0-or-later
// `kvelmor render`: frames of the laid-out song as a viewer will see them,
// written as a PNG (several times give one contact sheet).

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/options.h"
#include "lyrics/time_value.h"
#include "media/video_frames.h"
#include "render/contact_sheet.h"
#include "render/frame_renderer.h"
#include "render/png_file.h"

namespace kvelmor::cli {
namespace {

// Behind the subtitles when no video is given.
constexpr render::Colour kDefaultBackground{48, 48, 48};

// Milliseconds of "SS[.fff]", "M:SS[.fff]" or "H:MM:SS[.fff]" (seconds alone
// may have any number of digits); nothing for anything else.
std::optional<int64_t> parseTimeArgument(const std::string& text) {
    int64_t fields[3] = {0, 0, 0};
    int count = 0;
    size_t pos = 0;
    while (true) {
        size_t colon = text.find(':', pos);
        std::string part = text.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
        if (count == 3) return std::nullopt;
        const bool last = colon == std::string::npos;
        if (!last) {
            if (part.empty() || part.size() > 6 || part.find_first_not_of("0123456789") != std::string::npos)
                return std::nullopt;
            fields[count++] = std::stoll(part);
            pos = colon + 1;
            continue;
        }
        // The seconds, with up to three decimals.
        const size_t dot = part.find('.');
        const std::string whole = part.substr(0, dot);
        const std::string frac = dot == std::string::npos ? "" : part.substr(dot + 1);
        if (whole.empty() || whole.size() > 9 || whole.find_first_not_of("0123456789") != std::string::npos ||
            (dot != std::string::npos && (frac.empty() || frac.size() > 3)) ||
            frac.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        int64_t ms = std::stoll(whole) * 1000;
        if (!frac.empty()) ms += std::stoll(frac + std::string(3 - frac.size(), '0'));
        // Once minutes are given, the seconds (and with hours, the minutes) stay under 60.
        if (count > 0 && std::stoll(whole) >= 60) return std::nullopt;
        if (count == 2 && fields[1] >= 60) return std::nullopt;
        const int64_t minutes = count == 2 ? fields[0] * 60 + fields[1] : count == 1 ? fields[0] : 0;
        return minutes * 60'000 + ms;
    }
}

// "0:01:05.30", as the script writes its times (cut to hundredths).
std::string captionOf(int64_t ms) { return lyrics::formatScriptTime(static_cast<lyrics::Centiseconds>(ms / 10)); }

std::string defaultOutput(const std::string& lyricsPath) {
    return std::filesystem::path(lyricsPath).replace_extension(".png").string();
}

}  // namespace

int renderCommand(const std::vector<std::string>& args) {
    // --at and --background are render's own; the rest are convert's options.
    std::vector<std::string> rest;
    std::vector<int64_t> times;  // milliseconds
    render::Colour background = kDefaultBackground;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--") {  // the rest are files, left to parseOptions
            rest.insert(rest.end(), args.begin() + static_cast<ptrdiff_t>(i), args.end());
            break;
        }
        if (args[i] != "--at" && args[i] != "--background") {
            rest.push_back(args[i]);
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
        const std::string& value = args[++i];
        if (args[i - 1] == "--at") {
            auto t = parseTimeArgument(value);
            if (!t) throw UsageError{"--at \"" + value + "\" is not a time: give seconds (75.3) or m:ss.cc (1:15.30)"};
            times.push_back(*t);
        } else {
            auto c = render::parseColour(value);
            if (!c)
                throw UsageError{"--background \"" + value + "\" is not a colour: give #RRGGBB or black, white, grey"};
            background = *c;
        }
    }
    Options o = parseOptions(rest, 0);
    if (o.positional.size() != 1) throw UsageError{"render takes one FILE"};
    if (times.empty()) throw UsageError{"render needs at least one --at TIME"};
    if (o.kra) throw UsageError{"--kra belongs to convert"};

    Converter c;
    if (!prepare(c, o)) return 2;
    const std::string out = o.output.empty() ? defaultOutput(o.positional[0]) : o.output;
    if (!c.session.mayWrite({out}, o.positional) || !c.session.loadLyrics(o.positional[0])) return 2;

    render::FrameRenderer renderer(c.measurer.loadedConfigFiles());
    renderer.setScript(c.session.scriptText());
    const int width = renderer.playResX(), height = renderer.playResY();
    if (width <= 0 || height <= 0) {
        c.reporter.error("the frame size " + std::to_string(width) + "x" + std::to_string(height) +
                         " cannot be drawn; nothing was written to " + out);
        return 2;
    }
    if (times.size() > 1) {
        if (std::string why = render::contactSheetRefusal(static_cast<int64_t>(times.size()), width, height);
            !why.empty()) {
            c.reporter.error(why + "; nothing was drawn or written to " + out);
            return 2;
        }
    }
    std::unique_ptr<media::VideoFrames> video;
    if (!o.media.empty() && !(video = media::VideoFrames::open(o.media, c.reporter))) return 2;

    std::vector<render::Image> frames;
    std::vector<std::string> captions;
    for (int64_t ms : times) {
        render::Image frame(width, height, background);
        if (video && !video->frameAt(ms * 1000, width, height, frame.rgba.data())) {
            c.reporter.error("no picture could be decoded at " + captionOf(ms) + "; nothing was written to " + out,
                             o.media);
            return 2;
        }
        renderer.drawOver(frame, ms);
        frames.push_back(std::move(frame));
        captions.push_back(captionOf(ms));
    }
    for (const auto& complaint : renderer.takeComplaints()) c.reporter.warning("libass: " + complaint);
    const render::Image picture =
        frames.size() == 1 ? frames.front() : render::contactSheet(frames, captions, renderer);
    if (FileResult r = render::writePng(out, picture); !r.ok) {
        c.reporter.error("cannot be written: " + r.error, out);
        return 2;
    }
    std::cout << "wrote " << out << "\n";
    return c.reporter.count > 0 ? 1 : 0;
}

}  // namespace kvelmor::cli
