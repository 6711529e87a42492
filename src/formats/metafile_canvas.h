// The drawing surface a metafile is played onto.
//
// The metafile player (metafile_player.h) reads the records of both kinds of Windows metafile and
// keeps the drawing state itself: the object table, the mapping from logical units to pixels, the
// current position, the path under construction, the saved states. What reaches the canvas is
// already in picture pixels and fully described: a path to fill or to stroke with a given brush
// or pen, a line of text in a given font, a bitmap into a rectangle. So the canvas only draws;
// the core stays free of any drawing library and the platform layer paints with its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/picture.h"
#include "image/pixel_math.h"

namespace drollo::formats::meta {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// Figures of moves, lines and cubic Béziers (three points each), in picture pixels.
struct Path {
  enum class Op : std::uint8_t { kMove, kLine, kCubic, kClose };
  std::vector<Op> ops;
  std::vector<Point> points;  // one per move and line, three per cubic, none per close

  void moveTo(Point p) { ops.push_back(Op::kMove), points.push_back(p); }
  void lineTo(Point p) { ops.push_back(Op::kLine), points.push_back(p); }
  void cubicTo(Point a, Point b, Point c) {
    ops.push_back(Op::kCubic);
    points.insert(points.end(), {a, b, c});
  }
  void close() { ops.push_back(Op::kClose); }
  bool empty() const { return ops.empty(); }
  void append(const Path& other) {
    ops.insert(ops.end(), other.ops.begin(), other.ops.end());
    points.insert(points.end(), other.points.begin(), other.points.end());
  }
};

enum class PenStyle { kSolid, kDash, kDot, kDashDot, kDashDotDot, kNull, kInsideFrame };
enum class LineCap { kRound, kSquare, kFlat };
enum class LineJoin { kRound, kBevel, kMiter };

struct Pen {
  PenStyle style = PenStyle::kSolid;
  double width = 1;  // pixels, at least 1
  TColor colour = kBlack;
  LineCap cap = LineCap::kRound;
  LineJoin join = LineJoin::kRound;
};

enum class BrushStyle { kSolid, kNull, kHatched, kPattern };
enum class Hatch {
  kHorizontal,
  kVertical,
  kForwardDiagonal,
  kBackwardDiagonal,
  kCross,
  kDiagCross
};

struct Brush {
  BrushStyle style = BrushStyle::kSolid;
  TColor colour = kWhite;
  Hatch hatch = Hatch::kHorizontal;
  std::shared_ptr<const Picture> pattern;  // 24 bits, tiled from the picture's origin
};

// The background: opaque mode fills the gaps of hatches, dashed lines and the text's box.
struct Background {
  bool opaque = true;
  TColor colour = kWhite;
};

struct Font {
  // Height in pixels: negative gives the characters' em height, positive the cell height (ascent
  // plus descent); 0 asks for a default size.
  double height = 0;
  double width = 0;       // average character width in pixels; 0 for the face's own
  double escapement = 0;  // angle of the baseline, degrees counter-clockwise
  int weight = 400;       // 0 default, 400 normal, 700 bold
  bool italic = false, underline = false, strikeout = false;
  int charset = 0;
  std::string face;  // UTF-8
};

// Text alignment bits as the records store them.
enum TextAlign : unsigned {
  kAlignLeft = 0,
  kAlignRight = 2,
  kAlignCenter = 6,
  kAlignTop = 0,
  kAlignBottom = 8,
  kAlignBaseline = 24,
  kAlignUpdateCp = 1,
};

struct Text {
  std::u16string text;
  Point origin;                  // the reference point the alignment refers to
  std::vector<double> advances;  // pixels from each character to the next; empty: the font's
  Font font;
  TColor colour = kBlack;
  Background background;
  unsigned align = 0;
  std::optional<Rect> opaqueBox;  // filled with the background colour first
  std::optional<Rect> clipBox;    // text is cut to it
};

// Raster operations of the bitmap records that the canvas distinguishes.
constexpr std::uint32_t kSrcCopy = 0x00CC0020u;
constexpr std::uint32_t kSrcPaint = 0x00EE0086u;
constexpr std::uint32_t kSrcAnd = 0x008800C6u;
constexpr std::uint32_t kSrcInvert = 0x00660046u;
constexpr std::uint32_t kNotSrcCopy = 0x00330008u;
constexpr std::uint32_t kPatCopy = 0x00F00021u;
constexpr std::uint32_t kDstInvert = 0x00550009u;
constexpr std::uint32_t kBlackness = 0x00000042u;
constexpr std::uint32_t kWhiteness = 0x00FF0062u;

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Fills the figures of the path (each closed implicitly); winding or alternate (even-odd) rule.
  virtual void fill(const Path& path, const Brush& brush, bool winding, const Background& bg) = 0;
  virtual void stroke(const Path& path, const Pen& pen, const Background& bg) = 0;
  virtual void text(const Text& text) = 0;
  // Draws the `source` rectangle of a 24-bit bitmap (top row first) into the quadrilateral whose
  // corners are `topLeft`, `topRight` and `bottomLeft` (negative extents mirror), combining with
  // the picture by the raster operation.
  virtual void bitmap(const Picture& bitmap, const Rect& source, Point topLeft, Point topRight,
                      Point bottomLeft, std::uint32_t rop) = 0;
  // A raster operation without a source over a parallelogram: the brush, black, white, inversion.
  virtual void pattern(const Path& area, const Brush& brush, std::uint32_t rop) = 0;
  // The clip area: nothing, or the intersection of rectangles in pixels (each a closed path).
  virtual void clip(const std::vector<Path>& rectangles) = 0;
};

}  // namespace drollo::formats::meta
