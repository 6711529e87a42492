// The work area window's content "工作区域": the working picture (Image1) or, on the outline page,
// the outline layer's display (Image2), stretched to the zoom inside a scrolled view, with the
// brush circle and the marching-ants crop rectangle painted over them from the model's state.
// Mouse, wheel and scroll-bar events go to the TWork_area model with positions in the image
// controls' own coordinates; the model owns the scroll positions, and the two timers run its
// Timer1Timer and Timer2Timer.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QPainter;
class QPlainTextEdit;

#include "image/reduced_copy.h"
#include "workarea/work_area.h"

namespace drollo::platform {

class WorkAreaView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  WorkAreaView(ProgramState& state, TWork_area& model, QWidget* parent = nullptr);

  // Brings the scroll bars, cursor, timers and picture in line with the model and repaints.
  void syncFromModel();
  // Runs after every event this view forwarded to the model (the main window's refresh).
  std::function<void()> AfterEvent;

  // Image1's rectangle in the viewport (the window's client area).
  QRect imageRect() const;
  // The viewport point of an image control position (X, Y).
  QPoint viewportPoint(int X, int Y) const { return imageRect().topLeft() + QPoint(X, Y); }

  QTimer& timer1() { return timer1_; }
  // The text tool's box Memo1, over the picture while it is open.
  QPlainTextEdit* memo() const { return memo_; }
  QTimer& timer2() { return timer2_; }

  // Repaints `area` of the client area, except `keep` (the model's overlay erasure).
  void repaintArea(const Rect& area, const Rect& keep);

  QSize sizeHint() const override { return QSize(600, 470); }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  enum class Target { None, Image1, Image2 };
  // A position outside the client area, whatever its size.
  static constexpr QPoint kOutside{-(1 << 20), -(1 << 20)};
  bool outlineShown() const { return model_.Image2.Visible; }
  // The brush circle belongs to the warp and swirl pages (and to the eraser): another page leaves
  // none behind.
  bool brushPage() const {
    return state_.OnWarpPage() ||
           (state_.CurrentPage() == Page::Outline && state_.DrawingTool == DrawTool::Eraser);
  }
  void forwarded();
  void updateHover(const QPoint& pos);
  void updateCursor(const QPoint& pos);
  void paintBrushCircle(QPainter& p, const QRegion& exposed);
  void paintPicture(QPainter& p, const PixelSource& picture, const QRect& target,
                    const QRect& exposed);
  // The working picture, or on the outline page the layer display made row by row when read.
  const PixelSource& shownPicture() const;

  // Everything the client area shows besides the picture's pixels, and which picture it shows.
  struct Scene {
    QRect image;
    QSize client;
    qreal ratio = 0;
    bool image2 = false;
    std::array<std::uint64_t, 3> picture{};  // the shown picture's identity
    int width = 0, height = 0;
    bool brush = false;
    BrushSquare brushBounds;
    bool line = false;
    decltype(OutlineDrawing::LineTool::LineOverlay) lineOverlay;
    OutlineDrawing::CurveTool::PreviewKind curve = OutlineDrawing::CurveTool::PreviewKind::None;
    std::array<Point, 4> curvePoints{};
    TColor penColor = 0;
    int penWidth = 0;
    bool rect = false;
    Point selectionStart, selectionEnd;
    std::uint8_t dashPhase = 0;
    bool operator==(const Scene&) const = default;
  };
  Scene scene() const;
  // Asks for a repaint of what changed since the last request: the whole client area when the
  // scene changed but for the brush circle, otherwise the circle's old and new places and the
  // parts of the picture that show the tiles written since. Those parts are painted at once, at
  // the end of the event that changed them, with no further pass of the event loop.
  void requestRepaint();

  ProgramState& state_;
  TWork_area& model_;
  void syncMemo();
  QTimer timer1_;
  QPlainTextEdit* memo_ = nullptr;
  QTimer timer2_;
  Target pressTarget_ = Target::None;
  Target hover_ = Target::None;
  // Where the pointer was at the last event that told it, in client coordinates: far outside
  // after it left. The cursor is chosen from it when the model changes; asking the platform where
  // the pointer is would cost a round trip to the display server at every event.
  QPoint pointer_ = kOutside;
  // The press being held is the second of a double-click, whose release completes no click.
  bool doublePress_ = false;
  bool syncing_ = false;
  // How many times the view was read back from the model.
  std::uint64_t syncCount_ = 0;
  // The part of the picture in the client area, reduced by averaging, for zooms below 100 %.
  ReducedCopy reduced_;
  // The two things the client area may show, read through shownPicture().
  PictureSource image1_;
  mutable std::optional<outline::LayerDisplayRows> image2_;
  // The exposed part of the picture at a zoom of 100 % and above, made at each paint.
  std::vector<std::uint32_t> exposedPixels_;
  // The brush circle's runs in the last part of the window it was painted in: a click where the
  // pointer rests paints the same ones again.
  struct CircleRuns {
    BrushSquare square;
    Rect part;
    std::vector<PixelRun> runs;
  };
  CircleRuns circleRuns_;
  // The scene of the last repaint request, and the write clock then.
  Scene requested_;
  std::uint64_t requestedAt_ = 0;
};

// The device-independent pixel a pointer position lies in. On a high-density screen a position
// falls between whole pixels (device pixel 201 at 200 % is 100.5): it belongs to the pixel it lies
// in, not to the nearest corner.
QPoint PointerPixel(const QPointF& position);
TMouseButton ToModelButton(Qt::MouseButton b);
TShiftState ToModelShift(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
Qt::CursorShape ToCursorShape(TCursor c);

}  // namespace drollo::platform
