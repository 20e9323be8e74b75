// Key seeks, multi-key values and key walks.
#include <cstring>
#include <string>

#include "flat/flat_state.h"
#include "flat/variant_convert.h"
#include "orvex_flat.h"

using namespace orvex::flat;

namespace {

enum class Seek { kEqual, kGreaterEqual, kLessEqual, kGreater, kLess };

bool Run(COrvex& db, Seek seek, int k, const void* value, void* record = nullptr, int length = 0) {
  switch (seek) {
    case Seek::kEqual: return db.GetEqual(k, value, record, length);
    case Seek::kGreaterEqual: return db.GetGreaterEqual(k, value, record, length);
    case Seek::kLessEqual: return db.GetLessEqual(k, value, record, length);
    case Seek::kGreater: return db.GetGreater(k, value, record, length);
    default: return db.GetLess(k, value, record, length);
  }
}

// A key's definition and where its parts lie in a packed key value.
struct KeyShape {
  KEY_INFO info;
  bool Single() const { return info.fieldNum == 1; }
  int PartAt(int part) const {
    int at = 0;
    for (int p = 0; p < part; ++p) at += info.length[p];
    return at;
  }
};

bool ShapeOf(COrvex& db, int k, KeyShape* shape) { return db.GetKeyInfo(k, shape->info); }

// A seek by text: converted for the key's first field. A single text key
// takes the text itself (a text longer than the key then finds no equal);
// on a key of several fields the first part is set and the rest is zero.
int TextSeek(int handle, int k, const char* text, Seek seek) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !text || !ShapeOf(*db, k, &shape)) return 0;
  const int type = db->GetFieldType(shape.info.fieldNo[0]);
  if (type == ORVEX_TEXT && shape.Single()) return Run(*db, seek, k, text) ? 1 : 0;
  uint8_t value[kMultiKeyBufferSize] = {};
  if (!TextKeyValue(type, text, shape.info.length[0], value)) return 0;
  return Run(*db, seek, k, value) ? 1 : 0;
}

int VariantSeek(int handle, int k, const VARIANT* v, Seek seek) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !v || !ShapeOf(*db, k, &shape)) return 0;
  const int type = db->GetFieldType(shape.info.fieldNo[0]);
  if (!IsDirect(*v, type)) {
    std::string text;
    return VariantText(*v, &text) ? TextSeek(handle, k, text.c_str(), seek) : 0;
  }
  if (type == ORVEX_TEXT && shape.Single()) return Run(*db, seek, k, v->pszVal ? v->pszVal : "") ? 1 : 0;
  uint8_t value[kMultiKeyBufferSize] = {};
  DirectBytes(*v, type, shape.info.length[0], value);
  return Run(*db, seek, k, value) ? 1 : 0;
}

int RawSeek(int handle, int k, const void* key, void* record, int length, Seek seek) {
  COrvex* db = Database(handle);
  return db && key && Run(*db, seek, k, key, record, length) ? 1 : 0;
}

int MultiSeek(int handle, int k, Seek seek) {
  COrvex* db = Database(handle);
  return db && Run(*db, seek, k, State().multiKey) ? 1 : 0;
}

// Puts one part into the multi-key value buffer from its stored form,
// clearing the buffer first for part 0. Nothing is stored for a bad handle,
// key or part number.
void PutPart(int handle, int k, int part, const uint8_t* bytes) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !ShapeOf(*db, k, &shape) || part < 0 || part >= shape.info.fieldNum) return;
  uint8_t* buffer = State().multiKey;
  if (part == 0) std::memset(buffer, 0, kMultiKeyBufferSize);
  std::memcpy(buffer + shape.PartAt(part), bytes, static_cast<size_t>(shape.info.length[part]));
}

// The field type and length of a key part; false when there is no such part.
bool PartType(int handle, int k, int part, int* type, int* length) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !ShapeOf(*db, k, &shape) || part < 0 || part >= shape.info.fieldNum) return false;
  *type = db->GetFieldType(shape.info.fieldNo[part]);
  *length = shape.info.length[part];
  return true;
}

int KeyWalk(int handle, int k, VARIANT* out, bool (COrvex::*walk)(int, void*)) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !out || !ShapeOf(*db, k, &shape) || !shape.Single()) return 0;
  uint8_t value[kMultiKeyBufferSize] = {};
  if (!(db->*walk)(k, value)) return 0;
  *out = StoredVariant(db->GetFieldType(shape.info.fieldNo[0]), value, shape.info.length[0]);
  return 1;
}

int MultiWalk(int handle, int k, bool (COrvex::*walk)(int, void*)) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !ShapeOf(*db, k, &shape) || shape.Single()) return 0;
  return (db->*walk)(k, State().multiKey) ? 1 : 0;
}

int RawWalk(int handle, int k, void* dest, bool (COrvex::*walk)(int, void*)) {
  COrvex* db = Database(handle);
  return db && dest && (db->*walk)(k, dest) ? 1 : 0;
}

}  // namespace

int mEqual(int h, int k, const VARIANT* v) { return VariantSeek(h, k, v, Seek::kEqual); }
int mGreaterEqual(int h, int k, const VARIANT* v) { return VariantSeek(h, k, v, Seek::kGreaterEqual); }
int mLessEqual(int h, int k, const VARIANT* v) { return VariantSeek(h, k, v, Seek::kLessEqual); }
int mGreater(int h, int k, const VARIANT* v) { return VariantSeek(h, k, v, Seek::kGreater); }
int mLess(int h, int k, const VARIANT* v) { return VariantSeek(h, k, v, Seek::kLess); }

int mStrEqual(int h, int k, const char* t) { return TextSeek(h, k, t, Seek::kEqual); }
int mStrGreaterEqual(int h, int k, const char* t) { return TextSeek(h, k, t, Seek::kGreaterEqual); }
int mStrLessEqual(int h, int k, const char* t) { return TextSeek(h, k, t, Seek::kLessEqual); }
int mStrGreater(int h, int k, const char* t) { return TextSeek(h, k, t, Seek::kGreater); }
int mStrLess(int h, int k, const char* t) { return TextSeek(h, k, t, Seek::kLess); }

int mGetEqual(int h, int k, const void* key, void* r, int n) { return RawSeek(h, k, key, r, n, Seek::kEqual); }
int mGetGreaterEqual(int h, int k, const void* key, void* r, int n) {
  return RawSeek(h, k, key, r, n, Seek::kGreaterEqual);
}
int mGetLessEqual(int h, int k, const void* key, void* r, int n) { return RawSeek(h, k, key, r, n, Seek::kLessEqual); }
int mGetGreater(int h, int k, const void* key, void* r, int n) { return RawSeek(h, k, key, r, n, Seek::kGreater); }
int mGetLess(int h, int k, const void* key, void* r, int n) { return RawSeek(h, k, key, r, n, Seek::kLess); }

int mMultiEqual(int h, int k) { return MultiSeek(h, k, Seek::kEqual); }
int mMultiGreaterEqual(int h, int k) { return MultiSeek(h, k, Seek::kGreaterEqual); }
int mMultiLessEqual(int h, int k) { return MultiSeek(h, k, Seek::kLessEqual); }
int mMultiGreater(int h, int k) { return MultiSeek(h, k, Seek::kGreater); }
int mMultiLess(int h, int k) { return MultiSeek(h, k, Seek::kLess); }

// ---- multi-key values -------------------------------------------------------

int mSetMultiKeyVal(int handle, int k, const VARIANT* v, int part) {
  if (!v) return 0;
  int type = 0;
  int length = 0;
  if (!PartType(handle, k, part, &type, &length)) return 1;
  if (!IsDirect(*v, type)) {
    std::string text;
    if (!VariantText(*v, &text)) return 0;
    return mStrMultiKeyVal(handle, k, text.c_str(), part);
  }
  uint8_t bytes[kMultiKeyBufferSize] = {};
  DirectBytes(*v, type, length, bytes);
  PutPart(handle, k, part, bytes);
  return 1;
}

int mStrMultiKeyVal(int handle, int k, const char* text, int part) {
  if (!text) return 0;
  int type = 0;
  int length = 0;
  if (!PartType(handle, k, part, &type, &length)) return 1;
  uint8_t bytes[kMultiKeyBufferSize] = {};
  if (TextKeyValue(type, text, length, bytes)) PutPart(handle, k, part, bytes);
  return 1;
}

int mGetMultiKey(int handle, int k, VARIANT* v, int part) {
  COrvex* db = Database(handle);
  KeyShape shape;
  if (!db || !v || !ShapeOf(*db, k, &shape) || shape.Single()) return 0;
  int type = 0;
  int length = 0;
  if (!PartType(handle, k, part, &type, &length)) return 0;
  const VARIANT value = StoredVariant(type, State().multiKey + shape.PartAt(part), length);
  if (value.vt == VT_EMPTY) return 0;
  *v = value;
  return 1;
}

int mMultiKeyFirst(int h, int k) { return MultiWalk(h, k, &COrvex::GetKeyFirst); }
int mMultiKeyNext(int h, int k) { return MultiWalk(h, k, &COrvex::GetKeyNext); }
int mMultiKeyPrev(int h, int k) { return MultiWalk(h, k, &COrvex::GetKeyPrev); }
int mMultiKeyLast(int h, int k) { return MultiWalk(h, k, &COrvex::GetKeyLast); }

// ---- key walks --------------------------------------------------------------

int mKeyFirst(int h, int k, VARIANT* v) { return KeyWalk(h, k, v, &COrvex::GetKeyFirst); }
int mKeyNext(int h, int k, VARIANT* v) { return KeyWalk(h, k, v, &COrvex::GetKeyNext); }
int mKeyPrev(int h, int k, VARIANT* v) { return KeyWalk(h, k, v, &COrvex::GetKeyPrev); }
int mKeyLast(int h, int k, VARIANT* v) { return KeyWalk(h, k, v, &COrvex::GetKeyLast); }

int mGetKeyFirst(int h, int k, void* d) { return RawWalk(h, k, d, &COrvex::GetKeyFirst); }
int mGetKeyNext(int h, int k, void* d) { return RawWalk(h, k, d, &COrvex::GetKeyNext); }
int mGetKeyPrev(int h, int k, void* d) { return RawWalk(h, k, d, &COrvex::GetKeyPrev); }
int mGetKeyLast(int h, int k, void* d) { return RawWalk(h, k, d, &COrvex::GetKeyLast); }
