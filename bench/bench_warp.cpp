// Warp steps through the work area, as a press on the picture applies them, on a small and a large
// picture: the cost of a step should follow its patch, not the picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

// Arguments: picture width, height, radius slider, warp action. The bend slider keeps the value
// the radius slider's rule gives it; the zoom is 100, so the radius is in picture pixels.
void SphereStep(benchmark::State& bench) {
  const int width = static_cast<int>(bench.range(0));
  const int height = static_cast<int>(bench.range(1));
  ProgramState state;
  TTools tools(state);
  TWork_area area(state, tools);
  tools.TrackBar1.SetPosition(static_cast<int>(bench.range(2)));
  state.WarpAction = static_cast<int>(bench.range(3));
  state.WorkingPicture = Gradient(width, height);
  const Picture before = state.WorkingPicture;
  const int a = width / 2, b = height / 2;

  // Checked once, so that a fast but wrong step is not mistaken for a fast one.
  area.SphericalStretch(a, b);
  const int R = state.PictureRadius;
  if (state.WorkingPicture.pixel(a, b) != before.pixel(a, b) ||
      state.WorkingPicture.pixel(a + R / 2, b + R / 3) == before.pixel(a + R / 2, b + R / 3) ||
      state.WorkingPicture.pixel(a - R / 2, b) == before.pixel(a - R / 2, b)) {
    bench.SkipWithError("the step left the centre changed or the patch untouched");
    return;
  }
  for (auto _ : bench) {
    area.SphericalStretch(a, b);
    benchmark::ClobberMemory();
  }
  bench.counters["R"] = R;
  bench.counters["H"] = state.WarpStrength;
  // The pixels of the round patch inside the picture: a patch clipped by a small picture costs
  // less, so the rate per patch pixel is what compares the two picture sizes.
  std::int64_t patch = 0;
  for (int y = std::max(0, b - R + 1); y < std::min(height, b + R); ++y)
    for (int x = std::max(0, a - R + 1); x < std::min(width, a + R); ++x)
      if (static_cast<std::int64_t>(x - a) * (x - a) + static_cast<std::int64_t>(y - b) * (y - b) <
          static_cast<std::int64_t>(R) * R)
        ++patch;
  bench.counters["patch_px"] = static_cast<double>(patch);
  bench.counters["patch_px_rate"] =
      benchmark::Counter(static_cast<double>(patch), benchmark::Counter::kIsIterationInvariantRate);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int action : {1, 2})
    for (int radius : {100, 500})
      for (auto [w, h] : {std::pair{605, 469}, std::pair{6000, 4000}})
        b->Args({w, h, radius, action});
  b->ArgNames({"w", "h", "radius", "action"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(SphereStep)->Apply(Sizes);

}  // namespace
}  // namespace drollo

BENCHMARK_MAIN();
