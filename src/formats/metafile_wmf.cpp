// The old metafile's records: 16-bit parameters, stored last parameter first. The records the
// enhanced form has too are played by PlayShared; the others have a handler each here.
#include <algorithm>
#include <cmath>

#include "formats/metafile_play.h"

namespace drollo::formats::meta {
namespace {

struct Context {
  Player& player;
  const DecodeLimits& limits;
  std::uint32_t words = 0;  // the record's length in 16-bit words, its header included
};

Point ReadPoint(ByteReader& rec) {
  const double y = rec.i16(), x = rec.i16();
  return {x, y};
}

template <PolyOp::Kind kind>
void Poly(Context& c, ByteReader& rec) {
  const std::size_t n = rec.u16();
  c.player.play(PolyOp{kind, ReadPoints(rec, n, true)});
}

void PolyPolygon(Context& c, ByteReader& rec) {
  PolyPolyOp op;
  const std::size_t polygons = rec.u16();
  if (polygons * 2 > rec.remaining()) rec.truncated();
  op.counts.resize(polygons);
  std::size_t total = 0;
  for (auto& n : op.counts) total += (n = rec.u16());
  op.points = ReadPoints(rec, total, true);
  c.player.play(op);
}

// The characters, padded to a word.
std::u16string ReadString(Context& c, ByteReader& rec, std::size_t n) {
  const auto bytes = rec.bytes(n);
  rec.skip(n & 1);
  return DecodeAnsi(bytes, c.player.charset());
}

void TextOut(Context& c, ByteReader& rec) {
  TextOp op;
  const std::size_t n = rec.u16();
  op.text = ReadString(c, rec, n);
  op.at = ReadPoint(rec);
  c.player.play(op);
}

void ExtTextOut(Context& c, ByteReader& rec) {
  TextOp op;
  op.at = ReadPoint(rec);
  const std::size_t n = rec.u16();
  op.options = rec.u16();
  if (op.options & (kTextOpaque | kTextClipped)) {
    const double l = rec.i16(), t = rec.i16(), r = rec.i16(), b = rec.i16();
    op.box = {l, t, r, b};
  }
  op.text = ReadString(c, rec, n);
  if (rec.remaining() >= n * 2)
    for (std::size_t i = 0; i < n; ++i) op.advances.push_back(rec.i16());
  c.player.play(op);
}

void CreatePen(Context& c, ByteReader& rec) {
  const std::uint16_t style = rec.u16();
  const double width = rec.i16();
  rec.skip(2);  // the unused height of the width point
  c.player.addObject(MakePen(style, std::abs(width), c.player.colour(rec.u32()), false));
}

void CreateBrush(Context& c, ByteReader& rec) {
  const std::uint16_t style = rec.u16();
  const TColor colour = c.player.colour(rec.u32());
  c.player.addObject(MakeBrush(style, colour, rec.u16()));
}

void DibCreatePatternBrush(Context& c, ByteReader& rec) {
  rec.skip(4);  // style, colour usage
  Brush b;
  b.style = BrushStyle::kPattern;
  b.pattern = DecodePackedDib(rec.bytes(rec.remaining()), c.limits).picture;
  c.player.addObject(std::move(b));
}

void CreateFont(Context& c, ByteReader& rec) {
  LogFont font = ReadLogFont(rec, false);
  const auto name = rec.bytes(std::min<std::size_t>(rec.remaining(), 32));
  std::size_t len = 0;
  while (len < name.size() && name[len] != 0) ++len;
  font.font.face = Utf16ToUtf8(DecodeAnsi(name.first(len), font.font.charset));
  c.player.addObject(std::move(font));
}

// A bitmap record's packed bitmap fills the rest of the record.
void PlayBlit(Context& c, ByteReader& rec, BlitOp& op, bool hasBitmap) {
  if (hasBitmap) op.source = DecodePackedDib(rec.bytes(rec.remaining()), c.limits);
  c.player.play(op);
}

void PatBlt(Context& c, ByteReader& rec) {
  BlitOp op;
  op.rop = rec.u32();
  op.dh = rec.i16(), op.dw = rec.i16(), op.dy = rec.i16(), op.dx = rec.i16();
  c.player.play(op);
}

// DibBitBlt and DibStretchBlt of the shortest length hold no bitmap (a word stands in for its
// colour usage): they use the brush.
void DibBitBlt(Context& c, ByteReader& rec) {
  BlitOp op;
  op.rop = rec.u32();
  if (c.words == 12u) rec.skip(2);
  op.sy = rec.i16(), op.sx = rec.i16(), op.sh = rec.i16(), op.sw = rec.i16();
  op.dy = rec.i16(), op.dx = rec.i16(), op.dw = op.sw, op.dh = op.sh;
  PlayBlit(c, rec, op, c.words != 12u);
}

// DibStretchBlt, and StretchDib (always with a bitmap, after a word of colour usage).
void StretchBlt(Context& c, ByteReader& rec, bool skipWord, bool hasBitmap) {
  BlitOp op;
  op.rop = rec.u32();
  if (skipWord) rec.skip(2);
  op.sh = rec.i16(), op.sw = rec.i16(), op.sy = rec.i16(), op.sx = rec.i16();
  op.dh = rec.i16(), op.dw = rec.i16(), op.dy = rec.i16(), op.dx = rec.i16();
  PlayBlit(c, rec, op, hasBitmap);
}

void SetDibToDev(Context& c, ByteReader& rec) {
  SetBitsOp op;
  rec.skip(2);  // colour usage
  rec.skip(2);  // the number of rows held: the bitmap's own height says it
  op.first = rec.u16();
  op.sy = rec.i16(), op.sx = rec.i16(), op.h = rec.i16(), op.w = rec.i16();
  op.dy = rec.i16(), op.dx = rec.i16();
  op.source = DecodePackedDib(rec.bytes(rec.remaining()), c.limits);
  c.player.play(op);
}

// Records both forms share: the number of words their parameters take.
struct SharedEntry {
  WmfRecord record;
  SharedRecord shared;
  std::size_t words;
};
constexpr SharedEntry kShared[] = {
    {WmfRecord::kSaveDc, SharedRecord::kSaveDc, 0},
    {WmfRecord::kSetBkMode, SharedRecord::kSetBkMode, 1},
    {WmfRecord::kSetMapMode, SharedRecord::kSetMapMode, 1},
    {WmfRecord::kSetPolyFillMode, SharedRecord::kSetFillMode, 1},
    {WmfRecord::kRestoreDc, SharedRecord::kRestoreDc, 1},
    {WmfRecord::kSelectObject, SharedRecord::kSelectObject, 1},
    {WmfRecord::kSetTextAlign, SharedRecord::kSetTextAlign, 1},
    {WmfRecord::kDeleteObject, SharedRecord::kDeleteObject, 1},
    {WmfRecord::kSetBkColor, SharedRecord::kSetBkColour, 2},
    {WmfRecord::kSetTextColor, SharedRecord::kSetTextColour, 2},
    {WmfRecord::kSetWindowOrg, SharedRecord::kSetWindowOrg, 2},
    {WmfRecord::kSetWindowExt, SharedRecord::kSetWindowExt, 2},
    {WmfRecord::kSetViewportOrg, SharedRecord::kSetViewportOrg, 2},
    {WmfRecord::kSetViewportExt, SharedRecord::kSetViewportExt, 2},
    {WmfRecord::kOffsetWindowOrg, SharedRecord::kOffsetWindowOrg, 2},
    {WmfRecord::kOffsetViewportOrg, SharedRecord::kOffsetViewportOrg, 2},
    {WmfRecord::kLineTo, SharedRecord::kLineTo, 2},
    {WmfRecord::kMoveTo, SharedRecord::kMoveTo, 2},
    {WmfRecord::kSelectPalette, SharedRecord::kSelectObject, 1},
    {WmfRecord::kScaleWindowExt, SharedRecord::kScaleWindowExt, 4},
    {WmfRecord::kScaleViewportExt, SharedRecord::kScaleViewportExt, 4},
    {WmfRecord::kIntersectClipRect, SharedRecord::kIntersectClip, 4},
    {WmfRecord::kEllipse, SharedRecord::kEllipse, 4},
    {WmfRecord::kRectangle, SharedRecord::kRectangle, 4},
    {WmfRecord::kSetPixel, SharedRecord::kSetPixel, 4},
    {WmfRecord::kRoundRect, SharedRecord::kRoundRect, 6},
    {WmfRecord::kArc, SharedRecord::kArc, 8},
    {WmfRecord::kPie, SharedRecord::kPie, 8},
    {WmfRecord::kChord, SharedRecord::kChord, 8},
};
static_assert(std::ranges::is_sorted(kShared, {}, &SharedEntry::record));

// The records only old files have, one handler each.
using Handler = void (*)(Context&, ByteReader&);
struct Entry {
  WmfRecord record;
  Handler play;
};
constexpr Entry kHandlers[] = {
    {WmfRecord::kCreatePalette,
     [](Context& c, ByteReader& rec) { c.player.addObject(ReadPaletteEntries(rec)); }},
    {WmfRecord::kCreateOldObject, [](Context& c, ByteReader&) { c.player.addObject({}); }},
    // Back to the whole picture.
    {WmfRecord::kSelectClipRegion, [](Context& c, ByteReader&) { c.player.resetClip(); }},
    {WmfRecord::kDibCreatePatternBrush, DibCreatePatternBrush},
    // From a device-dependent bitmap: shown as mid grey.
    {WmfRecord::kCreatePatternBrush,
     [](Context& c, ByteReader&) {
       c.player.addObject(MakeBrush(0, MakeColour(128, 128, 128), 0));
     }},
    {WmfRecord::kCreatePenIndirect, CreatePen},
    {WmfRecord::kCreateFontIndirect, CreateFont},
    {WmfRecord::kCreateBrushIndirect, CreateBrush},
    {WmfRecord::kPolygon, Poly<PolyOp::Kind::kPolygon>},
    {WmfRecord::kPolyline, Poly<PolyOp::Kind::kPolyline>},
    // Not kept: the drawing stays whole.
    {WmfRecord::kExcludeClipRect, [](Context&, ByteReader& rec) { rec.skip(8); }},
    {WmfRecord::kTextOut, TextOut},
    {WmfRecord::kPolyPolygon, PolyPolygon},
    {WmfRecord::kPatBlt, PatBlt},
    {WmfRecord::kCreateRegion, [](Context& c, ByteReader&) { c.player.addObject({}); }},
    {WmfRecord::kDibBitBlt, DibBitBlt},
    {WmfRecord::kExtTextOut, ExtTextOut},
    {WmfRecord::kDibStretchBlt,
     [](Context& c, ByteReader& rec) { StretchBlt(c, rec, c.words == 14u, c.words != 14u); }},
    {WmfRecord::kSetDibToDev, SetDibToDev},
    {WmfRecord::kStretchDib, [](Context& c, ByteReader& rec) { StretchBlt(c, rec, true, true); }},
};
static_assert(std::ranges::is_sorted(kHandlers, {}, &Entry::record));

// Plays one record; records not listed do not draw, or this player does not know them.
void Play(Context& c, WmfRecord record, ByteReader& rec) {
  const auto* shared = std::ranges::lower_bound(kShared, record, {}, &SharedEntry::record);
  if (shared != std::end(kShared) && shared->record == record) {
    Fields fields = Fields::Old(rec, shared->words);
    return PlayShared(shared->shared, fields, c.player);
  }
  const auto* own = std::ranges::lower_bound(kHandlers, record, {}, &Entry::record);
  if (own != std::end(kHandlers) && own->record == record) own->play(c, rec);
}

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
  in.u16();  // the number of objects; the object table grows as they come
  in.seek(start + 18);
  player.startOld(placeable);

  Context context{player, limits};
  ForEachOldRecord(in, [&](WmfRecord function, std::uint32_t words, ByteReader& rec) {
    context.words = words;
    Play(context, function, rec);
  });
}

}  // namespace drollo::formats::meta
