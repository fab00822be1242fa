// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/credit_settings.h"

#include <algorithm>
#include <stdexcept>

#include "common/encoding.h"
#include "common/number_text.h"

namespace kvelmor::settings {
namespace {

size_t fieldIndex(std::string_view name) {
    const SettingDef* d = findCreditField(name);
    if (!d) throw std::out_of_range("unknown credit field: " + std::string(name));
    return static_cast<size_t>(d - creditFieldTable().data());
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

CreditSettings::CreditSettings() {
    for (const auto& d : creditFieldTable()) m_values.emplace_back(d.field, d.defaultValue);
}

const std::string& CreditSettings::text(std::string_view field) const { return m_values[fieldIndex(field)].second; }

void CreditSettings::setText(std::string_view field, std::string value) {
    m_values[fieldIndex(field)].second = std::move(value);
}

bool CreditSettings::has(std::string_view field) const { return findCreditField(field) != nullptr; }

bool CreditSettings::acceptsKey(std::string_view field, char32_t key) const {
    const SettingDef* def = findCreditField(field);
    if (!def) return false;
    if (key == U'\b') return true;
    switch (def->kind) {
    case Kind::NumberText: return isDigit(key);
    case Kind::Text:
    case Kind::FontFace: return key >= 0x20 && key != 0x7F;
    default: return true;
    }
}

Change CreditSettings::leaveField(std::string_view field) {
    const SettingDef* def = findCreditField(field);
    if (!def) return {false, unknownFieldError(field), {}};
    std::string& value = m_values[fieldIndex(field)].second;
    const FieldReaction& r = def->onLeave;
    if (!isNumeric(value)) {
        if (r.replace == Replace::Zero) value = "0";
        if (r.replace == Replace::DoubleZero) value = "00";
    } else if (r.padOneDigit && value.size() == 1) {
        value = "0" + value;
    }
    return {};
}

void CreditSettings::followFrame(int64_t oldWidth, int64_t oldHeight, int64_t newWidth, int64_t newHeight) {
    auto follow = [&](std::string_view field, int64_t before, int64_t after) {
        if (before != after && text(field) == std::to_string(before)) setText(field, std::to_string(after));
    };
    follow("credit.posX", oldWidth * 8 / 10, newWidth * 8 / 10);
    follow("credit.posY", oldHeight / 10, newHeight / 10);
}

Change CreditSettings::setAsUser(std::string_view field, std::string_view value) {
    const SettingDef* def = findCreditField(field);
    if (!def) return {false, unknownFieldError(field), {}};
    auto refuse = [&](const std::string& why) { return Change{false, shownName(*def) + ": " + why, {}}; };
    switch (def->kind) {
    case Kind::NumberText:
    case Kind::Text:
    case Kind::FontFace: {
        if (!isValidUtf8(value)) return refuse("is not valid UTF-8 text");
        // Backspace edits a field; it is never part of a value.
        for (char32_t c : toU32(value)) {
            if (c != U'\b' && acceptsKey(field, c)) continue;
            return refuse(def->kind == Kind::NumberText ? "takes the digits 0-9 only"
                                                 : "takes one line of text without control characters");
        }
        if (def->kind == Kind::FontFace && value.empty()) return refuse("takes a font face name");
        setText(field, std::string(value));
        return leaveField(field);
    }
    case Kind::FontFlag:
    case Kind::Box:
        if (value != "0" && value != "1") return refuse("takes 0 or 1");
        break;
    case Kind::Colour:
        if (const auto hex = hexColourValue(value)) {
            setText(field, std::to_string(*hex));
            return {};
        }
        if (!wholeInRange(value, 0, 0xFFFFFF)) return refuse(kColourRefusal);
        break;
    case Kind::Level:
        if (!wholeInRange(value, 0, 10)) return refuse("takes a level from 0 to 10");
        break;
    case Kind::ListIndex:
    case Kind::Choice:
        if (!wholeInRange(value, 0, def->choiceCount - 1))
            return refuse("takes an index from 0 to " + std::to_string(def->choiceCount - 1));
        break;
    case Kind::OptionMember:
    case Kind::PixelHeight:
        return refuse("cannot be set");
    }
    // Leading zeros ("007") are dropped, as a dialog or list would store it.
    std::string held(value);
    if (def->kind != Kind::FontFlag && def->kind != Kind::Box) held = std::to_string(toWholeNumber(value));
    setText(field, std::move(held));
    return {};
}

}  // namespace kvelmor::settings
