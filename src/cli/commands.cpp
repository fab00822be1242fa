#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "common/reporter.h"
#include "layout/freetype_measurer.h"
#include "settings/presets.h"

namespace kvelmor::cli {
namespace {

const char* const kHelp = R"(Kvelmor turns timed karaoke lyrics into Advanced SubStation Alpha scripts.

Usage: kvelmor COMMAND [OPTIONS] [FILE...]

Commands:
  presets list                 The preset names, one a line, in file order.
  presets show NAME            The preset's key=value lines, in the order a save writes them.
  presets save NAME            Save the settings (of --preset, else "default", with the
                               --set values) as preset NAME and write the settings file.
  presets delete NAME          Delete preset NAME and write the settings file.
  help                         Show this help.
  version                      Show the version.

Options:
  --settings FILE              Use FILE as the settings file instead of
                               $XDG_CONFIG_HOME/Kvelmor/Kvelmor.ini (~/.config/Kvelmor/Kvelmor.ini).
  --preset NAME                Start from preset NAME instead of "default".
  --set FIELD=VALUE            Set a field as typing VALUE and leaving the field would
                               (repeatable). Fields are named as in the main window:
                                 --set dispWidth=1280     a number field
                                 --set DisplayType2=1     select an option button
                                 --set wipe=3             a choice or list, by index
                                 --set PrimaryColor=255   a colour, 0x00BBGGRR in decimal
                                 --set PrimaryAlpha=5     a transparency level 0..10
                                 --set kaigyo=1           a box, 0 or 1
                                 --set Command2="IPAGothic"   a font face; flags as
                                                          Command2.Bold=1 (.Italic, .Underline,
                                                          .Strikethrough)
                                 --set Form7.Credit=...   a field of the credit settings
  -h, --help                   Show this help.
  --version                    Show the version.

Commands that only convert never write the settings file.
Exit codes: 0 done, 1 done with reports, 2 failed.
)";

// Prints every message to stderr and remembers whether any was an error or warning.
class StderrReporter : public Reporter {
public:
    void report(const Report& r) override {
        std::cerr << "kvelmor: " << formatReport(r) << "\n";
        if (r.severity != Severity::Info) reported = true;
    }
    bool reported = false;
};

struct Options {
    std::string settingsPath;
    std::optional<std::string> preset;
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<std::string> positional;
};

struct UsageError {
    std::string message;
};

Options parseOptions(const std::vector<std::string>& args, size_t first) {
    Options o;
    auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
        return args[++i];
    };
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--settings") {
            o.settingsPath = value(i);
        } else if (a == "--preset") {
            o.preset = value(i);
        } else if (a == "--set") {
            const std::string& kv = value(i);
            size_t eq = kv.find('=');
            if (eq == std::string::npos || eq == 0) throw UsageError{"--set takes FIELD=VALUE, not \"" + kv + "\""};
            o.sets.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            o.positional.push_back(a);
        }
    }
    if (o.settingsPath.empty()) o.settingsPath = app::defaultSettingsPath();
    return o;
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
}

// Applies --preset and --set; false (with the reason printed) when one is refused.
bool applyOptions(app::Session& session, const Options& o) {
    if (o.preset) {
        if (*o.preset != settings::kDefaultPreset && !session.presets.contains(*o.preset)) {
            std::cerr << "kvelmor: no preset named \"" << *o.preset << "\" in " << o.settingsPath;
            auto list = session.presets.list();
            if (!list.empty()) std::cerr << " (presets: " << joined(list) << ")";
            std::cerr << "\n";
            return false;
        }
        session.selectPreset(*o.preset);
    }
    for (const auto& [field, value] : o.sets) {
        if (field.rfind("Form7.", 0) == 0) {
            std::string credit = field.substr(6);
            if (!session.appState.credit.has(credit)) {
                std::cerr << "kvelmor: --set " << field << ": the credit settings have no field \"" << credit
                          << "\"\n";
                return false;
            }
            session.appState.credit.setText(credit, value);
            continue;
        }
        if (!settings::findSetting(field)) {
            std::cerr << "kvelmor: --set " << field << ": no such field; closest: "
                      << joined(settings::closestSettingNames(field)) << "\n";
            return false;
        }
        auto c = session.setField(field, value);
        if (!c.ok) {
            std::cerr << "kvelmor: --set " << c.error << "\n";
            return false;
        }
    }
    return true;
}

int presetsCommand(const std::vector<std::string>& args) {
    if (args.size() < 2) throw UsageError{"presets takes list, show, save or delete"};
    const std::string& verb = args[1];
    Options o = parseOptions(args, 2);
    StderrReporter reporter;
    layout::FreeTypeMeasurer measurer;
    app::Session session(reporter, measurer);
    session.startUp(o.settingsPath);

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
        return session.savePreset(name) ? 0 : 2;
    }
    if (verb == "delete") {
        if (name != settings::kDefaultPreset && !session.presets.contains(name)) {
            std::cerr << "kvelmor: no preset named \"" << name << "\" in " << o.settingsPath << "\n";
            return 2;
        }
        return session.deletePreset(name) ? 0 : 2;
    }
    throw UsageError{"presets takes list, show, save or delete, not \"" + verb + "\""};
}

}  // namespace

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    const std::string& cmd = args[0];
    try {
        if (cmd == "help" || cmd == "-h" || cmd == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (cmd == "version" || cmd == "--version") {
            std::puts(kVersionText);
            return 0;
        }
        if (cmd == "presets") return presetsCommand(args);
        throw UsageError{"unknown command \"" + cmd + "\""};
    } catch (const UsageError& e) {
        std::cerr << "kvelmor: " << e.message << " (see kvelmor --help)\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kvelmor: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace kvelmor::cli
