// The index entries of one key gathered during a bulk load: each record's
// key value, as a node slot holds it, and the record's offset. Records
// arrive in file order, so offsets ascend; Sort puts the entries in key
// order, equal values in arrival order (the order in which ordinary inserts
// would chain them).
#ifndef ORVEX_TABLE_KEY_ENTRIES_H_
#define ORVEX_TABLE_KEY_ENTRIES_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/large_allocator.h"
#include "format/schema.h"

namespace orvex {

class KeyEntries {
 public:
  explicit KeyEntries(const KeyDef& def);

  // Room for n entries, so that a load of a known size does not copy them
  // as they grow.
  void Reserve(size_t n);
  // value: a key value buffer (kKeyBufferSize bytes, see key_value.h).
  void Add(const uint8_t* value, int32_t record);
  // Puts the entries in key order; nothing to do when they came in order.
  void Sort();

  size_t size() const { return records_.size(); }
  // Memory held, in bytes.
  size_t bytes() const {
    return values_.capacity() + records_.capacity() * sizeof(int32_t) + order_.capacity() * sizeof(uint32_t) +
           repeats_.capacity();
  }
  // The i-th entry in key order (after Sort), and whether its value equals
  // the one before it.
  const uint8_t* value(size_t i) const { return &values_[Slot(i) * width_]; }
  int32_t record(size_t i) const { return records_[Slot(i)]; }
  bool repeats(size_t i) const { return repeats_[i] != 0; }
  // Asks the processor for the i-th entry's value and record ahead of
  // their use: after a sort, entries in key order lie anywhere in memory.
  void Prefetch(size_t i) const {
    if (i >= records_.size()) return;
    __builtin_prefetch(&values_[Slot(i) * width_]);
    __builtin_prefetch(&records_[Slot(i)]);
  }

 private:
  size_t Slot(size_t i) const { return order_.empty() ? i : order_[i]; }
  // Whether the i-th and j-th entries in key order hold the same bytes.
  bool SameBytes(size_t i, size_t j) const { return std::memcmp(value(i), value(j), width_) == 0; }

  const KeyDef* def_;
  size_t width_;  // slot width of the key's nodes
  LargeVector<uint8_t> values_;
  LargeVector<int32_t> records_;
  LargeVector<uint32_t> order_;  // empty while the arrival order is key order
  LargeVector<uint8_t> repeats_;  // per entry in key order: 1 when equal to the one before
  bool inOrder_ = true;
};

}  // namespace orvex

#endif  // ORVEX_TABLE_KEY_ENTRIES_H_
