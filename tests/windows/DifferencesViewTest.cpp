// The differences view of the main window: its switch (the checkbox, the menu and the key D), its
// reference, the differences' own scales remembered apart from scale.ini, the reference without
// points told, and what differences.ini keeps for the next start.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "FakeInteraction.h"
#include "ViewerFixture.h"
#include "ui/chart/Chart.h"

using fixture::RunScenario;
using fixture::Step;

class DifferencesViewTest : public QObject {
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
  // A refresh pass after `passes` has run and its drawing is done.
  static std::function<bool()> PassedAfter(TForm1& w, const int& passes) {
    return [&w, &passes] { return w.RefreshCount() > passes && !w.View().RecomputeRequested && !w.Chart().RedrawPending(); };
  }
  // The first difference of a slot, in ms or mas.
  static double First(TForm1& w, int slot) { return w.Plot().PlotValue(1, slot); }
  static QByteArray ReadAll(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

  void switchReferenceScalesAndRemembrance() {
    auto w = Make();
    auto* box = w->findChild<QCheckBox*>("CheckBoxDifferences");
    auto* reference = w->findChild<QComboBox*>("ComboBoxReference");
    auto* scales = w->findChild<QComboBox*>("ComboBoxScaleY");
    int passes = 0;
    const bool finished = RunScenario(*w, {
        {[&] { return w->RefreshCount() >= 1 && !w->Chart().RedrawPending(); }, [&] {
          QVERIFY(!box->isChecked());
          QCOMPARE(scales->itemText(0), QStringLiteral("M: 3 мс"));
          passes = w->RefreshCount();
          QApplication::setActiveWindow(w.get());
          QTest::keyClick(w.get(), Qt::Key_D);  // the menu's key
        }},
        {PassedAfter(*w, passes), [&] {
          // UT1 minus series 3 (the default reference) in ms: Alpha 0.3 ms above, Beta 0.5 ms
          // (its whole second taken out), the reference itself the zero line.
          QVERIFY(box->isChecked());
          QVERIFY(w->findChild<QAction*>("ShowDifferences")->isChecked());
          QCOMPARE(w->LastRefresh().Exit, erp::RefreshExit::Drawn);
          QVERIFY(std::abs(First(*w, 1) - 0.3) < 1e-6);
          QVERIFY(std::abs(First(*w, 2) - 0.5) < 1e-6);
          QCOMPARE(First(*w, 3), 0.0);
          QCOMPARE(scales->itemText(0), QStringLiteral("M: 0,1 мс"));
          QVERIFY(w->findChild<QLineEdit*>("EditScale")->text().endsWith(QStringLiteral(" мс")));
          // The differences' scale is remembered apart from scale.ini's.
          scales->setCurrentIndex(3);
          emit scales->activated(3);
          passes = w->RefreshCount();
          reference->setCurrentIndex(0);  // series 1
          emit reference->activated(0);
        }},
        {PassedAfter(*w, passes), [&] {
          QVERIFY(std::abs(First(*w, 2) - 0.2) < 1e-6);
          QVERIFY(std::abs(First(*w, 3) + 0.3) < 1e-6);
          QCOMPARE(w->ScaleMemory()[1], 0);
          passes = w->RefreshCount();
          reference->setCurrentIndex(4);  // series 5 has no data file
          emit reference->activated(4);
        }},
        {PassedAfter(*w, passes), [&] {
          QCOMPARE(w->LastRefresh().Exit, erp::RefreshExit::NothingDrawn);
          QCOMPARE(w->StatusText(), QStringLiteral("  Опорный ряд 5 не имеет точек в окне"));
          passes = w->RefreshCount();
          reference->setCurrentIndex(0);
          emit reference->activated(0);
        }},
        {PassedAfter(*w, passes), [&] { QCOMPARE(w->StatusText(), QStringLiteral("  Ready")); }},
    });
    QVERIFY(finished);
    QVERIFY(fake_.errors.isEmpty());
    // Closed: scale.ini as the values left it, differences.ini with the view, reference 1 and the
    // differences' scale of the first view.
    QVERIFY(ReadAll("scale.ini").startsWith("0\r\n0\r\n"));
    QVERIFY(ReadAll("differences.ini").startsWith("1\r\n1\r\n0\r\n3\r\n"));

    // The next start shows the differences view as it was left.
    auto again = Make();
    QVERIFY(again->findChild<QCheckBox*>("CheckBoxDifferences")->isChecked());
    QCOMPARE(again->findChild<QComboBox*>("ComboBoxReference")->currentIndex(), 0);
    auto* list = again->findChild<QComboBox*>("ComboBoxScaleY");
    QCOMPARE(list->itemText(0), QStringLiteral("M: 0,1 мс"));
    QCOMPARE(list->currentIndex(), 3);
  }

  // A differences.ini that cannot be read is told, the view starts as by default, and the file is
  // neither written over nor in the way of closing the window.
  void anUnreadableFileKeepsNoOneFromClosing() {
    QVERIFY(QDir().mkdir("differences.ini"));
    auto w = Make();
    QCOMPARE(fake_.errors.size(), 1);
    QVERIFY(fake_.errors.first().contains("differences.ini"));
    QVERIFY(!w->findChild<QCheckBox*>("CheckBoxDifferences")->isChecked());
    QVERIFY(w->close());
    QVERIFY(QFileInfo("differences.ini").isDir());
  }

  // A run that never shows the differences writes no differences.ini: the values' views and
  // scale.ini stay exactly as they were.
  void unusedItLeavesNoFile() {
    auto w = Make();
    QVERIFY(RunScenario(*w, {{[&] { return w->RefreshCount() >= 1; }, {}}}));
    QVERIFY(!QFile::exists("differences.ini"));
    QVERIFY(QFile::exists("scale.ini"));
  }
};

QTEST_MAIN(DifferencesViewTest)
#include "DifferencesViewTest.moc"
