// Operator recognition, precedence, normalisation and tokenizing of clauses.
#include "query/clause.h"

namespace orvex::query {

namespace {

// Row: the operator on top of the stack; column: the incoming operator; both
// in code order. Precedence from low to high: OR; AND; the comparisons;
// + and -; * and /. Equal precedence associates to the left.
constexpr const char* kPrecedence[kOpCount] = {
    "><<<<<<<<<<<<<<>>E",  // " OR "
    ">><<<<<<<<<<<<<>>E",  // " AND "
    ">>>>>>>>>><<<<<>>E",  // " LIKE "
    ">>>>>>>>>><<<<<>>E",  // " NOT LIKE "
    ">>>>>>>>>><<<<<>>E",  // ">="
    ">>>>>>>>>><<<<<>>E",  // "<="
    ">>>>>>>>>><<<<<>>E",  // "<>"
    ">>>>>>>>>><<<<<>>E",  // ">"
    ">>>>>>>>>><<<<<>>E",  // "<"
    ">>>>>>>>>><<<<<>>E",  // "="
    ">>>>>>>>>>>><<<>>E",  // "+"
    ">>>>>>>>>>>><<<>>E",  // "-"
    ">>>>>>>>>>>>>><>>E",  // "*"
    ">>>>>>>>>>>>>><>>E",  // "/"
    "<<<<<<<<<<<<<<<=EE",  // "("
    ">>>>>>>>>>>>>>E>>E",  // ")" (never pushed)
    "<<<<<<<<<<<<<<<ERE",  // "#"
    "EEEEEEEEEEEEEEEEEE",  // other
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view Trim(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

OpCode OperatorAt(std::string_view text, int* length) {
  *length = 1;
  if (text.empty()) {
    *length = 0;
    return kOther;
  }
  const char next = text.size() > 1 ? text[1] : '\0';
  switch (text[0]) {
    case ' ':
      if (StartsWithNoCase(text, " OR ")) { *length = 4; return kOr; }
      if (StartsWithNoCase(text, " AND ")) { *length = 5; return kAnd; }
      if (StartsWithNoCase(text, " LIKE ")) { *length = 6; return kLike; }
      if (StartsWithNoCase(text, " NOT LIKE ")) { *length = 10; return kNotLike; }
      break;
    case '>':
      if (next == '=') { *length = 2; return kGreaterEqual; }
      return kGreater;
    case '<':
      if (next == '=') { *length = 2; return kLessEqual; }
      if (next == '>') { *length = 2; return kNotEqual; }
      return kLess;
    case '=': return kEqual;
    case '+': return kPlus;
    case '-': return kMinus;
    case '*': return kTimes;
    case '/': return kDivide;
    case '(': return kOpen;
    case ')': return kClose;
    case '#': return kEnd;
    default: break;
  }
  *length = 0;
  return kOther;
}

char Precedence(OpCode top, OpCode incoming) { return kPrecedence[top][incoming]; }

// Walks the clause keeping the quote count and the bracket depth; a
// character is outside when, after it is counted, the quotes are even and
// the depth is 0. White space of any kind counts as a blank, and a blank that
// stays is written as a space, so that a clause may span lines.
SplitClause Normalise(std::string_view clause) {
  SplitClause out;
  std::string& where = out.where;
  where.reserve(clause.size());
  int quotes = 0;
  int depth = 0;
  size_t i = 0;
  while (i < clause.size()) {
    const char c = clause[i];
    if (c == '\'') ++quotes;
    else if (c == '[') ++depth;
    else if (c == ']') --depth;
    if (quotes % 2 == 0 && depth == 0) {
      if (IsBlank(c)) {
        const std::string_view after = clause.substr(i + 1);
        const bool keep = StartsWithNoCase(after, "OR ") || StartsWithNoCase(after, "AND ") ||
                          StartsWithNoCase(after, "LIKE ") || StartsWithNoCase(after, "NOT LIKE ") ||
                          EndsWithNoCase(where, " OR") || EndsWithNoCase(where, " AND") ||
                          EndsWithNoCase(where, " LIKE") || EndsWithNoCase(where, " NOT LIKE");
        if (keep) where += ' ';
        ++i;
        continue;
      }
      if (c == '!' && i + 1 < clause.size() && clause[i + 1] == '=') {
        where += "<>";
        i += 2;
        continue;
      }
      if (StartsWithNoCase(clause.substr(i), "ORDER BY")) {
        out.order = clause.substr(i);
        break;
      }
    }
    where += c;
    ++i;
  }
  where = std::string(Trim(where));
  return out;
}

void Tokenizer::Count(char c) {
  if (c == '\'') ++*quotes_;
  else if (c == '[') ++*depth_;
  else if (c == ']') --*depth_;
}

bool Tokenizer::Next(std::string_view* rest, Token* token) {
  const std::string_view text = *rest;
  if (text.empty()) return false;
  Count(text[0]);
  int length = 0;
  OpCode op = OperatorAt(text, &length);
  if (op != kOther && Outside()) {
    *token = Token{true, op, text.substr(0, static_cast<size_t>(length))};
    rest->remove_prefix(static_cast<size_t>(length));
    return true;
  }
  size_t stop = 1;
  for (; stop < text.size(); ++stop) {
    Count(text[stop]);
    if (Outside() && OperatorAt(text.substr(stop), &length) != kOther) break;
  }
  *token = Token{false, kOther, text.substr(0, stop)};
  rest->remove_prefix(stop);
  return true;
}

}  // namespace orvex::query
