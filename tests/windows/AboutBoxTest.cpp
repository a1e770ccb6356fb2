#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "Unit3.h"
#include "ui/JpegImage.h"

class AboutBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void pictureDecodesWithLibjpeg() {
    const QByteArray jpeg = AboutPictureJpeg();
    QVERIFY(jpeg.startsWith("\xFF\xD8"));
    const QImage image = erp::ui::DecodeJpeg(jpeg);
    QCOMPARE(image.size(), QSize(193, 129));
    // Not a blank picture: the pole path is drawn in dark blue on a light background.
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 80;
    QVERIFY(dark > 200);
  }

  void garbageIsNotAPicture() {
    QVERIFY(erp::ui::DecodeJpeg(QByteArray()).isNull());
    QVERIFY(erp::ui::DecodeJpeg(QByteArray("not a jpeg at all")).isNull());
    // A file cut short anywhere gives no picture or the whole 193 x 129 (what is missing grey),
    // never a crash or an image of another size.
    const QByteArray whole = AboutPictureJpeg();
    for (const qsizetype length : {qsizetype(2), qsizetype(20), qsizetype(300), whole.size() / 2, whole.size() - 2}) {
      const QImage image = erp::ui::DecodeJpeg(whole.left(length));
      QVERIFY2(image.isNull() || image.size() == QSize(193, 129), qPrintable(QString::number(length)));
    }
  }

  void layoutAndClosing() {
    TfmABOUT about;
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(about.size(), QSize(421, 196));
    auto* image = about.findChild<QLabel*>("Image1");
    QVERIFY(image);
    QCOMPARE(image->geometry(), QRect(0, 0, 193, 129));
    QCOMPARE(image->pixmap().size(), QSize(193, 129));
    auto* version = about.findChild<QLabel*>("Label6");
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Software ver.1.01 /30-Nov-2012"));
    QCOMPARE(version->pos(), QPoint(199, 38));
    auto* ok = about.findChild<QPushButton*>("Button1");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("Ok"));
    QCOMPARE(ok->geometry(), QRect(184, 163, 73, 25));
    QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
    about.show();
    QVERIFY(about.isVisible());
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about.isVisible());
  }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
