// The vertical scales offered for each parameter family: label and value of one grid step.
#pragma once

#include <array>
#include <string_view>

namespace erp {

constexpr int ScaleCount = 5;  // items of the scale list, index 0..4

// UT1 and UT1R: one grid step in seconds ("мс" = milliseconds; the decimal comma is text).
constexpr std::array<std::string_view, ScaleCount> ScaleLabelsUT = {
    "M: 3 мс", "M: 2 мс", "M: 1 мс", "M: 0,5 мс", "M: 0,25 мс"};
constexpr std::array<double, ScaleCount> ScaleIncrementsUT = {0.003, 0.002, 0.001, 0.0005, 0.00025};

// Xp and Yp: one grid step in arcseconds; each label ends with the arcsecond sign '"'.
constexpr std::array<std::string_view, ScaleCount> ScaleLabelsXY = {
    "M: 0,030\"", "M: 0,020\"", "M: 0,010\"", "M: 0,005\"", "M: 0,0025\""};
constexpr std::array<double, ScaleCount> ScaleIncrementsXY = {0.03, 0.02, 0.01, 0.005, 0.0025};

// The differences view (each series minus a reference): one grid step in milliseconds for UT1 and
// UT1R, in milliarcseconds ("мсд") for Xp and Yp. The centres' differences are a few hundredths
// to a few tenths of those units, far below the raw views' finest steps (0.25 ms, 2.5 mas): these
// steps let a grid of "4" span from 0.02 to 0.4 ms and from 0.2 to 4 mas.
constexpr std::array<std::string_view, ScaleCount> DifferenceScaleLabelsUT = {
    "M: 0,1 мс", "M: 0,05 мс", "M: 0,025 мс", "M: 0,01 мс", "M: 0,005 мс"};
constexpr std::array<double, ScaleCount> DifferenceScaleIncrementsUT = {0.1, 0.05, 0.025, 0.01, 0.005};
constexpr std::array<std::string_view, ScaleCount> DifferenceScaleLabelsXY = {
    "M: 1 мсд", "M: 0,5 мсд", "M: 0,25 мсд", "M: 0,1 мсд", "M: 0,05 мсд"};
constexpr std::array<double, ScaleCount> DifferenceScaleIncrementsXY = {1.0, 0.5, 0.25, 0.1, 0.05};

// The scale list as the main window opens with it: the UT labels, except that the fifth lacks the
// blank before "мс"; the first parameter change replaces it with ScaleLabelsUT.
constexpr std::array<std::string_view, ScaleCount> InitialScaleLabels = {
    "M: 3 мс", "M: 2 мс", "M: 1 мс", "M: 0,5 мс", "M: 0,25мс"};

// Grid densities offered: the number of grid steps the value axis spans.
constexpr std::array<std::string_view, 7> GridDensityLabels = {"4", "6", "8", "10", "12", "14", "16"};

}  // namespace erp
