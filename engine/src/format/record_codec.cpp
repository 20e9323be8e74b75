#include "format/record_codec.h"

#include <cstring>

#include "base/endian.h"

namespace orvex {
namespace {

int TextLength(const uint8_t* field, int size) {
  const void* nul = std::memchr(field, 0, static_cast<size_t>(size));
  return nul ? static_cast<int>(static_cast<const uint8_t*>(nul) - field) : size;
}

}  // namespace

int TrimmedSize(const Schema& s, const uint8_t* fixed) {
  int n = 2;
  for (int i = 0; i < s.fields; ++i) {
    if (s.type[i] == kTypeText)
      n += 2 + TextLength(fixed + s.offset[i], s.size[i]);
    else
      n += s.size[i];
  }
  return n;
}

int TrimRecord(const Schema& s, const uint8_t* fixed, uint8_t* out) {
  int at = 2;
  for (int i = 0; i < s.fields; ++i) {
    const uint8_t* f = fixed + s.offset[i];
    if (s.type[i] == kTypeText) {
      int n = TextLength(f, s.size[i]);
      Store16(out + at, static_cast<int16_t>(n));
      std::memcpy(out + at + 2, f, static_cast<size_t>(n));
      at += 2 + n;
    } else {
      std::memcpy(out + at, f, static_cast<size_t>(s.size[i]));
      at += s.size[i];
    }
  }
  Store16(out, static_cast<int16_t>(at));
  return at;
}

bool RestoreRecord(const Schema& s, const uint8_t* block, int blockLen, uint8_t* fixed) {
  std::memset(fixed, 0, static_cast<size_t>(s.recordLength));
  int at = 2;
  for (int i = 0; i < s.fields; ++i) {
    uint8_t* f = fixed + s.offset[i];
    if (s.type[i] == kTypeText) {
      if (at + 2 > blockLen) return false;
      int n = Load16(block + at);
      if (n < 0 || n > s.size[i] || at + 2 + n > blockLen) return false;
      std::memcpy(f, block + at + 2, static_cast<size_t>(n));
      at += 2 + n;
    } else {
      if (at + s.size[i] > blockLen) return false;
      std::memcpy(f, block + at, static_cast<size_t>(s.size[i]));
      at += s.size[i];
    }
  }
  return true;
}

int MaxTrimmedSize(const Schema& s) { return s.recordLength + 2 + 2 * s.textFields; }

}  // namespace orvex
