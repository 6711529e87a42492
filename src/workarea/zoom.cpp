#include "workarea/zoom.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "image/pixel_math.h"

namespace drollo {

namespace {

bool zoomStep(ProgramState& s, WorkAreaImages& images, double factor,
              const std::function<void()>& removeCropRect) {
  const double next = s.ZoomPercent * factor;
  if (!(next >= kMinZoomPercent && next <= kMaxZoomPercent)) return false;
  if (s.CropSelectMode && removeCropRect) removeCropRect();
  s.ZoomPercent = next;
  s.ZoomStepped = true;
  SizeImages(s, images);
  return true;
}

// Rounds the decimal text of a non-negative number ("195.3125") to one decimal, a half going up.
std::string roundDecimalText(const std::string& text) {
  const std::size_t dot = text.find('.');
  std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
  const std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  int tenth = fraction.empty() ? 0 : fraction[0] - '0';
  const bool up = fraction.size() > 1 && fraction[1] >= '5';
  if (up && ++tenth == 10) {
    tenth = 0;
    int i = static_cast<int>(whole.size()) - 1;
    for (; i >= 0; --i) {
      if (whole[i] == '9') {
        whole[i] = '0';
      } else {
        ++whole[i];
        break;
      }
    }
    if (i < 0) whole.insert(whole.begin(), '1');
  }
  return whole + "." + static_cast<char>('0' + tenth);
}

}  // namespace

int DisplayLength(int pictureLength, double zoomPercent) {
  return Zoom{zoomPercent}.ToScreen(pictureLength);
}

DisplaySize DisplaySizeOf(const Picture& picture, double zoomPercent) {
  return DisplaySize{DisplayLength(picture.width(), zoomPercent),
                     DisplayLength(picture.height(), zoomPercent)};
}

std::string ZoomLabelText(double zoomPercent) {
  // The value is first written with 15 significant digits, so a product like 0.15 that lies just
  // below the half in binary still rounds as the decimal number it stands for.
  const double magnitude = std::fabs(zoomPercent);
  const int integerDigits =
      magnitude < 1 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
  const int decimals = integerDigits >= 15 ? 1 : 15 - integerDigits;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, magnitude);
  std::string text = roundDecimalText(buffer);
  if (zoomPercent < 0 && text != "0.0") text.insert(text.begin(), '-');
  return text + "%";
}

std::string ZoomLabel(const ProgramState& s) {
  return s.ZoomStepped ? ZoomLabelText(s.ZoomPercent) : kStartZoomLabel;
}

void SizeImages(const ProgramState& s, WorkAreaImages& images) {
  images.Image1 = DisplaySizeOf(s.WorkingPicture, s.ZoomPercent);
  images.Image2 = DisplaySizeOf(s.OutlineBitmap, s.ZoomPercent);
}

bool imgzoomin(ProgramState& s, WorkAreaImages& images,
               const std::function<void()>& removeCropRect) {
  return zoomStep(s, images, 1.25, removeCropRect);
}

bool imgzoomout(ProgramState& s, WorkAreaImages& images,
                const std::function<void()>& removeCropRect) {
  return zoomStep(s, images, 0.8, removeCropRect);
}

}  // namespace drollo
