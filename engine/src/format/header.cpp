#include "format/header.h"

#include <climits>

namespace orvex {

int StoredTypeSize(int type) {
  switch (type) {
    case kTypeShort: return 2;
    case kTypeInt: return 4;
    case kTypeFloat: return 4;
    case kTypeDouble: return 8;
    case kTypeBool: return 1;
    case kTypeChunk: return 8;
    case kTypeAutoInc: return 4;
    default: return 0;
  }
}

void Header::ClearIndexRoots() {
  for (int k = 0; k < kMaxKeys; ++k) {
    setRoot(k, -1);
    setFirstLeaf(k, -1);
    setLastLeaf(k, -1);
  }
}

int Header::keyLength(int k) const {
  int n = partCount(k);
  if (n < 1 || n > kMaxParts) return 0;
  int sum = 0;
  for (int p = 0; p < n; ++p) sum += partLength(k, p);
  return sum;
}

int Header::fieldOffset(int i) const {
  int off = 0;
  for (int f = 0; f < i && f < kMaxFields; ++f) off += fieldSize(f);
  return off;
}

namespace {

bool NameOk(const char* slot) {
  for (int i = 0; i < kNameSize; ++i)
    if (slot[i] == '\0') return true;
  return false;
}

// An offset stored in the header: -1 (none) or a block inside the file.
bool OffsetOk(int32_t off, int64_t fileSize) {
  return off == -1 || (off >= kHeaderSize && off < fileSize);
}

// Free list heads: any value of 0 or below means empty.
bool FreeHeadOk(int32_t off, int64_t fileSize) { return off <= 0 || (off >= kHeaderSize && off < fileSize); }

}  // namespace

int64_t SmallestRecordBlock(const Header& h) {
  const bool trimmed = h.trimmed();
  int64_t n = trimmed ? 2 : 0;
  for (int i = 0; i < h.fieldCount() && i < kMaxFields; ++i)
    n += trimmed && h.fieldType(i) == kTypeText ? 2 : h.fieldSize(i);
  return n;
}

const char* ValidateHeaderState(const Header& h, int64_t fileSize, int64_t smallestBlock) {
  // Every live record has a block of its own after the header, so the count
  // is at most what the file can hold (and so can never overflow).
  const int64_t room = smallestBlock > 0 ? (fileSize - kHeaderSize) / smallestBlock : 0;
  if (h.recordCount() < 0 || h.recordCount() > room) return "bad record count";
  const int keys = h.keyCount();
  for (int k = 0; k < kMaxKeys; ++k) {
    if (!OffsetOk(h.root(k), fileSize) || !OffsetOk(h.firstLeaf(k), fileSize) ||
        !OffsetOk(h.lastLeaf(k), fileSize))
      return "index offset outside the file";
    if (k < keys && ((h.root(k) == -1) != (h.firstLeaf(k) == -1) ||
                     (h.root(k) == -1) != (h.lastLeaf(k) == -1)))
      return "index roots disagree";
  }
  if (!FreeHeadOk(h.recordFreeHead(), fileSize) || !FreeHeadOk(h.dupFreeHead(), fileSize) ||
      !FreeHeadOk(h.chunkFreeHead(), fileSize))
    return "free list head outside the file";
  return nullptr;
}

const char* ValidateHeader(const Header& h, int64_t fileSize) {
  if (fileSize < kHeaderSize) return "file too short for a database header";
  // Blocks are addressed by signed 32-bit offsets: bytes past the largest
  // one belong to no block, and no file of this format reaches them.
  if (fileSize > INT32_MAX) return "file larger than 2147483647 bytes";
  int fields = h.fieldCount();
  if (fields < 0 || fields > kMaxFields) return "bad field count";
  int64_t recordLength = 0;
  for (int i = 0; i < fields; ++i) {
    if (!NameOk(h.fieldName(i))) return "bad field name";
    int type = h.fieldType(i);
    int size = h.fieldSize(i);
    if (type < kTypeShort || type > kTypeAutoInc) return "bad field type";
    if (type == kTypeText) {
      if (size < 1 || size > kMaxTextSize) return "bad text field size";
    } else if (size != StoredTypeSize(type)) {
      return "bad field size";
    }
    recordLength += size;
  }
  if (recordLength != h.recordLength()) return "record length does not match the fields";
  int form = h.recordForm();
  if (form != kRecordFormFixed && form != kRecordFormTrimmed) return "bad record form";
  int keys = h.keyCount();
  if (keys < 0 || keys > kMaxKeys) return "bad key count";
  for (int k = 0; k < keys; ++k) {
    if (!NameOk(h.keyName(k))) return "bad key name";
    int attr = h.keyAttribute(k);
    if (attr != 1 && attr != 2) return "bad key attribute";
    int stored = h.partCountStored(k);
    if (stored != -1 && (stored < 2 || stored > kMaxParts)) return "bad key part count";
    int parts = h.partCount(k);
    int total = 0;
    for (int p = 0; p < parts; ++p) {
      int f = h.partField(k, p);
      if (f < 0 || f >= fields) return "key part names no field";
      int type = h.fieldType(f);
      int len = h.partLength(k, p);
      if (type == kTypeChunk) {
        // A multi-field key part on a chunk field adds nothing to the value.
        if (stored == -1 || len != 0) return "chunk field used as key";
      } else if (type == kTypeText) {
        if (len < 1 || len > kMaxKeyLength) return "bad text key length";
        int start = h.partStart(k, p);
        if (start < 0 || start >= h.fieldSize(f)) return "bad text key start";
        int mode = h.partMode(k, p);
        if (mode != 1 && mode != 2) return "bad text compare mode";
      } else if (len != StoredTypeSize(type)) {
        return "bad key part length";
      }
      total += len;
    }
    if (total < 1 || total > kMaxKeyLength) return "bad key length";
  }
  return ValidateHeaderState(h, fileSize, SmallestRecordBlock(h));
}

}  // namespace orvex
