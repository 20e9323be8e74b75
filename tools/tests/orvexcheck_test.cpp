// The checker against files built byte by byte: sound files of every shape
// must check clean, and each kind of damage must be reported at its node.
#include "orvexcheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "imagebuilder.h"

namespace {

using orvexfile::CheckReport;
using orvextest::Bytes;
using orvextest::Entry;
using orvextest::ImageBuilder;

CheckReport CheckImage(const Bytes& bytes) {
  orvexfile::File f;
  f.Assign(bytes);
  return orvexfile::Check(f);
}

std::string Dump(const CheckReport& r) {
  std::string s;
  for (const auto& v : r.violations) s += std::to_string(v.offset) + " k" + std::to_string(v.key) + ": " + v.what + "\n";
  return s;
}

// True when a violation at `offset` (any offset when -2) mentions `text`.
bool Has(const CheckReport& r, int64_t offset, const std::string& text) {
  for (const auto& v : r.violations) {
    if ((offset == -2 || v.offset == offset) && v.what.find(text) != std::string::npos) return true;
  }
  return false;
}

// A table of people: id int (unique key 0), name text 12 (duplicates allowed,
// case-insensitive, key 1), value double. Records get ids 10, 20, ... and
// names "n0".."n<groups-1>" in turn, so names repeat.
struct People {
  ImageBuilder b;
  std::vector<int32_t> records;                    // by id order
  std::vector<std::vector<int32_t>> idLevels;      // key 0 nodes, leaves first
  std::vector<std::vector<int32_t>> nameLevels;    // key 1 nodes
  std::map<std::string, std::vector<int32_t>> byName;
  std::map<std::string, int32_t> heads;            // chain head (or record) per name
};

People BuildPeople(bool trimmed, int n, size_t fill, int groups) {
  People p;
  if (!trimmed) p.b.SetFixedForm();
  p.b.AddField("id", 2);
  p.b.AddField("name", 5, 12);
  p.b.AddField("value", 4);
  p.b.AddKey({"id", 2, {{0}}});
  p.b.AddKey({"name", 1, {{1, 2, 0, 12}}});
  std::vector<Entry> ids;
  for (int i = 0; i < n; ++i) {
    Bytes rec = p.b.NewRecord();
    p.b.PutInt(rec, 0, 10 * (i + 1));
    char name[16];
    std::snprintf(name, sizeof name, "n%03d", i % groups);
    p.b.PutText(rec, 1, name);
    p.b.PutDouble(rec, 2, i * 0.5);
    const int32_t at = p.b.WriteRecord(rec);
    p.records.push_back(at);
    ids.push_back(Entry{p.b.KeyOf(0, rec), at});
    p.byName[name].push_back(at);
  }
  std::vector<Entry> names;
  for (const auto& [name, recs] : p.byName) {
    const int32_t head = recs.size() == 1 ? recs[0] : p.b.WriteChain(recs);
    p.heads[name] = head;
    Bytes key(13, 0);
    std::memcpy(key.data(), name.data(), name.size());
    names.push_back(Entry{key, head});
  }
  if (n > 0) {
    p.idLevels = p.b.BuildIndex(0, ids, fill);
    p.nameLevels = p.b.BuildIndex(1, names, fill);
  }
  p.b.SetRecordCount(n);
  return p;
}

TEST(CheckSound, EmptyTableAndSingleLeafInBothForms) {
  for (bool trimmed : {false, true}) {
    People empty = BuildPeople(trimmed, 0, 100, 1);
    CheckReport r = CheckImage(empty.b.bytes());
    EXPECT_TRUE(r.clean()) << Dump(r);
    EXPECT_EQ(r.liveEntries, 0);

    People one = BuildPeople(trimmed, 5, 100, 5);
    r = CheckImage(one.b.bytes());
    EXPECT_TRUE(r.clean()) << Dump(r);
    EXPECT_EQ(r.liveEntries, 5);
    EXPECT_EQ(r.nodes, 2);
  }
}

TEST(CheckSound, MultiLevelTreesAndDuplicateChains) {
  People wide = BuildPeople(true, 450, 100, 120);
  CheckReport r = CheckImage(wide.b.bytes());
  EXPECT_TRUE(r.clean()) << Dump(r);
  EXPECT_EQ(r.liveEntries, 450);
  ASSERT_EQ(wide.idLevels.size(), 2u);

  // Nodes of three entries give a four-level tree.
  People deep = BuildPeople(false, 60, 3, 7);
  ASSERT_EQ(deep.idLevels.size(), 4u);
  r = CheckImage(deep.b.bytes());
  EXPECT_TRUE(r.clean()) << Dump(r);
  EXPECT_EQ(r.liveEntries, 60);
}

TEST(CheckSound, EveryKeyTypeAndMultiFieldKeys) {
  for (bool trimmed : {false, true}) {
    ImageBuilder b;
    if (!trimmed) b.SetFixedForm();
    b.AddField("s", 1);
    b.AddField("f", 3);
    b.AddField("d", 4);
    b.AddField("flag", 6);
    b.AddField("t", 5, 20);
    b.AddField("auto", 8);
    b.AddField("blob", 7);
    b.AddKey({"s", 2, {{0}}});
    b.AddKey({"f", 2, {{1}}});
    b.AddKey({"d", 2, {{2}}});
    b.AddKey({"flag", 1, {{3}}});
    b.AddKey({"slice", 2, {{4, 1, 2, 5}}});
    b.AddKey({"auto", 2, {{5}}});
    b.AddKey({"multi", 2, {{3}, {4, 2, 0, 3}, {0}}});
    const int n = 30;
    std::vector<std::vector<Entry>> entries(7);
    std::vector<int32_t> falses, trues;
    for (int i = 0; i < n; ++i) {
      Bytes rec = b.NewRecord();
      b.PutShort(rec, 0, static_cast<int16_t>(i * 100 - 1500));
      b.PutFloat(rec, 1, -3.5f + static_cast<float>(i));
      b.PutDouble(rec, 2, -1e10 + i * 1e9);
      b.PutBool(rec, 3, i % 2);
      // Slice bytes 2..6 differ per record; the text beyond the slice does too.
      char t[24];
      std::snprintf(t, sizeof t, "xx%05dtail%d", i, i);
      b.PutText(rec, 4, t);
      b.PutInt(rec, 5, i + 1);
      const int32_t at = b.WriteRecord(rec);
      for (int k : {0, 1, 2, 4, 5}) entries[k].push_back(Entry{b.KeyOf(k, rec), at});
      entries[6].push_back(Entry{b.KeyOf(6, rec), at});
      (i % 2 ? trues : falses).push_back(at);
    }
    // The multi-field key starts with the bool, so odd records sort after even ones.
    std::stable_sort(entries[6].begin(), entries[6].end(),
                     [](const Entry& x, const Entry& y) { return x.key[0] < y.key[0]; });
    entries[3].push_back(Entry{Bytes{0}, b.WriteChain(falses)});
    entries[3].push_back(Entry{Bytes{1}, b.WriteChain(trues)});
    for (int k = 0; k < 7; ++k) b.BuildIndex(k, entries[k], 4);
    b.SetRecordCount(n);
    CheckReport r = CheckImage(b.bytes());
    EXPECT_TRUE(r.clean()) << (trimmed ? "trimmed\n" : "fixed\n") << Dump(r);
    EXPECT_EQ(r.liveEntries, n);
  }
}

TEST(CheckSound, DeadEntriesAndFreeListsAreAccepted) {
  People p = BuildPeople(true, 20, 100, 20);
  ImageBuilder& b = p.b;
  // Kill the entry of record 3 in both keys and list its block as free.
  const int32_t leaf0 = p.idLevels[0][0];
  b.I32(leaf0 + 808 + 4 * 3, -1);
  const int32_t leaf1 = p.nameLevels[0][0];
  b.I32(leaf1 + 808 + 4 * 3, -1);
  const int32_t freed = p.records[3];
  b.I32(freed + 2, -1);
  b.I32(orvexfile::hdr::kRecordFree, freed);
  // A freed duplicate node and a freed chunk block.
  const int32_t dup = b.WriteDupNode(-1, -1, -1, -1);
  b.I32(dup, -1);
  b.I32(orvexfile::hdr::kDupFree, dup);
  const int32_t chunk = b.Append(8 + 16);
  b.I32(chunk, -1);
  b.I32(chunk + 4, 16);
  b.I32(orvexfile::hdr::kChunkFree, chunk);
  b.SetRecordCount(19);
  CheckReport r = CheckImage(b.bytes());
  EXPECT_TRUE(r.clean()) << Dump(r);
  EXPECT_EQ(r.liveEntries, 19);
}

// ---- damage, one kind at a time ----

class CheckDamage : public ::testing::Test {
 protected:
  void SetUp() override { p_ = BuildPeople(true, 450, 100, 150); }
  CheckReport Run() { return CheckImage(p_.b.bytes()); }
  People p_;
  ImageBuilder& b() { return p_.b; }
};

TEST_F(CheckDamage, EntriesOutOfOrderInsideALeaf) {
  const int32_t leaf = p_.idLevels[0][1];
  // Swap the keys of entries 4 and 5 (and their records, so only order is wrong).
  const int32_t s4 = b().SlotOffset(0, leaf, 4), s5 = b().SlotOffset(0, leaf, 5);
  const int32_t k4 = b().GetI32(s4), r4 = b().GetI32(leaf + 808 + 16);
  b().I32(s4, b().GetI32(s5));
  b().I32(s5, k4);
  b().I32(leaf + 808 + 16, b().GetI32(leaf + 808 + 20));
  b().I32(leaf + 808 + 20, r4);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, leaf, "entries 4 and 5 are not in ascending order")) << Dump(r);
}

TEST_F(CheckDamage, OrderAlongTheLeafChain) {
  // The first key of leaf 2 made smaller than the last key of leaf 1.
  const int32_t leaf2 = p_.idLevels[0][2];
  const int32_t leaf1 = p_.idLevels[0][1];
  b().I32(b().SlotOffset(0, leaf2, 0), b().GetI32(b().SlotOffset(0, leaf1, 99)) - 1);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, leaf2, "not above the last key of the node before it")) << Dump(r);
  EXPECT_TRUE(Has(r, leaf2, "has a key value different from the entry's")) << Dump(r);
}

TEST_F(CheckDamage, BrokenSiblingLinks) {
  const int32_t leaf1 = p_.idLevels[0][1];
  const int32_t leaf3 = p_.idLevels[0][3];
  b().I32(leaf1 + 1624, leaf3);  // skips leaf 2
  b().I32(leaf3 + 1620, -1);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, leaf1, "next link is " + std::to_string(leaf3))) << Dump(r);
  EXPECT_TRUE(Has(r, leaf3, "previous link is -1")) << Dump(r);
}

TEST_F(CheckDamage, WrongParentAndOwnOffset) {
  const int32_t leaf = p_.idLevels[0][2];
  b().I32(leaf + 1612, -1);
  b().I32(leaf + 1616, leaf + 4);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, leaf, "parent link is -1, its parent is " + std::to_string(p_.idLevels[1][0]))) << Dump(r);
  EXPECT_TRUE(Has(r, leaf, "own offset field says")) << Dump(r);
}

TEST_F(CheckDamage, InternalKeyNotTheChildsLargest) {
  const int32_t root = p_.idLevels[1][0];
  b().I32(b().SlotOffset(0, root, 1), b().GetI32(b().SlotOffset(0, root, 1)) + 5);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, root, "internal entry 1 key is not the largest key of its child")) << Dump(r);
}

TEST_F(CheckDamage, CountAbove200AndZero) {
  const int32_t leaf = p_.idLevels[0][0];
  b().I32(leaf, 201);
  const int32_t other = p_.nameLevels[0][0];
  b().I32(other, 0);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, leaf, "entry count 201 outside 1..200")) << Dump(r);
  EXPECT_TRUE(Has(r, other, "entry count 0 outside 1..200")) << Dump(r);
  // Entries below the bad nodes are not reached, so the counts disagree too.
  EXPECT_TRUE(Has(r, -1, "live entries, the record count is 450")) << Dump(r);
}

TEST_F(CheckDamage, OffsetsOutsideTheFile) {
  const int32_t root = p_.idLevels[1][0];
  const int32_t leaf = p_.idLevels[0][4];
  b().I32(root + 4 + 4 * 2, b().size() + 100);        // a child past the end
  b().I32(leaf + 808 + 4 * 7, b().size() - 1);        // a record cut by the end
  b().I32(leaf + 808 + 4 * 8, 100);                   // a record inside the header
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, root, "child of entry 2 at " + std::to_string(b().size() + 100) + " lies outside")) << Dump(r);
  EXPECT_TRUE(Has(r, leaf, "entry 7: record block at " + std::to_string(b().size() - 1) + " runs past the end")) << Dump(r);
  EXPECT_TRUE(Has(r, leaf, "entry 8 record offset 100 lies outside")) << Dump(r);

  // A root outside the file.
  People p = BuildPeople(false, 10, 100, 10);
  p.b.I32(orvexfile::hdr::kRoot, -7);
  r = CheckImage(p.b.bytes());
  EXPECT_TRUE(Has(r, -7, "root at -7 lies outside")) << Dump(r);
}

TEST_F(CheckDamage, HeaderFirstAndLastLeaf) {
  b().I32(orvexfile::hdr::kFirstLeaf, p_.idLevels[0][1]);
  b().I32(orvexfile::hdr::kLastLeaf + 4, p_.nameLevels[0][0]);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, p_.idLevels[0][0], "header's first leaf is")) << Dump(r);
  EXPECT_TRUE(Has(r, p_.nameLevels[0].back(), "header's last leaf is")) << Dump(r);
}

TEST_F(CheckDamage, ChildPointingAtItsAncestor) {
  People deep = BuildPeople(false, 60, 3, 60);
  const int32_t root = deep.idLevels.back()[0];
  const int32_t mid = deep.idLevels[1][0];
  deep.b.I32(mid + 4, root);  // a leaf's place now holds the root
  CheckReport r = CheckImage(deep.b.bytes());
  EXPECT_TRUE(Has(r, mid, "is reached twice")) << Dump(r);
  EXPECT_FALSE(r.clean());
}

TEST_F(CheckDamage, DuplicateChainLinks) {
  // n000 has three records: 0, 150, 300.
  const int32_t head = p_.heads["n000"];
  const int32_t second = b().GetI32(head + 12);
  const int32_t third = b().GetI32(second + 12);
  ASSERT_EQ(b().GetI32(third + 12), -1);
  b().I32(third + 16, head);  // previous should be `second`
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, third, "previous link is " + std::to_string(head) + ", expected " + std::to_string(second)))
      << Dump(r);

  // A chain whose next link leads to a block without the tag.
  SetUp();
  const int32_t head1 = p_.heads["n001"];
  b().I32(b().GetI32(head1 + 12) + 12, p_.records[5]);
  r = Run();
  EXPECT_TRUE(Has(r, b().GetI32(head1 + 12), "is not a duplicate node")) << Dump(r);

  // A chain that loops back to its head.
  SetUp();
  const int32_t head2 = p_.heads["n002"];
  const int32_t last2 = b().GetI32(head2 + 20);
  b().I32(last2 + 12, head2);
  r = Run();
  EXPECT_TRUE(Has(r, head2, "duplicate node reached twice")) << Dump(r);

  // A chain under the unique key.
  SetUp();
  const int32_t leaf = p_.idLevels[0][0];
  b().I32(leaf + 808, p_.heads["n003"]);
  r = Run();
  EXPECT_TRUE(Has(r, leaf, "duplicate chain under a unique key")) << Dump(r);
}

TEST_F(CheckDamage, HeadsLastPointer) {
  const int32_t head = p_.heads["n004"];
  const int32_t second = b().GetI32(head + 12);
  b().I32(head + 20, second);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, head, "chain head's last pointer is " + std::to_string(second))) << Dump(r);
}

TEST_F(CheckDamage, LiveEntriesAgainstRecordCount) {
  b().SetRecordCount(451);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, -1, "index holds 450 live entries, the record count is 451")) << Dump(r);

  // One key loses a record the other still has.
  SetUp();
  const int32_t leaf = p_.idLevels[0][2];
  b().I32(leaf + 808 + 4 * 10, -1);
  r = Run();
  EXPECT_TRUE(Has(r, -1, "index holds 449 live entries")) << Dump(r);
  EXPECT_TRUE(Has(r, -2, "not by both")) << Dump(r);

  // A record reached twice through one key.
  SetUp();
  const int32_t head = p_.heads["n010"];
  b().I32(b().GetI32(head + 12) + 8, b().GetI32(head + 8));
  r = Run();
  EXPECT_TRUE(Has(r, b().GetI32(head + 8), "reached twice through this key")) << Dump(r);
}

TEST_F(CheckDamage, RecordBlocksAndKeyValues) {
  // A trimmed block whose text length runs past its field.
  const int32_t rec = p_.records[20];
  b().I16(rec + 2 + 4, 13);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, -2, "text length 13 of field \"name\"")) << Dump(r);

  // A record whose key value no longer matches its entry.
  SetUp();
  const int32_t rec2 = p_.records[30];
  b().I32(rec2 + 2, 999999);
  r = Run();
  EXPECT_TRUE(Has(r, p_.idLevels[0][0], "entry 30: record " + std::to_string(rec2) + " has a key value different"))
      << Dump(r);
}

// What is found by following an entry or a chain link names the offset where
// it lies, so that the same fault is known again after the entry has moved.
TEST_F(CheckDamage, FaultsFoundThroughAnEntryNameWhereTheyLie) {
  auto subjectOf = [](const CheckReport& r, int64_t offset, const std::string& text) {
    for (const auto& v : r.violations)
      if (v.offset == offset && v.what.find(text) != std::string::npos) return v.subject;
    return int64_t{-2};
  };
  const int32_t inside = p_.records[3] + 1;
  const int32_t leaf = p_.idLevels[0][1];
  b().I32(leaf + 808 + 4 * 6, inside);
  CheckReport r = Run();
  EXPECT_EQ(subjectOf(r, leaf, "entry 6: "), inside) << Dump(r);
  EXPECT_EQ(subjectOf(r, -1, "live entries"), -1) << Dump(r);

  SetUp();
  const int32_t outside = b().size() + 40;
  b().I32(leaf + 808 + 4 * 6, outside);
  r = Run();
  EXPECT_EQ(subjectOf(r, leaf, "entry 6 record offset"), outside) << Dump(r);

  // Inside a chain: the record a duplicate node names, the node a link
  // names, and the node whose own links are wrong.
  SetUp();
  const int32_t head = p_.heads["n001"];
  const int32_t second = b().GetI32(head + 12);
  b().I32(second + 8, inside);
  b().I32(second + 16, -1);
  r = Run();
  EXPECT_EQ(subjectOf(r, second, "does not fit"), inside) << Dump(r);
  EXPECT_EQ(subjectOf(r, second, "previous link is -1"), second) << Dump(r);
  SetUp();
  b().I32(second + 12, p_.records[5]);
  r = Run();
  EXPECT_EQ(subjectOf(r, second, "is not a duplicate node"), p_.records[5]) << Dump(r);
}

TEST_F(CheckDamage, FreeListCycles) {
  // Record free list: a -> b -> a.
  const int32_t a = b().WriteRecord(b().NewRecord());
  const int32_t c = b().WriteRecord(b().NewRecord());
  b().I32(a + 2, c);
  b().I32(c + 2, a);
  b().I32(orvexfile::hdr::kRecordFree, a);
  // Duplicate-node free list: d -> d.
  const int32_t d = b().WriteDupNode(-1, -1, -1, -1);
  b().I32(d, d);
  b().I32(orvexfile::hdr::kDupFree, d);
  // Chunk free list: e -> f -> e.
  const int32_t e = b().Append(16), f = b().Append(16);
  b().I32(e, f);
  b().I32(e + 4, 8);
  b().I32(f, e);
  b().I32(f + 4, 8);
  b().I32(orvexfile::hdr::kChunkFree, e);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, a, "record free list has a cycle")) << Dump(r);
  EXPECT_TRUE(Has(r, d, "duplicate-node free list has a cycle")) << Dump(r);
  EXPECT_TRUE(Has(r, e, "chunk free list has a cycle")) << Dump(r);
}

TEST_F(CheckDamage, FreeListsOutsideTheFileOrHoldingLiveBlocks) {
  b().I32(orvexfile::hdr::kDupFree, b().size() - 4);
  b().I32(orvexfile::hdr::kChunkFree, 20000000);
  const int32_t live = p_.records[7];
  b().I32(live + 2, -1);  // its first field now says "end of list"
  b().I32(orvexfile::hdr::kRecordFree, live);
  CheckReport r = Run();
  EXPECT_TRUE(Has(r, -1, "duplicate-node free list points at " + std::to_string(b().size() - 4))) << Dump(r);
  EXPECT_TRUE(Has(r, -1, "chunk free list points at 20000000")) << Dump(r);
  EXPECT_TRUE(Has(r, -2, "is live but on the record free list")) << Dump(r);
}

TEST_F(CheckDamage, BlocksSharingBytes) {
  // A free record block laid over unused key slots of a leaf.
  People p = BuildPeople(false, 150, 100, 150);
  const int32_t leaf = p.idLevels[0][0];
  const int32_t inside = leaf + 1628 + 4 * 150;
  p.b.I32(inside, -1);
  p.b.I32(orvexfile::hdr::kRecordFree, inside);
  CheckReport r = CheckImage(p.b.bytes());
  EXPECT_TRUE(Has(r, inside, "free record block of 24 bytes overlaps the index node at " + std::to_string(leaf)))
      << Dump(r);
  EXPECT_EQ(r.violationCount, 1) << Dump(r);
  EXPECT_EQ(r.violations[0].subject, leaf);  // the block overlapped, whichever kinds the two are

  // A freed duplicate node laid over the last node of a live chain, whose
  // next link (-1) ends the free list.
  SetUp();
  const int32_t tail = b().GetI32(p_.heads["n040"] + 20);
  b().I32(orvexfile::hdr::kDupFree, tail + 12);
  r = Run();
  EXPECT_TRUE(Has(r, tail + 12, "free duplicate node of 24 bytes overlaps the duplicate node at " + std::to_string(tail)))
      << Dump(r);
}

TEST(CheckHeader, SchemaThatCannotBeADatabase) {
  struct Case {
    int64_t at;
    int width;
    int32_t value;
    const char* text;
  };
  const Case cases[] = {
      {orvexfile::hdr::kFieldCount, 2, 129, "field count 129"},
      {orvexfile::hdr::kKeyCount, 2, 0, "key count 0"},
      {orvexfile::hdr::kKeyCount, 2, 11, "key count 11"},
      {orvexfile::hdr::kFieldTypes, 2, 9, "type code 9"},
      {orvexfile::hdr::kFieldSizes + 2, 2, 1025, "text size 1025"},
      {orvexfile::hdr::kFieldSizes, 2, 8, "size 8 is not the int size 4"},
      {orvexfile::hdr::kRecordLength, 4, 1000, "record length 1000"},
      {orvexfile::hdr::kRecordForm, 2, 3, "record-form flag 3"},
      {orvexfile::hdr::kKeyAttr, 2, 3, "attribute 3"},
      {orvexfile::hdr::kPartCount, 2, 1, "part count 1"},
      {orvexfile::hdr::kPartField, 2, 5, "field number 5"},
      {orvexfile::hdr::kPartLength + 2 * 128, 2, 129, "length 129 outside 1..128"},
      {orvexfile::hdr::kPartStart + 2 * 128, 2, 12, "start 12 outside"},
      {orvexfile::hdr::kPartMode + 2 * 128, 2, 3, "compare mode 3"},
      {orvexfile::hdr::kPartMode, 2, 1, "part 0 (int): compare mode 1 and start 0, both should be 0"},
      {orvexfile::hdr::kRoot + 4 * 2, 4, 0, "undefined key slot 2 has index offsets"},
      {orvexfile::hdr::kLastLeaf + 4 * 9, 4, 20000, "undefined key slot 9 has index offsets"},
      {15460, 4, 7, "reserved header bytes"},
  };
  for (const Case& c : cases) {
    People p = BuildPeople(true, 10, 100, 3);
    if (c.width == 2) p.b.I16(c.at, c.value); else p.b.I32(c.at, c.value);
    CheckReport r = CheckImage(p.b.bytes());
    EXPECT_TRUE(Has(r, -1, c.text)) << c.text << "\n" << Dump(r);
  }
  // Too short to hold a header.
  CheckReport r = CheckImage(Bytes(15471, 0));
  EXPECT_TRUE(Has(r, -1, "shorter than the 15472-byte header")) << Dump(r);
}

// Every link field of every node and every header root, changed to another
// value, is reported; and the checker survives (bounded, inside its buffers)
// random damage anywhere in the file.
TEST(CheckHostile, EveryChangedLinkIsFound) {
  People base = BuildPeople(true, 450, 100, 150);
  std::vector<int64_t> fields;
  for (const auto& levels : {base.idLevels, base.nameLevels}) {
    for (const auto& level : levels) {
      for (int32_t node : level) {
        for (int off : {0, 1612, 1616, 1620, 1624}) fields.push_back(node + off);
        fields.push_back(node + 4);  // child or -1 of entry 0
      }
    }
  }
  for (int k = 0; k < 2; ++k) {
    fields.push_back(orvexfile::hdr::kRoot + 4 * k);
    fields.push_back(orvexfile::hdr::kFirstLeaf + 4 * k);
    fields.push_back(orvexfile::hdr::kLastLeaf + 4 * k);
  }
  std::mt19937 rng(7);
  for (int64_t at : fields) {
    for (int trial = 0; trial < 3; ++trial) {
      People p = base;
      const int32_t old = p.b.GetI32(at);
      int32_t v;
      do {
        const int pick = static_cast<int>(rng() % 4);
        v = pick == 0 ? -1 : pick == 1 ? static_cast<int32_t>(rng()) : pick == 2 ? old + 1 + static_cast<int32_t>(rng() % 8)
                                                                                 : base.idLevels[0][rng() % 5];
      } while (v == old);
      p.b.I32(at, v);
      CheckReport r = CheckImage(p.b.bytes());
      EXPECT_FALSE(r.clean()) << "field at " << at << " changed from " << old << " to " << v;
    }
  }
}

TEST(CheckHostile, TruncatedAndScrambledFilesNeverCrash) {
  People base = BuildPeople(false, 300, 100, 40);
  const Bytes& full = base.b.bytes();
  // Every block of this file is reachable, so any truncation is found.
  for (size_t len = 15472; len < full.size(); len += 997) {
    CheckReport r = CheckImage(Bytes(full.begin(), full.begin() + len));
    EXPECT_FALSE(r.clean()) << "truncated to " << len;
  }
  std::mt19937 rng(11);
  long long found = 0;
  for (int trial = 0; trial < 300; ++trial) {
    Bytes bytes = full;
    for (int i = 0; i < 40; ++i) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    CheckReport r = CheckImage(bytes);
    EXPECT_LE(r.violations.size(), orvexfile::kMaxReported);
    if (!r.clean()) ++found;
  }
  // Forty random bytes nearly always land on something that matters.
  EXPECT_GT(found, 250);
}

TEST(Describe, PrintsSchemaCountsAndFreeLists) {
  People p = BuildPeople(false, 12, 100, 4);
  p.b.I32(orvexfile::hdr::kDupFree, 123456);
  orvexfile::File f;
  f.Assign(p.b.bytes());
  std::ostringstream out;
  EXPECT_TRUE(orvexfile::Describe(f, out));
  const std::string s = out.str();
  EXPECT_NE(s.find("record form: fixed"), std::string::npos) << s;
  EXPECT_NE(s.find("record count: 12"), std::string::npos) << s;
  EXPECT_NE(s.find("1 \"name\" text size 12 at 4"), std::string::npos) << s;
  EXPECT_NE(s.find("0 \"id\" unique, single field, length 4, int nodes of 2432 bytes"), std::string::npos) << s;
  EXPECT_NE(s.find("1 \"name\" duplicates allowed"), std::string::npos) << s;
  EXPECT_NE(s.find("start 0, length 12, case-insensitive"), std::string::npos) << s;
  EXPECT_NE(s.find("free lists: record -1, duplicate node 123456, chunk -1"), std::string::npos) << s;
  EXPECT_NE(s.find("file size: " + std::to_string(p.b.size()) + " bytes"), std::string::npos) << s;

  p.b.I16(orvexfile::hdr::kKeyCount, 0);
  f.Assign(p.b.bytes());
  std::ostringstream bad;
  EXPECT_FALSE(orvexfile::Describe(f, bad));
  EXPECT_NE(bad.str().find("problem: header: key count 0 outside 1..10"), std::string::npos) << bad.str();
}

}  // namespace
