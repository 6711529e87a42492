#include "formats/heif.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "formats/exif.h"
#include "formats/heif_boxes.h"
#include "formats/orientation.h"

namespace drollo::formats {
namespace {

struct ContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
  void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
  void operator()(const heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void Check(const heif_error& e) {
  if (e.code == heif_error_Ok) return;
  throw PictureFileError(std::string("The HEIF file cannot be read: ") +
                         (e.message && e.message[0] ? e.message : "unknown error") + ".");
}

// The first EXIF block: stored after a four-byte offset to its TIFF header.
std::vector<std::uint8_t> Exif(const heif_image_handle* handle) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1) return {};
  const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size < 4 || size > (std::size_t{1} << 24)) return {};
  std::vector<std::uint8_t> block(size);
  if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) return {};
  const std::uint32_t skip =
      (std::uint32_t{block[0]} << 24) | (block[1] << 16) | (block[2] << 8) | block[3];
  if (skip > size - 4) return {};
  return std::vector<std::uint8_t>(block.begin() + 4 + skip, block.end());
}

std::vector<std::uint8_t> Icc(const heif_image_handle* handle) {
  const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
  if (size == 0 || size > (std::size_t{1} << 24)) return {};
  std::vector<std::uint8_t> icc(size);
  if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) return {};
  return icc;
}

std::uint8_t OverWhite(int colour, int alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

}  // namespace

LoadedPicture ReadHeif(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (!ctx) throw PictureFileError("The HEIF reader cannot be started.");
  // libheif's own limit is per side; ours on the area is checked before decoding.
  heif_context_set_maximum_image_size_limit(
      ctx.get(), static_cast<int>(std::min<std::int64_t>(limits.maxPixels, 1 << 30)));
  Check(heif_context_read_from_memory_without_copy(ctx.get(), file.data(), file.size(), nullptr));
  heif_image_handle* raw = nullptr;
  Check(heif_context_get_primary_image_handle(ctx.get(), &raw));
  std::unique_ptr<const heif_image_handle, HandleRelease> handle(raw);
  // The coded size bounds the decoded one (a rotation swaps sides, a crop shrinks them).
  const std::int64_t codedW = heif_image_handle_get_ispe_width(raw);
  const std::int64_t codedH = heif_image_handle_get_ispe_height(raw);
  CheckPictureSize(codedW, codedH, limits);
  CheckPictureSize(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw), limits);
  // Sizes stated in the file's own data, which libheif and the decoders trust: the output of a
  // grid or overlay, an AV1 sequence header, an HEVC parameter set.
  const auto checkStated = [&](std::uint64_t width, std::uint64_t height) {
    CheckPictureSize(static_cast<std::int64_t>(std::min<std::uint64_t>(width, 1u << 31)),
                     static_cast<std::int64_t>(std::min<std::uint64_t>(height, 1u << 31)), limits);
  };
  for (const heif_boxes::DerivedImage& derived : heif_boxes::DerivedImages(file))
    checkStated(derived.width, derived.height);
  for (const auto& sizes : {heif_boxes::Av1FrameSizes(file), heif_boxes::HevcFrameSizes(file)})
    for (const heif_boxes::CodedSize& coded : sizes) checkStated(coded.width, coded.height);

  std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  if (options && options->version >= 2) options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  Check(heif_decode_image(raw, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                          options.get()));
  std::unique_ptr<const heif_image, ImageRelease> image(decoded);
  const int width = heif_image_get_width(decoded, heif_channel_interleaved);
  const int height = heif_image_get_height(decoded, heif_channel_interleaved);
  CheckPictureSize(width, height, limits);
  int stride = 0;
  const std::uint8_t* pixels =
      heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  if (!pixels || width <= 0 || height <= 0 || stride < width * 4)
    throw PictureFileError("The HEIF file cannot be read: its picture has an unexpected form.");

  LoadedPicture out;
  out.picture = Picture(width, height, 24);
  std::uint8_t* base = out.picture.rawData();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* s = pixels + static_cast<std::size_t>(y) * stride;
    std::uint8_t* d = base + static_cast<std::size_t>(y) * out.picture.stride();
    for (int x = 0; x < width; ++x) {
      const int a = s[4 * x + 3];
      d[3 * x] = OverWhite(s[4 * x + 2], a);
      d[3 * x + 1] = OverWhite(s[4 * x + 1], a);
      d[3 * x + 2] = OverWhite(s[4 * x], a);
    }
  }
  out.metadata.exif = Exif(raw);
  out.metadata.icc = Icc(raw);
  // Cameras that write HEIC state the orientation in the transformation properties, which libheif
  // has applied, and repeat it in EXIF; files converted from JPEG by tools that copy the EXIF
  // block but write no such property have it in EXIF only.
  if (heif_boxes::HasTransformProperties(file)) {
    out.metadata.exif = UprightExif(out.metadata.exif);
  } else {
    MakeUpright(out);
  }
  return out;
}

}  // namespace drollo::formats
