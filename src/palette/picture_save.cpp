#include "palette/picture_save.h"

#include "formats/picture_file.h"

namespace drollo {

std::string SaveTarget(const SaveDialog::Choice& choice) {
  switch (choice.FilterIndex) {
    case 1:
      return formats::WithExtension(choice.FileName, ".jpg");
    case 2:
      return formats::WithExtension(choice.FileName, ".bmp");
    case 3:
      return formats::WithExtension(choice.FileName, ".wmf");
    default:
      return {};
  }
}

void SavePicture(const Picture& picture, const SaveDialog::Choice& choice) {
  switch (choice.FilterIndex) {
    case 1:
      formats::SaveAsJpeg(picture, SaveTarget(choice));
      break;
    case 2:
      formats::SaveAsBmp(picture, SaveTarget(choice));
      break;
    case 3:
      formats::SaveAsMetafile(picture, choice.FileName);
      break;
    default:
      break;  // the dialog offers three entries only
  }
}

}  // namespace drollo
