// Duplicate chains (format/dup_node.h) and removal of a record from an
// index entry.
#include <cstring>

#include "table/table.h"

namespace orvex {

bool Table::ReadDup(int32_t offset, DupNode* d, bool* isDup) {
  *isDup = false;
  uint8_t b[kDupNodeSize] = {};
  if (offset < kHeaderSize || offset >= FileEnd()) {
    if (offset >= FileEnd()) refersPastEnd_ = true;
    SetError(err::kDamaged);
    return false;
  }
  // A record shorter than a duplicate node may end the file: what is read
  // then is a record, not a node.
  int64_t got = file_->Read(offset, b, kDupNodeSize);
  if (got < 0) {
    SetError(err::kReadFailed);
    return false;
  }
  // A short read that holds neither a node nor the smallest record block:
  // the block runs past the end of the file.
  if (got < kDupNodeSize && got < schema_.smallestBlock) refersPastEnd_ = true;
  if (got == kDupNodeSize && IsDupNode(b)) {
    d->Decode(b);
    *isDup = true;
  }
  return true;
}

bool Table::WriteDup(int32_t offset, const DupNode& d) {
  uint8_t b[kDupNodeSize];
  d.Encode(b);
  return WriteAt(offset, b, kDupNodeSize);
}

// A leaf entry's record offset is read and written on its own: the rest of
// the node is unchanged, so the bytes on disk are those of a whole-node
// write.
bool Table::ReadEntryRecord(int k, int32_t leaf, int position, int32_t* record) {
  uint8_t b[4];
  const KeyDef& d = schema_.key[k];
  if (!BlockInFile(leaf, d.nodeSize) || !ReadAt(leaf + kNodeOffSelf, b, 4) || Load32(b) != leaf ||
      !ReadAt(leaf + kNodeOffCount, b, 4)) {
    SetError(err::kDamaged);
    return false;
  }
  int32_t count = Load32(b);
  if (count < 1 || count > kMaxEntries || position < 0 || position >= count ||
      !ReadAt(leaf + kNodeOffRecords + 4 * position, b, 4)) {
    SetError(err::kDamaged);
    return false;
  }
  *record = Load32(b);
  return true;
}

bool Table::WriteEntryRecord(int32_t leaf, int position, int32_t record) {
  uint8_t b[4];
  Store32(b, record);
  return WriteAt(leaf + kNodeOffRecords + 4 * position, b, 4);
}

bool Table::ReadChainNode(int32_t offset, DupNode* d) {
  bool isDup;
  if (!ReadDup(offset, d, &isDup)) return false;
  if (!isDup) SetError(err::kDamaged);
  return isDup;
}

bool Table::ChainDamaged() {
  SetError(err::kDamaged);
  return false;
}

bool Table::InsertDupIndex(int k, int32_t leaf, int position, int32_t record) {
  int32_t entry;
  if (!ReadEntryRecord(k, leaf, position, &entry)) return false;
  if (entry == -1) {
    // A dead entry comes back to life.
    return WriteEntryRecord(leaf, position, record);
  }
  DupNode head;
  bool isDup;
  if (!ReadDup(entry, &head, &isDup)) return false;
  if (!isDup) {
    // A value held by one record becomes a chain of two.
    int32_t aAt, bAt;
    DupNode a, b;
    a.record = entry;
    if (!SeekDeleteList(true, kDupNodeSize, &aAt) || !WriteDup(aAt, a)) return false;
    if (!SeekDeleteList(true, kDupNodeSize, &bAt)) return false;
    b.record = record;
    b.prev = aAt;
    b.next = -1;
    b.last = bAt;
    if (!WriteDup(bAt, b)) return false;
    a.next = bAt;
    a.prev = -1;
    a.last = bAt;
    if (!WriteDup(aAt, a)) return false;
    return WriteEntryRecord(leaf, position, aAt);
  }
  // Invariant (8): a chain's head has no node before it.
  if (head.prev != -1) return ChainDamaged();
  const KeyPosition& p = pos_[k];
  if (updating_ && k == curKey_ && p.node == leaf && p.entry == position && p.dup.record != -1) {
    // An updated record takes the place its old node held, so it keeps its
    // turn among its equals. The delete linked that node's neighbours to
    // each other; they are checked to do so before the new node goes in.
    const int32_t prevAt = p.dup.prev;
    const int32_t nextAt = p.dup.next;
    DupNode pn, nn;
    if (prevAt == -1 ? entry != nextAt : !ReadChainNode(prevAt, &pn) || pn.next != nextAt) return ChainDamaged();
    if (nextAt != -1 ? !ReadChainNode(nextAt, &nn) || nn.prev != prevAt : head.last != prevAt)
      return ChainDamaged();
    int32_t xAt;
    if (!SeekDeleteList(true, kDupNodeSize, &xAt)) return false;
    DupNode x;
    x.record = record;
    x.prev = prevAt;
    x.next = nextAt;
    x.last = xAt;
    if (prevAt == -1) {
      x.last = head.last;  // the new head takes over the last pointer
      if (!WriteDup(xAt, x)) return false;
      if (!WriteEntryRecord(leaf, position, xAt)) return false;
    } else {
      if (!WriteDup(xAt, x)) return false;
      if (!ReadChainNode(prevAt, &pn)) return false;
      pn.next = xAt;
      if (!WriteDup(prevAt, pn)) return false;
    }
    if (nextAt != -1) {
      if (!ReadChainNode(nextAt, &nn)) return false;
      nn.prev = xAt;
      if (!WriteDup(nextAt, nn)) return false;
    } else {
      DupNode h;
      if (!ReadChainNode(entry, &h)) return false;
      h.last = xAt;
      if (!WriteDup(entry, h)) return false;
    }
    return true;
  }
  // A new node at the end of the chain, after the node the head names as
  // its last, which must end the chain.
  const int32_t lastAt = head.last;
  DupNode last = head;
  if (lastAt != entry && !ReadChainNode(lastAt, &last)) return false;
  if (last.next != -1) return ChainDamaged();
  int32_t xAt;
  if (!SeekDeleteList(true, kDupNodeSize, &xAt)) return false;
  DupNode x;
  x.record = record;
  x.prev = lastAt;
  x.next = -1;
  x.last = xAt;
  if (!WriteDup(xAt, x)) return false;
  last.next = xAt;
  if (!WriteDup(lastAt, last)) return false;
  if (lastAt != entry) {
    if (!ReadChainNode(entry, &head)) return false;
  } else {
    head = last;
  }
  head.last = xAt;
  return WriteDup(entry, head);
}

bool Table::DeleteDupIndex(int k, int position) {
  const KeyPosition& p = pos_[k];
  return UnlinkDup(k, p.node, position, p.dupSelf, p.dup);
}

// Unlinks node x (at xAt) from the chain that hangs from entry position of
// the leaf, then puts it on the duplicate-node free list.
bool Table::UnlinkDup(int k, int32_t leaf, int position, int32_t xAt, const DupNode& x) {
  int32_t headAt;
  if (!ReadEntryRecord(k, leaf, position, &headAt)) return false;
  const int32_t prevAt = x.prev;
  const int32_t nextAt = x.next;
  // Invariant (8), checked before anything is written: x is the head
  // exactly when nothing comes before it, its neighbours link back to it,
  // and the head names it as the last node when it ends the chain.
  DupNode t;
  if (xAt < kHeaderSize || (xAt == headAt) != (prevAt == -1)) return ChainDamaged();
  if (nextAt != -1 && (!ReadChainNode(nextAt, &t) || t.prev != xAt)) return ChainDamaged();
  if (prevAt != -1 && (!ReadChainNode(prevAt, &t) || t.next != xAt)) return ChainDamaged();
  if (nextAt == -1 && prevAt != -1 && (!ReadChainNode(headAt, &t) || t.last != xAt)) return ChainDamaged();
  if (nextAt != -1) {
    if (!ReadChainNode(nextAt, &t)) return false;
    t.prev = prevAt;
    if (!WriteDup(nextAt, t)) return false;
  } else if (prevAt != -1) {
    if (!ReadChainNode(headAt, &t)) return false;
    t.last = prevAt;
    if (!WriteDup(headAt, t)) return false;
  }
  if (prevAt != -1) {
    if (!ReadChainNode(prevAt, &t)) return false;
    t.next = nextAt;
    if (!WriteDup(prevAt, t)) return false;
  }
  if (xAt == headAt) {
    if (nextAt != -1) {
      if (!ReadChainNode(nextAt, &t)) return false;
      t.last = x.last;
      if (!WriteDup(nextAt, t)) return false;
    }
    if (!WriteEntryRecord(leaf, position, nextAt)) return false;
  }
  // A key standing on x now stands between its neighbours.
  if (pos_[k].dupSelf == xAt) pos_[k].unlinked = true;
  return InsertDeleteList(true, xAt, kDupNodeSize);
}

bool Table::EntryHoldsValue(int k, int32_t leaf, int position, const uint8_t* v) {
  Node& n = nodeB_;
  if (!ReadNode(k, leaf, &n) || !n.leaf() || position < 0 || position >= n.count()) return false;
  return CompareKey(n.key(position), v, k) == 0;
}

bool Table::DeleteIndex(int k, const uint8_t* v) {
  const KeyDef& d = schema_.key[k];
  KeyPosition& p = pos_[k];
  const int32_t target = pos_[curKey_].record;
  if (d.attribute == kKeyDuplicates && k == curKey_ && p.dup.record != -1 && p.dup.record == target &&
      p.dupSelf != -1) {
    // The key stands on the record's node: unlink it without a search. The
    // position is checked first, since the index may have changed since it
    // was taken: the node is read again (a record may have been appended
    // after it, or the node freed), and the entry must still hold the value
    // (an insertion into the leaf shifts its entries, a split moves them).
    // A position that does not hold is looked for below.
    DupNode x;
    bool isDup;
    if (ReadDup(p.dupSelf, &x, &isDup) && isDup && x.record == target &&
        EntryHoldsValue(k, p.node, p.entry, v)) {
      p.dup = x;
      return DeleteDupIndex(k, p.entry);
    }
  }
  // The record is current, so every key holds it: an entry that does not
  // (missing, dead, or naming another record) is damage.
  SearchResult r;
  if (SearchIndex(k, v, &r, nullptr, false) < 0) return false;
  if (!r.found || r.record == -1) return ChainDamaged();
  if (d.attribute == kKeyDuplicates) {
    DupNode x;
    bool isDup;
    if (!ReadDup(r.record, &x, &isDup)) return false;
    if (isDup) {
      // Walk the chain from its head to the node of the current record.
      // This is also done for the current key when its position says the
      // record stands alone while the entry holds a chain (an equal value
      // was inserted since): failing there would leave the keys already
      // processed without the record.
      int32_t at = r.record;
      int32_t prevAt = -1;
      const int64_t maxSteps = FileEnd() / kDupNodeSize + 1;
      for (int64_t step = 0; at != -1; ++step) {
        if (step > maxSteps || !ReadChainNode(at, &x) || x.prev != prevAt) {
          SetError(err::kDamaged);
          return false;
        }
        if (x.record == target) {
          // The key's remembered node, read afresh, at the entry where it
          // is now (the current key stands on it): an update puts the new
          // record in its place.
          if (at == p.dupSelf || k == curKey_) {
            p.dup = x;
            p.dupSelf = at;
            p.node = r.leaf;
            p.entry = r.position;
          }
          return UnlinkDup(k, r.leaf, r.position, at, x);
        }
        prevAt = at;
        at = x.next;
      }
      return ChainDamaged();
    }
    if (k == curKey_) {
      p.dup.record = -1;
      p.dupSelf = -1;
    }
  }
  // The entry must name the record being deleted; anything else means the
  // position and the index disagree, and nothing is changed.
  if (r.record != target) return ChainDamaged();
  return WriteEntryRecord(r.leaf, r.position, -1);
}

}  // namespace orvex
