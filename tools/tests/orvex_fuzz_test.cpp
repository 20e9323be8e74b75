// Mutation fuzzer of the engine: sound files of several schemas are damaged
// (bit flips; boundary values at random places and at the places that hold
// node counts, links, tags, free-list links, header counts and roots;
// truncation; extension), and every mutant is opened, walked over every key
// in both directions and in every flavour, sought, changed by a few inserts,
// updates and deletes, flushed, closed and opened again, in a forked child
// with a time limit.
//
// A mutant fails the run when the child crashes, runs out of time, prints a
// sanitizer report, or leaves a file that the engine no longer opens (after
// having opened it), or when `orvex check` finds damage after the operations
// that it did not find before them: damage may stay, it may not spread. The
// child also compacts the mutant: a compaction may fail, leaving no copy,
// or make a copy that `orvex check` finds clean, never a damaged copy.
//
// ORVEX_FUZZ_MUTANTS=n runs n mutants (a hundred by default, a few
// seconds); ORVEX_FUZZ_SEED=s starts from another seed; ORVEX_FUZZ_ONLY=i
// runs mutant i alone and keeps its files in ORVEX_FUZZ_KEEP (a folder).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "orvex.h"
#include "orvexcheck.h"
#include "orvexfile.h"

namespace {

namespace of = orvexfile;
using Bytes = std::vector<uint8_t>;

constexpr int kOpenMode = 66;  // read-write, deny none

// Exit codes of a child.
constexpr int kChildDone = 0;
constexpr int kChildRefused = 3;    // the engine refused the mutant at open
constexpr int kChildLostFile = 4;   // opened before the operations, refused after

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* s = std::getenv(name);
  return s && *s ? std::strtoull(s, nullptr, 10) : fallback;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// ---------------------------------------------------------------- base files

struct FieldDef {
  const char* name;
  int type;
  int size;
  int domain;  // numbers: values in [-domain, domain]; text: letters used
};

struct KeyDef {
  const char* name;
  int attribute;
  // (field, mode, start, length) per part
  std::vector<std::array<int, 4>> parts;
};

struct BaseDef {
  const char* name;
  bool trimmed;
  std::vector<FieldDef> fields;
  std::vector<KeyDef> keys;
  int records;
};

const char kLetters[] = "aAbBcC_zZ~q";

class Values {
 public:
  explicit Values(uint64_t seed) : rng_(seed) {}
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  std::mt19937_64& rng() { return rng_; }

  // A value for a field, as SetFieldStr takes it.
  std::string Text(int type, int size, int domain) {
    switch (type) {
      case ORVEX_SHORT: case ORVEX_INT: case ORVEX_BOOL:
        return std::to_string(Uniform(-domain, domain));
      case ORVEX_FLOAT: case ORVEX_DOUBLE:
        return std::to_string(Uniform(-domain, domain) / 4.0);
      case ORVEX_TEXT: {
        std::string s;
        const int len = Uniform(0, std::min(size, 12));
        for (int i = 0; i < len; ++i) s.push_back(kLetters[Uniform(0, std::max(1, domain) - 1)]);
        return s;
      }
      default:
        return "";
    }
  }

 private:
  std::mt19937_64 rng_;
};

bool DefineBase(COrvex& db, const BaseDef& def) {
  for (const FieldDef& f : def.fields)
    if (!db.CreateField(f.name, f.type, f.size)) return false;
  for (const KeyDef& k : def.keys) {
    if (k.parts.size() == 1) {
      const auto& p = k.parts[0];
      if (!db.CreateKey(k.name, k.attribute, p[0], p[1], p[2], p[3])) return false;
      continue;
    }
    KEY_INFO info;
    std::memset(&info, 0, sizeof info);
    std::snprintf(info.keyName, sizeof info.keyName, "%s", k.name);
    for (size_t i = 0; i < k.parts.size(); ++i) {
      info.fieldNo[i] = static_cast<short>(k.parts[i][0]);
      info.compareMode[i] = static_cast<short>(k.parts[i][1]);
      info.start[i] = static_cast<short>(k.parts[i][2]);
      info.length[i] = static_cast<short>(k.parts[i][3]);
    }
    info.fieldNum = static_cast<short>(k.parts.size());
    info.attribute = static_cast<short>(k.attribute);
    if (!db.CreateKey(info)) return false;
  }
  db.EnableTrimRecord(def.trimmed);
  return true;
}

// Builds a sound file: the records, then a quarter of them deleted in random
// order and some inserted again, so that the free lists hold blocks.
Bytes BuildBase(const BaseDef& def, const std::string& path, uint64_t seed) {
  std::remove(path.c_str());
  COrvex db;
  if (!DefineBase(db, def) || !db.CreateDB(path.c_str(), def.name)) {
    ADD_FAILURE() << def.name << ": " << db.GetErrMsg();
    return {};
  }
  Values v(seed);
  std::vector<uint8_t> chunk(600);
  auto add = [&](int n) {
    for (int i = 0; i < n; ++i) {
      for (size_t f = 0; f < def.fields.size(); ++f) {
        const FieldDef& fd = def.fields[f];
        if (fd.type == ORVEX_CHUNK) {
          // Most records get a chunk, some of several pieces.
          for (int piece = v.Uniform(0, 3); piece > 0; --piece) {
            for (uint8_t& c : chunk) c = static_cast<uint8_t>(v.rng()());
            db.AppendChunk(chunk.data(), v.Uniform(1, 600), static_cast<int>(f));
          }
          continue;
        }
        if (fd.type == ORVEX_AUTOINC) continue;
        db.SetFieldStr(v.Text(fd.type, fd.size, fd.domain).c_str(), static_cast<int>(f));
      }
      db.Insert();  // a unique key may refuse it: that is fine
    }
  };
  add(def.records);
  std::vector<int> offsets;
  for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) offsets.push_back(db.GetCurRec(0));
  std::shuffle(offsets.begin(), offsets.end(), v.rng());
  offsets.resize(offsets.size() / 4);
  for (int off : offsets) {
    db.SetCurRec(off);
    if (!db.Delete()) ADD_FAILURE() << def.name << ": delete while building: " << db.GetErrMsg();
  }
  add(def.records / 10);
  db.CloseDB();
  of::File file;
  std::string error;
  EXPECT_TRUE(file.Open(path, &error)) << error;
  const of::CheckReport r = of::Check(file);
  EXPECT_TRUE(r.clean()) << def.name << ": the base file is not clean";
  return ReadFile(path);
}

const std::vector<BaseDef>& Bases() {
  static const std::vector<BaseDef> bases = {
      // Trimmed records: auto-increment key 0, a case-insensitive text with
      // long chains, a slice, double, bool, short unique, float and a
      // multi-field key; a chunk field and a text that no key uses.
      {"trimmed", true,
       {{"id", ORVEX_AUTOINC, 4, 0},
        {"name", ORVEX_TEXT, 20, 4},
        {"score", ORVEX_DOUBLE, 8, 40},
        {"active", ORVEX_BOOL, 1, 1},
        {"code", ORVEX_SHORT, 2, 30000},
        {"weight", ORVEX_FLOAT, 4, 300},
        {"note", ORVEX_TEXT, 40, 11},
        {"blob", ORVEX_CHUNK, 8, 0}},
       {{"name", 1, {{1, 2, 0, 0}}},
        {"score", 1, {{2, 0, 0, 0}}},
        {"active", 1, {{3, 0, 0, 0}}},
        {"code", 2, {{4, 0, 0, 0}}},
        {"slice", 1, {{1, 1, 2, 3}}},
        {"weight", 1, {{5, 0, 0, 0}}},
        {"act_name", 1, {{3, 0, 0, 0}, {1, 2, 0, 4}}}},
       2400},
      // Fixed records, a text first (so a record's first bytes are a text),
      // unique int, float, short, a slice past its field and a unique
      // multi-field key.
      {"fixed", false,
       {{"t", ORVEX_TEXT, 8, 6},
        {"n", ORVEX_INT, 4, 100000},
        {"f", ORVEX_FLOAT, 4, 60},
        {"s", ORVEX_SHORT, 2, 25},
        {"b", ORVEX_BOOL, 1, 1},
        {"d", ORVEX_DOUBLE, 8, 1000}},
       {{"n", 2, {{1, 0, 0, 0}}},
        {"t", 1, {{0, 1, 0, 8}}},
        {"f", 1, {{2, 0, 0, 0}}},
        {"s", 1, {{3, 0, 0, 0}}},
        {"pastend", 1, {{0, 2, 5, 6}}},
        {"s_b_d", 2, {{3, 0, 0, 0}, {4, 0, 0, 0}, {5, 0, 0, 0}}}},
       2000},
      // Multi-field keys of every part type, unique and duplicate, and an
      // auto-increment field defined after the keys.
      {"multi", true,
       {{"a", ORVEX_INT, 4, 300},
        {"b", ORVEX_TEXT, 12, 5},
        {"c", ORVEX_DOUBLE, 8, 12},
        {"d", ORVEX_SHORT, 2, 6},
        {"e", ORVEX_BOOL, 1, 1},
        {"g", ORVEX_TEXT, 5, 11},
        {"f", ORVEX_FLOAT, 4, 20},
        {"auto", ORVEX_AUTOINC, 4, 0}},
       {{"a_b", 2, {{0, 0, 0, 0}, {1, 2, 0, 3}}},
        {"c_d_e", 1, {{2, 0, 0, 0}, {3, 0, 0, 0}, {4, 0, 0, 0}}},
        {"b_g", 1, {{1, 1, 0, 12}, {5, 2, 0, 5}}},
        {"e_f_g", 1, {{4, 0, 0, 0}, {6, 0, 0, 0}, {5, 1, 1, 3}}}},
       1500},
  };
  return bases;
}

// ---------------------------------------------------------------- places

// A place of a structure in a file: where a value lies and how wide it is.
struct Place {
  int64_t at;
  int width;
};

// The places worth damaging in a sound file, found with the independent
// reader: node counts, links, record offsets and key slots; duplicate-node
// tags and links; free-list links and trimmed lengths; the header's counts,
// roots and heads. Also the offsets of blocks, as values a damaged link may
// take.
struct Map {
  std::vector<Place> places;
  std::vector<int32_t> blocks;
};

Map MapFile(const Bytes& bytes) {
  Map m;
  of::File f;
  f.Assign(bytes);
  of::Header h;
  std::vector<of::Violation> problems;
  if (!of::ReadHeader(f, &h, &problems)) return m;
  for (int at : {32, 36, 4648, 15250, 15372, 15376, 15452}) m.places.push_back({at, at == 4648 || at == 15250 ? 2 : 4});
  m.places.push_back({15380, 2});
  for (size_t k = 0; k < h.keys.size(); ++k) {
    for (int table : {15252, 15292, 15332}) m.places.push_back({table + 4 * static_cast<int>(k), 4});
    m.places.push_back({15230 + 2 * static_cast<int>(k), 2});
    m.places.push_back({4970 + 2 * static_cast<int>(k), 2});
  }
  for (size_t i = 0; i < h.fields.size(); ++i) m.places.push_back({4392 + 2 * static_cast<int>(i), 2});
  std::vector<int32_t> seenDup;
  for (const of::Key& key : h.keys) {
    if (!key.usable || key.root == -1) continue;
    std::vector<int32_t> todo{key.root};
    int visited = 0;
    while (!todo.empty() && visited < 20000) {
      const int32_t n = todo.back();
      todo.pop_back();
      if (!f.Contains(n, key.nodeSize)) continue;
      ++visited;
      m.blocks.push_back(n);
      const int count = f.I32(n);
      if (count < 1 || count > 200) continue;
      for (int off : {0, 1612, 1616, 1620, 1624}) m.places.push_back({n + off, 4});
      const bool leaf = f.I32(n + 4) == -1;
      for (int i = 0; i < count; ++i) {
        m.places.push_back({n + 4 + 4 * i, 4});
        m.places.push_back({n + key.keysStart + static_cast<int64_t>(i) * key.slotSize, std::min(key.slotSize, 8)});
        if (!leaf) {
          todo.push_back(f.I32(n + 4 + 4 * i));
          continue;
        }
        const int32_t rec = f.I32(n + 808 + 4 * i);
        m.places.push_back({n + 808 + 4 * i, 4});
        if (rec < of::kHeaderSize || !f.Contains(rec, 24)) continue;
        if (std::memcmp(f.data() + rec, "fDUPKEY", 7) != 0) {
          m.blocks.push_back(rec);
          m.places.push_back({rec, h.trimmed() ? 2 : 4});
          m.places.push_back({rec + (h.trimmed() ? 2 : 0), 4});
          continue;
        }
        for (int32_t d = rec, steps = 0; d != -1 && f.Contains(d, 24) && steps < 100000; d = f.I32(d + 12), ++steps) {
          if (seenDup.size() < 200000) seenDup.push_back(d);
          m.blocks.push_back(d);
          m.places.push_back({d, 8});
          for (int off : {8, 12, 16, 20}) m.places.push_back({d + off, 4});
          const int32_t r = f.I32(d + 8);
          if (f.Contains(r, 4)) m.blocks.push_back(r);
        }
      }
    }
  }
  int steps = 0;
  for (int32_t b = h.recordFree; b > 0 && f.Contains(b, 6) && steps < 100000; ++steps) {
    m.blocks.push_back(b);
    if (h.trimmed()) m.places.push_back({b, 2});
    const int64_t link = b + (h.trimmed() ? 2 : 0);
    m.places.push_back({link, 4});
    b = f.I32(link);
  }
  steps = 0;
  for (int32_t b = h.dupFree; b > 0 && f.Contains(b, 24) && steps < 100000; ++steps) {
    m.blocks.push_back(b);
    m.places.push_back({b, 4});
    m.places.push_back({b + 4, 4});
    b = f.I32(b);
  }
  return m;
}

// ---------------------------------------------------------------- mutation

class Mutator {
 public:
  Mutator(const Bytes& base, const Map& map, uint64_t seed) : base_(base), map_(map), v_(seed) {}

  Bytes Make(std::string* what) {
    Bytes b = base_;
    const int n = v_.Chance(0.7) ? 1 : v_.Uniform(2, 4);
    for (int i = 0; i < n; ++i) Once(b, what);
    return b;
  }

 private:
  int64_t RandomAt(const Bytes& b, int width) {
    // Mostly past the header: that is where the blocks are.
    const int64_t lo = v_.Chance(0.9) && static_cast<int64_t>(b.size()) > 15472 + width ? 15472 : 0;
    return lo + static_cast<int64_t>(v_.rng()() % (b.size() - width - lo + 1));
  }

  int32_t Boundary(const Bytes& b, int64_t at, int width) {
    const int64_t size = static_cast<int64_t>(b.size());
    int32_t current = 0;
    std::memcpy(&current, b.data() + at, std::min(width, 4));
    std::vector<int64_t> choices = {0, -1, 1, -2, 2, 199, 200, 201, INT32_MAX, INT32_MIN, 15471, 15472, 15473,
                                    size, size - 1, size - 24, size - 6, int64_t{current} + 1, int64_t{current} - 1,
                                    int64_t{current} + 24, int64_t{current} - 24, static_cast<int32_t>(at), 0x7FFF, -32768,
                                    0x50554466 /* "fDUP" */};
    if (!map_.blocks.empty()) {
      for (int i = 0; i < 6; ++i) choices.push_back(map_.blocks[v_.rng()() % map_.blocks.size()]);
      choices.push_back(map_.blocks[v_.rng()() % map_.blocks.size()] + v_.Uniform(1, 30));
    }
    return static_cast<int32_t>(choices[v_.rng()() % choices.size()]);
  }

  void Put(Bytes& b, int64_t at, int width, int32_t value) {
    if (width >= 4) {
      std::memcpy(b.data() + at, &value, 4);
    } else if (width == 2) {
      const int16_t s = static_cast<int16_t>(value);
      std::memcpy(b.data() + at, &s, 2);
    } else {
      b[at] = static_cast<uint8_t>(value);
    }
  }

  void Once(Bytes& b, std::string* what) {
    int kind = v_.Uniform(0, 99);
    char text[160];
    if (b.size() < 16) kind = 99;  // cut short already: only growth is left
    if (kind < 25) {
      const int flips = v_.Uniform(1, 8);
      const int64_t at = RandomAt(b, 1);
      const bool near = v_.Chance(0.5);  // flips close together, or anywhere
      for (int i = 0; i < flips; ++i) {
        const int64_t x = near ? std::min<int64_t>(at + v_.Uniform(0, 31), b.size() - 1) : RandomAt(b, 1);
        b[x] ^= static_cast<uint8_t>(1u << v_.Uniform(0, 7));
      }
      std::snprintf(text, sizeof text, "%d bit flips near %lld; ", flips, static_cast<long long>(at));
    } else if (kind < 70 && !map_.places.empty()) {
      const Place p = map_.places[v_.rng()() % map_.places.size()];
      if (p.at + p.width > static_cast<int64_t>(b.size())) return;
      if (v_.Chance(0.2)) {
        const int64_t x = p.at + v_.Uniform(0, p.width - 1);
        b[x] ^= static_cast<uint8_t>(1u << v_.Uniform(0, 7));
        std::snprintf(text, sizeof text, "bit flip in the %d-byte value at %lld; ", p.width, static_cast<long long>(p.at));
      } else {
        const int32_t value = Boundary(b, p.at, p.width);
        Put(b, p.at, p.width, value);
        std::snprintf(text, sizeof text, "%d at the %d-byte value at %lld; ", value, p.width, static_cast<long long>(p.at));
      }
    } else if (kind < 85) {
      const int width = v_.Chance(0.5) ? 4 : (v_.Chance(0.5) ? 2 : 1);
      const int64_t at = RandomAt(b, width);
      const int32_t value = Boundary(b, at, width);
      Put(b, at, width, value);
      std::snprintf(text, sizeof text, "%d at %lld (%d bytes); ", value, static_cast<long long>(at), width);
    } else if (kind < 93) {
      const int64_t size = static_cast<int64_t>(b.size());
      int64_t len = v_.Chance(0.3) || size <= 15472 ? v_.Uniform(0, 15472)
                                                    : 15472 + static_cast<int64_t>(v_.rng()() % (size - 15472));
      if (v_.Chance(0.3) && !map_.blocks.empty()) len = map_.blocks[v_.rng()() % map_.blocks.size()] + v_.Uniform(0, 30);
      len = std::min(len, size);
      b.resize(static_cast<size_t>(len));
      std::snprintf(text, sizeof text, "cut to %lld bytes; ", static_cast<long long>(len));
    } else {
      const int extra = v_.Uniform(1, 5000);
      const bool zeros = v_.Chance(0.5);
      for (int i = 0; i < extra; ++i) b.push_back(zeros ? 0 : static_cast<uint8_t>(v_.rng()()));
      std::snprintf(text, sizeof text, "%d %s bytes added; ", extra, zeros ? "zero" : "random");
    }
    *what += text;
  }

  const Bytes& base_;
  const Map& map_;
  Values v_;
};

// ---------------------------------------------------------------- the child

// What the engine is asked to do with a mutant. Every call must return; the
// answers do not matter.
class Exercise {
 public:
  Exercise(const std::string& path, const std::string& copy, uint64_t seed) : path_(path), copy_(copy), v_(seed) {}

  // Records the operations inserted or put in a new place by an update.
  int added() const { return added_; }
  // Whether the compaction made a copy.
  bool compacted() const { return compacted_; }

  int Run() {
    if (!db_.OpenDB(path_.c_str(), kOpenMode)) return kChildRefused;
    fields_ = db_.GetFieldNum();
    keys_ = db_.GetKeyNum();
    samples_.assign(keys_, {});
    int recordLength = 0;
    for (int f = 0; f < fields_; ++f) recordLength += db_.GetFieldType(f) == ORVEX_CHUNK ? 8 : db_.GetFieldSize(f);
    image_.assign(recordLength + 64, 0);
    for (int k = 0; k < keys_; ++k) Walks(k);
    for (int i = 0; i < 30; ++i) Seek();
    for (int i = 0; i < 24; ++i) {
      switch (v_.Uniform(0, 3)) {
        case 0: Insert(); break;
        case 1: Update(); break;
        case 2: Delete(); break;
        default: Seek(); break;
      }
    }
    db_.Flush();
    db_.CloseDB();
    compacted_ = CompactDB(path_.c_str(), copy_.c_str());
    if (!db_.OpenDB(path_.c_str(), kOpenMode)) return kChildLostFile;
    for (int k = 0; k < keys_; ++k) {
      for (bool ok = db_.GetFirst(k); ok; ok = db_.GetNext(k)) ReadFields();
    }
    db_.CloseDB();
    return kChildDone;
  }

 private:
  void ReadFields() {
    uint8_t buf[1100];
    for (int f = 0; f < fields_; ++f) {
      db_.GetField(buf, f);
      db_.GetFieldStr(f);
    }
    ReadChunks();
  }

  void Remember(int k, const uint8_t* value) {
    if (samples_[k].size() < 24) {
      samples_[k].emplace_back(value, value + 130);
    } else if (v_.Chance(0.1)) {
      samples_[k][v_.Uniform(0, 23)].assign(value, value + 130);
    }
  }

  void Walks(int k) {
    uint8_t value[260];
    for (bool ok = db_.GetFirst(k, image_.data()); ok; ok = db_.GetNext(k, image_.data())) {
      if (v_.Chance(0.02)) ReadFields();
      if (v_.Chance(0.01)) offsets_.push_back(db_.GetCurRec(k));
    }
    for (bool ok = db_.GetLast(k); ok; ok = db_.GetPrev(k)) {
    }
    for (bool ok = db_.GetKeyFirst(k, value); ok; ok = db_.GetKeyNext(k, value)) Remember(k, value);
    for (bool ok = db_.GetKeyLast(k, value); ok; ok = db_.GetKeyPrev(k, value)) {
    }
    for (bool ok = db_.SeekFirst(k); ok; ok = db_.SeekNext(k)) {
    }
    for (bool ok = db_.SeekLast(k); ok; ok = db_.SeekPrev(k)) {
    }
    short code = 0;
    if (db_.GetKeyFirst(k, value)) {
      for (int i = 0; i < 50 && db_.CompareKeyNext(k, value, &code); ++i) {
      }
      db_.CompareKeyPrev(k, value, nullptr);
    }
  }

  // A value to seek with: one seen in a walk, or bytes at random.
  void SeekValue(int k, uint8_t* out) {
    std::memset(out, 0, 260);
    if (!samples_[k].empty() && v_.Chance(0.8)) {
      const Bytes& s = samples_[k][v_.Uniform(0, static_cast<int>(samples_[k].size()) - 1)];
      std::memcpy(out, s.data(), s.size());
    } else {
      for (int i = 0; i < 16; ++i) out[i] = static_cast<uint8_t>(v_.rng()());
    }
  }

  // Positions a key somewhere; true when it stands on a record.
  bool Position(int* key) {
    if (keys_ <= 0) return false;
    const int k = v_.Uniform(0, keys_ - 1);
    *key = k;
    uint8_t value[260];
    SeekValue(k, value);
    bool ok;
    switch (v_.Uniform(0, 6)) {
      case 0: ok = db_.GetEqual(k, value); break;
      case 1: ok = db_.GetGreaterEqual(k, value); break;
      case 2: ok = db_.GetLessEqual(k, value); break;
      case 3: ok = db_.GetGreater(k, value) && db_.SeekNext(k); break;
      case 4: ok = db_.GetLess(k, value) && db_.GetPrev(k); break;
      case 5:
        if (offsets_.empty()) return false;
        db_.SetCurRec(offsets_[v_.Uniform(0, static_cast<int>(offsets_.size()) - 1)]);
        *key = 0;
        ok = db_.GetCurRec(0) != -1;
        break;
      default: ok = db_.GetKeyLast(k, value); break;
    }
    return ok;
  }

  void Seek() {
    int k;
    if (!Position(&k)) return;
    ReadFields();
    for (int i = v_.Uniform(0, 5); i > 0; --i) {
      if (!(v_.Chance(0.5) ? db_.GetNext(k) : db_.GetPrev(k))) break;
    }
  }

  // Fills the edit buffer with ordinary values, or a record image with
  // bytes at random (hostile values of every kind).
  void Fill(bool viaImage) {
    if (viaImage) {
      // Chunk references too: ones this object did not write are not kept.
      for (uint8_t& c : image_) c = static_cast<uint8_t>(v_.Chance(0.5) ? 0 : v_.rng()());
      AppendChunks();
      return;
    }
    for (int f = 0; f < fields_; ++f) {
      const int type = db_.GetFieldType(f);
      if (type == ORVEX_AUTOINC || type == ORVEX_CHUNK || v_.Chance(0.3)) continue;
      db_.SetFieldStr(v_.Text(type, db_.GetFieldSize(f), 6).c_str(), f);
    }
    AppendChunks();
  }

  void AppendChunks() {
    uint8_t piece[700];
    for (int f = 0; f < fields_; ++f) {
      if (db_.GetFieldType(f) != ORVEX_CHUNK || v_.Chance(0.5)) continue;
      for (int n = v_.Uniform(1, 3); n > 0; --n) {
        for (uint8_t& c : piece) c = static_cast<uint8_t>(v_.rng()());
        db_.AppendChunk(piece, v_.Uniform(1, 700), f);
      }
    }
  }

  // Reads the current record's chunks, a piece at a time.
  void ReadChunks() {
    uint8_t piece[256];
    for (int f = 0; f < fields_; ++f) {
      if (db_.GetFieldType(f) != ORVEX_CHUNK) continue;
      const int size = db_.GetChunkSize(f);
      if (!db_.GotoChunkPos(f)) continue;
      for (int left = size; left > 0 && db_.GetChunk(piece, left < 256 ? left : 256, f); left -= 256) {
      }
    }
  }

  void Insert() {
    const bool viaImage = v_.Chance(0.3);
    Fill(viaImage);
    if (v_.Chance(0.2)) db_.CanInsert();
    if (db_.Insert(viaImage ? image_.data() : nullptr, 0)) ++added_;
  }

  void Update() {
    int k;
    if (!Position(&k)) return;
    const bool viaImage = v_.Chance(0.3);
    Fill(viaImage);
    if (db_.Update(viaImage ? image_.data() : nullptr, 0)) ++added_;
    if (v_.Chance(0.5)) db_.GetNext(k);
  }

  void Delete() {
    int k;
    if (!Position(&k)) return;
    db_.Delete();
    if (v_.Chance(0.5)) db_.SeekNext(k);
    if (v_.Chance(0.3)) db_.Delete();
  }

  std::string path_;
  std::string copy_;
  bool compacted_ = false;
  Values v_;
  COrvex db_;
  int added_ = 0;  // records inserted or updated
  int fields_ = 0;
  int keys_ = 0;
  std::vector<std::vector<Bytes>> samples_;
  std::vector<int> offsets_;
  Bytes image_;
};

// ---------------------------------------------------------------- judging

// Damage is judged by kind: `orvex check`'s violations without their
// numbers, per key (key -1: the header, free lists and blocks). A mutant
// spreads its damage when a kind shows after the operations that did not
// show before. The count of a kind may grow by the records the operations
// added and no more: a record added to a chain that a damaged entry also
// reaches is seen once more through it, as it should be.
//
// What a damaged entry or chain link names is followed by its place: the key
// and the offset named (the violation's subject). That offset often lies
// inside a sound block (a record's chunk block, an index node's slots, a
// duplicate node) that the operations rightly rewrite or free, so the same
// damage may read as another kind afterwards; likewise a block that overlaps
// a sound one, followed by the two blocks' starts. The violations at a place
// damaged both before and after are therefore set aside on both sides, and
// the rest is judged by kind as above (a kind seen before, even at a place
// set aside, may grow by the records added). Damage reaching any other
// entry, record, chain or block still counts.
std::string Kind(const of::Violation& v) {
  std::string s;
  bool digits = false;
  for (char c : v.what) {
    const bool d = (c >= '0' && c <= '9') || (c == '-' && !digits);
    if (d) {
      if (!digits) s += '#';
      digits = true;
    } else {
      s += c;
      digits = false;
    }
  }
  // "A of # bytes overlaps the B at #" and "B ... overlaps the A" are one
  // overlap, reported from whichever block comes first.
  const std::string mid = " of # bytes overlaps the ";
  const size_t at = s.find(mid);
  if (at != std::string::npos && s.size() > at + mid.size() + 5 && s.compare(s.size() - 5, 5, " at #") == 0) {
    std::string a = s.substr(0, at);
    std::string b = s.substr(at + mid.size(), s.size() - 5 - at - mid.size());
    if (b < a) std::swap(a, b);
    s = a + " and " + b + " overlap";
  }
  return std::to_string(v.key) + ":" + s;
}

// Key, own start (overlaps only) and subject.
using DamagedPlace = std::tuple<int, int64_t, int64_t>;

DamagedPlace PlaceOf(const of::Violation& v) { return {v.key, v.key < 0 ? v.offset : -1, v.subject}; }

std::set<DamagedPlace> DamagedPlaces(const of::CheckReport& r) {
  std::set<DamagedPlace> places;
  for (const of::Violation& v : r.violations)
    if (v.subject >= 0) places.insert(PlaceOf(v));
  return places;
}

// Whether a violation is about a duplicate node's own links or record field
// (the node then lies at its offset).
bool AboutNodeLinks(const of::Violation& v) {
  for (const char* text : {": chain link ", "duplicate node's previous link", "chain head's last pointer",
                           ": duplicate node's record "})
    if (v.what.find(text) != std::string::npos) return true;
  return false;
}

// Besides the places damaged both before and after, two more ties to damage
// that was there before are set aside after the operations: a block-map
// fault (key -1) at an offset that a damaged entry or link named before,
// under any key (a record reached only through a damaged entry, rightly
// deleted through its own entry, then reads as a free block that the
// damaged entry overlaps); and whatever is found through a duplicate node
// whose own links were found damaged before (what its record field names
// may be a sound block that the operations rightly change). Damage to a
// sound block still shows through that block's sound references.
struct TiedToOldDamage {
  std::set<int64_t> namedBefore;                    // subjects, any key
  std::set<std::pair<int, int64_t>> brokenNodes;  // key, duplicate node

  explicit TiedToOldDamage(const of::CheckReport& before) {
    for (const of::Violation& v : before.violations) {
      if (v.subject >= 0) namedBefore.insert(v.subject);
      if (v.key >= 0 && AboutNodeLinks(v)) brokenNodes.insert({v.key, v.offset});
    }
  }
  bool operator()(const of::Violation& v) const {
    if (v.key < 0) return namedBefore.count(v.offset) || (v.subject >= 0 && namedBefore.count(v.subject));
    return brokenNodes.count({v.key, v.offset}) != 0;
  }
};

// The kinds of a report and their counts, leaving out the violations at the
// places in `setAside` and those `tied` to damage that was there before.
std::map<std::string, long long> Kinds(const of::CheckReport& r, const std::set<DamagedPlace>& setAside = {},
                                       const TiedToOldDamage* tied = nullptr) {
  std::map<std::string, long long> kinds;
  for (const of::Violation& v : r.violations)
    if ((v.subject < 0 || !setAside.count(PlaceOf(v))) && !(tied && (*tied)(v))) ++kinds[Kind(v)];
  // Beyond the reported ones only the count is known.
  if (r.violationCount > static_cast<long long>(r.violations.size()))
    kinds["unlisted"] = r.violationCount - static_cast<long long>(r.violations.size());
  return kinds;
}

// The kinds that grew from `before` to `after` beyond `added` records, one
// per line; empty when the damage did not spread.
std::string Spread(const of::CheckReport& before, const of::CheckReport& after, long long added) {
  const std::set<DamagedPlace> was = DamagedPlaces(before);
  std::set<DamagedPlace> both;
  for (const DamagedPlace& p : DamagedPlaces(after))
    if (was.count(p)) both.insert(p);
  const auto seen = Kinds(before);
  const auto k0 = Kinds(before, both);
  const TiedToOldDamage tied(before);
  std::string grown;
  for (const auto& [kind, n] : Kinds(after, both, &tied)) {
    auto it = k0.find(kind);
    const long long had = it == k0.end() ? 0 : it->second;
    if (!seen.count(kind) || n > had + added)
      grown += "\n    " + kind + " (" + std::to_string(had) + " -> " + std::to_string(n) + ")";
  }
  return grown;
}

of::CheckReport CheckPath(const std::string& path) {
  of::File f;
  std::string error;
  if (!f.Open(path, &error)) {
    of::CheckReport r;
    r.violationCount = 1;
    r.violations.push_back({-1, -1, "unreadable: " + error});
    return r;
  }
  return of::Check(f);
}

struct Figures {
  long long mutants = 0;
  long long refused = 0;  // refused at open (nothing to do)
  long long crashes = 0;
  long long hangs = 0;
  long long sanitizer = 0;
  long long lostFiles = 0;
  long long spread = 0;
  long long copies = 0;     // compactions that made a copy
  long long badCopies = 0;  // a compaction's copy damaged, or left by a failed one
  long long cleanBefore = 0;
  std::vector<std::string> failures;
};

bool HasSanitizerReport(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("runtime error:") != std::string::npos || line.find("AddressSanitizer") != std::string::npos ||
        line.find("LeakSanitizer") != std::string::npos || line.find("ERROR: ") != std::string::npos)
      return true;
  }
  return false;
}

class Fuzzer {
 public:
  Fuzzer() {
    char tmpl[] = "/tmp/orvex_fuzz_XXXXXX";
    dir_ = mkdtemp(tmpl);
    timeLimit_ = static_cast<unsigned>(EnvNumber("ORVEX_FUZZ_TIME_LIMIT", 60));
    if (const char* keep = std::getenv("ORVEX_FUZZ_KEEP")) keep_ = keep;
  }
  ~Fuzzer() {
    for (const char* name : {"mutant.db", "child.err", "child.out", "base.db"}) std::remove((dir_ + "/" + name).c_str());
    rmdir(dir_.c_str());
  }

  void Run(uint64_t seed, long long count, long long only) {
    const auto& bases = Bases();
    std::vector<Bytes> files;
    std::vector<Map> maps;
    for (size_t i = 0; i < bases.size(); ++i) {
      files.push_back(BuildBase(bases[i], dir_ + "/base.db", seed + i));
      maps.push_back(MapFile(files.back()));
      ASSERT_FALSE(files.back().empty());
    }
    for (long long i = 0; i < count; ++i) {
      if (only >= 0 && i != only) continue;
      const size_t b = static_cast<size_t>(i % static_cast<long long>(files.size()));
      const uint64_t mseed = seed * 1000003u + static_cast<uint64_t>(i);
      std::string what;
      Mutator mutator(files[b], maps[b], mseed);
      const Bytes mutant = mutator.Make(&what);
      One(i, bases[b].name, mutant, what, mseed);
    }
  }

  const Figures& figures() const { return f_; }

 private:
  void One(long long index, const char* base, const Bytes& mutant, const std::string& what, uint64_t seed) {
    ++f_.mutants;
    const std::string path = dir_ + "/mutant.db";
    const std::string err = dir_ + "/child.err";
    const std::string out = dir_ + "/child.out";
    const std::string copy = dir_ + "/copy.db";
    std::remove(copy.c_str());
    WriteFile(path, mutant);
    if (!keep_.empty()) WriteFile(keep_ + "/mutant-" + std::to_string(index) + ".db", mutant);
    const of::CheckReport before = CheckPath(path);
    if (before.clean()) ++f_.cleanBefore;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
      FILE* e = std::freopen(err.c_str(), "w", stderr);
      (void)e;
      alarm(timeLimit_);
      Exercise exercise(path, copy, seed);
      const int code = exercise.Run();
      std::FILE* o = std::fopen(out.c_str(), "w");
      if (o) {
        std::fprintf(o, "%d %d\n", exercise.added(), exercise.compacted() ? 1 : 0);
        std::fclose(o);
      }
      std::fflush(stderr);
      _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::string verdict;
    if (WIFSIGNALED(status)) {
      if (WTERMSIG(status) == SIGALRM) {
        ++f_.hangs;
        verdict = "no answer within " + std::to_string(timeLimit_) + " s";
      } else {
        ++f_.crashes;
        verdict = std::string("crashed: ") + strsignal(WTERMSIG(status));
      }
    } else if (HasSanitizerReport(err)) {
      ++f_.sanitizer;
      verdict = "sanitizer report:\n" + FirstLines(err, 12);
    } else if (WEXITSTATUS(status) == kChildRefused) {
      ++f_.refused;
    } else if (WEXITSTATUS(status) == kChildLostFile) {
      ++f_.lostFiles;
      verdict = "the engine opened the file before its operations and refused it after them";
    } else if (WEXITSTATUS(status) != kChildDone) {
      ++f_.crashes;
      verdict = "exited with " + std::to_string(WEXITSTATUS(status)) + ":\n" + FirstLines(err, 12);
    }
    if (verdict.empty() && WIFEXITED(status) && WEXITSTATUS(status) == kChildDone) {
      const of::CheckReport after = CheckPath(path);
      std::ifstream numbers(out);
      long long added = 0, compacted = 0;
      numbers >> added >> compacted;
      const std::string grown = Spread(before, after, added);
      if (!grown.empty()) {
        ++f_.spread;
        verdict = "damage spread (" + std::to_string(added) + " records added):" + grown;
      }
      const bool copyLeft = std::ifstream(copy).good();
      if (compacted) ++f_.copies;
      if (compacted && !CheckPath(copy).clean()) {
        ++f_.badCopies;
        verdict += (verdict.empty() ? "" : "; ") + std::string("the compaction made a copy orvex check finds damaged");
      } else if (!compacted && copyLeft) {
        ++f_.badCopies;
        verdict += (verdict.empty() ? "" : "; ") + std::string("a compaction that failed left its copy");
      }
    }
    if (!keep_.empty()) WriteFile(keep_ + "/mutant-" + std::to_string(index) + ".err", ReadFile(err));
    if (!verdict.empty()) {
      if (!keep_.empty()) WriteFile(keep_ + "/mutant-" + std::to_string(index) + ".after.db", ReadFile(path));
      if (f_.failures.size() < 20)
        f_.failures.push_back("mutant " + std::to_string(index) + " of " + base + " (" + what + "): " + verdict);
    }
  }

  static std::string FirstLines(const std::string& path, int n) {
    std::ifstream in(path);
    std::string line, s;
    while (n-- > 0 && std::getline(in, line)) s += "    " + line + "\n";
    return s;
  }

  std::string dir_;
  std::string keep_;
  unsigned timeLimit_;
  Figures f_;
};

TEST(OrvexFuzz, DamagedFilesNeitherCrashNorSpreadTheirDamage) {
  const uint64_t seed = EnvNumber("ORVEX_FUZZ_SEED", 7007);
  const long long count = static_cast<long long>(EnvNumber("ORVEX_FUZZ_MUTANTS", 100));
  const char* onlyText = std::getenv("ORVEX_FUZZ_ONLY");
  const long long only = onlyText && *onlyText ? std::atoll(onlyText) : -1;
  Fuzzer fuzzer;
  fuzzer.Run(seed, only >= 0 ? only + 1 : count, only);
  const Figures& f = fuzzer.figures();
  std::printf("orvex fuzz, seed %llu: %lld mutants (%lld clean by orvex check before the operations, %lld refused at "
              "open): %lld crashes, %lld hangs, %lld sanitizer reports, %lld files lost, %lld with damage spread; "
              "%lld compacted, %lld damaged copies\n",
              static_cast<unsigned long long>(seed), f.mutants, f.cleanBefore, f.refused, f.crashes, f.hangs,
              f.sanitizer, f.lostFiles, f.spread, f.copies, f.badCopies);
  std::string list;
  for (const std::string& s : f.failures) list += "  " + s + "\n";
  EXPECT_EQ(f.crashes + f.hangs + f.sanitizer + f.lostFiles + f.spread + f.badCopies, 0) << list;
}

}  // namespace
