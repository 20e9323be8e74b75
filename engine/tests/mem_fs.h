// An in-memory file system standing in for the disk in the engine's tests.
//
// Any write or sync can be made to fail (all of them, or only those of files
// whose name ends a certain way, such as "-journal"), reads can be cut
// short, and the "process" can be stopped at a numbered write: from then on
// every call fails, as if it had been killed. Restart then brings the files
// back as a new process would find them: everything written (a killed
// process), or only what was synced plus a random part of the rest, some
// writes torn (a power cut; files whose folder entry was never synced may
// vanish, and removals may be undone).
#ifndef ORVEX_TESTS_MEM_FS_H_
#define ORVEX_TESTS_MEM_FS_H_

#include <errno.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "io/file.h"

namespace orvex_test {

class MemFs : public orvex::FileSystem {
 public:
  // A write or truncation not yet made durable by a sync.
  struct Change {
    int64_t offset;  // truncation: the new size
    std::vector<uint8_t> bytes;
    bool truncation;
  };
  struct Data {
    std::vector<uint8_t> bytes;    // as the process sees the file
    std::vector<uint8_t> durable;  // as of its last sync
    std::vector<Change> unsynced;
    uint64_t id = 0;
  };

  // Failure controls. A count of -1 means never.
  int writesLeft = -1;       // writes that succeed before every later one fails
  int syncsLeft = -1;        // syncs (of files and folders) likewise
  std::string failSuffix;    // when set, the two counts apply to such names only
  bool diskFull = false;     // only writes that grow a file count and fail
  bool once = false;         // a failure happens once, then the count is off
  int failCode = ENOSPC;     // what a failing write reports (syncs report EIO)
  int64_t shortReadAt = -1;  // reads stop at this file offset when >= 0
  int stopAtWrite = -1;      // the write with this number stops the process
  bool stopped = false;
  // Counters: every write and sync attempted, so that a test can pick one,
  // and every failure handed out (a stop included).
  int writes = 0;
  int syncs = 0;
  int failures = 0;

  using orvex::FileSystem::Open;
  std::unique_ptr<orvex::File> Open(const char* path, int mode, int* error) override;

  orvex::FileIdentity Identify(const char* path, bool* regular) override {
    orvex::FileIdentity id;
    if (regular) *regular = false;
    auto it = path ? files_.find(path) : files_.end();
    if (it == files_.end()) return id;
    if (regular) *regular = true;
    return IdOf(*it->second);
  }

  bool Remove(const char* path) override {
    if (stopped) return false;
    files_.erase(path);
    return true;
  }

  bool SyncFolderOf(const char*) override {
    if (!CountSync("")) return false;
    folder_ = files_;
    return true;
  }

  std::string JournalPath(const char* path) override { return std::string(path) + "-journal"; }

  std::vector<uint8_t>& Bytes(const std::string& path) { return files_[path]->bytes; }
  bool Exists(const std::string& path) const { return files_.count(path) != 0; }

  // After a stop (or at any time): every failure control is reset, and the
  // files become what a new process finds: after a power cut, the synced
  // state plus a random part of what followed it.
  void Restart(bool powerCut, uint32_t seed) {
    std::mt19937 rng(seed);
    if (powerCut) {
      files_ = folder_;
      for (auto& [name, d] : files_) {
        std::vector<uint8_t> b = d->durable;
        for (const Change& c : d->unsynced) {
          const uint32_t pick = rng() % 4;
          if (pick == 0) continue;  // lost
          if (c.truncation) {
            b.resize(static_cast<size_t>(c.offset));
            continue;
          }
          size_t n = c.bytes.size();
          if (pick == 1) n = std::min(n, size_t{512} * (rng() % (n / 512 + 1)));  // torn
          if (b.size() < c.offset + n) b.resize(static_cast<size_t>(c.offset) + n);
          std::memcpy(b.data() + c.offset, c.bytes.data(), n);
        }
        d->bytes = b;
      }
    }
    for (auto& [name, d] : files_) {
      d->durable = d->bytes;
      d->unsynced.clear();
    }
    folder_ = files_;
    writesLeft = syncsLeft = stopAtWrite = -1;
    diskFull = once = false;
    failSuffix.clear();
    shortReadAt = -1;
    stopped = false;
  }

  // Counts a write to path; false when it is to fail (the error code is in
  // *code). The write numbered stopAtWrite stops the process.
  // grows: the write makes the file longer. A truncation that does not grow
  // the file fails only when the process stops.
  bool CountWrite(const std::string& path, int* code, bool grows, bool truncation = false) {
    if (stopped) return *code = EIO, false;
    if (writes++ == stopAtWrite) {
      stopped = true;
      ++failures;
      return *code = EIO, false;
    }
    if (!Applies(path) || writesLeft < 0 || ((diskFull || truncation) && !grows)) return true;
    if (writesLeft > 0) return --writesLeft, true;
    if (once) writesLeft = -1;
    ++failures;
    return *code = failCode, false;
  }
  bool CountSync(const std::string& path) {
    if (stopped) return false;
    ++syncs;
    if (!Applies(path) || syncsLeft < 0) return true;
    if (syncsLeft > 0) return --syncsLeft, true;
    if (once) syncsLeft = -1;
    ++failures;
    return false;
  }

 private:
  bool Applies(const std::string& path) const {
    return failSuffix.empty() ||
           (path.size() >= failSuffix.size() && path.compare(path.size() - failSuffix.size(), failSuffix.size(), failSuffix) == 0);
  }
  static orvex::FileIdentity IdOf(const Data& d) {
    orvex::FileIdentity id;
    id.device = 0xfeed;
    id.inode = d.id;
    id.valid = true;
    return id;
  }
  friend class MemFile;
  std::map<std::string, std::shared_ptr<Data>> files_;
  std::map<std::string, std::shared_ptr<Data>> folder_;  // the durable folder entries
  uint64_t nextId_ = 1;
};

class MemFile : public orvex::File {
 public:
  MemFile(MemFs* fs, std::string path, std::shared_ptr<MemFs::Data> d, bool writable)
      : fs_(fs), path_(std::move(path)), d_(std::move(d)), writable_(writable) {}
  int64_t Read(int64_t offset, void* buf, size_t n) override {
    if (fs_->stopped || offset < 0) return Fail(EIO), -1;
    int64_t end = static_cast<int64_t>(d_->bytes.size());
    if (fs_->shortReadAt >= 0 && fs_->shortReadAt < end) end = fs_->shortReadAt;
    if (offset >= end) return 0;
    size_t take = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), end - offset));
    std::memcpy(buf, d_->bytes.data() + offset, take);
    return static_cast<int64_t>(take);
  }
  bool Write(int64_t offset, const void* buf, size_t n) override {
    if (!writable_) return Fail(EBADF);
    int code = 0;
    if (!fs_->CountWrite(path_, &code, d_->bytes.size() < offset + n)) return Fail(code);
    if (d_->bytes.size() < offset + n) d_->bytes.resize(offset + n);
    std::memcpy(d_->bytes.data() + offset, buf, n);
    const auto* p = static_cast<const uint8_t*>(buf);
    d_->unsynced.push_back(MemFs::Change{offset, std::vector<uint8_t>(p, p + n), false});
    return true;
  }
  int64_t Size() override { return fs_->stopped ? (Fail(EIO), -1) : static_cast<int64_t>(d_->bytes.size()); }
  orvex::FileIdentity Identity() override { return MemFs::IdOf(*d_); }
  bool Writable() const override { return writable_; }
  bool Sync() override {
    if (!fs_->CountSync(path_)) return Fail(EIO);
    d_->durable = d_->bytes;
    d_->unsynced.clear();
    return true;
  }
  bool Truncate(int64_t size) override {
    if (!writable_) return Fail(EBADF);
    int code = 0;
    if (!fs_->CountWrite(path_, &code, size > static_cast<int64_t>(d_->bytes.size()), true)) return Fail(code);
    d_->bytes.resize(static_cast<size_t>(size));
    d_->unsynced.push_back(MemFs::Change{size, {}, true});
    return true;
  }
  bool TryLock(orvex::LockKind, orvex::LockHolder*) override { return !fs_->stopped || Fail(EIO); }
  int LastError() const override { return error_; }

 private:
  bool Fail(int code) {
    error_ = code;
    return false;
  }
  MemFs* fs_;
  std::string path_;
  std::shared_ptr<MemFs::Data> d_;
  bool writable_;
  int error_ = 0;
};

inline std::unique_ptr<orvex::File> MemFs::Open(const char* path, int mode, int* error) {
  int dummy;
  if (!error) error = &dummy;
  if (stopped || path == nullptr) return *error = EIO, nullptr;
  auto it = files_.find(path);
  if (it == files_.end()) {
    if (!(mode & orvex::kModeCreate)) return *error = ENOENT, nullptr;
    auto d = std::make_shared<Data>();
    d->id = nextId_++;
    it = files_.emplace(path, d).first;
  } else if ((mode & orvex::kModeCreate) && !(mode & orvex::kModeNoTruncate)) {
    it->second->bytes.clear();
    it->second->unsynced.push_back(Change{0, {}, true});
  }
  return std::make_unique<MemFile>(this, path, it->second, (mode & orvex::kModeAccessMask) != 0);
}

}  // namespace orvex_test

#endif  // ORVEX_TESTS_MEM_FS_H_
