#include "formats/webp.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <string>
#include <vector>

#include "formats/orientation.h"

namespace drollo::formats {
namespace {

struct DemuxDeleter {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

std::vector<std::uint8_t> Chunk(WebPDemuxer* demux, const char* fourcc) {
  WebPChunkIterator it{};
  std::vector<std::uint8_t> out;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &it)) {
    out.assign(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
    WebPDemuxReleaseChunkIterator(&it);
  }
  return out;
}

[[noreturn]] void Fail(const std::string& reason) {
  throw PictureFileError("The WebP file cannot be read: " + reason + ".");
}

std::uint8_t OverWhite(int colour, int alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

}  // namespace

LoadedPicture ReadWebp(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  const WebPData data{file.data(), file.size()};
  std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
  if (!demux) Fail("it is damaged or not a WebP file");
  const std::int64_t canvasW = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
  const std::int64_t canvasH = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
  CheckPictureSize(canvasW, canvasH, limits);

  WebPIterator frame{};
  if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) Fail("it holds no picture");
  struct FrameRelease {
    WebPIterator* it;
    ~FrameRelease() { WebPDemuxReleaseIterator(it); }
  } release{&frame};
  if (frame.x_offset < 0 || frame.y_offset < 0 || frame.width <= 0 || frame.height <= 0 ||
      std::int64_t{frame.x_offset} + frame.width > canvasW ||
      std::int64_t{frame.y_offset} + frame.height > canvasH)
    Fail("its first frame lies outside its canvas");
  CheckPictureSize(frame.width, frame.height, limits);

  const std::size_t frameStride = static_cast<std::size_t>(frame.width) * 4;
  std::vector<std::uint8_t> bgra(frameStride * static_cast<std::size_t>(frame.height));
  if (!WebPDecodeBGRAInto(frame.fragment.bytes, frame.fragment.size, bgra.data(), bgra.size(),
                          static_cast<int>(frameStride)))
    Fail("its picture data is damaged");

  LoadedPicture out;
  out.picture = Picture(static_cast<int>(canvasW), static_cast<int>(canvasH), 24);
  std::uint8_t* base = out.picture.rawData();
  const std::size_t stride = out.picture.stride();
  std::fill(base, base + stride * out.picture.height(), std::uint8_t{255});
  for (int y = 0; y < frame.height; ++y) {
    const std::uint8_t* s = bgra.data() + static_cast<std::size_t>(y) * frameStride;
    std::uint8_t* d = base + static_cast<std::size_t>(y + frame.y_offset) * stride +
                      static_cast<std::size_t>(frame.x_offset) * 3;
    for (int x = 0; x < frame.width; ++x)
      for (int c = 0; c < 3; ++c) d[3 * x + c] = OverWhite(s[4 * x + c], s[4 * x + 3]);
  }
  out.metadata.exif = Chunk(demux.get(), "EXIF");
  out.metadata.icc = Chunk(demux.get(), "ICCP");
  MakeUpright(out);
  return out;
}

}  // namespace drollo::formats
