// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kvelmor {

namespace {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Length of the number at the start of s (0 when there is none).
size_t numberPrefix(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') { ++i; ++digits; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    return i;
}

double toDouble(std::string_view s) {
    std::string copy(s);
    return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

bool isNumeric(std::string_view text) {
    auto s = trimBlanks(text);
    return !s.empty() && numberPrefix(s) == s.size();
}

std::optional<double> parseNumber(std::string_view text) {
    auto s = trimBlanks(text);
    if (s.empty() || numberPrefix(s) != s.size()) return std::nullopt;
    return toDouble(s);
}

double leadingNumber(std::string_view text) {
    auto s = trimBlanks(text);
    size_t n = numberPrefix(s);
    return n == 0 ? 0.0 : toDouble(s.substr(0, n));
}

int32_t toWholeNumber(std::string_view text) {
    auto v = parseNumber(text);
    if (!v) return 0;
    int64_t r = roundHalfEven(*v);
    if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (r < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

std::string realToText(double v) {
    // Whole numbers as plain digits, never in exponent form (620, not 6.2e+02).
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15) {
        return std::to_string(static_cast<int64_t>(v));
    }
    char buf[64];
    for (int prec = 1; prec <= 17; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*g", prec, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    return buf;
}

std::optional<int64_t> hexColourValue(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    int64_t rgb = 0;
    for (char c : text.substr(1)) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return std::nullopt;
        rgb = rgb * 16 + d;
    }
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

}  // namespace kvelmor
