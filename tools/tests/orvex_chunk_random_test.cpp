// Randomized test of chunk storage and compaction against an in-memory model.
//
// Records {id, tag, body chunk, note chunk} are inserted, updated and deleted
// at random; chunk values of random sizes (0 to a few hundred KB) are appended
// in random pieces, sometimes through a record image that carries another
// record's chunk reference, and read back in random pieces. Updates that
// clash with a unique key must leave the record and its chunks as they were.
// The file checks clean (independent checker) after flushes and at the end;
// in the middle of the run the file is compacted, the copy is checked and
// compared with the model, and the run goes on in the copy. Seeds are fixed;
// ORVEX_RANDOM_SEED overrides them, ORVEX_CHUNK_RANDOM_OPS lengthens the run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "orvex.h"
#include "orvexcheck.h"
#include "orvexfile.h"
#include "tool_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kId = 0, kTag = 1, kBody = 2, kNote = 3;
constexpr int kTagSize = 12;
constexpr int kRecordLength = 4 + kTagSize + 8 + 8;

// A chunk value is known by its seed and size; its bytes are made again
// whenever they are needed, so the model stays small.
struct Value {
  uint32_t seed = 0;
  int size = 0;
  Bytes Make() const {
    Bytes b(static_cast<size_t>(size));
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& c : b) {
      x = x * 1664525u + 1013904223u;
      c = static_cast<uint8_t>(x >> 24);
    }
    return b;
  }
};

struct Rec {
  std::string tag;
  Value body, note;
};

class ChunkRun {
 public:
  ChunkRun(uint64_t seed, std::string dir) : rng_(seed), dir_(std::move(dir)) {}

  void Create(const std::string& path) {
    path_ = path;
    ASSERT_TRUE(db_.CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(db_.CreateField("tag", ORVEX_TEXT, kTagSize));
    ASSERT_TRUE(db_.CreateField("body", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db_.CreateField("note", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db_.CreateKey("id", 2, kId, 0, 0, 0));
    ASSERT_TRUE(db_.CreateKey("tag", 1, kTag, 1, 0, 0));
    ASSERT_TRUE(db_.CreateDB(path_.c_str(), "chunks")) << db_.GetErrMsg();
  }

  void Run(int ops) {
    for (op_ = 0; op_ < ops && !::testing::Test::HasFailure(); ++op_) {
      const int live = static_cast<int>(model_.size());
      const int pick = Uniform(0, 99);
      if (pick < (live < 60 ? 40 : 20)) {
        OpInsert();
      } else if (pick < 60) {
        OpUpdate();
      } else if (pick < 75) {
        OpDelete();
      } else {
        OpRead();
      }
      if (op_ % 200 == 199) FlushAndCheck();
      if (op_ == ops / 2) CompactAndContinue();
    }
  }

  void Finish() {
    if (::testing::Test::HasFailure()) return;
    VerifyAll();
    db_.CloseDB();
    CheckFile();
    std::printf("chunk run: %d inserts, %d updates (%d refused), %d deletes, %d reads, %lld bytes appended, "
                "%zu records at the end\n",
                inserts_, updates_, refused_, deletes_, reads_, appended_, model_.size());
  }

 private:
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Uniform(0, 99) < percent; }

  Value RandomValue() {
    Value v;
    v.seed = static_cast<uint32_t>(rng_());
    const int kind = Uniform(0, 9);
    v.size = kind < 2 ? 0 : kind < 6 ? Uniform(1, 2000) : kind < 9 ? Uniform(2000, 60000) : Uniform(60000, 400000);
    return v;
  }

  // Appends v to field f in random pieces (an empty value: one empty piece,
  // or nothing at all when the caller leaves the field alone).
  void Append(int f, const Value& v) {
    const Bytes b = v.Make();
    if (b.empty()) {
      ASSERT_TRUE(db_.AppendChunk(nullptr, 0, f));
      return;
    }
    for (size_t at = 0; at < b.size();) {
      const int piece = Chance(50) ? Uniform(1, 64) : Uniform(1, 70000);
      const int n = static_cast<int>(std::min(b.size() - at, static_cast<size_t>(piece)));
      ASSERT_TRUE(db_.AppendChunk(b.data() + at, n, f)) << db_.GetErrMsg();
      at += static_cast<size_t>(n);
    }
    appended_ += v.size;
  }

  std::string RandomTag() { return std::string(1, static_cast<char>('a' + Uniform(0, 7))); }

  // A record image: id and tag; the chunk references are those of another
  // live record when there is one (they must not be taken over).
  Bytes Image(int id, const std::string& tag) {
    Bytes image(kRecordLength, 0);
    std::memcpy(image.data(), &id, 4);
    std::memcpy(image.data() + 4, tag.data(), tag.size());
    if (!model_.empty() && Chance(50)) {
      const int other = RandomLive();
      Bytes theirs(kRecordLength);
      if (!db_.GetEqual(kId, &other, theirs.data())) ADD_FAILURE() << "record " << other << " not found";
      std::memcpy(image.data() + 16, theirs.data() + 16, 16);
    }
    return image;
  }

  int RandomLive() {
    auto it = model_.begin();
    std::advance(it, Uniform(0, static_cast<int>(model_.size()) - 1));
    return it->first;
  }

  void OpInsert() {
    const int id = nextId_++;
    Rec r;
    r.tag = RandomTag();
    const bool viaImage = Chance(40);
    Bytes image;
    if (viaImage) {
      image = Image(id, r.tag);
      if (::testing::Test::HasFailure()) return;
    }
    if (Chance(70)) {
      r.body = RandomValue();
      Append(kBody, r.body);
    }
    if (Chance(40)) {
      r.note = RandomValue();
      Append(kNote, r.note);
    }
    if (::testing::Test::HasFailure()) return;
    bool ok;
    if (viaImage) {
      ok = db_.Insert(image.data(), kRecordLength);
    } else {
      char tag[kTagSize] = {};
      std::memcpy(tag, r.tag.data(), r.tag.size());
      ok = db_.SetField(&id, kId) && db_.SetField(tag, kTag) && db_.Insert();
    }
    ASSERT_TRUE(ok) << "insert " << id << ": " << db_.GetErrMsg();
    model_[id] = r;
    ++inserts_;
  }

  void OpUpdate() {
    if (model_.empty()) return;
    const int id = RandomLive();
    ASSERT_TRUE(db_.GetEqual(kId, &id));
    Rec next = model_[id];
    const bool clash = model_.size() > 1 && Chance(15);
    int newId = id;
    if (clash) {
      do newId = RandomLive(); while (newId == id);
    }
    if (Chance(30)) next.tag = RandomTag();
    if (Chance(50)) {
      next.body = RandomValue();
      Append(kBody, next.body);
    }
    if (Chance(30)) {
      next.note = RandomValue();
      Append(kNote, next.note);
    }
    if (::testing::Test::HasFailure()) return;
    bool ok;
    if (Chance(40)) {
      Bytes image = Image(newId, next.tag);
      if (::testing::Test::HasFailure()) return;
      ASSERT_TRUE(db_.GetEqual(kId, &id));  // Image may have moved the position
      ok = db_.Update(image.data(), kRecordLength);
    } else {
      char tag[kTagSize] = {};
      std::memcpy(tag, next.tag.data(), next.tag.size());
      ok = db_.SetField(&newId, kId) && db_.SetField(tag, kTag) && db_.Update();
    }
    ++updates_;
    if (clash) {
      ASSERT_FALSE(ok) << "update of " << id << " to the id of another record";
      ++refused_;
      return;  // the record keeps what it had
    }
    ASSERT_TRUE(ok) << "update " << id << ": " << db_.GetErrMsg();
    model_[id] = next;
  }

  void OpDelete() {
    if (model_.empty()) return;
    const int id = RandomLive();
    ASSERT_TRUE(db_.GetEqual(kId, &id));
    ASSERT_TRUE(db_.Delete()) << db_.GetErrMsg();
    model_.erase(id);
    ++deletes_;
  }

  void ExpectChunk(int id, int f, const Value& v) {
    ASSERT_EQ(db_.GetChunkSize(f), v.size) << "record " << id << " field " << f;
    if (v.size == 0) {
      EXPECT_FALSE(db_.GotoChunkPos(f));
      return;
    }
    ASSERT_TRUE(db_.GotoChunkPos(f)) << db_.GetErrMsg();
    const Bytes want = v.Make();
    Bytes got(want.size());
    for (size_t at = 0; at < got.size();) {
      const int n = static_cast<int>(std::min(got.size() - at, static_cast<size_t>(Uniform(1, 90000))));
      ASSERT_TRUE(db_.GetChunk(got.data() + at, n, f)) << db_.GetErrMsg();
      at += static_cast<size_t>(n);
    }
    ASSERT_TRUE(got == want) << "record " << id << " field " << f << " size " << v.size;
    uint8_t extra;
    EXPECT_FALSE(db_.GetChunk(&extra, 1, f));  // nothing past the value
  }

  void ExpectRecord(int id, const Rec& r) {
    char tag[kTagSize + 1] = {};
    ASSERT_TRUE(db_.GetField(tag, kTag));
    ASSERT_EQ(std::string(tag), r.tag) << "record " << id;
    ExpectChunk(id, kBody, r.body);
    ExpectChunk(id, kNote, r.note);
  }

  void OpRead() {
    if (model_.empty()) return;
    const int id = RandomLive();
    ASSERT_TRUE(db_.GetEqual(kId, &id));
    ExpectRecord(id, model_[id]);
    ++reads_;
  }

  void VerifyAll() {
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(model_.size()));
    auto it = model_.begin();
    for (bool more = db_.GetFirst(kId); more; more = db_.GetNext(kId), ++it) {
      ASSERT_NE(it, model_.end());
      int id;
      ASSERT_TRUE(db_.GetField(&id, kId));
      ASSERT_EQ(id, it->first);
      ExpectRecord(id, it->second);
      if (::testing::Test::HasFailure()) return;
    }
    ASSERT_EQ(it, model_.end());
  }

  void CheckFile() { ASSERT_TRUE(orvextest::ChecksClean(path_)) << "operation " << op_; }

  void FlushAndCheck() {
    db_.Flush();
    CheckFile();
  }

  void CompactAndContinue() {
    db_.Flush();
    const std::string copy = dir_ + "/copy.db";
    ASSERT_TRUE(CompactDB(path_.c_str(), copy.c_str()));
    db_.CloseDB();
    CheckFile();
    path_ = copy;
    CheckFile();
    ASSERT_TRUE(db_.OpenDB(path_.c_str(), 66)) << db_.GetErrMsg();
    VerifyAll();
  }

  std::mt19937_64 rng_;
  std::string dir_;
  std::string path_;
  COrvex db_;
  std::map<int, Rec> model_;
  int nextId_ = 1;
  int op_ = 0;
  int inserts_ = 0, updates_ = 0, refused_ = 0, deletes_ = 0, reads_ = 0;
  long long appended_ = 0;
};

uint64_t Seed(uint64_t fallback) {
  const char* s = std::getenv("ORVEX_RANDOM_SEED");
  return s ? std::strtoull(s, nullptr, 10) : fallback;
}

}  // namespace

TEST(OrvexChunkRandom, ChunksUpdatesDeletesAndCompactionAgainstAModel) {
  const std::string dir = ::testing::TempDir() + "orvex_chunk_random_" + std::to_string(getpid());
  std::string mk = "mkdir -p " + dir;
  ASSERT_EQ(std::system(mk.c_str()), 0);
  const char* ops = std::getenv("ORVEX_CHUNK_RANDOM_OPS");
  ChunkRun run(Seed(4004), dir);
  run.Create(dir + "/chunks.db");
  run.Run(ops ? std::atoi(ops) : 3000);
  run.Finish();
  std::string rm = "rm -rf " + dir;
  std::system(rm.c_str());
}
