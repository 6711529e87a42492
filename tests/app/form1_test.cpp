#include "app/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "app/start_picture.h"
#include "fakes.h"
#include "formats/exif.h"
#include "formats/file_types.h"
#include "formats/picture_file.h"
#include "outline/layer_display.h"
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
  // Blank, and so is its record: the layer costs one row until something is drawn on it.
  EXPECT_TRUE(f.State.OutlineBitmap.blank());
  ASSERT_NE(f.State.OutlineHistory.slot(1), nullptr);
  EXPECT_TRUE(f.State.OutlineHistory.slot(1)->blank());
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

// The same radius divided by a zoom below 100 lies beyond the int range; it once wrapped round to
// a negative radius, and the click erased nothing.
TEST_F(MainWindow, AnEraserClickWithTheLargestRadiusErasesTheLayerBelow100Percent) {
  for (int i = 0; i < 3; ++i) form.Execute(Handler::SpeedButton8Click);  // 51.2 %
  form.Tools.TabbedNotebook1.SetPageIndex(3);
  form.State.OutlineBitmap.setPixel(3, 4, kBlack);
  form.State.OutlineBitmap.setPixel(600, 460, kBlack);
  form.Tools.SpeedButton9.Click();  // "橡皮"
  form.Tools.Edit1.Text = "2147483647";
  form.Tools.SpeedButton17.Click();  // the thickness command leaves its radius to the eraser
  form.Work_area.Image2MouseDown(TMouseButton::Left, TShiftState{.Left = true}, 50, 50);
  form.Work_area.Image2MouseUp(TMouseButton::Left, TShiftState{}, 50, 50);
  EXPECT_TRUE(AllWhite(form.State.OutlineBitmap));
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
  form.Tools.TabbedNotebook1.SetPageIndex(3);
  const auto shown = [&] {
    return form.Work_area.Image2Picture().samePixels(outline::Image2showto(
        form.State.WorkingPicture, form.State.OutlineBitmap, form.Tools.CheckBox1.Checked));
  };
  form.State.OutlineBitmap.setPixel(1, 1, kBlack);
  backup(form.State);
  form.Work_area.Image2showto();
  form.Undo1Click();
  EXPECT_EQ(form.State.OutlineBitmap.pixel(1, 1), kWhite);
  EXPECT_TRUE(shown());
  form.Redo1Click();
  EXPECT_EQ(form.State.OutlineBitmap.pixel(1, 1), kBlack);
  EXPECT_TRUE(shown());
}

// --- Opening ----------------------------------------------------------------------------------

// The filter's entries: the shown texts, every other part.
std::vector<std::string> EntryTexts(const std::string& filter) {
  std::vector<std::string> texts;
  std::size_t at = 0;
  for (int part = 0; at <= filter.size(); ++part) {
    const std::size_t bar = std::min(filter.find('|', at), filter.size());
    if (part % 2 == 0) texts.push_back(filter.substr(at, bar - at));
    at = bar + 1;
  }
  return texts;
}

TEST_F(MainWindow, CancellingOpenKeepsThePictureButStartsAfresh) {
  EditPicture(MakeColour(9, 9, 9));
  const Picture edited = form.State.WorkingPicture;
  form.State.OutlineBitmap.setPixel(5, 5, kBlack);
  form.State.PageIndex = 2;
  form.Execute(Handler::Open1Click);
  ASSERT_EQ(openDialog.filters.size(), 1u);
  // The old entries in their order, the new types after them, "All pictures" shown first and
  // "All files" last.
  const std::vector<std::string> texts = EntryTexts(openDialog.filters[0]);
  ASSERT_EQ(texts.size(), 15u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 6),
            (std::vector<std::string>{"*.jpg", "*.jpeg", "*.bmp", "*.wmf", "*.emf", "*.gif"}));
  EXPECT_EQ(texts[6], "*.png");
  EXPECT_EQ(texts.at(openDialog.preselected - 1), "All pictures");
  EXPECT_EQ(texts.back(), "All files");
  EXPECT_TRUE(test::SamePicture(edited, form.State.WorkingPicture));
  EXPECT_TRUE(form.State.OpenedPicture.samePixels(edited));
  ExpectFreshStart(form);
}

struct OpenCase {
  const char* name;  // the name the file is written and opened under
  int writeAs;       // 1 JPEG, 2 BMP, 3 PNG
};

class OpenFile : public MainWindow, public testing::WithParamInterface<OpenCase> {};

TEST_P(OpenFile, TheContentDecidesTheReader) {
  const OpenCase& c = GetParam();
  const std::string path = folder / c.name;
  const Picture written = test::PatternPicture(40, 30);
  const formats::FileType types[] = {formats::FileType::Jpeg, formats::FileType::Bmp,
                                     formats::FileType::Png};
  const std::string saved = formats::SavePicture(written, folder / "tmp", types[c.writeAs - 1]);
  std::filesystem::rename(saved, path);
  form.State.ZoomPercent = 125;
  openDialog.answers.push_back(path);
  form.Open1Click();
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(form.State.WorkingPicture.width(), 40);
  EXPECT_EQ(form.State.WorkingPicture.height(), 30);
  EXPECT_EQ(form.State.WorkingPicture.bitsPerPixel(), 24);
  if (c.writeAs != 1) {
    EXPECT_TRUE(test::SamePicture(written, form.State.WorkingPicture));
  }
  EXPECT_EQ(form.State.ZoomPercent, 125);  // opening keeps the zoom
  EXPECT_TRUE(form.State.OpenedPicture.samePixels(form.State.WorkingPicture));
  ExpectFreshStart(form);
}

INSTANTIATE_TEST_SUITE_P(Names, OpenFile,
                         testing::Values(OpenCase{"upper.JPEG", 1}, OpenCase{"lower.jpeg", 1},
                                         OpenCase{"short.jpg", 1}, OpenCase{"plain.bmp", 2},
                                         OpenCase{"jpeg.jpe", 1}, OpenCase{"picture.png", 3},
                                         OpenCase{"png-named.jpg", 3}),
                         [](const testing::TestParamInfo<OpenCase>& i) {
                           std::string n = i.param.name;
                           for (char& ch : n)
                             if (ch == '.' || ch == '-') ch = '_';
                           return n;
                         });

struct UnopenableCase {
  const char* label;
  const char* name;
  const char* content;  // nullptr: no such file
  bool iconBox;         // reported in the icon's own box rather than the error report
};

class UnopenableFile : public MainWindow, public testing::WithParamInterface<UnopenableCase> {};

// Whatever the reason, a file that cannot be opened is named in one message with the reason,
// and everything the open would have replaced stays: the working and the opened picture, the
// photo's metadata, the layer, both histories and the palette page.
TEST_P(UnopenableFile, IsReportedByNameAndChangesNothing) {
  const UnopenableCase& c = GetParam();
  const std::string path = folder / c.name;
  if (c.content) std::ofstream(path) << c.content;
  form.State.OpenedMetadata.exif = test::CameraExif(1);
  form.State.CropRect = {11, 21, 60, 70};
  form.SpeedButton11Click();  // the opened picture is no longer the working one
  EditPicture(MakeColour(7, 7, 7));
  form.Tools.TabbedNotebook1.SetPageIndex(3);
  form.State.OutlineBitmap.setPixel(5, 5, kBlack);
  backup(form.State);
  form.Tools.TabbedNotebook1.SetPageIndex(2);
  const ProgramState before = form.State;

  openDialog.answers.push_back(path);
  form.Execute(Handler::Open1Click);

  const std::vector<std::string> reported =
      c.iconBox ? std::vector<std::string>{messages.boxes.empty() ? "" : messages.boxes[0].first}
                : errors.messages;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_NE(reported[0].find(path), std::string::npos) << reported[0];
  EXPECT_EQ(errors.messages.size() + messages.boxes.size(), 1u);
  if (c.iconBox) {
    EXPECT_EQ(messages.boxes[0].second, "Exit");
    EXPECT_EQ(reported[0].rfind("Input picture" + path + "Error.", 0), 0u) << reported[0];
  }
  const ProgramState& after = form.State;
  EXPECT_TRUE(test::SamePicture(before.WorkingPicture, after.WorkingPicture));
  EXPECT_TRUE(test::SamePicture(before.OpenedPicture.copy(), after.OpenedPicture.copy()));
  EXPECT_EQ(before.OpenedMetadata, after.OpenedMetadata);
  EXPECT_TRUE(test::SamePicture(before.OutlineBitmap, after.OutlineBitmap));
  for (const auto ring : {&ProgramState::PictureHistory, &ProgramState::OutlineHistory}) {
    EXPECT_EQ((before.*ring).index(), (after.*ring).index());
    EXPECT_EQ((before.*ring).undoCount(), (after.*ring).undoCount());
    EXPECT_EQ((before.*ring).redoCount(), (after.*ring).redoCount());
    const PictureSnapshot* slot = (after.*ring).slot((after.*ring).index());
    ASSERT_NE(slot, nullptr);
    EXPECT_TRUE(test::SamePicture(MaterialiseSnapshot(*(before.*ring).slot((before.*ring).index())),
                                  MaterialiseSnapshot(*slot)));
  }
  EXPECT_EQ(after.PageIndex, 2);
  EXPECT_TRUE(form.Undo1.Enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, UnopenableFile,
    testing::Values(UnopenableCase{"Missing", "gone.bmp", nullptr, false},
                    UnopenableCase{"UnknownExtension", "notes.txt", "some notes", false},
                    UnopenableCase{"KnownExtensionNoPicture", "picture.tif", "not a picture",
                                   false},
                    UnopenableCase{"DamagedBmp", "bad.bmp", "BM garbage that is no bitmap", false},
                    UnopenableCase{"Empty", "empty.jpg", "", false},
                    UnopenableCase{"UnreadableIcon", "broken.ico", "\x01\x02 no icon", true}),
    [](const testing::TestParamInfo<UnopenableCase>& i) { return std::string(i.param.label); });

// --- Renewing ---------------------------------------------------------------------------------

TEST_F(MainWindow, RenewRightAfterStartRestoresTheStartPicture) {
  EditPicture(kBlack);
  EditPicture(kWhite);
  form.State.PageIndex = 3;
  form.Execute(Handler::RenewClick);
  EXPECT_TRUE(test::SamePicture(MakeStartPicture(), form.State.WorkingPicture));
  ExpectFreshStart(form);
}

// The opened picture is the history's first entry itself, not a copy: every way the picture is
// written afterwards (a warp click on a few tiles, a whole-picture ripple, undo and redo that
// paste tiles back, a pixel set directly) must leave it as it was.
TEST_F(MainWindow, TheOpenedPictureIsTheFirstEntryAndSurvivesEveryKindOfWrite) {
  const Picture start = MakeStartPicture();
  ASSERT_EQ(form.State.OpenedPicture.snapshot(), form.State.PictureHistory.slot(1));
  form.Work_area.Image1MouseDown(TMouseButton::Left, TShiftState{.Left = true}, 200, 150);
  form.Work_area.Image1Click();
  form.Work_area.Image1MouseUp(TMouseButton::Left, TShiftState{}, 200, 150);
  ASSERT_FALSE(start.samePixels(form.State.WorkingPicture));
  form.Work_area.WaveWrap(2, 6, 2);
  EditPicture(kBlack);
  form.Undo1Click();
  form.Undo1Click();
  form.Redo1Click();
  EXPECT_TRUE(form.State.OpenedPicture.samePixels(start));
  form.RenewClick();
  EXPECT_TRUE(test::SamePicture(start, form.State.WorkingPicture));
  // Renewing keeps the same start: a second round of edits and a renew come back to it too.
  EditPicture(kWhite);
  form.RenewClick();
  EXPECT_TRUE(test::SamePicture(start, form.State.WorkingPicture));
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
  EXPECT_EQ(saveDialog.filters.at(0), "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf|*.png|*.png");
  EXPECT_TRUE(errors.messages.empty());
  for (const auto& entry : std::filesystem::directory_iterator(folder.str()))
    EXPECT_EQ(entry.path().filename(), c.written);
  const Picture back = formats::LoadPicture(folder / c.written).picture;
  EXPECT_EQ(back.width(), 605);
  EXPECT_EQ(back.height(), 469);
  if (c.filter != 1) {
    EXPECT_TRUE(test::SamePicture(before, back));
  }
  EXPECT_TRUE(test::SamePicture(before, form.State.WorkingPicture));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SaveFile,
    testing::Values(SaveCase{"work.jpg", 2, "work.bmp"}, SaveCase{"work.bmp", 1, "work.jpg"},
                    SaveCase{"work", 1, "work.jpg"}, SaveCase{"my.work.png", 3, "my.work.wmf"},
                    SaveCase{"work.bmp", 2, "work.bmp"}, SaveCase{"work.jpg", 4, "work.png"}));

TEST_F(MainWindow, CancellingSaveWritesNothing) {
  form.Save1Click();
  EXPECT_EQ(saveDialog.filters.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(folder.str()));
}

// An sRGB colour profile made by an independent program (Python's PIL).
std::vector<std::uint8_t> SrgbProfile() {
  std::vector<std::uint8_t> profile;
  FILE* pipe = popen(
      "/usr/bin/python3 -c \"import sys; from PIL import ImageCms; sys.stdout.buffer.write("
      "ImageCms.ImageCmsProfile(ImageCms.createProfile('sRGB')).tobytes())\"",
      "r");
  if (!pipe) return profile;
  for (int c; (c = std::fgetc(pipe)) != EOF;) profile.push_back(static_cast<std::uint8_t>(c));
  pclose(pipe);
  return profile;
}

// Once a sketch has replaced an opened photograph, neither the start picture nor the first history
// entry keeps the photograph's pixels, only its file; undo, redo and renewing make it again from
// the file, exactly as it was opened.
TEST_F(MainWindow, AnOpenedPhotoReplacedBySketchesIsMadeAgainByUndoAndRenew) {
  Picture photo(256, 192);  // smooth, so that its JPEG is far smaller than its pixels
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      photo.setPixel(x, y, MakeColour(x, (x + y) / 2, 255 - y));
  formats::SavePicture(photo, folder / "smooth.jpg", formats::FileType::Jpeg);
  openDialog.answers.push_back(folder / "smooth.jpg");
  form.Open1Click();
  const Picture opened = form.State.WorkingPicture;
  const std::uint8_t* bytes = form.State.WorkingPicture.row(0);
  form.Tools.TabbedNotebook1.SetPageIndex(2);
  form.Tools.SpeedButton4Click();
  const Picture pen = form.State.WorkingPicture;
  ASSERT_FALSE(pen.samePixels(opened));
  // The pen sketch took the photograph's own bytes; the history holds the sketch alone.
  EXPECT_EQ(form.State.WorkingPicture.row(0), bytes);
  EXPECT_LT(form.State.PictureHistory.memoryBytes(), opened.byteSize() * 3 / 2);
  form.Tools.SpeedButton5Click();
  const Picture pencil = form.State.WorkingPicture;

  form.Undo1Click();
  EXPECT_TRUE(test::SamePicture(pen, form.State.WorkingPicture));
  form.Undo1Click();
  EXPECT_TRUE(test::SamePicture(opened, form.State.WorkingPicture));
  form.Redo1Click();
  form.Redo1Click();
  EXPECT_TRUE(test::SamePicture(pencil, form.State.WorkingPicture));
  form.RenewClick();
  EXPECT_TRUE(test::SamePicture(opened, form.State.WorkingPicture));
  ExpectFreshStart(form);
  // A crop starts afresh at another size: renewing makes the photograph again whole, and after
  // another sketch undo does too.
  form.State.CropRect = {11, 21, 60, 70};
  form.SpeedButton11Click();
  ASSERT_EQ(form.State.WorkingPicture.width(), 50);
  form.RenewClick();
  EXPECT_TRUE(test::SamePicture(opened, form.State.WorkingPicture));
  form.Tools.TabbedNotebook1.SetPageIndex(2);
  form.Tools.SpeedButton4Click();
  form.Undo1Click();
  EXPECT_TRUE(test::SamePicture(opened, form.State.WorkingPicture));
}

// The photo's metadata goes with the picture from its opening to every save of it, through
// edits and renewing, until another picture (pasted or opened) takes the opened one's place.
TEST_F(MainWindow, AnOpenedPhotosExifAndProfileAreSavedWithItUntilAnotherPictureReplacesIt) {
  const std::vector<std::uint8_t> profile = SrgbProfile();
  ASSERT_GT(profile.size(), 128u) << "python3-pil makes the profile";
  // Stored 40 x 30 on its side: orientation 6 turns it upright to 30 x 40.
  formats::SavePicture(test::PatternPicture(40, 30), folder / "photo.jpg", formats::FileType::Jpeg,
                       {test::CameraExif(6), profile});
  openDialog.answers.push_back(folder / "photo.jpg");
  form.Open1Click();
  ASSERT_EQ(form.State.WorkingPicture.width(), 30);
  EditPicture(kBlack);
  form.RenewClick();
  EditPicture(kWhite);

  const auto saveAs = [&](const std::string& name, int entry) {
    saveDialog.answer = SaveDialog::Choice{folder / name, entry};
    form.Save1Click();
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.at(0);
    return formats::LoadPicture(folder / name);
  };
  const std::string maker = "Drollo Test";
  for (const auto& [name, entry] : {std::pair{"saved.jpg", 1}, std::pair{"saved.png", 4}}) {
    SCOPED_TRACE(name);
    const formats::LoadedPicture saved = saveAs(name, entry);
    EXPECT_EQ(saved.picture.width(), 30);  // upright once, not turned again
    EXPECT_EQ(saved.metadata.icc, profile);
    if (entry == 1) {
      const std::vector<std::uint8_t>& exif = saved.metadata.exif;
      EXPECT_EQ(formats::ExifOrientation(exif), 1);
      EXPECT_NE(std::search(exif.begin(), exif.end(), maker.begin(), maker.end()), exif.end());
    }
  }
  // The outline page's save writes the picture as the main window's does.
  saveDialog.answer = SaveDialog::Choice{folder / "page.png", 4};
  form.Tools.SpeedButton19Click();
  EXPECT_EQ(formats::LoadPicture(folder / "page.png").metadata.icc, profile);

  clipboard.content = test::PatternPicture(20, 10);
  form.Action9Execute();
  EXPECT_TRUE(saveAs("pasted.jpg", 1).metadata.empty());

  form.RenewClick();
  openDialog.answers.push_back(folder / "photo.jpg");
  form.Open1Click();
  formats::SaveAsBmp(test::PatternPicture(20, 10), folder / "plain.bmp");
  openDialog.answers.push_back(folder / "plain.bmp");
  form.Open1Click();
  EXPECT_TRUE(saveAs("plain.jpg", 1).metadata.empty());
}

TEST_F(MainWindow, AFailedSaveIsReported) {
  saveDialog.answer = SaveDialog::Choice{folder / "no/such/folder/work.jpg", 1};
  form.Save1Click();
  EXPECT_EQ(errors.messages.size(), 1u);
}

}  // namespace
}  // namespace drollo
