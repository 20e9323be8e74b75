// orvex_chunk_bench: large values and compaction, Orvex beside SQLite and LMDB.
//
// Chunk write: 2,000 values of 256 KB, each appended in 4 KB pieces; chunk
// read: all of them read back in 4 KB pieces in key order; MB/s each (MB =
// 10^6 bytes). Orvex: a record {int id, chunk body} per value. SQLite: a row
// {id INTEGER PRIMARY KEY, body BLOB} inserted with zeroblob(262144), then
// written with sqlite3_blob_write and read with sqlite3_blob_read (incremental
// BLOB I/O), one transaction. LMDB: one value per record, written into the
// space mdb_put reserves (MDB_RESERVE), read from the value in place.
//
// Compaction: N records of the main benchmark's workload {int id, 32-byte
// name, double value} with every tenth record deleted; Orvex's CompactDB
// beside SQLite's VACUUM INTO of the same data; seconds for each and the two
// file sizes after. Both copies are checked (Orvex's with the independent
// checker, SQLite's by its row count).
//
// SQLite runs with synchronous=OFF and journal_mode=OFF, LMDB with
// MDB_NOSYNC, as in orvex_bench: no engine waits for the disk, except in
// compaction. A copy made by CompactDB is on the disk when it returns (its
// commit syncs it), so the VACUUM INTO it is measured against runs with
// synchronous=FULL, which makes SQLite sync its copy too; the figure of a
// VACUUM INTO that does not sync is printed beside it.
//
// usage: orvex_chunk_bench [N]   (compaction records, default 1000000)
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

using Clock = std::chrono::steady_clock;
using orvexbench::FileSize;
using orvexbench::kNameSize;
using orvexbench::Ratio;
using orvexbench::Row;

constexpr int kValues = 2000;
constexpr int kValueSize = 256 * 1024;
constexpr int kPiece = 4096;
constexpr double kMegabytes = double(kValues) * kValueSize / 1e6;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The bytes of value v: every piece differs, so a read from the wrong place
// shows.
void FillPiece(int v, int piece, uint8_t* out) {
  uint64_t x = orvexbench::Mix(static_cast<uint64_t>(v) * 100003u + static_cast<uint64_t>(piece));
  for (int i = 0; i < kPiece; i += 8) {
    std::memcpy(out + i, &x, 8);
    x = x * 6364136223846793005ull + 1442695040888963407ull;
  }
}

struct ChunkFigures {
  double writeMBs = 0, readMBs = 0;
  std::string problem;
};

// Compares a piece read back; notes the first difference.
void Verify(int v, int piece, const uint8_t* got, ChunkFigures* f) {
  uint8_t want[kPiece];
  FillPiece(v, piece, want);
  if (f->problem.empty() && std::memcmp(got, want, kPiece) != 0)
    f->problem = "value " + std::to_string(v) + " piece " + std::to_string(piece) + " reads back wrong";
}

// ---------------------------------------------------------------- chunks

ChunkFigures OrvexChunks(const std::string& dir) {
  ChunkFigures f;
  const std::string path = dir + "/chunks.orvex";
  COrvex db;
  db.CreateField("id", ORVEX_INT, 4);
  db.CreateField("body", ORVEX_CHUNK, 0);
  db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0);
  if (!db.CreateDB(path.c_str(), "chunk benchmark")) return {0, 0, db.GetErrMsg()};
  uint8_t piece[kPiece];
  auto start = Clock::now();
  for (int v = 0; v < kValues; ++v) {
    db.SetField(&v, 0);
    for (int p = 0; p < kValueSize / kPiece; ++p) {
      FillPiece(v, p, piece);
      if (!db.AppendChunk(piece, kPiece, 1)) return {0, 0, std::string("AppendChunk: ") + db.GetErrMsg()};
    }
    if (!db.Insert()) return {0, 0, std::string("Insert: ") + db.GetErrMsg()};
  }
  db.Flush();
  f.writeMBs = kMegabytes / Seconds(start);
  start = Clock::now();
  int v = 0;
  for (bool more = db.GetFirst(0); more; more = db.GetNext(0), ++v) {
    if (db.GetChunkSize(1) != kValueSize || !db.GotoChunkPos(1)) return {0, 0, "chunk size or position"};
    for (int p = 0; p < kValueSize / kPiece; ++p) {
      if (!db.GetChunk(piece, kPiece, 1)) return {0, 0, std::string("GetChunk: ") + db.GetErrMsg()};
      Verify(v, p, piece, &f);
    }
  }
  f.readMBs = kMegabytes / Seconds(start);
  if (v != kValues) f.problem = "read " + std::to_string(v) + " values";
  db.CloseDB();
  orvexfile::File file;
  std::string error;
  if (!file.Open(path, &error) || !orvexfile::Check(file).clean()) f.problem = "orvex check: not clean " + error;
  return f;
}

ChunkFigures SqliteChunks(const std::string& dir) {
  ChunkFigures f;
  sqlite3* db = nullptr;
  if (sqlite3_open((dir + "/chunks.sqlite").c_str(), &db) != SQLITE_OK) return {0, 0, "sqlite3_open"};
  sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "CREATE TABLE c(id INTEGER PRIMARY KEY, body BLOB)", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO c(id, body) VALUES (?, zeroblob(?))", -1, &ins, nullptr);
  uint8_t piece[kPiece];
  auto start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int v = 0; v < kValues; ++v) {
    sqlite3_bind_int(ins, 1, v);
    sqlite3_bind_int(ins, 2, kValueSize);
    if (sqlite3_step(ins) != SQLITE_DONE) f.problem = "insert";
    sqlite3_reset(ins);
    sqlite3_blob* blob = nullptr;
    if (sqlite3_blob_open(db, "main", "c", "body", v, 1, &blob) != SQLITE_OK) return {0, 0, "sqlite3_blob_open"};
    for (int p = 0; p < kValueSize / kPiece; ++p) {
      FillPiece(v, p, piece);
      if (sqlite3_blob_write(blob, piece, kPiece, p * kPiece) != SQLITE_OK) f.problem = "sqlite3_blob_write";
    }
    sqlite3_blob_close(blob);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(ins);
  f.writeMBs = kMegabytes / Seconds(start);
  start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_blob* blob = nullptr;
  for (int v = 0; v < kValues; ++v) {
    // One handle moved from row to row, in key order.
    const int rc = blob ? sqlite3_blob_reopen(blob, v) : sqlite3_blob_open(db, "main", "c", "body", v, 0, &blob);
    if (rc != SQLITE_OK || sqlite3_blob_bytes(blob) != kValueSize) return {0, 0, "sqlite3_blob_open for reading"};
    for (int p = 0; p < kValueSize / kPiece; ++p) {
      if (sqlite3_blob_read(blob, piece, kPiece, p * kPiece) != SQLITE_OK) f.problem = "sqlite3_blob_read";
      Verify(v, p, piece, &f);
    }
  }
  sqlite3_blob_close(blob);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  f.readMBs = kMegabytes / Seconds(start);
  sqlite3_close(db);
  return f;
}

ChunkFigures LmdbChunks(const std::string& dir) {
  ChunkFigures f;
  const std::string path = dir + "/chunks.lmdb";
  std::filesystem::create_directory(path);
  MDB_env* env = nullptr;
  mdb_env_create(&env);
  mdb_env_set_mapsize(env, size_t{kValues} * (kValueSize + 8192) + (64u << 20));
  if (mdb_env_open(env, path.c_str(), MDB_NOSYNC, 0644) != 0) {
    mdb_env_close(env);
    return {0, 0, "mdb_env_open"};
  }
  MDB_txn* txn = nullptr;
  MDB_dbi dbi = 0;
  mdb_txn_begin(env, nullptr, 0, &txn);
  mdb_dbi_open(txn, nullptr, MDB_INTEGERKEY, &dbi);
  auto start = Clock::now();
  for (int v = 0; v < kValues; ++v) {
    uint32_t id = static_cast<uint32_t>(v);
    MDB_val k{sizeof id, &id}, d{static_cast<size_t>(kValueSize), nullptr};
    if (mdb_put(txn, dbi, &k, &d, MDB_RESERVE) != 0) {
      mdb_txn_abort(txn);
      mdb_env_close(env);
      return {0, 0, "mdb_put"};
    }
    for (int p = 0; p < kValueSize / kPiece; ++p) FillPiece(v, p, static_cast<uint8_t*>(d.mv_data) + p * kPiece);
  }
  mdb_txn_commit(txn);
  f.writeMBs = kMegabytes / Seconds(start);
  start = Clock::now();
  mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
  MDB_cursor* cur = nullptr;
  mdb_cursor_open(txn, dbi, &cur);
  MDB_val k, d;
  uint8_t piece[kPiece];
  int v = 0;
  for (int rc = mdb_cursor_get(cur, &k, &d, MDB_FIRST); rc == 0; rc = mdb_cursor_get(cur, &k, &d, MDB_NEXT), ++v) {
    for (int p = 0; p < kValueSize / kPiece; ++p) {
      std::memcpy(piece, static_cast<const uint8_t*>(d.mv_data) + p * kPiece, kPiece);
      Verify(v, p, piece, &f);
    }
  }
  mdb_cursor_close(cur);
  mdb_txn_abort(txn);
  f.readMBs = kMegabytes / Seconds(start);
  if (v != kValues) f.problem = "read " + std::to_string(v) + " values";
  mdb_env_close(env);
  return f;
}

// ---------------------------------------------------------------- compaction

struct CompactFigures {
  double seconds = 0;
  double unsyncedSeconds = 0;  // SQLite: VACUUM INTO with synchronous=OFF
  long long sizeBefore = 0, sizeAfter = 0;
  std::string problem;
};

CompactFigures CompactFailed(const std::string& problem) {
  CompactFigures f;
  f.problem = problem;
  return f;
}

CompactFigures OrvexCompact(const std::vector<Row>& rows, const std::string& dir) {
  CompactFigures f;
  const std::string src = dir + "/compact.orvex", dst = dir + "/compact.copy.orvex";
  {
    COrvex db;
    db.CreateField("id", ORVEX_INT, 4);
    db.CreateField("name", ORVEX_TEXT, kNameSize);
    db.CreateField("value", ORVEX_DOUBLE, 8);
    db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0);
    db.CreateKey("name", ORVEX_KEY_DUPLICATE, 1, 1, 0, kNameSize);
    if (!db.CreateDB(src.c_str(), "benchmark")) return CompactFailed(db.GetErrMsg());
    uint8_t image[4 + kNameSize + 8];
    for (const Row& r : rows) {
      std::memcpy(image, &r.id, 4);
      std::memcpy(image + 4, r.name, kNameSize);
      std::memcpy(image + 4 + kNameSize, &r.value, 8);
      if (!db.Insert(image, 0)) return CompactFailed(db.GetErrMsg());
    }
    for (int32_t id = 0; id < static_cast<int32_t>(rows.size()); id += 10)
      if (!db.GetEqual(0, &id) || !db.Delete()) return CompactFailed(db.GetErrMsg());
  }
  f.sizeBefore = FileSize(src);
  const auto start = Clock::now();
  if (!CompactDB(src.c_str(), dst.c_str())) return CompactFailed("CompactDB failed");
  f.seconds = Seconds(start);
  f.sizeAfter = FileSize(dst);
  COrvex copy(dst.c_str(), 66);
  const int want = static_cast<int>(rows.size()) - static_cast<int>((rows.size() + 9) / 10);
  if (copy.GetRecordNum() != want) f.problem = "copy holds " + std::to_string(copy.GetRecordNum()) + " records";
  copy.CloseDB();
  orvexfile::File file;
  std::string error;
  if (!file.Open(dst, &error) || !orvexfile::Check(file).clean()) f.problem = "orvex check: copy not clean " + error;
  return f;
}

CompactFigures SqliteCompact(const std::vector<Row>& rows, const std::string& dir) {
  CompactFigures f;
  const std::string src = dir + "/compact.sqlite", dst = dir + "/compact.copy.sqlite";
  sqlite3* db = nullptr;
  if (sqlite3_open(src.c_str(), &db) != SQLITE_OK) return CompactFailed("sqlite3_open");
  sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "CREATE TABLE t(id INTEGER NOT NULL, name TEXT NOT NULL, value REAL NOT NULL)", nullptr, nullptr,
               nullptr);
  sqlite3_exec(db, "CREATE UNIQUE INDEX t_id ON t(id)", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "CREATE INDEX t_name ON t(name)", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t(id, name, value) VALUES (?, ?, ?)", -1, &ins, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (const Row& r : rows) {
    sqlite3_bind_int(ins, 1, r.id);
    sqlite3_bind_text(ins, 2, r.name, -1, SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, r.value);
    if (sqlite3_step(ins) != SQLITE_DONE) f.problem = "insert";
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(db, "DELETE FROM t WHERE id % 10 = 0", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  f.sizeBefore = FileSize(src);
  // The synced copy first, then one without sync into a fresh file.
  const std::string vacuum = "VACUUM INTO '" + dst + "'";
  for (const char* sync : {"PRAGMA synchronous=FULL", "PRAGMA synchronous=OFF"}) {
    std::filesystem::remove(dst);
    sqlite3_exec(db, sync, nullptr, nullptr, nullptr);
    const auto start = Clock::now();
    char* err = nullptr;
    if (sqlite3_exec(db, vacuum.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      f.problem = std::string("VACUUM INTO: ") + (err ? err : "?");
      sqlite3_free(err);
    }
    (f.seconds == 0 ? f.seconds : f.unsyncedSeconds) = Seconds(start);
  }
  sqlite3_close(db);
  f.sizeAfter = FileSize(dst);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  int n = 1000000;
  if (argc > 1) {
    n = static_cast<int>(std::strtol(argv[1], nullptr, 10));
    if (n < 10 || n > 20000000) {
      std::fprintf(stderr, "usage: orvex_chunk_bench [N]   (compaction records, default 1000000)\n");
      return 2;
    }
  }
  const std::string dir = orvexbench::MakeBenchFolder("orvex_chunk_bench");
  if (dir.empty()) {
    std::fprintf(stderr, "orvex_chunk_bench: cannot make a temporary folder\n");
    return 1;
  }
  std::printf("Orvex beside SQLite %s and LMDB %s: chunks and compaction\n", sqlite3_libversion(), MDB_VERSION_STRING);
  std::fflush(stdout);

  const ChunkFigures o = OrvexChunks(dir);
  const ChunkFigures s = SqliteChunks(dir);
  const ChunkFigures l = LmdbChunks(dir);
  std::printf("\n%d values of %d KB in %d-byte pieces (%.0f MB)\n", kValues, kValueSize / 1024, kPiece, kMegabytes);
  std::printf("%-26s %10s %10s %10s %10s %10s\n", "phase (MB/s)", "Orvex", "SQLite", "LMDB", "vs SQLite", "vs LMDB");
  std::printf("%-26s %10.0f %10.0f %10.0f %10s %10s\n", "chunk write", o.writeMBs, s.writeMBs, l.writeMBs,
              Ratio(o.writeMBs, s.writeMBs).c_str(), Ratio(o.writeMBs, l.writeMBs).c_str());
  std::printf("%-26s %10.0f %10.0f %10.0f %10s %10s\n", "chunk read, key order", o.readMBs, s.readMBs, l.readMBs,
              Ratio(o.readMBs, s.readMBs).c_str(), Ratio(o.readMBs, l.readMBs).c_str());
  std::fflush(stdout);
  std::error_code ec;
  for (const char* name : {"/chunks.orvex", "/chunks.sqlite", "/chunks.lmdb"})
    std::filesystem::remove_all(dir + name, ec);

  const std::vector<Row> rows = orvexbench::ShuffledRows(n);
  const CompactFigures oc = OrvexCompact(rows, dir);
  const CompactFigures sc = SqliteCompact(rows, dir);
  std::printf("\ncompaction of %d records {int id, 32-byte name, double value}, every tenth deleted\n", n);
  std::printf("%-44s %12s %12s %10s\n", "", "Orvex", "SQLite", "vs SQLite");
  std::printf("%-44s %12.2f %12.2f %10s\n", "seconds, copy synced (CompactDB, VACUUM INTO)", oc.seconds, sc.seconds,
              Ratio(sc.seconds, oc.seconds).c_str());
  std::printf("%-44s %12.2f %12.2f %10s\n", "seconds, VACUUM INTO not synced", oc.seconds, sc.unsyncedSeconds,
              Ratio(sc.unsyncedSeconds, oc.seconds).c_str());
  std::printf("%-44s %12lld %12lld %10s\n", "file size before (bytes)", oc.sizeBefore, sc.sizeBefore,
              Ratio(double(oc.sizeBefore), double(sc.sizeBefore)).c_str());
  std::printf("%-44s %12lld %12lld %10s\n", "file size after (bytes)", oc.sizeAfter, sc.sizeAfter,
              Ratio(double(oc.sizeAfter), double(sc.sizeAfter)).c_str());
  std::printf("(MB/s ratios: Orvex over the peer; seconds: the peer's time over Orvex's, above 1 when Orvex is "
              "faster; sizes: Orvex bytes over SQLite's)\n");
  std::filesystem::remove_all(dir, ec);

  bool ok = true;
  for (const auto& [name, problem] : {std::pair{"Orvex chunks", &o.problem}, std::pair{"SQLite chunks", &s.problem},
                                       std::pair{"LMDB chunks", &l.problem}, std::pair{"Orvex compaction", &oc.problem},
                                       std::pair{"SQLite compaction", &sc.problem}}) {
    if (!problem->empty()) {
      std::printf("%s: wrong result: %s\n", name, problem->c_str());
      ok = false;
    }
  }
  if (oc.problem.empty()) std::printf("Orvex's copy: orvex check clean\n");
  return ok ? 0 : 1;
}
