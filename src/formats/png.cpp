// libpng reports errors through a callback that must not return; it jumps back (longjmp) to the
// setjmp of one of the small Try* functions, which hold no C++ objects, and the callers turn the
// failure into an exception. The libpng structures are released by guards made before.
#include "formats/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "formats/orientation.h"

namespace drollo::formats {
namespace {

struct PngState {
  std::span<const std::uint8_t> in;
  std::size_t pos = 0;
  std::vector<std::uint8_t>* out = nullptr;
  char message[200] = {};
};

void OnError(png_structp png, png_const_charp text) {
  auto* s = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s", text ? text : "unknown error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, png_size_t n) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  if (n > s->in.size() - s->pos) png_error(png, "the data ends early");
  std::memcpy(out, s->in.data() + s->pos, n);
  s->pos += n;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  s->out->insert(s->out->end(), data, data + n);
}

void Flush(png_structp) {}

// --- Reading ----------------------------------------------------------------------------------

bool TryReadInfo(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, png_get_error_ptr(png), ReadBytes);
  // Our own limit is checked next; libpng's default of a million pixels a side would refuse
  // long panoramas that fit within it.
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  return true;
}

// Every kind becomes 8-bit blue, green, red, alpha.
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

// Chunks after the pixels (eXIf may come there); a damaged end still leaves the picture whole.
bool TryReadEnd(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_end(png, info);
  return true;
}

void KeepMetadata(png_structp png, png_infop info, PhotoMetadata& m) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &length) == PNG_INFO_iCCP && profile)
    m.icc.assign(profile, profile + length);
  png_bytep exif = nullptr;
  png_uint_32 exifLength = 0;
  if (png_get_eXIf_1(png, info, &exifLength, &exif) == PNG_INFO_eXIf && exif)
    m.exif.assign(exif, exif + exifLength);
}

struct Reader {
  PngState state;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
  [[noreturn]] void fail() const {
    throw PictureFileError(std::string("The PNG file cannot be read: ") + state.message + ".");
  }
};

std::uint8_t OverWhite(int colour, int alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// --- Writing ----------------------------------------------------------------------------------

struct Writer {
  PngState state;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~Writer() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

bool TryWrite(png_structp png, png_infop info, const Picture& src, bool alpha,
              const PhotoMetadata& metadata, bool withIcc) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, png_get_error_ptr(png), WriteBytes, Flush);
  png_set_benign_errors(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(src.width()),
               static_cast<png_uint_32>(src.height()), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  if (withIcc) {
    png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, metadata.icc.data(),
                 static_cast<png_uint_32>(metadata.icc.size()));
  }
  if (!metadata.exif.empty()) {
    // Written as a chunk libpng passes through, because its own eXIf support puts the chunk
    // after the pixels, where readers may ignore it.
    png_unknown_chunk chunk{};
    std::memcpy(chunk.name, "eXIf", 5);
    chunk.data = const_cast<png_bytep>(metadata.exif.data());
    chunk.size = metadata.exif.size();
    chunk.location = PNG_HAVE_PLTE;
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS,
                                reinterpret_cast<png_const_bytep>("eXIf"), 1);
    png_set_unknown_chunks(png, info, &chunk, 1);
  }
  png_write_info(png, info);
  png_set_bgr(png);
  for (int y = 0; y < src.height(); ++y) png_write_row(png, src.row(y));
  png_write_end(png, info);
  return true;
}

}  // namespace

void CheckPngChunkLengths(std::span<const std::uint8_t> file) {
  // Signature, then chunks: length (4 bytes, big-endian), type (4), data, CRC (4). Pixel data that
  // ends early is left to libpng, which reads it piece by piece and reports it.
  for (std::size_t at = 8; at + 8 <= file.size();) {
    const std::uint64_t length =
        (std::uint64_t{file[at]} << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    const std::size_t left = file.size() - at - 8;
    if (length > left && std::memcmp(file.data() + at + 4, "IDAT", 4) != 0)
      throw PictureFileError("The PNG file cannot be read: it is truncated.");
    if (length + 4 >= left) return;
    at += length + 12;
  }
}

LoadedPicture ReadPng(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  CheckPngChunkLengths(file);
  Reader r;
  r.state.in = file;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.state, OnError, OnWarning);
  if (!r.png) throw PictureFileError("The PNG reader cannot be started.");
  r.info = png_create_info_struct(r.png);
  if (!r.info) throw PictureFileError("The PNG reader cannot be started.");
  png_uint_32 width = 0, height = 0;
  if (!TryReadInfo(r.png, r.info, &width, &height)) r.fail();
  CheckPictureSize(width, height, limits);
  png_size_t rowBytes = 0;
  if (!TryTransform(r.png, r.info, &rowBytes)) r.fail();
  if (rowBytes != static_cast<png_size_t>(width) * 4)
    throw PictureFileError("The PNG file has an unexpected row layout.");

  // libpng writes whole rows, so they are decoded as blue, green, red, alpha and then drawn
  // over white into the picture.
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(rowBytes) * height);
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
  if (!TryReadImage(r.png, rows.data())) r.fail();
  TryReadEnd(r.png, r.info);

  LoadedPicture out;
  out.picture = Picture(static_cast<int>(width), static_cast<int>(height), 24);
  std::uint8_t* base = out.picture.rawData();
  for (png_uint_32 y = 0; y < height; ++y) {
    const std::uint8_t* s = rows[y];
    std::uint8_t* d = base + static_cast<std::size_t>(y) * out.picture.stride();
    for (png_uint_32 x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) d[3 * x + c] = OverWhite(s[4 * x + c], s[4 * x + 3]);
  }
  KeepMetadata(r.png, r.info, out.metadata);
  MakeUpright(out);
  return out;
}

std::vector<std::uint8_t> EncodePng(const Picture& picture, const PhotoMetadata& metadata) {
  if (picture.empty()) throw PictureFileError("An empty picture cannot be saved as PNG.");
  const bool alpha = picture.format() == PixelFormat::Bgra32();
  const bool asIs = alpha || picture.bitsPerPixel() == 24;
  const Picture converted = asIs ? Picture() : ToBgr24(picture);
  const Picture& src = asIs ? picture : converted;
  // A profile libpng refuses is left out rather than failing the save.
  for (const bool withIcc : {!metadata.icc.empty(), false}) {
    Writer w;
    std::vector<std::uint8_t> out;
    w.state.out = &out;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.state, OnError, OnWarning);
    if (!w.png) throw PictureFileError("The PNG writer cannot be started.");
    w.info = png_create_info_struct(w.png);
    if (!w.info) throw PictureFileError("The PNG writer cannot be started.");
    if (TryWrite(w.png, w.info, src, alpha, metadata, withIcc)) return out;
    if (!withIcc) {
      throw PictureFileError(std::string("The PNG file cannot be written: ") + w.state.message +
                             ".");
    }
  }
  throw PictureFileError("The PNG file cannot be written.");
}

}  // namespace drollo::formats
