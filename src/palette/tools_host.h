// What the tool palette asks of the windows around it: the work area's cursors, hint, caption,
// text box and pen, the outline layer's image and pen, the colour dialog and the message boxes.
// The desktop program implements it; every method does nothing by default, so a host overrides
// only what it shows.
#pragma once

#include <string>

#include "image/pixel_math.h"

namespace drollo {

// The cursors the palette puts on the work area's two image controls.
enum class WorkAreaCursor { Arrow, Cross };

class TToolsHost {
 public:
  virtual ~TToolsHost() = default;

  // Sets the work area's cursors for the current tool.
  virtual void setsigncursor() {}
  // The hint of the working picture Image1.
  virtual void SetImage1Hint(const std::string& hint) { (void)hint; }
  virtual void SetImage1Cursor(WorkAreaCursor cursor) { (void)cursor; }
  // The outline layer's image control Image2, which lies over Image1 on the outline page.
  virtual void SetImage2Visible(bool visible) { (void)visible; }
  virtual void SetImage2Cursor(WorkAreaCursor cursor) { (void)cursor; }
  // The caption of the work area window.
  virtual void SetWorkAreaCaption(const std::string& caption) { (void)caption; }
  // Shows the outline layer again over the picture, or alone (the work area's layer display).
  virtual void Image2showto() {}

  // A message box with one OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption) {
    (void)text;
    (void)caption;
  }
  // The application's general error report: a message box with the error's text.
  virtual void ShowError(const std::string& message) { (void)message; }

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

// The palette's host for a program whose palette is built before its work area: it passes every
// call on to the host attached later (normally the work area) and drops calls until then.
class TToolsHostRelay : public TToolsHost {
 public:
  void Attach(TToolsHost& target) { target_ = &target; }

  void setsigncursor() override;
  void SetImage1Hint(const std::string& hint) override;
  void SetImage1Cursor(WorkAreaCursor cursor) override;
  void SetImage2Visible(bool visible) override;
  void SetImage2Cursor(WorkAreaCursor cursor) override;
  void SetWorkAreaCaption(const std::string& caption) override;
  void Image2showto() override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  void ShowError(const std::string& message) override;
  bool ExecuteColorDialog(TColor& colour) override;
  void SetMemo1FontColor(TColor colour) override;
  void SetOutlinePenColor(TColor colour) override;
  void SetOutlinePenWidth(int width) override;
  void SetWorkAreaPenColor(TColor colour) override;
  void SetWorkAreaPenWidth(int width) override;

 private:
  TToolsHost* target_ = nullptr;
};

}  // namespace drollo
