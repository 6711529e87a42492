// A click's cost while a recovery copy is being written, against the same click in a program that
// keeps no copies, on a 6000 x 4000 picture and on the start picture's size.
//
// A click here is what the desktop runs for one: the press, the completed click (one default bulge
// step), the release that records it, and the recovery tick that follows every event. With copies,
// the clock is moved on by the interval before each click, so every tick starts a new copy and
// the writer is busy with the previous one throughout: the worst case for the click.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/form1.h"
#include "app/recovery.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "large_picture.h"

namespace drollo {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "bench_recovery: wrong result: %s\n", what);
    std::abort();
  }
}

class ClickBench {
 public:
  ClickBench(int width, int height, bool copies)
      : folder_(std::filesystem::temp_directory_path() /
                ("drollo_bench_recovery_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder_);
    const std::string file = (folder_ / "picture.bmp").string();
    formats::SaveAsBmp(LargePicture(width, height), file);
    if (copies)
      store_ =
          std::make_unique<RecoveryStore>((folder_ / "recovery").string(), [this] { return now_; });
    PlatformServices s;
    s.Recovery = store_.get();
    form_ = std::make_unique<TForm1>(s);
    form_->FormShow();
    Check(form_->OpenPictureFile(file), "open");
  }
  ~ClickBench() {
    form_->FormClose();
    form_.reset();
    store_.reset();
    std::filesystem::remove_all(folder_);
  }

  void Click(int i) {
    const Picture& p = form_->State.WorkingPicture;
    const int x =
        100 + static_cast<int>((i * 2654435761u) % static_cast<unsigned>(p.width() - 200));
    const int y =
        100 + static_cast<int>((i * 40503u + 17u) % static_cast<unsigned>(p.height() - 200));
    now_ += RecoveryStore::kInterval;
    TWork_area& w = form_->Work_area;
    w.Image1MouseDown(TMouseButton::Left, TShiftState{.Left = true}, x, y);
    w.Image1Click();
    w.Image1MouseUp(TMouseButton::Left, TShiftState{}, x, y);
    form_->RecoveryTick();
  }

  // Once: the last copy holds the picture as it is now.
  void CheckCopy() {
    if (!store_) return;
    Check(store_->Flush(), "the copy was written");
    const std::vector<std::uint8_t> text =
        formats::ReadWholeFile(store_->Folder() + "/recovery.txt");
    const RecoveryDescription d = ParseRecovery(std::string(text.begin(), text.end()));
    const Picture copy =
        formats::DecodeBmp(formats::ReadWholeFile(store_->Folder() + "/" + d.PictureFile));
    Check(copy.samePixels(form_->State.WorkingPicture), "the copy holds the picture");
  }

 private:
  std::filesystem::path folder_;
  std::chrono::steady_clock::time_point now_{};
  std::unique_ptr<RecoveryStore> store_;
  std::unique_ptr<TForm1> form_;
};

void BM_Click(benchmark::State& state) {
  ClickBench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                   state.range(2) != 0);
  int i = 0;
  for (auto _ : state) bench.Click(i++);
  bench.CheckCopy();
}
// Arguments: width, height, copies (0 none, 1 a copy started at every click).
BENCHMARK(BM_Click)
    ->Args({6000, 4000, 0})
    ->Args({6000, 4000, 1})
    ->Args({605, 469, 0})
    ->Args({605, 469, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace drollo

BENCHMARK_MAIN();
