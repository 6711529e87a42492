// Metafiles played with QPainter: our own files read back exactly, drawings compared with what
// libwmf's wmf2gd makes of the same file, and the old and enhanced forms of one drawing compared.
#include "platform/metafile_painter_qt.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "formats/metafile.h"
#include "formats/picture_file.h"
#include "formats/temp_folder.h"
#include "support/pictures.h"

namespace drollo::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using formats::test::HaveTool;
using formats::test::RunCommand;
using formats::test::TempFolder;

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// Records of 16-bit words, in the placeable form with a box of width x height units.
struct Wmf {
  Bytes records;
  Wmf& rec(unsigned function, std::initializer_list<unsigned> words) {
    Put32(records, static_cast<std::uint32_t>(3 + words.size()));
    Put16(records, function);
    for (unsigned w : words) Put16(records, w);
    return *this;
  }
  Bytes placeable(int width, int height, unsigned inch = 96) const {
    Bytes out;
    Put32(out, 0x9AC6CDD7u);
    for (unsigned v : {0u, 0u, 0u, unsigned(width), unsigned(height), inch}) Put16(out, v);
    Put32(out, 0);
    unsigned sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= out[2 * i] | (out[2 * i + 1] << 8);
    Put16(out, sum);
    for (unsigned v : {1u, 9u, 0x300u}) Put16(out, v);
    Put32(out, static_cast<std::uint32_t>(9 + records.size() / 2 + 3));
    Put16(out, 8);
    Put32(out, 64);
    Put16(out, 0);
    out.insert(out.end(), records.begin(), records.end());
    Put32(out, 3);
    Put16(out, 0);
    return out;
  }
};

// An enhanced metafile on a reference device of 96 pixels per inch, frame width x height pixels.
struct Emf {
  Bytes records;
  int count = 0;
  Emf& rec(std::uint32_t type, std::initializer_list<std::int32_t> values) {
    Put32(records, type);
    Put32(records, static_cast<std::uint32_t>(8 + 4 * values.size()));
    for (std::int32_t v : values) Put32(records, static_cast<std::uint32_t>(v));
    ++count;
    return *this;
  }
  Bytes bytes(int width, int height) const {
    Bytes out;
    Put32(out, 1);
    Put32(out, 88);
    for (std::int32_t v :
         {0, 0, width - 1, height - 1, 0, 0, width * 2540 / 96, height * 2540 / 96})
      Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, 0x464D4520u);
    Put32(out, 0x10000);
    Put32(out, static_cast<std::uint32_t>(88 + records.size() + 20));
    Put32(out, static_cast<std::uint32_t>(count + 2));
    Put16(out, 8);
    Put16(out, 0);
    for (std::uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u}) Put32(out, v);
    out.insert(out.end(), records.begin(), records.end());
    for (std::uint32_t v : {14u, 20u, 0u, 16u, 20u}) Put32(out, v);
    return out;
  }
};

Picture Play(const Bytes& file) {
  return QtMetafileReader().Read(file, {});
}

// ---- our own files ----------------------------------------------------------------------------

class OwnMetafiles : public testing::TestWithParam<int> {};

TEST_P(OwnMetafiles, ReadBackExactly) {
  const Picture source = drollo::test::PatternPicture(37, 21);
  Picture p(37, 21, GetParam());
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 37; ++x) p.setPixel(x, y, source.pixel(x, y));
  const Bytes file = formats::EncodePlaceableMetafile(p);
  EXPECT_TRUE(drollo::test::SamePicture(ToBgr24(p), Play(file)));
  // Without the placeable header the window extent gives the same size.
  const Bytes plain(file.begin() + 22, file.end());
  EXPECT_TRUE(drollo::test::SamePicture(ToBgr24(p), Play(plain)));
}

INSTANTIATE_TEST_SUITE_P(Depths, OwnMetafiles, testing::Values(1, 4, 8, 16, 24, 32),
                         [](const auto& info) { return "bits" + std::to_string(info.param); });

// ---- drawings ---------------------------------------------------------------------------------

constexpr int kW = 120, kH = 80;

// Flat shapes in four colours with one-pixel outlines: rectangle, ellipse, polygon, rounded
// rectangle, pie, inside a frame, in the anisotropic mode with a window twice the picture's size.
// wmf2gd fills no ellipses and draws rounded rectangles square, so its comparison leaves those two
// out.
Bytes DrawingWmf(bool withRoundShapes = true) {
  Wmf w;
  w.rec(0x0103, {8}).rec(0x020B, {0, 0}).rec(0x020C, {kH * 2, kW * 2});
  auto brush = [&](std::uint32_t colour) { w.rec(0x02FC, {0, colour & 0xFFFF, colour >> 16, 0}); };
  w.rec(0x02FA, {0, 0, 0, 0, 0});  // black pen of one pixel: object 0
  w.rec(0x012D, {0});
  brush(0x0000FF);  // 1: red
  brush(0xFF0000);  // 2: blue
  brush(0x00C000);  // 3: green
  brush(0x00C0C0);  // 4: olive
  brush(0xFFFFFF);  // 5: white, for a frame round everything
  w.rec(0x012D, {5}).rec(0x041B, {kH * 2, kW * 2, 0, 0});
  w.rec(0x012D, {1}).rec(0x041B, {100, 120, 20, 20});  // rectangle 20,20 - 120,100
  if (withRoundShapes) w.rec(0x012D, {2}).rec(0x0418, {140, 220, 40, 140});  // ellipse
  w.rec(0x012D, {3}).rec(0x0324, {3, 20, 150, 110, 150, 60, 110});           // triangle
  if (withRoundShapes) w.rec(0x012D, {4}).rec(0x061C, {30, 30, 40, 236, 0, 160});
  w.rec(0x012D, {1}).rec(0x081A, {100, 150, 150, 230, 156, 230, 106, 150});  // pie
  return w.placeable(kW * 2, kH * 2, 192);                                   // two units a pixel
}

// The same drawing in the enhanced form, in picture pixels through a window of twice the size.
Bytes DrawingEmf() {
  Emf e;
  e.rec(17, {8}).rec(9, {kW * 2, kH * 2}).rec(11, {kW, kH});
  e.rec(37, {std::int32_t(0x80000007u)});  // black pen
  e.rec(39, {1, 0, 0x0000FF, 0}).rec(39, {2, 0, 0xFF0000, 0});
  e.rec(39, {3, 0, 0x00C000, 0}).rec(39, {4, 0, 0x00C0C0, 0}).rec(39, {5, 0, 0xFFFFFF, 0});
  e.rec(37, {5}).rec(43, {0, 0, kW * 2, kH * 2});
  e.rec(37, {1}).rec(43, {20, 20, 120, 100});
  e.rec(37, {2}).rec(42, {140, 40, 220, 140});
  e.rec(37, {3});
  {
    // Polygon16: bounds, count, points.
    Put32(e.records, 86);
    Put32(e.records, 8 + 16 + 4 + 12);
    for (int i = 0; i < 4; ++i) Put32(e.records, 0);
    Put32(e.records, 3);
    for (unsigned v : {20u, 150u, 110u, 150u, 60u, 110u}) Put16(e.records, v);
    ++e.count;
  }
  e.rec(37, {4}).rec(44, {160, 0, 236, 40, 30, 30});
  e.rec(37, {1}).rec(47, {150, 106, 230, 156, 230, 150, 150, 100});
  return e.bytes(kW, kH);
}

// Pixels inside flat areas: the pixel and its eight neighbours have one colour in `a`.
bool Interior(const Picture& a, int x, int y) {
  if (x == 0 || y == 0 || x == a.width() - 1 || y == a.height() - 1) return false;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (a.pixel(x + dx, y + dy) != a.pixel(x, y)) return false;
  return true;
}

struct Agreement {
  int compared = 0, differing = 0;
};

// Compares the pixels that are inside flat areas of both pictures, within `tolerance`.
Agreement Compare(const Picture& a, const Picture& b, int tolerance) {
  Agreement r;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (!Interior(a, x, y) || !Interior(b, x, y)) continue;
      ++r.compared;
      const TColor p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(RedOf(p) - RedOf(q)) > tolerance ||
          std::abs(GreenOf(p) - GreenOf(q)) > tolerance ||
          std::abs(BlueOf(p) - BlueOf(q)) > tolerance)
        ++r.differing;
    }
  return r;
}

Picture Wmf2gd(const Bytes& wmf, int width, int height) {
  TempFolder folder;
  folder.write("in.wmf", wmf);
  int status = 0;
  const std::string out = RunCommand(
      "wmf2gd --maxwidth=" + std::to_string(width) + " --maxheight=" + std::to_string(height) +
          " --maxsize -o '" + folder.file("out.png") + "' '" + folder.file("in.wmf") + "' 2>&1",
      &status);
  EXPECT_EQ(status, 0) << out;
  QImage image(QString::fromStdString(folder.file("out.png")));
  if (image.isNull()) return Picture();
  // Transparent parts are the white page.
  QImage page(image.size(), QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter(&page).drawImage(0, 0, image);
  Picture p(page.width(), page.height(), 24);
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QRgb c = page.pixel(x, y);
      p.setPixel(x, y, MakeColour(qRed(c), qGreen(c), qBlue(c)));
    }
  return p;
}

TEST(QtMetafilePlayer, DrawingMatchesWmf2gd) {
  if (!HaveTool("wmf2gd")) GTEST_SKIP() << "wmf2gd (libwmf-bin) is not installed";
  const Bytes file = DrawingWmf(false);
  const Picture ours = Play(file);
  ASSERT_EQ(ours.width(), kW);
  ASSERT_EQ(ours.height(), kH);
  const Picture theirs = Wmf2gd(file, kW, kH);
  ASSERT_EQ(theirs.width(), kW);
  ASSERT_EQ(theirs.height(), kH);
  const Agreement a = Compare(ours, theirs, 2);
  EXPECT_GT(a.compared, kW * kH * 7 / 10);
  EXPECT_LE(a.differing, a.compared / 100) << a.differing << " of " << a.compared;
  // Edges mostly agree too: they differ along slanted and curved outlines, which the two
  // rasterise a little differently, and at the pie, whose radial lines wmf2gd draws out to the
  // given points instead of ending them on the ellipse.
  int edges = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) edges += ours.pixel(x, y) != theirs.pixel(x, y);
  EXPECT_LE(edges, kW * kH / 20) << edges << " pixels differ";
  for (int x = 0; x < kW; ++x) EXPECT_EQ(ours.pixel(x, kH - 1), theirs.pixel(x, kH - 1)) << x;
  // Each shape's colour is where both put it.
  for (const Picture* p : {&ours, &theirs}) {
    EXPECT_EQ(p->pixel(35, 30), MakeColour(255, 0, 0));
    EXPECT_EQ(p->pixel(30, 70), MakeColour(0, 192, 0));
    EXPECT_EQ(p->pixel(5, 5), kWhite);
  }
}

TEST(QtMetafilePlayer, EnhancedAndOldFormsOfOneDrawingAgree) {
  const Picture old = Play(DrawingWmf());
  const Picture enhanced = Play(DrawingEmf());
  ASSERT_EQ(enhanced.width(), kW);
  ASSERT_EQ(enhanced.height(), kH);
  EXPECT_EQ(old.pixel(90, 45), MakeColour(0, 0, 255));
  EXPECT_EQ(old.pixel(98, 10), MakeColour(192, 192, 0));
  const Agreement a = Compare(old, enhanced, 0);
  EXPECT_GT(a.compared, kW * kH * 7 / 10);
  EXPECT_EQ(a.differing, 0);
  int differing = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) differing += old.pixel(x, y) != enhanced.pixel(x, y);
  EXPECT_LE(differing, kW * kH / 50);
}

TEST(QtMetafilePlayer, HatchGapsShowTheBackgroundOnlyWhenOpaque) {
  for (bool opaque : {false, true}) {
    Wmf w;
    w.rec(0x02FC, {2, 0x00FF, 0, 4});  // blue-less red cross hatch: colour 0x0000FF
    w.rec(0x012D, {0});
    w.rec(0x02FA, {5, 0, 0, 0, 0});  // null pen
    w.rec(0x012D, {1});
    w.rec(0x0201, {0xFF00, 0});  // background colour: green
    w.rec(0x0102, {opaque ? 2u : 1u});
    w.rec(0x041B, {40, 40, 0, 0});
    const Picture p = Play(w.placeable(40, 40));
    int red = 0, green = 0, white = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        const TColor c = p.pixel(x, y);
        red += c == MakeColour(255, 0, 0);
        green += c == MakeColour(0, 255, 0);
        white += c == kWhite;
      }
    EXPECT_GT(red, 100) << opaque;
    EXPECT_EQ(green > 0, opaque);
    EXPECT_EQ(white > 0, !opaque);
  }
}

TEST(QtMetafilePlayer, TextIsDrawnInItsColourFromTheReferencePoint) {
  Wmf w;
  // Font: 30 pixels em height; red text at (10, 10), top-left aligned, transparent background.
  w.rec(0x02FB, {static_cast<unsigned>(-30) & 0xFFFF, 0, 0, 0, 700, 0, 0, 0, 0, 'S' | ('a' << 8),
                 'n' | ('s' << 8), 0});
  w.rec(0x012D, {0}).rec(0x0209, {0x00FF, 0}).rec(0x0102, {1});
  w.rec(0x0521, {2, 'H' | ('H' << 8), 10, 10});
  const Picture p = Play(w.placeable(100, 60));
  int inside = 0, outside = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) {
      if (p.pixel(x, y) == kWhite) continue;
      (x >= 10 && y >= 10 && y < 50 && x < 80 ? inside : outside)++;
    }
  EXPECT_GT(inside, 50);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(p.pixel(5, 5), kWhite);
}

TEST(QtMetafilePlayer, RasterOperationsCombineBitmapAndPicture) {
  // A yellow fill, then a one-pixel blue bitmap stretched over it with SRCAND (black) and with
  // SRCPAINT (white), side by side.
  Picture dot(1, 1, 24);
  dot.setPixel(0, 0, MakeColour(0, 0, 255));
  const Bytes dib = [&] {
    const Bytes wmf = formats::EncodePlaceableMetafile(dot);
    return Bytes(wmf.begin() + 22 + 18 + 8 + 10 + 10 + 28, wmf.end() - 6);
  }();
  Wmf w;
  w.rec(0x02FC, {0, 0xFFFF, 0, 0}).rec(0x012D, {0}).rec(0x041B, {20, 20, 0, 0});
  auto blit = [&](std::uint32_t rop, unsigned x) {
    Put32(w.records, static_cast<std::uint32_t>(3 + 2 + 1 + 8 + dib.size() / 2));
    Put16(w.records, 0x0F43);
    Put32(w.records, rop);
    for (unsigned v : {0u, 1u, 1u, 0u, 0u, 10u, 10u, 0u, x}) Put16(w.records, v);
    w.records.insert(w.records.end(), dib.begin(), dib.end());
  };
  blit(0x008800C6u, 0);
  blit(0x00EE0086u, 10);
  const Picture p = Play(w.placeable(20, 10));
  EXPECT_EQ(p.pixel(5, 5), kBlack);   // yellow AND blue
  EXPECT_EQ(p.pixel(15, 5), kWhite);  // yellow OR blue
}

TEST(QtMetafilePlayer, InstalledReaderOpensEnhancedFilesByName) {
  TempFolder folder;
  folder.write("drawing.emf", DrawingEmf());
  EXPECT_THROW(formats::LoadPictureFile(folder.file("drawing.emf")), formats::PictureFileError);
  InstallQtMetafileReader();
  const std::optional<Picture> p = formats::LoadPictureFile(folder.file("drawing.emf"));
  formats::InstallMetafileReader(nullptr);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->bitsPerPixel(), 24);
  EXPECT_EQ(p->width(), kW);
  EXPECT_EQ(p->pixel(35, 30), MakeColour(255, 0, 0));
}

// ---- files made by an office suite ----------------------------------------------------------

struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
};

int Word(const Bytes& b, std::size_t at) {
  return static_cast<std::int16_t>(b.at(at) | (b.at(at + 1) << 8));
}

// A placeable file's own box, in its units.
Box PlaceableBox(const Bytes& wmf) {
  return {double(Word(wmf, 6)), double(Word(wmf, 8)), double(Word(wmf, 10)), double(Word(wmf, 12))};
}

// The extent of all points of the polygon and polyline records, whether or not clipping keeps
// them. wmf2gd frames a drawing with this extent, not with the placeable box.
Box DrawnExtent(const Bytes& wmf) {
  Box e{1e9, 1e9, -1e9, -1e9};
  auto add = [&](std::size_t at, int count) {
    for (int i = 0; i < count; ++i) {
      const double x = Word(wmf, at + 4 * i), y = Word(wmf, at + 4 * i + 2);
      e = {std::min(e.left, x), std::min(e.top, y), std::max(e.right, x), std::max(e.bottom, y)};
    }
  };
  for (std::size_t at = 22 + 18; at + 6 <= wmf.size();) {
    const std::size_t words =
        static_cast<std::size_t>(Word(wmf, at) & 0xFFFF) | (Word(wmf, at + 2) & 0xFFFF) << 16;
    const int function = Word(wmf, at + 4) & 0xFFFF;
    if (function == 0 || words < 3) break;
    if (function == 0x0324 || function == 0x0325) add(at + 8, Word(wmf, at + 6));
    if (function == 0x0538) {
      const int polygons = Word(wmf, at + 6);
      int points = 0;
      for (int i = 0; i < polygons; ++i) points += Word(wmf, at + 8 + 2 * i);
      add(at + 8 + 2 * polygons, points);
    }
    at += 2 * words;
  }
  return e;
}

// wmf2gd's render moved into our frame: each of our pixels takes the wmf2gd pixel that its
// centre falls in, going through the file's units (our picture is `box`, theirs is `extent`).
Picture Reframe(const Picture& theirs, const Box& box, const Box& extent, int width, int height) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double ux = box.left + (x + 0.5) * (box.right - box.left) / width;
      const double uy = box.top + (y + 0.5) * (box.bottom - box.top) / height;
      const int tx = static_cast<int>(
          std::floor((ux - extent.left) * theirs.width() / (extent.right - extent.left)));
      const int ty = static_cast<int>(
          std::floor((uy - extent.top) * theirs.height() / (extent.bottom - extent.top)));
      p.setPixel(x, y,
                 tx >= 0 && ty >= 0 && tx < theirs.width() && ty < theirs.height()
                     ? theirs.pixel(tx, ty)
                     : kWhite);
    }
  return p;
}

TEST(QtMetafilePlayer, OfficeSuiteExportsMatchWmf2gdAndEachOther) {
  if (!HaveTool("soffice") || !HaveTool("wmf2gd"))
    GTEST_SKIP() << "needs LibreOffice (libreoffice-draw) and wmf2gd (libwmf-bin)";
  TempFolder folder;
  const std::string svg =
      "<svg xmlns='http://www.w3.org/2000/svg' width='2in' height='1in' viewBox='0 0 192 96'>"
      "<rect width='192' height='96' fill='white'/>"
      "<rect x='10' y='10' width='80' height='60' fill='#ff0000'/>"
      "<circle cx='140' cy='48' r='35' fill='#0000ff'/></svg>";
  folder.write("drawing.svg", Bytes(svg.begin(), svg.end()));
  for (const char* kind : {"wmf", "emf"})
    RunCommand("cd '" + folder.path().string() + "' && HOME='" + folder.path().string() +
               "' soffice --headless --convert-to " + kind + " drawing.svg >/dev/null 2>&1");
  const Bytes wmf = folder.read("drawing.wmf"), emf = folder.read("drawing.emf");
  ASSERT_FALSE(wmf.empty());
  ASSERT_FALSE(emf.empty());
  const Picture fromWmf = Play(wmf), fromEmf = Play(emf);
  const int width = fromWmf.width(), height = fromWmf.height();
  // The export puts the page's white background as a polygon reaching past the placeable box on
  // every side and clips it to the box. We show the box; wmf2gd shows the extent of all points
  // drawn, clipped or not, so its drawing comes out smaller and shifted. The page's white
  // polygon is the drawing's page: its extent stands for the picture's 192 x 96.
  const Box box = PlaceableBox(wmf), extent = DrawnExtent(wmf);
  ASSERT_LT(extent.left, extent.right);
  ASSERT_LT(extent.top, extent.bottom);
  // Our picture against the drawing itself: pixels clearly inside a shape have its colour,
  // those clearly outside do not (one drawing unit, about a pixel, either side is left open).
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double ux = box.left + (x + 0.5) * (box.right - box.left) / width;
      const double uy = box.top + (y + 0.5) * (box.bottom - box.top) / height;
      const double sx = (ux - extent.left) * 192 / (extent.right - extent.left);
      const double sy = (uy - extent.top) * 96 / (extent.bottom - extent.top);
      const double inRect = std::min({sx - 10, 90 - sx, sy - 10, 70 - sy});
      const double inCircle = 35 - std::hypot(sx - 140, sy - 48);
      const TColor c = fromWmf.pixel(x, y);
      if (inRect > 1) {
        EXPECT_EQ(c, MakeColour(255, 0, 0)) << x << "," << y;
      } else if (inCircle > 1) {
        EXPECT_EQ(c, MakeColour(0, 0, 255)) << x << "," << y;
      } else if (inRect < -1 && inCircle < -1) {
        EXPECT_EQ(c, kWhite) << x << "," << y;
      }
    }
  // wmf2gd's render, brought into our frame, agrees inside flat areas.
  const Picture theirs = Reframe(Wmf2gd(wmf, width, height), box, extent, width, height);
  const Agreement a = Compare(fromWmf, theirs, 2);
  EXPECT_GT(a.compared, width * height / 2);
  EXPECT_LE(a.differing, a.compared / 500) << a.differing << " of " << a.compared;
  // The enhanced export is of the same size within rounding, and shows the same drawing.
  ASSERT_NEAR(fromEmf.width(), fromWmf.width(), 2);
  ASSERT_NEAR(fromEmf.height(), fromWmf.height(), 2);
  const auto at = [](const Picture& p, double fx, double fy) {
    return p.pixel(static_cast<int>(fx * p.width()), static_cast<int>(fy * p.height()));
  };
  for (const Picture* p : {&fromWmf, &fromEmf}) {
    EXPECT_EQ(at(*p, 50 / 192.0, 40 / 96.0), MakeColour(255, 0, 0));
    EXPECT_EQ(at(*p, 140 / 192.0, 48 / 96.0), MakeColour(0, 0, 255));
    EXPECT_EQ(at(*p, 100 / 192.0, 90 / 96.0), kWhite);
  }
}

}  // namespace
}  // namespace drollo::platform
