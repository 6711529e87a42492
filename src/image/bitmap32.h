// A picture always held at 32 bits per pixel (blue, green, red, alpha), for the outline layer and
// its snapshots, with alpha compositing over another 32-bit picture.
#pragma once

#include <cstdint>

#include "image/picture.h"

namespace drollo {

class TBitmap32 : public Picture {
 public:
  // An empty picture at 32 bits per pixel.
  TBitmap32() : Picture(0, 0, PixelFormat::Bgra32()) {}
  TBitmap32(int width, int height) : Picture(width, height, PixelFormat::Bgra32()) {}
  // Bytes left unset: the caller writes every one.
  TBitmap32(int width, int height, Unfilled u) : Picture(width, height, PixelFormat::Bgra32(), u) {}

  // Copies any picture in, then converts it to 32 bits (a 24-bit source gets alpha 255).
  void Assign(const Picture& source);
  // Sets the fourth byte of every pixel, row by row; the colours are untouched.
  void SetAlpha(std::uint8_t value);
  // Composites this picture over `target` with its top-left corner at (x, y) of the target.
  void DrawOver(int x, int y, Picture& target) const;
  // The compositing rule of DrawOver for one pixel: returns the new target pixel.
  static Bgra BlendPixel(Bgra target, Bgra source);
};

}  // namespace drollo
