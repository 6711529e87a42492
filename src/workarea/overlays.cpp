#include "workarea/overlays.h"

#include <algorithm>

namespace drollo {

namespace {

// Walks an axis-aligned line from `from` up to but not including `to`, shifting the pattern once
// per point.
void DashedLine(Point from, Point to, std::uint8_t& pattern, std::vector<DashPoint>& points) {
  const int dx = to.x > from.x ? 1 : (to.x < from.x ? -1 : 0);
  const int dy = to.y > from.y ? 1 : (to.y < from.y ? -1 : 0);
  for (Point p = from; p != to; p.x += dx, p.y += dy) {
    pattern = static_cast<std::uint8_t>(pattern << 1);
    if (pattern == 0) pattern = 1;
    points.push_back(DashPoint{p, (pattern & 0xE0) != 0});
  }
}

// Keeps overlay coordinates well inside the int range, so that sums and differences of them (the
// repaint rectangles) cannot overflow however large a radius was typed.
int ClampOverlay(long long v) {
  constexpr long long kLimit = 1LL << 28;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

std::vector<DashPoint> DashedRectPoints(Point start, Point end, std::uint8_t phase,
                                        std::uint8_t* finalPattern) {
  std::vector<DashPoint> points;
  std::uint8_t pattern = phase;
  // Only lines that go somewhere are walked; a rectangle with two equal corners has no points.
  DashedLine(start, Point{end.x, start.y}, pattern, points);
  DashedLine(Point{end.x, start.y}, end, pattern, points);
  DashedLine(end, Point{start.x, end.y}, pattern, points);
  DashedLine(Point{start.x, end.y}, start, pattern, points);
  if (finalPattern) *finalPattern = pattern;
  return points;
}

BrushSquare BrushSquare::Around(int cx, int cy, int r) {
  const long long x = cx, y = cy, rr = r;
  const int left = ClampOverlay(x - rr), bottom = ClampOverlay(y + rr);
  return BrushSquare{left, ClampOverlay(y - rr), ClampOverlay(x + rr), bottom, left, bottom};
}

Rect ClippedCropRect(const ProgramState::CropRectangle& r, int width, int height) {
  const int left = std::max(r.left, 1), top = std::max(r.top, 1);
  const int right = std::min(r.right, width), bottom = std::min(r.bottom, height);
  if (right < left || bottom < top) return Rect{};
  return Rect{left - 1, top - 1, right, bottom};
}

std::uint8_t NextDashPhase(std::uint8_t phase) {
  return phase < 4 ? std::uint8_t{128} : static_cast<std::uint8_t>(phase >> 2);
}

ProgramState::CropRectangle CropRectOf(Point selectionStart, Point selectionEnd, int h, int v,
                                       double zoomPercent) {
  const Zoom zoom{zoomPercent};
  const int x1 = h + selectionEnd.x, x2 = h + selectionStart.x;
  const int y1 = v + selectionEnd.y, y2 = v + selectionStart.y;
  return ProgramState::CropRectangle{
      zoom.ToPicture(std::min(x1, x2)) + 1, zoom.ToPicture(std::min(y1, y2)) + 1,
      zoom.ToPicture(std::max(x1, x2)) - 1, zoom.ToPicture(std::max(y1, y2)) - 1};
}

void WorkAreaOverlays::DrawTheRect1() {
  DashPattern = DashPhase;
  const std::vector<DashPoint> points =
      DashedRectPoints(SelectionStart, SelectionEnd, DashPhase, &DashPattern);
  RectShown = !points.empty();
}

std::vector<DashPoint> WorkAreaOverlays::CropRectPoints() const {
  return DashedRectPoints(SelectionStart, SelectionEnd, DashPhase);
}

// Only the 2-pixel frame along the outline is repainted.
void WorkAreaOverlays::RemoveTheRect1() {
  const Rect r{
      std::min(SelectionStart.x, SelectionEnd.x), std::min(SelectionStart.y, SelectionEnd.y),
      std::max(SelectionStart.x, SelectionEnd.x), std::max(SelectionStart.y, SelectionEnd.y)};
  surface_.Repaint(Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1},
                   Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
  RectShown = false;
}

void WorkAreaOverlays::RemoveTheRect2() {
  RemoveTheRect1();
  SelectionStart = SelectionEnd = Point{};
}

void WorkAreaOverlays::DrawTheBrush() {
  BrushShown = true;
}

// The circle lies inside its bounding square and outside the square shrunk by the radius: only
// that band is repainted.
void WorkAreaOverlays::RemoveTheBrush() {
  const long long r = overlayState_.ScreenRadius;
  const BrushSquare& b = BrushBounds;
  surface_.Repaint(Rect{b.Left, b.Top, b.Right, b.Bottom},
                   Rect{ClampOverlay(b.Left + r), ClampOverlay(b.Top + r),
                        ClampOverlay(b.Right - r), ClampOverlay(b.Bottom - r)});
  BrushShown = false;
}

}  // namespace drollo
