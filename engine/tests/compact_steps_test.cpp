// Compaction's own steps: reading records front to back (ReadRecordRun)
// gives what reading them one by one gives, and stops at a damaged one;
// copies made in many small windows and partial bulk loads hold the bytes
// of the copy made at once; a damaged record fails the copy and leaves none.
#include "compact/compact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "format/record_codec.h"
#include "table/table.h"
#include "test_util.h"

using orvex::Table;
using orvex_test::ReadBytes;
using orvex_test::TempDir;
using orvex_test::WriteBytes;

namespace {

// id int (unique, key 0), serial auto-increment (its own key), name text
// 24 (duplicates, letters folded), v double (duplicates). Records go in
// out of id order; some are deleted and some updated (moved), so that in
// key-0 order they lie anywhere in the file, among free blocks.
constexpr int kLength = 4 + 4 + 24 + 8;

void MakeSource(const std::string& path, bool trimmed, int count) {
  Table t;
  ASSERT_TRUE(t.CreateField("id", ORVEX_INT, 0) && t.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0));
  ASSERT_TRUE(t.CreateField("serial", ORVEX_AUTOINC, 0));
  ASSERT_TRUE(t.CreateField("name", ORVEX_TEXT, 24) && t.CreateKey("name", ORVEX_KEY_DUPLICATE, 2, 2, 0, 0));
  ASSERT_TRUE(t.CreateField("v", ORVEX_DOUBLE, 0) && t.CreateKey("v", ORVEX_KEY_DUPLICATE, 3, 0, 0, 0));
  t.EnableTrimRecord(trimmed);
  ASSERT_TRUE(t.CreateDB(path.c_str(), "windows"));
  std::vector<int> ids(static_cast<size_t>(count));
  std::iota(ids.begin(), ids.end(), 0);
  std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
  auto image = [](int id, int variant) {
    std::vector<uint8_t> b(kLength, 0);
    std::memcpy(b.data(), &id, 4);
    // Names of many lengths, equal but for letter case in places.
    std::string name = std::string(id % 3 == 0 ? "Name" : "name") + std::to_string(id % 411);
    name.append(static_cast<size_t>((id + variant) % 13), 'x');
    std::memcpy(b.data() + 8, name.data(), std::min<size_t>(name.size(), 23));
    const double v = id % 17 == 0 ? -0.0 : (id % 250) * 0.125 + variant;
    std::memcpy(b.data() + 32, &v, 8);
    return b;
  };
  for (int id : ids) {
    auto b = image(id, 0);
    ASSERT_TRUE(t.Insert(b.data(), kLength)) << t.GetErrMsg();
  }
  for (int id = 0; id < count; id += 7) ASSERT_TRUE(t.GetEqual(0, &id, nullptr, 0) && t.Delete());
  for (int id = 1; id < count; id += 5) {
    if (id % 7 == 0) continue;
    // The record keeps its serial; its name and value change.
    auto b = image(id, 4);
    std::vector<uint8_t> now(kLength);
    ASSERT_TRUE(t.GetEqual(0, &id, now.data(), kLength));
    std::memcpy(b.data() + 4, now.data() + 4, 4);
    ASSERT_TRUE(t.Update(b.data(), kLength)) << t.GetErrMsg();
  }
  ASSERT_TRUE(t.CloseDB());
}

// The record offsets of key 0, in key order.
std::vector<int32_t> KeyZeroOffsets(Table& t) {
  std::vector<int32_t> out;
  for (bool more = t.SeekFirst(0); more; more = t.SeekNext(0)) out.push_back(t.GetCurRec(0));
  return out;
}

// Every key walked: the records' bytes in each key's order.
std::vector<std::string> Walks(const std::string& path) {
  Table t;
  EXPECT_TRUE(t.OpenDB(path.c_str(), ORVEX_OPEN_READWRITE)) << t.GetErrMsg();
  std::vector<std::string> out;
  for (int k = 0; k < t.GetKeyNum(); ++k) {
    std::string s;
    uint8_t b[kLength];
    for (bool more = t.GetFirst(k, b, kLength); more; more = t.GetNext(k, b, kLength))
      s.append(reinterpret_cast<const char*>(b), kLength);
    out.push_back(s);
  }
  return out;
}

class RecordRun : public ::testing::TestWithParam<bool> {};

}  // namespace

// Offsets of every record, of a few far apart, and of records named twice:
// each is handed over restored as ReadRecord gives it, across the pieces
// the file is read in (the source is larger than one piece).
TEST_P(RecordRun, ReadsEveryRecordAsReadRecordDoes) {
  TempDir dir;
  const std::string path = dir.File("s.db");
  MakeSource(path, GetParam(), 40000);
  ASSERT_GT(std::filesystem::file_size(path), 2u << 20);
  Table t;
  ASSERT_TRUE(t.OpenDB(path.c_str(), ORVEX_OPEN_READWRITE));
  std::vector<int32_t> all = KeyZeroOffsets(t);
  ASSERT_EQ(static_cast<int>(all.size()), t.GetRecordNum());
  std::sort(all.begin(), all.end());
  std::vector<int32_t> sparse, twice;
  for (size_t i = 0; i < all.size(); i += 997) sparse.push_back(all[i]);
  for (size_t i = 0; i < all.size(); i += 3) twice.insert(twice.end(), {all[i], all[i]});
  // Pieces of the usual size, and pieces so small that records often
  // straddle their ends.
  for (size_t piece : {size_t{1} << 20, size_t{4096}, size_t{61}, size_t{1}})
  for (const auto* offsets : {&all, &sparse, &twice}) {
    std::vector<uint8_t> got(offsets->size() * kLength, 0xAB);
    ASSERT_TRUE(t.ReadRecordRun(
        offsets->size(), [&](size_t i) { return (*offsets)[i]; }, [&](size_t i) { return &got[i * kLength]; },
        piece))
        << t.GetErrMsg();
    std::vector<uint8_t> want(kLength);
    for (size_t i = 0; i < offsets->size(); ++i) {
      ASSERT_TRUE(t.ReadRecord((*offsets)[i], want.data()));
      ASSERT_TRUE(std::equal(want.begin(), want.end(), got.begin() + static_cast<std::ptrdiff_t>(i * kLength)))
          << "record " << i << " of " << offsets->size() << " at " << (*offsets)[i] << ", pieces of " << piece;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TrimmedAndFixed, RecordRun, ::testing::Bool());

// A record whose block length is damaged stops the run there, with the
// error text of a damaged file; so does an offset no record fits at.
TEST(RecordRunDamage, StopsAtTheFirstRecordThatIsNotSound) {
  TempDir dir;
  const std::string path = dir.File("s.db");
  MakeSource(path, true, 3000);
  std::vector<int32_t> offsets;
  {
    Table t;
    ASSERT_TRUE(t.OpenDB(path.c_str(), ORVEX_OPEN_READWRITE));
    offsets = KeyZeroOffsets(t);
  }
  std::sort(offsets.begin(), offsets.end());
  const size_t damaged = offsets.size() / 2;
  auto bytes = ReadBytes(path);
  bytes[static_cast<size_t>(offsets[damaged])] = 1;  // a trimmed length below 2
  bytes[static_cast<size_t>(offsets[damaged]) + 1] = 0;
  WriteBytes(path, bytes);
  Table t;
  ASSERT_TRUE(t.OpenDB(path.c_str(), ORVEX_OPEN_READWRITE));
  std::vector<uint8_t> got(offsets.size() * kLength);
  size_t placed = 0;
  EXPECT_FALSE(t.ReadRecordRun(
      offsets.size(), [&](size_t i) { return offsets[i]; },
      [&](size_t i) {
        placed = i + 1;
        return &got[i * kLength];
      }));
  EXPECT_STREQ(t.GetErrMsg(), "database file damaged");
  EXPECT_EQ(placed, damaged + 1);

  const int32_t end = static_cast<int32_t>(bytes.size());
  const int32_t pastEnd[] = {offsets[0], end - 1};
  EXPECT_FALSE(t.ReadRecordRun(
      2, [&](size_t i) { return pastEnd[i]; }, [&](size_t i) { return &got[i * kLength]; }));
  EXPECT_STREQ(t.GetErrMsg(), "database file damaged");
}

// Copies made through staging windows of 50 records or fewer, and through
// short segments of the key-0 walk, hold the same bytes as the copy made
// at once;
// a bulk load ended part-way by its budget holds the same records in the
// same orders, auto-increment values renumbered 1, 2, 3 in key-0 order.
TEST(CompactWindows, SmallWindowsAndBudgetsMakeTheSameCopy) {
  for (bool trimmed : {true, false}) {
    TempDir dir;
    const std::string src = dir.File("s.db");
    MakeSource(src, trimmed, 6000);
    const auto sourceBytes = ReadBytes(src);
    const std::string once = dir.File("once.db");
    ASSERT_TRUE(orvex::Compact(src.c_str(), once.c_str(), nullptr, nullptr, orvex::CompactLimits()));
    const auto onceBytes = ReadBytes(once);
    for (size_t records : {size_t{50}, size_t{3}, size_t{1}}) {
      orvex::CompactLimits small;
      small.stagingBytes = records * kLength;
      const std::string copy = dir.File("w" + std::to_string(records) + ".db");
      ASSERT_TRUE(orvex::Compact(src.c_str(), copy.c_str(), nullptr, nullptr, small));
      EXPECT_TRUE(ReadBytes(copy) == onceBytes) << "windows of " << records << " records, trimmed " << trimmed;
    }
    // Segments of the walk that end inside windows, and windows that end
    // inside segments.
    for (size_t segment : {size_t{64}, size_t{1000}}) {
      orvex::CompactLimits small;
      small.orderBytes = segment * 8;
      small.stagingBytes = 150 * kLength;
      const std::string copy = dir.File("s" + std::to_string(segment) + ".db");
      ASSERT_TRUE(orvex::Compact(src.c_str(), copy.c_str(), nullptr, nullptr, small));
      EXPECT_TRUE(ReadBytes(copy) == onceBytes) << "segments of " << segment << " records, trimmed " << trimmed;
    }
    orvex::CompactLimits partial;
    partial.stagingBytes = 200 * kLength;
    partial.bulkLoadBytes = 30000;
    const std::string copy = dir.File("partial.db");
    std::vector<std::pair<int, int>> calls;
    auto note = [](int copied, int total, void* context) {
      static_cast<std::vector<std::pair<int, int>>*>(context)->push_back({copied, total});
    };
    ASSERT_TRUE(orvex::Compact(src.c_str(), copy.c_str(), note, &calls, partial));
    EXPECT_EQ(Walks(copy), Walks(once));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().first, calls.back().second);
    Table t;
    ASSERT_TRUE(t.OpenDB(copy.c_str(), ORVEX_OPEN_READWRITE));
    EXPECT_EQ(t.GetRecordNum(), calls.back().second);
    int32_t serial = 0;
    uint8_t b[kLength];
    for (bool more = t.GetFirst(0, b, kLength); more; more = t.GetNext(0, b, kLength)) {
      int32_t got;
      std::memcpy(&got, b + 4, 4);
      ASSERT_EQ(got, ++serial);
    }
    EXPECT_EQ(serial, t.GetRecordNum());
    EXPECT_TRUE(ReadBytes(src) == sourceBytes);
  }
}

// A record that fails its checks in the middle of a window fails the copy:
// no destination is left, and the source is as it was.
TEST(CompactWindows, ADamagedRecordFailsTheCopyAndLeavesNone) {
  TempDir dir;
  const std::string src = dir.File("s.db"), dst = dir.File("d.db");
  MakeSource(src, true, 3000);
  int32_t victim;
  {
    Table t;
    ASSERT_TRUE(t.OpenDB(src.c_str(), ORVEX_OPEN_READWRITE));
    const auto offsets = KeyZeroOffsets(t);
    victim = offsets[offsets.size() / 3];
  }
  auto bytes = ReadBytes(src);
  const int16_t tooLong = 30000;  // runs past what the schema allows
  std::memcpy(&bytes[static_cast<size_t>(victim)], &tooLong, 2);
  WriteBytes(src, bytes);
  orvex::CompactLimits small;
  small.stagingBytes = 100 * kLength;
  EXPECT_FALSE(orvex::Compact(src.c_str(), dst.c_str(), nullptr, nullptr, small));
  EXPECT_FALSE(std::filesystem::exists(dst));
  EXPECT_TRUE(ReadBytes(src) == bytes);
}
