#include "platform/metafile_painter_qt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats/metafile_player.h"

namespace drollo::platform {
namespace {

namespace meta = formats::meta;

QColor Colour(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QPointF Q(meta::Point p) {
  return QPointF(p.x, p.y);
}

QPainterPath ToQPath(const meta::Path& path, bool winding) {
  QPainterPath q;
  q.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
  std::size_t i = 0;
  for (meta::Path::Op op : path.ops) {
    switch (op) {
      case meta::Path::Op::kMove:
        q.moveTo(Q(path.points[i++]));
        break;
      case meta::Path::Op::kLine:
        q.lineTo(Q(path.points[i++]));
        break;
      case meta::Path::Op::kCubic:
        q.cubicTo(Q(path.points[i]), Q(path.points[i + 1]), Q(path.points[i + 2]));
        i += 3;
        break;
      case meta::Path::Op::kClose:
        q.closeSubpath();
        break;
    }
  }
  return q;
}

Qt::BrushStyle HatchStyle(meta::Hatch h) {
  switch (h) {
    case meta::Hatch::kHorizontal:
      return Qt::HorPattern;
    case meta::Hatch::kVertical:
      return Qt::VerPattern;
    case meta::Hatch::kForwardDiagonal:
      return Qt::FDiagPattern;
    case meta::Hatch::kBackwardDiagonal:
      return Qt::BDiagPattern;
    case meta::Hatch::kCross:
      return Qt::CrossPattern;
    case meta::Hatch::kDiagCross:
      return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

QImage ToImage(const Picture& bgr24) {
  return QImage(bgr24.row(0), bgr24.width(), bgr24.height(), static_cast<int>(bgr24.stride()),
                QImage::Format_BGR888);
}

QPainter::CompositionMode SourceMode(std::uint32_t rop) {
  switch (rop) {
    case meta::kSrcAnd:
      return QPainter::RasterOp_SourceAndDestination;
    case meta::kSrcPaint:
      return QPainter::RasterOp_SourceOrDestination;
    case meta::kSrcInvert:
      return QPainter::RasterOp_SourceXorDestination;
    case meta::kNotSrcCopy:
      return QPainter::RasterOp_NotSource;
    case 0x00440328u:
      return QPainter::RasterOp_SourceAndNotDestination;  // SRCERASE
    default:
      return QPainter::CompositionMode_Source;
  }
}

}  // namespace

QtMetafileCanvas::QtMetafileCanvas(Picture& picture) : picture_(picture) {
  image_ =
      QImage(std::max(1, picture.width()), std::max(1, picture.height()), QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y) {
    const std::uint8_t* s = picture.row(y);
    QRgb* d = reinterpret_cast<QRgb*>(image_.scanLine(y));
    for (int x = 0; x < picture.width(); ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
  }
  painter_ = std::make_unique<QPainter>(&image_);
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, false);
}

QtMetafileCanvas::~QtMetafileCanvas() {
  painter_->end();
  painter_.reset();
  for (int y = 0; y < picture_.height(); ++y) {
    const QRgb* s = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    std::uint8_t* d = picture_.mutableRow(y);
    for (int x = 0; x < picture_.width(); ++x, d += 3) {
      d[0] = static_cast<std::uint8_t>(qBlue(s[x]));
      d[1] = static_cast<std::uint8_t>(qGreen(s[x]));
      d[2] = static_cast<std::uint8_t>(qRed(s[x]));
    }
  }
}

QBrush QtMetafileCanvas::toBrush(const meta::Brush& brush) const {
  switch (brush.style) {
    case meta::BrushStyle::kSolid:
      return QBrush(Colour(brush.colour));
    case meta::BrushStyle::kHatched:
      return QBrush(Colour(brush.colour), HatchStyle(brush.hatch));
    case meta::BrushStyle::kPattern:
      if (brush.pattern && !brush.pattern->empty()) return QBrush(ToImage(*brush.pattern).copy());
      return QBrush(Qt::gray);
    case meta::BrushStyle::kNull:
      break;
  }
  return QBrush(Qt::NoBrush);
}

void QtMetafileCanvas::fill(const meta::Path& path, const meta::Brush& brush, bool winding,
                            const meta::Background& bg) {
  if (brush.style == meta::BrushStyle::kNull) return;
  const QPainterPath q = ToQPath(path, winding);
  // The gaps of a hatch show the background colour in opaque mode.
  if (brush.style == meta::BrushStyle::kHatched && bg.opaque)
    painter_->fillPath(q, QBrush(Colour(bg.colour)));
  painter_->fillPath(q, toBrush(brush));
}

void QtMetafileCanvas::stroke(const meta::Path& path, const meta::Pen& pen,
                              const meta::Background& bg) {
  Qt::PenStyle style = Qt::SolidLine;
  switch (pen.style) {
    case meta::PenStyle::kDash:
      style = Qt::DashLine;
      break;
    case meta::PenStyle::kDot:
      style = Qt::DotLine;
      break;
    case meta::PenStyle::kDashDot:
      style = Qt::DashDotLine;
      break;
    case meta::PenStyle::kDashDotDot:
      style = Qt::DashDotDotLine;
      break;
    case meta::PenStyle::kNull:
      return;
    default:
      break;
  }
  const Qt::PenCapStyle cap = pen.cap == meta::LineCap::kFlat     ? Qt::FlatCap
                              : pen.cap == meta::LineCap::kSquare ? Qt::SquareCap
                                                                  : Qt::RoundCap;
  const Qt::PenJoinStyle join = pen.join == meta::LineJoin::kBevel   ? Qt::BevelJoin
                                : pen.join == meta::LineJoin::kMiter ? Qt::MiterJoin
                                                                     : Qt::RoundJoin;
  QPen qpen(QBrush(Colour(pen.colour)), pen.width, style, cap, join);
  if (pen.width <= 1) qpen.setCosmetic(true);
  painter_->save();
  if (style != Qt::SolidLine) {
    painter_->setBackgroundMode(bg.opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_->setBackground(QBrush(Colour(bg.colour)));
  }
  painter_->strokePath(ToQPath(path, false), qpen);
  painter_->restore();
}

void QtMetafileCanvas::text(const meta::Text& t) {
  painter_->save();
  if (t.clipBox) {
    const Rect& r = *t.clipBox;
    painter_->setClipRect(QRect(r.left, r.top, r.width(), r.height()), Qt::IntersectClip);
  }
  if (t.opaqueBox) {
    const Rect& r = *t.opaqueBox;
    painter_->fillRect(QRect(r.left, r.top, r.width(), r.height()), Colour(t.background.colour));
  }
  if (t.text.empty()) {
    painter_->restore();
    return;
  }
  QFont font;
  if (!t.font.face.empty()) font.setFamily(QString::fromStdString(t.font.face));
  font.setStyleStrategy(QFont::NoAntialias);
  const double height = t.font.height == 0 ? -16 : t.font.height;
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(std::abs(height)))));
  if (height > 0) {
    // A positive height is the whole cell; the em is that much smaller.
    const double cell = QFontMetricsF(font).height();
    if (cell > 0)
      font.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
  }
  if (t.font.weight > 0)
    font.setWeight(static_cast<QFont::Weight>(std::clamp(t.font.weight, 1, 1000)));
  font.setItalic(t.font.italic);
  font.setUnderline(t.font.underline);
  font.setStrikeOut(t.font.strikeout);
  if (t.font.width > 0) {
    const double average = QFontMetricsF(font).averageCharWidth();
    if (average > 0)
      font.setStretch(
          std::clamp(static_cast<int>(std::lround(t.font.width / average * 100)), 1, 4000));
  }
  painter_->setFont(font);
  const QFontMetricsF metrics(font);
  const QString text = QString::fromUtf16(t.text.data(), static_cast<qsizetype>(t.text.size()));

  double width = 0;
  if (!t.advances.empty())
    for (double a : t.advances) width += a;
  else
    width = metrics.horizontalAdvance(text);
  double x = 0, y = 0;
  switch (t.align & 6) {
    case meta::kAlignRight:
      x = -width;
      break;
    case meta::kAlignCenter:
      x = -width / 2;
      break;
    default:
      break;
  }
  switch (t.align & 24) {
    case meta::kAlignBaseline:
      break;
    case meta::kAlignBottom:
      y = -metrics.descent();
      break;
    default:
      y = metrics.ascent();
      break;
  }
  painter_->translate(t.origin.x, t.origin.y);
  painter_->rotate(-t.font.escapement);
  painter_->setPen(Colour(t.colour));
  if (t.background.opaque && !t.opaqueBox)
    painter_->fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()),
                       Colour(t.background.colour));
  if (t.advances.empty()) {
    painter_->drawText(QPointF(x, y), text);
  } else {
    double at = x;
    for (std::size_t i = 0; i < t.text.size() && i < t.advances.size(); ++i) {
      painter_->drawText(QPointF(at, y), QString(QChar(t.text[i])));
      at += t.advances[i];
    }
  }
  painter_->restore();
}

void QtMetafileCanvas::bitmap(const Picture& bitmap, const Rect& source, meta::Point topLeft,
                              meta::Point topRight, meta::Point bottomLeft, std::uint32_t rop) {
  if (source.empty()) return;
  const double sw = source.width(), sh = source.height();
  const QTransform place((topRight.x - topLeft.x) / sw, (topRight.y - topLeft.y) / sw,
                         (bottomLeft.x - topLeft.x) / sh, (bottomLeft.y - topLeft.y) / sh,
                         topLeft.x, topLeft.y);
  if (!place.isInvertible()) return;
  painter_->save();
  painter_->setTransform(place);
  painter_->setCompositionMode(SourceMode(rop));
  const QImage image = ToImage(bitmap);
  painter_->drawImage(QRectF(0, 0, sw, sh), image,
                      QRectF(source.left, source.top, source.width(), source.height()));
  painter_->restore();
}

void QtMetafileCanvas::pattern(const meta::Path& area, const meta::Brush& brush,
                               std::uint32_t rop) {
  const QPainterPath q = ToQPath(area, false);
  painter_->save();
  switch (rop) {
    case meta::kBlackness:
      painter_->fillPath(q, Qt::black);
      break;
    case meta::kWhiteness:
      painter_->fillPath(q, Qt::white);
      break;
    case meta::kDstInvert:
      painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
      painter_->fillPath(q, Qt::black);
      break;
    case 0x005A0049u:  // PATINVERT
      painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter_->fillPath(q, toBrush(brush));
      break;
    case 0x00AA0029u:  // the destination left as it is
      break;
    default:
      painter_->fillPath(q, toBrush(brush));
      break;
  }
  painter_->restore();
}

void QtMetafileCanvas::clip(const std::vector<meta::Path>& rectangles) {
  if (rectangles.empty()) {
    painter_->setClipping(false);
    return;
  }
  painter_->setClipPath(ToQPath(rectangles.front(), true));
  for (std::size_t i = 1; i < rectangles.size(); ++i)
    painter_->setClipPath(ToQPath(rectangles[i], true), Qt::IntersectClip);
}

const formats::MetafileReader& QtMetafileReader() {
  static const formats::PlayingMetafileReader reader(
      [](Picture& picture) { return std::make_unique<QtMetafileCanvas>(picture); });
  return reader;
}

void InstallQtMetafileReader() {
  formats::InstallMetafileReader(&QtMetafileReader());
}

}  // namespace drollo::platform
