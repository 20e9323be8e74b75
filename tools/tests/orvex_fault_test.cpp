// Randomized test of commits with faults injected into the file layer.
//
// Long runs of inserts, updates and deletes, with commits (Flush, and
// CloseDB with a reopen) at random, over a file several times larger than a
// cache of three pages, so that pages reach the file between commits. At
// random points the in-memory file system is made to fail: one write, one
// sync (of the file, the journal or the folder), every write that grows a
// file (a full disk), every sync from then on; or the process is stopped at
// a numbered write, the files then seen as a new process finds them (after
// a kill, or after a power cut that keeps only what was synced and a random,
// partly torn, part of the rest).
//
// After every failed commit the table must hold exactly the model's state at
// the last successful commit; after every stop, the reopened file must, and
// it must pass the independent checker. Before each reopen the independent
// reader plays the journal back in memory, and its bytes must equal those
// the engine's playback leaves. A failure injected inside an operation must
// show in the next commit (which then fails): no failure is ever hidden.
// Seeds are fixed; ORVEX_RANDOM_SEED overrides them, ORVEX_FAULT_ROUNDS sets
// the number of runs (default 8).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "mem_fs.h"
#include "orvexcheck.h"
#include "orvexfile.h"
#include "orvexjournal.h"
#include "table/table.h"

namespace {

using orvex_test::MemFs;
namespace of = orvexfile;

constexpr const char* kPath = "f.db";
constexpr int kNameSize = 24;
constexpr int kRecordSize = 4 + kNameSize + 8;
constexpr int kIds = 3000;

struct Rec {
  std::string name;
  double value;
  bool operator==(const Rec& o) const { return name == o.name && value == o.value; }
};
using Model = std::map<int, Rec>;

struct Counts {
  long ops = 0, commits = 0, failedCommits = 0, reopens = 0;
  long writeFaults = 0, fullDisks = 0, syncFaults = 0, lastingSyncFaults = 0;
  long kills = 0, powerCuts = 0, playbacks = 0, checks = 0;
};

enum class Fault { kNone, kWrite, kFull, kSync, kLastingSync, kStop };

class FaultRun {
 public:
  FaultRun(uint64_t seed, bool trimmed, Counts* counts) : rng_(seed), trimmed_(trimmed), n_(counts) {}

  void Run(int steps) {
    Create();
    for (int step = 0; step < steps && !::testing::Test::HasFatalFailure(); ++step) {
      if (fault_ == Fault::kNone && Chance(0.05)) Arm();
      // A fault that has not struck in a while is given up.
      if (fault_ != Fault::kNone && ++armedFor_ > 150 && !failedSinceCommit_) Disarm();
      const int before = fs_.failures;
      const int pick = static_cast<int>(rng_() % 100);
      if (pick < 8) {
        Commit();
      } else if (pick < 10) {
        Reopen();
      } else {
        Operate(pick);
        if (fs_.failures != before) failedSinceCommit_ = true;
      }
      if (fs_.stopped) Crash();
      ++n_->ops;
    }
    if (::testing::Test::HasFatalFailure()) return;
    Disarm();
    if (failedSinceCommit_) Commit();
    ASSERT_TRUE(t_->CloseDB()) << t_->GetErrMsg();
    committed_ = model_;
    ExpectFileHolds(committed_, "at the end");
  }

 private:
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

  orvex::TableOptions Options() {
    orvex::TableOptions o;
    o.fs = &fs_;
    o.cacheBytes = 3 * orvex::kPageSize;
    return o;
  }

  void Create() {
    t_ = std::make_unique<orvex::Table>(Options());
    ASSERT_TRUE(t_->CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(t_->CreateField("name", ORVEX_TEXT, kNameSize));
    ASSERT_TRUE(t_->CreateField("value", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(t_->CreateKey("id", 2, 0, 0, 0, 0));
    ASSERT_TRUE(t_->CreateKey("name", 1, 1, 2, 0, 0));
    ASSERT_TRUE(t_->CreateKey("value", 1, 2, 0, 0, 0));
    t_->EnableTrimRecord(trimmed_);
    ASSERT_TRUE(t_->CreateDB(kPath, "faults")) << t_->GetErrMsg();
  }

  // ---------------------------------------------------------------- faults

  void Arm() {
    const int kind = static_cast<int>(rng_() % 20);
    const int after = static_cast<int>(rng_() % 120);
    const char* suffixes[] = {"", "f.db", "-journal"};
    fs_.failSuffix = suffixes[rng_() % 3];
    if (kind < 5) {
      fault_ = Fault::kWrite;
      fs_.writesLeft = after;
      fs_.once = true;
      fs_.failCode = EIO;
      ++n_->writeFaults;
    } else if (kind < 9) {
      fault_ = Fault::kFull;
      fs_.writesLeft = after;
      fs_.diskFull = true;
      fs_.failCode = ENOSPC;
      ++n_->fullDisks;
    } else if (kind < 13) {
      fault_ = Fault::kSync;
      fs_.syncsLeft = after / 30;
      fs_.once = true;
      ++n_->syncFaults;
    } else if (kind < 14) {
      fault_ = Fault::kLastingSync;
      fs_.syncsLeft = after / 30;
      ++n_->lastingSyncFaults;
    } else {
      fault_ = Fault::kStop;
      fs_.failSuffix.clear();
      fs_.stopAtWrite = fs_.writes + after;
    }
  }

  void Disarm() {
    fs_.writesLeft = fs_.syncsLeft = fs_.stopAtWrite = -1;
    fs_.diskFull = fs_.once = false;
    fs_.failSuffix.clear();
    fault_ = Fault::kNone;
    armedFor_ = 0;
  }

  // ---------------------------------------------------------------- records

  std::string RandomName() {
    static const char letters[] = "abcABC_xyz";
    std::string s(1 + rng_() % (kNameSize - 1), 'a');
    for (char& c : s) c = letters[rng_() % (sizeof letters - 1)];
    return s;
  }

  void Pack(int id, const Rec& r, uint8_t* image) {
    std::memset(image, 0, kRecordSize);
    std::memcpy(image, &id, 4);
    std::memcpy(image + 4, r.name.data(), r.name.size());
    std::memcpy(image + 4 + kNameSize, &r.value, 8);
  }

  int ExistingId() {
    auto it = model_.lower_bound(static_cast<int>(rng_() % kIds));
    if (it == model_.end()) it = model_.begin();
    return it->first;
  }

  // An insert, update or delete. A failure is allowed only where the model
  // says the operation cannot be done, or where a fault was handed out.
  void Operate(int pick) {
    uint8_t image[kRecordSize];
    const int failuresBefore = fs_.failures;
    bool ok = false;
    bool mayFail = false;
    int id = 0;
    Rec rec{RandomName(), static_cast<double>(static_cast<int>(rng_() % 2000) - 1000) / 4};
    if (pick < 55 || model_.empty()) {
      id = static_cast<int>(rng_() % kIds);
      Pack(id, rec, image);
      mayFail = model_.count(id) != 0;
      ok = t_->Insert(image, kRecordSize);
      if (ok) model_[id] = rec;
    } else if (pick < 80) {
      id = ExistingId();
      ok = t_->GetEqual(0, &id, nullptr, 0);
      if (ok) {
        Pack(id, rec, image);
        ok = t_->Update(image, kRecordSize);
      }
      if (ok) model_[id] = rec;
    } else {
      id = ExistingId();
      ok = t_->GetEqual(0, &id, nullptr, 0) && t_->Delete();
      if (ok) model_.erase(id);
    }
    // After a failure, writes are refused until the next commit rolls back.
    if (!ok && !mayFail && fs_.failures == failuresBefore && !failedSinceCommit_)
      ADD_FAILURE() << "operation " << pick << " on id " << id << " failed with no fault: " << t_->GetErrMsg();
  }

  // ---------------------------------------------------------------- commits

  void Commit() {
    const bool failedBefore = failedSinceCommit_;
    const int failuresBefore = fs_.failures;
    const bool ok = t_->Flush();
    ++n_->commits;
    if (fs_.stopped) return;  // the crash decides
    if (ok) {
      EXPECT_FALSE(failedBefore) << "a commit succeeded after a failure it should have reported";
      committed_ = model_;
      failedSinceCommit_ = false;
      return;
    }
    ++n_->failedCommits;
    EXPECT_TRUE(failedBefore || fs_.failures != failuresBefore)
        << "Flush failed with no fault: " << t_->GetErrMsg();
    AfterFailedCommit();
  }

  void AfterFailedCommit() {
    model_ = committed_;
    failedSinceCommit_ = false;
    const std::string why = t_->GetErrMsg();
    if (why.find("next opened") != std::string::npos) {
      // Not even the rollback could be made durable: close, let the disk
      // recover, and reopen, which plays the journal back.
      EXPECT_FALSE(t_->CloseDB());
      Disarm();
      fs_.Restart(false, 0);
      ReopenAfterStop("after a lasting sync failure");
      return;
    }
    if (fault_ == Fault::kFull || fault_ == Fault::kWrite || fault_ == Fault::kSync) Disarm();
    ExpectTableHolds(committed_, "after a failed commit");
  }

  void Reopen() {
    const bool failedBefore = failedSinceCommit_;
    const bool ok = t_->CloseDB();
    ++n_->reopens;
    if (fs_.stopped) return;
    if (ok) {
      EXPECT_FALSE(failedBefore) << "a close committed after a failure it should have reported";
      committed_ = model_;
    } else {
      ++n_->failedCommits;
      model_ = committed_;
      if (fault_ != Fault::kStop) Disarm();
      fs_.Restart(false, 0);
    }
    failedSinceCommit_ = false;
    if (!t_->OpenDB(kPath, 66)) {
      if (fs_.stopped) return;
      // A fault armed for later may strike while the journal is played
      // back: the file is then still at its last commit.
      Disarm();
      fs_.Restart(false, 0);
      ASSERT_TRUE(t_->OpenDB(kPath, 66)) << t_->GetErrMsg();
    }
    ExpectFileHolds(committed_, "after a reopen");
    ExpectTableHolds(committed_, "after a reopen");
  }

  // The process stopped: what it left is read by the independent reader
  // (the journal played back in memory), then opened by a new "process",
  // whose playback must leave the same bytes.
  void Crash() {
    t_.reset();
    const bool powerCut = Chance(0.5);
    ++(powerCut ? n_->powerCuts : n_->kills);
    Disarm();
    fs_.Restart(powerCut, static_cast<uint32_t>(rng_()));
    model_ = committed_;
    failedSinceCommit_ = false;
    ReopenAfterStop(powerCut ? "after a power cut" : "after a kill");
  }

  void ReopenAfterStop(const char* when) {
    std::vector<uint8_t> expected = fs_.Bytes(kPath);
    if (fs_.Exists(std::string(kPath) + "-journal")) {
      of::File db;
      db.Assign(expected);
      of::JournalReport report;
      std::vector<uint8_t> restored;
      of::ApplyJournal(db, fs_.Bytes(std::string(kPath) + "-journal"), &report, &restored);
      if (report.hot) {
        expected = restored;
        ++n_->playbacks;
      }
    }
    t_ = std::make_unique<orvex::Table>(Options());
    ASSERT_TRUE(t_->OpenDB(kPath, 66)) << when << ": " << t_->GetErrMsg();
    EXPECT_TRUE(fs_.Bytes(kPath) == expected) << when << ": the engine's playback differs from the reader's";
    EXPECT_FALSE(fs_.Exists(std::string(kPath) + "-journal")) << when;
    ExpectFileHolds(committed_, when);
    ExpectTableHolds(committed_, when);
  }

  // ---------------------------------------------------------------- checks

  void ExpectTableHolds(const Model& m, const char* when) {
    uint8_t image[kRecordSize];
    Model seen;
    for (bool ok = t_->GetFirst(0, image, kRecordSize); ok; ok = t_->GetNext(0, image, kRecordSize)) {
      int id;
      Rec r;
      std::memcpy(&id, image, 4);
      r.name.assign(reinterpret_cast<const char*>(image + 4), strnlen(reinterpret_cast<const char*>(image + 4), kNameSize));
      std::memcpy(&r.value, image + 4 + kNameSize, 8);
      seen[id] = r;
    }
    EXPECT_TRUE(seen == m) << when << ": the table holds " << seen.size() << " records, the last commit "
                           << m.size();
    EXPECT_EQ(t_->GetRecordNum(), static_cast<int>(m.size())) << when;
    for (int k = 1; k <= 2; ++k) {
      int walked = 0;
      for (bool ok = t_->GetFirst(k, image, kRecordSize); ok; ok = t_->GetNext(k, image, kRecordSize)) ++walked;
      EXPECT_EQ(walked, static_cast<int>(m.size())) << when << ": key " << k;
    }
  }

  // The file on "disk" passes the independent checker and counts the
  // records of m.
  void ExpectFileHolds(const Model& m, const char* when) {
    of::File file;
    file.Assign(fs_.Bytes(kPath));
    const of::CheckReport report = of::Check(file);
    of::Header h;
    std::vector<of::Violation> problems;
    of::ReadHeader(file, &h, &problems);
    ++n_->checks;
    EXPECT_TRUE(report.clean()) << when << ": " << (report.violations.empty() ? "" : of::FormatViolation(h, report.violations[0]));
    EXPECT_EQ(h.recordCount, static_cast<int32_t>(m.size())) << when;
  }

  MemFs fs_;
  std::unique_ptr<orvex::Table> t_;
  std::mt19937_64 rng_;
  bool trimmed_;
  Counts* n_;
  Model model_, committed_;
  Fault fault_ = Fault::kNone;
  int armedFor_ = 0;
  bool failedSinceCommit_ = false;
};

uint64_t Seed(uint64_t fallback) {
  const char* s = std::getenv("ORVEX_RANDOM_SEED");
  return s && *s ? std::strtoull(s, nullptr, 10) : fallback;
}

int Rounds() {
  const char* s = std::getenv("ORVEX_FAULT_ROUNDS");
  return s && *s ? std::max(1, std::atoi(s)) : 8;
}

void RunAll(bool trimmed, uint64_t seed) {
  Counts n;
  const int rounds = Rounds();
  for (int r = 0; r < rounds && !::testing::Test::HasFailure(); ++r) {
    SCOPED_TRACE("seed " + std::to_string(seed + r));
    FaultRun run(seed + r, trimmed, &n);
    run.Run(1500);
  }
  std::printf(
      "%d runs: %ld operations, %ld commits (%ld failed), %ld reopens; faults: %ld write, %ld full disk, "
      "%ld sync, %ld lasting sync; %ld kills and %ld power cuts, %ld journals played back; %ld files checked\n",
      rounds, n.ops, n.commits, n.failedCommits, n.reopens, n.writeFaults, n.fullDisks, n.syncFaults,
      n.lastingSyncFaults, n.kills, n.powerCuts, n.playbacks, n.checks);
}

}  // namespace

TEST(OrvexFaults, TrimmedRecordsSurviveEveryFault) { RunAll(true, Seed(12001)); }

TEST(OrvexFaults, FixedRecordsSurviveEveryFault) { RunAll(false, Seed(12501)); }
