// The old metafile's records: 16-bit parameters, stored last parameter first, decoded into the
// player's operations.
#include <algorithm>
#include <cmath>

#include "formats/metafile_play.h"

namespace drollo::formats::meta {
namespace {

Point ReadPoint(ByteReader& rec) {
  const double y = rec.i16(), x = rec.i16();
  return {x, y};
}

Box ReadBox(ByteReader& rec) {
  const double b = rec.i16(), r = rec.i16(), t = rec.i16(), l = rec.i16();
  return {l, t, r, b};
}

class WmfReader {
 public:
  WmfReader(Player& player, const DecodeLimits& limits) : player_(player), limits_(limits) {}

  void play(WmfRecord function, std::uint32_t words, ByteReader& rec) {
    switch (function) {
      case WmfRecord::kSaveDc:
        return player_.save();
      case WmfRecord::kRestoreDc:
        return player_.restore(rec.i16());
      case WmfRecord::kSetMapMode:
        return player_.setMapMode(rec.u16());
      case WmfRecord::kSetBkMode:
        return player_.setBkMode(rec.u16());
      case WmfRecord::kSetBkColor:
        return player_.setBkColour(rec.u32());
      case WmfRecord::kSetTextColor:
        return player_.setTextColour(rec.u32());
      case WmfRecord::kSetPolyFillMode:
        return player_.setFillMode(rec.u16());
      case WmfRecord::kSetTextAlign:
        return player_.setTextAlign(rec.u16());
      case WmfRecord::kSetWindowOrg:
        return setPage(PageValue::kWindowOrigin, rec);
      case WmfRecord::kSetWindowExt:
        return setPage(PageValue::kWindowExtent, rec);
      case WmfRecord::kSetViewportOrg:
        return setPage(PageValue::kViewportOrigin, rec);
      case WmfRecord::kSetViewportExt:
        return setPage(PageValue::kViewportExtent, rec);
      case WmfRecord::kOffsetWindowOrg:
        return offsetPage(PageValue::kWindowOrigin, rec);
      case WmfRecord::kOffsetViewportOrg:
        return offsetPage(PageValue::kViewportOrigin, rec);
      case WmfRecord::kScaleWindowExt:
        return scalePage(PageValue::kWindowExtent, rec);
      case WmfRecord::kScaleViewportExt:
        return scalePage(PageValue::kViewportExtent, rec);
      case WmfRecord::kMoveTo:
        return player_.moveTo(ReadPoint(rec));
      case WmfRecord::kLineTo:
        return player_.lineTo(ReadPoint(rec));
      case WmfRecord::kPolygon:
        return poly(PolyOp::Kind::kPolygon, rec);
      case WmfRecord::kPolyline:
        return poly(PolyOp::Kind::kPolyline, rec);
      case WmfRecord::kPolyPolygon:
        return polyPolygon(rec);
      case WmfRecord::kRectangle:
        return player_.play(BoxOp{BoxOp::Shape::kRectangle, ReadBox(rec)});
      case WmfRecord::kEllipse:
        return player_.play(BoxOp{BoxOp::Shape::kEllipse, ReadBox(rec)});
      case WmfRecord::kRoundRect:
        return roundRect(rec);
      case WmfRecord::kArc:
        return arc(ArcOp::Kind::kArc, rec);
      case WmfRecord::kPie:
        return arc(ArcOp::Kind::kPie, rec);
      case WmfRecord::kChord:
        return arc(ArcOp::Kind::kChord, rec);
      case WmfRecord::kSetPixel:
        return setPixel(rec);
      case WmfRecord::kTextOut:
        return textOut(rec);
      case WmfRecord::kExtTextOut:
        return extTextOut(rec);
      case WmfRecord::kCreatePenIndirect:
        return createPen(rec);
      case WmfRecord::kCreateBrushIndirect:
        return createBrush(rec);
      case WmfRecord::kDibCreatePatternBrush:
        return createDibPatternBrush(rec);
      case WmfRecord::kCreatePatternBrush:  // from a device-dependent bitmap: shown as mid grey
        return player_.addObject(BrushObject(MakeBrush(0, MakeColour(128, 128, 128), 0)));
      case WmfRecord::kCreateFontIndirect:
        return createFont(rec);
      case WmfRecord::kCreatePalette:
        return createPalette(rec);
      case WmfRecord::kCreateRegion:
      case WmfRecord::kCreateOldObject:
        return player_.addObject(Object{});
      case WmfRecord::kSelectObject:
      case WmfRecord::kSelectPalette:
        return player_.selectObject(rec.u16());
      case WmfRecord::kDeleteObject:
        return player_.deleteObject(rec.u16());
      case WmfRecord::kIntersectClipRect:
        return player_.intersectClip(ReadBox(rec));
      case WmfRecord::kExcludeClipRect:  // not kept, the drawing stays whole
        ReadBox(rec);
        return;
      case WmfRecord::kSelectClipRegion:  // back to the whole picture
        return player_.resetClip();
      case WmfRecord::kPatBlt:
        return patBlt(rec);
      case WmfRecord::kDibBitBlt:
        return dibBitBlt(rec, words);
      case WmfRecord::kDibStretchBlt:
        return dibStretchBlt(rec, words);
      case WmfRecord::kStretchDib:
        return stretchDib(rec);
      case WmfRecord::kSetDibToDev:
        return setDibToDev(rec);
      case WmfRecord::kEof:
        break;
    }
    // Records that do not draw, or that this player does not know.
  }

 private:
  void setPage(PageValue value, ByteReader& rec) {
    const Point p = ReadPoint(rec);
    player_.setPage(value, p.x, p.y);
  }
  void offsetPage(PageValue value, ByteReader& rec) {
    const Point p = ReadPoint(rec);
    player_.offsetPage(value, p.x, p.y);
  }
  void scalePage(PageValue value, ByteReader& rec) {
    const double yd = rec.i16(), yn = rec.i16(), xd = rec.i16(), xn = rec.i16();
    player_.scalePage(value, xn, xd, yn, yd);
  }

  void poly(PolyOp::Kind kind, ByteReader& rec) {
    const std::size_t n = rec.u16();
    player_.play(PolyOp{kind, ReadPoints(rec, n, true)});
  }
  void polyPolygon(ByteReader& rec) {
    PolyPolyOp op;
    const std::size_t polygons = rec.u16();
    if (polygons * 2 > rec.remaining()) rec.truncated();
    op.counts.resize(polygons);
    std::size_t total = 0;
    for (auto& c : op.counts) total += (c = rec.u16());
    op.points = ReadPoints(rec, total, true);
    player_.play(op);
  }
  void roundRect(ByteReader& rec) {
    const double h = rec.i16(), w = rec.i16();
    player_.play(BoxOp{BoxOp::Shape::kRoundRect, ReadBox(rec), w, h});
  }
  void arc(ArcOp::Kind kind, ByteReader& rec) {
    ArcOp op;
    op.kind = kind;
    op.end = ReadPoint(rec);
    op.start = ReadPoint(rec);
    op.box = ReadBox(rec);
    player_.play(op);
  }
  void setPixel(ByteReader& rec) {
    const TColor c = player_.colour(rec.u32());
    player_.setPixel(ReadPoint(rec), c);
  }

  void textOut(ByteReader& rec) {
    TextOp op;
    const std::size_t n = rec.u16();
    const auto bytes = rec.bytes(n);
    rec.skip(n & 1);
    op.at = ReadPoint(rec);
    op.text = DecodeAnsi(bytes, player_.charset());
    player_.play(op);
  }
  void extTextOut(ByteReader& rec) {
    TextOp op;
    op.at = ReadPoint(rec);
    const std::size_t n = rec.u16();
    op.options = rec.u16();
    if (op.options & (kTextOpaque | kTextClipped)) {
      const double l = rec.i16(), t = rec.i16(), r = rec.i16(), b = rec.i16();
      op.box = {l, t, r, b};
    }
    const auto bytes = rec.bytes(n);
    rec.skip(n & 1);
    if (rec.remaining() >= n * 2)
      for (std::size_t i = 0; i < n; ++i) op.advances.push_back(rec.i16());
    op.text = DecodeAnsi(bytes, player_.charset());
    player_.play(op);
  }

  void createPen(ByteReader& rec) {
    const std::uint16_t style = rec.u16();
    const double width = rec.i16();
    rec.skip(2);  // the unused height of the width point
    player_.addObject(PenObject(MakePen(style, std::abs(width), player_.colour(rec.u32()), false)));
  }
  void createBrush(ByteReader& rec) {
    const std::uint16_t style = rec.u16();
    const TColor c = player_.colour(rec.u32());
    player_.addObject(BrushObject(MakeBrush(style, c, rec.u16())));
  }
  void createDibPatternBrush(ByteReader& rec) {
    rec.skip(4);  // style, colour usage
    Brush b;
    b.style = BrushStyle::kPattern;
    b.pattern = DecodePackedDib(rec.bytes(rec.remaining()), limits_).picture;
    player_.addObject(BrushObject(std::move(b)));
  }
  void createFont(ByteReader& rec) {
    Object o;
    o.kind = Object::Kind::kFont;
    o.font = ReadLogFont(rec, false);
    const auto name = rec.bytes(std::min<std::size_t>(rec.remaining(), 32));
    std::size_t len = 0;
    while (len < name.size() && name[len] != 0) ++len;
    o.font.font.face = Utf16ToUtf8(DecodeAnsi(name.first(len), o.font.font.charset));
    player_.addObject(std::move(o));
  }
  void createPalette(ByteReader& rec) {
    Object o;
    o.kind = Object::Kind::kPalette;
    o.palette = ReadPaletteEntries(rec);
    player_.addObject(std::move(o));
  }

  void patBlt(ByteReader& rec) {
    BlitOp op;
    op.rop = rec.u32();
    op.dh = rec.i16(), op.dw = rec.i16(), op.dy = rec.i16(), op.dx = rec.i16();
    player_.play(op);
  }
  // The bitmap blits without a bitmap (records of the shortest length) use the brush.
  void dibBitBlt(ByteReader& rec, std::uint32_t words) {
    BlitOp op;
    op.rop = rec.u32();
    const bool hasBitmap = words != 12u;
    if (!hasBitmap) rec.skip(2);
    op.sy = rec.i16(), op.sx = rec.i16(), op.sh = rec.i16(), op.sw = rec.i16();
    op.dy = rec.i16(), op.dx = rec.i16();
    op.dw = op.sw, op.dh = op.sh;
    if (hasBitmap) op.source = DecodePackedDib(rec.bytes(rec.remaining()), limits_);
    player_.play(op);
  }
  void dibStretchBlt(ByteReader& rec, std::uint32_t words) {
    BlitOp op;
    op.rop = rec.u32();
    const bool hasBitmap = words != 14u;
    if (!hasBitmap) rec.skip(2);
    readStretch(rec, op);
    if (hasBitmap) op.source = DecodePackedDib(rec.bytes(rec.remaining()), limits_);
    player_.play(op);
  }
  void stretchDib(ByteReader& rec) {
    BlitOp op;
    op.rop = rec.u32();
    rec.skip(2);  // colour usage
    readStretch(rec, op);
    op.source = DecodePackedDib(rec.bytes(rec.remaining()), limits_);
    player_.play(op);
  }
  static void readStretch(ByteReader& rec, BlitOp& op) {
    op.sh = rec.i16(), op.sw = rec.i16(), op.sy = rec.i16(), op.sx = rec.i16();
    op.dh = rec.i16(), op.dw = rec.i16(), op.dy = rec.i16(), op.dx = rec.i16();
  }
  void setDibToDev(ByteReader& rec) {
    SetBitsOp op;
    rec.skip(2);  // colour usage
    rec.skip(2);  // the number of rows held: the bitmap's own height says it
    op.first = rec.u16();
    op.sy = rec.i16(), op.sx = rec.i16(), op.h = rec.i16(), op.w = rec.i16();
    op.dy = rec.i16(), op.dx = rec.i16();
    op.source = DecodePackedDib(rec.bytes(rec.remaining()), limits_);
    player_.play(op);
  }

  Player& player_;
  const DecodeLimits& limits_;
};

}  // namespace

void PlayOldRecords(std::span<const std::uint8_t> file, const MetafileSize& size, Player& player,
                    const DecodeLimits& limits) {
  ByteReader in(file, kWhat);
  std::optional<Box> placeable;
  if (size.kind == MetafileKind::kPlaceable) {
    in.skip(6);
    const double l = in.i16(), t = in.i16(), r = in.i16(), b = in.i16();
    in.skip(8);
    placeable = Box{l, t, r, b};
  }
  const std::size_t start = in.position();
  in.skip(10);
  const std::uint16_t objects = in.u16();
  in.seek(start + 18);
  player.startOld(placeable, objects);

  WmfReader reader(player, limits);
  while (in.remaining() > 0) {
    if (in.remaining() < 6) in.truncated();
    const std::uint32_t words = in.u32();
    const auto function = static_cast<WmfRecord>(in.u16());
    if (words < 3) Corrupt("a record is shorter than its header");
    if ((words - 3) * 2ull > in.remaining()) in.truncated();
    ByteReader rec(in.bytes((words - 3) * 2ull), kWhat);
    if (function == WmfRecord::kEof) break;
    reader.play(function, words, rec);
  }
}

}  // namespace drollo::formats::meta
