// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language the windows speak. Their texts are written in Japanese and
// go through Qt's translation system; English comes from the translation
// built into the program (translations/kvelmor_en.ts). The choice changes
// only what the windows show: the settings file, presets, scripts and every
// other file written are the same in either language.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "common/reporter.h"

namespace kvelmor::ui {

enum class Language { Japanese, English };

// Japanese for a ja* locale, English for any other.
Language languageOfLocale(const QString& localeName);
Language systemLanguage();

// "ja" and "en" (as --lang and the stored choice spell them).
std::optional<Language> languageNamed(const QString& code);
QString languageCode(Language language);

// Installs the translations of `language` into the application (the
// window's own and Qt's dialogs' and buttons'), replacing those of the
// language before. Texts made after the call are in the new language.
// False when the English translation is missing from the program.
bool useLanguage(Language language);
Language currentLanguage();

// The choice made in the 表示言語 menu, kept in a small file beside the
// settings file (the settings file itself stays the same whatever the
// language): empty when none was made or the file cannot be read.
std::string languageChoicePath(const std::string& settingsPath);
std::optional<Language> storedLanguage(const std::string& settingsPath);
bool storeLanguage(const std::string& settingsPath, Language language);

// The language to start in: --lang when given, else the stored choice,
// else the system's.
Language startLanguage(const QString& langOption, const std::string& settingsPath);

// The property of a widget or action whose text is shown as written in
// either language: a language's own name in the Language menu, lyrics,
// sample text, file names. The check for untranslated texts passes it over.
inline constexpr const char* kShownAsWritten = "kvelmorShownAsWritten";

// A report of the core, or a text of one, as the window shows it: in
// Japanese, or in English with the checks' Japanese messages put into
// English.
QString reportText(const Report& r);
QString messageText(std::string_view text);

}  // namespace kvelmor::ui
