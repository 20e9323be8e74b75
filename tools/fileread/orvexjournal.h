// Independent reader of the rollback journal the engine keeps beside a
// database file FILE, as FILE-journal (its real path, links followed).
//
// Written from the journal's layout alone, like the rest of this reader:
//
//   header, 64 bytes at offset 0 (little-endian):
//     0   16  "Orvex journal 1" and a NUL
//     16  4   page size, 4096
//     20  4   zero
//     24  8   database size at the last commit (0 < size < 2^31)
//     32  8   salt of the transaction
//     40  16  zero
//     56  8   checksum of bytes 0..55, seeds 0x6a09e667, 0xbb67ae85
//   page records, 4112 bytes each from offset 64:
//     0   8     page offset (a multiple of 4096 below the committed size)
//     8   4096  the page as the last commit left it
//     4104 8    checksum of bytes 0..4103, seeds: the salt's low, high half
//
//   checksum: over little-endian u32 pairs (x0, x1): s0 += x0 + s1;
//   s1 += x1 + s0; stored s0, s1.
//
// A journal whose header is not sound holds nothing. Otherwise the next
// OpenDB copies back every record up to the first one that does not check,
// and cuts the database to the committed size: that is "playback".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvexfile.h"

namespace orvexfile {

struct JournalReport {
  std::string path;
  bool present = false;   // a journal file lies beside the database
  bool hot = false;       // its header is sound: the next open plays it back
  int64_t bytes = 0;      // the journal's size
  int64_t dbSize = 0;     // the database size at the last commit
  long long pages = 0;    // sound page records
  long writer = 0;        // a process holding the database open for writing
};

// The journal's path for a database file path.
std::string JournalPathOf(const std::string& dbPath);

// Looks at the journal beside dbPath. When it is hot, *restored receives the
// database bytes as playback onto `db` leaves them. False with *error when
// the journal exists but cannot be read.
bool ReadJournal(const std::string& dbPath, const File& db, JournalReport* report,
                 std::vector<uint8_t>* restored, std::string* error);

// The same for a journal already read into memory (report->path is left
// as it is, report->writer 0).
void ApplyJournal(const File& db, const std::vector<uint8_t>& journal, JournalReport* report,
                  std::vector<uint8_t>* restored);

// One line about the journal for `orvex info` and `orvex check`; empty when
// there is none (or an empty one).
std::string DescribeJournal(const JournalReport& report);

}  // namespace orvexfile
