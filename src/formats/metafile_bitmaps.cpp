// Bitmaps of both metafile forms: decoding the device-independent bitmaps the records hold, and
// the blits that draw them (or, without a bitmap, the brush) into a destination rectangle.
#include <algorithm>
#include <cmath>

#include "formats/dib.h"
#include "formats/metafile_play.h"

namespace drollo::formats::meta {
namespace {

Dib Decode(const dib::Header& h, std::span<const std::uint8_t> bits) {
  return {std::make_shared<const Picture>(ToBgr24(dib::DecodePixels(h, bits, kWhat))), h.topDown};
}

}  // namespace

Dib DecodePackedDib(std::span<const std::uint8_t> packed, const DecodeLimits& limits) {
  const dib::Header h = dib::ParseHeader(packed, packed.size(), false, limits, kWhat);
  return Decode(h, packed.subspan(h.tableEnd));
}

Dib DecodeDibInRecord(std::span<const std::uint8_t> record, std::uint32_t offInfo,
                      std::uint32_t infoBytes, std::uint32_t offBits, std::uint32_t bitsBytes,
                      const DecodeLimits& limits) {
  if (infoBytes == 0) return {};
  if (offInfo > record.size() || infoBytes > record.size() - offInfo || offBits > record.size() ||
      bitsBytes > record.size() - offBits)
    Corrupt("a bitmap lies outside its record");
  const auto info = record.subspan(offInfo, infoBytes);
  const dib::Header h = dib::ParseHeader(info, info.size(), false, limits, kWhat);
  return Decode(h, record.subspan(offBits, bitsBytes));
}

// Draws the source rectangle of a bitmap (rows counted from the top of `bits`) to the
// destination rectangle in logical units; negative extents mirror.
void Player::blit(const Picture& bits, double sx, double sy, double sw, double sh, double dx,
                  double dy, double dw, double dh, std::uint32_t rop) {
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
  const Rect source{static_cast<int>(cx0), static_cast<int>(cy0), static_cast<int>(std::ceil(cx1)),
                    static_cast<int>(std::ceil(cy1))};
  const Point tl = map(ndx, ndy), tr = map(ndx + ndw, ndy), bl = map(ndx, ndy + ndh);
  Path area;
  area.moveTo(tl);
  area.lineTo(tr);
  area.lineTo(map(ndx + ndw, ndy + ndh));
  area.lineTo(bl);
  spend(area);
  canvas_.bitmap(bits, source, tl, tr, bl, rop);
}

void Player::patternBlit(double x, double y, double w, double h, std::uint32_t rop) {
  if (w == 0 || h == 0) return;
  const Path area = rectangle({x, y, x + w, y + h});
  spend(area);
  canvas_.pattern(area, dc_.brush, rop);
}

void Player::play(const BlitOp& op) {
  const Dib& s = op.source;
  if (!s.picture) return patternBlit(op.dx, op.dy, op.dw, op.dh, op.rop);
  const double top = s.topDown ? op.sy : s.picture->height() - op.sy - op.sh;
  blit(*s.picture, op.sx, top, op.sw, op.sh, op.dx, op.dy, op.dw, op.dh, op.rop);
}

void Player::play(const SetBitsOp& op) {
  const Dib& s = op.source;
  if (!s.picture) return;
  // Bottom-up, the rows held are rows first .. first + height - 1 of the full bitmap.
  const double top = s.topDown ? op.sy : s.picture->height() - (op.sy - op.first) - op.h;
  blit(*s.picture, op.sx, top, op.w, op.h, op.dx, op.dy, op.w, op.h, kSrcCopy);
}

}  // namespace drollo::formats::meta
