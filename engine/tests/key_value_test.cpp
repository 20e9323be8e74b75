#include "keys/key_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "format/node.h"

using namespace orvex;

namespace {

KeyDef Single(int type, NodeKind kind, int length, int mode = 0, int start = 0, int fieldSize = 0) {
  KeyDef d;
  d.kind = kind;
  d.parts = 1;
  d.length = length;
  d.part[0].type = type;
  d.part[0].length = length;
  d.part[0].mode = mode;
  d.part[0].start = start;
  d.part[0].fieldSize = fieldSize ? fieldSize : length;
  SetNodeGeometry(&d);
  return d;
}

template <typename T>
int Cmp(const KeyDef& d, T a, T b) {
  uint8_t x[kKeyBufferSize] = {}, y[kKeyBufferSize] = {};
  std::memcpy(x, &a, sizeof a);
  std::memcpy(y, &b, sizeof b);
  return CompareKeys(d, x, y);
}

int CmpText(const KeyDef& d, const char* a, const char* b) {
  uint8_t x[kKeyBufferSize] = {}, y[kKeyBufferSize] = {};
  std::strncpy(reinterpret_cast<char*>(x), a, kMaxKeyLength);
  std::strncpy(reinterpret_cast<char*>(y), b, kMaxKeyLength);
  return CompareKeys(d, x, y);
}

}  // namespace

TEST(KeyCompare, IntegersAreSignedAndBoolsUnsigned) {
  EXPECT_EQ(Cmp<int32_t>(Single(kTypeInt, kNodeInt, 4), -5, 3), -1);
  EXPECT_EQ(Cmp<int16_t>(Single(kTypeShort, kNodeShort, 2), 300, -2), 1);
  EXPECT_EQ(Cmp<uint8_t>(Single(kTypeBool, kNodeBool, 1), 200, 1), 1);
  EXPECT_EQ(Cmp<int32_t>(Single(kTypeAutoInc, kNodeInt, 4), 7, 7), 0);
}

TEST(KeyCompare, NanComparesEqualToEverything) {
  KeyDef f = Single(kTypeFloat, kNodeFloat, 4);
  KeyDef d = Single(kTypeDouble, kNodeDouble, 8);
  EXPECT_EQ(Cmp<float>(f, NAN, 1.0f), 0);
  EXPECT_EQ(Cmp<float>(f, -1.0f, NAN), 0);
  EXPECT_EQ(Cmp<double>(d, NAN, -1e300), 0);
  EXPECT_EQ(Cmp<double>(d, 0.5, 0.25), 1);
  EXPECT_EQ(Cmp<double>(d, -0.0, 0.0), 0);
}

TEST(KeyCompare, TextByCompareMode) {
  KeyDef sensitive = Single(kTypeText, kNodeChar, 10, 1);
  KeyDef folded = Single(kTypeText, kNodeChar, 10, 2);
  EXPECT_EQ(CmpText(sensitive, "ABC", "abc"), -1);
  EXPECT_EQ(CmpText(folded, "ABC", "abc"), 0);
  EXPECT_EQ(CmpText(folded, "abd", "ABC"), 1);
  EXPECT_EQ(CmpText(sensitive, "ab", "abc"), -1);
  // Bytes above 127 are unsigned.
  EXPECT_EQ(CmpText(sensitive, "\xc3", "z"), 1);
}

// Text keys of both modes against a byte-by-byte definition: texts with
// long common prefixes, a NUL early or late (bytes after it never count),
// bytes above 127, every length up to 40.
TEST(KeyCompare, TextMatchesTheByteByByteOrder) {
  auto reference = [](const uint8_t* a, const uint8_t* b, int n, int mode) {
    for (int i = 0; i < n; ++i) {
      int x = a[i], y = b[i];
      if (mode == 2) {
        x = (x >= 'A' && x <= 'Z') ? x + 32 : x;
        y = (y >= 'A' && y <= 'Z') ? y + 32 : y;
      }
      if (x != y) return x < y ? -1 : 1;
      if (x == 0) return 0;
    }
    return 0;
  };
  std::mt19937 rng(77);
  const uint8_t alphabet[] = {0, 'a', 'A', 'b', 'B', 'z', 0x7f, 0x80, 0xc3, 0xff};
  uint8_t a[48], b[48];
  for (int round = 0; round < 200000; ++round) {
    const int n = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) a[i] = rng() % 30 == 0 ? 0 : alphabet[1 + rng() % 9];
    std::memcpy(b, a, sizeof a);
    // b differs from a at one or two places past a common prefix, or not.
    for (int changes = static_cast<int>(rng() % 3); changes > 0; --changes)
      b[rng() % static_cast<unsigned>(n)] = alphabet[rng() % 10];
    for (int mode : {1, 2}) {
      ASSERT_EQ(CompareText(a, b, n, mode), reference(a, b, n, mode)) << "round " << round << " mode " << mode;
      ASSERT_EQ(CompareText(b, a, n, mode), reference(b, a, n, mode)) << "round " << round << " mode " << mode;
    }
  }
}

TEST(KeyForm, TextSliceTakesLengthBytesFromTheStart) {
  KeyDef d = Single(kTypeText, kNodeChar, 4, 1, 2, 10);
  d.part[0].offset = 1;
  uint8_t rec[11] = {9, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'};
  uint8_t v[kKeyBufferSize];
  FormKey(d, rec, v);
  EXPECT_STREQ(reinterpret_cast<char*>(v), "cdef");
  // Two texts that differ only after the slice compare equal.
  uint8_t rec2[11] = {9, 'a', 'b', 'c', 'd', 'e', 'f', 'X', 'Y', 'Z', 'Q'};
  uint8_t w[kKeyBufferSize];
  FormKey(d, rec2, w);
  EXPECT_EQ(CompareKeys(d, v, w), 0);
}

TEST(KeyForm, SliceRunningPastItsFieldTakesZeroBytes) {
  // Field of 6 bytes at offset 0, slice start 4, length 8: only 2 bytes exist.
  KeyDef d = Single(kTypeText, kNodeChar, 8, 1, 4, 6);
  uint8_t rec[12] = {'a', 'b', 'c', 'd', 'e', 'f', 'N', 'E', 'X', 'T', '!', '!'};
  uint8_t v[kKeyBufferSize];
  FormKey(d, rec, v);
  EXPECT_STREQ(reinterpret_cast<char*>(v), "ef");
  for (int i = 2; i < kKeyBufferSize; ++i) EXPECT_EQ(v[i], 0) << i;
}

TEST(KeyForm, MultiFieldValuesComparePartByPart) {
  KeyDef d;
  d.kind = kNodeChar;
  d.multi = true;
  d.parts = 2;
  d.part[0] = KeyPart{1, kTypeText, 4, 6, 0, 3, 2, 0};
  d.part[1] = KeyPart{0, kTypeInt, 0, 4, 0, 4, 0, 3};
  d.length = 7;
  SetNodeGeometry(&d);
  auto make = [&](const char* text, int32_t n, uint8_t* out) {
    uint8_t rec[10] = {};
    std::memcpy(rec, &n, 4);
    std::memcpy(rec + 4, text, std::strlen(text));
    FormKey(d, rec, out);
  };
  uint8_t a[kKeyBufferSize], b[kKeyBufferSize], c[kKeyBufferSize];
  make("abc", 5, a);
  make("ABC", -1, b);
  make("abd", -100, c);
  EXPECT_EQ(CompareKeys(d, a, b), 1);   // text equal (folded), 5 > -1
  EXPECT_EQ(CompareKeys(d, a, c), -1);  // the text part decides first
  int32_t n;
  std::memcpy(&n, a + 3, 4);
  EXPECT_EQ(n, 5);
}

TEST(KeyForm, SeekValueOfATextKeyTellsATooLongText) {
  KeyDef d = Single(kTypeText, kNodeChar, 8, 1);
  uint8_t v[kKeyBufferSize];
  bool tooLong;
  FormSeekValue(d, "12345678", v, &tooLong);
  EXPECT_FALSE(tooLong);
  FormSeekValue(d, "123456789", v, &tooLong);
  EXPECT_TRUE(tooLong);
  EXPECT_STREQ(reinterpret_cast<char*>(v), "12345678");
}
