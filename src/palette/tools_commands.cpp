// The commands of the sketch and outline pages. Each replaces the working picture or the outline
// layer as a whole with what a kernel made of it and records one entry in the history of the
// page showing (the picture ring on the sketch page, the outline ring on the outline page).

#include "effects/sketch/sketch.h"
#include "outline/extract.h"
#include "outline/thickness.h"
#include "palette/tools.h"

namespace drollo {

// Page 2. The sketches start afresh from the edge picture each time, so pressing them again with
// other slider values does not compound. Before the page has ever been entered there is no edge
// picture; a sketch then would replace the picture by an empty one, so it does nothing.

void TTools::SpeedButton4Click() {
  if (state_.EdgePicture.empty() && !state_.WorkingPicture.empty()) return;
  RecordEdit(state_, [&] {
    sketch::twovalueInto(state_.EdgePicture, TrackBar5.Position(), state_.WorkingPicture);
  });
  changed();
}

void TTools::SpeedButton5Click() {
  if (state_.EdgePicture.empty() && !state_.WorkingPicture.empty()) return;
  RecordEdit(state_, [&] {
    sketch::PencilSketchInto(state_.EdgePicture, TrackBar7.Position(), state_.WorkingPicture);
  });
  changed();
}

// The speckle removal reads the picture itself, so it can clean a sketch again and again.
void TTools::SpeedButton8Click() {
  RecordEdit(state_,
             [&] { state_.WorkingPicture = sketch::RemoveSpeckles(state_.WorkingPicture); });
  changed();
}

// Page 3.

void TTools::replaceLayer(const std::function<TBitmap32()>& make) {
  RecordEdit(state_, [&] {
    state_.OutlineBitmap = make();
    host_.Image2showto();
  });
  changed();
}

void TTools::SpeedButton10Click() {
  replaceLayer([&] { return outline::ExtractOutline(state_.WorkingPicture); });
}

void TTools::SpeedButton16Click() {
  replaceLayer([&] { return outline::RemoveOutlineSpeckles(state_.OutlineBitmap); });
}

// The radius is also the eraser's: a thickness command leaves it in ScreenRadius, where the
// eraser reads it until its button or the width slider sets it again.
bool TTools::readLineRadius(int& r) {
  const outline::RadiusInput input =
      outline::ParseRadius(Edit1.Text, Texts ? *Texts : SourceTexts());
  switch (input.outcome) {
    case outline::RadiusInput::Outcome::InvalidInteger:
      host_.MessageBox(input.message, input.caption);
      return false;
    case outline::RadiusInput::Outcome::ConversionError:
      host_.ShowError(input.message);
      return false;
    case outline::RadiusInput::Outcome::Valid:
      break;
  }
  r = input.value;
  state_.ScreenRadius = r;
  return true;
}

void TTools::SpeedButton17Click() {
  int r = 0;
  if (!readLineRadius(r)) return;
  replaceLayer([&] { return outline::ThickenLines(state_.OutlineBitmap, r); });
}

void TTools::SpeedButton18Click() {
  int r = 0;
  if (!readLineRadius(r)) return;
  replaceLayer([&] { return outline::ThinLines(state_.OutlineBitmap, r); });
}

// Two passes, one history entry: the balance is one step for undo.
void TTools::thickbalance() {
  int r = 0;
  if (!readLineRadius(r)) return;
  replaceLayer([&] { return outline::BalanceLines(state_.OutlineBitmap, r); });
}

void TTools::Edit1DblClick() {
  thickbalance();
}

void TTools::Edit1KeyPress(char key) {
  if (key == '\r') thickbalance();
}

}  // namespace drollo
