// Queries on database handles.
#include "flat/flat_state.h"
#include "orvex_flat.h"

using namespace orvex::flat;

int mCreateQuery(int handle) {
  COrvex* db = Database(handle);
  if (!db) return -1;
  FlatState& s = State();
  for (int q = 0; q < kSlots; ++q) {
    if (!s.queries[q].query) {
      s.queries[q].query = new COrvexQuery(db);
      s.queries[q].database = handle;
      return q;
    }
  }
  return -1;
}

int mQuery(int query, const char* clause) {
  COrvexQuery* q = Query(query);
  return q && clause && q->Query(clause) ? 1 : 0;
}

int mQueryCount(int query) {
  COrvexQuery* q = Query(query);
  return q ? q->GetCount() : 0;
}

int mQueryFirst(int query) {
  COrvexQuery* q = Query(query);
  return q && q->MoveFirst() ? 1 : 0;
}

int mQueryNext(int query) {
  COrvexQuery* q = Query(query);
  return q && q->MoveNext() ? 1 : 0;
}

int mQueryPrev(int query) {
  COrvexQuery* q = Query(query);
  return q && q->MovePrev() ? 1 : 0;
}

int mQueryLast(int query) {
  COrvexQuery* q = Query(query);
  return q && q->MoveLast() ? 1 : 0;
}

const char* mQueryErrMsg(int query) {
  COrvexQuery* q = Query(query);
  return q ? q->GetErrMsg() : kEmpty;
}

int mCloseQuery(int query) {
  COrvexQuery* q = Query(query);
  if (!q) return 0;
  delete q;
  State().queries[query] = QuerySlot();
  return 1;
}
