// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/conversion_settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "common/encoding.h"
#include "common/number_text.h"
#include "measure/text_measure.h"

namespace kvelmor::settings {

namespace {

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            char ca = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i - 1])));
            char cb = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j - 1])));
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca == cb ? 0 : 1)});
        }
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

}  // namespace

std::vector<std::string> closestSettingNames(std::string_view name, size_t count) {
    std::vector<std::pair<size_t, std::string>> scored;
    for (const auto& d : settingTable()) {
        if (d.kind == Kind::PixelHeight) continue;
        // Each setting once, by whichever of its names is closer (its field name on a tie).
        const size_t byField = editDistance(name, d.field), byName = editDistance(name, d.name);
        if (byName < byField) scored.emplace_back(byName, d.name);
        else scored.emplace_back(byField, d.field);
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < scored.size() && i < count; ++i) out.push_back(scored[i].second);
    return out;
}

ConversionSettings::ConversionSettings() {
    const auto& table = settingTable();
    m_values.reserve(table.size());
    // Defaults that follow another setting always follow one defined earlier.
    for (const auto& d : table)
        m_values.push_back(d.followsDefault.empty() ? d.defaultValue : m_values[indexOf(d.followsDefault)]);
}

size_t ConversionSettings::indexOf(std::string_view name) const {
    const SettingDef* d = findSetting(name);
    if (!d) throw std::out_of_range("unknown setting: " + std::string(name));
    return static_cast<size_t>(d - settingTable().data());
}

const std::string& ConversionSettings::text(std::string_view name) const { return m_values[indexOf(name)]; }

void ConversionSettings::setText(std::string_view name, std::string value) {
    m_values[indexOf(name)] = std::move(value);
}

int32_t ConversionSettings::wholeNumber(std::string_view name) const { return toWholeNumber(text(name)); }
double ConversionSettings::real(std::string_view name) const { return leadingNumber(text(name)); }
bool ConversionSettings::isOn(std::string_view name) const { return wholeNumber(name) != 0; }
int32_t ConversionSettings::index(std::string_view name) const { return wholeNumber(name); }

uint32_t ConversionSettings::colour(std::string_view name) const {
    auto v = parseNumber(text(name));
    if (!v || *v < 0) return 0;
    return static_cast<uint32_t>(std::min<double>(*v, 0xFFFFFFFFu));
}

namespace {

// The field of a font button named either way ("lyricsFont.face" or "Command2"):
// its flags are fields named after it.
std::string fontField(std::string_view fontName) {
    const SettingDef* d = findSetting(fontName);
    return d ? d->field : std::string(fontName);
}

}  // namespace

FontValue ConversionSettings::font(std::string_view fontName) const {
    const std::string n = fontField(fontName);
    return {text(n), isOn(n + ".Bold"), isOn(n + ".Italic"), isOn(n + ".Underline"), isOn(n + ".Strikethrough")};
}

void ConversionSettings::setFont(std::string_view fontName, const FontValue& f) {
    const std::string n = fontField(fontName);
    setText(n, f.face);
    setText(n + ".Bold", f.bold ? "1" : "0");
    setText(n + ".Italic", f.italic ? "1" : "0");
    setText(n + ".Underline", f.underline ? "1" : "0");
    setText(n + ".Strikethrough", f.strikethrough ? "1" : "0");
}

int ConversionSettings::selectedMember(std::string_view group) const {
    for (const auto& g : optionGroups()) {
        if (g.name != group) continue;
        for (size_t i = 0; i < g.members.size(); ++i)
            if (isOn(g.members[i])) return static_cast<int>(i);
        return 0;
    }
    throw std::out_of_range("unknown option group: " + std::string(group));
}

const std::string& ConversionSettings::selectedMemberName(std::string_view group) const {
    for (const auto& g : optionGroups())
        if (g.name == group) return g.members[static_cast<size_t>(selectedMember(group))];
    throw std::out_of_range("unknown option group: " + std::string(group));
}

void ConversionSettings::selectMember(std::string_view memberName) {
    const SettingDef* def = findSetting(memberName);
    if (!def || def->kind != Kind::OptionMember) throw std::out_of_range("not an option: " + std::string(memberName));
    for (const auto& g : optionGroups())
        if (g.name == def->optionGroup)
            for (const auto& m : g.members) setText(m, m == def->field ? "1" : "0");
}

std::string ConversionSettings::replacementFor(const SettingDef& def, Replace r) const {
    switch (r) {
    case Replace::Zero: return "0";
    case Replace::One: return "1";
    case Replace::Ten: return "10";
    case Replace::DoubleZero: return "00";
    case Replace::PresetValue: {
        if (storedPresetValue) {
            if (auto v = storedPresetValue(def.field); v && isNumeric(*v) && toWholeNumber(*v) != 0) return *v;
        }
        return def.defaultValue;
    }
    case Replace::None:
    case Replace::ClearBox: break;
    }
    return text(def.field);
}

Change ConversionSettings::react(const SettingDef& def, const FieldReaction& r, bool leaving) {
    Change c;
    if (!r.reacts) return c;
    std::string& value = m_values[indexOf(def.field)];
    bool numeric = isNumeric(value);
    // The size fields also take "0" as "not set".
    if (r.replace == Replace::PresetValue && numeric && toWholeNumber(value) == 0) numeric = false;
    if (!numeric) {
        if (r.replace != Replace::None && r.replace != Replace::ClearBox) value = replacementFor(def, r.replace);
    } else if (r.padOneDigit && utf8Length(value) == 1) {
        value = "0" + value;
    }
    followRules(def, numeric, leaving, false);
    if (!r.refreshOnlyWhenNumeric || numeric) c.refresh = r.refresh;
    return c;
}

void ConversionSettings::followRules(const SettingDef& def, bool numeric, bool leaving, bool ticked) {
    using Does = FollowRule::Does;
    using When = FollowRule::When;
    for (const FollowRule& rule : def.rules) {
        switch (rule.when) {
        case When::Always: break;
        case When::Numeric:
            if (!numeric) continue;
            break;
        case When::NotNumeric:
            if (numeric) continue;
            break;
        case When::NumericOnLeave:
            if (!numeric || !leaving) continue;
            break;
        case When::Ticked:
            if (!ticked) continue;
            break;
        }
        switch (rule.does) {
        case Does::CopyTo: setText(rule.target, text(def.field)); break;
        case Does::TenTimesTo:
            setText(rule.target, std::to_string(static_cast<int64_t>(wholeNumber(def.field)) * 10));
            break;
        case Does::FillFromTenTimes:
            setText(rule.target, std::to_string(static_cast<int64_t>(wholeNumber(rule.source)) * 10));
            break;
        case Does::ClearOther: setText(rule.target, "0"); break;
        case Does::MeasurePixelHeight: recomputePixelHeight(rule.target); break;
        case Does::KeepRowGapAboveRuby: keepRowGapAboveRuby(true); break;
        case Does::KeepRowGapAboveRubyUnscaled: keepRowGapAboveRuby(false); break;
        case Does::FaceToAllFonts:
            for (std::string_view f : {kRubyFontField, kSongInfoFontField}) setText(f, text(def.field));
            break;
        case Does::SongInfoColour:
            if (std::to_string(index("songInfo.coloursFrom")) == rule.source) setText(rule.target, text(def.field));
            break;
        }
    }
}

Change ConversionSettings::pressEnter(std::string_view name) {
    const SettingDef* def = findSetting(name);
    if (!def) return {false, "unknown setting: " + std::string(name), {}};
    // A field without an Enter rule of its own takes the typed value on
    // Enter as it does on being left, so Enter never leaves a value unused.
    return react(*def, def->onEnter.reacts ? def->onEnter : def->onLeave, !def->onEnter.reacts);
}

bool ConversionSettings::enterActsAsLeaving(std::string_view name) const {
    const SettingDef* def = findSetting(name);
    return def && !def->onEnter.reacts && def->onLeave.reacts;
}

Change ConversionSettings::leaveField(std::string_view name) {
    const SettingDef* def = findSetting(name);
    if (!def) return {false, "unknown setting: " + std::string(name), {}};
    return react(*def, def->onLeave, true);
}

bool ConversionSettings::acceptsKey(std::string_view name, char32_t key) const {
    const SettingDef* def = findSetting(name);
    if (!def || def->kind != Kind::NumberText) return true;
    if (key == U'\b') return true;
    bool digit = key >= U'0' && key <= U'9';
    switch (def->accepts) {
    case Accepts::Digits: return digit;
    case Accepts::DigitsMinus: return digit || key == U'-';
    case Accepts::DigitsPoint: return digit || key == U'.';
    case Accepts::AnyKey: return true;
    }
    return true;
}

void ConversionSettings::recomputePixelHeight(std::string_view pixelName) {
    if (!m_measurer) return;
    const SettingDef* pixel = findSetting(pixelName);
    for (const auto& s : pixelHeightSources()) {
        if (!pixel || s.pixelName != pixel->field) continue;
        int32_t size = wholeNumber(s.sizeName);
        int32_t h = size > 0 ? measure::textHeight(*m_measurer, text(s.fontName), size, "あ") : 0;
        setText(s.pixelName, std::to_string(h));
    }
}

void ConversionSettings::keepRowGapAboveRuby(bool byVerticalScale) {
    // The ruby height, scaled by the vertical scale (taken to two decimals)
    // where asked, keeps the row gap at least as large.
    double scale = byVerticalScale ? static_cast<double>(roundHalfEven(real("scale.y") * 100)) / 100.0 : 1.0;
    int64_t height = roundHalfEven(static_cast<double>(wholeNumber("rubyFont.pixelHeight")) * scale);
    if (height > wholeNumber("margin.rowGap")) setText("margin.rowGap", std::to_string(height));
}

void ConversionSettings::recomputeAllPixelHeights() {
    for (const auto& s : pixelHeightSources()) recomputePixelHeight(s.pixelName);
}

namespace {

bool isBoxText(std::string_view v) { return v == "0" || v == "1"; }

// A whole number from lo to hi; the test runs on the real, so no value out of
// an integer's range is ever converted to one.
bool isWhole(double v, double lo, double hi) { return v >= lo && v <= hi && v == std::trunc(v); }

std::string numberWords(double v) { return realToText(v); }

}  // namespace

std::string takesText(const SettingDef& d) {
    if (d.kind != Kind::NumberText) return {};
    std::string keys;
    switch (d.accepts) {
    case Accepts::Digits: keys = "digits"; break;
    case Accepts::DigitsMinus: keys = "digits and \"-\""; break;
    case Accepts::DigitsPoint: keys = "digits and \".\""; break;
    case Accepts::AnyKey: keys = "a number"; break;
    }
    if (!d.range) return keys;
    const NumberRange& r = *d.range;
    const bool whole = d.accepts == Accepts::Digits || d.accepts == Accepts::DigitsMinus;
    std::string what = whole ? "a whole number" : "a number";
    if (r.aboveMin) return keys + ": " + what + " above " + numberWords(r.min) + " and at most " + numberWords(r.max);
    return keys + ": " + what + " from " + numberWords(r.min) + " to " + numberWords(r.max);
}

std::string refusedValue(const SettingDef& d, std::string_view value) {
    if (d.kind != Kind::NumberText) return {};
    for (char c : value) {
        const bool digit = c >= '0' && c <= '9';
        const bool ok = d.accepts == Accepts::AnyKey || digit || (d.accepts == Accepts::DigitsMinus && c == '-') ||
                        (d.accepts == Accepts::DigitsPoint && c == '.');
        if (!ok) return shownName(d) + " takes " + takesText(d) + ", not \"" + std::string(value) + "\"";
    }
    // A value given whole must be a number where the field counts one: the
    // text the field would turn into 0 ("nan", "inf", "0x10", "1-2") is no
    // value the user meant. Empty clears the field as in the window; a text
    // that unticks a box when the field is left has that meaning.
    const bool clearsBox = d.onLeave.reacts && d.onLeave.replace == Replace::ClearBox;
    if (d.range && !value.empty() && !clearsBox && !parseNumber(value))
        return shownName(d) + " takes " + takesText(d) + ", not \"" + std::string(value) + "\"";
    return refusedStoredValue(d, value);
}

std::string refusedStoredValue(const SettingDef& d, std::string_view value) {
    if (d.kind != Kind::NumberText || !d.range) return {};
    auto v = parseNumber(value);
    // A field that replaces a non-number never holds one.
    const bool replaces = (d.onLeave.reacts && d.onLeave.replace != Replace::None) ||
                          (d.onEnter.reacts && d.onEnter.replace != Replace::None);
    if (!v) return replaces && d.onLeave.replace != Replace::ClearBox ? shownName(d) + " takes " + takesText(d) : std::string();
    // The size fields take 0 as "the preset's value", which is never stored.
    if (!d.range->contains(*v)) return shownName(d) + " takes " + takesText(d);
    return {};
}

namespace {

}  // namespace

Change ConversionSettings::setAsUser(std::string_view name, std::string_view value) {
    const SettingDef* def = findSetting(name);
    if (!def) return {false, "unknown setting: " + std::string(name), {}};
    auto refuse = [&](const std::string& why) { return Change{false, shownName(*def) + ": " + why, {}}; };
    switch (def->kind) {
    case Kind::NumberText:
    case Kind::Text: {
        // Kept whole so that a refused value leaves every field as it was
        // (a reaction may have copied the value into another field).
        std::vector<std::string> before = m_values;
        setText(name, std::string(value));
        Change c;
        if (def->onLeave.reacts) c = leaveField(name);
        else if (def->onEnter.reacts) c = pressEnter(name);
        if (def->range) {
            auto v = parseNumber(text(name));
            if (v && !def->range->contains(*v)) {
                m_values = std::move(before);
                return refuse("takes " + takesText(*def));
            }
        }
        return c;
    }
    case Kind::Box:
        if (!isBoxText(value)) return refuse("takes 0 or 1");
        setText(name, std::string(value));
        followRules(*def, true, false, value == "1");
        return {true, {}, def->onChange};
    case Kind::OptionMember:
        if (value != "1") return refuse("select an option with 1 (select another member to clear this one)");
        selectMember(name);
        return {true, {}, def->onChange};
    case Kind::Choice:
    case Kind::ListIndex: {
        // Compared as reals before any conversion: 1e300 has no int.
        const double last = def->choiceCount > 0 ? def->choiceCount - 1 : INT32_MAX;
        auto v = parseNumber(value);
        if (!v || !isWhole(*v, 0, last))
            return refuse("takes an index from 0 to " + std::to_string(std::max(def->choiceCount - 1, 0)));
        setText(name, std::to_string(static_cast<int32_t>(*v)));
        followRules(*def, true, false, false);
        return {true, {}, def->onChange};
    }
    case Kind::Level: {
        auto v = parseNumber(value);
        if (!v || !isWhole(*v, 0, 10)) return refuse("takes a level from 0 to 10");
        setText(name, std::to_string(static_cast<int32_t>(*v)));
        return {true, {}, def->onChange};
    }
    case Kind::Colour: {
        auto v = hexColourValue(value);
        if (!v) {
            const auto n = parseNumber(value);
            if (!n || !isWhole(*n, 0, 0xFFFFFF)) return refuse(kColourRefusal);
            v = static_cast<int64_t>(*n);
        }
        setText(name, std::to_string(*v));
        followRules(*def, true, false, false);
        return {true, {}, def->onChange};
    }
    case Kind::FontFace: {
        FontValue f = font(def->field);
        f.face = std::string(value);
        return chooseFont(def->field, f, wholeNumber(fontSizeField(def->field)));
    }
    case Kind::FontFlag:
        if (!isBoxText(value)) return refuse("takes 0 or 1");
        setText(name, std::string(value));
        return {true, {}, def->onChange};
    case Kind::PixelHeight:
        return refuse("is derived from its font and size and cannot be set");
    }
    return {};
}

Change ConversionSettings::chooseFont(std::string_view fontName, const FontValue& f, int32_t pointSize) {
    const SettingDef* def = findSetting(fontName);
    if (!def || def->kind != Kind::FontFace) return {false, "not a font: " + std::string(fontName), {}};
    setText(def->field, f.face);
    setText(def->field + ".Bold", f.bold ? "1" : "0");
    setText(def->field + ".Italic", f.italic ? "1" : "0");
    setText(fontSizeField(def->field), std::to_string(pointSize));
    followRules(*def, true, false, false);
    return {true, {}, def->onChange};
}

}  // namespace kvelmor::settings
