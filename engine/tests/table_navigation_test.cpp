// Seeks and walks.
#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex_test;

namespace {

class Nav : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DefinePeople(db));
    ASSERT_TRUE(db.CreateDB(dir.File("n.db").c_str(), ""));
  }
  void AddIds(std::initializer_list<int> ids) {
    for (int id : ids) ASSERT_TRUE(AddPerson(db, id, ("p" + std::to_string(id)).c_str(), id * 1.5));
  }
  TempDir dir;
  COrvex db;
};

}  // namespace

TEST_F(Nav, ValueSeeksPickTheRightNeighbour) {
  AddIds({10, 20, 30});
  int v = 31;
  EXPECT_FALSE(db.GetGreaterEqual(0, &v));
  v = 15;
  ASSERT_TRUE(db.GetGreaterEqual(0, &v));
  EXPECT_EQ(CurrentId(db), 20);
  ASSERT_TRUE(db.GetGreater(0, &v));
  EXPECT_EQ(CurrentId(db), 20);
  v = 20;
  ASSERT_TRUE(db.GetGreater(0, &v));
  EXPECT_EQ(CurrentId(db), 30);
  v = 10;
  EXPECT_FALSE(db.GetLess(0, &v));
  ASSERT_TRUE(db.GetLessEqual(0, &v));
  EXPECT_EQ(CurrentId(db), 10);
  v = 29;
  ASSERT_TRUE(db.GetLess(0, &v));
  EXPECT_EQ(CurrentId(db), 20);
  v = 25;
  EXPECT_FALSE(db.GetEqual(0, &v));
  EXPECT_EQ(CurrentId(db), 20);  // a failed seek leaves the position
}

TEST_F(Nav, DeadEntriesAreSkipped) {
  AddIds({4, 5, 6});
  int v = 5;
  ASSERT_TRUE(db.GetEqual(0, &v));
  ASSERT_TRUE(db.Delete());
  EXPECT_FALSE(db.GetEqual(0, &v));
  ASSERT_TRUE(db.GetGreaterEqual(0, &v));
  EXPECT_EQ(CurrentId(db), 6);
  ASSERT_TRUE(db.GetLessEqual(0, &v));
  EXPECT_EQ(CurrentId(db), 4);
  ASSERT_TRUE(db.GetNext(0));
  EXPECT_EQ(CurrentId(db), 6);
}

TEST_F(Nav, EqualValuesComeInInsertionOrderBothWays) {
  ASSERT_TRUE(AddPerson(db, 1, "A", 0));
  ASSERT_TRUE(AddPerson(db, 2, "same", 0));
  ASSERT_TRUE(AddPerson(db, 3, "same", 0));
  ASSERT_TRUE(AddPerson(db, 4, "same", 0));
  ASSERT_TRUE(AddPerson(db, 5, "z", 0));
  char v[32] = "same";
  ASSERT_TRUE(db.GetEqual(1, v));
  EXPECT_EQ(CurrentId(db), 2);
  ASSERT_TRUE(db.GetNext(1));
  EXPECT_EQ(CurrentId(db), 3);
  ASSERT_TRUE(db.GetNext(1));
  EXPECT_EQ(CurrentId(db), 4);
  ASSERT_TRUE(db.GetNext(1));
  EXPECT_EQ(CurrentId(db), 5);
  ASSERT_TRUE(db.GetLessEqual(1, v));
  EXPECT_EQ(CurrentId(db), 4);
  ASSERT_TRUE(db.GetPrev(1));
  EXPECT_EQ(CurrentId(db), 3);
  ASSERT_TRUE(db.GetPrev(1));
  ASSERT_TRUE(db.GetPrev(1));
  EXPECT_EQ(CurrentId(db), 1);
  char z[32] = "z";
  ASSERT_TRUE(db.GetLess(1, z));
  EXPECT_EQ(CurrentId(db), 4);  // a chain entered from above gives its last
  ASSERT_TRUE(db.GetLast(1));
  ASSERT_TRUE(db.GetPrev(1));
  EXPECT_EQ(CurrentId(db), 4);
}

TEST_F(Nav, AFullWalkVisitsEveryLiveRecordOnce) {
  for (int i = 0; i < 2000; ++i) ASSERT_TRUE(AddPerson(db, (i * 7919) % 2000, i % 3 ? "b" : "a", i));
  for (int id = 0; id < 2000; id += 3) {
    ASSERT_TRUE(db.GetEqual(0, &id));
    ASSERT_TRUE(db.Delete());
  }
  for (int key : {0, 1}) {
    std::vector<int> seen;
    for (bool ok = db.GetFirst(key); ok; ok = db.GetNext(key)) seen.push_back(CurrentId(db));
    EXPECT_EQ(static_cast<int>(seen.size()), db.GetRecordNum());
    int last = seen.back();
    EXPECT_FALSE(db.GetNext(key));
    EXPECT_EQ(CurrentId(db), last);  // the step after the last keeps the position
    std::vector<int> back;
    for (bool ok = db.GetLast(key); ok; ok = db.GetPrev(key)) back.push_back(CurrentId(db));
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, seen);
    if (key == 0) {
      EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
  }
}

TEST_F(Nav, EachKeyKeepsItsOwnPosition) {
  ASSERT_TRUE(AddPerson(db, 1, "c", 0));
  ASSERT_TRUE(AddPerson(db, 2, "b", 0));
  ASSERT_TRUE(AddPerson(db, 3, "a", 0));
  ASSERT_TRUE(db.GetFirst(0));
  ASSERT_TRUE(db.GetFirst(1));
  EXPECT_EQ(CurrentId(db), 3);
  ASSERT_TRUE(db.GetNext(0));
  EXPECT_EQ(CurrentId(db), 2);
  ASSERT_TRUE(db.GetNext(1));
  EXPECT_EQ(CurrentId(db), 2);
  ASSERT_TRUE(db.GetNext(0));
  EXPECT_EQ(CurrentId(db), 3);
  ASSERT_TRUE(db.GetNext(1));
  EXPECT_EQ(CurrentId(db), 1);
  EXPECT_EQ(db.GetCurKeyNo(), 1);
}

TEST_F(Nav, StepsAfterADeleteContinueFromItsPlace) {
  AddIds({1, 2, 3});
  int v = 2;
  ASSERT_TRUE(db.GetEqual(0, &v));
  ASSERT_TRUE(db.Delete());
  EXPECT_EQ(db.GetCurRec(0), -1);
  ASSERT_TRUE(db.GetPrev(0));
  EXPECT_EQ(CurrentId(db), 1);
}

TEST_F(Nav, KeyValueWalksReturnKeysAndLoadLater) {
  double values[] = {2.5, -7.125, 1e-300};
  COrvex d;
  TempDir dd;
  ASSERT_TRUE(d.CreateField("x", ORVEX_DOUBLE, 0));
  ASSERT_TRUE(d.CreateField("tag", ORVEX_INT, 0));
  ASSERT_TRUE(d.CreateKey("x", 1, 0, 0, 0, 0));
  ASSERT_TRUE(d.CreateDB(dd.File("d.db").c_str(), ""));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(d.SetField(&values[i], 0));
    ASSERT_TRUE(d.SetField(&i, 1));
    ASSERT_TRUE(d.Insert());
  }
  double k = 0;
  ASSERT_TRUE(d.GetKeyFirst(0, &k));
  EXPECT_EQ(k, -7.125);
  int tag = -1;
  ASSERT_TRUE(d.GetField(&tag, 1));  // the record is read now
  EXPECT_EQ(tag, 1);
  ASSERT_TRUE(d.GetKeyNext(0, &k));
  EXPECT_EQ(k, 1e-300);
  ASSERT_TRUE(d.GetKeyLast(0, &k));
  EXPECT_EQ(k, 2.5);
  ASSERT_TRUE(d.GetKeyPrev(0, &k));
  EXPECT_EQ(k, 1e-300);
  ASSERT_TRUE(d.GetField(&tag, 1));
  EXPECT_EQ(tag, 2);
  EXPECT_FALSE(d.GetKeyFirst(0, nullptr));
}

TEST_F(Nav, CompareKeyNextTellsWhetherTheValueGoesOn) {
  ASSERT_TRUE(AddPerson(db, 1, "ann", 0));
  ASSERT_TRUE(AddPerson(db, 2, "bob", 0));
  ASSERT_TRUE(AddPerson(db, 3, "bob", 0));
  ASSERT_TRUE(AddPerson(db, 4, "cid", 0));
  char v[33] = "bob";
  ASSERT_TRUE(db.GetEqual(1, v));
  short code = 0;
  EXPECT_TRUE(db.CompareKeyNext(1, v, &code));
  EXPECT_EQ(CurrentId(db), 3);
  EXPECT_FALSE(db.CompareKeyNext(1, v, &code));  // "cid": false, but moved
  EXPECT_EQ(CurrentId(db), 4);
  code = 1;  // stepping back to "bob": "cid" is larger than it
  char cid[33] = "cid";
  EXPECT_TRUE(db.CompareKeyPrev(1, cid, &code));
  EXPECT_EQ(CurrentId(db), 3);
  char out[33] = {};
  ASSERT_TRUE(db.GetFirst(1));
  EXPECT_TRUE(db.CompareKeyNext(1, out, nullptr));
  EXPECT_STREQ(out, "bob");
  EXPECT_TRUE(db.CompareKeyNext(1, nullptr, nullptr));
  int id = 2;
  ASSERT_TRUE(db.GetEqual(0, &id));
  int next = 3;
  code = 0;
  EXPECT_TRUE(db.CompareKeyNext(0, &next, &code));  // 3 - 3 == 0
  code = -1;
  EXPECT_TRUE(db.CompareKeyNext(0, &next, &code));  // 3 - 4 == -1
}

TEST_F(Nav, TextValueLongerThanTheKeyFailsOnlyForEqual) {
  COrvex d;
  TempDir dd;
  ASSERT_TRUE(d.CreateField("t", ORVEX_TEXT, 20));
  ASSERT_TRUE(d.CreateKey("t", 1, 0, 1, 0, 8));
  ASSERT_TRUE(d.CreateDB(dd.File("t.db").c_str(), ""));
  ASSERT_TRUE(d.SetFieldStr("abcdefgh-one", 0));
  ASSERT_TRUE(d.Insert());
  EXPECT_FALSE(d.GetEqual(0, "abcdefghX"));
  ASSERT_TRUE(d.GetGreaterEqual(0, "abcdefghX"));
  EXPECT_STREQ(d.GetFieldStr(0), "abcdefgh-one");
  EXPECT_TRUE(d.GetEqual(0, "abcdefgh"));
}

TEST_F(Nav, PlainWalksCheckTheirPreconditions) {
  COrvex closed;
  EXPECT_FALSE(closed.SeekFirst(0));
  EXPECT_FALSE(closed.SeekNext(0));
  EXPECT_FALSE(db.SeekFirst(0));  // empty index
  AddIds({1, 2});
  EXPECT_FALSE(db.SeekNext(0));  // no current leaf yet
  EXPECT_FALSE(db.SeekFirst(5));
  EXPECT_FALSE(db.SeekLast(-1));
  EXPECT_FALSE(db.SeekPrev(10));
  ASSERT_TRUE(db.SeekFirst(0));
  EXPECT_EQ(db.GetCurRec(0), 15472);
  ASSERT_TRUE(db.SeekNext(0));
  EXPECT_FALSE(db.SeekNext(0));
  ASSERT_TRUE(db.SeekLast(1));
  ASSERT_TRUE(db.SeekPrev(1));
  EXPECT_FALSE(db.GetNext(7));
  EXPECT_FALSE(db.GetEqual(0, nullptr));
}

// The plain walks do not read the record, but the field accessors and
// Delete act on the record at the position: they read it first.
TEST_F(Nav, FieldsAndDeleteAfterAPlainWalkActOnTheRecordThere) {
  AddIds({1, 2, 3, 4});
  ASSERT_TRUE(db.GetFirst(0));
  ASSERT_TRUE(db.SeekNext(0));
  EXPECT_EQ(CurrentId(db), 2);
  EXPECT_STREQ(db.GetFieldStr(1), "p2");
  ASSERT_TRUE(db.SeekNext(0));
  ASSERT_TRUE(db.Delete());  // id 3, under both keys
  EXPECT_EQ(db.GetRecordNum(), 3);
  int three = 3;
  EXPECT_FALSE(db.GetEqual(0, &three));
  char name[32] = "p3";
  EXPECT_FALSE(db.GetEqual(1, name));
  std::vector<int> byName;
  for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) byName.push_back(CurrentId(db));
  EXPECT_EQ(byName, (std::vector<int>{1, 2, 4}));
  // Through the duplicates key as well.
  ASSERT_TRUE(db.SeekFirst(1));
  ASSERT_TRUE(db.Delete());  // id 1
  std::vector<int> byId;
  for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) byId.push_back(CurrentId(db));
  EXPECT_EQ(byId, (std::vector<int>{2, 4}));
}

TEST(NavKinds, MultiFieldKeySeeksWithAPackedValue) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("city", ORVEX_TEXT, 12));
  ASSERT_TRUE(db.CreateField("rank", ORVEX_SHORT, 0));
  KEY_INFO info = {};
  std::strcpy(info.keyName, "cityrank");
  info.fieldNum = 2;
  info.attribute = 2;
  info.fieldNo[0] = 0;
  info.length[0] = 4;
  info.compareMode[0] = 2;
  info.fieldNo[1] = 1;
  ASSERT_TRUE(db.CreateKey(info));
  ASSERT_TRUE(db.CreateDB(dir.File("m.db").c_str(), ""));
  struct Row {
    const char* city;
    short rank;
  } rows[] = {{"Oslo", 2}, {"oslo-east", 1}, {"Bern", 7}, {"Oslo", -3}, {"Rome", 0}};
  for (const Row& r : rows) {
    ASSERT_TRUE(db.SetFieldStr(r.city, 0));
    ASSERT_TRUE(db.SetField(&r.rank, 1));
    bool ok = db.Insert();
    // "oslo-east" folds to the same 4-byte slice as "Oslo" with another rank.
    EXPECT_TRUE(ok) << r.city << r.rank;
  }
  auto packed = [](const char* city, short rank, uint8_t* out) {
    std::memset(out, 0, 6);
    std::memcpy(out, city, std::min<size_t>(4, std::strlen(city)));
    std::memcpy(out + 4, &rank, 2);
  };
  uint8_t v[6];
  packed("OSLO", 1, v);
  ASSERT_TRUE(db.GetEqual(0, v));
  EXPECT_STREQ(db.GetFieldStr(0), "oslo-east");
  packed("oslo", 0, v);
  ASSERT_TRUE(db.GetGreaterEqual(0, v));
  EXPECT_STREQ(db.GetFieldStr(1), "1");
  std::vector<std::string> order;
  for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) {
    std::string city = db.GetFieldStr(0);  // the answer is replaced by the next call
    order.push_back(city + "/" + db.GetFieldStr(1));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"Bern/7", "Oslo/-3", "oslo-east/1", "Oslo/2", "Rome/0"}));
  uint8_t key[7];
  ASSERT_TRUE(db.GetKeyLast(0, key));
  EXPECT_EQ(std::memcmp(key, "Rome", 4), 0);
}

TEST(NavKinds, BoolAndShortKeysWalkInOrder) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("flag", ORVEX_BOOL, 0));
  ASSERT_TRUE(db.CreateField("small", ORVEX_SHORT, 0));
  ASSERT_TRUE(db.CreateKey("flag", 1, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("small", 1, 1, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("b.db").c_str(), ""));
  for (int i = 0; i < 300; ++i) {
    uint8_t flag = i % 2;
    short small = static_cast<short>(150 - i);
    ASSERT_TRUE(db.SetField(&flag, 0));
    ASSERT_TRUE(db.SetField(&small, 1));
    ASSERT_TRUE(db.Insert());
  }
  int zeros = 0, ones = 0;
  uint8_t f = 9;
  for (bool ok = db.GetKeyFirst(0, &f); ok; ok = db.GetKeyNext(0, &f)) (f ? ones : zeros)++;
  EXPECT_EQ(zeros, 150);
  EXPECT_EQ(ones, 150);
  short s = 0, last = -32768;
  int n = 0;
  for (bool ok = db.GetKeyFirst(1, &s); ok; ok = db.GetKeyNext(1, &s), ++n) {
    EXPECT_GT(s, last);
    last = s;
  }
  EXPECT_EQ(n, 300);
  short below = -149;
  EXPECT_FALSE(db.GetLess(1, &below));
  below = -148;
  ASSERT_TRUE(db.GetLess(1, &below));
  EXPECT_STREQ(db.GetFieldStr(1), "-149");
}
