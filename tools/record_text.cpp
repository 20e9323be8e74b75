#include "record_text.h"

#include <charconv>
#include <cstring>
#include <ostream>

#include "orvex.h"

namespace orvextool {
namespace {

// RFC 4180: a field holding a comma, a quote, CR or LF is quoted, its quotes
// doubled.
void WriteCsvField(std::ostream& out, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    out << text;
    return;
  }
  out << '"';
  for (char c : text) {
    if (c == '"') out << '"';
    out << c;
  }
  out << '"';
}

template <typename T>
std::string Shortest(T value) {
  // The shortest text that reads back to the same bits.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

// Streams a chunk in pieces, encoded; memory does not grow with its size.
class ChunkEncoder {
 public:
  ChunkEncoder(std::ostream& out, ChunkForm form) : out_(out), form_(form) {}
  void Put(const uint8_t* p, size_t n) {
    static const char kHex[] = "0123456789abcdef";
    if (form_ == ChunkForm::kHex) {
      for (size_t i = 0; i < n; ++i) out_ << kHex[p[i] >> 4] << kHex[p[i] & 15];
      return;
    }
    for (size_t i = 0; i < n; ++i) {
      group_[have_++] = p[i];
      if (have_ == 3) Flush3();
    }
  }
  void Finish() {
    if (form_ != ChunkForm::kBase64 || have_ == 0) return;
    static const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const uint32_t v = (uint32_t{group_[0]} << 16) | (have_ > 1 ? uint32_t{group_[1]} << 8 : 0);
    out_ << kB64[(v >> 18) & 63] << kB64[(v >> 12) & 63] << (have_ > 1 ? kB64[(v >> 6) & 63] : '=') << '=';
    have_ = 0;
  }

 private:
  void Flush3() {
    static const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const uint32_t v = (uint32_t{group_[0]} << 16) | (uint32_t{group_[1]} << 8) | group_[2];
    out_ << kB64[(v >> 18) & 63] << kB64[(v >> 12) & 63] << kB64[(v >> 6) & 63] << kB64[v & 63];
    have_ = 0;
  }
  std::ostream& out_;
  ChunkForm form_;
  uint8_t group_[3] = {};
  int have_ = 0;
};

}  // namespace

bool ParseChunkForm(const std::string& flag, ChunkForm* form) {
  if (flag == "--chunks=size") *form = ChunkForm::kSize;
  else if (flag == "--chunks=hex") *form = ChunkForm::kHex;
  else if (flag == "--chunks=base64") *form = ChunkForm::kBase64;
  else return false;
  return true;
}

std::string FieldText(COrvex& db, int field) {
  uint8_t v[1024] = {};
  if (!db.GetField(v, field)) return std::string();
  switch (db.GetFieldType(field)) {
    case ORVEX_SHORT: {
      int16_t x;
      std::memcpy(&x, v, 2);
      return std::to_string(x);
    }
    case ORVEX_INT:
    case ORVEX_AUTOINC: {
      int32_t x;
      std::memcpy(&x, v, 4);
      return std::to_string(x);
    }
    case ORVEX_FLOAT: {
      float x;
      std::memcpy(&x, v, 4);
      return Shortest(x);
    }
    case ORVEX_DOUBLE: {
      double x;
      std::memcpy(&x, v, 8);
      return Shortest(x);
    }
    case ORVEX_BOOL:
      return std::to_string(v[0]);
    case ORVEX_TEXT:
      return std::string(reinterpret_cast<const char*>(v), strnlen(reinterpret_cast<const char*>(v),
                                                                   static_cast<size_t>(db.GetFieldSize(field))));
    default:
      return std::string();
  }
}

CsvWriter::CsvWriter(COrvex& db, ChunkForm chunks, std::ostream& out)
    : db_(db), chunks_(chunks), out_(out), buffer_(65536) {}

void CsvWriter::WriteHeader() {
  const char* suffix = chunks_ == ChunkForm::kHex ? ":hex" : ":base64";
  for (int i = 0; i < db_.GetFieldNum(); ++i) {
    if (i > 0) out_ << ',';
    const std::string name = db_.GetFieldName(i);
    if (db_.GetFieldType(i) != ORVEX_CHUNK) {
      WriteCsvField(out_, name);
      continue;
    }
    WriteCsvField(out_, name + ":size");
    if (chunks_ != ChunkForm::kSize) {
      out_ << ',';
      WriteCsvField(out_, name + suffix);
    }
  }
  out_ << "\r\n";
}

bool CsvWriter::WriteRow(int* failedField) {
  for (int i = 0; i < db_.GetFieldNum(); ++i) {
    if (i > 0) out_ << ',';
    if (db_.GetFieldType(i) != ORVEX_CHUNK) {
      WriteCsvField(out_, FieldText(db_, i));
    } else if (!WriteChunk(i)) {
      out_ << "\r\n";
      *failedField = i;
      return false;
    }
  }
  out_ << "\r\n";
  return true;
}

// Writes a chunk's size column and, unless only sizes are asked, its data
// column. False when its blocks cannot be read whole.
bool CsvWriter::WriteChunk(int field) {
  const int size = db_.GetChunkSize(field);
  out_ << (size < 0 ? 0 : size);
  if (chunks_ == ChunkForm::kSize) return true;
  out_ << ',';
  if (size <= 0) return true;
  if (!db_.GotoChunkPos(field)) return false;
  ChunkEncoder encoder(out_, chunks_);
  for (int left = size; left > 0;) {
    const int n = left < static_cast<int>(buffer_.size()) ? left : static_cast<int>(buffer_.size());
    if (!db_.GetChunk(buffer_.data(), n, field)) return false;
    encoder.Put(buffer_.data(), static_cast<size_t>(n));
    left -= n;
  }
  encoder.Finish();
  return true;
}

}  // namespace orvextool
