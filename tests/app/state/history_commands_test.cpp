// The history commands as the user meets them: backup after each edit, undo and redo from the
// buttons or short-cuts, the ring chosen by the palette page, and the undo and redo controls.
#include <gtest/gtest.h>

#include <vector>

#include "app/state/program_state.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

constexpr int kOutlinePage = 3;

class HistoryCommands : public testing::Test {
 protected:
  void SetUp() override {
    s_.WorkingPicture = PatternPicture(90, 70, 5);
    s_.OutlineBitmap = TBitmap32(90, 70);
    s_.OutlineBitmap.reset(90, 70, 255);
    ResetPictureHistory(s_);
    ResetOutlineHistory(s_);
    start_ = s_.WorkingPicture;
    blankLayer_ = s_.OutlineBitmap;
  }

  // Edit number n of the page showing, followed by its backup as every editing command does.
  void Edit(int n) {
    Picture& target =
        s_.PageIndex == kOutlinePage ? static_cast<Picture&>(s_.OutlineBitmap) : s_.WorkingPicture;
    const int x = (n * 7) % target.width(), y = (n * 3) % target.height();
    target.setPixel(x, y, MakeColour(n & 0xFF, (n >> 8) & 0xFF, 77));
    backup(s_);
  }

  ProgramState s_;
  Picture start_;
  Picture blankLayer_;
};

TEST_F(HistoryCommands, OneBackupUndoneAndRedone) {
  EXPECT_FALSE(s_.UndoControlsEnabled);
  EXPECT_FALSE(s_.RedoControlsEnabled);
  Edit(1);
  const Picture edited = s_.WorkingPicture;
  EXPECT_TRUE(s_.UndoControlsEnabled);
  EXPECT_FALSE(s_.RedoControlsEnabled);

  Undo1Click(s_);
  EXPECT_TRUE(SamePicture(start_, s_.WorkingPicture));
  EXPECT_FALSE(s_.UndoControlsEnabled);
  EXPECT_TRUE(s_.RedoControlsEnabled);

  Redo1Click(s_);
  EXPECT_TRUE(SamePicture(edited, s_.WorkingPicture));
  EXPECT_TRUE(s_.UndoControlsEnabled);
  EXPECT_FALSE(s_.RedoControlsEnabled);
}

TEST_F(HistoryCommands, AHundredAndFiftyEditsThenNinetyNineUndosReachEdit51) {
  std::vector<Picture> after(151);
  after[0] = start_;
  for (int n = 1; n <= 150; ++n) {
    Edit(n);
    after[n] = s_.WorkingPicture;
  }
  EXPECT_EQ(s_.PictureHistory.undoCount(), 99);
  EXPECT_EQ(s_.PictureHistory.index(), 51);  // 1 + 150 steps around a ring of 100

  for (int k = 1; k <= 99; ++k) {
    Undo1Click(s_);
    ASSERT_TRUE(SamePicture(after[150 - k], s_.WorkingPicture)) << "undo " << k;
    EXPECT_EQ(s_.UndoControlsEnabled, k < 99);
  }
  EXPECT_TRUE(SamePicture(after[51], s_.WorkingPicture));

  Undo1Click(s_);  // the 100th
  EXPECT_TRUE(SamePicture(after[51], s_.WorkingPicture));
  EXPECT_FALSE(s_.UndoControlsEnabled);
  EXPECT_TRUE(s_.RedoControlsEnabled);
  EXPECT_EQ(s_.PictureHistory.redoCount(), 99);

  for (int k = 1; k <= 99; ++k) Redo1Click(s_);
  EXPECT_TRUE(SamePicture(after[150], s_.WorkingPicture));
  EXPECT_FALSE(s_.RedoControlsEnabled);
}

TEST_F(HistoryCommands, BackupAfterTwoUndosDropsTheUndoneStates) {
  Edit(1);
  const Picture afterOne = s_.WorkingPicture;
  Edit(2);
  Edit(3);
  Undo1Click(s_);
  Undo1Click(s_);
  ASSERT_TRUE(SamePicture(afterOne, s_.WorkingPicture));
  EXPECT_TRUE(s_.RedoControlsEnabled);

  Edit(4);
  const Picture afterFour = s_.WorkingPicture;
  EXPECT_EQ(s_.PictureHistory.redoCount(), 0);
  EXPECT_FALSE(s_.RedoControlsEnabled);
  Redo1Click(s_);
  EXPECT_TRUE(SamePicture(afterFour, s_.WorkingPicture));
  Undo1Click(s_);
  EXPECT_TRUE(SamePicture(afterOne, s_.WorkingPicture));
}

TEST_F(HistoryCommands, UndoOnTheOutlinePageTouchesOnlyTheLayer) {
  s_.PageIndex = kOutlinePage;
  Edit(1);
  const Picture layerEdited = s_.OutlineBitmap;
  s_.PageIndex = 0;
  Edit(2);  // the last edit is on the picture
  const Picture pictureEdited = s_.WorkingPicture;

  s_.PageIndex = kOutlinePage;
  Undo1Click(s_);
  EXPECT_TRUE(SamePicture(blankLayer_, s_.OutlineBitmap));
  EXPECT_EQ(s_.OutlineBitmap.bitsPerPixel(), 32);
  EXPECT_TRUE(SamePicture(pictureEdited, s_.WorkingPicture));
  EXPECT_EQ(s_.PictureHistory.undoCount(), 1);

  Redo1Click(s_);
  EXPECT_TRUE(SamePicture(layerEdited, s_.OutlineBitmap));

  s_.PageIndex = 1;
  Undo1Click(s_);
  EXPECT_TRUE(SamePicture(start_, s_.WorkingPicture));
  EXPECT_TRUE(SamePicture(layerEdited, s_.OutlineBitmap));
}

TEST_F(HistoryCommands, UndoWithNothingToUndoChangesNothing) {
  Undo1Click(s_);  // Ctrl+Z works whatever the state of the controls
  EXPECT_TRUE(SamePicture(start_, s_.WorkingPicture));
  EXPECT_EQ(s_.PictureHistory.index(), 1);
  EXPECT_EQ(s_.PictureHistory.undoCount(), 0);
  EXPECT_EQ(s_.PictureHistory.redoCount(), 0);
  EXPECT_FALSE(s_.UndoControlsEnabled);
  EXPECT_FALSE(s_.RedoControlsEnabled);

  Redo1Click(s_);  // Ctrl+Y likewise
  EXPECT_TRUE(SamePicture(start_, s_.WorkingPicture));
  EXPECT_EQ(s_.PictureHistory.index(), 1);
  EXPECT_FALSE(s_.RedoControlsEnabled);
}

TEST_F(HistoryCommands, OutlineUndoWithNothingToUndoStillShowsTheLayer) {
  s_.PageIndex = kOutlinePage;
  Undo1Click(s_);
  EXPECT_TRUE(SamePicture(blankLayer_, s_.OutlineBitmap));
  EXPECT_EQ(s_.OutlineHistory.index(), 1);
  EXPECT_FALSE(s_.UndoControlsEnabled);
}

TEST_F(HistoryCommands, PageChangeFollowsTheRingOfTheNewPage) {
  Edit(1);
  Edit(2);
  Edit(3);
  UpdateHistoryControls(s_, kOutlinePage);
  EXPECT_FALSE(s_.UndoControlsEnabled);  // outline undo count 0
  EXPECT_FALSE(s_.RedoControlsEnabled);

  UpdateHistoryControls(s_, 0);
  EXPECT_TRUE(s_.UndoControlsEnabled);  // picture undo count 3
  EXPECT_FALSE(s_.RedoControlsEnabled);
}

TEST_F(HistoryCommands, ResetsLeaveTheControlsToTheirCallers) {
  Edit(1);
  Edit(2);
  Undo1Click(s_);
  s_.WorkingPicture = PatternPicture(40, 30, 9);
  ResetPictureHistory(s_);
  EXPECT_TRUE(s_.UndoControlsEnabled);
  EXPECT_TRUE(s_.RedoControlsEnabled);
  EXPECT_EQ(s_.PictureHistory.index(), 1);
  EXPECT_EQ(s_.PictureHistory.undoCount(), 0);
  EXPECT_EQ(s_.PictureHistory.redoCount(), 0);

  // The old states are out of reach: undo and redo change nothing.
  Undo1Click(s_);
  Redo1Click(s_);
  EXPECT_TRUE(SamePicture(PatternPicture(40, 30, 9), s_.WorkingPicture));
  EXPECT_EQ(s_.PictureHistory.slot(2), nullptr);
}

}  // namespace
}  // namespace drollo
