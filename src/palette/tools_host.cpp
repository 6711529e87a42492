#include "palette/tools_host.h"

namespace drollo {

void TToolsHostRelay::setsigncursor() {
  if (target_) target_->setsigncursor();
}
void TToolsHostRelay::SetImage1Hint(const std::string& hint) {
  if (target_) target_->SetImage1Hint(hint);
}
void TToolsHostRelay::SetImage1Cursor(WorkAreaCursor cursor) {
  if (target_) target_->SetImage1Cursor(cursor);
}
void TToolsHostRelay::SetImage2Visible(bool visible) {
  if (target_) target_->SetImage2Visible(visible);
}
void TToolsHostRelay::SetImage2Cursor(WorkAreaCursor cursor) {
  if (target_) target_->SetImage2Cursor(cursor);
}
void TToolsHostRelay::SetWorkAreaCaption(const std::string& caption) {
  if (target_) target_->SetWorkAreaCaption(caption);
}
void TToolsHostRelay::Image2showto() {
  if (target_) target_->Image2showto();
}
void TToolsHostRelay::MessageBox(const std::string& text, const std::string& caption) {
  if (target_) target_->MessageBox(text, caption);
}
void TToolsHostRelay::ShowError(const std::string& message) {
  if (target_) target_->ShowError(message);
}
bool TToolsHostRelay::ExecuteColorDialog(TColor& colour) {
  return target_ && target_->ExecuteColorDialog(colour);
}
void TToolsHostRelay::SetMemo1FontColor(TColor colour) {
  if (target_) target_->SetMemo1FontColor(colour);
}
void TToolsHostRelay::SetOutlinePenColor(TColor colour) {
  if (target_) target_->SetOutlinePenColor(colour);
}
void TToolsHostRelay::SetOutlinePenWidth(int width) {
  if (target_) target_->SetOutlinePenWidth(width);
}
void TToolsHostRelay::SetWorkAreaPenColor(TColor colour) {
  if (target_) target_->SetWorkAreaPenColor(colour);
}
void TToolsHostRelay::SetWorkAreaPenWidth(int width) {
  if (target_) target_->SetWorkAreaPenWidth(width);
}

}  // namespace drollo
