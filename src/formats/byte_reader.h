// Little-endian reading from a byte buffer with every access checked against its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "formats/errors.h"

namespace drollo::formats {

class ByteReader {
 public:
  // `what` names the data in the error raised when a read runs past the end ("The icon file").
  ByteReader(std::span<const std::uint8_t> data, std::string what)
      : data_(data), what_(std::move(what)) {}

  std::size_t size() const { return data_.size(); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }

  void seek(std::size_t pos) {
    if (pos > data_.size()) truncated();
    pos_ = pos;
  }
  void skip(std::size_t n) {
    if (n > remaining()) truncated();
    pos_ += n;
  }
  std::span<const std::uint8_t> bytes(std::size_t n) {
    if (n > remaining()) truncated();
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  std::uint8_t u8() { return bytes(1)[0]; }
  std::uint16_t u16() {
    auto b = bytes(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  std::uint32_t u32() {
    auto b = bytes(4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

  [[noreturn]] void truncated() const { throw PictureFileError(what_ + " is truncated."); }

 private:
  std::span<const std::uint8_t> data_;
  std::string what_;
  std::size_t pos_ = 0;
};

// Appends little-endian values to a byte vector.
template <typename Bytes>
void PutU16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
template <typename Bytes>
void PutU32(Bytes& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace drollo::formats
