// POSIX implementation of the file layer: open/pread/pwrite/fstat.
#include "io/file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvex {
namespace {

class PosixFile final : public File {
 public:
  PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixFile() override { ::close(fd_); }

  int64_t Read(int64_t offset, void* buf, size_t n) override {
    if (offset < 0) return -1;
    size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
      ssize_t r = ::pread(fd_, p + done, n - done, offset + done);
      if (r < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
  }

  bool Write(int64_t offset, const void* buf, size_t n) override {
    if (offset < 0 || !writable_) return false;
    size_t done = 0;
    auto* p = static_cast<const char*>(buf);
    while (done < n) {
      ssize_t r = ::pwrite(fd_, p + done, n - done, offset + done);
      if (r < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (r == 0) return false;
      done += static_cast<size_t>(r);
    }
    return true;
  }

  int64_t Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return -1;
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

 private:
  int fd_;
  bool writable_;
};

class PosixFs final : public FileSystem {
 public:
  std::unique_ptr<File> Open(const char* path, int mode) override {
    if (path == nullptr || *path == '\0') return nullptr;
    int flags = O_CLOEXEC;
    bool writable = false;
    switch (mode & kModeAccessMask) {
      case 0: flags |= O_RDONLY; break;
      case 1: flags |= O_WRONLY; writable = true; break;
      default: flags |= O_RDWR; writable = true; break;
    }
    if (mode & kModeCreate) {
      flags |= O_CREAT;
      if (!(mode & kModeNoTruncate)) flags |= O_TRUNC;
    }
    // The engine reads what it writes (index nodes, free lists), so a
    // write-only request is opened for reading as well.
    if ((mode & kModeAccessMask) == 1) flags = (flags & ~O_WRONLY) | O_RDWR;
    int fd = ::open(path, flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd, writable);
  }
};

}  // namespace

FileSystem* PosixFileSystem() {
  static PosixFs fs;
  return &fs;
}

}  // namespace orvex
