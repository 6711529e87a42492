#include <gtest/gtest.h>

#include "app/form1.h"
#include "app/image_size.h"
#include "fakes.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::MainWindow;

// A picture whose every pixel tells its own position apart.
Picture Numbered(int w, int h) {
  Picture p(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.setPixel(x, y, MakeColour(x, y, (x + 3 * y) & 255));
  return p;
}

class Crop : public MainWindow {
 protected:
  Crop() {
    form.State.WorkingPicture = Numbered(200, 150);
    form.RenewClick();  // the opened picture stays the start card
    form.State.WorkingPicture = Numbered(200, 150);
    form.ResetOutlineLayer();
    ResetPictureHistory(form.State);
    // Both overlays on the screen and the cross-hair on Image1, so that what the commands erase
    // and reset shows.
    TWork_area& w = form.Work_area;
    w.SelectionStart = {5, 5};
    w.SelectionEnd = {40, 30};
    w.RectShown = w.BrushShown = true;
    w.Image1.Cursor = TCursor::Cross;
  }
  // The work area's overlay calls the commands made, read from what they left: the brush erased,
  // the rectangle erased and forgotten, the tool's cursors set again.
  std::vector<std::string> calls() const {
    const TWork_area& w = form.Work_area;
    std::vector<std::string> made;
    if (!w.BrushShown) made.push_back("RemoveTheBrush");
    if (w.SelectionStart == Point{} && w.SelectionEnd == Point{} && !w.RectShown)
      made.push_back("RemoveTheRect2");
    if (w.Image1.Cursor == TCursor::Default) made.push_back("setsigncursor");
    return made;
  }
};

TEST_F(Crop, SelectionModeOnAndOff) {
  form.State.PageIndex = 1;
  form.PressToolButton(form.SpeedButton2);
  EXPECT_TRUE(form.State.CropSelectMode);
  EXPECT_EQ(form.State.PageIndex, 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"RemoveTheBrush"}));
  EXPECT_FALSE(form.Work_area.Image1.ShowHint);
  EXPECT_TRUE(form.Tools.TabbedNotebook1.ShowHint);
  EXPECT_EQ(form.Tools.TabbedNotebook1.Hint, "选择一个区域剪切");
  EXPECT_EQ(form.Work_area.Image1.Cursor, TCursor::Cross);

  form.SpeedButton11.Enabled = true;  // a rectangle was drawn
  form.PressToolButton(form.SpeedButton2);
  EXPECT_FALSE(form.State.CropSelectMode);
  EXPECT_TRUE(form.SpeedButton11.Down);
  EXPECT_FALSE(form.SpeedButton2.Down);
  EXPECT_FALSE(form.SpeedButton11.Enabled);
  EXPECT_TRUE(form.Work_area.Image1.ShowHint);
  EXPECT_FALSE(form.Tools.TabbedNotebook1.ShowHint);
  EXPECT_EQ(calls().back(), "RemoveTheRect2");
}

TEST_F(Crop, CropsTheInclusiveRectangleAndStartsAfresh) {
  form.State.CropSelectMode = true;
  form.SpeedButton11.Enabled = form.Action6.Enabled = true;
  form.State.CropRect = {11, 21, 60, 100};  // columns 10..59, rows 20..99
  form.State.ZoomPercent = 200;
  form.State.PageIndex = 2;
  form.Execute(Handler::SpeedButton11Click);
  const Picture& p = form.State.WorkingPicture;
  ASSERT_EQ(p.width(), 50);
  ASSERT_EQ(p.height(), 80);
  EXPECT_EQ(p.bitsPerPixel(), 24);
  EXPECT_EQ(p.pixel(0, 0), MakeColour(10, 20, 70));
  EXPECT_EQ(p.pixel(49, 79), MakeColour(59, 99, (59 + 297) & 255));
  EXPECT_FALSE(form.State.CropSelectMode);
  EXPECT_FALSE(form.SpeedButton11.Enabled);
  EXPECT_FALSE(form.Action6.Enabled);
  EXPECT_EQ(form.State.PageIndex, 0);
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{100, 160}));
  EXPECT_EQ(form.State.OutlineBitmap.width(), 50);
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 0);
  EXPECT_EQ(calls(), (std::vector<std::string>{"RemoveTheRect2", "setsigncursor"}));
}

struct EmptyRect {
  ProgramState::CropRectangle r;
};

class CropOfNothing : public Crop, public testing::WithParamInterface<EmptyRect> {};

TEST_P(CropOfNothing, DoesNothing) {
  form.State.CropSelectMode = true;
  form.State.CropRect = GetParam().r;
  EditPicture(kBlack);
  const Picture before = form.State.WorkingPicture;
  form.SpeedButton11Click();
  form.Action6Execute();
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
  EXPECT_TRUE(form.State.CropSelectMode);
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 1);
  EXPECT_EQ(clipboard.puts, 0);
  EXPECT_TRUE(calls().empty());
}

// A rectangle less than two picture pixels wide or high: right = left - 1 gives width 0.
INSTANTIATE_TEST_SUITE_P(Rects, CropOfNothing,
                         testing::Values(EmptyRect{{11, 21, 10, 40}}, EmptyRect{{11, 21, 40, 20}},
                                         EmptyRect{{11, 21, 5, 5}}, EmptyRect{{0, 0, 0, 0}},
                                         EmptyRect{{201, 1, 220, 20}}));

TEST_F(Crop, ASingleColumnIsCropped) {
  form.State.CropRect = {5, 5, 5, 9};
  form.SpeedButton11Click();
  EXPECT_EQ(form.State.WorkingPicture.width(), 1);
  EXPECT_EQ(form.State.WorkingPicture.height(), 5);
  EXPECT_EQ(form.State.WorkingPicture.pixel(0, 4), MakeColour(4, 8, 28));
}

// A rectangle reaching past the picture's edges is clipped to the picture, never read outside.
TEST_F(Crop, ARectanglePastTheEdgesIsClipped) {
  form.State.CropRect = {-5, 0, 3, 400};
  form.SpeedButton11Click();
  EXPECT_EQ(form.State.WorkingPicture.width(), 3);
  EXPECT_EQ(form.State.WorkingPicture.height(), 150);
  EXPECT_EQ(form.State.WorkingPicture.pixel(2, 149), MakeColour(2, 149, (2 + 447) & 255));
}

TEST_F(Crop, CopyPutsTheSelectionAndLeavesTheModeOn) {
  form.State.CropSelectMode = true;
  form.Action6.Enabled = form.SpeedButton11.Enabled = true;
  form.State.CropRect = {1, 1, 3, 2};
  const Picture before = form.State.WorkingPicture;
  form.Execute(Handler::Action6Execute);
  ASSERT_TRUE(clipboard.content);
  Picture expected(3, 2, 24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) expected.setPixel(x, y, before.pixel(x, y));
  EXPECT_TRUE(test::SamePicture(expected, *clipboard.content));
  EXPECT_TRUE(form.State.CropSelectMode);
  EXPECT_TRUE(form.Action6.Enabled);
  EXPECT_TRUE(form.SpeedButton11.Enabled);
  EXPECT_TRUE(calls().empty());  // the rectangle stays on screen
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
}

TEST_F(Crop, PasteTakesTheClipboardAt24Bits) {
  Picture grey(30, 20, PixelFormat::Grey8());
  grey.setPixel(2, 3, MakeColour(77, 77, 77));
  clipboard.content = grey;
  EditPicture(kBlack);
  form.State.CropSelectMode = true;
  form.Execute(Handler::Action9Execute);
  const Picture& p = form.State.WorkingPicture;
  EXPECT_EQ(p.bitsPerPixel(), 24);
  EXPECT_EQ(p.width(), 30);
  EXPECT_EQ(p.pixel(2, 3), MakeColour(77, 77, 77));
  EXPECT_FALSE(form.State.CropSelectMode);
  EXPECT_TRUE(form.SpeedButton11.Down);
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 0);
  EXPECT_EQ(form.State.OutlineBitmap.width(), 30);
  EXPECT_EQ(calls(), (std::vector<std::string>{"RemoveTheRect2", "setsigncursor"}));
}

TEST_F(Crop, PasteWithAnEmptyClipboardKeepsThePictureButStartsAfresh) {
  EditPicture(kBlack);
  form.State.OutlineBitmap.setPixel(0, 0, kBlack);
  const Picture before = form.State.WorkingPicture;
  form.Action9Execute();
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 0);
  EXPECT_EQ(form.State.OutlineBitmap.pixel(0, 0), kWhite);
  EXPECT_FALSE(form.SpeedButton5.Enabled);
}

TEST_F(Crop, ZoomingInCropModeErasesTheRectangleAndDisablesCropping) {
  form.State.CropSelectMode = true;
  form.SpeedButton11.Enabled = form.Action6.Enabled = true;
  form.Execute(Handler::SpeedButton9Click);
  EXPECT_EQ(calls(), (std::vector<std::string>{"RemoveTheRect2"}));
  EXPECT_FALSE(form.SpeedButton11.Enabled);
  EXPECT_TRUE(form.Action6.Enabled);
  EXPECT_TRUE(form.State.CropSelectMode);
}

// --- The picture-size dialog ----------------------------------------------------------------

class SizeDialog : public MainWindow {
 protected:
  SizeDialog() { form.Execute(Handler::ImageSize1Click); }
  TImage_Size& dlg = form.Image_Size;
};

// An empty picture has no size to scale: the dialog says so instead of blaming the numbers typed.
TEST_F(SizeDialog, AnEmptyPictureIsNamedAsTheReason) {
  form.State.WorkingPicture = Picture();
  dlg.Edit1.Text = "100";
  dlg.Edit2.Text = "80";
  dlg.Button1.Click();
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, TImage_Size::kNoPicture);
  EXPECT_TRUE(form.State.WorkingPicture.empty());
}

TEST_F(SizeDialog, ShowsThePictureSize) {
  EXPECT_TRUE(dlg.Visible);
  EXPECT_EQ(dlg.Edit1.Text, "605");
  EXPECT_EQ(dlg.Edit2.Text, "469");
  EXPECT_TRUE(dlg.CheckBox1.Checked);
}

TEST_F(SizeDialog, KeptRatioThenPlusRoundsHalvesToEven) {
  dlg.Edit1.Text = "302";
  dlg.Edit1KeyUp();
  EXPECT_EQ(dlg.Edit2.Text, "234");  // 234.12
  dlg.SpeedButton2.Click();
  EXPECT_EQ(dlg.Edit1.Text, "378");  // 377.5
  EXPECT_EQ(dlg.Edit2.Text, "292");  // 292.5
  dlg.SpeedButton1.Click();
  EXPECT_EQ(dlg.Edit1.Text, "302");  // 302.4
  EXPECT_EQ(dlg.Edit2.Text, "234");  // 233.6
}

TEST_F(SizeDialog, HeightFieldDrivesTheWidth) {
  dlg.Edit2.Text = "100";
  dlg.Edit2KeyUp();
  EXPECT_EQ(dlg.Edit1.Text, "129");  // 128.99
  dlg.CheckBox1.Click();             // unchecked: the fields are independent
  dlg.Edit2.Text = "50";
  dlg.Edit2KeyUp();
  EXPECT_EQ(dlg.Edit1.Text, "129");
}

TEST_F(SizeDialog, ApplyResamplesAndStartsAfresh) {
  EditPicture(kBlack);
  form.State.PageIndex = 3;
  form.State.OutlineBitmap.setPixel(0, 0, kBlack);
  backup(form.State);  // an outline step that must not survive the new size
  form.State.PageIndex = 1;
  form.State.ZoomPercent = 125;
  form.Work_area.Images.Image1 = {756, 586};
  dlg.Edit1.Text = "378";
  dlg.Edit2.Text = "292";
  dlg.Button1.Click();
  EXPECT_FALSE(dlg.Visible);
  EXPECT_EQ(form.State.WorkingPicture.width(), 378);
  EXPECT_EQ(form.State.WorkingPicture.height(), 292);
  EXPECT_EQ(form.State.WorkingPicture.bitsPerPixel(), 24);
  // 756 x 378 / 605 = 472.5 and 586 x 292 / 469 = 364.8: scaled from the display size.
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{472, 365}));
  EXPECT_EQ(form.Work_area.Images.Image2, form.Work_area.Images.Image1);
  EXPECT_EQ(form.State.OutlineBitmap.width(), 378);
  EXPECT_EQ(form.State.OutlineBitmap.pixel(0, 0), kWhite);
  EXPECT_EQ(form.State.PageIndex, 0);
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 0);
  EXPECT_EQ(form.State.OutlineHistory.undoCount(), 0);
  EXPECT_FALSE(form.SpeedButton5.Enabled);
}

TEST_F(SizeDialog, SameSizeStillClearsLayerAndHistory) {
  EditPicture(kBlack);
  form.State.OutlineBitmap.setPixel(0, 0, kBlack);
  const Picture before = form.State.WorkingPicture;
  dlg.Button1Click();
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
  EXPECT_EQ(form.State.OutlineBitmap.pixel(0, 0), kWhite);
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 0);
}

struct BadInput {
  const char* width;
  const char* height;
};

class SizeRefused : public SizeDialog, public testing::WithParamInterface<BadInput> {};

TEST_P(SizeRefused, WithTheMessageAndNothingChanged) {
  dlg.Edit1.Text = GetParam().width;
  dlg.Edit2.Text = GetParam().height;
  const Picture before = form.State.WorkingPicture;
  dlg.Button1Click();
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, "Please input a valid integer value.");
  EXPECT_TRUE(dlg.Visible);
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
}

INSTANTIATE_TEST_SUITE_P(Inputs, SizeRefused,
                         testing::Values(BadInput{"0", "100"}, BadInput{"100", "0"},
                                         BadInput{"", "100"}, BadInput{"-5", "100"},
                                         BadInput{"12a", "100"}, BadInput{" 12", "100"}));

TEST_F(SizeDialog, ConversionErrorsAreReportedAndLeaveTheFields) {
  dlg.Edit1.Text = "abc";
  dlg.SpeedButton2Click();
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(dlg.Edit1.Text, "abc");
  EXPECT_EQ(dlg.Edit2.Text, "469");
  dlg.Edit1.Text = "99999999999";  // beyond the integer range
  dlg.Button1Click();
  EXPECT_EQ(errors.messages.size(), 2u);
  EXPECT_EQ(form.State.WorkingPicture.width(), 605);
}

TEST(IsDigitString, OnlyDigits) {
  EXPECT_TRUE(IsDigitString("0"));
  EXPECT_TRUE(IsDigitString("0123456789"));
  EXPECT_FALSE(IsDigitString(""));
  EXPECT_FALSE(IsDigitString("+1"));
  EXPECT_FALSE(IsDigitString("1 "));
  EXPECT_FALSE(IsDigitString("１"));  // a full-width digit
}

}  // namespace
}  // namespace drollo
