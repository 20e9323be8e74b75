// The flat interface's process-wide state.
#include "flat/flat_state.h"

namespace orvex::flat {

FlatState& State() {
  // Made at the first call and kept until the library is unloaded.
  static FlatState state;
  return state;
}

FlatState::~FlatState() {
  for (QuerySlot& q : queries) delete q.query;
  for (COrvex*& db : databases) delete db;
}

COrvex* Database(int handle) { return OutOfRange(handle) ? nullptr : State().databases[handle]; }

COrvexQuery* Query(int handle) { return OutOfRange(handle) ? nullptr : State().queries[handle].query; }

}  // namespace orvex::flat
