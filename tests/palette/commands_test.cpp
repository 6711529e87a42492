// The sketch and outline pages' commands as the palette runs them: which picture each replaces
// and from what, one history entry each in the ring of the page showing, the layer redisplayed
// before it is recorded, and the radius box of the line-thickness commands.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "effects/sketch/sketch.h"
#include "outline/edge.h"
#include "outline/extract.h"
#include "outline/thickness.h"
#include "palette/fake_tools_host.h"
#include "palette/tools.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::SamePicture;

constexpr int kW = 24, kH = 20;

// A white layer with horizontal black lines 1 and 5 pixels wide and a single black dot: the
// thickening grows the first, the thinning shrinks the second, the speckle removal takes the dot
// and the thin line.
TBitmap32 LinesLayer() {
  TBitmap32 l;
  l.Assign(test::FilledPicture(kW, kH, kWhite));
  for (int x = 0; x < kW; ++x) {
    l.setPixel(x, 4, kBlack);
    for (int y = 10; y < 15; ++y) l.setPixel(x, y, kBlack);
  }
  l.setPixel(5, 17, kBlack);
  return l;
}

class Commands : public testing::Test {
 protected:
  Commands() {
    state.WorkingPicture = test::PatternPicture(kW, kH);
    state.OutlineBitmap = LinesLayer();
    ResetPictureHistory(state);
    ResetOutlineHistory(state);
    // What the layer display saw when it was asked to show the layer.
    host.layerNote = [this] {
      shownLayer = state.OutlineBitmap;
      outlineEntriesWhenShown = state.OutlineHistory.undoCount();
      return std::string();
    };
  }
  void TurnTo(int page) {
    tools.TabbedNotebook1.SetPageIndex(page);
    host.calls.clear();
  }

  ProgramState state;
  test::FakeToolsHost host;
  TTools tools{state, host};
  TBitmap32 shownLayer;
  int outlineEntriesWhenShown = -1;
};

// --- One command, one entry -------------------------------------------------------------------

struct CommandCase {
  const char* name;
  int page;
  std::function<void(TTools&)> run;
  // What the command should make of the picture (page 2) or the layer (page 3) as they are
  // before it runs, given the palette (for the sliders) and the state (for the edge picture).
  std::function<Picture(const TTools&, const ProgramState&)> expected;
};

class OneCommand : public Commands, public testing::WithParamInterface<CommandCase> {};

TEST_P(OneCommand, ReplacesThePagesPictureAndRecordsOneEntryInItsRing) {
  const CommandCase& c = GetParam();
  TurnTo(c.page);
  // Sliders away from their start values, so a command reading the wrong one is caught.
  tools.TrackBar5.SetPosition(200);
  tools.TrackBar7.SetPosition(60);
  tools.Edit1.Text = "2";
  const Picture expected = c.expected(tools, state);
  const Picture pictureBefore = state.WorkingPicture;
  const TBitmap32 layerBefore = state.OutlineBitmap;
  const int pictureEntries = state.PictureHistory.undoCount();
  const int outlineEntries = state.OutlineHistory.undoCount();

  c.run(tools);

  const bool outlinePage = c.page == 3;
  const Picture& changed =
      outlinePage ? static_cast<const Picture&>(state.OutlineBitmap) : state.WorkingPicture;
  EXPECT_TRUE(SamePicture(expected, changed));
  EXPECT_FALSE(changed.samePixels(outlinePage ? layerBefore : pictureBefore));
  // The other picture and the other ring are left alone.
  if (outlinePage) {
    EXPECT_TRUE(SamePicture(pictureBefore, state.WorkingPicture));
  } else {
    EXPECT_TRUE(SamePicture(layerBefore, state.OutlineBitmap));
  }
  EXPECT_EQ(state.PictureHistory.undoCount(), pictureEntries + (outlinePage ? 0 : 1));
  EXPECT_EQ(state.OutlineHistory.undoCount(), outlineEntries + (outlinePage ? 1 : 0));
  EXPECT_TRUE(state.UndoControlsEnabled);

  if (outlinePage) {
    // Shown once, with the new layer, before it was recorded.
    EXPECT_EQ(host.calls, std::vector<std::string>{"Image2showto"});
    EXPECT_TRUE(SamePicture(state.OutlineBitmap, shownLayer));
    EXPECT_EQ(outlineEntriesWhenShown, outlineEntries);
  } else {
    EXPECT_TRUE(host.calls.empty());
  }

  // The entry is the new state: one undo brings back the old one.
  Undo1Click(state);
  EXPECT_TRUE(SamePicture(outlinePage ? layerBefore : pictureBefore, changed));
}

Picture Edge(const ProgramState& s) {
  return s.EdgePicture;
}

INSTANTIATE_TEST_SUITE_P(
    Palette, OneCommand,
    testing::Values(CommandCase{"PenSketch", 2, [](TTools& t) { t.SpeedButton4.Click(); },
                                [](const TTools& t, const ProgramState& s) {
                                  return sketch::twovalue(Edge(s), t.TrackBar5.Position());
                                }},
                    CommandCase{"PencilSketch", 2, [](TTools& t) { t.SpeedButton5.Click(); },
                                [](const TTools& t, const ProgramState& s) {
                                  return sketch::PencilSketch(Edge(s), t.TrackBar7.Position());
                                }},
                    CommandCase{"SketchSpeckles", 2, [](TTools& t) { t.SpeedButton8.Click(); },
                                [](const TTools&, const ProgramState& s) {
                                  return sketch::RemoveSpeckles(s.WorkingPicture);
                                }},
                    CommandCase{"Extract", 3, [](TTools& t) { t.SpeedButton10.Click(); },
                                [](const TTools&, const ProgramState& s) -> Picture {
                                  return outline::ExtractOutline(s.WorkingPicture);
                                }},
                    CommandCase{"OutlineSpeckles", 3, [](TTools& t) { t.SpeedButton16.Click(); },
                                [](const TTools&, const ProgramState& s) -> Picture {
                                  return outline::RemoveOutlineSpeckles(s.OutlineBitmap);
                                }},
                    CommandCase{"Thicken", 3, [](TTools& t) { t.SpeedButton17.Click(); },
                                [](const TTools&, const ProgramState& s) -> Picture {
                                  return outline::ThickenLines(s.OutlineBitmap, 2);
                                }},
                    CommandCase{"Thin", 3, [](TTools& t) { t.SpeedButton18.Click(); },
                                [](const TTools&, const ProgramState& s) -> Picture {
                                  return outline::ThinLines(s.OutlineBitmap, 2);
                                }},
                    // Two passes, one entry.
                    CommandCase{"BalanceByDoubleClick", 3, [](TTools& t) { t.Edit1.DblClick(); },
                                [](const TTools&, const ProgramState& s) -> Picture {
                                  return outline::ThickenLines(
                                      outline::ThinLines(s.OutlineBitmap, 2), 2);
                                }},
                    CommandCase{"BalanceByEnter", 3, [](TTools& t) { t.Edit1.KeyPress('\r'); },
                                [](const TTools&, const ProgramState& s) -> Picture {
                                  return outline::ThickenLines(
                                      outline::ThinLines(s.OutlineBitmap, 2), 2);
                                }}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

// --- Worked values through the buttons ---------------------------------------------------------

TEST_F(Commands, PenPressure255MakesEverythingBlackAndContrast0EverythingWhite) {
  TurnTo(2);
  tools.TrackBar5.SetPosition(255);
  tools.SpeedButton4.Click();
  EXPECT_TRUE(SamePicture(test::FilledPicture(kW, kH, kBlack), state.WorkingPicture));
  tools.TrackBar7.SetPosition(0);
  tools.SpeedButton5.Click();
  EXPECT_TRUE(SamePicture(test::FilledPicture(kW, kH, kWhite), state.WorkingPicture));
  EXPECT_EQ(state.PictureHistory.undoCount(), 2);
}

// The sketches start from the edge picture each time: a second pen sketch with another pressure
// is the same as one pen sketch with that pressure.
TEST_F(Commands, SketchesDoNotCompound) {
  TurnTo(2);
  tools.TrackBar5.SetPosition(240);
  tools.SpeedButton4.Click();
  tools.TrackBar5.SetPosition(100);
  tools.SpeedButton4.Click();
  EXPECT_TRUE(SamePicture(sketch::twovalue(outline::picsobel(test::PatternPicture(kW, kH)), 100),
                          state.WorkingPicture));
}

// Before the sketch page has ever been entered there is no edge picture; replacing the picture
// by an empty one would lose it.
TEST_F(Commands, SketchWithoutEdgePictureChangesNothing) {
  tools.SpeedButton4.Click();
  tools.SpeedButton5.Click();
  EXPECT_TRUE(SamePicture(test::PatternPicture(kW, kH), state.WorkingPicture));
  EXPECT_EQ(state.PictureHistory.undoCount(), 0);
}

TEST_F(Commands, ExtractingTwiceGivesTheSameLayerAndTwoEntries) {
  state.WorkingPicture = test::FilledPicture(kW, kH, MakeColour(186, 186, 186));
  state.WorkingPicture.setPixel(3, 3, MakeColour(185, 185, 185));
  TurnTo(3);
  tools.SpeedButton10.Click();
  const TBitmap32 first = state.OutlineBitmap;
  tools.SpeedButton10.Click();
  EXPECT_TRUE(SamePicture(first, state.OutlineBitmap));
  EXPECT_EQ(state.OutlineBitmap.pixel(3, 3), kBlack);
  EXPECT_EQ(state.OutlineBitmap.pixel(4, 3), kWhite);
  EXPECT_EQ(state.OutlineHistory.undoCount(), 2);
}

// --- The radius box ---------------------------------------------------------------------------

enum class Command { Thicken, Thin, BalanceByDoubleClick, BalanceByEnter };

struct RadiusTextCase {
  const char* name;
  std::string text;
  Command command;
  std::vector<std::string> calls;  // empty: accepted
  int radius;                      // when accepted
};

class RadiusBox : public Commands, public testing::WithParamInterface<RadiusTextCase> {};

TEST_P(RadiusBox, AcceptsDigitsOnlyAndStoresTheRadiusForTheEraser) {
  const RadiusTextCase& c = GetParam();
  TurnTo(3);
  tools.SpeedButton9.Click();  // the eraser, whose radius the command leaves behind
  tools.TrackBar6.SetPosition(11);
  host.calls.clear();
  const TBitmap32 before = state.OutlineBitmap;
  tools.Edit1.Text = c.text;

  switch (c.command) {
    case Command::Thicken:
      tools.SpeedButton17.Click();
      break;
    case Command::Thin:
      tools.SpeedButton18.Click();
      break;
    case Command::BalanceByDoubleClick:
      tools.Edit1.DblClick();
      break;
    case Command::BalanceByEnter:
      tools.Edit1.KeyPress('\r');
      break;
  }

  if (!c.calls.empty()) {
    EXPECT_EQ(host.calls, c.calls);
    EXPECT_TRUE(SamePicture(before, state.OutlineBitmap));
    EXPECT_EQ(state.OutlineHistory.undoCount(), 0);
    EXPECT_EQ(state.ScreenRadius, 11);
    return;
  }
  EXPECT_EQ(host.calls, std::vector<std::string>{"Image2showto"});
  EXPECT_EQ(state.ScreenRadius, c.radius);
  EXPECT_EQ(state.OutlineHistory.undoCount(), 1);
  TBitmap32 expected;
  switch (c.command) {
    case Command::Thicken:
      expected = outline::ThickenLines(before, c.radius);
      break;
    case Command::Thin:
      expected = outline::ThinLines(before, c.radius);
      break;
    default:
      expected = outline::BalanceLines(before, c.radius);
      break;
  }
  EXPECT_TRUE(SamePicture(expected, state.OutlineBitmap));
}

const std::vector<std::string> kInvalid = {"message Invalid integer / Sorry"};

INSTANTIATE_TEST_SUITE_P(
    Palette, RadiusBox,
    testing::Values(
        RadiusTextCase{"LetterAfterDigit", "3a", Command::Thicken, kInvalid, 0},
        RadiusTextCase{"Minus", "-3", Command::Thin, kInvalid, 0},
        RadiusTextCase{"LeadingSpace", " 3", Command::BalanceByDoubleClick, kInvalid, 0},
        RadiusTextCase{"Empty", "", Command::BalanceByEnter, kInvalid, 0},
        RadiusTextCase{"EmptyThicken", "", Command::Thicken, kInvalid, 0},
        RadiusTextCase{"LeadingZeros", "007", Command::Thicken, {}, 7},
        RadiusTextCase{"LeadingZerosThin", "007", Command::Thin, {}, 7},
        RadiusTextCase{"LeadingZerosBalance", "007", Command::BalanceByDoubleClick, {}, 7},
        RadiusTextCase{"Zero", "0", Command::BalanceByEnter, {}, 0},
        RadiusTextCase{"BeyondThirtyTwoBits",
                       "2147483648",
                       Command::Thicken,
                       {"error '2147483648' 不是有效的整型值"},
                       0},
        RadiusTextCase{"FarBeyondThirtyTwoBits",
                       "0099999999999",
                       Command::BalanceByEnter,
                       {"error '0099999999999' 不是有效的整型值"},
                       0}),
    [](const testing::TestParamInfo<RadiusTextCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(Commands, KeysOtherThanEnterDoNothing) {
  TurnTo(3);
  for (char key : {'3', '\n', ' ', '\x1b'}) tools.Edit1.KeyPress(key);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_TRUE(SamePicture(LinesLayer(), state.OutlineBitmap));
  EXPECT_EQ(state.OutlineHistory.undoCount(), 0);
}

}  // namespace
}  // namespace drollo
