// A user's work from start to save, driven through the main window's commands.
#include <gtest/gtest.h>

#include "app/form1.h"
#include "fakes.h"
#include "formats/picture_file.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::MainWindow;

TEST_F(MainWindow, OpenWarpUndoOutlineAndSave) {
  // Open a picture.
  const Picture photo = test::PatternPicture(160, 120, 3);
  formats::SaveAsBmp(photo, folder / "photo.bmp");
  openDialog.answers.push_back(folder / "photo.bmp");
  form.PressToolButton(form.SpeedButton3);
  ASSERT_TRUE(test::SamePicture(photo, form.State.WorkingPicture));
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{160, 120}));

  // Two warp steps at the centre, each one press and one history entry.
  form.Work_area.SphericalStretch(80, 60);
  backup(form.State);
  form.SyncHistoryControls();
  const Picture afterOne = form.State.WorkingPicture;
  EXPECT_FALSE(afterOne.samePixels(photo));
  form.Work_area.SphericalStretch(80, 60);
  backup(form.State);
  form.SyncHistoryControls();
  EXPECT_TRUE(form.SpeedButton5.Enabled);

  // Undo one step, redo it, undo it again.
  form.Execute(Handler::Undo1Click);
  EXPECT_TRUE(test::SamePicture(afterOne, form.State.WorkingPicture));
  EXPECT_TRUE(form.Redo1.Enabled);
  form.Execute(Handler::Redo1Click);
  form.Execute(Handler::Undo1Click);

  // An outline stroke on the outline page, undone there without touching the picture.
  form.State.PageIndex = 3;
  form.State.OutlineBitmap.setPixel(10, 10, kBlack);
  backup(form.State);
  form.Execute(Handler::Undo1Click);
  EXPECT_EQ(form.State.OutlineBitmap.pixel(10, 10), kWhite);
  EXPECT_TRUE(test::SamePicture(afterOne, form.State.WorkingPicture));
  form.State.PageIndex = 0;

  // Zoom in, save as BMP, and the file holds the picture as it is.
  form.Execute(Handler::SpeedButton9Click);
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{200, 150}));
  saveDialog.answer = SaveDialog::Choice{folder / "result.jpg", 2};
  form.PressToolButton(form.SpeedButton4);
  const std::optional<Picture> saved = formats::LoadPictureFile(folder / "result.bmp");
  ASSERT_TRUE(saved);
  EXPECT_TRUE(test::SamePicture(afterOne, *saved));

  // Starting again brings back the photo as opened.
  form.Execute(Handler::RenewClick);
  EXPECT_TRUE(test::SamePicture(photo, form.State.WorkingPicture));
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{200, 150}));
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainWindow, AnEmptyPictureCanBeSavedOrIsReported) {
  clipboard.content = Picture();  // a clipboard bitmap of no pixels
  form.Action9Execute();
  ASSERT_TRUE(form.State.WorkingPicture.empty());
  for (int filter = 1; filter <= 4; ++filter) {
    saveDialog.answer = SaveDialog::Choice{folder / "empty", filter};
    form.Save1Click();  // must neither crash nor change the picture
  }
  EXPECT_TRUE(form.State.WorkingPicture.empty());
  form.SpeedButton16Click();
  EXPECT_EQ(printer.calls, (std::vector<std::string>{"dialog"}));
  form.Execute(Handler::SpeedButton9Click);
  EXPECT_EQ(form.Work_area.Images.Image1, (DisplaySize{0, 0}));
}

}  // namespace
}  // namespace drollo
