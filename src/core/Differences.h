// Every series as its difference from a reference series at its own epochs, the way analysts
// compare the solutions of analysis centres, in milliseconds (UT1, UT1R) or milliarcseconds (Xp,
// Yp).
#pragma once

#include "core/PlotArrays.h"

namespace erp {

// Differences are shown in thousandths of the values' unit: ms for UT1 and UT1R, mas for Xp, Yp.
constexpr double DifferenceUnitsPerValue = 1000.0;

struct DifferenceOptions {
  int ReferenceSlot = 3;         // the series the others are compared with (the trend's by default)
  bool BiasRateRemoved = false;  // each series' own least-squares line over the window taken out
};

// Turns the values of the plot arrays (of `parameter`, StoreParameter 1..4, as extracted and
// aligned) into differences from the reference slot, in DifferenceUnitsPerValue:
//   - each point of every other slot: its value minus the reference interpolated at its epoch
//     (InterpolateReference); for UT the whole seconds between the two are taken out, so that no
//     leap second shows. A point where the reference has no value (before or after its points,
//     in a gap of more than three days) is left out, and a slot left without points is empty;
//   - the reference's own points become 0: the zero line;
//   - with BiasRateRemoved, the least-squares line of each slot's differences over its epochs is
//     taken out of them (a slot of one point: its value), leaving the series' scatter.
// False, with every slot emptied, when the reference slot has no point in the window.
bool TakeDifferences(PlotArrays& plot, int parameter, const DifferenceOptions& options);

}  // namespace erp
