// Runs a computation with several worker-thread limits and checks that the result does not change.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "image/parallel.h"
#include "image/picture.h"
#include "support/pictures.h"

namespace drollo::test {

// Sets the worker limit for a scope and puts the previous one back.
class WorkerLimit {
 public:
  explicit WorkerLimit(int n) : previous_(WorkerThreads()) { SetWorkerThreads(n); }
  ~WorkerLimit() { SetWorkerThreads(previous_); }
  WorkerLimit(const WorkerLimit&) = delete;
  WorkerLimit& operator=(const WorkerLimit&) = delete;

 private:
  int previous_;
};

// The thread counts every parallel kernel is checked with: one, this machine's two, and more
// threads than cores, which splits the rows differently again.
inline constexpr std::initializer_list<int> kThreadCounts = {1, 2, 7};

// make() run with one thread gives the expected picture; with every other count it must give the
// same bytes.
template <typename Make>
testing::AssertionResult SameForEveryThreadCount(const Make& make) {
  Picture expected;
  {
    WorkerLimit limit(1);
    expected = make();
  }
  for (int n : kThreadCounts) {
    WorkerLimit limit(n);
    const Picture actual = make();
    testing::AssertionResult same = SamePicture(expected, actual);
    if (!same) return same << " (with " << n << " threads against 1)";
  }
  return testing::AssertionSuccess();
}

}  // namespace drollo::test
