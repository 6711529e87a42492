// The outline page's save and export: the working picture or the outline layer alone, never the
// two merged.
#include <exception>
#include <optional>

#include "formats/file_types.h"
#include "palette/picture_save.h"
#include "palette/tools.h"

namespace drollo {

void TTools::savePictureFile(const Picture& picture) {
  if (!SaveDialog1) return;
  const std::optional<SaveDialog::Choice> choice =
      SaveDialog1->Execute(formats::SaveDialogFilter());
  if (!choice) return;
  try {
    // The layer goes out alone, keeping its fourth bytes; the picture carries the photo's
    // metadata as the main window's save does.
    if (&picture == &state_.OutlineBitmap)
      SaveLayer(state_.OutlineBitmap, *choice);
    else
      SavePicture(picture, *choice, state_.OpenedMetadata);
  } catch (const std::exception& e) {
    host_.ShowError(e.what());
  }
}

void TTools::SpeedButton7Click() {
  savePictureFile(state_.OutlineBitmap);
}

void TTools::SpeedButton19Click() {
  savePictureFile(state_.WorkingPicture);
}

}  // namespace drollo
