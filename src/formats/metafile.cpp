#include "formats/metafile.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/byte_reader.h"
#include "formats/dib.h"
#include "formats/metafile_records.h"

namespace drollo::formats {
namespace {

constexpr const char* kWhat = "The metafile";
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr int kUnitsPerInch = 96;
constexpr int kMaxCoordinate = 32767;

using meta::WmfRecord;
constexpr std::uint32_t kSrcCopy = 0x00CC0020u;

void PutFunction(std::vector<std::uint8_t>& out, WmfRecord function) {
  PutU16(out, static_cast<std::uint16_t>(function));
}

// A hostile file could draw the whole picture over and over; stop after this many times its area.
constexpr std::int64_t kMaxDrawnAreas = 64;

[[noreturn]] void Corrupt(const std::string& detail) {
  throw PictureFileError(std::string(kWhat) + " cannot be read: " + detail + ".");
}

struct Mapping {
  int orgX = 0, orgY = 0;
  int extX = 0, extY = 0;  // 0: not set, logical units are pixels
  int width = 0, height = 0;
  std::int64_t toX(std::int64_t x) const { return extX ? (x - orgX) * width / extX : x - orgX; }
  std::int64_t toY(std::int64_t y) const { return extY ? (y - orgY) * height / extY : y - orgY; }
};

// Draws the source rectangle of a bitmap into the destination rectangle (logical units),
// stretching by nearest pixel and clipping to the picture.
void DrawBitmap(Picture& out, const Mapping& m, std::span<const std::uint8_t> dibBytes, int xSrc,
                int ySrc, int srcW, int srcH, int xDst, int yDst, int dstW, int dstH,
                const DecodeLimits& limits, std::int64_t& budget) {
  const dib::Header h = dib::ParseHeader(dibBytes, dibBytes.size(), false, limits, kWhat);
  const Picture bitmap = ToBgr24(dib::DecodePixels(h, dibBytes.subspan(h.tableEnd), kWhat));
  // Source rows count from the bitmap's first stored row: the bottom one unless it is top-down.
  const std::int64_t top = h.topDown ? ySrc : std::int64_t{bitmap.height()} - ySrc - srcH;
  std::int64_t x0 = m.toX(xDst), x1 = m.toX(static_cast<std::int64_t>(xDst) + dstW);
  std::int64_t y0 = m.toY(yDst), y1 = m.toY(static_cast<std::int64_t>(yDst) + dstH);
  // Negative extents mirror the drawing.
  const bool flipX = x1 < x0, flipY = y1 < y0;
  if (flipX) std::swap(x0, x1);
  if (flipY) std::swap(y0, y1);
  const std::int64_t dw = x1 - x0, dh = y1 - y0;
  if (dw == 0 || dh == 0 || srcW == 0 || srcH == 0) return;
  const std::int64_t cx0 = std::max<std::int64_t>(x0, 0),
                     cx1 = std::min<std::int64_t>(x1, out.width());
  const std::int64_t cy0 = std::max<std::int64_t>(y0, 0),
                     cy1 = std::min<std::int64_t>(y1, out.height());
  if (cx0 >= cx1 || cy0 >= cy1) return;
  budget -= (cx1 - cx0) * (cy1 - cy0);
  if (budget < 0) Corrupt("it draws far more than its own area");
  std::uint8_t* base = out.rawData();
  for (std::int64_t y = cy0; y < cy1; ++y) {
    const std::int64_t ry = flipY ? (y1 - 1 - y) : (y - y0);
    const std::int64_t sy = top + ry * srcH / dh;
    std::uint8_t* d = base + static_cast<std::size_t>(y) * out.stride();
    for (std::int64_t x = cx0; x < cx1; ++x) {
      const std::int64_t rx = flipX ? (x1 - 1 - x) : (x - x0);
      const std::int64_t sx = xSrc + rx * srcW / dw;
      if (sx < 0 || sy < 0 || sx >= bitmap.width() || sy >= bitmap.height()) continue;
      std::memcpy(d + 3 * x, bitmap.row(static_cast<int>(sy)) + 3 * sx, 3);
    }
  }
}

}  // namespace

Picture BitmapMetafileReader::Read(std::span<const std::uint8_t> file,
                                   const DecodeLimits& limits) const {
  ByteReader in(file, kWhat);
  if (file.size() >= 44) {
    ByteReader probe(file, kWhat);
    const std::uint32_t type = probe.u32();
    probe.seek(40);
    if (type == 1 && probe.u32() == 0x464D4520u)  // " EMF"
      throw PictureFileError("Enhanced metafiles (.emf) cannot be read yet.");
  }

  Mapping m;
  bool placeable = false;
  if (file.size() >= 4 && ByteReader(file, kWhat).u32() == kPlaceableKey) {
    in.skip(6);  // key, handle
    const int left = in.i16(), top = in.i16(), right = in.i16(), bottom = in.i16();
    const int inch = in.u16();
    in.skip(6);  // reserved, checksum
    if (inch == 0) Corrupt("its header gives no units per inch");
    const std::int64_t w =
        (static_cast<std::int64_t>(std::abs(right - left)) * kUnitsPerInch + inch / 2) / inch;
    const std::int64_t h =
        (static_cast<std::int64_t>(std::abs(bottom - top)) * kUnitsPerInch + inch / 2) / inch;
    CheckPictureSize(w, h, limits);
    m.width = static_cast<int>(w);
    m.height = static_cast<int>(h);
    m.orgX = std::min(left, right);
    m.orgY = std::min(top, bottom);
    m.extX = std::abs(right - left);
    m.extY = std::abs(bottom - top);
    placeable = true;
  }

  const std::size_t start = in.position();
  const std::uint16_t fileType = in.u16();
  const std::uint16_t headerWords = in.u16();
  if ((fileType != 1 && fileType != 2) || headerWords != 9)
    throw PictureFileError("The file is not a Windows metafile.");
  in.seek(start + 18);

  // Without a placeable header the size comes from the window extent of the first pass.
  if (!placeable) {
    ByteReader scan(file, kWhat);
    scan.seek(in.position());
    while (scan.remaining() >= 6) {
      const std::uint32_t words = scan.u32();
      const auto function = static_cast<WmfRecord>(scan.u16());
      if (words < 3 || (words - 3) * 2ull > scan.remaining()) break;
      if (function == WmfRecord::kSetWindowExt && words >= 5) {
        m.extY = std::abs(scan.i16());
        m.extX = std::abs(scan.i16());
        scan.skip((words - 5) * 2ull);
      } else if (function == WmfRecord::kSetWindowOrg && words >= 5) {
        m.orgY = scan.i16();
        m.orgX = scan.i16();
        scan.skip((words - 5) * 2ull);
      } else if (function == WmfRecord::kEof) {
        break;
      } else {
        scan.skip((words - 3) * 2ull);
      }
    }
    if (m.extX == 0 || m.extY == 0) Corrupt("it gives no picture size");
    CheckPictureSize(m.extX, m.extY, limits);
    m.width = m.extX;
    m.height = m.extY;
  }
  if (m.width == 0 || m.height == 0) Corrupt("its picture has no pixels");

  Picture out(m.width, m.height, 24);
  std::memset(out.rawData(), 255, out.byteSize());
  std::int64_t budget = kMaxDrawnAreas * m.width * m.height + 1;

  // The placeable header's box decides the mapping; the records' window settings are used only
  // when there is no such header, which the first pass above already read.
  meta::ForEachOldRecord(in, [&](WmfRecord function, std::uint32_t, ByteReader& rec) {
    switch (function) {
      case WmfRecord::kStretchDib: {
        const std::uint32_t rop = rec.u32();
        rec.u16();  // colour usage
        const int srcH = rec.i16(), srcW = rec.i16(), ySrc = rec.i16(), xSrc = rec.i16();
        const int dstH = rec.i16(), dstW = rec.i16(), yDst = rec.i16(), xDst = rec.i16();
        if (rop != kSrcCopy) break;  // other raster operations are left to the full reader
        DrawBitmap(out, m, rec.bytes(rec.remaining()), xSrc, ySrc, srcW, srcH, xDst, yDst, dstW,
                   dstH, limits, budget);
        break;
      }
      case WmfRecord::kDibStretchBlt: {
        const std::uint32_t rop = rec.u32();
        const int srcH = rec.i16(), srcW = rec.i16(), ySrc = rec.i16(), xSrc = rec.i16();
        const int dstH = rec.i16(), dstW = rec.i16(), yDst = rec.i16(), xDst = rec.i16();
        if (rop != kSrcCopy || rec.remaining() == 0) break;
        DrawBitmap(out, m, rec.bytes(rec.remaining()), xSrc, ySrc, srcW, srcH, xDst, yDst, dstW,
                   dstH, limits, budget);
        break;
      }
      case WmfRecord::kSetDibToDev: {
        rec.u16();    // colour usage
        rec.skip(4);  // scan lines, start scan
        const int ySrc = rec.i16(), xSrc = rec.i16(), h = rec.i16(), w = rec.i16();
        const int yDst = rec.i16(), xDst = rec.i16();
        DrawBitmap(out, m, rec.bytes(rec.remaining()), xSrc, ySrc, w, h, xDst, yDst, w, h, limits,
                   budget);
        break;
      }
      default:
        break;
    }
  });
  out.markAllWritten();
  return out;
}

namespace {
std::atomic<const MetafileReader*> installedReader{nullptr};
}  // namespace

const MetafileReader& BuiltInMetafileReader() {
  static const BitmapMetafileReader bitmapReader;
  const MetafileReader* installed = installedReader.load();
  return installed ? *installed : bitmapReader;
}

void InstallMetafileReader(const MetafileReader* reader) {
  installedReader.store(reader);
}

std::vector<std::uint8_t> EncodePlaceableMetafile(const Picture& picture) {
  if (picture.empty()) throw PictureFileError("An empty picture cannot be saved as a metafile.");
  if (picture.width() > kMaxCoordinate || picture.height() > kMaxCoordinate)
    throw PictureFileError(
        "The picture is too large for a metafile (at most 32767 pixels wide "
        "and high).");
  const Picture bitmap = ToBgr24(picture);
  const std::vector<std::uint8_t> dibBytes = dib::Encode(bitmap);  // even: rows are padded to 4
  const std::uint64_t stretchWords = 3 + 2 + 1 + 8 + dibBytes.size() / 2;
  const std::uint64_t recordWords = 4 + 5 + 5 + stretchWords + 3;
  const std::uint64_t totalWords = 9 + recordWords;
  if (totalWords > 0x7FFFFFFFu) throw PictureFileError("The picture is too large for a metafile.");
  const int w = picture.width(), h = picture.height();

  std::vector<std::uint8_t> out;
  out.reserve(22 + totalWords * 2);
  // Placeable header.
  PutU32(out, kPlaceableKey);
  PutU16(out, 0);  // handle
  PutU16(out, 0);  // bounding box: left, top, right, bottom
  PutU16(out, 0);
  PutU16(out, static_cast<std::uint32_t>(w));
  PutU16(out, static_cast<std::uint32_t>(h));
  PutU16(out, kUnitsPerInch);
  PutU32(out, 0);  // reserved
  std::uint16_t checksum = 0;
  for (int i = 0; i < 10; ++i)
    checksum ^= static_cast<std::uint16_t>(out[2 * i] | (out[2 * i + 1] << 8));
  PutU16(out, checksum);
  // Metafile header: in memory, 9 words, version 3.0.
  PutU16(out, 1);
  PutU16(out, 9);
  PutU16(out, 0x0300);
  PutU32(out, static_cast<std::uint32_t>(totalWords));
  PutU16(out, 0);                                         // objects
  PutU32(out, static_cast<std::uint32_t>(stretchWords));  // largest record
  PutU16(out, 0);
  // Mapping: the window is the picture, in pixels, stretched over whatever the viewer shows.
  PutU32(out, 4);
  PutFunction(out, WmfRecord::kSetMapMode);
  PutU16(out, meta::kMmAnisotropic);
  PutU32(out, 5);
  PutFunction(out, WmfRecord::kSetWindowOrg);
  PutU16(out, 0);  // y, x
  PutU16(out, 0);
  PutU32(out, 5);
  PutFunction(out, WmfRecord::kSetWindowExt);
  PutU16(out, static_cast<std::uint32_t>(h));
  PutU16(out, static_cast<std::uint32_t>(w));
  // The picture.
  PutU32(out, static_cast<std::uint32_t>(stretchWords));
  PutFunction(out, WmfRecord::kStretchDib);
  PutU32(out, kSrcCopy);
  PutU16(out, 0);                              // colours are RGB values
  PutU16(out, static_cast<std::uint32_t>(h));  // source height, width, y, x
  PutU16(out, static_cast<std::uint32_t>(w));
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, static_cast<std::uint32_t>(h));  // destination height, width, y, x
  PutU16(out, static_cast<std::uint32_t>(w));
  PutU16(out, 0);
  PutU16(out, 0);
  out.insert(out.end(), dibBytes.begin(), dibBytes.end());
  // End of file.
  PutU32(out, 3);
  PutFunction(out, WmfRecord::kEof);
  return out;
}

}  // namespace drollo::formats
