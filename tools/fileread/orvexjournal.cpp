// Reading a journal left beside a database file (layout in orvexjournal.h).
#include "orvexjournal.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace orvexfile {
namespace {

constexpr int64_t kHead = 64;
constexpr int64_t kPage = 4096;
constexpr int64_t kRecord = 8 + kPage + 8;
const char kMagic[16] = "Orvex journal 1";

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
int64_t I64At(const uint8_t* p) {
  return static_cast<int64_t>(static_cast<uint64_t>(U32At(p)) | static_cast<uint64_t>(U32At(p + 4)) << 32);
}

// The running checksum over n bytes (a multiple of 8); true when it matches
// the two words stored right after them.
bool Sums(const uint8_t* p, size_t n, uint32_t s0, uint32_t s1) {
  for (size_t i = 0; i < n; i += 8) {
    s0 += U32At(p + i) + s1;
    s1 += U32At(p + i + 4) + s0;
  }
  return U32At(p + n) == s0 && U32At(p + n + 4) == s1;
}

bool ReadAll(const std::string& path, std::vector<uint8_t>* out, std::string* error) {
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
  out->resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < out->size()) {
    ssize_t r = ::pread(fd, out->data() + done, out->size() - done, static_cast<off_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  out->resize(done);
  ::close(fd);
  return true;
}

// The process that holds the file open for writing (its write lock), or 0.
long WriterOf(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  long pid = 0;
  if (::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type == F_WRLCK) pid = fl.l_pid;
  ::close(fd);
  return pid;
}

}  // namespace

std::string JournalPathOf(const std::string& dbPath) {
  char real[PATH_MAX];
  return std::string(::realpath(dbPath.c_str(), real) ? real : dbPath) + "-journal";
}

bool ReadJournal(const std::string& dbPath, const File& db, JournalReport* report,
                 std::vector<uint8_t>* restored, std::string* error) {
  *report = JournalReport();
  report->path = JournalPathOf(dbPath);
  struct stat st {};
  if (::stat(report->path.c_str(), &st) != 0) return true;
  std::vector<uint8_t> j;
  if (!ReadAll(report->path, &j, error)) return false;
  ApplyJournal(db, j, report, restored);
  if (report->hot) report->writer = WriterOf(dbPath);
  return true;
}

void ApplyJournal(const File& db, const std::vector<uint8_t>& j, JournalReport* report,
                  std::vector<uint8_t>* restored) {
  report->present = true;
  report->hot = false;
  report->pages = 0;
  report->writer = 0;
  report->bytes = static_cast<int64_t>(j.size());
  if (j.size() < static_cast<size_t>(kHead)) return;
  const uint8_t* h = j.data();
  if (std::memcmp(h, kMagic, sizeof kMagic) != 0 || U32At(h + 16) != kPage || U32At(h + 20) != 0) return;
  for (int i = 40; i < 56; ++i)
    if (h[i] != 0) return;
  if (!Sums(h, 56, 0x6a09e667u, 0xbb67ae85u)) return;
  const int64_t size = I64At(h + 24);
  if (size <= 0 || size >= (int64_t{1} << 31)) return;
  report->hot = true;
  report->dbSize = size;
  const uint32_t salt0 = U32At(h + 32), salt1 = U32At(h + 36);
  restored->assign(db.data(), db.data() + db.size());
  for (int64_t at = kHead; at + kRecord <= static_cast<int64_t>(j.size()); at += kRecord) {
    const uint8_t* r = j.data() + at;
    if (!Sums(r, static_cast<size_t>(8 + kPage), salt0, salt1)) break;
    const int64_t page = I64At(r);
    if (page < 0 || page % kPage != 0 || page >= size) break;
    const int64_t n = std::min(kPage, size - page);
    if (static_cast<int64_t>(restored->size()) < page + n) restored->resize(static_cast<size_t>(page + n));
    std::memcpy(restored->data() + page, r + 8, static_cast<size_t>(n));
    ++report->pages;
  }
  if (static_cast<int64_t>(restored->size()) > size) restored->resize(static_cast<size_t>(size));
}

std::string DescribeJournal(const JournalReport& r) {
  if (!r.present || r.bytes == 0) return "";
  if (!r.hot) return "journal " + r.path + ": holds nothing to play back (the next open removes it)";
  if (r.writer > 0)
    return "journal " + r.path + ": process " + std::to_string(r.writer) +
           " is writing the file; until its commit ends, the file is read as the last commit left it (" +
           std::to_string(r.pages) + " pages put back)";
  return "journal " + r.path + " left behind by an interrupted commit: the next open puts back " +
         std::to_string(r.pages) + " pages and cuts the file to " + std::to_string(r.dbSize) +
         " bytes; the file is read as that leaves it";
}

}  // namespace orvexfile
