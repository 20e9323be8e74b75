#include "format/record_codec.h"

#include <cassert>
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
  int n = kTrimmedLengthSize;
  for (int i = 0; i < s.fields; ++i) {
    if (s.type[i] == kTypeText)
      n += kTrimmedLengthSize + TextLength(fixed + s.offset[i], s.size[i]);
    else
      n += s.size[i];
  }
  return n;
}

int TrimRecord(const Schema& s, const uint8_t* fixed, uint8_t* out) {
  int at = kTrimmedLengthSize;
  for (int i = 0; i < s.fields; ++i) {
    const uint8_t* f = fixed + s.offset[i];
    if (s.type[i] == kTypeText) {
      int n = TextLength(f, s.size[i]);
      Store16(out + at, static_cast<int16_t>(n));
      std::memcpy(out + at + kTrimmedLengthSize, f, static_cast<size_t>(n));
      at += kTrimmedLengthSize + n;
    } else {
      std::memcpy(out + at, f, static_cast<size_t>(s.size[i]));
      at += s.size[i];
    }
  }
  // The block buffer is sized for the longest block of the schema.
  assert(at <= MaxTrimmedSize(s));
  Store16(out, static_cast<int16_t>(at));
  return at;
}

bool RestoreRecord(const Schema& s, const uint8_t* block, int blockLen, uint8_t* fixed) {
  std::memset(fixed, 0, static_cast<size_t>(s.recordLength));
  int at = kTrimmedLengthSize;
  for (int i = 0; i < s.fields; ++i) {
    uint8_t* f = fixed + s.offset[i];
    if (s.type[i] == kTypeText) {
      if (at + kTrimmedLengthSize > blockLen) return false;
      int n = Load16(block + at);
      if (n < 0 || n > s.size[i] || at + kTrimmedLengthSize + n > blockLen) return false;
      std::memcpy(f, block + at + kTrimmedLengthSize, static_cast<size_t>(n));
      at += kTrimmedLengthSize + n;
    } else {
      if (at + s.size[i] > blockLen) return false;
      std::memcpy(f, block + at, static_cast<size_t>(s.size[i]));
      at += s.size[i];
    }
  }
  return true;
}

void EndTextsAtNul(const Schema& s, uint8_t* fixed) {
  for (int i = 0; i < s.fields; ++i) {
    if (s.type[i] != kTypeText) continue;
    uint8_t* f = fixed + s.offset[i];
    const int n = TextLength(f, s.size[i]);
    std::memset(f + n, 0, static_cast<size_t>(s.size[i] - n));
  }
}

int MaxTrimmedSize(const Schema& s) { return s.recordLength + kTrimmedLengthSize * (1 + s.textFields); }

}  // namespace orvex
