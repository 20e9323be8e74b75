#include "keys/pattern.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

using orvex::MatchPattern;

namespace {

bool Like(const std::string& text, const std::string& pattern) {
  return MatchPattern(text.c_str(), pattern.c_str(), false);
}

// The definition itself, by backtracking: the oracle for the random cases.
bool Reference(const char* t, const char* p, bool fold) {
  auto f = [fold](char c) { return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (*p == '\0') return *t == '\0';
  if (*p == '%') return Reference(t, p + 1, fold) || (*t != '\0' && Reference(t + 1, p, fold));
  if (*t == '\0') return false;
  if (*p != '_' && f(*p) != f(*t)) return false;
  return Reference(t + 1, p + 1, fold);
}

}  // namespace

TEST(Pattern, WildcardsWithCaseFolding) {
  EXPECT_TRUE(Like("abc", "a%c"));
  EXPECT_TRUE(Like("ac", "a%c"));
  EXPECT_TRUE(Like("abc", "a_c"));
  EXPECT_FALSE(Like("ac", "a_c"));
  EXPECT_TRUE(Like("abc", "%b%"));
  EXPECT_FALSE(Like("ac", "%b%"));
  EXPECT_TRUE(Like("", "%"));
  EXPECT_TRUE(Like("anything at all", "%"));
  EXPECT_TRUE(Like("", ""));
  EXPECT_FALSE(Like("a", ""));
  EXPECT_TRUE(Like("abc", "abc%"));
  EXPECT_TRUE(Like("abc", "%c"));
  EXPECT_FALSE(Like("ab", "%c"));
  EXPECT_FALSE(Like("abcd", "abc"));
  EXPECT_FALSE(Like("ab", "abc"));
  EXPECT_TRUE(Like("ab", "a_"));
  EXPECT_FALSE(Like("a", "a_"));
  EXPECT_TRUE(Like("ABC", "a%%%c"));
  EXPECT_TRUE(Like("xaybzc", "%a%b%c"));
  EXPECT_FALSE(Like("xaybz", "%a%b%c"));
  // The last segment is matched at the end even when it also occurs earlier.
  EXPECT_TRUE(Like("abcabc", "%abc"));
  EXPECT_FALSE(Like("abcab", "%abc"));
  // "%" and "_" in the text are ordinary characters.
  EXPECT_TRUE(Like("50%", "50_"));
  EXPECT_TRUE(Like("a_b", "a_b"));
}

TEST(Pattern, CaseSensitiveAndFoldingOfAsciiLettersOnly) {
  EXPECT_FALSE(MatchPattern("abc", "ABC", true));
  EXPECT_TRUE(MatchPattern("ABC", "ABC", true));
  EXPECT_TRUE(MatchPattern("abc", "ABC", false));
  EXPECT_TRUE(MatchPattern("aBc", "%b%", false));
  EXPECT_FALSE(MatchPattern("aBc", "%b%", true));
  // Bytes outside A..Z are never folded: É (C3 89) and é (C3 A9) differ, and
  // "[" (the byte after Z) is not "{".
  EXPECT_FALSE(MatchPattern("caf\xC3\x89", "caf\xC3\xA9", false));
  EXPECT_FALSE(MatchPattern("[", "{", false));
  EXPECT_FALSE(MatchPattern("@", "`", false));
}

TEST(Pattern, NullNeverMatches) {
  EXPECT_FALSE(MatchPattern(nullptr, "%", false));
  EXPECT_FALSE(MatchPattern("a", nullptr, false));
}

TEST(Pattern, MiddleSegmentWithWildcardsIsFoundWhereverItOccurs) {
  // A failure table that treats "_" as matching its own border misses these.
  EXPECT_TRUE(Like("bbbbbabb", "%b__a%"));
  EXPECT_TRUE(Like("bbbab", "%b_ab%"));
  EXPECT_TRUE(Like("abbabbab", "%_b_b%"));
  EXPECT_TRUE(Like("xaaab-y", "%aab%y"));
}

TEST(Pattern, LongPatternsAndTexts) {
  std::string text(5000, 'a');
  text += "needle";
  text += std::string(3000, 'b');
  EXPECT_TRUE(Like(text, "%needle%"));
  EXPECT_FALSE(Like(text, "%needlf%"));
  std::string segment(400, 'a');
  EXPECT_TRUE(Like(text, "%" + segment + "needle%"));
  EXPECT_FALSE(Like(text, "%" + segment + "b%needle%"));
}

TEST(Pattern, AgreesWithTheDefinitionOnRandomCases) {
  std::mt19937 rng(17);
  const std::string textChars = "abAB%_";
  const std::string patternChars = "abAB%_%";
  int matches = 0;
  for (int n = 0; n < 100000; ++n) {
    std::string t, p;
    for (int i = static_cast<int>(rng() % 10); i > 0; --i) t += textChars[rng() % 4 + (rng() % 8 == 0 ? 2 : 0)];
    for (int i = static_cast<int>(rng() % 7); i > 0; --i) p += patternChars[rng() % patternChars.size()];
    const bool fold = rng() % 2;
    const bool got = MatchPattern(t.c_str(), p.c_str(), !fold);
    ASSERT_EQ(got, Reference(t.c_str(), p.c_str(), fold)) << "text '" << t << "' pattern '" << p << "'";
    matches += got;
  }
  EXPECT_GT(matches, 5000);
}
