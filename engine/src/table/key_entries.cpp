#include "table/key_entries.h"

#include <algorithm>
#include <cstring>

#include "keys/key_value.h"

namespace orvex {

KeyEntries::KeyEntries(const KeyDef& def) : def_(&def), width_(static_cast<size_t>(def.slotWidth)) {}

void KeyEntries::Add(const uint8_t* value, int32_t record) {
  const size_t at = values_.size();
  values_.resize(at + width_);
  uint8_t* slot = &values_[at];
  std::memcpy(slot, value, width_);
  // A text slot ends with its NUL, as Node::setKey writes it.
  if (def_->kind == kNodeChar) slot[width_ - 1] = 0;
  if (inOrder_ && at > 0 && CompareKeys(*def_, slot - width_, slot) > 0) inOrder_ = false;
  records_.push_back(record);
}

void KeyEntries::Sort() {
  if (inOrder_ || !order_.empty()) return;
  order_.resize(records_.size());
  for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<uint32_t>(i);
  // Stable: entries with equal values keep their arrival order.
  std::stable_sort(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) {
    return CompareKeys(*def_, &values_[a * width_], &values_[b * width_]) < 0;
  });
}

}  // namespace orvex
