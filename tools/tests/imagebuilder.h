// Builds database file images byte by byte, without the engine, for the tests
// of the file reader and checker: a header with a schema, record blocks in
// fixed or trimmed form, index nodes of every type, duplicate chains and free
// lists. Tests build a sound file and then break one thing in it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "orvexfile.h"

namespace orvextest {

using Bytes = std::vector<uint8_t>;

struct PartDef {
  int field;
  int mode = 0;
  int start = 0;
  int length = 0;  // 0: the field type's length (text: the field size)
};

struct KeyDef {
  std::string name;
  int attribute;
  std::vector<PartDef> parts;  // one part: a single-field key
};

// One index entry to lay out: its key bytes and its record offset (or chain head).
struct Entry {
  Bytes key;
  int32_t record;
};

class ImageBuilder {
 public:
  ImageBuilder() : bytes_(orvexfile::kHeaderSize, 0) {
    Text(0, "orvex test image", 32);
    Text(orvexfile::hdr::kVersion, "2.60", 10);
    Text(orvexfile::hdr::kDescription, "hand-built", 60);
    for (int k = 0; k < orvexfile::kMaxKeys; ++k) {
      I32(orvexfile::hdr::kRoot + 4 * k, -1);
      I32(orvexfile::hdr::kFirstLeaf + 4 * k, -1);
      I32(orvexfile::hdr::kLastLeaf + 4 * k, -1);
    }
    I32(orvexfile::hdr::kRecordFree, -1);
    I32(orvexfile::hdr::kDupFree, -1);
    I32(orvexfile::hdr::kChunkFree, -1);
    I16(orvexfile::hdr::kRecordForm, 0);
  }

  // ---- raw bytes ----
  Bytes& bytes() { return bytes_; }
  int32_t size() const { return static_cast<int32_t>(bytes_.size()); }
  void I16(int64_t at, int v) {
    bytes_[at] = static_cast<uint8_t>(v);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void I32(int64_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  }
  int32_t GetI32(int64_t at) const {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes_[at + i]) << (8 * i);
    return static_cast<int32_t>(v);
  }
  void Text(int64_t at, const std::string& s, int width) {
    std::memset(&bytes_[at], 0, width);
    std::memcpy(&bytes_[at], s.data(), std::min<size_t>(s.size(), width - 1));
  }
  int32_t Append(size_t n) {
    const int32_t at = size();
    bytes_.resize(bytes_.size() + n, 0);
    return at;
  }

  // ---- schema ----
  static int StoredSize(int type, int size) {
    switch (type) {
      case 1: return 2;
      case 2: case 3: case 8: return 4;
      case 4: case 7: return 8;
      case 6: return 1;
      default: return size;
    }
  }
  int AddField(const std::string& name, int type, int size = 0) {
    const int i = static_cast<int>(types_.size());
    Text(orvexfile::hdr::kFieldNames + 32 * i, name, 32);
    I16(orvexfile::hdr::kFieldTypes + 2 * i, type);
    const int stored = StoredSize(type, size);
    I16(orvexfile::hdr::kFieldSizes + 2 * i, stored);
    types_.push_back(type);
    offsets_.push_back(recordLength_);
    sizes_.push_back(stored);
    recordLength_ += stored;
    I16(orvexfile::hdr::kFieldCount, i + 1);
    I32(orvexfile::hdr::kRecordLength, recordLength_);
    return i;
  }
  int AddKey(const KeyDef& def) {
    const int k = static_cast<int>(keys_.size());
    Text(orvexfile::hdr::kKeyNames + 32 * k, def.name, 32);
    I16(orvexfile::hdr::kKeyAttr + 2 * k, def.attribute);
    KeyDef stored = def;
    for (size_t p = 0; p < def.parts.size(); ++p) {
      PartDef& part = stored.parts[p];
      const int type = types_[part.field];
      if (part.length == 0) part.length = type == 5 ? std::min(sizes_[part.field], 128) : StoredSize(type, 0);
      if (type == 5 && part.mode == 0) part.mode = 1;
      const int cell = 2 * (k * orvexfile::kMaxParts + static_cast<int>(p));
      I16(orvexfile::hdr::kPartField + cell, part.field);
      I16(orvexfile::hdr::kPartMode + cell, part.mode);
      I16(orvexfile::hdr::kPartStart + cell, part.start);
      I16(orvexfile::hdr::kPartLength + cell, part.length);
    }
    I16(orvexfile::hdr::kPartCount + 2 * k, def.parts.size() == 1 ? -1 : static_cast<int>(def.parts.size()));
    keys_.push_back(stored);
    I16(orvexfile::hdr::kKeyCount, k + 1);
    return k;
  }
  void SetFixedForm() { I16(orvexfile::hdr::kRecordForm, -1); }
  bool trimmed() const { return bytes_[orvexfile::hdr::kRecordForm] == 0; }
  void SetRecordCount(int n) { I32(orvexfile::hdr::kRecordCount, n); }
  int recordLength() const { return recordLength_; }
  int fieldOffset(int f) const { return offsets_[f]; }

  int KeyLength(int k) const {
    int n = 0;
    for (const PartDef& p : keys_[k].parts) n += p.length;
    return n;
  }
  bool TextNodes(int k) const { return keys_[k].parts.size() > 1 || types_[keys_[k].parts[0].field] == 5; }
  int SlotSize(int k) const {
    if (TextNodes(k)) return KeyLength(k) + 1;
    return KeyLength(k);
  }
  int KeysStart(int k) const {
    const int t = types_[keys_[k].parts[0].field];
    return (TextNodes(k) || t == 4) ? 1632 : 1628;
  }
  int NodeSize(int k) const {
    if (TextNodes(k)) return 1632 + 201 * (KeyLength(k) + 1);
    switch (types_[keys_[k].parts[0].field]) {
      case 6: return 1832;
      case 1: return 2032;
      case 4: return 3240;
      default: return 2432;
    }
  }

  // ---- records ----
  // A fixed-layout record image, zeroed.
  Bytes NewRecord() const { return Bytes(recordLength_, 0); }
  void PutInt(Bytes& rec, int f, int32_t v) const { std::memcpy(&rec[offsets_[f]], &v, 4); }
  void PutShort(Bytes& rec, int f, int16_t v) const { std::memcpy(&rec[offsets_[f]], &v, 2); }
  void PutDouble(Bytes& rec, int f, double v) const { std::memcpy(&rec[offsets_[f]], &v, 8); }
  void PutFloat(Bytes& rec, int f, float v) const { std::memcpy(&rec[offsets_[f]], &v, 4); }
  void PutBool(Bytes& rec, int f, bool v) const { rec[offsets_[f]] = v ? 1 : 0; }
  void PutText(Bytes& rec, int f, const std::string& s) const {
    std::memset(&rec[offsets_[f]], 0, sizes_[f]);
    std::memcpy(&rec[offsets_[f]], s.data(), std::min<size_t>(s.size(), sizes_[f]));
  }

  // Writes a record block in the file's form; returns its offset.
  int32_t WriteRecord(const Bytes& rec) {
    if (!trimmed()) {
      const int32_t at = Append(rec.size());
      std::memcpy(&bytes_[at], rec.data(), rec.size());
      return at;
    }
    Bytes block(2, 0);
    for (size_t f = 0; f < types_.size(); ++f) {
      const uint8_t* v = &rec[offsets_[f]];
      if (types_[f] == 5) {
        const int n = static_cast<int>(strnlen(reinterpret_cast<const char*>(v), sizes_[f]));
        block.push_back(static_cast<uint8_t>(n));
        block.push_back(static_cast<uint8_t>(n >> 8));
        block.insert(block.end(), v, v + n);
      } else {
        block.insert(block.end(), v, v + sizes_[f]);
      }
    }
    block[0] = static_cast<uint8_t>(block.size());
    block[1] = static_cast<uint8_t>(block.size() >> 8);
    const int32_t at = Append(block.size());
    std::memcpy(&bytes_[at], block.data(), block.size());
    return at;
  }

  // The key value of a record for key k: the slot bytes (text nodes: with NUL).
  Bytes KeyOf(int k, const Bytes& rec) const {
    Bytes v;
    for (const PartDef& p : keys_[k].parts) {
      if (types_[p.field] == 5) {
        for (int i = 0; i < p.length; ++i) {
          const int at = p.start + i;
          v.push_back(at < sizes_[p.field] ? rec[offsets_[p.field] + at] : 0);
        }
      } else {
        v.insert(v.end(), rec.begin() + offsets_[p.field], rec.begin() + offsets_[p.field] + p.length);
      }
    }
    if (TextNodes(k)) v.push_back(0);
    return v;
  }

  // ---- duplicate chains ----
  int32_t WriteDupNode(int32_t record, int32_t next, int32_t prev, int32_t last) {
    const int32_t at = Append(24);
    std::memcpy(&bytes_[at], "fDUPKEY", 8);
    I32(at + 8, record);
    I32(at + 12, next);
    I32(at + 16, prev);
    I32(at + 20, last);
    return at;
  }
  // A chain over the records, in order; returns the head.
  int32_t WriteChain(const std::vector<int32_t>& records) {
    std::vector<int32_t> nodes;
    for (int32_t r : records) nodes.push_back(WriteDupNode(r, -1, -1, -1));
    for (size_t i = 0; i < nodes.size(); ++i) {
      I32(nodes[i] + 12, i + 1 < nodes.size() ? nodes[i + 1] : -1);
      I32(nodes[i] + 16, i > 0 ? nodes[i - 1] : -1);
    }
    I32(nodes[0] + 20, nodes.back());
    return nodes[0];
  }

  // ---- index nodes ----
  int32_t WriteNode(int k, const std::vector<Entry>& entries, const std::vector<int32_t>& children) {
    const int32_t at = Append(NodeSize(k));
    I32(at, static_cast<int32_t>(entries.size()));
    for (int i = 0; i < 201; ++i) {
      I32(at + 4 + 4 * i, -1);
      I32(at + 808 + 4 * i, -1);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      I32(at + 4 + 4 * i, children.empty() ? -1 : children[i]);
      I32(at + 808 + 4 * i, entries[i].record);
      std::memcpy(&bytes_[at + KeysStart(k) + i * SlotSize(k)], entries[i].key.data(),
                  std::min<size_t>(entries[i].key.size(), SlotSize(k)));
    }
    I32(at + 1612, -1);
    I32(at + 1616, at);
    I32(at + 1620, -1);
    I32(at + 1624, -1);
    return at;
  }
  int32_t SlotOffset(int k, int32_t node, int entry) const { return node + KeysStart(k) + entry * SlotSize(k); }

  // Lays out a whole index over entries given in ascending key order: leaves of
  // at most `fill` entries, then internal levels of at most `fill` entries, each
  // level chained, parents set; stores root, first and last leaf in the header.
  // Returns the levels' node offsets, leaves first.
  std::vector<std::vector<int32_t>> BuildIndex(int k, const std::vector<Entry>& entries, size_t fill) {
    std::vector<std::vector<int32_t>> levels;
    std::vector<Entry> level = entries;
    std::vector<int32_t> children;
    while (true) {
      std::vector<int32_t> nodes;
      std::vector<Entry> up;
      for (size_t i = 0; i < level.size(); i += fill) {
        const size_t n = std::min(fill, level.size() - i);
        std::vector<Entry> part(level.begin() + i, level.begin() + i + n);
        std::vector<int32_t> kids;
        if (!children.empty()) kids.assign(children.begin() + i, children.begin() + i + n);
        const int32_t node = WriteNode(k, part, kids);
        for (int32_t c : kids) I32(c + 1612, node);
        nodes.push_back(node);
        up.push_back(Entry{part.back().key, -1});
      }
      for (size_t i = 0; i < nodes.size(); ++i) {
        I32(nodes[i] + 1620, i > 0 ? nodes[i - 1] : -1);
        I32(nodes[i] + 1624, i + 1 < nodes.size() ? nodes[i + 1] : -1);
      }
      levels.push_back(nodes);
      if (nodes.size() == 1) break;
      level = up;
      children = nodes;
    }
    I32(orvexfile::hdr::kRoot + 4 * k, levels.back()[0]);
    I32(orvexfile::hdr::kFirstLeaf + 4 * k, levels[0].front());
    I32(orvexfile::hdr::kLastLeaf + 4 * k, levels[0].back());
    return levels;
  }

 private:
  Bytes bytes_;
  std::vector<int> types_, offsets_, sizes_;
  std::vector<KeyDef> keys_;
  int recordLength_ = 0;
};

}  // namespace orvextest
