#include "app/print_mail.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "fakes.h"
#include "formats/picture_file.h"

namespace drollo {
namespace {

using test::MainWindow;

struct LayoutCase {
  const char* name;
  int w, h, pageW, pageH;
  Rect expected;
};

class PrintLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(PrintLayoutTest, DoublesThenCentres) {
  const LayoutCase& c = GetParam();
  EXPECT_EQ(PrintLayout(c.w, c.h, c.pageW, c.pageH), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PrintLayoutTest,
    testing::Values(
        // Doubled five times; the width, 3200, is the first to reach half the page width.
        LayoutCase{"WidthReachesHalfFirst", 100, 50, 4800, 6600, {800, 2500, 4000, 4100}},
        // The height is tested first: 1700 >= 3300 / 2 stops at once.
        LayoutCase{"HeightAlreadyHalf", 100, 1700, 4800, 3300, {2350, 800, 2450, 2500}},
        LayoutCase{"WiderThanThePage", 6000, 100, 4800, 6600, {-600, 3250, 5400, 3350}},
        // Odd remainders are cut towards zero: (-1) / 2 = 0.
        LayoutCase{"OddOverhang", 4801, 3, 4800, 6600, {0, 3298, 4801, 3301}},
        LayoutCase{"ZeroWidth", 0, 50, 4800, 6600, {}},
        LayoutCase{"ZeroHeight", 50, 0, 4800, 6600, {}}),
    [](const testing::TestParamInfo<LayoutCase>& i) { return std::string(i.param.name); });

TEST_F(MainWindow, PrintsOnePageCentred) {
  form.State.WorkingPicture = Picture(100, 50, 24);
  form.Execute(Handler::SpeedButton16Click);
  EXPECT_EQ(printer.calls, (std::vector<std::string>{"dialog", "begin", "draw", "end"}));
  EXPECT_EQ(printer.drawnAt, (Rect{800, 2500, 4000, 4100}));
}

TEST_F(MainWindow, CancelledOrEmptyPrintsNothing) {
  printer.confirm = false;
  form.SpeedButton16Click();
  EXPECT_EQ(printer.calls, (std::vector<std::string>{"dialog"}));
  printer.confirm = true;
  form.State.WorkingPicture = Picture();
  form.SpeedButton16Click();
  EXPECT_EQ(printer.calls, (std::vector<std::string>{"dialog", "dialog"}));
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainWindow, APrintErrorIsReported) {
  class FailingPrinter : public test::FakePrinter {
    void BeginDoc() override { throw std::runtime_error("Printer is not ready"); }
  } failing;
  form.Services.Printer1 = &failing;
  form.SpeedButton16Click();
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"Printer is not ready"}));
}

TEST(SendMapiMail, AttachmentsUpToTheFirstGap) {
  NamedValues v{{"attachment0", "/home/u/a.jpg"},
                {"attachment2", "/home/u/c.jpg"},
                {"subject", "S"},
                {"body", "B"}};
  const MailMessage m = BuildMapiMessage(v);
  ASSERT_EQ(m.Attachments.size(), 1u);
  EXPECT_EQ(m.Attachments[0].PathName, "/home/u/a.jpg");
  EXPECT_EQ(m.Attachments[0].FileName, "a.jpg");
  EXPECT_FALSE(m.To);
  EXPECT_EQ(m.Subject, "S");
  EXPECT_EQ(m.NoteText, "B");
}

TEST(SendMapiMail, RecipientAndMissingValues) {
  const MailMessage m = BuildMapiMessage({{"to", "friend@example.org"}});
  ASSERT_TRUE(m.To);
  EXPECT_EQ(m.To->Name, "friend@example.org");
  EXPECT_EQ(m.To->Address, "SMTP:friend@example.org");
  EXPECT_TRUE(m.Attachments.empty());
  EXPECT_EQ(m.Subject, "");
  EXPECT_EQ(SendMapiMail(nullptr, {}), 1);  // no mail program
}

TEST_F(MainWindow, MailWritesTheAttachmentIntoTheDataFolder) {
  form.Execute(Handler::SpeedButton1Click);
  form.SpeedButton1Click();  // the second mailing overwrites the same file
  const std::string file = folder / "data/mywork.jpg";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "data"),
                          std::filesystem::directory_iterator{}),
            1);
  const std::optional<Picture> back = formats::LoadPictureFile(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width(), 605);
  ASSERT_EQ(mail.sent.size(), 2u);
  const MailMessage& m = mail.sent[0];
  EXPECT_EQ(m.Subject, "Tell you a great software--Drollo.");
  EXPECT_EQ(m.NoteText, std::string("Hello!\r\n\r\nIt is a good software. The download link is "
                                    "folows:\r\n") +
                            kInstallerAddress +
                            "\r\n\r\nPlease try it. It would give you happiness!\r\nGood luck!");
  ASSERT_EQ(m.Attachments.size(), 1u);
  EXPECT_EQ(m.Attachments[0].PathName, file);
  EXPECT_EQ(m.Attachments[0].FileName, "mywork.jpg");
  EXPECT_FALSE(m.To);
}

TEST_F(MainWindow, AFailedAttachmentStartsNoMail) {
  std::ofstream(folder / "data") << "a file where the folder should be";
  form.SpeedButton1Click();
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_TRUE(mail.sent.empty());
}

TEST(UserDataFolder, FollowsXdgDataHome) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(UserDataFolder(), "/tmp/xdg/drollo");
  setenv("XDG_DATA_HOME", "relative", 1);
  setenv("HOME", getenv("HOME") ? getenv("HOME") : "/nonexistent", 1);
  EXPECT_EQ(UserDataFolder(), std::string(getenv("HOME")) + "/.local/share/drollo");
  if (old) {
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

}  // namespace
}  // namespace drollo
