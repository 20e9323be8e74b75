// ORDER BY: reads the sort fields of every selected record into a sort key
// and sorts the selection by them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "query/evaluate.h"
#include "table/table.h"

namespace orvex::query {

namespace {

constexpr int kMaxOrderItems = 128;

struct SortField {
  int field = 0;
  int type = 0;
  int size = 0;
  int at = 0;  // offset in the sort key
  bool descending = false;
};

// One item of the list: a field name, optionally followed by a blank and
// ASC or DESC. The direction word must stand alone, so that names such as
// DESCRIPTION or CASCADE are names.
bool ParseItem(Table& t, std::string_view item, SortField* out) {
  item = Trim(item);
  std::string_view name = item;
  const size_t blank = item.find_last_of(" \t\r\n");
  if (blank != std::string_view::npos) {
    const std::string_view word = item.substr(blank + 1);
    if (EqualsNoCase(word, "DESC") || EqualsNoCase(word, "ASC")) {
      out->descending = EqualsNoCase(word, "DESC");
      name = Trim(item.substr(0, blank));
    }
  }
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  out->field = t.GetFieldNo(std::string(name).c_str());
  if (out->field < 0) return false;
  out->type = t.GetFieldType(out->field);
  out->size = out->type == kTypeChunk ? 0 : t.GetFieldSize(out->field);
  return true;
}

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
int Order(const uint8_t* a, const uint8_t* b) {
  const T x = Load<T>(a);
  const T y = Load<T>(b);
  return x < y ? -1 : (y < x ? 1 : 0);
}

// Numbers that are not numbers sort after every number, among themselves
// equal, so that the order is a proper one.
template <typename T>
int OrderFloat(const uint8_t* a, const uint8_t* b) {
  const T x = Load<T>(a);
  const T y = Load<T>(b);
  const bool nx = std::isnan(x);
  const bool ny = std::isnan(y);
  if (nx || ny) return nx == ny ? 0 : (nx ? 1 : -1);
  return x < y ? -1 : (y < x ? 1 : 0);
}

// Texts: identical bytes fall through to the next field; otherwise the
// order ignores letter case, and two texts equal but for letter case are
// told apart by their bytes, so that every pair has one order.
int OrderText(const uint8_t* a, const uint8_t* b, int size) {
  const auto* x = reinterpret_cast<const char*>(a);
  const auto* y = reinterpret_cast<const char*>(b);
  const size_t nx = strnlen(x, static_cast<size_t>(size));
  const size_t ny = strnlen(y, static_cast<size_t>(size));
  const size_t n = std::min(nx, ny);
  int bytes = 0;
  for (size_t i = 0; i < n && bytes == 0; ++i)
    if (x[i] != y[i]) bytes = static_cast<unsigned char>(x[i]) < static_cast<unsigned char>(y[i]) ? -1 : 1;
  if (bytes == 0 && nx != ny) bytes = nx < ny ? -1 : 1;
  if (bytes == 0) return 0;
  for (size_t i = 0; i < n; ++i) {
    const auto fx = static_cast<unsigned char>(FoldCase(x[i]));
    const auto fy = static_cast<unsigned char>(FoldCase(y[i]));
    if (fx != fy) return fx < fy ? -1 : 1;
  }
  if (nx != ny) return nx < ny ? -1 : 1;
  return bytes;
}

int OrderField(const SortField& f, const uint8_t* a, const uint8_t* b) {
  switch (f.type) {
    case kTypeShort: return Order<int16_t>(a, b);
    case kTypeInt:
    case kTypeAutoInc: return Order<int32_t>(a, b);
    case kTypeBool: return Order<uint8_t>(a, b);
    case kTypeFloat: return OrderFloat<float>(a, b);
    case kTypeDouble: return OrderFloat<double>(a, b);
    case kTypeText: return OrderText(a, b, f.size);
    default: return 0;  // chunk fields do not take part
  }
}

}  // namespace

bool OrderBy(Table& t, std::string_view order, Offsets* list) {
  if (list->size() < 2) return true;
  std::string text(order);
  for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  const size_t at = text.find("ORDER BY");
  std::string_view items = text;
  if (at != std::string::npos) items = items.substr(at + 8);

  std::vector<SortField> fields;
  int width = 0;
  for (int n = 0; n < kMaxOrderItems; ++n) {
    const size_t comma = n + 1 < kMaxOrderItems ? items.find(',') : std::string_view::npos;
    SortField f;
    if (!ParseItem(t, items.substr(0, comma), &f)) return false;
    f.at = width;
    width += f.size;
    fields.push_back(f);
    if (comma == std::string_view::npos) break;
    items = items.substr(comma + 1);
  }

  if (width == 0) return true;  // only chunk fields: nothing to order by
  const size_t count = list->size();
  std::vector<uint8_t> keys(count * static_cast<size_t>(width), 0);
  for (size_t i = 0; i < count; ++i) {
    t.SetCurRec((*list)[i]);
    for (const SortField& f : fields) {
      if (f.size == 0) continue;
      uint8_t value[kMaxTextSize + 1] = {};
      if (t.GetField(value, f.field))
        std::memcpy(&keys[i * static_cast<size_t>(width) + static_cast<size_t>(f.at)], value,
                    static_cast<size_t>(f.size));
    }
  }

  std::vector<size_t> index(count);
  std::iota(index.begin(), index.end(), size_t{0});
  std::stable_sort(index.begin(), index.end(), [&](size_t a, size_t b) {
    const uint8_t* ka = &keys[a * static_cast<size_t>(width)];
    const uint8_t* kb = &keys[b * static_cast<size_t>(width)];
    for (const SortField& f : fields) {
      if (f.size == 0) continue;
      int c = OrderField(f, ka + f.at, kb + f.at);
      if (c != 0) return f.descending ? c > 0 : c < 0;
    }
    return false;
  });
  Offsets sorted(count);
  for (size_t i = 0; i < count; ++i) sorted[i] = (*list)[index[i]];
  *list = std::move(sorted);
  return true;
}

}  // namespace orvex::query
