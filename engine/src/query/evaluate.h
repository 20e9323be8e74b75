// The two passes over a clause. Both run one operator-precedence parse over
// the where part (with "#" appended as the end marker): operands go on an
// operand stack, operators on an operator stack, and each reduction combines
// the two top operands with the top operator. The check pass only validates
// (field names, quoting of texts, division by zero); the evaluation pass
// turns each comparison into a temporary selection, combines selections by
// AND and OR, and computes arithmetic on literals.
#ifndef ORVEX_QUERY_EVALUATE_H_
#define ORVEX_QUERY_EVALUATE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "query/clause.h"
#include "query/selection.h"

namespace orvex {
class Table;
}

namespace orvex::query {

// Longest clause taken, and the most operands or operators that may wait on
// the parser's stacks (parentheses nested deeper are refused).
constexpr size_t kMaxClauseBytes = size_t{1} << 20;
constexpr size_t kMaxStackDepth = 256;

// Error texts of the query (kept verbatim).
namespace err {
constexpr const char* kNoTable = "not found a orvex handle";
constexpr const char* kTableClosed = "the database is not open";
constexpr const char* kNoClause = "Not found Query clause";
constexpr const char* kCheckPrecedence = "Syntax error in Query clause.";
constexpr const char* kSyntax = "Syntax error";
constexpr const char* kUnknownField = "Syntax error in Query clause: unknown field %s";
constexpr const char* kShouldBeQuoted = "Syntax error in Query clause: %s should be '%s'";
constexpr const char* kDividedByZero = "Syntax error in Query clause: Divided by zero!";
constexpr const char* kNotResultSet = "Syntax error 1";
constexpr const char* kEvalPrecedence = "Syntax error 2";
constexpr const char* kEvalRanOut = "Syntax error 3";
constexpr const char* kTooDeep = "Syntax error in Query clause: parentheses nested too deeply";
constexpr const char* kTooLong = "Syntax error in Query clause: longer than 1048576 bytes";
}  // namespace err

// The tokenizer's counters, which the query keeps between tokens.
struct TokenizerState {
  int quotes = 0;
  int depth = 0;
};

// Validates a clause. On success the normalised where part with its end
// marker is in *where and the order part in *order; else *error tells why.
bool CheckClause(Table& table, std::string_view clause, TokenizerState* state, std::string* where,
                 std::string* order, std::string* error);

// Evaluates a checked where part into *result (ascending). Every temporary
// selection is released however the evaluation ends.
bool EvaluateClause(Table& table, std::string_view where, TokenizerState* state, Offsets* result,
                    std::string* error);

// Reorders a selection by an order part ("ORDER BY a DESC, b"). False, with
// the order unchanged, when a name is no field.
bool OrderBy(Table& table, std::string_view order, Offsets* list);

}  // namespace orvex::query

#endif  // ORVEX_QUERY_EVALUATE_H_
