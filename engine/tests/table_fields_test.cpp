// Field accessors and their text forms.
#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex_test;

namespace {

class Fields : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.CreateField("s", ORVEX_SHORT, 0));
    ASSERT_TRUE(db.CreateField("i", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("f", ORVEX_FLOAT, 0));
    ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 8));
    ASSERT_TRUE(db.CreateField("b", ORVEX_BOOL, 0));
    ASSERT_TRUE(db.CreateField("c", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db.CreateField("a", ORVEX_AUTOINC, 0));
    ASSERT_TRUE(db.CreateKey("i", 1, 1, 0, 0, 0));
    ASSERT_TRUE(db.CreateDB(dir.File("f.db").c_str(), ""));
  }
  void Store(const char* s, const char* i, const char* f, const char* d, const char* t, const char* b) {
    ASSERT_TRUE(db.SetFieldStr(s, 0));
    ASSERT_TRUE(db.SetFieldStr(i, 1));
    ASSERT_TRUE(db.SetFieldStr(f, 2));
    ASSERT_TRUE(db.SetFieldStr(d, 3));
    ASSERT_TRUE(db.SetFieldStr(t, "T"));
    ASSERT_TRUE(db.SetFieldStr(b, 5));
    ASSERT_TRUE(db.Insert());
    ASSERT_TRUE(db.GetLast(1));
  }
  TempDir dir;
  COrvex db;
};

}  // namespace

TEST_F(Fields, TextFormsOfEachType) {
  Store("-3", "12", "1.5", "1.5", "hello", "1");
  EXPECT_STREQ(db.GetFieldStr(0), "-3");
  EXPECT_STREQ(db.GetFieldStr(1), "12");
  EXPECT_STREQ(db.GetFieldStr(2), "1.500000");
  EXPECT_STREQ(db.GetFieldStr("d"), "1.50000000000000");
  EXPECT_STREQ(db.GetFieldStr(4), "hello");
  EXPECT_STREQ(db.GetFieldStr(5), "1");
  EXPECT_STREQ(db.GetFieldStr(6), "");
  EXPECT_STREQ(db.GetFieldStr(7), "1");
  EXPECT_STREQ(db.GetFieldStr(8), "");
  EXPECT_STREQ(db.GetFieldStr("nothing"), "");
}

TEST_F(Fields, ConversionStopsAtTheFirstCharacterThatCannotContinue) {
  Store("70000", "  12abc", "", "2.5e1x", "", "0");
  EXPECT_STREQ(db.GetFieldStr(0), "4464");  // the low 16 bits
  EXPECT_STREQ(db.GetFieldStr(1), "12");
  EXPECT_STREQ(db.GetFieldStr(2), "0.000000");
  EXPECT_STREQ(db.GetFieldStr(3), "25.00000000000000");
  EXPECT_STREQ(db.GetFieldStr(5), "0");
  Store("", "", "", "", "", "5");
  ASSERT_TRUE(db.GetFirst(1));  // id 0 sorts first
  EXPECT_STREQ(db.GetFieldStr(1), "0");
  EXPECT_STREQ(db.GetFieldStr(5), "1");
}

TEST_F(Fields, AFullTextFieldIsReadUpToItsSize) {
  Store("0", "1", "0", "0", "ABCDEFGHIJKL", "0");
  EXPECT_STREQ(db.GetFieldStr(4), "ABCDEFGH");
  char raw[9] = {};
  ASSERT_TRUE(db.GetField(raw, 4));
  EXPECT_STREQ(raw, "ABCDEFGH");
}

TEST_F(Fields, ChunkAndAutoIncrementFieldsAreNotSetDirectly) {
  int v = 1;
  EXPECT_FALSE(db.SetField(&v, 7));
  EXPECT_STREQ(db.GetErrMsg(), "field invalidation");
  EXPECT_FALSE(db.SetField(&v, 6));
  EXPECT_FALSE(db.SetFieldStr("1", 7));
  EXPECT_FALSE(db.SetFieldStr("1", 6));
  Store("0", "1", "0", "0", "x", "0");
  uint8_t chunk[8];
  EXPECT_FALSE(db.GetField(chunk, 6));
  EXPECT_STREQ(db.GetErrMsg(), "field invalidation");
  EXPECT_FALSE(db.GetField(nullptr, 1));
  EXPECT_FALSE(db.GetField(&v, 99));
  EXPECT_TRUE(db.GetField(&v, "i"));
  EXPECT_EQ(v, 1);
  int16_t s = 9;
  EXPECT_TRUE(db.SetField(&s, "S"));
}

TEST_F(Fields, NoCurrentRecordMeansNoValue) {
  int v;
  EXPECT_FALSE(db.GetField(&v, 1));
  EXPECT_STREQ(db.GetFieldStr(1), "");
  COrvex closed;
  EXPECT_FALSE(closed.SetField(&v, 0));
  EXPECT_FALSE(closed.SetFieldStr("1", 0));
}
