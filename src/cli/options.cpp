// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "app/glosses.h"
#include "settings/field_guide.h"
#include "settings/presets.h"

namespace kvelmor::cli {

void StderrReporter::report(const Report& r) {
    Report glossed = r;
    glossed.text = app::withEnglishGlosses(r.text);
    if (toStdout) {
        // As the message box shows it: the text alone.
        std::string text = glossed.text;
        std::erase(text, '\r');
        std::cout << text << "\n";
    } else {
        std::cerr << "kvelmor: " << formatReport(glossed) << "\n";
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
        if (a == "--") {
            // Everything after "--" is a file, whatever its name ("-song.txt").
            o.positional.insert(o.positional.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (a == "--settings") {
            o.settingsPath = value(i);
        } else if (a == "--preset") {
            o.preset = value(i);
        } else if (a == "--media") {
            o.media = value(i);
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
    if (o.settingsPath.empty()) {
        o.settingsPath = app::defaultSettingsPath();
        if (std::string note = app::settingsPathNote(); !note.empty()) std::cerr << "kvelmor: note: " << note << "\n";
    }
    return o;
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
}

size_t displayWidth(const std::string& s) {
    size_t w = 0;
    for (unsigned char c : s) {
        if (c < 0x80) w += 1;
        else if ((c & 0xC0) != 0x80) w += 2;  // a lead byte starts a character
    }
    return w;
}

namespace {

// Sets one field as the user would; false, with the reason printed, when it
// is refused. `given` is the name or key as the user wrote it.
bool setField(app::Session& session, const settings::FieldText& f, const std::string& given) {
    // A whole value is given at once here, so text the field's keys would
    // refuse is an error rather than a replacement by "0".
    if (const settings::SettingDef* def = f.credit ? nullptr : settings::findSetting(f.field)) {
        if (std::string why = settings::refusedValue(*def, f.value); !why.empty()) {
            std::cerr << "kvelmor: --set " << given << "=" << f.value << ": " << why << "\n";
            return false;
        }
    }
    settings::Change c = f.credit ? session.appState.credit.setAsUser(f.field, f.value)
                                  : session.setField(f.field, f.value);
    if (c.ok) return true;
    std::cerr << "kvelmor: --set " << c.error << "\n";
    return false;
}

// The credit prefix (kCreditPrefix, or the older kCreditWindowPrefix) `field`
// starts with when it names a credit field; else empty.
std::string_view creditPrefixOf(std::string_view field) {
    for (std::string_view prefix : {settings::kCreditPrefix, settings::kCreditWindowPrefix})
        if (field.substr(0, prefix.size()) == prefix) return prefix;
    return {};
}

}  // namespace

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
        if (const settings::SettingDef* d = settings::findCreditField(field); d && d->name == field) {
            if (!setField(session, {d->field, value, true}, field)) return false;
            continue;
        }
        if (const std::string_view prefix = creditPrefixOf(field); !prefix.empty()) {
            if (!setField(session, {field.substr(prefix.size()), value, true}, field)) return false;
            continue;
        }
        // An option named like its settings-file key (DisplayType1) takes
        // the key's "True"/"False", as "presets show" prints it, besides "1".
        const settings::SettingDef* d = settings::findSetting(field);
        const bool flagKey = d && d->key == field && d->form == settings::PresetForm::Flag;
        if (d && !flagKey) {
            if (!setField(session, {d->field, value, false}, field)) return false;
            continue;
        }
        // A settings-file key stands for the fields it is stored from.
        std::optional<settings::KeyFields> byKey = settings::fieldsForKey(field, value);
        if (!byKey) {
            std::cerr << "kvelmor: --set " << field << ": no such field or key; closest: "
                      << joined(settings::closestSettingNames(field)) << " (see kvelmor fields)\n";
            return false;
        }
        if (!byKey->error.empty()) {
            std::cerr << "kvelmor: --set " << byKey->error << "\n";
            return false;
        }
        for (const auto& f : byKey->fields)
            if (!setField(session, f, field)) return false;
    }
    return true;
}

bool prepare(Converter& c, const Options& o) {
    std::optional<app::MediaProbeResult> probe;
    return prepare(c, o, probe);
}

bool prepare(Converter& c, const Options& o, std::optional<app::MediaProbeResult>& probe) {
    c.session.startUp(o.settingsPath);
    if (!applyOptions(c.session, o)) return false;
    if (o.media.empty()) return true;
    // The probe sees the settings as --set leaves them (MediaTimeCheck=1 asks
    // for the title times), and the --set values are applied once more
    // afterwards so that they win over what the probe wrote.
    probe = app::probeMedia(c.session, o.media);
    if (!probe) return false;
    Options sets = o;
    sets.preset.reset();
    return applyOptions(c.session, sets);
}

}  // namespace kvelmor::cli
