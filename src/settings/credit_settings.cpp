#include "settings/credit_settings.h"

#include <algorithm>
#include <stdexcept>

#include "common/encoding.h"
#include "common/number_text.h"

namespace kvelmor::settings {
namespace {

using K = CreditKind;
using L = CreditLeave;

std::vector<CreditFieldDef> buildCreditTable() {
    return {
        {"Command1", K::FontFace, "MS UI Gothic", L::None},
        {"Command1.Bold", K::FontFlag, "0", L::None},
        {"Command1.Italic", K::FontFlag, "0", L::None},
        {"Command1.Underline", K::FontFlag, "0", L::None},
        {"Command1.Strikethrough", K::FontFlag, "0", L::None},
        {"PrimaryColor", K::Colour, "65535", L::None},
        {"TeritaryColor", K::Colour, "0", L::None},
        {"ShadowColor", K::Colour, "0", L::None},
        {"PrimaryAlpha", K::Level, "0", L::None},
        {"TeritaryAlpha", K::Level, "0", L::None},
        {"BackAplha", K::Level, "5", L::None},
        {"posX", K::Number, "512", L::None},
        {"posY", K::Number, "48", L::None},
        {"CreditFontSize", K::Number, "20", L::Zero},
        {"Credit", K::Text, "", L::None},
        {"FadeIn", K::Number, "500", L::None},
        {"FadeOut", K::Number, "500", L::None},
        {"titleStartH", K::Number, "0", L::Zero},
        {"titleStartM", K::Number, "00", L::PadTwoDigits},
        {"titleStartS", K::Number, "00", L::PadTwoDigits},
        // The end fields follow the start fields' rules, so both times always
        // hold the same form.
        {"titleEndH", K::Number, "0", L::Zero},
        {"titleEndM", K::Number, "00", L::PadTwoDigits},
        {"titleEndS", K::Number, "00", L::PadTwoDigits},
        {"Combo1", K::ListIndex, "0", L::None},
        {"CreditTag", K::Text, "", L::None},
        {"xRight", K::Box, "0", L::None},
    };
}

size_t fieldIndex(std::string_view name) {
    const auto& t = creditFieldTable();
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i].name == name) return i;
    throw std::out_of_range("unknown credit field: " + std::string(name));
}

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// A whole number within [low, high] written without sign, point or exponent
// ("7", not "7.0" or "+7"), so what is stored is what a dialog would store.
bool wholeInRange(std::string_view v, int64_t low, int64_t high) {
    if (v.empty() || v.size() > 10) return false;
    if (!std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    int64_t n = 0;
    for (char c : v) n = n * 10 + (c - '0');
    return n >= low && n <= high;
}

std::string unknownFieldError(std::string_view field) {
    const std::string name(field);
    return name + ": the credit settings have no field \"" + name + "\"";
}

}  // namespace

const std::vector<CreditFieldDef>& creditFieldTable() {
    static const std::vector<CreditFieldDef> table = buildCreditTable();
    return table;
}

const CreditFieldDef* findCreditField(std::string_view name) {
    for (const auto& d : creditFieldTable())
        if (d.name == name) return &d;
    return nullptr;
}

CreditSettings::CreditSettings() {
    for (const auto& d : creditFieldTable()) m_values.emplace_back(d.name, d.defaultValue);
}

const std::string& CreditSettings::text(std::string_view field) const { return m_values[fieldIndex(field)].second; }

void CreditSettings::setText(std::string_view field, std::string value) {
    m_values[fieldIndex(field)].second = std::move(value);
}

bool CreditSettings::has(std::string_view field) const { return findCreditField(field) != nullptr; }

bool CreditSettings::acceptsKey(std::string_view field, char32_t key) const {
    const CreditFieldDef* def = findCreditField(field);
    if (!def) return false;
    if (key == U'\b') return true;
    switch (def->kind) {
    case K::Number: return isDigit(key);
    case K::Text:
    case K::FontFace: return key >= 0x20 && key != 0x7F;
    case K::FontFlag:
    case K::Colour:
    case K::Level:
    case K::ListIndex:
    case K::Box: return true;
    }
    return true;
}

Change CreditSettings::leaveField(std::string_view field) {
    const CreditFieldDef* def = findCreditField(field);
    if (!def) return {false, unknownFieldError(field), {}};
    std::string& value = m_values[fieldIndex(field)].second;
    const bool numeric = isNumeric(value);
    switch (def->onLeave) {
    case L::None: break;
    case L::Zero:
        if (!numeric) value = "0";
        break;
    case L::PadTwoDigits:
        if (!numeric) value = "00";
        else if (value.size() == 1) value = "0" + value;
        break;
    }
    return {};
}

void CreditSettings::followFrame(int64_t oldWidth, int64_t oldHeight, int64_t newWidth, int64_t newHeight) {
    auto follow = [&](std::string_view field, int64_t before, int64_t after) {
        if (before != after && text(field) == std::to_string(before)) setText(field, std::to_string(after));
    };
    follow("posX", oldWidth * 8 / 10, newWidth * 8 / 10);
    follow("posY", oldHeight / 10, newHeight / 10);
}

Change CreditSettings::setAsUser(std::string_view field, std::string_view value) {
    const CreditFieldDef* def = findCreditField(field);
    const std::string name(field);
    if (!def) return {false, unknownFieldError(field), {}};
    auto refuse = [&](const std::string& why) { return Change{false, name + ": " + why, {}}; };
    switch (def->kind) {
    case K::Number:
    case K::Text:
    case K::FontFace: {
        if (!isValidUtf8(value)) return refuse("is not valid UTF-8 text");
        // Backspace edits a field; it is never part of a value.
        for (char32_t c : toU32(value)) {
            if (c != U'\b' && acceptsKey(field, c)) continue;
            return refuse(def->kind == K::Number ? "takes the digits 0-9 only"
                                                 : "takes one line of text without control characters");
        }
        if (def->kind == K::FontFace && value.empty()) return refuse("takes a font face name");
        setText(field, std::string(value));
        return leaveField(field);
    }
    case K::FontFlag:
    case K::Box:
        if (value != "0" && value != "1") return refuse("takes 0 or 1");
        break;
    case K::Colour:
        if (!wholeInRange(value, 0, 0xFFFFFF))
            return refuse("takes a colour as a decimal number from 0 to 16777215 (0x00BBGGRR)");
        break;
    case K::Level:
        if (!wholeInRange(value, 0, 10)) return refuse("takes a level from 0 to 10");
        break;
    case K::ListIndex:
        if (!wholeInRange(value, 0, 2)) return refuse("takes an index from 0 to 2");
        break;
    }
    // Leading zeros ("007") are dropped, as a dialog or list would store it.
    std::string held(value);
    if (def->kind != K::FontFlag && def->kind != K::Box) held = std::to_string(toWholeNumber(value));
    setText(field, std::move(held));
    return {};
}

}  // namespace kvelmor::settings
