// COrvexQuery through its public members: clauses as a caller writes them,
// Find, ORDER BY, the set operations, the walk, and the refusals.
#include "orvex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "test_util.h"

using namespace orvex_test;

namespace {

enum Field { kId, kA, kB, kC, kName, kAge, kFirstName, kD, kDescription, kS, kF, kFlag, kBlob };

struct Row {
  int a, b, c;
  const char* name;
  int age;
  const char* first;
  double d;
  int description;
  short s;
  float f;
  bool flag;
};

// id 1..8, in insertion order.
const Row kRows[] = {
    {1, 2, 3, "jane", 30, "x", 3.5, 8, 5, 1.5f, true},
    {1, 5, 3, "John", 17, "x y", 7.0, 7, -5, 2.5f, false},
    {2, 2, 3, "bob", 45, "y", 14.0, 6, 14, 0.5f, true},
    {2, 2, 4, "jill", 18, "x", -5.0, 5, 3, 1.5f, false},
    {14, 9, 3, "JANE", 60, "z", 3.0, 4, 0, 3.5f, true},
    {3, 2, 9, "amy", 18, "", 0.0, 3, 7, 1.0f, false},
    {-5, 0, 0, "Jim", 25, "x", 1.0, 2, -5, 9.5f, true},
    {7, 1, 3, "zed", 99, "q", 2.0, 1, 1, 4.5f, false},
};

class QueryTest : public ::testing::Test {
 protected:
  void SetUp() override { Create(db_, path_ = dir_.File("q.db")); }

  // Keys: id (unique), a (duplicates), name (duplicates, letter case
  // ignored). The other fields are scanned.
  static void Create(COrvex& db, const std::string& path) {
    ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
    for (const char* f : {"a", "b", "c"}) ASSERT_TRUE(db.CreateField(f, ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("name", ORVEX_TEXT, 20));
    ASSERT_TRUE(db.CreateField("age", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("first name", ORVEX_TEXT, 20));
    ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(db.CreateField("DESCRIPTION", ORVEX_INT, 0));
    ASSERT_TRUE(db.CreateField("s", ORVEX_SHORT, 0));
    ASSERT_TRUE(db.CreateField("f", ORVEX_FLOAT, 0));
    ASSERT_TRUE(db.CreateField("flag", ORVEX_BOOL, 0));
    ASSERT_TRUE(db.CreateField("blob", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db.CreateKey("id", ORVEX_KEY_UNIQUE, kId, 0, 0, 0));
    ASSERT_TRUE(db.CreateKey("a", ORVEX_KEY_DUPLICATE, kA, 0, 0, 0));
    ASSERT_TRUE(db.CreateKey("name", ORVEX_KEY_DUPLICATE, kName, 2, 0, 0));
    ASSERT_TRUE(db.CreateDB(path.c_str(), "query test"));
    int id = 0;
    for (const Row& r : kRows) Add(db, ++id, r);
  }

  static void Add(COrvex& db, int id, const Row& r) {
    char name[20] = {};
    char first[20] = {};
    std::strncpy(name, r.name, 19);
    std::strncpy(first, r.first, 19);
    unsigned char flag = r.flag ? 1 : 0;
    ASSERT_TRUE(db.SetField(&id, kId) && db.SetField(&r.a, kA) && db.SetField(&r.b, kB) && db.SetField(&r.c, kC) &&
                db.SetField(name, kName) && db.SetField(&r.age, kAge) && db.SetField(first, kFirstName) &&
                db.SetField(&r.d, kD) && db.SetField(&r.description, kDescription) && db.SetField(&r.s, kS) &&
                db.SetField(&r.f, kF) && db.SetField(&flag, kFlag));
    ASSERT_TRUE(db.Insert());
  }

  // The ids of the selection in its order.
  static std::vector<int> Ids(COrvexQuery& q) {
    std::vector<int> ids;
    COrvex* db = q.GetDB();
    for (bool more = q.MoveFirst(); more; more = q.MoveNext()) ids.push_back(CurrentId(*db));
    return ids;
  }

  // The ids a clause selects, ascending; {-1} when it is refused.
  std::vector<int> Select(const char* clause) {
    COrvexQuery q(&db_);
    if (!q.Query(clause)) return {-1};
    std::vector<int> ids = Ids(q);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  std::string Refusal(const char* clause) {
    COrvexQuery q(&db_);
    EXPECT_FALSE(q.Query(clause)) << clause;
    return q.GetErrMsg();
  }

  TempDir dir_;
  std::string path_;
  COrvex db_;
};

using V = std::vector<int>;

TEST_F(QueryTest, ComparisonsSelectOnIndexedAndScannedFieldsAlike) {
  EXPECT_EQ(Select("a=2"), (V{3, 4}));
  EXPECT_EQ(Select("b=2"), (V{1, 3, 4, 6}));
  EXPECT_EQ(Select("a<>1"), (V{3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Select("a>=3"), (V{5, 6, 8}));
  EXPECT_EQ(Select("age>=45"), (V{3, 5, 8}));
  EXPECT_EQ(Select("a<2"), (V{1, 2, 7}));
  EXPECT_EQ(Select("age<=18"), (V{2, 4, 6}));
  EXPECT_EQ(Select("age>60"), (V{8}));
  EXPECT_EQ(Select("d>3.5"), (V{2, 3}));
  EXPECT_EQ(Select("f=1.5"), (V{1, 4}));
  EXPECT_EQ(Select("s<0"), (V{2, 7}));
  EXPECT_EQ(Select("flag=1"), (V{1, 3, 5, 7}));
  EXPECT_EQ(Select("flag<>0"), (V{1, 3, 5, 7}));
  EXPECT_EQ(Select("id=5"), (V{5}));
  EXPECT_EQ(Select("a=100"), V{});
}

TEST_F(QueryTest, TextComparesIgnoringLetterCaseOnIndexAndScan) {
  // name has a case-insensitive key whose equal values share one entry;
  // every one of them is selected, whatever case the first one had.
  EXPECT_EQ(Select("name='jane'"), (V{1, 5}));
  EXPECT_EQ(Select("name='JANE'"), (V{1, 5}));
  EXPECT_EQ(Select("name>='j'"), (V{1, 2, 4, 5, 7, 8}));
  EXPECT_EQ(Select("name<'BOB'"), (V{6}));
  EXPECT_EQ(Select("[first name]='X'"), (V{1, 4, 7}));
  EXPECT_EQ(Select("[first name]='x y'"), (V{2}));
  EXPECT_EQ(Select("[first name]<'x'"), (V{6, 8}));
  EXPECT_EQ(Select("name = 'bob'"), Select("name='bob'"));
}

TEST_F(QueryTest, LikeMatchesPatternsIgnoringLetterCase) {
  EXPECT_EQ(Select("name LIKE 'j%'"), (V{1, 2, 4, 5, 7}));
  EXPECT_EQ(Select("name like 'J_N%'"), (V{1, 5}));
  EXPECT_EQ(Select("name LIKE '%e'"), (V{1, 5}));
  EXPECT_EQ(Select("name NOT LIKE 'j%'"), (V{3, 6, 8}));
  EXPECT_EQ(Select("name LIKE '%'"), (V{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Select("name LIKE 'janex'"), V{});
  EXPECT_EQ(Select("[first name] LIKE 'x%'"), (V{1, 2, 4, 7}));
  EXPECT_EQ(Select("[first name] NOT LIKE '_'"), (V{2, 6}));
  EXPECT_EQ(Select("[first name] LIKE ''"), (V{6}));
  // On a field of another type LIKE gives no selection at all.
  EXPECT_EQ(Refusal("a LIKE '1'"), "Syntax error 1");
  // A pattern longer than any key is fine: it matches nothing.
  std::string longPattern = "name LIKE '" + std::string(300, '_') + "'";
  EXPECT_EQ(Select(longPattern.c_str()), V{});
  COrvexQuery q(&db_);
  ASSERT_TRUE(q.Query("age>=18 AND name LIKE 'j%' ORDER BY name DESC, age"));
  EXPECT_EQ(Ids(q), (V{7, 4, 1, 5}));
  ASSERT_TRUE(q.Query("age>=18 AND name LIKE 'j%'"));
  EXPECT_EQ(Ids(q), (V{1, 4, 5, 7}));
  EXPECT_EQ(q.Find(kName, " like ", "%o%").GetCount(), 2);
  EXPECT_EQ(q.Find("first name", " NOT LIKE ", "x%").GetCount(), 4);
  EXPECT_EQ(q.Find(kName, "LIKE", "%o%").GetCount(), 2);
}

TEST_F(QueryTest, LikeOnACaseSensitiveKeyStillIgnoresCase) {
  COrvex db;
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("word", ORVEX_TEXT, 8));
  ASSERT_TRUE(db.CreateKey("word", ORVEX_KEY_DUPLICATE, 1, 1, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir_.File("w.db").c_str(), ""));
  int id = 0;
  for (const char* w : {"ab", "AB", "Abc", "aB1", "b", "A", "abz", "a_b", "ZZ", "aa"}) {
    char text[8] = {};
    std::strncpy(text, w, 7);
    ++id;
    ASSERT_TRUE(db.SetField(&id, 0) && db.SetField(text, 1) && db.Insert());
  }
  COrvexQuery q(&db);
  ASSERT_TRUE(q.Query("word LIKE 'ab%'"));
  EXPECT_EQ(q.GetCount(), 5);  // ab AB Abc aB1 abz; not a_b
  ASSERT_TRUE(q.Query("word LIKE 'a_b'"));
  EXPECT_EQ(q.GetCount(), 1);
  ASSERT_TRUE(q.Query("word LIKE 'ab'"));
  EXPECT_EQ(q.GetCount(), 2);
  ASSERT_TRUE(q.Query("word NOT LIKE 'ab%'"));
  EXPECT_EQ(q.GetCount(), 5);
}

TEST_F(QueryTest, AndBindsTighterThanOrAndParenthesesGroup) {
  // a=1 gives 1,2; b=2 AND c=3 gives 1,3.
  EXPECT_EQ(Select("a=1 OR b=2 AND c=3"), (V{1, 2, 3}));
  // a=1 OR b=2 gives 1,2,3,4,6; AND c=3 keeps 1,2,3.
  EXPECT_EQ(Select("(a=1 OR b=2) AND c=3"), (V{1, 2, 3}));
  EXPECT_EQ(Select("(a=1 OR b=2) AND c=4"), (V{4}));
  EXPECT_EQ(Select("a=1 OR b=2 AND c=4"), (V{1, 2, 4}));
  EXPECT_EQ(Select("a = 1 and b != 5"), (V{1}));
  EXPECT_EQ(Select("a != 1"), Select("a<>1"));
  EXPECT_EQ(Select("a>=1 AND a<3 AND b=2"), (V{1, 3, 4}));
  EXPECT_EQ(Select("age>17 AND age<45"), (V{1, 4, 6, 7}));
  EXPECT_EQ(Select("a>1 AND a<=3"), (V{3, 4, 6}));
  EXPECT_EQ(Select("a<3 AND a>1"), (V{3, 4}));
  EXPECT_EQ(Select("a>=5 AND a<3"), V{});
  // (a=1)(b=2) is accepted; the top operand at acceptance wins.
  EXPECT_EQ(Select("(a=1)(b=9)"), (V{5}));
}

TEST_F(QueryTest, ArithmeticOnTheLiteralSide) {
  EXPECT_EQ(Select("a=(3+4)*2"), (V{5}));
  EXPECT_EQ(Select("a=7/2"), (V{6}));
  EXPECT_EQ(Select("d=7.0/2"), (V{1}));
  EXPECT_EQ(Select("a=0-5"), (V{7}));
  EXPECT_EQ(Select("a=8-3*2"), (V{3, 4}));
  EXPECT_EQ(Select("a=14/(5-3)"), (V{8}));
  EXPECT_EQ(Select("d=3.0+0.5"), (V{1}));
  // "<" on an int field takes the value as a decimal number cut toward 0.
  EXPECT_EQ(Select("a<2.9"), (V{1, 2, 7}));
  EXPECT_EQ(Refusal("a=-5"), "Syntax error");
}

TEST_F(QueryTest, RefusedClausesSayWhy) {
  EXPECT_EQ(Refusal("name=x"), "Syntax error in Query clause: x should be 'x'");
  EXPECT_EQ(Refusal("nosuch=1"), "Syntax error in Query clause: unknown field nosuch");
  EXPECT_EQ(Refusal("a=1/0"), "Syntax error in Query clause: Divided by zero!");
  EXPECT_EQ(Refusal("a=1/0.5"), "Syntax error in Query clause: Divided by zero!");
  EXPECT_EQ(Refusal("a=4/(2-2)"), "Syntax error in Query clause: Divided by zero!");
  EXPECT_EQ(Refusal("1+4"), "Syntax error 1");
  EXPECT_EQ(Refusal("()"), "Syntax error");
  EXPECT_EQ(Refusal("(a=1"), "Syntax error in Query clause.");
  EXPECT_EQ(Refusal("a=1)"), "Syntax error in Query clause.");
  EXPECT_EQ(Refusal("name='abc"), "Syntax error");
  EXPECT_EQ(Refusal("a= AND b=1"), "Syntax error");
  EXPECT_EQ(Refusal("a=1 OR ("), "Syntax error in Query clause.");
  EXPECT_EQ(Refusal("a"), "Syntax error 1");
  EXPECT_EQ(Refusal("[first name=1"), "Syntax error");
  // A literal that looks like a result-set reference is none.
  EXPECT_EQ(Refusal("0&"), "Syntax error 1");
  EXPECT_EQ(Refusal("a=1 AND 0&"), "Syntax error 1");
  EXPECT_EQ(Refusal("0& OR 1&"), "Syntax error 1");
}

TEST_F(QueryTest, RefusalLeavesThePreviousSelectionAndCursor) {
  COrvexQuery q(&db_);
  ASSERT_TRUE(q.Query("b=2"));
  ASSERT_TRUE(q.MoveFirst());
  ASSERT_TRUE(q.MoveNext());
  EXPECT_FALSE(q.Query("1+4"));
  EXPECT_EQ(q.GetCount(), 4);
  ASSERT_TRUE(q.MoveNext());
  EXPECT_EQ(CurrentId(db_), 4);
  EXPECT_FALSE(q.Query("nosuch=1"));
  EXPECT_EQ(q.GetCount(), 4);
}

TEST_F(QueryTest, EmptyClauseIsTrueOnlyOnAFreshQuery) {
  COrvexQuery q(&db_);
  EXPECT_TRUE(q.Query(""));
  EXPECT_EQ(q.GetCount(), 0);
  EXPECT_TRUE(q.Query(nullptr));
  ASSERT_TRUE(q.Query("a=1"));
  EXPECT_FALSE(q.Query(""));
  EXPECT_STREQ(q.GetErrMsg(), "Not found Query clause");
  EXPECT_EQ(q.GetCount(), 2);
}

TEST_F(QueryTest, OrderByFieldsAndDirections) {
  COrvexQuery q(&db_);
  ASSERT_TRUE(q.Query("age>=18 AND name>'b' ORDER BY name DESC, age"));
  // zed, Jim, jill, then jane and JANE, equal but for letter case: their
  // bytes decide ("JANE" < "jane"), so descending puts jane first; bob.
  EXPECT_EQ(Ids(q), (V{8, 7, 4, 1, 5, 3}));
  ASSERT_TRUE(q.Query("age>=18 AND name>'b'"));
  EXPECT_EQ(Ids(q), (V{1, 3, 4, 5, 7, 8}));
  ASSERT_TRUE(q.Query("b=2 order by c desc, [first name] asc, d"));
  EXPECT_EQ(Ids(q), (V{6, 4, 1, 3}));
  ASSERT_TRUE(q.Query("id>0 ORDER BY DESCRIPTION"));
  EXPECT_EQ(Ids(q), (V{8, 7, 6, 5, 4, 3, 2, 1}));
  ASSERT_TRUE(q.Query("id>0 ORDER BY f DESC, s"));
  EXPECT_EQ(Ids(q), (V{7, 8, 5, 2, 4, 1, 6, 3}));
  ASSERT_TRUE(q.Query("id>0 ORDER BY flag, blob, d DESC"));
  EXPECT_EQ(Ids(q), (V{2, 8, 6, 4, 3, 1, 5, 7}));
  // A name that is no field keeps the offset order, and the query succeeds.
  ASSERT_TRUE(q.Query("a=2 ORDER BY nosuch"));
  EXPECT_EQ(Ids(q), (V{3, 4}));
}

TEST_F(QueryTest, RepeatedClauseIsAnsweredAgainOnlyWhileTheTableIsUnchanged) {
  COrvexQuery q(&db_);
  ASSERT_TRUE(q.Query("c=3 ORDER BY age"));
  ASSERT_TRUE(q.MoveFirst());
  ASSERT_TRUE(q.MoveNext());
  ASSERT_TRUE(q.Query("c=3 ORDER BY age"));
  ASSERT_TRUE(q.MoveNext());  // the cursor stayed where it was
  EXPECT_EQ(CurrentId(db_), 3);
  EXPECT_EQ(q.GetCount(), 5);

  // A record added through this table object is seen.
  Add(db_, 9, Row{0, 0, 3, "new", 1, "", 0, 0, 0, 0, false});
  ASSERT_TRUE(q.Query("c=3 ORDER BY age"));
  EXPECT_EQ(q.GetCount(), 6);
  ASSERT_TRUE(q.MoveFirst());
  EXPECT_EQ(CurrentId(db_), 9);

  // So is one added through another object on the same file.
  db_.Flush();
  COrvex other(path_.c_str(), ORVEX_OPEN_DEFAULT);
  ASSERT_TRUE(other.IsDBOpen());
  Add(other, 10, Row{0, 0, 3, "other", 2, "", 0, 0, 0, 0, false});
  ASSERT_TRUE(q.Query("c=3 ORDER BY age"));
  EXPECT_EQ(q.GetCount(), 7);

  // And a delete.
  int ten = 10;
  ASSERT_TRUE(other.GetEqual(0, &ten));
  ASSERT_TRUE(other.Delete());
  ASSERT_TRUE(q.Query("c=3 ORDER BY age"));
  EXPECT_EQ(q.GetCount(), 6);
}

TEST_F(QueryTest, WalkMovesTheTablesCurrentRecord) {
  COrvexQuery q(&db_);
  EXPECT_FALSE(q.MoveFirst());
  EXPECT_FALSE(q.MoveLast());
  ASSERT_TRUE(q.Query("b=2"));
  ASSERT_TRUE(q.MoveLast());
  EXPECT_EQ(CurrentId(db_), 6);
  EXPECT_FALSE(q.MoveNext());
  ASSERT_TRUE(q.MovePrev());
  EXPECT_EQ(CurrentId(db_), 4);
  ASSERT_TRUE(q.MoveFirst());
  EXPECT_FALSE(q.MovePrev());
  EXPECT_EQ(CurrentId(db_), 1);
  // The current record can be updated right away.
  int age = 31;
  ASSERT_TRUE(db_.SetFieldStr("1", kId));
  ASSERT_TRUE(db_.SetField(&age, kAge));
  ASSERT_TRUE(db_.SetFieldStr("jane", kName));
  ASSERT_TRUE(db_.Update());
  EXPECT_EQ(Select("age=31"), (V{1}));
  // A query that shrinks the selection leaves the cursor outside it.
  ASSERT_TRUE(q.Query("b=2"));
  ASSERT_TRUE(q.MoveLast());
  ASSERT_TRUE(q.Query("a=2"));
  EXPECT_FALSE(q.MoveNext());
  EXPECT_FALSE(q.MovePrev());
  EXPECT_TRUE(q.MoveFirst());
}

TEST_F(QueryTest, FindByNumberAndNameOnEveryType) {
  COrvexQuery q(&db_);
  int two = 2;
  EXPECT_EQ(q.Find(kA, "=", &two).GetCount(), 2);
  EXPECT_EQ(q.Find("B", "<=", &two).GetCount(), 6);
  short five = -5;
  EXPECT_EQ(q.Find(kS, "=", &five).GetCount(), 2);
  float half = 0.5f;
  EXPECT_EQ(q.Find("f", ">", &half).GetCount(), 7);
  double three = 3.0;
  EXPECT_EQ(q.Find(kD, "<>", &three).GetCount(), 7);
  unsigned char yes = 1;
  EXPECT_EQ(q.Find(kFlag, "=", &yes).GetCount(), 4);
  EXPECT_EQ(q.Find(kName, "=", "jill").GetCount(), 1);
  EXPECT_EQ(q.Find(kName, ">", "j").GetCount(), 6);
  // The selection is ascending by record offset: ids in insertion order.
  q.Find(kA, ">", &two);
  EXPECT_EQ(Ids(q), (V{5, 6, 8}));
  // Chunk fields, unknown fields and operators, and null values select nothing.
  EXPECT_EQ(q.Find(kBlob, "=", &two).GetCount(), 0);
  EXPECT_EQ(q.Find(99, "=", &two).GetCount(), 0);
  EXPECT_EQ(q.Find("nosuch", "=", &two).GetCount(), 0);
  EXPECT_EQ(q.Find(kA, "==", &two).GetCount(), 0);
  EXPECT_EQ(q.Find(kA, "=", nullptr).GetCount(), 0);
  EXPECT_EQ(q.Find(kA, nullptr, &two).GetCount(), 0);
}

TEST_F(QueryTest, FindOnAUniqueKeyLeavesTheTableOnTheMatch) {
  COrvexQuery q(&db_);
  int five = 5;
  ASSERT_EQ(q.Find(kId, "=", &five).GetCount(), 1);
  EXPECT_EQ(CurrentId(db_), 5);
  ASSERT_TRUE(q.Query("id=3"));
  EXPECT_EQ(CurrentId(db_), 3);
}

TEST_F(QueryTest, UnionAndIntersection) {
  COrvexQuery a(&db_);
  COrvexQuery b(&db_);
  COrvexQuery out(&db_);
  ASSERT_TRUE(a.Query("a=1 OR a=2"));
  ASSERT_TRUE(b.Query("b=2"));
  COrvexQuery::Union(a, b, out);
  EXPECT_EQ(Ids(out), (V{1, 2, 3, 4, 6}));
  COrvexQuery::Intersection(a, b, out);
  EXPECT_EQ(Ids(out), (V{1, 3, 4}));
  COrvexQuery empty(&db_);
  COrvexQuery::Intersection(a, empty, out);
  EXPECT_EQ(out.GetCount(), 0);
  COrvexQuery::Union(empty, b, out);
  EXPECT_EQ(Ids(out), (V{1, 3, 4, 6}));
  // The output may be one of the inputs; order from ORDER BY is taken as a set.
  ASSERT_TRUE(b.Query("b=2 ORDER BY age DESC"));
  COrvexQuery::Union(a, b, a);
  EXPECT_EQ(Ids(a), (V{1, 2, 3, 4, 6}));
}

TEST_F(QueryTest, CopiesAreIndependentAndSetDBDiscards) {
  COrvexQuery q(&db_);
  ASSERT_TRUE(q.Query("b=2"));
  ASSERT_TRUE(q.MoveFirst());
  COrvexQuery copy(q);
  ASSERT_TRUE(q.Query("a=1"));
  EXPECT_EQ(copy.GetCount(), 4);
  EXPECT_TRUE(copy.MoveNext());
  EXPECT_EQ(CurrentId(db_), 3);
  COrvexQuery assigned;
  assigned = copy;
  EXPECT_EQ(assigned.GetDB(), &db_);
  EXPECT_EQ(assigned.GetCount(), 4);
  assigned.SetDB(&db_);
  EXPECT_EQ(assigned.GetCount(), 0);
}

TEST_F(QueryTest, WithoutAnOpenTableEverythingFails) {
  COrvexQuery unbound;
  EXPECT_FALSE(unbound.Query("a=1"));
  EXPECT_STREQ(unbound.GetErrMsg(), "not found a orvex handle");
  int one = 1;
  EXPECT_EQ(unbound.Find(kA, "=", &one).GetCount(), 0);
  EXPECT_STREQ(unbound.GetErrMsg(), "not found a orvex handle");

  COrvexQuery q(&db_);
  ASSERT_TRUE(q.Query("a=1"));
  db_.CloseDB();
  EXPECT_FALSE(q.Query("a=1"));
  EXPECT_STRNE(q.GetErrMsg(), "");
  EXPECT_FALSE(q.MoveFirst());
  EXPECT_EQ(q.Find(kA, "=", &one).GetCount(), 0);
  // Changed while closed and opened again: the same clause is evaluated
  // afresh.
  {
    COrvex writer(path_.c_str(), ORVEX_OPEN_DEFAULT);
    Add(writer, 9, Row{1, 0, 0, "new", 1, "", 0, 0, 0, 0, false});
  }
  ASSERT_TRUE(db_.OpenDB(path_.c_str(), ORVEX_OPEN_DEFAULT));
  ASSERT_TRUE(q.Query("a=1"));
  EXPECT_EQ(q.GetCount(), 3);
}

TEST_F(QueryTest, DeepNestingAndLongClausesAreRefusedOrAnsweredNeverOverflowed) {
  std::string deep = std::string(200, '(') + "a=1" + std::string(200, ')');
  EXPECT_EQ(Select(deep.c_str()), (V{1, 2}));
  std::string deeper = std::string(5000, '(') + "a=1" + std::string(5000, ')');
  EXPECT_EQ(Refusal(deeper.c_str()), "Syntax error in Query clause: parentheses nested too deeply");
  // About 100 KB of comparisons joined by OR.
  std::string wide = "a=1";
  while (wide.size() < 100000) wide += " OR a=2";
  EXPECT_EQ(Select(wide.c_str()), (V{1, 2, 3, 4}));
  std::string huge(2 << 20, ' ');
  huge += "a=1";
  EXPECT_EQ(Refusal(huge.c_str()), "Syntax error in Query clause: longer than 1048576 bytes");
  std::string text = "name='" + std::string(5000, 'x') + "'";
  EXPECT_EQ(Select(text.c_str()), V{});
}

}  // namespace

// A scan of a table large enough for the long-list sort, its records
// inserted in no key order: every record is judged once, and the selection
// is the model's, ascending by offset.
TEST(QueryScan, ALargeTableInsertedInNoKeyOrderIsScannedWhole) {
  TempDir dir;
  COrvex db;
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("v", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateKey("id", ORVEX_KEY_UNIQUE, 0, 0, 0, 0));
  ASSERT_TRUE(db.CreateDB(dir.File("scan.db").c_str(), "scan"));
  const int n = 90000;
  std::vector<int> ids(n);
  for (int i = 0; i < n; ++i) ids[static_cast<size_t>(i)] = i;
  uint32_t seed = 12345;
  for (int i = n - 1; i > 0; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(ids[static_cast<size_t>(i)], ids[(seed >> 8) % static_cast<uint32_t>(i + 1)]);
  }
  auto valueOf = [](int id) { return (id * 7919) % 1000; };
  for (int id : ids) {
    const int v = valueOf(id);
    ASSERT_TRUE(db.SetField(&id, 0) && db.SetField(&v, 1) && db.Insert());
  }
  // Every fourth record deleted, so the file has holes; more than 65536
  // are left.
  for (int id = 0; id < n; id += 4) ASSERT_TRUE(db.GetEqual(0, &id) && db.Delete());
  struct Case {
    const char* clause;
    bool (*holds)(int v);
  };
  const Case cases[] = {{"v<250", [](int v) { return v < 250; }},
                        {"v>=0", [](int) { return true; }},
                        {"v<>500 AND v>100", [](int v) { return v != 500 && v > 100; }}};
  for (const Case& c : cases) {
    const char* clause = c.clause;
    COrvexQuery q(&db);
    ASSERT_TRUE(q.Query(clause)) << q.GetErrMsg();
    std::vector<int> want;
    for (int id = 0; id < n; ++id) {
      if (id % 4 != 0 && c.holds(valueOf(id))) want.push_back(id);
    }
    std::vector<int> got;
    int lastOffset = -1;
    bool ascending = true;
    for (bool more = q.MoveFirst(); more; more = q.MoveNext()) {
      ascending = ascending && db.GetCurRec(0) > lastOffset;
      lastOffset = db.GetCurRec(0);
      got.push_back(CurrentId(db));
    }
    EXPECT_TRUE(ascending) << clause;
    EXPECT_EQ(q.GetCount(), static_cast<int>(want.size())) << clause;
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << clause;
  }
}
