// Defining and creating a file on the schema builder.
#include "flat/flat_state.h"
#include "orvex_flat.h"

using namespace orvex::flat;

namespace {

// A new definition starts a new attempt: the reason of a failed mCreateDB
// is forgotten.
COrvex& Builder() {
  FlatState& s = State();
  s.builderFailure.clear();
  return s.builder;
}

}  // namespace

int mCreateField(const char* name, int type, int size) {
  return name && Builder().CreateField(name, type, size) ? 1 : 0;
}

int mCreateKey(const char* name, int attribute, int fieldNo, int mode, int start, int length) {
  return name && Builder().CreateKey(name, attribute, fieldNo, mode, start, length) ? 1 : 0;
}

int mCreateMultiKey(const KEY_INFO* info) { return info && Builder().CreateKey(*info) ? 1 : 0; }

int mEnableTrimRecord(int on) {
  Builder().EnableTrimRecord(on != 0);
  return 1;
}

int mCreateDB(const char* path, const char* description) {
  COrvex& builder = Builder();
  const bool made = path && builder.CreateDB(path, description ? description : "");
  // Closing empties the builder for the next definition, and clears its
  // error text: the reason is kept for mGetErrMsg(-1).
  const std::string reason = made ? std::string() : (path ? builder.GetErrMsg() : "no path given");
  builder.CloseDB();
  State().builderFailure = reason;
  return made ? 1 : 0;
}
