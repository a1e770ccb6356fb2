#include "ui/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace erp::ui {
namespace {

// The core's texts, listed here so that the translation tools find them. The core builds them
// without Qt (src/core); CoreText translates them where the window shows them.
[[maybe_unused]] constexpr const char* kCoreTexts[] = {
    // Scale labels (ScaleTables.h)
    QT_TRANSLATE_NOOP("erp", "M: 3 мс"), QT_TRANSLATE_NOOP("erp", "M: 2 мс"), QT_TRANSLATE_NOOP("erp", "M: 1 мс"),
    QT_TRANSLATE_NOOP("erp", "M: 0,5 мс"), QT_TRANSLATE_NOOP("erp", "M: 0,25 мс"),
    QT_TRANSLATE_NOOP("erp", "M: 0,25мс"), QT_TRANSLATE_NOOP("erp", "M: 0,030\""),
    QT_TRANSLATE_NOOP("erp", "M: 0,020\""), QT_TRANSLATE_NOOP("erp", "M: 0,010\""),
    QT_TRANSLATE_NOOP("erp", "M: 0,005\""), QT_TRANSLATE_NOOP("erp", "M: 0,0025\""),
    // The loading pass (ObservationStore.cpp)
    QT_TRANSLATE_NOOP("erp", "  Считывание данных из файла: "),
    QT_TRANSLATE_NOOP("erp", "Путь к файлам данных указан неверно!"),
    // Statistics headings (SeriesStatistics.cpp)
    QT_TRANSLATE_NOOP("erp", "Ряд"), QT_TRANSLATE_NOOP("erp", "Точек"), QT_TRANSLATE_NOOP("erp", "Общих эпох"),
    QT_TRANSLATE_NOOP("erp", "Среднее"), QT_TRANSLATE_NOOP("erp", "СКО"), QT_TRANSLATE_NOOP("erp", "Мин."),
    QT_TRANSLATE_NOOP("erp", "Макс."), QT_TRANSLATE_NOOP("erp", "Дрейф"), QT_TRANSLATE_NOOP("erp", "Разностей"),
    QT_TRANSLATE_NOOP("erp", "Последняя эпоха"),
    // Scale labels of the differences view (ScaleTables.h)
    QT_TRANSLATE_NOOP("erp", "M: 0,1 мс"), QT_TRANSLATE_NOOP("erp", "M: 0,05 мс"), QT_TRANSLATE_NOOP("erp", "M: 0,025 мс"),
    QT_TRANSLATE_NOOP("erp", "M: 0,01 мс"), QT_TRANSLATE_NOOP("erp", "M: 0,005 мс"), QT_TRANSLATE_NOOP("erp", "M: 1 мсд"),
    QT_TRANSLATE_NOOP("erp", "M: 0,5 мсд"), QT_TRANSLATE_NOOP("erp", "M: 0,25 мсд"), QT_TRANSLATE_NOOP("erp", "M: 0,1 мсд"),
    QT_TRANSLATE_NOOP("erp", "M: 0,05 мсд"),
    // Units
    QT_TRANSLATE_NOOP("erp", "мс"), QT_TRANSLATE_NOOP("erp", "мсд"), QT_TRANSLATE_NOOP("erp", "год"),
};

QString Translate(const QString& text) {
  return QCoreApplication::translate("erp", text.toUtf8().constData());
}

}  // namespace

QString ChooseLanguage(const QStringList& desktopLanguages, const std::optional<QString>& forced) {
  if (forced && WindowLanguages().contains(*forced)) return *forced;
  for (const QString& language : desktopLanguages) {
    QString base = language.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
    if (WindowLanguages().contains(base)) return base;
  }
  return QStringLiteral("ru");
}

std::optional<QString> LanguageOption(const QStringList& arguments) {
  std::optional<QString> value;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--lang")) {
      value = i + 1 < arguments.size() ? arguments[i + 1] : QString();
      ++i;
    } else if (arguments[i].startsWith(QLatin1String("--lang="))) {
      value = arguments[i].mid(7);
    }
  }
  return value;
}

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

bool InstallTranslations(QCoreApplication& application, const QString& language) {
  bool complete = InstallQtTranslations(application, language);
  if (language != QLatin1String("ru")) {
    auto* own = new QTranslator(&application);
    if (own->load(QStringLiteral(":/orbelon/translations/orbelon_") + language)) {
      QCoreApplication::installTranslator(own);
    } else {
      delete own;
      complete = false;
    }
  }
  return complete;
}

QString CoreText(std::string_view text) {
  const QString source = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return Translate(source);
}

QString WithUnits(QString text) {
  // The longer unit first: "мсд" holds "мс". Without a translation (Russian) nothing changes.
  for (const char* unit : {"мсд", "мс", "год"}) {
    const QString source = QString::fromUtf8(unit);
    text.replace(source, Translate(source));
  }
  return text;
}

}  // namespace erp::ui
