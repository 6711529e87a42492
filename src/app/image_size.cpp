#include "app/image_size.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "app/form1.h"
#include "image/pixel_math.h"

namespace drollo {

bool IsDigitString(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

namespace {

// The integer a text stands for, read as the toolkit reads a number field: optional blanks
// around, an optional sign, decimal digits, within the 32-bit range. Nothing otherwise.
std::optional<int> ParseInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t digits = i;
  std::int64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > std::int64_t{std::numeric_limits<int>::max()} + 1) return std::nullopt;
  }
  if (i == digits) return std::nullopt;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return std::nullopt;
  if (negative) v = -v;
  if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
    return std::nullopt;
  return static_cast<int>(v);
}

// Round(a x b / c) with the product exact; nothing when the result leaves the integer range.
std::optional<int> ScaledRound(int a, std::int64_t b, std::int64_t c) {
  const double v = static_cast<double>(std::int64_t{a} * b) / static_cast<double>(c);
  if (!(std::fabs(v) <= std::numeric_limits<int>::max())) return std::nullopt;
  return Round(v);
}

}  // namespace

TImage_Size::TImage_Size(TForm1& form) : form_(form) {
  CheckBox1.Caption = DROLLO_TEXT("TImage_Size", "保持宽和高");
  CheckBox1.Checked = true;
  SpeedButton2.Caption = "+";
  SpeedButton1.Caption = "-";
  Button1.Caption = DROLLO_TEXT("TImage_Size", "确定");
  Button2.Caption = DROLLO_TEXT("TImage_Size", "取消");
  SpeedButton1.OnClick = [this] { SpeedButton1Click(); };
  SpeedButton2.OnClick = [this] { SpeedButton2Click(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
}

void TImage_Size::FormShow() {
  Edit1.Text = std::to_string(form_.State.WorkingPicture.width());
  Edit2.Text = std::to_string(form_.State.WorkingPicture.height());
  Visible = true;
}

std::optional<int> TImage_Size::fieldValue(const Edit& field) {
  std::optional<int> v = ParseInteger(field.Text);
  if (!v)
    form_.ReportError(FormatText(
        form_.Texts().Translate("TImage_Size", "'%1' is not a valid integer value"), {field.Text}));
  return v;
}

void TImage_Size::Edit1KeyUp() {
  const Picture& p = form_.State.WorkingPicture;
  if (!CheckBox1.Checked || !IsDigitString(Edit1.Text) || p.width() == 0) return;
  const std::optional<int> w = fieldValue(Edit1);
  if (!w) return;
  if (const std::optional<int> h = ScaledRound(*w, p.height(), p.width()))
    Edit2.Text = std::to_string(*h);
}

void TImage_Size::Edit2KeyUp() {
  const Picture& p = form_.State.WorkingPicture;
  if (!CheckBox1.Checked || !IsDigitString(Edit2.Text) || p.height() == 0) return;
  const std::optional<int> h = fieldValue(Edit2);
  if (!h) return;
  if (const std::optional<int> w = ScaledRound(*h, p.width(), p.height()))
    Edit1.Text = std::to_string(*w);
}

void TImage_Size::scaleFields(int percent) {
  // Both fields are read before either is written, so a bad second field changes nothing.
  const std::optional<int> w = fieldValue(Edit1);
  if (!w) return;
  const std::optional<int> h = fieldValue(Edit2);
  if (!h) return;
  const std::optional<int> nw = ScaledRound(*w, percent, 100);
  const std::optional<int> nh = ScaledRound(*h, percent, 100);
  if (!nw || !nh) {
    reportError(DROLLO_TEXT("TImage_Size", "Integer overflow"));
    return;
  }
  Edit1.Text = std::to_string(*nw);
  Edit2.Text = std::to_string(*nh);
}

void TImage_Size::inform(const char* text) {
  const TextLookup& texts = form_.Texts();
  form_.ShowMessage(texts.Translate("TImage_Size", text),
                    texts.Translate("TImage_Size", "Information"));
}

void TImage_Size::reportError(const char* text) {
  form_.ReportError(form_.Texts().Translate("TImage_Size", text));
}

void TImage_Size::SpeedButton1Click() {
  scaleFields(80);
}
void TImage_Size::SpeedButton2Click() {
  scaleFields(125);
}

void TImage_Size::Button1Click() {
  if (form_.State.WorkingPicture.empty()) {
    inform(kNoPicture);
    return;
  }
  if (!IsDigitString(Edit1.Text) || !IsDigitString(Edit2.Text)) {
    inform(kInvalidInput);
    return;
  }
  const std::optional<int> w = fieldValue(Edit1);
  if (!w) return;
  const std::optional<int> h = fieldValue(Edit2);
  if (!h) return;
  const Picture& p = form_.State.WorkingPicture;
  const double widthRatio = static_cast<double>(*w) / p.width();
  const double heightRatio = static_cast<double>(*h) / p.height();
  // A ratio of 0 (a field of 0) is refused like any other invalid size.
  if (!(widthRatio > 0) || !(heightRatio > 0) || !std::isfinite(widthRatio) ||
      !std::isfinite(heightRatio)) {
    inform(kInvalidInput);
    return;
  }
  if (std::int64_t{*w} * *h > kMaxPicturePixels) {
    reportError(
        DROLLO_TEXT("TImage_Size", "The picture would be too large: more than 268435456 pixels."));
    return;
  }
  form_.ApplyPictureSize(*w, *h, widthRatio, heightRatio);
  Visible = false;
}

void TImage_Size::Button2Click() {
  Visible = false;
}

}  // namespace drollo
