// The command line of the batch export and whole-program batch runs on the fixture folder of the
// pinned day: images of the right format and size, the statistics file, exit codes, and failures
// that leave nothing behind.
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include "../windows/ViewerFixture.h"
#include "BatchExport.h"
#include "OutputTraps.h"

namespace {

using erp::batch::CommandKind;

struct Run {
  int exitCode = -1;
  QString out;
  QString err;
};

// Runs the program in `folder` with `arguments`, under faketime on the pinned day unless `clock`
// is false, and waits for it to end.
// `adjust` may change the process and its environment before the start (limits, streams).
Run RunProgram(const QString& folder, const QStringList& arguments, bool pinned = true,
               const std::function<void(QProcess&, QProcessEnvironment&)>& adjust = {}) {
  QProcess program;
  program.setWorkingDirectory(folder);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("QT_QPA_PLATFORM");  // batch mode goes offscreen by itself
  env.remove("DISPLAY");
  env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
  if (adjust) adjust(program, env);
  program.setProcessEnvironment(env);
  if (pinned) {
    program.start("faketime", QStringList{"2013-08-05 10:00:00", ORBELON_PROGRAM} + arguments);
  } else {
    program.start(ORBELON_PROGRAM, arguments);
  }
  Run run;
  if (!program.waitForFinished(20000)) {
    program.kill();
    program.waitForFinished();
    return run;
  }
  run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  run.out = QString::fromUtf8(program.readAllStandardOutput());
  run.err = QString::fromUtf8(program.readAllStandardError());
  return run;
}

// The one line the program wrote to standard error, without its line end; empty unless it wrote
// exactly one line.
QString OneLine(const QString& text) {
  return text.endsWith('\n') && text.count('\n') == 1 ? text.chopped(1) : QString();
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class BatchExportTest : public QObject {
  Q_OBJECT

 private slots:
  void commandLineChoosesWindowOrBatch() {
    const struct {
      QStringList arguments;
      bool batch;
    } cases[] = {
        {{"orbelon"}, false},
        {{"orbelon", "x"}, false},
        {{"orbelon", "-A"}, false},
        {{"orbelon", "-a", "--export", "out"}, false},  // "-a" first keeps automatic mode
        {{"orbelon", "--export", "out"}, true},
        {{"orbelon", "--export=out"}, true},
        {{"orbelon", "x", "--help"}, true},
        {{"orbelon", "-h"}, true},
        {{"orbelon", "--version"}, true},
        {{"orbelon", "-v"}, true},
        {{"orbelon", "--help-all"}, true},
        {{"orbelon", "--format", "png"}, true},  // any option that --help lists
        {{"orbelon", "--stats=s.csv"}, true},
        {{"orbelon", "--lang", "en"}, false},  // the window takes it too
        {{"orbelon", "--lang=en", "--export", "out"}, true},
    };
    for (const auto& c : cases) {
      QCOMPARE(erp::batch::IsBatchCommandLine(c.arguments), c.batch);
    }
  }

  void parsesGoodAndBadCommandLines() {
    const struct {
      QStringList arguments;
      CommandKind kind;
      QString message;  // part of the output
    } cases[] = {
        {{"--help"}, CommandKind::Help, "--export <OUTDIR>"},
        {{"--version"}, CommandKind::Version, "orbelon 1.01"},
        {{"--export", "out"}, CommandKind::Batch, ""},
        {{"--export", "out", "--format", "svg", "--size", "640x480", "--parameters", "yp,ut1r,yp", "--date",
          "2024-02-29", "--interval", "year", "--shift", "-3", "--trend", "shown", "--stats", "s.csv"},
         CommandKind::Batch, ""},
        {{"--export"}, CommandKind::Error, "Missing value after '--export'"},
        {{"--export", ""}, CommandKind::Error, "--export needs a folder name"},
        {{"--export", "out", "--colour", "red"}, CommandKind::Error, "Unknown option 'colour'"},
        {{"--export", "out", "extra"}, CommandKind::Error, "unexpected argument 'extra'"},
        {{"--format", "png"}, CommandKind::Error, "--export OUTDIR is required"},
        {{"--export", "out", "--format", "jpg"}, CommandKind::Error, "invalid value 'jpg' for --format"},
        {{"--export", "out", "--size", "1280*800"}, CommandKind::Error, "invalid value '1280*800' for --size"},
        {{"--export", "out", "--size", "0x800"}, CommandKind::Error, "for --size"},
        {{"--export", "out", "--size", "9000x800"}, CommandKind::Error, "for --size"},
        {{"--export", "out", "--size", "10x10"}, CommandKind::Error, "from 640x400 (smaller charts overprint"},
        {{"--export", "out", "--size", "639x400"}, CommandKind::Error, "for --size"},
        {{"--export", "out", "--size", "640x399"}, CommandKind::Error, "for --size"},
        {{"--export", "out", "--parameters", "ut1,z"}, CommandKind::Error, "invalid value 'ut1,z' for --parameters"},
        {{"--export", "out", "--parameters", ""}, CommandKind::Error, "for --parameters"},
        {{"--export", "out", "--date", "2023-02-29"}, CommandKind::Error, "invalid value '2023-02-29' for --date"},
        {{"--export", "out", "--date", "5.8.2013"}, CommandKind::Error, "for --date"},
        {{"--export", "out", "--interval", "week"}, CommandKind::Error, "for --interval"},
        {{"--export", "out", "--shift", "1.5"}, CommandKind::Error, "invalid value '1.5' for --shift"},
        {{"--export", "out", "--shift", "20000"}, CommandKind::Error, "for --shift"},
        {{"--export", "out", "--trend", "yes"}, CommandKind::Error, "for --trend"},
        {{"--export", "out", "--stats", ""}, CommandKind::Error, "--stats needs a file name"},
        // The differences view and its reference.
        {{"--export", "out", "--differences", "--reference", "15", "--bias-rate", "removed"}, CommandKind::Batch, ""},
        {{"--export", "out", "--differences", "--reference", "16"}, CommandKind::Error, "invalid value '16' for --reference"},
        {{"--export", "out", "--differences", "--reference", "x"}, CommandKind::Error, "for --reference"},
        {{"--export", "out", "--differences", "--bias-rate", "gone"}, CommandKind::Error, "for --bias-rate"},
        {{"--export", "out", "--reference", "2"}, CommandKind::Error, "--reference and --bias-rate go with --differences"},
        {{"-v"}, CommandKind::Version, "orbelon 1.01"},
        {{"--export", "out", "--lang", "en"}, CommandKind::Batch, ""},
        {{"--export", "out", "--lang", "de"}, CommandKind::Error, "invalid value 'de' for --lang: expected ru or en"},
        {{"--help-all"}, CommandKind::Help, "--export <OUTDIR>"},
        // An option given twice is an error, not the last value.
        {{"--export", "out", "--export", "/elsewhere"}, CommandKind::Error, "--export is given more than once"},
        {{"--export", "out", "--stats", "a.csv", "--stats=b.csv"}, CommandKind::Error, "--stats is given more than once"},
        {{"--export", "out", "--date", "2024-01-01", "--date", "2024-01-01"}, CommandKind::Error, "--date is given"},
        {{"--export", "out", "--parameters", "xp", "--parameters", "yp"}, CommandKind::Error, "--parameters is given"},
        {{"--export", "out", "--format", "png", "--format", "svg"}, CommandKind::Error, "--format is given"},
        // Two outputs that are one file, or an output over a settings file.
        {{"--export", "out", "--parameters", "xp,yp", "--stats", "out/yp.png"}, CommandKind::Error,
         "--stats out/yp.png is the same file as the chart out/yp.png"},
        {{"--export", "out", "--parameters", "xp", "--stats", "./out/../out/xp.png"}, CommandKind::Error,
         "is the same file as the chart out/xp.png"},
        {{"--export", "out", "--stats", "scale.ini"}, CommandKind::Error, "would overwrite the settings file scale.ini"},
        {{"--export", ".", "--format", "bmp", "--parameters", "yp", "--stats", "yp.bmp"}, CommandKind::Error,
         "is the same file as the chart"},
    };
    for (const auto& c : cases) {
      const erp::batch::Command command = erp::batch::ParseCommandLine(QStringList{"orbelon"} + c.arguments);
      const QString trace = c.arguments.join(' ') + " -> " + command.Output;
      QVERIFY2(command.Kind == c.kind, qPrintable(trace));
      QVERIFY2(command.Output.contains(c.message), qPrintable(trace));
    }

    const erp::batch::BatchOptions defaults = erp::batch::ParseCommandLine({"orbelon", "--export", "out"}).Options;
    QCOMPARE(defaults.Format, erp::batch::ImageFormat::Png);
    QCOMPARE(defaults.Size, QSize(1280, 800));
    QCOMPARE(defaults.Parameters, (std::vector<int>{1, 2, 3, 4}));
    QCOMPARE(defaults.Interval, erp::IntervalMonth);
    QCOMPARE(defaults.Trend, 0);
    QVERIFY(!defaults.Year);

    const erp::batch::BatchOptions all = erp::batch::ParseCommandLine(
        {"orbelon", "--export=out", "--format=pdf", "--size=640x480", "--parameters=yp,ut1r,yp", "--date=2024-02-29",
         "--interval=year", "--shift=-3", "--trend=shown", "--stats=s.csv"}).Options;
    QCOMPARE(all.OutputDirectory, QString("out"));
    QCOMPARE(all.Format, erp::batch::ImageFormat::Pdf);
    QCOMPARE(all.Size, QSize(640, 480));
    QCOMPARE(all.Parameters, (std::vector<int>{4, 2}));
    QCOMPARE(*all.Year * 10000 + *all.Month * 100 + *all.Day, 20240229);
    QCOMPARE(all.Interval, erp::IntervalYear);
    QCOMPARE(all.ShiftWeeks, -3);
    QCOMPARE(all.Trend, 1);
    QCOMPARE(all.StatsFile, QString("s.csv"));
  }

  void exitCodesOfTheProgram() {
    QTemporaryDir dir;
    const Run help = RunProgram(dir.path(), {"--help"}, false);
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("--export <OUTDIR>"));
    const Run version = RunProgram(dir.path(), {"--version"}, false);
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QString("orbelon 1.01\n"));
    // Every option that --help lists works without a display.
    const Run shortVersion = RunProgram(dir.path(), {"-v"}, false);
    QCOMPARE(shortVersion.exitCode, 0);
    QCOMPARE(shortVersion.out, QString("orbelon 1.01\n"));
    const Run helpAll = RunProgram(dir.path(), {"--help-all"}, false);
    QCOMPARE(helpAll.exitCode, 0);
    QVERIFY(helpAll.out.contains("--export <OUTDIR>"));
    // The window without a display says so in one line, in any language; a language it does not
    // speak is a command-line error.
    for (const QStringList& arguments : {QStringList{}, QStringList{"--lang", "en"}}) {
      const Run window = RunProgram(dir.path(), arguments, false);
      QCOMPARE(window.exitCode, 1);
      QVERIFY2(OneLine(window.err).startsWith("orbelon: no display to open the window on"), qPrintable(window.err));
    }
    const Run german = RunProgram(dir.path(), {"--lang", "de"}, false);
    QCOMPARE(german.exitCode, 2);
    QVERIFY2(OneLine(german.err).startsWith("orbelon: invalid value 'de' for --lang"), qPrintable(german.err));
    const Run noExport = RunProgram(dir.path(), {"--size", "640x480"}, false);
    QCOMPARE(noExport.exitCode, 2);
    QVERIFY2(OneLine(noExport.err).startsWith("orbelon: --export OUTDIR is required"), qPrintable(noExport.err));
    // A link from an image name to the statistics file makes them one file.
    QDir(dir.path()).mkdir("out");
    QVERIFY(QFile::link("../s.csv", dir.filePath("out/xp.png")));
    const Run same = RunProgram(dir.path(), {"--export", "out", "--parameters", "xp", "--stats", "s.csv"}, false);
    QCOMPARE(same.exitCode, 2);
    QVERIFY2(OneLine(same.err).startsWith("orbelon: --stats s.csv is the same file as the chart out/xp.png"),
             qPrintable(same.err));
    QFile::remove(dir.filePath("out/xp.png"));
    QDir(dir.path()).rmdir("out");
    const Run bad = RunProgram(dir.path(), {"--export", "out", "--format", "gif"}, false);
    QCOMPARE(bad.exitCode, 2);
    QVERIFY2(OneLine(bad.err).startsWith("orbelon: invalid value 'gif' for --format"), qPrintable(bad.err));
    QCOMPARE(Entries(dir.path()), QStringList());
  }

  void writesTheChartsAndExits() {
    QTemporaryDir dir;
    fixture::WriteViewerFixture(QDir(dir.path()));
    QDir(dir.path()).mkdir("out");

    const Run png = RunProgram(dir.path(), {"--export", "out", "--parameters", "ut1r,xp,yp", "--stats", "stats.csv"});
    QVERIFY2(png.exitCode == 0, qPrintable(png.err));
    QCOMPARE(png.err, QString());
    QCOMPARE(png.out, QString("out/utr.png\nout/xp.png\nout/yp.png\nstats.csv\n"));
    QCOMPARE(Entries(dir.filePath("out")), (QStringList{"utr.png", "xp.png", "yp.png"}));
    QVERIFY(!QFile::exists(dir.filePath("scale.ini")));  // read when present, never written
    for (const QString name : {"utr.png", "xp.png", "yp.png"}) {
      QImageReader reader(dir.filePath("out/" + name));
      QCOMPARE(reader.format(), QByteArray("png"));
      QCOMPARE(reader.size(), QSize(1280, 800));
    }
    // The UT1R chart shows the four series in their colours, the pole charts the three with Xp, Yp.
    const QImage utr(dir.filePath("out/utr.png"));
    const QImage xp(dir.filePath("out/xp.png"));
    const auto shows = [](const QImage& image, const QColor& colour) {
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width() * 3 / 4; ++x) {
          if ((image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF)) return true;
        }
      }
      return false;
    };
    for (int i = 0; i < 4; ++i) {
      QVERIFY(shows(utr, fixture::kColors[i]));
      QCOMPARE(shows(xp, fixture::kColors[i]), i < 3);
    }

    // Statistics of UT1R against series 1, in milliseconds: series 2 is 1.0002 s above it, aligned
    // to 0.2 ms; series 3 is 0.3 ms below; series 4 0.2 ms above.
    QFile stats(dir.filePath("stats.csv"));
    QVERIFY(stats.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(stats.readAll()),
             QString("Ряд,Точек,Общих эпох,Среднее (мс),СКО (мс),RMS (мс),Мин. (мс),Макс. (мс),Дрейф (мс/год),"
                     "Разностей,Последняя эпоха\r\n"
                     "Alpha,29,,,,,,,,,56509.00\r\n"
                     "Beta,29,29,0.2000,0.0000,0.2000,0.2000,0.2000,0.0000,29,56509.00\r\n"
                     "Gamma,29,29,-0.3000,0.0000,0.3000,-0.3000,-0.3000,0.0000,29,56509.00\r\n"
                     "Delta,29,29,0.2000,0.0000,0.2000,0.2000,0.2000,0.0000,29,56509.00\r\n"));

    // --date in place of the clock draws the same chart on another day.
    QDir(dir.path()).mkdir("dated");
    const Run dated = RunProgram(dir.path(), {"--export", "dated", "--parameters", "xp", "--date", "2013-08-05"}, false);
    QVERIFY2(dated.exitCode == 0, qPrintable(dated.err));
    QCOMPARE(QImage(dir.filePath("dated/xp.png")), xp);
    // The PNG holds exactly the picture that the BMP holds.
    const Run bmp = RunProgram(dir.path(), {"--export", "dated", "--parameters", "xp", "--format", "bmp"});
    QVERIFY2(bmp.exitCode == 0, qPrintable(bmp.err));
    QCOMPARE(QImage(dir.filePath("dated/xp.bmp")).convertToFormat(QImage::Format_RGB32),
             xp.convertToFormat(QImage::Format_RGB32));
    // A week back is another chart.
    const Run shifted = RunProgram(dir.path(), {"--export", "dated", "--parameters", "xp", "--shift", "-1"});
    QVERIFY2(shifted.exitCode == 0, qPrintable(shifted.err));
    QVERIFY(QImage(dir.filePath("dated/xp.png")) != xp);

    const Run svg = RunProgram(dir.path(), {"--export", "out", "--format", "svg", "--parameters", "ut1", "--size", "800x600"});
    QVERIFY2(svg.exitCode == 0, qPrintable(svg.err));
    QSvgRenderer renderer(dir.filePath("out/ut1.svg"));
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBox(), QRect(0, 0, 800, 600));

    const Run pdf = RunProgram(dir.path(), {"--export", "out", "--format", "pdf", "--parameters", "yp"});
    QVERIFY2(pdf.exitCode == 0, qPrintable(pdf.err));
    QFile pdfFile(dir.filePath("out/yp.pdf"));
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdfFile.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    QVERIFY(bytes.contains("/MediaBox [0 0 1280.000000 800.000000]"));
  }

  void failuresReportTheirCauseAndLeaveNothing() {
    const struct {
      const char* name;
      std::function<void(const QDir&)> prepare;
      QStringList arguments;
      QString message;
      std::function<bool(const QDir&)> intact = {};  // what must still stand afterwards
    } cases[] = {
        {"missing output folder", [](const QDir&) {}, {"--export", "nowhere"}, "orbelon: nowhere: no such folder"},
        {"image that cannot be written",
         [](const QDir& d) { d.mkpath("out/yp.png/x"); },  // a folder in the way of the last image
         {"--export", "out", "--stats", "stats.csv"},
         "orbelon: out/yp.png: "},
        {"data line that fails to convert",
         [](const QDir& d) {
           fixture::Write(d.filePath("a.dat"), "56300 -0.3 0.1 0.3\r\n56301 -0.3 0.1 0.3\r\n56302 -0.3 O.1 0.3\r\n");
         },
         {"--export", "out"},
         "orbelon: a.dat:3: 'O.1' is not a valid floating point value"},
        // The files are read in two parts at once (slots 1..k and the rest): the outcome is that
        // of one pass in slot order.
        {"failures in both parts: the first slot's",
         [](const QDir& d) {
           fixture::Write(d.filePath("a.dat"), "56300 -0.3 0.1 0.3\r\n56301 -0.3 0.1 0.3\r\n56302 -0.3 O.1 0.3\r\n");
           fixture::Write(d.filePath("d.dat"), "56300 x\r\n");
         },
         {"--export", "out"},
         "orbelon: a.dat:3: 'O.1' is not a valid floating point value"},
        {"no data file in the first slots, a failure in the last",
         [](const QDir& d) {
           for (const char* f : {"a.dat", "b.dat"}) QFile::remove(d.filePath(f));
           fixture::Write(d.filePath("d.dat"), "56300 -0.3\r\n56301 -O.3\r\n");
         },
         {"--export", "out"},
         "orbelon: d.dat:2: '-O.3' is not a valid floating point value"},
        {"no data file at all",
         [](const QDir& d) {
           for (const char* f : {"a.dat", "b.dat", "c.dat", "d.dat"}) QFile::remove(d.filePath(f));
         },
         {"--export", "out"},
         "orbelon: no data file named in series.ini was found in "},
        {"bad scale.ini", [](const QDir& d) { fixture::Write(d.filePath("scale.ini"), "1\r\nx\r\n"); },
         {"--export", "out"}, "orbelon: scale.ini: Invalid numeric input"},
        {"bad differences.ini", [](const QDir& d) { fixture::Write(d.filePath("differences.ini"), "1\r\n3\r\nx\r\n"); },
         {"--export", "out", "--differences"}, "orbelon: differences.ini:3: Invalid numeric input"},
        // Names that stand for something else than what the run needs are named for what they are.
        {"output folder that is a file", [](const QDir& d) { fixture::Write(d.filePath("o"), "x"); },
         {"--export", "o"}, "orbelon: o: is a file, not a folder"},
        {"output folder that is a FIFO", [](const QDir& d) { QVERIFY(::mkfifo(qPrintable(d.filePath("o")), 0600) == 0); },
         {"--export", "o"}, "orbelon: o: is a FIFO (named pipe), not a folder"},
        {"scale.ini in a link loop", [](const QDir& d) { QVERIFY(QFile::link("scale.ini", d.filePath("scale.ini"))); },
         {"--export", "out"}, "orbelon: scale.ini: Too many levels of symbolic links"},
        {"series.ini that is a folder",
         [](const QDir& d) {
           QFile::remove(d.filePath("series.ini"));
           d.mkdir("series.ini");
         },
         {"--export", "out"}, "orbelon: series.ini: Is a directory"},
        {"data file in a link loop",
         [](const QDir& d) {
           QFile::remove(d.filePath("b.dat"));
           QVERIFY(QFile::link("b.dat", d.filePath("b.dat")));
         },
         {"--export", "out"}, "orbelon: b.dat: Too many levels of symbolic links"},
        // Outputs that are not regular files are refused, never replaced: a device node copied
        // from /dev/null under --stats or behind a link from an image name, a FIFO.
        {"device under --stats", [](const QDir& d) { QVERIFY(MakeNullDevice(d.filePath("null"))); },
         {"--export", "out", "--parameters", "yp", "--stats", "null"},
         "orbelon: null: is a character device, not a regular file; only regular files are replaced",
         [](const QDir& d) { return IsNullDevice(d.filePath("null")); }},
        {"link from an image to a device",
         [](const QDir& d) {
           QVERIFY(MakeNullDevice(d.filePath("null")));
           QVERIFY(QFile::link("../null", d.filePath("out/xp.png")));
         },
         {"--export", "out", "--parameters", "yp,xp"},
         "orbelon: out/xp.png: is a character device, not a regular file; only regular files are replaced",
         [](const QDir& d) { return IsNullDevice(d.filePath("null")); }},
        {"FIFO under --stats", [](const QDir& d) { QVERIFY(::mkfifo(qPrintable(d.filePath("s.csv")), 0600) == 0); },
         {"--export", "out", "--stats", "s.csv"},
         "orbelon: s.csv: is a FIFO (named pipe), not a regular file; only regular files are replaced",
         [](const QDir& d) { return IsFifo(d.filePath("s.csv")); }},
        {"--stats over a data file", [](const QDir&) {}, {"--export", "out", "--stats", "c.dat"},
         "orbelon: c.dat: would overwrite the data file c.dat of series 3",
         [](const QDir& d) { return QFileInfo(d.filePath("c.dat")).size() > 10000; }},
        {"no point in any chart", [](const QDir&) {}, {"--export", "out", "--date", "2000-01-01"},
         "orbelon: no ut1, ut1r, xp, yp data in the window 1999-12-06 .. 2000-01-03"},
        {"image linked to a data file", [](const QDir& d) { QVERIFY(QFile::link("../b.dat", d.filePath("out/yp.png"))); },
         {"--export", "out"}, "orbelon: out/yp.png: would overwrite the data file b.dat of series 2",
         [](const QDir& d) { return QFileInfo(d.filePath("b.dat")).size() > 10000; }},
    };
    for (const auto& c : cases) {
      qInfo("%s", c.name);
      QTemporaryDir dir;
      const QDir d(dir.path());
      fixture::WriteViewerFixture(d);
      d.mkdir("out");
      c.prepare(d);
      const QStringList before = Entries(dir.path()) + Entries(dir.filePath("out"));
      const Run run = RunProgram(dir.path(), c.arguments);
      QCOMPARE(run.exitCode, 1);
      QVERIFY2(OneLine(run.err).startsWith(c.message), qPrintable(run.err));
      QCOMPARE(run.out, QString());
      QCOMPARE(Entries(dir.path()) + Entries(dir.filePath("out")), before);
      if (c.intact) QVERIFY(c.intact(d));
    }
  }

  // Charts without a point are told on standard error, naming the window; the run still succeeds
  // while some chart has points.
  void emptyChartsAreTold() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    for (const char* f : {"a.dat", "b.dat", "c.dat"}) QFile::remove(d.filePath(f));  // d.dat: UT1 only
    d.mkdir("out");
    const Run run = RunProgram(dir.path(), {"--export", "out", "--parameters", "ut1,xp,yp"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString("orbelon: no xp, yp data in the window 2013-07-08 .. 2013-08-05 (empty charts written)\n"));
    QCOMPARE(Entries(d.filePath("out")), (QStringList{"ut1.png", "xp.png", "yp.png"}));
  }

  // Series 1 (the whole-second reference) or series 3 (the trend reference) with a file but no
  // point in the window takes only its own role along: the other series are drawn.
  void aReferenceSeriesWithoutPointsEmptiesNoOtherChart() {
    for (const char* file : {"a.dat", "c.dat"}) {
      qInfo("%s", file);
      QTemporaryDir dir;
      const QDir d(dir.path());
      fixture::WriteViewerFixture(d);
      fixture::Write(d.filePath(file), "50000 -0.3 0.1 0.3\r\n");  // long before the window
      d.mkdir("out");
      const Run run = RunProgram(dir.path(), {"--export", "out", "--parameters", "ut1,yp"});
      QCOMPARE(run.exitCode, 0);
      QCOMPARE(run.err, QString());
      QCOMPARE(Entries(d.filePath("out")), (QStringList{"ut1.png", "yp.png"}));
    }
  }

  // Limits of the process are errors with the system's message that change no file: a file-size
  // limit (ulimit -f, no longer a kill by SIGXFSZ) and a memory limit under which the picture of a
  // large chart cannot be made (no longer an image of no pixels written as the chart). Sanitizers
  // reserve far more address space than any such limit, so the memory case runs without them.
  void limitsOfTheProcessChangeNoFile() {
    struct Case {
      const char* name;
      int resource;
      rlim_t limit;
      QStringList arguments;
      QString message;
    };
    std::vector<Case> cases{{"file size", RLIMIT_FSIZE, 8 * 1024, {"--export", "out"},
                             "orbelon: out/ut1.png: " + QString::fromLocal8Bit(std::strerror(EFBIG))}};
#if !defined(__SANITIZE_ADDRESS__)
    cases.push_back({"memory", RLIMIT_AS, rlim_t{1000000} * 1024, {"--export", "out", "--size", "8192x8192"},
                     QString::fromLocal8Bit(std::strerror(ENOMEM))});
#endif
    for (const Case& c : cases) {
      qInfo("%s", c.name);
      QTemporaryDir dir;
      const QDir d(dir.path());
      fixture::WriteViewerFixture(d);
      d.mkdir("out");
      fixture::Write(d.filePath("out/ut1.png"), "old chart");
      const Run run = RunProgram(dir.path(), c.arguments, true, [&c](QProcess& program, QProcessEnvironment&) {
        program.setChildProcessModifier([&c] {
          const rlimit limit{c.limit, c.limit};
          ::setrlimit(c.resource, &limit);
        });
      });
      QCOMPARE(run.exitCode, 1);
      // The run's own line comes last (the font cache of the system may complain before it that
      // it cannot be written under the limit).
      const QString last = run.err.trimmed().section(QLatin1Char('\n'), -1);
      QVERIFY2(last.startsWith("orbelon: ") && last.contains(c.message), qPrintable(run.err));
      QCOMPARE(Entries(d.filePath("out")), QStringList{"ut1.png"});
      QCOMPARE(ReadAll(d.filePath("out/ut1.png")), QByteArray("old chart"));
    }
  }

  // "--stats /dev/stdout" (or "-") with standard output appended to a log: the table is written
  // to the stream, and the log keeps what it held.
  void statisticsToTheOutputStream() {
    for (const char* name : {"/dev/stdout", "-"}) {
      qInfo("%s", name);
      QTemporaryDir dir;
      const QDir d(dir.path());
      fixture::WriteViewerFixture(d);
      d.mkdir("out");
      fixture::Write(d.filePath("log"), "yesterday's lines\n");
      const Run run = RunProgram(dir.path(), {"--export", "out", "--parameters", "xp", "--stats", name}, true,
                                 [&d](QProcess& program, QProcessEnvironment&) {
                                   program.setStandardOutputFile(d.filePath("log"), QIODevice::Append);
                                 });
      QCOMPARE(run.exitCode, 0);
      const QByteArray log = ReadAll(d.filePath("log"));
      QVERIFY2(log.startsWith("yesterday's lines\nout/xp.png\n"), log.constData());
      QVERIFY2(log.contains("Alpha"), log.constData());
      QCOMPARE(Entries(d.filePath("out")), QStringList{"xp.png"});
    }
  }

  // The export never needs a display, whatever platform the environment names.
  void anyPlatformWithoutDisplayDrawsOffscreen() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    d.mkdir("out");
    const Run run = RunProgram(dir.path(), {"--export", "out", "--parameters", "xp"}, true,
                               [](QProcess&, QProcessEnvironment& env) { env.insert("QT_QPA_PLATFORM", "xcb"); });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(Entries(d.filePath("out")), QStringList{"xp.png"});
  }

  // Two runs into one folder never mix their sets: while another run holds the folder, a run
  // waits a little, then fails with one line and writes nothing.
  void aFolderHeldByAnotherRunIsLeftAlone() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    d.mkdir("out");
    const int folder = ::open(QFile::encodeName(d.filePath("out")).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0 && ::flock(folder, LOCK_EX) == 0);
    const Run run = RunProgram(dir.path(), {"--export", "out"});
    ::close(folder);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QString("orbelon: out: another run is writing into this folder; nothing was written (try again "
                              "later)\n"));
    QCOMPARE(Entries(d.filePath("out")), QStringList());
  }

  // A title with control characters (series.ini holds bytes) still gives a valid SVG.
  void controlCharactersInATitleLeaveAValidSvg() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    QByteArray ini = ReadAll(d.filePath("series.ini"));
    ini.replace("Alpha", QByteArray("Al\x01p\x1Fha\x0B", 9));
    fixture::Write(d.filePath("series.ini"), ini);
    d.mkdir("out");
    const Run run = RunProgram(dir.path(), {"--export", "out", "--parameters", "xp", "--format", "svg"});
    QCOMPARE(run.exitCode, 0);
    QXmlStreamReader xml(ReadAll(d.filePath("out/xp.svg")));
    while (!xml.atEnd()) xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(ReadAll(d.filePath("out/xp.svg")).contains("Alpha"));
  }

  // The differences view: each series minus the reference at its epochs, in ms or mas; the
  // statistics compare with that reference. A reference without points is told.
  void differencesFromAReference() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    d.mkdir("out");
    const Run run = RunProgram(dir.path(), {"--export", "out", "--differences", "--reference", "1", "--parameters",
                                            "xp,ut1", "--stats", "s.csv"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(Entries(d.filePath("out")), (QStringList{"ut1.png", "xp.png"}));
    const QStringList lines = QString::fromUtf8(ReadAll(d.filePath("s.csv"))).split(QStringLiteral("\r\n"));
    // Beta's pole lies 2 mas above Alpha's; Gamma's -1 mas.
    QVERIFY2(lines.value(2).startsWith("Beta,29,29,2.0000,0.0000,2.0000,"), qPrintable(lines.join('\n')));
    QVERIFY2(lines.value(3).startsWith("Gamma,29,29,-1.0000,"), qPrintable(lines.join('\n')));

    const Run none = RunProgram(dir.path(), {"--export", "out", "--differences", "--reference", "5", "--parameters", "xp"});
    QCOMPARE(none.exitCode, 1);
    QCOMPARE(OneLine(none.err), QString("orbelon: no xp data of the reference series 5 in the window 2013-07-08 .. "
                                        "2013-08-05"));
  }

  // A full disk at any write leaves the old files whole and fails with the system's message.
  void fullDiskLeavesTheOldFiles() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    fixture::WriteViewerFixture(d);
    d.mkdir("full");
    const TmpfsMount disk(d.filePath("full"), 256 * 1024);
    if (!disk.mounted) QSKIP("a small tmpfs cannot be mounted here (needs root)");
    fixture::Write(d.filePath("full/s.csv"), "old statistics\r\n");
    fixture::Write(d.filePath("full/xp.png"), "old chart");
    FillDisk(d.filePath("full/filler"));
    const Run run = RunProgram(dir.path(), {"--export", "full", "--size", "640x400", "--parameters", "xp,yp",
                                            "--stats", "full/s.csv"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(OneLine(run.err).endsWith(": " + QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(run.err));
    QCOMPARE(Entries(d.filePath("full")), (QStringList{"filler", "s.csv", "xp.png"}));
    QCOMPARE(ReadAll(d.filePath("full/s.csv")), QByteArray("old statistics\r\n"));
    QCOMPARE(ReadAll(d.filePath("full/xp.png")), QByteArray("old chart"));
  }
};

QTEST_MAIN(BatchExportTest)
#include "BatchExportTest.moc"
