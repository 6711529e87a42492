// The program's own pictures, drawn in code: the tool-bar and palette button pictures, the
// program icon and the pen cursor. Each is drawn for the screen's device pixel ratio (2 at 200 %
// scaling), so it is as sharp on a high-density screen as on a plain one.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <string_view>

namespace drollo::platform {

// The picture of a main tool-bar button or of a palette picture button, by the button's name
// ("SpeedButton3"; palette buttons as "Tools.SpeedButton1"). The icon draws its picture afresh at
// every size and pixel ratio it is asked for. An unknown name gives a null icon.
QIcon ButtonIcon(std::string_view name);
// The program's icon at `size` device-independent pixels, drawn for the pixel ratio `ratio`.
QPixmap ProgramIconPixmap(int size, qreal ratio = 1.0);
QIcon ProgramIcon();
// The pen tool's cursor for a screen of pixel ratio `ratio`: a slanted pen, 32 x 32
// device-independent pixels, whose tip is the hot spot.
QCursor PenCursor(qreal ratio = 1.0);

}  // namespace drollo::platform
