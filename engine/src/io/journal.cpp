// The rollback journal of one database file (see journal.h).
#include "io/journal.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/endian.h"

namespace orvex {
namespace {

// Records are written in batches of this many.
constexpr size_t kQueueRecords = 64;
// A journal grown past this is cut back when its transaction ends, so that a
// large transaction does not leave its space taken until the file closes.
constexpr int64_t kKeepJournalBytes = int64_t{1} << 20;

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// A salt that differs between transactions, processes and runs; it only has
// to tell this transaction's records from older ones.
uint64_t NewSalt(const void* owner, uint64_t count) {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  uint64_t x = static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
  x ^= static_cast<uint64_t>(getpid()) << 40;
  x ^= reinterpret_cast<uintptr_t>(owner);
  return Mix(x + Mix(count));
}

// Copies every sound record of the journal back onto db, then cuts db to
// the size it had at the last commit. Playback stops at the first record
// that does not check.
bool PlayBackRecords(File* journal, const JournalHeader& h, File* db, int64_t* restored, int* error) {
  std::vector<uint8_t> buf(kQueueRecords * kJournalRecordSize);
  int64_t pos = kJournalHeaderSize;
  *restored = 0;
  bool more = true;
  while (more) {
    const int64_t got = journal->Read(pos, buf.data(), buf.size());
    if (got < 0) return *error = journal->LastError(), false;
    const int64_t records = got / kJournalRecordSize;
    more = records == static_cast<int64_t>(kQueueRecords);
    for (int64_t i = 0; i < records; ++i) {
      const uint8_t* rec = buf.data() + i * kJournalRecordSize;
      int64_t at = 0;
      if (!OpenJournalRecord(h, rec, &at)) {
        more = false;
        break;
      }
      const size_t n = static_cast<size_t>(std::min<int64_t>(kJournalPageSize, h.dbSize - at));
      if (!db->Write(at, rec + 8, n)) return *error = db->LastError(), false;
      ++*restored;
    }
    pos += got;
  }
  const int64_t size = db->Size();
  if (size < 0) return *error = db->LastError(), false;
  if (size > h.dbSize && !db->Truncate(h.dbSize)) return *error = db->LastError(), false;
  return true;
}

bool ReadHeader(File* journal, JournalHeader* h) {
  uint8_t b[kJournalHeaderSize];
  return journal->Read(0, b, sizeof b) == kJournalHeaderSize && ParseJournalHeader(b, h);
}

}  // namespace

bool Journal::Fail(File* f) {
  error_ = f ? f->LastError() : 0;
  return false;
}

bool Journal::OpenFile() {
  if (file_) return true;
  // A journal left from before holds nothing to play back (OpenDB played it
  // back under the lock): it is cut, and its folder entry made durable, so
  // that no crash can lose the journal that protects this transaction.
  int err = 0;
  file_ = fs_->Open(path_.c_str(), kModeCreate | 2, &err);
  if (!file_) {
    error_ = err;
    return false;
  }
  if (!fs_->SyncFolderOf(path_.c_str())) {
    error_ = 0;
    file_.reset();
    return false;
  }
  return true;
}

bool Journal::Begin(int64_t dbSize) {
  if (!OpenFile()) return false;
  header_.dbSize = dbSize;
  header_.salt = NewSalt(this, ++transactions_);
  const size_t pages = static_cast<size_t>((dbSize + kJournalPageSize - 1) / kJournalPageSize);
  saved_.assign((pages + 63) / 64, 0);
  queue_.resize(kJournalHeaderSize);
  FormatJournalHeader(header_, queue_.data());
  queueAt_ = 0;
  queuedPages_.clear();
  active_ = true;
  unsynced_ = true;
  return true;
}

bool Journal::Save(File* db, int64_t page) {
  if (!active_ || Saved(page) || page < 0 || page * kJournalPageSize >= header_.dbSize) return active_;
  const size_t at = queue_.size();
  queue_.resize(at + kJournalRecordSize);
  uint8_t* rec = queue_.data() + at;
  Store64(rec, page * kJournalPageSize);
  const int64_t got = db->Read(page * kJournalPageSize, rec + 8, kJournalPageSize);
  if (got < 0) {
    queue_.resize(at);
    return Fail(db);
  }
  std::memset(rec + 8 + got, 0, kJournalPageSize - static_cast<size_t>(got));
  SealJournalRecord(header_, rec);
  saved_[static_cast<size_t>(page / 64)] |= uint64_t{1} << (page % 64);
  queuedPages_.push_back(page);
  unsynced_ = true;
  if (queuedPages_.size() >= kQueueRecords) return WriteQueued();
  return true;
}

bool Journal::WriteQueued() {
  if (queue_.empty()) return true;
  if (!file_->Write(queueAt_, queue_.data(), queue_.size())) {
    // The pages of the failed write are not saved after all; the header, if
    // it was among the bytes, stays queued, so that records never take its
    // place.
    for (int64_t page : queuedPages_) saved_[static_cast<size_t>(page / 64)] &= ~(uint64_t{1} << (page % 64));
    queuedPages_.clear();
    queue_.clear();
    if (queueAt_ == 0) {
      queue_.resize(kJournalHeaderSize);
      FormatJournalHeader(header_, queue_.data());
    }
    return Fail(file_.get());
  }
  queueAt_ += static_cast<int64_t>(queue_.size());
  queue_.clear();
  queuedPages_.clear();
  return true;
}

bool Journal::Sync() {
  if (!unsynced_) return true;
  if (!WriteQueued() || !file_->Sync()) return Fail(file_.get());
  unsynced_ = false;
  return true;
}

bool Journal::End() {
  if (!active_) return true;
  uint8_t zero[kJournalHeaderSize] = {};
  queue_.clear();
  queuedPages_.clear();
  unsynced_ = true;
  if (!file_->Write(0, zero, sizeof zero)) return Fail(file_.get());
  if (queueAt_ > kKeepJournalBytes && !file_->Truncate(0)) return Fail(file_.get());
  if (!file_->Sync()) return Fail(file_.get());
  unsynced_ = false;
  active_ = false;
  queueAt_ = 0;
  std::fill(saved_.begin(), saved_.end(), 0);
  return true;
}

bool Journal::Restore(File* db) {
  if (!active_) return true;
  // Records still queued were never written, so neither were the database
  // pages they would protect.
  queue_.clear();
  queuedPages_.clear();
  uint8_t head[kJournalHeaderSize];
  FormatJournalHeader(header_, head);
  if (!file_->Write(0, head, sizeof head) || !file_->Sync()) return Fail(file_.get());
  int64_t restored = 0;
  int err = 0;
  if (!PlayBackRecords(file_.get(), header_, db, &restored, &err)) {
    error_ = err;
    return false;
  }
  if (!db->Sync()) return Fail(db);
  return End();
}

bool Journal::Remove() {
  if (active_) return false;
  file_.reset();
  return fs_->Remove(path_.c_str());
}

bool JournalIsHot(FileSystem* fs, const std::string& path) {
  std::unique_ptr<File> journal = fs->Open(path.c_str(), 0, nullptr);
  JournalHeader h;
  return journal && ReadHeader(journal.get(), &h);
}

bool PlayBackJournal(FileSystem* fs, const std::string& path, File* db, int64_t* restored, int* error) {
  *restored = 0;
  int err = 0;
  std::unique_ptr<File> journal = fs->Open(path.c_str(), 0, &err);
  if (!journal) {
    if (fs->Identify(path.c_str(), nullptr).valid) return *error = err, false;
    return true;
  }
  JournalHeader h;
  if (ReadHeader(journal.get(), &h)) {
    if (!PlayBackRecords(journal.get(), h, db, restored, error)) return false;
    if (!db->Sync()) return *error = db->LastError(), false;
  }
  journal.reset();
  if (!fs->Remove(path.c_str())) return *error = 0, false;
  return true;
}

}  // namespace orvex
