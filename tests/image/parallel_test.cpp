// The parallel row loop: every row once whatever the thread count, progress from the calling
// thread only, and the thread limit read from DROLLO_THREADS.
#include "image/parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "image/resample.h"
#include "support/pictures.h"
#include "support/threads.h"

namespace drollo {
namespace {

using test::kThreadCounts;
using test::WorkerLimit;

TEST(ForRows, VisitsEveryRowOnceAndTicksOncePerRowOnTheCallingThread) {
  for (int threads : kThreadCounts) {
    WorkerLimit limit(threads);
    for (auto [begin, end, grain] : {std::tuple{0, 1, 8}, std::tuple{3, 500, 1},
                                     std::tuple{0, 4000, 7}, std::tuple{5, 5, 8}}) {
      std::vector<std::atomic<int>> visits(static_cast<std::size_t>(end) + 1);
      const std::thread::id caller = std::this_thread::get_id();
      int ticks = 0;
      bool tickedElsewhere = false;
      ForRows(
          begin, end,
          [&](int y0, int y1) {
            EXPECT_LT(y0, y1);
            for (int y = y0; y < y1; ++y) ++visits[y];
          },
          [&] {
            ++ticks;
            if (std::this_thread::get_id() != caller) tickedElsewhere = true;
          },
          grain);
      for (int y = 0; y <= end; ++y)
        ASSERT_EQ(visits[y].load(), y >= begin && y < end ? 1 : 0)
            << "row " << y << " of [" << begin << ", " << end << ") with " << threads << " threads";
      EXPECT_EQ(ticks, end - begin);
      EXPECT_FALSE(tickedElsewhere);
    }
  }
}

TEST(WorkerThreads, LimitIsTheArenaSize) {
  for (int threads : kThreadCounts) {
    WorkerLimit limit(threads);
    EXPECT_EQ(WorkerThreads(), threads);
    EXPECT_EQ(detail::WorkerArena().max_concurrency(), threads);
  }
}

TEST(WorkerThreads, EnvironmentValueMustBeAWholeNumberOfAtLeastOne) {
  EXPECT_EQ(ParseThreadCount("1"), 1);
  EXPECT_EQ(ParseThreadCount("7"), 7);
  EXPECT_EQ(ParseThreadCount("016"), 16);
  for (const char* bad : {"", "0", "-2", "2.5", " 3", "3 ", "four", "99999999999"})
    EXPECT_EQ(ParseThreadCount(bad), 0) << '"' << bad << '"';
  EXPECT_EQ(ParseThreadCount(nullptr), 0);

  WorkerLimit restore(WorkerThreads());
  setenv("DROLLO_THREADS", "3", 1);
  EXPECT_EQ(ApplyThreadsFromEnvironment(), 3);
  setenv("DROLLO_THREADS", "zero", 1);
  EXPECT_EQ(ApplyThreadsFromEnvironment(), 3);  // a bad value leaves the limit alone
  unsetenv("DROLLO_THREADS");
}

TEST(AreaResample, SameForEveryThreadCount) {
  const Picture in = test::PatternPicture(333, 251);
  for (auto [w, h] : {std::pair{100, 80}, std::pair{333, 251}, std::pair{700, 500}})
    EXPECT_TRUE(test::SameForEveryThreadCount([&] { return AreaResample(in, w, h); }))
        << w << "x" << h;
}

// Copies and fills of big pictures are written in blocks on every worker; the last block is a
// part one.
TEST(BigPictureBytes, CopiesAndFillsAreWholeWhateverTheThreadCount) {
  const Picture pattern = test::PatternPicture(1501, 1001, 5);  // 4.5 MB, not whole blocks
  ASSERT_GT(pattern.byteSize(), std::size_t{4} << 20);
  EXPECT_TRUE(test::SameForEveryThreadCount([&] { return Picture(pattern); }));
  for (int threads : kThreadCounts) {
    WorkerLimit limit(threads);
    Picture blank = Picture::Blank(1501, 1001, PixelFormat::Bgr24(), 0x6B);
    blank.setPixel(0, 0, 0);  // gives the blank picture its bytes
    const std::uint8_t* last = blank.row(1000) + blank.stride() - 1;
    EXPECT_EQ(*last, 0x6B) << threads;
    EXPECT_EQ(std::count(blank.row(0), last + 1, 0x6B), blank.byteSize() - 3) << threads;
    const Picture zero(1501, 1001);
    EXPECT_EQ(std::count(zero.row(0), zero.row(0) + zero.byteSize(), 0), zero.byteSize());
  }
}

}  // namespace
}  // namespace drollo
