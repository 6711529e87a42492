// Area-averaging resampling: the whole source is mapped onto the whole target, and each target
// pixel gets the average colour of the source area it covers, every source pixel weighted by the
// part of it that lies under the target pixel. Enlarging repeats and blends neighbouring pixels;
// reducing averages blocks, so thin lines fade instead of vanishing.
//
// Every target pixel depends on the source pixels under it alone and is computed in whole numbers,
// so any part of a target can be made on its own and gets the same bytes as the whole: after a
// local change of the source, AreaResampleCover says which part of the target to make again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/picture.h"

namespace drollo {

// What the resamplers read: a picture's rows, or rows made when they are read (the outline page's
// layer over the picture, which nobody keeps whole). Read from several threads at once, each with
// a scratch of its own; the source follows its writes as a picture does, so that a reduced copy
// of it can be brought up to date where it changed.
class PixelSource {
 public:
  virtual int width() const = 0;
  virtual int height() const = 0;
  // 24 or 32: the form pixels() gives.
  virtual int bitsPerPixel() const = 0;
  // Pixels [x0, x1) of row y: a pointer to pixel x0, into the source's own bytes or into
  // `scratch`, which has room for (x1 - x0) pixels of 4 bytes.
  virtual const std::uint8_t* pixels(int y, int x0, int x1, std::uint8_t* scratch) const = 0;
  // pixels() always points into the source's own bytes and never needs the scratch.
  virtual bool inPlace() const { return false; }
  // Equal for two reads while the same pixels can be followed through writtenSince().
  virtual std::array<std::uint64_t, 3> identity() const = 0;
  // What Picture::writtenSince and Picture::writtenAreasSince give, for these pixels.
  virtual std::vector<Rect> writtenSince(std::uint64_t stamp) const = 0;
  virtual std::vector<Rect> writtenAreasSince(std::uint64_t stamp) const = 0;

 protected:
  ~PixelSource() = default;
};

// A picture as a pixel source: rows of 24 and 32 bits as they are, other depths read as 24 bits.
class PictureSource final : public PixelSource {
 public:
  explicit PictureSource(const Picture& picture) : picture_(picture) {}
  int width() const override { return picture_.width(); }
  int height() const override { return picture_.height(); }
  int bitsPerPixel() const override { return picture_.bitsPerPixel() == 32 ? 32 : 24; }
  const std::uint8_t* pixels(int y, int x0, int x1, std::uint8_t* scratch) const override;
  bool inPlace() const override { return picture_.bitsPerPixel() >= 24; }
  std::array<std::uint64_t, 3> identity() const override { return {picture_.identity(), 0, 0}; }
  std::vector<Rect> writtenSince(std::uint64_t stamp) const override {
    return picture_.writtenSince(stamp);
  }
  std::vector<Rect> writtenAreasSince(std::uint64_t stamp) const override {
    return picture_.writtenAreasSince(stamp);
  }

 private:
  const Picture& picture_;
};

// A 24-bit picture of width x height from `source` (any depth). An empty source or target size
// gives a picture of the target size with every byte 0, or an empty picture.
Picture AreaResample(const Picture& source, int width, int height);

// The pixels of AreaResample(source, width, height) inside dst.bounds, written into the region
// `dst` (in target coordinates, within width x height): 24 bits, or 32 with the fourth bytes 255.
void AreaResampleInto(const Picture& source, int width, int height, const MutableView& dst);
void AreaResampleInto(const PixelSource& source, int width, int height, const MutableView& dst);

// The same part of `source` resampled to width x height without averaging: each target pixel
// shows the source pixel under its centre. Enlarged by a whole factor, every source pixel becomes
// a block of that size; no colour is ever blended.
void NearestResampleInto(const Picture& source, int width, int height, const MutableView& dst);
void NearestResampleInto(const PixelSource& source, int width, int height, const MutableView& dst);

// floor(x / d) for a divisor fixed beforehand and every x below 2^40, by a multiplication and a
// shift: the division of every target channel by the resample's total weight.
class ExactDivision {
 public:
  explicit ExactDivision(std::uint64_t divisor);
  std::uint64_t operator()(std::uint64_t x) const {
    return static_cast<std::uint64_t>((Wide{x} * multiplier_) >> shift_);
  }

 private:
  using Wide = unsigned __int128;
  std::uint64_t multiplier_ = 0;
  int shift_ = 0;
};

// The target pixels of a resampling from sourceWidth x sourceHeight to width x height that read
// a source pixel inside `changed`: the part of the target a change there alters.
Rect AreaResampleCover(int sourceWidth, int sourceHeight, int width, int height,
                       const Rect& changed);

}  // namespace drollo
