// Pattern search over text keys and saved positions, through COrvex.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex_test;

namespace {

// id int (unique key 0), name text 32 (duplicates, case-sensitive, key 1),
// value double; plus key 2 on the name's slice from byte 2 (case-insensitive)
// and a multi-field key 3 on (id, name).
class PatternTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DefinePeople(db_));
    ASSERT_TRUE(db_.CreateKey("tail", 1, 1, 2, 2, 6));
    KEY_INFO info = {};
    std::strcpy(info.keyName, "both");
    info.fieldNum = 2;
    info.attribute = 1;
    info.fieldNo[0] = 0;
    info.fieldNo[1] = 1;
    info.compareMode[1] = 1;
    info.length[1] = 8;
    ASSERT_TRUE(db_.CreateKey(info));
    ASSERT_TRUE(db_.CreateDB(dir_.File("p.db").c_str(), ""));
  }
  void Add(int id, const char* name) { ASSERT_TRUE(AddPerson(db_, id, name, id)); }
  std::string Name() { return db_.GetFieldStr(1); }

  TempDir dir_;
  COrvex db_;
};

}  // namespace

TEST_F(PatternTable, LikeWalksMatchesInKeyOrder) {
  Add(1, "carol");
  Add(2, "anna");
  Add(3, "bob");
  Add(4, "alan");
  Add(5, "abe");
  ASSERT_TRUE(db_.GetLike(1, "a%", 2));
  EXPECT_EQ(Name(), "abe");
  EXPECT_EQ(db_.GetCurKeyNo(), 1);
  ASSERT_TRUE(db_.GetLikeNext(1));
  EXPECT_EQ(Name(), "alan");
  ASSERT_TRUE(db_.GetLikeNext(1));
  EXPECT_EQ(Name(), "anna");
  EXPECT_FALSE(db_.GetLikeNext(1));
  // The pattern stays after the walk ends; a new search from the first finds
  // the same records by name.
  ASSERT_TRUE(db_.GetLike("name", "%o%", 2));
  EXPECT_EQ(Name(), "bob");
  ASSERT_TRUE(db_.GetLikeNext("name"));
  EXPECT_EQ(Name(), "carol");
  EXPECT_FALSE(db_.GetLikeNext("name"));
}

TEST_F(PatternTable, NotLikeReturnsTheOthers) {
  Add(1, "anna");
  Add(2, "bob");
  Add(3, "abe");
  Add(4, "cy");
  ASSERT_TRUE(db_.GetNotLike(1, "a%", 2));
  EXPECT_EQ(Name(), "bob");
  ASSERT_TRUE(db_.GetNotLikeNext(1));
  EXPECT_EQ(Name(), "cy");
  EXPECT_FALSE(db_.GetNotLikeNext(1));
  EXPECT_FALSE(db_.GetNotLike(1, "%", 2));
}

TEST_F(PatternTable, CaseModes) {
  Add(1, "abc");
  Add(2, "ABD");
  ASSERT_TRUE(db_.GetLike(1, "AB%", 1));
  EXPECT_EQ(Name(), "ABD");
  EXPECT_FALSE(db_.GetLikeNext(1));
  EXPECT_FALSE(db_.GetLike(1, "ABC", 1));
  ASSERT_TRUE(db_.GetLike(1, "ABC", 2));
  EXPECT_EQ(Name(), "abc");
  ASSERT_TRUE(db_.GetLike(1, "ab_", 0));  // any mode but 1 folds
  EXPECT_EQ(Name(), "ABD");  // the key compares case-sensitively: "ABD" first
  ASSERT_TRUE(db_.GetLikeNext(1));
  EXPECT_EQ(Name(), "abc");
}

TEST_F(PatternTable, EqualValuesAreEachTestedAndTheSliceIsMatched) {
  Add(1, "xxsame");
  Add(2, "yysame");
  Add(3, "zzsame");
  Add(4, "zzotherwise");
  ASSERT_TRUE(db_.GetLike(2, "same", 2));  // the slice from byte 2
  EXPECT_EQ(CurrentId(db_), 1);
  ASSERT_TRUE(db_.GetLikeNext(2));
  EXPECT_EQ(CurrentId(db_), 2);
  ASSERT_TRUE(db_.GetLikeNext(2));
  EXPECT_EQ(CurrentId(db_), 3);
  EXPECT_FALSE(db_.GetLikeNext(2));
  // The slice is 6 bytes long: "otherw"; the rest of the field is not seen.
  EXPECT_FALSE(db_.GetLike(2, "%otherwise", 2));
  ASSERT_TRUE(db_.GetLike(2, "other_", 2));
  EXPECT_EQ(CurrentId(db_), 4);
}

TEST_F(PatternTable, RefusedKeysPatternsAndStates) {
  EXPECT_FALSE(db_.GetLike(1, "%", 2));  // no records
  Add(1, "anna");
  EXPECT_FALSE(db_.GetLike(0, "%", 2));  // int key
  EXPECT_FALSE(db_.GetLike(3, "%", 2));  // multi-field key
  EXPECT_FALSE(db_.GetLike(7, "%", 2));
  EXPECT_FALSE(db_.GetLike("nosuch", "%", 2));
  EXPECT_FALSE(db_.GetLike(1, nullptr, 2));
  // A failed search forgets the pattern, so Next has nothing to go on.
  EXPECT_FALSE(db_.GetLike(1, "b%", 2));
  EXPECT_FALSE(db_.GetLikeNext(1));
  EXPECT_FALSE(db_.GetNotLikeNext(1));
  // 129 characters fit the pattern buffer; 130 are refused, not cut (cut to
  // 129, "%%%...a" would match "anna").
  std::string fits(128, '%');
  fits += 'a';
  EXPECT_TRUE(db_.GetLike(1, fits.c_str(), 2));
  std::string longer(129, '%');
  longer += 'x';
  EXPECT_FALSE(db_.GetLike(1, (longer + "a").c_str(), 2));
  EXPECT_STREQ(db_.GetErrMsg(), "pattern longer than 129 characters");
  EXPECT_FALSE(db_.GetLikeNext(1));
}

TEST_F(PatternTable, TheEmptyPatternFindsEveryEmptyValue) {
  Add(1, "");
  Add(2, "");
  Add(3, "b");
  ASSERT_TRUE(db_.GetLike(1, "", 2));
  EXPECT_EQ(CurrentId(db_), 1);
  ASSERT_TRUE(db_.GetLikeNext(1));
  EXPECT_EQ(CurrentId(db_), 2);
  EXPECT_FALSE(db_.GetLikeNext(1));
}

TEST_F(PatternTable, RestoredPositionContinuesTheWalk) {
  for (int i = 1; i <= 500; ++i) Add(i, i % 2 ? "odd" : "even");
  EXPECT_FALSE(db_.RestorePosition(0));  // never saved
  int id = 300;
  ASSERT_TRUE(db_.GetEqual(0, &id));
  ASSERT_TRUE(db_.SavePosition(0));
  ASSERT_TRUE(db_.GetFirst(0));
  ASSERT_TRUE(db_.GetFirst(1));
  EXPECT_EQ(db_.GetCurKeyNo(), 1);
  ASSERT_TRUE(db_.RestorePosition(0));
  EXPECT_EQ(db_.GetCurKeyNo(), 0);
  EXPECT_EQ(CurrentId(db_), 300);
  ASSERT_TRUE(db_.GetNext(0));
  EXPECT_EQ(CurrentId(db_), 301);
  // Inside a duplicate chain: the saved node of "odd" number 5 (id 9).
  ASSERT_TRUE(db_.GetFirst(1));  // "even": ids 2, 4, ...
  const char odd[] = "odd";
  ASSERT_TRUE(db_.GetEqual(1, odd));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(db_.GetNext(1));
  ASSERT_EQ(CurrentId(db_), 9);
  ASSERT_TRUE(db_.SavePosition(1));
  ASSERT_TRUE(db_.GetLast(1));
  ASSERT_TRUE(db_.RestorePosition(1));
  EXPECT_EQ(CurrentId(db_), 9);
  ASSERT_TRUE(db_.GetNext(1));
  EXPECT_EQ(CurrentId(db_), 11);
  ASSERT_TRUE(db_.GetPrev(1));
  ASSERT_TRUE(db_.GetPrev(1));
  EXPECT_EQ(CurrentId(db_), 7);
}

TEST_F(PatternTable, RestoringADeletedRecordFails) {
  for (int i = 1; i <= 6; ++i) Add(i, "same");
  int id = 4;
  ASSERT_TRUE(db_.GetEqual(0, &id));
  ASSERT_TRUE(db_.SavePosition(0));
  ASSERT_TRUE(db_.Delete());
  EXPECT_FALSE(db_.RestorePosition(0));
  // In a chain the entry stays live for the others, yet the saved record is
  // gone: restoring there must not stand on a freed node.
  const char same[] = "same";
  ASSERT_TRUE(db_.GetEqual(1, same));
  ASSERT_TRUE(db_.GetNext(1));
  ASSERT_EQ(CurrentId(db_), 2);
  ASSERT_TRUE(db_.SavePosition(1));
  ASSERT_TRUE(db_.Delete());
  EXPECT_FALSE(db_.RestorePosition(1));
  // A position saved elsewhere in the chain still comes back.
  ASSERT_TRUE(db_.GetEqual(1, same));
  ASSERT_TRUE(db_.SavePosition(1));
  ASSERT_TRUE(db_.GetLast(0));
  ASSERT_TRUE(db_.RestorePosition(1));
  EXPECT_EQ(CurrentId(db_), 1);
  db_.CloseDB();
  EXPECT_FALSE(db_.SavePosition(0));
  EXPECT_FALSE(db_.RestorePosition(1));
}
