#include "app/form1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "app/start_picture.h"
#include "fakes.h"
#include "formats/picture_file.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::MainWindow;

bool AllWhite(const TBitmap32& layer) {
  for (int y = 0; y < layer.height(); ++y)
    for (std::size_t i = 0; i < layer.stride(); ++i)
      if (layer.row(y)[i] != 255) return false;
  return true;
}

// After opening or renewing: page 0, both rings at slot 1 with nothing to undo or redo, the four
// undo and redo controls disabled, a blank layer of the picture's size shown at Image1's size.
void ExpectFreshStart(TForm1& f) {
  EXPECT_EQ(f.State.PageIndex, 0);
  EXPECT_EQ(f.State.PictureHistory.index(), 1);
  EXPECT_EQ(f.State.PictureHistory.undoCount(), 0);
  EXPECT_EQ(f.State.PictureHistory.redoCount(), 0);
  EXPECT_EQ(f.State.OutlineHistory.index(), 1);
  EXPECT_EQ(f.State.OutlineHistory.undoCount(), 0);
  ASSERT_NE(f.State.PictureHistory.slot(1), nullptr);
  EXPECT_TRUE(
      f.State.WorkingPicture.samePixels(MaterialiseSnapshot(*f.State.PictureHistory.slot(1))));
  EXPECT_FALSE(f.SpeedButton5.Enabled);
  EXPECT_FALSE(f.SpeedButton10.Enabled);
  EXPECT_FALSE(f.Undo1.Enabled);
  EXPECT_FALSE(f.Redo1.Enabled);
  EXPECT_EQ(f.State.OutlineBitmap.width(), f.State.WorkingPicture.width());
  EXPECT_EQ(f.State.OutlineBitmap.height(), f.State.WorkingPicture.height());
  EXPECT_EQ(f.State.OutlineBitmap.bitsPerPixel(), 32);
  EXPECT_TRUE(AllWhite(f.State.OutlineBitmap));
  EXPECT_EQ(f.Work_area.Images.Image1, DisplaySizeOf(f.State.WorkingPicture, f.State.ZoomPercent));
  EXPECT_EQ(f.Work_area.Images.Image2, f.Work_area.Images.Image1);
}

// --- Start ------------------------------------------------------------------------------------

TEST_F(MainWindow, StartsWithTheTestCardAndNothingToUndo) {
  const Picture& p = form.State.WorkingPicture;
  EXPECT_EQ(p.width(), 605);
  EXPECT_EQ(p.height(), 469);
  EXPECT_EQ(p.bitsPerPixel(), 24);
  EXPECT_TRUE(form.State.OpenedPicture.samePixels(p));
  EXPECT_EQ(form.Label1Caption(), "100%");
  EXPECT_EQ(form.State.ZoomPercent, 100);
  EXPECT_EQ(form.State.WarpShape, Shape::Spherical);
  EXPECT_EQ(form.State.WarpAction, Warp::Expand);
  EXPECT_FALSE(form.State.CropSelectMode);
  EXPECT_FALSE(form.SpeedButton11.Enabled);
  EXPECT_FALSE(form.Action6.Enabled);
  // The undo and redo short-cuts stay enabled while their controls are not.
  EXPECT_TRUE(form.Action4.Enabled);
  EXPECT_TRUE(form.Action5.Enabled);
  EXPECT_EQ(form.WorkAreaSize, (DisplaySize{615, 504}));
  ExpectFreshStart(form);
}

TEST(StartPicture, IsAColourfulCardNotAFlatFill) {
  const Picture p = MakeStartPicture();
  int distinct = 0;
  TColor last = p.pixel(0, 0);
  for (int x = 0; x < p.width(); ++x)
    if (p.pixel(x, 200) != last) ++distinct, last = p.pixel(x, 200);
  EXPECT_GT(distinct, 20);
}

TEST_F(MainWindow, EveryTableEntryReachesAControlWithItsStartState) {
  for (const ToolButtonEntry& e : ToolBarButtons()) {
    SpeedButton* b = form.ToolButton(e.Name);
    ASSERT_NE(b, nullptr) << e.Name;
    EXPECT_EQ(b->Hint, e.Hint);
    EXPECT_EQ(b->Enabled, e.StartsEnabled) << e.Name;
  }
  for (const MenuEntry& e : MenuEntries()) {
    ASSERT_NE(form.MenuEntryNamed(e.Name), nullptr) << e.Name;
    EXPECT_EQ(form.MenuEntryNamed(e.Name)->Enabled, e.StartsEnabled) << e.Name;
  }
  for (const ShortcutEntry& e : Shortcuts()) {
    ASSERT_NE(form.ActionNamed(e.Name), nullptr) << e.Name;
    EXPECT_EQ(form.ActionNamed(e.Name)->ShortCut, e.Keys);
  }
}

TEST_F(MainWindow, TwoZoomInsByButtonAndCtrlMinusShow125) {
  form.PressToolButton(form.SpeedButton9);
  form.PressToolButton(form.SpeedButton9);
  form.PressKeys("Ctrl+-");
  EXPECT_EQ(form.Label1Caption(), "125.0%");
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{756, 586}));
  EXPECT_TRUE(form.SpeedButton9.Down);
  EXPECT_FALSE(form.SpeedButton8.Down);
}

TEST_F(MainWindow, CtrlCDoesNothingUntilARectangleIsDrawn) {
  form.State.CropRect = {1, 1, 10, 10};
  form.PressKeys("Ctrl+C");
  EXPECT_EQ(clipboard.puts, 0);
  form.Action6.Enabled = true;  // the work area enables it when a rectangle is drawn
  form.PressKeys("Ctrl+C");
  EXPECT_EQ(clipboard.puts, 1);
}

TEST_F(MainWindow, UndoKeysStayLiveWithNothingToUndo) {
  const Picture before = form.State.WorkingPicture;
  form.PressKeys("Ctrl+Z");
  form.PressKeys("Ctrl+Y");
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
  EXPECT_FALSE(form.SpeedButton5.Enabled);
  EXPECT_FALSE(form.SpeedButton10.Enabled);
}

TEST_F(MainWindow, CtrlQEndsAtOnceWithUnsavedChanges) {
  EditPicture(kBlack);
  form.PressKeys("Ctrl+Q");
  EXPECT_TRUE(form.Closed);
  EXPECT_TRUE(saveDialog.filters.empty());
  EXPECT_TRUE(form.State.OpenedPicture.empty());
  EXPECT_TRUE(form.State.OutlineBitmap.empty());
}

TEST_F(MainWindow, WebPagesAndAbout) {
  form.Execute(Handler::Online1Click);
  form.Execute(Handler::Help2Click);
  EXPECT_EQ(browser.opened,
            (std::vector<std::string>{kHomePage, "file://" + form.Services.HelpPage}));
  form.Execute(Handler::About1Click);
  EXPECT_TRUE(form.AboutVisible);
}

// Turning to the sketch page reads the picture for its edge picture; it must not convert the
// working picture itself, or an 8-bit .bmp would be saved at 24 bits though no effect changed it.
TEST_F(MainWindow, AVisitToTheSketchPageKeepsABmpsDepth) {
  Picture grey(30, 20, PixelFormat::Grey8());
  for (int x = 0; x < 30; ++x) grey.setPixel(x, 5, MakeColour(9 * x, 9 * x, 9 * x));
  const std::string in = folder / "grey.bmp", out = folder / "saved.bmp";
  formats::SaveAsBmp(grey, in);
  openDialog.answers.push_back(in);
  form.Open1Click();
  ASSERT_EQ(form.State.WorkingPicture.bitsPerPixel(), 8);
  form.Tools.TabbedNotebook1.SetPageIndex(2);
  EXPECT_FALSE(form.State.EdgePicture.empty());
  form.Tools.TabbedNotebook1.SetPageIndex(0);
  saveDialog.answer = SaveDialog::Choice{out, 2};
  form.Save1Click();
  const std::optional<Picture> saved = formats::LoadPictureFile(out);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->bitsPerPixel(), 8);
  EXPECT_TRUE(saved->samePixels(grey));
}

// A thickness command leaves its radius, typed without bound, as the eraser's: a click with it
// must erase the whole layer at once.
TEST_F(MainWindow, AnEraserClickWithTheLargestRadiusErasesTheLayerAtOnce) {
  form.Tools.TabbedNotebook1.SetPageIndex(3);
  form.State.OutlineBitmap.setPixel(3, 4, kBlack);
  form.State.OutlineBitmap.setPixel(600, 460, kBlack);
  form.Tools.SpeedButton9.Click();  // "橡皮"
  form.State.ScreenRadius = std::numeric_limits<int>::max();
  form.Work_area.Image2MouseMove(TShiftState{}, 50, 50);
  form.Work_area.Image2MouseDown(TMouseButton::Left, TShiftState{.Left = true}, 50, 50);
  form.Work_area.Image2MouseUp(TMouseButton::Left, TShiftState{}, 50, 50);
  EXPECT_TRUE(AllWhite(form.State.OutlineBitmap));
  EXPECT_EQ(form.State.OutlineHistory.undoCount(), 1);
}

TEST_F(MainWindow, HelpWithoutItsPageSaysSoAndOpensNothing) {
  form.Services.HelpPage.clear();
  form.Execute(Handler::Help2Click);
  EXPECT_TRUE(browser.opened.empty());
  EXPECT_EQ(errors.messages, (std::vector<std::string>{kHelpPageMissing}));
}

// --- Undo and redo ----------------------------------------------------------------------------

TEST_F(MainWindow, UndoAndRedoControlsFollowTheHistory) {
  const Picture start = form.State.WorkingPicture;
  EditPicture(MakeColour(1, 2, 3));
  EXPECT_TRUE(form.SpeedButton5.Enabled);
  EXPECT_TRUE(form.Undo1.Enabled);
  form.Execute(Handler::Undo1Click);
  EXPECT_TRUE(test::SamePicture(start, form.State.WorkingPicture));
  EXPECT_FALSE(form.SpeedButton5.Enabled);
  EXPECT_FALSE(form.Undo1.Enabled);
  EXPECT_TRUE(form.SpeedButton10.Enabled);
  EXPECT_TRUE(form.Redo1.Enabled);
  form.Execute(Handler::Redo1Click);
  EXPECT_EQ(form.State.WorkingPicture.pixel(3, 4), MakeColour(1, 2, 3));
  EXPECT_TRUE(form.SpeedButton5.Enabled);
  EXPECT_FALSE(form.SpeedButton10.Enabled);
}

TEST_F(MainWindow, UndoOnTheOutlinePageShowsTheLayerAgain) {
  int shown = 0;
  form.State.Image2showto = [&] { ++shown; };
  form.State.PageIndex = 3;
  form.State.OutlineBitmap.setPixel(1, 1, kBlack);
  backup(form.State);
  form.Undo1Click();
  form.Redo1Click();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(form.State.OutlineBitmap.pixel(1, 1), kBlack);
}

// --- Opening ----------------------------------------------------------------------------------

TEST_F(MainWindow, CancellingOpenKeepsThePictureButStartsAfresh) {
  EditPicture(MakeColour(9, 9, 9));
  const Picture edited = form.State.WorkingPicture;
  form.State.OutlineBitmap.setPixel(5, 5, kBlack);
  form.State.PageIndex = 2;
  form.Execute(Handler::Open1Click);
  ASSERT_EQ(openDialog.filters.size(), 1u);
  EXPECT_EQ(openDialog.filters[0],
            "*.jpg|*.jpg|*.jpeg|*.jpeg|*.bmp|*.bmp|*.wmf|*.wmf|*.emf|*.emf|*.gif|*.gif|"
            "All files|*.*");
  EXPECT_TRUE(test::SamePicture(edited, form.State.WorkingPicture));
  EXPECT_TRUE(form.State.OpenedPicture.samePixels(edited));
  ExpectFreshStart(form);
}

struct OpenCase {
  const char* name;   // the name the file is written and opened under
  int writeAs;        // 0 none, 1 JPEG, 2 BMP
  int width, height;  // expected
  int bits;
};

class OpenFile : public MainWindow, public testing::WithParamInterface<OpenCase> {};

TEST_P(OpenFile, TypeKeyDecidesTheReader) {
  const OpenCase& c = GetParam();
  const std::string path = folder / c.name;
  const Picture written = test::PatternPicture(40, 30);
  if (c.writeAs == 1) {
    formats::SaveAsJpeg(written, folder / "tmp.jpg");
    std::filesystem::rename(folder / "tmp.jpg", path);
  } else if (c.writeAs == 2) {
    formats::SaveAsBmp(written, path);
  } else {
    std::ofstream(path) << "not a picture";
  }
  form.State.ZoomPercent = 125;
  openDialog.answers.push_back(path);
  form.Open1Click();
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(form.State.WorkingPicture.width(), c.width);
  EXPECT_EQ(form.State.WorkingPicture.height(), c.height);
  if (c.bits) {
    EXPECT_EQ(form.State.WorkingPicture.bitsPerPixel(), c.bits);
  }
  EXPECT_EQ(form.State.ZoomPercent, 125);  // opening keeps the zoom
  EXPECT_TRUE(form.State.OpenedPicture.samePixels(form.State.WorkingPicture));
  ExpectFreshStart(form);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OpenFile,
    testing::Values(OpenCase{"upper.JPEG", 1, 40, 30, 24}, OpenCase{"lower.jpeg", 1, 40, 30, 24},
                    OpenCase{"short.jpg", 1, 40, 30, 24}, OpenCase{"plain.bmp", 2, 40, 30, 24},
                    OpenCase{"jpeg.jpe", 1, 0, 0, 0}, OpenCase{"picture.tif", 0, 0, 0, 0}),
    [](const testing::TestParamInfo<OpenCase>& i) {
      std::string n = i.param.name;
      for (char& ch : n)
        if (ch == '.') ch = '_';
      return n;
    });

TEST_F(MainWindow, OpeningAMissingFileGivesAnEmptyPicture) {
  openDialog.answers.push_back(folder / "gone.bmp");
  form.Open1Click();
  EXPECT_TRUE(form.State.WorkingPicture.empty());
  EXPECT_TRUE(errors.messages.empty());
  ExpectFreshStart(form);
}

TEST_F(MainWindow, ACorruptFileIsReportedAndChangesNothing) {
  EditPicture(MakeColour(7, 7, 7));
  form.State.PageIndex = 2;
  const Picture before = form.State.WorkingPicture;
  std::ofstream(folder / "bad.bmp") << "BM garbage that is no bitmap";
  openDialog.answers.push_back(folder / "bad.bmp");
  form.Open1Click();
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_FALSE(errors.messages[0].empty());
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
  EXPECT_EQ(form.State.PictureHistory.undoCount(), 1);
  EXPECT_TRUE(form.SpeedButton5.Enabled);
  EXPECT_EQ(form.State.PageIndex, 2);
  EXPECT_FALSE(form.State.OpenedPicture.samePixels(before));
}

TEST_F(MainWindow, AnUnreadableIconIsShownInItsOwnBoxAndOpensEmpty) {
  const std::string path = folder / "broken.ico";
  std::ofstream(path) << "\x01\x02 no icon";
  openDialog.answers.push_back(path);
  form.Open1Click();
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].second, "Exit");
  const std::string& text = messages.boxes[0].first;
  EXPECT_EQ(text.rfind("Input picture" + path + "Error.", 0), 0u) << text;
  EXPECT_GT(text.size(), ("Input picture" + path + "Error.").size());
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_TRUE(form.State.WorkingPicture.empty());
  ExpectFreshStart(form);
}

// --- Renewing ---------------------------------------------------------------------------------

TEST_F(MainWindow, RenewRightAfterStartRestoresTheStartPicture) {
  EditPicture(kBlack);
  EditPicture(kWhite);
  form.State.PageIndex = 3;
  form.Execute(Handler::RenewClick);
  EXPECT_TRUE(test::SamePicture(MakeStartPicture(), form.State.WorkingPicture));
  ExpectFreshStart(form);
}

TEST_F(MainWindow, RenewAfterACropBringsBackTheOpenedPicture) {
  form.State.CropRect = {11, 21, 60, 70};
  form.SpeedButton11Click();
  ASSERT_EQ(form.State.WorkingPicture.width(), 50);
  form.RenewClick();
  EXPECT_TRUE(test::SamePicture(MakeStartPicture(), form.State.WorkingPicture));
}

// --- Saving -----------------------------------------------------------------------------------

struct SaveCase {
  const char* typed;
  int filter;
  const char* written;
};

class SaveFile : public MainWindow, public testing::WithParamInterface<SaveCase> {};

TEST_P(SaveFile, TheFilterEntryDecidesTypeAndExtension) {
  const SaveCase& c = GetParam();
  const Picture before = form.State.WorkingPicture;
  saveDialog.answer = SaveDialog::Choice{folder / c.typed, c.filter};
  form.Execute(Handler::Save1Click);
  EXPECT_EQ(saveDialog.filters.at(0), "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf");
  EXPECT_TRUE(errors.messages.empty());
  for (const auto& entry : std::filesystem::directory_iterator(folder.str()))
    EXPECT_EQ(entry.path().filename(), c.written);
  const std::optional<Picture> back = formats::LoadPictureFile(folder / c.written);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width(), 605);
  EXPECT_EQ(back->height(), 469);
  if (c.filter != 1) {
    EXPECT_TRUE(test::SamePicture(before, *back));
  }
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
}

INSTANTIATE_TEST_SUITE_P(Entries, SaveFile,
                         testing::Values(SaveCase{"work.jpg", 2, "work.bmp"},
                                         SaveCase{"work.bmp", 1, "work.jpg"},
                                         SaveCase{"work", 1, "work.jpg"},
                                         SaveCase{"my.work.png", 3, "my.work.wmf"},
                                         SaveCase{"work.bmp", 2, "work.bmp"}));

TEST_F(MainWindow, CancellingSaveWritesNothing) {
  form.Save1Click();
  EXPECT_EQ(saveDialog.filters.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(folder.str()));
}

TEST_F(MainWindow, AFailedSaveIsReported) {
  saveDialog.answer = SaveDialog::Choice{folder / "no/such/folder/work.jpg", 1};
  form.Save1Click();
  EXPECT_EQ(errors.messages.size(), 1u);
}

}  // namespace
}  // namespace drollo
