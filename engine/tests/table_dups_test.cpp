// Duplicate chains under a key that allows duplicates.
#include <gtest/gtest.h>
#include <random>

#include "test_util.h"

using namespace orvex_test;

namespace {

struct Chain {
  std::vector<uint8_t> b;
  bool IsNode(int32_t at) const { return std::memcmp(b.data() + at, "fDUPKEY", 8) == 0; }
  int32_t Record(int32_t at) const { return Le32(b, at + 8); }
  int32_t Next(int32_t at) const { return Le32(b, at + 12); }
  int32_t Prev(int32_t at) const { return Le32(b, at + 16); }
  int32_t Last(int32_t at) const { return Le32(b, at + 20); }
};

// The record offset of the single entry of key 1's root leaf (text key of
// 32 bytes: node size 1632 + 201 * 33).
int32_t EntryRecord(const std::vector<uint8_t>& b) { return Le32(b, Le32(b, 15252 + 4) + 808); }

class Dups : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DefinePeople(db));
    ASSERT_TRUE(db.CreateDB(dir.File("d.db").c_str(), ""));
  }
  Chain Read() {
    db.Flush();
    return Chain{ReadBytes(dir.File("d.db"))};
  }
  int RecordOf(int id) {
    EXPECT_TRUE(db.GetEqual(0, &id));
    return db.GetCurRec(0);
  }
  std::vector<int> IdsUnder(const char* name) {
    std::vector<int> ids;
    char v[32] = {};
    std::strncpy(v, name, 31);
    for (bool ok = db.GetEqual(1, v); ok; ok = db.GetNext(1)) {
      if (std::strcmp(db.GetFieldStr(1), name) != 0) break;
      ids.push_back(CurrentId(db));
    }
    return ids;
  }
  TempDir dir;
  COrvex db;
};

}  // namespace

TEST_F(Dups, ThreeEqualValuesFormAChainInInsertionOrder) {
  ASSERT_TRUE(AddPerson(db, 1, "same", 0));
  ASSERT_TRUE(AddPerson(db, 2, "same", 0));
  ASSERT_TRUE(AddPerson(db, 3, "same", 0));
  int r1 = RecordOf(1), r2 = RecordOf(2), r3 = RecordOf(3);
  Chain c = Read();
  int32_t head = EntryRecord(c.b);
  ASSERT_TRUE(c.IsNode(head));
  EXPECT_EQ(c.Record(head), r1);
  EXPECT_EQ(c.Prev(head), -1);
  int32_t second = c.Next(head);
  EXPECT_EQ(c.Record(second), r2);
  EXPECT_EQ(c.Prev(second), head);
  int32_t third = c.Next(second);
  EXPECT_EQ(c.Record(third), r3);
  EXPECT_EQ(c.Next(third), -1);
  EXPECT_EQ(c.Last(head), third);
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 2, 3}));
}

TEST_F(Dups, DeletingTheMiddleLinksTheFirstToTheThird) {
  for (int id : {1, 2, 3}) ASSERT_TRUE(AddPerson(db, id, "same", 0));
  RecordOf(2);
  ASSERT_TRUE(db.Delete());
  Chain c = Read();
  int32_t head = EntryRecord(c.b);
  int32_t next = c.Next(head);
  EXPECT_EQ(c.Record(next), RecordOf(3));
  EXPECT_EQ(c.Prev(next), head);
  EXPECT_EQ(c.Last(head), next);
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 3}));
  // The freed node heads the duplicate-node free list and is used again.
  int32_t freed = Le32(c.b, 15376);
  EXPECT_GT(freed, 0);
  ASSERT_TRUE(AddPerson(db, 4, "same", 0));
  Chain d = Read();
  EXPECT_EQ(d.Last(EntryRecord(d.b)), freed);
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 3, 4}));
}

TEST_F(Dups, DeletingTheHeadMakesTheNextNodeHead) {
  for (int id : {1, 2, 3}) ASSERT_TRUE(AddPerson(db, id, "same", 0));
  // Delete through key 1 (the current key stands on the chain node).
  char v[32] = "same";
  ASSERT_TRUE(db.GetEqual(1, v));
  ASSERT_TRUE(db.Delete());
  Chain c = Read();
  int32_t head = EntryRecord(c.b);
  EXPECT_EQ(c.Record(head), RecordOf(2));
  EXPECT_EQ(c.Prev(head), -1);
  EXPECT_EQ(c.Record(c.Last(head)), RecordOf(3));
}

TEST_F(Dups, AChainReducedToOneNodeStaysAChain) {
  ASSERT_TRUE(AddPerson(db, 1, "same", 0));
  ASSERT_TRUE(AddPerson(db, 2, "same", 0));
  RecordOf(2);
  ASSERT_TRUE(db.Delete());
  Chain c = Read();
  int32_t head = EntryRecord(c.b);
  ASSERT_TRUE(c.IsNode(head));
  EXPECT_EQ(c.Next(head), -1);
  EXPECT_EQ(c.Last(head), head);
  RecordOf(1);
  ASSERT_TRUE(db.Delete());
  Chain d = Read();
  EXPECT_EQ(EntryRecord(d.b), -1);
  EXPECT_EQ(IdsUnder("same"), std::vector<int>{});
}

TEST_F(Dups, UpdateKeepsARecordsTurnAmongItsEquals) {
  for (int id : {1, 2, 3, 4}) ASSERT_TRUE(AddPerson(db, id, "same", id));
  char v[32] = "same";
  ASSERT_TRUE(db.GetEqual(1, v));
  ASSERT_TRUE(db.GetNext(1));  // id 2, under the name key
  ASSERT_EQ(CurrentId(db), 2);
  double changed = 99;
  ASSERT_TRUE(db.SetField(&changed, 2));
  ASSERT_TRUE(db.Update());
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 2, 3, 4}));
  ASSERT_TRUE(db.GetEqual(1, v));  // and the head keeps its turn too
  ASSERT_TRUE(db.SetField(&changed, 2));
  ASSERT_TRUE(db.Update());
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 2, 3, 4}));
  // Through another key the record goes to the end of its chain.
  int three = 3;
  ASSERT_TRUE(db.GetEqual(0, &three));
  ASSERT_TRUE(db.SetField(&changed, 2));
  ASSERT_TRUE(db.Update());
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 2, 4, 3}));
  Chain c = Read();
  int32_t head = EntryRecord(c.b);
  int n = 0;
  int32_t last = -1;
  for (int32_t at = head; at != -1; at = c.Next(at), ++n) last = at;
  EXPECT_EQ(n, 4);
  EXPECT_EQ(c.Last(head), last);
}

TEST_F(Dups, DeleteByRecordOffsetWalksTheChain) {
  for (int id : {1, 2, 3}) ASSERT_TRUE(AddPerson(db, id, "same", 0));
  int r2 = RecordOf(2);
  db.SetCurRec(r2);
  ASSERT_TRUE(db.Delete());
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 3}));
  EXPECT_EQ(db.GetRecordNum(), 2);
}

// A position taken on a chain's node, then an equal value inserted after
// it: the delete unlinks the node with its links as they are now, so the
// record appended since stays in the chain.
TEST_F(Dups, DeleteAfterTheChainGrewKeepsTheNewRecord) {
  ASSERT_TRUE(AddPerson(db, 1, "same", 0));
  ASSERT_TRUE(AddPerson(db, 2, "same", 0));
  char v[32] = "same";
  ASSERT_TRUE(db.GetLessEqual(1, v));  // the chain's last node: id 2
  ASSERT_EQ(CurrentId(db), 2);
  ASSERT_TRUE(AddPerson(db, 3, "same", 0));
  ASSERT_TRUE(db.Delete());
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 3}));
  Chain c = Read();
  int32_t head = EntryRecord(c.b);
  ASSERT_TRUE(c.IsNode(head));
  int32_t second = c.Next(head);
  ASSERT_NE(second, -1);
  EXPECT_EQ(c.Prev(second), head);
  EXPECT_EQ(c.Next(second), -1);
  EXPECT_EQ(c.Last(head), second);
  // An update of a record whose node had a neighbour appended keeps its turn
  // and the neighbour.
  // (An insert empties the edit buffer, so the update passes an image.)
  uint8_t image[44];
  ASSERT_TRUE(db.GetLessEqual(1, v, image));  // id 3
  ASSERT_TRUE(AddPerson(db, 4, "same", 0));
  double changed = 5;
  std::memcpy(image + 36, &changed, 8);
  ASSERT_TRUE(db.Update(image));
  EXPECT_EQ(IdsUnder("same"), (std::vector<int>{1, 3, 4}));
  int three = 3;
  ASSERT_TRUE(db.GetEqual(0, &three));
  EXPECT_STREQ(db.GetFieldStr(2), "5.00000000000000");
}

// The position says the record stands alone, but an equal value has made
// the entry a chain since: the delete finds the record in the chain rather
// than failing half-way through the keys.
TEST_F(Dups, DeleteAfterASingleRecordBecameAChain) {
  ASSERT_TRUE(AddPerson(db, 1, "solo", 0));
  char v[32] = "solo";
  ASSERT_TRUE(db.GetEqual(1, v));
  ASSERT_TRUE(AddPerson(db, 2, "solo", 0));
  ASSERT_TRUE(db.Delete());
  EXPECT_EQ(db.GetRecordNum(), 1);
  EXPECT_EQ(IdsUnder("solo"), (std::vector<int>{2}));
  int one = 1;
  EXPECT_FALSE(db.GetEqual(0, &one));
}

// Insertions move entries inside a leaf (and splits move them to new
// leaves) while a key keeps its position: a delete through that key finds
// the entry that holds the record's value instead of unlinking the node
// from whatever entry now stands at the old place.
TEST_F(Dups, DeleteAfterEntriesMovedFindsTheRightEntry) {
  ASSERT_TRUE(AddPerson(db, 1, "m", 0));
  ASSERT_TRUE(AddPerson(db, 2, "m", 0));
  char v[32] = "m";
  ASSERT_TRUE(db.GetEqual(1, v));  // id 1, the chain's head, entry 0
  ASSERT_TRUE(AddPerson(db, 3, "a", 0));  // now entry 0; "m" moves to 1
  ASSERT_TRUE(db.Delete());
  EXPECT_EQ(IdsUnder("m"), (std::vector<int>{2}));
  EXPECT_EQ(IdsUnder("a"), (std::vector<int>{3}));
  // The same after a split moved the entry to another leaf.
  ASSERT_TRUE(AddPerson(db, 4, "m", 0));
  ASSERT_TRUE(db.GetEqual(1, v));  // id 2
  for (int i = 0; i < 300; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "b%03d", i);
    ASSERT_TRUE(AddPerson(db, 100 + i, name, 0));
  }
  ASSERT_TRUE(db.Delete());
  EXPECT_EQ(IdsUnder("m"), (std::vector<int>{4}));
  int n = 0;
  for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) ++n;
  EXPECT_EQ(n, db.GetRecordNum());
  EXPECT_EQ(n, 302);
}

// Random inserts, positionings (by value, first/last, plain and loading
// steps on either key), deletes and updates, with a model of the records:
// after each delete or update, both keys hold exactly the model's records.
TEST_F(Dups, RandomOperationsKeepBothKeysInStep) {
  std::mt19937 rng(7);
  std::map<int, std::string> model;  // id -> name
  auto nameOf = [](int n) { return std::string("n") + std::to_string(n); };
  auto check = [&](int step) {
    std::vector<int> ids;
    for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) ids.push_back(CurrentId(db));
    std::vector<int> want;
    for (auto& [id, name] : model) want.push_back(id);
    ASSERT_EQ(ids, want) << "step " << step;
    std::multimap<std::string, int> byName;
    for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) byName.emplace(db.GetFieldStr(1), CurrentId(db));
    ASSERT_EQ(byName.size(), model.size()) << "step " << step;
    for (auto& [name, id] : byName) ASSERT_EQ(model.at(id), name) << "step " << step;
    ASSERT_EQ(db.GetRecordNum(), static_cast<int>(model.size()));
  };
  int nextId = 0;
  for (int step = 0; step < 3000; ++step) {
    int op = static_cast<int>(rng() % 10);
    if (op < 4 || model.empty()) {
      int id = nextId++;
      std::string name = nameOf(static_cast<int>(rng() % 12));
      ASSERT_TRUE(AddPerson(db, id, name.c_str(), id));
      model[id] = name;
      continue;
    }
    int key = static_cast<int>(rng() % 2);
    bool placed = false;
    switch (rng() % 5) {
      case 0: {
        int id = static_cast<int>(rng() % nextId);
        placed = db.GetLessEqual(0, &id);
        key = 0;
        break;
      }
      case 1: {
        char v[32] = {};
        std::strncpy(v, nameOf(static_cast<int>(rng() % 12)).c_str(), 31);
        placed = (rng() % 2) ? db.GetEqual(1, v) : db.GetLessEqual(1, v);
        key = 1;
        break;
      }
      case 2: placed = (rng() % 2) ? db.SeekFirst(key) : db.SeekLast(key); break;
      case 3: placed = db.SeekNext(key) || db.SeekPrev(key); break;
      default: placed = db.GetNext(key) || db.GetPrev(key); break;
    }
    if (!placed || db.GetCurRec(key) == -1) continue;
    int id = CurrentId(db);
    ASSERT_EQ(model.count(id), 1u) << "step " << step;
    if (op < 8) {
      ASSERT_TRUE(db.Delete()) << "step " << step;
      model.erase(id);
    } else {
      // (An insert since the last read emptied the edit buffer: the new
      // record goes as an image.)
      std::string name = nameOf(static_cast<int>(rng() % 12));
      uint8_t image[44] = {};
      std::memcpy(image, &id, 4);
      std::strncpy(reinterpret_cast<char*>(image + 4), name.c_str(), 31);
      ASSERT_TRUE(db.Update(image)) << "step " << step;
      model[id] = name;
    }
    check(step);
  }
}
