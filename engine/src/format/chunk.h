// Chunk storage: values of any length kept outside the record.
//
// A chunk field's 8 bytes in the record are its reference:
//
//   OFFSET  TYPE  CONTENT
//   0       i32   offset of the first chunk block (0: empty chunk)
//   4       i32   total size of the value in bytes
//
// Chunk block, at any file position:
//
//   OFFSET  TYPE   CONTENT
//   0       i32    next block of the chain; -1 for the last block. While the
//                  block is free: the next free block
//   4       i32    capacity: number of data bytes in this block
//   8       bytes  data, capacity bytes
//
// The value is the concatenation of the blocks' data in chain order, cut at
// the total size. A chunk appended at the end of the file in one run is one
// block whose capacity grows with each piece; a chunk written into reused
// blocks spans several. Freed chains are spliced whole onto the front of the
// chunk free list (head in the header at 15452, a head below 1 meaning
// empty); blocks are taken from it one at a time and keep their capacity.
//
// Invariants (numbered with those of node.h):
//   (12) A chunk reference is (0, 0) or names a chain of blocks, each lying
//        whole inside the file past the header (8 + capacity bytes, capacity
//        not negative), ending with next -1, whose capacities add up to at
//        least the total size.
//   (13) A chunk block belongs to at most one chain: no two live records
//        share a block, and no block is both free and referenced.
#ifndef ORVEX_FORMAT_CHUNK_H_
#define ORVEX_FORMAT_CHUNK_H_

#include <cstdint>

#include "base/endian.h"

namespace orvex {

constexpr int kChunkRefOffFirst = 0;
constexpr int kChunkRefOffSize = 4;
constexpr int kChunkRefSize = 8;
constexpr int kChunkOffNext = 0;
constexpr int kChunkOffCapacity = 4;
constexpr int kChunkHeaderSize = 8;
// A chain longer than this is never put on the free list (its space stays
// lost until compaction), so that freeing costs a bounded number of reads.
constexpr int kMaxChunkSteps = 1000;

struct ChunkRef {
  int32_t first = 0;
  int32_t size = 0;
  static ChunkRef Load(const uint8_t* p) { return {Load32(p + kChunkRefOffFirst), Load32(p + kChunkRefOffSize)}; }
  void Store(uint8_t* p) const {
    Store32(p + kChunkRefOffFirst, first);
    Store32(p + kChunkRefOffSize, size);
  }
};

struct ChunkBlockHeader {
  int32_t next = -1;
  int32_t capacity = 0;
  static ChunkBlockHeader Load(const uint8_t* p) { return {Load32(p + kChunkOffNext), Load32(p + kChunkOffCapacity)}; }
  void Store(uint8_t* p) const {
    Store32(p + kChunkOffNext, next);
    Store32(p + kChunkOffCapacity, capacity);
  }
};

}  // namespace orvex

#endif  // ORVEX_FORMAT_CHUNK_H_
