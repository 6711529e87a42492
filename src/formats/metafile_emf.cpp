// The enhanced metafile's records: 32-bit parameters in order (16-bit points in the ...16 forms),
// bitmaps and strings at offsets from the record's start. The records the old form has too are
// played by PlayShared; the others have a handler each here.
#include <algorithm>
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

struct Context {
  Player& player;
  const DecodeLimits& limits;
  std::span<const std::uint8_t> whole;  // the record with its type and size: offsets count from it
};

// Where a record keeps its bitmap: header and bits, each as offset and size.
struct DibPlace {
  std::uint32_t offInfo, infoBytes, offBits, bitsBytes;
};

DibPlace ReadDibPlace(ByteReader& rec) {
  DibPlace p;
  p.offInfo = rec.u32(), p.infoBytes = rec.u32(), p.offBits = rec.u32(), p.bitsBytes = rec.u32();
  return p;
}

Dib DecodeBitmap(const Context& c, const DibPlace& p) {
  return DecodeDibInRecord(c.whole, p.offInfo, p.infoBytes, p.offBits, p.bitsBytes, c.limits);
}

template <PolyOp::Kind kind, bool small>
void Poly(Context& c, ByteReader& rec) {
  rec.skip(16);  // bounds
  const std::size_t n = rec.u32();
  c.player.play(PolyOp{kind, ReadPoints(rec, n, small)});
}

template <bool closed, bool small>
void PolyPoly(Context& c, ByteReader& rec) {
  rec.skip(16);  // bounds
  PolyPolyOp op;
  op.closed = closed;
  const std::size_t polys = rec.u32();
  const std::size_t total = rec.u32();
  if (polys > rec.remaining() / 4) rec.truncated();
  op.counts.resize(polys);
  std::size_t sum = 0;
  for (auto& n : op.counts) sum += (n = rec.u32());
  if (sum != total) Corrupt("a poly-polygon's counts do not add up");
  op.points = ReadPoints(rec, total, small);
  c.player.play(op);
}

template <bool small>
void PolyDraw(Context& c, ByteReader& rec) {
  rec.skip(16);  // bounds
  const std::size_t n = rec.u32();
  const std::vector<Point> pts = ReadPoints(rec, n, small);
  c.player.polyDraw(pts, rec.bytes(n));
}

void ModifyWorldTransform(Context& c, ByteReader& rec) {
  const Affine t = ReadXform(rec);
  c.player.modifyWorldTransform(t, rec.u32());
}

// Only the reset to no clipping is kept.
void ExtSelectClipRgn(Context& c, ByteReader& rec) {
  const std::uint32_t size = rec.u32(), mode = rec.u32();
  if (mode == kRegionCopy || size == 0) c.player.resetClip();
}

void CreatePen(Context& c, ByteReader& rec) {
  const std::uint32_t h = rec.u32();
  const std::uint32_t style = rec.u32();
  const double width = rec.i32();
  rec.skip(4);  // the unused height of the width point
  c.player.storeObject(h, MakePen(style, std::abs(width), c.player.colour(rec.u32()), false));
}

void ExtCreatePen(Context& c, ByteReader& rec) {
  const std::uint32_t h = rec.u32();
  rec.skip(16);  // bitmap offsets and sizes
  const std::uint32_t style = rec.u32();
  const double width = rec.u32();
  const std::uint32_t brushStyle = rec.u32();
  const TColor colour = c.player.colour(rec.u32());
  // Style bits 16-19: 0 cosmetic, 1 geometric.
  LogPen pen = MakePen(style, width, colour, ((style >> 16) & 0xF) == 0);
  if (brushStyle == 1) pen.style = PenStyle::kNull;  // a hollow brush
  c.player.storeObject(h, pen);
}

void CreateBrush(Context& c, ByteReader& rec) {
  const std::uint32_t h = rec.u32();
  const std::uint32_t style = rec.u32();
  const TColor colour = c.player.colour(rec.u32());
  c.player.storeObject(h, MakeBrush(style, colour, rec.u32()));
}

void CreatePatternBrush(Context& c, ByteReader& rec) {
  const std::uint32_t h = rec.u32();
  rec.skip(4);  // colour usage
  Brush b;
  b.style = BrushStyle::kPattern;
  b.pattern = DecodeBitmap(c, ReadDibPlace(rec)).picture;
  if (!b.pattern) b = MakeBrush(0, MakeColour(128, 128, 128), 0);
  c.player.storeObject(h, std::move(b));
}

void CreateFont(Context& c, ByteReader& rec) {
  const std::uint32_t h = rec.u32();
  LogFont font = ReadLogFont(rec, true);
  std::u16string face;
  for (int i = 0; i < 32 && rec.remaining() >= 2; ++i) {
    const char16_t ch = rec.u16();
    if (ch == 0) break;
    face.push_back(ch);
  }
  font.font.face = Utf16ToUtf8(face);
  c.player.storeObject(h, std::move(font));
}

void CreatePalette(Context& c, ByteReader& rec) {
  const std::uint32_t h = rec.u32();
  c.player.storeObject(h, ReadPaletteEntries(rec));
}

void AngleArc(Context& c, ByteReader& rec) {
  const Point centre = ReadPoint(rec);
  const double radius = rec.u32();
  const double start = ReadFloat(rec), sweep = ReadFloat(rec);
  c.player.angleArc(centre, radius, start, sweep);
}

template <bool wide>
void ExtTextOut(Context& c, ByteReader& rec) {
  rec.skip(16);  // bounds
  rec.skip(12);  // graphics mode, x and y scale
  TextOp op;
  op.at = ReadPoint(rec);
  const std::uint32_t n = rec.u32(), offString = rec.u32();
  op.options = rec.u32();
  op.box = ReadBox(rec);
  const std::uint32_t offDx = rec.u32();
  const std::span<const std::uint8_t> whole = c.whole;
  const std::size_t unit = wide ? 2 : 1;
  if (offString > whole.size() || n > (whole.size() - offString) / unit)
    Corrupt("a text lies outside its record");
  const auto bytes = whole.subspan(offString, n * unit);
  if (wide) {
    for (std::size_t i = 0; i < n; ++i)
      op.text.push_back(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
  } else {
    op.text = DecodeAnsi(bytes, c.player.charset());
  }
  if (offDx != 0 && offDx <= whole.size() && n <= (whole.size() - offDx) / 4) {
    ByteReader dx(whole.subspan(offDx, n * 4), kWhat);
    for (std::uint32_t i = 0; i < n; ++i) op.advances.push_back(dx.i32());
  }
  // Glyph numbers of the recording machine's font mean nothing without that font: only the
  // opaque box is drawn.
  if (op.options & kTextGlyphIndices) op.text.clear(), op.advances.clear();
  c.player.play(op);
}

template <bool stretch>
void BitBlt(Context& c, ByteReader& rec) {
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
  op.source = DecodeBitmap(c, place);
  c.player.play(op);
}

// StretchDIBits and SetDIBitsToDevice begin alike: bounds, destination and source corners, the
// source's size, where the bitmap lies and its colour usage.
template <bool stretch>
void DibRecord(Context& c, ByteReader& rec) {
  rec.skip(16);  // bounds
  const Point to = ReadPoint(rec), from = ReadPoint(rec);
  const double w = rec.i32(), h = rec.i32();
  const DibPlace place = ReadDibPlace(rec);
  rec.skip(4);  // colour usage
  if constexpr (stretch) {
    BlitOp op{{}, from.x, from.y, w, h, to.x, to.y, 0, 0, rec.u32()};
    op.dw = rec.i32(), op.dh = rec.i32();
    op.source = DecodeBitmap(c, place);
    return c.player.play(op);
  }
  SetBitsOp op{{}, static_cast<int>(rec.u32()), from.x, from.y, w, h, to.x, to.y};
  rec.skip(4);  // the number of rows held: the bitmap's own height says it
  op.source = DecodeBitmap(c, place);
  c.player.play(op);
}

// Records both forms share.
struct SharedEntry {
  EmfRecord record;
  SharedRecord shared;
};
constexpr SharedEntry kShared[] = {
    {EmfRecord::kSetWindowExtEx, SharedRecord::kSetWindowExt},
    {EmfRecord::kSetWindowOrgEx, SharedRecord::kSetWindowOrg},
    {EmfRecord::kSetViewportExtEx, SharedRecord::kSetViewportExt},
    {EmfRecord::kSetViewportOrgEx, SharedRecord::kSetViewportOrg},
    {EmfRecord::kSetPixelV, SharedRecord::kSetPixel},
    {EmfRecord::kSetMapMode, SharedRecord::kSetMapMode},
    {EmfRecord::kSetBkMode, SharedRecord::kSetBkMode},
    {EmfRecord::kSetPolyFillMode, SharedRecord::kSetFillMode},
    {EmfRecord::kSetTextAlign, SharedRecord::kSetTextAlign},
    {EmfRecord::kSetTextColor, SharedRecord::kSetTextColour},
    {EmfRecord::kSetBkColor, SharedRecord::kSetBkColour},
    {EmfRecord::kMoveToEx, SharedRecord::kMoveTo},
    {EmfRecord::kIntersectClipRect, SharedRecord::kIntersectClip},
    {EmfRecord::kScaleViewportExtEx, SharedRecord::kScaleViewportExt},
    {EmfRecord::kScaleWindowExtEx, SharedRecord::kScaleWindowExt},
    {EmfRecord::kSaveDc, SharedRecord::kSaveDc},
    {EmfRecord::kRestoreDc, SharedRecord::kRestoreDc},
    {EmfRecord::kSelectObject, SharedRecord::kSelectObject},
    {EmfRecord::kDeleteObject, SharedRecord::kDeleteObject},
    {EmfRecord::kEllipse, SharedRecord::kEllipse},
    {EmfRecord::kRectangle, SharedRecord::kRectangle},
    {EmfRecord::kRoundRect, SharedRecord::kRoundRect},
    {EmfRecord::kArc, SharedRecord::kArc},
    {EmfRecord::kChord, SharedRecord::kChord},
    {EmfRecord::kPie, SharedRecord::kPie},
    {EmfRecord::kSelectPalette, SharedRecord::kSelectObject},
    {EmfRecord::kLineTo, SharedRecord::kLineTo},
    {EmfRecord::kArcTo, SharedRecord::kArcTo},
};
static_assert(std::ranges::is_sorted(kShared, {}, &SharedEntry::record));

// The records only enhanced files have, one handler each.
using Handler = void (*)(Context&, ByteReader&);
struct Entry {
  EmfRecord record;
  Handler play;
};
using Kind = PolyOp::Kind;
constexpr Entry kHandlers[] = {
    {EmfRecord::kPolyBezier, Poly<Kind::kPolyBezier, false>},
    {EmfRecord::kPolygon, Poly<Kind::kPolygon, false>},
    {EmfRecord::kPolyline, Poly<Kind::kPolyline, false>},
    {EmfRecord::kPolyBezierTo, Poly<Kind::kPolyBezierTo, false>},
    {EmfRecord::kPolylineTo, Poly<Kind::kPolylineTo, false>},
    {EmfRecord::kPolyPolyline, PolyPoly<false, false>},
    {EmfRecord::kPolyPolygon, PolyPoly<true, false>},
    {EmfRecord::kSetWorldTransform,
     [](Context& c, ByteReader& rec) { c.player.setWorldTransform(ReadXform(rec)); }},
    {EmfRecord::kModifyWorldTransform, ModifyWorldTransform},
    {EmfRecord::kCreatePen, CreatePen},
    {EmfRecord::kCreateBrushIndirect, CreateBrush},
    {EmfRecord::kAngleArc, AngleArc},
    {EmfRecord::kCreatePalette, CreatePalette},
    {EmfRecord::kPolyDraw, PolyDraw<false>},
    {EmfRecord::kSetArcDirection,
     [](Context& c, ByteReader& rec) { c.player.setArcDirection(rec.u32()); }},
    {EmfRecord::kBeginPath, [](Context& c, ByteReader&) { c.player.beginPath(); }},
    {EmfRecord::kEndPath, [](Context& c, ByteReader&) { c.player.endPath(); }},
    {EmfRecord::kCloseFigure, [](Context& c, ByteReader&) { c.player.closeFigure(); }},
    {EmfRecord::kFillPath, [](Context& c, ByteReader&) { c.player.usePath(true, false); }},
    {EmfRecord::kStrokeAndFillPath, [](Context& c, ByteReader&) { c.player.usePath(true, true); }},
    {EmfRecord::kStrokePath, [](Context& c, ByteReader&) { c.player.usePath(false, true); }},
    {EmfRecord::kSelectClipPath,
     [](Context& c, ByteReader& rec) { c.player.selectClipPath(rec.u32()); }},
    {EmfRecord::kAbortPath, [](Context& c, ByteReader&) { c.player.abortPath(); }},
    {EmfRecord::kExtSelectClipRgn, ExtSelectClipRgn},
    {EmfRecord::kBitBlt, BitBlt<false>},
    {EmfRecord::kStretchBlt, BitBlt<true>},
    {EmfRecord::kSetDiBitsToDevice, DibRecord<false>},
    {EmfRecord::kStretchDiBits, DibRecord<true>},
    {EmfRecord::kExtCreateFontIndirectW, CreateFont},
    {EmfRecord::kExtTextOutA, ExtTextOut<false>},
    {EmfRecord::kExtTextOutW, ExtTextOut<true>},
    {EmfRecord::kPolyBezier16, Poly<Kind::kPolyBezier, true>},
    {EmfRecord::kPolygon16, Poly<Kind::kPolygon, true>},
    {EmfRecord::kPolyline16, Poly<Kind::kPolyline, true>},
    {EmfRecord::kPolyBezierTo16, Poly<Kind::kPolyBezierTo, true>},
    {EmfRecord::kPolylineTo16, Poly<Kind::kPolylineTo, true>},
    {EmfRecord::kPolyPolyline16, PolyPoly<false, true>},
    {EmfRecord::kPolyPolygon16, PolyPoly<true, true>},
    {EmfRecord::kPolyDraw16, PolyDraw<true>},
    {EmfRecord::kCreateMonoBrush, CreatePatternBrush},
    {EmfRecord::kCreateDibPatternBrushPt, CreatePatternBrush},
    {EmfRecord::kExtCreatePen, ExtCreatePen},
};
static_assert(std::ranges::is_sorted(kHandlers, {}, &Entry::record));

// Plays one record; records not listed do not draw, or this player does not know them.
void Play(Context& c, EmfRecord record, ByteReader& rec) {
  const auto* shared = std::ranges::lower_bound(kShared, record, {}, &SharedEntry::record);
  if (shared != std::end(kShared) && shared->record == record) {
    Fields fields = Fields::Enhanced(rec);
    return PlayShared(shared->shared, fields, c.player);
  }
  const auto* own = std::ranges::lower_bound(kHandlers, record, {}, &Entry::record);
  if (own != std::end(kHandlers) && own->record == record) own->play(c, rec);
}

}  // namespace

void PlayEnhancedRecords(std::span<const std::uint8_t> file, Player& player,
                         const DecodeLimits& limits) {
  ByteReader head(file, kWhat);
  head.skip(8);
  head.skip(16);  // bounds
  const Box frame = ReadBox(head);
  head.seek(72);
  const double devW = head.i32(), devH = head.i32(), mmW = head.i32(), mmH = head.i32();
  player.startEnhanced(frame, devW, devH, mmW, mmH);

  Context context{player, limits, {}};
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
    context.whole = whole;
    Play(context, type, rec);
  }
}

}  // namespace drollo::formats::meta
