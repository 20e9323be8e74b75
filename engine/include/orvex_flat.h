/* Orvex flat interface: the record-store engine reached through plain C
 * functions and small integer handles, for callers in any language that can
 * call C (or load libOrvex.so with dlopen and look each function up by name).
 *
 * The library keeps every object itself:
 *  - database handles 0..31 name open database files (mOpen .. mClose);
 *  - query handles 0..31 name queries on an open database (mCreateQuery ..
 *    mCloseQuery); the two are separate number spaces;
 *  - one schema builder, bound to no handle, on which a new file is defined
 *    (mCreateField, mCreateKey, mCreateMultiKey, mEnableTrimRecord) and made
 *    (mCreateDB); handle -1 (any number outside 0..31) reaches it in
 *    mGetErrMsg, mGetFieldType, mGetFieldName and mGetFieldNo;
 *  - one 1024-byte multi-key value buffer in which a value of a key made of
 *    several fields is put together, and read, part by part.
 *
 * Conventions:
 *  - Results are 1 for success and 0 for failure unless said otherwise;
 *    functions that return a handle return -1 on failure.
 *  - Any integer may be passed as a handle, and any pointer argument may be
 *    null: a handle outside 0..31, an empty slot or a null argument makes the
 *    function do nothing and return its failure value. Nothing is recorded
 *    for a bad handle.
 *  - Texts passed in are NUL-terminated UTF-8 byte strings; the library copies
 *    what it needs during the call. Texts returned are never null; they point
 *    into storage the library owns and stay valid until the next call that
 *    replaces them (named per function). Copy them; never free them.
 *  - Field, key and part numbers are 0-based.
 *  - Typed values travel in a VARIANT: a 16-byte tagged value, its type code
 *    at offset 0 and its value at offset 8. Texts come out as wide strings
 *    (UTF-16, owned by the VARIANT: release them with VariantClear) and go in
 *    either as wide strings or as code-256 pointers to UTF-8 text.
 *  - One thread at a time: the handle tables, the builder and the multi-key
 *    buffer are shared by the whole process and not locked.
 *
 * The usual order: mCreateField / mCreateKey ... mCreateDB to make a file;
 * mOpen; mSetField ... mInsert to add records; mCreateQuery, mQuery,
 * mQueryFirst, field reads, mQueryNext until 0, mCloseQuery; mClose. A query
 * is closed before the database handle it was made on; after that close every
 * call on the query fails until mCloseQuery. */
#ifndef ORVEX_ORVEX_FLAT_H_
#define ORVEX_ORVEX_FLAT_H_

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
#include <stddef.h>
#include <stdint.h>
#include <uchar.h>
#endif

#if defined(__GNUC__)
#define ORVEX_EXPORT __attribute__((visibility("default")))
#else
#define ORVEX_EXPORT
#endif

#ifdef __cplusplus
#define ORVEX_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define ORVEX_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* ---- Codes shared with the table class (orvex.h) ------------------------ */

/* Field type codes (stored in the header, one per field). */
enum {
  ORVEX_SHORT = 1,   /* signed 16-bit integer, 2 bytes */
  ORVEX_INT = 2,     /* signed 32-bit integer, 4 bytes */
  ORVEX_FLOAT = 3,   /* 32-bit IEEE float, 4 bytes */
  ORVEX_DOUBLE = 4,  /* 64-bit IEEE float, 8 bytes */
  ORVEX_TEXT = 5,    /* NUL-padded byte string of the declared size, 1..1024 */
  ORVEX_BOOL = 6,    /* one byte, 0 or 1 */
  ORVEX_CHUNK = 7,   /* reference to a chain of chunk blocks, 8 bytes */
  ORVEX_AUTOINC = 8  /* signed 32-bit integer filled in by Insert, 4 bytes */
};

/* Key attributes. */
enum {
  ORVEX_KEY_DUPLICATE = 1, /* several records may share one value */
  ORVEX_KEY_UNIQUE = 2     /* at most one live record per value */
};

/* Open-mode bits, in the style of the classic file-open flags: access in the
 * low bits, sharing in bits 4 to 6, create and do-not-truncate. Sharing acts
 * between processes: writing access always keeps every other process out;
 * reading shares the file with other readers, except that EXCLUSIVE and
 * DENY_READ keep every other process out (when the file may be opened for
 * writing; otherwise they keep writers out, as DENY_WRITE and DENY_NONE do).
 * mOpen with ORVEX_OPEN_DEFAULT (66) opens read-write. */
enum {
  ORVEX_OPEN_READ = 0x0,
  ORVEX_OPEN_WRITE = 0x1,
  ORVEX_OPEN_READWRITE = 0x2,
  ORVEX_SHARE_EXCLUSIVE = 0x10,
  ORVEX_SHARE_DENY_WRITE = 0x20,
  ORVEX_SHARE_DENY_READ = 0x30,
  ORVEX_SHARE_DENY_NONE = 0x40,
  ORVEX_OPEN_CREATE = 0x1000,
  ORVEX_OPEN_NO_TRUNCATE = 0x2000,
  ORVEX_OPEN_DEFAULT = ORVEX_OPEN_READWRITE | ORVEX_SHARE_DENY_NONE
};

/* Key definition taken by mCreateMultiKey (and COrvex::CreateKey) and filled
 * by mGetKeyInfo. 1060 bytes:
 *
 *   OFFSET  TYPE        CONTENT
 *   0       char[32]    key name, NUL-terminated
 *   32      i16[128]    field number per part
 *   288     i16[128]    text compare mode per part (1 case-sensitive,
 *                       2 case-insensitive; 0 for non-text parts)
 *   544     i16[128]    start offset per part (inside a text field)
 *   800     i16[128]    length in bytes per part
 *   1056    i16         part count (1..128)
 *   1058    i16         key attribute (1 duplicates allowed, 2 unique) */
typedef struct KEY_INFO {
  char keyName[32];
  short fieldNo[128];
  short compareMode[128];
  short start[128];
  short length[128];
  short fieldNum;
  short attribute;
} KEY_INFO;

ORVEX_STATIC_ASSERT(sizeof(KEY_INFO) == 1060, "KEY_INFO is 1060 bytes");
ORVEX_STATIC_ASSERT(offsetof(KEY_INFO, fieldNo) == 32, "KEY_INFO layout");
ORVEX_STATIC_ASSERT(offsetof(KEY_INFO, compareMode) == 288, "KEY_INFO layout");
ORVEX_STATIC_ASSERT(offsetof(KEY_INFO, start) == 544, "KEY_INFO layout");
ORVEX_STATIC_ASSERT(offsetof(KEY_INFO, length) == 800, "KEY_INFO layout");
ORVEX_STATIC_ASSERT(offsetof(KEY_INFO, fieldNum) == 1056, "KEY_INFO layout");
ORVEX_STATIC_ASSERT(offsetof(KEY_INFO, attribute) == 1058, "KEY_INFO layout");

/* ---- Wide strings and VARIANT -------------------------------------------- */

/* A wide string: UTF-16 code units, NUL-terminated, with its length in bytes
 * (without the NUL) as a 32-bit integer right before the first unit. Made by
 * SysAllocStringLen, released by SysFreeString. */
typedef char16_t OLECHAR;
typedef OLECHAR* BSTR;

typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;

/* VARIANT type codes. The flat functions write 0, 2, 3, 4, 5, 8 and 11; they
 * read 2, 3, 4, 5, 11 and 256 as the matching field type's own value, and
 * turn every other listed code into text first (the text then converted to
 * the field's type). An unlisted code cannot be converted: the function
 * returns 0 and stores nothing. */
enum {
  VT_EMPTY = 0,  /* no value: an undefined field, a chunk field or a failure */
  VT_I2 = 2,     /* iVal: short fields */
  VT_I4 = 3,     /* lVal: int and auto-increment fields */
  VT_R4 = 4,     /* fltVal: float fields */
  VT_R8 = 5,     /* dblVal: double fields */
  VT_BSTR = 8,   /* bstrVal: text fields as they come out (owned) */
  VT_BOOL = 11,  /* boolVal: bool fields; written 0 or 1, any non-zero is true */
  VT_I1 = 16,    /* cVal */
  VT_UI1 = 17,   /* bVal */
  VT_UI2 = 18,   /* uiVal */
  VT_UI4 = 19,   /* ulVal */
  VT_I8 = 20,    /* llVal */
  VT_UI8 = 21,   /* ullVal */
  VT_INT = 22,   /* intVal */
  VT_UINT = 23,  /* uintVal */
  ORVEX_VT_TEXT = 256 /* pszVal: a NUL-terminated UTF-8 text, not owned; the
                         way a text goes into a text field (null reads as
                         the empty text) */
};

typedef struct VARIANT {
  VARTYPE vt;
  unsigned short wReserved1;
  unsigned short wReserved2;
  unsigned short wReserved3;
  union {
    int64_t llVal;
    uint64_t ullVal;
    int32_t lVal;
    uint32_t ulVal;
    int intVal;
    unsigned int uintVal;
    short iVal;
    unsigned short uiVal;
    signed char cVal;
    unsigned char bVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    const char* pszVal;
  };
} VARIANT;

ORVEX_STATIC_ASSERT(sizeof(VARIANT) == 16, "VARIANT is 16 bytes");
ORVEX_STATIC_ASSERT(offsetof(VARIANT, llVal) == 8, "VARIANT value at offset 8");

#ifdef __cplusplus
extern "C" {
#endif

/* A new wide string of length units copied from chars (zeroed when chars is
 * null), NUL-terminated. Null when memory runs out. */
ORVEX_EXPORT BSTR SysAllocStringLen(const OLECHAR* chars, unsigned int length);
/* Releases a wide string made by SysAllocStringLen; null is ignored. */
ORVEX_EXPORT void SysFreeString(BSTR text);
/* Length of a wide string in UTF-16 units (0 for null). */
ORVEX_EXPORT unsigned int SysStringLen(BSTR text);
/* Makes an empty (code 0) VARIANT without looking at what it held. */
ORVEX_EXPORT void VariantInit(VARIANT* value);
/* Releases what a VARIANT owns (a code-8 wide string) and makes it empty.
 * Returns 0. */
ORVEX_EXPORT int VariantClear(VARIANT* value);

/* ---- Database handles ---------------------------------------------------- */

/* Opens an existing database file (mode: ORVEX_OPEN_* bits; pass
 * ORVEX_OPEN_DEFAULT) into the lowest empty slot. The handle 0..31, or -1
 * when all 32 slots are taken or the file cannot be opened as a database (a
 * missing file is not created); the reason is then not kept. */
ORVEX_EXPORT int mOpen(const char* path, int mode);
/* Writes back and closes the file, frees the slot. 1; 0 for a bad handle, and
 * 0 when what the engine held could not be written to the file (the slot is
 * freed all the same). Queries made on the handle stay in their slots but
 * fail from now on. */
ORVEX_EXPORT int mClose(int handle);
/* mClose on every open handle. 1 always. */
ORVEX_EXPORT int mCloseAll(void);
/* 1 when the handle's file is open. */
ORVEX_EXPORT int mIsDBOpen(int handle);
/* Writes the header and every cached block to the file. 0 (with the reason
 * in mGetErrMsg) when a write failed. */
ORVEX_EXPORT int mFlush(int handle);

/* ---- Schema accessors ---------------------------------------------------- */
/* A handle outside 0..31 asks the schema builder in mGetFieldType,
 * mGetFieldName and mGetFieldNo; an empty slot gives 0, the empty text, -1.
 * Names returned live until the next mGetFieldName, mGetKeyName or
 * mGetFieldStr on the same handle. */

ORVEX_EXPORT int mGetFieldType(int handle, int fieldNo);    /* ORVEX_* code */
ORVEX_EXPORT const char* mGetFieldName(int handle, int fieldNo);
ORVEX_EXPORT int mGetFieldNo(int handle, const char* name); /* -1 none */
ORVEX_EXPORT int mGetFieldSize(int handle, int fieldNo);    /* bytes */
ORVEX_EXPORT int mGetFieldNum(int handle);                  /* field count */
ORVEX_EXPORT int mGetRecordNum(int handle);                 /* live records */
ORVEX_EXPORT int mGetKeyNo(int handle, const char* name);   /* -1 none */
ORVEX_EXPORT int mGetKeyNum(int handle);                    /* key count */
ORVEX_EXPORT int mGetKeyType(int handle, int keyNo);        /* attribute */
ORVEX_EXPORT int mGetKeyLen(int handle, int keyNo);         /* bytes */
ORVEX_EXPORT const char* mGetKeyName(int handle, int keyNo);
ORVEX_EXPORT int mGetKeyInfo(int handle, int keyNo, KEY_INFO* info);
ORVEX_EXPORT int mGetCurKeyNo(int handle); /* key last positioned; -1 none */

/* ---- Record navigation and editing -------------------------------------- */
/* Walks in key order. The mMove forms only position; the mGet forms also
 * copy the record image (length bytes; 0 means the record length) to the
 * caller's buffer. The record reached is the current record for field reads,
 * mUpdate and mDelete. */

ORVEX_EXPORT int mMoveFirst(int handle, int keyNo);
ORVEX_EXPORT int mMoveNext(int handle, int keyNo);
ORVEX_EXPORT int mMovePrev(int handle, int keyNo);
ORVEX_EXPORT int mMoveLast(int handle, int keyNo);
ORVEX_EXPORT int mGetFirst(int handle, int keyNo, void* record, int length);
ORVEX_EXPORT int mGetNext(int handle, int keyNo, void* record, int length);
ORVEX_EXPORT int mGetPrev(int handle, int keyNo, void* record, int length);
ORVEX_EXPORT int mGetLast(int handle, int keyNo, void* record, int length);
/* Insert or update from the edit buffer filled by mSetField ... */
ORVEX_EXPORT int mInsert(int handle);
ORVEX_EXPORT int mUpdate(int handle);
/* ... or from the caller's record image in fixed layout. */
ORVEX_EXPORT int mInsert_(int handle, void* record, int length);
ORVEX_EXPORT int mUpdate_(int handle, void* record, int length);
/* Deletes the current record. */
ORVEX_EXPORT int mDelete(int handle);

/* ---- Field values -------------------------------------------------------- */

/* The current record's field: code 2 (short), 3 (int, auto-increment),
 * 4 (float), 5 (double), 11 (bool, 0 or 1), 8 (text, a new wide string the
 * caller releases with VariantClear); code 0 for a chunk field, a bad number
 * or a bad handle. */
ORVEX_EXPORT VARIANT mGetField(int handle, int fieldNo);
/* Puts a value into the edit buffer's field. A VARIANT whose code matches
 * the field's type is stored as it is (code 256 for text); any other is
 * turned into text and converted as mSetFieldStr does (without the bool
 * words). 0 when the value cannot be converted or the field refuses it
 * (auto-increment, chunk). */
ORVEX_EXPORT int mSetField(int handle, const VARIANT* value, int fieldNo);
/* The current record's field as text: numbers in decimal (float with 6,
 * double with 14 decimals), a bool as "TRUE" or "FALSE", a text as stored.
 * Lives until the next mGetFieldStr, mGetFieldName or mGetKeyName on the
 * handle. */
ORVEX_EXPORT const char* mGetFieldStr(int handle, int fieldNo);
/* Converts the text to the field's type into the edit buffer. A bool field
 * takes "TRUE" in any letter case as 1 and any other text as 0. */
ORVEX_EXPORT int mSetFieldStr(int handle, const char* text, int fieldNo);
/* Raw forms: the value in its stored form (2, 4, 4, 8, 1 bytes by type; a
 * text field's full declared size). */
ORVEX_EXPORT int mGetField_(int handle, void* dest, int fieldNo);
ORVEX_EXPORT int mSetField_(int handle, const void* source, int fieldNo);
/* As mGetFieldStr, but a bool field gives its digit "1" or "0". */
ORVEX_EXPORT const char* mGetFieldStr_(int handle, int fieldNo);

/* ---- Key seeks ------------------------------------------------------------ */
/* Each positions a key on a value and makes that record current: Equal the
 * first record with the value, GreaterEqual / Greater the first at least /
 * above it, LessEqual / Less the last at most / below it. 1 when a record
 * was found; a failed seek keeps every position. */

/* The value from a VARIANT, converted for the type of the key's (first)
 * field as mSetField converts. */
ORVEX_EXPORT int mEqual(int handle, int keyNo, const VARIANT* value);
ORVEX_EXPORT int mGreaterEqual(int handle, int keyNo, const VARIANT* value);
ORVEX_EXPORT int mLessEqual(int handle, int keyNo, const VARIANT* value);
ORVEX_EXPORT int mGreater(int handle, int keyNo, const VARIANT* value);
ORVEX_EXPORT int mLess(int handle, int keyNo, const VARIANT* value);
/* The value from a text: decimal for numbers, "TRUE" (any case) or "1" for
 * a true bool, the text itself for a text key. */
ORVEX_EXPORT int mStrEqual(int handle, int keyNo, const char* text);
ORVEX_EXPORT int mStrGreaterEqual(int handle, int keyNo, const char* text);
ORVEX_EXPORT int mStrLessEqual(int handle, int keyNo, const char* text);
ORVEX_EXPORT int mStrGreater(int handle, int keyNo, const char* text);
ORVEX_EXPORT int mStrLess(int handle, int keyNo, const char* text);
/* The raw key value (stored form; a NUL-terminated text for a text key; the
 * packed parts for a multi-field key); the record image is copied to the
 * caller's buffer when one is given. */
ORVEX_EXPORT int mGetEqual(int handle, int keyNo, const void* key, void* record, int length);
ORVEX_EXPORT int mGetGreaterEqual(int handle, int keyNo, const void* key, void* record,
                                  int length);
ORVEX_EXPORT int mGetLessEqual(int handle, int keyNo, const void* key, void* record, int length);
ORVEX_EXPORT int mGetGreater(int handle, int keyNo, const void* key, void* record, int length);
ORVEX_EXPORT int mGetLess(int handle, int keyNo, const void* key, void* record, int length);
/* The value put together in the multi-key value buffer. */
ORVEX_EXPORT int mMultiEqual(int handle, int keyNo);
ORVEX_EXPORT int mMultiGreaterEqual(int handle, int keyNo);
ORVEX_EXPORT int mMultiLessEqual(int handle, int keyNo);
ORVEX_EXPORT int mMultiGreater(int handle, int keyNo);
ORVEX_EXPORT int mMultiLess(int handle, int keyNo);

/* ---- Multi-field key values --------------------------------------------- */
/* Part n of key k lies in the buffer at the sum of the lengths of parts
 * 0..n-1. Put parts in ascending order starting with part 0, which clears
 * the buffer first. A put answers 1 even when nothing was stored (bad
 * handle, a part of a type that cannot be a key); the seek that follows then
 * fails. mSetMultiKeyVal answers 0 only for a value that cannot be turned
 * into text. */
ORVEX_EXPORT int mSetMultiKeyVal(int handle, int keyNo, const VARIANT* value, int partNo);
ORVEX_EXPORT int mStrMultiKeyVal(int handle, int keyNo, const char* text, int partNo);
/* Reads part n of the buffer into value (codes as mGetField; the caller
 * releases a wide string). 0 for a bad handle, a single-field key or a part
 * of an unsupported type. */
ORVEX_EXPORT int mGetMultiKey(int handle, int keyNo, VARIANT* value, int partNo);
/* Walks a multi-field key, writing the key value at the new position into
 * the buffer. 0 for a single-field key or when the walk cannot move. */
ORVEX_EXPORT int mMultiKeyFirst(int handle, int keyNo);
ORVEX_EXPORT int mMultiKeyNext(int handle, int keyNo);
ORVEX_EXPORT int mMultiKeyPrev(int handle, int keyNo);
ORVEX_EXPORT int mMultiKeyLast(int handle, int keyNo);

/* ---- Key walks ------------------------------------------------------------ */

/* Walk a single-field key and write the key value at the new position into
 * value (codes as mGetField; the previous contents are overwritten, not
 * released). 0 for a multi-field key or when the walk cannot move. */
ORVEX_EXPORT int mKeyFirst(int handle, int keyNo, VARIANT* value);
ORVEX_EXPORT int mKeyNext(int handle, int keyNo, VARIANT* value);
ORVEX_EXPORT int mKeyPrev(int handle, int keyNo, VARIANT* value);
ORVEX_EXPORT int mKeyLast(int handle, int keyNo, VARIANT* value);
/* The same walks writing the raw key value (key length + 1 bytes for a text
 * or multi-field key, NUL-terminated). */
ORVEX_EXPORT int mGetKeyFirst(int handle, int keyNo, void* key);
ORVEX_EXPORT int mGetKeyNext(int handle, int keyNo, void* key);
ORVEX_EXPORT int mGetKeyPrev(int handle, int keyNo, void* key);
ORVEX_EXPORT int mGetKeyLast(int handle, int keyNo, void* key);

/* ---- Defining and creating a file (on the schema builder) --------------- */
/* Definitions accumulate on the builder until mCreateDB, which creates the
 * file, closes it and empties the builder whatever the outcome. Open the new
 * file with mOpen. The reason for a refusal: mGetErrMsg(-1). */

/* type: ORVEX_* code; size matters for text only (1..1024). */
ORVEX_EXPORT int mCreateField(const char* name, int type, int size);
/* A key on one field: attribute ORVEX_KEY_*, for a text field the compare
 * mode (1 case-sensitive, 2 not) and the slice start and length. */
ORVEX_EXPORT int mCreateKey(const char* name, int attribute, int fieldNo, int mode, int start,
                            int length);
/* A key on one or more fields. */
ORVEX_EXPORT int mCreateMultiKey(const KEY_INFO* info);
/* Whether mCreateDB stores records trimmed (non-zero, the default) or in
 * fixed layout. 1 always. */
ORVEX_EXPORT int mEnableTrimRecord(int on);
/* Creates (replacing) the file from the builder's definitions. */
ORVEX_EXPORT int mCreateDB(const char* path, const char* description);

/* ---- Chunks, patterns, saved positions, compaction ---------------------- */

/* Appends bytes to the chunk field of the record being built (before
 * mInsert or mUpdate). */
ORVEX_EXPORT int mAppendChunk(int handle, const void* data, int length, int fieldNo);
/* Starts reading the current record's chunk from its beginning. */
ORVEX_EXPORT int mGotoChunkPos(int handle, int fieldNo);
/* Reads the next length bytes of that chunk. */
ORVEX_EXPORT int mGetChunk(int handle, void* dest, int length, int fieldNo);
/* The current record's chunk size in bytes (0 for a bad handle). */
ORVEX_EXPORT int mGetChunkSize(int handle, int fieldNo);
/* Positions a text key on the first record whose key matches the pattern
 * ("%" any run, "_" one character; mode 1 case-sensitive, else not) ... */
ORVEX_EXPORT int mGetLike(int handle, int keyNo, const char* pattern, int mode);
/* ... and on the next one. */
ORVEX_EXPORT int mGetLikeNext(int handle, int keyNo);
/* One saved position per key, to come back to. */
ORVEX_EXPORT int mSavePosition(int handle, int keyNo);
ORVEX_EXPORT int mRestorePosition(int handle, int keyNo);
/* Writes a tight copy of the database file source to destination (a new
 * file, replaced when it exists; it must differ from source). */
ORVEX_EXPORT int mCompactDB(const char* source, const char* destination);

/* ---- Errors and identity ------------------------------------------------- */

/* The handle's last error text (kept until the next failure on it); the
 * empty text for an empty slot; the builder's for a handle outside 0..31. */
ORVEX_EXPORT const char* mGetErrMsg(int handle);
/* The file's version and the engine banner. */
ORVEX_EXPORT const char* mGetVersion(int handle);
/* The description given when the file was created. */
ORVEX_EXPORT const char* mGetDescription(int handle);

/* ---- Byte buffers -------------------------------------------------------- */

/* Copies the text's bytes, without the terminating NUL, to dest. */
ORVEX_EXPORT int mStr2Buff(const char* text, void* dest);
/* A library-owned copy of a NUL-terminated byte string, valid until the
 * next mBuff2Str. */
ORVEX_EXPORT const char* mBuff2Str(const void* source);

/* ---- Queries -------------------------------------------------------------- */

/* A new query on the database handle, in the lowest empty query slot: the
 * query handle, or -1 for a bad database handle or when all 32 are taken. */
ORVEX_EXPORT int mCreateQuery(int handle);
/* Selects the records a clause describes, for example
 *   age>=18 AND name LIKE 'j%' ORDER BY name DESC, age
 * 0 with mQueryErrMsg telling why when the clause is refused. */
ORVEX_EXPORT int mQuery(int query, const char* clause);
/* Number of records selected (0 on a bad handle). */
ORVEX_EXPORT int mQueryCount(int query);
/* Walk the selection; the record reached becomes the database handle's
 * current record, for field reads and mUpdate. */
ORVEX_EXPORT int mQueryFirst(int query);
ORVEX_EXPORT int mQueryNext(int query);
ORVEX_EXPORT int mQueryPrev(int query);
ORVEX_EXPORT int mQueryLast(int query);
/* Why the last mQuery failed; the empty text on a bad handle. */
ORVEX_EXPORT const char* mQueryErrMsg(int query);
/* Destroys the query and frees its slot. 1, or 0 on a bad handle. */
ORVEX_EXPORT int mCloseQuery(int query);

#ifdef __cplusplus
}
#endif

#endif /* ORVEX_ORVEX_FLAT_H_ */
