// Selecting the records whose field compares with a value: an indexed walk
// when a key on that field alone exists, else a scan of the whole table.
//
// Range comparisons (>, >=, <, <=) on an indexed field can be held back as a
// KeyRange, so that a lower and an upper bound on one key joined by AND are
// walked once between the bounds instead of each to the end of the key.
#ifndef ORVEX_QUERY_FIND_H_
#define ORVEX_QUERY_FIND_H_

#include <string>

#include "query/clause.h"
#include "query/selection.h"

namespace orvex {
class Table;
}

namespace orvex::query {

// A comparison of one field with a value: the value in the field's stored
// form (2, 4, 4, 8 or 1 bytes by type), or the text for a text field and
// the pattern for LIKE and NOT LIKE.
struct Comparison {
  int field = -1;
  OpCode op = kOther;
  std::string value;
};

// The comparison operator of a Find call's op text ("=", " LIKE ", ...;
// the words in any letter case, blanks around them optional), kOther if
// none.
OpCode ComparisonOperator(const char* op);

// Every record whose field compares with the value, ascending by offset.
// The table is left where the last seek or step left it.
void FindRecords(Table& table, const Comparison& c, Offsets* out);

// Bounds on one key not yet walked.
struct KeyRange {
  int field = -1;
  int key = -1;
  OpCode lowerOp = kOther;  // kGreater, kGreaterEqual, or kOther for none
  std::string lower;
  OpCode upperOp = kOther;  // kLess, kLessEqual, or kOther for none
  std::string upper;
};

// The range of one comparison, when it is a range operator on an indexed
// field.
bool RangeOf(Table& table, const Comparison& c, KeyRange* out);
// Joins b's bound to a when a lacks it (one lower, one upper, one key).
bool JoinRanges(KeyRange* a, const KeyRange& b);
// Walks the range, appending its records, and leaves them ascending.
void WalkRange(Table& table, const KeyRange& r, Offsets* out);

}  // namespace orvex::query

#endif  // ORVEX_QUERY_FIND_H_
