// The output sizes of HEIF grid and overlay images, read from the boxes before libheif takes the
// memory for them.
#include "formats/heif_boxes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "formats/heif.h"

namespace drollo::formats {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Box(const std::string& type, const Bytes& body) {
  Bytes b;
  Put(b, body.size() + 8, 4);
  b.insert(b.end(), type.begin(), type.end());
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Infe(std::uint32_t item, const std::string& type) {
  Bytes body{2, 0, 0, 0};
  Put(body, item, 2);
  Put(body, 0, 2);
  body.insert(body.end(), type.begin(), type.end());
  body.push_back(0);
  return Box("infe", body);
}

struct Item {
  std::uint32_t id;
  int construction;
  std::uint64_t offset;
  std::uint64_t length;
};

// iloc version 1: 4-byte offsets and lengths, no base offset.
Bytes Iloc(std::initializer_list<Item> items) {
  Bytes body{1, 0, 0, 0, 0x44, 0x00};
  Put(body, items.size(), 2);
  for (const Item& i : items) {
    Put(body, i.id, 2);
    Put(body, static_cast<std::uint64_t>(i.construction), 2);
    Put(body, 0, 2);
    Put(body, 1, 2);
    Put(body, i.offset, 4);
    Put(body, i.length, 4);
  }
  return Box("iloc", body);
}

Bytes Meta(const Bytes& iinfEntries, int entries, const Bytes& iloc, const Bytes& idat) {
  Bytes iinf{0, 0, 0, 0};
  Put(iinf, static_cast<std::uint64_t>(entries), 2);
  iinf.insert(iinf.end(), iinfEntries.begin(), iinfEntries.end());
  return Box("meta", Join({Bytes{0, 0, 0, 0}, Box("iinf", iinf), iloc, Box("idat", idat)}));
}

TEST(HeifBoxes, GridAndOverlaySizesAreReadInBothFieldWidthsAndBothPlaces) {
  // Item 1: a grid in idat with 16-bit sizes; item 2: a grid in idat with 32-bit sizes;
  // item 3: an overlay in the file after the meta box; item 4: a coded tile, not derived.
  Bytes idat{0, 0, 1, 2};
  Put(idat, 300, 2);
  Put(idat, 200, 2);
  const std::size_t wideAt = idat.size();
  idat.insert(idat.end(), {0, 1, 0, 0});
  Put(idat, 70000, 4);
  Put(idat, 5, 4);
  const Bytes entries = Join({Infe(1, "grid"), Infe(2, "grid"), Infe(3, "iovl"), Infe(4, "hvc1")});
  Bytes overlay{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put(overlay, 640, 2);
  Put(overlay, 480, 2);
  // The overlay's file offset depends on the meta box's size, which does not depend on it.
  const auto build = [&](std::uint64_t overlayAt) {
    return Meta(
        entries, 4,
        Iloc({{1, 1, 0, 8}, {2, 1, wideAt, 12}, {3, 0, overlayAt, overlay.size()}, {4, 0, 0, 1}}),
        idat);
  };
  const Bytes meta = build(build(0).size());
  const Bytes file = Join({meta, overlay});

  const auto images = heif_boxes::DerivedImages(file);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_TRUE(images[0].grid);
  EXPECT_EQ(images[0].width, 300u);
  EXPECT_EQ(images[0].height, 200u);
  EXPECT_EQ(images[1].width, 70000u);
  EXPECT_EQ(images[1].height, 5u);
  EXPECT_FALSE(images[2].grid);
  EXPECT_EQ(images[2].width, 640u);
  EXPECT_EQ(images[2].height, 480u);

  // Damaged locations and truncated boxes are left to libheif, never read outside the file.
  for (std::size_t keep = 0; keep < file.size(); ++keep) {
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep));
    for (const auto& image : heif_boxes::DerivedImages(cut)) EXPECT_LE(image.item, 4u);
  }
  const Bytes farAway =
      Meta(Infe(1, "grid"), 1, Iloc({{1, 0, 0xFFFFFFF0, 8}}), Bytes{0, 0, 0, 0, 1, 1, 1, 1});
  EXPECT_TRUE(heif_boxes::DerivedImages(farAway).empty());
}

// Regression: extents with no bytes of their own cost nothing in the file but were each stored, so
// a small iloc box of many items with 65535 such extents each took seconds and gigabytes.
TEST(HeifBoxes, ExtentsWithoutBytesCostNoMoreThanTheirBox) {
  Bytes idat{0, 0, 1, 2};
  Put(idat, 300, 2);
  Put(idat, 200, 2);
  // Version 2, offsets, lengths and indexes of size 0, 4-byte base offsets.
  Bytes iloc{2, 0, 0, 0, 0x00, 0x40};
  constexpr std::uint32_t kItems = 20000;
  Put(iloc, kItems, 4);
  for (std::uint32_t item = 1; item <= kItems; ++item) {
    Put(iloc, item, 4);
    Put(iloc, 1, 2);  // in idat
    Put(iloc, 0, 2);
    Put(iloc, 0, 4);
    Put(iloc, 65535, 2);
  }
  const Bytes file = Meta(Infe(1, "grid"), 1, Box("iloc", iloc), idat);
  const auto images = heif_boxes::DerivedImages(file);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].width, 300u);
  EXPECT_EQ(images[0].height, 200u);
}

std::filesystem::path HeifSeed() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" /
         "seeds" / "heif" / "small.heic";
}

// Regression: a grid stating 65535 x 65535 pixels over one 16 x 16 tile made libheif take 16 GB
// before decoding the tile; the grid's size is now checked against the limit first.
TEST(HeifBoxes, GridLargerThanTheLimitIsRefusedBeforeItsMemoryIsTaken) {
  std::ifstream in(HeifSeed(), std::ios::binary);
  Bytes file((std::istreambuf_iterator<char>(in)), {});
  ASSERT_FALSE(file.empty());
  const auto images = heif_boxes::DerivedImages(file);
  ASSERT_EQ(images.size(), 1u) << "the encoder writes its picture as a one-tile grid";
  EXPECT_EQ(ReadHeif(file).picture.width(), static_cast<int>(images[0].width));

  const std::string idat = "idat";
  const auto at = std::search(file.begin(), file.end(), idat.begin(), idat.end()) + 4;
  for (int i = 4; i < 8; ++i) at[i] = 0xFF;
  try {
    ReadHeif(file);
    FAIL() << "a 65535 x 65535 grid was decoded";
  } catch (const PictureFileError& e) {
    EXPECT_NE(std::string(e.what()).find("65535 x 65535"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace drollo::formats
