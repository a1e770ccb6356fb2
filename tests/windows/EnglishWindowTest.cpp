// The window in English: with the English translation installed, no text a user sees holds a
// Cyrillic letter, before Start, with the data loaded, in the series dialog, the statistics
// window and the about box. (The Russian window is what every other window test sees.)
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "FakeInteraction.h"
#include "StatsWindow.h"
#include "Unit2.h"
#include "Unit3.h"
#include "ViewerFixture.h"
#include "ui/Language.h"
#include "ui/chart/Chart.h"

namespace {

bool HasCyrillic(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) return true;
  }
  return false;
}

// Every text of `window` and its children that a user may see, with where it stands.
QStringList VisibleTexts(const QWidget& window) {
  QStringList texts;
  const auto add = [&texts](const QObject& o, const QString& what, const QString& text) {
    if (!text.isEmpty()) texts << o.objectName() + " " + what + ": " + text;
  };
  QList<const QWidget*> widgets{&window};
  for (const QWidget* w : window.findChildren<QWidget*>()) widgets << w;
  for (const QWidget* w : widgets) {
    add(*w, "title", w->windowTitle());
    add(*w, "tip", w->toolTip());
    if (const auto* l = qobject_cast<const QLabel*>(w)) add(*l, "text", l->text());
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) add(*b, "text", b->text());
    if (const auto* g = qobject_cast<const QGroupBox*>(w)) add(*g, "title", g->title());
    if (const auto* e = qobject_cast<const QLineEdit*>(w)) add(*e, "text", e->text());
    if (const auto* c = qobject_cast<const QComboBox*>(w)) {
      for (int i = 0; i < c->count(); ++i) add(*c, "item", c->itemText(i));
    }
    if (const auto* t = qobject_cast<const QTableWidget*>(w)) {
      for (int c = 0; c < t->columnCount(); ++c) {
        if (t->horizontalHeaderItem(c)) add(*t, "heading", t->horizontalHeaderItem(c)->text());
      }
    }
    for (const QAction* a : w->actions()) {
      add(*a, "action", a->text());
      if (a->menu()) {
        for (const QAction* item : a->menu()->actions()) add(*item, "menu item", item->text());
      }
    }
  }
  return texts;
}

QStringList CyrillicTexts(const QWidget& window) {
  QStringList found;
  for (const QString& text : VisibleTexts(window)) {
    if (HasCyrillic(text)) found << text;
  }
  return found;
}

}  // namespace

class EnglishWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(erp::ui::InstallTranslations(*QCoreApplication::instance(), QStringLiteral("en"))); }

  void everyVisibleTextIsEnglish() {
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    fixture::WriteViewerFixture(QDir(dir.path()));
    FakeInteraction fake;
    auto w = std::make_unique<TForm1>(fake, fixture::PinnedClock, QStringList{"orbelon"});
    auto* about = new TfmABOUT(w.get());  // owned by the window, as in the program
    auto* format = new TfmFormat(fake, w.get());
    w->SetWindows(about, format);
    w->show();
    QCOMPARE(w->windowTitle(), QStringLiteral("Chart viewer"));
    QCOMPARE(w->findChild<QPushButton*>("BitBtnStart")->text(), QStringLiteral("Start"));
    QCOMPARE(CyrillicTexts(*w), QStringList());
    QCOMPARE(CyrillicTexts(*about), QStringList());
    format->show();
    QCOMPARE(CyrillicTexts(*format), QStringList());
    format->hide();

    const bool finished = fixture::RunScenario(*w, {
      {[&] { return w->RefreshCount() >= 1 && !w->Chart().RedrawPending(); }, [&] {
        QCOMPARE(w->findChild<QPushButton*>("BitBtnStart")->text(), QStringLiteral("EXIT"));
        QCOMPARE(w->findChild<QLineEdit*>("EditScale")->text().endsWith(" ms"), true);
        w->findChild<QAction*>("Options3")->trigger();
        QCOMPARE(CyrillicTexts(*w), QStringList());
        QCOMPARE(CyrillicTexts(*w->StatsWindow()), QStringList());
        QCOMPARE(w->StatsWindow()->TableStats->horizontalHeaderItem(3)->text(), QStringLiteral("Mean (ms)"));
        QCOMPARE(w->StatsWindow()->TableStats->horizontalHeaderItem(8)->text(), QStringLiteral("Drift (ms/yr)"));
        QVERIFY(!w->StatusText().isEmpty() && !HasCyrillic(w->StatusText()));
      }},
    });
    QVERIFY(finished);
    QVERIFY(fake.errors.isEmpty());
    w.reset();
    QDir::setCurrent(oldDir);
  }

  // The core's messages reach the window translated; the where-line too.
  void coreTextsAreTranslated() {
    QCOMPARE(erp::ui::CoreText("Путь к файлам данных указан неверно!"), QStringLiteral("The path to the data files is wrong!"));
    QCOMPARE(erp::ui::CoreText("M: 0,25 мс"), QStringLiteral("M: 0.25 ms"));
    QCOMPARE(erp::ui::WithUnits(QString::fromUtf8("M: 1.0 мс, Дрейф (мсд/год)")), QStringLiteral("M: 1.0 ms, Дрейф (mas/yr)"));
    QCOMPARE(erp::ui::CoreText("'x' is not a valid floating point value"), QStringLiteral("'x' is not a valid floating point value"));
  }
};

QTEST_MAIN(EnglishWindowTest)
#include "EnglishWindowTest.moc"
