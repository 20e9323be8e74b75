// Files written by the engine, read back byte by byte through the independent
// reader: blocks are appended in the order the algorithms write them (the
// record, then the nodes and duplicate nodes its keys need), freed blocks are
// listed and reused, a leaf splits into 100 and 101 entries under a new root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvex.h"
#include "orvexcheck.h"
#include "orvexfile.h"

namespace {

namespace of = orvexfile;

class EngineLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "orvex_layout_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
    std::remove(path_.c_str());
  }
  void TearDown() override { std::remove(path_.c_str()); }

  // Maps the closed file and checks it.
  void Load() {
    std::string error;
    ASSERT_TRUE(file_.Open(path_, &error)) << error;
    std::vector<of::Violation> problems;
    ASSERT_TRUE(of::ReadHeader(file_, &h_, &problems));
    const of::CheckReport r = of::Check(file_);
    ASSERT_TRUE(r.clean()) << of::FormatViolation(h_, r.violations[0]);
  }
  int32_t I32(int64_t at) const { return file_.I32(at); }
  int16_t I16(int64_t at) const { return file_.I16(at); }
  std::string Text(int64_t at) const { return std::string(reinterpret_cast<const char*>(file_.data() + at)); }

  std::string path_;
  of::File file_;
  of::Header h_;
};

// id int (unique), name text 8 (duplicates allowed), score double; trimmed.
void MakePeople(COrvex& db, const std::string& path) {
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 4));
  ASSERT_TRUE(db.CreateField("name", ORVEX_TEXT, 8));
  ASSERT_TRUE(db.CreateField("score", ORVEX_DOUBLE, 8));
  ASSERT_TRUE(db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("name", ORVEX_KEY_DUPLICATE, 1, 1, 0, 0));
  ASSERT_TRUE(db.CreateDB(path.c_str(), "people")) << db.GetErrMsg();
}

bool InsertPerson(COrvex& db, int32_t id, const char* name, double score) {
  uint8_t image[20] = {0};
  std::memcpy(image, &id, 4);
  std::strncpy(reinterpret_cast<char*>(image + 4), name, 8);
  std::memcpy(image + 12, &score, 8);
  return db.Insert(image, 0);
}

TEST_F(EngineLayout, RecordsThenNodesThenDuplicateNodes) {
  {
    COrvex db;
    MakePeople(db, path_);
    ASSERT_TRUE(InsertPerson(db, 5, "bob", 1.5));
    ASSERT_TRUE(InsertPerson(db, 3, "amy", 2.0));
    ASSERT_TRUE(InsertPerson(db, 9, "bob", 3.0));
    db.CloseDB();
  }
  Load();
  // A trimmed block: i16 length, int, i16 n + "bob", double: 19 bytes.
  const int64_t rec1 = 15472, leaf0 = rec1 + 19, leaf1 = leaf0 + 2432, rec2 = leaf1 + 1632 + 201 * 9;
  const int64_t rec3 = rec2 + 19, dupA = rec3 + 19, dupB = dupA + 24;
  EXPECT_EQ(file_.size(), dupB + 24);
  EXPECT_EQ(h_.recordLength, 20u);
  EXPECT_EQ(h_.recordCount, 3);
  EXPECT_EQ(h_.recordForm, 0);
  EXPECT_EQ(h_.version, "2.60");
  EXPECT_EQ(h_.description, "people");
  EXPECT_EQ(h_.recordFree, -1);
  EXPECT_EQ(h_.dupFree, -1);
  EXPECT_EQ(h_.chunkFree, -1);

  // The first record, byte by byte.
  EXPECT_EQ(I16(rec1), 19);
  EXPECT_EQ(I32(rec1 + 2), 5);
  EXPECT_EQ(I16(rec1 + 6), 3);
  EXPECT_EQ(std::memcmp(file_.data() + rec1 + 8, "bob", 3), 0);
  double score;
  std::memcpy(&score, file_.data() + rec1 + 11, 8);
  EXPECT_EQ(score, 1.5);

  // Key 0: one root leaf, entries 3, 5 and 9.
  EXPECT_EQ(h_.keys[0].root, leaf0);
  EXPECT_EQ(h_.keys[0].firstLeaf, leaf0);
  EXPECT_EQ(h_.keys[0].lastLeaf, leaf0);
  EXPECT_EQ(I32(leaf0), 3);
  EXPECT_EQ(I32(leaf0 + 4), -1);
  EXPECT_EQ(I32(leaf0 + 808), rec2);
  EXPECT_EQ(I32(leaf0 + 812), rec1);
  EXPECT_EQ(I32(leaf0 + 816), rec3);
  EXPECT_EQ(I32(leaf0 + 1612), -1);
  EXPECT_EQ(I32(leaf0 + 1616), leaf0);
  EXPECT_EQ(I32(leaf0 + 1620), -1);
  EXPECT_EQ(I32(leaf0 + 1624), -1);
  EXPECT_EQ(I32(leaf0 + 1628), 3);
  EXPECT_EQ(I32(leaf0 + 1632), 5);
  EXPECT_EQ(I32(leaf0 + 1636), 9);
  // Key 1: text slots of 9 bytes from 1632; "bob" heads a chain of two.
  EXPECT_EQ(h_.keys[1].root, leaf1);
  EXPECT_EQ(I32(leaf1), 2);
  EXPECT_EQ(Text(leaf1 + 1632), "amy");
  EXPECT_EQ(Text(leaf1 + 1632 + 9), "bob");
  EXPECT_EQ(I32(leaf1 + 808), rec2);
  EXPECT_EQ(I32(leaf1 + 812), dupA);
  // The chain: A holds the first "bob", B the second; A's last is B.
  EXPECT_EQ(std::memcmp(file_.data() + dupA, "fDUPKEY", 8), 0);
  EXPECT_EQ(I32(dupA + 8), rec1);
  EXPECT_EQ(I32(dupA + 12), dupB);
  EXPECT_EQ(I32(dupA + 16), -1);
  EXPECT_EQ(I32(dupA + 20), dupB);
  EXPECT_EQ(std::memcmp(file_.data() + dupB, "fDUPKEY", 8), 0);
  EXPECT_EQ(I32(dupB + 8), rec3);
  EXPECT_EQ(I32(dupB + 12), -1);
  EXPECT_EQ(I32(dupB + 16), dupA);
}

TEST_F(EngineLayout, FreedBlocksAreListedAndReused) {
  const int64_t rec1 = 15472, leaf0 = rec1 + 19, leaf1 = leaf0 + 2432, rec2 = leaf1 + 1632 + 201 * 9;
  const int64_t rec3 = rec2 + 19;
  {
    COrvex db;
    MakePeople(db, path_);
    ASSERT_TRUE(InsertPerson(db, 5, "bob", 1.5));
    ASSERT_TRUE(InsertPerson(db, 3, "amy", 2.0));
    ASSERT_TRUE(InsertPerson(db, 9, "cy", 3.0));  // 18 bytes
    const int32_t three = 3;
    ASSERT_TRUE(db.GetEqual(0, &three));
    ASSERT_TRUE(db.Delete());
    db.CloseDB();
  }
  Load();
  // The freed block keeps its length; the 4 bytes after it hold the old head.
  EXPECT_EQ(h_.recordFree, rec2);
  EXPECT_EQ(I16(rec2), 19);
  EXPECT_EQ(I32(rec2 + 2), -1);
  EXPECT_EQ(h_.recordCount, 2);
  // Both entries of the deleted record stay, dead.
  EXPECT_EQ(I32(leaf0), 3);
  EXPECT_EQ(I32(leaf0 + 808), -1);
  EXPECT_EQ(I32(leaf1 + 808), -1);
  EXPECT_EQ(Text(leaf1 + 1632), "amy");
  const int64_t end = file_.size();
  EXPECT_EQ(end, rec3 + 18);

  {
    COrvex db;
    ASSERT_TRUE(db.OpenDB(path_.c_str(), 66)) << db.GetErrMsg();
    // 20 bytes do not fit the freed 19: the end of the file.
    ASSERT_TRUE(InsertPerson(db, 4, "anne", 0.5));
    // 19 bytes fit: the freed block, and the list is empty again.
    ASSERT_TRUE(InsertPerson(db, 3, "ann", 0.5));
    db.CloseDB();
  }
  Load();
  EXPECT_EQ(file_.size(), end + 20);
  EXPECT_EQ(h_.recordFree, -1);
  EXPECT_EQ(I32(leaf0 + 808), rec2);      // entry 3 revived with the reused block
  EXPECT_EQ(I32(leaf0 + 812), end);       // entry 4, the record at the end
  EXPECT_EQ(Text(leaf1 + 1632), "amy");   // "ann" sorts after "amy": a new entry
  EXPECT_EQ(Text(leaf1 + 1632 + 9), "ann");
}

TEST_F(EngineLayout, TrimmedRecordsLookAtThreeFreeBlocks) {
  int64_t end = 0;
  std::vector<int64_t> at;
  {
    COrvex db;
    MakePeople(db, path_);
    // Blocks of 17, 17, 17 and 21 bytes, then one that stays.
    const char* names[] = {"a", "b", "c", "ddddd", "keep"};
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(InsertPerson(db, i, names[i], 0));
    // Delete the long one first, so the list reads c, b, a, ddddd.
    for (int32_t id : {3, 0, 1, 2}) {
      ASSERT_TRUE(db.GetEqual(0, &id));
      at.push_back(db.GetCurRec(0));
      ASSERT_TRUE(db.Delete());
    }
    db.Flush();
    Load();
    end = file_.size();
    EXPECT_EQ(h_.recordFree, at[3]);
    EXPECT_EQ(I32(at[3] + 2), at[2]);
    EXPECT_EQ(I32(at[2] + 2), at[1]);
    EXPECT_EQ(I32(at[1] + 2), at[0]);
    // 20 bytes: only the fourth block would fit, and it is not looked at.
    ASSERT_TRUE(InsertPerson(db, 10, "eeee", 0));
    // 17 bytes: the head fits.
    ASSERT_TRUE(InsertPerson(db, 11, "f", 0));
    db.CloseDB();
  }
  Load();
  EXPECT_EQ(file_.size(), end + 20);
  EXPECT_EQ(h_.recordFree, at[2]);
  EXPECT_EQ(h_.recordCount, 3);
  EXPECT_EQ(I16(at[3]), 17);
  EXPECT_EQ(I32(at[3] + 2), 11);  // the new record's id where the link was
}

TEST_F(EngineLayout, DeletingTheMiddleOfAChainRelinksAndReusesItsNode) {
  int64_t dupA = 0, dupB = 0, dupC = 0;
  {
    COrvex db;
    MakePeople(db, path_);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(InsertPerson(db, i, "same", i));
    // The middle record: GetEqual gives the first, GetNext the second.
    ASSERT_TRUE(db.GetEqual(1, "same"));
    ASSERT_TRUE(db.GetNext(1));
    int32_t id = -1;
    ASSERT_TRUE(db.GetField(&id, 0));
    ASSERT_EQ(id, 1);
    ASSERT_TRUE(db.Delete());
    db.Flush();
    Load();
    const int64_t head = I32(h_.keys[1].firstLeaf + 808);
    dupA = head;
    dupC = I32(head + 12);
    dupB = h_.dupFree;
    EXPECT_EQ(I32(dupC + 16), dupA);
    EXPECT_EQ(I32(dupA + 20), dupC);
    EXPECT_EQ(I32(dupC + 12), -1);
    EXPECT_EQ(I32(dupB), -1);  // the freed node's first 4 bytes: the old head
    EXPECT_EQ(dupB, dupA + 24);
    ASSERT_TRUE(InsertPerson(db, 7, "same", 7));
    db.CloseDB();
  }
  Load();
  // The new node took the freed place and joined at the end.
  EXPECT_EQ(h_.dupFree, -1);
  EXPECT_EQ(I32(dupC + 12), dupB);
  EXPECT_EQ(I32(dupB + 16), dupC);
  EXPECT_EQ(I32(dupA + 20), dupB);
  EXPECT_EQ(std::memcmp(file_.data() + dupB, "fDUPKEY", 8), 0);
}

TEST_F(EngineLayout, TheTwoHundredFirstValueSplitsTheLeaf) {
  // Fixed records of 8 bytes: id int and a 4-byte text.
  {
    COrvex db;
    ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 4));
    ASSERT_TRUE(db.CreateField("pad", ORVEX_TEXT, 4));
    ASSERT_TRUE(db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0));
    db.EnableTrimRecord(false);
    ASSERT_TRUE(db.CreateDB(path_.c_str(), "split"));
    for (int32_t id = 1; id <= 201; ++id) {
      uint8_t image[8] = {0};
      std::memcpy(image, &id, 4);
      ASSERT_TRUE(db.Insert(image, 0)) << id;
    }
    db.CloseDB();
  }
  Load();
  const int64_t leaf = 15480, rec201 = leaf + 2432 + 199 * 8, right = rec201 + 8, root = right + 2432;
  EXPECT_EQ(h_.recordForm, -1);
  EXPECT_EQ(file_.size(), root + 2432);
  EXPECT_EQ(h_.keys[0].root, root);
  EXPECT_EQ(h_.keys[0].firstLeaf, leaf);
  EXPECT_EQ(h_.keys[0].lastLeaf, right);
  EXPECT_EQ(I32(leaf), 100);
  EXPECT_EQ(I32(right), 101);
  EXPECT_EQ(I32(leaf + 1624), right);
  EXPECT_EQ(I32(right + 1620), leaf);
  EXPECT_EQ(I32(leaf + 1612), root);
  EXPECT_EQ(I32(right + 1612), root);
  EXPECT_EQ(I32(right + 1628), 101);
  EXPECT_EQ(I32(right + 808 + 4 * 100), rec201);
  EXPECT_EQ(I32(root), 2);
  EXPECT_EQ(I32(root + 4), leaf);
  EXPECT_EQ(I32(root + 8), right);
  EXPECT_EQ(I32(root + 1628), 100);
  EXPECT_EQ(I32(root + 1632), 201);
  EXPECT_EQ(I32(root + 1612), -1);

  // A larger value raises the root's last key on the way down.
  {
    COrvex db;
    ASSERT_TRUE(db.OpenDB(path_.c_str(), 66));
    uint8_t image[8] = {0};
    const int32_t id = 500;
    std::memcpy(image, &id, 4);
    ASSERT_TRUE(db.Insert(image, 0));
    db.CloseDB();
  }
  Load();
  EXPECT_EQ(I32(root + 1632), 500);
  EXPECT_EQ(I32(right), 102);
}

}  // namespace

namespace {

// Two records whose chunk fields name one chain: the checker finds the
// shared blocks (deleting either record would free the other's value).
TEST(CheckChunks, ABlockSharedByTwoRecordsIsReported) {
  const std::string path = ::testing::TempDir() + "orvex_shared_chunk_" + std::to_string(getpid()) + ".db";
  int32_t second = -1;
  {
    COrvex db;
    ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("body", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
    db.EnableTrimRecord(false);
    ASSERT_TRUE(db.CreateDB(path.c_str(), ""));
    for (int id = 1; id <= 2; ++id) {
      ASSERT_TRUE(db.SetField(&id, 0));
      ASSERT_TRUE(db.AppendChunk("0123456789", 10, 1));
      ASSERT_TRUE(db.Insert());
    }
    int id = 2;
    ASSERT_TRUE(db.GetEqual(0, &id));
    second = db.GetCurRec(0);
  }
  {
    of::File file;
    std::string error;
    ASSERT_TRUE(file.Open(path, &error)) << error;
    EXPECT_TRUE(of::Check(file).clean());
  }
  // Record 2 (id, first block, size) is given record 1's first block, the
  // first block of the file.
  FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  const int32_t first = 15472;
  std::fseek(f, second + 4, SEEK_SET);
  std::fwrite(&first, 4, 1, f);
  std::fclose(f);
  of::File file;
  std::string error;
  ASSERT_TRUE(file.Open(path, &error)) << error;
  const of::CheckReport r = of::Check(file);
  bool found = false;
  for (const of::Violation& v : r.violations)
    found = found || v.what.find("is also a chunk block of record") != std::string::npos;
  EXPECT_TRUE(found);
  std::remove(path.c_str());
}

}  // namespace
