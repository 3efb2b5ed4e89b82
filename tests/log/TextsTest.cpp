#include "log/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "platform/UserLanguage.h"
#include "support/ScopedEnv.h"
#include "support/ScopedLanguage.h"

namespace {

// The "{n}" marks of a text.
std::multiset<std::string> Insertions(std::string_view text) {
  std::multiset<std::string> marks;
  for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1))
    if (at + 2 < text.size() && text[at + 2] == '}') marks.emplace(text.substr(at, 3));
  return marks;
}

// Every text in both languages, with the same values put in; the English ones
// plain ASCII, which every ANSI code page holds as it is.
TEST(Texts, BothLanguagesHoldEveryTextWithTheSameInsertions) {
  const auto table = texts::Table();
  ASSERT_EQ(table.size(), static_cast<std::size_t>(texts::Id::NoWindow) + 1);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const texts::Row& row = table[i];
    SCOPED_TRACE(row.english);
    EXPECT_EQ(static_cast<std::size_t>(row.id), i);
    EXPECT_FALSE(row.japanese.empty());
    EXPECT_FALSE(row.english.empty());
    EXPECT_EQ(Insertions(row.japanese), Insertions(row.english));
    EXPECT_TRUE(std::all_of(row.english.begin(), row.english.end(), [](char c) { return c >= ' ' && c <= '~'; }));
    // A label its value follows is one in both.
    const bool label = row.japanese.ends_with("：") || row.japanese.ends_with(": ");
    EXPECT_EQ(label, row.english.ends_with(": "));
  }
  const testing_support::ScopedLanguage english(texts::Language::English);
  EXPECT_EQ(texts::Fill(texts::Id::SizeLine, {"1,572,864", "524,288"}), "1,572,864 KB  ( 524,288 KB left )");
  texts::Use(texts::Language::Japanese);
  EXPECT_EQ(texts::Fill(texts::Id::SizeLine, {"1,572,864", "524,288"}), "1,572,864 KB  ( 残り 524,288 KB )");
}

#ifndef _WIN32
// LC_ALL, else LC_MESSAGES, else LANG: the first one set and not empty.
TEST(UserLanguage, TheFirstLocaleVariableSetDecides) {
  struct Case {
    const char *all, *messages, *lang;
    bool japanese;
  };
  for (const Case& c : {Case{"ja_JP.UTF-8", "en_US.UTF-8", "en_US.UTF-8", true},
                        Case{"", "ja_JP.eucJP", "en_US.UTF-8", true}, Case{nullptr, nullptr, "ja", true},
                        Case{"C", "ja_JP.UTF-8", "ja_JP.UTF-8", false}, Case{nullptr, "", "de_DE.UTF-8", false},
                        Case{nullptr, nullptr, nullptr, false}, Case{"en_JP.UTF-8", nullptr, nullptr, false}}) {
    const auto value = [](const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; };
    const testing_support::ScopedEnv all("LC_ALL", value(c.all));
    const testing_support::ScopedEnv messages("LC_MESSAGES", value(c.messages));
    const testing_support::ScopedEnv lang("LANG", value(c.lang));
    EXPECT_EQ(platform::UserLanguageIsJapanese(), c.japanese)
        << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
  }
}
#endif

}  // namespace
