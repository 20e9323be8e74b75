// Chunk storage through COrvex, with the blocks and the free list read back
// from the file's bytes.
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "table/table.h"
#include "test_util.h"

using namespace orvex_test;

namespace {

constexpr int kChunkFreeHead = 15452;

// id int (unique key 0), body chunk (field 1), note text 16, extra chunk
// (field 3).
bool DefineDocs(COrvex& db) {
  return db.CreateField("id", ORVEX_INT, 0) && db.CreateField("body", ORVEX_CHUNK, 0) &&
         db.CreateField("note", ORVEX_TEXT, 16) && db.CreateField("extra", ORVEX_CHUNK, 0) &&
         db.CreateKey("id", 2, 0, 0, 0, 0);
}

std::vector<uint8_t> Bytes(int n, int seed) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7 + seed * 31 + i / 251);
  return v;
}

class Chunks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DefineDocs(db_));
    db_.EnableTrimRecord(false);  // fixed form: a record's chunk reference sits at a known place
    ASSERT_TRUE(db_.CreateDB(path_.c_str(), ""));
  }
  // Inserts a record whose body is data, appended in pieces of `piece`.
  void Add(int id, const std::vector<uint8_t>& data, int piece = 1 << 30) {
    ASSERT_TRUE(db_.SetField(&id, 0));
    for (size_t at = 0; at < data.size(); at += static_cast<size_t>(piece)) {
      int n = static_cast<int>(std::min(data.size() - at, static_cast<size_t>(piece)));
      ASSERT_TRUE(db_.AppendChunk(data.data() + at, n, 1));
    }
    ASSERT_TRUE(db_.Insert());
  }
  void Del(int id) {
    ASSERT_TRUE(db_.GetEqual(0, &id));
    ASSERT_TRUE(db_.Delete());
  }
  std::vector<uint8_t> Body(int id) {
    if (!db_.GetEqual(0, &id)) return {};
    std::vector<uint8_t> out(static_cast<size_t>(db_.GetChunkSize(1)));
    if (out.empty()) return out;
    EXPECT_TRUE(db_.GotoChunkPos(1));
    EXPECT_TRUE(db_.GetChunk(out.data(), static_cast<int>(out.size()), 1));
    return out;
  }
  // The body reference (first block, size) of a record, from the file.
  std::pair<int32_t, int32_t> Ref(int id) {
    EXPECT_TRUE(db_.GetEqual(0, &id));
    int32_t at = db_.GetCurRec(0);
    db_.Flush();
    auto b = ReadBytes(path_);
    return {Le32(b, static_cast<size_t>(at) + 4), Le32(b, static_cast<size_t>(at) + 8)};
  }
  std::vector<uint8_t> File() {
    db_.Flush();
    return ReadBytes(path_);
  }

  TempDir dir_;
  std::string path_ = dir_.File("c.db");
  COrvex db_;
};

}  // namespace

TEST_F(Chunks, AnEmptyFirstPieceMakesAnEmptyChunk) {
  int id = 1;
  ASSERT_TRUE(db_.SetField(&id, 0));
  ASSERT_TRUE(db_.AppendChunk(nullptr, 0, 1));
  ASSERT_TRUE(db_.Insert());
  EXPECT_EQ(Ref(1), std::make_pair(0, 0));
  ASSERT_TRUE(db_.GetEqual(0, &id));
  EXPECT_FALSE(db_.GotoChunkPos(1));
  EXPECT_EQ(db_.GetChunkSize(1), 0);
  EXPECT_EQ(db_.GetChunkSize("body"), 0);
  EXPECT_EQ(db_.GetChunkSize(0), -1);  // not a chunk field
  char c;
  EXPECT_FALSE(db_.GetField(&c, 1));
  EXPECT_STREQ(db_.GetErrMsg(), "field invalidation");
  EXPECT_EQ(db_.GetFieldSize(1), 0);
  EXPECT_FALSE(db_.AppendChunk("x", -1, 1));
  EXPECT_FALSE(db_.AppendChunk("x", 1, 0));
  EXPECT_FALSE(db_.AppendChunk("x", 1, 9));
}

TEST_F(Chunks, PiecesAtTheEndOfTheFileGrowOneBlock) {
  auto data = Bytes(60, 1);
  int id = 1;
  ASSERT_TRUE(db_.SetField(&id, 0));
  ASSERT_TRUE(db_.AppendChunk(data.data(), 10, 1));
  ASSERT_TRUE(db_.AppendChunk(data.data() + 10, 20, 1));
  ASSERT_TRUE(db_.AppendChunk(data.data() + 30, 30, "body"));
  ASSERT_TRUE(db_.Insert());
  auto [first, size] = Ref(1);
  EXPECT_EQ(size, 60);
  auto b = File();
  EXPECT_EQ(first, 15472);  // the first block of the file
  EXPECT_EQ(Le32(b, first), -1);
  EXPECT_EQ(Le32(b, first + 4), 60);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + first + 8, b.begin() + first + 68), data);
  EXPECT_EQ(Body(1), data);
}

TEST_F(Chunks, ReadingInPiecesGivesTheSameBytesAcrossBlocks) {
  // A chain of two blocks: 40 bytes reused from a freed chunk, the other 20
  // in a new block at the end of the file.
  Add(1, Bytes(40, 2));
  Del(1);
  auto data = Bytes(60, 3);
  Add(2, data, 7);
  auto [first, size] = Ref(2);
  auto b = File();
  EXPECT_EQ(first, 15472);
  EXPECT_EQ(Le32(b, first + 4), 40);
  int32_t second = Le32(b, first);
  ASSERT_GT(second, first);
  EXPECT_EQ(Le32(b, second), -1);
  EXPECT_EQ(Le32(b, second + 4), 20);
  EXPECT_EQ(size, 60);
  for (std::vector<int> pieces : {std::vector<int>{25, 25, 10}, {40, 20}, {60}, {1, 39, 1, 19}}) {
    int id = 2;
    ASSERT_TRUE(db_.GetEqual(0, &id));
    ASSERT_TRUE(db_.GotoChunkPos(1));
    std::vector<uint8_t> got(60);
    int at = 0;
    for (int n : pieces) {
      ASSERT_TRUE(db_.GetChunk(got.data() + at, n, 1));
      at += n;
    }
    EXPECT_EQ(got, data);
  }
}

TEST_F(Chunks, FreedBlocksAreReusedOneAtATime) {
  Add(1, Bytes(100, 1));
  Add(2, Bytes(50, 2));
  auto [first1, size1] = Ref(1);
  auto [first2, size2] = Ref(2);
  Del(1);
  auto b = File();
  EXPECT_EQ(Le32(b, kChunkFreeHead), first1);
  EXPECT_EQ(Le32(b, first1), -1);
  Del(2);
  // The second chain goes in front, linked to the first.
  b = File();
  EXPECT_EQ(Le32(b, kChunkFreeHead), first2);
  EXPECT_EQ(Le32(b, first2), first1);
  const size_t fileSize = b.size();
  // A chunk of the same size as the last one freed reuses its block.
  Add(3, Bytes(50, 3));
  EXPECT_EQ(Ref(3).first, first2);
  b = File();
  EXPECT_EQ(Le32(b, kChunkFreeHead), first1);
  EXPECT_EQ(Le32(b, first2), -1);
  EXPECT_EQ(Le32(b, first2 + 4), 50);
  // A smaller chunk takes the next free block whole; its capacity stays.
  Add(4, Bytes(30, 4));
  EXPECT_EQ(Ref(4), std::make_pair(first1, 30));
  b = File();
  EXPECT_EQ(Le32(b, first1 + 4), 100);
  EXPECT_LT(Le32(b, kChunkFreeHead), 1);
  EXPECT_EQ(Body(3), Bytes(50, 3));
  EXPECT_EQ(Body(4), Bytes(30, 4));
  // Records and chunks went into freed blocks: the file did not grow.
  EXPECT_EQ(b.size(), fileSize);
}

TEST_F(Chunks, AnUpdateKeepsOrReplacesChunksAndFreesOnlyWhenDone) {
  int id = 1;
  ASSERT_TRUE(db_.SetField(&id, 0));
  auto body = Bytes(300, 1), extra = Bytes(80, 2);
  ASSERT_TRUE(db_.AppendChunk(body.data(), 300, 1));
  ASSERT_TRUE(db_.AppendChunk(extra.data(), 80, 3));
  ASSERT_TRUE(db_.Insert());
  Add(2, Bytes(10, 9));
  const int32_t oldBody = Ref(1).first;
  // A plain update (a text field) keeps both chunks.
  ASSERT_TRUE(db_.GetEqual(0, &id));
  ASSERT_TRUE(db_.SetFieldStr("changed", 2));
  ASSERT_TRUE(db_.Update());
  EXPECT_EQ(Body(1), body);
  EXPECT_LT(Le32(File(), kChunkFreeHead), 1);
  // An update that would duplicate the unique key fails: the record keeps
  // its chunk, the chunk is not on the free list, and the chunk appended
  // for the failed update goes back to the free list.
  ASSERT_TRUE(db_.GetEqual(0, &id));
  const int32_t attempted = static_cast<int32_t>(File().size());
  auto other = Bytes(64, 5);
  ASSERT_TRUE(db_.AppendChunk(other.data(), 64, 1));
  int two = 2;
  ASSERT_TRUE(db_.SetField(&two, 0));
  EXPECT_FALSE(db_.Update());
  EXPECT_STREQ(db_.GetErrMsg(), "the key is unduplicated");
  EXPECT_EQ(Body(1), body);
  EXPECT_EQ(Ref(1).first, oldBody);
  EXPECT_EQ(Le32(File(), kChunkFreeHead), attempted);
  // An update appending to the body replaces it; the old chain is freed and
  // the extra chunk stays.
  ASSERT_TRUE(db_.GetEqual(0, &id));
  auto body2 = Bytes(120, 3);
  ASSERT_TRUE(db_.AppendChunk(body2.data(), 120, 1));
  ASSERT_TRUE(db_.Update());
  EXPECT_EQ(Body(1), body2);
  ASSERT_TRUE(db_.GetEqual(0, &id));
  std::vector<uint8_t> got(80);
  ASSERT_EQ(db_.GetChunkSize(3), 80);
  ASSERT_TRUE(db_.GotoChunkPos(3));
  ASSERT_TRUE(db_.GetChunk(got.data(), 80, 3));
  EXPECT_EQ(got, extra);
  EXPECT_EQ(Le32(File(), kChunkFreeHead), oldBody);
}

TEST_F(Chunks, ForeignReferencesInARecordImageAreNotTakenOver) {
  Add(1, Bytes(500, 1));
  const auto [first, size] = Ref(1);
  // An image holding record 1's reference (as a copy of it would) is
  // inserted as record 2: its chunk is empty.
  int id = 1;
  std::vector<uint8_t> image(static_cast<size_t>(db_.GetFieldSize(0) + 8 + 16 + 8));
  ASSERT_TRUE(db_.GetEqual(0, &id, image.data()));
  EXPECT_EQ(Le32(image, 4), first);
  Put32(image, 0, 2);
  ASSERT_TRUE(db_.Insert(image.data()));
  EXPECT_EQ(Ref(2), std::make_pair(0, 0));
  // An update through an image keeps the record's own chunk, whatever the
  // image says.
  Put32(image, 0, 3);
  Put32(image, 4, first);
  Put32(image, 8, size);
  ASSERT_TRUE(db_.Insert(image.data()));
  id = 3;
  ASSERT_TRUE(db_.GetEqual(0, &id));
  Put32(image, 4, 15472 + 3);
  ASSERT_TRUE(db_.Update(image.data()));
  EXPECT_EQ(Ref(3), std::make_pair(0, 0));
  // Deleting the records that were given the reference frees nothing, and
  // record 1 reads back whole.
  Del(2);
  Del(3);
  EXPECT_LT(Le32(File(), kChunkFreeHead), 1);
  EXPECT_EQ(Body(1), Bytes(500, 1));
}

TEST_F(Chunks, AppendingToAnotherFieldAndBackStartsAfresh) {
  int id = 1;
  ASSERT_TRUE(db_.SetField(&id, 0));
  ASSERT_TRUE(db_.AppendChunk("first", 5, 1));
  ASSERT_TRUE(db_.AppendChunk("other", 5, 3));
  ASSERT_TRUE(db_.AppendChunk("again", 5, 1));
  ASSERT_TRUE(db_.Insert());
  EXPECT_EQ(Body(1), std::vector<uint8_t>({'a', 'g', 'a', 'i', 'n'}));
  EXPECT_EQ(db_.GetChunkSize(3), 5);
  // A record built without appending has empty chunks.
  id = 2;
  ASSERT_TRUE(db_.SetField(&id, 0));
  ASSERT_TRUE(db_.Insert());
  EXPECT_EQ(db_.GetChunkSize(1), 5);  // the position is still on record 1
  ASSERT_TRUE(db_.GetEqual(0, &id));
  EXPECT_EQ(db_.GetChunkSize(1), 0);
  EXPECT_EQ(db_.GetChunkSize(3), 0);
}

TEST_F(Chunks, AReadPastTheValueCopiesWhatThereIsAndFails) {
  Add(1, Bytes(40, 1));
  Del(1);
  Add(2, Bytes(10, 2));  // a 10-byte value in a reused 40-byte block
  int id = 2;
  ASSERT_TRUE(db_.GetEqual(0, &id));
  ASSERT_TRUE(db_.GotoChunkPos(1));
  std::vector<uint8_t> got(40, 0xEE);
  EXPECT_FALSE(db_.GetChunk(got.data(), 40, 1));
  EXPECT_STREQ(db_.GetErrMsg(), "chunk ended before the length asked");
  EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + 10), Bytes(10, 2));
  EXPECT_EQ(got[10], 0xEE);
  // Without GotoChunkPos first, nothing is read.
  ASSERT_TRUE(db_.GetFirst(0));
  EXPECT_FALSE(db_.GetChunk(got.data(), 1, 1));
}

TEST_F(Chunks, DamagedChainsFailWithoutReadingElsewhere) {
  Add(1, Bytes(30, 1));
  Add(2, Bytes(30, 2));
  const int32_t first = Ref(1).first;
  db_.CloseDB();
  auto good = ReadBytes(path_);
  struct Damage {
    int32_t at;
    int32_t value;
  };
  const int32_t fileSize = static_cast<int32_t>(good.size());
  for (Damage d : {Damage{first + 4, 1 << 30},  // capacity past the end of the file
                   Damage{first + 4, 10},       // a chain that ends before the size
                   Damage{first + 4, 0},        // an empty block
                   Damage{first + 4, -5}}) {
    auto b = good;
    Put32(b, static_cast<size_t>(d.at), d.value);
    WriteBytes(path_, b);
    ASSERT_TRUE(db_.OpenDB(path_.c_str(), 66));
    int id = 1;
    ASSERT_TRUE(db_.GetEqual(0, &id));
    std::vector<uint8_t> got(30);
    bool read = db_.GotoChunkPos(1) && db_.GetChunk(got.data(), 30, 1);
    EXPECT_FALSE(read) << d.value;
    EXPECT_STRNE(db_.GetErrMsg(), "");
    db_.CloseDB();
  }
  // A chain whose next link leaves the file, or runs back to itself.
  for (int32_t next : {fileSize + 100, first, 12}) {
    auto b = good;
    Put32(b, static_cast<size_t>(first + 4), 10);
    Put32(b, static_cast<size_t>(first), next);
    WriteBytes(path_, b);
    ASSERT_TRUE(db_.OpenDB(path_.c_str(), 66));
    int id = 1;
    ASSERT_TRUE(db_.GetEqual(0, &id));
    ASSERT_TRUE(db_.GotoChunkPos(1));
    std::vector<uint8_t> got(30);
    EXPECT_FALSE(db_.GetChunk(got.data(), 30, 1));
    // Deleting the record does not put a damaged chain on the free list.
    ASSERT_TRUE(db_.Delete());
    db_.CloseDB();
    EXPECT_LT(Le32(ReadBytes(path_), kChunkFreeHead), 1) << next;
  }
}

TEST_F(Chunks, ADamagedFreeListIsDroppedAndNewChunksGoToTheEnd) {
  Add(1, Bytes(30, 1));
  Add(2, Bytes(30, 2));
  Add(3, Bytes(30, 3));
  Del(1);
  Del(2);
  const int32_t head = Le32(File(), kChunkFreeHead);
  db_.CloseDB();
  auto good = ReadBytes(path_);
  const int32_t second = Le32(good, static_cast<size_t>(head));
  for (int32_t link : {head, second, static_cast<int32_t>(good.size()) + 8}) {
    auto b = good;
    Put32(b, static_cast<size_t>(second), link);  // a loop, a misplaced block, outside the file
    WriteBytes(path_, b);
    ASSERT_TRUE(db_.OpenDB(path_.c_str(), 66));
    Add(4, Bytes(30, 4));
    Add(5, Bytes(30, 5));
    EXPECT_STREQ(db_.GetErrMsg(), "chunk free list damaged; new chunks go to the end of the file");
    EXPECT_GT(Ref(4).first, static_cast<int32_t>(good.size()) - 1);
    EXPECT_GT(Ref(5).first, Ref(4).first);
    EXPECT_EQ(Body(3), Bytes(30, 3));
    EXPECT_EQ(Body(4), Bytes(30, 4));
    EXPECT_EQ(Body(5), Bytes(30, 5));
    db_.CloseDB();
    EXPECT_EQ(Le32(ReadBytes(path_), kChunkFreeHead), -1);
  }
}

TEST_F(Chunks, AChainOfMoreThanAThousandBlocksIsNotFreed) {
  for (int id = 1; id <= 1001; ++id) Add(id, Bytes(1, id));
  for (int id = 1; id <= 1001; ++id) Del(id);
  // 1001 one-byte blocks, then one at the end of the file.
  auto data = Bytes(1100, 7);
  Add(5000, data, 300);
  EXPECT_EQ(Body(5000), data);
  EXPECT_LT(Le32(File(), kChunkFreeHead), 1);
  Del(5000);
  EXPECT_LT(Le32(File(), kChunkFreeHead), 1);
}

TEST(ChunkWrites, AFailedWriteLeavesTheRecordsWritten) {
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;
  opt.cacheBytes = 0;
  orvex::Table t(opt);
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(t.CreateField("body", ORVEX_CHUNK, 0));
  ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(t.CreateDB("m.db", ""));
  auto data = Bytes(5000, 1);
  int id = 1;
  ASSERT_TRUE(t.SetField(&id, 0));
  ASSERT_TRUE(t.AppendChunk(data.data(), 5000, 1));
  ASSERT_TRUE(t.Insert(nullptr, 0));
  t.Flush();
  const auto committed = fs.Bytes("m.db");
  // The second piece's header rewrite fails.
  id = 2;
  ASSERT_TRUE(t.SetField(&id, 0));
  ASSERT_TRUE(t.AppendChunk(data.data(), 100, 1));
  fs.writesLeft = 0;
  EXPECT_FALSE(t.AppendChunk(data.data(), 100, 1));
  EXPECT_EQ(std::string(t.GetErrMsg()).rfind("can't write file", 0), 0u) << t.GetErrMsg();
  fs.writesLeft = -1;
  t.CloseDB();
  // The committed part of the file is as it was, and record 1 reads back.
  auto& now = fs.Bytes("m.db");
  ASSERT_GE(now.size(), committed.size());
  EXPECT_TRUE(std::equal(committed.begin(), committed.end(), now.begin()));
  ASSERT_TRUE(t.OpenDB("m.db", 66));
  id = 1;
  ASSERT_TRUE(t.GetEqual(0, &id, nullptr, 0));
  std::vector<uint8_t> got(5000);
  ASSERT_TRUE(t.GotoChunkPos(1));
  ASSERT_TRUE(t.GetChunk(got.data(), 5000, 1));
  EXPECT_EQ(got, data);
}

// An insert refused before it takes its chunks (no next auto-increment value)
// gives them back to the free list; nothing may refer to them afterwards: an
// update that appends nothing keeps the record's own chunk.
TEST(ChunkWrites, ChunksOfAnInsertRefusedEarlyAreFreeAndNoLaterRecordGetsThem) {
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;
  opt.cacheBytes = 0;
  orvex::Table t(opt);
  ASSERT_TRUE(t.CreateField("serial", ORVEX_AUTOINC, 0));
  ASSERT_TRUE(t.CreateField("body", ORVEX_CHUNK, 0));  // the serial is key 0
  t.EnableTrimRecord(false);
  ASSERT_TRUE(t.CreateDB("m.db", ""));
  const auto own = Bytes(40, 1), refused = Bytes(60, 2);
  ASSERT_TRUE(t.AppendChunk(own.data(), 40, 1));
  ASSERT_TRUE(t.Insert(nullptr, 0));
  ASSERT_TRUE(t.GetFirst(0, nullptr, 0));
  const int32_t record = t.GetCurRec(0);
  t.CloseDB();
  // The record's serial (and its key slot) becomes the largest int.
  auto& bytes = fs.Bytes("m.db");
  Put32(bytes, static_cast<size_t>(record), INT32_MAX);
  Put32(bytes, static_cast<size_t>(Le32(bytes, 15252)) + 1628, INT32_MAX);
  const int32_t ownBlock = Le32(bytes, static_cast<size_t>(record) + 4);
  ASSERT_TRUE(t.OpenDB("m.db", 66));

  ASSERT_TRUE(t.AppendChunk(refused.data(), 60, 1));
  EXPECT_FALSE(t.Insert(nullptr, 0));
  EXPECT_STREQ(t.GetErrMsg(), "auto-increment value would pass 2147483647");
  t.Flush();
  const int32_t freed = Le32(fs.Bytes("m.db"), kChunkFreeHead);
  EXPECT_GT(freed, 0);
  EXPECT_NE(freed, ownBlock);

  ASSERT_TRUE(t.GetFirst(0, nullptr, 0));
  ASSERT_TRUE(t.Update(nullptr, 0));
  ASSERT_TRUE(t.GetFirst(0, nullptr, 0));
  ASSERT_EQ(t.GetChunkSize(1), 40);
  std::vector<uint8_t> got(40);
  ASSERT_TRUE(t.GotoChunkPos(1));
  ASSERT_TRUE(t.GetChunk(got.data(), 40, 1));
  EXPECT_EQ(got, own);
  t.Flush();
  EXPECT_EQ(Le32(fs.Bytes("m.db"), kChunkFreeHead), freed);  // still free, and only there
}

TEST(ChunkWrites, AnInsertThatFailsAfterItsRecordIsWrittenLeavesNoRecordAndFreesItsChunks) {
  // The insert fails after its record and its first key were written: it is
  // undone whole, no key reaches the record, and the chunk appended for it
  // belongs to nothing and is free again.
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;
  opt.cacheBytes = 0;
  orvex::Table t(opt);
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(t.CreateField("tag", ORVEX_TEXT, 8));
  ASSERT_TRUE(t.CreateField("body", ORVEX_CHUNK, 0));
  ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(t.CreateKey("tag", 1, 1, 1, 0, 0));
  ASSERT_TRUE(t.CreateDB("m.db", ""));
  char tag[8] = "x";
  int id = 1;
  ASSERT_TRUE(t.SetField(&id, 0) && t.SetField(tag, 1) && t.Insert(nullptr, 0));
  t.Flush();
  // The "x" entry of the tag key now names a place past the end of the file.
  auto& bytes = fs.Bytes("m.db");
  const int32_t tagLeaf = Le32(bytes, 15292 + 4);
  Put32(bytes, static_cast<size_t>(tagLeaf) + 808, 0x7ffffff0);
  id = 2;
  ASSERT_TRUE(t.SetField(&id, 0) && t.SetField(tag, 1) && t.AppendChunk("value", 5, 2));
  EXPECT_FALSE(t.Insert(nullptr, 0));  // written and indexed by id, then the tag key fails
  EXPECT_FALSE(t.GetEqual(0, &id, nullptr, 0));
  EXPECT_EQ(t.GetRecordNum(), 1);
  t.Flush();
  EXPECT_GT(Le32(fs.Bytes("m.db"), kChunkFreeHead), 0);
}

// A value of many pages appended past the last commit goes to the file page
// by page while it is appended (nothing there needs the journal). A write
// that fails midway leaves exactly the last commit; the same value appended
// again reads back across a reopen.
TEST(ChunkWrites, ALargeValueWrittenPastTheCommitIsWholeOrGone) {
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;  // the default cache
  orvex::Table t(opt);
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(t.CreateField("body", ORVEX_CHUNK, 0));
  ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(t.CreateDB("m.db", ""));
  const auto first = Bytes(300000, 4), second = Bytes(600000, 5);
  auto add = [&](int id, const std::vector<uint8_t>& data) {
    if (!t.SetField(&id, 0)) return false;
    for (size_t at = 0; at < data.size(); at += 4096)
      if (!t.AppendChunk(data.data() + at, static_cast<int>(std::min<size_t>(4096, data.size() - at)), 1)) return false;
    return t.Insert(nullptr, 0);
  };
  auto body = [&](int id) {
    std::vector<uint8_t> out;
    if (!t.GetEqual(0, &id, nullptr, 0)) return out;
    out.resize(static_cast<size_t>(t.GetChunkSize(1)));
    if (!t.GotoChunkPos(1) || !t.GetChunk(out.data(), static_cast<int>(out.size()), 1)) out.clear();
    return out;
  };
  ASSERT_TRUE(add(1, first));
  t.Flush();
  const auto committed = fs.Bytes("m.db");
  const int writesBefore = fs.writes;
  fs.writesLeft = 6;
  EXPECT_FALSE(add(2, second));
  EXPECT_GT(fs.writes, writesBefore + 6);  // the value reached the file before any commit
  fs.writesLeft = -1;
  t.CloseDB();
  EXPECT_TRUE(fs.Bytes("m.db") == committed);
  ASSERT_TRUE(t.OpenDB("m.db", 66));
  EXPECT_EQ(t.GetRecordNum(), 1);
  EXPECT_TRUE(body(1) == first);
  ASSERT_TRUE(add(2, second));
  t.CloseDB();
  ASSERT_TRUE(t.OpenDB("m.db", 66));
  EXPECT_TRUE(body(1) == first);
  EXPECT_TRUE(body(2) == second);
  t.CloseDB();
}
