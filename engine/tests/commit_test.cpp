// Commits at Flush and CloseDB: a stop at any write, a power cut, or a failed
// write, sync or journal write leaves the file (and the object) at a
// completed commit.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "table/table.h"
#include "test_util.h"

using orvex::Table;
using orvex::TableOptions;
using orvex_test::AddPerson;
using orvex_test::DefinePeople;
using orvex_test::MemFs;

namespace {

using State = std::map<int, std::string>;  // id -> name

TableOptions Options(MemFs* fs, size_t cachePages) {
  TableOptions o;
  o.fs = fs;
  o.cacheBytes = cachePages * orvex::kPageSize;
  return o;
}

std::string NameOf(int id, int round) { return "n" + std::to_string((id * 7 + round) % 97); }

// The table's content through both keys; the two walks and the record count
// must agree.
State Read(Table& t) {
  State s;
  uint8_t image[44];
  for (bool ok = t.GetFirst(0, image, 0); ok; ok = t.GetNext(0, image, 0)) {
    int id;
    std::memcpy(&id, image, 4);
    s[id] = reinterpret_cast<const char*>(image + 4);
  }
  int byName = 0;
  for (bool ok = t.GetFirst(1, image, 0); ok; ok = t.GetNext(1, image, 0)) ++byName;
  EXPECT_EQ(byName, static_cast<int>(s.size()));
  EXPECT_EQ(t.GetRecordNum(), static_cast<int>(s.size()));
  return s;
}

State Reopened(MemFs& fs, size_t cachePages) {
  Table t(Options(&fs, cachePages));
  EXPECT_TRUE(t.OpenDB("p.db", 66)) << t.GetErrMsg();
  State s = Read(t);
  EXPECT_TRUE(t.CloseDB()) << t.GetErrMsg();
  return s;
}

bool Insert(Table& t, State& model, int id, int round) {
  const std::string name = NameOf(id, round);
  if (!AddPerson(t, id, name.c_str(), id * 0.5)) return false;
  model[id] = name;
  return true;
}

bool Remove(Table& t, State& model, int id) {
  if (!t.GetEqual(0, &id, nullptr, 0) || !t.Delete()) return false;
  model.erase(id);
  return true;
}

// A file of `first` records, committed: the state A.
State Build(Table& t, int first) {
  State a;
  EXPECT_TRUE(DefinePeople(t));
  EXPECT_TRUE(t.CreateDB("p.db", "commits"));
  for (int id = 0; id < first; ++id) EXPECT_TRUE(Insert(t, a, id * 3, 0));
  EXPECT_TRUE(t.Flush()) << t.GetErrMsg();
  return a;
}

// Changes after A: inserts between the ids, deletes, and (with a small
// cache) evictions of pages that A left.
void Change(Table& t, State& model, int first, int count) {
  for (int i = 0; i < count; ++i) {
    if (!Insert(t, model, i * 3 + 1, 1)) return;
    if (i % 4 == 0 && !Remove(t, model, (i * 5 % first) * 3)) return;
  }
}

}  // namespace

// The process stops at each write of a commit in turn, with or without a
// power cut after it: a new process finds exactly the commit before.
TEST(Commit, AStopAtAnyWriteOfACommitLeavesTheCommitBefore) {
  int writesOfCommit = 0;
  int writesBefore = 0;
  State a, b;
  {
    MemFs fs;
    Table t(Options(&fs, 4));
    a = Build(t, 400);
    b = a;
    Change(t, b, 400, 300);
    writesBefore = fs.writes;
    ASSERT_TRUE(t.Flush());
    writesOfCommit = fs.writes - writesBefore;
    EXPECT_EQ(Reopened(fs, 4), b);
  }
  ASSERT_GT(writesOfCommit, 3);
  for (int n = 0; n <= writesOfCommit; ++n) {
    MemFs fs;
    {
      Table t(Options(&fs, 4));
      Build(t, 400);
      State scratch = a;
      Change(t, scratch, 400, 300);
      ASSERT_EQ(fs.writes, writesBefore);
      fs.stopAtWrite = writesBefore + n;
      EXPECT_EQ(t.Flush(), n == writesOfCommit) << n;
    }
    fs.Restart(n % 2 == 1, static_cast<uint32_t>(n));
    EXPECT_EQ(Reopened(fs, 4), n == writesOfCommit ? b : a) << "stopped at write " << n << " of the commit";
  }
}

// With a cache of two pages, changes reach the file long before the next
// commit; a stop among them still leaves the last commit.
TEST(Commit, AStopBetweenCommitsLeavesTheLastCommit) {
  int writesBefore = 0, writesOfChange = 0;
  {
    MemFs fs;
    Table t(Options(&fs, 2));
    State model = Build(t, 600);
    writesBefore = fs.writes;
    Change(t, model, 600, 500);
    writesOfChange = fs.writes - writesBefore;
  }
  ASSERT_GT(writesOfChange, 20);
  std::mt19937 rng(11);
  for (int round = 0; round < 24; ++round) {
    MemFs fs;
    State a;
    {
      Table t(Options(&fs, 2));
      a = Build(t, 600);
      State scratch = a;
      fs.stopAtWrite = writesBefore + static_cast<int>(rng() % writesOfChange);
      Change(t, scratch, 600, 500);
      EXPECT_TRUE(fs.stopped) << "round " << round;
    }
    fs.Restart(round % 2 == 0, static_cast<uint32_t>(round));
    EXPECT_EQ(Reopened(fs, 2), a) << "round " << round;
  }
}

// A write, a sync or a journal write that fails at commit time (a full disk,
// or an I/O error that does not last): Flush says so, and the file and the
// object are back at the last commit, ready to go on from there.
TEST(Commit, AFailedCommitReturnsToTheLastCommit) {
  struct Fault {
    const char* suffix;
    bool sync;
    bool full;
  };
  for (const Fault f : {Fault{"p.db", false, true}, Fault{"-journal", false, true}, Fault{"p.db", false, false},
                        Fault{"-journal", false, false}, Fault{"p.db", true, false}, Fault{"-journal", true, false}}) {
    SCOPED_TRACE(std::string(f.suffix) + (f.sync ? " sync" : f.full ? " full" : " write"));
    MemFs fs;
    Table t(Options(&fs, 64));
    State a = Build(t, 300);
    State model = a;
    Change(t, model, 300, 200);
    fs.failSuffix = f.suffix;
    (f.sync ? fs.syncsLeft : fs.writesLeft) = 0;
    fs.diskFull = f.full;
    fs.once = !f.full;
    fs.failCode = f.full ? ENOSPC : EIO;
    EXPECT_FALSE(t.Flush());
    EXPECT_EQ(std::string(t.GetErrMsg()).rfind("can't write ", 0), 0u) << t.GetErrMsg();
    EXPECT_EQ(Read(t), a);
    fs.Restart(false, 0);
    ASSERT_TRUE(Insert(t, a, 10000, 2));
    EXPECT_TRUE(t.Flush()) << t.GetErrMsg();
    EXPECT_TRUE(t.CloseDB());
    EXPECT_EQ(Reopened(fs, 64), a);
  }
}

// Syncs that keep failing: not even the rollback can be made durable. Every
// call fails from then on, and the next opener restores the last commit.
TEST(Commit, ALastingSyncFailureIsRepairedByTheNextOpen) {
  MemFs fs;
  State a;
  {
    Table t(Options(&fs, 64));
    a = Build(t, 300);
    State model = a;
    Change(t, model, 300, 200);
    fs.failSuffix = "p.db";
    fs.syncsLeft = 0;
    EXPECT_FALSE(t.Flush());
    EXPECT_NE(std::string(t.GetErrMsg()).find("restored from the journal when the file is next opened"),
              std::string::npos)
        << t.GetErrMsg();
    EXPECT_FALSE(AddPerson(t, 5, "x", 1));
    EXPECT_FALSE(t.CloseDB());
  }
  fs.Restart(true, 3);
  EXPECT_EQ(Reopened(fs, 64), a);
}

// A full disk in the middle of an insert (a page evicted to make room cannot
// be written): the insert fails, nothing more can be written, and the next
// Flush rolls back to the last commit.
TEST(Commit, AFailedWriteInsideAnOperationUndoesTheTransaction) {
  MemFs fs;
  Table t(Options(&fs, 2));
  State a = Build(t, 500);
  State model = a;
  fs.writesLeft = 3;
  fs.diskFull = true;
  int id = 1;
  while (Insert(t, model, id, 3)) id += 3;
  EXPECT_EQ(std::string(t.GetErrMsg()).rfind("can't write ", 0), 0u) << t.GetErrMsg();
  EXPECT_FALSE(Insert(t, model, 2, 3));
  EXPECT_FALSE(t.Flush());
  EXPECT_EQ(Read(t), a);
  fs.writesLeft = -1;
  ASSERT_TRUE(Insert(t, a, 2, 3));
  ASSERT_TRUE(t.Flush()) << t.GetErrMsg();
  EXPECT_EQ(Reopened(fs, 2), a);
}

TEST(Commit, ACloseWhoseCommitFailsLeavesTheLastCommitAndSaysSo) {
  MemFs fs;
  Table t(Options(&fs, 64));
  State a = Build(t, 200);
  State model = a;
  Change(t, model, 200, 100);
  fs.writesLeft = 0;
  fs.diskFull = true;
  EXPECT_FALSE(t.CloseDB());
  EXPECT_FALSE(t.IsDBOpen());
  EXPECT_EQ(std::string(t.GetErrMsg()), "can't write journal: No space left on device");
  fs.Restart(false, 0);
  EXPECT_EQ(Reopened(fs, 64), a);
  EXPECT_FALSE(fs.Exists("p.db-journal"));
}

// A commit with nothing changed writes and syncs nothing; a read-only
// object has nothing to commit; Flush with nothing open fails.
TEST(Commit, NothingChangedNothingWritten) {
  MemFs fs;
  Table t(Options(&fs, 64));
  Build(t, 50);
  const int writes = fs.writes, syncs = fs.syncs;
  EXPECT_TRUE(t.Flush());
  uint8_t image[44];
  EXPECT_TRUE(t.GetFirst(0, image, 0));
  EXPECT_TRUE(t.Flush());
  EXPECT_TRUE(t.CloseDB());
  EXPECT_EQ(fs.writes, writes);
  EXPECT_EQ(fs.syncs, syncs);
  Table r(Options(&fs, 64));
  ASSERT_TRUE(r.OpenDB("p.db", 0x40));
  EXPECT_TRUE(r.Flush());
  EXPECT_TRUE(r.CloseDB());
  EXPECT_FALSE(r.Flush());
  EXPECT_STREQ(r.GetErrMsg(), "no database file is open");
}

// The journal lives beside the file while it has changes to protect; a
// clean close removes it.
TEST(Commit, TheJournalIsRemovedAtClose) {
  MemFs fs;
  Table t(Options(&fs, 64));
  State a = Build(t, 100);
  ASSERT_TRUE(Insert(t, a, 1, 0));
  ASSERT_TRUE(t.Flush());
  EXPECT_TRUE(fs.Exists("p.db-journal"));
  EXPECT_TRUE(t.CloseDB());
  EXPECT_FALSE(fs.Exists("p.db-journal"));
  EXPECT_EQ(Reopened(fs, 64), a);
}
