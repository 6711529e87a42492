// The enhanced metafile's records: 32-bit parameters in order (16-bit points in the ...16 forms),
// bitmaps and strings at offsets from the record's start, decoded into the player's operations.
#include <cmath>
#include <cstring>

#include "formats/metafile_play.h"

namespace drollo::formats::meta {
namespace {

Point ReadPoint(ByteReader& rec) {
  const double x = rec.i32(), y = rec.i32();
  return {x, y};
}

Box ReadBox(ByteReader& rec) {
  const double l = rec.i32(), t = rec.i32(), r = rec.i32(), b = rec.i32();
  return {l, t, r, b};
}

double ReadFloat(ByteReader& rec) {
  const std::uint32_t bits = rec.u32();
  float v;
  std::memcpy(&v, &bits, 4);
  return static_cast<double>(v);
}

Affine ReadXform(ByteReader& rec) {
  Affine t;
  t.a = ReadFloat(rec), t.b = ReadFloat(rec), t.c = ReadFloat(rec), t.d = ReadFloat(rec);
  t.e = ReadFloat(rec), t.f = ReadFloat(rec);
  return t;
}

class EmfReader {
 public:
  EmfReader(Player& player, const DecodeLimits& limits) : player_(player), limits_(limits) {}

  // `whole` is the record with its type and size, which the offsets in it count from.
  void play(EmfRecord type, std::span<const std::uint8_t> whole, ByteReader& rec) {
    using Kind = PolyOp::Kind;
    switch (type) {
      case EmfRecord::kPolyBezier:
        return poly(Kind::kPolyBezier, false, rec);
      case EmfRecord::kPolygon:
        return poly(Kind::kPolygon, false, rec);
      case EmfRecord::kPolyline:
        return poly(Kind::kPolyline, false, rec);
      case EmfRecord::kPolyBezierTo:
        return poly(Kind::kPolyBezierTo, false, rec);
      case EmfRecord::kPolylineTo:
        return poly(Kind::kPolylineTo, false, rec);
      case EmfRecord::kPolyBezier16:
        return poly(Kind::kPolyBezier, true, rec);
      case EmfRecord::kPolygon16:
        return poly(Kind::kPolygon, true, rec);
      case EmfRecord::kPolyline16:
        return poly(Kind::kPolyline, true, rec);
      case EmfRecord::kPolyBezierTo16:
        return poly(Kind::kPolyBezierTo, true, rec);
      case EmfRecord::kPolylineTo16:
        return poly(Kind::kPolylineTo, true, rec);
      case EmfRecord::kPolyPolyline:
        return polyPoly(false, false, rec);
      case EmfRecord::kPolyPolygon:
        return polyPoly(true, false, rec);
      case EmfRecord::kPolyPolyline16:
        return polyPoly(false, true, rec);
      case EmfRecord::kPolyPolygon16:
        return polyPoly(true, true, rec);
      case EmfRecord::kPolyDraw:
        return polyDraw(false, rec);
      case EmfRecord::kPolyDraw16:
        return polyDraw(true, rec);
      case EmfRecord::kSetWindowExtEx:
        return setPage(PageValue::kWindowExtent, rec);
      case EmfRecord::kSetWindowOrgEx:
        return setPage(PageValue::kWindowOrigin, rec);
      case EmfRecord::kSetViewportExtEx:
        return setPage(PageValue::kViewportExtent, rec);
      case EmfRecord::kSetViewportOrgEx:
        return setPage(PageValue::kViewportOrigin, rec);
      case EmfRecord::kScaleViewportExtEx:
        return scalePage(PageValue::kViewportExtent, rec);
      case EmfRecord::kScaleWindowExtEx:
        return scalePage(PageValue::kWindowExtent, rec);
      case EmfRecord::kSetMapMode:
        return player_.setMapMode(rec.u32());
      case EmfRecord::kSetBkMode:
        return player_.setBkMode(rec.u32());
      case EmfRecord::kSetPolyFillMode:
        return player_.setFillMode(rec.u32());
      case EmfRecord::kSetTextAlign:
        return player_.setTextAlign(rec.u32());
      case EmfRecord::kSetTextColor:
        return player_.setTextColour(rec.u32());
      case EmfRecord::kSetBkColor:
        return player_.setBkColour(rec.u32());
      case EmfRecord::kSetArcDirection:
        return player_.setArcDirection(rec.u32());
      case EmfRecord::kMoveToEx:
        return player_.moveTo(ReadPoint(rec));
      case EmfRecord::kLineTo:
        return player_.lineTo(ReadPoint(rec));
      case EmfRecord::kIntersectClipRect:
        return player_.intersectClip(ReadBox(rec));
      case EmfRecord::kExtSelectClipRgn:
        return extSelectClipRgn(rec);
      case EmfRecord::kSaveDc:
        return player_.save();
      case EmfRecord::kRestoreDc:
        return player_.restore(rec.i32());
      case EmfRecord::kSetWorldTransform:
        return player_.setWorldTransform(ReadXform(rec));
      case EmfRecord::kModifyWorldTransform:
        return modifyWorldTransform(rec);
      case EmfRecord::kSelectObject:
      case EmfRecord::kSelectPalette:
        return player_.selectObject(rec.u32());
      case EmfRecord::kDeleteObject:
        return player_.deleteObject(rec.u32());
      case EmfRecord::kCreatePen:
        return createPen(rec);
      case EmfRecord::kExtCreatePen:
        return extCreatePen(rec);
      case EmfRecord::kCreateBrushIndirect:
        return createBrush(rec);
      case EmfRecord::kCreateMonoBrush:
      case EmfRecord::kCreateDibPatternBrushPt:
        return createPatternBrush(whole, rec);
      case EmfRecord::kExtCreateFontIndirectW:
        return createFont(rec);
      case EmfRecord::kCreatePalette:
        return createPalette(rec);
      case EmfRecord::kEllipse:
        return player_.play(BoxOp{BoxOp::Shape::kEllipse, ReadBox(rec)});
      case EmfRecord::kRectangle:
        return player_.play(BoxOp{BoxOp::Shape::kRectangle, ReadBox(rec)});
      case EmfRecord::kRoundRect:
        return roundRect(rec);
      case EmfRecord::kArc:
        return arc(ArcOp::Kind::kArc, rec);
      case EmfRecord::kChord:
        return arc(ArcOp::Kind::kChord, rec);
      case EmfRecord::kPie:
        return arc(ArcOp::Kind::kPie, rec);
      case EmfRecord::kArcTo:
        return arc(ArcOp::Kind::kArcTo, rec);
      case EmfRecord::kAngleArc:
        return angleArc(rec);
      case EmfRecord::kSetPixelV:
        return setPixel(rec);
      case EmfRecord::kBeginPath:
        return player_.beginPath();
      case EmfRecord::kEndPath:
        return player_.endPath();
      case EmfRecord::kCloseFigure:
        return player_.closeFigure();
      case EmfRecord::kFillPath:
        return player_.usePath(true, false);
      case EmfRecord::kStrokeAndFillPath:
        return player_.usePath(true, true);
      case EmfRecord::kStrokePath:
        return player_.usePath(false, true);
      case EmfRecord::kAbortPath:
        return player_.abortPath();
      case EmfRecord::kSelectClipPath:
        return player_.selectClipPath(rec.u32());
      case EmfRecord::kExtTextOutA:
        return extTextOut(false, whole, rec);
      case EmfRecord::kExtTextOutW:
        return extTextOut(true, whole, rec);
      case EmfRecord::kBitBlt:
        return bitBlt(false, whole, rec);
      case EmfRecord::kStretchBlt:
        return bitBlt(true, whole, rec);
      case EmfRecord::kStretchDiBits:
        return stretchDiBits(whole, rec);
      case EmfRecord::kSetDiBitsToDevice:
        return setDiBitsToDevice(whole, rec);
      case EmfRecord::kHeader:
      case EmfRecord::kEof:
        break;
    }
  }

 private:
  // Where a record keeps its bitmap: header and bits, each as offset and size.
  struct DibPlace {
    std::uint32_t offInfo, infoBytes, offBits, bitsBytes;
  };
  static DibPlace ReadDibPlace(ByteReader& rec) {
    DibPlace p;
    p.offInfo = rec.u32(), p.infoBytes = rec.u32(), p.offBits = rec.u32(), p.bitsBytes = rec.u32();
    return p;
  }
  Dib bitmap(std::span<const std::uint8_t> whole, const DibPlace& p) const {
    return DecodeDibInRecord(whole, p.offInfo, p.infoBytes, p.offBits, p.bitsBytes, limits_);
  }

  void poly(PolyOp::Kind kind, bool small, ByteReader& rec) {
    rec.skip(16);  // bounds
    const std::size_t n = rec.u32();
    player_.play(PolyOp{kind, ReadPoints(rec, n, small)});
  }
  void polyPoly(bool closed, bool small, ByteReader& rec) {
    rec.skip(16);  // bounds
    PolyPolyOp op;
    op.closed = closed;
    const std::size_t polys = rec.u32();
    const std::size_t total = rec.u32();
    if (polys > rec.remaining() / 4) rec.truncated();
    op.counts.resize(polys);
    std::size_t sum = 0;
    for (auto& c : op.counts) sum += (c = rec.u32());
    if (sum != total) Corrupt("a poly-polygon's counts do not add up");
    op.points = ReadPoints(rec, total, small);
    player_.play(op);
  }
  void polyDraw(bool small, ByteReader& rec) {
    rec.skip(16);  // bounds
    const std::size_t n = rec.u32();
    const std::vector<Point> pts = ReadPoints(rec, n, small);
    player_.polyDraw(pts, rec.bytes(n));
  }

  void setPage(PageValue value, ByteReader& rec) {
    const Point p = ReadPoint(rec);
    player_.setPage(value, p.x, p.y);
  }
  void scalePage(PageValue value, ByteReader& rec) {
    const double xn = rec.i32(), xd = rec.i32(), yn = rec.i32(), yd = rec.i32();
    player_.scalePage(value, xn, xd, yn, yd);
  }
  void modifyWorldTransform(ByteReader& rec) {
    const Affine t = ReadXform(rec);
    player_.modifyWorldTransform(t, rec.u32());
  }
  // Only the reset to no clipping is kept.
  void extSelectClipRgn(ByteReader& rec) {
    const std::uint32_t size = rec.u32(), mode = rec.u32();
    if (mode == kRegionCopy || size == 0) player_.resetClip();
  }

  void createPen(ByteReader& rec) {
    const std::uint32_t h = rec.u32();
    const std::uint32_t style = rec.u32();
    const double width = rec.i32();
    rec.skip(4);  // the unused height of the width point
    player_.storeObject(
        h, PenObject(MakePen(style, std::abs(width), player_.colour(rec.u32()), false)));
  }
  void extCreatePen(ByteReader& rec) {
    const std::uint32_t h = rec.u32();
    rec.skip(16);  // bitmap offsets and sizes
    const std::uint32_t style = rec.u32();
    const double width = rec.u32();
    const std::uint32_t brushStyle = rec.u32();
    const TColor c = player_.colour(rec.u32());
    // Style bits 16-19: 0 cosmetic, 1 geometric.
    LogPen pen = MakePen(style, width, c, ((style >> 16) & 0xF) == 0);
    if (brushStyle == 1) pen.style = PenStyle::kNull;  // a hollow brush
    player_.storeObject(h, PenObject(pen));
  }
  void createBrush(ByteReader& rec) {
    const std::uint32_t h = rec.u32();
    const std::uint32_t style = rec.u32();
    const TColor c = player_.colour(rec.u32());
    player_.storeObject(h, BrushObject(MakeBrush(style, c, rec.u32())));
  }
  void createPatternBrush(std::span<const std::uint8_t> whole, ByteReader& rec) {
    const std::uint32_t h = rec.u32();
    rec.skip(4);  // colour usage
    Brush b;
    b.style = BrushStyle::kPattern;
    b.pattern = bitmap(whole, ReadDibPlace(rec)).picture;
    if (!b.pattern) b = MakeBrush(0, MakeColour(128, 128, 128), 0);
    player_.storeObject(h, BrushObject(std::move(b)));
  }
  void createFont(ByteReader& rec) {
    const std::uint32_t h = rec.u32();
    Object o;
    o.kind = Object::Kind::kFont;
    o.font = ReadLogFont(rec, true);
    std::u16string face;
    for (int i = 0; i < 32 && rec.remaining() >= 2; ++i) {
      const char16_t c = rec.u16();
      if (c == 0) break;
      face.push_back(c);
    }
    o.font.font.face = Utf16ToUtf8(face);
    player_.storeObject(h, std::move(o));
  }
  void createPalette(ByteReader& rec) {
    const std::uint32_t h = rec.u32();
    Object o;
    o.kind = Object::Kind::kPalette;
    o.palette = ReadPaletteEntries(rec);
    player_.storeObject(h, std::move(o));
  }

  void roundRect(ByteReader& rec) {
    const Box box = ReadBox(rec);
    const double w = rec.i32(), h = rec.i32();
    player_.play(BoxOp{BoxOp::Shape::kRoundRect, box, w, h});
  }
  void arc(ArcOp::Kind kind, ByteReader& rec) {
    ArcOp op;
    op.kind = kind;
    op.box = ReadBox(rec);
    op.start = ReadPoint(rec);
    op.end = ReadPoint(rec);
    player_.play(op);
  }
  void angleArc(ByteReader& rec) {
    const Point centre = ReadPoint(rec);
    const double radius = rec.u32();
    const double start = ReadFloat(rec), sweep = ReadFloat(rec);
    player_.angleArc(centre, radius, start, sweep);
  }
  void setPixel(ByteReader& rec) {
    const Point at = ReadPoint(rec);
    player_.setPixel(at, player_.colour(rec.u32()));
  }

  void extTextOut(bool wide, std::span<const std::uint8_t> whole, ByteReader& rec) {
    rec.skip(16);  // bounds
    rec.skip(12);  // graphics mode, x and y scale
    TextOp op;
    op.at = ReadPoint(rec);
    const std::uint32_t n = rec.u32(), offString = rec.u32();
    op.options = rec.u32();
    op.box = ReadBox(rec);
    const std::uint32_t offDx = rec.u32();
    const std::size_t unit = wide ? 2 : 1;
    if (offString > whole.size() || n > (whole.size() - offString) / unit)
      Corrupt("a text lies outside its record");
    const auto bytes = whole.subspan(offString, n * unit);
    if (wide) {
      for (std::size_t i = 0; i < n; ++i)
        op.text.push_back(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    } else {
      op.text = DecodeAnsi(bytes, player_.charset());
    }
    if (offDx != 0 && offDx <= whole.size() && n <= (whole.size() - offDx) / 4) {
      ByteReader dx(whole.subspan(offDx, n * 4), kWhat);
      for (std::uint32_t i = 0; i < n; ++i) op.advances.push_back(dx.i32());
    }
    // Glyph numbers of the recording machine's font mean nothing without that font: only the
    // opaque box is drawn.
    if (op.options & kTextGlyphIndices) op.text.clear(), op.advances.clear();
    player_.play(op);
  }

  void bitBlt(bool stretch, std::span<const std::uint8_t> whole, ByteReader& rec) {
    rec.skip(16);  // bounds
    BlitOp op;
    op.dx = rec.i32(), op.dy = rec.i32(), op.dw = rec.i32(), op.dh = rec.i32();
    op.rop = rec.u32();
    op.sx = rec.i32(), op.sy = rec.i32();
    rec.skip(24);  // the source's transform
    rec.skip(8);   // background colour, colour usage
    const DibPlace place = ReadDibPlace(rec);
    op.sw = op.dw, op.sh = op.dh;
    if (stretch) op.sw = rec.i32(), op.sh = rec.i32();
    op.source = bitmap(whole, place);
    player_.play(op);
  }
  void stretchDiBits(std::span<const std::uint8_t> whole, ByteReader& rec) {
    rec.skip(16);  // bounds
    BlitOp op;
    op.dx = rec.i32(), op.dy = rec.i32(), op.sx = rec.i32(), op.sy = rec.i32();
    op.sw = rec.i32(), op.sh = rec.i32();
    const DibPlace place = ReadDibPlace(rec);
    rec.skip(4);  // colour usage
    op.rop = rec.u32();
    op.dw = rec.i32(), op.dh = rec.i32();
    op.source = bitmap(whole, place);
    player_.play(op);
  }
  void setDiBitsToDevice(std::span<const std::uint8_t> whole, ByteReader& rec) {
    rec.skip(16);  // bounds
    SetBitsOp op;
    op.dx = rec.i32(), op.dy = rec.i32(), op.sx = rec.i32(), op.sy = rec.i32();
    op.w = rec.i32(), op.h = rec.i32();
    const DibPlace place = ReadDibPlace(rec);
    rec.skip(4);  // colour usage
    op.first = static_cast<int>(rec.u32());
    rec.skip(4);  // the number of rows held: the bitmap's own height says it
    op.source = bitmap(whole, place);
    player_.play(op);
  }

  Player& player_;
  const DecodeLimits& limits_;
};

}  // namespace

void PlayEnhancedRecords(std::span<const std::uint8_t> file, Player& player,
                         const DecodeLimits& limits) {
  ByteReader head(file, kWhat);
  head.skip(8);
  head.skip(16);  // bounds
  const Box frame = ReadBox(head);
  head.seek(48);
  const std::uint32_t handles = head.u16();
  head.seek(72);
  const double devW = head.i32(), devH = head.i32(), mmW = head.i32(), mmH = head.i32();
  player.startEnhanced(frame, devW, devH, mmW, mmH, handles);

  EmfReader reader(player, limits);
  ByteReader in(file, kWhat);
  while (in.remaining() > 0) {
    if (in.remaining() < 8) in.truncated();
    const std::size_t at = in.position();
    const auto type = static_cast<EmfRecord>(in.u32());
    const std::uint32_t bytes = in.u32();
    if (bytes < 8 || bytes % 4 != 0) Corrupt("a record has an impossible length");
    if (bytes - 8 > in.remaining()) in.truncated();
    const auto whole = file.subspan(at, bytes);
    ByteReader rec(whole, kWhat);
    rec.skip(8);
    in.skip(bytes - 8);
    if (type == EmfRecord::kEof) break;
    reader.play(type, whole, rec);
  }
}

}  // namespace drollo::formats::meta
