// Button pictures are drawn on a 16 x 16 grid on a transparent background with a dark outline, so
// they read on light and dark styles alike. They are vector drawings: an icon renders its picture
// at exactly the pixel size asked for (16 x 16 device-independent pixels are 32 x 32 device pixels
// at 200 %), instead of enlarging a picture drawn for a plain screen.
#include "platform/artwork.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>

namespace drollo::platform {
namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 48);

QPen InkPen(qreal w = 1.2) {
  return QPen(kInk, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Arrow(QPainter& p, QPointF from, QPointF to, qreal head = 3.0) {
  p.drawLine(from, to);
  const QPointF d = to - from;
  const qreal len = std::hypot(d.x(), d.y());
  if (len == 0) return;
  const QPointF u = d / len, n(-u.y(), u.x());
  QPolygonF tip;
  tip << to << to - u * head + n * head * 0.7 << to - u * head - n * head * 0.7;
  p.save();
  p.setBrush(p.pen().color());
  p.drawPolygon(tip);
  p.restore();
}

void Magnifier(QPainter& p, bool plus) {
  p.setPen(InkPen(1.6));
  p.setBrush(QColor(210, 232, 250));
  p.drawEllipse(QPointF(6.5, 6.5), 4.8, 4.8);
  p.setPen(QPen(QColor(120, 80, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10.2, 10.2), QPointF(14.5, 14.5));
  p.setPen(InkPen(1.4));
  p.drawLine(QPointF(4.2, 6.5), QPointF(8.8, 6.5));
  if (plus) p.drawLine(QPointF(6.5, 4.2), QPointF(6.5, 8.8));
}

void CurvedArrow(QPainter& p, bool left) {
  p.setPen(QPen(QColor(30, 110, 200), 2.0, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  if (left) {
    path.moveTo(13.5, 13);
    path.cubicTo(14.5, 6, 9, 4, 4.5, 6.5);
  } else {
    path.moveTo(2.5, 13);
    path.cubicTo(1.5, 6, 7, 4, 11.5, 6.5);
  }
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 110, 200));
  QPolygonF head;
  if (left)
    head << QPointF(2, 7.5) << QPointF(7, 3) << QPointF(7.5, 10);
  else
    head << QPointF(14, 7.5) << QPointF(9, 3) << QPointF(8.5, 10);
  p.drawPolygon(head);
}

void SwirlPicture(QPainter& p, bool clockwise) {
  p.setPen(QPen(QColor(140, 60, 170), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  const double c = 8.0;
  for (int i = 0; i <= 60; ++i) {
    const double t = i / 60.0 * 2.6 * 3.14159265;
    const double r = 0.6 + i / 60.0 * 6.0;
    const double a = clockwise ? t : -t;
    const QPointF pt(c + r * std::cos(a), c + r * std::sin(a));
    if (i == 0)
      path.moveTo(pt);
    else
      path.lineTo(pt);
  }
  p.drawPath(path);
  const QPointF end = path.currentPosition();
  const QPointF prev = path.pointAtPercent(0.96);
  p.setPen(QPen(QColor(140, 60, 170), 1.6));
  Arrow(p, prev, end, 3.2);
}

const std::map<std::string, Draw, std::less<>>& Pictures() {
  static const std::map<std::string, Draw, std::less<>> pictures = {
      // Open: a folder.
      {"SpeedButton3",
       [](QPainter& p) {
         p.setPen(InkPen());
         p.setBrush(QColor(240, 200, 90));
         QPolygonF back;
         back << QPointF(1.5, 3.5) << QPointF(6, 3.5) << QPointF(7.5, 5) << QPointF(13.5, 5)
              << QPointF(13.5, 13.5) << QPointF(1.5, 13.5);
         p.drawPolygon(back);
         p.setBrush(QColor(252, 222, 120));
         QPolygonF front;
         front << QPointF(3.5, 7.5) << QPointF(15, 7.5) << QPointF(13.5, 13.5)
               << QPointF(1.5, 13.5);
         p.drawPolygon(front);
       }},
      // Save: a floppy disk.
      {"SpeedButton4",
       [](QPainter& p) {
         p.setPen(InkPen());
         p.setBrush(QColor(60, 100, 170));
         p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
         p.setBrush(QColor(235, 235, 240));
         p.drawRect(QRectF(4, 1.5, 8, 5));
         p.setBrush(Qt::white);
         p.drawRect(QRectF(3.5, 9, 9, 5.5));
         p.setPen(Qt::NoPen);
         p.setBrush(kInk);
         p.drawRect(QRectF(9.5, 2.5, 1.5, 3));
       }},
      {"SpeedButton5", [](QPainter& p) { CurvedArrow(p, true); }},
      {"SpeedButton10", [](QPainter& p) { CurvedArrow(p, false); }},
      // Renew: two arrows chasing each other round a circle.
      {"SpeedButton6",
       [](QPainter& p) {
         p.setPen(QPen(QColor(40, 150, 70), 1.8, Qt::SolidLine, Qt::RoundCap));
         p.setBrush(Qt::NoBrush);
         p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 150 * 16);
         p.drawArc(QRectF(2.5, 2.5, 11, 11), 210 * 16, 150 * 16);
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(40, 150, 70));
         QPolygonF a, b;
         a << QPointF(12.5, 2) << QPointF(15, 6.5) << QPointF(10, 6.5);
         b << QPointF(3.5, 14) << QPointF(1, 9.5) << QPointF(6, 9.5);
         p.drawPolygon(a);
         p.drawPolygon(b);
       }},
      {"SpeedButton8", [](QPainter& p) { Magnifier(p, false); }},
      {"SpeedButton9", [](QPainter& p) { Magnifier(p, true); }},
      // Select a region to crop: a dashed frame with a corner handle.
      {"SpeedButton2",
       [](QPainter& p) {
         QPen pen(kInk, 1.2, Qt::DashLine);
         pen.setDashPattern({2.0, 1.5});
         p.setPen(pen);
         p.setBrush(QColor(200, 225, 250, 120));
         p.drawRect(QRectF(2.5, 3.5, 11, 9));
         p.setPen(InkPen());
         p.setBrush(Qt::white);
         p.drawRect(QRectF(12, 11, 3, 3));
       }},
      // Crop to the selection: scissors.
      {"SpeedButton11",
       [](QPainter& p) {
         p.setPen(InkPen(1.4));
         p.drawLine(QPointF(4, 1.5), QPointF(11, 10.5));
         p.drawLine(QPointF(12, 1.5), QPointF(5, 10.5));
         p.setBrush(QColor(220, 60, 60));
         p.drawEllipse(QPointF(4, 12.5), 2.4, 2.4);
         p.drawEllipse(QPointF(12, 12.5), 2.4, 2.4);
       }},
      // Print: a printer with a sheet.
      {"SpeedButton16",
       [](QPainter& p) {
         p.setPen(InkPen());
         p.setBrush(Qt::white);
         p.drawRect(QRectF(4.5, 1.5, 7, 5));
         p.setBrush(QColor(150, 155, 165));
         p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1.5, 1.5);
         p.setBrush(Qt::white);
         p.drawRect(QRectF(4.5, 10, 7, 4.5));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(80, 200, 80));
         p.drawRect(QRectF(12, 7.5, 1.5, 1.2));
       }},
      // Send to a friend: an envelope.
      {"SpeedButton1",
       [](QPainter& p) {
         p.setPen(InkPen());
         p.setBrush(QColor(255, 250, 235));
         p.drawRect(QRectF(1.5, 3.5, 13, 9));
         p.setBrush(Qt::NoBrush);
         p.drawPolyline(QPolygonF() << QPointF(1.5, 3.5) << QPointF(8, 9) << QPointF(14.5, 3.5));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(220, 60, 60));
         QPainterPath heart;
         heart.moveTo(8, 13.5);
         heart.cubicTo(3, 10.5, 5, 7, 8, 9.5);
         heart.cubicTo(11, 7, 13, 10.5, 8, 13.5);
         p.drawPath(heart);
       }},
      // Online: a globe.
      {"SpeedButton7",
       [](QPainter& p) {
         QRadialGradient g(QPointF(6, 5), 8);
         g.setColorAt(0, QColor(150, 210, 255));
         g.setColorAt(1, QColor(30, 110, 200));
         p.setPen(InkPen());
         p.setBrush(g);
         p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
         p.setBrush(Qt::NoBrush);
         p.setPen(QPen(QColor(255, 255, 255, 200), 0.9));
         p.drawEllipse(QPointF(8, 8), 2.8, 6.5);
         p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
         p.drawLine(QPointF(2.6, 4.8), QPointF(13.4, 4.8));
         p.drawLine(QPointF(2.6, 11.2), QPointF(13.4, 11.2));
       }},
      // Palette, warp page: expand (arrows out of a sphere) and shrink (arrows into it).
      {"Tools.SpeedButton1",
       [](QPainter& p) {
         QRadialGradient g(QPointF(7, 7), 5);
         g.setColorAt(0, QColor(255, 240, 170));
         g.setColorAt(1, QColor(240, 150, 40));
         p.setPen(InkPen(1.0));
         p.setBrush(g);
         p.drawEllipse(QPointF(8, 8), 3.6, 3.6);
         p.setPen(QPen(QColor(200, 50, 40), 1.3));
         for (int i = 0; i < 8; ++i) {
           const double a = i * 3.14159265 / 4;
           Arrow(p, QPointF(8 + 4.5 * std::cos(a), 8 + 4.5 * std::sin(a)),
                 QPointF(8 + 7.5 * std::cos(a), 8 + 7.5 * std::sin(a)), 2.2);
         }
       }},
      {"Tools.SpeedButton2",
       [](QPainter& p) {
         QRadialGradient g(QPointF(7, 7), 3);
         g.setColorAt(0, QColor(200, 240, 255));
         g.setColorAt(1, QColor(40, 120, 210));
         p.setPen(InkPen(1.0));
         p.setBrush(g);
         p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
         p.setPen(QPen(QColor(30, 90, 180), 1.3));
         for (int i = 0; i < 8; ++i) {
           const double a = i * 3.14159265 / 4;
           Arrow(p, QPointF(8 + 7.5 * std::cos(a), 8 + 7.5 * std::sin(a)),
                 QPointF(8 + 3.6 * std::cos(a), 8 + 3.6 * std::sin(a)), 2.2);
         }
       }},
      {"Tools.SpeedButton11", [](QPainter& p) { SwirlPicture(p, true); }},
      {"Tools.SpeedButton12", [](QPainter& p) { SwirlPicture(p, false); }},
      // Smudge: a finger pushing a smear of paint.
      {"Tools.SpeedButton3",
       [](QPainter& p) {
         QLinearGradient g(QPointF(1, 12), QPointF(11, 12));
         g.setColorAt(0, QColor(40, 120, 220, 40));
         g.setColorAt(1, QColor(40, 120, 220, 230));
         p.setPen(Qt::NoPen);
         p.setBrush(g);
         p.drawRoundedRect(QRectF(1, 9.5, 11, 5), 2.5, 2.5);
         p.setPen(InkPen(1.1));
         p.setBrush(QColor(250, 210, 175));
         QPainterPath finger;
         finger.moveTo(9, 12.5);
         finger.lineTo(14.5, 4);
         finger.lineTo(12, 2.5);
         finger.lineTo(7.5, 11);
         finger.closeSubpath();
         p.drawPath(finger);
         p.drawEllipse(QPointF(8.4, 11.8), 1.6, 1.6);
       }},
  };
  return pictures;
}

// The picture at `pixels` device pixels (a square of the smaller side), for a pixel ratio.
QPixmap Render(const Draw& draw, QSize pixels, qreal ratio) {
  const int side = std::min(pixels.width(), pixels.height());
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  {
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    draw(p);
  }
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

// The disabled state: the same picture in grey, lighter.
QPixmap Greyed(const QPixmap& source) {
  QImage img = source.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* px = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const int g = 128 + qGray(px[x]) / 2;
      px[x] = qRgba(g, g, g, qAlpha(px[x]) / 2);
    }
  }
  QPixmap out = QPixmap::fromImage(img);
  out.setDevicePixelRatio(source.devicePixelRatio());
  return out;
}

// An icon that draws its picture for each request: QIcon asks for the size in device pixels.
class DrawnIcon : public QIconEngine {
 public:
  explicit DrawnIcon(Draw draw) : draw_(std::move(draw)) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    const QPixmap normal = Render(draw_, size, 1.0);
    return mode == QIcon::Disabled ? Greyed(normal) : normal;
  }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device()->devicePixelRatioF();
    QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    picture.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect.topLeft(), picture);
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min(size.width(), size.height());
    return QSize(side, side);
  }
  QIconEngine* clone() const override { return new DrawnIcon(draw_); }
  QString key() const override { return QStringLiteral("drollo-drawn"); }

 private:
  Draw draw_;
};

}  // namespace

QIcon ButtonIcon(std::string_view name) {
  const auto& pictures = Pictures();
  const auto it = pictures.find(name);
  if (it == pictures.end()) return QIcon();
  return QIcon(new DrawnIcon(it->second));
}

QPixmap ProgramIconPixmap(int size, qreal ratio) {
  return Render(
      [](QPainter& p) {
        // A rounded tile with a bulging, grinning face: a photograph turned cartoon.
        QLinearGradient bg(QPointF(0, 0), QPointF(16, 16));
        bg.setColorAt(0, QColor(255, 190, 60));
        bg.setColorAt(1, QColor(235, 90, 50));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3.2, 3.2);
        p.setBrush(QColor(255, 246, 225));
        p.setPen(QPen(kInk, 0.7));
        p.drawEllipse(QPointF(8, 8.4), 5.6, 5.9);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(5.9, 7), 1.1, 1.5);
        p.drawEllipse(QPointF(10.3, 7), 1.6, 2.1);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 0.9, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(4.8, 7.2, 6.6, 4.6), 200 * 16, 150 * 16);
        p.setPen(QPen(QColor(40, 40, 48, 160), 0.6, Qt::DashLine));
        p.drawArc(QRectF(1.6, 1.6, 12.8, 12.8), 40 * 16, 100 * 16);
      },
      QSize(size, size) * ratio, ratio);
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ProgramIconPixmap(size));
  return icon;
}

QCursor PenCursor(qreal ratio) {
  // Drawn in device-independent pixels on a picture of the screen's density; the hot spot is
  // given in device-independent pixels too.
  QPixmap pixmap(QSize(32, 32) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // A fountain pen lying from the top right down to its nib at the bottom left.
  p.translate(1, 30);
  p.rotate(-45);
  p.setPen(QPen(Qt::white, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPolygonF body;
  body << QPointF(0, 0) << QPointF(8, -3.5) << QPointF(34, -3.5) << QPointF(34, 3.5)
       << QPointF(8, 3.5);
  p.drawPolygon(body);
  p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(30, 30, 30));
  p.drawPolygon(body);
  p.setBrush(QColor(210, 170, 60));
  QPolygonF nib;
  nib << QPointF(0, 0) << QPointF(8, -3.5) << QPointF(8, 3.5);
  p.drawPolygon(nib);
  p.end();
  return QCursor(pixmap, 1, 30);
}

}  // namespace drollo::platform
