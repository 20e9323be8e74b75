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
// Filler and reserved bytes are written as zeros.
#ifndef ORVEX_FORMAT_NODE_H_
#define ORVEX_FORMAT_NODE_H_

#include <cstdint>
#include <cstring>

#include "base/endian.h"
#include "format/schema.h"

namespace orvex {

constexpr int kNodeOffCount = 0;
constexpr int kNodeOffChildren = 4;
constexpr int kNodeOffRecords = 808;
constexpr int kNodeOffParent = 1612;
constexpr int kNodeOffSelf = 1616;
constexpr int kNodeOffPrev = 1620;
constexpr int kNodeOffNext = 1624;
constexpr int kNodeCommonSize = 1628;
constexpr int kNodeSlots = 201;
constexpr int kMaxEntries = 200;
constexpr int kSplitKeep = 100;  // entries the old node keeps on a split
constexpr int kMaxNodeSize = 1632 + kNodeSlots * (kMaxKeyLength + 1);

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
