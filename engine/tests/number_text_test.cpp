// Number conversions: the same answers as the C library gives in the "C"
// locale, also while the process runs under a locale with a decimal comma.
#include "base/number_text.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex;

namespace {

const char* const kTexts[] = {
    "0", "12abc", "", "   42", "\t-17x", "+5", "-", "+", "abc", " - 3", "2147483648", "-2147483649",
    "99999999999999999999999", "-99999999999999999999999", "9223372036854775807", "-9223372036854775808",
    "3.25", "-0.5e3", ".5", "5.", "1e", "1e+", "1e-2x", "0x1p3", "0x1.8p1", "0X.8", "0x", "0xg", "inf",
    "-Infinity", "nan", "NaN(123)", "1e400", "-1e400", "1e-400", "0.000000000000000000000000000000000000001e-300",
    "123456789012345678901234567890e300", "4.9406564584124654e-324", "1.7976931348623157e308", "0.1", "  +.7e-1",
    "1,5", "3.25,7", "00012", "-0", "1e99999999999999"};

std::string WithLocale() {
  // A locale whose decimal separator is a comma, built for this test (the
  // system may have none installed). Empty when it cannot be built.
  static std::string dir;
  if (!dir.empty()) return dir;
  char tmpl[] = "/tmp/orvex_locale_XXXXXX";
  if (!mkdtemp(tmpl)) return "";
  std::string cmd = std::string("localedef -i de_DE -f UTF-8 ") + tmpl + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return "";
  dir = tmpl;
  return dir;
}

}  // namespace

TEST(NumberText, ReadsAsTheCLibraryInTheCLocale) {
  for (const char* t : kTexts) {
    EXPECT_EQ(ParseInteger(t), std::strtoll(t, nullptr, 10)) << t;
    const double want = std::strtod(t, nullptr);
    const double got = ParseDouble(t);
    if (std::isnan(want)) {
      EXPECT_TRUE(std::isnan(got)) << t;
    } else {
      EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << t << ": " << got << " vs " << want;
    }
  }
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    double v;
    uint64_t bits = (uint64_t{rng()} << 32) | rng();
    std::memcpy(&v, &bits, sizeof v);
    if (std::isnan(v)) continue;
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    ASSERT_EQ(ParseDouble(text), std::strtod(text, nullptr)) << text;
    // The shortest forms read back to the same bits.
    ASSERT_EQ(ParseDouble(FormatShortest(v).c_str()), v) << FormatShortest(v);
    const float f = static_cast<float>(v);
    if (std::isfinite(f)) ASSERT_EQ(static_cast<float>(ParseDouble(FormatShortest(f).c_str())), f);
    for (int decimals : {6, 14}) {
      char want[512];
      std::snprintf(want, sizeof want, "%.*f", decimals, v);
      ASSERT_EQ(FormatFixed(v, decimals), want);
    }
  }
  EXPECT_EQ(FormatShortest(0.0000001f), "1e-07");
  EXPECT_EQ(FormatFixed(1.5, 14), "1.50000000000000");
}

TEST(NumberText, FieldTextsIgnoreADecimalCommaLocale) {
  const std::string dir = WithLocale();
  if (dir.empty()) GTEST_SKIP() << "localedef could not build de_DE.UTF-8";
  setenv("LOCPATH", dir.c_str(), 1);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 3.25);
  ASSERT_STREQ(probe, "3,2");  // the locale is in force for the C library
  orvex_test::TempDir tmp;
  COrvex db;
  ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
  ASSERT_TRUE(db.CreateField("f", ORVEX_FLOAT, 0));
  ASSERT_TRUE(db.CreateField("i", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("d", 1, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(tmp.File("l.db").c_str(), ""));
  ASSERT_TRUE(db.SetFieldStr("3.25", 0));
  ASSERT_TRUE(db.SetFieldStr("-0.5", 1));
  ASSERT_TRUE(db.SetFieldStr(" 12.9", 2));
  ASSERT_TRUE(db.Insert());
  ASSERT_TRUE(db.GetFirst(0));
  double d;
  float f;
  ASSERT_TRUE(db.GetField(&d, 0));
  ASSERT_TRUE(db.GetField(&f, 1));
  EXPECT_EQ(d, 3.25);
  EXPECT_EQ(f, -0.5f);
  EXPECT_STREQ(db.GetFieldStr(0), "3.25000000000000");
  EXPECT_STREQ(db.GetFieldStr(1), "-0.500000");
  EXPECT_STREQ(db.GetFieldStr(2), "12");
  // A comma is where the number ends, as in the file's own texts.
  ASSERT_TRUE(db.SetFieldStr("3,25", 0));
  ASSERT_TRUE(db.Insert());
  ASSERT_TRUE(db.GetLast(0));
  EXPECT_STREQ(db.GetFieldStr(0), "3.25000000000000");
  ASSERT_TRUE(db.GetFirst(0));
  EXPECT_STREQ(db.GetFieldStr(0), "3.00000000000000");
  std::setlocale(LC_ALL, "C");
  std::filesystem::remove_all(dir);
}
