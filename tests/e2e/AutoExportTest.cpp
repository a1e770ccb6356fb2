// The whole program in automatic mode: `orbelon -a` under faketime on the pinned day, offscreen, in
// a folder with fixture data, writes "utr.bmp", "xp.bmp" and "yp.bmp" in this order and stays open.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

#include <signal.h>
#include <unistd.h>

#include "../windows/ViewerFixture.h"

namespace {

const char* const kImages[] = {"utr.bmp", "xp.bmp", "yp.bmp"};

// The distinct colours of the left three quarters of an image: the plot, without the legend on
// the right, which shows every series whether it is drawn or not.
std::set<QRgb> PlotColoursOf(const QImage& image) {
  std::set<QRgb> colours;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width() * 3 / 4; ++x) colours.insert(line[x] & 0xFFFFFF);
  }
  return colours;
}

}  // namespace

class AutoExportTest : public QObject {
  Q_OBJECT

 private slots:
  void writesTheThreeImagesInOrderAndStaysOpen() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    fixture::WriteViewerFixture(QDir(dir.path()));

    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");  // Qt's timers and the loop's wait run on real time
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // faketime runs the program as its child: both in a process group of their own, ended together.
    program.setChildProcessModifier([] { ::setsid(); });
    program.start("faketime", {"2013-08-05 10:00:00", ORBELON_PROGRAM, "-a"});
    QVERIFY2(program.waitForStarted(5000), qPrintable(program.errorString()));
    const auto endProgram = [&program] {
      const auto group = static_cast<pid_t>(program.processId());
      if (group <= 0) return true;  // already ended (kill(-0) would end this test's own group)
      ::kill(-group, SIGKILL);
      return program.waitForFinished(5000);
    };
    struct EndsProgram {  // also when a check below fails
      std::function<bool()> end;
      ~EndsProgram() { end(); }
    } endsProgram{endProgram};

    // Note the order in which the images appear.
    QStringList appeared;
    QElapsedTimer clock;
    clock.start();
    while (appeared.size() < 3 && clock.elapsed() < 20000 && program.state() == QProcess::Running) {
      for (const char* name : kImages) {
        if (!appeared.contains(name) && QFile::exists(dir.filePath(name))) appeared << name;
      }
      QTest::qWait(1);
    }
    QCOMPARE(appeared, (QStringList{"utr.bmp", "xp.bmp", "yp.bmp"}));

    // The program stays open after the export.
    QTest::qWait(300);
    QCOMPARE(program.state(), QProcess::Running);
    QVERIFY(endProgram());

    // Three BMPs of the chart's size, each showing the series it draws in their colours: all four
    // in the UT1R chart, the three with pole coordinates in the Xp and Yp charts.
    QSize size;
    for (const char* name : kImages) {
      qInfo("checking %s", name);
      QImageReader reader(dir.filePath(name));
      QCOMPARE(reader.format(), QByteArray("bmp"));
      const QImage image = reader.read();
      QVERIFY(!image.isNull());
      if (size.isEmpty()) size = image.size();
      QCOMPARE(image.size(), size);
      const std::set<QRgb> colours = PlotColoursOf(image);
      const int drawn = QByteArray(name) == "utr.bmp" ? 4 : 3;
      for (int i = 0; i < 4; ++i) {
        QCOMPARE(colours.count(fixture::kColors[i].rgb() & 0xFFFFFF) == 1, i < drawn);
      }
    }
    // The chart fills the maximised window: nearly the whole width of the (offscreen) screen.
    QVERIFY(size.width() > QGuiApplication::primaryScreen()->geometry().width() * 9 / 10);
  }
};

QTEST_MAIN(AutoExportTest)
#include "AutoExportTest.moc"
