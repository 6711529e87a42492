// A palette host that records every call out of the palette, in order, as readable lines.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "palette/tools_host.h"

namespace drollo::test {

class FakeToolsHost : public TToolsHost {
 public:
  std::vector<std::string> calls;
  std::optional<TColor> dialogAnswer;  // empty: the user cancels
  std::vector<TColor> dialogPresets;

  void setsigncursor() override { calls.push_back("setsigncursor"); }
  void SetImage1Hint(const std::string& hint) override { calls.push_back("hint " + hint); }
  void SetImage1Cursor(WorkAreaCursor c) override { calls.push_back("image1 cursor " + Name(c)); }
  void SetImage2Visible(bool visible) override {
    calls.push_back(visible ? "image2 shown" : "image2 hidden");
  }
  void SetImage2Cursor(WorkAreaCursor c) override { calls.push_back("image2 cursor " + Name(c)); }
  void SetWorkAreaCaption(const std::string& caption) override {
    calls.push_back("caption " + caption);
  }
  void Image2showto() override { calls.push_back("Image2showto" + layerNote()); }
  // Said after "Image2showto", e.g. the page the notebook reports while the layer is shown.
  std::function<std::string()> layerNote = [] { return std::string(); };
  void MessageBox(const std::string& text, const std::string& caption) override {
    calls.push_back("message " + text + " / " + caption);
  }
  void ShowError(const std::string& message) override { calls.push_back("error " + message); }
  bool ExecuteColorDialog(TColor& colour) override {
    dialogPresets.push_back(colour);
    if (!dialogAnswer) return false;
    colour = *dialogAnswer;
    return true;
  }
  void SetMemo1FontColor(TColor c) override { calls.push_back("memo colour " + std::to_string(c)); }
  void SetOutlinePenColor(TColor c) override {
    calls.push_back("outline pen colour " + std::to_string(c));
  }
  void SetOutlinePenWidth(int w) override {
    calls.push_back("outline pen width " + std::to_string(w));
  }
  void SetWorkAreaPenColor(TColor c) override {
    calls.push_back("window pen colour " + std::to_string(c));
  }
  void SetWorkAreaPenWidth(int w) override {
    calls.push_back("window pen width " + std::to_string(w));
  }

 private:
  static std::string Name(WorkAreaCursor c) {
    return c == WorkAreaCursor::Cross ? "cross" : "arrow";
  }
};

}  // namespace drollo::test
