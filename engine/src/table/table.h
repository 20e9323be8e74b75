// orvex::Table: the state and operations behind COrvex.
//
// COrvex forwards every public member here, under the table class's own
// names; the internal steps (SearchIndex, InsertIndex, InsertDupIndex,
// DeleteIndex, SetRecBuff, InsertDeleteList, SeekDeleteList, ...) are
// private members, spread over files by purpose:
//   table_lifecycle.cpp   Init, CreateDB, OpenDB, CloseDB, Flush
//   table_schema.cpp      CreateField, CreateKey and the schema accessors
//   table_records.cpp     Insert, Update, Delete, free lists, auto-increment
//   table_change.cpp      all-or-nothing changes: what Insert, Update and
//                         Delete overwrite is kept, and put back on failure
//   table_fields.cpp      GetField, SetField and their text forms
//   table_btree.cpp       node I/O, SearchIndex, InsertIndex with splits
//   table_dups.cpp        duplicate chains and removal from an index
//   table_navigation.cpp  value seeks and walks
//   table_patterns.cpp    pattern search and saved positions
//   table_chunks.cpp      chunk storage
//   table_bulk.cpp        bulk loading of a table without records
#ifndef ORVEX_TABLE_TABLE_H_
#define ORVEX_TABLE_TABLE_H_

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "orvex.h"
#include "format/chunk.h"
#include "format/dup_node.h"
#include "format/header.h"
#include "format/node.h"
#include "format/schema.h"
#include "io/page_cache.h"
#include "keys/key_value.h"
#include "table/key_entries.h"

namespace orvex {

// Error texts of the engine (kept verbatim).
namespace err {
constexpr const char* kMustDoBeforeCreate = "must do before create db";
constexpr const char* kFieldCount = "Field count must less than %d  ";
constexpr const char* kFieldNameExists = "The FieldName exist already!";
constexpr const char* kFieldLength = "field length must between %d and %d";
constexpr const char* kTooManyAutoInc = "Too many AutoInc fields";
constexpr const char* kCreateFieldFirst = "must create field first";
constexpr const char* kFieldNoTooLarge = "FieldNo must less than %d";
constexpr const char* kKeyCount = "key count must less than %d  ";
constexpr const char* kKeyNameExists = "The KeyName exist already!";
constexpr const char* kFieldCantBeKey = "This field can't be key!";
constexpr const char* kMultiKeyLength = "multikey length must <=%d";
constexpr const char* kCantCreate = "can't create file ";
constexpr const char* kCreateIndex = "Create Index error,please CreateKey first!";
constexpr const char* kCantOpen = "file can't be  opened!";
constexpr const char* kKeyNotFound = "key not found";
constexpr const char* kUnduplicated = "the key is unduplicated";
constexpr const char* kCurrentKeyInvalid = "current key invalid";
constexpr const char* kCantLocate = "Can't locate a record  ";
constexpr const char* kFieldInvalidation = "field invalidation";
constexpr const char* kIndexNotFound = "index file not found!";
// Texts of this engine's own checks.
constexpr const char* kNameTooLong = "name longer than 31 characters";
constexpr const char* kBadFieldType = "field type must be between 1 and 8";
constexpr const char* kNegativeFieldNo = "FieldNo must not be negative";
constexpr const char* kBadAttribute = "key attribute must be 1 or 2";
constexpr const char* kNotDatabase = "not a database file: ";
constexpr const char* kRecordTooLong = "record too long for a trimmed block";
constexpr const char* kFileTooLarge = "file would grow past 2147483647 bytes";
constexpr const char* kAutoIncExhausted = "auto-increment value would pass 2147483647";
constexpr const char* kDamaged = "database file damaged";
constexpr const char* kReadFailed = "can't read file";
constexpr const char* kWriteFailed = "can't write file";
constexpr const char* kPatternTooLong = "pattern longer than 129 characters";
constexpr const char* kChunkShort = "chunk ended before the length asked";
constexpr const char* kChunkNotPositioned = "chunk read not started: GotoChunkPos first";
constexpr const char* kChunkFreeListDamaged = "chunk free list damaged; new chunks go to the end of the file";
constexpr const char* kNotOpen = "no database file is open";
constexpr const char* kNanKey = "a key value can't be NaN";
constexpr const char* kLooksLikeDupNode = "record would read as a duplicate node";
constexpr const char* kFreeListDamaged = "free list damaged: new blocks go to the end of the file";
constexpr const char* kRefersPastEnd = "database file damaged: it refers to blocks past its end";
}  // namespace err

// Which entry a typed seek picks (the value-seek family).
enum class SeekOp { kEqual, kGreaterEqual, kGreater, kLessEqual, kLess };

// A key's position: leaf, entry, record and the duplicate node there.
struct KeyPosition {
  int32_t node = -1;
  int32_t entry = -1;
  int32_t record = -1;
  DupNode dup;          // record -1: the entry points straight at a record
  int32_t dupSelf = -1;  // file offset of that duplicate node
  // The duplicate node at the position was unlinked from its chain since
  // the key stood on it (its neighbours now link to each other).
  bool unlinked = false;
  // Steps forward less steps back since the key was last positioned by
  // value, first or last. A walk visits each live entry of the key once, so
  // in a sound file this stays within the allowance: the live records when
  // the key was positioned, and one more for every record that an insert or
  // update put in a new place since. A walk that goes further is going
  // round a cycle of a damaged file.
  int64_t travel = 0;
  int64_t allowance = 0;
};

// What a search tells the insert path, per key.
struct SearchResult {
  int32_t leaf = -1;
  int position = 0;
  bool found = false;
  int32_t record = -1;
  bool greaterThanAll = false;
};

// One part of a key being defined, as the definition calls give it.
struct KeyPartSpec {
  int field = 0;
  int mode = 0;
  int start = 0;
  int length = 0;
};

struct TableOptions {
  FileSystem* fs = nullptr;  // null: POSIX
  size_t cacheBytes = kDefaultCacheBytes;
  int busyTimeoutMs = kDefaultBusyTimeoutMs;
};

class Table {
 public:
  explicit Table(const TableOptions& options = TableOptions());
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // ---- lifecycle (table_lifecycle.cpp)
  void Init();
  bool CreateDB(const char* path, const char* description);
  bool OpenDB(const char* path, int mode);
  bool CloseDB();
  bool Flush();
  bool IsDBOpen() const { return open_; }
  // Tells whether the table's contents may have changed between two looks:
  // which opening of a file this is, and how many writes that file has seen
  // through any table object of the process.
  struct ChangeStamp {
    uint64_t opening = 0;
    uint64_t writes = 0;
    bool operator==(const ChangeStamp&) const = default;
  };
  ChangeStamp Stamp() const {
    return ChangeStamp{openings_, file_ ? file_->shared()->Changes() : 0};
  }
  const char* GetVersion() const { return version_.c_str(); }
  const char* GetDescription();
  const char* GetErrMsg() const { return err_.c_str(); }
  void EnableTrimRecord(bool on) { trimOnCreate_ = on; }

  // ---- schema (table_schema.cpp)
  bool CreateField(const char* name, int type, int size);
  bool CreateKey(const char* name, int attribute, int fieldNo, int mode, int start, int length);
  bool CreateKey(const KEY_INFO& info);
  int GetFieldNum();
  const char* GetFieldName(int fieldNo);
  int GetFieldNo(const char* name);
  int GetFieldType(int fieldNo);
  int GetFieldType(const char* name) { return GetFieldType(GetFieldNo(name)); }
  int GetFieldSize(int fieldNo);
  int GetFieldSize(const char* name) { return GetFieldSize(GetFieldNo(name)); }
  int GetKeyNum();
  // The keys defined so far, before the file is created as after.
  int KeysDefined() const { return hdr_.keyCount(); }
  const char* GetKeyName(int keyNo);
  int GetKeyNo(const char* name);
  int GetKeyType(int keyNo);
  int GetKeyType(const char* name);
  int GetKeyLen(int keyNo);
  int GetKeyFieldNum(int keyNo);
  int GetKeyFieldNo(int keyNo, int partNo);
  bool GetKeyInfo(int keyNo, KEY_INFO& info);
  int GetCurKeyNo() const { return curKey_; }
  int GetRecordNum();
  // Key number by name for the seeks and walks: both trimmed, compared
  // case-insensitively; -1 when none.
  int KeyByName(const char* name);
  // The schema worked out from the header: the query engine picks keys and
  // compares key values by it.
  const Schema& schema() const { return schema_; }

  // ---- records (table_records.cpp)
  bool Insert(void* image, int length);
  bool Update(void* image, int length);
  bool Delete();
  bool CanInsert();
  void SetCurRec(int offset);
  int GetCurRec(int keyNo);

  // ---- fields (table_fields.cpp)
  bool GetField(void* dest, int fieldNo);
  bool GetField(void* dest, const char* name) { return GetField(dest, GetFieldNo(name)); }
  bool SetField(const void* src, int fieldNo);
  bool SetField(const void* src, const char* name) { return SetField(src, GetFieldNo(name)); }
  const char* GetFieldStr(int fieldNo);
  const char* GetFieldStr(const char* name) { return GetFieldStr(GetFieldNo(name)); }
  bool SetFieldStr(const char* text, int fieldNo);
  bool SetFieldStr(const char* text, const char* name) { return SetFieldStr(text, GetFieldNo(name)); }

  // ---- navigation (table_navigation.cpp)
  bool GetEqual(int k, const void* value, void* image, int length) {
    return ValueSeek(SeekOp::kEqual, k, value, image, length);
  }
  bool GetGreaterEqual(int k, const void* value, void* image, int length) {
    return ValueSeek(SeekOp::kGreaterEqual, k, value, image, length);
  }
  bool GetGreater(int k, const void* value, void* image, int length) {
    return ValueSeek(SeekOp::kGreater, k, value, image, length);
  }
  bool GetLessEqual(int k, const void* value, void* image, int length) {
    return ValueSeek(SeekOp::kLessEqual, k, value, image, length);
  }
  bool GetLess(int k, const void* value, void* image, int length) {
    return ValueSeek(SeekOp::kLess, k, value, image, length);
  }
  bool GetFirst(int k, void* image, int length);
  bool GetLast(int k, void* image, int length);
  bool GetNext(int k, void* image, int length);
  bool GetPrev(int k, void* image, int length);
  bool SeekFirst(int k);
  bool SeekLast(int k);
  bool SeekNext(int k);
  bool SeekPrev(int k);
  bool GetKeyFirst(int k, void* value);
  bool GetKeyLast(int k, void* value);
  bool GetKeyNext(int k, void* value);
  bool GetKeyPrev(int k, void* value);
  bool CompareKeyNext(int k, void* value, short* code) { return CompareStep(k, value, code, true); }
  bool CompareKeyPrev(int k, void* value, short* code) { return CompareStep(k, value, code, false); }
  // Reads the record at offset (named by an index entry) into fixed, a
  // buffer of recordLength bytes, leaving positions and buffers as they were
  // (the query scan reads every record so). False, with an error text, when
  // no sound record is there.
  bool ReadRecord(int32_t offset, uint8_t* fixed) { return open_ && ReadRecordAt(offset, fixed); }
  // Reads n records, the i-th at offsetOf(i) (offsets that ascend), front
  // to back in large reads (one pass over the bytes they span, however the
  // records lie in it), each restored and checked as ReadRecord does into
  // place(i), a buffer of a record's length. False, with an error text, at
  // the first record that cannot be read or is not sound. The file is read
  // in pieces of up to pieceBytes (at least one record's worth).
  bool ReadRecordRun(size_t n, const std::function<int32_t(size_t)>& offsetOf,
                     const std::function<uint8_t*(size_t)>& place,
                     size_t pieceBytes = size_t{1} << 20);

  // ---- pattern search and saved positions (table_patterns.cpp)
  bool GetLike(int k, const char* pattern, int mode) { return PatternSearch(k, pattern, mode, true); }
  bool GetLikeNext(int k) { return PatternNext(k, true); }
  bool GetNotLike(int k, const char* pattern, int mode) { return PatternSearch(k, pattern, mode, false); }
  bool GetNotLikeNext(int k) { return PatternNext(k, false); }
  bool SavePosition(int k);
  bool RestorePosition(int k);

  // ---- chunks (table_chunks.cpp)
  bool AppendChunk(const void* data, int length, int field);
  bool GotoChunkPos(int field);
  bool GetChunk(void* dest, int length, int field);
  int GetChunkSize(int field);

  // ---- bulk load (table_bulk.cpp)
  // A table without records takes its first records faster in a bulk load:
  // from BeginBulkLoad on, Insert writes each record at the end of the file
  // and keeps its key values in memory, and EndBulkLoad builds every index
  // from them at once (Flush and CloseDB end the load too). Until then the
  // loaded records cannot be found, and nothing but Insert and AppendChunk
  // may be called. When the kept values pass memoryBudget bytes, the
  // indexes are built and the load goes on by ordinary inserts. A unique
  // key holding a value twice fails the load ("the key is unduplicated"):
  // the header stays as it was, with no record. expectedRecords (0 when
  // unknown) lets the memory for the values be taken at once.
  bool BeginBulkLoad(size_t memoryBudget, int expectedRecords = 0);
  bool EndBulkLoad();

 private:
  void SetError(const char* text) {
    err_ = text;
    ++errorsSet_;
  }
  void SetErrorf(const char* format, int a);
  void SetErrorf(const char* format, int a, int b);
  void FreeBuffers();
  // Forgets every position, saved or not, the chunk append and read state
  // and the update flag.
  void ForgetPositions();
  StoreOptions StoreOpts() const {
    StoreOptions o;
    o.cacheBytes = options_.cacheBytes;
    o.busyTimeoutMs = options_.busyTimeoutMs;
    return o;
  }
  bool RefuseOpen(const char* why);
  // Commits the header image and every page written (Flush, CloseDB). On
  // failure the file is back at its last commit, and so is this object.
  bool Commit();
  // Makes the object match the file after a rollback: the header image read
  // again, every position and the chunk and update state forgotten.
  void AfterRollback();
  void SetVersionText();
  // Allocates the record buffers for the schema.
  void AllocateBuffers();

  // File access: false on a short read or a failed write (error text set).
  bool ReadAt(int64_t offset, void* buf, int n, bool stream = false);
  // stream: the bytes are part of a long run written once at the end of
  // the file (see SharedFile::Write).
  bool WriteAt(int64_t offset, const void* buf, int n, bool stream = false);
  // The end of the file, counting the records a bulk load holds back (they
  // go right after what the file had when they were taken).
  int64_t FileEnd() {
    if (!file_) return 0;
    const int64_t size = file_->Size();
    return bulkOut_.empty() ? size : std::max(size, bulkOutAt_ + static_cast<int64_t>(bulkOut_.size()));
  }
  // Whether a block of n bytes at offset lies inside the file past the
  // header. offset is one the file refers to: a block that runs past the
  // end of the file is noted (see refersPastEnd_).
  bool BlockInFile(int64_t offset, int64_t n) {
    if (InFile(offset, n)) return true;
    if (offset >= kHeaderSize && n >= 0) refersPastEnd_ = true;
    return false;
  }
  // The same without noting anything: for free-list links, since a list
  // found damaged is dropped and its links are no longer followed.
  bool InFile(int64_t offset, int64_t n) { return offset >= kHeaderSize && n >= 0 && offset + n <= FileEnd(); }
  // Notes a node whose links name blocks past the end of the file.
  void NoteLinksPastEnd(const NodeView& n);
  // Refuses growth that would put a block past the largest 32-bit offset.
  bool RoomToGrow(int64_t bytes);
  // Whether the file may grow by up to bytes: not when it refers to blocks
  // past its end (see refersPastEnd_), and the free lists are walked first
  // once per opening, so that none of their links points where new blocks
  // go.
  bool MayGrow(int64_t bytes);
  // Walks both free lists, cutting each before a block or link that no
  // sound list holds.
  void WalkFreeLists();

  // ---- all-or-nothing changes (table_change.cpp)
  // Insert, Update and Delete each run as one change. While a change runs,
  // every byte of the file it overwrites is kept first; a change that fails
  // puts those bytes back, with the header image and every position, so
  // that a failed operation leaves the table as it found it (blocks it
  // appended stay unused past the old end of the file) and always says why.
  // Changes nest: only the outermost one keeps and puts back.
  class Change {
   public:
    explicit Change(Table* t);
    ~Change();  // rolls back unless committed
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;
    // Ends the change; the header's counts, roots and free-list heads are
    // checked first, so that no header the engine would refuse at open is
    // ever kept. false (rolled back) when they fail.
    bool Commit();

   private:
    Table* t_;
    bool outer_;
    bool done_ = false;
  };
  void BeginChange();
  void RollBack();
  // Whether the header's count, roots and free-list heads are ones that
  // the engine would accept at open.
  bool HeaderStateSound();
  // Keeps the bytes at [offset, offset + n) that lie before the file end
  // the change began with: read from the file (false when that fails), or
  // given (`now`).
  bool KeepBytes(int64_t offset, int n);
  void KeepBytes(int64_t offset, const uint8_t* now, int n);
  uint8_t* KeepRoom(int64_t offset, int n);

  // ---- schema (table_schema.cpp)
  bool DefineKey(const std::string& name, int attribute, int parts, const KeyPartSpec* partDefs);

  // ---- records (table_records.cpp)
  // Reads the record at the current key's current record offset into the
  // current record buffer (and the image).
  bool SetRecBuff(void* image, int length);
  // Puts a freed block on its free list: a duplicate node, or a record
  // block of blockLen bytes.
  bool InsertDeleteList(bool dupNode, int32_t offset, int32_t blockLen);
  // Picks where a block of size bytes goes: a free block or the end of the
  // file (*at). false only when the list is damaged.
  bool SeekDeleteList(bool dupNode, int size, int32_t* at);
  bool InsertRecord(void* image, int length);
  // The first blocks of the chunks appended for the record being built.
  int AppendedChunks(int32_t* first);
  bool WriteRecord(const uint8_t* data, int n, int32_t* at);
  // The record as it will be kept, built in image_ from a caller's image
  // or the edit buffer, and checked: texts end at their first NUL, no key
  // value holds NaN, its block would not read as a duplicate node. Forms
  // every key value into keyVals_ and the block into *block, *blockLen.
  bool PrepareRecord(const uint8_t* img, int length, const uint8_t** block, int* blockLen);
  // Searches every key for the prepared record's values (searches_); false
  // with "the key is unduplicated" when a unique key has a live equal entry.
  bool SearchForInsert();
  // Free-list blocks: whether the block at offset reads as a free one of
  // its list (its length and link given), and whether its link is one a
  // list can hold; whether an index entry still names it as a record.
  enum class FreeBlock { kSound, kBadLink, kDamaged };
  FreeBlock CheckFreeRecordBlock(int32_t offset, int32_t* next, int* length);
  FreeBlock CheckFreeDupNode(int32_t offset, int32_t* next);
  bool RecordStillIndexed(int32_t offset, int length);
  // Sets the link of a free record block (-1: the list head) to next.
  bool SetRecordFreeLink(int32_t block, int32_t next);
  // Stops using a damaged free list (until the file is opened again).
  void DistrustFreeList(bool dupNode);
  // Gives every key's walk room for one more record in a new place, except
  // keys under which an update leaves the record where it was (sameValue).
  void AllowOneMore(const bool* samePlace);
  bool ReadRecordAt(int32_t offset, uint8_t* fixed);
  // Restores a trimmed block of at most want bytes into fixed, checking it;
  // wantEndsFile: the want bytes reach the end of the file.
  bool RestoreChecked(const uint8_t* block, int want, bool wantEndsFile, uint8_t* fixed);
  // Prefetches the records noted ahead of a walk's position (n bytes each)
  // and forgets them.
  void PrefetchAhead(SharedFile::Reader* access, int n);
  bool AutoIncValue(int field, int32_t* value);
  // The key whose largest value gives an auto-increment field its next
  // value: its unique single-field key, else another on it; -1 when none.
  int AutoIncKey(int field) const;
  int InsertWorstCaseGrowth(int recordBlock);
  // Makes the current record buffer hold the current key's current record,
  // reading it when a load is pending or the buffer holds another record.
  bool EnsureCurrentLoaded();

  // ---- index (table_btree.cpp)
  // Searches key k for value v; see SearchResult. Returns the offset of the
  // node where the search ended (held in *node when given), or -1.
  int32_t SearchIndex(int k, const uint8_t* v, SearchResult* out, Node* node, bool raiseUpperBound);
  bool InsertIndex(int k, const uint8_t* v, int32_t record, int32_t leaf, int position);
  bool InsertInPlace(int k, const uint8_t* v, int32_t record, int32_t leaf, int position);
  bool FitsBetweenLeaves(int k, int32_t leaf, int position, const uint8_t* v);
  int CompareKey(const uint8_t* a, const uint8_t* b, int k) const {
    return CompareKeys(schema_.key[k], a, b);
  }
  // Reads a node of key k at offset into n, checking it.
  bool ReadNode(int k, int32_t offset, Node* n);
  bool WriteNode(const Node& n);
  bool SetNodeLink(int32_t offset, int field, int32_t value);

  // ---- duplicate chains (table_dups.cpp)
  bool InsertDupIndex(int k, int32_t leaf, int position, int32_t record);
  // Unlinks the current key's remembered duplicate node from the chain of
  // entry position of its leaf.
  bool DeleteDupIndex(int k, int position);
  bool UnlinkDup(int k, int32_t leaf, int position, int32_t xAt, const DupNode& x);
  bool ReadEntryRecord(int k, int32_t leaf, int position, int32_t* record);
  bool WriteEntryRecord(int32_t leaf, int position, int32_t record);
  bool DeleteIndex(int k, const uint8_t* v);
  // Whether entry position of the leaf holds the key value v.
  bool EntryHoldsValue(int k, int32_t leaf, int position, const uint8_t* v);
  bool ReadDup(int32_t offset, DupNode* d, bool* isDup);
  // Reads a node that must be a duplicate node.
  bool ReadChainNode(int32_t offset, DupNode* d);
  // Sets "database file damaged"; false.
  bool ChainDamaged();
  bool WriteDup(int32_t offset, const DupNode& d);

  // ---- navigation (table_navigation.cpp)
  // The typed seek: positions key k by value (v is a key value buffer).
  bool Seek(SeekOp op, int k, const uint8_t* v);
  bool ValueSeek(SeekOp op, int k, const void* value, void* image, int length);
  bool CompareStep(int k, void* value, short* code, bool forward);
  bool KeyWalk(int k, void* value, int step);  // 0 first, 1 last, 2 next, 3 prev
  // Entry skipping across leaves; n holds the leaf. false off either end.
  bool SkipForward(int k, Node* n, int* entry);
  bool SkipBackward(int k, Node* n, int* entry);
  // Sets key k's position on an entry (its record offset given) of a leaf;
  // fromTail picks a chain's last node instead of its head.
  bool PositionAt(int k, int32_t leaf, int entry, int32_t record, bool fromTail);
  bool StepFirstLast(int k, bool last);
  bool StepNextPrev(int k, bool next);
  bool WalkPreconditions(int k, bool needCurrentLeaf);
  // Notes the record offsets of the working leaf's entries after (forward)
  // or before entry, for the next record read to prefetch: the one
  // kAhead steps away, or all up to it when a walk starts.
  void NoteAhead(int entry, bool forward, bool all);
  bool LoadRecord(void* image, int length);
  bool CurrentKeyValue(int k, uint8_t* out);
  // Invariant (7): a leaf chain has at most one leaf per smallest node the
  // file can hold.
  int64_t MaxLeafSteps() { return FileEnd() / kMinNodeSize + 2; }

  // ---- chunks (table_chunks.cpp)
  // Reads and checks the header of the chunk block at `at`.
  bool ReadChunkHeader(int32_t at, ChunkBlockHeader* h);
  bool WriteChunkHeader(int32_t at, const ChunkBlockHeader& h);
  bool ChunkFreeListUsable();
  bool WalkChunkFreeList();
  bool DropChunkFreeList();
  // Takes the first block of the chunk free list; false when there is none
  // (the next block then goes to the end of the file).
  bool SeekChunkDeleteList(int32_t* block, ChunkBlockHeader* h);
  // Splices the chain that starts at first onto the chunk free list.
  bool InsertChunkDeleteList(int32_t first);
  void ResetChunkAppend();
  bool WriteChunk(const uint8_t* data, int length);
  // Checks for the chunk reads: an open file, a chunk field, a current
  // record (read when it is not in the current record buffer).
  bool ChunkFieldOfCurrent(int field);
  // Puts into a record about to be written the chunk references it may
  // hold (see table_chunks.cpp).
  void SetChunkRefs(uint8_t* record);
  // Frees the chains of a record's chunk fields, except those that
  // replacement (when given) still references.
  void FreeChunks(const uint8_t* record, const uint8_t* replacement);

  // ---- bulk load (table_bulk.cpp)
  bool BulkRecord(void* image, int length);
  // Writes the record blocks the load holds back.
  bool WriteBulkOutput();
  // Builds key k's index from its sorted entries: the duplicate chains, the
  // leaves, the levels above; the header is left to the caller.
  bool BuildIndex(int k, const KeyEntries& e, int32_t* root, int32_t* first, int32_t* last);

  // ---- pattern search (table_patterns.cpp)
  void ClearPattern();
  // Stores the pattern and walks key k from its first record to the first
  // whose key value matches (like) or does not match (!like).
  bool PatternSearch(int k, const char* pattern, int mode, bool like);
  bool PatternNext(int k, bool like);
  bool PatternWalk(int k, bool like, bool fromFirst);

  TableOptions options_;
  uint64_t openings_ = 0;  // counts CloseDB calls (OpenDB closes first)
  bool open_ = false;
  bool ready_ = false;
  bool dirty_ = false;
  bool trimOnCreate_ = true;
  std::string version_;
  std::string err_;
  std::string scratch_;
  std::string description_;
  std::unique_ptr<Store> file_;
  Header hdr_;
  Schema schema_;
  std::unique_ptr<uint8_t[]> cur_;    // current record buffer
  std::unique_ptr<uint8_t[]> edit_;   // edit buffer
  std::unique_ptr<uint8_t[]> block_;  // trimmed block working buffer
  std::unique_ptr<uint8_t[]> image_;  // a caller's image, completed to a record
  int curKey_ = -1;
  Node work_;             // working node (leaf last read by a walk)
  int32_t workKey_ = -1;  // the key whose leaf the working node holds
  KeyPosition pos_[kMaxKeys];
  // The chunk being appended for the record being built: its field (-1:
  // none), bytes so far, first block, and the block being written with its
  // header and the offset inside its data (block 0: the next piece starts a
  // new block at the end of the file).
  struct ChunkAppend {
    int field = -1;
    int32_t appended = 0;
    int32_t first = 0;
    int32_t block = 0;
    ChunkBlockHeader header;
    int32_t offset = 0;
  };
  ChunkAppend append_;
  // Per chunk field: a chunk was appended for the record being built, and
  // its reference (kept here too: a record read meanwhile refills the edit
  // buffer).
  bool chunkAppended_[kMaxFields] = {};
  ChunkRef appendedRef_[kMaxFields];
  // In an update: the old record's chunk references, kept by the new record
  // for the fields not appended to.
  ChunkRef chunkCarry_[kMaxFields];
  // The chunk being read: field (-1: none), the record it belongs to, the
  // block, its header, the offset inside its data, and the bytes of the
  // value not read yet.
  struct ChunkRead {
    int field = -1;
    int32_t record = -1;
    int32_t block = 0;
    ChunkBlockHeader header;
    int32_t offset = 0;
    int32_t left = 0;
    // Cycle detection along the chain (see GetChunk).
    int32_t mark = 0;
    int64_t steps = 0;
    int64_t span = 1;
  };
  ChunkRead read_;
  // The chunk free list was walked since the file was opened.
  bool chunkFreeChecked_ = false;
  bool updating_ = false;
  bool loadPending_ = false;
  // Offset of the record the current record buffer holds (-1: none, or it
  // may be stale because a record was written or freed since). GetField and
  // Delete read the record at the position when the buffer holds another.
  int32_t curAt_ = -1;
  // The pattern of the search under way (GetLike, GetNotLike) and its case
  // mode: 1 case-sensitive, else ASCII letters folded.
  static constexpr size_t kMaxPatternLength = 129;
  char pattern_[kMaxPatternLength + 1] = {};
  bool patternStored_ = false;
  int16_t patternMode_ = 2;
  // One saved position per key (SavePosition); node -1: nothing saved.
  KeyPosition saved_[kMaxKeys];
  // Records a walk is about to read (offsets; hints only, never trusted).
  static constexpr int kAhead = 6;
  int32_t ahead_[kAhead] = {};
  int aheadCount_ = 0;

  // Scratch node images (no allocation per operation).
  Node nodeA_;
  Node nodeB_;
  Node nodeC_;
  Node scratchNode_;  // a node that straddles cache pages, during a search
  SearchResult searches_[kMaxKeys];
  uint8_t keyVals_[kMaxKeys][kKeyBufferSize];

  // Error texts set so far (a change that fails without setting one says
  // the file is damaged).
  uint64_t errorsSet_ = 0;
  // The change in progress: depth, the file end and error count it began
  // with, the bytes it overwrote (spans of undoBytes_, in order), and the
  // object's state to put back.
  struct KeptSpan {
    int64_t offset;
    size_t at;
    int n;
  };
  int changeDepth_ = 0;
  int64_t changeEnd_ = 0;
  uint64_t changeErrors_ = 0;
  std::vector<KeptSpan> kept_;
  std::vector<uint8_t> keptBytes_;  // grows, never shrinks; keptUsed_ in use
  size_t keptUsed_ = 0;
  uint8_t keptHeader_[kHeaderStateSize] = {};
  int32_t keptRecordCount_ = 0;
  bool keptDirty_ = false;
  KeyPosition keptPos_[kMaxKeys];
  int keptCurKey_ = -1;
  int32_t keptCurAt_ = -1;
  bool keptLoadPending_ = false;
  // The file refers to a block past its end (it was cut short, or a link is
  // damaged). It is not made longer until it is opened again: a block
  // appended there would be taken for the missing one by every reference to
  // it, and the damage would spread to the new block.
  bool refersPastEnd_ = false;
  bool freeListsWalked_ = false;
  // Free lists found damaged: not used again until the next open.
  bool recordListDamaged_ = false;
  bool dupListDamaged_ = false;
  // The bulk load under way: one entry list per key (empty: none), the
  // memory they may take, the records loaded.
  std::vector<KeyEntries> bulk_;
  size_t bulkBudget_ = 0;
  int32_t bulkRecords_ = 0;
  // Record blocks of the load not written yet, which belong at bulkOutAt_:
  // written a few hundred kilobytes at a time rather than one by one.
  // Only a schema without chunk fields holds records back, so nothing else
  // is written past the end of the file while they wait.
  std::vector<uint8_t> bulkOut_;
  int64_t bulkOutAt_ = 0;
  bool bulkHoldsBack_ = false;
  // A free block being checked, as a block and as a record.
  std::vector<uint8_t> probeBlock_;
  std::vector<uint8_t> probeRecord_;
};

}  // namespace orvex

#endif  // ORVEX_TABLE_TABLE_H_
