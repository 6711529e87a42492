#include "batch/pdf_printer.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <stdexcept>

#include "platform/qt_pictures.h"

namespace drollo::batch {

namespace {
constexpr int kDotsPerInch = 300;
}

PdfPrinter::PdfPrinter() = default;
PdfPrinter::~PdfPrinter() = default;

bool PdfPrinter::ExecutePrintDialog() {
  if (!PendingFile) return false;
  file_ = *PendingFile;
  PendingFile.reset();
  painter_.reset();
  writer_ = std::make_unique<QPdfWriter>(QString::fromStdString(file_));
  writer_->setResolution(kDotsPerInch);
  writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(6.35, 6.35, 6.35, 6.35), QPageLayout::Millimeter));
  writer_->setCreator("drollo-batch");
  return true;
}

int PdfPrinter::PageWidth() {
  return writer_ ? writer_->width() : 0;
}

int PdfPrinter::PageHeight() {
  return writer_ ? writer_->height() : 0;
}

void PdfPrinter::BeginDoc() {
  if (!writer_) throw std::runtime_error("No printer has been chosen.");
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(writer_.get())) {
    painter_.reset();
    writer_.reset();
    throw std::runtime_error("Cannot write the printer's file " + file_ + ".");
  }
}

void PdfPrinter::StretchDraw(const Rect& target, const Picture& picture) {
  if (!painter_) throw std::runtime_error("The printer's document has not begun.");
  painter_->drawImage(QRect(target.left, target.top, target.width(), target.height()),
                      platform::ToQImage(picture));
}

void PdfPrinter::EndDoc() {
  if (painter_) painter_->end();
  painter_.reset();
  writer_.reset();
}

}  // namespace drollo::batch
