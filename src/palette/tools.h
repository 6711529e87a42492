// The tool palette "工具" as a window model without a screen: its four pages of controls, each
// control's start state, and the handlers that write the program-wide tool state. The desktop
// window shows these controls and forwards the user's actions to them (a slider moved is
// SetPosition, a button pressed is Click); the handlers run the same way whether the user or a
// program step changed a control.
//
// The controls keep their handlers as callbacks into this object, so a TTools is neither copied
// nor moved.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/state/program_state.h"
#include "palette/controls.h"
#include "palette/save_dialog.h"
#include "palette/tools_host.h"
#include "text/texts.h"

namespace drollo {

class TTools {
 public:
  TTools(ProgramState& state, TToolsHost& host);
  // A palette whose calls out go nowhere.
  explicit TTools(ProgramState& state);
  TTools(const TTools&) = delete;
  TTools& operator=(const TTools&) = delete;

  std::string Caption = DROLLO_TEXT("TTools", "工具");

  // The notebook; its page index is the program-wide ProgramState::PageIndex. Its OnChange is
  // TabbedNotebook1Change.
  TabbedNotebook TabbedNotebook1;
  // The progress bar below the notebook, kept in the program state so that effects can move it.
  ProgressBarState& ProgressBar1;

  // Page 0 "扭曲": the warp shape, expand or shrink, radius and bend.
  RadioButton RadioButton1;          // "球形"
  RadioButton RadioButton2;          // "垂直"
  RadioButton RadioButton3;          // "水平"
  SpeedButton SpeedButton1;          // expand
  SpeedButton SpeedButton2;          // shrink
  TrackBar TrackBar1{10, 500, 100};  // radius, "半径"
  TrackBar TrackBar2{3, 60, 30};     // bend, "弯曲"
  Label Label2;                      // TrackBar1's value
  Label Label5;                      // TrackBar2's value

  // Page 1 "螺旋": the two swirls and the smudge, radius and bend.
  SpeedButton SpeedButton11;         // swirl clockwise
  SpeedButton SpeedButton12;         // swirl counter-clockwise
  SpeedButton SpeedButton3;          // smudge
  TrackBar TrackBar3{10, 500, 100};  // radius, "半径"
  TrackBar TrackBar4{2, 30, 10};     // bend
  Label Label6;                      // TrackBar3's value
  Label Label14;                     // "弯曲", TrackBar4's title
  Label Label7;                      // TrackBar4's value
  Button Button1;                    // "波形", the wave warp (hidden)

  // Page 2 "素描": pen and pencil sketches, speckle removal.
  TrackBar TrackBar5{1, 255, 150};  // pen pressure, "钢笔压力度:"
  TrackBar TrackBar7{0, 89, 45};    // pencil contrast, "铅笔对比度:"
  Label Label9;                     // TrackBar5's value
  Label Label11;                    // TrackBar7's value as a percentage
  SpeedButton SpeedButton4;         // "钢笔素描"
  SpeedButton SpeedButton5;         // "铅笔素描"
  SpeedButton SpeedButton8;         // "清除斑点"

  // Page 3 "轮廓": the outline layer, its drawing tools, pen and line thickness.
  CheckBox CheckBox1;            // "显示": show the picture under the outline
  SpeedButton SpeedButton19;     // "保存"
  SpeedButton SpeedButton7;      // "导出"
  SpeedButton SpeedButton14;     // "直线"
  SpeedButton SpeedButton6;      // "曲线"
  SpeedButton SpeedButton15;     // "钢笔"
  SpeedButton SpeedButton9;      // "橡皮"
  SpeedButton SpeedButton13;     // "文本"
  Panel Panel2;                  // "选择颜色": the pen colour
  TrackBar TrackBar6{1, 50, 3};  // pen width or eraser size
  Label Label12;                 // TrackBar6's title, naming what the width is of
  Label Label10;                 // TrackBar6's value
  SpeedButton SpeedButton10;     // "提取轮廓"
  Label ExtractOutlineNote;      // the advice beside SpeedButton10
  SpeedButton SpeedButton16;     // "清除斑点"
  SpeedButton SpeedButton17;     // "细线趋于变粗"
  SpeedButton SpeedButton18;     // "粗线趋于变细"
  Edit Edit1;                    // the width that "双击平衡线段厚度" balances lines to

  // Handlers. Each is wired to its control and may also be called directly.
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void TrackBar1Change();
  void TrackBar2Change();

  void SpeedButton11Click();
  void SpeedButton12Click();
  void SpeedButton3Click();
  void TrackBar3Change();
  void TrackBar4Change();

  void TrackBar5Change();
  void TrackBar7Change();

  void SpeedButton14Click();
  void SpeedButton6Click();
  void SpeedButton15Click();
  void SpeedButton9Click();
  void SpeedButton13Click();
  void Panel2Click();
  void TrackBar6Change();

  // Turning to `newPage` switches the program to that page's tools: the warp shape and action,
  // the radii, the drawing tool, the outline layer's visibility, the undo and redo controls from
  // the page's history, and on the sketch page a fresh edge picture. It runs before the notebook
  // shows the new page, so ProgramState::PageIndex still names the old one meanwhile.
  void TabbedNotebook1Change(int newPage);

  // The sketch page's commands on the working picture, each recording one picture history entry:
  // the pen sketch (threshold TrackBar5) and the pencil sketch (contrast TrackBar7) of the edge
  // picture, and the speckle removal of the picture itself.
  void SpeedButton4Click();
  void SpeedButton5Click();
  void SpeedButton8Click();

  // The outline page's commands on the layer, each redisplaying it and recording one outline
  // history entry: extraction from the working picture, speckle removal, thickening, thinning and
  // the balance (thinning, then thickening). The last three take their radius from Edit1 and
  // change nothing when it does not hold a whole number.
  void SpeedButton10Click();
  void SpeedButton16Click();
  void SpeedButton17Click();
  void SpeedButton18Click();
  void thickbalance();
  void Edit1DblClick();
  // Enter runs the balance; other keys do nothing here.
  void Edit1KeyPress(char key);

  // The outline page's top row. "显示" shows the layer again over the picture or over the grey
  // checkerboard and names the work area by it ("工作区域" or "Work_Outline without Draft").
  // "导出" writes the outline layer alone and "保存" the working picture, as the main window's
  // save does: the save dialog, the extension of the chosen entry in place of the typed one,
  // then a JPEG, a BMP in the source's own depth (32 bits for the layer) or a metafile. Neither
  // records history or changes a picture; a file that cannot be written is reported through the
  // host's error report.
  void CheckBox1Click();
  void SpeedButton7Click();
  void SpeedButton19Click();
  // The dialog both buttons use; without one they do nothing, as if the user cancelled.
  SaveDialog* SaveDialog1 = nullptr;
  // The messages' texts in the interface's language; without a lookup, as written.
  const TextLookup* Texts = nullptr;

  // Shows `button` pressed and the other buttons of its page's group raised, without running
  // its handler. A button outside the groups is left alone.
  void ShowPressed(SpeedButton& button);

  // Listeners run after every handler, so a window showing the palette can repaint.
  void Subscribe(std::function<void()> listener);

 private:
  // The warp page's radius slider (TrackBar1) and the swirl page's (TrackBar3) share one rule:
  // the value label, the bend slider's range and position from the radius, the radius in screen
  // and picture pixels, and the progress bar's maximum.
  void radiusSliderRule(TrackBar& radius, Label& valueLabel, TrackBar& bend, double d1, double d2,
                        double d3);
  void chooseShape(RadioButton& button, Shape shape);
  void chooseWarpAction(SpeedButton& button, Warp action);
  void chooseSwirl(SpeedButton& button, Warp action);
  void chooseDrawingTool(SpeedButton& button, DrawTool tool, const char* widthTitle);
  // Page-change steps shared by several pages.
  void takeRadius(const TrackBar& radius, const TrackBar& bend);
  void showWarpWorkArea();
  void showHistoryControls(int page);
  // Edit1's radius, stored into ScreenRadius; false (after the message) when it is not valid.
  bool readLineRadius(int& r);
  // The layer replaced by what `make` returns, redisplayed, then recorded as one entry.
  void replaceLayer(const std::function<TBitmap32()>& make);
  // The save dialog, then the outline layer (`layer`) or the working picture written in the chosen
  // format.
  void savePictureFile(bool layer);
  void wire();
  void changed();

  ProgramState& state_;
  TToolsHost& host_;
  std::array<RadioButton*, 3> shapes_;
  std::array<SpeedButton*, 2> warp_group_;
  std::array<SpeedButton*, 3> swirl_group_;
  std::array<SpeedButton*, 5> drawing_group_;
  std::vector<std::function<void()>> listeners_;
};

}  // namespace drollo
