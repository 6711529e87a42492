// Shared set-up of drollo-batch's tests: a Qt application on the offscreen platform (the layer's
// painter and the text need one), a fresh folder per test, and runs of the steps in this process
// or of the built program.
#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch_runner.h"

namespace drollo::batch::test {

struct RunResult {
  int Code = -1;
  std::string Out;
  std::string Err;
};

// Starts the Qt application of the tests on the offscreen platform, once per process.
void EnsureGuiApplication();

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class BatchTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = std::filesystem::temp_directory_path() / ("drollo-batch-" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    if (!HasFailure()) std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // The steps run by the runner in this process.
  RunResult Run(const std::vector<std::string>& args) {
    EnsureGuiApplication();
    std::ostringstream out, err;
    BatchRunner runner(out, err);
    RunResult r;
    r.Code = runner.Run(args);
    r.Out = out.str();
    r.Err = err.str();
    return r;
  }

  // The steps run by the built program, in the locale `locale` (the program's own texts by
  // default, whatever the locale the tests run in).
  RunResult RunProgram(const std::vector<std::string>& args,
                       const std::string& locale = "C.UTF-8") {
    std::string command =
        "QT_QPA_PLATFORM=offscreen LANGUAGE= LC_ALL='" + locale + "' '" + DROLLO_BATCH_PROGRAM "'";
    for (const std::string& a : args) {
      std::string quoted = "'";
      for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
      command += " " + quoted + "'";
    }
    command += " > '" + Path("stdout.txt") + "' 2> '" + Path("stderr.txt") + "'";
    RunResult r;
    const int status = std::system(command.c_str());
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Out = ReadFile(Path("stdout.txt"));
    r.Err = ReadFile(Path("stderr.txt"));
    return r;
  }

  std::filesystem::path dir_;
};

}  // namespace drollo::batch::test
