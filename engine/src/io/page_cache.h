// Shared, cached access to a database file.
//
// Every table object of the process that opens one file (same device and
// inode) reaches it through one SharedFile, so the objects see each other's
// writes exactly as they would without a cache. A SharedFile keeps a bounded
// write-back cache of fixed-size pages: reads are served from memory when
// they can be, writes land in the cache and reach the file when a page is
// evicted or when Flush writes every dirty page back. After Flush the bytes
// of the file are exactly the bytes written through it.
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
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "io/file.h"

namespace orvex {

constexpr size_t kPageSize = 32768;
// Cache size per open file; memory grows with the file up to this bound.
constexpr size_t kDefaultCacheBytes = size_t{128} << 20;

class SharedFile {
 public:
  SharedFile(std::unique_ptr<File> file, size_t cacheBytes);
  ~SharedFile();
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  // Reads up to n bytes at offset; returns the count (short past the end),
  // -1 on failure.
  int64_t Read(int64_t offset, void* buf, size_t n);
  // Writes n bytes at offset; the file grows to cover them.
  bool Write(int64_t offset, const void* buf, size_t n);
  // The file's size including writes not yet on disk.
  int64_t Size();
  // Writes every dirty page back.
  bool Flush();
  // The file was truncated to zero by a new opener: forget every page.
  void Truncated();
  // Gives the shared file a writable handle when it has only a read one.
  void OfferWritable(std::unique_ptr<File>* file);
  FileIdentity Identity() const { return identity_; }

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
  int64_t ReadLocked(int64_t offset, void* buf, size_t n);
  struct Frame {
    uint32_t page = 0;
    bool used = false;
    bool dirty = false;
    bool referenced = false;
  };
  uint8_t* FrameData(int32_t f) { return slabs_[f / kSlabFrames].get() + (f % kSlabFrames) * kPageSize; }
  int32_t Find(uint32_t page) const;
  void HashInsert(uint32_t page, int32_t frame);
  void HashErase(uint32_t page);
  // Returns the frame that holds the page, loading it when asked (a page
  // about to be overwritten whole need not be read). -1 on failure.
  int32_t Acquire(uint32_t page, bool load);
  int32_t FreeFrame();
  // Once the cache is full, a small read or write of a page that is not
  // cached goes straight to the file (the file holds that page's current
  // bytes), so that records and duplicate nodes do not push index nodes
  // out of the cache.
  bool Bypass(size_t n) const { return n <= kDirectMax && frames_.size() >= capacity_; }
  static constexpr size_t kDirectMax = 1024;
  bool WriteBack(int32_t f);

  static constexpr size_t kSlabFrames = 16;

  std::mutex mu_;
  std::unique_ptr<File> file_;
  FileIdentity identity_;
  size_t capacity_;  // frames
  std::atomic<int64_t> size_;  // read without the lock by Size()
  std::vector<Frame> frames_;
  std::vector<std::unique_ptr<uint8_t[]>> slabs_;
  std::vector<int32_t> slots_;
  uint32_t mask_ = 0;
  size_t hand_ = 0;
};

// One table object's handle on a shared file.
class Store {
 public:
  // Opens path with the open mode through fs and joins (or starts) the
  // process-wide shared file for it. Null on failure.
  static std::unique_ptr<Store> Open(FileSystem* fs, const char* path, int mode,
                                     size_t cacheBytes);
  ~Store();

  int64_t Read(int64_t offset, void* buf, size_t n) { return shared_->Read(offset, buf, n); }
  // Refused when this handle was opened without write access.
  bool Write(int64_t offset, const void* buf, size_t n) {
    return writable_ && shared_->Write(offset, buf, n);
  }
  int64_t Size() { return shared_->Size(); }
  bool Flush() { return shared_->Flush(); }
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
