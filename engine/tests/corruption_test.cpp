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

// A free list whose head cannot be read whole is not used: the insert goes
// to the end of the file and says that the list is damaged.
TEST(Corruption, ADamagedFreeListIsNotUsed) {
  TempDir dir;
  auto good = MakeFile(dir, 20, 20);
  auto bad = good;
  Put32(bad, 15372, static_cast<int32_t>(good.size()) - 2);  // a block that cannot be read whole
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen());
  EXPECT_TRUE(AddPerson(db, 100, "x", 0)) << db.GetErrMsg();
  EXPECT_STREQ(db.GetErrMsg(), "free list damaged: new blocks go to the end of the file");
  EXPECT_EQ(db.GetRecordNum(), 21);
  int id = 100;
  ASSERT_TRUE(db.GetEqual(0, &id));
  EXPECT_GE(db.GetCurRec(0), static_cast<int>(good.size()));
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

namespace {

// The people table of n records (ids 0..n-1, names "n<id % names>"), with
// every third of the first `deleted` ids deleted, so that the record and
// duplicate-node free lists hold blocks. Record id `minusOne` gets id -1:
// its first bytes then read as the end of a free list.
std::vector<uint8_t> MakeWithFreeBlocks(const TempDir& dir, bool trimmed, int n, int names, int deleted) {
  std::string path = dir.File("free.db");
  std::remove(path.c_str());
  COrvex db;
  DefinePeople(db);
  db.EnableTrimRecord(trimmed);
  db.CreateDB(path.c_str(), "free");
  for (int i = 0; i < n; ++i) AddPerson(db, i == n - 1 ? -1 : i, ("n" + std::to_string(i % names)).c_str(), i);
  for (int i = 0; i < deleted; i += 3) {
    if (db.GetEqual(0, &i)) db.Delete();
  }
  db.CloseDB();
  return ReadBytes(path);
}

int32_t RecordOffset(const std::string& path, int id) {
  COrvex db(path.c_str(), 0x40);
  return db.GetEqual(0, &id) ? db.GetCurRec(0) : -1;
}

}  // namespace

// A damaged free-list link that names a live record (one whose first bytes
// even read as the end of a list) is not followed: the new record goes to
// the end of the file, the live record stays, and the header written at
// close is one the engine opens again.
TEST(Corruption, AFreeListPointingAtALiveRecordIsNotUsed) {
  for (bool trimmed : {true, false}) {
    SCOPED_TRACE(trimmed ? "trimmed" : "fixed");
    TempDir dir;
    auto good = MakeWithFreeBlocks(dir, trimmed, 40, 40, 20);
    const std::string path = dir.File("free.db");
    const int32_t live = RecordOffset(path, -1);
    ASSERT_GT(live, 0);
    ASSERT_GT(Le32(good, 15372), 0);
    for (bool atHead : {true, false}) {
      auto bad = good;
      if (atHead) {
        Put32(bad, 15372, live);
      } else {
        const int32_t head = Le32(good, 15372);
        Put32(bad, head + (trimmed ? 2 : 0), live);  // the second block
      }
      WriteBytes(path, bad);
      {
        COrvex db(path.c_str(), 66);
        ASSERT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
        for (int id = 100; id < 106; ++id) EXPECT_TRUE(AddPerson(db, id, "new", id)) << db.GetErrMsg();
        int minusOne = -1;
        ASSERT_TRUE(db.GetEqual(0, &minusOne));
        EXPECT_STREQ(db.GetFieldStr(1), "n39");
        EXPECT_EQ(db.GetCurRec(0), live);
      }
      COrvex db;
      ASSERT_TRUE(db.OpenDB(path.c_str(), 66)) << db.GetErrMsg();
      EXPECT_EQ(db.GetRecordNum(), 40 - 7 + 6);
      int n = 0;
      for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) {
        int id = CurrentId(db);
        EXPECT_STREQ(db.GetFieldStr(1), id >= 100 ? "new" : ("n" + std::to_string(id < 0 ? 39 : id)).c_str());
        ++n;
      }
      EXPECT_EQ(n, 39);
    }
  }
}

// The duplicate-node free list's head names a live duplicate node (the head
// of a chain): a new chain node goes to the end of the file instead, and the
// chain stays whole.
TEST(Corruption, ADuplicateFreeListPointingAtALiveNodeIsNotUsed) {
  TempDir dir;
  auto good = MakeWithFreeBlocks(dir, true, 60, 3, 30);
  const std::string path = dir.File("free.db");
  const int32_t leaf = Le32(good, 15252 + 4);
  const int32_t chainHead = Le32(good, leaf + 808);
  ASSERT_EQ(std::memcmp(good.data() + chainHead, "fDUPKEY", 8), 0);
  ASSERT_GT(Le32(good, 15376), 0);
  auto bad = good;
  Put32(bad, 15376, chainHead);
  WriteBytes(path, bad);
  {
    COrvex db(path.c_str(), 66);
    for (int id = 100; id < 104; ++id) EXPECT_TRUE(AddPerson(db, id, "n0", id)) << db.GetErrMsg();
  }
  COrvex db;
  ASSERT_TRUE(db.OpenDB(path.c_str(), 66)) << db.GetErrMsg();
  char n0[32] = "n0";
  int n = 0;
  for (bool ok = db.GetEqual(1, n0); ok && std::strcmp(db.GetFieldStr(1), "n0") == 0; ok = db.GetNext(1)) ++n;
  EXPECT_EQ(n, 20 - 10 + 4);  // ids 0, 3, ..., 57 less the ten deleted, and the new ones
}

// A chain of equal values whose head and second node point at each other
// (each link agreeing with the one back): a walk ends within the length of
// the chain, also when it updates every record it passes.
TEST(Corruption, AWalkRoundATwoNodeCycleEnds) {
  TempDir dir;
  auto good = MakeFile(dir, 30, 1);  // one name: one chain of 30 nodes
  int32_t leaf = Le32(good, 15252 + 4);
  int32_t head = Le32(good, leaf + 808);
  ASSERT_EQ(std::memcmp(good.data() + head, "fDUPKEY", 7), 0);
  int32_t second = Le32(good, head + 12);
  auto bad = good;
  Put32(bad, second + 12, head);  // second -> head
  Put32(bad, head + 16, second);  // head <- second
  WriteBytes(dir.File("bad.db"), bad);
  {
    COrvex db(dir.File("bad.db").c_str(), 66);
    int n = 0;
    for (bool ok = db.GetFirst(1); ok && n < 100000; ok = db.GetNext(1)) ++n;
    EXPECT_LE(n, 31);
    EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
    n = 0;
    for (bool ok = db.GetLast(1); ok && n < 100000; ok = db.GetPrev(1)) ++n;
    EXPECT_LE(n, 31);
  }
  WriteBytes(dir.File("bad.db"), bad);
  COrvex db(dir.File("bad.db").c_str(), 66);
  int n = 0;
  for (bool ok = db.GetFirst(1); ok && n < 100000; ok = db.GetNext(1)) {
    const double v = 1000 + n;
    db.SetField(&v, 2);
    db.Update();
    ++n;
  }
  EXPECT_LE(n, 62);
}

// A file cut short refers to blocks past its end (here: a leaf entry of
// key 1 names a record there). Once the engine has met such a reference it
// does not make the file longer: a block appended there would be taken for
// the missing one by every reference to it. A block that begins inside the
// file but cannot end there (three bytes before the end: shorter than any
// record or chain node) is as much past the end as one beyond it.
TEST(Corruption, AFileThatEndsBeforeItsBlocksIsNotMadeLonger) {
  for (const int past : {40, -3}) {
    SCOPED_TRACE(past);
    TempDir dir;
    auto good = MakeFile(dir, 700, 700);
    auto bad = good;
    const int32_t leaf = Le32(good, 15292 + 4);  // key 1's first leaf
    Put32(bad, leaf + 808 + 4 * 5, static_cast<int32_t>(good.size()) + past);
    WriteBytes(dir.File("cut.db"), bad);
    {
      COrvex db(dir.File("cut.db").c_str(), 66);
      ASSERT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
      int n = 0;
      for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) ++n;
      EXPECT_EQ(n, 5);
      EXPECT_FALSE(AddPerson(db, 1000, "n1", 0));
      EXPECT_STREQ(db.GetErrMsg(), "database file damaged: it refers to blocks past its end");
      // Reading and deleting go on.
      int id = 0;
      ASSERT_TRUE(db.GetEqual(0, &id));
      EXPECT_TRUE(db.Delete()) << db.GetErrMsg();
    }
    EXPECT_EQ(ReadBytes(dir.File("cut.db")).size(), good.size());
  }
}

// A free list whose third block names a live record is cut before that
// block: the blocks before it are used, and after the file is closed and
// opened again the list no longer reaches the record.
TEST(Corruption, ADamagedFreeListIsCutWhereTheDamageBegins) {
  TempDir dir;
  auto good = MakeWithFreeBlocks(dir, false, 40, 40, 20);
  const std::string path = dir.File("free.db");
  const int32_t live = RecordOffset(path, -1);
  const int32_t first = Le32(good, 15372);
  const int32_t second = Le32(good, first);
  auto bad = good;
  Put32(bad, second, live);
  WriteBytes(path, bad);
  {
    COrvex db(path.c_str(), 66);
    for (int id = 100; id < 104; ++id) EXPECT_TRUE(AddPerson(db, id, "new", id)) << db.GetErrMsg();
    int id = 100;
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_EQ(db.GetCurRec(0), first);
    id = 101;
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_EQ(db.GetCurRec(0), second);
    id = 102;
    ASSERT_TRUE(db.GetEqual(0, &id));
    EXPECT_GE(db.GetCurRec(0), static_cast<int>(good.size()));
  }
  const auto after = ReadBytes(path);
  EXPECT_EQ(Le32(after, 15372), -1);
  COrvex db(path.c_str(), 66);
  EXPECT_TRUE(AddPerson(db, 200, "new", 200));
  int minusOne = -1;
  ASSERT_TRUE(db.GetEqual(0, &minusOne));
  EXPECT_STREQ(db.GetFieldStr(1), "n39");
}

// A free list with a link past the end of the file would, once the file
// grows, list a block inside a new record as free. It is dropped before the
// file grows, and the file then grows as usual.
TEST(Corruption, AFreeListThatLinksPastTheEndIsDroppedBeforeTheFileGrows) {
  TempDir dir;
  auto good = MakeWithFreeBlocks(dir, true, 40, 40, 20);
  const std::string path = dir.File("free.db");
  const int32_t first = Le32(good, 15372);
  auto bad = good;
  Put32(bad, first + 2, static_cast<int32_t>(good.size()) + 10);
  WriteBytes(path, bad);
  {
    COrvex db(path.c_str(), 66);
    for (int id = 100; id < 110; ++id) EXPECT_TRUE(AddPerson(db, id, "new", id)) << db.GetErrMsg();
    EXPECT_STREQ(db.GetErrMsg(), "free list damaged: new blocks go to the end of the file");
  }
  const auto after = ReadBytes(path);
  EXPECT_EQ(Le32(after, 15372), -1);
  EXPECT_GT(after.size(), good.size());
  COrvex db(path.c_str(), 66);
  EXPECT_EQ(db.GetRecordNum(), 40 - 7 + 10);
  int n = 0;
  for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) ++n;
  EXPECT_EQ(n, 43);
}
