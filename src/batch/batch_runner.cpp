#include "batch/batch_runner.h"

#include <optional>

#include "batch/session.h"
#include "batch/steps.h"

namespace drollo::batch {

int BatchRunner::Run(const std::vector<std::string>& args) {
  std::string error;
  const std::optional<CommandLine> line = ParseCommandLine(args, error);
  if (!line) {
    err_ << "drollo-batch: " << error << "\n";
    return kExitFailed;
  }
  if (line->Help) {
    out_ << HelpText();
    return kExitOk;
  }

  Session session(err_);
  const std::size_t count = line->Steps.size();
  std::string progressHead;
  int lastPercent = -1;
  if (ProgressLine)
    session.Progress = [&](int position, int max) {
      const int percent = max > 0 ? position * 100 / max : 0;
      if (percent == lastPercent) return;
      lastPercent = percent;
      err_ << "\r\033[K" << progressHead << " " << percent << "%" << std::flush;
    };
  for (const Step& step : line->Steps) {
    if (session.Ended()) {
      err_ << "drollo-batch: the program has ended; step " << step.Number
           << " and after are not run\n";
      break;
    }
    if (ProgressLine) {
      progressHead =
          "[" + std::to_string(step.Number) + "/" + std::to_string(count) + "] " + step.Source;
      lastPercent = -1;
      err_ << "\r\033[K" << progressHead << std::flush;
    }
    const bool ok = session.Run(step, error);
    if (ProgressLine) err_ << "\r\033[K" << std::flush;
    if (!ok) {
      err_ << "drollo-batch: step " << step.Number << " (" << step.Source << ") failed: " << error
           << "\n";
      return kExitFailed;
    }
  }
  if (line->PrintState) out_ << session.StateJson();
  return kExitOk;
}

}  // namespace drollo::batch
