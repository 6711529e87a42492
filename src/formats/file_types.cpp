#include "formats/file_types.h"

#include <algorithm>
#include <cstring>

#include "formats/bmp.h"
#include "formats/gif.h"
#include "formats/heif.h"
#include "formats/icon.h"
#include "formats/jpeg.h"
#include "formats/picture_file.h"
#include "formats/png.h"
#include "formats/tiff.h"
#include "formats/webp.h"

namespace drollo::formats {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Span = std::span<const std::uint8_t>;

// A 64-bit digest of every byte of the picture, to check that it is made again the same.
std::uint64_t Digest(const Picture& p) {
  const std::uint8_t* b = p.row(0);
  const std::size_t n = p.blank() ? p.stride() : p.byteSize();
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  std::uint64_t h[4] = {n, 1, 2, 3};
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32)
    for (int k = 0; k < 4; ++k) {
      std::uint64_t w;
      std::memcpy(&w, b + i + 8 * k, 8);
      h[k] = (h[k] ^ w) * kMul;
      h[k] ^= h[k] >> 29;
    }
  for (; i < n; ++i) h[0] = (h[0] ^ b[i]) * kMul;
  return h[0] ^ (h[1] * 3) ^ (h[2] * 5) ^ (h[3] * 7);
}

// The file's bytes and its reader: a decoder is a function of the bytes alone, so reading them
// again gives the picture again. The digest catches it if it ever does not.
class FileOrigin final : public PictureOrigin {
 public:
  FileOrigin(Bytes bytes, const FileTypeInfo& type, const ReadOptions& options,
             const Picture& picture)
      : bytes_(std::move(bytes)),
        type_(type),
        options_(options),
        width_(picture.width()),
        height_(picture.height()),
        format_(picture.format()),
        digest_(Digest(picture)) {}

  std::size_t bytesHeld() const override { return bytes_.capacity(); }

 protected:
  Picture make() const override {
    LoadedPicture again = type_.read(bytes_, options_);
    if (again.picture.width() != width_ || again.picture.height() != height_ ||
        again.picture.format() != format_ || Digest(again.picture) != digest_)
      throw PictureFileError("The opened " + std::string(type_.name) +
                             " file was not read again the same, so the opened picture cannot be "
                             "brought back.");
    return std::move(again.picture);
  }

 private:
  Bytes bytes_;
  const FileTypeInfo& type_;
  ReadOptions options_;
  int width_, height_;
  PixelFormat format_;
  std::uint64_t digest_;
};

// Types whose readers decode compressed pixels deterministically; the others (BMP, whose file is
// about as large as its pixels, metafiles, drawn with fonts, and icons) keep their pixels.
bool MadeAgainFromFile(FileType t) {
  switch (t) {
    case FileType::Jpeg:
    case FileType::Png:
    case FileType::Webp:
    case FileType::Tiff:
    case FileType::Heif:
    case FileType::Avif:
    case FileType::Gif:
      return true;
    default:
      return false;
  }
}

LoadedPicture Plain(Picture p) {
  return LoadedPicture{std::move(p), {}, nullptr};
}

LoadedPicture ReadJpegFile(Span f, const ReadOptions& o) {
  return ReadJpeg(f, o.limits);
}
LoadedPicture ReadBmpFile(Span f, const ReadOptions& o) {
  return Plain(DecodeBmp(f, o.limits));
}
LoadedPicture ReadMetafileFile(Span f, const ReadOptions& o) {
  return Plain((o.metafiles ? *o.metafiles : BuiltInMetafileReader()).Read(f, o.limits));
}
LoadedPicture ReadGifFile(Span f, const ReadOptions& o) {
  return Plain(DecodeGif(f, o.limits));
}
LoadedPicture ReadPngFile(Span f, const ReadOptions& o) {
  return ReadPng(f, o.limits);
}
LoadedPicture ReadWebpFile(Span f, const ReadOptions& o) {
  return ReadWebp(f, o.limits);
}
LoadedPicture ReadTiffFile(Span f, const ReadOptions& o) {
  return ReadTiff(f, o.limits);
}
LoadedPicture ReadHeifFile(Span f, const ReadOptions& o) {
  return ReadHeif(f, o.limits);
}
LoadedPicture ReadIconFile(Span f, const ReadOptions& o) {
  return Plain(DecodeIcon(f, o.limits));
}

Bytes WriteJpegFile(const Picture& p, const PhotoMetadata& m) {
  return EncodeJpeg(p, m);
}
Bytes WriteBmpFile(const Picture& p, const PhotoMetadata&) {
  return EncodeBmp(p);
}
Bytes WriteMetafileFile(const Picture& p, const PhotoMetadata&) {
  return EncodePlaceableMetafile(p);
}
Bytes WritePngFile(const Picture& p, const PhotoMetadata& m) {
  return EncodePng(p, m);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool StartsWith(Span b, std::size_t at, const char* text) {
  const std::size_t n = std::strlen(text);
  return b.size() >= at + n && std::memcmp(b.data() + at, text, n) == 0;
}

std::uint16_t U16(Span b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// HEIF files begin with a file-type box whose brands tell HEVC (HEIC) from AV1 (AVIF) pictures.
const FileTypeInfo* HeifKind(Span b) {
  if (b.size() < 16 || !StartsWith(b, 4, "ftyp")) return nullptr;
  const std::size_t boxEnd = std::min<std::size_t>(
      b.size(), (std::size_t{b[0]} << 24) | (b[1] << 16) | (b[2] << 8) | b[3]);
  bool heic = false, avif = false, image = false;
  for (std::size_t at = 8; at + 4 <= boxEnd; at += 4) {
    if (at == 12) continue;  // the minor version
    const std::string brand(reinterpret_cast<const char*>(b.data() + at), 4);
    if (brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx" ||
        brand == "heim" || brand == "heis" || brand == "hevm" || brand == "hevs")
      heic = true;
    if (brand == "avif" || brand == "avis") avif = true;
    if (brand == "mif1" || brand == "msf1") image = true;
  }
  if (avif && !heic) return &FileTypeOf(FileType::Avif);
  if (heic || image) return &FileTypeOf(FileType::Heif);
  return nullptr;
}

}  // namespace

const std::vector<FileTypeInfo>& FileTypes() {
  // clang-format off
  static const std::vector<FileTypeInfo> types = {
      // type, name, extensions, in the open dialog,
      //   MIME types,
      //   save dialog entry, reader, writer
      {FileType::Jpeg, "JPEG", {".jpg", ".jpeg"}, true,
         {"image/jpeg"},
         1, ReadJpegFile, WriteJpegFile},
      {FileType::Bmp, "BMP", {".bmp"}, true,
         {"image/bmp"},
         2, ReadBmpFile, WriteBmpFile},
      {FileType::Metafile, "metafile", {".wmf", ".emf"}, true,
         {"image/wmf", "image/x-wmf", "image/emf", "image/x-emf"},
         3, ReadMetafileFile, WriteMetafileFile},
      {FileType::Gif, "GIF", {".gif"}, true,
         {"image/gif"},
         0, ReadGifFile, nullptr},
      {FileType::Png, "PNG", {".png"}, true,
         {"image/png"},
         4, ReadPngFile, WritePngFile},
      {FileType::Webp, "WebP", {".webp"}, true,
         {"image/webp"},
         0, ReadWebpFile, nullptr},
      {FileType::Tiff, "TIFF", {".tif", ".tiff"}, true,
         {"image/tiff"},
         0, ReadTiffFile, nullptr},
      {FileType::Heif, "HEIC/HEIF", {".heic", ".heif"}, true,
         {"image/heic", "image/heif"},
         0, ReadHeifFile, nullptr},
      {FileType::Avif, "AVIF", {".avif"}, true,
         {"image/avif"},
         0, ReadHeifFile, nullptr},
      // Icons open from "All pictures" and "All files" only, as before.
      {FileType::Icon, "icon", {".ico"}, false,
         {"image/vnd.microsoft.icon", "image/x-icon"},
         0, ReadIconFile, nullptr},
  };
  // clang-format on
  return types;
}

const FileTypeInfo& FileTypeOf(FileType type) {
  for (const FileTypeInfo& t : FileTypes())
    if (t.type == type) return t;
  return FileTypes().front();  // not reached: every type has a row
}

const FileTypeInfo* FileTypeForName(const std::string& name) {
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  const std::string extension = Lower(name.substr(dot));
  for (const FileTypeInfo& t : FileTypes())
    for (std::string_view e : t.extensions)
      if (e == extension) return &t;
  return nullptr;
}

const FileTypeInfo* FileTypeForContent(std::span<const std::uint8_t> b) {
  if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
    return &FileTypeOf(FileType::Jpeg);
  if (StartsWith(b, 0, "\x89PNG\r\n\x1A\n")) return &FileTypeOf(FileType::Png);
  if (StartsWith(b, 0, "GIF87a") || StartsWith(b, 0, "GIF89a")) return &FileTypeOf(FileType::Gif);
  if (StartsWith(b, 0, "RIFF") && StartsWith(b, 8, "WEBP")) return &FileTypeOf(FileType::Webp);
  // Classic and big TIFF, either byte order.
  if (b.size() >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                        (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43))))
    return &FileTypeOf(FileType::Tiff);
  if (const FileTypeInfo* heif = HeifKind(b)) return heif;
  if (StartsWith(b, 0, "BM")) return &FileTypeOf(FileType::Bmp);
  // Placeable metafile key; a plain metafile's header (memory or disk type, 9 words, version 1
  // or 3); an enhanced metafile's header record with its " EMF" signature.
  if (b.size() >= 4 && b[0] == 0xD7 && b[1] == 0xCD && b[2] == 0xC6 && b[3] == 0x9A)
    return &FileTypeOf(FileType::Metafile);
  if (b.size() >= 6 && (U16(b, 0) == 1 || U16(b, 0) == 2) && U16(b, 2) == 9 &&
      (U16(b, 4) == 0x0100 || U16(b, 4) == 0x0300))
    return &FileTypeOf(FileType::Metafile);
  if (b.size() >= 44 && U16(b, 0) == 1 && U16(b, 2) == 0 && StartsWith(b, 40, " EMF"))
    return &FileTypeOf(FileType::Metafile);
  if (b.size() >= 6 && U16(b, 0) == 0 && (U16(b, 2) == 1 || U16(b, 2) == 2) && U16(b, 4) > 0)
    return &FileTypeOf(FileType::Icon);
  return nullptr;
}

const FileTypeInfo* FileTypeForSaveFilter(int index) {
  for (const FileTypeInfo& t : FileTypes())
    if (t.saveFilterIndex == index && index > 0) return &t;
  return nullptr;
}

std::string OpenDialogFilter() {
  std::string filter, all;
  for (const FileTypeInfo& t : FileTypes()) {
    for (std::string_view e : t.extensions) {
      const std::string pattern = "*" + std::string(e);
      if (t.inOpenDialog) filter += pattern + "|" + pattern + "|";
      all += (all.empty() ? "" : " ") + pattern;
    }
  }
  return filter + "All pictures|" + all + "|All files|*.*";
}

int OpenDialogAllPicturesEntry() {
  int entries = 0;
  for (const FileTypeInfo& t : FileTypes())
    if (t.inOpenDialog) entries += static_cast<int>(t.extensions.size());
  return entries + 1;
}

std::string SaveDialogFilter() {
  std::string filter;
  for (int index = 1; const FileTypeInfo* t = FileTypeForSaveFilter(index); ++index) {
    const std::string pattern = "*" + std::string(t->extensions.front());
    filter += (filter.empty() ? "" : "|") + pattern + "|" + pattern;
  }
  return filter;
}

std::string DesktopMimeTypes() {
  std::string list;
  for (const FileTypeInfo& t : FileTypes())
    for (std::string_view m : t.mimeTypes) list += std::string(m) + ";";
  return list;
}

LoadedPicture LoadPicture(const std::string& name, const ReadOptions& options) {
  Bytes bytes = ReadWholeFile(name);  // its errors name the file
  const std::string quoted = "\"" + name + "\"";
  if (bytes.empty()) throw PictureFileError("Cannot open " + quoted + ": the file is empty.");
  const FileTypeInfo* type = FileTypeForContent(bytes);
  if (!type) type = FileTypeForName(name);
  if (!type) {
    throw PictureFileError("Cannot open " + quoted +
                           ": it is not a picture of a type that can be opened (JPEG, PNG, WebP, "
                           "TIFF, HEIC/HEIF, AVIF, BMP, GIF, icon or metafile).");
  }
  LoadedPicture loaded;
  try {
    loaded = type->read(bytes, options);
  } catch (const PictureFileError& e) {
    throw PictureFileError("Cannot open " + quoted + ": " + e.what());
  }
  if (loaded.picture.empty())
    throw PictureFileError("Cannot open " + quoted + ": the " + std::string(type->name) +
                           " file holds an empty picture.");
  // Worth keeping instead of pixels only when the file is well below their size.
  if (MadeAgainFromFile(type->type) && bytes.size() <= loaded.picture.byteSize() / 2) {
    bytes.shrink_to_fit();
    loaded.origin =
        std::make_shared<const FileOrigin>(std::move(bytes), *type, options, loaded.picture);
  }
  return loaded;
}

std::string SavePicture(const Picture& picture, const std::string& name, FileType type,
                        const PhotoMetadata& metadata) {
  const FileTypeInfo& t = FileTypeOf(type);
  if (!t.write)
    throw PictureFileError("Pictures cannot be saved as " + std::string(t.name) + " files.");
  const std::string written = WithExtension(name, std::string(t.extensions.front()));
  WriteFileSafely(written, t.write(picture, metadata));
  return written;
}

}  // namespace drollo::formats
