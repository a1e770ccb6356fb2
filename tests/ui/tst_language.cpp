// The language of the texts: Qt's own dialogs follow the window's language.
#include <QtTest>

#include "ui/Language.h"

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void qtDialogsFollowTheWindow() {
    QCOMPARE(erp::ui::WindowLanguage(), QStringLiteral("ru"));
    QVERIFY(erp::ui::InstallQtTranslations(*QCoreApplication::instance(), QStringLiteral("ru")));
    // The buttons of the folder chooser and of the message boxes.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
  }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
