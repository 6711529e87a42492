#include "formats/bmp.h"

#include "formats/byte_reader.h"
#include "formats/dib.h"

namespace drollo::formats {

namespace {
constexpr const char* kWhat = "The bitmap file";
constexpr std::size_t kFileHeader = 14;
}  // namespace

Picture DecodeBmp(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  ByteReader in(file, kWhat);
  if (in.u8() != 'B' || in.u8() != 'M')
    throw PictureFileError("The file is not a bitmap file (it does not start with \"BM\").");
  in.skip(8);  // file size and reserved words: often wrong, never needed
  const std::uint32_t offBits = in.u32();
  const auto dibBytes = file.subspan(kFileHeader);
  // The colour table ends where the pixels start, when the file says so sensibly.
  const std::size_t tableLimit =
      offBits > kFileHeader && offBits <= file.size() ? offBits - kFileHeader : dibBytes.size();
  const dib::Header h = dib::ParseHeader(dibBytes, tableLimit, false, limits, kWhat);
  std::size_t pixels = kFileHeader + h.tableEnd;
  if (offBits >= pixels && offBits <= file.size()) pixels = offBits;
  return dib::DecodePixels(h, file.subspan(pixels), kWhat);
}

std::vector<std::uint8_t> EncodeBmp(const Picture& picture) {
  if (picture.empty()) throw PictureFileError("An empty picture cannot be saved as a bitmap.");
  const std::vector<std::uint8_t> body = dib::Encode(picture);
  std::vector<std::uint8_t> out;
  out.reserve(kFileHeader + body.size());
  out.push_back('B');
  out.push_back('M');
  PutU32(out, static_cast<std::uint32_t>(kFileHeader + body.size()));
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(kFileHeader + dib::EncodedHeaderBytes(picture)));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace drollo::formats
