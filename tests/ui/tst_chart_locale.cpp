// A drawing under the user's Russian locale (run with LANG=ru_RU.UTF-8): value labels keep "."
// as the decimal point, date labels take the Russian month names and date separator.
#include "ChartFixture.h"

#include <QtTest>

#include <clocale>

using namespace erp::ui;
using namespace chart_test;

class ChartLocaleTest : public QObject {
  Q_OBJECT

 private slots:
  void russianDrawing() {
    // The locale really is Russian, for Qt and for the C library (whose decimal point is ",").
    QCOMPARE(QLocale().language(), QLocale::Russian);
    QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), ",");

    const double start = MonthStart();
    auto chart = MakeChart();
    AddDailyPoints(chart->SeriesList(0), start, 28, 0.003);
    chart->SetOnGetNextAxisLabel([&](ChartAxis& axis, int, double& value, bool& stop) {
      if (&axis != &chart->BottomAxis()) return;
      value = start > value ? start : value + 7;
      stop = false;
    });
    chart->BottomAxis().SetAutomaticMinimum(true);  // as the window does after every drawing
    chart->Redraw();

    QStringList values;
    for (const AxisLabel& label : chart->LeftAxis().DrawnLabels()) values << label.Text;
    QCOMPARE(values.first(), "-0.00100");
    QVERIFY(values.contains("0.00300"));
    QVERIFY(!values.join(QString()).contains(QLatin1Char(',')));

    const QString july = QLocale(QLocale::Russian).standaloneMonthName(7, QLocale::ShortFormat).remove('.');
    const QString august = QLocale(QLocale::Russian).standaloneMonthName(8, QLocale::ShortFormat).remove('.');
    const auto& dates = chart->BottomAxis().DrawnLabels();
    QCOMPARE(dates.size(), std::size_t{5});
    QCOMPARE(dates.front().Text, july + ".08\n2013");
    QCOMPARE(dates.back().Text, august + ".05\n2013");
    QVERIFY(dates.front().Text.at(0).script() == QChar::Script_Cyrillic);
  }
};

QTEST_MAIN(ChartLocaleTest)
#include "tst_chart_locale.moc"
