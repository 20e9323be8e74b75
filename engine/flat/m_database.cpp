// Database handles, schema accessors, error texts and byte buffers.
#include <cstring>

#include "flat/flat_state.h"
#include "orvex_flat.h"

using namespace orvex::flat;

int mOpen(const char* path, int mode) {
  if (!path) return -1;
  FlatState& s = State();
  int slot = 0;
  while (slot < kSlots && s.databases[slot]) ++slot;
  if (slot == kSlots) return -1;
  // Opening never makes a file: a missing path stays missing, and an
  // existing file is never cut to nothing by a create-and-truncate mode.
  auto* db = new COrvex(path, mode & ~ORVEX_OPEN_CREATE);
  if (!db->IsDBOpen() || db->GetErrMsg()[0] != '\0') {
    delete db;
    return -1;
  }
  s.databases[slot] = db;
  return slot;
}

int mClose(int handle) {
  COrvex* db = Database(handle);
  if (!db) return 0;
  FlatState& s = State();
  // Queries made on the handle stay in their slots, bound to nothing: every
  // call on them fails until mCloseQuery.
  for (QuerySlot& q : s.queries) {
    if (q.query && q.database == handle) {
      q.query->SetDB(nullptr);
      q.database = -1;
    }
  }
  // Whatever the engine still holds is written first: a close that could
  // not write it says so.
  const bool written = db->CloseDB();
  delete db;
  s.databases[handle] = nullptr;
  return written ? 1 : 0;
}

int mCloseAll(void) {
  for (int h = 0; h < kSlots; ++h) mClose(h);
  return 1;
}

int mIsDBOpen(int handle) {
  COrvex* db = Database(handle);
  return db && db->IsDBOpen() ? 1 : 0;
}

int mFlush(int handle) {
  COrvex* db = Database(handle);
  return db && db->Flush() ? 1 : 0;
}

// ---- schema accessors -------------------------------------------------------

int mGetFieldType(int handle, int fieldNo) {
  if (OutOfRange(handle)) return State().builder.GetFieldType(fieldNo);
  COrvex* db = Database(handle);
  return db ? db->GetFieldType(fieldNo) : 0;
}

const char* mGetFieldName(int handle, int fieldNo) {
  if (OutOfRange(handle)) return State().builder.GetFieldName(fieldNo);
  COrvex* db = Database(handle);
  return db ? db->GetFieldName(fieldNo) : kEmpty;
}

int mGetFieldNo(int handle, const char* name) {
  if (!name) return -1;
  if (OutOfRange(handle)) return State().builder.GetFieldNo(name);
  COrvex* db = Database(handle);
  return db ? db->GetFieldNo(name) : -1;
}

int mGetFieldSize(int handle, int fieldNo) {
  COrvex* db = Database(handle);
  return db ? db->GetFieldSize(fieldNo) : 0;
}

int mGetFieldNum(int handle) {
  COrvex* db = Database(handle);
  return db ? db->GetFieldNum() : 0;
}

int mGetRecordNum(int handle) {
  COrvex* db = Database(handle);
  return db ? db->GetRecordNum() : 0;
}

int mGetKeyNo(int handle, const char* name) {
  COrvex* db = Database(handle);
  return db && name ? db->GetKeyNo(name) : -1;
}

int mGetKeyNum(int handle) {
  COrvex* db = Database(handle);
  return db ? db->GetKeyNum() : 0;
}

int mGetKeyType(int handle, int keyNo) {
  COrvex* db = Database(handle);
  return db ? db->GetKeyType(keyNo) : 0;
}

int mGetKeyLen(int handle, int keyNo) {
  COrvex* db = Database(handle);
  return db ? db->GetKeyLen(keyNo) : 0;
}

const char* mGetKeyName(int handle, int keyNo) {
  COrvex* db = Database(handle);
  return db ? db->GetKeyName(keyNo) : kEmpty;
}

int mGetKeyInfo(int handle, int keyNo, KEY_INFO* info) {
  COrvex* db = Database(handle);
  return db && info && db->GetKeyInfo(keyNo, *info) ? 1 : 0;
}

int mGetCurKeyNo(int handle) {
  COrvex* db = Database(handle);
  return db ? db->GetCurKeyNo() : -1;
}

// ---- errors and identity ----------------------------------------------------

const char* mGetErrMsg(int handle) {
  if (OutOfRange(handle)) {
    FlatState& s = State();
    const char* own = s.builder.GetErrMsg();
    return own[0] != '\0' ? own : s.builderFailure.c_str();
  }
  COrvex* db = Database(handle);
  return db ? db->GetErrMsg() : kEmpty;
}

const char* mGetVersion(int handle) {
  COrvex* db = Database(handle);
  return db ? db->GetVersion() : kEmpty;
}

const char* mGetDescription(int handle) {
  COrvex* db = Database(handle);
  return db ? db->GetDescription() : kEmpty;
}

// ---- byte buffers -----------------------------------------------------------

int mStr2Buff(const char* text, void* dest) {
  if (!text || !dest) return 0;
  std::memcpy(dest, text, std::strlen(text));
  return 1;
}

const char* mBuff2Str(const void* source) {
  std::string& text = State().buffText;
  text = source ? static_cast<const char*>(source) : "";
  return text.c_str();
}
