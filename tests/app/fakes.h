// Fake desktop services for driving the main window without a screen, and a main window wired
// to them.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"

namespace drollo::test {

class FakeOpenDialog : public OpenPictureDialog {
 public:
  std::deque<std::optional<std::string>> answers;  // empty: the user cancels
  std::vector<std::string> filters;
  int preselected = 0;  // of the last showing
  std::optional<std::string> Execute(const std::string& filter, int entry) override {
    filters.push_back(filter);
    preselected = entry;
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

class FakeSaveDialog : public SaveDialog {
 public:
  std::optional<Choice> answer;
  std::vector<std::string> filters;
  std::optional<Choice> Execute(const std::string& filter) override {
    filters.push_back(filter);
    return answer;
  }
};

class FakeErrors : public ErrorReport {
 public:
  std::vector<std::string> messages;
  void ShowError(const std::string& m) override { messages.push_back(m); }
};

class FakeMessages : public MessageBoxes {
 public:
  std::vector<std::pair<std::string, std::string>> boxes;  // text, caption
  void MessageBox(const std::string& text, const std::string& caption) override {
    boxes.emplace_back(text, caption);
  }
};

class FakeClipboard : public Clipboard {
 public:
  std::optional<Picture> content;
  int puts = 0;
  std::optional<Picture> GetBitmap() override { return content; }
  void PutBitmap(const Picture& p) override {
    content = p;
    ++puts;
  }
};

class FakePrinter : public Printer {
 public:
  bool confirm = true;
  int pageWidth = 4800, pageHeight = 6600;
  std::vector<std::string> calls;
  Rect drawnAt;
  bool ExecutePrintDialog() override {
    calls.push_back("dialog");
    return confirm;
  }
  int PageWidth() override { return pageWidth; }
  int PageHeight() override { return pageHeight; }
  void BeginDoc() override { calls.push_back("begin"); }
  void StretchDraw(const Rect& r, const Picture&) override {
    calls.push_back("draw");
    drawnAt = r;
  }
  void EndDoc() override { calls.push_back("end"); }
};

class FakeMail : public MailProgram {
 public:
  std::vector<MailMessage> sent;
  int Send(const MailMessage& m) override {
    sent.push_back(m);
    return 0;
  }
};

class FakeBrowser : public WebBrowser {
 public:
  std::vector<std::string> opened;
  void OpenWebPage(const std::string& a) override { opened.push_back(a); }
};

class FakeQuestions : public QuestionBox {
 public:
  struct Asked {
    std::string text, caption, first, second;
  };
  std::vector<Asked> asked;
  std::deque<bool> answers;  // empty: the first answer
  bool Ask(const std::string& text, const std::string& caption, const std::string& first,
           const std::string& second) override {
    asked.push_back(Asked{text, caption, first, second});
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
};

// A fresh folder for the files of one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    // The process number keeps two runs of the same test (two checkouts' suites) apart.
    std::string name = "drollo_app_" + std::to_string(::getpid()) + "_" + info->test_suite_name() +
                       "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& file) const { return (path_ / file).string(); }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// The main window after its first showing, with every service faked.
class MainWindow : public testing::Test {
 protected:
  MainWindow() : form(Services()) { form.FormShow(); }

  PlatformServices Services() {
    PlatformServices s;
    s.OpenPictureDialog1 = &openDialog;
    s.SaveDialog1 = &saveDialog;
    s.Errors = &errors;
    s.Messages = &messages;
    s.ClipboardBitmaps = &clipboard;
    s.Printer1 = &printer;
    s.Mail = &mail;
    s.Browser = &browser;
    s.DataFolder = folder / "data";
    s.HelpPage = folder / "faq.html";
    return s;
  }

  // A change of the picture recorded as one history step, as an effect does it.
  void EditPicture(TColor colour) {
    form.State.WorkingPicture.setPixel(3, 4, colour);
    backup(form.State);
    form.SyncHistoryControls();
  }

  TempFolder folder;
  FakeOpenDialog openDialog;
  FakeSaveDialog saveDialog;
  FakeErrors errors;
  FakeMessages messages;
  FakeClipboard clipboard;
  FakePrinter printer;
  FakeMail mail;
  FakeBrowser browser;
  TForm1 form;
};

}  // namespace drollo::test
