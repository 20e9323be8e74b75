// The `orvex` program end to end: exit codes and output of `info` and `check`
// on files built byte by byte.
#include <gtest/gtest.h>

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
