// The rollback journal: FILE-journal beside the database file FILE.
//
// Between two commits, no byte of the database that the last commit left is
// overwritten before the 4096-byte page holding it has been copied here and
// the copy made durable. A commit writes the pages, syncs the database,
// then ends the journal by zeroing its header (and syncing that). So at any
// moment the database file, with this journal played back onto it, holds
// exactly the last commit: OpenDB that finds a journal with a sound header
// copies every sound page record back, cuts the database to the size it had
// at that commit, syncs it and removes the journal.
//
// Journal header (64 bytes at offset 0; integers little-endian):
//
//   OFFSET  SIZE  CONTENT
//   0       16    magic text "Orvex journal 1" and a NUL
//   16      4     u32 page size: 4096
//   20      4     zero
//   24      8     i64 size of the database file at the last commit
//   32      8     u64 salt, chosen afresh for each transaction
//   40      16    zero
//   56      8     checksum of bytes 0..55, seeds (0x6a09e667, 0xbb67ae85)
//
// A header whose magic, page size, zero bytes, size (0 < size < 2^31) or
// checksum is wrong is no header: the journal holds nothing to play back
// (that is how a commit ends it, and how a journal torn while it was first
// written reads). Such a journal is ignored.
//
// Page records follow, 4112 bytes each, from offset 64:
//
//   OFFSET  SIZE  CONTENT
//   0       8     i64 database offset of the page: a multiple of 4096
//                 below the size at the last commit
//   8       4096  the page's bytes at the last commit (zero past the end
//                 the file had then)
//   4104    8     checksum of bytes 0..4103, seeded with the salt (low
//                 32 bits, high 32 bits)
//
// Playback stops at the first record that is short, fails its checksum or
// names an offset outside those bounds: records are appended in order and
// synced before the database pages they protect are written, so a record
// that fails was never relied on (it was torn by the crash, or is left from
// an earlier transaction, whose salt differs). Each page is recorded at most
// once per transaction, with its bytes as the last commit left them.
//
// Checksum: the bytes are taken as pairs of little-endian u32 (x0, x1); from
// the seeds (s0, s1), for each pair s0 += x0 + s1, then s1 += x1 + s0
// (arithmetic modulo 2^32). Stored as s0 then s1.
#ifndef ORVEX_FORMAT_JOURNAL_H_
#define ORVEX_FORMAT_JOURNAL_H_

#include <cstddef>
#include <cstdint>

namespace orvex {

constexpr int kJournalHeaderSize = 64;
constexpr int kJournalPageSize = 4096;
constexpr int kJournalRecordSize = 8 + kJournalPageSize + 8;
constexpr char kJournalMagic[16] = "Orvex journal 1";
constexpr uint32_t kJournalHeaderSeed0 = 0x6a09e667u;
constexpr uint32_t kJournalHeaderSeed1 = 0xbb67ae85u;

struct JournalHeader {
  int64_t dbSize = 0;  // the database file's size at the last commit
  uint64_t salt = 0;
};

// Adds n bytes (a multiple of 8) to the running checksum (s0, s1).
void JournalChecksum(const uint8_t* p, size_t n, uint32_t* s0, uint32_t* s1);

// Writes the 64-byte header image.
void FormatJournalHeader(const JournalHeader& h, uint8_t* out);
// Reads a 64-byte header image; false when it is no sound header.
bool ParseJournalHeader(const uint8_t* in, JournalHeader* h);

// Completes a record image whose offset (bytes 0..7) and page (8..4103) are
// filled: writes its checksum.
void SealJournalRecord(const JournalHeader& h, uint8_t* record);
// Checks a record image against the header; *offset gets its page offset.
bool OpenJournalRecord(const JournalHeader& h, const uint8_t* record, int64_t* offset);

}  // namespace orvex

#endif  // ORVEX_FORMAT_JOURNAL_H_
