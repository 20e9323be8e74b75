// The entries of a bulk load put in key order: for keys of every kind, the
// order and the equal-value marks must be those of a stable sort by the
// key's own comparison, whatever shortcut the sort takes.
#include "table/key_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "format/node.h"
#include "keys/key_value.h"

using namespace orvex;

namespace {

using Value = std::vector<uint8_t>;  // a key value buffer

KeyDef Key(std::vector<KeyPart> parts) {
  KeyDef d;
  d.parts = static_cast<int>(parts.size());
  d.multi = parts.size() > 1;
  int at = 0;
  for (size_t p = 0; p < parts.size(); ++p) {
    parts[p].valueAt = at;
    at += parts[p].length;
    d.part[p] = parts[p];
  }
  d.length = at;
  switch (d.multi ? kTypeText : parts[0].type) {
    case kTypeShort: d.kind = kNodeShort; break;
    case kTypeInt: d.kind = kNodeInt; break;
    case kTypeFloat: d.kind = kNodeFloat; break;
    case kTypeDouble: d.kind = kNodeDouble; break;
    case kTypeBool: d.kind = kNodeBool; break;
    default: d.kind = kNodeChar; break;
  }
  SetNodeGeometry(&d);
  return d;
}

KeyPart Part(int type, int length, int mode = 1) {
  KeyPart p;
  p.type = type;
  p.length = length;
  p.mode = mode;
  return p;
}

// A random value of the part: few distinct values, extremes, letters of
// both cases around '_', texts that share a long prefix or end early.
void RandomPart(const KeyPart& p, std::mt19937& rng, uint8_t* out) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  switch (p.type) {
    case kTypeShort: {
      const int16_t v[] = {SHRT_MIN, -300, -1, 0, 1, 2, 255, 256, SHRT_MAX};
      std::memcpy(out, &v[pick(9)], 2);
      break;
    }
    case kTypeInt: {
      const int32_t v[] = {INT_MIN, INT_MIN + 1, -70000, -1, 0, 1, 65536, INT_MAX - 1, INT_MAX};
      const int32_t x = pick(3) ? v[pick(9)] : pick(100) - 50;
      std::memcpy(out, &x, 4);
      break;
    }
    case kTypeFloat: {
      const float v[] = {-INFINITY, -3.5f, -0.0f, 0.0f, 1e-40f, 0.25f, 3.5f, 1e38f, INFINITY};
      std::memcpy(out, &v[pick(9)], 4);
      break;
    }
    case kTypeDouble: {
      const double v[] = {-INFINITY, -1e300, -2.5, -5e-324, -0.0, 0.0, 5e-324, 2.5, 1e300, INFINITY};
      std::memcpy(out, &v[pick(10)], 8);
      break;
    }
    case kTypeBool: out[0] = static_cast<uint8_t>(pick(3) ? pick(2) : 200 + pick(50)); break;
    case kTypeText: {
      static const char kLetters[] = "aAbB_z{Z";
      const std::string prefix = pick(4) ? "common-prefix-" : "";
      std::string s = prefix.substr(0, static_cast<size_t>(std::min<int>(p.length, static_cast<int>(prefix.size()))));
      const int extra = pick(p.length - static_cast<int>(s.size()) + 1);
      for (int i = 0; i < extra; ++i) s += kLetters[pick(8)];
      std::memcpy(out, s.data(), s.size());  // the rest stays zero
      break;
    }
  }
}

std::vector<Value> RandomValues(const KeyDef& d, int n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Value> values;
  for (int i = 0; i < n; ++i) {
    Value v(kKeyBufferSize, 0);
    for (int p = 0; p < d.parts; ++p) RandomPart(d.part[p], rng, v.data() + d.part[p].valueAt);
    values.push_back(v);
  }
  return values;
}

void ExpectStableKeyOrder(const KeyDef& d, const std::vector<Value>& values) {
  KeyEntries e(d);
  for (size_t i = 0; i < values.size(); ++i) e.Add(values[i].data(), static_cast<int32_t>(i));
  e.Sort();
  std::vector<int32_t> want(values.size());
  for (size_t i = 0; i < want.size(); ++i) want[i] = static_cast<int32_t>(i);
  std::stable_sort(want.begin(), want.end(), [&](int32_t a, int32_t b) {
    return CompareKeys(d, values[static_cast<size_t>(a)].data(), values[static_cast<size_t>(b)].data()) < 0;
  });
  ASSERT_EQ(e.size(), values.size());
  for (size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(e.record(i), want[i]) << "entry " << i;
    const bool equal =
        i > 0 && CompareKeys(d, values[static_cast<size_t>(want[i - 1])].data(), values[static_cast<size_t>(want[i])].data()) == 0;
    ASSERT_EQ(e.repeats(i), equal) << "entry " << i;
    // The value given back is the one added, as a node slot holds it.
    ASSERT_EQ(std::memcmp(e.value(i), values[static_cast<size_t>(want[i])].data(), static_cast<size_t>(d.slotWidth)), 0);
  }
}

}  // namespace

TEST(KeyEntries, SortAsTheKeysComparisonDoesForEveryKind) {
  const std::vector<KeyDef> keys = {
      Key({Part(kTypeShort, 2)}),
      Key({Part(kTypeInt, 4)}),
      Key({Part(kTypeFloat, 4)}),
      Key({Part(kTypeDouble, 8)}),
      Key({Part(kTypeBool, 1)}),
      Key({Part(kTypeText, 6)}),        // the image holds all of it
      Key({Part(kTypeText, 30, 1)}),    // a long shared prefix, then letters
      Key({Part(kTypeText, 30, 2)}),    // letters folded: 'Z' and 'z' beside '_' and '{'
      Key({Part(kTypeText, 3, 2), Part(kTypeInt, 4), Part(kTypeDouble, 8)}),
      Key({Part(kTypeInt, 4), Part(kTypeText, 10, 2)}),
  };
  for (size_t k = 0; k < keys.size(); ++k) {
    SCOPED_TRACE(k);
    for (uint32_t seed : {1u, 2u, 3u}) ExpectStableKeyOrder(keys[k], RandomValues(keys[k], 4000, seed));
  }
}

TEST(KeyEntries, ValuesThatArriveInOrderKeepItAndMarkTheirRepeats) {
  const KeyDef d = Key({Part(kTypeText, 12, 2)});
  auto values = RandomValues(d, 3000, 9);
  std::stable_sort(values.begin(), values.end(),
                   [&](const Value& a, const Value& b) { return CompareKeys(d, a.data(), b.data()) < 0; });
  ExpectStableKeyOrder(d, values);
  // Every text the same: one value repeated.
  ExpectStableKeyOrder(d, std::vector<Value>(500, values[7]));
  ExpectStableKeyOrder(d, {});
}
