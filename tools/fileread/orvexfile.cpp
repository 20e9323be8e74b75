#include "orvexfile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <strings.h>

namespace orvexfile {

const char* TypeName(int type) {
  switch (type) {
    case kShort: return "short";
    case kInt: return "int";
    case kFloat: return "float";
    case kDouble: return "double";
    case kText: return "text";
    case kBool: return "bool";
    case kChunk: return "chunk";
    case kAutoInc: return "autoinc";
    default: return "?";
  }
}

const char* NodeTypeName(NodeType t) {
  switch (t) {
    case NodeType::kBool: return "bool";
    case NodeType::kShort: return "short";
    case NodeType::kInt: return "int";
    case NodeType::kFloat: return "float";
    case NodeType::kDouble: return "double";
    case NodeType::kChar: return "text";
  }
  return "?";
}

File::~File() { Release(); }

void File::Release() {
  if (map_ != nullptr) munmap(map_, static_cast<size_t>(size_));
  map_ = nullptr;
  copy_.clear();
  data_ = nullptr;
  size_ = 0;
}

bool File::Open(const std::string& path, std::string* error) {
  Release();
  // O_NONBLOCK: a named pipe or a device given for a file must not keep
  // the open waiting; anything but a regular file is refused below.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = path + ": not a regular file";
    ::close(fd);
    return false;
  }
  size_ = st.st_size;
  if (size_ > 0) {
    void* m = mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_PRIVATE, fd, 0);
    if (m == MAP_FAILED) {
      *error = path + ": " + std::strerror(errno);
      ::close(fd);
      size_ = 0;
      return false;
    }
    map_ = m;
    data_ = static_cast<const uint8_t*>(m);
  }
  ::close(fd);
  return true;
}

void File::Assign(std::vector<uint8_t> bytes) {
  Release();
  copy_ = std::move(bytes);
  data_ = copy_.data();
  size_ = static_cast<int64_t>(copy_.size());
}

int16_t File::I16(int64_t offset) const {
  if (!Contains(offset, 2)) return 0;
  return static_cast<int16_t>(data_[offset] | (data_[offset + 1] << 8));
}

uint32_t File::U32(int64_t offset) const {
  if (!Contains(offset, 4)) return 0;
  return static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
         (static_cast<uint32_t>(data_[offset + 2]) << 16) |
         (static_cast<uint32_t>(data_[offset + 3]) << 24);
}

int32_t File::I32(int64_t offset) const { return static_cast<int32_t>(U32(offset)); }

namespace {

// A NUL-terminated text of at most `width` bytes at `offset`; `terminated` tells
// whether a NUL was found inside the slot.
std::string SlotText(const File& f, int64_t offset, int width, bool* terminated) {
  std::string s;
  *terminated = false;
  for (int i = 0; i < width && f.Contains(offset + i, 1); ++i) {
    char c = static_cast<char>(f.data()[offset + i]);
    if (c == '\0') {
      *terminated = true;
      break;
    }
    s.push_back(c);
  }
  return s;
}

int FixedSizeOf(int type) {
  switch (type) {
    case kShort: return 2;
    case kInt: case kFloat: case kAutoInc: return 4;
    case kDouble: case kChunk: return 8;
    case kBool: return 1;
    default: return -1;  // text: as declared
  }
}

void Problem(std::vector<Violation>* p, int key, std::string what) {
  p->push_back(Violation{-1, key, std::move(what)});
}

}  // namespace

bool ReadHeader(const File& f, Header* h, std::vector<Violation>* problems) {
  *h = Header{};
  if (f.size() < kHeaderSize) {
    Problem(problems, -1, "file is " + std::to_string(f.size()) +
                              " bytes, shorter than the " + std::to_string(kHeaderSize) +
                              "-byte header");
    return false;
  }
  bool sound = true;
  bool term = false;
  h->signature = SlotText(f, hdr::kSignature, 32, &term);
  h->recordLength = f.U32(hdr::kRecordLength);
  h->recordCount = f.I32(hdr::kRecordCount);
  h->recordFree = f.I32(hdr::kRecordFree);
  h->dupFree = f.I32(hdr::kDupFree);
  h->chunkFree = f.I32(hdr::kChunkFree);
  h->recordForm = f.I16(hdr::kRecordForm);
  h->description = SlotText(f, hdr::kDescription, 60, &term);
  if (!term) Problem(problems, -1, "description is not NUL-terminated");
  h->version = SlotText(f, hdr::kVersion, 10, &term);

  if (h->recordCount < 0) {
    Problem(problems, -1, "record count " + std::to_string(h->recordCount) + " is negative");
  }
  if (h->recordForm != 0 && h->recordForm != -1) {
    Problem(problems, -1, "record-form flag " + std::to_string(h->recordForm) +
                              " is neither -1 (fixed) nor 0 (trimmed)");
    sound = false;
  }

  int fieldCount = f.I16(hdr::kFieldCount);
  if (fieldCount < 0 || fieldCount > kMaxFields) {
    Problem(problems, -1, "field count " + std::to_string(fieldCount) + " outside 0..128");
    sound = false;
    fieldCount = fieldCount < 0 ? 0 : kMaxFields;
  }
  int64_t sum = 0;
  int autoIncs = 0;
  for (int i = 0; i < fieldCount; ++i) {
    Field fd;
    fd.name = SlotText(f, hdr::kFieldNames + 32 * i, 32, &term);
    if (!term) Problem(problems, -1, "field " + std::to_string(i) + " name is not NUL-terminated");
    fd.type = f.I16(hdr::kFieldTypes + 2 * i);
    fd.size = f.I16(hdr::kFieldSizes + 2 * i);
    fd.offset = static_cast<int>(sum);
    const std::string label = "field " + std::to_string(i) + " \"" + fd.name + "\"";
    if (fd.type < kShort || fd.type > kAutoInc) {
      Problem(problems, -1, label + ": type code " + std::to_string(fd.type) + " outside 1..8");
      sound = false;
    } else if (fd.type == kText) {
      if (fd.size < 1 || fd.size > 1024) {
        Problem(problems, -1, label + ": text size " + std::to_string(fd.size) + " outside 1..1024");
        sound = false;
      }
    } else if (fd.size != FixedSizeOf(fd.type)) {
      Problem(problems, -1, label + ": size " + std::to_string(fd.size) + " is not the " +
                                TypeName(fd.type) + " size " + std::to_string(FixedSizeOf(fd.type)));
      sound = false;
    }
    if (fd.type == kAutoInc) ++autoIncs;
    if (fd.size > 0) sum += fd.size;
    h->fields.push_back(fd);
  }
  if (autoIncs > 1) Problem(problems, -1, "more than one auto-increment field");
  if (sum != h->recordLength) {
    Problem(problems, -1, "record length " + std::to_string(h->recordLength) +
                              " is not the sum of the field sizes " + std::to_string(sum));
    sound = false;
  }

  int keyCount = f.I16(hdr::kKeyCount);
  if (keyCount < 1 || keyCount > kMaxKeys) {
    Problem(problems, -1, "key count " + std::to_string(keyCount) + " outside 1..10");
    sound = false;
    keyCount = keyCount < 1 ? 0 : kMaxKeys;
  }
  // Keys that are not defined never get an index: their roots stay -1.
  for (int k = std::max(keyCount, 0); k < kMaxKeys; ++k) {
    if (f.I32(hdr::kRoot + 4 * k) != -1 || f.I32(hdr::kFirstLeaf + 4 * k) != -1 ||
        f.I32(hdr::kLastLeaf + 4 * k) != -1) {
      Problem(problems, -1, "undefined key slot " + std::to_string(k) + " has index offsets other than -1");
    }
  }
  for (int i = 0; i < 16; ++i) {
    if (f.data()[kHeaderSize - 16 + i] != 0) {
      Problem(problems, -1, "reserved header bytes 15456..15471 are not zero");
      break;
    }
  }
  for (int k = 0; k < keyCount; ++k) {
    Key key;
    key.name = SlotText(f, hdr::kKeyNames + 32 * k, 32, &term);
    if (!term) Problem(problems, k, "key name is not NUL-terminated");
    key.attribute = f.I16(hdr::kKeyAttr + 2 * k);
    key.storedPartCount = f.I16(hdr::kPartCount + 2 * k);
    key.root = f.I32(hdr::kRoot + 4 * k);
    key.firstLeaf = f.I32(hdr::kFirstLeaf + 4 * k);
    key.lastLeaf = f.I32(hdr::kLastLeaf + 4 * k);
    bool ok = true;
    if (key.attribute != 1 && key.attribute != 2) {
      Problem(problems, k, "attribute " + std::to_string(key.attribute) + " is neither 1 nor 2");
      ok = false;
    }
    int parts = key.storedPartCount;
    if (parts == -1) {
      parts = 1;
    } else if (parts < 2 || parts > kMaxParts) {
      Problem(problems, k, "part count " + std::to_string(parts) + " is neither -1 nor 2..128");
      ok = false;
      parts = 0;
    }
    int length = 0;
    for (int p = 0; p < parts; ++p) {
      const int cell = 2 * (k * kMaxParts + p);
      KeyPart part;
      part.field = f.I16(hdr::kPartField + cell);
      part.mode = f.I16(hdr::kPartMode + cell);
      part.start = f.I16(hdr::kPartStart + cell);
      part.length = f.I16(hdr::kPartLength + cell);
      const std::string label = "part " + std::to_string(p);
      if (part.field < 0 || part.field >= fieldCount) {
        Problem(problems, k, label + ": field number " + std::to_string(part.field) +
                                 " outside the " + std::to_string(fieldCount) + " fields");
        ok = false;
        key.parts.push_back(part);
        continue;
      }
      const Field& fd = h->fields[part.field];
      if (fd.type == kChunk) {
        // A chunk part adds nothing to a multi-field key; a single-field key
        // on a chunk field cannot exist.
        if (key.storedPartCount == -1 || part.length != 0) {
          Problem(problems, k, label + ": chunk field \"" + fd.name + "\" cannot be a key");
          ok = false;
        }
      } else if (fd.type == kText) {
        if (part.mode != 1 && part.mode != 2) {
          Problem(problems, k, label + ": compare mode " + std::to_string(part.mode) + " is neither 1 nor 2");
          ok = false;
        }
        if (part.start < 0 || part.start >= fd.size) {
          Problem(problems, k, label + ": start " + std::to_string(part.start) +
                                   " outside the text field of " + std::to_string(fd.size) + " bytes");
          ok = false;
        }
        if (part.length < 1 || part.length > kMaxKeyLength) {
          Problem(problems, k, label + ": length " + std::to_string(part.length) + " outside 1..128");
          ok = false;
        }
      } else if (fd.type >= kShort && fd.type <= kAutoInc) {
        if (part.mode != 0 || part.start != 0) {
          Problem(problems, k, label + " (" + TypeName(fd.type) + "): compare mode " + std::to_string(part.mode) +
                                   " and start " + std::to_string(part.start) + ", both should be 0");
        }
        const int want = fd.type == kAutoInc ? 4 : FixedSizeOf(fd.type);
        if (part.length != want) {
          Problem(problems, k, label + ": length " + std::to_string(part.length) + " is not the " +
                                   TypeName(fd.type) + " length " + std::to_string(want));
          ok = false;
        }
      } else {
        ok = false;  // the field's own type was already reported
      }
      if (part.length > 0) length += part.length;
      key.parts.push_back(part);
    }
    key.length = length;
    if (ok && length > kMaxKeyLength) {
      Problem(problems, k, "key length " + std::to_string(length) + " above 128");
      ok = false;
    }
    if (ok && length < 1) {
      Problem(problems, k, "key length is 0");
      ok = false;
    }
    if (ok) {
      int ftype = h->fields[key.parts[0].field].type;
      if (key.storedPartCount != -1) ftype = kText;
      switch (ftype) {
        case kBool: key.nodeType = NodeType::kBool; key.slotSize = 1; key.keysStart = 1628; key.nodeSize = 1832; break;
        case kShort: key.nodeType = NodeType::kShort; key.slotSize = 2; key.keysStart = 1628; key.nodeSize = 2032; break;
        case kInt: case kAutoInc: key.nodeType = NodeType::kInt; key.slotSize = 4; key.keysStart = 1628; key.nodeSize = 2432; break;
        case kFloat: key.nodeType = NodeType::kFloat; key.slotSize = 4; key.keysStart = 1628; key.nodeSize = 2432; break;
        case kDouble: key.nodeType = NodeType::kDouble; key.slotSize = 8; key.keysStart = 1632; key.nodeSize = 3240; break;
        default:
          key.nodeType = NodeType::kChar;
          key.slotSize = length + 1;
          key.keysStart = 1632;
          key.nodeSize = 1632 + kSlots * (length + 1);
          break;
      }
    }
    key.usable = ok && sound;
    if (!ok) sound = false;
    h->keys.push_back(key);
  }
  return sound;
}

bool ReadRecord(const File& f, const Header& h, int64_t offset, std::vector<uint8_t>* fixed,
                std::string* why, int* blockLength) {
  fixed->assign(h.recordLength, 0);
  if (offset < kHeaderSize) {
    *why = "record offset " + std::to_string(offset) + " lies inside the header";
    return false;
  }
  if (!h.trimmed()) {
    if (!f.Contains(offset, h.recordLength)) {
      *why = "record block at " + std::to_string(offset) + " runs past the end of the file";
      return false;
    }
    std::memcpy(fixed->data(), f.data() + offset, h.recordLength);
    if (blockLength) *blockLength = static_cast<int>(h.recordLength);
    return true;
  }
  if (!f.Contains(offset, 2)) {
    *why = "record block at " + std::to_string(offset) + " runs past the end of the file";
    return false;
  }
  const int total = static_cast<uint16_t>(f.I16(offset));
  const int stored = f.I16(offset);
  if (stored < 2 || !f.Contains(offset, total)) {
    *why = "trimmed record length " + std::to_string(stored) + " at " + std::to_string(offset) +
           " does not fit the file";
    return false;
  }
  int64_t pos = offset + 2;
  const int64_t end = offset + total;
  for (const Field& fd : h.fields) {
    if (fd.type == kText) {
      if (pos + 2 > end) {
        *why = "trimmed record ends inside field \"" + fd.name + "\"";
        return false;
      }
      const int n = f.I16(pos);
      pos += 2;
      if (n < 0 || n > fd.size || pos + n > end) {
        *why = "text length " + std::to_string(n) + " of field \"" + fd.name +
               "\" does not fit its field or block";
        return false;
      }
      std::memcpy(fixed->data() + fd.offset, f.data() + pos, static_cast<size_t>(n));
      pos += n;
    } else {
      const int w = fd.size;
      if (w < 0 || pos + w > end) {
        *why = "trimmed record ends inside field \"" + fd.name + "\"";
        return false;
      }
      std::memcpy(fixed->data() + fd.offset, f.data() + pos, static_cast<size_t>(w));
      pos += w;
    }
  }
  if (pos != end) {
    *why = "trimmed record length " + std::to_string(total) + " differs from its fields' " +
           std::to_string(pos - offset);
    return false;
  }
  if (blockLength) *blockLength = total;
  return true;
}

std::vector<uint8_t> FormKeyValue(const Header& h, const Key& key, const uint8_t* record) {
  const bool text = key.nodeType == NodeType::kChar;
  std::vector<uint8_t> v(static_cast<size_t>(key.length) + (text ? 1 : 0), 0);
  size_t at = 0;
  for (const KeyPart& p : key.parts) {
    if (p.field < 0 || p.field >= static_cast<int>(h.fields.size()) || p.length <= 0) continue;
    const Field& fd = h.fields[p.field];
    if (fd.type == kText) {
      // Bytes of the slice beyond the field stay zero.
      for (int i = 0; i < p.length; ++i) {
        const int inField = p.start + i;
        if (inField >= 0 && inField < fd.size) v[at + i] = record[fd.offset + inField];
      }
    } else if (fd.type != kChunk) {
      std::memcpy(v.data() + at, record + fd.offset, static_cast<size_t>(std::min(p.length, fd.size)));
    }
    at += static_cast<size_t>(p.length);
  }
  return v;
}

namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
int Order(T a, T b) {
  if (a < b) return -1;
  if (b < a) return 1;
  return 0;  // equal, or unordered (NaN)
}

int CompareFold(uint8_t a, uint8_t b, int mode) {
  if (mode == 2) {
    if (a >= 'A' && a <= 'Z') a = static_cast<uint8_t>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<uint8_t>(b - 'A' + 'a');
  }
  return a < b ? -1 : (a > b ? 1 : 0);
}

int ComparePart(int type, const uint8_t* a, const uint8_t* b, int length, int mode) {
  switch (type) {
    case kShort: return Order(Load<int16_t>(a), Load<int16_t>(b));
    case kInt: case kAutoInc: return Order(Load<int32_t>(a), Load<int32_t>(b));
    case kFloat: return Order(Load<float>(a), Load<float>(b));
    case kDouble: return Order(Load<double>(a), Load<double>(b));
    case kBool: return Order(a[0], b[0]);
    case kText: return CompareText(a, b, length, mode);
    default: return 0;
  }
}

}  // namespace

int CompareText(const uint8_t* a, const uint8_t* b, int limit, int mode) {
  for (int i = 0; i < limit; ++i) {
    if (a[i] == 0 && b[i] == 0) return 0;
    const int c = CompareFold(a[i], b[i], mode);
    if (c != 0) return c;
  }
  return 0;
}

int CompareKeyValues(const Header& h, const Key& key, const uint8_t* a, const uint8_t* b) {
  int at = 0;
  for (const KeyPart& p : key.parts) {
    if (p.field < 0 || p.field >= static_cast<int>(h.fields.size()) || p.length <= 0) continue;
    const int c = ComparePart(h.fields[p.field].type, a + at, b + at, p.length, p.mode);
    if (c != 0) return c;
    at += p.length;
  }
  return 0;
}

}  // namespace orvexfile
