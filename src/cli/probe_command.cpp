// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdint>
#include <iostream>

#include "cli/options.h"
#include "lyrics/time_value.h"
#include "settings/schema.h"

namespace kvelmor::cli {
namespace {

std::string durationText(const media::MediaInfo& info) {
    if (!info.duration) return "unknown";
    int64_t cs = std::min<int64_t>(*info.duration / 10000, INT32_MAX);
    return lyrics::formatScriptTime(static_cast<lyrics::Centiseconds>(cs));
}

}  // namespace

int probeCommand(const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    bool save = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--") {  // the rest are files, left to parseOptions
            rest.insert(rest.end(), args.begin() + static_cast<ptrdiff_t>(i), args.end());
            break;
        }
        if (args[i] == "--save") save = true;
        else rest.push_back(args[i]);
    }
    Options o = parseOptions(rest, 0);
    if (!o.media.empty()) throw UsageError{"probe takes the media file as its argument, not as --media"};
    if (o.positional.size() != 1) throw UsageError{"probe takes one MEDIA file"};
    o.media = o.positional[0];

    Converter c;
    std::optional<app::MediaProbeResult> probe;
    if (!prepare(c, o, probe)) return 2;
    // A settings file that could not be read, or is not one, is never saved
    // over; the reason has been reported.
    if (save && c.session.ini.unreadable()) return 2;
    const media::MediaInfo& info = probe->info;
    std::cout << "duration: " << durationText(info) << "\n";
    if (info.hasVideo) {
        std::cout << "frame size: " << info.width << "x" << info.height << "\n";
        if (info.aspectX > 0) std::cout << "aspect ratio: " << info.aspectX << ":" << info.aspectY << "\n";
        else std::cout << "aspect ratio: unknown (square pixels taken)\n";
    } else {
        std::cout << "frame size: none (no video; the frame size is left as it is)\n";
    }
    // The values the fields hold now (a --set wins over the probe), written as
    // --set takes them so that a line can be handed to another command.
    app::Session& session = c.session;
    for (const auto& f : probe->fields) {
        // By their meaningful names, which --set takes as it takes the window's.
        if (f.credit)
            std::cout << settings::findCreditField(f.name)->name << "=" << session.appState.credit.text(f.name) << "\n";
        else
            std::cout << settings::findSetting(f.name)->name << "=" << session.settings.text(f.name) << "\n";
    }

    if (save) {
        settings::saveAppState(session.ini, session.appState, session.settings);
        if (!session.savePreset(session.comboText)) return 2;
        std::cout << "saved into preset \"" << session.comboText << "\" and info of " << o.settingsPath
                  << " (mojiScaleX is not kept there)\n";
    }
    return c.reporter.count > 0 ? 1 : 0;
}

}  // namespace kvelmor::cli
