// The picture-size dialog "图片尺寸" as a model without a screen: two fields for the new width
// and height, a check box that keeps their ratio while typing, "+" and "-" that scale both, and
// "确定" that resamples the working picture.
#pragma once

#include <optional>
#include <string>

#include "palette/controls.h"
#include "text/texts.h"

namespace drollo {

class TForm1;

// True when the text is one or more of the characters 0 to 9 and nothing else.
bool IsDigitString(const std::string& text);

class TImage_Size {
 public:
  explicit TImage_Size(TForm1& form);
  TImage_Size(const TImage_Size&) = delete;
  TImage_Size& operator=(const TImage_Size&) = delete;

  std::string Caption = DROLLO_TEXT("TImage_Size", "图片尺寸");
  bool Visible = false;  // created hidden; shown, not modally, by "图片尺寸" or Ctrl+E

  Edit Edit1;                // width, "宽度:" ... "像素"
  Edit Edit2;                // height, "高度:" ... "像素"
  CheckBox CheckBox1;        // "保持宽和高", checked
  SpeedButton SpeedButton2;  // "+"
  SpeedButton SpeedButton1;  // "-"
  Button Button1;            // "确定"
  Button Button2;            // "取消"

  // Shows the dialog with the working picture's width and height in the fields.
  void FormShow();
  // After a key is released in a field: with the ratio kept, the other field follows.
  void Edit1KeyUp();
  void Edit2KeyUp();
  void SpeedButton1Click();  // "-": both fields x 0.8
  void SpeedButton2Click();  // "+": both fields x 1.25
  void Button1Click();       // apply
  void Button2Click();       // close without change

  inline static const char* const kInvalidInput =
      DROLLO_TEXT("TImage_Size", "Please input a valid integer value.");
  // Applying the dialog to an empty picture: there is no ratio to keep and nothing to resample.
  inline static const char* const kNoPicture =
      DROLLO_TEXT("TImage_Size", "There is no picture to resize.");

 private:
  // The field's number; reports the conversion error and gives nothing for text that is not an
  // integer or lies beyond the integer range.
  std::optional<int> fieldValue(const Edit& field);
  void scaleFields(int percent);
  // The message box "Information" with `text`, and the error report, in the interface's language.
  void inform(const char* text);
  void reportError(const char* text);

  TForm1& form_;
};

}  // namespace drollo
