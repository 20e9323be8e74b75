// Helpers shared by the engine's tests: temporary folders, raw file bytes,
// the in-memory file system (mem_fs.h), and the small tables most tests
// build.
#ifndef ORVEX_TESTS_TEST_UTIL_H_
#define ORVEX_TESTS_TEST_UTIL_H_

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

#include "io/file.h"
#include "mem_fs.h"
#include "orvex.h"

namespace orvex_test {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/orvex_test_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline int32_t Le32(const std::vector<uint8_t>& b, size_t off) {
  int32_t v;
  std::memcpy(&v, b.data() + off, 4);
  return v;
}
inline int16_t Le16(const std::vector<uint8_t>& b, size_t off) {
  int16_t v;
  std::memcpy(&v, b.data() + off, 2);
  return v;
}
inline void Put32(std::vector<uint8_t>& b, size_t off, int32_t v) { std::memcpy(b.data() + off, &v, 4); }
inline void Put16(std::vector<uint8_t>& b, size_t off, int16_t v) { std::memcpy(b.data() + off, &v, 2); }

// The common test table: id int (unique key 0), name text 32 (duplicates
// allowed, key 1), value double.
template <class Db>
bool DefinePeople(Db& db) {
  return db.CreateField("id", ORVEX_INT, 0) && db.CreateField("name", ORVEX_TEXT, 32) &&
         db.CreateField("value", ORVEX_DOUBLE, 0) && db.CreateKey("id", 2, 0, 0, 0, 0) &&
         db.CreateKey("name", 1, 1, 1, 0, 0);
}

// Db: COrvex, or the orvex::Table behind it.
template <class Db>
bool AddPerson(Db& db, int id, const char* name, double value) {
  char text[32] = {};
  std::strncpy(text, name, 31);
  return db.SetField(&id, 0) && db.SetField(text, 1) && db.SetField(&value, 2) && db.Insert(nullptr, 0);
}

inline int CurrentId(COrvex& db) {
  int id = -1;
  db.GetField(&id, 0);
  return id;
}

}  // namespace orvex_test

#endif  // ORVEX_TESTS_TEST_UTIL_H_
