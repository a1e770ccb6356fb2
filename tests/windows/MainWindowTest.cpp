#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <ctime>
#include <memory>

#include "FakeInteraction.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit_Orbelon.h"
#include "core/TimeBase.h"
#include "ui/Controls.h"
#include "ui/chart/Chart.h"

namespace {

// Monday 5 August 2013, 10:00 local time: the current week is 1962 (Monday 29 July).
double PinnedClock() { return erp::EncodeDateTime(2013, 8, 5, 10, 0, 0, 0); }

void WriteFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray ReadFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  QString oldDir_;
  FakeInteraction fake_;

  std::unique_ptr<TForm1> Make(const QStringList& args = {"orbelon"}) {
    return std::make_unique<TForm1>(fake_, PinnedClock, args);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    oldDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    fake_ = FakeInteraction();
  }
  void cleanup() {
    QDir::setCurrent(oldDir_);
    dir_.reset();
  }

  void controlsAsLaidOut() {
    auto w = Make();
    QVERIFY(fake_.errors.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("Просмотр графиков"));
    QVERIFY(w->windowState() & Qt::WindowMaximized);
    QCOMPARE(w->StatusText(), QStringLiteral("  Нажмите кнопку \"Старт\""));
    QCOMPARE(w->statusBar()->toolTip(), QStringLiteral("Панель состояния"));

    auto* start = w->findChild<QPushButton*>("BitBtnStart");
    QVERIFY(start && start->isEnabled());
    QCOMPARE(start->text(), QStringLiteral("Старт"));
    QVERIFY(start->font().bold());
    QVERIFY(start->parentWidget() != &w->Chart());
    QCOMPARE(start->geometry(), QRect(301, 40, 62, 23));

    for (int i = 1; i <= 15; ++i) {
      QCheckBox* box = w->SeriesCheckBox(i);
      QVERIFY(box);
      QCOMPARE(erp::ui::TagOf(box), i);
      QVERIFY(box->isChecked());
      QVERIFY(!box->isEnabled());
      QCOMPARE(box->size(), QSize(17, 17));
      QCOMPARE(box->cursor().shape(), Qt::PointingHandCursor);
    }
    struct Group {
      const char* name;
      int tag;
      QSize size;
    } const groups[] = {{"GroupBoxScales", 1, {97, 127}}, {"GroupBox2", 2, {745, 57}}, {"GroupBox1", 3, {225, 40}}};
    for (const Group& g : groups) {
      auto* box = w->Chart().findChild<QGroupBox*>(g.name, Qt::FindDirectChildrenOnly);
      QVERIFY2(box, g.name);
      QCOMPARE(erp::ui::TagOf(box), g.tag);
      QCOMPARE(box->size(), g.size);
      QVERIFY(!box->isEnabled());
    }
    QCOMPARE(w->findChild<QGroupBox*>("GroupBoxScales")->title(), QStringLiteral("Масштабы UT"));

    auto* scale = w->findChild<QComboBox*>("ComboBoxScaleY");
    QCOMPARE(scale->count(), 5);
    QCOMPARE(scale->itemText(4), QStringLiteral("M: 0,25мс"));
    QCOMPARE(scale->currentIndex(), 0);
    auto* grid = w->findChild<QComboBox*>("ComboBoxGrid");
    QVERIFY(grid->isEditable());
    QCOMPARE(grid->count(), 7);
    QCOMPARE(grid->itemText(6), QStringLiteral("16"));
    QCOMPARE(w->findChild<QLineEdit*>("EditScale")->text(), QStringLiteral("M: 3 мс"));
    QVERIFY(w->findChild<QCheckBox*>("CheckBoxChoise")->isChecked());
    QCOMPARE(w->findChild<QLabel*>("StaticText5")->toolTip(), QStringLiteral("Колич-во клеток сетки по вертикали"));
    for (const char* name : {"RadioGroupPVZ", "RadioGroupInterval", "RadioGroupTrend"}) {
      auto* group = w->findChild<erp::ui::RadioGroup*>(name);
      QVERIFY2(group, name);
      QCOMPARE(group->ItemIndex(), 0);
    }
    QVERIFY(!w->findChild<QLabel*>("Label1")->isEnabled());
    const char* buttons[] = {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4",
                             "SpeedButton5", "SpeedButton6", "SpeedButtonUndo"};
    for (int i = 0; i < 7; ++i) {
      auto* b = w->findChild<QToolButton*>(buttons[i]);
      QVERIFY2(b, buttons[i]);
      QCOMPARE(b->geometry(), QRect(6 + 30 * i, 9, 27, 27));
      QVERIFY(!b->toolTip().isEmpty());
      QCOMPARE(erp::ui::TagOf(b), i < 6 ? i + 1 : 0);
    }
    for (auto [name, ms] : {std::pair{"Timer1", 70}, {"Timer2", 210}, {"Timer3", 100}}) {
      auto* t = w->findChild<QTimer*>(name);
      QVERIFY2(t && t->isActive(), name);
      QCOMPARE(t->interval(), ms);
    }
    // The first time range: the four weeks ending with the current week.
    const erp::TimeBase& tb = w->TimeBase();
    QCOMPARE(tb.CurrentWeek, 1962);
    QCOMPARE(w->Chart().BottomAxis().Minimum(), 56481.0 + tb.DateTimeOffset);
    QCOMPARE(w->Chart().BottomAxis().Maximum(), 56509.0 + tb.DateTimeOffset);
    QCOMPARE(w->Chart().BottomAxis().Increment(), 7.0);
    QVERIFY(!w->Chart().LeftAxis().Automatic());
  }

  void overlayFollowsLegendAndPlot() {
    auto w = Make();
    for (QSize size : {QSize(1280, 800), QSize(1000, 700)}) {
      w->setWindowState(Qt::WindowNoState);
      w->resize(size);
      w->show();
      QVERIFY(QTest::qWaitForWindowExposed(w.get()));
      w->Chart().Redraw();
      const QRect legend = w->Chart().Legend().GetRectLegend().ToQRect();
      const QRect plot = w->Chart().ChartRect().ToQRect();
      QVERIFY(legend.height() > 0);
      const int row = legend.height() / 15;
      for (int i = 1; i <= 15; ++i) {
        QCOMPARE(w->SeriesCheckBox(i)->pos(), QPoint(legend.x() - 17, legend.y() + (i - 1) * row));
      }
      auto* scales = w->findChild<QGroupBox*>("GroupBoxScales");
      QCOMPARE(scales->pos(), QPoint(legend.x() - 17, plot.y() + plot.height() - 127 - 1));
      auto* view = w->findChild<QGroupBox*>("GroupBox2");
      QCOMPARE(view->pos(), QPoint(48, w->Chart().height() - 57 - 5));
      auto* nav = w->findChild<QGroupBox*>("GroupBox1");
      QCOMPARE(nav->pos(), QPoint(59, plot.y() - 40 - 5));
    }
  }

  // At the designed size, larger and below the least size the window keeps, with and without
  // titles in the legend: no control covers the plot, the legend or another control, and each
  // stays inside the chart.
  void controlsNeverCoverPlotLegendOrEachOther() {
    for (const bool titles : {true, false}) {
      if (titles) {
        WriteFile("series.ini", "9 1 Alpha a.dat j_u\r\n12 2 Beta b.dat j_u\r\n");
      } else {
        QFile::remove("series.ini");
      }
      auto w = Make();
      const int frame = w->height() - w->Chart().height();  // the menu and status bars
      for (QSize size : {QSize(882, 634 + frame), QSize(1200, 800), QSize(500, 350)}) {
        qInfo("%s, %dx%d", titles ? "titles" : "no titles", size.width(), size.height());
        w->setWindowState(Qt::WindowNoState);
        w->resize(size);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->Chart().Redraw();
        w->Chart().Redraw();  // a second time at the least size, should the first have grown it
        QVERIFY(w->width() >= w->minimumWidth() && w->height() >= w->minimumHeight());
        const QRect chart = w->Chart().rect();
        const QRect plot = w->Chart().ChartRect().ToQRect();
        const QRect legend = w->Chart().Legend().GetRectLegend().ToQRect();
        QVERIFY(plot.height() > 300 && plot.width() > 300);
        const QRect start = w->findChild<QPushButton*>("BitBtnStart")->geometry();
        const QRect scales = w->findChild<QGroupBox*>("GroupBoxScales")->geometry();
        const QRect view = w->findChild<QGroupBox*>("GroupBox2")->geometry();
        const QRect nav = w->findChild<QGroupBox*>("GroupBox1")->geometry();
        for (const QRect& control : {start, scales, view, nav}) {
          QVERIFY(chart.contains(control));
          QVERIFY(!control.intersects(plot));
          QVERIFY(!control.intersects(legend));
        }
        QVERIFY(!start.intersects(nav));
        QVERIFY(!scales.intersects(view));
      }
    }
    // Below the least size the window does not go.
    auto w = Make();
    w->setWindowState(Qt::WindowNoState);
    w->resize(500, 350);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->Chart().Redraw();
    QVERIFY(w->minimumWidth() > 700 && w->minimumHeight() > 500);
  }

  void seriesIniApplied() {
    WriteFile("series.ini",
              "9 2 Alpha alpha.dat yy_mm_dd_u_xp_yp\r\n"
              "12 4 Beta beta.dat j_u\r\n"
              "50 0 \xC3\xE0\xEC\xEC\xE0 g.dat j_xp_yp\r\n"  // title in CP1251: Гамма
              "0 1 D d.dat j\r\n"
              "-1 3 E e.dat j\r\n");
    auto w = Make();
    QVERIFY(fake_.errors.isEmpty());
    erp::ui::Chart& c = w->Chart();
    QCOMPARE(c.SeriesList(0).SeriesColor(), QColor(255, 0, 0));
    QCOMPARE(c.SeriesList(0).Pointer().Style(), erp::ui::PointerStyle::Circle);
    QVERIFY(c.SeriesList(0).Pointer().Visible());
    QVERIFY(!c.SeriesList(0).LinePen().Visible());
    QCOMPARE(c.SeriesList(0).Title(), QStringLiteral("Alpha"));
    // Symbol 4 keeps the form's look: line with diamonds.
    QCOMPARE(c.SeriesList(1).SeriesColor(), QColor(0, 0, 255));
    QCOMPARE(c.SeriesList(1).Pointer().Style(), erp::ui::PointerStyle::Diamond);
    QVERIFY(c.SeriesList(1).Pointer().Visible());
    QVERIFY(c.SeriesList(1).LinePen().Visible());
    // Colour 50 draws in system colour 0; symbol 0 hides the markers and keeps the line.
    QCOMPARE(c.SeriesList(2).SeriesColor(), erp::ui::SystemColor(0));
    QVERIFY(!c.SeriesList(2).Pointer().Visible());
    QVERIFY(c.SeriesList(2).LinePen().Visible());
    QCOMPARE(c.SeriesList(2).Title(), QStringLiteral("Гамма"));
    QCOMPARE(c.SeriesList(3).Pointer().Style(), erp::ui::PointerStyle::Rectangle);
    QCOMPARE(c.SeriesList(4).Pointer().Style(), erp::ui::PointerStyle::Triangle);
    QCOMPARE(c.SeriesList(4).SeriesColor(), erp::ui::SystemColor(0));
    // Missing rows: black line without markers, empty title and file.
    QCOMPARE(c.SeriesList(14).SeriesColor(), QColor(0, 0, 0));
    QVERIFY(!c.SeriesList(14).Pointer().Visible());
    QCOMPARE(c.SeriesList(14).Title(), QString());
    QCOMPARE(w->SeriesSlots().SeriesFileName[1], std::string("alpha.dat"));
    QCOMPARE(w->SeriesSlots().SeriesFormatSpec[1], std::string("yy_mm_dd_u_xp_yp"));
    QCOMPARE(w->SeriesSlots().SeriesFileName[15], std::string());
  }

  // A series.ini row that fails to read ends start-up there: the error is shown with the file and
  // row, what was applied stays, nothing after it (the rest of series.ini, the command line)
  // happens, and the window opens.
  void failingSettingsStopStartUp_data() {
    QTest::addColumn<QByteArray>("seriesIni");
    QTest::addColumn<int>("applied");  // series.ini rows applied before the failure
    QTest::newRow("series.ini, third row")
        << QByteArray("9 1 A a.dat j\r\n12 1 B b.dat j\r\nx 0 C c.dat j\r\n0 0 D d.dat j\r\n") << 2;
    QTest::newRow("series.ini, first row") << QByteArray("9 z A a.dat j\r\n") << 0;
  }
  void failingSettingsStopStartUp() {
    QFETCH(QByteArray, seriesIni);
    QFETCH(int, applied);
    WriteFile("series.ini", seriesIni);
    const QString defaultTitle = erp::ui::Chart().SeriesList(applied).Title();
    const erp::SeriesSlots defaults = erp::DefaultSeriesSlots();
    auto w = Make({"orbelon", "-a"});
    QCOMPARE(fake_.errors,
             QStringList{QStringLiteral("Invalid numeric input\nФайл: series.ini, строка %1").arg(applied + 1)});
    QVERIFY(!w->View().AutoStartPending);  // the command line is examined last
    QVERIFY(w->findChild<QPushButton*>("BitBtnStart")->isEnabled());
    for (int i = 0; i < applied; ++i) QVERIFY(w->Chart().SeriesList(i).Title() != defaultTitle);
    QCOMPARE(w->Chart().SeriesList(applied).Title(), defaultTitle);  // keeps the form's title
    for (int slot = applied + 1; slot <= 15; ++slot) {
      QCOMPARE(w->SeriesSlots().SeriesFileName[slot], applied == 0 ? defaults.SeriesFileName[slot] : std::string());
    }
  }

  // Entries of scale.ini that are no number keep their defaults and are reported with the file
  // and lines; start-up goes on: series.ini is read and -a is taken.
  void badScaleIniKeepsDefaultsAndGoesOn() {
    WriteFile("scale.ini", "1\nfoo\n2\r\n\r\n3 x\r\nbar\r\n4\n");
    WriteFile("series.ini", "9 2 Alpha alpha.dat j\r\n");
    auto w = Make({"orbelon", "-a"});
    // A line counts only when it is one number and nothing else: "3 x" is no entry either.
    QCOMPARE(fake_.errors, QStringList{QStringLiteral("Invalid numeric input\nФайл: scale.ini, строка 2, 5, 6")});
    const erp::ScaleMemory& m = w->ScaleMemory();
    QCOMPARE((std::vector<int>{m[1], m[2], m[3], m[4], m[5], m[6], m[7]}), (std::vector<int>{1, 0, 2, 0, 0, 4, 0}));
    QCOMPARE(w->Chart().SeriesList(0).Title(), QStringLiteral("Alpha"));
    QVERIFY(w->View().AutoStartPending);
    QVERIFY(w->close());  // written whole at the end, as always
    QVERIFY(ReadFile("scale.ini").startsWith("1\r\n0\r\n2\r\n0\r\n0\r\n4\r\n0\r\n"));
  }

  // scale.ini put as a link onto a data file (by mistake) is read as no scale and never written:
  // closing says so, and the window stays; the records are whole.
  void scaleIniLinkedToADataFileIsNeverWritten() {
    WriteFile("series.ini", "9 2 Alpha alpha.dat j_u\r\n");
    WriteFile("alpha.dat", "25 1 15 12 0.22\r\n");
    QVERIFY(QFile::link("alpha.dat", "scale.ini"));
    auto w = Make();
    QCOMPARE(fake_.errors, QStringList{QStringLiteral("Invalid numeric input\nФайл: scale.ini, строка 1")});
    QVERIFY(!w->close());
    QCOMPARE(fake_.errors.last(), QStringLiteral("scale.ini: would overwrite the data file alpha.dat of series 1"));
    QCOMPARE(ReadFile("alpha.dat"), QByteArray("25 1 15 12 0.22\r\n"));
  }

  void scaleIniReadAndWritten() {
    auto w = Make();
    QVERIFY(QFile::exists("scale.ini"));
    QCOMPARE(ReadFile("scale.ini"), QByteArray());
    QVERIFY(w->close());
    QByteArray sixteenZeros;
    for (int i = 0; i < 16; ++i) sixteenZeros += "0\r\n";
    QCOMPARE(ReadFile("scale.ini"), sixteenZeros);

    WriteFile("scale.ini", "1\n\n 3\t\n");
    auto w2 = Make();
    QCOMPARE(w2->ScaleMemory()[1], 1);
    QCOMPARE(w2->ScaleMemory()[2], 3);
    QCOMPARE(w2->ScaleMemory()[16], 0);
    QCOMPARE(w2->findChild<QComboBox*>("ComboBoxScaleY")->currentIndex(), 1);

    WriteFile("scale.ini", "7\n");  // no such scale: nothing selected, the value is kept
    auto w3 = Make();
    QCOMPARE(w3->findChild<QComboBox*>("ComboBoxScaleY")->currentIndex(), -1);
    QCOMPARE(w3->ScaleMemory()[1], 7);
  }

  void automaticModeOnlyForAFirstArgumentOfExactlyMinusA_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("automatic");
    QTest::newRow("none") << QStringList{"orbelon"} << false;
    QTest::newRow("-a") << QStringList{"orbelon", "-a"} << true;
    QTest::newRow("-a and more") << QStringList{"orbelon", "-a", "x"} << true;
    QTest::newRow("-A") << QStringList{"orbelon", "-A"} << false;
    QTest::newRow("-a second") << QStringList{"orbelon", "x", "-a"} << false;
    QTest::newRow("-ab") << QStringList{"orbelon", "-ab"} << false;
  }
  void automaticModeOnlyForAFirstArgumentOfExactlyMinusA() {
    QFETCH(QStringList, args);
    QFETCH(bool, automatic);
    auto w = Make(args);
    QCOMPARE(w->View().AutoStartPending, automatic);
    QCOMPARE(w->View().ExportStart, automatic);
  }

  void timerPressesStartOnce() {
    auto w = Make({"orbelon", "-a"});
    int presses = 0;
    connect(w->findChild<QPushButton*>("BitBtnStart"), &QPushButton::clicked, [&] { ++presses; });
    QTRY_VERIFY_WITH_TIMEOUT(!w->View().AutoStartPending, 2000);
    QTest::qWait(350);
    QCOMPARE(presses, 1);
  }

  void closingKeepsTheWindowWhenScaleIniCannotBeWritten() {
    auto w = Make();
    w->show();
    w->View().Running = true;
    QVERIFY(QFile::remove("scale.ini"));
    QVERIFY(QDir().mkdir("scale.ini"));  // a folder in its place: the file cannot be replaced
    QVERIFY(!w->close());
    QCOMPARE(fake_.errors.size(), 1);
    QVERIFY(w->isVisible());
    QVERIFY(w->View().Running);
  }

  // A radio group's item index: set by code it runs the click handler as a click does, after the
  // index has changed; setting the index it has runs nothing; -1 leaves no item chosen.
  void radioGroupItemIndex() {
    erp::ui::RadioGroup group("Group", "Caption", {"a", "b", "c"}, 3, nullptr);
    QList<int> seen;
    group.OnClick = [&] { seen << group.ItemIndex(); };
    QCOMPARE(group.ItemIndex(), -1);
    group.SetItemIndex(1);
    group.SetItemIndex(1);
    group.findChild<QRadioButton*>("Group2")->click();
    group.findChild<QRadioButton*>("Group2")->click();
    group.SetItemIndex(-1);
    QCOMPARE(seen, (QList<int>{1, 2, -1}));
    QCOMPARE(group.ItemIndex(), -1);
    for (QRadioButton* button : group.findChildren<QRadioButton*>()) QVERIFY(!button->isChecked());
    QCOMPARE(group.findChild<QRadioButton*>("Group0")->text(), QStringLiteral("a"));
  }

  // The desktop clock is read in local time, not UTC: under a time zone far from UTC its reading
  // follows the local calendar fields.
  void localClockReadsLocalTime() {
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "KIR-14");  // UTC+14, as a POSIX rule (no time-zone database needed)
    tzset();
    const QDateTime local = QDateTime::currentDateTime();
    const double reading = ReadLocalClock();
    const double utc = erp::EncodeDateTime(local.toUTC().date().year(), local.toUTC().date().month(),
                                           local.toUTC().date().day(), local.toUTC().time().hour(),
                                           local.toUTC().time().minute(), local.toUTC().time().second(), 0);
    qputenv("TZ", oldTz);
    tzset();
    QVERIFY(std::abs(reading - utc - 14.0 / 24.0) < 10.0 / 86400.0);
  }

  void menuOpensTheAboutBoxAndTheSeriesDialog() {
    auto w = Make();
    TfmABOUT about(w.get());
    TfmFormat format(fake_, w.get());
    w->SetWindows(&about, &format);
    auto* aboutAction = w->findChild<QAction*>("About1");
    QVERIFY(aboutAction);
    QCOMPARE(aboutAction->text(), QStringLiteral("О программе"));
    aboutAction->trigger();
    QCOMPARE(fake_.opened, QList<QDialog*>{&about});
    QVERIFY(about.isVisible());
    about.close();
    auto* options = w->findChild<QAction*>("Options2");
    QCOMPARE(options->text(), QStringLiteral("Изменение рядов данных"));
    options->trigger();
    QCOMPARE(fake_.opened, (QList<QDialog*>{&about, &format}));
    QVERIFY(format.isVisible());
    // Opening reads series.ini; without one it asks whether to create it.
    QCOMPARE(fake_.questions, QStringList{"Инициализационный файл не найден. Создать новый?"});
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
