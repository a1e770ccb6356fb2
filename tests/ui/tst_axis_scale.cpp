// Axis arithmetic of the chart layer: label steps, default labels, minor ticks, label texts.
#include "ui/chart/AxisScale.h"

#include <QtTest>

#include <cmath>
#include <vector>

using namespace erp::ui;

namespace {

// Date-time value of a calendar date (days since 30 December 1899).
double Day(int y, int m, int d) { return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(y, m, d))); }

}  // namespace

class AxisScaleTest : public QObject {
  Q_OBJECT

 private slots:
  void numericLadder_data() {
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("next");
    QTest::newRow("0.003") << 0.003 << 0.005;
    QTest::newRow("0.002") << 0.002 << 0.005;
    QTest::newRow("0.001") << 0.001 << 0.002;
    QTest::newRow("0.0025") << 0.0025 << 0.005;
    QTest::newRow("0.00025") << 0.00025 << 0.0005;
    QTest::newRow("0.005") << 0.005 << 0.01;
    QTest::newRow("7") << 7.0 << 10.0;
    QTest::newRow("50") << 50.0 << 100.0;
  }
  void numericLadder() {
    QFETCH(double, step);
    QFETCH(double, next);
    QCOMPARE(NextNumericStep(step), next);
  }

  void dateLadder_data() {
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("next");
    QTest::newRow("1 day") << 1.0 << 2.0;
    QTest::newRow("7 days") << 7.0 << 14.0;
    QTest::newRow("10 days") << 10.0 << 14.0;
    QTest::newRow("14 days") << 14.0 << DaysPerMonth;
    QTest::newRow("30 days") << 30.0 << DaysPerMonth;
    QTest::newRow("1 month") << DaysPerMonth << 2 * DaysPerMonth;
    QTest::newRow("6 months") << 6 * DaysPerMonth << DaysPerYear;
    QTest::newRow("1 year") << DaysPerYear << 2 * DaysPerYear;
    QTest::newRow("2 years") << 2 * DaysPerYear << 5 * DaysPerYear;
  }
  void dateLadder() {
    QFETCH(double, step);
    QFETCH(double, next);
    QCOMPARE(NextDateStep(step), next);
  }

  // Labels of 14 px with 100 % separation need 28 px per step.
  void enlargedIncrement_data() {
    QTest::addColumn<double>("desired");
    QTest::addColumn<double>("range");
    QTest::addColumn<double>("lengthPx");
    QTest::addColumn<bool>("dateTime");
    QTest::addColumn<double>("expected");
    QTest::newRow("fits") << 0.001 << 0.016 << 448.0 << false << 0.001;   // exactly 28 px
    QTest::newRow("one short") << 0.001 << 0.016 << 447.0 << false << 0.002;
    QTest::newRow("several steps") << 0.00025 << 0.004 << 50.0 << false << 0.005;
    QTest::newRow("automatic") << 0.0 << 0.016 << 448.0 << false << 0.001;
    QTest::newRow("date days to weeks") << 1.0 << 28.0 << 200.0 << true << 7.0;
    QTest::newRow("date month to two months") << 30.0 << 364.0 << 200.0 << true << 2 * DaysPerMonth;
    QTest::newRow("no length keeps desired") << 0.003 << 0.01 << 0.0 << false << 0.003;
    QTest::newRow("empty range keeps desired") << 0.003 << 0.0 << 400.0 << false << 0.003;
  }
  void enlargedIncrement() {
    QFETCH(double, desired);
    QFETCH(double, range);
    QFETCH(double, lengthPx);
    QFETCH(bool, dateTime);
    QFETCH(double, expected);
    const double step = EnlargedIncrement(desired, range, lengthPx, 14.0, 100.0, dateTime);
    QCOMPARE(step, expected);
    QVERIFY(step >= desired);
  }

  void defaultLabels_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::addColumn<bool>("dateTime");
    QTest::addColumn<std::vector<double>>("expected");
    QTest::newRow("multiples inside") << -0.0015 << 0.0035 << 0.001 << false
                                      << std::vector<double>{-0.001, 0.0, 0.001, 0.002, 0.003};
    QTest::newRow("ends included") << -0.002 << 0.002 << 0.001 << false
                                   << std::vector<double>{-0.002, -0.001, 0.0, 0.001, 0.002};
    // An end a hair inside a label (floating arithmetic) still gets it.
    QTest::newRow("end within tolerance") << 0.0 << 0.003 * (1 - 1e-13) << 0.001 << false
                                          << std::vector<double>{0.0, 0.001, 0.002, 0.003};
    QTest::newRow("month starts") << Day(2012, 8, 6) << Day(2012, 12, 3) << 30.0 << true
                                  << std::vector<double>{Day(2012, 9, 1), Day(2012, 10, 1), Day(2012, 11, 1),
                                                         Day(2012, 12, 1)};
    QTest::newRow("every second month") << Day(2012, 8, 1) << Day(2013, 2, 1) << 2 * DaysPerMonth << true
                                        << std::vector<double>{Day(2012, 9, 1), Day(2012, 11, 1), Day(2013, 1, 1)};
    QTest::newRow("years") << Day(2009, 5, 1) << Day(2014, 5, 1) << 2 * DaysPerYear << true
                           << std::vector<double>{Day(2010, 1, 1), Day(2012, 1, 1), Day(2014, 1, 1)};
  }
  void defaultLabels() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    QFETCH(bool, dateTime);
    QFETCH(std::vector<double>, expected);
    const std::vector<double> values = DefaultLabelValues(min, max, step, dateTime);
    QCOMPARE(values.size(), expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) QVERIFY(std::abs(values[i] - expected[i]) < 1e-12);
  }

  void minorTicks() {
    // Between labels, and on to both axis ends with the neighbouring gap.
    const std::vector<double> ticks = MinorTickValues({7.0, 14.0}, 6, 3.5, 20.0, 7.0);
    const std::vector<double> expected = {4, 5, 6, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20};
    QCOMPARE(ticks.size(), expected.size());
    for (std::size_t i = 0; i < ticks.size(); ++i) QVERIFY(std::abs(ticks[i] - expected[i]) < 1e-9);
    // A single label uses the fallback gap; no labels or no count give no ticks.
    QCOMPARE(MinorTickValues({10.0}, 1, 0.0, 20.0, 10.0), (std::vector<double>{5.0, 15.0}));
    QVERIFY(MinorTickValues({}, 3, 0.0, 1.0, 1.0).empty());
    QVERIFY(MinorTickValues({0.5}, 0, 0.0, 1.0, 1.0).empty());
  }

  void axisNumbers_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0.00000";
    QTest::newRow("step") << 0.001 << "0.00100";
    QTest::newRow("negative") << -0.0015 << "-0.00150";
    QTest::newRow("negative zero") << -0.000001 << "0.00000";
    QTest::newRow("thousands") << 1234.5 << "1,234.50000";
    QTest::newRow("millions") << -1234567.0 << "-1,234,567.00000";
    QTest::newRow("hundreds") << 999.999999 << "1,000.00000";
  }
  void axisNumbers() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatAxisNumber(value), text);
  }

  void dates_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    const double jul8 = Day(2013, 7, 8);
    QTest::newRow("label format") << jul8 << "mmm/dd yyyy" << "Jul/08 2013";
    QTest::newRow("layout format") << jul8 << "dd.MM.yyyy" << "08.07.2013";
    QTest::newRow("short fields") << Day(2013, 1, 5) << "d/m/yy" << "5/1/13";
    QTest::newRow("long names") << jul8 << "dddd d mmmm" << "Monday 8 July";
    QTest::newRow("minutes after hour") << jul8 + 0.5 + 5.0 / 1440 << "hh:mm" << "12:05";
    QTest::newRow("n is minutes") << jul8 + 0.75 + 7.0 / 1440 + 9.0 / 86400 << "h:nn:ss" << "18:07:09";
    QTest::newRow("quoted text") << jul8 << "'week of' mmm" << "week of Jul";
    // A value a hair below midnight (MJD + offset arithmetic) is that midnight.
    QTest::newRow("rounded to the millisecond") << jul8 - 1e-11 << "dd" << "08";
    QTest::newRow("date-time zero") << 0.0 << "yyyy-mm-dd" << "1899-12-30";
  }
  void dates() {
    QFETCH(double, x);
    QFETCH(QString, format);
    QFETCH(QString, text);
    QCOMPARE(FormatDateTime(x, format, QLocale::c()), text);
  }

  void dateSeparatorOfLocale() {
    const double jul8 = Day(2013, 7, 8);
    QCOMPARE(LocaleDateSeparator(QLocale(QLocale::English, QLocale::UnitedStates)), "/");
    QCOMPARE(LocaleDateSeparator(QLocale(QLocale::German)), ".");
    QCOMPARE(LocaleDateSeparator(QLocale::c()), "/");
    const QLocale russian(QLocale::Russian);
    const QString month = russian.standaloneMonthName(7, QLocale::ShortFormat).remove(QLatin1Char('.'));
    QCOMPARE(FormatDateTime(jul8, "mmm/dd yyyy", russian), month + ".08 2013");
  }

  void multiLine() {
    QCOMPARE(MultiLineLabel("Jul/08 2013"), "Jul/08\n2013");
    QCOMPARE(MultiLineLabel("a  b c"), "a\nb\nc");
    QCOMPARE(MultiLineLabel("single"), "single");
  }
};

QTEST_GUILESS_MAIN(AxisScaleTest)
#include "tst_axis_scale.moc"
