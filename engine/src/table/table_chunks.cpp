// Chunk storage: appending a value piece by piece to the record being built,
// reading the current record's value piece by piece, the chunk free list,
// and the chunk references an insert stores. Block format: format/chunk.h.
#include <cstring>

#include "table/table.h"

namespace orvex {

// ---- blocks and the free list -------------------------------------------------

bool Table::ReadChunkHeader(int32_t at, ChunkBlockHeader* h) {
  uint8_t b[kChunkHeaderSize];
  // Invariant (12): the block lies whole inside the file, past the header,
  // and holds data (the engine never makes an empty block).
  if (!BlockInFile(at, kChunkHeaderSize) || !ReadAt(at, b, kChunkHeaderSize)) {
    SetError(err::kDamaged);
    return false;
  }
  *h = ChunkBlockHeader::Load(b);
  if (h->capacity < 1 || !BlockInFile(at, int64_t{kChunkHeaderSize} + h->capacity)) {
    SetError(err::kDamaged);
    return false;
  }
  return true;
}

bool Table::WriteChunkHeader(int32_t at, const ChunkBlockHeader& h) {
  uint8_t b[kChunkHeaderSize];
  h.Store(b);
  return WriteAt(at, b, kChunkHeaderSize);
}

// The free list is walked once per open file before its first block is
// taken: every block must read as a block and the list must end. A list that
// fails is dropped (its space stays lost until compaction) and new blocks go
// to the end of the file, so that a damaged link never hands out a live
// block twice or runs round a cycle.
bool Table::ChunkFreeListUsable() {
  if (chunkFreeChecked_) return true;
  // A link past the end of the file drops the list, and nothing refers
  // there any more: the file may still grow (see refersPastEnd_).
  const bool pastEndBefore = refersPastEnd_;
  const bool usable = WalkChunkFreeList();
  refersPastEnd_ = pastEndBefore;
  return usable;
}

bool Table::WalkChunkFreeList() {
  int32_t slow = hdr_.chunkFreeHead();
  int32_t fast = slow;
  ChunkBlockHeader h;
  for (;;) {
    // Two steps of the fast walker per step of the slow one: they meet only
    // on a cycle, within a few times the list's length.
    for (int i = 0; i < 2 && fast > 0; ++i) {
      if (!ReadChunkHeader(fast, &h)) return DropChunkFreeList();
      fast = h.next;
    }
    if (fast <= 0) break;
    if (!ReadChunkHeader(slow, &h)) return DropChunkFreeList();
    slow = h.next;
    if (slow == fast) return DropChunkFreeList();
  }
  chunkFreeChecked_ = true;
  return true;
}

bool Table::DropChunkFreeList() {
  hdr_.setChunkFreeHead(-1);
  dirty_ = true;
  chunkFreeChecked_ = true;
  SetError(err::kChunkFreeListDamaged);
  return false;
}

bool Table::SeekChunkDeleteList(int32_t* block, ChunkBlockHeader* h) {
  if (hdr_.chunkFreeHead() < 1 || !ChunkFreeListUsable()) return false;
  const int32_t head = hdr_.chunkFreeHead();
  if (head < 1) return false;
  if (!ReadChunkHeader(head, h)) {
    DropChunkFreeList();
    return false;
  }
  // The block leaves the list: its next becomes the head, and it is the
  // last block of its new chain until another is linked after it.
  hdr_.setChunkFreeHead(h->next);
  dirty_ = true;
  h->next = -1;
  if (!WriteChunkHeader(head, *h)) return false;
  *block = head;
  return true;
}

bool Table::InsertChunkDeleteList(int32_t first) {
  int32_t last = first;
  ChunkBlockHeader h;
  for (int step = 0;; ++step) {
    // A longer chain, or one that leaves the file, is not freed.
    if (step >= kMaxChunkSteps || !ReadChunkHeader(last, &h)) return false;
    // A block already on the free list (the chain was freed before) is not
    // listed twice: the list would run round in a cycle.
    if (last == hdr_.chunkFreeHead()) return false;
    if (h.next <= 0) break;
    if (h.next == last || h.next == first) return false;
    last = h.next;
  }
  // The freed chain goes in front of the list whole.
  h.next = hdr_.chunkFreeHead();
  if (!WriteChunkHeader(last, h)) return false;
  hdr_.setChunkFreeHead(first);
  dirty_ = true;
  return true;
}

// ---- appending ---------------------------------------------------------------

void Table::ResetChunkAppend() {
  append_ = ChunkAppend();
  std::memset(chunkAppended_, 0, sizeof chunkAppended_);
}

bool Table::AppendChunk(const void* data, int length, int field) {
  if (!open_ || field < 0 || field >= schema_.fields || !edit_ || schema_.type[field] != kTypeChunk ||
      length < 0 || (length > 0 && !data))
    return false;
  uint8_t* ref = edit_.get() + schema_.offset[field];
  if (append_.field != field) {
    append_ = ChunkAppend();
    append_.field = field;
    chunkAppended_[field] = true;
  }
  if (append_.appended == 0) {
    appendedRef_[field] = ChunkRef();
    appendedRef_[field].Store(ref);
  }
  if (length == 0) return true;
  if (length > INT32_MAX - append_.appended) {
    SetError(err::kFileTooLarge);
    return false;
  }
  if (append_.appended == 0) {
    // The first piece starts in a free block, else at the end of the file.
    append_.block = 0;
    append_.offset = 0;
    if (SeekChunkDeleteList(&append_.block, &append_.header)) append_.first = append_.block;
  }
  if (!WriteChunk(static_cast<const uint8_t*>(data), length)) return false;
  append_.appended += length;
  appendedRef_[field] = ChunkRef{append_.first, append_.appended};
  appendedRef_[field].Store(ref);
  return true;
}

bool Table::WriteChunk(const uint8_t* data, int length) {
  ChunkAppend& a = append_;
  while (length > 0) {
    if (a.block == 0) {
      // A new block at the end of the file holds the rest.
      const int32_t at = static_cast<int32_t>(FileEnd());
      if (!MayGrow(int64_t{kChunkHeaderSize} + length)) return false;
      a.header = ChunkBlockHeader{-1, length};
      if (!WriteChunkHeader(at, a.header) || !WriteAt(at + kChunkHeaderSize, data, length, true)) return false;
      if (a.first == 0) a.first = at;
      a.block = at;
      a.offset = length;
      return true;
    }
    const int32_t dataAt = a.block + kChunkHeaderSize;
    if (a.offset == a.header.capacity && dataAt + a.header.capacity == FileEnd()) {
      // The block ends the file: it grows by the piece, and the chunk stays
      // one block however many pieces it takes.
      if (!MayGrow(length)) return false;
      a.header.capacity += length;
      if (!WriteChunkHeader(a.block, a.header) || !WriteAt(dataAt + a.offset, data, length, true)) return false;
      a.offset += length;
      return true;
    }
    const int room = a.header.capacity - a.offset;
    const int now = room < length ? room : length;
    if (now > 0 && !WriteAt(dataAt + a.offset, data, now)) return false;
    a.offset += now;
    data += now;
    length -= now;
    if (length == 0) return true;
    // The block is full: the rest goes on in a free block, else in a new
    // block at the end of the file, linked from this one.
    int32_t next = 0;
    ChunkBlockHeader nextHeader;
    const bool reused = SeekChunkDeleteList(&next, &nextHeader);
    if (!reused) {
      if (!MayGrow(int64_t{kChunkHeaderSize} + length)) return false;
      next = static_cast<int32_t>(FileEnd());
    }
    a.header.next = next;
    if (!WriteChunkHeader(a.block, a.header)) return false;
    a.block = reused ? next : 0;
    a.header = nextHeader;
    a.offset = 0;
  }
  return true;
}

// ---- reading -------------------------------------------------------------------

bool Table::ChunkFieldOfCurrent(int field) {
  if (!open_ || field < 0 || field >= schema_.fields || !cur_ || schema_.type[field] != kTypeChunk)
    return false;
  if (curKey_ < 0 || curKey_ >= schema_.keys || pos_[curKey_].record == -1) return false;
  return EnsureCurrentLoaded();
}

bool Table::GotoChunkPos(int field) {
  read_ = ChunkRead();
  if (!ChunkFieldOfCurrent(field)) return false;
  const ChunkRef ref = ChunkRef::Load(cur_.get() + schema_.offset[field]);
  if (ref.first <= 0) return false;
  if (ref.size < 0 || !ReadChunkHeader(ref.first, &read_.header)) {
    SetError(err::kDamaged);
    return false;
  }
  read_.field = field;
  read_.record = curAt_;
  read_.block = ref.first;
  read_.left = ref.size;
  read_.mark = ref.first;
  return true;
}

bool Table::GetChunk(void* dest, int length, int field) {
  if (!ChunkFieldOfCurrent(field) || !dest || length < 0) return false;
  if (read_.field != field || read_.record != curAt_) {
    SetError(err::kChunkNotPositioned);
    return false;
  }
  auto* out = static_cast<uint8_t*>(dest);
  // Never past the value's size: a block's spare room is no part of it.
  int want = length < read_.left ? length : read_.left;
  const bool shortOfLength = want < length;
  while (want > 0) {
    int avail = read_.header.capacity - read_.offset;
    if (avail == 0) {
      // Invariant (12): the blocks hold at least the size; a chain that ends
      // first, or a cycle (each block read takes at least one byte, so the
      // walk still ends), is damage.
      const int32_t next = read_.header.next;
      if (next <= 0 || next == read_.mark || !ReadChunkHeader(next, &read_.header)) {
        read_.field = -1;
        SetError(err::kChunkShort);
        return false;
      }
      read_.block = next;
      read_.offset = 0;
      avail = read_.header.capacity;
      // A cycle comes back to the marked block: the mark moves on after 1,
      // 2, 4, ... steps, so a cycle is seen within twice its length.
      if (++read_.steps == read_.span) {
        read_.mark = next;
        read_.span *= 2;
        read_.steps = 0;
      }
    }
    const int now = avail < want ? avail : want;
    if (!ReadAt(int64_t{read_.block} + kChunkHeaderSize + read_.offset, out, now, true)) {
      read_.field = -1;
      return false;
    }
    out += now;
    want -= now;
    read_.offset += now;
    read_.left -= now;
  }
  if (shortOfLength) {
    SetError(err::kChunkShort);
    return false;
  }
  return true;
}

int Table::GetChunkSize(int field) {
  if (!open_ || field < 0 || field >= schema_.fields || !cur_ || schema_.type[field] != kTypeChunk) return -1;
  if (curKey_ >= 0 && curKey_ < schema_.keys && pos_[curKey_].record != -1 && !EnsureCurrentLoaded()) return -1;
  const ChunkRef ref = ChunkRef::Load(cur_.get() + schema_.offset[field]);
  return ref.size < 0 ? 0 : ref.size;
}

// ---- the references a record stores -----------------------------------------

void Table::SetChunkRefs(uint8_t* record) {
  for (int i = 0; i < schema_.fields; ++i) {
    if (schema_.type[i] != kTypeChunk) continue;
    uint8_t* ref = record + schema_.offset[i];
    // Only what this object wrote is stored: the chunk appended for this
    // record, or, in an update, the chunk the record already had. Any other
    // reference (copied from another record, or made up) would let a later
    // delete free blocks that are not this record's.
    if (chunkAppended_[i]) {
      appendedRef_[i].Store(ref);
    } else if (updating_) {
      chunkCarry_[i].Store(ref);
    } else {
      ChunkRef().Store(ref);
    }
  }
}

void Table::FreeChunks(const uint8_t* record, const uint8_t* replacement) {
  for (int i = 0; i < schema_.fields; ++i) {
    if (schema_.type[i] != kTypeChunk) continue;
    const ChunkRef ref = ChunkRef::Load(record + schema_.offset[i]);
    if (ref.first <= 0) continue;
    if (replacement && ChunkRef::Load(replacement + schema_.offset[i]).first == ref.first) continue;
    InsertChunkDeleteList(ref.first);
  }
}

}  // namespace orvex
