// The main window as a model without a screen: its tool bar, menu entries and key short-cuts as
// control states, the zoom label, and the commands they run. It owns the program-wide state, the
// tool palette, the work area and the picture-size dialog, creates them in the program's start
// order and frees the shared pictures when it closes.
//
// The desktop window builds its widgets from the command tables (app/commands.h), shows the
// control states held here and calls Execute (or a handler) for every activation; listeners
// subscribed here repaint after each command.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "app/image_size.h"
#include "app/services.h"
#include "app/state/program_state.h"
#include "palette/controls.h"
#include "palette/tools.h"
#include "workarea/work_area.h"
#include "workarea/zoom.h"

namespace drollo {

struct MenuItem : Control {};
struct Action : Control {
  std::string ShortCut;
};

enum class Cursor { Default, Cross };

// The calls the main window's commands make into the work area's overlays. Each may be left
// unset while the work area shows nothing.
struct WorkAreaOverlays {
  std::function<void()> RemoveTheRect2;  // erase the crop rectangle and forget its corners
  std::function<void()> RemoveTheBrush;  // erase the brush circle
  std::function<void()> setsigncursor;   // the cursors of the current tool
  std::function<void()> RepaintImage1;
};

inline constexpr const char* kOpenFilter =
    "*.jpg|*.jpg|*.jpeg|*.jpeg|*.bmp|*.bmp|*.wmf|*.wmf|*.emf|*.emf|*.gif|*.gif|All files|*.*";
inline constexpr const char* kSaveFilter = "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf";
inline constexpr const char* kHomePage = "https://www.drollo.org/";
// The question-and-answer page installed with the program.
inline constexpr const char* kHelpPage = "file:///usr/share/drollo/help/faq.html";

class TForm1 {
 public:
  // Runs the start sequence up to the message loop: the main window, the work area (with the
  // start picture and its blank outline layer), the palette, the hidden dialogs.
  // `toolsHost` receives the palette's calls out, `workAreaHost` the work area's (the desktop
  // windows); either may be null.
  explicit TForm1(PlatformServices services = {}, TToolsHost* toolsHost = nullptr,
                  TWork_areaHost* workAreaHost = nullptr);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  ProgramState State;

 private:
  TToolsHost defaultToolsHost_;

 public:
  // The palette is built before the work area because the work area refers to it; neither
  // constructor acts on the program state, and the start steps run in the constructor's body.
  TTools Tools;
  TWork_area Work_area;
  TImage_Size Image_Size;
  bool AboutVisible = false;  // the about window "关于我们", created hidden

  PlatformServices Services;
  WorkAreaOverlays Overlays;

  // Window.
  std::string Caption = "Drollo 1.0";
  Rect Bounds{2, 23, 2 + 885, 23 + 611};
  bool DoubleBuffered = false;
  bool Closed = false;       // FormClose ran: the program ends
  DisplaySize WorkAreaSize;  // the work area window's outer size

  // The work area's two image controls (display sizes) and what the main window sets on Image1.
  WorkAreaImages Images;
  bool Image1ShowHint = true;
  Cursor Image1Cursor = Cursor::Default;

  // Tool bar, left to right.
  SpeedButton SpeedButton3, SpeedButton4, SpeedButton5, SpeedButton10, SpeedButton6, SpeedButton8,
      SpeedButton9;
  Label Label1;  // the zoom label
  SpeedButton SpeedButton2, SpeedButton11, SpeedButton16, SpeedButton1, SpeedButton7;
  // Menu entries.
  MenuItem Open1, Save1, Exit1, ImageSize1, Undo1, Redo1, Renew, Online1, Help2, About1;
  // Key short-cuts.
  Action Action1, Action2, Action3, Action4, Action5, Action6, Action7, Action8, Action9, Action10,
      Action11, Action12, Action13, Action14, Action15;

  // Controls by their names in the command tables; null for an unknown name.
  SpeedButton* ToolButton(std::string_view name);
  MenuItem* MenuEntryNamed(std::string_view name);
  Action* ActionNamed(std::string_view name);

  // Runs a command's handler (disabled controls are the caller's concern: the desktop window
  // never delivers their activations).
  void Execute(Handler h);
  // A key short-cut pressed ("Ctrl+C"): its action's handler runs when the action is enabled.
  void PressKeys(std::string_view keys);
  // A tool bar button pressed: it is shown pressed, the others raised, and its handler runs, also
  // when it was shown pressed already.
  void PressToolButton(SpeedButton& button);

  // Start and stop.
  void FormCreate();
  void FormShow();  // the first showing of the main window
  void FormClose();
  void Exit1Click() { FormClose(); }

  // Files.
  void Open1Click();
  // The open dialog and the load. False when loading failed (the error has been reported and
  // nothing changed).
  bool OpenPictureFromDialog();
  void RenewClick();
  void Save1Click();
  // The outline layer blank at the picture's size, the display sizes from the zoom.
  void ResetOutlineLayer();

  // History.
  void Undo1Click();
  void Redo1Click();

  // Zoom.
  void SpeedButton8Click();  // out
  void SpeedButton9Click();  // in

  // Crop, clipboard and size.
  void SpeedButton2Click();   // crop selection mode on or off
  void SpeedButton11Click();  // crop to the selection
  void Action6Execute();      // copy the selection
  void Action9Execute();      // paste
  void ImageSize1Click();
  // The selection, clipped to the picture, as a 24-bit picture; nothing when its width or
  // height is 0 or less.
  std::optional<Picture> RegionCopy() const;

  // Print and mail.
  void SpeedButton16Click();
  void SpeedButton1Click();

  // Web pages and the about window.
  void Online1Click();
  void Help2Click();
  void About1Click() { AboutVisible = true; }

  // Undo and redo buttons and menu entries from the history's flags.
  void SyncHistoryControls();
  // The picture-size dialog's apply: the picture resampled to width x height, the display sizes
  // scaled by the ratios, the layer blank, palette on page 0, both histories reset.
  void ApplyPictureSize(int width, int height, double widthRatio, double heightRatio);
  void ReportError(const std::string& message);
  void ShowMessage(const std::string& text, const std::string& caption);

  void Subscribe(std::function<void()> listener);

 private:
  void createControls();
  void blankOutlineLayer();  // steps 1 and 2 of ResetOutlineLayer
  void sizeImage1();         // step 3
  void sizeImage2();         // step 4
  void disableHistoryControls();
  void removeTheRect2();
  void cropModeOff();  // the end of crop selection after cropping or pasting
  void resetAfterNewPicture(bool showCropButtonPressed);
  void changed();

  std::map<std::string_view, SpeedButton*> toolButtons_;
  std::map<std::string_view, MenuItem*> menuEntries_;
  std::map<std::string_view, Action*> actions_;
  std::vector<std::function<void()>> listeners_;
  bool shown_ = false;
};

}  // namespace drollo
