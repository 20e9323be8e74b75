// The check pass and the evaluation pass over a clause.
#include "query/evaluate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "query/find.h"
#include "table/table.h"

namespace orvex::query {

namespace {

// A text on the operand stack. ref names a temporary selection made by this
// evaluation; a literal that merely looks like a reference ("3&") has none.
struct Operand {
  std::string text;
  int ref = -1;
};

enum class Stop { kAccepted, kPrecedence, kMissingOperand, kReduceFailed, kRanOut, kTooDeep };

// The operator-precedence parse shared by both passes. reduce(left, right,
// op, &result) combines two operands; false stops the parse.
template <typename Reduce>
Stop Parse(std::string_view where, TokenizerState* state, std::vector<Operand>* operands, Reduce&& reduce) {
  Tokenizer tokenizer(&state->quotes, &state->depth);
  std::vector<OpCode> ops{kEnd};
  std::string_view rest = where;
  Token token;
  while (tokenizer.Next(&rest, &token)) {
    if (!token.isOperator) {
      if (operands->size() >= kMaxStackDepth) return Stop::kTooDeep;
      operands->push_back(Operand{std::string(token.text), -1});
      continue;
    }
    for (;;) {
      const char relation = Precedence(ops.back(), token.op);
      if (relation == '<') {
        if (ops.size() >= kMaxStackDepth) return Stop::kTooDeep;
        ops.push_back(token.op);
        break;
      }
      if (relation == '=') {
        ops.pop_back();
        break;
      }
      if (relation == 'R') return Stop::kAccepted;
      if (relation != '>') return Stop::kPrecedence;
      if (operands->size() < 2) return Stop::kMissingOperand;
      Operand right = std::move(operands->back());
      operands->pop_back();
      Operand left = std::move(operands->back());
      operands->pop_back();
      Operand result;
      if (!reduce(left, right, ops.back(), &result)) return Stop::kReduceFailed;
      operands->push_back(std::move(result));
      ops.pop_back();
    }
  }
  return Stop::kRanOut;
}

// Decimal conversions of operand texts: leading blanks skipped, stopping at
// the first character that cannot continue the number, 0 when none.
int32_t ToInt(const std::string& text) { return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10)); }
double ToDouble(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// Truncation toward zero into the int range (a value outside it goes to the
// nearer end; not a number gives 0).
int32_t TruncateToInt(double d) {
  if (std::isnan(d)) return 0;
  if (d <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (d >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(d);
}

// Fills each "%s" of an error text with the next argument (texts of any
// length: no fixed buffer).
std::string FillIn(const char* format, const std::string& a, const std::string& b = std::string()) {
  std::string out;
  int used = 0;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += used++ == 0 ? a : b;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

// A decimal number anywhere after the first character makes arithmetic
// decimal.
bool IsDecimal(const std::string& text) { return text.size() > 1 && text.find('.', 1) != std::string::npos; }

std::string FormatInt(int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", v);
  return buf;
}

std::string FormatDouble(double v) {
  const int n = std::snprintf(nullptr, 0, "%f", v);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, "%f", v);
  return out;
}

// "+", "-", "*", "/" on two literals. Integer arithmetic wraps around as
// 32-bit; a division whose right side converts to integer 0 is refused.
std::string Arithmetic(const std::string& left, const std::string& right, OpCode op) {
  if (op == kDivide && ToInt(right) == 0) return "Divided by zero!";
  if (IsDecimal(left) || IsDecimal(right)) {
    const double a = ToDouble(left);
    const double b = ToDouble(right);
    switch (op) {
      case kPlus: return FormatDouble(a + b);
      case kMinus: return FormatDouble(a - b);
      case kTimes: return FormatDouble(a * b);
      default: return FormatDouble(a / b);
    }
  }
  const int64_t a = ToInt(left);
  const int64_t b = ToInt(right);
  int64_t r = 0;
  switch (op) {
    case kPlus: r = a + b; break;
    case kMinus: r = a - b; break;
    case kTimes: r = a * b; break;
    default: r = a / b; break;
  }
  return FormatInt(static_cast<int32_t>(static_cast<uint32_t>(r)));
}

bool IsArithmetic(OpCode op) { return op == kPlus || op == kMinus || op == kTimes || op == kDivide; }

// The field a comparison's left operand names: trimmed, without a
// surrounding "[" "]" pair.
std::string FieldName(const std::string& left) {
  std::string_view name = Trim(left);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  return std::string(name);
}

// A text literal without its quotes.
std::string Unquote(const std::string& text) { return text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string(); }

// The check pass's reduction: names and quoting of comparisons, division by
// zero. Arithmetic is computed as the evaluation will compute it, so that a
// division by a parenthesised result is judged by its value.
bool PreCalculate(Table& t, const Operand& left, const Operand& right, OpCode op, Operand* result,
                  std::string* error) {
  if (IsArithmetic(op)) {
    if (op == kDivide && ToInt(right.text) == 0) {
      *error = err::kDividedByZero;
      return false;
    }
    result->text = Arithmetic(left.text, right.text, op);
    return true;
  }
  if (op == kAnd || op == kOr) return true;
  const std::string name = FieldName(left.text);
  const int field = t.GetFieldNo(name.c_str());
  if (field < 0) {
    *error = FillIn(err::kUnknownField, name);
    return false;
  }
  const std::string& r = right.text;
  if (t.GetFieldType(field) == kTypeText && !(r.size() >= 2 && r.front() == '\'' && r.back() == '\'')) {
    *error = FillIn(err::kShouldBeQuoted, r, r);
    return false;
  }
  return true;
}

// The value a comparison's right operand gives for the field's type, in the
// field's stored form.
std::string ComparisonValue(int type, OpCode op, const std::string& right) {
  std::string v;
  auto put = [&v](const auto& x) { v.assign(reinterpret_cast<const char*>(&x), sizeof x); };
  switch (type) {
    case kTypeShort: put(static_cast<int16_t>(ToInt(right))); break;
    case kTypeInt:
    case kTypeAutoInc:
      // "<" takes the value as a decimal number cut toward zero.
      put(op == kLess ? TruncateToInt(ToDouble(right)) : ToInt(right));
      break;
    case kTypeBool: put(static_cast<uint8_t>(ToInt(right) != 0 ? 1 : 0)); break;
    case kTypeFloat: put(static_cast<float>(ToDouble(right))); break;
    case kTypeDouble: put(ToDouble(right)); break;
    case kTypeText: v = Unquote(right); break;
    default: break;
  }
  return v;
}

// The evaluation pass's temporaries and reduction.
class Evaluation {
 public:
  explicit Evaluation(Table& t) : t_(t) {}

  bool Reduce(Operand& left, Operand& right, OpCode op, Operand* result) {
    *result = Calculate(left, right, op);
    return true;
  }

  // The selection a reference names, walked now if it was held back.
  Offsets& Materialise(int ref) {
    Temp& temp = temps_[static_cast<size_t>(ref)];
    if (temp.pending) {
      WalkRange(t_, temp.range, &temp.list);
      temp.pending = false;
    }
    return temp.list;
  }

  bool IsSelection(const Operand& o) const {
    return o.ref >= 0 && static_cast<size_t>(o.ref) < temps_.size() && temps_[static_cast<size_t>(o.ref)].held;
  }

  void Release(const Operand& o) {
    Temp& temp = temps_[static_cast<size_t>(o.ref)];
    temp = Temp();
  }

 private:
  struct Temp {
    bool held = false;
    bool pending = false;  // a range on a key, not walked yet
    KeyRange range;
    Offsets list;
  };

  Operand NewTemp() {
    temps_.emplace_back();
    temps_.back().held = true;
    const int ref = static_cast<int>(temps_.size()) - 1;
    return Operand{FormatInt(ref) + "&", ref};
  }

  Operand Calculate(const Operand& left, const Operand& right, OpCode op) {
    switch (op) {
      case kAnd:
      case kOr:
        return Combine(left, right, op);
      case kLike:
      case kNotLike:
      case kEqual:
      case kNotEqual:
      case kLess:
      case kLessEqual:
      case kGreater:
      case kGreaterEqual:
        return Compare(left, right, op);
      case kPlus:
      case kMinus:
      case kTimes:
      case kDivide:
        return Operand{Arithmetic(left.text, right.text, op), -1};
      default:
        return Operand{"Error.", -1};
    }
  }

  Operand Combine(const Operand& left, const Operand& right, OpCode op) {
    if (!IsSelection(left) || !IsSelection(right)) return Operand{"Error.", -1};
    Temp& a = temps_[static_cast<size_t>(left.ref)];
    const Temp& b = temps_[static_cast<size_t>(right.ref)];
    if (op == kAnd && a.pending && b.pending) {
      KeyRange joined = a.range;
      if (JoinRanges(&joined, b.range)) {
        Release(left);
        Release(right);
        Operand out = NewTemp();
        temps_.back().pending = true;
        temps_.back().range = std::move(joined);
        return out;
      }
    }
    Offsets l = std::move(Materialise(left.ref));
    Offsets r = std::move(Materialise(right.ref));
    Release(left);
    Release(right);
    Operand out = NewTemp();
    temps_.back().list = op == kAnd ? IntersectionOf(l, r) : UnionOf(l, r);
    return out;
  }

  Operand Compare(const Operand& left, const Operand& right, OpCode op) {
    const std::string name = FieldName(left.text);
    Comparison c;
    c.field = t_.GetFieldNo(name.c_str());
    c.op = op;
    const int type = t_.GetFieldType(c.field);
    if (op == kLike || op == kNotLike) {
      if (type != kTypeText) return Operand{};
      c.value = Unquote(right.text);
    } else {
      c.value = ComparisonValue(type, op, right.text);
    }
    Operand out = NewTemp();
    Temp& temp = temps_.back();
    if (RangeOf(t_, c, &temp.range)) {
      temp.pending = true;
    } else if (type != kTypeChunk && c.field >= 0) {
      FindRecords(t_, c, &temp.list);
    }
    return out;
  }

  Table& t_;
  std::vector<Temp> temps_;
};

}  // namespace

bool CheckClause(Table& t, std::string_view clause, TokenizerState* state, std::string* where, std::string* order,
                 std::string* error) {
  *state = TokenizerState();
  error->clear();
  if (clause.empty()) {
    *error = err::kNoClause;
    return false;
  }
  if (clause.size() > kMaxClauseBytes) {
    *error = err::kTooLong;
    return false;
  }
  SplitClause split = Normalise(clause);
  *where = std::move(split.where);
  *where += '#';
  *order = std::move(split.order);
  std::vector<Operand> operands;
  std::string reason;
  const Stop stop = Parse(*where, state, &operands, [&](Operand& l, Operand& r, OpCode op, Operand* out) {
    return PreCalculate(t, l, r, op, out, &reason);
  });
  switch (stop) {
    case Stop::kAccepted: return true;
    case Stop::kPrecedence: *error = err::kCheckPrecedence; break;
    case Stop::kReduceFailed: *error = reason; break;
    case Stop::kTooDeep: *error = err::kTooDeep; break;
    case Stop::kMissingOperand:
    case Stop::kRanOut: *error = err::kSyntax; break;
  }
  return false;
}

bool EvaluateClause(Table& t, std::string_view where, TokenizerState* state, Offsets* result, std::string* error) {
  *state = TokenizerState();
  Evaluation evaluation(t);
  std::vector<Operand> operands;
  const Stop stop = Parse(where, state, &operands, [&](Operand& l, Operand& r, OpCode op, Operand* out) {
    return evaluation.Reduce(l, r, op, out);
  });
  switch (stop) {
    case Stop::kAccepted: break;
    case Stop::kPrecedence: *error = err::kEvalPrecedence; return false;
    case Stop::kRanOut: *error = err::kEvalRanOut; return false;
    case Stop::kTooDeep: *error = err::kTooDeep; return false;
    case Stop::kMissingOperand:
    case Stop::kReduceFailed: *error = err::kSyntax; return false;
  }
  if (operands.empty()) {
    *error = err::kSyntax;
    return false;
  }
  if (!evaluation.IsSelection(operands.back())) {
    *error = err::kNotResultSet;
    return false;
  }
  *result = std::move(evaluation.Materialise(operands.back().ref));
  return true;
}

}  // namespace orvex::query
