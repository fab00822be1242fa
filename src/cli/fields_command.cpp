// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor fields [PATTERN]: every setting and credit field with its caption,
// description, kind, default, what it takes and its settings-file keys.

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "effects/samples.h"
#include "settings/conversion_settings.h"
#include "settings/credit_settings.h"
#include "settings/field_guide.h"
#include "settings/presets.h"

namespace kvelmor::cli {
namespace {

using settings::Accepts;
using settings::Kind;
using settings::Replace;

// One field as listed. Each line of the listing is one member, so a further
// property of the table (a range of values) is one more line.
struct Listed {
    std::string name;   // the meaningful name, as --set takes it
    std::string field;  // the window's field name, which --set takes too
    const settings::FieldGuide* guide = nullptr;
    std::string kind;
    std::string defaultValue;
    std::string takes;
    std::vector<settings::StoredKey> keys;
};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string replacementText(const settings::FieldReaction& r) {
    std::string out;
    switch (r.replace) {
    case Replace::Zero: out = "; typed in the window, other text becomes \"0\""; break;
    case Replace::One: out = "; typed in the window, other text becomes \"1\""; break;
    case Replace::Ten: out = "; typed in the window, other text becomes \"10\""; break;
    case Replace::DoubleZero: out = "; typed in the window, other text becomes \"00\""; break;
    case Replace::PresetValue: out = "; typed in the window, 0 or other text restores the preset's value"; break;
    case Replace::ClearBox: out = "; typed in the window, other text clears its box"; break;
    case Replace::None: break;
    }
    if (r.padOneDigit) out += "; one digit gets a leading 0";
    return out;
}

std::string choiceText(int count) {
    if (count <= 0) return "an index of the effect samples (0 is the first)";
    return "an index from 0 to " + std::to_string(count - 1);
}

const char* const kColourText =
    "a colour as #RRGGBB (#FF0000 red, #FFFF00 yellow), or as 0x00BBGGRR in decimal (255 red, 65535 yellow)";
const char* const kLevelText = "0 (opaque) to 10 (invisible)";

Listed describe(const settings::SettingDef& d) {
    const bool credit = d.group == settings::Group::Credit;
    Listed l{d.name,
             (credit ? std::string(settings::kCreditWindowPrefix) : std::string()) + d.field,
             credit ? settings::creditFieldGuide(d.field) : settings::fieldGuide(d.field),
             {},
             d.defaultValue,
             {},
             credit ? settings::creditStoredKeysOf(d.field) : settings::storedKeysOf(d.field)};
    if (!d.followsDefault.empty()) {
        const settings::SettingDef* source = settings::findSetting(d.followsDefault);
        l.defaultValue = "that of " + (source ? source->name : d.followsDefault);
    }
    if (credit && d.field == "posX") l.defaultValue = "frame.width × 8 / 10";
    if (credit && d.field == "posY") l.defaultValue = "frame.height / 10";
    switch (d.kind) {
    case Kind::NumberText: {
        l.kind = "number";
        if (credit) {
            l.takes = "digits";
            if (d.onLeave.replace == Replace::Zero) l.takes += "; other text becomes \"0\"";
            if (d.onLeave.replace == Replace::DoubleZero) l.takes += "; one digit gets a leading 0, other text becomes \"00\"";
            break;
        }
        l.takes = settings::takesText(d);
        const settings::FieldReaction& r = d.onLeave.reacts ? d.onLeave : d.onEnter;
        // A replacement the range refuses leaves the field as it was.
        const bool zeroRefused = d.range && (d.range->min > 0 || (d.range->aboveMin && d.range->min >= 0));
        if (r.replace == Replace::Zero && zeroRefused)
            l.takes += "; typed in the window, other text is refused";
        else
            l.takes += replacementText(r);
        break;
    }
    case Kind::Text: l.kind = "text"; l.takes = credit ? "one line of text" : "any text"; break;
    case Kind::Box: l.kind = "box"; l.takes = "0 or 1"; break;
    case Kind::OptionMember: {
        l.kind = "option";
        l.takes = "1 selects it";
        for (const auto& g : settings::optionGroups())
            if (g.name == d.optionGroup) l.takes += " (one of " + joined(g.members) + ")";
        break;
    }
    case Kind::Choice: l.kind = "choice"; l.takes = choiceText(d.choiceCount); break;
    case Kind::ListIndex: l.kind = "list"; l.takes = choiceText(d.choiceCount); break;
    case Kind::Colour: l.kind = "colour"; l.takes = kColourText; break;
    case Kind::Level: l.kind = "level"; l.takes = kLevelText; break;
    case Kind::FontFace: l.kind = "font"; l.takes = "a font face name"; break;
    case Kind::FontFlag: l.kind = "font flag"; l.takes = "0 or 1"; break;
    case Kind::PixelHeight:
        l.kind = "derived";
        l.defaultValue = "measured";
        l.takes = "nothing: measured from its font and size";
        break;
    }
    return l;
}

// The keys, each with how it holds this field when that is not the field's
// own value: the member of a group ("AlignmentUp=2"), a part of a joined time.
std::string keysText(const Listed& l) {
    if (l.keys.empty()) return "not stored";
    const settings::SettingDef* def = settings::findSetting(l.field);
    std::string out;
    for (const auto& k : l.keys) {
        out += (out.empty() ? "" : ", ") + k.key;
        if (def && def->kind == Kind::OptionMember && k.key != l.field) out += "=" + std::to_string(def->memberIndex + 1);
        for (const auto& p : settings::presetKeys())
            if (p.key == k.key && p.form == settings::PresetForm::JoinedTime) out += " (H:MM:SS)";
        if (k.info) out += " in [info]";
    }
    return out;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> namesOf(const Listed& l) {
    std::vector<std::string> names{l.name, l.field};
    for (const auto& k : l.keys) names.push_back(k.key);
    return names;
}

bool isNameOf(const Listed& l, const std::string& pattern) {
    const std::vector<std::string> names = namesOf(l);
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return lower(n) == lower(pattern); });
}

// A pattern with *, ? or [ is matched whole against the name and the keys
// (any case); other text is looked for in the name, keys, captions (Japanese
// and English) and description.
bool matches(const Listed& l, const std::string& pattern) {
    if (pattern.empty()) return true;
    std::vector<std::string> names = namesOf(l);
    if (pattern.find_first_of("*?[") != std::string::npos) {
        return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return fnmatch(pattern.c_str(), n.c_str(), FNM_CASEFOLD) == 0;
        });
    }
    if (l.guide) {
        names.push_back(l.guide->caption);
        names.push_back(l.guide->captionEn);
        names.push_back(l.guide->description);
    }
    const std::string p = lower(pattern);
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return lower(n).find(p) != std::string::npos; });
}

void print(const Listed& l) {
    std::cout << l.name;
    if (l.field != l.name) std::cout << " (" << l.field << ")";
    if (l.guide && !l.guide->caption.empty()) std::cout << "  " << quoted(l.guide->caption);
    if (l.guide && !l.guide->captionEn.empty()) std::cout << " (" << quoted(l.guide->captionEn) << ")";
    std::cout << "\n";
    if (l.guide) std::cout << "    " << l.guide->description << "\n";
    std::cout << "    kind: " << l.kind << "   default: " << (l.defaultValue.empty() ? "(empty)" : l.defaultValue)
              << "   INI key: " << keysText(l) << "\n";
    std::cout << "    takes: " << l.takes << "\n";
    if (l.name == settings::kEffectSampleField) {
        // The built-in samples; those kept in the settings file follow them.
        const auto& samples = effects::builtInSamples();
        size_t width = 0;
        for (const auto& b : samples) width = std::max(width, displayWidth(quoted(std::string(b.name))));
        for (size_t i = 0; i < samples.size(); ++i) {
            const std::string caption = quoted(std::string(samples[i].name));
            std::cout << "      " << i << " " << caption << std::string(width - displayWidth(caption) + 2, ' ')
                      << samples[i].english << "\n";
        }
        std::cout << "      " << samples.size() << "... the samples kept in the settings file\n";
        return;
    }
    if (!l.guide) return;
    size_t width = 0;
    for (const auto& e : l.guide->entries) width = std::max(width, displayWidth(quoted(e.caption)));
    for (size_t i = 0; i < l.guide->entries.size(); ++i) {
        const auto& e = l.guide->entries[i];
        const std::string caption = quoted(e.caption);
        std::cout << "      " << i << " " << caption << std::string(width - displayWidth(caption) + 2, ' ')
                  << e.meaning << "\n";
    }
}

}  // namespace

int fieldsCommand(const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    if (args.size() > 1 && args[1] == "--") args.erase(args.begin() + 1);  // a PATTERN starting with "-"
    if (args.size() > 2) throw UsageError{"fields takes at most one PATTERN"};
    const std::string pattern = args.size() == 2 ? args[1] : std::string();
    std::vector<Listed> all;
    for (const auto& d : settings::settingTable()) all.push_back(describe(d));
    for (const auto& d : settings::creditFieldTable()) all.push_back(describe(d));
    // A field's own name or key shows that field alone; other text searches.
    const bool named = std::any_of(all.begin(), all.end(), [&](const Listed& l) { return isNameOf(l, pattern); });
    int shown = 0;
    for (const auto& l : all) {
        if (named ? !isNameOf(l, pattern) : !matches(l, pattern)) continue;
        if (shown++ > 0) std::cout << "\n";
        print(l);
    }
    if (shown > 0) return 0;
    std::cerr << "kvelmor: no field matches \"" << pattern << "\"\n";
    return 1;
}

}  // namespace kvelmor::cli
