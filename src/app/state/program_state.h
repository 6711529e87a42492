// The program-wide state, owned by one object that the window models share: the tool state the
// palette writes and the effects read, the zoom, the progress bar, the pictures and the histories.
#pragma once

#include <limits>

#include "app/state/history.h"
#include "app/state/zoom_scale.h"
#include "formats/metadata.h"
#include "image/bitmap32.h"
#include "image/picture.h"

namespace drollo {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct ProgressBarState {
  int Position = 0;
  int Max = 500;

  // How much of the bar is filled, in hundredths of its length: finer than any window shows it.
  int Hundredths() const {
    return Max > 0 ? static_cast<int>(static_cast<long long>(Position) * 100 / Max) : 0;
  }
  // The first position that shows one hundredth more than this one (beyond Max at the end).
  int NextHundredth() const {
    if (Max <= 0) return std::numeric_limits<int>::max();
    return static_cast<int>(((Hundredths() + 1LL) * Max + 99) / 100);
  }
};

// The window that shows ProgressBar1. A long step advances the bar inside one event; it tells the
// display each time the bar has moved by a hundredth of its length, so the window can show the bar
// before the step ends (and a click's few hundred columns cost the window a few dozen calls).
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void Advanced(const ProgressBarState& bar) = 0;
};

// The palette's pages, by their notebook index.
enum class Page : int { Warp = 0, Swirl = 1, Sketch = 2, Outline = 3 };

// The shape of the mouse warps (the warp page's radio buttons).
enum class Shape : int { None = 0, Spherical = 1, Vertical = 2, Horizontal = 3 };

// What a mouse warp does: expand or shrink (with the shape), swirl either way, or smudge.
enum class Warp : int {
  None = 0,
  Expand = 1,
  Shrink = 2,
  SwirlClockwise = 3,
  SwirlCounterclockwise = 4,
  Smudge = 5
};

// The outline page's drawing tools.
enum class DrawTool : int { None = 0, Line = 1, Pen = 2, Text = 3, Curve = 4, Eraser = 5 };

struct ProgramState {
  // Tool state (written by the palette and the page changes, read by the work area and effects).
  Shape WarpShape = Shape::None;
  Warp WarpAction = Warp::None;
  bool SmudgeMode = false;
  int ScreenRadius = 0;   // tool radius in screen pixels
  int PictureRadius = 0;  // tool radius in picture pixels
  int WarpStrength = 0;
  DrawTool DrawingTool = DrawTool::None;
  int PenWidth = 0;
  int CurveStage = 0;

  double ZoomPercent = 100.0;
  // A zoom step has run since the start: the zoom label shows the factor with one decimal.
  bool ZoomStepped = false;
  ProgressBarState ProgressBar1;
  int PageIndex = 0;  // the notebook index of the palette page showing (see Page)
  Point WarpCentre;

  // Crop selection: while the mode is on, a left drag on the picture draws the crop rectangle.
  // The rectangle counts picture columns and rows from 1 and is inclusive on all four sides.
  bool CropSelectMode = false;
  struct CropRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CropRectangle&) const = default;
  } CropRect;

  Picture WorkingPicture;  // shown by the work area's Image1
  TBitmap32 OutlineBitmap;
  // The sketch page's edge picture, made on turning to that page and dropped on leaving it.
  Picture EdgePicture;
  // The picture as opened (renewing returns to it), kept as the picture history's first entry.
  KeptPicture OpenedPicture;
  // What the opened photo carries besides its pixels (EXIF, colour profile), saved with the
  // picture. Renewing keeps it; a newly opened or pasted picture replaces it.
  formats::PhotoMetadata OpenedMetadata;

  HistoryRing PictureHistory;
  HistoryRing OutlineHistory;
  // The entries the picture and the layer were last opened from, saved as or renewed to. An image
  // that still equals its entry, unwritten since, has nothing unsaved (see PictureSaved).
  std::weak_ptr<const PictureSnapshot> SavedPicture;
  std::weak_ptr<const PictureSnapshot> SavedLayer;
  // The undo controls (tool-bar button and menu entry) and the redo controls, as pairs.
  bool UndoControlsEnabled = false;
  bool RedoControlsEnabled = false;

  // Screen and picture pixels at the current zoom.
  drollo::Zoom Zoom() const { return drollo::Zoom{ZoomPercent}; }

  Page CurrentPage() const { return static_cast<Page>(PageIndex); }
  // The warp and swirl pages, where a press on the picture warps it.
  bool OnWarpPage() const { return CurrentPage() == Page::Warp || CurrentPage() == Page::Swirl; }

  // The ring of the page showing.
  HistoryRing& CurrentHistory() {
    return CurrentPage() == Page::Outline ? OutlineHistory : PictureHistory;
  }
  Picture& CurrentHistoryPicture() {
    return CurrentPage() == Page::Outline ? static_cast<Picture&>(OutlineBitmap) : WorkingPicture;
  }
};

// The history commands. The ring is the one of the page showing: the outline ring on page 3,
// the picture ring on every other page. Commands record through RecordEdit or an EditScope, which
// call backup exactly once per edit.
void backup(ProgramState& s);

// An edit of the picture or the layer done in one go (a sketch, an extraction, a committed text):
// `change` makes it, then one history entry records it.
template <typename Change>
void RecordEdit(ProgramState& s, Change&& change) {
  change();
  backup(s);
}

// An edit that spans several events: a press held over repeated warp steps, a pen or eraser
// stroke drawn over many moves. Its steps mark it changed; its end records one history entry
// when any step changed something, and none when nothing did (an entry equal to the last would
// make the next undo seem to do nothing).
class EditScope {
 public:
  void Begin() {
    open_ = true;
    changed_ = false;
  }
  void Changed() { changed_ = true; }
  bool IsOpen() const { return open_; }
  // Ends the scope, recording into the ring of the page showing when a step changed something.
  // True when it recorded.
  bool End(ProgramState& s) {
    const bool record = changed_;
    open_ = changed_ = false;
    if (record) backup(s);
    return record;
  }

 private:
  bool open_ = false;
  bool changed_ = false;
};
void Undo1Click(ProgramState& s);
void Redo1Click(ProgramState& s);
void ResetPictureHistory(ProgramState& s);
// The picture history reset, and the working picture kept as the opened picture: the history's
// first entry itself, so keeping it costs no copy.
void KeepOpenedPicture(ProgramState& s);
void ResetOutlineHistory(ProgramState& s);
// Brings both pairs of controls in line with the ring of `page`: undo enabled exactly when its
// undo count is above 0, redo exactly when its redo count is. For page changes, which call it for
// the page about to show.
void UpdateHistoryControls(ProgramState& s, int page);

// Whether the picture (the layer) is what was last opened, saved or renewed: it equals its
// history's current entry, that entry is the one marked, and nothing was written since.
bool PictureSaved(const ProgramState& s);
bool LayerSaved(const ProgramState& s);
// The picture (the layer) as it stands now counts as saved.
void MarkPictureSaved(ProgramState& s);
void MarkLayerSaved(ProgramState& s);

}  // namespace drollo
