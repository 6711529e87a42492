// The main window as a model without a screen: its tool bar, menu entries and key short-cuts as
// control states, the zoom label, and the commands they run. It is the program: it owns the
// program-wide state, the tool palette, the work area and the picture-size dialog, creates them in
// the program's start order, joins them to each other and to the platform services it is given,
// and frees the shared pictures when it closes.
//
// Both programs build it the same way and add only their surface: the desktop its windows (which
// build their widgets from the command tables in app/commands.h, show the control states held here
// and call Execute or a handler for every activation), drollo-batch its answers to the dialogs.
// Each fact has one owner: the work area owns the display sizes, cursors and hints of its image
// controls, the program state the zoom; the zoom label is computed from it.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "app/image_size.h"
#include "app/recovery.h"
#include "app/services.h"
#include "app/state/program_state.h"
#include "palette/controls.h"
#include "palette/tools.h"
#include "text/texts.h"
#include "workarea/work_area.h"
#include "workarea/zoom.h"

namespace drollo {

struct MenuItem : Control {};
struct Action : Control {
  std::string ShortCut;
};

inline constexpr const char* kHomePage = "https://www.drollo.org/";
// Reported when the question-and-answer page installed with the program cannot be found.
inline constexpr const char* kHelpPageMissing =
    DROLLO_TEXT("TForm1",
                "The help page could not be found: it is installed with the program as "
                "share/drollo/help/faq.html beside the program's folder.");

class TForm1 {
 public:
  // Runs the start sequence up to the message loop: the main window, the work area (with the
  // start picture and its blank outline layer), the palette, the hidden dialogs. Every service
  // left out of `services` behaves as described in app/services.h.
  explicit TForm1(PlatformServices services = {});
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  ProgramState State;
  PlatformServices Services;

 private:
  // What the work area asks of the main window and the screen.
  class WorkAreaHost : public TWork_areaHost {
   public:
    explicit WorkAreaHost(TForm1& form) : form_(form) {}
    void SetCropButtonEnabled(bool enabled) override;
    void SetCopyActionEnabled(bool enabled) override;
    void Repaint(const Rect& area, const Rect& keep) override;
    void Minimize() override;
    void ConfinePointer(const Rect& image1) override;
    void ReleasePointer() override;
    void MessageBox(const std::string& text, const std::string& caption) override;
    void ShowError(const std::string& message) override;
    bool ExecuteColorDialog(TColor& colour) override;
    void Advanced(const ProgressBarState& bar) override;

   private:
    TForm1& form_;
  };
  // The palette is built before the work area, which refers to it; its calls out reach the work
  // area through the relay once that exists.
  TToolsHostRelay toolsHost_;
  WorkAreaHost workAreaHost_{*this};

 public:
  // Neither constructor acts on the program state; the start steps run in this constructor's
  // body.
  TTools Tools;
  TWork_area Work_area;
  TImage_Size Image_Size;
  bool AboutVisible = false;  // the about window "关于我们", created hidden

  // Window.
  std::string Caption = "Drollo 1.0";
  Rect Bounds{2, 23, 2 + 885, 23 + 611};
  bool DoubleBuffered = false;
  bool Closed = false;       // FormClose ran: the program ends
  DisplaySize WorkAreaSize;  // the work area window's outer size

  // Tool bar, left to right; the zoom label Label1 between SpeedButton9 and SpeedButton2 shows
  // Label1Caption().
  SpeedButton SpeedButton3, SpeedButton4, SpeedButton5, SpeedButton10, SpeedButton6, SpeedButton8,
      SpeedButton9;
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

  // The zoom label's text: "100%" until the first zoom step, then the zoom with one decimal.
  std::string Label1Caption() const { return ZoomLabel(State); }

  // Start and stop.
  void FormCreate();
  // The first showing of the main window, then of the work area (whose client size the caller
  // has set).
  void FormShow();
  void FormClose();
  void Exit1Click() { FormClose(); }

  // Files.
  // The file the working picture was opened from or last saved to by the save command; empty for
  // the start picture and a pasted one. A recovery copy keeps it.
  std::string PictureFileName;
  // The open dialog, then OpenPictureFile with the chosen name. Cancelling keeps the picture but
  // starts afresh from it, as an open does.
  void Open1Click();
  // Opens the named picture file, from the open dialog, the command line, a drop or drollo-batch:
  // it becomes the working and the opened picture, with its metadata, on a blank layer with empty
  // histories and the palette on page 0. A file that cannot be opened (missing, of no known type,
  // damaged) is reported with its name and the reason, and changes nothing; then false.
  bool OpenPictureFile(const std::string& name);
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
  // Messages are shown as given: their texts are already in the interface's language.
  void ReportError(const std::string& message);
  void ShowMessage(const std::string& text, const std::string& caption);
  // The texts in the interface's language (the services' lookup; without one, as written).
  const TextLookup& Texts() const;

  // Recovery copies (app/recovery.h). Runs after every command the main window runs; the desktop
  // also runs it after every event and once a second. When there is unsaved work (the picture or
  // the layer differs from what was last opened, saved or renewed) that changed since the last
  // copy, and the last copy is RecoveryStore::kInterval old, a new copy is written in the
  // background; once nothing is unsaved the copy is removed. Closing removes it too.
  void RecoveryTick();
  // The start's last step, once the windows show: a copy that a run which did not end normally
  // left is offered back, restoring being the default answer. Restoring brings back the picture,
  // the layer, the zoom and the palette page as the first entry of fresh histories, as an open
  // does, and makes the work this run's copy before the dead run's is deleted; discarding deletes
  // the copy and offers the next one left. A copy that cannot be read is reported and set aside.
  // True when a copy was restored.
  bool OfferRecoveryCopy();

  void Subscribe(std::function<void()> listener);

 private:
  void createControls();
  void blankOutlineLayer();  // steps 1 and 2 of ResetOutlineLayer
  void disableHistoryControls();
  void cropModeOff();  // the end of crop selection after cropping or pasting
  void resetAfterNewPicture(bool showCropButtonPressed);
  void startFromWorkingPicture();  // the resets after opening
  void changed();

  // The picture (the layer) as it stands now counts as saved.
  void markSaved(bool picture, bool layer);
  RecoveryState recoveryState() const;
  void restoreWork(RecoveredWork& work);

  // OpenedPicture came from a file or is the start picture, not a restored copy: renewing to it
  // leaves nothing unsaved.
  bool openedPictureSaved_ = true;
  // The copy last asked for, and when.
  bool copyWritten_ = false;
  std::weak_ptr<const PictureSnapshot> copiedPicture_, copiedLayer_;
  RecoveryState copiedState_;
  std::optional<std::chrono::steady_clock::time_point> lastCopyTime_;

  std::map<std::string_view, SpeedButton*> toolButtons_;
  std::map<std::string_view, MenuItem*> menuEntries_;
  std::map<std::string_view, Action*> actions_;
  std::vector<std::function<void()>> listeners_;
  bool shown_ = false;
};

}  // namespace drollo
