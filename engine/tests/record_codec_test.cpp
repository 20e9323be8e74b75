#include "format/record_codec.h"

#include <gtest/gtest.h>

#include "base/endian.h"

using namespace orvex;

namespace {

// short, text 20, double, bool, text 4
Schema Mixed() {
  Schema s;
  int types[] = {kTypeShort, kTypeText, kTypeDouble, kTypeBool, kTypeText};
  int sizes[] = {2, 20, 8, 1, 4};
  int off = 0;
  for (int i = 0; i < 5; ++i) {
    s.type[i] = types[i];
    s.size[i] = sizes[i];
    s.offset[i] = off;
    off += sizes[i];
  }
  s.fields = 5;
  s.recordLength = off;
  s.textFields = 2;
  s.trimmed = true;
  return s;
}

}  // namespace

TEST(RecordCodec, TextIsStoredWithoutItsPadding) {
  Schema s = Mixed();
  std::vector<uint8_t> rec(s.recordLength, 0);
  Store16(rec.data(), 7);
  std::memcpy(rec.data() + 2, "abc", 3);
  double d = 1.25;
  std::memcpy(rec.data() + 22, &d, 8);
  rec[30] = 1;
  std::memcpy(rec.data() + 31, "wxyz", 4);  // a full field: no NUL
  std::vector<uint8_t> block(MaxTrimmedSize(s));
  int n = TrimRecord(s, rec.data(), block.data());
  EXPECT_EQ(n, 2 + 2 + (2 + 3) + 8 + 1 + (2 + 4));
  EXPECT_EQ(n, TrimmedSize(s, rec.data()));
  EXPECT_EQ(Load16(block.data()), n);
  EXPECT_EQ(Load16(block.data() + 4), 3);
  EXPECT_EQ(std::memcmp(block.data() + 6, "abc", 3), 0);
  EXPECT_EQ(Load16(block.data() + 18), 4);

  std::vector<uint8_t> back(s.recordLength, 0xee);
  ASSERT_TRUE(RestoreRecord(s, block.data(), n, back.data()));
  EXPECT_EQ(back, rec);  // "abc" followed by 17 NUL bytes, as it was
}

TEST(RecordCodec, RestoreRefusesLengthsRunningPastTheBlockOrTheField) {
  Schema s = Mixed();
  std::vector<uint8_t> rec(s.recordLength, 0);
  std::vector<uint8_t> block(MaxTrimmedSize(s));
  int n = TrimRecord(s, rec.data(), block.data());
  std::vector<uint8_t> out(s.recordLength);
  EXPECT_FALSE(RestoreRecord(s, block.data(), n - 1, out.data()));
  Store16(block.data() + 4, 21);  // longer than the 20-byte field
  EXPECT_FALSE(RestoreRecord(s, block.data(), n, out.data()));
  Store16(block.data() + 4, -1);
  EXPECT_FALSE(RestoreRecord(s, block.data(), n, out.data()));
}

TEST(RecordCodec, WorstCaseSizeCountsTwoBytesPerText) {
  Schema s = Mixed();
  EXPECT_EQ(MaxTrimmedSize(s), s.recordLength + 2 + 4);
  std::vector<uint8_t> rec(s.recordLength, 'x');
  EXPECT_EQ(TrimmedSize(s, rec.data()), MaxTrimmedSize(s));
}
