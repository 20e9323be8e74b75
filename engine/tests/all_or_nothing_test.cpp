// Insert, Update and Delete are all-or-nothing: an operation that fails
// leaves every record under every key as it was, and says why.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "table/table.h"
#include "mem_fs.h"
#include "test_util.h"

using namespace orvex_test;
using orvex_test::MemFs;

namespace {

// The people table of n records, ids 0..n-1; the first `same` are named
// "aaa" (one duplicate chain under key 1), the others "n<id>".
void MakePeople(const std::string& path, int n, int same) {
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  ASSERT_TRUE(db.CreateDB(path.c_str(), ""));
  for (int i = 0; i < n; ++i) {
    ASSERT_TRUE(AddPerson(db, i, i < same ? "aaa" : ("n" + std::to_string(i)).c_str(), i));
  }
}

int RecordOf(COrvex& db, int id) { return db.GetEqual(0, &id) ? db.GetCurRec(0) : -1; }

// Ids in key order under a key.
std::vector<int> Walk(COrvex& db, int key) {
  std::vector<int> ids;
  for (bool ok = db.GetFirst(key); ok && ids.size() < 10000; ok = db.GetNext(key)) ids.push_back(CurrentId(db));
  return ids;
}

std::vector<int> Ids(int from, int to) {
  std::vector<int> v;
  for (int i = from; i < to; ++i) v.push_back(i);
  return v;
}

// Every record of ids 0..n-1 is found under key 0 with its own name and
// value, and the name key holds them all.
void ExpectWhole(COrvex& db, int n, int same) {
  EXPECT_EQ(db.GetRecordNum(), n);
  EXPECT_EQ(Walk(db, 0), Ids(0, n));
  std::vector<int> byName = Walk(db, 1);
  std::sort(byName.begin(), byName.end());
  EXPECT_EQ(byName, Ids(0, n));
  for (int id = 0; id < n; ++id) {
    ASSERT_TRUE(db.GetEqual(0, &id)) << id;
    EXPECT_STREQ(db.GetFieldStr(1), id < same ? "aaa" : ("n" + std::to_string(id)).c_str()) << id;
    double v = -1;
    db.GetField(&v, 2);
    EXPECT_EQ(v, id) << id;
  }
  char same_[32] = "aaa";
  std::vector<int> chain;
  for (bool ok = db.GetEqual(1, same_); ok && std::strcmp(db.GetFieldStr(1), "aaa") == 0; ok = db.GetNext(1))
    chain.push_back(CurrentId(db));
  EXPECT_EQ(chain, Ids(0, same));
}

// The duplicate node that holds `record` in the chain hanging from `head`.
int32_t NodeOf(const std::vector<uint8_t>& b, int32_t head, int32_t record) {
  for (int32_t at = head; at != -1; at = Le32(b, at + 12))
    if (Le32(b, at + 8) == record) return at;
  return -1;
}

// The head of the chain of "aaa" (key 1's root is its only leaf).
int32_t ChainHead(const std::vector<uint8_t>& b) {
  int32_t leaf = Le32(b, 15252 + 4);
  return Le32(b, leaf + 808);
}

}  // namespace

// Near the largest offset a file can have, an update that needs room fails;
// the record it was to replace is still there, unchanged, under every key.
TEST(AllOrNothing, AnUpdateThatCannotGrowTheFileKeepsTheRecord) {
  TempDir dir;
  const std::string path = dir.File("big.db");
  MakePeople(path, 10, 4);
  ASSERT_EQ(truncate(path.c_str(), INT32_MAX - 3000), 0);  // sparse: no disk used
  COrvex db(path.c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
  for (int id : {2, 7}) {
    ASSERT_TRUE(db.GetEqual(0, &id));
    ASSERT_TRUE(db.SetFieldStr("renamed", 1));
    EXPECT_FALSE(db.Update());
    EXPECT_STREQ(db.GetErrMsg(), "file would grow past 2147483647 bytes");
  }
  ExpectWhole(db, 10, 4);
}

// A chain under key 1 whose head names a record as its last node: appending
// to it fails. An update through key 0 that keeps the name re-enters that
// chain; it fails, and leaves the record where it was under both keys.
TEST(AllOrNothing, AnUpdateThatMeetsDamageUnderAnotherKeyKeepsTheRecord) {
  TempDir dir;
  const std::string path = dir.File("p.db");
  MakePeople(path, 8, 5);
  auto bytes = ReadBytes(path);
  const int32_t head = ChainHead(bytes);
  ASSERT_EQ(std::memcmp(bytes.data() + head, "fDUPKEY", 8), 0);
  Put32(bytes, head + 20, Le32(bytes, head + 8));  // last: a record, not a node
  WriteBytes(path, bytes);
  COrvex db(path.c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
  for (int attempt = 0; attempt < 2; ++attempt) {
    int id = 2;
    ASSERT_TRUE(db.GetEqual(0, &id));
    const double v = 99;
    ASSERT_TRUE(db.SetField(&v, 2));
    EXPECT_FALSE(db.Update());
    EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
  }
  // A new record with that name cannot join the chain either.
  EXPECT_FALSE(AddPerson(db, 50, "aaa", 50));
  EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
  ExpectWhole(db, 8, 5);
  // Records off the damaged chain still change.
  int id = 6;
  ASSERT_TRUE(db.GetEqual(0, &id));
  ASSERT_TRUE(db.SetFieldStr("n66", 1));
  EXPECT_TRUE(db.Update()) << db.GetErrMsg();
}

// One damaged byte in a duplicate node (the record it names) hides the
// record from key 1. A delete through key 0 finds that out only after key 0
// was done: it fails with an error text and key 0 still has the record, also
// when the delete is tried again.
TEST(AllOrNothing, ADeleteThatMeetsDamageChangesNothing) {
  TempDir dir;
  const std::string path = dir.File("p.db");
  MakePeople(path, 8, 5);
  int32_t target;
  {
    COrvex db(path.c_str(), 66);
    target = RecordOf(db, 3);
  }
  auto bytes = ReadBytes(path);
  const int32_t node = NodeOf(bytes, ChainHead(bytes), target);
  ASSERT_NE(node, -1);
  bytes[node + 8] ^= 0x01;
  WriteBytes(path, bytes);
  COrvex db(path.c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
  for (int attempt = 0; attempt < 3; ++attempt) {
    int id = 3;
    ASSERT_TRUE(db.GetEqual(0, &id)) << "attempt " << attempt;
    EXPECT_FALSE(db.Delete());
    EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
    EXPECT_EQ(db.GetRecordNum(), 8);
  }
  EXPECT_EQ(Walk(db, 0), Ids(0, 8));
  // The records that key 1 still reaches delete as usual.
  for (int id : {4, 0, 7}) {
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_TRUE(db.Delete()) << id << ": " << db.GetErrMsg();
  }
  EXPECT_EQ(Walk(db, 0), (std::vector<int>{1, 2, 3, 5, 6}));
}

namespace {

// Ids under a key, in key order, read through a table object.
std::vector<int> TableWalk(orvex::Table& t, int key) {
  std::vector<int> ids;
  for (bool ok = t.GetFirst(key, nullptr, 0); ok && ids.size() < 10000; ok = t.GetNext(key, nullptr, 0)) {
    int id = -1;
    t.GetField(&id, 0);
    ids.push_back(id);
  }
  return ids;
}

}  // namespace

// Without a cache every write reaches the file at once. Whichever write of
// an insert (splitting leaves), an update (moving a record inside a chain)
// or a delete (unlinking a chain node) fails, the operation fails with an
// error text, and the commit that follows returns the file and the table to
// the last commit: the file's bytes are as they were, and both keys walk as
// before.
TEST(AllOrNothing, AWriteThatFailsMidwayLeavesTheLastCommit) {
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;
  opt.cacheBytes = 0;
  orvex::Table t(opt);
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(t.CreateField("name", ORVEX_TEXT, 8));
  ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(t.CreateKey("name", 1, 1, 1, 0, 0));
  ASSERT_TRUE(t.CreateDB("w.db", ""));
  auto add = [&](int id, const char* name) {
    return t.SetField(&id, 0) && t.SetFieldStr(name, 1) && t.Insert(nullptr, 0);
  };
  // 200 ids in the first leaf of key 0: the next one splits it. Names in
  // chains of 20.
  for (int id = 0; id < 400; id += 2) ASSERT_TRUE(add(id, ("c" + std::to_string(id % 10)).c_str()));
  struct Op {
    const char* what;
    std::function<bool()> run;
  } ops[] = {
      {"insert", [&] { return add(401, "c1"); }},
      {"update", [&] {
         int id = 42;
         return t.GetEqual(0, &id, nullptr, 0) && t.SetFieldStr("c7", 1) && t.Update(nullptr, 0);
       }},
      {"update in place", [&] {
         char c4[8] = "c4";
         return t.GetEqual(1, c4, nullptr, 0) && t.GetNext(1, nullptr, 0) && t.SetFieldStr("c4", 1) &&
                t.Update(nullptr, 0);
       }},
      {"delete", [&] {
         int id = 66;
         return t.GetEqual(0, &id, nullptr, 0) && t.Delete();
       }},
  };
  for (Op& op : ops) {
    SCOPED_TRACE(op.what);
    ASSERT_TRUE(t.Flush()) << t.GetErrMsg();
    const std::vector<uint8_t> before = fs.Bytes("w.db");
    const std::vector<int> byId = TableWalk(t, 0), byName = TableWalk(t, 1);
    int writes = 0;
    for (int n = 0;; ++n) {
      // Write n + 1 of the operation fails, once.
      fs.writes = 0;
      fs.writesLeft = n;
      fs.once = true;
      const bool ok = op.run();
      const int made = fs.writes;
      fs.writesLeft = -1;
      if (ok) {
        writes = made;
        break;
      }
      EXPECT_EQ(std::string(t.GetErrMsg()).rfind("can't write ", 0), 0u) << "write " << n + 1 << ": " << t.GetErrMsg();
      EXPECT_FALSE(t.Flush());
      EXPECT_EQ(fs.Bytes("w.db"), before) << "write " << n + 1;
      EXPECT_EQ(TableWalk(t, 0), byId) << "write " << n + 1;
      EXPECT_EQ(TableWalk(t, 1), byName) << "write " << n + 1;
    }
    EXPECT_GE(writes, 2);
  }
}
