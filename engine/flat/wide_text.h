// Wide strings for the flat interface: UTF-16 texts with a 32-bit byte
// length in front, and the conversion between them and the engine's byte
// texts. Database texts are UTF-8; bytes that are not valid UTF-8 were
// written on the original platform and are read as Windows-1252, as every
// program of the suite reads them.
//
// A wide string in memory:
//
//   OFFSET  SIZE      CONTENT
//   -4      4         length in bytes (2 per UTF-16 unit), without the NUL
//   0       2*n       the UTF-16 units; the BSTR points here
//   2*n     2         a NUL unit
#ifndef ORVEX_FLAT_WIDE_TEXT_H_
#define ORVEX_FLAT_WIDE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "orvex_flat.h"

namespace orvex::flat {

// UTF-8 bytes as UTF-16; when the bytes are not valid UTF-8, each byte as
// its Windows-1252 character.
std::u16string DecodeText(std::string_view bytes);

// UTF-16 as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string EncodeText(std::u16string_view units);

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

// How many bytes of a text fit limit bytes: a UTF-8 text is cut before the
// character that would not fit whole; other bytes at the limit.
size_t FittingLength(std::string_view text, size_t limit);

// A new wide string holding the units (null when memory runs out).
BSTR NewWideString(std::u16string_view units);

// The units of a wide string (empty for null).
std::u16string_view WideUnits(BSTR text);

}  // namespace orvex::flat

#endif  // ORVEX_FLAT_WIDE_TEXT_H_
