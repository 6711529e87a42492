// Warp steps through the work area, as a press on the picture applies them, on a small and a large
// picture: the cost of a local step should follow its patch, not the picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "palette/tools.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {

Picture Gradient(int width, int height) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 7 + y);
      row[3 * x + 1] = static_cast<std::uint8_t>(x + y * 5);
      row[3 * x + 2] = static_cast<std::uint8_t>((x ^ y) * 3);
    }
  }
  return p;
}

enum Tool {
  kBulge = 1,
  kPinch,
  kSwirlClockwise,
  kSwirlCounter,
  kVerticalExpand,
  kVerticalShrink,
  kHorizontalExpand,
  kHorizontalShrink,
  kSmudge
};

// Pixels of the disc of radius `radius` around (cx, cy) inside the picture.
double DiscPixels(int width, int height, double cx, double cy, double radius) {
  std::int64_t n = 0;
  for (int y = std::max(0, static_cast<int>(cy - radius));
       y <= std::min(height - 1, static_cast<int>(cy + radius)); ++y)
    for (int x = std::max(0, static_cast<int>(cx - radius));
         x <= std::min(width - 1, static_cast<int>(cx + radius)); ++x)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius) ++n;
  return static_cast<double>(n);
}

// Arguments: picture width, height, radius slider, tool. The bend sliders keep the values the
// radius slider's rule gives them; the zoom is 100, so the radius is in picture pixels.
void WarpStep(benchmark::State& bench) {
  const int width = static_cast<int>(bench.range(0));
  const int height = static_cast<int>(bench.range(1));
  const int radius = static_cast<int>(bench.range(2));
  const Tool tool = static_cast<Tool>(bench.range(3));
  ProgramState state;
  TTools tools(state);
  TWork_area area(state, tools);
  tools.TrackBar1.SetPosition(radius);
  tools.TrackBar3.SetPosition(radius);
  state.WorkingPicture = Gradient(width, height);
  const int a = width / 2, b = height / 2;
  state.WarpCentre = {a, b};

  auto step = [&] {
    switch (tool) {
      case kBulge:
      case kPinch:
      case kSwirlClockwise:
      case kSwirlCounter:
        state.WarpAction = static_cast<Warp>(tool);
        area.SphericalStretch(a, b);
        break;
      case kVerticalExpand:
      case kVerticalShrink:
        state.WarpAction = static_cast<Warp>(tool - kVerticalExpand + 1);
        area.VerticalStretch(a, b);
        break;
      case kHorizontalExpand:
      case kHorizontalShrink:
        state.WarpAction = static_cast<Warp>(tool - kHorizontalExpand + 1);
        area.HorizontalStretch(a, b);
        break;
      case kSmudge:
        area.tumopic(a - radius / 2, b);  // a left drag of the longest length that counts
        break;
    }
  };

  // Checked once, so that a fast but wrong step is not mistaken for a fast one: the patch changed
  // and, for the tools that keep it, the centre did not.
  const Picture before = state.WorkingPicture;
  step();
  const int R = radius;
  const bool centreKept = tool != kSmudge;
  const int px = std::min(width - 1, a + R / 4), py = std::max(0, b - R / 5);
  if ((centreKept && state.WorkingPicture.pixel(a, b) != before.pixel(a, b)) ||
      state.WorkingPicture.pixel(px, py) == before.pixel(px, py)) {
    bench.SkipWithError("the step changed the centre or left the patch untouched");
    return;
  }
  for (auto _ : bench) {
    step();
    benchmark::ClobberMemory();
  }
  // A patch clipped by a small picture costs less, so the rate per patch pixel is what compares
  // the two picture sizes.
  const double patch = tool == kSmudge ? DiscPixels(width, height, a - R / 4.0, b, 1.25 * R)
                                       : DiscPixels(width, height, a, b, R);
  bench.counters["patch_px"] = patch;
  bench.counters["patch_px_rate"] =
      benchmark::Counter(patch, benchmark::Counter::kIsIterationInvariantRate);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int tool = kBulge; tool <= kSmudge; ++tool)
    for (int radius : {100, 500})
      for (auto [w, h] : {std::pair{605, 469}, std::pair{6000, 4000}})
        b->Args({w, h, radius, tool});
  b->ArgNames({"w", "h", "radius", "tool"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(WarpStep)->Apply(Sizes);

void Wave(benchmark::State& bench) {
  ProgramState state;
  TTools tools(state);
  TWork_area area(state, tools);
  state.WorkingPicture =
      Gradient(static_cast<int>(bench.range(0)), static_cast<int>(bench.range(1)));
  ResetPictureHistory(state);
  const Picture before = state.WorkingPicture;
  area.WaveWrap(2, 6, 2);
  // Row 0 reads two rows down at column 0.
  if (state.WorkingPicture.pixel(0, 0) != before.pixel(0, 2)) {
    bench.SkipWithError("the wave read the wrong pixel");
    return;
  }
  for (auto _ : bench) {
    area.WaveWrap(2, 6, 2);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(Wave)->Args({605, 469})->Args({6000, 4000})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace drollo

BENCHMARK_MAIN();
