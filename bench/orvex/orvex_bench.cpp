// orvex_bench: one workload loaded into Orvex, SQLite and LMDB side by side.
//
// N records {int id (unique key), 32-byte text name (about N/4 distinct values,
// duplicates-allowed key), double value}. Phases, each timed alone:
//   insert      all records in random id order
//   lookup      N random point lookups by id, reading name and value
//   walk        one full ordered walk by id (rows per second)
//   range       1000 walks of 100 records from random ids (walks per second)
//   by name     N/10 lookups by name visiting every record with that name
//   delete      N/10 random deletes by id
// then the file size after close (and Orvex's file is checked with the
// independent checker of tools/fileread, so a fast but wrong engine fails).
//
// Each size runs twice. Fast: Orvex commits only at the close; SQLite runs
// with synchronous=OFF and journal_mode=OFF, each phase in one transaction;
// LMDB with MDB_NOSYNC. Durable: every phase ends with a commit that reaches
// the disk: Orvex's Flush (journal and syncs), SQLite with its rollback
// journal (journal_mode=DELETE, synchronous=FULL), LMDB with its syncs on.
// SQLite has a UNIQUE index on id and an index on name; LMDB an
// MDB_DUPSORT sub-database for name.
//
// Then small transactions: 10,000 inserts (ORVEX_BENCH_COMMITS overrides),
// each followed by a durable commit: Orvex's Flush, one SQLite transaction,
// one LMDB transaction.
//
// usage: orvex_bench [N [ENGINES]]   (default: N = 200000, then N = 1000000;
// ENGINES a comma list of orvex, sqlite, lmdb, default all three, to profile
// one; "fast" or "durable" in the list runs that mode only, "nosmall" skips
// the small transactions)
#include <lmdb.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "orvex.h"
#include "orvexcheck.h"
#include "workload.h"

namespace {

constexpr int kRangeWalks = 1000;
constexpr int kRangeLength = 100;

using orvexbench::FileSize;
using orvexbench::kNameSize;
using orvexbench::Ratio;
using orvexbench::NameOf;
using orvexbench::Row;

// The deterministic workload: rows in insertion order and the ids and names
// the later phases ask for.
struct Workload {
  int n = 0;
  std::vector<Row> rows;           // random id order
  std::vector<int32_t> lookups;    // N ids
  std::vector<int32_t> rangeFrom;  // 1000 ids
  std::vector<std::string> names;  // N/10 names of present records
  std::vector<int32_t> deletes;    // N/10 distinct ids
  std::vector<int32_t> countByName;  // records per name index (for checking)
};

Workload MakeWorkload(int n) {
  Workload w;
  w.n = n;
  const int distinct = std::max(1, n / 4);
  std::mt19937_64 rng(20261208);
  std::vector<int32_t> ids(n);
  for (int i = 0; i < n; ++i) ids[i] = i;
  std::shuffle(ids.begin(), ids.end(), rng);
  w.rows.resize(n);
  for (int i = 0; i < n; ++i) {
    Row& r = w.rows[i];
    r.id = ids[i];
    NameOf(r.id, distinct, r.name);
    r.value = orvexbench::ValueOf(r.id);
  }
  std::uniform_int_distribution<int32_t> any(0, n - 1);
  for (int i = 0; i < n; ++i) w.lookups.push_back(any(rng));
  for (int i = 0; i < kRangeWalks; ++i) w.rangeFrom.push_back(any(rng));
  for (int i = 0; i < n / 10; ++i) {
    char name[kNameSize];
    NameOf(any(rng), distinct, name);
    w.names.emplace_back(name);
  }
  std::shuffle(ids.begin(), ids.end(), rng);
  w.deletes.assign(ids.begin(), ids.begin() + n / 10);
  return w;
}

// Expected rows visited by a range walk from id (ids are 0..n-1).
long long RangeRows(const Workload& w) {
  long long total = 0;
  for (int32_t from : w.rangeFrom) total += std::min<long long>(kRangeLength, w.n - from);
  return total;
}

struct Figures {
  double insert = 0, lookup = 0, walk = 0, range = 0, byName = 0, remove = 0;
  long long fileSize = 0;
  long long nameVisits = 0;  // records visited by the name phase (for checking)
  bool checkedClean = false;  // Orvex only: the file passed orvex check
  bool ok = true;
  std::string problem;
};

using Clock = std::chrono::steady_clock;

double PerSecond(long long ops, Clock::time_point start) {
  const double s = std::chrono::duration<double>(Clock::now() - start).count();
  return s > 0 ? static_cast<double>(ops) / s : 0;
}

void Fail(Figures* f, const std::string& what) {
  if (f->ok) f->problem = what;
  f->ok = false;
}

// ---------------------------------------------------------------- Orvex

bool CreateOrvex(COrvex& db, const std::string& path, Figures* f) {
  db.CreateField("id", ORVEX_INT, 4);
  db.CreateField("name", ORVEX_TEXT, kNameSize);
  db.CreateField("value", ORVEX_DOUBLE, 8);
  db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0);
  db.CreateKey("name", ORVEX_KEY_DUPLICATE, 1, 1, 0, kNameSize);
  if (db.CreateDB(path.c_str(), "benchmark")) return true;
  Fail(f, std::string("CreateDB: ") + db.GetErrMsg());
  return false;
}

// The figures count only if the file the engine left is sound.
void CheckOrvexFile(const std::string& path, Figures* f) {
  orvexfile::File file;
  std::string error;
  if (!file.Open(path, &error)) {
    Fail(f, error);
    return;
  }
  const orvexfile::CheckReport report = orvexfile::Check(file);
  f->checkedClean = report.clean();
  if (!report.clean()) {
    Fail(f, "orvex check found " + std::to_string(report.violationCount) + " violations, first: " +
                report.violations[0].what);
  }
}

Figures RunOrvex(const Workload& w, const std::string& dir, bool durable) {
  Figures f;
  const std::string path = dir + "/bench.orvex";
  COrvex db;
  if (!CreateOrvex(db, path, &f)) return f;
  // The durable run ends every phase with a commit, timed with the phase.
  auto commit = [&] {
    if (durable && !db.Flush()) Fail(&f, std::string("Flush: ") + db.GetErrMsg());
  };
  // Fixed layout: id at 0, name at 4, value at 36.
  uint8_t image[4 + kNameSize + 8];
  auto pack = [&image](const Row& r) {
    std::memcpy(image, &r.id, 4);
    std::memcpy(image + 4, r.name, kNameSize);
    std::memcpy(image + 4 + kNameSize, &r.value, 8);
  };

  auto start = Clock::now();
  for (const Row& r : w.rows) {
    pack(r);
    if (!db.Insert(image, 0)) {
      Fail(&f, std::string("Insert: ") + db.GetErrMsg());
      break;
    }
  }
  commit();
  f.insert = PerSecond(w.n, start);

  start = Clock::now();
  char name[kNameSize];
  double value = 0;
  for (int32_t id : w.lookups) {
    if (!db.GetEqual(0, &id) || !db.GetField(name, 1) || !db.GetField(&value, 2) ||
        value != id * 0.25 + 1.0) {
      Fail(&f, "point lookup of id " + std::to_string(id));
      break;
    }
  }
  commit();
  f.lookup = PerSecond(w.n, start);

  start = Clock::now();
  long long rows = 0;
  int32_t last = -1;
  for (bool more = db.GetFirst(0, image, 0); more; more = db.GetNext(0, image, 0)) {
    int32_t id;
    std::memcpy(&id, image, 4);
    if (id <= last) Fail(&f, "ordered walk out of order");
    last = id;
    ++rows;
  }
  commit();
  f.walk = PerSecond(rows, start);
  if (rows != w.n) Fail(&f, "ordered walk visited " + std::to_string(rows) + " rows");

  start = Clock::now();
  long long rangeRows = 0;
  for (int32_t from : w.rangeFrom) {
    int steps = 0;
    for (bool more = db.GetGreaterEqual(0, &from, image, 0); more && steps < kRangeLength;
         more = ++steps < kRangeLength && db.GetNext(0, image, 0)) {
      ++rangeRows;
    }
  }
  commit();
  f.range = PerSecond(kRangeWalks, start);
  if (rangeRows != RangeRows(w)) Fail(&f, "range walks visited " + std::to_string(rangeRows) + " rows");

  start = Clock::now();
  for (const std::string& nm : w.names) {
    for (bool more = db.GetEqual(1, nm.c_str(), image, 0); more; more = db.GetNext(1, image, 0)) {
      if (std::strncmp(reinterpret_cast<const char*>(image + 4), nm.c_str(), kNameSize) != 0) break;
      ++f.nameVisits;
    }
  }
  commit();
  f.byName = PerSecond(static_cast<long long>(w.names.size()), start);

  start = Clock::now();
  for (int32_t id : w.deletes) {
    if (!db.GetEqual(0, &id) || !db.Delete()) {
      Fail(&f, "delete of id " + std::to_string(id) + ": " + db.GetErrMsg());
      break;
    }
  }
  commit();
  f.remove = PerSecond(static_cast<long long>(w.deletes.size()), start);
  if (db.GetRecordNum() != w.n - static_cast<int>(w.deletes.size())) Fail(&f, "record count after deletes");
  if (!db.CloseDB()) Fail(&f, std::string("CloseDB: ") + db.GetErrMsg());
  f.fileSize = FileSize(path);
  CheckOrvexFile(path, &f);
  return f;
}

// ---------------------------------------------------------------- SQLite

bool Exec(sqlite3* db, const char* sql, Figures* f) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    Fail(f, std::string(sql) + ": " + (err ? err : "?"));
    sqlite3_free(err);
    return false;
  }
  return true;
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
  return st;
}

sqlite3* OpenSqlite(const std::string& path, bool durable, Figures* f) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    Fail(f, "sqlite3_open");
    sqlite3_close(db);
    return nullptr;
  }
  Exec(db, durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=OFF", f);
  Exec(db, durable ? "PRAGMA journal_mode=DELETE" : "PRAGMA journal_mode=OFF", f);
  Exec(db, "CREATE TABLE t(id INTEGER NOT NULL, name TEXT NOT NULL, value REAL NOT NULL)", f);
  Exec(db, "CREATE UNIQUE INDEX t_id ON t(id)", f);
  Exec(db, "CREATE INDEX t_name ON t(name)", f);
  return db;
}

Figures RunSqlite(const Workload& w, const std::string& dir, bool durable) {
  Figures f;
  const std::string path = dir + "/bench.sqlite";
  sqlite3* db = OpenSqlite(path, durable, &f);
  if (!db) return f;

  sqlite3_stmt* ins = Prepare(db, "INSERT INTO t(id, name, value) VALUES (?, ?, ?)");
  auto start = Clock::now();
  Exec(db, "BEGIN", &f);
  for (const Row& r : w.rows) {
    sqlite3_bind_int(ins, 1, r.id);
    sqlite3_bind_text(ins, 2, r.name, -1, SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, r.value);
    if (sqlite3_step(ins) != SQLITE_DONE) Fail(&f, "insert");
    sqlite3_reset(ins);
  }
  Exec(db, "COMMIT", &f);
  f.insert = PerSecond(w.n, start);
  sqlite3_finalize(ins);

  sqlite3_stmt* get = Prepare(db, "SELECT name, value FROM t WHERE id = ?");
  start = Clock::now();
  Exec(db, "BEGIN", &f);
  for (int32_t id : w.lookups) {
    sqlite3_bind_int(get, 1, id);
    if (sqlite3_step(get) != SQLITE_ROW || sqlite3_column_text(get, 0) == nullptr ||
        sqlite3_column_double(get, 1) != id * 0.25 + 1.0) {
      Fail(&f, "point lookup");
    }
    sqlite3_reset(get);
  }
  Exec(db, "COMMIT", &f);
  f.lookup = PerSecond(w.n, start);
  sqlite3_finalize(get);

  sqlite3_stmt* all = Prepare(db, "SELECT id, name, value FROM t ORDER BY id");
  start = Clock::now();
  Exec(db, "BEGIN", &f);
  long long rows = 0;
  while (sqlite3_step(all) == SQLITE_ROW) {
    (void)sqlite3_column_text(all, 1);
    ++rows;
  }
  Exec(db, "COMMIT", &f);
  f.walk = PerSecond(rows, start);
  sqlite3_finalize(all);
  if (rows != w.n) Fail(&f, "ordered walk");

  sqlite3_stmt* range = Prepare(db, "SELECT id, name, value FROM t WHERE id >= ? ORDER BY id LIMIT 100");
  start = Clock::now();
  Exec(db, "BEGIN", &f);
  long long rangeRows = 0;
  for (int32_t from : w.rangeFrom) {
    sqlite3_bind_int(range, 1, from);
    while (sqlite3_step(range) == SQLITE_ROW) {
      (void)sqlite3_column_text(range, 1);
      ++rangeRows;
    }
    sqlite3_reset(range);
  }
  Exec(db, "COMMIT", &f);
  f.range = PerSecond(kRangeWalks, start);
  sqlite3_finalize(range);
  if (rangeRows != RangeRows(w)) Fail(&f, "range walks");

  sqlite3_stmt* byName = Prepare(db, "SELECT id, value FROM t WHERE name = ?");
  start = Clock::now();
  Exec(db, "BEGIN", &f);
  for (const std::string& nm : w.names) {
    sqlite3_bind_text(byName, 1, nm.c_str(), -1, SQLITE_STATIC);
    while (sqlite3_step(byName) == SQLITE_ROW) {
      (void)sqlite3_column_int(byName, 0);
      ++f.nameVisits;
    }
    sqlite3_reset(byName);
  }
  Exec(db, "COMMIT", &f);
  f.byName = PerSecond(static_cast<long long>(w.names.size()), start);
  sqlite3_finalize(byName);

  sqlite3_stmt* del = Prepare(db, "DELETE FROM t WHERE id = ?");
  start = Clock::now();
  Exec(db, "BEGIN", &f);
  for (int32_t id : w.deletes) {
    sqlite3_bind_int(del, 1, id);
    if (sqlite3_step(del) != SQLITE_DONE || sqlite3_changes(db) != 1) Fail(&f, "delete");
    sqlite3_reset(del);
  }
  Exec(db, "COMMIT", &f);
  f.remove = PerSecond(static_cast<long long>(w.deletes.size()), start);
  sqlite3_finalize(del);
  sqlite3_close(db);
  f.fileSize = FileSize(path);
  return f;
}

// ---------------------------------------------------------------- LMDB

struct LmdbValue {
  char name[kNameSize];
  double value;
};

MDB_env* OpenLmdb(const std::string& path, int n, bool durable, MDB_dbi* main, MDB_dbi* names, Figures* f) {
  std::filesystem::create_directory(path);
  MDB_env* env = nullptr;
  mdb_env_create(&env);
  mdb_env_set_maxdbs(env, 2);
  mdb_env_set_mapsize(env, static_cast<size_t>(n) * 400 + (64u << 20));
  if (mdb_env_open(env, path.c_str(), durable ? 0 : MDB_NOSYNC, 0644) != 0) {
    Fail(f, "mdb_env_open");
    mdb_env_close(env);
    return nullptr;
  }
  MDB_txn* txn = nullptr;
  mdb_txn_begin(env, nullptr, 0, &txn);
  mdb_dbi_open(txn, "main", MDB_CREATE | MDB_INTEGERKEY, main);
  mdb_dbi_open(txn, "name", MDB_CREATE | MDB_DUPSORT, names);
  mdb_txn_commit(txn);
  return env;
}

bool PutLmdb(MDB_txn* txn, MDB_dbi main, MDB_dbi names, const Row& r) {
  uint32_t id = static_cast<uint32_t>(r.id);
  LmdbValue v;
  std::memcpy(v.name, r.name, kNameSize);
  v.value = r.value;
  MDB_val k{sizeof id, &id}, d{sizeof v, &v};
  MDB_val nk{std::strlen(r.name), const_cast<char*>(r.name)}, nd{sizeof id, &id};
  return mdb_put(txn, main, &k, &d, MDB_NOOVERWRITE) == 0 && mdb_put(txn, names, &nk, &nd, 0) == 0;
}

Figures RunLmdb(const Workload& w, const std::string& dir, bool durable) {
  Figures f;
  const std::string path = dir + "/lmdb";
  MDB_dbi main = 0, names = 0;
  MDB_env* env = OpenLmdb(path, w.n, durable, &main, &names, &f);
  if (!env) return f;
  MDB_txn* txn = nullptr;

  auto start = Clock::now();
  mdb_txn_begin(env, nullptr, 0, &txn);
  for (const Row& r : w.rows) {
    if (!PutLmdb(txn, main, names, r)) {
      Fail(&f, "mdb_put");
      break;
    }
  }
  mdb_txn_commit(txn);
  f.insert = PerSecond(w.n, start);

  start = Clock::now();
  mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
  for (int32_t id32 : w.lookups) {
    uint32_t id = static_cast<uint32_t>(id32);
    MDB_val k{sizeof id, &id}, d;
    LmdbValue v;
    if (mdb_get(txn, main, &k, &d) != 0 || d.mv_size != sizeof v) {
      Fail(&f, "point lookup");
      break;
    }
    std::memcpy(&v, d.mv_data, sizeof v);
    if (v.value != id32 * 0.25 + 1.0) Fail(&f, "point lookup value");
  }
  mdb_txn_abort(txn);
  f.lookup = PerSecond(w.n, start);

  start = Clock::now();
  mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
  MDB_cursor* cur = nullptr;
  mdb_cursor_open(txn, main, &cur);
  long long rows = 0;
  MDB_val k, d;
  for (int rc = mdb_cursor_get(cur, &k, &d, MDB_FIRST); rc == 0; rc = mdb_cursor_get(cur, &k, &d, MDB_NEXT)) {
    LmdbValue v;
    std::memcpy(&v, d.mv_data, sizeof v);
    ++rows;
  }
  mdb_cursor_close(cur);
  mdb_txn_abort(txn);
  f.walk = PerSecond(rows, start);
  if (rows != w.n) Fail(&f, "ordered walk");

  start = Clock::now();
  mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
  mdb_cursor_open(txn, main, &cur);
  long long rangeRows = 0;
  for (int32_t from32 : w.rangeFrom) {
    uint32_t from = static_cast<uint32_t>(from32);
    k = MDB_val{sizeof from, &from};
    int steps = 0;
    for (int rc = mdb_cursor_get(cur, &k, &d, MDB_SET_RANGE); rc == 0 && steps < kRangeLength;
         rc = ++steps < kRangeLength ? mdb_cursor_get(cur, &k, &d, MDB_NEXT) : MDB_NOTFOUND) {
      LmdbValue v;
      std::memcpy(&v, d.mv_data, sizeof v);
      ++rangeRows;
    }
  }
  mdb_cursor_close(cur);
  mdb_txn_abort(txn);
  f.range = PerSecond(kRangeWalks, start);
  if (rangeRows != RangeRows(w)) Fail(&f, "range walks");

  start = Clock::now();
  mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
  mdb_cursor_open(txn, names, &cur);
  for (const std::string& nm : w.names) {
    MDB_val nk{nm.size(), const_cast<char*>(nm.data())}, nd;
    for (int rc = mdb_cursor_get(cur, &nk, &nd, MDB_SET); rc == 0; rc = mdb_cursor_get(cur, &nk, &nd, MDB_NEXT_DUP)) {
      // Visit the record itself, as the other two do.
      MDB_val rk{nd.mv_size, nd.mv_data}, rd;
      if (mdb_get(txn, main, &rk, &rd) == 0) ++f.nameVisits;
    }
  }
  mdb_cursor_close(cur);
  mdb_txn_abort(txn);
  f.byName = PerSecond(static_cast<long long>(w.names.size()), start);

  start = Clock::now();
  mdb_txn_begin(env, nullptr, 0, &txn);
  for (int32_t id32 : w.deletes) {
    uint32_t id = static_cast<uint32_t>(id32);
    MDB_val key{sizeof id, &id}, data;
    if (mdb_get(txn, main, &key, &data) != 0) {
      Fail(&f, "delete lookup");
      break;
    }
    LmdbValue v;
    std::memcpy(&v, data.mv_data, sizeof v);
    MDB_val nk{strnlen(v.name, kNameSize), v.name}, nd{sizeof id, &id};
    if (mdb_del(txn, main, &key, nullptr) != 0 || mdb_del(txn, names, &nk, &nd) != 0) {
      Fail(&f, "mdb_del");
      break;
    }
  }
  mdb_txn_commit(txn);
  f.remove = PerSecond(static_cast<long long>(w.deletes.size()), start);
  mdb_env_close(env);
  f.fileSize = FileSize(path + "/data.mdb");
  return f;
}

// ---------------------------------------------------------------- small transactions

// Commits per second of `count` inserts, each committed on its own.
struct Small {
  double orvex = 0, sqlite = 0, lmdb = 0;
  Figures check;  // problems of any engine
};

double SmallOrvex(const Workload& w, int count, const std::string& dir, Figures* f) {
  const std::string path = dir + "/small.orvex";
  COrvex db;
  if (!CreateOrvex(db, path, f)) return 0;
  uint8_t image[4 + kNameSize + 8];
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const Row& r = w.rows[static_cast<size_t>(i)];
    std::memcpy(image, &r.id, 4);
    std::memcpy(image + 4, r.name, kNameSize);
    std::memcpy(image + 4 + kNameSize, &r.value, 8);
    if (!db.Insert(image, 0) || !db.Flush()) {
      Fail(f, std::string("Orvex small transaction: ") + db.GetErrMsg());
      return 0;
    }
  }
  const double rate = PerSecond(count, start);
  if (db.GetRecordNum() != count) Fail(f, "Orvex small transactions: record count");
  db.CloseDB();
  CheckOrvexFile(path, f);
  return rate;
}

double SmallSqlite(const Workload& w, int count, const std::string& dir, Figures* f) {
  sqlite3* db = OpenSqlite(dir + "/small.sqlite", true, f);
  if (!db) return 0;
  sqlite3_stmt* ins = Prepare(db, "INSERT INTO t(id, name, value) VALUES (?, ?, ?)");
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const Row& r = w.rows[static_cast<size_t>(i)];
    Exec(db, "BEGIN", f);
    sqlite3_bind_int(ins, 1, r.id);
    sqlite3_bind_text(ins, 2, r.name, -1, SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, r.value);
    if (sqlite3_step(ins) != SQLITE_DONE) Fail(f, "SQLite small transaction");
    sqlite3_reset(ins);
    Exec(db, "COMMIT", f);
  }
  const double rate = PerSecond(count, start);
  sqlite3_finalize(ins);
  sqlite3_close(db);
  return rate;
}

double SmallLmdb(const Workload& w, int count, const std::string& dir, Figures* f) {
  MDB_dbi main = 0, names = 0;
  MDB_env* env = OpenLmdb(dir + "/small-lmdb", count, true, &main, &names, f);
  if (!env) return 0;
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    MDB_txn* txn = nullptr;
    mdb_txn_begin(env, nullptr, 0, &txn);
    if (!PutLmdb(txn, main, names, w.rows[static_cast<size_t>(i)]) || mdb_txn_commit(txn) != 0) {
      Fail(f, "LMDB small transaction");
      break;
    }
  }
  const double rate = PerSecond(count, start);
  mdb_env_close(env);
  return rate;
}

// ---------------------------------------------------------------- report

void Line(const char* phase, double o, double s, double l) {
  std::printf("%-34s %14.0f %14.0f %14.0f %11s %11s\n", phase, o, s, l, Ratio(o, s).c_str(), Ratio(o, l).c_str());
}

bool runOrvex = true, runSqlite = true, runLmdb = true;
bool runFast = true, runDurable = true, runSmall = true;

bool Report(int n, bool durable, const Figures& o, const Figures& s, const Figures& l) {
  std::printf("\nN = %d records {int id, 32-byte name (%d distinct), double value}, %s\n", n, std::max(1, n / 4),
              durable ? "durable: every phase ends with a commit on disk" : "fast: no commit inside a phase");
  std::printf("%-34s %14s %14s %14s %11s %11s\n", "phase (ops/s)", "Orvex", "SQLite", "LMDB", "vs SQLite",
              "vs LMDB");
  Line("insert, random id order", o.insert, s.insert, l.insert);
  Line("point lookup by id", o.lookup, s.lookup, l.lookup);
  Line("ordered walk by id (rows/s)", o.walk, s.walk, l.walk);
  Line("walk of 100 from random id", o.range, s.range, l.range);
  Line("lookup by name, all its records", o.byName, s.byName, l.byName);
  Line("delete by id", o.remove, s.remove, l.remove);
  std::printf("%-34s %14lld %14lld %14lld %11s %11s\n", "file size after close (bytes)", o.fileSize, s.fileSize,
              l.fileSize, Ratio(double(o.fileSize), double(s.fileSize)).c_str(),
              Ratio(double(o.fileSize), double(l.fileSize)).c_str());
  std::printf("(ratios: Orvex ops/s over the peer's; for file size, Orvex bytes over the peer's)\n");
  if (o.checkedClean) std::printf("Orvex's file after close: orvex check clean\n");

  bool ok = true;
  for (const auto& [name, fig] : {std::pair{"Orvex", &o}, std::pair{"SQLite", &s}, std::pair{"LMDB", &l}}) {
    if (!fig->ok) {
      std::printf("%s: wrong result: %s\n", name, fig->problem.c_str());
      ok = false;
    }
  }
  if (runOrvex && runSqlite && runLmdb && (o.nameVisits != s.nameVisits || o.nameVisits != l.nameVisits)) {
    std::printf("name lookups visited %lld (Orvex), %lld (SQLite), %lld (LMDB) records\n", o.nameVisits,
                s.nameVisits, l.nameVisits);
    ok = false;
  }
  std::fflush(stdout);
  return ok;
}

bool RunSize(int n) {
  const Workload w = MakeWorkload(n);
  bool ok = true;
  for (bool durable : {false, true}) {
    if (durable ? !runDurable : !runFast) continue;
    const std::string dir = orvexbench::MakeBenchFolder("orvex_bench");
    if (dir.empty()) {
      std::fprintf(stderr, "orvex_bench: cannot make a temporary folder\n");
      return false;
    }
    const Figures o = runOrvex ? RunOrvex(w, dir, durable) : Figures{};
    const Figures s = runSqlite ? RunSqlite(w, dir, durable) : Figures{};
    const Figures l = runLmdb ? RunLmdb(w, dir, durable) : Figures{};
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    ok = Report(n, durable, o, s, l) && ok;
  }
  return ok;
}

bool RunSmall(int count) {
  const Workload w = MakeWorkload(count);
  const std::string dir = orvexbench::MakeBenchFolder("orvex_bench");
  if (dir.empty()) return false;
  Figures f;
  const double o = runOrvex ? SmallOrvex(w, count, dir, &f) : 0;
  const double s = runSqlite ? SmallSqlite(w, count, dir, &f) : 0;
  const double l = runLmdb ? SmallLmdb(w, count, dir, &f) : 0;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::printf("\nsmall transactions: %d inserts, each followed by a durable commit\n", count);
  std::printf("%-34s %14s %14s %14s %11s %11s\n", "(commits/s)", "Orvex", "SQLite", "LMDB", "vs SQLite",
              "vs LMDB");
  Line("insert and commit", o, s, l);
  if (!f.ok) std::printf("wrong result: %s\n", f.problem.c_str());
  std::fflush(stdout);
  return f.ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  if (argc > 1) {
    const long n = std::strtol(argv[1], nullptr, 10);
    if (n < 10 || n > 50000000) {
      std::fprintf(stderr,
                   "usage: orvex_bench [N [orvex,sqlite,lmdb,fast,durable,nosmall]]   (N from 10 up; default "
                   "200000 and 1000000)\n");
      return 2;
    }
    sizes.push_back(static_cast<int>(n));
    if (argc > 2) {
      const std::string list = argv[2];
      const bool anyEngine = list.find("orvex") != std::string::npos || list.find("sqlite") != std::string::npos ||
                             list.find("lmdb") != std::string::npos;
      if (anyEngine) {
        runOrvex = list.find("orvex") != std::string::npos;
        runSqlite = list.find("sqlite") != std::string::npos;
        runLmdb = list.find("lmdb") != std::string::npos;
      }
      if (list.find("fast") != std::string::npos || list.find("durable") != std::string::npos) {
        runFast = list.find("fast") != std::string::npos;
        runDurable = list.find("durable") != std::string::npos;
      }
      runSmall = list.find("nosmall") == std::string::npos;
    }
  } else {
    sizes = {200000, 1000000};
  }
  const char* commits = std::getenv("ORVEX_BENCH_COMMITS");
  const int smallCount = commits && *commits ? std::max(10, std::atoi(commits)) : 10000;
  std::printf("Orvex beside SQLite %s and LMDB %s\n", sqlite3_libversion(), MDB_VERSION_STRING);
  bool ok = true;
  for (int n : sizes) ok = RunSize(n) && ok;
  if (runSmall) ok = RunSmall(smallCount) && ok;
  return ok ? 0 : 1;
}
