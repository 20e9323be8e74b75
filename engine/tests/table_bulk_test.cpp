// Bulk loading: a table loaded in bulk holds what ordinary inserts of the
// same records would give (every key walked both ways, entry values,
// duplicate chains in insertion order, auto-increment values), its trees
// are sound and take ordinary changes afterwards, and a load that fails
// leaves the last commit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mem_fs.h"
#include "table/table.h"
#include "tree_check.h"

using orvex::Table;
using orvex::TableOptions;
using orvex_test::IntTree;
using orvex_test::MemFs;

namespace {

// n int (unique), no auto-increment, g int (duplicates), t text 12
// (duplicates, letters folded), d double (duplicates).
constexpr int kLength = 4 + 4 + 4 + 12 + 8;

bool Define(Table& t) {
  return t.CreateField("n", ORVEX_INT, 0) && t.CreateKey("n", ORVEX_KEY_UNIQUE, 0, 0, 0, 0) &&
         t.CreateField("no", ORVEX_AUTOINC, 0) && t.CreateField("g", ORVEX_INT, 0) &&
         t.CreateKey("g", ORVEX_KEY_DUPLICATE, 2, 0, 0, 0) && t.CreateField("t", ORVEX_TEXT, 12) &&
         t.CreateKey("t", ORVEX_KEY_DUPLICATE, 3, 2, 0, 0) && t.CreateField("d", ORVEX_DOUBLE, 0) &&
         t.CreateKey("d", ORVEX_KEY_DUPLICATE, 4, 0, 0, 0);
}

struct Image {
  uint8_t b[kLength] = {};
};

// Record i of a load: n in a shuffled order, few distinct g, names that
// differ only in letter case, doubles with -0.0 beside 0.0.
std::vector<Image> Records(int count, uint32_t seed) {
  std::vector<int> ns(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) ns[static_cast<size_t>(i)] = i * 3 - count;
  std::shuffle(ns.begin(), ns.end(), std::mt19937(seed));
  std::vector<Image> out;
  for (int i = 0; i < count; ++i) {
    Image r;
    const int n = ns[static_cast<size_t>(i)];
    const int g = n % 7;
    char text[12] = {};
    std::snprintf(text, sizeof text, "%s%d", (i % 3 == 0) ? "Name" : (i % 3 == 1) ? "NAME" : "name", n % 500);
    const double d = n % 11 == 0 ? (n % 2 ? -0.0 : 0.0) : (n % 900) * 0.5;
    std::memcpy(r.b, &n, 4);
    std::memcpy(r.b + 8, &g, 4);
    std::memcpy(r.b + 12, text, 12);
    std::memcpy(r.b + 24, &d, 8);
    out.push_back(r);
  }
  return out;
}

// Each key walked forward and back: the records' bytes and each step's key
// value, as the table gives them.
std::vector<std::string> Walks(Table& t) {
  std::vector<std::string> out;
  for (int k = 0; k < t.GetKeyNum(); ++k) {
    for (bool back : {false, true}) {
      std::string s;
      uint8_t image[kLength];
      uint8_t value[orvex::kKeyBufferSize] = {};
      int steps = 0;
      for (bool ok = back ? t.GetLast(k, image, 0) : t.GetFirst(k, image, 0); ok;
           ok = back ? t.GetPrev(k, image, 0) : t.GetNext(k, image, 0), ++steps)
        s.append(reinterpret_cast<const char*>(image), kLength);
      for (bool ok = back ? t.GetKeyLast(k, value) : t.GetKeyFirst(k, value); ok;
           ok = back ? t.GetKeyPrev(k, value) : t.GetKeyNext(k, value))
        s.append(reinterpret_cast<const char*>(value), static_cast<size_t>(t.GetKeyLen(k)));
      EXPECT_EQ(steps, t.GetRecordNum()) << "key " << k;
      out.push_back(s);
    }
  }
  return out;
}

class BulkLoad : public ::testing::Test {
 protected:
  Table* Made(const char* path, size_t budget, bool bulk) {
    auto* t = new Table(Options());
    tables_.emplace_back(t);
    EXPECT_TRUE(Define(*t));
    EXPECT_TRUE(t->CreateDB(path, "bulk"));
    if (bulk) {
      EXPECT_TRUE(t->BeginBulkLoad(budget));
    }
    return t;
  }
  TableOptions Options() {
    TableOptions o;
    o.fs = &fs_;
    return o;
  }
  MemFs fs_;
  std::vector<std::unique_ptr<Table>> tables_;
};

}  // namespace

TEST_F(BulkLoad, HoldsWhatOrdinaryInsertsGiveAndTakesChangesAfter) {
  // 45,000 values need three levels; a budget of 60 KB ends a load of
  // 6,000 part-way, and the rest go in by ordinary inserts.
  for (const auto& [count, budget] : {std::pair{45000, size_t{1} << 30}, std::pair{6000, size_t{60} << 10}}) {
    SCOPED_TRACE(budget);
    const auto records = Records(count, 5);
    Table* plain = Made("plain.db", 0, false);
    Table* bulk = Made("bulk.db", budget, true);
    for (Image r : records) {
      Image copy = r;
      ASSERT_TRUE(plain->Insert(r.b, 0)) << plain->GetErrMsg();
      ASSERT_TRUE(bulk->Insert(copy.b, 0)) << bulk->GetErrMsg();
      // Both give the record the same auto-increment value.
      ASSERT_EQ(std::memcmp(r.b, copy.b, kLength), 0);
    }
    ASSERT_TRUE(bulk->Flush()) << bulk->GetErrMsg();
    ASSERT_TRUE(plain->Flush());
    EXPECT_EQ(bulk->GetRecordNum(), count);
    EXPECT_EQ(Walks(*bulk), Walks(*plain));
    // The unique int key's tree: three levels, leaves full but for balance.
    {
      IntTree tree{fs_.Bytes("bulk.db"), 0};
      EXPECT_EQ(static_cast<int>(tree.Check().size()), count);
      if (budget > (size_t{1} << 20)) {
        EXPECT_NE(tree.Child(tree.Child(tree.Root(), 0), 0), -1);
        for (int32_t n = tree.First(); n != -1; n = tree.Next(n)) EXPECT_GE(tree.Count(n), 199);
      }
    }
    // Ordinary changes afterwards: inserts that split full leaves, deletes
    // and updates, the same on both.
    std::mt19937 rng(9);
    for (int i = 0; i < 2000; ++i) {
      Image r = Records(1, static_cast<uint32_t>(i))[0];
      const int n = 200000 + static_cast<int>(rng() % 100000) * 2;
      std::memcpy(r.b, &n, 4);
      Image copy = r;
      EXPECT_EQ(plain->Insert(r.b, 0), bulk->Insert(copy.b, 0));
      int victim = static_cast<int>(rng() % static_cast<unsigned>(count)) * 3 - count;
      Image changed;
      const bool found = plain->GetEqual(0, &victim, changed.b, 0);
      ASSERT_EQ(found, bulk->GetEqual(0, &victim, nullptr, 0));
      if (found && i % 2) {
        EXPECT_TRUE(plain->Delete() && bulk->Delete());
      } else if (found) {
        const int g = i;
        std::memcpy(changed.b + 8, &g, 4);
        changed.b[12] = static_cast<uint8_t>('a' + i % 26);
        Image again = changed;
        EXPECT_TRUE(plain->Update(changed.b, 0)) << plain->GetErrMsg();
        EXPECT_TRUE(bulk->Update(again.b, 0)) << bulk->GetErrMsg();
      }
    }
    ASSERT_TRUE(bulk->Flush() && plain->Flush());
    EXPECT_EQ(Walks(*bulk), Walks(*plain));
    IntTree tree{fs_.Bytes("bulk.db"), 0};
    EXPECT_EQ(static_cast<int>(tree.Check().size()), bulk->GetRecordNum());
    tables_.clear();
  }
}

TEST_F(BulkLoad, AUniqueKeyHoldingAValueTwiceFailsAndLeavesNoRecord) {
  Table* t = Made("u.db", size_t{1} << 20, true);
  auto records = Records(500, 3);
  records.push_back(records[17]);
  for (Image r : records) ASSERT_TRUE(t->Insert(r.b, 0));
  EXPECT_FALSE(t->Flush());
  EXPECT_STREQ(t->GetErrMsg(), "the key is unduplicated");
  // The file holds its last commit: the table without records, which takes
  // ordinary inserts.
  EXPECT_EQ(t->GetRecordNum(), 0);
  t->CloseDB();
  Table again(Options());
  ASSERT_TRUE(again.OpenDB("u.db", 66)) << again.GetErrMsg();
  EXPECT_EQ(again.GetRecordNum(), 0);
  Image r = records[0];
  ASSERT_TRUE(again.Insert(r.b, 0)) << again.GetErrMsg();
  EXPECT_EQ(again.GetRecordNum(), 1);
  Walks(again);  // every key reaches the one record, both ways
}

TEST_F(BulkLoad, OnlyATableWithoutRecordsLoadsInBulk) {
  Table* t = Made("one.db", size_t{1} << 20, false);
  Image r = Records(1, 1)[0];
  ASSERT_TRUE(t->Insert(r.b, 0));
  EXPECT_FALSE(t->BeginBulkLoad(size_t{1} << 20));
  Table closed;
  EXPECT_FALSE(closed.BeginBulkLoad(size_t{1} << 20));
}

// A write that fails while the indexes are built: the flush fails, and the
// file holds the commit before the load, then and after a stop.
TEST_F(BulkLoad, AWriteThatFailsMidwayLeavesTheLastCommit) {
  const auto records = Records(3000, 8);
  int writesOfFlush = 0;
  {
    Table* t = Made("w.db", size_t{1} << 20, true);
    for (Image r : records) ASSERT_TRUE(t->Insert(r.b, 0));
    const int before = fs_.writes;
    ASSERT_TRUE(t->Flush());
    writesOfFlush = fs_.writes - before;
    tables_.clear();
  }
  ASSERT_GT(writesOfFlush, 4);
  for (int n : {0, 1, writesOfFlush / 2, writesOfFlush - 1}) {
    SCOPED_TRACE(n);
    const std::string path = "w" + std::to_string(n) + ".db";
    Table* t = Made(path.c_str(), size_t{1} << 20, true);
    ASSERT_TRUE(t->Flush());  // the empty table is the last commit
    for (Image r : records) ASSERT_TRUE(t->Insert(r.b, 0));
    fs_.writesLeft = n;
    EXPECT_FALSE(t->Flush());
    tables_.clear();
    fs_.Restart(n % 2 == 1, static_cast<uint32_t>(n));
    Table again(Options());
    ASSERT_TRUE(again.OpenDB(path.c_str(), 66)) << again.GetErrMsg();
    EXPECT_EQ(again.GetRecordNum(), 0);
    Image r = records[5];
    EXPECT_TRUE(again.Insert(r.b, 0)) << again.GetErrMsg();
    EXPECT_TRUE(again.Flush());
    EXPECT_EQ(again.GetRecordNum(), 1);
  }
}
