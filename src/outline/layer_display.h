// What the outline page shows: the layer over the picture, or over a grey checkerboard when the
// picture is hidden. A layer pixel of pure white (255, 255, 255) is transparent, every other
// colour covers what lies below.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/bitmap32.h"
#include "image/resample.h"

namespace drollo::outline {

// A copy of `layer` whose fourth bytes say which pixels cover: 0 for pure white, 255 otherwise.
TBitmap32 settransparent(const TBitmap32& layer);

// The checkerboard behind a hidden picture: 20 x 20 cells of grey 255 and 240, the top-left cell
// 255, fourth bytes 255.
TBitmap32 Checkerboard(int width, int height);

// The 32-bit picture shown over the working picture: with `showPicture` the working picture (any
// depth, converted) at its own size, otherwise the checkerboard at the layer's size; fourth
// bytes 255; then every covering layer pixel inside both replaces the pixel below.
TBitmap32 Image2showto(const Picture& picture, const TBitmap32& layer, bool showPicture);
// The same, made in `view`: over its own bytes when it has the size already, so recomposing
// after a command does not hold two displays at once. `view` is neither picture nor layer.
void Image2showto(const Picture& picture, const TBitmap32& layer, bool showPicture,
                  TBitmap32& view);
// Brings `view`, made by Image2showto from the same picture and layer, up to date inside `area`
// after they changed there, with the same bytes as composing it whole. Returns false, writing
// nothing, when the view does not have the size Image2showto gives or the picture is shown at a
// depth other than 24 bits: then it is to be composed whole.
bool Image2showtoPart(const Picture& picture, const TBitmap32& layer, bool showPicture,
                      TBitmap32& view, const Rect& area);

// What lies under the layer on the outline page: nothing (the layer as it is), the working
// picture, or the checkerboard.
enum class LayerBase { None, Picture, Checkerboard };

// The outline page's display as a pixel source: each row made from the picture and the layer when
// it is read, with the bytes Image2showto gives (the layer alone: its own rows), so that the
// screen shows the page without a copy of the picture's size. Follows the writes into the layer,
// and into the picture when it is shown.
class LayerDisplayRows final : public PixelSource {
 public:
  LayerDisplayRows(const Picture& picture, const TBitmap32& layer, LayerBase base)
      : picture_(picture), layer_(layer), base_(base) {}
  int width() const override;
  int height() const override;
  int bitsPerPixel() const override { return 32; }
  const std::uint8_t* pixels(int y, int x0, int x1, std::uint8_t* scratch) const override;
  std::array<std::uint64_t, 3> identity() const override;
  std::vector<Rect> writtenSince(std::uint64_t stamp) const override;
  std::vector<Rect> writtenAreasSince(std::uint64_t stamp) const override;

 private:
  // The layer's writes, and the picture's when it is shown, as `since` gives them.
  std::vector<Rect> written(std::vector<Rect> (Picture::*since)(std::uint64_t) const,
                            std::uint64_t stamp) const;

  const Picture& picture_;
  const TBitmap32& layer_;
  LayerBase base_;
};

}  // namespace drollo::outline
