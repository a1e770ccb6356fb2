// The language of the program's texts and of Qt's own dialogs (file and folder choosers, their
// buttons), chosen once at start-up.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace erp::ui {

// The language of the window: "ru", the program's own, unless chosen otherwise.
QString WindowLanguage();

// Loads Qt's own translations (Debian's qt6-translations-l10n) for `language` into the
// application, so that Qt's dialogs speak the window's language. Returns false when the system
// has none for it (the dialogs then stay in Qt's English).
bool InstallQtTranslations(QCoreApplication& application, const QString& language);

}  // namespace erp::ui
