#include "keys/key_value.h"

#include <cassert>
#include <cmath>
#include <cstring>

namespace orvex {
namespace {

template <typename T>
int Cmp(const uint8_t* a, const uint8_t* b) {
  T x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  if (x < y) return -1;
  if (y < x) return 1;
  return 0;  // equal, or unordered (NaN)
}

inline uint8_t Fold(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

int ComparePart(const KeyPart& p, const uint8_t* a, const uint8_t* b) {
  switch (p.type) {
    case kTypeShort: return Cmp<int16_t>(a, b);
    case kTypeInt:
    case kTypeAutoInc: return Cmp<int32_t>(a, b);
    case kTypeFloat: return Cmp<float>(a, b);
    case kTypeDouble: return Cmp<double>(a, b);
    case kTypeBool: return Cmp<uint8_t>(a, b);
    case kTypeText: return CompareText(a, b, p.length, p.mode);
    default: return 0;  // a chunk part adds nothing
  }
}

}  // namespace

int CompareText(const uint8_t* a, const uint8_t* b, int n, int mode) {
  int i = 0;
  if (mode != 2) {
    // Eight bytes at a time past a common prefix without a NUL; the byte
    // loop below decides within the first eight that differ or hold one.
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
      uint64_t x, y;
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      if (x != y || ((x - kOnes) & ~x & kHighs) != 0) break;
    }
  }
  for (; i < n; ++i) {
    uint8_t x = a[i], y = b[i];
    if (mode == 2) {
      x = Fold(x);
      y = Fold(y);
    }
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

int CompareKeys(const KeyDef& d, const uint8_t* a, const uint8_t* b) {
  switch (d.kind) {
    case kNodeInt: return Cmp<int32_t>(a, b);
    case kNodeShort: return Cmp<int16_t>(a, b);
    case kNodeBool: return Cmp<uint8_t>(a, b);
    case kNodeFloat: return Cmp<float>(a, b);
    case kNodeDouble: return Cmp<double>(a, b);
    case kNodeChar:
      if (!d.multi) return CompareText(a, b, d.length + 1, d.part[0].mode);
      for (int p = 0; p < d.parts; ++p) {
        const KeyPart& kp = d.part[p];
        int c = ComparePart(kp, a + kp.valueAt, b + kp.valueAt);
        if (c != 0) return c;
      }
      return 0;
  }
  return 0;
}

bool HoldsNan(const KeyDef& d, const uint8_t* value) {
  for (int p = 0; p < d.parts; ++p) {
    const KeyPart& kp = d.part[p];
    const uint8_t* v = value + kp.valueAt;
    if (kp.type == kTypeFloat) {
      float x;
      std::memcpy(&x, v, sizeof x);
      if (std::isnan(x)) return true;
    } else if (kp.type == kTypeDouble) {
      double x;
      std::memcpy(&x, v, sizeof x);
      if (std::isnan(x)) return true;
    }
  }
  return false;
}

namespace {

// Copies one part of a record into the value at out.
void FormPart(const KeyPart& p, const uint8_t* record, uint8_t* out) {
  const uint8_t* field = record + p.offset;
  if (p.type == kTypeText) {
    // The slice stays inside its field; what lies beyond stays zero.
    int avail = p.fieldSize - p.start;
    int n = p.length < avail ? p.length : avail;
    if (n > 0) std::memcpy(out, field + p.start, static_cast<size_t>(n));
  } else if (p.type != kTypeChunk) {
    std::memcpy(out, field, static_cast<size_t>(p.length));
  }
}

}  // namespace

void FormKey(const KeyDef& d, const uint8_t* record, uint8_t* out) {
  // The header was validated: a key value fits its buffer with its NUL.
  assert(d.length >= 1 && d.length <= kMaxKeyLength);
  std::memset(out, 0, kKeyBufferSize);
  for (int p = 0; p < d.parts; ++p) FormPart(d.part[p], record, out + d.part[p].valueAt);
}

void FormSeekValue(const KeyDef& d, const void* value, uint8_t* out, bool* tooLong) {
  std::memset(out, 0, kKeyBufferSize);
  *tooLong = false;
  const auto* v = static_cast<const uint8_t*>(value);
  if (d.kind != kNodeChar) {
    std::memcpy(out, v, static_cast<size_t>(d.slotWidth));
  } else if (d.multi) {
    std::memcpy(out, v, static_cast<size_t>(d.length));
  } else {
    int n = 0;
    while (n < d.length && v[n] != 0) {
      out[n] = v[n];
      ++n;
    }
    *tooLong = n == d.length && v[n] != 0;
  }
}

}  // namespace orvex
