// COrvexQuery: the exported query class. The selection and the texts live
// in QueryState; the clause passes, Find and ORDER BY live beside it.
#include <algorithm>
#include <cstring>
#include <string>

#include "orvex.h"
#include "query/evaluate.h"
#include "query/find.h"
#include "query/selection.h"
#include "table/table.h"

namespace orvex {

struct QueryState {
  COrvex* db = nullptr;
  query::Offsets list;  // the selection; its size is the count
  int cursor = 0;
  query::TokenizerState tokenizer;
  std::string err;
  std::string lastClause;
  // The table as it was when lastClause was evaluated: repeating the clause
  // is answered from the selection only while the table is unchanged.
  Table* evaluatedOn = nullptr;
  Table::ChangeStamp evaluatedAt;
};

}  // namespace orvex

using orvex::QueryState;
using orvex::Table;
namespace query = orvex::query;

namespace {

// The table behind a query, or null with the error text set when there is
// none or it is not open.
Table* OpenTable(QueryState* s, Table* table) {
  if (!s->db) {
    s->err = query::err::kNoTable;
    return nullptr;
  }
  if (!table->IsDBOpen()) {
    s->err = query::err::kTableClosed;
    return nullptr;
  }
  return table;
}

}  // namespace

COrvexQuery::COrvexQuery() : state_(new QueryState) {}

COrvexQuery::COrvexQuery(COrvex* table) : state_(new QueryState) { state_->db = table; }

COrvexQuery::COrvexQuery(const COrvexQuery& other) : state_(new QueryState(*other.state_)) {}

COrvexQuery& COrvexQuery::operator=(const COrvexQuery& other) {
  if (this != &other) *state_ = *other.state_;
  return *this;
}

COrvexQuery::~COrvexQuery() { delete state_; }

void COrvexQuery::SetDB(COrvex* table) {
  if (!state_->list.empty()) {
    state_->list.clear();
    state_->cursor = 0;
    state_->lastClause.clear();
    state_->err.clear();
  }
  state_->db = table;
}

COrvex* COrvexQuery::GetDB() { return state_->db; }

int COrvexQuery::GetCount() { return static_cast<int>(state_->list.size()); }

const char* COrvexQuery::GetErrMsg() { return state_->err.c_str(); }

bool COrvexQuery::Query(const char* clause) {
  QueryState* s = state_;
  Table* t = OpenTable(s, s->db ? s->db->table_ : nullptr);
  if (!t) return false;
  const std::string_view text = clause ? clause : "";
  if (text == s->lastClause &&
      (text.empty() || (s->evaluatedOn == t && s->evaluatedAt == t->Stamp())))
    return true;
  std::string where;
  std::string order;
  if (!query::CheckClause(*t, text, &s->tokenizer, &where, &order, &s->err)) return false;
  s->err.clear();
  s->lastClause.clear();
  const Table::ChangeStamp before = t->Stamp();
  query::Offsets result;
  if (!query::EvaluateClause(*t, where, &s->tokenizer, &result, &s->err)) return false;
  s->list = std::move(result);
  if (!order.empty()) query::OrderBy(*t, order, &s->list);
  s->lastClause = text;
  s->evaluatedOn = t;
  s->evaluatedAt = before;
  return true;
}

COrvexQuery& COrvexQuery::Find(int fieldNo, const char* op, const void* value) {
  QueryState* s = state_;
  s->list.clear();
  s->cursor = 0;
  Table* t = OpenTable(s, s->db ? s->db->table_ : nullptr);
  if (!t || !value) return *this;
  query::Comparison c;
  c.field = fieldNo;
  c.op = query::ComparisonOperator(op);
  const int type = t->GetFieldType(fieldNo);
  if (c.op == query::kOther || type < 0) return *this;
  if (type == orvex::kTypeText || c.op == query::kLike || c.op == query::kNotLike)
    c.value = static_cast<const char*>(value);
  else
    c.value.assign(static_cast<const char*>(value), static_cast<size_t>(std::max(t->GetFieldSize(fieldNo), 0)));
  query::FindRecords(*t, c, &s->list);
  return *this;
}

COrvexQuery& COrvexQuery::Find(const char* fieldName, const char* op, const void* value) {
  Table* t = state_->db ? state_->db->table_ : nullptr;
  return Find(t && fieldName ? t->GetFieldNo(fieldName) : -1, op, value);
}

namespace {

// Moves the cursor to entry and makes its record the table's current one.
bool MoveTo(QueryState* s, Table* t, int entry) {
  if (!t || !t->IsDBOpen()) return false;
  s->cursor = entry;
  t->SetCurRec(s->list[static_cast<size_t>(entry)]);
  return true;
}

}  // namespace

bool COrvexQuery::MoveFirst() {
  QueryState* s = state_;
  if (s->list.empty()) return false;
  return MoveTo(s, s->db ? s->db->table_ : nullptr, 0);
}

bool COrvexQuery::MoveLast() {
  QueryState* s = state_;
  if (s->list.empty()) return false;
  return MoveTo(s, s->db ? s->db->table_ : nullptr, static_cast<int>(s->list.size()) - 1);
}

bool COrvexQuery::MoveNext() {
  QueryState* s = state_;
  const int count = static_cast<int>(s->list.size());
  if (s->cursor < 0 || s->cursor >= count - 1) return false;
  return MoveTo(s, s->db ? s->db->table_ : nullptr, s->cursor + 1);
}

bool COrvexQuery::MovePrev() {
  QueryState* s = state_;
  const int count = static_cast<int>(s->list.size());
  if (s->cursor <= 0 || s->cursor >= count) return false;
  return MoveTo(s, s->db ? s->db->table_ : nullptr, s->cursor - 1);
}

void COrvexQuery::Union(const COrvexQuery& a, const COrvexQuery& b, COrvexQuery& out) {
  out.state_->list = query::UnionOf(a.state_->list, b.state_->list);
}

void COrvexQuery::Intersection(const COrvexQuery& a, const COrvexQuery& b, COrvexQuery& out) {
  out.state_->list = query::IntersectionOf(a.state_->list, b.state_->list);
}
