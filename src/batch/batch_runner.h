// drollo-batch's run: reads the command line, starts the program and runs the steps in order,
// reporting to the given streams. Exit status 0 when every step succeeded, 2 when the command
// line does not parse (nothing runs) or a step fails (the run stops there and nothing more is
// written).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace drollo::batch {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 2;

class BatchRunner {
 public:
  BatchRunner(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  // A progress line on `err` before each step (for a terminal: it is rewritten in place).
  bool ProgressLine = false;

  // `args` without the program's name. A QGuiApplication must exist.
  int Run(const std::vector<std::string>& args);

 private:
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace drollo::batch
