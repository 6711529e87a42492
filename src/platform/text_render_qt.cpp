#include "platform/text_render_qt.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace drollo::platform {

namespace {

QColor ToColour(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

}  // namespace

QString InstalledFontFamily(const std::string& name) {
  if (name == "宋体" || name == "SimSun" || name == "NSimSun" || name == "新宋体")
    return QStringLiteral("Noto Serif CJK SC");
  return QString::fromStdString(name);
}

QFont ToQFont(const outline::TFont& font) {
  QFont q(InstalledFontFamily(font.Name));
  q.setPixelSize(std::max(1, font.Height));
  q.setBold(font.Bold);
  q.setItalic(font.Italic);
  q.setUnderline(font.Underline);
  q.setStrikeOut(font.StrikeOut);
  q.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
  q.setHintingPreference(QFont::PreferFullHinting);
  return q;
}

outline::TFont FromQFont(const QFont& q, TColor colour) {
  outline::TFont font;
  const QString family = q.family();
  font.Name = family == QStringLiteral("Noto Serif CJK SC") ? "宋体" : family.toStdString();
  font.Height = q.pixelSize() > 0 ? q.pixelSize() : QFontMetrics(q).height();
  font.Color = colour;
  font.Bold = q.bold();
  font.Italic = q.italic();
  font.Underline = q.underline();
  font.StrikeOut = q.strikeOut();
  return font;
}

Picture QtTextRenderer::RenderCaption(const std::string& text, const outline::TFont& font,
                                      TColor background) {
  if (text.empty()) return Picture(0, 0, PixelFormat::Bgra32());
  QString caption = QString::fromStdString(text);
  caption.remove(QLatin1Char('\r'));
  const QStringList lines = caption.split(QLatin1Char('\n'));
  const QFont qfont = ToQFont(font);
  const QFontMetrics metrics(qfont);
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  const int lineHeight = metrics.height();
  const int height = lineHeight * static_cast<int>(lines.size());
  Picture label(width, height, PixelFormat::Bgra32());
  if (label.empty()) return label;

  QImage image(width, height, QImage::Format_RGB32);
  image.fill(ToColour(background));
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(qfont);
    painter.setPen(ToColour(font.Color));
    for (int i = 0; i < lines.size(); ++i)
      painter.drawText(0, i * lineHeight + metrics.ascent(), lines[static_cast<qsizetype>(i)]);
  }
  for (int y = 0; y < height; ++y)
    std::memcpy(label.mutableRow(y), image.constScanLine(y), static_cast<std::size_t>(width) * 4);
  return label;
}

}  // namespace drollo::platform
