#include "query.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "orvex.h"

namespace orvextool {
namespace {

// A cell of the table form: the field's text on one line.
std::string CellText(COrvex& db, int field) {
  if (db.GetFieldType(field) == ORVEX_CHUNK) return std::to_string(std::max(db.GetChunkSize(field), 0));
  const std::string text = FieldText(db, field);
  std::string cell;
  for (unsigned char c : text) {
    if (c == '\n') cell += "\\n";
    else if (c == '\r') cell += "\\r";
    else if (c == '\t') cell += "\\t";
    else if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      cell += hex;
    } else {
      cell += static_cast<char>(c);
    }
  }
  return cell;
}

// Columns as a terminal shows them: UTF-8 continuation bytes take none.
size_t Columns(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                           [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

// Numbers (and chunk sizes) line up on the right, texts on the left.
bool RightAligned(COrvex& db, int field) { return db.GetFieldType(field) != ORVEX_TEXT; }

void WriteCell(std::ostream& out, const std::string& text, size_t width, bool right, bool last) {
  const size_t pad = width - std::min(width, Columns(text));
  if (right) out << std::string(pad, ' ');
  out << text;
  if (!right && !last) out << std::string(pad, ' ');
}

// Walks the selection once, calling row() with the table on each record;
// row() answers -1, or the field it could not read. False (with a message
// on err) when the walk stopped before the count.
template <typename Row>
bool Walk(COrvexQuery& query, COrvex& db, std::ostream& err, Row row) {
  int seen = 0;
  for (bool more = query.MoveFirst(); more; more = query.MoveNext()) {
    const int failedField = row();
    if (failedField >= 0) {
      err << "orvex: query stopped in record " << seen + 1 << " (offset " << db.GetCurRec(0) << "), field \""
          << db.GetFieldName(failedField) << "\": " << db.GetErrMsg() << "\n";
      return false;
    }
    ++seen;
  }
  if (seen == query.GetCount()) return true;
  err << "orvex: query stopped after " << seen << " of " << query.GetCount() << " records";
  if (*db.GetErrMsg()) err << ": " << db.GetErrMsg();
  err << "\n";
  return false;
}

// Two walks: the first measures the columns, the second prints; memory does
// not grow with the selection.
bool WriteTable(COrvexQuery& query, COrvex& db, std::ostream& out, std::ostream& err) {
  const int fields = db.GetFieldNum();
  std::vector<size_t> widths(static_cast<size_t>(fields));
  for (int i = 0; i < fields; ++i) widths[static_cast<size_t>(i)] = Columns(db.GetFieldName(i));
  const bool measured = Walk(query, db, err, [&] {
    for (int i = 0; i < fields; ++i) {
      widths[static_cast<size_t>(i)] = std::max(widths[static_cast<size_t>(i)], Columns(CellText(db, i)));
    }
    return -1;
  });
  if (!measured) return false;
  auto line = [&](auto cell) {
    for (int i = 0; i < fields; ++i) {
      if (i > 0) out << "  ";
      WriteCell(out, cell(i), widths[static_cast<size_t>(i)], RightAligned(db, i), i == fields - 1);
    }
    out << "\n";
  };
  line([&](int i) { return std::string(db.GetFieldName(i)); });
  line([&](int i) { return std::string(widths[static_cast<size_t>(i)], '-'); });
  const bool printed = Walk(query, db, err, [&] {
    line([&](int i) { return CellText(db, i); });
    return -1;
  });
  if (!printed) return false;
  const int count = query.GetCount();
  out << count << (count == 1 ? " record\n" : " records\n");
  return true;
}

}  // namespace

int Query(const char* path, const char* clause, const QueryOutput& form, std::ostream& out, std::ostream& err) {
  COrvex db;
  if (!db.OpenDB(path, ORVEX_OPEN_READ | ORVEX_SHARE_DENY_NONE)) {
    err << "orvex: " << path << ": " << db.GetErrMsg() << "\n";
    return 2;
  }
  COrvexQuery query(&db);
  if (!query.Query(clause)) {
    err << "orvex: " << query.GetErrMsg() << "\n";
    return 1;
  }
  if (!form.csv) return WriteTable(query, db, out, err) ? 0 : 1;
  CsvWriter csv(db, form.chunks, out);
  csv.WriteHeader();
  const bool whole = Walk(query, db, err, [&] {
    int failedField = -1;
    return csv.WriteRow(&failedField) ? -1 : failedField;
  });
  return whole ? 0 : 1;
}

}  // namespace orvextool
