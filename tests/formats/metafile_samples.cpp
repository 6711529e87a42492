#include "formats/metafile_samples.h"

#include <cstring>

#include "formats/dib.h"

namespace drollo::formats::samples {
namespace {

void Put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

Params& Params::u8(unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  return *this;
}
Params& Params::u16(unsigned v) {
  Put16(b, v);
  return *this;
}
Params& Params::u32(std::uint32_t v) {
  Put32(b, v);
  return *this;
}
Params& Params::f32(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, 4);
  return u32(bits);
}
Params& Params::raw(const Bytes& bytes) {
  b.insert(b.end(), bytes.begin(), bytes.end());
  return *this;
}

WmfBuilder& WmfBuilder::record(std::uint16_t function, std::initializer_list<int> words) {
  Bytes p;
  for (int w : words) Put16(p, static_cast<unsigned>(w) & 0xFFFF);
  return record(function, p);
}

WmfBuilder& WmfBuilder::record(std::uint16_t function, const Bytes& parameters) {
  Bytes p = parameters;
  if (p.size() % 2) p.push_back(0);
  const std::uint32_t words = static_cast<std::uint32_t>(3 + p.size() / 2);
  Put32(records_, words);
  Put16(records_, function);
  records_.insert(records_.end(), p.begin(), p.end());
  largest_ = std::max(largest_, words);
  return *this;
}

Bytes WmfBuilder::plain() const {
  Bytes out;
  const std::uint32_t total = static_cast<std::uint32_t>(9 + records_.size() / 2 + 3);
  Put16(out, 1);
  Put16(out, 9);
  Put16(out, 0x0300);
  Put32(out, total);
  Put16(out, static_cast<unsigned>(objects));
  Put32(out, largest_);
  Put16(out, 0);
  out.insert(out.end(), records_.begin(), records_.end());
  Put32(out, 3);
  Put16(out, 0);
  return out;
}

Bytes WmfBuilder::placeable(int left, int top, int right, int bottom, int inch) const {
  Bytes out;
  Put32(out, 0x9AC6CDD7u);
  Put16(out, 0);
  for (int v : {left, top, right, bottom}) Put16(out, static_cast<unsigned>(v) & 0xFFFF);
  Put16(out, static_cast<unsigned>(inch));
  Put32(out, 0);
  unsigned checksum = 0;
  for (int i = 0; i < 10; ++i) checksum ^= out[2 * i] | (out[2 * i + 1] << 8);
  Put16(out, checksum);
  const Bytes body = plain();
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

EmfBuilder::EmfBuilder(int frameRight, int frameBottom, int devicePixelsX, int devicePixelsY,
                       int deviceMmX, int deviceMmY)
    : frameRight_(frameRight),
      frameBottom_(frameBottom),
      devX_(devicePixelsX),
      devY_(devicePixelsY),
      mmX_(deviceMmX),
      mmY_(deviceMmY) {}

EmfBuilder& EmfBuilder::record(std::uint32_t type, std::initializer_list<std::int32_t> values) {
  Bytes p;
  for (std::int32_t v : values) Put32(p, static_cast<std::uint32_t>(v));
  return record(type, p);
}

EmfBuilder& EmfBuilder::record(std::uint32_t type, const Bytes& parameters) {
  Bytes p = parameters;
  while (p.size() % 4) p.push_back(0);
  Put32(records_, type);
  Put32(records_, static_cast<std::uint32_t>(8 + p.size()));
  records_.insert(records_.end(), p.begin(), p.end());
  ++count_;
  return *this;
}

Bytes EmfBuilder::bytes() const {
  Bytes out;
  const std::uint32_t total = static_cast<std::uint32_t>(88 + records_.size() + 20);
  Put32(out, 1);
  Put32(out, 88);
  // Bounds in device pixels, frame in hundredths of a millimetre.
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(std::int64_t{frameRight_} * devX_ / (mmX_ * 100)));
  Put32(out, static_cast<std::uint32_t>(std::int64_t{frameBottom_} * devY_ / (mmY_ * 100)));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(frameRight_));
  Put32(out, static_cast<std::uint32_t>(frameBottom_));
  Put32(out, 0x464D4520u);
  Put32(out, 0x10000);
  Put32(out, total);
  Put32(out, static_cast<std::uint32_t>(count_ + 2));
  Put16(out, 16);  // handles
  Put16(out, 0);
  Put32(out, 0);  // description
  Put32(out, 0);
  Put32(out, 0);  // palette entries
  Put32(out, static_cast<std::uint32_t>(devX_));
  Put32(out, static_cast<std::uint32_t>(devY_));
  Put32(out, static_cast<std::uint32_t>(mmX_));
  Put32(out, static_cast<std::uint32_t>(mmY_));
  out.insert(out.end(), records_.begin(), records_.end());
  // End of file: no palette, the offset and the size.
  Put32(out, 14);
  Put32(out, 20);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 20);
  return out;
}

Bytes PackedDib(const Picture& picture) {
  return dib::Encode(picture);
}

Bytes VectorWmfSample() {
  WmfBuilder w;
  w.objects = 4;
  w.record(0x0103, {8})                                        // anisotropic
      .record(0x020B, {0, 0})                                  // window origin
      .record(0x020C, {400, 600})                              // window extent 600 x 400
      .record(0x02FC, Params().u16(0).u32(0x0000FF).u16(0).b)  // red brush
      .record(0x012D, {0})
      .record(0x02FA, Params().u16(0).u16(10).u16(0).u32(0x800000).b)  // navy pen, 10 units
      .record(0x012D, {1})
      .record(0x041B, {150, 250, 50, 50})                      // rectangle 50,50 - 250,150
      .record(0x02FC, Params().u16(0).u32(0x00C000).u16(0).b)  // green brush in slot 2
      .record(0x012D, {2})
      .record(0x0418, {350, 550, 200, 300})  // ellipse 300,200 - 550,350
      .record(0x01F0, {0})                   // the red brush goes; slot 0 is free again
      .record(0x02FC, Params().u16(2).u32(0x808000).u16(3).b)  // hatched brush takes slot 0
      .record(0x012D, {0})
      .record(0x0324, {3, 350, 40, 550, 40, 450, 170})  // triangle
      .record(0x0214, {380, 20})                        // move to 20,380
      .record(0x0213, {250, 250});                      // line to 250,250
  const std::string text = "Drollo";
  Params t;
  t.u16(static_cast<unsigned>(text.size()));
  for (char c : text) t.u8(static_cast<unsigned>(c));
  t.u16(300).u16(60);  // y, x
  w.record(0x0209, Params().u32(0x0000A0).b).record(0x0521, t.b);
  return w.placeable(0, 0, 600, 400, 1200);  // 48 x 32 pixels
}

Bytes VectorEmfSample() {
  // A frame of 20 x 10 mm on a reference device of 1920 x 1080 pixels over 508 x 285 mm.
  EmfBuilder e(2000, 1000);
  e.record(39, {1, 0, 0x0000FF, 0})  // brush 1: solid red
      .record(37, {1})
      .record(38, {2, 0, 3, 0, 0x800000})  // pen 2: navy, 3 units
      .record(37, {2})
      .record(43, {5, 5, 40, 20})                  // rectangle
      .record(42, {30, 10, 70, 35})                // ellipse
      .record(47, {40, 5, 70, 30, 70, 17, 55, 5})  // pie
      .record(59, {})                              // path: a triangle
      .record(27, {5, 35})
      .record(54, {20, 25})
      .record(54, {35, 35})
      .record(61, {})
      .record(60, {})
      .record(63, {0, 0, 0, 0});  // stroke and fill path (bounds)
  Params bez;
  bez.u32(0).u32(0).u32(0).u32(0).u32(4);
  for (int v : {5, 5, 25, 0, 45, 40, 70, 35}) bez.u32(static_cast<std::uint32_t>(v));
  e.record(2, bez.b);  // Bézier curve
  return e.bytes();
}

}  // namespace drollo::formats::samples
