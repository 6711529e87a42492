// The program's own pictures, drawn in code: the tool-bar and palette button pictures, the
// program icon and the pen cursor.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <string_view>

namespace drollo::platform {

// The picture of a main tool-bar button or of a palette picture button, by the button's name
// ("SpeedButton3"; palette buttons as "Tools.SpeedButton1"). An unknown name gives a null icon.
QIcon ButtonIcon(std::string_view name, int size = 16);
// The program's icon at `size` pixels.
QPixmap ProgramIconPixmap(int size);
QIcon ProgramIcon();
// The pen tool's cursor: a slanted pen whose tip is the hot spot.
QCursor PenCursor();

}  // namespace drollo::platform
