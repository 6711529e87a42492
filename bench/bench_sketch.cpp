// The sketch and outline kernels on a 6000 x 4000 photograph-like picture, with the plain copy of
// the picture into 32 bits as the yardstick: compare each kernel's time with Copy24To32 in the
// same run (the median filters should stay within three times of it).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "effects/sketch/sketch.h"
#include "image/bitmap32.h"
#include "image/pixel_math.h"
#include "outline/edge.h"
#include "outline/extract.h"
#include "outline/layer_display.h"
#include "outline/thickness.h"

namespace drollo {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// Smooth shading with a few hard-edged shapes and fine grain, like a photograph.
Picture Photograph() {
  Picture p(kWidth, kHeight, 24);
  std::uint32_t seed = 12345;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      const double shade = 0.5 + 0.25 * std::sin(x * 0.003) + 0.2 * std::cos(y * 0.004 + x * 0.001);
      const int dx = x % 700 - 350, dy = y % 600 - 300;
      const bool inShape = dx * dx + dy * dy < 200 * 200;
      const bool stripe = (x / 37 + y / 53) % 11 == 0;
      int base = static_cast<int>(shade * 255) - (inShape ? 90 : 0) + (stripe ? 60 : 0);
      auto byte = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[3 * x] = byte(base - 30 + grain);
      row[3 * x + 1] = byte(base + grain);
      row[3 * x + 2] = byte(base + 25 + grain);
    }
  }
  return p;
}

const Picture& Photo() {
  static const Picture photo = Photograph();
  return photo;
}

// The outline the usual way: pencil sketch of the edge picture, then extraction.
const TBitmap32& ExtractedOutline() {
  static const TBitmap32 outline =
      outline::ExtractOutline(sketch::PencilSketch(outline::picsobel(Photo()), 60));
  return outline;
}

// Processor time per megapixel, shown with its unit (for example "9.1ms").
void Report(benchmark::State& bench) {
  bench.counters["per_MP"] =
      benchmark::Counter(1e-6 * kWidth * kHeight, benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

// The median of row `y` of `in` by SelectionSort, compared with `out`; a fast wrong filter fails.
bool MedianRowMatches(const Picture& in, const Picture& out, int y) {
  const int bpp = in.bytesPerPixel();
  for (int x = 1; x + 1 < in.width(); ++x)
    for (int c = 0; c < 3; ++c) {
      int v[9], n = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) v[n++] = in.row(y + dy)[bpp * (x + dx) + c];
      SelectionSort(v, 8);
      if (out.row(y)[bpp * x + c] != v[4]) return false;
    }
  return true;
}

void Copy24To32(benchmark::State& bench) {
  const Picture& src = Photo();
  for (auto _ : bench) {
    Picture out(src.width(), src.height(), PixelFormat::Bgra32());
    for (int y = 0; y < src.height(); ++y) {
      const std::uint8_t* s = src.row(y);
      std::uint8_t* d = out.mutableRow(y);
      for (int x = 0; x < src.width(); ++x, s += 3, d += 4) {
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
      }
    }
    benchmark::DoNotOptimize(out.rawData());
  }
  Report(bench);
}

void EdgePicture(benchmark::State& bench) {
  for (auto _ : bench) benchmark::DoNotOptimize(outline::picsobel(Photo()).rawData());
  Report(bench);
}

void PenSketch(benchmark::State& bench) {
  const Picture edge = outline::picsobel(Photo());
  for (auto _ : bench) benchmark::DoNotOptimize(sketch::twovalue(edge, 150).rawData());
  Report(bench);
}

void PencilSketch(benchmark::State& bench) {
  const Picture edge = outline::picsobel(Photo());
  for (auto _ : bench) benchmark::DoNotOptimize(sketch::PencilSketch(edge, 45).rawData());
  Report(bench);
}

void SketchSpeckles(benchmark::State& bench) {
  const Picture& in = Photo();
  const Picture check = sketch::RemoveSpeckles(in);
  if (!MedianRowMatches(in, check, 1) || !MedianRowMatches(in, check, kHeight / 2)) {
    bench.SkipWithError("the median differs from SelectionSort's");
    return;
  }
  for (auto _ : bench) benchmark::DoNotOptimize(sketch::RemoveSpeckles(in).rawData());
  Report(bench);
}

void OutlineSpeckles(benchmark::State& bench) {
  TBitmap32 layer;
  layer.Assign(Photo());
  const TBitmap32 check = outline::RemoveOutlineSpeckles(layer);
  if (!MedianRowMatches(layer, check, 1) || !MedianRowMatches(layer, check, kHeight / 2)) {
    bench.SkipWithError("the median differs from SelectionSort's");
    return;
  }
  for (auto _ : bench) benchmark::DoNotOptimize(outline::RemoveOutlineSpeckles(layer).rawData());
  Report(bench);
}

void Extraction(benchmark::State& bench) {
  const Picture sketch = sketch::PencilSketch(outline::picsobel(Photo()), 60);
  const TBitmap32 check = outline::ExtractOutline(sketch);
  for (int x = 0; x < kWidth; x += 97) {
    const TColor c = sketch.pixel(x, kHeight / 3);
    const bool white = GreyValue(RedOf(c), GreenOf(c), BlueOf(c)) > 185;
    if (check.pixel(x, kHeight / 3) != (white ? kWhite : kBlack)) {
      bench.SkipWithError("the threshold is wrong");
      return;
    }
  }
  for (auto _ : bench) benchmark::DoNotOptimize(outline::ExtractOutline(sketch).rawData());
  Report(bench);
}

double BlackShare(const TBitmap32& l) {
  std::int64_t black = 0;
  for (int y = 0; y < l.height(); ++y)
    for (int x = 0; x < l.width(); ++x) black += l.row(y)[4 * x] == 0;
  return static_cast<double>(black) / (static_cast<double>(l.width()) * l.height());
}

void Thickening(benchmark::State& bench) {
  const TBitmap32& layer = ExtractedOutline();
  const TBitmap32 check = outline::ThickenLines(layer, 3);
  if (!(BlackShare(check) >= BlackShare(layer))) {
    bench.SkipWithError("thickening removed line pixels");
    return;
  }
  for (auto _ : bench) benchmark::DoNotOptimize(outline::ThickenLines(layer, 3).rawData());
  bench.counters["black_share"] = BlackShare(layer);
  Report(bench);
}

void Thinning(benchmark::State& bench) {
  const TBitmap32& layer = ExtractedOutline();
  const TBitmap32 check = outline::ThinLines(layer, 3);
  if (!(BlackShare(check) <= BlackShare(layer))) {
    bench.SkipWithError("thinning added line pixels");
    return;
  }
  for (auto _ : bench) benchmark::DoNotOptimize(outline::ThinLines(layer, 3).rawData());
  bench.counters["black_share"] = BlackShare(layer);
  Report(bench);
}

// The display is recomposed on every move of the pen and eraser tools.
void LayerDisplay(benchmark::State& bench) {
  const TBitmap32& layer = ExtractedOutline();
  for (auto _ : bench)
    benchmark::DoNotOptimize(outline::Image2showto(Photo(), layer, true).rawData());
  Report(bench);
}

BENCHMARK(Copy24To32)->Unit(benchmark::kMillisecond);
BENCHMARK(EdgePicture)->Unit(benchmark::kMillisecond);
BENCHMARK(PenSketch)->Unit(benchmark::kMillisecond);
BENCHMARK(PencilSketch)->Unit(benchmark::kMillisecond);
BENCHMARK(SketchSpeckles)->Unit(benchmark::kMillisecond);
BENCHMARK(OutlineSpeckles)->Unit(benchmark::kMillisecond);
BENCHMARK(Extraction)->Unit(benchmark::kMillisecond);
BENCHMARK(Thickening)->Unit(benchmark::kMillisecond);
BENCHMARK(Thinning)->Unit(benchmark::kMillisecond);
BENCHMARK(LayerDisplay)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace drollo

BENCHMARK_MAIN();
