// The output sizes of HEIF grid and overlay images, read from the boxes before libheif takes the
// memory for them.
#include "formats/heif_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
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

Bytes Meta(const Bytes& iinfEntries, int entries, const Bytes& iloc, const Bytes& idat,
           const Bytes& more = {}) {
  Bytes iinf{0, 0, 0, 0};
  Put(iinf, static_cast<std::uint64_t>(entries), 2);
  iinf.insert(iinf.end(), iinfEntries.begin(), iinfEntries.end());
  return Box("meta", Join({Bytes{0, 0, 0, 0}, Box("iinf", iinf), iloc, Box("idat", idat), more}));
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

std::filesystem::path FuzzFile(const std::string& folder, const std::string& name) {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" /
         folder / "heif" / name;
}

std::filesystem::path HeifSeed() {
  return FuzzFile("seeds", "small.heic");
}

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
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

// Bits most significant first, for AV1 headers.
struct BitWriter {
  Bytes bytes;
  int used = 8;
  void Put(std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (used == 8) {
        bytes.push_back(0);
        used = 0;
      }
      if ((v >> i) & 1) bytes.back() |= static_cast<std::uint8_t>(0x80 >> used);
      ++used;
    }
  }
};

// A sequence header OBU (with its size field) stating max_frame_width x max_frame_height, either
// reduced (a still picture) or full with timing and decoder model information and two operating
// points, each with its optional fields present.
Bytes SequenceHeader(std::uint32_t width, std::uint32_t height, bool reduced) {
  BitWriter b;
  b.Put(0, 3);  // seq_profile
  b.Put(1, 1);  // still_picture
  b.Put(reduced ? 1 : 0, 1);
  if (reduced) {
    b.Put(8, 5);  // seq_level_idx
  } else {
    b.Put(1, 1);  // timing_info_present_flag
    b.Put(1001, 32);
    b.Put(60000, 32);
    b.Put(1, 1);          // equal_picture_interval
    b.Put(0b0001010, 7);  // uvlc: three zeros, a one, then 010
    b.Put(1, 1);          // decoder_model_info_present_flag
    b.Put(9, 5);          // buffer_delay_length_minus_1: delays of 10 bits
    b.Put(77, 32);
    b.Put(0, 10);
    b.Put(1, 1);  // initial_display_delay_present_flag
    b.Put(1, 5);  // two operating points
    for (int i = 0; i < 2; ++i) {
      b.Put(0x101, 12);
      b.Put(i == 0 ? 9 : 3, 5);  // a level above 7 has a tier bit
      if (i == 0) b.Put(1, 1);
      b.Put(1, 1);  // decoder_model_present_for_this_op
      b.Put(5, 10);
      b.Put(6, 10);
      b.Put(0, 1);
      b.Put(1, 1);  // initial_display_delay_present_for_this_op
      b.Put(3, 4);
    }
  }
  b.Put(15, 4);  // frame_width_bits_minus_1
  b.Put(15, 4);
  b.Put(width - 1, 16);
  b.Put(height - 1, 16);
  b.Put(0xABCD, 16);                                   // what follows in a real header
  Bytes obu{static_cast<std::uint8_t>((1 << 3) | 2)};  // OBU_SEQUENCE_HEADER with a size field
  obu.push_back(static_cast<std::uint8_t>(b.bytes.size()));
  obu.insert(obu.end(), b.bytes.begin(), b.bytes.end());
  return obu;
}

// The AV1 decoder takes the memory for the frame size of the sequence header, whatever the item's
// size property says; the reader now checks that size first.
TEST(HeifBoxes, Av1SequenceHeadersAreReadFromTheConfigurationAndTheItemData) {
  // A temporal delimiter OBU first, as encoders write it, then the sequence header.
  for (bool reduced : {true, false}) {
    const Bytes obus = Join({Bytes{0x12, 0x00}, SequenceHeader(40000, 30000, reduced)});
    Bytes av1C{0x81, 0x00, 0x0C, 0x00};
    av1C.insert(av1C.end(), obus.begin(), obus.end());
    const Bytes iprp = Box("iprp", Box("ipco", Box("av1C", av1C)));
    const Bytes meta = Box("meta", Join({Bytes{0, 0, 0, 0}, iprp}));
    const auto sizes = heif_boxes::Av1FrameSizes(meta);
    ASSERT_EQ(sizes.size(), 1u) << (reduced ? "reduced" : "full") << " header";
    EXPECT_EQ(sizes[0].width, 40000u);
    EXPECT_EQ(sizes[0].height, 30000u);
    // Cut anywhere, nothing is read outside the box and no size is made up.
    for (std::size_t keep = 0; keep < meta.size(); ++keep) {
      const Bytes cut(meta.begin(), meta.begin() + static_cast<std::ptrdiff_t>(keep));
      for (const auto& size : heif_boxes::Av1FrameSizes(cut)) EXPECT_EQ(size.width, 40000u);
    }
  }

  // The encoder's own file: its header states the picture's size, in both places.
  const Bytes avif = ReadAll(FuzzFile("seeds", "small.avif"));
  ASSERT_FALSE(avif.empty());
  const LoadedPicture picture = ReadHeif(avif);
  const auto sizes = heif_boxes::Av1FrameSizes(avif);
  ASSERT_FALSE(sizes.empty());
  for (const auto& size : sizes) {
    EXPECT_EQ(size.width, static_cast<std::uint64_t>(picture.picture.width()));
    EXPECT_EQ(size.height, static_cast<std::uint64_t>(picture.picture.height()));
  }
}

// Whether the kept fuzz finding `name` is refused as too large, without being decoded.
testing::AssertionResult RefusedAsTooLarge(const std::string& name) {
  const Bytes file = ReadAll(FuzzFile("regressions", name));
  if (file.empty()) return testing::AssertionFailure() << name << " cannot be read";
  try {
    ReadHeif(file);
  } catch (const PictureFileError& e) {
    if (std::string(e.what()).find("too large") != std::string::npos)
      return testing::AssertionSuccess();
    return testing::AssertionFailure() << name << ": " << e.what();
  }
  return testing::AssertionFailure() << name << " was decoded";
}

// Regression: a 572-byte AVIF whose size property says 16 x 16 (the fuzzer damaged the one it
// had) carries a sequence header for a huge frame; decoding it took 2 GB and half a minute.
TEST(HeifBoxes, Av1FrameLargerThanTheLimitIsRefusedBeforeDecoding) {
  EXPECT_TRUE(RefusedAsTooLarge("oom-1d775098bd8c52fe805e9ea0c4dff9af049d029a"));
}

// An HEVC sequence parameter set NAL unit stating a picture of width x height: two sub-layers
// (one with its profile and level, one with its level only) and 4:4:4 chroma with its extra flag,
// so every optional part is there. Its runs of zero bytes get emulation prevention bytes, as in a
// real stream.
Bytes SequenceParameterSet(std::uint32_t width, std::uint32_t height) {
  BitWriter b;
  const auto ue = [&](std::uint64_t v) {
    const int bits = std::bit_width(v + 1);
    b.Put(0, bits - 1);
    b.Put(v + 1, bits);
  };
  b.Put(0, 4);  // sps_video_parameter_set_id
  b.Put(2, 3);  // sps_max_sub_layers_minus1
  b.Put(1, 1);
  b.Put(0x01, 8);  // general profile: space, tier, idc
  b.Put(0x60000000, 32);
  b.Put(0x90, 8);
  b.Put(0, 40);
  b.Put(0x5D, 8);  // general_level_idc
  b.Put(0b11, 2);  // sub-layer 0: profile and level
  b.Put(0b01, 2);  // sub-layer 1: level only
  b.Put(0, 12);    // up to eight sub-layers
  b.Put(0, 48);
  b.Put(0, 40);
  b.Put(0x5A, 8);
  b.Put(0x5A, 8);
  ue(0);  // sps_seq_parameter_set_id
  ue(3);  // chroma_format_idc 4:4:4
  b.Put(0, 1);
  ue(width);
  ue(height);
  b.Put(0xABCD, 16);  // what follows in a real set
  Bytes nal{0x42, 0x01};
  int zeros = 0;
  for (std::uint8_t byte : b.bytes) {
    if (zeros >= 2 && byte <= 3) {
      nal.push_back(3);
      zeros = 0;
    }
    nal.push_back(byte);
    zeros = byte == 0 ? zeros + 1 : 0;
  }
  return nal;
}

// The HEVC decoder takes the memory for the picture size of the parameter set, whatever the
// item's size property says; the reader now checks that size first.
TEST(HeifBoxes, HevcParameterSetsAreReadFromTheConfigurationAndTheItemData) {
  const Bytes sps = SequenceParameterSet(40000, 30000);
  const Bytes escape{0, 0, 3};
  ASSERT_NE(std::search(sps.begin(), sps.end(), escape.begin(), escape.end()), sps.end());
  // 22 bytes of configuration (four-byte lengths), then a video and a sequence parameter set.
  Bytes hvcC(22, 0);
  hvcC[21] = 0x0F;
  hvcC.push_back(2);
  hvcC.insert(hvcC.end(), {0x20, 0, 1, 0, 3, 0x40, 0x01, 0x0C});
  hvcC.insert(hvcC.end(), {0x21, 0, 1});
  Put(hvcC, sps.size(), 2);
  hvcC.insert(hvcC.end(), sps.begin(), sps.end());
  const Bytes iprp = Box("iprp", Box("ipco", Box("hvcC", hvcC)));
  // The item's own data: a slice, then another parameter set.
  const Bytes slice{0x26, 0x01, 0xAF, 0x00};
  const Bytes itemSps = SequenceParameterSet(500, 400);
  Bytes idat;
  Put(idat, slice.size(), 4);
  idat.insert(idat.end(), slice.begin(), slice.end());
  Put(idat, itemSps.size(), 4);
  idat.insert(idat.end(), itemSps.begin(), itemSps.end());
  const Bytes meta = Meta(Infe(1, "hvc1"), 1, Iloc({{1, 1, 0, idat.size()}}), idat, iprp);

  const auto sizes = heif_boxes::HevcFrameSizes(meta);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0].width, 40000u);
  EXPECT_EQ(sizes[0].height, 30000u);
  EXPECT_EQ(sizes[1].width, 500u);
  EXPECT_EQ(sizes[1].height, 400u);
  // Cut anywhere, nothing is read outside the box and no size is made up.
  for (std::size_t keep = 0; keep < meta.size(); ++keep) {
    const Bytes cut(meta.begin(), meta.begin() + static_cast<std::ptrdiff_t>(keep));
    for (const auto& size : heif_boxes::HevcFrameSizes(cut))
      EXPECT_TRUE(size.width == 40000u || size.width == 500u) << size.width;
  }

  // The encoder's own file, a grid of 64 x 64 tiles: its parameter sets state the tile size.
  const Bytes heic = ReadAll(HeifSeed());
  ASSERT_FALSE(heic.empty());
  const auto tiles = heif_boxes::HevcFrameSizes(heic);
  ASSERT_FALSE(tiles.empty());
  for (const auto& size : tiles) {
    EXPECT_EQ(size.width, 64u);
    EXPECT_EQ(size.height, 64u);
  }
  EXPECT_NO_THROW(ReadHeif(heic));
}

// Regression: the seed HEIC with its parameter set changed to claim 32768 x 32768 pixels (577
// bytes) took 5 GB and two minutes in the HEVC decoder.
TEST(HeifBoxes, HevcPictureLargerThanTheLimitIsRefusedBeforeDecoding) {
  EXPECT_TRUE(RefusedAsTooLarge("oom-8f3f9412c18714967c52b7b8f1bf7b55dc88af77"));
}

// Regression: iloc boxes that state field sizes other than 0, 4 and 8 bytes, which libheif reads
// as no field at all. The grid's data then lies elsewhere for libheif than for a reading as stated,
// and seven such files of 572 to 581 bytes, with grids claiming up to 65296 x 60928 pixels, took
// 2 to 4 GB. Both readings are now checked.
TEST(HeifBoxes, GridPlacedByEitherReadingOfOddFieldSizesIsRefused) {
  for (const char* name : {"oom-09d2fb4fb2dc079ff4245289365d3212b7cc78b2",
                           "oom-48ec994b9c12ad7fef4d493cf9d7a16f444b3935",
                           "oom-632737edc2ba75dcfa9ca09d80d5c1c8482e8a5a",
                           "oom-a88448f5cacd64a769b08b3d03dca087bbab47fd",
                           "oom-ab4d5175d84156f70645df34d13d16793f22bee5",
                           "oom-f7274e63f15caf595f1b54458bd00620e6c79086",
                           "oom-fadd6d7ccf47f9f88afed5dcd2048f44b6ecaa9c"})
    EXPECT_TRUE(RefusedAsTooLarge(name));
}

}  // namespace
}  // namespace drollo::formats
