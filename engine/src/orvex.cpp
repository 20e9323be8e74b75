// COrvex: the exported table class. Every member forwards to orvex::Table;
// the by-name walks and seeks look the key up by its trimmed name first.
#include "orvex.h"

#include "table/table.h"

using orvex::Table;

COrvex::COrvex() : table_(new Table()) {}
COrvex::COrvex(const char* path, int mode) : table_(new Table()) { table_->OpenDB(path, mode); }
COrvex::~COrvex() { delete table_; }

void COrvex::Init() { table_->Init(); }
bool COrvex::CreateField(const char* name, int type, int size) { return table_->CreateField(name, type, size); }
bool COrvex::CreateKey(const char* name, int attribute, int fieldNo, int mode, int start, int length) {
  return table_->CreateKey(name, attribute, fieldNo, mode, start, length);
}
bool COrvex::CreateKey(const KEY_INFO& info) { return table_->CreateKey(info); }
void COrvex::EnableTrimRecord(bool on) { table_->EnableTrimRecord(on); }
bool COrvex::CreateDB(const char* path, const char* description) { return table_->CreateDB(path, description); }
bool COrvex::OpenDB(const char* path, int mode) { return table_->OpenDB(path, mode); }
bool COrvex::CloseDB() { return table_->CloseDB(); }
bool COrvex::Flush() { return table_->Flush(); }
bool COrvex::IsDBOpen() { return table_->IsDBOpen(); }
const char* COrvex::GetVersion() { return table_->GetVersion(); }
const char* COrvex::GetDescription() { return table_->GetDescription(); }
const char* COrvex::GetErrMsg() { return table_->GetErrMsg(); }

int COrvex::GetFieldNum() { return table_->GetFieldNum(); }
const char* COrvex::GetFieldName(int fieldNo) { return table_->GetFieldName(fieldNo); }
int COrvex::GetFieldNo(const char* name) { return table_->GetFieldNo(name); }
int COrvex::GetFieldType(int fieldNo) { return table_->GetFieldType(fieldNo); }
int COrvex::GetFieldType(const char* name) { return table_->GetFieldType(name); }
int COrvex::GetFieldSize(int fieldNo) { return table_->GetFieldSize(fieldNo); }
int COrvex::GetFieldSize(const char* name) { return table_->GetFieldSize(name); }
int COrvex::GetKeyNum() { return table_->GetKeyNum(); }
const char* COrvex::GetKeyName(int keyNo) { return table_->GetKeyName(keyNo); }
int COrvex::GetKeyNo(const char* name) { return table_->GetKeyNo(name); }
int COrvex::GetKeyType(int keyNo) { return table_->GetKeyType(keyNo); }
int COrvex::GetKeyType(const char* name) { return table_->GetKeyType(name); }
int COrvex::GetKeyLen(int keyNo) { return table_->GetKeyLen(keyNo); }
int COrvex::GetKeyFieldNum(int keyNo) { return table_->GetKeyFieldNum(keyNo); }
int COrvex::GetKeyFieldNo(int keyNo, int partNo) { return table_->GetKeyFieldNo(keyNo, partNo); }
bool COrvex::GetKeyInfo(int keyNo, KEY_INFO& info) { return table_->GetKeyInfo(keyNo, info); }
int COrvex::GetCurKeyNo() { return table_->GetCurKeyNo(); }
int COrvex::GetRecordNum() { return table_->GetRecordNum(); }

bool COrvex::Insert(void* image, int length) { return table_->Insert(image, length); }
bool COrvex::Update(void* image, int length) { return table_->Update(image, length); }
bool COrvex::Delete() { return table_->Delete(); }
bool COrvex::CanInsert() { return table_->CanInsert(); }
void COrvex::SetCurRec(int offset) { table_->SetCurRec(offset); }
int COrvex::GetCurRec(int keyNo) { return table_->GetCurRec(keyNo); }
bool COrvex::GetField(void* dest, int fieldNo) { return table_->GetField(dest, fieldNo); }
bool COrvex::GetField(void* dest, const char* name) { return table_->GetField(dest, name); }
bool COrvex::SetField(const void* src, int fieldNo) { return table_->SetField(src, fieldNo); }
bool COrvex::SetField(const void* src, const char* name) { return table_->SetField(src, name); }
const char* COrvex::GetFieldStr(int fieldNo) { return table_->GetFieldStr(fieldNo); }
const char* COrvex::GetFieldStr(const char* name) { return table_->GetFieldStr(name); }
bool COrvex::SetFieldStr(const char* text, int fieldNo) { return table_->SetFieldStr(text, fieldNo); }
bool COrvex::SetFieldStr(const char* text, const char* name) { return table_->SetFieldStr(text, name); }

#define ORVEX_VALUE_SEEK(Name)                                                        \
  bool COrvex::Name(int keyNo, const void* value, void* image, int length) {          \
    return table_->Name(keyNo, value, image, length);                                 \
  }                                                                                   \
  bool COrvex::Name(const char* keyName, const void* value, void* image, int length) { \
    int k = table_->KeyByName(keyName);                                               \
    return k >= 0 && table_->Name(k, value, image, length);                           \
  }
ORVEX_VALUE_SEEK(GetEqual)
ORVEX_VALUE_SEEK(GetGreaterEqual)
ORVEX_VALUE_SEEK(GetGreater)
ORVEX_VALUE_SEEK(GetLessEqual)
ORVEX_VALUE_SEEK(GetLess)
#undef ORVEX_VALUE_SEEK

#define ORVEX_WALK(Name)                                                   \
  bool COrvex::Name(int keyNo, void* image, int length) {                  \
    return table_->Name(keyNo, image, length);                             \
  }                                                                        \
  bool COrvex::Name(const char* keyName, void* image, int length) {        \
    int k = table_->KeyByName(keyName);                                    \
    return k >= 0 && table_->Name(k, image, length);                       \
  }
ORVEX_WALK(GetFirst)
ORVEX_WALK(GetLast)
ORVEX_WALK(GetNext)
ORVEX_WALK(GetPrev)
#undef ORVEX_WALK

bool COrvex::SeekFirst(int keyNo) { return table_->SeekFirst(keyNo); }
bool COrvex::SeekLast(int keyNo) { return table_->SeekLast(keyNo); }
bool COrvex::SeekNext(int keyNo) { return table_->SeekNext(keyNo); }
bool COrvex::SeekPrev(int keyNo) { return table_->SeekPrev(keyNo); }

// The other by-name forms look the key up with GetKeyNo.
#define ORVEX_KEY_WALK(Name)                                                                  \
  bool COrvex::Name(int keyNo, void* value) { return table_->Name(keyNo, value); }            \
  bool COrvex::Name(const char* keyName, void* value) {                                       \
    return table_->Name(table_->GetKeyNo(keyName), value);                                    \
  }
ORVEX_KEY_WALK(GetKeyFirst)
ORVEX_KEY_WALK(GetKeyLast)
ORVEX_KEY_WALK(GetKeyNext)
ORVEX_KEY_WALK(GetKeyPrev)
#undef ORVEX_KEY_WALK

bool COrvex::CompareKeyNext(int keyNo, void* value, short* code) {
  return table_->CompareKeyNext(keyNo, value, code);
}
bool COrvex::CompareKeyNext(const char* keyName, void* value, short* code) {
  return table_->CompareKeyNext(table_->GetKeyNo(keyName), value, code);
}
bool COrvex::CompareKeyPrev(int keyNo, void* value, short* code) {
  return table_->CompareKeyPrev(keyNo, value, code);
}
bool COrvex::CompareKeyPrev(const char* keyName, void* value, short* code) {
  return table_->CompareKeyPrev(table_->GetKeyNo(keyName), value, code);
}

bool COrvex::GetLike(int keyNo, const char* pattern, int mode) { return table_->GetLike(keyNo, pattern, mode); }
bool COrvex::GetLike(const char* keyName, const char* pattern, int mode) {
  return table_->GetLike(table_->GetKeyNo(keyName), pattern, mode);
}
bool COrvex::GetLikeNext(int keyNo) { return table_->GetLikeNext(keyNo); }
bool COrvex::GetLikeNext(const char* keyName) { return table_->GetLikeNext(table_->GetKeyNo(keyName)); }
bool COrvex::GetNotLike(int keyNo, const char* pattern, int mode) {
  return table_->GetNotLike(keyNo, pattern, mode);
}
bool COrvex::GetNotLike(const char* keyName, const char* pattern, int mode) {
  return table_->GetNotLike(table_->GetKeyNo(keyName), pattern, mode);
}
bool COrvex::GetNotLikeNext(int keyNo) { return table_->GetNotLikeNext(keyNo); }
bool COrvex::GetNotLikeNext(const char* keyName) { return table_->GetNotLikeNext(table_->GetKeyNo(keyName)); }
bool COrvex::AppendChunk(const void* data, int length, int fieldNo) {
  return table_->AppendChunk(data, length, fieldNo);
}
bool COrvex::AppendChunk(const void* data, int length, const char* name) {
  return table_->AppendChunk(data, length, table_->GetFieldNo(name));
}
bool COrvex::GotoChunkPos(int fieldNo) { return table_->GotoChunkPos(fieldNo); }
bool COrvex::GotoChunkPos(const char* name) { return table_->GotoChunkPos(table_->GetFieldNo(name)); }
bool COrvex::GetChunk(void* dest, int length, int fieldNo) { return table_->GetChunk(dest, length, fieldNo); }
bool COrvex::GetChunk(void* dest, int length, const char* name) {
  return table_->GetChunk(dest, length, table_->GetFieldNo(name));
}
int COrvex::GetChunkSize(int fieldNo) { return table_->GetChunkSize(fieldNo); }
int COrvex::GetChunkSize(const char* name) { return table_->GetChunkSize(table_->GetFieldNo(name)); }
bool COrvex::SavePosition(int keyNo) { return table_->SavePosition(keyNo); }
bool COrvex::RestorePosition(int keyNo) { return table_->RestorePosition(keyNo); }
