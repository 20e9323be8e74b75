// Real crashes and a real full disk.
//
// A child process inserts records of about a kilobyte, committing every few
// hundred and telling the parent each commit that returned, and is killed
// by SIGKILL at a random moment once its file is several times larger than
// its cache. The file it leaves must read, with its journal played back, as
// the last commit it reported or the one after (killed between the commit's
// end and the report), pass the independent checker, and open in the engine
// with every record whole. ORVEX_KILL_ROUNDS sets the number of kills
// (default 4).
//
// A small file system (a tmpfs mounted in a mount namespace of the test's
// own; the test is skipped where that is not allowed) is filled up: what
// was committed before the disk filled is kept whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "orvexcheck.h"
#include "orvexfile.h"
#include "orvexjournal.h"
#include "table/table.h"

namespace {

namespace of = orvexfile;

constexpr int kBodySize = 1000;
// A commit's worth of records is larger than the child's cache, so pages
// the last commit left are evicted, changed, before the next commit.
constexpr int kBatch = 2000;
constexpr size_t kChildCache = 1 << 20;

// The id of the n-th record inserted: spread over the key's range, so that
// every insert changes index nodes all over the file.
int IdOf(int n) { return static_cast<int>((static_cast<uint32_t>(n) * 2654435761u) & 0x7fffffff); }

// The body of record id: its length and bytes follow from the id alone.
std::string Body(int id) {
  const uint32_t u = static_cast<uint32_t>(id);
  std::string s(300 + (u * 37u) % 690u, 'a');
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + (u + i * 7) % 26);
  return s;
}

std::string Tag(int id) { return "t" + std::to_string(id % 50); }

template <class Db>
bool DefineSchema(Db& db, int bodySize) {
  return db.CreateField("id", ORVEX_INT, 0) && db.CreateField("body", ORVEX_TEXT, bodySize) &&
         db.CreateField("tag", ORVEX_TEXT, 16) && db.CreateKey("id", 2, 0, 0, 0, 0) &&
         db.CreateKey("tag", 1, 2, 1, 0, 0);
}

// Inserts the n-th record.
template <class Db>
bool InsertRecord(Db& db, int n, int bodySize) {
  int id = IdOf(n);
  const std::string body = Body(id).substr(0, static_cast<size_t>(bodySize - 1));
  return db.SetField(&id, 0) && db.SetFieldStr(body.c_str(), 1) && db.SetFieldStr(Tag(id).c_str(), 2) &&
         db.Insert(nullptr, 0);
}

// Reads the file as the next open will: the journal beside it played back
// in memory. The record count of that image goes to *records; false with a
// message when it does not pass the checker.
::testing::AssertionResult ChecksAsRestored(const std::string& path, int* records, bool* journal) {
  of::File file;
  std::string error;
  of::JournalReport report;
  std::vector<uint8_t> restored;
  if (!file.Open(path, &error) || !of::ReadJournal(path, file, &report, &restored, &error))
    return ::testing::AssertionFailure() << error;
  *journal = report.hot;
  if (report.hot) file.Assign(std::move(restored));
  of::Header h;
  std::vector<of::Violation> problems;
  if (!of::ReadHeader(file, &h, &problems)) return ::testing::AssertionFailure() << "not a database file";
  const of::CheckReport check = of::Check(file);
  if (!check.clean()) return ::testing::AssertionFailure() << of::FormatViolation(h, check.violations[0]);
  *records = h.recordCount;
  return ::testing::AssertionSuccess();
}

// The first n records inserted are there, in key order, whole.
void ExpectRecords(const std::string& path, int n, int bodySize) {
  std::set<int> ids;
  for (int i = 0; i < n; ++i) ids.insert(IdOf(i));
  COrvex db;
  ASSERT_TRUE(db.OpenDB(path.c_str(), 0x40)) << db.GetErrMsg();
  ASSERT_EQ(db.GetRecordNum(), n);
  auto expect = ids.begin();
  for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0), ++expect) {
    ASSERT_NE(expect, ids.end());
    int id = -1;
    db.GetField(&id, 0);
    ASSERT_EQ(id, *expect);
    ASSERT_EQ(std::string(db.GetFieldStr(1)), Body(id).substr(0, static_cast<size_t>(bodySize - 1))) << id;
  }
  EXPECT_EQ(expect, ids.end());
}

// A temporary folder, removed with what it holds.
class TempFolder {
 public:
  TempFolder() {
    char tmpl[] = "/tmp/orvex_crash_XXXXXX";
    path_ = mkdtemp(tmpl) ? tmpl : "";
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

int Rounds() {
  const char* s = std::getenv("ORVEX_KILL_ROUNDS");
  return s && *s ? std::max(1, std::atoi(s)) : 4;
}

// The child: inserts from the file's record count on, committing every
// kBatch records and writing each committed count to fd. Never returns.
[[noreturn]] void Inserter(const std::string& path, int fd) {
  orvex::TableOptions o;
  o.cacheBytes = kChildCache;
  orvex::Table db(o);
  if (!db.OpenDB(path.c_str(), 66)) {
    db.Init();
    if (!DefineSchema(db, kBodySize) || !db.CreateDB(path.c_str(), "kills")) _exit(2);
  }
  for (int n = db.GetRecordNum();; ++n) {
    if (!InsertRecord(db, n, kBodySize)) _exit(3);
    if ((n + 1) % kBatch == 0) {
      if (!db.Flush()) _exit(4);
      const int32_t committed = n + 1;
      if (write(fd, &committed, sizeof committed) != sizeof committed) _exit(5);
    }
  }
}

}  // namespace

TEST(OrvexCrash, AProcessKilledAtRandomLeavesItsLastCommit) {
  TempFolder dir;
  const std::string path = dir.path() + "/killed.db";
  std::mt19937 rng(20260101);
  int kills = 0, withJournal = 0, lastCount = 0;
  for (int round = 0; round < Rounds(); ++round) {
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipefd[0]);
      Inserter(path, pipefd[1]);
    }
    close(pipefd[1]);
    // Wait for a commit of this run and for the file to outgrow the cache
    // three times over, then kill at a random moment.
    int32_t reported = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool grown = false;
    while (!grown && std::chrono::steady_clock::now() < deadline) {
      int32_t c;
      if (read(pipefd[0], &c, sizeof c) != sizeof c) break;
      reported = c;
      struct stat st {};
      grown = stat(path.c_str(), &st) == 0 && st.st_size > static_cast<off_t>(3 * kChildCache);
    }
    ASSERT_TRUE(grown) << "the child stopped before its file grew";
    usleep(static_cast<useconds_t>(rng() % 400000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << status;
    int32_t c;
    while (read(pipefd[0], &c, sizeof c) == sizeof c) reported = c;
    close(pipefd[0]);
    ++kills;

    int records = -1;
    bool journal = false;
    ASSERT_TRUE(ChecksAsRestored(path, &records, &journal)) << "after kill " << kills;
    withJournal += journal ? 1 : 0;
    EXPECT_TRUE(records == reported || records == reported + kBatch)
        << "kill " << kills << ": " << records << " records, last commit reported " << reported;
    EXPECT_GE(records, lastCount);
    ExpectRecords(path, records, kBodySize);
    bool left = false;
    ASSERT_TRUE(ChecksAsRestored(path, &records, &left));
    EXPECT_FALSE(left) << "the journal is still there after an open";
    lastCount = records;
  }
  std::printf("%d kills, %d of them with a journal to play back; %d records at the end\n", kills, withJournal,
              lastCount);
}

// The file system of the full-disk test: a 1 MB tmpfs in a mount namespace
// of this process alone. Empty when it cannot be made here.
std::string SmallFileSystem(const std::string& under) {
  if (unshare(CLONE_NEWNS) != 0) return "";
  if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "";
  const std::string dir = under + "/small";
  if (mkdir(dir.c_str(), 0700) != 0) return "";
  if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m") != 0) return "";
  return dir;
}

// Records inserted until the disk is full, with the default cache (the
// failure comes at the close's commit) and with a small one (inserts fail
// when an evicted page cannot be written): the records closed before are
// all there. Then commits every 100 inserts until one fails: the file holds
// exactly the last commit that succeeded.
TEST(OrvexCrash, AFullDiskKeepsWhatWasCommitted) {
  TempFolder base;
  const std::string dir = SmallFileSystem(base.path());
  if (dir.empty()) GTEST_SKIP() << "no small file system can be mounted here";
  constexpr int kSmallBody = 64;
  for (size_t cache : {orvex::kDefaultCacheBytes, size_t{64} << 10}) {
    SCOPED_TRACE("cache " + std::to_string(cache));
    const std::string path = dir + "/full.db";
    orvex::TableOptions o;
    o.cacheBytes = cache;
    {
      orvex::Table db(o);
      ASSERT_TRUE(DefineSchema(db, kSmallBody));
      ASSERT_TRUE(db.CreateDB(path.c_str(), "full disk"));
      for (int id = 0; id < 1000; ++id) ASSERT_TRUE(InsertRecord(db, id, kSmallBody));
      ASSERT_TRUE(db.CloseDB()) << db.GetErrMsg();
    }
    {
      orvex::Table db(o);
      ASSERT_TRUE(db.OpenDB(path.c_str(), 66));
      int id = 1000;
      while (id < 20000 && InsertRecord(db, id, kSmallBody)) ++id;
      EXPECT_FALSE(db.CloseDB());
      EXPECT_NE(std::string(db.GetErrMsg()).find("No space left on device"), std::string::npos) << db.GetErrMsg();
    }
    int records = -1;
    bool journal = false;
    EXPECT_TRUE(ChecksAsRestored(path, &records, &journal));
    EXPECT_EQ(records, 1000);
    ExpectRecords(path, 1000, kSmallBody);

    int committed = 1000;
    {
      orvex::Table db(o);
      ASSERT_TRUE(db.OpenDB(path.c_str(), 66));
      for (int id = 1000; id < 20000; ++id) {
        if (!InsertRecord(db, id, kSmallBody)) {
          EXPECT_FALSE(db.Flush()) << "a commit after a failed insert";
          break;
        }
        if ((id + 1) % 100 == 0) {
          if (!db.Flush()) break;
          committed = id + 1;
        }
      }
      EXPECT_EQ(db.GetRecordNum(), committed);
    }
    EXPECT_GT(committed, 1000);
    EXPECT_TRUE(ChecksAsRestored(path, &records, &journal));
    EXPECT_EQ(records, committed);
    EXPECT_FALSE(journal);
    ExpectRecords(path, committed, kSmallBody);
    std::remove(path.c_str());
    std::remove((path + "-journal").c_str());
  }
  umount2(dir.c_str(), MNT_DETACH);
}
