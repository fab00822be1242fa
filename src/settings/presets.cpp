// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/presets.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <unordered_map>

#include "common/number_text.h"

namespace kvelmor::settings {
namespace {

using F = PresetForm;

// The order a preset's keys are written in: settings files keep it, and
// other programs read the keys where they expect them.
const std::vector<std::string>& writeOrder() {
    static const std::vector<std::string> order{
        "fontName", "tagfontSize", "Bold", "Italic", "Underline", "Strikethrough", "StyleNumber", "rubyfontName",
        "rubyfontSize", "rubyBold", "rubyItalic", "rubyUnderline", "rubyStrikethrough", "primaryColor",
        "secondaryColor", "teritaryColor", "shadowColor", "teritaryColor2", "sub1PrimaryColor", "sub1SecondaryColor",
        "sub1TeritaryColor", "sub1ShadowColor", "sub1teritaryColor2", "sub2PrimaryColor", "sub2SecondaryColor",
        "sub2TeritaryColor", "sub2ShadowColor", "sub2teritaryColor2", "primaryAlphaLevel", "secondaryAlphaLevel",
        "teritaryAlphaLevel", "backAlphaLevel", "originalColor", "OriginalColorAlpha", "SizeWidth", "SizeHeight",
        "BorderStyle1", "BorderStyle2", "Outline", "shadowDepth", "AlignmentUp", "AlignmentMiddle", "AlignmentDown",
        "Oneline", "MarginL", "MarginR", "MarginV", "MarginN", "AlphaLevel", "Encoding", "LineNumber", "preTime",
        "aftTime", "upTime", "WinAmpTime", "DisplayType1", "DisplayType2", "primaryAlpha", "secondaryAlpha",
        "teritaryAlpha", "backAlpha", "rubyUp", "rubyDown", "rubyScale", "kintou", "lower", "spaceTimePre",
        "spaceTimeAft", "spaceTime", "wipeType", "AutoKaigyo", "titleInfo", "titlefontName", "titlefontSize",
        "titleBold", "titleItalic", "titleUnderline", "titleStrikethrough", "titleprimaryColor",
        "titleteritaryColor", "titleshadowColor", "titleprimaryAlphaLevel", "titleteritaryAlphaLevel",
        "titlebackAlphaLevel", "songInfoX", "songInfoY", "titlefontSize1", "titlefontSize2", "songInfoCheck",
        "songInfoPreCheck", "titleEndTime", "titleY", "titleFadeIn", "titleFadeOut", "DouRetu", "infoMode",
        "exColor", "exColor1", "exColor2", "ExColorMode", "titleDispType", "titleLengthStart", "titleLength",
        "songLength", "spacer", "LyricsDisp", "LyricsDispTime", "setXpositon", "MojiSize", "CommandLine",
        "CommandChar", "KaraokeWipe", "DelayTime", "oneLineCheck", "ColorHex", "posNo", "MakeKra", "TagSample",
        "mojiScaleY", "ClipWipe"};
    return order;
}

std::string storedDefault(const SettingDef& d) {
    if (d.form == F::Flag) return d.defaultValue == "1" ? "True" : "False";
    return d.defaultValue;
}

// The keys of the schema's stored rows, in the order they are written. A
// group's members share one key (the selected member, from 1), and so do
// the hour, minute and second of a clock time ("H:MM:SS").
std::vector<PresetKey> buildKeys() {
    std::unordered_map<std::string, PresetKey> byKey;
    for (const auto& d : settingTable()) {
        if (d.storage != Storage::Preset) continue;
        if (d.form == F::OptionIndex) {
            PresetKey& k = byKey.try_emplace(d.key, PresetKey{d.key, d.optionGroup, d.form, "", ""}).first->second;
            if (d.defaultValue == "1") k.defaultValue = std::to_string(d.memberIndex + 1);
        } else if (d.form == F::JoinedTime) {
            // Rows of a clock time come hour, minute, second.
            auto [it, first] = byKey.try_emplace(d.key, PresetKey{d.key, d.field.substr(0, d.field.size() - 1), d.form, "", ""});
            it->second.defaultValue += (first ? "" : ":") + d.defaultValue;
        } else {
            for (const std::string& key : {d.key, d.secondKey})
                if (!key.empty()) byKey.emplace(key, PresetKey{key, d.field, d.form, storedDefault(d), d.followsDefault});
        }
    }
    std::vector<PresetKey> t;
    for (const auto& name : writeOrder()) {
        auto it = byKey.find(name);
        if (it == byKey.end()) throw std::logic_error("settings schema: no row is stored under " + name);
        t.push_back(std::move(it->second));
        byKey.erase(it);
    }
    if (!byKey.empty()) throw std::logic_error("settings schema: " + byKey.begin()->first + " is never written");
    return t;
}

std::vector<std::string> buildLoadOrder() {
    std::vector<std::string> o{"fontName", "tagfontSize", "Bold", "Italic", "Underline", "Strikethrough",
                               "StyleNumber", "rubyfontName", "rubyfontSize", "rubyBold", "rubyItalic",
                               "rubyUnderline", "rubyStrikethrough", "primaryColor", "secondaryColor",
                               "teritaryColor", "shadowColor", "teritaryColor2"};
    for (const char* p : {"sub1", "sub2"})
        for (const char* k : {"PrimaryColor", "SecondaryColor", "TeritaryColor", "ShadowColor", "teritaryColor2"})
            o.push_back(std::string(p) + k);
    for (const char* k :
         {"primaryAlphaLevel", "secondaryAlphaLevel", "teritaryAlphaLevel", "backAlphaLevel", "originalColor",
          "OriginalColorAlpha", "SizeWidth", "SizeHeight", "BorderStyle1", "BorderStyle2", "Outline", "shadowDepth",
          "AlignmentUp", "AlignmentMiddle", "AlignmentDown", "Oneline", "wipeType", "TagSample", "CommandLine",
          "CommandChar", "KaraokeWipe", "DisplayType1", "DisplayType2", "titleInfo", "MarginL", "MarginR", "MarginV",
          "MarginN", "AlphaLevel", "Encoding", "LineNumber", "preTime", "aftTime", "upTime", "WinAmpTime",
          "spaceTime", "primaryAlpha", "secondaryAlpha", "teritaryAlpha", "backAlpha", "rubyUp", "rubyDown",
          "rubyScale", "kintou", "lower", "spaceTimePre", "spaceTimeAft", "AutoKaigyo", "titlefontName",
          "titlefontSize", "titleBold", "titleItalic", "titleUnderline", "titleStrikethrough", "titleprimaryColor",
          "titleteritaryColor", "titleshadowColor", "titleprimaryAlphaLevel", "titleteritaryAlphaLevel",
          "titlebackAlphaLevel", "songInfoX", "songInfoY", "songInfoPreCheck", "titlefontSize1", "titlefontSize2",
          "titleEndTime", "titleY", "titleFadeIn", "titleFadeOut", "DouRetu", "songInfoCheck", "infoMode", "exColor",
          "exColor1", "exColor2", "ExColorMode", "titleDispType", "titleLengthStart", "titleLength", "songLength",
          "LyricsDisp", "LyricsDispTime", "setXpositon", "MojiSize", "spacer", "DelayTime", "oneLineCheck",
          "ColorHex", "posNo", "MakeKra", "mojiScaleY", "ClipWipe"})
        o.push_back(k);
    return o;
}

const PresetKey& keyNamed(const std::string& name) {
    static const auto byName = [] {
        std::unordered_map<std::string, const PresetKey*> m;
        for (const auto& k : presetKeys()) m.emplace(k.key, &k);
        return m;
    }();
    return *byName.at(name);
}

std::string flagText(bool on) { return on ? "True" : "False"; }

// The platform's text-to-boolean conversion: "True"/"False" in any case, or a number (non-zero is true).
std::optional<bool> parseFlag(std::string_view v) {
    std::string lower;
    for (char c : v) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!lower.empty() && lower.back() == ' ') lower.pop_back();
    while (!lower.empty() && lower.front() == ' ') lower.erase(lower.begin());
    if (lower == "true") return true;
    if (lower == "false") return false;
    if (auto n = parseNumber(v)) return *n != 0;
    return std::nullopt;
}

std::optional<int64_t> parseDecimal(std::string_view v) {
    auto n = parseNumber(v);
    if (!n || *n > 4294967295.0 || *n < -2147483648.0) return std::nullopt;
    return roundHalfEven(*n);
}

// Minutes and seconds of a joined time are written in two digits ("5" ->
// "05"), as the fields hold them once left: the text is "h:mm:ss", which
// reads the same by position and at its separators. Other texts stay as
// they are.
std::string twoDigits(const std::string& v) {
    return v.size() == 1 && v[0] >= '0' && v[0] <= '9' ? "0" + v : v;
}

// Splits "H:MM:SS" at its separators. Texts without two separators are read
// by position (hour the first character, minutes characters 3 and 4, seconds
// the last two) as older files were.
void splitJoinedTime(const std::string& v, std::string& h, std::string& m, std::string& s) {
    size_t a = v.find(':');
    size_t b = a == std::string::npos ? a : v.find(':', a + 1);
    if (b != std::string::npos) {
        h = v.substr(0, a);
        m = v.substr(a + 1, b - a - 1);
        s = v.substr(b + 1);
        return;
    }
    h = v.substr(0, std::min<size_t>(1, v.size()));
    m = v.size() > 2 ? v.substr(2, 2) : "";
    s = v.size() >= 2 ? v.substr(v.size() - 2) : v;
}

// Applies one stored value; returns false when it cannot be converted or is
// out of its setting's range (the setting then keeps what it had), with the
// reason in `why`.
bool applyValue(const PresetKey& k, const std::string& v, ConversionSettings& s, const PresetLoadHooks& hooks,
                std::string& why) {
    const SettingDef* def = findSetting(k.setting);
    switch (k.form) {
    case F::AsTyped:
    case F::FaceName:
        if (def) why = refusedStoredValue(*def, v);
        if (!why.empty()) return false;
        s.setText(k.setting, v);
        if (def && def->name == "wipe.sample" && hooks.applySample) hooks.applySample(s.index(k.setting));
        return true;
    case F::Flag: {
        auto f = parseFlag(v);
        if (!f) {
            why = "takes True or False";
            return false;
        }
        if (def && def->kind == Kind::OptionMember) {
            if (*f) s.selectMember(k.setting);  // "False" never leaves a group without a selection
        } else {
            s.setText(k.setting, *f ? "1" : "0");
        }
        return true;
    }
    case F::Box: {
        auto n = parseDecimal(v);
        if (!n) {
            why = "takes 0 or 1";
            return false;
        }
        s.setText(k.setting, *n != 0 ? "1" : "0");
        return true;
    }
    case F::Decimal: {
        auto n = parseDecimal(v);
        const Kind kind = def ? def->kind : Kind::NumberText;
        if (kind == Kind::Level && (!n || *n < 0 || *n > 10)) {
            why = k.setting + " takes a level from 0 to 10";
            return false;
        }
        if ((kind == Kind::Choice || kind == Kind::ListIndex) &&
            (!n || *n < 0 || *n > INT32_MAX || (def->choiceCount > 0 && *n >= def->choiceCount))) {
            why = k.setting + " takes an index from 0 to " +
                  (def->choiceCount > 0 ? std::to_string(def->choiceCount - 1) : std::string("2147483647"));
            return false;
        }
        if (kind == Kind::Colour && (!n || *n < 0 || *n > 0xFFFFFF)) {
            why = k.setting + " takes a colour from 0 to 16777215";
            return false;
        }
        if (!n) {
            why = "takes a whole number";
            return false;
        }
        s.setText(k.setting, std::to_string(*n));
        if (def && def->name == "wipe.sample" && hooks.applySample) hooks.applySample(static_cast<int>(*n));
        return true;
    }
    case F::OptionIndex: {
        auto n = parseDecimal(v);
        for (const auto& g : optionGroups()) {
            if (g.name != k.setting) continue;
            if (!n || *n < 1 || *n > static_cast<int64_t>(g.members.size())) {
                why = "takes 1 to " + std::to_string(g.members.size());
                return false;
            }
            s.selectMember(g.members[static_cast<size_t>(*n - 1)]);
            return true;
        }
        return false;
    }
    case F::JoinedTime: {
        std::string h, m, sec;
        splitJoinedTime(v, h, m, sec);
        for (const auto& [unit, part] : {std::pair{"H", &h}, std::pair{"M", &m}, std::pair{"S", &sec}}) {
            if (const SettingDef* d = findSetting(k.setting + unit)) why = refusedStoredValue(*d, *part);
            if (!why.empty()) return false;
        }
        s.setText(k.setting + "H", h);
        s.setText(k.setting + "M", m);
        s.setText(k.setting + "S", sec);
        return true;
    }
    }
    return false;
}

}  // namespace

const std::vector<PresetKey>& presetKeys() {
    static const std::vector<PresetKey> keys = buildKeys();
    return keys;
}

const std::vector<std::string>& presetLoadOrder() {
    static const std::vector<std::string> order = [] {
        std::vector<std::string> o = buildLoadOrder();
        std::vector<std::string> a = o, b = writeOrder();
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        if (a != b) throw std::logic_error("settings schema: a preset loads other keys than it writes");
        return o;
    }();
    return order;
}

std::string presetValueText(const PresetKey& k, const ConversionSettings& s) {
    switch (k.form) {
    case F::AsTyped:
    case F::FaceName:
        return s.text(k.setting);
    case F::Flag:
        return flagText(s.isOn(k.setting));
    case F::Box:
        return s.isOn(k.setting) ? "1" : "0";
    case F::Decimal:
        return std::to_string(s.wholeNumber(k.setting));
    case F::OptionIndex:
        return std::to_string(s.selectedMember(k.setting) + 1);
    case F::JoinedTime:
        return s.text(k.setting + "H") + ":" + twoDigits(s.text(k.setting + "M")) + ":" +
               twoDigits(s.text(k.setting + "S"));
    }
    return {};
}

std::optional<std::vector<std::pair<std::string, std::string>>> presetKeyFieldTexts(const PresetKey& k,
                                                                                    std::string_view value) {
    using Texts = std::vector<std::pair<std::string, std::string>>;
    const std::string v(value);
    switch (k.form) {
    case F::Flag: {
        auto f = parseFlag(v);
        if (!f) return std::nullopt;
        const SettingDef* def = findSetting(k.setting);
        if (!def || def->kind != Kind::OptionMember || *f) return Texts{{k.setting, *f ? "1" : "0"}};
        // A member cleared selects the other one of its pair (the flagged
        // groups, border style and display type, have two members each).
        for (const auto& g : optionGroups())
            if (g.name == def->optionGroup && g.members.size() == 2)
                return Texts{{g.members[g.members[0] == k.setting ? 1 : 0], "1"}};
        return std::nullopt;
    }
    case F::OptionIndex: {
        auto n = parseDecimal(v);
        for (const auto& g : optionGroups())
            if (g.name == k.setting && n && *n >= 1 && *n <= static_cast<int64_t>(g.members.size()))
                return Texts{{g.members[static_cast<size_t>(*n - 1)], "1"}};
        return std::nullopt;
    }
    case F::JoinedTime: {
        if (std::count(v.begin(), v.end(), ':') != 2) return std::nullopt;
        std::string h, m, sec;
        splitJoinedTime(v, h, m, sec);
        return Texts{{k.setting + "H", h}, {k.setting + "M", m}, {k.setting + "S", sec}};
    }
    case F::AsTyped:
    case F::FaceName:
    case F::Box:
    case F::Decimal:
        break;
    }
    return Texts{{k.setting, v}};
}

bool savePresetSettings(IniFile& ini, const std::string& name, ConversionSettings& s) {
    for (const char* p : {"titleFontPixcel", "titleFontPixcel1", "titleFontPixcel2"}) s.recomputePixelHeight(p);
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto& k : presetKeys()) values.emplace_back(k.key, presetValueText(k, s));
    return ini.setValues(name, values);
}

std::string refusedPresetName(std::string_view name) {
    if (name == kInfoSection) return kInfoNameRefused;
    if (name == kTagSection) return kTagNameRefused;
    if (name.find_first_of("\r\n[]") != std::string_view::npos) return kPresetNameCharsRefused;
    return {};
}

void loadPresetSettings(const IniFile& ini, const std::string& name, ConversionSettings& s,
                        const PresetLoadHooks& hooks) {
    for (const auto& keyName : presetLoadOrder()) {
        const PresetKey& k = keyNamed(keyName);
        std::string fallback = k.followsSetting.empty() ? k.defaultValue : s.text(k.followsSetting);
        std::string v = ini.value(name, k.key, fallback);
        std::string why;
        if (!applyValue(k, v, s, hooks, why)) {
            if (hooks.reporter)
                hooks.reporter->warning("[" + name + "] " + k.key + "=" + v + " is not used (" + why +
                                            "); the default \"" + fallback + "\" is used instead",
                                        ini.path());
            applyValue(k, fallback, s, hooks, why);
        }
        // Each font size brings its pixel height along.
        for (const auto& src : pixelHeightSources())
            if (src.sizeName == k.setting) s.recomputePixelHeight(src.pixelName);
    }
}

std::vector<std::string> listPresets(const IniFile& ini) {
    std::vector<std::string> out;
    for (const auto& n : ini.sectionNames())
        if (n != kInfoSection && n != kTagSection) out.push_back(n);
    return out;
}

bool PresetManager::contains(std::string_view name) const {
    return std::find(m_list.begin(), m_list.end(), name) != m_list.end();
}

void PresetManager::startUp(ConversionSettings& s, const PresetLoadHooks& hooks,
                            const std::function<void()>& beforeLoad) {
    m_list = listPresets(m_ini);
    m_current = kDefaultPreset;
    if (beforeLoad) beforeLoad();
    loadPresetSettings(m_ini, m_current, s, hooks);
    savePresetSettings(m_ini, m_current, s);
    // "default" exists from now on, so it is listed from now on: on a first
    // start too it can be chosen again after another preset was saved, and
    // deleting the only other preset leaves it to fall back on. Listed where
    // the store put its section, as the next start lists it.
    if (!contains(kDefaultPreset)) m_list = listPresets(m_ini);
}

bool PresetManager::select(const std::string& name, ConversionSettings& s, const PresetLoadHooks& hooks) {
    if (!contains(name)) return false;
    m_current = name;
    loadPresetSettings(m_ini, m_current, s, hooks);
    return true;
}

bool PresetManager::save(const std::string& name, ConversionSettings& s, Reporter& r) {
    if (std::string why = refusedPresetName(name); !why.empty()) {
        r.error(why);
        return false;
    }
    if (!savePresetSettings(m_ini, name, s)) return false;
    if (!contains(name)) m_list.push_back(name);
    m_current = name;
    return m_ini.save();
}

bool PresetManager::remove(const std::string& name, ConversionSettings& s, const PresetLoadHooks& hooks,
                           Reporter& r) {
    if (name == kDefaultPreset) {
        r.error(kDefaultNotDeletable);
        return false;
    }
    bool saved = true;
    if (auto it = std::find(m_list.begin(), m_list.end(), name); it != m_list.end()) {
        m_list.erase(it);
        m_ini.remove(name, "");
        saved = m_ini.save();
    }
    if (m_current != name) savePresetSettings(m_ini, m_current, s);
    m_current = m_list.empty() ? std::string(kDefaultPreset) : m_list.front();
    loadPresetSettings(m_ini, m_current, s, hooks);
    return saved;
}

void PresetManager::saveOnClose(const std::string& comboText, ConversionSettings& s) {
    std::string target = refusedPresetName(comboText).empty() ? comboText : m_current;
    if (!contains(target)) m_list.push_back(target);
    m_current = target;
    savePresetSettings(m_ini, target, s);
}

std::optional<std::string> PresetManager::storedValueOf(std::string_view settingName) const {
    for (const auto& k : presetKeys())
        if (k.setting == settingName && (k.form == F::AsTyped || k.form == F::Decimal))
            return m_ini.findValue(m_current, k.key);
    return std::nullopt;
}

}  // namespace kvelmor::settings
