// The desktop at the screen's pixel ratio: CTest runs these cases once at 100 % and once at 200 %
// scaling (QT_SCALE_FACTOR=2), and every expectation is the same at both. A pointer position
// reaches the same picture pixel, the picture fills the size its zoom says with whole device
// pixels and no smoothing, and the pictures drawn in code have as many pixels as the screen.
#include <QCursor>
#include <QMouseEvent>
#include <QTabWidget>
#include <QtMath>
#include <cmath>
#include <cstdint>

#include "desktop_fixture.h"
#include "platform/artwork.h"
#include "platform/qt_pictures.h"
#include "support/pictures.h"

namespace drollo::test {
namespace {

class HighDensity : public DesktopWindow {
 protected:
  qreal ratio() const { return window.devicePixelRatioF(); }

  void mouse(QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, p, client()->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(client(), &e);
  }
  void zoom(const char* button, int times) {
    for (int i = 0; i < times; ++i) QTest::mouseClick(window.toolButton(button), Qt::LeftButton);
  }
  // A picture of unrelated neighbouring colours, so a colour blended from two pixels shows.
  void pasteNoise() {
    Picture noise(160, 120, 24);
    std::uint32_t seed = 12345;
    for (int y = 0; y < noise.height(); ++y)
      for (int x = 0; x < noise.width(); ++x) {
        seed = seed * 1664525u + 1013904223u;
        noise.setPixel(x, y, static_cast<TColor>(seed >> 8 & 0xFFFFFF));
      }
    clipboard.content = noise;
    keys(Qt::Key_V);
  }
};

// Every device pixel of a screen pixel (one at 100 %, four at 200 %) presses the picture pixel
// that screen pixel shows, at every zoom.
TEST_F(HighDensity, EveryDevicePixelOfAScreenPixelPressesItsPicturePixel) {
  const int steps = qCeil(ratio());
  for (const auto& [button, times] :
       {std::pair("SpeedButton9", 0), std::pair("SpeedButton9", 2), std::pair("SpeedButton8", 4)}) {
    zoom(button, times);
    const double percent = state().ZoomPercent;
    for (const QPoint X : {QPoint(0, 0), QPoint(57, 41), QPoint(101, 99)}) {
      const Point expected{Round(X.x() / percent * 100), Round(X.y() / percent * 100)};
      for (int k = 0; k < steps; ++k) {
        const QPointF p = QPointF(at(X.x(), X.y())) + QPointF(k, k) / ratio();
        mouse(QEvent::MouseButtonPress, p, Qt::LeftButton);
        EXPECT_EQ(state().WarpCentre, expected)
            << "zoom " << percent << ", pixel " << X.x() << "," << X.y() << " + " << k;
        mouse(QEvent::MouseButtonRelease, p, Qt::NoButton);
      }
    }
  }
}

// At 100 % each picture pixel is a block of ratio x ratio device pixels of its own colour; zoomed
// in, and at 64 % where a 200 % screen still has more pixels than the picture, every device
// pixel shows the colour of a picture pixel beside it, never a blend.
TEST_F(HighDensity, ThePictureIsShownInWholeDevicePixelsWithoutSmoothing) {
  pasteNoise();
  const Picture& picture = state().WorkingPicture;
  auto colourAt = [&](int x, int y) { return platform::ToQColor(picture.pixel(x, y)).rgb(); };
  for (const auto& [button, times] :
       {std::pair("SpeedButton9", 0), std::pair("SpeedButton9", 1), std::pair("SpeedButton8", 3)}) {
    zoom(button, times);
    const double scale = state().ZoomPercent / 100 * ratio();  // device pixels per picture pixel
    const QRect shown = view().imageRect();
    EXPECT_EQ(shown.width(), DisplayLength(picture.width(), state().ZoomPercent));
    if (scale < 1) continue;  // reduced: averaging is what shows every pixel
    const QImage shot = client()->grab().toImage();
    ASSERT_EQ(shot.size(), client()->size() * ratio());
    int blended = 0, exact = 0;
    const QPoint origin = shown.topLeft() * ratio();
    for (int dy = 0; dy < 60; ++dy)
      for (int dx = 0; dx < 60; ++dx) {
        const int x = int(dx / scale), y = int(dy / scale);
        bool found = false;
        for (int ny = std::max(0, y - 1); ny <= y + 1 && !found; ++ny)
          for (int nx = std::max(0, x - 1); nx <= x + 1 && !found; ++nx)
            found = shot.pixel(origin.x() + dx, origin.y() + dy) == colourAt(nx, ny);
        blended += !found;
        exact += shot.pixel(origin.x() + dx, origin.y() + dy) == colourAt(x, y);
      }
    EXPECT_EQ(blended, 0) << "zoom " << state().ZoomPercent;
    if (scale == std::floor(scale)) {
      EXPECT_EQ(exact, 3600) << "zoom " << state().ZoomPercent;
    }
  }
}

// The tool bar's and the palette's pictures are drawn at the screen's pixels (32 x 32 for a
// 16 x 16 button picture at 200 %), not enlarged from a plain screen's picture.
TEST_F(HighDensity, ButtonPicturesAreDrawnAtTheScreensPixels) {
  for (QToolButton* b : {window.toolButton("SpeedButton3"), window.toolButton("SpeedButton7"),
                         palette<QToolButton>("Tools.SpeedButton1")}) {
    const QPixmap shown = b->icon().pixmap(b->iconSize(), ratio());
    EXPECT_EQ(shown.size(), b->iconSize() * ratio());
    EXPECT_EQ(shown.devicePixelRatio(), ratio());
    // Drawn afresh at the density, the picture has detail within each block of ratio x ratio
    // device pixels that an enlargement of the plain picture would fill with one colour.
    const QImage fine = shown.toImage();
    const QImage plain = b->icon().pixmap(b->iconSize(), 1.0).toImage();
    const QImage enlarged =
        plain.scaled(fine.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (ratio() > 1) {
      EXPECT_NE(fine.convertToFormat(QImage::Format_ARGB32),
                enlarged.convertToFormat(QImage::Format_ARGB32))
          << b->objectName().toStdString();
    }
    // And what the button paints on the screen is that picture, pixel for pixel.
    const QImage button = b->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage icon = fine.convertToFormat(QImage::Format_ARGB32);
    bool painted = false;
    for (int oy = 0; oy + icon.height() <= button.height() && !painted; ++oy)
      for (int ox = 0; ox + icon.width() <= button.width() && !painted; ++ox) {
        bool same = true;
        for (int y = 0; y < icon.height() && same; ++y)
          for (int x = 0; x < icon.width() && same; ++x)
            if (qAlpha(icon.pixel(x, y)) == 255)
              same = icon.pixel(x, y) == button.pixel(ox + x, oy + y);
        painted = same;
      }
    EXPECT_TRUE(painted) << b->objectName().toStdString();
  }
}

TEST_F(HighDensity, ThePenCursorHasTheScreensPixelsAndItsTipAsHotSpot) {
  window.tools()->notebook()->setCurrentIndex(3);
  palette("Tools.SpeedButton15")->click();
  QTest::mouseMove(client(), at(80, 80));
  const QCursor cursor = client()->cursor();
  ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32) * ratio());
  EXPECT_EQ(cursor.pixmap().devicePixelRatio(), ratio());
  EXPECT_EQ(cursor.hotSpot(), QPoint(1, 30));
}

}  // namespace
}  // namespace drollo::test
