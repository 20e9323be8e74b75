// Schema definition: limits, corrections and error texts.
#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex_test;

TEST(CreateField, TextSizeMustBeBetween1And1024) {
  COrvex db;
  EXPECT_FALSE(db.CreateField("a", ORVEX_TEXT, 0));
  EXPECT_STREQ(db.GetErrMsg(), "field length must between 1 and 1024");
  EXPECT_FALSE(db.CreateField("a", ORVEX_TEXT, 1025));
  EXPECT_TRUE(db.CreateField("a", ORVEX_TEXT, 1));
  EXPECT_TRUE(db.CreateField("b", ORVEX_TEXT, 1024));
  EXPECT_EQ(db.GetFieldSize(1), 1024);
  EXPECT_EQ(db.GetFieldNo("b"), 1);
}

// The size given for a non-text field is kept while defining (the defining
// accessors see it); CreateDB stores the type's size in its place.
TEST(CreateField, NonTextSizesBecomeTheTypeSizesAtCreate) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("n", ORVEX_INT, 100));
  ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
  ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 10));
  ASSERT_TRUE(db.CreateKey("n", 2, 0, 0, 0, 0));
  EXPECT_EQ(db.GetFieldSize(0), 100);
  EXPECT_EQ(db.GetFieldSize(1), 0);
  ASSERT_TRUE(db.CreateDB(dir.File("s.db").c_str(), ""));
  EXPECT_EQ(db.GetFieldSize(0), 4);
  EXPECT_EQ(db.GetFieldSize("d"), 8);
  EXPECT_EQ(db.GetFieldSize(2), 10);
  db.CloseDB();
  auto b = ReadBytes(dir.File("s.db"));
  EXPECT_EQ(Le32(b, 32), 22);  // record length
  EXPECT_EQ(Le16(b, 4392), 4);
}

TEST(CreateField, The129thFieldDiscardsTheWholeList) {
  COrvex db;
  for (int i = 0; i < 128; ++i) ASSERT_TRUE(db.CreateField(("f" + std::to_string(i)).c_str(), ORVEX_INT, 0));
  EXPECT_FALSE(db.CreateField("more", ORVEX_INT, 0));
  EXPECT_STREQ(db.GetErrMsg(), "Field count must less than 128  ");
  EXPECT_STREQ(db.GetFieldName(0), "");
  EXPECT_EQ(db.GetFieldNo("f0"), -1);
}

TEST(CreateField, NamesAreTrimmedAndUniqueRegardlessOfCase) {
  COrvex db;
  ASSERT_TRUE(db.CreateField("  title  ", ORVEX_TEXT, 10));
  EXPECT_STREQ(db.GetFieldName(0), "title");
  EXPECT_FALSE(db.CreateField("TITLE", ORVEX_INT, 0));
  EXPECT_STREQ(db.GetErrMsg(), "The FieldName exist already!");
  EXPECT_EQ(db.GetFieldNo("TiTlE"), 0);
  EXPECT_EQ(db.GetFieldNo(" title"), -1);
  EXPECT_EQ(db.GetFieldType("title"), ORVEX_TEXT);
  EXPECT_EQ(db.GetFieldType(5), -1);
  EXPECT_EQ(db.GetFieldSize("nothing"), -1);
}

TEST(CreateField, RefusesLongNamesAndUnknownTypes) {
  COrvex db;
  EXPECT_FALSE(db.CreateField(std::string(32, 'n').c_str(), ORVEX_INT, 0));
  EXPECT_STREQ(db.GetErrMsg(), "name longer than 31 characters");
  EXPECT_TRUE(db.CreateField(std::string(31, 'n').c_str(), ORVEX_INT, 0));
  EXPECT_FALSE(db.CreateField("t0", 0, 4));
  EXPECT_FALSE(db.CreateField("t9", 9, 4));
  EXPECT_STREQ(db.GetErrMsg(), "field type must be between 1 and 8");
  EXPECT_FALSE(db.CreateField(nullptr, ORVEX_INT, 0) && db.CreateField(nullptr, ORVEX_INT, 0));
}

TEST(CreateField, AutoIncrementMakesItsUniqueKeyOnce) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("serial", ORVEX_AUTOINC, 0));
  EXPECT_EQ(db.GetKeyName(0), std::string("serial"));
  EXPECT_FALSE(db.CreateField("second", ORVEX_AUTOINC, 0));
  EXPECT_STREQ(db.GetErrMsg(), "Too many AutoInc fields");
  EXPECT_EQ(db.GetFieldNo("second"), -1);
  ASSERT_TRUE(db.CreateDB(dir.File("a.db").c_str(), ""));
  EXPECT_EQ(db.GetKeyNum(), 1);
  EXPECT_EQ(db.GetKeyType(0), 2);
  EXPECT_EQ(db.GetKeyLen(0), 4);
}

TEST(CreateField, RefusedWhileAFileIsOpen) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), ""));
  EXPECT_FALSE(db.CreateField("late", ORVEX_INT, 0));
  EXPECT_STREQ(db.GetErrMsg(), "must do before create db");
  EXPECT_FALSE(db.CreateKey("late", 1, 0, 0, 0, 0));
}

TEST(CreateKey, ChecksFieldsCountsAndNames) {
  COrvex db;
  EXPECT_FALSE(db.CreateKey("k", 1, 0, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "must create field first");
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("c", ORVEX_CHUNK, 0));
  EXPECT_FALSE(db.CreateKey("k", 1, 2, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "FieldNo must less than 2");
  EXPECT_FALSE(db.CreateKey("k", 1, -1, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "FieldNo must not be negative");
  EXPECT_FALSE(db.CreateKey("k", 3, 0, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "key attribute must be 1 or 2");
  EXPECT_FALSE(db.CreateKey("k", 1, 1, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "This field can't be key!");
  EXPECT_EQ(db.GetFieldSize(1), 0);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(db.CreateKey(("k" + std::to_string(i)).c_str(), 1, 0, 0, 0, 0));
  EXPECT_FALSE(db.CreateKey("k10", 1, 0, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "key count must less than 10  ");
}

TEST(CreateKey, DuplicateNameIsRefused) {
  COrvex db;
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey(" Main ", 1, 0, 0, 0, 0));
  EXPECT_FALSE(db.CreateKey("main", 2, 0, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "The KeyName exist already!");
}

TEST(CreateKey, TextPartLengthStartAndModeAreCorrected) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 300));
  ASSERT_TRUE(db.CreateField("u", ORVEX_TEXT, 20));
  ASSERT_TRUE(db.CreateKey("k0", 1, 0, 7, 0, 0));    // length 0
  ASSERT_TRUE(db.CreateKey("k1", 1, 0, 2, 5, 129));  // above 128
  ASSERT_TRUE(db.CreateKey("k2", 1, 1, 1, 20, 3));   // start at the size
  ASSERT_TRUE(db.CreateKey("k3", 1, 1, 1, 19, 100));
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  KEY_INFO info;
  ASSERT_TRUE(db.GetKeyInfo(0, info));
  EXPECT_EQ(info.length[0], 128);
  EXPECT_EQ(info.compareMode[0], 1);
  EXPECT_EQ(info.fieldNum, 1);
  ASSERT_TRUE(db.GetKeyInfo(1, info));
  EXPECT_EQ(info.length[0], 128);
  EXPECT_EQ(info.start[0], 5);
  EXPECT_EQ(info.compareMode[0], 2);
  ASSERT_TRUE(db.GetKeyInfo(2, info));
  EXPECT_EQ(info.start[0], 0);
  EXPECT_EQ(info.length[0], 3);
  EXPECT_EQ(db.GetKeyLen(3), 100);
  EXPECT_EQ(db.GetKeyFieldNum(0), -1);
  EXPECT_FALSE(db.GetKeyInfo(4, info));
}

// The KEY_INFO form checks as the single-field form does; names are trimmed
// before their length is judged.
TEST(CreateKey, BothFormsRefuseTheSameDefinitions) {
  COrvex db;
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("c", ORVEX_CHUNK, 0));
  KEY_INFO info = {};
  std::strcpy(info.keyName, "k");
  info.fieldNum = 2;
  info.attribute = 3;
  EXPECT_FALSE(db.CreateKey(info));
  EXPECT_STREQ(db.GetErrMsg(), "key attribute must be 1 or 2");
  info.attribute = 1;
  info.fieldNo[1] = -4;
  EXPECT_FALSE(db.CreateKey(info));
  EXPECT_STREQ(db.GetErrMsg(), "FieldNo must not be negative");
  info.fieldNo[1] = 1;
  EXPECT_FALSE(db.CreateKey(info));
  EXPECT_STREQ(db.GetErrMsg(), "This field can't be key!");
  std::string padded = "    " + std::string(28, 'x') + "   ";  // 28 after trimming
  ASSERT_TRUE(db.CreateKey(padded.c_str(), 1, 0, 0, 0, 0));
  EXPECT_EQ(std::string(db.GetKeyName(0)), std::string(28, 'x'));
  EXPECT_FALSE(db.CreateKey((" " + std::string(32, 'y')).c_str(), 1, 0, 0, 0, 0));
  EXPECT_STREQ(db.GetErrMsg(), "name longer than 31 characters");
}

TEST(CreateKey, MultiFieldKeyAtMost128Bytes) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("a", ORVEX_TEXT, 124));
  ASSERT_TRUE(db.CreateField("n", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("s", ORVEX_SHORT, 0));
  KEY_INFO info = {};
  std::strcpy(info.keyName, "multi");
  info.fieldNum = 3;
  info.attribute = 2;
  info.fieldNo[0] = 0;
  info.length[0] = 124;
  info.compareMode[0] = 2;
  info.fieldNo[1] = 1;
  info.fieldNo[2] = 2;  // 124 + 4 + 2 = 130
  EXPECT_FALSE(db.CreateKey(info));
  EXPECT_STREQ(db.GetErrMsg(), "multikey length must <=128");
  info.fieldNum = 2;  // 128
  EXPECT_TRUE(db.CreateKey(info));
  info.fieldNum = 0;
  std::strcpy(info.keyName, "none");
  EXPECT_FALSE(db.CreateKey(info));
  ASSERT_TRUE(db.CreateDB(dir.File("m.db").c_str(), ""));
  EXPECT_EQ(db.GetKeyFieldNum(0), 2);
  EXPECT_EQ(db.GetKeyFieldNo(0, 1), 1);
  EXPECT_EQ(db.GetKeyLen(0), 128);
  KEY_INFO back;
  ASSERT_TRUE(db.GetKeyInfo(0, back));
  EXPECT_EQ(back.fieldNum, 2);
  EXPECT_EQ(back.attribute, 2);
  EXPECT_STREQ(back.keyName, "multi");
}

TEST(SchemaAccessors, ClosedAnswersWhileDefining) {
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  EXPECT_EQ(db.GetFieldNum(), -1);
  EXPECT_EQ(db.GetKeyNum(), 0);
  EXPECT_EQ(db.GetKeyNo("id"), -1);
  EXPECT_EQ(db.GetKeyType(0), -1);
  EXPECT_EQ(db.GetRecordNum(), -1);
  KEY_INFO info;
  EXPECT_FALSE(db.GetKeyInfo(0, info));
  // These see the schema being defined.
  EXPECT_STREQ(db.GetFieldName(1), "name");
  EXPECT_STREQ(db.GetKeyName(1), "name");
  EXPECT_EQ(db.GetKeyLen(1), 32);
  EXPECT_EQ(db.GetKeyFieldNo(1, 0), 1);
}
