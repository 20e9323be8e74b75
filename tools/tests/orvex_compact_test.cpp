// CompactDB: copies judged by the independent reader (every copy checks
// clean), values bit for bit, chunks of the sizes around the transfer
// buffer, renumbered auto-increment values, and refusals that leave the
// source whole and no destination behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "orvex.h"
#include "orvexcheck.h"
#include "orvexfile.h"
#include "tool_test_util.h"

namespace {

namespace fs = std::filesystem;

std::vector<char> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int32_t I32At(const std::vector<char>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

std::vector<uint8_t> Pattern(int n, int seed) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 13 + seed + i / 509);
  return v;
}

class Compact : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "orvex_compact_" + std::to_string(getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // n: int, auto-increment no, float f, double d, text t, chunk c; keys on
  // no (made with the field), n (unique), t (duplicates).
  void MakeSource(const std::string& path, bool trimmed) {
    COrvex db;
    ASSERT_TRUE(db.CreateField("n", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateKey("n", 2, 0, 0, 0, 0));
    ASSERT_TRUE(db.CreateField("no", ORVEX_AUTOINC, 0));
    ASSERT_TRUE(db.CreateField("f", ORVEX_FLOAT, 0));
    ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 20));
    ASSERT_TRUE(db.CreateField("c", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db.CreateKey("t", 1, 4, 2, 0, 0));
    db.EnableTrimRecord(trimmed);
    ASSERT_TRUE(db.CreateDB(path.c_str(), "compaction source"));
    for (int i = 0; i < 40; ++i) {
      const int n = 1000 - i * 7;
      const float f = i == 2 ? 0.0000001f : static_cast<float>(i) / 3;
      const double d = i == 4 ? 0.12345678901234567 : std::pow(10.0, i - 20) / 7;
      char t[20] = {};
      std::snprintf(t, sizeof t, "name%d", i % 5);
      ASSERT_TRUE(db.SetField(&n, 0));
      ASSERT_TRUE(db.SetField(&f, 2));
      ASSERT_TRUE(db.SetField(&d, 3));
      ASSERT_TRUE(db.SetField(t, 4));
      const int size = i == 5 ? 81920 : i == 7 ? 81921 : i == 8 ? 0 : i % 4 == 0 ? -1 : i * 1000;
      if (size >= 0) {
        auto bytes = Pattern(size, i);
        for (int at = 0; at < size || at == 0; at += 3000) {
          ASSERT_TRUE(db.AppendChunk(bytes.data() + at, std::min(3000, size - at), 5));
          if (size == 0) break;
        }
      }
      ASSERT_TRUE(db.Insert());
    }
    for (int i = 0; i < 40; i += 3) {  // every third record goes
      const int n = 1000 - i * 7;
      ASSERT_TRUE(db.GetEqual("n", &n));
      ASSERT_TRUE(db.Delete());
    }
  }

  // Every record of a table in key order of key k: n, f, d, t and the chunk.
  struct Row {
    int n;
    int no;
    uint32_t f;
    uint64_t d;
    std::string t;
    std::vector<uint8_t> c;
    bool operator==(const Row& o) const {
      return n == o.n && f == o.f && d == o.d && t == o.t && c == o.c;
    }
  };
  std::vector<Row> Rows(const std::string& path, const char* key) {
    std::vector<Row> rows;
    COrvex db(path.c_str(), 66);
    EXPECT_TRUE(db.IsDBOpen()) << db.GetErrMsg();
    for (bool more = db.GetFirst(key); more; more = db.GetNext(key)) {
      Row r;
      char t[20];
      float f;
      double d;
      EXPECT_TRUE(db.GetField(&r.n, "n") && db.GetField(&r.no, "no") && db.GetField(&f, "f") &&
                  db.GetField(&d, "d") && db.GetField(t, "t"));
      std::memcpy(&r.f, &f, 4);
      std::memcpy(&r.d, &d, 8);
      r.t = t;
      r.c.resize(static_cast<size_t>(db.GetChunkSize("c")));
      if (!r.c.empty()) {
        EXPECT_TRUE(db.GotoChunkPos("c") && db.GetChunk(r.c.data(), static_cast<int>(r.c.size()), "c"));
      }
      rows.push_back(r);
    }
    return rows;
  }

  void ExpectSameRows(const std::vector<Row>& a, const std::vector<Row>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(a[i] == b[i]) << "row " << i << " n " << a[i].n;
  }

  std::string dir_;
};

void Progress(int copied, int total, void* context) {
  auto* calls = static_cast<std::vector<std::pair<int, int>>*>(context);
  calls->push_back({copied, total});
}

}  // namespace

TEST_F(Compact, CopiesEveryLiveRecordExactlyAndTightly) {
  for (bool trimmed : {true, false}) {
    const std::string src = Path(trimmed ? "t.db" : "f.db");
    const std::string dst = Path(trimmed ? "t.copy" : "f.copy");
    MakeSource(src, trimmed);
    const auto before = Slurp(src);
    std::vector<std::pair<int, int>> calls;
    ASSERT_TRUE(CompactDB(src.c_str(), dst.c_str(), Progress, &calls));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), std::make_pair(26, 26));
    EXPECT_EQ(Slurp(src), before);  // the source is not changed
    EXPECT_TRUE(orvextest::ChecksClean(dst));
    // Same records, values bit for bit (a float of 0.0000001 and a double of
    // 17 significant digits included), chunks whole. (Equal names follow
    // each other in insertion order, which in the copy is key-0 order.)
    ExpectSameRows(Rows(src, "n"), Rows(dst, "n"));
    EXPECT_EQ(Rows(dst, "t").size(), 26u);
    const auto copy = Slurp(dst);
    for (size_t head : {15372u, 15376u, 15452u}) EXPECT_EQ(I32At(copy, head), -1);
    EXPECT_EQ(copy[15380], 0);  // trimmed form whatever the source's
    EXPECT_LT(copy.size(), before.size());
    COrvex d(dst.c_str(), 66);
    // Every key keeps its number, the automatic key on "no" (defined after
    // key "n" in the source) included.
    ASSERT_EQ(d.GetKeyNum(), 3);
    EXPECT_STREQ(d.GetKeyName(0), "n");
    EXPECT_STREQ(d.GetKeyName(1), "no");
    EXPECT_STREQ(d.GetKeyName(2), "t");
    EXPECT_STREQ(d.GetDescription(), "compaction source");
    // Renumbered in copy order (key 0 of the source: "n" ascending), and the
    // records lie in that order in the file.
    int expect = 1;
    int32_t lastAt = 0;
    for (bool more = d.GetFirst("n"); more; more = d.GetNext("n"), ++expect) {
      int no;
      ASSERT_TRUE(d.GetField(&no, "no"));
      EXPECT_EQ(no, expect);
      EXPECT_GT(d.GetCurRec(0), lastAt);
      lastAt = d.GetCurRec(0);
    }
    EXPECT_EQ(expect, 27);
  }
}

TEST_F(Compact, ChunksAroundTheTransferSizeAndNoneAtAll) {
  const std::string src = Path("s.db"), dst = Path("d.db");
  MakeSource(src, true);
  ASSERT_TRUE(CompactDB(src.c_str(), dst.c_str()));
  COrvex d(dst.c_str(), 66);
  for (int i : {4, 5, 7, 8}) {
    const int n = 1000 - i * 7;
    ASSERT_TRUE(d.GetEqual("n", &n));
    const int want = i == 5 ? 81920 : i == 7 ? 81921 : 0;
    ASSERT_EQ(d.GetChunkSize("c"), want) << i;
    if (want == 0) {
      EXPECT_FALSE(d.GotoChunkPos("c"));
      continue;
    }
    std::vector<uint8_t> got(static_cast<size_t>(want));
    ASSERT_TRUE(d.GotoChunkPos("c"));
    ASSERT_TRUE(d.GetChunk(got.data(), want, "c"));
    EXPECT_EQ(got, Pattern(want, i));
  }
}

TEST_F(Compact, TheSourceItselfIsRefusedByAnyPath) {
  const std::string src = Path("s.db");
  MakeSource(src, true);
  const auto before = Slurp(src);
  fs::create_symlink(src, Path("link.db"));
  fs::create_hard_link(src, Path("hard.db"));
  for (const std::string& dst : {src, dir_ + "/./s.db", dir_ + "/../" + fs::path(dir_).filename().string() + "/s.db",
                                 Path("link.db"), Path("hard.db")}) {
    EXPECT_FALSE(CompactDB(src.c_str(), dst.c_str())) << dst;
    EXPECT_EQ(Slurp(src), before) << dst;
  }
  EXPECT_FALSE(CompactDB(Path("missing.db").c_str(), Path("x.db").c_str()));
  EXPECT_FALSE(fs::exists(Path("x.db")));
  EXPECT_FALSE(CompactDB(src.c_str(), Path("no/such/folder.db").c_str()));
}

TEST_F(Compact, AnExistingDestinationIsReplaced) {
  const std::string src = Path("s.db"), dst = Path("d.db");
  MakeSource(src, true);
  std::ofstream(dst) << "old contents";
  ASSERT_TRUE(CompactDB(src.c_str(), dst.c_str()));
  EXPECT_TRUE(orvextest::ChecksClean(dst));
  ExpectSameRows(Rows(src, "n"), Rows(dst, "n"));
}

TEST_F(Compact, ADamagedSourceFailsAndLeavesNoCopy) {
  const std::string src = Path("s.db"), dst = Path("d.db");
  {
    COrvex db;
    ASSERT_TRUE(db.CreateField("n", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateKey("n", 2, 0, 0, 0, 0));
    ASSERT_TRUE(db.CreateDB(src.c_str(), ""));
    for (int n = 0; n < 1000; ++n) ASSERT_TRUE(db.SetField(&n, 0) && db.Insert());
  }
  // The second leaf of key 0 no longer names itself: the walk stops there.
  auto bytes = Slurp(src);
  const int32_t first = I32At(bytes, 15292);
  const int32_t second = I32At(bytes, static_cast<size_t>(first) + 1624);
  ASSERT_GT(second, 0);
  const int32_t wrong = second + 1;
  std::memcpy(bytes.data() + second + 1616, &wrong, 4);
  std::ofstream(src, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_FALSE(CompactDB(src.c_str(), dst.c_str()));
  EXPECT_FALSE(fs::exists(dst));
  EXPECT_EQ(Slurp(src), bytes);
}

TEST_F(Compact, AWriteThatFailsMidwayLeavesTheSourceWholeAndNoCopy) {
  const std::string src = Path("s.db"), dst = Path("d.db");
  MakeSource(src, true);
  const auto before = Slurp(src);
  // In a child whose files may not grow past 100 KB, the copy's writes fail.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {100 * 1024, 100 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(CompactDB(src.c_str(), dst.c_str()) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(dst));
  EXPECT_EQ(Slurp(src), before);
}

// A copy large enough for three index levels, with long duplicate chains
// under a key that folds letter case: the copy checks clean, its name key
// walks equal names in copy order (key-0 order), and it takes ordinary
// inserts and deletes afterwards.
TEST_F(Compact, ALargeCopyHasSoundIndexesAndChainsInCopyOrder) {
  const std::string src = Path("s.db"), dst = Path("d.db");
  const int count = 42000;
  {
    COrvex db;
    ASSERT_TRUE(db.CreateField("n", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateKey("n", ORVEX_KEY_UNIQUE, 0, 0, 0, 0));
    ASSERT_TRUE(db.CreateField("t", ORVEX_TEXT, 10));
    ASSERT_TRUE(db.CreateKey("t", ORVEX_KEY_DUPLICATE, 1, 2, 0, 0));
    ASSERT_TRUE(db.CreateDB(src.c_str(), "large"));
    for (int i = 0; i < count; ++i) {
      const int n = (i * 7919) % count;  // every value once, out of order
      char t[10] = {};
      std::snprintf(t, sizeof t, "%s%d", n % 2 ? "ab" : "AB", n % 300);
      ASSERT_TRUE(db.SetField(&n, 0) && db.SetField(t, 1) && db.Insert()) << db.GetErrMsg();
    }
    for (int n = 0; n < count; n += 10) ASSERT_TRUE(db.GetEqual("n", &n) && db.Delete());
  }
  ASSERT_TRUE(CompactDB(src.c_str(), dst.c_str()));
  EXPECT_TRUE(orvextest::ChecksClean(dst));
  std::vector<std::pair<std::string, int>> expect;
  for (int n = 0; n < count; ++n) {
    if (n % 10 == 0) continue;
    expect.push_back({"ab" + std::to_string(n % 300), n});
  }
  // Folded names as text ("ab10" before "ab2"), then copy order.
  std::sort(expect.begin(), expect.end());
  COrvex d(dst.c_str(), 66);
  std::vector<std::pair<std::string, int>> got;
  for (bool more = d.GetFirst("t"); more; more = d.GetNext("t")) {
    int n;
    char t[10];
    ASSERT_TRUE(d.GetField(&n, "n") && d.GetField(t, "t"));
    got.push_back({t, n});
    for (char& c : got.back().first) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  EXPECT_EQ(got, expect);
  // Ordinary changes on the copy's full leaves.
  for (int n = count; n < count + 3000; ++n) {
    char t[10] = "zz";
    ASSERT_TRUE(d.SetField(&n, "n") && d.SetField(t, "t") && d.Insert()) << d.GetErrMsg();
  }
  for (int n = 1; n < count; n += 97) {
    if (n % 10 != 0) {
      ASSERT_TRUE(d.GetEqual("n", &n) && d.Delete()) << n;
    }
  }
  d.CloseDB();
  EXPECT_TRUE(orvextest::ChecksClean(dst));
}
