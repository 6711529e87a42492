// The record reader and drawing state behind PlayMetafile.
//
// Coordinates go through three steps: the world transform (enhanced files only), the page
// mapping from the window to the viewport (map mode, origins and extents), and the player's own
// step from device units to picture pixels. Old metafiles are played on a device of the picture's
// pixels; a placeable file starts with its bounding box as the window and the picture as the
// viewport, as a program showing it at its size does. Enhanced files record in the pixels of the
// device they were made on, so their frame rectangle is mapped onto the picture.
//
// Curves (ellipses, arcs, pies, chords, rounded corners) become cubic Béziers in world
// coordinates before the transform, which keeps them exact under every affine mapping; the canvas
// then only fills and strokes paths.
#include "formats/metafile_player.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "formats/byte_reader.h"
#include "formats/dib.h"

namespace drollo::formats {
namespace {

using meta::Brush;
using meta::BrushStyle;
using meta::Path;
using meta::PenStyle;
using meta::Point;

constexpr const char* kWhat = "The metafile";
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfSignature = 0x464D4520u;  // " EMF"
constexpr double kDpi = 96;
// Points further out than this are pulled in: far beyond any picture, within what a painter's
// fixed-point arithmetic takes.
constexpr double kFarOut = 4194304;
constexpr std::size_t kMaxObjects = 65536;
constexpr int kMaxSavedStates = 4096;

[[noreturn]] void Corrupt(const std::string& detail) {
  throw PictureFileError(std::string(kWhat) + " cannot be read: " + detail + ".");
}

bool IsEnhanced(std::span<const std::uint8_t> file) {
  if (file.size() < 88) return false;
  ByteReader probe(file, kWhat);
  const std::uint32_t type = probe.u32();
  probe.seek(40);
  return type == 1 && probe.u32() == kEmfSignature;
}

bool IsPlaceable(std::span<const std::uint8_t> file) {
  return file.size() >= 4 && ByteReader(file, kWhat).u32() == kPlaceableKey;
}

struct Affine {
  // x' = a x + c y + e, y' = b x + d y + f
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Point map(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
  // This transform followed by `next`.
  Affine then(const Affine& n) const {
    return {n.a * a + n.c * b, n.b * a + n.d * b,       n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
  }
  double det() const { return a * d - b * c; }
  bool finite() const {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(e) && std::isfinite(f);
  }
};

// A pen as the file defines it; the width becomes pixels when it is used.
struct LogPen {
  PenStyle style = PenStyle::kSolid;
  double width = 0;  // logical units; 0 is one pixel whatever the mapping
  bool cosmetic = true;
  TColor colour = kBlack;
  meta::LineCap cap = meta::LineCap::kRound;
  meta::LineJoin join = meta::LineJoin::kRound;
};

struct LogFont {
  double height = 0, width = 0;  // logical units
  double escapement = 0;         // tenths of a degree
  meta::Font font;
};

struct Object {
  enum class Kind { kPen, kBrush, kFont, kPalette, kOther };
  Kind kind = Kind::kOther;
  LogPen pen;
  Brush brush;
  LogFont font;
  std::vector<TColor> palette;
};

enum MapMode {
  kMmText = 1,
  kMmLoMetric,
  kMmHiMetric,
  kMmLoEnglish,
  kMmHiEnglish,
  kMmTwips,
  kMmIsotropic,
  kMmAnisotropic
};

struct DcState {
  int mapMode = kMmText;
  double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
  double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
  Affine world;
  LogPen pen;
  Brush brush;
  LogFont font;
  std::vector<TColor> palette;
  TColor textColour = kBlack;
  meta::Background background;
  bool winding = false;
  unsigned align = 0;
  Point position;  // current position, logical units
  bool clockwise = false;
  std::vector<Path> clip;
};

std::u16string DecodeAnsi(std::span<const std::uint8_t> bytes, int charset) {
  const char* code = "CP1252";
  switch (charset) {
    case 128:
      code = "SHIFT_JIS";
      break;
    case 129:
      code = "CP949";
      break;
    case 134:
      code = "GBK";
      break;
    case 136:
      code = "BIG5";
      break;
    case 161:
      code = "CP1253";
      break;
    case 162:
      code = "CP1254";
      break;
    case 177:
      code = "CP1255";
      break;
    case 178:
      code = "CP1256";
      break;
    case 186:
      code = "CP1257";
      break;
    case 204:
      code = "CP1251";
      break;
    case 222:
      code = "CP874";
      break;
    case 238:
      code = "CP1250";
      break;
    default:
      break;
  }
  std::u16string out;
  if (charset != 2) {  // the symbol set keeps its byte values
    iconv_t cd = iconv_open("UTF-16LE", code);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      std::vector<char> in(bytes.begin(), bytes.end());
      std::vector<char> buf(bytes.size() * 4 + 4);
      char* src = in.data();
      std::size_t srcLeft = in.size();
      char* dst = buf.data();
      std::size_t dstLeft = buf.size();
      while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        ++src, --srcLeft;  // a byte the character set does not know is dropped
      }
      iconv_close(cd);
      for (char* p = buf.data(); p + 1 < dst; p += 2)
        out.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(p[0]) |
                                            (static_cast<std::uint8_t>(p[1]) << 8)));
      return out;
    }
  }
  for (std::uint8_t b : bytes) out.push_back(b);
  return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

PenStyle PenStyleOf(std::uint32_t style) {
  switch (style & 0xF) {
    case 1:
      return PenStyle::kDash;
    case 2:
      return PenStyle::kDot;
    case 3:
      return PenStyle::kDashDot;
    case 4:
      return PenStyle::kDashDotDot;
    case 5:
      return PenStyle::kNull;
    case 6:
      return PenStyle::kInsideFrame;
    default:
      return PenStyle::kSolid;
  }
}

LogPen MakePen(std::uint32_t style, double width, TColor colour, bool cosmetic) {
  LogPen p;
  p.style = PenStyleOf(style);
  p.width = width;
  p.cosmetic = cosmetic || width <= 0;
  p.colour = colour;
  switch ((style >> 8) & 0xF) {
    case 1:
      p.cap = meta::LineCap::kSquare;
      break;
    case 2:
      p.cap = meta::LineCap::kFlat;
      break;
    default:
      break;
  }
  switch ((style >> 12) & 0xF) {
    case 1:
      p.join = meta::LineJoin::kBevel;
      break;
    case 2:
      p.join = meta::LineJoin::kMiter;
      break;
    default:
      break;
  }
  return p;
}

Brush MakeBrush(std::uint32_t style, TColor colour, std::uint32_t hatch) {
  Brush b;
  b.colour = colour;
  switch (style) {
    case 0:
      b.style = BrushStyle::kSolid;
      break;
    case 2:
      b.style = BrushStyle::kHatched;
      b.hatch = static_cast<meta::Hatch>(std::min<std::uint32_t>(hatch, 5));
      break;
    case 1:  // hollow
    default:
      b.style = BrushStyle::kNull;
      break;
  }
  return b;
}

class Player {
 public:
  Player(std::span<const std::uint8_t> file, const MetafileSize& size, meta::Canvas& canvas,
         const DecodeLimits& limits)
      : file_(file), size_(size), canvas_(canvas), limits_(limits) {
    budget_ = 256.0 * size.width * size.height + 16777216.0;
  }

  void play() {
    if (size_.kind == MetafileKind::kEnhanced)
      playEnhanced();
    else
      playOld();
  }

 private:
  // ---- mapping ----------------------------------------------------------------------------

  // Device units per logical unit of the metric map modes.
  double metricScale(int mode, bool vertical) const {
    const double perMm = vertical ? devicePerMmY_ : devicePerMmX_;
    switch (mode) {
      case kMmLoMetric:
        return perMm / 10;
      case kMmHiMetric:
        return perMm / 100;
      case kMmLoEnglish:
        return perMm * 25.4 / 100;
      case kMmHiEnglish:
        return perMm * 25.4 / 1000;
      case kMmTwips:
        return perMm * 25.4 / 1440;
      default:
        return 1;
    }
  }

  Affine pageTransform() const {
    double sx = 1, sy = 1;
    const DcState& s = dc_;
    if (s.mapMode == kMmIsotropic || s.mapMode == kMmAnisotropic) {
      const double wx = s.winExtX == 0 ? 1 : s.winExtX, wy = s.winExtY == 0 ? 1 : s.winExtY;
      sx = s.vpExtX / wx;
      sy = s.vpExtY / wy;
      if (s.mapMode == kMmIsotropic) {
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
    } else if (s.mapMode != kMmText) {
      sx = metricScale(s.mapMode, false);
      sy = -metricScale(s.mapMode, true);
    }
    return Affine{sx, 0, 0, sy, s.vpOrgX - s.winOrgX * sx, s.vpOrgY - s.winOrgY * sy};
  }

  void updateTransform() {
    Affine t = dc_.world.then(pageTransform()).then(device_);
    if (t.finite()) total_ = t;
  }

  Point map(Point p) const {
    Point q = total_.map(p);
    q.x = std::clamp(q.x, -kFarOut, kFarOut);
    q.y = std::clamp(q.y, -kFarOut, kFarOut);
    return q;
  }
  Point map(double x, double y) const { return map(Point{x, y}); }
  // Length of one logical unit in pixels, for pen widths and font heights.
  double unitScale() const { return std::sqrt(std::abs(total_.det())); }
  double verticalScale() const { return std::hypot(total_.c, total_.d); }

  // ---- colours and objects ------------------------------------------------------------------

  TColor colour(std::uint32_t ref) const {
    if ((ref >> 24) == 1) {
      const std::size_t i = ref & 0xFFFF;
      return i < dc_.palette.size() ? dc_.palette[i] : kBlack;
    }
    return ref & 0xFFFFFF;
  }

  meta::Pen devicePen() const {
    meta::Pen p;
    p.style = dc_.pen.style;
    p.colour = dc_.pen.colour;
    p.cap = dc_.pen.cap;
    p.join = dc_.pen.join;
    const double limit = 4.0 * (size_.width + size_.height);
    p.width = dc_.pen.cosmetic ? 1 : std::clamp(dc_.pen.width * unitScale(), 1.0, limit);
    return p;
  }

  meta::Font deviceFont() const {
    meta::Font f = dc_.font.font;
    const double scale = verticalScale();
    const double limit = std::max(4.0 * size_.height, 256.0);
    f.height = std::clamp(dc_.font.height * scale, -limit, limit);
    f.width = std::clamp(std::abs(dc_.font.width) * std::hypot(total_.a, total_.b), 0.0, limit);
    // Fonts keep to the device: the baseline's angle is seen the same whatever the mapping.
    f.escapement = dc_.font.escapement / 10;
    return f;
  }

  void storeObject(std::size_t index, Object object) {
    if (index >= kMaxObjects) return;
    if (index >= objects_.size()) objects_.resize(index + 1);
    objects_[index] = std::move(object);
  }
  // Old metafiles put a new object in the lowest free slot.
  void addObject(Object object) {
    std::size_t i = 0;
    while (i < objects_.size() && objects_[i]) ++i;
    if (i >= kMaxObjects) Corrupt("it creates too many objects");
    if (i == objects_.size()) objects_.emplace_back();
    objects_[i] = std::move(object);
  }
  void selectObject(std::size_t index) {
    if (index >= objects_.size() || !objects_[index]) return;
    const Object& o = *objects_[index];
    switch (o.kind) {
      case Object::Kind::kPen:
        dc_.pen = o.pen;
        break;
      case Object::Kind::kBrush:
        dc_.brush = o.brush;
        break;
      case Object::Kind::kFont:
        dc_.font = o.font;
        break;
      case Object::Kind::kPalette:
        dc_.palette = o.palette;
        break;
      case Object::Kind::kOther:
        break;
    }
  }
  void deleteObject(std::size_t index) {
    if (index < objects_.size()) objects_[index].reset();
  }
  void selectStock(std::uint32_t index) {
    switch (index) {
      case 0:
        dc_.brush = MakeBrush(0, kWhite, 0);
        break;
      case 1:
        dc_.brush = MakeBrush(0, MakeColour(192, 192, 192), 0);
        break;
      case 2:
        dc_.brush = MakeBrush(0, MakeColour(128, 128, 128), 0);
        break;
      case 3:
        dc_.brush = MakeBrush(0, MakeColour(64, 64, 64), 0);
        break;
      case 4:
        dc_.brush = MakeBrush(0, kBlack, 0);
        break;
      case 5:
        dc_.brush = MakeBrush(1, kBlack, 0);
        break;
      case 6:
        dc_.pen = MakePen(0, 0, kWhite, true);
        break;
      case 7:
        dc_.pen = MakePen(0, 0, kBlack, true);
        break;
      case 8:
        dc_.pen = MakePen(5, 0, kBlack, true);
        break;
      case 10:
      case 11:
      case 12:
      case 13:
      case 14:
      case 16:
        dc_.font = LogFont{};
        break;
      case 15:
        dc_.palette.clear();
        break;
      case 18:
        dc_.brush = MakeBrush(0, kWhite, 0);
        break;
      case 19:
        dc_.pen = MakePen(0, 0, kBlack, true);
        break;
      default:
        break;
    }
  }

  std::shared_ptr<const Picture> decodeBitmap(std::span<const std::uint8_t> info,
                                              std::span<const std::uint8_t> bits) {
    const dib::Header h = dib::ParseHeader(info, info.size(), false, limits_, kWhat);
    return std::make_shared<const Picture>(ToBgr24(dib::DecodePixels(h, bits, kWhat)));
  }
  std::shared_ptr<const Picture> decodePackedBitmap(std::span<const std::uint8_t> packed,
                                                    bool* topDown = nullptr) {
    const dib::Header h = dib::ParseHeader(packed, packed.size(), false, limits_, kWhat);
    if (topDown) *topDown = h.topDown;
    return std::make_shared<const Picture>(
        ToBgr24(dib::DecodePixels(h, packed.subspan(h.tableEnd), kWhat)));
  }

  // ---- state ---------------------------------------------------------------------------------

  void save() {
    if (saved_.size() >= kMaxSavedStates) saved_.erase(saved_.begin());
    saved_.push_back(dc_);
  }
  void restore(int which) {
    // Negative: relative to the latest saved state; positive: that state counted from the first.
    std::ptrdiff_t keep;
    if (which < 0)
      keep = static_cast<std::ptrdiff_t>(saved_.size()) + which;
    else
      keep = which - 1;
    if (keep < 0 || keep >= static_cast<std::ptrdiff_t>(saved_.size())) return;
    const bool clipChanged = saved_[keep].clip.size() != dc_.clip.size() || !dc_.clip.empty();
    dc_ = saved_[keep];
    saved_.resize(keep);
    updateTransform();
    if (clipChanged) canvas_.clip(dc_.clip);
  }

  // ---- drawing -------------------------------------------------------------------------------

  void spend(const Path& path) {
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

  // A closed figure: filled and outlined, or added to the path being recorded.
  void shape(const Path& path, const Path* outline = nullptr) {
    if (path.empty()) return;
    if (recording_) {
      path_.append(path);
      figureOpen_ = false;
      return;
    }
    spend(path);
    if (dc_.brush.style != BrushStyle::kNull)
      canvas_.fill(path, dc_.brush, dc_.winding, dc_.background);
    if (dc_.pen.style != PenStyle::kNull)
      canvas_.stroke(outline ? *outline : path, devicePen(), dc_.background);
  }

  // Rectangles, ellipses and rounded rectangles cover their box less its last column and row:
  // a one-pixel outline runs along the box's left and top edges but one pixel inside its right
  // and bottom ones. So the outline's box is moved in by a pixel there (when the mapping keeps
  // the axes), while the fill, which covers pixels whose centres are inside, keeps the box.
  template <typename MakePath>
  void boxShape(double l, double t, double r, double b, MakePath make) {
    const Path fillPath = make(l, t, r, b);
    const Affine& m = total_;
    if (m.b != 0 || m.c != 0 || std::abs(m.a * (r - l)) <= 1 || std::abs(m.d * (b - t)) <= 1)
      return shape(fillPath);
    double& hx = (m.a > 0) == (r >= l) ? r : l;
    double& hy = (m.d > 0) == (b >= t) ? b : t;
    hx -= 1 / m.a;
    hy -= 1 / m.d;
    const Path outline = make(l, t, r, b);
    shape(fillPath, &outline);
  }
  // An open figure: outlined only.
  void line(const Path& path) {
    if (path.empty()) return;
    if (recording_) {
      path_.append(path);
      figureOpen_ = false;
      return;
    }
    spend(path);
    if (dc_.pen.style != PenStyle::kNull) canvas_.stroke(path, devicePen(), dc_.background);
  }

  // Lines and curves that go on from the current position.
  void continueFrom(Path& p) {
    if (recording_ && figureOpen_) return;
    p.moveTo(map(dc_.position));
  }
  void finishContinued(Path& p) {
    if (recording_) {
      path_.append(p);
      figureOpen_ = true;
    } else {
      line(p);
    }
  }
  void lineTo(Point to) {
    Path p;
    continueFrom(p);
    p.lineTo(map(to));
    dc_.position = to;
    finishContinued(p);
  }
  void moveTo(Point to) {
    dc_.position = to;
    figureOpen_ = false;
  }

  Path polyline(const std::vector<Point>& pts, bool closed) const {
    Path p;
    if (pts.empty()) return p;
    p.moveTo(map(pts[0]));
    for (std::size_t i = 1; i < pts.size(); ++i) p.lineTo(map(pts[i]));
    if (closed) p.close();
    return p;
  }

  // Elliptical arc of the box from angle t0 through `sweep` (radians, world coordinates where
  // y grows downwards), appended as cubic Béziers; the first point is joined by a line or a move.
  void arcPath(Path& p, double cx, double cy, double rx, double ry, double t0, double sweep,
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

  Path ellipse(double l, double t, double r, double b) const {
    Path p;
    arcPath(p, (l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2, 0, 2 * std::numbers::pi, false);
    p.close();
    return p;
  }

  Path rectangle(double l, double t, double r, double b) const {
    return polyline({{l, t}, {r, t}, {r, b}, {l, b}}, true);
  }

  Path roundRect(double l, double t, double r, double b, double w, double h) const {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const double rx = std::min(std::abs(w) / 2, (r - l) / 2),
                 ry = std::min(std::abs(h) / 2, (b - t) / 2);
    if (rx <= 0 || ry <= 0) return rectangle(l, t, r, b);
    const double pi = std::numbers::pi;
    Path p;
    arcPath(p, r - rx, t + ry, rx, ry, -pi / 2, pi / 2, false);
    arcPath(p, r - rx, b - ry, rx, ry, 0, pi / 2, true);
    arcPath(p, l + rx, b - ry, rx, ry, pi / 2, pi / 2, true);
    arcPath(p, l + rx, t + ry, rx, ry, pi, pi / 2, true);
    p.close();
    return p;
  }

  enum class ArcKind { kArc, kChord, kPie };
  // The arc of the box's ellipse from the ray through `start` to the ray through `end`, drawn
  // counter-clockwise as seen in the picture (or clockwise when the file asks for it).
  Path arc(double l, double t, double r, double b, Point start, Point end, ArcKind kind,
           Path* continued = nullptr) const {
    const double cx = (l + r) / 2, cy = (t + b) / 2;
    const double rx = std::abs(r - l) / 2, ry = std::abs(b - t) / 2;
    Path p;
    if (rx == 0 || ry == 0) return p;
    const double t0 = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
    const double t1 = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
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
    if (kind == ArcKind::kPie) {
      out.lineTo(map(cx, cy));
      out.close();
    } else if (kind == ArcKind::kChord) {
      out.close();
    }
    return p;
  }

  void beginPath() {
    recording_ = true;
    figureOpen_ = false;
    path_ = Path();
  }
  void endPath() { recording_ = false; }
  void usePath(bool fill, bool stroke) {
    recording_ = false;
    if (path_.empty()) return;
    spend(path_);
    if (fill && dc_.brush.style != BrushStyle::kNull)
      canvas_.fill(path_, dc_.brush, dc_.winding, dc_.background);
    if (stroke && dc_.pen.style != PenStyle::kNull)
      canvas_.stroke(path_, devicePen(), dc_.background);
    path_ = Path();
  }

  void intersectClip(double l, double t, double r, double b) {
    dc_.clip.push_back(rectangle(l, t, r, b));
    canvas_.clip(dc_.clip);
  }
  void resetClip() {
    dc_.clip.clear();
    canvas_.clip(dc_.clip);
  }

  void drawText(std::u16string text, Point at, std::vector<double> advances,
                std::optional<Rect> opaque, std::optional<Rect> clipBox) {
    meta::Text t;
    t.text = std::move(text);
    if (dc_.align & meta::kAlignUpdateCp) at = dc_.position;
    t.origin = map(at);
    t.advances = std::move(advances);
    t.font = deviceFont();
    t.colour = dc_.textColour;
    t.background = dc_.background;
    t.align = dc_.align;
    t.opaqueBox = opaque;
    t.clipBox = clipBox;
    if ((dc_.align & meta::kAlignUpdateCp) && !t.advances.empty()) {
      double sum = 0;
      for (double a : t.advances) sum += a;
      const double s = std::hypot(total_.a, total_.b);
      if (s > 0) dc_.position.x += sum / s;
    }
    if (t.text.empty() && !t.opaqueBox) return;
    // Each character costs about its square, at most the picture.
    const double em = std::max(std::abs(t.font.height), 16.0);
    const double picture = static_cast<double>(size_.width) * size_.height;
    budget_ -= std::min(em * em, picture) * static_cast<double>(t.text.size() + 1);
    if (budget_ < 0) Corrupt("it draws far more than its own area");
    canvas_.text(t);
  }

  std::optional<Rect> deviceBox(double l, double t, double r, double b) const {
    const Point p = map(l, t), q = map(r, b);
    Rect box{static_cast<int>(std::floor(std::min(p.x, q.x))),
             static_cast<int>(std::floor(std::min(p.y, q.y))),
             static_cast<int>(std::ceil(std::max(p.x, q.x))),
             static_cast<int>(std::ceil(std::max(p.y, q.y)))};
    return box;
  }

  // Draws the source rectangle of a bitmap (rows counted from the top of `bits`) to the
  // destination rectangle in logical units; negative extents mirror.
  void blit(const Picture& bits, double sx, double sy, double sw, double sh, double dx, double dy,
            double dw, double dh, std::uint32_t rop) {
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    if (sw < 0) sx += sw, sw = -sw, dx += dw, dw = -dw;
    if (sh < 0) sy += sh, sh = -sh, dy += dh, dh = -dh;
    // Keep to the bitmap, moving the destination edges in proportion.
    const double cx0 = std::max(sx, 0.0), cy0 = std::max(sy, 0.0);
    const double cx1 = std::min(sx + sw, static_cast<double>(bits.width())),
                 cy1 = std::min(sy + sh, static_cast<double>(bits.height()));
    if (cx0 >= cx1 || cy0 >= cy1) return;
    const double fx = dw / sw, fy = dh / sh;
    const double ndx = dx + (cx0 - sx) * fx, ndy = dy + (cy0 - sy) * fy;
    const double ndw = (cx1 - cx0) * fx, ndh = (cy1 - cy0) * fy;
    const Rect source{static_cast<int>(cx0), static_cast<int>(cy0),
                      static_cast<int>(std::ceil(cx1)), static_cast<int>(std::ceil(cy1))};
    const Point tl = map(ndx, ndy), tr = map(ndx + ndw, ndy), bl = map(ndx, ndy + ndh);
    Path area;
    area.moveTo(tl);
    area.lineTo(tr);
    area.lineTo(map(ndx + ndw, ndy + ndh));
    area.lineTo(bl);
    spend(area);
    canvas_.bitmap(bits, source, tl, tr, bl, rop);
  }
  void patternBlit(double x, double y, double w, double h, std::uint32_t rop) {
    if (w == 0 || h == 0) return;
    const Path area = rectangle(x, y, x + w, y + h);
    spend(area);
    canvas_.pattern(area, dc_.brush, rop);
  }
  // A bitmap record that may or may not hold a bitmap: with one, source rows are counted from
  // the bitmap's bottom unless it is stored top-down.
  void dibBlit(const std::shared_ptr<const Picture>& bits, bool topDown, double sx, double sy,
               double sw, double sh, double dx, double dy, double dw, double dh,
               std::uint32_t rop) {
    if (!bits) return patternBlit(dx, dy, dw, dh, rop);
    const double top = topDown ? sy : bits->height() - sy - sh;
    blit(*bits, sx, top, sw, sh, dx, dy, dw, dh, rop);
  }

  // ---- old metafiles -------------------------------------------------------------------------

  void playOld() {
    ByteReader in(file_, kWhat);
    devicePerMmX_ = devicePerMmY_ = kDpi / 25.4;
    if (size_.kind == MetafileKind::kPlaceable) {
      in.skip(6);
      const double l = in.i16(), t = in.i16(), r = in.i16(), b = in.i16();
      in.skip(8);
      // As a program shows the file at its size: the box is the window, the picture the viewport.
      dc_.mapMode = kMmAnisotropic;
      dc_.winOrgX = std::min(l, r), dc_.winOrgY = std::min(t, b);
      dc_.winExtX = std::abs(r - l), dc_.winExtY = std::abs(b - t);
      dc_.vpExtX = size_.width, dc_.vpExtY = size_.height;
    } else {
      // The extent that gave the size is the picture: one window unit is one pixel until the
      // file sets a viewport of its own.
      dc_.vpExtX = size_.width, dc_.vpExtY = size_.height;
      dc_.winExtX = size_.width, dc_.winExtY = size_.height;
    }
    const std::size_t start = in.position();
    in.skip(10);
    const std::uint16_t objects = in.u16();
    in.seek(start + 18);
    objects_.resize(std::min<std::size_t>(objects, kMaxObjects));
    updateTransform();

    while (in.remaining() > 0) {
      if (in.remaining() < 6) in.truncated();
      const std::uint32_t words = in.u32();
      const std::uint16_t function = in.u16();
      if (words < 3) Corrupt("a record is shorter than its header");
      if ((words - 3) * 2ull > in.remaining()) in.truncated();
      ByteReader rec(in.bytes((words - 3) * 2ull), kWhat);
      if (function == 0x0000) break;
      oldRecord(function, words, rec);
    }
  }

  std::vector<Point> oldPoints(ByteReader& rec, std::size_t count) {
    if (count * 4 > rec.remaining()) rec.truncated();
    std::vector<Point> pts(count);
    for (Point& p : pts) {
      p.x = rec.i16();
      p.y = rec.i16();
    }
    return pts;
  }

  void oldRecord(std::uint16_t function, std::uint32_t words, ByteReader& rec) {
    switch (function) {
      case 0x001E:
        save();
        break;  // SaveDC
      case 0x0127:
        restore(rec.i16());
        break;  // RestoreDC
      case 0x0103:
        dc_.mapMode = std::clamp<int>(rec.u16(), 1, 8);
        updateTransform();
        break;
      case 0x0102:
        dc_.background.opaque = rec.u16() == 2;
        break;  // SetBkMode
      case 0x0201:
        dc_.background.colour = colour(rec.u32());
        break;
      case 0x0209:
        dc_.textColour = colour(rec.u32());
        break;
      case 0x0106:
        dc_.winding = rec.u16() == 2;
        break;  // SetPolyFillMode
      case 0x012E:
        dc_.align = rec.u16();
        break;  // SetTextAlign
      case 0x020B:
        dc_.winOrgY = rec.i16(), dc_.winOrgX = rec.i16();
        updateTransform();
        break;
      case 0x020C:
        dc_.winExtY = rec.i16(), dc_.winExtX = rec.i16();
        updateTransform();
        break;
      case 0x020D:
        dc_.vpOrgY = rec.i16(), dc_.vpOrgX = rec.i16();
        updateTransform();
        break;
      case 0x020E:
        dc_.vpExtY = rec.i16(), dc_.vpExtX = rec.i16();
        updateTransform();
        break;
      case 0x020F:
        dc_.winOrgY += rec.i16(), dc_.winOrgX += rec.i16();
        updateTransform();
        break;
      case 0x0211:
        dc_.vpOrgY += rec.i16(), dc_.vpOrgX += rec.i16();
        updateTransform();
        break;
      case 0x0400:    // ScaleWindowExt
      case 0x0412: {  // ScaleViewportExt
        const double yd = rec.i16(), yn = rec.i16(), xd = rec.i16(), xn = rec.i16();
        if (xd == 0 || yd == 0) break;
        double& ex = function == 0x0400 ? dc_.winExtX : dc_.vpExtX;
        double& ey = function == 0x0400 ? dc_.winExtY : dc_.vpExtY;
        ex = ex * xn / xd, ey = ey * yn / yd;
        updateTransform();
        break;
      }
      case 0x0214: {  // MoveTo
        const double y = rec.i16(), x = rec.i16();
        moveTo({x, y});
        break;
      }
      case 0x0213: {  // LineTo
        const double y = rec.i16(), x = rec.i16();
        lineTo({x, y});
        break;
      }
      case 0x0325:    // Polyline
      case 0x0324: {  // Polygon
        const std::size_t n = rec.u16();
        const std::vector<Point> pts = oldPoints(rec, n);
        if (function == 0x0324)
          shape(polyline(pts, true));
        else
          line(polyline(pts, false));
        break;
      }
      case 0x0538: {  // PolyPolygon
        const std::size_t polys = rec.u16();
        if (polys * 2 > rec.remaining()) rec.truncated();
        std::vector<std::size_t> counts(polys);
        for (auto& c : counts) c = rec.u16();
        Path all;
        for (std::size_t c : counts) all.append(polyline(oldPoints(rec, c), true));
        shape(all);
        break;
      }
      case 0x041B:    // Rectangle
      case 0x0418: {  // Ellipse
        const double b = rec.i16(), r = rec.i16(), t = rec.i16(), l = rec.i16();
        if (function == 0x041B)
          boxShape(l, t, r, b, [this](auto... v) { return rectangle(v...); });
        else
          boxShape(l, t, r, b, [this](auto... v) { return ellipse(v...); });
        break;
      }
      case 0x061C: {  // RoundRect
        const double h = rec.i16(), w = rec.i16();
        const double b = rec.i16(), r = rec.i16(), t = rec.i16(), l = rec.i16();
        boxShape(l, t, r, b, [&](double a, double c, double d, double e) {
          return roundRect(a, c, d, e, w, h);
        });
        break;
      }
      case 0x0817:    // Arc
      case 0x081A:    // Pie
      case 0x0830: {  // Chord
        const double ye = rec.i16(), xe = rec.i16(), ys = rec.i16(), xs = rec.i16();
        const double b = rec.i16(), r = rec.i16(), t = rec.i16(), l = rec.i16();
        if (function == 0x0817)
          line(arc(l, t, r, b, {xs, ys}, {xe, ye}, ArcKind::kArc));
        else
          shape(arc(l, t, r, b, {xs, ys}, {xe, ye},
                    function == 0x081A ? ArcKind::kPie : ArcKind::kChord));
        break;
      }
      case 0x041F: {  // SetPixel
        const TColor c = colour(rec.u32());
        const double y = rec.i16(), x = rec.i16();
        setPixel(x, y, c);
        break;
      }
      case 0x0521: {  // TextOut
        const std::size_t n = rec.u16();
        const auto bytes = rec.bytes(n);
        rec.skip(n & 1);
        const double y = rec.i16(), x = rec.i16();
        drawText(DecodeAnsi(bytes, dc_.font.font.charset), {x, y}, {}, std::nullopt, std::nullopt);
        break;
      }
      case 0x0A32: {  // ExtTextOut
        const double y = rec.i16(), x = rec.i16();
        const std::size_t n = rec.u16();
        const std::uint16_t options = rec.u16();
        std::optional<Rect> opaque, clipBox;
        if (options & 0x0006) {
          const double l = rec.i16(), t = rec.i16(), r = rec.i16(), b = rec.i16();
          if (options & 0x0002) opaque = deviceBox(l, t, r, b);
          if (options & 0x0004) clipBox = deviceBox(l, t, r, b);
        }
        const auto bytes = rec.bytes(n);
        rec.skip(n & 1);
        std::vector<double> advances;
        if (rec.remaining() >= n * 2) {
          const double s = std::hypot(total_.a, total_.b);
          for (std::size_t i = 0; i < n; ++i) advances.push_back(rec.i16() * s);
        }
        std::u16string text = DecodeAnsi(bytes, dc_.font.font.charset);
        if (advances.size() != text.size()) advances.clear();  // double-byte characters
        drawText(std::move(text), {x, y}, std::move(advances), opaque, clipBox);
        break;
      }
      case 0x02FA: {  // CreatePenIndirect
        Object o;
        o.kind = Object::Kind::kPen;
        const std::uint16_t style = rec.u16();
        const double width = rec.i16();
        rec.skip(2);
        o.pen = MakePen(style, std::abs(width), colour(rec.u32()), false);
        addObject(std::move(o));
        break;
      }
      case 0x02FC: {  // CreateBrushIndirect
        Object o;
        o.kind = Object::Kind::kBrush;
        const std::uint16_t style = rec.u16();
        const TColor c = colour(rec.u32());
        o.brush = MakeBrush(style, c, rec.u16());
        addObject(std::move(o));
        break;
      }
      case 0x0142: {  // DibCreatePatternBrush
        Object o;
        o.kind = Object::Kind::kBrush;
        rec.skip(4);  // style, colour usage
        o.brush.style = BrushStyle::kPattern;
        o.brush.pattern = decodePackedBitmap(rec.bytes(rec.remaining()));
        addObject(std::move(o));
        break;
      }
      case 0x01F9: {  // CreatePatternBrush from a device-dependent bitmap: shown as mid grey
        Object o;
        o.kind = Object::Kind::kBrush;
        o.brush = MakeBrush(0, MakeColour(128, 128, 128), 0);
        addObject(std::move(o));
        break;
      }
      case 0x02FB: {  // CreateFontIndirect
        Object o;
        o.kind = Object::Kind::kFont;
        o.font.height = rec.i16();
        o.font.width = rec.i16();
        o.font.escapement = rec.i16();
        rec.skip(2);  // orientation
        o.font.font.weight = rec.i16();
        o.font.font.italic = rec.u8() != 0;
        o.font.font.underline = rec.u8() != 0;
        o.font.font.strikeout = rec.u8() != 0;
        o.font.font.charset = rec.u8();
        rec.skip(4);
        const auto name = rec.bytes(std::min<std::size_t>(rec.remaining(), 32));
        std::size_t len = 0;
        while (len < name.size() && name[len] != 0) ++len;
        o.font.font.face = Utf16ToUtf8(DecodeAnsi(name.first(len), o.font.font.charset));
        addObject(std::move(o));
        break;
      }
      case 0x00F7: {  // CreatePalette
        Object o;
        o.kind = Object::Kind::kPalette;
        rec.skip(2);
        const std::size_t n = rec.u16();
        if (n * 4 > rec.remaining()) rec.truncated();
        for (std::size_t i = 0; i < n; ++i) {
          const int r = rec.u8(), g = rec.u8(), b = rec.u8();
          rec.skip(1);
          o.palette.push_back(MakeColour(r, g, b));
        }
        addObject(std::move(o));
        break;
      }
      case 0x06FF:  // CreateRegion
      case 0x00F8:  // a region or bitmap object of old Windows
        addObject(Object{});
        break;
      case 0x012D:
        selectObject(rec.u16());
        break;  // SelectObject
      case 0x0234:
        selectObject(rec.u16());
        break;  // SelectPalette
      case 0x01F0:
        deleteObject(rec.u16());
        break;        // DeleteObject
      case 0x0416:    // IntersectClipRect
      case 0x0415: {  // ExcludeClipRect: not kept, the drawing stays whole
        const double b = rec.i16(), r = rec.i16(), t = rec.i16(), l = rec.i16();
        if (function == 0x0416) intersectClip(l, t, r, b);
        break;
      }
      case 0x012C:  // SelectClipRegion: back to the whole picture
        resetClip();
        break;
      case 0x061D: {  // PatBlt
        const std::uint32_t rop = rec.u32();
        const double h = rec.i16(), w = rec.i16(), y = rec.i16(), x = rec.i16();
        patternBlit(x, y, w, h, rop);
        break;
      }
      case 0x0940: {  // DibBitBlt
        const std::uint32_t rop = rec.u32();
        const bool hasBitmap = words != 12u;
        if (!hasBitmap) rec.skip(2);
        const double sy = rec.i16(), sx = rec.i16(), h = rec.i16(), w = rec.i16();
        const double dy = rec.i16(), dx = rec.i16();
        bool topDown = false;
        auto bits = hasBitmap ? decodePackedBitmap(rec.bytes(rec.remaining()), &topDown) : nullptr;
        dibBlit(bits, topDown, sx, sy, w, h, dx, dy, w, h, rop);
        break;
      }
      case 0x0B41: {  // DibStretchBlt
        const std::uint32_t rop = rec.u32();
        const bool hasBitmap = words != 14u;
        if (!hasBitmap) rec.skip(2);
        const double sh = rec.i16(), sw = rec.i16(), sy = rec.i16(), sx = rec.i16();
        const double dh = rec.i16(), dw = rec.i16(), dy = rec.i16(), dx = rec.i16();
        bool topDown = false;
        auto bits = hasBitmap ? decodePackedBitmap(rec.bytes(rec.remaining()), &topDown) : nullptr;
        dibBlit(bits, topDown, sx, sy, sw, sh, dx, dy, dw, dh, rop);
        break;
      }
      case 0x0F43: {  // StretchDib
        const std::uint32_t rop = rec.u32();
        rec.skip(2);  // colour usage
        const double sh = rec.i16(), sw = rec.i16(), sy = rec.i16(), sx = rec.i16();
        const double dh = rec.i16(), dw = rec.i16(), dy = rec.i16(), dx = rec.i16();
        bool topDown = false;
        auto bits = decodePackedBitmap(rec.bytes(rec.remaining()), &topDown);
        dibBlit(bits, topDown, sx, sy, sw, sh, dx, dy, dw, dh, rop);
        break;
      }
      case 0x0D33: {  // SetDIBitsToDevice
        rec.skip(2);  // colour usage
        const int scans = rec.u16(), first = rec.u16();
        const double sy = rec.i16(), sx = rec.i16(), h = rec.i16(), w = rec.i16();
        const double dy = rec.i16(), dx = rec.i16();
        bool topDown = false;
        auto bits = decodePackedBitmap(rec.bytes(rec.remaining()), &topDown);
        setBits(*bits, topDown, scans, first, sx, sy, w, h, dx, dy);
        break;
      }
      default:
        break;  // records that do not draw, or that this player does not know
    }
  }

  void setPixel(double x, double y, TColor c) {
    Path p = rectangle(x, y, x + 1, y + 1);
    Brush b;
    b.colour = c;
    if (recording_) return;
    spend(p);
    canvas_.fill(p, b, false, dc_.background);
  }

  // SetDIBitsToDevice: unscaled, source rows counted from the bottom of the whole bitmap, of
  // which the record may hold only `scans` rows starting at row `first`.
  void setBits(const Picture& bits, bool topDown, int scans, int first, double sx, double sy,
               double w, double h, double dx, double dy) {
    (void)scans;
    if (topDown) return blit(bits, sx, sy, w, h, dx, dy, w, h, kSrcCopyRop);
    // The rows held are rows first .. first + height - 1 of the full bitmap, bottom first.
    const double top = bits.height() - (sy - first) - h;
    blit(bits, sx, top, w, h, dx, dy, w, h, kSrcCopyRop);
  }
  static constexpr std::uint32_t kSrcCopyRop = meta::kSrcCopy;

  // ---- enhanced metafiles --------------------------------------------------------------------

  void playEnhanced() {
    ByteReader head(file_, kWhat);
    head.skip(8);
    head.skip(16);  // bounds
    const double fl = head.i32(), ft = head.i32(), fr = head.i32(), fb = head.i32();
    head.seek(48);
    const std::uint32_t handles = head.u16();
    head.seek(72);
    const double devW = head.i32(), devH = head.i32(), mmW = head.i32(), mmH = head.i32();
    devicePerMmX_ = devW > 0 && mmW > 0 ? devW / mmW : kDpi / 25.4;
    devicePerMmY_ = devH > 0 && mmH > 0 ? devH / mmH : kDpi / 25.4;
    // The frame, in the recording device's pixels, is mapped onto the picture.
    const double x0 = fl / 100 * devicePerMmX_, y0 = ft / 100 * devicePerMmY_;
    const double w = (fr - fl) / 100 * devicePerMmX_, h = (fb - ft) / 100 * devicePerMmY_;
    const double sx = w != 0 ? size_.width / w : 1, sy = h != 0 ? size_.height / h : 1;
    device_ = Affine{sx, 0, 0, sy, -x0 * sx, -y0 * sy};
    objects_.resize(std::min<std::size_t>(handles, kMaxObjects));
    updateTransform();

    ByteReader in(file_, kWhat);
    while (in.remaining() > 0) {
      if (in.remaining() < 8) in.truncated();
      const std::size_t at = in.position();
      const std::uint32_t type = in.u32();
      const std::uint32_t bytes = in.u32();
      if (bytes < 8 || bytes % 4 != 0) Corrupt("a record has an impossible length");
      if (bytes - 8 > in.remaining()) in.truncated();
      const auto whole = file_.subspan(at, bytes);
      ByteReader rec(whole, kWhat);
      rec.skip(8);
      in.skip(bytes - 8);
      if (type == 14) break;  // EOF
      enhancedRecord(type, whole, rec);
    }
  }

  std::vector<Point> enhancedPoints(ByteReader& rec, std::size_t count, bool small) {
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

  // A bitmap stored in the record at the offsets it gives (counted from the record's start).
  std::shared_ptr<const Picture> enhancedBitmap(std::span<const std::uint8_t> whole,
                                                std::uint32_t offInfo, std::uint32_t infoBytes,
                                                std::uint32_t offBits, std::uint32_t bitsBytes,
                                                bool* topDown) {
    if (infoBytes == 0) return nullptr;
    if (offInfo > whole.size() || infoBytes > whole.size() - offInfo || offBits > whole.size() ||
        bitsBytes > whole.size() - offBits)
      Corrupt("a bitmap lies outside its record");
    const auto info = whole.subspan(offInfo, infoBytes);
    const dib::Header h = dib::ParseHeader(info, info.size(), false, limits_, kWhat);
    *topDown = h.topDown;
    return std::make_shared<const Picture>(
        ToBgr24(dib::DecodePixels(h, whole.subspan(offBits, bitsBytes), kWhat)));
  }

  static Affine ReadXform(ByteReader& rec) {
    Affine t;
    auto f = [&] {
      const std::uint32_t bits = rec.u32();
      float v;
      std::memcpy(&v, &bits, 4);
      return static_cast<double>(v);
    };
    t.a = f(), t.b = f(), t.c = f(), t.d = f(), t.e = f(), t.f = f();
    return t;
  }

  void enhancedRecord(std::uint32_t type, std::span<const std::uint8_t> whole, ByteReader& rec) {
    switch (type) {
      case 2:
      case 3:
      case 4:
      case 5:
      case 6:  // PolyBezier, Polygon, Polyline, ...To
      case 85:
      case 86:
      case 87:
      case 88:
      case 89: {  // and their 16-bit forms
        const bool small = type >= 85;
        const std::uint32_t kind = small ? type - 83 : type;
        rec.skip(16);  // bounds
        const std::vector<Point> pts = enhancedPoints(rec, rec.u32(), small);
        polyRecord(kind, pts);
        break;
      }
      case 7:
      case 8:
      case 90:
      case 91: {  // PolyPolyline, PolyPolygon
        const bool small = type >= 90;
        const bool polygon = type == 8 || type == 91;
        rec.skip(16);
        const std::size_t polys = rec.u32();
        const std::size_t total = rec.u32();
        if (polys > rec.remaining() / 4) rec.truncated();
        std::vector<std::size_t> counts(polys);
        std::size_t sum = 0;
        for (auto& c : counts) sum += (c = rec.u32());
        if (sum != total) Corrupt("a poly-polygon's counts do not add up");
        const std::vector<Point> pts = enhancedPoints(rec, total, small);
        Path all;
        std::size_t k = 0;
        for (std::size_t c : counts) {
          all.append(polyline({pts.begin() + k, pts.begin() + k + c}, polygon));
          k += c;
        }
        polygon ? shape(all) : line(all);
        break;
      }
      case 56:
      case 92: {  // PolyDraw
        const bool small = type == 92;
        rec.skip(16);
        const std::size_t n = rec.u32();
        const std::vector<Point> pts = enhancedPoints(rec, n, small);
        const auto kinds = rec.bytes(n);
        polyDraw(pts, kinds);
        break;
      }
      case 9:
        dc_.winExtX = rec.i32(), dc_.winExtY = rec.i32();
        updateTransform();
        break;
      case 10:
        dc_.winOrgX = rec.i32(), dc_.winOrgY = rec.i32();
        updateTransform();
        break;
      case 11:
        dc_.vpExtX = rec.i32(), dc_.vpExtY = rec.i32();
        updateTransform();
        break;
      case 12:
        dc_.vpOrgX = rec.i32(), dc_.vpOrgY = rec.i32();
        updateTransform();
        break;
      case 31:
      case 32: {  // ScaleViewportExtEx, ScaleWindowExtEx
        const double xn = rec.i32(), xd = rec.i32(), yn = rec.i32(), yd = rec.i32();
        if (xd == 0 || yd == 0) break;
        double& ex = type == 32 ? dc_.winExtX : dc_.vpExtX;
        double& ey = type == 32 ? dc_.winExtY : dc_.vpExtY;
        ex = ex * xn / xd, ey = ey * yn / yd;
        updateTransform();
        break;
      }
      case 17:
        dc_.mapMode = static_cast<int>(std::clamp<std::uint32_t>(rec.u32(), 1, 8));
        updateTransform();
        break;
      case 18:
        dc_.background.opaque = rec.u32() == 2;
        break;
      case 19:
        dc_.winding = rec.u32() == 2;
        break;
      case 22:
        dc_.align = rec.u32();
        break;
      case 24:
        dc_.textColour = colour(rec.u32());
        break;
      case 25:
        dc_.background.colour = colour(rec.u32());
        break;
      case 27:
        moveTo({double(rec.i32()), double(rec.i32())});
        break;
      case 54:
        lineTo({double(rec.i32()), double(rec.i32())});
        break;
      case 30: {  // IntersectClipRect
        const double l = rec.i32(), t = rec.i32(), r = rec.i32(), b = rec.i32();
        intersectClip(l, t, r, b);
        break;
      }
      case 75: {  // ExtSelectClipRgn: only the reset to no clipping is kept
        const std::uint32_t size = rec.u32(), mode = rec.u32();
        if (mode == 5 || size == 0) resetClip();
        break;
      }
      case 33:
        save();
        break;
      case 34:
        restore(rec.i32());
        break;
      case 35: {  // SetWorldTransform
        const Affine t = ReadXform(rec);
        if (t.finite()) dc_.world = t;
        updateTransform();
        break;
      }
      case 36: {  // ModifyWorldTransform
        const Affine t = ReadXform(rec);
        const std::uint32_t mode = rec.u32();
        if (!t.finite()) break;
        if (mode == 1)
          dc_.world = Affine{};
        else if (mode == 2)
          dc_.world = t.then(dc_.world);
        else if (mode == 3)
          dc_.world = dc_.world.then(t);
        else if (mode == 4)
          dc_.world = t;
        updateTransform();
        break;
      }
      case 37: {  // SelectObject
        const std::uint32_t h = rec.u32();
        if (h & 0x80000000u)
          selectStock(h & 0x7FFFFFFFu);
        else
          selectObject(h);
        break;
      }
      case 40:
        deleteObject(rec.u32());
        break;
      case 48: {  // SelectPalette
        const std::uint32_t h = rec.u32();
        if (h & 0x80000000u)
          selectStock(h & 0x7FFFFFFFu);
        else
          selectObject(h);
        break;
      }
      case 38: {  // CreatePen
        const std::uint32_t h = rec.u32();
        Object o;
        o.kind = Object::Kind::kPen;
        const std::uint32_t style = rec.u32();
        const double width = rec.i32();
        rec.skip(4);
        o.pen = MakePen(style, std::abs(width), colour(rec.u32()), false);
        storeObject(h, std::move(o));
        break;
      }
      case 95: {  // ExtCreatePen
        const std::uint32_t h = rec.u32();
        rec.skip(16);  // bitmap offsets and sizes
        const std::uint32_t style = rec.u32();
        const double width = rec.u32();
        const std::uint32_t brushStyle = rec.u32();
        const TColor c = colour(rec.u32());
        Object o;
        o.kind = Object::Kind::kPen;
        // Style bits 16-19: 0 cosmetic, 1 geometric.
        o.pen = MakePen(style, width, c, ((style >> 16) & 0xF) == 0);
        if (brushStyle == 1) o.pen.style = PenStyle::kNull;
        storeObject(h, std::move(o));
        break;
      }
      case 39: {  // CreateBrushIndirect
        const std::uint32_t h = rec.u32();
        const std::uint32_t style = rec.u32();
        const TColor c = colour(rec.u32());
        Object o;
        o.kind = Object::Kind::kBrush;
        o.brush = MakeBrush(style, c, rec.u32());
        storeObject(h, std::move(o));
        break;
      }
      case 93:
      case 94: {  // CreateMonoBrush, CreateDIBPatternBrushPt
        const std::uint32_t h = rec.u32();
        rec.skip(4);  // colour usage
        const std::uint32_t offInfo = rec.u32(), infoBytes = rec.u32();
        const std::uint32_t offBits = rec.u32(), bitsBytes = rec.u32();
        bool topDown = false;
        Object o;
        o.kind = Object::Kind::kBrush;
        o.brush.style = BrushStyle::kPattern;
        o.brush.pattern = enhancedBitmap(whole, offInfo, infoBytes, offBits, bitsBytes, &topDown);
        if (!o.brush.pattern) o.brush = MakeBrush(0, MakeColour(128, 128, 128), 0);
        storeObject(h, std::move(o));
        break;
      }
      case 82: {  // ExtCreateFontIndirectW
        const std::uint32_t h = rec.u32();
        Object o;
        o.kind = Object::Kind::kFont;
        o.font.height = rec.i32();
        o.font.width = rec.i32();
        o.font.escapement = rec.i32();
        rec.skip(4);
        o.font.font.weight = rec.i32();
        o.font.font.italic = rec.u8() != 0;
        o.font.font.underline = rec.u8() != 0;
        o.font.font.strikeout = rec.u8() != 0;
        o.font.font.charset = rec.u8();
        rec.skip(4);
        std::u16string face;
        for (int i = 0; i < 32 && rec.remaining() >= 2; ++i) {
          const char16_t c = rec.u16();
          if (c == 0) break;
          face.push_back(c);
        }
        o.font.font.face = Utf16ToUtf8(face);
        storeObject(h, std::move(o));
        break;
      }
      case 49: {  // CreatePalette
        const std::uint32_t h = rec.u32();
        rec.skip(2);
        const std::size_t n = rec.u16();
        if (n > rec.remaining() / 4) rec.truncated();
        Object o;
        o.kind = Object::Kind::kPalette;
        for (std::size_t i = 0; i < n; ++i) {
          const int r = rec.u8(), g = rec.u8(), b = rec.u8();
          rec.skip(1);
          o.palette.push_back(MakeColour(r, g, b));
        }
        storeObject(h, std::move(o));
        break;
      }
      case 42:
      case 43: {  // Ellipse, Rectangle
        const double l = rec.i32(), t = rec.i32(), r = rec.i32(), b = rec.i32();
        if (type == 43)
          boxShape(l, t, r, b, [this](auto... v) { return rectangle(v...); });
        else
          boxShape(l, t, r, b, [this](auto... v) { return ellipse(v...); });
        break;
      }
      case 44: {  // RoundRect
        const double l = rec.i32(), t = rec.i32(), r = rec.i32(), b = rec.i32();
        const double w = rec.i32(), h = rec.i32();
        boxShape(l, t, r, b, [&](double a, double c, double d, double e) {
          return roundRect(a, c, d, e, w, h);
        });
        break;
      }
      case 45:
      case 46:
      case 47:
      case 55: {  // Arc, Chord, Pie, ArcTo
        const double l = rec.i32(), t = rec.i32(), r = rec.i32(), b = rec.i32();
        const double xs = rec.i32(), ys = rec.i32(), xe = rec.i32(), ye = rec.i32();
        if (type == 45) {
          line(arc(l, t, r, b, {xs, ys}, {xe, ye}, ArcKind::kArc));
        } else if (type == 55) {
          Path p;
          continueFrom(p);
          if (p.empty()) p.moveTo(map(dc_.position));
          arc(l, t, r, b, {xs, ys}, {xe, ye}, ArcKind::kArc, &p);
          finishContinued(p);
          // The current position moves to the arc's end on the ellipse.
          const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::abs(r - l) / 2,
                       ry = std::abs(b - t) / 2;
          if (rx > 0 && ry > 0) {
            const double a = std::atan2((ye - cy) / ry, (xe - cx) / rx);
            dc_.position = {cx + rx * std::cos(a), cy + ry * std::sin(a)};
          }
        } else {
          shape(arc(l, t, r, b, {xs, ys}, {xe, ye}, type == 47 ? ArcKind::kPie : ArcKind::kChord));
        }
        break;
      }
      case 41: {  // AngleArc
        const double cx = rec.i32(), cy = rec.i32(), radius = rec.u32();
        auto f = [&] {
          const std::uint32_t bits = rec.u32();
          float v;
          std::memcpy(&v, &bits, 4);
          return static_cast<double>(v);
        };
        const double start = f(), sweep = f();
        if (!std::isfinite(start) || !std::isfinite(sweep)) break;
        const double t0 = -start * std::numbers::pi / 180;
        const double s = -std::clamp(sweep, -3600.0, 3600.0) * std::numbers::pi / 180;
        Path p;
        continueFrom(p);
        if (p.empty()) p.moveTo(map(dc_.position));
        arcPath(p, cx, cy, radius, radius, t0, s, true);
        finishContinued(p);
        dc_.position = {cx + radius * std::cos(t0 + s), cy + radius * std::sin(t0 + s)};
        break;
      }
      case 57:
        dc_.clockwise = rec.u32() == 2;
        break;    // SetArcDirection
      case 15: {  // SetPixelV
        const double x = rec.i32(), y = rec.i32();
        setPixel(x, y, colour(rec.u32()));
        break;
      }
      case 59:
        beginPath();
        break;
      case 60:
        endPath();
        break;
      case 61:  // CloseFigure
        if (recording_ && !path_.empty()) path_.close(), figureOpen_ = false;
        break;
      case 62:
        usePath(true, false);
        break;
      case 63:
        usePath(true, true);
        break;
      case 64:
        usePath(false, true);
        break;
      case 68:
        recording_ = false, path_ = Path();
        break;    // AbortPath
      case 67: {  // SelectClipPath
        const std::uint32_t mode = rec.u32();
        recording_ = false;
        if (mode == 5) dc_.clip.clear();  // copy
        if (!path_.empty()) dc_.clip.push_back(path_);
        path_ = Path();
        canvas_.clip(dc_.clip);
        break;
      }
      case 83:
      case 84:
        enhancedText(type == 84, whole, rec);
        break;
      case 76:
      case 77: {  // BitBlt, StretchBlt
        rec.skip(16);
        const double dx = rec.i32(), dy = rec.i32(), dw = rec.i32(), dh = rec.i32();
        const std::uint32_t rop = rec.u32();
        const double sx = rec.i32(), sy = rec.i32();
        const Affine srcXform = ReadXform(rec);
        (void)srcXform;
        rec.skip(8);  // background colour, colour usage
        const std::uint32_t offInfo = rec.u32(), infoBytes = rec.u32();
        const std::uint32_t offBits = rec.u32(), bitsBytes = rec.u32();
        double sw = dw, sh = dh;
        if (type == 77) sw = rec.i32(), sh = rec.i32();
        bool topDown = false;
        auto bits = enhancedBitmap(whole, offInfo, infoBytes, offBits, bitsBytes, &topDown);
        dibBlit(bits, topDown, sx, sy, sw, sh, dx, dy, dw, dh, rop);
        break;
      }
      case 81: {  // StretchDIBits
        rec.skip(16);
        const double dx = rec.i32(), dy = rec.i32(), sx = rec.i32(), sy = rec.i32();
        const double sw = rec.i32(), sh = rec.i32();
        const std::uint32_t offInfo = rec.u32(), infoBytes = rec.u32();
        const std::uint32_t offBits = rec.u32(), bitsBytes = rec.u32();
        rec.skip(4);  // colour usage
        const std::uint32_t rop = rec.u32();
        const double dw = rec.i32(), dh = rec.i32();
        bool topDown = false;
        auto bits = enhancedBitmap(whole, offInfo, infoBytes, offBits, bitsBytes, &topDown);
        dibBlit(bits, topDown, sx, sy, sw, sh, dx, dy, dw, dh, rop);
        break;
      }
      case 80: {  // SetDIBitsToDevice
        rec.skip(16);
        const double dx = rec.i32(), dy = rec.i32(), sx = rec.i32(), sy = rec.i32();
        const double w = rec.i32(), h = rec.i32();
        const std::uint32_t offInfo = rec.u32(), infoBytes = rec.u32();
        const std::uint32_t offBits = rec.u32(), bitsBytes = rec.u32();
        rec.skip(4);
        const std::uint32_t first = rec.u32(), scans = rec.u32();
        bool topDown = false;
        auto bits = enhancedBitmap(whole, offInfo, infoBytes, offBits, bitsBytes, &topDown);
        if (bits)
          setBits(*bits, topDown, static_cast<int>(scans), static_cast<int>(first), sx, sy, w, h,
                  dx, dy);
        break;
      }
      default:
        break;
    }
  }

  // Polygon (3), Polyline (4), PolyBezier (2) and the forms that go on from the current
  // position: PolyBezierTo (5), PolylineTo (6).
  void polyRecord(std::uint32_t kind, const std::vector<Point>& pts) {
    if (pts.empty()) return;
    switch (kind) {
      case 3:
        shape(polyline(pts, true));
        break;
      case 4:
        line(polyline(pts, false));
        break;
      case 2: {
        Path p;
        p.moveTo(map(pts[0]));
        for (std::size_t i = 1; i + 2 < pts.size(); i += 3)
          p.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
        line(p);
        break;
      }
      case 5:
      case 6: {
        Path p;
        continueFrom(p);
        if (kind == 6) {
          for (const Point& q : pts) p.lineTo(map(q));
          dc_.position = pts.back();
        } else {
          std::size_t i = 0;
          for (; i + 2 < pts.size(); i += 3)
            p.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
          if (i > 0) dc_.position = pts[i - 1];
        }
        finishContinued(p);
        break;
      }
      default:
        break;
    }
  }

  void polyDraw(const std::vector<Point>& pts, std::span<const std::uint8_t> kinds) {
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

  void enhancedText(bool wide, std::span<const std::uint8_t> whole, ByteReader& rec) {
    rec.skip(16);  // bounds
    rec.skip(12);  // graphics mode, x and y scale
    const double x = rec.i32(), y = rec.i32();
    const std::uint32_t n = rec.u32(), offString = rec.u32(), options = rec.u32();
    const double l = rec.i32(), t = rec.i32(), r = rec.i32(), b = rec.i32();
    const std::uint32_t offDx = rec.u32();
    const std::size_t unit = wide ? 2 : 1;
    if (offString > whole.size() || n > (whole.size() - offString) / unit)
      Corrupt("a text lies outside its record");
    const auto bytes = whole.subspan(offString, n * unit);
    std::u16string text;
    if (wide) {
      for (std::size_t i = 0; i < n; ++i)
        text.push_back(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    } else {
      text = DecodeAnsi(bytes, dc_.font.font.charset);
    }
    std::vector<double> advances;
    if (offDx != 0 && offDx <= whole.size() && n <= (whole.size() - offDx) / 4 &&
        text.size() == n) {
      ByteReader dx(whole.subspan(offDx, n * 4), kWhat);
      const double s = std::hypot(total_.a, total_.b);
      for (std::uint32_t i = 0; i < n; ++i) advances.push_back(dx.i32() * s);
    }
    std::optional<Rect> opaque, clipBox;
    if (options & 0x0002) opaque = deviceBox(l, t, r, b);
    if (options & 0x0004) clipBox = deviceBox(l, t, r, b);
    // Glyph numbers of the recording machine's font mean nothing without that font: only the
    // opaque box is drawn.
    if (options & 0x0010) text.clear(), advances.clear();
    drawText(std::move(text), {x, y}, std::move(advances), opaque, clipBox);
  }

  std::span<const std::uint8_t> file_;
  MetafileSize size_;
  meta::Canvas& canvas_;
  DecodeLimits limits_;
  double budget_ = 0;
  double devicePerMmX_ = kDpi / 25.4, devicePerMmY_ = kDpi / 25.4;
  Affine device_;  // device units to picture pixels
  Affine total_;   // logical units to picture pixels
  DcState dc_;
  std::vector<DcState> saved_;
  std::vector<std::optional<Object>> objects_;
  bool recording_ = false;
  bool figureOpen_ = false;
  Path path_;
};

}  // namespace

MetafileSize MeasureMetafile(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  MetafileSize size;
  std::int64_t w = 0, h = 0;
  if (IsEnhanced(file)) {
    size.kind = MetafileKind::kEnhanced;
    ByteReader in(file, kWhat);
    in.skip(8);
    const std::int64_t bl = in.i32(), bt = in.i32(), br = in.i32(), bb = in.i32();
    const std::int64_t fl = in.i32(), ft = in.i32(), fr = in.i32(), fb = in.i32();
    if (fr > fl && fb > ft) {
      // Hundredths of a millimetre at 96 dots per inch, to the nearest pixel.
      w = ((fr - fl) * 96 + 1270) / 2540;
      h = ((fb - ft) * 96 + 1270) / 2540;
    } else if (br >= bl && bb >= bt) {
      w = br - bl + 1;
      h = bb - bt + 1;
    }
  } else {
    ByteReader in(file, kWhat);
    if (IsPlaceable(file)) {
      size.kind = MetafileKind::kPlaceable;
      in.skip(6);
      const int left = in.i16(), top = in.i16(), right = in.i16(), bottom = in.i16();
      const int inch = in.u16();
      in.skip(6);
      if (inch == 0) Corrupt("its header gives no units per inch");
      w = (static_cast<std::int64_t>(std::abs(right - left)) * 96 + inch / 2) / inch;
      h = (static_cast<std::int64_t>(std::abs(bottom - top)) * 96 + inch / 2) / inch;
    }
    const std::size_t start = in.position();
    if (in.remaining() < 18) {
      if (size.kind == MetafileKind::kPlaceable) in.truncated();
      throw PictureFileError("The file is not a Windows metafile.");
    }
    const std::uint16_t fileType = in.u16();
    const std::uint16_t headerWords = in.u16();
    if ((fileType != 1 && fileType != 2) || headerWords != 9)
      throw PictureFileError("The file is not a Windows metafile.");
    in.seek(start + 18);
    if (size.kind == MetafileKind::kPlain) {
      // The first window extent set before drawing is the picture's size.
      while (in.remaining() >= 6) {
        const std::uint32_t words = in.u32();
        const std::uint16_t function = in.u16();
        if (words < 3 || (words - 3) * 2ull > in.remaining()) break;
        if (function == 0x020C && words >= 5) {
          h = std::abs(in.i16());
          w = std::abs(in.i16());
          break;
        }
        if (function == 0x0000) break;
        in.skip((words - 3) * 2ull);
      }
      if (w == 0 || h == 0) Corrupt("it gives no picture size");
    }
  }
  if (w <= 0 || h <= 0) Corrupt("its picture has no pixels");
  CheckPictureSize(w, h, limits);
  size.width = static_cast<int>(w);
  size.height = static_cast<int>(h);
  return size;
}

void PlayMetafile(std::span<const std::uint8_t> file, const MetafileSize& size,
                  meta::Canvas& canvas, const DecodeLimits& limits) {
  Player(file, size, canvas, limits).play();
}

Picture PlayingMetafileReader::Read(std::span<const std::uint8_t> file,
                                    const DecodeLimits& limits) const {
  const MetafileSize size = MeasureMetafile(file, limits);
  Picture out(size.width, size.height, 24);
  std::memset(out.rawData(), 255, out.byteSize());
  {
    std::unique_ptr<meta::Canvas> canvas = makeCanvas_(out);
    PlayMetafile(file, size, *canvas, limits);
  }
  out.markAllWritten();
  return out;
}

}  // namespace drollo::formats
