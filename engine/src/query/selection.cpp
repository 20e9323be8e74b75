// Set operations on selections. Inputs from walks are ascending already;
// the merge runs in one pass over both, never touching the table.
#include "query/selection.h"

#include <algorithm>

namespace orvex::query {

void SortAscending(Offsets* list) {
  if (std::is_sorted(list->begin(), list->end())) return;
  if (std::is_sorted(list->rbegin(), list->rend())) {
    std::reverse(list->begin(), list->end());
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
