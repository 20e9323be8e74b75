// Records: insert, update, delete, the record free list and the
// auto-increment value. Record block formats: format/record_codec.h.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "format/record_codec.h"
#include "table/table.h"

namespace orvex {

void Table::PrefetchAhead(SharedFile::Reader* access, int n) {
  for (int i = 0; i < aheadCount_; ++i) access->Prefetch(ahead_[i], static_cast<size_t>(n));
  aheadCount_ = 0;
}

bool Table::RestoreChecked(const uint8_t* block, int want, bool wantEndsFile, uint8_t* fixed) {
  int len = Load16(block);
  // A length that runs past the end of the file names bytes the file does
  // not have yet: growing the file would give them a meaning.
  if (len > want && wantEndsFile) refersPastEnd_ = true;
  if (len < 2 || len > want || !RestoreRecord(schema_, block, len, fixed)) {
    SetError(err::kDamaged);
    return false;
  }
  return true;
}

bool Table::ReadRecordAt(int32_t offset, uint8_t* fixed) {
  const int reclen = schema_.recordLength;
  if (!schema_.trimmed) {
    if (aheadCount_ > 0) {
      SharedFile::Reader access(file_->shared());
      PrefetchAhead(&access, reclen);
    }
    if (!BlockInFile(offset, reclen)) {
      SetError(err::kDamaged);
      return false;
    }
    return ReadAt(offset, fixed, reclen);
  }
  // One read covers the longest block the schema allows; the block's own
  // length then says how much of it is the record.
  int64_t room = FileEnd() - offset;
  int want = MaxTrimmedSize(schema_);
  // No record block is shorter than the schema's smallest: one that would
  // end past the file lies (partly) where the file may grow.
  if (offset < kHeaderSize || room < std::max(2, schema_.smallestBlock)) {
    if (offset >= kHeaderSize) refersPastEnd_ = true;
    SetError(err::kDamaged);
    return false;
  }
  const bool wantEndsFile = room <= want;
  if (room < want) want = static_cast<int>(room);
  {
    // Commonly the block lies in a cached page: restore it from there, with
    // no copy into the block buffer first.
    SharedFile::Reader access(file_->shared());
    PrefetchAhead(&access, want);
    if (const uint8_t* b = access.Peek(offset, static_cast<size_t>(want)))
      return RestoreChecked(b, want, wantEndsFile, fixed);
  }
  if (!ReadAt(offset, block_.get(), want)) return false;
  return RestoreChecked(block_.get(), want, wantEndsFile, fixed);
}

bool Table::ReadRecordRun(size_t n, const std::function<int32_t(size_t)>& offsetOf,
                          const std::function<uint8_t*(size_t)>& place, size_t pieceBytes) {
  if (!open_) return false;
  if (n == 0) return true;
  const int reclen = schema_.recordLength;
  const int64_t end = FileEnd();
  // The most a record can take from its offset on.
  const int most = schema_.trimmed ? MaxTrimmedSize(schema_) : reclen;
  // A piece of the file [pieceAt, pieceEnd), read at once: up to
  // pieceBytes, and at least one record of the longest kind.
  const int64_t room = std::max<int64_t>(static_cast<int64_t>(std::min<size_t>(pieceBytes, 1u << 30)), most);
  std::vector<uint8_t> piece(static_cast<size_t>(room));
  int64_t pieceAt = 0, pieceEnd = 0;
  for (size_t i = 0; i < n; ++i) {
    const int32_t offset = offsetOf(i);
    // The checks ReadRecordAt makes, and the bytes the record may take.
    int want = reclen;
    bool wantEndsFile = false;
    if (schema_.trimmed) {
      const int64_t left = end - offset;
      if (offset < kHeaderSize || left < std::max(2, schema_.smallestBlock)) {
        if (offset >= kHeaderSize) refersPastEnd_ = true;
        SetError(err::kDamaged);
        return false;
      }
      want = most;
      wantEndsFile = left <= want;
      if (left < want) want = static_cast<int>(left);
    } else if (!BlockInFile(offset, reclen)) {
      SetError(err::kDamaged);
      return false;
    }
    if (offset < pieceAt || offset + want > pieceEnd) {
      // The next piece starts at this record and ends with the last record
      // after it whose bytes still fit, so that records far apart cost only
      // the bytes they take.
      int64_t through = offset + want;
      for (size_t j = i + 1; j < n; ++j) {
        const int32_t next = offsetOf(j);
        if (next < offset || next + int64_t{most} > offset + room) break;
        through = std::max<int64_t>(through, next + int64_t{most});
      }
      through = std::min(through, end);
      if (!ReadAt(offset, piece.data(), static_cast<int>(through - offset), true)) return false;
      pieceAt = offset;
      pieceEnd = through;
    }
    const uint8_t* block = piece.data() + (offset - pieceAt);
    uint8_t* fixed = place(i);
    if (!schema_.trimmed)
      std::memcpy(fixed, block, static_cast<size_t>(reclen));
    else if (!RestoreChecked(block, want, wantEndsFile, fixed))
      return false;
  }
  return true;
}

bool Table::SetRecBuff(void* image, int length) {
  if (!open_ || curKey_ < 0 || curKey_ >= schema_.keys || pos_[curKey_].record == -1) return false;
  const int reclen = schema_.recordLength;
  if (image && length == 0) length = reclen;
  if (length > reclen) length = reclen;
  curAt_ = -1;
  if (!ReadRecordAt(pos_[curKey_].record, cur_.get())) return false;
  if (image && length > 0) std::memcpy(image, cur_.get(), static_cast<size_t>(length));
  if (!updating_) std::memcpy(edit_.get(), cur_.get(), static_cast<size_t>(reclen));
  loadPending_ = false;
  curAt_ = pos_[curKey_].record;
  return true;
}

bool Table::EnsureCurrentLoaded() {
  if (!loadPending_ && curAt_ != -1 && curAt_ == pos_[curKey_].record) return true;
  return SetRecBuff(nullptr, 0);
}

void Table::SetCurRec(int offset) {
  if (!open_ || schema_.keys <= 0) return;
  pos_[0].record = offset;
  curKey_ = 0;
  pos_[0].dup.record = -1;
  pos_[0].dupSelf = -1;
  // The caller's offset: one where no record fits names no record (and
  // says nothing about the file). Otherwise an offset that does not hold a
  // record leaves no current record either.
  const int smallest = schema_.trimmed ? kTrimmedLengthSize : schema_.recordLength;
  if (offset < kHeaderSize || int64_t{offset} + smallest > FileEnd() || !SetRecBuff(nullptr, 0))
    pos_[0].record = -1;
}

int Table::GetCurRec(int keyNo) {
  if (keyNo < 0 || keyNo >= kMaxKeys) return -1;
  return pos_[keyNo].record;
}

// ---- free lists -----------------------------------------------------------

bool Table::InsertDeleteList(bool dupNode, int32_t offset, int32_t blockLen) {
  uint8_t b[kFreeLinkSize];
  if (dupNode) {
    Store32(b, hdr_.dupFreeHead());
    if (!WriteAt(offset, b, kFreeLinkSize)) return false;
    hdr_.setDupFreeHead(offset);
    return true;
  }
  if (!schema_.trimmed) {
    if (schema_.recordLength < kMinFreeFixedBlock) return true;
    Store32(b, hdr_.recordFreeHead());
    if (!WriteAt(offset, b, kFreeLinkSize)) return false;
  } else {
    if (blockLen < kMinFreeTrimmedBlock) return true;
    Store32(b, hdr_.recordFreeHead());
    if (!WriteAt(offset + kTrimmedLengthSize, b, kFreeLinkSize)) return false;
  }
  hdr_.setRecordFreeHead(offset);
  return true;
}

// A block taken from a free list is checked first (invariant (10)): it lies
// inside the file past the header, reads as a free block of its list, and
// (as far as a search of each key can tell) no index entry names it; its
// link is one a list can hold. A list that fails is cut where the damage
// begins (what lies beyond is lost to reuse) and not used again while the
// file is open: new blocks go to the end of the file, and the damage is
// reported once.
bool Table::SeekDeleteList(bool dupNode, int size, int32_t* at) {
  *at = static_cast<int32_t>(FileEnd());
  if (dupNode) {
    const int32_t head = hdr_.dupFreeHead();
    if (head <= 0 || dupListDamaged_) return true;
    int32_t next;
    const FreeBlock state = CheckFreeDupNode(head, &next);
    if (state != FreeBlock::kSound) DistrustFreeList(true);
    if (state == FreeBlock::kDamaged) {
      hdr_.setDupFreeHead(-1);
      return true;
    }
    hdr_.setDupFreeHead(state == FreeBlock::kSound ? next : -1);
    *at = head;
    return true;
  }
  const int32_t head = hdr_.recordFreeHead();
  if (head <= 0 || recordListDamaged_) return true;
  if (size < 0) size = schema_.recordLength;
  // Fixed records: the head block fits any record. Trimmed: the first of
  // the first few blocks that is long enough.
  const int looks = schema_.trimmed ? kFreeBlocksLooked : 1;
  int32_t prev = -1;
  int32_t block = head;
  for (int look = 0; look < looks; ++look) {
    int32_t next;
    int len;
    // Every block looked at is checked whole: a link written into one that
    // is not free would overwrite a live record.
    const FreeBlock state = CheckFreeRecordBlock(block, &next, &len);
    if (state == FreeBlock::kDamaged || RecordStillIndexed(block, len)) {
      DistrustFreeList(false);
      return SetRecordFreeLink(prev, -1);
    }
    if (state == FreeBlock::kBadLink) {
      DistrustFreeList(false);
      next = -1;
    }
    if (len >= size) {
      if (!SetRecordFreeLink(prev, next)) return false;
      *at = block;
      return true;
    }
    if (next <= 0) return state == FreeBlock::kSound || SetRecordFreeLink(block, -1);
    prev = block;
    block = next;
  }
  return true;
}

bool Table::MayGrow(int64_t bytes) {
  if (!freeListsWalked_) {
    freeListsWalked_ = true;
    WalkFreeLists();
  }
  if (refersPastEnd_) {
    SetError(err::kRefersPastEnd);
    return false;
  }
  return RoomToGrow(bytes);
}

// A link past the end of the file would come to point into the blocks that
// growth adds (a block listed as free inside a live one); a cycle would
// never end. A walk reads only each block's length and link: whether a
// block is live is asked when it is taken. So a list found damaged is
// dropped whole (its head emptied, nothing written into its blocks, which
// may be live ones it wrongly names); its space is lost to reuse.
void Table::WalkFreeLists() {
  const int64_t bound = FileEnd() / kMinFreeTrimmedBlock + 1;
  int64_t steps = 0;
  for (int32_t block = hdr_.recordFreeHead(); block > 0; ++steps) {
    int32_t next;
    int len;
    if (steps > bound || CheckFreeRecordBlock(block, &next, &len) != FreeBlock::kSound) {
      DistrustFreeList(false);
      hdr_.setRecordFreeHead(-1);
      dirty_ = true;
      break;
    }
    block = next;
  }
  steps = 0;
  for (int32_t node = hdr_.dupFreeHead(); node > 0; ++steps) {
    int32_t next;
    if (steps > bound || CheckFreeDupNode(node, &next) != FreeBlock::kSound) {
      DistrustFreeList(true);
      hdr_.setDupFreeHead(-1);
      dirty_ = true;
      break;
    }
    node = next;
  }
}

bool Table::SetRecordFreeLink(int32_t block, int32_t next) {
  if (block == -1) {
    hdr_.setRecordFreeHead(next);
    return true;
  }
  uint8_t n[kFreeLinkSize];
  Store32(n, next);
  return WriteAt(block + (schema_.trimmed ? kTrimmedLengthSize : 0), n, kFreeLinkSize);
}

Table::FreeBlock Table::CheckFreeRecordBlock(int32_t offset, int32_t* next, int* length) {
  uint8_t b[kMinFreeTrimmedBlock];
  int linkAt = 0;
  int len = schema_.recordLength;
  *length = 0;
  if (schema_.trimmed) {
    if (!InFile(offset, kMinFreeTrimmedBlock) || !ReadAt(offset, b, kMinFreeTrimmedBlock))
      return FreeBlock::kDamaged;
    len = Load16(b);
    linkAt = kTrimmedLengthSize;
    // A freed block keeps the length of the record it held.
    if (len < kMinFreeTrimmedBlock || len > MaxTrimmedSize(schema_)) return FreeBlock::kDamaged;
  } else if (len < kMinFreeFixedBlock) {
    return FreeBlock::kDamaged;  // such blocks are never listed
  }
  if (!InFile(offset, len) || !ReadAt(offset + linkAt, b, kFreeLinkSize)) return FreeBlock::kDamaged;
  *next = Load32(b);
  *length = len;
  const bool linkOk =
      *next <= 0 || (*next != offset && InFile(*next, schema_.trimmed ? kMinFreeTrimmedBlock : len));
  return linkOk ? FreeBlock::kSound : FreeBlock::kBadLink;
}

Table::FreeBlock Table::CheckFreeDupNode(int32_t offset, int32_t* next) {
  uint8_t b[kDupNodeSize];
  if (!InFile(offset, kDupNodeSize) || !ReadAt(offset, b, kDupNodeSize) || !LooksLikeFreeDupNode(b))
    return FreeBlock::kDamaged;
  *next = Load32(b);
  return *next <= 0 || (*next != offset && InFile(*next, kDupNodeSize)) ? FreeBlock::kSound
                                                                            : FreeBlock::kBadLink;
}

// Read as the record it would be, the block's key values are looked up:
// an entry (or one of the first nodes of its chain) that names the block
// means a live record, listed as free by damage. A freed block's link
// spoils the value of the keys on the bytes it overwrote; they find
// nothing, so a truly free block is never taken for a live one.
bool Table::RecordStillIndexed(int32_t offset, int length) {
  constexpr int kChainNodesLooked = 16;
  const int reclen = schema_.recordLength;
  probeBlock_.resize(static_cast<size_t>(length));
  probeRecord_.resize(static_cast<size_t>(reclen > 0 ? reclen : 1));
  if (!ReadAt(offset, probeBlock_.data(), length)) return false;
  if (schema_.trimmed) {
    if (!RestoreRecord(schema_, probeBlock_.data(), length, probeRecord_.data())) return false;
  } else {
    std::memcpy(probeRecord_.data(), probeBlock_.data(), static_cast<size_t>(reclen));
  }
  uint8_t v[kKeyBufferSize];
  for (int k = 0; k < schema_.keys; ++k) {
    FormKey(schema_.key[k], probeRecord_.data(), v);
    SearchResult r;
    if (SearchIndex(k, v, &r, nullptr, false) < 0 || !r.found || r.record == -1) continue;
    if (r.record == offset) return true;
    if (schema_.key[k].attribute != kKeyDuplicates) continue;
    int32_t at = r.record;
    for (int i = 0; i < kChainNodesLooked && at != -1; ++i) {
      DupNode d;
      bool isDup;
      if (!ReadDup(at, &d, &isDup) || !isDup) break;
      if (d.record == offset) return true;
      at = d.next;
    }
  }
  return false;
}

void Table::DistrustFreeList(bool dupNode) {
  bool& damaged = dupNode ? dupListDamaged_ : recordListDamaged_;
  if (damaged) return;
  damaged = true;
  SetError(err::kFreeListDamaged);
}

// ---- auto-increment -------------------------------------------------------

// The value is one more than the largest value under the auto-increment
// field's own key (the unique key made with the field), 1 when that key
// holds no live record. The positions of every key stay as they are.
int Table::AutoIncKey(int field) const {
  int key = -1;
  for (int k = 0; k < schema_.keys; ++k) {
    const KeyDef& d = schema_.key[k];
    if (!d.multi && d.part[0].field == field) {
      if (key == -1 || d.attribute == kKeyUnique) key = k;
      if (d.attribute == kKeyUnique) break;
    }
  }
  return key;
}

bool Table::AutoIncValue(int field, int32_t* value) {
  *value = 1;
  const int key = AutoIncKey(field);
  if (key < 0 || hdr_.lastLeaf(key) == -1) return true;
  Node& n = nodeC_;
  if (!ReadNode(key, hdr_.lastLeaf(key), &n)) return false;
  int entry = n.count() - 1;
  if (!SkipBackward(key, &n, &entry)) return true;  // no live entry
  const int32_t largest = Load32(n.key(entry));
  if (largest == INT32_MAX) {
    // There is no next value: the insert is refused (wrapping round would
    // give every later insert the same smallest value).
    SetError(err::kAutoIncExhausted);
    return false;
  }
  *value = largest + 1;
  return true;
}

// ---- insert, delete, update -----------------------------------------------

// What one insert can add to the file: the record block and, per key, the
// two nodes of a new duplicate chain or a split at every level of the tree
// and a new root (a tree of fan-out 200 inside 2 GB is at most 5 levels deep).
int Table::InsertWorstCaseGrowth(int recordBlock) {
  constexpr int kMaxNewNodes = 10;
  int64_t total = recordBlock;
  for (int k = 0; k < schema_.keys; ++k) total += 2 * kDupNodeSize + kMaxNewNodes * schema_.key[k].nodeSize;
  return static_cast<int>(total);
}

bool Table::WriteRecord(const uint8_t* data, int n, int32_t* at) {
  if (!SeekDeleteList(false, n, at)) return false;
  return WriteAt(*at, data, n);
}

bool Table::PrepareRecord(const uint8_t* img, int length, const uint8_t** block, int* blockLen) {
  const int reclen = schema_.recordLength;
  // The record as written: the image, completed from the edit buffer when
  // it is shorter than a record.
  uint8_t* rec = image_.get();
  if (!img || length < reclen) std::memcpy(rec, edit_.get(), static_cast<size_t>(reclen));
  if (img) std::memcpy(rec, img, static_cast<size_t>(length));
  // With the chunk references it may hold.
  SetChunkRefs(rec);
  EndTextsAtNul(schema_, rec);
  for (int k = 0; k < schema_.keys; ++k) {
    FormKey(schema_.key[k], rec, keyVals_[k]);
    if (HoldsNan(schema_.key[k], keyVals_[k])) {
      SetError(err::kNanKey);
      return false;
    }
  }
  *block = rec;
  *blockLen = reclen;
  if (schema_.trimmed) {
    const int n = TrimmedSize(schema_, rec);
    if (n > kMaxTrimmedBlock) {
      SetError(err::kRecordTooLong);
      return false;
    }
    TrimRecord(schema_, rec, block_.get());
    *block = block_.get();
    *blockLen = n;
  }
  // An entry that pointed at this block would take it for a chain.
  if (ReadsAsDupNode(*block, *blockLen)) {
    SetError(err::kLooksLikeDupNode);
    return false;
  }
  return true;
}

bool Table::SearchForInsert() {
  for (int k = 0; k < schema_.keys; ++k) {
    SearchResult& r = searches_[k];
    r = SearchResult();
    if (SearchIndex(k, keyVals_[k], &r, nullptr, false) < 0 && hdr_.root(k) != -1) return false;
    if (r.found && r.record != -1 && schema_.key[k].attribute == kKeyUnique) {
      SetError(err::kUnduplicated);
      return false;
    }
  }
  return true;
}

void Table::AllowOneMore(const bool* samePlace) {
  for (int k = 0; k < schema_.keys; ++k)
    if (!samePlace || !samePlace[k]) ++pos_[k].allowance;
}

int Table::AppendedChunks(int32_t* first) {
  int count = 0;
  for (int i = 0; i < schema_.fields && edit_; ++i) {
    if (schema_.type[i] == kTypeChunk && chunkAppended_[i] && appendedRef_[i].first > 0)
      first[count++] = appendedRef_[i].first;
  }
  return count;
}

bool Table::Insert(void* image, int length) {
  // The chunks appended for this record; if the record is not written they
  // belong to nothing, and go back to the free list (inside an update, once
  // the update has put back what it changed).
  int32_t appended[kMaxFields];
  const int count = AppendedChunks(appended);
  if (bulk_.empty() ? InsertRecord(image, length) : BulkRecord(image, length)) return true;
  if (changeDepth_ == 0 && count > 0) {
    for (int i = 0; i < count; ++i) InsertChunkDeleteList(appended[i]);
    // An insert refused before it took them still names them as appended:
    // a later record must not be given blocks that are on the free list.
    ResetChunkAppend();
  }
  return false;
}

bool Table::InsertRecord(void* image, int length) {
  if (!open_) return false;
  const int reclen = schema_.recordLength;
  uint8_t* edit = edit_.get();
  auto* img = static_cast<uint8_t*>(image);
  if (img && length == 0) length = reclen;
  if (length < 0 || length > reclen) length = reclen;
  for (int i = 0; i < schema_.fields; ++i) {
    if (schema_.type[i] == kTypeAutoInc && !updating_ && ready_) {
      int32_t v;
      if (!AutoIncValue(i, &v)) return false;
      Store32(edit + schema_.offset[i], v);
      if (img && schema_.offset[i] + 4 <= length) Store32(img + schema_.offset[i], v);
    }
  }
  // Nothing is written when the record cannot be kept as it is, or a
  // unique key would get a second live record.
  const uint8_t* block;
  int blockLen;
  const bool prepared = PrepareRecord(img, length, &block, &blockLen);
  ResetChunkAppend();
  if (schema_.keys <= 0 || !ready_) {
    SetError(err::kKeyNotFound);
    return false;
  }
  if (!prepared || !SearchForInsert()) return false;
  if (!MayGrow(InsertWorstCaseGrowth(blockLen))) return false;
  Change change(this);
  int32_t at;
  if (!WriteRecord(block, blockLen, &at)) return false;
  for (int k = 0; k < schema_.keys; ++k) {
    const SearchResult& r = searches_[k];
    if (r.found) {
      if (!InsertDupIndex(k, r.leaf, r.position, at)) return false;
    } else if (r.greaterThanAll) {
      SearchResult again;
      if (SearchIndex(k, keyVals_[k], &again, nullptr, true) < 0) return false;
      if (!InsertIndex(k, keyVals_[k], at, again.leaf, again.position)) return false;
    } else {
      if (!InsertIndex(k, keyVals_[k], at, r.leaf, r.position)) return false;
    }
  }
  // Invariant (11): the header's checks bound the count far below the
  // largest int (every record has a block of its own in a 2 GB file).
  hdr_.setRecordCount(hdr_.recordCount() + 1);
  dirty_ = true;
  if (!change.Commit()) return false;
  workKey_ = -1;
  if (at == curAt_) curAt_ = -1;  // a freed block of the buffer's record reused
  if (!updating_) AllowOneMore(nullptr);
  std::memset(edit, 0, static_cast<size_t>(reclen));
  return true;
}

bool Table::CanInsert() {
  if (!open_) return false;
  if (schema_.keys <= 0 || !ready_) {
    SetError(err::kKeyNotFound);
    return false;
  }
  const uint8_t* block;
  int blockLen;
  return PrepareRecord(nullptr, 0, &block, &blockLen) && SearchForInsert();
}

bool Table::Delete() {
  if (!open_ || hdr_.recordCount() <= 0) return false;
  if (curKey_ == -1) {
    SetError(err::kCantLocate);
    return false;
  }
  if (schema_.keys <= 0 || !ready_) {
    SetError(err::kKeyNotFound);
    return false;
  }
  KeyPosition& p = pos_[curKey_];
  if (p.record == -1) return false;
  // The keys are formed from the record at the position: after a plain
  // walk (which does not read it) the buffer still holds the record before.
  if (!EnsureCurrentLoaded()) return false;
  // Every key loses the record, or none does (a key whose entry does not
  // name it is damaged: what the keys before it gave up is put back).
  Change change(this);
  const int32_t record = p.record;
  uint8_t v[kKeyBufferSize];
  for (int k = 0; k < schema_.keys; ++k) {
    FormKey(schema_.key[k], cur_.get(), v);
    if (!DeleteIndex(k, v)) return false;
  }
  // Invariant (11): the count was checked to be above 0 on entry.
  assert(hdr_.recordCount() > 0);
  hdr_.setRecordCount(hdr_.recordCount() - 1);
  dirty_ = true;
  // In an update the chunks stay until the new record is in place.
  if (!updating_) FreeChunks(cur_.get(), nullptr);
  int32_t blockLen = schema_.recordLength;
  if (schema_.trimmed) {
    uint8_t b[2];
    blockLen = ReadAt(record, b, 2) ? Load16(b) : 0;
  }
  if (!InsertDeleteList(false, record, blockLen)) return false;
  p.record = -1;
  if (!change.Commit()) return false;
  workKey_ = -1;
  return true;
}

bool Table::Update(void* image, int length) {
  if (!open_ || hdr_.recordCount() <= 0) return false;
  if (schema_.keys <= 0 || !ready_) {
    SetError(err::kKeyNotFound);
    return false;
  }
  if (curKey_ == -1) {
    SetError(err::kCurrentKeyInvalid);
    return false;
  }
  if (pos_[curKey_].record == -1) return false;
  if (image && length == 0) length = schema_.recordLength;
  // The record being replaced keeps its chunks in every field not appended
  // to; a field appended to gets the new chain, and the old chain is freed
  // once the new record is in place (never before: a failed update leaves
  // the old record with every chain it had).
  // (Read as inside the update: the edit buffer holds the new record and
  // is not overwritten by the old one.)
  updating_ = true;
  const bool loaded = EnsureCurrentLoaded();
  updating_ = false;
  if (!loaded) return false;
  bool replaced[kMaxFields] = {};
  for (int i = 0; i < schema_.fields; ++i) {
    if (schema_.type[i] != kTypeChunk) continue;
    chunkCarry_[i] = ChunkRef::Load(cur_.get() + schema_.offset[i]);
    replaced[i] = chunkAppended_[i] && chunkCarry_[i].first > 0 && appendedRef_[i].first != chunkCarry_[i].first;
  }
  int32_t appended[kMaxFields];
  const int count = AppendedChunks(appended);
  // A delete and an insert, as one change: when either fails (a unique key,
  // a value that cannot be kept, damage, no room) the old record stays
  // where it was, whole, under every key.
  bool ok;
  {
    Change change(this);
    updating_ = true;
    ok = Delete() && Insert(image, length);
    updating_ = false;
    if (ok) {
      for (int i = 0; i < schema_.fields; ++i)
        if (replaced[i]) InsertChunkDeleteList(chunkCarry_[i].first);
      ok = change.Commit();
    }
  }
  if (!ok) {
    // Once the insert has taken the chunks appended for the record they
    // belong to nothing, and go back to the free list; when the update
    // failed before, they stay for the next insert or update.
    int32_t pending[kMaxFields];
    if (AppendedChunks(pending) == 0)
      for (int i = 0; i < count; ++i) InsertChunkDeleteList(appended[i]);
    return false;
  }
  // A walk may meet the record again where it went, unless it stayed in
  // its place: an equal value under a unique key or under the key it was
  // reached by.
  bool samePlace[kMaxKeys];
  uint8_t old[kKeyBufferSize];
  for (int k = 0; k < schema_.keys; ++k) {
    FormKey(schema_.key[k], cur_.get(), old);
    samePlace[k] = CompareKey(old, keyVals_[k], k) == 0 &&
                   (schema_.key[k].attribute == kKeyUnique || k == curKey_);
  }
  AllowOneMore(samePlace);
  return true;
}

}  // namespace orvex
