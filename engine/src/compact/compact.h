// Compaction with its memory bounds given. CompactDB (orvex.h) runs it with
// the defaults; smaller bounds make a copy of the same bytes in more steps.
#ifndef ORVEX_COMPACT_COMPACT_H_
#define ORVEX_COMPACT_COMPACT_H_

#include <cstddef>

namespace orvex {

struct CompactLimits {
  // Records without chunks travel in windows of key-0 order through a
  // staging buffer of this size (see CopyRecordsInWindows).
  size_t stagingBytes = size_t{48} << 20;
  // Their offsets are taken from the key-0 walk this many bytes' worth (8
  // a record) at a time.
  size_t orderBytes = size_t{64} << 20;
  // The key values the copy's bulk load keeps in memory at most; a larger
  // copy goes on by ordinary inserts past that point.
  size_t bulkLoadBytes = size_t{64} << 20;
};

bool Compact(const char* source, const char* destination, void (*progress)(int copied, int total, void* context),
             void* context, const CompactLimits& limits);

}  // namespace orvex

#endif  // ORVEX_COMPACT_COMPACT_H_
