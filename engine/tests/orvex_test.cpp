// The exported class: by-name overloads and several objects on one file.
#include "orvex.h"

#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex_test;

TEST(COrvexByName, EveryKeyWorksByNameEvenWithMoreKeysThanFields) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("v", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("first", 2, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("second", 1, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateKey("third", 1, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("k.db").c_str(), ""));
  for (int v : {3, 1, 2}) {
    ASSERT_TRUE(db.SetField(&v, "V"));
    ASSERT_TRUE(db.Insert());
  }
  for (const char* name : {"first", " SECOND ", "Third"}) {
    int v = -1;
    ASSERT_TRUE(db.GetFirst(name)) << name;
    ASSERT_TRUE(db.GetField(&v, "v"));
    EXPECT_EQ(v, 1);
    ASSERT_TRUE(db.GetNext(name));
    ASSERT_TRUE(db.GetLast(name));
    ASSERT_TRUE(db.GetPrev(name));
    ASSERT_TRUE(db.GetField(&v, 0));
    EXPECT_EQ(v, 2);
    int two = 2;
    EXPECT_TRUE(db.GetEqual(name, &two));
    EXPECT_TRUE(db.GetGreater(name, &two));
    EXPECT_TRUE(db.GetLess(name, &two));
    EXPECT_TRUE(db.GetGreaterEqual(name, &two));
    EXPECT_TRUE(db.GetLessEqual(name, &two));
  }
  EXPECT_FALSE(db.GetFirst("fourth"));
  int k = 0;
  ASSERT_TRUE(db.GetKeyFirst("third", &k));
  EXPECT_EQ(k, 1);
  ASSERT_TRUE(db.GetKeyNext("third", &k));
  EXPECT_EQ(k, 2);
  ASSERT_TRUE(db.GetKeyLast("third", &k));
  ASSERT_TRUE(db.GetKeyPrev("third", &k));
  EXPECT_EQ(k, 2);
  EXPECT_FALSE(db.GetKeyFirst(" third", &k));  // these look up without trimming
  short code = 0;
  int three = 3;
  EXPECT_TRUE(db.CompareKeyNext("third", &three, &code));
  EXPECT_EQ(db.GetKeyNo("SECOND"), 1);
  EXPECT_EQ(db.GetKeyType("second"), 1);
  EXPECT_EQ(db.GetKeyType("none"), -1);
  EXPECT_EQ(db.GetFieldSize("v"), 4);
}

TEST(COrvexShared, TwoObjectsOnOneFileSeeEachOthersWrites) {
  TempDir dir;
  std::string path = dir.File("s.db");
  COrvex a;
  ASSERT_TRUE(DefinePeople(a));
  ASSERT_TRUE(a.CreateDB(path.c_str(), ""));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(AddPerson(a, i, "a", i));
  a.Flush();
  COrvex b(path.c_str(), 66);
  ASSERT_TRUE(b.IsDBOpen());
  EXPECT_EQ(b.GetRecordNum(), 1000);
  int id = 999;
  ASSERT_TRUE(b.GetEqual(0, &id));
  // b changes a record; a, positioned afresh, reads the change.
  double v = -1;
  ASSERT_TRUE(b.SetField(&v, 2));
  ASSERT_TRUE(b.Update());
  ASSERT_TRUE(a.GetEqual(0, &id));
  EXPECT_STREQ(a.GetFieldStr(2), "-1.00000000000000");
  b.Flush();
  a.CloseDB();
  b.CloseDB();
  COrvex c(path.c_str(), 66);
  ASSERT_TRUE(c.GetEqual(0, &id));
  EXPECT_STREQ(c.GetFieldStr(2), "-1.00000000000000");
}

TEST(COrvexShared, DestructorClosesAndWritesTheHeader) {
  TempDir dir;
  std::string path = dir.File("d.db");
  {
    COrvex a;
    ASSERT_TRUE(DefinePeople(a));
    ASSERT_TRUE(a.CreateDB(path.c_str(), ""));
    ASSERT_TRUE(AddPerson(a, 1, "x", 1));
  }
  EXPECT_EQ(Le32(ReadBytes(path), 36), 1);
}
