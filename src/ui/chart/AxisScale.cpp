#include "ui/chart/AxisScale.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace erp::ui {

namespace {

constexpr double kTolerance = 1e-9;            // relative tolerance of step and range comparisons
constexpr std::int64_t kMsPerDay = 86400000;   // milliseconds of a day
constexpr int kMaxMinorTicks = 20000;          // cap of the minor ticks of one axis

// Date-time 0: 30 December 1899.
QDate DateTimeEpoch() { return QDate(1899, 12, 30); }

double DateTimeOfDate(const QDate& date) {
  return static_cast<double>(DateTimeEpoch().daysTo(date));
}

// Calendar date and milliseconds of the day of a date-time value, rounded to the millisecond.
// The whole part counts days (toward zero), the fraction is the time of day also below zero.
struct DecodedDateTime {
  QDate date;
  std::int64_t msOfDay = 0;
};

DecodedDateTime Decode(double x) {
  const auto ms = static_cast<std::int64_t>(std::llround(x * static_cast<double>(kMsPerDay)));
  DecodedDateTime result;
  result.date = DateTimeEpoch().addDays(ms / kMsPerDay);
  result.msOfDay = std::llabs(ms) % kMsPerDay;
  return result;
}

// Smallest ladder step not below `raw`.
double CeilStep(double raw, bool dateTime) {
  const double below = raw * (1.0 - 1e-6);  // a ladder value a hair below raw is tried too
  return dateTime ? NextDateStep(below) : NextNumericStep(below);
}

QString TwoDigits(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

// The first separator character of a locale's date or time format, or `fallback`.
QString FirstSeparator(const QString& format, const QString& fallback) {
  bool quoted = false;
  for (const QChar c : format) {
    if (c == QLatin1Char('\'')) {
      quoted = !quoted;
      continue;
    }
    if (quoted || c.isLetterOrNumber() || c.isSpace()) continue;
    return QString(c);
  }
  return fallback;
}

QString ShortMonthName(const QLocale& locale, int month) {
  QString name = locale.standaloneMonthName(month, QLocale::ShortFormat);
  // Some locales end their abbreviations with a full stop; the date separator follows instead.
  while (name.endsWith(QLatin1Char('.'))) name.chop(1);
  return name;
}

}  // namespace

double NextNumericStep(double step) {
  if (!(step > 0.0) || !std::isfinite(step)) return 1.0;
  const double limit = step * (1.0 + kTolerance);
  double power = std::pow(10.0, std::floor(std::log10(step)) - 1.0);
  for (int decade = 0; decade < 4; ++decade, power *= 10.0) {
    for (const double mantissa : {1.0, 2.0, 5.0}) {
      const double candidate = mantissa * power;
      if (candidate > limit) return candidate;
    }
  }
  return step * 2.0;
}

double NextDateStep(double stepDays) {
  constexpr double kSecond = 1.0 / 86400.0;
  constexpr double kMinute = 1.0 / 1440.0;
  constexpr double kHour = 1.0 / 24.0;
  static constexpr std::array kLadder = {
      1 * kSecond,  5 * kSecond,  10 * kSecond, 15 * kSecond, 30 * kSecond, 1 * kMinute,
      2 * kMinute,  5 * kMinute,  10 * kMinute, 15 * kMinute, 30 * kMinute, 1 * kHour,
      2 * kHour,    3 * kHour,    6 * kHour,    12 * kHour,   1.0,         2.0,
      3.0,         7.0,         14.0,        1 * DaysPerMonth, 2 * DaysPerMonth, 3 * DaysPerMonth,
      4 * DaysPerMonth, 6 * DaysPerMonth, 1 * DaysPerYear};
  if (!std::isfinite(stepDays)) return 1.0;
  const double limit = stepDays * (1.0 + kTolerance);
  for (const double candidate : kLadder) {
    if (candidate > limit) return candidate;
  }
  return NextNumericStep(stepDays / DaysPerYear) * DaysPerYear;
}

int MonthsOfDateStep(double stepDays) {
  if (!(stepDays >= 28.0)) return 0;
  const double months = std::round(stepDays / DaysPerMonth);
  if (months > 1e6) return 1000000;
  return std::max(1, static_cast<int>(months));
}

double EnlargedIncrement(double desired, double range, double lengthPx, double labelSizePx,
                         double separationPercent, bool dateTime) {
  if (!(range > 0.0) || !(lengthPx > 0.0) || !std::isfinite(range)) {
    if (desired > 0.0) return desired;
    return range > 0.0 && std::isfinite(range) ? range : 1.0;
  }
  const double need = std::max(0.0, labelSizePx) * (1.0 + separationPercent / 100.0);
  const auto fits = [&](double step) { return step / range * lengthPx >= need * (1.0 - kTolerance); };
  double step = desired;
  if (!(step > 0.0)) {
    const double raw = range * need / lengthPx;
    step = raw > 0.0 ? CeilStep(raw, dateTime) : (dateTime ? NextDateStep(0.0) : range);
  }
  // Each ladder step at least doubles, so this ends long before the guard.
  for (int guard = 0; guard < 400 && !fits(step); ++guard) {
    step = dateTime ? NextDateStep(step) : NextNumericStep(step);
  }
  return step;
}

std::vector<double> DefaultLabelValues(double min, double max, double step, bool dateTime) {
  std::vector<double> values;
  if (!(step > 0.0) || !(max >= min) || !std::isfinite(min) || !std::isfinite(max)) return values;
  const double eps = std::max(max - min, std::abs(min) * 1e-3) * kTolerance;
  const int months = dateTime ? MonthsOfDateStep(step) : 0;
  if (months == 0) {
    const double first = std::ceil((min - eps) / step);
    const double last = std::floor((max + eps) / step);
    for (double k = first; k <= last && values.size() < static_cast<std::size_t>(MaxAxisLabels); k += 1.0) {
      double v = k * step;
      if (std::abs(v) < step * kTolerance) v = 0.0;
      values.push_back(v);
    }
    return values;
  }
  // Month and year steps: first days of months, counted on the calendar.
  const QDate minDate = Decode(min).date;
  if (!minDate.isValid()) return values;
  int monthIndex = minDate.year() * 12 + (minDate.month() - 1);  // months since year 0
  if (DateTimeOfDate(QDate(minDate.year(), minDate.month(), 1)) < min - eps) ++monthIndex;
  // Every n-th month; a step of whole years lands on January of every n-th year.
  const int stride = months;
  monthIndex += (stride - monthIndex % stride) % stride;
  while (values.size() < static_cast<std::size_t>(MaxAxisLabels)) {
    const QDate date(monthIndex / 12, monthIndex % 12 + 1, 1);
    if (!date.isValid()) break;
    const double v = DateTimeOfDate(date);
    if (v > max + eps) break;
    values.push_back(v);
    monthIndex += stride;
  }
  return values;
}

std::vector<double> MinorTickValues(const std::vector<double>& labels, int count, double min,
                                    double max, double fallbackGap) {
  std::vector<double> ticks;
  if (count <= 0 || labels.empty() || !(max >= min)) return ticks;
  const double eps = std::max(max - min, std::abs(min) * 1e-3) * kTolerance;
  const int n = std::min(count, kMaxMinorTicks);
  const auto inRange = [&](double v) { return v >= min - eps && v <= max + eps; };
  const auto full = [&] { return ticks.size() >= static_cast<std::size_t>(kMaxMinorTicks); };
  // Between neighbouring labels.
  for (std::size_t i = 0; i + 1 < labels.size() && !full(); ++i) {
    const double a = labels[i];
    const double gap = labels[i + 1] - a;
    for (int j = 1; j <= n; ++j) {
      const double v = a + gap * j / (n + 1);
      if (inRange(v)) ticks.push_back(v);
    }
  }
  // Outward from the first and the last label, whole gaps at a time, until the axis ends.
  const auto outward = [&](double from, double gap, double direction) {
    if (!(gap > 0.0) || !std::isfinite(gap)) return;
    for (int m = 0; !full(); ++m) {
      const double base = from + direction * gap * m;
      bool any = false;
      for (int j = 1; j <= n; ++j) {
        const double v = base + direction * gap * j / (n + 1);
        if (inRange(v)) {
          ticks.push_back(v);
          any = true;
        }
      }
      if (!any) break;
    }
  };
  const double firstGap = labels.size() >= 2 ? labels[1] - labels[0] : fallbackGap;
  const double lastGap = labels.size() >= 2 ? labels.back() - labels[labels.size() - 2] : fallbackGap;
  outward(labels.front(), firstGap, -1.0);
  outward(labels.back(), lastGap, +1.0);
  std::sort(ticks.begin(), ticks.end());
  return ticks;
}

QString FormatAxisNumber(double value) {
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, 5);
  std::string text(buffer.data(), result.ptr);
  if (!std::isfinite(value)) return QString::fromStdString(text);
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.erase(0, 1);
  if (negative && text.find_first_not_of("0.") == std::string::npos) negative = false;
  const std::size_t point = text.find('.');
  std::string integer = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? std::string() : text.substr(point);
  for (int pos = static_cast<int>(integer.size()) - 3; pos > 0; pos -= 3) {
    integer.insert(static_cast<std::size_t>(pos), 1, ',');
  }
  return QString::fromStdString((negative ? "-" : "") + integer + fraction);
}

QString LocaleDateSeparator(const QLocale& locale) {
  return FirstSeparator(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString FormatDateTime(double x, const QString& format, const QLocale& locale) {
  const DecodedDateTime dt = Decode(x);
  const QDate& date = dt.date;
  const int hour = static_cast<int>(dt.msOfDay / 3600000);
  const int minute = static_cast<int>(dt.msOfDay / 60000 % 60);
  const int second = static_cast<int>(dt.msOfDay / 1000 % 60);
  const QString dateSeparator = LocaleDateSeparator(locale);
  const QString timeSeparator = FirstSeparator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));

  QString out;
  bool afterHour = false;  // "m" right after an hour field means minutes
  const qsizetype n = format.size();
  for (qsizetype i = 0; i < n;) {
    const QChar c = format[i];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const qsizetype close = format.indexOf(c, i + 1);
      const qsizetype end = close < 0 ? n : close;
      out += format.mid(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    const QChar lower = c.toLower();
    if (QStringLiteral("dmyhns").contains(lower)) {
      qsizetype run = 1;
      while (i + run < n && format[i + run].toLower() == lower) ++run;
      i += run;
      switch (lower.unicode()) {
        case 'd':
          if (run == 1) out += QString::number(date.day());
          else if (run == 2) out += TwoDigits(date.day());
          else out += locale.dayName(date.dayOfWeek(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
          break;
        case 'm':
          if (run <= 2 && afterHour) out += run == 1 ? QString::number(minute) : TwoDigits(minute);
          else if (run == 1) out += QString::number(date.month());
          else if (run == 2) out += TwoDigits(date.month());
          else if (run == 3) out += ShortMonthName(locale, date.month());
          else out += locale.standaloneMonthName(date.month(), QLocale::LongFormat);
          break;
        case 'y':
          if (run <= 2) out += TwoDigits(date.year() % 100);
          else out += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
          break;
        case 'h':
          out += run == 1 ? QString::number(hour) : TwoDigits(hour);
          break;
        case 'n':
          out += run == 1 ? QString::number(minute) : TwoDigits(minute);
          break;
        case 's':
          out += run == 1 ? QString::number(second) : TwoDigits(second);
          break;
        default:
          break;
      }
      afterHour = lower == QLatin1Char('h');
      continue;
    }
    if (c == QLatin1Char('/')) out += dateSeparator;
    else if (c == QLatin1Char(':')) out += timeSeparator;
    else out += c;
    ++i;
  }
  return out;
}

QString MultiLineLabel(const QString& text) {
  return text.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char('\n'));
}

}  // namespace erp::ui
