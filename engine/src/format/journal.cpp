// Journal header and page records (layout in journal.h).
#include "format/journal.h"

#include <cstring>

#include "base/endian.h"

namespace orvex {

namespace {
constexpr int kOffMagic = 0;
constexpr int kOffPageSize = 16;
constexpr int kOffDbSize = 24;
constexpr int kOffSalt = 32;
constexpr int kOffHeaderSum = 56;
constexpr int kOffRecordSum = 8 + kJournalPageSize;
constexpr int64_t kMaxDbSize = int64_t{1} << 31;

void StoreSum(uint8_t* p, uint32_t s0, uint32_t s1) {
  StoreU32(p, s0);
  StoreU32(p + 4, s1);
}

bool SumMatches(const uint8_t* p, uint32_t s0, uint32_t s1) {
  return LoadU32(p) == s0 && LoadU32(p + 4) == s1;
}
}  // namespace

void JournalChecksum(const uint8_t* p, size_t n, uint32_t* s0, uint32_t* s1) {
  uint32_t a = *s0, b = *s1;
  for (size_t i = 0; i + 8 <= n; i += 8) {
    a += LoadU32(p + i) + b;
    b += LoadU32(p + i + 4) + a;
  }
  *s0 = a;
  *s1 = b;
}

void FormatJournalHeader(const JournalHeader& h, uint8_t* out) {
  std::memset(out, 0, kJournalHeaderSize);
  std::memcpy(out + kOffMagic, kJournalMagic, sizeof kJournalMagic);
  StoreU32(out + kOffPageSize, kJournalPageSize);
  Store64(out + kOffDbSize, h.dbSize);
  Store64(out + kOffSalt, static_cast<int64_t>(h.salt));
  uint32_t s0 = kJournalHeaderSeed0, s1 = kJournalHeaderSeed1;
  JournalChecksum(out, kOffHeaderSum, &s0, &s1);
  StoreSum(out + kOffHeaderSum, s0, s1);
}

bool ParseJournalHeader(const uint8_t* in, JournalHeader* h) {
  if (std::memcmp(in + kOffMagic, kJournalMagic, sizeof kJournalMagic) != 0) return false;
  if (LoadU32(in + kOffPageSize) != kJournalPageSize || LoadU32(in + 20) != 0) return false;
  for (int i = 40; i < kOffHeaderSum; ++i)
    if (in[i] != 0) return false;
  uint32_t s0 = kJournalHeaderSeed0, s1 = kJournalHeaderSeed1;
  JournalChecksum(in, kOffHeaderSum, &s0, &s1);
  if (!SumMatches(in + kOffHeaderSum, s0, s1)) return false;
  const int64_t size = Load64(in + kOffDbSize);
  if (size <= 0 || size >= kMaxDbSize) return false;
  h->dbSize = size;
  h->salt = static_cast<uint64_t>(Load64(in + kOffSalt));
  return true;
}

void SealJournalRecord(const JournalHeader& h, uint8_t* record) {
  uint32_t s0 = static_cast<uint32_t>(h.salt), s1 = static_cast<uint32_t>(h.salt >> 32);
  JournalChecksum(record, kOffRecordSum, &s0, &s1);
  StoreSum(record + kOffRecordSum, s0, s1);
}

bool OpenJournalRecord(const JournalHeader& h, const uint8_t* record, int64_t* offset) {
  uint32_t s0 = static_cast<uint32_t>(h.salt), s1 = static_cast<uint32_t>(h.salt >> 32);
  JournalChecksum(record, kOffRecordSum, &s0, &s1);
  if (!SumMatches(record + kOffRecordSum, s0, s1)) return false;
  const int64_t at = Load64(record);
  if (at < 0 || at % kJournalPageSize != 0 || at >= h.dbSize) return false;
  *offset = at;
  return true;
}

}  // namespace orvex
