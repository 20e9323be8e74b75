// Chunk fields (appended piece by piece before an insert or update, read
// piece by piece from the current record) and compaction.
#include "flat/flat_state.h"
#include "orvex_flat.h"

using namespace orvex::flat;

int mAppendChunk(int handle, const void* data, int length, int fieldNo) {
  COrvex* db = Database(handle);
  return db && (data || length == 0) && db->AppendChunk(data, length, fieldNo) ? 1 : 0;
}

int mGotoChunkPos(int handle, int fieldNo) {
  COrvex* db = Database(handle);
  return db && db->GotoChunkPos(fieldNo) ? 1 : 0;
}

int mGetChunk(int handle, void* dest, int length, int fieldNo) {
  COrvex* db = Database(handle);
  return db && dest && db->GetChunk(dest, length, fieldNo) ? 1 : 0;
}

int mGetChunkSize(int handle, int fieldNo) {
  COrvex* db = Database(handle);
  return db ? db->GetChunkSize(fieldNo) : 0;
}

int mCompactDB(const char* source, const char* destination) {
  return source && destination && CompactDB(source, destination) ? 1 : 0;
}
