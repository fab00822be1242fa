// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "cli/options.h"
#include "settings/presets.h"

namespace kvelmor::cli {

int presetsCommand(const std::vector<std::string>& args) {
    if (args.size() < 2) throw UsageError{"presets takes list, show, save or delete"};
    const std::string& verb = args[1];
    Options o = parseOptions(args, 2);
    Converter c;
    c.session.startUp(o.settingsPath);
    app::Session& session = c.session;
    // Presets of a file that could not be read are not known; the read
    // failure has been reported.
    if (session.ini.unreadable()) return 2;

    if (verb == "list") {
        for (const auto& n : session.presets.list()) std::cout << n << "\n";
        return 0;
    }
    if (o.positional.size() != 1) throw UsageError{"presets " + verb + " takes one NAME"};
    const std::string& name = o.positional[0];
    if (verb == "show") {
        if (name != settings::kDefaultPreset && !session.presets.contains(name)) {
            std::cerr << "kvelmor: no preset named \"" << name << "\" in " << o.settingsPath << "\n";
            return 2;
        }
        settings::loadPresetSettings(session.ini, name, session.settings, session.presetHooks());
        for (const auto& k : settings::presetKeys())
            std::cout << k.key << "=" << settings::presetValueText(k, session.settings) << "\n";
        return 0;
    }
    if (verb == "save") {
        if (!applyOptions(session, o)) return 2;
        if (!session.savePreset(name)) return 2;
        std::cout << "saved preset \"" << name << "\" in " << o.settingsPath << "\n";
        return 0;
    }
    if (verb == "delete") {
        if (name != settings::kDefaultPreset && !session.presets.contains(name)) {
            std::cerr << "kvelmor: no preset named \"" << name << "\" in " << o.settingsPath << "\n";
            return 2;
        }
        if (!session.deletePreset(name)) return 2;
        std::cout << "deleted preset \"" << name << "\" from " << o.settingsPath << "\n";
        return 0;
    }
    throw UsageError{"presets takes list, show, save or delete, not \"" + verb + "\""};
}

}  // namespace kvelmor::cli
