// Seeded random gesture sequences through the whole program: TForm1 with its palette, work area
// and picture-size dialog, assembled as the desktop and drollo-batch assemble it, with fake
// dialogs, a software canvas on the layer and (in some sequences) a recovery store writing in the
// background. Every kind of gesture a user can make: palette pages, sliders at and beyond their
// ranges, every button, clicks, holds and drags in and outside the picture, the wheel, scrolling,
// key short-cuts, text, resizing, cropping, copying and pasting, runs of undo and redo, and huge
// values typed into the thickness box before eraser clicks.
//
// After every step: nothing crashed (the test build has AddressSanitizer and UBSan, whose report
// names the sequence's seed), the step's processor time stayed within a bound proportional to the
// picture's size, and the picture and the layer equal what the history recorded in the slot
// showing (so no step changed either without recording it, and undo and redo restore exactly).
// At the end of a sequence every recorded edit is undone: the picture is the one opened (or the
// one the last reset started from) byte for byte, and the layer is blank.
//
// RANDOM_GESTURES=N runs seeds 1 to N instead of the usual few hundred; RANDOM_GESTURES_SEED=S
// replays seed S alone and lists its steps.
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "app/recovery.h"
#include "fakes.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "support/pictures.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace drollo {
namespace {

// --- What the sequence running now is, for a report when it dies ---------------------------------

std::mutex gCurrentMutex;
std::string gCurrent;  // "seed 17, step 23: drag ..."
std::atomic<std::int64_t> gStepStartedNs{0};

void SetCurrent(const std::string& what) {
  const std::lock_guard<std::mutex> hold(gCurrentMutex);
  gCurrent = what;
}

void PrintCurrent() {
  // No lock: the process is dying, possibly inside SetCurrent.
  std::fprintf(stderr, "\nrandom gestures: died in %s\nreplay with RANDOM_GESTURES_SEED=<seed>\n",
               gCurrent.c_str());
}

std::int64_t WallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// A step that does not end at all is reported with its seed instead of running into the test's
// time-out silently.
void StartWatchdog() {
  static std::once_flag once;
  std::call_once(once, [] {
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(PrintCurrent);
#endif
    std::thread([] {
      for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const std::int64_t started = gStepStartedNs.load();
        if (started != 0 && WallNs() - started > std::int64_t{120} * 1000000000) {
          PrintCurrent();
          std::abort();
        }
      }
    }).detach();
  });
}

// --- Fakes the layer tools draw with ------------------------------------------------------------

// Lines of the pen's width as runs of squares, clipped to the layer first so that points far
// outside cost nothing; curves as 24 straight pieces.
class SoftCanvas : public outline::LayerCanvas {
 public:
  void DrawLine(TBitmap32& layer, const outline::LayerPen& pen, outline::CanvasPoint from,
                outline::CanvasPoint to) override {
    const int w = std::max(1, pen.Width);
    const Rect box = outline::StrokeBounds(std::array{from, to}, w).intersected(layer.rect());
    if (box.empty()) return;
    const MutableView v = layer.region(box);
    double x0 = from.x, y0 = from.y, x1 = to.x, y1 = to.y;
    // Liang-Barsky against the box.
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {x0 - box.left + w, box.right + w - x0, y0 - box.top + w,
                        box.bottom + w - y0};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return;
        continue;
      }
      const double r = q[i] / p[i];
      if (p[i] < 0) t0 = std::max(t0, r);
      if (p[i] > 0) t1 = std::min(t1, r);
    }
    if (t0 > t1) return;
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy, bx = x0 + t1 * dx, by = y0 + t1 * dy;
    const int steps = static_cast<int>(std::max(std::abs(bx - ax), std::abs(by - ay))) + 1;
    for (int i = 0; i <= steps; ++i) {
      const int cx = static_cast<int>(std::lround(ax + (bx - ax) * i / steps));
      const int cy = static_cast<int>(std::lround(ay + (by - ay) * i / steps));
      for (int y = cy - w / 2; y <= cy + (w - 1) / 2; ++y)
        for (int x = cx - w / 2; x <= cx + (w - 1) / 2; ++x) v.setPixel(x, y, pen.Color);
    }
  }
  void DrawBezier(TBitmap32& layer, const outline::LayerPen& pen,
                  const std::array<outline::CanvasPoint, 4>& points) override {
    const auto at = [&](double t) {
      const double u = 1 - t;
      const auto mix = [&](int a, int b, int c, int d) {
        return u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
      };
      return outline::CanvasPoint{
          static_cast<int>(std::lround(mix(points[0].x, points[1].x, points[2].x, points[3].x))),
          static_cast<int>(std::lround(mix(points[0].y, points[1].y, points[2].y, points[3].y)))};
    };
    for (int i = 0; i < 24; ++i) DrawLine(layer, pen, at(i / 24.0), at((i + 1) / 24.0));
  }
};

// Text as a block of font-coloured and background pixels, one row of cells per line.
class SoftText : public outline::TextRenderer {
 public:
  Picture RenderCaption(const std::string& text, const outline::TFont& font,
                        TColor background) override {
    int lines = 1, longest = 0, current = 0;
    for (const char c : text) {
      if (c == '\n') {
        ++lines;
        current = 0;
      } else {
        longest = std::max(longest, ++current);
      }
    }
    if (text.empty()) return Picture();
    const int w = std::min(longest * 6, 2000), h = std::min(lines * 10, 2000);
    Picture p(std::max(w, 1), h, 24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < p.width(); ++x)
        p.setPixel(x, y, (x * 7 + y * 3) % 5 == 0 ? font.Color : background);
    return p;
  }
};

class PickingColours : public ColorDialog {
 public:
  std::mt19937* rng = nullptr;
  bool Execute(TColor& colour) override {
    if ((*rng)() % 3 == 0) return false;
    colour = (*rng)() & 0xFFFFFF;
    return true;
  }
};

class FontsCancelled : public FontDialog {
 public:
  bool Execute(outline::TFont&) override { return false; }
};

// --- One sequence
// ---------------------------------------------------------------------------------

constexpr TShiftState kLeft{.Left = true};
constexpr TShiftState kRight{.Right = true};
constexpr TShiftState kNone{};

struct Outcome {
  int steps = 0;
  bool checkedOpened = false;  // the final undo run reached the opened picture
};

class Sequence {
 public:
  Sequence(std::uint32_t seed, const test::TempFolder& folder, bool verbose)
      : seed_(seed), rng_(seed), folder_(folder), verbose_(verbose) {
    colours_.rng = &rng_;
    withResets_ = pick(2) == 0;
    if (pick(4) == 0) {
      now_ = std::chrono::steady_clock::time_point{};
      store_ = std::make_unique<RecoveryStore>(folder / ("recovery-" + std::to_string(seed)),
                                               [this] { return now_; });
    }
    PlatformServices s;
    s.OpenPictureDialog1 = &openDialog_;
    s.SaveDialog1 = &saveDialog_;
    s.Errors = &errors_;
    s.Messages = &messages_;
    s.ClipboardBitmaps = &clipboard_;
    s.Printer1 = &printer_;
    s.Mail = &mail_;
    s.Browser = &browser_;
    s.Colors = &colours_;
    s.Canvas = &canvas_;
    s.Renderer = &text_;
    s.Fonts = &fonts_;
    s.DataFolder = folder / "data";
    s.Recovery = store_.get();
    form_ = std::make_unique<TForm1>(s);
    form_->Work_area.SetClientSize(DisplaySize{607, 474});
    form_->FormShow();
  }
  ~Sequence() {
    form_.reset();
    if (store_) store_->Finish();
  }

  Outcome Run() {
    // Mostly a small picture of any depth, opened from a file as the user opens one; now and
    // then the start picture.
    if (pick(25) != 0) {
      const std::string file = folder_ / ("open-" + std::to_string(seed_) + ".bmp");
      WriteFile(file, formats::EncodeBmp(RandomPicture(1 + pick(96), 1 + pick(96))));
      openDialog_.answers.push_back(file);
      form_->Execute(Handler::Open1Click);
      std::filesystem::remove(file);
    }
    opened_ = form_->State.WorkingPicture;
    afterStep("open");
    const int steps = 15 + pick(45);
    for (int i = 0; i < steps && !form_->Closed; ++i) {
      step_ = i + 1;
      std::string what;
      const double before = ProcessSeconds();
      gStepStartedNs = WallNs();
      RandomGesture(what);
      gStepStartedNs = 0;
      const double seconds = ProcessSeconds() - before;
      EXPECT_LE(seconds, Bound()) << where(what) << ": took " << seconds << " s of processor time";
      afterStep(what);
      if (testing::Test::HasFailure()) return Outcome{i + 1};
    }
    return finish(steps);
  }

 private:
  // The test's own files need no flushing to the disk.
  static void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  // --- Randomness ---
  int pick(int n) { return n <= 1 ? 0 : static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  bool chance(int percent) { return pick(100) < percent; }
  template <typename T>
  const T& pickOf(const std::vector<T>& v) {
    return v[pick(static_cast<int>(v.size()))];
  }

  Picture RandomPicture(int w, int h) {
    const int depths[] = {1, 4, 8, 16, 24, 24, 24, 32};
    const int bits = depths[pick(8)];
    Picture p = bits == 32 ? Picture(w, h, PixelFormat::Bgra32()) : Picture(w, h, bits);
    const std::uint32_t base = rng_();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        p.setPixel(x, y, (base + x * 2654435761u + y * 40503u + (x * y) % 7 * 0x10101u) & 0xFFFFFF);
    if (bits == 32)  // alpha of its own
      for (int y = 0; y < h; ++y)
        p.mutableRow(y)[4 * pick(w) + 3] = static_cast<std::uint8_t>(rng_());
    return p;
  }

  // A position along a displayed length: mostly on it, often just off it, sometimes far off.
  int Coord(int extent) {
    switch (pick(12)) {
      case 0:
        return -1 - pick(300);
      case 1:
        return extent + pick(300);
      case 2:
        return pick(2) ? -1000000 : 1000000;
      case 3:
        return pick(2) ? 0 : extent - 1;
      default:
        return extent > 0 ? pick(extent) : 0;
    }
  }
  Point OnImage() {
    const DisplaySize& s = form_->Work_area.Images.Image1;
    return Point{Coord(s.Width), Coord(s.Height)};
  }
  // A press lands on the picture's control; only the pointer's later moves leave it.
  Point PressPoint() {
    const DisplaySize& s = form_->Work_area.Images.Image1;
    return Point{pick(std::max(1, s.Width)), pick(std::max(1, s.Height))};
  }

  // --- Gestures ---
  TForm1& f() { return *form_; }
  TTools& tools() { return form_->Tools; }
  TWork_area& area() { return form_->Work_area; }
  bool onImage2() const {
    return form_->Work_area.Image2.Visible && form_->State.CurrentPage() == Page::Outline;
  }

  void down(TMouseButton b, Point p) {
    const TShiftState s = b == TMouseButton::Left ? kLeft : kRight;
    if (onImage2())
      area().Image2MouseDown(b, s, p.x, p.y);
    else
      area().Image1MouseDown(b, s, p.x, p.y);
  }
  void move(TMouseButton b, Point p) {
    const TShiftState s = b == TMouseButton::Left ? kLeft : kRight;
    if (onImage2())
      area().Image2MouseMove(s, p.x, p.y);
    else
      area().Image1MouseMove(s, p.x, p.y);
  }
  void up(TMouseButton b, Point p) {
    if (onImage2()) {
      area().Image2MouseUp(b, kNone, p.x, p.y);
      return;
    }
    const DisplaySize& s = area().Images.Image1;
    if (b == TMouseButton::Left && p.x >= 0 && p.y >= 0 && p.x < s.Width && p.y < s.Height)
      area().Image1Click();
    area().Image1MouseUp(b, kNone, p.x, p.y);
  }
  // A whole press: `moves` positions between the press and the release, `ticks` auto-repeats.
  void Press(TMouseButton b, Point from, int moves, int ticks, std::string& what) {
    what += " at " + std::to_string(from.x) + "," + std::to_string(from.y);
    down(b, from);
    for (int t = 0; t < ticks; ++t)
      if (area().Timer1.Enabled) area().Timer1Timer();
    Point p = from;
    for (int m = 0; m < moves; ++m) {
      p = pick(3) ? Point{p.x + pick(61) - 30, p.y + pick(61) - 30} : OnImage();
      move(b, p);
    }
    what += " to " + std::to_string(p.x) + "," + std::to_string(p.y);
    up(b, p);
  }

  TrackBar* Slider(int page) {
    TTools& t = tools();
    switch (page) {
      case 0:
        return pick(2) ? &t.TrackBar1 : &t.TrackBar2;
      case 1:
        return pick(2) ? &t.TrackBar3 : &t.TrackBar4;
      case 2:
        return pick(2) ? &t.TrackBar5 : &t.TrackBar7;
      default:
        return &t.TrackBar6;
    }
  }

  // The palette's clickable controls of a page.
  std::vector<std::function<void()>> PaletteClicks(int page) {
    TTools& t = tools();
    const auto button = [](SpeedButton& b) {
      return std::function<void()>([&b] {
        if (b.Enabled && b.Visible) b.Click();
      });
    };
    const auto radio = [](RadioButton& b) { return std::function<void()>([&b] { b.Click(); }); };
    switch (page) {
      case 0:
        return {radio(t.RadioButton1), radio(t.RadioButton2), radio(t.RadioButton3),
                button(t.SpeedButton1), button(t.SpeedButton2)};
      case 1:
        return {button(t.SpeedButton11), button(t.SpeedButton12), button(t.SpeedButton3)};
      case 2:
        return {button(t.SpeedButton4), button(t.SpeedButton5), button(t.SpeedButton8)};
      default:
        return {[&t] { t.CheckBox1.Click(); }, button(t.SpeedButton19), button(t.SpeedButton7),
                button(t.SpeedButton14),       button(t.SpeedButton6),  button(t.SpeedButton15),
                button(t.SpeedButton9),        button(t.SpeedButton13), [&t] { t.Panel2.Click(); },
                button(t.SpeedButton10),       button(t.SpeedButton16), button(t.SpeedButton17),
                button(t.SpeedButton18)};
    }
  }

  std::string RadiusText() {
    const std::vector<std::string> texts = {
        "",    "0",  "1",  "2",       "3",          "7",          "40",
        "abc", "-5", " 3", "1000000", "2147483647", "2147483648", "99999999999999999999"};
    return pickOf(texts);
  }

  void RandomGesture(std::string& what) {
    const int page = f().State.PageIndex;
    const bool paletteLive = tools().TabbedNotebook1.Enabled;
    switch (pick(withResets_ ? 26 : 21)) {
      case 0:
      case 1: {
        const int to = pick(4);
        what = "page " + std::to_string(to);
        if (paletteLive) tools().TabbedNotebook1.SetPageIndex(to);
        break;
      }
      case 2:
      case 3: {
        TrackBar* bar = Slider(page);
        const std::vector<int> values = {INT_MIN,    -1000,          bar->Min() - 1, bar->Min(),
                                         bar->Max(), bar->Max() + 1, 1000,           INT_MAX};
        const int v = pick(2) ? pickOf(values) : bar->Min() + pick(bar->Max() - bar->Min() + 1);
        what = "slider " + bar->Caption + " to " + std::to_string(v);
        if (paletteLive && bar->Enabled) bar->SetPosition(v);
        break;
      }
      case 4:
      case 5: {
        std::vector<std::function<void()>> clicks = PaletteClicks(page);
        const int i = pick(static_cast<int>(clicks.size()));
        what = "palette button " + std::to_string(i) + " of page " + std::to_string(page);
        if (paletteLive) {
          saveDialog_.answer.reset();
          if (chance(20))
            saveDialog_.answer =
                SaveDialog::Choice{folder_ / ("saved-" + std::to_string(seed_)), 1 + pick(5)};
          clicks[i]();
        }
        break;
      }
      case 6: {
        tools().Edit1.Text = RadiusText();
        what = "thickness box \"" + tools().Edit1.Text + "\"";
        if (paletteLive && page == 3) {
          if (pick(2))
            tools().Edit1.DblClick();
          else
            tools().Edit1.KeyPress(pick(2) ? '\r' : 'x');
        }
        break;
      }
      case 7: {
        // A huge radius typed into the thickness box becomes the eraser's; then eraser clicks.
        what = "huge thickness then eraser";
        if (!paletteLive) break;
        tools().TabbedNotebook1.SetPageIndex(3);
        tools().SpeedButton9.Click();
        tools().Edit1.Text = pick(2) ? "2147483647" : std::to_string(1000 + pick(1000000));
        (pick(3) == 0 ? tools().SpeedButton18 : tools().SpeedButton17).Click();
        for (int i = 1 + pick(3); i > 0; --i)
          Press(TMouseButton::Left, PressPoint(), pick(3), 0, what);
        // The largest radius there is reaches every pixel of the layer, at any zoom.
        if (tools().Edit1.Text == "2147483647" && onImage2()) {
          const TBitmap32& layer = f().State.OutlineBitmap;
          int left = 0;
          for (int y = 0; y < layer.height(); ++y)
            for (int x = 0; x < layer.width(); ++x) left += layer.pixel(x, y) != kWhite;
          EXPECT_EQ(left, 0) << where(what) << " at zoom " << f().State.ZoomPercent
                             << ": pixels the eraser left";
        }
        break;
      }
      case 8:
      case 9:
      case 10: {
        const int kind = pick(5);
        const char* names[] = {"click", "hold", "drag", "right drag", "double click"};
        what = names[kind];
        if (kind == 0) Press(TMouseButton::Left, PressPoint(), 0, 0, what);
        if (kind == 1) Press(TMouseButton::Left, PressPoint(), 0, 1 + pick(4), what);
        if (kind == 2) Press(TMouseButton::Left, PressPoint(), 1 + pick(8), pick(2), what);
        if (kind == 3) Press(TMouseButton::Right, PressPoint(), 1 + pick(5), 0, what);
        if (kind == 4) {
          const Point p = PressPoint();
          Press(TMouseButton::Left, p, 0, 0, what);
          // The second press of a double-click completes no click.
          down(TMouseButton::Left, p);
          if (onImage2())
            area().Image2MouseUp(TMouseButton::Left, kNone, p.x, p.y);
          else
            area().Image1MouseUp(TMouseButton::Left, kNone, p.x, p.y);
        }
        break;
      }
      case 11: {
        const int delta = (pick(2) ? 120 : -120) * (1 + pick(3));
        what = "wheel " + std::to_string(delta);
        if (pick(2))
          area().MouseWheel(delta);
        else
          area().FormMouseWheel(delta);
        break;
      }
      case 12: {
        const int v = pick(4) ? pick(2000) - 200 : (pick(2) ? INT_MAX : INT_MIN);
        what = "scroll to " + std::to_string(v);
        if (pick(2))
          area().HorzScroll(v);
        else
          area().VertScroll(v);
        if (chance(20)) area().SetClientSize(DisplaySize{pick(900), pick(700)});
        break;
      }
      case 13:
      case 14: {
        // Tool bar buttons, menu entries and short-cuts, as far as they are enabled.
        const int way = pick(3);
        openDialog_.answers.clear();
        saveDialog_.answer.reset();
        if (chance(30))
          saveDialog_.answer =
              SaveDialog::Choice{folder_ / ("saved-" + std::to_string(seed_)), 1 + pick(4)};
        if (way == 0) {
          const auto buttons = ToolBarButtons();
          const ToolButtonEntry& e = buttons[pick(static_cast<int>(buttons.size()))];
          what = "tool bar " + std::string(e.Name);
          if (!ResetsHistory(e.Runs) || withResets_)
            if (f().ToolButton(e.Name)->Enabled) f().PressToolButton(*f().ToolButton(e.Name));
        } else if (way == 1) {
          const auto entries = MenuEntries();
          const MenuEntry& e = entries[pick(static_cast<int>(entries.size()))];
          what = "menu " + std::string(e.Name);
          if (e.Runs != Handler::Exit1Click && (!ResetsHistory(e.Runs) || withResets_) &&
              f().MenuEntryNamed(e.Name)->Enabled)
            f().Execute(e.Runs);
        } else {
          const auto keys = Shortcuts();
          const ShortcutEntry& e = keys[pick(static_cast<int>(keys.size()))];
          what = "keys " + std::string(e.Keys);
          if (e.Runs != Handler::Exit1Click && (!ResetsHistory(e.Runs) || withResets_))
            f().PressKeys(e.Keys);
        }
        break;
      }
      case 15:
      case 16: {
        const bool undo = pick(2);
        const int n = 1 + pick(pick(4) ? 5 : 120);
        what = std::string(undo ? "undo" : "redo") + " x" + std::to_string(n);
        for (int i = 0; i < n; ++i) f().Execute(undo ? Handler::Undo1Click : Handler::Redo1Click);
        break;
      }
      case 17: {
        what = "text";
        if (!paletteLive) break;
        tools().TabbedNotebook1.SetPageIndex(3);
        tools().SpeedButton13.Click();
        const Point p = PressPoint();
        Press(TMouseButton::Left, p, 0, 0, what);
        OutlineDrawing& d = area().Outline;
        if (!d.Memo1.Visible) break;
        const std::vector<std::string> texts = {"", "Hi", "\n\n", "两行\r\n文字",
                                                std::string(300, 'W')};
        d.Memo1.Text = pickOf(texts);
        for (int i = pick(4); i > 0; --i) {
          const int x = pick(3) ? pick(5) : d.Memo1.Width - 1 - pick(14);
          const int y = pick(3) ? pick(5) : d.Memo1.Height - 1 - pick(14);
          area().Memo1MouseDown(TMouseButton::Left, kLeft, x, y);
          area().Memo1MouseMove(kLeft, x + pick(400) - 200, y + pick(400) - 200);
          area().Memo1MouseUp(TMouseButton::Left, kNone, x + pick(400) - 200, y + pick(400) - 200);
        }
        if (pick(4)) area().Memo1DblClick();
        break;
      }
      case 18: {
        what = "timers";
        area().Timer2Timer();
        area().MouseEnter(pick(2) ? TWork_area::ChildControl::Image1
                                  : TWork_area::ChildControl::Image2);
        if (pick(2)) area().MouseLeave(TWork_area::ChildControl::Image1);
        break;
      }
      case 19: {
        // Zoom runs up to and against the limits.
        const bool in = pick(2);
        const int n = 1 + pick(pick(3) ? 4 : 40);
        what = std::string("zoom ") + (in ? "in" : "out") + " x" + std::to_string(n);
        for (int i = 0; i < n; ++i)
          f().Execute(in ? Handler::SpeedButton9Click : Handler::SpeedButton8Click);
        break;
      }
      case 20: {
        what = "copy";
        f().PressKeys("Ctrl+C");
        break;
      }
      // Gestures that start the histories afresh.
      case 21: {
        what = "crop";
        if (!f().State.CropSelectMode) f().PressToolButton(f().SpeedButton2);
        Press(TMouseButton::Left, PressPoint(), 1 + pick(4), 0, what);
        if (pick(3)) f().PressKeys("Ctrl+C");
        if (pick(3) && f().SpeedButton11.Enabled) f().PressToolButton(f().SpeedButton11);
        break;
      }
      case 22: {
        what = "paste";
        if (pick(3)) clipboard_.content = RandomPicture(1 + pick(80), 1 + pick(80));
        if (chance(10)) clipboard_.content.reset();
        f().PressKeys("Ctrl+V");
        break;
      }
      case 23: {
        TImage_Size& d = f().Image_Size;
        f().Execute(Handler::ImageSize1Click);
        const auto field = [&] {
          const std::vector<std::string> odd = {"0",      "-3",         "abc",        "",
                                                "100000", "2147483647", "99999999999"};
          return pick(3) ? std::to_string(1 + pick(150)) : pickOf(odd);
        };
        if (pick(3) == 0) d.CheckBox1.Click();
        d.Edit1.Text = field();
        d.Edit1KeyUp();
        if (pick(2)) {
          d.Edit2.Text = field();
          d.Edit2KeyUp();
        }
        for (int i = pick(3); i > 0; --i) (pick(2) ? d.SpeedButton1 : d.SpeedButton2).Click();
        what = "resize to \"" + d.Edit1.Text + "\" x \"" + d.Edit2.Text + "\"";
        // Sizes the program accepts but that would only slow the test down are cancelled.
        const double area = std::atof(d.Edit1.Text.c_str()) * std::atof(d.Edit2.Text.c_str());
        if (area > 40000 && area <= static_cast<double>(kMaxPicturePixels))
          d.Button2.Click();
        else
          d.Button1.Click();
        break;
      }
      case 24: {
        what = "renew";
        f().PressKeys("Ctrl+R");
        break;
      }
      default: {
        // Open: the same picture again, a file that is missing or damaged, or cancel.
        const std::string damaged = folder_ / "damaged.bmp";
        WriteFile(damaged, {'B', 'M', 1, 2, 3});
        const std::vector<std::optional<std::string>> answers = {std::nullopt,
                                                                 folder_ / "missing.bmp", damaged};
        openDialog_.answers = {pickOf(answers)};
        what = "open " + openDialog_.answers.front().value_or("(cancelled)");
        f().Execute(Handler::Open1Click);
        break;
      }
    }
    // The recovery copy's clock moves on; its writer runs beside the next steps.
    if (store_ && chance(15)) {
      now_ += RecoveryStore::kInterval;
      f().RecoveryTick();
    }
  }

  static bool ResetsHistory(Handler h) {
    return h == Handler::Open1Click || h == Handler::RenewClick ||
           h == Handler::SpeedButton11Click || h == Handler::Action9Execute ||
           h == Handler::ImageSize1Click || h == Handler::SpeedButton2Click;
  }

  // --- Checks ---
  std::string where(const std::string& what) const {
    return "seed " + std::to_string(seed_) + ", step " + std::to_string(step_) + " (" + what + ")";
  }

  // Processor seconds a step may take: generous, and proportional to the pictures' size.
  double Bound() const {
    const ProgramState& s = form_->State;
    const double pixels =
        std::max<double>({1.0 * s.WorkingPicture.width() * s.WorkingPicture.height(),
                          1.0 * s.OutlineBitmap.width() * s.OutlineBitmap.height(),
                          1.0 * opened_.width() * opened_.height()});
    return 2.0 + pixels * 50e-6;
  }

  // The picture and the layer equal what their ring recorded in the slot showing: a slot seen
  // before holds what it held then, a new slot what the picture is now.
  void afterStep(const std::string& what) {
    SetCurrent(where(what));
    if (verbose_) std::fprintf(stderr, "%s\n", where(what).c_str());
    ProgramState& s = form_->State;
    checkRing(s.PictureHistory, s.WorkingPicture, pictures_, pictureBase_, what, "picture");
    checkRing(s.OutlineHistory, s.OutlineBitmap, layers_, layerBase_, what, "layer");
    if (pictureResets_ > 1) reset_ = true;  // the first is the open
  }

  using Mirror = std::map<std::weak_ptr<const PictureSnapshot>, Picture, std::owner_less<>>;

  void checkRing(const HistoryRing& ring, const Picture& current, Mirror& mirror,
                 std::weak_ptr<const PictureSnapshot>& base, const std::string& what,
                 const char* name) {
    const std::shared_ptr<const PictureSnapshot> slot = ring.slotShared(ring.index());
    ASSERT_TRUE(slot) << where(what);
    // Only a reset leaves slot 1 showing with nothing to undo or redo: the histories started
    // afresh (an open, a crop, a paste, a resize, renewing), and the ring's content is gone.
    if (ring.index() == 1 && ring.undoCount() == 0 && ring.redoCount() == 0 &&
        base.owner_before(slot) != slot.owner_before(base)) {
      if (&mirror == &pictures_) ++pictureResets_;
      base = slot;
      mirror.clear();
    }
    const auto it = mirror.find(slot);
    if (it == mirror.end()) {
      EXPECT_TRUE(test::SamePicture(current, MaterialiseSnapshot(*slot)))
          << where(what) << ": the " << name << " history recorded another " << name;
      mirror.emplace(slot, current);
      if (mirror.size() > 300) {
        for (auto m = mirror.begin(); m != mirror.end();)
          m = m->first.expired() ? mirror.erase(m) : std::next(m);
      }
      return;
    }
    EXPECT_TRUE(test::SamePicture(it->second, current))
        << where(what) << ": the " << name << " is not what its history slot recorded";
  }

  // Every recorded edit undone, on a picture page and then on the outline page.
  Outcome finish(int steps) {
    step_ = steps + 1;
    const std::string what = "undo everything";
    SetCurrent(where(what));
    if (form_->Closed) return Outcome{steps};
    if (f().State.CropSelectMode) f().PressToolButton(f().SpeedButton2);
    tools().TabbedNotebook1.SetPageIndex(0);
    while (f().State.PictureHistory.undoCount() > 0) f().Execute(Handler::Undo1Click);
    afterStep(what);
    Outcome outcome{steps};
    if (!reset_ && f().State.PictureHistory.redoCount() < HistoryRing::kMaxUndo) {
      EXPECT_TRUE(test::SamePicture(opened_, f().State.WorkingPicture))
          << where(what) << ": undoing every edit does not give the opened picture back";
      outcome.checkedOpened = true;
    }
    tools().TabbedNotebook1.SetPageIndex(3);
    while (f().State.OutlineHistory.undoCount() > 0) f().Execute(Handler::Undo1Click);
    afterStep(what);
    if (f().State.OutlineHistory.redoCount() < HistoryRing::kMaxUndo) {
      TBitmap32 blank(f().State.WorkingPicture.width(), f().State.WorkingPicture.height());
      blank.reset(blank.width(), blank.height(), 255);
      EXPECT_TRUE(test::SamePicture(blank, f().State.OutlineBitmap)) << where(what);
    }
    // The recovery copy, written once more now, holds exactly the picture and the layer.
    if (store_) {
      f().Execute(Handler::Redo1Click);
      now_ += RecoveryStore::kInterval;
      f().RecoveryTick();
      if (store_->Flush() && store_->HasCopy()) {
        const std::string desc = store_->Folder() + "/recovery.txt";
        const std::vector<std::uint8_t> text = formats::ReadWholeFile(desc);
        const RecoveryDescription d = ParseRecovery(std::string(text.begin(), text.end()));
        if (!d.PictureFile.empty()) {
          EXPECT_TRUE(test::SamePicture(
              f().State.WorkingPicture,
              formats::DecodeBmp(formats::ReadWholeFile(store_->Folder() + "/" + d.PictureFile))))
              << where("recovery copy");
          TBitmap32 layer;
          layer.Assign(
              formats::DecodeBmp(formats::ReadWholeFile(store_->Folder() + "/" + d.LayerFile)));
          EXPECT_TRUE(test::SamePicture(f().State.OutlineBitmap, layer)) << where("recovery copy");
        }
      }
    }
    return outcome;
  }

  std::uint32_t seed_;
  std::mt19937 rng_;
  const test::TempFolder& folder_;
  bool verbose_;
  bool withResets_ = false;
  int step_ = 0;
  bool reset_ = false;  // the picture history started afresh after the open
  int pictureResets_ = 0;
  Picture opened_;
  Mirror pictures_, layers_;
  std::weak_ptr<const PictureSnapshot> pictureBase_, layerBase_;

  test::FakeOpenDialog openDialog_;
  test::FakeSaveDialog saveDialog_;
  test::FakeErrors errors_;
  test::FakeMessages messages_;
  test::FakeClipboard clipboard_;
  test::FakePrinter printer_;
  test::FakeMail mail_;
  test::FakeBrowser browser_;
  PickingColours colours_;
  SoftCanvas canvas_;
  SoftText text_;
  FontsCancelled fonts_;
  std::chrono::steady_clock::time_point now_{};
  std::unique_ptr<RecoveryStore> store_;
  std::unique_ptr<TForm1> form_;
};

struct Totals {
  int sequences = 0, steps = 0, openedChecked = 0;
};

Totals RunSeeds(const std::vector<std::uint32_t>& seeds, bool verbose) {
  StartWatchdog();
  test::TempFolder folder;
  Totals t;
  for (const std::uint32_t seed : seeds) {
    // The seed stays on the last line of the output, so a sanitizer's report (which ends the
    // program before any test can say more) follows the seed it came from.
    std::fprintf(stderr, "\rrandom gestures: seed %u ", seed);
    const Outcome o = Sequence(seed, folder, verbose).Run();
    ++t.sequences;
    t.steps += o.steps;
    t.openedChecked += o.checkedOpened;
    if (testing::Test::HasFailure()) {
      ADD_FAILURE() << "replay with RANDOM_GESTURES_SEED=" << seed;
      break;
    }
  }
  std::fprintf(stderr, "\n");
  SetCurrent("between sequences");
  return t;
}

// The seeds of one of the test command's shards: seeds 1 to N (N from RANDOM_GESTURES, else the
// usual count), every kShards-th.
constexpr int kShards = 4;
constexpr int kUsualSequences = 300;

class RandomGestures : public testing::TestWithParam<int> {};

TEST_P(RandomGestures, NothingCrashesHangsOrLosesTheOpenedPicture) {
  std::vector<std::uint32_t> seeds;
  if (const char* one = std::getenv("RANDOM_GESTURES_SEED")) {
    if (GetParam() != 0) GTEST_SKIP() << "replaying one seed in shard 0";
    seeds.push_back(static_cast<std::uint32_t>(std::strtoul(one, nullptr, 10)));
  } else {
    const char* n = std::getenv("RANDOM_GESTURES");
    const int count = n ? std::atoi(n) : kUsualSequences;
    for (int s = 1 + GetParam(); s <= count; s += kShards) seeds.push_back(s);
  }
  const Totals t = RunSeeds(seeds, std::getenv("RANDOM_GESTURES_SEED") != nullptr);
  std::printf("random gestures: %d sequences, %d steps, %d ending at the opened picture\n",
              t.sequences, t.steps, t.openedChecked);
}

INSTANTIATE_TEST_SUITE_P(Shards, RandomGestures, testing::Range(0, kShards));

// Seeds that found faults, replayed by every run whatever the shards' seeds are.
TEST(RandomGestureFaults, AHugeEraserRadiusBelow100PercentWrappedRoundAndErasedNothing) {
  RunSeeds({9, 54}, false);
}

}  // namespace
}  // namespace drollo
