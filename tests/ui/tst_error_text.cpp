// The text of a core error for the error box: UTF-8 as it stands, CP1251 where the bytes are not
// UTF-8 (a field text or file name taken from a data or settings file). No window is needed.
#include <QtTest>

#include "ui/Interaction.h"

class ErrorTextTest : public QObject {
  Q_OBJECT

 private slots:
  void decodesUtf8OrElseCp1251_data() {
    QTest::addColumn<QByteArray>("what");
    QTest::addColumn<QString>("shown");
    QTest::newRow("system message") << QByteArray("Permission denied") << QStringLiteral("Permission denied");
    QTest::newRow("UTF-8 text") << QByteArray("Путь к файлам данных указан неверно!")
                                << QStringLiteral("Путь к файлам данных указан неверно!");
    // The field text of a data line in CP1251: "абв" and "Ёё№".
    QTest::newRow("CP1251 field text") << QByteArray("'\xE0\xE1\xE2' is not a valid floating point value")
                                       << QStringLiteral("'абв' is not a valid floating point value");
    QTest::newRow("CP1251 letters beside the alphabet") << QByteArray("''\xA8\xB8\xB9'' is not a valid integer value")
                                                        << QStringLiteral("''Ёё№'' is not a valid integer value");
    // One stray byte makes the whole text CP1251, also its ASCII part.
    QTest::newRow("truncated UTF-8 sequence") << QByteArray("'\xD0' x") << QStringLiteral("'Р' x");
  }
  void decodesUtf8OrElseCp1251() {
    QFETCH(QByteArray, what);
    QFETCH(QString, shown);
    QCOMPARE(erp::ui::ErrorText(what.constData()), shown);
  }
};

QTEST_GUILESS_MAIN(ErrorTextTest)
#include "tst_error_text.moc"
