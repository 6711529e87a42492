#include "palette/picture_save.h"

#include "formats/file_types.h"
#include "formats/picture_file.h"

namespace drollo {

std::string SaveTarget(const SaveDialog::Choice& choice) {
  const formats::FileTypeInfo* type = formats::FileTypeForSaveFilter(choice.FilterIndex);
  if (!type) return {};
  return formats::WithExtension(choice.FileName, std::string(type->extensions.front()));
}

void SavePicture(const Picture& picture, const SaveDialog::Choice& choice,
                 const formats::PhotoMetadata& metadata) {
  const formats::FileTypeInfo* type = formats::FileTypeForSaveFilter(choice.FilterIndex);
  if (!type) return;  // not an entry of the dialog
  if (type->type == formats::FileType::Png && picture.bitsPerPixel() == 32)
    formats::SavePicture(ToBgr24(picture), choice.FileName, type->type, metadata);
  else
    formats::SavePicture(picture, choice.FileName, type->type, metadata);
}

void SaveLayer(const TBitmap32& layer, const SaveDialog::Choice& choice) {
  const formats::FileTypeInfo* type = formats::FileTypeForSaveFilter(choice.FilterIndex);
  if (type) formats::SavePicture(layer, choice.FileName, type->type);
}

}  // namespace drollo
