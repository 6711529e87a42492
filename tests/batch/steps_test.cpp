#include "batch/steps.h"

#include <gtest/gtest.h>

namespace drollo::batch {
namespace {

std::optional<CommandLine> Parse(const std::vector<std::string>& args,
                                 std::string* error = nullptr) {
  std::string e;
  std::optional<CommandLine> line = ParseCommandLine(args, e);
  if (error) *error = e;
  return line;
}

TEST(ParseCommandLine, ReadsEveryStepWithItsValues) {
  const auto line = Parse({"open",  "a b.jpg",       "page",         "2",
                           "set",   "TrackBar5=120", "set",          "Panel2=#FF8000",
                           "set",   "Edit1=x=y",     "press",        "SpeedButton4",
                           "press", "Undo1Click",    "click",        "3,-4",
                           "hold",  "5,6",           "2.9",          "drag",
                           "1,1",   "2,2",           "3,3",          "rdrag",
                           "4,4",   "5,5",           "wheel",        "down",
                           "key",   "ctrl+plus",     "text",         "7,8",
                           "page",  "resize",        "30",           "20",
                           "save",  "x.BMP",         "export",       "y.jpg",
                           "print", "z.pdf",         "--print-state"});
  ASSERT_TRUE(line);
  EXPECT_TRUE(line->PrintState);
  const auto& s = line->Steps;
  ASSERT_EQ(s.size(), 18u);
  EXPECT_EQ(s[0].Name, "a b.jpg");
  EXPECT_EQ(s[1].Value, 2);
  EXPECT_EQ(s[2].Name, "TrackBar5");
  EXPECT_EQ(s[2].Value, 120);
  EXPECT_EQ(static_cast<TColor>(s[3].Value), MakeColour(255, 128, 0));
  EXPECT_EQ(s[4].Text, "x=y");
  EXPECT_FALSE(s[5].MainHandler);
  EXPECT_EQ(s[6].MainHandler, Handler::Undo1Click);
  EXPECT_EQ(s[7].Points, (std::vector<Point>{{3, -4}}));
  EXPECT_EQ(s[8].Seconds, 2);  // whole seconds only: the timer ticks once per second
  EXPECT_EQ(s[9].Points.size(), 3u);
  EXPECT_EQ(s[10].Kind, StepKind::RDrag);
  EXPECT_EQ(s[11].Value, -1);
  EXPECT_EQ(s[12].Name, "Ctrl+=");
  EXPECT_EQ(s[13].Name, "page");  // a text may be any word
  EXPECT_EQ(s[14].Width, 30);
  EXPECT_EQ(s[14].Height, 20);
  EXPECT_EQ(s[15].Value, 2);
  EXPECT_EQ(s[15].Number, 16);
  EXPECT_EQ(s[16].Value, 1);
  EXPECT_EQ(s[17].Kind, StepKind::Print);
}

TEST(ParseCommandLine, NoStepsIsAnEmptyRun) {
  const auto line = Parse({});
  ASSERT_TRUE(line);
  EXPECT_TRUE(line->Steps.empty());
}

struct BadLine {
  const char* name;
  std::vector<std::string> args;
  const char* message;  // part of the error, which names the step
};

// One test over the whole table: each case costs microseconds, a test process far more.
TEST(ParseCommandLine, ErrorsNameTheStepAndTheFault) {
  const BadLine lines[] = {
      BadLine{"UnknownWord", {"page", "1", "jump", "2"}, "step 2 ('jump'): no such step"},
      BadLine{"UnknownOption", {"--verbose"}, "no such step or option"},
      BadLine{"PageOutOfRange", {"page", "4"}, "step 1 (page 4): the pages are 0 to 3"},
      BadLine{"PageNotANumber", {"page", "two"}, "'two' is not a whole number"},
      BadLine{"MissingValue", {"page"}, "step 1 (page): missing a page number"},
      BadLine{"StepWordAsValue", {"press", "page", "1"}, "missing a control or handler name"},
      BadLine{"UnknownControl", {"set", "TrackBar8=3"}, "no palette control named 'TrackBar8'"},
      BadLine{"SetWithoutValue", {"set", "TrackBar1"}, "is not NAME=VALUE"},
      BadLine{"SliderNotANumber", {"set", "TrackBar1=1.5"}, "whole number, not '1.5'"},
      BadLine{"RadioCleared", {"set", "RadioButton2=0"}, "a radio button is set with 1"},
      BadLine{"CheckBoxTwo", {"set", "CheckBox1=2"}, "0 or 1"},
      BadLine{"BadColour", {"set", "Panel2=red"}, "#RRGGBB"},
      BadLine{"ShortColour", {"set", "Panel2=#FFF"}, "#RRGGBB"},
      BadLine{"SetAButton", {"set", "SpeedButton4=1"}, "use press SpeedButton4"},
      BadLine{"PressASlider", {"press", "TrackBar2"}, "use set TrackBar2=VALUE"},
      BadLine{"UnknownButton", {"press", "SpeedButton20"}, "no button or handler named"},
      BadLine{"OpenIsNotPressed", {"press", "Open1Click"}, "use open FILE"},
      BadLine{"BadPoint", {"click", "10;20"}, "is not a position X,Y"},
      BadLine{"DragOnePoint", {"drag", "1,1"}, "missing a position X,Y"},
      BadLine{"BadSeconds", {"hold", "1,1", "-1"}, "not a number of seconds"},
      BadLine{"BadWheel", {"wheel", "left"}, "up or down"},
      BadLine{"UnknownKeys", {"key", "CTRL+K"}, "no short-cut"},
      BadLine{"ResizeZero", {"resize", "0", "5"}, "at least 1"},
      BadLine{
          "SaveUnknownExtension", {"save", "a.gif"}, "does not end in .jpg, .bmp, .wmf or .png"},
      BadLine{"SaveAnotherNameOfAType", {"export", "a.jpeg"}, "does not end in"},
      BadLine{"PrintNotPdf", {"print", "a.ps"}, "does not end in .pdf"}};
  for (const BadLine& line : lines) {
    SCOPED_TRACE(line.name);
    std::string error;
    EXPECT_FALSE(Parse(line.args, &error));
    EXPECT_NE(error.find(line.message), std::string::npos) << error;
  }
}

TEST(FindShortcutKeys, AcceptsAnySpellingOfTheTablesKeys) {
  EXPECT_EQ(FindShortcutKeys("CTRL+Z"), "Ctrl+Z");
  EXPECT_EQ(FindShortcutKeys("ctrl+-"), "Ctrl+-");
  EXPECT_EQ(FindShortcutKeys("Ctrl+Minus"), "Ctrl+-");
  EXPECT_EQ(FindShortcutKeys("CTRL++"), "Ctrl+=");
  EXPECT_EQ(FindShortcutKeys("f1"), "F1");
  EXPECT_FALSE(FindShortcutKeys("Z"));
}

TEST(FilterIndexOf, FollowsTheSaveDialogsEntries) {
  EXPECT_EQ(FilterIndexOf("a.jpg"), 1);
  EXPECT_EQ(FilterIndexOf("a.JPG"), 1);
  EXPECT_EQ(FilterIndexOf("a.bmp"), 2);
  EXPECT_EQ(FilterIndexOf("dir.bmp/a.wmf"), 3);
  EXPECT_EQ(FilterIndexOf("a.Png"), 4);
  EXPECT_EQ(FilterIndexOf("a.jpeg"), 0);  // it would be written as a.jpg
  EXPECT_EQ(FilterIndexOf("a.webp"), 0);
  EXPECT_EQ(FilterIndexOf("png"), 0);
}

TEST(HelpText, DocumentsEveryStep) {
  const std::string help = HelpText();
  for (const char* word :
       {"open FILE", "page N", "set NAME=VALUE", "press NAME", "click X,Y", "hold X,Y SECONDS",
        "drag X,Y", "rdrag X,Y", "wheel up|down", "key KEYS", "text X,Y STRING", "resize W H",
        "save FILE", "export FILE", "print FILE.pdf", "--print-state", "Example"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace drollo::batch
