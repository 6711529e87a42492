// Damaged files of every type: each must give a picture or a PictureFileError, never a crash, a
// read outside a buffer (the sanitizers watch) or another kind of exception. The inputs that once
// crashed a fuzz target are kept in fuzz/regressions/<target>/ and replayed here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "formats/bmp.h"
#include "formats/exif.h"
#include "formats/gif.h"
#include "formats/heif.h"
#include "formats/icon.h"
#include "formats/jpeg.h"
#include "formats/metafile.h"
#include "formats/metafile_player.h"
#include "formats/png.h"
#include "formats/sample_files.h"
#include "formats/tiff.h"
#include "formats/webp.h"

namespace drollo::formats {
namespace {

using samples::Bytes;
using Decoder = Picture (*)(std::span<const std::uint8_t>, const DecodeLimits&);

// A canvas that draws nothing, so the player's reading of every record kind is what is tried.
class NullCanvas : public meta::Canvas {
 public:
  void fill(const meta::Path&, const meta::Brush&, bool, const meta::Background&) override {}
  void stroke(const meta::Path&, const meta::Pen&, const meta::Background&) override {}
  void text(const meta::Text&) override {}
  void bitmap(const Picture&, const Rect&, meta::Point, meta::Point, meta::Point,
              std::uint32_t) override {}
  void pattern(const meta::Path&, const meta::Brush&, std::uint32_t) override {}
  void clip(const std::vector<meta::Path>&) override {}
};

// Both metafile readers: the bitmap-only one and the player of every record.
Picture DecodeMetafile(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  try {
    BuiltInMetafileReader().Read(file, limits);
  } catch (const PictureFileError&) {
  }
  static const PlayingMetafileReader player(
      [](Picture&) { return std::make_unique<NullCanvas>(); });
  return player.Read(file, limits);
}

// The readers that also give metadata and turn pictures upright, as the program opens files.
template <LoadedPicture (*Read)(std::span<const std::uint8_t>, const DecodeLimits&)>
Picture PictureOf(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  return Read(file, limits).picture;
}

// EXIF blocks are read for their orientation and rewritten upright; neither ever throws.
Picture ReadExifBlock(std::span<const std::uint8_t> block, const DecodeLimits&) {
  ExifOrientation(block);
  UprightExif(block);
  return Picture();
}

struct Target {
  const char* name;
  Decoder decode;
};

// Small enough that a damaged size field cannot make the sweep slow.
const DecodeLimits kLimits{1 << 18};

// Returns an empty string when the decoder gave a picture or a PictureFileError.
std::string Outcome(const Target& t, std::span<const std::uint8_t> bytes) {
  try {
    t.decode(bytes, kLimits);
  } catch (const PictureFileError&) {
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return {};
}

std::filesystem::path FuzzFolder() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";
}

// The seeds made in code, and those made by other programs and kept in fuzz/seeds/<target>/.
std::vector<std::pair<std::string, Bytes>> Seeds(const std::string& target) {
  auto seeds = samples::FuzzSeeds(target);
  const auto folder = FuzzFolder() / "seeds" / target;
  if (!std::filesystem::is_directory(folder)) return seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(entry.path().filename().string(),
                       Bytes((std::istreambuf_iterator<char>(in)), {}));
  }
  return seeds;
}

class DamagedFiles : public testing::TestWithParam<Target> {};

TEST_P(DamagedFiles, TruncatedOrAlteredSeedsGiveAPictureOrAnError) {
  const auto seeds = Seeds(GetParam().name);
  ASSERT_FALSE(seeds.empty());
  for (const auto& [name, seed] : seeds) {
    for (std::size_t keep = 0; keep < seed.size(); keep += keep < 160 ? 1 : 5) {
      const std::string r = Outcome(GetParam(), std::span(seed).first(keep));
      ASSERT_EQ(r, "") << name << " cut to " << keep << " bytes";
    }
    // Headers sit at the start: every byte there is altered, then every fifth one.
    Bytes altered = seed;
    for (std::size_t i = 0; i < seed.size(); i += i < 160 ? 1 : 5) {
      for (std::uint8_t v :
           {std::uint8_t{0}, std::uint8_t{0xFF}, static_cast<std::uint8_t>(seed[i] ^ 0x80)}) {
        altered[i] = v;
        const std::string r = Outcome(GetParam(), altered);
        ASSERT_EQ(r, "") << name << " with byte " << i << " set to " << int{v};
      }
      altered[i] = seed[i];
    }
  }
}

std::filesystem::path RegressionFolder(const std::string& target) {
  return FuzzFolder() / "regressions" / target;
}

TEST_P(DamagedFiles, KeptFuzzFindingsGiveAPictureOrAnError) {
  const auto folder = RegressionFolder(GetParam().name);
  int replayed = 0;
  if (!std::filesystem::is_directory(folder)) return;  // nothing found so far
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
    try {
      GetParam().decode(bytes, DecodeLimits{});
    } catch (const PictureFileError&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << entry.path() << ": unexpected exception: " << e.what();
    }
    ++replayed;
  }
  RecordProperty("replayed", replayed);
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, DamagedFiles,
    testing::Values(Target{"bmp", DecodeBmp}, Target{"jpeg", PictureOf<ReadJpeg>},
                    Target{"gif", DecodeGif}, Target{"icon", DecodeIcon},
                    Target{"metafile", DecodeMetafile}, Target{"png", PictureOf<ReadPng>},
                    Target{"webp", PictureOf<ReadWebp>}, Target{"tiff", PictureOf<ReadTiff>},
                    Target{"heif", PictureOf<ReadHeif>}, Target{"exif", ReadExifBlock}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace drollo::formats
