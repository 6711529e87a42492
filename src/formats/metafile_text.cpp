// Fonts and text of both metafile forms.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "formats/metafile_play.h"

namespace drollo::formats::meta {

std::u16string DecodeAnsi(std::span<const std::uint8_t> bytes, int charset) {
  // The code pages of the character sets; others are read as Western European.
  struct CodePage {
    int charset;
    const char* name;
  };
  constexpr CodePage kCodePages[] = {
      {128, "SHIFT_JIS"}, {129, "CP949"},  {134, "GBK"},    {136, "BIG5"},
      {161, "CP1253"},    {162, "CP1254"}, {177, "CP1255"}, {178, "CP1256"},
      {186, "CP1257"},    {204, "CP1251"}, {222, "CP874"},  {238, "CP1250"},
  };
  const char* code = "CP1252";
  for (const CodePage& page : kCodePages)
    if (page.charset == charset) code = page.name;
  std::u16string out;
  if (charset != 2) {  // the symbol set keeps its byte values
    iconv_t cd = iconv_open("UTF-16LE", code);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      std::vector<char> in(bytes.begin(), bytes.end());
      std::vector<char> buf(bytes.size() * 4 + 4);
      char* src = in.data();
      std::size_t srcLeft = in.size();
      char* dst = buf.data();
      std::size_t dstLeft = buf.size();
      while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        ++src, --srcLeft;  // a byte the character set does not know is dropped
      }
      iconv_close(cd);
      for (char* p = buf.data(); p + 1 < dst; p += 2)
        out.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(p[0]) |
                                            (static_cast<std::uint8_t>(p[1]) << 8)));
      return out;
    }
  }
  for (std::uint8_t b : bytes) out.push_back(b);
  return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

LogFont ReadLogFont(ByteReader& rec, bool wide) {
  auto number = [&]() -> double { return wide ? rec.i32() : rec.i16(); };
  LogFont f;
  f.height = number();
  f.width = number();
  f.escapement = number();
  number();  // orientation
  f.font.weight = static_cast<int>(number());
  f.font.italic = rec.u8() != 0;
  f.font.underline = rec.u8() != 0;
  f.font.strikeout = rec.u8() != 0;
  f.font.charset = rec.u8();
  rec.skip(4);  // precision, quality, pitch and family
  return f;
}

Font Player::deviceFont() const {
  Font f = dc_.font.font;
  const double scale = verticalScale();
  const double limit = std::max(4.0 * size_.height, 256.0);
  f.height = std::clamp(dc_.font.height * scale, -limit, limit);
  f.width = std::clamp(std::abs(dc_.font.width) * horizontalScale(), 0.0, limit);
  // Fonts keep to the device: the baseline's angle is seen the same whatever the mapping.
  f.escapement = dc_.font.escapement / 10;
  return f;
}

std::optional<Rect> Player::deviceBox(const Box& box) const {
  const Point p = map(box.l, box.t), q = map(box.r, box.b);
  Rect r{static_cast<int>(std::floor(std::min(p.x, q.x))),
         static_cast<int>(std::floor(std::min(p.y, q.y))),
         static_cast<int>(std::ceil(std::max(p.x, q.x))),
         static_cast<int>(std::ceil(std::max(p.y, q.y)))};
  return r;
}

void Player::play(const TextOp& op) {
  Text t;
  t.text = op.text;
  const double s = horizontalScale();
  // Without one advance per character (double-byte characters) the font's own are used.
  if (op.advances.size() == t.text.size())
    for (double a : op.advances) t.advances.push_back(a * s);
  Point at = op.at;
  if (dc_.align & kAlignUpdateCp) at = dc_.position;
  t.origin = map(at);
  t.font = deviceFont();
  t.colour = dc_.textColour;
  t.background = dc_.background;
  t.align = dc_.align;
  if (op.options & kTextOpaque) t.opaqueBox = deviceBox(op.box);
  if (op.options & kTextClipped) t.clipBox = deviceBox(op.box);
  if ((dc_.align & kAlignUpdateCp) && !t.advances.empty()) {
    double sum = 0;
    for (double a : t.advances) sum += a;
    if (s > 0) dc_.position.x += sum / s;
  }
  if (t.text.empty() && !t.opaqueBox) return;
  // Each character costs about its square, at most the picture.
  const double em = std::max(std::abs(t.font.height), 16.0);
  const double picture = static_cast<double>(size_.width) * size_.height;
  budget_ -= std::min(em * em, picture) * static_cast<double>(t.text.size() + 1);
  if (budget_ < 0) Corrupt("it draws far more than its own area");
  canvas_.text(t);
}

}  // namespace drollo::formats::meta
