#include "table/key_entries.h"

#include <algorithm>
#include <cstring>

#include "base/radix_sort.h"
#include "keys/key_value.h"

namespace orvex {

KeyEntries::KeyEntries(const KeyDef& def) : def_(&def), width_(static_cast<size_t>(def.slotWidth)) {}

void KeyEntries::Add(const uint8_t* value, int32_t record) {
  const size_t at = values_.size();
  values_.insert(values_.end(), value, value + width_);
  uint8_t* slot = &values_[at];
  // A text slot ends with its NUL, as Node::setKey writes it.
  if (def_->kind == kNodeChar) slot[width_ - 1] = 0;
  const int c = inOrder_ && at > 0 ? CompareKeys(*def_, slot - width_, slot) : -1;
  if (c > 0) {
    inOrder_ = false;
    repeats_.clear();  // worked out again by Sort
  }
  if (inOrder_) repeats_.push_back(c == 0);
  records_.push_back(record);
}

void KeyEntries::Reserve(size_t n) {
  values_.reserve(n * width_);
  records_.reserve(n);
  repeats_.reserve(n);
}

namespace {

// Order-preserving 64-bit images of values: a smaller image means a smaller
// value under the key's comparison (equal images decide nothing).
inline uint64_t SignedImage(int64_t v, int bits) {
  return (static_cast<uint64_t>(v) + (uint64_t{1} << (bits - 1))) << (64 - bits);
}

inline uint64_t DoubleImage(double v) {
  if (v == 0) v = 0;  // -0.0 and 0.0 compare equal: one image
  uint64_t b;
  std::memcpy(&b, &v, 8);
  return (b >> 63) ? ~b : b | (uint64_t{1} << 63);
}

inline uint8_t Folded(uint8_t c, int mode) {
  return mode == 2 && c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c;
}

// The 8 bytes of a text from `from` on, big-endian, folded by mode; the
// bytes at and after its first NUL (or its end) count as zero.
uint64_t TextImage(const uint8_t* text, int length, int from, int mode) {
  uint64_t image = 0;
  bool ended = false;
  for (int i = 0; i < from && !ended; ++i) ended = text[i] == 0;
  for (int i = from; i < from + 8; ++i) {
    const uint8_t c = ended || i >= length ? 0 : Folded(text[i], mode);
    ended = ended || c == 0;
    image = image << 8 | c;
  }
  return image;
}

// The image of a key part alone.
uint64_t PartImage(const KeyPart& p, const uint8_t* v, int textFrom) {
  switch (p.type) {
    case kTypeShort: {
      int16_t x;
      std::memcpy(&x, v, 2);
      return SignedImage(x, 16);
    }
    case kTypeInt:
    case kTypeAutoInc: {
      int32_t x;
      std::memcpy(&x, v, 4);
      return SignedImage(x, 32);
    }
    case kTypeFloat: {
      float x;
      std::memcpy(&x, v, 4);
      return DoubleImage(x);
    }
    case kTypeDouble: {
      double x;
      std::memcpy(&x, v, 8);
      return DoubleImage(x);
    }
    case kTypeBool: return uint64_t{v[0]} << 56;
    case kTypeText: return TextImage(v, p.length, textFrom, p.mode);
    default: return 0;
  }
}

}  // namespace

void KeyEntries::Sort() {
  if (inOrder_ || !order_.empty()) return;
  const size_t n = records_.size();
  const KeyPart& first = def_->part[0];
  // Every text shares its first bytes with the others (a common prefix):
  // the image is taken from the bytes after them, where they differ.
  int textFrom = 0;
  bool exact = !def_->multi && first.type != kTypeText;
  if (!def_->multi && first.type == kTypeText) {
    textFrom = first.length;
    const uint8_t* a = &values_[0];
    for (size_t i = 1; i < n && textFrom > 0; ++i) {
      const uint8_t* b = &values_[i * width_];
      int same = 0;
      while (same < textFrom && Folded(a[same], first.mode) == Folded(b[same], first.mode)) ++same;
      textFrom = same;
    }
    exact = textFrom + 8 >= first.length;
  }
  // Sorted by image, equal images in arrival order; then each run of equal
  // images, unless the image holds all of the value, by the whole
  // comparison (stable: equal values stay in arrival order).
  // 12 bytes an item: the image in two halves, and the entry.
  struct Item {
    uint32_t low;
    uint32_t high;
    uint32_t slot;
    uint64_t image() const { return uint64_t{high} << 32 | low; }
  };
  LargeVector<Item> items(n);
  for (size_t i = 0; i < n; ++i) {
    const uint64_t image = PartImage(first, &values_[i * width_] + first.valueAt, textFrom);
    items[i] = {static_cast<uint32_t>(image), static_cast<uint32_t>(image >> 32), static_cast<uint32_t>(i)};
  }
  RadixSort<8>(&items, [](const Item& item) { return item.image(); });
  order_.resize(n);
  for (size_t i = 0; i < n; ++i) order_[i] = items[i].slot;
  repeats_.assign(n, 0);
  constexpr size_t kAhead = 16;
  for (size_t from = 0, to; from < n; from = to) {
    for (to = from + 1; to < n && items[to].image() == items[from].image();) ++to;
    if (exact) {
      for (size_t i = from + 1; i < to; ++i) repeats_[i] = 1;
      continue;
    }
    // Commonly the run is one value repeated (the same bytes, which the
    // comparison always finds equal), or already in order.
    bool ordered = true;
    for (size_t i = from; i < to; ++i) Prefetch(i + kAhead);
    for (size_t i = from + 1; i < to && ordered; ++i) {
      const int c = SameBytes(i - 1, i) ? 0 : CompareKeys(*def_, value(i - 1), value(i));
      ordered = c <= 0;
      repeats_[i] = c == 0;
    }
    if (ordered) continue;
    std::stable_sort(order_.begin() + static_cast<std::ptrdiff_t>(from), order_.begin() + static_cast<std::ptrdiff_t>(to),
                     [this](uint32_t a, uint32_t b) {
                       return CompareKeys(*def_, &values_[a * width_], &values_[b * width_]) < 0;
                     });
    for (size_t i = from + 1; i < to; ++i) repeats_[i] = CompareKeys(*def_, value(i - 1), value(i)) == 0;
  }
}

}  // namespace orvex
