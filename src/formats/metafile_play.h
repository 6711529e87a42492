// The operations both metafile forms are decoded into, and the player that draws them.
//
// The old and the enhanced reader (metafile_wmf.cpp, metafile_emf.cpp) parse their own record
// layouts (16-bit fields last first, 32-bit fields in order, bitmaps packed or at offsets) into
// the structs below or into calls of the state setters; the records they share go through
// Fields and PlayShared. The Player draws each operation one way, whichever form it came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/metafile_player.h"
#include "formats/metafile_state.h"

namespace drollo::formats::meta {

struct PolyOp {
  enum class Kind { kPolygon, kPolyline, kPolyBezier, kPolylineTo, kPolyBezierTo };
  Kind kind = Kind::kPolyline;
  std::vector<Point> points;  // logical units
};

// Several polygons (closed) or polylines at once: counts[i] points each, one after the other.
struct PolyPolyOp {
  bool closed = true;
  std::vector<std::size_t> counts;
  std::vector<Point> points;
};

struct BoxOp {
  enum class Shape { kRectangle, kEllipse, kRoundRect };
  Shape shape = Shape::kRectangle;
  Box box;
  double cornerWidth = 0, cornerHeight = 0;  // rounded rectangles
};

// Arc, chord and pie of the box's ellipse between the rays through `start` and `end`; ArcTo draws
// the arc on from the current position and moves it to the arc's end.
struct ArcOp {
  enum class Kind { kArc, kChord, kPie, kArcTo };
  Kind kind = Kind::kArc;
  Box box;
  Point start, end;
};

struct TextOp {
  std::u16string text;
  Point at;                      // logical units
  std::vector<double> advances;  // logical units; used only with one per character
  std::uint32_t options = 0;     // kTextOpaque, kTextClipped: `box` is filled or clips
  Box box;
};

// A bitmap decoded from a record; rows are counted from the bottom unless it is stored top-down.
struct Dib {
  std::shared_ptr<const Picture> picture;
  bool topDown = false;
};
// A bitmap packed as header, colour table and bits.
Dib DecodePackedDib(std::span<const std::uint8_t> packed, const DecodeLimits& limits);
// A bitmap whose header and bits lie at offsets from the record's start; none when there is no
// header.
Dib DecodeDibInRecord(std::span<const std::uint8_t> record, std::uint32_t offInfo,
                      std::uint32_t infoBytes, std::uint32_t offBits, std::uint32_t bitsBytes,
                      const DecodeLimits& limits);

// The source rectangle of a bitmap to the destination rectangle (logical units; negative extents
// mirror). Without a bitmap the raster operation is done with the brush over the destination.
struct BlitOp {
  Dib source;
  double sx = 0, sy = 0, sw = 0, sh = 0;
  double dx = 0, dy = 0, dw = 0, dh = 0;
  std::uint32_t rop = kSrcCopy;
};

// SetDIBitsToDevice: unscaled; the record may hold only the rows from `first` on.
struct SetBitsOp {
  Dib source;
  int first = 0;
  double sx = 0, sy = 0, w = 0, h = 0, dx = 0, dy = 0;
};

enum class PageValue { kWindowOrigin, kWindowExtent, kViewportOrigin, kViewportExtent };

// The fields of a font record up to the face name: 16-bit numbers in old files, 32-bit in
// enhanced ones.
LogFont ReadLogFont(ByteReader& rec, bool wide);
std::u16string DecodeAnsi(std::span<const std::uint8_t> bytes, int charset);
std::string Utf16ToUtf8(const std::u16string& s);
// `count` points of 16-bit (`small`) or 32-bit coordinates.
std::vector<Point> ReadPoints(ByteReader& rec, std::size_t count, bool small);

// The records both forms have whose parameters are a fixed list of numbers, played by one
// function whichever form they come from.
enum class SharedRecord {
  kSaveDc,
  kRestoreDc,
  kSetMapMode,
  kSetBkMode,
  kSetBkColour,
  kSetTextColour,
  kSetFillMode,
  kSetTextAlign,
  kSetWindowOrg,
  kSetWindowExt,
  kSetViewportOrg,
  kSetViewportExt,
  kOffsetWindowOrg,
  kOffsetViewportOrg,
  kScaleWindowExt,
  kScaleViewportExt,
  kMoveTo,
  kLineTo,
  kRectangle,
  kEllipse,
  kRoundRect,
  kArc,
  kChord,
  kPie,
  kArcTo,
  kSetPixel,
  kIntersectClip,
  kSelectObject,
  kDeleteObject,
};

// The parameters of such a record in the order of the drawing call. An enhanced record stores
// them in that order as 32-bit values; an old record stores them last first as 16-bit words, so
// its fields are read from the end. A colour takes 32 bits in both.
class Fields {
 public:
  static Fields Enhanced(ByteReader& rec) { return Fields(&rec, {}); }
  // The first `words` words of an old record.
  static Fields Old(ByteReader& rec, std::size_t words) {
    return Fields(nullptr, rec.bytes(words * 2));
  }
  double number();        // signed
  std::uint32_t index();  // unsigned: modes, handles
  std::uint32_t colour();
  Point point();
  Box box();

 private:
  Fields(ByteReader* forward, std::span<const std::uint8_t> backward)
      : forward_(forward), backward_(backward), end_(backward.size()) {}
  std::span<const std::uint8_t> back(std::size_t n);
  ByteReader* forward_;
  std::span<const std::uint8_t> backward_;
  std::size_t end_;
};

class Player;
void PlayShared(SharedRecord record, Fields& fields, Player& player);

class Player {
 public:
  Player(const MetafileSize& size, Canvas& canvas);

  // Before the records: an old file, with the placeable header's box if it has one, or an
  // enhanced file, whose frame (hundredths of millimetres) is mapped onto the picture.
  void startOld(const std::optional<Box>& placeableBox);
  void startEnhanced(const Box& frame, double deviceWidth, double deviceHeight, double mmWidth,
                     double mmHeight);

  // ---- state (metafile_state.cpp) ----
  TColor colour(std::uint32_t ref) const;
  int charset() const { return dc_.font.font.charset; }
  void save();
  void restore(int which);
  void setMapMode(std::uint32_t mode);
  void setPage(PageValue value, double x, double y);
  void offsetPage(PageValue value, double dx, double dy);
  void scalePage(PageValue value, double xNum, double xDenom, double yNum, double yDenom);
  void setWorldTransform(const Affine& t);
  void modifyWorldTransform(const Affine& t, std::uint32_t mode);
  void setBkMode(std::uint32_t mode) { dc_.background.opaque = mode == kBkOpaque; }
  void setBkColour(std::uint32_t ref) { dc_.background.colour = colour(ref); }
  void setTextColour(std::uint32_t ref) { dc_.textColour = colour(ref); }
  void setFillMode(std::uint32_t mode) { dc_.winding = mode == kFillWinding; }
  void setTextAlign(std::uint32_t align) { dc_.align = align; }
  void setArcDirection(std::uint32_t dir) { dc_.clockwise = dir == kArcClockwise; }
  void addObject(Object object) { objects_.add(std::move(object)); }
  void storeObject(std::size_t handle, Object object) { objects_.store(handle, std::move(object)); }
  void selectObject(std::uint32_t handle);
  void deleteObject(std::uint32_t handle) { objects_.remove(handle); }
  void intersectClip(const Box& box);
  void resetClip();

  // ---- lines, curves, shapes and paths (metafile_paths_lines.cpp) ----
  void moveTo(Point to);
  void lineTo(Point to);
  void play(const PolyOp& op);
  void play(const PolyPolyOp& op);
  void play(const BoxOp& op);
  void play(const ArcOp& op);
  void angleArc(Point centre, double radius, double startDegrees, double sweepDegrees);
  void polyDraw(const std::vector<Point>& points, std::span<const std::uint8_t> kinds);
  void setPixel(Point at, TColor c);
  void beginPath();
  void endPath() { recording_ = false; }
  void closeFigure();
  void abortPath();
  void usePath(bool fill, bool stroke);
  void selectClipPath(std::uint32_t mode);

  // ---- text (metafile_text.cpp) and bitmaps (metafile_bitmaps.cpp) ----
  void play(const TextOp& op);
  void play(const BlitOp& op);
  void play(const SetBitsOp& op);

 private:
  void updateTransform();
  Point map(Point p) const;
  Point map(double x, double y) const { return map(Point{x, y}); }
  // Length of one logical unit in pixels, for pen widths and font heights.
  double unitScale() const { return std::sqrt(std::abs(total_.det())); }
  double verticalScale() const { return std::hypot(total_.c, total_.d); }
  double horizontalScale() const { return std::hypot(total_.a, total_.b); }
  Pen devicePen() const;
  Font deviceFont() const;

  void spend(const Path& path);
  bool recorded(const Path& path);
  void paint(const Path& path, bool fill, bool stroke, const Path* outline = nullptr);
  void shape(const Path& path, const Path* outline = nullptr);
  void line(const Path& path);
  void continueFrom(Path& p);
  void finishContinued(Path& p);
  Path polyline(std::span<const Point> pts, bool closed) const;
  void arcPath(Path& p, double cx, double cy, double rx, double ry, double t0, double sweep,
               bool join) const;
  Path ellipse(const Box& box) const;
  Path rectangle(const Box& box) const;
  Path roundRect(Box box, double w, double h) const;
  Path boxPath(const BoxOp& op, const Box& box) const;
  Path arc(const ArcOp& op, Path* continued = nullptr) const;

  std::optional<Rect> deviceBox(const Box& box) const;
  void blit(const Picture& bits, double sx, double sy, double sw, double sh, double dx, double dy,
            double dw, double dh, std::uint32_t rop);
  void patternBlit(double x, double y, double w, double h, std::uint32_t rop);

  MetafileSize size_;
  Canvas& canvas_;
  double budget_ = 0;
  double devicePerMmX_, devicePerMmY_;
  Affine device_;  // device units to picture pixels
  Affine total_;   // logical units to picture pixels
  DcState dc_;
  std::vector<DcState> saved_;
  ObjectTable objects_;
  bool recording_ = false;
  bool figureOpen_ = false;
  Path path_;
};

// The record loops of the two forms.
void PlayOldRecords(std::span<const std::uint8_t> file, const MetafileSize& size, Player& player,
                    const DecodeLimits& limits);
void PlayEnhancedRecords(std::span<const std::uint8_t> file, Player& player,
                         const DecodeLimits& limits);

}  // namespace drollo::formats::meta
