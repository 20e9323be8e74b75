// What the flat interface keeps for the whole process: the two 32-slot
// handle tables, the schema builder, the multi-key value buffer and the
// library's own texts. One thread at a time; nothing here is locked.
#ifndef ORVEX_FLAT_FLAT_STATE_H_
#define ORVEX_FLAT_FLAT_STATE_H_

#include <cstdint>
#include <string>

#include "orvex.h"

namespace orvex::flat {

constexpr int kSlots = 32;
constexpr int kMultiKeyBufferSize = 1024;

// Library texts: never null, owned here.
constexpr const char* kEmpty = "";
constexpr const char* kTrue = "TRUE";
constexpr const char* kFalse = "FALSE";

struct QuerySlot {
  COrvexQuery* query = nullptr;
  int database = -1;  // the database handle it was made on; -1 once that closed
};

struct FlatState {
  // At unload, whatever a caller left open is closed, so that its file
  // holds every change.
  ~FlatState();
  COrvex* databases[kSlots] = {};
  QuerySlot queries[kSlots];
  COrvex builder;
  // Why the last mCreateDB failed: closing the builder afterwards clears its
  // own text, so the reason is kept here until the next definition.
  std::string builderFailure;
  uint8_t multiKey[kMultiKeyBufferSize] = {};
  std::string buffText;  // the answer of mBuff2Str
};

FlatState& State();

// The database of a handle: null unless 0..31 and occupied.
COrvex* Database(int handle);
// Whether a handle lies outside 0..31 (such handles reach the builder in
// some functions).
inline bool OutOfRange(int handle) { return handle < 0 || handle >= kSlots; }
// The query of a query handle: null unless 0..31 and occupied.
COrvexQuery* Query(int handle);

}  // namespace orvex::flat

#endif  // ORVEX_FLAT_FLAT_STATE_H_
