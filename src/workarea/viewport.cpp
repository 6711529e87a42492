#include "workarea/viewport.h"

#include <algorithm>

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
  base_ = withPicture ? outline::LayerBase::Picture : outline::LayerBase::Checkerboard;
}

void WorkAreaViewport::ShowLayerAlone() {
  base_ = outline::LayerBase::None;
}

TBitmap32 WorkAreaViewport::Image2Picture() const {
  if (base_ == outline::LayerBase::None) return source_.OutlineBitmap;
  return outline::Image2showto(source_.WorkingPicture, source_.OutlineBitmap,
                               base_ == outline::LayerBase::Picture);
}

}  // namespace drollo
