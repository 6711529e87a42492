// The printer of drollo-batch: a PDF file in place of a printer, A4 portrait at 300 dots per
// inch with the usual printable margins. The print step names the file; the print dialog is
// confirmed only when a file is waiting, and a print command without one is cancelled.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/services.h"

class QPdfWriter;
class QPainter;

namespace drollo::batch {

class PdfPrinter : public Printer {
 public:
  PdfPrinter();
  ~PdfPrinter() override;

  // The file the next print dialog chooses.
  std::optional<std::string> PendingFile;

  bool ExecutePrintDialog() override;
  int PageWidth() override;
  int PageHeight() override;
  void BeginDoc() override;
  void StretchDraw(const Rect& target, const Picture& picture) override;
  void EndDoc() override;

 private:
  std::string file_;
  std::unique_ptr<QPdfWriter> writer_;
  std::unique_ptr<QPainter> painter_;
};

}  // namespace drollo::batch
