// The records old and enhanced metafiles share: their numbers read in the drawing call's order,
// whichever form stores them, and played one way.
#include "formats/metafile_play.h"

namespace drollo::formats::meta {

std::span<const std::uint8_t> Fields::back(std::size_t n) {
  if (n > end_) throw PictureFileError(std::string(kWhat) + " is truncated.");
  end_ -= n;
  return backward_.subspan(end_, n);
}

double Fields::number() {
  if (forward_) return forward_->i32();
  const auto b = back(2);
  return static_cast<std::int16_t>(b[0] | (b[1] << 8));
}

std::uint32_t Fields::index() {
  if (forward_) return forward_->u32();
  const auto b = back(2);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t Fields::colour() {
  if (forward_) return forward_->u32();
  return ByteReader(back(4), kWhat).u32();
}

Point Fields::point() {
  const double x = number(), y = number();
  return {x, y};
}

Box Fields::box() {
  const double l = number(), t = number(), r = number(), b = number();
  return {l, t, r, b};
}

namespace {

void SetPage(Fields& f, Player& player, PageValue value) {
  const Point p = f.point();
  player.setPage(value, p.x, p.y);
}

void OffsetPage(Fields& f, Player& player, PageValue value) {
  const Point p = f.point();
  player.offsetPage(value, p.x, p.y);
}

void ScalePage(Fields& f, Player& player, PageValue value) {
  const double xNum = f.number(), xDenom = f.number(), yNum = f.number(), yDenom = f.number();
  player.scalePage(value, xNum, xDenom, yNum, yDenom);
}

void PlayArc(Fields& f, Player& player, ArcOp::Kind kind) {
  ArcOp op;
  op.kind = kind;
  op.box = f.box();
  op.start = f.point();
  op.end = f.point();
  player.play(op);
}

}  // namespace

void PlayShared(SharedRecord record, Fields& fields, Player& player) {
  using Handler = void (*)(Fields&, Player&);
  // In the order of SharedRecord.
  constexpr Handler kHandlers[] = {
      [](Fields&, Player& p) { p.save(); },
      [](Fields& f, Player& p) { p.restore(static_cast<int>(f.number())); },
      [](Fields& f, Player& p) { p.setMapMode(f.index()); },
      [](Fields& f, Player& p) { p.setBkMode(f.index()); },
      [](Fields& f, Player& p) { p.setBkColour(f.colour()); },
      [](Fields& f, Player& p) { p.setTextColour(f.colour()); },
      [](Fields& f, Player& p) { p.setFillMode(f.index()); },
      [](Fields& f, Player& p) { p.setTextAlign(f.index()); },
      [](Fields& f, Player& p) { SetPage(f, p, PageValue::kWindowOrigin); },
      [](Fields& f, Player& p) { SetPage(f, p, PageValue::kWindowExtent); },
      [](Fields& f, Player& p) { SetPage(f, p, PageValue::kViewportOrigin); },
      [](Fields& f, Player& p) { SetPage(f, p, PageValue::kViewportExtent); },
      [](Fields& f, Player& p) { OffsetPage(f, p, PageValue::kWindowOrigin); },
      [](Fields& f, Player& p) { OffsetPage(f, p, PageValue::kViewportOrigin); },
      [](Fields& f, Player& p) { ScalePage(f, p, PageValue::kWindowExtent); },
      [](Fields& f, Player& p) { ScalePage(f, p, PageValue::kViewportExtent); },
      [](Fields& f, Player& p) { p.moveTo(f.point()); },
      [](Fields& f, Player& p) { p.lineTo(f.point()); },
      [](Fields& f, Player& p) {
        p.play(BoxOp{BoxOp::Shape::kRectangle, f.box()});
      },
      [](Fields& f, Player& p) {
        p.play(BoxOp{BoxOp::Shape::kEllipse, f.box()});
      },
      [](Fields& f, Player& p) {
        const Box box = f.box();
        const double w = f.number(), h = f.number();
        p.play(BoxOp{BoxOp::Shape::kRoundRect, box, w, h});
      },
      [](Fields& f, Player& p) { PlayArc(f, p, ArcOp::Kind::kArc); },
      [](Fields& f, Player& p) { PlayArc(f, p, ArcOp::Kind::kChord); },
      [](Fields& f, Player& p) { PlayArc(f, p, ArcOp::Kind::kPie); },
      [](Fields& f, Player& p) { PlayArc(f, p, ArcOp::Kind::kArcTo); },
      [](Fields& f, Player& p) {
        const Point at = f.point();
        p.setPixel(at, p.colour(f.colour()));
      },
      [](Fields& f, Player& p) { p.intersectClip(f.box()); },
      [](Fields& f, Player& p) { p.selectObject(f.index()); },
      [](Fields& f, Player& p) { p.deleteObject(f.index()); },
  };
  static_assert(std::size(kHandlers) == static_cast<std::size_t>(SharedRecord::kDeleteObject) + 1);
  kHandlers[static_cast<std::size_t>(record)](fields, player);
}

}  // namespace drollo::formats::meta
