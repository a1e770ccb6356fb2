// The text of a core error for the error box: UTF-8 as it stands, CP1251 where the bytes are not
// UTF-8 (a field text or file name taken from a data or settings file); the automatic export's
// report of its boxes. No window is needed.
#include <QtTest>

#include <cstdio>

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

  // The automatic export's boxes: each message also as one line on the log; with a display the
  // box follows, without one the process ends with exit code 1 instead.
  void unattendedBoxesReportOneLine() {
    for (const bool headless : {false, true}) {
      Recorder boxes;
      QList<int> ended;
      std::FILE* log = std::tmpfile();
      QVERIFY(log != nullptr);
      erp::ui::UnattendedInteraction unattended(boxes, headless, [&](int code) { ended << code; }, log);
      unattended.ShowError(QStringLiteral("yp.bmp: Is a directory"));
      unattended.ShowMessage(QStringLiteral("Путь к файлам\nданных указан неверно!"));
      QCOMPARE(unattended.ChooseDirectory(QStringLiteral("/data")).has_value(), !headless);
      std::rewind(log);
      char text[512] = {};
      const std::size_t length = std::fread(text, 1, sizeof text - 1, log);
      std::fclose(log);
      QString expected = QStringLiteral("orbelon: yp.bmp: Is a directory\norbelon: Путь к файлам; данных указан неверно!\n");
      if (headless) expected += QStringLiteral("orbelon: no data folder can be chosen without a display\n");
      QCOMPARE(QString::fromLocal8Bit(text, static_cast<qsizetype>(length)), expected);
      QCOMPARE(boxes.shown, headless ? QStringList() : (QStringList{"yp.bmp: Is a directory", "Путь к файлам\nданных указан неверно!", "chooser"}));
      QCOMPARE(ended, headless ? (QList<int>{1, 1, 1}) : QList<int>());
    }
  }

 private:
  // Records the boxes it was asked to show.
  struct Recorder : erp::ui::Interaction {
    QStringList shown;
    void ShowError(const QString& message) override { shown << message; }
    void ShowMessage(const QString& message) override { shown << message; }
    bool AskYesNo(const QString& question) override {
      shown << question;
      return false;
    }
    std::optional<QString> ChooseDirectory(const QString&) override {
      shown << QStringLiteral("chooser");
      return QStringLiteral("/data");
    }
    void ShowModal(QDialog&) override {}
  };
};

QTEST_GUILESS_MAIN(ErrorTextTest)
#include "tst_error_text.moc"
