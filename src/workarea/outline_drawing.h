// The outline page's drawing tools on the layer shown by Image2: straight line, pen, curve,
// eraser and text, with their previews on the window, right-drag scrolling, and one outline
// history entry per completed stroke. Mouse positions come relative to Image2 in window pixels;
// a position v stands for the layer pixel Round(v / ZoomPercent x 100), computed in extended
// precision with halves to the even neighbour.
//
// Each tool is one object with what a left press, a move with the left button held and the left
// release do; the drawing picks the object of the chosen DrawingTool. Previews (the line being
// dragged, the curve being shaped, the eraser circle) are state for the window to paint over the
// picture; they never touch the layer. The layer itself is drawn on through a LayerCanvas, which
// the desktop program supplies.
#pragma once

#include <array>

#include "app/state/program_state.h"
#include "outline/layer_canvas.h"
#include "outline/text_render.h"
#include "palette/tools.h"
#include "workarea/overlays.h"
#include "workarea/text_box.h"
#include "workarea/viewport.h"
#include "workarea/window_controls.h"

namespace drollo {

class OutlineDrawing {
 public:
  // The tools draw on the layer of `state` with the palette's colour and width, and show their
  // previews and the layer display through the work area's viewport and overlays.
  OutlineDrawing(ProgramState& state, TTools& tools, WorkAreaViewport& viewport,
                 WorkAreaOverlays& overlays);
  OutlineDrawing(const OutlineDrawing&) = delete;
  OutlineDrawing& operator=(const OutlineDrawing&) = delete;

  // The platform's painter on the layer, text renderer and font dialog. Until they are set the
  // layer is drawn on by nothing, text renders empty and the font dialog is cancelled.
  void SetCanvas(outline::LayerCanvas& canvas);
  outline::LayerCanvas& Canvas() { return *canvas_; }
  outline::TextRenderer* Renderer = nullptr;
  FontDialog* FontDialog1 = nullptr;

  // One drawing tool: the left press, a move with the left button held and the left release on
  // the layer, on the outline page, at positions relative to Image2. Each does nothing unless the
  // tool says otherwise.
  class Tool {
   public:
    explicit Tool(OutlineDrawing& drawing) : d_(drawing) {}
    virtual ~Tool() = default;
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    virtual void Down(int X, int Y);
    virtual void Move(int X, int Y);
    virtual void Up(int X, int Y);

   protected:
    OutlineDrawing& d_;
  };

  // The straight line: a preview follows the drag; the release draws it on the layer.
  class LineTool : public Tool {
   public:
    using Tool::Tool;
    void Down(int X, int Y) override;
    void Move(int X, int Y) override;
    void Up(int X, int Y) override;

    // The preview with the window pen (the palette's colour, the pen width), and its removal.
    void DrawTheLine();
    void RemoveTheLine();
    // The box of the preview grown by one pixel: what RemoveTheLine repaints.
    Rect LinePreviewBounds() const;

    Point LineStart;  // layer pixels
    // The preview in window client coordinates: from Start to End; Anchor is where the drag began.
    struct Overlay {
      Point Start;
      Point End;
      Point Anchor;
      bool operator==(const Overlay&) const = default;
    } LineOverlay;
    bool LineShown = false;  // the preview is on the window
  };

  // The pen: draws on the layer as the pointer moves; the release records the stroke.
  class PenTool : public Tool {
   public:
    using Tool::Tool;
    void Down(int X, int Y) override;
    void Move(int X, int Y) override;
    void Up(int X, int Y) override;
  };

  // The text tool: a press opens the text box there.
  class TextTool : public Tool {
   public:
    using Tool::Tool;
    void Down(int X, int Y) override;
  };

  // The curve, shaped in three drags: the first sets the end points, the second bends it with
  // both inner control points, the third moves the second alone; the third release draws it.
  class CurveTool : public Tool {
   public:
    using Tool::Tool;
    void Down(int X, int Y) override;
    void Move(int X, int Y) override;
    void Up(int X, int Y) override;

    // P0..P3: window coordinates while the curve is shaped, layer pixels once drawn.
    std::array<Point, 4> CurvePoints{};
    bool CurveDragActive = false;
    // What of the curve is previewed on the window: the line P0-P3 or the Bezier curve.
    enum class PreviewKind { None, Line, Bezier };
    PreviewKind CurvePreview = PreviewKind::None;
  };

  // The eraser: its circle follows the pointer; a drag erases discs, the release one more.
  class EraserTool : public Tool {
   public:
    using Tool::Tool;
    void Down(int X, int Y) override;
    void Move(int X, int Y) override;
    void Up(int X, int Y) override;
    // Any move over the layer while the eraser is chosen, buttons or not: the circle follows.
    void Hover(int X, int Y);

   private:
    void eraseAt(int X, int Y);
  };

  LineTool Line{*this};
  PenTool Pen{*this};
  TextTool Text{*this};
  CurveTool Curve{*this};
  EraserTool Eraser{*this};
  // The object of a drawing tool; null for none.
  Tool* ToolFor(DrawTool tool);

  // A line, pen or eraser press is under way.
  bool StrokeActive = false;

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
  // Repaints the whole work area: every preview drawn on the window goes.
  void repaintWorkArea();
  void setStrokePen(bool dashed);
  // Recomposes the layer display (Image2showto).
  void showLayer();

  ProgramState& state_;
  TTools& tools_;
  WorkAreaViewport& view_;
  WorkAreaOverlays& overlays_;
  outline::NullLayerCanvas nullCanvas_;
  outline::LayerCanvas* canvas_ = &nullCanvas_;
};

}  // namespace drollo
