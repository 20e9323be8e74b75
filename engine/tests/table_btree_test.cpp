// The B+-tree: root leaf, splits 100/101, parent updates, dead entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "table/table.h"
#include "tree_check.h"

using namespace orvex_test;

namespace {

void DefineInts(COrvex& db) {
  ASSERT_TRUE(db.CreateField("n", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("n", 2, 0, 0, 0, 0));
}

bool AddInt(COrvex& db, int n) { return db.SetField(&n, 0) && db.Insert(); }

}  // namespace

TEST(BTree, FirstInsertMakesARootLeafThatIsFirstAndLast) {
  TempDir dir;
  COrvex db;
  DefineInts(db);
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  ASSERT_TRUE(AddInt(db, 42));
  db.Flush();
  auto b = ReadBytes(dir.File("t.db"));
  IntTree t{b, 0};
  int32_t root = t.Root();
  EXPECT_EQ(root, t.First());
  EXPECT_EQ(root, t.Last());
  EXPECT_EQ(t.Count(root), 1);
  EXPECT_EQ(t.Key(root, 0), 42);
  EXPECT_EQ(t.Child(root, 0), -1);
  EXPECT_EQ(t.Parent(root), -1);
  EXPECT_EQ(t.Prev(root), -1);
  EXPECT_EQ(t.Next(root), -1);
  EXPECT_EQ(t.Record(root, 0), 15472);  // the record came first
  EXPECT_EQ(static_cast<int>(b.size()), 15472 + 2 + 4 + 2432);
}

TEST(BTree, The201stValueSplitsTheLeaf100And101) {
  TempDir dir;
  COrvex db;
  DefineInts(db);
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  for (int i = 0; i < 201; ++i) ASSERT_TRUE(AddInt(db, i * 2));
  db.Flush();
  auto b = ReadBytes(dir.File("t.db"));
  IntTree t{b, 0};
  int32_t root = t.Root();
  ASSERT_EQ(t.Count(root), 2);
  int32_t left = t.Child(root, 0), right = t.Child(root, 1);
  EXPECT_EQ(t.Count(left), 100);
  EXPECT_EQ(t.Count(right), 101);
  EXPECT_EQ(t.First(), left);
  EXPECT_EQ(t.Last(), right);
  EXPECT_EQ(t.Key(root, 0), 198);
  EXPECT_EQ(t.Key(root, 1), 400);
  EXPECT_EQ(t.Next(left), right);
  EXPECT_EQ(t.Prev(right), left);
  EXPECT_GT(root, right);  // the new root is written after the new leaf
  EXPECT_EQ(t.Check().size(), 201u);
}

TEST(BTree, AscendingInsertsFillLeavesTo100) {
  TempDir dir;
  COrvex db;
  DefineInts(db);
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  for (int i = 0; i < 5000; ++i) ASSERT_TRUE(AddInt(db, i));
  db.Flush();
  auto b = ReadBytes(dir.File("t.db"));
  IntTree t{b, 0};
  auto live = t.Check();
  ASSERT_EQ(live.size(), 5000u);
  for (int32_t n = t.First(); n != t.Last(); n = t.Next(n)) EXPECT_EQ(t.Count(n), 100);
}

TEST(BTree, RandomInsertsKeepEveryInvariant) {
  TempDir dir;
  COrvex db;
  DefineInts(db);
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  std::vector<int> values(30000);
  for (int i = 0; i < 30000; ++i) values[i] = i * 3 - 40000;
  std::mt19937 rng(11);
  std::shuffle(values.begin(), values.end(), rng);
  for (int v : values) ASSERT_TRUE(AddInt(db, v));
  db.Flush();
  auto b = ReadBytes(dir.File("t.db"));
  IntTree t{b, 0};
  auto live = t.Check();
  std::sort(values.begin(), values.end());
  EXPECT_EQ(live, std::vector<int32_t>(values.begin(), values.end()));
}

TEST(BTree, DeletingLeavesADeadEntryThatAnInsertRevives) {
  TempDir dir;
  COrvex db;
  DefineInts(db);
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  for (int i : {1, 2, 3}) ASSERT_TRUE(AddInt(db, i));
  int two = 2;
  ASSERT_TRUE(db.GetEqual(0, &two));
  ASSERT_TRUE(db.Delete());
  db.Flush();
  {
    auto b = ReadBytes(dir.File("t.db"));
    IntTree t{b, 0};
    EXPECT_EQ(t.Count(t.Root()), 3);
    EXPECT_EQ(t.Record(t.Root(), 1), -1);
  }
  EXPECT_FALSE(db.GetEqual(0, &two));
  ASSERT_TRUE(AddInt(db, 2));
  db.Flush();
  auto b = ReadBytes(dir.File("t.db"));
  IntTree t{b, 0};
  EXPECT_EQ(t.Count(t.Root()), 3);
  EXPECT_NE(t.Record(t.Root(), 1), -1);
  EXPECT_TRUE(db.GetEqual(0, &two));
}

TEST(BTree, TextKeyModesDecideWhatIsEqual) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("a", ORVEX_TEXT, 10));
  ASSERT_TRUE(db.CreateField("b", ORVEX_TEXT, 10));
  ASSERT_TRUE(db.CreateKey("folded", 2, 0, 2, 0, 0));
  ASSERT_TRUE(db.CreateKey("exact", 1, 1, 1, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  ASSERT_TRUE(db.SetFieldStr("ABC", 0));
  ASSERT_TRUE(db.SetFieldStr("abc", 1));
  ASSERT_TRUE(db.Insert());
  ASSERT_TRUE(db.SetFieldStr("abc", 0));
  EXPECT_FALSE(db.Insert());
  EXPECT_STREQ(db.GetErrMsg(), "the key is unduplicated");
  ASSERT_TRUE(db.SetFieldStr("xyz", 0));
  ASSERT_TRUE(db.SetFieldStr("ABC", 1));
  ASSERT_TRUE(db.Insert());
  char key[11];
  ASSERT_TRUE(db.GetKeyFirst(1, key));
  EXPECT_STREQ(key, "ABC");
  ASSERT_TRUE(db.GetKeyNext(1, key));
  EXPECT_STREQ(key, "abc");
}

TEST(BTree, FloatNanEqualsEveryValue) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("f", ORVEX_FLOAT, 0));
  ASSERT_TRUE(db.CreateKey("f", 2, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
  float one = 1.0f;
  ASSERT_TRUE(db.SetField(&one, 0));
  ASSERT_TRUE(db.Insert());
  float nan = std::numeric_limits<float>::quiet_NaN();
  ASSERT_TRUE(db.SetField(&nan, 0));
  EXPECT_FALSE(db.Insert());
  EXPECT_TRUE(db.GetEqual(0, &nan));
}

TEST(BTree, CachedAndUncachedTablesWriteTheSameBytes) {
  // The same operations through a large cache, a tiny one and none must
  // leave identical files after Flush and after CloseDB.
  TempDir dir;
  std::vector<std::vector<uint8_t>> flushed, closed;
  for (size_t cache : {size_t{0}, 4 * orvex::kPageSize, size_t{64} << 20}) {
    std::string path = dir.File("c" + std::to_string(cache) + ".db");
    orvex::TableOptions opt;
    opt.cacheBytes = cache;
    orvex::Table t(opt);
    ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(t.CreateField("name", ORVEX_TEXT, 24));
    ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
    ASSERT_TRUE(t.CreateKey("name", 1, 1, 2, 0, 0));
    ASSERT_TRUE(t.CreateDB(path.c_str(), ""));
    std::mt19937 rng(5);
    for (int i = 0; i < 4000; ++i) {
      int id = static_cast<int>(rng() % 3000);
      char name[24] = {};
      std::snprintf(name, sizeof name, "n%u", static_cast<unsigned>(rng() % 300));
      if (rng() % 4 == 0) {
        if (t.GetEqual(0, &id, nullptr, 0)) t.Delete();
      } else {
        t.SetField(&id, 0);
        t.SetField(name, 1);
        t.Insert(nullptr, 0);
      }
    }
    t.Flush();
    flushed.push_back(ReadBytes(path));
    t.CloseDB();
    closed.push_back(ReadBytes(path));
  }
  EXPECT_EQ(flushed[0], flushed[1]);
  EXPECT_EQ(flushed[0], flushed[2]);
  EXPECT_EQ(closed[0], closed[1]);
  EXPECT_EQ(closed[0], closed[2]);
  EXPECT_GT(closed[0].size(), 100000u);
}

// A damaged internal key leads a search into the wrong leaf: the entry would
// go last in the leaf before the one it belongs to, or first in the leaf
// after. Such an insert is refused and writes nothing; one that fits between
// the leaves goes on.
TEST(BTree, AnInsertLedIntoTheWrongLeafByADamagedInternalKeyIsRefused) {
  for (int32_t damaged : {300, 100}) {
    SCOPED_TRACE(damaged);
    TempDir dir;
    int32_t root, left, right;
    {
      COrvex db;
      DefineInts(db);
      ASSERT_TRUE(db.CreateDB(dir.File("t.db").c_str(), ""));
      for (int i = 0; i < 201; ++i) ASSERT_TRUE(AddInt(db, i * 2));  // leaves 0..198 and 200..400
    }
    auto b = ReadBytes(dir.File("t.db"));
    {
      IntTree t{b, 0};
      root = t.Root();
      left = t.Child(root, 0);
      right = t.Child(root, 1);
    }
    Put32(b, static_cast<size_t>(root) + 1628, damaged);  // the left leaf's internal key, 198 before
    WriteBytes(dir.File("t.db"), b);
    COrvex db(dir.File("t.db").c_str(), 66);
    ASSERT_TRUE(db.IsDBOpen());
    // 300: 251 is led to the end of the left leaf; 100: 150 to the start of the right one.
    const int wrong = damaged == 300 ? 251 : 150;
    EXPECT_FALSE(AddInt(db, wrong));
    EXPECT_STREQ(db.GetErrMsg(), "database file damaged");
    EXPECT_EQ(db.GetRecordNum(), 201);
    const int fits = 199;  // last in the left leaf, or first in the right one
    EXPECT_TRUE(AddInt(db, fits)) << db.GetErrMsg();
    db.CloseDB();
    auto after = ReadBytes(dir.File("t.db"));
    IntTree t{after, 0};
    EXPECT_LT(t.Key(left, t.Count(left) - 1), t.Key(right, 0));
    EXPECT_EQ(t.Count(left) + t.Count(right), 202);
  }
}
