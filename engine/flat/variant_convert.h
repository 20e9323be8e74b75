// Typed values between VARIANTs, texts and the engine's stored forms.
//
// Stored forms by field type: short 2 bytes, int and auto-increment 4,
// float 4, double 8, bool 1 (0 or 1), text NUL-padded bytes. A VARIANT whose
// code is the field type's own (2, 3, 3, 4, 5, 11, and 256 for text) is used
// as it is; any other goes "the text way": it is turned into text first.
#ifndef ORVEX_FLAT_VARIANT_CONVERT_H_
#define ORVEX_FLAT_VARIANT_CONVERT_H_

#include <cstdint>
#include <string>

#include "orvex_flat.h"

namespace orvex::flat {

// Whether the VARIANT carries the field type's own value.
bool IsDirect(const VARIANT& v, int fieldType);

// The stored form of a direct value, width bytes (a text cut at width and
// NUL-padded to it).
void DirectBytes(const VARIANT& v, int fieldType, int width, uint8_t* out);

// The text of any VARIANT the flat interface knows (code 256 as it is, a
// wide string as UTF-8, numbers in decimal, a bool as "1" or "0"); false for
// a code it cannot convert.
bool VariantText(const VARIANT& v, std::string* out);

// The stored form of a text for a key of the field type: decimal numbers,
// a bool true for "TRUE" in any letter case or "1", a text cut at width and
// NUL-padded. False for a type that makes no key value (chunk).
bool TextKeyValue(int fieldType, const char* text, int width, uint8_t* out);

// A stored value as a VARIANT: code 2, 3, 4, 5 or 11 by type; a text (up to
// its first NUL, at most limit bytes) as a new wide string under code 8;
// code 0 for any other type.
VARIANT StoredVariant(int fieldType, const uint8_t* bytes, int limit);

// Whether a text is the word TRUE, in any letter case.
bool IsTrueWord(const char* text);

// The width of a field type's stored form (0 for text and chunk).
int NumberWidth(int fieldType);

}  // namespace orvex::flat

#endif  // ORVEX_FLAT_VARIANT_CONVERT_H_
