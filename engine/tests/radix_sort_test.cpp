// The radix sort of bulk loads and compaction: the order of a stable sort
// by the key, for keys whose bytes vary anywhere, agree everywhere, or
// repeat.
#include "base/radix_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "base/large_allocator.h"

namespace {

struct Item {
  uint64_t key;
  uint32_t arrival;
};

std::vector<Item> StableSorted(std::vector<Item> items) {
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
  return items;
}

bool SameOrder(const std::vector<Item>& a, const std::vector<Item>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](const Item& x, const Item& y) { return x.key == y.key && x.arrival == y.arrival; });
}

}  // namespace

TEST(RadixSort, OrdersAsAStableSortByTheKey) {
  std::mt19937_64 rng(11);
  // Keys of full width, keys of a few distinct values (long runs of equal
  // keys), keys that differ only in a middle byte, and one key repeated.
  const std::vector<std::function<uint64_t(std::mt19937_64&)>> kinds = {
      [](std::mt19937_64& r) { return static_cast<uint64_t>(r()); },
      [](std::mt19937_64& r) { return static_cast<uint64_t>(r() % 5) << 40; },
      [](std::mt19937_64& r) { return 0x1122330044556677ull | (static_cast<uint64_t>(r() % 256) << 32); },
      [](std::mt19937_64&) { return uint64_t{42}; },
  };
  for (const auto& kind : kinds) {
    for (size_t n : {size_t{0}, size_t{1}, size_t{2}, size_t{1000}, size_t{70000}}) {
      std::vector<Item> items(n);
      for (size_t i = 0; i < n; ++i) items[i] = {kind(rng), static_cast<uint32_t>(i)};
      const auto want = StableSorted(items);
      orvex::RadixSort<8>(&items, [](const Item& item) { return item.key; });
      EXPECT_TRUE(SameOrder(items, want)) << n << " items";
    }
  }
}

TEST(RadixSort, SortsByTheKeyBytesGivenAndLargeVectorsToo) {
  // Only the low 4 bytes count: items equal in them keep their order.
  std::mt19937_64 rng(12);
  orvex::LargeVector<uint64_t> values(300000);  // large enough to take large pages
  for (auto& v : values) v = rng();
  std::vector<uint64_t> want(values.begin(), values.end());
  std::stable_sort(want.begin(), want.end(),
                   [](uint64_t a, uint64_t b) { return static_cast<uint32_t>(a) < static_cast<uint32_t>(b); });
  orvex::RadixSort<4>(&values, [](uint64_t v) { return static_cast<uint32_t>(v); });
  EXPECT_TRUE(std::equal(values.begin(), values.end(), want.begin(), want.end()));
}
