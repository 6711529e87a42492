// The palette's page change: what turning to each page switches on.
#include "image/picture.h"
#include "outline/edge.h"
#include "palette/tools.h"

namespace drollo {

namespace {
constexpr const char* kWorkAreaCaption = DROLLO_TEXT("TWork_area", "工作区域");
constexpr const char* kOutlineOnlyCaption = DROLLO_TEXT("TWork_area", "Work_Outline without Draft");
}  // namespace

// The radius in screen pixels is the slider's; in picture pixels it is divided by the zoom first,
// then scaled, as every screen length is. The strength is the bend slider's as it stands.
void TTools::takeRadius(const TrackBar& radius, const TrackBar& bend) {
  const int p = radius.Position();
  state_.ScreenRadius = p;
  state_.PictureRadius = state_.Zoom().ToPicture(p);
  state_.WarpStrength = bend.Position();
  ProgressBar1.Max = p * 4;
}

// The warp and swirl pages work on Image1 alone.
void TTools::showWarpWorkArea() {
  host_.SetImage1Hint(DROLLO_TEXT("TWork_area", "Click or Keep Down"));
  host_.SetImage2Visible(false);
  host_.SetWorkAreaCaption(kWorkAreaCaption);
}

// The notebook still shows the old page while this runs, so the ring is chosen by the new page
// here rather than by the page showing.
void TTools::showHistoryControls(int page) {
  UpdateHistoryControls(state_, page);
}

void TTools::TabbedNotebook1Change(int newPage) {
  // Only the sketch page's commands read the edge picture, and turning to it makes the edge
  // picture afresh: on any other page it would hold a picture's worth of memory for nothing.
  if (static_cast<Page>(newPage) != Page::Sketch) state_.EdgePicture = Picture();
  switch (static_cast<Page>(newPage)) {
    case Page::Warp:
      state_.WarpShape = Shape::Spherical;
      state_.SmudgeMode = false;
      state_.WarpAction = Warp::Expand;
      takeRadius(TrackBar1, TrackBar2);
      ShowPressed(SpeedButton1);
      if (!RadioButton1.Checked) RadioButton1.Click();
      showWarpWorkArea();
      showHistoryControls(newPage);
      host_.setsigncursor();
      break;
    case Page::Swirl:
      state_.WarpShape = Shape::Spherical;
      state_.SmudgeMode = false;
      state_.WarpAction = Warp::SwirlClockwise;
      takeRadius(TrackBar3, TrackBar4);
      ShowPressed(SpeedButton11);
      TrackBar4.Visible = true;
      Label14.Visible = true;
      Label7.Visible = true;
      showWarpWorkArea();
      showHistoryControls(newPage);
      host_.setsigncursor();
      break;
    case Page::Sketch:
      // The sketches read the edge picture of the picture as it is now, however often the page
      // is entered. No tool cursor: the sketch page has no tool on the picture. The edge picture
      // reads any depth, so a .bmp keeps its own depth until a sketch changes it.
      state_.WarpShape = Shape::None;
      state_.EdgePicture = outline::picsobel(state_.WorkingPicture);
      host_.SetImage1Hint("");
      host_.SetImage1Cursor(WorkAreaCursor::Arrow);
      host_.SetImage2Visible(false);
      host_.SetWorkAreaCaption(kWorkAreaCaption);
      showHistoryControls(newPage);
      break;
    case Page::Outline:
      state_.WarpShape = Shape::None;
      host_.SetImage2Cursor(WorkAreaCursor::Cross);
      state_.DrawingTool = DrawTool::Line;
      state_.PenWidth = TrackBar6.Position();
      ShowPressed(SpeedButton14);
      host_.SetImage1Hint("");
      host_.SetImage2Visible(true);
      host_.Image2showto();
      host_.SetWorkAreaCaption(CheckBox1.Checked ? kWorkAreaCaption : kOutlineOnlyCaption);
      state_.CurveStage = 0;
      showHistoryControls(newPage);
      host_.setsigncursor();
      break;
    default:
      host_.setsigncursor();
      break;
  }
  changed();
}

// The work area's caption says whether the picture shows under the layer, here and when the
// outline page is entered.
void TTools::CheckBox1Click() {
  host_.Image2showto();
  host_.SetWorkAreaCaption(CheckBox1.Checked ? kWorkAreaCaption : kOutlineOnlyCaption);
  changed();
}

}  // namespace drollo
