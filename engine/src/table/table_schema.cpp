// Schema definition (CreateField, CreateKey) and the schema accessors.
#include <cctype>
#include <cstring>
#include <string>

#include "table/table.h"

namespace orvex {
namespace {

// Trims leading and trailing white space.
std::string Trim(const char* s) {
  if (!s) return std::string();
  const char* b = s;
  while (*b && std::isspace(static_cast<unsigned char>(*b))) ++b;
  const char* e = b + std::strlen(b);
  while (e > b && std::isspace(static_cast<unsigned char>(e[-1]))) --e;
  return std::string(b, e);
}

bool SameNoCase(const char* a, const char* b, size_t bMax) {
  size_t i = 0;
  for (; i < bMax && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return a[i] == '\0';
}

// A stored name slot as text (never runs past its 32 bytes).
std::string SlotText(const char* slot) { return std::string(slot, strnlen(slot, kNameSize)); }

}  // namespace

bool Table::CreateField(const char* name, int type, int size) {
  if (open_) {
    SetError(err::kMustDoBeforeCreate);
    return false;
  }
  int n = hdr_.fieldCount();
  if (n >= kMaxFields) {
    SetErrorf(err::kFieldCount, kMaxFields);
    hdr_.setFieldCount(0);
    return false;
  }
  std::string trimmed = Trim(name);
  for (int i = 0; i < n; ++i) {
    if (SameNoCase(trimmed.c_str(), hdr_.fieldName(i), kNameSize)) {
      SetError(err::kFieldNameExists);
      return false;
    }
  }
  if (trimmed.size() > kMaxNameLength) {
    SetError(err::kNameTooLong);
    return false;
  }
  if (type < kTypeShort || type > kTypeAutoInc) {
    SetError(err::kBadFieldType);
    return false;
  }
  if (type == kTypeText && (size < 1 || size > kMaxTextSize)) {
    SetErrorf(err::kFieldLength, 1, kMaxTextSize);
    return false;
  }
  if (type == kTypeAutoInc) {
    for (int i = 0; i < n; ++i) {
      if (hdr_.fieldType(i) == kTypeAutoInc) {
        // The second auto-increment field is not added.
        SetError(err::kTooManyAutoInc);
        return false;
      }
    }
  }
  std::memset(hdr_.fieldName(n), 0, kNameSize);
  std::memcpy(hdr_.fieldName(n), trimmed.data(), trimmed.size());
  hdr_.setFieldType(n, type);
  // The size as given; CreateDB replaces that of every non-text field by
  // its type's stored size.
  hdr_.setFieldSize(n, size);
  hdr_.setFieldCount(n + 1);
  if (type == kTypeAutoInc) CreateKey(trimmed.c_str(), 2, n, 0, 0, -1);
  return true;
}

namespace {

// Applies the part rules of a key definition; false for a chunk field.
bool SetPart(Header& h, int k, int p, int field, int mode, int start, int length) {
  int type = h.fieldType(field);
  h.setPartField(k, p, field);
  if (type == kTypeChunk) return false;
  if (type == kTypeText) {
    int size = h.fieldSize(field);
    h.setPartStart(k, p, (start >= 0 && start < size) ? start : 0);
    int maxLen = size < kMaxKeyLength ? size : kMaxKeyLength;
    h.setPartLength(k, p, (length >= 1 && length <= kMaxKeyLength) ? length : maxLen);
    h.setPartMode(k, p, (mode == 1 || mode == 2) ? mode : 1);
  } else {
    h.setPartStart(k, p, 0);
    h.setPartMode(k, p, 0);
    h.setPartLength(k, p, StoredTypeSize(type));
  }
  return true;
}

void ClearKeySlot(Header& h, int k) {
  std::memset(h.keyName(k), 0, kNameSize);
  h.setKeyAttribute(k, 0);
  h.setPartCountStored(k, 0);
  for (int p = 0; p < kMaxParts; ++p) {
    h.setPartField(k, p, 0);
    h.setPartMode(k, p, 0);
    h.setPartStart(k, p, 0);
    h.setPartLength(k, p, 0);
  }
}

}  // namespace

// Both definition forms: the checks in their order, then the key's slot.
bool Table::DefineKey(const std::string& name, int attribute, int parts, const KeyPartSpec* partDefs) {
  if (open_) {
    SetError(err::kMustDoBeforeCreate);
    return false;
  }
  int fields = hdr_.fieldCount();
  if (fields <= 0) {
    SetError(err::kCreateFieldFirst);
    return false;
  }
  if (parts < 1 || parts > kMaxParts) return false;
  for (int p = 0; p < parts; ++p) {
    if (partDefs[p].field >= fields) {
      SetErrorf(err::kFieldNoTooLarge, fields);
      return false;
    }
    if (partDefs[p].field < 0) {
      SetError(err::kNegativeFieldNo);
      return false;
    }
  }
  int k = hdr_.keyCount();
  if (k >= kMaxKeys) {
    SetErrorf(err::kKeyCount, kMaxKeys);
    return false;
  }
  std::string trimmed = Trim(name.c_str());
  for (int i = 0; i < k; ++i) {
    if (SameNoCase(trimmed.c_str(), hdr_.keyName(i), kNameSize)) {
      SetError(err::kKeyNameExists);
      return false;
    }
  }
  if (trimmed.size() > kMaxNameLength) {
    SetError(err::kNameTooLong);
    return false;
  }
  if (attribute != kKeyDuplicates && attribute != kKeyUnique) {
    SetError(err::kBadAttribute);
    return false;
  }
  for (int p = 0; p < parts; ++p) {
    if (hdr_.fieldType(partDefs[p].field) == kTypeChunk) {
      // A chunk field has no value to index (a part of a multi-field key
      // on one is refused as the single-field form refuses it).
      SetError(err::kFieldCantBeKey);
      return false;
    }
  }
  ClearKeySlot(hdr_, k);
  int total = 0;
  for (int p = 0; p < parts; ++p) {
    SetPart(hdr_, k, p, partDefs[p].field, partDefs[p].mode, partDefs[p].start, partDefs[p].length);
    total += hdr_.partLength(k, p);
  }
  if (total > kMaxKeyLength) {
    ClearKeySlot(hdr_, k);
    SetErrorf(err::kMultiKeyLength, kMaxKeyLength);
    return false;
  }
  std::memcpy(hdr_.keyName(k), trimmed.data(), trimmed.size());
  hdr_.setKeyAttribute(k, attribute);
  hdr_.setPartCountStored(k, parts == 1 ? -1 : parts);
  hdr_.setKeyCount(k + 1);
  return true;
}

bool Table::CreateKey(const char* name, int attribute, int fieldNo, int mode, int start,
                      int length) {
  const KeyPartSpec part{fieldNo, mode, start, length};
  return DefineKey(name ? std::string(name) : std::string(), attribute, 1, &part);
}

bool Table::CreateKey(const KEY_INFO& info) {
  int parts = info.fieldNum;
  KeyPartSpec partDefs[kMaxParts];
  for (int p = 0; p < parts && p < kMaxParts; ++p)
    partDefs[p] = KeyPartSpec{info.fieldNo[p], info.compareMode[p], info.start[p], info.length[p]};
  return DefineKey(std::string(info.keyName, strnlen(info.keyName, sizeof info.keyName)),
                   info.attribute, parts, partDefs);
}

int Table::GetFieldNum() { return open_ ? hdr_.fieldCount() : -1; }

const char* Table::GetFieldName(int fieldNo) {
  if (fieldNo < 0 || fieldNo >= hdr_.fieldCount()) return "";
  scratch_ = SlotText(hdr_.fieldName(fieldNo));
  return scratch_.c_str();
}

int Table::GetFieldNo(const char* name) {
  if (!name) return -1;
  for (int i = 0; i < hdr_.fieldCount(); ++i)
    if (SameNoCase(name, hdr_.fieldName(i), kNameSize)) return i;
  return -1;
}

int Table::GetFieldType(int fieldNo) {
  if (fieldNo < 0 || fieldNo >= hdr_.fieldCount()) return -1;
  return hdr_.fieldType(fieldNo);
}

int Table::GetFieldSize(int fieldNo) {
  if (fieldNo < 0 || fieldNo >= hdr_.fieldCount()) return -1;
  if (hdr_.fieldType(fieldNo) == kTypeChunk) return 0;
  return hdr_.fieldSize(fieldNo);
}

int Table::GetKeyNum() { return open_ ? hdr_.keyCount() : 0; }

const char* Table::GetKeyName(int keyNo) {
  if (keyNo < 0 || keyNo >= hdr_.keyCount()) return "";
  scratch_ = SlotText(hdr_.keyName(keyNo));
  return scratch_.c_str();
}

int Table::GetKeyNo(const char* name) {
  if (!open_ || !name) return -1;
  for (int k = 0; k < hdr_.keyCount(); ++k)
    if (SameNoCase(name, hdr_.keyName(k), kNameSize)) return k;
  return -1;
}

int Table::KeyByName(const char* name) {
  if (!name) return -1;
  std::string want = Trim(name);
  for (int k = 0; k < hdr_.keyCount(); ++k) {
    std::string have = Trim(SlotText(hdr_.keyName(k)).c_str());
    if (SameNoCase(want.c_str(), have.c_str(), kNameSize)) return k;
  }
  return -1;
}

int Table::GetKeyType(int keyNo) {
  if (!open_ || keyNo < 0 || keyNo >= hdr_.keyCount()) return -1;
  return hdr_.keyAttribute(keyNo);
}

int Table::GetKeyType(const char* name) {
  int k = GetKeyNo(name);
  return k < 0 ? -1 : GetKeyType(k);
}

int Table::GetKeyLen(int keyNo) {
  if (keyNo < 0 || keyNo >= hdr_.keyCount()) return -1;
  return hdr_.keyLength(keyNo);
}

int Table::GetKeyFieldNum(int keyNo) {
  if (keyNo < 0 || keyNo >= hdr_.keyCount()) return -1;
  return hdr_.partCountStored(keyNo);
}

int Table::GetKeyFieldNo(int keyNo, int partNo) {
  if (keyNo < 0 || keyNo >= hdr_.keyCount()) return -1;
  if (partNo < 0 || partNo >= hdr_.partCount(keyNo)) return -1;
  return hdr_.partField(keyNo, partNo);
}

bool Table::GetKeyInfo(int keyNo, KEY_INFO& info) {
  if (!open_ || keyNo < 0 || keyNo >= hdr_.keyCount()) return false;
  std::memset(&info, 0, sizeof info);
  std::memcpy(info.keyName, hdr_.keyName(keyNo), kNameSize);
  info.keyName[kNameSize - 1] = '\0';
  int parts = hdr_.partCount(keyNo);
  for (int p = 0; p < parts; ++p) {
    info.fieldNo[p] = static_cast<short>(hdr_.partField(keyNo, p));
    info.compareMode[p] = static_cast<short>(hdr_.partMode(keyNo, p));
    info.start[p] = static_cast<short>(hdr_.partStart(keyNo, p));
    info.length[p] = static_cast<short>(hdr_.partLength(keyNo, p));
  }
  info.fieldNum = static_cast<short>(parts);
  info.attribute = static_cast<short>(hdr_.keyAttribute(keyNo));
  return true;
}

int Table::GetRecordNum() { return open_ ? hdr_.recordCount() : -1; }

}  // namespace orvex
