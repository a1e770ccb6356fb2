#include "core/WeekLabels.h"

#include <charconv>
#include <cmath>
#include <string>

namespace erp {

namespace {

double Frac(double v) { return v - std::trunc(v); }

}  // namespace

double WeekLabelStart(double timeShiftDays, double axisStartMJD, double dateTimeOffset) {
  return 7.0 * std::ceil(timeShiftDays / 7.0) + axisStartMJD + dateTimeOffset;
}

double NextWeekLabel(double weekLabelStart, double labelValue) {
  return weekLabelStart > labelValue ? weekLabelStart : labelValue + 7.0;
}

std::array<WeekNumberLabel, 5> WeekNumbers(int plotLeft, int plotWidth, double timeShiftDays,
                                           std::int32_t currentWeek) {
  const double weeks = timeShiftDays / 7.0;
  const int shift = static_cast<int>(std::nearbyint(Frac(weeks) * 7.0 * plotWidth / 28.0));
  const auto wholeWeeks = static_cast<std::int32_t>(std::trunc(weeks));
  std::array<WeekNumberLabel, 5> labels;
  for (std::size_t k = 0; k < labels.size(); ++k) {
    const int i = static_cast<int>(k) - 1;  // -1: the week before the window, 0..3: its weeks
    labels[k] = {(plotWidth / 8) * (2 * i + 1) + plotLeft - 10 - shift, currentWeek - 3 + i + wholeWeeks};
  }
  return labels;
}

std::string ScaleReadout(double increment) {
  const double a = Frac(increment) * 1000.0;
  const double b = Frac(a) * 100.0;
  return "M: " + std::to_string(static_cast<long long>(std::trunc(a))) + "." +
         std::to_string(static_cast<long long>(std::trunc(b))) + " \xD0\xBC\xD1\x81";
}

std::string DifferenceScaleReadout(double increment, int parameter) {
  const bool ut = parameter == 1 || parameter == 2;
  std::string text = "M: ";
  text += ReadoutNumber(increment, 3);
  text += ut ? " \xD0\xBC\xD1\x81" : " \xD0\xBC\xD1\x81\xD0\xB4";  // "мс", "мсд"
  return text;
}

std::string ReadoutNumber(double value, int decimals) {
  if (!std::isfinite(value)) return value != value ? "NAN" : (value > 0 ? "INF" : "-INF");
  // Eight significant digits first, then the fixed-point text of that value; both conversions are
  // free of the C library's locale.
  char text[400];
  const auto significant = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 7);
  double rounded = value;
  std::from_chars(text, significant.ptr, rounded);
  const auto fixed = std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, decimals);
  std::string result(text, fixed.ptr);
  // A value that rounds to zero shows no sign.
  if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos) result.erase(0, 1);
  return result;
}

}  // namespace erp
