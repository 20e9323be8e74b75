#include "format/node.h"

#include <gtest/gtest.h>

using namespace orvex;

namespace {

KeyDef IntKey() {
  KeyDef d;
  d.kind = kNodeInt;
  d.length = 4;
  SetNodeGeometry(&d);
  return d;
}

KeyDef TextKey(int length) {
  KeyDef d;
  d.kind = kNodeChar;
  d.length = length;
  SetNodeGeometry(&d);
  return d;
}

}  // namespace

TEST(Node, EntriesShiftRightToOpenAGap) {
  KeyDef d = IntKey();
  Node n;
  n.Reset(d);
  for (int i = 0; i < 3; ++i) {
    int32_t v = (i + 1) * 10;
    n.setKey(i, reinterpret_cast<uint8_t*>(&v));
    n.setChild(i, -1);
    n.setRecord(i, 100 + i);
  }
  n.setCount(3);
  n.ShiftRight(1);
  int32_t v = 15;
  n.setKey(1, reinterpret_cast<uint8_t*>(&v));
  n.setRecord(1, 999);
  n.setCount(4);
  int32_t keys[4];
  for (int i = 0; i < 4; ++i) std::memcpy(&keys[i], n.key(i), 4);
  EXPECT_EQ(keys[0], 10);
  EXPECT_EQ(keys[1], 15);
  EXPECT_EQ(keys[2], 20);
  EXPECT_EQ(keys[3], 30);
  EXPECT_EQ(n.record(2), 101);
  EXPECT_EQ(n.record(3), 102);
  // Key slots start at 1628 for int nodes.
  EXPECT_EQ(Load32(n.bytes() + 1628 + 4), 15);
  EXPECT_EQ(Load32(n.bytes() + 808 + 4), 999);
}

TEST(Node, TextSlotsAreNulTerminatedAfterTheReservedBytes) {
  KeyDef d = TextKey(5);
  Node n;
  n.Reset(d);
  const uint8_t value[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 0};
  n.setKey(2, value);
  EXPECT_EQ(n.key(2), n.bytes() + 1632 + 2 * 6);
  EXPECT_EQ(std::memcmp(n.key(2), "abcde", 6), 0);  // NUL at slot byte 5
}

TEST(Node, SplitCopyMovesTheUpperEntries) {
  KeyDef d = IntKey();
  Node a, b;
  a.Reset(d);
  for (int i = 0; i < 201; ++i) {
    a.setKey(i, reinterpret_cast<uint8_t*>(&i));
    a.setRecord(i, i);
  }
  a.setCount(201);
  b.Reset(d);
  b.CopyEntries(a, 100, 101);
  a.ClearEntries(100);
  int32_t first, last;
  std::memcpy(&first, b.key(0), 4);
  std::memcpy(&last, b.key(100), 4);
  EXPECT_EQ(first, 100);
  EXPECT_EQ(last, 200);
  EXPECT_EQ(b.record(100), 200);
  EXPECT_EQ(a.record(100), 0);
}

TEST(Node, ValidationRefusesBadCountsAndLinks) {
  KeyDef d = IntKey();
  Node n;
  n.Reset(d);
  n.setSelf(20000);
  n.setParent(-1);
  n.setPrev(-1);
  n.setNext(-1);
  n.setChild(0, -1);
  n.setCount(1);
  EXPECT_TRUE(NodeLooksValid(n, 20000, 30000));
  EXPECT_FALSE(NodeLooksValid(n, 20004, 30000));  // not its own offset
  n.setCount(0);
  EXPECT_FALSE(NodeLooksValid(n, 20000, 30000));
  n.setCount(201);
  EXPECT_FALSE(NodeLooksValid(n, 20000, 30000));
  n.setCount(200);
  EXPECT_TRUE(NodeLooksValid(n, 20000, 30000));
  n.setNext(20000);  // a chain that points at itself
  EXPECT_FALSE(NodeLooksValid(n, 20000, 30000));
  n.setNext(40000);  // outside the file
  EXPECT_FALSE(NodeLooksValid(n, 20000, 30000));
  n.setNext(100);  // inside the header
  EXPECT_FALSE(NodeLooksValid(n, 20000, 30000));
}
