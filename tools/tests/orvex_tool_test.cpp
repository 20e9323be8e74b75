// The `orvex` program end to end: exit codes and output of `info` and `check`
// on files built byte by byte.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "imagebuilder.h"
#include "tool_test_util.h"

namespace {

using orvextest::Bytes;
using orvextest::Entry;
using orvextest::ImageBuilder;

using Result = orvextest::ToolResult;

Result RunTool(const std::string& args) { return orvextest::RunTool(ORVEX_TOOL, args); }

class OrvexTool : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "orvex_tool_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
    b_.AddField("code", 1);
    b_.AddField("label", 5, 8);
    b_.AddKey({"code", 2, {{0}}});
    std::vector<Entry> entries;
    for (int i = 0; i < 3; ++i) {
      Bytes rec = b_.NewRecord();
      b_.PutShort(rec, 0, static_cast<int16_t>(i - 1));
      b_.PutText(rec, 1, "x");
      entries.push_back(Entry{b_.KeyOf(0, rec), b_.WriteRecord(rec)});
    }
    leaf_ = b_.BuildIndex(0, entries, 100)[0][0];
    b_.SetRecordCount(3);
  }
  void TearDown() override { std::remove(path_.c_str()); }
  void Save() {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b_.bytes().data()), static_cast<std::streamsize>(b_.bytes().size()));
  }
  std::string path_;
  ImageBuilder b_;
  int32_t leaf_ = -1;
};

TEST_F(OrvexTool, CheckCleanFileExitsZero) {
  Save();
  const Result r = RunTool("check " + path_);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("clean: 1 keys, 1 index nodes, 3 records"), std::string::npos) << r.out;
}

TEST_F(OrvexTool, CheckPrintsEachViolationWithItsNodeAndExitsOne) {
  b_.I32(leaf_, 250);
  b_.I32(leaf_ + 1624, leaf_);
  Save();
  Result r = RunTool("check " + path_);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("node " + std::to_string(leaf_) + ": key 0 \"code\": entry count 250 outside 1..200"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("violations"), std::string::npos) << r.out;
}

TEST_F(OrvexTool, InfoDescribesTheFile) {
  Save();
  const Result r = RunTool("info " + path_);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("record form: trimmed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("record count: 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0 \"code\" short size 2 at 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 \"label\" text size 8 at 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0 \"code\" unique, single field, length 2, short nodes of 2032 bytes"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("free lists: record -1, duplicate node -1, chunk -1"), std::string::npos) << r.out;
}

TEST_F(OrvexTool, UsageAndUnreadableFiles) {
  EXPECT_EQ(RunTool("").status, 2);
  EXPECT_EQ(RunTool("verify " + path_).status, 2);
  const Result missing = RunTool("check " + path_ + ".missing");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.out.find("No such file"), std::string::npos) << missing.out;
  // An empty file is no database: check reports it, info refuses it.
  b_.bytes().clear();
  Save();
  EXPECT_EQ(RunTool("check " + path_).status, 1);
  EXPECT_EQ(RunTool("info " + path_).status, 1);
}

}  // namespace

// A named pipe given for a file is refused at once (a plain open would wait
// for a writer forever): `timeout` stops the tool after 5 s otherwise.
TEST_F(OrvexTool, ANamedPipeIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo(path_.c_str(), 0644), 0);
  for (const char* command : {"info ", "check ", "dump "}) {
    const Result r = orvextest::RunTool("timeout 5 " + std::string(ORVEX_TOOL), command + path_);
    EXPECT_EQ(r.status, 2) << command << r.out;
    EXPECT_NE(r.out.find("not a regular file"), std::string::npos) << command << r.out;
  }
}

namespace {

void PutU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutI64(Bytes& b, size_t at, int64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
}
uint32_t U32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
// Writes the checksum of b[from, from + n) at from + n.
void Seal(Bytes& b, size_t from, size_t n, uint32_t s0, uint32_t s1) {
  for (size_t i = from; i < from + n; i += 8) {
    s0 += U32(b, i) + s1;
    s1 += U32(b, i + 4) + s0;
  }
  PutU32(b, from + n, s0);
  PutU32(b, from + n + 4, s1);
}

// A journal, written from its documented layout, holding the given pages
// of `committed` (a commit `committed.size()` bytes long).
Bytes Journal(const Bytes& committed, const std::vector<int64_t>& pages, uint64_t salt) {
  Bytes j(64 + pages.size() * 4112, 0);
  const char magic[16] = "Orvex journal 1";
  std::copy(magic, magic + 16, j.begin());
  PutU32(j, 16, 4096);
  PutI64(j, 24, static_cast<int64_t>(committed.size()));
  PutI64(j, 32, static_cast<int64_t>(salt));
  Seal(j, 0, 56, 0x6a09e667u, 0xbb67ae85u);
  for (size_t i = 0; i < pages.size(); ++i) {
    const size_t at = 64 + i * 4112;
    PutI64(j, at, pages[i] * 4096);
    for (int64_t k = 0; k < 4096 && pages[i] * 4096 + k < static_cast<int64_t>(committed.size()); ++k)
      j[at + 8 + static_cast<size_t>(k)] = committed[static_cast<size_t>(pages[i] * 4096 + k)];
    Seal(j, at, 4104, static_cast<uint32_t>(salt), static_cast<uint32_t>(salt >> 32));
  }
  return j;
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace

// A commit interrupted after it overwrote the header and appended to the
// file: check reports the journal, reads the file as the next open will
// restore it (clean, the committed record count) and exits 1.
TEST_F(OrvexTool, AJournalLeftBehindIsReportedAndReadAsItWillBeRestored) {
  const Bytes committed = b_.bytes();
  Bytes changed = committed;
  PutU32(changed, 36, 77);                  // the record count
  PutU32(changed, 15252, 0x7fff0000);       // a root far outside the file
  changed.resize(committed.size() + 9000, 0xee);
  b_.bytes() = changed;
  Save();
  const std::string journal = path_ + "-journal";
  WriteFile(journal, Journal(committed, {0, 3}, 0x1234567890abcdefull));
  Result r = RunTool("check " + path_);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("left behind by an interrupted commit: the next open puts back 2 pages and cuts the file to " +
                       std::to_string(committed.size()) + " bytes"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("clean: 1 keys, 1 index nodes, 3 records"), std::string::npos) << r.out;
  r = RunTool("info " + path_);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("record count: 3"), std::string::npos) << r.out;
  // Damage to the journal's header makes it hold nothing: the file is read
  // as it is, and found damaged.
  Bytes j = Journal(committed, {0}, 5);
  j[30] ^= 1;
  WriteFile(journal, j);
  r = RunTool("check " + path_);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("holds nothing to play back"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("clean:"), std::string::npos) << r.out;
  std::remove(journal.c_str());
}

// Playback stops at the first record that does not check: a record torn by
// the crash is not put back.
TEST_F(OrvexTool, AJournalIsPlayedBackUpToItsFirstBadRecord) {
  const Bytes committed = b_.bytes();
  Bytes changed = committed;
  PutU32(changed, 36, 9);
  b_.bytes() = changed;
  Save();
  const std::string journal = path_ + "-journal";
  Bytes j = Journal(committed, {0}, 99);
  j[64 + 500] ^= 4;
  WriteFile(journal, j);
  const Result r = RunTool("info " + path_);
  EXPECT_NE(r.out.find("puts back 0 pages"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("record count: 9"), std::string::npos) << r.out;
  std::remove(journal.c_str());
}
