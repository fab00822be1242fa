// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <filesystem>
#include <memory>

#include "app/glosses.h"
#include "common/file_io.h"
#include "common/japanese_text.h"
#include "ui/qt_text.h"

namespace kvelmor::ui {
namespace {

Language g_language = Language::Japanese;
// The translators installed for the current language, replaced as a whole.
std::unique_ptr<QTranslator> g_window;
std::unique_ptr<QTranslator> g_qt;

}  // namespace

Language languageOfLocale(const QString& localeName) {
    return localeName.startsWith(QLatin1String("ja")) ? Language::Japanese : Language::English;
}

Language systemLanguage() { return languageOfLocale(QLocale::system().name()); }

std::optional<Language> languageNamed(const QString& code) {
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("ja")) return Language::Japanese;
    if (c == QLatin1String("en")) return Language::English;
    return std::nullopt;
}

QString languageCode(Language language) {
    return language == Language::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

bool useLanguage(Language language) {
    for (auto* t : {&g_window, &g_qt})
        if (*t) {
            QCoreApplication::removeTranslator(t->get());
            t->reset();
        }
    g_language = language;
    bool ok = true;
    if (language == Language::English) {
        // The Japanese texts are the source; English is built into the program.
        g_window = std::make_unique<QTranslator>();
        ok = g_window->load(QStringLiteral(":/i18n/kvelmor_en.qm"));
        if (ok) QCoreApplication::installTranslator(g_window.get());
        else g_window.reset();
    } else {
        // Qt's own dialogs (files, colours, fonts, message buttons) in
        // Japanese too, where Qt's translations are installed (Debian:
        // qt6-translations-l10n); Qt speaks English without one.
        g_qt = std::make_unique<QTranslator>();
        if (g_qt->load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(g_qt.get());
        else g_qt.reset();
    }
    return ok;
}

Language currentLanguage() { return g_language; }

std::string languageChoicePath(const std::string& settingsPath) {
    if (settingsPath.empty()) return {};
    return (std::filesystem::path(settingsPath).parent_path() / "language").string();
}

std::optional<Language> storedLanguage(const std::string& settingsPath) {
    const std::string path = languageChoicePath(settingsPath);
    std::string bytes;
    if (path.empty() || !readFileBytes(path, bytes, 64).ok) return std::nullopt;
    return languageNamed(qs(bytes));
}

bool storeLanguage(const std::string& settingsPath, Language language) {
    const std::string path = languageChoicePath(settingsPath);
    return !path.empty() && writeFileAtomically(path, ss(languageCode(language)) + "\n").ok;
}

Language startLanguage(const QString& langOption, const std::string& settingsPath) {
    if (auto l = languageNamed(langOption)) return *l;
    if (auto l = storedLanguage(settingsPath)) return *l;
    return systemLanguage();
}

QString reportText(const Report& r) {
    if (g_language == Language::Japanese) return qs(formatReportInJapanese(r));
    Report english = r;
    english.text = app::inEnglish(r.text);
    return qs(formatReport(english));
}

QString messageText(std::string_view text) {
    return qs(g_language == Language::Japanese ? japaneseText(text) : app::inEnglish(text));
}

}  // namespace kvelmor::ui
