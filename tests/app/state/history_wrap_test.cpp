// The history ring where its index wraps: undo from slot 1 to slot 100, redo and recording from
// slot 100 to slot 1, and a record after an undo across the wrap, which drops what could have been
// redone. Every step is compared with a plain history that keeps a full picture per entry in a
// list and knows nothing of slots: the ring's index follows from how far the history has moved.
#include <gtest/gtest.h>

#include <deque>

#include "app/state/history.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

// The last 100 recorded pictures, oldest first; the current one at `pos`.
class PlainHistory {
 public:
  void reset(const Picture& p) {
    pictures_ = {p};
    pos_ = 0;
    moves_ = 0;
  }
  void record(const Picture& p) {
    pictures_.erase(pictures_.begin() + static_cast<std::ptrdiff_t>(pos_) + 1, pictures_.end());
    pictures_.push_back(p);
    if (pictures_.size() > 100) pictures_.pop_front();
    pos_ = pictures_.size() - 1;
    ++moves_;
  }
  void undo() {
    if (pos_ == 0) return;
    --pos_;
    --moves_;
  }
  void redo() {
    if (pos_ + 1 == pictures_.size()) return;
    ++pos_;
    ++moves_;
  }

  const Picture& current() const { return pictures_[pos_]; }
  // The entry `offset` steps from the current one (negative: back).
  const Picture& at(int offset) const {
    return pictures_[static_cast<std::size_t>(static_cast<long>(pos_) + offset)];
  }
  int undoCount() const { return static_cast<int>(pos_); }
  int redoCount() const { return static_cast<int>(pictures_.size() - 1 - pos_); }
  // Slot of the entry `offset` steps from the current one: the slots are used one after the other
  // from slot 1 on, starting again at 1 after 100.
  int slotAt(int offset) const { return static_cast<int>((moves_ + offset) % 100) + 1; }

 private:
  std::deque<Picture> pictures_;
  std::size_t pos_ = 0;
  long moves_ = 0;  // records and redos less undos since the reset; never below 0
};

class HistoryWrap : public testing::Test {
 protected:
  HistoryWrap() {
    ring_.reset(picture_);
    plain_.reset(picture_);
  }

  // n edits, each recorded; edit k writes a colour no other edit writes, and every ninth also
  // changes the picture's size.
  testing::AssertionResult Record(int n) {
    for (int i = 0; i < n; ++i) {
      const int k = ++edits_;
      if (k % 9 == 0)
        picture_ = PatternPicture(6 + k % 5, 5 + k % 3, static_cast<std::uint32_t>(k));
      picture_.setPixel(k % picture_.width(), (k / picture_.width()) % picture_.height(),
                        MakeColour(k & 0xFF, k >> 8, 0x3C));
      ring_.record(picture_);
      plain_.record(picture_);
      if (testing::AssertionResult same = Matches("record", k); !same) return same;
    }
    return testing::AssertionSuccess();
  }
  testing::AssertionResult Undo(int n) {
    for (int i = 1; i <= n; ++i) {
      ring_.undo(picture_);
      plain_.undo();
      if (testing::AssertionResult same = Matches("undo", i); !same) return same;
    }
    return testing::AssertionSuccess();
  }
  testing::AssertionResult Redo(int n) {
    for (int i = 1; i <= n; ++i) {
      ring_.redo(picture_);
      plain_.redo();
      if (testing::AssertionResult same = Matches("redo", i); !same) return same;
    }
    return testing::AssertionSuccess();
  }

  // The picture, the index and both counts.
  testing::AssertionResult Matches(const char* step, int count) const {
    auto fail = [&] { return testing::AssertionFailure() << step << " " << count << ": "; };
    if (ring_.index() != plain_.slotAt(0))
      return fail() << "index " << ring_.index() << ", expected " << plain_.slotAt(0);
    if (ring_.undoCount() != plain_.undoCount())
      return fail() << "undo count " << ring_.undoCount() << ", expected " << plain_.undoCount();
    if (ring_.redoCount() != plain_.redoCount())
      return fail() << "redo count " << ring_.redoCount() << ", expected " << plain_.redoCount();
    if (testing::AssertionResult same = SamePicture(plain_.current(), picture_); !same)
      return fail() << same.message();
    return testing::AssertionSuccess();
  }

  // Every slot an undo or redo can still reach holds its entry's picture.
  testing::AssertionResult ReachableSlotsMatch() const {
    for (int offset = -plain_.undoCount(); offset <= plain_.redoCount(); ++offset) {
      const PictureSnapshot* s = ring_.slot(plain_.slotAt(offset));
      if (!s) return testing::AssertionFailure() << "slot " << plain_.slotAt(offset) << " empty";
      if (testing::AssertionResult same = SamePicture(plain_.at(offset), MaterialiseSnapshot(*s));
          !same)
        return testing::AssertionFailure()
               << "slot " << plain_.slotAt(offset) << ": " << same.message();
    }
    return testing::AssertionSuccess();
  }

  Picture picture_ = PatternPicture(9, 7, 11);
  HistoryRing ring_;
  PlainHistory plain_;
  int edits_ = 0;
};

TEST_F(HistoryWrap, HundredthRecordOverwritesTheFirstSlotAndUndoGoesOnToSlotHundred) {
  ASSERT_TRUE(Record(99));
  ASSERT_EQ(ring_.index(), 100);
  ASSERT_TRUE(Record(1));
  ASSERT_EQ(ring_.index(), 1);
  EXPECT_EQ(ring_.undoCount(), 99);
  ASSERT_TRUE(Undo(1));
  EXPECT_EQ(ring_.index(), 100);
  ASSERT_TRUE(Undo(98));
  EXPECT_EQ(ring_.index(), 2);
  // The picture before the first edit was in slot 1, which the hundredth record took.
  ASSERT_TRUE(Undo(1));
  EXPECT_EQ(ring_.index(), 2);
  EXPECT_TRUE(ReachableSlotsMatch());
}

TEST_F(HistoryWrap, UndoAcrossTheWrapReachesTheOldestKeptEntryAndNoFurther) {
  ASSERT_TRUE(Record(130));
  ASSERT_EQ(ring_.index(), 31);
  ASSERT_TRUE(Undo(40));
  EXPECT_EQ(ring_.index(), 91);
  EXPECT_TRUE(ReachableSlotsMatch());
  ASSERT_TRUE(Undo(60));  // one more than there is
  EXPECT_EQ(ring_.index(), 32);
  EXPECT_EQ(ring_.undoCount(), 0);
  EXPECT_EQ(ring_.redoCount(), 99);
}

TEST_F(HistoryWrap, RedoAcrossTheWrapReturnsToTheNewestEntry) {
  ASSERT_TRUE(Record(105));
  ASSERT_TRUE(Undo(20));
  ASSERT_EQ(ring_.index(), 86);
  ASSERT_TRUE(Redo(21));  // one more than there is
  EXPECT_EQ(ring_.index(), 6);
  EXPECT_EQ(ring_.redoCount(), 0);
  // And the whole way back and forth again, past both ends.
  ASSERT_TRUE(Undo(100));
  ASSERT_TRUE(Redo(100));
  EXPECT_TRUE(ReachableSlotsMatch());
}

TEST_F(HistoryWrap, RecordAfterAnUndoAcrossTheWrapDropsTheRedoChain) {
  ASSERT_TRUE(Record(103));
  ASSERT_TRUE(Undo(8));
  ASSERT_EQ(ring_.index(), 96);
  ASSERT_TRUE(Record(1));
  EXPECT_EQ(ring_.index(), 97);
  EXPECT_EQ(ring_.redoCount(), 0);
  ASSERT_TRUE(Redo(1));  // nothing to redo: slots 98 to 4 still hold the dropped entries
  EXPECT_EQ(ring_.index(), 97);
  ASSERT_TRUE(Undo(93));  // every kept entry, and one more
  EXPECT_EQ(ring_.undoCount(), 0);
  ASSERT_TRUE(Redo(93));
  EXPECT_EQ(ring_.index(), 97);
  EXPECT_TRUE(ReachableSlotsMatch());
}

TEST_F(HistoryWrap, RecordAfterUndoingFromSlotOneTakesSlotOneAgain) {
  ASSERT_TRUE(Record(100));
  ASSERT_TRUE(Undo(1));
  ASSERT_EQ(ring_.index(), 100);
  ASSERT_TRUE(Record(1));
  EXPECT_EQ(ring_.index(), 1);
  EXPECT_EQ(ring_.redoCount(), 0);
  ASSERT_TRUE(Undo(1));
  ASSERT_TRUE(Redo(2));
  ASSERT_TRUE(Undo(100));
  EXPECT_TRUE(ReachableSlotsMatch());
}

}  // namespace
}  // namespace drollo
