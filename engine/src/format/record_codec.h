// Records on disk, in the form the header's record-form flag fixes.
//
// Fixed form: the record block is the fixed layout, record-length bytes,
// every field at the sum of the sizes before it, no header, no filler.
//
// Trimmed form:
//
//   ITEM                        WIDTH   CONTENT
//   total length                i16     length of the block, these 2 bytes
//                                       included
//   then per field, in order:
//   short                       2       value
//   int, float, auto-increment  4       value
//   double, chunk               8       value
//   text                        2 + n   i16 n = bytes before the first NUL
//                                       (the field size when none), then
//                                       those n bytes, no NUL
//   bool                        1       value
//
// Freed blocks go onto the record free list (header offset 15372): a fixed
// block's first 4 bytes receive the previous head (blocks shorter than 4
// bytes are not listed); a trimmed block keeps its i16 length and the 4
// bytes after it receive the previous head (blocks under 6 bytes are not
// listed). The list ends at a value of 0 or below.
//
// Invariants (numbered with those of node.h):
//   (10) Every block on a free list (records, duplicate nodes, chunk blocks)
//        lies inside the file past the header, the list ends at a value of
//        0 or below without a cycle, and no block is both on a free list and
//        referenced by an index entry, a chain or a record.
//   (11) The header's record count is the number of live records; every key
//        reaches each of them exactly once.
#ifndef ORVEX_FORMAT_RECORD_CODEC_H_
#define ORVEX_FORMAT_RECORD_CODEC_H_

#include <cstdint>

#include "format/schema.h"

namespace orvex {

// Largest block a trimmed record can need (its i16 length cannot say more).
constexpr int kMaxTrimmedBlock = 32767;
// Width of a trimmed block's length and of each text field's length.
constexpr int kTrimmedLengthSize = 2;
// A freed block: the next free block's offset (after the length, trimmed).
constexpr int kFreeLinkSize = 4;
constexpr int kMinFreeFixedBlock = kFreeLinkSize;
constexpr int kMinFreeTrimmedBlock = kTrimmedLengthSize + kFreeLinkSize;
// A trimmed record looks at no more than this many free blocks for room, so
// that an insert does not grow slower with the number of deletions.
constexpr int kFreeBlocksLooked = 3;

// Size of the trimmed block of a fixed-layout record (may exceed what its
// 16-bit length can hold: the caller refuses such a record).
int TrimmedSize(const Schema& s, const uint8_t* fixed);
// Builds the trimmed block into out (room for TrimmedSize bytes); returns
// its length.
int TrimRecord(const Schema& s, const uint8_t* fixed, uint8_t* out);
// Rebuilds the fixed layout from a trimmed block of blockLen bytes into a
// buffer of record length that is zeroed first. false when the block does
// not parse (lengths running past the block or a field).
bool RestoreRecord(const Schema& s, const uint8_t* block, int blockLen, uint8_t* fixed);
// A text field's value is its bytes up to the first NUL: the bytes after
// it become NUL too, so that the record holds exactly what a trimmed block
// keeps and what reads back (and every key is formed from that).
void EndTextsAtNul(const Schema& s, uint8_t* fixed);
// Worst-case trimmed block size for the schema.
int MaxTrimmedSize(const Schema& s);

}  // namespace orvex

#endif  // ORVEX_FORMAT_RECORD_CODEC_H_
