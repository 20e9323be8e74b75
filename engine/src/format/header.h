// The database file header: 15472 bytes at offset 0, describing the table.
//
//   OFFSET  SIZE  TYPE            CONTENT
//   0       32    char[32]        signature text, NUL-terminated
//   32      4     u32             record length (sum of the field sizes)
//   36      4     i32             record count (live records)
//   40      4096  char[128][32]   field names, NUL-terminated slots
//   4136    256   i16[128]        field type code per field (1..8)
//   4392    256   i16[128]        field size per field
//   4648    2     i16             field count (0..128)
//   4650    320   char[10][32]    key names
//   4970    20    i16[10]         key attribute (1 duplicates, 2 unique)
//   4990    2560  i16[10][128]    per key, per part: field number
//   7550    2560  i16[10][128]    per key, per part: text compare mode
//   10110   2560  i16[10][128]    per key, per part: start inside a text field
//   12670   2560  i16[10][128]    per key, per part: length of the part value
//   15230   20    i16[10]         part count; -1 single-field key, 2..128 multi
//   15250   2     i16             key count (0..10)
//   15252   40    i32[10]         index root node per key (-1 empty)
//   15292   40    i32[10]         first (leftmost) leaf per key (-1 none)
//   15332   40    i32[10]         last (rightmost) leaf per key (-1 none)
//   15372   4     i32             record free list head (-1 empty)
//   15376   4     i32             duplicate-node free list head (-1 empty)
//   15380   2     i16             record form: -1 fixed layout, 0 trimmed
//   15382   60    char[60]        description, at most 59 characters
//   15442   10    char[10]        file version string, "2.60"
//   15452   4     i32             chunk free list head (below 1: empty)
//   15456   16    bytes           zero
//
// All integers little-endian. A new header starts from all zeros, with the
// root, first-leaf and last-leaf offsets -1 in all ten slots.
#ifndef ORVEX_FORMAT_HEADER_H_
#define ORVEX_FORMAT_HEADER_H_

#include <cstdint>
#include <cstring>

#include "base/endian.h"
#include "orvex.h"

namespace orvex {

constexpr int kNameSize = 32;
constexpr int kMaxNameLength = kNameSize - 1;
constexpr int kDescriptionSize = 60;
constexpr int kVersionSize = 10;
constexpr int kSignatureSize = 32;
constexpr int kMaxFields = 128;
constexpr int kMaxKeys = 10;
constexpr int kMaxParts = 128;
constexpr int kMaxKeyLength = 128;
constexpr int kMaxTextSize = 1024;
constexpr int16_t kRecordFormFixed = -1;
constexpr int16_t kRecordFormTrimmed = 0;

// Each item follows the one before it; the table above gives the results.
constexpr int kOffSignature = 0;
constexpr int kOffRecordLength = kOffSignature + kSignatureSize;
constexpr int kOffRecordCount = kOffRecordLength + 4;
constexpr int kOffFieldNames = kOffRecordCount + 4;
constexpr int kOffFieldTypes = kOffFieldNames + kMaxFields * kNameSize;
constexpr int kOffFieldSizes = kOffFieldTypes + kMaxFields * 2;
constexpr int kOffFieldCount = kOffFieldSizes + kMaxFields * 2;
constexpr int kOffKeyNames = kOffFieldCount + 2;
constexpr int kOffKeyAttributes = kOffKeyNames + kMaxKeys * kNameSize;
constexpr int kOffKeyFieldNos = kOffKeyAttributes + kMaxKeys * 2;
constexpr int kOffKeyModes = kOffKeyFieldNos + kMaxKeys * kMaxParts * 2;
constexpr int kOffKeyStarts = kOffKeyModes + kMaxKeys * kMaxParts * 2;
constexpr int kOffKeyLengths = kOffKeyStarts + kMaxKeys * kMaxParts * 2;
constexpr int kOffKeyPartCounts = kOffKeyLengths + kMaxKeys * kMaxParts * 2;
constexpr int kOffKeyCount = kOffKeyPartCounts + kMaxKeys * 2;
constexpr int kOffRoots = kOffKeyCount + 2;
constexpr int kOffFirstLeaves = kOffRoots + kMaxKeys * 4;
constexpr int kOffLastLeaves = kOffFirstLeaves + kMaxKeys * 4;
constexpr int kOffRecordFreeHead = kOffLastLeaves + kMaxKeys * 4;
constexpr int kOffDupFreeHead = kOffRecordFreeHead + 4;
constexpr int kOffRecordForm = kOffDupFreeHead + 4;
constexpr int kOffDescription = kOffRecordForm + 2;
constexpr int kOffVersion = kOffDescription + kDescriptionSize;
constexpr int kOffChunkFreeHead = kOffVersion + kVersionSize;
constexpr int kHeaderTailSize = 16;  // zero
constexpr int kHeaderSize = kOffChunkFreeHead + 4 + kHeaderTailSize;

// The items that operations on records change, besides the record count:
// the index roots and leaves and the free-list heads (with the record form,
// description and version that lie between them and never change).
constexpr int kOffHeaderState = kOffRoots;
constexpr int kHeaderStateSize = kOffChunkFreeHead + 4 - kOffRoots;

static_assert(kOffFieldCount == 4648 && kOffKeyCount == 15250 && kOffRecordForm == 15380 &&
                  kOffChunkFreeHead == 15452 && kHeaderSize == 15472,
              "the header layout is the one the table above gives");

constexpr const char* kSignature = "Orvex record store";
constexpr const char* kFileVersion = "2.60";

// Field type codes and key attributes, as the public header numbers them.
enum FieldType : int {
  kTypeShort = ORVEX_SHORT,
  kTypeInt = ORVEX_INT,
  kTypeFloat = ORVEX_FLOAT,
  kTypeDouble = ORVEX_DOUBLE,
  kTypeText = ORVEX_TEXT,
  kTypeBool = ORVEX_BOOL,
  kTypeChunk = ORVEX_CHUNK,
  kTypeAutoInc = ORVEX_AUTOINC,
};
enum KeyAttribute : int {
  kKeyDuplicates = ORVEX_KEY_DUPLICATE,
  kKeyUnique = ORVEX_KEY_UNIQUE,
};

// Stored size of a field of a fixed-size type (text: 0, its size is its own).
int StoredTypeSize(int type);

// The in-memory image of the header with typed accessors.
class Header {
 public:
  Header() { Clear(); }
  void Clear() { std::memset(bytes_, 0, sizeof bytes_); }
  // Sets the ten root/first/last offsets to -1 (a header with no index).
  void ClearIndexRoots();
  uint8_t* bytes() { return bytes_; }
  const uint8_t* bytes() const { return bytes_; }

  uint32_t recordLength() const { return LoadU32(bytes_ + kOffRecordLength); }
  void setRecordLength(uint32_t v) { StoreU32(bytes_ + kOffRecordLength, v); }
  int32_t recordCount() const { return Load32(bytes_ + kOffRecordCount); }
  void setRecordCount(int32_t v) { Store32(bytes_ + kOffRecordCount, v); }

  int fieldCount() const { return Load16(bytes_ + kOffFieldCount); }
  void setFieldCount(int v) { Store16(bytes_ + kOffFieldCount, static_cast<int16_t>(v)); }
  char* fieldName(int i) { return reinterpret_cast<char*>(bytes_ + kOffFieldNames + i * kNameSize); }
  const char* fieldName(int i) const {
    return reinterpret_cast<const char*>(bytes_ + kOffFieldNames + i * kNameSize);
  }
  int fieldType(int i) const { return Load16(bytes_ + kOffFieldTypes + 2 * i); }
  void setFieldType(int i, int v) { Store16(bytes_ + kOffFieldTypes + 2 * i, static_cast<int16_t>(v)); }
  int fieldSize(int i) const { return Load16(bytes_ + kOffFieldSizes + 2 * i); }
  void setFieldSize(int i, int v) { Store16(bytes_ + kOffFieldSizes + 2 * i, static_cast<int16_t>(v)); }

  int keyCount() const { return Load16(bytes_ + kOffKeyCount); }
  void setKeyCount(int v) { Store16(bytes_ + kOffKeyCount, static_cast<int16_t>(v)); }
  char* keyName(int k) { return reinterpret_cast<char*>(bytes_ + kOffKeyNames + k * kNameSize); }
  const char* keyName(int k) const {
    return reinterpret_cast<const char*>(bytes_ + kOffKeyNames + k * kNameSize);
  }
  int keyAttribute(int k) const { return Load16(bytes_ + kOffKeyAttributes + 2 * k); }
  void setKeyAttribute(int k, int v) {
    Store16(bytes_ + kOffKeyAttributes + 2 * k, static_cast<int16_t>(v));
  }
  int partField(int k, int p) const { return Load16(bytes_ + kOffKeyFieldNos + PartAt(k, p)); }
  void setPartField(int k, int p, int v) { Store16(bytes_ + kOffKeyFieldNos + PartAt(k, p), static_cast<int16_t>(v)); }
  int partMode(int k, int p) const { return Load16(bytes_ + kOffKeyModes + PartAt(k, p)); }
  void setPartMode(int k, int p, int v) { Store16(bytes_ + kOffKeyModes + PartAt(k, p), static_cast<int16_t>(v)); }
  int partStart(int k, int p) const { return Load16(bytes_ + kOffKeyStarts + PartAt(k, p)); }
  void setPartStart(int k, int p, int v) { Store16(bytes_ + kOffKeyStarts + PartAt(k, p), static_cast<int16_t>(v)); }
  int partLength(int k, int p) const { return Load16(bytes_ + kOffKeyLengths + PartAt(k, p)); }
  void setPartLength(int k, int p, int v) { Store16(bytes_ + kOffKeyLengths + PartAt(k, p), static_cast<int16_t>(v)); }
  // Stored part count: -1 for a single-field key.
  int partCountStored(int k) const { return Load16(bytes_ + kOffKeyPartCounts + 2 * k); }
  void setPartCountStored(int k, int v) {
    Store16(bytes_ + kOffKeyPartCounts + 2 * k, static_cast<int16_t>(v));
  }
  // Number of parts actually used (1 for a single-field key).
  int partCount(int k) const {
    int n = partCountStored(k);
    return n == -1 ? 1 : n;
  }
  bool multiField(int k) const { return partCountStored(k) != -1; }

  int32_t root(int k) const { return Load32(bytes_ + kOffRoots + 4 * k); }
  void setRoot(int k, int32_t v) { Store32(bytes_ + kOffRoots + 4 * k, v); }
  int32_t firstLeaf(int k) const { return Load32(bytes_ + kOffFirstLeaves + 4 * k); }
  void setFirstLeaf(int k, int32_t v) { Store32(bytes_ + kOffFirstLeaves + 4 * k, v); }
  int32_t lastLeaf(int k) const { return Load32(bytes_ + kOffLastLeaves + 4 * k); }
  void setLastLeaf(int k, int32_t v) { Store32(bytes_ + kOffLastLeaves + 4 * k, v); }

  int32_t recordFreeHead() const { return Load32(bytes_ + kOffRecordFreeHead); }
  void setRecordFreeHead(int32_t v) { Store32(bytes_ + kOffRecordFreeHead, v); }
  int32_t dupFreeHead() const { return Load32(bytes_ + kOffDupFreeHead); }
  void setDupFreeHead(int32_t v) { Store32(bytes_ + kOffDupFreeHead, v); }
  int32_t chunkFreeHead() const { return Load32(bytes_ + kOffChunkFreeHead); }
  void setChunkFreeHead(int32_t v) { Store32(bytes_ + kOffChunkFreeHead, v); }
  int recordForm() const { return Load16(bytes_ + kOffRecordForm); }
  void setRecordForm(int v) { Store16(bytes_ + kOffRecordForm, static_cast<int16_t>(v)); }
  bool trimmed() const { return recordForm() != kRecordFormFixed; }

  char* description() { return reinterpret_cast<char*>(bytes_ + kOffDescription); }
  char* version() { return reinterpret_cast<char*>(bytes_ + kOffVersion); }
  char* signature() { return reinterpret_cast<char*>(bytes_ + kOffSignature); }

  // Key length: the sum of the part lengths.
  int keyLength(int k) const;
  // Offset of field i in the fixed record layout.
  int fieldOffset(int i) const;

 private:
  static int PartAt(int k, int p) { return (k * kMaxParts + p) * 2; }
  uint8_t bytes_[kHeaderSize];
};

// Checks a header read from a file of fileSize bytes: counts, types, sizes,
// the record length, key definitions and every offset. Returns null when it
// can be a database header of this format, else a short reason.
const char* ValidateHeader(const Header& h, int64_t fileSize);

// The smallest block a record of the header's (sound) schema takes in its
// record form: every live record has one of its own after the header.
int64_t SmallestRecordBlock(const Header& h);

// The part of ValidateHeader that operations on records can change: the
// record count (at most what the file can hold in blocks of smallestBlock
// bytes), index roots and leaves, free-list heads.
const char* ValidateHeaderState(const Header& h, int64_t fileSize, int64_t smallestBlock);

}  // namespace orvex

#endif  // ORVEX_FORMAT_HEADER_H_
