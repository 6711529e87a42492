// Conversions between the program's pictures and Qt's images, and Qt text from the models' UTF-8
// strings.
#pragma once

#include <QImage>
#include <QString>
#include <string>

#include "image/picture.h"
#include "image/pixel_math.h"

namespace drollo::platform {

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
inline QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
  return s.toStdString();
}

// A QImage that shows the picture's own pixels without copying them, for 24-bit and 32-bit
// pictures; a null image for other depths and for a blank picture, whose rows are one row.
// Valid only while the picture is not changed.
QImage WrapPicture(const Picture& picture);
// A copy of any picture as a QImage.
QImage ToQImage(const Picture& picture);
// A QImage as a 24-bit working picture (blue, green, red).
Picture FromQImage(const QImage& image);

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

}  // namespace drollo::platform
