#include "workarea/overlays.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

std::vector<PixelRun> BrushCircleRuns(const BrushSquare& square, const Rect& clip) {
  std::vector<PixelRun> runs;
  const long long width = static_cast<long long>(square.Right) - square.Left;
  const long long height = static_cast<long long>(square.Bottom) - square.Top;
  const long long d = std::min(width, height);
  if (d <= 0 || clip.empty()) return runs;
  const long long left = square.Left + (width - d) / 2, top = square.Top + (height - d) / 2;
  // In half pixels from the disc's top left pixel: the centre and the radius are both d - 1, and
  // a pixel (x, y) is in the disc when (2x - c)^2 + (2y - c)^2 <= c^2 + 2c, that is within the
  // radius plus half a pixel (less a quarter of a pixel squared). The side is below 2^30.
  const long long c = d - 1, limit = c * c + 2 * c;
  // The disc's first column in row j, 0 <= j < d, or d when the row holds none of it. Rows are
  // asked for from the top down, so the half width m of the last row is where the next starts
  // looking: across all rows it moves no more than the diameter.
  long long m = -1;
  const auto first = [&](long long j) {
    if (j < 0 || j >= d) return d;
    const long long dy = 2 * j - c, rest = limit - dy * dy;
    // The largest m with m^2 <= rest; 2x - c, and so m, has the parity of c.
    if (m < 0) {
      m = static_cast<long long>(std::sqrt(static_cast<double>(rest)));
      if (((m ^ c) & 1) != 0) ++m;
    }
    while (m >= 0 && m * m > rest) m -= 2;
    while ((m + 2) * (m + 2) <= rest) m += 2;
    return m < 0 ? d : (c - m) / 2;
  };
  const long long rowFrom = std::max(0LL, clip.top - top);
  const long long rowTo = std::min(d, static_cast<long long>(clip.bottom) - top);
  runs.reserve(static_cast<std::size_t>(2 * std::max(0LL, rowTo - rowFrom)));
  long long above = first(rowFrom - 1), here = first(rowFrom);
  for (long long j = rowFrom; j < rowTo; ++j) {
    const long long a = here, up = above, below = first(j + 1);
    above = std::exchange(here, below);
    if (a >= d) continue;
    // The row's pixels left of where the row above or the row below begins, and their mirror
    // image on the right; one run where they meet.
    const long long end = std::max(a, std::max(up, below) - 1);
    const bool one = 2 * end + 1 >= c;
    const long long from[2] = {left + a, left + c - end};
    const long long to[2] = {one ? left + c - a : left + end, left + c - a};
    for (int i = 0; i < (one ? 1 : 2); ++i) {
      const long long x0 = std::max(from[i], static_cast<long long>(clip.left));
      const long long x1 = std::min(to[i], static_cast<long long>(clip.right) - 1);
      if (x0 <= x1)
        runs.push_back(
            PixelRun{static_cast<int>(top + j), static_cast<int>(x0), static_cast<int>(x1)});
    }
  }
  return runs;
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
