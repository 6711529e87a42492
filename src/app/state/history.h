// The two edit histories: rings of 100 snapshots of the working picture and of the outline layer.
//
// A snapshot restores exactly the recorded picture (size, depth, colour table and pixels), but it
// is not a full copy: it is a grid of immutable tiles shared with the previous snapshot wherever
// the picture was not written in between. The picture itself records which tiles were written
// since it was last recorded or restored, so recording costs the written tiles only, and undo and
// redo copy back only the tiles that differ between the two snapshots.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "image/bitmap32.h"
#include "image/picture.h"

namespace drollo {

class PictureSnapshot;

class HistoryRing {
 public:
  static constexpr int kSlots = 100;
  static constexpr int kMaxUndo = 99;

  // Index 1, both counts 0, slot 1 takes the current picture.
  void reset(Picture& current);
  // Steps 1 to 3 and 5 of recording: next slot (101 wraps to 1) takes the picture, undo count + 1
  // up to 99, redo count 0.
  void record(Picture& current);
  // One step back or forward, when there is one; the picture takes the slot's content.
  void undo(Picture& current);
  void redo(Picture& current);

  int index() const { return index_; }
  int undoCount() const { return undoCount_; }
  int redoCount() const { return redoCount_; }
  // The snapshot in slot i (1..100), or null when the slot was never filled.
  const PictureSnapshot* slot(int i) const;
  // Bytes of pixel data held by the ring, each shared tile counted once.
  std::size_t memoryBytes() const;

 private:
  std::array<std::shared_ptr<const PictureSnapshot>, kSlots> slots_;
  int index_ = 1;
  int undoCount_ = 0;
  int redoCount_ = 0;
};

// Rebuilds a picture from a snapshot (for tests and tools that need a copy).
Picture MaterialiseSnapshot(const PictureSnapshot& s);

}  // namespace drollo
