// The records old and enhanced metafiles share are decoded into the same operations: an old file
// (16-bit parameters, last first) and an enhanced file (32-bit parameters in order) holding the
// same drawing calls on a picture of the same size give the canvas the same calls.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "formats/metafile_player.h"
#include "formats/metafile_samples.h"

namespace drollo::formats {
namespace {

using samples::EmfBuilder;
using samples::Params;
using samples::WmfBuilder;

// Every call as text, points rounded to a millionth of a pixel (the enhanced file's frame
// mapping is one only up to rounding).
class TranscribingCanvas : public meta::Canvas {
 public:
  std::vector<std::string> calls;

  void fill(const meta::Path& p, const meta::Brush& b, bool winding,
            const meta::Background&) override {
    calls.push_back("fill " + Of(p) + " brush " + std::to_string(int(b.style)) + " " +
                    std::to_string(b.colour) + (winding ? " winding" : ""));
  }
  void stroke(const meta::Path& p, const meta::Pen& pen, const meta::Background&) override {
    calls.push_back("stroke " + Of(p) + " pen " + std::to_string(int(pen.style)) + " " +
                    std::to_string(pen.colour) + " " + Round(pen.width));
  }
  void text(const meta::Text& t) override {
    calls.push_back("text at " + Round(t.origin.x) + "," + Round(t.origin.y));
  }
  void bitmap(const Picture&, const Rect&, meta::Point, meta::Point, meta::Point,
              std::uint32_t) override {
    calls.push_back("bitmap");
  }
  void pattern(const meta::Path& p, const meta::Brush&, std::uint32_t rop) override {
    calls.push_back("pattern " + Of(p) + " " + std::to_string(rop));
  }
  void clip(const std::vector<meta::Path>& rectangles) override {
    std::string s = "clip";
    for (const meta::Path& p : rectangles) s += " " + Of(p);
    calls.push_back(s);
  }

 private:
  static std::string Round(double v) {
    const double r = std::round(v * 1e6) / 1e6;
    return std::to_string(r == 0 ? 0.0 : r);
  }
  static std::string Of(const meta::Path& p) {
    std::string s;
    for (meta::Path::Op op : p.ops) s += "MLCZ"[int(op)];
    for (const meta::Point& q : p.points) s += " " + Round(q.x) + "," + Round(q.y);
    return s;
  }
};

std::vector<std::string> Play(const samples::Bytes& file) {
  TranscribingCanvas canvas;
  PlayMetafile(file, MeasureMetafile(file, {}), canvas, {});
  return canvas.calls;
}

struct FormsCase {
  std::string name;
  std::function<void(WmfBuilder&)> old;
  std::function<void(EmfBuilder&)> enhanced;
};

void PrintTo(const FormsCase& c, std::ostream* os) {
  *os << c.name;
}

class MetafileFormsTest : public testing::TestWithParam<FormsCase> {};

TEST_P(MetafileFormsTest, BothFormsDrawTheSame) {
  const FormsCase& c = GetParam();
  // 192 x 192 pixels each: the old file's window extent in pixels, the enhanced file's frame of
  // 50.8 mm recorded on a device of 96 dots per inch.
  WmfBuilder w;
  w.record(0x020C, {192, 192});
  c.old(w);
  EmfBuilder e(5080, 5080, 960, 960, 254, 254);
  c.enhanced(e);
  const std::vector<std::string> old = Play(w.plain()), enhanced = Play(e.bytes());
  ASSERT_FALSE(old.empty());
  EXPECT_EQ(old, enhanced);
}

// A mapping that mirrors the y axis and scales unevenly.
void Mirrored(WmfBuilder& w) {
  w.record(0x0103, {8}).record(0x020C, {-100, 200}).record(0x020E, {192, 192});
  w.record(0x020B, {50, -20});
}
void Mirrored(EmfBuilder& e) {
  e.record(17, {8}).record(9, {200, -100}).record(11, {192, 192}).record(10, {-20, 50});
}

INSTANTIATE_TEST_SUITE_P(
    SharedRecords, MetafileFormsTest,
    testing::Values(
        FormsCase{"Rectangle",
                  [](WmfBuilder& w) {
                    w.record(0x041B, {150, 170, 20, 10});
                  },
                  [](EmfBuilder& e) {
                    e.record(43, {10, 20, 170, 150});
                  }},
        FormsCase{"EllipseMirrored",
                  [](WmfBuilder& w) {
                    Mirrored(w);
                    w.record(0x0418, {10, 90, 60, 5});
                  },
                  [](EmfBuilder& e) {
                    Mirrored(e);
                    e.record(42, {5, 60, 90, 10});
                  }},
        FormsCase{"RoundRect",
                  [](WmfBuilder& w) {
                    w.record(0x061C, {30, 40, 150, 170, 20, 10});
                  },
                  [](EmfBuilder& e) {
                    e.record(44, {10, 20, 170, 150, 40, 30});
                  }},
        FormsCase{"ArcPieChordMirrored",
                  [](WmfBuilder& w) {
                    Mirrored(w);
                    w.record(0x0817, {0, 150, 80, 0, 90, 180, 10, 20});
                    w.record(0x081A, {90, 0, 10, 20, 90, 180, 10, 20});
                    w.record(0x0830, {60, 20, 0, 100, 90, 180, 10, 20});
                  },
                  [](EmfBuilder& e) {
                    Mirrored(e);
                    e.record(45, {20, 10, 180, 90, 0, 80, 150, 0});
                    e.record(47, {20, 10, 180, 90, 20, 10, 0, 90});
                    e.record(46, {20, 10, 180, 90, 100, 0, 20, 60});
                  }},
        FormsCase{"LinesFromTheCurrentPosition",
                  [](WmfBuilder& w) {
                    w.record(0x0214, {30, 10}).record(0x0213, {60, 100}).record(0x0213, {5, 120});
                  },
                  [](EmfBuilder& e) {
                    e.record(27, {10, 30}).record(54, {100, 60}).record(54, {120, 5});
                  }},
        FormsCase{"PenBrushAndPixel",
                  [](WmfBuilder& w) {
                    w.objects = 2;
                    w.record(0x02FA, Params().u16(1).u16(6).u16(0).u32(0x0000FF).b);
                    w.record(0x02FC, Params().u16(2).u32(0x00FF00).u16(3).b);
                    w.record(0x012D, {0}).record(0x012D, {1});
                    w.record(0x041F, Params().u32(0x123456).u16(7).u16(9).b);
                    w.record(0x041B, {50, 60, 20, 10});
                  },
                  [](EmfBuilder& e) {
                    e.record(38, {1, 1, 6, 0, 0x0000FF});
                    e.record(39, {2, 2, 0x00FF00, 3});
                    e.record(37, {1}).record(37, {2});
                    e.record(15, {9, 7, 0x123456});
                    e.record(43, {10, 20, 60, 50});
                  }},
        FormsCase{"ClipSaveRestoreAndScaledWindow",
                  [](WmfBuilder& w) {
                    w.record(0x0103, {8}).record(0x020E, {192, 192});
                    w.record(0x001E, {});
                    w.record(0x0416, {100, 90, 10, 20});
                    w.record(0x0400, {2, 1, 3, 1});  // window a third as wide, half as high
                    w.record(0x041B, {40, 40, 0, 0});
                    w.record(0x0127, {-1});
                    w.record(0x041B, {40, 40, 0, 0});
                  },
                  [](EmfBuilder& e) {
                    e.record(17, {8}).record(11, {192, 192}).record(9, {192, 192});
                    e.record(33, {});
                    e.record(30, {20, 10, 90, 100});
                    e.record(32, {1, 3, 1, 2});
                    e.record(43, {0, 0, 40, 40});
                    e.record(34, {-1});
                    e.record(43, {0, 0, 40, 40});
                  }}),
    [](const testing::TestParamInfo<FormsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace drollo::formats
