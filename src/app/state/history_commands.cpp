#include <cassert>

#include "app/state/program_state.h"

namespace drollo {

void backup(ProgramState& s) {
  s.CurrentHistory().record(s.CurrentHistoryPicture());
  s.UndoControlsEnabled = true;
  s.RedoControlsEnabled = false;
}

void Undo1Click(ProgramState& s) {
  HistoryRing& ring = s.CurrentHistory();
  // Undo never changes the display size: only the picture's content is put back.
  ring.undo(s.CurrentHistoryPicture());
  if (ring.undoCount() == 0) s.UndoControlsEnabled = false;
  if (ring.redoCount() > 0) s.RedoControlsEnabled = true;
  assert(s.CurrentPage() != Page::Outline || s.OutlineBitmap.bitsPerPixel() == 32);
}

void Redo1Click(ProgramState& s) {
  HistoryRing& ring = s.CurrentHistory();
  ring.redo(s.CurrentHistoryPicture());
  if (ring.redoCount() == 0) s.RedoControlsEnabled = false;
  if (ring.undoCount() > 0) s.UndoControlsEnabled = true;
  assert(s.CurrentPage() != Page::Outline || s.OutlineBitmap.bitsPerPixel() == 32);
}

void ResetPictureHistory(ProgramState& s) {
  s.PictureHistory.reset(s.WorkingPicture);
}

void KeepOpenedPicture(ProgramState& s) {
  ResetPictureHistory(s);
  s.OpenedPicture = KeptPicture(s.PictureHistory.slotShared(1));
}

void ResetOutlineHistory(ProgramState& s) {
  s.OutlineHistory.reset(s.OutlineBitmap);
}

bool PictureSaved(const ProgramState& s) {
  return UnchangedSince(s.WorkingPicture, s.SavedPicture);
}

bool LayerSaved(const ProgramState& s) {
  return UnchangedSince(s.OutlineBitmap, s.SavedLayer);
}

void MarkPictureSaved(ProgramState& s) {
  s.SavedPicture = s.PictureHistory.slotShared(s.PictureHistory.index());
}

void MarkLayerSaved(ProgramState& s) {
  s.SavedLayer = s.OutlineHistory.slotShared(s.OutlineHistory.index());
}

void UpdateHistoryControls(ProgramState& s, int page) {
  const HistoryRing& ring =
      page == static_cast<int>(Page::Outline) ? s.OutlineHistory : s.PictureHistory;
  s.UndoControlsEnabled = ring.undoCount() > 0;
  s.RedoControlsEnabled = ring.redoCount() > 0;
}

}  // namespace drollo
