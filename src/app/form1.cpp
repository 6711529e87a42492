#include "app/form1.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

#include "app/print_mail.h"
#include "app/start_picture.h"
#include "formats/errors.h"
#include "formats/file_types.h"
#include "formats/picture_file.h"
#include "image/resample.h"
#include "palette/picture_save.h"

namespace drollo {

TForm1::TForm1(PlatformServices services)
    : Services(std::move(services)),
      Tools(State, toolsHost_),
      Work_area(State, Tools, &workAreaHost_),
      Image_Size(*this) {
  toolsHost_.Attach(Work_area);
  // The outline page draws on the layer through the platform's canvas and text, and its save and
  // export use the main window's save dialog.
  if (Services.Canvas) Work_area.Outline.SetCanvas(*Services.Canvas);
  Work_area.Outline.Renderer = Services.Renderer;
  Work_area.Outline.FontDialog1 = Services.Fonts;
  Tools.SaveDialog1 = Services.SaveDialog1;
  Tools.Texts = Services.Texts;
  Tools.Subscribe([this] { SyncHistoryControls(); });

  // 2. The main window.
  createControls();
  FormCreate();
  // 3. The work area with the start picture; its creation makes the outline layer blank at the
  //    picture's size, its first showing sets the zoom and the tool radius.
  State.WorkingPicture = MakeStartPicture();
  State.PictureRadius = 100;
  State.ScreenRadius = 100;
  Work_area.FormCreate();
  // 4. The palette (constructed above, on page 0); 5. the about window and the size dialog,
  //    both hidden.
  AboutVisible = false;
  Image_Size.Visible = false;
}

TForm1::~TForm1() = default;

// --- The work area's host -----------------------------------------------------------------------

void TForm1::WorkAreaHost::SetCropButtonEnabled(bool enabled) {
  form_.SpeedButton11.Enabled = enabled;
}
void TForm1::WorkAreaHost::SetCopyActionEnabled(bool enabled) {
  form_.Action6.Enabled = enabled;
}
void TForm1::WorkAreaHost::Repaint(const Rect& area, const Rect& keep) {
  if (form_.Services.Surface) form_.Services.Surface->Repaint(area, keep);
}
void TForm1::WorkAreaHost::Minimize() {
  if (form_.Services.Surface) form_.Services.Surface->Minimize();
}
void TForm1::WorkAreaHost::ConfinePointer(const Rect& image1) {
  if (form_.Services.Surface) form_.Services.Surface->ConfinePointer(image1);
}
void TForm1::WorkAreaHost::ReleasePointer() {
  if (form_.Services.Surface) form_.Services.Surface->ReleasePointer();
}
void TForm1::WorkAreaHost::MessageBox(const std::string& text, const std::string& caption) {
  form_.ShowMessage(text, caption);
}
void TForm1::WorkAreaHost::ShowError(const std::string& message) {
  form_.ReportError(message);
}
bool TForm1::WorkAreaHost::ExecuteColorDialog(TColor& colour) {
  return form_.Services.Colors && form_.Services.Colors->Execute(colour);
}
void TForm1::WorkAreaHost::Advanced(const ProgressBarState& bar) {
  if (form_.Services.Progress) form_.Services.Progress->Advanced(bar);
}

void TForm1::createControls() {
  for (const ToolButtonEntry& e : ToolBarButtons()) {
    SpeedButton* b = nullptr;
    if (e.Name == "SpeedButton3") b = &SpeedButton3;
    if (e.Name == "SpeedButton4") b = &SpeedButton4;
    if (e.Name == "SpeedButton5") b = &SpeedButton5;
    if (e.Name == "SpeedButton10") b = &SpeedButton10;
    if (e.Name == "SpeedButton6") b = &SpeedButton6;
    if (e.Name == "SpeedButton8") b = &SpeedButton8;
    if (e.Name == "SpeedButton9") b = &SpeedButton9;
    if (e.Name == "SpeedButton2") b = &SpeedButton2;
    if (e.Name == "SpeedButton11") b = &SpeedButton11;
    if (e.Name == "SpeedButton16") b = &SpeedButton16;
    if (e.Name == "SpeedButton1") b = &SpeedButton1;
    if (e.Name == "SpeedButton7") b = &SpeedButton7;
    b->Hint = std::string(e.Hint);
    b->Enabled = e.StartsEnabled;
    b->OnClick = [this, h = e.Runs] { Execute(h); };
    toolButtons_[e.Name] = b;
  }
  MenuItem* items[] = {&Open1, &Save1, &Exit1,   &ImageSize1, &Undo1,
                       &Redo1, &Renew, &Online1, &Help2,      &About1};
  int i = 0;
  for (const MenuEntry& e : MenuEntries()) {
    MenuItem* m = items[i++];
    m->Caption = std::string(e.Caption);
    m->Enabled = e.StartsEnabled;
    menuEntries_[e.Name] = m;
  }
  Action* acts[] = {&Action1,  &Action2,  &Action3,  &Action4,  &Action5,
                    &Action6,  &Action7,  &Action8,  &Action9,  &Action10,
                    &Action11, &Action12, &Action13, &Action14, &Action15};
  i = 0;
  for (const ShortcutEntry& e : Shortcuts()) {
    Action* a = acts[i++];
    a->ShortCut = std::string(e.Keys);
    a->Enabled = e.StartsEnabled;
    actions_[e.Name] = a;
  }
}

SpeedButton* TForm1::ToolButton(std::string_view name) {
  const auto it = toolButtons_.find(name);
  return it == toolButtons_.end() ? nullptr : it->second;
}

MenuItem* TForm1::MenuEntryNamed(std::string_view name) {
  const auto it = menuEntries_.find(name);
  return it == menuEntries_.end() ? nullptr : it->second;
}

Action* TForm1::ActionNamed(std::string_view name) {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void TForm1::Execute(Handler h) {
  switch (h) {
    case Handler::Open1Click:
      Open1Click();
      break;
    case Handler::Save1Click:
      Save1Click();
      break;
    case Handler::Exit1Click:
      Exit1Click();
      break;
    case Handler::Undo1Click:
      Undo1Click();
      break;
    case Handler::Redo1Click:
      Redo1Click();
      break;
    case Handler::RenewClick:
      RenewClick();
      break;
    case Handler::SpeedButton8Click:
      SpeedButton8Click();
      break;
    case Handler::SpeedButton9Click:
      SpeedButton9Click();
      break;
    case Handler::SpeedButton2Click:
      SpeedButton2Click();
      break;
    case Handler::SpeedButton11Click:
      SpeedButton11Click();
      break;
    case Handler::SpeedButton16Click:
      SpeedButton16Click();
      break;
    case Handler::SpeedButton1Click:
      SpeedButton1Click();
      break;
    case Handler::Online1Click:
      Online1Click();
      break;
    case Handler::Help2Click:
      Help2Click();
      break;
    case Handler::About1Click:
      About1Click();
      break;
    case Handler::ImageSize1Click:
      ImageSize1Click();
      break;
    case Handler::Action6Execute:
      Action6Execute();
      break;
    case Handler::Action9Execute:
      Action9Execute();
      break;
  }
  changed();
}

void TForm1::PressKeys(std::string_view keys) {
  for (const ShortcutEntry& e : Shortcuts()) {
    if (e.Keys != keys) continue;
    if (ActionNamed(e.Name)->Enabled) Execute(e.Runs);
    return;
  }
}

void TForm1::PressToolButton(SpeedButton& button) {
  for (auto& [name, b] : toolButtons_) b->Down = b == &button;
  button.Click();
}

// --- Start and stop ----------------------------------------------------------------------------

void TForm1::FormCreate() {
  DoubleBuffered = true;
  State.OpenedPicture = KeptPicture();
  State.CropSelectMode = false;
}

void TForm1::FormShow() {
  if (shown_) return;
  shown_ = true;
  WorkAreaSize = DisplaySize{615, 504};
  State.WarpAction = Warp::Expand;
  State.WarpShape = Shape::Spherical;
  DoubleBuffered = true;
  KeepOpenedPicture(State);
  ResetOutlineHistory(State);
  markSaved(true, true);
  // The work area's first showing.
  Work_area.FormShow();
  changed();
}

void TForm1::FormClose() {
  // A normal end leaves no copy.
  if (Services.Recovery && !Closed) Services.Recovery->Finish();
  copyWritten_ = false;
  State.OpenedPicture = KeptPicture();
  State.OpenedMetadata = {};
  State.EdgePicture = Picture();
  State.PictureHistory = HistoryRing();
  State.OutlineHistory = HistoryRing();
  State.OutlineBitmap = TBitmap32();
  Closed = true;
}

// --- Files -------------------------------------------------------------------------------------

void TForm1::Open1Click() {
  std::optional<std::string> name;
  if (Services.OpenPictureDialog1)
    name = Services.OpenPictureDialog1->Execute(formats::OpenDialogFilter(),
                                                formats::OpenDialogAllPicturesEntry());
  if (name) {
    OpenPictureFile(*name);
    return;
  }
  // The picture stays, and so does whatever of it was unsaved; the layer starts blank.
  const bool saved = PictureSaved(State);
  startFromWorkingPicture();
  openedPictureSaved_ = saved;
  markSaved(saved, true);
}

bool TForm1::OpenPictureFile(const std::string& name) {
  formats::LoadedPicture loaded;
  try {
    loaded = formats::LoadPicture(name);
  } catch (const std::exception& e) {
    // Nothing is replaced: the picture, the layer and both histories stay as they were.
    const formats::FileTypeInfo* type = formats::FileTypeForName(name);
    if (type && type->type == formats::FileType::Icon)
      ShowMessage(
          FormatText(Texts().Translate("TForm1", "Input picture%1Error.%2"), {name, e.what()}),
          Texts().Translate("TForm1", "Exit"));
    else
      ReportError(e.what());
    return false;
  }
  State.WorkingPicture = std::move(loaded.picture);
  State.WorkingPicture.markAllWritten();
  // The start picture and the first history entry then keep the file, once the picture moves on.
  if (loaded.origin) State.WorkingPicture.setOrigin(std::move(loaded.origin));
  State.OpenedMetadata = std::move(loaded.metadata);
  PictureFileName = name;
  startFromWorkingPicture();
  openedPictureSaved_ = true;
  markSaved(true, true);
  changed();
  return true;
}

void TForm1::startFromWorkingPicture() {
  Tools.TabbedNotebook1.SetPageIndex(0);
  disableHistoryControls();
  KeepOpenedPicture(State);
  blankOutlineLayer();
  ResetOutlineHistory(State);
  Work_area.SizeImagesToPicture();
  SyncHistoryControls();
}

void TForm1::RenewClick() {
  try {
    State.OpenedPicture.restoreInto(State.WorkingPicture);
  } catch (const std::exception& e) {
    ReportError(e.what());  // the picture stays as it was
    return;
  }
  ResetOutlineLayer();
  Tools.TabbedNotebook1.SetPageIndex(0);
  disableHistoryControls();
  ResetPictureHistory(State);
  ResetOutlineHistory(State);
  SyncHistoryControls();
  markSaved(openedPictureSaved_, true);
}

void TForm1::Save1Click() {
  if (!Services.SaveDialog1) return;
  const std::optional<SaveDialog::Choice> choice =
      Services.SaveDialog1->Execute(formats::SaveDialogFilter());
  if (!choice) return;
  try {
    SavePicture(State.WorkingPicture, *choice, State.OpenedMetadata);
  } catch (const std::exception& e) {
    ReportError(e.what());
    return;
  }
  PictureFileName = SaveTarget(*choice);
  markSaved(true, false);
}

void TForm1::ResetOutlineLayer() {
  blankOutlineLayer();
  Work_area.SizeImagesToPicture();
}

void TForm1::blankOutlineLayer() {
  // Opaque white, written in one pass.
  State.OutlineBitmap = TBitmap32();
  State.OutlineBitmap.reset(State.WorkingPicture.width(), State.WorkingPicture.height(), 255);
}

// --- History -----------------------------------------------------------------------------------

// On the outline page the restored layer is shown again.
void TForm1::Undo1Click() {
  try {
    drollo::Undo1Click(State);
  } catch (const std::exception& e) {
    ReportError(e.what());  // nothing was restored
    return;
  }
  if (State.CurrentPage() == Page::Outline) Work_area.Image2showto();
  SyncHistoryControls();
}

void TForm1::Redo1Click() {
  try {
    drollo::Redo1Click(State);
  } catch (const std::exception& e) {
    ReportError(e.what());
    return;
  }
  if (State.CurrentPage() == Page::Outline) Work_area.Image2showto();
  SyncHistoryControls();
}

void TForm1::SyncHistoryControls() {
  SpeedButton5.Enabled = Undo1.Enabled = State.UndoControlsEnabled;
  SpeedButton10.Enabled = Redo1.Enabled = State.RedoControlsEnabled;
}

void TForm1::disableHistoryControls() {
  State.UndoControlsEnabled = false;
  State.RedoControlsEnabled = false;
  SyncHistoryControls();
}

// --- Zoom --------------------------------------------------------------------------------------

// The work area's own zoom steps, as its wheel runs them: the display sizes and the scroll range
// follow in one place.
void TForm1::SpeedButton8Click() {
  Work_area.imgzoomout();
}

void TForm1::SpeedButton9Click() {
  Work_area.imgzoomin();
}

// --- Crop, clipboard and size ------------------------------------------------------------------

void TForm1::SpeedButton2Click() {
  if (!State.CropSelectMode) {
    State.CropSelectMode = true;
    Tools.TabbedNotebook1.SetPageIndex(0);
    Work_area.RemoveTheBrush();
    Work_area.Image1.ShowHint = false;
    Tools.TabbedNotebook1.ShowHint = true;
    Tools.TabbedNotebook1.Hint = DROLLO_TEXT("TTools", "选择一个区域剪切");
    Work_area.Image1.Cursor = TCursor::Cross;
  } else {
    State.CropSelectMode = false;
    for (auto& [name, b] : toolButtons_) b->Down = b == &SpeedButton11;
    SpeedButton11.Enabled = false;
    Tools.TabbedNotebook1.Enabled = true;
    Work_area.RemoveTheRect2();
    Work_area.Image1.ShowHint = true;
    Tools.TabbedNotebook1.ShowHint = false;
    Work_area.Image1.Cursor = TCursor::Cross;
  }
}

std::optional<Picture> TForm1::RegionCopy() const {
  // The rectangle counts from 1 and includes its edges. It is clipped to the picture, so a
  // rectangle reaching past an edge never reads outside the picture's pixels.
  const Picture& p = State.WorkingPicture;
  const Rect box = ClippedCropRect(State.CropRect, p.width(), p.height());
  if (box.empty()) return std::nullopt;
  const Picture s = ToBgr24(p);
  Picture d(box.width(), box.height(), 24);
  for (int row = box.top; row < box.bottom; ++row)
    std::copy_n(s.row(row) + 3 * box.left, 3 * box.width(), d.mutableRow(row - box.top));
  return d;
}

void TForm1::cropModeOff() {
  State.CropSelectMode = false;
  SpeedButton11.Enabled = false;
  Action6.Enabled = false;
  Tools.TabbedNotebook1.Enabled = true;
  Tools.TabbedNotebook1.ShowHint = false;
  Tools.TabbedNotebook1.SetPageIndex(0);
}

void TForm1::resetAfterNewPicture(bool showCropButtonPressed) {
  State.WorkingPicture.markAllWritten();
  ResetOutlineLayer();
  cropModeOff();
  if (showCropButtonPressed)
    for (auto& [name, b] : toolButtons_) b->Down = b == &SpeedButton11;
  disableHistoryControls();
  ResetPictureHistory(State);
  ResetOutlineHistory(State);
  Work_area.setsigncursor();
}

void TForm1::SpeedButton11Click() {
  std::optional<Picture> d = RegionCopy();
  if (!d) return;
  Work_area.RemoveTheRect2();
  State.WorkingPicture = std::move(*d);
  resetAfterNewPicture(false);
}

void TForm1::Action6Execute() {
  std::optional<Picture> d = RegionCopy();
  if (!d) return;
  if (Services.ClipboardBitmaps) Services.ClipboardBitmaps->PutBitmap(*d);
}

void TForm1::Action9Execute() {
  Work_area.RemoveTheRect2();
  std::optional<Picture> pasted;
  if (Services.ClipboardBitmaps) pasted = Services.ClipboardBitmaps->GetBitmap();
  if (pasted) {
    if (static_cast<std::int64_t>(pasted->width()) * pasted->height() > kMaxPicturePixels) {
      ReportError(Texts().Translate(
          "TForm1", "The picture on the clipboard is too large: more than 268435456 pixels."));
      return;
    }
    State.WorkingPicture = ToBgr24(*pasted);
    State.OpenedMetadata = {};  // the photo's EXIF and profile do not describe the pasted picture
    PictureFileName.clear();
  }
  resetAfterNewPicture(true);
}

void TForm1::ImageSize1Click() {
  Image_Size.FormShow();
}

void TForm1::ApplyPictureSize(int width, int height, double widthRatio, double heightRatio) {
  State.WorkingPicture = AreaResample(State.WorkingPicture, width, height);
  // The display size is scaled from the current one, not computed from the zoom.
  blankOutlineLayer();
  Work_area.ScaleImages(widthRatio, heightRatio);
  Tools.TabbedNotebook1.SetPageIndex(0);
  disableHistoryControls();
  ResetPictureHistory(State);
  // The layer now has the new size: an outline undo must not bring back one of the old size.
  ResetOutlineHistory(State);
}

// --- Print and mail ----------------------------------------------------------------------------

void TForm1::SpeedButton16Click() {
  Printer* printer = Services.Printer1;
  if (!printer || !printer->ExecutePrintDialog()) return;
  try {
    const Picture& p = State.WorkingPicture;
    const Rect target =
        PrintLayout(p.width(), p.height(), printer->PageWidth(), printer->PageHeight());
    if (target.empty()) return;  // nothing to print
    printer->BeginDoc();
    printer->StretchDraw(target, p);
    printer->EndDoc();
  } catch (const std::exception& e) {
    ReportError(e.what());
  }
}

void TForm1::SpeedButton1Click() {
  const std::string folder = Services.DataFolder.empty() ? UserDataFolder() : Services.DataFolder;
  const std::string path = folder + "/mywork";
  try {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw formats::PictureFileError("Cannot create folder " + folder + ": " + ec.message());
    formats::SaveAsJpeg(State.WorkingPicture, formats::WithExtension(path, ".jpg"));
  } catch (const std::exception& e) {
    ReportError(e.what());
    return;
  }
  NamedValues values;
  values["subject"] = Texts().Translate("TForm1", kMailSubject);
  values["body"] = MailBody(Texts());
  values["attachment0"] = path + ".jpg";
  SendMapiMail(Services.Mail, values);  // whatever the mail program answers is not reported
}

// --- Web pages ---------------------------------------------------------------------------------

void TForm1::Online1Click() {
  if (Services.Browser) Services.Browser->OpenWebPage(kHomePage);
}

void TForm1::Help2Click() {
  if (!Services.Browser) return;
  if (Services.HelpPage.empty()) {
    ReportError(Texts().Translate("TForm1", kHelpPageMissing));
    return;
  }
  Services.Browser->OpenWebPage("file://" + Services.HelpPage);
}

// --- Reports and listeners ---------------------------------------------------------------------

void TForm1::ReportError(const std::string& message) {
  if (Services.Errors) Services.Errors->ShowError(message);
}

void TForm1::ShowMessage(const std::string& text, const std::string& caption) {
  if (Services.Messages) Services.Messages->MessageBox(text, caption);
}

const TextLookup& TForm1::Texts() const {
  return Services.Texts ? *Services.Texts : SourceTexts();
}

void TForm1::Subscribe(std::function<void()> listener) {
  listeners_.push_back(std::move(listener));
}

void TForm1::changed() {
  // A palette page change may have brought the history flags in line with another ring.
  SyncHistoryControls();
  for (const auto& l : listeners_) l();
  RecoveryTick();
}

// --- Recovery copies ---------------------------------------------------------------------------

void TForm1::markSaved(bool picture, bool layer) {
  if (picture) MarkPictureSaved(State);
  if (layer) MarkLayerSaved(State);
}

RecoveryState TForm1::recoveryState() const {
  return RecoveryState{PictureFileName, State.ZoomPercent, State.ZoomStepped, State.PageIndex};
}

void TForm1::RecoveryTick() {
  RecoveryStore* store = Services.Recovery;
  if (!store || !shown_ || Closed) return;
  if (std::optional<std::string> e = store->TakeWriteError())
    ReportError(Texts().Translate("TForm1", recovery_text::kWriteFailed) + *e);
  if (PictureSaved(State) && LayerSaved(State)) {
    if (copyWritten_) store->Remove();
    copyWritten_ = false;
    return;
  }
  const RecoveryState state = recoveryState();
  // A picture written since its last record is an edit under way: it counts as a change.
  if (copyWritten_ && state == copiedState_ &&
      UnchangedSince(State.WorkingPicture, copiedPicture_) &&
      UnchangedSince(State.OutlineBitmap, copiedLayer_))
    return;
  const std::chrono::steady_clock::time_point now = store->Now();
  if (lastCopyTime_ && now - *lastCopyTime_ < RecoveryStore::kInterval) return;
  std::shared_ptr<const PictureSnapshot> picture =
      State.PictureHistory.snapshotOf(State.WorkingPicture);
  std::shared_ptr<const PictureSnapshot> layer =
      State.OutlineHistory.snapshotOf(State.OutlineBitmap);
  copiedPicture_ = picture;
  copiedLayer_ = layer;
  copiedState_ = state;
  copyWritten_ = true;
  lastCopyTime_ = now;
  store->Write(std::move(picture), std::move(layer), state);
}

bool TForm1::OfferRecoveryCopy() {
  RecoveryStore* store = Services.Recovery;
  if (!store || !Services.Questions) return false;
  for (;;) {
    std::vector<std::string> damaged;
    std::optional<RecoveredWork> work = store->NextOrphan(damaged);
    for (const std::string& d : damaged)
      ReportError(Texts().Translate("TForm1", recovery_text::kDamaged) + d);
    if (!work) return false;
    const TextLookup& t = Texts();
    if (!Services.Questions->Ask(RecoveryQuestionText(*work, t),
                                 t.Translate("TForm1", recovery_text::kCaption),
                                 t.Translate("TForm1", recovery_text::kRestore),
                                 t.Translate("TForm1", recovery_text::kDiscard))) {
      store->DiscardOrphan();
      continue;
    }
    restoreWork(*work);
    // The work becomes this run's copy at once; the dead run's goes only once that is written.
    copyWritten_ = false;
    lastCopyTime_.reset();
    changed();
    if (store->Flush())
      store->DiscardOrphan();
    else
      store->ReleaseOrphan();
    return true;
  }
}

void TForm1::restoreWork(RecoveredWork& work) {
  State.WorkingPicture = std::move(work.WorkingPicture);
  State.WorkingPicture.markAllWritten();
  State.OpenedMetadata = {};
  PictureFileName = work.State.SourceFile;
  State.ZoomPercent = work.State.ZoomPercent;
  State.ZoomStepped = work.State.ZoomStepped;
  startFromWorkingPicture();
  State.OutlineBitmap = std::move(work.OutlineBitmap);
  State.OutlineBitmap.markAllWritten();
  ResetOutlineHistory(State);
  Tools.TabbedNotebook1.SetPageIndex(work.State.PageIndex);
  // Nothing of it is saved anywhere but in the copy, renewing included.
  openedPictureSaved_ = false;
  State.SavedPicture.reset();
  State.SavedLayer.reset();
  SyncHistoryControls();
}

}  // namespace drollo
