// The series statistics window opened from the menu, following the refresh passes of the viewer
// on the fixture folder: a parameter change, another reference series, copy and save.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QRadioButton>
#include <QTableWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "FakeInteraction.h"
#include "StatsWindow.h"
#include "ViewerFixture.h"

namespace {

// The row of the table whose first cell is `title`, as its cells' texts.
QStringList RowOf(QTableWidget& table, const QString& title) {
  for (int r = 0; r < table.rowCount(); ++r) {
    if (table.item(r, 0)->text() != title) continue;
    QStringList cells;
    for (int c = 0; c < table.columnCount(); ++c) cells << (table.item(r, c) ? table.item(r, c)->text() : QString());
    return cells;
  }
  return {};
}

}  // namespace

class StatsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void followsTheDrawingPassesOfTheViewer() {
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    fixture::WriteViewerFixture(QDir(dir.path()));
    FakeInteraction fake;
    auto w = std::make_unique<TForm1>(fake, fixture::PinnedClock, QStringList{"orbelon"});
    w->show();
    TfmStats* stats = nullptr;
    int passes = 0;
    const QString csv = dir.filePath("stats.csv");
    QByteArray savedText;  // the table when it was saved

    const bool finished = fixture::RunScenario(*w, {
      {[&] { return w->RefreshCount() >= 1; }, [&] {
        w->findChild<QAction*>("Options3")->trigger();
        stats = w->StatsWindow();
        QVERIFY(stats && stats->isVisible() && !stats->isModal());
        QCOMPARE(stats->windowTitle(), QStringLiteral("Статистика рядов"));
        // A window of its own, beside the chart rather than over its middle, inside the screen.
        QVERIFY(stats->isWindow() && stats->parentWidget() == nullptr);
        // (The offscreen screen has no room beside the window: it stands at the screen's right edge.)
        const QRect screen = stats->screen()->availableGeometry();
        QVERIFY(screen.contains(stats->frameGeometry()));
        QVERIFY(stats->frameGeometry().left() > w->frameGeometry().right() ||
                stats->frameGeometry().right() == screen.right());
        // UT1 against series 1, in milliseconds.
        QTableWidget& table = *stats->TableStats;
        QCOMPARE(table.rowCount(), 4);
        QCOMPARE(table.horizontalHeaderItem(3)->text(), QStringLiteral("Среднее (мс)"));
        QCOMPARE(RowOf(table, "Alpha"), (QStringList{"Alpha", "29", "", "", "", "", "", "", "", "", "56509.00"}));
        QCOMPARE(RowOf(table, "Beta").mid(1, 4), (QStringList{"29", "29", "0.2000", "0.0000"}));
        passes = w->RefreshCount();
        w->findChild<QRadioButton*>("RadioGroupPVZ2")->click();  // Xp
      }},
      {[&] { return w->RefreshCount() > passes; }, [&] {
        // Xp: series 4 has no pole coordinates; milliarcseconds.
        QTableWidget& table = *stats->TableStats;
        QCOMPARE(table.rowCount(), 3);
        QCOMPARE(table.horizontalHeaderItem(3)->text(), QStringLiteral("Среднее (мсд)"));
        QCOMPARE(RowOf(table, "Beta")[3], QStringLiteral("2.0000"));
        QCOMPARE(RowOf(table, "Gamma")[3], QStringLiteral("-1.0000"));
        // Series 3 as the reference.
        stats->ComboBoxReference->setCurrentIndex(2);
        emit stats->ComboBoxReference->activated(2);
        QCOMPARE(RowOf(table, "Gamma")[2], QString());
        QCOMPARE(RowOf(table, "Alpha")[3], QStringLiteral("1.0000"));
        QCOMPARE(RowOf(table, "Beta")[3], QStringLiteral("3.0000"));

        stats->ButtonCopy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(stats->TableText('\t')));
        stats->SetSaveFileChooser([&] { return std::optional<QString>(csv); });
        stats->ButtonSave->click();
        savedText = QByteArray::fromStdString(stats->TableText(','));
        // A name typed without an extension gets ".csv".
        stats->SetSaveFileChooser([&] { return std::optional<QString>(dir.filePath("typed")); });
        stats->ButtonSave->click();
        QVERIFY(QFile::exists(dir.filePath("typed.csv")));
        QVERIFY(!QFile::exists(dir.filePath("typed")));

        // Hiding the reference series is told in the header; the comparison goes on.
        QCOMPARE(table.horizontalHeaderItem(0)->text(), QStringLiteral("Ряд"));
        passes = w->RefreshCount();
        w->SeriesCheckBox(3)->click();
      }},
      {[&] { return w->RefreshCount() > passes; }, [&] {
        QTableWidget& table = *stats->TableStats;
        QCOMPARE(table.horizontalHeaderItem(0)->text(), QStringLiteral("Ряд (опорный ряд 3 скрыт)"));
        QCOMPARE(RowOf(table, "Beta")[3], QStringLiteral("3.0000"));
      }},
    });
    QVERIFY(finished);
    QVERIFY(fake.errors.isEmpty());
    QFile saved(csv);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), savedText);
    QVERIFY(saved.fileName().endsWith(".csv"));
    QVERIFY(QString::fromStdString(stats->TableText(',')).startsWith("Ряд,Точек,"));
    w.reset();
    QDir::setCurrent(oldDir);
  }
};

QTEST_MAIN(StatsWindowTest)
#include "StatsWindowTest.moc"
