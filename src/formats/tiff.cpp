// libtiff reads through callbacks on our buffer, reports errors through a handler bound to the
// one file (so the message reaches the user, not the terminal), and is held to a budget for any
// single allocation, which a damaged strip or tile size could otherwise make huge.
#include "formats/tiff.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/orientation.h"

namespace drollo::formats {
namespace {

struct Source {
  std::span<const std::uint8_t> bytes;
  toff_t pos = 0;
  char message[256] = {};
};

tmsize_t Read(thandle_t h, void* buffer, tmsize_t n) {
  auto* s = static_cast<Source*>(h);
  if (n <= 0 || s->pos >= s->bytes.size()) return 0;
  const std::size_t got =
      std::min<std::size_t>(static_cast<std::size_t>(n), s->bytes.size() - s->pos);
  std::memcpy(buffer, s->bytes.data() + s->pos, got);
  s->pos += got;
  return static_cast<tmsize_t>(got);
}

tmsize_t Write(thandle_t, void*, tmsize_t) {
  return 0;
}

toff_t Seek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<Source*>(h);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = s->pos;
  if (whence == SEEK_END) base = s->bytes.size();
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  s->pos = base + offset;
  return s->pos;
}

int Close(thandle_t) {
  return 0;
}

toff_t Size(thandle_t h) {
  return static_cast<Source*>(h)->bytes.size();
}

int Map(thandle_t, void**, toff_t*) {
  return 0;
}

void Unmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* s = static_cast<Source*>(user);
  if (s->message[0] == '\0') std::vsnprintf(s->message, sizeof s->message, format, args);
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};

struct OptionsFree {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

std::uint8_t OverWhite(int premultiplied, int alpha) {
  return static_cast<std::uint8_t>(std::min(255, premultiplied + 255 - alpha));
}

}  // namespace

LoadedPicture ReadTiff(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  Source src{file};
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) throw PictureFileError("The TIFF reader cannot be started.");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &src);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &src);
  // Room for a strip or tile of the largest accepted picture, and for its tables.
  TIFFOpenOptionsSetMaxSingleMemAlloc(
      options.get(), static_cast<tmsize_t>(std::max<std::int64_t>(limits.maxPixels, 1 << 20) * 8));
  const auto fail = [&src](const char* what) {
    throw PictureFileError(std::string("The TIFF file cannot be read: ") +
                           (src.message[0] ? src.message : what) + ".");
  };
  std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("picture", "rm", &src, Read, Write, Seek,
                                                          Close, Size, Map, Unmap, options.get()));
  if (!tif) fail("it is damaged or not a TIFF file");

  std::uint32_t width = 0, height = 0;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
  CheckPictureSize(width, height, limits);
  if (width == 0 || height == 0) fail("its picture is empty");

  char reason[1024] = {};
  if (!TIFFRGBAImageOK(tif.get(), reason)) {
    throw PictureFileError(std::string("The TIFF file uses a form that cannot be read: ") + reason +
                           ".");
  }
  // Stopping at the first damaged strip or tile: going on would give a picture partly made up.
  TIFFRGBAImage img{};
  if (!TIFFRGBAImageBegin(&img, tif.get(), 1, reason)) {
    throw PictureFileError(std::string("The TIFF file cannot be read: ") + reason + ".");
  }
  struct End {
    TIFFRGBAImage* img;
    ~End() { TIFFRGBAImageEnd(img); }
  } end{&img};
  // Rows as stored, first row first: the orientation is applied below, for all eight values
  // (libtiff's own handling leaves out the ones that swap rows and columns).
  const int orientation = img.orientation;
  img.req_orientation = img.orientation;
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * height);
  if (!TIFFRGBAImageGet(&img, raster.data(), width, height)) fail("its picture data is damaged");

  LoadedPicture out;
  Picture stored(static_cast<int>(width), static_cast<int>(height), 24);
  std::uint8_t* base = stored.rawData();
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint32_t* s = raster.data() + static_cast<std::size_t>(y) * width;
    std::uint8_t* d = base + static_cast<std::size_t>(y) * stored.stride();
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t p = s[x];
      const int a = static_cast<int>(TIFFGetA(p));
      d[3 * x] = OverWhite(static_cast<int>(TIFFGetB(p)), a);
      d[3 * x + 1] = OverWhite(static_cast<int>(TIFFGetG(p)), a);
      d[3 * x + 2] = OverWhite(static_cast<int>(TIFFGetR(p)), a);
    }
  }
  out.picture = Oriented(stored, orientation);
  std::uint32_t iccSize = 0;
  void* icc = nullptr;
  if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc) {
    const auto* p = static_cast<const std::uint8_t*>(icc);
    out.metadata.icc.assign(p, p + iccSize);
  }
  return out;
}

}  // namespace drollo::formats
