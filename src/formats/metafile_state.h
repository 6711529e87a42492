// The metafile player's device context: the drawing state the records change (mapping, selected
// objects, colours, modes, clip) and the object table they create objects in.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "formats/byte_reader.h"
#include "formats/metafile_canvas.h"
#include "formats/metafile_records.h"

namespace drollo::formats::meta {

// Names the file in the player's errors.
inline constexpr const char* kWhat = "The metafile";
[[noreturn]] void Corrupt(const std::string& detail);

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

// A rectangle in logical units, as the record gives it (not normalised).
struct Box {
  double l = 0, t = 0, r = 0, b = 0;
};

// A pen as the file defines it; the width becomes pixels when it is used.
struct LogPen {
  PenStyle style = PenStyle::kSolid;
  double width = 0;  // logical units; 0 is one pixel whatever the mapping
  bool cosmetic = true;
  TColor colour = kBlack;
  LineCap cap = LineCap::kRound;
  LineJoin join = LineJoin::kRound;
};

struct LogFont {
  double height = 0, width = 0;  // logical units
  double escapement = 0;         // tenths of a degree
  Font font;
};

using Palette = std::vector<TColor>;

// What a handle names: a pen, a brush, a font, a palette, or an object the player only counts.
using Object = std::variant<std::monostate, LogPen, Brush, LogFont, Palette>;

struct DcState {
  int mapMode = kMmText;
  double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
  double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
  Affine world;
  LogPen pen;
  Brush brush;
  LogFont font;
  Palette palette;
  TColor textColour = kBlack;
  Background background;
  bool winding = false;
  unsigned align = 0;
  Point position;  // current position, logical units
  bool clockwise = false;
  std::vector<Path> clip;
};

// Pens and brushes from the style fields of the records (both forms use the same values).
LogPen MakePen(std::uint32_t style, double width, TColor colour, bool cosmetic);
Brush MakeBrush(std::uint32_t style, TColor colour, std::uint32_t hatch);

// A palette's entries (version word, count, then red, green, blue, flags each).
Palette ReadPaletteEntries(ByteReader& rec);

// The window-to-viewport mapping of the map mode, in device units.
Affine PageTransform(const DcState& dc, double devicePerMmX, double devicePerMmY);

void SelectStockObject(StockObject object, DcState& dc);

// The objects a metafile creates, by handle. Old metafiles put a new object in the lowest free
// slot; enhanced ones name the handle. The table holds only the slots used so far: the count a
// header states (up to 65535) is not taken in advance.
class ObjectTable {
 public:
  void reset();
  void store(std::size_t handle, Object object);
  void add(Object object);
  void select(std::size_t handle, DcState& dc) const;
  void remove(std::size_t handle);

 private:
  std::vector<std::optional<Object>> slots_;
};

}  // namespace drollo::formats::meta
