// Whole runs of drollo-batch in this process, each compared with the same work done by calling
// the window models' handlers directly: the files written must match byte for byte.
#include <memory>

#include "app/form1.h"
#include "batch_fixture.h"
#include "formats/picture_file.h"
#include "image/resample.h"
#include "support/pictures.h"

namespace drollo::batch::test {
namespace {

class ChosenFile : public OpenPictureDialog {
 public:
  std::string Name;
  std::optional<std::string> Execute(const std::string&, int) override { return Name; }
};

// The program started and the picture opened, for handlers called directly.
struct Reference {
  explicit Reference(const std::string& file) {
    dialog.Name = file;
    PlatformServices services;
    services.OpenPictureDialog1 = &dialog;
    form = std::make_unique<TForm1>(services);
    form->Work_area.FormCreate();
    form->FormShow();
    form->Work_area.FormShow();
    form->Open1Click();
  }
  ProgramState& State() { return form->State; }
  ChosenFile dialog;
  std::unique_ptr<TForm1> form;
};

class Scenario : public BatchTest {
 protected:
  void SetUp() override {
    BatchTest::SetUp();
    source = drollo::test::PatternPicture(120, 90, 7);
    formats::SaveAsBmp(source, Path("in.bmp"));
  }
  // What the program would write for `picture` as a BMP file.
  std::string BmpBytes(const Picture& picture) {
    formats::SaveAsBmp(picture, Path("expected.bmp"));
    return ReadFile(Path("expected.bmp"));
  }
  Picture Load(const std::string& name) { return *formats::LoadPictureFile(Path(name)); }
  void ExpectRun(const std::vector<std::string>& args) {
    last = Run(args);
    ASSERT_EQ(last.Code, kExitOk) << last.Err;
  }
  Picture source;
  RunResult last;
};

TEST_F(Scenario, WarpClicksAndHeldPressesOnTheWarpAndSwirlPages) {
  ExpectRun({"open", Path("in.bmp"), "click", "40,30", "hold", "70,50", "2.5", "page", "1", "press",
             "SpeedButton11", "click", "60,45", "save", Path("out.bmp"), "--print-state"});
  Reference ref(Path("in.bmp"));
  ref.form->Work_area.Sphericalpengzhang(40, 30);
  // A press held two seconds: its click and two ticks of the auto-repeat.
  for (int i = 0; i < 3; ++i) ref.form->Work_area.Sphericalpengzhang(70, 50);
  ref.form->Tools.TabbedNotebook1.SetPageIndex(1);
  ref.form->Tools.SpeedButton11Click();
  ref.form->Work_area.Sphericalyouxuan(60, 45);
  EXPECT_EQ(ReadFile(Path("out.bmp")), BmpBytes(ref.State().WorkingPicture));
  EXPECT_NE(ReadFile(Path("out.bmp")), ReadFile(Path("in.bmp")));
  // One history entry per press.
  EXPECT_NE(last.Out.find("\"picture\": {\"index\": 4, \"undo\": 3, \"redo\": 0}"),
            std::string::npos)
      << last.Out;
}

TEST_F(Scenario, SmudgeAlongADrag) {
  ExpectRun({"open", Path("in.bmp"), "page", "1", "press", "SpeedButton3", "drag", "20,20", "30,22",
             "40,25", "save", Path("smudge.bmp")});
  Reference ref(Path("in.bmp"));
  ref.form->Tools.TabbedNotebook1.SetPageIndex(1);
  ref.form->Tools.SpeedButton3Click();
  ref.State().WarpCentre = Point{20, 20};
  ref.form->Work_area.tumopic(40, 25);
  EXPECT_EQ(ReadFile(Path("smudge.bmp")), BmpBytes(ref.State().WorkingPicture));
  EXPECT_NE(ReadFile(Path("smudge.bmp")), ReadFile(Path("in.bmp")));
}

TEST_F(Scenario, PenAndPencilSketches) {
  ExpectRun({"open", Path("in.bmp"), "page", "2", "set", "TrackBar5=120", "press", "SpeedButton4",
             "save", Path("pen.bmp"), "press", "Undo1Click", "set", "TrackBar7=60", "press",
             "SpeedButton5", "save", Path("pencil.bmp")});
  Reference ref(Path("in.bmp"));
  TTools& t = ref.form->Tools;
  t.TabbedNotebook1.SetPageIndex(2);
  t.TrackBar5.SetPosition(120);
  t.SpeedButton4Click();
  EXPECT_EQ(ReadFile(Path("pen.bmp")), BmpBytes(ref.State().WorkingPicture));
  ref.form->Undo1Click();
  t.TrackBar7.SetPosition(60);
  t.SpeedButton5Click();
  EXPECT_EQ(ReadFile(Path("pencil.bmp")), BmpBytes(ref.State().WorkingPicture));
  // The pen sketch is black and white.
  const Picture pen = Load("pen.bmp");
  for (int y = 0; y < pen.height(); ++y)
    for (int x = 0; x < 3 * pen.width(); ++x)
      ASSERT_TRUE(pen.row(y)[x] == 0 || pen.row(y)[x] == 255) << x << "," << y;
}

TEST_F(Scenario, OutlineWithLinePenEraserAndText) {
  ExpectRun({"open",
             Path("in.bmp"),
             "page",
             "3",
             "press",
             "SpeedButton10",
             "export",
             Path("extracted.bmp"),
             "set",
             "Panel2=#0000FF",
             "press",
             "SpeedButton14",
             "drag",
             "10,5",
             "60,5",
             "press",
             "SpeedButton9",
             "drag",
             "100,60",
             "100,70",
             "text",
             "5,30",
             "Hi",
             "export",
             Path("layer.bmp"),
             "--print-state"});
  Reference ref(Path("in.bmp"));
  ref.form->Tools.TabbedNotebook1.SetPageIndex(3);
  ref.form->Tools.SpeedButton10Click();
  TBitmap32 extracted = ref.State().OutlineBitmap;
  EXPECT_EQ(ReadFile(Path("extracted.bmp")), BmpBytes(extracted));

  const Picture layer = Load("layer.bmp");
  ASSERT_EQ(layer.bitsPerPixel(), 32);
  const auto pixel = [&](int x, int y) { return layer.row(y) + 4 * x; };
  // The line in the chosen colour (blue, green, red in the file), three pixels wide.
  for (int x = 12; x < 58; ++x) {
    EXPECT_EQ(pixel(x, 5)[0], 255) << x;
    EXPECT_EQ(pixel(x, 5)[1], 0) << x;
    EXPECT_EQ(pixel(x, 5)[2], 0) << x;
  }
  // The eraser leaves white where the pointer moved to (the press itself erases nothing).
  for (int y = 68; y <= 72; ++y)
    EXPECT_EQ(pixel(100, y)[0] & pixel(100, y)[1] & pixel(100, y)[2], 255) << y;
  // The text in the panel's colour near the box's corner.
  int textPixels = 0;
  for (int y = 30; y < 60; ++y)
    for (int x = 5; x < 40; ++x)
      if (pixel(x, y)[0] == 255 && pixel(x, y)[1] == 0 && pixel(x, y)[2] == 0) ++textPixels;
  EXPECT_GT(textPixels, 10);
  // Rows below the drawing are the extraction's.
  for (int y = 80; y < layer.height(); ++y)
    for (int x = 0; x < 90; ++x)
      ASSERT_EQ(std::memcmp(pixel(x, y), extracted.row(y) + 4 * x, 3), 0) << x << "," << y;
  // Extraction, line, eraser stroke and text: four outline entries.
  EXPECT_NE(last.Out.find("\"outline\": {\"index\": 5, \"undo\": 4, \"redo\": 0}"),
            std::string::npos)
      << last.Out;
}

TEST_F(Scenario, CropToASelectionThenResize) {
  ExpectRun({"open", Path("in.bmp"), "press", "SpeedButton2Click", "drag", "10,12", "30,20",
             "49,29", "press", "SpeedButton11Click", "save", Path("crop.bmp"), "resize", "20", "10",
             "save", Path("size.bmp"), "--print-state"});
  const ProgramState::CropRectangle r = CropRectOf(Point{10, 12}, Point{49, 29}, 0, 0, 100.0);
  Picture expected(r.right - r.left + 1, r.bottom - r.top + 1, 24);
  for (int y = 0; y < expected.height(); ++y)
    std::memcpy(expected.mutableRow(y), source.row(r.top - 1 + y) + 3 * (r.left - 1),
                3 * expected.width());
  EXPECT_EQ(ReadFile(Path("crop.bmp")), BmpBytes(expected));
  EXPECT_EQ(ReadFile(Path("size.bmp")), BmpBytes(AreaResample(expected, 20, 10)));
  EXPECT_NE(last.Out.find("\"picture\": {\"width\": 20, \"height\": 10, \"depth\": 24}"),
            std::string::npos)
      << last.Out;
  EXPECT_NE(last.Out.find("\"layer\": {\"width\": 20, \"height\": 10, \"depth\": 32}"),
            std::string::npos);
}

TEST_F(Scenario, CopyAndPasteWithinTheRun) {
  ExpectRun({"open", Path("in.bmp"), "press", "SpeedButton2Click", "drag", "0,0", "9,4", "key",
             "CTRL+C", "press", "Action9Execute", "save", Path("paste.bmp")});
  const ProgramState::CropRectangle r = CropRectOf(Point{0, 0}, Point{9, 4}, 0, 0, 100.0);
  const Picture pasted = Load("paste.bmp");
  EXPECT_EQ(pasted.width(), r.right - r.left + 1);
  EXPECT_EQ(pasted.height(), r.bottom - r.top + 1);
  EXPECT_EQ(
      std::memcmp(pasted.row(0), source.row(r.top - 1) + 3 * (r.left - 1), 3 * pasted.width()), 0);
}

TEST_F(Scenario, UndoAndRedoFollowThePageShowing) {
  ExpectRun({"open",         Path("in.bmp"),
             "click",        "40,30",
             "save",         Path("warped.bmp"),
             "page",         "3",
             "press",        "SpeedButton10",
             "key",          "CTRL+Z",
             "export",       Path("blank.bmp"),
             "key",          "CTRL+Y",
             "export",       Path("outline.bmp"),
             "page",         "0",
             "key",          "CTRL+Z",
             "save",         Path("undone.bmp"),
             "press",        "Redo1Click",
             "save",         Path("redone.bmp"),
             "--print-state"});
  EXPECT_EQ(ReadFile(Path("undone.bmp")), ReadFile(Path("in.bmp")));
  EXPECT_EQ(ReadFile(Path("redone.bmp")), ReadFile(Path("warped.bmp")));
  EXPECT_NE(ReadFile(Path("blank.bmp")), ReadFile(Path("outline.bmp")));
  TBitmap32 blank(120, 90);
  for (int y = 0; y < 90; ++y) std::fill_n(blank.mutableRow(y), blank.stride(), 255);
  EXPECT_EQ(ReadFile(Path("blank.bmp")), BmpBytes(blank));
  EXPECT_NE(last.Out.find("\"picture\": {\"index\": 2, \"undo\": 1, \"redo\": 0}"),
            std::string::npos)
      << last.Out;
}

TEST_F(Scenario, ZoomByWheelAndKeysScalesThePressPositions) {
  // At 125% a press at 50,50 on the screen is picture pixel 40,40.
  ExpectRun({"open", Path("in.bmp"), "wheel", "down", "key", "CTRL+-", "key", "CTRL+=", "click",
             "50,50", "save", Path("zoomed.bmp"), "--print-state"});
  Reference ref(Path("in.bmp"));
  ref.form->SpeedButton9Click();
  ref.form->Work_area.Sphericalpengzhang(40, 40);
  EXPECT_EQ(ReadFile(Path("zoomed.bmp")), BmpBytes(ref.State().WorkingPicture));
  EXPECT_NE(last.Out.find("\"zoomLabel\": \"125.0%\""), std::string::npos) << last.Out;
}

TEST_F(Scenario, PrintWritesAPdfPageAndSaveAMetafile) {
  ExpectRun({"open", Path("in.bmp"), "print", Path("page.pdf"), "save", Path("picture.wmf")});
  EXPECT_EQ(ReadFile(Path("page.pdf")).substr(0, 5), "%PDF-");
  // A placeable metafile starts with its key.
  EXPECT_EQ(ReadFile(Path("picture.wmf")).substr(0, 4), std::string("\xD7\xCD\xC6\x9A", 4));
}

TEST_F(Scenario, MessageBoxesGoToStandardError) {
  ExpectRun({"page", "3", "set", "Edit1=abc", "press", "Edit1"});
  EXPECT_NE(last.Err.find("message box \"Sorry\": Invalid integer"), std::string::npos) << last.Err;
}

TEST_F(Scenario, DisabledCommandsDoNothing) {
  ExpectRun({"press", "SpeedButton11Click", "--print-state"});
  EXPECT_NE(last.Err.find("disabled"), std::string::npos) << last.Err;
}

}  // namespace
}  // namespace drollo::batch::test
