// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/hyphenation.h"

#include <hyphen.h>

#include <filesystem>

namespace kvelmor::timing {

Hyphenator::Hyphenator(const std::string& dictionaryPath) {
    if (!dictionaryPath.empty()) m_dict = hnj_hyphen_load(dictionaryPath.c_str());
}

Hyphenator::~Hyphenator() {
    if (m_dict) hnj_hyphen_free(static_cast<HyphenDict*>(m_dict));
}

std::vector<std::u32string> Hyphenator::parts(const std::u32string& word) const {
    std::string ascii;
    for (char32_t c : word) {
        if (c >= 0x80 || c == 0) return {word};
        ascii += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);  // the patterns are lower case
    }
    if (!m_dict || ascii.size() < 4) return {word};
    std::vector<char> hyphens(ascii.size() + 5, '0');
    char** rep = nullptr;
    int* pos = nullptr;
    int* cut = nullptr;
    if (hnj_hyphen_hyphenate2(static_cast<HyphenDict*>(m_dict), ascii.c_str(), static_cast<int>(ascii.size()),
                              hyphens.data(), nullptr, &rep, &pos, &cut) != 0)
        return {word};
    // Non-standard hyphenation (replacements) does not occur in English patterns; it is ignored.
    if (rep) {
        for (size_t i = 0; i < ascii.size(); ++i) free(rep[i]);
        free(rep);
        free(pos);
        free(cut);
    }
    std::vector<std::u32string> out;
    size_t from = 0;
    // An odd digit after character i allows a break after it; one letter alone
    // at either end is no syllable of its own.
    for (size_t i = 0; i + 1 < ascii.size(); ++i) {
        if ((hyphens[i] - '0') % 2 == 1 && i + 1 - from >= 1 && i >= 1 && ascii.size() - (i + 1) >= 2) {
            out.push_back(word.substr(from, i + 1 - from));
            from = i + 1;
        }
    }
    out.push_back(word.substr(from));
    return out;
}

std::string Hyphenator::defaultDictionary() {
    for (const char* p : {"/usr/share/hyphen/hyph_en_US.dic", "/usr/share/hyphen/hyph_en.dic"})
        if (std::filesystem::exists(p)) return p;
    return {};
}

}  // namespace kvelmor::timing
