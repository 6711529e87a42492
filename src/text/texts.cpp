#include "text/texts.h"

namespace drollo {

std::string TextLookup::Translate(std::string_view context, std::string_view source) const {
  (void)context;
  return std::string(source);
}

const TextLookup& SourceTexts() {
  static const TextLookup texts;
  return texts;
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (n < args.size()) {
        out += *(args.begin() + n);
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

namespace {

// What a locale name decides: nothing for a language the program does not have.
enum class Decision { None, Chinese, English };

Decision Decide(std::string_view locale) {
  if (locale.empty()) return Decision::None;
  const std::string_view language = locale.substr(0, locale.find_first_of("_.@-"));
  if (language == "en") return Decision::English;
  if (language == "zh" || locale == "C" || locale == "POSIX" || locale.starts_with("C."))
    return Decision::Chinese;
  return Decision::None;
}

}  // namespace

Language LanguageOfLocale(std::string_view locale) {
  return Decide(locale) == Decision::English ? Language::English : Language::Chinese;
}

Language LanguageFromEnvironment(const std::function<const char*(const char*)>& variable) {
  auto value = [&](const char* name) {
    const char* v = variable(name);
    return std::string_view(v ? v : "");
  };
  std::string_view list = value("LANGUAGE");
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const Decision d = Decide(list.substr(0, colon));
    if (d != Decision::None) return d == Decision::English ? Language::English : Language::Chinese;
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string_view locale = value(name);
    if (!locale.empty()) return LanguageOfLocale(locale);
  }
  return Language::Chinese;
}

}  // namespace drollo
