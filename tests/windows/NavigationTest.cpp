// The navigation buttons, keys and wheel of the main window, the crosshair switch and the scale
// readout, driven inside the viewer loop on the fixture data.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <memory>

#include "FakeInteraction.h"
#include "ViewerFixture.h"
#include "core/Navigation.h"
#include "ui/AxisRange.h"
#include "ui/Controls.h"
#include "ui/Crosshair.h"
#include "ui/chart/Chart.h"

using fixture::RunScenario;
using fixture::Step;

class NavigationTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  QString oldDir_;
  FakeInteraction fake_;

  std::unique_ptr<TForm1> Make() {
    auto w = std::make_unique<TForm1>(fake_, fixture::PinnedClock, QStringList{"orbelon"});
    w->show();
    return w;
  }
  static QToolButton* Button(TForm1& w, const char* name) { return w.findChild<QToolButton*>(name); }
  static bool Held(TForm1& w, int tag) { return w.Navigation().ButtonHeld[static_cast<std::size_t>(tag)]; }
  // The first refresh pass has run and its drawing is done.
  static Step Loaded(TForm1& w, std::function<void()> act) {
    return {[&w] { return w.RefreshCount() >= 1 && !w.Chart().RedrawPending(); }, std::move(act)};
  }
  // A refresh pass after `passes` has run with the window starting at `start` (MJD).
  static std::function<bool()> WindowStartsAt(TForm1& w, const int& passes, double start) {
    return [&w, &passes, start] {
      return w.RefreshCount() > passes && !w.View().RecomputeRequested &&
             w.LastRefresh().Window.WindowStartMJD == start && !w.Chart().RedrawPending();
    };
  }
  static void Key(QWidget* target, QEvent::Type type, int key, bool autoRepeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    oldDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    fixture::WriteViewerFixture(QDir(dir_->path()));
    fake_ = FakeInteraction();
  }
  void cleanup() {
    QDir::setCurrent(oldDir_);
    dir_.reset();
  }

  // A right press starts nothing; a left click steps a week back; a held pan button moves the
  // value range at Timer1's pace, keeping its size; the back arrow returns to the current weeks.
  void speedButtons() {
    auto w = Make();
    int passes = 0;
    double span = 0.0;
    double minimum = 0.0;
    const bool ran = RunScenario(*w, {
        Loaded(*w, [&] {
          QTest::mousePress(Button(*w, "SpeedButton1"), Qt::RightButton);
          QTest::mouseRelease(Button(*w, "SpeedButton1"), Qt::RightButton);
          QVERIFY(!Held(*w, erp::ButtonBack));
          passes = w->RefreshCount();
          QTest::mouseClick(Button(*w, "SpeedButton1"), Qt::LeftButton);
          QVERIFY(Held(*w, erp::ButtonBack) && w->Navigation().ShiftReleased);
        }),
        {WindowStartsAt(*w, passes, fixture::kMonthStart - 7), [&] {
           QCOMPARE(w->View().TimeShiftDays, -7.0);
           QVERIFY(!Held(*w, erp::ButtonBack));
           const auto& left = w->Chart().LeftAxis();
           span = left.Maximum() - left.Minimum();
           minimum = left.Minimum();
           QTest::mousePress(Button(*w, "SpeedButton3"), Qt::LeftButton);
           QVERIFY(Held(*w, erp::ButtonPanUp));
         }},
        {[&] { return w->Chart().LeftAxis().Minimum() < minimum - span * 0.05; }, [&] {
           QTest::mouseRelease(Button(*w, "SpeedButton3"), Qt::LeftButton);
           QVERIFY(!Held(*w, erp::ButtonPanUp));
           const auto& left = w->Chart().LeftAxis();
           QVERIFY(std::abs(left.Maximum() - left.Minimum() - span) < span * 1e-9);
           passes = w->RefreshCount();
           QTest::mouseClick(Button(*w, "SpeedButtonUndo"), Qt::LeftButton);
           QCOMPARE(w->View().TimeShiftDays, 0.0);
         }},
        {WindowStartsAt(*w, passes, fixture::kMonthStart), nullptr},
    });
    QVERIFY(ran);
    QVERIFY(fake_.errors.isEmpty());
  }

  // Keys hold the buttons (repeats of a held key change nothing), but not while a list, an edit
  // field or a radio group has the focus; the wheel over the plot stretches a step per notch.
  void keysAndWheel() {
    auto w = Make();
    int passes = 0;
    const bool ran = RunScenario(*w, {
        Loaded(*w, [&] {
          QWidget* button = Button(*w, "SpeedButton2");
          button->setFocus();
          passes = w->RefreshCount();
          Key(button, QEvent::KeyPress, Qt::Key_Left);
          Key(button, QEvent::KeyPress, Qt::Key_Left, true);
          Key(button, QEvent::KeyRelease, Qt::Key_Left, true);
          QVERIFY(Held(*w, erp::ButtonBack) && !w->Navigation().ShiftReleased);
          QCOMPARE(button->focusWidget(), button);  // the key moved no focus
          Key(button, QEvent::KeyRelease, Qt::Key_Left);
          QVERIFY(w->Navigation().ShiftReleased);
        }),
        {WindowStartsAt(*w, passes, fixture::kMonthStart - 7), [&] {
           QVERIFY(!Held(*w, erp::ButtonBack));
           auto* grid = w->findChild<QComboBox*>("ComboBoxGrid");
           grid->lineEdit()->setFocus();
           Key(grid->lineEdit(), QEvent::KeyPress, Qt::Key_Left);
           Key(grid->lineEdit(), QEvent::KeyPress, Qt::Key_Home);
           QVERIFY(!Held(*w, erp::ButtonBack));
           QCOMPARE(w->View().TimeShiftDays, -7.0);
           Key(grid->lineEdit(), QEvent::KeyRelease, Qt::Key_Left);

           QWidget* chart = &w->Chart();
           chart->setFocus();
           Key(chart, QEvent::KeyPress, Qt::Key_Up);
           QVERIFY(Held(*w, erp::ButtonPanUp));
           Key(chart, QEvent::KeyRelease, Qt::Key_Up);
           QVERIFY(!Held(*w, erp::ButtonPanUp));

           auto& left = w->Chart().LeftAxis();
           const double span = left.Maximum() - left.Minimum();
           const QPoint centre = w->Chart().ChartRect().ToQRect().center();
           QWidget* surface = w->Chart().findChild<QWidget*>("ChartSurface");
           QWheelEvent wheel(centre, surface->mapToGlobal(centre), QPoint(), QPoint(0, 240), Qt::NoButton,
                             Qt::NoModifier, Qt::NoScrollPhase, false);
           QApplication::sendEvent(surface, &wheel);
           QVERIFY(std::abs(left.Maximum() - left.Minimum() - span * 0.97 * 0.97) < span * 1e-9);

           passes = w->RefreshCount();
           Key(chart, QEvent::KeyPress, Qt::Key_Home);
           Key(chart, QEvent::KeyRelease, Qt::Key_Home);
           QCOMPARE(w->View().TimeShiftDays, 0.0);
         }},
        {WindowStartsAt(*w, passes, fixture::kMonthStart), nullptr},
    });
    QVERIFY(ran);
    QVERIFY(fake_.errors.isEmpty());
  }

  // A click on a radio button or a checkbox leaves the keyboard with the chart: the arrow keys go
  // on moving the window instead of switching the trend or the interval. Tab still reaches them.
  void clickedButtonsLeaveTheKeysToTheChart() {
    auto w = Make();
    const bool ran = RunScenario(*w, {Loaded(*w, [&] {
      QApplication::setActiveWindow(w.get());  // offscreen windows get the focus only when told
      QWidget* chart = &w->Chart();
      chart->setFocus();
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus != nullptr);
      auto* shown = w->findChild<QRadioButton*>("RadioGroupTrend1");
      auto* series = w->SeriesCheckBox(2);
      QVERIFY(shown && series);
      QTest::mouseClick(shown, Qt::LeftButton);
      QTest::mouseClick(series, Qt::LeftButton);
      QCOMPARE(QApplication::focusWidget(), focus);
      QCOMPARE(shown->focusPolicy(), Qt::TabFocus);
      Key(focus, QEvent::KeyPress, Qt::Key_Left);
      QVERIFY(Held(*w, erp::ButtonBack));
      Key(focus, QEvent::KeyRelease, Qt::Key_Left);
      QCOMPARE(w->findChild<erp::ui::RadioGroup*>("RadioGroupTrend")->ItemIndex(), 1);  // the click, not the key
    })});
    QVERIFY(ran);
  }

  // The chart's menu: F (and a double click on the plot) fits the value axis to the drawn points
  // once; Ctrl+S writes the chart as an image, Ctrl+C copies it; F5 reads the data again, keeping
  // the view, and a reload that fails keeps the data shown.
  void chartMenu() {
    auto w = Make();
    auto& left = w->Chart().LeftAxis();
    const QString png = dir_->filePath("chart.png");
    const QString svg = dir_->filePath("chart.svg");
    int passes = 0;
    const bool ran = RunScenario(*w, {
        Loaded(*w, [&] {
          QApplication::setActiveWindow(w.get());
          const erp::ValueRange drawn = w->LastRefresh().Visible;
          const double margin = (drawn.Maximum - drawn.Minimum) / 20.0;
          QTest::keyClick(w.get(), Qt::Key_F);
          QVERIFY(std::abs(left.Minimum() - (drawn.Minimum - margin)) < 1e-12);
          QVERIFY(std::abs(left.Maximum() - (drawn.Maximum + margin)) < 1e-12);
          QCOMPARE(w->ScaleMemory()[1], 0);  // the remembered scale stays
          // The double click on the plot after the axis was moved away does it again.
          erp::ui::SetAxisRange(left, erp::ui::LeftAxisFarMaximum, 5.0, 6.0);
          QWidget* surface = w->Chart().findChild<QWidget*>("ChartSurface");
          const QPointF centre = w->Chart().ChartRect().ToQRect().center();
          QMouseEvent doubleClick(QEvent::MouseButtonDblClick, centre, surface->mapToGlobal(centre), Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier);
          QApplication::sendEvent(surface, &doubleClick);
          QVERIFY(std::abs(left.Maximum() - (drawn.Maximum + margin)) < 1e-12);

          w->SetChartFileChooser([&] { return std::optional<QString>(png); });
          QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier);
          w->SetChartFileChooser([&] { return std::optional<QString>(svg); });
          w->findChild<QAction*>("SaveChart")->trigger();
          w->SetChartFileChooser([&] { return std::optional<QString>(dir_->filePath("chart.gif")); });
          w->findChild<QAction*>("SaveChart")->trigger();
          // A name that leads to a data file (a link) is refused; the records stay.
          QVERIFY(QFile::link("c.dat", "over.png"));
          const qint64 records = QFileInfo("c.dat").size();
          w->SetChartFileChooser([&] { return std::optional<QString>(QStringLiteral("over.png")); });
          w->findChild<QAction*>("SaveChart")->trigger();
          QCOMPARE(QFileInfo("c.dat").size(), records);
          QCOMPARE(QImageReader(png).size(), w->Chart().Picture().size());
          QVERIFY(QSvgRenderer(svg).isValid());
          QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
          QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                   w->Chart().Picture().convertToFormat(QImage::Format_RGB32));

          // New records and a week back: F5 shows them, in the same view.
          QFile a("a.dat");
          QVERIFY(a.open(QIODevice::Append));
          a.write("56601 -0.1 0.1 0.3\r\n");
          a.close();
          w->View().TimeShiftDays = -7.0;
          passes = w->RefreshCount();
          w->findChild<QAction*>("ReloadData")->trigger();
        }),
        {[&] { return w->RefreshCount() > passes; }, [&] {
          QCOMPARE(w->Store().At(302, 1, erp::StoreParameter::EpochMJD), 56601.0);
          QCOMPARE(w->View().TimeShiftDays, -7.0);
          // A reload that fails keeps the data shown and says where.
          fixture::Write("b.dat", "2013 1 1 x 0.1 0.1\r\n");
          w->findChild<QAction*>("ReloadData")->trigger();
          QCOMPARE(w->Store().At(302, 1, erp::StoreParameter::EpochMJD), 56601.0);
          QVERIFY(w->Store().At(1, 2, erp::StoreParameter::EpochMJD) != erp::MissingValue);
        }},
    });
    QVERIFY(ran);
    QCOMPARE(fake_.errors, (QStringList{dir_->filePath("chart.gif") + ": an image is written as .png, .svg or .pdf",
                                        QStringLiteral("over.png: would overwrite the data file c.dat of series 3"),
                                        QStringLiteral("'x' is not a valid floating point value\nФайл: b.dat, строка 1")}));
  }

  // The crosshair switch enables the labels and asks for a redraw; with the pointer resting in
  // the plot a week step moves the MJD readout by the week. Every drawing writes the scale.
  void crosshairAndScaleReadout() {
    fixture::Write("scale.ini", "2\n");  // UT1, month, trend removed: 1 ms
    auto w = Make();
    auto* viz = w->findChild<QCheckBox*>("CheckBoxViz");
    auto* x = w->findChild<QLabel*>("StaticTextX");
    int passes = 0;
    double mjd = 0.0;
    const bool ran = RunScenario(*w, {
        Loaded(*w, [&] {
          QCOMPARE(w->findChild<QLineEdit*>("EditScale")->text(), QStringLiteral("M: 1.0 мс"));
          QVERIFY(!w->findChild<QLabel*>("Label1")->isEnabled());
          viz->click();
          QVERIFY(w->findChild<QLabel*>("Label1")->isEnabled() && w->findChild<QLabel*>("Label2")->isEnabled());
          QVERIFY(w->View().RecomputeRequested && w->View().RescaleOnChange);
          erp::ui::Chart& chart = w->Chart();
          const QPoint centre = chart.ChartRect().ToQRect().center();
          w->Crosshair().SetPointerReader([&chart, centre] { return std::optional(chart.mapToGlobal(centre)); });
          passes = w->RefreshCount();
        }),
        {[&] { return w->RefreshCount() > passes && !w->Chart().RedrawPending(); }, [&] {
           QWidget* surface = w->Chart().findChild<QWidget*>("ChartSurface");
           QTest::mouseMove(surface, w->Chart().ChartRect().ToQRect().center());
           QVERIFY(!x->text().isEmpty());
           mjd = x->text().toDouble();
           QVERIFY(mjd > fixture::kMonthStart && mjd < fixture::kMonthEnd);
           passes = w->RefreshCount();
           QTest::mouseClick(w->findChild<QToolButton*>("SpeedButton1"), Qt::LeftButton);
         }},
        {WindowStartsAt(*w, passes, fixture::kMonthStart - 7), [&] {
           QVERIFY(std::abs(x->text().toDouble() - (mjd - 7.0)) < 0.5);
           QCOMPARE(w->findChild<QLineEdit*>("EditScale")->text(), QStringLiteral("M: 1.0 мс"));
         }},
    });
    QVERIFY(ran);
    QVERIFY(fake_.errors.isEmpty());
  }
};

QTEST_MAIN(NavigationTest)
#include "NavigationTest.moc"
