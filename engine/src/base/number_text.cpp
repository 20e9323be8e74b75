#include "base/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace orvex {
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// After an out-of-range parse of [first, last): whether the magnitude was
// too large (else too small), from the exponent of the first significant
// digit, which is far from 0 whenever a value is out of range.
bool TooLarge(const char* first, const char* last, bool hex) {
  auto digit = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
  long long exponent = 0;
  bool significant = false;
  const char* q = first;
  for (; q < last && digit(*q); ++q) {
    if (*q != '0') significant = true;
    if (significant) ++exponent;
  }
  if (q < last && *q == '.') {
    for (++q; q < last && digit(*q); ++q) {
      if (significant) continue;
      if (*q == '0')
        --exponent;
      else
        significant = true;
    }
  }
  if (q < last && (*q == 'e' || *q == 'E' || *q == 'p' || *q == 'P')) {
    ++q;
    const bool negative = q < last && *q == '-';
    if (q < last && (*q == '-' || *q == '+')) ++q;
    long long x = 0;
    for (; q < last && IsDigit(*q); ++q)
      if (x < 1000000000) x = x * 10 + (*q - '0');
    exponent += negative ? -x : x;
  }
  return exponent > 0;
}

// Leading white space, then an optional sign, as the C library skips them.
const char* SkipBlanksAndSign(const char* p, bool* negative) {
  while (IsSpace(*p)) ++p;
  *negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  return p;
}

}  // namespace

int64_t ParseInteger(const char* text) {
  if (!text) return 0;
  bool negative;
  const char* p = SkipBlanksAndSign(text, &negative);
  const char* end = p + std::strlen(p);
  // The digits are read as an unsigned magnitude, so that the smallest
  // value (whose magnitude has no positive counterpart) reads too.
  uint64_t magnitude = 0;
  auto r = std::from_chars(p, end, magnitude, 10);
  if (r.ptr == p) return 0;
  constexpr uint64_t kMaxPositive = std::numeric_limits<int64_t>::max();
  if (r.ec == std::errc::result_out_of_range || magnitude > kMaxPositive + (negative ? 1 : 0))
    return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

double ParseDouble(const char* text) {
  if (!text) return 0;
  bool negative;
  const char* p = SkipBlanksAndSign(text, &negative);
  const char* end = p + std::strlen(p);
  bool hex = false;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && (IsHexDigit(p[2]) || (p[2] == '.' && IsHexDigit(p[3])))) {
    hex = true;
    p += 2;
  }
  double value = 0;
  auto r = std::from_chars(p, end, value, hex ? std::chars_format::hex : std::chars_format::general);
  if (r.ptr == p) return 0;
  if (r.ec == std::errc::result_out_of_range)
    value = TooLarge(p, r.ptr, hex) ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
  // The longest fixed text of a double: 309 digits, a sign, a point, the
  // decimals.
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

std::string FormatShortest(double value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string FormatShortest(float value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace orvex
