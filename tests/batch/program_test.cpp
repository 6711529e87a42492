// drollo-batch's exits: every way a run fails, and the built program itself on the start picture
// and on a photograph-like picture written as JPEG.
#include <cstdlib>

#include "batch/session.h"
#include "batch/steps.h"
#include "batch_fixture.h"
#include "formats/file_types.h"
#include "formats/picture_file.h"
#include "support/pictures.h"

namespace drollo::batch::test {
namespace {

struct FailingRun {
  const char* name;
  std::vector<std::string> steps;  // run between "save before.bmp" and "save after.bmp"
  const char* message;
  bool parses;  // a run that parses writes what came before the failing step
};

class ErrorExits : public BatchTest, public testing::WithParamInterface<FailingRun> {};

TEST_P(ErrorExits, StopWithStatusTwoNamingTheStepAndWriteNothingMore) {
  drollo::formats::SaveAsBmp(drollo::test::PatternPicture(40, 30), Path("in.bmp"));
  std::ofstream(Path("broken.bmp")) << "BM not a picture";
  std::ofstream(Path("notes.txt")) << "text";
  std::vector<std::string> args{"save", Path("before.bmp")};
  for (std::string s : GetParam().steps) {
    if (s.starts_with("@")) s = Path(s.substr(1));
    args.push_back(s);
  }
  args.push_back("save");
  args.push_back(Path("after.bmp"));
  const RunResult r = Run(args);
  EXPECT_EQ(r.Code, kExitFailed);
  EXPECT_NE(r.Err.find("step 2"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find(GetParam().message), std::string::npos) << r.Err;
  EXPECT_EQ(std::filesystem::exists(Path("before.bmp")), GetParam().parses);
  EXPECT_FALSE(std::filesystem::exists(Path("after.bmp")));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ErrorExits,
    testing::Values(
        FailingRun{"NoSuchStep", {"bulge", "1,1"}, "no such step", false},
        FailingRun{"ValueDoesNotParse", {"click", "one,two"}, "is not a position", false},
        FailingRun{"UnknownControl", {"press", "SpeedButton99"}, "no button or handler", false},
        FailingRun{"MissingFile", {"open", "@missing.bmp"}, "missing.bmp\": No such file", true},
        FailingRun{"DamagedFile", {"open", "@broken.bmp"}, "failed", true},
        FailingRun{
            "NotAPictureFile", {"open", "@notes.txt"}, "notes.txt\": it is not a picture", true},
        FailingRun{"SliderOutOfRange", {"set", "TrackBar1=501"}, "moves from 10 to 500", true},
        FailingRun{"ControlOnAnotherPage", {"press", "SpeedButton4"}, "page 2", true},
        FailingRun{"PressOutsideThePicture", {"click", "605,10"}, "outside the picture", true},
        FailingRun{"TextOffTheOutlinePage", {"text", "1,1", "x"}, "page 3", true},
        FailingRun{"UnwritableSave", {"save", "@no/such/folder/x.bmp"}, "failed", true},
        FailingRun{"UnwritableExport", {"export", "@no/such/folder/x.jpg"}, "failed", true},
        FailingRun{"UnwritablePrint", {"print", "@no/such/folder/x.pdf"}, "failed", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchTest, ProgramHelpListsTheSteps) {
  const RunResult r = RunProgram({"--help"});
  EXPECT_EQ(r.Code, 0);
  EXPECT_NE(r.Out.find("text X,Y STRING"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Example"), std::string::npos);
}

// A run that opened a photo and worked on it goes on as if an unopenable file had never been
// tried: the step fails, and the pictures, the layer and the histories are those of before.
TEST_F(BatchTest, AFileThatCannotBeOpenedLeavesTheProgramAsItWas) {
  EnsureGuiApplication();
  drollo::formats::SaveAsBmp(drollo::test::PatternPicture(40, 30), Path("in.bmp"));
  std::ofstream(Path("notes.txt")) << "text";
  std::ostringstream err;
  Session session(err);
  const auto run = [&](std::vector<std::string> words) {
    std::string error;
    const std::optional<CommandLine> line = ParseCommandLine(words, error);
    EXPECT_TRUE(line) << error;
    for (const Step& step : line ? line->Steps : std::vector<Step>{})
      if (!session.Run(step, error)) return error;
    return std::string();
  };
  ASSERT_EQ(run({"open", Path("in.bmp"), "click", "20,15", "page", "3", "drag", "1,1", "9,9"}), "");
  const std::string before = session.StateJson();
  const Picture picture = session.Form().State.WorkingPicture;
  const Picture layer = session.Form().State.OutlineBitmap;
  EXPECT_NE(run({"open", Path("notes.txt")}).find("notes.txt"), std::string::npos);
  EXPECT_EQ(session.StateJson(), before);
  EXPECT_TRUE(drollo::test::SamePicture(picture, session.Form().State.WorkingPicture));
  EXPECT_TRUE(drollo::test::SamePicture(layer, session.Form().State.OutlineBitmap));
  EXPECT_EQ(run({"key", "CTRL+Z", "page", "0", "key", "CTRL+Z", "key", "CTRL+R"}), "");
  EXPECT_TRUE(drollo::test::SamePicture(*drollo::formats::LoadPictureFile(Path("in.bmp")),
                                        session.Form().State.WorkingPicture));
}

// PNG is chosen by the name for both the picture (24 bits, exact) and the layer (32 bits).
TEST_F(BatchTest, SaveAndExportAsPng) {
  const Picture in = drollo::test::PatternPicture(40, 30);
  drollo::formats::SaveAsBmp(in, Path("in.bmp"));
  const RunResult r = RunProgram({"open", Path("in.bmp"), "save", Path("picture.png"), "page", "3",
                                  "drag", "5,5", "30,20", "export", Path("layer.png")});
  ASSERT_EQ(r.Code, 0) << r.Err;
  const std::string picture = ReadFile(Path("picture.png")), layer = ReadFile(Path("layer.png"));
  ASSERT_GT(picture.size(), 26u);
  ASSERT_GT(layer.size(), 26u);
  EXPECT_EQ(picture.substr(1, 3), "PNG");
  EXPECT_EQ(picture[25], 2);  // RGB
  EXPECT_EQ(layer[25], 6);    // RGBA
  EXPECT_TRUE(
      drollo::test::SamePicture(in, drollo::formats::LoadPicture(Path("picture.png")).picture));
  const Picture lines = drollo::formats::LoadPicture(Path("layer.png")).picture;
  EXPECT_EQ(lines.width(), 40);
  EXPECT_EQ(lines.pixel(0, 0), kWhite);
  EXPECT_NE(lines.pixel(5, 5), kWhite);
}

TEST_F(BatchTest, ProgramExitsWithTwoOnABadStep) {
  const RunResult r = RunProgram({"page", "1", "press", "Nothing"});
  EXPECT_EQ(r.Code, 2);
  EXPECT_NE(r.Err.find("step 2 (press Nothing)"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("QStandardPaths"), std::string::npos) << r.Err;
}

TEST_F(BatchTest, ProgramMakesACartoonOfTheStartPictureAsJpeg) {
  const RunResult r = RunProgram({"click",        "300,230",
                                  "save",         Path("bulge.jpg"),
                                  "page",         "2",
                                  "press",        "SpeedButton4",
                                  "save",         Path("sketch.jpg"),
                                  "save",         Path("sketch.bmp"),
                                  "page",         "3",
                                  "press",        "SpeedButton10",
                                  "set",          "Edit1=2",
                                  "press",        "Edit1",
                                  "export",       Path("outline.jpg"),
                                  "--print-state"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_NE(r.Out.find("\"page\": 3"), std::string::npos) << r.Out;
  // JPEG is not exact: the decoded sketch lies close to the exact one.
  const Picture exact = *drollo::formats::LoadPictureFile(Path("sketch.bmp"));
  const Picture jpeg = *drollo::formats::LoadPictureFile(Path("sketch.jpg"));
  ASSERT_EQ(jpeg.width(), exact.width());
  ASSERT_EQ(jpeg.height(), exact.height());
  const Picture j = ToBgr24(jpeg);
  long long sum = 0;
  for (int y = 0; y < j.height(); ++y)
    for (int x = 0; x < 3 * j.width(); ++x) sum += std::abs(j.row(y)[x] - exact.row(y)[x]);
  EXPECT_LT(static_cast<double>(sum) / (3.0 * j.width() * j.height()), 12.0);
  for (const char* f : {"bulge.jpg", "outline.jpg"})
    EXPECT_EQ(drollo::formats::LoadPictureFile(Path(f))->width(), exact.width()) << f;
}

// The program speaks the locale's language: its message boxes and the texts of the printed
// state are English for an English locale, and the program's own otherwise.
TEST_F(BatchTest, MessagesAndThePrintedStateFollowTheLocalesLanguage) {
  const std::vector<std::string> steps{"page", "3",           "press",        "SpeedButton9",
                                       "set",  "Edit1=3a",    "press",        "Edit1",
                                       "set",  "CheckBox1=0", "--print-state"};
  const RunResult english = RunProgram(steps, "en_US.UTF-8");
  ASSERT_EQ(english.Code, 0) << english.Err;
  EXPECT_NE(english.Err.find("message box \"Sorry\": Please enter a whole number."),
            std::string::npos)
      << english.Err;
  EXPECT_NE(english.Out.find("\"workAreaCaption\": \"Work Area (outline only)\""),
            std::string::npos)
      << english.Out;
  EXPECT_NE(english.Out.find("\"Label12\": \"Eraser size:\""), std::string::npos) << english.Out;

  const RunResult own = RunProgram(steps);
  ASSERT_EQ(own.Code, 0) << own.Err;
  EXPECT_NE(own.Err.find("message box \"Sorry\": Invalid integer"), std::string::npos) << own.Err;
  EXPECT_NE(own.Out.find("\"workAreaCaption\": \"Work_Outline without Draft\""), std::string::npos)
      << own.Out;
  EXPECT_NE(own.Out.find("\"Label12\": \"擦除范围:\""), std::string::npos) << own.Out;
  // English and Chinese texts differ only in the texts: the state itself is the same.
  EXPECT_EQ(english.Out.substr(0, english.Out.find("\"texts\"")),
            own.Out.substr(0, own.Out.find("\"texts\"")));
}

}  // namespace
}  // namespace drollo::batch::test
