#include "ui/chart/PictureMemory.h"

#include <cstdlib>  // defines __GLIBC__ with the GNU C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace erp::ui {

namespace {

// Blocks up to this size come from the heap instead of a mapping of their own (bytes): a picture of
// 1920 x 1080 (8 MB) and four times that.
constexpr int kMappedFrom = 32 * 1024 * 1024;
// Free memory at the top of the heap given back to the system only beyond this (bytes).
constexpr int kReturnedBeyond = 256 * 1024 * 1024;

}  // namespace

// Every picture of 1280 x 800 is 4 MB. By default the C library maps a block of that size on its
// own and unmaps it when freed, so the next picture of a run, the encoder's copy and the window's
// paint buffer after a resize each start on pages the system has to fault in and clear one by one
// (a thousand for 4 MB). Raising the two thresholds keeps such blocks in the heap once freed,
// where the next one reuses them. Measured on a batch export of three PNG charts, this and a pool
// of the chart's pictures save the same faults (about a thousand of 4 800); the pool does nothing
// for the window's paint buffer after a resize (a new size) or Qt's converted images, and needs
// more code, so the thresholds are what is kept.
void KeepPictureMemory() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, kMappedFrom);
  mallopt(M_TRIM_THRESHOLD, kReturnedBeyond);
#endif
}

}  // namespace erp::ui
