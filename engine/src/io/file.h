// The engine's file layer: positional reads and writes on one open file,
// syncs, advisory locks, and the few folder operations a commit needs.
//
// Everything the engine does with a database file (and its journal) goes
// through File, made by a FileSystem. The POSIX implementation is the one
// programs use; tests put an in-memory one in its place to make any write or
// sync fail, or to stop the "process" at a numbered write and look at what
// reached the "disk".
#ifndef ORVEX_IO_FILE_H_
#define ORVEX_IO_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orvex {

// Open-mode bits as passed to OpenDB (classic file-open flag layout).
constexpr int kModeAccessMask = 0x3;   // 0 read, 1 write, 2 read-write
constexpr int kModeShareMask = 0x70;   // sharing, below
constexpr int kModeShareExclusive = 0x10;
constexpr int kModeShareDenyWrite = 0x20;
constexpr int kModeShareDenyRead = 0x30;
constexpr int kModeShareDenyNone = 0x40;
constexpr int kModeCreate = 0x1000;
constexpr int kModeNoTruncate = 0x2000;
// CreateDB: create, read-write, exclusive.
constexpr int kModeCreateDb = kModeCreate | 0x2 | kModeShareExclusive;

// Failure codes of the file layer: errno values, and these of its own.
constexpr int kErrorNotRegularFile = -1;  // a folder, pipe, device or socket

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

// The advisory lock a process holds on a whole file: shared by readers,
// exclusive for the one writer.
enum class LockKind { kNone, kShared, kExclusive };

// Who holds a lock that was in the way (pid 0 when the system cannot say).
struct LockHolder {
  long pid = 0;
  bool writer = false;
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
  // Makes every byte written so far, and the file's size, durable.
  virtual bool Sync() = 0;
  // Cuts the file to size bytes (or extends it with zeros).
  virtual bool Truncate(int64_t size) = 0;
  // A hint that bytes [offset, offset + n), written and not needed again
  // soon, may go on their way to the disk now, so that the next Sync has
  // less left to wait for. Changes nothing the file holds.
  virtual void SendAhead(int64_t offset, int64_t n) { (void)offset, (void)n; }
  // Takes, changes (shared to exclusive and back) or drops (kNone) the
  // process's advisory lock on the whole file without waiting. False when
  // another process holds a lock in the way (*holder says who). A file
  // system without locks grants every request.
  virtual bool TryLock(LockKind kind, LockHolder* holder) = 0;
  // The failure code of the last failed call (errno, or kError...).
  virtual int LastError() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens path with an open mode (access, create, do-not-truncate bits).
  // Anything but a regular file is refused at once, without waiting on it.
  // Null on failure, with *error (when given) set to the failure code.
  virtual std::unique_ptr<File> Open(const char* path, int mode, int* error) = 0;
  std::unique_ptr<File> Open(const char* path, int mode) { return Open(path, mode, nullptr); }
  // The identity of the file at path, without opening it: invalid when
  // nothing is there. *regular tells whether it is a regular file.
  virtual FileIdentity Identify(const char* path, bool* regular) = 0;
  // Removes a file; true also when there was none.
  virtual bool Remove(const char* path) = 0;
  // Makes the entries of the folder holding path (files created or
  // removed there) durable.
  virtual bool SyncFolderOf(const char* path) = 0;
  // The path of the journal kept beside the database file at path: the
  // file's real path (links followed) with "-journal" added, so that every
  // process finds one journal whatever name it opened the file by.
  virtual std::string JournalPath(const char* path) = 0;
};

// The POSIX file system (stateless; lives for the whole process).
FileSystem* PosixFileSystem();

// A short text for a failure code: the system's text for an errno value.
std::string FailureText(int code);

}  // namespace orvex

#endif  // ORVEX_IO_FILE_H_
