// The edit history's cost on a large picture: the memory held after 100 recorded local edits, and
// the time of one record and one undo, on a 6000 x 4000 picture against a 605 x 469 one.
//
// Each edit is a default bulge step of the work area (radius 100, strength 30 at zoom 100) at a
// different centre, followed by backup, as a click with the expand tool does; undo is Undo1Click.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/state/program_state.h"
#include "large_picture.h"
#include "palette/tools.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {

// The program with a picture of the given size on the warp page, histories reset.
struct Program {
  ProgramState state;
  TTools tools{state};
  TWork_area area{state, tools};

  explicit Program(const Picture& picture) {
    state.WorkingPicture = picture;
    state.OutlineBitmap.reset(picture.width(), picture.height(), 255);
    state.WarpShape = Shape::Spherical;
    state.WarpAction = Warp::Expand;
    ResetPictureHistory(state);
    ResetOutlineHistory(state);
  }
  // Default bulge step number i, spread over the picture.
  void Step(int i) {
    const Picture& p = state.WorkingPicture;
    const int x =
        100 + static_cast<int>((i * 2654435761u) % static_cast<unsigned>(p.width() - 200));
    const int y =
        100 + static_cast<int>((i * 40503u + 17u) % static_cast<unsigned>(p.height() - 200));
    area.Sphericalpengzhang(x, y);
  }
};

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
    auto program = std::make_unique<Program>(source);
    state.ResumeTiming();
    for (int i = 0; i < 100; ++i) {
      program->Step(i);
      backup(program->state);
    }
    state.PauseTiming();
    const HistoryRing& ring = program->state.PictureHistory;
    Picture& picture = program->state.WorkingPicture;
    bytes = ring.memoryBytes();
    // Once: the oldest reachable state comes back exactly, and the newest again after it.
    Check((!source.samePixels(picture)), "the steps changed the picture");
    const Picture newest = picture;
    for (int i = 0; i < HistoryRing::kMaxUndo; ++i) Undo1Click(program->state);
    Check(picture.samePixels(MaterialiseSnapshot(*ring.slot(ring.index()))), "undo");
    for (int i = 0; i < HistoryRing::kMaxUndo; ++i) Redo1Click(program->state);
    Check(picture.samePixels(newest), "redo");
    program.reset();
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
  Program program(source);
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    program.Step(i++);
    state.ResumeTiming();
    backup(program.state);
  }
  const HistoryRing& ring = program.state.PictureHistory;
  Check(MaterialiseSnapshot(*ring.slot(ring.index())).samePixels(program.state.WorkingPicture),
        "record");
}
BENCHMARK(BM_BackupAfterLocalStep)
    ->Args({6000, 4000})
    ->Args({605, 469})
    ->Unit(benchmark::kMicrosecond);

// One undo of a local step (the redo that brings the state back is not timed).
void BM_UndoLocalStep(benchmark::State& state) {
  const Picture source =
      LargePicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Program program(source);
  program.Step(1);
  backup(program.state);
  const Picture edited = program.state.WorkingPicture;
  for (auto _ : state) {
    Undo1Click(program.state);
    state.PauseTiming();
    Redo1Click(program.state);
    state.ResumeTiming();
  }
  Check(program.state.WorkingPicture.samePixels(edited), "undo and redo");
  Undo1Click(program.state);
  Check(program.state.WorkingPicture.samePixels(source), "undo");
}
BENCHMARK(BM_UndoLocalStep)->Args({6000, 4000})->Args({605, 469})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace drollo

BENCHMARK_MAIN();
