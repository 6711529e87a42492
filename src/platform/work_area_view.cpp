#include "platform/work_area_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolTip>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <utility>

#include "image/resample.h"
#include "platform/artwork.h"
#include "platform/languages.h"
#include "platform/qt_pictures.h"
#include "platform/text_render_qt.h"

namespace drollo::platform {

TMouseButton ToModelButton(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton:
      return TMouseButton::Right;
    case Qt::MiddleButton:
      return TMouseButton::Middle;
    default:
      return TMouseButton::Left;
  }
}

TShiftState ToModelShift(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  TShiftState s;
  s.Left = buttons & Qt::LeftButton;
  s.Right = buttons & Qt::RightButton;
  s.Middle = buttons & Qt::MiddleButton;
  s.Shift = modifiers & Qt::ShiftModifier;
  s.Ctrl = modifiers & Qt::ControlModifier;
  s.Alt = modifiers & Qt::AltModifier;
  return s;
}

QPoint PointerPixel(const QPointF& position) {
  return QPoint(qFloor(position.x()), qFloor(position.y()));
}

Qt::CursorShape ToCursorShape(TCursor c) {
  switch (c) {
    case TCursor::Cross:
      return Qt::CrossCursor;
    case TCursor::IBeam:
      return Qt::IBeamCursor;
    case TCursor::Drag:
      return Qt::DragMoveCursor;
    case TCursor::Pen:
      return Qt::BitmapCursor;
    default:
      return Qt::ArrowCursor;
  }
}

WorkAreaView::WorkAreaView(ProgramState& state, TWork_area& model, QWidget* parent)
    : QAbstractScrollArea(parent), state_(state), model_(model), image1_(state.WorkingPicture) {
  setObjectName("Work_area");
  viewport()->setObjectName("Work_areaClient");
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFrameShape(QFrame::NoFrame);

  // The auto-repeat of a held press: runs only while the model has it enabled.
  timer1_.setObjectName("Timer1");
  connect(&timer1_, &QTimer::timeout, this, [this] {
    if (!model_.Timer1.Enabled) {
      timer1_.stop();
      return;
    }
    model_.Timer1Timer();
    forwarded();
  });
  // The marching ants.
  timer2_.setObjectName("Timer2");
  connect(&timer2_, &QTimer::timeout, this, [this] {
    if (!model_.Timer2.Enabled) return;
    const bool wasShown = model_.RectShown;
    model_.Timer2Timer();
    // Without a crop rectangle on the screen a tick shows nothing new.
    if (wasShown || model_.RectShown) forwarded();
  });

  // The text box: its mouse events go to the model relative to the box; its text is the model's.
  memo_ = new QPlainTextEdit(viewport());
  memo_->setObjectName("Memo1");
  memo_->hide();
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->viewport()->installEventFilter(this);
  memo_->viewport()->setMouseTracking(true);
  connect(memo_, &QPlainTextEdit::textChanged, this, [this] {
    if (syncing_) return;
    model_.Outline.Memo1.Text = S(memo_->toPlainText());
  });

  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
    if (syncing_ || v == model_.HorzScrollBar.Position) return;
    model_.HorzScroll(v);
    forwarded();
  });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
    if (syncing_ || v == model_.VertScrollBar.Position) return;
    model_.VertScroll(v);
    forwarded();
  });
}

QRect WorkAreaView::imageRect() const {
  return QRect(model_.ImageLeft(), model_.ImageTop(), model_.Images.Image1.Width,
               model_.Images.Image1.Height);
}

void WorkAreaView::forwarded() {
  // The main window's sync after the event brings this view up to date with the rest; only when
  // it did not (it was syncing already) does the view sync itself.
  const std::uint64_t before = syncCount_;
  if (AfterEvent) AfterEvent();
  if (syncCount_ == before) syncFromModel();
}

void WorkAreaView::syncFromModel() {
  ++syncCount_;
  syncing_ = true;
  const DisplaySize client{viewport()->width(), viewport()->height()};
  if (!(model_.ClientSize == client)) model_.SetClientSize(client);
  // Each bar is told only what changed: most events change none of it.
  const auto syncBar = [](QScrollBar* bar, int maximum, int page, int position) {
    if (bar->minimum() != 0 || bar->maximum() != maximum) bar->setRange(0, maximum);
    if (bar->pageStep() != page) bar->setPageStep(page);
    if (bar->value() != position) bar->setValue(position);
  };
  syncBar(horizontalScrollBar(), std::max(0, model_.Images.Image1.Width - viewport()->width()),
          viewport()->width(), model_.HorzScrollBar.Position);
  syncBar(verticalScrollBar(), std::max(0, model_.Images.Image1.Height - viewport()->height()),
          viewport()->height(), model_.VertScrollBar.Position);
  syncing_ = false;

  // A running timer given an interval starts it again, even the same one: only a new interval is
  // given, or a pointer moving faster than the interval would keep the timer from ever firing.
  for (auto [timer, model] :
       {std::pair{&timer1_, &model_.Timer1}, std::pair{&timer2_, &model_.Timer2}}) {
    if (timer->interval() != model->Interval) timer->setInterval(model->Interval);
    if (model->Enabled && !timer->isActive()) timer->start();
    if (!model->Enabled) timer->stop();
  }

  syncMemo();
  updateCursor(pointer_);
  requestRepaint();
}

const PixelSource& WorkAreaView::shownPicture() const {
  if (outlineShown()) {
    image2_.emplace(state_.WorkingPicture, state_.OutlineBitmap, model_.Image2Base());
    if (image2_->width() > 0 && image2_->height() > 0) return *image2_;
  }
  return image1_;
}

WorkAreaView::Scene WorkAreaView::scene() const {
  Scene s;
  s.image = imageRect();
  s.client = viewport()->size();
  s.ratio = viewport()->devicePixelRatioF();
  const PixelSource& picture = shownPicture();
  s.image2 = &picture != &image1_;
  s.picture = picture.identity();
  s.width = picture.width();
  s.height = picture.height();
  s.brush = model_.BrushShown && brushPage();
  if (s.brush) s.brushBounds = model_.BrushBounds;
  const OutlineDrawing& outline = model_.Outline;
  if (outlineShown()) {
    s.line = outline.Line.LineShown;
    if (s.line) s.lineOverlay = outline.Line.LineOverlay;
    s.curve = outline.Curve.CurvePreview;
    if (s.curve != OutlineDrawing::CurveTool::PreviewKind::None)
      s.curvePoints = outline.Curve.CurvePoints;
    s.penColor = model_.Pen.Color;
    s.penWidth = model_.Pen.Width;
  }
  s.rect = model_.RectShown;
  if (s.rect) {
    s.selectionStart = model_.SelectionStart;
    s.selectionEnd = model_.SelectionEnd;
    s.dashPhase = model_.DashPhase;
  }
  return s;
}

void WorkAreaView::requestRepaint() {
  const Scene now = scene();
  const std::uint64_t clock = Picture::WriteClock();
  Scene withOldBrush = now;
  withOldBrush.brush = requested_.brush;
  withOldBrush.brushBounds = requested_.brushBounds;
  if (!(withOldBrush == requested_)) {
    viewport()->update();
  } else {
    QRegion region;
    // The brush circle moved, appeared or went: its old and new squares.
    if (!(now == requested_)) {
      for (const Scene& s : {requested_, now})
        if (s.brush) {
          const BrushSquare& b = s.brushBounds;
          region += QRect(QPoint(b.Left, b.Top), QPoint(b.Right, b.Bottom)).adjusted(-1, -1, 1, 1);
        }
    }
    // The device pixels that show the picture pixels written since, with more on each side for
    // the rounding between the picture's, the device's and the window's pixels.
    if (clock != requestedAt_ && !now.image.isEmpty() && now.width > 0 && now.height > 0) {
      const PixelSource& picture = shownPicture();
      const QSize device(qRound(now.image.width() * now.ratio),
                         qRound(now.image.height() * now.ratio));
      for (const Rect& written : picture.writtenAreasSince(requestedAt_)) {
        const Rect d = AreaResampleCover(picture.width(), picture.height(), device.width(),
                                         device.height(), written);
        region += QRect(QPoint(qFloor(d.left / now.ratio), qFloor(d.top / now.ratio)),
                        QPoint(qCeil(d.right / now.ratio), qCeil(d.bottom / now.ratio)))
                      .translated(now.image.topLeft())
                      .adjusted(-2, -2, 2, 2);
      }
    }
    if (!region.isEmpty()) viewport()->repaint(region);
  }
  requested_ = now;
  requestedAt_ = clock;
}

void WorkAreaView::syncMemo() {
  const TMemo& m = model_.Outline.Memo1;
  if (!m.Visible) {
    memo_->hide();
    return;
  }
  // The box opens with its start text in the interface's language; what it holds is what the
  // text tool draws, so the model takes the shown text as if it had been typed.
  if (!memo_->isVisible() && m.Text == kMemo1StartText)
    model_.Outline.Memo1.Text = S(Shown("TWork_area", kMemo1StartText));
  syncing_ = true;
  memo_->setGeometry(model_.ImageLeft() + m.Left, model_.ImageTop() + m.Top, m.Width, m.Height);
  const QFont font = ToQFont(m.Font);
  if (memo_->font() != font) memo_->setFont(font);
  QPalette palette = memo_->palette();
  palette.setColor(QPalette::Text, ToQColor(m.Font.Color));
  memo_->setPalette(palette);
  if (memo_->toPlainText() != Q(m.Text)) memo_->setPlainText(Q(m.Text));
  memo_->setToolTip(Shown("TWork_area", m.Hint));
  switch (m.Cursor) {
    case MemoCursor::SizeAll:
      memo_->viewport()->setCursor(Qt::SizeAllCursor);
      break;
    case MemoCursor::SizeNWSE:
      memo_->viewport()->setCursor(Qt::SizeFDiagCursor);
      break;
    default:
      memo_->viewport()->setCursor(Qt::IBeamCursor);
      break;
  }
  if (!memo_->isVisible()) {
    memo_->show();
    memo_->setFocus();
  }
  syncing_ = false;
}

bool WorkAreaView::eventFilter(QObject* watched, QEvent* e) {
  if (watched != memo_->viewport()) return QAbstractScrollArea::eventFilter(watched, e);
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(e);
      const QPoint at = memo_->viewport()->mapTo(memo_, PointerPixel(me->position()));
      const TShiftState shift = ToModelShift(me->buttons(), me->modifiers());
      const TMouseButton button = ToModelButton(me->button());
      if (e->type() == QEvent::MouseButtonPress)
        model_.Memo1MouseDown(button, shift, at.x(), at.y());
      else if (e->type() == QEvent::MouseMove)
        model_.Memo1MouseMove(shift, at.x(), at.y());
      else if (e->type() == QEvent::MouseButtonRelease)
        model_.Memo1MouseUp(button, shift, at.x(), at.y());
      else
        model_.Memo1DblClick();
      forwarded();
      // The box's own corners move and size it; a right press opens the font dialog instead of
      // the box's menu.
      return e->type() == QEvent::MouseButtonDblClick || me->button() == Qt::RightButton;
    }
    case QEvent::ContextMenu:
      return true;
    default:
      return QAbstractScrollArea::eventFilter(watched, e);
  }
}

void WorkAreaView::repaintArea(const Rect& area, const Rect& keep) {
  // The model asks for an overlay's area while it is still changing its state; the repaint is
  // queued, so it shows the state after the event, together with the rest of the window's update.
  QRegion region(QRect(area.left, area.top, area.width() + 1, area.height() + 1));
  if (!keep.empty()) region -= QRegion(QRect(keep.left, keep.top, keep.width(), keep.height()));
  viewport()->update(region);
}

void WorkAreaView::scrollContentsBy(int, int) {
  viewport()->update();
}

namespace {

// The window's own 32-bit pixels that `p` paints `rect` (in the painter's coordinates) into, when
// it paints straight into them: the raster engine drawing into an image of the window, shifted by
// whole pixels and scaled by a whole number, `scale`, with all of `rect` inside what it may paint.
// The pixel returned is the one of the rect's top left corner. Otherwise null, and the caller
// paints through the painter.
std::uint8_t* PaintedInPlace(QPainter& p, const QRect& rect, std::ptrdiff_t& stride, int& scale) {
  QPaintEngine* engine = p.paintEngine();
  if (engine == nullptr || engine->type() != QPaintEngine::Raster) return nullptr;
  QPaintDevice* device = engine->paintDevice();
  if (device == nullptr || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format format = image->format();
  if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
       format != QImage::Format_ARGB32_Premultiplied) ||
      !image->isDetached())
    return nullptr;
  const QTransform t = p.deviceTransform();
  const auto whole = [](qreal v) { return v == std::floor(v) && std::abs(v) < (1 << 24); };
  if (t.type() > QTransform::TxScale || t.m11() != t.m22() || t.m11() < 1 || !whole(t.m11()) ||
      !whole(t.dx()) || !whole(t.dy()))
    return nullptr;
  scale = static_cast<int>(t.m11());
  const QRect onImage(scale * rect.left() + static_cast<int>(t.dx()),
                      scale * rect.top() + static_cast<int>(t.dy()), scale * rect.width(),
                      scale * rect.height());
  if (!image->rect().contains(onImage)) return nullptr;
  // What the paint may change is most often one rectangle, which needs no region arithmetic.
  const QRegion allowed = engine->systemClip();
  if (allowed.rectCount() == 1 ? !allowed.boundingRect().contains(onImage)
                               : !allowed.isEmpty() && !(QRegion(onImage) - allowed).isEmpty())
    return nullptr;
  if (p.hasClipping() && !(QRegion(rect) - p.clipRegion()).isEmpty()) return nullptr;
  stride = image->bytesPerLine();
  return image->bits() + onImage.top() * stride + 4 * std::ptrdiff_t{onImage.left()};
}

}  // namespace

void WorkAreaView::paintPicture(QPainter& p, const PixelSource& picture, const QRect& target,
                                const QRect& exposed) {
  // The picture covers `target` in device-independent pixels, which are `ratio` device pixels
  // each on a high-density screen. Reduced on the device, each device pixel averages the picture
  // pixels it covers, so a zoom of 50 % at 200 % scaling shows every picture pixel; the reduced
  // copy of the part in the client area is kept between paints and made again only where the
  // picture was written since. Otherwise every device pixel shows the picture pixel under its
  // centre, so every picture pixel becomes a block of whole device pixels, without smoothing; only
  // the exposed part is made, at each paint. Both are made in the 32 bits the screen copies
  // without converting them.
  const qreal ratio = viewport()->devicePixelRatioF();
  const QSize device(qRound(target.width() * ratio), qRound(target.height() * ratio));
  const QPoint origin(qRound(target.left() * ratio), qRound(target.top() * ratio));
  // The device pixels of `r` (client coordinates), counted from the picture's top left.
  const auto onDevice = [&](const QRect& r) {
    const int left = qFloor(r.left() * ratio), top = qFloor(r.top() * ratio);
    return Rect{left - origin.x(), top - origin.y(), qCeil((r.right() + 1) * ratio) - origin.x(),
                qCeil((r.bottom() + 1) * ratio) - origin.y()}
        .intersected(Rect{0, 0, device.width(), device.height()});
  };
  // Only what goes through the painter is clipped to the exposed area: the pixels made in place
  // are the exposed ones already.
  if (device.width() < picture.width() || device.height() < picture.height()) {
    p.setClipRect(exposed);
    reduced_.update(picture, device.width(), device.height(), onDevice(viewport()->rect()));
    const Rect area = reduced_.area();
    if (!area.empty()) {
      QImage image = WrapPicture(reduced_.pixels());
      image.setDevicePixelRatio(ratio);
      p.drawImage(QPointF(origin + QPoint(area.left, area.top)) / ratio, image);
    }
  } else {
    reduced_.clear();
    const Rect part = onDevice(exposed);
    std::ptrdiff_t inPlaceStride = 0;
    int scale = 0;
    std::uint8_t* inPlace =
        part.empty() || ratio != 1
            ? nullptr
            : PaintedInPlace(
                  p,
                  QRect(origin.x() + part.left, origin.y() + part.top, part.width(), part.height()),
                  inPlaceStride, scale);
    if (scale != 1) inPlace = nullptr;
    if (inPlace != nullptr) {
      // Made straight into the window's pixels: the picture is opaque, so nothing below shows.
      NearestResampleInto(picture, device.width(), device.height(),
                          MutableView{inPlace, inPlaceStride, part, 4});
    } else if (!part.empty()) {
      const std::size_t pixels = static_cast<std::size_t>(part.width()) * part.height();
      if (exposedPixels_.size() < pixels) exposedPixels_.resize(pixels);
      auto* bytes = reinterpret_cast<std::uint8_t*>(exposedPixels_.data());
      const std::ptrdiff_t stride = std::ptrdiff_t{part.width()} * 4;
      NearestResampleInto(picture, device.width(), device.height(),
                          MutableView{bytes, stride, part, 4});
      QImage image(bytes, part.width(), part.height(), stride, QImage::Format_RGB32);
      image.setDevicePixelRatio(ratio);
      p.setClipRect(exposed);
      p.drawImage(QPointF(origin + QPoint(part.left, part.top)) / ratio, image);
    }
  }
  p.setClipping(false);
}

void WorkAreaView::paintBrushCircle(QPainter& p, const QRegion& exposed) {
  const BrushSquare& b = model_.BrushBounds;
  // Qt's raster engine takes tens of microseconds for a circle of a few hundred pixels, and the
  // circle is painted again at every move and click: where the window's pixels can be written
  // directly, its pixels are set there (as blocks of whole device pixels on a high-density
  // screen), each part of the exposed region on its own.
  const QRect square =
      QRect(QPoint(b.Left, b.Top), QPoint(b.Right, b.Bottom)) & exposed.boundingRect();
  if (square.isEmpty()) return;
  struct Part {
    QRect rect;
    std::uint8_t* pixels;
  };
  std::vector<Part> parts;
  std::ptrdiff_t stride = 0;
  int scale = 0;
  bool inPlace = true;
  for (const QRect& r : exposed) {
    const QRect part = r & square;
    if (part.isEmpty()) continue;
    int partScale = 0;
    std::uint8_t* pixels = PaintedInPlace(p, part, stride, partScale);
    if (pixels == nullptr || (scale != 0 && partScale != scale)) {
      inPlace = false;
      break;
    }
    scale = partScale;
    parts.push_back(Part{part, pixels});
  }
  if (!inPlace) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(b.Left, b.Top, b.Right - b.Left - 1, b.Bottom - b.Top - 1));
    return;
  }
  // A run within a part, as `scale` rows of `scale` device pixels for each of its pixels.
  const auto fill = [&](const Part& part, const PixelRun& run) {
    const std::ptrdiff_t left = std::ptrdiff_t{scale} * (run.Left - part.rect.left());
    const std::ptrdiff_t count = std::ptrdiff_t{scale} * (run.Right - run.Left + 1);
    for (int i = 0; i < scale; ++i) {
      auto* row = reinterpret_cast<std::uint32_t*>(
          part.pixels + (std::ptrdiff_t{scale} * (run.Y - part.rect.top()) + i) * stride);
      std::fill(row + left, row + left + count, 0xFF000000u);
    }
  };
  // Only the rows and columns of each part are worked out, so a circle far larger than the window
  // costs no more than the part shown.
  for (const Part& part : parts) {
    const Rect clip{part.rect.left(), part.rect.top(), part.rect.right() + 1,
                    part.rect.bottom() + 1};
    if (!(circleRuns_.square == b && circleRuns_.part == clip))
      circleRuns_ = CircleRuns{b, clip, BrushCircleRuns(b, clip)};
    for (const PixelRun& run : circleRuns_.runs) fill(part, run);
  }
}

void WorkAreaView::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  const QColor window = ToQColor(TWork_area::kWindowColor);
  const QRect target = imageRect();
  const PixelSource& picture = shownPicture();
  if (picture.width() > 0 && picture.height() > 0 && !target.isEmpty()) {
    for (const QRect& r : QRegion(e->rect()) - target) p.fillRect(r, window);
    paintPicture(p, picture, target, e->rect());
  } else {
    p.fillRect(e->rect(), window);
  }

  // The brush circle: a black outline inscribed in its bounding square.
  if (model_.BrushShown && brushPage()) paintBrushCircle(p, e->region());
  // The outline tools' previews, drawn with the window's pen.
  const OutlineDrawing& outline = model_.Outline;
  if (outlineShown() &&
      (outline.Line.LineShown ||
       outline.Curve.CurvePreview != OutlineDrawing::CurveTool::PreviewKind::None)) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ToQColor(model_.Pen.Color), std::max(1, model_.Pen.Width), Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (outline.Line.LineShown) {
      const auto& l = outline.Line.LineOverlay;
      p.drawLine(l.Start.x, l.Start.y, l.End.x, l.End.y);
    }
    const auto& c = outline.Curve.CurvePoints;
    using Preview = OutlineDrawing::CurveTool::PreviewKind;
    if (outline.Curve.CurvePreview == Preview::Line) {
      p.drawLine(c[0].x, c[0].y, c[3].x, c[3].y);
    } else if (outline.Curve.CurvePreview == Preview::Bezier) {
      QPainterPath path(QPointF(c[0].x, c[0].y));
      path.cubicTo(QPointF(c[1].x, c[1].y), QPointF(c[2].x, c[2].y), QPointF(c[3].x, c[3].y));
      p.drawPath(path);
    }
  }
  // The crop rectangle, point by point in the model's dash pattern.
  if (model_.RectShown) {
    QPolygon white, black;
    for (const DashPoint& d : model_.CropRectPoints())
      (d.white ? white : black) << QPoint(d.p.x, d.p.y);
    p.setPen(QPen(Qt::white, 1));
    p.drawPoints(white);
    p.setPen(QPen(Qt::black, 1));
    p.drawPoints(black);
  }
}

void WorkAreaView::updateHover(const QPoint& pos) {
  pointer_ = pos;
  const Target now =
      imageRect().contains(pos) ? (outlineShown() ? Target::Image2 : Target::Image1) : Target::None;
  if (now == hover_) return;
  if (hover_ != Target::None)
    model_.MouseLeave(hover_ == Target::Image1 ? TWork_area::ChildControl::Image1
                                               : TWork_area::ChildControl::Image2);
  if (now != Target::None)
    model_.MouseEnter(now == Target::Image1 ? TWork_area::ChildControl::Image1
                                            : TWork_area::ChildControl::Image2);
  hover_ = now;
}

void WorkAreaView::updateCursor(const QPoint& pos) {
  // The cursor is set only when it changes: the arrow off the picture, the control's own over it
  // (the pen drawn for the screen's density).
  const QCursor shown = viewport()->cursor();
  const auto show = [&](Qt::CursorShape shape) {
    if (shown.shape() != shape) viewport()->setCursor(shape);
  };
  if (!imageRect().contains(pos)) return show(Qt::ArrowCursor);
  const TCursor c = outlineShown() ? model_.Image2.Cursor : model_.Image1.Cursor;
  if (c != TCursor::Pen) return show(ToCursorShape(c));
  const qreal ratio = viewport()->devicePixelRatioF();
  if (shown.shape() != Qt::BitmapCursor || shown.pixmap().devicePixelRatio() != ratio)
    viewport()->setCursor(PenCursor(ratio));
}

void WorkAreaView::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = PointerPixel(e->position());
  updateHover(pos);
  if (pressTarget_ == Target::None) {
    if (!imageRect().contains(pos)) return;
    pressTarget_ = outlineShown() ? Target::Image2 : Target::Image1;
  }
  const QPoint at = pos - imageRect().topLeft();
  const TShiftState shift = ToModelShift(e->buttons(), e->modifiers());
  if (pressTarget_ == Target::Image1)
    model_.Image1MouseDown(ToModelButton(e->button()), shift, at.x(), at.y());
  else
    model_.Image2MouseDown(ToModelButton(e->button()), shift, at.x(), at.y());
  forwarded();
}

void WorkAreaView::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = PointerPixel(e->position());
  updateHover(pos);
  updateCursor(pos);
  // Moves go to the control under the pointer, or to the pressed one while a button is held.
  const Target target = pressTarget_ != Target::None ? pressTarget_ : hover_;
  if (target == Target::None) return;
  const QPoint at = pos - imageRect().topLeft();
  const TShiftState shift = ToModelShift(e->buttons(), e->modifiers());
  if (target == Target::Image1)
    model_.Image1MouseMove(shift, at.x(), at.y());
  else
    model_.Image2MouseMove(shift, at.x(), at.y());
  forwarded();
}

void WorkAreaView::mouseReleaseEvent(QMouseEvent* e) {
  const Target target = pressTarget_;
  if (e->buttons() == Qt::NoButton) pressTarget_ = Target::None;
  if (target == Target::None) return;
  const QPoint pos = PointerPixel(e->position());
  const QPoint at = pos - imageRect().topLeft();
  const TShiftState shift = ToModelShift(e->buttons(), e->modifiers());
  const TMouseButton button = ToModelButton(e->button());
  const bool clicked = !doublePress_;
  if (e->buttons() == Qt::NoButton) doublePress_ = false;
  if (target == Target::Image1) {
    // A completed left click is delivered before the release itself; the second press of a
    // double-click completes none.
    if (button == TMouseButton::Left && clicked && imageRect().contains(pos)) model_.Image1Click();
    model_.Image1MouseUp(button, shift, at.x(), at.y());
  } else {
    model_.Image2MouseUp(button, shift, at.x(), at.y());
  }
  forwarded();
  updateHover(pos);
}

void WorkAreaView::mouseDoubleClickEvent(QMouseEvent* e) {
  // The second press of a double-click is a press, but its release is no click: a double-click
  // is one warp step, as a single click is.
  if (e->button() == Qt::LeftButton) doublePress_ = true;
  mousePressEvent(e);
}

void WorkAreaView::wheelEvent(QWheelEvent* e) {
  updateHover(PointerPixel(e->position()));
  // Only the vertical wheel zooms; a delta of 0 zooms in, as a negative one does.
  if (e->angleDelta().x() != 0 && e->angleDelta().y() == 0) return;
  model_.MouseWheel(e->angleDelta().y());
  forwarded();
  e->accept();
}

void WorkAreaView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  syncFromModel();
}

bool WorkAreaView::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const bool overImage = imageRect().contains(help->pos());
    const TImageControl& control = outlineShown() ? model_.Image2 : model_.Image1;
    const bool shown = control.ShowHint;
    if (overImage && shown && !control.Hint.empty())
      QToolTip::showText(help->globalPos(), Shown("TWork_area", control.Hint), viewport());
    else
      QToolTip::hideText();
    return true;
  }
  if (e->type() == QEvent::Enter) pointer_ = PointerPixel(static_cast<QEnterEvent*>(e)->position());
  if (e->type() == QEvent::Leave) {
    updateHover(kOutside);
    if (AfterEvent) AfterEvent();
  }
  return QAbstractScrollArea::viewportEvent(e);
}

}  // namespace drollo::platform
