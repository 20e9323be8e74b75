// Records: insert, update, delete, the record free list and the
// auto-increment value. Record block formats: format/record_codec.h.
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

bool Table::RestoreChecked(const uint8_t* block, int want, uint8_t* fixed) {
  int len = Load16(block);
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
  if (offset < kHeaderSize || room < 2) {
    SetError(err::kDamaged);
    return false;
  }
  if (room < want) want = static_cast<int>(room);
  const uint8_t* b = nullptr;
  {
    // Commonly the block lies in a cached page: restore it from there, with
    // no copy into the block buffer first.
    SharedFile::Reader access(file_->shared());
    PrefetchAhead(&access, want);
    b = access.Peek(offset, static_cast<size_t>(want));
    if (b) return RestoreChecked(b, want, fixed);
  }
  if (!ReadAt(offset, block_.get(), want)) return false;
  return RestoreChecked(block_.get(), want, fixed);
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
  // An offset that does not hold a record leaves no current record.
  if (!SetRecBuff(nullptr, 0)) pos_[0].record = -1;
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

bool Table::SeekDeleteList(bool dupNode, int size, int32_t* at) {
  uint8_t b[kMinFreeTrimmedBlock];
  const int32_t end = static_cast<int32_t>(FileEnd());
  if (dupNode) {
    int32_t head = hdr_.dupFreeHead();
    if (head <= 0) {
      *at = end;
      return true;
    }
    if (!BlockInFile(head, kDupNodeSize) || !ReadAt(head, b, kFreeLinkSize)) {
      SetError(err::kDamaged);
      return false;
    }
    hdr_.setDupFreeHead(Load32(b));
    *at = head;
    return true;
  }
  int32_t head = hdr_.recordFreeHead();
  if (head <= 0) {
    *at = end;
    return true;
  }
  if (!schema_.trimmed) {
    if (!BlockInFile(head, schema_.recordLength) || !ReadAt(head, b, kFreeLinkSize)) {
      SetError(err::kDamaged);
      return false;
    }
    hdr_.setRecordFreeHead(Load32(b));
    *at = head;
    return true;
  }
  if (size < 0) size = schema_.recordLength;
  // Trimmed: the first of the first three blocks that is long enough.
  int32_t prev = -1;
  int32_t block = head;
  for (int look = 0; look < kFreeBlocksLooked; ++look) {
    if (!BlockInFile(block, kMinFreeTrimmedBlock) || !ReadAt(block, b, kMinFreeTrimmedBlock)) {
      SetError(err::kDamaged);
      return false;
    }
    int len = Load16(b);
    int32_t next = Load32(b + kTrimmedLengthSize);
    if (len >= size && BlockInFile(block, len)) {
      if (prev == -1) {
        hdr_.setRecordFreeHead(next);
      } else {
        uint8_t n[kFreeLinkSize];
        Store32(n, next);
        if (!WriteAt(prev + kTrimmedLengthSize, n, kFreeLinkSize)) return false;
      }
      *at = block;
      return true;
    }
    if (next <= 0) break;
    prev = block;
    block = next;
  }
  *at = end;
  return true;
}

// ---- auto-increment -------------------------------------------------------

// The value is one more than the largest value under the auto-increment
// field's own key (the unique key made with the field), 1 when that key
// holds no live record. The positions of every key stay as they are.
bool Table::AutoIncValue(int field, int32_t* value) {
  *value = 1;
  int key = -1;
  for (int k = 0; k < schema_.keys; ++k) {
    const KeyDef& d = schema_.key[k];
    if (!d.multi && d.part[0].field == field) {
      if (key == -1 || d.attribute == kKeyUnique) key = k;
      if (d.attribute == kKeyUnique) break;
    }
  }
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

bool Table::Insert(void* image, int length) {
  // The chunks appended for this record; if the record is not written they
  // belong to nothing, and go back to the free list. (Once its block is
  // written, a failure may leave the record reachable through some key: its
  // chunks then stay.)
  int32_t appended[kMaxFields];
  int count = 0;
  for (int i = 0; i < schema_.fields && edit_; ++i) {
    if (schema_.type[i] == kTypeChunk && chunkAppended_[i] && appendedRef_[i].first > 0)
      appended[count++] = appendedRef_[i].first;
  }
  recordWritten_ = false;
  if (InsertRecord(image, length)) return true;
  if (!recordWritten_)
    for (int i = 0; i < count; ++i) InsertChunkDeleteList(appended[i]);
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
  // The record as written: the image, completed from the edit buffer when
  // it is shorter than a record, with the chunk references it may hold.
  uint8_t* src = edit;
  if (img) {
    uint8_t* full = image_.get();
    if (length < reclen) std::memcpy(full, edit, static_cast<size_t>(reclen));
    std::memcpy(full, img, static_cast<size_t>(length));
    src = full;
  }
  SetChunkRefs(src);
  ResetChunkAppend();
  if (schema_.keys <= 0 || !ready_) {
    SetError(err::kKeyNotFound);
    return false;
  }
  // Uniqueness pass: nothing is written when a unique key would get a
  // second live record.
  for (int k = 0; k < schema_.keys; ++k) {
    FormKey(schema_.key[k], src, keyVals_[k]);
    SearchResult& r = searches_[k];
    r = SearchResult();
    if (SearchIndex(k, keyVals_[k], &r, nullptr, false) < 0 && hdr_.root(k) != -1) return false;
    if (r.found && r.record != -1 && schema_.key[k].attribute == kKeyUnique) {
      SetError(err::kUnduplicated);
      return false;
    }
  }
  int blockLen = reclen;
  const uint8_t* block = src;
  if (schema_.trimmed) {
    blockLen = TrimmedSize(schema_, src);
    if (blockLen > kMaxTrimmedBlock) {
      SetError(err::kRecordTooLong);
      return false;
    }
    TrimRecord(schema_, src, block_.get());
    block = block_.get();
  }
  if (!RoomToGrow(InsertWorstCaseGrowth(blockLen))) return false;
  int32_t at;
  if (!WriteRecord(block, blockLen, &at)) return false;
  recordWritten_ = true;
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
  hdr_.setRecordCount(hdr_.recordCount() + 1);
  dirty_ = true;
  workKey_ = -1;
  if (at == curAt_) curAt_ = -1;  // a freed block of the buffer's record reused
  ResetTravel();
  std::memset(edit, 0, static_cast<size_t>(reclen));
  return true;
}

bool Table::CanInsert() {
  if (!open_) return false;
  if (schema_.keys <= 0 || !ready_) {
    SetError(err::kKeyNotFound);
    return false;
  }
  uint8_t v[kKeyBufferSize];
  for (int k = 0; k < schema_.keys; ++k) {
    FormKey(schema_.key[k], edit_.get(), v);
    SearchResult r;
    if (SearchIndex(k, v, &r, nullptr, false) < 0 && hdr_.root(k) != -1) return false;
    if (r.found && r.record != -1 && schema_.key[k].attribute == kKeyUnique) {
      SetError(err::kUnduplicated);
      return false;
    }
  }
  return true;
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
  workKey_ = -1;
  // In an update the chunks stay until the new record is in place.
  if (!updating_) FreeChunks(cur_.get(), nullptr);
  int32_t blockLen = schema_.recordLength;
  if (schema_.trimmed) {
    uint8_t b[2];
    blockLen = ReadAt(record, b, 2) ? Load16(b) : 0;
  }
  InsertDeleteList(false, record, blockLen);
  p.record = -1;
  ResetTravel();
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
  if (!EnsureCurrentLoaded()) return false;
  bool replaced[kMaxFields] = {};
  for (int i = 0; i < schema_.fields; ++i) {
    if (schema_.type[i] != kTypeChunk) continue;
    chunkCarry_[i] = ChunkRef::Load(cur_.get() + schema_.offset[i]);
    replaced[i] = chunkAppended_[i] && chunkCarry_[i].first > 0 && appendedRef_[i].first != chunkCarry_[i].first;
  }
  updating_ = true;
  if (!Delete()) {
    updating_ = false;
    return false;
  }
  if (!Insert(image, length)) {
    std::string why = err_;
    // Put the old record back as it was: its auto-increment value and its
    // chunk references stay.
    std::memcpy(edit_.get(), cur_.get(), static_cast<size_t>(schema_.recordLength));
    Insert(nullptr, 0);
    updating_ = false;
    err_ = why;
    return false;
  }
  updating_ = false;
  for (int i = 0; i < schema_.fields; ++i)
    if (replaced[i]) InsertChunkDeleteList(chunkCarry_[i].first);
  return true;
}

}  // namespace orvex
