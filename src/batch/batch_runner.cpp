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
  for (const Step& step : line->Steps) {
    if (session.Ended()) {
      err_ << "drollo-batch: the program has ended; step " << step.Number
           << " and after are not run\n";
      break;
    }
    if (ProgressLine)
      err_ << "\r\033[K[" << step.Number << "/" << count << "] " << step.Source << std::flush;
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
