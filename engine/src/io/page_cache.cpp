// Shared files and their page cache (see page_cache.h).
#include "io/page_cache.h"

#include <algorithm>
#include <cstring>

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

inline uint32_t HashPage(uint32_t page) { return page * 2654435761u; }

}  // namespace

SharedFile::SharedFile(std::unique_ptr<File> file, size_t cacheBytes)
    : file_(std::move(file)), capacity_(cacheBytes / kPageSize) {
  identity_ = file_->Identity();
  int64_t s = file_->Size();
  size_ = s < 0 ? 0 : s;
  if (capacity_ > 0) {
    size_t slots = 16;
    while (slots < capacity_ * 2) slots <<= 1;
    slots_.assign(slots, -1);
    mask_ = static_cast<uint32_t>(slots - 1);
    frames_.reserve(capacity_);
  }
}

SharedFile::~SharedFile() { Flush(); }

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

bool SharedFile::WriteBack(int32_t f) {
  Frame& fr = frames_[f];
  if (!fr.dirty) return true;
  int64_t start = int64_t{fr.page} * kPageSize;
  int64_t len = std::min<int64_t>(kPageSize, size_.load() - start);
  if (len > 0 && !file_->Write(start, FrameData(f), static_cast<size_t>(len))) return false;
  fr.dirty = false;
  return true;
}

int32_t SharedFile::FreeFrame() {
  if (frames_.size() < capacity_) {
    int32_t f = static_cast<int32_t>(frames_.size());
    if (f % kSlabFrames == 0) slabs_.push_back(std::make_unique<uint8_t[]>(kSlabFrames * kPageSize));
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
    if (!WriteBack(static_cast<int32_t>(f))) return -1;
    HashErase(fr.page);
    fr.used = false;
    return static_cast<int32_t>(f);
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
  } else {
    std::memset(data, 0, kPageSize);
  }
  Frame& fr = frames_[f];
  fr.page = page;
  fr.used = true;
  fr.dirty = false;
  fr.referenced = true;
  HashInsert(page, f);
  return f;
}

int64_t SharedFile::Read(int64_t offset, void* buf, size_t n) {
  std::lock_guard<std::mutex> lock(mu_);
  return ReadLocked(offset, buf, n);
}

const uint8_t* SharedFile::Reader::Get(int64_t offset, size_t n, uint8_t* scratch) {
  SharedFile* f = f_;
  if (offset < 0 || offset + static_cast<int64_t>(n) > f->size_.load()) return nullptr;
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
  if (f->capacity_ == 0 || offset < 0 || offset + static_cast<int64_t>(n) > f->size_.load())
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
  if (f->capacity_ == 0 || !f->file_->Writable() || offset < 0 ||
      offset + static_cast<int64_t>(n) > f->size_.load())
    return nullptr;
  size_t in = static_cast<size_t>(offset % kPageSize);
  if (in + n > kPageSize) return nullptr;
  int32_t fr = f->Acquire(static_cast<uint32_t>(offset / kPageSize), true);
  if (fr < 0) return nullptr;
  f->frames_[fr].dirty = true;
  return f->FrameData(fr) + in;
}

int64_t SharedFile::ReadLocked(int64_t offset, void* buf, size_t n) {
  if (offset < 0) return -1;
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
    int32_t f = direct ? Find(page) : Acquire(page, true);
    if (f >= 0) {
      frames_[f].referenced = true;
      std::memcpy(out + done, FrameData(f) + in, take);
    } else if (!direct || file_->Read(at, out + done, take) != static_cast<int64_t>(take)) {
      return -1;
    }
    done += take;
  }
  return static_cast<int64_t>(n);
}

bool SharedFile::Write(int64_t offset, const void* buf, size_t n) {
  std::lock_guard<std::mutex> lock(mu_);
  if (offset < 0) return false;
  if (capacity_ == 0) {
    if (!file_->Write(offset, buf, n)) return false;
    size_ = std::max<int64_t>(size_.load(), offset + static_cast<int64_t>(n));
    return true;
  }
  auto* in = static_cast<const uint8_t*>(buf);
  const bool direct = Bypass(n);
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
    int32_t f = direct ? Find(page) : Acquire(page, !covers);
    if (f >= 0) {
      frames_[f].referenced = true;
      std::memcpy(FrameData(f) + inPage, in + done, take);
      frames_[f].dirty = true;
    } else if (!direct || !file_->Write(at, in + done, take)) {
      return false;
    }
    done += take;
    size_ = std::max<int64_t>(size_.load(), at + static_cast<int64_t>(take));
  }
  return true;
}

int64_t SharedFile::Size() { return size_.load(std::memory_order_acquire); }

bool SharedFile::Flush() {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<int32_t> dirty;
  for (size_t f = 0; f < frames_.size(); ++f)
    if (frames_[f].used && frames_[f].dirty) dirty.push_back(static_cast<int32_t>(f));
  std::sort(dirty.begin(), dirty.end(),
            [this](int32_t a, int32_t b) { return frames_[a].page < frames_[b].page; });
  bool ok = true;
  for (int32_t f : dirty) ok = WriteBack(f) && ok;
  return ok;
}

void SharedFile::Truncated() {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& fr : frames_) fr = Frame{};
  std::fill(slots_.begin(), slots_.end(), -1);
  int64_t s = file_->Size();
  size_ = s < 0 ? 0 : s;
}

void SharedFile::OfferWritable(std::unique_ptr<File>* file) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!file_->Writable() && (*file)->Writable()) std::swap(file_, *file);
}

size_t SharedFile::CachedPages() {
  std::lock_guard<std::mutex> lock(mu_);
  size_t n = 0;
  for (auto& fr : frames_) n += fr.used ? 1 : 0;
  return n;
}

std::unique_ptr<Store> Store::Open(FileSystem* fs, const char* path, int mode,
                                   size_t cacheBytes) {
  std::unique_ptr<File> file = fs->Open(path, mode);
  if (!file) return nullptr;
  bool truncated = (mode & kModeCreate) && !(mode & kModeNoTruncate);
  bool writable = file->Writable();
  FileIdentity id = file->Identity();
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mu);
  if (id.valid) {
    for (auto& w : reg.files) {
      std::shared_ptr<SharedFile> sp = w.lock();
      if (sp && sp->Identity() == id) {
        if (truncated) sp->Truncated();
        sp->OfferWritable(&file);
        return std::unique_ptr<Store>(new Store(std::move(sp), writable));
      }
    }
  }
  auto sp = std::make_shared<SharedFile>(std::move(file), cacheBytes);
  if (id.valid) {
    reg.files.erase(std::remove_if(reg.files.begin(), reg.files.end(),
                                   [](const std::weak_ptr<SharedFile>& w) { return w.expired(); }),
                    reg.files.end());
    reg.files.push_back(sp);
  }
  return std::unique_ptr<Store>(new Store(std::move(sp), writable));
}

Store::~Store() {
  // The last handle writes the cache back and closes the file while the
  // registry is locked, so that a new opener never reads a stale file.
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mu);
  shared_.reset();
}

}  // namespace orvex
