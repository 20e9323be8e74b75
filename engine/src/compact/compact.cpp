// CompactDB: a tight copy of a database file, made by two table objects.
// The copy has the source's schema (always in trimmed record form, every
// field and key under its number), every live record once in key-0 order of
// the source with its values bit for bit and its chunks, the auto-increment
// values renumbered 1, 2, 3 ... in copy order, and no free block. Records
// without chunks are read from the source front to back, a window of the
// key-0 order at a time (CopyRecordsInWindows). The records go in by a bulk
// load, so each index is built once from its sorted entries (see
// table_bulk.cpp) rather than by an insert per record.
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/large_allocator.h"
#include "base/radix_sort.h"
#include "compact/compact.h"
#include "orvex.h"
#include "table/table.h"

namespace {

// Chunks travel through one buffer of this size, so that a chunk of any
// size is copied with bounded memory.
constexpr int kTransferSize = 81920;
// The source's cache: none. The copy reads the source front to back in
// large pieces, and its key-0 index once, a node at a time; a cache would
// only copy each of those reads once more, into memory touched for nothing.
constexpr size_t kSourceCacheBytes = 0;

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

// The schema of s defined in d, field by field and key by key, in an order
// that gives every field and every key the number it has in s. An
// auto-increment field makes its own key at once, so each field is created
// just before the first key that needs it (or at the end), as it was in s:
// a field defined after some keys in s makes its key after them in d too.
bool CopySchema(Table& s, Table& d) {
  const int fields = s.GetFieldNum();
  int made = 0;
  auto makeFields = [&](int last) {
    for (; made <= last && made < fields; ++made)
      if (!d.CreateField(s.GetFieldName(made), s.GetFieldType(made), s.GetFieldSize(made))) return false;
    return true;
  };
  for (int k = 0; k < s.GetKeyNum(); ++k) {
    KEY_INFO info;
    if (!s.GetKeyInfo(k, info)) return false;
    int last = -1;
    for (int p = 0; p < info.fieldNum && p < static_cast<int>(sizeof info.fieldNo / sizeof info.fieldNo[0]); ++p)
      last = std::max<int>(last, info.fieldNo[p]);
    if (!makeFields(last)) return false;
    if (d.KeysDefined() > k) {
      // Made by an auto-increment field just created: it must be this key.
      if (strncasecmp(d.GetKeyName(k), info.keyName, sizeof info.keyName) != 0) return false;
      continue;
    }
    if (!d.CreateKey(info)) return false;
  }
  return makeFields(fields - 1) && d.KeysDefined() == s.GetKeyNum();
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

// The length of a record image of s (every field as stored) and its chunk
// fields; -1 for a field of no known type.
int ImageLength(Table& s, std::vector<int>* chunkFields) {
  int length = 0;
  for (int i = 0; i < s.GetFieldNum(); ++i) {
    const int size = StoredSize(s, i);
    if (size < 0) return -1;
    length += size;
    if (s.GetFieldType(i) == ORVEX_CHUNK) chunkFields->push_back(i);
  }
  return length;
}

// The records of a schema with chunk fields, walked in key-0 order, each
// record's chunks appended before it goes in.
bool CopyRecordsWithChunks(Table& s, Table& d, int length, const std::vector<int>& chunkFields,
                           void (*progress)(int, int, void*), void* context) {
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

// The records of a schema without chunk fields, copied in windows of key-0
// order. Walked in key-0 order, the records of a file lie anywhere in it,
// and reading them one by one would hold the whole file in the cache. So
// the walk takes only their offsets from the index, a segment of the order
// at a time; then, for each window of the segment, one pass over the file
// front to back reads the window's records into a staging buffer, and they
// go to the copy in key-0 order. Memory stays within the bounds of the
// limits however large the file: the segment's offsets and the staging
// buffer, and the pieces the file is read in.
bool CopyRecordsInWindows(Table& s, Table& d, int length, const orvex::CompactLimits& limits,
                          void (*progress)(int, int, void*), void* context) {
  const size_t total = static_cast<size_t>(s.GetRecordNum());
  const size_t stride = static_cast<size_t>(s.schema().recordLength);
  // The walk is taken a segment at a time, so that the offsets held stay
  // within their bound however many records the file has.
  const size_t segment = std::max<size_t>(1, limits.orderBytes / sizeof(uint64_t));
  const size_t window = std::min(segment, std::max<size_t>(1, limits.stagingBytes / stride));
  orvex::LargeVector<uint64_t> byOffset;  // offset << 32 | rank in the segment
  byOffset.reserve(std::min(total, segment));
  // The staging buffer serves the sort by offset first, when it is large
  // enough, so that the memory is touched once for both.
  orvex::LargeVector<uint8_t> staging(std::max(std::min(total, window) * stride, byOffset.capacity() * 8));
  orvex::LargeVector<uint32_t> members;  // a window's entries of byOffset
  size_t walked = 0, copied = 0;
  bool more = s.SeekFirst(0);
  while (more) {
    byOffset.clear();
    for (; more && byOffset.size() < segment; more = s.SeekNext(0)) {
      // A walk that goes past the record count met a damaged index.
      if (walked == total) return false;
      ++walked;
      const uint32_t rank = static_cast<uint32_t>(byOffset.size());
      byOffset.push_back(uint64_t{static_cast<uint32_t>(s.GetCurRec(0))} << 32 | rank);
    }
    const size_t count = byOffset.size();
    orvex::RadixSort<4>(byOffset.data(), reinterpret_cast<uint64_t*>(staging.data()), count,
                        [](uint64_t v) { return static_cast<uint32_t>(v >> 32); });
    for (size_t from = 0; from < count; from += window) {
      const size_t to = std::min(count, from + window);
      // The window's records in offset order: all of the segment's when
      // one window holds them.
      members.clear();
      if (to - from < count) {
        for (size_t i = 0; i < count; ++i) {
          const uint32_t rank = static_cast<uint32_t>(byOffset[i]);
          if (rank >= from && rank < to) members.push_back(static_cast<uint32_t>(i));
        }
      }
      auto entry = [&](size_t i) { return byOffset[members.empty() ? i : members[i]]; };
      auto slot = [&](size_t i) { return &staging[(static_cast<uint32_t>(entry(i)) - from) * stride]; };
      const bool read = s.ReadRecordRun(
          to - from, [&](size_t i) { return static_cast<int32_t>(entry(i) >> 32); },
          [&](size_t i) {
            // The slots lie anywhere in the staging buffer: ask for the one
            // a few records ahead early, so that its cache line is there
            // when it comes.
            constexpr size_t kAhead = 24;
            if (i + kAhead < to - from) __builtin_prefetch(slot(i + kAhead), 1);
            return slot(i);
          });
      if (!read) return false;
      for (size_t r = from; r < to; ++r) {
        if (!d.Insert(&staging[(r - from) * stride], std::min(length, static_cast<int>(stride)))) return false;
        ++copied;
        if (progress && (copied % 4096 == 0 || copied == total))
          progress(static_cast<int>(copied), static_cast<int>(total), context);
      }
    }
  }
  return walked == total;
}

}  // namespace

namespace orvex {

bool Compact(const char* source, const char* destination, void (*progress)(int copied, int total, void* context),
             void* context, const CompactLimits& limits) {
  if (!source || !destination) return false;
  // Creating the destination over the source would destroy it.
  if (SameFile(source, destination)) return false;
  // Records without chunks are read in windows, which need no cache (see
  // CopyRecordsInWindows); records with chunks are walked one by one, which
  // the whole cache serves.
  const int mode = ORVEX_OPEN_READWRITE | ORVEX_SHARE_DENY_NONE;
  TableOptions lean;
  lean.cacheBytes = kSourceCacheBytes;
  auto s = std::make_unique<Table>(lean);
  if (!s->OpenDB(source, mode)) return false;
  std::vector<int> chunkFields;
  const int length = ImageLength(*s, &chunkFields);
  if (length < 0) return false;
  if (!chunkFields.empty()) {
    s->CloseDB();
    s = std::make_unique<Table>();
    if (!s->OpenDB(source, mode)) return false;
  }
  Table d;
  if (!CopySchema(*s, d)) return false;
  if (!d.CreateDB(destination, s->GetDescription())) {
    // A file was made only when the create got that far (schema without key).
    if (d.IsDBOpen()) {
      d.CloseDB();
      unlink(destination);
    }
    return false;
  }
  bool ok = d.BeginBulkLoad(limits.bulkLoadBytes, s->GetRecordNum()) &&
            (chunkFields.empty() ? CopyRecordsInWindows(*s, d, length, limits, progress, context)
                                 : CopyRecordsWithChunks(*s, d, length, chunkFields, progress, context));
  if (ok) {
    // The copy is complete only when its indexes are built and its header
    // and blocks are written.
    ok = d.Flush();
  }
  s->CloseDB();
  d.CloseDB();
  // A failed copy must not pass for a good one.
  if (!ok) unlink(destination);
  return ok;
}

}  // namespace orvex

bool CompactDB(const char* source, const char* destination, void (*progress)(int copied, int total, void* context),
               void* context) {
  return orvex::Compact(source, destination, progress, context, orvex::CompactLimits());
}

bool CompactDB(const char* source, const char* destination) {
  return CompactDB(source, destination, nullptr, nullptr);
}
