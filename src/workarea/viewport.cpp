#include "workarea/viewport.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "outline/layer_display.h"

namespace drollo {

namespace {
int Clamped(int position, int contentLength, int clientLength) {
  return std::clamp(position, 0, std::max(0, contentLength - clientLength));
}
}  // namespace

Rect WorkAreaViewport::Image1Rect() const {
  return Rect{ImageLeft(), ImageTop(), ImageLeft() + Images.Image1.Width,
              ImageTop() + Images.Image1.Height};
}

void WorkAreaViewport::ScrollHorzTo(int position) {
  HorzScrollBar.Position = Clamped(position, Images.Image1.Width, ClientSize.Width);
}

void WorkAreaViewport::ScrollVertTo(int position) {
  VertScrollBar.Position = Clamped(position, Images.Image1.Height, ClientSize.Height);
}

void WorkAreaViewport::ScrollBy(int dx, int dy) {
  ScrollHorzTo(HorzScrollBar.Position + dx);
  ScrollVertTo(VertScrollBar.Position + dy);
}

void WorkAreaViewport::ShowLayer(const ProgramState& state, bool withPicture) {
  const Picture& picture = state.WorkingPicture;
  const TBitmap32& layer = state.OutlineBitmap;
  const std::uint64_t before = Picture::WriteClock();
  if (!updateLayerDisplay(picture, layer, withPicture))
    outline::Image2showto(picture, layer, withPicture, Image2Picture);
  composed_ = Composition{picture.identity(),    layer.identity(), Image2Picture.identity(), before,
                          Picture::WriteClock(), withPicture};
}

bool WorkAreaViewport::updateLayerDisplay(const Picture& picture, const TBitmap32& layer,
                                          bool withPicture) {
  const Composition& c = composed_;
  if (c.picture != picture.identity() || c.layer != layer.identity() ||
      c.view != Image2Picture.identity() || c.withPicture != withPicture)
    return false;
  // Written by someone else since: no longer what the two make.
  if (!Image2Picture.writtenSince(c.after).empty()) return false;
  std::vector<Rect> changed = layer.writtenSince(c.before);
  if (withPicture) {
    const std::vector<Rect> underneath = picture.writtenSince(c.before);
    changed.insert(changed.end(), underneath.begin(), underneath.end());
  }
  for (const Rect& r : changed)
    if (!outline::Image2showtoPart(picture, layer, withPicture, Image2Picture, r)) return false;
  return true;
}

}  // namespace drollo
