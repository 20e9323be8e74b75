// Several processes on one file: one writer at a time, readers together,
// the sharing bits of the open mode, and the wait before a refusal.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "table/table.h"
#include "test_util.h"

using orvex_test::AddPerson;
using orvex_test::DefinePeople;
using orvex_test::TempDir;

namespace {

// A child process that opens the file with a mode, says so through a pipe,
// and keeps it open until told to close (or for holdMs, when not told).
class Holder {
 public:
  Holder(const std::string& path, int mode, int holdMs = -1, int busyMs = 150) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      orvex::TableOptions o;
      o.busyTimeoutMs = busyMs;
      orvex::Table db(o);
      const char ok = db.OpenDB(path.c_str(), mode) ? 'y' : 'n';
      if (write(ready[1], &ok, 1) != 1) _exit(3);
      if (holdMs >= 0) {
        usleep(static_cast<useconds_t>(holdMs) * 1000);
      } else {
        char c;
        if (read(release[0], &c, 1) < 0) _exit(3);
      }
      _exit(db.CloseDB() ? 0 : 1);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    char ok = 'n';
    opened_ = read(ready[0], &ok, 1) == 1 && ok == 'y';
    close(ready[0]);
  }
  ~Holder() { Release(); }
  bool opened() const { return opened_; }
  long pid() const { return pid_; }
  int Release() {
    if (pid_ <= 0) return -1;
    if (release_ >= 0) close(release_);
    release_ = -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  long pid_ = -1;
  int release_ = -1;
  bool opened_ = false;
};

orvex::TableOptions Quick() {
  orvex::TableOptions o;
  o.busyTimeoutMs = 150;
  return o;
}

std::string MakeFile(const TempDir& dir, int records) {
  const std::string path = dir.File("shared.db");
  COrvex db;
  EXPECT_TRUE(DefinePeople(db));
  EXPECT_TRUE(db.CreateDB(path.c_str(), ""));
  for (int i = 0; i < records; ++i) EXPECT_TRUE(AddPerson(db, i, "x", i));
  EXPECT_TRUE(db.CloseDB());
  return path;
}

}  // namespace

TEST(Sharing, AWriterKeepsEveryOtherProcessOut) {
  TempDir dir;
  const std::string path = MakeFile(dir, 10);
  Holder writer(path, 66);
  ASSERT_TRUE(writer.opened());
  const std::string who = "another process (pid " + std::to_string(writer.pid()) + ") has the file open for writing";
  for (int mode : {66, 0x40, 0x20, 0x12}) {
    orvex::Table t(Quick());
    EXPECT_FALSE(t.OpenDB(path.c_str(), mode)) << mode;
    EXPECT_EQ(std::string(t.GetErrMsg()), "file can't be  opened! " + who) << mode;
  }
  orvex::Table c(Quick());
  ASSERT_TRUE(DefinePeople(c));
  EXPECT_FALSE(c.CreateDB(path.c_str(), ""));
  EXPECT_EQ(std::string(c.GetErrMsg()), "can't create file (" + who + ")");
  EXPECT_EQ(writer.Release(), 0);
  orvex::Table t(Quick());
  ASSERT_TRUE(t.OpenDB(path.c_str(), 66)) << t.GetErrMsg();
  EXPECT_EQ(t.GetRecordNum(), 10);
}

TEST(Sharing, ReadersShareTheFileAndKeepWritersOut) {
  TempDir dir;
  const std::string path = MakeFile(dir, 10);
  Holder reader(path, 0x40);
  ASSERT_TRUE(reader.opened());
  orvex::Table r(Quick());
  ASSERT_TRUE(r.OpenDB(path.c_str(), 0x20)) << r.GetErrMsg();
  EXPECT_EQ(r.GetRecordNum(), 10);
  orvex::Table w(Quick());
  EXPECT_FALSE(w.OpenDB(path.c_str(), 66));
  EXPECT_EQ(std::string(w.GetErrMsg()).find("file can't be  opened! another process"), 0u) << w.GetErrMsg();
  EXPECT_NE(std::string(w.GetErrMsg()).find("has the file open for reading"), std::string::npos);
}

// Exclusive and deny-read sharing keep even readers of other processes out;
// deny-write and deny-none let them in.
TEST(Sharing, ExclusiveSharingKeepsReadersOut) {
  TempDir dir;
  const std::string path = MakeFile(dir, 3);
  for (int mode : {0x10, 0x30}) {
    Holder holder(path, mode);
    ASSERT_TRUE(holder.opened());
    orvex::Table r(Quick());
    EXPECT_FALSE(r.OpenDB(path.c_str(), 0x40)) << mode;
  }
  for (int mode : {0x20, 0x40, 0}) {
    Holder holder(path, mode);
    ASSERT_TRUE(holder.opened());
    orvex::Table r(Quick());
    EXPECT_TRUE(r.OpenDB(path.c_str(), 0x40)) << mode << ": " << r.GetErrMsg();
  }
}

// An open waits for another process that lets go within the busy timeout.
TEST(Sharing, AnOpenWaitsForTheOtherProcessToClose) {
  TempDir dir;
  const std::string path = MakeFile(dir, 4);
  Holder writer(path, 66, 300);
  ASSERT_TRUE(writer.opened());
  COrvex db;
  EXPECT_TRUE(db.OpenDB(path.c_str(), 66)) << db.GetErrMsg();
  EXPECT_TRUE(AddPerson(db, 100, "y", 1));
  EXPECT_TRUE(db.CloseDB());
  EXPECT_EQ(writer.Release(), 0);
}

// Two processes that each open the file for writing and insert a thousand
// records: the second waits for the first, and every record is kept.
TEST(Sharing, TwoWritingProcessesLoseNothing) {
  for (int mode : {66, 0x12}) {
    TempDir dir;
    const std::string path = MakeFile(dir, 0);
    pid_t kids[2];
    for (int k = 0; k < 2; ++k) {
      kids[k] = fork();
      if (kids[k] == 0) {
        COrvex db;
        if (!db.OpenDB(path.c_str(), mode)) _exit(1);
        for (int i = 0; i < 1000; ++i)
          if (!AddPerson(db, k * 1000 + i, "z", i)) _exit(2);
        _exit(db.CloseDB() ? 0 : 3);
      }
    }
    for (pid_t kid : kids) {
      int status = 0;
      waitpid(kid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "mode " << mode;
    }
    COrvex db;
    ASSERT_TRUE(db.OpenDB(path.c_str(), 0x40));
    EXPECT_EQ(db.GetRecordNum(), 2000) << "mode " << mode;
    int walked = 0;
    for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) ++walked;
    EXPECT_EQ(walked, 2000);
  }
}

// Objects of one process share the file whatever their modes: a reader, a
// writer and an exclusive opener work together, the writer's changes seen
// by the others.
TEST(Sharing, ObjectsOfOneProcessNeverLockEachOtherOut) {
  TempDir dir;
  const std::string path = MakeFile(dir, 5);
  COrvex reader(path.c_str(), 0x40);
  ASSERT_TRUE(reader.IsDBOpen()) << reader.GetErrMsg();
  COrvex writer(path.c_str(), 66);
  ASSERT_TRUE(writer.IsDBOpen()) << writer.GetErrMsg();
  COrvex exclusive(path.c_str(), 0x12);
  ASSERT_TRUE(exclusive.IsDBOpen()) << exclusive.GetErrMsg();
  ASSERT_TRUE(AddPerson(writer, 50, "w", 1));
  ASSERT_TRUE(writer.Flush());
  int id = 50;
  EXPECT_TRUE(reader.GetEqual(0, &id));
  // Another process is kept out while any of them is open.
  Holder other(path, 0x40, 0);
  EXPECT_FALSE(other.opened());
}
