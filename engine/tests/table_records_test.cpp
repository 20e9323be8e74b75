// Records: insert, update, delete, free-block reuse, auto-increment.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "test_util.h"

using namespace orvex_test;

namespace {

// serial (auto-increment, key 0), code int (unique key 1), label text 20.
void DefineSerials(COrvex& db) {
  ASSERT_TRUE(db.CreateField("serial", ORVEX_AUTOINC, 0));
  ASSERT_TRUE(db.CreateField("code", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("label", ORVEX_TEXT, 20));
  ASSERT_TRUE(db.CreateKey("code", 2, 1, 0, 0, 0));
}

// The serials table, created as a.db in dir.
void CreateSerials(COrvex& db, const TempDir& dir) {
  DefineSerials(db);
  ASSERT_TRUE(db.CreateDB(dir.File("a.db").c_str(), ""));
}

bool AddCode(COrvex& db, int code, const char* label = "") {
  char text[20] = {};
  std::strncpy(text, label, 19);
  return db.SetField(&code, 1) && db.SetField(text, 2) && db.Insert();
}

int Serial(COrvex& db) {
  int v = -1;
  db.GetField(&v, 0);
  return v;
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

}  // namespace

TEST(AutoIncrement, CountsFromOneAndReusesTheHighestAfterItsDelete) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 10));
  ASSERT_TRUE(AddCode(db, 20));
  ASSERT_TRUE(AddCode(db, 30));
  ASSERT_TRUE(db.GetLast(0));
  EXPECT_EQ(Serial(db), 3);
  ASSERT_TRUE(db.Delete());
  ASSERT_TRUE(AddCode(db, 40));
  int code = 40;
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_EQ(Serial(db), 3);
  EXPECT_FALSE(db.SetField(&code, 0));
  EXPECT_STREQ(db.GetErrMsg(), "field invalidation");
}

TEST(AutoIncrement, ComesFromTheFieldsOwnKeyWhenItIsNotKeyZero) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("code", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("code", 2, 0, 0, 0, 0));  // key 0
  ASSERT_TRUE(db.CreateField("serial", ORVEX_AUTOINC, 0));  // its key is key 1
  ASSERT_TRUE(db.CreateDB(dir.File("a.db").c_str(), ""));
  for (int code : {500, 100, 900, 300}) {
    ASSERT_TRUE(db.SetField(&code, 0));
    ASSERT_TRUE(db.Insert());
  }
  int serials[4];
  int i = 0;
  for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) db.GetField(&serials[i++], 1);
  ASSERT_EQ(i, 4);
  EXPECT_EQ(serials[0], 1);
  EXPECT_EQ(serials[3], 4);
  int code = 900;
  ASSERT_TRUE(db.GetEqual(0, &code));
  int s;
  db.GetField(&s, 1);
  EXPECT_EQ(s, 3);
}

// After the largest int there is no next value: the insert is refused and
// writes nothing.
TEST(AutoIncrement, PastTheLargestIntTheInsertIsRefused) {
  TempDir dir;
  int32_t record;
  {
    COrvex db;
    CreateSerials(db, dir);
    ASSERT_TRUE(AddCode(db, 1));
    ASSERT_TRUE(db.GetFirst(0));
    record = db.GetCurRec(0);
  }
  auto b = ReadBytes(dir.File("a.db"));
  Put32(b, record + 2, INT32_MAX);                 // the trimmed record's serial
  Put32(b, Le32(b, 15252) + 1628, INT32_MAX);      // and its key slot
  WriteBytes(dir.File("a.db"), b);
  COrvex db(dir.File("a.db").c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen());
  ASSERT_TRUE(db.GetFirst(0));
  EXPECT_EQ(Serial(db), INT32_MAX);
  EXPECT_FALSE(AddCode(db, 2));
  EXPECT_STREQ(db.GetErrMsg(), "auto-increment value would pass 2147483647");
  EXPECT_EQ(db.GetRecordNum(), 1);
  db.CloseDB();
  EXPECT_EQ(ReadBytes(dir.File("a.db")).size(), b.size());
}

TEST(AutoIncrement, ValueIsWrittenIntoAGivenImage) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  uint8_t image[28] = {};
  int code = 7;
  std::memcpy(image + 4, &code, 4);
  ASSERT_TRUE(db.Insert(image, 0));
  int serial;
  std::memcpy(&serial, image, 4);
  EXPECT_EQ(serial, 1);
}

TEST(Insert, UniqueKeyRefusesASecondLiveRecordAndWritesNothing) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 5));
  db.Flush();
  int64_t size = FileSize(dir.File("a.db"));
  int code = 5;
  ASSERT_TRUE(db.SetField(&code, 1));
  EXPECT_FALSE(db.CanInsert());
  EXPECT_FALSE(db.Insert());
  EXPECT_STREQ(db.GetErrMsg(), "the key is unduplicated");
  db.Flush();
  EXPECT_EQ(FileSize(dir.File("a.db")), size);
  EXPECT_EQ(db.GetRecordNum(), 1);
  // Once the record is deleted its value is free again.
  ASSERT_TRUE(db.GetEqual(1, &code));
  ASSERT_TRUE(db.Delete());
  ASSERT_TRUE(db.SetField(&code, 1));
  EXPECT_TRUE(db.CanInsert());
  EXPECT_TRUE(db.Insert());
}

TEST(Insert, WithoutKeysReportsKeyNotFound) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  db.CreateDB(dir.File("a.db").c_str(), "");
  EXPECT_FALSE(db.Insert());
  EXPECT_STREQ(db.GetErrMsg(), "key not found");
  EXPECT_FALSE(db.CanInsert());
}

TEST(TrimmedRecords, TextIsStoredAsLengthAndBytes) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 77, "abc"));
  int code = 77;
  ASSERT_TRUE(db.GetEqual(1, &code));
  int at = db.GetCurRec(1);
  db.Flush();
  auto b = ReadBytes(dir.File("a.db"));
  EXPECT_EQ(at, 15472);
  EXPECT_EQ(Le16(b, at), 2 + 4 + 4 + 2 + 3);
  EXPECT_EQ(Le32(b, at + 6), 77);
  EXPECT_EQ(Le16(b, at + 10), 3);
  EXPECT_EQ(std::memcmp(b.data() + at + 12, "abc", 3), 0);
  char label[20];
  ASSERT_TRUE(db.GetField(label, 2));
  EXPECT_STREQ(label, "abc");
  for (int i = 3; i < 20; ++i) EXPECT_EQ(label[i], 0);
}

TEST(TrimmedRecords, FreedBlockIsReusedByARecordThatFits) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  // Block length = 2 + 4 + 4 + 2 + n: 40 bytes for a 28-byte label... the
  // label field holds at most 20 bytes, so 20 gives 32.
  ASSERT_TRUE(AddCode(db, 1, "12345678901234567890"));  // 32 bytes
  int code = 1;
  ASSERT_TRUE(db.GetEqual(1, &code));
  int freed = db.GetCurRec(1);
  ASSERT_TRUE(db.Delete());
  ASSERT_TRUE(AddCode(db, 2, "1234567890123456789"));  // 31: fits
  code = 2;
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_EQ(db.GetCurRec(1), freed);
  ASSERT_TRUE(db.Delete());
  // The block keeps its own length (32), so 32 still fits; 33 cannot exist
  // here, so look at a 20-byte freed block against a 32-byte record.
  ASSERT_TRUE(AddCode(db, 3, "12345678"));  // 20 bytes, reuses the 32 block
  code = 3;
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_EQ(db.GetCurRec(1), freed);
  ASSERT_TRUE(db.Delete());
  db.Flush();
  auto b = ReadBytes(dir.File("a.db"));
  EXPECT_EQ(Le16(b, freed), 20);  // a trimmed record writes its own length
  ASSERT_TRUE(AddCode(db, 4, "123456789"));  // 21 bytes: does not fit in 20
  code = 4;
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_NE(db.GetCurRec(1), freed);
}

TEST(TrimmedRecords, OnlyTheFirstThreeFreeBlocksAreLookedAt) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  // Four records; the one freed first (last on the list) is the largest.
  ASSERT_TRUE(AddCode(db, 1, "12345678901234567890"));
  ASSERT_TRUE(AddCode(db, 2, "a"));
  ASSERT_TRUE(AddCode(db, 3, "b"));
  ASSERT_TRUE(AddCode(db, 4, "c"));
  for (int code : {1, 2, 3, 4}) {
    ASSERT_TRUE(db.GetEqual(1, &code));
    ASSERT_TRUE(db.Delete());
  }
  db.Flush();
  int64_t size = FileSize(dir.File("a.db"));
  ASSERT_TRUE(AddCode(db, 5, "1234567890"));
  int code = 5;
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_EQ(db.GetCurRec(1), size);  // the end of the file
}

TEST(FixedRecords, FreedBlockHoldsThePreviousHeadAndIsReused) {
  TempDir dir;
  COrvex db;
  DefineSerials(db);
  db.EnableTrimRecord(false);
  ASSERT_TRUE(db.CreateDB(dir.File("a.db").c_str(), ""));
  ASSERT_TRUE(AddCode(db, 1));
  ASSERT_TRUE(AddCode(db, 2));
  int offsets[2];
  for (int code : {1, 2}) {
    ASSERT_TRUE(db.GetEqual(1, &code));
    offsets[code - 1] = db.GetCurRec(1);
    ASSERT_TRUE(db.Delete());
  }
  db.Flush();
  auto b = ReadBytes(dir.File("a.db"));
  EXPECT_EQ(Le32(b, 15372), offsets[1]);
  EXPECT_EQ(Le32(b, offsets[1]), offsets[0]);
  EXPECT_EQ(Le32(b, offsets[0]), -1);
  ASSERT_TRUE(AddCode(db, 9, "nine"));
  int code = 9;
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_EQ(db.GetCurRec(1), offsets[1]);
  EXPECT_STREQ(db.GetFieldStr(2), "nine");
}

TEST(Update, RewritesTheCurrentRecordAtANewOffset) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 1, "one"));
  ASSERT_TRUE(AddCode(db, 2, "two"));
  int code = 1;
  ASSERT_TRUE(db.GetEqual(1, &code));
  int before = db.GetCurRec(1);
  char label[20] = "uno";
  ASSERT_TRUE(db.SetField(label, 2));
  ASSERT_TRUE(db.Update());
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_STREQ(db.GetFieldStr(2), "uno");
  EXPECT_EQ(Serial(db), 1);  // the auto-increment value stays
  EXPECT_NE(db.GetCurRec(1), -1);
  EXPECT_EQ(db.GetRecordNum(), 2);
  (void)before;
}

TEST(Update, ThatWouldDuplicateAUniqueKeyPutsTheOldRecordBack) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 1, "one"));
  ASSERT_TRUE(AddCode(db, 2, "two"));
  int code = 1;
  ASSERT_TRUE(db.GetEqual(1, &code));
  int two = 2;
  ASSERT_TRUE(db.SetField(&two, 1));
  EXPECT_FALSE(db.Update());
  EXPECT_STREQ(db.GetErrMsg(), "the key is unduplicated");
  EXPECT_EQ(db.GetRecordNum(), 2);
  ASSERT_TRUE(db.GetEqual(1, &code));
  EXPECT_STREQ(db.GetFieldStr(2), "one");
  EXPECT_EQ(Serial(db), 1);  // kept, not renumbered
  ASSERT_TRUE(db.GetEqual(1, &two));
  EXPECT_STREQ(db.GetFieldStr(2), "two");
}

// An update whose delete fails (here: another object on the file deleted
// the record) replaces nothing, and leaves no trace on the next insert: the
// chunk reference copied into the edit buffer with the record is not kept.
TEST(Update, WhoseDeleteFailsLeavesTheNextInsertAsBefore) {
  TempDir dir;
  std::string path = dir.File("u.db");
  COrvex a;
  ASSERT_TRUE(a.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(a.CreateField("blob", ORVEX_CHUNK, 0));
  ASSERT_TRUE(a.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(a.CreateDB(path.c_str(), ""));
  uint8_t image[12] = {};
  int id = 1;
  int32_t ref[2] = {1, 77};  // a chunk reference (its chain is not followed)
  std::memcpy(image, &id, 4);
  std::memcpy(image + 4, ref, 8);
  ASSERT_TRUE(a.Insert(image, 12));
  a.Flush();
  COrvex b(path.c_str(), 66);
  ASSERT_TRUE(b.GetEqual(0, &id));
  ASSERT_TRUE(a.GetEqual(0, &id));
  ASSERT_TRUE(b.Delete());
  EXPECT_FALSE(a.Update());
  int five = 5;
  ASSERT_TRUE(a.SetField(&five, 0));
  ASSERT_TRUE(a.Insert());
  uint8_t back[12] = {1};
  ASSERT_TRUE(a.GetEqual(0, &five, back));
  int32_t got[2];
  std::memcpy(got, back + 4, 8);
  EXPECT_EQ(got[0], 0);
  EXPECT_EQ(got[1], 0);
}

// After a step that does not read the record (SeekNext, GetKeyNext) the
// update reads it itself: the fields set in the edit buffer stay, and so do
// the chunks appended for it.
TEST(Update, AfterAPlainStepKeepsWhatWasSetForIt) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("label", ORVEX_TEXT, 20));
  ASSERT_TRUE(db.CreateField("blob", ORVEX_CHUNK, 0));
  ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("u.db").c_str(), ""));
  for (int id : {1, 2, 3}) {
    ASSERT_TRUE(db.SetField(&id, 0));
    ASSERT_TRUE(db.SetFieldStr("old", 1));
    ASSERT_TRUE(db.AppendChunk("old chunk", 9, 2));
    ASSERT_TRUE(db.Insert());
  }
  int id = 1;
  int key = 0;
  ASSERT_TRUE(db.GetEqual(0, &id));
  for (int step = 0; step < 2; ++step) {
    // Each flavour of plain step, then the fields and a chunk for the
    // record it reached.
    ASSERT_TRUE(step == 0 ? db.SeekNext(0) : db.GetKeyNext(0, &key));
    const int want = step + 2;
    ASSERT_TRUE(db.SetField(&want, 0));
    ASSERT_TRUE(db.SetFieldStr("new", 1));
    ASSERT_TRUE(db.AppendChunk("new chunk", 9, 2));
    ASSERT_TRUE(db.Update()) << db.GetErrMsg();
    int got = want;
    ASSERT_TRUE(db.GetEqual(0, &got));
    EXPECT_STREQ(db.GetFieldStr(1), "new") << want;
    char chunk[9] = {};
    ASSERT_TRUE(db.GotoChunkPos(2));
    ASSERT_TRUE(db.GetChunk(chunk, 9, 2));
    EXPECT_EQ(std::string(chunk, 9), "new chunk") << want;
  }
}

TEST(Update, AndDeleteNeedACurrentRecord) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  EXPECT_FALSE(db.Update());
  ASSERT_TRUE(AddCode(db, 1));
  EXPECT_FALSE(db.Update());
  EXPECT_STREQ(db.GetErrMsg(), "current key invalid");
  EXPECT_FALSE(db.Delete());
  EXPECT_STREQ(db.GetErrMsg(), "Can't locate a record  ");
  ASSERT_TRUE(db.GetFirst(0));
  ASSERT_TRUE(db.Delete());
  EXPECT_FALSE(db.Delete());  // already gone
}

TEST(SetCurRec, MakesARecordCurrentByItsOffset) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 1, "one"));
  ASSERT_TRUE(AddCode(db, 2, "two"));
  int code = 2;
  ASSERT_TRUE(db.GetEqual(1, &code));
  int at = db.GetCurRec(1);
  ASSERT_TRUE(db.GetFirst(1));
  db.SetCurRec(at);
  EXPECT_EQ(db.GetCurKeyNo(), 0);
  EXPECT_EQ(db.GetCurRec(0), at);
  EXPECT_STREQ(db.GetFieldStr(2), "two");
  ASSERT_TRUE(db.Delete());
  EXPECT_FALSE(db.GetEqual(1, &code));
  EXPECT_EQ(db.GetRecordNum(), 1);
}

TEST(TrimmedRecords, ABlockLongerThanItsLengthCanSayIsRefused) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(db.CreateField(("t" + std::to_string(i)).c_str(), ORVEX_TEXT, 1024));
  ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("big.db").c_str(), ""));
  std::vector<char> full(1024, 'x');
  int id = 1;
  ASSERT_TRUE(db.SetField(&id, 0));
  for (int i = 1; i <= 40; ++i) ASSERT_TRUE(db.SetField(full.data(), i));
  EXPECT_FALSE(db.Insert());
  EXPECT_STREQ(db.GetErrMsg(), "record too long for a trimmed block");
  EXPECT_EQ(db.GetRecordNum(), 0);
  db.Flush();
  EXPECT_EQ(FileSize(dir.File("big.db")), 15472);
  // Shorter texts fit (the refused record is still in the edit buffer).
  for (int i = 1; i <= 40; ++i) ASSERT_TRUE(db.SetFieldStr(i % 2 ? "short" : "", i));
  EXPECT_TRUE(db.Insert());
}

TEST(Insert, RefusesToGrowPastTheLargestOffset) {
  TempDir dir;
  std::string path = dir.File("huge.db");
  {
    COrvex db;
    DefineSerials(db);
    ASSERT_TRUE(db.CreateDB(path.c_str(), ""));
  }
  ASSERT_EQ(truncate(path.c_str(), 2147483000), 0);  // sparse
  COrvex db(path.c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen());
  EXPECT_FALSE(AddCode(db, 1));
  EXPECT_STREQ(db.GetErrMsg(), "file would grow past 2147483647 bytes");
  db.CloseDB();
  EXPECT_EQ(FileSize(path), 2147483000);
}

TEST(SetCurRec, AnOffsetThatHoldsNoRecordLeavesNothingToDelete) {
  TempDir dir;
  COrvex db;
  CreateSerials(db, dir);
  ASSERT_TRUE(AddCode(db, 1, "one"));
  ASSERT_TRUE(AddCode(db, 2, "two"));
  ASSERT_TRUE(db.GetFirst(1));
  db.SetCurRec(1 << 30);
  EXPECT_EQ(db.GetCurRec(0), -1);
  EXPECT_FALSE(db.Delete());
  db.SetCurRec(15473);  // inside a record, not at its start
  EXPECT_FALSE(db.Delete());
  EXPECT_EQ(db.GetRecordNum(), 2);
  int n = 0;
  for (bool ok = db.GetFirst(1); ok; ok = db.GetNext(1)) ++n;
  EXPECT_EQ(n, 2);
}
