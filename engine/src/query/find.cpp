// Find: the indexed walks and the scan.
#include "query/find.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "keys/pattern.h"
#include "table/table.h"

namespace orvex::query {

namespace {

// The lowest-numbered key on the field alone; for a text field it must
// cover the whole field, so that its order and equality are the field's.
int IndexFor(const Schema& s, int field) {
  for (int k = 0; k < s.keys; ++k) {
    const KeyDef& d = s.key[k];
    if (d.multi || d.part[0].field != field) continue;
    if (s.type[field] == kTypeText && (d.part[0].start != 0 || d.part[0].length != s.size[field])) continue;
    return k;
  }
  return -1;
}

void Take(Table& t, int key, Offsets* out) { out->push_back(t.GetCurRec(key)); }

// A text value longer than the key cannot be sought as it is: the seeks cut
// it to the key length. Records holding the cut text sort below the value,
// so ">=" becomes ">" and "<" becomes "<=" on the cut text.
bool CutByKey(const KeyDef& d, const std::string& value) {
  return d.kind == kNodeChar && !d.multi && static_cast<int>(value.size()) > d.length;
}

bool SeekBound(Table& t, int k, OpCode op, const std::string& value) {
  const KeyDef& d = t.schema().key[k];
  if (CutByKey(d, value)) {
    if (op == kGreaterEqual) op = kGreater;
    else if (op == kLess) op = kLessEqual;
  }
  const char* v = value.c_str();
  switch (op) {
    case kGreaterEqual: return t.GetGreaterEqual(k, v, nullptr, 0);
    case kGreater: return t.GetGreater(k, v, nullptr, 0);
    case kLessEqual: return t.GetLessEqual(k, v, nullptr, 0);
    case kLess: return t.GetLess(k, v, nullptr, 0);
    default: return false;
  }
}

void IndexedEqual(Table& t, int k, const std::string& value, Offsets* out) {
  if (!t.GetEqual(k, value.c_str(), nullptr, 0)) return;
  Take(t, k, out);
  const KeyDef& d = t.schema().key[k];
  if (d.attribute != kKeyDuplicates) return;
  // Every further record whose key equals the value by the key's own
  // comparison (a case-insensitive key's equals differ in letter case).
  uint8_t want[kKeyBufferSize];
  bool tooLong;
  FormSeekValue(d, value.c_str(), want, &tooLong);
  uint8_t got[kKeyBufferSize] = {};
  while (t.GetKeyNext(k, got) && CompareKeys(d, got, want) == 0) Take(t, k, out);
}

template <typename T>
T As(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
bool Compare(T v, T x, OpCode op) {
  switch (op) {
    case kEqual: return v == x;
    case kNotEqual: return v != x;
    case kLess: return v < x;
    case kLessEqual: return v <= x;
    case kGreater: return v > x;
    case kGreaterEqual: return v >= x;
    default: return false;  // LIKE never holds for a number
  }
}

// Byte order with A..Z folded to a..z.
int CompareFolded(const char* a, size_t na, const char* b, size_t nb) {
  const size_t n = na < nb ? na : nb;
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldCase(a[i]));
    const auto y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

bool ScanMatch(int type, int size, const uint8_t* field, const Comparison& c) {
  const auto* x = reinterpret_cast<const uint8_t*>(c.value.data());
  switch (type) {
    case kTypeShort: return Compare(As<int16_t>(field), As<int16_t>(x), c.op);
    case kTypeInt:
    case kTypeAutoInc: return Compare(As<int32_t>(field), As<int32_t>(x), c.op);
    case kTypeBool: return Compare(field[0], x[0], c.op);
    case kTypeFloat: return Compare(As<float>(field), As<float>(x), c.op);
    case kTypeDouble: return Compare(As<double>(field), As<double>(x), c.op);
    case kTypeText: {
      const char* text = reinterpret_cast<const char*>(field);
      const size_t n = strnlen(text, static_cast<size_t>(size));
      if (c.op == kLike || c.op == kNotLike) return MatchPattern(text, c.value.c_str(), false) == (c.op == kLike);
      const int order = CompareFolded(text, n, c.value.c_str(), std::strlen(c.value.c_str()));
      return Compare(order, 0, c.op);
    }
    default: return false;
  }
}

// Every record is reached through key 0, but read in file order: the walk
// collects the offsets without reading a record, and the reads then go
// through the file's pages in turn, into a buffer of the scan's own. In key order they would jump about the
// file (records are seldom inserted in key order), and a full scan would be
// bound by memory latency rather than by the records.
void Scan(Table& t, const Comparison& c, Offsets* out) {
  const Schema& s = t.schema();
  const int type = s.type[c.field];
  Offsets records;
  records.reserve(static_cast<size_t>(std::max(t.GetRecordNum(), 0)));
  for (bool more = t.SeekFirst(0); more; more = t.SeekNext(0)) records.push_back(t.GetCurRec(0));
  SortAscending(&records);
  // One byte more than a record, zero, so that a text filling its field
  // (the last one) still ends with NUL.
  std::vector<uint8_t> record(static_cast<size_t>(s.recordLength) + 1);
  const uint8_t* field = record.data() + s.offset[c.field];
  for (int32_t at : records) {
    if (t.ReadRecord(at, record.data()) && ScanMatch(type, s.size[c.field], field, c)) out->push_back(at);
  }
}

// The bytes of a pattern before its first wildcard.
std::string LiteralPrefix(const std::string& pattern) {
  return pattern.substr(0, pattern.find_first_of("%_"));
}

std::string Cased(std::string text, bool upper) {
  for (char& c : text) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// LIKE and NOT LIKE over a text key: every key value is matched with letter
// case folded, in key order. A LIKE pattern that starts with literal text
// can match only keys that start with that text in some letter case; those
// lie together in the key's order, so the walk starts at the first of them
// and ends after the last. Under a case-insensitive key they are the keys
// equal to the text ignoring case; under a case-sensitive key they lie
// between the text in capitals and the text in small letters (capitals sort
// first, byte by byte).
void IndexedLike(Table& t, int k, const Comparison& c, Offsets* out) {
  const bool like = c.op == kLike;
  const KeyDef& d = t.schema().key[k];
  const std::string prefix = like ? LiteralPrefix(c.value) : std::string();
  if (static_cast<int>(prefix.size()) > d.length) return;  // longer than any key
  const bool caseSensitive = d.part[0].mode == 1;
  const std::string last = caseSensitive ? Cased(prefix, false) : prefix;
  uint8_t key[kKeyBufferSize + 1] = {};
  bool more;
  if (prefix.empty()) {
    more = t.GetKeyFirst(k, key);
  } else {
    more = t.GetGreaterEqual(k, (caseSensitive ? Cased(prefix, true) : prefix).c_str(), nullptr, 0) &&
           t.GetField(key, c.field);
  }
  const int n = static_cast<int>(prefix.size());
  while (more) {
    if (n > 0 && CompareText(key, reinterpret_cast<const uint8_t*>(last.c_str()), n, caseSensitive ? 1 : 2) > 0)
      break;
    if (MatchPattern(reinterpret_cast<const char*>(key), c.value.c_str(), false) == like) Take(t, k, out);
    more = t.GetKeyNext(k, key);
  }
}

}  // namespace

OpCode ComparisonOperator(const char* op) {
  if (!op) return kOther;
  const std::string_view text = op;
  const std::string_view word = Trim(text);
  if (EqualsNoCase(word, "LIKE")) return kLike;
  if (word.size() > 3 && EqualsNoCase(word.substr(0, 3), "NOT") && Trim(word.substr(3)) != word.substr(3) &&
      EqualsNoCase(Trim(word.substr(3)), "LIKE"))
    return kNotLike;
  int length = 0;
  const OpCode code = OperatorAt(text, &length);
  if (static_cast<size_t>(length) != text.size()) return kOther;
  switch (code) {
    case kEqual:
    case kNotEqual:
    case kLess:
    case kLessEqual:
    case kGreater:
    case kGreaterEqual: return code;
    default: return kOther;
  }
}

bool RangeOf(Table& t, const Comparison& c, KeyRange* out) {
  if (c.op != kGreater && c.op != kGreaterEqual && c.op != kLess && c.op != kLessEqual) return false;
  const Schema& s = t.schema();
  if (!t.IsDBOpen() || c.field < 0 || c.field >= s.fields) return false;
  const int k = IndexFor(s, c.field);
  if (k < 0) return false;
  *out = KeyRange();
  out->field = c.field;
  out->key = k;
  if (c.op == kGreater || c.op == kGreaterEqual) {
    out->lowerOp = c.op;
    out->lower = c.value;
  } else {
    out->upperOp = c.op;
    out->upper = c.value;
  }
  return true;
}

bool JoinRanges(KeyRange* a, const KeyRange& b) {
  if (a->key != b.key) return false;
  if (a->lowerOp == kOther && b.upperOp == kOther && b.lowerOp != kOther && a->upperOp != kOther) {
    a->lowerOp = b.lowerOp;
    a->lower = b.lower;
    return true;
  }
  if (a->upperOp == kOther && b.lowerOp == kOther && b.upperOp != kOther && a->lowerOp != kOther) {
    a->upperOp = b.upperOp;
    a->upper = b.upper;
    return true;
  }
  return false;
}

void WalkRange(Table& t, const KeyRange& r, Offsets* out) {
  const int k = r.key;
  if (!t.IsDBOpen() || k < 0 || k >= t.schema().keys) return;
  const KeyDef& d = t.schema().key[k];
  if (r.lowerOp == kOther) {
    // Below the upper bound: from it back to the start of the key.
    if (SeekBound(t, k, r.upperOp, r.upper)) {
      do Take(t, k, out);
      while (t.SeekPrev(k));
    }
  } else if (SeekBound(t, k, r.lowerOp, r.lower)) {
    if (r.upperOp == kOther) {
      // Above the lower bound: to the end of the key.
      do Take(t, k, out);
      while (t.SeekNext(k));
    } else {
      // Between the bounds: forward while the key stays below the upper one.
      uint8_t upper[kKeyBufferSize];
      bool tooLong;
      FormSeekValue(d, r.upper.c_str(), upper, &tooLong);
      const bool inclusive = r.upperOp == kLessEqual || CutByKey(d, r.upper);
      uint8_t key[kKeyBufferSize] = {};
      bool more = t.GetField(key, r.field);
      while (more) {
        const int c = CompareKeys(d, key, upper);
        if (c > 0 || (c == 0 && !inclusive)) break;
        Take(t, k, out);
        more = t.GetKeyNext(k, key);
      }
    }
  }
  SortAscending(out);
}

void FindRecords(Table& t, const Comparison& c, Offsets* out) {
  out->clear();
  const Schema& s = t.schema();
  if (!t.IsDBOpen() || c.field < 0 || c.field >= s.fields || s.type[c.field] == kTypeChunk) return;
  // A number is compared in its stored width: a shorter value compares
  // with nothing.
  const bool text = s.type[c.field] == kTypeText || c.op == kLike || c.op == kNotLike;
  if (!text && static_cast<int>(c.value.size()) < s.size[c.field]) return;
  const int k = IndexFor(s, c.field);
  if (k < 0) {
    Scan(t, c, out);
    SortAscending(out);
    return;
  }
  KeyRange r;
  switch (c.op) {
    case kEqual:
      IndexedEqual(t, k, c.value, out);
      break;
    case kNotEqual: {
      // Below the value, then above it.
      r.field = c.field;
      r.key = k;
      r.upperOp = kLess;
      r.upper = c.value;
      WalkRange(t, r, out);
      r.upperOp = kOther;
      r.lowerOp = kGreater;
      r.lower = c.value;
      Offsets above;
      WalkRange(t, r, &above);
      out->insert(out->end(), above.begin(), above.end());
      break;
    }
    case kGreater:
    case kGreaterEqual:
    case kLess:
    case kLessEqual:
      RangeOf(t, c, &r);
      WalkRange(t, r, out);
      break;
    case kLike:
    case kNotLike:
      IndexedLike(t, k, c, out);
      break;
    default:
      break;
  }
  SortAscending(out);
}

}  // namespace orvex::query
