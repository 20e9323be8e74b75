// POSIX implementation of the file layer: open/pread/pwrite/fstat,
// fdatasync, ftruncate and fcntl record locks.
#include "io/file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace orvex {
namespace {

class PosixFile final : public File {
 public:
  PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixFile() override { ::close(fd_); }

  int64_t Read(int64_t offset, void* buf, size_t n) override {
    if (offset < 0) return Fail(EINVAL), -1;
    size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
      ssize_t r = ::pread(fd_, p + done, n - done, offset + done);
      if (r < 0) {
        if (errno == EINTR) continue;
        return Fail(errno), -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
  }

  bool Write(int64_t offset, const void* buf, size_t n) override {
    if (offset < 0) return Fail(EINVAL);
    if (!writable_) return Fail(EBADF);
    size_t done = 0;
    auto* p = static_cast<const char*>(buf);
    while (done < n) {
      ssize_t r = ::pwrite(fd_, p + done, n - done, offset + done);
      if (r < 0) {
        if (errno == EINTR) continue;
        return Fail(errno);
      }
      if (r == 0) return Fail(ENOSPC);
      done += static_cast<size_t>(r);
    }
    return true;
  }

  int64_t Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Fail(errno), -1;
    return st.st_size;
  }

  FileIdentity Identity() override {
    FileIdentity id;
    struct stat st;
    if (::fstat(fd_, &st) == 0) {
      id.device = st.st_dev;
      id.inode = st.st_ino;
      id.valid = true;
    }
    return id;
  }

  bool Writable() const override { return writable_; }

  bool Sync() override {
    while (::fdatasync(fd_) != 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    return true;
  }

  // The system starts writing the range out (pages already clean are
  // dropped from its cache, which nothing here reads again soon).
  void SendAhead(int64_t offset, int64_t n) override {
    ::posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(n), POSIX_FADV_DONTNEED);
  }

  bool Truncate(int64_t size) override {
    if (!writable_) return Fail(EBADF);
    while (::ftruncate(fd_, size) != 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    return true;
  }

  // Record locks over the whole file (start 0, length 0: to any end). They
  // belong to the process, which is why one process reaches a file through
  // one shared descriptor set (the registry of page_cache.h) and never
  // closes a descriptor of a file it still has open.
  bool TryLock(LockKind kind, LockHolder* holder) override {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = kind == LockKind::kExclusive ? F_WRLCK : kind == LockKind::kShared ? F_RDLCK : F_UNLCK;
    fl.l_whence = SEEK_SET;
    while (::fcntl(fd_, F_SETLK, &fl) != 0) {
      if (errno == EINTR) continue;
      // A file system that keeps no locks (some network and user-space
      // ones) cannot coordinate processes; the file is used unlocked.
      if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL) return true;
      if (errno != EACCES && errno != EAGAIN) return Fail(errno);
      if (holder) {
        struct flock who;
        std::memset(&who, 0, sizeof who);
        who.l_type = fl.l_type == F_UNLCK ? F_RDLCK : fl.l_type;
        who.l_whence = SEEK_SET;
        *holder = LockHolder();
        if (::fcntl(fd_, F_GETLK, &who) == 0 && who.l_type != F_UNLCK) {
          holder->pid = who.l_pid;
          holder->writer = who.l_type == F_WRLCK;
        }
      }
      return Fail(EAGAIN);
    }
    return true;
  }

  int LastError() const override { return error_; }

 private:
  bool Fail(int code) {
    error_ = code;
    return false;
  }
  int fd_;
  bool writable_;
  int error_ = 0;
};

class PosixFs final : public FileSystem {
 public:
  std::unique_ptr<File> Open(const char* path, int mode, int* error) override {
    int dummy;
    if (!error) error = &dummy;
    *error = 0;
    if (path == nullptr || *path == '\0') {
      *error = ENOENT;
      return nullptr;
    }
    // The engine reads what it writes (index nodes, free lists), so a
    // write-only request is opened for reading as well. O_NONBLOCK: opening
    // a named pipe or a device must not wait for a partner; anything but a
    // regular file is refused below, before a byte is read.
    int flags = O_CLOEXEC | O_NONBLOCK;
    const bool writable = (mode & kModeAccessMask) != 0;
    flags |= writable ? O_RDWR : O_RDONLY;
    if (mode & kModeCreate) {
      flags |= O_CREAT;
      if (!(mode & kModeNoTruncate)) flags |= O_TRUNC;
    }
    int fd = ::open(path, flags, 0644);
    if (fd < 0) {
      *error = errno;
      return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      *error = kErrorNotRegularFile;
      ::close(fd);
      return nullptr;
    }
    int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return std::make_unique<PosixFile>(fd, writable);
  }

  FileIdentity Identify(const char* path, bool* regular) override {
    FileIdentity id;
    if (regular) *regular = false;
    struct stat st;
    if (path == nullptr || ::stat(path, &st) != 0) return id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.valid = true;
    if (regular) *regular = S_ISREG(st.st_mode);
    return id;
  }

  bool Remove(const char* path) override { return ::unlink(path) == 0 || errno == ENOENT; }

  bool SyncFolderOf(const char* path) override {
    std::string folder = path;
    size_t slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int r;
    while ((r = ::fsync(fd)) != 0 && errno == EINTR) {
    }
    // Some file systems cannot sync a folder; their entries are as durable
    // as they will get.
    bool ok = r == 0 || errno == EINVAL || errno == EROFS;
    ::close(fd);
    return ok;
  }

  std::string JournalPath(const char* path) override {
    char real[PATH_MAX];
    std::string base = ::realpath(path, real) ? real : path;
    return base + "-journal";
  }
};

}  // namespace

FileSystem* PosixFileSystem() {
  static PosixFs fs;
  return &fs;
}

std::string FailureText(int code) {
  if (code == kErrorNotRegularFile) return "not a regular file";
  if (code <= 0) return "unknown failure";
  return std::strerror(code);
}

}  // namespace orvex
