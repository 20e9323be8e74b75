// Selections: lists of record offsets, ascending unless an ORDER BY has
// reordered them, and the set operations that AND and OR run on them.
#ifndef ORVEX_QUERY_SELECTION_H_
#define ORVEX_QUERY_SELECTION_H_

#include <cstdint>
#include <vector>

namespace orvex::query {

using Offsets = std::vector<int32_t>;

// Puts a list gathered by a walk in ascending order (cheap when the walk
// went in offset order or against it, as walks over records inserted in
// key order do).
void SortAscending(Offsets* list);

// Every offset of either list, ascending (a list that is not ascending is
// taken as the set of its offsets).
Offsets UnionOf(const Offsets& a, const Offsets& b);
// The offsets in both lists, ascending.
Offsets IntersectionOf(const Offsets& a, const Offsets& b);

}  // namespace orvex::query

#endif  // ORVEX_QUERY_SELECTION_H_
