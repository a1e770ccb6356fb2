// How the process keeps the memory of the chart's pictures between drawings.
#pragma once

namespace erp::ui {

// Keeps large freed blocks (pictures, paint buffers, converted images) in the process so that the
// next one of about the same size is drawn in memory already in use. Call once at start-up, before
// the first window or chart.
void KeepPictureMemory();

}  // namespace erp::ui
