// A working folder for the viewer on a pinned day: series.ini and four data files around
// Monday 5 August 2013, and the steps of a scenario run inside the viewer loop.
#pragma once

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>
#include <vector>

#include "Unit_Orbelon.h"
#include "core/TimeBase.h"

namespace fixture {

// Monday 5 August 2013, 10:00 local time: the current week is 1962 (Monday 29 July), the month
// window MJD 56481..56509, the store's day origin 55758.4166...
inline double PinnedClock() { return erp::EncodeDateTime(2013, 8, 5, 10, 0, 0, 0); }
constexpr double kMonthStart = 56481.0;
constexpr double kMonthEnd = 56509.0;

// The series' colours as series.ini gives them (ColorList 9, 12, 10, 13).
inline const QColor kColors[4] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 255, 0), QColor(255, 0, 255)};

inline double Ut1(double mjd) { return -0.3 + 0.0005 * (mjd - 56300.0); }
inline double Xp(double mjd) { return 0.1 + 0.05 * std::sin(2.0 * M_PI * (mjd - 56300.0) / 433.0); }
inline double Yp(double mjd) { return 0.35 + 0.05 * std::cos(2.0 * M_PI * (mjd - 56300.0) / 433.0); }

inline QByteArray Number(double v) { return QByteArray::number(v, 'f', 7); }

inline void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  f.write(bytes);
}

// Four series with daily records from MJD 56300 to 56600:
//   1 "Alpha" red squares, j_u_xp_yp;
//   2 "Beta" blue circles, yy_mm_dd_u_xp_yp with four-digit years, UT1 one second above series 1;
//   3 "Gamma" lime triangles, j_xp_yp_u, the trend reference;
//   4 "Delta" fuchsia line, j_u: UT1 only.
inline void WriteViewerFixture(const QDir& dir) {
  Write(dir.filePath("series.ini"),
        "9 1 Alpha a.dat j_u_xp_yp\r\n"
        "12 2 Beta b.dat yy_mm_dd_u_xp_yp\r\n"
        "10 3 Gamma c.dat j_xp_yp_u\r\n"
        "13 0 Delta d.dat j_u\r\n");
  QByteArray a, b, c, d;
  for (double e = 56300.0; e <= 56600.0; e += 1.0) {
    const QDate date = QDate::fromJulianDay(static_cast<qint64>(e) + 2400001);
    a += Number(e) + " " + Number(Ut1(e)) + " " + Number(Xp(e)) + " " + Number(Yp(e)) + "\r\n";
    b += QByteArray::number(date.year()) + " " + QByteArray::number(date.month()) + " " +
         QByteArray::number(date.day()) + " " + Number(Ut1(e) + 1.0002) + " " + Number(Xp(e) + 0.002) + " " +
         Number(Yp(e) + 0.002) + "\r\n";
    c += Number(e) + " " + Number(Xp(e) - 0.001) + " " + Number(Yp(e) - 0.001) + " " + Number(Ut1(e) - 0.0003) + "\r\n";
    d += Number(e) + " " + Number(Ut1(e) + 0.0002) + "\r\n";
  }
  Write(dir.filePath("a.dat"), a);
  Write(dir.filePath("b.dat"), b);
  Write(dir.filePath("c.dat"), c);
  Write(dir.filePath("d.dat"), d);
}

// A step of a scenario: once `ready` holds, `act` runs (from the viewer loop's message processing).
struct Step {
  std::function<bool()> ready;
  std::function<void()> act;
};

// Presses Start and runs `steps` one after another from inside the viewer loop, polling every few
// milliseconds; after the last step the window is closed, which ends the loop. Returns when the
// Start press returns: after the close, or earlier when the loading pass or the loop ended with an
// error. A scenario that does not finish within `timeoutMs` is closed and reported as failed.
inline bool RunScenario(TForm1& window, std::vector<Step> steps, int timeoutMs = 15000) {
  std::size_t next = 0;
  bool timedOut = false;
  QElapsedTimer clock;
  clock.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (clock.elapsed() > timeoutMs) {
      timedOut = true;
    } else if (next < steps.size()) {
      if (!steps[next].ready || steps[next].ready()) {
        auto act = steps[next++].act;
        if (act) act();
      }
      return;
    }
    poll.stop();
    window.close();
  });
  poll.start(2);
  window.findChild<QPushButton*>("BitBtnStart")->click();
  poll.stop();
  if (timedOut) qWarning("scenario timed out at step %zu of %zu", next + 1, steps.size());
  return !timedOut && next == steps.size();
}

}  // namespace fixture
