#include "palette/controls.h"

namespace drollo {

void TrackBar::SetMin(int v) {
  if (v > max_) return;
  min_ = v;
  clampPosition();
}

void TrackBar::SetMax(int v) {
  if (v < min_) return;
  max_ = v;
  clampPosition();
}

void TrackBar::SetPosition(int v) {
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  if (v == position_) return;
  position_ = v;
  if (OnChange) OnChange();
}

// A range change that leaves the position outside moves it to the nearest end, and that move is
// a change of position like any other: the handler runs.
void TrackBar::clampPosition() {
  SetPosition(position_);
}

void TabbedNotebook::SetPageIndex(int page) {
  if (page == page_index_) return;
  if (OnChange) OnChange(page);
  page_index_ = page;
}

}  // namespace drollo
