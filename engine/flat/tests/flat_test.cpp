// The flat interface as a caller in another language sees it: handles,
// the builder, typed values through VARIANTs, multi-key values, queries,
// and every function's answer to a bad handle.
#include "orvex_flat.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string TempDirectory() {
  char tmpl[] = "/tmp/orvex_flat_XXXXXX";
  return mkdtemp(tmpl);
}

std::u16string Wide(const VARIANT& v) { return v.vt == VT_BSTR ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : u"?"; }

VARIANT Of(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}
VARIANT I2(short x) { VARIANT v = Of(VT_I2); v.iVal = x; return v; }
VARIANT I4(int x) { VARIANT v = Of(VT_I4); v.lVal = x; return v; }
VARIANT R4(float x) { VARIANT v = Of(VT_R4); v.fltVal = x; return v; }
VARIANT R8(double x) { VARIANT v = Of(VT_R8); v.dblVal = x; return v; }
VARIANT Bool(short x) { VARIANT v = Of(VT_BOOL); v.boolVal = x; return v; }
VARIANT Text(const char* x) { VARIANT v = Of(ORVEX_VT_TEXT); v.pszVal = x; return v; }

// Fields: 0 id int, 1 name text 16, 2 age short, 3 score float, 4 weight
// double, 5 ok bool, 6 note chunk, 7 serial auto-increment. Keys: 0 id
// (unique), 1 name (duplicates), 2 "name_age" on name and age, 3 ok, then
// the serial's own key.
class FlatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempDirectory();
    path_ = dir_ + "/flat.db";
  }

  void TearDown() override {
    for (int q = 0; q < 32; ++q) mCloseQuery(q);
    mCloseAll();
    ResetBuilder();
    std::string command = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  // A creation that cannot succeed empties the builder.
  static void ResetBuilder() { mCreateDB("/nonexistent-folder/x.db", ""); }

  void CreateFile() {
    ASSERT_EQ(mCreateField("id", ORVEX_INT, 0), 1);
    ASSERT_EQ(mCreateField("name", ORVEX_TEXT, 16), 1);
    ASSERT_EQ(mCreateField("age", ORVEX_SHORT, 0), 1);
    ASSERT_EQ(mCreateField("score", ORVEX_FLOAT, 0), 1);
    ASSERT_EQ(mCreateField("weight", ORVEX_DOUBLE, 0), 1);
    ASSERT_EQ(mCreateField("ok", ORVEX_BOOL, 0), 1);
    ASSERT_EQ(mCreateField("note", ORVEX_CHUNK, 0), 1);
    ASSERT_EQ(mCreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0), 1);
    ASSERT_EQ(mCreateKey("name", ORVEX_KEY_DUPLICATE, 1, 2, 0, 0), 1);
    KEY_INFO info;
    std::memset(&info, 0, sizeof info);
    std::strcpy(info.keyName, "name_age");
    info.fieldNum = 2;
    info.attribute = ORVEX_KEY_DUPLICATE;
    info.fieldNo[0] = 1;
    info.compareMode[0] = 1;
    info.length[0] = 8;
    info.fieldNo[1] = 2;
    ASSERT_EQ(mCreateMultiKey(&info), 1);
    ASSERT_EQ(mCreateKey("ok", ORVEX_KEY_DUPLICATE, 5, 0, 0, 0), 1);
    ASSERT_EQ(mCreateField("serial", ORVEX_AUTOINC, 0), 1);
    ASSERT_EQ(mCreateDB(path_.c_str(), "flat test"), 1);
  }

  int OpenFilled() {
    CreateFile();
    const int h = mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT);
    EXPECT_GE(h, 0);
    struct {
      int id;
      const char* name;
      short age;
      float score;
      double weight;
      const char* ok;
    } rows[] = {{1, "ann", 30, 1.5f, 60.25, "TRUE"}, {2, "bob", 25, 2.5f, 80.5, "false"},
                {3, "Ann", 41, 0.5f, 55.0, "true"},  {4, "cy", 25, 3.0f, 70.0, "FALSE"}};
    for (const auto& r : rows) {
      EXPECT_EQ(mSetFieldStr(h, std::to_string(r.id).c_str(), 0), 1);
      EXPECT_EQ(mSetFieldStr(h, r.name, 1), 1);
      VARIANT age = I2(r.age), score = R4(r.score), weight = R8(r.weight);
      EXPECT_EQ(mSetField(h, &age, 2), 1);
      EXPECT_EQ(mSetField(h, &score, 3), 1);
      EXPECT_EQ(mSetField(h, &weight, 4), 1);
      EXPECT_EQ(mSetFieldStr(h, r.ok, 5), 1);
      EXPECT_EQ(mInsert(h), 1) << mGetErrMsg(h);
    }
    return h;
  }

  std::string dir_;
  std::string path_;
};

TEST_F(FlatTest, HandlesAreTheLowestFreeSlots) {
  CreateFile();
  EXPECT_EQ(mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT), 0);
  EXPECT_EQ(mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT), 1);
  EXPECT_EQ(mClose(0), 1);
  EXPECT_EQ(mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT), 0);
  for (int h = 2; h < 32; ++h) ASSERT_EQ(mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT), h);
  EXPECT_EQ(mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT), -1);
  EXPECT_EQ(mIsDBOpen(31), 1);
  EXPECT_EQ(mClose(-1), 0);
  EXPECT_EQ(mClose(32), 0);
  EXPECT_EQ(mCloseAll(), 1);
  EXPECT_EQ(mClose(5), 0);
  EXPECT_EQ(mCloseAll(), 1);
  EXPECT_EQ(mIsDBOpen(0), 0);
}

TEST_F(FlatTest, OpeningAMissingOrForeignFileFailsAndCreatesNothing) {
  const std::string missing = dir_ + "/missing.db";
  EXPECT_EQ(mOpen(missing.c_str(), ORVEX_OPEN_DEFAULT), -1);
  EXPECT_EQ(mOpen(missing.c_str(), ORVEX_OPEN_DEFAULT | ORVEX_OPEN_CREATE), -1);
  EXPECT_NE(access(missing.c_str(), F_OK), 0);
  EXPECT_EQ(mOpen(nullptr, ORVEX_OPEN_DEFAULT), -1);
  // A create-and-truncate mode does not cut an existing database short.
  CreateFile();
  const int h = mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT | ORVEX_OPEN_CREATE);
  ASSERT_EQ(h, 0);
  EXPECT_EQ(mGetFieldNum(h), 8);
  EXPECT_EQ(mClose(h), 1);
  const std::string text = dir_ + "/text.db";
  FILE* f = std::fopen(text.c_str(), "w");
  std::fputs("not a database", f);
  std::fclose(f);
  EXPECT_EQ(mOpen(text.c_str(), ORVEX_OPEN_DEFAULT), -1);
  EXPECT_EQ(mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT), 0);  // slot 0 stayed free
}

TEST_F(FlatTest, TheBuilderAnswersForHandlesOutsideTheTable) {
  EXPECT_EQ(mCreateKey("k", ORVEX_KEY_UNIQUE, 0, 0, 0, 0), 0);
  EXPECT_STREQ(mGetErrMsg(-1), "must create field first");
  EXPECT_STREQ(mGetErrMsg(7), "");
  ASSERT_EQ(mCreateField("count", ORVEX_INT, 0), 1);
  EXPECT_EQ(mGetFieldType(-1, 0), ORVEX_INT);
  EXPECT_EQ(mGetFieldType(99, 0), ORVEX_INT);
  EXPECT_EQ(mGetFieldType(3, 0), 0);
  EXPECT_STREQ(mGetFieldName(-1, 0), "count");
  EXPECT_STREQ(mGetFieldName(3, 0), "");
  EXPECT_EQ(mGetFieldNo(-1, "COUNT"), 0);
  EXPECT_EQ(mGetFieldNo(3, "count"), -1);
  // Without a key the file cannot be made; the reason is still there after
  // the builder was emptied.
  EXPECT_EQ(mCreateDB(path_.c_str(), ""), 0);
  EXPECT_STREQ(mGetErrMsg(-1), "Create Index error,please CreateKey first!");
  EXPECT_EQ(mGetFieldType(-1, 0), -1);
  ASSERT_EQ(mCreateField("id", ORVEX_INT, 0), 1);
  EXPECT_STREQ(mGetErrMsg(-1), "");
  ASSERT_EQ(mCreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0), 1);
  EXPECT_EQ(mEnableTrimRecord(0), 1);
  ASSERT_EQ(mCreateDB(path_.c_str(), "d"), 1);
  // The builder is empty again: a second creation fails.
  EXPECT_EQ(mCreateDB((dir_ + "/again.db").c_str(), "d"), 0);
  EXPECT_EQ(mCreateField(nullptr, ORVEX_INT, 0), 0);
  EXPECT_EQ(mCreateMultiKey(nullptr), 0);
}

TEST_F(FlatTest, SchemaAccessorsAndTexts) {
  const int h = OpenFilled();
  EXPECT_EQ(mGetFieldNum(h), 8);
  EXPECT_EQ(mGetRecordNum(h), 4);
  EXPECT_EQ(mGetFieldSize(h, 1), 16);
  EXPECT_EQ(mGetFieldNo(h, "weight"), 4);
  EXPECT_EQ(mGetKeyNum(h), 5);
  EXPECT_EQ(mGetKeyNo(h, "name_age"), 2);
  EXPECT_STREQ(mGetKeyName(h, 3), "ok");
  EXPECT_EQ(mGetKeyType(h, 0), ORVEX_KEY_UNIQUE);
  EXPECT_EQ(mGetKeyLen(h, 2), 10);
  KEY_INFO info;
  ASSERT_EQ(mGetKeyInfo(h, 2, &info), 1);
  EXPECT_EQ(info.fieldNum, 2);
  EXPECT_EQ(mGetKeyInfo(h, 2, nullptr), 0);
  EXPECT_STREQ(mGetDescription(h), "flat test");
  EXPECT_NE(std::string(mGetVersion(h)).find("2.60"), std::string::npos);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(mStr2Buff("abc", buffer), 1);
  EXPECT_STREQ(buffer, "abcxxxx");  // no NUL written
  const char* copy = mBuff2Str("bytes");
  EXPECT_STREQ(copy, "bytes");
  EXPECT_STREQ(mBuff2Str(nullptr), "");
}

TEST_F(FlatTest, BoolFieldsAsWords) {
  const int h = OpenFilled();
  ASSERT_EQ(mStrEqual(h, 0, "1"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "TRUE");
  EXPECT_STREQ(mGetFieldStr_(h, 5), "1");
  ASSERT_EQ(mStrEqual(h, 0, "3"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "TRUE");  // "true" was stored as 1
  ASSERT_EQ(mStrEqual(h, 0, "2"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "FALSE");
  // The digit 1 is not a word: stored as 0. Seeks take both.
  ASSERT_EQ(mSetFieldStr(h, "5", 0), 1);
  ASSERT_EQ(mSetFieldStr(h, "1", 5), 1);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "5"), 1);
  EXPECT_STREQ(mGetFieldStr_(h, 5), "0");
  ASSERT_EQ(mStrEqual(h, 3, "1"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "TRUE");
  ASSERT_EQ(mStrEqual(h, 3, "tRuE"), 1);
  VARIANT yes = Bool(-1);
  ASSERT_EQ(mEqual(h, 3, &yes), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "TRUE");
  // mSetField's text way has no words: a number 1 or the text "1" is true.
  VARIANT one = I4(1);
  VARIANT word = Text("TRUE");
  ASSERT_EQ(mStrEqual(h, 0, "5"), 1);
  ASSERT_EQ(mSetFieldStr(h, "5", 0), 1);
  ASSERT_EQ(mSetField(h, &one, 5), 1);
  ASSERT_EQ(mUpdate(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "5"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "TRUE");
  ASSERT_EQ(mSetFieldStr(h, "5", 0), 1);
  ASSERT_EQ(mSetField(h, &word, 5), 1);
  ASSERT_EQ(mUpdate(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "5"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 5), "FALSE");
}

TEST_F(FlatTest, FieldValuesComeOutTypedAndGoInDirectlyOrAsText) {
  const int h = OpenFilled();
  ASSERT_EQ(mStrEqual(h, 0, "1"), 1);
  VARIANT v = mGetField(h, 0);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 1);
  v = mGetField(h, 2);
  EXPECT_EQ(v.vt, VT_I2);
  EXPECT_EQ(v.iVal, 30);
  v = mGetField(h, 3);
  EXPECT_EQ(v.vt, VT_R4);
  EXPECT_EQ(v.fltVal, 1.5f);
  v = mGetField(h, 4);
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 60.25);
  v = mGetField(h, 5);
  EXPECT_EQ(v.vt, VT_BOOL);
  EXPECT_EQ(v.boolVal, 1);
  v = mGetField(h, 1);
  EXPECT_EQ(Wide(v), u"ann");
  VariantClear(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(mGetField(h, 6).vt, VT_EMPTY);  // chunk
  EXPECT_EQ(mGetField(h, 8).vt, VT_EMPTY);  // no such field
  v = mGetField(h, 7);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 1);  // serial

  // A code-3 value on a short field goes the text way; code 2 is direct.
  VARIANT big = I4(70000);
  ASSERT_EQ(mSetField(h, &big, 2), 1);
  VARIANT small = I2(-7);
  ASSERT_EQ(mSetField(h, &small, 0), 1);  // int field: "-7" by text
  VARIANT half = R8(2.75);
  ASSERT_EQ(mSetField(h, &half, 3), 1);   // float field: "2.75" by text
  VARIANT empty = Of(VT_EMPTY);
  ASSERT_EQ(mSetField(h, &empty, 4), 1);  // the empty text: 0
  VARIANT odd = Of(9999);
  EXPECT_EQ(mSetField(h, &odd, 4), 0);    // cannot be converted
  VARIANT name = Text("dee");
  ASSERT_EQ(mSetField(h, &name, 1), 1);
  VARIANT truth = Bool(1);
  ASSERT_EQ(mSetField(h, &truth, 5), 1);
  EXPECT_EQ(mSetField(h, &big, 7), 0);    // auto-increment refused
  EXPECT_EQ(mSetField(h, nullptr, 2), 0);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "-7"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 2), "4464");  // 70000 in 16 bits
  EXPECT_STREQ(mGetFieldStr(h, 3), "2.750000");
  EXPECT_STREQ(mGetFieldStr(h, 4), "0.00000000000000");
  EXPECT_STREQ(mGetFieldStr(h, 1), "dee");
  EXPECT_STREQ(mGetFieldStr(h, 5), "TRUE");
  int raw = 0;
  ASSERT_EQ(mGetField_(h, &raw, 0), 1);
  EXPECT_EQ(raw, -7);
  EXPECT_EQ(mGetField_(h, nullptr, 0), 0);
  int seven = 7;
  EXPECT_EQ(mSetField_(h, &seven, 0), 1);
  EXPECT_EQ(mSetField_(h, nullptr, 0), 0);
}

TEST_F(FlatTest, TextFieldsTravelAsUtf16WithTheOldCodePageForForeignBytes) {
  const int h = OpenFilled();
  // A wide string goes the text way and is stored as UTF-8.
  const std::u16string greeting = u"Grüße € \U0001F600";
  VARIANT wide = Of(VT_BSTR);
  wide.bstrVal = SysAllocStringLen(greeting.data(), static_cast<unsigned>(greeting.size()));
  ASSERT_EQ(mSetFieldStr(h, "10", 0), 1);
  ASSERT_EQ(mSetField(h, &wide, 1), 1);
  VariantClear(&wide);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "10"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "Grüße € \xF0\x9F\x98\x80");
  VARIANT back = mGetField(h, 1);
  EXPECT_EQ(Wide(back), greeting);
  VariantClear(&back);
  // Bytes written on the original platform (not UTF-8) read as Windows-1252.
  ASSERT_EQ(mSetFieldStr(h, "11", 0), 1);
  ASSERT_EQ(mSetFieldStr(h, "caf\xE9 \x80\x96", 1), 1);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "11"), 1);
  back = mGetField(h, 1);
  EXPECT_EQ(Wide(back), u"café €–");
  VariantClear(&back);
  // A text longer than the field is cut to it.
  ASSERT_EQ(mSetFieldStr(h, "12", 0), 1);
  VARIANT longText = Text("abcdefghijklmnopqrstuvwxyz");
  ASSERT_EQ(mSetField(h, &longText, 1), 1);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "12"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "abcdefghijklmnop");
  // A cut never splits a character: the text reads back whole, shorter.
  ASSERT_EQ(mSetFieldStr(h, "13", 0), 1);
  ASSERT_EQ(mSetFieldStr(h, "Grüße €€€", 1), 1);  // 17 bytes
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mSetFieldStr(h, "14", 0), 1);
  const std::u16string emoji = u"abcdefghijklmn\U0001F600";  // 18 bytes
  VARIANT wideLong = Of(VT_BSTR);
  wideLong.bstrVal = SysAllocStringLen(emoji.data(), static_cast<unsigned>(emoji.size()));
  ASSERT_EQ(mSetField(h, &wideLong, 1), 1);
  VariantClear(&wideLong);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "13"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "Grüße €€");
  ASSERT_EQ(mStrEqual(h, 0, "14"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "abcdefghijklmn");
  // Bytes that are not UTF-8 are cut where the field ends.
  ASSERT_EQ(mSetFieldStr(h, "15", 0), 1);
  ASSERT_EQ(mSetFieldStr(h, "\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9", 1), 1);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "15"), 1);
  EXPECT_EQ(std::strlen(mGetFieldStr(h, 1)), 16u);
}

TEST_F(FlatTest, SeekFamiliesConvertForTheKeysField) {
  const int h = OpenFilled();
  VARIANT three = I4(3);
  ASSERT_EQ(mEqual(h, 0, &three), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "Ann");
  VARIANT text = Text("2");  // the text way on an int key
  ASSERT_EQ(mEqual(h, 0, &text), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "bob");
  VARIANT twoAndHalf = R8(2.5);
  ASSERT_EQ(mGreater(h, 0, &twoAndHalf), 1);  // "2.5" converts to 2
  EXPECT_STREQ(mGetFieldStr(h, 0), "3");
  ASSERT_EQ(mLess(h, 0, &three), 1);
  EXPECT_STREQ(mGetFieldStr(h, 0), "2");
  ASSERT_EQ(mLessEqual(h, 0, &three), 1);
  EXPECT_STREQ(mGetFieldStr(h, 0), "3");
  ASSERT_EQ(mGreaterEqual(h, 0, &three), 1);
  EXPECT_STREQ(mGetFieldStr(h, 0), "3");
  VARIANT bob = Text("BOB");
  ASSERT_EQ(mEqual(h, 1, &bob), 1);  // name key ignores letter case
  EXPECT_STREQ(mGetFieldStr(h, 0), "2");
  EXPECT_EQ(mStrEqual(h, 1, "nobody"), 0);
  ASSERT_EQ(mStrGreater(h, 1, "bob"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "cy");
  ASSERT_EQ(mStrLess(h, 1, "bob"), 1);
  ASSERT_EQ(mStrLessEqual(h, 0, "0"), 0);
  ASSERT_EQ(mStrGreaterEqual(h, 0, "4"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "cy");
  int key = 2;
  char record[64] = {};
  ASSERT_EQ(mGetEqual(h, 0, &key, record, 0), 1);
  int id = 0;
  std::memcpy(&id, record, 4);
  EXPECT_EQ(id, 2);
  EXPECT_STREQ(record + 4, "bob");
  EXPECT_EQ(mGetEqual(h, 0, nullptr, record, 0), 0);
  ASSERT_EQ(mGetGreaterEqual(h, 1, "b", nullptr, 0), 1);
  ASSERT_EQ(mGetLessEqual(h, 0, &key, nullptr, 0), 1);
  ASSERT_EQ(mGetGreater(h, 0, &key, nullptr, 0), 1);
  ASSERT_EQ(mGetLess(h, 0, &key, nullptr, 0), 1);
  EXPECT_STREQ(mGetFieldStr(h, 0), "1");
  VARIANT odd = Of(9999);
  EXPECT_EQ(mEqual(h, 0, &odd), 0);
  EXPECT_EQ(mStrEqual(h, 6, "1"), 0);
}

TEST_F(FlatTest, MultiKeyValuesArePutAndReadPartByPart) {
  const int h = OpenFilled();
  VARIANT name = Text("bob");
  VARIANT age = I2(25);
  ASSERT_EQ(mSetMultiKeyVal(h, 2, &name, 0), 1);
  ASSERT_EQ(mSetMultiKeyVal(h, 2, &age, 1), 1);
  ASSERT_EQ(mMultiEqual(h, 2), 1);
  EXPECT_STREQ(mGetFieldStr(h, 0), "2");
  // Part 1 alone keeps part 0 from before.
  ASSERT_EQ(mStrMultiKeyVal(h, 2, "26", 1), 1);
  EXPECT_EQ(mMultiEqual(h, 2), 0);
  ASSERT_EQ(mMultiGreaterEqual(h, 2), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "cy");
  ASSERT_EQ(mMultiLess(h, 2), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "bob");
  ASSERT_EQ(mMultiLessEqual(h, 2), 1);
  ASSERT_EQ(mMultiGreater(h, 2), 1);
  // A wide string part goes the text way.
  VARIANT wide = Of(VT_BSTR);
  wide.bstrVal = SysAllocStringLen(u"Ann", 3);
  ASSERT_EQ(mSetMultiKeyVal(h, 2, &wide, 0), 1);
  VariantClear(&wide);
  ASSERT_EQ(mStrMultiKeyVal(h, 2, "41", 1), 1);
  ASSERT_EQ(mMultiEqual(h, 2), 1);  // case-sensitive part: the capital Ann
  EXPECT_STREQ(mGetFieldStr(h, 0), "3");
  VARIANT odd = Of(9999);
  EXPECT_EQ(mSetMultiKeyVal(h, 2, &odd, 0), 0);
  EXPECT_EQ(mSetMultiKeyVal(h, 2, nullptr, 0), 0);
  EXPECT_EQ(mSetMultiKeyVal(-1, 2, &age, 0), 1);  // reported, nothing stored
  EXPECT_EQ(mStrMultiKeyVal(h, 2, "x", 5), 1);

  // The walks fill the buffer for reading.
  ASSERT_EQ(mMultiKeyFirst(h, 2), 1);
  VARIANT part = Of(VT_EMPTY);
  ASSERT_EQ(mGetMultiKey(h, 2, &part, 0), 1);
  EXPECT_EQ(Wide(part), u"Ann");
  VariantClear(&part);
  ASSERT_EQ(mGetMultiKey(h, 2, &part, 1), 1);
  EXPECT_EQ(part.vt, VT_I2);
  EXPECT_EQ(part.iVal, 41);
  ASSERT_EQ(mMultiKeyNext(h, 2), 1);
  ASSERT_EQ(mGetMultiKey(h, 2, &part, 0), 1);
  EXPECT_EQ(Wide(part), u"ann");
  VariantClear(&part);
  ASSERT_EQ(mMultiKeyLast(h, 2), 1);
  ASSERT_EQ(mMultiKeyPrev(h, 2), 1);
  ASSERT_EQ(mGetMultiKey(h, 2, &part, 0), 1);
  EXPECT_EQ(Wide(part), u"bob");
  VariantClear(&part);
  EXPECT_EQ(mGetMultiKey(h, 2, &part, 2), 0);
  EXPECT_EQ(mGetMultiKey(h, 0, &part, 0), 0);  // single-field key
  EXPECT_EQ(mMultiKeyFirst(h, 0), 0);
}

TEST_F(FlatTest, KeyWalksWriteTypedValues) {
  const int h = OpenFilled();
  VARIANT v = Of(VT_EMPTY);
  ASSERT_EQ(mKeyFirst(h, 0, &v), 1);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 1);
  ASSERT_EQ(mKeyNext(h, 0, &v), 1);
  EXPECT_EQ(v.lVal, 2);
  ASSERT_EQ(mKeyLast(h, 0, &v), 1);
  EXPECT_EQ(v.lVal, 4);
  ASSERT_EQ(mKeyPrev(h, 0, &v), 1);
  EXPECT_EQ(v.lVal, 3);
  ASSERT_EQ(mKeyFirst(h, 1, &v), 1);
  EXPECT_EQ(Wide(v), u"ann");
  VariantClear(&v);
  ASSERT_EQ(mKeyLast(h, 3, &v), 1);
  EXPECT_EQ(v.vt, VT_BOOL);
  EXPECT_EQ(v.boolVal, 1);
  EXPECT_EQ(mKeyFirst(h, 2, &v), 0);  // multi-field key
  EXPECT_EQ(mKeyFirst(h, 0, nullptr), 0);
  int key = 0;
  ASSERT_EQ(mGetKeyFirst(h, 0, &key), 1);
  EXPECT_EQ(key, 1);
  ASSERT_EQ(mGetKeyNext(h, 0, &key), 1);
  EXPECT_EQ(key, 2);
  ASSERT_EQ(mGetKeyLast(h, 0, &key), 1);
  ASSERT_EQ(mGetKeyPrev(h, 0, &key), 1);
  EXPECT_EQ(key, 3);
  EXPECT_EQ(mGetKeyFirst(h, 0, nullptr), 0);
}

TEST_F(FlatTest, WalksAndEdits) {
  const int h = OpenFilled();
  ASSERT_EQ(mMoveFirst(h, 1), 1);
  EXPECT_EQ(mGetCurKeyNo(h), 1);
  ASSERT_EQ(mMoveNext(h, 1), 1);
  ASSERT_EQ(mMoveLast(h, 1), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "cy");
  ASSERT_EQ(mMovePrev(h, 1), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "bob");
  char record[64];
  ASSERT_EQ(mGetFirst(h, 0, record, 0), 1);
  ASSERT_EQ(mGetNext(h, 0, record, 0), 1);
  ASSERT_EQ(mGetLast(h, 0, record, 0), 1);
  ASSERT_EQ(mGetPrev(h, 0, record, 0), 1);
  EXPECT_STREQ(record + 4, "Ann");
  // Update the record reached, from the edit buffer and from an image.
  ASSERT_EQ(mSetFieldStr(h, "3", 0), 1);
  ASSERT_EQ(mSetFieldStr(h, "Anne", 1), 1);
  ASSERT_EQ(mUpdate(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "3"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "Anne");
  ASSERT_EQ(mGetEqual(h, 0, &record[0] /* any */, nullptr, 0) >= 0, true);
  int id = 3;
  ASSERT_EQ(mGetEqual(h, 0, &id, record, 0), 1);
  std::strcpy(record + 4, "Anna");
  ASSERT_EQ(mUpdate_(h, record, 0), 1);
  ASSERT_EQ(mStrEqual(h, 1, "anna"), 1);
  id = 9;
  std::memcpy(record, &id, 4);
  ASSERT_EQ(mInsert_(h, record, 0), 1);
  EXPECT_EQ(mGetRecordNum(h), 5);
  EXPECT_EQ(mInsert_(h, nullptr, 0), 0);
  ASSERT_EQ(mStrEqual(h, 0, "9"), 1);
  ASSERT_EQ(mDelete(h), 1);
  EXPECT_EQ(mGetRecordNum(h), 4);
  EXPECT_EQ(mFlush(h), 1);
}

TEST_F(FlatTest, ChunksAreAppendedAndReadInPieces) {
  const int h = OpenFilled();
  std::string body(100000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  ASSERT_EQ(mSetFieldStr(h, "20", 0), 1);
  ASSERT_EQ(mAppendChunk(h, body.data(), 60000, 6), 1);
  ASSERT_EQ(mAppendChunk(h, body.data() + 60000, 40000, 6), 1);
  ASSERT_EQ(mInsert(h), 1);
  ASSERT_EQ(mStrEqual(h, 0, "20"), 1);
  EXPECT_EQ(mGetChunkSize(h, 6), 100000);
  ASSERT_EQ(mGotoChunkPos(h, 6), 1);
  std::string back(100000, 'x');
  ASSERT_EQ(mGetChunk(h, back.data(), 1, 6), 1);
  ASSERT_EQ(mGetChunk(h, back.data() + 1, 99999, 6), 1);
  EXPECT_EQ(back, body);
  EXPECT_EQ(mGetChunk(h, nullptr, 1, 6), 0);
  EXPECT_EQ(mAppendChunk(h, nullptr, 5, 6), 0);
  EXPECT_EQ(mGetChunkSize(h, 1), -1);  // not a chunk field
  ASSERT_EQ(mStrEqual(h, 0, "1"), 1);
  EXPECT_EQ(mGetChunkSize(h, 6), 0);
  EXPECT_EQ(mGotoChunkPos(h, 6), 0);
  EXPECT_EQ(mGetChunkSize(-1, 6) + mGotoChunkPos(32, 6) + mGetChunk(7, back.data(), 1, 6) +
                mAppendChunk(-5, body.data(), 1, 6),
            0);
}

TEST_F(FlatTest, CompactionWritesATightCopy) {
  int h = OpenFilled();
  ASSERT_EQ(mStrEqual(h, 0, "2"), 1);
  ASSERT_EQ(mDelete(h), 1);
  ASSERT_EQ(mClose(h), 1);
  const std::string copy = dir_ + "/copy.db";
  ASSERT_EQ(mCompactDB(path_.c_str(), copy.c_str()), 1);
  h = mOpen(copy.c_str(), ORVEX_OPEN_DEFAULT);
  ASSERT_GE(h, 0);
  EXPECT_EQ(mGetRecordNum(h), 3);
  const int id = mGetKeyNo(h, "id");  // the serial's own key comes first in the copy
  EXPECT_EQ(mStrEqual(h, id, "2"), 0);
  ASSERT_EQ(mStrEqual(h, id, "3"), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "Ann");
  EXPECT_EQ(mCompactDB(path_.c_str(), path_.c_str()), 0);
  EXPECT_EQ(mCompactDB((dir_ + "/missing.db").c_str(), (dir_ + "/c2.db").c_str()), 0);
  EXPECT_EQ(mCompactDB(nullptr, copy.c_str()) + mCompactDB(path_.c_str(), nullptr), 0);
}

TEST_F(FlatTest, AWriteThatFailsIsReportedByFlushAndClose) {
  const int h = OpenFilled();
  ASSERT_EQ(mFlush(h), 1);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit tight = before;
  tight.rlim_cur = 64 * 1024;  // the file may not grow past this
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
  const std::string body(1 << 20, 'n');
  ASSERT_EQ(mSetFieldStr(h, "30", 0), 1);
  const int appended = mAppendChunk(h, body.data(), static_cast<int>(body.size()), 6);
  const int inserted = appended && mInsert(h);
  const int flushed = mFlush(h);
  const std::string why = mGetErrMsg(h);
  const int closed = mClose(h);
  setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_EQ(appended && inserted && flushed, 0);
  EXPECT_EQ(flushed, 0);
  EXPECT_EQ(why.rfind("can't write file", 0), 0u) << why;
  // The file went back to its last commit: closing has nothing left to
  // write, and the file holds the four records whole.
  EXPECT_EQ(closed, 1);
  const int again = mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT);
  ASSERT_GE(again, 0);
  EXPECT_EQ(mGetRecordNum(again), 4);
  EXPECT_EQ(mStrEqual(again, 0, "30"), 0);
  ASSERT_EQ(mStrEqual(again, 0, "4"), 1);
  EXPECT_STREQ(mGetFieldStr(again, 1), "cy");
}

TEST_F(FlatTest, PatternsAndSavedPositions) {
  const int h = OpenFilled();
  ASSERT_EQ(mGetLike(h, 1, "a%", 2), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "ann");
  ASSERT_EQ(mGetLikeNext(h, 1), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "Ann");
  EXPECT_EQ(mGetLikeNext(h, 1), 0);
  EXPECT_EQ(mGetLike(h, 1, "B%", 1), 0);  // mode 1 minds letter case
  ASSERT_EQ(mGetLike(h, 1, "b%", 1), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "bob");
  EXPECT_EQ(mGetLike(h, 0, "a%", 2), 0);  // not a text key
  EXPECT_EQ(mGetLike(h, 1, nullptr, 2), 0);
  ASSERT_EQ(mStrEqual(h, 0, "2"), 1);
  ASSERT_EQ(mSavePosition(h, 0), 1);
  ASSERT_EQ(mMoveLast(h, 0), 1);
  ASSERT_EQ(mRestorePosition(h, 0), 1);
  ASSERT_EQ(mMoveNext(h, 0), 1);
  EXPECT_STREQ(mGetFieldStr(h, 0), "3");
  EXPECT_EQ(mRestorePosition(h, 1), 0);  // never saved
  EXPECT_EQ(mSavePosition(-1, 0) + mRestorePosition(32, 0) + mGetLikeNext(5, 1) + mGetLike(-1, 1, "a", 2), 0);
}

TEST_F(FlatTest, QueriesOnAHandle) {
  const int h = OpenFilled();
  const int q = mCreateQuery(h);
  ASSERT_EQ(q, 0);
  ASSERT_EQ(mQuery(q, "age=25 ORDER BY name DESC"), 1);
  EXPECT_EQ(mQueryCount(q), 2);
  ASSERT_EQ(mQueryFirst(q), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "cy");
  ASSERT_EQ(mQueryNext(q), 1);
  EXPECT_STREQ(mGetFieldStr(h, 1), "bob");
  EXPECT_EQ(mQueryNext(q), 0);
  ASSERT_EQ(mQueryPrev(q), 1);
  ASSERT_EQ(mQueryLast(q), 1);
  EXPECT_EQ(mQuery(q, "nosuch=1"), 0);
  EXPECT_STREQ(mQueryErrMsg(q), "Syntax error in Query clause: unknown field nosuch");
  EXPECT_EQ(mQuery(q, nullptr), 0);
  EXPECT_EQ(mCreateQuery(31), -1);
  for (int i = 1; i < 32; ++i) ASSERT_EQ(mCreateQuery(h), i);
  EXPECT_EQ(mCreateQuery(h), -1);
  EXPECT_EQ(mCloseQuery(5), 1);
  EXPECT_EQ(mCloseQuery(5), 0);
  EXPECT_EQ(mCreateQuery(h), 5);
}

TEST_F(FlatTest, AQueryOutlivingItsDatabaseHandleAnswersNothing) {
  const int h = OpenFilled();
  const int q = mCreateQuery(h);
  ASSERT_EQ(mQuery(q, "age=25"), 1);
  ASSERT_EQ(mClose(h), 1);
  // Another file takes the freed database slot: the query does not reach it.
  const int other = mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT);
  ASSERT_EQ(other, h);
  EXPECT_EQ(mQueryCount(q), 0);
  EXPECT_EQ(mQueryFirst(q), 0);
  EXPECT_EQ(mQueryLast(q), 0);
  EXPECT_EQ(mQuery(q, "age=25"), 0);
  EXPECT_STREQ(mQueryErrMsg(q), "not found a orvex handle");
  EXPECT_EQ(mCloseQuery(q), 1);
}

TEST_F(FlatTest, EveryFunctionRefusesABadHandle) {
  CreateFile();
  VARIANT v = I4(1);
  KEY_INFO info;
  char buffer[256] = {};
  for (int h : {-1, 32, 5, -2147483647 - 1, 2147483647}) {
    EXPECT_EQ(mClose(h), 0);
    EXPECT_EQ(mIsDBOpen(h), 0);
    EXPECT_EQ(mFlush(h), 0);
    EXPECT_EQ(mGetFieldSize(h, 0), 0);
    EXPECT_EQ(mGetFieldNum(h), 0);
    EXPECT_EQ(mGetRecordNum(h), 0);
    EXPECT_EQ(mGetKeyNo(h, "id"), -1);
    EXPECT_EQ(mGetKeyNum(h), 0);
    EXPECT_EQ(mGetKeyType(h, 0), 0);
    EXPECT_EQ(mGetKeyLen(h, 0), 0);
    EXPECT_STREQ(mGetKeyName(h, 0), "");
    EXPECT_EQ(mGetKeyInfo(h, 0, &info), 0);
    EXPECT_EQ(mGetCurKeyNo(h), -1);
    EXPECT_EQ(mMoveFirst(h, 0) + mMoveNext(h, 0) + mMovePrev(h, 0) + mMoveLast(h, 0), 0);
    EXPECT_EQ(mGetFirst(h, 0, buffer, 0) + mGetNext(h, 0, buffer, 0) + mGetPrev(h, 0, buffer, 0) +
                  mGetLast(h, 0, buffer, 0),
              0);
    EXPECT_EQ(mInsert(h) + mUpdate(h) + mInsert_(h, buffer, 0) + mUpdate_(h, buffer, 0) + mDelete(h), 0);
    EXPECT_EQ(mGetField(h, 0).vt, VT_EMPTY);
    EXPECT_EQ(mSetField(h, &v, 0), 0);
    EXPECT_STREQ(mGetFieldStr(h, 0), "");
    EXPECT_STREQ(mGetFieldStr_(h, 0), "");
    EXPECT_EQ(mSetFieldStr(h, "1", 0), 0);
    EXPECT_EQ(mGetField_(h, buffer, 0) + mSetField_(h, buffer, 0), 0);
    EXPECT_EQ(mEqual(h, 0, &v) + mGreaterEqual(h, 0, &v) + mLessEqual(h, 0, &v) + mGreater(h, 0, &v) +
                  mLess(h, 0, &v),
              0);
    EXPECT_EQ(mStrEqual(h, 0, "1") + mStrGreaterEqual(h, 0, "1") + mStrLessEqual(h, 0, "1") +
                  mStrGreater(h, 0, "1") + mStrLess(h, 0, "1"),
              0);
    EXPECT_EQ(mGetEqual(h, 0, buffer, buffer, 0) + mGetGreaterEqual(h, 0, buffer, buffer, 0) +
                  mGetLessEqual(h, 0, buffer, buffer, 0) + mGetGreater(h, 0, buffer, buffer, 0) +
                  mGetLess(h, 0, buffer, buffer, 0),
              0);
    EXPECT_EQ(mMultiEqual(h, 0) + mMultiGreaterEqual(h, 0) + mMultiLessEqual(h, 0) + mMultiGreater(h, 0) +
                  mMultiLess(h, 0),
              0);
    EXPECT_EQ(mSetMultiKeyVal(h, 0, &v, 0), 1);
    EXPECT_EQ(mStrMultiKeyVal(h, 0, "1", 0), 1);
    EXPECT_EQ(mGetMultiKey(h, 0, &v, 0), 0);
    EXPECT_EQ(mMultiKeyFirst(h, 0) + mMultiKeyNext(h, 0) + mMultiKeyPrev(h, 0) + mMultiKeyLast(h, 0), 0);
    EXPECT_EQ(mKeyFirst(h, 0, &v) + mKeyNext(h, 0, &v) + mKeyPrev(h, 0, &v) + mKeyLast(h, 0, &v), 0);
    EXPECT_EQ(mGetKeyFirst(h, 0, buffer) + mGetKeyNext(h, 0, buffer) + mGetKeyPrev(h, 0, buffer) +
                  mGetKeyLast(h, 0, buffer),
              0);
    EXPECT_STREQ(mGetVersion(h), "");
    EXPECT_STREQ(mGetDescription(h), "");
    EXPECT_EQ(mCreateQuery(h), -1);
    EXPECT_EQ(mQuery(h, "a=1"), 0);
    EXPECT_EQ(mQueryCount(h), 0);
    EXPECT_EQ(mQueryFirst(h) + mQueryNext(h) + mQueryPrev(h) + mQueryLast(h), 0);
    EXPECT_STREQ(mQueryErrMsg(h), "");
    EXPECT_EQ(mCloseQuery(h), 0);
  }
  // Null texts on a good handle.
  const int h = mOpen(path_.c_str(), ORVEX_OPEN_DEFAULT);
  ASSERT_GE(h, 0);
  EXPECT_EQ(mGetFieldNo(h, nullptr), -1);
  EXPECT_EQ(mGetKeyNo(h, nullptr), -1);
  EXPECT_EQ(mSetFieldStr(h, nullptr, 0), 0);
  EXPECT_EQ(mStrEqual(h, 0, nullptr), 0);
  EXPECT_EQ(mStrMultiKeyVal(h, 0, nullptr, 0), 0);
  EXPECT_EQ(mStr2Buff(nullptr, buffer), 0);
  EXPECT_EQ(mStr2Buff("x", nullptr), 0);
  EXPECT_EQ(mCreateDB(nullptr, "x"), 0);
}

TEST(WideStrings, AllocationLengthAndRelease) {
  BSTR s = SysAllocStringLen(u"abc", 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<char*>(s) - 4, 4);
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(s[3], u'\0');
  SysFreeString(s);
  s = SysAllocStringLen(nullptr, 2);
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(SysStringLen(s), 2u);
  SysFreeString(s);
  SysFreeString(nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(u"x", 1);
  EXPECT_EQ(VariantClear(&v), 0);
  EXPECT_EQ(v.vt, VT_EMPTY);
  VariantInit(nullptr);
  EXPECT_EQ(VariantClear(nullptr), 0);
}

}  // namespace
