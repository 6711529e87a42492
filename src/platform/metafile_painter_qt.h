// Metafiles played with QPainter: the canvas of the metafile player painted by Qt, and the
// metafile reader the program opens .wmf and .emf files with.
#pragma once

#include <QImage>
#include <QPainter>
#include <memory>

#include "formats/metafile.h"
#include "formats/metafile_canvas.h"
#include "image/picture.h"

namespace drollo::platform {

// Paints on a 32-bit copy of a 24-bit picture and writes the result back into the picture when
// destroyed. Drawing is not smoothed, as on the devices metafiles are made for.
class QtMetafileCanvas : public formats::meta::Canvas {
 public:
  explicit QtMetafileCanvas(Picture& picture);
  ~QtMetafileCanvas() override;

  void fill(const formats::meta::Path& path, const formats::meta::Brush& brush, bool winding,
            const formats::meta::Background& bg) override;
  void stroke(const formats::meta::Path& path, const formats::meta::Pen& pen,
              const formats::meta::Background& bg) override;
  void text(const formats::meta::Text& text) override;
  void bitmap(const Picture& bitmap, const Rect& source, formats::meta::Point topLeft,
              formats::meta::Point topRight, formats::meta::Point bottomLeft,
              std::uint32_t rop) override;
  void pattern(const formats::meta::Path& area, const formats::meta::Brush& brush,
               std::uint32_t rop) override;
  void clip(const std::vector<formats::meta::Path>& rectangles) override;

 private:
  QBrush toBrush(const formats::meta::Brush& brush) const;

  Picture& picture_;
  QImage image_;
  std::unique_ptr<QPainter> painter_;
};

// Reads both kinds of metafile and plays every drawing record with QtMetafileCanvas.
const formats::MetafileReader& QtMetafileReader();
// Makes QtMetafileReader the reader LoadPictureFile uses by default; programs call it at start-up.
void InstallQtMetafileReader();

}  // namespace drollo::platform
