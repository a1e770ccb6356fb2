#include "ui/chart/PictureMemory.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>  // defines __GLIBC__ with the GNU C library
#include <new>
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

constexpr std::size_t kPixelBytes = 4;          // Format_ARGB32_Premultiplied
constexpr std::size_t kBlockAlignment = 64;     // a cache line, as Qt aligns its own pictures

std::size_t PictureBytes(QSize size) {
  return static_cast<std::size_t>(std::max(size.width(), 0)) * static_cast<std::size_t>(std::max(size.height(), 0)) *
         kPixelBytes;
}

}  // namespace

// Every picture of 1280 x 800 is 4 MB. By default the C library maps a block of that size on its
// own and unmaps it when freed, so the next picture of a run, the encoder's copy and the window's
// paint buffer after a resize each start on pages the system has to fault in and clear one by one
// (a thousand for 4 MB). Raising the two thresholds keeps such blocks in the heap once freed,
// where the next one reuses them. Measured on a batch export of three PNG charts, this and a pool
// of the chart's pictures save the same faults (about a thousand of 4 800); the chart's own
// pictures also keep their blocks (PictureBlocks), for the sizes a window goes through.
void KeepPictureMemory() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, kMappedFrom);
  mallopt(M_TRIM_THRESHOLD, kReturnedBeyond);
#endif
}

struct PictureBlocks::Block {
  explicit Block(std::size_t size) : bytes(size), data(static_cast<uchar*>(::operator new(size, std::align_val_t(kBlockAlignment)))) {}
  ~Block() { ::operator delete(data, std::align_val_t(kBlockAlignment)); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  std::size_t bytes;
  uchar* data;
};

PictureBlocks::PictureBlocks() = default;
PictureBlocks::~PictureBlocks() = default;

std::shared_ptr<PictureBlocks::Block> PictureBlocks::NewBlock(std::size_t needed, QSize reserve) {
  auto block = std::make_shared<Block>(std::max(needed + needed / 4, PictureBytes(reserve)));
  blocks_.push_back(block);
  return block;
}

PictureBlocks::Preparation PictureBlocks::Prepare(QSize size, QSize reserve) {
  Preparation work;
  work.bytes_ = PictureBytes(size);
  if (work.bytes_ > 0) work.block_ = NewBlock(work.bytes_, reserve);
  return work;
}

PictureBlocks::Preparation::Preparation() = default;
PictureBlocks::Preparation::~Preparation() = default;
PictureBlocks::Preparation::Preparation(Preparation&&) noexcept = default;
PictureBlocks::Preparation& PictureBlocks::Preparation::operator=(Preparation&&) noexcept = default;

void PictureBlocks::Preparation::operator()() {
  if (!block_) return;
  // A write every 4 kB reaches every page, whatever the page size.
  constexpr std::size_t kStep = 4096;
  volatile uchar* const data = block_->data;
  for (std::size_t offset = 0; offset < bytes_; offset += kStep) data[offset] = 0;
  block_.reset();  // the release that Take's fence pairs with
}

QImage PictureBlocks::Take(QSize size, QSize reserve) {
  const std::size_t needed = PictureBytes(size);
  if (needed == 0) return QImage(size, QImage::Format_ARGB32_Premultiplied);
  // A block whose pictures are all gone: only this list holds it. The last holder may have let go
  // on another thread; the fence orders its last reads of the pixels before the drawing's writes.
  std::shared_ptr<Block> block;
  for (const std::shared_ptr<Block>& b : blocks_) {
    if (b.use_count() == 1 && b->bytes >= needed && (!block || b->bytes < block->bytes)) block = b;
  }
  if (block) {
    std::atomic_thread_fence(std::memory_order_acquire);
  } else {
    // Blocks in use stay in the list (they come free later); free ones are all too small here.
    std::erase_if(blocks_, [](const std::shared_ptr<Block>& b) { return b.use_count() == 1; });
    block = NewBlock(needed, reserve);
  }
  // Each picture (and every copy of it, which shares it) holds the block through its own
  // reference, let go when the last copy is destroyed.
  auto* holder = new std::shared_ptr<Block>(block);
  return QImage(
      block->data, size.width(), size.height(), static_cast<qsizetype>(size.width()) * static_cast<qsizetype>(kPixelBytes),
      QImage::Format_ARGB32_Premultiplied, [](void* info) { delete static_cast<std::shared_ptr<Block>*>(info); }, holder);
}

}  // namespace erp::ui
