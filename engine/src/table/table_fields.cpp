// Field accessors: GetField reads the current record buffer, SetField fills
// the edit buffer; the text forms convert.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/number_text.h"
#include "table/table.h"

namespace orvex {

bool Table::GetField(void* dest, int fieldNo) {
  if (!open_ || fieldNo < 0 || fieldNo >= schema_.fields || !cur_ || !dest) return false;
  if (curKey_ < 0 || curKey_ >= schema_.keys || pos_[curKey_].record == -1) return false;
  // A pending load, or a plain walk that moved without reading: the record
  // at the position is read first.
  if (!EnsureCurrentLoaded()) return false;
  if (schema_.type[fieldNo] == kTypeChunk) {
    SetError(err::kFieldInvalidation);
    return false;
  }
  std::memcpy(dest, cur_.get() + schema_.offset[fieldNo], static_cast<size_t>(schema_.size[fieldNo]));
  return true;
}

bool Table::SetField(const void* src, int fieldNo) {
  if (!open_ || fieldNo < 0 || fieldNo >= schema_.fields || !edit_ || !src) return false;
  int type = schema_.type[fieldNo];
  if (type == kTypeAutoInc || type == kTypeChunk) {
    SetError(err::kFieldInvalidation);
    return false;
  }
  std::memcpy(edit_.get() + schema_.offset[fieldNo], src, static_cast<size_t>(schema_.size[fieldNo]));
  return true;
}

const char* Table::GetFieldStr(int fieldNo) {
  if (!open_ || fieldNo < 0 || fieldNo >= schema_.fields) return "";
  if (curKey_ < 0 || curKey_ >= schema_.keys || pos_[curKey_].record == -1) return "";
  int type = schema_.type[fieldNo];
  if (type == kTypeChunk) return "";
  uint8_t v[kMaxTextSize];
  if (!GetField(v, fieldNo)) return "";
  char buf[512];
  switch (type) {
    case kTypeShort: {
      int16_t x;
      std::memcpy(&x, v, 2);
      std::snprintf(buf, sizeof buf, "%d", x);
      break;
    }
    case kTypeInt:
    case kTypeAutoInc: {
      int32_t x;
      std::memcpy(&x, v, 4);
      std::snprintf(buf, sizeof buf, "%d", x);
      break;
    }
    case kTypeBool:
      std::snprintf(buf, sizeof buf, "%d", v[0]);
      break;
    case kTypeFloat: {
      float x;
      std::memcpy(&x, v, 4);
      scratch_ = FormatFixed(static_cast<double>(x), 6);
      return scratch_.c_str();
    }
    case kTypeDouble: {
      double x;
      std::memcpy(&x, v, 8);
      scratch_ = FormatFixed(x, 14);
      return scratch_.c_str();
    }
    case kTypeText:
      // A full field (no NUL) is read up to its size, never past it.
      scratch_.assign(reinterpret_cast<const char*>(v),
                      strnlen(reinterpret_cast<const char*>(v), static_cast<size_t>(schema_.size[fieldNo])));
      return scratch_.c_str();
    default:
      return "";
  }
  scratch_ = buf;
  return scratch_.c_str();
}

bool Table::SetFieldStr(const char* text, int fieldNo) {
  if (!open_ || fieldNo < 0 || fieldNo >= schema_.fields || !text) return false;
  switch (schema_.type[fieldNo]) {
    case kTypeShort: {
      int16_t x = static_cast<int16_t>(ParseInteger(text));
      return SetField(&x, fieldNo);
    }
    case kTypeInt: {
      int32_t x = static_cast<int32_t>(ParseInteger(text));
      return SetField(&x, fieldNo);
    }
    case kTypeFloat: {
      float x = static_cast<float>(ParseDouble(text));
      return SetField(&x, fieldNo);
    }
    case kTypeDouble: {
      double x = ParseDouble(text);
      return SetField(&x, fieldNo);
    }
    case kTypeBool: {
      uint8_t x = ParseInteger(text) != 0 ? 1 : 0;
      return SetField(&x, fieldNo);
    }
    case kTypeText: {
      uint8_t v[kMaxTextSize] = {};
      size_t n = strnlen(text, static_cast<size_t>(schema_.size[fieldNo]));
      std::memcpy(v, text, n);
      return SetField(v, fieldNo);
    }
    default:
      return false;
  }
}

}  // namespace orvex
