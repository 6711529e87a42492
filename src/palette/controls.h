// Control states of the Qt-free window models, as plain data. A window of the desktop program
// shows them and forwards the user's actions to the handlers; tests drive the handlers directly.
#pragma once

#include <functional>
#include <string>

#include "image/pixel_math.h"

namespace drollo {

struct Control {
  bool Enabled = true;
  bool Visible = true;
  std::string Caption;
  std::string Hint;
};

// A slider. A maximum below the current minimum and a minimum above the current maximum are
// ignored; the position is always clamped into the range; OnChange runs whenever the position
// changes, whether the user or a program step changed it.
class TrackBar : public Control {
 public:
  TrackBar(int min, int max, int position) : min_(min), max_(max), position_(position) {}

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v);
  void SetMax(int v);
  void SetPosition(int v);

  std::function<void()> OnChange;

 private:
  void clampPosition();
  int min_;
  int max_;
  int position_;
};

struct Label : Control {};

struct SpeedButton : Control {
  bool Down = false;  // shown pressed
  std::function<void()> OnClick;
};

struct RadioButton : Control {
  bool Checked = false;
  std::function<void()> OnClick;
};

struct CheckBox : Control {
  bool Checked = false;
  std::function<void()> OnClick;
};

struct Panel : Control {
  TColor Color = kBlack;
  std::function<void()> OnClick;
};

}  // namespace drollo
