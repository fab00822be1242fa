// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/app_state.h"

#include <algorithm>
#include <filesystem>

#include "common/number_text.h"
#include "settings/presets.h"

namespace kvelmor::settings {
namespace {

using T = InfoKey::Target;
using F = PresetForm;

std::vector<InfoKey> buildInfoKeys() {
    std::vector<InfoKey> k{
        {"textPath", T::TextPath, "", F::AsTyped, ""},
        {"mediaPath", T::MediaPath, "", F::AsTyped, ""},
    };
    auto add = [&](const SettingDef& d, T target) {
        std::string def = d.form == F::Flag ? (d.defaultValue == "1" ? "True" : "False") : d.defaultValue;
        // The credit's position depends on the frame (loadAppState gives it).
        if (d.name == "credit.posX" || d.name == "credit.posY") def.clear();
        k.push_back({d.key, target, d.field, d.form, def});
    };
    for (const auto& d : settingTable())
        if (d.storage == Storage::Info) add(d, T::Setting);
    for (const auto& d : creditFieldTable()) add(d, T::Credit);
    return k;
}

std::optional<bool> flagValue(std::string_view v) {
    std::string lower;
    for (char c : v) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "true") return true;
    if (lower == "false") return false;
    if (auto n = parseNumber(v)) return *n != 0;
    return std::nullopt;
}

// The stored text in the form the field holds ("0"/"1" for flags and boxes),
// or nothing when it does not convert.
std::optional<std::string> toHeld(const InfoKey& k, const std::string& v) {
    switch (k.form) {
    case F::Flag: {
        auto f = flagValue(v);
        if (!f) return std::nullopt;
        return std::string(*f ? "1" : "0");
    }
    case F::Box:
    case F::Decimal: {
        auto n = parseNumber(v);
        if (!n) return std::nullopt;
        int64_t w = roundHalfEven(*n);
        if (k.form == F::Box) return std::string(w != 0 ? "1" : "0");
        return std::to_string(w);
    }
    default: return v;
    }
}

std::string toStored(const InfoKey& k, const std::string& held) {
    switch (k.form) {
    case F::Flag: return toWholeNumber(held) != 0 ? "True" : "False";
    case F::Box: return toWholeNumber(held) != 0 ? "1" : "0";
    case F::Decimal: return std::to_string(toWholeNumber(held));
    default: break;
    }
    return held;
}

}  // namespace

std::optional<std::string> infoValueAsHeld(const InfoKey& k, const std::string& stored) { return toHeld(k, stored); }

const std::vector<InfoKey>& infoKeys() {
    static const std::vector<InfoKey> keys = buildInfoKeys();
    return keys;
}

std::string ExistingFolder(const std::string& path, const std::string& fallback) {
    namespace fs = std::filesystem;
    if (path.empty()) return fallback;
    std::error_code ec;
    if (path.front() != '/') return fs::is_directory(path, ec) ? path : fallback;
    std::string p = path;
    while (!p.empty()) {
        if (fs::is_directory(p, ec)) return p;
        size_t slash = p.find_last_of('/');
        if (slash == std::string::npos) break;
        p = slash == 0 ? "/" : p.substr(0, slash);
        if (p == "/") return p;
    }
    return fallback;
}

void loadAppState(const IniFile& ini, AppState& state, ConversionSettings& s, const std::string& fallbackFolder) {
    for (const auto& k : infoKeys()) {
        std::string def = k.defaultValue;
        const SettingDef* credit = k.target == T::Credit ? findCreditField(k.field) : nullptr;
        if (credit && credit->name == "credit.posX")
            def = std::to_string(static_cast<int64_t>(s.wholeNumber("frame.width")) * 8 / 10);
        if (credit && credit->name == "credit.posY")
            def = std::to_string(static_cast<int64_t>(s.wholeNumber("frame.height")) / 10);
        std::string v = ini.value(kInfoSection, k.key, def);
        auto held = toHeld(k, v);
        if (!held) held = toHeld(k, def);
        switch (k.target) {
        case T::TextPath: state.textPath = ExistingFolder(*held, fallbackFolder); break;
        case T::MediaPath: state.mediaPath = ExistingFolder(*held, fallbackFolder); break;
        case T::Setting: s.setText(k.field, *held); break;
        case T::Credit: state.credit.setText(k.field, *held); break;
        }
    }
    loadWindowState(ini, state.window);
}

void saveAppState(IniFile& ini, const AppState& state, const ConversionSettings& s) {
    for (const auto& k : infoKeys()) {
        std::string held;
        switch (k.target) {
        case T::TextPath: held = state.textPath; break;
        case T::MediaPath: held = state.mediaPath; break;
        case T::Setting: held = s.text(k.field); break;
        case T::Credit: held = state.credit.text(k.field); break;
        }
        ini.setValue(kInfoSection, k.key, toStored(k, held));
    }
    saveWindowState(ini, state.window);
}

}  // namespace kvelmor::settings
