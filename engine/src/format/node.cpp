#include "format/node.h"

#include "format/header.h"

namespace orvex {

void SetNodeGeometry(KeyDef* def) {
  switch (def->kind) {
    case kNodeBool: def->slotWidth = 1; def->keysAt = kNodeCommonSize; break;
    case kNodeShort: def->slotWidth = 2; def->keysAt = kNodeCommonSize; break;
    case kNodeInt:
    case kNodeFloat: def->slotWidth = 4; def->keysAt = kNodeCommonSize; break;
    case kNodeDouble: def->slotWidth = 8; def->keysAt = kWideKeysAt; break;
    case kNodeChar: def->slotWidth = def->length + 1; def->keysAt = kWideKeysAt; break;
  }
  def->nodeSize = NodeSize(def->kind == kNodeChar, def->keysAt, def->slotWidth);
}

void Node::setKey(int i, const uint8_t* value) {
  uint8_t* k = key(i);
  if (def_->kind == kNodeChar) {
    std::memcpy(k, value, static_cast<size_t>(def_->length));
    k[def_->length] = 0;
  } else {
    std::memcpy(k, value, static_cast<size_t>(def_->slotWidth));
  }
}

void Node::ShiftRight(int pos) {
  int n = count();
  if (pos >= n) return;
  int moved = n - pos;
  std::memmove(b_ + kNodeOffChildren + 4 * (pos + 1), b_ + kNodeOffChildren + 4 * pos, 4 * moved);
  std::memmove(b_ + kNodeOffRecords + 4 * (pos + 1), b_ + kNodeOffRecords + 4 * pos, 4 * moved);
  std::memmove(key(pos + 1), key(pos), static_cast<size_t>(def_->slotWidth) * moved);
}

void Node::CopyEntries(const Node& src, int from, int n) {
  std::memcpy(b_ + kNodeOffChildren, src.b_ + kNodeOffChildren + 4 * from, 4 * n);
  std::memcpy(b_ + kNodeOffRecords, src.b_ + kNodeOffRecords + 4 * from, 4 * n);
  std::memcpy(key(0), src.key(from), static_cast<size_t>(def_->slotWidth) * n);
}

void Node::ClearEntries(int from) {
  int n = kNodeSlots - from;
  if (n <= 0) return;
  std::memset(b_ + kNodeOffChildren + 4 * from, 0, 4 * n);
  std::memset(b_ + kNodeOffRecords + 4 * from, 0, 4 * n);
  std::memset(key(from), 0, static_cast<size_t>(def_->slotWidth) * n);
}

namespace {
bool LinkOk(int32_t v, int64_t fileSize) { return v == -1 || (v >= kHeaderSize && v < fileSize); }
}  // namespace

bool NodeLooksValid(const NodeView& n, int32_t offset, int64_t fileSize) {
  int32_t c = n.count();
  if (c < 1 || c > kMaxEntries) return false;
  if (n.self() != offset) return false;
  if (!LinkOk(n.parent(), fileSize) || !LinkOk(n.prev(), fileSize) || !LinkOk(n.next(), fileSize))
    return false;
  if (n.parent() == offset || n.prev() == offset || n.next() == offset) return false;
  // Child and record offsets are checked where they are followed: a child
  // must read back as a node that names itself, a record must lie inside
  // the file.
  return true;
}

}  // namespace orvex
