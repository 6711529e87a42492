// The program-wide state, owned by one object that the window models share: the tool state the
// palette writes and the effects read, the zoom, the progress bar, the pictures and the histories.
#pragma once

#include <functional>

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
  // Runs each time a long step advances the bar, so a window can show it before the step ends.
  std::function<void()> Advanced;
};

struct ProgramState {
  // Tool state (written by the palette and the page changes, read by the work area and effects).
  int WarpShape = 0;   // 0 none, 1 spherical, 2 vertical, 3 horizontal
  int WarpAction = 0;  // 1 expand, 2 shrink, 3 and 4 swirls, 5 smudge
  bool SmudgeMode = false;
  int ScreenRadius = 0;   // tool radius in screen pixels
  int PictureRadius = 0;  // tool radius in picture pixels
  int WarpStrength = 0;
  int DrawingTool = 0;  // 1 line, 2 pen, 3 text, 4 curve, 5 eraser
  int PenWidth = 0;
  int CurveStage = 0;

  double ZoomPercent = 100.0;
  // A zoom step has run since the start: the zoom label shows the factor with one decimal.
  bool ZoomStepped = false;
  ProgressBarState ProgressBar1;
  int PageIndex = 0;  // the palette page showing: 3 is the outline page
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
  Picture EdgePicture;
  Picture OpenedPicture;
  // What the opened photo carries besides its pixels (EXIF, colour profile), saved with the
  // picture. Renewing keeps it; a newly opened or pasted picture replaces it.
  formats::PhotoMetadata OpenedMetadata;

  HistoryRing PictureHistory;
  HistoryRing OutlineHistory;
  // The undo controls (tool-bar button and menu entry) and the redo controls, as pairs.
  bool UndoControlsEnabled = false;
  bool RedoControlsEnabled = false;

  // Shows the outline layer again over the picture (the work area's Image2showto). Undo and redo
  // on the outline page call it after restoring the layer; unset, nothing is shown.
  std::function<void()> Image2showto;

  // Screen and picture pixels at the current zoom.
  drollo::Zoom Zoom() const { return drollo::Zoom{ZoomPercent}; }

  // The ring of the page showing.
  HistoryRing& CurrentHistory() { return PageIndex == 3 ? OutlineHistory : PictureHistory; }
  Picture& CurrentHistoryPicture() {
    return PageIndex == 3 ? static_cast<Picture&>(OutlineBitmap) : WorkingPicture;
  }
};

// The history commands. The ring is the one of the page showing: the outline ring on page 3,
// the picture ring on every other page.
void backup(ProgramState& s);
void Undo1Click(ProgramState& s);
void Redo1Click(ProgramState& s);
void ResetPictureHistory(ProgramState& s);
void ResetOutlineHistory(ProgramState& s);
// Brings both pairs of controls in line with the ring of `page`: undo enabled exactly when its
// undo count is above 0, redo exactly when its redo count is. For page changes, which call it for
// the page about to show.
void UpdateHistoryControls(ProgramState& s, int page);

}  // namespace drollo
