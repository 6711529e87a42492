// The outline page's save and export: the working picture or the outline layer alone, never the
// two merged.
#include <exception>
#include <optional>

#include "formats/picture_file.h"
#include "palette/tools.h"

namespace drollo {

void TTools::savePictureFile(const Picture& picture) {
  if (!SaveDialog1) return;
  const std::optional<SaveDialog::Choice> choice = SaveDialog1->Execute(kPictureSaveFilter);
  if (!choice) return;
  // The writers replace the file only once it is complete, so a failed write leaves an existing
  // file as it was; the error names the file.
  try {
    switch (choice->FilterIndex) {
      case 1:
        formats::SaveAsJpeg(picture, formats::WithExtension(choice->FileName, ".jpg"));
        break;
      case 2:
        formats::SaveAsBmp(picture, formats::WithExtension(choice->FileName, ".bmp"));
        break;
      case 3:
        formats::SaveAsMetafile(picture, choice->FileName);
        break;
      default:
        break;  // the dialog offers three entries only
    }
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
