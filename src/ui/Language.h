// The language of the program's texts and of Qt's own dialogs (file and folder choosers, their
// buttons), chosen once at start-up: the program's own texts are Russian, with an English
// translation (translations/orbelon_en.ts, built into the program).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

class QCoreApplication;

namespace erp::ui {

// The languages the window speaks.
inline const QStringList& WindowLanguages() {
  static const QStringList languages{QStringLiteral("ru"), QStringLiteral("en")};
  return languages;
}

// The language to speak: `forced` when given (--lang); otherwise the first of the desktop's
// languages (QLocale::uiLanguages, most preferred first, "en-US", "ru-RU" ...) that the window
// speaks; Russian, the program's own, where none of them is one.
QString ChooseLanguage(const QStringList& desktopLanguages, const std::optional<QString>& forced = std::nullopt);

// The value of "--lang ru|en" or "--lang=ru|en" in a command line (program name first): empty
// when absent, the value as given otherwise (ChooseLanguage takes only "ru" and "en"; check with
// WindowLanguages()).
std::optional<QString> LanguageOption(const QStringList& arguments);

// Makes `language` the language of the program: its own translation (none for Russian) and Qt's
// (Debian's qt6-translations-l10n) for its dialogs. Returns false when a translation is missing
// (the texts then stay Russian, or Qt's stay English).
bool InstallTranslations(QCoreApplication& application, const QString& language);

// Qt's own translations only.
bool InstallQtTranslations(QCoreApplication& application, const QString& language);

// A text of the core (scale labels, statistics headings, status texts, its one message) in the
// window's language: the core's texts are Russian and carry no Qt; their translations are listed
// with the window's. Texts that have none stay as they are.
QString CoreText(std::string_view text);

// The core's units inside a built text ("M: 1.0 мс", "Дрейф (мсд/год)") in the window's language.
QString WithUnits(QString text);

}  // namespace erp::ui
