// How the process keeps the memory of the chart's pictures between drawings.
#pragma once

#include <QImage>
#include <QSize>

#include <memory>
#include <vector>

namespace erp::ui {

// Keeps large freed blocks (pictures, paint buffers, converted images) in the process so that the
// next one of about the same size is drawn in memory already in use. Call once at start-up, before
// the first window or chart.
void KeepPictureMemory();

// The memory blocks that a chart's pictures are drawn on. A block is drawn on again once no
// picture made on it is held any more (by an encoder on another thread, or a caller of the
// chart's picture), also at another size as long as the picture fits: a window settling to its
// size, or resized later, draws on pages that are in use already instead of a new picture whose
// pages the system has to fault in and clear one by one.
class PictureBlocks {
  struct Block;

 public:
  PictureBlocks();
  ~PictureBlocks();
  PictureBlocks(const PictureBlocks&) = delete;
  PictureBlocks& operator=(const PictureBlocks&) = delete;

  // A Format_ARGB32_Premultiplied picture of `size` device pixels, its pixels not set, on a free
  // block large enough for it, or on a new block of at least `reserve` device pixels (the
  // screen's, say) with room to grow by a quarter. The picture keeps its block alive, also on
  // another thread.
  QImage Take(QSize size, QSize reserve);

  // The work of bringing into use the pages of one more picture block, to be done on any thread.
  // The block counts as held until the work is done or dropped, so no picture is drawn on it
  // meanwhile; afterwards Take hands it out like any other free block.
  class Preparation {
   public:
    Preparation();
    ~Preparation();
    Preparation(Preparation&&) noexcept;
    Preparation& operator=(Preparation&&) noexcept;
    Preparation(const Preparation&) = delete;
    Preparation& operator=(const Preparation&) = delete;

    // Writes once to each page of the picture's part of the block (the system faults each in and
    // clears it there), then lets go of the block. Does nothing a second time.
    void operator()();

   private:
    friend class PictureBlocks;
    std::shared_ptr<Block> block_;
    std::size_t bytes_ = 0;
  };

  // A new block for a picture of `size` (as Take would make one: for a second picture while the
  // first is still held by its encoder, say), whose pages the returned work brings into use
  // ahead of the picture's first drawing, on a thread that has nothing else to do then.
  Preparation Prepare(QSize size, QSize reserve);

  // Blocks held now (for tests).
  int Count() const { return static_cast<int>(blocks_.size()); }

 private:
  std::shared_ptr<Block> NewBlock(std::size_t needed, QSize reserve);
  std::vector<std::shared_ptr<Block>> blocks_;
};

}  // namespace erp::ui
