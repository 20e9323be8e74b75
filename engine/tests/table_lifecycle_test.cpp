// Creating, opening, flushing and closing files; the header on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "format/header.h"
#include "table/table.h"
#include "test_util.h"

using namespace orvex_test;

TEST(Lifecycle, NewFileIsJustTheHeader) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  EXPECT_STREQ(db.GetVersion(), "");
  ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), "people"));
  EXPECT_TRUE(db.IsDBOpen());
  EXPECT_EQ(db.GetRecordNum(), 0);
  EXPECT_EQ(std::string(db.GetVersion()).rfind("2.60 ,", 0), 0u);
  db.CloseDB();
  auto b = ReadBytes(dir.File("p.db"));
  ASSERT_EQ(b.size(), 15472u);
  EXPECT_EQ(Le32(b, 32), 4 + 32 + 8);  // record length
  EXPECT_EQ(Le32(b, 36), 0);
  EXPECT_EQ(Le16(b, 4648), 3);
  EXPECT_EQ(Le16(b, 15250), 2);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(Le32(b, 15252 + 4 * k), -1);
    EXPECT_EQ(Le32(b, 15292 + 4 * k), -1);
    EXPECT_EQ(Le32(b, 15332 + 4 * k), -1);
  }
  EXPECT_EQ(Le32(b, 15372), -1);
  EXPECT_EQ(Le32(b, 15376), -1);
  EXPECT_EQ(Le32(b, 15452), -1);
  EXPECT_EQ(Le16(b, 15380), 0);  // trimmed by default
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 15442), "2.60");
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 15382), "people");
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 40 + 32), "name");
  EXPECT_EQ(Le16(b, 4392 + 2), 32);
  for (int i = 15456; i < 15472; ++i) EXPECT_EQ(b[i], 0);
}

TEST(Lifecycle, FixedFormWhenTrimIsOff) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  db.EnableTrimRecord(false);
  ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), ""));
  db.CloseDB();
  EXPECT_EQ(Le16(ReadBytes(dir.File("p.db")), 15380), -1);
}

TEST(Lifecycle, DescriptionKeepsAtMost59Characters) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  std::string longText(80, 'd');
  ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), longText.c_str()));
  EXPECT_EQ(std::string(db.GetDescription()), std::string(59, 'd'));
}

TEST(Lifecycle, CreateWithoutKeysFailsButLeavesTheFile) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  EXPECT_FALSE(db.CreateDB(dir.File("p.db").c_str(), ""));
  EXPECT_STREQ(db.GetErrMsg(), "Create Index error,please CreateKey first!");
  EXPECT_TRUE(db.IsDBOpen());
  EXPECT_FALSE(db.Insert());
  db.CloseDB();
  EXPECT_TRUE(std::filesystem::exists(dir.File("p.db")));
}

TEST(Lifecycle, CreateInAMissingFolderFails) {
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  EXPECT_FALSE(db.CreateDB("/nonexistent-folder/p.db", ""));
  EXPECT_STREQ(db.GetErrMsg(), "can't create file ");
  EXPECT_FALSE(db.IsDBOpen());
}

TEST(Lifecycle, OpenOfAMissingFileFails) {
  TempDir dir;
  COrvex db(dir.File("none.db").c_str(), 66);
  EXPECT_FALSE(db.IsDBOpen());
  EXPECT_STREQ(db.GetErrMsg(), "file can't be  opened!");
  EXPECT_EQ(db.GetFieldNum(), -1);
  EXPECT_EQ(db.GetKeyNum(), 0);
  EXPECT_EQ(db.GetRecordNum(), -1);
}

TEST(Lifecycle, ReopenedFileKeepsItsRecordsAndSchema) {
  TempDir dir;
  {
    COrvex db;
    ASSERT_TRUE(DefinePeople(db));
    ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), "x"));
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(AddPerson(db, i, "n", i));
  }
  COrvex db(dir.File("p.db").c_str(), 66);
  ASSERT_TRUE(db.IsDBOpen());
  EXPECT_STREQ(db.GetErrMsg(), "");
  EXPECT_EQ(db.GetRecordNum(), 500);
  EXPECT_EQ(db.GetFieldNum(), 3);
  EXPECT_STREQ(db.GetFieldName(1), "name");
  int id = 321;
  ASSERT_TRUE(db.GetEqual(0, &id));
  EXPECT_DOUBLE_EQ(std::atof(db.GetFieldStr(2)), 321.0);
}

TEST(Lifecycle, OpeningAnotherFileClosesTheFirstWritingItsHeader) {
  TempDir dir;
  {
    COrvex b;
    ASSERT_TRUE(DefinePeople(b));
    ASSERT_TRUE(b.CreateDB(dir.File("b.db").c_str(), "b"));
  }
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  ASSERT_TRUE(db.CreateDB(dir.File("a.db").c_str(), "a"));
  ASSERT_TRUE(AddPerson(db, 1, "one", 1));
  ASSERT_TRUE(db.OpenDB(dir.File("b.db").c_str(), 66));
  EXPECT_STREQ(db.GetDescription(), "b");
  EXPECT_EQ(Le32(ReadBytes(dir.File("a.db")), 36), 1);
}

TEST(Lifecycle, CloseResetsTheSchema) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), ""));
  db.CloseDB();
  EXPECT_FALSE(db.IsDBOpen());
  EXPECT_STREQ(db.GetFieldName(0), "");
  EXPECT_STREQ(db.GetVersion(), "");
  EXPECT_TRUE(db.CreateField("fresh", ORVEX_INT, 0));
}

TEST(Lifecycle, FlushLeavesAHeaderThatMatchesTheFile) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), ""));
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(AddPerson(db, i, "x", i));
  db.Flush();
  // A crash now: the file as it is on disk must be a complete table.
  std::filesystem::copy_file(dir.File("p.db"), dir.File("copy.db"));
  for (int i = 300; i < 400; ++i) ASSERT_TRUE(AddPerson(db, i, "x", i));
  COrvex copy(dir.File("copy.db").c_str(), 66);
  ASSERT_TRUE(copy.IsDBOpen());
  EXPECT_EQ(copy.GetRecordNum(), 300);
  int n = 0;
  for (bool ok = copy.GetFirst(0); ok; ok = copy.GetNext(0)) ++n;
  EXPECT_EQ(n, 300);
}

TEST(Lifecycle, ReadOnlyOpenReadsButDoesNotWrite) {
  TempDir dir;
  {
    COrvex db;
    ASSERT_TRUE(DefinePeople(db));
    ASSERT_TRUE(db.CreateDB(dir.File("p.db").c_str(), ""));
    ASSERT_TRUE(AddPerson(db, 1, "a", 1));
  }
  auto before = ReadBytes(dir.File("p.db"));
  {
    COrvex db(dir.File("p.db").c_str(), 0x40);
    ASSERT_TRUE(db.IsDBOpen());
    EXPECT_TRUE(db.GetFirst(0));
    EXPECT_FALSE(AddPerson(db, 2, "b", 2));
  }
  EXPECT_EQ(ReadBytes(dir.File("p.db")), before);
}

TEST(Lifecycle, AFailedWriteIsReportedNotHidden) {
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;
  opt.cacheBytes = 0;
  orvex::Table t(opt);
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
  fs.writesLeft = 0;
  EXPECT_FALSE(t.CreateDB("m.db", ""));
  EXPECT_STREQ(t.GetErrMsg(), "can't write file: No space left on device");
  t.CloseDB();
  fs.writesLeft = -1;
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
  ASSERT_TRUE(t.CreateDB("m.db", ""));
  int id = 5;
  ASSERT_TRUE(t.SetField(&id, 0));
  size_t size = fs.Bytes("m.db").size();
  fs.writesLeft = 0;
  EXPECT_FALSE(t.Insert(nullptr, 0));
  EXPECT_STREQ(t.GetErrMsg(), "can't write journal: No space left on device");
  EXPECT_EQ(fs.Bytes("m.db").size(), size);
  EXPECT_EQ(t.GetRecordNum(), 0);
}

TEST(Lifecycle, AShortReadOfTheHeaderRefusesTheFile) {
  MemFs fs;
  orvex::TableOptions opt;
  opt.fs = &fs;
  {
    orvex::Table t(opt);
    ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(t.CreateKey("id", 2, 0, 0, 0, 0));
    ASSERT_TRUE(t.CreateDB("m.db", ""));
  }
  fs.shortReadAt = 1000;
  orvex::Table t(opt);
  EXPECT_FALSE(t.OpenDB("m.db", 66));
  EXPECT_EQ(std::string(t.GetErrMsg()).rfind("not a database file: ", 0), 0u);
}

// Anything but a regular file is refused at once: a named pipe would
// otherwise hold a read-only open (or the read of the header) forever.
TEST(Lifecycle, ANamedPipeIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.db");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  for (int mode : {0x40, 0x10, 0x20, 0, 66}) {
    auto opening = std::async(std::launch::async, [&] {
      COrvex db;
      bool ok = db.OpenDB(fifo.c_str(), mode);
      return std::make_pair(ok, std::string(db.GetErrMsg()));
    });
    if (opening.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "OpenDB of a named pipe with mode " << mode << " is still waiting";
      // Feed the pipe so that the blocked open and read come back.
      int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      std::vector<char> zeros(20000, 0);
      if (fd >= 0 && write(fd, zeros.data(), zeros.size()) < 0) ADD_FAILURE() << "write";
      if (fd >= 0) close(fd);
    }
    auto [ok, text] = opening.get();
    EXPECT_FALSE(ok) << mode;
    EXPECT_EQ(text, "file can't be  opened! not a regular file") << mode;
  }
  COrvex db;
  ASSERT_TRUE(DefinePeople(db));
  EXPECT_FALSE(db.CreateDB(fifo.c_str(), ""));
  EXPECT_STREQ(db.GetErrMsg(), "can't create file (not a regular file)");
}

// Creating a file that another object of the process has open would cut it
// under that object, whose later close then writes its stale header over
// the new file. Refused; the open object's file stays whole.
TEST(Lifecycle, CreateOverAFileOpenInThisProcessIsRefused) {
  TempDir dir;
  const std::string path = dir.File("open.db");
  COrvex first;
  ASSERT_TRUE(DefinePeople(first));
  ASSERT_TRUE(first.CreateDB(path.c_str(), ""));
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(AddPerson(first, i, "a", i));
  for (int mode : {66, 0x40}) {
    COrvex reader(path.c_str(), mode);
    ASSERT_TRUE(reader.IsDBOpen());
  }
  COrvex second;
  ASSERT_TRUE(second.CreateField("other", ORVEX_SHORT, 0));
  ASSERT_TRUE(second.CreateKey("other", 2, 0, 0, 0, 0));
  EXPECT_FALSE(second.CreateDB(path.c_str(), ""));
  EXPECT_STREQ(second.GetErrMsg(), "can't create file (another object of this process has the file open)");
  EXPECT_FALSE(second.IsDBOpen());
  ASSERT_TRUE(AddPerson(first, 20, "b", 20));
  ASSERT_TRUE(first.CloseDB());
  COrvex again(path.c_str(), 0x40);
  ASSERT_TRUE(again.IsDBOpen());
  EXPECT_EQ(again.GetRecordNum(), 21);
  EXPECT_EQ(again.GetFieldNum(), 3);
  // Once the file is closed, it may be made anew (the refused object still
  // holds its schema).
  again.CloseDB();
  EXPECT_TRUE(second.CreateDB(path.c_str(), "")) << second.GetErrMsg();
  EXPECT_EQ(second.GetFieldNum(), 1);
}
