// orvex_query_bench: clauses of the query language through COrvexQuery beside
// the same SELECTs in SQLite, on the workload of orvex_bench.
//
// N records {int id (unique key), 32-byte text name (about N/4 distinct
// values, duplicates-allowed key, letter case ignored), double value (no
// key)}, inserted in random id order. SQLite has the same: a UNIQUE index on
// id and an index on name, the column and index COLLATE NOCASE (so LIKE can
// use it, as the query language's LIKE ignores case), and a 128 MB page cache
// like Orvex's. Each clause kind runs many times with changing literals:
//   id=X                                 an indexed equality
//   id>=X AND id<X+1000                  an indexed range of 1000 records
//   name LIKE 'name-000000D%'            a prefix of about N/250 records
//   value<V                              a full scan (value has no key)
//   id=X OR id=Y                         two indexed equalities joined
//   id>=X AND id<X+1000 ORDER BY name DESC, id
// A query counts as done once every selected record has been reached and its
// id read (Orvex: walk the selection, which makes each record current, and
// read the id; SQLite: SELECT id, name, value and step the rows, so that
// neither engine answers from an index alone). SQLite runs each clause kind
// inside one read transaction (BEGIN ... COMMIT), as orvex_bench does.
// SQLite runs twice: statements prepared once and bound per query, and the
// SQL text prepared each time (as the clause text is parsed each time).
// Every selection is compared between the engines: as a set, or in order for
// ORDER BY; a difference is reported and the exit status is 1.
//
// usage: orvex_query_bench [N]   (default 1000000)
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "orvex.h"
#include "workload.h"

namespace {

using orvexbench::kNameSize;
using orvexbench::Mix;
using orvexbench::Ratio;
using orvexbench::Row;
using Clock = std::chrono::steady_clock;

constexpr int kRange = 1000;

// One clause kind: the clause text and the SQL (with ? where the literals go)
// for query i, and whether the selection's order counts.
struct ClauseKind {
  const char* title;
  int repeats;
  bool ordered;
  std::string sql;  // with ? parameters, bound from args(i)
  std::function<std::vector<double>(int)> args;
  std::function<std::string(int)> clause;  // the query language's text
  std::function<std::string(int)> sqlText;  // the SQL with the literals written in
};

// What a selection was: its size and a digest of its ids (by set, or by
// sequence when the order counts).
struct Selection {
  long long count = 0;
  uint64_t digest = 0;
  void Add(int32_t id, bool ordered) {
    ++count;
    const uint64_t h = Mix(static_cast<uint64_t>(static_cast<uint32_t>(id)));
    digest = ordered ? Mix(digest ^ h) : digest + h;
  }
  bool operator==(const Selection& o) const { return count == o.count && digest == o.digest; }
};

struct Run {
  double perSecond = 0;
  std::vector<Selection> selections;
  std::string problem;
};

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::vector<ClauseKind> MakeKinds(int n) {
  // Literals from a fixed sequence, different for every query so that no
  // engine answers a repeat from memory.
  auto idAt = [n](int i) { return static_cast<int32_t>(Mix(static_cast<uint64_t>(i) + 77) % static_cast<uint64_t>(n)); };
  auto rangeAt = [n](int i) {
    return static_cast<int32_t>(Mix(static_cast<uint64_t>(i) + 991) % static_cast<uint64_t>(std::max(1, n - kRange)));
  };
  auto prefixAt = [](int i) {
    char p[32];
    std::snprintf(p, sizeof p, "name-000000%d", i % 10);
    return std::string(p);
  };
  // value = id/4 + 1: value<V selects about 4V records; V from 1000 to 1090.
  auto valueAt = [](int i) { return 1000.0 + 10 * (i % 10); };
  std::vector<ClauseKind> kinds;
  kinds.push_back({"id=X (indexed equality)", 20000, false, "SELECT id, name, value FROM t WHERE id=?",
                   [=](int i) { return std::vector<double>{double(idAt(i))}; },
                   [=](int i) { return "id=" + std::to_string(idAt(i)); },
                   [=](int i) { return "SELECT id, name, value FROM t WHERE id=" + std::to_string(idAt(i)); }});
  kinds.push_back({"id>=X AND id<X+1000 (indexed range)", 1000, false, "SELECT id, name, value FROM t WHERE id>=? AND id<?",
                   [=](int i) { return std::vector<double>{double(rangeAt(i)), double(rangeAt(i) + kRange)}; },
                   [=](int i) {
                     return "id>=" + std::to_string(rangeAt(i)) + " AND id<" + std::to_string(rangeAt(i) + kRange);
                   },
                   [=](int i) {
                     return "SELECT id, name, value FROM t WHERE id>=" + std::to_string(rangeAt(i)) +
                            " AND id<" + std::to_string(rangeAt(i) + kRange);
                   }});
  kinds.push_back({"name LIKE 'prefix%' (indexed prefix)", 100, false, "",
                   nullptr,
                   [=](int i) { return "name LIKE '" + prefixAt(i) + "%'"; },
                   [=](int i) { return "SELECT id, name, value FROM t WHERE name LIKE '" + prefixAt(i) + "%'"; }});
  kinds.push_back({"value<V (full scan, no key)", 20, false, "SELECT id, name, value FROM t WHERE value<?",
                   [=](int i) { return std::vector<double>{valueAt(i)}; },
                   [=](int i) { return "value<" + Number(valueAt(i)); },
                   [=](int i) { return "SELECT id, name, value FROM t WHERE value<" + Number(valueAt(i)); }});
  kinds.push_back({"id=X OR id=Y (two indexed equalities)", 10000, false, "SELECT id, name, value FROM t WHERE id=? OR id=?",
                   [=](int i) { return std::vector<double>{double(idAt(i)), double(idAt(i + 500000))}; },
                   [=](int i) { return "id=" + std::to_string(idAt(i)) + " OR id=" + std::to_string(idAt(i + 500000)); },
                   [=](int i) {
                     return "SELECT id, name, value FROM t WHERE id=" + std::to_string(idAt(i)) + " OR id=" +
                            std::to_string(idAt(i + 500000));
                   }});
  kinds.push_back({"range ORDER BY name DESC, id", 500, true,
                   "SELECT id, name, value FROM t WHERE id>=? AND id<? ORDER BY name DESC, id",
                   [=](int i) { return std::vector<double>{double(rangeAt(i)), double(rangeAt(i) + kRange)}; },
                   [=](int i) {
                     return "id>=" + std::to_string(rangeAt(i)) + " AND id<" + std::to_string(rangeAt(i) + kRange) +
                            " ORDER BY name DESC, id";
                   },
                   [=](int i) {
                     return "SELECT id, name, value FROM t WHERE id>=" + std::to_string(rangeAt(i)) + " AND id<" +
                            std::to_string(rangeAt(i) + kRange) + " ORDER BY name DESC, id";
                   }});
  return kinds;
}

double PerSecond(long long ops, Clock::time_point start) {
  const double s = std::chrono::duration<double>(Clock::now() - start).count();
  return s > 0 ? static_cast<double>(ops) / s : 0;
}

// ---------------------------------------------------------------- Orvex

bool LoadOrvex(COrvex& db, const std::string& path, const std::vector<Row>& rows, std::string* problem) {
  db.CreateField("id", ORVEX_INT, 4);
  db.CreateField("name", ORVEX_TEXT, kNameSize);
  db.CreateField("value", ORVEX_DOUBLE, 8);
  db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0);
  db.CreateKey("name", ORVEX_KEY_DUPLICATE, 1, 2, 0, kNameSize);
  if (!db.CreateDB(path.c_str(), "query benchmark")) {
    *problem = std::string("create: ") + db.GetErrMsg();
    return false;
  }
  uint8_t image[4 + kNameSize + 8];
  for (const Row& r : rows) {
    std::memcpy(image, &r.id, 4);
    std::memcpy(image + 4, r.name, kNameSize);
    std::memcpy(image + 4 + kNameSize, &r.value, 8);
    if (!db.Insert(image, 0)) {
      *problem = std::string("insert: ") + db.GetErrMsg();
      return false;
    }
  }
  if (db.Flush()) return true;
  *problem = std::string("flush: ") + db.GetErrMsg();
  return false;
}

Run RunOrvex(COrvex& db, const ClauseKind& kind) {
  Run run;
  COrvexQuery query(&db);
  std::vector<std::string> clauses;
  for (int i = 0; i < kind.repeats; ++i) clauses.push_back(kind.clause(i));
  const auto start = Clock::now();
  for (const std::string& clause : clauses) {
    if (!query.Query(clause.c_str())) {
      run.problem = clause + ": " + query.GetErrMsg();
      return run;
    }
    Selection s;
    for (bool more = query.MoveFirst(); more; more = query.MoveNext()) {
      int32_t id = -1;
      db.GetField(&id, 0);
      s.Add(id, kind.ordered);
    }
    run.selections.push_back(s);
  }
  run.perSecond = PerSecond(kind.repeats, start);
  return run;
}

// ---------------------------------------------------------------- SQLite

bool Exec(sqlite3* db, const char* sql, std::string* problem) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) == SQLITE_OK) return true;
  *problem = std::string(sql) + ": " + (err ? err : "?");
  sqlite3_free(err);
  return false;
}

bool LoadSqlite(sqlite3* db, const std::vector<Row>& rows, std::string* problem) {
  if (!Exec(db, "PRAGMA synchronous=OFF", problem) || !Exec(db, "PRAGMA journal_mode=OFF", problem) ||
      !Exec(db, "PRAGMA cache_size=-131072", problem) ||
      !Exec(db, "CREATE TABLE t(id INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE, value REAL NOT NULL)",
            problem) ||
      !Exec(db, "CREATE UNIQUE INDEX t_id ON t(id)", problem) ||
      !Exec(db, "CREATE INDEX t_name ON t(name)", problem) || !Exec(db, "BEGIN", problem)) {
    return false;
  }
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t(id, name, value) VALUES (?, ?, ?)", -1, &ins, nullptr);
  for (const Row& r : rows) {
    sqlite3_bind_int(ins, 1, r.id);
    sqlite3_bind_text(ins, 2, r.name, -1, SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, r.value);
    if (sqlite3_step(ins) != SQLITE_DONE) *problem = "insert";
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  return problem->empty() && Exec(db, "COMMIT", problem) && Exec(db, "ANALYZE", problem);
}

Selection Collect(sqlite3_stmt* st, bool ordered) {
  Selection s;
  while (sqlite3_step(st) == SQLITE_ROW) s.Add(sqlite3_column_int(st, 0), ordered);
  return s;
}

// Statements prepared once, literals bound for each query.
Run RunSqlitePrepared(sqlite3* db, const ClauseKind& kind) {
  Run run;
  sqlite3_stmt* st = nullptr;
  const bool bound = !kind.sql.empty();
  if (bound && sqlite3_prepare_v2(db, kind.sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    run.problem = kind.sql + ": " + sqlite3_errmsg(db);
    return run;
  }
  std::vector<std::vector<double>> args;
  std::vector<std::string> texts;  // the LIKE patterns are texts
  for (int i = 0; i < kind.repeats; ++i) {
    if (bound) args.push_back(kind.args(i));
    else texts.push_back(kind.sqlText(i));
  }
  if (!bound) {
    // A text parameter of LIKE keeps SQLite from using the index; the
    // pattern goes in the statement, which is prepared once per pattern.
    std::vector<sqlite3_stmt*> byPattern;
    for (int i = 0; i < 10 && i < kind.repeats; ++i) {
      sqlite3_stmt* p = nullptr;
      sqlite3_prepare_v2(db, texts[static_cast<size_t>(i)].c_str(), -1, &p, nullptr);
      byPattern.push_back(p);
    }
    const auto start = Clock::now();
    for (int i = 0; i < kind.repeats; ++i) {
      sqlite3_stmt* p = byPattern[static_cast<size_t>(i % 10)];
      run.selections.push_back(Collect(p, kind.ordered));
      sqlite3_reset(p);
    }
    run.perSecond = PerSecond(kind.repeats, start);
    for (sqlite3_stmt* p : byPattern) sqlite3_finalize(p);
    return run;
  }
  const auto start = Clock::now();
  for (const std::vector<double>& a : args) {
    for (size_t k = 0; k < a.size(); ++k) {
      if (kind.sql.find("value") != std::string::npos) sqlite3_bind_double(st, static_cast<int>(k + 1), a[k]);
      else sqlite3_bind_int(st, static_cast<int>(k + 1), static_cast<int>(a[k]));
    }
    run.selections.push_back(Collect(st, kind.ordered));
    sqlite3_reset(st);
  }
  run.perSecond = PerSecond(kind.repeats, start);
  sqlite3_finalize(st);
  return run;
}

// The SQL text with its literals, prepared for each query.
Run RunSqliteText(sqlite3* db, const ClauseKind& kind) {
  Run run;
  std::vector<std::string> texts;
  for (int i = 0; i < kind.repeats; ++i) texts.push_back(kind.sqlText(i));
  const auto start = Clock::now();
  for (const std::string& text : texts) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, text.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      run.problem = text + ": " + sqlite3_errmsg(db);
      return run;
    }
    run.selections.push_back(Collect(st, kind.ordered));
    sqlite3_finalize(st);
  }
  run.perSecond = PerSecond(kind.repeats, start);
  return run;
}

// ---------------------------------------------------------------- report

bool Compare(const char* peer, const ClauseKind& kind, const Run& o, const Run& s) {
  if (!s.problem.empty()) {
    std::printf("  %s: %s\n", peer, s.problem.c_str());
    return false;
  }
  for (size_t i = 0; i < o.selections.size() && i < s.selections.size(); ++i) {
    if (!(o.selections[i] == s.selections[i])) {
      std::printf("  %s selected otherwise for %s: %lld records, Orvex %lld\n", peer,
                  kind.clause(static_cast<int>(i)).c_str(), s.selections[i].count, o.selections[i].count);
      return false;
    }
  }
  if (o.selections.size() != s.selections.size()) {
    std::printf("  %s ran %zu queries, Orvex %zu\n", peer, s.selections.size(), o.selections.size());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int n = 1000000;
  if (argc > 1) {
    const long asked = std::strtol(argv[1], nullptr, 10);
    if (argc > 2 || asked < 2000 || asked > 50000000) {
      std::fprintf(stderr, "usage: orvex_query_bench [N]   (N from 2000 up; default 1000000)\n");
      return 2;
    }
    n = static_cast<int>(asked);
  }
  const std::string dir = orvexbench::MakeBenchFolder("orvex_query_bench");
  if (dir.empty()) {
    std::fprintf(stderr, "orvex_query_bench: cannot make a temporary folder\n");
    return 1;
  }
  std::printf("COrvexQuery beside SQLite %s\n", sqlite3_libversion());
  const std::vector<Row> rows = orvexbench::ShuffledRows(n);
  std::string problem;
  COrvex orvex;
  sqlite3* sqlite = nullptr;
  bool ok = LoadOrvex(orvex, dir + "/bench.orvex", rows, &problem);
  if (ok && sqlite3_open((dir + "/bench.sqlite").c_str(), &sqlite) != SQLITE_OK) problem = "sqlite3_open";
  ok = ok && problem.empty() && LoadSqlite(sqlite, rows, &problem);
  if (!ok) {
    std::printf("loading failed: %s\n", problem.c_str());
  } else {
    std::printf("\nN = %d records {int id, 32-byte name (%d distinct), double value}\n", n, std::max(1, n / 4));
    std::printf("%-40s %7s %12s %12s %12s %9s %9s\n", "clause (queries/s)", "queries", "Orvex", "SQLite",
                "SQLite text", "vs SQLite", "vs text");
    for (const ClauseKind& kind : MakeKinds(n)) {
      const Run o = RunOrvex(orvex, kind);
      if (!o.problem.empty()) {
        std::printf("%-40s Orvex: %s\n", kind.title, o.problem.c_str());
        ok = false;
        continue;
      }
      Exec(sqlite, "BEGIN", &problem);
      const Run s = RunSqlitePrepared(sqlite, kind);
      const Run t = RunSqliteText(sqlite, kind);
      Exec(sqlite, "COMMIT", &problem);
      long long selected = 0;
      for (const Selection& sel : o.selections) selected += sel.count;
      std::printf("%-40s %7d %12.0f %12.0f %12.0f %9s %9s   (%.0f records a query)\n", kind.title, kind.repeats,
                  o.perSecond, s.perSecond, t.perSecond, Ratio(o.perSecond, s.perSecond).c_str(),
                  Ratio(o.perSecond, t.perSecond).c_str(), double(selected) / kind.repeats);
      ok = Compare("SQLite", kind, o, s) && ok;
      ok = Compare("SQLite text", kind, o, t) && ok;
    }
    std::printf("(ratios: Orvex queries/s over SQLite's with statements prepared once and bound, and over\n"
                " SQLite's preparing the SQL text for each query as Orvex parses each clause)\n");
    if (ok) std::printf("every selection was the same in both engines\n");
  }
  orvex.CloseDB();
  if (sqlite) sqlite3_close(sqlite);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::fflush(stdout);
  return ok ? 0 : 1;
}
