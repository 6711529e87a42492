#include "platform/languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace drollo::platform {
namespace {

struct Installed {
  Language language = Language::Chinese;
  std::unique_ptr<QTranslator> program;
  std::unique_ptr<QTranslator> qt;
};

Installed& Current() {
  static Installed installed;
  return installed;
}

// Qt's catalogue for the language: "qt_" names the whole of Qt's texts, which loads its parts;
// "qtbase_" alone holds the dialogs and buttons of the widgets the program uses.
std::unique_ptr<QTranslator> QtCatalogue(const QString& locale) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  auto translator = std::make_unique<QTranslator>();
  for (const QString& name : {QString("qt_"), QString("qtbase_")})
    if (translator->load(name + locale, folder)) return translator;
  return nullptr;
}

}  // namespace

bool UseLanguage(Language language) {
  RemoveLanguage();
  Installed& now = Current();
  now.language = language;
  bool complete = true;
  if (language == Language::English) {
    auto program = std::make_unique<QTranslator>();
    if (program->load(":/i18n/drollo_en.qm")) {
      QCoreApplication::installTranslator(program.get());
      now.program = std::move(program);
    } else {
      complete = false;
    }
  }
  // Qt's own texts are English as written: the English catalogue only adds its plural forms.
  now.qt = QtCatalogue(language == Language::English ? "en" : "zh_CN");
  if (now.qt)
    QCoreApplication::installTranslator(now.qt.get());
  else if (language == Language::Chinese)
    complete = false;
  return complete;
}

void RemoveLanguage() {
  Installed& now = Current();
  if (now.program) QCoreApplication::removeTranslator(now.program.get());
  if (now.qt) QCoreApplication::removeTranslator(now.qt.get());
  now = Installed();
}

Language CurrentLanguage() {
  return Current().language;
}

QString Shown(const char* context, std::string_view source) {
  const std::string text(source);
  return QCoreApplication::translate(context, text.c_str());
}

std::string QtTexts::Translate(std::string_view context, std::string_view source) const {
  const std::string c(context);
  return Shown(c.c_str(), source).toStdString();
}

}  // namespace drollo::platform
