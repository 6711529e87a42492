// libjpeg reports errors through a callback that must not return. It jumps back (longjmp) to the
// setjmp in one of the small Try* functions below; those hold no C++ objects, so no destructor
// is skipped, and the C++ callers turn a failed step into an exception. The decoder and encoder
// structures are released by guards constructed before any setjmp.
#include "formats/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "formats/exif.h"
#include "formats/orientation.h"

namespace drollo::formats {
namespace {

// A progressive file may hold any number of scans; past this many it is refused rather than
// decoded for minutes.
constexpr int kMaxScans = 1000;
constexpr int kMaxJpegSide = 65500;
constexpr JOCTET kExifPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
// A marker segment holds at most 65533 bytes after its length field.
constexpr std::size_t kMaxSegmentBytes = 65533;
// 255 APP2 segments of 65519 profile bytes each.
constexpr std::size_t kMaxIccBytes = std::size_t{255} * 65519;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr c) {
  auto* e = reinterpret_cast<ErrorManager*>(c->err);
  (*c->err->format_message)(c, e->message);
  std::longjmp(e->jump, 1);
}

void EmitMessage(j_common_ptr c, int level) {
  if (level >= 0) return;  // trace messages
  // Warnings are mostly harmless (stray bytes between markers), but data that ends early would
  // otherwise come back padded with grey.
  if (c->err->msg_code == JWRN_JPEG_EOF || c->err->msg_code == JWRN_HIT_MARKER) ErrorExit(c);
  ++c->err->num_warnings;
}

void ProgressMonitor(j_common_ptr c) {
  if (c->is_decompressor && reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxScans) {
    auto* e = reinterpret_cast<ErrorManager*>(c->err);
    std::snprintf(e->message, sizeof e->message, "The JPEG file holds more than %d scans.",
                  kMaxScans);
    std::longjmp(e->jump, 1);
  }
}

void InitErrors(ErrorManager& e) {
  jpeg_std_error(&e.pub);
  e.pub.error_exit = ErrorExit;
  e.pub.emit_message = EmitMessage;
  e.message[0] = '\0';
}

// --- Decoding steps: each returns false after a libjpeg error ---------------------------------

bool TryCreate(jpeg_decompress_struct* c, ErrorManager* e) {
  if (setjmp(e->jump)) return false;
  jpeg_create_decompress(c);
  return true;
}

bool TryReadHeader(jpeg_decompress_struct* c, ErrorManager* e, const unsigned char* data,
                   unsigned long size, bool keepMetadata) {
  if (setjmp(e->jump)) return false;
  jpeg_mem_src(c, data, size);
  if (keepMetadata) {
    jpeg_save_markers(c, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(c, JPEG_APP0 + 2, 0xFFFF);
  }
  jpeg_read_header(c, TRUE);
  return true;
}

bool TryStart(jpeg_decompress_struct* c, ErrorManager* e) {
  if (setjmp(e->jump)) return false;
  jpeg_start_decompress(c);
  return true;
}

bool TryReadRow(jpeg_decompress_struct* c, ErrorManager* e, unsigned char* row) {
  if (setjmp(e->jump)) return false;
  JSAMPROW rows[1] = {row};
  if (jpeg_read_scanlines(c, rows, 1) == 1) return true;
  // With a memory source a suspension cannot happen; treat it as the end of the data.
  std::snprintf(e->message, sizeof e->message, "the data ends early");
  return false;
}

// jpeg_read_icc_profile joins the APP2 segments; it allocates the result with malloc.
bool TryReadIcc(jpeg_decompress_struct* c, ErrorManager* e, JOCTET** data, unsigned int* size) {
  if (setjmp(e->jump)) return false;
  if (!jpeg_read_icc_profile(c, data, size)) *data = nullptr;
  return true;
}

struct Decompressor {
  jpeg_decompress_struct c{};
  ErrorManager e{};
  jpeg_progress_mgr progress{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&c);
  }
  [[noreturn]] void fail() const {
    throw PictureFileError(std::string("The JPEG file cannot be read: ") + e.message);
  }
};

// --- Encoding steps ---------------------------------------------------------------------------

bool TryCreate(jpeg_compress_struct* c, ErrorManager* e) {
  if (setjmp(e->jump)) return false;
  jpeg_create_compress(c);
  return true;
}

bool TryStartCompress(jpeg_compress_struct* c, ErrorManager* e, unsigned char** buffer,
                      unsigned long* size, int width, int height, int quality,
                      const PhotoMetadata& metadata) {
  if (setjmp(e->jump)) return false;
  jpeg_mem_dest(c, buffer, size);
  c->image_width = static_cast<JDIMENSION>(width);
  c->image_height = static_cast<JDIMENSION>(height);
  c->input_components = 3;
  c->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(c);  // YCbCr, baseline, standard Huffman tables
  jpeg_set_quality(c, quality, TRUE);
  c->optimize_coding = FALSE;
  // EXIF files begin with their APP1 segment, in place of the JFIF one.
  const std::size_t exifBytes = metadata.exif.size() + sizeof kExifPrefix;
  const bool exif = !metadata.exif.empty() && exifBytes <= kMaxSegmentBytes;
  if (exif) c->write_JFIF_header = FALSE;
  jpeg_start_compress(c, TRUE);
  if (exif) {
    std::vector<JOCTET> segment(kExifPrefix, kExifPrefix + sizeof kExifPrefix);
    segment.insert(segment.end(), metadata.exif.begin(), metadata.exif.end());
    jpeg_write_marker(c, JPEG_APP0 + 1, segment.data(), static_cast<unsigned>(segment.size()));
  }
  if (!metadata.icc.empty() && metadata.icc.size() <= kMaxIccBytes)
    jpeg_write_icc_profile(c, metadata.icc.data(), static_cast<unsigned>(metadata.icc.size()));
  return true;
}

bool TryWriteRow(jpeg_compress_struct* c, ErrorManager* e, unsigned char* row) {
  if (setjmp(e->jump)) return false;
  JSAMPROW rows[1] = {row};
  jpeg_write_scanlines(c, rows, 1);
  return true;
}

bool TryFinish(jpeg_compress_struct* c, ErrorManager* e) {
  if (setjmp(e->jump)) return false;
  jpeg_finish_compress(c);
  return true;
}

struct Compressor {
  jpeg_compress_struct c{};
  ErrorManager e{};
  bool created = false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~Compressor() {
    if (created) jpeg_destroy_compress(&c);
    std::free(buffer);  // jpeg_mem_dest allocates with malloc
  }
  [[noreturn]] void fail() const {
    throw PictureFileError(std::string("The JPEG file cannot be written: ") + e.message);
  }
};

std::uint8_t Scale(int a, int b) {
  return static_cast<std::uint8_t>((a * b + 127) / 255);
}

Picture Decode(std::span<const std::uint8_t> file, const DecodeLimits& limits,
               PhotoMetadata* metadata) {
  // Many files lack the end-of-image marker although all their data is there. The decoder reads
  // a few bytes ahead at the end of the last scan, and running off the end of the buffer counts
  // as truncation; with the marker in place it stops there cleanly, while a file that really
  // ends early still meets the marker before its data is complete.
  std::vector<std::uint8_t> withEnd;
  if (file.size() >= 2 && !(file[file.size() - 2] == 0xFF && file[file.size() - 1] == 0xD9)) {
    withEnd.reserve(file.size() + 2);
    withEnd.assign(file.begin(), file.end());
    withEnd.push_back(0xFF);
    withEnd.push_back(0xD9);
    file = withEnd;
  }
  Decompressor d;
  InitErrors(d.e);
  d.c.err = &d.e.pub;
  if (!TryCreate(&d.c, &d.e)) d.fail();
  d.created = true;
  d.progress.progress_monitor = ProgressMonitor;
  d.c.progress = &d.progress;
  if (!TryReadHeader(&d.c, &d.e, file.data(), static_cast<unsigned long>(file.size()),
                     metadata != nullptr))
    d.fail();
  CheckPictureSize(d.c.image_width, d.c.image_height, limits);
  if (metadata) {
    for (jpeg_saved_marker_ptr m = d.c.marker_list; m; m = m->next) {
      const auto exif = ExifFromApp1({m->data, m->data_length});
      if (m->marker == JPEG_APP0 + 1 && !exif.empty() && metadata->exif.empty())
        metadata->exif.assign(exif.begin(), exif.end());
    }
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;
    if (!TryReadIcc(&d.c, &d.e, &icc, &iccSize)) d.fail();
    if (icc) metadata->icc.assign(icc, icc + iccSize);
    std::free(icc);
  }

  bool cmyk = false;
  switch (d.c.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.c.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      d.c.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d.c.out_color_space = JCS_CMYK;  // libjpeg turns YCCK into CMYK
      cmyk = true;
      break;
    default:
      throw PictureFileError("The JPEG file uses a colour space that cannot be read (" +
                             std::to_string(d.c.num_components) + " components).");
  }
  if (!TryStart(&d.c, &d.e)) d.fail();
  const int width = static_cast<int>(d.c.output_width);
  const int height = static_cast<int>(d.c.output_height);
  CheckPictureSize(width, height, limits);

  const bool grey = d.c.out_color_space == JCS_GRAYSCALE;
  Picture out(width, height, grey ? PixelFormat::Grey8() : PixelFormat::Bgr24());
  std::vector<unsigned char> cmykRow(cmyk ? static_cast<std::size_t>(width) * 4 : 0);
  // Adobe applications write CMYK inverted (0 means full ink) and mark it with their marker.
  const bool inverted = d.c.saw_Adobe_marker;
  std::uint8_t* base = out.rawData();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = base + static_cast<std::size_t>(y) * out.stride();
    if (!cmyk) {
      if (!TryReadRow(&d.c, &d.e, row)) d.fail();
      continue;
    }
    if (!TryReadRow(&d.c, &d.e, cmykRow.data())) d.fail();
    for (int x = 0; x < width; ++x) {
      int c = cmykRow[4 * x], m = cmykRow[4 * x + 1], yl = cmykRow[4 * x + 2],
          k = cmykRow[4 * x + 3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        yl = 255 - yl;
        k = 255 - k;
      }
      row[3 * x] = Scale(yl, k);
      row[3 * x + 1] = Scale(m, k);
      row[3 * x + 2] = Scale(c, k);
    }
  }
  // The rest of the file (after the last row) is not read: jpeg_destroy releases everything.
  return out;
}

}  // namespace

Picture DecodeJpeg(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  return Decode(file, limits, nullptr);
}

LoadedPicture ReadJpeg(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  LoadedPicture out;
  out.picture = Decode(file, limits, &out.metadata);
  MakeUpright(out);
  return out;
}

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality) {
  return EncodeJpeg(picture, PhotoMetadata{}, quality);
}

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, const PhotoMetadata& metadata,
                                     int quality) {
  if (picture.empty()) throw PictureFileError("An empty picture cannot be saved as JPEG.");
  if (picture.width() > kMaxJpegSide || picture.height() > kMaxJpegSide)
    throw PictureFileError(
        "The picture is too large for a JPEG file (at most 65500 pixels wide "
        "and high).");
  const Picture converted = picture.bitsPerPixel() == 24 ? Picture() : ToBgr24(picture);
  const Picture& src = picture.bitsPerPixel() == 24 ? picture : converted;
  std::vector<unsigned char> row(static_cast<std::size_t>(src.width()) * 3);

  Compressor k;
  InitErrors(k.e);
  k.c.err = &k.e.pub;
  if (!TryCreate(&k.c, &k.e)) k.fail();
  k.created = true;
  if (!TryStartCompress(&k.c, &k.e, &k.buffer, &k.size, src.width(), src.height(), quality,
                        metadata))
    k.fail();
  for (int y = 0; y < src.height(); ++y) {
    std::memcpy(row.data(), src.row(y), row.size());  // libjpeg takes non-const rows
    if (!TryWriteRow(&k.c, &k.e, row.data())) k.fail();
  }
  if (!TryFinish(&k.c, &k.e)) k.fail();
  return std::vector<std::uint8_t>(k.buffer, k.buffer + k.size);
}

}  // namespace drollo::formats
