// Little-endian loads and stores at any byte address. Every integer in a
// database file is little-endian; the engine reads and writes them through
// these helpers so that no unaligned access is ever made.
#ifndef ORVEX_BASE_ENDIAN_H_
#define ORVEX_BASE_ENDIAN_H_

#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the engine stores integers in host order, which must be little-endian");

namespace orvex {

inline int16_t Load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline int32_t Load32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline uint32_t LoadU32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline int64_t Load64(const uint8_t* p) {
  int64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline void Store16(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }
inline void Store32(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
inline void StoreU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store64(uint8_t* p, int64_t v) { std::memcpy(p, &v, 8); }

}  // namespace orvex

#endif  // ORVEX_BASE_ENDIAN_H_
