// Randomized tests of the query engine.
//
// Model: random clauses (comparisons on every field type, AND, OR,
// parentheses, arithmetic literals) are run on two tables holding the same
// records, one with a key on every field and one that must scan, and each
// answer is compared with the answer of a plain model of the rows; records
// are added and deleted between queries, and every clause is asked twice.
//
// Fuzz: random and mutated clauses (unbalanced quotes and brackets, every
// operator at every position, deep nesting, clauses of 100 KB) never crash
// or hang, and every refused clause leaves an error text.
//
// Each runs for a few seconds; ORVEX_QUERY_FUZZ_SECONDS=n runs them longer,
// ORVEX_RANDOM_SEED=n with another seed.
#include "orvex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "test_util.h"

using namespace orvex_test;

namespace {

double BudgetSeconds() {
  const char* s = std::getenv("ORVEX_QUERY_FUZZ_SECONDS");
  return s ? std::atof(s) : 2.0;
}

unsigned Seed() {
  const char* s = std::getenv("ORVEX_RANDOM_SEED");
  return s ? static_cast<unsigned>(std::strtoul(s, nullptr, 10)) : 20240611u;
}

class Deadline {
 public:
  explicit Deadline(double seconds)
      : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000))) {}
  bool Passed() const { return std::chrono::steady_clock::now() >= end_; }

 private:
  std::chrono::steady_clock::time_point end_;
};

enum Field { kId, kA, kB, kName, kD, kFlag };
const char* const kFieldNames[] = {"id", "a", "b", "name", "d", "flag"};
const char* const kTexts[] = {"", "a", "ab", "AB", "abc", "b", "Bc", "zz"};
const double kDoubles[] = {-1.5, 0.0, 0.5, 2.0, 3.25};

struct Row {
  int id;
  int a;
  short b;
  std::string name;
  double d;
  unsigned char flag;
};

std::string Fold(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

template <typename T>
bool Holds(T v, const std::string& op, T x) {
  if (op == "=") return v == x;
  if (op == "<>") return v != x;
  if (op == "<") return v < x;
  if (op == "<=") return v <= x;
  if (op == ">") return v > x;
  return v >= x;
}

// A generated clause and the ids the model says it selects.
struct Generated {
  std::string text;
  std::set<int> ids;
};

class Model {
 public:
  explicit Model(std::mt19937* rng) : rng_(*rng) {}

  std::vector<Row> rows;

  Generated Clause(int depth) {
    if (depth <= 0 || Pick(3) == 0) return Comparison();
    Generated l = Clause(depth - 1);
    Generated r = Clause(depth - 1);
    Generated out;
    const bool useAnd = Pick(2) == 0;
    // Parentheses keep the model's grouping whatever the precedence.
    out.text = "(" + l.text + (useAnd ? (Pick(2) ? " AND " : " and ") : (Pick(2) ? " OR " : " Or ")) + r.text + ")";
    if (useAnd) {
      std::set_intersection(l.ids.begin(), l.ids.end(), r.ids.begin(), r.ids.end(),
                            std::inserter(out.ids, out.ids.begin()));
    } else {
      std::set_union(l.ids.begin(), l.ids.end(), r.ids.begin(), r.ids.end(), std::inserter(out.ids, out.ids.begin()));
    }
    return out;
  }

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

 private:
  // An integer literal, sometimes written as arithmetic.
  std::string IntLiteral(int v) {
    // A negative number is a subtraction from 0.
    const std::string plain = v < 0 ? "(0-" + std::to_string(-v) + ")" : std::to_string(v);
    switch (Pick(4)) {
      case 0: return "(" + plain + "+3-3)";
      case 1: return plain + "*2/2";
      case 2: return v < 0 ? "0-" + std::to_string(-v) : plain;
      default: return plain;
    }
  }

  Generated Comparison() {
    static const char* const kOps[] = {"=", "<>", "!=", "<", "<=", ">", ">="};
    std::string op = kOps[Pick(7)];
    const std::string shown = op;
    if (op == "!=") op = "<>";
    const int field = Pick(6);
    Generated g;
    std::string name = kFieldNames[field];
    if (Pick(3) == 0) name = "[" + name + "]";
    if (Pick(4) == 0) name = Fold(name) == name ? std::string(1, static_cast<char>(std::toupper(name[0]))) + name.substr(1) : name;
    std::string literal;
    switch (field) {
      case kId:
      case kA:
      case kB: {
        const int x = Pick(15) - 4;
        literal = IntLiteral(x);
        for (const Row& r : rows) {
          const int v = field == kId ? r.id : field == kA ? r.a : r.b;
          if (Holds(v, op, x)) g.ids.insert(r.id);
        }
        break;
      }
      case kName: {
        if (Pick(3) == 0) return Like(name);
        std::string x = kTexts[Pick(8)];
        if (Pick(3) == 0) x = Fold(x) == x ? x : Fold(x);
        literal = "'" + x + "'";
        for (const Row& r : rows) {
          const int c = Fold(r.name).compare(Fold(x));
          if (Holds(c, op, 0)) g.ids.insert(r.id);
        }
        break;
      }
      case kD: {
        const double x = kDoubles[Pick(5)];
        char buf[32];
        std::snprintf(buf, sizeof buf, Pick(2) ? "%.2f" : "%g", x);
        literal = x < 0 ? "0" + std::string(buf) : buf;  // "0-1.50" is 0 minus 1.5
        for (const Row& r : rows)
          if (Holds(r.d, op, x)) g.ids.insert(r.id);
        break;
      }
      default: {
        const int x = Pick(2);
        literal = std::to_string(x);
        for (const Row& r : rows)
          if (Holds<int>(r.flag, op, x)) g.ids.insert(r.id);
        break;
      }
    }
    const char* blank = Pick(3) == 0 ? " " : "";
    g.text = name + blank + shown + blank + literal;
    return g;
  }

  // name LIKE / NOT LIKE a pattern; the model matches with a regular
  // expression ignoring case.
  Generated Like(const std::string& field) {
    static const char* const kPatterns[] = {"a%", "%b%", "_", "%", "A_", "ab%", "%c", "", "_B%", "a%c", "%%", "b"};
    const std::string pattern = kPatterns[Pick(12)];
    const bool negated = Pick(3) == 0;
    std::string expression;
    for (char c : pattern) expression += c == '%' ? ".*" : c == '_' ? "." : std::string(1, c);
    const std::regex re(expression, std::regex::icase);
    Generated g;
    g.text = field + (negated ? " NOT LIKE '" : " like '") + pattern + "'";
    for (const Row& r : rows)
      if (std::regex_match(r.name, re) != negated) g.ids.insert(r.id);
    return g;
  }

  std::mt19937& rng_;
};

// Both tables: id int (key 0 on both); a int, b short, name text 6, d
// double, flag bool, each with a key of its own in the indexed table only.
void DefineTable(COrvex& db, bool indexed) {
  ASSERT_TRUE(db.CreateField("id", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("a", ORVEX_INT, 0));
  ASSERT_TRUE(db.CreateField("b", ORVEX_SHORT, 0));
  ASSERT_TRUE(db.CreateField("name", ORVEX_TEXT, 6));
  ASSERT_TRUE(db.CreateField("d", ORVEX_DOUBLE, 0));
  ASSERT_TRUE(db.CreateField("flag", ORVEX_BOOL, 0));
  ASSERT_TRUE(db.CreateKey("id", ORVEX_KEY_UNIQUE, kId, 0, 0, 0));
  if (indexed) {
    for (int f = kA; f <= kFlag; ++f) ASSERT_TRUE(db.CreateKey(kFieldNames[f], ORVEX_KEY_DUPLICATE, f, 2, 0, 0));
  }
}

void Insert(COrvex& db, const Row& r) {
  char name[6] = {};
  std::memcpy(name, r.name.c_str(), std::min(r.name.size(), sizeof name));
  ASSERT_TRUE(db.SetField(&r.id, kId) && db.SetField(&r.a, kA) && db.SetField(&r.b, kB) && db.SetField(name, kName) &&
              db.SetField(&r.d, kD) && db.SetField(&r.flag, kFlag) && db.Insert());
}

std::set<int> Answer(COrvexQuery& q) {
  std::set<int> ids;
  for (bool more = q.MoveFirst(); more; more = q.MoveNext()) ids.insert(CurrentId(*q.GetDB()));
  return ids;
}

TEST(QueryRandom, IndexedAndScanningTablesAnswerAsTheModel) {
  std::mt19937 rng(Seed());
  TempDir dir;
  COrvex indexed;
  COrvex scanned;
  DefineTable(indexed, true);
  DefineTable(scanned, false);
  ASSERT_TRUE(indexed.CreateDB(dir.File("i.db").c_str(), ""));
  ASSERT_TRUE(scanned.CreateDB(dir.File("s.db").c_str(), ""));
  Model model(&rng);
  int nextId = 1;
  COrvexQuery qi(&indexed);
  COrvexQuery qs(&scanned);
  Deadline deadline(BudgetSeconds());
  int clauses = 0;
  while (!deadline.Passed() || clauses < 200) {
    // Change the tables now and then; a repeated clause must see it.
    if (model.rows.size() < 40 || model.Pick(4) == 0) {
      Row r{nextId++, model.Pick(12) - 3, static_cast<short>(model.Pick(12) - 3), kTexts[model.Pick(8)],
            kDoubles[model.Pick(5)], static_cast<unsigned char>(model.Pick(2))};
      Insert(indexed, r);
      Insert(scanned, r);
      model.rows.push_back(r);
    } else if (model.Pick(3) == 0) {
      const size_t at = static_cast<size_t>(model.Pick(static_cast<int>(model.rows.size())));
      const int id = model.rows[at].id;
      ASSERT_TRUE(indexed.GetEqual(0, &id) && indexed.Delete());
      ASSERT_TRUE(scanned.GetEqual(0, &id) && scanned.Delete());
      model.rows.erase(model.rows.begin() + static_cast<long>(at));
    }
    const Generated g = model.Clause(model.Pick(4));
    for (COrvexQuery* q : {&qi, &qs}) {
      for (int again = 0; again < 2; ++again) {
        ASSERT_TRUE(q->Query(g.text.c_str())) << g.text << ": " << q->GetErrMsg();
        ASSERT_EQ(Answer(*q), g.ids) << g.text << (q == &qi ? " (indexed)" : " (scanned)");
      }
    }
    ++clauses;
  }
  std::printf("%d clauses on up to %zu records\n", clauses, model.rows.size());
}

// ---- fuzz ---------------------------------------------------------------

const char* const kPieces[] = {"a",  "b",   "name", "[name]", "[first name]", "'x'", "'", "[",   "]",   "(",
                               ")",  "#",   "=",    "<>",     "!=",           "<",   ">", "<=",  ">=",  "+",
                               "-",  "*",   "/",    " AND ",  " OR ",         " LIKE ", " NOT LIKE ", " ", "0",
                               "1",  "2.5", "0&",   "1&",     "7/0",          "%",   "_", "ORDER BY ", ",", "DESC",
                               "\t", "&",   "'a b'", "nosuch"};

std::string RandomClause(std::mt19937& rng) {
  std::string s;
  const int n = static_cast<int>(rng() % 24);
  for (int i = 0; i < n; ++i) s += kPieces[rng() % (sizeof kPieces / sizeof *kPieces)];
  return s;
}

std::string Mutate(std::string s, std::mt19937& rng) {
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    const size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 4) {
      case 0: s.insert(at, kPieces[rng() % (sizeof kPieces / sizeof *kPieces)]); break;
      case 1:
        if (!s.empty() && at < s.size()) s.erase(at, 1 + rng() % 3);
        break;
      case 2: s.insert(at, 1, static_cast<char>(rng() % 256)); break;
      default:
        if (!s.empty()) s += s.substr(rng() % s.size());
        break;
    }
  }
  return s;
}

class QueryFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.CreateField("a", ORVEX_INT, 0));
    ASSERT_TRUE(db_.CreateField("b", ORVEX_DOUBLE, 0));
    ASSERT_TRUE(db_.CreateField("name", ORVEX_TEXT, 12));
    ASSERT_TRUE(db_.CreateField("first name", ORVEX_TEXT, 300));
    ASSERT_TRUE(db_.CreateField("blob", ORVEX_CHUNK, 0));
    ASSERT_TRUE(db_.CreateKey("a", ORVEX_KEY_DUPLICATE, 0, 0, 0, 0));
    ASSERT_TRUE(db_.CreateKey("name", ORVEX_KEY_DUPLICATE, 2, 1, 0, 0));
    ASSERT_TRUE(db_.CreateDB(dir_.File("f.db").c_str(), ""));
    for (int i = 0; i < 30; ++i) {
      const double b = i / 4.0;
      const std::string name = "n" + std::to_string(i % 7);
      char text[12] = {};
      std::strncpy(text, name.c_str(), sizeof text - 1);
      char first[300] = {};
      ASSERT_TRUE(db_.SetField(&i, 0) && db_.SetField(&b, 1) && db_.SetField(text, 2) && db_.SetField(first, 3) &&
                  db_.Insert());
    }
  }

  // Runs a clause: the answer is a selection of existing records, or a
  // refusal with a reason.
  void Probe(const std::string& clause) {
    COrvexQuery q(&db_);
    const bool ok = q.Query(clause.c_str());
    if (!ok) {
      ASSERT_STRNE(q.GetErrMsg(), "") << clause;
      return;
    }
    ASSERT_LE(q.GetCount(), 30) << clause;
    int walked = 0;
    for (bool more = q.MoveFirst(); more; more = q.MoveNext()) ++walked;
    ASSERT_EQ(walked, q.GetCount()) << clause;
  }

  TempDir dir_;
  COrvex db_;
};

TEST_F(QueryFuzz, RandomAndMutatedClausesAnswerOrSayWhy) {
  std::mt19937 rng(Seed());
  const std::vector<std::string> seeds = {"a=1",           "a>=2 AND a<9 OR name='n3'", "(a=1 OR a=2) AND b<3.5",
                                          "name LIKE 'n%'", "a=(3+4)*2 ORDER BY name DESC, a",
                                          "[first name]=''"};
  Deadline deadline(BudgetSeconds());
  long runs = 0;
  while (!deadline.Passed() || runs < 2000) {
    std::string clause =
        rng() % 2 ? RandomClause(rng) : Mutate(seeds[rng() % seeds.size()], rng);
    Probe(clause);
    ++runs;
  }
  std::printf("%ld clauses\n", runs);
}

TEST_F(QueryFuzz, HugeAndDeepClausesAnswerOrSayWhy) {
  std::mt19937 rng(Seed());
  // Every operator at every position of a clause.
  const std::string base = "a>=1 AND (name='n1' OR b<2.5)";
  for (size_t at = 0; at <= base.size(); ++at)
    for (const char* piece : kPieces) Probe(base.substr(0, at) + piece + base.substr(at));
  // Deep nesting, balanced and not.
  for (int depth : {1, 100, 254, 255, 256, 300, 10000, 100000}) {
    Probe(std::string(static_cast<size_t>(depth), '(') + "a=1" + std::string(static_cast<size_t>(depth), ')'));
    Probe(std::string(static_cast<size_t>(depth), '(') + "a=1");
    Probe("a=1" + std::string(static_cast<size_t>(depth), ')'));
    std::string right = "a=";
    for (int i = 0; i < depth; ++i) right += "1+(";
    Probe(right + "1" + std::string(static_cast<size_t>(depth), ')'));
  }
  // Clauses of about 100 KB: repeated pieces, and random runs.
  std::string wide = "a=1";
  while (wide.size() < 100000) wide += rng() % 2 ? " OR a=2" : " AND b>=0";
  Probe(wide);
  Probe(std::string(100000, '\''));
  Probe(std::string(100000, '['));
  Probe("name='" + std::string(100000, 'x') + "'");
  for (int i = 0; i < 8; ++i) {
    std::string r;
    while (r.size() < 100000) r += RandomClause(rng);
    Probe(r);
  }
}

}  // namespace
