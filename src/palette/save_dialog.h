// The picture save dialog, shared by the main window's save command and the outline page's save
// and export buttons. Its filter is formats::SaveDialogFilter(): JPEG (1), BMP (2), metafile (3)
// and PNG (4), each shown as its own pattern.
#pragma once

#include <optional>
#include <string>

namespace drollo {

class SaveDialog {
 public:
  struct Choice {
    std::string FileName;
    int FilterIndex = 1;  // the filter entry selected, from 1
  };
  virtual ~SaveDialog() = default;
  // The filter is pairs of shown text and pattern joined by "|". Nothing when the user cancels.
  virtual std::optional<Choice> Execute(const std::string& filter) = 0;
};

}  // namespace drollo
