/* Built against the installed engine with pkg-config and linked to
 * libOrvex.so: creates a table in the folder given through the flat
 * interface, fills it, queries it and prints what it read back. */
#include <stdio.h>
#include <string.h>

#include <orvex_flat.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  char path[4096];
  snprintf(path, sizeof path, "%s/consumer_c.db", argv[1]);
  if (mCreateField("id", ORVEX_INT, 0) != 1 || mCreateField("name", ORVEX_TEXT, 16) != 1 ||
      mCreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0) != 1 || mCreateDB(path, "") != 1) {
    printf("create: %s\n", mGetErrMsg(-1));
    return 1;
  }
  int db = mOpen(path, ORVEX_OPEN_DEFAULT);
  if (db < 0) {
    printf("open: %s\n", mGetErrMsg(-1));
    return 1;
  }
  if (mSetFieldStr(db, "1", 0) != 1 || mSetFieldStr(db, "Ada", 1) != 1 || mInsert(db) != 1 ||
      mSetFieldStr(db, "2", 0) != 1 || mSetFieldStr(db, "Brendan", 1) != 1 || mInsert(db) != 1) {
    printf("insert: %s\n", mGetErrMsg(db));
    return 1;
  }
  int q = mCreateQuery(db);
  if (q < 0 || mQuery(q, "name LIKE 'b%'") != 1) {
    printf("query: %s\n", q < 0 ? "no query" : mQueryErrMsg(q));
    return 1;
  }
  char name[16] = "";
  if (mQueryFirst(q) == 1) snprintf(name, sizeof name, "%s", mGetFieldStr(db, 1));
  printf("%d records, %d selected: %s\n", mGetRecordNum(db), mQueryCount(q), name);
  int ok = mGetRecordNum(db) == 2 && mQueryCount(q) == 1 && strcmp(name, "Brendan") == 0;
  mCloseQuery(q);
  ok = ok && mClose(db) == 1;
  remove(path);
  return ok ? 0 : 1;
}
