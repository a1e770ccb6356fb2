// The processor's vector unit between Qt and the numeric core.
#pragma once

namespace erp::ui {

// Marks the upper halves of the AVX registers clean. Starting the Qt application leaves them in
// use, and on x86 processors every non-AVX floating-point instruction of the core (compiled for
// the baseline instruction set) then pays a state-transition penalty: the loading pass, whose UT1
// correction calls the AVX sin of the C library for every record, runs about ten times slower.
// Call it before a long run of core computation. Does nothing where AVX is absent.
void ResetVectorUnitState();

}  // namespace erp::ui
