// The history ring and its snapshots: exact restoration, the sharing of unchanged tiles, and the
// ring against a plain reference that keeps full copies.
#include "app/state/history.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "support/pictures.h"
#include "support/threads.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

constexpr std::size_t kTileBytes24 = 64 * 64 * 3;

// Changes every pixel of r, so the written tiles really differ from the recorded ones.
void Scribble(Picture& p, const Rect& r, std::uint8_t salt) {
  const MutableView v = p.region(r);
  for (int y = v.bounds.top; y < v.bounds.bottom; ++y)
    for (int x = v.bounds.left; x < v.bounds.right; ++x)
      for (int c = 0; c < v.bytesPerPixel; ++c)
        v.pixel(x, y)[c] = static_cast<std::uint8_t>(v.pixel(x, y)[c] ^ (salt | 1));
}

int CountSharedTiles(const PictureSnapshot& a, const PictureSnapshot& b) {
  int shared = 0;
  for (int ty = 0; ty < a.tilesY(); ++ty)
    for (int tx = 0; tx < a.tilesX(); ++tx) shared += a.tile(tx, ty) == b.tile(tx, ty);
  return shared;
}

class SnapshotSharing : public testing::Test {
 protected:
  // 5 x 4 tiles, the last column and row partial.
  Picture picture_ = PatternPicture(300, 200, 7);
  HistoryRing ring_;
};

TEST_F(SnapshotSharing, LocalWriteSharesEveryOtherTileAndRow) {
  ring_.reset(picture_);
  Scribble(picture_, Rect{140, 70, 150, 80}, 0x5A);  // inside tile (2, 1) only
  ring_.record(picture_);
  const PictureSnapshot& before = *ring_.slot(1);
  const PictureSnapshot& after = *ring_.slot(2);
  for (int ty = 0; ty < before.tilesY(); ++ty) {
    for (int tx = 0; tx < before.tilesX(); ++tx) {
      EXPECT_EQ(tx == 2 && ty == 1, before.tile(tx, ty) != after.tile(tx, ty))
          << "tile " << tx << "," << ty;
    }
    EXPECT_EQ(ty != 1, before.tileRow(ty) == after.tileRow(ty)) << "row " << ty;
  }
  EXPECT_TRUE(SamePicture(picture_, MaterialiseSnapshot(after)));
}

TEST_F(SnapshotSharing, MemoryGrowsByTheWrittenTilesOnly) {
  ring_.reset(picture_);
  const std::size_t first = ring_.memoryBytes();
  EXPECT_GE(first, picture_.byteSize());
  EXPECT_LT(first, picture_.byteSize() + 8192);

  // A write across four tiles (corners of tiles (0,0), (1,0), (0,1), (1,1)).
  Scribble(picture_, Rect{60, 60, 70, 70}, 0x11);
  ring_.record(picture_);
  const std::size_t grown = ring_.memoryBytes() - first;
  EXPECT_GE(grown, 4 * kTileBytes24);
  EXPECT_LT(grown, 4 * kTileBytes24 + 2048);  // the tiles, two rows of pointers, one header
  EXPECT_EQ(CountSharedTiles(*ring_.slot(1), *ring_.slot(2)), 20 - 4);
}

TEST_F(SnapshotSharing, RecordingWithoutChangeSharesEverything) {
  ring_.reset(picture_);
  picture_.region(Rect{0, 0, 300, 200});  // asks for write access, writes nothing
  ring_.record(picture_);
  ring_.record(picture_);
  for (int ty = 0; ty < 4; ++ty) {
    EXPECT_EQ(ring_.slot(1)->tileRow(ty), ring_.slot(2)->tileRow(ty));
    EXPECT_EQ(ring_.slot(2)->tileRow(ty), ring_.slot(3)->tileRow(ty));
  }
}

TEST_F(SnapshotSharing, ReplacedPictureSharesTilesWithEqualBytes) {
  ring_.reset(picture_);
  // An effect that builds its result as a fresh picture: nothing says where it wrote.
  Picture fresh = PatternPicture(300, 200, 7);
  Scribble(fresh, Rect{250, 150, 300, 200}, 0x33);  // tile (3, 2), (4, 2), (3, 3), (4, 3)
  picture_ = fresh;
  ASSERT_TRUE(picture_.syncedWith().expired());
  ring_.record(picture_);
  EXPECT_EQ(CountSharedTiles(*ring_.slot(1), *ring_.slot(2)), 20 - 4);
  EXPECT_TRUE(SamePicture(fresh, MaterialiseSnapshot(*ring_.slot(2))));
}

// Enough tiles that the comparison is shared out between the workers.
TEST(SnapshotSharingOnThreads, ReplacedLargePictureSharesTheSameTilesWhateverTheThreadCount) {
  const Picture original = PatternPicture(1000, 700, 3);  // 16 x 11 tiles
  Picture fresh = original;
  Scribble(fresh, Rect{100, 100, 110, 110}, 0x21);   // tile (1, 1)
  Scribble(fresh, Rect{990, 690, 1000, 700}, 0x42);  // the last, partial tile
  for (int threads : test::kThreadCounts) {
    test::WorkerLimit limit(threads);
    Picture picture = original;
    HistoryRing ring;
    ring.reset(picture);
    picture = fresh;
    ring.record(picture);
    EXPECT_EQ(CountSharedTiles(*ring.slot(1), *ring.slot(2)), 16 * 11 - 2) << threads;
    EXPECT_NE(ring.slot(1)->tile(1, 1), ring.slot(2)->tile(1, 1));
    EXPECT_NE(ring.slot(1)->tile(15, 10), ring.slot(2)->tile(15, 10));
    EXPECT_TRUE(SamePicture(fresh, MaterialiseSnapshot(*ring.slot(2))));
  }
}

TEST_F(SnapshotSharing, EditAfterUndoSharesWithTheRestoredSnapshot) {
  ring_.reset(picture_);
  Scribble(picture_, Rect{0, 0, 300, 200}, 0x10);  // every tile
  ring_.record(picture_);
  ring_.undo(picture_);
  Scribble(picture_, Rect{280, 195, 300, 200}, 0x20);  // tile (4, 3)
  ring_.record(picture_);
  ASSERT_EQ(ring_.index(), 2);
  EXPECT_EQ(CountSharedTiles(*ring_.slot(1), *ring_.slot(2)), 20 - 1);
}

TEST_F(SnapshotSharing, EmptyPictureIsRecordedAndRestored) {
  Picture empty;
  ring_.reset(empty);
  ring_.record(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(picture_.empty());
  ring_.redo(picture_);
  EXPECT_TRUE(SamePicture(PatternPicture(300, 200, 7), picture_));
}

TEST_F(SnapshotSharing, UndoCopiesBackOnlyTheTilesThatDiffer) {
  ring_.reset(picture_);
  Scribble(picture_, Rect{0, 0, 10, 10}, 0x44);  // tile (0, 0)
  ring_.record(picture_);
  // An unmarked change in tile (4, 3): the history trusts the written flags, so the restore
  // leaves this tile alone, which shows that it copied only tile (0, 0).
  picture_.rawData()[picture_.stride() * 199 + 3 * 299] ^= 0xFF;
  const Picture poked = picture_;
  ring_.undo(picture_);
  const Picture start = MaterialiseSnapshot(*ring_.slot(1));
  EXPECT_EQ(picture_.row(5)[15], start.row(5)[15]);
  EXPECT_EQ(picture_.row(199)[3 * 299], poked.row(199)[3 * 299]);
  EXPECT_NE(picture_.row(199)[3 * 299], start.row(199)[3 * 299]);
}

TEST_F(SnapshotSharing, UndoAlsoCopiesBackTilesWrittenSinceTheRecord) {
  ring_.reset(picture_);
  Scribble(picture_, Rect{0, 0, 10, 10}, 0x44);
  ring_.record(picture_);
  Scribble(picture_, Rect{200, 100, 210, 110}, 0x22);  // not recorded
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(PatternPicture(300, 200, 7), picture_));
}

// --- Exact restoration of size, depth and colour table --------------------------------------

Picture IndexedPicture(int width, int height, int bits) {
  std::vector<Bgra> table;
  for (int i = 0; i < (1 << bits); i += 3)
    table.push_back(Bgra{static_cast<std::uint8_t>(i * 5), static_cast<std::uint8_t>(200 - i),
                         static_cast<std::uint8_t>(i * 31), 0});
  Picture p(width, height, PixelFormat::Indexed(bits, table));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (std::size_t i = 0; i < p.stride(); ++i)
      row[i] = static_cast<std::uint8_t>(y * 37 + i * 11);
  }
  return p;
}

class ExactRestoration : public testing::TestWithParam<int> {};

TEST_P(ExactRestoration, DepthConversionIsUndoneWithItsTable) {
  const int bits = GetParam();
  Picture picture = IndexedPicture(131, 70, bits);  // odd width: padding bits in every row
  const Picture original = picture;
  HistoryRing ring;
  ring.reset(picture);
  picture.convertTo(24);
  ring.record(picture);
  const Picture converted = picture;
  ring.undo(picture);
  EXPECT_TRUE(SamePicture(original, picture));
  EXPECT_EQ(picture.bitsPerPixel(), bits);
  EXPECT_EQ(picture.format().palette, original.format().palette);
  ring.redo(picture);
  EXPECT_TRUE(SamePicture(converted, picture));
  ring.undo(picture);
  EXPECT_TRUE(SamePicture(original, picture));
}

TEST_P(ExactRestoration, LocalEditOfAnIndexedPictureIsUndone) {
  Picture picture = IndexedPicture(131, 70, GetParam());
  const Picture original = picture;
  HistoryRing ring;
  ring.reset(picture);
  picture.setPixel(100, 65, MakeColour(255, 255, 255));
  picture.mutableRow(3)[0] ^= 0xFF;
  ring.record(picture);
  const Picture edited = picture;
  ring.undo(picture);
  EXPECT_TRUE(SamePicture(original, picture));
  ring.redo(picture);
  EXPECT_TRUE(SamePicture(edited, picture));
}

INSTANTIATE_TEST_SUITE_P(Depths, ExactRestoration, testing::Values(1, 4, 8),
                         [](const auto& info) { return std::to_string(info.param) + "bits"; });

// Changes of the whole picture that keep its size: the written flags alone do not say that the
// format changed, so the record must notice it.
struct Replacement {
  const char* name;
  void (*apply)(Picture&);
};

class WholePictureChange : public testing::TestWithParam<Replacement> {};

TEST_P(WholePictureChange, IsUndoneExactly) {
  Picture picture = IndexedPicture(100, 70, 8);
  const Picture original = picture;
  HistoryRing ring;
  ring.reset(picture);
  GetParam().apply(picture);
  const Picture changed = picture;
  ring.record(picture);
  ring.undo(picture);
  EXPECT_TRUE(SamePicture(original, picture));
  EXPECT_EQ(picture.format(), original.format());
  ring.redo(picture);
  EXPECT_TRUE(SamePicture(changed, picture));
  EXPECT_EQ(picture.format(), changed.format());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, WholePictureChange,
    testing::Values(
        Replacement{"NewTable",
                    [](Picture& p) {
                      p.setPalette(std::vector<Bgra>(256, Bgra{1, 2, 3, 0}));
                    }},
        Replacement{"AssignedOtherDepthSameSize",
                    [](Picture& p) { p.assign(Picture(100, 70, PixelFormat::Bgra32())); }},
        Replacement{"AssignedGreySameSize",
                    [](Picture& p) { p.assign(Picture(100, 70, PixelFormat::Grey8())); }},
        Replacement{"ConvertedTo32", [](Picture& p) { p.convertTo(32); }},
        Replacement{"RefilledSameSize", [](Picture& p) { p.reset(100, 70, 0xA5); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExactRestorationOfSize, ResizeIsUndone) {
  Picture picture = PatternPicture(150, 90, 3);
  HistoryRing ring;
  ring.reset(picture);
  picture.reset(40, 300, 0x80);
  ring.record(picture);
  ring.undo(picture);
  EXPECT_TRUE(SamePicture(PatternPicture(150, 90, 3), picture));
  ring.redo(picture);
  EXPECT_EQ(picture.width(), 40);
  EXPECT_EQ(picture.height(), 300);
  EXPECT_EQ(picture.row(299)[119], 0x80);
}

TEST(ExactRestorationOfSize, LayerStaysAt32BitsAfterARebuild) {
  TBitmap32 layer(100, 80);
  layer.SetAlpha(200);
  HistoryRing ring;
  ring.reset(layer);
  layer.reset(30, 20, 255);
  ring.record(layer);
  ring.undo(layer);
  EXPECT_EQ(layer.bitsPerPixel(), 32);
  EXPECT_EQ(layer.format(), PixelFormat::Bgra32());
  EXPECT_EQ(layer.width(), 100);
  EXPECT_EQ(layer.row(79)[4 * 99 + 3], 200);
}

// --- The ring against a plain reference -----------------------------------------------------

// The ring as the text describes it, with full copies in every slot.
struct ReferenceRing {
  std::vector<Picture> slots = std::vector<Picture>(100);
  int index = 1, undoCount = 0, redoCount = 0;

  void reset(const Picture& p) {
    index = 1;
    undoCount = redoCount = 0;
    slots[0] = p;
  }
  void record(const Picture& p) {
    index = index == 100 ? 1 : index + 1;
    slots[index - 1] = p;
    if (undoCount < 99) ++undoCount;
    redoCount = 0;
  }
  void undo(Picture& p) {
    if (undoCount == 0) return;
    index = index == 1 ? 100 : index - 1;
    p = slots[index - 1];
    --undoCount;
    ++redoCount;
  }
  void redo(Picture& p) {
    if (redoCount == 0) return;
    index = index == 100 ? 1 : index + 1;
    p = slots[index - 1];
    ++undoCount;
    --redoCount;
  }
};

class RingAgainstFullCopies : public testing::TestWithParam<std::uint32_t> {};

TEST_P(RingAgainstFullCopies, RandomEditsUndoAndRedo) {
  std::mt19937 rng(GetParam());
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Picture picture = PatternPicture(150, 130, GetParam());
  HistoryRing ring;
  ReferenceRing reference;
  ring.reset(picture);
  reference.reset(picture);
  Picture expected = picture;

  for (int step = 0; step < 400; ++step) {
    const int op = uniform(0, 99);
    if (op < 40) {
      // A local edit, then its record.
      const int kind = uniform(0, 9);
      if (kind < 6 && picture.bitsPerPixel() >= 24) {
        const int x = uniform(-20, picture.width()), y = uniform(-20, picture.height());
        Scribble(picture, Rect{x, y, x + uniform(1, 90), y + uniform(1, 90)},
                 static_cast<std::uint8_t>(step));
      } else if (kind < 8) {
        picture.setPixel(uniform(0, picture.width() - 1), uniform(0, picture.height() - 1),
                         MakeColour(step & 0xFF, 3, 250));
      } else if (kind == 8) {
        picture.convertTo(picture.bitsPerPixel() == 24 ? 32 : 24);
      } else {
        picture = PatternPicture(uniform(20, 200), uniform(20, 200), step);
      }
      ring.record(picture);
      reference.record(picture);
      expected = picture;
    } else if (op < 70) {
      ring.undo(picture);
      reference.undo(expected);
    } else if (op < 95) {
      ring.redo(picture);
      reference.redo(expected);
    } else {
      // An edit that is undone before being recorded.
      if (picture.bitsPerPixel() >= 24) Scribble(picture, Rect{10, 10, 80, 30}, 0x77);
      // With nothing to undo, the unrecorded edit stays.
      if (reference.undoCount == 0) expected = picture;
      ring.undo(picture);
      reference.undo(expected);
    }
    ASSERT_EQ(ring.index(), reference.index) << "step " << step;
    ASSERT_EQ(ring.undoCount(), reference.undoCount) << "step " << step;
    ASSERT_EQ(ring.redoCount(), reference.redoCount) << "step " << step;
    ASSERT_TRUE(SamePicture(expected, picture)) << "step " << step;
  }
  // Every slot that a step can still reach holds its recorded picture.
  for (int back = 0; back <= ring.undoCount(); ++back) {
    const int i = (ring.index() - 1 - back + 100) % 100 + 1;
    ASSERT_TRUE(SamePicture(reference.slots[i - 1], MaterialiseSnapshot(*ring.slot(i))))
        << "slot " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RingAgainstFullCopies, testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace drollo
