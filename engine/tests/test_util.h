// Helpers shared by the engine's tests: temporary folders, raw file bytes,
// an in-memory file system that can fail writes or shorten reads, and the
// small tables most tests build.
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

// An in-memory file system. Writes can be made to fail after a number of
// successful ones, and reads can be cut short.
class MemFs : public orvex::FileSystem {
 public:
  struct Data {
    std::vector<uint8_t> bytes;
    uint64_t id;
  };
  int writesLeft = -1;      // -1: never fail
  int64_t shortReadAt = -1;  // reads stop at this file offset when >= 0

  std::unique_ptr<orvex::File> Open(const char* path, int mode) override;
  std::vector<uint8_t>& Bytes(const std::string& path) { return files_[path]->bytes; }
  bool Exists(const std::string& path) const { return files_.count(path) != 0; }

 private:
  std::map<std::string, std::shared_ptr<Data>> files_;
  uint64_t nextId_ = 1;
};

class MemFile : public orvex::File {
 public:
  MemFile(MemFs* fs, std::shared_ptr<MemFs::Data> d, bool writable) : fs_(fs), d_(std::move(d)), writable_(writable) {}
  int64_t Read(int64_t offset, void* buf, size_t n) override {
    int64_t end = static_cast<int64_t>(d_->bytes.size());
    if (fs_->shortReadAt >= 0 && fs_->shortReadAt < end) end = fs_->shortReadAt;
    if (offset >= end) return 0;
    size_t take = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), end - offset));
    std::memcpy(buf, d_->bytes.data() + offset, take);
    return static_cast<int64_t>(take);
  }
  bool Write(int64_t offset, const void* buf, size_t n) override {
    if (!writable_) return false;
    if (fs_->writesLeft == 0) return false;
    if (fs_->writesLeft > 0) --fs_->writesLeft;
    if (d_->bytes.size() < offset + n) d_->bytes.resize(offset + n);
    std::memcpy(d_->bytes.data() + offset, buf, n);
    return true;
  }
  int64_t Size() override { return static_cast<int64_t>(d_->bytes.size()); }
  orvex::FileIdentity Identity() override {
    orvex::FileIdentity id;
    id.device = 0xfeed;
    id.inode = d_->id;
    id.valid = true;
    return id;
  }
  bool Writable() const override { return writable_; }

 private:
  MemFs* fs_;
  std::shared_ptr<MemFs::Data> d_;
  bool writable_;
};

inline std::unique_ptr<orvex::File> MemFs::Open(const char* path, int mode) {
  auto it = files_.find(path);
  if (it == files_.end()) {
    if (!(mode & orvex::kModeCreate)) return nullptr;
    auto d = std::make_shared<Data>();
    d->id = nextId_++;
    it = files_.emplace(path, d).first;
  } else if ((mode & orvex::kModeCreate) && !(mode & orvex::kModeNoTruncate)) {
    it->second->bytes.clear();
  }
  return std::make_unique<MemFile>(this, it->second, (mode & 3) != 0);
}

// The common test table: id int (unique key 0), name text 32 (duplicates
// allowed, key 1), value double.
inline bool DefinePeople(COrvex& db) {
  return db.CreateField("id", ORVEX_INT, 0) && db.CreateField("name", ORVEX_TEXT, 32) &&
         db.CreateField("value", ORVEX_DOUBLE, 0) && db.CreateKey("id", 2, 0, 0, 0, 0) &&
         db.CreateKey("name", 1, 1, 1, 0, 0);
}

inline bool AddPerson(COrvex& db, int id, const char* name, double value) {
  char text[32] = {};
  std::strncpy(text, name, 31);
  return db.SetField(&id, 0) && db.SetField(text, 1) && db.SetField(&value, 2) && db.Insert();
}

inline int CurrentId(COrvex& db) {
  int id = -1;
  db.GetField(&id, 0);
  return id;
}

}  // namespace orvex_test

#endif  // ORVEX_TESTS_TEST_UTIL_H_
