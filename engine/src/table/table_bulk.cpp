// Bulk loading: a table with no record yet takes a run of records whose
// index entries are gathered in memory, and builds each index once, bottom
// up, instead of inserting every entry by a descent from the root. A
// compaction copy is made so.
//
// The indexes built are the ones ordinary inserts of the same records in
// the same order would give, in their contents: one entry per distinct key
// value, holding the value of the first record that has it; under a key
// that allows duplicates, a chain of the records that share a value, in
// insertion order. Only the shape differs: leaves and internal nodes are
// filled evenly (up to 200 entries, invariant (1)) rather than left by
// splits, so the copy is tighter and its walks touch fewer nodes. Each key's
// blocks follow the records in the file: its duplicate nodes, then its
// leaves left to right, then each level above them, the root last.
#include <algorithm>
#include <cstring>

#include "table/table.h"

namespace orvex {

namespace {

// How many bytes of record blocks a load holds back before writing them.
constexpr size_t kBulkOutputBytes = size_t{256} << 10;

}  // namespace

bool Table::BeginBulkLoad(size_t memoryBudget, int expectedRecords) {
  if (!open_ || !ready_ || !file_->writable()) {
    SetError(err::kNotOpen);
    return false;
  }
  if (hdr_.recordCount() != 0) return false;
  for (int k = 0; k < schema_.keys; ++k)
    if (hdr_.root(k) != -1) return false;
  ForgetPositions();
  bulk_.clear();
  size_t perRecord = 0;
  for (int k = 0; k < schema_.keys; ++k) perRecord += static_cast<size_t>(schema_.key[k].slotWidth) + 5;
  const size_t reserve = std::min(static_cast<size_t>(expectedRecords > 0 ? expectedRecords : 0),
                                  memoryBudget / (perRecord ? perRecord : 1));
  for (int k = 0; k < schema_.keys; ++k) {
    bulk_.emplace_back(schema_.key[k]);
    bulk_.back().Reserve(reserve);
  }
  bulkBudget_ = memoryBudget;
  bulkRecords_ = 0;
  bulkHoldsBack_ = true;
  for (int i = 0; i < schema_.fields; ++i)
    if (schema_.type[i] == kTypeChunk) bulkHoldsBack_ = false;
  bulkOut_.clear();
  return true;
}

// Insert's work while a bulk load is under way: the record goes to the end
// of the file, its key values into the gathered entries.
bool Table::BulkRecord(void* image, int length) {
  size_t held = 0;
  for (const KeyEntries& e : bulk_) held += e.bytes();
  if (held > bulkBudget_) {
    // The rest of the records go in by ordinary inserts.
    if (!EndBulkLoad()) return false;
    return InsertRecord(image, length);
  }
  const int reclen = schema_.recordLength;
  auto* img = static_cast<uint8_t*>(image);
  if (img && length == 0) length = reclen;
  if (length < 0 || length > reclen) length = reclen;
  for (int i = 0; i < schema_.fields; ++i) {
    if (schema_.type[i] != kTypeAutoInc) continue;
    // The next value is one more than the largest under the field's key,
    // which here is the number of records loaded; 1 when no key holds it.
    const int32_t v = AutoIncKey(i) >= 0 ? bulkRecords_ + 1 : 1;
    Store32(edit_.get() + schema_.offset[i], v);
    if (img && schema_.offset[i] + 4 <= length) Store32(img + schema_.offset[i], v);
  }
  const uint8_t* block;
  int blockLen;
  const bool prepared = PrepareRecord(img, length, &block, &blockLen);
  ResetChunkAppend();
  if (!prepared || !MayGrow(blockLen)) return false;
  const int32_t at = static_cast<int32_t>(FileEnd());
  if (!bulkHoldsBack_) {
    if (!WriteAt(at, block, blockLen, true)) return false;
  } else {
    if (bulkOut_.empty()) bulkOutAt_ = at;
    bulkOut_.insert(bulkOut_.end(), block, block + blockLen);
    if (bulkOut_.size() >= kBulkOutputBytes && !WriteBulkOutput()) return false;
  }
  for (int k = 0; k < schema_.keys; ++k) bulk_[static_cast<size_t>(k)].Add(keyVals_[k], at);
  ++bulkRecords_;
  std::memset(edit_.get(), 0, static_cast<size_t>(reclen));
  return true;
}

bool Table::WriteBulkOutput() {
  if (bulkOut_.empty()) return true;
  const bool written = WriteAt(bulkOutAt_, bulkOut_.data(), static_cast<int>(bulkOut_.size()), true);
  bulkOut_.clear();  // its memory is kept for the next records
  return written;
}

bool Table::EndBulkLoad() {
  if (bulk_.empty()) return true;
  if (!WriteBulkOutput()) {
    bulk_.clear();
    return false;
  }
  std::vector<KeyEntries> entries;
  entries.swap(bulk_);
  int32_t root[kMaxKeys], first[kMaxKeys], last[kMaxKeys];
  for (int k = 0; k < schema_.keys; ++k) {
    KeyEntries& e = entries[static_cast<size_t>(k)];
    e.Sort();
    if (!BuildIndex(k, e, &root[k], &first[k], &last[k])) return false;
  }
  // The records become reachable only now, all keys at once: a load that
  // fails leaves the header as it was, and what it wrote past the end of
  // the last commit unused.
  for (int k = 0; k < schema_.keys; ++k) {
    hdr_.setRoot(k, root[k]);
    hdr_.setFirstLeaf(k, first[k]);
    hdr_.setLastLeaf(k, last[k]);
  }
  hdr_.setRecordCount(bulkRecords_);
  dirty_ = true;
  return true;
}

namespace {

// Splits n items into the fewest groups of at most kMaxEntries, of even
// sizes; returns the start of each group, and n at the end.
std::vector<size_t> EvenGroups(size_t n) {
  const size_t groups = (n + kMaxEntries - 1) / kMaxEntries;
  std::vector<size_t> starts(groups + 1);
  for (size_t g = 0; g <= groups; ++g) starts[g] = n * g / groups;
  return starts;
}

}  // namespace

bool Table::BuildIndex(int k, const KeyEntries& e, int32_t* root, int32_t* first, int32_t* last) {
  *root = *first = *last = -1;
  if (e.size() == 0) return true;
  const KeyDef& d = schema_.key[k];
  // The distinct values: where each starts among the entries. A unique key
  // refuses a second record with a value, as Insert does.
  LargeVector<size_t> valueStart;
  size_t chained = 0;
  for (size_t i = 0; i < e.size(); ++i) {
    if (e.repeats(i)) {
      if (d.attribute == kKeyUnique) {
        SetError(err::kUnduplicated);
        return false;
      }
      if (valueStart.back() == i - 1) ++chained;
      ++chained;
      continue;
    }
    valueStart.push_back(i);
  }
  const size_t values = valueStart.size();
  valueStart.push_back(e.size());
  // Every node of every level, counted first, so that the file's growth is
  // known and each node is written once with its links.
  std::vector<std::vector<size_t>> levels{EvenGroups(values)};
  while (levels.back().size() > 2) levels.push_back(EvenGroups(levels.back().size() - 1));
  int64_t nodes = 0;
  for (const auto& level : levels) nodes += static_cast<int64_t>(level.size()) - 1;
  if (!MayGrow(static_cast<int64_t>(chained) * kDupNodeSize + nodes * d.nodeSize)) return false;

  // The duplicate chains, each node's links to its neighbours, the head's
  // last link to the chain's end (invariant (8)); a node past the head
  // names itself as last, as when it was appended.
  // The chains lie one after another from the end of the file, and are
  // written a few hundred kilobytes at a time.
  LargeVector<int32_t> entryRecord(values);
  const int64_t chainsAt = FileEnd();
  int64_t chainsWritten = 0;
  std::vector<uint8_t> chains;
  constexpr size_t kAhead = 16;
  for (size_t v = 0; v < values; ++v) {
    const size_t from = valueStart[v], to = valueStart[v + 1];
    for (size_t i = from; i < to; ++i) e.Prefetch(i + kAhead);
    if (to - from == 1) {
      entryRecord[v] = e.record(from);
      continue;
    }
    const size_t at = chains.size();
    const int32_t head = static_cast<int32_t>(chainsAt + chainsWritten + static_cast<int64_t>(at));
    const int32_t tail = head + static_cast<int32_t>((to - from - 1) * kDupNodeSize);
    chains.resize(at + (to - from) * kDupNodeSize);
    for (size_t i = from; i < to; ++i) {
      const int32_t self = head + static_cast<int32_t>((i - from) * kDupNodeSize);
      DupNode x;
      x.record = e.record(i);
      x.prev = i == from ? -1 : self - kDupNodeSize;
      x.next = i + 1 == to ? -1 : self + kDupNodeSize;
      x.last = i == from ? tail : self;
      x.Encode(&chains[at + (i - from) * kDupNodeSize]);
    }
    entryRecord[v] = head;
    if (chains.size() >= kBulkOutputBytes) {
      if (!WriteAt(chainsAt + chainsWritten, chains.data(), static_cast<int>(chains.size()), true)) return false;
      chainsWritten += static_cast<int64_t>(chains.size());
      chains.clear();
    }
  }
  if (!chains.empty() && !WriteAt(chainsAt + chainsWritten, chains.data(), static_cast<int>(chains.size()), true))
    return false;

  // The levels, leaves first. The entries of a level are the values
  // (leaves) or the nodes of the level below; an internal entry holds the
  // largest value of its child's subtree (invariant (3)).
  Node& n = nodeA_;
  LargeVector<size_t> largest(values);  // per entry of the level: its value
  for (size_t v = 0; v < values; ++v) largest[v] = valueStart[v];
  const int32_t base = static_cast<int32_t>(FileEnd());
  int32_t levelAt = base;
  for (size_t l = 0; l < levels.size(); ++l) {
    const std::vector<size_t>& starts = levels[l];
    const size_t count = starts.size() - 1;
    const int32_t parentsAt = levelAt + static_cast<int32_t>(count) * d.nodeSize;
    const std::vector<size_t>* up = l + 1 < levels.size() ? &levels[l + 1] : nullptr;
    size_t parent = 0;
    LargeVector<size_t> nextLargest(count);
    for (size_t i = 0; i < count; ++i) {
      const int32_t self = levelAt + static_cast<int32_t>(i) * d.nodeSize;
      const int32_t childrenAt = levelAt - static_cast<int32_t>(l == 0 ? 0 : levels[l - 1].size() - 1) * d.nodeSize;
      n.Reset(d);
      const size_t from = starts[i], to = starts[i + 1];
      n.setCount(static_cast<int32_t>(to - from));
      for (size_t j = from; j < to; ++j) {
        const int slot = static_cast<int>(j - from);
        if (j + kAhead < largest.size()) e.Prefetch(largest[j + kAhead]);
        n.setKey(slot, e.value(largest[j]));
        if (l == 0) {
          n.setChild(slot, -1);
          n.setRecord(slot, entryRecord[j]);
        } else {
          n.setChild(slot, childrenAt + static_cast<int32_t>(j) * d.nodeSize);
          n.setRecord(slot, -1);
        }
      }
      if (up) {
        while (i >= (*up)[parent + 1]) ++parent;
        n.setParent(parentsAt + static_cast<int32_t>(parent) * d.nodeSize);
      } else {
        n.setParent(-1);
      }
      n.setSelf(self);
      n.setPrev(i == 0 ? -1 : self - d.nodeSize);
      n.setNext(i + 1 == count ? -1 : self + d.nodeSize);
      nextLargest[i] = largest[to - 1];
      if (!WriteAt(self, n.bytes(), n.size(), true)) return false;
    }
    if (l == 0) {
      *first = levelAt;
      *last = levelAt + static_cast<int32_t>(count - 1) * d.nodeSize;
    }
    largest.swap(nextLargest);
    levelAt = parentsAt;
  }
  *root = levelAt - d.nodeSize;
  return true;
}

}  // namespace orvex
