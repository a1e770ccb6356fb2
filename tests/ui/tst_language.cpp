// The language of the texts: chosen from the desktop's languages or --lang; Qt's own dialogs
// follow it.
#include <QtTest>

#include "ui/Language.h"

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  // English for an English desktop, Russian for a Russian one and where neither is among the
  // desktop's languages; --lang wins.
  void choosesTheLanguage() {
    using erp::ui::ChooseLanguage;
    const struct {
      QStringList desktop;
      std::optional<QString> forced;
      QString chosen;
    } cases[] = {
        {{"en-US"}, {}, "en"},
        {{"en-GB", "ru-RU"}, {}, "en"},
        {{"ru-RU", "en-US"}, {}, "ru"},
        {{"ru_RU"}, {}, "ru"},
        {{"de-DE", "en-US"}, {}, "en"},  // the first the window speaks
        {{"de-DE", "fr-FR"}, {}, "ru"},
        {{}, {}, "ru"},
        {{"en-US"}, QString("ru"), "ru"},
        {{"ru-RU"}, QString("en"), "en"},
    };
    for (const auto& c : cases) QCOMPARE(ChooseLanguage(c.desktop, c.forced), c.chosen);
    QCOMPARE(erp::ui::LanguageOption({"orbelon"}), std::nullopt);
    QCOMPARE(erp::ui::LanguageOption({"orbelon", "--lang", "en"}), std::optional<QString>("en"));
    QCOMPARE(erp::ui::LanguageOption({"orbelon", "-a", "--lang=ru"}), std::optional<QString>("ru"));
    QCOMPARE(erp::ui::LanguageOption({"orbelon", "--lang"}), std::optional<QString>(""));
  }

  void qtDialogsFollowTheWindow() {
    QCOMPARE(erp::ui::WithUnits(QString::fromUtf8("M: 1.0 мс")), QString::fromUtf8("M: 1.0 мс"));  // Russian: as it stands
    QVERIFY(erp::ui::InstallQtTranslations(*QCoreApplication::instance(), QStringLiteral("ru")));
    // The buttons of the folder chooser and of the message boxes.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
  }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
