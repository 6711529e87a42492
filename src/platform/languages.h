// The interface's language on the desktop. The program's texts are written in Chinese; for
// English the compiled translation of translations/drollo_en.ts (built into the program) is
// installed on the application, and Qt's own translations (Debian's qt6-translations-l10n) make its
// dialogs and standard buttons speak the same language as the rest: Chinese with the Chinese
// interface, English with the English one. Every text reaches the screen through
// QCoreApplication::translate, with the name of the window that shows it as the context.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/texts.h"

namespace drollo::platform {

// Installs the translators for `language` on the application, in place of those installed
// before. False when a translation could not be loaded (the texts concerned stay as written, in
// Chinese for the program's own and in English for Qt's).
bool UseLanguage(Language language);
// Removes the translators UseLanguage installed: every text shows as written.
void RemoveLanguage();
// The language UseLanguage installed last; Chinese before any and after RemoveLanguage.
Language CurrentLanguage();

// A model's text as the window `context` shows it, in the interface's language.
QString Shown(const char* context, std::string_view source);

// How many times the translators changed; 1 before the first change.
std::uint64_t LanguageChanges();

// One place's text as shown, looked up again only when its source or the language changed: for
// the texts the windows read back after every event. A place keeps one context.
class ShownText {
 public:
  const QString& operator()(const char* context, std::string_view source);

 private:
  std::uint64_t changes_ = 0;
  std::string source_;
  QString shown_;
};

// The models' lookup: the application's translators.
class QtTexts : public TextLookup {
 public:
  std::string Translate(std::string_view context, std::string_view source) const override;
};

}  // namespace drollo::platform
