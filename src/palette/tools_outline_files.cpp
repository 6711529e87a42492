// The outline page's save and export: the working picture or the outline layer alone, never the
// two merged.
#include <exception>
#include <optional>

#include "formats/file_types.h"
#include "palette/picture_save.h"
#include "palette/tools.h"

namespace drollo {

// The layer goes out alone, keeping its fourth bytes; the picture carries the photo's metadata as
// the main window's save does. Either counts as saved from then on, as the main window's save does
// for the picture, so no recovery copy of it stays behind.
void TTools::savePictureFile(bool layer) {
  if (!SaveDialog1) return;
  const std::optional<SaveDialog::Choice> choice =
      SaveDialog1->Execute(formats::SaveDialogFilter());
  if (!choice) return;
  try {
    if (layer) {
      SaveLayer(state_.OutlineBitmap, *choice);
      MarkLayerSaved(state_);
    } else {
      SavePicture(state_.WorkingPicture, *choice, state_.OpenedMetadata);
      MarkPictureSaved(state_);
    }
  } catch (const std::exception& e) {
    host_.ShowError(e.what());
  }
}

void TTools::SpeedButton7Click() {
  savePictureFile(true);
}

void TTools::SpeedButton19Click() {
  savePictureFile(false);
}

}  // namespace drollo
