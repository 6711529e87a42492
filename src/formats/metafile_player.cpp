// Playing Windows metafiles onto a drawing canvas: how the pieces fit.
//
//   metafile_records.h        the record numbers of both forms as enums, and the mode values
//   metafile_wmf.cpp          old metafiles (placeable or plain): the record loop and the
//                             handlers of the records only they have
//   metafile_emf.cpp          the same for enhanced metafiles
//   metafile_shared.cpp       the records both forms have with a fixed list of numbers (modes,
//                             mapping, lines, rectangles, ellipses, arcs, pixels, objects): read
//                             once through Fields, in 16-bit words last first or 32-bit values
//   metafile_play.h           the operations the records decode into, and the Player
//   metafile_state.*          device context, object table, mapping, saved states
//   metafile_paths_lines.cpp  the Player's drawing, one routine per operation: lines, curves,
//   metafile_text.cpp         shapes and paths; fonts and text; bitmaps and blits
//   metafile_bitmaps.cpp
//
// Each reader looks a record up in two tables sorted by record number: its shared records, or
// its own handlers. Records in neither are skipped. The readers only parse; a Rectangle is one
// BoxOp and a DibStretchBlt or a StretchDIBits one BlitOp, whichever form holds it, and the
// Player draws each operation one way.
//
// Coordinates go through three steps: the world transform (enhanced files only), the page
// mapping from the window to the viewport (map mode, origins and extents), and the player's own
// step from device units to picture pixels. Old metafiles are played on a device of the picture's
// pixels; a placeable file starts with its bounding box as the window and the picture as the
// viewport, as a program showing it at its size does. Enhanced files record in the pixels of the
// device they were made on, so their frame rectangle is mapped onto the picture.
#include "formats/metafile_player.h"

#include <cstdlib>
#include <cstring>

#include "formats/byte_reader.h"
#include "formats/metafile_play.h"

namespace drollo::formats {
namespace {

using meta::Corrupt;
using meta::kWhat;
using meta::WmfRecord;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfSignature = 0x464D4520u;  // " EMF"

bool IsEnhanced(std::span<const std::uint8_t> file) {
  if (file.size() < 88) return false;
  ByteReader probe(file, kWhat);
  const std::uint32_t type = probe.u32();
  probe.seek(40);
  return type == static_cast<std::uint32_t>(meta::EmfRecord::kHeader) &&
         probe.u32() == kEmfSignature;
}

bool IsPlaceable(std::span<const std::uint8_t> file) {
  return file.size() >= 4 && ByteReader(file, kWhat).u32() == kPlaceableKey;
}

}  // namespace

MetafileSize MeasureMetafile(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
  MetafileSize size;
  std::int64_t w = 0, h = 0;
  if (IsEnhanced(file)) {
    size.kind = MetafileKind::kEnhanced;
    ByteReader in(file, kWhat);
    in.skip(8);
    const std::int64_t bl = in.i32(), bt = in.i32(), br = in.i32(), bb = in.i32();
    const std::int64_t fl = in.i32(), ft = in.i32(), fr = in.i32(), fb = in.i32();
    if (fr > fl && fb > ft) {
      // Hundredths of a millimetre at 96 dots per inch, to the nearest pixel.
      w = ((fr - fl) * 96 + 1270) / 2540;
      h = ((fb - ft) * 96 + 1270) / 2540;
    } else if (br >= bl && bb >= bt) {
      w = br - bl + 1;
      h = bb - bt + 1;
    }
  } else {
    ByteReader in(file, kWhat);
    if (IsPlaceable(file)) {
      size.kind = MetafileKind::kPlaceable;
      in.skip(6);
      const int left = in.i16(), top = in.i16(), right = in.i16(), bottom = in.i16();
      const int inch = in.u16();
      in.skip(6);
      if (inch == 0) Corrupt("its header gives no units per inch");
      w = (static_cast<std::int64_t>(std::abs(right - left)) * 96 + inch / 2) / inch;
      h = (static_cast<std::int64_t>(std::abs(bottom - top)) * 96 + inch / 2) / inch;
    }
    const std::size_t start = in.position();
    if (in.remaining() < 18) {
      if (size.kind == MetafileKind::kPlaceable) in.truncated();
      throw PictureFileError("The file is not a Windows metafile.");
    }
    const std::uint16_t fileType = in.u16();
    const std::uint16_t headerWords = in.u16();
    if ((fileType != 1 && fileType != 2) || headerWords != 9)
      throw PictureFileError("The file is not a Windows metafile.");
    in.seek(start + 18);
    if (size.kind == MetafileKind::kPlain) {
      // The first window extent set before drawing is the picture's size.
      while (in.remaining() >= 6) {
        const std::uint32_t words = in.u32();
        const auto function = static_cast<WmfRecord>(in.u16());
        if (words < 3 || (words - 3) * 2ull > in.remaining()) break;
        if (function == WmfRecord::kSetWindowExt && words >= 5) {
          h = std::abs(in.i16());
          w = std::abs(in.i16());
          break;
        }
        if (function == WmfRecord::kEof) break;
        in.skip((words - 3) * 2ull);
      }
      if (w == 0 || h == 0) Corrupt("it gives no picture size");
    }
  }
  if (w <= 0 || h <= 0) Corrupt("its picture has no pixels");
  CheckPictureSize(w, h, limits);
  size.width = static_cast<int>(w);
  size.height = static_cast<int>(h);
  return size;
}

void PlayMetafile(std::span<const std::uint8_t> file, const MetafileSize& size,
                  meta::Canvas& canvas, const DecodeLimits& limits) {
  meta::Player player(size, canvas);
  if (size.kind == MetafileKind::kEnhanced)
    meta::PlayEnhancedRecords(file, player, limits);
  else
    meta::PlayOldRecords(file, size, player, limits);
}

Picture PlayingMetafileReader::Read(std::span<const std::uint8_t> file,
                                    const DecodeLimits& limits) const {
  const MetafileSize size = MeasureMetafile(file, limits);
  Picture out(size.width, size.height, 24);
  std::memset(out.rawData(), 255, out.byteSize());
  {
    std::unique_ptr<meta::Canvas> canvas = makeCanvas_(out);
    PlayMetafile(file, size, *canvas, limits);
  }
  out.markAllWritten();
  return out;
}

}  // namespace drollo::formats
