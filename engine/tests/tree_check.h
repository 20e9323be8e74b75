// Reads an int-key index straight from a file's bytes and checks what the
// tree must hold: counts, own offsets, parents, internal keys equal to the
// largest key of their child, leaves chained in ascending order, the first
// and last leaf in the header.
#ifndef ORVEX_TESTS_TREE_CHECK_H_
#define ORVEX_TESTS_TREE_CHECK_H_

#include <gtest/gtest.h>

#include <vector>

#include "test_util.h"

namespace orvex_test {

struct IntTree {
  const std::vector<uint8_t>& b;
  int key;
  static constexpr int kNodeSize = 2432;

  int32_t Count(int32_t n) const { return Le32(b, n); }
  int32_t Child(int32_t n, int i) const { return Le32(b, n + 4 + 4 * i); }
  int32_t Record(int32_t n, int i) const { return Le32(b, n + 808 + 4 * i); }
  int32_t Parent(int32_t n) const { return Le32(b, n + 1612); }
  int32_t Self(int32_t n) const { return Le32(b, n + 1616); }
  int32_t Prev(int32_t n) const { return Le32(b, n + 1620); }
  int32_t Next(int32_t n) const { return Le32(b, n + 1624); }
  int32_t Key(int32_t n, int i) const { return Le32(b, n + 1628 + 4 * i); }
  int32_t Root() const { return Le32(b, 15252 + 4 * key); }
  int32_t First() const { return Le32(b, 15292 + 4 * key); }
  int32_t Last() const { return Le32(b, 15332 + 4 * key); }

  // Returns the largest key below n; adds failures for broken invariants.
  int32_t CheckNode(int32_t n, int32_t parent, int depth, int* leafDepth) const {
    EXPECT_LT(depth, 10);
    EXPECT_EQ(Self(n), n);
    EXPECT_EQ(Parent(n), parent);
    int c = Count(n);
    EXPECT_GE(c, 1);
    EXPECT_LE(c, 200);
    for (int i = 1; i < c; ++i) EXPECT_LT(Key(n, i - 1), Key(n, i)) << "node " << n;
    if (Child(n, 0) == -1) {
      if (*leafDepth < 0) *leafDepth = depth;
      EXPECT_EQ(*leafDepth, depth) << "leaves at one depth";
      return Key(n, c - 1);
    }
    for (int i = 0; i < c; ++i) {
      int32_t childMax = CheckNode(Child(n, i), n, depth + 1, leafDepth);
      EXPECT_EQ(Key(n, i), childMax) << "internal key of node " << n << " entry " << i;
    }
    return Key(n, c - 1);
  }

  // Checks the whole tree; returns the live leaf keys in chain order.
  std::vector<int32_t> Check() const {
    std::vector<int32_t> live;
    if (Root() == -1) {
      EXPECT_EQ(First(), -1);
      EXPECT_EQ(Last(), -1);
      return live;
    }
    int leafDepth = -1;
    CheckNode(Root(), -1, 0, &leafDepth);
    int32_t prev = -1;
    int32_t lastKey = INT32_MIN;
    bool firstKey = true;
    int steps = 0;
    for (int32_t n = First(); n != -1; n = Next(n)) {
      EXPECT_LT(++steps, 100000);
      EXPECT_EQ(Prev(n), prev);
      EXPECT_EQ(Child(n, 0), -1);
      for (int i = 0; i < Count(n); ++i) {
        if (!firstKey) {
          EXPECT_LT(lastKey, Key(n, i));
        }
        firstKey = false;
        lastKey = Key(n, i);
        if (Record(n, i) != -1) live.push_back(Key(n, i));
      }
      prev = n;
    }
    EXPECT_EQ(prev, Last());
    return live;
  }
};

}  // namespace orvex_test

#endif  // ORVEX_TESTS_TREE_CHECK_H_
