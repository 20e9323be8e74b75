// Built against the installed engine: creates a table in the folder given,
// fills it, selects through COrvexQuery and prints what it found.
#include <orvex.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string path = std::string(argv[1]) + "/consumer.db";
  COrvex db;
  if (!db.CreateField("id", ORVEX_INT, 0) || !db.CreateField("name", ORVEX_TEXT, 16) ||
      !db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0) || !db.CreateDB(path.c_str(), "")) {
    std::printf("create: %s\n", db.GetErrMsg());
    return 1;
  }
  const char* names[] = {"Ada", "Brendan", "Chidi", "Dagny"};
  for (int i = 0; i < 4; ++i) {
    char name[16] = {};
    std::strcpy(name, names[i]);
    if (!db.SetField(&i, 0) || !db.SetField(name, 1) || !db.Insert()) {
      std::printf("insert: %s\n", db.GetErrMsg());
      return 1;
    }
  }
  COrvexQuery query(&db);
  if (!query.Query("id>=1 ORDER BY name DESC")) {
    std::printf("query: %s\n", query.GetErrMsg());
    return 1;
  }
  std::string seen;
  for (bool more = query.MoveFirst(); more; more = query.MoveNext()) {
    char name[16] = {};
    db.GetField(name, 1);
    seen += std::string(name) + " ";
  }
  const bool ordered = seen == "Dagny Chidi Brendan ";
  std::printf("%d selected, %s\n", query.GetCount(), ordered ? "ordered" : seen.c_str());
  db.CloseDB();
  std::remove(path.c_str());
  return query.GetCount() == 3 && ordered ? 0 : 1;
}
