// The language of the texts the program shows. Every text is written in the program in Chinese,
// the interface's default language, and that written text is the key of its translations: a
// window model keeps the Chinese text in its controls, and the text is looked up where it reaches
// the screen (or, for a message put together from parts, where the message is composed). The
// desktop's lookup reads the program's compiled translations; without one every text shows as
// written.
#pragma once

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text for the translators without changing it: the translation tools collect `text`
// under `context`, the name of the window that shows it.
#define DROLLO_TEXT(context, text) text

namespace drollo {

class TextLookup {
 public:
  virtual ~TextLookup() = default;
  // `source` in the interface's language; `source` itself when there is no translation of it.
  // `context` names the window that shows the text (the context it was marked with).
  virtual std::string Translate(std::string_view context, std::string_view source) const;
};

// The lookup that shows every text as written: the Chinese interface.
const TextLookup& SourceTexts();

// `pattern` with %1 to %9 replaced by the arguments, in one pass, so an argument holding "%2"
// stays as it is. A number without an argument, and any other "%", are kept.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

// The interface languages: Chinese, as written, and the English translation.
enum class Language { Chinese, English };

// The language for a locale name ("en_GB.UTF-8", "zh_CN", "C"): English for every English
// locale, Chinese for every other one.
Language LanguageOfLocale(std::string_view locale);

// The interface language the user's environment asks for, in the order the desktop's programs
// read it: a LANGUAGE list first, whose first entry in a language the program has decides (other
// languages are passed over), then the first of LC_ALL, LC_MESSAGES and LANG that is set. Chinese
// when nothing decides.
Language LanguageFromEnvironment(const std::function<const char*(const char*)>& variable =
                                     [](const char* name) { return std::getenv(name); });

}  // namespace drollo
