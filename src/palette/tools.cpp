#include "palette/tools.h"

#include <algorithm>
#include <utility>

namespace drollo {
namespace {

TToolsHost& NoHost() {
  static TToolsHost host;
  return host;
}

std::string Text(int v) {
  return std::to_string(v);
}

// Pencil contrast as a percentage of the slider's full travel: 0 at 0, 51 at 45, 100 at 89.
std::string ContrastPercent(int position) {
  return Text(Round(position * 100 / 89.0));
}

template <std::size_t N>
bool PressInGroup(const std::array<SpeedButton*, N>& group, SpeedButton& button) {
  if (std::find(group.begin(), group.end(), &button) == group.end()) return false;
  for (SpeedButton* b : group) b->Down = (b == &button);
  return true;
}

}  // namespace

TTools::TTools(ProgramState& state) : TTools(state, NoHost()) {}

TTools::TTools(ProgramState& state, TToolsHost& host)
    : TabbedNotebook1(state.PageIndex,
                      {DROLLO_TEXT("TTools", "扭曲"), DROLLO_TEXT("TTools", "螺旋"),
                       DROLLO_TEXT("TTools", "素描"), DROLLO_TEXT("TTools", "轮廓")}),
      ProgressBar1(state.ProgressBar1),
      state_(state),
      host_(host),
      shapes_{&RadioButton1, &RadioButton2, &RadioButton3},
      warp_group_{&SpeedButton1, &SpeedButton2},
      swirl_group_{&SpeedButton11, &SpeedButton12, &SpeedButton3},
      drawing_group_{&SpeedButton14, &SpeedButton6, &SpeedButton15, &SpeedButton9, &SpeedButton13} {
  // The notebook's hint is shown only while a crop region is being selected.
  TabbedNotebook1.Hint = DROLLO_TEXT("TTools", "选择一个区域剪切");

  RadioButton1.Caption = DROLLO_TEXT("TTools", "球形");
  RadioButton1.Checked = true;
  RadioButton2.Caption = DROLLO_TEXT("TTools", "垂直");
  RadioButton3.Caption = DROLLO_TEXT("TTools", "水平");
  SpeedButton1.Down = true;
  TrackBar1.Caption = DROLLO_TEXT("TTools", "半径");
  TrackBar2.Caption = DROLLO_TEXT("TTools", "弯曲");
  Label2.Caption = Text(TrackBar1.Position());
  Label5.Caption = Text(TrackBar2.Position());

  TrackBar3.Caption = DROLLO_TEXT("TTools", "半径");
  Label6.Caption = Text(TrackBar3.Position());
  Label14.Caption = DROLLO_TEXT("TTools", "弯曲");
  Label7.Caption = Text(TrackBar4.Position());
  Button1.Caption = DROLLO_TEXT("TTools", "波形");
  Button1.Visible = false;

  TrackBar5.Caption = DROLLO_TEXT("TTools", "钢笔压力度:");
  TrackBar7.Caption = DROLLO_TEXT("TTools", "铅笔对比度:");
  Label9.Caption = Text(TrackBar5.Position());
  Label11.Caption = ContrastPercent(TrackBar7.Position());
  SpeedButton4.Caption = DROLLO_TEXT("TTools", "钢笔素描");
  SpeedButton5.Caption = DROLLO_TEXT("TTools", "铅笔素描");
  SpeedButton8.Caption = DROLLO_TEXT("TTools", "清除斑点");

  CheckBox1.Caption = DROLLO_TEXT("TTools", "显示");
  CheckBox1.Checked = true;
  SpeedButton19.Caption = DROLLO_TEXT("TTools", "保存");
  SpeedButton7.Caption = DROLLO_TEXT("TTools", "导出");
  SpeedButton14.Caption = DROLLO_TEXT("TTools", "直线");
  SpeedButton14.Down = true;
  SpeedButton6.Caption = DROLLO_TEXT("TTools", "曲线");
  SpeedButton15.Caption = DROLLO_TEXT("TTools", "钢笔");
  SpeedButton9.Caption = DROLLO_TEXT("TTools", "橡皮");
  SpeedButton13.Caption = DROLLO_TEXT("TTools", "文本");
  Panel2.Caption = DROLLO_TEXT("TTools", "选择颜色");
  Panel2.Color = kBlack;
  Label12.Caption = DROLLO_TEXT("TTools", "钢笔厚度:");
  Label10.Caption = Text(TrackBar6.Position());
  SpeedButton10.Caption = DROLLO_TEXT("TTools", "提取轮廓");
  ExtractOutlineNote.Caption = DROLLO_TEXT("TTools", "如果你做了素描,请点这里");
  SpeedButton16.Caption = DROLLO_TEXT("TTools", "清除斑点");
  SpeedButton17.Caption = DROLLO_TEXT("TTools", "细线趋于变粗");
  SpeedButton18.Caption = DROLLO_TEXT("TTools", "粗线趋于变细");
  Edit1.Text = "3";
  Edit1.Hint = DROLLO_TEXT("TTools", "双击平衡线段厚度");

  wire();
}

// Buttons whose commands live in other windows (outline save and export, the wave) get their
// handlers from there.
void TTools::wire() {
  TabbedNotebook1.OnChange = [this](int newPage) { TabbedNotebook1Change(newPage); };

  RadioButton1.OnClick = [this] { RadioButton1Click(); };
  RadioButton2.OnClick = [this] { RadioButton2Click(); };
  RadioButton3.OnClick = [this] { RadioButton3Click(); };
  SpeedButton1.OnClick = [this] { SpeedButton1Click(); };
  SpeedButton2.OnClick = [this] { SpeedButton2Click(); };
  TrackBar1.OnChange = [this] { TrackBar1Change(); };
  TrackBar2.OnChange = [this] { TrackBar2Change(); };

  SpeedButton11.OnClick = [this] { SpeedButton11Click(); };
  SpeedButton12.OnClick = [this] { SpeedButton12Click(); };
  SpeedButton3.OnClick = [this] { SpeedButton3Click(); };
  TrackBar3.OnChange = [this] { TrackBar3Change(); };
  TrackBar4.OnChange = [this] { TrackBar4Change(); };

  TrackBar5.OnChange = [this] { TrackBar5Change(); };
  TrackBar7.OnChange = [this] { TrackBar7Change(); };
  SpeedButton4.OnClick = [this] { SpeedButton4Click(); };
  SpeedButton5.OnClick = [this] { SpeedButton5Click(); };
  SpeedButton8.OnClick = [this] { SpeedButton8Click(); };

  SpeedButton14.OnClick = [this] { SpeedButton14Click(); };
  SpeedButton6.OnClick = [this] { SpeedButton6Click(); };
  SpeedButton15.OnClick = [this] { SpeedButton15Click(); };
  SpeedButton9.OnClick = [this] { SpeedButton9Click(); };
  SpeedButton13.OnClick = [this] { SpeedButton13Click(); };
  Panel2.OnClick = [this] { Panel2Click(); };
  TrackBar6.OnChange = [this] { TrackBar6Change(); };
  CheckBox1.OnClick = [this] { CheckBox1Click(); };
  SpeedButton7.OnClick = [this] { SpeedButton7Click(); };
  SpeedButton19.OnClick = [this] { SpeedButton19Click(); };
  SpeedButton10.OnClick = [this] { SpeedButton10Click(); };
  SpeedButton16.OnClick = [this] { SpeedButton16Click(); };
  SpeedButton17.OnClick = [this] { SpeedButton17Click(); };
  SpeedButton18.OnClick = [this] { SpeedButton18Click(); };
  Edit1.OnDblClick = [this] { Edit1DblClick(); };
  Edit1.OnKeyPress = [this](char key) { Edit1KeyPress(key); };
}

void TTools::Subscribe(std::function<void()> listener) {
  listeners_.push_back(std::move(listener));
}

void TTools::changed() {
  for (const auto& listener : listeners_) listener();
}

void TTools::ShowPressed(SpeedButton& button) {
  if (PressInGroup(warp_group_, button)) return;
  if (PressInGroup(swirl_group_, button)) return;
  PressInGroup(drawing_group_, button);
}

// The three steps on the bend slider go through its own range checks one after the other: a new
// maximum below the old minimum is refused, so the range reached depends on where it was before.
void TTools::radiusSliderRule(TrackBar& radius, Label& valueLabel, TrackBar& bend, double d1,
                              double d2, double d3) {
  const int p = radius.Position();
  valueLabel.Caption = Text(p);
  bend.SetMax(Round(p / d1));
  bend.SetMin(Round(p / d2));
  bend.SetPosition(Round(p / d3));
  state_.PictureRadius = state_.Zoom().ToPicture(p);
  state_.ScreenRadius = p;
  ProgressBar1.Max = state_.PictureRadius * 4;
}

// Page 0.

void TTools::chooseShape(RadioButton& button, Shape shape) {
  for (RadioButton* b : shapes_) b->Checked = (b == &button);
  state_.WarpShape = shape;
  changed();
}

void TTools::RadioButton1Click() {
  chooseShape(RadioButton1, Shape::Spherical);
}
void TTools::RadioButton2Click() {
  chooseShape(RadioButton2, Shape::Vertical);
}
void TTools::RadioButton3Click() {
  chooseShape(RadioButton3, Shape::Horizontal);
}

void TTools::chooseWarpAction(SpeedButton& button, Warp action) {
  ShowPressed(button);
  state_.WarpAction = action;
  host_.setsigncursor();
  host_.SetImage1Hint(DROLLO_TEXT("TWork_area", "Click or Keep Down"));
  changed();
}

void TTools::SpeedButton1Click() {
  chooseWarpAction(SpeedButton1, Warp::Expand);
}
void TTools::SpeedButton2Click() {
  chooseWarpAction(SpeedButton2, Warp::Shrink);
}

void TTools::TrackBar1Change() {
  radiusSliderRule(TrackBar1, Label2, TrackBar2, 1.5, 10, 3);
  changed();
}

void TTools::TrackBar2Change() {
  Label5.Caption = Text(TrackBar2.Position());
  changed();
}

// Page 1.

void TTools::chooseSwirl(SpeedButton& button, Warp action) {
  ShowPressed(button);
  state_.WarpAction = action;
  state_.SmudgeMode = false;
  host_.setsigncursor();
  host_.SetImage1Hint(DROLLO_TEXT("TWork_area", "Click or Keep Down"));
  TrackBar4.Visible = true;
  Label14.Visible = true;
  Label7.Visible = true;
  changed();
}

void TTools::SpeedButton11Click() {
  chooseSwirl(SpeedButton11, Warp::SwirlClockwise);
}
void TTools::SpeedButton12Click() {
  chooseSwirl(SpeedButton12, Warp::SwirlCounterclockwise);
}

// The smudge has no bend: its slider is hidden, and the radius drops to a brush-sized 50, which
// runs the radius rule (the hidden bend slider follows it all the same).
void TTools::SpeedButton3Click() {
  ShowPressed(SpeedButton3);
  state_.SmudgeMode = true;
  state_.WarpAction = Warp::Smudge;
  host_.setsigncursor();
  host_.SetImage1Hint(DROLLO_TEXT("TWork_area", "Keep Down and move"));
  TrackBar4.Visible = false;
  TrackBar3.SetPosition(50);
  Label14.Visible = false;
  Label7.Visible = false;
  changed();
}

void TTools::TrackBar3Change() {
  radiusSliderRule(TrackBar3, Label6, TrackBar4, 3, 50, 10);
  changed();
}

void TTools::TrackBar4Change() {
  Label7.Caption = Text(TrackBar4.Position());
  changed();
}

// Page 2.

void TTools::TrackBar5Change() {
  Label9.Caption = Text(TrackBar5.Position());
  changed();
}

void TTools::TrackBar7Change() {
  Label11.Caption = ContrastPercent(TrackBar7.Position());
  changed();
}

// Page 3.

void TTools::chooseDrawingTool(SpeedButton& button, DrawTool tool, const char* widthTitle) {
  ShowPressed(button);
  state_.DrawingTool = tool;
  if (tool == DrawTool::Eraser) state_.ScreenRadius = TrackBar6.Position();
  host_.setsigncursor();
  Label12.Caption = widthTitle;
  changed();
}

void TTools::SpeedButton14Click() {
  chooseDrawingTool(SpeedButton14, DrawTool::Line, DROLLO_TEXT("TTools", "直线粗细:"));
}
void TTools::SpeedButton6Click() {
  chooseDrawingTool(SpeedButton6, DrawTool::Curve, DROLLO_TEXT("TTools", "曲线粗细:"));
}
void TTools::SpeedButton15Click() {
  chooseDrawingTool(SpeedButton15, DrawTool::Pen, DROLLO_TEXT("TTools", "钢笔粗细:"));
}
void TTools::SpeedButton9Click() {
  chooseDrawingTool(SpeedButton9, DrawTool::Eraser, DROLLO_TEXT("TTools", "擦除范围:"));
}
void TTools::SpeedButton13Click() {
  chooseDrawingTool(SpeedButton13, DrawTool::Text, "");
}

// The pens take the panel's colour after the dialog whatever the user answered, so a cancel
// still brings the text box and both pens in line with the panel.
void TTools::Panel2Click() {
  TColor colour = Panel2.Color;
  if (host_.ExecuteColorDialog(colour)) Panel2.Color = colour;
  host_.SetMemo1FontColor(Panel2.Color);
  host_.SetOutlinePenColor(Panel2.Color);
  host_.SetWorkAreaPenColor(Panel2.Color);
  changed();
}

// With the eraser chosen the slider is the eraser's size, so the work area's brush follows it.
void TTools::TrackBar6Change() {
  const int v = TrackBar6.Position();
  state_.PenWidth = v;
  Label10.Caption = Text(v);
  host_.SetOutlinePenWidth(v);
  host_.SetWorkAreaPenWidth(v);
  if (state_.DrawingTool == DrawTool::Eraser) {
    state_.ScreenRadius = v;
    host_.setsigncursor();
  }
  changed();
}

}  // namespace drollo
