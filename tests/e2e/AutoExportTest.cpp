// The whole program in automatic mode: `orbelon -a` under faketime on the pinned day, offscreen, in
// a folder with fixture data, writes "utr.bmp", "xp.bmp" and "yp.bmp" in this order and stays open.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <set>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "../windows/ViewerFixture.h"
#include "OutputTraps.h"

namespace {

// The desktop's language for a run: `language` ("en_US.UTF-8"), or none the window speaks, so
// that it speaks Russian, its own.
void SetDesktopLanguage(QProcessEnvironment& env, const QString& language = QStringLiteral("C.UTF-8")) {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(name);
  env.insert("LANG", language);
}

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

// The program running in a folder with fixture data, on the pinned day, with the given platform
// environment. faketime runs it as its child: both live in a process group of their own and end
// together when this object goes.
class ProgramRun {
 public:
  // `prepare` changes the fixture folder before the start; standard error goes to "err.txt" in it
  // when `keepErrors`, and to the test's own otherwise.
  ProgramRun(const QStringList& arguments, bool offscreenByEnvironment,
             const std::function<void(const QDir&)>& prepare = {}, bool keepErrors = false) {
    fixture::WriteViewerFixture(QDir(dir_.path()));
    if (prepare) prepare(QDir(dir_.path()));
    process_.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    if (offscreenByEnvironment) env.insert("QT_QPA_PLATFORM", "offscreen");
    SetDesktopLanguage(env);
    env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");  // Qt's timers and the loop's wait run on real time
    process_.setProcessEnvironment(env);
    if (keepErrors) {
      process_.setStandardErrorFile(dir_.filePath("err.txt"));
    } else {
      process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    process_.setChildProcessModifier([] { ::setsid(); });
    process_.start("faketime", QStringList{"2013-08-05 10:00:00", ORBELON_PROGRAM} + arguments);
  }
  ~ProgramRun() { End(); }

  bool Started() { return process_.waitForStarted(5000); }
  bool Running() const { return process_.state() == QProcess::Running; }
  QString Path(const char* name) const { return dir_.filePath(name); }

  // The images in the order they appeared, watched for up to `milliseconds`.
  QStringList WatchImages(int milliseconds) {
    QStringList appeared;
    QElapsedTimer clock;
    clock.start();
    while (appeared.size() < 3 && clock.elapsed() < milliseconds && Running()) {
      for (const char* name : kImages) {
        if (!appeared.contains(name) && QFile::exists(Path(name))) appeared << name;
      }
      QTest::qWait(1);
    }
    return appeared;
  }

  // Ends the program and lets faketime end by itself: it removes its semaphore and shared memory
  // (under /dev/shm) once its child is gone, where a killed faketime leaves them behind for a later
  // one of the same process id to stumble on ("faketime: sem_open: File exists").
  bool End() {
    const auto group = static_cast<pid_t>(process_.processId());
    if (group <= 0) return true;  // not running (kill(-0) would end this test's own group)
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      bool number = false;
      const auto pid = static_cast<pid_t>(entry.toInt(&number));
      if (number && pid != group && ::getpgid(pid) == group) ::kill(pid, SIGKILL);
    }
    if (process_.waitForFinished(5000)) return true;
    ::kill(-group, SIGKILL);
    return process_.waitForFinished(5000);
  }

 private:
  QTemporaryDir dir_;
  QProcess process_;
};

// How a run of `orbelon -a` ended by itself.
struct Ended {
  int exitCode = -1;  // -1: still running after 20 s (then killed), or crashed
  QString err;
};

// Runs `orbelon -a` without a display in `folder`, on the pinned day, until it ends by itself.
Ended RunUntilEnd(const QString& folder, const QString& language = QStringLiteral("C.UTF-8")) {
  QProcess program;
  program.setWorkingDirectory(folder);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  SetDesktopLanguage(env, language);
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
  program.setProcessEnvironment(env);
  program.start("faketime", QStringList{"2013-08-05 10:00:00", ORBELON_PROGRAM, "-a"});
  Ended ended;
  if (!program.waitForFinished(20000)) {
    program.kill();
    program.waitForFinished();
  } else if (program.exitStatus() == QProcess::NormalExit) {
    ended.exitCode = program.exitCode();
  }
  ended.err = QString::fromLocal8Bit(program.readAllStandardError());
  return ended;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number of a process that has ended: a child that has exited and been waited for.
pid_t DeadProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

}  // namespace

class AutoExportTest : public QObject {
  Q_OBJECT

 private slots:
  void writesTheThreeImagesInOrderAndStaysOpen() {
    ProgramRun run({"-a"}, true);
    QVERIFY(run.Started());
    QCOMPARE(run.WatchImages(20000), (QStringList{"utr.bmp", "xp.bmp", "yp.bmp"}));
    QTest::qWait(300);
    QVERIFY(run.Running());  // the program stays open after the export
    QVERIFY(run.End());

    // Three BMPs of the chart's size, each showing the series it draws in their colours: all four
    // in the UT1R chart, the three with pole coordinates in the Xp and Yp charts.
    QSize size;
    for (const char* name : kImages) {
      qInfo("checking %s", name);
      QImageReader reader(run.Path(name));
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

  // Without a display nobody sees an error box: the error goes to standard error as one line and
  // the run ends with exit code 1, leaving the images it could not write as they were.
  void failuresWithoutDisplayEndTheRun() {
    const struct {
      const char* name;
      std::function<void(const QDir&)> prepare;
      QString line;
      QStringList images;  // the images written before the failure
      std::function<bool(const QDir&)> intact = {};
    } cases[] = {
        // Links put under an image's name by mistake: refused before any image is written, and
        // the file behind the link stays as it was.
        {"xp.bmp links to series.ini", [](const QDir& d) { QFile::link("series.ini", d.filePath("xp.bmp")); },
         "orbelon: xp.bmp: would overwrite the settings file series.ini", {},
         [](const QDir& d) { return ReadAll(d.filePath("series.ini")).startsWith("9 1 Alpha"); }},
        {"yp.bmp links to a data file", [](const QDir& d) { QFile::link("c.dat", d.filePath("yp.bmp")); },
         "orbelon: yp.bmp: would overwrite the data file c.dat of series 3", {},
         [](const QDir& d) { return !ReadAll(d.filePath("c.dat")).startsWith("BM"); }},
        {"a field in CP1251",
         [](const QDir& d) { fixture::Write(d.filePath("a.dat"), QByteArray("56505 \xe0\xe1\xe2 0.1 0.3\r\n")); },
         QString::fromUtf8("orbelon: 'абв' is not a valid floating point value; Файл: a.dat, строка 1"), {}},
        {"xp.bmp links to utr.bmp", [](const QDir& d) { QFile::link("utr.bmp", d.filePath("xp.bmp")); },
         "orbelon: xp.bmp: is the same file as utr.bmp", {}},
        {"no data file",
         [](const QDir& d) {
           for (const char* f : {"a.dat", "b.dat", "c.dat", "d.dat"}) QFile::remove(d.filePath(f));
         },
         QString::fromUtf8("orbelon: Путь к файлам данных указан неверно!"), {}},
        {"yp.bmp is a folder", [](const QDir& d) { d.mkdir("yp.bmp"); },
         "orbelon: yp.bmp: is a folder, not a regular file; only regular files are replaced", {"utr.bmp", "xp.bmp"}},
        {"utr.bmp is a FIFO", [](const QDir& d) { QVERIFY(::mkfifo(qPrintable(d.filePath("utr.bmp")), 0600) == 0); },
         "orbelon: utr.bmp: is a FIFO (named pipe), not a regular file; only regular files are replaced", {},
         [](const QDir& d) { return IsFifo(d.filePath("utr.bmp")); }},
    };
    for (const auto& c : cases) {
      qInfo("%s", c.name);
      QTemporaryDir dir;
      const QDir d(dir.path());
      fixture::WriteViewerFixture(d);
      c.prepare(d);
      const Ended run = RunUntilEnd(dir.path());
      QCOMPARE(run.exitCode, 1);
      QCOMPARE(run.err, c.line + '\n');
      for (const char* name : kImages) {
        const QFileInfo image(d.filePath(name));
        if (image.isFile() && !image.isSymLink()) QVERIFY2(c.images.contains(name), name);
      }
      for (const QString& name : c.images) QVERIFY(QImageReader(d.filePath(name)).canRead());
      if (c.intact) QVERIFY(c.intact(d));
    }
  }

  // A bad entry of scale.ini is reported on standard error, and the export goes on with the
  // default scale: the three images are written and the program stays open.
  void badScaleIniIsReportedAndTheExportGoesOn() {
    ProgramRun run({"-a"}, false, [](const QDir& d) { fixture::Write(d.filePath("scale.ini"), "x\r\n"); }, true);
    QVERIFY(run.Started());
    QCOMPARE(run.WatchImages(20000), (QStringList{"utr.bmp", "xp.bmp", "yp.bmp"}));
    QVERIFY(run.Running());
    QCOMPARE(QString::fromUtf8(ReadAll(run.Path("err.txt"))),
             QString::fromUtf8("orbelon: Invalid numeric input; Файл: scale.ini, строка 1\n"));
  }

  // Another run holds the folder (a second -a from cron while the first still writes): after a
  // short wait the run fails with one line, writes nothing and leaves the other run's files.
  void aFolderHeldByAnotherRunIsLeftAlone() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    fixture::Write(d.filePath("scale.ini"), "");
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0 && ::flock(folder, LOCK_EX) == 0);
    const Ended run = RunUntilEnd(dir.path());
    ::close(folder);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QStringLiteral("orbelon: .: another run is writing into this folder; nothing was written (try "
                                     "again later)\n"));
    for (const char* name : kImages) QVERIFY(!QFile::exists(d.filePath(name)));
  }

  // Temporary images of earlier runs that were killed before they could remove them go at the next
  // run; those of a process that still runs, and names of other patterns, stay.
  void staleTemporaryImagesAreRemoved() {
    const QString dead = QString::number(DeadProcessId());
    const QStringList stale{"utr.bmp.tmp" + dead + ".17", "yp.bmp.tmp" + dead + ".4"};
    const QStringList kept{"xp.bmp.tmp1.5", "notes.txt.tmp" + dead + ".1", "utr.bmp.tmpx.1"};
    ProgramRun run({"-a"}, false, [&](const QDir& d) {
      for (const QString& name : stale + kept) fixture::Write(d.filePath(name), "left behind");
    });
    QVERIFY(run.Started());
    QCOMPARE(run.WatchImages(20000), (QStringList{"utr.bmp", "xp.bmp", "yp.bmp"}));
    for (const QString& name : stale) QVERIFY2(!QFile::exists(run.Path(qPrintable(name))), qPrintable(name));
    for (const QString& name : kept) QVERIFY2(QFile::exists(run.Path(qPrintable(name))), qPrintable(name));
  }

  // The desktop's language decides the language of the window and of its messages.
  void speaksTheDesktopsLanguage() {
    const struct {
      const char* lang;
      QString line;
    } cases[] = {
        {"en_US.UTF-8", "orbelon: The path to the data files is wrong!\n"},
        {"ru_RU.UTF-8", QString::fromUtf8("orbelon: Путь к файлам данных указан неверно!\n")},
        {"de_DE.UTF-8", QString::fromUtf8("orbelon: Путь к файлам данных указан неверно!\n")},
    };
    for (const auto& c : cases) {
      qInfo("%s", c.lang);
      QTemporaryDir dir;  // no data file
      const Ended run = RunUntilEnd(dir.path(), QString::fromLatin1(c.lang));
      QCOMPARE(run.exitCode, 1);
      QCOMPARE(run.err, c.line);
    }
  }

  // A full disk: the old image stays whole and the run ends with the system's message.
  void fullDiskKeepsTheOldImage() {
    QTemporaryDir dir;
    const TmpfsMount disk(dir.path(), 512 * 1024);
    if (!disk.mounted) QSKIP("a small tmpfs cannot be mounted here (needs root)");
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    fixture::Write(d.filePath("utr.bmp"), "old image");
    fixture::Write(d.filePath("scale.ini"), "");
    FillDisk(d.filePath("filler"));
    const Ended run = RunUntilEnd(dir.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, "orbelon: utr.bmp: " + QString::fromLocal8Bit(std::strerror(ENOSPC)) + '\n');
    QCOMPARE(ReadAll(d.filePath("utr.bmp")), QByteArray("old image"));
    QCOMPARE(d.entryList(QDir::Files).filter(".tmp"), QStringList());
  }

  // A read-only folder (a read-only mount: root may write anywhere else) fails at the first image.
  void readOnlyFolderEndsTheRun() {
    QTemporaryDir dir;
    TmpfsMount disk(dir.path(), 1024 * 1024);
    if (!disk.mounted) QSKIP("a small tmpfs cannot be mounted here (needs root)");
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    fixture::Write(d.filePath("scale.ini"), "");
    QVERIFY(disk.MakeReadOnly());
    const Ended run = RunUntilEnd(dir.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, "orbelon: utr.bmp: " + QString::fromLocal8Bit(std::strerror(EROFS)) + '\n');
    QVERIFY(!QFile::exists(d.filePath("utr.bmp")));
  }

  // The command line as typed decides: "-a" first, also without any display (the program then
  // draws offscreen by itself); a Qt option before it means no automatic mode.
  void commandLineAsTyped_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("exports");
    QTest::newRow("-a without a display") << QStringList{"-a"} << true;
    QTest::newRow("-a after Qt's -platform option") << QStringList{"-platform", "offscreen", "-a"} << false;
  }
  void commandLineAsTyped() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, exports);
    ProgramRun run(arguments, false);
    QVERIFY(run.Started());
    const QStringList appeared = run.WatchImages(exports ? 20000 : 1500);
    QCOMPARE(appeared.size(), exports ? 3 : 0);
    QVERIFY(run.Running());
  }
};

QTEST_MAIN(AutoExportTest)
#include "AutoExportTest.moc"
