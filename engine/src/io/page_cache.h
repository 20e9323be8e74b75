// Shared, cached, journaled access to a database file.
//
// Every table object of the process that opens one file (same device and
// inode) reaches it through one SharedFile, so the objects see each other's
// writes exactly as they would without a cache. A SharedFile keeps a bounded
// write-back cache of fixed-size pages: reads are served from memory when
// they can be, writes land in the cache and reach the file when a page is
// evicted or when a commit writes every dirty page back.
//
// Commits. The file on disk always holds the last commit, or can be brought
// back to it from the rollback journal beside it (format/journal.h): before
// any byte that the last commit left is overwritten, by an eviction or by
// the commit itself, the 4096-byte page holding it is saved in the journal
// and the journal is synced. A commit saves what it will overwrite, syncs
// the journal, writes the dirty pages, syncs the file and ends the journal.
// A failed write, sync or journal write rolls back: the cache is dropped,
// the journal is played back, the file is cut to its committed size, and
// the caller is told. Pages past the committed size need no saving.
//
// Locks. The process holds an advisory lock on the whole file while it has
// it open: shared for readers, exclusive for a writer (and for the sharing
// modes that keep every other process out). A request that another process
// is in the way of is retried until a busy timeout, then refused naming
// that process. Locks belong to the process, and POSIX drops them when any
// descriptor of the file is closed, so a SharedFile never closes one of its
// descriptors while it lives.
//
// A cache capacity of 0 turns caching off: every read and write goes
// straight to the file (tests use this to see each write as it happens).
//
// The registry of shared files is the only process-wide state of the
// engine; it and each SharedFile are guarded by mutexes.
#ifndef ORVEX_IO_PAGE_CACHE_H_
#define ORVEX_IO_PAGE_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "format/journal.h"
#include "io/file.h"
#include "io/journal.h"

namespace orvex {

constexpr size_t kPageSize = 32768;
// Dirty bits are kept per journal page, so that a commit saves and writes
// only the parts of a cache page that changed.
constexpr size_t kSubPages = kPageSize / kJournalPageSize;
static_assert(kSubPages == 8, "one byte of dirty bits per cache page");
// Cache size per open file; memory grows with the file up to this bound.
constexpr size_t kDefaultCacheBytes = size_t{128} << 20;
// How long an open waits for another process to let go of the file.
constexpr int kDefaultBusyTimeoutMs = 3000;

struct StoreOptions {
  size_t cacheBytes = kDefaultCacheBytes;
  int busyTimeoutMs = kDefaultBusyTimeoutMs;
};

class SharedFile {
 public:
  SharedFile(std::unique_ptr<File> file, FileSystem* fs, const char* path, size_t cacheBytes);
  // Rolls back what was not committed, removes an ended journal, closes.
  ~SharedFile();
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  // Reads up to n bytes at offset; returns the count (short past the end),
  // -1 on failure. A stream read is one of a long run read once front to
  // back: the pages it finishes with are the first frames to be reused.
  int64_t Read(int64_t offset, void* buf, size_t n, bool stream = false);
  // Writes n bytes at offset; the file grows to cover them (a gap between
  // the end of the file and offset reads as zeros). After a failed write
  // every write fails until a commit or rollback: an operation may have
  // been cut short, and only the last commit is known to be whole.
  //
  // A stream write is one of a long run of bytes written once at the end of
  // the file and not read again soon (a large value, a file being filled
  // front to back): a page it completes that lies past the last commit's
  // size needs no journal, so it goes to the file at once and its frame is
  // the first to be reused. A long stream then passes through a few frames
  // instead of filling the cache (and touching fresh memory) page by page.
  bool Write(int64_t offset, const void* buf, size_t n, bool stream = false);
  // The file's size including writes not yet on disk.
  int64_t Size();
  // Makes everything written since the last commit durable, as one step. On
  // failure (*why tells) the file and the cache are back at the last commit.
  bool Commit(std::string* why);
  // Drops everything written since the last commit, in the cache and in the
  // file. False when even that failed: the journal is left for the next
  // opener, and every call fails until the file is closed.
  bool Rollback(std::string* why);
  FileIdentity Identity() const { return identity_; }
  // Counts the writes made through any handle on the file (each Write, each
  // in-place change, a rollback): a reader that noted the count can tell
  // whether the file changed since.
  uint64_t Changes() const { return changes_.load(std::memory_order_relaxed); }
  // The process that opened it.
  long owner() const { return owner_; }
  // The file's size at the last commit.
  int64_t CommittedSize();
  // What went wrong with the last failed write, sync or rollback ("" when
  // nothing has).
  std::string LastFailure();

  // Reads without copying: holds the shared file's lock for its lifetime.
  // Get returns a pointer to n bytes at offset: into the cache when they lie
  // inside one page, else into scratch (n bytes) after copying them there.
  // A pointer stays valid until the next Get or the end of the reader. No
  // other call on the shared file may be made while a reader lives.
  class Reader {
   public:
    explicit Reader(SharedFile* f) : f_(f), lock_(f->mu_) {}
    const uint8_t* Get(int64_t offset, size_t n, uint8_t* scratch);

    // A pointer for changing n bytes in place, when they lie inside one
    // cached page (the page is marked dirty); null otherwise, and then the
    // caller reads and writes as usual.
    uint8_t* GetForWrite(int64_t offset, size_t n);

    // A pointer to n bytes at offset inside the cache, when they lie inside
    // one page and a plain Read would take them from the cache (the page is
    // cached, or is brought in as Read would bring it); null otherwise, and
    // then the caller reads as usual. Valid until the end of the reader.
    const uint8_t* Peek(int64_t offset, size_t n);

    // Asks the processor to bring n bytes at offset (at most to the end of
    // their page) into its caches, when their page is cached. Changes
    // nothing: a hint for a read that is likely to follow.
    void Prefetch(int64_t offset, size_t n);

   private:
    SharedFile* f_;
    std::lock_guard<std::mutex> lock_;
  };
  size_t CachedPages();

 private:
  friend class Store;
  struct Frame {
    uint32_t page = 0;
    bool used = false;
    uint8_t dirty = 0;  // one bit per journal page
    bool referenced = false;
  };

  // Opening, under the registry's lock. Start takes the lock (waiting up to
  // busyMs), plays back a journal left behind, and for a create cuts the
  // file to nothing. Join lets another opener of the process share the
  // file, taking a stronger lock or a writable handle when it needs one;
  // spare is a descriptor of the file that must be kept open.
  bool Start(bool writer, bool exclusive, bool create, int busyMs, std::string* why);
  bool Join(const char* path, bool writer, bool exclusive, bool create, int busyMs,
            std::unique_ptr<File> spare, std::string* why);
  bool LockWithin(LockKind kind, int busyMs, std::string* why);
  bool WritableHandle(const char* path, std::string* why);

  int64_t ReadLocked(int64_t offset, void* buf, size_t n, bool stream = false);
  // Marks a clean frame whose page a stream is done with for reuse first.
  void Streamed(int32_t f);
  uint8_t* FrameData(int32_t f) { return slabs_[f / kSlabFrames].get() + (f % kSlabFrames) * kPageSize; }
  int32_t Find(uint32_t page) const;
  void HashInsert(uint32_t page, int32_t frame);
  void HashErase(uint32_t page);
  // Returns the frame that holds the page, loading it when asked. A page
  // that is not loaded is about to be written over every byte it holds
  // below the end of the file, so neither reading nor zeroing it is needed:
  // bytes of a frame at or past the end of the file mean nothing, and a
  // write that leaves a gap past the end zeroes the gap (ZeroGap). -1 on
  // failure.
  int32_t Acquire(uint32_t page, bool load);
  // Zeroes the cached bytes of [from, to), which lie past the end of the file.
  void ZeroGap(int64_t from, int64_t to);
  // A frame to fill: a streamed page's frame first, else a new frame while
  // the cache is below its capacity, else the clock's victim.
  int32_t FreeFrame();
  // Once the cache is full, a small read or write of a page that is not
  // cached goes straight to the file (the file holds that page's current
  // bytes), so that records and duplicate nodes do not push index nodes
  // out of the cache.
  bool Bypass(size_t n) const { return n <= kDirectMax && frames_.size() >= capacity_; }
  static constexpr size_t kDirectMax = 1024;
  bool WriteBack(int32_t f);

  // Journal side. Guarded: bytes [at, at + n) of the file may be overwritten
  // now, without saving or syncing anything. Guard makes them so. A frame
  // needs guarding when a dirty part of it is not yet guarded.
  bool Guarded(int64_t at, int64_t n) const;
  bool Guard(int64_t at, int64_t n);
  bool FrameNeedsGuard(int32_t f) const;
  bool SaveFrame(int32_t f);
  // Guards the victim of an eviction together with a batch of other dirty
  // frames, so that one journal sync serves many evictions.
  bool GuardBatch(int32_t victim);
  bool RollbackLocked();
  bool Poison(const char* what, int code);
  bool HasDirtyFrames() const;

  // Frames come in slabs of 2 MB, which the system may back with one large
  // page: filling a big cache then costs a fault per slab, not per 4 KB.
  static constexpr size_t kSlabFrames = (size_t{2} << 20) / kPageSize;
  struct SlabFree {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  uint8_t* NewSlab(size_t frames);

  std::mutex mu_;
  std::unique_ptr<File> file_;
  // Descriptors of this file that may not be closed while it is locked.
  std::vector<std::unique_ptr<File>> spares_;
  FileSystem* fs_;
  std::string path_;
  FileIdentity identity_;
  size_t capacity_;  // frames
  std::atomic<int64_t> size_;  // read without the lock by Size()
  std::atomic<uint64_t> changes_{0};
  std::vector<Frame> frames_;
  std::vector<std::unique_ptr<uint8_t[], SlabFree>> slabs_;
  std::vector<int32_t> slots_;
  uint32_t mask_ = 0;
  size_t hand_ = 0;
  // Frames of streamed pages (written back at once when written), oldest
  // first: reused before any other once kStreamLag newer ones follow (half
  // the cache at most).
  std::deque<int32_t> streamed_;
  static constexpr size_t kStreamLag = 16;
  static constexpr size_t kStreamQueue = 64;
  // Streamed bytes [at, end) have reached the file: every few megabytes the
  // system is asked to start sending them to the disk.
  void SendAhead(int64_t at, int64_t end);
  int64_t sentAhead_ = 0;
  static constexpr int64_t kSendAheadBytes = int64_t{8} << 20;

  Journal journal_;
  int64_t committed_ = 0;   // the file's size at the last commit
  bool touched_ = false;    // the file was written since the last commit
  bool poisoned_ = false;   // a write failed since the last commit
  bool broken_ = false;     // a rollback failed; only closing is left
  bool created_ = false;    // the folder entry is not yet known durable
  bool started_ = false;
  bool writers_ = false;    // an opener asked for writing
  LockKind lock_ = LockKind::kNone;
  long owner_;
  std::string failure_;
};

// One table object's handle on a shared file.
class Store {
 public:
  // Opens path with the open mode through fs and joins (or starts) the
  // process-wide shared file for it. Null on failure, with *why saying what
  // was in the way (when given).
  static std::unique_ptr<Store> Open(FileSystem* fs, const char* path, int mode,
                                     const StoreOptions& options, std::string* why = nullptr);
  static std::unique_ptr<Store> Open(FileSystem* fs, const char* path, int mode, size_t cacheBytes) {
    StoreOptions o;
    o.cacheBytes = cacheBytes;
    return Open(fs, path, mode, o);
  }
  ~Store();

  int64_t Read(int64_t offset, void* buf, size_t n, bool stream = false) {
    return shared_->Read(offset, buf, n, stream);
  }
  // Refused when this handle was opened without write access.
  bool Write(int64_t offset, const void* buf, size_t n, bool stream = false) {
    return writable_ && shared_->Write(offset, buf, n, stream);
  }
  int64_t Size() { return shared_->Size(); }
  // Commits the file (see SharedFile::Commit); a handle without write
  // access has nothing to commit.
  bool Commit(std::string* why) { return !writable_ || shared_->Commit(why); }
  bool writable() const { return writable_; }
  SharedFile* shared() { return shared_.get(); }

 private:
  Store(std::shared_ptr<SharedFile> shared, bool writable)
      : shared_(std::move(shared)), writable_(writable) {}
  std::shared_ptr<SharedFile> shared_;
  bool writable_;
};

}  // namespace orvex

#endif  // ORVEX_IO_PAGE_CACHE_H_
