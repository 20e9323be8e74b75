// Pattern search and saved positions.
#include "flat/flat_state.h"
#include "orvex_flat.h"

using namespace orvex::flat;

int mGetLike(int handle, int keyNo, const char* pattern, int mode) {
  COrvex* db = Database(handle);
  return db && pattern && db->GetLike(keyNo, pattern, mode) ? 1 : 0;
}

int mGetLikeNext(int handle, int keyNo) {
  COrvex* db = Database(handle);
  return db && db->GetLikeNext(keyNo) ? 1 : 0;
}

int mSavePosition(int handle, int keyNo) {
  COrvex* db = Database(handle);
  return db && db->SavePosition(keyNo) ? 1 : 0;
}

int mRestorePosition(int handle, int keyNo) {
  COrvex* db = Database(handle);
  return db && db->RestorePosition(keyNo) ? 1 : 0;
}
