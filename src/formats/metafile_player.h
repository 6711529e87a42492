// Playing Windows metafiles, old (placeable or not) and enhanced, onto a drawing canvas.
//
// The player reads the records, keeps the drawing state (objects, mapping, current position,
// paths, saved states) and hands the canvas finished drawing operations in picture pixels. The
// reader built on it takes the metafile's size in pixels, fills a 24-bit picture of that size
// with white and plays the metafile into it at (0, 0) through a canvas made on that picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "formats/errors.h"
#include "formats/metafile.h"
#include "formats/metafile_canvas.h"
#include "image/picture.h"

namespace drollo::formats {

enum class MetafileKind { kPlaceable, kPlain, kEnhanced };

struct MetafileSize {
  MetafileKind kind = MetafileKind::kPlain;
  int width = 0;  // pixels
  int height = 0;
};

// Tells the kind apart by content (placeable key, old header, enhanced signature) and finds the
// size in pixels: a placeable file's bounding box at its units per inch, shown at 96 dots per
// inch; a plain old file's window extent; an enhanced file's frame (hundredths of millimetres)
// at 96 dots per inch. Throws PictureFileError for files that are none of these, have no size,
// or are larger than the limits allow.
MetafileSize MeasureMetafile(std::span<const std::uint8_t> file, const DecodeLimits& limits);

// Plays the records onto the canvas, which covers size.width x size.height pixels. Unknown
// records are skipped; records that run past their own length or the file are errors.
void PlayMetafile(std::span<const std::uint8_t> file, const MetafileSize& size,
                  meta::Canvas& canvas, const DecodeLimits& limits);

// A metafile reader that plays the records through a canvas made for the new picture by
// `makeCanvas`; the canvas is destroyed before the picture is returned, so it may paint into a
// buffer of its own and copy it back then.
class PlayingMetafileReader : public MetafileReader {
 public:
  using CanvasMaker = std::function<std::unique_ptr<meta::Canvas>(Picture&)>;
  explicit PlayingMetafileReader(CanvasMaker makeCanvas) : makeCanvas_(std::move(makeCanvas)) {}
  Picture Read(std::span<const std::uint8_t> file, const DecodeLimits& limits) const override;

 private:
  CanvasMaker makeCanvas_;
};

}  // namespace drollo::formats
