// Lines, curves, shapes and paths of both metafile forms.
//
// Curves (ellipses, arcs, pies, chords, rounded corners) become cubic Béziers in world
// coordinates before the transform, which keeps them exact under every affine mapping; the canvas
// then only fills and strokes paths. Between BeginPath and EndPath the figures are recorded into
// one path instead of drawn.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "formats/metafile_play.h"

namespace drollo::formats::meta {

std::vector<Point> ReadPoints(ByteReader& rec, std::size_t count, bool small) {
  const std::size_t each = small ? 4 : 8;
  if (count > rec.remaining() / each) rec.truncated();
  std::vector<Point> pts(count);
  for (Point& p : pts) {
    if (small) {
      p.x = rec.i16();
      p.y = rec.i16();
    } else {
      p.x = rec.i32();
      p.y = rec.i32();
    }
  }
  return pts;
}

void Player::spend(const Path& path) {
  if (path.points.empty()) return;
  double x0 = path.points[0].x, x1 = x0, y0 = path.points[0].y, y1 = y0;
  for (const Point& p : path.points) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  x0 = std::max(x0, 0.0), y0 = std::max(y0, 0.0);
  x1 = std::min<double>(x1, size_.width), y1 = std::min<double>(y1, size_.height);
  budget_ -= std::max(0.0, x1 - x0 + 1) * std::max(0.0, y1 - y0 + 1) + path.points.size();
  if (budget_ < 0) Corrupt("it draws far more than its own area");
}

// While a path is being recorded, figures go into it instead of onto the canvas.
bool Player::recorded(const Path& path) {
  if (!recording_) return false;
  path_.append(path);
  figureOpen_ = false;
  return true;
}

// Fills the figure with the brush and outlines it (or `outline`) with the pen, as far as they
// are not null, once its cost is spent.
void Player::paint(const Path& path, bool fill, bool stroke, const Path* outline) {
  spend(path);
  if (fill && dc_.brush.style != BrushStyle::kNull)
    canvas_.fill(path, dc_.brush, dc_.winding, dc_.background);
  if (stroke && dc_.pen.style != PenStyle::kNull)
    canvas_.stroke(outline ? *outline : path, devicePen(), dc_.background);
}

// A closed figure: filled and outlined.
void Player::shape(const Path& path, const Path* outline) {
  if (!path.empty() && !recorded(path)) paint(path, true, true, outline);
}

// An open figure: outlined only.
void Player::line(const Path& path) {
  if (!path.empty() && !recorded(path)) paint(path, false, true);
}

// Lines and curves that go on from the current position.
void Player::continueFrom(Path& p) {
  if (recording_ && figureOpen_) return;
  p.moveTo(map(dc_.position));
}
void Player::finishContinued(Path& p) {
  if (recording_) {
    path_.append(p);
    figureOpen_ = true;
  } else {
    line(p);
  }
}

void Player::moveTo(Point to) {
  dc_.position = to;
  figureOpen_ = false;
}

void Player::lineTo(Point to) {
  Path p;
  continueFrom(p);
  p.lineTo(map(to));
  dc_.position = to;
  finishContinued(p);
}

Path Player::polyline(std::span<const Point> pts, bool closed) const {
  Path p;
  if (pts.empty()) return p;
  p.moveTo(map(pts[0]));
  for (std::size_t i = 1; i < pts.size(); ++i) p.lineTo(map(pts[i]));
  if (closed) p.close();
  return p;
}

void Player::play(const PolyOp& op) {
  const std::vector<Point>& pts = op.points;
  if (pts.empty()) return;
  switch (op.kind) {
    case PolyOp::Kind::kPolygon:
      shape(polyline(pts, true));
      break;
    case PolyOp::Kind::kPolyline:
      line(polyline(pts, false));
      break;
    case PolyOp::Kind::kPolyBezier: {
      Path p;
      p.moveTo(map(pts[0]));
      for (std::size_t i = 1; i + 2 < pts.size(); i += 3)
        p.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
      line(p);
      break;
    }
    case PolyOp::Kind::kPolylineTo: {
      Path p;
      continueFrom(p);
      for (const Point& q : pts) p.lineTo(map(q));
      dc_.position = pts.back();
      finishContinued(p);
      break;
    }
    case PolyOp::Kind::kPolyBezierTo: {
      Path p;
      continueFrom(p);
      std::size_t i = 0;
      for (; i + 2 < pts.size(); i += 3) p.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
      if (i > 0) dc_.position = pts[i - 1];
      finishContinued(p);
      break;
    }
  }
}

void Player::play(const PolyPolyOp& op) {
  Path all;
  std::size_t k = 0;
  for (std::size_t c : op.counts) {
    all.append(polyline(std::span(op.points).subspan(k, c), op.closed));
    k += c;
  }
  op.closed ? shape(all) : line(all);
}

// Elliptical arc of the box from angle t0 through `sweep` (radians, world coordinates where
// y grows downwards), appended as cubic Béziers; the first point is joined by a line or a move.
void Player::arcPath(Path& p, double cx, double cy, double rx, double ry, double t0, double sweep,
                     bool join) const {
  auto at = [&](double t) { return Point{cx + rx * std::cos(t), cy + ry * std::sin(t)}; };
  const Point start = map(at(t0));
  if (join)
    p.lineTo(start);
  else
    p.moveTo(start);
  const int pieces =
      std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (std::numbers::pi / 2) - 1e-9)));
  const double step = sweep / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < pieces; ++i) {
    const double a = t0 + i * step, b = a + step;
    const Point c1{cx + rx * (std::cos(a) - k * std::sin(a)),
                   cy + ry * (std::sin(a) + k * std::cos(a))};
    const Point c2{cx + rx * (std::cos(b) + k * std::sin(b)),
                   cy + ry * (std::sin(b) - k * std::cos(b))};
    p.cubicTo(map(c1), map(c2), map(at(b)));
  }
}

Path Player::ellipse(const Box& x) const {
  Path p;
  arcPath(p, (x.l + x.r) / 2, (x.t + x.b) / 2, (x.r - x.l) / 2, (x.b - x.t) / 2, 0,
          2 * std::numbers::pi, false);
  p.close();
  return p;
}

Path Player::rectangle(const Box& x) const {
  const Point corners[] = {{x.l, x.t}, {x.r, x.t}, {x.r, x.b}, {x.l, x.b}};
  return polyline(corners, true);
}

Path Player::roundRect(Box x, double w, double h) const {
  if (x.l > x.r) std::swap(x.l, x.r);
  if (x.t > x.b) std::swap(x.t, x.b);
  const double rx = std::min(std::abs(w) / 2, (x.r - x.l) / 2),
               ry = std::min(std::abs(h) / 2, (x.b - x.t) / 2);
  if (rx <= 0 || ry <= 0) return rectangle(x);
  const double pi = std::numbers::pi;
  Path p;
  arcPath(p, x.r - rx, x.t + ry, rx, ry, -pi / 2, pi / 2, false);
  arcPath(p, x.r - rx, x.b - ry, rx, ry, 0, pi / 2, true);
  arcPath(p, x.l + rx, x.b - ry, rx, ry, pi / 2, pi / 2, true);
  arcPath(p, x.l + rx, x.t + ry, rx, ry, pi, pi / 2, true);
  p.close();
  return p;
}

Path Player::boxPath(const BoxOp& op, const Box& box) const {
  switch (op.shape) {
    case BoxOp::Shape::kRectangle:
      return rectangle(box);
    case BoxOp::Shape::kEllipse:
      return ellipse(box);
    case BoxOp::Shape::kRoundRect:
      break;
  }
  return roundRect(box, op.cornerWidth, op.cornerHeight);
}

// Rectangles, ellipses and rounded rectangles cover their box less its last column and row:
// a one-pixel outline runs along the box's left and top edges but one pixel inside its right
// and bottom ones. So the outline's box is moved in by a pixel there (when the mapping keeps
// the axes), while the fill, which covers pixels whose centres are inside, keeps the box.
void Player::play(const BoxOp& op) {
  Box box = op.box;
  const Path fillPath = boxPath(op, box);
  const Affine& m = total_;
  if (m.b != 0 || m.c != 0 || std::abs(m.a * (box.r - box.l)) <= 1 ||
      std::abs(m.d * (box.b - box.t)) <= 1)
    return shape(fillPath);
  double& hx = (m.a > 0) == (box.r >= box.l) ? box.r : box.l;
  double& hy = (m.d > 0) == (box.b >= box.t) ? box.b : box.t;
  hx -= 1 / m.a;
  hy -= 1 / m.d;
  const Path outline = boxPath(op, box);
  shape(fillPath, &outline);
}

// The arc of the box's ellipse from the ray through `start` to the ray through `end`, drawn
// counter-clockwise as seen in the picture (or clockwise when the file asks for it).
Path Player::arc(const ArcOp& op, Path* continued) const {
  const Box& x = op.box;
  const double cx = (x.l + x.r) / 2, cy = (x.t + x.b) / 2;
  const double rx = std::abs(x.r - x.l) / 2, ry = std::abs(x.b - x.t) / 2;
  Path p;
  if (rx == 0 || ry == 0) return p;
  const double t0 = std::atan2((op.start.y - cy) / ry, (op.start.x - cx) / rx);
  const double t1 = std::atan2((op.end.y - cy) / ry, (op.end.x - cx) / rx);
  // Decreasing angle is counter-clockwise on a y-down picture unless the mapping mirrors.
  bool decreasing = total_.det() > 0;
  if (dc_.clockwise) decreasing = !decreasing;
  const double twoPi = 2 * std::numbers::pi;
  double sweep = decreasing ? t0 - t1 : t1 - t0;
  sweep = std::fmod(sweep, twoPi);
  if (sweep <= 1e-12) sweep += twoPi;
  if (decreasing) sweep = -sweep;
  Path& out = continued ? *continued : p;
  arcPath(out, cx, cy, rx, ry, t0, sweep, continued != nullptr);
  if (op.kind == ArcOp::Kind::kPie) {
    out.lineTo(map(cx, cy));
    out.close();
  } else if (op.kind == ArcOp::Kind::kChord) {
    out.close();
  }
  return p;
}

void Player::play(const ArcOp& op) {
  switch (op.kind) {
    case ArcOp::Kind::kArc:
      return line(arc(op));
    case ArcOp::Kind::kChord:
    case ArcOp::Kind::kPie:
      return shape(arc(op));
    case ArcOp::Kind::kArcTo:
      break;
  }
  Path p;
  continueFrom(p);
  if (p.empty()) p.moveTo(map(dc_.position));
  arc(op, &p);
  finishContinued(p);
  // The current position moves to the arc's end on the ellipse.
  const Box& x = op.box;
  const double cx = (x.l + x.r) / 2, cy = (x.t + x.b) / 2, rx = std::abs(x.r - x.l) / 2,
               ry = std::abs(x.b - x.t) / 2;
  if (rx > 0 && ry > 0) {
    const double a = std::atan2((op.end.y - cy) / ry, (op.end.x - cx) / rx);
    dc_.position = {cx + rx * std::cos(a), cy + ry * std::sin(a)};
  }
}

void Player::angleArc(Point centre, double radius, double startDegrees, double sweepDegrees) {
  if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees)) return;
  const double t0 = -startDegrees * std::numbers::pi / 180;
  const double s = -std::clamp(sweepDegrees, -3600.0, 3600.0) * std::numbers::pi / 180;
  Path p;
  continueFrom(p);
  if (p.empty()) p.moveTo(map(dc_.position));
  arcPath(p, centre.x, centre.y, radius, radius, t0, s, true);
  finishContinued(p);
  dc_.position = {centre.x + radius * std::cos(t0 + s), centre.y + radius * std::sin(t0 + s)};
}

void Player::polyDraw(const std::vector<Point>& pts, std::span<const std::uint8_t> kinds) {
  // Each point's kind: 6 moves, 2 draws a line, 4 starts a Bézier's three points; bit 0 closes.
  Path p;
  continueFrom(p);
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const std::uint8_t k = kinds[i] & 0x06;
    if (k == 6) {
      p.moveTo(map(pts[i]));
    } else if (k == 2) {
      p.lineTo(map(pts[i]));
    } else if (k == 4 && i + 2 < pts.size()) {
      p.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
      i += 2;
    }
    if (kinds[i] & 1) p.close();
    dc_.position = pts[i];
  }
  finishContinued(p);
}

void Player::setPixel(Point at, TColor c) {
  Path p = rectangle({at.x, at.y, at.x + 1, at.y + 1});
  Brush b;
  b.colour = c;
  if (recording_) return;
  spend(p);
  canvas_.fill(p, b, false, dc_.background);
}

void Player::beginPath() {
  recording_ = true;
  figureOpen_ = false;
  path_ = Path();
}

void Player::closeFigure() {
  if (recording_ && !path_.empty()) path_.close(), figureOpen_ = false;
}

void Player::abortPath() {
  recording_ = false, path_ = Path();
}

void Player::usePath(bool fill, bool stroke) {
  recording_ = false;
  if (path_.empty()) return;
  paint(path_, fill, stroke);
  path_ = Path();
}

void Player::selectClipPath(std::uint32_t mode) {
  recording_ = false;
  if (mode == kRegionCopy) dc_.clip.clear();
  if (!path_.empty()) dc_.clip.push_back(path_);
  path_ = Path();
  canvas_.clip(dc_.clip);
}

}  // namespace drollo::formats::meta
