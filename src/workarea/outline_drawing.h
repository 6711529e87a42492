// The outline page's drawing tools on the layer shown by Image2: straight line, pen, curve,
// eraser and text, with their previews on the window, right-drag scrolling, and one outline
// history entry per completed stroke. Mouse positions come relative to Image2 in window pixels;
// a position v stands for the layer pixel Round(v / ZoomPercent x 100), computed in extended
// precision with halves to the even neighbour.
//
// Previews (the line being dragged, the curve being shaped, the eraser circle) are state for the
// window to paint over the picture; they never touch the layer. The layer itself is drawn on
// through a LayerCanvas, which the desktop program supplies.
#pragma once

#include <array>

#include "app/state/program_state.h"
#include "outline/layer_canvas.h"
#include "outline/text_render.h"
#include "palette/tools.h"
#include "workarea/text_box.h"

namespace drollo {

class TWork_area;
enum class TMouseButton;
struct TShiftState;

class OutlineDrawing {
 public:
  OutlineDrawing(ProgramState& state, TTools& tools, TWork_area& workArea);
  OutlineDrawing(const OutlineDrawing&) = delete;
  OutlineDrawing& operator=(const OutlineDrawing&) = delete;

  // The platform's painter on the layer, text renderer and font dialog. Until they are set the
  // layer is drawn on by nothing, text renders empty and the font dialog is cancelled.
  void SetCanvas(outline::LayerCanvas& canvas);
  outline::LayerCanvas& Canvas() { return *canvas_; }
  outline::TextRenderer* Renderer = nullptr;
  FontDialog* FontDialog1 = nullptr;

  // --- Stroke state ----------------------------------------------------------------------------
  bool StrokeActive = false;  // a line, pen or eraser press is under way
  Point LineStart;            // layer pixels
  // The line preview: start (x, y), end (x, y) and anchor (x, y), window client coordinates.
  std::array<int, 6> LineOverlay{0, 0, 0, 0, 0, 0};
  bool LineShown = false;  // the line preview is on the window
  // P0..P3: window coordinates while the curve is shaped, layer pixels once drawn.
  std::array<Point, 4> CurvePoints{};
  bool CurveDragActive = false;
  // What of the curve is previewed on the window: the line P0-P3 or the Bezier curve.
  enum class CurvePreviewKind { None, Line, Bezier };
  CurvePreviewKind CurvePreview = CurvePreviewKind::None;

  // --- Text box --------------------------------------------------------------------------------
  TMemo Memo1;
  TLabel Label1;
  Point TextGrabPoint;
  bool TextMoving = false;
  bool TextResizing = false;

  // --- Handlers --------------------------------------------------------------------------------
  void Image2MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Image2MouseMove(TShiftState Shift, int X, int Y);
  void Image2MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // The line preview with the window pen (the palette's colour, the pen width), and its removal.
  void DrawTheLine();
  void RemoveTheLine();
  // The box of the line preview grown by one pixel: what RemoveTheLine repaints.
  Rect LinePreviewBounds() const;

  // Opens the text box at (X, Y) relative to the images with the start text.
  void OpenTextBox(int X, int Y);
  // Mouse events on the box, relative to it.
  void Memo1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Memo1MouseMove(TShiftState Shift, int X, int Y);
  void Memo1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // Writes the box's text into the layer: the pixels of exactly the font colour of its rendering,
  // at the box's place in layer pixels and at the rendering's own size. One history entry, also
  // when nothing was written.
  void Memo1DblClick();

  // A window position relative to Image2 as a layer pixel.
  Point LayerPoint(int X, int Y) const;

 private:
  Point windowPoint(int X, int Y) const;
  // Repaints the whole work area: every preview drawn on the window goes.
  void repaintWorkArea();
  void scrollBy(int dx, int dy);
  void eraseAt(int X, int Y);
  void setStrokePen(bool dashed);

  ProgramState& state_;
  TTools& tools_;
  TWork_area& area_;
  outline::NullLayerCanvas nullCanvas_;
  outline::LayerCanvas* canvas_ = &nullCanvas_;
};

}  // namespace drollo
