// Recovery copies: what a run writes while its work is unsaved, what the next start finds when a
// run ended without closing, and what restoring gives back. A run that "dies" here is a store and
// a program destroyed without closing: the lock goes as it does when a process is killed (the
// desktop's test kills a real process), and the files stay.
#include "app/recovery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/form1.h"
#include "fakes.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "support/pictures.h"

namespace drollo {
namespace {

namespace fs = std::filesystem;
using test::SamePicture;

// The state folder of one test, with a clock that moves only when told.
class Recovery : public testing::Test {
 protected:
  std::string root() const { return folder / "recovery"; }
  RecoveryStore::Clock clock() {
    return [this] { return now; };
  }
  std::unique_ptr<RecoveryStore> NewStore() {
    return std::make_unique<RecoveryStore>(root(), clock());
  }
  // The folders under the root, by name.
  std::vector<std::string> Folders() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static RecoveryDescription Description(const RecoveryStore& s) {
    return ParseRecovery(Read(s.Folder() + "/recovery.txt"));
  }

  test::TempFolder folder;
  std::chrono::steady_clock::time_point now{};
};

// A copy of `picture` with a layer holding one black line, written by a run that then dies.
std::shared_ptr<const PictureSnapshot> Snap(const Picture& p) {
  return PictureSnapshot::Capture(p, nullptr);
}

TBitmap32 LayerFor(const Picture& p) {
  TBitmap32 layer(p.width(), p.height());
  layer.reset(p.width(), p.height(), 255);
  for (int x = 0; x < p.width(); ++x) layer.setPixel(x, p.height() / 2, kBlack);
  return layer;
}

// --- The description ----------------------------------------------------------------------------

TEST(RecoveryDescription, ReadsBackWhatItWroteEvenOddFileNames) {
  RecoveryDescription d;
  d.State = RecoveryState{"/home/a b/line\nbreak\\x.jpg", 195.3125, true, 3};
  d.PictureFile = "picture-12.bmp";
  d.LayerFile = "layer-3.bmp";
  d.Width = 605;
  d.Height = 469;
  d.BitsPerPixel = 8;
  d.WrittenAt = "2024-05-01 14:03";
  const RecoveryDescription back = ParseRecovery(FormatRecovery(d));
  EXPECT_EQ(back.State, d.State);
  EXPECT_EQ(back.PictureFile, d.PictureFile);
  EXPECT_EQ(back.LayerFile, d.LayerFile);
  EXPECT_EQ(back.Width, 605);
  EXPECT_EQ(back.BitsPerPixel, 8);
  EXPECT_EQ(back.WrittenAt, d.WrittenAt);
}

// Every damage a description can suffer is refused with a reason, never read half.
TEST(RecoveryDescription, RefusesDamagedText) {
  RecoveryDescription d;
  d.PictureFile = "picture-1.bmp";
  d.LayerFile = "layer-1.bmp";
  d.Width = d.Height = 10;
  d.BitsPerPixel = 24;
  const std::string good = FormatRecovery(d);
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const std::string damaged[] = {
      "",
      good.substr(0, good.size() / 2),  // cut short
      good.substr(0, good.size() - 4),  // all but the end mark
      replaced("drollo recovery 1", "drollo recovery 2"),
      replaced("zoom 100", "zoom 0.5"),
      replaced("zoom 100", "zoom nan"),
      replaced("page 0", "page 4"),
      replaced("page 0", "page -1"),
      replaced("picture-1.bmp", "../picture-1.bmp"),
      replaced("layer-1.bmp", "/etc/passwd"),
      replaced("picture-1.bmp 10 10", "picture-1.bmp 0 10"),
      replaced("10 10 24", "10 99999999999 24"),
      replaced("source ", "source \\q"),
  };
  for (const std::string& text : damaged)
    EXPECT_THROW(ParseRecovery(text), std::runtime_error) << text;
}

// --- The store ----------------------------------------------------------------------------------

// Two programs at once never take each other's copy; once one dies without closing, the other
// finds its copy, and a normal end leaves nothing behind.
TEST_F(Recovery, OnlyARunThatIsOverLeavesACopyToFind) {
  const Picture picture = test::PatternPicture(70, 50);
  auto first = NewStore();
  first->Write(Snap(picture), Snap(LayerFor(picture)), RecoveryState{"a.jpg", 125, true, 1});
  ASSERT_TRUE(first->Flush());
  EXPECT_TRUE(first->HasCopy());

  auto second = NewStore();
  std::vector<std::string> damaged;
  EXPECT_FALSE(second->NextOrphan(damaged));  // the first still runs

  first.reset();  // dies: its lock goes, its files stay
  std::optional<RecoveredWork> work = second->NextOrphan(damaged);
  ASSERT_TRUE(work);
  EXPECT_TRUE(damaged.empty());
  EXPECT_TRUE(SamePicture(picture, work->WorkingPicture));
  EXPECT_TRUE(SamePicture(LayerFor(picture), work->OutlineBitmap));
  EXPECT_EQ(work->State, (RecoveryState{"a.jpg", 125, true, 1}));

  // A third program starting meanwhile does not get the copy the second considers.
  auto third = NewStore();
  EXPECT_FALSE(third->NextOrphan(damaged));
  second->DiscardOrphan();
  EXPECT_EQ(Folders().size(), 2u);  // the two live runs' own folders
  second->Finish();
  third->Finish();
  EXPECT_TRUE(Folders().empty());
}

// The picture keeps its own depth (and colour table), the layer its alpha, byte for byte.
class RecoveryDepths : public Recovery, public testing::WithParamInterface<int> {};

TEST_P(RecoveryDepths, ACopyIsLossless) {
  const int bits = GetParam();
  Picture picture = bits == 32 ? Picture(67, 41, PixelFormat::Bgra32()) : Picture(67, 41, bits);
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 67; ++x) picture.setPixel(x, y, MakeColour(x * 3, y * 5, x * y));
  TBitmap32 layer = LayerFor(picture);
  layer.mutableRow(7)[3] = 17;  // an alpha byte of its own
  {
    auto dead = NewStore();
    dead->Write(Snap(picture), Snap(layer), {});
    ASSERT_TRUE(dead->Flush());
  }
  auto next = NewStore();
  std::vector<std::string> damaged;
  const std::optional<RecoveredWork> work = next->NextOrphan(damaged);
  ASSERT_TRUE(work);
  EXPECT_TRUE(SamePicture(picture, work->WorkingPicture));
  EXPECT_TRUE(SamePicture(layer, work->OutlineBitmap));
}

INSTANTIATE_TEST_SUITE_P(Depths, RecoveryDepths, testing::Values(1, 4, 8, 16, 24, 32));

// A damaged copy is reported and set aside, and the start goes on to the next copy.
class RecoveryDamage : public Recovery, public testing::WithParamInterface<const char*> {};

TEST_P(RecoveryDamage, IsSetAsideAndTheNextCopyOffered) {
  const Picture older = test::PatternPicture(40, 30, 2);
  {
    auto run = NewStore();
    run->Write(Snap(older), Snap(LayerFor(older)), {});
    ASSERT_TRUE(run->Flush());
  }
  std::string damagedFolder;
  {
    const Picture picture = test::PatternPicture(40, 30, 3);
    auto run = NewStore();
    run->Write(Snap(picture), Snap(LayerFor(picture)), {});
    ASSERT_TRUE(run->Flush());
    damagedFolder = run->Folder();
    const RecoveryDescription d = Description(*run);
    const std::string damage = GetParam();
    const std::string pictureFile = run->Folder() + "/" + d.PictureFile;
    if (damage == "truncated picture") fs::resize_file(pictureFile, fs::file_size(pictureFile) / 2);
    if (damage == "missing layer") fs::remove(run->Folder() + "/" + d.LayerFile);
    if (damage == "layer of another size")
      formats::SaveAsBmp(TBitmap32(5, 5), run->Folder() + "/" + d.LayerFile);
    if (damage == "truncated description") fs::resize_file(run->Folder() + "/recovery.txt", 30);
    if (damage == "garbage description")
      formats::WriteFileSafely(run->Folder() + "/recovery.txt",
                               std::vector<std::uint8_t>(100000, 0xFF));
    if (damage == "picture not a bitmap")
      formats::WriteFileSafely(pictureFile, std::vector<std::uint8_t>{'G', 'I', 'F', '8'});
  }
  now += std::chrono::hours(1);
  // The damaged copy is the newer one: it comes first.
  fs::last_write_time(damagedFolder + "/recovery.txt", fs::file_time_type::clock::now());
  auto next = NewStore();
  std::vector<std::string> damaged;
  const std::optional<RecoveredWork> work = next->NextOrphan(damaged);
  ASSERT_EQ(damaged.size(), 1u);
  EXPECT_NE(damaged[0].find(".damaged: "), std::string::npos) << damaged[0];
  EXPECT_TRUE(fs::exists(damagedFolder + ".damaged"));
  ASSERT_TRUE(work);
  EXPECT_TRUE(SamePicture(older, work->WorkingPicture));
  // Set aside once, it is not reported again.
  next->ReleaseOrphan();
  damaged.clear();
  EXPECT_TRUE(next->NextOrphan(damaged));
  EXPECT_TRUE(damaged.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, RecoveryDamage,
                         testing::Values("truncated picture", "missing layer",
                                         "layer of another size", "truncated description",
                                         "garbage description", "picture not a bitmap"));

TEST_F(Recovery, AFolderWithoutACopyIsRemovedQuietly) {
  NewStore();  // dies before it wrote anything
  auto next = NewStore();
  std::vector<std::string> damaged;
  EXPECT_FALSE(next->NextOrphan(damaged));
  EXPECT_TRUE(damaged.empty());
  EXPECT_EQ(Folders(), std::vector<std::string>{fs::path(next->Folder()).filename()});
}

// A picture that did not change is not written again; the previous generation's files go once
// the description names the new ones; removing leaves only the lock.
TEST_F(Recovery, GenerationsReplaceEachOther) {
  const Picture picture = test::PatternPicture(40, 30);
  auto store = NewStore();
  const auto pictureSnap = Snap(picture);
  store->Write(pictureSnap, Snap(LayerFor(picture)), {});
  ASSERT_TRUE(store->Flush());
  const RecoveryDescription first = Description(*store);
  store->Write(pictureSnap, Snap(TBitmap32(40, 30)), RecoveryState{"", 80, true, 3});
  ASSERT_TRUE(store->Flush());
  const RecoveryDescription second = Description(*store);
  EXPECT_EQ(second.PictureFile, first.PictureFile);
  EXPECT_NE(second.LayerFile, first.LayerFile);
  EXPECT_FALSE(fs::exists(store->Folder() + "/" + first.LayerFile));
  EXPECT_EQ(second.State.PageIndex, 3);
  store->Remove();
  ASSERT_TRUE(store->Flush());
  EXPECT_FALSE(store->HasCopy());
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(store->Folder())) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"lock"});
}

// A copy that cannot be written is reported once, not at every attempt, until one succeeds.
TEST_F(Recovery, WriteFailuresAreReportedOncePerRun) {
  const Picture picture = test::PatternPicture(20, 20);
  auto store = NewStore();
  const std::string mine = store->Folder();
  fs::remove_all(mine);
  std::ofstream(mine) << "not a folder";
  store->Write(Snap(picture), Snap(LayerFor(picture)), {});
  EXPECT_FALSE(store->Flush());
  EXPECT_TRUE(store->TakeWriteError());
  store->Write(Snap(picture), Snap(LayerFor(picture)), {});
  store->Flush();
  EXPECT_FALSE(store->TakeWriteError());
  fs::remove(mine);
  fs::create_directory(mine);
  store->Write(Snap(picture), Snap(LayerFor(picture)), {});
  EXPECT_TRUE(store->Flush());
  EXPECT_FALSE(store->TakeWriteError());
}

// --- The program
// ----------------------------------------------------------------------------------

// A program with its own store, started as the desktop starts it.
struct Program {
  Program(const std::string& root, RecoveryStore::Clock clock, PlatformServices services)
      : store(root, std::move(clock)), form([&] {
          services.Recovery = &store;
          return services;
        }()) {
    form.FormShow();
  }
  RecoveryStore store;
  TForm1 form;
};

class RecoveringProgram : public Recovery {
 protected:
  RecoveringProgram() {
    file = folder / "photo.bmp";
    formats::SaveAsBmp(test::PatternPicture(90, 70), file);
  }
  PlatformServices Services() {
    PlatformServices s;
    s.OpenPictureDialog1 = &openDialog;
    s.SaveDialog1 = &saveDialog;
    s.Errors = &errors;
    s.Questions = &questions;
    return s;
  }
  std::unique_ptr<Program> Start() {
    return std::make_unique<Program>(root(), clock(), Services());
  }
  // A warp click on the picture, recorded when released.
  static void Bulge(TForm1& f, int x, int y) {
    f.Work_area.Image1MouseDown(TMouseButton::Left, TShiftState{.Left = true}, x, y);
    f.Work_area.Image1Click();
    f.Work_area.Image1MouseUp(TMouseButton::Left, TShiftState{}, x, y);
    f.RecoveryTick();
  }
  static bool HasCopy(Program& r) {
    r.store.Flush();
    return r.store.HasCopy();
  }

  std::string file;
  test::FakeOpenDialog openDialog;
  test::FakeSaveDialog saveDialog;
  test::FakeErrors errors;
  test::FakeQuestions questions;
};

// Copies follow the unsaved work: the first edit is copied at once, later ones at most every
// interval; undoing back to the opened picture, saving, renewing, opening and closing each leave
// nothing unsaved, and the copy goes.
TEST_F(RecoveringProgram, ACopyExistsExactlyWhileWorkIsUnsaved) {
  auto run = Start();
  TForm1& f = run->form;
  EXPECT_FALSE(HasCopy(*run));
  ASSERT_TRUE(f.OpenPictureFile(file));
  EXPECT_FALSE(HasCopy(*run));

  Bulge(f, 30, 30);
  EXPECT_TRUE(HasCopy(*run));
  const std::string first = Description(run->store).PictureFile;
  Bulge(f, 60, 40);
  run->store.Flush();
  EXPECT_EQ(Description(run->store).PictureFile, first);  // within the interval
  now += RecoveryStore::kInterval;
  f.RecoveryTick();
  run->store.Flush();
  EXPECT_NE(Description(run->store).PictureFile, first);
  EXPECT_EQ(Description(run->store).State.SourceFile, file);

  f.Execute(Handler::Undo1Click);
  f.Execute(Handler::Undo1Click);
  EXPECT_FALSE(HasCopy(*run));  // back at the opened picture
  f.Execute(Handler::Redo1Click);
  now += RecoveryStore::kInterval;
  f.RecoveryTick();
  EXPECT_TRUE(HasCopy(*run));
  saveDialog.answer = SaveDialog::Choice{folder / "saved.bmp", 2};
  f.Execute(Handler::Save1Click);
  EXPECT_FALSE(HasCopy(*run));
  EXPECT_EQ(f.PictureFileName, folder / "saved.bmp");

  Bulge(f, 20, 50);
  now += RecoveryStore::kInterval;
  f.RecoveryTick();
  EXPECT_TRUE(HasCopy(*run));
  f.Execute(Handler::RenewClick);
  EXPECT_FALSE(HasCopy(*run));

  Bulge(f, 20, 50);
  now += RecoveryStore::kInterval;
  f.RecoveryTick();
  EXPECT_TRUE(HasCopy(*run));
  openDialog.answers.push_back(file);
  f.Execute(Handler::Open1Click);
  EXPECT_FALSE(HasCopy(*run));

  Bulge(f, 20, 50);
  now += RecoveryStore::kInterval;
  f.RecoveryTick();
  EXPECT_TRUE(HasCopy(*run));
  const std::string mine = run->store.Folder();
  f.Execute(Handler::Exit1Click);
  EXPECT_FALSE(fs::exists(mine));
  EXPECT_TRUE(errors.messages.empty());
}

// The outline page's save (the picture) and export (the layer) count as saving what they wrote:
// once both are saved, nothing is left to recover.
TEST_F(RecoveringProgram, TheOutlinePagesSaveAndExportCountAsSaving) {
  auto run = Start();
  TForm1& f = run->form;
  ASSERT_TRUE(f.OpenPictureFile(file));
  Bulge(f, 30, 30);
  f.Tools.TabbedNotebook1.SetPageIndex(3);
  f.State.OutlineBitmap.setPixel(10, 10, kBlack);
  f.Tools.SpeedButton9.Click();  // "橡皮"
  f.Work_area.Image2MouseDown(TMouseButton::Left, TShiftState{.Left = true}, 10, 10);
  f.Work_area.Image2MouseUp(TMouseButton::Left, TShiftState{}, 10, 10);
  ASSERT_EQ(f.State.OutlineHistory.undoCount(), 1);
  now += RecoveryStore::kInterval;
  f.RecoveryTick();
  EXPECT_TRUE(HasCopy(*run));

  saveDialog.answer = SaveDialog::Choice{folder / "picture.bmp", 2};
  f.Tools.SpeedButton19Click();
  f.RecoveryTick();
  EXPECT_TRUE(HasCopy(*run)) << "the layer is not saved yet";
  saveDialog.answer = SaveDialog::Choice{folder / "layer.bmp", 2};
  f.Tools.SpeedButton7Click();
  f.RecoveryTick();
  EXPECT_FALSE(HasCopy(*run));
  EXPECT_TRUE(errors.messages.empty());
}

// A run dies with an edited picture and layer at another zoom on the outline page; the next
// start asks, restores all of it as the first history entry, and makes it its own copy.
TEST_F(RecoveringProgram, RestoringGivesTheWorkBackAsAFreshStart) {
  Picture picture, layer;
  std::string deadFolder;
  {
    auto dead = Start();
    TForm1& f = dead->form;
    ASSERT_TRUE(f.OpenPictureFile(file));
    Bulge(f, 40, 30);
    f.Execute(Handler::SpeedButton9Click);  // zoom in
    f.Tools.TabbedNotebook1.SetPageIndex(3);
    f.Tools.SpeedButton10.Click();  // extract the outline
    now += RecoveryStore::kInterval;
    f.RecoveryTick();
    ASSERT_TRUE(dead->store.Flush());
    picture = f.State.WorkingPicture;
    layer = f.State.OutlineBitmap;
    deadFolder = dead->store.Folder();
  }
  auto run = Start();
  TForm1& f = run->form;
  EXPECT_TRUE(f.OfferRecoveryCopy());
  ASSERT_EQ(questions.asked.size(), 1u);
  EXPECT_NE(questions.asked[0].text.find("photo.bmp"), std::string::npos);
  EXPECT_EQ(questions.asked[0].first, recovery_text::kRestore);
  EXPECT_TRUE(SamePicture(picture, f.State.WorkingPicture));
  EXPECT_TRUE(SamePicture(layer, f.State.OutlineBitmap));
  EXPECT_EQ(f.State.ZoomPercent, 125);
  EXPECT_EQ(f.Label1Caption(), "125.0%");
  EXPECT_EQ(f.State.PageIndex, 3);
  EXPECT_EQ(f.PictureFileName, file);
  EXPECT_EQ(f.Work_area.Images.Image1, DisplaySizeOf(picture, 125));
  for (const HistoryRing* h : {&f.State.PictureHistory, &f.State.OutlineHistory}) {
    EXPECT_EQ(h->index(), 1);
    EXPECT_EQ(h->undoCount() + h->redoCount(), 0);
  }
  EXPECT_FALSE(f.Undo1.Enabled);
  // The work is this run's copy now; the dead run's folder is gone.
  EXPECT_FALSE(fs::exists(deadFolder));
  EXPECT_TRUE(HasCopy(*run));
  // It is saved nowhere else: renewing to it keeps a copy.
  f.Execute(Handler::RenewClick);
  EXPECT_TRUE(HasCopy(*run));
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(RecoveringProgram, DiscardingDeletesTheCopyAndOffersTheNext) {
  for (int i = 0; i < 2; ++i) {
    auto dead = Start();
    Bulge(dead->form, 40 + i, 30);
    ASSERT_TRUE(dead->store.Flush());
  }
  questions.answers = {false, false};
  auto run = Start();
  EXPECT_FALSE(run->form.OfferRecoveryCopy());
  EXPECT_EQ(questions.asked.size(), 2u);
  EXPECT_EQ(Folders().size(), 1u);  // this run's own
  EXPECT_TRUE(SamePicture(run->form.State.OpenedPicture.copy(), run->form.State.WorkingPicture));
}

TEST_F(RecoveringProgram, ADamagedCopyIsReportedNotAskedAbout) {
  {
    auto dead = Start();
    Bulge(dead->form, 40, 30);
    ASSERT_TRUE(dead->store.Flush());
    fs::resize_file(dead->store.Folder() + "/recovery.txt", 10);
  }
  auto run = Start();
  EXPECT_FALSE(run->form.OfferRecoveryCopy());
  EXPECT_TRUE(questions.asked.empty());
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0].rfind(recovery_text::kDamaged, 0), 0u);
}

}  // namespace
}  // namespace drollo
