// `orvex dump` and `orvex compact` end to end, on files the engine wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "orvex.h"
#include "tool_test_util.h"

namespace {

namespace fs = std::filesystem;

using Result = orvextest::ToolResult;

class DumpTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "orvex_dump_" + std::to_string(getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    db_ = dir_ + "/d.db";
    COrvex db;
    ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("label", ORVEX_TEXT, 24));
    ASSERT_TRUE(db.CreateField("ratio", ORVEX_FLOAT, 0));
    ASSERT_TRUE(db.CreateField("exact", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(db.CreateField("blob", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
    ASSERT_TRUE(db.CreateDB(db_.c_str(), ""));
    const char* labels[] = {"plain", "with, comma", "say \"hi\"", "two\nlines"};
    for (int i = 0; i < 4; ++i) {
      const int id = 40 - i;  // inserted backwards: the dump is in key order
      char label[24] = {};
      std::strcpy(label, labels[i]);
      const float ratio = i == 0 ? 0.1f : 0.0000001f;
      const double exact = i == 0 ? 1.0 / 3 : -2.5e-300;
      ASSERT_TRUE(db.SetField(&id, 0) && db.SetField(label, 1) && db.SetField(&ratio, 2) && db.SetField(&exact, 3));
      if (i == 1) ASSERT_TRUE(db.AppendChunk("ab", 2, 4));
      if (i == 2) ASSERT_TRUE(db.AppendChunk("\xff\x00\x10", 3, 4));
      ASSERT_TRUE(db.Insert());
    }
  }
  void TearDown() override { fs::remove_all(dir_); }
  Result Run(const std::string& args) { return orvextest::RunTool(ORVEX_TOOL, args, dir_ + "/err.txt"); }

  std::string dir_;
  std::string db_;
};

}  // namespace

TEST_F(DumpTool, RecordsInKeyOrderAsCsvWithExactNumbers) {
  const Result r = Run("dump " + db_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "id,label,ratio,exact,blob:size\r\n"
            "37,\"two\nlines\",1e-07,-2.5e-300,0\r\n"
            "38,\"say \"\"hi\"\"\",1e-07,-2.5e-300,3\r\n"
            "39,\"with, comma\",1e-07,-2.5e-300,2\r\n"
            "40,plain,0.1,0.3333333333333333,0\r\n");
}

TEST_F(DumpTool, ChunksAsHexOrBase64) {
  Result r = Run("dump --chunks=hex " + db_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("id,label,ratio,exact,blob:size,blob:hex\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",3,ff0010\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",2,6162\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",0,\r\n"), std::string::npos) << r.out;
  r = Run("dump --chunks=base64 " + db_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("blob:size,blob:base64\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",3,/wAQ\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",2,YWI=\r\n"), std::string::npos) << r.out;
}

TEST_F(DumpTool, UsageAndUnreadableFiles) {
  EXPECT_EQ(Run("dump --chunks=octal " + db_).status, 2);
  EXPECT_EQ(Run("dump").status, 2);
  const Result r = Run("dump " + dir_ + "/missing.db");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.db"), std::string::npos) << r.err;
}

TEST_F(DumpTool, ADamagedChunkStopsTheDumpAndSaysWhere) {
  // The chunk of record 38 claims more bytes than its block holds.
  {
    COrvex db(db_.c_str(), 66);
    int id = 38;
    ASSERT_TRUE(db.GetEqual(0, &id));
  }
  std::fstream f(db_, std::ios::in | std::ios::out | std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  // The trimmed record of 38: length, id 38, label, ratio, exact, blob ref.
  const char needle[] = {38, 0, 0, 0, 8, 0, 's', 'a', 'y'};
  auto at = std::search(bytes.begin(), bytes.end(), needle, needle + sizeof needle);
  ASSERT_NE(at, bytes.end());
  const size_t size = static_cast<size_t>(at - bytes.begin()) + 4 + 2 + 8 + 4 + 8 + 4;
  const int32_t claimed = 300;
  f.seekp(static_cast<std::streamoff>(size));
  f.write(reinterpret_cast<const char*>(&claimed), 4);
  f.close();
  const Result r = Run("dump --chunks=hex " + db_);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("37,"), std::string::npos);
  EXPECT_EQ(r.out.find("39,"), std::string::npos);
  EXPECT_NE(r.err.find("dump stopped in record 2"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\"blob\""), std::string::npos) << r.err;
}

TEST_F(DumpTool, CompactPrintsWhatItDidAndRefusesTheSource) {
  const std::string copy = dir_ + "/copy.db";
  Result r = Run("compact " + db_ + " " + copy);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("records copied: 4\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("bytes before,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("time: "), std::string::npos) << r.out;
  EXPECT_EQ(Run("dump --chunks=hex " + copy).out, Run("dump --chunks=hex " + db_).out);
  fs::create_symlink(db_, dir_ + "/link.db");
  std::ifstream in(db_, std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  r = Run("compact " + db_ + " " + dir_ + "/link.db");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is the source itself"), std::string::npos) << r.err;
  std::ifstream again(db_, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), before);
  EXPECT_EQ(Run("compact " + dir_ + "/missing.db " + copy).status, 2);
  EXPECT_EQ(Run("compact " + db_).status, 2);
  r = Run("compact " + db_ + " " + dir_ + "/no/folder/x.db");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("failed"), std::string::npos) << r.err;
}
