// The interface language chosen from the environment, and the messages put together from a
// translated pattern.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>

#include "text/texts.h"

namespace drollo {
namespace {

struct Environment {
  std::map<std::string, std::string> variables;
  Language language;
};

// Shown as the variables, so each case's name says what it sets.
void PrintTo(const Environment& e, std::ostream* os) {
  for (const auto& [name, value] : e.variables) *os << name << "=" << value << " ";
  *os << (e.language == Language::English ? "English" : "Chinese");
}

class LanguageChoice : public testing::TestWithParam<Environment> {};

TEST_P(LanguageChoice, FollowsTheUsersLocale) {
  const auto& variables = GetParam().variables;
  const Language chosen = LanguageFromEnvironment([&](const char* name) -> const char* {
    const auto it = variables.find(name);
    return it == variables.end() ? nullptr : it->second.c_str();
  });
  EXPECT_EQ(chosen, GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LanguageChoice,
    testing::Values(
        // Nothing set, "C" and "POSIX": the program as written.
        Environment{{}, Language::Chinese}, Environment{{{"LANG", "C"}}, Language::Chinese},
        Environment{{{"LANG", "C.UTF-8"}}, Language::Chinese},
        Environment{{{"LC_ALL", "POSIX"}}, Language::Chinese},
        Environment{{{"LANG", "en_US.UTF-8"}}, Language::English},
        Environment{{{"LANG", "en_GB"}}, Language::English},
        Environment{{{"LANG", "en"}}, Language::English},
        Environment{{{"LANG", "zh_CN.UTF-8"}}, Language::Chinese},
        Environment{{{"LANG", "zh_TW.Big5"}}, Language::Chinese},
        // A language without a translation keeps the Chinese texts.
        Environment{{{"LANG", "de_DE.UTF-8"}}, Language::Chinese},
        // A name that only starts like English is not English.
        Environment{{{"LANG", "eng"}}, Language::Chinese},
        // LC_ALL before LC_MESSAGES before LANG; an empty one counts as unset.
        Environment{{{"LC_ALL", "en_US.UTF-8"}, {"LANG", "zh_CN.UTF-8"}}, Language::English},
        Environment{{{"LC_ALL", "zh_CN.UTF-8"}, {"LC_MESSAGES", "en_US"}}, Language::Chinese},
        Environment{{{"LC_MESSAGES", "en_US"}, {"LANG", "zh_CN.UTF-8"}}, Language::English},
        Environment{{{"LC_ALL", ""}, {"LANG", "en_US.UTF-8"}}, Language::English},
        // LANGUAGE comes first; its entries without a translation are passed over.
        Environment{{{"LANGUAGE", "en_GB:zh_CN"}, {"LANG", "zh_CN.UTF-8"}}, Language::English},
        Environment{{{"LANGUAGE", "zh_CN:en"}, {"LANG", "en_US.UTF-8"}}, Language::Chinese},
        Environment{{{"LANGUAGE", "fr:de:en"}, {"LANG", "zh_CN.UTF-8"}}, Language::English},
        Environment{{{"LANGUAGE", "fr"}, {"LANG", "en_US.UTF-8"}}, Language::English},
        Environment{{{"LANGUAGE", "fr:"}, {"LC_ALL", "de_DE"}}, Language::Chinese}));

TEST(FormatText, ReplacesNumberedPlacesOnceInAnyOrder) {
  EXPECT_EQ(FormatText("'%1' 不是有效的整型值", {"12x"}), "'12x' 不是有效的整型值");
  EXPECT_EQ(FormatText("%2 before %1", {"a", "b"}), "b before a");
  // An argument holding a place marker is not read again.
  EXPECT_EQ(FormatText("Input picture%1Error.%2", {"/tmp/%2.ico", "bad"}),
            "Input picture/tmp/%2.icoError.bad");
  // Places without an argument and other percent signs stay.
  EXPECT_EQ(FormatText("100% of %1, %3", {"x"}), "100% of x, %3");
  EXPECT_EQ(FormatText("ends with %", {}), "ends with %");
}

TEST(SourceTexts, ShowEveryTextAsWritten) {
  EXPECT_EQ(SourceTexts().Translate("TTools", "球形"), "球形");
  EXPECT_EQ(SourceTexts().Translate("TTools", ""), "");
}

}  // namespace
}  // namespace drollo
