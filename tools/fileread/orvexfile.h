// Independent reader of Orvex database files.
//
// This reader knows the on-disk format from its byte layout alone and shares no
// code with the engine, so that `orvex check` can judge what the engine wrote.
// Every count and offset read from a file is checked before use; a hostile file
// gives violations, never a read outside the mapped bytes.
//
// File layout (all integers little-endian, offsets are signed 32-bit):
//
//   OFFSET  SIZE   CONTENT
//   0       32     signature text
//   32      4      record length (u32)
//   36      4      record count (i32)
//   40      4096   field names, char[128][32]
//   4136    256    field type codes, i16[128]
//   4392    256    field sizes, i16[128]
//   4648    2      field count
//   4650    320    key names, char[10][32]
//   4970    20     key attribute, i16[10] (1 duplicates allowed, 2 unique)
//   4990    2560   part field number, i16[10][128]
//   7550    2560   part compare mode
//   10110   2560   part start offset
//   12670   2560   part length
//   15230   20     part count per key (-1 single-field key)
//   15250   2      key count
//   15252   40     root node per key
//   15292   40     first leaf per key
//   15332   40     last leaf per key
//   15372   4      record free-list head
//   15376   4      duplicate-node free-list head
//   15380   2      record form: -1 fixed, 0 trimmed
//   15382   60     description
//   15442   10     version string
//   15452   4      chunk free-list head
//   15456   16     zero
//
// Index node (every type):
//   0 count, 4 child[201], 808 record[201], 1612 parent, 1616 self, 1620 prev,
//   1624 next, then 201 key slots from 1628 (bool, short, int, float) or 1632
//   (double, text).
//
// Duplicate node (24 bytes): "fDUPKEY\0", record, next, previous, last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvexfile {

constexpr int64_t kHeaderSize = 15472;
constexpr int kMaxFields = 128;
constexpr int kMaxKeys = 10;
constexpr int kMaxParts = 128;
constexpr int kMaxKeyLength = 128;
constexpr int kFanOut = 200;
constexpr int kSlots = 201;
constexpr int kCommonNodeSize = 1628;
constexpr int kDupNodeSize = 24;

// Header offsets.
namespace hdr {
constexpr int kSignature = 0;
constexpr int kRecordLength = 32;
constexpr int kRecordCount = 36;
constexpr int kFieldNames = 40;
constexpr int kFieldTypes = 4136;
constexpr int kFieldSizes = 4392;
constexpr int kFieldCount = 4648;
constexpr int kKeyNames = 4650;
constexpr int kKeyAttr = 4970;
constexpr int kPartField = 4990;
constexpr int kPartMode = 7550;
constexpr int kPartStart = 10110;
constexpr int kPartLength = 12670;
constexpr int kPartCount = 15230;
constexpr int kKeyCount = 15250;
constexpr int kRoot = 15252;
constexpr int kFirstLeaf = 15292;
constexpr int kLastLeaf = 15332;
constexpr int kRecordFree = 15372;
constexpr int kDupFree = 15376;
constexpr int kRecordForm = 15380;
constexpr int kDescription = 15382;
constexpr int kVersion = 15442;
constexpr int kChunkFree = 15452;
}  // namespace hdr

// Node offsets.
namespace node {
constexpr int kCount = 0;
constexpr int kChild = 4;
constexpr int kRecord = 808;
constexpr int kParent = 1612;
constexpr int kSelf = 1616;
constexpr int kPrev = 1620;
constexpr int kNext = 1624;
}  // namespace node

enum FieldType : int {
  kShort = 1, kInt = 2, kFloat = 3, kDouble = 4, kText = 5, kBool = 6, kChunk = 7, kAutoInc = 8
};

enum class NodeType { kBool, kShort, kInt, kFloat, kDouble, kChar };

const char* TypeName(int type);       // "short", "int", ... or "?"
const char* NodeTypeName(NodeType t);  // "bool", "short", "int", "float", "double", "text"

struct Field {
  std::string name;
  int type = 0;
  int size = 0;    // stored size
  int offset = 0;  // place in the fixed record layout
};

struct KeyPart {
  int field = 0;
  int mode = 0;
  int start = 0;
  int length = 0;
};

struct Key {
  std::string name;
  int attribute = 0;
  int storedPartCount = 0;  // as in the header: -1 for a single-field key
  std::vector<KeyPart> parts;
  int length = 0;           // sum of part lengths
  NodeType nodeType = NodeType::kChar;
  int nodeSize = 0;
  int slotSize = 0;
  int keysStart = 0;
  int32_t root = -1, firstLeaf = -1, lastLeaf = -1;
  bool usable = false;      // definition sound enough to walk its index
};

// One thing found wrong. `offset` is the node or block it concerns (-1: the header).
struct Violation {
  int64_t offset = -1;
  int key = -1;  // key number, or -1 when it concerns no key
  std::string what;
  // For what was found by following a leaf entry: the offset, named by the
  // entry or by a chain link, where the fault lies (a record, a duplicate
  // node, or what stands there instead); it stays the same while the entry
  // moves between slots and nodes. For two blocks that share bytes: the
  // start of the other block (`offset` is this one's). -1 otherwise.
  int64_t subject = -1;
};

struct Header {
  std::string signature;
  uint32_t recordLength = 0;
  int32_t recordCount = 0;
  std::vector<Field> fields;
  std::vector<Key> keys;
  int32_t recordFree = -1, dupFree = -1, chunkFree = -1;
  int16_t recordForm = 0;
  std::string description;
  std::string version;
  bool trimmed() const { return recordForm == 0; }
};

// A read-only view of a whole file (memory-mapped).
class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Maps the file; false with `error` set when it cannot be read.
  bool Open(const std::string& path, std::string* error);
  // Uses a copy of the given bytes instead of a file (tests, small images).
  void Assign(std::vector<uint8_t> bytes);

  int64_t size() const { return size_; }
  const uint8_t* data() const { return data_; }
  // True when [offset, offset + length) lies inside the file.
  bool Contains(int64_t offset, int64_t length) const {
    return offset >= 0 && length >= 0 && offset <= size_ && length <= size_ - offset;
  }
  // Bounded little-endian reads; they return 0 outside the file.
  int16_t I16(int64_t offset) const;
  int32_t I32(int64_t offset) const;
  uint32_t U32(int64_t offset) const;

 private:
  void Release();
  const uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  void* map_ = nullptr;
  std::vector<uint8_t> copy_;
};

// Reads and validates the header. Problems go to `problems`; the returned header
// holds what could be read (counts clamped to their limits). The result is false
// when the file cannot be a database of this format at all.
bool ReadHeader(const File& file, Header* header, std::vector<Violation>* problems);

// Builds the fixed-layout image of the record whose block starts at `offset`.
// False with `why` set when the block lies outside the file or is malformed.
bool ReadRecord(const File& file, const Header& header, int64_t offset,
                std::vector<uint8_t>* fixed, std::string* why, int* blockLength = nullptr);

// Forms a key's value from a fixed-layout record: key length bytes (plus a NUL
// for text-node keys). Text slices take zero bytes beyond their field.
std::vector<uint8_t> FormKeyValue(const Header& header, const Key& key,
                                  const uint8_t* record);

// Compares two key values of `key` (each at least key length bytes; for text
// keys, bytes after the key length are ignored): -1, 0 or 1. NaN compares equal
// to everything; mode-2 text folds ASCII letters to lower case.
int CompareKeyValues(const Header& header, const Key& key, const uint8_t* a,
                     const uint8_t* b);

// Compares two NUL-terminated texts of at most `limit` bytes by compare mode.
int CompareText(const uint8_t* a, const uint8_t* b, int limit, int mode);

}  // namespace orvexfile
