// Parallel loops over the rows of a picture, for the whole-picture kernels.
//
// A kernel keeps its contract (read-only source, separate result, region): only the region is
// split. Every row of the result depends on the source alone, never on another row of the result,
// so the bytes written are the same whatever the split and the thread count.
//
// The loops run in one task arena whose size is the program's worker limit: every core by
// default, fewer (or more) when DROLLO_THREADS says so. The progress callback is only ever called
// from the thread that started the loop (the one that owns the windows), once per finished row;
// rows finished by other threads are reported when the calling thread next finishes a chunk or
// when the loop ends.
#pragma once

// Qt's `emit` keyword is a macro; TBB has a member of that name.
#pragma push_macro("emit")
#undef emit
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>
#pragma pop_macro("emit")

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>

#include "image/progress.h"
#include "image/threads.h"

namespace drollo {

namespace detail {
tbb::task_arena& WorkerArena();
}

// Calls body(first, last) on disjoint row ranges that together cover [begin, end). Ranges hold
// about `grainRows` rows, so a tiny picture is not split into many tasks; a range of no more than
// that runs on the calling thread without waking the workers. `progress` is ticked once per row,
// from the calling thread only.
template <typename Body>
void ForRows(int begin, int end, const Body& body, const Progress& progress = {},
             int grainRows = 8) {
  if (end <= begin) return;
  if (end - begin <= grainRows) {
    body(begin, end);
    for (int y = begin; y < end; ++y) Tick(progress);
    return;
  }
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> done{0};
  int ticked = 0;
  auto report = [&] {
    const int now = done.load(std::memory_order_acquire);
    for (; ticked < now; ++ticked) Tick(progress);
  };
  detail::WorkerArena().execute([&] {
    tbb::parallel_for(tbb::blocked_range<int>(begin, end, std::max(grainRows, 1)),
                      [&](const tbb::blocked_range<int>& r) {
                        body(r.begin(), r.end());
                        done.fetch_add(static_cast<int>(r.size()), std::memory_order_acq_rel);
                        if (progress && std::this_thread::get_id() == caller) report();
                      });
  });
  report();
}

// Rows of about 32 KB a chunk at least: enough work per task, and even a small picture splits.
inline int GrainRows(std::size_t rowBytes) {
  const std::size_t rows = (std::size_t{32} << 10) / std::max<std::size_t>(rowBytes, 1);
  return static_cast<int>(std::clamp<std::size_t>(rows, 1, 64));
}

}  // namespace drollo
