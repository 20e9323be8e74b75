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
#include <vector>

namespace orvex {

// Sorts items by key(item), an unsigned integer of KeyBytes bytes; items
// with equal keys keep their order. Takes as much memory again as items
// (a vector of the same type).
template <size_t KeyBytes, typename Vector, typename Key>
void RadixSort(Vector* items, Key key) {
  using Item = typename Vector::value_type;
  const size_t n = items->size();
  if (n < 2) return;
  // Every byte's counts, taken in one pass; a byte all keys share needs no
  // pass of its own.
  std::vector<std::array<size_t, 256>> counts(KeyBytes);
  for (auto& c : counts) c.fill(0);
  for (const Item& item : *items) {
    const auto k = key(item);
    for (size_t b = 0; b < KeyBytes; ++b) ++counts[b][(k >> (8 * b)) & 0xFF];
  }
  Vector other(n);
  Vector* from = items;
  Vector* to = &other;
  for (size_t b = 0; b < KeyBytes; ++b) {
    std::array<size_t, 256>& c = counts[b];
    if (c[(key((*from)[0]) >> (8 * b)) & 0xFF] == n) continue;
    size_t at = 0;
    for (size_t& count : c) {
      const size_t here = count;
      count = at;
      at += here;
    }
    for (const Item& item : *from) (*to)[c[(key(item) >> (8 * b)) & 0xFF]++] = item;
    std::swap(from, to);
  }
  if (from != items) items->swap(other);
}

}  // namespace orvex

#endif  // ORVEX_BASE_RADIX_SORT_H_
