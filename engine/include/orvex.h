// Orvex: the record-store engine of Korvane Tessaly.
//
// One COrvex object serves one open database file: a 15472-byte header that
// describes the table (fields, keys, index roots, free lists) followed by a
// heap of blocks (records, B+-tree index nodes, duplicate nodes, chunk blocks)
// addressed by absolute signed 32-bit file offsets, -1 meaning none. All
// integers in the file are little-endian.
//
// Conventions shared by every member:
//  - Nothing throws and nothing prints. A failing member returns false, -1 or
//    the empty text and, where a text fits, keeps an English error text that
//    GetErrMsg returns; success does not clear it.
//  - Texts passed in are NUL-terminated byte strings, copied during the call.
//    Texts returned point into storage owned by the object and stay valid
//    until the next call that replaces them (named per member); never free
//    them, never null.
//  - Field and key numbers are 0-based. A "record image" is a record in fixed
//    layout (every field at the sum of the sizes before it); an image pointer
//    may be null, and a length of 0 with an image means the record length.
//  - One object is used by one thread at a time. Several objects may open one
//    file in one process; they see each other's writes.
//  - Memory is bounded whatever the file size: the objects that have one file
//    open share one cache of its blocks, at most 128 MB (never more than the
//    file), and each object keeps fixed buffers of a few hundred kilobytes.
//  - Commits. Flush and CloseDB are commit points: they make every change
//    since the last commit durable as one step (a rollback journal,
//    FILE-journal, lies beside the file while changes are pending). A
//    process killed or a machine losing power at any moment leaves the file
//    at a completed commit; the next OpenDB puts it back there. A failed
//    write, sync or journal write (a full disk, an I/O error) makes the
//    operation fail with an error text and returns the file and the object
//    to the last commit.
//  - Processes. A process that has a file open for writing holds an
//    exclusive lock on it; one that reads holds a shared lock. OpenDB waits
//    up to a few seconds for another process in the way, then fails with an
//    error text naming it. Objects of one process never lock each other out.
#ifndef ORVEX_ORVEX_H_
#define ORVEX_ORVEX_H_

// The type codes, key attributes, open-mode bits and KEY_INFO are shared
// with the flat interface and defined in its header.
#include "orvex_flat.h"

namespace orvex {
class Table;
struct QueryState;
}

// The table class. Order of use: CreateField and CreateKey to define a schema
// (refused while a file is open), optionally EnableTrimRecord(false), then
// CreateDB; or OpenDB on an existing file. Then record and key operations,
// then CloseDB (the destructor closes too). CloseDB always returns the object
// to the defining state with an empty schema.
class ORVEX_EXPORT COrvex {
 public:
  // Nothing open, empty schema.
  COrvex();
  // Init, then OpenDB(path, mode); success shows in IsDBOpen and an empty
  // GetErrMsg.
  COrvex(const char* path, int mode);
  // CloseDB.
  ~COrvex();

  COrvex(const COrvex&) = delete;
  COrvex& operator=(const COrvex&) = delete;

  // ---- Lifecycle and schema definition ----------------------------------

  // Resets every item to its empty state: nothing open, no schema, no
  // positions, empty error text. Does not close a file; use CloseDB.
  void Init();

  // Appends a field (type 1..8; size matters for text only, 1..1024) to the
  // schema being defined. The name is trimmed and must be new (compared
  // case-insensitively) and at most 31 characters. A type-8 field also makes
  // a unique key of the same name. False with an error text on refusal.
  bool CreateField(const char* name, int type, int size);

  // Appends a single-field key: attribute 1 or 2, the field, for a text field
  // the compare mode (1 or 2, else 1), slice start and length (corrected as
  // the format requires). False with an error text on refusal.
  bool CreateKey(const char* name, int attribute, int fieldNo, int mode,
                 int start, int length);
  // Appends a single- or multi-field key from a KEY_INFO (part count
  // 1..128, total length at most 128 bytes).
  bool CreateKey(const KEY_INFO& info);

  // Whether CreateDB makes a file whose records are stored trimmed (true,
  // the default) or in fixed layout (false).
  void EnableTrimRecord(bool on);

  // Creates (replacing) the file from the defined schema and leaves it open.
  // The description is cut to 59 characters. Needs at least one key. Refused
  // when another object of this process, or another process, has the file
  // open.
  bool CreateDB(const char* path, const char* description);

  // Opens an existing database file (closing whatever is open first). The
  // header is validated; a file that cannot be a database of this format, or
  // anything but a regular file, is refused with an error text and not kept
  // open. A journal left by an interrupted commit is played back first.
  // mode: see the ORVEX_OPEN_* bits; 66 is read-write, deny none.
  bool OpenDB(const char* path, int mode);

  // Commits (as Flush), closes the file and resets the object (empty
  // schema). False when the commit failed: the file is then at its last
  // commit, and GetErrMsg keeps the reason (the reset clears it otherwise).
  bool CloseDB();

  // Commits: the header and every block written since the last commit reach
  // the disk as one step. True when they are durable. False with an error
  // text when a write, sync or journal write failed (or no file is open):
  // the file and this object are then back at the last commit, and the
  // changes since are gone. Callers that ignore the result still compile.
  bool Flush();

  // A file is open.
  bool IsDBOpen();

  // The version text: the file's version, " ," and the engine banner; empty
  // before any create or open.
  const char* GetVersion();
  // The description stored in the header (at most 59 characters).
  const char* GetDescription();
  // The last error text; empty when none. Successful calls do not clear it.
  const char* GetErrMsg();

  // ---- Schema accessors (read the header image) -------------------------

  // Field count; -1 when no file is open.
  int GetFieldNum();
  // Field name, or the empty text for a number out of range. The answer is
  // kept until the next GetFieldName, GetKeyName or GetFieldStr.
  const char* GetFieldName(int fieldNo);
  // Field number whose name equals the argument case-insensitively (the
  // argument is not trimmed); -1 if none.
  int GetFieldNo(const char* name);
  // Field type code; -1 out of range.
  int GetFieldType(int fieldNo);
  int GetFieldType(const char* name);
  // Stored field size; 0 for a chunk field; -1 out of range.
  int GetFieldSize(int fieldNo);
  int GetFieldSize(const char* name);
  // Key count; 0 when no file is open.
  int GetKeyNum();
  // Key name, or the empty text out of range (kept as for GetFieldName).
  const char* GetKeyName(int keyNo);
  // Key number by name (case-insensitive); -1 when no file is open or none.
  int GetKeyNo(const char* name);
  // Key attribute (1 or 2); -1 when no file is open or out of range.
  int GetKeyType(int keyNo);
  int GetKeyType(const char* name);
  // Key length in bytes (sum of its part lengths); -1 out of range.
  int GetKeyLen(int keyNo);
  // Stored part count: -1 for a single-field key, n for a multi-field key.
  int GetKeyFieldNum(int keyNo);
  // Field number of a key part; -1 out of range.
  int GetKeyFieldNo(int keyNo, int partNo);
  // Fills every member of info; a single-field key reports part count 1.
  // False when no file is open or the number is out of range.
  bool GetKeyInfo(int keyNo, KEY_INFO& info);
  // Key number of the last positioning operation; -1 = none.
  int GetCurKeyNo();
  // Live record count; -1 when no file is open.
  int GetRecordNum();

  // ---- Records ------------------------------------------------------------

  // Inserts a record: the image (length bytes; 0 = record length) or, with
  // a null image, the edit buffer (filled by SetField/SetFieldStr). The
  // auto-increment field is filled in (also in the image). Refused with
  // "the key is unduplicated" when a unique key would get a second live
  // record with an equal value; a refused insert writes nothing. The
  // current position does not change; the edit buffer is zeroed.
  bool Insert(void* image = nullptr, int length = 0);

  // Replaces the current record of the current key by the image or the edit
  // buffer (the record moves to a new offset). An update that would break a
  // unique key fails with "the key is unduplicated" and puts the old record
  // back (at a new offset). A record whose value under the current key is
  // unchanged keeps its place among its equals.
  bool Update(void* image = nullptr, int length = 0);

  // Deletes the current record of the current key. The key's leaf and entry
  // stay, so stepping forward or back continues from the deleted place.
  bool Delete();

  // Whether the edit buffer could be inserted without breaking a unique key.
  // Nothing is written.
  bool CanInsert();

  // Makes the record at that record offset current under key 0 and loads it.
  void SetCurRec(int offset);
  // Current record offset of a key; -1 = none (or key out of range).
  int GetCurRec(int keyNo);

  // Copies a field of the current record (2, 4, 8 or 1 bytes by type, a
  // text field's full declared size) to dest. False for a chunk field
  // ("field invalidation"), no current record, or a bad number.
  bool GetField(void* dest, int fieldNo);
  bool GetField(void* dest, const char* name);

  // Copies a value into the edit buffer field (sizes as GetField). False for
  // auto-increment and chunk fields ("field invalidation").
  bool SetField(const void* src, int fieldNo);
  bool SetField(const void* src, const char* name);

  // A field of the current record as text: short, int, auto-increment and
  // bool "%d", float "%.6f", double "%.14f", text up to its first NUL. Empty
  // without a current record or for chunk fields. Kept until the next
  // GetFieldStr, GetFieldName or GetKeyName.
  const char* GetFieldStr(int fieldNo);
  const char* GetFieldStr(const char* name);

  // Converts the text to the field's type (decimal, leading blanks skipped,
  // stopping at the first character that cannot continue the number; text
  // cut to the field size) and stores it in the edit buffer.
  bool SetFieldStr(const char* text, int fieldNo);
  bool SetFieldStr(const char* text, const char* name);

  // ---- Value seeks (load the record) --------------------------------------
  //
  // The value is of the key's kind: short 2 bytes, int and auto-increment 4,
  // float 4, double 8, bool 1; a NUL-terminated text for a single-field text
  // key; the packed part values for a multi-field key. On success the key
  // becomes current, its position moves there, and the record is loaded into
  // the current record buffer and copied to the image when one is given.
  // On failure every position stays as it was. By-name forms compare the
  // name with every key name, both trimmed, case-insensitively.

  // The first record whose key equals value. A text longer than the key
  // length fails.
  bool GetEqual(int keyNo, const void* value, void* image = nullptr,
                int length = 0);
  bool GetEqual(const char* keyName, const void* value, void* image = nullptr,
                int length = 0);
  // The first record whose key is at least value.
  bool GetGreaterEqual(int keyNo, const void* value, void* image = nullptr,
                       int length = 0);
  bool GetGreaterEqual(const char* keyName, const void* value,
                       void* image = nullptr, int length = 0);
  // The first record whose key is above value.
  bool GetGreater(int keyNo, const void* value, void* image = nullptr,
                  int length = 0);
  bool GetGreater(const char* keyName, const void* value,
                  void* image = nullptr, int length = 0);
  // The last record whose key is at most value.
  bool GetLessEqual(int keyNo, const void* value, void* image = nullptr,
                    int length = 0);
  bool GetLessEqual(const char* keyName, const void* value,
                    void* image = nullptr, int length = 0);
  // The last record whose key is below value.
  bool GetLess(int keyNo, const void* value, void* image = nullptr,
               int length = 0);
  bool GetLess(const char* keyName, const void* value, void* image = nullptr,
               int length = 0);

  // ---- Walks ----------------------------------------------------------------
  //
  // Key order: ascending key value, equal values in insertion order; every
  // live record is visited once. A failed step keeps the position.

  // First / last / next / previous record; the record is loaded (and copied
  // to the image when given). Next and previous need a current leaf.
  bool GetFirst(int keyNo, void* image = nullptr, int length = 0);
  bool GetFirst(const char* keyName, void* image = nullptr, int length = 0);
  bool GetLast(int keyNo, void* image = nullptr, int length = 0);
  bool GetLast(const char* keyName, void* image = nullptr, int length = 0);
  bool GetNext(int keyNo, void* image = nullptr, int length = 0);
  bool GetNext(const char* keyName, void* image = nullptr, int length = 0);
  bool GetPrev(int keyNo, void* image = nullptr, int length = 0);
  bool GetPrev(const char* keyName, void* image = nullptr, int length = 0);

  // The same steps without reading the record; a GetField, GetFieldStr or
  // Delete afterwards reads the record at the new position first. They
  // check that a file is open and ready, the key number is in range and,
  // for next and previous, that the key has a current leaf.
  bool SeekFirst(int keyNo);
  bool SeekLast(int keyNo);
  bool SeekNext(int keyNo);
  bool SeekPrev(int keyNo);

  // The same steps, writing the key value of the new position to value
  // (2, 4, 4, 8 or 1 bytes by type; key length + 1 bytes, NUL-terminated,
  // for text and multi-field keys). The record is loaded by the first
  // GetField afterwards. value must not be null.
  bool GetKeyFirst(int keyNo, void* value);
  bool GetKeyFirst(const char* keyName, void* value);
  bool GetKeyLast(int keyNo, void* value);
  bool GetKeyLast(const char* keyName, void* value);
  bool GetKeyNext(int keyNo, void* value);
  bool GetKeyNext(const char* keyName, void* value);
  bool GetKeyPrev(int keyNo, void* value);
  bool GetKeyPrev(const char* keyName, void* value);

  // Steps to the next / previous record (the position moves either way) and
  // compares: with a code, true when value minus the new key equals *code
  // (-1, 0, 1; texts compared byte by byte over the new key's text); with no
  // code but a value, the new key is written to value and the result is
  // true; with neither, true. False when the step fails.
  bool CompareKeyNext(int keyNo, void* value, short* code);
  bool CompareKeyNext(const char* keyName, void* value, short* code);
  bool CompareKeyPrev(int keyNo, void* value, short* code);
  bool CompareKeyPrev(const char* keyName, void* value, short* code);

  // ---- Chunks ---------------------------------------------------------------
  //
  // A chunk field holds a value of any length outside the record. Writing:
  // one or more AppendChunk calls for the field, then Insert or Update, which
  // store the chunk with the record. Appending to another field and back
  // starts the first field's value afresh. A record built without appending
  // to a chunk field gets an empty chunk; in an update it keeps the chunk it
  // had, and a field appended to replaces its old chunk (freed only once the
  // new record is in place). A chunk reference inside a record image given to
  // Insert or Update is never taken over: only chunks this object appended
  // or the updated record had are stored. Reading: position on a record,
  // GotoChunkPos, GetChunkSize, then GetChunk calls. Fields by number or by
  // name (GetFieldNo). Chunks of deleted records are reused by later ones.
  // Memory does not grow with a chunk's size.

  // Appends length bytes (0 is allowed: a first empty piece makes an empty
  // chunk) to the chunk field of the record being built. The data is
  // written to the file at once. False for a field that is not a chunk
  // field, a negative length or a write that fails.
  bool AppendChunk(const void* data, int length, int fieldNo);
  bool AppendChunk(const void* data, int length, const char* name);
  // Prepares reading the current record's chunk from its start. False
  // without a current record, for an empty chunk, or a damaged first block.
  bool GotoChunkPos(int fieldNo);
  bool GotoChunkPos(const char* name);
  // Copies the next length bytes of the chunk to dest. When the value has
  // fewer bytes left, or its blocks end before its size (a damaged file),
  // what there is is copied and the result is false with an error text, so
  // a short read is never taken for the whole value.
  bool GetChunk(void* dest, int length, int fieldNo);
  bool GetChunk(void* dest, int length, const char* name);
  // The current record's chunk size in bytes (0 for an empty chunk); -1 when
  // no file is open or the field is not a chunk field.
  int GetChunkSize(int fieldNo);
  int GetChunkSize(const char* name);

  // ---- Pattern search -------------------------------------------------------
  //
  // Over a single-field text key, in key order, testing each record's key
  // value (the key's slice of the field): "%" matches any run of characters
  // (also none), "_" exactly one; mode 1 compares case-sensitively, any
  // other mode folds the letters A..Z to a..z. The pattern (at most 129
  // characters; a longer one is refused) is kept for the Next forms until
  // the next GetLike or GetNotLike, a search that finds nothing, or CloseDB.
  // On success the key becomes current and is positioned on the record; the
  // record is read by the first GetField afterwards. By-name forms look the
  // key up with GetKeyNo.

  // The first record whose key value matches the pattern. False for a key
  // that is not a single-field text key, a null pattern, or no match (the
  // key then stands on its last record and the pattern is forgotten).
  bool GetLike(int keyNo, const char* pattern, int mode);
  bool GetLike(const char* keyName, const char* pattern, int mode);
  // The next matching record after the key's position, with the kept
  // pattern and mode. False when no pattern is kept or the walk ends.
  bool GetLikeNext(int keyNo);
  bool GetLikeNext(const char* keyName);
  // The same, for records whose key value does not match.
  bool GetNotLike(int keyNo, const char* pattern, int mode);
  bool GetNotLike(const char* keyName, const char* pattern, int mode);
  bool GetNotLikeNext(int keyNo);
  bool GetNotLikeNext(const char* keyName);

  // ---- Saved positions ------------------------------------------------------

  // Keeps the key's position (leaf, entry, duplicate node) in the key's
  // slot. False when no file is open or the number is out of range.
  bool SavePosition(int keyNo);
  // Puts the key back where it was saved and makes it current; GetNext and
  // GetPrev continue from there, and GetField reads the record there. False
  // when nothing was saved for the key or the saved record has since been
  // deleted.
  bool RestorePosition(int keyNo);

 private:
  friend class COrvexQuery;  // selects through the table's internals
  orvex::Table* table_;
};

// Writes a tight copy of the database file source to destination: the same
// schema, always in trimmed record form; every live record once, in key-0
// order of the source, with its values bit for bit and its chunks; the
// auto-increment values renumbered 1, 2, 3 ... in copy order; indexes built
// afresh; no free block. An existing destination is replaced. A destination
// that is the source itself (by any path, links included) is refused before
// anything is written. True when every record, chunk and key entry was
// copied; on false no file is left at destination. The source is opened
// read-write with sharing allowed and is not changed.
ORVEX_EXPORT bool CompactDB(const char* source, const char* destination);
// The same, calling progress(copied, total, context) every few thousand
// records and at the end (progress may be null).
ORVEX_EXPORT bool CompactDB(const char* source, const char* destination,
                            void (*progress)(int copied, int total, void* context), void* context);
// A selection of records of one open table, kept as an ascending list of
// record offsets that the caller walks (in the requested order after an
// ORDER BY). The table is not owned; it must outlive the query, or be
// unbound with SetDB(nullptr) first. A closed table answers nothing: the
// selection is empty and every operation fails until the table is open.
//
// Clauses: comparisons of a field (on the left, optionally in [brackets])
// with a literal: = <> != < > <= >= LIKE 'pattern' NOT LIKE 'pattern'
// ("%" any run, "_" one character, letter case ignored); texts in single
// quotes; integer and decimal arithmetic + - * / on the literal side;
// AND binds tighter than OR; parentheses; an optional trailing
// ORDER BY field [ASC|DESC], .... For example
//     age>=18 AND name LIKE 'j%' ORDER BY name DESC, age
// A negative number is written as a subtraction: a=0-5.
class ORVEX_EXPORT COrvexQuery {
 public:
  // Unbound: no table, empty selection, empty texts.
  COrvexQuery();
  // Bound to the table, empty selection.
  explicit COrvexQuery(COrvex* table);
  // Copies the binding, the whole selection, the cursor and the texts.
  COrvexQuery(const COrvexQuery& other);
  COrvexQuery& operator=(const COrvexQuery& other);
  ~COrvexQuery();

  // Binds a table (null unbinds). A selection held before is discarded
  // with its cursor and texts.
  void SetDB(COrvex* table);
  COrvex* GetDB();
  // Number of records selected.
  int GetCount();
  // Why the last Query or Find failed; empty after a success. Valid until
  // the query changes it.
  const char* GetErrMsg();

  // Selects by a clause. False with an error text when the clause is
  // refused; the previous selection and cursor then stay. Repeating the last
  // successful clause answers true at once while the table has not changed
  // since (through this or any other COrvex on the file); otherwise the
  // clause is evaluated again. The cursor is not moved: start a walk with
  // MoveFirst or MoveLast. The table's current record is left where the
  // evaluation left it.
  bool Query(const char* clause);

  // Selects the records whose field compares with value by op: "=", "<>",
  // "<", ">", "<=", ">=", " LIKE ", " NOT LIKE " (word operators in any
  // letter case). value points to the field's stored form (2, 4, 4, 8 or 1
  // bytes by type) or, for text fields and the LIKE operators, to a
  // NUL-terminated text. Uses the first key on that field alone when there
  // is one, else scans the table. The selection is ascending by offset;
  // the cursor is reset.
  COrvexQuery& Find(int fieldNo, const char* op, const void* value);
  COrvexQuery& Find(const char* fieldName, const char* op, const void* value);

  // Move the cursor and make the record there the table's current record
  // (under key 0), for field reads and Update on the table. False on an
  // empty selection, at either end, with the cursor outside the selection,
  // or when the table is not open.
  bool MoveFirst();
  bool MoveNext();
  bool MovePrev();
  bool MoveLast();

  // Replace out's selection by the union / intersection of a's and b's
  // (ascending lists, as Find and Query without ORDER BY leave them). out's
  // table, cursor and texts are untouched; out may be a or b.
  static void Union(const COrvexQuery& a, const COrvexQuery& b, COrvexQuery& out);
  static void Intersection(const COrvexQuery& a, const COrvexQuery& b, COrvexQuery& out);

 private:
  orvex::QueryState* state_;
};

#endif  // ORVEX_ORVEX_H_
