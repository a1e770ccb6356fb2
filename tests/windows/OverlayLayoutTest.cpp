#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include "ui/Controls.h"
#include "ui/OverlayLayout.h"

class OverlayLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void placesEachKindOfControl() {
    QWidget chart;
    chart.resize(900, 600);
    QList<QCheckBox*> boxes;
    for (int i = 1; i <= 15; ++i) {
      auto* box = new QCheckBox(&chart);
      box->resize(17, 17);
      erp::ui::SetTag(box, i);
      boxes << box;
    }
    QGroupBox* groups[4];
    const QSize sizes[4] = {{50, 50}, {97, 127}, {745, 57}, {225, 40}};
    for (int tag = 0; tag < 4; ++tag) {
      groups[tag] = new QGroupBox(&chart);
      groups[tag]->setGeometry(QRect(QPoint(48 + tag, 3), sizes[tag]));
      erp::ui::SetTag(groups[tag], tag);
    }
    auto* other = new QGroupBox(&chart);
    erp::ui::SetTag(other, 7);
    other->setGeometry(11, 12, 30, 30);
    auto* speed = new QToolButton(&chart);
    speed->setGeometry(5, 6, 27, 27);
    auto* combo = new QComboBox(&chart);
    combo->setGeometry(7, 8, 60, 21);
    auto* label = new QLabel("x", &chart);
    label->setGeometry(9, 10, 20, 13);
    auto* frame = new QFrame(&chart);
    frame->setGeometry(13, 14, 20, 20);
    auto* inner = new QCheckBox(groups[1]);  // inside a group box: not moved
    inner->move(3, 4);

    struct Layout {
      QRect legend, plot;
      int chartBottom;
      int row;
    } const layouts[] = {
        {QRect(700, 100, 120, 301), QRect(9, 30, 680, 490), 600, 20},  // 301 / 15 rounds down to 20
        {QRect(500, 80, 120, 225), QRect(9, 20, 480, 300), 400, 15},   // after a resize
    };
    for (const Layout& l : layouts) {
      QList<QWidget*> controls;
      for (QObject* o : chart.children()) controls << qobject_cast<QWidget*>(o);
      erp::ui::LayoutOverlay(controls, l.legend, l.plot, l.chartBottom, boxes[0]);
      for (int i = 1; i <= 15; ++i) {
        QCOMPARE(boxes[i - 1]->pos(), QPoint(l.legend.x() - 17, l.legend.y() + (i - 1) * l.row));
      }
      const int legendBottom = l.legend.y() + l.legend.height();
      const int plotBottom = l.plot.y() + l.plot.height();
      QCOMPARE(groups[0]->pos(), QPoint(l.legend.x() - 17, legendBottom + 10));
      QCOMPARE(groups[1]->pos(), QPoint(l.legend.x() - 17, plotBottom - 127 - 1));
      QCOMPARE(groups[2]->pos(), QPoint(50, l.chartBottom - 57 - 5));
      QCOMPARE(groups[3]->pos(), QPoint(51, l.plot.y() - 40 - 5));
      QCOMPARE(other->pos(), QPoint(11, 12));
      QCOMPARE(speed->pos(), QPoint(5, l.plot.y() - 27 - 8));
      QCOMPARE(combo->pos(), QPoint(7, l.chartBottom - 21 - 10));
      QCOMPARE(label->pos(), QPoint(9, l.chartBottom - 13 - 10));
      QCOMPARE(frame->pos(), QPoint(13, 14));
      QCOMPARE(inner->pos(), QPoint(3, 4));
    }
  }
};

QTEST_MAIN(OverlayLayoutTest)
#include "OverlayLayoutTest.moc"
