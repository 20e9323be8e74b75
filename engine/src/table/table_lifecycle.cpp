// Creating, opening, flushing and closing a database file.
#include <cstdio>
#include <cstring>
#include <vector>

#include "format/record_codec.h"
#include "table/table.h"

namespace orvex {

namespace {
constexpr const char* kBanner = "Orvex record store engine";
}

Table::Table(const TableOptions& options) : options_(options) {
  if (!options_.fs) options_.fs = PosixFileSystem();
  Init();
}

Table::~Table() { CloseDB(); }

void Table::Init() {
  open_ = ready_ = dirty_ = false;
  trimOnCreate_ = true;
  ForgetPositions();
  bulk_.clear();
  bulkOut_.clear();
  err_.clear();
  version_.clear();
  hdr_.Clear();
  schema_ = Schema();
  ClearPattern();
  patternMode_ = 2;
}

void Table::ForgetPositions() {
  ResetChunkAppend();
  read_ = ChunkRead();
  chunkFreeChecked_ = false;
  updating_ = false;
  curKey_ = -1;
  for (KeyPosition& p : pos_) p = KeyPosition();
  for (KeyPosition& p : saved_) p = KeyPosition();
  loadPending_ = false;
  curAt_ = -1;
  workKey_ = -1;
  aheadCount_ = 0;
  recordListDamaged_ = dupListDamaged_ = false;
  refersPastEnd_ = freeListsWalked_ = false;
}

void Table::SetErrorf(const char* format, int a) {
  char buf[128];
  std::snprintf(buf, sizeof buf, format, a);
  err_ = buf;
}

void Table::SetErrorf(const char* format, int a, int b) {
  char buf[128];
  std::snprintf(buf, sizeof buf, format, a, b);
  err_ = buf;
}

void Table::SetVersionText() {
  char v[kVersionSize + 1] = {};
  std::memcpy(v, hdr_.version(), kVersionSize);
  version_ = v;
  version_ += " ,";
  version_ += kBanner;
}

void Table::FreeBuffers() {
  cur_.reset();
  edit_.reset();
  block_.reset();
  image_.reset();
}

namespace {
// A zeroed buffer of n bytes, at least one.
std::unique_ptr<uint8_t[]> ZeroBuffer(int n) { return std::make_unique<uint8_t[]>(n < 1 ? 1 : static_cast<size_t>(n)); }
}  // namespace

// Record buffers: the current record, the edit buffer and a caller's image
// completed to a record, record-length bytes each (at least one byte, so that
// an empty schema has buffers), and the trimmed block buffer (the longest
// trimmed block of the schema).
void Table::AllocateBuffers() {
  const int length = schema_.recordLength;
  cur_ = ZeroBuffer(length);
  edit_ = ZeroBuffer(length);
  image_ = ZeroBuffer(length);
  block_ = ZeroBuffer(MaxTrimmedSize(schema_));
}

bool Table::CreateDB(const char* path, const char* description) {
  // Refused while a file is open: the header image is that file's schema,
  // and the open file would be left without its header written.
  if (open_) {
    SetError(err::kMustDoBeforeCreate);
    return false;
  }
  std::string why;
  file_ = Store::Open(options_.fs, path, kModeCreateDb, StoreOpts(), &why);
  if (!file_) {
    err_ = why.empty() ? err::kCantCreate : std::string(err::kCantCreate) + "(" + why + ")";
    return false;
  }
  open_ = true;
  if (hdr_.keyCount() <= 0) {
    SetError(err::kCreateIndex);
    return false;
  }
  ready_ = true;
  if (!trimOnCreate_) hdr_.setRecordForm(kRecordFormFixed);
  std::strncpy(hdr_.signature(), kSignature, kNameSize - 1);
  std::memset(hdr_.description(), 0, kDescriptionSize);
  if (description) std::strncpy(hdr_.description(), description, kDescriptionSize - 1);
  uint32_t length = 0;
  for (int i = 0; i < hdr_.fieldCount(); ++i) {
    int type = hdr_.fieldType(i);
    if (type != kTypeText) hdr_.setFieldSize(i, StoredTypeSize(type));
    length += static_cast<uint32_t>(hdr_.fieldSize(i));
  }
  hdr_.setRecordLength(length);
  hdr_.setRecordCount(0);
  hdr_.setRecordFreeHead(-1);
  hdr_.setDupFreeHead(-1);
  hdr_.setChunkFreeHead(-1);
  std::memset(hdr_.version(), 0, kVersionSize);
  std::strncpy(hdr_.version(), kFileVersion, kVersionSize - 1);
  hdr_.ClearIndexRoots();
  // The new file's first commit: the header, durable, with its folder entry.
  file_->Write(0, hdr_.bytes(), kHeaderSize);
  if (!file_->Commit(&why)) {
    err_ = why.empty() ? err::kWriteFailed : why;
    ready_ = false;
    return false;
  }
  BuildSchema(hdr_, &schema_);
  AllocateBuffers();
  SetVersionText();
  return true;
}

bool Table::OpenDB(const char* path, int mode) {
  CloseDB();
  // Opening takes the file's lock (waiting a while for another process to
  // let go) and plays back a journal left by an interrupted commit, so the
  // header read below is that of the last commit.
  std::string why;
  file_ = Store::Open(options_.fs, path, mode, StoreOpts(), &why);
  if (!file_) {
    err_ = why.empty() ? err::kCantOpen : std::string(err::kCantOpen) + " " + why;
    return false;
  }
  open_ = true;
  int64_t got = file_->Read(0, hdr_.bytes(), kHeaderSize);
  if (got < 0) return RefuseOpen(err::kReadFailed);
  if (got < kHeaderSize) std::memset(hdr_.bytes() + got, 0, kHeaderSize - static_cast<size_t>(got));
  if (const char* why = ValidateHeader(hdr_, file_->Size()))
    return RefuseOpen((std::string(err::kNotDatabase) + why).c_str());
  BuildSchema(hdr_, &schema_);
  AllocateBuffers();
  if (hdr_.keyCount() <= 0) {
    SetError(err::kKeyNotFound);
    return false;
  }
  ready_ = true;
  SetVersionText();
  return true;
}

// A file that cannot be read as a database of this format is not kept open:
// the object returns to the defining state, keeping only the error text.
bool Table::RefuseOpen(const char* why) {
  std::string text = why;
  CloseDB();
  err_ = text;
  return false;
}

bool Table::CloseDB() {
  ++openings_;
  // Closing is a commit point. When the commit fails the file is left at
  // its last commit, and the error text outlives the reset, so that the
  // caller can tell that the last changes were not saved.
  const bool ok = !open_ || !file_ || !file_->writable() || Commit();
  const std::string failure = ok ? std::string() : err_;
  FreeBuffers();
  file_.reset();
  Init();
  err_ = failure;
  return ok;
}

bool Table::Flush() {
  if (!open_ || !file_) {
    SetError(err::kNotOpen);
    return false;
  }
  // A handle without write access has changed nothing.
  return !file_->writable() || Commit();
}

bool Table::Commit() {
  // A bulk load under way ends here: its records become reachable first.
  const bool loaded = EndBulkLoad();
  // The header image goes to the file when it differs from what the file
  // holds (a write that fails leaves the file poisoned, and the commit
  // below reports it). An unchanged file makes the commit a no-op.
  std::vector<uint8_t> onFile(kHeaderSize);
  if (dirty_ || file_->Read(0, onFile.data(), kHeaderSize) != kHeaderSize ||
      std::memcmp(onFile.data(), hdr_.bytes(), kHeaderSize) != 0)
    file_->Write(0, hdr_.bytes(), kHeaderSize);
  std::string why;
  if (file_->Commit(&why)) {
    dirty_ = false;
    return loaded;
  }
  AfterRollback();
  err_ = why.empty() ? err::kWriteFailed : why;
  return false;
}

void Table::AfterRollback() {
  ForgetPositions();
  dirty_ = false;
  int64_t got = file_->Read(0, hdr_.bytes(), kHeaderSize);
  if (got != kHeaderSize || ValidateHeader(hdr_, file_->Size()) != nullptr) ready_ = false;
}

const char* Table::GetDescription() {
  char d[kDescriptionSize] = {};
  std::memcpy(d, hdr_.description(), kDescriptionSize - 1);
  description_ = d;
  return description_.c_str();
}

bool Table::ReadAt(int64_t offset, void* buf, int n, bool stream) {
  if (!file_ || n < 0) return false;
  int64_t got = file_->Read(offset, buf, static_cast<size_t>(n), stream);
  if (got != n) {
    SetError(got < 0 ? err::kReadFailed : err::kDamaged);
    return false;
  }
  return true;
}

bool Table::WriteAt(int64_t offset, const void* buf, int n, bool stream) {
  if (!file_ || n < 0 || offset < 0 || offset + n > INT32_MAX) {
    SetError(err::kFileTooLarge);
    return false;
  }
  // Inside a change, what is overwritten is kept first (nothing is written
  // that could not be put back).
  if (changeDepth_ > 0 && !KeepBytes(offset, n)) {
    SetError(err::kReadFailed);
    return false;
  }
  if (!file_->Write(offset, buf, static_cast<size_t>(n), stream)) {
    const std::string why = file_->shared()->LastFailure();
    SetError(why.empty() ? err::kWriteFailed : why.c_str());
    return false;
  }
  return true;
}

bool Table::RoomToGrow(int64_t bytes) {
  if (FileEnd() + bytes > INT32_MAX) {
    SetError(err::kFileTooLarge);
    return false;
  }
  return true;
}

}  // namespace orvex
