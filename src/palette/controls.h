// Control states of the Qt-free window models, as plain data. A window of the desktop program
// shows them and forwards the user's actions to the handlers; tests drive the handlers directly.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

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

// The user's click on a button: the window model's handler decides what the button shows, so a
// click only forwards to it.
struct SpeedButton : Control {
  bool Down = false;  // shown pressed
  std::function<void()> OnClick;
  void Click() {
    if (OnClick) OnClick();
  }
};

struct RadioButton : Control {
  bool Checked = false;
  std::function<void()> OnClick;
  void Click() {
    if (OnClick) OnClick();
  }
};

// A click turns the check mark over, then runs the handler, which reads the new state.
struct CheckBox : Control {
  bool Checked = false;
  std::function<void()> OnClick;
  void Click() {
    Checked = !Checked;
    if (OnClick) OnClick();
  }
};

struct Panel : Control {
  TColor Color = kBlack;
  std::function<void()> OnClick;
  void Click() {
    if (OnClick) OnClick();
  }
};

struct Button : Control {
  std::function<void()> OnClick;
  void Click() {
    if (OnClick) OnClick();
  }
};

// A one-line text box. KeyPress delivers a typed character ('\r' for the Enter key).
struct Edit : Control {
  std::string Text;
  std::function<void()> OnDblClick;
  std::function<void(char key)> OnKeyPress;
  void DblClick() {
    if (OnDblClick) OnDblClick();
  }
  void KeyPress(char key) {
    if (OnKeyPress) OnKeyPress(key);
  }
};

// A notebook of pages with tabs. The index of the page showing is kept by its owner (it is
// program-wide: the edit history asks which page shows), so the notebook refers to it. Turning to
// another page runs OnChange with the new page while the old one is still current; only then
// does the notebook show the new page.
class TabbedNotebook : public Control {
 public:
  TabbedNotebook(int& pageIndex, std::vector<std::string> pages)
      : Pages(std::move(pages)), page_index_(pageIndex) {}

  int PageIndex() const { return page_index_; }
  // Turns to `page` (a user's tab click or a program step); nothing happens if it already shows.
  void SetPageIndex(int page);

  std::vector<std::string> Pages;  // the tab captions
  bool ShowHint = false;
  std::function<void(int newPage)> OnChange;

 private:
  int& page_index_;
};

}  // namespace drollo
