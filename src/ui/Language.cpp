#include "ui/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace erp::ui {

QString WindowLanguage() { return QStringLiteral("ru"); }

bool InstallQtTranslations(QCoreApplication& application, const QString& language) {
  // Owned by the application: a translator must live as long as the texts it serves.
  auto* translator = new QTranslator(&application);
  if (!translator->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace erp::ui
