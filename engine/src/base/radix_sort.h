// A stable sort of items by an unsigned integer key, a byte at a time from
// the lowest (least significant digit first). Bulk loads and compaction sort
// hundreds of thousands of entries by 32- or 64-bit images; this takes a
// pass per byte in which the keys differ, where a comparison sort takes
// log2(n) passes of branchy comparisons.
#ifndef ORVEX_BASE_RADIX_SORT_H_
#define ORVEX_BASE_RADIX_SORT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace orvex {

// Sorts items[0..n) by key(item), an unsigned integer of KeyBytes bytes;
// items with equal keys keep their order. scratch: room for n items, whose
// contents are lost.
template <size_t KeyBytes, typename Item, typename Key>
void RadixSort(Item* items, Item* scratch, size_t n, Key key) {
  if (n < 2) return;
  // Every byte's counts, taken in one pass; a byte all keys share needs no
  // pass of its own.
  std::array<std::array<size_t, 256>, KeyBytes> counts{};
  for (size_t i = 0; i < n; ++i) {
    const auto k = key(items[i]);
    for (size_t b = 0; b < KeyBytes; ++b) ++counts[b][(k >> (8 * b)) & 0xFF];
  }
  Item* from = items;
  Item* to = scratch;
  for (size_t b = 0; b < KeyBytes; ++b) {
    std::array<size_t, 256>& c = counts[b];
    if (c[(key(from[0]) >> (8 * b)) & 0xFF] == n) continue;
    size_t at = 0;
    for (size_t& count : c) {
      const size_t here = count;
      count = at;
      at += here;
    }
    for (size_t i = 0; i < n; ++i) to[c[(key(from[i]) >> (8 * b)) & 0xFF]++] = from[i];
    std::swap(from, to);
  }
  if (from != items) std::memcpy(static_cast<void*>(items), from, n * sizeof(Item));
}

// The same for a vector, with scratch of the vector's own type.
template <size_t KeyBytes, typename Vector, typename Key>
void RadixSort(Vector* items, Key key) {
  Vector scratch(items->size());
  RadixSort<KeyBytes>(items->data(), scratch.data(), items->size(), key);
}

}  // namespace orvex

#endif  // ORVEX_BASE_RADIX_SORT_H_
