// CompactDB: a tight copy of a database file, made through the public
// operations of two table objects. The copy has the source's schema (always
// in trimmed record form), every live record once in key-0 order of the
// source with its values bit for bit and its chunks, the auto-increment
// values renumbered 1, 2, 3 ... in copy order, and no free block. Its
// records go in by a bulk load, so each index is built once from its sorted
// entries (see table_bulk.cpp) rather than by an insert per record.
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "orvex.h"
#include "table/table.h"

namespace {

// Chunks travel through one buffer of this size, so that a chunk of any
// size is copied with bounded memory.
constexpr int kTransferSize = 81920;
// The key values a bulk load keeps in memory at most; a larger copy goes on
// by ordinary inserts past that point.
constexpr size_t kBulkLoadBudget = size_t{64} << 20;

using orvex::Table;

// Whether two paths name one file (by any path, links included).
bool SameFile(const char* a, const char* b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int StoredSize(Table& db, int field) {
  switch (db.GetFieldType(field)) {
    case ORVEX_SHORT: return 2;
    case ORVEX_INT:
    case ORVEX_FLOAT:
    case ORVEX_AUTOINC: return 4;
    case ORVEX_DOUBLE:
    case ORVEX_CHUNK: return 8;
    case ORVEX_BOOL: return 1;
    case ORVEX_TEXT: return db.GetFieldSize(field);
    default: return -1;
  }
}

// The schema of s defined in d, field by field and key by key. The only
// refusal allowed is that of the key an auto-increment field made at once
// (same name, unique, on that field), which d then holds already.
bool CopySchema(Table& s, Table& d) {
  const int fields = s.GetFieldNum();
  int autoField = -1;
  for (int i = 0; i < fields; ++i) {
    if (!d.CreateField(s.GetFieldName(i), s.GetFieldType(i), s.GetFieldSize(i))) return false;
    if (s.GetFieldType(i) == ORVEX_AUTOINC) autoField = i;
  }
  for (int k = 0; k < s.GetKeyNum(); ++k) {
    KEY_INFO info;
    if (!s.GetKeyInfo(k, info)) return false;
    if (d.CreateKey(info)) continue;
    const bool madeWithField = autoField >= 0 && info.fieldNum == 1 && info.fieldNo[0] == autoField &&
                               info.attribute == ORVEX_KEY_UNIQUE &&
                               strncasecmp(info.keyName, s.GetFieldName(autoField), sizeof info.keyName) == 0;
    if (!madeWithField) return false;
  }
  return true;
}

// Appends the current record's chunk in field i of s to the record being
// built in d: first the size modulo the buffer, then whole buffers.
bool CopyChunk(Table& s, Table& d, int i, uint8_t* buffer) {
  if (!s.GotoChunkPos(i)) return true;  // an empty chunk: nothing to append
  const int size = s.GetChunkSize(i);
  if (size < 0) return false;
  const int head = size % kTransferSize;
  if (!s.GetChunk(buffer, head, i) || !d.AppendChunk(buffer, head, i)) return false;
  for (int n = size / kTransferSize; n > 0; --n)
    if (!s.GetChunk(buffer, kTransferSize, i) || !d.AppendChunk(buffer, kTransferSize, i)) return false;
  return true;
}

bool CopyRecords(Table& s, Table& d, void (*progress)(int, int, void*), void* context) {
  const int fields = s.GetFieldNum();
  int length = 0;
  std::vector<int> chunkFields;
  for (int i = 0; i < fields; ++i) {
    const int size = StoredSize(s, i);
    if (size < 0) return false;
    length += size;
    if (s.GetFieldType(i) == ORVEX_CHUNK) chunkFields.push_back(i);
  }
  std::vector<uint8_t> image(static_cast<size_t>(length > 0 ? length : 1));
  auto buffer = std::make_unique<uint8_t[]>(kTransferSize);
  const int total = s.GetRecordNum();
  int copied = 0;
  for (bool more = s.GetFirst(0, image.data(), length); more; more = s.GetNext(0, image.data(), length)) {
    for (int i : chunkFields)
      if (!CopyChunk(s, d, i, buffer.get())) return false;
    // The image carries every value bit for bit; the insert gives the
    // auto-increment field its next number and stores only the chunks just
    // appended.
    if (!d.Insert(image.data(), length)) return false;
    ++copied;
    if (progress && (copied % 4096 == 0 || copied == total)) progress(copied, total, context);
  }
  // A walk that stops short of the record count met a damaged index.
  return copied == total;
}

}  // namespace

bool CompactDB(const char* source, const char* destination, void (*progress)(int copied, int total, void* context),
               void* context) {
  if (!source || !destination) return false;
  // Creating the destination over the source would destroy it.
  if (SameFile(source, destination)) return false;
  Table s;
  if (!s.OpenDB(source, ORVEX_OPEN_READWRITE | ORVEX_SHARE_DENY_NONE)) return false;
  Table d;
  if (!CopySchema(s, d)) return false;
  if (!d.CreateDB(destination, s.GetDescription())) {
    // A file was made only when the create got that far (schema without key).
    if (d.IsDBOpen()) {
      d.CloseDB();
      unlink(destination);
    }
    return false;
  }
  bool ok = d.BeginBulkLoad(kBulkLoadBudget, s.GetRecordNum()) && CopyRecords(s, d, progress, context);
  if (ok) {
    // The copy is complete only when its indexes are built and its header
    // and blocks are written.
    ok = d.Flush();
  }
  s.CloseDB();
  d.CloseDB();
  // A failed copy must not pass for a good one.
  if (!ok) unlink(destination);
  return ok;
}

bool CompactDB(const char* source, const char* destination) {
  return CompactDB(source, destination, nullptr, nullptr);
}
