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
#include "lyrics/kra_writer.h"
#include "settings/presets.h"

namespace kvelmor::cli {
namespace {

const char* const kHelp = R"(Kvelmor turns timed karaoke lyrics into Advanced SubStation Alpha scripts.

Usage: kvelmor COMMAND [OPTIONS] [FILE...]

Commands:
  convert FILE...              Lay out each lyrics file (.txt or .kra) and write its
                               script beside it (FILE.ass), or to -o OUT for one FILE.
                               Also writes the .kra with --kra or when KraCheck is 1.
                               The checks' reports go to stderr.
  check FILE                   Lay out FILE and print every report of the checks to
                               stdout (exit 0: none, 1: some, 2: unreadable).
  kra FILE                     Write the tag file of the laid-out song (cut by the
                               automatic line break when kaigyo is 1) beside FILE
                               (FILE.kra), or to -o OUT.
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
  -o, --output OUT             Where convert or kra writes (one FILE only).
  --kra                        convert also writes the .kra tag file.
  -h, --help                   Show this help.
  --version                    Show the version.

Commands that only convert never write the settings file.
Exit codes: 0 done, 1 done with reports, 2 failed.
)";

// Prints every message (to stderr unless redirected) and remembers whether
// any was an error or warning.
class StderrReporter : public Reporter {
public:
    void report(const Report& r) override {
        if (toStdout) {
            // As the message box shows it: the text alone.
            std::string text = r.text;
            std::erase(text, '\r');
            std::cout << text << "\n";
        } else {
            std::cerr << "kvelmor: " << formatReport(r) << "\n";
        }
        if (r.severity != Severity::Info) ++count;
    }
    bool toStdout = false;
    int count = 0;
};

struct Options {
    std::string settingsPath;
    std::string output;
    bool kra = false;
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
        } else if (a == "-o" || a == "--output") {
            o.output = value(i);
        } else if (a == "--kra") {
            o.kra = true;
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

// The settings as a converting command starts: the file read, --preset and
// --set applied. The settings file is never written by these commands.
struct Converter {
    StderrReporter reporter;
    layout::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};
};

bool prepare(Converter& c, const Options& o) {
    c.session.startUp(o.settingsPath);
    return applyOptions(c.session, o);
}

int checkCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"check takes one FILE"};
    Converter c;
    if (!prepare(c, o)) return 2;
    int before = c.reporter.count;
    if (!c.session.readLyrics(o.positional[0])) return 2;
    c.reporter.toStdout = true;
    c.session.runFullRefresh();
    return c.reporter.count > before ? 1 : 0;
}

int kraCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"kra takes one FILE"};
    Converter c;
    if (!prepare(c, o)) return 2;
    int before = c.reporter.count;
    if (!c.session.loadLyrics(o.positional[0])) return 2;
    if (!c.session.writeKra(o.output)) return 2;
    std::cout << "wrote " << (o.output.empty() ? lyrics::kraPathFor(c.session.song.lyricsPath) : o.output) << "\n";
    return c.reporter.count > before ? 1 : 0;
}

int convertCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.empty()) throw UsageError{"convert takes at least one FILE"};
    if (!o.output.empty() && o.positional.size() != 1) throw UsageError{"-o takes one FILE only"};
    Converter c;
    if (!prepare(c, o)) return 2;
    bool failed = false;
    bool reported = false;
    for (const auto& file : o.positional) {
        int before = c.reporter.count;
        bool ok = c.session.loadLyrics(file) && c.session.writeScript(o.output);
        if (ok) {
            std::cout << "wrote " << (o.output.empty() ? c.session.defaultScriptPath() : o.output) << "\n";
            if (o.kra || c.session.settings.isOn("KraCheck")) {
                if (c.session.writeKra()) std::cout << "wrote " << lyrics::kraPathFor(c.session.song.lyricsPath) << "\n";
                else ok = false;
            }
        }
        failed = failed || !ok;
        reported = reported || c.reporter.count > before;
    }
    return failed ? 2 : reported ? 1 : 0;
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
        if (cmd == "convert") return convertCommand(args);
        if (cmd == "check") return checkCommand(args);
        if (cmd == "kra") return kraCommand(args);
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
