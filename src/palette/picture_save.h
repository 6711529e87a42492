// Writing a picture as a save dialog's choice says, for the main window's save and the outline
// page's save and export alike.
#pragma once

#include <string>

#include "image/picture.h"
#include "palette/save_dialog.h"

namespace drollo {

// The file a choice writes: the typed name with the chosen entry's extension in place of its own
// (".jpg", ".bmp", ".wmf"); an unknown entry writes nothing and gives an empty name. The dialog
// asks about replacing exactly this file.
std::string SaveTarget(const SaveDialog::Choice& choice);

// Writes the picture to SaveTarget(choice) as a JPEG, a BMP at the picture's own depth or a
// metafile. The writers replace the file only once it is complete, so a failed write leaves an
// existing file as it was; failures throw with the file's name.
void SavePicture(const Picture& picture, const SaveDialog::Choice& choice);

}  // namespace drollo
