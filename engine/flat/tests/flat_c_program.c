/* A C program that reaches the engine the way any foreign caller does: it
 * includes only orvex_flat.h, loads libOrvex.so from its own folder with
 * dlopen and binds each function by name. It creates a database, fills it,
 * queries it and reads it back, and prints "N passed, M failed". */
#define _XOPEN_SOURCE 700
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "orvex_flat.h"

static int passed;
static int failed;

static void Check(int ok, const char* what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    printf("FAILED: %s\n", what);
  }
}

/* The functions, bound by name. */
#define FUNCTIONS(X)                                                                                      \
  X(mCreateField) X(mCreateKey) X(mCreateDB) X(mGetErrMsg) X(mOpen) X(mClose) X(mSetFieldStr) X(mSetField) \
  X(mInsert) X(mGetRecordNum) X(mCreateQuery) X(mQuery) X(mQueryCount) X(mQueryFirst) X(mQueryNext)      \
  X(mQueryErrMsg) X(mCloseQuery) X(mGetFieldStr) X(mGetField) X(mStrEqual) X(mKeyFirst) X(mKeyNext)      \
  X(SysAllocStringLen) X(SysStringLen) X(VariantInit) X(VariantClear)

#define DECLARE(name) static __typeof__(&name) f_##name;
FUNCTIONS(DECLARE)

static int Bind(void* library) {
  int ok = 1;
#define BIND(name)                                              \
  *(void**)(&f_##name) = dlsym(library, #name);                \
  if (!f_##name) {                                               \
    printf("libOrvex.so lacks %s\n", #name);                     \
    ok = 0;                                                      \
  }
  FUNCTIONS(BIND)
#undef BIND
  return ok;
}

/* The folder of this program, from /proc/self/exe. */
static void ProgramFolder(char* out, size_t size) {
  ssize_t n = readlink("/proc/self/exe", out, size - 1);
  if (n < 0) n = 0;
  out[n] = '\0';
  char* slash = strrchr(out, '/');
  if (slash) *slash = '\0';
}

static int WideEquals(BSTR text, const char* ascii) {
  size_t n = strlen(ascii);
  if (!text || f_SysStringLen(text) != n) return 0;
  for (size_t i = 0; i < n; ++i)
    if (text[i] != (OLECHAR)ascii[i]) return 0;
  return 1;
}

int main(void) {
  char folder[4096];
  char library_path[4096 + 16];
  ProgramFolder(folder, sizeof folder);
  snprintf(library_path, sizeof library_path, "%s/libOrvex.so", folder);
  void* library = dlopen(library_path, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    printf("cannot load %s: %s\n", library_path, dlerror());
    return 1;
  }
  if (!Bind(library)) return 1;

  char dir[] = "/tmp/orvex_c_XXXXXX";
  if (!mkdtemp(dir)) return 1;
  char path[64];
  snprintf(path, sizeof path, "%s/people.db", dir);

  /* Define and create. */
  Check(f_mCreateField("id", ORVEX_INT, 0) == 1, "define id");
  Check(f_mCreateField("name", ORVEX_TEXT, 24) == 1, "define name");
  Check(f_mCreateField("height", ORVEX_DOUBLE, 0) == 1, "define height");
  Check(f_mCreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0) == 1, "key on id");
  Check(f_mCreateKey("name", ORVEX_KEY_DUPLICATE, 1, 2, 0, 0) == 1, "key on name");
  Check(f_mCreateDB(path, "people") == 1, "create the file");

  /* Fill. */
  int db = f_mOpen(path, ORVEX_OPEN_DEFAULT);
  Check(db == 0, "open the file");
  const char* names[] = {"Ada", "Brendan", "Chidi", "Dagny", "Eero"};
  for (int i = 0; i < 5; ++i) {
    char id[8];
    snprintf(id, sizeof id, "%d", i + 1);
    VARIANT height;
    f_VariantInit(&height);
    height.vt = VT_R8;
    height.dblVal = 1.5 + i / 10.0;
    VARIANT name;
    f_VariantInit(&name);
    name.vt = ORVEX_VT_TEXT;
    name.pszVal = names[i];
    Check(f_mSetFieldStr(db, id, 0) == 1, "set id");
    Check(f_mSetField(db, &name, 1) == 1, "set name");
    Check(f_mSetField(db, &height, 2) == 1, "set height");
    Check(f_mInsert(db) == 1, f_mGetErrMsg(db));
  }
  Check(f_mGetRecordNum(db) == 5, "five records");

  /* Query and read back. */
  int q = f_mCreateQuery(db);
  Check(q == 0, "create a query");
  Check(f_mQuery(q, "height>=1.65 OR name='ada' ORDER BY height DESC") == 1, f_mQueryErrMsg(q));
  Check(f_mQueryCount(q) == 4, "four selected");
  const char* expected[] = {"Eero", "Dagny", "Chidi", "Ada"};
  int at = 0;
  for (int more = f_mQueryFirst(q); more; more = f_mQueryNext(q), ++at) {
    VARIANT name = f_mGetField(db, 1);
    Check(at < 4 && name.vt == VT_BSTR && WideEquals(name.bstrVal, expected[at]), "name in order");
    f_VariantClear(&name);
  }
  Check(at == 4, "walked four");
  Check(f_mQuery(q, "height>") == 0 && strcmp(f_mQueryErrMsg(q), "Syntax error") == 0, "a refused clause");
  Check(f_mCloseQuery(q) == 1, "close the query");

  Check(f_mStrEqual(db, 0, "3") == 1, "seek id 3");
  Check(strcmp(f_mGetFieldStr(db, 1), "Chidi") == 0, "read a name");
  Check(strcmp(f_mGetFieldStr(db, 2), "1.70000000000000") == 0, "read a height");
  VARIANT key;
  f_VariantInit(&key);
  Check(f_mKeyFirst(db, 1, &key) == 1 && WideEquals(key.bstrVal, "Ada"), "first name in key order");
  f_VariantClear(&key);
  Check(f_mClose(db) == 1, "close the file");

  /* Read it back through a new handle. */
  db = f_mOpen(path, ORVEX_OPEN_DEFAULT);
  Check(db == 0 && f_mGetRecordNum(db) == 5, "five records after reopening");
  f_mClose(db);

  remove(path);
  rmdir(dir);
  dlclose(library);
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
