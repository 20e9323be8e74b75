// Duplicate nodes: the chain of records that share one value under a key
// that allows duplicates. 24 bytes at any file position:
//
//   OFFSET  TYPE     CONTENT
//   0       char[8]  tag "fDUPKEY" with its NUL
//   8       i32      record offset
//   12      i32      next node in the chain; -1 at the end
//   16      i32      previous node; -1 at the head
//   20      i32      last node of the chain (kept current in the head only)
//
// A leaf entry's record offset points at a record or at a chain head; the
// block there is a duplicate node when it starts with the 7 tag letters.
// A freed node's first 4 bytes hold the next free node (the duplicate-node
// free list, head in the header).
#ifndef ORVEX_FORMAT_DUP_NODE_H_
#define ORVEX_FORMAT_DUP_NODE_H_

#include <cstdint>
#include <cstring>

#include "base/endian.h"

namespace orvex {

constexpr int kDupNodeSize = 24;
constexpr char kDupTag[8] = "fDUPKEY";

struct DupNode {
  int32_t record = -1;
  int32_t next = -1;
  int32_t prev = -1;
  int32_t last = -1;

  void Encode(uint8_t* out) const {
    std::memcpy(out, kDupTag, 8);
    Store32(out + 8, record);
    Store32(out + 12, next);
    Store32(out + 16, prev);
    Store32(out + 20, last);
  }
  void Decode(const uint8_t* in) {
    record = Load32(in + 8);
    next = Load32(in + 12);
    prev = Load32(in + 16);
    last = Load32(in + 20);
  }
};

// Whether 24 bytes read at an entry's record offset are a duplicate node.
inline bool IsDupNode(const uint8_t* in) { return std::memcmp(in, kDupTag, 7) == 0; }

}  // namespace orvex

#endif  // ORVEX_FORMAT_DUP_NODE_H_
