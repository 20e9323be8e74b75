// Positions per key: the five value seeks and the walks in their three
// flavours (load the record, return the key value, compare the key value).
#include <cassert>
#include <cmath>
#include <cstring>

#include "table/table.h"

namespace orvex {

bool Table::SkipForward(int k, Node* n, int* entry) {
  int64_t steps = MaxLeafSteps();
  if (*entry < 0) *entry = 0;
  for (;;) {
    for (; *entry < n->count(); ++*entry)
      if (n->record(*entry) != -1) return true;
    const int32_t next = n->next();
    if (next == -1) return false;
    // The next leaf must name this one as its previous: a chain that turns
    // back on itself is damage, not a longer walk.
    const int32_t from = n->self();
    if (--steps < 0 || !ReadNode(k, next, n) || !n->leaf() || n->prev() != from) {
      SetError(err::kDamaged);
      return false;
    }
    *entry = 0;
  }
}

bool Table::SkipBackward(int k, Node* n, int* entry) {
  int64_t steps = MaxLeafSteps();
  if (*entry >= n->count()) *entry = n->count() - 1;
  for (;;) {
    for (; *entry >= 0; --*entry)
      if (n->record(*entry) != -1) return true;
    const int32_t prev = n->prev();
    if (prev == -1) return false;
    const int32_t from = n->self();
    if (--steps < 0 || !ReadNode(k, prev, n) || !n->leaf() || n->next() != from) {
      SetError(err::kDamaged);
      return false;
    }
    *entry = n->count() - 1;
  }
}

bool Table::PositionAt(int k, int32_t leaf, int entry, int32_t record, bool fromTail) {
  KeyPosition np = pos_[k];
  np.node = leaf;
  np.entry = entry;
  np.record = record;
  if (schema_.key[k].attribute == kKeyDuplicates) {
    DupNode head;
    bool isDup;
    if (!ReadDup(np.record, &head, &isDup)) return false;
    if (!isDup) {
      np.dup = DupNode();
      np.dupSelf = -1;
    } else if (head.prev != -1) {
      // Invariant (8): the head has no node before it. With that, and each
      // step checking that the node it reaches links back, a walk along a
      // chain can never come round to a node it has passed.
      SetError(err::kDamaged);
      return false;
    } else if (!fromTail) {
      np.dup = head;
      np.dupSelf = np.record;
      np.record = head.record;
    } else {
      DupNode tail = head;
      if (head.last != np.record) {
        if (!ReadDup(head.last, &tail, &isDup)) return false;
        if (!isDup) {
          SetError(err::kDamaged);
          return false;
        }
      }
      // The same from the other end: the last node has none after it.
      if (tail.next != -1) {
        SetError(err::kDamaged);
        return false;
      }
      np.dupSelf = head.last;
      np.dup = tail;
      np.record = tail.record;
    }
  }
  if (np.record < kHeaderSize || np.record >= FileEnd()) {
    if (np.record >= FileEnd()) refersPastEnd_ = true;
    SetError(err::kDamaged);
    return false;
  }
  np.unlinked = false;
  np.travel = 0;
  np.allowance = hdr_.recordCount();
  pos_[k] = np;
  curKey_ = k;
  return true;
}

bool Table::Seek(SeekOp op, int k, const uint8_t* v) {
  workKey_ = -1;
  SearchResult r;
  if (op == SeekOp::kEqual) {
    // The equal entry is the answer: no leaf image is needed now (a later
    // step reads the leaf).
    if (SearchIndex(k, v, &r, nullptr, false) < 0 || !r.found || r.record == -1) return false;
    return PositionAt(k, r.leaf, r.position, r.record, false);
  }
  if (SearchIndex(k, v, &r, &work_, false) < 0) return false;
  int entry = r.position;
  bool ok = false;
  bool fromTail = false;
  switch (op) {
    case SeekOp::kEqual:
      break;
    case SeekOp::kGreaterEqual:
      ok = SkipForward(k, &work_, &entry);
      break;
    case SeekOp::kGreater:
      if (r.found) ++entry;
      ok = SkipForward(k, &work_, &entry);
      break;
    case SeekOp::kLessEqual:
      if (!r.found) --entry;
      ok = SkipBackward(k, &work_, &entry);
      fromTail = true;
      break;
    case SeekOp::kLess:
      --entry;
      ok = SkipBackward(k, &work_, &entry);
      fromTail = true;
      break;
  }
  workKey_ = k;
  if (!ok || !PositionAt(k, work_.self(), entry, work_.record(entry), fromTail)) return false;
  NoteAhead(entry, !fromTail, true);
  return true;
}

bool Table::LoadRecord(void* image, int length) { return SetRecBuff(image, length); }

bool Table::ValueSeek(SeekOp op, int k, const void* value, void* image, int length) {
  if (!open_ || k < 0 || k >= schema_.keys || hdr_.recordCount() <= 0 || !value) return false;
  uint8_t v[kKeyBufferSize];
  bool tooLong;
  FormSeekValue(schema_.key[k], value, v, &tooLong);
  if (op == SeekOp::kEqual && tooLong) return false;
  if (!Seek(op, k, v)) return false;
  return LoadRecord(image, length);
}

// ---- walks ----------------------------------------------------------------

bool Table::StepFirstLast(int k, bool last) {
  workKey_ = -1;
  const int32_t at = last ? hdr_.lastLeaf(k) : hdr_.firstLeaf(k);
  if (!ReadNode(k, at, &work_)) return false;
  // Invariant (4): the first leaf has none before it, the last none after.
  if (!work_.leaf() || (last ? work_.next() : work_.prev()) != -1) {
    SetError(err::kDamaged);
    return false;
  }
  int entry = last ? work_.count() - 1 : 0;
  bool ok = last ? SkipBackward(k, &work_, &entry) : SkipForward(k, &work_, &entry);
  workKey_ = k;
  if (!ok || !PositionAt(k, work_.self(), entry, work_.record(entry), last)) return false;
  NoteAhead(entry, !last, true);
  return true;
}

bool Table::StepNextPrev(int k, bool next) {
  KeyPosition& p = pos_[k];
  const int64_t travel = p.travel + (next ? 1 : -1);
  const int64_t allowance = p.allowance;
  if (travel > allowance || -travel > allowance) {
    SetError(err::kDamaged);
    return false;
  }
  if (schema_.key[k].attribute == kKeyDuplicates && p.dup.record != -1) {
    const int32_t to = next ? p.dup.next : p.dup.prev;
    if (to != -1) {
      DupNode x;
      bool isDup;
      if (!ReadDup(to, &x, &isDup)) return false;
      // Invariant (8): the neighbour links back to this node, or (when this
      // node was unlinked by a delete since) to the node before it.
      const int32_t back = next ? x.prev : x.next;
      const int32_t before = next ? p.dup.prev : p.dup.next;
      if (!isDup || (back != p.dupSelf && !(p.unlinked && back == before))) {
        SetError(err::kDamaged);
        return false;
      }
      p.dup = x;
      p.dupSelf = to;
      p.record = x.record;
      p.unlinked = false;
      p.travel = travel;
      curKey_ = k;
      return true;
    }
  }
  if (!(workKey_ == k && curKey_ == k && work_.self() == p.node)) {
    workKey_ = -1;
    if (!ReadNode(k, p.node, &work_)) return false;
    if (!work_.leaf()) {
      SetError(err::kDamaged);
      return false;
    }
    workKey_ = k;
  }
  int entry = p.entry + (next ? 1 : -1);
  const int32_t leafBefore = work_.self();
  bool ok = next ? SkipForward(k, &work_, &entry) : SkipBackward(k, &work_, &entry);
  if (!ok || !PositionAt(k, work_.self(), entry, work_.record(entry), !next)) return false;
  pos_[k].travel = travel;
  pos_[k].allowance = allowance;
  // On a new leaf nothing of it was noted yet.
  NoteAhead(entry, next, work_.self() != leafBefore);
  return true;
}

void Table::NoteAhead(int entry, bool forward, bool all) {
  aheadCount_ = 0;
  const int c = work_.count();
  // Invariant (1): the leaf was checked when it was read.
  assert(c >= 1 && c <= kMaxEntries);
  for (int d = all ? 1 : kAhead; d <= kAhead; ++d) {
    const int e = forward ? entry + d : entry - d;
    if (e < 0 || e >= c) break;
    const int32_t r = work_.record(e);
    if (r != -1) ahead_[aheadCount_++] = r;
  }
}

bool Table::WalkPreconditions(int k, bool needCurrentLeaf) {
  if (!open_ || hdr_.recordCount() <= 0 || k < 0 || k >= schema_.keys) return false;
  if (!ready_) {
    SetError(err::kIndexNotFound);
    return false;
  }
  if (hdr_.firstLeaf(k) == -1) return false;
  if (needCurrentLeaf && pos_[k].node == -1) return false;
  return true;
}

bool Table::GetFirst(int k, void* image, int length) {
  return WalkPreconditions(k, false) && StepFirstLast(k, false) && LoadRecord(image, length);
}
bool Table::GetLast(int k, void* image, int length) {
  return WalkPreconditions(k, false) && StepFirstLast(k, true) && LoadRecord(image, length);
}
bool Table::GetNext(int k, void* image, int length) {
  return WalkPreconditions(k, true) && StepNextPrev(k, true) && LoadRecord(image, length);
}
bool Table::GetPrev(int k, void* image, int length) {
  return WalkPreconditions(k, true) && StepNextPrev(k, false) && LoadRecord(image, length);
}

// The plain walks: checked like the others, the record is not read.
bool Table::SeekFirst(int k) {
  return open_ && ready_ && k >= 0 && k < schema_.keys && hdr_.firstLeaf(k) != -1 &&
         StepFirstLast(k, false);
}
bool Table::SeekLast(int k) {
  return open_ && ready_ && k >= 0 && k < schema_.keys && hdr_.lastLeaf(k) != -1 &&
         StepFirstLast(k, true);
}
bool Table::SeekNext(int k) {
  return open_ && ready_ && k >= 0 && k < schema_.keys && pos_[k].node != -1 &&
         StepNextPrev(k, true);
}
bool Table::SeekPrev(int k) {
  return open_ && ready_ && k >= 0 && k < schema_.keys && pos_[k].node != -1 &&
         StepNextPrev(k, false);
}

// ---- key-value and compare flavours ---------------------------------------

// Copies the key value at key k's position (its leaf's entry) to out.
bool Table::CurrentKeyValue(int k, uint8_t* out) {
  const KeyPosition& p = pos_[k];
  const KeyDef& d = schema_.key[k];
  const Node* n = &work_;
  if (!(workKey_ == k && work_.self() == p.node)) {
    if (!ReadNode(k, p.node, &nodeC_)) return false;
    n = &nodeC_;
  }
  if (p.entry < 0 || p.entry >= n->count()) return false;
  std::memcpy(out, n->key(p.entry), static_cast<size_t>(d.slotWidth));
  if (d.kind == kNodeChar) out[d.length] = 0;
  return true;
}

bool Table::KeyWalk(int k, void* value, int step) {
  if (!value) return false;
  if (!WalkPreconditions(k, step >= 2)) return false;
  loadPending_ = true;
  bool ok = step == 0 ? StepFirstLast(k, false)
          : step == 1 ? StepFirstLast(k, true)
                      : StepNextPrev(k, step == 2);
  if (!ok) return false;
  uint8_t kv[kKeyBufferSize];
  if (!CurrentKeyValue(k, kv)) return false;
  std::memcpy(value, kv, static_cast<size_t>(schema_.key[k].slotWidth));
  return true;
}

bool Table::GetKeyFirst(int k, void* value) { return KeyWalk(k, value, 0); }
bool Table::GetKeyLast(int k, void* value) { return KeyWalk(k, value, 1); }
bool Table::GetKeyNext(int k, void* value) { return KeyWalk(k, value, 2); }
bool Table::GetKeyPrev(int k, void* value) { return KeyWalk(k, value, 3); }

namespace {

template <typename T>
T LoadAs(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

bool Table::CompareStep(int k, void* value, short* code, bool forward) {
  if (!WalkPreconditions(k, true)) return false;
  loadPending_ = true;
  if (!StepNextPrev(k, forward)) return false;
  uint8_t kv[kKeyBufferSize];
  if (!CurrentKeyValue(k, kv)) return false;
  const KeyDef& d = schema_.key[k];
  if (code) {
    if (!value) return false;
    const int want = *code;
    switch (d.kind) {
      case kNodeBool: return int{LoadAs<uint8_t>(value)} - int{kv[0]} == want;
      case kNodeShort: return int{LoadAs<int16_t>(value)} - int{LoadAs<int16_t>(kv)} == want;
      case kNodeInt:
        return int64_t{LoadAs<int32_t>(value)} - int64_t{LoadAs<int32_t>(kv)} == want;
      case kNodeFloat: {
        float diff = LoadAs<float>(value) - LoadAs<float>(kv);
        return diff == static_cast<float>(want) || std::isnan(diff);
      }
      case kNodeDouble: {
        double diff = LoadAs<double>(value) - LoadAs<double>(kv);
        return diff == static_cast<double>(want) || std::isnan(diff);
      }
      case kNodeChar: {
        // Over the length of the new key's text, byte by byte.
        int n = static_cast<int>(strnlen(reinterpret_cast<const char*>(kv), d.length));
        // A shorter value differs at its NUL, so no byte past it is read.
        const auto* a = static_cast<const uint8_t*>(value);
        int c = 0;
        for (int i = 0; i < n && c == 0; ++i)
          if (a[i] != kv[i]) c = a[i] < kv[i] ? -1 : 1;
        return c == want;
      }
    }
    return false;
  }
  if (value) std::memcpy(value, kv, static_cast<size_t>(d.slotWidth));
  return true;
}

}  // namespace orvex
