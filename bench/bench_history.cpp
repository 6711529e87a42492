// The edit history's cost on a large picture: the memory held after 100 recorded local edits, and
// the time of one record and one undo, on a 6000 x 4000 picture against a 605 x 469 one.
//
// Each edit is a default bulge step (radius 100, strength 30 at zoom 100): the real kernel writes
// the 199 x 199 square around a different centre each time, reading an unchanged copy of the
// picture.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "app/state/history.h"
#include "effects/warp/spherical.h"

namespace drollo {
namespace {

Picture LargePicture(int width, int height) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 7 + y * 3);
      row[3 * x + 1] = static_cast<std::uint8_t>(x * x / 5 + y * 11);
      row[3 * x + 2] = static_cast<std::uint8_t>(x * 13 + y * y / 7);
    }
  }
  return p;
}

// Centre of edit i: spread over the picture, never on the same tile grid position twice in a row.
warp::SphereParams Step(const Picture& p, int i) {
  const int a = 100 + static_cast<int>((i * 2654435761u) % static_cast<unsigned>(p.width() - 200));
  const int b =
      100 + static_cast<int>((i * 40503u + 17u) % static_cast<unsigned>(p.height() - 200));
  return warp::SphereParams{a, b, 100, 30};
}

// One default bulge step at centre i, read from `source` (never written), into `picture`.
void BulgeStep(Picture& picture, const Picture& source, int i) {
  const warp::SphereParams params = Step(picture, i);
  warp::bulge(source.view(), picture.region(warp::SphereBounds(params)), params);
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "bench_history: wrong result: %s\n", what);
    std::abort();
  }
}

void BM_HistoryMemoryAfter100LocalEdits(benchmark::State& state) {
  const Picture source = LargePicture(6000, 4000);
  std::size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Picture picture = source;
    HistoryRing ring;
    ring.reset(picture);
    state.ResumeTiming();
    for (int i = 0; i < 100; ++i) {
      BulgeStep(picture, source, i);
      ring.record(picture);
    }
    state.PauseTiming();
    bytes = ring.memoryBytes();
    // Once: the oldest reachable state comes back exactly, and the newest again after it.
    const Picture newest = picture;
    for (int i = 0; i < HistoryRing::kMaxUndo; ++i) ring.undo(picture);
    Check(picture.samePixels(MaterialiseSnapshot(*ring.slot(ring.index()))), "undo");
    for (int i = 0; i < HistoryRing::kMaxUndo; ++i) ring.redo(picture);
    Check(picture.samePixels(newest), "redo");
    state.ResumeTiming();
  }
  const double one = static_cast<double>(source.byteSize());
  state.counters["history_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["picture_MB"] = one / 1e6;
  state.counters["ratio_to_one_picture"] = static_cast<double>(bytes) / one;
  state.counters["full_copies_MB"] = 100 * one / 1e6;
}
BENCHMARK(BM_HistoryMemoryAfter100LocalEdits)->Unit(benchmark::kMillisecond)->Iterations(2);

// The record that follows one local step (the step itself is not timed).
void BM_BackupAfterLocalStep(benchmark::State& state) {
  const Picture source =
      LargePicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Picture picture = source;
  HistoryRing ring;
  ring.reset(picture);
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BulgeStep(picture, source, i++);
    state.ResumeTiming();
    ring.record(picture);
  }
  Check(MaterialiseSnapshot(*ring.slot(ring.index())).samePixels(picture), "record");
}
BENCHMARK(BM_BackupAfterLocalStep)
    ->Args({6000, 4000})
    ->Args({605, 469})
    ->Unit(benchmark::kMicrosecond);

// One undo of a local step (the redo that brings the state back is not timed).
void BM_UndoLocalStep(benchmark::State& state) {
  const Picture source =
      LargePicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Picture picture = source;
  HistoryRing ring;
  ring.reset(picture);
  BulgeStep(picture, source, 1);
  ring.record(picture);
  const Picture edited = picture;
  for (auto _ : state) {
    ring.undo(picture);
    state.PauseTiming();
    ring.redo(picture);
    state.ResumeTiming();
  }
  Check(picture.samePixels(edited), "undo and redo");
  ring.undo(picture);
  Check(picture.samePixels(source), "undo");
}
BENCHMARK(BM_UndoLocalStep)->Args({6000, 4000})->Args({605, 469})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace drollo

BENCHMARK_MAIN();
