// Numbers to text and back, the same whatever the process's locale: the
// decimal separator is always ".", as in the database's own texts. (A
// program that sets a locale with a decimal comma, as every Qt program does
// from its environment, must not make "3.25" read as 3.)
#ifndef ORVEX_BASE_NUMBER_TEXT_H_
#define ORVEX_BASE_NUMBER_TEXT_H_

#include <cstdint>
#include <string>

namespace orvex {

// A decimal integer as strtol reads it in the "C" locale: leading white
// space skipped, an optional sign, digits up to the first character that
// cannot continue the number; 0 when there are none; clamped to the range
// of int64_t.
int64_t ParseInteger(const char* text);

// A floating number as strtod reads it in the "C" locale: leading white
// space, an optional sign, decimal digits with "." and an exponent, or a
// hexadecimal number with "0x", or "inf", "infinity", "nan"; the longest
// prefix that forms one; 0 when there is none. A value too large becomes an
// infinity, one too small 0.
double ParseDouble(const char* text);

// value with `decimals` digits after the ".", as "%.*f" gives it in the
// "C" locale.
std::string FormatFixed(double value, int decimals);

// The shortest text that reads back (ParseDouble) to the same bits.
std::string FormatShortest(double value);
std::string FormatShortest(float value);

}  // namespace orvex

#endif  // ORVEX_BASE_NUMBER_TEXT_H_
