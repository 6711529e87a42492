// The plain controls of the work area window as data: cursors, mouse buttons and keys, timers,
// scroll bars, image controls and pens.
#pragma once

#include <string>

#include "image/pixel_math.h"

namespace drollo {

// The cursors shown over the work area's image controls.
enum class TCursor {
  Default,  // the arrow
  Cross,
  IBeam,
  Drag,
  // Application cursor number 1, registered from the cursor resource "PEN". The program carries
  // no cursor of that name, so it shows the default arrow unless the desktop layer supplies one.
  Pen,
};

enum class TMouseButton { Left, Right, Middle };

// The buttons and keys held during a mouse event. On a press the pressed button is held.
struct TShiftState {
  bool Left = false;
  bool Right = false;
  bool Middle = false;
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

// A timer as state: the owner of the clock calls the handler once per interval while it is
// enabled.
struct TTimer {
  bool Enabled = false;
  int Interval = 1000;  // milliseconds
};

// A window scroll bar: the position is kept within 0 and the range the content leaves.
struct TScrollBar {
  int Position = 0;
};

// The state of one of the two stretched image controls; their display size is in the viewport's
// Images.
struct TImageControl {
  bool Visible = true;
  std::string Hint;
  bool ShowHint = true;
  TCursor Cursor = TCursor::Default;
};

// A pen of a canvas.
struct TPen {
  TColor Color = kBlack;
  int Width = 1;
};

}  // namespace drollo
