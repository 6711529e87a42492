// Both metafile readers on the same input: the bitmap-only reader, and the player (old and
// enhanced metafiles) on a canvas that only looks at what it is given.
#include "formats/metafile.h"
#include "formats/metafile_player.h"
#include "fuzz_target.h"

namespace {

using namespace drollo::formats;

class LookingCanvas : public meta::Canvas {
 public:
  double sum = 0;
  void fill(const meta::Path& p, const meta::Brush& b, bool, const meta::Background&) override {
    look(p);
    if (b.pattern) sum += b.pattern->width();
  }
  void stroke(const meta::Path& p, const meta::Pen& pen, const meta::Background&) override {
    look(p);
    sum += pen.width;
  }
  void text(const meta::Text& t) override {
    for (char16_t c : t.text) sum += c;
    for (double a : t.advances) sum += a;
  }
  void bitmap(const drollo::Picture& bitmap, const drollo::Rect& source, meta::Point tl,
              meta::Point, meta::Point, std::uint32_t) override {
    // The source rectangle must lie within the bitmap.
    if (source.left < 0 || source.top < 0 || source.right > bitmap.width() ||
        source.bottom > bitmap.height())
      __builtin_trap();
    sum += tl.x + bitmap.pixel(source.left, source.top);
  }
  void pattern(const meta::Path& p, const meta::Brush&, std::uint32_t) override { look(p); }
  void clip(const std::vector<meta::Path>& paths) override {
    for (const auto& p : paths) look(p);
  }

 private:
  void look(const meta::Path& p) {
    std::size_t points = 0;
    for (meta::Path::Op op : p.ops)
      points += op == meta::Path::Op::kCubic ? 3 : op == meta::Path::Op::kClose ? 0 : 1;
    if (points != p.points.size()) __builtin_trap();
    for (const meta::Point& q : p.points) sum += q.x + q.y;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Run(data, size, [](auto bytes, const auto& limits) {
    return BuiltInMetafileReader().Read(bytes, limits);
  });
  return fuzz::Run(data, size, [](auto bytes, const auto& limits) {
    const MetafileSize measured = MeasureMetafile(bytes, limits);
    LookingCanvas canvas;
    PlayMetafile(bytes, measured, canvas, limits);
    return canvas.sum;
  });
}
