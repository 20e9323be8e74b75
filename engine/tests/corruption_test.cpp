// Damaged and hostile files: every operation fails cleanly, nothing hangs,
// nothing reads or writes outside its buffers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <random>

#include "test_util.h"
#include "tree_check.h"

using namespace orvex_test;

namespace {

// A file of n records: id int unique key 0, name text key 1 (duplicates).
std::vector<uint8_t> MakeFile(const TempDir& dir, int n, int names) {
  std::string path = dir.File("good.db");
  COrvex db;
  DefinePeople(db);
  db.CreateDB(path.c_str(), "good");
  for (int i = 0; i < n; ++i) AddPerson(db, i, ("n" + std::to_string(i % names)).c_str(), i);
  db.CloseDB();
  return ReadBytes(path);
}

// Runs every kind of operation; none may crash or hang.
int Exercise(const std::string& path) {
  COrvex db(path.c_str(), 66);
  int ok = 0;
  for (int key : {0, 1}) {
    int steps = 0;
    for (bool go = db.GetFirst(key); go && steps < 5000; go = db.GetNext(key)) ++steps, ++ok;
    steps = 0;
    for (bool go = db.GetLast(key); go && steps < 5000; go = db.GetPrev(key)) ++steps, ++ok;
    char k[40];
    for (bool go = db.GetKeyFirst(key, k); go && steps < 10000; go = db.GetKeyNext(key, k)) ++steps;
  }
  for (int id = 0; id < 50; ++id) {
    if (db.GetEqual(0, &id)) {
      db.GetFieldStr(1);
      if (id % 3 == 0) db.Delete();
      if (id % 3 == 1) db.Update();
    }
    db.GetGreaterEqual(0, &id);
    db.GetLess(0, &id);
  }
  char name[32] = "n1";
  if (db.GetEqual(1, name)) db.Delete();
  for (int i = 1000; i < 1050; ++i) AddPerson(db, i, "new", i);
  db.SeekFirst(0);
  db.SeekNext(0);
  return ok;
}

}  // namespace

TEST(Corruption, TruncatedFilesAreRefused) {
  TempDir dir;
  auto good = MakeFile(dir, 10, 3);
  for (size_t len : {size_t{0}, size_t{100}, size_t{15471}}) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + len);
    WriteBytes(dir.File("cut.db"), cut);
    COrvex db(dir.File("cut.db").c_str(), 66);
    EXPECT_FALSE(db.GetFirst(0));
    EXPECT_STRNE(db.GetErrMsg(), "") << len;
  }
  // Cut after the header: the index and records are gone.
  std::vector<uint8_t> cut(good.begin(), good.begin() + 16000);
  WriteBytes(dir.File("cut.db"), cut);
  COrvex db(dir.File("cut.db").c_str(), 66);
  EXPECT_FALSE(db.IsDBOpen() && db.GetFirst(0) && db.GetNext(0) && db.GetNext(0) && db.GetNext(0));
}

TEST(Corruption, HostileHeadersAreRefusedAtOpen) {
  TempDir dir;
  auto good = MakeFile(dir, 10, 3);
  struct Case {
    size_t at;
    int width;
    int32_t value;
  } cases[] = {{4648, 2, 500}, {4648, 2, -1}, {15250, 2, 20}, {4136, 2, 9},  {4392 + 2, 2, 0},
               {32, 4, 7},     {36, 4, -5},   {15252, 4, 1 << 30}, {15292, 4, 3}, {15380, 2, 7},
               {4990 + 256, 2, 50}, {12670, 2, 8}, {15372, 4, 1 << 30}, {15230, 2, 200}};
  for (const auto& c : cases) {
    auto bad = good;
    if (c.width == 2)
      Put16(bad, c.at, static_cast<int16_t>(c.value));
    else
      Put32(bad, c.at, c.value);
    WriteBytes(dir.File("bad.db"), bad);
    COrvex db;
    EXPECT_FALSE(db.OpenDB(dir.File("bad.db").c_str(), 66)) << c.at;
    EXPECT_EQ(std::string(db.GetErrMsg()).rfind("not a database file: ", 0), 0u) << c.at;
    // A refused file is not kept open.
    EXPECT_FALSE(db.IsDBOpen()) << c.at;
    EXPECT_EQ(db.GetFieldNum(), -1) << c.at;
    EXPECT_FALSE(db.GetFirst(0));
  }
}

TEST(Corruption, ACycleInTheLeafChainEndsTheWalk) {
  TempDir dir;
  auto good = MakeFile(dir, 700, 700);
  IntTree t{good, 0};
  auto bad = good;
  int32_t first = t.First();
  int32_t second = t.Next(first);
  ASSERT_NE(second, -1);
  Put32(bad, second + 1624, first);  // second -> first -> second ...
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  int n = 0;
  for (bool ok = db.GetFirst(0); ok && n < 100000; ok = db.GetNext(0)) ++n;
  EXPECT_LT(n, 100000);
  Exercise(dir.File("bad.db"));
}

// A leaf that fails its checks is not kept as the working node under the
// offset it claims: the next step reads the current leaf again instead of
// walking on through the damaged copy.
TEST(Corruption, ALeafThatFailsItsChecksIsNotWalkedLater) {
  TempDir dir;
  auto good = MakeFile(dir, 700, 700);
  IntTree t{good, 0};
  auto bad = good;
  int32_t first = t.First();
  int32_t second = t.Next(first);
  ASSERT_EQ(t.Count(first), 100);
  Put32(bad, second + 1616, first);                      // claims to be the first leaf
  Put32(bad, second, 150);                               // with more entries than it has
  Put32(bad, second + 808 + 4 * 100, t.Record(second, 0));  // one past the first leaf's last
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  int n = 0;
  for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) ++n;
  EXPECT_EQ(n, 100);
  EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
  EXPECT_FALSE(db.GetNext(0));
  EXPECT_EQ(CurrentId(db), 99);
}

TEST(Corruption, AllDeadLeavesInACycleDoNotHang) {
  TempDir dir;
  auto good = MakeFile(dir, 700, 700);
  IntTree t{good, 0};
  auto bad = good;
  // Every entry of the first two leaves dead, and the two leaves in a ring.
  for (int32_t leaf : {t.First(), t.Next(t.First())})
    for (int i = 0; i < t.Count(leaf); ++i) Put32(bad, leaf + 808 + 4 * i, -1);
  Put32(bad, t.Next(t.First()) + 1624, t.First());
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  EXPECT_FALSE(db.GetFirst(0));
  int id = 0;
  EXPECT_FALSE(db.GetGreaterEqual(0, &id));
}

TEST(Corruption, AChildPointingAtItsAncestorIsCaught) {
  TempDir dir;
  auto good = MakeFile(dir, 700, 700);
  IntTree t{good, 0};
  auto bad = good;
  int32_t root = t.Root();
  ASSERT_NE(t.Child(root, 0), -1);
  // Make the first leaf look like an internal node pointing at the root.
  Put32(bad, t.Child(root, 0) + 4, root);
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  int id = 0;
  EXPECT_FALSE(db.GetEqual(0, &id));
  // The root pointing at itself.
  bad = good;
  Put32(bad, root + 4, root);
  WriteBytes(dir.File("bad2.db"), bad);
  COrvex db2(dir.File("bad2.db").c_str(), 66);
  EXPECT_FALSE(db2.GetEqual(0, &id));
  EXPECT_STREQ(db2.GetErrMsg(), "database file damaged");
}

TEST(Corruption, ACountAbove200StopsTheSearch) {
  TempDir dir;
  auto good = MakeFile(dir, 50, 50);
  IntTree t{good, 0};
  auto bad = good;
  Put32(bad, t.Root(), 5000);
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  int id = 3;
  EXPECT_FALSE(db.GetEqual(0, &id));
  EXPECT_FALSE(db.GetFirst(0));
  EXPECT_FALSE(AddPerson(db, 100, "x", 1));
  Put32(bad, t.Root(), -2);
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db2(dir.File("bad.db").c_str(), 66);
  EXPECT_FALSE(db2.GetEqual(0, &id));
}

TEST(Corruption, ACycleInADuplicateChainIsBounded) {
  TempDir dir;
  auto good = MakeFile(dir, 30, 1);  // one name: one chain of 30 nodes
  int32_t leaf = Le32(good, 15252 + 4);
  int32_t head = Le32(good, leaf + 808);
  ASSERT_EQ(std::memcmp(good.data() + head, "fDUPKEY", 7), 0);
  auto bad = good;
  int32_t second = Le32(good, head + 12);
  Put32(bad, second + 12, head);  // second -> head -> second ...
  WriteBytes(dir.File("bad.db"), bad);
  {
    COrvex db(dir.File("bad.db").c_str(), 66);
    int n = 0;
    for (bool ok = db.GetFirst(1); ok && n < 1000; ok = db.GetNext(1)) ++n;
    EXPECT_LT(n, 1000);  // the node after the loop does not link back
    // Deleting through another key walks the chain from its head: bounded.
    int id = 29;
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_FALSE(db.Delete());
  }
  Exercise(dir.File("bad.db"));
  // A ring whose links look right step by step: head -> second -> third ->
  // second ..., the third naming the head as its previous. A walk of
  // single steps still comes to an end.
  bad = good;
  int32_t third = Le32(good, second + 12);
  Put32(bad, third + 16, head);
  Put32(bad, third + 12, second);
  WriteBytes(dir.File("ring.db"), bad);
  {
    COrvex db(dir.File("ring.db").c_str(), 66);
    int n = 0;
    for (bool ok = db.GetFirst(1); ok && n < 200000; ok = db.GetNext(1)) ++n;
    EXPECT_LT(n, 200000);
    EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
  }
  // A last pointer that is not a node.
  bad = good;
  Put32(bad, head + 20, 15472 + 1);
  WriteBytes(dir.File("bad2.db"), bad);
  COrvex db(dir.File("bad2.db").c_str(), 66);
  char name[32] = "n0";
  EXPECT_FALSE(db.GetLessEqual(1, name));
  EXPECT_FALSE(AddPerson(db, 500, "n0", 0));
}

TEST(Corruption, RecordOffsetsAndLengthsOutsideTheFileFail) {
  TempDir dir;
  auto good = MakeFile(dir, 20, 20);
  IntTree t{good, 0};
  auto bad = good;
  Put32(bad, t.Root() + 808, static_cast<int32_t>(good.size()) + 100);
  int32_t rec1 = t.Record(t.Root(), 1);
  Put16(bad, rec1, 30000);  // a trimmed length past the end of the file
  int32_t rec2 = t.Record(t.Root(), 2);
  Put16(bad, rec2 + 6, 500);  // a text length longer than its field
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  for (int id : {0, 1, 2}) {
    EXPECT_FALSE(db.GetEqual(0, &id)) << id;
    EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
  }
  int id = 3;
  EXPECT_TRUE(db.GetEqual(0, &id));
}

TEST(Corruption, ADamagedFreeListFailsTheInsert) {
  TempDir dir;
  auto good = MakeFile(dir, 20, 20);
  auto bad = good;
  Put32(bad, 15372, static_cast<int32_t>(good.size()) - 2);  // a block that cannot be read whole
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen());
  EXPECT_FALSE(AddPerson(db, 100, "x", 0));
  EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
  EXPECT_EQ(db.GetRecordNum(), 20);
}

TEST(Corruption, RandomDamageNeverCrashes) {
  TempDir dir;
  auto good = MakeFile(dir, 400, 60);
  std::mt19937 rng(99);
  for (int round = 0; round < 60; ++round) {
    auto bad = good;
    int flips = 1 + static_cast<int>(rng() % 20);
    for (int i = 0; i < flips; ++i) {
      size_t at = 15472 + rng() % (bad.size() - 15472);
      bad[at] = static_cast<uint8_t>(rng());
    }
    WriteBytes(dir.File("fuzz.db"), bad);
    Exercise(dir.File("fuzz.db"));
  }
}

// A header's record count must be one the file can hold: a count past that
// would let later inserts overflow it.
TEST(Corruption, ARecordCountTheFileCannotHoldIsRefused) {
  TempDir dir;
  auto good = MakeFile(dir, 20, 20);
  for (int32_t count : {INT32_MAX, INT32_MAX - 1, 1000000}) {
    auto bad = good;
    Put32(bad, 36, count);
    WriteBytes(dir.File("bad.db"), bad);
    COrvex db;
    EXPECT_FALSE(db.OpenDB(dir.File("bad.db").c_str(), 66)) << count;
    EXPECT_EQ(std::string(db.GetErrMsg()).rfind("not a database file: ", 0), 0u) << count;
  }
  // A count that is merely wrong is damage the file can live with.
  auto bad = good;
  Put32(bad, 36, 25);
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
  EXPECT_TRUE(AddPerson(db, 100, "x", 0));
  EXPECT_EQ(db.GetRecordNum(), 26);
}

// Offsets are signed 32-bit: a file longer than the largest offset is not one
// this format can describe.
TEST(Corruption, AFilePastTheLargestOffsetIsRefused) {
  TempDir dir;
  auto good = MakeFile(dir, 20, 20);
  WriteBytes(dir.File("long.db"), good);
  ASSERT_EQ(truncate(dir.File("long.db").c_str(), int64_t{INT32_MAX} + 4096), 0);  // sparse
  COrvex db;
  EXPECT_FALSE(db.OpenDB(dir.File("long.db").c_str(), 66));
  EXPECT_STREQ(db.GetErrMsg(), "not a database file: file larger than 2147483647 bytes");
}
