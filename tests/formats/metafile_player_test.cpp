// The metafile player record by record: files built byte by byte, played onto a canvas that
// records what it is asked to draw (and paints bitmaps by nearest pixel, to check their pixels).
#include "formats/metafile_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "formats/dib.h"
#include "formats/metafile_samples.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using meta::Path;
using meta::Point;
using samples::Bytes;
using samples::EmfBuilder;
using samples::Params;
using samples::WmfBuilder;

struct Box {
  double left, top, right, bottom;
};

Box Bounds(const Path& p) {
  Box b{1e300, 1e300, -1e300, -1e300};
  for (const Point& q : p.points) {
    b.left = std::min(b.left, q.x), b.right = std::max(b.right, q.x);
    b.top = std::min(b.top, q.y), b.bottom = std::max(b.bottom, q.y);
  }
  return b;
}

struct Call {
  enum Kind { kFill, kStroke, kText, kBitmap, kPattern, kClip } kind;
  Path path;
  meta::Brush brush;
  meta::Pen pen;
  meta::Text text;
  std::uint32_t rop = 0;
};

class RecordingCanvas : public meta::Canvas {
 public:
  explicit RecordingCanvas(Picture* target = nullptr) : target_(target) {}
  std::vector<Call> calls;

  void fill(const Path& path, const meta::Brush& brush, bool, const meta::Background&) override {
    calls.push_back({Call::kFill, path, brush, {}, {}, 0});
  }
  void stroke(const Path& path, const meta::Pen& pen, const meta::Background&) override {
    calls.push_back({Call::kStroke, path, {}, pen, {}, 0});
  }
  void text(const meta::Text& t) override { calls.push_back({Call::kText, {}, {}, {}, t, 0}); }
  // Axis-aligned bitmaps by nearest pixel: destination pixel centres mapped back to the source.
  void bitmap(const Picture& bitmap, const Rect& source, Point tl, Point tr, Point bl,
              std::uint32_t rop) override {
    Path p;
    p.moveTo(tl);
    p.lineTo(tr);
    p.lineTo(bl);
    calls.push_back({Call::kBitmap, p, {}, {}, {}, rop});
    if (!target_) return;
    for (int y = 0; y < target_->height(); ++y)
      for (int x = 0; x < target_->width(); ++x) {
        const double u = (x + 0.5 - tl.x) / (tr.x - tl.x), v = (y + 0.5 - tl.y) / (bl.y - tl.y);
        if (u < 0 || u >= 1 || v < 0 || v >= 1) continue;
        const int sx = source.left + static_cast<int>(u * source.width());
        const int sy = source.top + static_cast<int>(v * source.height());
        target_->setPixel(x, y, bitmap.pixel(sx, sy));
      }
  }
  void pattern(const Path& area, const meta::Brush& brush, std::uint32_t rop) override {
    calls.push_back({Call::kPattern, area, brush, {}, {}, rop});
  }
  void clip(const std::vector<Path>& rectangles) override {
    Path all;
    for (const Path& r : rectangles) all.append(r);
    calls.push_back({Call::kClip, all, {}, {}, {}, 0});
  }

  std::vector<Call> of(Call::Kind kind) const {
    std::vector<Call> out;
    for (const Call& c : calls)
      if (c.kind == kind) out.push_back(c);
    return out;
  }

 private:
  Picture* target_;
};

RecordingCanvas Play(const Bytes& file, Picture* target = nullptr) {
  RecordingCanvas canvas(target);
  PlayMetafile(file, MeasureMetafile(file, {}), canvas, {});
  return canvas;
}

void ExpectBox(const Path& path, Box want, const std::string& what) {
  const Box got = Bounds(path);
  EXPECT_NEAR(got.left, want.left, 1e-6) << what;
  EXPECT_NEAR(got.top, want.top, 1e-6) << what;
  EXPECT_NEAR(got.right, want.right, 1e-6) << what;
  EXPECT_NEAR(got.bottom, want.bottom, 1e-6) << what;
}

// ---- sizes ------------------------------------------------------------------------------------

struct SizeCase {
  const char* name;
  Bytes file;
  MetafileKind kind;
  int width, height;
};

class MetafileSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(MetafileSizeTest, KindAndPixelsComeFromTheHeader) {
  const SizeCase& c = GetParam();
  const MetafileSize size = MeasureMetafile(c.file, {});
  EXPECT_EQ(size.kind, c.kind);
  EXPECT_EQ(size.width, c.width);
  EXPECT_EQ(size.height, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MetafileSizeTest,
    testing::Values(
        // A box of 1440 x 720 at 1440 units per inch is one inch by half an inch.
        SizeCase{"placeable_twips", WmfBuilder().placeable(0, 0, 1440, 720, 1440),
                 MetafileKind::kPlaceable, 96, 48},
        SizeCase{"placeable_reversed_box", WmfBuilder().placeable(300, 200, 0, 0, 96),
                 MetafileKind::kPlaceable, 300, 200},
        SizeCase{"plain_first_window_extent",
                 WmfBuilder().record(0x020C, {30, 40}).record(0x020C, {300, 400}).plain(),
                 MetafileKind::kPlain, 40, 30},
        // 2540 hundredths of a millimetre are one inch.
        SizeCase{"enhanced_frame", EmfBuilder(2540, 1270).bytes(), MetafileKind::kEnhanced, 96,
                 48}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MetafileSize, FilesWithoutASizeOrTooLargeAreRefused) {
  EXPECT_THROW(MeasureMetafile(WmfBuilder().record(0x0103, {8}).plain(), {}), PictureFileError);
  EXPECT_THROW(MeasureMetafile(WmfBuilder().placeable(0, 0, 10, 10, 0), {}), PictureFileError);
  Bytes noFrame = EmfBuilder(0, 0).bytes();
  EXPECT_EQ(MeasureMetafile(noFrame, {}).width, 1);              // the bounds, both edges included
  noFrame[16] = noFrame[17] = noFrame[18] = noFrame[19] = 0xFF;  // bounds' right edge -1
  EXPECT_THROW(MeasureMetafile(noFrame, {}), PictureFileError);
  EXPECT_THROW(MeasureMetafile(EmfBuilder(2000000000, 2000000000).bytes(), {}), PictureFileError);
  EXPECT_THROW(MeasureMetafile(EmfBuilder(2540, 2540).bytes(), DecodeLimits{96 * 96 - 1}),
               PictureFileError);
  EXPECT_THROW(MeasureMetafile(Bytes{1, 2, 3}, {}), PictureFileError);
}

// ---- mapping ----------------------------------------------------------------------------------

// One set-up, written for both kinds, then a rectangle in logical units and where it must land.
struct MapCase {
  const char* name;
  std::vector<std::pair<int, std::vector<int>>> setup;  // function index below, values x first
  Box rect;
  Box want;
};

enum Setup {
  kMapMode,
  kWindowOrg,
  kWindowExt,
  kViewportOrg,
  kViewportExt,
  kOffsetWindowOrg,
  kScaleWindowExt
};

Bytes OldFile(const MapCase& c) {
  WmfBuilder w;
  w.record(0x020C, {100, 100});  // the picture: 100 x 100
  for (const auto& [what, v] : c.setup) {
    switch (what) {
      case kMapMode:
        w.record(0x0103, {v[0]});
        break;
      case kWindowOrg:
        w.record(0x020B, {v[1], v[0]});
        break;
      case kWindowExt:
        w.record(0x020C, {v[1], v[0]});
        break;
      case kViewportOrg:
        w.record(0x020D, {v[1], v[0]});
        break;
      case kViewportExt:
        w.record(0x020E, {v[1], v[0]});
        break;
      case kOffsetWindowOrg:
        w.record(0x020F, {v[1], v[0]});
        break;
      case kScaleWindowExt:
        w.record(0x0400, {v[3], v[2], v[1], v[0]});
        break;
    }
  }
  const Box& r = c.rect;
  w.record(0x041B, {int(r.bottom), int(r.right), int(r.top), int(r.left)});
  return w.plain();
}

Bytes EnhancedFile(const MapCase& c) {
  // 25.4 mm on a reference device of 96 pixels per inch: the picture and the device are the same
  // 96 x 96 pixels; the cases' 100 x 100 window then needs a viewport of 100 x 100 too.
  EmfBuilder e(2540, 2540, 960, 960, 254, 254);
  for (const auto& [what, v] : c.setup) {
    switch (what) {
      case kMapMode:
        e.record(17, {v[0]});
        break;
      case kWindowOrg:
        e.record(10, {v[0], v[1]});
        break;
      case kWindowExt:
        e.record(9, {v[0], v[1]});
        break;
      case kViewportOrg:
        e.record(12, {v[0], v[1]});
        break;
      case kViewportExt:
        e.record(11, {v[0], v[1]});
        break;
      case kOffsetWindowOrg:  // from the origin 0, 0 an offset is a new origin
        e.record(10, {v[0], v[1]});
        break;
      case kScaleWindowExt:
        e.record(32, {v[0], v[1], v[2], v[3]});
        break;
    }
  }
  const Box& r = c.rect;
  e.record(43, {int(r.left), int(r.top), int(r.right), int(r.bottom)});
  return e.bytes();
}

class MappingTest : public testing::TestWithParam<std::tuple<MapCase, bool>> {};

TEST_P(MappingTest, RectangleLandsWhereTheMappingPutsIt) {
  const auto& [c, enhanced] = GetParam();
  const Bytes file = enhanced ? EnhancedFile(c) : OldFile(c);
  const RecordingCanvas canvas = Play(file);
  const auto fills = canvas.of(Call::kFill);
  ASSERT_EQ(fills.size(), 1u);
  ExpectBox(fills[0].path, c.want, c.name);
  ASSERT_EQ(canvas.of(Call::kStroke).size(), 1u);
}

const MapCase kMapCases[] = {
    {"text_window_origin", {{kWindowOrg, {10, 20}}}, {10, 20, 30, 40}, {0, 0, 20, 20}},
    {"text_viewport_origin", {{kViewportOrg, {5, 6}}}, {0, 0, 10, 10}, {5, 6, 15, 16}},
    {"text_offset_window", {{kOffsetWindowOrg, {5, 5}}}, {5, 5, 10, 10}, {0, 0, 5, 5}},
    {"anisotropic",
     {{kMapMode, {8}}, {kViewportExt, {100, 100}}, {kWindowExt, {200, 50}}},
     {0, 0, 100, 50},
     {0, 0, 50, 100}},
    {"anisotropic_viewport",
     {{kMapMode, {8}}, {kWindowExt, {100, 100}}, {kViewportExt, {50, 200}}},
     {0, 0, 100, 100},
     {0, 0, 50, 200}},
    {"anisotropic_flipped",
     {{kMapMode, {8}},
      {kWindowExt, {100, -100}},
      {kViewportExt, {100, 100}},
      {kWindowOrg, {0, 100}}},
     {10, 90, 20, 80},
     {10, 10, 20, 20}},
    {"anisotropic_scaled_window",
     {{kMapMode, {8}},
      {kWindowExt, {100, 100}},
      {kViewportExt, {100, 100}},
      {kScaleWindowExt, {2, 1, 1, 2}}},
     {0, 0, 100, 100},
     {0, 0, 50, 200}},
    {"isotropic_keeps_aspect",
     {{kMapMode, {7}}, {kWindowExt, {200, 50}}, {kViewportExt, {100, 100}}},
     {0, 0, 100, 50},
     {0, 0, 50, 25}},
    // The metric modes at 96 pixels per inch, y growing upwards.
    {"lometric", {{kMapMode, {2}}}, {0, 0, 254, -254}, {0, 0, 96, 96}},
    {"himetric", {{kMapMode, {3}}}, {0, 0, 2540, -1270}, {0, 0, 96, 48}},
    {"loenglish", {{kMapMode, {4}}}, {0, 0, 100, -50}, {0, 0, 96, 48}},
    {"hienglish", {{kMapMode, {5}}}, {0, 0, 1000, -500}, {0, 0, 96, 48}},
    {"twips", {{kMapMode, {6}}}, {0, 0, 1440, -720}, {0, 0, 96, 48}},
};

INSTANTIATE_TEST_SUITE_P(Modes, MappingTest,
                         testing::Combine(testing::ValuesIn(kMapCases), testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_enhanced" : "_old");
                         });

TEST(MetafilePlayer, PlaceableBoxIsTheWindowAndThePictureTheViewport) {
  // 600 x 400 units at 1200 per inch: 48 x 32 pixels, a unit is 0.08 pixel.
  const RecordingCanvas canvas = Play(samples::VectorWmfSample());
  const auto fills = canvas.of(Call::kFill);
  ASSERT_GE(fills.size(), 3u);
  ExpectBox(fills[0].path, {4, 4, 20, 12}, "rectangle");
  ExpectBox(fills[1].path, {24, 16, 44, 28}, "ellipse");
}

TEST(MetafilePlayer, EnhancedFrameIsMappedOntoThePicture) {
  // 20 x 10 mm at 96 dpi is 76 x 38 pixels; the device has 1920 / 508 pixels per millimetre.
  const Bytes file = samples::VectorEmfSample();
  const MetafileSize size = MeasureMetafile(file, {});
  EXPECT_EQ(size.width, 76);
  EXPECT_EQ(size.height, 38);
  const RecordingCanvas canvas = Play(file);
  const double sx = 76 / (20 * 1920.0 / 508), sy = 38 / (10 * 1080.0 / 285);
  ExpectBox(canvas.of(Call::kFill)[0].path, {5 * sx, 5 * sy, 40 * sx, 20 * sy}, "rectangle");
  EXPECT_NEAR(canvas.of(Call::kStroke)[0].pen.width, 3 * std::sqrt(sx * sy), 1e-9);
}

// ---- objects and state ------------------------------------------------------------------------

TEST(MetafilePlayer, OldObjectsTakeTheLowestFreeSlot) {
  const RecordingCanvas canvas = Play(samples::VectorWmfSample());
  const auto fills = canvas.of(Call::kFill);
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_EQ(fills[0].brush.colour, MakeColour(255, 0, 0));
  EXPECT_EQ(fills[1].brush.colour, MakeColour(0, 192, 0));
  // The hatched brush went to slot 0 after the red one was deleted, and selecting 0 picks it.
  EXPECT_EQ(fills[2].brush.style, meta::BrushStyle::kHatched);
  EXPECT_EQ(fills[2].brush.hatch, meta::Hatch::kBackwardDiagonal);
  EXPECT_EQ(fills[2].brush.colour, MakeColour(0, 128, 128));
  const auto strokes = canvas.of(Call::kStroke);
  ASSERT_EQ(strokes.size(), 4u);  // rectangle, ellipse, triangle, line
  EXPECT_EQ(strokes[0].pen.colour, MakeColour(0, 0, 128));
  EXPECT_NEAR(strokes[0].pen.width, 1, 1e-9);  // 10 units of 0.08 pixel: at least one pixel
  ExpectBox(strokes[3].path, {1.6, 20, 20, 30.4}, "line from the current position");
  const auto texts = canvas.of(Call::kText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.text, u"Drollo");
  EXPECT_EQ(texts[0].text.colour, MakeColour(160, 0, 0));
  EXPECT_NEAR(texts[0].text.origin.x, 4.8, 1e-9);
  EXPECT_NEAR(texts[0].text.origin.y, 24, 1e-9);
}

TEST(MetafilePlayer, StockObjectsAndNullPenAndBrush) {
  EmfBuilder e(2540, 2540, 960, 960, 254, 254);
  e.record(37, {std::int32_t(0x80000005u)})  // null brush
      .record(43, {0, 0, 10, 10})
      .record(37, {std::int32_t(0x80000008u)})  // null pen
      .record(37, {std::int32_t(0x80000004u)})  // black brush
      .record(43, {0, 0, 10, 10});
  const RecordingCanvas canvas = Play(e.bytes());
  ASSERT_EQ(canvas.of(Call::kFill).size(), 1u);
  EXPECT_EQ(canvas.of(Call::kFill)[0].brush.colour, kBlack);
  ASSERT_EQ(canvas.of(Call::kStroke).size(), 1u);
}

TEST(MetafilePlayer, RestoreGoesBackToTheSavedMappingAndObjects) {
  WmfBuilder w;
  w.objects = 2;
  w.record(0x020C, {100, 100})
      .record(0x001E, {})  // save 1
      .record(0x020B, {50, 50})
      .record(0x02FC, Params().u16(0).u32(0x00FF00).u16(0).b)
      .record(0x012D, {0})
      .record(0x001E, {})  // save 2
      .record(0x020B, {10, 10})
      .record(0x0127, {-2})  // back to save 1
      .record(0x041B, {10, 10, 0, 0})
      .record(0x001E, {})
      .record(0x020B, {5, 5})
      .record(0x0127, {1})  // the first saved state
      .record(0x041B, {10, 10, 0, 0});
  const RecordingCanvas canvas = Play(w.plain());
  const auto fills = canvas.of(Call::kFill);
  ASSERT_EQ(fills.size(), 2u);
  ExpectBox(fills[0].path, {0, 0, 10, 10}, "after restoring -2");
  EXPECT_EQ(fills[0].brush.colour, kWhite);
  ExpectBox(fills[1].path, {0, 0, 10, 10}, "after restoring 1");
}

TEST(MetafilePlayer, PaletteIndexColoursUseTheSelectedPalette) {
  WmfBuilder w;
  w.objects = 2;
  w.record(0x020C, {10, 10})
      .record(0x00F7, Params().u16(0x300).u16(2).u32(0x000000).u32(0x00FF8040).b)
      .record(0x0234, {0, 0})
      .record(0x02FC, Params().u16(0).u32(0x01000001).u16(0).b)
      .record(0x012D, {1})
      .record(0x041B, {5, 5, 0, 0});
  const auto fills = Play(w.plain()).of(Call::kFill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].brush.colour, MakeColour(0x40, 0x80, 0xFF));
}

// ---- curves and paths -------------------------------------------------------------------------

struct ArcCase {
  const char* name;
  bool clockwise;
  Box want;  // the curve's bounds (the control points stay within the box of a quarter)
};

class ArcTest : public testing::TestWithParam<ArcCase> {};

TEST_P(ArcTest, ArcRunsBetweenTheRaysInItsDirection) {
  // The circle in (0,0)-(100,100), from the ray to the east to the ray to the north.
  EmfBuilder e(2540, 2540, 960, 960, 254, 254);
  if (GetParam().clockwise) e.record(57, {2});
  e.record(45, {0, 0, 100, 100, 100, 50, 50, 0});
  const auto strokes = Play(e.bytes()).of(Call::kStroke);
  ASSERT_EQ(strokes.size(), 1u);
  const Path& p = strokes[0].path;
  EXPECT_NEAR(p.points.front().x, 100, 1e-9);
  EXPECT_NEAR(p.points.front().y, 50, 1e-9);
  EXPECT_NEAR(p.points.back().x, 50, 1e-9);
  EXPECT_NEAR(p.points.back().y, 0, 1e-9);
  const Box b = Bounds(p);
  EXPECT_NEAR(b.left, GetParam().want.left, 1e-6);
  EXPECT_NEAR(b.bottom, GetParam().want.bottom, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Directions, ArcTest,
                         testing::Values(ArcCase{"counter_clockwise", false, {50, 0, 100, 50}},
                                         ArcCase{"clockwise", true, {0, 0, 100, 100}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MetafilePlayer, PieAndChordCloseTheirFigure) {
  WmfBuilder w;
  w.record(0x020C, {100, 100})
      .record(0x081A, {0, 50, 50, 100, 100, 100, 0, 0})  // pie: east to north
      .record(0x0830, {0, 50, 50, 100, 100, 100, 0, 0});
  const auto fills = Play(w.plain()).of(Call::kFill);
  ASSERT_EQ(fills.size(), 2u);
  const Path& pie = fills[0].path;
  EXPECT_EQ(pie.ops.back(), Path::Op::kClose);
  EXPECT_EQ(pie.points.back(), (Point{50, 50}));  // through the centre
  EXPECT_EQ(fills[1].path.ops.back(), Path::Op::kClose);
  EXPECT_EQ(fills[1].path.points.back(), (Point{50, 0}));
}

TEST(MetafilePlayer, EllipseIsFourBeziersThroughItsBoxMidpoints) {
  WmfBuilder w;
  w.record(0x020C, {100, 100}).record(0x0418, {60, 80, 20, 0});
  const auto fills = Play(w.plain()).of(Call::kFill);
  ASSERT_EQ(fills.size(), 1u);
  const Path& p = fills[0].path;
  EXPECT_EQ(std::count(p.ops.begin(), p.ops.end(), Path::Op::kCubic), 4);
  EXPECT_EQ(p.points[0], (Point{80, 40}));
  EXPECT_NEAR(p.points[3].x, 40, 1e-9);
  EXPECT_NEAR(p.points[3].y, 60, 1e-9);
  ExpectBox(p, {0, 20, 80, 60}, "ellipse");
}

TEST(MetafilePlayer, PathRecordsCollectFiguresUntilFilledOrStroked) {
  const RecordingCanvas canvas = Play(samples::VectorEmfSample());
  const auto fills = canvas.of(Call::kFill);
  const auto strokes = canvas.of(Call::kStroke);
  // rectangle, ellipse, pie, path; the path is both filled and stroked, then the Bézier.
  ASSERT_EQ(fills.size(), 4u);
  ASSERT_EQ(strokes.size(), 5u);
  const Path& path = fills[3].path;
  EXPECT_EQ(path.ops, (std::vector<Path::Op>{Path::Op::kMove, Path::Op::kLine, Path::Op::kLine,
                                             Path::Op::kClose}));
  EXPECT_EQ(strokes[3].path.points, path.points);
  EXPECT_EQ(strokes[4].path.ops, (std::vector<Path::Op>{Path::Op::kMove, Path::Op::kCubic}));
}

TEST(MetafilePlayer, WorldTransformAppliesBeforeTheMapping) {
  EmfBuilder e(2540, 2540, 960, 960, 254, 254);
  e.record(35, Params().f32(2).f32(0).f32(0).f32(3).f32(10).f32(5).b)
      .record(43, {0, 0, 10, 10})
      .record(36, Params().f32(1).f32(0).f32(0).f32(1).f32(0).f32(0).u32(1).b)  // identity
      .record(43, {0, 0, 10, 10});
  const auto fills = Play(e.bytes()).of(Call::kFill);
  ASSERT_EQ(fills.size(), 2u);
  ExpectBox(fills[0].path, {10, 5, 30, 35}, "transformed");
  ExpectBox(fills[1].path, {0, 0, 10, 10}, "identity again");
}

TEST(MetafilePlayer, PolyPolygonKeepsItsPolygonsApartInOneFill) {
  WmfBuilder w;
  w.record(0x020C, {100, 100})
      .record(0x0106, {2})  // winding
      .record(0x0538, {2, 3, 4, 0, 0, 10, 0, 0, 10, 20, 20, 30, 20, 30, 30, 20, 30});
  const auto fills = Play(w.plain()).of(Call::kFill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(std::count(fills[0].path.ops.begin(), fills[0].path.ops.end(), Path::Op::kMove), 2);
  EXPECT_EQ(std::count(fills[0].path.ops.begin(), fills[0].path.ops.end(), Path::Op::kClose), 2);
  EXPECT_EQ(fills[0].path.points.size(), 7u);
}

TEST(MetafilePlayer, UnknownRecordsAreSkipped) {
  WmfBuilder a, b;
  a.record(0x020C, {10, 10}).record(0x041B, {8, 8, 2, 2});
  b.record(0x020C, {10, 10}).record(0x0999, {1, 2, 3}).record(0x041B, {8, 8, 2, 2});
  EXPECT_EQ(Play(a.plain()).calls.size(), Play(b.plain()).calls.size());
  EmfBuilder e(2540, 2540);
  e.record(999, {1, 2, 3}).record(70, {4, 0}).record(43, {0, 0, 5, 5});
  EXPECT_EQ(Play(e.bytes()).of(Call::kFill).size(), 1u);
}

// ---- text -------------------------------------------------------------------------------------

struct TextCase {
  const char* name;
  int charset;
  Bytes bytes;
  std::u16string want;
};

class OldTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(OldTextTest, BytesAreReadInTheFontsCharacterSet) {
  const TextCase& c = GetParam();
  WmfBuilder w;
  w.objects = 1;
  Params font;
  font.u16(static_cast<unsigned>(-20 & 0xFFFF)).u16(0).u16(900).u16(0).u16(700);
  font.u8(1).u8(0).u8(0).u8(static_cast<unsigned>(c.charset)).u32(0);
  for (char ch : std::string("Arial")) font.u8(static_cast<unsigned>(ch));
  font.u8(0);
  Params text;
  text.u16(8).u16(4).u16(static_cast<unsigned>(c.bytes.size())).u16(0).raw(c.bytes);
  if (c.bytes.size() % 2) text.u8(0);
  w.record(0x020C, {100, 100})
      .record(0x02FB, font.b)
      .record(0x012D, {0})
      .record(0x012E, {6 | 24})  // centre, baseline
      .record(0x0A32, text.b);
  const auto texts = Play(w.plain()).of(Call::kText);
  ASSERT_EQ(texts.size(), 1u);
  const meta::Text& t = texts[0].text;
  EXPECT_EQ(t.text, c.want);
  EXPECT_EQ(t.origin, (Point{4, 8}));
  EXPECT_EQ(t.align, 30u);
  EXPECT_EQ(t.font.height, -20);
  EXPECT_EQ(t.font.escapement, 90);
  EXPECT_EQ(t.font.weight, 700);
  EXPECT_TRUE(t.font.italic);
  EXPECT_EQ(t.font.face, "Arial");
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, OldTextTest,
    testing::Values(TextCase{"western", 0, {'A', 0xE9, 0x80}, u"A\u00E9\u20AC"},
                    TextCase{"chinese_gbk", 134, {0xD6, 0xD0, 'x'}, u"\u4E2Dx"},
                    TextCase{"cyrillic", 204, {0xC0}, u"\u0410"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MetafilePlayer, EnhancedTextIsUtf16WithItsAdvances) {
  EmfBuilder e(2540, 2540, 960, 960, 254, 254);
  Params font;
  font.u32(1).u32(static_cast<std::uint32_t>(-12)).u32(0).u32(0).u32(0).u32(400);
  font.u8(0).u8(1).u8(0).u8(0).u32(0);
  for (char16_t ch : std::u16string(u"宋体")) font.u16(ch);
  for (int i = 0; i < 30; ++i) font.u16(0);
  const std::u16string s = u"画A";
  Params text;
  text.u32(0).u32(0).u32(0).u32(0).u32(1).f32(1).f32(1);  // bounds, mode, scales
  text.u32(20).u32(30).u32(2).u32(76).u32(0).u32(0).u32(0).u32(0).u32(0).u32(80);
  text.u16(s[0]).u16(s[1]).u32(12).u32(7);
  e.record(82, font.b).record(37, {1}).record(24, {0x00FF00}).record(84, text.b);
  const auto texts = Play(e.bytes()).of(Call::kText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.text, s);
  EXPECT_EQ(texts[0].text.advances, (std::vector<double>{12, 7}));
  EXPECT_EQ(texts[0].text.colour, MakeColour(0, 255, 0));
  EXPECT_EQ(texts[0].text.font.face, "宋体");
  EXPECT_TRUE(texts[0].text.font.underline);
  EXPECT_EQ(texts[0].text.origin, (Point{20, 30}));
}

// ---- bitmaps ----------------------------------------------------------------------------------

enum class BitmapRecord {
  kStretchDib,
  kDibBitBlt,
  kDibStretchBlt,
  kSetDibToDev,
  kEmfStretchDiBits,
  kEmfBitBlt,
  kEmfStretchBlt,
  kEmfSetDiBitsToDevice
};

constexpr int kBw = 7, kBh = 5;

Picture DepthPicture(int bits) {
  const Picture source = drollo::test::PatternPicture(kBw, kBh);
  Picture p(kBw, kBh, bits);
  for (int y = 0; y < kBh; ++y)
    for (int x = 0; x < kBw; ++x) p.setPixel(x, y, source.pixel(x, y));
  return p;
}

// Whether the record stretches the bitmap to twice its size.
bool Doubles(BitmapRecord r) {
  return r == BitmapRecord::kStretchDib || r == BitmapRecord::kDibStretchBlt ||
         r == BitmapRecord::kEmfStretchDiBits || r == BitmapRecord::kEmfStretchBlt;
}

Bytes BitmapFile(BitmapRecord r, const Picture& p) {
  const Bytes dib = samples::PackedDib(p);
  const int w = p.width(), h = p.height(), k = Doubles(r) ? 2 : 1;
  const std::uint32_t rop = meta::kSrcCopy;
  if (r <= BitmapRecord::kSetDibToDev) {
    WmfBuilder f;
    f.record(0x020C, {h * k, w * k});
    Params q;
    switch (r) {
      case BitmapRecord::kStretchDib:
        q.u32(rop).u16(0).u16(h).u16(w).u16(0).u16(0).u16(h * k).u16(w * k).u16(0).u16(0);
        f.record(0x0F43, q.raw(dib).b);
        break;
      case BitmapRecord::kDibBitBlt:
        q.u32(rop).u16(0).u16(0).u16(h).u16(w).u16(0).u16(0);
        f.record(0x0940, q.raw(dib).b);
        break;
      case BitmapRecord::kDibStretchBlt:
        q.u32(rop).u16(h).u16(w).u16(0).u16(0).u16(h * k).u16(w * k).u16(0).u16(0);
        f.record(0x0B41, q.raw(dib).b);
        break;
      default:
        q.u16(0).u16(h).u16(0).u16(0).u16(0).u16(h).u16(w).u16(0).u16(0);
        f.record(0x0D33, q.raw(dib).b);
        break;
    }
    return f.plain();
  }
  // Enhanced: the device is the picture (96 pixels per inch), frame of w*k x h*k pixels.
  EmfBuilder e(w * k * 2540 / 96, h * k * 2540 / 96, 960, 960, 254, 254);
  const std::size_t headerBytes = dib::EncodedHeaderBytes(p);
  const Bytes info(dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(headerBytes));
  const Bytes bits(dib.begin() + static_cast<std::ptrdiff_t>(headerBytes), dib.end());
  Params q;
  q.u32(0).u32(0).u32(0).u32(0);  // bounds
  std::uint32_t fixed = 0;
  switch (r) {
    case BitmapRecord::kEmfStretchDiBits:
      fixed = 8 + 16 + 4 * 6 + 16 + 4 + 4 + 8;
      q.u32(0).u32(0).u32(0).u32(0).u32(w).u32(h);
      q.u32(fixed)
          .u32(static_cast<std::uint32_t>(info.size()))
          .u32(fixed + static_cast<std::uint32_t>(info.size()))
          .u32(static_cast<std::uint32_t>(bits.size()));
      q.u32(0).u32(rop).u32(w * k).u32(h * k);
      e.record(81, q.raw(info).raw(bits).b);
      break;
    case BitmapRecord::kEmfBitBlt:
    case BitmapRecord::kEmfStretchBlt: {
      const bool stretch = r == BitmapRecord::kEmfStretchBlt;
      fixed = 8 + 16 + 16 + 4 + 8 + 24 + 8 + 16 + (stretch ? 8 : 0);
      q.u32(0).u32(0).u32(w * k).u32(h * k).u32(rop).u32(0).u32(0);
      q.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0).u32(0xFFFFFF).u32(0);
      q.u32(fixed)
          .u32(static_cast<std::uint32_t>(info.size()))
          .u32(fixed + static_cast<std::uint32_t>(info.size()))
          .u32(static_cast<std::uint32_t>(bits.size()));
      if (stretch) q.u32(w).u32(h);
      e.record(stretch ? 77 : 76, q.raw(info).raw(bits).b);
      break;
    }
    default:
      fixed = 8 + 16 + 4 * 6 + 16 + 12;
      q.u32(0).u32(0).u32(0).u32(0).u32(w).u32(h);
      q.u32(fixed)
          .u32(static_cast<std::uint32_t>(info.size()))
          .u32(fixed + static_cast<std::uint32_t>(info.size()))
          .u32(static_cast<std::uint32_t>(bits.size()));
      q.u32(0).u32(0).u32(h);
      e.record(80, q.raw(info).raw(bits).b);
      break;
  }
  return e.bytes();
}

std::string BitmapRecordName(BitmapRecord r) {
  static const char* const names[] = {"StretchDib",    "DibBitBlt",           "DibStretchBlt",
                                      "SetDibToDev",   "EmfStretchDiBits",    "EmfBitBlt",
                                      "EmfStretchBlt", "EmfSetDiBitsToDevice"};
  return names[static_cast<int>(r)];
}

class BitmapRecordTest : public testing::TestWithParam<std::tuple<BitmapRecord, int>> {};

TEST_P(BitmapRecordTest, PixelsLandUnmirroredAtTheirPlace) {
  const auto [record, bits] = GetParam();
  const Picture p = DepthPicture(bits);
  const Bytes file = BitmapFile(record, p);
  const MetafileSize size = MeasureMetafile(file, {});
  const int k = Doubles(record) ? 2 : 1;
  ASSERT_EQ(size.width, kBw * k);
  ASSERT_EQ(size.height, kBh * k);
  Picture out(size.width, size.height, 24);
  RecordingCanvas canvas(&out);
  PlayMetafile(file, size, canvas, {});
  ASSERT_EQ(canvas.of(Call::kBitmap).size(), 1u);
  EXPECT_EQ(canvas.of(Call::kBitmap)[0].rop, meta::kSrcCopy);
  const Picture want = ToBgr24(p);
  for (int y = 0; y < size.height; ++y)
    for (int x = 0; x < size.width; ++x)
      ASSERT_EQ(out.pixel(x, y), want.pixel(x / k, y / k)) << "pixel " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    RecordsAndDepths, BitmapRecordTest,
    testing::Combine(testing::Values(BitmapRecord::kStretchDib, BitmapRecord::kDibBitBlt,
                                     BitmapRecord::kDibStretchBlt, BitmapRecord::kSetDibToDev,
                                     BitmapRecord::kEmfStretchDiBits, BitmapRecord::kEmfBitBlt,
                                     BitmapRecord::kEmfStretchBlt,
                                     BitmapRecord::kEmfSetDiBitsToDevice),
                     testing::Values(1, 4, 8, 16, 24, 32)),
    [](const auto& info) {
      return BitmapRecordName(std::get<0>(info.param)) + "_bits" +
             std::to_string(std::get<1>(info.param));
    });

// ---- damaged and hostile files ----------------------------------------------------------------

TEST(MetafilePlayer, EveryCutGivesAPictureOrAnError) {
  for (const Bytes& good : {samples::VectorWmfSample(), samples::VectorEmfSample(),
                            BitmapFile(BitmapRecord::kEmfStretchDiBits, DepthPicture(4)),
                            BitmapFile(BitmapRecord::kStretchDib, DepthPicture(8))}) {
    for (std::size_t keep = 0; keep < good.size(); ++keep) {
      const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
      try {
        Play(cut);
      } catch (const PictureFileError&) {
      }
    }
  }
}

TEST(MetafilePlayer, HostileFieldsAreErrorsOrIgnored) {
  // A record claiming more than the file holds.
  Bytes wmf = WmfBuilder().record(0x020C, {10, 10}).record(0x041B, {8, 8, 2, 2}).plain();
  wmf[18 + 10] = 0xFF;
  EXPECT_THROW(Play(wmf), PictureFileError);
  // An enhanced record of length zero.
  Bytes emf = EmfBuilder(2540, 2540).record(43, {0, 0, 5, 5}).bytes();
  emf[88 + 4] = 0;
  EXPECT_THROW(Play(emf), PictureFileError);
  // Object handles far out of range, a polygon count beyond the record, a huge world transform.
  EmfBuilder e(2540, 2540);
  e.record(39, {2000000000, 0, 0, 0})
      .record(37, {2000000000})
      .record(40, {-5})
      .record(35, Params().f32(1e30f).f32(0).f32(0).f32(1e30f).f32(0).f32(0).b)
      .record(43, {0, 0, 1000000, 1000000});
  const RecordingCanvas canvas = Play(e.bytes());
  const auto fills = canvas.of(Call::kFill);
  ASSERT_EQ(fills.size(), 1u);
  for (const Point& p : fills[0].path.points) {
    EXPECT_LE(std::abs(p.x), 4194304);
    EXPECT_LE(std::abs(p.y), 4194304);
  }
  EXPECT_THROW(Play(EmfBuilder(2540, 2540).record(3, {0, 0, 0, 0, 1000, 1, 2}).bytes()),
               PictureFileError);
}

TEST(MetafilePlayer, DrawingFarMoreThanThePictureIsRefused) {
  WmfBuilder w;
  w.record(0x020C, {100, 100});
  for (int i = 0; i < 300; ++i) w.record(0x041B, {100, 100, 0, 0});
  w.record(0x020C, {100, 100});
  EXPECT_NO_THROW(Play(w.plain()));
  for (int i = 0; i < 2000; ++i) w.record(0x041B, {30000, 30000, -30000, -30000});
  EXPECT_THROW(Play(w.plain()), PictureFileError);
}

}  // namespace
}  // namespace drollo::formats
