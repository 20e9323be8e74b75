// Pattern search over a text key (GetLike, GetNotLike and their Next forms)
// and the saved positions, one slot per key.
#include <cstring>

#include "keys/pattern.h"
#include "table/table.h"

namespace orvex {

void Table::ClearPattern() {
  std::memset(pattern_, 0, sizeof pattern_);
  patternStored_ = false;
}

bool Table::PatternSearch(int k, const char* pattern, int mode, bool like) {
  if (!open_ || hdr_.recordCount() <= 0) return false;
  ClearPattern();
  if (k < 0 || k >= schema_.keys || hdr_.firstLeaf(k) == -1 || !pattern) return false;
  const KeyDef& d = schema_.key[k];
  if (d.multi || d.part[0].type != kTypeText) return false;
  // A longer pattern does not fit the pattern buffer; cutting it would
  // search for something the caller did not ask for.
  if (std::strlen(pattern) > kMaxPatternLength) {
    SetError(err::kPatternTooLong);
    return false;
  }
  patternMode_ = static_cast<int16_t>(mode);
  std::strcpy(pattern_, pattern);
  patternStored_ = true;
  if (PatternWalk(k, like, true)) return true;
  ClearPattern();
  return false;
}

bool Table::PatternNext(int k, bool like) {
  if (!open_ || hdr_.recordCount() <= 0 || !patternStored_) return false;
  return PatternWalk(k, like, false);
}

bool Table::PatternWalk(int k, bool like, bool fromFirst) {
  // The key value lands in a zeroed buffer longer than any slot, so that it
  // reads as a NUL-terminated text whatever the key's kind.
  uint8_t kv[kKeyBufferSize + 1] = {};
  const bool caseSensitive = patternMode_ == 1;
  bool ok = fromFirst ? KeyWalk(k, kv, 0) : KeyWalk(k, kv, 2);
  while (ok) {
    if (MatchPattern(reinterpret_cast<const char*>(kv), pattern_, caseSensitive) == like) return true;
    ok = KeyWalk(k, kv, 2);
  }
  return false;
}

bool Table::SavePosition(int k) {
  if (!open_ || k < 0 || k >= schema_.keys) return false;
  saved_[k] = pos_[k];
  return true;
}

bool Table::RestorePosition(int k) {
  if (!open_ || k < 0 || k >= schema_.keys) return false;
  const KeyPosition& s = saved_[k];
  KeyPosition& p = pos_[k];
  p.node = s.node;
  p.entry = s.entry;
  if (s.node == -1) return false;
  workKey_ = -1;
  if (!ReadNode(k, s.node, &work_)) return false;
  if (!work_.leaf() || s.entry < 0 || s.entry >= work_.count()) {
    SetError(err::kDamaged);
    return false;
  }
  workKey_ = k;
  int32_t record = work_.record(s.entry);
  if (record == -1) return false;  // the saved record was deleted
  DupNode dup;
  int32_t dupSelf = -1;
  if (schema_.key[k].attribute == kKeyDuplicates && s.dup.record != -1) {
    // The saved node must still be the node of the saved record: a deleted
    // record's node went to the free list (and may be reused since).
    DupNode now;
    if (!ReadChainNode(s.dupSelf, &now) || now.record != s.dup.record) return false;
    dup = now;
    dupSelf = s.dupSelf;
    record = now.record;
  }
  if (record < kHeaderSize || record >= FileEnd()) {
    SetError(err::kDamaged);
    return false;
  }
  p.record = record;
  p.dup = dup;
  p.dupSelf = dupSelf;
  p.travel = 0;
  curKey_ = k;
  return true;
}

}  // namespace orvex
