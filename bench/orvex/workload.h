// What the Orvex benchmarks share: the record workload {int id, 32-byte text
// name with about N/4 distinct values, double value}, made the same way by
// each, their temporary folder and the figures' formatting.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace orvexbench {

constexpr int kNameSize = 32;

struct Row {
  int32_t id;
  char name[kNameSize];  // NUL-terminated, 31 characters
  double value;
};

inline uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// The name of record id among `distinct` names.
inline void NameOf(int32_t id, int distinct, char* out) {
  const uint32_t idx = static_cast<uint32_t>(Mix(static_cast<uint64_t>(id)) % static_cast<uint64_t>(distinct));
  std::snprintf(out, kNameSize, "name-%010u-", idx);
  // Pad to 31 characters with letters that depend on the name, so records
  // with one name share all 31 bytes.
  for (int i = 16; i < kNameSize - 1; ++i) out[i] = static_cast<char>('a' + (idx + i * 7) % 26);
  out[kNameSize - 1] = '\0';
}

inline double ValueOf(int32_t id) { return static_cast<double>(id) * 0.25 + 1.0; }

// The n records of ids 0..n-1 in a fixed random order, as the benchmarks
// insert them.
inline std::vector<Row> ShuffledRows(int n) {
  std::vector<Row> rows(static_cast<size_t>(n));
  std::vector<int32_t> ids(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) ids[static_cast<size_t>(i)] = i;
  std::shuffle(ids.begin(), ids.end(), std::mt19937_64(20261208));
  for (int i = 0; i < n; ++i) {
    Row& r = rows[static_cast<size_t>(i)];
    r.id = ids[static_cast<size_t>(i)];
    NameOf(r.id, n / 4 > 1 ? n / 4 : 1, r.name);
    r.value = ValueOf(r.id);
  }
  return rows;
}

// A new folder for a benchmark's files under $TMPDIR, else /tmp, named after
// prefix; empty when none can be made.
inline std::string MakeBenchFolder(const char* prefix) {
  const char* base = std::getenv("TMPDIR");
  for (const std::string& root : {std::string(base && *base ? base : "/tmp"), std::string("/tmp")}) {
    const std::string pattern = root + "/" + prefix + "_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (const char* made = mkdtemp(buf.data())) return made;
  }
  return std::string();
}

inline long long FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// A ratio a/b as "1.23x", or "-" when an engine did not run.
inline std::string Ratio(double a, double b) {
  if (a <= 0 || b <= 0) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2fx", a / b);
  return buf;
}

}  // namespace orvexbench
