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
//
// Invariants (numbered with those of node.h):
//   (8) A chain's head has prev -1 and its last field names the chain's
//       last node, whose next is -1; for every node X whose next is N, N's
//       prev is X. Every node of a chain carries the tag.
//   (9) Chains hang only from entries of keys that allow duplicates; every
//       node of a chain holds a live record, in insertion order (an update
//       keeps its record's place). A chain reduced to one node stays a chain.
#ifndef ORVEX_FORMAT_DUP_NODE_H_
#define ORVEX_FORMAT_DUP_NODE_H_

#include <cstdint>
#include <cstring>

#include "base/endian.h"

namespace orvex {

constexpr int kDupTagSize = 8;
constexpr int kDupOffRecord = kDupTagSize;
constexpr int kDupOffNext = kDupOffRecord + 4;
constexpr int kDupOffPrev = kDupOffNext + 4;
constexpr int kDupOffLast = kDupOffPrev + 4;
constexpr int kDupNodeSize = kDupOffLast + 4;
constexpr char kDupTag[kDupTagSize] = "fDUPKEY";
// The letters that tell a duplicate node from a record (the tag without its NUL).
constexpr int kDupTagLetters = kDupTagSize - 1;
static_assert(kDupNodeSize == 24, "a duplicate node is 24 bytes");

struct DupNode {
  int32_t record = -1;
  int32_t next = -1;
  int32_t prev = -1;
  int32_t last = -1;

  void Encode(uint8_t* out) const {
    std::memcpy(out, kDupTag, kDupTagSize);
    Store32(out + kDupOffRecord, record);
    Store32(out + kDupOffNext, next);
    Store32(out + kDupOffPrev, prev);
    Store32(out + kDupOffLast, last);
  }
  void Decode(const uint8_t* in) {
    record = Load32(in + kDupOffRecord);
    next = Load32(in + kDupOffNext);
    prev = Load32(in + kDupOffPrev);
    last = Load32(in + kDupOffLast);
  }
};

// Whether 24 bytes read at an entry's record offset are a duplicate node.
inline bool IsDupNode(const uint8_t* in) { return std::memcmp(in, kDupTag, kDupTagLetters) == 0; }

// Whether a block of n bytes would be taken for a duplicate node if an
// entry pointed at it. No record is ever stored as such a block.
inline bool ReadsAsDupNode(const uint8_t* block, int n) { return n >= kDupTagLetters && IsDupNode(block); }

// A freed duplicate node: its first 4 bytes were overwritten by the next
// free node, the rest of its tag ("KEY" and the NUL) is still there.
constexpr int kFreeDupTagAt = 4;
inline bool LooksLikeFreeDupNode(const uint8_t* in) {
  return std::memcmp(in + kFreeDupTagAt, kDupTag + kFreeDupTagAt, kDupTagSize - kFreeDupTagAt) == 0 &&
         !IsDupNode(in);
}

}  // namespace orvex

#endif  // ORVEX_FORMAT_DUP_NODE_H_
