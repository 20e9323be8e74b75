// Wide strings and the UTF-8 / Windows-1252 / UTF-16 conversions.
#include "flat/wide_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace orvex::flat {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five the code page leaves undefined map
// to the C1 control of the same number. Every other byte is its Latin-1
// code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decodes well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF, no cut sequence); false at the first fault.
bool DecodeUtf8(std::string_view bytes, std::u16string* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      out->push_back(c);
      ++i;
      continue;
    }
    size_t length;
    char32_t code;
    char32_t minimum;
    if ((c & 0xE0) == 0xC0) {
      length = 2, code = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, code = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, code = c & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (n - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char d = p[i + k];
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code >= 0x10000) {
      code -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return true;
}

// The bytes of a wide string's allocation: the length word, the units, NUL.
constexpr size_t kPrefix = sizeof(uint32_t);

}  // namespace

bool IsUtf8(std::string_view bytes) {
  std::u16string ignored;
  return DecodeUtf8(bytes, &ignored);
}

size_t FittingLength(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  if (!IsUtf8(text)) return limit;
  size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

std::u16string DecodeText(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  if (DecodeUtf8(bytes, &out)) return out;
  out.clear();
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out.push_back(c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : static_cast<char16_t>(c));
  }
  return out;
}

std::string EncodeText(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

BSTR NewWideString(std::u16string_view units) {
  return SysAllocStringLen(units.data(), static_cast<unsigned int>(units.size()));
}

std::u16string_view WideUnits(BSTR text) { return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view(); }

}  // namespace orvex::flat

// ---- the exported helpers ---------------------------------------------------

BSTR SysAllocStringLen(const OLECHAR* chars, unsigned int length) {
  // The byte length must fit its 32-bit word.
  if (length > (UINT32_MAX - 8) / 2) return nullptr;
  const size_t bytes = size_t{length} * 2;
  auto* block = static_cast<unsigned char*>(std::malloc(orvex::flat::kPrefix + bytes + 2));
  if (!block) return nullptr;
  const uint32_t word = static_cast<uint32_t>(bytes);
  std::memcpy(block, &word, sizeof word);
  auto* units = reinterpret_cast<OLECHAR*>(block + orvex::flat::kPrefix);
  if (chars) std::memcpy(units, chars, bytes);
  else std::memset(units, 0, bytes);
  units[length] = 0;
  return units;
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<unsigned char*>(text) - orvex::flat::kPrefix);
}

unsigned int SysStringLen(BSTR text) {
  if (!text) return 0;
  uint32_t word;
  std::memcpy(&word, reinterpret_cast<unsigned char*>(text) - orvex::flat::kPrefix, sizeof word);
  return word / 2;
}

void VariantInit(VARIANT* value) {
  if (!value) return;
  std::memset(value, 0, sizeof *value);
}

int VariantClear(VARIANT* value) {
  if (!value) return 0;
  if (value->vt == VT_BSTR) SysFreeString(value->bstrVal);
  std::memset(value, 0, sizeof *value);
  return 0;
}
