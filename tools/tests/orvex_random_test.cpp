// Randomized test of the engine against an in-memory model.
//
// Long runs of inserts, updates and deletes over several schemas (fixed and
// trimmed records, every key type, unique and duplicate keys, multi-field keys,
// text slices) interleaved with value seeks of every flavour and walks in all
// three flavours, forward and back. Every answer of the engine is compared
// with a model built from the comparison rules of the format: NaN equal to
// everything, case-folded text, slices, equal values in insertion order with
// the update rule that keeps a record's turn under the key it was reached by.
// The file is checked with the independent checker after flushes, after each
// close and at the end; halfway and at the end it is compacted, and the copy
// compared with the model. Seeds are fixed; ORVEX_RANDOM_SEED overrides them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <iterator>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "orvex.h"
#include "orvexcheck.h"
#include "orvexfile.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace of = orvexfile;

constexpr int kOpenMode = 66;  // read-write, deny none

// ---------------------------------------------------------------- schemas

struct FieldSpec {
  const char* name;
  int type;
  int size;     // text: declared size
  int domain;   // numbers: values in [-domain, domain]; text: alphabet size
  bool serial;  // the model's record identity (distinct per record)
  bool late;    // defined after the keys
};

struct PartSpec {
  int field;
  int mode;
  int start;
  int length;
};

struct KeySpec {
  const char* name;
  int attribute;
  std::vector<PartSpec> parts;  // one part: single-field CreateKey
};

struct SchemaDef {
  const char* name;
  bool trimmed;
  std::vector<FieldSpec> fields;
  std::vector<KeySpec> keys;
  int target;  // live records the run keeps around
  int ops;
  // Values a careless caller may pass now and then: NaN and infinities, the
  // largest and smallest numbers, texts with bytes after their NUL, texts
  // that start with the duplicate-node tag, bool bytes other than 0 and 1.
  bool hostile = false;
};

// Error texts of the refusals the model predicts.
constexpr const char* kUnduplicated = "the key is unduplicated";
constexpr const char* kNanKey = "a key value can't be NaN";
constexpr const char* kLooksLikeDupNode = "record would read as a duplicate node";

// Letters in both cases, punctuation between the cases and a byte above 0x7F,
// so folding and unsigned order both matter.
const char kAlphabet[] = "aAbB_^[zZ\xe9~0cC";

// ---------------------------------------------------------------- model

struct MRec {
  Bytes data;                // fixed-layout image
  std::vector<Bytes> kv;     // key value per key (text keys: with NUL)
  std::vector<int64_t> turn; // place among equal values per key
};

struct Item {
  const uint8_t* key;
  int64_t turn;
  int serial;
};

class Model;

struct ItemLess {
  const Model* m;
  int k;
  bool operator()(const Item& a, const Item& b) const;
};

struct EntryLess {
  const Model* m;
  int k;
  bool operator()(const Bytes& a, const Bytes& b) const;
};

struct MPos {
  bool valid = false;
  Bytes key;
  int64_t turn = 0;
  int serial = -1;
};

class Model {
 public:
  of::Header h;

  void Init(const of::Header& header) {
    h = header;
    order.clear();
    entries.clear();
    for (int k = 0; k < keys(); ++k) {
      order.emplace_back(ItemLess{this, k});
      entries.emplace_back(EntryLess{this, k});
    }
    pos.assign(keys(), MPos{});
  }
  int keys() const { return static_cast<int>(h.keys.size()); }
  int Cmp(int k, const uint8_t* a, const uint8_t* b) const { return of::CompareKeyValues(h, h.keys[k], a, b); }
  Bytes KeyOf(int k, const Bytes& data) const { return of::FormKeyValue(h, h.keys[k], data.data()); }
  bool TextNodes(int k) const { return h.keys[k].nodeType == of::NodeType::kChar; }
  int ValueWidth(int k) const { return TextNodes(k) ? h.keys[k].length + 1 : h.keys[k].slotSize; }

  // A live record other than `except` with a value equal to `data`'s under a
  // unique key.
  bool Clash(const Bytes& data, int except) const {
    for (int k = 0; k < keys(); ++k) {
      if (h.keys[k].attribute != 2) continue;
      const Bytes v = KeyOf(k, data);
      auto it = order[k].lower_bound(Item{v.data(), INT64_MIN, -1});
      for (; it != order[k].end() && Cmp(k, it->key, v.data()) == 0; ++it) {
        if (it->serial != except) return true;
      }
    }
    return false;
  }

  void Add(int serial, const Bytes& data, const std::vector<int64_t>* keepTurn) {
    MRec& r = recs[serial];
    r.data = data;
    r.kv.clear();
    r.turn.clear();
    for (int k = 0; k < keys(); ++k) {
      r.kv.push_back(KeyOf(k, data));
      r.turn.push_back(keepTurn && (*keepTurn)[k] >= 0 ? (*keepTurn)[k] : ++clock);
      order[k].insert(Item{r.kv[k].data(), r.turn[k], serial});
      entries[k].insert(r.kv[k]);  // no-op when an equal entry exists (dead or live)
    }
  }

  void Remove(int serial) {
    MRec& r = recs.at(serial);
    for (int k = 0; k < keys(); ++k) order[k].erase(Item{r.kv[k].data(), r.turn[k], serial});
    recs.erase(serial);
  }

  // The slot an index entry holds for this value: the value of the first
  // record that made the entry.
  const Bytes& Slot(int k, const Bytes& kv) const { return *entries[k].find(kv); }

  void InvalidateAll() {
    for (MPos& p : pos) p.valid = false;
  }
  void SetPos(int k, const Item& it) {
    pos[k].valid = true;
    pos[k].key.assign(it.key, it.key + ValueWidth(k));
    pos[k].turn = it.turn;
    pos[k].serial = it.serial;
  }

  std::map<int, MRec> recs;
  std::vector<std::set<Item, ItemLess>> order;
  std::vector<std::set<Bytes, EntryLess>> entries;
  std::vector<MPos> pos;
  int64_t clock = 0;
};

bool ItemLess::operator()(const Item& a, const Item& b) const {
  const int c = m->Cmp(k, a.key, b.key);
  if (c != 0) return c < 0;
  return a.turn < b.turn;
}

bool EntryLess::operator()(const Bytes& a, const Bytes& b) const { return m->Cmp(k, a.data(), b.data()) < 0; }

std::string Hex(const Bytes& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint8_t c : b) {
    s.push_back(digits[c >> 4]);
    s.push_back(digits[c & 15]);
  }
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// ---------------------------------------------------------------- the run

class RandomRun {
 public:
  RandomRun(const SchemaDef& schema, uint64_t seed, std::string path)
      : schema_(schema), rng_(seed), path_(std::move(path)) {}

  void Create() {
    std::remove(path_.c_str());
    for (const FieldSpec& f : schema_.fields) {
      if (!f.late) {
        ASSERT_TRUE(db_.CreateField(f.name, f.type, f.size)) << f.name << ": " << db_.GetErrMsg();
      }
    }
    for (const KeySpec& k : schema_.keys) {
      if (k.parts.size() == 1) {
        const PartSpec& p = k.parts[0];
        ASSERT_TRUE(db_.CreateKey(k.name, k.attribute, p.field, p.mode, p.start, p.length))
            << k.name << ": " << db_.GetErrMsg();
      } else {
        KEY_INFO info;
        std::memset(&info, 0, sizeof info);
        std::snprintf(info.keyName, sizeof info.keyName, "%s", k.name);
        for (size_t i = 0; i < k.parts.size(); ++i) {
          info.fieldNo[i] = static_cast<short>(k.parts[i].field);
          info.compareMode[i] = static_cast<short>(k.parts[i].mode);
          info.start[i] = static_cast<short>(k.parts[i].start);
          info.length[i] = static_cast<short>(k.parts[i].length);
        }
        info.fieldNum = static_cast<short>(k.parts.size());
        info.attribute = static_cast<short>(k.attribute);
        ASSERT_TRUE(db_.CreateKey(info)) << k.name << ": " << db_.GetErrMsg();
      }
    }
    for (const FieldSpec& f : schema_.fields) {
      if (f.late) {
        ASSERT_TRUE(db_.CreateField(f.name, f.type, f.size)) << f.name << ": " << db_.GetErrMsg();
      }
    }
    db_.EnableTrimRecord(schema_.trimmed);
    ASSERT_TRUE(db_.CreateDB(path_.c_str(), schema_.name)) << db_.GetErrMsg();
    // The model takes the schema from the file as the independent reader sees it.
    db_.Flush();
    of::File file;
    std::string error;
    ASSERT_TRUE(file.Open(path_, &error)) << error;
    of::Header h;
    std::vector<of::Violation> problems;
    ASSERT_TRUE(of::ReadHeader(file, &h, &problems)) << (problems.empty() ? "" : problems[0].what);
    ASSERT_EQ(h.trimmed(), schema_.trimmed);
    ASSERT_EQ(h.fields.size(), schema_.fields.size());
    m_.Init(h);
    // Field numbers as the file has them (late fields come after the keys' fields).
    for (size_t i = 0; i < h.fields.size(); ++i) {
      for (const FieldSpec& f : schema_.fields) {
        if (h.fields[i].name == f.name) fieldSpec_.push_back(&f);
      }
      ASSERT_EQ(fieldSpec_.size(), i + 1) << "field " << h.fields[i].name;
      if (fieldSpec_.back()->serial) serialField_ = static_cast<int>(i);
      if (h.fields[i].type == of::kAutoInc) autoField_ = static_cast<int>(i);
    }
    ASSERT_GE(serialField_, 0);
    recordLength_ = static_cast<int>(h.recordLength);
  }

  void Run() {
    for (op_ = 0; op_ < schema_.ops; ++op_) {
      const int live = static_cast<int>(m_.recs.size());
      int insertW = live < schema_.target ? 40 : 18;
      int deleteW = live > schema_.target ? 24 : 10;
      const int weights[] = {insertW, 12, deleteW, 22, 28, 4};
      int pick = std::discrete_distribution<int>(std::begin(weights), std::end(weights))(rng_);
      switch (pick) {
        case 0: OpInsert(); break;
        case 1: OpUpdate(); break;
        case 2: OpDelete(); break;
        case 3: OpSeek(); break;
        case 4: OpWalk(); break;
        default: OpDeleteByOffset(); break;
      }
      if (::testing::Test::HasFailure()) {
        ADD_FAILURE() << "schema " << schema_.name << " stopped at operation " << op_ << "; last steps:\n"
                      << History();
        return;
      }
      if (op_ % 1500 == 1499) VerifyAll();
      if (op_ == schema_.ops / 2) CompactAndCompare();
      if (Chance(0.003)) FlushAndCheck();
      if (Chance(0.002)) Reopen();
      if (Chance(0.002)) SecondReader();
      if (::testing::Test::HasFailure()) {
        ADD_FAILURE() << "schema " << schema_.name << " stopped at operation " << op_;
        return;
      }
    }
  }

  void Finish() {
    VerifyAll();
    if (::testing::Test::HasFailure()) return;
    CompactAndCompare();
    if (::testing::Test::HasFailure()) return;
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(m_.recs.size()));
    db_.CloseDB();
    CheckFile("after close");
    std::remove(path_.c_str());
    std::string summary;
    for (const auto& [what, n] : counts_) summary += " " + what + " " + std::to_string(n) + ",";
    std::printf("%s:%s %d file checks, %zu records at the end\n", schema_.name, summary.c_str(), checks_,
                m_.recs.size());
  }

  // Bulk inserts in a given id order (for deep trees); `ids` become the value
  // of field `field` (an int).
  void BulkInsert(int field, const std::vector<int32_t>& ids) {
    for (int32_t id : ids) {
      Bytes rec = RandomRecord(nextSerial_);
      std::memcpy(&rec[m_.h.fields[field].offset], &id, 4);
      InsertRecord(rec, false);
      if (::testing::Test::HasFailure()) return;
    }
  }

  COrvex& db() { return db_; }
  Model& model() { return m_; }
  const std::string& path() const { return path_; }

 private:
  // The last steps taken, for the failure message.
  void Note(std::string what) {
    ++counts_[what.substr(0, what.find(' '))];
    if (what.find("refused") != std::string::npos) ++counts_["refused"];
    if (what.find("same value") != std::string::npos) ++counts_["same-value updates"];
    history_.push_back(std::to_string(op_) + ": " + std::move(what));
    if (history_.size() > historyLimit_) history_.erase(history_.begin());
  }
  std::string History() const {
    std::string s;
    for (const std::string& h : history_) s += "  " + h + "\n";
    return s;
  }

  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // ---- values ----

  void RandomField(Bytes& rec, int f) {
    const FieldSpec& fs = *fieldSpec_[f];
    uint8_t* at = &rec[m_.h.fields[f].offset];
    if (schema_.hostile && !fs.serial && Chance(0.12)) {
      HostileField(at, fs);
      return;
    }
    switch (fs.type) {
      case of::kShort: {
        const int16_t v = static_cast<int16_t>(Uniform(-fs.domain, fs.domain));
        std::memcpy(at, &v, 2);
        break;
      }
      case of::kInt: {
        const int32_t v = fs.serial ? nextSerial_ : Uniform(-fs.domain, fs.domain);
        std::memcpy(at, &v, 4);
        break;
      }
      case of::kFloat: case of::kDouble: {
        static const double special[] = {-std::numeric_limits<double>::infinity(), -1e30, -0.0, 0.0, 1e30,
                                         std::numeric_limits<double>::infinity()};
        double v = Chance(0.15) ? special[Uniform(0, 5)] : Uniform(-fs.domain, fs.domain) / 4.0;
        if (fs.type == of::kFloat) {
          const float fv = static_cast<float>(v);
          std::memcpy(at, &fv, 4);
        } else {
          std::memcpy(at, &v, 8);
        }
        break;
      }
      case of::kText: {
        std::memset(at, 0, fs.size);
        const int len = Chance(0.1) ? fs.size : Uniform(0, fs.size);
        for (int i = 0; i < len; ++i) at[i] = static_cast<uint8_t>(kAlphabet[Uniform(0, fs.domain - 1)]);
        break;
      }
      case of::kBool: at[0] = static_cast<uint8_t>(Uniform(0, 1)); break;
      default: break;  // auto-increment: the engine fills it in
    }
  }

  void HostileField(uint8_t* at, const FieldSpec& fs) {
    switch (fs.type) {
      case of::kShort: {
        static const int16_t values[] = {SHRT_MIN, SHRT_MAX, -1, 0};
        std::memcpy(at, &values[Uniform(0, 3)], 2);
        break;
      }
      case of::kInt: {
        static const int32_t values[] = {INT_MIN, INT_MAX, INT_MIN + 1, -1};
        std::memcpy(at, &values[Uniform(0, 3)], 4);
        break;
      }
      case of::kFloat: case of::kDouble: {
        static const double values[] = {std::nan(""), -std::nan(""), std::nan("7"),
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        std::numeric_limits<double>::denorm_min(),
                                        -std::numeric_limits<double>::max(), -0.0};
        const double v = values[Uniform(0, 7)];
        if (fs.type == of::kFloat) {
          const float fv = std::isnan(v) ? std::nanf("") : static_cast<float>(v);
          std::memcpy(at, &fv, 4);
        } else {
          std::memcpy(at, &v, 8);
        }
        break;
      }
      case of::kText: {
        // A reused buffer: a text, its NUL, and the rest of an older text;
        // or a text that begins with the tag of a duplicate node.
        for (int i = 0; i < fs.size; ++i) at[i] = static_cast<uint8_t>(kAlphabet[Uniform(0, fs.domain - 1)]);
        if (fs.size >= 7 && Chance(0.4)) {
          std::memcpy(at, "fDUPKEY", 7);
          if (fs.size > 7 && Chance(0.5)) at[7] = 0;
        } else {
          at[Uniform(0, fs.size - 1)] = 0;
        }
        break;
      }
      case of::kBool: at[0] = static_cast<uint8_t>(Uniform(2, 255)); break;
      case of::kChunk: {
        // A reference this object never wrote: some other record's chain,
        // or made up.
        const int32_t ref[2] = {Uniform(1, 1 << 20), Uniform(0, 1 << 16)};
        std::memcpy(at, ref, 8);
        break;
      }
      default: break;
    }
  }

  // The record as the engine keeps it: a text field ends at its first NUL,
  // NUL bytes after it; a chunk reference it did not write is empty (no
  // chunk is appended here, so every one is).
  Bytes Normalized(Bytes rec) const {
    for (const of::Field& fd : m_.h.fields) {
      if (fd.type == of::kChunk) std::memset(&rec[fd.offset], 0, fd.size);
      if (fd.type != of::kText) continue;
      uint8_t* t = &rec[fd.offset];
      const size_t n = strnlen(reinterpret_cast<const char*>(t), fd.size);
      std::memset(t + n, 0, fd.size - n);
    }
    return rec;
  }

  // The first bytes of the block the record would be stored as.
  Bytes BlockStart(const Bytes& rec) const {
    if (!m_.h.trimmed()) return Bytes(rec.begin(), rec.begin() + std::min<size_t>(8, rec.size()));
    Bytes block(2, 0);
    for (const of::Field& fd : m_.h.fields) {
      const uint8_t* v = &rec[fd.offset];
      if (fd.type == of::kText) {
        const int16_t n = static_cast<int16_t>(strnlen(reinterpret_cast<const char*>(v), fd.size));
        block.insert(block.end(), reinterpret_cast<const uint8_t*>(&n), reinterpret_cast<const uint8_t*>(&n) + 2);
        block.insert(block.end(), v, v + n);
      } else {
        block.insert(block.end(), v, v + fd.size);
      }
    }
    const int16_t len = static_cast<int16_t>(block.size());
    std::memcpy(block.data(), &len, 2);
    block.resize(std::min<size_t>(8, block.size()));
    return block;
  }

  // Why the engine refuses to store this (normalized) record in place of
  // `except` (-1: a new record), or null: a NaN in a float or double key
  // part, a block that would read as a duplicate node, a second live record
  // under a unique key, in the order the engine looks.
  const char* Refusal(const Bytes& rec, int except) const {
    for (const of::Key& key : m_.h.keys) {
      for (const of::KeyPart& part : key.parts) {
        const of::Field& fd = m_.h.fields[part.field];
        if (fd.type == of::kFloat) {
          float v;
          std::memcpy(&v, &rec[fd.offset], 4);
          if (std::isnan(v)) return kNanKey;
        } else if (fd.type == of::kDouble) {
          double v;
          std::memcpy(&v, &rec[fd.offset], 8);
          if (std::isnan(v)) return kNanKey;
        }
      }
    }
    const Bytes start = BlockStart(rec);
    if (start.size() >= 7 && std::memcmp(start.data(), "fDUPKEY", 7) == 0) return kLooksLikeDupNode;
    if (m_.Clash(rec, except)) return kUnduplicated;
    return nullptr;
  }

  // A key value for a seek: NaN would find an arbitrary record.
  bool HasNan(int k, const Bytes& kv) const {
    const of::Key& key = m_.h.keys[k];
    int at = 0;
    for (const of::KeyPart& part : key.parts) {
      const int type = m_.h.fields[part.field].type;
      if (type == of::kFloat) {
        float v;
        std::memcpy(&v, &kv[at], 4);
        if (std::isnan(v)) return true;
      } else if (type == of::kDouble) {
        double v;
        std::memcpy(&v, &kv[at], 8);
        if (std::isnan(v)) return true;
      }
      at += part.length;
    }
    return false;
  }

  Bytes RandomRecord(int serial) {
    Bytes rec(recordLength_, 0);
    for (int f = 0; f < static_cast<int>(fieldSpec_.size()); ++f) RandomField(rec, f);
    std::memcpy(&rec[m_.h.fields[serialField_].offset], &serial, 4);
    return rec;
  }

  int32_t NextAutoInc() const {
    int32_t best = 0;
    for (const auto& [s, r] : m_.recs) {
      int32_t v;
      std::memcpy(&v, &r.data[m_.h.fields[autoField_].offset], 4);
      best = std::max(best, v);
    }
    return best + 1;
  }

  int RandomLiveSerial() {
    auto it = m_.recs.begin();
    std::advance(it, Uniform(0, static_cast<int>(m_.recs.size()) - 1));
    return it->first;
  }

  // A value to seek with under key k, in the form the value seeks take, in a
  // zeroed 129-byte buffer (plus room for a long text). `tooLong` is set when
  // the text is longer than the key.
  Bytes SeekValue(int k, bool* tooLong) {
    *tooLong = false;
    Bytes v(260, 0);
    Bytes key;
    if (!m_.recs.empty() && Chance(0.6)) {
      key = m_.recs.at(RandomLiveSerial()).kv[k];
    } else {
      do {
        key = m_.KeyOf(k, Normalized(RandomRecord(0)));
      } while (HasNan(k, key));
    }
    std::memcpy(v.data(), key.data(), key.size());
    const of::Key& kd = m_.h.keys[k];
    if (kd.storedPartCount == -1 && m_.TextNodes(k) && Chance(0.15)) {
      // A text longer than the key: only its first key-length bytes count,
      // and GetEqual refuses it.
      const size_t len = strnlen(reinterpret_cast<const char*>(v.data()), kd.length);
      for (size_t i = len; i < static_cast<size_t>(kd.length) + 3; ++i) v[i] = 'q';
      *tooLong = true;
    }
    return v;
  }

  // ---- engine calls ----

  std::string NameArg(int k, bool trimmedForm) {
    const std::string name = m_.h.keys[k].name;
    return trimmedForm ? "  " + Upper(name) + " " : Upper(name);
  }

  bool Seek(int flavour, int k, const uint8_t* value, uint8_t* image) {
    const bool byName = Chance(0.2);
    const std::string name = NameArg(k, true);
    switch (flavour) {
      case 0: return byName ? db_.GetEqual(name.c_str(), value, image, 0) : db_.GetEqual(k, value, image, 0);
      case 1: return byName ? db_.GetGreaterEqual(name.c_str(), value, image, 0) : db_.GetGreaterEqual(k, value, image, 0);
      case 2: return byName ? db_.GetGreater(name.c_str(), value, image, 0) : db_.GetGreater(k, value, image, 0);
      case 3: return byName ? db_.GetLessEqual(name.c_str(), value, image, 0) : db_.GetLessEqual(k, value, image, 0);
      default: return byName ? db_.GetLess(name.c_str(), value, image, 0) : db_.GetLess(k, value, image, 0);
    }
  }

  // ---- model answers ----

  using OrderIt = std::set<Item, ItemLess>::const_iterator;

  // The model's answer to a value seek, or end().
  OrderIt ModelSeek(int flavour, int k, const uint8_t* v) const {
    const auto& o = m_.order[k];
    auto lo = o.lower_bound(Item{v, INT64_MIN, -1});
    auto hi = o.upper_bound(Item{v, INT64_MAX, -1});
    switch (flavour) {
      case 0: return (lo != o.end() && m_.Cmp(k, lo->key, v) == 0) ? lo : o.end();
      case 1: return lo;
      case 2: return hi;
      case 3: return hi == o.begin() ? o.end() : std::prev(hi);
      default: return lo == o.begin() ? o.end() : std::prev(lo);
    }
  }

  OrderIt ModelStep(int k, bool forward) const {
    const auto& o = m_.order[k];
    const MPos& p = m_.pos[k];
    const Item at{p.key.data(), p.turn, p.serial};
    if (forward) return o.upper_bound(at);
    auto it = o.lower_bound(at);
    return it == o.begin() ? o.end() : std::prev(it);
  }

  // ---- verification helpers ----

  void ExpectRecord(const uint8_t* image, int serial, const char* what) {
    const Bytes& want = m_.recs.at(serial).data;
    if (std::memcmp(image, want.data(), want.size()) != 0) {
      int32_t got;
      std::memcpy(&got, image + m_.h.fields[serialField_].offset, 4);
      std::string detail;
      for (int k = 0; k < m_.keys(); ++k) {
        detail += "\n  key " + std::to_string(k) + ": expected " + Hex(m_.recs.at(serial).kv[k]);
        if (m_.recs.count(got)) {
          detail += " turn " + std::to_string(m_.recs.at(got).turn[k]) + " vs " + std::to_string(m_.recs.at(serial).turn[k]);
          detail += ", got " + Hex(m_.recs.at(got).kv[k]);
        }
      }
      FAIL() << what << ": engine gave record " << got << ", model expects " << serial
             << (got == serial ? " (same record, different bytes)" : "") << detail;
    }
  }

  // After a key-value, compare or plain step the record is pending; GetField
  // loads it.
  void ExpectPendingRecord(int serial) {
    int32_t got = -1;
    ASSERT_TRUE(db_.GetField(&got, serialField_)) << "GetField after a key step";
    ASSERT_EQ(got, serial) << "record loaded after a key step";
  }

  void ExpectOnFile(const of::File& file, int k, int serial) {
    const int off = db_.GetCurRec(k);
    Bytes fixed;
    std::string why;
    ASSERT_TRUE(of::ReadRecord(file, m_.h, off, &fixed, &why)) << "record at " << off << ": " << why;
    ExpectRecord(fixed.data(), serial, "record on file at the position");
  }

  // ---- operations ----

  // Inserts `rec` (its serial set) through the image or the edit buffer.
  void InsertRecord(Bytes rec, bool viaEditBuffer) {
    int32_t serial;
    std::memcpy(&serial, &rec[m_.h.fields[serialField_].offset], 4);
    if (autoField_ >= 0) {
      const int32_t next = NextAutoInc();
      std::memcpy(&rec[m_.h.fields[autoField_].offset], &next, 4);
    }
    // What the engine keeps, and whether it keeps it at all.
    const Bytes kept = Normalized(rec);
    const char* refusal = Refusal(kept, -1);
    const bool refused = refusal != nullptr;
    bool ok;
    Bytes image = rec;
    if (autoField_ >= 0) std::memset(&image[m_.h.fields[autoField_].offset], 0, 4);
    if (viaEditBuffer) {
      for (int f = 0; f < static_cast<int>(fieldSpec_.size()); ++f) {
        if (f == autoField_ || m_.h.fields[f].type == of::kChunk) continue;
        ASSERT_TRUE(db_.SetField(&rec[m_.h.fields[f].offset], f)) << "SetField " << f;
      }
      // CanInsert judges the edit buffer as it stands; an auto-increment field
      // there still holds the value of the record read last, so it is asked
      // only of tables without one.
      if (autoField_ < 0) {
        ASSERT_EQ(db_.CanInsert(), !refused) << "CanInsert";
        if (refused) {
          ASSERT_STREQ(db_.GetErrMsg(), refusal) << "CanInsert";
        }
      }
      ok = db_.Insert(nullptr, 0);
    } else {
      ok = db_.Insert(image.data(), 0);
    }
    Note("insert " + std::to_string(serial) + (viaEditBuffer ? " (edit buffer)" : "") +
         (refused ? std::string(" refused: ") + refusal : ""));
    ASSERT_EQ(ok, !refused) << "Insert of record " << serial << (refused ? " should be refused" : " should succeed")
                            << ": " << db_.GetErrMsg();
    if (refused) {
      ASSERT_STREQ(db_.GetErrMsg(), refusal);
    } else {
      if (!viaEditBuffer && autoField_ >= 0) {
        ASSERT_EQ(std::memcmp(&image[m_.h.fields[autoField_].offset], &rec[m_.h.fields[autoField_].offset], 4), 0)
            << "auto-increment value written to the image";
      }
      m_.Add(serial, kept, nullptr);
      ++nextSerial_;
    }
    m_.InvalidateAll();
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(m_.recs.size()));
  }

  void OpInsert() { InsertRecord(RandomRecord(nextSerial_), Chance(0.3)); }

  // Positions key k on the record `serial` through the engine: GetEqual on its
  // value, then GetNext through its equals. Every step is checked.
  void PositionOn(int k, int serial) {
    const MRec& r = m_.recs.at(serial);
    Bytes value(260, 0);
    std::memcpy(value.data(), r.kv[k].data(), r.kv[k].size());
    Bytes image(recordLength_);
    auto it = ModelSeek(0, k, value.data());
    ASSERT_TRUE(it != m_.order[k].end());
    ASSERT_TRUE(db_.GetEqual(k, value.data(), image.data(), 0)) << "GetEqual on key " << k;
    ExpectRecord(image.data(), it->serial, "GetEqual");
    if (::testing::Test::HasFailure()) return;
    m_.SetPos(k, *it);
    while (it->serial != serial) {
      ++it;
      ASSERT_TRUE(it != m_.order[k].end());
      ASSERT_TRUE(db_.GetNext(k, image.data(), 0)) << "GetNext through equal values";
      ExpectRecord(image.data(), it->serial, "GetNext through equal values");
      if (::testing::Test::HasFailure()) return;
      m_.SetPos(k, *it);
    }
    ASSERT_EQ(db_.GetCurKeyNo(), k);
  }

  // A key to reach a record by: one whose equal values are few.
  int KeyToReach(int serial) {
    const int first = Uniform(0, m_.keys() - 1);
    for (int i = 0; i < m_.keys(); ++i) {
      const int k = (first + i) % m_.keys();
      const MRec& r = m_.recs.at(serial);
      auto lo = m_.order[k].lower_bound(Item{r.kv[k].data(), INT64_MIN, -1});
      auto at = m_.order[k].find(Item{r.kv[k].data(), r.turn[k], serial});
      if (std::distance(lo, at) <= 40) return k;
    }
    return first;
  }

  void OpUpdate() {
    if (m_.recs.empty()) return;
    const int serial = RandomLiveSerial();
    const int c = KeyToReach(serial);
    PositionOn(c, serial);
    if (::testing::Test::HasFailure()) return;
    const MRec old = m_.recs.at(serial);
    Bytes now;
    bool ok;
    if (Chance(0.4)) {
      // Change a field or two in the edit buffer (a copy of the record just read).
      now = old.data;
      for (int n = Uniform(1, 2); n > 0; --n) {
        int f = Uniform(0, static_cast<int>(fieldSpec_.size()) - 1);
        if (f == autoField_ || f == serialField_ || m_.h.fields[f].type == of::kChunk) continue;
        Bytes fresh = RandomRecord(serial);
        const of::Field& fd = m_.h.fields[f];
        std::memcpy(&now[fd.offset], &fresh[fd.offset], fd.size);
        ASSERT_TRUE(db_.SetField(&now[fd.offset], f));
      }
      ok = db_.Update(nullptr, 0);
    } else {
      now = RandomRecord(serial);
      if (Chance(0.35)) {
        // Keep the value under the key we came by, so the turn rule shows:
        // copy the fields of its parts.
        for (const of::KeyPart& p : m_.h.keys[c].parts) {
          const of::Field& fd = m_.h.fields[p.field];
          std::memcpy(&now[fd.offset], &old.data[fd.offset], fd.size);
        }
      }
      if (autoField_ >= 0) {
        const of::Field& fd = m_.h.fields[autoField_];
        std::memcpy(&now[fd.offset], &old.data[fd.offset], 4);
      }
      Bytes image = now;
      ok = db_.Update(image.data(), 0);
    }
    now = Normalized(now);
    const char* refusal = Refusal(now, serial);
    Note("update " + std::to_string(serial) + " through key " + std::to_string(c) +
         (refusal ? std::string(" refused: ") + refusal : "") +
         (m_.Cmp(c, old.kv[c].data(), m_.KeyOf(c, now).data()) == 0 ? " (same value)" : ""));
    ASSERT_EQ(ok, refusal == nullptr) << "Update of record " << serial << " through key " << c << ": "
                                      << db_.GetErrMsg();
    if (refusal) {
      // A refused update changes nothing: the record stays where it was,
      // in its turn under every key.
      ASSERT_STREQ(db_.GetErrMsg(), refusal);
    } else {
      m_.Remove(serial);
      std::vector<int64_t> keep(m_.keys(), -1);
      const Bytes kvNew = m_.KeyOf(c, now);
      if (m_.h.keys[c].attribute == 1 && m_.Cmp(c, old.kv[c].data(), kvNew.data()) == 0) keep[c] = old.turn[c];
      m_.Add(serial, now, &keep);
    }
    m_.InvalidateAll();
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(m_.recs.size()));
  }

  void OpDelete() {
    if (m_.recs.empty()) return;
    const int serial = RandomLiveSerial();
    const int c = KeyToReach(serial);
    const MRec& r = m_.recs.at(serial);
    auto at = m_.order[c].find(Item{r.kv[c].data(), r.turn[c], serial});
    if (at != m_.order[c].begin() && Chance(0.3)) {
      // Reach it with a plain step from the record before it: Delete reads
      // the record the step moved to.
      PositionOn(c, std::prev(at)->serial);
      if (::testing::Test::HasFailure()) return;
      ASSERT_TRUE(db_.SeekNext(c));
      m_.SetPos(c, *at);
      Note("seek next to " + std::to_string(serial));
    } else {
      PositionOn(c, serial);
    }
    if (::testing::Test::HasFailure()) return;
    Note("delete " + std::to_string(serial) + " through key " + std::to_string(c));
    ASSERT_TRUE(db_.Delete()) << "Delete through key " << c << ": " << db_.GetErrMsg();
    const MPos keep = m_.pos[c];
    m_.Remove(serial);
    m_.InvalidateAll();
    m_.pos[c] = keep;  // stepping continues from the deleted record's place
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(m_.recs.size()));
    ASSERT_EQ(db_.GetCurRec(c), -1);
    if (Chance(0.1)) {
      ASSERT_FALSE(db_.Delete()) << "a second Delete without a current record";
      int32_t v;
      ASSERT_FALSE(db_.GetField(&v, serialField_)) << "GetField without a current record";
    }
    if (Chance(0.5)) Step(c, Chance(0.5), 0, nullptr);
  }

  // SetCurRec makes a record current under key 0 by its offset; Delete then
  // finds it in every duplicate chain by walking the chain.
  void OpDeleteByOffset() {
    if (m_.recs.empty()) return;
    const int serial = RandomLiveSerial();
    const int c = KeyToReach(serial);
    PositionOn(c, serial);
    if (::testing::Test::HasFailure()) return;
    const int offset = db_.GetCurRec(c);
    ASSERT_GT(offset, 0);
    db_.SetCurRec(offset);
    ASSERT_EQ(db_.GetCurKeyNo(), 0);
    ASSERT_EQ(db_.GetCurRec(0), offset);
    int32_t got = -1;
    ASSERT_TRUE(db_.GetField(&got, serialField_));
    ASSERT_EQ(got, serial) << "record made current by SetCurRec";
    Note("delete " + std::to_string(serial) + " by offset");
    ASSERT_TRUE(db_.Delete()) << "Delete after SetCurRec: " << db_.GetErrMsg();
    m_.Remove(serial);
    m_.InvalidateAll();
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(m_.recs.size()));
  }

  void OpSeek() {
    if (m_.keys() == 0) return;
    const int k = Uniform(0, m_.keys() - 1);
    const int flavour = Uniform(0, 4);
    bool tooLong = false;
    Bytes value = SeekValue(k, &tooLong);
    Bytes image(recordLength_, 0xEE);
    const bool got = Seek(flavour, k, value.data(), image.data());
    auto it = (flavour == 0 && tooLong) ? m_.order[k].end() : ModelSeek(flavour, k, value.data());
    static const char* names[] = {"GetEqual", "GetGreaterEqual", "GetGreater", "GetLessEqual", "GetLess"};
    const bool want = it != m_.order[k].end();
    Note(std::string(names[flavour]) + " key " + std::to_string(k) + " -> " + (want ? std::to_string(it->serial) : "none"));
    ASSERT_EQ(got, want) << names[flavour] << " on key " << k << " \"" << m_.h.keys[k].name << "\"";
    if (!want) return;  // every position stays
    ExpectRecord(image.data(), it->serial, names[flavour]);
    m_.SetPos(k, *it);
    ASSERT_EQ(db_.GetCurKeyNo(), k);
  }

  // One step of key k in one of the flavours: 0 load, 1 key value, 2 plain
  // seek (checked on the flushed file), 3 compare. Model position follows.
  void Step(int k, bool forward, int flavour, const of::File* file) {
    if (!m_.pos[k].valid) return;
    auto want = ModelStep(k, forward);
    const bool exists = want != m_.order[k].end();
    const bool byName = Chance(0.15);
    const std::string name = NameArg(k, flavour == 0);
    bool got = false;
    static const char* stepNames[] = {"load", "key", "seek", "compare"};
    Note(std::string(forward ? "next " : "prev ") + stepNames[flavour] + " key " + std::to_string(k) + " from " +
         std::to_string(m_.pos[k].serial) + " -> " + (exists ? std::to_string(want->serial) : "none"));
    switch (flavour) {
      case 0: {
        Bytes image(recordLength_, 0xEE);
        got = byName ? (forward ? db_.GetNext(name.c_str(), image.data(), 0) : db_.GetPrev(name.c_str(), image.data(), 0))
                     : (forward ? db_.GetNext(k, image.data(), 0) : db_.GetPrev(k, image.data(), 0));
        ASSERT_EQ(got, exists) << (forward ? "GetNext" : "GetPrev") << " on key " << k;
        if (exists) ExpectRecord(image.data(), want->serial, forward ? "GetNext" : "GetPrev");
        if (::testing::Test::HasFailure() && exists) DumpGroup(k, want->serial);
        break;
      }
      case 1: {
        uint8_t out[260];
        std::memset(out, 0xCC, sizeof out);
        got = byName ? (forward ? db_.GetKeyNext(name.c_str(), out) : db_.GetKeyPrev(name.c_str(), out))
                     : (forward ? db_.GetKeyNext(k, out) : db_.GetKeyPrev(k, out));
        ASSERT_EQ(got, exists) << (forward ? "GetKeyNext" : "GetKeyPrev") << " on key " << k;
        if (exists) {
          const Bytes& slot = m_.Slot(k, m_.recs.at(want->serial).kv[k]);
          const int w = m_.ValueWidth(k);
          ASSERT_EQ(Bytes(out, out + w), Bytes(slot.begin(), slot.begin() + w)) << "key value of GetKeyNext/Prev";
          ASSERT_EQ(out[w], 0xCC) << "GetKeyNext/Prev wrote past the key value";
          if (Chance(0.3)) ExpectPendingRecord(want->serial);
        }
        break;
      }
      case 2: {
        got = forward ? db_.SeekNext(k) : db_.SeekPrev(k);
        ASSERT_EQ(got, exists) << (forward ? "SeekNext" : "SeekPrev") << " on key " << k;
        if (exists && file != nullptr) ExpectOnFile(*file, k, want->serial);
        // A field read after a plain step reads the record it moved to.
        if (exists && Chance(0.3)) ExpectPendingRecord(want->serial);
        break;
      }
      default: {
        // Code 0 with the value at the current position: true while the new
        // key matches it (text: byte by byte over the new key's text).
        const Bytes& here = m_.Slot(k, m_.pos[k].key);
        uint8_t value[260] = {0};
        std::memcpy(value, here.data(), here.size());
        const bool withCode = Chance(0.7);
        short code = 0;
        got = byName ? (forward ? db_.CompareKeyNext(name.c_str(), value, withCode ? &code : nullptr)
                                : db_.CompareKeyPrev(name.c_str(), value, withCode ? &code : nullptr))
                     : (forward ? db_.CompareKeyNext(k, value, withCode ? &code : nullptr)
                                : db_.CompareKeyPrev(k, value, withCode ? &code : nullptr));
        if (!exists) {
          ASSERT_FALSE(got) << "CompareKey step off the end";
          break;
        }
        const Bytes& slot = m_.Slot(k, m_.recs.at(want->serial).kv[k]);
        bool expect = true;
        if (withCode) expect = CodeZeroHolds(k, here.data(), slot.data());
        ASSERT_EQ(got, expect) << (forward ? "CompareKeyNext" : "CompareKeyPrev") << " on key " << k;
        if (!withCode) {
          const int w = m_.ValueWidth(k);
          ASSERT_EQ(Bytes(value, value + w), Bytes(slot.begin(), slot.begin() + w)) << "CompareKey value written";
        }
        if (Chance(0.3)) ExpectPendingRecord(want->serial);
        break;
      }
    }
    if (::testing::Test::HasFailure()) return;
    if (exists) m_.SetPos(k, *want);
  }

  // On a failure: the records equal to `serial`'s value under key k, as the
  // engine walks them and as the model orders them.
  void DumpGroup(int k, int serial) {
    const Bytes kv = m_.recs.at(serial).kv[k];
    Bytes value(260, 0);
    std::memcpy(value.data(), kv.data(), kv.size());
    std::string engine, model;
    Bytes image(recordLength_);
    int n = 0;
    for (bool more = db_.GetEqual(k, value.data(), image.data(), 0); more && n < 60;
         more = db_.GetNext(k, image.data(), 0), ++n) {
      const Bytes here = m_.KeyOf(k, image);
      if (m_.Cmp(k, here.data(), kv.data()) != 0) break;
      int32_t got;
      std::memcpy(&got, image.data() + m_.h.fields[serialField_].offset, 4);
      engine += " " + std::to_string(got);
    }
    auto it = m_.order[k].lower_bound(Item{kv.data(), INT64_MIN, -1});
    for (n = 0; it != m_.order[k].end() && m_.Cmp(k, it->key, kv.data()) == 0 && n < 60; ++it, ++n) {
      model += " " + std::to_string(it->serial);
    }
    ADD_FAILURE() << "equal values under key " << k << ": engine" << engine << "\n  model " << model;
  }

  // "value minus the new key equals 0": numbers equal (floats: or unordered);
  // texts equal byte by byte over the length of the new key's text.
  bool CodeZeroHolds(int k, const uint8_t* value, const uint8_t* key) const {
    const of::Key& kd = m_.h.keys[k];
    if (m_.TextNodes(k)) {
      const size_t len = strnlen(reinterpret_cast<const char*>(key), kd.length);
      return std::memcmp(value, key, len) == 0;
    }
    switch (kd.nodeType) {
      case of::NodeType::kFloat: {
        float a, b;
        std::memcpy(&a, value, 4);
        std::memcpy(&b, key, 4);
        return !(a < b) && !(b < a);
      }
      case of::NodeType::kDouble: {
        double a, b;
        std::memcpy(&a, value, 8);
        std::memcpy(&b, key, 8);
        return !(a < b) && !(b < a);
      }
      default: return std::memcmp(value, key, kd.slotSize) == 0;
    }
  }

  // Starts a walk at the first or last record (or goes on from the key's
  // position), then steps in mixed flavours.
  void OpWalk() {
    if (m_.keys() == 0) return;
    const int k = Uniform(0, m_.keys() - 1);
    const bool forward = Chance(0.5);
    of::File file;
    const bool onFile = Chance(0.4);
    if (onFile) {
      db_.Flush();
      std::string error;
      ASSERT_TRUE(file.Open(path_, &error)) << error;
    }
    if (!m_.pos[k].valid || Chance(0.4)) {
      StartWalk(k, forward, onFile ? &file : nullptr);
      if (::testing::Test::HasFailure() || !m_.pos[k].valid) return;
    }
    const int steps = Chance(0.05) ? static_cast<int>(m_.recs.size()) + 2 : Uniform(1, 40);
    for (int i = 0; i < steps && !::testing::Test::HasFailure(); ++i) {
      const bool dir = Chance(0.85) ? forward : !forward;
      Step(k, dir, onFile ? Uniform(0, 3) : (Uniform(0, 2) == 2 ? 3 : Uniform(0, 1)), onFile ? &file : nullptr);
    }
  }

  void StartWalk(int k, bool atFirst, const of::File* file) {
    const auto& o = m_.order[k];
    const bool exists = !o.empty();
    const int flavour = file ? Uniform(0, 2) : Uniform(0, 1);
    bool got = false;
    Note(std::string(atFirst ? "first" : "last") + " flavour " + std::to_string(flavour) + " key " + std::to_string(k));
    if (flavour == 0) {
      Bytes image(recordLength_, 0xEE);
      const bool byName = Chance(0.2);
      const std::string name = NameArg(k, true);
      got = atFirst ? (byName ? db_.GetFirst(name.c_str(), image.data(), 0) : db_.GetFirst(k, image.data(), 0))
                    : (byName ? db_.GetLast(name.c_str(), image.data(), 0) : db_.GetLast(k, image.data(), 0));
      ASSERT_EQ(got, exists) << (atFirst ? "GetFirst" : "GetLast") << " on key " << k;
      if (exists) ExpectRecord(image.data(), (atFirst ? *o.begin() : *o.rbegin()).serial, atFirst ? "GetFirst" : "GetLast");
    } else if (flavour == 1) {
      uint8_t out[260];
      std::memset(out, 0xCC, sizeof out);
      got = atFirst ? db_.GetKeyFirst(k, out) : db_.GetKeyLast(k, out);
      ASSERT_EQ(got, exists) << (atFirst ? "GetKeyFirst" : "GetKeyLast") << " on key " << k;
      if (exists) {
        const Item& it = atFirst ? *o.begin() : *o.rbegin();
        const Bytes& slot = m_.Slot(k, m_.recs.at(it.serial).kv[k]);
        const int w = m_.ValueWidth(k);
        ASSERT_EQ(Bytes(out, out + w), Bytes(slot.begin(), slot.begin() + w)) << "GetKeyFirst/Last value";
        if (Chance(0.3)) ExpectPendingRecord(it.serial);
      }
    } else {
      got = atFirst ? db_.SeekFirst(k) : db_.SeekLast(k);
      // An index whose entries are all dead has no first record either.
      ASSERT_EQ(got, exists) << (atFirst ? "SeekFirst" : "SeekLast") << " on key " << k;
      if (exists) ExpectOnFile(*file, k, (atFirst ? *o.begin() : *o.rbegin()).serial);
      if (exists && Chance(0.3)) ExpectPendingRecord((atFirst ? *o.begin() : *o.rbegin()).serial);
    }
    if (::testing::Test::HasFailure()) return;
    if (exists) m_.SetPos(k, atFirst ? *o.begin() : *o.rbegin());
  }

 public:
  // Full walks of every key, forward and back, against the model.
  void VerifyAll() {
    Bytes image(recordLength_);
    for (int k = 0; k < m_.keys(); ++k) {
      const auto& o = m_.order[k];
      bool more = db_.GetFirst(k, image.data(), 0);
      auto it = o.begin();
      for (; it != o.end(); ++it) {
        ASSERT_TRUE(more) << "forward walk of key " << k << " ended early";
        ExpectRecord(image.data(), it->serial, "forward walk");
        if (::testing::Test::HasFailure()) return;
        more = db_.GetNext(k, image.data(), 0);
      }
      ASSERT_FALSE(more) << "forward walk of key " << k << " has more records than the model";
      more = db_.GetLast(k, image.data(), 0);
      for (auto r = o.rbegin(); r != o.rend(); ++r) {
        ASSERT_TRUE(more) << "backward walk of key " << k << " ended early";
        ExpectRecord(image.data(), r->serial, "backward walk");
        if (::testing::Test::HasFailure()) return;
        more = db_.GetPrev(k, image.data(), 0);
      }
      ASSERT_FALSE(more);
      if (!o.empty()) m_.SetPos(k, *o.begin());
      else m_.pos[k].valid = false;
    }
  }

  void CheckFile(const char* when) {
    of::File file;
    std::string error;
    ASSERT_TRUE(file.Open(path_, &error)) << error;
    const of::CheckReport report = of::Check(file);
    ++checks_;
    std::string lines;
    of::Header h;
    std::vector<of::Violation> ignored;
    of::ReadHeader(file, &h, &ignored);
    for (size_t i = 0; i < report.violations.size() && i < 20; ++i) {
      lines += of::FormatViolation(h, report.violations[i]) + "\n";
    }
    ASSERT_TRUE(report.clean()) << "orvex check " << when << " (operation " << op_ << "), "
                                << report.violationCount << " violations:\n" << lines;
    ASSERT_EQ(report.liveEntries, static_cast<long long>(m_.recs.size()));
  }

  void FlushAndCheck() {
    db_.Flush();
    CheckFile("after Flush");
  }

  // Compacts the file into a copy and compares the copy with the model:
  // every live record once, with its bytes, but for auto-increment values
  // renumbered 1, 2, 3 in key-0 order; each key walked in its order, equal
  // values in copy order; the copy checks clean.
  void CompactAndCompare() {
    db_.Flush();
    const std::string copy = path_ + ".copy";
    std::remove(copy.c_str());
    ASSERT_TRUE(CompactDB(path_.c_str(), copy.c_str())) << "compaction at operation " << op_;
    std::vector<Bytes> expect;
    for (const Item& it : m_.order[0]) expect.push_back(m_.recs.at(it.serial).data);
    if (autoField_ >= 0) {
      for (size_t r = 0; r < expect.size(); ++r) {
        const int32_t v = static_cast<int32_t>(r + 1);
        std::memcpy(&expect[r][m_.h.fields[autoField_].offset], &v, 4);
      }
    }
    {
      COrvex c(copy.c_str(), kOpenMode);
      ASSERT_TRUE(c.IsDBOpen()) << c.GetErrMsg();
      ASSERT_EQ(c.GetRecordNum(), static_cast<int>(expect.size()));
      for (int k = 0; k < m_.keys(); ++k) {
        std::vector<Bytes> values;
        for (const Bytes& r : expect) values.push_back(m_.KeyOf(k, r));
        std::vector<size_t> order(expect.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return m_.Cmp(k, values[a].data(), values[b].data()) < 0; });
        Bytes image(static_cast<size_t>(recordLength_));
        size_t step = 0;
        for (bool more = c.GetFirst(k, image.data(), 0); more; more = c.GetNext(k, image.data(), 0), ++step) {
          ASSERT_LT(step, order.size()) << "the copy's key " << k << " walks too far";
          ASSERT_TRUE(image == expect[order[step]]) << "the copy's key " << k << ", step " << step;
        }
        ASSERT_EQ(step, order.size()) << "the copy's key " << k << " walks short";
      }
    }
    of::File file;
    std::string error;
    ASSERT_TRUE(file.Open(copy, &error)) << error;
    ASSERT_TRUE(of::Check(file).clean()) << "orvex check of the copy at operation " << op_;
    std::remove(copy.c_str());
    Note("compacted and compared " + std::to_string(expect.size()) + " records");
  }

  // A second object on the same file in the same process, opened after a
  // flush, reads what the first one wrote; closing it changes nothing.
  void SecondReader() {
    db_.Flush();
    COrvex other(path_.c_str(), 0x40);  // read, deny none
    ASSERT_TRUE(other.IsDBOpen()) << other.GetErrMsg();
    ASSERT_EQ(other.GetRecordNum(), static_cast<int>(m_.recs.size()));
    const int k = Uniform(0, m_.keys() - 1);
    Bytes image(recordLength_);
    auto it = m_.order[k].begin();
    for (bool more = other.GetFirst(k, image.data(), 0); it != m_.order[k].end(); ++it) {
      ASSERT_TRUE(more) << "second object's walk of key " << k << " ended early";
      ExpectRecord(image.data(), it->serial, "second object's walk");
      if (::testing::Test::HasFailure()) return;
      more = other.GetNext(k, image.data(), 0);
    }
    other.CloseDB();
    Note("second object walked key " + std::to_string(k));
  }

  void Reopen() {
    db_.CloseDB();
    CheckFile("after CloseDB");
    if (::testing::Test::HasFailure()) return;
    ASSERT_TRUE(db_.OpenDB(path_.c_str(), kOpenMode)) << db_.GetErrMsg();
    m_.InvalidateAll();
    ASSERT_EQ(db_.GetRecordNum(), static_cast<int>(m_.recs.size()));
  }

 private:
  const SchemaDef& schema_;
  std::mt19937_64 rng_;
  std::string path_;
  COrvex db_;
  Model m_;
  std::vector<const FieldSpec*> fieldSpec_;
  int serialField_ = -1;
  int autoField_ = -1;
  int recordLength_ = 0;
  int nextSerial_ = 1;
  int op_ = 0;
  std::vector<std::string> history_;
  std::map<std::string, long> counts_;
  int checks_ = 0;
  // ORVEX_RANDOM_HISTORY=n keeps more steps for the failure message.
  size_t historyLimit_ = std::getenv("ORVEX_RANDOM_HISTORY") ? std::strtoul(std::getenv("ORVEX_RANDOM_HISTORY"), nullptr, 10) : 16;
};

uint64_t Seed(uint64_t fallback) {
  const char* s = std::getenv("ORVEX_RANDOM_SEED");
  return s && *s ? std::strtoull(s, nullptr, 10) : fallback;
}

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "orvex_random_" + std::to_string(getpid()) + "_" + name + ".db";
}

void RunSchema(const SchemaDef& schema, uint64_t seed) {
  SCOPED_TRACE(std::string("schema ") + schema.name + ", seed " + std::to_string(seed));
  RandomRun run(schema, seed, TempPath(schema.name));
  run.Create();
  if (::testing::Test::HasFailure()) return;
  run.Run();
  if (::testing::Test::HasFailure()) return;
  run.Finish();
}

// Auto-increment first (so its unique key is key 0), case-insensitive text
// with duplicates, a double key, a bool key with long chains, a short unique
// key that often refuses, a multi-field key over a bool and a text slice.
const SchemaDef kMembers = {
    "members", true,
    {{"id", of::kAutoInc, 4, 0, false, false},
     {"serial", of::kInt, 4, 0, true, false},
     {"name", of::kText, 16, 6, false, false},
     {"score", of::kDouble, 8, 40, false, false},
     {"active", of::kBool, 1, 0, false, false},
     {"code", of::kShort, 2, 900, false, false}},
    {{"name", 1, {{2, 2, 0, 0}}},
     {"score", 1, {{3, 0, 0, 0}}},
     {"active", 1, {{4, 0, 0, 0}}},
     {"code", 2, {{5, 0, 0, 0}}},
     {"act_name", 1, {{4, 0, 0, 0}, {2, 1, 0, 4}}}},
    700, 7000};

// Fixed records: a unique int with a small domain, a float key, a unique
// case-sensitive text that is often full (no NUL), a case-insensitive slice,
// a short key with many equals and a slice that runs past its field.
const SchemaDef kFixed = {
    "fixed", false,
    {{"serial", of::kInt, 4, 0, true, false},
     {"n", of::kInt, 4, 1200, false, false},
     {"f", of::kFloat, 4, 60, false, false},
     {"t", of::kText, 6, 4, false, false},
     {"flag", of::kBool, 1, 0, false, false},
     {"s", of::kShort, 2, 25, false, false}},
    {{"n", 2, {{1, 0, 0, 0}}},
     {"f", 1, {{2, 0, 0, 0}}},
     {"t", 2, {{3, 1, 0, 6}}},
     {"tslice", 1, {{3, 2, 2, 3}}},
     {"s", 1, {{5, 0, 0, 0}}},
     {"pastend", 1, {{3, 1, 4, 5}}}},
    650, 7000};

// Multi-field keys of every part type, unique and duplicate, and an
// auto-increment field defined after the keys (its key is not key 0).
const SchemaDef kMulti = {
    "multi", true,
    {{"serial", of::kInt, 4, 0, true, false},
     {"a", of::kInt, 4, 30, false, false},
     {"b", of::kText, 12, 5, false, false},
     {"c", of::kDouble, 8, 12, false, false},
     {"d", of::kShort, 2, 6, false, false},
     {"e", of::kBool, 1, 0, false, false},
     {"g", of::kText, 5, 6, false, false},
     {"f", of::kFloat, 4, 20, false, false},
     {"auto", of::kAutoInc, 4, 0, false, true}},
    {{"a_b", 2, {{1, 0, 0, 0}, {2, 2, 0, 3}}},
     {"c_d_e", 1, {{3, 0, 0, 0}, {4, 0, 0, 0}, {5, 0, 0, 0}}},
     {"b_g", 1, {{2, 1, 0, 12}, {6, 2, 0, 5}}},
     {"g", 2, {{6, 2, 0, 5}}},
     {"e_f_g", 2, {{5, 0, 0, 0}, {7, 0, 0, 0}, {6, 1, 1, 3}}}},
    600, 7000};

TEST(OrvexRandom, TrimmedRecordsWithAutoIncrementAndDuplicateChains) { RunSchema(kMembers, Seed(1001)); }

TEST(OrvexRandom, FixedRecordsFullTextsAndSlices) { RunSchema(kFixed, Seed(2002)); }

TEST(OrvexRandom, MultiFieldKeysAndLateAutoIncrement) { RunSchema(kMulti, Seed(3003)); }

// Hostile values in fixed records whose first field is a text (so a record
// can begin with the duplicate-node tag): float and double keys that NaN
// must not enter, a double that no key uses, a slice starting inside its
// text, the largest and smallest integers under a unique multi-field key.
const SchemaDef kHostileFixed = {
    "hostile_fixed", false,
    {{"t", of::kText, 10, 4, false, false},
     {"serial", of::kInt, 4, 0, true, false},
     {"f", of::kFloat, 4, 40, false, false},
     {"d", of::kDouble, 8, 400, false, false},
     {"n", of::kInt, 4, 60, false, false},
     {"s", of::kShort, 2, 20, false, false},
     {"free", of::kDouble, 8, 10, false, false},
     {"b", of::kBool, 1, 0, false, false}},
    {{"t", 1, {{0, 1, 0, 0}}},
     {"tslice", 1, {{0, 2, 3, 4}}},
     {"f", 1, {{2, 0, 0, 0}}},
     {"d", 2, {{3, 0, 0, 0}}},
     {"n_s", 2, {{4, 0, 0, 0}, {5, 0, 0, 0}}},
     {"b_f_t", 1, {{7, 0, 0, 0}, {2, 0, 0, 0}, {0, 1, 2, 5}}}},
    500, 6000, true};

// The same kinds of values in trimmed records, with an auto-increment key,
// and record images that name chunks this object never wrote.
const SchemaDef kHostileTrimmed = {
    "hostile_trimmed", true,
    {{"id", of::kAutoInc, 4, 0, false, false},
     {"serial", of::kInt, 4, 0, true, false},
     {"name", of::kText, 12, 5, false, false},
     {"score", of::kDouble, 8, 40, false, false},
     {"w", of::kFloat, 4, 100, false, false},
     {"code", of::kShort, 2, 300, false, false},
     {"flag", of::kBool, 1, 0, false, false},
     {"blob", of::kChunk, 8, 0, false, false}},
    {{"name", 1, {{2, 2, 0, 0}}},
     {"slice", 1, {{2, 1, 4, 3}}},
     {"score", 1, {{3, 0, 0, 0}}},
     {"code", 2, {{5, 0, 0, 0}}},
     {"w_flag", 2, {{4, 0, 0, 0}, {6, 0, 0, 0}}}},
    500, 6000, true};

TEST(OrvexRandom, HostileValuesInFixedRecords) { RunSchema(kHostileFixed, Seed(5005)); }

TEST(OrvexRandom, HostileValuesInTrimmedRecords) { RunSchema(kHostileTrimmed, Seed(6006)); }

// A tree of three levels: ascending, descending and random bulk loads, then
// mixed operations; a text key with seven values gives chains of thousands.
TEST(OrvexRandom, DeepTreesAndLongChains) {
  const SchemaDef schema = {
      "deep", true,
      {{"serial", of::kInt, 4, 0, true, false},
       {"id", of::kInt, 4, 2000000, false, false},
       {"tag", of::kText, 8, 2, false, false}},
      {{"id", 2, {{1, 0, 0, 0}}}, {"tag", 1, {{2, 1, 0, 2}}}},
      24000, 2500};
  const uint64_t seed = Seed(4004);
  SCOPED_TRACE("seed " + std::to_string(seed));
  RandomRun run(schema, seed, TempPath("deep"));
  run.Create();
  ASSERT_FALSE(::testing::Test::HasFailure());
  std::vector<int32_t> ids;
  for (int i = 0; i < 12000; ++i) ids.push_back(3000000 + i);        // ascending: leaves of 100
  for (int i = 0; i < 6000; ++i) ids.push_back(2999999 - i);         // descending
  std::mt19937 rng(static_cast<uint32_t>(seed));
  for (int i = 0; i < 6000; ++i) ids.push_back(static_cast<int32_t>(rng() % 2000000));
  run.BulkInsert(1, ids);
  ASSERT_FALSE(::testing::Test::HasFailure());
  run.FlushAndCheck();
  ASSERT_FALSE(::testing::Test::HasFailure());
  run.Run();
  ASSERT_FALSE(::testing::Test::HasFailure());
  run.Finish();
}

// NaN compares equal to every value, so a key that held one would find
// every value in it and send later values to wrong leaves: NaN never enters
// a float or double key, first value or not, unique key or not. Every other
// value keeps an entry of its own.
TEST(OrvexRandom, NanNeverEntersAKey) {
  const std::string path = TempPath("nan");
  std::remove(path.c_str());
  {
    COrvex db;
    ASSERT_TRUE(db.CreateField("serial", of::kInt, 4));
    ASSERT_TRUE(db.CreateField("x", of::kFloat, 4));
    ASSERT_TRUE(db.CreateKey("x", 1, 1, 0, 0, 0));
    ASSERT_TRUE(db.CreateDB(path.c_str(), "nan"));
    const float values[] = {std::nanf(""), 5.0f, -3.0f, 100.0f, std::nanf(""), 0.0f};
    for (int i = 0; i < 6; ++i) {
      uint8_t image[8];
      std::memcpy(image, &i, 4);
      std::memcpy(image + 4, &values[i], 4);
      EXPECT_EQ(db.Insert(image, 0), !std::isnan(values[i])) << i;
      if (std::isnan(values[i])) {
        EXPECT_STREQ(db.GetErrMsg(), kNanKey);
      }
    }
    EXPECT_EQ(db.GetRecordNum(), 4);
    int32_t serial = -1;
    const float probe = 42.0f;
    EXPECT_FALSE(db.GetEqual(0, &probe));
    const float five = 5.0f;
    ASSERT_TRUE(db.GetEqual(0, &five));
    ASSERT_TRUE(db.GetField(&serial, 0));
    EXPECT_EQ(serial, 1);
    std::vector<int32_t> order;
    for (bool ok = db.GetFirst(0); ok; ok = db.GetNext(0)) {
      ASSERT_TRUE(db.GetField(&serial, 0));
      order.push_back(serial);
    }
    EXPECT_EQ(order, (std::vector<int32_t>{2, 5, 1, 3}));
    ASSERT_TRUE(db.GetLessEqual(0, &probe));
    ASSERT_TRUE(db.GetField(&serial, 0));
    EXPECT_EQ(serial, 1);
    db.CloseDB();
    of::File file;
    std::string error;
    ASSERT_TRUE(file.Open(path, &error)) << error;
    const of::CheckReport r = of::Check(file);
    EXPECT_TRUE(r.clean()) << (r.violations.empty() ? "" : r.violations[0].what);
    EXPECT_EQ(r.nodes, 1);
    EXPECT_EQ(r.liveEntries, 4);
  }
  std::remove(path.c_str());
  {
    COrvex db;
    ASSERT_TRUE(db.CreateField("serial", of::kInt, 4));
    ASSERT_TRUE(db.CreateField("d", of::kDouble, 8));
    ASSERT_TRUE(db.CreateKey("d", 2, 1, 0, 0, 0));
    ASSERT_TRUE(db.CreateDB(path.c_str(), "nan"));
    for (int i = 0; i < 450; ++i) {
      uint8_t image[12];
      const double v = i * 1.5;
      std::memcpy(image, &i, 4);
      std::memcpy(image + 4, &v, 8);
      ASSERT_TRUE(db.Insert(image, 0)) << db.GetErrMsg();
    }
    uint8_t image[12];
    const int32_t s = 999;
    const double nan = std::nan("");
    std::memcpy(image, &s, 4);
    std::memcpy(image + 4, &nan, 8);
    EXPECT_FALSE(db.Insert(image, 0));
    EXPECT_STREQ(db.GetErrMsg(), kNanKey);
    EXPECT_EQ(db.GetRecordNum(), 450);
    for (int i = 0; i < 450; i += 7) {
      const double v = i * 1.5;
      ASSERT_TRUE(db.GetEqual(0, &v)) << i;
    }
    db.CloseDB();
    of::File file;
    std::string error;
    ASSERT_TRUE(file.Open(path, &error)) << error;
    EXPECT_TRUE(of::Check(file).clean());
  }
  std::remove(path.c_str());
}

}  // namespace
