// Writing a picture as a save dialog's choice says, for the main window's save and the outline
// page's save and export alike. The dialog's entries and the types behind them come from the
// table of file types (formats/file_types.h).
#pragma once

#include <string>

#include "formats/metadata.h"
#include "image/bitmap32.h"
#include "image/picture.h"
#include "palette/save_dialog.h"

namespace drollo {

// The file a choice writes: the typed name with the chosen entry's extension in place of its own
// (".jpg", ".bmp", ".wmf", ".png"); an unknown entry writes nothing and gives an empty name. The
// dialog asks about replacing exactly this file.
std::string SaveTarget(const SaveDialog::Choice& choice);

// Writes the working picture to SaveTarget(choice): a JPEG or a PNG carrying the opened photo's
// metadata, a BMP at the picture's own depth, or a metafile. A PNG holds it at 24 bits (the fourth
// bytes of a 32-bit .bmp are no transparency). The file is replaced only once it is complete, so a
// failed write leaves an existing file as it was; failures throw with the file's name.
void SavePicture(const Picture& picture, const SaveDialog::Choice& choice,
                 const formats::PhotoMetadata& metadata = {});

// Writes the outline layer alone, as SavePicture does but without metadata and at 32 bits where
// the type allows (BMP, and PNG with the fourth bytes as alpha).
void SaveLayer(const TBitmap32& layer, const SaveDialog::Choice& choice);

}  // namespace drollo
