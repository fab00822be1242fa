// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/field_guide.h"

#include <unordered_map>

#include "settings/app_state.h"
#include "settings/credit_settings.h"
#include "settings/presets.h"

namespace kvelmor::settings {
namespace {

using Guides = std::unordered_map<std::string, FieldGuide>;

Guides guidesOf(const std::vector<SettingDef>& table) {
    Guides g;
    // The caption beside the field, after its frame's where it has one.
    auto framed = [](const WindowFrame* f, std::string frame, const std::string& caption) {
        if (!f) return caption;
        for (size_t at = frame.find("&&"); at != std::string::npos; at = frame.find("&&", at + 1)) frame.erase(at, 1);
        return caption.empty() ? frame : frame + " / " + caption;
    };
    for (const auto& d : table) {
        const WindowFrame* f = findFrame(d.frame);
        FieldGuide guide{framed(f, f ? f->caption : "", d.caption), framed(f, f ? f->captionEn : "", d.captionEn),
                         d.description, d.choices};
        g.emplace(d.name, guide);
        g.emplace(d.field, std::move(guide));
    }
    return g;
}

const FieldGuide* find(const Guides& g, std::string_view name) {
    auto it = g.find(std::string(name));
    return it == g.end() ? nullptr : &it->second;
}

// What a key of a form holds, for messages (only forms whose text is converted).
std::string presetFormText(const PresetKey& k) {
    if (k.form == PresetForm::Flag) return "True or False";
    if (k.form == PresetForm::JoinedTime) return "a time H:MM:SS";
    for (const auto& g : optionGroups())
        if (g.name == k.setting) return "a member from 1 to " + std::to_string(g.members.size());
    return "a value of this key";
}

}  // namespace

const FieldGuide* fieldGuide(std::string_view name) {
    static const Guides guides = guidesOf(settingTable());
    return find(guides, name);
}

const FieldGuide* creditFieldGuide(std::string_view name) {
    static const Guides guides = guidesOf(creditFieldTable());
    return find(guides, name);
}

std::vector<StoredKey> storedKeysOf(std::string_view name) {
    std::vector<StoredKey> out;
    const SettingDef* def = findSetting(name);
    const std::string_view field = def ? std::string_view(def->field) : name;
    for (const auto& k : presetKeys()) {
        const bool whole = k.setting == field;
        const bool member = def && def->kind == Kind::OptionMember && k.form == PresetForm::OptionIndex &&
                            k.setting == def->optionGroup;
        const bool timePart = k.form == PresetForm::JoinedTime && field.size() == k.setting.size() + 1 &&
                              field.substr(0, k.setting.size()) == k.setting;
        if (whole || member || timePart) out.push_back({k.key, false});
    }
    for (const auto& k : infoKeys())
        if (k.target == InfoKey::Target::Setting && k.field == field) out.push_back({k.key, true});
    return out;
}

std::vector<StoredKey> creditStoredKeysOf(std::string_view name) {
    std::vector<StoredKey> out;
    const SettingDef* def = findCreditField(name);
    const std::string_view creditField = def ? std::string_view(def->field) : name;
    for (const auto& k : infoKeys())
        if (k.target == InfoKey::Target::Credit && k.field == creditField) out.push_back({k.key, true});
    return out;
}

std::optional<KeyFields> fieldsForKey(std::string_view key, std::string_view value) {
    for (const auto& k : presetKeys()) {
        if (k.key != key) continue;
        KeyFields out;
        if (auto texts = presetKeyFieldTexts(k, value)) {
            for (auto& [field, text] : *texts) out.fields.push_back({std::move(field), std::move(text), false});
        } else {
            out.error = std::string(key) + ": \"" + std::string(value) + "\" is not " + presetFormText(k);
        }
        return out;
    }
    for (const auto& k : infoKeys()) {
        if (k.key != key) continue;
        KeyFields out;
        if (k.target != InfoKey::Target::Setting && k.target != InfoKey::Target::Credit) {
            out.error = std::string(key) + " is the folder last used, not a setting";
        } else if (auto held = infoValueAsHeld(k, std::string(value))) {
            out.fields.push_back({k.field, *held, k.target == InfoKey::Target::Credit});
        } else {
            out.error = std::string(key) + ": \"" + std::string(value) + "\" is not " +
                        (k.form == PresetForm::Flag ? "True or False" : "a number");
        }
        return out;
    }
    return std::nullopt;
}

}  // namespace kvelmor::settings
