// What the tool palette asks of the windows around it: the work area's cursors, hint, text box
// and pen, the outline layer's pen, and the colour dialog. The desktop program implements it;
// every method does nothing by default, so a host overrides only what it shows.
#pragma once

#include <string>

#include "image/pixel_math.h"

namespace drollo {

class TToolsHost {
 public:
  virtual ~TToolsHost() = default;

  // Sets the work area's cursors for the current tool.
  virtual void setsigncursor() {}
  // The hint of the working picture Image1.
  virtual void SetImage1Hint(const std::string& hint) { (void)hint; }

  // Opens the colour dialog (with the full colour editor) preset to `colour`. Returns true and
  // the chosen colour in `colour` when the user confirms; false, leaving `colour`, on cancel.
  virtual bool ExecuteColorDialog(TColor& colour) {
    (void)colour;
    return false;
  }

  // The font colour of the text tool's text box Memo1.
  virtual void SetMemo1FontColor(TColor colour) { (void)colour; }
  // The pen of the outline layer's canvas.
  virtual void SetOutlinePenColor(TColor colour) { (void)colour; }
  virtual void SetOutlinePenWidth(int width) { (void)width; }
  // The pen of the work area window's own canvas.
  virtual void SetWorkAreaPenColor(TColor colour) { (void)colour; }
  virtual void SetWorkAreaPenWidth(int width) { (void)width; }
};

}  // namespace drollo
