#include "formats/gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace drollo::formats {
namespace {

struct MemoryInput {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

int ReadInput(GifFileType* gif, GifByteType* buffer, int wanted) {
  auto* in = static_cast<MemoryInput*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(std::max(wanted, 0)), in->size - in->pos);
  if (n > 0) std::memcpy(buffer, in->data + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  GifFileType* gif = nullptr;
  ~GifCloser() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
};

[[noreturn]] void Fail(int code) {
  const char* text = GifErrorString(code);
  throw PictureFileError(std::string("The GIF file cannot be read: ") +
                         (text ? text : "unknown error") + ".");
}

}  // namespace

Picture DecodeGif(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  MemoryInput input{file.data(), file.size(), 0};
  int error = 0;
  GifCloser closer;
  closer.gif = DGifOpen(&input, ReadInput, &error);
  if (!closer.gif) Fail(error);
  GifFileType* gif = closer.gif;

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) Fail(gif->Error);
    if (type == TERMINATE_RECORD_TYPE) throw PictureFileError("The GIF file holds no picture.");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) Fail(gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
          transparent = gcb.TransparentColor;
      }
      while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) Fail(gif->Error);
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;

    if (DGifGetImageDesc(gif) == GIF_ERROR) Fail(gif->Error);
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
      throw PictureFileError("The GIF file's first picture has no pixels.");
    CheckPictureSize(desc.Width, desc.Height, limits);
    const std::int64_t width = std::max<std::int64_t>(gif->SWidth, desc.Left + desc.Width);
    const std::int64_t height = std::max<std::int64_t>(gif->SHeight, desc.Top + desc.Height);
    CheckPictureSize(width, height, limits);

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    // An index without a table entry gives black; without any table the indices are grey levels.
    std::uint8_t table[256][3];
    for (int i = 0; i < 256; ++i) {
      std::uint8_t b = 0, g = 0, r = 0;
      if (!map) {
        b = g = r = static_cast<std::uint8_t>(i);
      } else if (i < map->ColorCount && map->Colors) {
        r = map->Colors[i].Red;
        g = map->Colors[i].Green;
        b = map->Colors[i].Blue;
      }
      if (i == transparent) b = g = r = 255;
      table[i][0] = b;
      table[i][1] = g;
      table[i][2] = r;
    }

    Picture out(static_cast<int>(width), static_cast<int>(height), 24);
    std::memset(out.rawData(), 255, out.byteSize());
    std::vector<GifPixelType> line(desc.Width);
    auto drawRow = [&](int row) {
      if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) Fail(gif->Error);
      std::uint8_t* d = out.rawData() + static_cast<std::size_t>(desc.Top + row) * out.stride() +
                        static_cast<std::size_t>(desc.Left) * 3;
      for (int x = 0; x < desc.Width; ++x) std::memcpy(d + 3 * x, table[line[x]], 3);
    };
    if (desc.Interlace) {
      static constexpr int kStart[] = {0, 4, 2, 1};
      static constexpr int kStep[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int row = kStart[pass]; row < desc.Height; row += kStep[pass]) drawRow(row);
    } else {
      for (int row = 0; row < desc.Height; ++row) drawRow(row);
    }
    out.markAllWritten();
    return out;
  }
}

}  // namespace drollo::formats
