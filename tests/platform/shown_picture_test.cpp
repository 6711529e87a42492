// What the work area paints of the picture is what a paint from nothing would show, at every zoom:
// the reduced and converted copies the view keeps between paints follow every change of the
// picture (a click's step, an undo, a new depth) and never show a stale part.
#include <QCheckBox>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <cmath>

#include "desktop_fixture.h"
#include "formats/file_types.h"
#include "formats/picture_file.h"
#include "image/resample.h"
#include "outline/layer_display.h"
#include "support/pictures.h"

namespace drollo::test {
namespace {

class ShownPicture : public DesktopWindow {
 protected:
  void zoom(const char* button, int times) {
    for (int i = 0; i < times; ++i) QTest::mouseClick(window.toolButton(button), Qt::LeftButton);
  }

  // The work area's client area as the screen shows it, once the window has painted what is
  // pending: what earlier paints left is kept where nothing asked for a repaint.
  QImage onScreen() {
    QTest::qWait(100);
    const QPoint at = client()->mapTo(&window, QPoint(0, 0));
    return window.screen()
        ->grabWindow(window.winId(), at.x(), at.y(), client()->width(), client()->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  // Compares the work area's client area, as the screen shows it, with the picture made
  // afresh at the display size: reduced, each device pixel the average of the picture pixels it
  // covers; otherwise the picture pixel under its centre. The brush circle's square is left out.
  void expectShownAfresh(const std::string& when, const Picture* shown = nullptr) {
    const qreal ratio = client()->devicePixelRatioF();
    const QRect target = view().imageRect();
    const QSize device(qRound(target.width() * ratio), qRound(target.height() * ratio));
    const Picture& picture = shown ? *shown : state().WorkingPicture;
    Picture afresh(device.width(), device.height(), 24);
    if (device.width() < picture.width() || device.height() < picture.height())
      AreaResampleInto(picture, device.width(), device.height(), afresh.region(afresh.rect()));
    else
      NearestResampleInto(picture, device.width(), device.height(), afresh.region(afresh.rect()));
    const QImage shot = onScreen();
    const QPoint origin = target.topLeft() * ratio;
    // With whole device pixels per pixel the brush circle is exactly its outline's pixels, each a
    // block of device pixels, in black; otherwise its square is left out.
    const auto& b = form().Work_area.BrushBounds;
    const bool brushShown = form().Work_area.BrushShown;
    const bool whole = ratio == std::floor(ratio);
    const QRect brush = brushShown && !whole ? QRect(QPoint(b.Left, b.Top) * ratio,
                                                     QPoint(b.Right, b.Bottom) * ratio)
                                                   .adjusted(-2, -2, 2, 2)
                                             : QRect();
    QRegion circle;
    if (brushShown && whole) {
      const int k = static_cast<int>(ratio);
      for (const PixelRun& r : BrushCircleRuns(b, Rect{0, 0, shot.width(), shot.height()}))
        circle += QRect(k * r.Left, k * r.Y, k * (r.Right - r.Left + 1), k);
    }
    int compared = 0, wrong = 0;
    for (int y = std::max(0, origin.y()); y < std::min(shot.height(), origin.y() + device.height());
         ++y)
      for (int x = std::max(0, origin.x()); x < std::min(shot.width(), origin.x() + device.width());
           ++x) {
        if (brush.contains(x, y)) continue;
        const TColor c = afresh.pixel(x - origin.x(), y - origin.y());
        const QRgb want =
            circle.contains(QPoint(x, y)) ? qRgb(0, 0, 0) : qRgb(RedOf(c), GreenOf(c), BlueOf(c));
        ++compared;
        if (shot.pixel(x, y) != want && ++wrong <= 3)
          ADD_FAILURE() << when << ": device pixel " << x << "," << y << " shows " << std::hex
                        << shot.pixel(x, y) << ", afresh " << want;
      }
    EXPECT_EQ(wrong, 0) << when;
    EXPECT_GT(compared, 10000) << when;
    // And the brush circle is drawn where it is: its leftmost point is black.
    if (form().Work_area.BrushShown) {
      const QPoint left = QPoint(b.Left, (b.Top + b.Bottom) / 2) * ratio;
      bool black = false;
      for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          black = black || shot.pixel(left + QPoint(dx, dy)) == qRgb(0, 0, 0);
      EXPECT_TRUE(black) << when << ": no brush circle at " << left.x() << "," << left.y();
    }
  }

  // A left click on the shown picture at (X, Y), which must change the picture.
  void clickChanging(int X, int Y) {
    const Picture before = state().WorkingPicture;
    leftClick(at(X, Y));
    EXPECT_FALSE(before.samePixels(state().WorkingPicture)) << "the click at " << X << "," << Y;
  }
};

TEST_F(ShownPicture, ClicksUndoRedoAndZoomsAtAReducedZoomShowWhatAFreshPaintShows) {
  clipboard.content = PatternPicture(1500, 1000, 3);
  keys(Qt::Key_V);
  zoom("SpeedButton8", 5);
  ASSERT_LT(state().ZoomPercent, 40);
  expectShownAfresh("zoomed out");
  clickChanging(100, 80);
  expectShownAfresh("after a click");
  // The brush circle follows the pointer and leaves nothing behind, also once the pointer is
  // over the picture already (entering it repaints the whole client area).
  QTest::mouseMove(client(), at(150, 120));
  QTest::mouseMove(client(), at(260, 170));
  ASSERT_TRUE(form().Work_area.BrushShown);
  expectShownAfresh("after the brush moved");
  QTest::mouseMove(client(), at(200, 100));
  QTest::mouseMove(client(), at(120, 190));
  expectShownAfresh("after the brush moved on");
  // A larger brush, its radius set on the palette's slider, has a circle of its own size.
  auto* radius = window.tools()->findChild<QSlider*>("TrackBar1");
  ASSERT_NE(radius, nullptr);
  const int before = state().ScreenRadius;
  QTest::keyClick(radius, Qt::Key_PageUp);
  ASSERT_GT(state().ScreenRadius, before);
  QTest::mouseMove(client(), at(180, 150));
  QTest::mouseMove(client(), at(170, 140));
  expectShownAfresh("with a larger brush");
  // Several clicks between two paints, one near the picture's edge.
  clickChanging(300, 200);
  clickChanging(5, 300);
  clickChanging(120, 90);
  expectShownAfresh("after three clicks");
  keys(Qt::Key_Z);
  expectShownAfresh("after an undo");
  keys(Qt::Key_Z);
  keys(Qt::Key_Z);
  expectShownAfresh("after two more undos");
  keys(Qt::Key_Y);
  expectShownAfresh("after a redo");
  zoom("SpeedButton9", 2);
  expectShownAfresh("zoomed in");
  clickChanging(200, 150);
  expectShownAfresh("after a click zoomed in");
  // Scrolled, the newly shown parts are made and the rest kept.
  ASSERT_GT(view().horizontalScrollBar()->maximum(), 50);
  view().horizontalScrollBar()->setValue(view().horizontalScrollBar()->maximum());
  expectShownAfresh("scrolled right");
  view().verticalScrollBar()->setValue(view().verticalScrollBar()->maximum());
  view().horizontalScrollBar()->setValue(20);
  expectShownAfresh("scrolled down and back left");
  clickChanging(250, 200);
  expectShownAfresh("after a click scrolled");
}

// Collects the regions the work area's client area is asked to paint.
class PaintedRegions : public QObject {
 public:
  explicit PaintedRegions(QWidget* w) { w->installEventFilter(this); }
  QRegion painted;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
};

// At 100 % a click repaints no more than it changed, but all of it: every picture pixel the step
// changed lies in what the client area painted after it.
TEST_F(ShownPicture, AClickAtFullSizePaintsEveryPixelItChanged) {
  clipboard.content = PatternPicture(700, 500, 5);
  keys(Qt::Key_V);
  ASSERT_EQ(state().ZoomPercent, 100);
  onScreen();
  for (const QPoint p : {QPoint(150, 120), QPoint(3, 250), QPoint(400, 300)}) {
    const Picture before = state().WorkingPicture;
    PaintedRegions regions(client());
    clickChanging(p.x(), p.y());
    onScreen();
    const Picture& after = state().WorkingPicture;
    int changed = 0, missed = 0;
    for (int y = 0; y < after.height(); ++y)
      for (int x = 0; x < after.width(); ++x)
        if (before.pixel(x, y) != after.pixel(x, y)) {
          ++changed;
          if (!regions.painted.contains(at(x, y)) && ++missed <= 3)
            ADD_FAILURE() << "pixel " << x << "," << y << " changed but was not painted";
        }
    EXPECT_GT(changed, 1000);
    EXPECT_EQ(missed, 0);
    // Not the whole client area, nor much more than the step's square.
    EXPECT_LT(regions.painted.boundingRect().width(), 2 * 100 + 20);
  }
  expectShownAfresh("after three clicks at full size");
}

// A depth the screen cannot show directly is converted where it is shown at its own size and read
// through its table where it is reduced; the first warp makes it a 24-bit picture, every tile new.
TEST_F(ShownPicture, AnEightBitPictureShowsWhatAFreshPaintShows) {
  Picture grey(900, 600, PixelFormat::Grey8());
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      grey.mutableRow(y)[x] = static_cast<std::uint8_t>(x * 3 + y * 5 + (x * y) % 7);
  formats::SaveAsBmp(grey, folder / "grey.bmp");
  window.openPictureFile(QString::fromStdString(folder / "grey.bmp"));
  ASSERT_TRUE(errors.messages.empty());
  ASSERT_EQ(state().WorkingPicture.bitsPerPixel(), 8);
  expectShownAfresh("at 100 %");
  zoom("SpeedButton8", 3);
  expectShownAfresh("zoomed out");
  clickChanging(150, 100);
  ASSERT_EQ(state().WorkingPicture.bitsPerPixel(), 24);
  expectShownAfresh("after a click");
  zoom("SpeedButton9", 3);
  expectShownAfresh("at 100 % again");
  clickChanging(250, 200);
  expectShownAfresh("after a click at 100 %");
}

// A sketch of an opened photograph is written over the photograph's own bytes, which the history
// then makes again from the file: the screen shows the sketch, and the photograph after an undo,
// as a fresh paint does.
TEST_F(ShownPicture, ASketchWrittenOverAnOpenedPhotoShowsWhatAFreshPaintShows) {
  Picture photo(1200, 900);  // smooth, so that its JPEG is far smaller than its pixels
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      photo.setPixel(x, y, MakeColour(x / 5, (x + y) / 9, 255 - y / 4));
  formats::SavePicture(photo, folder / "smooth.jpg", formats::FileType::Jpeg);
  window.openPictureFile(QString::fromStdString(folder / "smooth.jpg"));
  ASSERT_TRUE(errors.messages.empty());
  const Picture opened = state().WorkingPicture;
  zoom("SpeedButton8", 3);
  expectShownAfresh("opened, zoomed out");
  QTabBar* bar = window.tools()->notebook()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
  ASSERT_EQ(state().PageIndex, 2);
  const std::uint8_t* bytes = state().WorkingPicture.row(0);
  QTest::mouseClick(palette<QAbstractButton>("Tools.SpeedButton4"), Qt::LeftButton);
  ASSERT_EQ(state().WorkingPicture.row(0), bytes);  // written over the photograph
  ASSERT_FALSE(opened.samePixels(state().WorkingPicture));
  expectShownAfresh("the pen sketch zoomed out");
  keys(Qt::Key_Z);
  ASSERT_TRUE(opened.samePixels(state().WorkingPicture));
  expectShownAfresh("undone");
  keys(Qt::Key_Y);
  zoom("SpeedButton9", 3);
  expectShownAfresh("redone, at 100 %");
  keys(Qt::Key_Z);
  expectShownAfresh("undone at 100 %");
}

// The outline page shows the layer over the picture, or over the checkerboard, as a whole
// composition shows it reduced or enlarged, while the window keeps no composition of the
// picture's size: each part is made from the picture and the layer when it is painted.
TEST_F(ShownPicture, TheOutlinePageShowsAFreshCompositionWithoutKeepingOne) {
  clipboard.content = PatternPicture(1500, 1000, 3);
  keys(Qt::Key_V);
  QTabBar* bar = window.tools()->notebook()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(3).center());
  ASSERT_EQ(state().PageIndex, 3);
  const auto expectLayerShownAfresh = [&](const std::string& when) {
    const TBitmap32 composition = outline::Image2showto(
        state().WorkingPicture, state().OutlineBitmap, form().Tools.CheckBox1.Checked);
    expectShownAfresh(when, &composition);
  };
  leftDrag(at(20, 30), at(400, 200));
  ASSERT_FALSE(state().OutlineBitmap.blank());
  expectLayerShownAfresh("a line at 100 %");
  zoom("SpeedButton8", 4);
  ASSERT_LT(state().ZoomPercent, 50);
  expectLayerShownAfresh("zoomed out");
  leftDrag(at(10, 150), at(300, 20));
  expectLayerShownAfresh("a line zoomed out");
  palette<QCheckBox>("CheckBox1")->click();
  ASSERT_FALSE(form().Tools.CheckBox1.Checked);
  expectLayerShownAfresh("over the checkerboard");
  zoom("SpeedButton9", 6);
  ASSERT_GT(state().ZoomPercent, 100);
  expectLayerShownAfresh("zoomed in over the checkerboard");
  palette<QCheckBox>("CheckBox1")->click();
  leftDrag(at(50, 50), at(90, 120));
  expectLayerShownAfresh("a line zoomed in");
}

}  // namespace
}  // namespace drollo::test
