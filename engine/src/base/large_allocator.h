// An allocator for the large arrays of a bulk load or a compaction (key
// values, sort items, staged records). A request of 512 KB or more is
// rounded up to whole 2 MB, aligned to 2 MB and offered to the system as
// large pages, so that first touching it costs one fault per 2 MB rather
// than one per 4 KB page; on a virtual machine those faults cost more than
// filling the memory. Smaller requests come from operator new.
#ifndef ORVEX_BASE_LARGE_ALLOCATOR_H_
#define ORVEX_BASE_LARGE_ALLOCATOR_H_

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

namespace orvex {

constexpr size_t kLargePageBytes = size_t{2} << 20;
constexpr size_t kLargeRequestBytes = size_t{512} << 10;

template <typename T>
struct LargeAllocator {
  using value_type = T;

  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) {}

  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes < kLargeRequestBytes) return static_cast<T*>(::operator new(bytes));
    const size_t whole = (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
    void* p = nullptr;
    if (posix_memalign(&p, kLargePageBytes, whole) != 0) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, whole, MADV_HUGEPAGE);  // a hint: failure changes nothing
#endif
    return static_cast<T*>(p);
  }

  void deallocate(T* p, size_t n) {
    if (n * sizeof(T) < kLargeRequestBytes)
      ::operator delete(p);
    else
      std::free(p);
  }

  template <typename U>
  bool operator==(const LargeAllocator<U>&) const {
    return true;
  }
};

template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace orvex

#endif  // ORVEX_BASE_LARGE_ALLOCATOR_H_
