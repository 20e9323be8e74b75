// `orvex query` end to end, on files the engine wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "orvex.h"
#include "tool_test_util.h"

namespace {

namespace fs = std::filesystem;

using Result = orvextest::ToolResult;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t next; (next = text.find(end, at)) != std::string::npos; at = next + end.size()) {
    lines.push_back(text.substr(at, next - at));
  }
  return lines;
}

class QueryTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "orvex_query_" + std::to_string(getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    db_ = dir_ + "/q.db";
    COrvex db;
    ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("name", ORVEX_TEXT, 24));
    ASSERT_TRUE(db.CreateField("score", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(db.CreateField("picture", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db.CreateKey("id", 2, 0, 0, 0, 0));
    ASSERT_TRUE(db.CreateDB(db_.c_str(), ""));
    struct Row {
      int id;
      const char* name;
      double score;
      int chunk;
    };
    // Inserted out of id order: offset order and key order differ.
    const Row rows[] = {{30, "Mara", 2.5, 0}, {7, "Éloïse", -1, 1200}, {12, "tab\there", 100.25, 3}, {21, "Zed", 0.5, 0}};
    for (const Row& r : rows) {
      char name[24] = {};
      std::strcpy(name, r.name);
      ASSERT_TRUE(db.SetField(&r.id, 0) && db.SetField(name, 1) && db.SetField(&r.score, 2));
      if (r.chunk > 0) {
        const std::string bytes(static_cast<size_t>(r.chunk), 'x');
        ASSERT_TRUE(db.AppendChunk(bytes.data(), r.chunk, 3));
      }
      ASSERT_TRUE(db.Insert());
    }
  }
  void TearDown() override {
    chmod(db_.c_str(), 0644);
    fs::remove_all(dir_);
  }
  Result Run(const std::string& args) { return orvextest::RunTool(ORVEX_TOOL, args, dir_ + "/err.txt"); }

  std::string dir_;
  std::string db_;
};

}  // namespace

TEST_F(QueryTool, PrintsAnAlignedTableInTheQueryOrderThenTheCount) {
  const Result q = Run("query " + db_ + " \"score>0 ORDER BY name DESC\"");
  EXPECT_EQ(q.status, 0) << q.err;
  // Texts on the left, numbers and chunk sizes on the right; control
  // characters shown escaped so that each record keeps one line.
  EXPECT_EQ(q.out,
            "id  name        score  picture\n"
            "--  ---------  ------  -------\n"
            "21  Zed           0.5        0\n"
            "12  tab\\there  100.25        3\n"
            "30  Mara          2.5        0\n"
            "3 records\n")
      << q.out;
}

TEST_F(QueryTool, ColumnsCountCharactersNotBytesAndChunksShowTheirSize) {
  const Result r = Run("query " + db_ + " \"id<=7\"");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out, "\n");
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[2], " 7  Éloïse     -1     1200") << r.out;
  EXPECT_EQ(lines[3], "1 record");
  // Header and rows line up: each column ends at the same character.
  EXPECT_EQ(lines[0], "id  name    score  picture");
}

TEST_F(QueryTool, AnEmptySelectionPrintsTheHeaderAndNoRecords) {
  const Result r = Run("query " + db_ + " \"id=999\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "id  name  score  picture\n--  ----  -----  -------\n0 records\n");
}

TEST_F(QueryTool, CsvIsWhatDumpWritesForTheSameRecords) {
  const Result dump = Run("dump --chunks=base64 " + db_);
  ASSERT_EQ(dump.status, 0) << dump.err;
  Result r = Run("query --csv --chunks=base64 " + db_ + " \"id>0 ORDER BY id\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dump.out);
  // A part of the table in the query's order: the dump's rows, reordered.
  const std::vector<std::string> all = Lines(dump.out, "\r\n");
  ASSERT_EQ(all.size(), 5u);
  r = Run("query --csv " + db_ + " \"id=30 OR id<10 ORDER BY score\"");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> some = Lines(r.out, "\r\n");
  ASSERT_EQ(some.size(), 3u) << r.out;
  EXPECT_EQ(some[0], "id,name,score,picture:size");
  EXPECT_EQ(some[1], "7,Éloïse,-1,1200");
  EXPECT_EQ(some[2], "30,Mara,2.5,0");
}

TEST_F(QueryTool, ARefusedClausePrintsTheQueryErrorAndFails) {
  Result r = Run("query " + db_ + " \"nosuch=1\"");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Syntax error in Query clause: unknown field nosuch"), std::string::npos) << r.err;
  r = Run("query --csv " + db_ + " \"(id=1\"");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Syntax error"), std::string::npos) << r.err;
}

TEST_F(QueryTool, UsageAndUnreadableFiles) {
  EXPECT_EQ(Run("query " + db_).status, 2);
  EXPECT_EQ(Run("query").status, 2);
  EXPECT_EQ(Run("query --chunks=hex " + db_ + " id=7").status, 2);
  EXPECT_EQ(Run("query --csv --chunks=octal " + db_ + " id=7").status, 2);
  EXPECT_EQ(Run("query " + db_ + " id=7 extra").status, 2);
  const Result r = Run("query " + dir_ + "/missing.db id=7");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.db"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ + "/missing.db"));
}

TEST_F(QueryTool, ReadsAReadOnlyFileAndLeavesItAsItWas) {
  const std::string before = ReadAll(db_);
  ASSERT_EQ(chmod(db_.c_str(), 0444), 0);
  const Result r = Run("query " + db_ + " \"name LIKE '%e%' ORDER BY id\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\n 7  Éloïse"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n12  tab\\there"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n21  Zed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("3 records\n"), std::string::npos) << r.out;
  EXPECT_EQ(ReadAll(db_), before);
}
