#include "formats/sample_files.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "formats/bmp.h"
#include "formats/jpeg.h"
#include "formats/metafile.h"
#include "formats/metafile_samples.h"

namespace drollo::formats::samples {

Builder& Builder::u8(unsigned v) {
  bytes.push_back(static_cast<std::uint8_t>(v));
  return *this;
}
Builder& Builder::u16(unsigned v) {
  return u8(v & 0xFF).u8((v >> 8) & 0xFF);
}
Builder& Builder::u32(std::uint32_t v) {
  return u16(v & 0xFFFF).u16(v >> 16);
}
Builder& Builder::raw(const Bytes& b) {
  bytes.insert(bytes.end(), b.begin(), b.end());
  return *this;
}

Bytes BmpFile(const Bytes& dib, const Bytes& pixels) {
  Builder b;
  b.u8('B').u8('M').u32(static_cast<std::uint32_t>(14 + dib.size() + pixels.size())).u32(0);
  b.u32(static_cast<std::uint32_t>(14 + dib.size()));
  return b.raw(dib).raw(pixels).bytes;
}

Bytes InfoHeader(int width, int height, int bits, std::uint32_t compression,
                 std::uint32_t coloursUsed) {
  Builder b;
  b.u32(40).u32(static_cast<std::uint32_t>(width)).u32(static_cast<std::uint32_t>(height));
  b.u16(1).u16(static_cast<unsigned>(bits)).u32(compression).u32(0).u32(2835).u32(2835);
  return b.u32(coloursUsed).u32(0).bytes;
}

namespace {

Bytes Table(const std::vector<Bgra>& palette) {
  Builder b;
  for (const Bgra& e : palette) b.u8(e.b).u8(e.g).u8(e.r).u8(0);
  return b.bytes;
}

const std::vector<Bgra> kFour = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};

}  // namespace

IndexedSample Rle8Sample() {
  // 4 x 3, rows bottom-up: a run; a literal group (padded) and a run; a delta and a run.
  IndexedSample s{
      {}, 4, 3, 8, {kFour[0], kFour[1], kFour[2]}, {0, 0, 1, 1, 0, 1, 2, 2, 1, 1, 1, 1}};
  const Bytes pixels = {4, 1, 0, 0,                    //
                        0, 3, 0, 1, 2, 0, 1, 2, 0, 0,  //
                        0, 2, 2, 0, 2, 1, 0, 1};       //
  Bytes dib = InfoHeader(4, 3, 8, 1, 3);
  const Bytes t = Table(s.palette);
  dib.insert(dib.end(), t.begin(), t.end());
  s.file = BmpFile(dib, pixels);
  return s;
}

IndexedSample Rle4Sample() {
  // 5 x 2: a run alternating two indices; a three-index literal group and a run.
  IndexedSample s{{}, 5, 2, 4, kFour, {3, 2, 1, 3, 3, 1, 2, 1, 2, 1}};
  const Bytes pixels = {5, 0x12, 0, 0, 0, 3, 0x32, 0x10, 2, 0x33, 0, 1};
  Bytes dib = InfoHeader(5, 2, 4, 2, 4);
  const Bytes t = Table(s.palette);
  dib.insert(dib.end(), t.begin(), t.end());
  s.file = BmpFile(dib, pixels);
  return s;
}

IndexedSample CoreHeader1BitSample() {
  // 10 x 2 with a 12-byte header and a table of three-byte entries.
  IndexedSample s{{}, 10, 2, 1, {{10, 20, 30, 0}, {200, 210, 220, 0}}, {}};
  const int bottom[10] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 1};
  const int top[10] = {0, 0, 0, 0, 1, 1, 1, 1, 0, 1};
  s.indices.assign(top, top + 10);
  s.indices.insert(s.indices.end(), bottom, bottom + 10);
  Builder dib;
  dib.u32(12).u16(10).u16(2).u16(1).u16(1);
  for (const Bgra& e : s.palette) dib.u8(e.b).u8(e.g).u8(e.r);
  auto pack = [](const int* v) {
    unsigned a = 0, b = 0;
    for (int i = 0; i < 8; ++i) a |= static_cast<unsigned>(v[i]) << (7 - i);
    for (int i = 8; i < 10; ++i) b |= static_cast<unsigned>(v[i]) << (15 - i);
    return Bytes{static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), 0, 0};
  };
  Bytes pixels = pack(bottom);
  const Bytes t = pack(top);
  pixels.insert(pixels.end(), t.begin(), t.end());
  s.file = BmpFile(dib.bytes, pixels);
  return s;
}

IndexedSample ShortPaletteSample() {
  IndexedSample s{{}, 4, 1, 8, {{1, 2, 3, 0}, {40, 50, 60, 0}}, {0, 1, 2, 3}};
  Bytes dib = InfoHeader(4, 1, 8, 0, 2);
  const Bytes t = Table(s.palette);
  dib.insert(dib.end(), t.begin(), t.end());
  s.file = BmpFile(dib, {0, 1, 2, 3});
  return s;
}

ColourSample TopDown24Sample() {
  ColourSample s{{}, Picture(3, 2, 24)};
  Builder px;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const int r = 40 * x + 1, g = 100 + 50 * y, b = 7 * (x + y);
      px.u8(b).u8(g).u8(r);
      s.expected.setPixel(x, y, MakeColour(r, g, b));
    }
    px.u8(0).u8(0).u8(0);  // 9 bytes padded to 12
  }
  s.file = BmpFile(InfoHeader(3, -2, 24, 0), px.bytes);
  return s;
}

ColourSample BitFields565Sample() {
  // 2 x 2, 5-6-5 masks after an info header, bottom-up: white, pure red / pure green, blue.
  ColourSample s{{}, Picture(2, 2, 24)};
  s.expected.setPixel(0, 0, MakeColour(0, 255, 0));
  s.expected.setPixel(1, 0, MakeColour(0, 0, 255));
  s.expected.setPixel(0, 1, MakeColour(255, 255, 255));
  s.expected.setPixel(1, 1, MakeColour(255, 0, 0));
  Builder dib;
  dib.raw(InfoHeader(2, 2, 16, 3)).u32(0xF800).u32(0x07E0).u32(0x001F);
  Builder px;
  px.u16(0xFFFF).u16(0xF800);  // bottom row
  px.u16(0x07E0).u16(0x001F);  // top row
  s.file = BmpFile(dib.bytes, px.bytes);
  return s;
}

ColourSample V4BitFields32Sample() {
  // 2 x 1, a v4 header with masks in it: red in the lowest byte, blue in the third.
  ColourSample s{{}, Picture(2, 1, 24)};
  s.expected.setPixel(0, 0, MakeColour(10, 20, 30));
  s.expected.setPixel(1, 0, MakeColour(250, 128, 3));
  Builder dib;
  dib.u32(108).u32(2).u32(1).u16(1).u16(32).u32(3).u32(8).u32(0).u32(0).u32(0).u32(0);
  dib.u32(0x000000FF).u32(0x0000FF00).u32(0x00FF0000).u32(0xFF000000);
  dib.u32(0x73524742);
  for (int i = 0; i < 12; ++i) dib.u32(0);  // end points and gammas
  Builder px;
  px.u8(10).u8(20).u8(30).u8(255).u8(250).u8(128).u8(3).u8(255);
  s.file = BmpFile(dib.bytes, px.bytes);
  return s;
}

namespace {

int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

}  // namespace

Bytes GifFile(int screenW, int screenH, int left, int top, int w, int h,
              const std::vector<Bgra>& palette, const std::vector<int>& indices, int transparent,
              bool interlaced) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifWrite, &error);
  if (!gif) throw std::runtime_error("EGifOpen failed");
  std::vector<GifColorType> colours;
  for (const Bgra& e : palette) colours.push_back(GifColorType{e.r, e.g, e.b});
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screenW, screenH, 8, 0, map);
  if (transparent >= 0) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.TransparentColor = transparent;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
  }
  EGifPutImageDesc(gif, left, top, w, h, interlaced, nullptr);
  std::vector<int> order;
  if (interlaced) {
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = start[pass]; y < h; y += step[pass]) order.push_back(y);
  } else {
    for (int y = 0; y < h; ++y) order.push_back(y);
  }
  std::vector<GifPixelType> line(w);
  for (int y : order) {
    for (int x = 0; x < w; ++x) line[x] = static_cast<GifPixelType>(indices[y * w + x]);
    EGifPutLine(gif, line.data(), w);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

IconImage IconBitmap(int width, int height, int bits, const std::vector<Bgra>& pixels,
                     const std::vector<bool>& masked) {
  Builder b;
  b.raw(InfoHeader(width, 2 * height, bits, 0));
  const int bpp = bits / 8;
  const int rowBytes = (width * bpp + 3) / 4 * 4;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Bgra& p = pixels[y * width + x];
      b.u8(p.b).u8(p.g).u8(p.r);
      if (bpp == 4) b.u8(p.a);
    }
    for (int i = width * bpp; i < rowBytes; ++i) b.u8(0);
  }
  const int maskBytes = (width + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    Bytes row(maskBytes, 0);
    for (int x = 0; x < width; ++x)
      if (masked[y * width + x]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    b.raw(row);
  }
  return IconImage{b.bytes, width, height, bits};
}

namespace {

void PngWriteData(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}

}  // namespace

Bytes PngFile(int width, int height, const std::vector<Bgra>& pixels) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngWriteData, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Bgra& p = pixels[y * width + x];
      row[4 * x] = p.r;
      row[4 * x + 1] = p.g;
      row[4 * x + 2] = p.b;
      row[4 * x + 3] = p.a;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

IconImage IconPng(int width, int height, const std::vector<Bgra>& pixels) {
  return IconImage{PngFile(width, height, pixels), width, height, 32};
}

Bytes IconFile(const std::vector<IconImage>& images) {
  Builder b;
  b.u16(0).u16(1).u16(static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const IconImage& im : images) {
    b.u8(im.width & 0xFF)
        .u8(im.height & 0xFF)
        .u8(0)
        .u8(0)
        .u16(1)
        .u16(static_cast<unsigned>(im.bits));
    b.u32(static_cast<std::uint32_t>(im.data.size())).u32(offset);
    offset += static_cast<std::uint32_t>(im.data.size());
  }
  for (const IconImage& im : images) b.raw(im.data);
  return b.bytes;
}

Bytes JpegFile(JpegKind kind, int width, int height, int red, int green, int blue) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  std::vector<unsigned char> pixel;
  const int k = 64;  // ink of the black channel in the CMYK kinds
  switch (kind) {
    case JpegKind::kColour:
    case JpegKind::kProgressive:
      c.input_components = 3;
      c.in_color_space = JCS_RGB;
      pixel = {static_cast<unsigned char>(red), static_cast<unsigned char>(green),
               static_cast<unsigned char>(blue)};
      break;
    case JpegKind::kGrey:
      c.input_components = 1;
      c.in_color_space = JCS_GRAYSCALE;
      pixel = {static_cast<unsigned char>(red)};
      break;
    case JpegKind::kCmykAdobe:
    case JpegKind::kYcckAdobe:
      c.input_components = 4;
      c.in_color_space = JCS_CMYK;
      pixel = {static_cast<unsigned char>(red), static_cast<unsigned char>(green),
               static_cast<unsigned char>(blue), static_cast<unsigned char>(255 - k)};
      break;
    case JpegKind::kCmykPlain:
      c.input_components = 4;
      c.in_color_space = JCS_CMYK;
      pixel = {static_cast<unsigned char>(255 - red), static_cast<unsigned char>(255 - green),
               static_cast<unsigned char>(255 - blue), static_cast<unsigned char>(k)};
      break;
  }
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (kind == JpegKind::kYcckAdobe) jpeg_set_colorspace(&c, JCS_YCCK);
  if (kind == JpegKind::kCmykPlain) c.write_Adobe_marker = FALSE;
  if (kind == JpegKind::kProgressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
  for (int y = 0; y < height; ++y) {
    JSAMPROW r[1] = {row.data()};
    jpeg_write_scanlines(&c, r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

namespace {

Picture Pattern(int width, int height, int bits) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.setPixel(x, y, MakeColour(x * 37 + y * 5, y * 53 + x, (x ^ y) * 29));
  if (bits == 24) return p;
  if (bits == 32) {
    p.convertTo(32);
    return p;
  }
  Picture q(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) q.setPixel(x, y, p.pixel(x, y));
  return q;
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> FuzzSeeds(const std::string& target) {
  std::vector<std::pair<std::string, Bytes>> seeds;
  if (target == "bmp") {
    for (int bits : {1, 4, 8, 16, 24, 32})
      seeds.emplace_back("depth" + std::to_string(bits) + ".bmp", EncodeBmp(Pattern(7, 5, bits)));
    seeds.emplace_back("rle8.bmp", Rle8Sample().file);
    seeds.emplace_back("rle4.bmp", Rle4Sample().file);
    seeds.emplace_back("core1.bmp", CoreHeader1BitSample().file);
    seeds.emplace_back("short_palette.bmp", ShortPaletteSample().file);
    seeds.emplace_back("topdown24.bmp", TopDown24Sample().file);
    seeds.emplace_back("bitfields565.bmp", BitFields565Sample().file);
    seeds.emplace_back("v4_32.bmp", V4BitFields32Sample().file);
  } else if (target == "jpeg") {
    seeds.emplace_back("colour.jpg", EncodeJpeg(Pattern(17, 9, 24)));
    seeds.emplace_back("grey.jpg", JpegFile(JpegKind::kGrey, 8, 8, 90, 0, 0));
    seeds.emplace_back("cmyk_adobe.jpg", JpegFile(JpegKind::kCmykAdobe, 8, 8, 200, 30, 90));
    seeds.emplace_back("cmyk_plain.jpg", JpegFile(JpegKind::kCmykPlain, 8, 8, 200, 30, 90));
    seeds.emplace_back("ycck.jpg", JpegFile(JpegKind::kYcckAdobe, 8, 8, 200, 30, 90));
    seeds.emplace_back("progressive.jpg", JpegFile(JpegKind::kProgressive, 16, 16, 1, 2, 3));
  } else if (target == "gif") {
    const std::vector<Bgra> pal = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
    std::vector<int> idx(6 * 5);
    for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<int>(i % 4);
    seeds.emplace_back("plain.gif", GifFile(6, 5, 0, 0, 6, 5, pal, idx, -1, false));
    seeds.emplace_back("offset_transparent.gif", GifFile(9, 8, 2, 1, 6, 5, pal, idx, 2, false));
    seeds.emplace_back("interlaced.gif", GifFile(6, 5, 0, 0, 6, 5, pal, idx, 1, true));
  } else if (target == "icon") {
    std::vector<Bgra> px(4 * 4);
    std::vector<bool> mask(px.size());
    for (std::size_t i = 0; i < px.size(); ++i) {
      px[i] = Bgra{static_cast<std::uint8_t>(i * 9), 80, 200, static_cast<std::uint8_t>(i * 16)};
      mask[i] = i % 3 == 0;
    }
    seeds.emplace_back("bitmap24.ico", IconFile({IconBitmap(4, 4, 24, px, mask)}));
    seeds.emplace_back("bitmap32.ico", IconFile({IconBitmap(4, 4, 32, px, mask)}));
    seeds.emplace_back("png.ico", IconFile({IconBitmap(4, 4, 24, px, mask), IconPng(4, 4, px)}));
  } else if (target == "metafile") {
    seeds.emplace_back("picture24.wmf", EncodePlaceableMetafile(Pattern(5, 3, 24)));
    seeds.emplace_back("picture8.wmf", EncodePlaceableMetafile(Pattern(4, 4, 8)));
    seeds.emplace_back("drawing.wmf", VectorWmfSample());
    seeds.emplace_back("drawing.emf", VectorEmfSample());
  }
  return seeds;
}

}  // namespace drollo::formats::samples
