// Index nodes of the B+-tree, one node type per key kind.
//
// Node layout (offsets from the node's file offset), every type:
//
//   OFFSET  TYPE       CONTENT
//   0       i32        entry count, 1..200 in a stored node
//   4       i32[201]   child node offset per entry; -1 in a leaf
//   808     i32[201]   record offset per entry (leaf): the record, the head
//                      of its duplicate chain, or -1 (no live record)
//   1612    i32        parent node offset; -1 for the root
//   1616    i32        this node's own offset
//   1620    i32        previous node on the same level; -1 at the left end
//   1624    i32        next node on the same level; -1 at the right end
//   1628               key slots, 201 of them:
//
//   TYPE            SLOT            KEYS AT  NODE SIZE
//   DBINDEX_BOOL    1 byte          1628     1832 (201 keys + 3 filler)
//   DBINDEX_SHORT   i16             1628     2032 (201 keys + 2 filler)
//   DBINDEX_INT     i32             1628     2432 (int, auto-increment)
//   DBINDEX_FLOAT   f32             1628     2432
//   DBINDEX_DOUBLE  f64             1632     3240 (4 filler bytes before)
//   DBINDEX_CHAR    key length + 1  1632     1632 + 201 * (key length + 1)
//                   (NUL-terminated; 4 reserved bytes at 1628)
//
// The first 1628 bytes are common to all types (DBINDEX). Slot 200 exists
// only to hold an entry between an insertion and the split it causes.
// Filler and reserved bytes are written as zeros. A node of a fixed-width
// type is padded to a multiple of 4 bytes; a text node is not padded.
//
// Invariants of a sound index. They are numbered once, here and in the
// other format files (dup_node.h, record_codec.h, chunk.h); the code names
// them as "invariant (n)" where it relies on one. What is read from a file
// is checked against them before use (a damaged file fails with an error
// text); what the engine builds in memory is asserted.
//
//   (1) A stored node holds 1..200 entries (count), and names its own file
//       offset (self). Slot 200 is used only in memory, between an
//       insertion and the split it causes.
//   (2) Entries of a node are in strictly ascending key order; no two
//       entries of one index have equal keys.
//   (3) A leaf's entries have child -1; every entry of an internal node has
//       a child node whose parent link names it, and the entry's key is the
//       largest key in that child's subtree.
//   (4) The leaves of a key form one chain through prev and next, in key
//       order; the header's first and last leaf are its two ends (prev -1
//       and next -1). The root alone has parent -1.
//   (5) Nothing is removed from a node: an entry whose last live record was
//       deleted keeps its key with record offset -1 (a dead entry). Nodes
//       never merge; a split leaves 100 entries in the old node and moves
//       the other 101 to a new node at the end of the file.
//   (6) A live leaf entry's record offset names a record block, or, under a
//       key that allows duplicates, the head of a duplicate chain
//       (invariants (8) and (9)).
//   (7) The tree is at most kMaxDepth levels deep; a leaf chain is walked in
//       at most one step per node the file can hold.
#ifndef ORVEX_FORMAT_NODE_H_
#define ORVEX_FORMAT_NODE_H_

#include <cstdint>
#include <cstring>

#include "base/endian.h"
#include "format/schema.h"

namespace orvex {

constexpr int kNodeSlots = 201;
constexpr int kMaxEntries = kNodeSlots - 1;
constexpr int kSplitKeep = kMaxEntries / 2;  // entries the old node keeps on a split
constexpr int kNodeOffCount = 0;
constexpr int kNodeOffChildren = kNodeOffCount + 4;
constexpr int kNodeOffRecords = kNodeOffChildren + 4 * kNodeSlots;
constexpr int kNodeOffParent = kNodeOffRecords + 4 * kNodeSlots;
constexpr int kNodeOffSelf = kNodeOffParent + 4;
constexpr int kNodeOffPrev = kNodeOffSelf + 4;
constexpr int kNodeOffNext = kNodeOffPrev + 4;
constexpr int kNodeCommonSize = kNodeOffNext + 4;
// Double slots are aligned to 8 bytes; text nodes keep 4 reserved bytes.
constexpr int kWideKeysAt = kNodeCommonSize + 4;
// A tree of fan-out 200 inside a 2 GB file is at most a handful of levels
// deep; anything deeper is a cycle (a child pointing at an ancestor).
constexpr int kMaxDepth = 32;

constexpr int RoundUp4(int n) { return (n + 3) / 4 * 4; }
// Node size on disk for a key of a node type whose slots are slotWidth
// bytes wide, starting at keysAt.
constexpr int NodeSize(bool text, int keysAt, int slotWidth) {
  return text ? keysAt + kNodeSlots * slotWidth : RoundUp4(keysAt + kNodeSlots * slotWidth);
}
// The smallest node of any type (bool), and the largest (text of 128 bytes).
constexpr int kMinNodeSize = NodeSize(false, kNodeCommonSize, 1);
constexpr int kMaxNodeSize = NodeSize(true, kWideKeysAt, kMaxKeyLength + 1);

static_assert(kNodeOffRecords == 808 && kNodeCommonSize == 1628 && kMinNodeSize == 1832 &&
                  NodeSize(false, kNodeCommonSize, 2) == 2032 &&
                  NodeSize(false, kNodeCommonSize, 4) == 2432 && NodeSize(false, kWideKeysAt, 8) == 3240,
              "node sizes as the table above gives them");

// Fills a key definition's node geometry from its kind and length.
void SetNodeGeometry(KeyDef* def);

// Read access to a node image anywhere in memory.
class NodeView {
 public:
  NodeView(const uint8_t* b, const KeyDef& def) : b_(b), def_(&def) {}
  const uint8_t* bytes() const { return b_; }
  int32_t count() const { return Load32(b_ + kNodeOffCount); }
  int32_t child(int i) const { return Load32(b_ + kNodeOffChildren + 4 * i); }
  int32_t record(int i) const { return Load32(b_ + kNodeOffRecords + 4 * i); }
  int32_t parent() const { return Load32(b_ + kNodeOffParent); }
  int32_t self() const { return Load32(b_ + kNodeOffSelf); }
  int32_t prev() const { return Load32(b_ + kNodeOffPrev); }
  int32_t next() const { return Load32(b_ + kNodeOffNext); }
  const uint8_t* key(int i) const { return b_ + def_->keysAt + i * def_->slotWidth; }

 private:
  const uint8_t* b_;
  const KeyDef* def_;
};

// A node image in memory, laid out exactly as on disk.
class Node {
 public:
  void Reset(const KeyDef& def) {
    def_ = &def;
    std::memset(b_, 0, static_cast<size_t>(def.nodeSize));
  }
  void Bind(const KeyDef& def) { def_ = &def; }
  const KeyDef& def() const { return *def_; }
  int size() const { return def_->nodeSize; }
  uint8_t* bytes() { return b_; }
  const uint8_t* bytes() const { return b_; }

  int32_t count() const { return Load32(b_ + kNodeOffCount); }
  void setCount(int32_t v) { Store32(b_ + kNodeOffCount, v); }
  int32_t child(int i) const { return Load32(b_ + kNodeOffChildren + 4 * i); }
  void setChild(int i, int32_t v) { Store32(b_ + kNodeOffChildren + 4 * i, v); }
  int32_t record(int i) const { return Load32(b_ + kNodeOffRecords + 4 * i); }
  void setRecord(int i, int32_t v) { Store32(b_ + kNodeOffRecords + 4 * i, v); }
  int32_t parent() const { return Load32(b_ + kNodeOffParent); }
  void setParent(int32_t v) { Store32(b_ + kNodeOffParent, v); }
  int32_t self() const { return Load32(b_ + kNodeOffSelf); }
  void setSelf(int32_t v) { Store32(b_ + kNodeOffSelf, v); }
  int32_t prev() const { return Load32(b_ + kNodeOffPrev); }
  void setPrev(int32_t v) { Store32(b_ + kNodeOffPrev, v); }
  int32_t next() const { return Load32(b_ + kNodeOffNext); }
  void setNext(int32_t v) { Store32(b_ + kNodeOffNext, v); }
  uint8_t* key(int i) { return b_ + def_->keysAt + i * def_->slotWidth; }
  const uint8_t* key(int i) const { return b_ + def_->keysAt + i * def_->slotWidth; }
  bool leaf() const { return child(0) == -1; }
  NodeView view() const { return NodeView(b_, *def_); }

  // Stores a key value (slot-width bytes; text slots get their NUL).
  void setKey(int i, const uint8_t* value);
  // Opens a gap at pos by moving entries pos..count-1 one place right.
  void ShiftRight(int pos);
  // Copies entries [from, from+n) of src to entries [0, n) of this node.
  void CopyEntries(const Node& src, int from, int n);
  // Zeroes entries [from, kNodeSlots).
  void ClearEntries(int from);

 private:
  const KeyDef* def_ = nullptr;
  uint8_t b_[kMaxNodeSize];
};

// Checks a node image just read from offset: count 1..200, its own offset,
// links that are -1 or inside the file and not the node itself.
bool NodeLooksValid(const NodeView& n, int32_t offset, int64_t fileSize);
inline bool NodeLooksValid(const Node& n, int32_t offset, int64_t fileSize) {
  return NodeLooksValid(n.view(), offset, fileSize);
}

}  // namespace orvex

#endif  // ORVEX_FORMAT_NODE_H_
