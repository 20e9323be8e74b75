// Record navigation, editing and field values.
#include <cstring>
#include <string>

#include "flat/flat_state.h"
#include "flat/variant_convert.h"
#include "flat/wide_text.h"
#include "orvex_flat.h"

using namespace orvex::flat;

namespace {

// A walk or an edit on a handle: 0 for a bad handle, else the member's
// answer as 1/0.
template <typename Call>
int On(int handle, Call call) {
  COrvex* db = Database(handle);
  return db && call(*db) ? 1 : 0;
}

// The table's SetFieldStr, except that a text too long for a text field
// loses whole characters only.
int SetText(COrvex& db, const char* text, int fieldNo) {
  if (db.GetFieldType(fieldNo) == ORVEX_TEXT) {
    const std::string fitted(text, FittingLength(text, static_cast<size_t>(db.GetFieldSize(fieldNo))));
    return db.SetFieldStr(fitted.c_str(), fieldNo) ? 1 : 0;
  }
  return db.SetFieldStr(text, fieldNo) ? 1 : 0;
}

}  // namespace

int mMoveFirst(int h, int k) { return On(h, [&](COrvex& db) { return db.GetFirst(k); }); }
int mMoveNext(int h, int k) { return On(h, [&](COrvex& db) { return db.GetNext(k); }); }
int mMovePrev(int h, int k) { return On(h, [&](COrvex& db) { return db.GetPrev(k); }); }
int mMoveLast(int h, int k) { return On(h, [&](COrvex& db) { return db.GetLast(k); }); }

int mGetFirst(int h, int k, void* r, int n) { return On(h, [&](COrvex& db) { return db.GetFirst(k, r, n); }); }
int mGetNext(int h, int k, void* r, int n) { return On(h, [&](COrvex& db) { return db.GetNext(k, r, n); }); }
int mGetPrev(int h, int k, void* r, int n) { return On(h, [&](COrvex& db) { return db.GetPrev(k, r, n); }); }
int mGetLast(int h, int k, void* r, int n) { return On(h, [&](COrvex& db) { return db.GetLast(k, r, n); }); }

int mInsert(int h) { return On(h, [](COrvex& db) { return db.Insert(); }); }
int mUpdate(int h) { return On(h, [](COrvex& db) { return db.Update(); }); }
// A null image would mean the edit buffer to the table class; here it is
// a missing argument.
int mInsert_(int h, void* r, int n) { return On(h, [&](COrvex& db) { return r && db.Insert(r, n); }); }
int mUpdate_(int h, void* r, int n) { return On(h, [&](COrvex& db) { return r && db.Update(r, n); }); }
int mDelete(int h) { return On(h, [](COrvex& db) { return db.Delete(); }); }

// ---- field values -----------------------------------------------------------

VARIANT mGetField(int handle, int fieldNo) {
  VARIANT empty;
  VariantInit(&empty);
  COrvex* db = Database(handle);
  if (!db) return empty;
  const int type = db->GetFieldType(fieldNo);
  if (NumberWidth(type) == 0 && type != ORVEX_TEXT) return empty;  // chunk, or no such field
  uint8_t value[1025] = {};
  if (!db->GetField(value, fieldNo)) return empty;
  return StoredVariant(type, value, 1024);
}

int mSetField(int handle, const VARIANT* value, int fieldNo) {
  COrvex* db = Database(handle);
  if (!db || !value) return 0;
  const int type = db->GetFieldType(fieldNo);
  if (IsDirect(*value, type)) {
    const int width = type == ORVEX_TEXT ? db->GetFieldSize(fieldNo) : NumberWidth(type);
    uint8_t bytes[1024] = {};
    DirectBytes(*value, type, width, bytes);
    return db->SetField(bytes, fieldNo) ? 1 : 0;
  }
  std::string text;
  if (!VariantText(*value, &text)) return 0;
  return SetText(*db, text.c_str(), fieldNo);
}

const char* mGetFieldStr(int handle, int fieldNo) {
  COrvex* db = Database(handle);
  if (!db) return kEmpty;
  const char* text = db->GetFieldStr(fieldNo);
  if (db->GetFieldType(fieldNo) == ORVEX_BOOL) return std::strcmp(text, "1") == 0 ? kTrue : kFalse;
  return text;
}

int mSetFieldStr(int handle, const char* text, int fieldNo) {
  COrvex* db = Database(handle);
  if (!db || !text) return 0;
  if (db->GetFieldType(fieldNo) == ORVEX_BOOL) text = IsTrueWord(text) ? "1" : "0";
  return SetText(*db, text, fieldNo);
}

int mGetField_(int h, void* dest, int f) { return On(h, [&](COrvex& db) { return dest && db.GetField(dest, f); }); }
int mSetField_(int h, const void* src, int f) { return On(h, [&](COrvex& db) { return src && db.SetField(src, f); }); }

const char* mGetFieldStr_(int handle, int fieldNo) {
  COrvex* db = Database(handle);
  return db ? db->GetFieldStr(fieldNo) : kEmpty;
}
