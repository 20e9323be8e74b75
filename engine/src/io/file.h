// The engine's file layer: positional reads and writes on one open file.
//
// Everything the engine does with a database file goes through File, made by
// a FileSystem. The POSIX implementation is the one programs use; tests put
// their own in place to make a write fail or a read come back short.
#ifndef ORVEX_IO_FILE_H_
#define ORVEX_IO_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvex {

// Open-mode bits as passed to OpenDB (classic file-open flag layout).
constexpr int kModeAccessMask = 0x3;   // 0 read, 1 write, 2 read-write
constexpr int kModeShareMask = 0x70;   // sharing: accepted, not enforced
constexpr int kModeCreate = 0x1000;
constexpr int kModeNoTruncate = 0x2000;
// CreateDB: create, read-write, exclusive.
constexpr int kModeCreateDb = kModeCreate | 0x2 | 0x10;

// Identity of the file behind an open handle; two handles on one file have
// equal identities. valid is false when the file has none to give.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool valid = false;
  bool operator==(const FileIdentity& o) const {
    return valid && o.valid && device == o.device && inode == o.inode;
  }
};

class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes at offset; returns the number read (short at the
  // end of the file), or -1 on failure.
  virtual int64_t Read(int64_t offset, void* buf, size_t n) = 0;
  // Writes n bytes at offset; false unless all were written.
  virtual bool Write(int64_t offset, const void* buf, size_t n) = 0;
  // Current size in bytes, or -1 on failure.
  virtual int64_t Size() = 0;
  virtual FileIdentity Identity() = 0;
  // Whether the handle was opened for writing.
  virtual bool Writable() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens path with an open mode (access, create, do-not-truncate bits).
  // Null on failure.
  virtual std::unique_ptr<File> Open(const char* path, int mode) = 0;
};

// The POSIX file system (stateless; lives for the whole process).
FileSystem* PosixFileSystem();

}  // namespace orvex

#endif  // ORVEX_IO_FILE_H_
