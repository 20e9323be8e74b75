// Values a careless or hostile caller may hand over: texts with bytes after
// their NUL, NaN in a key, records whose first bytes spell the duplicate-node
// tag. None of them may leave an index that disagrees with its records.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "test_util.h"

using namespace orvex_test;

namespace {

// The names of every record under a key, in key order (ids).
std::vector<int> WalkIds(COrvex& db, int key, int idField) {
  std::vector<int> ids;
  for (bool ok = db.GetFirst(key); ok; ok = db.GetNext(key)) {
    int id = -1;
    db.GetField(&id, idField);
    ids.push_back(id);
  }
  return ids;
}

// id int (unique key 0), t text 10 with a case-sensitive key on its slice
// from byte 3, four bytes long (duplicates allowed, key 1).
void CreateSliced(COrvex& db, const std::string& path, bool trimmed) {
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 10));
  ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("slice", 1, 1, 1, 3, 4));
  db.EnableTrimRecord(trimmed);
  ASSERT_TRUE(db.CreateDB(path.c_str(), ""));
}

}  // namespace

// A reused buffer holds "ab", its NUL and then the remains of a longer text.
// The record keeps "ab" (and reads back NUL-padded), and its key on the slice
// from byte 3 is the slice of what is kept: empty, never "defg".
TEST(HostileValues, BytesAfterANulNeverReachAKey) {
  for (bool trimmed : {true, false}) {
    SCOPED_TRACE(trimmed ? "trimmed records" : "fixed records");
    TempDir dir;
    COrvex db;
    CreateSliced(db, dir.File("s.db"), trimmed);
    const char reused[10] = {'a', 'b', 0, 'd', 'e', 'f', 'g', 'h', 0, 0};
    int id = 1;
    ASSERT_TRUE(db.SetField(&id, 0));
    ASSERT_TRUE(db.SetField(reused, 1));
    ASSERT_TRUE(db.Insert()) << db.GetErrMsg();
    // The same through a record image, and through an update.
    uint8_t image[14];
    id = 2;
    std::memcpy(image, &id, 4);
    const char other[10] = {'x', 'y', 0, 'z', 'z', 'z', 'z', 0, 0, 0};
    std::memcpy(image + 4, other, 10);
    ASSERT_TRUE(db.Insert(image)) << db.GetErrMsg();
    id = 3;
    ASSERT_TRUE(db.SetField(&id, 0));
    ASSERT_TRUE(db.SetFieldStr("plain", 1));
    ASSERT_TRUE(db.Insert());
    ASSERT_TRUE(db.GetEqual(0, &id));
    ASSERT_TRUE(db.SetField(reused, 1));
    ASSERT_TRUE(db.Update()) << db.GetErrMsg();

    EXPECT_FALSE(db.GetEqual(1, "defg"));
    EXPECT_FALSE(db.GetEqual(1, "zzzz"));
    EXPECT_FALSE(db.GetGreaterEqual(1, "a"));  // every slice is empty
    ASSERT_TRUE(db.GetEqual(1, ""));
    EXPECT_EQ(WalkIds(db, 1, 0), (std::vector<int>{1, 2, 3}));
    for (int want : {1, 2, 3}) {
      ASSERT_TRUE(db.GetEqual(0, &want));
      char got[10];
      ASSERT_TRUE(db.GetField(got, 1));
      EXPECT_EQ(std::string(got, 10), std::string(want == 2 ? "xy" : "ab") + std::string(8, '\0')) << want;
    }
    // Each record leaves every key when deleted, through either key.
    id = 1;
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_TRUE(db.Delete()) << db.GetErrMsg();
    ASSERT_TRUE(db.GetEqual(1, ""));
    EXPECT_TRUE(db.Delete()) << db.GetErrMsg();
    id = 3;
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_TRUE(db.Delete()) << db.GetErrMsg();
    EXPECT_EQ(db.GetRecordNum(), 0);
    EXPECT_FALSE(db.GetFirst(0));
    EXPECT_FALSE(db.GetFirst(1));
  }
}

// NaN compares equal to every value, so it cannot take a place in a float or
// double key: an insert or update that would put one there is refused with
// an error text. A NaN in a field that no key uses is kept as given.
TEST(HostileValues, NanIsRefusedInAKeyAndKeptElsewhere) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("f", ORVEX_FLOAT, 0));
  ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
  ASSERT_TRUE(db.CreateField("free", ORVEX_DOUBLE, 0));
  ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("f", 1, 1, 0, 0, 0));
  KEY_INFO info = {};
  std::strcpy(info.keyName, "d_id");
  info.fieldNo[0] = 2;
  info.fieldNo[1] = 0;
  info.fieldNum = 2;
  info.attribute = 2;
  ASSERT_TRUE(db.CreateKey(info));
  ASSERT_TRUE(db.CreateDB(dir.File("n.db").c_str(), ""));
  auto add = [&](int id, const char* f, const char* d, const char* free) {
    return db.SetField(&id, 0) && db.SetFieldStr(f, 1) && db.SetFieldStr(d, 2) && db.SetFieldStr(free, 3) &&
           db.Insert();
  };
  // Enough values for a tree of several leaves, in an order that fills both
  // ends of it.
  for (int i = 0; i < 450; ++i) {
    const int v = (i * 37) % 450;
    ASSERT_TRUE(add(v, std::to_string(v * 0.5).c_str(), std::to_string(v).c_str(), "1")) << db.GetErrMsg();
  }
  for (const char* field : {"f", "d"}) {
    SCOPED_TRACE(field);
    const bool inF = std::string(field) == "f";
    EXPECT_FALSE(add(1000, inF ? "nan" : "1", inF ? "1" : "nan", "1"));
    EXPECT_STRNE(db.GetErrMsg(), "");
    EXPECT_EQ(db.GetRecordNum(), 450);
    EXPECT_FALSE(add(1001, inF ? "-nan" : "2", inF ? "2" : "-nan", "1"));
    EXPECT_EQ(db.GetRecordNum(), 450);
  }
  ASSERT_TRUE(add(2000, "inf", "-inf", "nan")) << db.GetErrMsg();
  int id = 2000;
  ASSERT_TRUE(db.GetEqual(0, &id));
  double free = 0;
  ASSERT_TRUE(db.GetField(&free, 3));
  EXPECT_TRUE(std::isnan(free));

  // An update to NaN is refused and the record stays as it was.
  id = 17;
  ASSERT_TRUE(db.GetEqual(0, &id));
  ASSERT_TRUE(db.SetFieldStr("nan", 1));
  EXPECT_FALSE(db.Update());
  EXPECT_STRNE(db.GetErrMsg(), "");
  ASSERT_TRUE(db.GetEqual(0, &id));
  EXPECT_STREQ(db.GetFieldStr(1), "8.500000");

  // Every record is still found by its float value and deletes whole.
  for (int v = 0; v < 450; ++v) {
    const float f = v * 0.5f;
    ASSERT_TRUE(db.GetEqual(1, &f)) << v;
    int got = -1;
    ASSERT_TRUE(db.GetField(&got, 0));
    ASSERT_EQ(got, v);
    ASSERT_TRUE(db.Delete()) << v << ": " << db.GetErrMsg();
  }
  EXPECT_EQ(db.GetRecordNum(), 1);
}

// A leaf entry points at a record or at a duplicate chain, told apart by the
// tag "fDUPKEY" at the start of the block. A record whose block would start
// with the tag is refused, so no record is ever taken for a chain.
TEST(HostileValues, ARecordThatWouldReadAsADuplicateNodeIsRefused) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 16));
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("id", 2, 1, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("t", 1, 0, 1, 0, 0));
  db.EnableTrimRecord(false);
  ASSERT_TRUE(db.CreateDB(dir.File("f.db").c_str(), ""));
  auto add = [&](int id, const char* t) { return db.SetField(&id, 1) && db.SetFieldStr(t, 0) && db.Insert(); };
  ASSERT_TRUE(add(1, "plain"));
  ASSERT_TRUE(add(2, "fDUPKE"));  // one letter short of the tag: a record
  EXPECT_FALSE(add(3, "fDUPKEY"));
  EXPECT_STRNE(db.GetErrMsg(), "");
  EXPECT_FALSE(add(4, "fDUPKEYS and more"));
  EXPECT_EQ(db.GetRecordNum(), 2);
  // An update that would make one is refused too; the record stays.
  int id = 1;
  ASSERT_TRUE(db.GetEqual(0, &id));
  ASSERT_TRUE(db.SetFieldStr("fDUPKEY", 0));
  EXPECT_FALSE(db.Update());
  ASSERT_TRUE(db.GetEqual(0, &id));
  EXPECT_STREQ(db.GetFieldStr(0), "plain");
  EXPECT_FALSE(db.GetEqual(1, "fDUPKEY"));
  EXPECT_EQ(WalkIds(db, 1, 1), (std::vector<int>{2, 1}));
  ASSERT_TRUE(db.GetEqual(1, "fDUPKE"));
  EXPECT_TRUE(db.Delete()) << db.GetErrMsg();
  EXPECT_EQ(WalkIds(db, 1, 1), (std::vector<int>{1}));
}

// In a trimmed file a block starts with its length: a block of 17510 bytes
// (0x4466, "fD") whose first field continues with "UPKEY" would read as the
// tag too.
TEST(HostileValues, ATrimmedBlockThatWouldReadAsADuplicateNodeIsRefused) {
  TempDir dir;
  COrvex db;
  // id int (key 0 unique), a int (duplicates key 1) first in the record,
  // then texts: b (2 + 89 bytes trimmed), 16 full texts of 1024 and c.
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("b", ORVEX_TEXT, 100));
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(db.CreateField(("x" + std::to_string(i)).c_str(), ORVEX_TEXT, 1024));
  ASSERT_TRUE(db.CreateField("c", ORVEX_TEXT, 1000));
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("id", 2, 19, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("a", 1, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  const std::string full(1024, 'x');
  auto fill = [&](int id, int c) {
    const int32_t a = 0x454B5055;  // "UPKE"
    db.SetField(&a, 0);
    db.SetFieldStr(("Y" + std::string(88, 'b')).c_str(), 1);  // length 89: 0x59 'Y'
    for (int i = 0; i < 16; ++i) db.SetFieldStr(full.c_str(), 2 + i);
    db.SetFieldStr(std::string(c, 'c').c_str(), 18);
    db.SetField(&id, 19);
  };
  fill(1, 990);  // 17509 bytes: a record like any other
  ASSERT_TRUE(db.Insert()) << db.GetErrMsg();
  fill(2, 991);  // 17510 bytes: "fDUPKEY"
  EXPECT_FALSE(db.Insert());
  EXPECT_STRNE(db.GetErrMsg(), "");
  EXPECT_EQ(db.GetRecordNum(), 1);
  fill(3, 992);
  ASSERT_TRUE(db.Insert()) << db.GetErrMsg();
  EXPECT_EQ(WalkIds(db, 1, 19), (std::vector<int>{1, 3}));
  int id = 3;
  ASSERT_TRUE(db.GetEqual(0, &id));
  EXPECT_TRUE(db.Delete()) << db.GetErrMsg();
  EXPECT_EQ(WalkIds(db, 1, 19), (std::vector<int>{1}));
}
