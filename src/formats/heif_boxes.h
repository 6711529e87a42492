// The few facts the HEIF reader takes from a file's boxes itself, before libheif decodes it.
//
// libheif checks an image's size only against a limit per side, and only when it makes the
// image. A grid or overlay image states its output size in its own item data, which libheif reads
// just before it takes the memory for the whole output; a file whose grid claims 6144 x 61440
// pixels over 16 x 16 tiles would take gigabytes before any tile is decoded. The AV1 and HEVC
// decoders likewise size their frames from the sequence header or parameter set in the coded data.
// Reading those sizes here lets the reader refuse such a file with our limit on the area, as every
// other reader does.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace drollo::formats::heif_boxes {

// A derived image ("grid" or "iovl") and the output size its item data states.
struct DerivedImage {
  std::uint32_t item = 0;
  bool grid = false;  // else an overlay
  std::uint64_t width = 0;
  std::uint64_t height = 0;
};

// Every grid and overlay item of the file's meta boxes whose data could be found. Items whose
// location or data is damaged are left out: libheif refuses them itself.
std::vector<DerivedImage> DerivedImages(std::span<const std::uint8_t> file);

// A coded picture size.
struct CodedSize {
  std::uint64_t width = 0;
  std::uint64_t height = 0;
};

// The largest frame size (max_frame_width x max_frame_height) of every AV1 sequence header in the
// file's av1C properties and at the start of its av01 items. The AV1 decoder takes the memory for
// a frame of the size its sequence header states, whatever the item's own size property says: a
// 572-byte file stating 16 x 16 pixels took 2 GB that way. Headers that cannot be read are left
// out (the decoder refuses them itself).
std::vector<CodedSize> Av1FrameSizes(std::span<const std::uint8_t> file);

// The picture size (pic_width_in_luma_samples x pic_height_in_luma_samples) of every HEVC sequence
// parameter set in the file's hvcC properties and among the NAL units of its hvc1 items. The HEVC
// decoder likewise takes the memory for the size its parameter set states: a 577-byte HEIC whose
// tiles claim 32768 x 32768 took 5 GB and two minutes. Sets that cannot be read are left out.
std::vector<CodedSize> HevcFrameSizes(std::span<const std::uint8_t> file);

// Whether a meta box holds a rotation (irot) or mirroring (imir) property. Inside the meta box a
// property is recognised by its type after a size that fits, which is all that is needed to tell
// the two kinds of writers apart.
bool HasTransformProperties(std::span<const std::uint8_t> file);

}  // namespace drollo::formats::heif_boxes
