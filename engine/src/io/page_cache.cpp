// Shared files, their page cache, commits and locks (see page_cache.h).
#include "io/page_cache.h"

#include <errno.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace orvex {
namespace {

struct Registry {
  std::mutex mu;
  std::vector<std::weak_ptr<SharedFile>> files;
};

// Process-wide; deliberately never destroyed, so that table objects that
// outlive static destruction can still close their files.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

// A child made by fork inherits the registry but none of the locks: the
// files its parent had open are opened afresh there.
std::shared_ptr<SharedFile> Registered(Registry& reg, const FileIdentity& id) {
  if (!id.valid) return nullptr;
  for (auto& w : reg.files) {
    std::shared_ptr<SharedFile> sp = w.lock();
    if (sp && sp->Identity() == id && sp->owner() == getpid()) return sp;
  }
  return nullptr;
}

inline uint32_t HashPage(uint32_t page) { return page * 2654435761u; }

// Dirty bits of the journal pages that bytes [from, to) of a cache page touch.
inline uint8_t DirtyBits(size_t from, size_t to) {
  const size_t first = from / kJournalPageSize, last = (to - 1) / kJournalPageSize;
  return static_cast<uint8_t>(((1u << (last + 1)) - 1) & ~((1u << first) - 1));
}

// Evictions that must save pages in the journal save this many dirty cache
// pages at once, so that one journal sync serves them all.
constexpr int kGuardBatch = 256;

std::string HolderText(const LockHolder& h) {
  std::string who = h.pid > 0 ? "another process (pid " + std::to_string(h.pid) + ")" : "another process";
  return who + " has the file open for " + (h.writer ? "writing" : "reading");
}

// After a refused lock: false (with the reason) when the refusal is not
// "busy" or the deadline has passed, else a pause that doubles up to 50 ms.
bool PauseBeforeRetry(int error, const LockHolder& holder, std::chrono::steady_clock::time_point deadline,
                      int* pause, std::string* why) {
  if (error != EAGAIN) {
    *why = "can't lock the file: " + FailureText(error);
    return false;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now >= deadline) {
    *why = HolderText(holder);
    return false;
  }
  std::this_thread::sleep_for(
      std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(*pause), deadline - now));
  *pause = std::min(*pause * 2, 50);
  return true;
}

}  // namespace

SharedFile::SharedFile(std::unique_ptr<File> file, FileSystem* fs, const char* path, size_t cacheBytes)
    : file_(std::move(file)),
      fs_(fs),
      path_(path),
      capacity_(cacheBytes / kPageSize),
      journal_(fs, fs->JournalPath(path)),
      owner_(getpid()) {
  identity_ = file_->Identity();
  int64_t s = file_->Size();
  size_ = s < 0 ? 0 : s;
  committed_ = size_;
  if (capacity_ > 0) {
    size_t slots = 16;
    while (slots < capacity_ * 2) slots <<= 1;
    slots_.assign(slots, -1);
    mask_ = static_cast<uint32_t>(slots - 1);
    frames_.reserve(capacity_);
  }
}

SharedFile::~SharedFile() {
  if (!started_) return;
  std::lock_guard<std::mutex> lock(mu_);
  // What was never committed is undone; the journal goes once it is ended
  // (a journal that could not be played back stays for the next opener).
  if (poisoned_ || touched_ || journal_.active() || HasDirtyFrames()) RollbackLocked();
  if (writers_ && !broken_ && !journal_.active()) journal_.Remove();
}

// ---------------------------------------------------------------- opening

bool SharedFile::Start(bool writer, bool exclusive, bool create, int busyMs, std::string* why) {
  std::lock_guard<std::mutex> lock(mu_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyMs);
  bool wantExclusive = writer || exclusive || create;
  int pause = 1;
  while (true) {
    // A journal with a sound header is left by a writer that stopped in the
    // middle of a transaction (a live writer would hold the lock): whoever
    // opens next plays it back, which takes the exclusive lock.
    const bool hot = !create && JournalIsHot(fs_, journal_.path());
    LockKind kind = wantExclusive || hot ? LockKind::kExclusive : LockKind::kShared;
    if (kind == LockKind::kExclusive && !file_->Writable() && !WritableHandle(path_.c_str(), why)) {
      if (hot) {
        *why = "a journal left behind by an interrupted commit must be played back, which needs write access (" +
               *why + ")";
        return false;
      }
      // Keeping others out of a file takes a lock only a writable handle
      // can take; without write access, writers at least are kept out.
      wantExclusive = false;
      kind = LockKind::kShared;
    }
    LockHolder holder;
    if (file_->TryLock(kind, &holder)) {
      if (kind == LockKind::kShared && JournalIsHot(fs_, journal_.path())) {
        // A writer stopped between the look and the lock: start again,
        // asking for the lock that playback needs.
        file_->TryLock(LockKind::kNone, nullptr);
        continue;
      }
      lock_ = kind;
      break;
    }
    if (!PauseBeforeRetry(file_->LastError(), holder, deadline, &pause, why)) return false;
  }
  if (create) {
    // The file is made anew: a journal of what it held before must never be
    // played onto it.
    if (!fs_->Remove(journal_.path().c_str()) || !file_->Truncate(0)) {
      *why = FailureText(file_->LastError());
      return false;
    }
    created_ = true;
  } else if (lock_ == LockKind::kExclusive) {
    int64_t restored = 0;
    int err = 0;
    if (!PlayBackJournal(fs_, journal_.path(), file_.get(), &restored, &err)) {
      *why = "can't restore the last commit from the journal: " + FailureText(err);
      return false;
    }
    if (!writer && !exclusive) {
      file_->TryLock(LockKind::kShared, nullptr);  // giving up exclusivity never waits
      lock_ = LockKind::kShared;
    }
  }
  const int64_t s = file_->Size();
  size_ = s < 0 ? 0 : s;
  committed_ = size_;
  writers_ = writer;
  started_ = true;
  return true;
}

bool SharedFile::WritableHandle(const char* path, std::string* why) {
  int err = 0;
  std::unique_ptr<File> w = fs_->Open(path, 2, &err);
  if (!w) {
    *why = FailureText(err);
    return false;
  }
  if (!(w->Identity() == identity_)) {
    *why = "the file was replaced while open";
    return false;  // another file: closing it drops no lock of ours
  }
  spares_.push_back(std::move(file_));
  file_ = std::move(w);
  return true;
}

bool SharedFile::LockWithin(LockKind kind, int busyMs, std::string* why) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyMs);
  int pause = 1;
  while (true) {
    LockHolder holder;
    if (file_->TryLock(kind, &holder)) {
      lock_ = kind;
      return true;
    }
    if (!PauseBeforeRetry(file_->LastError(), holder, deadline, &pause, why)) return false;
  }
}

bool SharedFile::Join(const char* path, bool writer, bool exclusive, bool create, int busyMs,
                      std::unique_ptr<File> spare, std::string* why) {
  std::lock_guard<std::mutex> lock(mu_);
  if (spare) spares_.push_back(std::move(spare));
  if (create) {
    // Cutting the file under the other objects would leave them writing
    // their stale headers and nodes into the new one.
    *why = "another object of this process has the file open";
    return false;
  }
  if (broken_) {
    *why = failure_;
    return false;
  }
  if ((writer || exclusive) && lock_ != LockKind::kExclusive) {
    const bool handle = file_->Writable() || WritableHandle(path, why);
    if (!handle && writer) return false;
    if (handle && !LockWithin(LockKind::kExclusive, busyMs, why)) return false;
  }
  if (writer && !file_->Writable() && !WritableHandle(path, why)) return false;
  if (writer) writers_ = true;
  return true;
}

std::unique_ptr<Store> Store::Open(FileSystem* fs, const char* path, int mode, const StoreOptions& options,
                                   std::string* why) {
  std::string ignored;
  if (!why) why = &ignored;
  why->clear();
  const bool writer = (mode & kModeAccessMask) != 0;
  const int share = mode & kModeShareMask;
  const bool exclusive = share == kModeShareExclusive || share == kModeShareDenyRead;
  const bool create = (mode & kModeCreate) && !(mode & kModeNoTruncate);
  bool regular = false;
  const FileIdentity id = path ? fs->Identify(path, &regular) : FileIdentity();
  if (id.valid && !regular) {
    *why = FailureText(kErrorNotRegularFile);
    return nullptr;
  }
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mu);
  std::shared_ptr<SharedFile> sp = Registered(reg, id);
  std::unique_ptr<File> file;
  if (!sp) {
    // A create cuts the file only once the lock is held, so that a file
    // another process is using is never cut under it.
    int err = 0;
    file = fs->Open(path, create ? mode | kModeNoTruncate : mode, &err);
    if (!file) {
      // A missing file or a refused permission keeps the caller's plain
      // text; what is new to this layer is named.
      if (err == kErrorNotRegularFile) *why = FailureText(err);
      return nullptr;
    }
    sp = Registered(reg, file->Identity());
  }
  if (sp) {
    if (!sp->Join(path, writer, exclusive, create, options.busyTimeoutMs, std::move(file), why)) return nullptr;
    return std::unique_ptr<Store>(new Store(std::move(sp), writer));
  }
  const FileIdentity fid = file->Identity();
  auto fresh = std::make_shared<SharedFile>(std::move(file), fs, path, options.cacheBytes);
  if (!fresh->Start(writer, exclusive, create, options.busyTimeoutMs, why)) return nullptr;
  if (fid.valid) {
    reg.files.erase(std::remove_if(reg.files.begin(), reg.files.end(),
                                   [](const std::weak_ptr<SharedFile>& w) { return w.expired(); }),
                    reg.files.end());
    reg.files.push_back(fresh);
  }
  return std::unique_ptr<Store>(new Store(std::move(fresh), writer));
}

Store::~Store() {
  // The last handle rolls back what was not committed and closes the file
  // while the registry is locked, so that a new opener never reads a file
  // in between.
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mu);
  shared_.reset();
}

// ---------------------------------------------------------------- the cache

int32_t SharedFile::Find(uint32_t page) const {
  uint32_t i = HashPage(page) & mask_;
  while (true) {
    int32_t f = slots_[i];
    if (f < 0) return -1;
    if (frames_[f].page == page) return f;
    i = (i + 1) & mask_;
  }
}

void SharedFile::HashInsert(uint32_t page, int32_t frame) {
  uint32_t i = HashPage(page) & mask_;
  while (slots_[i] >= 0) i = (i + 1) & mask_;
  slots_[i] = frame;
}

// Linear probing with backward-shift deletion: no tombstones.
void SharedFile::HashErase(uint32_t page) {
  uint32_t i = HashPage(page) & mask_;
  while (slots_[i] >= 0 && frames_[slots_[i]].page != page) i = (i + 1) & mask_;
  if (slots_[i] < 0) return;
  uint32_t hole = i;
  uint32_t j = i;
  while (true) {
    j = (j + 1) & mask_;
    int32_t f = slots_[j];
    if (f < 0) break;
    uint32_t home = HashPage(frames_[f].page) & mask_;
    // Move the entry at j into the hole when its home does not lie
    // cyclically in (hole, j].
    bool between = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!between) {
      slots_[hole] = f;
      hole = j;
    }
  }
  slots_[hole] = -1;
}

bool SharedFile::Poison(const char* what, int code) {
  if (!poisoned_) {
    poisoned_ = true;
    failure_ = std::string("can't write ") + what + ": " + FailureText(code);
  }
  return false;
}

bool SharedFile::WriteBack(int32_t f) {
  Frame& fr = frames_[f];
  if (!fr.dirty) return true;
  // After a failure nothing more reaches the file before the rollback.
  if (poisoned_ || broken_) return false;
  const int64_t base = int64_t{fr.page} * kPageSize;
  const uint8_t* data = FrameData(f);
  for (size_t i = 0; i < kSubPages;) {
    if (!(fr.dirty >> i & 1)) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < kSubPages && (fr.dirty >> j & 1)) ++j;
    const int64_t start = base + static_cast<int64_t>(i * kJournalPageSize);
    const int64_t len = std::min<int64_t>(static_cast<int64_t>((j - i) * kJournalPageSize), size_.load() - start);
    if (len > 0) {
      if (!Guarded(start, len) && !Guard(start, len)) return false;
      touched_ = true;
      if (!file_->Write(start, data + i * kJournalPageSize, static_cast<size_t>(len))) return Poison("file", file_->LastError());
    }
    i = j;
  }
  fr.dirty = 0;
  return true;
}

uint8_t* SharedFile::NewSlab(size_t frames) {
  constexpr size_t kSlabBytes = kSlabFrames * kPageSize;
  const size_t bytes = frames * kPageSize;
  void* p = nullptr;
  // A whole slab is aligned to its size, so that it can be one large page.
  if (posix_memalign(&p, bytes == kSlabBytes ? kSlabBytes : kPageSize, bytes) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
  if (bytes == kSlabBytes) madvise(p, bytes, MADV_HUGEPAGE);  // a hint: failure changes nothing
#endif
  return static_cast<uint8_t*>(p);
}

int32_t SharedFile::FreeFrame() {
  // The oldest streamed page goes first, once a few newer ones follow it.
  // One used since it was streamed (a chunk block's header behind the data,
  // an index leaf among the values) gets another round; a page changed
  // since is written back first when it lies past the last commit (nothing
  // to journal), else left to the clock.
  const size_t lag = std::min(kStreamLag, capacity_ / 2);
  for (size_t tries = streamed_.size(); tries > 0 && streamed_.size() > lag; --tries) {
    const int32_t f = streamed_.front();
    streamed_.pop_front();
    Frame& fr = frames_[f];
    if (!fr.used) return f;
    if (fr.referenced) {
      fr.referenced = false;
      streamed_.push_back(f);
      continue;
    }
    if (fr.dirty && static_cast<int64_t>(fr.page) * static_cast<int64_t>(kPageSize) < committed_) continue;
    if (!WriteBack(f)) return -1;
    HashErase(fr.page);
    fr.used = false;
    return f;
  }
  if (frames_.size() < capacity_) {
    int32_t f = static_cast<int32_t>(frames_.size());
    // Not zeroed: a frame is read into or written over before use.
    if (f % kSlabFrames == 0) {
      uint8_t* slab = NewSlab(std::min(kSlabFrames, capacity_ - static_cast<size_t>(f)));
      if (!slab) return -1;
      slabs_.emplace_back(slab);
    }
    frames_.emplace_back();
    return f;
  }
  // Clock: pass over referenced frames once, clearing their mark.
  for (size_t step = 0; step < 2 * capacity_ + 1; ++step) {
    size_t f = hand_;
    hand_ = (hand_ + 1) % capacity_;
    Frame& fr = frames_[f];
    if (!fr.used) return static_cast<int32_t>(f);
    if (fr.referenced) {
      fr.referenced = false;
      continue;
    }
    const int32_t victim = static_cast<int32_t>(f);
    if (FrameNeedsGuard(victim) && !GuardBatch(victim)) return -1;
    if (!WriteBack(victim)) return -1;
    HashErase(fr.page);
    fr.used = false;
    return victim;
  }
  return -1;
}

int32_t SharedFile::Acquire(uint32_t page, bool load) {
  int32_t f = Find(page);
  if (f >= 0) {
    frames_[f].referenced = true;
    return f;
  }
  f = FreeFrame();
  if (f < 0) return -1;
  uint8_t* data = FrameData(f);
  if (load) {
    int64_t got = file_->Read(int64_t{page} * kPageSize, data, kPageSize);
    if (got < 0) return -1;
    std::memset(data + got, 0, kPageSize - static_cast<size_t>(got));
  }
  Frame& fr = frames_[f];
  fr.page = page;
  fr.used = true;
  fr.dirty = 0;
  fr.referenced = true;
  HashInsert(page, f);
  return f;
}

int64_t SharedFile::Read(int64_t offset, void* buf, size_t n, bool stream) {
  std::lock_guard<std::mutex> lock(mu_);
  return ReadLocked(offset, buf, n, stream);
}

const uint8_t* SharedFile::Reader::Get(int64_t offset, size_t n, uint8_t* scratch) {
  SharedFile* f = f_;
  if (f->broken_ || offset < 0 || offset + static_cast<int64_t>(n) > f->size_.load()) return nullptr;
  if (f->capacity_ > 0) {
    size_t in = static_cast<size_t>(offset % kPageSize);
    if (in + n <= kPageSize) {
      int32_t fr = f->Acquire(static_cast<uint32_t>(offset / kPageSize), true);
      return fr < 0 ? nullptr : f->FrameData(fr) + in;
    }
  }
  return f->ReadLocked(offset, scratch, n) == static_cast<int64_t>(n) ? scratch : nullptr;
}

const uint8_t* SharedFile::Reader::Peek(int64_t offset, size_t n) {
  SharedFile* f = f_;
  if (f->capacity_ == 0 || f->broken_ || offset < 0 || offset + static_cast<int64_t>(n) > f->size_.load())
    return nullptr;
  size_t in = static_cast<size_t>(offset % kPageSize);
  if (in + n > kPageSize) return nullptr;
  const uint32_t page = static_cast<uint32_t>(offset / kPageSize);
  // The same choice as ReadLocked: a small read of an uncached page of a
  // full cache goes to the file, so the caller's read does that.
  int32_t fr = f->Bypass(n) ? f->Find(page) : f->Acquire(page, true);
  if (fr < 0) return nullptr;
  f->frames_[fr].referenced = true;
  return f->FrameData(fr) + in;
}

void SharedFile::Reader::Prefetch(int64_t offset, size_t n) {
  SharedFile* f = f_;
  if (f->capacity_ == 0 || n == 0 || offset < 0 || offset + static_cast<int64_t>(n) > f->size_.load())
    return;
  size_t in = static_cast<size_t>(offset % kPageSize);
  if (in + n > kPageSize) n = kPageSize - in;
  int32_t fr = f->Find(static_cast<uint32_t>(offset / kPageSize));
  if (fr < 0) return;
  const uint8_t* p = f->FrameData(fr) + in;
  __builtin_prefetch(p);
  __builtin_prefetch(p + n - 1);
}

uint8_t* SharedFile::Reader::GetForWrite(int64_t offset, size_t n) {
  SharedFile* f = f_;
  if (f->capacity_ == 0 || !f->writers_ || f->poisoned_ || f->broken_ || n == 0 || offset < 0 ||
      offset + static_cast<int64_t>(n) > f->size_.load())
    return nullptr;
  size_t in = static_cast<size_t>(offset % kPageSize);
  if (in + n > kPageSize) return nullptr;
  int32_t fr = f->Acquire(static_cast<uint32_t>(offset / kPageSize), true);
  if (fr < 0) return nullptr;
  f->frames_[fr].dirty |= DirtyBits(in, in + n);
  f->changes_.fetch_add(1, std::memory_order_relaxed);
  return f->FrameData(fr) + in;
}

void SharedFile::Streamed(int32_t f) {
  if (frames_[f].dirty) return;
  frames_[f].referenced = false;
  if (streamed_.size() >= kStreamQueue) streamed_.pop_front();
  streamed_.push_back(f);
}

int64_t SharedFile::ReadLocked(int64_t offset, void* buf, size_t n, bool stream) {
  // A file whose rollback failed holds a mix of two states: nothing is read
  // from it until it is reopened (and the journal played back).
  if (offset < 0 || broken_) return -1;
  if (offset >= size_) return 0;
  n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), size_.load() - offset));
  if (capacity_ == 0) return file_->Read(offset, buf, n);
  auto* out = static_cast<uint8_t*>(buf);
  const bool direct = Bypass(n);
  size_t done = 0;
  while (done < n) {
    int64_t at = offset + static_cast<int64_t>(done);
    uint32_t page = static_cast<uint32_t>(at / kPageSize);
    size_t in = static_cast<size_t>(at % kPageSize);
    size_t take = std::min(kPageSize - in, n - done);
    // A stream that reads a whole page the cache does not hold takes it
    // straight from the file, which holds that page's current bytes: a long
    // run then costs one copy, and no frame.
    const bool wholePage = stream && in == 0 && take == kPageSize;
    int32_t f = direct || wholePage ? Find(page) : Acquire(page, true);
    if (f < 0 && wholePage) {
      // Bytes written past the end of the file, and not there yet, are a
      // gap that reads as zeros, as a frame loaded from the file holds them.
      const int64_t got = file_->Read(at, out + done, take);
      if (got < 0) return -1;
      std::memset(out + done + got, 0, take - static_cast<size_t>(got));
    } else if (f >= 0) {
      frames_[f].referenced = true;
      std::memcpy(out + done, FrameData(f) + in, take);
      if (stream && in + take == kPageSize) Streamed(f);
    } else if (!direct || file_->Read(at, out + done, take) != static_cast<int64_t>(take)) {
      return -1;
    }
    done += take;
  }
  return static_cast<int64_t>(n);
}

void SharedFile::ZeroGap(int64_t from, int64_t to) {
  while (from < to) {
    const uint32_t page = static_cast<uint32_t>(from / kPageSize);
    const int64_t pageEnd = (int64_t{page} + 1) * kPageSize;
    const int64_t end = std::min(to, pageEnd);
    const int32_t f = Find(page);
    if (f >= 0) std::memset(FrameData(f) + (from - int64_t{page} * kPageSize), 0, static_cast<size_t>(end - from));
    from = end;
  }
}

bool SharedFile::Write(int64_t offset, const void* buf, size_t n, bool stream) {
  std::lock_guard<std::mutex> lock(mu_);
  if (offset < 0 || poisoned_ || broken_) return false;
  changes_.fetch_add(1, std::memory_order_relaxed);
  if (n == 0) return true;
  if (capacity_ == 0) {
    if (!Guard(offset, static_cast<int64_t>(n))) return false;
    touched_ = true;
    if (!file_->Write(offset, buf, n)) return Poison("file", file_->LastError());
    size_ = std::max<int64_t>(size_.load(), offset + static_cast<int64_t>(n));
    return true;
  }
  auto* in = static_cast<const uint8_t*>(buf);
  // Bytes past the end of the file that this write leaves between the end
  // and offset read as zeros; the cached ones are zeroed here, the file
  // itself has none there yet.
  if (offset > size_.load()) {
    const int64_t end = size_.load();
    ZeroGap(end, std::min<int64_t>(offset, (end / kPageSize + 1) * kPageSize));
  }
  // A small write of an uncached page goes to the file only when nothing
  // needs saving first; otherwise the page is cached, and saved with others
  // when it is evicted.
  const bool direct = Bypass(n) && Guarded(offset, static_cast<int64_t>(n));
  size_t done = 0;
  while (done < n) {
    int64_t at = offset + static_cast<int64_t>(done);
    uint32_t page = static_cast<uint32_t>(at / kPageSize);
    int64_t pageStart = int64_t{page} * kPageSize;
    size_t inPage = static_cast<size_t>(at - pageStart);
    size_t take = std::min(kPageSize - inPage, n - done);
    // The page must be read first only when it holds bytes this write
    // does not cover.
    int64_t existingEnd = std::min<int64_t>(pageStart + kPageSize, size_.load());
    bool covers = existingEnd <= pageStart ||
                  (inPage == 0 && at + static_cast<int64_t>(take) >= existingEnd);
    if (stream && inPage == 0 && n - done >= kPageSize && pageStart >= committed_ && Find(page) < 0) {
      // Whole pages of a stream past the last commit that the cache does
      // not hold go straight to the file, in one write: they need no
      // saving, and a frame would only copy them once more.
      size_t run = kPageSize;
      while (n - done - run >= kPageSize && Find(page + static_cast<uint32_t>(run / kPageSize)) < 0) run += kPageSize;
      touched_ = true;
      if (!file_->Write(at, in + done, run)) return Poison("file", file_->LastError());
      const int64_t end = at + static_cast<int64_t>(run);
      size_ = std::max<int64_t>(size_.load(), end);
      SendAhead(at, end);
      done += run;
      continue;
    }
    int32_t f = direct ? Find(page) : Acquire(page, !covers);
    if (f >= 0) {
      // A page that starts past the end of the file (never cached) and is
      // not written from its start holds a gap before this write.
      if (existingEnd <= pageStart && inPage > 0) std::memset(FrameData(f), 0, inPage);
      frames_[f].referenced = true;
      std::memcpy(FrameData(f) + inPage, in + done, take);
      frames_[f].dirty |= DirtyBits(inPage, inPage + take);
      if (stream && inPage + take == kPageSize && pageStart >= committed_) {
        // A streamed page just completed: to the file now, and every few
        // megabytes the system is asked to start sending them to the disk.
        const int64_t end = at + static_cast<int64_t>(take);
        size_ = std::max<int64_t>(size_.load(), end);
        if (!WriteBack(f)) return false;
        Streamed(f);
        SendAhead(at, end);
      }
    } else if (!direct) {
      return Poison("file", file_->LastError());
    } else {
      touched_ = true;
      if (!file_->Write(at, in + done, take)) return Poison("file", file_->LastError());
    }
    done += take;
    size_ = std::max<int64_t>(size_.load(), at + static_cast<int64_t>(take));
  }
  return true;
}

void SharedFile::SendAhead(int64_t at, int64_t end) {
  if (sentAhead_ > at) sentAhead_ = at;
  if (end - sentAhead_ >= kSendAheadBytes) {
    file_->SendAhead(sentAhead_, end - sentAhead_);
    sentAhead_ = end;
  }
}

int64_t SharedFile::Size() { return size_.load(std::memory_order_acquire); }

size_t SharedFile::CachedPages() {
  std::lock_guard<std::mutex> lock(mu_);
  size_t n = 0;
  for (auto& fr : frames_) n += fr.used ? 1 : 0;
  return n;
}

bool SharedFile::HasDirtyFrames() const {
  for (const Frame& fr : frames_)
    if (fr.used && fr.dirty) return true;
  return false;
}

// ---------------------------------------------------------------- commits

bool SharedFile::Guarded(int64_t at, int64_t n) const {
  // A new file, or bytes past the last commit: nothing committed to keep.
  if (committed_ == 0 || at >= committed_) return true;
  if (!journal_.active() || journal_.pending()) return false;
  const int64_t end = std::min(at + n, committed_);
  for (int64_t p = at / kJournalPageSize; p * kJournalPageSize < end; ++p)
    if (!journal_.Saved(p)) return false;
  return true;
}

bool SharedFile::Guard(int64_t at, int64_t n) {
  if (committed_ == 0) return true;
  if (!journal_.active() && !journal_.Begin(committed_)) return Poison("journal", journal_.LastError());
  const int64_t end = std::min(at + n, committed_);
  for (int64_t p = at / kJournalPageSize; p * kJournalPageSize < end; ++p)
    if (!journal_.Save(file_.get(), p)) return Poison("journal", journal_.LastError());
  if (!journal_.Sync()) return Poison("journal", journal_.LastError());
  return true;
}

bool SharedFile::FrameNeedsGuard(int32_t f) const {
  const Frame& fr = frames_[f];
  if (!fr.dirty || committed_ == 0) return false;
  if (!journal_.active() || journal_.pending()) return true;
  const int64_t base = int64_t{fr.page} * kPageSize;
  for (size_t i = 0; i < kSubPages; ++i) {
    const int64_t at = base + static_cast<int64_t>(i * kJournalPageSize);
    if ((fr.dirty >> i & 1) && at < committed_ && !journal_.Saved(at / kJournalPageSize)) return true;
  }
  return false;
}

bool SharedFile::SaveFrame(int32_t f) {
  const Frame& fr = frames_[f];
  const int64_t base = int64_t{fr.page} * kPageSize;
  for (size_t i = 0; i < kSubPages; ++i) {
    const int64_t at = base + static_cast<int64_t>(i * kJournalPageSize);
    if ((fr.dirty >> i & 1) && at < committed_ && !journal_.Save(file_.get(), at / kJournalPageSize))
      return Poison("journal", journal_.LastError());
  }
  return true;
}

bool SharedFile::GuardBatch(int32_t victim) {
  if (!journal_.active() && !journal_.Begin(committed_)) return Poison("journal", journal_.LastError());
  if (!SaveFrame(victim)) return false;
  int saved = 1;
  for (size_t step = 0; step < frames_.size() && saved < kGuardBatch; ++step) {
    const int32_t f = static_cast<int32_t>((hand_ + step) % frames_.size());
    if (f == victim || !frames_[f].used || !FrameNeedsGuard(f)) continue;
    if (!SaveFrame(f)) return false;
    ++saved;
  }
  if (!journal_.Sync()) return Poison("journal", journal_.LastError());
  return true;
}

bool SharedFile::Commit(std::string* why) {
  std::lock_guard<std::mutex> lock(mu_);
  if (broken_) {
    *why = failure_;
    return false;
  }
  std::vector<int32_t> dirty;
  for (size_t f = 0; f < frames_.size(); ++f)
    if (frames_[f].used && frames_[f].dirty) dirty.push_back(static_cast<int32_t>(f));
  if (!poisoned_ && dirty.empty() && !touched_ && !journal_.active()) return true;
  std::sort(dirty.begin(), dirty.end(),
            [this](int32_t a, int32_t b) { return frames_[a].page < frames_[b].page; });
  bool ok = !poisoned_;
  // 1. Every byte of the last commit that is about to be overwritten is in
  //    the journal, and the journal is durable.
  if (ok && committed_ > 0) {
    if (!journal_.active() && !journal_.Begin(committed_)) ok = Poison("journal", journal_.LastError());
    for (size_t i = 0; ok && i < dirty.size(); ++i) ok = SaveFrame(dirty[i]);
    if (ok && !journal_.Sync()) ok = Poison("journal", journal_.LastError());
  }
  // 2. The pages are written and the file is durable.
  for (size_t i = 0; ok && i < dirty.size(); ++i) ok = WriteBack(dirty[i]);
  if (ok && !file_->Sync()) ok = Poison("file", file_->LastError());
  if (ok && created_) {
    if (fs_->SyncFolderOf(path_.c_str())) created_ = false;
    else ok = Poison("the folder", errno);
  }
  // 3. Ending the journal is the commit.
  if (ok && journal_.active() && !journal_.End()) ok = Poison("journal", journal_.LastError());
  if (!ok) {
    std::string text = failure_;
    RollbackLocked();
    *why = broken_ ? failure_ : text;
    return false;
  }
  committed_ = size_;
  touched_ = false;
  return true;
}

bool SharedFile::RollbackLocked() {
  changes_.fetch_add(1, std::memory_order_relaxed);
  for (Frame& fr : frames_) fr = Frame();
  std::fill(slots_.begin(), slots_.end(), -1);
  hand_ = 0;
  streamed_.clear();
  bool ok = true;
  int code = 0;
  if (journal_.active()) {
    ok = journal_.Restore(file_.get());
    code = journal_.LastError();
  } else if (touched_) {
    ok = file_->Truncate(committed_) && file_->Sync();
    code = file_->LastError();
  }
  if (!ok) {
    broken_ = true;
    failure_ = "can't restore the last commit (" + FailureText(code) +
               "); it is restored from the journal when the file is next opened";
    return false;
  }
  size_ = committed_;
  touched_ = poisoned_ = false;
  return true;
}

bool SharedFile::Rollback(std::string* why) {
  std::lock_guard<std::mutex> lock(mu_);
  if (RollbackLocked()) return true;
  *why = failure_;
  return false;
}

std::string SharedFile::LastFailure() {
  std::lock_guard<std::mutex> lock(mu_);
  return failure_;
}

int64_t SharedFile::CommittedSize() {
  std::lock_guard<std::mutex> lock(mu_);
  return committed_;
}

}  // namespace orvex
