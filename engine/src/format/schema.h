// The schema of an open table, worked out once from the header: field
// offsets in the fixed record layout and, per key, its parts and the node
// type of its index. The header stays the one stored form; this is a
// derived view so that no record or key operation re-adds field sizes.
#ifndef ORVEX_FORMAT_SCHEMA_H_
#define ORVEX_FORMAT_SCHEMA_H_

#include <cstdint>

#include "format/header.h"

namespace orvex {

// Node types of the index (one per key kind).
enum NodeKind : int {
  kNodeBool,
  kNodeShort,
  kNodeInt,
  kNodeFloat,
  kNodeDouble,
  kNodeChar,  // text keys and multi-field keys
};

struct KeyPart {
  int field = 0;
  int type = 0;
  int offset = 0;     // the field's offset in the record
  int fieldSize = 0;  // the field's stored size
  int start = 0;      // slice start (text)
  int length = 0;     // part length in the key value
  int mode = 0;       // 1 case-sensitive, 2 case-insensitive (text)
  int valueAt = 0;    // offset of the part in a packed key value
};

struct KeyDef {
  int attribute = 0;
  bool multi = false;
  int parts = 0;
  int length = 0;  // key length (sum of part lengths)
  NodeKind kind = kNodeInt;
  int slotWidth = 0;  // bytes per key slot in a node
  int keysAt = 0;     // offset of slot 0 in a node
  int nodeSize = 0;   // node size on disk
  KeyPart part[kMaxParts];
};

struct Schema {
  int fields = 0;
  int type[kMaxFields] = {};
  int size[kMaxFields] = {};
  int offset[kMaxFields] = {};
  int recordLength = 0;
  int textFields = 0;
  int smallestBlock = 0;  // the smallest block a record takes on disk
  bool trimmed = false;
  int keys = 0;
  KeyDef key[kMaxKeys];
};

// Fills the schema from a validated header.
void BuildSchema(const Header& h, Schema* s);

}  // namespace orvex

#endif  // ORVEX_FORMAT_SCHEMA_H_
