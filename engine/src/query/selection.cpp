// Set operations on selections. Inputs from walks are ascending already;
// the merge runs in one pass over both, never touching the table.
#include "query/selection.h"

#include <algorithm>

namespace orvex::query {

namespace {

// Two counting passes on 16-bit digits, the sign bit flipped so that the
// order is the signed one: a large list, such as every record of a scan,
// sorts in linear time.
void RadixSort(Offsets* list) {
  auto digit = [](int32_t v, int shift) { return ((static_cast<uint32_t>(v) ^ 0x80000000u) >> shift) & 0xffffu; };
  Offsets other(list->size());
  std::vector<uint32_t> count(65536);
  Offsets* from = list;
  Offsets* to = &other;
  for (int shift : {0, 16}) {
    std::fill(count.begin(), count.end(), 0u);
    for (int32_t v : *from) ++count[digit(v, shift)];
    uint32_t sum = 0;
    for (uint32_t& c : count) {
      const uint32_t here = c;
      c = sum;
      sum += here;
    }
    for (int32_t v : *from) (*to)[count[digit(v, shift)]++] = v;
    std::swap(from, to);
  }
  // After an even number of passes the list holds the result.
}

}  // namespace

void SortAscending(Offsets* list) {
  if (std::is_sorted(list->begin(), list->end())) return;
  if (std::is_sorted(list->rbegin(), list->rend())) {
    std::reverse(list->begin(), list->end());
    return;
  }
  if (list->size() >= 65536) {
    RadixSort(list);
    return;
  }
  std::sort(list->begin(), list->end());
}

namespace {

// The list itself when ascending, else a sorted copy in *copy.
const Offsets& Ascending(const Offsets& list, Offsets* copy) {
  if (std::is_sorted(list.begin(), list.end())) return list;
  *copy = list;
  std::sort(copy->begin(), copy->end());
  return *copy;
}

}  // namespace

Offsets UnionOf(const Offsets& a, const Offsets& b) {
  Offsets ca;
  Offsets cb;
  const Offsets& x = Ascending(a, &ca);
  const Offsets& y = Ascending(b, &cb);
  if (x.empty()) return y;
  if (y.empty()) return x;
  Offsets out;
  out.reserve(x.size() + y.size());
  std::set_union(x.begin(), x.end(), y.begin(), y.end(), std::back_inserter(out));
  return out;
}

Offsets IntersectionOf(const Offsets& a, const Offsets& b) {
  if (a.empty() || b.empty()) return {};
  Offsets ca;
  Offsets cb;
  const Offsets& x = Ascending(a, &ca);
  const Offsets& y = Ascending(b, &cb);
  Offsets out;
  out.reserve(std::min(x.size(), y.size()));
  // A small list against a large one: binary searches whose lower bound
  // moves forward with each hit; lists of like size: one merge.
  const Offsets& small = x.size() <= y.size() ? x : y;
  const Offsets& large = x.size() <= y.size() ? y : x;
  if (small.size() * 16 < large.size()) {
    auto from = large.begin();
    for (int32_t v : small) {
      from = std::lower_bound(from, large.end(), v);
      if (from == large.end()) break;
      if (*from == v) out.push_back(v);
    }
    return out;
  }
  std::set_intersection(x.begin(), x.end(), y.begin(), y.end(), std::back_inserter(out));
  return out;
}

}  // namespace orvex::query
