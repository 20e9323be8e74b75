// VARIANT conversions in both directions.
#include "flat/variant_convert.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "flat/wide_text.h"

namespace orvex::flat {

namespace {

template <typename T>
void Put(T v, uint8_t* out) {
  std::memcpy(out, &v, sizeof v);
}

template <typename T>
T Get(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void PutText(const char* text, int width, uint8_t* out) {
  std::memset(out, 0, static_cast<size_t>(width));
  if (text) std::memcpy(out, text, FittingLength(text, static_cast<size_t>(width)));
}

std::string Printed(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

}  // namespace

bool IsTrueWord(const char* text) {
  const char* word = "TRUE";
  for (; *text && *word; ++text, ++word)
    if ((*text >= 'a' && *text <= 'z' ? *text - 32 : *text) != *word) return false;
  return *text == '\0' && *word == '\0';
}

int NumberWidth(int fieldType) {
  switch (fieldType) {
    case ORVEX_SHORT: return 2;
    case ORVEX_INT:
    case ORVEX_AUTOINC:
    case ORVEX_FLOAT: return 4;
    case ORVEX_DOUBLE: return 8;
    case ORVEX_BOOL: return 1;
    default: return 0;
  }
}

bool IsDirect(const VARIANT& v, int fieldType) {
  switch (fieldType) {
    case ORVEX_SHORT: return v.vt == VT_I2;
    case ORVEX_INT:
    case ORVEX_AUTOINC: return v.vt == VT_I4;
    case ORVEX_FLOAT: return v.vt == VT_R4;
    case ORVEX_DOUBLE: return v.vt == VT_R8;
    case ORVEX_TEXT: return v.vt == ORVEX_VT_TEXT;
    case ORVEX_BOOL: return v.vt == VT_BOOL;
    default: return false;
  }
}

void DirectBytes(const VARIANT& v, int fieldType, int width, uint8_t* out) {
  switch (fieldType) {
    case ORVEX_SHORT: Put<int16_t>(v.iVal, out); break;
    case ORVEX_INT:
    case ORVEX_AUTOINC: Put<int32_t>(v.lVal, out); break;
    case ORVEX_FLOAT: Put<float>(v.fltVal, out); break;
    case ORVEX_DOUBLE: Put<double>(v.dblVal, out); break;
    case ORVEX_BOOL: out[0] = v.boolVal != 0 ? 1 : 0; break;
    case ORVEX_TEXT: PutText(v.pszVal, width, out); break;
    default: break;
  }
}

bool VariantText(const VARIANT& v, std::string* out) {
  switch (v.vt) {
    case VT_EMPTY: out->clear(); return true;
    case VT_I2: *out = std::to_string(v.iVal); return true;
    case VT_I4: *out = std::to_string(v.lVal); return true;
    case VT_R4: *out = Printed("%.7g", static_cast<double>(v.fltVal)); return true;
    case VT_R8: *out = Printed("%.15g", v.dblVal); return true;
    case VT_BSTR: *out = EncodeText(WideUnits(v.bstrVal)); return true;
    case VT_BOOL: *out = v.boolVal != 0 ? "1" : "0"; return true;
    case VT_I1: *out = std::to_string(static_cast<int>(v.cVal)); return true;
    case VT_UI1: *out = std::to_string(static_cast<unsigned>(v.bVal)); return true;
    case VT_UI2: *out = std::to_string(v.uiVal); return true;
    case VT_UI4: *out = std::to_string(v.ulVal); return true;
    case VT_I8: *out = std::to_string(v.llVal); return true;
    case VT_UI8: *out = std::to_string(v.ullVal); return true;
    case VT_INT: *out = std::to_string(v.intVal); return true;
    case VT_UINT: *out = std::to_string(v.uintVal); return true;
    case ORVEX_VT_TEXT: *out = v.pszVal ? v.pszVal : ""; return true;
    default: return false;
  }
}

bool TextKeyValue(int fieldType, const char* text, int width, uint8_t* out) {
  if (!text) text = "";
  switch (fieldType) {
    case ORVEX_SHORT: Put(static_cast<int16_t>(std::strtol(text, nullptr, 10)), out); return true;
    case ORVEX_INT:
    case ORVEX_AUTOINC: Put(static_cast<int32_t>(std::strtol(text, nullptr, 10)), out); return true;
    case ORVEX_FLOAT: Put(static_cast<float>(std::strtod(text, nullptr)), out); return true;
    case ORVEX_DOUBLE: Put(std::strtod(text, nullptr), out); return true;
    case ORVEX_BOOL: out[0] = IsTrueWord(text) || std::strcmp(text, "1") == 0 ? 1 : 0; return true;
    case ORVEX_TEXT: PutText(text, width, out); return true;
    default: return false;
  }
}

VARIANT StoredVariant(int fieldType, const uint8_t* bytes, int limit) {
  VARIANT v;
  VariantInit(&v);
  switch (fieldType) {
    case ORVEX_SHORT: v.vt = VT_I2, v.iVal = Get<int16_t>(bytes); break;
    case ORVEX_INT:
    case ORVEX_AUTOINC: v.vt = VT_I4, v.lVal = Get<int32_t>(bytes); break;
    case ORVEX_FLOAT: v.vt = VT_R4, v.fltVal = Get<float>(bytes); break;
    case ORVEX_DOUBLE: v.vt = VT_R8, v.dblVal = Get<double>(bytes); break;
    case ORVEX_BOOL: v.vt = VT_BOOL, v.boolVal = bytes[0] != 0 ? 1 : 0; break;
    case ORVEX_TEXT: {
      const auto* text = reinterpret_cast<const char*>(bytes);
      v.bstrVal = NewWideString(DecodeText(std::string_view(text, strnlen(text, static_cast<size_t>(limit)))));
      if (v.bstrVal) v.vt = VT_BSTR;
      break;
    }
    default: break;
  }
  return v;
}

}  // namespace orvex::flat
