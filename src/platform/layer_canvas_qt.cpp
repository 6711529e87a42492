#include "platform/layer_canvas_qt.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QVector>

namespace drollo::platform {

namespace {

// The part `r` of the layer's rows seen by Qt, marked written. Rows are packed, so the stride is
// width x 4, which keeps every row 32-bit aligned; the fourth byte means nothing to the layer and
// Qt treats it as padding. Only the part is taken from the snapshots that read the layer in place.
QImage WrapLayer(TBitmap32& layer, const Rect& r) {
  const MutableView v = layer.region(r);
  return QImage(v.data, v.bounds.width(), v.bounds.height(), static_cast<qsizetype>(v.stride),
                QImage::Format_RGB32);
}

QPen LayerQPen(const outline::LayerPen& pen) {
  QPen q(QColor(RedOf(pen.Color), GreenOf(pen.Color), BlueOf(pen.Color)));
  if (pen.Width <= 1) {
    // A cosmetic one-pixel pen: the line stops one point short of its end, and a dashed pen
    // shows its dashes.
    q.setWidth(1);
    q.setCapStyle(Qt::FlatCap);
    if (pen.Style == outline::PenStyle::Dash) q.setDashPattern(QVector<qreal>{18, 6});
  } else {
    // Wide pens draw solid whatever their style, with round ends and joins.
    q.setWidth(pen.Width);
    q.setCapStyle(Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
  }
  return q;
}

template <std::size_t N>
void Paint(TBitmap32& layer, const outline::LayerPen& pen,
           const std::array<outline::CanvasPoint, N>& points, auto draw) {
  if (layer.empty()) return;
  const Rect touched = outline::StrokeBounds(points, pen.Width).intersected(layer.rect());
  if (touched.empty()) return;
  QImage image = WrapLayer(layer, touched);
  QPainter painter(&image);
  painter.translate(-touched.left, -touched.top);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(LayerQPen(pen));
  painter.setBrush(Qt::NoBrush);
  draw(painter);
}

}  // namespace

void QtLayerCanvas::DrawLine(TBitmap32& layer, const outline::LayerPen& pen,
                             outline::CanvasPoint from, outline::CanvasPoint to) {
  const std::array<outline::CanvasPoint, 2> points{from, to};
  Paint(layer, pen, points, [&](QPainter& painter) {
    if (from == to && pen.Width <= 1) return;  // a one-pixel line without length draws nothing
    painter.drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
  });
}

void QtLayerCanvas::DrawBezier(TBitmap32& layer, const outline::LayerPen& pen,
                               const std::array<outline::CanvasPoint, 4>& points) {
  Paint(layer, pen, points, [&](QPainter& painter) {
    QPainterPath path(QPointF(points[0].x, points[0].y));
    path.cubicTo(QPointF(points[1].x, points[1].y), QPointF(points[2].x, points[2].y),
                 QPointF(points[3].x, points[3].y));
    painter.drawPath(path);
  });
}

}  // namespace drollo::platform
