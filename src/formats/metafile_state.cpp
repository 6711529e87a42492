#include "formats/metafile_state.h"

#include <algorithm>

#include "formats/metafile_play.h"

namespace drollo::formats::meta {
namespace {

constexpr double kDpi = 96;
// Points further out than this are pulled in: far beyond any picture, within what a painter's
// fixed-point arithmetic takes.
constexpr double kFarOut = 4194304;
constexpr std::size_t kMaxObjects = 65536;
constexpr std::size_t kMaxSavedStates = 4096;

PenStyle PenStyleOf(std::uint32_t style) {
  constexpr PenStyle kStyles[] = {PenStyle::kSolid,      PenStyle::kDash,       PenStyle::kDot,
                                  PenStyle::kDashDot,    PenStyle::kDashDotDot, PenStyle::kNull,
                                  PenStyle::kInsideFrame};
  const std::uint32_t i = style & 0xF;
  return i < std::size(kStyles) ? kStyles[i] : PenStyle::kSolid;
}

// Device units per logical unit of the metric map modes.
double MetricScale(int mode, double perMm) {
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

}  // namespace

void Corrupt(const std::string& detail) {
  throw PictureFileError(std::string(kWhat) + " cannot be read: " + detail + ".");
}

LogPen MakePen(std::uint32_t style, double width, TColor colour, bool cosmetic) {
  LogPen p;
  p.style = PenStyleOf(style);
  p.width = width;
  p.cosmetic = cosmetic || width <= 0;
  p.colour = colour;
  // Bits 8-11 the end caps, bits 12-15 the joins; other values keep the round ones.
  constexpr LineCap kCaps[] = {LineCap::kRound, LineCap::kSquare, LineCap::kFlat};
  constexpr LineJoin kJoins[] = {LineJoin::kRound, LineJoin::kBevel, LineJoin::kMiter};
  const std::uint32_t cap = (style >> 8) & 0xF, join = (style >> 12) & 0xF;
  if (cap < 3) p.cap = kCaps[cap];
  if (join < 3) p.join = kJoins[join];
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
      b.hatch = static_cast<Hatch>(std::min<std::uint32_t>(hatch, 5));
      break;
    case 1:  // hollow
    default:
      b.style = BrushStyle::kNull;
      break;
  }
  return b;
}

Palette ReadPaletteEntries(ByteReader& rec) {
  rec.skip(2);  // version
  const std::size_t n = rec.u16();
  if (n > rec.remaining() / 4) rec.truncated();
  Palette palette;
  for (std::size_t i = 0; i < n; ++i) {
    const int r = rec.u8(), g = rec.u8(), b = rec.u8();
    rec.skip(1);
    palette.push_back(MakeColour(r, g, b));
  }
  return palette;
}

Affine PageTransform(const DcState& s, double devicePerMmX, double devicePerMmY) {
  double sx = 1, sy = 1;
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
    sx = MetricScale(s.mapMode, devicePerMmX);
    sy = -MetricScale(s.mapMode, devicePerMmY);
  }
  return Affine{sx, 0, 0, sy, s.vpOrgX - s.winOrgX * sx, s.vpOrgY - s.winOrgY * sy};
}

void SelectStockObject(StockObject object, DcState& dc) {
  switch (object) {
    case StockObject::kWhiteBrush:
    case StockObject::kLightGreyBrush:
    case StockObject::kGreyBrush:
    case StockObject::kDarkGreyBrush:
    case StockObject::kBlackBrush: {
      constexpr TColor kGreys[] = {kWhite, MakeColour(192, 192, 192), MakeColour(128, 128, 128),
                                   MakeColour(64, 64, 64), kBlack};
      dc.brush = MakeBrush(0, kGreys[static_cast<std::size_t>(object)], 0);
      break;
    }
    case StockObject::kDcBrush:
      dc.brush = MakeBrush(0, kWhite, 0);
      break;
    case StockObject::kNullBrush:
      dc.brush = MakeBrush(1, kBlack, 0);
      break;
    case StockObject::kWhitePen:
      dc.pen = MakePen(0, 0, kWhite, true);
      break;
    case StockObject::kBlackPen:
    case StockObject::kDcPen:
    case StockObject::kNullPen:  // style 5: draws nothing
      dc.pen = MakePen(object == StockObject::kNullPen ? 5 : 0, 0, kBlack, true);
      break;
    case StockObject::kOemFixedFont:
    case StockObject::kAnsiFixedFont:
    case StockObject::kAnsiVarFont:
    case StockObject::kSystemFont:
    case StockObject::kDeviceDefaultFont:
    case StockObject::kSystemFixedFont:
      dc.font = LogFont{};
      break;
    case StockObject::kDefaultPalette:
      dc.palette.clear();
      break;
  }
}

void ObjectTable::reset() {
  slots_.clear();
}

void ObjectTable::store(std::size_t handle, Object object) {
  if (handle >= kMaxObjects) return;
  if (handle >= slots_.size()) slots_.resize(handle + 1);
  slots_[handle] = std::move(object);
}

void ObjectTable::add(Object object) {
  std::size_t i = 0;
  while (i < slots_.size() && slots_[i]) ++i;
  if (i >= kMaxObjects) Corrupt("it creates too many objects");
  if (i == slots_.size()) slots_.emplace_back();
  slots_[i] = std::move(object);
}

void ObjectTable::select(std::size_t handle, DcState& dc) const {
  if (handle >= slots_.size() || !slots_[handle]) return;
  const Object& o = *slots_[handle];
  if (const auto* pen = std::get_if<LogPen>(&o))
    dc.pen = *pen;
  else if (const auto* brush = std::get_if<Brush>(&o))
    dc.brush = *brush;
  else if (const auto* font = std::get_if<LogFont>(&o))
    dc.font = *font;
  else if (const auto* palette = std::get_if<Palette>(&o))
    dc.palette = *palette;
}

void ObjectTable::remove(std::size_t handle) {
  if (handle < slots_.size()) slots_[handle].reset();
}

// ---- the player's state ------------------------------------------------------------------------

Player::Player(const MetafileSize& size, Canvas& canvas)
    : size_(size),
      canvas_(canvas),
      budget_(256.0 * size.width * size.height + 16777216.0),
      devicePerMmX_(kDpi / 25.4),
      devicePerMmY_(kDpi / 25.4) {}

void Player::startOld(const std::optional<Box>& placeable) {
  if (placeable) {
    // As a program shows the file at its size: the box is the window, the picture the viewport.
    const Box& p = *placeable;
    dc_.mapMode = kMmAnisotropic;
    dc_.winOrgX = std::min(p.l, p.r), dc_.winOrgY = std::min(p.t, p.b);
    dc_.winExtX = std::abs(p.r - p.l), dc_.winExtY = std::abs(p.b - p.t);
    dc_.vpExtX = size_.width, dc_.vpExtY = size_.height;
  } else {
    // The extent that gave the size is the picture: one window unit is one pixel until the
    // file sets a viewport of its own.
    dc_.vpExtX = size_.width, dc_.vpExtY = size_.height;
    dc_.winExtX = size_.width, dc_.winExtY = size_.height;
  }
  objects_.reset();
  updateTransform();
}

void Player::startEnhanced(const Box& frame, double devW, double devH, double mmW, double mmH) {
  devicePerMmX_ = devW > 0 && mmW > 0 ? devW / mmW : kDpi / 25.4;
  devicePerMmY_ = devH > 0 && mmH > 0 ? devH / mmH : kDpi / 25.4;
  // The frame, in the recording device's pixels, is mapped onto the picture.
  const double x0 = frame.l / 100 * devicePerMmX_, y0 = frame.t / 100 * devicePerMmY_;
  const double w = (frame.r - frame.l) / 100 * devicePerMmX_,
               h = (frame.b - frame.t) / 100 * devicePerMmY_;
  const double sx = w != 0 ? size_.width / w : 1, sy = h != 0 ? size_.height / h : 1;
  device_ = Affine{sx, 0, 0, sy, -x0 * sx, -y0 * sy};
  objects_.reset();
  updateTransform();
}

void Player::updateTransform() {
  Affine t = dc_.world.then(PageTransform(dc_, devicePerMmX_, devicePerMmY_)).then(device_);
  if (t.finite()) total_ = t;
}

Point Player::map(Point p) const {
  Point q = total_.map(p);
  q.x = std::clamp(q.x, -kFarOut, kFarOut);
  q.y = std::clamp(q.y, -kFarOut, kFarOut);
  return q;
}

TColor Player::colour(std::uint32_t ref) const {
  if ((ref >> 24) == 1) {  // a palette index
    const std::size_t i = ref & 0xFFFF;
    return i < dc_.palette.size() ? dc_.palette[i] : kBlack;
  }
  return ref & 0xFFFFFF;
}

Pen Player::devicePen() const {
  Pen p;
  p.style = dc_.pen.style;
  p.colour = dc_.pen.colour;
  p.cap = dc_.pen.cap;
  p.join = dc_.pen.join;
  const double limit = 4.0 * (size_.width + size_.height);
  p.width = dc_.pen.cosmetic ? 1 : std::clamp(dc_.pen.width * unitScale(), 1.0, limit);
  return p;
}

void Player::save() {
  if (saved_.size() >= kMaxSavedStates) saved_.erase(saved_.begin());
  saved_.push_back(dc_);
}

void Player::restore(int which) {
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

void Player::setMapMode(std::uint32_t mode) {
  dc_.mapMode = static_cast<int>(std::clamp<std::uint32_t>(mode, kMmText, kMmAnisotropic));
  updateTransform();
}

namespace {
struct PagePair {
  double& x;
  double& y;
};
PagePair PageField(DcState& dc, PageValue value) {
  switch (value) {
    case PageValue::kWindowOrigin:
      return {dc.winOrgX, dc.winOrgY};
    case PageValue::kWindowExtent:
      return {dc.winExtX, dc.winExtY};
    case PageValue::kViewportOrigin:
      return {dc.vpOrgX, dc.vpOrgY};
    case PageValue::kViewportExtent:
      break;
  }
  return {dc.vpExtX, dc.vpExtY};
}
}  // namespace

void Player::setPage(PageValue value, double x, double y) {
  PagePair v = PageField(dc_, value);
  v.x = x, v.y = y;
  updateTransform();
}

void Player::offsetPage(PageValue value, double dx, double dy) {
  PagePair v = PageField(dc_, value);
  v.x += dx, v.y += dy;
  updateTransform();
}

void Player::scalePage(PageValue value, double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  PagePair v = PageField(dc_, value);
  v.x = v.x * xNum / xDenom, v.y = v.y * yNum / yDenom;
  updateTransform();
}

void Player::setWorldTransform(const Affine& t) {
  if (t.finite()) dc_.world = t;
  updateTransform();
}

void Player::modifyWorldTransform(const Affine& t, std::uint32_t mode) {
  if (!t.finite()) return;
  switch (static_cast<WorldChange>(mode)) {
    case WorldChange::kIdentity:
      dc_.world = Affine{};
      break;
    case WorldChange::kLeftMultiply:
      dc_.world = t.then(dc_.world);
      break;
    case WorldChange::kRightMultiply:
      dc_.world = dc_.world.then(t);
      break;
    case WorldChange::kSet:
      dc_.world = t;
      break;
  }
  updateTransform();
}

void Player::selectObject(std::uint32_t handle) {
  if (handle & kStockObjectBit)
    SelectStockObject(static_cast<StockObject>(handle & ~kStockObjectBit), dc_);
  else
    objects_.select(handle, dc_);
}

void Player::intersectClip(const Box& box) {
  dc_.clip.push_back(rectangle(box));
  canvas_.clip(dc_.clip);
}

void Player::resetClip() {
  dc_.clip.clear();
  canvas_.clip(dc_.clip);
}

}  // namespace drollo::formats::meta
