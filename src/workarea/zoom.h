// The zoom steps. Zooming changes only how large the working picture and the outline layer are
// shown, never the pictures: ZoomPercent screen pixels stand for 100 picture pixels, and each
// picture's control is sized Round(picture size x ZoomPercent / 100), halves to the even
// neighbour.
//
// ZoomPercent is kept within [kMinZoomPercent, kMaxZoomPercent]: a step that would leave that
// range does nothing at all, so the controls never shrink to nothing or grow without bound.
#pragma once

#include <functional>
#include <string>

#include "app/state/program_state.h"

namespace drollo {

constexpr double kMinZoomPercent = 1.0;
constexpr double kMaxZoomPercent = 3200.0;

// The display size of an image control, in screen pixels.
struct DisplaySize {
  int Width = 0;
  int Height = 0;
  bool operator==(const DisplaySize&) const = default;
};

// The work area's two stretched image controls: Image1 shows the working picture, Image2 the
// outline layer at the same place.
struct WorkAreaImages {
  DisplaySize Image1;
  DisplaySize Image2;
};

// Round(length x zoomPercent / 100).
int DisplayLength(int pictureLength, double zoomPercent);
// A picture's display size at the zoom.
DisplaySize DisplaySizeOf(const Picture& picture, double zoomPercent);

// The zoom label's text: ZoomPercent with one digit after the decimal point, then "%"
// ("195.3%"). A half in the second decimal goes away from zero, as a "0.0" number pattern does.
std::string ZoomLabelText(double zoomPercent);
// The label's text before the first zoom step.
inline const char* const kStartZoomLabel = "100%";

// Sets Image1 from the working picture and Image2 from the outline layer at the current zoom.
void SizeImages(const ProgramState& s, WorkAreaImages& images);

// The zoom label's text for the program state: "100%" until the first zoom step, then
// ZoomLabelText of the factor.
std::string ZoomLabel(const ProgramState& s);

// One zoom step: ZoomPercent x 1.25 (in) or x 0.8 (out), the label's text from then on, then
// Image1's width and height from the working picture and Image2's from the outline layer. In crop
// selection mode, `removeCropRect` runs first (it erases the rectangle and disables the crop
// button; the mode stays on). Returns false, changing nothing, when the step would leave the zoom
// range.
bool imgzoomin(ProgramState& s, WorkAreaImages& images,
               const std::function<void()>& removeCropRect = {});
bool imgzoomout(ProgramState& s, WorkAreaImages& images,
                const std::function<void()>& removeCropRect = {});

}  // namespace drollo
