#include "image/parallel.h"

#include <tbb/global_control.h>
#include <tbb/info.h>

#include <cstdlib>
#include <memory>

namespace drollo {

namespace {

// The arena the loops run in and the process-wide cap on TBB's workers that goes with it: an arena
// of n slots only gets n - 1 workers when the global limit allows them.
struct Workers {
  int threads = 0;
  std::unique_ptr<tbb::global_control> limit;
  std::unique_ptr<tbb::task_arena> arena;

  void set(int n) {
    threads = std::max(n, 1);
    arena.reset();
    limit = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                  static_cast<std::size_t>(threads));
    arena = std::make_unique<tbb::task_arena>(threads);
  }
};

Workers& TheWorkers() {
  static Workers workers = [] {
    Workers w;
    w.set(tbb::info::default_concurrency());
    return w;
  }();
  return workers;
}

}  // namespace

void SetWorkerThreads(int n) {
  TheWorkers().set(n);
}

int WorkerThreads() {
  return TheWorkers().threads;
}

int ParseThreadCount(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  long value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + (*p - '0');
    if (value > 4096) return 0;  // more threads than any machine has is a typing error
  }
  return static_cast<int>(value);
}

int ApplyThreadsFromEnvironment() {
  const int n = ParseThreadCount(std::getenv("DROLLO_THREADS"));
  if (n >= 1) SetWorkerThreads(n);
  return WorkerThreads();
}

namespace detail {
tbb::task_arena& WorkerArena() {
  return *TheWorkers().arena;
}
}  // namespace detail

}  // namespace drollo
