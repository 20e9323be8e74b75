#include "dump.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <iostream>
#include <string>

#include "orvex.h"

namespace orvextool {
namespace {

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
  CsvWriter csv(db, chunks, out);
  csv.WriteHeader();
  const int total = db.GetRecordNum();
  int written = 0;
  for (bool more = db.GetFirst(0); more; more = db.GetNext(0)) {
    int failedField = -1;
    if (!csv.WriteRow(&failedField)) {
      err << "orvex: dump stopped in record " << written + 1 << " (offset " << db.GetCurRec(0) << "), field \""
          << db.GetFieldName(failedField) << "\": " << db.GetErrMsg() << "\n";
      return 1;
    }
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
