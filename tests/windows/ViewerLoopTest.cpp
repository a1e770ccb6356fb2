// The viewer as the operator drives it: Start, the loop and its refresh requests, the scale
// controls, the automatic export and the Exit press, in a temporary folder with fixture data.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FakeInteraction.h"
#include "ViewerFixture.h"
#include "core/PlotPipeline.h"
#include "ui/AxisRange.h"
#include "ui/Controls.h"
#include "ui/chart/Chart.h"

using fixture::RunScenario;
using fixture::Step;

// The renames and folder flushes of the program, in order, while `recordFileCalls` is set: the test
// binary is linked with --wrap=rename,--wrap=fsync, so the program's calls come here first.
namespace {
bool recordFileCalls = false;
std::vector<std::string> fileCalls;  // "rename utr.bmp", "sync folder"
}  // namespace

extern "C" {
int __real_rename(const char* from, const char* to);
int __real_fsync(int fd);

int __wrap_rename(const char* from, const char* to) {
  if (recordFileCalls) fileCalls.push_back("rename " + QFileInfo(QString::fromLocal8Bit(to)).fileName().toStdString());
  return __real_rename(from, to);
}
int __wrap_fsync(int fd) {
  struct stat st {};
  if (recordFileCalls && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) fileCalls.push_back("sync folder");
  return __real_fsync(fd);
}
}

namespace {

QByteArray ReadFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QRadioButton* Item(TForm1& w, const char* group, int index) {
  return w.findChild<QRadioButton*>(QString::fromLatin1(group) + QString::number(index));
}

// The value axis that a rescale of the last pass gives with the controls as they stand.
erp::VerticalScale ExpectedScale(TForm1& w) {
  auto* scale = w.findChild<QComboBox*>("ComboBoxScaleY");
  auto* grid = w.findChild<QComboBox*>("ComboBoxGrid");
  return erp::ComputeVerticalScale(w.View().SelectedParameter, scale->currentIndex(),
                                   grid->findText(grid->currentText()), w.LastRefresh().Visible);
}

}  // namespace

class ViewerLoopTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  QString oldDir_;
  FakeInteraction fake_;
  std::optional<int> exitCode_;

  std::unique_ptr<TForm1> Make(const QStringList& args = {"orbelon"}) {
    auto w = std::make_unique<TForm1>(fake_, fixture::PinnedClock, args);
    w->show();
    w->SetProcessEnd([this, window = w.get()](int code) {
      exitCode_ = code;
      window->View().Running = false;  // stands in for the end of the process
    });
    return w;
  }
  QPushButton* Start(TForm1& w) { return w.findChild<QPushButton*>("BitBtnStart"); }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    oldDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    fixture::WriteViewerFixture(QDir(dir_->path()));
    fake_ = FakeInteraction();
    exitCode_.reset();
    // A press of Exit right after Start counts as the second click of a double click: the tests
    // that press it at once run without that guard, doubleClickOnStartDoesNotExit with it.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
  }
  void cleanup() {
    QDir::setCurrent(oldDir_);
    dir_.reset();
  }

  void startLoadsDrawsAndRescales() {
    fixture::Write("scale.ini", "2\n");  // UT1, month, trend removed: 1 ms
    auto w = Make();
    erp::ui::Chart& chart = w->Chart();
    QVERIFY(RunScenario(*w, {{[&] { return w->RefreshCount() >= 1 && !chart.RedrawPending(); }, [&] {
      QCOMPARE(Start(*w)->text(), QStringLiteral("ВЫХОД"));
      QCOMPARE(Start(*w)->palette().color(QPalette::ButtonText), QColor(0xff, 0x00, 0x00));
      QCOMPARE(w->StatusText(), QStringLiteral("  Ready"));
      for (QWidget* control : chart.OverlayControls()) QVERIFY(control->isEnabled());
      // The month window with both bounding Mondays; series 4 has UT1 only, all four are drawn.
      QCOMPARE(w->LastRefresh().Exit, erp::RefreshExit::Drawn);
      for (int i = 0; i < 4; ++i) QCOMPARE(chart.SeriesList(i).Count(), 29);
      const double offset = w->TimeBase().DateTimeOffset;
      QCOMPARE(chart.SeriesList(0).XValue(0), fixture::kMonthStart + offset);
      QCOMPARE(chart.SeriesList(0).XValue(28), fixture::kMonthEnd + offset);
      // Series 2 lies a second above series 1 in its file and is drawn next to it.
      QVERIFY(std::abs(chart.SeriesList(1).YValue(0) - chart.SeriesList(0).YValue(0)) < 0.001);
      // The trend of series 3 is removed: its first and last points are level.
      QVERIFY(std::abs(chart.SeriesList(2).YValue(0) - chart.SeriesList(2).YValue(28)) < 1e-12);
      // The first pass applies the remembered scale, centred on the data.
      const erp::VerticalScale expected = ExpectedScale(*w);
      QCOMPARE(chart.LeftAxis().Increment(), 0.001);
      QCOMPARE(chart.LeftAxis().Minimum(), expected.Minimum);
      QCOMPARE(chart.LeftAxis().Maximum(), expected.Maximum);
      QCOMPARE(chart.BottomAxis().Maximum(), fixture::kMonthEnd + offset);
    }}}));
    QVERIFY(fake_.errors.isEmpty());
    QVERIFY(!w->View().Running);
    QVERIFY(ReadFile("scale.ini").startsWith("2\r\n0\r\n"));  // written by the close
  }

  void requestsWithinOneWaitCostOnePass() {
    auto w = Make();
    int before = 0;
    QElapsedTimer since;
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] {
           before = w->RefreshCount();
           Item(*w, "RadioGroupPVZ", 2)->click();  // Xp
           w->SeriesCheckBox(4)->click();
         }},
        {[&] { return w->RefreshCount() > before; }, [&] { since.start(); }},
        {[&] { return since.elapsed() > 100; }, [&] {  // several more loop iterations

           QCOMPARE(w->RefreshCount(), before + 1);
           QCOMPARE(w->View().SelectedParameter, 3);
           QVERIFY(!w->View().SeriesVisible[4]);
           QCOMPARE(w->Chart().SeriesList(3).Count(), 0);
           QCOMPARE(w->findChild<QGroupBox*>("GroupBoxScales")->title(), QStringLiteral("Масштабы X,Y:"));
         }},
    }));
  }

  // Which rescale request each control makes, with "Выбрать:" checked and unchecked.
  void controlsSetTheirRequests_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("choose");
    QTest::addColumn<bool>("onChange");
    QTest::addColumn<bool>("onChoice");
    QTest::addColumn<bool>("chooseAfter");
    const struct {
      const char* control;
      bool onChangeChosen, onChoiceChosen, onChangeNot, onChoiceNot, checksChoose;
    } rows[] = {
        {"parameter", false, true, true, false, false},
        {"interval", true, false, true, false, true},
        {"trend", true, false, true, false, true},
        {"scale", false, true, false, true, false},
        {"grid chosen", false, true, true, false, false},
        {"grid typed", false, true, true, false, false},
        {"series box", false, true, false, false, false},
    };
    for (const auto& r : rows) {
      QTest::addRow("%s, chosen", r.control) << r.control << true << r.onChangeChosen << r.onChoiceChosen << true;
      QTest::addRow("%s, not chosen", r.control)
          << r.control << false << r.onChangeNot << r.onChoiceNot << r.checksChoose;
    }
  }
  void controlsSetTheirRequests() {
    QFETCH(QString, control);
    QFETCH(bool, choose);
    QFETCH(bool, onChange);
    QFETCH(bool, onChoice);
    QFETCH(bool, chooseAfter);
    auto w = Make();
    auto* chooseBox = w->findChild<QCheckBox*>("CheckBoxChoise");
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] {
           w->View().AnySeriesVisible = true;  // as after a pass with series shown
           chooseBox->setChecked(choose);
           w->View().RescaleOnChange = w->View().RescaleOnChoice = false;
           w->View().RecomputeRequested = false;
           const int passes = w->RefreshCount();
           if (control == "parameter") Item(*w, "RadioGroupPVZ", 1)->click();
           if (control == "interval") Item(*w, "RadioGroupInterval", 1)->click();
           if (control == "trend") Item(*w, "RadioGroupTrend", 1)->click();
           if (control == "scale") {
             auto* scale = w->findChild<QComboBox*>("ComboBoxScaleY");
             scale->setFocus();
             QTest::keyClick(scale, Qt::Key_Down);
           }
           if (control == "grid chosen") QTest::keyClick(w->findChild<QComboBox*>("ComboBoxGrid"), Qt::Key_Down);
           if (control == "grid typed") QTest::keyClicks(w->findChild<QComboBox*>("ComboBoxGrid")->lineEdit(), "9");
           if (control == "series box") w->SeriesCheckBox(2)->click();
           QCOMPARE(w->RefreshCount(), passes);  // handlers only ask; the loop runs the pass
           QVERIFY(w->View().RecomputeRequested);
           QCOMPARE(w->View().RescaleOnChange, onChange);
           QCOMPARE(w->View().RescaleOnChoice, onChoice);
           QCOMPARE(chooseBox->isChecked(), chooseAfter);
         }},
    }));
    QVERIFY(fake_.errors.isEmpty());
  }

  void scaleMemoryFollowsTheView() {
    auto w = Make();
    auto* scale = w->findChild<QComboBox*>("ComboBoxScaleY");
    const auto choose = [&](int index) {
      scale->setCurrentIndex(index - 1);
      scale->setFocus();
      QTest::keyClick(scale, Qt::Key_Down);
    };
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] {
           choose(2);  // "M: 1 мс" in UT1, month, trend removed
           QCOMPARE(w->ScaleMemory()[1], 2);
           Item(*w, "RadioGroupPVZ", 2)->click();  // Xp: the X,Y labels, slot 9
           QCOMPARE(scale->itemText(0), QStringLiteral("M: 0,030\""));
           QCOMPARE(scale->currentIndex(), 0);
           choose(4);
           QCOMPARE(w->ScaleMemory()[9], 4);
           Item(*w, "RadioGroupPVZ", 0)->click();
           QCOMPARE(scale->currentIndex(), 2);
           QCOMPARE(scale->itemText(4), QStringLiteral("M: 0,25 мс"));
           Item(*w, "RadioGroupPVZ", 1)->click();  // UT1R: slot 5, nothing remembered
           QCOMPARE(scale->currentIndex(), 0);
           Item(*w, "RadioGroupTrend", 1)->click();  // UT1R, month, trend shown: slot 6
           choose(3);
           QCOMPARE(w->ScaleMemory()[6], 3);
         }},
        {[&] { return !w->View().RecomputeRequested; }, [&] {
           // The pass after the choice applies it, centred on the data.
           QCOMPARE(w->Chart().LeftAxis().Increment(), 0.0005);
           const erp::VerticalScale expected = ExpectedScale(*w);
           QCOMPARE(w->Chart().LeftAxis().Minimum(), expected.Minimum);
           QCOMPARE(w->Chart().LeftAxis().Maximum(), expected.Maximum);
         }},
    }));
    QByteArray expected;
    for (int k = 1; k <= 16; ++k) expected += QByteArray::number(k == 1 ? 2 : k == 9 ? 4 : k == 6 ? 3 : 0) + "\r\n";
    QCOMPARE(ReadFile("scale.ini"), expected);
  }

  void noSeriesExitKeepsAPendingRescale() {
    auto w = Make();
    auto& left = w->Chart().LeftAxis();
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] {
           w->findChild<QCheckBox*>("CheckBoxChoise")->setChecked(false);
           for (int slot = 1; slot <= 15; ++slot) w->SeriesCheckBox(slot)->click();
           QVERIFY(!w->View().RescaleOnChange);  // series were shown: switching them keeps the axis
         }},
        {[&] { return !w->View().RecomputeRequested; }, [&] {
           QCOMPARE(w->LastRefresh().Exit, erp::RefreshExit::NoSeries);
           erp::ui::SetAxisRange(left, 1e7, 5.0, 6.0);  // as if panned far away
           w->View().RescaleOnChoice = true;  // a pending request survives the no-series exit
           w->View().RecomputeRequested = true;
         }},
        {[&] { return !w->View().RecomputeRequested; }, [&] {
           QVERIFY(w->View().RescaleOnChoice);
           w->SeriesCheckBox(1)->click();  // nothing was shown: this one rescales
           QVERIFY(w->View().RescaleOnChange);
         }},
        {[&] { return !w->View().RecomputeRequested; }, [&] {
           QCOMPARE(w->LastRefresh().Exit, erp::RefreshExit::Drawn);
           QVERIFY(left.Maximum() < 1.0);
           // The rescale checked "Выбрать:" again. With it unchecked, a series switched on while others
           // are shown leaves the axis where the operator put it.
           QVERIFY(w->findChild<QCheckBox*>("CheckBoxChoise")->isChecked());
           w->findChild<QCheckBox*>("CheckBoxChoise")->setChecked(false);
           erp::ui::SetAxisRange(left, 1e7, 5.0, 6.0);
           w->SeriesCheckBox(2)->click();
         }},
        {[&] { return !w->View().RecomputeRequested; }, [&] {
           QCOMPARE(w->Chart().SeriesList(1).Count(), 29);
           QCOMPARE(left.Minimum(), 5.0);
         }},
    }));
  }

  void automaticExportWritesTheImagesInOrder() {
    auto w = Make({"orbelon", "-a"});
    QStringList written;
    QMap<int, QImage> drawn;  // the last picture drawn of each parameter
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      if (!w->Chart().RedrawPending() && w->View().SelectedParameter > 0) {
        drawn[w->View().SelectedParameter] = w->Chart().Picture().convertToFormat(QImage::Format_RGB32);
      }
      for (const char* name : {"utr.bmp", "xp.bmp", "yp.bmp"}) {
        if (!written.contains(name) && QFile::exists(name)) written << name;
      }
      if (written.size() == 3 && w->View().Running) w->close();
    });
    watch.start(1);
    // Timer3 presses Start by itself; the loop ends when the watcher closes the window.
    QTRY_VERIFY_WITH_TIMEOUT(written.size() == 3 && !w->View().Running, 15000);
    QCOMPARE(written, (QStringList{"utr.bmp", "xp.bmp", "yp.bmp"}));
    // Each image is the chart of its parameter: UT1R, Xp, Yp.
    QCOMPARE(QImage("utr.bmp").convertToFormat(QImage::Format_RGB32), drawn.value(2));
    QCOMPARE(QImage("xp.bmp").convertToFormat(QImage::Format_RGB32), drawn.value(3));
    QCOMPARE(QImage("yp.bmp").convertToFormat(QImage::Format_RGB32), drawn.value(4));
    QVERIFY(drawn.value(2) != drawn.value(3) && drawn.value(3) != drawn.value(4));
    QCOMPARE(w->findChild<erp::ui::RadioGroup*>("RadioGroupPVZ")->ItemIndex(), 3);
    QVERIFY(fake_.errors.isEmpty());
  }

  // Every image renamed into place has its folder flushed to disk after it, before the next image
  // (the flush may wait for the next wait of the loop, out of the stage's way), and so has the
  // scale memory written on closing. The window closes during the wait before the last stage, so
  // that the loop ends right after it.
  void automaticExportFlushesTheFolderOfEachImage() {
    fileCalls.clear();
    recordFileCalls = true;
    auto w = Make({"orbelon", "-a"});
    connect(w.get(), &TForm1::ExportImageWrittenAhead, [&](const QString& name) {
      if (name == "yp.bmp") w->close();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("yp.bmp") && !w->View().Running, 15000);
    w.reset();
    recordFileCalls = false;
    QVERIFY(fake_.errors.isEmpty());
    std::vector<std::string> renamed;
    std::size_t unsynced = 0;  // renames not yet followed by a flush
    for (const std::string& call : fileCalls) {
      if (call == "sync folder") {
        unsynced = 0;
        continue;
      }
      if (call.size() > 4 && call.compare(call.size() - 4, 4, ".bmp") == 0) {
        QCOMPARE(unsynced, std::size_t{0});  // the image before it was flushed
      }
      renamed.push_back(call);
      ++unsynced;
    }
    QCOMPARE(unsynced, std::size_t{0});
    const auto syncs = std::count(fileCalls.begin(), fileCalls.end(), "sync folder");
    QCOMPARE(static_cast<std::size_t>(syncs), renamed.size());  // one flush each, none lost behind another's
    QCOMPARE(renamed, (std::vector<std::string>{"rename utr.bmp", "rename xp.bmp", "rename scale.ini", "rename yp.bmp"}));
  }

  // Each image is written beside its name during the wait before its stage, which then renames it
  // into place. What changes in between wins: a picture changed since (here a line of the inverting
  // pen) is saved as it is now, and a FIFO put under the name is refused, not replaced.
  void imagesWrittenAheadStayTrueToTheChart() {
    auto w = Make({"orbelon", "-a"});
    QImage changedPicture;
    bool fifoMade = false;
    connect(w.get(), &TForm1::ExportImageWrittenAhead, [&](const QString& name) {
      QCOMPARE(QDir().entryList({name + ".tmp*"}, QDir::Files).size(), 1);  // beside its name, not yet in place
      if (name == "utr.bmp") {
        w->Chart().Canvas().Pen().SetMode(erp::ui::PenMode::Not);
        w->Chart().Canvas().MoveTo(10, 10);
        w->Chart().Canvas().LineTo(200, 150);
        changedPicture = w->Chart().Picture();
      }
      if (name == "xp.bmp") fifoMade = ::mkfifo("xp.bmp", 0644) == 0;
    });
    // Should the run get past the FIFO, the window closes at the end, so that the loop ends.
    bool closed = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      if (QFile::exists("yp.bmp") && w->View().Running) closed = w->close();
    });
    watch.start(5);
    QTRY_VERIFY_WITH_TIMEOUT(!fake_.errors.isEmpty() || closed, 15000);
    QVERIFY(!changedPicture.isNull() && fifoMade);
    QCOMPARE(QImage("utr.bmp").convertToFormat(QImage::Format_RGB32), changedPicture.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(fake_.errors, QStringList{"xp.bmp: is a FIFO (named pipe), not a regular file; only regular files are replaced"});
    QVERIFY(QFileInfo("xp.bmp").isFile() == false && QFileInfo::exists("xp.bmp"));
    QCOMPARE(QDir().entryList({"*.tmp*"}, QDir::Files | QDir::System), QStringList());
    QVERIFY(!QFile::exists("yp.bmp"));
  }

  void anImageThatCannotBeWrittenEndsTheLoop() {
    QVERIFY(QDir().mkdir("utr.bmp"));  // a folder in its place
    auto w = Make({"orbelon", "-a"});
    QTRY_VERIFY_WITH_TIMEOUT(!fake_.errors.isEmpty(), 15000);
    // The press returned: the loop has ended, the window stays and Start acts as Exit.
    QVERIFY(w->View().Running);
    const int passes = w->RefreshCount();
    QTest::qWait(100);
    QCOMPARE(w->RefreshCount(), passes);
    QVERIFY(!QFile::exists("xp.bmp"));
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).filter(".bmp").size(), 0);  // nothing half-written
    Start(*w)->click();
    QCOMPARE(exitCode_, std::optional<int>(0));
  }

  void doubleClickOnStartDoesNotExit() {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(1000);
    auto w = Make();
    QElapsedTimer pressed;
    QVERIFY(RunScenario(*w, {{[] { return true; }, [&] {
      Start(*w)->click();  // the second click of the double click, at the loop's first messages
      QCOMPARE(exitCode_, std::nullopt);
      QVERIFY(w->View().Running);
      pressed.start();
    }}, {[&] { return pressed.isValid() && pressed.elapsed() > 1050; }, [&] { Start(*w)->click(); }}}));
    QCOMPARE(exitCode_, std::optional<int>(0));
  }

  void exitWritesTheScalesAndEndsAtOnce() {
    auto w = Make();
    QVERIFY(RunScenario(*w, {{[&] { return w->RefreshCount() >= 1; }, [&] {
      QFile::remove("scale.ini");
      Start(*w)->click();
    }}}));
    QCOMPARE(exitCode_, std::optional<int>(0));
    QCOMPARE(ReadFile("scale.ini").count("0\r\n"), 16);
  }

  void exitThatCannotWriteTheScalesGoesOn() {
    auto w = Make();
    int passes = 0;
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] {
           QFile::remove("scale.ini");
           QDir().mkdir("scale.ini");
           Start(*w)->click();
           QCOMPARE(fake_.errors.size(), 1);
           QVERIFY(!exitCode_);
           passes = w->RefreshCount();
           Item(*w, "RadioGroupPVZ", 3)->click();
         }},
        {[&] { return w->RefreshCount() > passes; }, [&] { QDir().rmdir("scale.ini"); }},
    }));
    QVERIFY(!exitCode_);
  }

  void extremeValuesKeepTheLoopGoing() {
    // Series 1 and 3 at the far ends of what the reader accepts: UT1 from -1e300 to 1e300, Xp at
    // 1e300 beside the other series' tenths of an arcsecond. The axis stays finite, and moving it
    // far above its old range makes no axis refusal that would end the loop.
    QByteArray a, c;
    for (int day = 0; day < 40; ++day) {
      const QByteArray e = QByteArray::number(56470 + day);
      a += e + (day % 2 ? " 1e300 1e300 -1e300\r\n" : " -1e300 1e300 1e300\r\n");
      c += e + " 1e300 -1e300 " + (day < 20 ? "-1e300" : "1e300") + "\r\n";
    }
    fixture::Write("a.dat", a);
    fixture::Write("c.dat", c);
    auto w = Make();
    auto& left = w->Chart().LeftAxis();
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] { Item(*w, "RadioGroupPVZ", 2)->click(); }},
        {[&] { return w->RefreshCount() >= 2 && !w->Chart().RedrawPending(); }, [&] {
           QCOMPARE(w->LastRefresh().Exit, erp::RefreshExit::Drawn);
           QVERIFY(std::isfinite(left.Minimum()) && std::isfinite(left.Maximum()));
           QVERIFY(left.Minimum() <= left.Maximum());
           QVERIFY(left.Minimum() > 1e299);
         }},
    }));
    QVERIFY2(fake_.errors.isEmpty(), qPrintable(fake_.errors.join('\n')));
  }

  // A 100 MB data file of records older than the store's window is read through and dropped; the
  // window then works as usual.
  void hugeFileOfOldRecordsLeavesTheWindowUsable() {
    QByteArray old;
    const QByteArray line = "50000.0000 0.1234567 0.2345678 0.3456789 0.0000123 0.0000456 0.0000789\r\n";
    old.reserve(100 * 1024 * 1024 + line.size());
    while (old.size() < 100 * 1024 * 1024) old += line;
    old += fixture::Number(fixture::kMonthStart) + " 0.1 0.1 0.3 0 0 0\r\n";
    fixture::Write("d.dat", old);
    auto w = Make();
    int passes = 0;
    QVERIFY(RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1; }, [&] {
           QCOMPARE(w->Store().At(1, 4, erp::StoreParameter::EpochMJD), fixture::kMonthStart);
           passes = w->RefreshCount();
           Item(*w, "RadioGroupPVZ", 2)->click();
         }},
        {[&] { return w->RefreshCount() > passes; }, [&] { QCOMPARE(w->View().SelectedParameter, 3); }},
    }, 60000));
    QVERIFY(fake_.errors.isEmpty());
  }

  void loadingErrorLeavesStartAsExit() {
    fixture::Write("c.dat", "56480 0.1 0.3 -0.2\r\n56481 0.1 abc -0.2\r\n");
    auto w = Make();
    Start(*w)->click();  // returns: the loop is not entered
    // The converter's message as it stands, and where on a line of its own.
    QCOMPARE(fake_.errors, QStringList{QStringLiteral("'abc' is not a valid floating point value\nФайл: c.dat, строка 2")});
    QVERIFY(w->StatusText().contains("c.dat"));
    QVERIFY(!w->findChild<QGroupBox*>("GroupBox2")->isEnabled());
    QCOMPARE(w->RefreshCount(), 0);
    Start(*w)->click();
    QCOMPARE(exitCode_, std::optional<int>(0));
  }

  void missingDataAsksForTheFolder() {
    QVERIFY(QDir().mkdir("data"));
    for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat"}) QVERIFY(QFile::rename(name, QString("data/") + name));
    QVERIFY(QDir().mkdir("empty"));
    fake_.chosenDirectories = {QDir::current().filePath("empty"), QDir::current().filePath("data")};
    auto w = Make();
    QVERIFY(RunScenario(*w, {{[&] { return w->RefreshCount() >= 1; }, [&] {
      QCOMPARE(fake_.messages.size(), 2);  // again after a folder without data
      QCOMPARE(fake_.messages.first(), QStringLiteral("Путь к файлам данных указан неверно!"));
      QCOMPARE(fake_.chooserStarts.first(), QDir::currentPath());
      QCOMPARE(w->Chart().SeriesList(0).Count(), 29);
    }}}));
  }

  // Cancel in the folder chooser gives up: the window is as before Start, ready to be closed or
  // started again.
  void cancelInTheChooserLeavesTheWindowAsBeforeStart() {
    QVERIFY(QDir().mkdir("data"));
    for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat"}) QVERIFY(QFile::rename(name, QString("data/") + name));
    fake_.chosenDirectories = {std::nullopt};
    auto w = Make();
    const QString status = w->StatusText();
    Start(*w)->click();  // returns at once
    QCOMPARE(fake_.messages, QStringList{QStringLiteral("Путь к файлам данных указан неверно!")});
    QVERIFY(!w->View().Running);
    QCOMPARE(Start(*w)->text(), QStringLiteral("Старт"));
    QCOMPARE(Start(*w)->palette().color(QPalette::ButtonText), QColor(0x00, 0x80, 0x00));
    QCOMPARE(w->StatusText(), status);
    QVERIFY(!w->findChild<QGroupBox*>("GroupBox2")->isEnabled());
    QCOMPARE(w->RefreshCount(), 0);

    // Started again with the folder chosen, it loads and draws.
    fake_.chosenDirectories = {QDir::current().filePath("data")};
    QVERIFY(RunScenario(*w, {{[&] { return w->RefreshCount() >= 1; }, [&] {
      QCOMPARE(w->Chart().SeriesList(0).Count(), 29);
    }}}));
  }
};

QTEST_MAIN(ViewerLoopTest)
#include "ViewerLoopTest.moc"
