#include "cli/options.h"

#include "settings/presets.h"

namespace kvelmor::cli {

void StderrReporter::report(const Report& r) {
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

bool prepare(Converter& c, const Options& o) {
    c.session.startUp(o.settingsPath);
    return applyOptions(c.session, o);
}

}  // namespace kvelmor::cli
