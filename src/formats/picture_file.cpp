#include "formats/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "formats/bmp.h"
#include "formats/gif.h"
#include "formats/icon.h"
#include "formats/jpeg.h"
#include "formats/png.h"

namespace drollo::formats {
namespace {

// Larger files are refused before reading: no picture the program accepts needs more.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 31;

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

[[noreturn]] void CannotCreate(const std::string& name, int error) {
  throw PictureFileError("Cannot create file " + Quoted(name) + ": " + std::strerror(error) + ".");
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Removes the temporary file unless the write got as far as renaming it.
struct TemporaryFile {
  std::string path;
  int fd = -1;
  bool keep = false;
  ~TemporaryFile() {
    if (fd >= 0) ::close(fd);
    if (!keep && !path.empty()) ::unlink(path.c_str());
  }
};

}  // namespace

std::string TypeKey(const std::string& name) {
  std::string key = name.size() > 4 ? name.substr(name.size() - 4) : name;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

std::string WithExtension(const std::string& name, const std::string& extension) {
  const std::size_t slash = name.find_last_of('/');
  const std::size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot < fileStart) return name + extension;
  return name.substr(0, dot) + extension;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& name) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(name.c_str(), "rb"));
  if (!f) {
    throw PictureFileError("Cannot open file " + Quoted(name) + ": " + std::strerror(errno) + ".");
  }
  struct stat st {};
  if (::fstat(::fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode))
    throw PictureFileError("Cannot open file " + Quoted(name) + ": it is not a regular file.");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
    throw PictureFileError("The file " + Quoted(name) + " is too large to be opened.");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  const std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f.get());
  if (got != bytes.size() || std::ferror(f.get()))
    throw PictureFileError("Cannot read file " + Quoted(name) + ".");
  return bytes;
}

void WriteFileSafely(const std::string& name, std::span<const std::uint8_t> bytes) {
  namespace fs = std::filesystem;
  const fs::path target(name);
  if (target.filename().empty()) CannotCreate(name, EISDIR);
  const fs::path folder = target.parent_path();
  static std::atomic<unsigned> counter{0};

  TemporaryFile tmp;
  for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
    const std::string leaf = "." + target.filename().string() + "." + std::to_string(::getpid()) +
                             "." + std::to_string(counter++) + ".tmp";
    const std::string path = (folder / leaf).string();
    tmp.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (tmp.fd >= 0) {
      tmp.path = path;
    } else if (errno != EEXIST) {
      CannotCreate(name, errno);
    }
  }
  if (tmp.fd < 0) CannotCreate(name, EEXIST);

  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(tmp.fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw PictureFileError("Cannot write file " + Quoted(name) + ": " +
                             std::strerror(n < 0 ? errno : ENOSPC) + ".");
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // A replaced file keeps its permissions.
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(tmp.fd, st.st_mode & 07777);
  if (::fsync(tmp.fd) != 0 || ::close(tmp.fd) != 0) {
    tmp.fd = -1;
    throw PictureFileError("Cannot write file " + Quoted(name) + ": " + std::strerror(errno) + ".");
  }
  tmp.fd = -1;
  if (::rename(tmp.path.c_str(), name.c_str()) != 0) CannotCreate(name, errno);
  tmp.keep = true;
}

std::optional<Picture> LoadPictureFile(const std::string& name, const MetafileReader& metafiles,
                                       const DecodeLimits& limits) {
  std::error_code ec;
  if (name.empty() || !std::filesystem::exists(name, ec)) return std::nullopt;
  const std::string key = TypeKey(name);
  if (key == ".BMP") return DecodeBmp(ReadWholeFile(name), limits);
  if (key == ".ICO") {
    try {
      return DecodeIcon(ReadWholeFile(name), limits);
    } catch (const std::exception& e) {
      throw IconFileError(e.what());
    }
  }
  if (key == ".JPG" || key == "JPEG") return ReadJpeg(ReadWholeFile(name), limits).picture;
  if (key == ".GIF") return DecodeGif(ReadWholeFile(name), limits);
  if (key == ".WMF" || key == ".EMF") return metafiles.Read(ReadWholeFile(name), limits);
  return Picture();
}

void SaveAsJpeg(const Picture& picture, const std::string& name) {
  WriteFileSafely(name, EncodeJpeg(picture));
}

void SaveAsPng(const Picture& picture, const std::string& name) {
  WriteFileSafely(name, EncodePng(picture));
}

void SaveAsBmp(const Picture& picture, const std::string& name) {
  WriteFileSafely(name, EncodeBmp(picture));
}

std::string SaveAsMetafile(const Picture& picture, const std::string& name) {
  const std::string written = WithExtension(name, ".wmf");
  WriteFileSafely(written, EncodePlaceableMetafile(picture));
  return written;
}

}  // namespace drollo::formats
