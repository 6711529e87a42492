#include "platform/languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QThread>
#include <QTranslator>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

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

// The texts looked up so far under the installed translators, by context and source: the windows
// read every text back from their models after each event, and the lookup through the catalogues
// is the dearest part of that. Only the thread of the windows keeps and reads them (the translators
// are changed on it too); a change of translators forgets them, and so do too many texts.
constexpr std::size_t kMostShownTexts = 4096;

std::unordered_map<std::string, QString>& ShownTexts() {
  static std::unordered_map<std::string, QString> texts;
  return texts;
}

std::atomic<std::uint64_t> gLanguageChanges{1};

bool OnWindowsThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
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
  // Texts looked up while only some of the catalogues were in.
  ShownTexts().clear();
  ++gLanguageChanges;
  return complete;
}

void RemoveLanguage() {
  ShownTexts().clear();
  ++gLanguageChanges;
  Installed& now = Current();
  if (now.program) QCoreApplication::removeTranslator(now.program.get());
  if (now.qt) QCoreApplication::removeTranslator(now.qt.get());
  now = Installed();
}

Language CurrentLanguage() {
  return Current().language;
}

QString Shown(const char* context, std::string_view source) {
  // Half the texts read back are empty (controls without a hint): nothing to look up.
  if (source.empty()) return QString::fromUtf8("");
  if (!OnWindowsThread()) return QCoreApplication::translate(context, std::string(source).c_str());
  // The key is built in the same buffer every time, so a text already known costs no allocation.
  static std::string key;
  key.assign(context);
  key += '\0';
  key.append(source);
  auto& texts = ShownTexts();
  const auto known = texts.find(key);
  if (known != texts.end()) return known->second;
  if (texts.size() >= kMostShownTexts) texts.clear();
  const QString shown =
      QCoreApplication::translate(context, key.c_str() + std::strlen(context) + 1);
  texts.emplace(key, shown);
  return shown;
}

std::uint64_t LanguageChanges() {
  return gLanguageChanges.load();
}

const QString& ShownText::operator()(const char* context, std::string_view source) {
  const std::uint64_t now = LanguageChanges();
  if (changes_ != now || source_ != source) {
    shown_ = Shown(context, source);
    source_.assign(source);
    changes_ = now;
  }
  return shown_;
}

std::string QtTexts::Translate(std::string_view context, std::string_view source) const {
  const std::string c(context);
  return Shown(c.c_str(), source).toStdString();
}

}  // namespace drollo::platform
