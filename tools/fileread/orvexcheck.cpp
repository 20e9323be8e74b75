#include "orvexcheck.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <unordered_map>
#include <unordered_set>

namespace orvexfile {

namespace {

// A tree deeper than this cannot be made from 2^31 bytes of nodes with a
// fan-out of 100 or more; anything deeper is a cycle or garbage.
constexpr int kMaxDepth = 16;

constexpr char kDupTag[8] = "fDUPKEY";

// A stretch of the file that one structure occupies.
struct Block {
  int64_t start;
  int64_t length;
  const char* kind;
};

struct LevelNode {
  int32_t offset;
  const uint8_t* firstKey;
  const uint8_t* lastKey;
};

class Checker {
 public:
  Checker(const File& f, CheckReport* r) : f_(f), r_(r) {}

  void Run() {
    std::vector<Violation> problems;
    const bool sound = ReadHeader(f_, &h_, &problems);
    for (Violation& v : problems) Add(v.offset, v.key, std::move(v.what));
    if (!sound) return;  // without a sound schema nothing below can be read
    WalkRecordFreeList();
    WalkDupFreeList();
    WalkChunkFreeList();
    std::vector<std::vector<int32_t>> records(h_.keys.size());
    std::vector<bool> complete(h_.keys.size(), false);
    for (size_t k = 0; k < h_.keys.size(); ++k) {
      complete[k] = CheckKey(static_cast<int>(k), &records[k]);
    }
    CompareRecordSets(records, complete);
    if (!records.empty()) CheckChunks(records[0]);
    CheckOverlaps();
    r_->liveEntries = records.empty() ? 0 : static_cast<long long>(records[0].size());
  }

 private:
  void Add(int64_t offset, int key, std::string what, int64_t subject = -1) {
    ++r_->violationCount;
    if (r_->violations.size() < kMaxReported) {
      r_->violations.push_back(Violation{offset, key, std::move(what), subject});
    }
  }

  // A violation found while following a leaf entry of the key being walked,
  // about what the entry or a chain link names at `subject`.
  void AddFound(int64_t offset, int64_t subject, std::string what) { Add(offset, k_, std::move(what), subject); }

  bool IsDupNode(int64_t off) const {
    return off >= kHeaderSize && f_.Contains(off, kDupNodeSize) &&
           std::memcmp(f_.data() + off, kDupTag, 7) == 0;
  }

  // ---- free lists ----

  void WalkRecordFreeList() {
    const bool trimmed = h_.trimmed();
    const int64_t minBlock = trimmed ? 6 : std::max<int64_t>(4, h_.recordLength);
    int64_t off = h_.recordFree;
    int64_t from = -1;
    while (off > 0) {
      if (!trimmed && h_.recordLength < 4) {
        Add(off, -1, "record free list is not empty although records of " +
                         std::to_string(h_.recordLength) + " bytes are never listed");
        return;
      }
      if (off < kHeaderSize || !f_.Contains(off, minBlock)) {
        Add(from, -1, "record free list points at " + std::to_string(off) + ", outside the file's blocks");
        return;
      }
      if (!freeRecords_.insert(static_cast<int32_t>(off)).second) {
        Add(off, -1, "record free list has a cycle: block reached again from " + std::to_string(from));
        return;
      }
      if (trimmed) {
        const int len = f_.I16(off);
        if (len < 6 || !f_.Contains(off, len)) {
          Add(off, -1, "free trimmed block length " + std::to_string(len) + " does not fit the file");
          return;
        }
        blocks_.push_back(Block{off, len, "free record block"});
      } else {
        blocks_.push_back(Block{off, h_.recordLength, "free record block"});
      }
      from = off;
      off = f_.I32(off + (trimmed ? 2 : 0));
    }
  }

  void WalkDupFreeList() {
    int64_t off = h_.dupFree;
    int64_t from = -1;
    while (off != -1) {
      if (off < kHeaderSize || !f_.Contains(off, kDupNodeSize)) {
        Add(from, -1, "duplicate-node free list points at " + std::to_string(off) +
                          ", outside the file's blocks");
        return;
      }
      if (!freeDups_.insert(static_cast<int32_t>(off)).second) {
        Add(off, -1, "duplicate-node free list has a cycle: node reached again from " + std::to_string(from));
        return;
      }
      blocks_.push_back(Block{off, kDupNodeSize, "free duplicate node"});
      from = off;
      off = f_.I32(off);
    }
  }

  void WalkChunkFreeList() {
    int64_t off = h_.chunkFree;
    int64_t from = -1;
    while (off >= 1) {
      if (off < kHeaderSize || !f_.Contains(off, 8)) {
        Add(from, -1, "chunk free list points at " + std::to_string(off) + ", outside the file's blocks");
        return;
      }
      const int32_t cap = f_.I32(off + 4);
      if (cap < 0 || !f_.Contains(off + 8, cap)) {
        Add(off, -1, "free chunk block capacity " + std::to_string(cap) + " does not fit the file");
        return;
      }
      if (!freeChunks_.insert(static_cast<int32_t>(off)).second) {
        Add(off, -1, "chunk free list has a cycle: block reached again from " + std::to_string(from));
        return;
      }
      blocks_.push_back(Block{off, 8 + static_cast<int64_t>(cap), "free chunk block"});
      from = off;
      off = f_.I32(off);
    }
  }

  // ---- indexes ----

  const uint8_t* Slot(const Key& key, int64_t node, int i) const {
    return f_.data() + node + key.keysStart + static_cast<int64_t>(i) * key.slotSize;
  }

  // Walks one key's index; returns true when every live entry could be reached
  // (so that its record set can be compared with the others).
  bool CheckKey(int k, std::vector<int32_t>* records) {
    const Key& key = h_.keys[k];
    if (!key.usable) return false;
    key_ = &key;
    k_ = k;
    records_ = records;
    levels_.clear();
    visited_.clear();
    leafDepth_ = -1;
    complete_ = true;

    if (key.root == -1) {
      if (key.firstLeaf != -1 || key.lastLeaf != -1) {
        Add(-1, k, "index is empty (root -1) but first leaf is " + std::to_string(key.firstLeaf) +
                       " and last leaf " + std::to_string(key.lastLeaf));
      }
      return true;
    }
    Visit(key.root, -1, 0, -1, -1);

    // Every level is one chain through previous and next links, in key order.
    for (size_t d = 0; d < levels_.size(); ++d) {
      const std::vector<LevelNode>& level = levels_[d];
      for (size_t i = 0; i < level.size(); ++i) {
        const int64_t off = level[i].offset;
        const int32_t wantPrev = i > 0 ? level[i - 1].offset : -1;
        const int32_t wantNext = i + 1 < level.size() ? level[i + 1].offset : -1;
        const int32_t prev = f_.I32(off + node::kPrev);
        const int32_t next = f_.I32(off + node::kNext);
        if (prev != wantPrev) {
          Add(off, k, "previous link is " + std::to_string(prev) + ", the node before it on its level is " +
                          std::to_string(wantPrev));
        }
        if (next != wantNext) {
          Add(off, k, "next link is " + std::to_string(next) + ", the node after it on its level is " +
                          std::to_string(wantNext));
        }
        if (i > 0 && CompareKeyValues(h_, key, level[i - 1].lastKey, level[i].firstKey) >= 0) {
          Add(off, k, "first key is not above the last key of the node before it (" +
                          std::to_string(level[i - 1].offset) + ")");
        }
      }
    }
    if (leafDepth_ >= 0 && static_cast<size_t>(leafDepth_) < levels_.size() &&
        !levels_[leafDepth_].empty()) {
      const std::vector<LevelNode>& leaves = levels_[leafDepth_];
      if (key.firstLeaf != leaves.front().offset) {
        Add(leaves.front().offset, k, "header's first leaf is " + std::to_string(key.firstLeaf) +
                                          ", the leftmost leaf is this node");
      }
      if (key.lastLeaf != leaves.back().offset) {
        Add(leaves.back().offset, k, "header's last leaf is " + std::to_string(key.lastLeaf) +
                                         ", the rightmost leaf is this node");
      }
    }
    return complete_;
  }

  // Visits the node at `off`, reached from entry `entry` of `parent`. Returns the
  // node's largest key, or null when the node could not be read.
  const uint8_t* Visit(int64_t off, int64_t parent, int depth, int entry, int64_t from) {
    const Key& key = *key_;
    const int64_t where = from >= 0 ? from : off;
    if (off < kHeaderSize || !f_.Contains(off, key.nodeSize)) {
      Add(where, k_, (parent < 0 ? std::string("root") : "child of entry " + std::to_string(entry)) +
                         " at " + std::to_string(off) + " lies outside the file's blocks");
      complete_ = false;
      return nullptr;
    }
    if (depth >= kMaxDepth) {
      Add(where, k_, "tree deeper than " + std::to_string(kMaxDepth) + " levels (a child points back up)");
      complete_ = false;
      return nullptr;
    }
    if (!visited_.insert(static_cast<int32_t>(off)).second) {
      Add(where, k_, "node " + std::to_string(off) + " is reached twice (a child points at an ancestor or shared node)");
      complete_ = false;
      return nullptr;
    }
    ++r_->nodes;
    blocks_.push_back(Block{off, key.nodeSize, "index node"});
    const int32_t count = f_.I32(off + node::kCount);
    if (count < 1 || count > kFanOut) {
      Add(off, k_, "entry count " + std::to_string(count) + " outside 1..200");
      complete_ = false;
      return nullptr;
    }
    const int32_t self = f_.I32(off + node::kSelf);
    if (self != off) Add(off, k_, "own offset field says " + std::to_string(self));
    const int32_t up = f_.I32(off + node::kParent);
    if (up != parent) {
      Add(off, k_, "parent link is " + std::to_string(up) + ", its parent is " + std::to_string(parent));
    }
    if (levels_.size() <= static_cast<size_t>(depth)) levels_.resize(depth + 1);
    levels_[depth].push_back(LevelNode{static_cast<int32_t>(off), Slot(key, off, 0), Slot(key, off, count - 1)});

    for (int i = 1; i < count; ++i) {
      if (CompareKeyValues(h_, key, Slot(key, off, i - 1), Slot(key, off, i)) >= 0) {
        Add(off, k_, "entries " + std::to_string(i - 1) + " and " + std::to_string(i) +
                         " are not in ascending order");
      }
    }
    const bool leaf = f_.I32(off + node::kChild) == -1;
    if (leaf) {
      if (leafDepth_ < 0) leafDepth_ = depth;
      if (depth != leafDepth_) {
        Add(off, k_, "leaf at depth " + std::to_string(depth) + ", other leaves at depth " +
                         std::to_string(leafDepth_));
      }
      for (int i = 0; i < count; ++i) {
        const int32_t child = f_.I32(off + node::kChild + 4 * i);
        if (child != -1) {
          Add(off, k_, "leaf entry " + std::to_string(i) + " has child " + std::to_string(child));
        }
        CheckEntry(off, i, f_.I32(off + node::kRecord + 4 * i));
      }
    } else {
      for (int i = 0; i < count; ++i) {
        const int32_t child = f_.I32(off + node::kChild + 4 * i);
        if (child == -1) {
          Add(off, k_, "internal entry " + std::to_string(i) + " has no child");
          complete_ = false;
          continue;
        }
        const uint8_t* largest = Visit(child, off, depth + 1, i, off);
        if (largest != nullptr && CompareKeyValues(h_, key, Slot(key, off, i), largest) != 0) {
          Add(off, k_, "internal entry " + std::to_string(i) + " key is not the largest key of its child " +
                           std::to_string(child));
        }
      }
    }
    return Slot(key, off, count - 1);
  }

  // A leaf entry's record offset: a record, a duplicate chain's head, or -1.
  void CheckEntry(int64_t leaf, int entry, int32_t rec) {
    if (rec == -1) return;  // a dead entry
    const uint8_t* entryKey = Slot(*key_, leaf, entry);
    const std::string label = "entry " + std::to_string(entry);
    if (rec < kHeaderSize || !f_.Contains(rec, 1)) {
      AddFound(leaf, rec, label + " record offset " + std::to_string(rec) + " lies outside the file's blocks");
      complete_ = false;
      return;
    }
    if (!IsDupNode(rec)) {
      CheckRecord(leaf, label, rec, entryKey);
      return;
    }
    if (key_->attribute != 1) {
      AddFound(leaf, rec, label + " holds a duplicate chain under a unique key");
    }
    WalkChain(leaf, label, rec, entryKey);
  }

  void CheckRecord(int64_t where, const std::string& label, int32_t rec, const uint8_t* entryKey) {
    std::vector<uint8_t> fixed;
    std::string why;
    int blockLength = 0;
    if (!ReadRecord(f_, h_, rec, &fixed, &why, &blockLength)) {
      AddFound(where, rec, label + ": " + why);
      complete_ = false;
      return;
    }
    if (k_ == 0) blocks_.push_back(Block{rec, blockLength, "record"});
    const std::vector<uint8_t> value = FormKeyValue(h_, *key_, fixed.data());
    if (CompareKeyValues(h_, *key_, value.data(), entryKey) != 0) {
      AddFound(where, rec, label + ": record " + std::to_string(rec) + " has a key value different from the entry's");
    }
    if (freeRecords_.count(rec)) {
      AddFound(where, rec, label + ": record " + std::to_string(rec) + " is live but on the record free list");
    }
    records_->push_back(rec);
  }

  void WalkChain(int64_t leaf, const std::string& label, int32_t head, const uint8_t* entryKey) {
    int64_t n = head;
    int64_t prev = -1;
    int64_t last = -1;
    while (n != -1) {
      if (!IsDupNode(n)) {
        AddFound(prev >= 0 ? prev : leaf, n,
                 label + ": chain link " + std::to_string(n) +
                     (n >= kHeaderSize && f_.Contains(n, kDupNodeSize) ? " is not a duplicate node"
                                                                       : " lies outside the file's blocks"));
        complete_ = false;
        break;
      }
      if (!dupSeen_.insert(static_cast<int32_t>(n)).second) {
        AddFound(n, n, label + ": duplicate node reached twice (a cycle or a shared chain)");
        complete_ = false;
        break;
      }
      blocks_.push_back(Block{n, kDupNodeSize, "duplicate node"});
      if (freeDups_.count(static_cast<int32_t>(n))) {
        AddFound(n, n, label + ": duplicate node is in a chain and on the duplicate-node free list");
      }
      const int32_t back = f_.I32(n + 16);
      if (back != prev) {
        AddFound(n, n,
                 label + ": duplicate node's previous link is " + std::to_string(back) + ", expected " +
                     std::to_string(prev));
      }
      const int32_t rec = f_.I32(n + 8);
      if (rec == -1) {
        AddFound(n, n, label + ": duplicate node holds no record");
      } else if (rec < kHeaderSize || !f_.Contains(rec, 1)) {
        AddFound(n, rec,
                 label + ": duplicate node's record " + std::to_string(rec) + " lies outside the file's blocks");
        complete_ = false;
      } else if (IsDupNode(rec)) {
        AddFound(n, rec, label + ": duplicate node's record " + std::to_string(rec) + " is itself a duplicate node");
        complete_ = false;
      } else {
        CheckRecord(n, label, rec, entryKey);
      }
      last = n;
      prev = n;
      n = f_.I32(n + 12);
    }
    const int32_t headLast = f_.I32(static_cast<int64_t>(head) + 20);
    if (last != -1 && headLast != last) {
      AddFound(head, head,
               label + ": chain head's last pointer is " + std::to_string(headLast) + ", the chain ends at " +
                   std::to_string(last));
    }
  }

  // ---- across keys ----

  void CompareRecordSets(std::vector<std::vector<int32_t>>& records, const std::vector<bool>& complete) {
    const std::vector<int32_t>* reference = nullptr;
    int refKey = -1;
    for (size_t k = 0; k < records.size(); ++k) {
      std::vector<int32_t>& r = records[k];
      std::sort(r.begin(), r.end());
      const auto dup = std::adjacent_find(r.begin(), r.end());
      if (dup != r.end()) {
        Add(*dup, static_cast<int>(k), "record " + std::to_string(*dup) + " is reached twice through this key", *dup);
      }
      if (!h_.keys[k].usable) continue;
      if (static_cast<long long>(r.size()) != h_.recordCount) {
        Add(-1, static_cast<int>(k), "index holds " + std::to_string(r.size()) +
                                         " live entries, the record count is " + std::to_string(h_.recordCount));
      }
      if (!complete[k]) continue;
      if (reference == nullptr) {
        reference = &r;
        refKey = static_cast<int>(k);
        continue;
      }
      std::vector<int32_t> onlyOne;
      std::set_symmetric_difference(reference->begin(), reference->end(), r.begin(), r.end(),
                                    std::back_inserter(onlyOne));
      if (!onlyOne.empty()) {
        Add(onlyOne.front(), static_cast<int>(k),
            std::to_string(onlyOne.size()) + " records are indexed by key " + std::to_string(refKey) +
                " or by this key but not by both (first: " + std::to_string(onlyOne.front()) + ")");
      }
    }
  }

  void CheckChunks(const std::vector<int32_t>& records) {
    std::vector<uint8_t> fixed;
    std::string why;
    for (int32_t rec : records) {
      if (!ReadRecord(f_, h_, rec, &fixed, &why)) continue;
      for (const Field& fd : h_.fields) {
        if (fd.type != kChunk) continue;
        int32_t first, total;
        std::memcpy(&first, fixed.data() + fd.offset, 4);
        std::memcpy(&total, fixed.data() + fd.offset + 4, 4);
        if (first <= 0) {
          if (total != 0) {
            Add(rec, -1, "chunk field \"" + fd.name + "\" has no block but a size of " + std::to_string(total));
          }
          continue;
        }
        int64_t capacity = 0;
        int64_t b = first;
        std::unordered_set<int32_t> seen;
        while (b > 0 && capacity < total) {
          if (b < kHeaderSize || !f_.Contains(b, 8) || !f_.Contains(b + 8, std::max(0, f_.I32(b + 4)))) {
            Add(rec, -1, "chunk field \"" + fd.name + "\" block " + std::to_string(b) +
                             " lies outside the file's blocks");
            break;
          }
          if (!seen.insert(static_cast<int32_t>(b)).second) {
            Add(rec, -1, "chunk field \"" + fd.name + "\" chain has a cycle at " + std::to_string(b));
            break;
          }
          if (freeChunks_.count(static_cast<int32_t>(b))) {
            Add(rec, -1, "chunk field \"" + fd.name + "\" block " + std::to_string(b) +
                             " is on the chunk free list");
          }
          // A block belongs to one record: deleting either would free the
          // other's value.
          const auto owner = chunkOwners_.emplace(static_cast<int32_t>(b), rec);
          if (!owner.second && owner.first->second != rec) {
            Add(rec, -1, "chunk field \"" + fd.name + "\" block " + std::to_string(b) +
                             " is also a chunk block of record " + std::to_string(owner.first->second));
          }
          capacity += std::max(0, f_.I32(b + 4));
          blocks_.push_back(Block{b, 8 + static_cast<int64_t>(std::max(0, f_.I32(b + 4))), "chunk block"});
          b = f_.I32(b);
        }
        if (total < 0 || capacity < total) {
          Add(rec, -1, "chunk field \"" + fd.name + "\" holds " + std::to_string(capacity) +
                           " bytes in its blocks but claims " + std::to_string(total));
        }
      }
    }
  }

  // No two structures share a byte: nodes, records, duplicate nodes, chunk
  // blocks and the blocks on the free lists each own their stretch.
  void CheckOverlaps() {
    std::sort(blocks_.begin(), blocks_.end(), [](const Block& a, const Block& b) {
      return a.start != b.start ? a.start < b.start : a.length < b.length;
    });
    const Block* reach = nullptr;  // the block that reaches furthest so far
    for (const Block& b : blocks_) {
      if (reach != nullptr && b.start < reach->start + reach->length) {
        const bool same = b.start == reach->start && b.length == reach->length && std::strcmp(b.kind, reach->kind) == 0;
        // A block listed twice was already reported where it was found twice.
        if (!same) {
          Add(b.start, -1,
              std::string(b.kind) + " of " + std::to_string(b.length) + " bytes overlaps the " + reach->kind +
                  " at " + std::to_string(reach->start),
              reach->start);
        }
      }
      if (reach == nullptr || b.start + b.length > reach->start + reach->length) reach = &b;
    }
  }

  const File& f_;
  CheckReport* r_;
  std::vector<Block> blocks_;
  Header h_;
  std::unordered_set<int32_t> freeRecords_, freeDups_, freeChunks_, dupSeen_;
  std::unordered_map<int32_t, int32_t> chunkOwners_;  // chunk block -> record

  // State of the key being walked.
  const Key* key_ = nullptr;
  int k_ = -1;
  std::vector<int32_t>* records_ = nullptr;
  std::vector<std::vector<LevelNode>> levels_;
  std::unordered_set<int32_t> visited_;
  int leafDepth_ = -1;
  bool complete_ = true;
};

}  // namespace

CheckReport Check(const File& file) {
  CheckReport report;
  Checker(file, &report).Run();
  return report;
}

std::string FormatViolation(const Header& h, const Violation& v) {
  std::string s = v.offset >= 0 ? "node " + std::to_string(v.offset) : std::string("header");
  if (v.key >= 0) {
    s += ": key " + std::to_string(v.key);
    if (static_cast<size_t>(v.key) < h.keys.size()) s += " \"" + h.keys[v.key].name + "\"";
  }
  return s + ": " + v.what;
}

bool Describe(const File& f, std::ostream& out) {
  Header h;
  std::vector<Violation> problems;
  const bool sound = ReadHeader(f, &h, &problems);
  out << "file size: " << f.size() << " bytes\n";
  if (f.size() < kHeaderSize) {
    for (const Violation& v : problems) out << "problem: " << FormatViolation(h, v) << "\n";
    return false;
  }
  out << "signature: " << h.signature << "\n";
  out << "version: " << h.version << "\n";
  out << "description: " << h.description << "\n";
  out << "record form: "
      << (h.recordForm == 0 ? "trimmed" : h.recordForm == -1 ? "fixed" : "unknown (" + std::to_string(h.recordForm) + ")")
      << "\n";
  out << "record length: " << h.recordLength << " bytes\n";
  out << "record count: " << h.recordCount << "\n";
  out << "fields: " << h.fields.size() << "\n";
  for (size_t i = 0; i < h.fields.size(); ++i) {
    const Field& fd = h.fields[i];
    out << "  " << i << " \"" << fd.name << "\" " << TypeName(fd.type) << " size " << fd.size
        << " at " << fd.offset << "\n";
  }
  out << "keys: " << h.keys.size() << "\n";
  for (size_t k = 0; k < h.keys.size(); ++k) {
    const Key& key = h.keys[k];
    out << "  " << k << " \"" << key.name << "\" "
        << (key.attribute == 1 ? "duplicates allowed" : key.attribute == 2 ? "unique" : "attribute ?")
        << ", " << (key.storedPartCount == -1 ? "single field" : std::to_string(key.parts.size()) + " parts")
        << ", length " << key.length;
    if (key.usable) out << ", " << NodeTypeName(key.nodeType) << " nodes of " << key.nodeSize << " bytes";
    out << "\n    root " << key.root << ", first leaf " << key.firstLeaf << ", last leaf " << key.lastLeaf << "\n";
    for (size_t p = 0; p < key.parts.size(); ++p) {
      const KeyPart& part = key.parts[p];
      out << "    part " << p << ": field " << part.field;
      if (part.field >= 0 && static_cast<size_t>(part.field) < h.fields.size()) {
        const Field& fd = h.fields[part.field];
        out << " \"" << fd.name << "\" " << TypeName(fd.type);
        if (fd.type == kText) {
          out << ", start " << part.start << ", length " << part.length << ", "
              << (part.mode == 2 ? "case-insensitive" : part.mode == 1 ? "case-sensitive" : "mode ?");
        }
      }
      out << "\n";
    }
  }
  out << "free lists: record " << h.recordFree << ", duplicate node " << h.dupFree << ", chunk "
      << h.chunkFree << "\n";
  for (const Violation& v : problems) out << "problem: " << FormatViolation(h, v) << "\n";
  return sound;
}

}  // namespace orvexfile
