// The B+-tree of a key: node I/O, search with the upper-bound raise, and
// insertion with splits (100 entries stay, 101 move) and parent updates.
// Node layout: format/node.h.
#include <cassert>
#include <cstring>

#include "table/table.h"

namespace orvex {
bool Table::ReadNode(int k, int32_t offset, Node* n) {
  const KeyDef& d = schema_.key[k];
  n->Bind(d);
  // What fails to read as a node must never pass for the node it claims to
  // be afterwards (the working node is reused by its own offset).
  if (!BlockInFile(offset, d.nodeSize)) {
    n->setSelf(-1);
    SetError(err::kDamaged);
    return false;
  }
  if (!ReadAt(offset, n->bytes(), d.nodeSize)) {
    n->setSelf(-1);
    return false;
  }
  if (!NodeLooksValid(*n, offset, FileEnd())) {
    NoteLinksPastEnd(n->view());
    n->setSelf(-1);
    SetError(err::kDamaged);
    return false;
  }
  return true;
}

void Table::NoteLinksPastEnd(const NodeView& n) {
  for (int32_t link : {n.parent(), n.prev(), n.next()})
    if (link >= FileEnd()) refersPastEnd_ = true;
}

bool Table::WriteNode(const Node& n) { return WriteAt(n.self(), n.bytes(), n.size()); }

// Rewrites one link of the node at offset: only the node's common part is
// read and written back (the node must name itself).
bool Table::SetNodeLink(int32_t offset, int field, int32_t value) {
  uint8_t common[kNodeCommonSize];
  if (!BlockInFile(offset, kNodeCommonSize) || !ReadAt(offset, common, kNodeCommonSize) ||
      Load32(common + kNodeOffSelf) != offset) {
    SetError(err::kDamaged);
    return false;
  }
  Store32(common + field, value);
  return WriteAt(offset, common, kNodeCommonSize);
}

namespace {

// First entry whose key is not below v (an equal key's position, else the
// first greater key); count when every key is below v.
int LowerBound(const KeyDef& d, const NodeView& n, const uint8_t* v) {
  int lo = 0, hi = n.count();
  if (d.kind == kNodeInt) {
    // The commonest key kind, compared inline.
    const int32_t x = Load32(v);
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (Load32(n.key(mid)) < x)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    if (CompareKeys(d, n.key(mid), v) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

// Invariant (2): a new entry at position keeps the leaf in ascending order.
// A leaf whose keys around the place are out of order is damaged, and an
// entry put there would be lost to every later search.
bool FitsAt(const KeyDef& d, const NodeView& n, int position, const uint8_t* v) {
  return (position == 0 || CompareKeys(d, n.key(position - 1), v) < 0) &&
         (position == n.count() || CompareKeys(d, v, n.key(position)) < 0);
}

// One level of the search: the entry to follow or to stop at, and whether
// v lies above the node's last key.
int PickEntry(const KeyDef& d, const NodeView& n, const uint8_t* v, bool* aboveAll) {
  const int c = n.count();
  if (CompareKeys(d, v, n.key(0)) < 0) return 0;
  if (CompareKeys(d, v, n.key(c - 1)) > 0) {
    *aboveAll = true;
    return c - 1;
  }
  int pos = LowerBound(d, n, v);
  return pos >= c ? c - 1 : pos;
}

// The search ends at leaf off, entry pos: the place v belongs, and the
// entry's record when its key equals v.
void StopAtLeaf(const KeyDef& d, const NodeView& n, int32_t off, int pos, const uint8_t* v,
                SearchResult* out) {
  out->leaf = off;
  out->position = pos;
  if (CompareKeys(d, v, n.key(pos)) == 0) {
    out->found = true;
    out->record = n.record(pos);
  }
}

}  // namespace

int32_t Table::SearchIndex(int k, const uint8_t* v, SearchResult* out, Node* node,
                           bool raiseUpperBound) {
  *out = SearchResult();
  if (!ready_) {
    SetError(err::kIndexNotFound);
    return -1;
  }
  if (k < 0 || k >= schema_.keys) return -1;
  const KeyDef& d = schema_.key[k];
  int32_t off = hdr_.root(k);
  if (off == -1) return -1;
  bool greaterThanAll = false;
  if (!raiseUpperBound) {
    // Read-only descent straight from the cache: each level is looked at in
    // place, and only the node where the search ends is copied out.
    SharedFile::Reader reader(file_->shared());
    const int64_t fileSize = FileEnd();
    for (int depth = 0;; ++depth) {
      if (depth > kMaxDepth || !BlockInFile(off, d.nodeSize)) {
        SetError(err::kDamaged);
        return -1;
      }
      const uint8_t* p = reader.Get(off, static_cast<size_t>(d.nodeSize), scratchNode_.bytes());
      if (!p) {
        SetError(err::kReadFailed);
        return -1;
      }
      NodeView n(p, d);
      if (!NodeLooksValid(n, off, fileSize)) {
        NoteLinksPastEnd(n);
        SetError(err::kDamaged);
        return -1;
      }
      const int pos = PickEntry(d, n, v, &greaterThanAll);
      const int32_t child = n.child(pos);
      if (child != -1) {
        off = child;
        continue;
      }
      StopAtLeaf(d, n, off, pos, v, out);
      if (node) {
        node->Bind(d);
        std::memcpy(node->bytes(), p, static_cast<size_t>(d.nodeSize));
      }
      break;
    }
  } else {
    Node& n = node ? *node : nodeA_;
    for (int depth = 0;; ++depth) {
      if (depth > kMaxDepth) {
        SetError(err::kDamaged);
        return -1;
      }
      if (!ReadNode(k, off, &n)) return -1;
      bool above = false;
      const int pos = PickEntry(d, n.view(), v, &above);
      if (above) {
        greaterThanAll = true;
        if (n.child(pos) != -1) {
          // Raise the internal key on the way down: v becomes the largest.
          // Only its slot changes, so only the slot is written.
          n.setKey(pos, v);
          if (!WriteAt(int64_t{off} + d.keysAt + int64_t{pos} * d.slotWidth, n.key(pos), d.slotWidth)) return -1;
        }
      }
      const int32_t child = n.child(pos);
      if (child != -1) {
        off = child;
        continue;
      }
      StopAtLeaf(d, n.view(), off, pos, v, out);
      break;
    }
  }
  out->greaterThanAll = greaterThanAll;
  if (!out->found && greaterThanAll) out->position += 1;
  return out->leaf;
}

bool Table::InsertIndex(int k, const uint8_t* v, int32_t record, int32_t leaf, int position) {
  const KeyDef& d = schema_.key[k];
  Node& n = nodeA_;
  if (leaf == -1) {
    // Empty index: a root leaf with one entry, also first and last leaf.
    if (!ready_) return false;
    n.Reset(d);
    n.setCount(1);
    n.setChild(0, -1);
    n.setRecord(0, record);
    n.setKey(0, v);
    n.setParent(-1);
    n.setPrev(-1);
    n.setNext(-1);
    int32_t at = static_cast<int32_t>(FileEnd());
    n.setSelf(at);
    if (!WriteNode(n)) return false;
    hdr_.setRoot(k, at);
    hdr_.setFirstLeaf(k, at);
    hdr_.setLastLeaf(k, at);
    return true;
  }
  if (!FitsBetweenLeaves(k, leaf, position, v)) {
    SetError(err::kDamaged);
    return false;
  }
  if (file_->writable() && InsertInPlace(k, v, record, leaf, position)) return true;
  if (!ReadNode(k, leaf, &n)) return false;
  if (position < 0 || position > n.count() || !n.leaf() || !FitsAt(d, n.view(), position, v)) {
    SetError(err::kDamaged);
    return false;
  }
  n.ShiftRight(position);
  n.setChild(position, -1);
  n.setRecord(position, record);
  n.setKey(position, v);
  n.setCount(n.count() + 1);
  // Invariant (1): the leaf read back held at most 200 entries, so the new
  // one fits in slot 200 at worst.
  assert(n.count() <= kNodeSlots);

  Node& s = nodeB_;
  uint8_t largest[kKeyBufferSize];
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) {
      SetError(err::kDamaged);
      return false;
    }
    if (n.count() <= kMaxEntries) {
      if (!WriteNode(n)) return false;
      if (n.leaf() && n.next() == -1) hdr_.setLastLeaf(k, n.self());
      return true;
    }
    // Split: entries 100..200 move to a new node at the end of the file.
    // Invariant (5): 100 entries stay, 101 move.
    assert(n.count() == kNodeSlots);
    const int moved = n.count() - kSplitKeep;
    s.Reset(d);
    s.CopyEntries(n, kSplitKeep, moved);
    s.setCount(moved);
    const int32_t oldAt = n.self();
    const int32_t newAt = static_cast<int32_t>(FileEnd());
    s.setSelf(newAt);
    s.setParent(n.parent());
    s.setPrev(oldAt);
    s.setNext(n.next());
    n.ClearEntries(kSplitKeep);
    n.setCount(kSplitKeep);
    if (!WriteNode(s)) return false;
    if (n.next() != -1 && !SetNodeLink(n.next(), kNodeOffPrev, newAt)) return false;
    n.setNext(newAt);
    if (!WriteNode(n)) return false;
    if (!s.leaf()) {
      for (int i = 0; i < moved; ++i)
        if (!SetNodeLink(s.child(i), kNodeOffParent, newAt)) return false;
    } else if (s.next() == -1) {
      hdr_.setLastLeaf(k, newAt);
    }
    std::memcpy(largest, n.key(kSplitKeep - 1), static_cast<size_t>(d.slotWidth));
    const int32_t parentAt = n.parent();
    if (parentAt == -1) {
      // The old node was the root: a new root over both halves.
      Node& r = nodeC_;
      r.Reset(d);
      r.setCount(2);
      r.setKey(0, largest);
      r.setChild(0, oldAt);
      r.setRecord(0, -1);
      r.setKey(1, s.key(moved - 1));
      r.setChild(1, newAt);
      r.setRecord(1, -1);
      r.setParent(-1);
      r.setPrev(-1);
      r.setNext(-1);
      const int32_t rootAt = static_cast<int32_t>(FileEnd());
      r.setSelf(rootAt);
      if (!WriteNode(r)) return false;
      n.setParent(rootAt);
      s.setParent(rootAt);
      if (!WriteNode(n) || !WriteNode(s)) return false;
      hdr_.setRoot(k, rootAt);
      return true;
    }
    // In the parent: the old node's new largest key goes in before the
    // entry that pointed at the old node, which now points at the new one.
    if (!ReadNode(k, parentAt, &n)) return false;
    int pos = LowerBound(d, n.view(), largest);
    if (pos + 1 > n.count() || n.child(pos) != oldAt) {
      SetError(err::kDamaged);
      return false;
    }
    n.ShiftRight(pos);
    n.setKey(pos, largest);
    n.setChild(pos, oldAt);
    n.setRecord(pos, -1);
    n.setChild(pos + 1, newAt);
    n.setCount(n.count() + 1);
    assert(n.count() <= kNodeSlots);
  }
}

// The common case of an insertion, done on the cached node itself: the leaf
// has room and lies inside one cache page. The bytes that change are those
// a read, shift and whole-node write would change. false when the case does
// not apply (nothing is changed then).
// Invariant (2) along the leaf level: an entry put first in a leaf stays
// above the previous leaf's last key, one put last below the next leaf's
// first key. A damaged internal key can lead a search into the wrong leaf;
// an entry put there would break the order of sound leaves and be lost to
// later searches.
bool Table::FitsBetweenLeaves(int k, int32_t leaf, int position, const uint8_t* v) {
  const KeyDef& d = schema_.key[k];
  uint8_t b[4];
  if (!ReadAt(int64_t{leaf} + kNodeOffCount, b, 4)) return false;
  const bool first = position == 0;
  if (!first && position != Load32(b)) return true;
  if (!ReadAt(int64_t{leaf} + (first ? kNodeOffPrev : kNodeOffNext), b, 4)) return false;
  const int32_t side = Load32(b);
  if (side == -1) return true;
  Node& m = nodeC_;
  if (!ReadNode(k, side, &m) || !m.leaf() || m.count() < 1) return false;
  return first ? CompareKeys(d, m.key(m.count() - 1), v) < 0 : CompareKeys(d, v, m.key(0)) < 0;
}

bool Table::InsertInPlace(int k, const uint8_t* v, int32_t record, int32_t leaf, int position) {
  const KeyDef& d = schema_.key[k];
  if (!BlockInFile(leaf, d.nodeSize)) return false;
  SharedFile::Reader access(file_->shared());
  uint8_t* p = access.GetForWrite(leaf, static_cast<size_t>(d.nodeSize));
  if (!p) return false;
  NodeView view(p, d);
  if (!NodeLooksValid(view, leaf, FileEnd())) return false;
  const int32_t c = view.count();
  if (c + 1 > kMaxEntries || position < 0 || position > c || view.child(0) != -1 || !FitsAt(d, view, position, v))
    return false;
  const int moved = c - position;
  if (changeDepth_ > 0) {
    // What changes: the count and, from the new entry's place on, the
    // child, record and key slots.
    const int n = moved + 1;
    KeepBytes(leaf + kNodeOffCount, p + kNodeOffCount, 4);
    KeepBytes(leaf + kNodeOffChildren + 4 * position, p + kNodeOffChildren + 4 * position, 4 * n);
    KeepBytes(leaf + kNodeOffRecords + 4 * position, p + kNodeOffRecords + 4 * position, 4 * n);
    KeepBytes(leaf + d.keysAt + d.slotWidth * position, p + d.keysAt + d.slotWidth * position, d.slotWidth * n);
  }
  std::memmove(p + kNodeOffChildren + 4 * (position + 1), p + kNodeOffChildren + 4 * position, 4 * moved);
  std::memmove(p + kNodeOffRecords + 4 * (position + 1), p + kNodeOffRecords + 4 * position, 4 * moved);
  uint8_t* keys = p + d.keysAt;
  const size_t w = static_cast<size_t>(d.slotWidth);
  std::memmove(keys + w * (position + 1), keys + w * position, w * moved);
  Store32(p + kNodeOffChildren + 4 * position, -1);
  Store32(p + kNodeOffRecords + 4 * position, record);
  if (d.kind == kNodeChar) {
    std::memcpy(keys + w * position, v, static_cast<size_t>(d.length));
    keys[w * position + d.length] = 0;
  } else {
    std::memcpy(keys + w * position, v, w);
  }
  Store32(p + kNodeOffCount, c + 1);
  if (view.next() == -1) hdr_.setLastLeaf(k, leaf);
  return true;
}

}  // namespace orvex
