#include "dump.h"

#include <sys/stat.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

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

// Writes a chunk's size column and, unless only sizes are asked, its data
// column. False when its blocks cannot be read whole.
bool WriteChunk(COrvex& db, int field, ChunkForm form, std::vector<uint8_t>& buffer, std::ostream& out) {
  const int size = db.GetChunkSize(field);
  out << (size < 0 ? 0 : size);
  if (form == ChunkForm::kSize) return true;
  out << ',';
  if (size <= 0) return true;
  if (!db.GotoChunkPos(field)) return false;
  ChunkEncoder encoder(out, form);
  for (int left = size; left > 0;) {
    const int n = left < static_cast<int>(buffer.size()) ? left : static_cast<int>(buffer.size());
    if (!db.GetChunk(buffer.data(), n, field)) return false;
    encoder.Put(buffer.data(), static_cast<size_t>(n));
    left -= n;
  }
  encoder.Finish();
  return true;
}

int64_t FileSize(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

}  // namespace

int Dump(const char* path, ChunkForm chunks, std::ostream& out, std::ostream& err) {
  COrvex db;
  if (!db.OpenDB(path, ORVEX_OPEN_READ | ORVEX_SHARE_DENY_NONE)) {
    err << "orvex: " << path << ": " << db.GetErrMsg() << "\n";
    return 2;
  }
  const int fields = db.GetFieldNum();
  const char* suffix = chunks == ChunkForm::kHex ? ":hex" : ":base64";
  for (int i = 0; i < fields; ++i) {
    if (i > 0) out << ',';
    const std::string name = db.GetFieldName(i);
    if (db.GetFieldType(i) != ORVEX_CHUNK) {
      WriteCsvField(out, name);
      continue;
    }
    WriteCsvField(out, name + ":size");
    if (chunks != ChunkForm::kSize) {
      out << ',';
      WriteCsvField(out, name + suffix);
    }
  }
  out << "\r\n";
  const int total = db.GetRecordNum();
  std::vector<uint8_t> buffer(65536);
  int written = 0;
  for (bool more = db.GetFirst(0); more; more = db.GetNext(0)) {
    for (int i = 0; i < fields; ++i) {
      if (i > 0) out << ',';
      if (db.GetFieldType(i) != ORVEX_CHUNK) {
        WriteCsvField(out, FieldText(db, i));
      } else if (!WriteChunk(db, i, chunks, buffer, out)) {
        out << "\r\n";
        err << "orvex: dump stopped in record " << written + 1 << " (offset " << db.GetCurRec(0) << "), field \""
            << db.GetFieldName(i) << "\": " << db.GetErrMsg() << "\n";
        return 1;
      }
    }
    out << "\r\n";
    ++written;
  }
  if (written != total) {
    err << "orvex: dump stopped after " << written << " of " << total << " records";
    if (*db.GetErrMsg()) err << ": " << db.GetErrMsg();
    err << "\n";
    return 1;
  }
  return 0;
}

namespace {
struct ProgressLine {
  std::ostream* err;
  bool shown = false;
};
void ShowProgress(int copied, int total, void* context) {
  auto* line = static_cast<ProgressLine*>(context);
  *line->err << "\rcopying: " << copied << " of " << total << " records" << std::flush;
  line->shown = true;
}
}  // namespace

int Compact(const char* source, const char* destination, bool progress, std::ostream& out, std::ostream& err) {
  const int64_t before = FileSize(source);
  if (before < 0) {
    err << "orvex: " << source << ": cannot read the file\n";
    return 2;
  }
  struct stat s, d;
  if (stat(source, &s) == 0 && stat(destination, &d) == 0 && s.st_dev == d.st_dev && s.st_ino == d.st_ino) {
    err << "orvex: " << destination << " is the source itself; the copy must go to another file\n";
    return 2;
  }
  {
    COrvex probe;
    if (!probe.OpenDB(source, ORVEX_OPEN_READ | ORVEX_SHARE_DENY_NONE)) {
      err << "orvex: " << source << ": " << probe.GetErrMsg() << "\n";
      return 2;
    }
  }
  ProgressLine line{&err};
  const auto start = std::chrono::steady_clock::now();
  const bool ok = CompactDB(source, destination, progress ? ShowProgress : nullptr, &line);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (line.shown) err << "\n";
  if (!ok) {
    err << "orvex: compaction of " << source << " failed; no copy was left at " << destination << "\n";
    return 1;
  }
  COrvex copy;
  const int records = copy.OpenDB(destination, ORVEX_OPEN_READ | ORVEX_SHARE_DENY_NONE) ? copy.GetRecordNum() : -1;
  out << "records copied: " << records << "\n"
      << "file size: " << before << " bytes before, " << FileSize(destination) << " bytes after\n"
      << "time: " << seconds << " s\n";
  return 0;
}

}  // namespace orvextool
