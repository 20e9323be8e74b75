// The query clause language: operator codes, their precedence, the split of
// a clause into its where part and its order part, and the tokenizer.
//
// Operators are recognised at the start of the remaining text, the first of
// this list that matches winning (so ">=" is one operator, not ">"); the four
// word operators include their surrounding blanks and ignore letter case:
//
//   code  text           code  text        code  text
//   0     " OR "         6     "<>"        12    "*"
//   1     " AND "        7     ">"         13    "/"
//   2     " LIKE "       8     "<"         14    "("
//   3     " NOT LIKE "   9     "="         15    ")"
//   4     ">="           10    "+"         16    "#"  (end marker)
//   5     "<="           11    "-"         17    anything else
#ifndef ORVEX_QUERY_CLAUSE_H_
#define ORVEX_QUERY_CLAUSE_H_

#include <string>
#include <string_view>

namespace orvex::query {

enum OpCode : int {
  kOr = 0,
  kAnd,
  kLike,
  kNotLike,
  kGreaterEqual,
  kLessEqual,
  kNotEqual,
  kGreater,
  kLess,
  kEqual,
  kPlus,
  kMinus,
  kTimes,
  kDivide,
  kOpen,
  kClose,
  kEnd,
  kOther,
};
constexpr int kOpCount = 18;

// The operator whose text begins text, and its length; kOther (length 0)
// when none does.
OpCode OperatorAt(std::string_view text, int* length);

// What the parser does with the incoming operator against the operator on
// top of its stack: '<' push it, '>' reduce the top, '=' the parentheses
// meet, 'R' accept, 'E' syntax error.
char Precedence(OpCode top, OpCode incoming);

// A clause split for evaluation: the where part, normalised (blanks outside
// quotes and brackets dropped except around the word operators, "!=" as
// "<>", trimmed), and the order part from "ORDER BY" to the end, unchanged.
struct SplitClause {
  std::string where;
  std::string order;
};
SplitClause Normalise(std::string_view clause);

// The text of a clause's operand: a field reference, a literal, or the
// result of arithmetic.
struct Token {
  bool isOperator = false;
  OpCode op = kOther;
  std::string_view text;
};

// Cuts tokens off the front of a text. Quotes and brackets are counted from
// token to token (through the counters given, which the query keeps), and
// an operator inside quotes or brackets belongs to the operand around it.
class Tokenizer {
 public:
  Tokenizer(int* quotes, int* depth) : quotes_(quotes), depth_(depth) {}
  // Takes the next token off rest; false when rest is empty.
  bool Next(std::string_view* rest, Token* token);

 private:
  void Count(char c);
  bool Outside() const { return *quotes_ % 2 == 0 && *depth_ == 0; }
  int* quotes_;
  int* depth_;
};

// ASCII letter folding, as the language compares names and words.
inline char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Trims white space at both ends.
std::string_view Trim(std::string_view text);

}  // namespace orvex::query

#endif  // ORVEX_QUERY_CLAUSE_H_
