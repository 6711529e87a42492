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

void WorkAreaViewport::ShowLayer(bool withPicture) {
  composedShown_ = true;
  withPicture_ = withPicture;
}

void WorkAreaViewport::ShowLayerAlone() {
  composedShown_ = false;
  ReleaseLayerDisplay();
}

void WorkAreaViewport::ReleaseLayerDisplay() {
  composition_ = TBitmap32();
  composed_ = Composition{};
}

const TBitmap32& WorkAreaViewport::Image2Picture() const {
  if (!composedShown_) return source_.OutlineBitmap;
  const Picture& picture = source_.WorkingPicture;
  const TBitmap32& layer = source_.OutlineBitmap;
  const std::uint64_t before = Picture::WriteClock();
  if (!updateLayerDisplay()) outline::Image2showto(picture, layer, withPicture_, composition_);
  composed_ = Composition{picture.identity(),    layer.identity(), composition_.identity(), before,
                          Picture::WriteClock(), withPicture_};
  return composition_;
}

bool WorkAreaViewport::updateLayerDisplay() const {
  const Picture& picture = source_.WorkingPicture;
  const TBitmap32& layer = source_.OutlineBitmap;
  const Composition& c = composed_;
  if (c.picture != picture.identity() || c.layer != layer.identity() ||
      c.view != composition_.identity() || c.withPicture != withPicture_)
    return false;
  // Nothing anywhere was written since it was made.
  if (c.after == Picture::WriteClock()) return true;
  std::vector<Rect> changed = layer.writtenSince(c.before);
  if (withPicture_) {
    const std::vector<Rect> underneath = picture.writtenSince(c.before);
    changed.insert(changed.end(), underneath.begin(), underneath.end());
  }
  for (const Rect& r : changed)
    if (!outline::Image2showtoPart(picture, layer, withPicture_, composition_, r)) return false;
  return true;
}

}  // namespace drollo
