// The outline page's top row: "显示" and the caption it names the work area by, "导出" (the layer
// alone) and "保存" (the picture alone), through the save dialog and into real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/file_types.h"
#include "formats/picture_file.h"
#include "formats/temp_folder.h"
#include "palette/fake_tools_host.h"
#include "palette/tools.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using formats::test::TempFolder;
using test::SamePicture;

class FakeSaveDialog : public SaveDialog {
 public:
  std::optional<Choice> answer;  // empty: the user cancels
  std::vector<std::string> filters;
  std::optional<Choice> Execute(const std::string& filter) override {
    filters.push_back(filter);
    return answer;
  }
};

constexpr int kW = 30, kH = 20;

class OutlineFiles : public testing::Test {
 protected:
  OutlineFiles() {
    state.WorkingPicture = test::PatternPicture(kW, kH, 5);
    state.OutlineBitmap = TBitmap32(kW, kH);
    for (int y = 0; y < kH; ++y)
      std::fill_n(state.OutlineBitmap.mutableRow(y), state.OutlineBitmap.stride(), 255);
    ResetPictureHistory(state);
    ResetOutlineHistory(state);
    tools.SaveDialog1 = &dialog;
    tools.TabbedNotebook1.SetPageIndex(3);
    host.calls.clear();
  }
  void choose(const std::string& name, int index) {
    dialog.answer = SaveDialog::Choice{folder.file(name), index};
  }
  Picture load(const std::string& name) {
    std::optional<Picture> p = formats::LoadPictureFile(folder.file(name));
    EXPECT_TRUE(p.has_value()) << name;
    return p ? *p : Picture();
  }

  ProgramState state;
  test::FakeToolsHost host;
  TTools tools{state, host};
  FakeSaveDialog dialog;
  TempFolder folder;
};

TEST_F(OutlineFiles, ShowCheckBoxRecomposesThenNamesTheWindow) {
  tools.CheckBox1.Click();
  EXPECT_FALSE(tools.CheckBox1.Checked);
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"Image2showto", "caption Work_Outline without Draft"}));
  host.calls.clear();
  tools.CheckBox1.Click();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"Image2showto", "caption 工作区域"}));
}

TEST_F(OutlineFiles, EnteringTheOutlinePageNamesTheWindowByTheCheckBox) {
  tools.CheckBox1.Click();
  tools.TabbedNotebook1.SetPageIndex(0);
  host.calls.clear();
  tools.TabbedNotebook1.SetPageIndex(3);
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "caption Work_Outline without Draft"),
            host.calls.end());
}

TEST_F(OutlineFiles, ExportOfAnUntouchedLayerIsAllWhiteAtThePictureSize) {
  choose("layer", 1);
  tools.SpeedButton7.Click();
  EXPECT_EQ(dialog.filters,
            std::vector<std::string>{"*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf|*.png|*.png"});
  const Picture written = load("layer.jpg");
  EXPECT_TRUE(SamePicture(test::FilledPicture(kW, kH, kWhite), written));
}

TEST_F(OutlineFiles, BmpExportIsThirtyTwoBitsUnderTheChosenEntrysExtension) {
  state.OutlineBitmap.setPixel(3, 4, MakeColour(10, 20, 30));
  choose("typed.jpg", 2);
  tools.SpeedButton7Click();
  EXPECT_FALSE(std::filesystem::exists(folder.file("typed.jpg")));
  const Picture written = load("typed.bmp");
  EXPECT_EQ(written.bitsPerPixel(), 32);
  EXPECT_EQ(state.WorkingPicture.bitsPerPixel(), 24);
  EXPECT_EQ(written.pixel(3, 4), MakeColour(10, 20, 30));
  EXPECT_EQ(written.pixel(0, 0), kWhite);
}

// A PNG export keeps the layer's fourth bytes as alpha; a PNG save of the picture is RGB and
// carries the opened photo's EXIF, which the layer never does.
TEST_F(OutlineFiles, PngExportIsRgbaAndPngSaveIsRgbWithThePhotosExif) {
  state.OutlineBitmap.setPixel(3, 4, MakeColour(10, 20, 30));
  state.OpenedMetadata.exif = test::CameraExif(1);
  choose("layer.jpg", 4);
  tools.SpeedButton7Click();
  choose("picture", 4);
  tools.SpeedButton19Click();
  const auto colourType = [&](const std::string& name) {
    const std::vector<std::uint8_t> png = formats::ReadWholeFile(folder.file(name));
    return png.size() > 25 ? png[25] : -1;  // IHDR's colour type
  };
  EXPECT_EQ(colourType("layer.png"), 6);
  EXPECT_EQ(colourType("picture.png"), 2);
  const formats::LoadedPicture layer = formats::LoadPicture(folder.file("layer.png"));
  EXPECT_EQ(layer.picture.pixel(3, 4), MakeColour(10, 20, 30));
  EXPECT_TRUE(layer.metadata.empty());
  const formats::LoadedPicture picture = formats::LoadPicture(folder.file("picture.png"));
  EXPECT_TRUE(SamePicture(state.WorkingPicture, picture.picture));
  EXPECT_FALSE(picture.metadata.exif.empty());
}

TEST_F(OutlineFiles, MetafileExportGetsTheMetafileExtension) {
  choose("drawing", 3);
  tools.SpeedButton7Click();
  EXPECT_TRUE(std::filesystem::exists(folder.file("drawing.wmf")));
}

TEST_F(OutlineFiles, SaveFromTheOutlinePageLeavesTheDrawingOut) {
  for (int x = 0; x < kW; ++x) state.OutlineBitmap.setPixel(x, 7, kBlack);
  choose("picture.bmp", 2);
  tools.SpeedButton19Click();
  EXPECT_TRUE(SamePicture(state.WorkingPicture, load("picture.bmp")));
}

TEST_F(OutlineFiles, NeitherButtonRecordsHistoryOrChangesAPicture) {
  const Picture picture = state.WorkingPicture;
  const TBitmap32 layer = state.OutlineBitmap;
  choose("a", 2);
  tools.SpeedButton7Click();
  tools.SpeedButton19Click();
  EXPECT_EQ(state.OutlineHistory.undoCount(), 0);
  EXPECT_EQ(state.PictureHistory.undoCount(), 0);
  EXPECT_TRUE(SamePicture(picture, state.WorkingPicture));
  EXPECT_TRUE(SamePicture(layer, state.OutlineBitmap));
  EXPECT_TRUE(host.calls.empty());  // no redisplay either
}

TEST_F(OutlineFiles, CancellingWritesNothing) {
  tools.SpeedButton7Click();
  tools.SpeedButton19Click();
  EXPECT_EQ(dialog.filters.size(), 2u);
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(OutlineFiles, FileThatCannotBeCreatedIsReported) {
  dialog.answer = SaveDialog::Choice{folder.file("missing/layer.bmp"), 2};
  tools.SpeedButton7Click();
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].rfind("error Cannot create file ", 0), 0u) << host.calls[0];
  EXPECT_NE(host.calls[0].find("missing/layer.bmp"), std::string::npos);
}

}  // namespace
}  // namespace drollo
