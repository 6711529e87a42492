#include "platform/qt_pictures.h"

#include <QColor>
#include <algorithm>

namespace drollo::platform {

namespace {

// The QImage format with the picture's bytes in memory, or Format_Invalid.
QImage::Format SameBytesFormat(const Picture& picture) {
  switch (picture.bitsPerPixel()) {
    case 24:
      return QImage::Format_BGR888;
    case 32:
      // Blue, green, red, unused in memory is Qt's 0xffRRGGBB word on a little-endian machine.
      return QImage::Format_RGB32;
    default:
      return QImage::Format_Invalid;
  }
}

}  // namespace

QImage WrapPicture(const Picture& picture) {
  const QImage::Format format = SameBytesFormat(picture);
  if (picture.empty() || picture.blank() || format == QImage::Format_Invalid) return QImage();
  return QImage(picture.row(0), picture.width(), picture.height(),
                static_cast<int>(picture.stride()), format);
}

QImage ToQImage(const Picture& picture) {
  if (picture.empty()) return QImage();
  const QImage wrapped = WrapPicture(picture);
  if (!wrapped.isNull()) return wrapped.copy();
  const QImage::Format format = SameBytesFormat(picture);
  if (format != QImage::Format_Invalid) {
    // A blank picture: its one row, row after row.
    QImage image(picture.width(), picture.height(), format);
    for (int y = 0; y < picture.height(); ++y)
      std::copy_n(picture.row(y), picture.stride(), image.scanLine(y));
    return image;
  }
  const Picture bgr = ToBgr24(picture);
  return QImage(bgr.row(0), bgr.width(), bgr.height(), static_cast<int>(bgr.stride()),
                QImage::Format_BGR888)
      .copy();
}

Picture FromQImage(const QImage& image) {
  if (image.isNull()) return Picture();
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  Picture p(bgr.width(), bgr.height(), 24);
  const std::size_t bytes = static_cast<std::size_t>(bgr.width()) * 3;
  for (int y = 0; y < bgr.height(); ++y) std::copy_n(bgr.constScanLine(y), bytes, p.mutableRow(y));
  return p;
}

QColor ToQColor(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

TColor FromQColor(const QColor& c) {
  return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) |
         (static_cast<TColor>(c.blue()) << 16);
}

}  // namespace drollo::platform
