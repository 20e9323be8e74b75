// The clause language's pieces: normalisation, operators and the tokenizer.
#include "query/clause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orvex::query;

namespace {

std::vector<std::string> Tokens(const std::string& text) {
  int quotes = 0;
  int depth = 0;
  Tokenizer tokenizer(&quotes, &depth);
  std::string_view rest = text;
  Token t;
  std::vector<std::string> out;
  while (tokenizer.Next(&rest, &t)) out.push_back((t.isOperator ? "op:" : "") + std::string(t.text));
  return out;
}

}  // namespace

TEST(QueryNormalise, DropsBlanksOutsideQuotesButKeepsThemAroundWordOperators) {
  EXPECT_EQ(Normalise("a = 1 and b != 'x y'").where, "a=1 and b<>'x y'");
  EXPECT_EQ(Normalise("  name  LIKE  'j%'  ").where, "name LIKE 'j%'");
  EXPECT_EQ(Normalise("a=1 NOT LIKE 'x'").where, "a=1 NOT LIKE 'x'");
  EXPECT_EQ(Normalise("[first name] = 'x'").where, "[first name]='x'");
  EXPECT_EQ(Normalise("a='!=' OR b!=2").where, "a='!=' OR b<>2");
  // Line breaks and tabs are blanks; one that stays is a space.
  EXPECT_EQ(Normalise("a=1\n\tAND b=2").where, "a=1 AND b=2");
  EXPECT_EQ(Normalise("name='or '").where, "name='or '");
}

TEST(QueryNormalise, SplitsTheOrderPartOffOutsideQuotes) {
  SplitClause s = Normalise("a=1 ORDER BY name DESC, a");
  EXPECT_EQ(s.where, "a=1");
  EXPECT_EQ(s.order, "ORDER BY name DESC, a");
  s = Normalise("name='x order by y' order by name");
  EXPECT_EQ(s.where, "name='x order by y'");
  EXPECT_EQ(s.order, "order by name");
  EXPECT_EQ(Normalise("ORDER BY a").where, "");
  EXPECT_EQ(Normalise("order_no=1").order, "");
}

TEST(QueryOperators, FirstMatchInCodeOrderWins) {
  int n = 0;
  EXPECT_EQ(OperatorAt(">=1", &n), kGreaterEqual);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(OperatorAt("<>1", &n), kNotEqual);
  EXPECT_EQ(OperatorAt("<1", &n), kLess);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(OperatorAt(" and x", &n), kAnd);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(OperatorAt(" Not Like 'x'", &n), kNotLike);
  EXPECT_EQ(n, 10);
  EXPECT_EQ(OperatorAt(" ORx", &n), kOther);
  EXPECT_EQ(OperatorAt("#", &n), kEnd);
  EXPECT_EQ(OperatorAt("", &n), kOther);
}

TEST(QueryOperators, PrecedenceTableOrdersOrBelowAndBelowComparisonsBelowArithmetic) {
  EXPECT_EQ(Precedence(kOr, kAnd), '<');
  EXPECT_EQ(Precedence(kAnd, kOr), '>');
  EXPECT_EQ(Precedence(kAnd, kAnd), '>');  // left to right
  EXPECT_EQ(Precedence(kEqual, kPlus), '<');
  EXPECT_EQ(Precedence(kPlus, kTimes), '<');
  EXPECT_EQ(Precedence(kTimes, kPlus), '>');
  EXPECT_EQ(Precedence(kOpen, kClose), '=');
  EXPECT_EQ(Precedence(kOpen, kEnd), 'E');
  EXPECT_EQ(Precedence(kEnd, kClose), 'E');
  EXPECT_EQ(Precedence(kEnd, kEnd), 'R');
  for (int c = 0; c < kOpCount; ++c) EXPECT_EQ(Precedence(kOther, static_cast<OpCode>(c)), 'E');
}

TEST(QueryTokenizer, OperatorsInsideQuotesAndBracketsBelongToTheOperand) {
  EXPECT_EQ(Tokens("name='a=b OR c'#"),
            (std::vector<std::string>{"name", "op:=", "'a=b OR c'", "op:#"}));
  EXPECT_EQ(Tokens("[a-b]>=2"), (std::vector<std::string>{"[a-b]", "op:>=", "2"}));
  EXPECT_EQ(Tokens("a=0-5"), (std::vector<std::string>{"a", "op:=", "0", "op:-", "5"}));
  EXPECT_EQ(Tokens("a=-5"), (std::vector<std::string>{"a", "op:=", "op:-", "5"}));
  // An unclosed quote swallows the rest, end marker included.
  EXPECT_EQ(Tokens("name='abc#"), (std::vector<std::string>{"name", "op:=", "'abc#"}));
  // Word operators need their blanks.
  EXPECT_EQ(Tokens("a=1 AND b=2"),
            (std::vector<std::string>{"a", "op:=", "1", "op: AND ", "b", "op:=", "2"}));
  EXPECT_EQ(Tokens("a=1AND b=2"), (std::vector<std::string>{"a", "op:=", "1AND b", "op:=", "2"}));
}
