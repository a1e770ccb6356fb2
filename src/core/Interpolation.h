// The value of a reference series between its points, so that any other series can be compared
// with it at its own epochs (a VLBI session at MJD .76 against a daily series at 0h).
#pragma once

#include <optional>
#include <span>

namespace erp {

// Days between two neighbouring reference points beyond which nothing is interpolated across.
constexpr double MaxReferenceGapDays = 3.0;

// The reference's value at `epoch` (MJD), from its points (`epochs` ascending, `values` beside
// them, both of one length):
//   - at the epoch of a point: that point's value;
//   - between two points no more than MaxReferenceGapDays apart: the Lagrange polynomial through
//     the two points on each side (the conventional 4-point interpolation of daily EOP), where the
//     outer two lie within MaxReferenceGapDays of their neighbours too; otherwise the straight line
//     through the two neighbours;
//   - nothing before the first point, after the last (no extrapolation), or across a wider gap.
// `wholeSeconds` (UT1, UT1R): the points are first put on the whole second of the left neighbour,
// so that a leap second among them does not bend the polynomial; the value is on that second.
std::optional<double> InterpolateReference(std::span<const double> epochs, std::span<const double> values,
                                           double epoch, bool wholeSeconds);

}  // namespace erp
