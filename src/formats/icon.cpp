// libpng reports errors through a callback that must not return; it jumps back (longjmp) to the
// setjmp of one of the small Try* functions, which hold no C++ objects, and the callers turn the
// failure into an exception. The libpng structures are released by a guard made before.
#include "formats/icon.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "formats/byte_reader.h"
#include "formats/dib.h"
#include "formats/png.h"

namespace drollo::formats {
namespace {

constexpr const char* kWhat = "The icon file";

struct PngState {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  char message[200];
};

void PngError(png_structp png, png_const_charp text) {
  auto* s = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s", text ? text : "unknown error");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  if (n > s->size - s->pos) png_error(png, "the data ends early");
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
}

bool TryReadInfo(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, png_get_error_ptr(png), PngRead);
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  return true;
}

// Every PNG kind becomes 8-bit blue, green, red, alpha.
bool TryTransform(png_structp png, png_infop info, png_size_t* rowBytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *rowBytes = png_get_rowbytes(png, info);
  return true;
}

bool TryReadImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

struct PngReader {
  PngState state{};
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
  [[noreturn]] void fail() const {
    throw PictureFileError(std::string("The PNG image cannot be read: ") + state.message + ".");
  }
};

std::uint8_t OverWhite(int colour, int alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The colour bitmap of an icon entry, then its AND mask (1 = transparent), both bottom-up.
Picture DecodeIconBitmap(std::span<const std::uint8_t> entry, const DecodeLimits& limits) {
  const dib::Header h = dib::ParseHeader(entry, entry.size(), true, limits, kWhat);
  if (h.compression != dib::kRgb && h.compression != dib::kBitFields)
    throw PictureFileError("The icon file holds a compressed bitmap, which icons cannot use.");
  const auto bits = entry.subspan(h.tableEnd);
  const Picture colour = dib::DecodePixels(h, bits, kWhat);
  Picture out = ToBgr24(colour);

  // 32-bit entries carry alpha in the fourth byte; old ones leave it 0 and rely on the mask.
  bool alpha = false;
  if (h.bitsPerPixel == 32 && h.compression == dib::kRgb) {
    for (int y = 0; y < colour.height() && !alpha; ++y)
      for (int x = 0; x < colour.width(); ++x)
        if (colour.row(y)[4 * x + 3] != 0) {
          alpha = true;
          break;
        }
  }
  std::uint8_t* base = out.rawData();
  if (alpha) {
    for (int y = 0; y < out.height(); ++y) {
      const std::uint8_t* s = colour.row(y);
      std::uint8_t* d = base + static_cast<std::size_t>(y) * out.stride();
      for (int x = 0; x < out.width(); ++x)
        for (int c = 0; c < 3; ++c) d[3 * x + c] = OverWhite(d[3 * x + c], s[4 * x + 3]);
    }
    return out;
  }
  const std::uint64_t colourBytes = dib::StoredRowBytes(h.width, h.bitsPerPixel) * h.height;
  const std::uint64_t maskRow = dib::StoredRowBytes(h.width, 1);
  if (bits.size() < colourBytes + maskRow * h.height)
    throw PictureFileError("The icon file is truncated (its mask is missing).");
  const std::uint8_t* mask = bits.data() + colourBytes;
  for (int r = 0; r < h.height; ++r) {
    const int y = h.topDown ? r : h.height - 1 - r;
    const std::uint8_t* m = mask + r * maskRow;
    std::uint8_t* d = base + static_cast<std::size_t>(y) * out.stride();
    for (int x = 0; x < h.width; ++x)
      if ((m[x >> 3] >> (7 - (x & 7))) & 1) std::memset(d + 3 * x, 255, 3);
  }
  return out;
}

}  // namespace

Picture DecodePngOverWhite(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  CheckPngChunkLengths(file);
  PngReader r;
  r.state = PngState{file.data(), file.size(), 0, {}};
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.state, PngError, PngWarning);
  if (!r.png) throw PictureFileError("The PNG reader cannot be started.");
  r.info = png_create_info_struct(r.png);
  if (!r.info) throw PictureFileError("The PNG reader cannot be started.");
  png_uint_32 width = 0, height = 0;
  if (!TryReadInfo(r.png, r.info, &width, &height)) r.fail();
  CheckPictureSize(width, height, limits);
  png_size_t rowBytes = 0;
  if (!TryTransform(r.png, r.info, &rowBytes)) r.fail();
  if (rowBytes != static_cast<png_size_t>(width) * 4)
    throw PictureFileError("The PNG image has an unexpected row layout.");

  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(rowBytes) * height);
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
  if (!TryReadImage(r.png, rows.data())) r.fail();

  Picture out(static_cast<int>(width), static_cast<int>(height), 24);
  std::uint8_t* base = out.rawData();
  for (png_uint_32 y = 0; y < height; ++y) {
    const std::uint8_t* s = rows[y];
    std::uint8_t* d = base + static_cast<std::size_t>(y) * out.stride();
    for (png_uint_32 x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) d[3 * x + c] = OverWhite(s[4 * x + c], s[4 * x + 3]);
  }
  return out;
}

Picture DecodeIcon(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  ByteReader in(file, kWhat);
  const std::uint16_t reserved = in.u16();
  const std::uint16_t type = in.u16();
  const std::uint16_t count = in.u16();
  if (reserved != 0 || (type != 1 && type != 2))
    throw PictureFileError("The file is not an icon file.");
  if (count == 0) throw PictureFileError("The icon file holds no image.");

  struct Entry {
    int area = -1;
    int bits = 0;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
  } best;
  for (int i = 0; i < count; ++i) {
    const int w = in.u8();
    const int h = in.u8();
    in.skip(4);  // colours, reserved, planes
    const int bits = in.u16();
    Entry e{(w ? w : 256) * (h ? h : 256), bits, in.u32(), in.u32()};
    if (e.area > best.area || (e.area == best.area && e.bits > best.bits)) best = e;
  }
  if (best.offset >= file.size() || best.size == 0)
    throw PictureFileError("The icon file is truncated.");
  const auto entry =
      file.subspan(best.offset, std::min<std::size_t>(best.size, file.size() - best.offset));
  static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (entry.size() >= 8 && std::memcmp(entry.data(), kPngSignature, 8) == 0)
    return DecodePngOverWhite(entry, limits);
  return DecodeIconBitmap(entry, limits);
}

}  // namespace drollo::formats
